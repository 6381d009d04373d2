// The program without arguments and with -help, a refused option value and the modes not yet
// offered: banner, usage text, messages, memory-status line last, exit statuses.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

const char* const kHeadings[13] = {
    "ARGUMENTS FOR STERIC KORIM",
    "ARGUMENTS FOR ELECTROSTATIC KORIM",
    "ARGUMENTS FOR FREE FORMAT, STERIC KORIM",
    "ARGUMENTS FOR BEST-FIT (SVD/POWELL)",
    "ARGUMENTS FOR UNASSIGNED BEST-FIT (exhSVD)",
    "ARGUMENTS FOR ADDITiON OF STRUCTURAL NOISE",
    "ARGUMENTS FOR ANALYSIS OF ORDER MATRIX",
    "ARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS",
    "ARGUMENTS FOR ANALYSIS OF PDB FILE",
    "ARGUMENTS FOR Da & R HISTOGRAM DETERMINATION",
    "ARGUMENTS FOR Da & R LIKELIHOOD DETERMINATION",
    "ARGUMENTS FOR CONVERSION OF DIPOLAR COUPLING TABLE",
    "COMMOM ARGUMENTS",
};

// Banner, the whole usage text, the option reader's failure line and the memory line; status 1.
void expectUsageRun(const RunResult& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  // The banner: lines of 74, 73, 75 and 2 characters.
  const std::string dashes(68, '-');
  const std::string banner = "\n\n *" + dashes + "* \n |" + std::string(15, ' ') + "KORIM" +
                             std::string(48, ' ') + "| \n *" + dashes + "*\n\n \n\n";
  ASSERT_EQ(r.err.rfind(banner, 0), 0u) << "the banner opens the run";
  const std::string failure = "KORIM Error extracting command-line arguments.\n";
  const size_t end = r.err.find(failure);
  ASSERT_NE(end, std::string::npos);
  const std::string usage = r.err.substr(banner.size(), end - banner.size());
  // 559 pieces: the title (3 line feeds), the first heading (2), twelve later headings (3 each)
  // and 545 one-line pieces.
  size_t feeds = 0;
  for (char c : usage) feeds += (c == '\n');
  EXPECT_EQ(feeds, 3u + 2u + 12u * 3u + 545u);
  const std::vector<std::string> l = lines(usage);
  ASSERT_GT(l.size(), 5u);
  EXPECT_EQ(l[0], "");
  EXPECT_EQ(l[1].rfind("KORIM ", 0), 0u);
  EXPECT_EQ(l[1].back(), '.');
  EXPECT_EQ(l[2], "");
  EXPECT_EQ(l.back(), " -nofixedDI       Always Use Values from PDB Distances.");
  // The headings in order, each after two empty lines, no colon added.
  size_t next = 0;
  for (size_t i = 2; i < l.size(); i++)
    if (next < 13 && l[i] == kHeadings[next]) {
      EXPECT_EQ(l[i - 1] + l[i - 2], "") << l[i];
      next++;
    }
  EXPECT_EQ(next, 13u);
  EXPECT_EQ(r.err.substr(end + failure.size()).rfind(kMemoryLine, 0), 0u);
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
      {"-stKorimFree"}, {"-stKorimGrid"}, {"-anDc"},
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
    EXPECT_FALSE(fileExists(d / "out.tab") || fileExists(d / "rot.pdb.0")) << c.back();
  }
  // Debug level 2 traces the allocations, the releases after the status line too.
  RunResult traced = runKorim({"-anA", "-dbg", "2"}, d);
  EXPECT_EQ(runKorim({"-anA"}, d).err.find("_MEM"), std::string::npos);
  EXPECT_NE(traced.err.find("_MEM", traced.err.find(kMemoryLine)), std::string::npos);
}
