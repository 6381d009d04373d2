// The program without arguments and with -help, a refused option value and the modes not yet
// offered: banner, usage text, messages, memory-status line last, exit statuses.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Banner, the whole usage text (its golden file), the option reader's failure line and the memory
// line; status 1.
void expectUsageRun(const RunResult& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  // The banner: lines of 74, 73, 75 and 2 characters.
  const std::string dashes(68, '-');
  const std::string banner = "\n\n *" + dashes + "* \n |" + std::string(15, ' ') + "KORIM" +
                             std::string(48, ' ') + "| \n *" + dashes + "*\n\n \n\n";
  const std::string failure = "KORIM Error extracting command-line arguments.\n";
  EXPECT_EQ(r.err.rfind(banner + readFile(testData("golden/usage.txt")) + failure + kMemoryLine, 0), 0u);
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
  EXPECT_EQ(r.err.find(" Atoms, Residues "), std::string::npos) << "the structure was read";
}

TEST(Modes, ModesOfLaterSubsystemsAreRefused) {
  TempDir d;
  const std::vector<std::vector<std::string>> cases = {
      {"-daHist"}, {"-daMl"}, {"-daFlex"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c;
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "rot.pdb"});
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << c.back();
    inOrder(r.err, {"korim: this mode is not available yet.\n", kMemoryLine});
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << c.back();
    EXPECT_FALSE(fileExists(d / "out.tab") || fileExists(d / "rot.pdb.0")) << c.back();
  }
  // Debug level 2 traces the allocations, the releases after the status line too.
  RunResult traced = runKorim({"-anA", "-dbg", "2"}, d);
  EXPECT_EQ(runKorim({"-anA"}, d).err.find("_MEM"), std::string::npos);
  EXPECT_NE(traced.err.find("_MEM", traced.err.find(kMemoryLine)), std::string::npos);
}
