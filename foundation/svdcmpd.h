// Double-precision singular value decomposition on 1-based arrays.
#pragma once

namespace korim::foundation {

// a[1..m][1..n] = U W V^T in place (U replaces a), w[1..n], v[1..n][1..n],
// rv1[1..n] work; values unsorted. m < n: "SVD Error: bad matrix size." on
// stderr and nothing else is done. At most 800 QR iterations per singular
// value; on the 800th unconverged one the routine returns, leaving it and the
// lower-numbered values unfinished. n < 1 returns at once.
void svdcmpd(double **a, int m, int n, double *w, double **v, double *rv1);

}  // namespace korim::foundation
