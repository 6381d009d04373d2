// Failure paths of a run: missing and malformed inputs, unwritable outputs, unusable media.
// Every failing run names the problem, ends with the memory-status line, writes no result table
// and reports a non-zero status.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

std::vector<std::string> steric(std::vector<std::string> extra) {
  // The first occurrence of an option counts: a case's own -outD goes before the default one.
  std::vector<std::string> args = {"-stKorim", "-dot", "30"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), {"-outD", "out.tab"});
  return args;
}

struct Case {
  std::vector<std::string> args;
  int status;  // -1: any non-zero status
  std::vector<std::string> messages;  // in this order on stderr, before the memory line
};

}  // namespace

TEST(FailingRun, MessagesStatusAndNoResult) {
  const std::string cfg = testData("cli/config_blank_line.inp");
  TempDir data;  // the measured couplings, every one of weight 0
  std::string text = readFile(kCouplings);
  for (size_t pos = 0; (pos = text.find(" 1.00\n", pos)) != std::string::npos;) text.replace(pos, 6, " 0.00\n");
  const std::string unweighted = writeFile(data / "w0.tab", text);
  const std::vector<Case> cases = {
      {steric({"-pdb", "no_such.pdb", "-inD", kCouplings, "-pdbRot", "r.pdb"}), -1,
       {"Error reading PDB input no_such.pdb\n"}},
      {steric({"-pdb", kPdb, "-inD", "no_such.tab"}), -1,
       {kPdb + ", 1231 Atoms, Residues 1 to 76.\n", "Error reading DC input no_such.tab\n"}},
      {steric({"-pdb", kPdb, "-inp", cfg}), 1,
       {"Error: Input data in auto file have wrong format\nLine:\n",
        "Error reading configuration file " + cfg + "\n"}},
      {steric({"-elKorim", "-pdb", kPdb, "-pot", testData("cli/potential_uneven_step.pot")}), 1,
       {"Error: The potential must be supplied with a uniform stepsize\nLine:0.15 -1.25\n",
        "ERROR Reading of 1D potential not successful.\n"}},
      {steric({"-elKorim", "-pf1", "-pdb", kPdb, "-pot", testData("cli/potential_single_row.pot")}), 1,
       {"korim: the rod medium needs a 1D potential (-pot) of at least two rows with a uniform positive step.\n"}},
      // At 1 % lipid and molar ratio 3 the free lipid exceeds the total: no bicelles.
      {steric({"-pdb", kPdb, "-wv", "0.01"}), 1, {"forms no bicelles", "korim: error in refine_bicelle.\n"}},
      // An ensemble without its domains configured; a free-format run without coordinates.
      {steric({"-stKorimGrid", "-pdb", kPdb}), 1,
       {"Error in initOrient: zero atoms selected.\n", "matrix: error in initOrient.\n"}},
      {steric({"-stKorimFree"}), 1,
       {"ssiaFree: no free-format coordinates given (-pdbF).\n", "matrix: error in ssiaFree.\n"}},
      // The subset search without its size (-nSel): nothing to search, no table of 888 values.
      {steric({"-bestFit", "-exhaustSel", "-pdb", kPdb, "-inD", examples("ubiquitin_lys_unassigned.tab")}), 1,
       {"Error: a subset of 0 peaks out of 63 cannot be searched.\n", "Matrix: error in best-fit of data.\n"}},
      {steric({"-bestFit", "-jack", "-map", "5", "-pdb", kPdb, "-inD", unweighted}), 1,
       {"korim: 0 usable couplings are too few to fit an order matrix (5 or more).\n",
        "Matrix: error in best-fit of data.\n"}},
      {steric({"-anDc", "-sub", "-inD1", kCouplings}), 1,
       {"korim: no coupling table given (-inD2).\n", "Matrix: error in comparison of order matrices.\n"}},
      {steric({"-anA", "-inS1", "1e-3", "-4e-4", "0", "0", "0"}), 1,
       {"korim: order matrix 2 (-inS2) is zero; it has no frame to compare.\n",
        "Matrix: error in comparison of order matrices.\n"}},
      {steric({"-pdb", kPdb, "-inD", kCouplings, "-pdbRot", "no_such_dir/rot.pdb"}), -1,
       {"PDB Error opening PDB file no_such_dir/rot.pdb\n", "matrix: error in writePDBRot.\n"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    RunResult r = runKorim(c.args, d);
    const std::string what = c.messages.back();
    if (c.status < 0)
      EXPECT_NE(r.status, 0) << what;
    else
      EXPECT_EQ(r.status, c.status) << what;
    std::vector<std::string> want = c.messages;
    want.push_back(kMemoryLine);
    EXPECT_TRUE(inOrder(r.err, want)) << what;
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << what;
    EXPECT_FALSE(fileExists(d / "out.tab")) << what;
    EXPECT_FALSE(fileExists(d / "r.pdb.0")) << what;
  }
}

TEST(FailingRun, RodNeedsNoBicelles) {
  // The concentration that refuses the wall above is fine for phage rods.
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-pf1", "-wv", "0.01"}), d);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(readTable(d / "out.tab").hasLine("DATA KORIM LC_TYPE              rod"));
}

TEST(FailingRun, UnwritableResultTableFallsBackToStandardOutput) {
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inD", kCouplings, "-outD", "no_such_dir/out.tab"}), d);
  // The table is not lost: the writer reports the file and writes the table to stdout.
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("DC Error opening output file no_such_dir/out.tab\n"), std::string::npos);
  EXPECT_TRUE(inOrder(r.out, {"\nDATA KORIM_MODE STERIC\n", "VARS    RESID_I"}));
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
}

TEST(ExtremeOptionValues, ResidueRangeAndOffsetAtTheEndsOfInt) {
  // Range ends and atom offsets at the limits of int are ordinary (if odd) requests: the run
  // must neither overflow nor fail. The widest range keeps all 63 couplings; an offset that
  // moves every residue number beyond the int range maps none of them.
  struct Limit {
    std::vector<std::string> args;
    std::string selected;
  };
  const std::vector<Limit> limits = {
      {{"-s1", "-2147483648", "-sN", "2147483647"}, "REMARK 63 couplings selected (inclusive max).\n"},
      {{"-a1", "2147483647"}, "REMARK 0 couplings selected (inclusive max).\n"},
      {{"-a1", "2147483647", "-s1", "-99999"}, "REMARK 0 couplings selected (inclusive max).\n"},
  };
  for (const Limit& l : limits) {
    std::vector<std::string> args = {"-pdb", kPdb, "-inD", kCouplings};
    args.insert(args.end(), l.args.begin(), l.args.end());
    TempDir d;
    RunResult r = runKorim(steric(args), d);
    std::string what;
    for (const std::string& a : l.args) what += a + " ";
    EXPECT_EQ(r.status, 0) << what << "\n" << r.err.substr(0, 600);
    EXPECT_NE(r.out.find(l.selected), std::string::npos) << what << "\n" << r.out.substr(0, 400);
    EXPECT_TRUE(fileExists(d / "out.tab")) << what;
  }
}

TEST(ExtremeOptionValues, NumbersThatAreNotFiniteAreRefused) {
  // "nan", "inf" and values beyond single precision would run through the whole prediction into
  // a table of not-a-number values reported as a result: each option is named and the run fails.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-lcS", "nan"}, "KORIM Error: option -lcS value nan must be a finite number.\n"},
      {{"-wv", "1e39"}, "KORIM Error: option -wv value 1e39 must be a finite number.\n"},
      {{"-pH", "-inf"}, "KORIM Error: option -pH value -inf must be a finite number.\n"},
      {{"-da", "NAN"}, "KORIM Error: option -da value NAN must be a finite number.\n"},
      {{"-cut", "inf"}, "KORIM Error: option -cut values must be finite numbers.\n"},
      {{"-w", "1", "nan", "2"}, "KORIM Error: option -w values must be finite numbers.\n"},
      {{"-saupe", "1e-4", "0", "0", "0", "infinity"}, "KORIM Error: option -saupe values must be finite numbers.\n"},
  };
  for (const auto& [extra, message] : cases) {
    std::vector<std::string> args = {"-pdb", kPdb, "-inD", kCouplings};
    args.insert(args.end(), extra.begin(), extra.end());
    TempDir d;
    RunResult r = runKorim(steric(args), d);
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_TRUE(inOrder(r.err, {message, "KORIM Error extracting command-line arguments.\n", kMemoryLine}))
        << message << r.err.substr(0, 600);
    EXPECT_FALSE(fileExists(d / "out.tab")) << message;
  }
  // Finite values at the edge of single precision still run.
  TempDir d;
  RunResult r = runKorim(steric({"-pdb", kPdb, "-inD", kCouplings, "-lcS", "0.8", "-pH", "-1e38"}), d);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fileExists(d / "out.tab"));
}

TEST(FailingRun, ResultTableThatCannotBeWrittenFailsTheRun) {
  // /dev/full opens but refuses every write: the table is lost, so the run must not pass.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this system";
  const std::vector<std::vector<std::string>> modes = {
      {"-stKorim", "-dot", "30"}, {"-bestFit", "-single"}};
  for (const auto& mode : modes) {
    std::vector<std::string> args = {"-outD", "/dev/full"};
    args.insert(args.end(), mode.begin(), mode.end());
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings});
    TempDir d;
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << mode[0];
    EXPECT_TRUE(inOrder(r.err, {"DC Error writing output file /dev/full\n",
                                "korim: error in writeDCmod.\n", kMemoryLine}))
        << mode[0] << r.err.substr(r.err.size() > 600 ? r.err.size() - 600 : 0);
  }
  // The structure analysis record (-outP) likewise.
  TempDir d;
  RunResult r = runKorim({"-anPdb", "-pdb", kPdb, "-outP", "/dev/full"}, d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"KORIM Error writing output file /dev/full\n", kMemoryLine})) << r.err;
}
