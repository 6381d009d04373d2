// Rotation conventions, grid rounding, frame angles, sign-equivalent frames and the charge
// dipole of the simulation geometry; coordinate selection (charges first, dipole model, surface
// atoms) and the inertia tensors of atom sets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "foundation/memory.h"
#include "settings/settings.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/korim_utils_math.h"
#include "simulation/nsc.h"
#include "tests/support/atoms.h"
#include "tests/support/capture.h"
#include "tests/support/rotation.h"

using namespace korim::simulation;
using korim::couplings::make_eigVecList;
using korim::settings::KorimInfo;
using korim_test::captureStderr;
using korim_test::TestStructure;

namespace {

// Passive rotations M(theta, phi, psi) = Rz(psi) Ry(theta) Rz(phi) (radians), the transpose of
// the active Rz(phi) Ry(theta) Rz(psi).
korim_test::Mat3 eulerZYZ(double theta, double phi, double psi) {
  const double d = 180.0 / M_PI;
  return korim_test::transpose(korim_test::rotZYZ(phi * d, theta * d, psi * d));
}

// 1-based point charges, numbered in order, and their dipole.
struct Charges {
  double x[8] = {0}, y[8] = {0}, z[8] = {0};
  int id[8] = {0};
  float q[8] = {0}, chSum = 7.5f, pos[3], neg[3], tot[2];
  double frame[3][3];
  int n = 0;
  Charges& add(double px, double py, double pz, float charge) {
    ++n;
    std::tie(x[n], y[n], z[n], id[n], q[n]) = std::tuple(px, py, pz, n, charge);
    return *this;
  }
  float dipole(int print, std::string* out = nullptr) {
    float d = 0;
    const std::string o = korim_test::captureStdout([&] { d = dipoleMoment(x, y, z, n, &chSum, id, q, pos, neg, tot, frame, print); });
    if (out) *out = o;
    return d;
  }
};

// Ten atoms at (i, 2i, -i); atoms 3, 6, 8 unselected.
TestStructure tenAtoms() {
  TestStructure s;
  for (int i = 0; i < 10; i++) s.add(i, 2 * i, -i, (i == 3 || i == 6 || i == 8) ? 0 : 1);
  return s;
}

// Output points and the 1-based charge arrays, and the call over them.
struct Selection {
  std::vector<double> x = std::vector<double>(1300, -1), y = x, z = x;
  int id[1202] = {0};
  float q[1202] = {0};
  int n = 0, count = -1;
  Selection& add(int atom, float charge) {
    id[++n] = atom;
    q[n] = charge;
    return *this;
  }
  int run(TestStructure& s, KorimInfo& k, int print = 0) {
    return chCoorSelect(s.get(), &k, &count, x.data(), y.data(), z.data(), &n, id, q, print);
  }
  // The points 1..count lie at (a, 2a, -a) for the atoms a listed.
  void expectAtoms(const std::vector<int>& atoms) const {
    ASSERT_EQ(count, static_cast<int>(atoms.size()));
    for (int i = 1; i <= count; i++) EXPECT_TRUE(x[i] == atoms[i - 1] && y[i] == 2 * x[i] && z[i] == -x[i]) << i;
  }
};

class Coor : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
};

}  // namespace

TEST(Rotation, MatchesProductOfElementaryRotations) {
  const double angles[][3] = {{0.3, 1.1, -0.7}, {2.9, -2.2, 0.4}, {1.5707963, 0.0, 3.0}, {0.01, 4.0, 5.5}};
  for (const auto& a : angles) {
    const korim_test::Mat3 ref = eulerZYZ(a[0], a[1], a[2]);
    double xa[4], ya[4], za[4], out[4], r[3];
    rotate_coorsystem(a[0], a[1], a[2], xa, ya, za);
    const double* cols[3] = {xa, ya, za};
    const double v[4] = {0.0, 0.3, -1.7, 2.2};
    rotate_vector(a[0], a[1], a[2], v, out);
    korim_test::apply(ref, v + 1, r);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(cols[i % 3][i / 3 + 1], ref.m[i / 3][i % 3], 1e-14);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(out[i + 1], r[i], 1e-13);
    float fm[3][3];
    const float ft = static_cast<float>(a[0]), fp = static_cast<float>(a[1]), fs = static_cast<float>(a[2]);
    getRotMat(ft, fp, fs, fm);
    const korim_test::Mat3 refF = eulerZYZ(ft, fp, fs);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(fm[i / 3][i % 3], refF.m[i / 3][i % 3], 1e-7);
  }
}

TEST(SmallAlgebra, GridRoundingNormCrossAndProduct) {
  // Halves round towards zero.
  const float in[] = {0.5f, 0.51f, -0.5f, -1.5f, 2.5f, -2.5f, 0.0f, 1.49f, -1.51f, 7.9f};
  const int out[] = {0, 1, 0, -1, 2, -2, 0, 1, -2, 8};
  for (int i = 0; i < 10; i++) EXPECT_EQ(getGridPoint(in[i]), out[i]) << in[i];
  EXPECT_FLOAT_EQ(calcNorm(3.0f, 4.0f, 12.0f), 13.0f);
  // (1,2,3) x (4,5,6) = (-3, 6, -3), also when the output is the first input; products in place.
  float a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  EXPECT_EQ(crossProduct(a, b, a), 1);
  EXPECT_EQ(std::vector<float>(a, a + 3), (std::vector<float>{-3, 6, -3}));
  float m1[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}, m2[3][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}};
  EXPECT_EQ(matMult(m1, m2, m1), 1);
  EXPECT_EQ(std::vector<float>(&m1[0][0], &m1[0][0] + 9), (std::vector<float>{4, 9, 13, 13, 21, 28, 22, 34, 47}));
}

TEST(FrameAngles, ColumnsInReverseOrderAndNoNaNAtTheLimits) {
  // Column 0 kept, column 1 reversed, column 2 turned by 60 degrees about column 0.
  const double e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double g[3][3] = {{1, 0, 0}, {0, -1, -std::sqrt(3.0) / 2}, {0, 0, 0.5}};
  float dcos[3];
  EXPECT_EQ(calcDcos(e, g, dcos), 0);
  const float want[3] = {static_cast<float>(M_PI / 3), static_cast<float>(M_PI), 0.0f};  // columns 2, 1, 0
  for (int i = 0; i < 3; i++) EXPECT_NEAR(dcos[i], want[i], 1e-6) << i;
  // Equal and opposite frames whose float column products round past +-1.
  const korim_test::Mat3 f = eulerZYZ(0.3, 1.1, -0.7);
  double h[3][3];
  for (int i = 0; i < 9; i++) h[i / 3][i % 3] = -f.m[i / 3][i % 3];
  calcDcos(f.m, f.m, dcos);
  for (float d : dcos) EXPECT_LT(d, 1e-3f);  // no NaN: NaN compares false
  calcDcos(f.m, h, dcos);
  for (float d : dcos) EXPECT_NEAR(d, M_PI, 1e-3);
}

TEST(FrameList, FourRightHandedFramesRelatedByHalfTurns) {
  const double id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double X[4][3], Y[4][3], Z[4][3];
  EXPECT_EQ(make_eigVecList(id, X, Y, Z), 4);
  // Hand-derived: z = s_z * column 0, y = s_y * column 1, x = y x z.
  const double ex[4] = {-1, 1, 1, -1}, ey[4] = {1, -1, 1, -1}, ez[4] = {1, 1, -1, -1};
  for (int n = 0; n < 4; n++)
    for (int i = 0; i < 3; i++)
      EXPECT_TRUE(X[n][i] == (i == 2) * ex[n] && Y[n][i] == (i == 1) * ey[n] && Z[n][i] == (i == 0) * ez[n]) << n;
  make_eigVecList(eulerZYZ(2.9, -2.2, 0.4).m, X, Y, Z);
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
    EXPECT_TRUE(same == (n == 0 ? 3 : 1) && reversed == (n == 0 ? 0 : 2)) << n;
  }
}

TEST(Dipole, CentresMomentFrameAndReport) {
  Charges c;
  c.add(1, 2, 3, 2.0f).add(4, 5, 6, 1.0f).add(1, 1, 1, -1.0f).add(3, 1, 1, -1.0f);
  std::string out;
  const float d = c.dipole(1, &out);
  // Hand values: positive centre (2,3,4), negative centre (2,1,1), distance
  // sqrt(13); the smaller magnitude (2 e) sits at the dipole end; 4.8 D per e A.
  EXPECT_NEAR(d, 2.0 * std::sqrt(13.0), 1e-5);
  EXPECT_TRUE(c.chSum == 1.0f && c.tot[0] == 3.0f && c.tot[1] == -2.0f);
  EXPECT_LT(std::hypot(c.pos[0] - 2, c.pos[1] - 3, c.pos[2] - 4) + std::hypot(c.neg[0] - 2, c.neg[1] - 1, c.neg[2] - 1), 1e-5);
  EXPECT_EQ(out,
            "REMARK Total positive charge 3.000 [e], Total negative charge -2.000 [e].\n"
            "REMARK Monopol charge at (2.000,3.000,4.000) [A] of 1.000 [e].\n"
            "REMARK Dipol at (2.000,1.000,1.000) [A] of 34.613 [Debye].\n"
            "REMARK Dipol direction (0.000,0.555,0.832).\n");
  // Column 0 is the unit direction, column 2 orthogonal to it, column 1 = col0 x col2; all
  // three of unit length, a rotation whose columns (2, 1, 0) are right-handed (x, y, z) axes.
  const double dir[3] = {0.0, 2.0 / std::sqrt(13.0), 3.0 / std::sqrt(13.0)};
  for (int i = 0; i < 3; i++) {
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    EXPECT_NEAR(c.frame[i][0], dir[i], 1e-6);
    EXPECT_NEAR(c.frame[i][1], c.frame[j][0] * c.frame[k][2] - c.frame[k][0] * c.frame[j][2], 1e-12);
  }
  for (int a = 0; a < 3; a++)
    for (int b = 0; b < 3; b++) {
      double dot = 0;
      for (int i = 0; i < 3; i++) dot += c.frame[i][a] * c.frame[i][b];
      EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-6) << a << b;
    }
  // Column 2 along (1, 0, -d_x/d_z) = (1, 0, 0) here, so column 1 = (0, 3, -2)/sqrt(13).
  EXPECT_NEAR(c.frame[0][2], 1.0, 1e-6);
  EXPECT_NEAR(c.frame[1][1], 3.0 / std::sqrt(13.0), 1e-6);
  EXPECT_NEAR(c.frame[2][1], -2.0 / std::sqrt(13.0), 1e-6);
  // A tilted dipole: column 2 lies along (1, 0, -d_x/d_z) with a positive x part.
  Charges t;
  t.add(3, 1, 2, 1.0f).add(0, 0, 0, -1.0f).dipole(0);
  const double u = std::sqrt(1.0 + 2.25);  // |(1, 0, -3/2)|
  EXPECT_NEAR(t.frame[0][2], 1.0 / u, 1e-6);
  EXPECT_NEAR(t.frame[1][2], 0.0, 1e-12);
  EXPECT_NEAR(t.frame[2][2], -1.5 / u, 1e-6);
  const double det = t.frame[0][0] * (t.frame[1][1] * t.frame[2][2] - t.frame[2][1] * t.frame[1][2]) -
                     t.frame[0][1] * (t.frame[1][0] * t.frame[2][2] - t.frame[2][0] * t.frame[1][2]) +
                     t.frame[0][2] * (t.frame[1][0] * t.frame[2][1] - t.frame[2][0] * t.frame[1][1]);
  EXPECT_NEAR(det, -1.0, 1e-6);  // columns (0, 1, 2) left-handed, so (2, 1, 0) right-handed
  // Equal magnitudes: the monopole at the negative centre, the dipole at the positive one; a
  // zero charge weighs nothing in the positive centre.
  Charges e;
  e.add(0, 0, 2, 1.0f).add(0, 0, -2, -1.0f).add(9, 9, 9, 0.0f);
  EXPECT_EQ(e.dipole(1, &out), 4.0f);
  EXPECT_TRUE(e.pos[2] == 2.0f && e.pos[0] == 0.0f);
  EXPECT_NE(out.find("REMARK Monopol charge at (0.000,0.000,-2.000) [A] of 0.000 [e].\n"
                     "REMARK Dipol at (0.000,0.000,2.000) [A] of 19.200 [Debye].\n"),
            std::string::npos)
      << out;
}

TEST(Dipole, MissingSignOrNoChargeLeavesTheCentreAtTheOrigin) {
  Charges c, m, none;
  c.add(1, 2, 2, 1.0f).add(3, 6, 6, 1.0f);
  EXPECT_EQ(c.dipole(0), 0.0f);  // no negative charge: no dipole
  EXPECT_TRUE(c.neg[0] == 0.0f && c.neg[1] == 0.0f && c.neg[2] == 0.0f);  // never NaN
  EXPECT_LT(std::hypot(c.pos[0] - 2, c.pos[1] - 4, c.pos[2] - 4), 1e-6);
  EXPECT_EQ(c.chSum, 2.0f);
  EXPECT_NEAR(c.frame[0][0], 1.0 / 3, 1e-6);
  m.add(1, 0, 0, -0.5f).dipole(0);
  EXPECT_TRUE(m.pos[0] == 0.0f && m.pos[1] == 0.0f && m.pos[2] == 0.0f && m.neg[0] == 1.0f);
  // No charges at all: zeros, and the caller's total stays.
  EXPECT_EQ(none.dipole(0), 0.0f);
  EXPECT_EQ(none.chSum, 7.5f);
  EXPECT_EQ((std::vector<float>{none.pos[0], none.pos[1], none.pos[2], none.neg[0], none.neg[1], none.neg[2], none.tot[0], none.tot[1]}),
            std::vector<float>(8, 0.0f));
  EXPECT_EQ(none.frame[0][0], 0.0);
}

TEST(Dipole, WithoutOneTheReportSaysSo) {
  // The centres of the two signs at one place, no charge at all, and charges of one sign only:
  // no direction to print.
  Charges same, none, oneSign;
  same.add(1, 2, 3, 1.0f).add(1, 2, 3, -1.0f);
  oneSign.add(1, 2, 3, -1.0f).add(4, 5, 6, -1.0f);
  for (Charges* c : {&same, &none, &oneSign}) {
    std::string out;
    EXPECT_EQ(c->dipole(1, &out), 0.0f);
    EXPECT_TRUE(out.ends_with("[A] of 0.000 [Debye].\nREMARK Dipol direction: none (no dipole).\n")) << out;
  }
}

TEST_F(Coor, SelectedAtomsChargesFirstAndTheFlags) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  Selection p;
  p.add(2, 1.0f).add(5, -1.0f).add(9, 0.5f);
  // Without electrostatics: the seven selected atoms, charges untouched.
  ASSERT_EQ(p.run(s, k), 0);
  p.expectAtoms({0, 1, 2, 4, 5, 7, 9});
  EXPECT_EQ(p.id[1], 2);
  // Charge-only or dipole-only selections without electrostatics: no points.
  for (int flag : {1, 2}) {
    std::tie(k.elInfo.chSelFlag, k.elInfo.dipoleFlag) = std::tuple(flag == 1, flag == 2);
    ASSERT_EQ(p.run(s, k), 0);
    EXPECT_EQ(p.count, 0);
  }
  // With electrostatics the charged atoms come first, renumbered 1..n.
  std::tie(k.elInfo.chSelFlag, k.elInfo.dipoleFlag, k.elInfo.elFlag) = std::tuple(0, 0, 1);
  EXPECT_EQ(korim_test::captureStdout([&] { ASSERT_EQ(p.run(s, k), 0); }), "");
  p.expectAtoms({2, 5, 9, 0, 1, 2, 4, 5, 7, 9});
  EXPECT_TRUE(p.id[1] == 1 && p.id[2] == 2 && p.id[3] == 3 && p.n == 3 && p.q[2] == -1.0f);
  // Charge-only selection: the charged atoms alone, with the dipole report on request.
  k.elInfo.chSelFlag = 1;
  Selection c;
  c.add(1, 1.0f).add(4, -1.0f);
  const std::string report = korim_test::captureStdout([&] { ASSERT_EQ(c.run(s, k, 1), 0); });
  c.expectAtoms({1, 4});
  // +1 at (1,2,-1), -1 at (4,8,-4): distance sqrt(54) A times 4.8 D per e A.
  EXPECT_NE(report.find("REMARK Dipol at (1.000,2.000,-1.000) [A] of 35.273 [Debye].\n"), std::string::npos)
      << report;
}

TEST_F(Coor, DipoleModelKeepsTwoPointCharges) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = k.elInfo.dipoleFlag = 1;
  Selection p;
  p.add(1, 1.0f).add(3, 1.0f).add(7, -0.5f);
  ASSERT_EQ(p.run(s, k), 0);
  // Positive centre midway between atoms 1 and 3 (at 2), negative centre at atom 7.
  p.expectAtoms({2, 7});
  EXPECT_TRUE(p.n == 2 && p.id[1] == 1 && p.id[2] == 2 && p.q[1] == 2.0f && p.q[2] == -0.5f);
}

TEST_F(Coor, SurfaceFlagDropsBuriedAtoms) {
  TestStructure s;
  s.add(0, 0, 0, 1, 1, "O");  // caged: radius 1.4
  const double t = (1 + std::sqrt(5.0)) / 2, f = 2.6 / std::sqrt(1 + t * t);
  for (int i = 0; i < 12; i++) {  // the icosahedron's vertices (0, +-1, +-t) and their cyclic turns
    const double v[3] = {0, i % 2 ? -1.0 : 1.0, i / 2 % 2 ? -t : t};
    s.add(f * v[(i / 4) % 3], f * v[(i / 4 + 1) % 3], f * v[(i / 4 + 2) % 3], 1, 1, "C");
  }
  s.add(30, 0, 0, 0, 1, "C");  // unselected, far away: stays out
  KorimInfo k{};
  k.surfFlag = 1;
  Selection p;
  ASSERT_EQ(p.run(s, k), 0);
  EXPECT_EQ(p.count, 12);
  EXPECT_TRUE(s.atoms[0].selected == 0 && s.atoms[13].selected == 0);
  EXPECT_NEAR(p.x[1] * p.x[1] + p.y[1] * p.y[1] + p.z[1] * p.z[1], 2.6 * 2.6, 1e-5);
  // coorSelect: the same selection straight into the arrays.
  for (auto& a : s.atoms) a.selected = 1;
  int n = -1;
  ASSERT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 0);
  EXPECT_EQ(n, 13);  // the far atom is exposed too
  k.surfFlag = 0;
  s.atoms[5].selected = 0;
  ASSERT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 0);
  EXPECT_EQ(n, 12);
}

TEST_F(Coor, FailuresAreReportedAndLeaveTheCharges) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = 1;
  Selection p;
  p.add(2, 1.0f).add(10, -1.0f);  // no atom 10 in a structure of ten
  std::string err = captureStderr([&] { EXPECT_EQ(p.run(s, k), 1); });
  EXPECT_EQ(err, "chCoorSelect: charge 2 refers to atom 10, outside the structure of 10 atoms.\n");
  EXPECT_TRUE(p.id[1] == 2 && p.count == -1 && p.x[1] == -1);
  p.id[2] = 4;
  p.n = 1201;
  err = captureStderr([&] { EXPECT_EQ(p.run(s, k), 1); });
  EXPECT_EQ(err, "chCoorSelect: 1201 charges, at most 1200 can be placed.\n");
  // Surface selection of nothing: its failure is passed on after the message.
  p.n = 2;
  k.surfFlag = 1;
  for (auto& a : s.atoms) a.selected = 0;
  err = captureStderr([&] { EXPECT_EQ(p.run(s, k), 1); });
  EXPECT_NE(err.find("NSC: error.\nError reading selection of atoms.\n"), std::string::npos) << err;
  EXPECT_EQ(p.id[1], 2);
  int n = -1;
  err = captureStderr([&] { EXPECT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 1); });
  EXPECT_EQ(err.find("Error reading selection"), std::string::npos);
  EXPECT_EQ(n, -1);
}

TEST_F(Coor, InertiaAboutTheCentroidOfAtomsAndResidueRanges) {
  double T[9];
  auto expectTensor = [&](TestStructure& s, int from, int to, std::vector<double> want, double tol) {
    ASSERT_EQ(from ? calcInertiaSel(s.get(), from, to, T) : calcInertia(s.get(), T), 0);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(T[i], want[i], tol) << from << " " << to << " " << i;
  };
  // Pairs along the axes at +-a, +-b, +-c around (10, -20, 30): diag(a^2, b^2, c^2) / 3.
  TestStructure s;
  const double a = 3, b = 2, c = 0.5;
  for (int i = 0; i < 6; i++) {
    const double d = (i % 2 ? -1 : 1) * (i < 2 ? a : i < 4 ? b : c);
    s.add(10 + (i < 2) * d, -20 + (i / 2 == 1) * d, 30 + (i >= 4) * d);
  }
  s.add(500, 500, 500, 0);  // unselected
  expectTensor(s, 0, 0, {a * a / 3, 0, 0, 0, b * b / 3, 0, 0, 0, c * c / 3}, 1e-5);
  // Five atoms on the line t (1,1,0)/sqrt 2, t = -2..2: T = <t^2> u u^T = 2 u u^T.
  TestStructure line;
  for (int t = -2; t <= 2; t++) line.add(t / std::sqrt(2.0), t / std::sqrt(2.0), 4.0);
  expectTensor(line, 0, 0, {1, 1, 0, 1, 1, 0, 0, 0, 0}, 1e-6);
  expectTensor(line, 1, 1, {1, 1, 0, 1, 1, 0, 0, 0, 0}, 1e-6);
  // By residue range: the walk skips atoms before it and stops at the first atom past it.
  TestStructure r;
  const double rows[7][4] = {{1, -1, 0, 0}, {1, 1, 0, 0}, {2, 0, -2, 0}, {2, 0, 2, 0},
                             {3, 0, 0, 50}, {2, 0, 0, -50}, {0, 7, 7, 7}};
  for (const auto& row : rows) r.add(row[1], row[2], row[3], 0, static_cast<int>(row[0]));
  expectTensor(r, 1, 2, {2.0 / 4, 0, 0, 0, 8.0 / 4, 0, 0, 0, 0}, 1e-6);
  expectTensor(r, 2, 2, {0, 0, 0, 0, 4, 0, 0, 0, 0}, 1e-6);
}

TEST_F(Coor, InertiaFailures) {
  TestStructure s;
  s.add(1, 2, 3, 0, 5);
  double T[9] = {42, 42, 42, 42, 42, 42, 42, 42, 42};
  EXPECT_EQ(captureStderr([&] { EXPECT_EQ(calcInertia(s.get(), T), 1); }),
            "WARNING: Zero atoms for inertia tensor selected.\n");
  EXPECT_EQ(captureStderr([&] { EXPECT_EQ(calcInertiaSel(s.get(), 6, 4, T), 1); }),
            "Error in positionDomain: zero atoms selected.\n");
  for (double v : T) EXPECT_EQ(v, 42);
}
