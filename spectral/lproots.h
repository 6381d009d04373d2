// Roots of the complex LP polynomial (Laguerre with deflation, or companion
// matrix eigenvalues) and root fixing of a set of LP coefficients.
#pragma once

#include "foundation/complexd.h"

namespace korim::spectral {

using foundation::fcomplex;

// A complex number as two doubles, as the companion-matrix root finder takes it.
typedef struct {
  double re;
  double im;
} d_complex;

// Root fixing of the p = npoles complex coefficients in d (1-based: real parts
// d[1..p], imaginary parts d[p+1..2p]) of the prediction z^p - c_1 z^(p-1) -
// ... - c_p. The roots come from Laguerre's method (flag 0) or the companion
// matrix (flag 1); fixmode 1 reflects roots with |r| > 1 to 1/conj(r), -1 those
// with 1e-5 < |r| < 1, other non-zero modes rebuild without reflection, 0
// returns at once. p is at most 64. When no roots can be found the
// coefficients are kept (after a warning). Returns 0.
int lpcfixrts(double *d, int npoles, int flag, int fixmode);

// All roots of sum a[i] z^i, i = 0..m (m <= 64), into roots[1..m], sorted by
// real part ascending; polish refines each against the undeflated polynomial.
// Returns 0.
int lpczroots_d(fcomplex *a, int m, fcomplex *roots, int polish);
// One root by Laguerre's method from *vx, improved in place.
void lpclaguer_d(fcomplex *a, int m, fcomplex *vx, double eps, int polish);

// Roots of z^m + a[0] z^(m-1) + ... + a[m-1] (m <= 64) as the eigenvalues of
// the companion matrix, into rts[0..m-1]. Returns 0, or 1 (after a warning)
// when the eigenvalue iteration failed or m exceeds 64.
int lpc_eis_zroots(d_complex *a, int m, d_complex *rts);
// Placeholder for an external root finder: does nothing, returns 0.
int lpc_imsl_zroots(d_complex *a, int m, d_complex *rts);

}  // namespace korim::spectral
