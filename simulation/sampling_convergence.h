// Whether a steric prediction's sampling of orientations (-dot, -digPsi) below its defaults settles
// its order: the order against the one of the default sampling, the refusal and its advice of a
// sampling that settles.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace korim::simulation {

// A sampling of orientations: the sphere's density (-dot) and the turns about each dot (-digPsi).
struct Sampling {
  int density = settings::kDensityDefault;
  int turns = settings::kDigPsiDefault;
  bool operator==(const Sampling&) const = default;
};

// The model's order (five elements, before -lcS) on the nDots dots of a sphere with turns turns
// about each, computed without a word on stdout or stderr (quietOrder); false when the model gives
// none there (*why then names what it noted, where it is known).
using SampledOrder =
    std::function<bool(const double* dots, int nDots, int turns, double out[5], std::string* why)>;

// The sampling the settings k ask for (-dot, -digPsi).
Sampling samplingOf(const settings::KorimInfo& k);

// True when a run of sampling s is checked: its density or its turns lie below the default.
bool samplingIsChecked(const Sampling& s);

// The sampling a run of s is held against: the default in each part that lies below it, the run's
// own in the other. The default sampling lies within 1.4 % of the order at -dot 1000 and -digPsi 72
// for the example and a turned copy on the wall and the rod; a run checked against it may lie that
// much further from the dense order than from it.
Sampling referenceSampling(const Sampling& s);

// The samplings the advice of a refusal of s tries, fewest orientations first: in each part below
// the default, its value doubled, doubled again, ... below the default and the default itself; the
// other part as given. Every one is held against the same reference; the last is the reference,
// which is not checked and answers.
std::vector<Sampling> advisedSamplings(const Sampling& s);

// "-dot 20 -digPsi 18".
std::string samplingText(const Sampling& s);

// The options that turn the sampling from of a command line into to, as advice ("-dot 20 in place
// of -dot 10"): only the parts that differ.
std::string adviseSampling(const Sampling& from, const Sampling& to);

// How far a checked order may lie from the reference's, as a share of the reference's size: a
// tenth (kOrderTolerance) less the 1.5 % by which the default sampling may lie from a denser one,
// so that an order that passes lies within a tenth of the dense order too (-digPsi 5 on the
// example's wall lies 9.9 % from the default sampling's order and 10.0 % from the dense one).
constexpr double kSamplingTolerance = 0.085;

// The status with which a prediction whose sampling does not settle its order returns while
// verdicts are collected (UnsettledOrders): no message is printed for it.
constexpr int kSamplingUnsettled = -3;

// The verdict on the sampling of a steric prediction by the model who ("stericAlignment") with
// the settings k on the nDots dots of its sphere: 0 when the sampling is not checked, when the
// model gives no order with it (the run reports its own failure), when its order and the
// reference's are both zero (the run's verdict names it), or when the order lies within
// kSamplingTolerance of the reference's. 1 after a message naming both orders (Da_HN, R) and how far
// apart they lie, and the advice of samplingAdvice; 1 after a message when the reference gives no
// order; kSamplingUnsettled in place of the refusal, without a message, while an UnsettledOrders
// lives (an ensemble advises once for all its states).
int samplingSettledOrRefuse(const char* who, const settings::KorimInfo& k, int nDots, const double* dots,
                            const SampledOrder& model);

// The advice of a refusal of the sampling s, one line: the first of advisedSamplings whose order
// lies within kSamplingTolerance of the reference order ref.
std::string samplingAdvice(const char* who, const Sampling& s, const double ref[5], const SampledOrder& model);

}  // namespace korim::simulation
