// Saupe order-matrix analysis: eigensystem, Da, Dr, Euler frames, irreducible form, collinearity.
#pragma once

namespace korim::couplings {

// Saupe vectors are five doubles: Szz, Sxx-Syy, Sxy, Sxz, Syz (Sxx, Syy follow from the trace).
// Eigen results: eigVal[0..2] and eigVec[3][3] with eigenvector k in column k. Position 0 holds
// the eigenvalue of largest magnitude (zz), 1 the middle (yy), 2 the smallest (xx); a non-zero
// yzFlag exchanges positions 0 and 1. Euler lists hold four solutions (z, y', z''), degrees.

// Full analysis: eigensystem, Da, Dr, irreducible components A0, A1R, A1I, A2R, A2I with their
// generalised magnitude and, when verbose is non-zero, the four Euler solutions of the principal
// frame (otherwise all twelve Euler values are 0). Returns 0.
int analyzeSaupe(const double* saupe, double* irrSaupe, double* genMagnitude, double eigVec[3][3],
                 double* eigVal, int yzFlag, double* da, double* dr, double* alphalist,
                 double* betalist, double* gammalist, int verbose);

// Eigensystem of the order matrix; the Euler solutions only when verbose is non-zero. The eight-
// entry lists psiList, thetaList, phiList are cleared and carry no result. Returns 0.
int saupe2eulerTq(const double* saupe, double* psiList, double* thetaList, double* phiList,
                  double* alphalist, double* betalist, double* gammalist, double eigenvec[3][3],
                  double* eigenvalue, int yzFlag, int verbose);

// Orders eigVal[1..3] and the columns 1..3 of eigVec by decreasing magnitude with three strict
// compare-and-exchange steps (1,2), (1,3), (2,3) (equal magnitudes keep their order), then
// exchanges positions 1 and 2 when yzFlag is non-zero. Returns 0.
int sort_eigensystem(int yzFlag, double eigVal[4], double eigVec[4][4]);

// Da = (zz - (xx + yy)/2)/3 and Dr = (xx - yy)/3 from three eigenvalues (0-based, any order):
// zz is the largest magnitude (the middle one with yzFlag), xx the smallest. Returns 0.
int pca_tensor(int yzFlag, const double* eigVal, double* da, double* dr);

// The four right-handed sign variants of the frame in columns 1..3 of eigVec (zz, yy, xx) as
// z, y', z'' Euler angles, solution k at index k (0..3). Returns 0.
int eigVec2euler(const double eigVec[4][4], double* alphalist, double* betalist,
                 double* gammalist);

// Axis-angle form of four z, y', z'' solutions: polar angle thetaG and azimuth phiG of the
// rotation axis and the rotation angle omegaG in [0, 360), all in degrees. Returns 0.
int euler2polar(const double* alphalist, const double* betalist, const double* gammalist,
                double* thetaGlist, double* phiGlist, double* omegaGlist);

// Irreducible (spherical) components A0, A1R, A1I, A2R, A2I and the generalised magnitude.
void irreducRepres(const double* saupe, double* genMagnitude, double* irrSaupe);

// Cosine and angle (degrees, 0 to 180) between two tensors in the five-dimensional space of
// Saupe elements, in single precision; a zero tensor gives cosine 0 and 90 degrees. Returns 0.
int irrCollinarity(const double* saupe1, const double* saupe2, float* dcos, float* angle);
// The same in double precision, so that equal tensors give exactly 0 degrees.
int irrCollinarity(const double* saupe1, const double* saupe2, double* dcos, double* angle);

// product[1..3] = column n x column m of the 1-based eigVec (n, m in 1..3). Returns 1.
int cross_productM(int n, int m, const double eigVec[4][4], double* product);

// The four right-handed frames y = sy*col1, z = sz*col0, x = y x z for the
// sign pairs (+,+), (-,+), (+,-), (-,-); column 2 is not read. Frame n is
// (eigVecXlist[n], eigVecYlist[n], eigVecZlist[n]). Returns 4.
int make_eigVecList(const double eigVec[3][3], double eigVecXlist[4][3],
                    double eigVecYlist[4][3], double eigVecZlist[4][3]);

}  // namespace korim::couplings
