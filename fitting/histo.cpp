// Coupling histogram: extremes of the distribution, bins, most populated value and the model of
// the principal couplings.
#include "fitting/histo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/moment.h"
#include "foundation/sort.h"

namespace korim::fitting {

namespace {

// Mean of the window values[0..k-1], grown until sqrt(k) * s reaches the threshold.
float windowMean(const std::vector<float>& values, double threshold) {
  const int n = static_cast<int>(values.size());
  std::vector<float> window;
  for (int k = 1; k <= n; ++k) {
    window.push_back(values[k - 1]);
    float sum = 0, ave = 0, adev = 0, sdev = 0, var = 0, skew = 0, curt = 0;
    if (k == 1) {
      ave = window[0];
    } else {
      foundation::moment(window.data(), k, &sum, &ave, &adev, &sdev, &var, &skew, &curt);
    }
    if (!(std::sqrt(static_cast<double>(k)) * sdev < threshold) || k == n) return ave;
  }
  return 0.0f;
}

}  // namespace

void getDzzDyy(int nD, float* coupList, double delta, float sdevNeg, float sdevPos, float* dNeg,
               float* dPos) {
  foundation::rSort(coupList, nD);
  const std::vector<float> low(coupList, coupList + nD);        // the smallest first
  const std::vector<float> high(low.rbegin(), low.rend());        // the largest first
  *dPos = windowMean(high, delta * sdevPos);
  *dNeg = windowMean(low, delta * sdevNeg);
}

int makeBins(double delta, float max, float min, int maxBins, int nUserBins, int* nBins,
             float* binwidth, float* bins) {
  const double span = (max + delta) - (min - delta);
  double count = 0.0;
  double width = 0.0;
  // One bin would be the whole span, always the fullest, and two would be centred at its ends,
  // one of which is then the fullest: the flexible estimate lowering its count by 2 passes from
  // below 3 to the automatic layout.
  if (nUserBins < 3) {
    width = 2.0 * delta;
    count = std::trunc(span / width) + 1.0;
  } else {
    count = nUserBins;
    width = span / (nUserBins - 1);
  }
  if (!(count <= maxBins)) {
    *nBins = count > 1e9 || !std::isfinite(count) ? 1000000000 : static_cast<int>(count);
    return 1;
  }
  *nBins = static_cast<int>(count);
  *binwidth = static_cast<float>(width);
  for (int i = 0; i < *nBins; ++i) bins[i] = static_cast<float>(min + i * width);
  return 0;
}

int getDxx(int nD, const float* coupList, int nBins, float binWidth, const float* bins,
           float* dxx, bool reportOutside) {
  const double low = bins[0] - binWidth / 2.0;
  const double high = bins[nBins - 1] + binWidth / 2.0;
  std::vector<int> hist(static_cast<size_t>(nBins), 0);
  int maxCount = 0;
  int single = 1;
  for (int i = 0; i < nD; ++i) {
    const double v = coupList[i];
    if (v < low) {
      if (reportOutside) std::printf("coupList[%d] (%.3f) < %.3f\n", i, v, low);
      continue;
    }
    if (v > high) {
      if (reportOutside) std::printf("coupList[%d] (%.3f) > %.3f\n", i, v, high);
      continue;
    }
    int b = binWidth > 0.0f ? static_cast<int>((v - low) / binWidth) : 0;
    if (b >= nBins) b = nBins - 1;  // the upper edge (and its rounding) belongs to the last bin
    const int c = ++hist[static_cast<size_t>(b)];
    if (c == maxCount) {
      single = 0;
    } else if (c > maxCount) {
      single = 1;
      *dxx = bins[b];
      maxCount = c;
    }
  }
  return maxCount > 0 ? single : 0;  // no value inside the bins: no most populated one
}

double tracelessMargin(float dzz, float binWidth, double delta) {
  const double width = std::fmin(std::fmax(static_cast<double>(binWidth), delta), 2.0 * delta);
  return 2.0 * width + 0.1 * std::fabs(static_cast<double>(dzz));
}

double extremesSignMargin(float dzz, float dyy, double delta, int n) {
  const double hi = std::max(dzz, dyy), lo = std::min(dzz, dyy), mid = -(hi + lo);
  const double count = std::max(n, 1);
  const double shortHi = 2.0 * std::sqrt(std::max(hi - mid, 0.0) * (hi - lo)) / count;
  const double shortLo = 2.0 * std::sqrt(std::max(mid - lo, 0.0) * (hi - lo)) / count;
  return kExtremeSampling * std::max(shortHi, shortLo) + kExtremeNoise * delta;
}

DxxReading readDxx(int nD, const float* coupList, double delta, float dzz, float dyy, int nUserBins,
                   bool reportOutside, int* nBins, float* binWidth, float* dxx) {
  float bins[kMaxHistBins];
  if (makeBins(delta, std::fmax(dzz, dyy), std::fmin(dzz, dyy), kMaxHistBins, nUserBins, nBins, binWidth, bins) != 0)
    return DxxReading::kTooManyBins;
  if (getDxx(nD, coupList, *nBins, *binWidth, bins, dxx, reportOutside) != 1) return DxxReading::kTie;
  const double sum = static_cast<double>(dzz) + dyy + *dxx;
  return std::fabs(sum) <= tracelessMargin(dzz, *binWidth, delta) ? DxxReading::kSingle : DxxReading::kNotTraceless;
}

void alignpoly(float x, float* a, float* y, float* dyda, int /*na*/) {
  const float da = a[1];
  const float r = a[2];
  *y = -da * (1.0f + 1.5f * r * x) - 3.0f * da * (x * x - 1.0f);
  dyda[1] = -(1.0f + 1.5f * r * x) - 3.0f * (x * x - 1.0f);
  dyda[2] = -1.5f * x * da;
}

}  // namespace korim::fitting
