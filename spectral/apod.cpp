// Apodisation windows and window vectors.
#include "spectral/apod.h"

#include <algorithm>
#include <cmath>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

const char *const kTag = "apod";

double sweep(float sw) { return sw == 0 ? 1.0 : sw; }

// Integer part of v held to lo .. hi (NaN gives lo).
int clampInt(double v, int lo, int hi) {
  if (!(v >= lo)) return lo;
  if (v >= hi) return hi;
  return static_cast<int>(v);
}

// Multiplies data[k] by f(k), negative factors counted as 0.
template <typename F>
void scale(float *data, int from, int to, F f) {
  for (int k = from; k < to; k++) data[k] = static_cast<float>(data[k] * std::max(0.0, f(k)));
}

}  // namespace

float rPow(float x, float y) {
  if (x == 0 && y < 0) return 1.0e17f;
  if (x < 0 && y != std::trunc(y)) return static_cast<float>(std::pow(-static_cast<double>(x), y));
  return static_cast<float>(std::pow(static_cast<double>(x), y));
}

int apodSP(float *data, int aSize, int mSize, int, float, float q1, float q2, float q3) {
  double step = aSize > 1 ? kPi * (q2 - q1) / (aSize - 1) : 0.0;
  for (int k = 0; k < mSize; k++)
    data[k] *= rPow(static_cast<float>(std::sin(kPi * q1 + k * step)), q3);
  return 0;
}

int apodEM(float *data, int, int mSize, int, float sw, float q1, float, float) {
  double rate = kPi * q1 / sweep(sw);
  for (int k = 0; k < mSize; k++) data[k] = static_cast<float>(data[k] * std::exp(-rate * k));
  return 0;
}

int apodGM(float *data, int, int mSize, int tSize, float sw, float q1, float q2, float q3) {
  double s = sweep(sw);
  for (int k = 0; k < mSize; k++) {
    double e = kGaussWidth * q2 * ((tSize - 1) * static_cast<double>(q3) - k) / s;
    data[k] = static_cast<float>(data[k] * std::exp(kPi * q1 * k / s - e * e));
  }
  return 0;
}

int apodGMB(float *data, int, int mSize, int tSize, float sw, float q1, int q2, int) {
  double s = sweep(sw), a = kPi * q1, aq = tSize / s, ga = q2 * aq;
  double b = ga != 0 ? -a / (2.0 * ga) : 0.0;
  for (int k = 0; k < mSize; k++) {
    double t = k / s;
    data[k] = static_cast<float>(data[k] * std::exp(-a * t - b * t * t));
  }
  return 0;
}

int apodTM(float *data, int, int mSize, int, float, float q1, float q2, float) {
  if (mSize < 1) return 0;
  int l1 = clampInt(q1, 0, mSize), l2 = clampInt(q2, 0, mSize);
  // A one-point ramp is its outer end, 0.
  scale(data, 0, l1, [&](int k) { return l1 > 1 ? static_cast<double>(k) / (l1 - 1) : 0.0; });
  int off = mSize - l2;
  scale(data, off, mSize,
        [&](int k) { return l2 > 1 ? static_cast<double>(l2 - 1 - (k - off)) / (l2 - 1) : 0.0; });
  return 0;
}

int apodZE(float *data, int, int mSize, int, float, float q1, float q2, float q3) {
  if (mSize < 1) return 0;
  int i1 = clampInt(std::trunc(q1 - 1.0), 0, mSize - 1);
  int i2 = clampInt(std::trunc(q2 - 1.0), 0, mSize - 1);
  if (i1 > i2) std::swap(i1, i2);
  if (q3 == 1) {
    std::fill(data, data + i1, 0.0f);
    std::fill(data + i2 + 1, data + mSize, 0.0f);
  } else {
    std::fill(data + i1, data + i2 + 1, 0.0f);
  }
  return 0;
}

int apodTRI(float *data, int, int mSize, int, float, float q1, float q2, float q3) {
  if (mSize < 1) return 0;
  int m = clampInt(q1, 1, mSize);
  scale(data, 0, m, [&](int k) { return m > 1 ? q2 + k * (1.0 - q2) / (m - 1) : q2; });
  scale(data, m, mSize, [&](int k) { return 1.0 + (k - m + 1) * (q3 - 1.0) / (mSize - m); });
  return 0;
}

int apodFn(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3,
           int code) {
  switch (code) {
    case APOD_NONE:
      return 0;
    case APOD_SP:
      return apodSP(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_EM:
      return apodEM(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_GM:
      return apodGM(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_TM:
      return apodTM(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_ZE:
      return apodZE(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_TRI:
      return apodTRI(data, aSize, mSize, tSize, sw, q1, q2, q3);
    case APOD_GMB:
      return apodGMB(data, aSize, mSize, tSize, sw, q1,
                     clampInt(std::trunc(q2), -2147483647, 2147483647),
                     clampInt(std::trunc(q3), -2147483647, 2147483647));
    default:
      return 1;
  }
}

int apodInit(int code, float **window, int tSize, int aStart, int aSize, float sw, float q1,
             float q2, float q3, float defVal, int invFlag, int verbose) {
  if (aStart < 1 || tSize < 1) {
    specMsg("Apodize Error: bad start point %d for size %d.\n", aStart, tSize);
    return 1;
  }
  // The window is one allocator block; its release counts tSize floats in an int.
  if (foundation::checkedCount({tSize, static_cast<long long>(sizeof(float))}) < 0) {
    specMsg("Apodize Error: size %d is more than one block can hold.\n", tSize);
    return 1;
  }
  int mSize = std::max(0, std::min(aSize, tSize - aStart + 1));
  if (verbose) {
    specMsg("\nAPOD-> Code: %d\n", code);
    specMsg("APOD-> tSize: %d aStart: %d aSize: %d mSize: %d\n", tSize, aStart, aSize, mSize);
    specMsg("APOD-> SW: %f Def: %f Q1: %f Q2: %f Q3: %f\n", sw, defVal, q1, q2, q3);
    specMsg("APOD-> Inv: %s\n\n", invFlag ? "Yes" : "No");
  }
  if (*window == nullptr && (*window = foundation::fltAlloc(kTag, tSize)) == nullptr) return 1;
  float *w = *window, *win = w + (aStart - 1);
  std::fill(w, w + tSize, defVal);
  std::fill(win, win + mSize, 1.0f);
  apodFn(win, aSize, mSize, tSize, sw, q1, q2, q3, code);
  if (invFlag)
    for (int k = 0; k < mSize; k++) win[k] = win[k] == 0 ? 0.0f : 1.0f / win[k];
  int negatives = static_cast<int>(std::count_if(win, win + mSize, [](float v) { return v < 0; }));
  if (negatives > 0) specMsg("Apodize Warning: %d Negative Window Points.\n", negatives);
  return 0;
}

int apodFree(float **window, int tSize) {
  if (*window) foundation::unAlloc(kTag, *window, tSize * static_cast<int>(sizeof(float)));
  *window = nullptr;
  return 0;
}

}  // namespace korim::spectral
