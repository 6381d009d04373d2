// Median-of-extrema baseline subtraction.
#include "spectral/subtmed.h"

#include <algorithm>

#include "foundation/stats.h"
#include "spectral/vecfilter.h"

namespace korim::spectral {

namespace {

// Median of the local extrema of win[0..w-1] (all points when there are
// none); with avgFlag the window mean is removed first and added back.
float windowLevel(float *win, int w, float *ext, int avgFlag) {
  float mean = 0.0f;
  if (avgFlag) {
    foundation::getAvg(win, w, &mean);
    for (int k = 0; k < w; k++) win[k] -= mean;
  }
  int count = 0;
  for (int k = 1; k + 1 < w; k++) {
    bool isMax = win[k] > win[k - 1] && win[k] > win[k + 1];
    bool isMin = win[k] < win[k - 1] && win[k] < win[k + 1];
    if (avgFlag ? (win[k] > 0.0f && isMax) || (win[k] <= 0.0f && isMin) : isMax || isMin)
      ext[count++] = win[k];
  }
  if (count == 0) {
    std::copy(win, win + w, ext);
    count = w;
  }
  float med = 0.0f;
  foundation::getMedian(ext, count, &med);
  return mean + med;
}

}  // namespace

int subtMed(float *vec, int length, int medWidth, int smoWidth, float *winVec, float *extVec,
            float *medVec, int avgFlag) {
  int w = 2 * medWidth + 1;
  if (medWidth < 0 || smoWidth < 0 || w > length || 2 * smoWidth + 1 > length) return 0;
  for (int i = 0; i < length; i++) {
    int start = std::clamp(i - medWidth, 0, length - w);
    std::copy(vec + start, vec + start + w, winVec);
    medVec[i] = windowLevel(winVec, w, extVec, avgFlag);
  }
  if (smoWidth == 0)
    std::copy(medVec, medVec + length, winVec);
  else
    nSmooth(medVec, winVec, length, smoWidth);
  for (int i = 0; i < length; i++) vec[i] -= winVec[i];
  return 0;
}

}  // namespace korim::spectral
