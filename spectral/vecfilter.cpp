// Derivatives, running sums, moving-average smoothing and centring.
#include "spectral/vecfilter.h"

#include <algorithm>
#include <vector>

namespace korim::spectral {

namespace {

// Mean of in[max(0,k-w) .. min(n-1,k+w)] for every k into out (may alias in),
// minus in[k] first when centre is set.
void movingMean(float *in, float *out, int n, int w, bool centre) {
  if (n < 1) return;
  if (w < 1) {
    std::copy(in, in + n, out);
    return;
  }
  std::vector<double> sum(static_cast<size_t>(n) + 1, 0.0);
  for (int k = 0; k < n; k++) sum[k + 1] = sum[k] + in[k];
  for (int k = 0; k < n; k++) {
    int lo = std::max(0, k - w), hi = static_cast<int>(std::min<long long>(n - 1, 1LL * k + w));
    double mean = (sum[hi + 1] - sum[lo]) / (hi - lo + 1);
    out[k] = static_cast<float>(centre ? in[k] - mean : mean);
  }
}

}  // namespace

int dxV(float *in, float *out, int n, int stride) {
  if (n < 1) return 0;
  if (n == 1) {
    out[0] = 0.0f;
    return 0;
  }
  auto at = [&](int k) { return in[static_cast<long>(k) * stride]; };
  float last = at(n - 1) - at(n - 2);
  float prev = at(0);  // in[k-1] before out[k-1] could have replaced it
  out[0] = at(1) - at(0);
  for (int k = 1; k < n - 1; k++) {
    float cur = at(k);
    out[k] = at(k + 1) - prev;
    prev = cur;
  }
  out[n - 1] = last;
  return 0;
}

int dx(float *in, float *out, int n) { return dxV(in, out, n, 1); }

int dx2D(float *x, int nx, int ny, float *work) {
  if (nx < 1 || ny < 1) return 0;
  for (int iy = 0; iy < ny; iy++) {
    dx(x + static_cast<long>(iy) * nx, work, nx);
    std::copy(work, work + nx, x + static_cast<long>(iy) * nx);
  }
  for (int ix = 0; ix < nx; ix++) {
    dxV(x + ix, work, ny, nx);
    for (int iy = 0; iy < ny; iy++) x[static_cast<long>(iy) * nx + ix] = work[iy];
  }
  return 0;
}

int integ(float *x, int n) {
  for (int k = 1; k < n; k++) x[k] += x[k - 1];
  return 0;
}

int nSmooth(float *in, float *out, int n, int w) {
  movingMean(in, out, n, w, false);
  return 0;
}

int nCenter(float *in, float *out, int n, int w) {
  movingMean(in, out, n, w, true);
  return 0;
}

}  // namespace korim::spectral
