// Geometry of the alignment simulation: rotations, frames, grid rounding, dipole.
#include "simulation/korim_utils_math.h"

#include <cmath>
#include <cstdio>

namespace korim::simulation {

namespace {

// M(theta, phi, psi), 1-based, element [0][*] and [*][0] unused.
void rotationMatrix(const CosSin& theta, const CosSin& phi, const CosSin& psi, double m[4][4]) {
  const double ct = theta.c, st = theta.s;
  const double cp = phi.c, sp = phi.s;
  const double cs = psi.c, ss = psi.s;
  m[1][1] = cp * ct * cs - sp * ss;
  m[1][2] = sp * ct * cs + cp * ss;
  m[1][3] = -st * cs;
  m[2][1] = -cp * ct * ss - sp * cs;
  m[2][2] = -sp * ct * ss + cp * cs;
  m[2][3] = st * ss;
  m[3][1] = cp * st;
  m[3][2] = sp * st;
  m[3][3] = ct;
}

void rotationMatrix(double theta, double phi, double psi, double m[4][4]) {
  rotationMatrix(cosSin(theta), cosSin(phi), cosSin(psi), m);
}

// out = M in, summed over j = 1..3 from 0 (the same sums for every caller).
void applyMatrix(const double m[4][4], const double in[4], double out[4]) {
  double r[4] = {0.0, 0.0, 0.0, 0.0};
  for (int i = 1; i <= 3; i++) {
    double s = 0.0;
    for (int j = 1; j <= 3; j++) s += m[i][j] * in[j];
    r[i] = s;
  }
  for (int i = 0; i < 4; i++) out[i] = r[i];
}

}  // namespace

void rotate_vector(double theta, double phi, double psi, const double input_vector[4],
                   double rotated_vector[4]) {
  double m[4][4];
  rotationMatrix(theta, phi, psi, m);
  applyMatrix(m, input_vector, rotated_vector);
}

void rotate_coorsystem(double theta, double phi, double psi, double x_axis_tensor[4],
                       double y_axis_tensor[4], double z_axis_tensor[4]) {
  rotate_coorsystem(cosSin(theta), cosSin(phi), cosSin(psi), x_axis_tensor, y_axis_tensor,
                    z_axis_tensor);
}

CosSin cosSin(double angle) { return {std::cos(angle), std::sin(angle)}; }

void rotate_coorsystem(const CosSin& theta, const CosSin& phi, const CosSin& psi,
                       double x_axis_tensor[4], double y_axis_tensor[4], double z_axis_tensor[4]) {
  // One matrix for the three axes: the sampling loops call this twice per
  // orientation.
  const double ex[4] = {0.0, 1.0, 0.0, 0.0};
  const double ey[4] = {0.0, 0.0, 1.0, 0.0};
  const double ez[4] = {0.0, 0.0, 0.0, 1.0};
  double m[4][4];
  rotationMatrix(theta, phi, psi, m);
  applyMatrix(m, ex, x_axis_tensor);
  applyMatrix(m, ey, y_axis_tensor);
  applyMatrix(m, ez, z_axis_tensor);
}

void getRotMat(float theta, float phi, float psi, float rotMatrix[3][3]) {
  double m[4][4];
  rotationMatrix(theta, phi, psi, m);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) rotMatrix[r][c] = static_cast<float>(m[r + 1][c + 1]);
}

int getGridPoint(float pRel) {
  if (pRel < 0.0f) {
    int g = static_cast<int>(std::ceil(pRel));
    if (g - pRel > 0.5f) g -= 1;
    return g;
  }
  if (pRel > 0.0f) {
    int g = static_cast<int>(std::floor(pRel));
    if (pRel - g > 0.5f) g += 1;
    return g;
  }
  return 0;
}

float calcNorm(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

int crossProduct(const float vec1[3], const float vec2[3], float vecOut[3]) {
  const float a = vec1[1] * vec2[2] - vec1[2] * vec2[1];
  const float b = vec1[2] * vec2[0] - vec1[0] * vec2[2];
  const float c = vec1[0] * vec2[1] - vec1[1] * vec2[0];
  vecOut[0] = a;
  vecOut[1] = b;
  vecOut[2] = c;
  return 1;
}

int matMult(const float matrix1[3][3], const float matrix2[3][3], float matrixOut[3][3]) {
  float out[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      float s = 0.0f;
      for (int k = 0; k < 3; k++) s += matrix1[i][k] * matrix2[k][j];
      out[i][j] = s;
    }
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) matrixOut[i][j] = out[i][j];
  return 1;
}

int calcDcos(const double eigVec[3][3], const double eigVec_svd[3][3], float dcos[3]) {
  for (int k = 0; k < 3; k++) {
    const int col = 2 - k;
    float c = 0.0f;
    for (int i = 0; i < 3; i++)
      c += static_cast<float>(eigVec[i][col]) * static_cast<float>(eigVec_svd[i][col]);
    // Rounding can push the cosine of (anti)parallel unit vectors past 1.
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    dcos[k] = std::acos(c);
  }
  return 0;
}

float dipoleMoment(const double* x, const double* y, const double* z, int chCount, float* chSum,
                   const int* chargeAtomID, const float* charges, float avePos[3], float aveNeg[3],
                   float chargeDipol[2], double dipoleVec[3][3], int verb) {
  float monoPos[3] = {0.0f, 0.0f, 0.0f};
  float dipPos[3] = {0.0f, 0.0f, 0.0f};
  float dir[3] = {0.0f, 0.0f, 0.0f};
  float dipole = 0.0f;
  bool hasDipole = false;  // the centres of the two signs apart: a direction
  long double sumPos = 0.0L, sumNeg = 0.0L;
  for (int k = 0; k < 3; k++) {
    avePos[k] = 0.0f;
    aveNeg[k] = 0.0f;
  }
  chargeDipol[0] = 0.0f;
  chargeDipol[1] = 0.0f;

  if (chCount >= 1) {
    for (int i = 1; i <= chCount; i++) {
      if (charges[i] >= 0.0f) sumPos += charges[i];
      if (charges[i] <= 0.0f) sumNeg += charges[i];
    }
    for (int i = 1; i <= chCount; i++) {
      const int id = chargeAtomID[i];
      const long double q = charges[i];
      const long double p[3] = {x[id], y[id], z[id]};
      // A sign with no charge at all keeps its centre at the origin.
      if (q >= 0.0L && sumPos != 0.0L) {
        for (int k = 0; k < 3; k++) avePos[k] = static_cast<float>(avePos[k] + p[k] * q / sumPos);
      } else if (q < 0.0L && sumNeg != 0.0L) {
        for (int k = 0; k < 3; k++)
          aveNeg[k] = static_cast<float>(aveNeg[k] + p[k] * std::fabs(q / sumNeg));
      }
    }
    float d[3];
    for (int k = 0; k < 3; k++) d[k] = avePos[k] - aveNeg[k];
    const float dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int k = 0; k < 3; k++) dir[k] = d[k] / dist;
    // Charges of one sign have no dipole (its size is 0 above): their direction would run from
    // the origin, where the empty centre stays, and mean nothing.
    hasDipole = dist > 0.0f && sumPos != 0.0L && sumNeg != 0.0L;
    *chSum = static_cast<float>(sumNeg + sumPos);
    if (std::fabs(sumNeg) < std::fabs(sumPos)) {
      for (int k = 0; k < 3; k++) {
        monoPos[k] = avePos[k];
        dipPos[k] = aveNeg[k];
      }
      dipole = static_cast<float>(std::fabs(dist * sumNeg));
    } else {
      for (int k = 0; k < 3; k++) {
        monoPos[k] = aveNeg[k];
        dipPos[k] = avePos[k];
      }
      dipole = static_cast<float>(dist * sumPos);
    }
    chargeDipol[0] = static_cast<float>(sumPos);
    chargeDipol[1] = static_cast<float>(sumNeg);
  }

  // Column 0 (the z axis): the dipole direction; column 2 (x) = (1, 0, f) is orthogonal to it;
  // column 1 (y) = column 0 x column 2 completes the frame, right-handed as (x, y, z). Columns 1
  // and 2 are scaled to unit length (column 1 is as long as column 2, column 0 being a unit
  // vector orthogonal to it), so that the frame is a rotation: the structure analysis takes
  // Euler angles and axis angles from it.
  const double dx = dir[0], dy = dir[1], dz = dir[2];
  const double f = -dx / dz;
  const double len = std::sqrt(1.0 + f * f);
  dipoleVec[0][0] = dx;
  dipoleVec[1][0] = dy;
  dipoleVec[2][0] = dz;
  dipoleVec[0][2] = 1.0 / len;
  dipoleVec[1][2] = 0.0;
  dipoleVec[2][2] = f / len;
  dipoleVec[0][1] = dy * f / len;
  dipoleVec[1][1] = (dz - f * dx) / len;
  dipoleVec[2][1] = -dy / len;

  if (verb) {
    std::printf("REMARK Total positive charge %.3f [e], Total negative charge %.3f [e].\n",
                static_cast<double>(sumPos), static_cast<double>(sumNeg));
    std::printf("REMARK Monopol charge at (%.3f,%.3f,%.3f) [A] of %.3f [e].\n", monoPos[0],
                monoPos[1], monoPos[2], *chSum);
    std::printf("REMARK Dipol at (%.3f,%.3f,%.3f) [A] of %.3f [Debye].\n", dipPos[0], dipPos[1],
                dipPos[2], dipole * 4.8);
    if (hasDipole)
      std::printf("REMARK Dipol direction (%.3f,%.3f,%.3f).\n", dir[0], dir[1], dir[2]);
    else
      std::printf("REMARK Dipol direction: none (no dipole).\n");
  }
  return dipole;
}

}  // namespace korim::simulation
