// The positions beside a rod that a molecule's atoms block: closed-form reaches
// of the atoms, settled by the exact test where they come close to a position.
#include "simulation/rodblock.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace korim::simulation {

namespace {

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

// The first position i in 0..L with g[i] >= t (strict: g[i] > t), L + 1
// when there is none; from the arithmetic estimate, settled on the stored
// values.
int firstFrom(const float* g, int L, double gs, double t, bool strict) {
  double e = std::ceil((t - g[0]) / gs);
  if (!(e >= 0.0)) e = 0.0;
  if (e > L + 1) e = L + 1;
  int k = static_cast<int>(e);
  auto past = [&](int i) { return strict ? g[i] > t : g[i] >= t; };
  while (k > 0 && past(k - 1)) k--;
  while (k <= L && !past(k)) k++;
  return k;
}

// The run of positions that atom (xj, yj) blocks, by searching from the
// position nearest to it with the exact test; [lo, hi] or lo > hi.
void searchRun(float xj, float yj, const float* g, int L, double gs, double bound, int& lo,
               int& hi) {
  lo = 1, hi = 0;
  auto test = [&](int i) { return cylinderBlocks(xj, yj, g[i], bound); };
  // Closest position: the first grid value >= -xJ or the one before it.
  const int k = firstFrom(g, L, gs, -static_cast<double>(xj), false);
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

// Atoms whose ends are estimated together (in vector registers), then
// marked one by one.
constexpr int kAtomBatch = 64;
// Tallies taken in turn, so that atoms marking the same position in a row
// do not wait for each other.
constexpr int kCopies = 4;

// What becomes of an atom: its run estimated, nothing (never blocks), or
// its run searched for with the exact test (yJ^2 within the screen's
// margins of bound^2).
enum AtomKind { kEstimate = 0, kNever = 1, kSearch = 2 };

// The constants of the estimates of one row: an atom's reach [lo, up] =
// [-xJ - h, -xJ + h], h = sqrt(bound^2 - yJ^2), is found in double to
// within about 1e-8 bound, far within the margin eps = 1e-6 |xJ| + epsBase
// (which also covers the stored positions' stray from g0 + i gs and the last
// bits of the exact test). Positions within 2 eps of an end take the exact
// test; those further inside the reach are blocked.
struct Estimates {
  double b2, lowB, highB, g0, perStep, epsBase, top;
  int L;
};

// Per atom of a batch: its kind and, for kEstimate, the positions [lo, hi]
// surely blocked and [first, last] that it may block (first <= lo and
// hi <= last when lo <= hi).
struct Batch {
  int kind[kAtomBatch], first[kAtomBatch], lo[kAtomBatch], hi[kAtomBatch], last[kAtomBatch];
};

#ifdef __SSE2__
void estimateBatch(const float* xJ, const float* yJ, int m, const Estimates& e, Batch& out) {
  const __m128d zero = _mm_setzero_pd(), fltMax = _mm_set1_pd(FLT_MAX);
  const __m128d sign = _mm_set1_pd(-0.0), b2 = _mm_set1_pd(e.b2);
  const __m128d lowB = _mm_set1_pd(e.lowB), highB = _mm_set1_pd(e.highB);
  const __m128d g0 = _mm_set1_pd(e.g0), perStep = _mm_set1_pd(e.perStep);
  const __m128d epsBase = _mm_set1_pd(e.epsBase), epsScale = _mm_set1_pd(1.0e-6);
  const __m128d minus1 = _mm_set1_pd(-1.0), two = _mm_set1_pd(2.0);
  const __m128d L = _mm_set1_pd(e.L), top = _mm_set1_pd(e.top), top2 = _mm_set1_pd(e.top + 2.0);
  const __m128i two32 = _mm_set1_epi32(2), top232 = _mm_set1_epi32(e.L + 3);
  auto index = [&](__m128d t, __m128d low, __m128d high) {  // position of t within [low, high]
    return _mm_max_pd(_mm_min_pd(_mm_mul_pd(_mm_sub_pd(t, g0), perStep), high), low);
  };
  // floor(v) and ceil(v) of v in [-1, L + 1], by truncating positive values.
  auto down = [&](__m128d v) { return _mm_sub_epi32(_mm_cvttpd_epi32(_mm_add_pd(v, two)), two32); };
  auto up = [&](__m128d v) { return _mm_sub_epi32(top232, _mm_cvttpd_epi32(_mm_sub_pd(top2, v))); };
  auto load2 = [](const float* p) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
  };
  for (int b = 0; b < m; b += 2) {
    __m128d x, y;
    if (b + 1 < m) {
      x = load2(xJ + b), y = load2(yJ + b);
    } else {
      x = _mm_cvtps_pd(_mm_load_ss(xJ + b)), y = _mm_cvtps_pd(_mm_load_ss(yJ + b));
    }
    const __m128d finite = _mm_and_pd(_mm_cmple_pd(_mm_andnot_pd(sign, x), fltMax),
                                      _mm_cmple_pd(_mm_andnot_pd(sign, y), fltMax));
    const __m128d y2 = _mm_mul_pd(y, y);
    const int inside = _mm_movemask_pd(_mm_and_pd(finite, _mm_cmplt_pd(y2, lowB)));
    const int graze = _mm_movemask_pd(_mm_and_pd(finite, _mm_cmple_pd(y2, highB)));
    const __m128d h = _mm_sqrt_pd(_mm_max_pd(_mm_sub_pd(b2, y2), zero));
    const __m128d c = _mm_xor_pd(x, sign);
    const __m128d eps2 =
        _mm_mul_pd(two, _mm_add_pd(_mm_mul_pd(_mm_andnot_pd(sign, x), epsScale), epsBase));
    const __m128d lo = _mm_sub_pd(c, h), hi = _mm_add_pd(c, h);
    const __m128i first = up(index(_mm_sub_pd(lo, eps2), zero, top));
    const __m128i sureLo = up(index(_mm_add_pd(lo, eps2), zero, top));
    const __m128i sureHi = down(index(_mm_sub_pd(hi, eps2), minus1, L));
    const __m128i last = down(index(_mm_add_pd(hi, eps2), minus1, L));
    int f[4], l[4], s[4], t[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(f), first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s), sureLo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(t), sureHi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(l), last);
    for (int q = 0; q < 2 && b + q < m; q++) {
      out.kind[b + q] = (inside >> q & 1) ? kEstimate : (graze >> q & 1) ? kSearch : kNever;
      out.first[b + q] = f[q], out.lo[b + q] = s[q], out.hi[b + q] = t[q], out.last[b + q] = l[q];
    }
  }
}
#else
void estimateBatch(const float* xJ, const float* yJ, int m, const Estimates& e, Batch& out) {
  auto index = [&](double t, double low, double high) {
    const double v = (t - e.g0) * e.perStep;
    return std::max(std::min(v, high), low);
  };
  for (int b = 0; b < m; b++) {
    const float xf = xJ[b], yf = yJ[b];
    const double y2 = static_cast<double>(yf) * yf;
    const bool finite = std::fabs(xf) <= FLT_MAX && std::fabs(yf) <= FLT_MAX;
    out.kind[b] = !finite ? kNever : y2 < e.lowB ? kEstimate : y2 <= e.highB ? kSearch : kNever;
    out.first[b] = out.lo[b] = 0;
    out.hi[b] = out.last[b] = -1;
    if (out.kind[b] != kEstimate) continue;
    const double h = std::sqrt(std::max(e.b2 - y2, 0.0)), c = -static_cast<double>(xf);
    const double eps2 = 2.0 * (1.0e-6 * std::fabs(c) + e.epsBase);
    out.first[b] = static_cast<int>(std::ceil(index(c - h - eps2, 0.0, e.top)));
    out.lo[b] = static_cast<int>(std::ceil(index(c - h + eps2, 0.0, e.top)));
    out.hi[b] = static_cast<int>(std::floor(index(c + h - eps2, -1.0, e.L)));
    out.last[b] = static_cast<int>(std::floor(index(c + h + eps2, -1.0, e.L)));
  }
}
#endif

// The counts of the atoms one by one, each run searched for with the exact
// test (a row whose estimates cannot be trusted).
void searchEvery(int n, const float* xJ, const float* yJ, const RodRow& row, int* tally) {
  for (int a = 1; a <= n; a++) {
    if (!(std::fabs(xJ[a]) <= FLT_MAX) || !(std::fabs(yJ[a]) <= FLT_MAX)) continue;
    int lo, hi;
    searchRun(xJ[a], yJ[a], row.g, row.L, row.gs, row.bound, lo, hi);
    if (lo > hi) continue;
    tally[lo]++;
    tally[hi + 1]--;
  }
}

// Marks the positions i of [from, to] that atom a blocks by the exact test.
void testEach(const float* xJ, const float* yJ, const RodRow& row, int a, int from, int to,
              int* tally) {
  for (int i = from; i <= to; i++)
    if (cylinderBlocks(xJ[a], yJ[a], row.g[i], row.bound)) {
      tally[i]++;
      tally[i + 1]--;
    }
}

// Where the atoms' reach lies along the row of positions: atom a blocks the
// positions g within its reach [-xJ - h, -xJ + h], h = sqrt(bound^2 - yJ^2),
// taken in double (up to about 1e-8 bound of the exact ends). Over the atoms
// whose yJ^2 clears the screen's lower bound: the least and greatest lower
// end and upper end. graze: some finite atom has yJ^2 between the screen's
// bounds (its reach is then left to the exact test).
struct Reach {
  double lowMin, lowMax, upMin, upMax;
  bool graze;
};

#ifdef __SSE2__
Reach reachOf(int n, const float* xJ, const float* yJ, double b2, double lowB, double highB) {
  const __m128d inf = _mm_set1_pd(INFINITY), ninf = _mm_set1_pd(-INFINITY);
  const __m128d zero = _mm_setzero_pd(), fltMax = _mm_set1_pd(FLT_MAX);
  const __m128d sign = _mm_set1_pd(-0.0), vb2 = _mm_set1_pd(b2);
  const __m128d vLow = _mm_set1_pd(lowB), vHigh = _mm_set1_pd(highB);
  __m128d lowMin = inf, lowMax = ninf, upMin = inf, upMax = ninf, graze = zero;
  auto take = [&](__m128d x, __m128d y, __m128d use) {
    const __m128d finite = _mm_and_pd(_mm_and_pd(_mm_cmple_pd(_mm_andnot_pd(sign, x), fltMax),
                                                 _mm_cmple_pd(_mm_andnot_pd(sign, y), fltMax)),
                                      use);
    const __m128d y2 = _mm_mul_pd(y, y);
    const __m128d inside = _mm_and_pd(finite, _mm_cmplt_pd(y2, vLow));
    graze = _mm_or_pd(graze, _mm_andnot_pd(inside, _mm_and_pd(finite, _mm_cmple_pd(y2, vHigh))));
    const __m128d h = _mm_sqrt_pd(_mm_max_pd(_mm_sub_pd(vb2, y2), zero));
    const __m128d c = _mm_xor_pd(x, sign);
    const __m128d lo = _mm_sub_pd(c, h), up = _mm_add_pd(c, h);
    auto pick = [&](__m128d v, __m128d other) {
      return _mm_or_pd(_mm_and_pd(inside, v), _mm_andnot_pd(inside, other));
    };
    lowMin = _mm_min_pd(lowMin, pick(lo, inf));
    lowMax = _mm_max_pd(lowMax, pick(lo, ninf));
    upMin = _mm_min_pd(upMin, pick(up, inf));
    upMax = _mm_max_pd(upMax, pick(up, ninf));
  };
  const __m128d both = _mm_castsi128_pd(_mm_set1_epi32(-1));
  int a = 1;
  for (; a + 1 <= n; a += 2) {
    const __m128d x =
        _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(xJ + a))));
    const __m128d y =
        _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(yJ + a))));
    take(x, y, both);
  }
  if (a == n) {
    const __m128d first = _mm_castsi128_pd(_mm_set_epi64x(0, -1));
    take(_mm_cvtps_pd(_mm_load_ss(xJ + a)), _mm_cvtps_pd(_mm_load_ss(yJ + a)), first);
  }
  auto lower = [](__m128d v) { return _mm_cvtsd_f64(_mm_min_sd(v, _mm_unpackhi_pd(v, v))); };
  auto upper = [](__m128d v) { return _mm_cvtsd_f64(_mm_max_sd(v, _mm_unpackhi_pd(v, v))); };
  return {lower(lowMin), upper(lowMax), lower(upMin), upper(upMax), _mm_movemask_pd(graze) != 0};
}
#else
Reach reachOf(int n, const float* xJ, const float* yJ, double b2, double lowB, double highB) {
  Reach r{INFINITY, -INFINITY, INFINITY, -INFINITY, false};
  for (int a = 1; a <= n; a++) {
    if (!(std::fabs(xJ[a]) <= FLT_MAX) || !(std::fabs(yJ[a]) <= FLT_MAX)) continue;
    const double x = xJ[a], y2 = static_cast<double>(yJ[a]) * yJ[a];
    if (!(y2 < lowB)) {
      r.graze = r.graze || y2 <= highB;
      continue;
    }
    const double h = std::sqrt(std::max(b2 - y2, 0.0)), lo = -x - h, up = -x + h;
    r.lowMin = std::min(r.lowMin, lo);
    r.lowMax = std::max(r.lowMax, lo);
    r.upMin = std::min(r.upMin, up);
    r.upMax = std::max(r.upMax, up);
  }
  return r;
}
#endif

// Appends position i to the runs (joining the last run when adjacent).
void addPosition(std::vector<PositionRun>& runs, int first, int last) {
  if (!runs.empty() && runs.back().last + 1 >= first)
    runs.back().last = std::max(runs.back().last, last);
  else
    runs.push_back({first, last});
}

}  // namespace

RodRow rodRow(const float* g, int L, double gs, double bound) {
  double stray = 0.0;
  for (int i = 0; i <= L; i++) {
    const double d = std::fabs(g[i] - (static_cast<double>(g[0]) + i * gs));
    stray = d > stray || d != d ? d : stray;  // a NaN stays
  }
  return {g, L, gs, bound, stray};
}

// Every atom blocks one contiguous run of positions (the distance depends
// monotonically on |xJ + g[i]|, and g never decreases). The positions well
// inside an atom's reach (by the closed form) are blocked, those well
// outside are not; the few within the margin of an end take the exact test,
// and an atom on the screen's edge is searched for. The result equals
// testing every pair.
void cylinderRuns(int n, const float* xJ, const float* yJ, const RodRow& row,
                  std::vector<int>& blocked) {
  const int L = row.L;
  const size_t stride = static_cast<size_t>(L) + 2;
  thread_local std::vector<int> tallies;
  tallies.assign(kCopies * stride, 0);
  int* const tally = tallies.data();
  const double gs = row.gs, bound = row.bound, g0 = row.g[0];
  const double epsBase = 1.0e-6 * (bound + std::fabs(g0) + (L + 1.0) * gs) + row.stray;
  if (!(bound > 0.0) || !(gs > 0.0) || !(epsBase <= 1.0e300) || !(std::fabs(g0) <= 1.0e300)) {
    searchEvery(n, xJ, yJ, row, tally);
  } else {
    const double b2 = bound * bound;
    const Estimates e{
        b2, b2 * (1.0 - 1.0e-12), b2 * (1.0 + 1.0e-12), g0, 1.0 / gs, epsBase, L + 1.0, L};
    Batch batch;
    int listed[kAtomBatch], atom[kAtomBatch];
    float bx[kAtomBatch], by[kAtomBatch];
    // Only atoms whose reach (at most bound about -xJ) meets the row, with
    // room to spare, are estimated; the others block nothing.
    const double margin = 1.0e-6 * (bound + std::fabs(g0) + std::fabs(row.g[L]));
    const double xHi = bound - g0 + margin, xLo = -static_cast<double>(row.g[L]) - bound - margin;
    const double yMax = bound + margin;
    for (int next = 1; next <= n;) {
      int m = 0;
      for (; next <= n && m < kAtomBatch; next++) {
        const float xf = xJ[next], yf = yJ[next];
        bx[m] = xf, by[m] = yf, atom[m] = next;
        m += (xf >= xLo) & (xf <= xHi) & (std::fabs(yf) <= yMax);
      }
      if (m == 0) continue;
      estimateBatch(bx, by, m, e, batch);
      int nl = 0;
      for (int b = 0; b < m; b++) {
        const int kind = batch.kind[b], lo = batch.lo[b], hi = batch.hi[b];
        // Atoms that reach no position (neighbours in the list mostly alike).
        if (kind == kNever || (kind == kEstimate && batch.first[b] > batch.last[b])) continue;
        const bool sure = kind == kEstimate && lo <= hi;
        const int kept = sure ? 1 : 0;
        int* const t = tally + (b % kCopies) * stride;
        t[sure ? lo : 0] += kept;
        t[sure ? hi + 1 : 0] -= kept;
        // Positions near the ends (or all it may block when no position is sure).
        const bool ends =
            sure ? (batch.first[b] < lo) | (batch.last[b] > hi) : batch.first[b] <= batch.last[b];
        listed[nl] = b;
        nl += (kind == kSearch) | (kind == kEstimate && ends);
      }
      for (int q = 0; q < nl; q++) {
        const int b = listed[q], a = atom[b];
        if (batch.kind[b] == kSearch) {
          int lo, hi;
          searchRun(xJ[a], yJ[a], row.g, L, gs, bound, lo, hi);
          if (lo <= hi) tally[lo]++, tally[hi + 1]--;
        } else if (batch.lo[b] <= batch.hi[b]) {
          testEach(xJ, yJ, row, a, batch.first[b], batch.lo[b] - 1, tally);
          testEach(xJ, yJ, row, a, batch.hi[b] + 1, batch.last[b], tally);
        } else {
          testEach(xJ, yJ, row, a, batch.first[b], batch.last[b], tally);
        }
      }
    }
  }
  int run = 0;
  for (int i = 0; i <= L; i++) {
    run += tally[i] + tally[stride + i] + tally[2 * stride + i] + tally[3 * stride + i];
    blocked[i] = run;
  }
  blocked[L + 1] = 0;
}

void cylinderRuns(int n, const float* xJ, const float* yJ, const float* g, int L, double gs,
                  double bound, std::vector<int>& blocked) {
  cylinderRuns(n, xJ, yJ, rodRow(g, L, gs, bound), blocked);
}

// When the atoms' reaches share a stretch (with room to spare), their union
// is one stretch from the least lower end to the greatest upper end: the
// positions well inside it are blocked (each lies well inside the reach of
// the atom with the least lower end or of the one with the greatest upper
// end), those well outside are not, and the few near its two ends take the
// exact test of every atom. Otherwise the atoms are counted one by one.
void cylinderBlockedRuns(int n, const float* xJ, const float* yJ, const RodRow& row, bool shared,
                         std::vector<int>& scratch, std::vector<PositionRun>& runs) {
  runs.clear();
  const int L = row.L;
  if (scratch.size() < static_cast<size_t>(L) + 2) scratch.resize(static_cast<size_t>(L) + 2);
  if (n <= 0 || L < 0) return;
  const double bound = row.bound, gs = row.gs;
  if (shared && bound > 0.0) {
    const double b2 = bound * bound;
    const Reach r = reachOf(n, xJ, yJ, b2, b2 * (1.0 - 1.0e-12), b2 * (1.0 + 1.0e-12));
    if (!r.graze && !(r.lowMin <= r.upMax)) return;  // no atom reaches the cylinder
    // Margin: far above the error of the reach (the last bits of the exact
    // test included), far below a grid step.
    const double eps = 1.0e-6 * (bound + std::fabs(r.lowMin) + std::fabs(r.upMax));
    if (!r.graze && eps <= 1.0e300 && r.upMin - r.lowMax >= 4.0 * eps) {
      const float* g = row.g;
      const int i1 = firstFrom(g, L, gs, r.lowMin - 2.0 * eps, false);
      const int i2 = firstFrom(g, L, gs, r.lowMin + 2.0 * eps, false);
      const int i3 = firstFrom(g, L, gs, r.upMax - 2.0 * eps, true);
      const int i4 = firstFrom(g, L, gs, r.upMax + 2.0 * eps, true);
      auto exact = [&](int i) {
        for (int a = 1; a <= n; a++)
          if (cylinderBlocks(xJ[a], yJ[a], g[i], bound)) return true;
        return false;
      };
      for (int i = i1; i < i2; i++)
        if (exact(i)) addPosition(runs, i, i);
      if (i2 < i3) addPosition(runs, i2, i3 - 1);
      for (int i = i3; i < i4; i++)
        if (exact(i)) addPosition(runs, i, i);
      return;
    }
  }
  cylinderRuns(n, xJ, yJ, row, scratch);
  const int* count = scratch.data();
  for (int i = 0; i <= L;) {
    while (i <= L && count[i] == 0) i++;
    if (i > L) break;
    const int first = i;
    while (i <= L && count[i] != 0) i++;
    runs.push_back({first, i - 1});
  }
}

}  // namespace korim::simulation
