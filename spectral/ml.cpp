// Maximum-likelihood single-sinusoid spectrum.
#include "spectral/ml.h"

#include <cmath>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "spectral/getnoise.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "ml";
constexpr int kBuffers = 8;

// Eight buffers of twice the current size: d, r, dr, rr, fR, fI, freq, scale.
struct MlState {
  float *buf[kBuffers] = {};
  int size = 0;
};

MlState state;

}  // namespace

int ml1DFree() {
  for (float *&p : state.buf) {
    if (p) foundation::unAlloc(kTag, p, 2 * state.size * static_cast<int>(sizeof(float)));
    p = nullptr;
  }
  state.size = 0;
  return 0;
}

int ml1DInit(int size) {
  if (size <= state.size && state.buf[0]) return 0;
  ml1DFree();
  // Every buffer, 2 size floats, is one allocator block released by its byte count in an int.
  if (foundation::checkedCount({2, size, static_cast<long long>(sizeof(float))}) < 0) {
    specMsg("ML Error allocating memory.\n");
    return 1;
  }
  for (float *&p : state.buf)
    if (!(p = foundation::fltAlloc(kTag, 2 * size))) {
      specMsg("ML Error allocating memory.\n");
      ml1DFree();
      return 1;
    }
  state.size = size;
  return 0;
}

int ml1D(float *rdata, float *idata, float *wdata, float p0, float p1, float sigma, int signFlag,
         int size) {
  int n = size;
  if (n < 1) return 0;
  if (ml1DInit(n)) return 1;
  float *fR = state.buf[4], *fI = state.buf[5], *freq = state.buf[6], *scale = state.buf[7];
  float phi0 = (0.5f * p1 + p0) * kPiF / 180.0f;
  if (sigma != 0.0f)
    for (int t = 0; t < n; t++) {
      rdata[t] *= 1.0f / sigma;
      idata[t] *= 1.0f / sigma;
    }
  int j = n / 2;
  for (int k = 0; k < n; k++, j = j == 0 ? n - 1 : j - 1) {
    float offset = (p1 / 360.0f) * j * (-kTwoPiF) / n;
    double dr = 0.0, rr = 0.0;
    for (int t = 0; t < n; t++) {
      float theta = t * k * kTwoPiF / n + phi0 + offset;
      fR[t] = std::cos(theta);
      fI[t] = std::sin(theta);
      if (wdata) {
        fR[t] *= wdata[t];
        fI[t] *= wdata[t];
      }
      dr += rdata[t] * fR[t] + idata[t] * fI[t];
      rr += fR[t] * fR[t] + fI[t] * fI[t];
    }
    scale[j] = rr != 0.0 ? static_cast<float>(dr / rr) : 0.0f;
    double res = 0.0;
    for (int t = 0; t < n; t++) {
      float a = fR[t] * scale[j] - rdata[t], b = fI[t] * scale[j] - idata[t];
      res += a * a + b * b;
    }
    freq[j] = -static_cast<float>(std::sqrt(res / (2.0 * n)));
  }
  double power = 0.0;
  for (int t = 0; t < n; t++) power += rdata[t] * rdata[t] + idata[t] * idata[t];
  float level = static_cast<float>(std::sqrt(power / (2.0 * n)));
  for (int t = 0; t < n; t++) rdata[t] = freq[t] + level;
  // The baseline level from the smallest values; getBase reorders its input.
  for (int t = 0; t < n; t++) idata[t] = rdata[t];
  float base = 0.0f;
  getBase(idata, n, 0.333f, &base);
  for (int t = 0; t < n; t++) {
    rdata[t] -= base;
    if (signFlag && scale[t] < 0.0f) rdata[t] = -rdata[t];
  }
  return 0;
}

}  // namespace korim::spectral
