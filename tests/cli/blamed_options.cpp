// Refusals name the cause the user gave (the rod's radius, a structure's own extent, the offset,
// the range or the weights that left the couplings few), and their advice, followed, runs; what is
// said goes where the run says it goes.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// The run without option and the value words after it.
std::vector<std::string> without(std::vector<std::string> args, const std::string& option) {
  auto at = std::find(args.begin(), args.end(), option);
  if (at == args.end()) return args;
  auto end = at + 1;
  while (end != args.end() && !((*end)[0] == '-' && !std::isdigit(static_cast<unsigned char>((*end)[1])))) ++end;
  args.erase(at, end);
  return args;
}

// The example structure with atom 601 (CG PRO 38, line 601) written at x 9999.999, into dir.
std::string writeFarStructure(const TempDir& dir) {
  std::string text;
  for (std::string l : lines(readFile(kPdb))) {
    if (l.rfind("ATOM    601 ", 0) == 0) l.replace(30, 8, "9999.999");
    text += l + "\n";
  }
  return writeFile(dir / "far.pdb", text);
}

}  // namespace

TEST(BlamedOptions, EachRefusalNamesTheCauseGivenAndItsAdviceRuns) {
  const TempDir data;
  const std::string far = writeFarStructure(data);
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-inD", kCouplings, "-outD", "x.tab", "-pdb"};
  const std::vector<std::string> fit = {"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> hist = {"-daHist", "-nFit", "2", "-inD", kCouplings, "-outD", "x.tab"};
  std::vector<std::string> zeros = {"-s1", "2", "-w"};
  for (int res = 2; res <= 71; res++) zeros.push_back("0");
  const std::string fewer = "korim: 0 usable couplings of " + kCouplings + " are too few to fit an order matrix (5 or more); ";
  const std::string range = "korim: the coupling range ";
  const std::string forDa = " too few to estimate Da and R from their distribution (5 or more); -s1 2 -sN 71 in place of ";
  const std::string weights = "-w gives weight 0 to 63 of the selected couplings, which leaves them out: without -w the "
                              "run keeps 63.\n";
  const std::string reach = "stericAlignment: the structure reaches 9854.52 Angstrom from its centre, beyond the 999.8 "
                            "Angstrom that the 5000 positions of the molecule span at -dGrid 0.2: no concentration (-wv) "
                            "leaves it room, as its own extent does not fit.\n";
  const std::string farAtom = "korim: atom 601 CG PRO 38 (line 601 of " + far + ") lies 9854.5 Angstrom from the centre";
  const struct {
    std::vector<std::string> run;
    std::vector<std::string> says;  // in order on stderr
    std::string notSaid;            // on stderr ("" for nothing)
    std::string advice;             // followed as it reads, or a neighbour of the value that runs ("" for none)
    std::string drop;               // an option whose leaving out the message advises
  } cases[] = {
      // The rod's radius in nm: -rM is named with its unit, and the default fits.
      {plus(steric, {kPdb, "-pf1", "-rM", "3.35"}),
       {"stericAlignment: -rM 3.35 is the rod's radius in Angstrom; the rods stand apart in proportion to it, and the "
        "default, -rM 33.5 in place of -rM 3.35, leaves the molecule room between them.\n"},
       "-wv 0.05 is", "-rM 33.5 in place of -rM 3.35", ""},
      // Its neighbours: the thickest rod that leaves no room names -rM too, the next tenth fits.
      {plus(steric, {kPdb, "-pf1", "-rM", "5.5"}), {"-rM 5.5 is the rod's radius", "-rM 33.5 in place of -rM 5.5"},
       "-wv 0.05 is", "-rM 5.6 in place of -rM 5.5", ""},
      // Five per cent typed as 5: a lower concentration does answer.
      {plus(steric, {kPdb, "-wv", "5"}), {"stericAlignment: -wv 5 is the medium's concentration"}, "", "-wv 0.05", ""},
      // One atom 9900 A from the rest fits no room of any concentration: the structure and its atom are named.
      {plus(steric, {far}), {reach, farAtom, "korim: the other 1230 atoms lie within "}, "-wv 0.05 is", "", ""},
      {plus(steric, {far, "-pf1"}), {reach, farAtom}, "-wv 0.05 is", "", ""},
      // At a coarser step the positions would span it, but no concentration that forms bicelles
      // stands the walls so far apart (20 A / 0.0101691 w/v, less the closest approach of 20 A).
      {plus(steric, {far, "-dGrid", "2"}),
       {"stericAlignment: the structure reaches 9854.52 Angstrom from its centre, beyond the 1946.74 Angstrom that the "
        "walls leave it at any concentration that forms bicelles: no concentration (-wv) leaves it room, as its own "
        "extent does not fit.\n",
        farAtom},
       "-wv 0.05 is", "", ""},
      // The offset, not the range, maps no coupling: -a1 is named, and its mend runs.
      {plus(fit, {"-a1", "-100", "-s1", "2"}),
       {fewer + "-a1 -100 with -s1 2 maps the table's residue r on the structure's r - 102, yet the table's own numbers "
                "are the structure's: at them 63 of 63 rows map and their names agree; -a1 2 in place of -a1 -100 (as "
                "-s1) maps them so.\n"},
       "-s1 2 -sN 71", "-a1 2 in place of -a1 -100", ""},
      // Ranges that keep too few rows for the distribution.
      {plus(hist, {"-sN", "1"}), {range + "-sN 1 keeps 1 usable coupling of " + kCouplings, forDa + "-sN 1, "}, "",
       "-s1 2 -sN 71 in place of -sN 1", ""},
      {plus(hist, {"-s1", "70"}), {range + "-s1 70 keeps 2 usable couplings", forDa + "-s1 70, "}, "",
       "-s1 2 -sN 71 in place of -s1 70", ""},
      {plus(hist, {"-s1", "71"}), {range + "-s1 71 keeps 1 usable coupling", forDa + "-s1 71, "}, "",
       "-s1 2 -sN 71 in place of -s1 71", ""},
      {plus(hist, {"-sN", "-1"}), {range + "-sN -1 keeps 1 usable coupling", forDa + "-sN -1, "}, "",
       "-s1 2 -sN 71 in place of -sN -1", ""},
      // Weights of 0 for every residue: -w is named, whatever the fit.
      {plus(fit, zeros), {fewer + weights}, "coupling range", "", "-w"},
      {plus(plus(fit, {"-jack", "-map", "10"}), zeros), {fewer + weights}, "-dFrac", "", "-w"},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string what = c.run[0] + " ... " + c.run[c.run.size() - 2] + " " + c.run.back();
    const RunResult r = runKorim(c.run, d);
    EXPECT_EQ(r.status, 1) << what << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, c.says)) << what << "\n" << r.err;
    EXPECT_TRUE(c.notSaid.empty() || r.err.find(c.notSaid) == std::string::npos) << what << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "x.tab")) << what;
    if (c.advice.empty() && c.drop.empty()) continue;
    const RunResult followed = runKorim(c.drop.empty() ? followAdvice(c.run, c.advice) : without(c.run, c.drop), d);
    EXPECT_EQ(followed.status, 0) << what << ", followed: " << c.advice << c.drop << "\n" << followed.err;
    EXPECT_TRUE(fileExists(d / "x.tab")) << what << ", followed: " << c.advice << c.drop;
  }
}

// A refused assignment search says nothing of a search on stdout; the one its advice runs does.
// The error-bar search of -mcDc shows its progress on stderr, its answer on stdout.
TEST(BlamedOptions, WhatIsSaidGoesWhereTheRunSaysIt) {
  std::vector<std::string> lysines = {"-bestFit", "-exhaust", "-pdb", kPdb, "-inD",
                                      examples("ubiquitin_lys_unassigned.tab"), "-outD", "x.tab", "-fixRes"};
  for (int res = 2; res <= 71; res++)  // every residue but the lysines
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
      lysines.push_back(std::to_string(res));
  const std::string peak = "REMARK Peak 6 11 27 29 33 48 exhaustively searched.\n";
  TempDir d;
  const RunResult refused = runKorim(plus(lysines, {"-lDa", "3", "-hDa", "25"}), d);
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_TRUE(inOrder(refused.err, {"-lDa -20 -hDa 25 in place of -lDa 3 hold a tensor the couplings allow; the search "
                                    "has not run.\n"}))
      << refused.err;
  EXPECT_EQ(refused.out.find("REMARK Peak"), std::string::npos) << refused.out;
  const RunResult searched = runKorim(plus(lysines, {"-lDa", "-20", "-hDa", "25"}), d);
  EXPECT_EQ(searched.status, 0) << searched.err;
  EXPECT_TRUE(inOrder(searched.out, {"REMARK 57 couplings fixed in total.\n", peak})) << searched.out;

  const RunResult mc = runKorim({"-bestFit", "-mcDc", "-map", "5", "-nAdjustMc", "20", "-pdb", kPdb, "-inD", kCouplings,
                                 "-outD", "x.tab"},
                                d);
  EXPECT_EQ(mc.status, 0) << mc.err;
  EXPECT_TRUE(inOrder(mc.err, {"REMARK DC Error Scaling factor 1.0\r", "\n"})) << mc.err;
  EXPECT_EQ(mc.out.find("Error Scaling factor"), std::string::npos) << mc.out;
  EXPECT_TRUE(inOrder(mc.out, {"REMARK Adjusting DC error bars ...\n", "REMARK DC error bars automatically adjusted by "
                                                                       "factor of "}))
      << mc.out;
}
