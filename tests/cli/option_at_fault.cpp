// Refusals caused by one option name it with its value; every option they advise, followed, runs.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// The run with the value of option put in place of the one it gives (as the advice words it).
std::vector<std::string> replaced(std::vector<std::string> args, const std::string& option, const std::string& value) {
  const auto at = std::find(args.begin(), args.end(), option);
  if (at == args.end() || at + 1 == args.end()) return plus(args, {option, value});
  *(at + 1) = value;
  return args;
}

}  // namespace

TEST(OptionAtFault, EachRefusalNamesItsOptionAndItsAdviceRuns) {
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> charged = {"-elKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb,
                                            "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> lysines = {
      "-bestFit", "-exhaustSel", "-pdb", kPdb, "-inD", examples("ubiquitin_lys_unassigned.tab"), "-outD", "x.tab",
      "-fixRes", "2", "3", "4", "5", "7", "8", "10", "12", "13", "14", "15", "16", "17", "18", "20", "21", "22",
      "23", "25", "26", "28", "30", "31", "32", "34", "35", "36", "39", "40", "41", "42", "43", "44", "45", "46",
      "47", "49", "50", "51", "52", "54", "55", "56", "57", "58", "59", "60", "61", "62", "64", "65", "66", "67",
      "68", "69", "70", "71"};
  const std::string selection = "PDB Error: no atom selected; the selection ";
  const std::string dense = "Alignment: medium too dense for the molecule at -dGrid 1000: a step of 1000 Angstrom is "
                            "longer than the ";
  const std::string subset = "KORIM Error: option -nSel value ";
  const std::string subsetRange = " must lie from 2 to 6 for -bestFit -exhaustSel on this table of 6 unassigned "
                                  "peaks (the peaks of the subset searched: at least 2, and at most the table's "
                                  "unassigned peaks).\n";
  const struct {
    std::vector<std::string> run;
    std::vector<std::string> says;                         // in order on stderr
    std::vector<std::pair<std::string, std::string>> follow;  // each advised value, followed alone
  } cases[] = {
      {plus(steric, {"-chain", "Z"}), {selection + "-chain Z matches no atom of the structure (its chains: A).\n"}, {}},
      {plus(steric, {"-atom", "XX"}), {selection + "-atom XX matches no atom of the structure.\n"}, {}},
      {plus(steric, {"-resName", "XXX"}), {selection + "-resName XXX matches no atom of the structure.\n"}, {}},
      {plus(steric, {"-seg", "X"}), {selection + "-seg X matches no atom of the structure (its segments: unnamed).\n"}, {}},
      {plus(steric, {"-res", "999"}), {selection + "-res 999 matches no atom of the structure (its residues: 1 to 76).\n"}, {}},
      {plus(steric, {"-dGrid", "1000"}),
       {"steric" + dense, " Angstrom the walls leave it, so no position of the molecule is free; no alignment computed.\n",
        "stericAlignment: the default step, -dGrid 0.2 in place of -dGrid 1000, leaves the molecule free positions "
        "between the walls.\n"},
       {{"-dGrid", "0.2"}}},
      {plus(steric, {"-pf1", "-dGrid", "1000"}),
       {"steric" + dense + "147.524 Angstrom the rods leave it", "-dGrid 0.2 in place of -dGrid 1000"},
       {{"-dGrid", "0.2"}}},
      {plus(charged, {"-kEne", "1e30"}),
       {"sma: no finite average of the allowed states (summed weight inf) with the energy scales -kEne 1e30; the "
        "molecule does not fit the wall medium or its charges are too strong at these scales. No alignment computed.\n"},
       {}},
      {{"-daHist", "-inD", kCouplings, "-outD", "x.tab", "-sdevDzz", "1e30"},
       {"Error: The fullest bin is no Dxx: ", "; Dzz and Dyy are the extreme couplings taken in by -sdevDzz 1e30 and "
                                              "-sdevDyy 0.9 times the mean error.\n",
        "-nFit 2 answers"},
       {{"-nFit", "2"}}},
      {plus(steric, {"-rM", "0"}),
       {"refine_bicelle: -rM 0, the half thickness of the bicelle in Angstrom, with concentration 0.05 gives no bicelle "
        "geometry (length 0, cell 0 Angstrom); the wall needs a thickness above 0: the default, -rM 20 in place of "
        "-rM 0, gives one.\n"},
       {{"-rM", "20"}}},
      {plus(steric, {"-pf1", "-rM", "0"}), {"stericAlignment: rod radius -rM 0 must be positive (Angstrom).\n"}, {}},
      // Walls too thin to leave the molecule room: the thickness, not the concentration, is named (-rM 2 fits).
      {plus(steric, {"-rM", "1"}),
       {"stericAlignment: the molecule does not fit between the walls: ",
        "stericAlignment: -rM 1 is the bicelle's half thickness in Angstrom; the walls stand apart in proportion to "
        "it, and the default, -rM 20 in place of -rM 1, leaves the molecule room between them.\n"},
       {{"-rM", "20"}, {"-rM", "2"}}},
      // The subset sizes that run on the six lysine peaks: the ends of the range, and their neighbours refused.
      {plus(lysines, {"-nSel", "1"}), {subset + "1" + subsetRange}, {{"-nSel", "2"}, {"-nSel", "6"}}},
      {plus(lysines, {"-nSel", "7"}), {subset + "7" + subsetRange}, {}},
      {plus(lysines, {"-nSel", "0"}), {subset + "0" + subsetRange}, {}},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string what = c.run[0] + " " + c.run[c.run.size() - 2] + " " + c.run.back();
    const RunResult r = runKorim(c.run, d);
    EXPECT_EQ(r.status, 1) << what << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, c.says)) << what << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "x.tab")) << what;
    for (const auto& [option, value] : c.follow) {
      const RunResult followed = runKorim(replaced(c.run, option, value), d);
      EXPECT_EQ(followed.status, 0) << what << ", followed: " << option << " " << value << "\n" << followed.err;
      EXPECT_TRUE(fileExists(d / "x.tab")) << what << ", followed: " << option << " " << value;
      std::remove((d / "x.tab").c_str());
    }
  }
}
