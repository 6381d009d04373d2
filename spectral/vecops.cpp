// In-place primitives on single-precision spectral vectors.
#include "spectral/vecops.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

template <typename T>
void rotateHalf(T *x, int n, int inverse) {
  if (n < 1) return;
  int s = inverse ? n / 2 : n - n / 2;
  std::rotate(x, x + s % n, x + n);
}

template <typename T>
void halves(T *x, int n) {
  if (n < 1) return;
  int h = (n + 1) / 2;
  std::reverse(x, x + h);
  std::reverse(x + h, x + n);
}

// Moves the n-s values that stay in order after the s wrapped ones (right
// shift) or before them (left shift), each group negated on its flag.
void circularShift(float *x, int n, int s, float *work, int invFlag, bool left) {
  if (n < 1 || s == 0) return;
  bool negKept = false, negWrapped = invFlag != 0;
  while (s > n) {
    s -= n;
    if (invFlag) {
      negKept = !negKept;
      negWrapped = !negWrapped;
    }
  }
  float kSign = negKept ? -1.0f : 1.0f, wSign = negWrapped ? -1.0f : 1.0f;
  int kept = n - s;
  if (left) {
    for (int i = 0; i < kept; i++) work[i] = kSign * x[s + i];
    for (int i = 0; i < s; i++) work[kept + i] = wSign * x[i];
  } else {
    for (int i = 0; i < s; i++) work[i] = wSign * x[kept + i];
    for (int i = 0; i < kept; i++) work[s + i] = kSign * x[i];
  }
  std::copy(work, work + n, x);
}

// Calls rotate(k, c, s) for points first .. last-1 with the phase of index k.
template <typename Rotate>
void phaseRamp(int first, int last, int n, float p0, float p1, Rotate rotate) {
  if (n < 1) return;
  double a0 = p0 * kTwoPi / 360.0, a1 = p1 * kTwoPi / 360.0;
  for (int k = std::max(first, 1) - 1; k < std::min(last, n + 1) - 1; k++) {
    double theta = a0 + k * a1 / n;
    rotate(k, std::cos(theta), std::sin(theta));
  }
}

void rotate(float &re, float &im, double c, double s) {
  double r = re, i = im;
  re = static_cast<float>(r * c - i * s);
  im = static_cast<float>(i * c + r * s);
}

}  // namespace

int reorder(float *x, int n, int inverse) {
  rotateHalf(x, n, inverse);
  return 0;
}
int c_reorder(f_complex *z, int n, int inverse) {
  rotateHalf(z, n, inverse);
  return 0;
}
int reorder2(float *x, int n) {
  halves(x, n);
  return 0;
}
int c_reorder2(f_complex *z, int n) {
  halves(z, n);
  return 0;
}

int reverse(float *x, int n) {
  if (n > 0) std::reverse(x, x + n);
  return 0;
}

int c_reverse(f_complex *z, int n) {
  if (n > 0) std::reverse(z, z + n);
  return 0;
}

int zfTail(float *x, int n, int count) {
  if (n >= 0 && count > 0) std::fill(x + n, x + n + count, 0.0f);
  return 0;
}

int zfMid(float *x, int n, int count) {
  if (n < 1 || count < 1) return 0;
  std::copy_backward(x + n / 2, x + n, x + n + count);
  std::fill(x + n / 2, x + n / 2 + count, 0.0f);
  return 0;
}

int lShift(float *x, int n, int s) {
  if (n < 1 || s == 0) return 0;
  int m = static_cast<int>(std::min<long long>(std::llabs(static_cast<long long>(s)), n));
  if (s > 0) {
    std::copy(x + m, x + n, x);
    std::fill(x + n - m, x + n, 0.0f);
  } else {
    std::copy_backward(x, x + n - m, x + n);
    std::fill(x, x + m, 0.0f);
  }
  return 0;
}

int rShift(float *x, int n, int s) {
  return s == INT_MIN ? lShift(x, n, INT_MAX) : lShift(x, n, -s);
}

int clShift(float *x, int n, int s, float *work, int invFlag) {
  if (s == INT_MIN) s++;  // |s| must be representable; n is smaller anyway
  circularShift(x, n, std::abs(s), work, invFlag, s > 0);
  return 0;
}

int crShift(float *x, int n, int s, float *work, int invFlag) {
  if (s == INT_MIN) s++;
  circularShift(x, n, std::abs(s), work, invFlag, s < 0);
  return 0;
}

int c_phase(f_complex *z, int first, int last, int n, float p0, float p1) {
  phaseRamp(first, last, n, p0, p1,
            [&](int k, double c, double s) { rotate(z[k].re, z[k].im, c, s); });
  return 0;
}

int phaseRI(float *re, float *im, int first, int last, int n, float p0, float p1) {
  if (p0 == 0 && p1 == 0) return 0;
  phaseRamp(first, last, n, p0, p1, [&](int k, double c, double s) { rotate(re[k], im[k], c, s); });
  return 0;
}

int phaseRIP(float *re, float *im, float *phases, int n) {
  for (int k = 0; k < n; k++) rotate(re[k], im[k], std::cos(phases[k]), std::sin(phases[k]));
  return 0;
}

int c_modulus(f_complex *z, int first, int last) {
  for (int k = std::max(first, 1) - 1; k < last - 1; k++)
    z[k].re = static_cast<float>(std::hypot(z[k].re, z[k].im));
  return 0;
}

int c_scale(f_complex *z, int n) {
  for (int k = 0; k < n; k++) {
    z[k].re /= n;
    z[k].im /= n;
  }
  return 0;
}

int r_scale(float *x, int n) {
  for (int k = 0; k < n; k++) x[k] /= n;
  return 0;
}

int coAdd(float *x, int n, float *coef, int m) {
  if (m < 1) return 0;
  for (int j = 0; j < n / m; j++) {
    double sum = 0;
    for (int i = 0; i < m; i++) sum += static_cast<double>(coef[i]) * x[j * m + i];
    x[j] = static_cast<float>(sum);
  }
  return 0;
}

int lpMirror(float *x, int n, int imagFlag) {
  if (n < 1) return 0;
  std::copy_backward(x, x + n, x + 2 * n - 1);
  float sign = imagFlag ? -1.0f : 1.0f;
  for (int j = 1; j < n; j++) x[n - 1 - j] = sign * x[n - 1 + j];
  return 0;
}

int htMirror(float *x, int n) {
  if (n < 1) return 0;
  std::vector<float> src(x, x + n);
  int h = n / 2, k = 0;
  for (int i = h; i < n; i++) x[k++] = -src[i];
  for (int i = 0; i < n; i++) x[k++] = src[i];
  for (int i = 0; i < h; i++) x[k++] = -src[i];
  return 0;
}

int htMirrorC(f_complex *z, int n) {
  if (n < 1) return 0;
  std::vector<f_complex> src(z, z + n);
  int h = n / 2, k = 0;
  for (int i = h; i < n; i++) z[k++] = {-src[i].re, 0.0f};
  for (int i = 0; i < n; i++) z[k++] = src[i];
  for (int i = 0; i < h; i++) z[k++] = {-src[i].re, 0.0f};
  return 0;
}

int mirror(float *x, int n, int leftFlag, int invLFlag, int invRFlag, int htFlag) {
  if (n < 1) return 0;
  if (htFlag) return htMirror(x, n);
  if (leftFlag) {
    std::reverse_copy(x, x + n, x + n);
  } else {
    std::copy(x, x + n, x + n);
    std::reverse(x, x + n);
  }
  if (invLFlag) vNeg(x, n);
  if (invRFlag) vNeg(x + n, n);
  return 0;
}

int ri2c(float *re, float *im, float *z, int n) {
  for (int k = n - 1; k >= 0; k--) {
    float r = re[k], i = im[k];
    z[2 * k + 1] = i;
    z[2 * k] = r;
  }
  return 0;
}

int c2ri(float *z, float *re, float *im, int n) {
  for (int k = 0; k < n; k++) {
    float r = z[2 * k], i = z[2 * k + 1];
    re[k] = r;
    im[k] = i;
  }
  return 0;
}

int swapRI(float *a, float *b, int n) {
  if (n > 0) std::swap_ranges(a, a + n, b);
  return 0;
}

int byteSwap(float *x, int n) {
  for (int k = 0; k < n; k++) {
    std::uint32_t w;
    std::memcpy(&w, &x[k], sizeof w);
    w = (w >> 24) | ((w >> 8) & 0xff00u) | ((w << 8) & 0xff0000u) | (w << 24);
    std::memcpy(&x[k], &w, sizeof w);
  }
  return 0;
}

int vR2I(float *x, int n) {
  for (int k = 0; k < n; k++) {
    std::int32_t v = 0;
    if (x[k] >= 2147483647.0f)
      v = INT32_MAX;
    else if (x[k] <= -2147483648.0f)
      v = INT32_MIN;
    else if (!std::isnan(x[k]))
      v = static_cast<std::int32_t>(x[k]);
    std::memcpy(&x[k], &v, sizeof v);
  }
  return 0;
}

int vI2R(float *x, int n) {
  for (int k = 0; k < n; k++) {
    std::int32_t v;
    std::memcpy(&v, &x[k], sizeof v);
    x[k] = static_cast<float>(v);
  }
  return 0;
}

int vNeg(float *x, int n) {
  for (int k = 0; k < n; k++) x[k] = -x[k];
  return 0;
}

int vAbs(float *x, int n) {
  for (int k = 0; k < n; k++) x[k] = std::fabs(x[k]);
  return 0;
}

int vSignum(float *x, int n) {
  for (int k = 0; k < n; k++) x[k] = x[k] < 0 ? -1.0f : (x[k] > 0 ? 1.0f : 0.0f);
  return 0;
}

int vAlt(float *x, int n) {
  for (int k = 1; k < n; k += 2) x[k] = -x[k];
  return 0;
}

int vAlt2(float *x, int n) {
  for (int p = 0; p < n / 4; p++) {
    x[4 * p + 2] = -x[4 * p + 2];
    x[4 * p + 3] = -x[4 * p + 3];
  }
  return 0;
}

int vAbsCor(float *out, float *x, float *bg, float c, float thresh, int n) {
  for (int k = 0; k < n; k++) {
    float r = bg[k], s = c * r;
    if ((r < thresh && x[k] > s) || s == 0) {
      out[k] = 0.0f;
      continue;
    }
    float q = std::fabs(x[k] / s);
    out[k] = q == 0 ? 0.0f : static_cast<float>(-std::log10(q));
  }
  return 0;
}

}  // namespace korim::spectral
