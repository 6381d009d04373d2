// The program without arguments and with -help, and a refused option value: banner, usage text,
// messages, memory-status line last, exit statuses; the allocation trace of debug level 2.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

TEST(Usage, NoArgumentsOrHelpPrintUsageAndFail) {
  TempDir d;
  // The banner: lines of 74, 73, 75 and 2 characters; the whole usage text (its golden file).
  const std::string dashes(68, '-');
  const std::string banner = "\n\n *" + dashes + "* \n |" + std::string(15, ' ') + "KORIM" + std::string(48, ' ') +
                             "| \n *" + dashes + "*\n\n \n\n";
  const std::string want = banner + readFile(testData("golden/usage.txt")) +
                           "KORIM Error extracting command-line arguments.\n" + kMemoryLine;
  // -help anywhere wins: nothing of the run is done.
  for (const auto& args : {std::vector<std::string>{}, {"-stKorim", "-pdb", kPdb, "-help", "-outD", "x.tab"}}) {
    const RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(want, 0), 0u);
    EXPECT_TRUE(endsWithMemoryStatus(r.err));
  }
  EXPECT_FALSE(fileExists(d / "x.tab"));
}

TEST(Usage, RefusedValueEndsTheRunBeforeAnyInput) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-dot", "200000"}, d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"-dot", "KORIM Error extracting command-line arguments.\n", kMemoryLine}));
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  EXPECT_EQ(r.err.find(" Atoms, Residues "), std::string::npos) << "the structure was read";
}

TEST(Modes, DebugLevelTwoTracesTheAllocations) {
  // Debug level 2 traces the allocations, the releases after the status line too.
  TempDir d;
  const RunResult traced = runKorim({"-anA", "-dbg", "2"}, d);
  EXPECT_EQ(runKorim({"-anA"}, d).err.find("_MEM"), std::string::npos);
  EXPECT_NE(traced.err.find("_MEM", traced.err.find(kMemoryLine)), std::string::npos);
}
