// Danielson-Lanczos complex FFT and the real-data transforms built on it.
#include "foundation/fft.h"

#include <cmath>
#include <utility>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#define KORIM_FFT_AVX 1
#include <immintrin.h>
#else
#define KORIM_FFT_AVX 0
#endif

#include "foundation/nrutil.h"

namespace korim::foundation {

namespace {

bool isPowerOfTwo(unsigned long n) { return n != 0 && (n & (n - 1)) == 0; }

// Calls exchange(i, j) for every pair of complex points (float indices i < j
// of data[1..n]) that the bit-reversal reordering swaps, in order.
template <typename F>
void bitReversalPairs(unsigned long n, F exchange) {
  unsigned long j = 1;
  for (unsigned long i = 1; i < n; i += 2) {
    if (j > i) exchange(i, j);
    unsigned long m = n >> 1;
    while (m >= 2 && j > m) {
      j -= m;
      m >>= 1;
    }
    j += m;
  }
}

void swapPoints(float *data, unsigned long i, unsigned long j) {
  std::swap(data[j], data[i]);
  std::swap(data[j + 1], data[i + 1]);
}

// The angle step of the stage of mmax floats and the recurrence's two factors.
struct StageFactors {
  double wpr, wpi, wtemp;
  StageFactors(unsigned long mmax, int isign) {
    const double theta = isign * (6.28318530717959 / static_cast<double>(mmax));
    wtemp = std::sin(0.5 * theta);
    wpr = -2.0 * wtemp * wtemp;
    wpi = std::sin(theta);
  }
};

// The butterflies of the stage whose groups are mmax floats apart; the twiddle factors follow
// a trigonometric recurrence in double.
void stagePlain(float *data, unsigned long n, unsigned long mmax, int isign) {
  const unsigned long istep = mmax << 1;
  const StageFactors f(mmax, isign);
  double wtemp = f.wtemp;
  double wr = 1.0, wi = 0.0;
  for (unsigned long m = 1; m < mmax; m += 2) {
    for (unsigned long i = m; i <= n; i += istep) {
      const unsigned long k = i + mmax;
      const float tempr = static_cast<float>(wr * data[k] - wi * data[k + 1]);
      const float tempi = static_cast<float>(wr * data[k + 1] + wi * data[k]);
      data[k] = data[i] - tempr;
      data[k + 1] = data[i + 1] - tempi;
      data[i] += tempr;
      data[i + 1] += tempi;
    }
    wr = (wtemp = wr) * f.wpr - wi * f.wpi + wr;
    wi = wi * f.wpr + wtemp * f.wpi + wi;
  }
}

#if KORIM_FFT_AVX
// The twiddle factors of every stage of a transform of nn points, the values of the plain
// recurrence as pairs (real, imaginary) in point order; the stage of mmax floats starts at
// mmax - 4.
struct Twiddles {
  unsigned long nn = 0;
  int isign = 0;
  std::vector<double> w;
  std::vector<unsigned> swaps;  // the bit reversal's exchanges (i, j), float indices
};

// The factors of the last few transforms of the calling thread: a search evaluates the same
// lengths again and again, and each thread keeps its own, so that no lock is needed.
const Twiddles &twiddles(unsigned long nn, int isign) {
  constexpr size_t kKept = 4;
  thread_local std::vector<Twiddles> kept;
  for (const Twiddles &t : kept)
    if (t.nn == nn && t.isign == isign) return t;
  if (kept.size() == kKept) kept.erase(kept.begin());
  Twiddles t;
  t.nn = nn;
  t.isign = isign;
  const unsigned long n = nn << 1;
  t.w.resize(n);
  bitReversalPairs(n, [&](unsigned long i, unsigned long j) {
    t.swaps.push_back(static_cast<unsigned>(i));
    t.swaps.push_back(static_cast<unsigned>(j));
  });
  for (unsigned long mmax = 4; n > mmax; mmax <<= 1) {
    const StageFactors f(mmax, isign);
    double wtemp = f.wtemp;
    double wr = 1.0, wi = 0.0;
    for (unsigned long m = 0; m < mmax; m += 2) {
      t.w[mmax - 4 + m] = wr;
      t.w[mmax - 3 + m] = wi;
      wr = (wtemp = wr) * f.wpr - wi * f.wpi + wr;
      wi = wi * f.wpr + wtemp * f.wpi + wi;
    }
  }
  kept.push_back(std::move(t));
  return kept.back();
}

// Floats of data that the first stages take block by block, so that the block stays in the
// processor's first-level cache while they run (16 KB).
constexpr unsigned long kBlockFloats = 4096;

// The first stage (factor (1, 0)) on data[from..to-1], two butterflies at a time.
__attribute__((target("avx"))) void firstStageAvx(float *data, unsigned long from,
                                                   unsigned long to) {
  const __m256d wrv = _mm256_set1_pd(1.0), wiv = _mm256_setzero_pd();
  for (unsigned long g = from; g + 7 < to; g += 8) {
    const __m128 lo = _mm_loadu_ps(data + g), hi = _mm_loadu_ps(data + g + 4);
    const __m128 a = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256d x = _mm256_cvtps_pd(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 2, 3, 2)));
    const __m256d p1 = _mm256_mul_pd(wrv, x);
    const __m256d p2 = _mm256_mul_pd(wiv, _mm256_permute_pd(x, 0x5));
    const __m128 temp = _mm256_cvtpd_ps(_mm256_addsub_pd(p1, p2));
    const __m128 sum = _mm_add_ps(a, temp), diff = _mm_sub_ps(a, temp);
    _mm_storeu_ps(data + g, _mm_shuffle_ps(sum, diff, _MM_SHUFFLE(1, 0, 1, 0)));
    _mm_storeu_ps(data + g + 4, _mm_shuffle_ps(sum, diff, _MM_SHUFFLE(3, 2, 3, 2)));
  }
}

// The stage of mmax floats (at least 4) on the groups of data[from..to-1], two points at a time:
// each product is the plain one (double products, their difference and sum, rounded to float),
// so the result is the same bytes.
__attribute__((target("avx"))) void stageAvx(float *data, unsigned long from, unsigned long to,
                                              unsigned long mmax, const double *w) {
  const unsigned long istep = mmax << 1;
  for (unsigned long g = from; g < to; g += istep) {
    for (unsigned long m = 0; m < mmax; m += 4) {
      const __m256d wv = _mm256_loadu_pd(w + m);
      const __m256d wrv = _mm256_permute_pd(wv, 0x0);
      const __m256d wiv = _mm256_permute_pd(wv, 0xf);
      float *di = data + g + m;
      float *dk = di + mmax;
      const __m256d x = _mm256_cvtps_pd(_mm_loadu_ps(dk));
      const __m256d p1 = _mm256_mul_pd(wrv, x);
      const __m256d p2 = _mm256_mul_pd(wiv, _mm256_permute_pd(x, 0x5));
      const __m128 temp = _mm256_cvtpd_ps(_mm256_addsub_pd(p1, p2));
      const __m128 a = _mm_loadu_ps(di);
      _mm_storeu_ps(dk, _mm_sub_ps(a, temp));
      _mm_storeu_ps(di, _mm_add_ps(a, temp));
    }
  }
}

// Every stage of data[1..n]: each butterfly of a stage touches its own points, so the stages
// whose groups lie inside a block run block by block and the order does not change a result.
void stagesAvx(float *data, unsigned long n, const Twiddles &t) {
  const unsigned long block = n < kBlockFloats ? n : kBlockFloats;
  for (unsigned long b = 1; b <= n; b += block) {
    firstStageAvx(data, b, b + block);
    for (unsigned long mmax = 4; 2 * mmax <= block; mmax <<= 1)
      stageAvx(data, b, b + block, mmax, t.w.data() + (mmax - 4));
  }
  for (unsigned long mmax = block; n > mmax; mmax <<= 1)
    stageAvx(data, 1, n + 1, mmax, t.w.data() + (mmax - 4));
}
#endif

}  // namespace

bool haveAvx() {
#if KORIM_FFT_AVX
  static const bool avx = __builtin_cpu_supports("avx");  // asked once
  return avx;
#else
  return false;
#endif
}

void four1Plain(float *data, unsigned long nn, int isign) {
  if (!isPowerOfTwo(nn)) {
    // The bit reversal and the butterflies would run past the array.
    nrerror("Number of points not a power of 2 in FOUR1");
    return;
  }
  const unsigned long n = nn << 1;
  bitReversalPairs(n, [&](unsigned long i, unsigned long j) { swapPoints(data, i, j); });
  for (unsigned long mmax = 2; n > mmax; mmax <<= 1) stagePlain(data, n, mmax, isign);
}

void four1(float *data, unsigned long nn, int isign) {
#if KORIM_FFT_AVX
  if (isPowerOfTwo(nn) && nn >= 4 && haveAvx()) {
    const unsigned long n = nn << 1;
    const Twiddles &t = twiddles(nn, isign);
    for (size_t s = 0; s < t.swaps.size(); s += 2) swapPoints(data, t.swaps[s], t.swaps[s + 1]);
    stagesAvx(data, n, t);
    return;
  }
#endif
  four1Plain(data, nn, isign);
}

void realft(float *data, int n, int isign) {
  if (n < 1) return;
  const float c1 = 0.5f;
  float c2;
  double theta = 3.141592653589793 / static_cast<double>(n);
  if (isign == 1) {
    c2 = -0.5f;
    four1(data, static_cast<unsigned long>(n), 1);
  } else {
    c2 = 0.5f;
    theta = -theta;
  }
  double wtemp = std::sin(0.5 * theta);
  const double wpr = -2.0 * wtemp * wtemp;
  const double wpi = std::sin(theta);
  double wr = 1.0 + wpr, wi = wpi;
  const int n2p3 = 2 * n + 3;
  // Separates the transforms of the even and odd samples, point i paired with n+2-i.
  for (int i = 2; i <= n / 2; i++) {
    const int i1 = i + i - 1, i2 = i1 + 1, i3 = n2p3 - i2, i4 = i3 + 1;
    const float h1r = c1 * (data[i1] + data[i3]);
    const float h1i = c1 * (data[i2] - data[i4]);
    const float h2r = -c2 * (data[i2] + data[i4]);
    const float h2i = c2 * (data[i1] - data[i3]);
    data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
    data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
    data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
    data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
    wr = (wtemp = wr) * wpr - wi * wpi + wr;
    wi = wi * wpr + wtemp * wpi + wi;
  }
  const float h1r = data[1];
  if (isign == 1) {
    data[1] = h1r + data[2];
    data[2] = h1r - data[2];
  } else {
    data[1] = c1 * (h1r + data[2]);
    data[2] = c1 * (h1r - data[2]);
    four1(data, static_cast<unsigned long>(n), -1);
  }
}

void twofft(const float *data1, const float *data2, float *fft1, float *fft2, int n) {
  if (n < 1) return;
  const int nn2 = 2 + n + n, nn3 = nn2 + 1;
  for (int j = 1, jj = 2; j <= n; j++, jj += 2) {
    fft1[jj - 1] = data1[j];
    fft1[jj] = data2[j];
  }
  four1(fft1, static_cast<unsigned long>(n), 1);
  fft2[1] = fft1[2];
  fft1[2] = fft2[2] = 0.0f;
  // Point k and its mirror n-k hold the even and odd parts of the two transforms.
  for (int j = 3; j <= n + 1; j += 2) {
    const float rep = 0.5f * (fft1[j] + fft1[nn2 - j]);
    const float rem = 0.5f * (fft1[j] - fft1[nn2 - j]);
    const float aip = 0.5f * (fft1[j + 1] + fft1[nn3 - j]);
    const float aim = 0.5f * (fft1[j + 1] - fft1[nn3 - j]);
    fft1[j] = rep;
    fft1[j + 1] = aim;
    fft1[nn2 - j] = rep;
    fft1[nn3 - j] = -aim;
    fft2[j] = aip;
    fft2[j + 1] = -rem;
    fft2[nn2 - j] = aip;
    fft2[nn3 - j] = rem;
  }
}

}  // namespace korim::foundation
