// Solvent-signal removal by low-pass filter or smoothing spline.
#include "spectral/solvent.h"

#include <algorithm>
#include <cmath>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/polyfit.h"
#include "foundation/smspline.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "solv";

void release(float *&p, int count) {
  if (p) foundation::unAlloc(kTag, p, count * static_cast<int>(sizeof(float)));
  p = nullptr;
}

// Filtered value at centre i of data: (sum_k data[i-n+k] filt[k]) / (2n+1).
float filtered(const float *data, int i, const float *filt, int n) {
  float sum = 0.0f;
  for (int k = 0; k <= 2 * n; k++) sum += data[i - n + k] * filt[k];
  return sum / (2 * n + 1);
}

float mean(const float *v, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; i++) sum += v[i];
  return n > 0 ? static_cast<float>(sum / n) : 0.0f;
}

}  // namespace

int solventNull(solventBuf *s) {
  *s = solventBuf{};
  s->type = 1;
  s->shape = 1;
  s->extrap = 2;
  s->noise = 1.0f;
  return 0;
}

int solvFiltGen(float *filt, int length, int type) {
  if (type < 1 || type > 3) {
    specMsg("SOLVENT Error: unknown shape.\n");
    return 1;
  }
  for (int k = 0; k <= 2 * length; k++) {
    float s = length > 0 ? static_cast<float>(std::sin(k * kPi / (2 * length))) : 1.0f;
    filt[k] = type == 1 ? 1.0f : (type == 2 ? s : s * s);
  }
  return 0;
}

int subFilt(float *x, float *y, float *work, int size, float *filt, int filtSize, int order,
            float *c) {
  int n = filtSize, top = std::min(order, n - 1);
  if (n < 1 || size < 3 * n) {
    specMsg("SOLVENT Error: filter of %d points too wide for %d points.\n", 2 * n + 1, size);
    return 1;
  }
  for (int i = n; i < size - n; i++) work[i] = filtered(y, i, filt, n);
  if (foundation::polyFit(x + n, work + n, n, top, c)) {
    specMsg("SOLVENT Error extrapolating head.\n");
    return 1;
  }
  if (foundation::polyEval(x, work, n + 2, top, c)) {
    specMsg("SOLVENT Error evaluating head.\n");
    return 1;
  }
  if (foundation::polyFit(x, work + size - 2 * n, n, top, c)) {
    specMsg("SOLVENT Error extrapolating tail.\n");
    return 1;
  }
  if (foundation::polyEval(x + n, work + size - n, n, top, c)) {
    specMsg("SOLVENT Error evaluating tail.\n");
    return 1;
  }
  for (int i = 0; i < size; i++) y[i] -= work[i];
  return 0;
}

int subFiltMir(float *rdata, float *work, int size, float *filt, int filtSize, int skip) {
  int n = filtSize, N = size;
  if (n == 0) return 0;
  if (n < 0 || N < n + 1) {
    specMsg("SOLVENT Error: filter of %d points too wide for %d points.\n", 2 * n + 1, N);
    return 1;
  }
  // The points held at the mean start at work[n - skip + 1], and the mean
  // reads rdata[skip + n - 1].
  const int top = std::min(n + 1, N - n);
  if (skip < 0 || skip > top) {
    specMsg("SOLVENT Error: skip %d outside 0 to %d for a filter half-width of %d.\n", skip, top,
            n);
    return 1;
  }
  float a = mean(rdata + skip, n), b = mean(rdata + N - n, n);
  for (int j = 0; j < n; j++) work[j] = 2.0f * a - rdata[n - j];
  std::copy(rdata, rdata + N, work + n);
  for (int j = n - skip + 1; j < n + skip; j++) work[j] = a;
  for (int j = 0; j < n; j++) work[n + N + j] = 2.0f * b - rdata[N - 2 - j];
  for (int i = 0; i < N; i++) rdata[i] -= filtered(work, i + n, filt, n);
  return 0;
}

int subSpline(float *x, float *y, float *w, int skip, int length, float smooth) {
  if (skip < 0 || skip >= length) {
    specMsg("SOLVENT Error: skip %d outside the %d points.\n", skip, length);
    return 1;
  }
  int count = length - skip;
  float dy = w[0] != 0.0f ? 1.0f / w[0] : 1.0f;
  float *coef = foundation::smSpline(x + skip, y + skip, count, dy, smooth);
  if (!coef) {
    specMsg("SPLINE Error: null/bad solution\n");
    return 1;
  }
  // The spline is evaluated over the breakpoints it was fitted on.
  for (int i = 0; i < length; i++) y[i] -= foundation::cSplineVal(x + skip, coef, count, x[i]);
  foundation::unAlloc("spline", coef, 4 * (count + 1) * static_cast<int>(sizeof(float)));
  return 0;
}

int solventSub(float *rdata, solventBuf *s) {
  switch (s->type) {
    case 1:
      if (s->extrap == 1) return subFiltMir(rdata, s->q, s->size, s->filt, s->filtSize, s->skip);
      return subFilt(s->x, rdata, s->q, s->size, s->filt, s->filtSize, s->order, s->c);
    case 2:
      return subSpline(s->x, rdata, s->w, s->skip, s->size, s->smooth);
    case 3:
      return 0;
    default:
      specMsg("SOLVENT Error: unknown type.\n");
      return 1;
  }
}

int solventInit(solventBuf *s) {
  if (s->type == 3) {
    specMsg("SOLVENT Error:");
    specMsg(" POLY mode is not supported yet.\n");
    return 1;
  }
  if (s->type != 1 && s->type != 2) {
    specMsg("SOLVENT Error: unknown type.\n");
    return 1;
  }
  if (s->size < 1 || s->filtSize < 0) {
    specMsg("SOLVENT Error: bad size %d or filter half-width %d.\n", s->size, s->filtSize);
    return 1;
  }
  int n = s->filtSize;
  // The largest buffer, 3 n + size floats, must be one allocator block (its release counts its
  // bytes in an int); so are the others then.
  const long long kMaxFloats = foundation::kMaxBlockBytes / static_cast<long long>(sizeof(float));
  if (3LL * n + s->size > kMaxFloats || 2LL * n + 1 > kMaxFloats) {
    specMsg("SOLVENT Error allocating memory.\n");
    return 1;
  }
  s->x = foundation::fltAlloc(kTag, s->size);
  bool ok = s->x != nullptr;
  if (ok && s->type == 1) {
    s->filt = foundation::fltAlloc(kTag, 2 * n + 1);
    s->q = foundation::fltAlloc(kTag, 3 * n + s->size);
    s->c = foundation::fltAlloc(kTag, std::max(n, 1));
    ok = s->filt && s->q && s->c;
  } else if (ok) {
    s->w = foundation::fltAlloc(kTag, s->size);
    ok = s->w != nullptr;
  }
  if (!ok) {
    specMsg("SOLVENT Error allocating memory.\n");
    return 1;
  }
  for (int i = 0; i < s->size; i++) s->x[i] = static_cast<float>(i);
  if (s->type == 2) {
    float noise = s->noise != 0.0f ? s->noise : 1.0f;
    std::fill(s->w, s->w + s->size, 1.0f / noise);
  } else if (solvFiltGen(s->filt, n, s->shape)) {
    specMsg("SOLVENT Error generating filter.\n");
    return 1;
  }
  return 0;
}

int solventFree(solventBuf *s) {
  int n = s->filtSize, size = s->size;
  release(s->filt, 2 * n + 1);
  release(s->x, size);
  release(s->y, size);
  release(s->w, size);
  release(s->q, 3 * n + size);
  release(s->c, std::max(n, 1));
  foundation::polyFitFree(size, s->order);
  return solventNull(s);
}

}  // namespace korim::spectral
