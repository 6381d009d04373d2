// Double-precision eigensystem of a symmetric 3x3 matrix (1-based arrays).
#pragma once

namespace korim::foundation {

// a[1..3][1..3] symmetric (only the upper triangle is read, and destroyed);
// d[1..3] eigenvalues in the order found, column j of v[1..3][1..3] the
// eigenvector of d[j]; nrot the number of rotations. Row and column 0 are not
// used. After 50 sweeps without convergence "Too many iterations in routine
// jacobi" goes through nrerror and d, v hold the last sweep.
void jacobitq(double a[4][4], double d[4], double v[4][4], int *nrot);

}  // namespace korim::foundation
