// Float singular value decomposition, back-substitution and covariance on
// 1-based arrays, and the cached linear least-squares solvers built on them.
#pragma once

namespace korim::foundation {

// a[1..m][1..n] = U W V^T in place (m >= n): U replaces a, w[1..n], v[1..n][1..n];
// rv1[1..n] is work. At most 1000 QR iterations per singular value. Returns 0.
int svdcmpUser(float **a, int m, int n, float *w, float **v, float *rv1);
// x[1..n] = V diag(1/w) U^T b[1..m], zero w[j] skipped; tmp[1..n] work. Returns 0.
int svbksbUser(float **u, float *w, float **v, int m, int n, float *b, float *x, float *tmp);
// Covariance V diag(1/w^2) V^T into the flat row-major covar[0..ma*ma-1];
// wti[1..ma] work. Null covar or ma < 1 does nothing. Returns 0.
int svdvarUser(float **v, int ma, float *w, float *wti, float *covar);

// Work cache for `length` data rows and order+1 coefficients (tag "nr").
// Returns 1 at the first allocation that fails, else 0.
int svdPolyInit(int length, int order);
// Empties the cache; safe when nothing is allocated. Returns 0.
int svdPolyFree();

// Least-squares polynomial coef[0..order] (coef[k] multiplies x^k) through
// (x[0..length-1], y[...]). Remakes the cache when the sizes change. 0 or 1.
int svdPoly(float *x, float *y, int length, int order, float *coef);

typedef float (*SvdBasisFunc)(int k, float x);
// y = sum_k coef[k-1] fOfX(k, x), k = 1..order+1, in the cache prepared by
// svdPolyInit(length, order) (a cache of other sizes is remade, not overrun).
int svdFunc(float *x, float *y, int length, int order, float *coef, SvdBasisFunc fOfX);

// Least squares y = X coef with X row-major in x (length rows, nCoef columns,
// 0-based), coef[0..nCoef-1], optional covariance covar[0..nCoef^2-1].
// initFlag 0 reuses the last decomposition (same sizes) for a new y and leaves
// covar alone. Singular values below 1e-5 of the largest are dropped (minimum-
// norm solution). One coefficient: coef = sum(xy)/sum(x^2), covar = 1/sum(x^2)
// (both 0 when sum(x^2) is 0). Returns 0, or 1 when the cache cannot be made.
int svdLSMat(float *x, float *y, int length, int nCoef, float *coef, float *covar, int initFlag);

}  // namespace korim::foundation
