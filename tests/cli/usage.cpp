// The program without arguments and with -help, a refused option value, the modes not yet
// offered and the allocation trace: messages, memory-status line last, exit statuses.
#include "tests/cli/cli_util.h"

using namespace korim_cli;

namespace {

// Banner, usage text, the option reader's failure line and the memory line; status 1.
void expectUsageRun(const RunResult& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  const std::string dashes(68, '-');
  const std::string banner = "\n\n *" + dashes + "* \n |" + std::string(15, ' ') + "KORIM" +
                             std::string(48, ' ') + "| \n *" + dashes + "*\n\n \n\n";
  ASSERT_EQ(r.err.rfind(banner, 0), 0u) << "the banner opens the run";
  inOrder(r.err, {"\nARGUMENTS FOR STERIC KORIM\n", " -pdb     pName    [None]    PDB Input (Required).\n",
                  "\nCOMMOM ARGUMENTS\n",
                  " -nofixedDI       Always Use Values from PDB Distances.\n"
                  "KORIM Error extracting command-line arguments.\n",
                  kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
}

}  // namespace

TEST(Usage, NoArgumentsOrHelpPrintUsageAndFail) {
  TempDir d;
  expectUsageRun(runKorim({}, d));
  // -help anywhere wins: nothing of the run is done.
  expectUsageRun(runKorim({"-stKorim", "-pdb", kPdb, "-help", "-outD", "x.tab"}, d));
  EXPECT_FALSE(fileExists(d / "x.tab"));
}

TEST(Usage, RefusedValueEndsTheRunBeforeAnyInput) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-dot", "200000"}, d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"-dot", "KORIM Error extracting command-line arguments.\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.find(" Atoms, Residues "), std::string::npos) << "the structure was read";
}

TEST(Modes, ModesOfLaterSubsystemsAreRefused) {
  TempDir d;
  const std::vector<std::vector<std::string>> cases = {
      {"-stKorimFree"}, {"-stKorimGrid"}, {"-daHist"}, {"-daMl"}, {"-daFlex"}, {"-anDc"},
      {"-anA"}, {"-anPdb"}, {"-struc"}, {"-conv"}, {"-bestFit", "-jack"}, {"-bestFit", "-mcDc"},
      {"-bestFit", "-mcStruc"}, {"-bestFit", "-rand"}, {"-bestFit", "-exhaust"},
      {"-bestFit", "-exhaustSel"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c;
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "rot.pdb"});
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << c.back();
    inOrder(r.err, {"korim: this mode is not available yet.\n", kMemoryLine});
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << c.back();
    EXPECT_FALSE(fileExists(d / "out.tab")) << c.back();
    EXPECT_FALSE(fileExists(d / "rot.pdb.0")) << c.back();
  }
}

TEST(Modes, DebugLevelTwoTracesAllocations) {
  TempDir d;
  RunResult quiet = runKorim({"-anA"}, d);
  RunResult traced = runKorim({"-anA", "-dbg", "2"}, d);
  EXPECT_EQ(quiet.err.find("_MEM"), std::string::npos);
  EXPECT_NE(traced.err.find("_MEM"), std::string::npos);
  // The status line is written before the releases, which are traced after it.
  EXPECT_NE(traced.err.find("_MEM", traced.err.find(kMemoryLine)), std::string::npos);
  EXPECT_EQ(traced.status, 1);
}
