// Whether the sphere of orientations settles the order of an electrostatic prediction.
#include "simulation/order_convergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <new>
#include <utility>

#include "couplings/analyzeSaupe.h"
#include "foundation/advice.h"
#include "foundation/constants.h"
#include "simulation/tensor_verdict.h"
#include "simulation/nsc.h"

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

Settling settlesOrder(int density, const double own[5], ScannedOrders& orders, int farthest) {
  Settling v;
  double other[5];
  v.denser = denserDensity(density);
  if (!orders.get(v.denser, other)) return v.scanned = false, v;
  v.apart = orderDistance(own, other);
  if (!(v.apart <= kOrderTolerance)) return v;
  v.neighbour = neighbourDensity(density);
  if (!orders.get(v.neighbour, other)) return v.scanned = false, v;
  v.apartNeighbour = orderDistance(own, other);
  if (!(v.apartNeighbour <= kOrderTolerance)) return v;
  const int far = farDensity(density);
  if (v.apart <= kSteadyShare || far <= v.denser) return v.settled = true, v;
  if (far > farthest) return v;
  v.far = far;
  if (!orders.get(far, other)) return v.scanned = false, v;
  v.apartFar = orderDistance(own, other);
  v.settled = v.apartFar <= kOrderTolerance;
  return v;
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

namespace {

// The refusal of an order the spheres of v do not settle: each order (Da_HN, R) and its distance
// from the run's, with the advice.
void refuse(const char* who, const settings::KorimInfo& k, int density, int nDots, const double mine[5],
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
  std::fputs(dotAdvice(density, orders).c_str(), stderr);
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
  if (!orientationAverage(own, mine)) {
    for (int j = 0; j < 5; j++) mine[j] = saupe[j];
  }
  ScannedOrders orders{who, rescan, {}};
  orders.at[density] = {mine[0], mine[1], mine[2], mine[3], mine[4]};
  // The far sphere's line goes out before it is scanned: settlesOrder is asked first whether the
  // denser and the neighbouring sphere decide (a far sphere beyond none is scanned then).
  Settling v = settlesOrder(density, mine, orders, denserDensity(density));
  if (!v.scanned) return 1;
  if (!v.settled && v.apart <= kOrderTolerance && v.apartNeighbour <= kOrderTolerance) {
    const int far = farDensity(density);
    std::fprintf(stderr,
                 "REMARK The order lies %.1f %% of its size from that of the denser sphere, more than half a "
                 "tenth: it is checked on the sphere of -dot %d (%d orientations) too.\n",
                 100.0 * v.apart, far, orientationsOf(k, far));
    v = settlesOrder(density, mine, orders, kUnspMaxDensity);
    if (!v.scanned) return 1;
  }
  if (!v.settled) {
    if (conv.collecting > 0) return conv.unsettled = true, 1;
    refuse(who, k, density, nDots, mine, v, orders);
    return 1;
  }
  const double share = principalOrder(saupe);
  if (share > 0.5) {
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
  if (--conv.collecting == 0) conv.unsettled = false;
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

}  // namespace korim::simulation
