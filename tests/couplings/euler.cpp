// Euler-angle conversions: recovered angles must rebuild the rotation they came from.
#include <gtest/gtest.h>

#include <cmath>

#include "couplings/dc.h"
#include "tests/support/rotation.h"

using namespace korim::couplings;
using namespace korim_test;

namespace {
struct FloatMat {
  float r[3][3];
};
FloatMat toFloat(const Mat3& m) {
  FloatMat f;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) f.r[i][j] = static_cast<float>(m.m[i][j]);
  return f;
}
double sizeOf(float ps, float th, float ph) { return double(ps) * ps + double(th) * th + double(ph) * ph; }
}  // namespace

// Every rotation of a 10-degree grid, gimbal lock (theta = +/-90) and angles whose ratios round
// past +/-1 included: every listed solution rebuilds the matrix, sorted by size, at most 8.
TEST(Rot2Euler, EverySolutionRebuildsTheRotation) {
  int failures = 0;
  for (int p = -180; p < 180; p += 10)
    for (int t = -90; t <= 90; t += 10)
      for (int f = -180; f < 180; f += 10) {
        const Mat3 m = rotXYZ(p, t, f);
        FloatMat r = toFloat(m);
        float ps[8], th[8], ph[8];
        const int n = rot2euler(r.r, ps, th, ph);
        bool ok = n >= 1 && n <= 8;
        for (int k = 0; ok && k < n; ++k) {
          ok = maxDiff(m, rotXYZ(ps[k], th[k], ph[k])) < 0.02;  // gimbal lock drops cos(theta) <= 0.005 terms
          // sorted in radians, compared here in degrees: allow for rounding
          if (k > 0) ok = ok && sizeOf(ps[k - 1], th[k - 1], ph[k - 1]) <= sizeOf(ps[k], th[k], ph[k]) * (1 + 1e-5);
        }
        for (int k = n; ok && k < 8; ++k) ok = ps[k] == 0 && th[k] == 0 && ph[k] == 0;
        if (!ok && ++failures <= 5) ADD_FAILURE() << p << " " << t << " " << f << " n=" << n;
      }
  EXPECT_EQ(failures, 0);
}

TEST(Rot2Euler, GimbalLockAndTheSingleAnswer) {
  float ps[8], th[8], ph[8];
  // theta exactly +/-90: one untested solution per theta, phi 0, psi carrying psi -/+ phi
  const double cases[][4] = {{30, 90, 0, 30}, {10, 90, 50, -40}, {20, -90, 15, 35}};
  for (const auto& c : cases) {
    FloatMat r = toFloat(rotXYZ(c[0], c[1], c[2]));
    r.r[2][0] = c[1] > 0 ? -1.0f : 1.0f;
    ASSERT_EQ(rot2euler(r.r, ps, th, ph), 2);
    EXPECT_TRUE(ph[0] == 0.0f && std::fabs(th[0] - c[1]) < 1e-3 && std::fabs(ps[0] - c[3]) < 1e-2) << ps[0] << " " << th[0];
  }

  // rot2euler1: one answer, psi with the opposite sign (callers rely on it)
  FloatMat r = toFloat(rotXYZ(25, 40, 70));
  float psi, theta, phi;
  EXPECT_EQ(rot2euler1(r.r, &psi, &theta, &phi), 1);
  EXPECT_LT(std::fabs(psi + 25) + std::fabs(theta - 40) + std::fabs(phi - 70), 3e-3) << psi << " " << theta << " " << phi;
}

namespace {
// 1-based m = transpose of Rz(alpha) Ry(beta) Rz(gamma), column j scaled by scale[j - 1];
// row and column 0 are never read.
void zyzTransposed(double a, double b, double g, double m[4][4], const double* scale = nullptr) {
  const Mat3 r = rotZYZ(a, b, g);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = i && j ? r.m[j - 1][i - 1] * (scale ? scale[j - 1] : 1.0) : -7;
}
}  // namespace

// Every rotation of a 5-degree grid, beta = 0 and 180 included: angles in their ranges that
// rebuild the rotation, gamma 0 where only alpha +/- gamma is defined (there a rounded negative
// sine may give alpha 360 for 0, and beta may pass 180 by the rounding of the routine's pi). alpha = 0 makes
// m31/sin(beta) round past 1, which must not give NaN.
TEST(InvEuler, AnglesInTheirRangesRebuildTheRotation) {
  int failures = 0;
  for (int a = 0; a < 360; a += 5)
    for (int b = 0; b <= 180; b += 5)
      for (int g = 0; g < 360; g += 15) {
        double m[4][4], w[4] = {-1, -1, -1, -1};
        zyzTransposed(a, b, g, m);
        inv_euler(m, w);
        const bool ok = w[0] == -1 && w[1] >= 0 && (w[1] < 360 || b % 180 == 0) && w[2] >= 0 && w[2] <= 180 + 1e-6 && w[3] >= 0 &&
                        w[3] < 360 && maxDiff(rotZYZ(w[1], w[2], w[3]), rotZYZ(a, b, g)) < 1e-6 &&
                        (w[3] == 0 || (b > 0 && b < 180));
        if (!ok && ++failures <= 5)
          ADD_FAILURE() << a << " " << b << " " << g << " -> " << w[1] << " " << w[2] << " " << w[3];
      }
  EXPECT_EQ(failures, 0);
  // get_euler normalises the columns first
  const double scale[3] = {2.0, 0.5, 7.0};
  double m[4][4], w[4] = {};
  zyzTransposed(0, 60, 120, m, scale);
  EXPECT_EQ(get_euler(m, w), 0);
  EXPECT_LT(std::fabs(w[1]) + std::fabs(w[2] - 60) + std::fabs(w[3] - 120), 3e-5) << w[1] << " " << w[2] << " " << w[3];
}
