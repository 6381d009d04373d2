// Geometry of the alignment simulation: the Euler rotation matrix, rotated
// axes, grid rounding, frame angles, sign-equivalent frames and the dipole.
#pragma once

namespace korim::simulation {

// Rotation matrix M(theta, phi, psi) (radians), rows:
//   ( cphi ctheta cpsi - sphi spsi,  sphi ctheta cpsi + cphi spsi, -stheta cpsi)
//   (-cphi ctheta spsi - sphi cpsi, -sphi ctheta spsi + cphi cpsi,  stheta spsi)
//   ( cphi stheta,                   sphi stheta,                   ctheta     )
// Vectors are double[4], 1-based (element 0 unused, element 3 = z).
void rotate_vector(double theta, double phi, double psi, const double input_vector[4],
                   double rotated_vector[4]);

// The three columns of M: the lab x, y, z unit vectors rotated by M. Their
// elements [3] are the components of the liquid-crystal normal in the
// molecular frame.
void rotate_coorsystem(double theta, double phi, double psi, double x_axis_tensor[4],
                       double y_axis_tensor[4], double z_axis_tensor[4]);

// The cosine and sine of an angle (radians), as std::cos and std::sin give
// them.
struct CosSin {
  double c = 1.0, s = 0.0;
};
CosSin cosSin(double angle);

// rotate_coorsystem from the cosines and sines of its three angles (the same
// values bit for bit): a walk over many orientations that share angles
// takes each sine and cosine once.
void rotate_coorsystem(const CosSin& theta, const CosSin& phi, const CosSin& psi,
                       double x_axis_tensor[4], double y_axis_tensor[4], double z_axis_tensor[4]);

// M in single precision, 0-based: rotMatrix[r][c] = M[r+1][c+1]; evaluated in
// double and rounded once.
void getRotMat(float theta, float phi, float psi, float rotMatrix[3][3]);

// Nearest integer, halves towards zero (2.5 -> 2, -2.5 -> -2).
int getGridPoint(float pRel);

float calcNorm(float x, float y, float z);
// vecOut = vec1 x vec2; returns 1. vecOut may alias an input.
int crossProduct(const float vec1[3], const float vec2[3], float vecOut[3]);
// matrixOut = matrix1 * matrix2; returns 1. matrixOut may alias an input.
int matMult(const float matrix1[3][3], const float matrix2[3][3], float matrixOut[3][3]);

// Angles (radians) between corresponding columns of two eigenvector matrices
// (column j = vector j): dcos[0] from column 2, dcos[1] column 1, dcos[2]
// column 0. Single precision; the cosine is clamped to [-1, 1] so that equal
// frames give 0, never NaN. Returns 0.
int calcDcos(const double eigVec[3][3], const double eigVec_svd[3][3], float dcos[3]);

// Monopole and dipole of the charges i = 1..chCount at the points
// chargeAtomID[i] of the 1-based coordinate arrays. chargeDipol receives the
// total positive and negative charge, avePos/aveNeg the charge-weighted
// centres (the origin when there is no charge of that sign), dipoleVec a
// frame whose column 0 (z) is the unit direction from the negative to the
// positive centre, column 2 (x) the unit vector along (1, 0, -d_x/d_z) and
// column 1 (y) = column 0 x column 2: a rotation, right-handed as (x, y, z);
// not-a-number where d_z is 0 or there is no dipole. *chSum is written only when
// chCount >= 1. With verb set, four REMARK lines go to stdout; without a dipole (no
// charge, or the centres of the two signs at one place) the last says so: "REMARK Dipol
// direction: none (no dipole)." Returns the
// dipole in e*Angstrom (4.8 times it in Debye).
float dipoleMoment(const double* x, const double* y, const double* z, int chCount, float* chSum,
                   const int* chargeAtomID, const float* charges, float avePos[3], float aveNeg[3],
                   float chargeDipol[2], double dipoleVec[3][3], int verb);

}  // namespace korim::simulation
