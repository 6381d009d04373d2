// Coordinate selection (charges first, dipole model, surface atoms) and the
// inertia tensors of atom sets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/nsc.h"
#include "structure/pdb.h"

using namespace korim::simulation;
using korim::app::KorimInfo;
using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

namespace {

struct TestStructure {
  std::vector<AtomInfo> atoms;
  PDBInfo pdb{};
  void add(double x, double y, double z, int sel = 1, int resID = 1, const char* name = "CA") {
    AtomInfo a{};
    std::strncpy(a.atomName, name, 15);
    a.x = static_cast<float>(x);
    a.y = static_cast<float>(y);
    a.z = static_cast<float>(z);
    a.selected = sel;
    a.resID = resID;
    atoms.push_back(a);
  }
  PDBInfo* get() {
    pdb.atomList = atoms.data();
    pdb.atomCount = static_cast<int>(atoms.size());
    pdb.maxAtomCount = pdb.atomCount;
    return &pdb;
  }
};

// Ten atoms at (i, 2i, -i); atoms 3, 6, 8 unselected.
TestStructure tenAtoms() {
  TestStructure s;
  for (int i = 0; i < 10; i++) s.add(i, 2 * i, -i, (i == 3 || i == 6 || i == 8) ? 0 : 1);
  return s;
}

struct Points {
  std::vector<double> x, y, z;
  explicit Points(int n) : x(n + 1202, -1), y(n + 1202, -1), z(n + 1202, -1) {}
};

struct ChargeArrays {
  int id[1202] = {0};
  float q[1202] = {0};
  int n = 0;
  void add(int atom, float charge) {
    n++;
    id[n] = atom;
    q[n] = charge;
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

TEST_F(Coor, SelectedAtomsOnlyWithoutElectrostatics) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  Points p(10);
  ChargeArrays ch;
  ch.add(2, 1.0f);
  int count = -1, chCount = ch.n;
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(count, 7);
  const int expectAtoms[7] = {0, 1, 2, 4, 5, 7, 9};
  for (int i = 1; i <= 7; i++) {
    EXPECT_EQ(p.x[i], expectAtoms[i - 1]);
    EXPECT_EQ(p.y[i], 2 * expectAtoms[i - 1]);
    EXPECT_EQ(p.z[i], -expectAtoms[i - 1]);
  }
  EXPECT_EQ(ch.id[1], 2);  // charges untouched
  EXPECT_EQ(chCount, 1);
  // Charge-only or dipole-only selections without electrostatics: no points.
  k.elInfo.chSelFlag = 1;
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(count, 0);
  k.elInfo.chSelFlag = 0;
  k.elInfo.dipoleFlag = 1;
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(count, 0);
}

TEST_F(Coor, ChargesComeFirstAndAreRenumbered) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = 1;
  Points p(10);
  ChargeArrays ch;
  ch.add(2, 1.0f);
  ch.add(5, -1.0f);
  ch.add(9, 0.5f);
  int count = -1, chCount = 3;
  testing::internal::CaptureStdout();
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(count, 3 + 7);
  const int chargedAtoms[3] = {2, 5, 9};
  for (int i = 1; i <= 3; i++) {
    EXPECT_EQ(ch.id[i], i);
    EXPECT_EQ(p.x[i], chargedAtoms[i - 1]);
    EXPECT_EQ(p.y[i], 2 * chargedAtoms[i - 1]);
  }
  EXPECT_EQ(p.x[4], 0);
  EXPECT_EQ(p.x[10], 9);
  EXPECT_EQ(chCount, 3);
  EXPECT_EQ(ch.q[2], -1.0f);
}

TEST_F(Coor, ChargeOnlySelectionAndItsReport) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = 1;
  k.elInfo.chSelFlag = 1;
  Points p(10);
  ChargeArrays ch;
  ch.add(1, 1.0f);
  ch.add(4, -1.0f);
  int count = -1, chCount = 2;
  testing::internal::CaptureStdout();
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 1),
            0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count, 2);
  // +1 at (1,2,-1), -1 at (4,8,-4): distance sqrt(9+36+9) = 7.3485, dipole 35.273 D.
  EXPECT_EQ(out,
            "REMARK Total positive charge 1.000 [e], Total negative charge -1.000 [e].\n"
            "REMARK Monopol charge at (4.000,8.000,-4.000) [A] of 0.000 [e].\n"
            "REMARK Dipol at (1.000,2.000,-1.000) [A] of 35.273 [Debye].\n"
            "REMARK Dipol direction (-0.408,-0.816,0.408).\n");
}

TEST_F(Coor, DipoleModelKeepsTwoPointCharges) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = 1;
  k.elInfo.dipoleFlag = 1;
  Points p(10);
  ChargeArrays ch;
  ch.add(1, 1.0f);
  ch.add(3, 1.0f);
  ch.add(7, -0.5f);
  int count = -1, chCount = 3;
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(chCount, 2);
  EXPECT_EQ(ch.id[1], 1);
  EXPECT_EQ(ch.id[2], 2);
  EXPECT_FLOAT_EQ(ch.q[1], 2.0f);
  EXPECT_FLOAT_EQ(ch.q[2], -0.5f);
  // Positive centre midway between atoms 1 and 3, negative centre at atom 7.
  EXPECT_FLOAT_EQ(p.x[1], 2.0f);
  EXPECT_FLOAT_EQ(p.y[1], 4.0f);
  EXPECT_FLOAT_EQ(p.z[1], -2.0f);
  EXPECT_FLOAT_EQ(p.x[2], 7.0f);
  EXPECT_FLOAT_EQ(p.z[2], -7.0f);
}

TEST_F(Coor, SurfaceFlagDropsBuriedAtoms) {
  TestStructure s;
  s.add(0, 0, 0, 1, 1, "O");  // caged: radius 1.4
  const double t = (1 + std::sqrt(5.0)) / 2, f = 2.6 / std::sqrt(1 + t * t);
  const double ico[12][3] = {{0, 1, t},  {0, -1, t},  {0, 1, -t}, {0, -1, -t},
                             {1, t, 0},  {-1, t, 0},  {1, -t, 0}, {-1, -t, 0},
                             {t, 0, 1},  {-t, 0, 1},  {t, 0, -1}, {-t, 0, -1}};
  for (const auto& v : ico) s.add(f * v[0], f * v[1], f * v[2], 1, 1, "C");
  s.add(30, 0, 0, 0, 1, "C");  // unselected, far away: stays out
  KorimInfo k{};
  k.surfFlag = 1;
  Points p(14);
  ChargeArrays ch;
  int count = -1, chCount = 0;
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(count, 12);
  EXPECT_EQ(s.atoms[0].selected, 0);
  EXPECT_EQ(s.atoms[13].selected, 0);
  EXPECT_NEAR(p.x[1] * p.x[1] + p.y[1] * p.y[1] + p.z[1] * p.z[1], 2.6 * 2.6, 1e-5);

  // coorSelect: the same selection straight into the arrays.
  for (AtomInfo& a : s.atoms) a.selected = 1;
  int n = -1;
  ASSERT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 0);
  EXPECT_EQ(n, 13);  // the far atom is exposed too
  k.surfFlag = 0;
  s.atoms[5].selected = 0;  // the caged atom is unselected already
  ASSERT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 0);
  EXPECT_EQ(n, 12);
}

TEST_F(Coor, FailuresAreReportedAndLeaveTheCharges) {
  TestStructure s = tenAtoms();
  KorimInfo k{};
  k.elInfo.elFlag = 1;
  Points p(10);
  ChargeArrays ch;
  ch.add(2, 1.0f);
  ch.add(10, -1.0f);  // no atom 10 in a structure of ten
  int count = -1, chCount = 2;
  testing::internal::CaptureStderr();
  EXPECT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "chCoorSelect: charge 2 refers to atom 10, outside the structure of 10 atoms.\n");
  EXPECT_EQ(ch.id[1], 2);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(p.x[1], -1);

  ch.id[2] = 4;
  chCount = 1201;
  testing::internal::CaptureStderr();
  EXPECT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            1);
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "chCoorSelect: 1201 charges, at most 1200 can be placed.\n");
  chCount = 2;

  for (int f = 1; f <= 3; f++) {
    korim::foundation::memoryFailAt(f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount,
                           ch.id, ch.q, 0),
              1);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("chCoorSelect: Error allocating coord buffers.\n"), std::string::npos);
    EXPECT_EQ(ch.id[1], 2);
  }
  korim::foundation::memoryFailAt(0);

  // Surface selection of nothing: its failure is passed on after the message.
  k.surfFlag = 1;
  for (AtomInfo& a : s.atoms) a.selected = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            1);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NSC: error.\nError reading selection of atoms.\n"), std::string::npos)
      << err;
  EXPECT_EQ(ch.id[1], 2);
  EXPECT_EQ(chCount, 2);
  int n = -1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(coorSelect(s.get(), &k, &n, p.x.data(), p.y.data(), p.z.data()), 1);
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("Error reading selection"), std::string::npos);
  EXPECT_EQ(n, -1);

  // The books balance on the successful path.
  k.surfFlag = 0;
  for (AtomInfo& a : s.atoms) a.selected = 1;
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(chCoorSelect(s.get(), &k, &count, p.x.data(), p.y.data(), p.z.data(), &chCount, ch.id,
                         ch.q, 0),
            0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
}

TEST_F(Coor, InertiaOfAxisPairsAboutTheirCentroid) {
  TestStructure s;
  const double a = 3, b = 2, c = 0.5, ox = 10, oy = -20, oz = 30;
  s.add(ox + a, oy, oz);
  s.add(ox - a, oy, oz);
  s.add(ox, oy + b, oz);
  s.add(ox, oy - b, oz);
  s.add(ox, oy, oz + c);
  s.add(ox, oy, oz - c);
  s.add(500, 500, 500, 0);  // unselected
  double T[9];
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(calcInertia(s.get(), T), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  const double expect[9] = {2 * a * a / 6, 0, 0, 0, 2 * b * b / 6, 0, 0, 0, 2 * c * c / 6};
  for (int i = 0; i < 9; i++) EXPECT_NEAR(T[i], expect[i], 1e-5) << i;

  // Five atoms on the line t (1,1,0)/sqrt 2, t = -2..2: T = <t^2> u u^T = u u^T * 2.
  TestStructure line;
  for (int t = -2; t <= 2; t++) line.add(t / std::sqrt(2.0), t / std::sqrt(2.0), 4.0);
  ASSERT_EQ(calcInertia(line.get(), T), 0);
  const double e2[9] = {1, 1, 0, 1, 1, 0, 0, 0, 0};
  for (int i = 0; i < 9; i++) EXPECT_NEAR(T[i], e2[i], 1e-6) << i;
  ASSERT_EQ(calcInertiaSel(line.get(), 1, 1, T), 0);
  for (int i = 0; i < 9; i++) EXPECT_NEAR(T[i], e2[i], 1e-6) << i;
}

TEST_F(Coor, InertiaByResidueRangeStopsAtTheFirstAtomPastIt) {
  TestStructure s;
  s.add(-1, 0, 0, 0, 1);
  s.add(1, 0, 0, 0, 1);
  s.add(0, -2, 0, 0, 2);
  s.add(0, 2, 0, 0, 2);
  s.add(0, 0, 50, 0, 3);
  s.add(0, 0, -50, 0, 2);  // after residue 3: not reached
  s.add(7, 7, 7, 0, 0);    // before residue 1: skipped
  double T[9];
  ASSERT_EQ(calcInertiaSel(s.get(), 1, 2, T), 0);
  EXPECT_NEAR(T[0], 2.0 / 4, 1e-6);
  EXPECT_NEAR(T[4], 8.0 / 4, 1e-6);
  EXPECT_NEAR(T[8], 0.0, 1e-6);
  ASSERT_EQ(calcInertiaSel(s.get(), 2, 2, T), 0);
  EXPECT_NEAR(T[4], 4.0, 1e-6);
  EXPECT_NEAR(T[0], 0.0, 1e-6);
}

TEST_F(Coor, InertiaFailures) {
  TestStructure s;
  s.add(1, 2, 3, 0, 5);
  double T[9] = {42, 42, 42, 42, 42, 42, 42, 42, 42};
  testing::internal::CaptureStderr();
  EXPECT_EQ(calcInertia(s.get(), T), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "WARNING: Zero atoms for inertia tensor selected.");
  testing::internal::CaptureStderr();
  EXPECT_EQ(calcInertiaSel(s.get(), 6, 4, T), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error in positionDomain: zero atoms selected.");
  for (double v : T) EXPECT_EQ(v, 42);
  s.atoms[0].selected = 1;
  for (int f = 1; f <= 3; f++) {
    korim::foundation::memoryFailAt(f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(calcInertia(s.get(), T), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Memory allocation failure.\nError in calcInertia: allocating coord buffers.\n");
    korim::foundation::memoryFailAt(f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(calcInertiaSel(s.get(), 5, 5, T), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Memory allocation failure.\nError in calcInertiaSel: allocating coord buffers.\n");
  }
  for (double v : T) EXPECT_EQ(v, 42);
}
