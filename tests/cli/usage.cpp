// The program without arguments and with -help, option refusals and the modes not yet offered.
#include "tests/cli/cli_util.h"

using namespace korim_cli;

namespace {

const std::string kDashes(68, '-');
// The banner: boxed program name, printed first on every run.
const std::string kBanner = "\n\n *" + kDashes + "* \n |" + std::string(15, ' ') + "KORIM" +
                            std::string(48, ' ') + "| \n *" + kDashes + "*\n\n \n\n";

const char* kHeadings[13] = {
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

// Lines of each section, heading included, in the order above.
const int kSectionLines[13] = {56, 100, 16, 101, 57, 49, 18, 18, 62, 21, 20, 23, 17};

void expectUsageRun(const RunResult& r) {
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ASSERT_EQ(r.err.rfind(kBanner, 0), 0u) << "the banner opens the run";
  const std::string usage = r.err.substr(kBanner.size());
  std::vector<std::string> v = lines(usage);
  // Usage text: leading empty line, title, two empty lines before each of the 13 sections,
  // the sections themselves; then the option reader's failure line and the memory line.
  int sectionTotal = 0;
  for (int n : kSectionLines) sectionTotal += n;
  ASSERT_EQ(static_cast<int>(v.size()), 1 + 1 + 13 * 2 + sectionTotal + 2);
  EXPECT_EQ(v[0], "");
  EXPECT_EQ(v[1].rfind("KORIM ", 0), 0u);
  EXPECT_EQ(v[1].back(), '.');
  int at = 2;
  for (int s = 0; s < 13; s++) {
    EXPECT_EQ(v[at], "");
    EXPECT_EQ(v[at + 1], "");
    EXPECT_EQ(v[at + 2], kHeadings[s]) << "section " << s + 1;
    at += 2 + kSectionLines[s];
  }
  EXPECT_EQ(v[3 + 2 + 1], " -pdb     pName    [None]    PDB Input (Required).");
  EXPECT_EQ(v[v.size() - 4], " -fixedDI         Use Fixed Values When Possible (Default).");
  EXPECT_EQ(v[v.size() - 3], " -nofixedDI       Always Use Values from PDB Distances.");
  EXPECT_EQ(v[v.size() - 2], "KORIM Error extracting command-line arguments.");
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
}

}  // namespace

TEST(Usage, NoArgumentsPrintsBannerUsageAndFails) {
  TempDir d;
  expectUsageRun(runKorim({}, d));
}

TEST(Usage, HelpWinsOverEveryOtherOption) {
  TempDir d;
  RunResult r = runKorim({"-stKorim", "-pdb", kPdb, "-help", "-outD", "x.tab"}, d);
  expectUsageRun(r);
  EXPECT_FALSE(fileExists(d / "x.tab"));
}

// Values that would index past an array, divide by zero or overflow a buffer are refused with a
// message naming the option; the run ends with status 1 and no crash.
TEST(Options, RefusedValuesEndTheRun) {
  TempDir d;
  const std::string longName(300, 'a');
  const std::vector<std::vector<std::string>> cases = {
      {"-dot", "200000"},   {"-digPsi", "0"},      {"-rotID", "7"},  {"-nX", "0"},
      {"-nY", "-4"},        {"-incCone", "0"},     {"-digCone", "0"}, {"-outD", longName},
      {"-pdbRot", longName}, {"-dGrid", "0"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"-stKorim", "-pdb", kPdb, "-inD", kCouplings};
    args.insert(args.end(), c.begin(), c.end());
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << c[0];
    EXPECT_NE(r.err.find(c[0]), std::string::npos) << "message names " << c[0];
    EXPECT_NE(r.err.find("KORIM Error extracting command-line arguments.\n"), std::string::npos);
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << c[0];
    EXPECT_EQ(r.out, "") << "nothing was run for " << c[0];
  }
}

TEST(Options, CountedOptionWithWrongValueCount) {
  TempDir d;
  RunResult r = runKorim({"-anA", "-inS1", "1", "2", "3", "-outA", "a.out"}, d);
  EXPECT_EQ(r.status, 1);
  inOrder(r.err, {"MERIDO Error: -inS1 option requires 5 values.\n",
                  "KORIM Error extracting command-line arguments.\n", kMemoryLine});
  RunResult s = runKorim({"-bestFit", "-saupe", "1", "2", "-pdb", kPdb}, d);
  EXPECT_EQ(s.status, 1);
  EXPECT_NE(s.err.find("MERIDO Error: -saupe option requires 5 values.\n"), std::string::npos);
}

TEST(Modes, ModesOfLaterSubsystemsAreRefused) {
  TempDir d;
  const std::vector<std::vector<std::string>> cases = {
      {"-stKorimFree"},      {"-stKorimGrid"},        {"-daHist"},          {"-daMl"},
      {"-daFlex"},           {"-anDc"},               {"-anA"},             {"-anPdb"},
      {"-struc"},            {"-conv"},               {"-bestFit", "-jack"}, {"-bestFit", "-mcDc"},
      {"-bestFit", "-mcStruc"}, {"-bestFit", "-rand"}, {"-bestFit", "-exhaust"},
      {"-bestFit", "-exhaustSel"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c;
    args.insert(args.end(),
                {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "rot.pdb"});
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << c.back();
    inOrder(r.err, {"korim: this mode is not available yet.\n", kMemoryLine});
    EXPECT_TRUE(endsWithMemoryStatus(r.err));
    EXPECT_FALSE(fileExists(d / "out.tab")) << c.back();
    EXPECT_FALSE(fileExists(d / "rot.pdb.0")) << c.back();
  }
}

TEST(Modes, TraceOfAllocationsWithDebugLevelTwo) {
  TempDir d;
  RunResult quiet = runKorim({"-anA"}, d);
  RunResult traced = runKorim({"-anA", "-dbg", "2"}, d);
  EXPECT_EQ(quiet.err.find("_MEM"), std::string::npos);
  EXPECT_NE(traced.err.find("_MEM"), std::string::npos);
  // With tracing on, the releases after the status line are traced too.
  EXPECT_NE(traced.err.find(kMemoryLine), std::string::npos);
  EXPECT_EQ(traced.status, 1);
}

// Mode flags are tested in a fixed order and the last one present in it wins, wherever the
// words stand on the command line; so are the best-fit variants.
TEST(Modes, FixedTestOrderDecides) {
  TempDir d;
  for (const std::vector<std::string>& flags :
       {std::vector<std::string>{"-bestFit", "-stKorim"}, std::vector<std::string>{"-stKorim", "-bestFit"},
        std::vector<std::string>{"-bestFit", "-elKorim"}, std::vector<std::string>{"-bestFit", "-rand", "-single"}}) {
    std::vector<std::string> args = flags;
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "m.tab"});
    RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << flags[0] << " " << flags[1];
    Table t = readTable(d / "m.tab");
    EXPECT_TRUE(t.hasLine("DATA KORIM_MODE DC")) << flags[0] << " " << flags[1];
    EXPECT_TRUE(t.hasLine("DATA TENSOR_MODE SVD (Order Matrix Method)"));
  }
  // -csSim comes after -bestFit in the order: charges only, no table.
  RunResult cs = runKorim({"-csSim", "-bestFit", "-pdb", kPdb, "-outD", "cs.tab"}, d);
  EXPECT_EQ(cs.status, 0);
  EXPECT_FALSE(fileExists(d / "cs.tab"));
  // -jack is tested after -single.
  RunResult jack = runKorim({"-bestFit", "-jack", "-single", "-pdb", kPdb, "-outD", "j.tab"}, d);
  EXPECT_EQ(jack.status, 1);
  EXPECT_NE(jack.err.find("korim: this mode is not available yet.\n"), std::string::npos);
}
