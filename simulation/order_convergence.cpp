// Whether the sphere of orientations settles the order of an electrostatic prediction.
#include "simulation/order_convergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <new>

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

// The screen passes only spheres of at least the default's dots (-dot 100): on coarser ones the
// orders of single proteins move by more than a tenth on the denser sphere though their weights
// change little from one orientation to the next (the example in the grid at -dot 30: 18 %).
constexpr int kLeastScreenedDots = 122;

// Largest change of ln(weight) between neighbouring orientations that the screen lets pass: the
// weights are smooth on the sphere's scale. The example changes by 0.55 to 0.62 on the wall, the
// rod and the grid at -dot 100 (0.39 to 1.06 up to -dot 1500); of 168 runs of copies of it
// (chains, blocks, a complex of chains; -dot 100 to 1500) the 69 whose order moved by more than a
// tenth on the denser sphere all changed by 1.5 or more.
constexpr double kSmoothWeights = 1.0;

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

// The kNear nearest dots of each of the n dots (x, y, z each) of a sphere, found through a grid of
// cubes about two spacings of the sphere wide.
constexpr int kNear = 6;
std::vector<std::array<int, kNear>> nearestDots(const double* dots, int n) {
  std::vector<std::array<int, kNear>> near(static_cast<size_t>(n));
  const int cells = std::max(1, static_cast<int>(std::sqrt(n / 8.0)));
  const auto cellOf = [cells](double v) { return std::clamp(static_cast<int>((v + 1.0) * 0.5 * cells), 0, cells - 1); };
  std::vector<std::vector<int>> grid(static_cast<size_t>(cells) * cells * cells);
  const auto at = [&](int x, int y, int z) -> std::vector<int>& { return grid[(static_cast<size_t>(x) * cells + y) * cells + z]; };
  for (int d = 0; d < n; d++) at(cellOf(dots[3 * d]), cellOf(dots[3 * d + 1]), cellOf(dots[3 * d + 2])).push_back(d);
  for (int d = 0; d < n; d++) {
    const double* p = &dots[3 * d];
    std::array<double, kNear> best;
    best.fill(-2.0);
    near[d].fill(-1);
    const int cx = cellOf(p[0]), cy = cellOf(p[1]), cz = cellOf(p[2]);
    for (int x = std::max(0, cx - 1); x <= std::min(cells - 1, cx + 1); x++)
      for (int y = std::max(0, cy - 1); y <= std::min(cells - 1, cy + 1); y++)
        for (int z = std::max(0, cz - 1); z <= std::min(cells - 1, cz + 1); z++)
          for (int e : at(x, y, z)) {
            if (e == d) continue;
            double c = p[0] * dots[3 * e] + p[1] * dots[3 * e + 1] + p[2] * dots[3 * e + 2];
            int who = e;
            for (int k = 0; k < kNear; k++)
              if (c > best[k]) std::swap(c, best[k]), std::swap(who, near[d][k]);
          }
  }
  return near;
}

}  // namespace

void daAndR(const settings::KorimInfo& k, const double s[5], double* daHN, double* R) {
  double t[5], irr[5], g = 0.0, vec[3][3], val[3], da = 0.0, dr = 0.0, al[4], be[4], ga[4];
  for (int j = 0; j < 5; j++) t[j] = -static_cast<double>(k.lcOrder) * s[j];
  couplings::analyzeSaupe(t, irr, &g, vec, val, k.yzFlag, &da, &dr, al, be, ga, 0);
  *daHN = da * foundation::kDipolarNH;
  *R = da != 0.0 ? dr / da : 0.0;
}

double weightRoughness(const OrientationWeights& w) {
  const int n = w.size(), turns = w.turns > 0 ? w.turns : 1, nd = n / turns;
  if (w.dots == nullptr || nd < kNear + 1 || w.axes.size() != static_cast<size_t>(n)) return INFINITY;
  double aMax = 0.0;
  for (double a : w.a) aMax = std::fmax(aMax, a);
  if (!(aMax > 0.0)) return INFINITY;
  const auto near = nearestDots(w.dots, nd);
  double worst = 0.0;
  for (int d = 0; d < nd; d++)
    for (int e : near[d]) {
      if (e < 0) continue;
      // The turn about dot e whose frame lies nearest that of turn 0 about dot d (the largest
      // trace of the product); the turns about both dots step alike, so turn m pairs with m + shift.
      int shift = 0;
      double bestT = -4.0;
      for (int m2 = 0; m2 < turns; m2++) {
        double t = 0.0;
        for (int j = 0; j < 9; j++) t += w.axes[d * turns][j] * w.axes[e * turns + m2][j];
        if (t > bestT) bestT = t, shift = m2;
      }
      for (int m = 0; m < turns; m++) {
        const double a1 = w.a[d * turns + m], a2 = w.a[e * turns + (m + shift) % turns];
        if (std::fmax(a1, a2) < 1e-3 * aMax) continue;
        worst = std::fmax(worst, (a1 > 0.0 && a2 > 0.0) ? std::fabs(std::log(a1 / a2)) : INFINITY);
      }
    }
  return worst;
}

bool orderMayMove(const OrientationWeights& own) {
  if (own.size() / std::max(own.turns, 1) < kLeastScreenedDots) return true;
  try {
    return !(weightRoughness(own) <= kSmoothWeights);
  } catch (const std::bad_alloc&) {
    return true;  // no room for the neighbours' table: the denser sphere decides
  }
}

void OrientationWeights::resize(int n) {
  a.assign(static_cast<size_t>(n), 0.0);
  c.assign(static_cast<size_t>(n), 0.0);
  wMax.assign(static_cast<size_t>(n), 0.0);
  s.assign(static_cast<size_t>(n), {0, 0, 0, 0, 0});
  axes.assign(static_cast<size_t>(n), {0, 0, 0, 0, 0, 0, 0, 0, 0});
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
  // A density tried takes the spheres of four and sixteen times it, which are mostly those of the
  // next densities tried. A density whose sixteen times lies beyond four times the densest tried
  // (-dot 8000) is not named: the advice scans no sphere that a refusal did not scan when four
  // times each density alone decided.
  for (const int c : tried) {
    double at[5];
    if (!orders.get(c, at)) return "";
    const Settling v = settlesOrder(c, at, orders, denserDensity(kDensestAdvised));
    if (!v.scanned) return "";
    if (!v.settled) continue;
    const std::string answers = foundation::adviseOption("-dot", std::to_string(c));
    if (v.far == 0)
      std::snprintf(line, sizeof line,
                    "%s: on the sphere of -dot %d the order agrees with that of its denser sphere "
                    "(-dot %d) within a tenth: %s answers.\n",
                    who, c, v.denser, answers.c_str());
    else
      std::snprintf(line, sizeof line,
                    "%s: on the sphere of -dot %d the order agrees with those of its denser spheres "
                    "(-dot %d and %d) within a tenth: %s answers.\n",
                    who, c, v.denser, v.far, answers.c_str());
    return line;
  }
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
  std::string further;
  if (v.far != 0) {
    double far[5], da3, r3;
    orders.get(v.far, far);
    daAndR(k, far, &da3, &r3);
    char text[300];
    std::snprintf(text, sizeof text,
                  ", and on the sphere of -dot %d (%d orientations) Da_HN %.1f Hz and R %.3f, %.1f %% of that "
                  "order's size apart",
                  v.far, orientationsOf(k, v.far), da3, r3, 100.0 * v.apartFar);
    further = text;
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
  if (orderMayMove(own)) {
    const int dense = denserDensity(density);
    std::fprintf(stderr,
                 "REMARK The order is checked on the denser sphere of -dot %d (%d orientations).\n",
                 dense, orientationsOf(k, dense));
    double mine[5];
    if (!orientationAverage(own, mine)) {
      for (int j = 0; j < 5; j++) mine[j] = saupe[j];
    }
    ScannedOrders orders{who, rescan, {}};
    orders.at[density] = {mine[0], mine[1], mine[2], mine[3], mine[4]};
    // The far sphere's line goes out before it is scanned: settlesOrder is asked first whether the
    // denser sphere alone decides (a far sphere beyond none is scanned then).
    Settling v = settlesOrder(density, mine, orders, denserDensity(density));
    if (!v.scanned) return 1;
    if (!v.settled && v.apart <= kOrderTolerance) {
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
  }
  const double share = principalOrder(saupe);
  if (share > 0.5) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "he predicted order is %.1f %% of the medium's (-lcS %.3f), above half of it: the "
                  "molecule is held near one orientation, the lowest energies of its orientations "
                  "spanning %.1f kT",
                  100.0 * share, static_cast<double>(k.lcOrder), energySpan(own));
    std::fprintf(stderr, "%s: t%s; the sphere of orientations settles it (-dot %d and %d agree).\n",
                 who, text, density, denserDensity(density));
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

SphereCheckPaused::SphereCheckPaused() { conv.paused++; }

SphereCheckPaused::~SphereCheckPaused() { conv.paused--; }

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
