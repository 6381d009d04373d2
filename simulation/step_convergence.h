// Whether the step of a prediction's positions (-dGrid) settles its order: the order at the run's
// step against the orders at a quarter and a sixteenth of it (never finer than the default step),
// the refusal and its advice of a step that settles.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace korim::simulation {

// The model's order (five elements, before -lcS) with the positions in steps of step Angstrom,
// computed without a word on stdout or stderr; false when the model gives none at that step (it
// fails, or notes its tensor's magnitude wrong; *why then names the note where it is known).
// Without its sphere's check, or with it where sphereChecked is set (false then when the sphere
// does not settle the order).
using StepOrder = std::function<bool(double step, double out[5], bool sphereChecked, std::string* why)>;

// The finer step a check of step takes: step / 4 (and, where kSteadyShare asks, step / 16), never
// finer than the default step (settings::kGridSpacingDefault, Angstrom).
double finerStep(double step, int quarters);

// True when a run of step is checked: a step above the default one.
bool stepIsChecked(double step);

// The step (Angstrom) of k.gridSpacing as the command line gives it (the settings hold a float).
double stepOf(const settings::KorimInfo& k);

// A step as the command line gives it ("1.25", "0.3125").
std::string stepText(double step);

// The steps the advice of a refusal at step tries, coarsest first: step / 4, step / 16, ... down
// to the default step, which ends the list.
std::vector<double> advisedSteps(double step);

// The status with which a prediction whose step does not settle its order returns while verdicts
// are collected (UnsettledOrders, order_convergence.h): no message is printed for it.
constexpr int kStepUnsettled = -2;

// The orders of one prediction at the steps a check has computed, each computed once (by model).
struct SteppedOrders {
  StepOrder model;
  std::map<double, std::array<double, 5>> at;
  std::string why;  // what the model noted at the last step that gave no order ("" when not known)
  std::string said;  // the model's own refusal at the last step that gave no order ("" when none)
  // The order at step into out; false when the model gives none there.
  bool get(double step, double out[5]);
};

// What settlesStep found for an order own at step.
struct StepSettling {
  bool had = true;      // false: a finer step gave no order
  bool settled = false;
  double quarter = 0.0;  // the finer step (finerStep 1) and the order's distance from its order
  double apart = 0.0;
  double sixteenth = 0.0;  // finerStep 2 where it was consulted, else 0
  double apartFar = 0.0;   // the order's distance from the sixteenth's, with what finer steps may add
};

// The criterion, one for the verdict and its advice: the order own at step settles when the order
// at a quarter of the step lies within kOrderTolerance of it and, where it lies beyond
// kSteadyShare, the order at a sixteenth, moved on by what the steps from the sixteenth down to the
// default would add, lies within kOrderTolerance of it too. An order moves in proportion to the
// step (the positions sum the states as a sum of rectangles): the steps below the sixteenth s
// move it on by the quarter's move to the sixteenth times (s - default) / (3 s). Where the quarter
// is the default step already, it decides alone; a step at the default settles.
StepSettling settlesStep(double step, const double own[5], SteppedOrders& orders);

// The verdict on the step of a prediction by the model who ("stericAlignment", "sma") with the
// settings k: 0 when k.gridSpacing is the default or finer, when the model gives no order at it (the
// run reports its own failure), or when settlesStep settles its order. 1 after a message naming
// the orders (Da_HN, R) and how far apart they lie, and the advice of stepAdvice; kStepUnsettled
// in its place, without a message, while an UnsettledOrders lives (an ensemble advises once for all
// its states). To be asked before the model's own run, whose sphere check follows.
int stepSettledOrRefuse(const char* who, const settings::KorimInfo& k, const StepOrder& model);

// The advice of a refusal at step, one line: the coarsest of step / 4, step / 16, ... (down to the
// default step) whose order settlesStep settles and whose sphere settles it too: "-dGrid X in
// place of -dGrid Y answers".
std::string stepAdvice(const char* who, double step, SteppedOrders& orders);

// Runs a model only for its order, to compare it: run returns the model's status. Its standard
// output and error go to /dev/null (what they held before written first, the streams restored
// after), and the notes it leaves are taken (its tensor's, tensorNotesTaken; an unsettled sphere's;
// a high order's remark). True when it gave an order; else false, *why naming a magnitude it
// noted wrong where it did.
bool quietOrder(const std::function<int()>& run, std::string* why);

// The refusal a model made in the last run of quietOrder that gave no order, as the model wrote it
// (its lines that name the model, e.g. "sma: line 1 of ov.pot holds the value 709.79 kT/e; ..."),
// taken once; "" when it made none.
std::string takeQuietRefusal();

}  // namespace korim::simulation
