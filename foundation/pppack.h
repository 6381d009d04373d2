// de Boor's cubic smoothing spline (SMOOTH with SETUPQ and CHOL1D) and the
// evaluation of a piecewise polynomial (PPVALU with the interval search
// INTERV). Every argument is passed by address; arrays are 1-based inside
// (the pointers handed in address element 1), two-dimensional arrays are
// column-major: v(i,j) = v[(i-1) + (j-1)*npoint].
#pragma once

namespace korim::foundation {

// Smoothing spline through x[1..npoint] (increasing), y, with standard errors
// dy: the cubic f that minimises the integral of f''^2 subject to
// sum(((y-f)/dy)^2) <= s. s <= 0 gives the interpolating spline. v is work of
// 7*npoint floats; a (4*npoint floats, should come in zeroed) receives at each
// point i the value, first, second and third derivative in a(i,1..4) (the last
// point's first and third derivative are left as they were). npoint >= 4.
// Returns the weighted residual sum of the result.
float smooth_(float *x, float *y, float *dy, int *npoint, float *s, float *v, float *a);
// Band matrices of the problem in v and Q^T y in qty[2..npoint-1].
void setupq_(float *x, float *dx, float *y, int *npoint, float *v, float *qty);
// Solves for the given p; u receives the second-derivative unknowns, qu = Q u.
void chol1d_(float *p, float *v, float *qty, int *npoint, int *ncol, float *u, float *qu);

// left with xt(left) <= x < xt(left+1); 1 (mflag -1) below xt(1) and lxt
// (mflag 1) at or beyond xt(lxt). Starts from the interval of the last call.
void interv_(float *xt, int *lxt, float *x, int *left, int *mflag);
// jderiv-th derivative at x of the order-k piecewise polynomial with break
// points brk(1..l+1) and Taylor coefficients coef(k, piece). The piece
// searched for is 1..l+1, so coef holds l+1 pieces whenever x may reach
// brk(l+1). jderiv >= k gives 0.
float ppvalu_(float *brk, float *coef, int *l, int *k, float *x, int *jderiv);

// Forgets the interval the search starts from (tests call it between cases).
void intervReset();

}  // namespace korim::foundation
