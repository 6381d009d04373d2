// Single-precision eigensystem of a symmetric 3x3 matrix (0-based arrays)
// and the orderings of its eigenpairs.
#pragma once

namespace korim::foundation {

// aOrig is left unchanged (upper triangle read). On convergence dd gets the
// eigenvalues in the order found and column j of vv the eigenvector of dd[j];
// returns 0. After 50 sweeps returns 1 without touching dd and vv.
int diag3By3(float aOrig[3][3], float dd[3], float vv[3][3]);

// Decreasing magnitude, columns of vOrig carried along; of equal magnitudes
// the later entry moves forward. Returns 0.
int eigsrt3By3(float dOrig[3], float vOrig[3][3]);

// Increasing magnitude (ties are swapped too), negating the column that moves
// down so a right-handed set stays right-handed; then vOrig is transposed, so
// on return row k is the eigenvector of dOrig[k]. Returns 0.
int eigsrt3By3NegRevTP(float dOrig[3], float vOrig[3][3]);

}  // namespace korim::foundation
