// Gauss-Jordan elimination with full pivoting on 1-based float matrices.
#pragma once

namespace korim::foundation {

// On return a[1..n][1..n] holds its inverse and b[1..n][1..m] the solutions of
// a x = b. A singular matrix is reported through nrerror ("gaussj: Singular
// Matrix-1" / "gaussj: Singular Matrix-2") and the elimination goes on, with
// non-finite results. Without work space (allocator message) a and b are set
// to not-a-number.
void gaussj(float **a, int n, float **b, int m);

}  // namespace korim::foundation
