// Failure paths of a run: missing and malformed inputs, unwritable outputs, unusable potentials.
// Every run names the problem, ends with the memory-status line and reports its status.
#include "tests/cli/cli_util.h"

using namespace korim_cli;

namespace {

std::vector<std::string> steric(std::vector<std::string> extra) {
  // The first occurrence of an option counts: a test's own -outD goes before the default one.
  std::vector<std::string> args = {"-stKorim", "-dot", "30"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), {"-outD", "out.tab"});
  return args;
}

}  // namespace

TEST(MissingInput, StructureFile) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", "no_such.pdb", "-inD", kCouplings, "-pdbRot", "r.pdb"}), d);
  EXPECT_NE(r.status, 0);
  inOrder(r.err, {"Error reading PDB input no_such.pdb\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fileExists(d / "out.tab"));
  EXPECT_FALSE(fileExists(d / "r.pdb.0"));
}

TEST(MissingInput, CouplingTable) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inD", "no_such.tab"}), d);
  EXPECT_NE(r.status, 0);
  inOrder(r.err, {kPdb + ", 1231 Atoms, Residues 1 to 76.\n", "no_such.tab",
                  "Error reading DC input no_such.tab\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_FALSE(fileExists(d / "out.tab"));
}

TEST(MalformedInput, ConfigurationWithAnEmptyLine) {
  TempDir d;
  const std::string cfg = testData("cli/config_blank_line.inp");
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inp", cfg}), d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"Error: Input data in auto file have wrong format\n", "Line:\n",
                  "Error reading configuration file " + cfg + "\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_FALSE(fileExists(d / "out.tab"));
}

TEST(MalformedInput, ConfigurationKeyThatMatchesNothingOnlyWarns) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inp", testData("cli/config_unknown_key.inp")}), d);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Error: Wrong input parameter in auto file"), std::string::npos);
  EXPECT_TRUE(fileExists(d / "out.tab"));
}

TEST(MalformedInput, MissingConfigurationFile) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inp", "no_such.inp"}), d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"readConfig File open error: no_such.inp.\n",
                  "Error reading configuration file no_such.inp\n", kMemoryLine});
}

TEST(MalformedInput, PotentialWithUnevenStep) {
  TempDir d;
  RunResult r = runKorim({"-elKorim", "-pdb", kPdb, "-pot", testData("cli/potential_uneven_step.pot"),
                          "-outD", "out.tab", "-dot", "30"},
                         d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"Error: The potential must be supplied with a uniform stepsize\n", "Line:0.15 -1.25\n",
                  "ERROR Reading of 1D potential not successful.\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_FALSE(fileExists(d / "out.tab"));
}

TEST(MalformedInput, PotentialWithTextForNumbers) {
  TempDir d;
  RunResult r = runKorim({"-elKorim", "-pdb", kPdb, "-pot", testData("cli/potential_not_a_number.pot"),
                          "-outD", "out.tab", "-dot", "30"},
                         d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"Line:zero point two  -1.17\n", "ERROR Reading of 1D potential not successful.\n",
                  kMemoryLine});
  EXPECT_FALSE(fileExists(d / "out.tab"));
}

TEST(MalformedInput, RodNeedsAPotentialWithAStep) {
  TempDir d;
  const std::string msg =
      "korim: the rod medium needs a 1D potential (-pot) of at least two rows with a uniform "
      "positive step.\n";
  for (const std::vector<std::string>& pot :
       {std::vector<std::string>{}, std::vector<std::string>{"-pot", testData("cli/potential_single_row.pot")}}) {
    std::vector<std::string> args = {"-elKorim", "-pf1", "-pdb", kPdb, "-outD", "out.tab", "-dot", "30"};
    args.insert(args.end(), pot.begin(), pot.end());
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1);
    inOrder(r.err, {msg, kMemoryLine});
    EXPECT_TRUE(endsWithMemoryStatus(r.err));
    EXPECT_FALSE(fileExists(d / "out.tab"));
  }
}

TEST(MalformedInput, GridOfTheWrongSize) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-3D", "-pot3D", testData("cli/grid3d_nine_values.pot"),
                                 "-nX", "2", "-nY", "2", "-nZ", "2"}),
                         d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"ERROR: Total size of 3D grid not as specified.\n",
                  "ERROR: Reading of 3D potential not successful.\n", kMemoryLine});
  EXPECT_FALSE(fileExists(d / "out.tab"));
}

TEST(UnwritableOutput, ResultTableFallsBackToStandardOutput) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inD", kCouplings, "-outD", "no_such_dir/out.tab"}), d);
  // The table is not lost: the writer reports the file and writes the table to stdout.
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("DC Error opening output file no_such_dir/out.tab\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nDATA KORIM_MODE STERIC\n"), std::string::npos);
  EXPECT_NE(r.out.find("VARS    RESID_I"), std::string::npos);
}

TEST(UnwritableOutput, RotatedStructuresFailTheRun) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inD", kCouplings, "-pdbRot", "no_such_dir/rot.pdb"}), d);
  EXPECT_NE(r.status, 0);
  inOrder(r.err, {"no_such_dir/rot.pdb", "matrix: error in writePDBRot.\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
}

TEST(UnwritableOutput, OverlongRotatedStructureNameIsRefused) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-pdbRot", std::string(255, 'r')}), d);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_FALSE(fileExists(d / (std::string(255, 'r') + ".0")));
}

TEST(RefusedMedium, BicellesThatCannotFormStopOnlyTheWall) {
  // At 1 % lipid and molar ratio 3 the free lipid exceeds the total: no bicelles, no prediction.
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-wv", "0.01"}), d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"forms no bicelles", "korim: error in refine_bicelle.\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_FALSE(fileExists(d / "out.tab"));
  // Phage rods at the same concentration need no bicelle geometry.
  r = runKorim(steric({"-pdb", kPdb, "-pf1", "-wv", "0.01"}), d);
  EXPECT_EQ(r.status, 0) << r.err.substr(r.err.size() > 800 ? r.err.size() - 800 : 0);
  EXPECT_TRUE(readTable(d / "out.tab").hasLine("DATA KORIM LC_TYPE              rod"));
}
