// Noise levels from sorted deviations and the baseline level from the smallest values.
#include "spectral/getnoise.h"

#include <cmath>
#include <cstdlib>

#include "foundation/sort.h"
#include "spectral/vecfilter.h"

namespace korim::spectral {

namespace {

// One cached fraction and its normal quantile per noise routine.
struct QuantileCache {
  float fraction = 0.0f;
  float quantile = 0.0f;
};

struct NoiseState {
  QuantileCache spectrum;  // getSpecNoise
  QuantileCache plain;     // getNoise
};

NoiseState state;

// Half-width of the central part of a unit normal distribution holding
// `fraction` of it, by a running sum over steps of 0.01 (5.0 when not reached).
float normalQuantile(QuantileCache &cache, float fraction) {
  if (fraction == cache.fraction) return cache.quantile;
  float target = std::fmin(1.0f, std::fmax(0.0f, fraction));
  float x = 0.0f, sum = 0.0f, q = 5.0f;
  for (int step = 0; step < 500; step++) {
    sum += 0.02f * std::exp(-x * x / 2.0f) / 2.5065913109240605f;
    if (sum >= target) {
      q = x;
      break;
    }
    x += 0.01f;
  }
  cache.fraction = fraction;
  cache.quantile = q;
  return q;
}

// Sorted position of the fraction, held inside 0..length-1.
int fractionIndex(float fraction, int length) {
  double k = std::floor(static_cast<double>(fraction) * length);
  if (!(k > 0.0)) return 0;
  return k >= length ? length - 1 : static_cast<int>(k);
}

}  // namespace

int qTestSpecAbs(const void *val1, const void *val2) {
  float a = std::fabs(*static_cast<const float *>(val1));
  float b = std::fabs(*static_cast<const float *>(val2));
  return a > b ? 1 : (a < b ? -1 : 0);
}

void noiseReset() { state = NoiseState{}; }

float getSpecNoise(float *rdata, float *work, int length, int window, float fraction, float *noise) {
  *noise = 0.0f;
  if (length < 1) return 0.0f;
  if (window < 1 || window > length) window = length;
  for (int start = 0; start < length; start += window) {
    int n = start + window > length ? length - start : window;
    double sum = 0.0;
    for (int i = 0; i < n; i++) sum += rdata[start + i];
    float mean = static_cast<float>(sum / n);
    for (int i = 0; i < n; i++) work[start + i] = std::fabs(rdata[start + i] - mean);
  }
  foundation::rSort(work, length);
  float q = normalQuantile(state.spectrum, fraction);
  float val = work[fractionIndex(fraction, length)];
  if (q > 0.0f) *noise = val / q;
  return val;
}

int getNoise(float *rdata, float *work, int length, int window, float fraction, int iterCount,
             float *noise) {
  (void)iterCount;
  *noise = 0.0f;
  if (length < 1) return 0;
  nCenter(rdata, work, length, window);
  std::qsort(work, length, sizeof(float), qTestSpecAbs);
  float q = normalQuantile(state.plain, fraction);
  if (q > 0.0f) *noise = std::fabs(work[fractionIndex(fraction, length)]) / q;
  return 0;
}

int getBase(float *rdata, int length, float fraction, float *base) {
  *base = 0.0f;
  if (length < 1) return 0;
  std::qsort(rdata, length, sizeof(float), qTestSpecAbs);
  double k = std::floor(static_cast<double>(length) * fraction);
  int count = !(k > 0.0) ? 0 : (k >= length ? length : static_cast<int>(k));  // a nan fraction counts none
  if (count < 1) return 0;
  double sum = 0.0;
  for (int i = 0; i < count; i++) sum += rdata[i];
  *base = static_cast<float>(sum / count);
  return 0;
}

}  // namespace korim::spectral
