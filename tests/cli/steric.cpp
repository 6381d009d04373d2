// Steric and electrostatic predictions of the ubiquitin example: messages, result table,
// rotated structures, and the physics of the predicted tensor.
#include <algorithm>

#include "tests/cli/cli_util.h"
#include "tests/support/rotation.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// One prediction of the example, shared by the tests that only read its results.
struct ExampleRun {
  TempDir dir;
  RunResult r;
  ExampleRun() {
    r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot",
                  "rot.pdb"},
                 dir);
  }
};

ExampleRun& example() {
  static ExampleRun run;
  return run;
}

double dist(const PdbAtoms& a, int i, int j) {
  return std::hypot(a.x[i] - a.x[j], a.y[i] - a.y[j], a.z[i] - a.z[j]);
}

// Writes the example structure turned by a rotation (z-y-z, degrees) and shifted, keeping every
// other column of the records.
void writeRotatedCopy(const std::string& name, double a, double b, double c) {
  const Mat3 m = rotZYZ(a, b, c);
  const double shift[3] = {-12.5, 40.0, 7.25};
  std::string out;
  for (std::string l : lines(readFile(kPdb))) {
    if (l.rfind("ATOM", 0) == 0) {
      const double p[3] = {std::stod(l.substr(30, 8)), std::stod(l.substr(38, 8)), std::stod(l.substr(46, 8))};
      double q[3];
      apply(m, p, q);
      char xyz[32];
      std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", q[0] + shift[0], q[1] + shift[1], q[2] + shift[2]);
      l = l.substr(0, 30) + xyz + l.substr(54);
    }
    out += l + "\n";
  }
  writeFile(name, out);
}

}  // namespace

TEST(StericExample, MessagesAndResultTable) {
  const RunResult& r = example().r;
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 2000 ? r.err.size() - 2000 : 0);
  // Counts and ranges read off the example files by hand.
  inOrder(r.err, {kPdb + ", 1231 Atoms, Residues 1 to 76.\n",
                  kCouplings + ", 63 Couplings, Residues 2 to 71.\n"});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  inOrder(r.out, {"REMARK 63 couplings selected (inclusive max).\n", "REMARK PDB Selection: All Atoms.\n",
                  "REMARK 0 charges placed, Total charge 0.000 [e].\n", " atoms selected for simulation.\n",
                  "REMARK 0 charges selected for simulation.\n"});
  // The 105 surface heavy atoms the README shows.
  EXPECT_NE(r.out.find("REMARK 105 atoms selected for simulation.\n"), std::string::npos);

  Table t = readTable(example().dir / "out.tab");
  // The settings block itself is checked against its golden file with the writer.
  EXPECT_TRUE(t.hasLine("DATA KORIM_MODE STERIC"));
  for (const std::string& l : t.lines) EXPECT_EQ(l.find("INCLUDE_RIM"), std::string::npos);
}

// What the README shows for the example: Da(N-H) -13.14 Hz, R 0.204 and a correlation of 0.837
// with the measured couplings.
TEST(StericExample, PredictionIsTheDocumentedOne) {
  Table t = readTable(example().dir / "out.tab");
  std::vector<double> obs = t.numbers("D_OBS"), calc = t.numbers("D");
  ASSERT_EQ(obs.size(), 63u);
  EXPECT_GE(pearson(obs, calc), 0.83);
  EXPECT_NEAR(t.data("Da_HN"), -13.14, 0.01 * 13.14);
  EXPECT_NEAR(t.data("Rhombicity"), 0.204, 0.01);
}

TEST(StericExample, RotatedStructuresKeepEveryAtomCentredAndRigid) {
  const PdbAtoms orig = readPdbAtoms(kPdb, true);
  ASSERT_EQ(orig.n(), 1231);
  for (int k = 0; k < 4; k++) {
    const std::string name = example().dir / ("rot.pdb." + std::to_string(k));
    const PdbAtoms rot = readPdbAtoms(name, true);
    // The user's selection, every atom with the hydrogens, though the simulation used fewer.
    ASSERT_EQ(rot.n(), orig.n()) << name;
    EXPECT_EQ(rot.names, orig.names);
    EXPECT_EQ(rot.resIDs, orig.resIDs);
    double c[3] = {0, 0, 0};
    for (int i = 1; i <= rot.n(); i++) {
      c[0] += rot.x[i] / rot.n();
      c[1] += rot.y[i] / rot.n();
      c[2] += rot.z[i] / rot.n();
    }
    for (double v : c) EXPECT_NEAR(v, 0.0, 2e-3) << name;
    for (int i = 1; i <= orig.n(); i += 37)
      for (int j = i + 11; j <= orig.n(); j += 53)
        ASSERT_NEAR(dist(rot, i, j), dist(orig, i, j), 3e-3) << i << " " << j;
  }
  // -rotID defaults to 0: the plain name holds solution 0.
  EXPECT_EQ(readFile(example().dir / "rot.pdb"), readFile(example().dir / "rot.pdb.0"));
}

TEST(StericPhysics, RigidMotionOfTheInputChangesNothing) {
  TempDir d;
  writeRotatedCopy(d / "turned.pdb", 40.0, 63.0, -23.0);
  const std::vector<std::string> fine = {"-stKorim", "-dot", "400", "-digPsi", "36", "-inD", kCouplings};
  std::vector<std::string> a = fine, b = fine;
  a.insert(a.end(), {"-pdb", kPdb, "-outD", "a.tab"});
  b.insert(b.end(), {"-pdb", d / "turned.pdb", "-outD", "b.tab"});
  ASSERT_EQ(runKorim(a, d).status, 0);
  ASSERT_EQ(runKorim(b, d).status, 0);
  Table ta = readTable(d / "a.tab"), tb = readTable(d / "b.tab");
  EXPECT_NEAR(tb.data("Da_HN"), ta.data("Da_HN"), 0.005 * std::fabs(ta.data("Da_HN")));
  EXPECT_NEAR(tb.data("Rhombicity"), ta.data("Rhombicity"), 0.005);
  std::vector<double> ca = ta.numbers("D"), cb = tb.numbers("D");
  ASSERT_EQ(ca.size(), 63u);
  ASSERT_EQ(cb.size(), 63u);
  for (size_t i = 0; i < ca.size(); i++) EXPECT_NEAR(cb[i], ca[i], 0.2) << "row " << i;
}

TEST(StericSelection, WithoutSurfaceEveryHeavyAtomIsSimulated) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-nosurf", "-dot", "30", "-outD", "a.tab"}, d);
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("REMARK 602 atoms selected for simulation.\n"), std::string::npos) << r.out;
}

TEST(Electrostatics, RodWithPotentialRunsToTheResultTable) {
  TempDir d;
  const std::string pot = testData("cli/wall_potential_screened.pot");
  RunResult r = runKorim({"-elKorim", "-pf1", "-pot", pot, "-pdb", kPdb, "-inD", kCouplings, "-outD",
                          "el.tab", "-pdbRot", "face.pdb", "-dot", "30"},
                         d);
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0);
  // 41 rows of 0.1 nm from 0: offset 0 and step 1 A after the reader's nm-to-A scaling.
  EXPECT_NE(r.err.find("REMARK 1D Potential " + pot + ", Digitization 41, Offset 0.0, Stepsize 1.0 [A].\n"),
            std::string::npos);
  Table t = readTable(d / "el.tab");
  EXPECT_TRUE(t.hasLine("DATA KORIM_MODE ELECTROSTATIC"));
  EXPECT_TRUE(t.hasLine("DATA KORIM LC_TYPE              rod"));
  EXPECT_TRUE(t.hasLine("DATA KORIM EL PH               7.000"));
  EXPECT_EQ(t.rows.size(), 63u);
  for (const char* bad : {"nan", "inf"}) EXPECT_EQ(r.out.find(bad), std::string::npos) << r.out;
  // The electrostatic run ends with the preferred face of the structure instead of four frames.
  EXPECT_NE(r.out.find("REMARK Probability of initial orientation "), std::string::npos);
  EXPECT_EQ(readPdbAtoms(d / "face.pdb", true).n(), 1231);
  EXPECT_FALSE(fileExists(d / "face.pdb.0"));
}

TEST(StericGrid, OpenGridAlignsNothing) {
  // A 3-D grid that obstructs no position leaves every orientation equally likely: the predicted
  // tensor vanishes; the settings block has no medium line for the grid.
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-3D", "-pot3D", testData("cli/grid3d_open_2x2x3.pot"), "-nX", "2",
                          "-nY", "2", "-nZ", "3", "-z1", "1", "-zN", "3", "-pdb", kPdb, "-inD", kCouplings,
                          "-outD", "g.tab", "-dot", "30"},
                         d);
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 800 ? r.err.size() - 800 : 0);
  EXPECT_NE(r.err.find(", Total # of gridpositions 12 (x: 2, y: 2, z: 3).\n"), std::string::npos);
  Table t = readTable(d / "g.tab");
  EXPECT_TRUE(t.hasLine("DATA KORIM_MODE STERIC"));
  for (const std::string& l : t.lines) EXPECT_EQ(l.find("LC_TYPE"), std::string::npos);
  EXPECT_LT(std::fabs(t.data("Da_HN")), 1e-3);
}
