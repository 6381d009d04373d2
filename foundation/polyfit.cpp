// Polynomial and cosine-series baselines over the shared SVD cache, and
// piecewise-linear baselines through node averages.
#include "foundation/polyfit.h"

#include <cmath>
#include <cstdio>

#include "foundation/constants.h"
#include "foundation/memory.h"
#include "foundation/svdpoly.h"

namespace korim::foundation {

namespace {

const char *const kTag = "poly";
const float kTwoPi = 6.2831853f;  // 2 pi truncated, as the abscissae have always used it

// Phases of the cosine series handed to its basis function, radians.
struct CosPhase {
  float p0 = 0.0f;
  float p1 = 0.0f;
};

CosPhase phase;

void setPhase(float p0Deg, float p1Deg) {
  phase.p0 = kTwoPi * p0Deg / 360.0f;
  phase.p1 = kTwoPi * p1Deg / 360.0f;
}

void report(const char *msg) { std::fputs(msg, stderr); }

// Coefficient slots of the record (one even when the order is negative).
int coefCount(const PolyBuff *pb) { return pb->order >= 0 ? pb->order + 1 : 1; }

int clip(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Sets mask[from..to], clipped to the points that exist, to value.
void markRange(int *mask, int length, int from, int to, int value) {
  if (from < 0) from = 0;
  if (to > length - 1) to = length - 1;
  for (int i = from; i <= to; i++) mask[i] = value;
}

void releaseArrays(PolyBuff *pb) {
  const int n = pb->length > 0 ? pb->length : 0, nCoef = coefCount(pb);
  const int fsz = static_cast<int>(sizeof(float)), isz = static_cast<int>(sizeof(int));
  unAlloc(kTag, pb->fitMask, n * isz);
  unAlloc(kTag, pb->subMask, n * isz);
  unAlloc(kTag, pb->pData, n * nCoef * fsz);
  unAlloc(kTag, pb->xData, n * fsz);
  unAlloc(kTag, pb->yData, n * fsz);
  unAlloc(kTag, pb->coef, nCoef * fsz);
  pb->fitMask = pb->subMask = nullptr;
  pb->pData = pb->xData = pb->yData = pb->coef = nullptr;
}

// Mean of data over [i-m, i+m] clipped to the vector; with filt and more
// than one point, weighted by one arch of a sine over the window.
float windowMean(const float *data, int length, int i, int m, bool filt) {
  if (m < 0) m = -m;
  const int lo = i - m < 0 ? 0 : i - m, hi = i + m > length - 1 ? length - 1 : i + m;
  const int nSpan = hi - lo;
  if (filt && nSpan > 0) {
    float sum = 0.0f, wSum = 0.0f;
    for (int k = 0; k <= nSpan; k++) {
      const float w = static_cast<float>(std::sin(k * kPi8 / nSpan));
      sum += w * data[lo + k];
      wSum += w;
    }
    return wSum != 0.0f ? sum / wSum : sum;
  }
  float sum = 0.0f;
  for (int k = lo; k <= hi; k++) sum += data[k];
  return sum / static_cast<float>(nSpan + 1);
}

// The fit order for `length` points: order, lowered to length-1.
int fitOrder(int length, int order) { return length < order + 1 ? length - 1 : order; }

void zeroAbove(float *coef, int from, int order) {
  for (int k = from + 1; k <= order; k++) coef[k] = 0.0f;
}

}  // namespace

float cosOfX(int k, float x) { return static_cast<float>(std::cos((k - 1) * x + phase.p0)); }

void cosPhaseReset() { phase = CosPhase{}; }

int polyNull(PolyBuff *pb) {
  *pb = PolyBuff{};
  pb->quadState = 1;
  pb->xScale = pb->yScale = 1.0f;
  return 0;
}

int polyInit(PolyBuff *pb, int length) {
  const int nCoef = coefCount(pb);
  pb->length = length;
  const char *failed = nullptr;
  if (!(pb->fitMask = intAlloc(kTag, length))) failed = "POLY Error allocating fit mask.\n";
  else if (!(pb->subMask = intAlloc(kTag, length))) failed = "POLY Error allocating sub mask.\n";
  else if (!(pb->pData = fltAlloc(kTag, length * nCoef))) failed = "POLY Error allocating P Data.\n";
  else if (!(pb->xData = fltAlloc(kTag, length))) failed = "POLY Error allocating X Data.\n";
  else if (!(pb->yData = fltAlloc(kTag, length))) failed = "POLY Error allocating Y Data.\n";
  else if (!(pb->coef = fltAlloc(kTag, nCoef))) failed = "POLY Error allocating coefficients.\n";
  if (failed) {
    report(failed);
    releaseArrays(pb);
    return 1;
  }
  pb->xScale = (pb->sineFlag ? kTwoPi : 10.0f) / static_cast<float>(length > 0 ? length : 1);
  for (int i = 0; i < length; i++) {
    const float px = static_cast<float>(i) * pb->xScale;
    float pw = 1.0f;
    for (int j = 0; j < nCoef; j++, pw *= px) pb->pData[i * nCoef + j] = pw;
    pb->fitMask[i] = pb->subMask[i] = 0;
  }
  for (int j = 0; j < nCoef; j++) pb->coef[j] = 0.0f;
  return 0;
}

int polyMask(PolyBuff *pb, int fitX1, int fitX3, int subX1, int subX3, int firstFlag, int lastFlag,
             int avgFlag, int nodeWidth, int nodeCount, int *nodeList, int listSize) {
  const int length = pb->length;
  for (int i = 0; i < length; i++) pb->fitMask[i] = pb->subMask[i] = 0;
  markRange(pb->subMask, length, subX1 - 1, subX3 - 1, 1);

  // With averaging every node is one point marked with its window half-width.
  const int mark = avgFlag ? nodeWidth : 1, w = avgFlag ? 0 : nodeWidth;
  for (int i = 1; i <= nodeCount; i++) {
    const double at = static_cast<double>(i) * (fitX3 - fitX1 + 1) / (nodeCount + 1) + fitX1 - 1;
    const int n = static_cast<int>(at);
    markRange(pb->fitMask, length, n - w, n + w, mark);
  }
  for (int k = 0; nodeList && k < listSize && length > 0; k++) {
    const int p = clip(nodeList[k], 1, length) - 1;
    markRange(pb->fitMask, length, p - w, p + w, mark);
  }
  // The ends are marked unevenly on purpose: w+1 points at the start, w at
  // the end (so none at the end when averaging).
  if (firstFlag) markRange(pb->fitMask, length, 0, w, mark);
  if (lastFlag) markRange(pb->fitMask, length, length - w, length - 1, mark);
  return 0;
}

int polySub(float *rdata, float *idata, PolyBuff *pb) {
  const int status = polySub2(rdata, 1, pb);
  if (pb->quadState == 1 || status != 0) return status;
  return polySub2(idata, 0, pb);
}

int polySub2(float *rdata, int realFlag, PolyBuff *pb) {
  const int length = pb->length, order = pb->order;
  if (order < 0) {
    for (int i = 0; i < length; i++) rdata[i] = static_cast<float>(pb->fitMask[i]);
    return 0;
  }
  pb->fitLength = 0;
  pb->yScale = 0.0f;
  for (int i = 0; i < length; i++) {
    const int m = pb->fitMask[i];
    if (m == 0) continue;
    const float y = pb->avgFlag ? windowMean(rdata, length, i, m, pb->filtFlag != 0) : rdata[i];
    pb->xData[pb->fitLength] = static_cast<float>(i) * pb->xScale;
    pb->yData[pb->fitLength] = y;
    pb->fitLength++;
    if (std::fabs(pb->yScale) < y) pb->yScale = y;
  }
  if (pb->fitLength == 0) {
    for (int k = 0; k <= order; k++) pb->coef[k] = 0.0f;
    return 0;
  }
  pb->yScale = pb->yScale != 0.0f ? 10.0f / pb->yScale : 1.0f;
  for (int k = 0; k < pb->fitLength; k++) pb->yData[k] *= pb->yScale;

  const int status = pb->sineFlag
                         ? cosFit(pb->xData, pb->yData, pb->fitLength, order, pb->coef,
                                  realFlag ? pb->p0 : pb->p0 + 90.0f, pb->p1)
                         : polyFit(pb->xData, pb->yData, pb->fitLength, order, pb->coef);
  if (status != 0) {
    report("POLY Error fitting polynomial/series.\n");
    return 1;
  }
  for (int i = 0; i < length; i++) {
    if (!pb->subMask[i]) continue;
    float base = 0.0f;
    if (pb->sineFlag) {
      const float x = static_cast<float>(i) * pb->xScale;
      for (int k = 0; k <= order; k++) base += pb->coef[k] * cosOfX(k + 1, x);
    } else {
      for (int j = 0; j <= order; j++) base += pb->pData[i * (order + 1) + j] * pb->coef[j];
    }
    rdata[i] -= base / pb->yScale;
  }
  return 0;
}

int polyFree(PolyBuff *pb) {
  releaseArrays(pb);
  svdPolyFree();
  return polyNull(pb);
}

int polyFit(float *xdata, float *ydata, int length, int order, float *coef) {
  if (length < 1 || order < 0) return 1;
  const int ord = fitOrder(length, order);
  if (svdPoly(xdata, ydata, length, ord, coef) != 0) {
    report("SVDPOLY Error performing SVD.\n");
    return 1;
  }
  zeroAbove(coef, ord, order);
  return 0;
}

int cosFit(float *xdata, float *ydata, int length, int order, float *coef, float p0, float p1) {
  if (length < 1 || order < 0) return 1;
  setPhase(p0, p1);
  const int ord = fitOrder(length, order);
  // svdFunc sizes the shared cache for (length, ord) before it fits.
  if (svdFunc(xdata, ydata, length, ord, coef, cosOfX) != 0) {
    report("SVDFUNC Error performing SVD.\n");
    return 1;
  }
  zeroAbove(coef, ord, order);
  return 0;
}

int polyEval(float *xdata, float *ydata, int length, int order, float *coef) {
  for (int i = 0; i < length; i++) {
    float sum = 0.0f, pw = 1.0f;
    for (int n = 0; n <= order; n++, pw *= xdata[i]) sum += coef[n] * pw;
    ydata[i] = sum;
  }
  return 0;
}

int polyFitFree(int length, int order) {
  (void)length;
  (void)order;
  return svdPolyFree();
}

int linBase(float *ydata, int length, int *nodeList, int nodeCount, int nodeWidth, float *work) {
  if (nodeCount < 2 || length < 1) return 0;
  for (int i = 0; i < length; i++) work[i] = ydata[i];
  const int w = nodeWidth > 0 ? nodeWidth : 0;
  auto nodeAt = [&](int k) { return clip(nodeList[k], 1, length) - 1; };
  auto valueAt = [&](int n) { return windowMean(work, length, n, w, false); };
  for (int k = 0; k + 1 < nodeCount; k++) {
    const int p = nodeAt(k), q = nodeAt(k + 1);
    const float vp = valueAt(p), vq = valueAt(q);
    const float slope = q == p ? 0.0f : (vq - vp) / static_cast<float>(q - p);
    for (int i = p; i < q; i++) ydata[i] -= vp + slope * static_cast<float>(i - p);
  }
  const int last = nodeAt(nodeCount - 1);
  ydata[last] -= valueAt(last);
  return 0;
}

}  // namespace korim::foundation
