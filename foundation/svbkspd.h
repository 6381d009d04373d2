// Double-precision back-substitution after svdcmpd.
#pragma once

namespace korim::foundation {

// x[1..n] = V diag(1/w) U^T b[1..m]; a zero w[j] contributes nothing;
// tmp[1..n] is caller work.
void svbksbd(double **u, double *w, double **v, int m, int n, double *b, double *x, double *tmp);

}  // namespace korim::foundation
