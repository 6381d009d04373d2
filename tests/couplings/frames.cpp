// Frames of the alignment tensor: Euler-angle conversions, principal-frame form, the Saupe-matrix
// analysis (eigensystem, Da/Dr, Euler frames, axis-angle form) and tensor collinearity.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "couplings/analyzeSaupe.h"
#include "dc_test_util.h"

using namespace korim::couplings;
using namespace korim_test;
using dctest::orderMatrix;

namespace {
struct FloatMat {
  float r[3][3];
};
FloatMat toFloat(const Mat3& m) {
  FloatMat f;
  for (int i = 0; i < 9; ++i) f.r[i / 3][i % 3] = static_cast<float>(m.m[i / 3][i % 3]);
  return f;
}
double sizeOf(float ps, float th, float ph) { return double(ps) * ps + double(th) * th + double(ph) * ph; }

// 1-based m = transpose of Rz(alpha) Ry(beta) Rz(gamma), column j scaled by scale[j - 1];
// row and column 0 are never read.
void zyzTransposed(double a, double b, double g, double m[4][4], const double* scale = nullptr) {
  const Mat3 r = rotZYZ(a, b, g);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = i && j ? r.m[j - 1][i - 1] * (scale ? scale[j - 1] : 1.0) : -7;
}

struct Analysis {
  double irr[5], gen, vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
};
Analysis analyze(const double* s, int yzFlag, int verbose) {
  Analysis a;
  for (int k = 0; k < 4; ++k) a.al[k] = a.be[k] = a.ga[k] = 77.0;
  EXPECT_EQ(analyzeSaupe(s, a.irr, &a.gen, a.vec, a.val, yzFlag, &a.da, &a.dr, a.al, a.be, a.ga, verbose), 0);
  return a;
}

// |column c of v . u| = 1
void expectAxis(const double v[3][3], int c, const double* u) {
  EXPECT_NEAR(std::fabs(v[0][c] * u[0] + v[1][c] * u[1] + v[2][c] * u[2]), 1.0, 1e-9) << c;
}

// Each Euler solution k rebuilds the frame x, y, z = y cross z with y = sy col1, z = sz col0 for
// (sy, sz) = (+,+), (-,+), (+,-), (-,-); the frame's columns form the transpose of Rz Ry Rz.
void expectEulerFrames(const double v[3][3], const double* al, const double* be, const double* ga) {
  static const int sgn[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(al[k] >= 0 && al[k] < 360 && ga[k] >= 0 && ga[k] < 360 && be[k] >= 0 && be[k] <= 180) << k;
    const Mat3 f = transpose(rotZYZ(al[k], be[k], ga[k]));
    for (int r = 0; r < 3; ++r)
      EXPECT_TRUE(std::fabs(f.m[r][2] - sgn[k][1] * v[r][0]) < 1e-6 && std::fabs(f.m[r][1] - sgn[k][0] * v[r][1]) < 1e-6)
          << k;
    EXPECT_NEAR(f.m[0][0], f.m[1][1] * f.m[2][2] - f.m[2][1] * f.m[1][2], 1e-6) << k;
  }
}
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

TEST(TensorForms, SaupeToPrincipalFrameAndBack) {
  const float cases[][5] = {{-8.52e-4f, 4.50e-4f, -5.05e-4f, -1.85e-4f, 6.74e-4f}, {1e-3f, 0, 0, 0, 0},
                            {1e-3f, 6e-4f, 0, 0, 0}, {2e-4f, -3e-4f, 4e-4f, 1e-4f, -2.5e-4f}};
  for (const auto& s : cases) {
    float ps[8], th[8], ph[8], eig[3], da, dr, in[5];
    std::copy(s, s + 5, in);
    const int n = saupe2euler(in, ps, th, ph, eig, &da, &dr);
    ASSERT_GE(n, 1);
    // traceless principal values; Da is half the one of largest magnitude; |Dr| <= 2/3 |Da|
    EXPECT_NEAR(eig[0] + eig[1] + eig[2], 0.0, 1e-9);
    const float big = *std::max_element(eig, eig + 3, [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_NEAR(da, big / 2, 1e-8);
    EXPECT_LE(std::fabs(dr), 2.0 / 3.0 * std::fabs(da) + 1e-9);
    for (int k = 0; k < n; ++k) {
      float back[5];
      euler2saupe(back, ps[k], th[k], ph[k], da, dr);
      for (int j = 0; j < 5; ++j) EXPECT_NEAR(back[j], s[j], 2e-7) << "solution " << k;
    }
  }
  float r[5];
  euler2saupe(r, 0, 0, 0, 5e-4f, 2e-4f);  // identity frame: (2 Da, 3 Dr, 0, 0, 0)
  EXPECT_TRUE(std::fabs(r[0] - 1e-3) < 1e-10 && std::fabs(r[1] - 6e-4) < 1e-10 && r[2] == 0.0f);
}

// A frame turned by known angles (getEulerDC, not used by the program): the Saupe elements rebuilt
// from its solutions are those of R^T diag(-da + 1.5 dr, -da - 1.5 dr, 2 da) R (axes: R's rows).
TEST(TensorForms, EulerSolutionsOfAFrame) {
  const Mat3 r = rotXYZ(20, -35, 70);
  FloatMat m = toFloat(r);
  DTensor t;
  dTensorNull(&t);
  t.da = 1e-3f, t.dr = 2e-4f;
  ASSERT_EQ(getEulerDC(m.r, &t), t.eulerCount);
  double s[5];
  dctest::saupeOf(mul(transpose(r), mul(Mat3{{{-7e-4, 0, 0}, {0, -1.3e-3, 0}, {0, 0, 2e-3}}}, r)), s);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(t.saupe[k], s[k], 1e-7) << k;
}

TEST(AnalyzeSaupe, AxialAndRhombicTensors) {
  const double axial[5] = {1e-3, 0, 0, 0, 0};
  const double kZ[3] = {0, 0, 1}, kY[3] = {0, 1, 0};
  Analysis a = analyze(axial, 0, 0);
  expectAxis(a.vec, 0, kZ);
  // Generalised degree of order and first irreducible component sqrt(8 pi/15 * 1.5) * 1e-3.
  const double gen = 1.585330918136652e-3;
  EXPECT_NEAR(a.gen, gen, 5e-12);
  const double diff[8] = {a.val[0] - 1e-3, a.da - 5e-4, a.dr, a.irr[0] - gen, a.irr[1], a.irr[2], a.irr[3], a.irr[4]};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(diff[k], 0.0, 1e-15) << k;
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(a.al[k] == 0 && a.be[k] == 0 && a.ga[k] == 0);  // not asked for

  // Sxx = -2e-4, Syy = -8e-4, Szz = 1e-3: zz, yy, xx by decreasing magnitude.
  const double rh[5] = {1e-3, 6e-4, 0, 0, 0};
  a = analyze(rh, 0, 0);
  const double want[3] = {1e-3, -8e-4, -2e-4};
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.val[k], want[k], 1e-15);
  expectAxis(a.vec, 1, kY);
  EXPECT_TRUE(std::fabs(a.da - 5e-4) < 1e-15 && std::fabs(a.dr - 2e-4) < 1e-15);
  EXPECT_NEAR(a.irr[3], 1.2944172742975892 * 3e-4, 1e-15);  // sqrt(8pi/15) (Sxx + Szz/2)

  // yzFlag: the largest magnitude is reported as yy, the middle one as zz, and Da uses it.
  // zz = -8e-4, yy = 1e-3, xx = -2e-4: Da = (zz - (xx + yy)/2)/3, Dr = (xx - yy)/3.
  a = analyze(rh, 1, 0);
  EXPECT_TRUE(std::fabs(a.val[0] + 8e-4) < 1e-15 && std::fabs(a.val[1] - 1e-3) < 1e-15);
  expectAxis(a.vec, 0, kY);
  EXPECT_TRUE(std::fabs(a.da + 4e-4) < 1e-15 && std::fabs(a.dr + 4e-4) < 1e-15);
}

// Eigenvalues, Da, Dr and the generalised degree of order do not change when the tensor is
// rotated; the eigenvectors rotate with it, and every Euler solution reproduces their frame.
TEST(AnalyzeSaupe, InvariantUnderRotationWithFramesReproduced) {
  std::mt19937 gen(12345);
  std::uniform_real_distribution<double> ang(0.0, 360.0);
  const double base[5] = {8e-4, 3e-4, 0, 0, 0};
  const Analysis a0 = analyze(base, 0, 1);
  for (int trial = 0; trial < 20; ++trial) {
    const Mat3 r = rotZYZ(ang(gen), ang(gen) / 2, ang(gen));
    const Mat3 sRot = mul(mul(r, orderMatrix(base)), transpose(r));
    double s[5];
    dctest::saupeOf(sRot, s);
    const Analysis a = analyze(s, 0, 1);
    const double diff[6] = {a.val[0] - a0.val[0], a.val[1] - a0.val[1], a.val[2] - a0.val[2],
                            a.da - a0.da,         a.dr - a0.dr,         a.gen - a0.gen};
    for (double d : diff) EXPECT_NEAR(d, 0.0, 1e-12) << trial;
    for (int c = 0; c < 3; ++c) {
      const double v0[3] = {a0.vec[0][c], a0.vec[1][c], a0.vec[2][c]}, v[3] = {a.vec[0][c], a.vec[1][c], a.vec[2][c]};
      double sv[3], rv[3];
      apply(sRot, v, sv);  // S v = lambda v
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(sv[i], a.val[c] * v[i], 1e-12);
      apply(r, v0, rv);
      expectAxis(a.vec, c, rv);
    }
    expectEulerFrames(a.vec, a.al, a.be, a.ga);
  }
}

// The axis-angle form rebuilds the rotation by Rodrigues' formula; a zero solution is the identity.
TEST(AnalyzeSaupe, AxisAngleFormReproducesTheRotation) {
  const double cases[][3] = {{10, 50, 300}, {200, 120, 15}, {30, 0, 40},  {0, 0, 0},
                             {350, 170, 350}, {90, 90, 90}, {180, 45, 0}, {0, 45, 180}};
  for (const auto& c : cases) {
    double al[4] = {c[0], 0, 0, 0}, be[4] = {c[1], 0, 0, 0}, ga[4] = {c[2], 0, 0, 0}, th[4], ph[4], om[4];
    ASSERT_EQ(euler2polar(al, be, ga, th, ph, om), 0);
    EXPECT_TRUE(om[0] >= 0 && om[0] < 360 && std::fabs(om[1]) < 1e-9);
    const double t = rad(th[0]), p = rad(ph[0]), w = rad(om[0]);
    const double n[3] = {sin(t) * cos(p), sin(t) * sin(p), cos(t)};
    const double k[3][3] = {{0, -n[2], n[1]}, {n[2], 0, -n[0]}, {-n[1], n[0], 0}};
    Mat3 rod;
    for (int i = 0; i < 3; ++i)  // cos w I + sin w [n]x + (1 - cos w) n n^T
      for (int j = 0; j < 3; ++j) rod.m[i][j] = (i == j ? cos(w) : 0.0) + sin(w) * k[i][j] + (1 - cos(w)) * n[i] * n[j];
    EXPECT_LT(maxDiff(rod, rotZYZ(c[0], c[1], c[2])), 1e-6) << c[0] << " " << c[1] << " " << c[2];
  }
}

// Limits (equal, opposite, zero tensor) and a twin: cosine = Tr(S1 S2) / sqrt(Tr(S1 S1) Tr(S2 S2))
// over the full order matrices.
TEST(Collinearity, LimitsAndTraceTwin) {
  const double s[5] = {7e-4, 2e-4, -1e-4, 3e-4, 0.5e-4}, neg[5] = {-7e-4, -2e-4, 1e-4, -3e-4, -0.5e-4};
  const double zero[5] = {0, 0, 0, 0, 0};
  const struct { const double *a, *b; float cos, angle; } limits[] = {{s, s, 1, 0}, {s, neg, -1, 180}, {zero, s, 0, 90}};
  float c, a;
  for (const auto& l : limits) {
    irrCollinarity(l.a, l.b, &c, &a);
    EXPECT_TRUE(std::fabs(c - l.cos) < 1e-6 && std::fabs(a - l.angle) < 0.1f) << c << " " << a;
  }
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1e-3, 1e-3);
  for (int trial = 0; trial < 10; ++trial) {
    double s1[5], s2[5], t12 = 0, t11 = 0, t22 = 0;
    for (int k = 0; k < 5; ++k) s1[k] = u(gen), s2[k] = u(gen);
    const Mat3 m1 = orderMatrix(s1), m2 = orderMatrix(s2);
    for (int i = 0; i < 9; ++i) {
      const double x1 = m1.m[i / 3][i % 3], x2 = m2.m[i / 3][i % 3];
      t12 += x1 * x2, t11 += x1 * x1, t22 += x2 * x2;
    }
    irrCollinarity(s1, s2, &c, &a);
    EXPECT_NEAR(c, t12 / std::sqrt(t11 * t22), 1e-5);
    EXPECT_NEAR(a, std::acos(t12 / std::sqrt(t11 * t22)) * 180 / M_PI, 0.01);
  }
}
