// Principal axes of a symmetric 3x3 matrix (inertia tensors): eigensystem, Da, Dr, Euler frames.
#pragma once

namespace korim::couplings {

// matrix: nine doubles, row-major 3x3 (symmetric; the upper triangle is used). Eigen results as
// in analyzeSaupe (column k of eigVec belongs to eigVal[k], largest magnitude first, positions 0
// and 1 exchanged with yzFlag); Da, Dr as pca_tensor; the four z, y', z'' Euler solutions of the
// principal frame are always computed. Returns 0.
int analyzeMatrix3D(const double* matrix, double eigVec[3][3], double* eigVal, int yzFlag,
                    double* da, double* dr, double* alphalist, double* betalist,
                    double* gammalist);

// Eigensystem and Euler solutions of the matrix; the eight-entry lists psiList, thetaList,
// phiList are cleared and carry no result. Returns 0.
int matrix2euler(const double* matrix, double* psiList, double* thetaList, double* phiList,
                 double* alphalist, double* betalist, double* gammalist, double eigenvec[3][3],
                 double* eigenvalue, int yzFlag);

}  // namespace korim::couplings
