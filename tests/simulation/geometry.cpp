// Rotation conventions, grid rounding, frame angles, sign-equivalent frames
// and the charge dipole of the simulation geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "simulation/korim_utils_math.h"

using namespace korim::simulation;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Passive elementary rotations: M(theta, phi, psi) = Rz(psi) Ry(theta) Rz(phi).
void rz(double a, double m[3][3]) {
  const double c = std::cos(a), s = std::sin(a);
  const double r[3][3] = {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) m[i][j] = r[i][j];
}
void ry(double a, double m[3][3]) {
  const double c = std::cos(a), s = std::sin(a);
  const double r[3][3] = {{c, 0, -s}, {0, 1, 0}, {s, 0, c}};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) m[i][j] = r[i][j];
}
void mul(const double a[3][3], const double b[3][3], double out[3][3]) {
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      out[i][j] = 0;
      for (int k = 0; k < 3; k++) out[i][j] += a[i][k] * b[k][j];
    }
}
void eulerZYZ(double theta, double phi, double psi, double m[3][3]) {
  double a[3][3], b[3][3], c[3][3], t[3][3];
  rz(psi, a);
  ry(theta, b);
  rz(phi, c);
  mul(b, c, t);
  mul(a, t, m);
}

const double kAngles[][3] = {{0.3, 1.1, -0.7}, {2.9, -2.2, 0.4}, {1.5707963, 0.0, 3.0},
                             {0.01, 4.0, 5.5}};

}  // namespace

TEST(Rotation, MatchesProductOfElementaryRotations) {
  for (const auto& ang : kAngles) {
    double ref[3][3];
    eulerZYZ(ang[0], ang[1], ang[2], ref);
    double xa[4], ya[4], za[4];
    rotate_coorsystem(ang[0], ang[1], ang[2], xa, ya, za);
    const double* cols[3] = {xa, ya, za};
    for (int c = 0; c < 3; c++)
      for (int r = 0; r < 3; r++) EXPECT_NEAR(cols[c][r + 1], ref[r][c], 1e-14);

    const double v[4] = {0.0, 0.3, -1.7, 2.2};
    double out[4];
    rotate_vector(ang[0], ang[1], ang[2], v, out);
    for (int r = 0; r < 3; r++) {
      const double expect = ref[r][0] * v[1] + ref[r][1] * v[2] + ref[r][2] * v[3];
      EXPECT_NEAR(out[r + 1], expect, 1e-13);
    }

    float fm[3][3];
    getRotMat(static_cast<float>(ang[0]), static_cast<float>(ang[1]), static_cast<float>(ang[2]),
              fm);
    double refF[3][3];
    eulerZYZ(static_cast<float>(ang[0]), static_cast<float>(ang[1]), static_cast<float>(ang[2]),
             refF);
    for (int r = 0; r < 3; r++)
      for (int c = 0; c < 3; c++) EXPECT_NEAR(fm[r][c], refF[r][c], 1e-7);
  }
}

TEST(Rotation, SpecialAngles) {
  double xa[4], ya[4], za[4];
  rotate_coorsystem(0.0, 0.0, 0.0, xa, ya, za);
  const double unit[3][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const double* axes[3] = {xa, ya, za};
  for (int a = 0; a < 3; a++)
    for (int i = 1; i <= 3; i++) EXPECT_DOUBLE_EQ(axes[a][i], unit[a][i]);
  // theta = 90 degrees, phi = 0: the z component of the rotated x axis is 1.
  rotate_coorsystem(kPi / 2, 0.0, 0.0, xa, ya, za);
  EXPECT_NEAR(xa[3], 1.0, 1e-15);
  EXPECT_NEAR(za[3], 0.0, 1e-15);
  // The z components are the liquid-crystal normal (sin t cos p, sin t sin p, cos t).
  rotate_coorsystem(0.8, 2.1, 1.3, xa, ya, za);
  EXPECT_NEAR(xa[3], std::sin(0.8) * std::cos(2.1), 1e-15);
  EXPECT_NEAR(ya[3], std::sin(0.8) * std::sin(2.1), 1e-15);
  EXPECT_NEAR(za[3], std::cos(0.8), 1e-15);
}

TEST(GridPoint, HalvesRoundTowardsZero) {
  EXPECT_EQ(getGridPoint(0.5f), 0);
  EXPECT_EQ(getGridPoint(0.51f), 1);
  EXPECT_EQ(getGridPoint(-0.5f), 0);
  EXPECT_EQ(getGridPoint(-1.5f), -1);
  EXPECT_EQ(getGridPoint(2.5f), 2);
  EXPECT_EQ(getGridPoint(-2.5f), -2);
  EXPECT_EQ(getGridPoint(0.0f), 0);
  EXPECT_EQ(getGridPoint(1.49f), 1);
  EXPECT_EQ(getGridPoint(-1.51f), -2);
  EXPECT_EQ(getGridPoint(7.9f), 8);
}

TEST(SmallAlgebra, NormCrossAndProduct) {
  EXPECT_FLOAT_EQ(calcNorm(3.0f, 4.0f, 12.0f), 13.0f);
  float ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0}, out[3];
  EXPECT_EQ(crossProduct(ex, ey, out), 1);
  EXPECT_FLOAT_EQ(out[0], 0.0f);
  EXPECT_FLOAT_EQ(out[1], 0.0f);
  EXPECT_FLOAT_EQ(out[2], 1.0f);
  // (1,2,3) x (4,5,6) = (-3, 6, -3), also when the output is the first input.
  float a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  crossProduct(a, b, a);
  EXPECT_FLOAT_EQ(a[0], -3.0f);
  EXPECT_FLOAT_EQ(a[1], 6.0f);
  EXPECT_FLOAT_EQ(a[2], -3.0f);

  float m1[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}};
  float m2[3][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}};
  const float expect[3][3] = {{4, 9, 13}, {13, 21, 28}, {22, 34, 47}};
  EXPECT_EQ(matMult(m1, m2, m1), 1);  // in place
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) EXPECT_FLOAT_EQ(m1[i][j], expect[i][j]);
}

TEST(FrameAngles, ColumnsInReverseOrderAndNoNaNForEqualFrames) {
  // A rotation frame whose column dot products round slightly past 1 in float.
  double f[3][3];
  eulerZYZ(0.3, 1.1, -0.7, f);
  float dcos[3];
  EXPECT_EQ(calcDcos(f, f, dcos), 0);
  for (float d : dcos) {
    EXPECT_FALSE(std::isnan(d));
    EXPECT_LT(d, 1e-3f);
  }
  // Column 0 kept, column 1 reversed, column 2 turned by 60 degrees about column 0.
  const double e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double c60 = 0.5, s60 = std::sqrt(3.0) / 2;
  const double g[3][3] = {{1, 0, 0}, {0, -1, -s60}, {0, 0, c60}};
  calcDcos(e, g, dcos);
  EXPECT_NEAR(dcos[0], kPi / 3, 1e-6);  // column 2
  EXPECT_NEAR(dcos[1], kPi, 1e-6);      // column 1
  EXPECT_NEAR(dcos[2], 0.0, 1e-6);      // column 0
  // Anti-parallel unit vectors whose float product rounds below -1 give pi.
  double h[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) h[i][j] = -f[i][j];
  calcDcos(f, h, dcos);
  for (float d : dcos) EXPECT_NEAR(d, kPi, 1e-3);
}

TEST(FrameList, FourRightHandedFramesOfTheIdentity) {
  const double id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double X[4][3], Y[4][3], Z[4][3];
  EXPECT_EQ(make_eigVecList(id, X, Y, Z), 4);
  // Hand-derived: z = s_z * column 0, y = s_y * column 1, x = y x z.
  const double ex[4][3] = {{0, 0, -1}, {0, 0, 1}, {0, 0, 1}, {0, 0, -1}};
  const double ey[4][3] = {{0, 1, 0}, {0, -1, 0}, {0, 1, 0}, {0, -1, 0}};
  const double ez[4][3] = {{1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}};
  for (int n = 0; n < 4; n++)
    for (int i = 0; i < 3; i++) {
      EXPECT_DOUBLE_EQ(X[n][i], ex[n][i]) << n << " " << i;
      EXPECT_DOUBLE_EQ(Y[n][i], ey[n][i]) << n << " " << i;
      EXPECT_DOUBLE_EQ(Z[n][i], ez[n][i]) << n << " " << i;
    }
}

TEST(FrameList, FramesOfARotationAreRightHandedAndRelatedByHalfTurns) {
  double f[3][3];
  eulerZYZ(2.9, -2.2, 0.4, f);
  double X[4][3], Y[4][3], Z[4][3];
  make_eigVecList(f, X, Y, Z);
  for (int n = 0; n < 4; n++) {
    // det [X Y Z] = X . (Y x Z) = +1
    const double c[3] = {Y[n][1] * Z[n][2] - Y[n][2] * Z[n][1],
                         Y[n][2] * Z[n][0] - Y[n][0] * Z[n][2],
                         Y[n][0] * Z[n][1] - Y[n][1] * Z[n][0]};
    EXPECT_NEAR(X[n][0] * c[0] + X[n][1] * c[1] + X[n][2] * c[2], 1.0, 1e-12);
    // Each frame shares one axis with frame 0 and reverses the other two.
    int same = 0, reversed = 0;
    const double(*lists[3])[3] = {X, Y, Z};
    for (const auto* l : lists) {
      const double d = l[n][0] * l[0][0] + l[n][1] * l[0][1] + l[n][2] * l[0][2];
      if (std::fabs(d - 1) < 1e-12) same++;
      if (std::fabs(d + 1) < 1e-12) reversed++;
    }
    EXPECT_EQ(same, n == 0 ? 3 : 1);
    EXPECT_EQ(reversed, n == 0 ? 0 : 2);
  }
}

namespace {

struct Charges {
  double x[8] = {0}, y[8] = {0}, z[8] = {0};
  int id[8] = {0};
  float q[8] = {0};
  int n = 0;
  void add(double px, double py, double pz, float charge) {
    n++;
    x[n] = px;
    y[n] = py;
    z[n] = pz;
    id[n] = n;
    q[n] = charge;
  }
};

}  // namespace

TEST(Dipole, CentresMomentAndReport) {
  Charges c;
  c.add(1, 2, 3, 2.0f);
  c.add(4, 5, 6, 1.0f);
  c.add(1, 1, 1, -1.0f);
  c.add(3, 1, 1, -1.0f);
  float chSum = -99, pos[3], neg[3], tot[2];
  double frame[3][3];
  testing::internal::CaptureStdout();
  const float d = dipoleMoment(c.x, c.y, c.z, c.n, &chSum, c.id, c.q, pos, neg, tot, frame, 1);
  const std::string out = testing::internal::GetCapturedStdout();
  // Hand values: positive centre (2,3,4), negative centre (2,1,1), distance
  // sqrt(13); the smaller magnitude (2 e) sits at the dipole end.
  EXPECT_NEAR(d, 2.0 * std::sqrt(13.0), 1e-5);
  EXPECT_FLOAT_EQ(chSum, 1.0f);
  EXPECT_FLOAT_EQ(tot[0], 3.0f);
  EXPECT_FLOAT_EQ(tot[1], -2.0f);
  const float ep[3] = {2, 3, 4}, en[3] = {2, 1, 1};
  for (int k = 0; k < 3; k++) {
    EXPECT_NEAR(pos[k], ep[k], 1e-6);
    EXPECT_NEAR(neg[k], en[k], 1e-6);
  }
  EXPECT_EQ(out,
            "REMARK Total positive charge 3.000 [e], Total negative charge -2.000 [e].\n"
            "REMARK Monopol charge at (2.000,3.000,4.000) [A] of 1.000 [e].\n"
            "REMARK Dipol at (2.000,1.000,1.000) [A] of 34.613 [Debye].\n"
            "REMARK Dipol direction (0.000,0.555,0.832).\n");
  // Column 0 is the unit direction; column 2 is orthogonal to it; column 1 = col0 x col2.
  EXPECT_NEAR(frame[0][0], 0.0, 1e-7);
  EXPECT_NEAR(frame[1][0], 2.0 / std::sqrt(13.0), 1e-6);
  EXPECT_NEAR(frame[2][0], 3.0 / std::sqrt(13.0), 1e-6);
  double dot = 0;
  for (int i = 0; i < 3; i++) dot += frame[i][0] * frame[i][2];
  EXPECT_NEAR(dot, 0.0, 1e-12);
  const double cx = frame[1][0] * frame[2][2] - frame[2][0] * frame[1][2];
  const double cy = frame[2][0] * frame[0][2] - frame[0][0] * frame[2][2];
  const double cz = frame[0][0] * frame[1][2] - frame[1][0] * frame[0][2];
  EXPECT_NEAR(frame[0][1], cx, 1e-12);
  EXPECT_NEAR(frame[1][1], cy, 1e-12);
  EXPECT_NEAR(frame[2][1], cz, 1e-12);
}

TEST(Dipole, EqualMagnitudesPutTheMonopoleAtTheNegativeCentre) {
  Charges c;
  c.add(0, 0, 2, 1.0f);
  c.add(0, 0, -2, -1.0f);
  c.add(9, 9, 9, 0.0f);  // a zero charge weighs nothing in the positive centre
  float chSum, pos[3], neg[3], tot[2];
  double frame[3][3];
  testing::internal::CaptureStdout();
  const float d = dipoleMoment(c.x, c.y, c.z, c.n, &chSum, c.id, c.q, pos, neg, tot, frame, 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FLOAT_EQ(d, 4.0f);  // dist 4 times the positive total 1
  EXPECT_FLOAT_EQ(pos[2], 2.0f);
  EXPECT_FLOAT_EQ(pos[0], 0.0f);
  EXPECT_NE(out.find("REMARK Monopol charge at (0.000,0.000,-2.000) [A] of 0.000 [e].\n"),
            std::string::npos);
  EXPECT_NE(out.find("REMARK Dipol at (0.000,0.000,2.000) [A] of 19.200 [Debye].\n"),
            std::string::npos);
}

TEST(Dipole, MissingSignLeavesItsCentreAtTheOrigin) {
  Charges c;
  c.add(1, 2, 2, 1.0f);
  c.add(3, 6, 6, 1.0f);
  float chSum, pos[3], neg[3], tot[2];
  double frame[3][3];
  const float d = dipoleMoment(c.x, c.y, c.z, c.n, &chSum, c.id, c.q, pos, neg, tot, frame, 0);
  for (int k = 0; k < 3; k++) {
    EXPECT_FALSE(std::isnan(neg[k]));
    EXPECT_EQ(neg[k], 0.0f);
  }
  EXPECT_NEAR(pos[0], 2.0, 1e-6);
  EXPECT_NEAR(pos[1], 4.0, 1e-6);
  EXPECT_FLOAT_EQ(chSum, 2.0f);
  EXPECT_FLOAT_EQ(d, 0.0f);  // no negative charge: no dipole
  EXPECT_NEAR(frame[0][0], 1.0 / 3, 1e-6);

  Charges m;
  m.add(1, 0, 0, -0.5f);
  dipoleMoment(m.x, m.y, m.z, m.n, &chSum, m.id, m.q, pos, neg, tot, frame, 0);
  for (int k = 0; k < 3; k++) EXPECT_EQ(pos[k], 0.0f);
  EXPECT_FLOAT_EQ(neg[0], 1.0f);
}

TEST(Dipole, NoChargesLeavesTheCallersTotal) {
  Charges c;
  float chSum = 7.5f, pos[3] = {1, 1, 1}, neg[3] = {1, 1, 1}, tot[2] = {1, 1};
  double frame[3][3];
  const float d = dipoleMoment(c.x, c.y, c.z, 0, &chSum, c.id, c.q, pos, neg, tot, frame, 0);
  EXPECT_EQ(d, 0.0f);
  EXPECT_EQ(chSum, 7.5f);
  for (int k = 0; k < 3; k++) {
    EXPECT_EQ(pos[k], 0.0f);
    EXPECT_EQ(neg[k], 0.0f);
  }
  EXPECT_EQ(tot[0], 0.0f);
  EXPECT_EQ(tot[1], 0.0f);
  EXPECT_EQ(frame[0][0], 0.0);
}
