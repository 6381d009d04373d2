// Descriptive statistics, histograms, running median and noise thresholds.
#include "foundation/stats.h"

#include <cmath>

#include "foundation/minmax.h"
#include "foundation/sort.h"

namespace korim::foundation {

int getNorm(float *vec, int length, float *norm) {
  *norm = 0.0f;
  if (length < 1) return 1;
  double s = 0.0;
  for (int i = 0; i < length; i++) s += double(vec[i]) * vec[i];
  *norm = static_cast<float>(s);
  return 0;
}

int getAvg(float *vec, int length, float *avg) {
  *avg = 0.0f;
  if (length < 1) return 1;
  double s = 0.0;
  for (int i = 0; i < length; i++) s += double(vec[i]) / length;
  *avg = static_cast<float>(s);
  return 0;
}

namespace {

// Keeps vec[0] and replaces it only by a value that is strictly `better`
// (not-a-number never is); length 0 gives vec[0], length < 0 status 1.
template <typename Better> int pick(const float *vec, int length, float *val, Better better) {
  if (length < 0) return 1;
  float v = vec[0];
  for (int i = 1; i < length; i++)
    if (better(vec[i], v)) v = vec[i];
  *val = v;
  return 0;
}

}  // namespace

int getMin(float *vec, int length, float *val) {
  return pick(vec, length, val, [](float x, float v) { return x < v; });
}

int getMax(float *vec, int length, float *val) {
  return pick(vec, length, val, [](float x, float v) { return x > v; });
}

int getAMin(float *vec, int length, float *val) {
  return pick(vec, length, val, [](float x, float v) { return std::fabs(x) < std::fabs(v); });
}

int getAMax(float *vec, int length, float *val) {
  return pick(vec, length, val, [](float x, float v) { return std::fabs(x) > std::fabs(v); });
}

int getRange(float *vec, int length, float *val) {
  *val = 0.0f;
  if (length < 1) return 1;
  float lo, hi;
  minMax(vec, length, &lo, &hi);
  *val = hi - lo;
  return 0;
}

namespace {

// sqrt(sum of squared deviations from the mean / (n - lost)); one value gives
// the value itself.
int deviation(const float *vec, int length, float *dev, int lost) {
  *dev = 0.0f;
  if (length < 1) return 1;
  if (length == 1) {
    *dev = vec[0];
    return 0;
  }
  double mean = 0.0;
  for (int i = 0; i < length; i++) mean += vec[i];
  mean /= length;
  double s = 0.0;
  for (int i = 0; i < length; i++) s += (vec[i] - mean) * (vec[i] - mean);
  *dev = static_cast<float>(std::sqrt(s / (length - lost)));
  return 0;
}

}  // namespace

int getStdDev(float *vec, int length, float *dev) { return deviation(vec, length, dev, 1); }

int getRMS(float *vec, int length, float *dev) { return deviation(vec, length, dev, 0); }

int getMedian(float *ra, int n, float *rmed) {
  if (n < 1) return 1;
  rSort(ra, n);
  *rmed = ra[(n + 1) / 2 - 1];
  return 0;
}

int getHist(float *yArray, int yLength, float *xArray, float *hist, int histLength) {
  if (histLength < 1) return 0;
  float lo = 0.0f, hi = 0.0f;
  if (yLength > 0) minMax(yArray, yLength, &lo, &hi);
  float range = hi > lo ? hi - lo : 1.0f;
  for (int k = 0; k < histLength; k++) {
    xArray[k] = lo + k * range / histLength;
    hist[k] = 0.0f;
  }
  int maxCount = 0;
  for (int i = 0; i < yLength; i++) {
    double b = (double(yArray[i]) - lo) * histLength / range;
    int bin = std::isfinite(b) ? static_cast<int>(b) : 0;  // truncation toward zero
    if (bin < 0) bin = 0;
    if (bin > histLength - 1) bin = histLength - 1;
    hist[bin] += 1.0f;
    if (hist[bin] > maxCount) maxCount = static_cast<int>(hist[bin]);
  }
  return maxCount;
}

int medianW(float *vec, int length, int nw, float *work) {
  if (nw < 1 || nw > length || length < 1) return 0;
  for (int i = 0; i < length; i++) {
    int lo = i - nw < 0 ? 0 : i - nw;
    int hi = i + nw > length - 1 ? length - 1 : i + nw;
    int m = hi - lo + 1;
    for (int k = 0; k < m; k++) work[k] = vec[lo + k];
    rSort(work, m);
    work[length + i] = work[(m + 1) / 2 - 1];
  }
  for (int i = 0; i < length; i++) vec[i] = work[length + i];
  return 0;
}

float findHVar(float *vec, int length, int lower, int upper, int mode) {
  if (lower < 0) lower = 0;
  if (upper > length - 1) upper = length - 1;
  double sum = 0.0, sum2 = 0.0;
  int n = 0;
  for (int i = 0; i < length; i++) {
    bool inside = i >= lower && i <= upper;
    if (inside != (mode == 0)) continue;
    sum += vec[i];
    sum2 += double(vec[i]) * vec[i];
    n++;
  }
  if (n < 2) return static_cast<float>(sum);
  double mean = sum / n;
  double var = sum2 / n - mean * mean;
  return static_cast<float>(var < 0.0 ? 0.0 : var);
}

int maxVar(float *vec, int vLength, float minVal, float maxVal, float *hist, int hLength,
           float *minThresh, float *maxThresh) {
  if (hLength < 1) return 0;
  float range = maxVal != minVal ? maxVal - minVal : 1.0f;
  for (int k = 0; k < hLength; k++) hist[k] = 0.0f;
  for (int i = 0; i < vLength; i++) {
    float x = vec[i];
    if (!(x >= minVal && x <= maxVal)) continue;
    double b = (double(x) - minVal) * (hLength - 1) / range;
    int bin = static_cast<int>(b);
    if (bin < 0) bin = 0;
    if (bin > hLength - 1) bin = hLength - 1;
    hist[bin] += 1.0f;
  }
  int peak = 0;
  for (int k = 1; k < hLength; k++)
    if (hist[k] > hist[peak]) peak = k;
  int bestW = 0;
  float bestDiff = 0.0f;
  for (int w = 0; w < hLength; w++) {
    int lo = peak - w < 0 ? 0 : peak - w;
    int hi = peak + w > hLength - 1 ? hLength - 1 : peak + w;
    float inside = findHVar(hist, hLength, lo, hi, 0);
    float outside = findHVar(hist, hLength, lo, hi, 1);
    float diff = std::fabs(outside - inside);
    if (diff > bestDiff) {
      bestDiff = diff;
      bestW = w;
    }
  }
  int lo = peak - bestW < 0 ? 0 : peak - bestW;
  int hi = peak + bestW > hLength - 1 ? hLength - 1 : peak + bestW;
  // With a single bin the bin width (range over hLength - 1) has no value;
  // both thresholds are then minVal rather than a division by zero.
  float step = hLength > 1 ? range / (hLength - 1) : 0.0f;
  *minThresh = minVal + lo * step;
  *maxThresh = minVal + hi * step;
  return 0;
}

}  // namespace korim::foundation
