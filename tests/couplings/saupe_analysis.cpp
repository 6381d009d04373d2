// Saupe-matrix analysis: eigensystem, Da/Dr, Euler frames, axis-angle form, collinearity.
#include <gtest/gtest.h>

#include <random>

#include "couplings/analyzeMatrix3D.h"
#include "couplings/analyzeSaupe.h"
#include "dc_test_util.h"

using namespace korim::couplings;
using namespace korim_test;
using dctest::orderMatrix;

namespace {

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
    for (int r = 0; r < 3; ++r) {
      EXPECT_NEAR(f.m[r][2], sgn[k][1] * v[r][0], 1e-6) << k;
      EXPECT_NEAR(f.m[r][1], sgn[k][0] * v[r][1], 1e-6) << k;
    }
    EXPECT_NEAR(f.m[0][0], f.m[1][1] * f.m[2][2] - f.m[2][1] * f.m[1][2], 1e-6) << k;
  }
}

const double kX[3] = {1, 0, 0}, kY[3] = {0, 1, 0}, kZ[3] = {0, 0, 1};

}  // namespace

TEST(AnalyzeSaupe, AxialAndRhombicTensors) {
  const double axial[5] = {1e-3, 0, 0, 0, 0};
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

TEST(AnalyzeMatrix3D, InertiaTensorAlwaysGivesEulerFrames) {
  const Mat3 r = rotZYZ(17, 63, -40);
  const Mat3 m = mul(mul(r, Mat3{{{1, 0, 0}, {0, 3, 0}, {0, 0, 2}}}), transpose(r));
  double flat[9], vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
  for (int i = 0; i < 9; ++i) flat[i] = m.m[i / 3][i % 3];
  ASSERT_EQ(analyzeMatrix3D(flat, vec, val, 0, &da, &dr, al, be, ga), 0);
  const double want[3] = {3, 2, 1}, axis[3] = {r.m[0][1], r.m[1][1], r.m[2][1]};
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(val[k], want[k], 1e-12);
  expectAxis(vec, 0, axis);
  EXPECT_TRUE(std::fabs(da - 0.5) < 1e-12 && std::fabs(dr + 1 / 3.0) < 1e-12);  // Da (3 - (1 + 2)/2)/3
  expectEulerFrames(vec, al, be, ga);
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
