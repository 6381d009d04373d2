// Test support: 3x3 rotation matrices written out from their definitions, angles in degrees.
#pragma once

#include <cmath>

namespace korim_test {

struct Mat3 {
  double m[3][3];
};

inline Mat3 mul(const Mat3& a, const Mat3& b) {
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

inline Mat3 transpose(const Mat3& a) {
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
  return r;
}

// out = r v
inline void apply(const Mat3& r, const double* v, double* out) {
  for (int i = 0; i < 3; ++i) out[i] = r.m[i][0] * v[0] + r.m[i][1] * v[1] + r.m[i][2] * v[2];
}

inline double maxDiff(const Mat3& a, const Mat3& b) {
  double d = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) d = std::fmax(d, std::fabs(a.m[i][j] - b.m[i][j]));
  return d;
}

inline double rad(double deg) { return deg * M_PI / 180.0; }

// Counter-clockwise rotations about the coordinate axes.
inline Mat3 rotX(double deg) {
  const double c = std::cos(rad(deg)), s = std::sin(rad(deg));
  return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
}
inline Mat3 rotY(double deg) {
  const double c = std::cos(rad(deg)), s = std::sin(rad(deg));
  return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
}
inline Mat3 rotZ(double deg) {
  const double c = std::cos(rad(deg)), s = std::sin(rad(deg));
  return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

// Rz(phi) Ry(theta) Rx(psi): about x first, then y, then z.
inline Mat3 rotXYZ(double psi, double theta, double phi) {
  return mul(rotZ(phi), mul(rotY(theta), rotX(psi)));
}

// Rz(alpha) Ry(beta) Rz(gamma).
inline Mat3 rotZYZ(double alpha, double beta, double gamma) {
  return mul(rotZ(alpha), mul(rotY(beta), rotZ(gamma)));
}

}  // namespace korim_test
