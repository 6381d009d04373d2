// Eigenvalues of a general complex upper Hessenberg matrix by shifted QR.
#pragma once

#include <complex>

namespace korim::spectral {

// h: n x n complex upper Hessenberg matrix, row-major and 0-based (h[i*n+j]),
// destroyed. Balances it, then runs single-shift QR steps (Wilkinson shifts,
// exceptional shifts after 10 and 20 stalled steps, at most 30 n steps in
// all) with deflation. eig[0..n-1] receives the eigenvalues in no particular
// order. Returns 0, or 1 when the iteration did not converge (eig then holds
// the values found so far and the diagonal for the rest).
int zHessEigen(std::complex<double> *h, int n, std::complex<double> *eig);

}  // namespace korim::spectral
