// Rotation conventions, grid rounding, frame angles, sign-equivalent frames
// and the charge dipole of the simulation geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "simulation/korim_utils_math.h"
#include "tests/support/capture.h"

using namespace korim::simulation;
using korim::couplings::make_eigVecList;

namespace {

// Passive rotations M(theta, phi, psi) = Rz(psi) Ry(theta) Rz(phi), written out.
void eulerZYZ(double theta, double phi, double psi, double m[3][3]) {
  const double c = std::cos(theta), s = std::sin(theta), cf = std::cos(phi), sf = std::sin(phi);
  const double cp = std::cos(psi), sp = std::sin(psi);
  const double a[3][3] = {{cp, sp, 0}, {-sp, cp, 0}, {0, 0, 1}}, ry[3][3] = {{c, 0, -s}, {0, 1, 0}, {s, 0, c}},
               b[3][3] = {{cf, sf, 0}, {-sf, cf, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      m[i][j] = 0;
      for (int k = 0; k < 3; k++)
        for (int l = 0; l < 3; l++) m[i][j] += a[i][k] * ry[k][l] * b[l][j];
    }
}

// 1-based point charges, numbered in order.
struct Charges {
  double x[8] = {0}, y[8] = {0}, z[8] = {0};
  int id[8] = {0};
  float q[8] = {0};
  int n = 0;
  void add(double px, double py, double pz, float charge) {
    ++n;
    x[n] = px;
    y[n] = py;
    z[n] = pz;
    id[n] = n;
    q[n] = charge;
  }
};

}  // namespace

TEST(Rotation, MatchesProductOfElementaryRotations) {
  const double angles[][3] = {{0.3, 1.1, -0.7}, {2.9, -2.2, 0.4}, {1.5707963, 0.0, 3.0}, {0.01, 4.0, 5.5}};
  for (const auto& ang : angles) {
    double ref[3][3], refF[3][3], xa[4], ya[4], za[4], out[4];
    eulerZYZ(ang[0], ang[1], ang[2], ref);
    rotate_coorsystem(ang[0], ang[1], ang[2], xa, ya, za);
    const double* cols[3] = {xa, ya, za};
    for (int c = 0; c < 3; c++)
      for (int r = 0; r < 3; r++) EXPECT_NEAR(cols[c][r + 1], ref[r][c], 1e-14);
    const double v[4] = {0.0, 0.3, -1.7, 2.2};
    rotate_vector(ang[0], ang[1], ang[2], v, out);
    for (int r = 0; r < 3; r++) EXPECT_NEAR(out[r + 1], ref[r][0] * v[1] + ref[r][1] * v[2] + ref[r][2] * v[3], 1e-13);
    float fm[3][3];
    const float ft = static_cast<float>(ang[0]), fp = static_cast<float>(ang[1]), fs = static_cast<float>(ang[2]);
    getRotMat(ft, fp, fs, fm);
    eulerZYZ(ft, fp, fs, refF);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(fm[i / 3][i % 3], refF[i / 3][i % 3], 1e-7);
  }
}

TEST(SmallAlgebra, GridRoundingNormCrossAndProduct) {
  // Halves round towards zero.
  const float in[] = {0.5f, 0.51f, -0.5f, -1.5f, 2.5f, -2.5f, 0.0f, 1.49f, -1.51f, 7.9f};
  const int out[] = {0, 1, 0, -1, 2, -2, 0, 1, -2, 8};
  for (int i = 0; i < 10; i++) EXPECT_EQ(getGridPoint(in[i]), out[i]) << in[i];
  EXPECT_FLOAT_EQ(calcNorm(3.0f, 4.0f, 12.0f), 13.0f);
  // (1,2,3) x (4,5,6) = (-3, 6, -3), also when the output is the first input.
  float a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  EXPECT_EQ(crossProduct(a, b, a), 1);
  EXPECT_EQ(std::vector<float>(a, a + 3), (std::vector<float>{-3, 6, -3}));
  float m1[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}, m2[3][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}};
  const float expect[3][3] = {{4, 9, 13}, {13, 21, 28}, {22, 34, 47}};
  EXPECT_EQ(matMult(m1, m2, m1), 1);  // in place
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) EXPECT_FLOAT_EQ(m1[i][j], expect[i][j]);
}

TEST(FrameAngles, ColumnsInReverseOrderAndNoNaNAtTheLimits) {
  // Column 0 kept, column 1 reversed, column 2 turned by 60 degrees about column 0.
  const double e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double g[3][3] = {{1, 0, 0}, {0, -1, -std::sqrt(3.0) / 2}, {0, 0, 0.5}};
  float dcos[3];
  EXPECT_EQ(calcDcos(e, g, dcos), 0);
  EXPECT_NEAR(dcos[0], M_PI / 3, 1e-6);  // column 2
  EXPECT_NEAR(dcos[1], M_PI, 1e-6);      // column 1
  EXPECT_NEAR(dcos[2], 0.0, 1e-6);       // column 0
  // Equal and opposite frames whose float column products round past +-1.
  double f[3][3], h[3][3];
  eulerZYZ(0.3, 1.1, -0.7, f);
  for (int i = 0; i < 9; i++) h[i / 3][i % 3] = -f[i / 3][i % 3];
  calcDcos(f, f, dcos);
  for (float d : dcos) EXPECT_LT(d, 1e-3f);  // no NaN: NaN compares false
  calcDcos(f, h, dcos);
  for (float d : dcos) EXPECT_NEAR(d, M_PI, 1e-3);
}

TEST(FrameList, FourRightHandedFramesRelatedByHalfTurns) {
  const double id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double X[4][3], Y[4][3], Z[4][3];
  EXPECT_EQ(make_eigVecList(id, X, Y, Z), 4);
  // Hand-derived: z = s_z * column 0, y = s_y * column 1, x = y x z.
  const double ex[4][3] = {{0, 0, -1}, {0, 0, 1}, {0, 0, 1}, {0, 0, -1}};
  const double ey[4][3] = {{0, 1, 0}, {0, -1, 0}, {0, 1, 0}, {0, -1, 0}};
  const double ez[4][3] = {{1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}};
  for (int n = 0; n < 4; n++)
    for (int i = 0; i < 3; i++) EXPECT_TRUE(X[n][i] == ex[n][i] && Y[n][i] == ey[n][i] && Z[n][i] == ez[n][i]) << n;
  double f[3][3];
  eulerZYZ(2.9, -2.2, 0.4, f);
  make_eigVecList(f, X, Y, Z);
  for (int n = 0; n < 4; n++) {
    // det [X Y Z] = X . (Y x Z) = +1
    const double c[3] = {Y[n][1] * Z[n][2] - Y[n][2] * Z[n][1], Y[n][2] * Z[n][0] - Y[n][0] * Z[n][2],
                         Y[n][0] * Z[n][1] - Y[n][1] * Z[n][0]};
    EXPECT_NEAR(X[n][0] * c[0] + X[n][1] * c[1] + X[n][2] * c[2], 1.0, 1e-12);
    // Each frame shares one axis with frame 0 and reverses the other two.
    int same = 0, reversed = 0;
    for (const auto* l : {X, Y, Z}) {
      const double d = l[n][0] * l[0][0] + l[n][1] * l[0][1] + l[n][2] * l[0][2];
      same += std::fabs(d - 1) < 1e-12;
      reversed += std::fabs(d + 1) < 1e-12;
    }
    EXPECT_EQ(same, n == 0 ? 3 : 1);
    EXPECT_EQ(reversed, n == 0 ? 0 : 2);
  }
}

TEST(Dipole, CentresMomentFrameAndReport) {
  Charges c;
  c.add(1, 2, 3, 2.0f);
  c.add(4, 5, 6, 1.0f);
  c.add(1, 1, 1, -1.0f);
  c.add(3, 1, 1, -1.0f);
  float chSum = -99, pos[3], neg[3], tot[2], d = 0;
  double frame[3][3];
  const std::string out = korim_test::captureStdout(
      [&] { d = dipoleMoment(c.x, c.y, c.z, c.n, &chSum, c.id, c.q, pos, neg, tot, frame, 1); });
  // Hand values: positive centre (2,3,4), negative centre (2,1,1), distance
  // sqrt(13); the smaller magnitude (2 e) sits at the dipole end; 4.8 D per e A.
  EXPECT_NEAR(d, 2.0 * std::sqrt(13.0), 1e-5);
  EXPECT_TRUE(chSum == 1.0f && tot[0] == 3.0f && tot[1] == -2.0f);
  EXPECT_LT(std::hypot(pos[0] - 2, pos[1] - 3, pos[2] - 4) + std::hypot(neg[0] - 2, neg[1] - 1, neg[2] - 1), 1e-5);
  EXPECT_EQ(out,
            "REMARK Total positive charge 3.000 [e], Total negative charge -2.000 [e].\n"
            "REMARK Monopol charge at (2.000,3.000,4.000) [A] of 1.000 [e].\n"
            "REMARK Dipol at (2.000,1.000,1.000) [A] of 34.613 [Debye].\n"
            "REMARK Dipol direction (0.000,0.555,0.832).\n");
  // Column 0 is the unit direction, column 2 orthogonal to it, column 1 = col0 x col2.
  const double dir[3] = {0.0, 2.0 / std::sqrt(13.0), 3.0 / std::sqrt(13.0)};
  double dot = 0;
  for (int i = 0; i < 3; i++) {
    EXPECT_NEAR(frame[i][0], dir[i], 1e-6);
    dot += frame[i][0] * frame[i][2];
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    EXPECT_NEAR(frame[i][1], frame[j][0] * frame[k][2] - frame[k][0] * frame[j][2], 1e-12);
  }
  EXPECT_NEAR(dot, 0.0, 1e-12);
  // Equal magnitudes: the monopole at the negative centre, the dipole at the positive one.
  Charges e;
  e.add(0, 0, 2, 1.0f);
  e.add(0, 0, -2, -1.0f);
  e.add(9, 9, 9, 0.0f);  // a zero charge weighs nothing in the positive centre
  const std::string eq = korim_test::captureStdout(
      [&] { d = dipoleMoment(e.x, e.y, e.z, e.n, &chSum, e.id, e.q, pos, neg, tot, frame, 1); });
  EXPECT_TRUE(d == 4.0f && pos[2] == 2.0f && pos[0] == 0.0f);
  EXPECT_NE(eq.find("REMARK Monopol charge at (0.000,0.000,-2.000) [A] of 0.000 [e].\n"
                    "REMARK Dipol at (0.000,0.000,2.000) [A] of 19.200 [Debye].\n"),
            std::string::npos)
      << eq;
}

TEST(Dipole, MissingSignOrNoChargeLeavesTheCentreAtTheOrigin) {
  Charges c;
  c.add(1, 2, 2, 1.0f);
  c.add(3, 6, 6, 1.0f);
  float chSum, pos[3], neg[3], tot[2];
  double frame[3][3];
  const float d = dipoleMoment(c.x, c.y, c.z, c.n, &chSum, c.id, c.q, pos, neg, tot, frame, 0);
  EXPECT_TRUE(neg[0] == 0.0f && neg[1] == 0.0f && neg[2] == 0.0f);  // never NaN
  EXPECT_LT(std::hypot(pos[0] - 2, pos[1] - 4, pos[2] - 4), 1e-6);
  EXPECT_TRUE(chSum == 2.0f && d == 0.0f);  // no negative charge: no dipole
  EXPECT_NEAR(frame[0][0], 1.0 / 3, 1e-6);
  Charges m;
  m.add(1, 0, 0, -0.5f);
  dipoleMoment(m.x, m.y, m.z, m.n, &chSum, m.id, m.q, pos, neg, tot, frame, 0);
  EXPECT_TRUE(pos[0] == 0.0f && pos[1] == 0.0f && pos[2] == 0.0f && neg[0] == 1.0f);
  // No charges at all: zeros, and the caller's total stays.
  Charges none;
  chSum = 7.5f;
  EXPECT_EQ(dipoleMoment(none.x, none.y, none.z, 0, &chSum, none.id, none.q, pos, neg, tot, frame, 0), 0.0f);
  EXPECT_EQ(chSum, 7.5f);
  const std::vector<float> zeros(8, 0.0f);
  EXPECT_EQ((std::vector<float>{pos[0], pos[1], pos[2], neg[0], neg[1], neg[2], tot[0], tot[1]}), zeros);
  EXPECT_EQ(frame[0][0], 0.0);
}
