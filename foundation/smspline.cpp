// Smoothing spline set-up over de Boor's SMOOTH, evaluation over PPVALU.
#include "foundation/smspline.h"

#include <cstdio>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/pppack.h"

namespace korim::foundation {

namespace {

const char *const kTag = "spline";

// The work arrays of one set-up, released on every path.
struct SplineWork {
  float *spX = nullptr, *spY = nullptr, *spE = nullptr, *v = nullptr, *a = nullptr;
  int npoints;
  explicit SplineWork(int n) : npoints(n) {}
  ~SplineWork() {
    const int bytes = npoints * static_cast<int>(sizeof(float));
    unAlloc(kTag, spX, bytes);
    unAlloc(kTag, spY, bytes);
    unAlloc(kTag, spE, bytes);
    unAlloc(kTag, v, 7 * bytes);
    unAlloc(kTag, a, 4 * bytes);
  }
};

}  // namespace

float *smSpline(float *x, float *y, int length, float dy, float s) {
  if (length <= 2) return nullptr;
  // The largest work array holds 7 floats a point; a count one block cannot hold is refused
  // before anything is allocated.
  if (checkedCount({length + 1LL, 7, static_cast<long long>(sizeof(float))}) < 0) {
    std::fprintf(stderr, "SPLINE Error allocating memory.\n");
    return nullptr;
  }
  int npoints = length + 1;
  if (s == 0.0f) s = 1.1f * static_cast<float>(npoints);

  SplineWork w(npoints);
  float *aTP = nullptr;
  if (!(w.spX = fltAlloc(kTag, npoints)) || !(w.spY = fltAlloc(kTag, npoints)) ||
      !(w.spE = fltAlloc(kTag, npoints)) || !(w.v = fltAlloc(kTag, 7 * npoints)) ||
      !(w.a = fltAlloc(kTag, 4 * npoints)) || !(aTP = fltAlloc(kTag, 4 * npoints))) {
    std::fprintf(stderr, "SPLINE Error allocating memory.\n");
    return nullptr;
  }
  for (int i = 0; i < length; i++) {
    w.spX[i] = x[i];
    w.spY[i] = y[i];
    w.spE[i] = dy;
  }
  w.spX[length] = 2.0f * x[length - 1] - x[length - 2];
  w.spY[length] = 2.0f * y[length - 1] - y[length - 2];
  w.spE[length] = dy;
  // The set-up leaves the appended point's first and third derivative unset.
  for (int i = 0; i < 4 * npoints; i++) w.a[i] = 0.0f;

  smooth_(w.spX, w.spY, w.spE, &npoints, &s, w.v, w.a);
  for (int i = 0; i < npoints; i++)
    for (int j = 0; j < 4; j++) aTP[4 * i + j] = w.a[i + j * npoints];
  return aTP;
}

float cSplineDX(float *x, float *aTP, int length, float x0, int n) {
  if (!x || !aTP || length < 1) return 0.0f;
  // The spline has length+1 break points, the last being the appended one,
  // which the caller does not hold. Searching the caller's length break
  // points gives piece `length` (the one from x[length-1] to the appended
  // point) for everything at or beyond x[length-1]; aTP holds that piece.
  int pieces = length - 1, order = 4;
  return ppvalu_(x, aTP, &pieces, &order, &x0, &n);
}

float cSplineVal(float *x, float *aTP, int length, float x0) { return cSplineDX(x, aTP, length, x0, 0); }

}  // namespace korim::foundation
