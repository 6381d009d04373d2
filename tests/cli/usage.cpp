// The program without arguments and with -help, and a refused option value: banner, usage text,
// messages, memory-status line last, exit statuses; the defaults the usage text shows are those of
// the runs; the allocation trace of debug level 2.
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

namespace {

// The bracketed default shown for option in the usage text's section whose heading holds
// section; empty when the option shows none.
std::string shownDefault(const std::string& usage, const std::string& section, const std::string& option) {
  bool inside = false;
  for (const std::string& l : lines(usage)) {
    if (l.rfind("ARGUMENTS FOR", 0) == 0 || l.rfind("COMMOM ARGUMENTS", 0) == 0) {
      inside = l.find(section) != std::string::npos;
      continue;
    }
    std::stringstream words(l);
    std::string first;
    if (!inside || !(words >> first) || first != option) continue;
    const size_t open = l.find('['), close = l.find(']', open);
    return open == std::string::npos || close == std::string::npos ? "" : l.substr(open + 1, close - open - 1);
  }
  return "";
}

// What a run gives: its status, standard output and result files (removed after reading).
std::string outcome(const std::vector<std::string>& args, const std::vector<std::string>& files,
                    const TempDir& d) {
  const RunResult r = runKorim(args, d);
  std::string all = std::to_string(r.status) + "\n" + r.out;
  for (const std::string& f : files) {
    all += "== " + f + "\n" + readFile(d / f);
    std::remove((d / f).c_str());
  }
  return all;
}

}  // namespace

// Each numeric default the usage text shows, typed, gives the run it gives untyped; a residue
// range shows none, and typing the table's own range (couplings of residues 2 to 71) changes
// nothing either.
TEST(Usage, EachDefaultShownIsTheDefaultOfTheRun) {
  TempDir d;
  const std::string usage = runKorim({"-help"}, d).err;
  struct Group {
    std::string section;
    std::vector<std::string> run, files, options;
    std::vector<std::pair<std::string, std::string>> ranges = {};  // option, the table's end
  };
  const std::vector<std::pair<std::string, std::string>> tableRange = {{"-s1", "2"}, {"-sN", "71"}, {"-a1", "2"}};
  const std::vector<std::string> onExample = {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Group groups[] = {
      {"STERIC KORIM", with({"-stKorim", "-dot", "30"}, onExample), {"out.tab"},
       {"-wv", "-rM", "-lcS", "-rA", "-dGrid", "-digPsi", "-id"}, tableRange},
      {"ELECTROSTATIC KORIM", with({"-elKorim", "-dot", "30"}, onExample), {"out.tab"},
       {"-vol", "-mwLC", "-massLC", "-unitLC", "-polyLC", "-pH", "-nacl", "-chSurf", "-maxPot", "-kEne", "-kPot",
        "-kMono", "-kDipo", "-kQuad", "-temp"}},
      {"BEST-FIT", with({"-bestFit", "-mcDc", "-map", "5"}, onExample), {"out.tab"},
       {"-kAdjustMc", "-nAdjustMc", "-fracAdjustMc", "-kLAdjustMc", "-incAdjustMc"}, tableRange},
      {"BEST-FIT", with({"-bestFit", "-jack", "-map", "5"}, onExample), {"out.tab"}, {"-dFrac"}},
      {"STRUCTURAL NOISE", {"-struc", "-pdb", kPdb, "-inD", kCouplings, "-pdbRot", "r.pdb"}, {"r.pdb"},
       {"-stdCone", "-digCone", "-idum"}, tableRange},
      {"ANALYSIS OF ORDER MATRIX",
       {"-anA", "-inS1", "1e-4", "2e-4", "0", "0", "0", "-inS2", "2e-4", "1e-4", "3e-5", "0", "0", "-outA", "out.tab"},
       {"out.tab"}, {"-c1", "-c2"}},
      {"ANALYSIS OF DIPOLAR COUPLINGS",
       {"-anDc", "-inD1", kCouplings, "-inD2", kCouplings, "-outD", "out.tab"}, {"out.tab"}, {"-c1", "-c2"},
       {{"-s1", "2"}, {"-sN", "71"}}},
      {"ANALYSIS OF PDB FILE",
       {"-anPdb", "-el", "-pdb", kPdb, "-inS", "1e-4", "2e-4", "0", "0", "0", "-outP", "out.tab"}, {"out.tab"},
       {"-pH", "-kMono", "-kDipo", "-kQuad"}},
      {"HISTOGRAM", {"-daHist", "-inD", kCouplings, "-outD", "out.tab"}, {"out.tab"},
       {"-bin", "-nFit", "-sdevDzz", "-sdevDyy", "-daLo", "-daHi", "-rhLo", "-rhHi"}},
      {"CONVERSION", {"-conv", "-xplor", "-inD", kCouplings, "-outD", "out.tab"}, {"out.tab"}, {"-tensID"}},
      {"NOT LISTED ABOVE", {"-daFlex", "-inD", kCouplings, "-outD", "out.tab", "-outSc", "out.sc"},
       {"out.tab", "out.sc"}, {"-nRun", "-nSel"}},
      {"NOT LISTED ABOVE", with({"-stKorim", "-dot", "30"}, onExample), {"out.tab"},
       {"-pRatio", "-rim", "-lM", "-rimDisc", "-kAtt", "-dbg"}},
  };
  for (const Group& g : groups) {
    const std::string plain = outcome(g.run, g.files, d);
    for (const std::string& option : g.options) {
      const std::string shown = shownDefault(usage, g.section, option);
      char* end = nullptr;
      std::strtod(shown.c_str(), &end);
      if (shown.empty() || *end != '\0') {
        ADD_FAILURE() << g.section << ": " << option << " shows no number: [" << shown << "]";
        continue;
      }
      EXPECT_TRUE(outcome(with(g.run, {option, shown}), g.files, d) == plain)
          << g.section << ": " << option << " " << shown;
    }
    for (const auto& [option, end] : g.ranges) {
      EXPECT_EQ(shownDefault(usage, g.section, option), "none") << g.section << ": " << option;
      EXPECT_TRUE(outcome(with(g.run, {option, end}), g.files, d) == plain)
          << g.section << ": " << option << " " << end;
    }
  }
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
