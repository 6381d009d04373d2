// Smoothing cubic spline through a data vector and its evaluation.
#pragma once

namespace korim::foundation {

// Smoothing spline through (x[0..length-1], y[...]), x increasing, each point
// with standard error dy; s is the bound on sum(((y - f)/dy)^2), 0 meaning
// 1.1*(length+1). One point is appended by linear extrapolation from the last
// two. Returns a new array (tag "spline", owned by the caller, 4*(length+1)
// floats) holding at entries 4i..4i+3 the value and the first three
// derivatives at point i (the appended point last), or null for length <= 2
// and after "SPLINE Error allocating memory." on stderr.
float *smSpline(float *x, float *y, int length, float dy, float s);

// Value of the spline aTP made by smSpline at x0; x and length as given to
// smSpline. Beyond x[length-1] the last piece (the one that runs to the
// appended point) is continued, before x[0] the first.
float cSplineVal(float *x, float *aTP, int length, float x0);
// Its n-th derivative at x0 (0 for n >= 4).
float cSplineDX(float *x, float *aTP, int length, float x0, int n);

}  // namespace korim::foundation
