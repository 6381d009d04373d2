// Whether the sphere of orientations settles the order of an electrostatic prediction.
#include "simulation/order_convergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <new>
#include <climits>
#include <cstdlib>
#include <utility>

#include "couplings/analyzeSaupe.h"
#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "foundation/constants.h"
#include "simulation/tensor_verdict.h"
#include "simulation/nsc.h"
#include "simulation/potential_overflow.h"
#include "settings/settings_null.h"

namespace korim::simulation {

namespace {

// Module state: the spheres built for the checks (by density), and the REMARK lines a prediction
// leaves for its table.
struct ConvergenceState {
  std::map<int, std::vector<double>> spheres;  // x, y, z per dot
  std::string remark;
  int collecting = 0;      // live UnsettledOrders
  int paused = 0;          // live SphereCheckPaused
  bool unsettled = false;  // a refusal noted silently, not yet taken
  bool unsettledTurns = false;  // ... and it was the turns that did not settle
  std::vector<const DefaultStepRun*> atDefaultStep;  // live AdviceAtDefaultStep, innermost last
};

ConvergenceState conv;

// Frobenius size of the 3x3 order matrix of s: Sxx and Syy follow from the trace.
double frobenius(const double s[5]) {
  const double zz = s[0], d = s[1];
  return std::sqrt(1.5 * zz * zz + 0.5 * d * d + 2.0 * (s[2] * s[2] + s[3] * s[3] + s[4] * s[4]));
}

// The largest principal value of the order matrix s: 1 for a molecule held along the medium's
// director, so the share of the medium's order it reaches.
double principalOrder(const double s[5]) {
  double psi[8], theta[8], phi[8], alpha[4], beta[4], gamma[4], vec[3][3], val[3];
  couplings::saupe2eulerTq(s, psi, theta, phi, alpha, beta, gamma, vec, val, 0, 0);
  return std::fabs(val[0]);
}

// The span (kT) of the orientations' lowest energies, each -ln of its largest weight.
double energySpan(const OrientationWeights& w) {
  double lo = INFINITY, hi = -INFINITY;
  for (double m : w.wMax)
    if (m > 0.0) {
      const double e = -std::log(m);
      lo = std::fmin(lo, e), hi = std::fmax(hi, e);
    }
  return hi >= lo ? hi - lo : 0.0;
}

// The sphere of density d, scanned by rescan into w.
bool scanAt(int density, const SphereScan& rescan, OrientationWeights* w) {
  int n = 0;
  const double* dots = sphereOfDensity(density, &n);
  return dots != nullptr && rescan(dots, n, w);
}

int orientationsOf(const settings::KorimInfo& k, int density);

// The run's own order: the average of what its orientations added, or saupe where that has none.
void ownOrder(const OrientationWeights& own, const double saupe[5], double mine[5]) {
  if (!orientationAverage(own, mine))
    for (int j = 0; j < 5; j++) mine[j] = saupe[j];
}

// The verdict of the denser and the neighbouring sphere on the order of a run of density, and of
// the far sphere where the denser one moves it by more than half a tenth. settle(farthest) asks
// the criterion with the densest sphere it may scan. The far sphere's line goes out before it is
// scanned: the criterion is asked first whether the denser and the neighbouring sphere decide.
Settling dotsVerdict(const settings::KorimInfo& k, int density, const std::function<Settling(int farthest)>& settle) {
  Settling v = settle(denserDensity(density));
  if (!v.scanned || v.settled || v.apart > kOrderTolerance || v.apartNeighbour > kOrderTolerance) return v;
  const int far = farDensity(density);
  std::fprintf(stderr,
               "REMARK The order lies %.1f %% of its size from that of the denser sphere, more than half a tenth: it "
               "is checked on the sphere of -dot %d (%d orientations) too.\n",
               100.0 * v.apart, far, orientationsOf(k, far));
  return settle(kUnspMaxDensity);
}

int orientationsOf(const settings::KorimInfo& k, int density) {
  int n = 0;
  return sphereOfDensity(density, &n) != nullptr ? n * k.digPsiNSC : 0;
}

}  // namespace

void daAndR(const settings::KorimInfo& k, const double s[5], double* daHN, double* R) {
  double t[5], irr[5], g = 0.0, vec[3][3], val[3], da = 0.0, dr = 0.0, al[4], be[4], ga[4];
  for (int j = 0; j < 5; j++) t[j] = -static_cast<double>(k.lcOrder) * s[j];
  couplings::analyzeSaupe(t, irr, &g, vec, val, k.yzFlag, &da, &dr, al, be, ga, 0);
  *daHN = da * foundation::kDipolarNH;
  *R = da != 0.0 ? dr / da : 0.0;
}

void OrientationWeights::resize(int n) {
  a.assign(static_cast<size_t>(n), 0.0);
  c.assign(static_cast<size_t>(n), 0.0);
  wMax.assign(static_cast<size_t>(n), 0.0);
  s.assign(static_cast<size_t>(n), {0, 0, 0, 0, 0});
}

bool orientationAverage(const OrientationWeights& w, double out[5]) {
  const int n = w.size();
  if (n == 0) return false;
  double m[5] = {0, 0, 0, 0, 0};
  if (w.lessMean) {
    for (int o = 0; o < n; o++)
      for (int j = 0; j < 5; j++) m[j] += w.s[o][j];
    for (int j = 0; j < 5; j++) m[j] /= n;
  }
  double sum[5] = {0, 0, 0, 0, 0}, T = 0.0;
  for (int o = 0; o < n; o++) {
    for (int j = 0; j < 5; j++) sum[j] += w.a[o] * (w.s[o][j] - m[j]);
    T += w.a[o] + w.cFactor * w.c[o] + w.perOrientation;
  }
  if (!(T > 0.0)) return false;
  for (int j = 0; j < 5; j++) {
    out[j] = sum[j] / T;
    if (!std::isfinite(out[j])) return false;
  }
  return true;
}

double orderSize(const double s[5]) { return frobenius(s); }

double orderDistance(const double a[5], const double b[5]) {
  const double size = frobenius(b);
  if (!(size > 0.0)) return INFINITY;
  double d[5];
  for (int j = 0; j < 5; j++) d[j] = a[j] - b[j];
  return frobenius(d) / size;
}

int sphereDensityOf(const settings::KorimInfo& k, int nDots) {
  int n = 0;
  if (k.densityNSC >= kUnspMinDensity && k.densityNSC <= kUnspMaxDensity &&
      sphereOfDensity(k.densityNSC, &n) != nullptr && n == nDots)
    return k.densityNSC;
  return nDots;
}

int denserDensity(int density) { return 4 * density; }

int neighbourDensity(int density) { return static_cast<int>(3LL * density / 2); }

int farDensity(int density) {
  return 16LL * density > kUnspMaxDensity ? kUnspMaxDensity : 16 * density;
}

const double* sphereOfDensity(int density, int* nDots) {
  const auto it = conv.spheres.find(density);
  if (it != conv.spheres.end()) {
    *nDots = static_cast<int>(it->second.size() / 3);
    return it->second.data();
  }
  // The module's own sphere, copied: do_unsp would hand out a copy kept for the whole process.
  int n = 0;
  const double* dots = nullptr;
  if (density < kUnspMinDensity || density > kUnspMaxDensity ||
      make_unsp(density, -unsp_type(density), &n, 4) != 0 || (dots = unspCurrentDots(&n)) == nullptr ||
      n < 1) {
    std::fprintf(stderr, "korim: the sphere of orientations of density %d cannot be built.\n", density);
    return nullptr;
  }
  try {
    std::vector<double>& kept = conv.spheres[density];
    kept.assign(dots, dots + 3 * static_cast<size_t>(n));
    *nDots = n;
    return kept.data();
  } catch (const std::bad_alloc&) {
    conv.spheres.erase(density);
    std::fprintf(stderr, "korim: no memory for the sphere of orientations of density %d.\n", density);
    return nullptr;
  }
}

bool ScannedOrders::get(int density, double out[5]) {
  const auto it = at.find(density);
  if (it == at.end()) {
    OrientationWeights w;
    if (!scanAt(density, rescan, &w)) return false;
    double o[5];
    if (!orientationAverage(w, o)) {
      std::fprintf(stderr, "%s: the sphere of -dot %d gives no finite average of the allowed states.\n", who,
                   density);
      return false;
    }
    std::copy(o, o + 5, out);
    at[density] = {o[0], o[1], o[2], o[3], o[4]};
    return true;
  }
  std::copy(it->second.begin(), it->second.end(), out);
  return true;
}

namespace {

// The criterion of settlesOrder on the orders get gives.
template <typename Get>
Settling settlesWith(int density, const double own[5], Get&& get, int farthest) {
  Settling v;
  double other[5];
  v.denser = denserDensity(density);
  if (!get(v.denser, other)) return v.scanned = false, v;
  v.apart = orderDistance(own, other);
  if (!(v.apart <= kOrderTolerance)) return v;
  v.neighbour = neighbourDensity(density);
  if (!get(v.neighbour, other)) return v.scanned = false, v;
  v.apartNeighbour = orderDistance(own, other);
  if (!(v.apartNeighbour <= kOrderTolerance)) return v;
  const int far = farDensity(density);
  if (v.apart <= kSteadyShare || far <= v.denser) return v.settled = true, v;
  if (far > farthest) return v;
  v.far = far;
  if (!get(far, other)) return v.scanned = false, v;
  v.apartFar = orderDistance(own, other);
  v.settled = v.apartFar <= kOrderTolerance;
  return v;
}

// The line of an advice that found no density among tried (one or more) whose denser spheres
// confirm its order.
std::string noDensityConfirmed(const char* who, const std::vector<int>& tried) {
  char line[400];
  if (tried.size() == 1)
    std::snprintf(line, sizeof line,
                  "%s: the sphere of -dot %d, the one density tried, gives no order that its denser spheres "
                  "confirm within a tenth.\n",
                  who, tried.front());
  else
    std::snprintf(line, sizeof line,
                  "%s: no sphere from -dot %d up to -dot %d, the densest tried, gives an order that its "
                  "denser spheres confirm within a tenth.\n",
                  who, tried.front(), tried.back());
  return line;
}

}  // namespace

Settling settlesOrder(int density, const double own[5], ScannedOrders& orders, int farthest) {
  return settlesWith(density, own, [&orders](int d, double out[5]) { return orders.get(d, out); }, farthest);
}

Settling settlesOrderAt(int density, int turns, const double own[5], SampledOrders& orders, int farthest) {
  return settlesWith(density, own, [&orders, turns](int d, double out[5]) { return orders.get(d, turns, out); },
                     farthest);
}

std::string dotAdvice(int density, ScannedOrders& orders) {
  const char* who = orders.who;
  const std::vector<int> tried = advisedDensities(density);
  char line[512];
  if (tried.empty()) {
    std::snprintf(line, sizeof line,
                  "%s: korim tries no sphere beyond -dot %d for a density that converges.\n", who,
                  kDensestAdvised);
    return line;
  }
  // A density tried takes the spheres of one and a half, four and sixteen times it; those of four
  // and sixteen times are mostly those of the next densities tried. A density whose sixteen times
  // lies beyond four times the densest tried (-dot 8000) is not named: the advice scans no sphere
  // beyond it.
  for (const int c : tried) {
    double at[5];
    if (!orders.get(c, at)) return "";
    const Settling v = settlesOrder(c, at, orders, denserDensity(kDensestAdvised));
    if (!v.scanned) return "";
    if (!v.settled) continue;
    const std::string answers = foundation::adviseOption("-dot", std::to_string(c));
    if (v.far == 0)
      std::snprintf(line, sizeof line,
                    "%s: on the sphere of -dot %d the order agrees with those of its denser spheres "
                    "(-dot %d and %d) within a tenth: %s answers.\n",
                    who, c, v.neighbour, v.denser, answers.c_str());
    else
      std::snprintf(line, sizeof line,
                    "%s: on the sphere of -dot %d the order agrees with those of its denser spheres "
                    "(-dot %d, %d and %d) within a tenth: %s answers.\n",
                    who, c, v.neighbour, v.denser, v.far, answers.c_str());
    return line;
  }
  return noDensityConfirmed(who, tried);
}

namespace {

// The refusal of an order the spheres of v do not settle: each order (Da_HN, R) and its distance
// from the run's, with the advice.
void refuseDots(const char* who, const settings::KorimInfo& k, int density, int nDots, const double mine[5],
                const Settling& v, ScannedOrders& orders) {
  double da1, r1, da2, r2, denser[5];
  orders.get(v.denser, denser);
  daAndR(k, mine, &da1, &r1);
  daAndR(k, denser, &da2, &r2);
  // The spheres consulted beyond the denser one, each with its order and distance.
  std::vector<std::pair<int, double>> more;
  if (v.neighbour != 0) more.emplace_back(v.neighbour, v.apartNeighbour);
  if (v.far != 0) more.emplace_back(v.far, v.apartFar);
  std::string further;
  for (size_t i = 0; i < more.size(); i++) {
    double o[5], da, r;
    orders.get(more[i].first, o);
    daAndR(k, o, &da, &r);
    char text[300];
    std::snprintf(text, sizeof text,
                  ",%s on the sphere of -dot %d (%d orientations) Da_HN %.1f Hz and R %.3f, %.1f %% of that "
                  "order's size apart",
                  i + 1 == more.size() ? " and" : "", more[i].first, orientationsOf(k, more[i].first), da, r,
                  100.0 * more[i].second);
    further += text;
  }
  std::fprintf(stderr,
               "%s: the sphere of orientations does not settle this prediction's order: on the "
               "sphere of -dot %d (%d orientations) it gives Da_HN %.1f Hz and R %.3f, on the denser "
               "sphere of -dot %d (%d orientations) Da_HN %.1f Hz and R %.3f, %.1f %% of that order's "
               "size apart%s, more than a tenth; no alignment computed.\n",
               who, density, nDots * k.digPsiNSC, da1, r1, v.denser, orientationsOf(k, v.denser), da2, r2,
               100.0 * v.apart, further.c_str());
}

// The note of an order above half the medium's (a line on stderr and a REMARK for the table).
void noteHighOrder(const char* who, const settings::KorimInfo& k, const OrientationWeights& own, const double saupe[5],
                   int density, int neighbour, int dense) {
  const double share = principalOrder(saupe);
  if (!(share > 0.5)) return;
  char text[400];
  std::snprintf(text, sizeof text,
                "he predicted order is %.1f %% of the medium's (-lcS %.3f), above half of it: the "
                "molecule is held near one orientation, the lowest energies of its orientations "
                "spanning %.1f kT",
                100.0 * share, static_cast<double>(k.lcOrder), energySpan(own));
  std::fprintf(stderr, "%s: t%s; the sphere of orientations settles it (-dot %d, %d and %d agree).\n",
               who, text, density, neighbour, dense);
  conv.remark += std::string("REMARK T") + text + ".\n";
}

}  // namespace

int convergedOrRefuse(const char* who, const settings::KorimInfo& k, int nDots,
                      const OrientationWeights& own, const double saupe[5], const SphereScan& rescan) {
  if (conv.paused > 0 || tensorIsZero(saupe) || tensorNotedIncorrect()) return 0;
  if (noteZeroWithinSampling(own, saupe)) return 0;
  const int density = sphereDensityOf(k, nDots);
  const int dense = denserDensity(density), neighbour = neighbourDensity(density);
  std::fprintf(stderr,
               "REMARK The order is checked on the denser spheres of -dot %d and %d (%d and %d orientations).\n",
               neighbour, dense, orientationsOf(k, neighbour), orientationsOf(k, dense));
  double mine[5];
  ownOrder(own, saupe, mine);
  ScannedOrders orders{who, rescan, {}};
  orders.at[density] = {mine[0], mine[1], mine[2], mine[3], mine[4]};
  const Settling v = dotsVerdict(k, density, [&](int farthest) { return settlesOrder(density, mine, orders, farthest); });
  if (!v.scanned) return 1;
  if (!v.settled) {
    if (conv.collecting > 0) return conv.unsettled = true, 1;
    refuseDots(who, k, density, nDots, mine, v, orders);
    std::fputs(dotAdvice(density, orders).c_str(), stderr);
    return 1;
  }
  noteHighOrder(who, k, own, saupe, density, neighbour, dense);
  return 0;
}

std::string takeOrderRemark() {
  std::string r;
  r.swap(conv.remark);
  return r;
}

void orderConvergenceReset() {
  conv.spheres.clear();
  conv.remark.clear();
  conv.collecting = 0;
  conv.paused = 0;
  conv.unsettled = false;
  conv.unsettledTurns = false;
}

std::vector<int> advisedDensities(int density) {
  std::vector<int> tried;
  for (long long c = denserDensity(density); c <= kDensestAdvised; c *= 4) tried.push_back(static_cast<int>(c));
  // The densest density is tried too where the steps by four stop at half of it or below (a run
  // of -dot 150 tries 600, and then 2000 rather than nothing).
  if (tried.empty() ? density < kDensestAdvised : tried.back() <= kDensestAdvised / 2)
    tried.push_back(kDensestAdvised);
  return tried;
}

UnsettledOrders::UnsettledOrders() {
  conv.collecting++;
  conv.unsettled = false;
}

UnsettledOrders::~UnsettledOrders() {
  if (--conv.collecting == 0) conv.unsettled = conv.unsettledTurns = false;
}

bool unsettledOrdersCollected() { return conv.collecting > 0; }

SphereCheckPaused::SphereCheckPaused() { conv.paused++; }

SphereCheckPaused::~SphereCheckPaused() { conv.paused--; }

bool sphereCheckPaused() { return conv.paused > 0; }

bool unsettledOrderTaken() {
  const bool was = conv.unsettled;
  conv.unsettled = false;
  return was;
}

bool orderWithinSampling(const OrientationWeights& own, const double saupe[5]) {
  double m[5] = {0, 0, 0, 0, 0};
  const int n = own.size();
  for (int o = 0; o < n; o++)
    for (int j = 0; j < 5; j++) m[j] += own.s[o][j];
  for (int j = 0; j < 5 && n > 0; j++) m[j] /= n;
  return orderSize(saupe) <= std::fmax(kRoundingOrder, 2.0 * orderSize(m));
}

bool noteZeroWithinSampling(const OrientationWeights& own, const double saupe[5]) {
  if (!orderWithinSampling(own, saupe)) return false;
  noteTensorZero();
  return true;
}

// ---------------------------------------------------------------------------------------------
// The turns about each direction (-digPsi).

int denserTurns(int turns) { return 2 * turns; }

int farTurns(int turns) { return 4 * turns; }

std::vector<int> advisedTurns(int turns) {
  // Below the default the advice names the default first: fewer turns that pass their doubled
  // turns may lie near a tenth from the dense order (the example's charged rod at -digPsi 12
  // passes at 8.6 % from -digPsi 24 and lies 9.0 % from -dot 1000 -digPsi 72; at 18 5.9 %).
  std::vector<int> tried;
  if (turns < kDefaultTurns) tried.push_back(kDefaultTurns);
  for (long long c = 2LL * std::max(turns, kDefaultTurns); c <= kDensestTurns; c *= 2)
    tried.push_back(static_cast<int>(c));
  return tried;
}

namespace {

// Records kept for the scan of twice their turns: up to this many orientations in all (64 bytes
// each: some 64 MB).
constexpr long long kKeptRecords = 1 << 20;

// The orientations the records of orders hold.
long long recordsHeld(const SampledOrders& orders) {
  long long n = 0;
  for (const auto& [key, w] : orders.records) n += w.size();
  return n;
}

// The records of b appended to a (the orientations of both; the divisor terms of a).
void appendRecords(OrientationWeights& a, const OrientationWeights& b) {
  a.a.insert(a.a.end(), b.a.begin(), b.a.end());
  a.c.insert(a.c.end(), b.c.begin(), b.c.end());
  a.wMax.insert(a.wMax.end(), b.wMax.begin(), b.wMax.end());
  a.s.insert(a.s.end(), b.s.begin(), b.s.end());
}

int orientationsAt(int density, int turns) {
  int n = 0;
  return sphereOfDensity(density, &n) != nullptr ? n * turns : 0;
}

}  // namespace

bool SampledOrders::get(int density, int turns, double out[5]) {
  const std::pair<int, int> key{density, turns};
  if (const auto it = at.find(key); it != at.end()) {
    std::copy(it->second.begin(), it->second.end(), out);
    return true;
  }
  int n = 0;
  const double* dots = sphereOfDensity(density, &n);
  if (dots == nullptr || static_cast<long long>(n) * turns > INT_MAX / 2) {
    if (dots != nullptr)
      std::fprintf(stderr, "%s: the sphere of -dot %d with -digPsi %d holds too many orientations.\n", who, density,
                   turns);
    return false;
  }
  OrientationWeights w;
  const auto half = turns % 2 == 0 ? records.find({density, turns / 2}) : records.end();
  try {
    if (half != records.end()) {
      OrientationWeights more;
      if (!scan(dots, n, turns / 2, true, &more)) return false;
      w = half->second;
      appendRecords(w, more);
    } else if (!scan(dots, n, turns, false, &w)) {
      return false;
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: no memory for the orientations of -dot %d with -digPsi %d.\n", who, density, turns);
    return false;
  }
  double o[5];
  if (!orientationAverage(w, o)) {
    std::fprintf(stderr, "%s: the sphere of -dot %d with -digPsi %d gives no finite average of the allowed states.\n",
                 who, density, turns);
    return false;
  }
  at[key] = {o[0], o[1], o[2], o[3], o[4]};
  if (recordsHeld(*this) + w.size() <= kKeptRecords) records[key] = std::move(w);
  std::copy(o, o + 5, out);
  return true;
}

bool settledTogether(const Settling& v, const TurnSettling& u) {
  return v.settled && u.settled && v.apart + u.apart <= kOrderTolerance;
}

TurnSettling settlesTurns(int density, int turns, const double own[5], SampledOrders& orders) {
  TurnSettling u;
  double other[5];
  u.denser = denserTurns(turns);
  if (!orders.get(density, u.denser, other)) return u.scanned = false, u;
  u.apart = orderDistance(own, other);
  if (!(u.apart <= kOrderTolerance)) return u;
  if (u.apart <= kSteadyShare) return u.settled = true, u;
  u.far = farTurns(turns);
  if (!orders.get(density, u.far, other)) return u.scanned = false, u;
  u.apartFar = orderDistance(own, other);
  u.settled = u.apartFar <= kOrderTolerance;
  return u;
}

std::string energySettingsGiven() {
  settings::ElInfo d{};
  settings::elInfoNull(&d);
  const struct {
    const char* option;
    double fallback;
  } scales[] = {{"-chSurf", d.chDensSurf}, {"-temp", d.temperaturePot}, {"-nacl", d.concNaCl}, {"-pH", d.pH},
                {"-kEne", d.kEnergy},      {"-kPot", d.kPot},          {"-kMono", d.kMonoCh},  {"-kDipo", d.kDipoCh},
                {"-kQuad", d.kQuadCh},     {"-lcS", 0.0},              {"-chSel", 0.0}};
  std::vector<std::string> items;
  for (const auto& sc : scales) {
    const std::string given = foundation::givenOption(sc.option);
    if (given.empty()) continue;
    const size_t space = given.find(' ');
    char* end = nullptr;
    const std::string value = space == std::string::npos ? "" : given.substr(space + 1);
    const double v = std::strtod(value.c_str(), &end);
    if (!value.empty() && end != nullptr && *end == '\0' && static_cast<float>(v) == static_cast<float>(sc.fallback))
      continue;
    items.push_back(given);
  }
  return foundation::listedItems(items);
}

namespace {

// The line naming the run's energy settings that differ from their defaults, for a refusal that
// finds no density; "" when it gives none.
std::string energyLine(const char* who) {
  const std::string given = energySettingsGiven();
  if (given.empty()) return "";
  return std::string(who) + ": this run's settings that scale the energies of its states and differ from their "
         "defaults: " + given + ".\n";
}

// A density d and turns t as the advice names them, against the run's own (density, turns).
std::string advisedSampling(int d, int t, int density, int turns) {
  std::vector<foundation::AdvisedOption> o;
  if (t != turns) o.push_back({"-digPsi", std::to_string(t)});
  if (d != density) o.push_back({"-dot", std::to_string(d)});
  return foundation::adviseOptions(o);
}

// Where the advice at the run's step finds no density: the run at the default step asked with the
// densities tried (the run's own first), the first that answers named with the default step.
std::string atDefaultStepAdvice(const char* who, const settings::KorimInfo& k, int density, int turns) {
  if (conv.atDefaultStep.empty()) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(settings::kGridSpacingDefault));
  const double def = std::strtod(text, nullptr);
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(k.gridSpacing));
  if (!(std::strtod(text, nullptr) > def)) return "";
  const DefaultStepRun& run = *conv.atDefaultStep.back();
  std::vector<int> tried = {density};
  for (int c : advisedDensities(density)) tried.push_back(c);
  std::snprintf(text, sizeof text, "%.7g", def);
  for (int c : tried) {
    if (!run(c, turns)) continue;
    std::vector<foundation::AdvisedOption> o = {{"-dGrid", text}};
    if (c != density) o.push_back({"-dot", std::to_string(c)});
    if (turns != k.digPsiNSC) o.push_back({"-digPsi", std::to_string(turns)});
    char line[600];
    std::snprintf(line, sizeof line,
                  "%s: at the default step of the positions the sphere of -dot %d settles the order, checked as that "
                  "run checks it: %s answers.\n",
                  who, c, foundation::adviseOptions(o).c_str());
    return line;
  }
  char line[400];
  std::snprintf(line, sizeof line,
                "%s: at the default step of the positions (-dGrid %s) no sphere from -dot %d up to -dot %d settles the "
                "order either.\n",
                who, text, tried.front(), tried.back());
  return line;
}

}  // namespace

namespace {

// What a refused order at its dots and turns lacks: its dots, its turns, or the two settle it each
// but move it together by more than a tenth.
enum class Unsettled { dots, turns, together };

// The advice of a refusal at (density, turns), one or two lines: where the turns settle (dots), a
// density that settles the order at the run's turns; else turns from advisedTurns, the first whose
// denser turns settle the order on the run's sphere, with the run's density or the first of
// advisedDensities at which the dots settle it too; where the two settle it each (together), the
// densities at the run's turns first, then those turns. Every density and turns named is checked
// as its run checks it (settledTogether). The line that finds none names the run's energy settings
// that differ from their defaults, and the default step where the run's step lies above it.
std::string samplingAdvice(const char* who, const settings::KorimInfo& k, int density, int turns, Unsettled lacks,
                           SampledOrders& orders) {
  std::vector<int> candidates = lacks == Unsettled::turns ? advisedTurns(turns) : std::vector<int>{turns};
  if (lacks == Unsettled::together)
    for (int t : advisedTurns(turns)) candidates.push_back(t);
  char line[700];
  int held = 0;  // turns that settle on the run's sphere, where no density settles the dots
  for (const int t : candidates) {
    double at[5];
    if (!orders.get(density, t, at)) return "";
    TurnSettling first;
    if (t != turns) {
      first = settlesTurns(density, t, at, orders);
      if (!first.scanned) return "";
      if (!first.settled) continue;
    }
    std::vector<int> dens;
    if (t != turns) dens.push_back(density);
    for (int c : advisedDensities(density)) dens.push_back(c);
    for (const int c : dens) {
      double own[5];
      if (!orders.get(c, t, own)) return "";
      const Settling v = settlesOrderAt(c, t, own, orders, denserDensity(kDensestAdvised));
      if (!v.scanned) return "";
      if (!v.settled) continue;
      TurnSettling u = first;
      if (c != density || t == turns) {
        u = settlesTurns(c, t, own, orders);
        if (!u.scanned) return "";
      }
      if (!settledTogether(v, u)) continue;
      const std::string answers = advisedSampling(c, t, density, turns);
      char spheres[80];
      if (v.far != 0)
        std::snprintf(spheres, sizeof spheres, "-dot %d, %d and %d", v.neighbour, v.denser, v.far);
      else
        std::snprintf(spheres, sizeof spheres, "-dot %d and %d", v.neighbour, v.denser);
      std::snprintf(line, sizeof line,
                    "%s: on the sphere of -dot %d with -digPsi %d the order agrees with those of its denser spheres "
                    "(%s) and of its denser turns (-digPsi %d) within a tenth: %s answers.\n",
                    who, c, t, spheres, denserTurns(t), answers.c_str());
      return line;
    }
    if (t == turns) continue;  // no density at the run's turns: the advised turns next, if any
    held = t;
    break;
  }
  std::string none;
  const std::vector<int> tried = advisedDensities(density);
  if (held != 0 && !tried.empty()) {
    std::snprintf(line, sizeof line,
                  "%s: with -digPsi %d the turns settle the order, but no sphere from -dot %d up to -dot %d, the "
                  "densest tried, gives an order that its denser spheres confirm within a tenth.\n",
                  who, held, held != turns ? density : tried.front(), tried.back());
    none = line;
  } else if (held == 0 && lacks != Unsettled::dots) {
    const int fewest = lacks == Unsettled::together && candidates.size() > 1 ? candidates[1] : candidates.front();
    std::snprintf(line, sizeof line,
                  "%s: no turns from -digPsi %d up to -digPsi %d, the most tried, give an order on the sphere of -dot "
                  "%d that its denser turns confirm within a tenth.\n",
                  who, fewest, candidates.back(), density);
    return line + energyLine(who);
  } else if (!tried.empty()) {
    none = noDensityConfirmed(who, tried);
  } else {
    std::snprintf(line, sizeof line, "%s: korim tries no sphere beyond -dot %d for a density that converges.\n", who,
                  kDensestAdvised);
    none = line;
  }
  return none + atDefaultStepAdvice(who, k, density, held != 0 ? held : turns) + energyLine(who);
}

// The refusal of an order its turns do not settle: each order (Da_HN, R) and its distance.
void refuseTurns(const char* who, const settings::KorimInfo& k, int density, int turns, const double mine[5],
                 const TurnSettling& u, const Settling& v, SampledOrders& orders) {
  double da1, r1, da2, r2, o[5];
  orders.get(density, u.denser, o);
  daAndR(k, mine, &da1, &r1);
  daAndR(k, o, &da2, &r2);
  std::string further;
  if (u.far != 0) {
    double da3, r3;
    orders.get(density, u.far, o);
    daAndR(k, o, &da3, &r3);
    foundation::appendf(further, ", and with -digPsi %d (%d orientations) Da_HN %.1f Hz and R %.3f, %.1f %% of that "
                        "order's size apart", u.far, orientationsAt(density, u.far), da3, r3, 100.0 * u.apartFar);
  }
  std::string dots;
  if (!v.settled) {
    // The sphere that does not settle it: the far one where consulted, else the first that lies beyond a tenth.
    const bool denserOff = !(v.apart <= kOrderTolerance);
    const int sphere = v.far != 0 ? v.far : denserOff || v.neighbour == 0 ? v.denser : v.neighbour;
    const double off = v.far != 0 ? v.apartFar : denserOff || v.neighbour == 0 ? v.apart : v.apartNeighbour;
    foundation::appendf(dots, " The sphere of -dot %d does not settle it either (its order %.1f %% of that order's size "
                        "apart).", sphere, 100.0 * off);
  }
  std::fprintf(stderr,
               "%s: the turns about each direction (-digPsi %d) do not settle this prediction's order: with -digPsi %d "
               "on the sphere of -dot %d (%d orientations) it gives Da_HN %.1f Hz and R %.3f, with -digPsi %d (%d "
               "orientations) Da_HN %.1f Hz and R %.3f, %.1f %% of that order's size apart%s, more than a tenth; no "
               "alignment computed.%s\n",
               who, turns, turns, density, orientationsAt(density, turns), da1, r1, u.denser,
               orientationsAt(density, u.denser), da2, r2, 100.0 * u.apart, further.c_str(), dots.c_str());
  std::fputs(samplingAdvice(who, k, density, turns, Unsettled::turns, orders).c_str(), stderr);
}

// The refusal of an order its dots and its turns settle each, but whose two moves together lie beyond
// a tenth: the orders (Da_HN, R) of the denser sphere and of twice the turns, and their moves.
void refuseTogether(const char* who, const settings::KorimInfo& k, int density, int turns, const double mine[5],
                    const Settling& v, const TurnSettling& u, SampledOrders& orders) {
  double da1, r1, da2, r2, da3, r3, o[5];
  daAndR(k, mine, &da1, &r1);
  orders.get(v.denser, turns, o);
  daAndR(k, o, &da2, &r2);
  orders.get(density, u.denser, o);
  daAndR(k, o, &da3, &r3);
  std::fprintf(stderr,
               "%s: the sphere of orientations and the turns about each direction together do not settle this "
               "prediction's order: on the sphere of -dot %d with -digPsi %d (%d orientations) it gives Da_HN %.1f Hz "
               "and R %.3f, on the denser sphere of -dot %d Da_HN %.1f Hz and R %.3f (%.1f %% of that order's size "
               "apart), with -digPsi %d Da_HN %.1f Hz and R %.3f (%.1f %% apart); each within a tenth, the two "
               "moves together %.1f %%, more than a tenth; no alignment computed.\n",
               who, density, turns, orientationsAt(density, turns), da1, r1, v.denser, da2, r2, 100.0 * v.apart,
               u.denser, da3, r3, 100.0 * u.apart, 100.0 * (v.apart + u.apart));
  std::fputs(samplingAdvice(who, k, density, turns, Unsettled::together, orders).c_str(), stderr);
}

}  // namespace

int convergedOrRefuse(const char* who, const settings::KorimInfo& k, int nDots, const OrientationWeights& own,
                      const double saupe[5], const TurnedScan& rescan) {
  if (conv.paused > 0 || tensorIsZero(saupe) || tensorNotedIncorrect()) return 0;
  if (noteZeroWithinSampling(own, saupe)) return 0;
  const int density = sphereDensityOf(k, nDots), turns = k.digPsiNSC;
  const int dense = denserDensity(density), neighbour = neighbourDensity(density);
  std::fprintf(stderr,
               "REMARK The order is checked on the denser spheres of -dot %d and %d (%d and %d orientations).\n",
               neighbour, dense, orientationsOf(k, neighbour), orientationsOf(k, dense));
  std::fprintf(stderr, "REMARK The order is checked with the denser turns of -digPsi %d (%d orientations) too.\n",
               denserTurns(turns), orientationsAt(density, denserTurns(turns)));
  double mine[5];
  ownOrder(own, saupe, mine);
  SampledOrders orders{who, rescan, {}, {}};
  orders.at[{density, turns}] = {mine[0], mine[1], mine[2], mine[3], mine[4]};
  if (own.size() <= kKeptRecords) orders.records[{density, turns}] = own;  // the first kept
  const Settling v = dotsVerdict(
      k, density, [&](int farthest) { return settlesOrderAt(density, turns, mine, orders, farthest); });
  if (!v.scanned) return 1;
  const TurnSettling u = settlesTurns(density, turns, mine, orders);
  if (!u.scanned) return 1;
  if (u.far != 0)
    std::fprintf(stderr,
                 "REMARK The order lies %.1f %% of its size from that of the denser turns, more than half a tenth: it "
                 "is checked with -digPsi %d (%d orientations) too.\n",
                 100.0 * u.apart, u.far, orientationsAt(density, u.far));
  if (!settledTogether(v, u)) {
    if (conv.collecting > 0) return conv.unsettled = true, conv.unsettledTurns = !u.settled, 1;
    if (!u.settled) {
      refuseTurns(who, k, density, turns, mine, u, v, orders);
      return 1;
    }
    if (v.settled) {
      refuseTogether(who, k, density, turns, mine, v, u, orders);
      return 1;
    }
    ScannedOrders view{who, [&orders, turns](const double* d, int n, OrientationWeights* w) {
                         return orders.scan(d, n, turns, false, w);
                       }, {}};
    for (const auto& [key, o] : orders.at)
      if (key.second == turns) view.at[key.first] = o;
    refuseDots(who, k, density, nDots, mine, v, view);
    std::fputs(samplingAdvice(who, k, density, turns, Unsettled::dots, orders).c_str(), stderr);
    return 1;
  }
  noteHighOrder(who, k, own, saupe, density, neighbour, dense);
  return 0;
}

bool unsettledTurnsTaken() {
  const bool was = conv.unsettledTurns;
  conv.unsettledTurns = false;
  return was;
}

AdviceAtDefaultStep::AdviceAtDefaultStep(DefaultStepRun run) {
  conv.atDefaultStep.push_back(new DefaultStepRun(std::move(run)));
}

AdviceAtDefaultStep::~AdviceAtDefaultStep() {
  delete conv.atDefaultStep.back();
  conv.atDefaultStep.pop_back();
}

}  // namespace korim::simulation
