// Angle, torsion, J-coupling and radius-of-gyration tables: geometry of a built molecule,
// torsion windows, angle wrapping, index tallies, column rules and the writers' formats.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "restraints/angle.h"
#include "restraints/dist.h"
#include "restraints/distmap.h"
#include "restraints/jcoup.h"
#include "restraints/radgyr.h"
#include "restraints/restab.h"
#include "restraints/torsion.h"
#include "rtest.h"

using namespace korim::restraints;

namespace {

// Four atoms from internal coordinates: bonds 1.5 A, angles 109.5 degrees, dihedral A-B-C-D of
// +60 degrees (right-handed: D turned from A about the B->C axis).
rtest::Mol fourAtoms() {
  const double b = 1.5, t = 109.5 * M_PI / 180.0, p = 60.0 * M_PI / 180.0;
  return rtest::Mol({{1, "ALA", "A", b * std::cos(t), b * std::sin(t), 0.0},
                     {1, "ALA", "B", 0.0, 0.0, 0.0},
                     {2, "GLY", "C", b, 0.0, 0.0},
                     {2, "GLY", "D", b - b * std::cos(t), b * std::sin(t) * std::cos(p),
                      b * std::sin(t) * std::sin(p)}});
}

const char* const kTorsionHead =
    "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K RESID_L ATOMNAME_L";
const std::string kTorsionFmt = "FORMAT %d %s %d %s %d %s %d %s";

}  // namespace

TEST(SmallTables, BuiltMoleculeGivesBondAngleAndTorsion) {
  rtest::Mol mol = fourAtoms();
  DistTable dist;
  AngleTable angle;
  TorsionTable tors;
  distTabNull(&dist);
  angleTabNull(&angle);
  torsionTabNull(&tors);
  ASSERT_EQ(rtest::readText("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %d %s %d %s %f\n 1 A 1 B 1.5\n",
                            [&](const char* f) { return readDist(f, &dist, 1); }), 0);
  ASSERT_EQ(rtest::readText("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K ANGLE\n"
                            "FORMAT %d %s %d %s %d %s %f\n 1 A 1 B 2 C 109.5\n",
                            [&](const char* f) { return readAngle(f, &angle, 3); }), 0);
  ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + "\n" + kTorsionFmt + "\n 1 A 1 B 2 C 2 D\n",
                            [&](const char* f) { return readTorsion(f, &tors, 4); }), 0);
  ASSERT_EQ(mapDistInfo(mol.get(), &dist), 1);
  ASSERT_EQ(mapAngleInfo(mol.get(), &angle), 1);
  ASSERT_EQ(mapTorsionInfo(mol.get(), &tors, 0), 1);
  ASSERT_EQ(updatePDBDist(mol.get(), &dist), 1);
  ASSERT_EQ(updateAngle(mol.get(), &angle), 1);
  ASSERT_EQ(updateTorsion(mol.get(), &tors), 1);
  EXPECT_NEAR(dist.distList[0].dCurrent, 1.500, 5e-4);
  EXPECT_NEAR(angle.angleList[0].angleCurrent, 109.50, 0.01);
  EXPECT_NEAR(tors.torsionList[0].torsionCurrent, 60.00, 0.01);
  // Mapping with an offset looks residues 1 and 2 up as 2 and 3: atoms missing.
  const std::string err = korim_test::captureStderr([&] { EXPECT_EQ(mapTorsionInfo(mol.get(), &tors, 1), 0); });
  EXPECT_EQ(err.rfind("MERIDO Warning: No Atom Map for Torsion (offset 1):\n"
                      "   ResIDI:    1 ResNameI:      AtomNameI:    A SegI:      ChainI:     \n", 0), 0u) << err;
  EXPECT_EQ(tors.torsionList[0].valid, 0);
}

TEST(SmallTables, TorsionWindowsAndCentreTargets) {
  TorsionTable t;
  torsionTabNull(&t);
  ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + " ANGLE_LO ANGLE_HI\n" + kTorsionFmt + " %f %f\n" +
                            " 1 N 1 CA 1 C 2 N -60 -40\n 1 N 1 CA 1 C 2 N -60 -40\n"
                            " 1 N 1 CA 1 C 2 N 170 200\n 1 N 1 CA 1 C 2 N 170 190\n",
                            [&](const char* f) { return readTorsion(f, &t, 1); }), 0);
  // Centres of the windows; 185 wrapped.
  EXPECT_EQ((std::vector<float>{t.torsionList[0].torsion, t.torsionList[2].torsion, t.torsionList[3].torsion}),
            (std::vector<float>{-50.0f, -175.0f, 180.0f}));
  t.torsionList[0].torsionCurrent = -50.0f;  // inside: 0
  t.torsionList[1].torsionCurrent = -20.0f;  // outside: the whole offset 30, not the excess 20
  t.torsionList[2].valid = t.torsionList[3].valid = 0;
  float rms = -1.0f;
  int n = -1;
  getStatTorsion2(&t, &rms, &n);
  EXPECT_EQ(n, 2);
  EXPECT_FLOAT_EQ(rms, std::sqrt(30.0f * 30.0f / 2.0f));
  // selectTorsion tests J and K only.
  t.torsionList[0].resIDJ = 9;
  t.torsionList[0].resIDK = 10;
  EXPECT_EQ(selectTorsion(t.torsionList, t.torsionCount, 1, 2), 3);
  EXPECT_EQ(selectTorsion(t.torsionList, t.torsionCount, 10, 20), 0);
}

TEST(SmallTables, WrappingEndsForEveryFiniteAngleWithTheLoopsResult) {
  const struct { float in, out; } cases[] = {
      {540.0f, 180.0f}, {-540.0f, -180.0f}, {180.0f, 180.0f}, {-180.0f, -180.0f}, {190.0f, -170.0f},
      {-190.0f, 170.0f}, {900.0f, 180.0f}};
  for (const auto& c : cases) EXPECT_EQ(wrapAngle180(c.in), c.out) << c.in;
  for (float huge : {1e30f, -1e30f, 3.4e38f, -3.4e38f}) EXPECT_LE(std::fabs(wrapAngle180(huge)), 180.0f);
  // The repeated subtraction itself, where it is exact.
  std::vector<double> angles = {1e7f + 1.0f, -1e7f - 3.0f, 4.5e7f + 4.0f};
  for (double a = -5000.0; a <= 5000.0; a += 0.75) angles.push_back(a);
  for (double a : angles) {
    double w = a;
    while (w > 180.0) w -= 360.0;
    while (w < -180.0) w += 360.0;
    ASSERT_EQ(wrapAngle180(static_cast<float>(a)), static_cast<float>(w)) << a;
  }
}

TEST(SmallTables, NonFiniteAnglesAreRefused) {
  for (const char* value : {"inf", "-inf", "nan"}) {
    TorsionTable t;
    AngleTable a;
    torsionTabNull(&t);
    angleTabNull(&a);
    std::string err;
    EXPECT_EQ(rtest::readText(std::string(kTorsionHead) + " ANGLE\n" + kTorsionFmt + " %f\n 1 N 1 CA 1 C 2 N " + value + "\n",
                              [&](const char* f) { return readTorsion(f, &t, 1); }, &err), 1);
    EXPECT_NE(err.find("ANGLE in row 1"), std::string::npos) << err;
    EXPECT_EQ(rtest::readText(std::string("VARS RESID_I ATOMNAME_I ANGLE_HI\nFORMAT %d %s %f\n 1 N ") + value + "\n",
                              [&](const char* f) { return readAngle(f, &a, 1); }), 1);
    EXPECT_TRUE(t.torsionCount == 0 && a.angleCount == 0 && t.torsionList == nullptr);
  }
}

TEST(SmallTables, TalliesOfFarApartIndicesAndTableDefaults) {
  AngleTable a;
  angleTabNull(&a);
  ASSERT_EQ(rtest::readText("VARS INDEX RESID_I ATOMNAME_I ANGLE\nFORMAT %f %d %s %f\n"
                            " 2000000000 1 N 10\n -2000000000 1 N 20\n 5.9 1 N 30\n 5 2 N 40\n",
                            [&](const char* f) { return readAngle(f, &a, 1); }), 0);
  EXPECT_TRUE(a.angleList[2].id == 5 && a.maxTallyCount == 2);  // 5.9 truncated
  EXPECT_TRUE(a.minID == -2000000000 && a.maxID == 2000000000);
  EXPECT_TRUE(a.currentID == 2000000000 && a.tallyCount == 1 && a.idList[0] == &a.angleList[0]);
  EXPECT_EQ(angleTallyID(&a, 5), 2);
  EXPECT_TRUE(a.idList[0] == &a.angleList[2] && a.idList[1] == &a.angleList[3]);
  // Deviations wrap by one step: 350 counts as -10, -190 as 170; s 0 counts as 1.
  a.angleList[0].angle = 350.0f;
  a.angleList[1].angle = -190.0f;
  a.angleList[1].s = 0.0f;
  a.angleList[2].valid = a.angleList[3].valid = 0;
  float rms, chi2;
  int n;
  getStatAngle(&a, &rms, &chi2, &n);
  EXPECT_EQ(n, 2);
  EXPECT_FLOAT_EQ(rms, std::sqrt((100.0f + 170.0f * 170.0f) / 2.0f));
  EXPECT_FLOAT_EQ(chi2, 100.0f + 170.0f * 170.0f);
  EXPECT_TRUE(readAngle("None", &a, 1) == 0 && a.angleCount == 4);  // "None" leaves a table alone
}

TEST(SmallTables, JCouplingColumnsSelectionAndAbsoluteDeviation) {
  JTable j;
  jTabNull(&j);
  ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + " J ABS A PHASE\n" + kTorsionFmt + " %f %f %f %f\n" +
                            " 4 H 5 N 5 CA 6 HA -8.0 1 6.4 -60\n 4 H 5 N 5 CA 6 HA 3.0 0.9 6.4 -60\n",
                            [&](const char* f) { return readJcoup(f, &j); }), 0);
  EXPECT_EQ(j.type, 7);
  EXPECT_TRUE(j.jList[0].obsJ == -8.0f && j.jList[0].absFlag == 1 && j.jList[1].absFlag == 0);
  EXPECT_TRUE(j.jList[0].a == 6.4f && j.jList[0].phase == -60.0f && j.jList[0].b == 0.0f);
  j.jList[0].currentJ = 8.0f;  // |-8| - |8| = 0
  j.jList[1].currentJ = 1.0f;  // 2
  float rms, chi2;
  int n;
  getStatJ(&j, &rms, &chi2, &n);
  EXPECT_TRUE(n == 2 && chi2 == 4.0f && rms == std::sqrt(2.0f));
  EXPECT_EQ(selectJ(j.jList, j.jCount, 5, 10), 2);  // I in residue 4 is not tested
  EXPECT_EQ(selectJ(j.jList, j.jCount, 5, 5), 0);   // L above the range
}

TEST(SmallTables, RadiusOfGyrationSets) {
  RadGyrTable r;
  radGyrTabNull(&r);
  std::string err;
  ASSERT_EQ(rtest::readText("VARS INDEX RESID ATOMNAME RG_TARGET\nFORMAT %d %d %s %f\n 32 1 CA 12\n -1 2 CA 12\n 3 3 CA 12\n",
                            [&](const char* f) { return readRadGyr(f, &r); }, &err), 0);
  EXPECT_EQ(err, "MER Notice: Radius of Gyration ID too large.\n"
                 "MER Notice: Radius of Gyration ID too large.\n");
  EXPECT_TRUE(r.rgList[0].id == 0 && r.rgList[1].id == 0 && r.rgList[2].id == 3 && r.type == 21);
  EXPECT_EQ(r.maxTallyCount, 2);
  RadGyrTable all;
  radGyrTabNull(&all);
  ASSERT_EQ(rtest::readText("VARS RESID ATOMNAME\nFORMAT %d %s\n 1 CA\n 2 CA\n 3 CA\n",
                            [&](const char* f) { return readRadGyr(f, &all); }), 0);
  EXPECT_EQ(all.maxTallyCount, 3);
  float rms = -1, chi2 = -1;
  int n = 0;
  getStatRadGyr(&all, &rms, &chi2, &n);
  EXPECT_TRUE(n == 3 && rms == 0.0f && chi2 == 0.0f);
}

TEST(SmallTables, WritersMatchTheirGoldenFiles) {
  rtest::Mol mol = fourAtoms();
  AngleTable a;
  TorsionTable t;
  JTable j;
  angleTabNull(&a);
  torsionTabNull(&t);
  jTabNull(&j);
  const std::string atoms3 = "VARS INDEX RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K";
  ASSERT_EQ(rtest::readText(atoms3 + " ANGLE ANGLE_LO ANGLE_HI W\n" +
                            "FORMAT %d %d %s %d %s %d %s %f %f %f %f\n" +
                            " 1 1 A 1 B 2 C 109.5 100 115 2\n 2 1 A 1 B 2 X 90 80 100 1\n",
                            [&](const char* f) { return readAngle(f, &a, 1); }), 0);
  ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + " ANGLE_LO ANGLE_HI S\n" + kTorsionFmt + " %f %f %f\n" +
                            " 1 A 1 B 2 C 2 D 40 50 2\n",
                            [&](const char* f) { return readTorsion(f, &t, 1); }), 0);
  ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + " OBSJ ABS FC\n" + kTorsionFmt + " %f %d %f\n 1 A 1 B 2 C 2 D 7.5 1 3\n",
                            [&](const char* f) { return readJcoup(f, &j); }), 0);
  korim_test::captureStderr([&] {
    mapAngleInfo(mol.get(), &a);
    mapTorsionInfo(mol.get(), &t, 0);
    mapJInfo(mol.get(), &j);
  });
  updateAngle(mol.get(), &a);
  updateTorsion(mol.get(), &t);
  t.torsionList[0].status = 2;
  t.torsionList[0].torsionVio = 10.0f;
  j.jList[0].currentJ = 6.25f;
  j.jList[0].diffJ = 1.25f;
  const std::string text =
      rtest::writtenText([&](const char* f) { writeAngle(f, &a, "built molecule", 0); }) +
      rtest::writtenText([&](const char* f) { writeTorsion(f, &t, nullptr, 1); }) +
      rtest::writtenText([&](const char* f) { writeJCoup(f, &j, nullptr, 0); }) +
      rtest::writtenText([&](const char* f) { writeJCoup(f, &j, nullptr, 1); });
  EXPECT_EQ(text, korim_test::readFile(korim_test::testData("restraints/small_tables.txt")));
}
