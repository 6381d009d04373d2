// Steric obstruction model (wall and cylinder). Each orientation of the
// molecule is tested at a row of distances from the obstacle; the allowed
// states, counted against the isotropic average, give the order matrix.
#include "foundation/constants.h"
#include "simulation/ssia.h"

#include <algorithm>
#include <climits>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "foundation/memory.h"
#include "simulation/orientprogress.h"
#include "simulation/workers.h"
#include "simulation/korim_utils_math.h"

namespace korim::simulation {

using namespace korim::foundation;

namespace {

constexpr const char* kTag = "stericAlignment";
constexpr int kLastPosition = kSsiaMaxPositions - 1;
struct SsiaState {
  double saupe_dis[kSsiaMaxPositions][5];  // per position: summed elements
};

SsiaState ssia;

// Atom a at position i touches the cylinder: distance from the cylinder axis
// in extended precision against the bound in double. Squared distances far
// from the squared bound settle the test without the square root; near it
// (and for a negative bound or a NaN) the root decides.
inline bool cylinderBlocks(float xj, float yj, float g, double bound) {
  if (bound > 0.0) {
    // Screening in double: relative error far below the 1e-12 margins.
    const double td = static_cast<double>(xj) + static_cast<double>(g);
    const double qd = td * td + static_cast<double>(yj) * yj;
    const double b2 = bound * bound;
    if (qd < b2 * (1.0 - 1.0e-12)) return true;
    if (qd > b2 * (1.0 + 1.0e-12)) return false;
  }
  const long double t = static_cast<long double>(xj) + static_cast<long double>(g);
  const long double yy = static_cast<long double>(yj);
  return std::sqrt(t * t + yy * yy) <= bound;
}

bool reportBad(const char* what) {
  std::fprintf(stderr, "stericAlignment: %s\n", what);
  return true;
}


// Orientations scanned per block: the workers take the orientations of a
// block, then each position sums the block's results in orientation order.
constexpr int kScanBlock = 4096;

// The orientation scan of stericAlignment: per position i = 0..L the summed
// order values and number of allowed orientations (ssia.saupe_dis, w.total),
// the rod's sums for the never obstructed positions (appended) and the
// sampling's reference sums, each sum taken in orientation order whatever the
// number of threads. False after a message when the work space cannot be had.
bool scanOrientations(PositionWork& w, int lcType, int L, double bound, double gs, int no_atoms,
                      const double* x, const double* y, const double* z, int digPsi, int n_dots,
                      const double* dots, double appended[5], SamplingSums& sampling) {
  const int N = n_dots * digPsi;
  const int B = std::min(N, kScanBlock);
  const int L1 = L + 1;
  // Grains: at least kGrainWork atom tests for a thread.
  const int orientGrain = std::max(1, kGrainWork / (no_atoms + 1));
  const int posGrain = std::max(1, kGrainWork / B);
  const int workers = chunkCount(B, orientGrain);
  const double inc_psi = 360.0 / digPsi;
  std::vector<SampledOrientation> orient;
  std::vector<unsigned char> allowed;
  std::vector<std::vector<float>> xs, ys;
  std::vector<std::vector<int>> blocks;
  try {
    orient.resize(static_cast<size_t>(B));
    allowed.resize(static_cast<size_t>(B) * L1);
    xs.assign(static_cast<size_t>(workers), std::vector<float>(static_cast<size_t>(no_atoms) + 1));
    if (lcType == 2) {
      ys = xs;
      blocks.assign(static_cast<size_t>(workers), std::vector<int>(static_cast<size_t>(L) + 2));
    }
  } catch (const std::bad_alloc&) {
    reportBad("no memory for the work space of the orientation scan.");
    return false;
  }
  const float* pot_dist = w.pot_dist;
  const float* grid_el = w.grid_el;
  OrientationProgress progress(N);
  for (int b0 = 0; b0 < N; b0 += B) {
    const int nb = std::min(B, N - b0);
    forChunks(nb, orientGrain, [&](int begin, int end, int worker) {
      float* xJ = xs[worker].data();
      for (int k = begin; k < end; k++) {
        SampledOrientation& o = orient[k];
        sampleOrientation(dots, digPsi, inc_psi, b0 + k, o);
        unsigned char* ok = &allowed[static_cast<size_t>(k) * L1];
        projectOnAxis(no_atoms, x, y, z, o.u, xJ);
        if (lcType == 1) {
          // All atoms clear the wall exactly when the lowest one does; a NaN
          // coordinate fails every comparison, as it would atom by atom.
          bool anyNaN = false;
          const float lowest = lowestProjection(xJ, no_atoms, &anyNaN);
          for (int i = 0; i <= L; i++)
            ok[i] = no_atoms == 0 || (!anyNaN && lowest > pot_dist[i]);
        } else {
          float* yJ = ys[worker].data();
          projectOnAxis(no_atoms, x, y, z, o.v, yJ);
          cylinderRuns(no_atoms, xJ, yJ, grid_el, L, gs, bound, blocks[worker]);
          for (int i = 0; i <= L; i++) ok[i] = no_atoms == 0 || blocks[worker][i] == 0;
        }
      }
    });
    progress.steps(b0 + 1, b0 + nb);
    // Each position's sum still runs over the orientations in order; the
    // loops are nested this way round only to read the block row by row.
    forChunks(L1, posGrain, [&](int begin, int end, int) {
      for (int k = 0; k < nb; k++)
        for (int i = begin; i < end; i++) {
          const double* v = orient[k].s;
          const bool ok = allowed[static_cast<size_t>(k) * L1 + i] != 0;
          if (lcType == 1) {
            if (!ok) continue;
            for (int j = 0; j < 5; j++) ssia.saupe_dis[i][j] += v[j];
            w.total[i] += 1.0;
          } else {
            const double wt = ok ? 1.0 : 0.0;
            for (int j = 0; j < 5; j++) ssia.saupe_dis[i][j] += wt * v[j];
            w.total[i] += wt;
          }
        }
    });
    for (int k = 0; k < nb; k++) {
      sampling.add(orient[k]);
      if (lcType == 2)
        for (int j = 0; j < 5; j++) appended[j] += 1.0 * orient[k].s[j];
    }
  }
  progress.finish();
  return true;
}

}  // namespace

namespace {

// The run of positions that atom (xj, yj) blocks, by searching from the
// position nearest to it with the exact test; [lo, hi] or lo > hi.
void searchRun(float xj, float yj, const float* g, int L, double gs, double bound, int& lo,
               int& hi) {
  lo = 1, hi = 0;
  auto test = [&](int i) { return cylinderBlocks(xj, yj, g[i], bound); };
  // Closest position: the first grid value >= -xJ or the one before it.
  // k: the first position with grid_el >= -xJ, found from the arithmetic
  // estimate and settled on the stored values.
  const float target = -xj;
  int k;
  {
    double e = std::ceil((static_cast<double>(target) - g[0]) / gs);
    if (!(e >= 0.0)) e = 0.0;
    if (e > L + 1) e = L + 1;
    k = static_cast<int>(e);
    while (k > 0 && g[k - 1] >= target) k--;
    while (k <= L && g[k] < target) k++;
  }
  int mi;
  if (k > L) {
    mi = L;
  } else if (k == 0) {
    mi = 0;
  } else {
    const long double dk = std::fabs(static_cast<long double>(xj) + g[k]);
    const long double dp = std::fabs(static_cast<long double>(xj) + g[k - 1]);
    mi = dk <= dp ? k : k - 1;
  }
  if (!test(mi)) return;
  const double c = -static_cast<double>(xj);
  const double y2 = static_cast<double>(yj) * yj;
  const double bound2 = bound * bound;
  const double s = bound2 > y2 ? std::sqrt(bound2 - y2) : 0.0;
  auto clampIndex = [](double e, int lo, int hi) {
    if (!(e >= lo)) e = lo;
    if (e > hi) e = hi;
    return static_cast<int>(e);
  };
  lo = clampIndex(std::ceil((c - s - g[0]) / gs), 0, mi);
  while (lo > 0 && test(lo - 1)) lo--;
  while (!test(lo)) lo++;
  hi = clampIndex(std::floor((c + s - g[0]) / gs), mi, L);
  while (hi < L && test(hi + 1)) hi++;
  while (!test(hi)) hi--;
}

// Atoms handled at once: their estimates are found together (in vector
// registers), then checked one by one.
constexpr int kAtomBatch = 64;
constexpr int kCopies = 4;

// v[0..m-1] replaced by their square roots (non-negative, not NaN).
inline void rootsOf(double* v, int m) {
#ifdef __SSE2__
  int b = 0;
  for (; b + 2 <= m; b += 2) _mm_storeu_pd(v + b, _mm_sqrt_pd(_mm_loadu_pd(v + b)));
  if (b < m) v[b] = std::sqrt(v[b]);
#else
  for (int b = 0; b < m; b++) v[b] = std::sqrt(v[b]);
#endif
}

// A position estimate within [-1, top] (NaN: -1), so that it converts to int.
inline double clampEstimate(double r, double top) {
  const double low = r >= -1.0 ? r : -1.0;
  return low <= top ? low : top;
}

}  // namespace

// Every atom blocks one contiguous run of positions (the distance depends
// monotonically on |xJ + g[i]|, and g never decreases). The run's estimate
// from the closed form is kept when the screened test of cylinderBlocks
// settles both of its ends and the positions just outside them (or, for an
// estimate between two positions, that the two nearest positions are
// clear); otherwise the run is searched for with the exact test. Either way
// the result equals testing every pair.
void cylinderRuns(int n, const float* xJ, const float* yJ, const float* g, int L, double gs,
                  double bound, std::vector<int>& blocked) {
  // The run ends are marked in kCopies tallies taken in turn, so that
  // atoms marking the same position in a row do not wait for each other.
  const size_t stride = static_cast<size_t>(L) + 2;
  thread_local std::vector<int> tallies;
  thread_local std::vector<float> padded;
  tallies.assign(kCopies * stride, 0);
  padded.resize(static_cast<size_t>(L) + 3);
  // The positions between -inf and +inf: gp[i + 1] = g[i].
  float* const gp = padded.data();
  gp[0] = -INFINITY;
  std::copy(g, g + L + 1, gp + 1);
  gp[L + 2] = INFINITY;
  const double bound2 = bound * bound;
  // The screening bounds of cylinderBlocks: below lowB a pair touches, above
  // highB it does not, whatever the extended-precision root would say.
  const bool screened = bound > 0.0;
  const double lowB = bound2 * (1.0 - 1.0e-12), highB = bound2 * (1.0 + 1.0e-12);
  const double g0 = g[0], perStep = 1.0 / gs, top = L + 1.0;
  const double b2 = screened ? bound2 : 0.0;  // the closed form's bound (a NaN bound searches)
  for (int a0 = 1; a0 <= n; a0 += kAtomBatch) {
    const int m = std::min(kAtomBatch, n - a0 + 1);
    double xs[kAtomBatch], y2s[kAtomBatch], halves[kAtomBatch];
    int los[kAtomBatch], his[kAtomBatch], kinds[kAtomBatch];  // kind 0: check, 1: skip, 2: search
    for (int b = 0; b < m; b++) {
      const float xf = xJ[a0 + b], yf = yJ[a0 + b];
      const bool finite = std::fabs(xf) <= FLT_MAX && std::fabs(yf) <= FLT_MAX;
      const double xd = finite ? static_cast<double>(xf) : 0.0;
      const double yd = finite ? static_cast<double>(yf) : 0.0;
      const double y2 = yd * yd;
      const bool skip = !finite || (screened && y2 > highB);
      const bool check = screened && y2 < lowB;
      xs[b] = xd;
      y2s[b] = y2;
      kinds[b] = skip ? 1 : (check ? 0 : 2);
      halves[b] = std::max(b2 - y2, 0.0);
    }
    rootsOf(halves, m);
    for (int b = 0; b < m; b++) {
      // Closed form: the run of positions within sqrt(bound^2 - yJ^2) of -xJ.
      const double rlo = clampEstimate((-xs[b] - halves[b] - g0) * perStep, top);
      const double rhi = clampEstimate((-xs[b] + halves[b] - g0) * perStep, top);
      // Rounded up and down; an estimate that lands on a position is checked
      // like any other.
      const int lo = std::min(static_cast<int>(rlo + 1.0), L + 1);
      const int hi = std::min(static_cast<int>(rhi + 1.0) - 1, L);
      los[b] = kinds[b] == 1 ? 0 : lo;
      his[b] = kinds[b] == 1 ? -1 : hi;
    }
    int searched[kAtomBatch];
    int ns = 0;
    for (int b = 0; b < m; b++) {
      const int lo = los[b], hi = his[b];
      const double x = xs[b], y2 = y2s[b];
      const double tBefore = x + gp[lo], tLo = x + gp[lo + 1];
      const double tHi = x + gp[hi + 1], tAfter = x + gp[hi + 2];
      const double qBefore = tBefore * tBefore + y2, qLo = tLo * tLo + y2;
      const double qHi = tHi * tHi + y2, qAfter = tAfter * tAfter + y2;
      // A run: its ends touch, the positions around it do not. No run: the
      // positions on either side of -xJ are clear (and all further ones).
      const bool run = (qLo < lowB) & (qHi < lowB) & (qBefore > highB) & (qAfter > highB);
      const bool none = (qBefore > highB) & (qLo > highB) & (tBefore <= 0.0) & (tLo >= 0.0);
      const bool settled = kinds[b] == 1 || (kinds[b] == 0 && (lo <= hi ? run : none));
      const int kept = settled ? 1 : 0;
      int* const count = &tallies[(b % kCopies) * stride];
      count[lo] += kept;  // an empty run adds and removes at the same position
      count[hi + 1] -= kept;
      searched[ns] = a0 + b;
      ns += 1 - kept;
    }
    for (int s = 0; s < ns; s++) {
      int lo, hi;
      searchRun(xJ[searched[s]], yJ[searched[s]], g, L, gs, bound, lo, hi);
      if (lo > hi) continue;
      tallies[lo]++;
      tallies[hi + 1]--;
    }
  }
  const int* t = tallies.data();
  for (int i = 0; i <= L; i++) blocked[i] = t[i] + t[stride + i] + t[2 * stride + i] + t[3 * stride + i];
  int run = 0;
  for (int i = 0; i <= L; i++) {
    run += blocked[i];
    blocked[i] = run;
  }
  blocked[L + 1] = 0;
}

Orientation orientationOf(const double* dot, double psiDegrees) {
  Orientation o;
  o.phi = std::atan2(dot[1], dot[0]);
  o.theta = kHalfPi8 - std::atan2(dot[2], std::sqrt(dot[0] * dot[0] + dot[1] * dot[1]));
  o.psi = psiDegrees * kPi8 / 180.0 + 0.0;
  return o;
}

void orderValues(const double xa[4], const double ya[4], const double za[4], double v[5]) {
  v[0] = Szz(za);
  v[1] = Sxx(xa) - Syy(ya);
  v[2] = Sxy(xa, ya);
  v[3] = Sxz(xa, za);
  v[4] = Syz(ya, za);
}

void projectOnAxis(int n, const double* x, const double* y, const double* z, const double axis[4],
                   float* out) {
  for (int a = 1; a <= n; a++) {
    float s = 0.0f;
    s = static_cast<float>(s + x[a] * axis[1]);
    s = static_cast<float>(s + y[a] * axis[2]);
    s = static_cast<float>(s + z[a] * axis[3]);
    out[a] = s;
  }
}

float lowestProjection(const float* xs, int n, bool* anyNaN) {
  float lo = INFINITY;
  bool nan = false;
  for (int a = 1; a <= n; a++) {
    if (xs[a] < lo) lo = xs[a];
    nan = nan || xs[a] != xs[a];
  }
  if (anyNaN != nullptr) *anyNaN = nan;
  return lo;
}

void SamplingSums::add(const SampledOrientation& o) {
  sZZ += Szz(o.za);
  sXX += Sxx(o.xa);
  sYY += Syy(o.ya);
  sXY += Sxy(o.xa, o.ya);
  sXZ += Sxz(o.xa, o.za);
  sYZ += Syz(o.ya, o.za);
}

void SamplingSums::means(double N, double mean[5]) const {
  mean[0] = sZZ / N;
  mean[1] = (sXX - sYY) / N;
  mean[2] = sXY / N;
  mean[3] = sXZ / N;
  mean[4] = sYZ / N;
}

void samplingMeans(const double* dots, int n_dots, int digPsi, double mean[5]) {
  SamplingSums sums;
  forEachOrientation(dots, n_dots, digPsi, 360.0 / digPsi,
                     [&](const SampledOrientation& o) { sums.add(o); });
  sums.means(static_cast<double>(n_dots) * digPsi, mean);
}

const char* const kConcWarning =
    "WARNING: concentration too low - magnitude of alignment tensor incorrect\n";

int clashRegion(float* grid_el, double minL, double maxL, double offset, double gs) {
  long long t = truncToLL((maxL - minL) / gs);
  if (t > kLastPosition) {
    std::fprintf(stderr, "%s", kConcWarning);
    t = kLastPosition;
  }
  const float offsetGrid = static_cast<float>(minL + offset);
  std::fill(grid_el, grid_el + kSsiaMaxPositions, 0.0f);
  for (int k = 0; k <= t; k++) grid_el[k] = static_cast<float>(k * gs + offsetGrid);
  return static_cast<int>(t);
}

int extendPositions(float* grid_el, int from, double gs, double limit) {
  int last = from;
  if (!(grid_el[from] <= limit)) return last;
  for (int j = 1;; j++) {
    const int idx = from + j;
    if (idx > kLastPosition) {
      std::fprintf(stderr, "%s", kConcWarning);
      break;
    }
    grid_el[idx] = static_cast<float>(grid_el[from] + j * gs);
    last = idx;
    if (grid_el[idx] > limit) break;
  }
  return last;
}

PositionWork::PositionWork(const char* t, int n, bool withBoundary)
    : tag(t), atoms(n), boundary(withBoundary) {
  xJ = fltAlloc(tag, atoms + 1);
  yJ = fltAlloc(tag, atoms + 1);
  if (boundary) pot_dist = fltAlloc(tag, kSsiaMaxPositions + 1);
  grid_el = fltAlloc(tag, kSsiaMaxPositions);
  total = dFltAlloc(tag, kSsiaMaxPositions);
}

PositionWork::~PositionWork() {
  unAlloc(tag, xJ, (atoms + 1) * 4);
  unAlloc(tag, yJ, (atoms + 1) * 4);
  if (boundary) unAlloc(tag, pot_dist, (kSsiaMaxPositions + 1) * 4);
  unAlloc(tag, grid_el, kSsiaMaxPositions * 4);
  unAlloc(tag, total, kSsiaMaxPositions * 8);
}

void endOrientationProgress() {
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
}

long long truncToLL(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.0e18) return 9000000000000000000LL;
  if (v <= -9.0e18) return -9000000000000000000LL;
  return static_cast<long long>(v);
}

double Szz(const double axis[4]) { return 0.5 * (3.0 * axis[3] * axis[3] - 1.0); }
double Sxx(const double axis[4]) { return Szz(axis); }
double Syy(const double axis[4]) { return Szz(axis); }
double Sxy(const double axis1[4], const double axis2[4]) { return 1.5 * axis1[3] * axis2[3]; }
double Sxz(const double axis1[4], const double axis2[4]) { return Sxy(axis1, axis2); }
double Syz(const double axis1[4], const double axis2[4]) { return Sxy(axis1, axis2); }

int stericAlignment(settings::KorimInfo* korimInfo, double rimOrder, int lcType, double stepOutLength,
                    double max_obstruction, double radius, double gridSpacing, double wvAmount,
                    double molarRatio, int no_atoms, const double* x, const double* y,
                    const double* z, double max_protein_length, double min_protein_length,
                    int digit_psi, int n_dots, const double* dots, double* saupe) {
  (void)korimInfo;
  (void)rimOrder;
  (void)molarRatio;

  // Parameters that would make the sampling meaningless or undefined.
  const long long nOrient = static_cast<long long>(digit_psi) * n_dots;
  char msg[256];
  if (digit_psi < 1 || n_dots < 1 || dots == nullptr || nOrient > INT_MAX) {
    std::snprintf(msg, sizeof msg, "no usable orientation sampling (%d dots, %d turns).", n_dots,
                  digit_psi);
    reportBad(msg);
    return 1;
  }
  if (no_atoms < 0 || (no_atoms > 0 && (x == nullptr || y == nullptr || z == nullptr))) {
    std::snprintf(msg, sizeof msg, "invalid atom count %d.", no_atoms);
    reportBad(msg);
    return 1;
  }
  if (!(gridSpacing > 0.0) || !std::isfinite(gridSpacing)) {
    std::snprintf(msg, sizeof msg, "grid spacing %g must be a positive number.", gridSpacing);
    reportBad(msg);
    return 1;
  }
  const double extent = (max_protein_length - min_protein_length) / gridSpacing;
  if (!(extent >= 0.0) || !std::isfinite(min_protein_length + max_obstruction)) {
    std::snprintf(msg, sizeof msg, "molecule extent %g to %g Angstrom is not a valid range.",
                  min_protein_length, max_protein_length);
    reportBad(msg);
    return 1;
  }
  if (lcType == 2) {
    if (!(wvAmount > 0.0)) {
      std::snprintf(msg, sizeof msg,
                    "concentration %g of the rod medium must be positive; no alignment computed.",
                    wvAmount);
      reportBad(msg);
      return 1;
    }
    if (!(max_obstruction > 0.0)) {
      std::snprintf(msg, sizeof msg, "rod radius %g must be positive.", max_obstruction);
      reportBad(msg);
      return 1;
    }
  }

  PositionWork w(kTag, no_atoms, true);
  if (!w.ok()) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  if (lcType != 1 && lcType != 2) {
    for (int j = 0; j < 5; j++) saupe[j] = 0.0;
    return 0;
  }

  const int N = static_cast<int>(nOrient);

  const int L = clashRegion(w.grid_el, min_protein_length, max_protein_length, max_obstruction,
                            gridSpacing);

  int last = L;
  long long nStep = 0;
  long long cylDivisor = 0;
  const double bound = max_obstruction + radius;
  if (lcType == 1) {
    nStep = truncToLL((stepOutLength - w.grid_el[L]) / gridSpacing);
    for (int i = 0; i <= L; i++)
      w.pot_dist[i] = static_cast<float>(radius - (w.grid_el[i] - max_obstruction));
  } else {
    const double D = max_obstruction / std::sqrt(wvAmount / kRodDensity);
    const long long n = truncToLL((D - max_obstruction) / gridSpacing);
    const double nd = static_cast<double>(n);
    cylDivisor = truncToLL(nd + 0.5 * nd * (nd + 1.0) * (gridSpacing / max_obstruction));
    if (cylDivisor <= 0) {
      std::snprintf(msg, sizeof msg,
                    "medium too dense for the molecule: rod spacing %g Angstrom leaves no shell "
                    "of free positions; no alignment computed.",
                    D - max_obstruction);
      reportBad(msg);
      return 1;
    }
    last = extendPositions(w.grid_el, L, gridSpacing, D - max_obstruction);
  }
  for (int i = 0; i <= last; i++) {
    for (int j = 0; j < 5; j++) ssia.saupe_dis[i][j] = 0.0;
    w.total[i] = 0.0;
  }

  // Positions appended for the rod are never obstructed: each of their rows
  // receives the same additions, kept once.
  double appended[5] = {0, 0, 0, 0, 0};
  SamplingSums sampling;
  if (!scanOrientations(w, lcType, L, bound, gridSpacing, no_atoms, x, y, z, digit_psi, n_dots,
                        dots, appended, sampling))
    return 1;
  for (int i = L + 1; i <= last; i++) {
    for (int j = 0; j < 5; j++) ssia.saupe_dis[i][j] = appended[j];
    w.total[i] = N;
  }
  double mean[5];
  sampling.means(N, mean);

  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++) {
      if (w.total[i] <= 0.0)
        ssia.saupe_dis[i][j] = 0.0;
      else
        ssia.saupe_dis[i][j] = ssia.saupe_dis[i][j] / w.total[i] - mean[j];
    }

  double S[5] = {0, 0, 0, 0, 0};
  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++) {
      double term = (w.total[i] / N) * ssia.saupe_dis[i][j];
      if (lcType == 2) {
        term = term * w.grid_el[i];
        term = term / max_obstruction;
      }
      S[j] += term;
    }

  // Divisor: the allowed states of the sampled positions, in positions (a
  // fraction of a position kept), plus the free positions.
  double m;
  if (lcType == 1) {
    long long t = 0;
    for (int i = 0; i <= L; i++) t += static_cast<long long>(w.total[i]);
    m = static_cast<double>(t) / N + static_cast<double>(nStep);
    if (m <= 0) {
      std::snprintf(msg, sizeof msg,
                    "medium too dense for the molecule: %lld allowed states in %d orientations "
                    "and %lld free positions; no alignment computed.",
                    t, N, nStep);
      reportBad(msg);
      return 1;
    }
  } else {
    m = static_cast<double>(cylDivisor);
  }
  for (int j = 0; j < 5; j++) saupe[j] = S[j] / m;
  return 0;
}

}  // namespace korim::simulation
