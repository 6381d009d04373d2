// Steric prediction of the ubiquitin example: messages, result table, rotated structures, the
// physics of the predicted tensor, and the selections of couplings and atoms.
#include <algorithm>
#include <set>

#include "tests/cli/cli_util.h"

using namespace korim_cli;

namespace {

bool isHydrogenName(const std::string& name) {
  // the glob patterns "H*" and "[1-3]H*"
  return name[0] == 'H' || (name.size() > 1 && name[0] >= '1' && name[0] <= '3' && name[1] == 'H');
}

struct Range {
  int lo = 1 << 30, hi = -(1 << 30);
  void add(int v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
};

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

double dist(const Atom& a, const Atom& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// Writes the example structure turned by a rotation (z-y-z, radians) and shifted, keeping every
// other column of the records.
void writeRotatedCopy(const std::string& name, double a, double b, double c) {
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b),
               cc = std::cos(c), sc = std::sin(c);
  const double m[3][3] = {{ca * cb * cc - sa * sc, -ca * cb * sc - sa * cc, ca * sb},
                          {sa * cb * cc + ca * sc, -sa * cb * sc + ca * cc, sa * sb},
                          {-sb * cc, sb * sc, cb}};
  std::string out;
  for (const std::string& l : lines(readFile(kPdb))) {
    std::string line = l;
    if (l.rfind("ATOM", 0) == 0) {
      const double p[3] = {std::stod(l.substr(30, 8)), std::stod(l.substr(38, 8)),
                           std::stod(l.substr(46, 8))};
      const double shift[3] = {-12.5, 40.0, 7.25};
      double q[3];
      for (int i = 0; i < 3; i++) q[i] = m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + shift[i];
      char xyz[32];
      std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", q[0], q[1], q[2]);
      line = l.substr(0, 30) + xyz + l.substr(54);
    }
    out += line + "\n";
  }
  writeFile(name, out);
}

}  // namespace

TEST(StericExample, MessagesInOrder) {
  const RunResult& r = example().r;
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 2000 ? r.err.size() - 2000 : 0);

  std::vector<Atom> atoms = readAtoms(kPdb);
  Range res;
  for (const Atom& a : atoms) res.add(a.resID);
  Table input = readTable(kCouplings);
  Range dres;
  for (const auto& row : input.rows) {
    dres.add(std::stoi(row[input.col("RESID_I")]));
    dres.add(std::stoi(row[input.col("RESID_J")]));
  }
  inOrder(r.err, {kPdb + ", " + std::to_string(atoms.size()) + " Atoms, Residues " +
                      std::to_string(res.lo) + " to " + std::to_string(res.hi) + ".\n",
                  kCouplings + ", " + std::to_string(input.rows.size()) + " Couplings, Residues " +
                      std::to_string(dres.lo) + " to " + std::to_string(dres.hi) + ".\n"});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));

  // Every coupling lies in the table's own range: all are selected.
  inOrder(r.out, {"REMARK " + std::to_string(input.rows.size()) +
                      " couplings selected (inclusive max).\n",
                  "REMARK PDB Selection: All Atoms.\n",
                  "REMARK 0 charges placed, Total charge 0.000 [e].\n", " atoms selected for simulation.\n",
                  "REMARK 0 charges selected for simulation.\n"});
  // Surface atoms without hydrogens: some, but fewer than the heavy atoms.
  size_t p = r.out.find(" atoms selected for simulation.");
  ASSERT_NE(p, std::string::npos);
  int selected = std::stoi(r.out.substr(r.out.rfind("REMARK ", p) + 7));
  int heavy = 0;
  for (const Atom& a : atoms) heavy += isHydrogenName(a.name) ? 0 : 1;
  EXPECT_GT(selected, 20);
  EXPECT_LT(selected, heavy);
}

TEST(StericExample, ResultTableRecordsTheDefaults) {
  Table t = readTable(example().dir / "out.tab");
  for (const char* want : {
           "REMARK Molecular Alignment Simulation.",
           "DATA KORIM_MODE STERIC",
           "DATA KORIM LC_TYPE             wall",
           "DATA KORIM LC_CONCENTRATION    0.050",
           "DATA KORIM ORIENT_SPHERE       100",
           "DATA KORIM ORIENT_PSI          18",
           "DATA KORIM GRID_SPACING        0.200",
           "DATA KORIM MODEL_RADIUS        20.000",
           "DATA KORIM LC_ORDER            0.800",
           "DATA KORIM ATOM_RADIUS         0.000",
           "DATA KORIM SEL_SIMPLE_FLAG     0",
           "DATA KORIM SURF_FLAG           1",
       })
    EXPECT_TRUE(t.hasLine(want)) << want;
  // No rim lines unless asked for.
  for (const std::string& l : t.lines) EXPECT_EQ(l.find("INCLUDE_RIM"), std::string::npos);
}

TEST(StericExample, PredictionCorrelatesWithMeasuredCouplings) {
  Table t = readTable(example().dir / "out.tab");
  std::vector<double> obs = t.numbers("D_OBS"), calc = t.numbers("D");
  ASSERT_EQ(obs.size(), readTable(kCouplings).rows.size());
  EXPECT_GT(pearson(obs, calc), 0.6);
  // The measured bicelle couplings span about +-20 Hz; the prediction is of the same order.
  double maxCalc = 0;
  for (double v : calc) maxCalc = std::max(maxCalc, std::fabs(v));
  EXPECT_GT(maxCalc, 5.0);
  EXPECT_LT(maxCalc, 60.0);
  // The order matrix is traceless by construction; its principal values carry Da and R.
  const double da = t.data("Da"), dr = t.data("Dr");
  EXPECT_NEAR(t.data("Da_HN"), da * 21585.2, 1e-3 * std::fabs(da * 21585.2));
  EXPECT_NEAR(t.data("Rhombicity"), dr / da, 1e-4);
  EXPECT_GE(t.data("Rhombicity"), 0.0);
  EXPECT_LE(t.data("Rhombicity"), 2.0 / 3.0);
}

TEST(StericExample, RotatedStructuresKeepEveryAtomCentredAndRigid) {
  std::vector<Atom> orig = readAtoms(kPdb);
  for (int k = 0; k < 4; k++) {
    const std::string name = example().dir / ("rot.pdb." + std::to_string(k));
    std::vector<Atom> rot = readAtoms(name);
    ASSERT_EQ(rot.size(), orig.size()) << name;  // the user's selection: every atom, H included
    double cx = 0, cy = 0, cz = 0;
    for (size_t i = 0; i < rot.size(); i++) {
      EXPECT_EQ(rot[i].name, orig[i].name);
      EXPECT_EQ(rot[i].resID, orig[i].resID);
      cx += rot[i].x / rot.size();
      cy += rot[i].y / rot.size();
      cz += rot[i].z / rot.size();
    }
    EXPECT_NEAR(cx, 0.0, 2e-3);
    EXPECT_NEAR(cy, 0.0, 2e-3);
    EXPECT_NEAR(cz, 0.0, 2e-3);
    for (size_t i = 0; i < orig.size(); i += 37)
      for (size_t j = i + 11; j < orig.size(); j += 53)
        ASSERT_NEAR(dist(rot[i], rot[j]), dist(orig[i], orig[j]), 3e-3) << i << " " << j;
  }
  // -rotID defaults to 0: the plain name holds solution 0.
  EXPECT_EQ(readFile(example().dir / "rot.pdb"), readFile(example().dir / "rot.pdb.0"));
}

TEST(StericPhysics, RigidMotionOfTheInputChangesNothing) {
  TempDir d;
  writeRotatedCopy(d / "turned.pdb", 0.7, 1.1, -0.4);
  const std::vector<std::string> fine = {"-dot", "400", "-digPsi", "36", "-inD", kCouplings};
  std::vector<std::string> a = {"-stKorim", "-pdb", kPdb, "-outD", "a.tab"};
  std::vector<std::string> b = {"-stKorim", "-pdb", d / "turned.pdb", "-outD", "b.tab"};
  a.insert(a.end(), fine.begin(), fine.end());
  b.insert(b.end(), fine.begin(), fine.end());
  ASSERT_EQ(runKorim(a, d).status, 0);
  ASSERT_EQ(runKorim(b, d).status, 0);
  Table ta = readTable(d / "a.tab"), tb = readTable(d / "b.tab");
  EXPECT_NEAR(tb.data("Da_HN"), ta.data("Da_HN"), 0.005 * std::fabs(ta.data("Da_HN")));
  EXPECT_NEAR(tb.data("Rhombicity"), ta.data("Rhombicity"), 0.005);
  std::vector<double> ca = ta.numbers("D"), cb = tb.numbers("D");
  ASSERT_EQ(ca.size(), cb.size());
  ASSERT_FALSE(ca.empty());
  for (size_t i = 0; i < ca.size(); i++) EXPECT_NEAR(cb[i], ca[i], 0.2) << "row " << i;
}

TEST(StericSelection, WithoutCouplingsTheTensorIsStillWritten) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-outD", "out.tab"}, d);
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("REMARK 0 couplings selected (inclusive max).\n"), std::string::npos);
  EXPECT_NE(r.err.find(", 0 Couplings, Residues 0 to 0.\n"), std::string::npos);
  Table t = readTable(d / "out.tab");
  EXPECT_TRUE(t.hasLine("DATA N                    0"));
  EXPECT_TRUE(t.rows.empty());
  EXPECT_FALSE(std::isnan(t.data("Da_HN")));
  EXPECT_LT(t.data("Da_HN"), 0.0);
}

TEST(StericSelection, CouplingRangeAndExclusionModes) {
  Table input = readTable(kCouplings);
  auto count = [&](int lo, int hi, int mode) {
    int n = 0;
    for (const auto& row : input.rows) {
      int i = std::stoi(row[input.col("RESID_I")]), j = std::stoi(row[input.col("RESID_J")]);
      bool in1 = i >= lo && i <= hi, in2 = j >= lo && j <= hi, inMax = std::max(i, j) >= lo && std::max(i, j) <= hi;
      n += mode == 1 ? (in1 && in2) : mode == 2 ? (in1 || in2) : inMax;
    }
    return n;
  };
  TempDir d;
  // A reversed range is used the right way round.
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-d1", "20", "-dN", "10",
                          "-outD", "o.tab", "-dot", "30"},
                         d);
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("REMARK " + std::to_string(count(10, 20, 3)) + " couplings selected (inclusive max).\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(static_cast<int>(readTable(d / "o.tab").rows.size()), count(10, 20, 3));

  r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-s1", "30", "-sN", "45", "-excl",
                "-outD", "o.tab", "-dot", "30"},
               d);
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("REMARK " + std::to_string(count(30, 45, 1)) + " couplings selected (exclusive).\n"),
            std::string::npos)
      << r.out;
  r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-s1", "30", "-sN", "45", "-inc",
                "-outD", "o.tab", "-dot", "30"},
               d);
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("REMARK " + std::to_string(count(30, 45, 2)) + " couplings selected (inclusive).\n"),
            std::string::npos)
      << r.out;
}

TEST(StericSelection, HydrogensLeaveTheSimulationUnlessKept) {
  std::vector<Atom> atoms = readAtoms(kPdb);
  int heavy = 0;
  for (const Atom& a : atoms) heavy += isHydrogenName(a.name) ? 0 : 1;
  ASSERT_GT(heavy, 0);
  ASSERT_LT(heavy, static_cast<int>(atoms.size()));
  TempDir d;
  RunResult noH = runKorim({"-stKorim", "-pdb", kPdb, "-nosurf", "-dot", "30", "-outD", "a.tab", "-pdbRot", "a.pdb"}, d);
  RunResult withH = runKorim({"-stKorim", "-pdb", kPdb, "-nosurf", "-H", "-dot", "30", "-outD", "b.tab"}, d);
  ASSERT_EQ(noH.status, 0);
  ASSERT_EQ(withH.status, 0);
  EXPECT_NE(noH.out.find("REMARK " + std::to_string(heavy) + " atoms selected for simulation.\n"),
            std::string::npos)
      << noH.out;
  EXPECT_NE(withH.out.find("REMARK " + std::to_string(atoms.size()) + " atoms selected for simulation.\n"),
            std::string::npos)
      << withH.out;
  // The rotated structures keep the user's selection, hydrogens included.
  EXPECT_EQ(readAtoms(d / "a.pdb.1").size(), atoms.size());
  EXPECT_TRUE(readTable(d / "b.tab").hasLine("DATA KORIM SEL_SIMPLE_FLAG     1"));
}

TEST(StericSelection, UserSelectionAndChosenSolutionInTheRotatedStructures) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-atom", "CA", "-r1", "5", "-rN", "30", "-dot", "30",
                          "-nosurf", "-rotID", "2", "-outD", "o.tab", "-pdbRot", "ca.pdb"},
                         d);
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0);
  inOrder(r.out, {"REMARK PDB Selection: Residues 5 to 30  Residues: *  Atoms: CA",
                  "REMARK 26 atoms selected for simulation.\n"});
  std::vector<Atom> rot = readAtoms(d / "ca.pdb.2");
  ASSERT_EQ(rot.size(), 26u);
  for (const Atom& a : rot) {
    EXPECT_EQ(a.name, "CA");
    EXPECT_GE(a.resID, 5);
    EXPECT_LE(a.resID, 30);
  }
  // -rotID 2: the plain name holds solution 2.
  EXPECT_EQ(readFile(d / "ca.pdb"), readFile(d / "ca.pdb.2"));
  EXPECT_NE(readFile(d / "ca.pdb.2"), readFile(d / "ca.pdb.0"));
}

TEST(Electrostatics, ModesWithoutResultEndAfterTheCharges) {
  std::vector<Atom> atoms = readAtoms(kPdb);
  for (const char* mode : {"-elKorimFree", "-elKorimGrid", "-csSim", "-asRan"}) {
    TempDir d;
    RunResult r = runKorim({mode, "-elInfo", "-pdb", kPdb, "-inD", kCouplings, "-outD", "o.tab",
                            "-pdbRot", "r.pdb"},
                           d);
    EXPECT_EQ(r.status, 0) << mode;
    EXPECT_NE(r.out.find(" charges placed, Total charge "), std::string::npos) << mode;
    EXPECT_FALSE(fileExists(d / "o.tab")) << mode;
    EXPECT_FALSE(fileExists(d / "r.pdb.0")) << mode;
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << mode;
  }
}

TEST(Electrostatics, ChargeListingNamesRealAtoms) {
  std::vector<Atom> atoms = readAtoms(kPdb);
  TempDir d;
  RunResult r = runKorim({"-elKorimFree", "-elInfo", "-pdb", kPdb}, d);
  ASSERT_EQ(r.status, 0);
  int placed = 0;
  double total = 0;
  size_t p = r.out.find(" charges placed, Total charge ");
  ASSERT_NE(p, std::string::npos);
  placed = std::stoi(r.out.substr(r.out.rfind("REMARK ", p) + 7));
  total = std::stod(r.out.substr(p + std::strlen(" charges placed, Total charge ")));
  inOrder(r.out, {"REMARK charges used in simulation:\n", "REMARK ===========================\n",
                  "REMARK chargeID    atom serial number  charge [e] \n"});
  ASSERT_GT(placed, 0);
  int rows = 0;
  double sum = 0;
  for (const std::string& l : lines(r.out)) {
    int i = 0, id = 0;
    double x, y, z, q;
    if (std::sscanf(l.c_str(), "REMARK %d: %d %lf %lf %lf %lf", &i, &id, &x, &y, &z, &q) != 6) continue;
    rows++;
    EXPECT_EQ(i, rows);
    ASSERT_GE(id, 0);
    ASSERT_LT(id, static_cast<int>(atoms.size()));
    EXPECT_NEAR(x, atoms[id].x, 1e-3);
    EXPECT_NEAR(y, atoms[id].y, 1e-3);
    EXPECT_NEAR(z, atoms[id].z, 1e-3);
    sum += q;
  }
  EXPECT_EQ(rows, placed);
  EXPECT_NEAR(sum, total, 0.002 * placed + 1e-3);
  EXPECT_NE(r.err.find("\n\n"), std::string::npos);
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
  EXPECT_EQ(t.rows.size(), readTable(kCouplings).rows.size());
  // The electrostatic run ends with the preferred face of the structure instead of four frames.
  EXPECT_NE(r.out.find("REMARK Probability of initial orientation "), std::string::npos);
  EXPECT_EQ(readAtoms(d / "face.pdb").size(), readAtoms(kPdb).size());
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
  EXPECT_TRUE(t.hasLine("DATA KORIM MODEL_RADIUS        0.000"));
  for (const std::string& l : t.lines) EXPECT_EQ(l.find("LC_TYPE"), std::string::npos);
  EXPECT_LT(std::fabs(t.data("Da_HN")), 1e-3);
}
