// Whether the order of an electrostatic prediction is settled by its sphere of orientations: the
// order at the run's sphere against the orders at spheres of about one and a half, four and
// sixteen times the orientations, the refusal and its advice of a density (-dot) that converges.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace korim::simulation {

// What each sampled orientation o of a scan adds to an order average (one entry per
// orientation, in the scan's order: dot after dot, the turns about each dot within):
// a[o], the weight it adds to the order sums (its allowed states, each times the position's
// factor); c[o], the summed factors of its allowed states; wMax[o], the largest weight of its
// allowed states (0 when none is allowed); s[o], its order values (Szz, Sxx-Syy, Sxy, Sxz, Syz).
// The average is sum a (s - m) / sum (a + cFactor c + perOrientation), m the mean of s over the
// orientations averaged when lessMean is set, else 0: the wall, the rod and the grid models each
// fill in their divisor (free positions, the rod's cell less its allowed states) this way.
struct OrientationWeights {
  std::vector<double> a, c, wMax;
  std::vector<std::array<double, 5>> s;
  double cFactor = 0.0;       // what the divisor takes per unit of c
  double perOrientation = 0.0;
  bool lessMean = true;
  void resize(int n);
  int size() const { return static_cast<int>(a.size()); }
};

// The average of w over its orientations into out[5]; false when its divisor is not positive or
// the average is not finite.
bool orientationAverage(const OrientationWeights& w, double out[5]);

// Frobenius size of the 3x3 order matrix of the five elements s.
double orderSize(const double s[5]);

// The distance of order a from order b (Frobenius size of a - b) as a share of b's size;
// infinite when b is zero.
double orderDistance(const double a[5], const double b[5]);

// An order is settled by its sphere when the orders at the spheres of about four and one and a half
// times its orientations (and where kSteadyShare asks, of sixteen times) lie within this share of
// their size.
constexpr double kOrderTolerance = 0.1;

// Where the order at the denser sphere lies more than this share of its size from the run's (half
// the tolerance), the order may be converging slowly and in one direction: the run's order is then
// held against the sphere of sixteen times its density as well (farDensity).
constexpr double kSteadyShare = 0.05;

// The densest sphere (-dot) the advice of a refusal tries.
constexpr int kDensestAdvised = 2000;

// The density of the sphere of nDots dots a model was given: the run's -dot (densityNSC) when its
// sphere has that many dots, else the count itself (a sphere of that density has them).
int sphereDensityOf(const settings::KorimInfo& k, int nDots);

// The sphere of about four times the orientations of density d's: density 4 d.
int denserDensity(int density);

// The neighbouring sphere an order is held against as well: density 3 d / 2, of about as many
// orientations as the run's own. The denser sphere tells how far the order moves as the sphere
// grows; the neighbouring one how far it scatters from one sphere to the next at the run's own
// resolution. Where the weights change sharply between orientations, two spheres agree by chance:
// three copies of the example on the rod give Da_HN -777, -797 and -948 Hz at -dot 2000, 4000 and
// 1500, and -955 Hz at -dot 3000.
int neighbourDensity(int density);

// The sphere of about sixteen times the orientations of density d's: density 16 d, or the densest
// sphere korim builds (kUnspMaxDensity) where 16 d lies beyond it.
int farDensity(int density);

// The dots of the sphere of density d (x, y, z per dot) and their count, built once per density
// and kept for the process (module state); null after a message when it cannot be built.
const double* sphereOfDensity(int density, int* nDots);

// Scans the model of a prediction on the sphere of nDots dots into w; false after a message when
// it cannot.
using SphereScan = std::function<bool(const double* dots, int nDots, OrientationWeights* w)>;

// The orders of one prediction at the densities a check has scanned, each scanned once (by rescan)
// and kept for the verdict and its advice.
struct ScannedOrders {
  const char* who = "sma";
  SphereScan rescan;
  std::map<int, std::array<double, 5>> at;
  // The order at the sphere of density d into out; false after a message when it cannot be had.
  bool get(int density, double out[5]);
};

// What settlesOrder found for an order at its sphere.
struct Settling {
  bool scanned = true;  // false: a sphere could not be scanned (its message is out)
  bool settled = false;
  int denser = 0;       // the denser sphere (-dot 4 d) and the order's distance from its order
  double apart = 0.0;
  int neighbour = 0;    // the neighbouring sphere (-dot 3 d / 2) where it was consulted, else 0
  double apartNeighbour = 0.0;
  int far = 0;          // the sphere of farDensity where it was consulted, else 0
  double apartFar = 0.0;
};

// The criterion of the check, one for the verdict and its advice: the order own at the sphere of
// density d settles when the orders at the denser and at the neighbouring sphere (neighbourDensity)
// lie within kOrderTolerance of it and, where the denser one lies beyond kSteadyShare, the order
// at farDensity(d) lies within kOrderTolerance of it too (the neighbouring sphere is scanned only
// where the denser one agrees). A far sphere denser than farthest (the densest the caller scans)
// leaves the order unsettled; where no far sphere lies beyond the denser one, the denser and the
// neighbouring sphere decide alone.
Settling settlesOrder(int density, const double own[5], ScannedOrders& orders, int farthest);

// The verdict on the order saupe a model (who: "sma", "sma3D") reached on its sphere of nDots
// dots, own being what each of its orientations added. 0 when the order is a result: settlesOrder
// settles it on the spheres scanned by rescan (a progress line on stderr); an order above half the
// medium's own is then noted (one line on stderr and a REMARK for the table). 1 after a message
// naming the orders (Da_HN, R) and how far apart they lie, and the advice of dotAdvice; 1 without
// a message when a scan failed after its own. A zero tensor, or one the model noted wrong, is the verdict's to name
// (0 here).
int convergedOrRefuse(const char* who, const settings::KorimInfo& k, int nDots,
                      const OrientationWeights& own, const double saupe[5], const SphereScan& rescan);

// The advice of a refusal, one line: the -dot that korim found converged (settlesOrder settles
// its order, so its neighbouring sphere agrees as well as its denser ones), densities tried from
// four times the run's own (density) on by fours up to kDensestAdvised; or that none up to the
// densest tried converges (worded "in place of" the run's own -dot where the command line gives
// one). The orders come from orders, which holds those the run's verdict scanned; no sphere beyond
// four times the densest tried is scanned for it.
std::string dotAdvice(int density, ScannedOrders& orders);

// The REMARK lines a prediction of this run leaves for its table (an order above half the
// medium's), taken once: the module forgets them.
std::string takeOrderRemark();

// Forgets the spheres built and the remark; for tests.
void orderConvergenceReset();

// True when the order saupe of a model is zero within the precision of its sampling own: its
// size is at most kRoundingOrder, or at most twice the size of the order the sphere's
// orientations give uniform weights (the sphere is isotropic to some 1e-7 of a full order only).
bool orderWithinSampling(const OrientationWeights& own, const double saupe[5]);

// The floor of every model that records its orientations (the electrostatic models in
// convergedOrRefuse, the steric grid after its scan): notes the tensor zero for the verdict
// (noteTensorZero) when orderWithinSampling finds the order saupe zero; true then.
bool noteZeroWithinSampling(const OrientationWeights& own, const double saupe[5]);

// The size of an order (of the medium's, before -lcS) that the rounding of the sums over up to
// some 1e7 states leaves: an order this small is zero (|Da_HN| below 2e-5 Hz).
constexpr double kRoundingOrder = 1e-9;

// The densities the advice of a refusal at density d tries, in order: from 4 d on by fours up to
// kDensestAdvised, and kDensestAdvised itself where those steps stop at half of it or below.
std::vector<int> advisedDensities(int density);

// The status with which a prediction whose order its sphere does not settle returns while
// verdicts are collected (UnsettledOrders): no message is printed for it.
constexpr int kOrderUnsettled = -1;

// While one of these lives, convergedOrRefuse prints neither its refusal nor its advice: it notes
// the refusal (unsettledOrderTaken) and returns 1. A caller that predicts many states (the
// ensemble) thus learns every state's verdict by the one check, and advises once for all.
class UnsettledOrders {
 public:
  UnsettledOrders();
  ~UnsettledOrders();
  UnsettledOrders(const UnsettledOrders&) = delete;
  UnsettledOrders& operator=(const UnsettledOrders&) = delete;
};

// True while an UnsettledOrders lives: the checks note what they would refuse, silently.
bool unsettledOrdersCollected();

// While one of these lives, convergedOrRefuse passes every order unchecked: the check of the step
// of the positions (step_convergence.h) computes the orders it compares on the run's sphere.
class SphereCheckPaused {
 public:
  SphereCheckPaused();
  ~SphereCheckPaused();
  SphereCheckPaused(const SphereCheckPaused&) = delete;
  SphereCheckPaused& operator=(const SphereCheckPaused&) = delete;
};

// True while a SphereCheckPaused lives (a model's own checks of its sphere pass then too).
bool sphereCheckPaused();

// Da_HN (Hz) and R of the model's order s (before -lcS) as the table reports them: scaled by the
// medium's order and turned into the couplings' sign.
void daAndR(const settings::KorimInfo& k, const double s[5], double* daHN, double* R);

// True when convergedOrRefuse refused an order silently since the last call (the note is taken).
bool unsettledOrderTaken();

// ---------------------------------------------------------------------------------------------
// The third angle (-digPsi, the turns about each direction): every order checked by the TurnedScan
// form of convergedOrRefuse is held against the turns of twice (and, where kSteadyShare asks,
// four times) its own count on the run's sphere, as it is held against denser dots.

// Scans the model on the sphere of nDots dots with turns turns about each dot into w; where
// halfTurns is set, only the turns half a step on from those (psi = (m + 1/2) 360 / turns), whose
// records with those of the turns themselves are the records of 2 turns. False after a message when
// it cannot.
using TurnedScan =
    std::function<bool(const double* dots, int nDots, int turns, bool halfTurns, OrientationWeights* w)>;

// The default turns (-digPsi 18) and the most turns the advice names.
constexpr int kDefaultTurns = 18;
constexpr int kDensestTurns = 144;

// The turns an order is held against: twice its own; and, where the order at twice lies beyond
// kSteadyShare, four times.
int denserTurns(int turns);
int farTurns(int turns);

// The turns the advice of a refusal for its turns tries, fewest first: the default where the run's
// lie below it, then doublings of the default (or of the run's) up to kDensestTurns.
std::vector<int> advisedTurns(int turns);

// The orders of one prediction at the (density, turns) a check has scanned, each scanned once; the
// records of the scans are kept (up to a size) so that twice the turns scans only the half turns.
struct SampledOrders {
  const char* who = "sma";
  TurnedScan scan;
  std::map<std::pair<int, int>, std::array<double, 5>> at;
  std::map<std::pair<int, int>, OrientationWeights> records;
  // The order at (density, turns) into out; false after a message when it cannot be had.
  bool get(int density, int turns, double out[5]);
};

// settlesOrder on the orders at turns of orders (the dots' criterion with the turns held fixed).
Settling settlesOrderAt(int density, int turns, const double own[5], SampledOrders& orders, int farthest);

// What settlesTurns found for an order at its turns.
struct TurnSettling {
  bool scanned = true;
  bool settled = false;
  int denser = 0;  // twice the turns, and the order's distance from its order
  double apart = 0.0;
  int far = 0;     // four times the turns where consulted, else 0
  double apartFar = 0.0;
};

// The criterion of the turns: the order own at (density, turns) settles when the order at twice
// the turns lies within kOrderTolerance and, where it lies beyond kSteadyShare, the order at four
// times the turns lies within kOrderTolerance too.
TurnSettling settlesTurns(int density, int turns, const double own[5], SampledOrders& orders);

// The criterion of an order at its dots and turns, one for the verdict and its advice: the dots
// (v) and the turns (u) settle it each, and their two moves, on the denser sphere and with twice
// the turns, sum to kOrderTolerance at most. Each alone within a tenth does not keep the order
// within a tenth of the dense one: two copies of the example on the rod at -dot 400 lie 9.0 % from
// -dot 1600 and 7.7 % from -digPsi 36, but 14.4 % from the order at -dot 1000 -digPsi 72.
bool settledTogether(const Settling& v, const TurnSettling& u);

// The check of convergedOrRefuse above, with the turns held too: the order is a result where
// settledTogether holds. The refusal names -digPsi where the turns do not settle the order, and the
// two moves where each settles it but not together; its advice names a -digPsi and/or a -dot whose
// run answers. rescan scans the model at any density and turns.
int convergedOrRefuse(const char* who, const settings::KorimInfo& k, int nDots, const OrientationWeights& own,
                      const double saupe[5], const TurnedScan& rescan);

// True when convergedOrRefuse refused an order silently for its turns since the last call (the
// note is taken; unsettledOrderTaken takes the refusal itself).
bool unsettledTurnsTaken();

// The run's settings that scale the energies of the electrostatic models and differ from their
// defaults, as the command line gives them ("-temp 25 and -nacl 150"); "" when none does.
std::string energySettingsGiven();

// While one of these lives, a refusal of convergedOrRefuse whose advice finds no density at the
// run's step (-dGrid above the default) asks atDefaultStep whether the run at the default step
// answers with a density and turns (a quiet run with its sphere's check): the advice then names
// the default step with that density.
using DefaultStepRun = std::function<bool(int density, int turns)>;
class AdviceAtDefaultStep {
 public:
  explicit AdviceAtDefaultStep(DefaultStepRun run);
  ~AdviceAtDefaultStep();
  AdviceAtDefaultStep(const AdviceAtDefaultStep&) = delete;
  AdviceAtDefaultStep& operator=(const AdviceAtDefaultStep&) = delete;
};

}  // namespace korim::simulation
