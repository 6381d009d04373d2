// Coordinate selection (charges first, dipole model, surface atoms) and the
// inertia tensors of atom sets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/memory.h"
#include "settings/settings.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/nsc.h"
#include "tests/support/atoms.h"
#include "tests/support/capture.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;
using korim_test::captureStderr;
using korim_test::TestStructure;

namespace {

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
