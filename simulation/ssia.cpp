// Steric obstruction model (wall and cylinder). Each orientation of the
// molecule is tested at a row of distances from the obstacle; the allowed
// states, counted against the isotropic average, give the order matrix.
#include "simulation/ssia.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <memory>
#include <new>
#include <vector>

#include "foundation/advice.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_math.h"
#include "simulation/no_fit.h"
#include "simulation/orientprogress.h"
#include "simulation/tensor_verdict.h"
#include "simulation/workers.h"

namespace korim::simulation {

using namespace korim::foundation;

namespace {

constexpr const char* kTag = "stericAlignment";
constexpr int kLastPosition = kSsiaMaxPositions - 1;
struct SsiaState {
  double saupe_dis[kSsiaMaxPositions][5];  // per position: summed elements
};

SsiaState ssia;

bool reportBad(const char* what) {
  std::fprintf(stderr, "stericAlignment: %s\n", what);
  return true;
}

// Orientations scanned per block, at most: the workers take the pieces of
// a block's orientations, and the pieces scanned are added to the position
// sums in orientation order as they come.
constexpr int kScanBlock = 16384;

// One orientation of a block: its order values, its allowed positions (up
// to kInlineRuns runs kept here, more in more[first .. first + count - 1] of
// its piece) and the two sampling terms the order values do not hold.
constexpr int kInlineRuns = 2;
struct ScannedOrientation {
  double s[5];
  PositionRun run[kInlineRuns];
  int count, first;
  bool finite;  // all five order values are finite
  double sxx, syy;
};

// Work arrays of one worker of the scan, a cache line of its own.
struct alignas(64) ScanWorker {
  std::vector<float> xJ, yJ;
  std::vector<int> scratch;
  std::vector<PositionRun> blocked, allowed;
  DotAngles seen;
};

// The allowed positions 0..L of one orientation, appended to allowed: the
// complement of the blocked runs.
void appendComplement(const std::vector<PositionRun>& blocked, int L,
                      std::vector<PositionRun>& allowed) {
  int next = 0;
  for (const PositionRun& r : blocked) {
    if (r.first > next) allowed.push_back({next, r.first - 1});
    next = r.last + 1;
  }
  if (next <= L) allowed.push_back({next, L});
}

// The wall's allowed positions: those whose boundary lies below the lowest
// atom (none when a coordinate is NaN). The boundary never increases along
// the row (descending), so they form one run up to L; otherwise every
// position is compared.
void wallAllowed(const float* pot_dist, int L, bool descending, float lowest, bool anyNaN,
                 std::vector<PositionRun>& allowed) {
  if (anyNaN) return;
  if (descending) {
    // First position below the lowest atom.
    const int i = static_cast<int>(std::upper_bound(pot_dist, pot_dist + L + 1, lowest,
                                                    [](float v, float p) { return v > p; }) -
                                   pot_dist);
    if (i <= L) allowed.push_back({i, L});
    return;
  }
  for (int i = 0; i <= L; i++)
    if (lowest > pot_dist[i]) {
      if (!allowed.empty() && allowed.back().last == i - 1)
        allowed.back().last = i;
      else
        allowed.push_back({i, i});
    }
}

// The state of a piece of a block's scan.
enum PieceState : int { kScanning, kScanned, kFailed };

// The scan of stericAlignment: its inputs, the orientations of the current
// block, the workers' arrays and the sums.
struct Scan {
  int lcType, L, no_atoms, digPsi;
  double inc_psi;
  const double *x, *y, *z, *dots;
  const float* pot_dist;
  RodRow row;
  bool shared;      // the atoms' reaches always share a stretch
  bool descending;  // the wall's boundary never increases along the row
  int piece;        // orientations per piece of the scan
  // The records of the block's orientations, written by the workers as they
  // scan (left uninitialised until then); with one worker, whose pieces are
  // added as soon as they are scanned, those of one piece at a time.
  std::unique_ptr<ScannedOrientation[]> orient;
  bool onePiece;
  std::vector<ScanWorker> work;
  // Per piece: the runs of its orientations that hold more than
  // kInlineRuns, and its state.
  std::vector<std::vector<PositionRun>> more;
  std::unique_ptr<std::atomic<int>[]> state;
  // The sums, kept by the thread adding the pieces (one at a time).
  std::atomic<bool> adding;
  int added;                // the pieces of the block added
  std::vector<double> acc;  // acc[j * (L + 1) + i]: element j summed at position i
  std::vector<int> count;   // allowed orientations per position
  std::vector<int> change;  // count[i] - count[i - 1] over the block's pieces added
  SamplingSums* sampling;
  double* appended;
};

// The record of orientation k of the block, in piece c.
ScannedOrientation& recordOf(const Scan& sc, int c, int k) {
  return sc.orient[sc.onePiece ? k - c * sc.piece : k];
}

// The work arrays of one of the scan's workers (room for the most runs an
// orientation can have).
void prepareWorker(const Scan& sc, ScanWorker& s) {
  s.xJ.resize(static_cast<size_t>(sc.no_atoms) + 1);
  if (sc.lcType == 2) s.yJ.resize(static_cast<size_t>(sc.no_atoms) + 1);
  s.scratch.resize(static_cast<size_t>(sc.L) + 2);
  s.allowed.reserve(static_cast<size_t>(sc.L) / 2 + 1);
}

// Samples orientation index of the walk into r, its runs beyond the
// record's appended to more.
void scanOne(Scan& sc, int index, int worker, ScannedOrientation& r,
             std::vector<PositionRun>& more) {
  ScanWorker& s = sc.work[worker];
  SampledOrientation o;
  sampleOrientation(sc.dots, sc.digPsi, sc.inc_psi, index, o, &s.seen);
  for (int j = 0; j < 5; j++) r.s[j] = o.s[j];
  r.sxx = Sxx(o.xa);
  r.syy = Syy(o.ya);
  r.finite = std::isfinite(o.s[0]) && std::isfinite(o.s[1]) && std::isfinite(o.s[2]) &&
             std::isfinite(o.s[3]) && std::isfinite(o.s[4]);
  s.allowed.clear();
  const int n = sc.no_atoms;
  if (n == 0) {
    s.allowed.push_back({0, sc.L});
  } else if (sc.lcType == 1) {
    // All atoms clear the wall exactly when the lowest one does; a NaN
    // coordinate fails every comparison, as it would atom by atom.
    projectOnAxis(n, sc.x, sc.y, sc.z, o.u, s.xJ.data());
    bool anyNaN = false;
    const float lowest = lowestProjection(s.xJ.data(), n, &anyNaN);
    wallAllowed(sc.pot_dist, sc.L, sc.descending, lowest, anyNaN, s.allowed);
  } else {
    projectOnAxes(n, sc.x, sc.y, sc.z, o.u, o.v, s.xJ.data(), s.yJ.data());
    cylinderBlockedRuns(n, s.xJ.data(), s.yJ.data(), sc.row, sc.shared, s.scratch, s.blocked);
    appendComplement(s.blocked, sc.L, s.allowed);
  }
  r.count = static_cast<int>(s.allowed.size());
  r.first = static_cast<int>(more.size());
  if (r.count <= kInlineRuns)
    std::copy(s.allowed.begin(), s.allowed.end(), r.run);
  else
    more.insert(more.end(), s.allowed.begin(), s.allowed.end());
}

// acc[j * n + i] += v[j] for the positions i = lo..hi and the five elements.
void addRun(double* __restrict acc, size_t n, const double v[5], int lo, int hi) {
  double* __restrict a0 = acc;
  double* __restrict a1 = acc + n;
  double* __restrict a2 = acc + 2 * n;
  double* __restrict a3 = acc + 3 * n;
  double* __restrict a4 = acc + 4 * n;
  const double v0 = v[0], v1 = v[1], v2 = v[2], v3 = v[3], v4 = v[4];
  for (int i = lo; i <= hi; i++) {
    a0[i] += v0;
    a1[i] += v1;
    a2[i] += v2;
    a3[i] += v3;
    a4[i] += v4;
  }
}

// Adds the orientations k0..k1-1 of the block's piece c, in order, to the
// sums: those of the sampling, of the rod's never obstructed positions, and
// of the positions (element after element, over the allowed runs only).
void addPiece(Scan& sc, int c, int k0, int k1) {
  const size_t L1 = static_cast<size_t>(sc.L) + 1;
  double* const acc = sc.acc.data();
  SamplingSums& sampling = *sc.sampling;
  for (int k = k0; k < k1; k++) {
    const ScannedOrientation& r = recordOf(sc, c, k);
    sampling.sZZ += r.s[0];
    sampling.sXX += r.sxx;
    sampling.sYY += r.syy;
    sampling.sXY += r.s[2];
    sampling.sXZ += r.s[3];
    sampling.sYZ += r.s[4];
    if (sc.lcType == 2)
      for (int j = 0; j < 5; j++) sc.appended[j] += 1.0 * r.s[j];
    const PositionRun* runs = r.count <= kInlineRuns ? r.run : sc.more[c].data() + r.first;
    for (int q = 0; q < r.count; q++) {
      sc.change[runs[q].first]++;
      sc.change[runs[q].last + 1]--;
    }
    if (sc.lcType == 2 && !r.finite) {
      // The rod adds 0 x the value at the blocked positions: NaN here.
      for (size_t i = 0; i < L1; i++) {
        bool ok = false;
        for (int q = 0; q < r.count; q++)
          ok = ok || (runs[q].first <= static_cast<int>(i) && static_cast<int>(i) <= runs[q].last);
        const double wt = ok ? 1.0 : 0.0;
        for (size_t j = 0; j < 5; j++) acc[j * L1 + i] += wt * r.s[j];
      }
      continue;
    }
    for (int q = 0; q < r.count; q++) addRun(acc, L1, r.s, runs[q].first, runs[q].last);
  }
}

// Adds the pieces of the block scanned so far, in order, unless another
// thread is adding them; it then adds those this thread has seen scanned.
void addScanned(Scan& sc, int pieces, int nb) {
  while (!sc.adding.exchange(true)) {
    int c = sc.added;
    for (; c < pieces && sc.state[c].load() == kScanned; c++)
      addPiece(sc, c, c * sc.piece, std::min((c + 1) * sc.piece, nb));
    sc.added = c;
    sc.adding.store(false);
    if (c == pieces || sc.state[c].load() != kScanned) return;
  }
}

// The orientation scan of stericAlignment: per position i = 0..L the summed
// order values and number of allowed orientations (ssia.saupe_dis, w.total),
// the rod's sums for the never obstructed positions (appended) and the
// sampling's reference sums, each sum taken in orientation order whatever the
// number of threads. False after a message when the work space cannot be had.
bool scanOrientations(PositionWork& w, int lcType, int L, double bound, double gs, int no_atoms,
                      const double* x, const double* y, const double* z, int digPsi, int n_dots,
                      const double* dots, double appended[5], SamplingSums& sampling) {
  const int N = n_dots * digPsi;
  const int blocks = (N + kScanBlock - 1) / kScanBlock;
  const int B = (N + blocks - 1) / blocks;
  const int L1 = L + 1;
  bool descending = true;  // the wall's boundary never increases along the row
  if (lcType == 1)
    for (int i = 1; i <= L; i++) descending = descending && w.pot_dist[i] <= w.pot_dist[i - 1];
  // A descending wall (or a molecule without atoms) gives an orientation at
  // most one run, kept in its record: the scan then allocates nothing and
  // cannot fail, and a first piece gathers the block's progress lines beside
  // it. Otherwise they come after the block's scan (beside the next one), so
  // that a failed block shows none.
  const int threads = workerCount();
  const bool linesBeside = no_atoms == 0 || (lcType == 1 && descending);
  // Pieces of orientations taken by the threads as they come free: a few
  // per thread, none below an eighth of kGrainWork atom tests.
  const int piece =
      std::max({1, kGrainWork / 8 / (no_atoms + 1), (B + 8 * threads - 1) / (8 * threads)});
  const int pieces = (B + piece - 1) / piece;
  const int workers = std::max(pieceWorkers(piece + B, piece), 1);
  Scan sc{lcType,
          L,
          no_atoms,
          digPsi,
          360.0 / digPsi,
          x,
          y,
          z,
          dots,
          w.pot_dist,
          rodRow(w.grid_el, L, gs, bound),
          false,
          descending,
          piece,
          {},
          workers == 1,
          {},
          {},
          {},
          {false},
          0,
          {},
          {},
          {},
          &sampling,
          appended};
  // Every atom within reach of the centre: the atoms' reaches always share
  // a stretch (around the centre).
  double r2 = 0.0;
  for (int a = 1; a <= no_atoms; a++) r2 = std::max(r2, x[a] * x[a] + y[a] * y[a] + z[a] * z[a]);
  sc.shared = std::sqrt(r2) < bound;
  try {
    const int records = sc.onePiece ? std::min(piece, B) : B;
    sc.orient.reset(new ScannedOrientation[static_cast<size_t>(records)]);
    sc.work.resize(static_cast<size_t>(workers));
    for (ScanWorker& s : sc.work) prepareWorker(sc, s);
    sc.more.resize(static_cast<size_t>(pieces));
    sc.state.reset(new std::atomic<int>[static_cast<size_t>(pieces)]);
    sc.acc.assign(static_cast<size_t>(5) * L1, 0.0);
    sc.count.assign(static_cast<size_t>(L1), 0);
    sc.change.assign(static_cast<size_t>(L1) + 1, 0);
  } catch (const std::bad_alloc&) {
    reportBad("no memory for the work space of the orientation scan.");
    return false;
  }
  OrientationProgress progress(N);
  int gathered = 0;  // the progress lines gathered so far
  for (int b0 = 0; b0 < N; b0 += B) {
    const int nb = std::min(B, N - b0), nPieces = (nb + piece - 1) / piece;
    const int upTo = linesBeside ? b0 + nb : b0;  // the lines due beside this scan
    const int lead = upTo > gathered ? piece : 0;
    for (int c = 0; c < nPieces; c++) {
      sc.more[c].clear();
      sc.state[c].store(kScanning);
    }
    sc.added = 0;
    forPieces(lead + nb, piece, [&](int begin, int end, int worker) {
      if (begin < lead) {
        progress.steps(gathered + 1, upTo);
        return;
      }
      const int c = (begin - lead) / piece;
      try {
        for (int k = begin - lead; k < end - lead; k++)
          scanOne(sc, b0 + k, worker, recordOf(sc, c, k), sc.more[c]);
        sc.state[c].store(kScanned);
      } catch (const std::bad_alloc&) {
        sc.state[c].store(kFailed);
      }
      addScanned(sc, nPieces, nb);
    });
    addScanned(sc, nPieces, nb);
    gathered = upTo;
    if (sc.added < nPieces) {
      reportBad("no memory for the work space of the orientation scan.");
      return false;
    }
    for (int i = 0, allowed = 0; i < L1; i++) {
      allowed += sc.change[i];
      sc.change[i] = 0;
      sc.count[i] += allowed;
    }
    sc.change[L1] = 0;
  }
  if (gathered < N) progress.steps(gathered + 1, N);
  progress.finish();
  for (int i = 0; i <= L; i++) {
    for (int j = 0; j < 5; j++) ssia.saupe_dis[i][j] = sc.acc[static_cast<size_t>(j) * L1 + i];
    w.total[i] = sc.count[i];
  }
  return true;
}

// A spacing longer than the room a medium leaves the molecule (room: from its closest position,
// Angstrom), where the default spacing leaves it a free position (roomAtDefault, from the clash
// region's end at that spacing): the refusal names -dGrid, and its advice the default. False
// where the spacing is not what leaves no position.
bool nameSpacing(const char* who, double room, double gridSpacing, double roomAtDefault, const char* particles) {
  const double fallback = settings::kGridSpacingDefault;
  if (!(gridSpacing > room) || !(roomAtDefault >= fallback) || !(gridSpacing > fallback)) return false;
  std::fprintf(stderr,
               "%s: medium too dense for the molecule at -dGrid %g: a step of %g Angstrom is longer than the %g "
               "Angstrom the %s leave it, so no position of the molecule is free; no alignment computed.\n",
               who, gridSpacing, gridSpacing, room, particles);
  char value[32];
  std::snprintf(value, sizeof value, "%g", fallback);
  std::fprintf(stderr, "%s: the default step, %s, leaves the molecule free positions between the %s.\n", who,
               foundation::adviseOption("-dGrid", value).c_str(), particles);
  return true;
}

}  // namespace

double clashEndAt(double minL, double maxL, double offset, double gs) {
  // clashRegion's last entry, without its warning of a capped count.
  const long long t = std::min<long long>(truncToLL((maxL - minL) / gs), kLastPosition);
  return static_cast<float>(static_cast<double>(t) * gs + static_cast<float>(minL + offset));
}

Orientation orientationOf(const double* dot, double psiDegrees) {
  Orientation o;
  o.phi = std::atan2(dot[1], dot[0]);
  o.theta = kHalfPi8 - std::atan2(dot[2], std::sqrt(dot[0] * dot[0] + dot[1] * dot[1]));
  o.psi = psiRadians(psiDegrees);
  return o;
}

double psiRadians(double psiDegrees) { return psiDegrees * kPi8 / 180.0 + 0.0; }

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

void projectOnAxes(int n, const double* x, const double* y, const double* z, const double axisA[4],
                   const double axisB[4], float* outA, float* outB) {
  for (int a = 1; a <= n; a++) {
    float s = 0.0f, t = 0.0f;
    s = static_cast<float>(s + x[a] * axisA[1]);
    t = static_cast<float>(t + x[a] * axisB[1]);
    s = static_cast<float>(s + y[a] * axisA[2]);
    t = static_cast<float>(t + y[a] * axisB[2]);
    s = static_cast<float>(s + z[a] * axisA[3]);
    t = static_cast<float>(t + z[a] * axisB[3]);
    outA[a] = s;
    outB[a] = t;
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

void warnPositionsCapped() {
  std::fprintf(stderr, "%s", kConcWarning);
  static const std::string cause =
      "the positions of the molecule sampled from the medium end at their limit of " +
      std::to_string(kSsiaMaxPositions) +
      " steps of the grid spacing (-dGrid) before the distance they must cover (a medium too "
      "dilute, or a step too fine)";
  noteTensorIncorrect(cause.c_str());
}

int clashRegion(float* grid_el, double minL, double maxL, double offset, double gs) {
  long long t = truncToLL((maxL - minL) / gs);
  if (t > kLastPosition) {
    warnPositionsCapped();
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
      warnPositionsCapped();
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

int wallRoom(const char* who, long long allowedStates, int orientations, double stepOutLength,
             double clashEnd, const Reach& reach, double gridSpacing, double clashEndDefault, double wvAmount,
             double atomRadius, double wallThickness, double* room) {
  if (clashEnd > stepOutLength) {
    // The walls stand closer than the molecule's centre may come: no position is free, and no
    // count of them means anything.
    std::fprintf(stderr,
                 "%s: the molecule does not fit between the walls: its centre stays %g Angstrom from a wall, "
                 "beyond the half cell of %g Angstrom; no alignment computed.\n",
                 who, clashEnd, stepOutLength);
    nameCauseOfNoFit({who, clashEnd, stepOutLength, reach, atomRadius, gridSpacing, wvAmount, "walls",
                      " (as long as bicelles still form)", wallThickness, settings::kRadiusModelDefault,
                      "bicelle's half thickness"});
    return 1;
  }
  const long long freePositions = truncToLL((stepOutLength - clashEnd) / gridSpacing);
  const double m = static_cast<double>(allowedStates) / orientations + static_cast<double>(freePositions);
  if (m <= 0 && nameSpacing(who, stepOutLength - clashEnd, gridSpacing, stepOutLength - clashEndDefault, "walls"))
    return 1;
  if (m <= 0) {
    std::fprintf(stderr,
                 "%s: medium too dense for the molecule: %lld allowed states in %d orientations and %lld free "
                 "positions; no alignment computed.\n",
                 who, allowedStates, orientations, freePositions);
    nameConcentration(who, wvAmount, "walls", "");
    return 1;
  }
  if (room != nullptr) *room = m;
  return 0;
}

double rodCellRadius(double rodRadius, double wvAmount) {
  return rodRadius / std::sqrt(wvAmount / kRodDensity);
}

int rodRoom(const char* who, double rodRadius, double wvAmount, double clashEnd, const Reach& reach,
            double gridSpacing, double clashEndDefault, double atomRadius, long long* divisor) {
  const double D = rodCellRadius(rodRadius, wvAmount);
  if (clashEnd > D) {
    // The positions the molecule may take up lie beyond the cell the rods leave around each of
    // them; weighing them against that cell's shells would give a tensor that means nothing.
    std::fprintf(stderr,
                 "%s: the molecule does not fit between the rods: its centre stays %g Angstrom from a rod's "
                 "axis, beyond the rod's cell of radius %g Angstrom; no alignment computed.\n",
                 who, clashEnd, D);
    nameCauseOfNoFit({who, clashEnd, D, reach, atomRadius, gridSpacing, wvAmount, "rods", "", rodRadius,
                      settings::kRodRadiusDefault, "rod's radius"});
    return 1;
  }
  const long long n = truncToLL((D - rodRadius) / gridSpacing);
  const double nd = static_cast<double>(n);
  const long long shells = truncToLL(nd + 0.5 * nd * (nd + 1.0) * (gridSpacing / rodRadius));
  if (divisor != nullptr) *divisor = shells;
  if (shells > 0) return 0;
  // The default spacing's positions must lie within the cell too.
  if (D >= rodRadius && clashEndDefault <= D &&
      nameSpacing(who, D - rodRadius, gridSpacing, D - rodRadius, "rods"))
    return 1;
  if (D < rodRadius)
    std::fprintf(stderr,
                 "%s: medium too dense for the molecule: the rods of radius %g Angstrom overlap (cell of radius "
                 "%g Angstrom); no alignment computed.\n",
                 who, rodRadius, D);
  else
    std::fprintf(stderr,
                 "%s: medium too dense for the molecule: rod spacing %g Angstrom leaves no shell of free "
                 "positions; no alignment computed.\n",
                 who, D - rodRadius);
  nameConcentration(who, wvAmount, "rods", "");
  return 1;
}

int stericAlignment(settings::KorimInfo* korimInfo, double rimOrder, int lcType,
                    double stepOutLength, double max_obstruction, double radius, double gridSpacing,
                    double wvAmount, double molarRatio, int no_atoms, const double* x,
                    const double* y, const double* z, double max_protein_length,
                    double min_protein_length, int digit_psi, int n_dots, const double* dots,
                    double* saupe) {
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
      std::snprintf(msg, sizeof msg, "rod radius -rM %g must be positive (Angstrom).", max_obstruction);
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

  const int L =
      clashRegion(w.grid_el, min_protein_length, max_protein_length, max_obstruction, gridSpacing);

  int last = L;
  long long cylDivisor = 0;
  const double atDefault =
      clashEndAt(min_protein_length, max_protein_length, max_obstruction, settings::kGridSpacingDefault);
  const double bound = max_obstruction + radius;
  // How far the molecule reaches: from its closest approach, its extent beyond it.
  const double closest = min_protein_length + max_obstruction, extentAbove = max_protein_length - min_protein_length;
  if (lcType == 1) {
    for (int i = 0; i <= L; i++)
      w.pot_dist[i] = static_cast<float>(radius - (w.grid_el[i] - max_obstruction));
  } else {
    if (rodRoom("stericAlignment", max_obstruction, wvAmount, w.grid_el[L], {closest, extentAbove, HUGE_VAL},
                gridSpacing, atDefault, radius, &cylDivisor) != 0)
      return 1;
    const double D = rodCellRadius(max_obstruction, wvAmount);
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
    const double widest = korimInfo != nullptr ? widestBicelleCell(*korimInfo) : HUGE_VAL;
    if (wallRoom("stericAlignment", t, N, stepOutLength, w.grid_el[L], {closest, extentAbove, widest}, gridSpacing,
                 atDefault, wvAmount, radius, max_obstruction, &m) != 0)
      return 1;
  } else {
    m = static_cast<double>(cylDivisor);
  }
  for (int j = 0; j < 5; j++) saupe[j] = S[j] / m;
  return 0;
}

}  // namespace korim::simulation
