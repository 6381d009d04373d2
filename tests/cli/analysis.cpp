// The analysis modes run from the command line: table conversion against golden files, coupling
// arithmetic by hand values, order-matrix comparison from the physics of two tensors, and the
// structure analysis of a hand-made structure and of a charged protein.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

std::string analysisData(const std::string& name) { return testData("cli/analysis/" + name); }

// Runs a conversion of three.tab copied into the run directory (so that the header names it
// without a path).
RunResult convert(const TempDir& d, std::vector<std::string> extra) {
  writeFile(d / "three.tab", readFile(analysisData("three.tab")));
  extra.insert(extra.begin(), {"-conv", "-inD", "three.tab"});
  return runKorim(extra, d);
}

}  // namespace

TEST(Conversion, EachFormatMatchesItsGoldenFile) {
  const struct { const char* flag; const char* golden; } cases[] = {
      {"-xplor", "conv_xplor.txt"}, {"-cns", "conv_xplor.txt"}, {"-dyana", "conv_dyana.txt"},
      {"-rosetta", "conv_rosetta.txt"}, {"-dcHH", "conv_listing.txt"}};
  for (const auto& c : cases) {
    TempDir d;
    RunResult r = convert(d, {c.flag});
    ASSERT_EQ(r.status, 0) << c.flag << r.err;
    // Standard output holds the restraints only; the selection remark goes to stderr.
    EXPECT_EQ(r.out, readFile(analysisData(c.golden))) << c.flag;
    EXPECT_NE(r.err.find("REMARK 3 couplings selected (inclusive max).\n"), std::string::npos);
  }
}

TEST(Conversion, ScaleNoiseAndAFailedRead) {
  TempDir d;
  RunResult r = convert(d, {"-xplor", "-scale", "-outD", "x.tbl"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Value and error of the weight-2 coupling doubled; with a file the remark goes to stdout.
  const std::string text = readFile(d / "x.tbl");
  EXPECT_EQ(lines(text)[0], "! Normalized dipolar couplings from three.tab.");
  EXPECT_NE(text.find("name H and not segid REF )   10.0000 2.0000\n"), std::string::npos);
  EXPECT_NE(r.out.find("REMARK 3 couplings selected"), std::string::npos);
  // The listing shows the couplings as read.
  EXPECT_EQ(convert(d, {"-scale"}).out, "    9  GLY    C 5.000 -4.250 -9999.000 -9999.000 12.125 -9999.000\n");
  // Noise follows the seed.
  auto noisy = [&](const char* seed) { return convert(d, {"-rosetta", "-dcNoise", "-idum", seed}).out; };
  const std::string a = noisy("7");
  EXPECT_EQ(lines(a)[1], "Gaussian noise has been added.");
  EXPECT_EQ(a, noisy("7"));
  EXPECT_NE(a, noisy("8"));
  // A failed read leaves the output file as it was.
  const std::string bad = readFile(testData("dc/bad_number.tab"));
  writeFile(d / "t.tab", bad);
  r = runKorim({"-conv", "-xplor", "-inD", "t.tab", "-outD", "t.tab"}, d);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(inOrder(r.err, {"Error reading DC input t.tab\n", "korim: error in conversion of table.\n"}));
  EXPECT_EQ(readFile(d / "t.tab"), bad);
}

TEST(CouplingArithmetic, HandValuesOfEachOperation) {
  // Pairs (first, second): C-N (-4.25, 1), N-H (5, 8), CA-HA (12.125, 2); the second table's
  // rows come in another order and one has no partner. A division by zero leaves its coupling out.
  TempDir data;
  const std::string second = analysisData("second.tab");
  const std::string zero = writeFile(data / "zero.tab",
                                     "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D\n"
                                     "FORMAT %4d %4s %4s %4d %4s %4s %9.3f\n\n"
                                     "   10  LEU    N   10  LEU    H     0.000\n");
  const struct { std::vector<std::string> ops; std::string second; std::vector<double> d; const char* err; } cases[] = {
      {{}, second, {1, 8, 2}, ""}, {{"-add", "-c1", "1"}, second, {-3.25, 13, 14.125}, ""},
      {{"-sub", "-c1", "1"}, second, {-5.25, -3, 10.125}, ""},
      {{"-mul", "-c1", "2", "-c2", "0.5"}, second, {-4.25, 40, 24.25}, ""},
      {{"-max", "-c1", "10"}, second, {1, 8, 121.25}, ""},  // raw values compared, then scaled
      {{"-div", "-c1", "1"}, zero, {}, "10 N - 10 H is not a number"},
  };
  for (const auto& c : cases) {
    TempDir d;
    std::vector<std::string> args = {"-anDc", "-inD1", analysisData("three.tab"), "-inD2", c.second, "-outD",
                                     "sum.tab"};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("REMARK " + std::to_string(c.d.size()) + " couplings combined (inclusive max).\n"),
              std::string::npos);
    EXPECT_NE(r.err.find(c.err), std::string::npos);
    const std::vector<double> got = readTable(d / "sum.tab").numbers("D");
    ASSERT_EQ(got.size(), c.d.size());
    for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], c.d[i], 1e-4) << i;
  }
}

TEST(OrderMatrixComparison, PhysicsOfTwoTensors) {
  // Principal values (x, y, z) = (-0.7, -0.3, 1.0)e-3; the second tensor has z moved onto x.
  // Its 5-D cosine is (xz + yy + zx) / (x^2 + y^2 + z^2) = -1.31 / 1.58.
  TempDir d;
  auto compare = [&](std::vector<std::string> second) {
    std::vector<std::string> args = {"-anA", "-inS1", "1e-3", "-4e-4", "0", "0", "0", "-inS2"};
    args.insert(args.end(), second.begin(), second.end());
    args.insert(args.end(), {"-outA", "a.tab"});
    EXPECT_EQ(runKorim(args, d).status, 0);
    return readFile(d / "a.tab");
  };
  const std::string moved = compare({"-7e-4", "1.3e-3", "0", "0", "0"});
  EXPECT_TRUE(inOrder(moved, {"REMARK DATA SAUPE RESULT  1.7000e-03 -1.7000e-03  0.0000e+00  0.0000e+00  0.0000e+00\n",
                              "REMARK DATA ANGLE_5D_SPACE  146.01\n", "REMARK DATA COLL_5D         -0.82911\n"}));
  // The same tensor twice: angles exactly 0, no rounding past the cosine's range.
  const std::string same = compare({"1e-3", "-4e-4", "0", "0", "0"});
  EXPECT_TRUE(inOrder(same, {"DATA ANGLE_5D_SPACE  0.00\n", "DATA COLL_5D         1.00000\n",
                             "DATA HINGE_ANGLES           0.00"}));
  EXPECT_TRUE(same.find("nan") == std::string::npos && same.find("inf") == std::string::npos);
}

TEST(StructureAnalysis, InertiaFrameOfFourAtomsAndChargesOfAProtein) {
  // Second moments 4 (x), 1 (y), 0 (z); the input tensor has z 1e-3, y -8e-4, x -2e-4, so its
  // z, y, x axes lie along z, y, x and the structure's (x, y, z) along (z, y, x).
  TempDir d;
  RunResult r = runKorim({"-anPdb", "-pdb", analysisData("four_atoms.pdb"), "-inS", "1e-3", "6e-4", "0", "0", "0",
                          "-outP", "four.txt"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(readFile(d / "four.txt"),
                      {"REMARK Inertia tensor.",
                       "DATA EIGENVALUES (Axx,Ayy,Azz)    0.0000e+00  1.0000e+00  4.0000e+00\n",
                       "DATA EIGENVECTORS ZAXIS  1.0000e+00  0.0000e+00  0.0000e+00\n",
                       "DATA Da(NH) = 10.8    R = Dr/Da = 0.400\n",
                       "DATA DCOS_DEG (x/y/z)    90.000  0.000  90.000\n"}));
  EXPECT_NE(r.out.find("REMARK 4 atoms selected for simulation.\n"), std::string::npos);
  // The charged protein: dipole records, and the lysine amines carry about +1 e.
  r = runKorim({"-anPdb", "-el", "-pdb", kPdb, "-outP", "el.txt", "-pdbRot", "rot.pdb"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(readFile(d / "el.txt"), {"REMARK Dipole tensor.", "DATA PDB_EL MONOPOL", "DATA PDB_EL DIPOL"}));
  int lysines = 0;
  for (const std::string& l : lines(readFile(d / "rot.pdb.0")))
    if (l.find(" NZ  LYS") != std::string::npos) {
      EXPECT_EQ(l.substr(l.size() - 2), "1+") << l;
      lysines++;
    }
  EXPECT_GT(lysines, 0);
}
