// Restraint tables. Distance, NOE, AC and DS: round trip, NOE grouping and counts, mapping
// warnings, bond and exclusion marks, neighbour lists against a brute-force twin, statistics.
// Angle, torsion, J-coupling and radius of gyration: geometry of a built molecule, torsion
// windows, angle wrapping, index tallies, column rules. The writers' formats of all of them, and
// the standard output taking the table of a file that cannot be opened.
// The energy tallies over tables on a hand-built quartet against its closed-form geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "couplings/dc.h"
#include "restraints/angle.h"
#include "restraints/cs.h"
#include "restraints/dist.h"
#include "restraints/distmap.h"
#include "restraints/distwrite.h"
#include "restraints/energy.h"
#include "restraints/jcoup.h"
#include "restraints/neighbor.h"
#include "restraints/radgyr.h"
#include "restraints/restab.h"
#include "restraints/surf.h"
#include "restraints/torsion.h"
#include "rtest.h"

using namespace korim::restraints;
using korim_test::captureStderr;

namespace {

const char* const kPairHead =
    "VARS INDEX GROUP RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D_LO D_HI\n"
    "FORMAT %d %d %d %s %s %d %s %s %f %f\n";

// Residues 1 to 3 with HA, HB, HN; NOE rows over them, two naming atoms that do not exist.
const char* const kNoeRows =
    " 1 1 1 ALA HA 2 GLY HN 1.8 5.0\n"
    " 1 2 1 ALA HA 3 SER HN 1.8 5.0\n"
    " 1 1 1 ALA HB 2 GLY HN 1.8 5.0\n"
    " 3 1 2 GLY HN 3 SER HN 1.8 3.0\n"
    " 3 1 2 GLY HN 9 XXX XX 1.8 3.0\n"
    " 5 1 9 XXX XX 9 XXX XX 1.8 3.0\n";

rtest::Mol threeResidues() {
  return rtest::Mol({{1, "ALA", "HA", 0, 0, 0}, {1, "ALA", "HB", 1, 0, 0}, {1, "ALA", "HN", 2, 0, 0},
                     {2, "GLY", "HN", 0, 3, 0}, {3, "SER", "HN", 0, 0, 4}});
}

int readPairs(const std::string& rows, DistTable* t, std::string* err = nullptr) {
  distTabNull(t);
  return rtest::readText(std::string(kPairHead) + rows, [&](const char* f) { return readDist(f, t, 1); }, err);
}

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

// A quartet of hand-chosen coordinates: AB = 3, BC = 4, AC = 5, CD = 7, BD = 9; the angle ABC
// is 90 degrees, BCD acos(-2/7); the torsion A-B-C-D is atan2(6, 3) (D leaves the B->C axis along
// (0, 3, 6), A along (0, 3, 0)).
const std::vector<rtest::Atom> kQuartet = {
    {1, "ALA", "A", 0, 3, 0}, {1, "ALA", "B", 0, 0, 0}, {2, "GLY", "C", 4, 0, 0}, {2, "GLY", "D", 6, 3, 6}};

const char* const kTorsionHead =
    "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K RESID_L ATOMNAME_L";
const std::string kTorsionFmt = "FORMAT %d %s %d %s %d %s %d %s";

// The distance, NOE and AC tables of the three residues as the writers' golden file shows them:
// every status word, a violation, segment columns without names, one AC atom missing.
struct DistWriterTables {
  rtest::Mol mol = threeResidues();
  DistTable d;
  NOETable noe;
  ACTable ac;
  DistWriterTables() { load(); }
  // Apart from the constructor, so that a failed read ends the setup there.
  void load() {
    noeTabNull(&noe);
    acTabNull(&ac);
    ASSERT_EQ(readPairs(kNoeRows, &d), 0);
    d.nullSegName = 0;  // segment columns as for a table naming segments
    ASSERT_EQ(rtest::readText("VARS INDEX RESID ATOMNAME CHAINNAME X Y Z D_LO D_HI S\n"
                              "FORMAT %d %d %s %s %f %f %f %f %f %f\n"
                              " 1 1 HA A 0.5 -1.25 2 0 1 0\n 2 2 HN A 1 1 1 0 1 2\n 3 4 XX A 0 0 0 0 1 1\n",
                              [&](const char* f) { return readAC(f, &ac, 1); }), 0);
    captureStderr([&] {
      mapNOEInfo(mol.get(), &d, &noe);
      mapACInfo(mol.get(), &ac);
    });
    updatePDBDist(mol.get(), &d);
    const int status[] = {1, -1, 2, 7, 0, 0};
    for (int i = 0; i < 6; i++) d.distList[i].status = status[i];
    d.distList[1].dVio = 0.25f;
    ac.acList[1].dVio = 0.5f;
    ac.acList[1].dDiff = -0.5f;
  }
};

// The angle, torsion and J tables of the built molecule as the writers' golden file shows them.
struct SmallWriterTables {
  rtest::Mol mol = fourAtoms();
  AngleTable a;
  TorsionTable t;
  JTable j;
  SmallWriterTables() { load(); }
  // As DistWriterTables::load.
  void load() {
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
    ASSERT_EQ(rtest::readText(std::string(kTorsionHead) + " OBSJ ABS FC\n" + kTorsionFmt +
                              " %f %d %f\n 1 A 1 B 2 C 2 D 7.5 1 3\n",
                              [&](const char* f) { return readJcoup(f, &j); }), 0);
    captureStderr([&] {
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
  }
};

}  // namespace

TEST(DistTables, WrittenTableReadsBackWithItsRestraints) {
  DistTable a, b;
  distTabNull(&a);
  distTabNull(&b);
  const std::string text =
      "VARS INDEX RESID_I RESNAME_I ATOMNAME_I CHAINNAME_I RESID_J RESNAME_J ATOMNAME_J D D_LO D_HI\n"
      "FORMAT %f %d %s %s %s %d %s %s %f %f %f\n"
      " 7 1 ALA HA A 2 GLY HN 3.0 1.8 5.0\n 7 4 LYS HZ1 None 12 GLU OE1 2.9 2.0 3.5\n 2.9 3 SER HG B 3 SER N 2 1.5 2.5\n";
  ASSERT_EQ(rtest::readText(text, [&](const char* f) { return readDist(f, &a, 2); }), 0);
  const std::string written = rtest::writtenText([&](const char* f) { writeDist(f, &a, nullptr, 1); });
  ASSERT_EQ(rtest::readText(written, [&](const char* f) { return readDist(f, &b, 2); }), 0);
  ASSERT_EQ(b.distCount, 3);
  EXPECT_TRUE(a.nullChainName == 0 && b.nullChainName == 0 && b.nullSegName == 1);
  EXPECT_TRUE(b.minID == 2 && b.maxID == 7 && b.maxIDCount == 2 && b.maxGroupCount == 2);
  auto names = [](const DistInfo& d) {
    return std::string(d.resNameI) + " " + d.atomNameI + " " + d.chainNameI + " " + d.resNameJ + " " + d.atomNameJ +
           " " + d.chainNameJ;
  };
  for (int i = 0; i < 3; i++) {
    const DistInfo &x = a.distList[i], &y = b.distList[i];
    EXPECT_TRUE(x.id == y.id && x.group == 1 && y.group == 1 && x.type == 1 && y.type == 1) << i;
    EXPECT_TRUE(x.resIDI == y.resIDI && x.resIDJ == y.resIDJ && x.dLo == y.dLo && x.dHi == y.dHi) << i;
    EXPECT_EQ(names(x), names(y));
  }
  EXPECT_TRUE(a.distList[2].id == 2 && std::string(a.distList[1].chainNameI).empty());
}

TEST(DistTables, NoeIndicesGroupsAndUnmappedRecords) {
  rtest::Mol mol = threeResidues();
  DistTable t;
  ASSERT_EQ(readPairs(kNoeRows, &t), 0);
  EXPECT_EQ(getDistTabIDCount(&t), 3);  // 1, 3 and 5
  EXPECT_TRUE(t.currentID == 5 && t.idCount == 1);
  EXPECT_EQ(distTallyID(&t, 1), 3);
  EXPECT_EQ(getDistGroupCount(&t), 2);
  EXPECT_TRUE(t.currentGroup == 2 && t.groupCount == 1 && t.groupList[0] == &t.distList[1]);
  EXPECT_EQ(distTallyID(&t, 2), 0);
  EXPECT_EQ(getDistGroupCount(&t), 0);

  NOETable noe;
  noeTabNull(&noe);
  std::string err = captureStderr([&] { EXPECT_EQ(mapNOEInfo(mol.get(), &t, &noe), 0); });
  EXPECT_EQ(err,
            "MERIDO Warning: No Atom Map for Distance:\n"
            "   ResIDI:    2 ResNameI:  GLY AtomNameI:   HN SegI:      ChainI:     \n"
            "   ResIDJ:    9 ResNameJ:  XXX AtomNameJ:   XX SegJ:      ChainJ:     \n"
            "MERIDO Warning: No Atom Map for Distance:\n"
            "   ResIDI:    9 ResNameI:  XXX AtomNameI:   XX SegI:      ChainI:     \n"
            "   ResIDJ:    9 ResNameJ:  XXX AtomNameJ:   XX SegJ:      ChainJ:     \n");
  EXPECT_EQ(getDistTabIDCount(&t), 2);
  ASSERT_EQ(noe.noeCount, 2);
  const NOEInfo &n1 = noe.noeList[0], &n3 = noe.noeList[1];
  ASSERT_TRUE(n1.id == 1 && n1.count == 2 && n3.id == 3 && n3.count == 1);
  EXPECT_TRUE(n1.simpleList[0].group == 1 && n1.simpleList[0].count == 2 && n1.simpleList[1].count == 1);
  EXPECT_TRUE(n1.simpleList[0].distList[0] == &t.distList[0] && n1.simpleList[0].distList[1] == &t.distList[2]);
  EXPECT_TRUE(n3.simpleList[0].count == 1 && n3.simpleList[0].distList[0] == &t.distList[3]);
  err = captureStderr([&] { showNOEInfo(&noe); });
  EXPECT_EQ(err.substr(0, err.find("  Group 2")),
            "NOE Table 2 complex contstraints:\nID 1, 2 groups:\n  Group 1, 2 entries:\n"
            "       1    ALA     HA ->    2    GLY     HN\n       1    ALA     HB ->    2    GLY     HN\n");
}

TEST(DistTables, BondsExclusionsAndNeighbourListsMatchBruteForce) {
  const int n = 200;
  std::mt19937 gen(30);
  std::uniform_real_distribution<float> box(0.0f, 20.0f);
  std::vector<rtest::Atom> atoms;
  for (int i = 0; i < n; i++) atoms.push_back({i + 1, "ALA", "CA", box(gen), box(gen), box(gen)});
  atoms[0].x = atoms[0].y = atoms[0].z = 0;  // atoms 1, 2 and 3 exactly 5 A apart from atom 1
  atoms[1].x = 3, atoms[1].y = 4, atoms[1].z = 0;
  atoms[2].x = 0, atoms[2].y = 0, atoms[2].z = 5;
  atoms[3].x = 2, atoms[3].y = 2, atoms[3].z = 2;
  rtest::Mol mol(atoms, true);
  korim::structure::PDBInfo* p = mol.get();
  DistTable bonds, excl;
  ASSERT_EQ(readPairs(" 1 1 10 ALA CA 11 ALA CA 0 0\n 2 1 10 ALA CA 11 ALA CA 0 0\n 3 1 11 ALA CA 40 ALA CA 0 0\n"
                      " 4 1 1 ALA CA 3 ALA CA 0 0\n", &bonds), 0);
  ASSERT_EQ(readPairs(" 1 1 11 ALA CA 40 ALA CA 0 0\n", &excl), 0);
  std::string err = captureStderr([&] {
    EXPECT_EQ(mapBondInfo(p, &bonds), 4);
    EXPECT_EQ(mapVDWExclInfo(p, &excl), 0);
  });
  EXPECT_EQ(err, "MERIDO building bond matrix.\nMERIDO 4 bonds.\n"
                 "MERIDO building VDW exclusion matrix.\nMERIDO 1 VDW exclusions.\n");
  EXPECT_EQ(p->bondMatrix[9][10], 2);   // two bonds of type 1
  EXPECT_EQ(p->bondMatrix[39][10], 17);  // a bond and an exclusion
  err = captureStderr([&] { EXPECT_EQ(updateMerNeighbors(p, 5.0f), 0); });
  EXPECT_EQ(err, "MERIDO updating VDW neighbor matrix.\nMERIDO VDW Matrix used 206 exclusions.\n"
                 "MERIDO updating VDW coords.\n");
  std::set<std::pair<int, int>> listed, expected;
  for (int a = 0; a < n; a++)
    for (int k = 0; k < p->neighborCount[a]; k++) listed.insert({a, p->neighborList[a][k]});
  for (int a = 0; a < n; a++)
    for (int b = a + 1; b < n; b++) {
      const double dx = atoms[a].x - atoms[b].x, dy = atoms[a].y - atoms[b].y, dz = atoms[a].z - atoms[b].z;
      if (p->bondMatrix[a][b] == 0 && dx * dx + dy * dy + dz * dz <= 25.0) expected.insert({a, b});
    }
  EXPECT_EQ(listed, expected);
  EXPECT_TRUE(listed.count({0, 1}) == 1 && listed.count({0, 2}) == 0 && expected.size() > 100);
  // Moves against the margin: exactly the margin along one axis is allowed.
  const struct { float dx, dy; int moved; } moves[] = {{0.5f, 0, 0}, {-0.5f, 0, 0}, {0.50001f, 0, 1}, {0.4f, 0.4f, 1}};
  for (const auto& m : moves) {
    p->atomList[3].x = 2 + m.dx;
    p->atomList[3].y = 2 + m.dy;
    EXPECT_EQ(testMerNeighbors(p, 0.5), m.moved) << m.dx << " " << m.dy;
  }
  // A nan cut-off is refused with the lists left as they were; a nan margin asks for a rebuild.
  err = captureStderr([&] { EXPECT_EQ(updateMerNeighbors(p, std::nanf("")), 1); });
  EXPECT_EQ(err, "MERIDO Error: VDW neighbor cut-off is not a number.\n");
  std::set<std::pair<int, int>> kept;
  for (int a = 0; a < n; a++)
    for (int k = 0; k < p->neighborCount[a]; k++) kept.insert({a, p->neighborList[a][k]});
  EXPECT_EQ(kept, listed);
  p->atomList[3].x = 2, p->atomList[3].y = 2;
  EXPECT_EQ(testMerNeighbors(p, 0.5), 0);
  EXPECT_EQ(testMerNeighbors(p, std::nan("")), 1);
}

TEST(DistTables, StatisticsOverValidRecords) {
  DistTable t;
  ASSERT_EQ(readPairs(" 1 1 1 A HA 2 G HN 2 4\n 2 1 1 A HA 2 G HN 2 4\n 3 1 1 A HA 2 G HN 2 4\n"
                      " 4 1 1 A HA 2 G HN 2 4\n", &t), 0);
  const float current[] = {3.0f, 1.5f, 5.0f, 9.0f};
  for (int i = 0; i < 4; i++) t.distList[i].dCurrent = current[i];
  t.distList[3].valid = 0;
  t.distList[2].s = 0.5f;
  float rms, chi2;
  int n, vio;
  getStatNOE(&t, &rms, &chi2, &n, &vio);  // 0 inside, 0.5 below, 1 above with s 0.5
  EXPECT_TRUE(n == 3 && vio == 2);
  EXPECT_FLOAT_EQ(rms, std::sqrt((0.25f + 1.0f) / 3));
  EXPECT_FLOAT_EQ(chi2, 0.25f + 4.0f);
  getStatDist(&t, &rms, &chi2, &n);  // no D column: targets 0
  EXPECT_EQ(n, 3);
  EXPECT_FLOAT_EQ(rms, std::sqrt((9.0f + 2.25f + 25.0f) / 3));
  EXPECT_FLOAT_EQ(chi2, 9.0f + 2.25f + 100.0f);
}

TEST(DistTables, WritersMatchTheirGoldenFiles) {
  DistWriterTables w;
  const std::string text =
      rtest::writtenText([&](const char* f) { writeDist(f, &w.d, "three residues", 1); }) +
      rtest::writtenText([&](const char* f) { writeNOE(f, &w.noe, nullptr, 0); }) +
      rtest::writtenText([&](const char* f) { writeAC(f, &w.ac, nullptr, 0); });
  EXPECT_EQ(text, korim_test::readFile(korim_test::testData("restraints/dist_tables.txt")));
}

TEST(DistTables, DistancePairsMapFourAtomsAndNameTheMissingOnes) {
  rtest::Mol mol = threeResidues();
  DSTable t;
  dsTabNull(&t);
  ASSERT_EQ(rtest::readText("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K RESID_L ATOMNAME_L D\n"
                            "FORMAT %d %s %d %s %d %s %d %s %f\n"
                            " 1 HA 2 HN 1 HB 3 HN 2.5\n 1 HA 2 HN 1 HB 3 HX 2.5\n",
                            [&](const char* f) { return readDS(f, &t, 4); }), 0);
  EXPECT_TRUE(t.dsCount == 2 && t.type == 4 && t.dsList[1].id == 2 && t.dsList[1].group == 1);
  EXPECT_TRUE(t.dsList[0].dHi == 2.5f && t.dsList[0].dLo == 2.5f);  // no bounds: both the target
  std::string err = captureStderr([&] { EXPECT_EQ(mapDSInfo(mol.get(), &t), 1); });
  EXPECT_EQ(err.substr(err.find("ResIDL")),
            "ResIDL:    3 ResNameL:      AtomNameL:   HX SegL:      ChainL:     \n");
  EXPECT_EQ(err.rfind("MERIDO Warning: No Atom Map for Distance Pair:\n   ResIDI:", 0), 0u);
  EXPECT_TRUE(t.dsList[0].valid == 1 && t.dsList[0].atomL == &mol.get()->atomList[4] && t.dsList[1].valid == 0);
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

// One rule for every restraint reader: a value the reader takes that is no finite number is
// refused with its column and row, and the table is left empty; columns it does not take are
// not judged.
TEST(RestraintReaders, NonFiniteValuesAreRefusedByEveryReader) {
  using Reader = std::function<int(const char*, int*)>;
  const std::string pair = "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D D_LO D_HI\nFORMAT %d %s %d %s %f %f %f\n";
  const std::string quad = "VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K RESID_L ATOMNAME_L";
  const std::string quadFmt = "FORMAT %d %s %d %s %d %s %d %s";
  const Reader dist = [](const char* f, int* n) { DistTable t; distTabNull(&t); int s = readDist(f, &t, 1); *n = t.distCount; return s; };
  const struct { const char* what; std::string text; Reader read; const char* column; } cases[] = {
      {"distance D", pair + " 1 HA 2 HN inf 1.8 5\n 1 HA 2 HN 3 1.8 5\n",
       dist,
       "D in row 1"},
      {"distance D_LO", pair + " 1 HA 2 HN 3 1.8 5\n 1 HA 2 HN 3 -inf 5\n",
       dist,
       "D_LO in row 2"},
      {"distance D_HI", pair + " 1 HA 2 HN 3 1.8 nan\n",
       dist,
       "D_HI in row 1"},
      {"AC", "VARS RESID ATOMNAME X Y Z\nFORMAT %d %s %f %f %f\n 1 CA 0 nan 0\n",
       [](const char* f, int* n) { ACTable t{}; acTabNull(&t); int s = readAC(f, &t, 1); *n = t.acCount; return s; },
       "Y in row 1"},
      {"DS", quad + " D\n" + quadFmt + " %f\n 1 A 1 B 2 C 2 D nan\n",
       [](const char* f, int* n) { DSTable t{}; dsTabNull(&t); int s = readDS(f, &t, 4); *n = t.dsCount; return s; },
       "D in row 1"},
      {"J coupling", quad + " OBSJ A\n" + quadFmt + " %f %f\n 1 A 1 B 2 C 2 D 7 nan\n",
       [](const char* f, int* n) { JTable t; jTabNull(&t); int s = readJcoup(f, &t); *n = t.jCount; return s; },
       "A in row 1"},
      {"radius of gyration", "VARS INDEX RESID ATOMNAME RG_TARGET\nFORMAT %d %d %s %f\n 1 1 CA inf\n",
       [](const char* f, int* n) { RadGyrTable t; radGyrTabNull(&t); int s = readRadGyr(f, &t); *n = t.rgCount; return s; },
       "RG_TARGET in row 1"},
      {"shift", "VARS RESID RESNAME ATOMNAME SHIFT\nFORMAT %d %s %s %f\n 1 ALA HA 4.3\n 2 GLY HA nan\n",
       [](const char* f, int* n) { CSTable t{}; int s = readCS(f, &t); *n = t.csCount; csTabFree(&t); return s; },
       "SHIFT in row 2"},
      {"angle weight", "VARS RESID_I ATOMNAME_I ANGLE W\nFORMAT %d %s %f %f\n 1 N 110 inf\n",
       [](const char* f, int* n) { AngleTable t; angleTabNull(&t); int s = readAngle(f, &t, 1); *n = t.angleCount; return s; },
       "W in row 1"},
      {"torsion residue", quad + " ANGLE\n" + "FORMAT %f %s %d %s %d %s %d %s %f\n nan N 1 CA 1 C 2 N 60\n",
       [](const char* f, int* n) { TorsionTable t; torsionTabNull(&t); int s = readTorsion(f, &t, 1); *n = t.torsionCount; return s; },
       "RESID_I in row 1"},
      {"random-coil shift", "VARS RESNAME ATOMNAME TYPE OFFSET SHIFT\nFORMAT %s %s %s %d %f\n A CA RC 0 52.5\n G CA RC 0 nan\n",
       [](const char* f, int* n) { float v; int s = surfReadRC(f); *n = getRandCoilShift("A", "G", "G", "CA", 1, &v); surfFree(); return s; },
       "SHIFT in row 2"},
      {"homology", "VARS RESNAME ALA GLY\nFORMAT %s %f %f\n ALA 1.0 inf\n",
       [](const char* f, int* n) { int s = surfReadHomo(f); *n = haveHomoTab(); surfFree(); return s; },
       "GLY in row 1"}};
  for (const auto& c : cases) {
    std::string err;
    int count = -1;
    EXPECT_EQ(rtest::readText(c.text, [&](const char* f) { return c.read(f, &count); }, &err), 1) << c.what;
    EXPECT_NE(err.find(std::string("MER Error: value of ") + c.column), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(count, 0) << c.what;
  }
  // A J table with OBSJ takes no J column, so a nan there is not judged.
  JTable j;
  jTabNull(&j);
  EXPECT_EQ(rtest::readText(quad + " OBSJ J\n" + quadFmt + " %f %f\n 1 A 1 B 2 C 2 D 7 nan\n",
                            [&](const char* f) { return readJcoup(f, &j); }), 0);
  EXPECT_EQ(j.jCount, 1);
}

// The restraint readers take their number columns as numbers, by name (column), as atom residue
// numbers and as every column of the homology table but RESNAME: one that the FORMAT line types as
// text is refused naming it; the text columns stay texts (random-coil RESNAME, ATOMNAME, TYPE).
TEST(RestraintReaders, ANumberColumnTypedAsTextIsRefused) {
  const auto dist = [](const char* f) { DistTable t; distTabNull(&t); return readDist(f, &t, 1); };
  const auto ac = [](const char* f) { ACTable t{}; acTabNull(&t); return readAC(f, &t, 1); };
  const auto homology = [](const char* f) { int s = surfReadHomo(f); surfFree(); return s; };
  const auto coil = [](const char* f) { int s = surfReadRC(f); surfFree(); return s; };
  const struct { std::string text; std::function<int(const char*)> read; const char* column; } cases[] = {
      {"VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %d %s %d %s %s\n 1 HA 2 HN 3\n", dist, "5 (D) as a text (%s)"},
      {"VARS RESID ATOMNAME X Y Z\nFORMAT %4s %s %f %f %f\n 1 CA 0 1 0\n", ac, "1 (RESID) as a text (%4s)"},
      {"VARS RESNAME ALA GLY\nFORMAT %s %f %s\n ALA 1.0 0.5\n", homology, "3 (GLY) as a text (%s)"},
      {"VARS RESNAME ATOMNAME TYPE OFFSET SHIFT\nFORMAT %s %s %s %d %f\n A CA RC 0 52.5\n", coil, ""}};
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(rtest::readText(c.text, c.read, &err), c.column[0] != '\0') << c.text;
    EXPECT_EQ(err.find(std::string(", the FORMAT line, types column ") + c.column) != std::string::npos,
              c.column[0] != '\0') << err;
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
  SmallWriterTables w;
  const std::string text =
      rtest::writtenText([&](const char* f) { writeAngle(f, &w.a, "built molecule", 0); }) +
      rtest::writtenText([&](const char* f) { writeTorsion(f, &w.t, nullptr, 1); }) +
      rtest::writtenText([&](const char* f) { writeJCoup(f, &w.j, nullptr, 0); }) +
      rtest::writtenText([&](const char* f) { writeJCoup(f, &w.j, nullptr, 1); });
  EXPECT_EQ(text, korim_test::readFile(korim_test::testData("restraints/small_tables.txt")));
}

// A file that cannot be opened is named on the error stream and the table, as its golden file
// shows it, goes to the standard output instead; the writer still succeeds.
TEST(RestraintWriters, UnopenableFileSendsTheTableToStandardOutput) {
  DistWriterTables dw;
  SmallWriterTables sw;
  const std::string bad = "/nonexistent-korim-dir/out.tab";
  const char* const b = bad.c_str();
  const char* const dist = "restraints/dist_tables.txt";
  const char* const small = "restraints/small_tables.txt";
  const struct { const char* golden; const char* message; std::function<int()> write; } writers[] = {
      {dist, "Dist Error opening output file ", [&] { return writeDist(b, &dw.d, "three residues", 1); }},
      {dist, "NOE Error opening output file ", [&] { return writeNOE(b, &dw.noe, nullptr, 0); }},
      {dist, "AC Error opening file ", [&] { return writeAC(b, &dw.ac, nullptr, 0); }},
      {small, "Angle Error opening file ", [&] { return writeAngle(b, &sw.a, "built molecule", 0); }},
      {small, "Torsion Error opening file ", [&] { return writeTorsion(b, &sw.t, nullptr, 1); }},
      {small, "J Error opening file ", [&] { return writeJCoup(b, &sw.j, nullptr, 0); }},
      {small, "J Error opening file ", [&] { return writeJCoup(b, &sw.j, nullptr, 1); }},
  };
  std::map<std::string, std::string> printed;  // each golden file's tables as printed
  for (const auto& w : writers) {
    int rc = -1;
    std::string out;
    const std::string err = captureStderr([&] { out = korim_test::captureStdout([&] { rc = w.write(); }); });
    EXPECT_EQ(rc, 0) << w.message;
    EXPECT_EQ(err, std::string(w.message) + bad + "\n");
    printed[w.golden] += out;
  }
  ASSERT_EQ(printed.size(), 2u);
  for (const auto& [golden, out] : printed)
    EXPECT_EQ(out, korim_test::readFile(korim_test::testData(golden))) << golden;
}

// Each tally on the quartet at scale 2 (fc 1): the energy, 2 x the squared deviations; the RMS over
// every record of the table (the last one of each table names a missing atom and is not valid), in
// the unit of the deviation (degrees for angles and torsions); and the values written back.
TEST(EnergyTallies, TablesOnAHandBuiltQuartetGiveTheirClosedFormValues) {
  rtest::Mol mol(kQuartet, true);
  korim::structure::PDBInfo* p = mol.get();
  const double rad = M_PI / 180.0, bcd = std::acos(-2.0 / 7.0) / rad, phi = std::atan2(6.0, 3.0) / rad;
  DistTable dist;
  DSTable ds;
  AngleTable angle;
  TorsionTable tors;
  JTable j;
  RadGyrTable rg;
  distTabNull(&dist), dsTabNull(&ds), angleTabNull(&angle), torsionTabNull(&tors), jTabNull(&j), radGyrTabNull(&rg);
  const std::string four = std::string(kTorsionHead), fmt = kTorsionFmt;
  ASSERT_EQ(rtest::readText("VARS INDEX RESID_I ATOMNAME_I RESID_J ATOMNAME_J D D_LO D_HI FIXED\n"
                            "FORMAT %d %d %s %d %s %f %f %f %d\n 1 1 A 1 B 2.5 0 2.5 1\n 1 2 C 2 D 8 7.5 9 1\n"
                            " 3 1 A 1 B 0 0.5 9 0\n 3 1 B 1 A 0 0.5 9 0\n 2 1 A 2 X 1 0 1 1\n",
                            [&](const char* f) { return readDist(f, &dist, 1); }), 0);
  ASSERT_EQ(rtest::readText(four + " D_LO D_HI\n" + fmt + " %f %f\n 1 A 2 C 2 C 2 D -1 0\n 1 B 2 D 1 A 2 C 0 3.5\n"
                            " 1 A 2 C 2 C 2 X 0 1\n", [&](const char* f) { return readDS(f, &ds, 4); }), 0);
  ASSERT_EQ(rtest::readText("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J RESID_K ATOMNAME_K ANGLE\nFORMAT %d %s %d %s %d %s %f\n"
                            " 1 A 1 B 2 C 100\n 1 B 2 C 2 D 100\n 1 A 1 B 2 X 0\n",
                            [&](const char* f) { return readAngle(f, &angle, 1); }), 0);
  ASSERT_EQ(rtest::readText(four + " ANGLE_LO ANGLE_HI\n" + fmt + " %f %f\n 1 A 1 B 2 C 2 D 80 120\n"
                            " 1 A 1 B 2 C 2 D 40 80\n 1 A 1 B 2 C 2 X 0 1\n",
                            [&](const char* f) { return readTorsion(f, &tors, 1); }), 0);
  ASSERT_EQ(rtest::readText(four + " J A B C PHASE ABS\n" + fmt + " %f %f %f %f %f %f\n 1 A 1 B 2 C 2 D 3 6.5 -1.8 1.6 -60 0\n"
                            " 1 A 1 B 2 C 2 D -2 6.5 -1.8 1.6 -60 1\n 1 A 1 B 2 C 2 X 0 0 0 0 0 0\n",
                            [&](const char* f) { return readJcoup(f, &j); }), 0);
  ASSERT_EQ(rtest::readText("VARS INDEX RESID ATOMNAME RG_TARGET\nFORMAT %d %d %s %f\n"
                            " 1 1 A 2\n 1 1 B 2\n 1 2 C 2\n 1 2 D 2\n 3 1 A 2\n 3 1 B 2\n",
                            [&](const char* f) { return readRadGyr(f, &rg); }), 0);
  captureStderr([&] {  // the records mapped
    EXPECT_EQ((std::vector<int>{mapDistInfo(p, &dist), mapDSInfo(p, &ds), mapAngleInfo(p, &angle),
                                mapTorsionInfo(p, &tors, 0), mapJInfo(p, &j), mapRadGyrInfo(p, &rg)}),
              (std::vector<int>{4, 2, 2, 2, 2, 6}));
  });
  // The geometry of the structure, before any tally writes it.
  updatePDBDist(p, &dist), updateAngle(p, &angle), updateTorsion(p, &tors);
  EXPECT_TRUE(dist.distList[1].dCurrent == 7.0f && dist.distList[4].dCurrent == 0);
  EXPECT_TRUE(std::fabs(angle.angleList[1].angleCurrent - bcd) < 1e-3 && std::fabs(tors.torsionList[0].torsionCurrent - phi) < 1e-3);
  dist.distList[1].dCurrent = angle.angleList[1].angleCurrent = tors.torsionList[0].torsionCurrent = 0;
  // Shifts stored 2 A along z and 3 A along x from the centre: |2.5 x -1| [Szz (3 z^2 / r^2 - 1) +
  // Sxx-yy (x^2 - y^2) / r^2] / 2 = 0.05 and 0.025 against 0.02 and 0, weights 1.5 and 1.
  korim::couplings::DTensor tensor{};
  tensor.saupe[0] = 0.02f, tensor.saupe[1] = 0.04f;
  PCSInfo centre{};
  centre.valid = 1, centre.gamma = 2.5f, centre.atom = &p->atomList[0], centre.dTensor = &tensor;
  std::vector<CSInfo> shifts(3);  // the third not valid
  const float at[2][4] = {{0, 2, 0.02f, 1.5f}, {3, 0, 0, 1}};  // x, z, shift, w
  for (int i = 0; i < 2; i++) {
    CSInfo& c = shifts[i];
    c.valid = c.atomCount = c.fc = 1, c.atomList[0] = &p->atomList[1], c.gamma = -1;
    c.x = at[i][0], c.z = at[i][1], c.shift = at[i][2], c.w = at[i][3];
  }
  CSTable cs;
  csTabNull(&cs);
  cs.csList = shifts.data(), cs.csCount = 3, cs.pcsList = &centre, cs.pcsCount = 1;
  // Van der Waals: rmin 4.5 A reaches only AB and BC; deviations rmin^2 - r^2 = 11.25 and 4.25.
  for (int i = 0; i < 4; i++) p->atomList[i].ljSigma = 4.5 / (2 * 0.561231024155);
  p->atomList[0].vdwfc = 1.5;
  const double t1 = phi - 100, t2 = phi - 60, v1 = phi - 80;  // from the window centres; to the bound 80
  const double c = std::cos((phi - 60) * rad), jCalc = 6.5 * c * c - 1.8 * c + 1.6, j1 = jCalc - 3, j2 = jCalc - 2;
  const double rg1 = std::sqrt(106.0 / 4 - 10.75) - 2.5;  // mean r^2 less centroid (2.5, 1.5, 1.5)^2; target 2 x 1.25
  const double dcd = bcd - 100, pcs1 = 1.5 * 0.03;
  using Tally = std::function<int(double*, double*)>;
  const struct { const char* name; Tally tally; double sum, rms; int rc; std::function<void()> fields; } rows[] = {
      {"distance", [&](double* s, double* r) { return merTallyDistEnergy(p, &dist, 2, s, r); }, 38.5, std::sqrt(19.25 / 5), 0,
       [&] { EXPECT_TRUE(dist.distList[1].dCurrent == 0 && dist.distList[1].dVio == 0); }},
      {"bond", [&](double* s, double* r) { return merTallyBondEnergy(p, &dist, 2, s, r); }, 38.5, std::sqrt(19.25 / 5), 0,
       [&] {
         const DistInfo& b = dist.distList[1];
         EXPECT_TRUE(b.dCurrent == 7.0f && b.status == 0 && b.dDiff == -1.0f && b.dVio == -1.0f && dist.distList[4].dCurrent == 0);
       }},
      {"symmetry", [&](double* s, double* r) { return merTallyNCSEnergy(p, &dist, 2, s, r); }, 2.0, std::sqrt(1.0 / 5), 0, [] {}},
      {"distance pair", [&](double* s, double* r) { return merTallyDSEnergy(p, &ds, 2, s, r); }, 2.5, std::sqrt(1.25 / 3), 0, [] {}},
      {"angle", [&](double* s, double* r) { return merTallyAngleEnergy(p, &angle, 2, s, r); },
       2 * rad * rad * (100 + dcd * dcd), std::sqrt((100 + dcd * dcd) / 3), 0,
       [&] {
         const AngleInfo& b = angle.angleList[1];
         EXPECT_TRUE(std::fabs(b.angleCurrent - bcd) < 1e-3 && std::fabs(b.angleDiff - dcd) < 1e-3 && std::fabs(b.angleVio - dcd) < 1e-3);
       }},
      {"improper", [&](double* s, double* r) { return merTallyImproperEnergy(p, &tors, 2, s, r); },
       2 * rad * rad * (t1 * t1 + t2 * t2), std::sqrt((t1 * t1 + t2 * t2) / 3), 0,
       [&] {
         const TorsionInfo& a = tors.torsionList[0];
         EXPECT_TRUE(std::fabs(a.torsionCurrent - phi) < 1e-3 && a.status == 0 && std::fabs(a.torsionDiff - t1) < 1e-3 &&
                     a.torsionVio == a.torsionDiff);
       }},
      {"torsion", [&](double* s, double* r) { return merTallyTorsionEnergy(p, &tors, 2, s, r); }, 2 * rad * rad * v1 * v1,
       std::sqrt(v1 * v1 / 3), 0,
       [&] {
         const TorsionInfo &a = tors.torsionList[0], &b = tors.torsionList[1];
         EXPECT_TRUE(a.status == -1 && std::fabs(a.torsionDiff - t1) < 1e-3 && std::fabs(a.torsionVio - v1) < 1e-3);
         EXPECT_TRUE(b.status == 1 && std::fabs(b.torsionDiff - t2) < 1e-3 && b.torsionVio == 0);
       }},
      {"J", [&](double* s, double* r) { return merTallyJcoupEnergy(p, &j, 2, s, r); }, 2 * (j1 * j1 + j2 * j2),
       std::sqrt((j1 * j1 + j2 * j2) / 3), 0,
       [&] {
         EXPECT_TRUE(std::fabs(j.jList[0].currentJ - jCalc) < 1e-5 && std::fabs(j.jList[0].diffJ - j1) < 1e-5 &&
                     std::fabs(j.jList[1].diffJ - j2) < 1e-5);
       }},
      {"radius of gyration", [&](double* s, double* r) { return merTallyRadGyrEnergy(p, &rg, 1.25, 2, s, r); },
       2 * (rg1 * rg1 + 1), std::sqrt((rg1 * rg1 + 1) / 3), 0, [] {}},  // indices 1 to 3
      {"pseudo-contact shift", [&](double* s, double* r) { return merTallyPCSEnergy(p, &cs, 2, s, r); },
       2 * (1.5 * 0.03 * 0.03 + 0.025 * 0.025), std::sqrt((pcs1 * pcs1 + 0.025 * 0.025) / 2), 2, [] {}},
      {"van der Waals", [&](double* s, double* r) { return merTallyVDWEnergy(p, 2, 1, 0.1, 10, 1, s, r); },
       3 * (11.25 * 11.25 + 4.25 * 4.25), std::sqrt(15.5 / 16), 0, [] {}},
  };
  for (const auto& row : rows) {
    double sum = -1, rms = -1;
    int rc = -1;
    captureStderr([&] { rc = row.tally(&sum, &rms); });
    EXPECT_EQ(rc, row.rc) << row.name;
    EXPECT_NEAR(sum, row.sum, 1e-4 * row.sum) << row.name;
    EXPECT_NEAR(rms, row.rms, 1e-4 * row.rms) << row.name;
    row.fields();
  }
  // Mapped with an offset, residues 1 and 2 are looked up as 2 and 3: atoms missing.
  const std::string err = captureStderr([&] { EXPECT_EQ(mapTorsionInfo(p, &tors, 1), 0); });
  EXPECT_EQ(err.rfind("MERIDO Warning: No Atom Map for Torsion (offset 1):\n"
                      "   ResIDI:    1 ResNameI:      AtomNameI:    A SegI:      ChainI:     \n", 0), 0u) << err;
  EXPECT_EQ(tors.torsionList[0].valid, 0);
}
