// Baseline point masks by histogram band, central fraction and block deviation.
#include "spectral/basemask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "foundation/minmax.h"
#include "foundation/stats.h"
#include "spectral/getnoise.h"

namespace korim::spectral {

namespace {

constexpr int kHistBins = 32;

void markBand(const float *rdata, int *fitMask, int length, float lo, float hi) {
  for (int i = 0; i < length; i++)
    if (rdata[i] >= lo && rdata[i] <= hi) fitMask[i] = 1;
}

}  // namespace

int qTestSpecVal(const void *val1, const void *val2) {
  float a = *static_cast<const float *>(val1);
  float b = *static_cast<const float *>(val2);
  return a > b ? 1 : (a < b ? -1 : 0);
}

int baseMask(float *rdata, float *idata, int quadState, int *fitMask, int length, float s2n,
             int maxIter) {
  (void)idata;
  (void)quadState;
  if (length < 1) return 0;
  float lo, hi, upper = 0.0f, lower = 0.0f, hist[kHistBins];
  foundation::minMax(rdata, length, &lo, &hi);
  for (int iter = 0; iter < std::max(maxIter, 1); iter++) {
    foundation::maxVar(rdata, length, lo, hi, hist, kHistBins, &lower, &upper);
    float d = (upper - lower) * s2n, c = (upper + lower) / 2.0f;
    if (d > hi - lo) break;
    if (hi - c > c + d) hi = c + d;
    if (c - d > lo - c) lo = c - d;
  }
  markBand(rdata, fitMask, length, lower, upper);
  return 0;
}

int baseMask0(float *rdata, float *work, int *fitMask, int length, float fraction) {
  if (length < 1) return 0;
  std::copy(rdata, rdata + length, work);
  std::qsort(work, length, sizeof(float), qTestSpecVal);
  double h = length / 2, half = 0.5 * fraction * length;
  // Held to 0 .. length-1 before the conversion: a fraction far outside 0..1 has no int
  // position (a nan fraction keeps its band of the whole range).
  int i1 = static_cast<int>(std::min(length - 1.0, std::max(0.0, std::trunc(h - half))));
  int i2 = static_cast<int>(std::max(0.0, std::min(length - 1.0, std::trunc(h + half))));
  markBand(rdata, fitMask, length, std::min(work[i1], work[i2]), std::max(work[i1], work[i2]));
  return 0;
}

int baseMask2(float *rdata, float *work, int *fitMask, int length, float noise, int window,
              float fraction, int avgFlag) {
  if (length < 1) return 0;
  if (window < 1 || window > length) window = length;
  float thresh = noise;
  if (noise <= 0.0f) {
    float estimate;
    getSpecNoise(rdata, work, length, window, fraction, &estimate);
    thresh = -noise * estimate;
  }
  for (int start = 0; start < length; start += window) {
    int w = std::min(window, length - start);
    float dev;
    foundation::getStdDev(rdata + start, w, &dev);
    if (dev > thresh) continue;
    if (avgFlag)
      fitMask[start + (w - 1) / 2] = std::max((w - 1) / 2, 1);
    else
      std::fill(fitMask + start, fitMask + start + w, 1);
  }
  return 0;
}

}  // namespace korim::spectral
