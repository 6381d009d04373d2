// Likelihood of measured couplings under the powder pattern of an alignment tensor: the pattern,
// its broadening by the measurement error, and the score of one tensor or of a Da x R grid.
#include "fitting/mlmagtensor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <numbers>

#if defined(__x86_64__) && defined(__GNUC__)
#define KORIM_ML_AVX 1
#include <immintrin.h>
#else
#define KORIM_ML_AVX 0
#endif

#include "foundation/checkedcount.h"
#include "foundation/convlv.h"
#include "foundation/fft.h"
#include "simulation/orientprogress.h"
#include "simulation/workers.h"

namespace korim::fitting {

namespace {

constexpr double kStep = kMlSampleStep;  // sampling of pattern and kernel, Hz
constexpr double kDensityFloor = 1e-5;  // relative to the peak: the FFT's rounding lies below
constexpr int kMaxRing = 1 << 22;       // largest ring of samples (about +-20 kHz)
// Grid points a worker takes at a time: a few milliseconds of work, so that the threads share
// the grid evenly at its end.
constexpr int kGridPiece = 16;
// An end of the grid this close to a grid point, in steps, lies on it.
constexpr double kOnGrid = 1e-6;

// The grid's progress line, "Grid points done %d of %d (R = %.2f D = %.2f)\r" after each piece
// (the point shown is the piece's last), through the buffered progress writer; the pieces end
// on any thread.
class GridProgress {
 public:
  GridProgress(int total, int piece) : total_(total), out_((total + piece - 1) / piece) {}
  void done(int points, double r, double da) {
    std::lock_guard<std::mutex> lock(m_);
    done_ += points;
    char line[128];
    const int n = std::snprintf(line, sizeof line, "Grid points done %d of %d (R = %.2f D = %.2f)\r",
                                done_, total_, r, da);
    if (n > 0) out_.line(line, std::min(static_cast<size_t>(n), sizeof line - 1));
  }
  // The line end of the grid.
  void finish() { out_.finish(); }

 private:
  std::mutex m_;
  int total_;
  int done_ = 0;
  simulation::OrientationProgress out_;
};

// v as the decimal it was given: a value held in single precision (the options are) becomes the
// shortest decimal that gives the same float, so that 0.63 - 0.6 is three steps of 0.01 and not
// three less three millionths; any other double stays as it is.
double givenDecimal(double v) {
  const float f = static_cast<float>(v);
  if (!(static_cast<double>(f) == v)) return v;
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text - 1, f);
  if (end.ec != std::errc()) return v;
  *end.ptr = '\0';
  return std::strtod(text, nullptr);
}

// Steps j >= 0 with j * kStep <= limit (-1 when limit is negative).
int stepsUpTo(double limit) {
  if (!(limit >= 0.0)) return -1;
  int j = static_cast<int>(std::floor(limit / kStep));
  while ((j + 1) * kStep <= limit) ++j;
  while (j >= 0 && j * kStep > limit) --j;
  return j;
}

// The principal values of one tensor's powder pattern, computed once for all its samples.
struct PowderPattern {
  double f33, f22, f11, h;
  PowderPattern(double Dab, double R)
      : f33(-2.0 * Dab), f22((1.0 + 1.5 * R) * Dab), f11((1.0 - 1.5 * R) * Dab),
        h(R == 0.0 ? f11 + 0.01 : f11) {}

  // The arguments of the pattern at Fi: the value is K(m) / (pi sqrt(d)). False where the
  // pattern is 0.
  bool arguments(double Fi, double* dOut, double* mOut) const {
    if (Fi == f11) Fi -= 0.001;
    double d = 0.0, m = 0.0;
    if (h < Fi && Fi <= f33) {
      d = (Fi - f22) * (f33 - f11);
      m = (f33 - Fi) * (f11 - f22) / d;
    } else if (f22 <= Fi && Fi < f11) {
      d = (f33 - Fi) * (f11 - f22);
      m = (f33 - f11) * (Fi - f22) / d;
    } else {
      return false;
    }
    if (!(d > 0.0)) return false;
    // The integrable singularity at f11: rounding must not carry m to 1 or beyond.
    *mOut = std::clamp(m, 0.0, std::nextafter(1.0, 0.0));
    *dOut = d;
    return true;
  }
};

#if KORIM_ML_AVX
// Vectors of four samples that the elliptic integrals take at once (their square roots overlap).
constexpr int kLaneVectors = 4;

// K(m) / (pi sqrt(d)) of 4 kLaneVectors samples at a time (count a multiple of that): each
// lane follows kooky's iteration to its own end, with the same operations, so the values are
// the same bytes.
__attribute__((target("avx"))) void patternValuesAvx(const double* m, const double* d, int count,
                                                     double* out) {
  const __m256d one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5);
  const __m256d two = _mm256_set1_pd(2.0), tol = _mm256_set1_pd(1e-16);
  const __m256d pi = _mm256_set1_pd(std::numbers::pi), sign = _mm256_set1_pd(-0.0);
  for (int i = 0; i < count; i += 4 * kLaneVectors) {
    __m256d a[kLaneVectors], b[kLaneVectors], live[kLaneVectors];
    for (int v = 0; v < kLaneVectors; ++v) {
      a[v] = one;
      live[v] = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
      b[v] = _mm256_sqrt_pd(_mm256_sub_pd(one, _mm256_loadu_pd(m + i + 4 * v)));
    }
    for (int it = 0; it < 64; ++it) {
      __m256d active[kLaneVectors];
      __m256d any = _mm256_setzero_pd();
      for (int v = 0; v < kLaneVectors; ++v) {
        const __m256d gap = _mm256_andnot_pd(sign, _mm256_sub_pd(a[v], b[v]));
        active[v] = _mm256_and_pd(live[v], _mm256_cmp_pd(gap, _mm256_mul_pd(tol, a[v]), _CMP_GT_OQ));
        any = _mm256_or_pd(any, active[v]);
      }
      if (_mm256_movemask_pd(any) == 0) break;
      for (int v = 0; v < kLaneVectors; ++v) {
        const __m256d next = _mm256_mul_pd(half, _mm256_add_pd(a[v], b[v]));
        const __m256d root = _mm256_sqrt_pd(_mm256_mul_pd(a[v], b[v]));
        // A lane that the step leaves as it is stays so: it ends as kooky's loop does.
        const __m256d same = _mm256_and_pd(_mm256_cmp_pd(next, a[v], _CMP_EQ_OQ),
                                           _mm256_cmp_pd(root, b[v], _CMP_EQ_OQ));
        live[v] = _mm256_andnot_pd(same, live[v]);
        // Lanes that have ended keep their values (a bitwise choice, which the compiler keeps
        // in the vector registers).
        a[v] = _mm256_or_pd(_mm256_and_pd(active[v], next), _mm256_andnot_pd(active[v], a[v]));
        b[v] = _mm256_or_pd(_mm256_and_pd(active[v], root), _mm256_andnot_pd(active[v], b[v]));
      }
    }
    for (int v = 0; v < kLaneVectors; ++v) {
      const __m256d k = _mm256_div_pd(pi, _mm256_mul_pd(two, a[v]));
      const __m256d den = _mm256_mul_pd(_mm256_sqrt_pd(_mm256_loadu_pd(d + i + 4 * v)), pi);
      _mm256_storeu_pd(out + i + 4 * v, _mm256_div_pd(k, den));
    }
  }
}
#endif

// analytical(Dab, R, s j kStep) for j = first..last, into out[j * stride] as float (s = -1 for
// the negative side). The elliptic integrals run on vectors where the processor allows.
struct PatternSampler {
  std::vector<double> m, d, value;
  std::vector<int> at;

  void run(double dab, double r, int first, int last, bool negative, float* out, int stride) {
    const PowderPattern p(dab, r);
    m.clear();
    d.clear();
    at.clear();
    for (int j = first; j <= last; ++j) {
      double dj = 0.0, mj = 0.0;
      float* o = out + static_cast<std::ptrdiff_t>(j) * stride;
      if (!p.arguments(negative ? -j * kStep : j * kStep, &dj, &mj)) {
        *o = 0.0f;
      } else if (!(mj < 1.0)) {  // not a number: kooky's own answer
        *o = static_cast<float>(kooky(mj) / (std::sqrt(dj) * std::numbers::pi));
      } else {
        m.push_back(mj);
        d.push_back(dj);
        at.push_back(j);
      }
    }
    const size_t count = m.size();
#if KORIM_ML_AVX
    if (foundation::haveAvx()) {
      const size_t batch = 4 * kLaneVectors;
      const size_t padded = (count + batch - 1) / batch * batch;
      m.resize(padded, 0.0);
      d.resize(padded, 1.0);
      value.resize(padded);
      patternValuesAvx(m.data(), d.data(), static_cast<int>(padded), value.data());
    } else
#endif
    {
      value.resize(count);
      for (size_t i = 0; i < count; ++i)
        value[i] = kooky(m[i]) / (std::sqrt(d[i]) * std::numbers::pi);
    }
    for (size_t i = 0; i < count; ++i)
      out[static_cast<std::ptrdiff_t>(at[i]) * stride] = static_cast<float>(value[i]);
  }
};

// The samples of one score: pattern and broadened pattern on a ring of n positions (1-based;
// position 1 + j holds abscissa j * kStep, position n + 1 - j abscissa -j * kStep), the kernel
// in the convolution's wrap-around layout. The ring holds the widest pattern of its grid, the
// kernel on both sides of it, and a gap between its two ends.
struct ScoreRing {
  int n = 0;
  int kernelSteps = 0;  // lags 0..kernelSteps on each side
  int posSteps = 0;     // widest positive extent of a pattern, steps
  int negSteps = 0;     // widest negative extent, steps
  std::vector<float> kernel, pattern, result;
  double floorValue = 0.0;  // the least density a coupling counts with
  PatternSampler sampler;

  // Whether a ring for patterns up to +maxPos and -maxNeg Hz can be laid out: 0, 1 after a
  // message.
  static int check(double delta, double maxPos, double maxNeg) {
    if (mlLineWidthCheck(delta) != 0) return 1;
    const double span = std::max(maxPos, 0.0) + std::max(maxNeg, 0.0);
    if (!(span / kStep < kMaxRing / 2)) {
      std::fprintf(stderr, "korim: a Da of %.1f Hz is too large for the likelihood's sampling "
                           "every %.2f Hz.\n", std::max(maxPos, maxNeg) / 2.0, kStep);
      return 1;
    }
    return 0;
  }

  // Whether the pattern of Da is resolved by the sampling: 0, 1 after a message.
  static int checkDa(double dab) {
    if (dab <= -kMinPatternDa) return 0;
    std::fprintf(stderr, "korim: a Da of %.3f Hz has no pattern that the likelihood's sampling every "
                         "%.2f Hz resolves; it scores Da of -1/3 Hz or below (a smaller size loses more "
                         "than a tenth of the pattern at its edge).\n", dab, kStep);
    return 1;
  }

  // Lays the ring out for patterns up to +maxPos and -maxNeg Hz. Returns 0, 1 after a message.
  int layout(double delta, double maxPos, double maxNeg) {
    if (check(delta, maxPos, maxNeg) != 0) return 1;
    kernelSteps = stepsUpTo(3.0 * delta);
    posSteps = std::max(stepsUpTo(maxPos), 0) + 1;
    negSteps = std::max(stepsUpTo(maxNeg), 0) + 1;
    const int need = posSteps + negSteps + 2 * kernelSteps + 2;
    n = 2;
    while (n < need || n < 2 * kernelSteps + 1) n *= 2;
    const int m = 2 * kernelSteps + 1;
    kernel.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 0; i <= kernelSteps; ++i) {
      const float g = static_cast<float>(normal(0.0, delta, i * kStep));
      kernel[static_cast<size_t>(1 + i)] = g;
      if (i > 0) kernel[static_cast<size_t>(m + 1 - i)] = g;
    }
    // In the convolution's layout once for all the patterns of the ring.
    foundation::convlvArrange(kernel.data(), n, m);
    pattern.assign(static_cast<size_t>(n) + 1, 0.0f);
    result.assign(2 * static_cast<size_t>(n) + 1, 0.0f);
    return 0;
  }

  // The pattern of Da, R broadened, and the floor of its density. 0, 1 when the convolution
  // failed.
  int broaden(double dab, double r) {
    std::fill(pattern.begin(), pattern.end(), 0.0f);
    const int pos = std::min(stepsUpTo(-2.0 * dab), posSteps);
    sampler.run(dab, r, 0, pos, false, pattern.data() + 1, 1);
    const double f22 = (1.0 + 1.5 * r) * dab;
    const int neg = std::min(stepsUpTo(-f22), negSteps);
    sampler.run(dab, r, 1, neg, true, pattern.data() + (n + 1), -1);
    if (foundation::convlvArranged(pattern.data(), n, kernel.data(), 1, result.data()) != 0)
      return 1;
    float peak = 0.0f;
    for (int i = 1; i <= n; ++i) peak = std::max(peak, result[static_cast<size_t>(i)]);
    floorValue = std::max(kDensityFloor * peak, 1e-30);
    return 0;
  }

  // The score of the couplings under the broadened pattern.
  double sum(int coupCount, const float* coup) const {
    double sum = 0.0;
    for (int i = 0; i < coupCount; ++i) {
      const double j = std::floor(coup[i] / kStep);
      double v = floorValue;
      if (j <= posSteps + kernelSteps && j >= -(negSteps + kernelSteps)) {
        const int idx = static_cast<int>(j) + 1 + (j < 0 ? n : 0);
        v = std::max(static_cast<double>(result[static_cast<size_t>(idx)]), floorValue);
      }
      sum += std::log10(v);
    }
    return sum;
  }

  double score(int coupCount, const float* coup, double dab, double r) {
    if (coupCount < 1 || broaden(dab, r) != 0) return 0.0;
    return sum(coupCount, coup);
  }
};

}  // namespace

double kooky(double m) {
  if (!(m < 1.0)) return HUGE_VAL;
  double a = 1.0;
  double b = std::sqrt(1.0 - m);
  for (int i = 0; i < 64 && std::fabs(a - b) > 1e-16 * a; ++i) {
    const double next = 0.5 * (a + b);
    const double root = std::sqrt(a * b);
    // a and b a rounding step apart may be left as they are by a step; then they stay so.
    if (next == a && root == b) break;
    b = root;
    a = next;
  }
  return std::numbers::pi / (2.0 * a);
}

double normal(double m, double d, double x) {
  const double z = (x - m) / d;
  return std::exp(-0.5 * z * z) / (std::sqrt(2.0 * std::numbers::pi) * d);
}

double analytical(double Dab, double R, double Fi) {
  const PowderPattern p(Dab, R);
  double d = 0.0, m = 0.0;
  if (!p.arguments(Fi, &d, &m)) return 0.0;
  return kooky(m) / (std::sqrt(d) * std::numbers::pi);
}

double mlMagTensorSingle(int coupCount, const float* coup_mat, double delta, double Dab, double R) {
  if (coupCount < 1) return 0.0;
  MlPattern p;
  if (p.set(delta, Dab, R) != 0) return 0.0;
  return p.score(coupCount, coup_mat);
}

int mlPatternCheck(double delta, double Dab, double R) {
  return ScoreRing::check(delta, -2.0 * Dab, -(1.0 + 1.5 * R) * Dab);
}

struct MlPattern::Ring : ScoreRing {
  bool broadened = false;
};

MlPattern::MlPattern() : ring_(std::make_unique<Ring>()) {}
MlPattern::~MlPattern() = default;

int MlPattern::set(double delta, double Dab, double R) {
  ring_->broadened = false;
  if (ring_->layout(delta, -2.0 * Dab, -(1.0 + 1.5 * R) * Dab) != 0 || ScoreRing::checkDa(Dab) != 0)
    return 1;
  ring_->broadened = ring_->broaden(Dab, R) == 0;
  return 0;
}

double MlPattern::score(int coupCount, const float* coup) const {
  if (coupCount < 1 || !ring_->broadened) return 0.0;
  return ring_->sum(coupCount, coup);
}

double mlAxisPoints(double low, double high, float step, bool withFarEnd) {
  const double x = (givenDecimal(high) - givenDecimal(low)) / givenDecimal(step);
  const double n = std::round(x);
  if (std::fabs(x - n) <= kOnGrid) {
    if (n < 0.0) return 0.0;
    return withFarEnd ? n + 1.0 : n;
  }
  return x < 0.0 ? 0.0 : std::floor(x) + 1.0;
}

int mlLineWidthCheck(double delta) {
  if (delta > 0.0 && mlLineWidthWithin(delta)) return 0;
  std::fprintf(stderr, "korim: the mean coupling error %.3f Hz is outside the likelihood's "
                       "range (above 0, at most %.2f Hz).\n", delta, kMaxLineWidth);
  return 1;
}

int mlMagTensor(int coupCount, const float* coup_mat, double delta, double lowDab, double highDab,
                float incDa, double lowR, double highR, float incR, std::vector<double>* RList,
                std::vector<double>* DabList, std::vector<double>* scoreList, int* lCount) {
  RList->clear();
  DabList->clear();
  scoreList->clear();
  *lCount = 0;
  if (!(incDa > 0.0f) || !(incR > 0.0f)) {
    std::fprintf(stderr, "korim: the grid increments of Da and R must be positive (%g, %g).\n",
                 incDa, incR);
    return 1;
  }
  const double pointsR = mlAxisPoints(lowR, highR, incR, true);
  const double pointsDa = mlAxisPoints(lowDab, highDab, incDa, false);
  if (pointsR < 1.0 || pointsDa < 1.0) return 0;
  if (!(pointsR * pointsDa <= kMaxGridPoints)) {
    std::fprintf(stderr, "korim: the Da x R grid would hold %s points, more than %ld; "
                         "use larger increments or a smaller range.\n",
                 foundation::countText(pointsR * pointsDa).c_str(), kMaxGridPoints);
    return 1;
  }
  // Da runs from highDab away from 0: its first value is the one nearest 0.
  if (ScoreRing::checkDa(highDab) != 0) return 1;
  // The widest pattern of the grid lies at one of its corners.
  double maxPos = 0.0, maxNeg = 0.0;
  for (double da : {lowDab, highDab})
    for (double r : {lowR, highR}) {
      maxPos = std::max(maxPos, -2.0 * da);
      maxNeg = std::max(maxNeg, -(1.0 + 1.5 * r) * da);
    }
  ScoreRing ring;
  if (ring.layout(delta, maxPos, maxNeg) != 0) return 1;
  // The points' values are sums of the steps, as they have always been taken.
  const int nR = static_cast<int>(pointsR), nDa = static_cast<int>(pointsDa);
  double r = lowR;
  for (int i = 0; i < nR; ++i, r += incR) {
    double da = highDab;
    for (int j = 0; j < nDa; ++j, da -= incDa) {
      RList->push_back(r);
      DabList->push_back(da);
    }
  }
  // The points are independent: pieces of them go to the worker threads, each with its own
  // ring, and every score lands at its point's place, so the lists are the same whatever the
  // number of threads.
  const int count = static_cast<int>(RList->size());
  scoreList->assign(RList->size(), 0.0);
  const int workers = std::max(simulation::pieceWorkers(count, kGridPiece), 1);
  std::vector<ScoreRing> rings(static_cast<size_t>(workers), ring);
  GridProgress progress(count, kGridPiece);
  simulation::forPieces(count, kGridPiece, [&](int begin, int end, int worker) {
    ScoreRing& w = rings[static_cast<size_t>(worker)];
    for (int i = begin; i < end; ++i)
      (*scoreList)[static_cast<size_t>(i)] =
          w.score(coupCount, coup_mat, (*DabList)[static_cast<size_t>(i)],
                  (*RList)[static_cast<size_t>(i)]);
    progress.done(end - begin, (*RList)[static_cast<size_t>(end - 1)],
                  (*DabList)[static_cast<size_t>(end - 1)]);
  });
  progress.finish();
  *lCount = static_cast<int>(scoreList->size());
  return 0;
}

}  // namespace korim::fitting
