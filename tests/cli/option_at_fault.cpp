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

// The example table with errors DD of 0.01 Hz, written into dir as fine.tab: bins of twice that
// need more than a histogram holds.
void writeFineTable(const TempDir& dir) {
  std::string fine;
  for (const std::string& l : lines(readFile(kCouplings))) {
    std::string row = l;
    if (const size_t at = row.find("     1.000 1.00"); at != std::string::npos) row.replace(at, 15, "     0.010 1.00");
    fine += row + "\n";
  }
  writeFile(dir / "fine.tab", fine);
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

// Messages that named no option, the wrong one or a value never given: each names the option and
// value at fault, and its advice, followed as it reads ("<options> in place of <options>"), runs.
TEST(OptionAtFault, TheOptionAtFaultIsNamedAndItsAdviceFollowedRuns) {
  const std::vector<std::string> fit = {"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"};
  std::vector<std::string> lysines = {"-bestFit", "-exhaustSel", "-pdb", kPdb, "-inD",
                                      examples("ubiquitin_lys_unassigned.tab"), "-outD", "x.tab", "-fixRes"};
  for (int res = 2; res <= 71; res++)
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
      lysines.push_back(std::to_string(res));
  const std::string fewRange = "korim: the coupling range ";
  const std::string tooFew = " usable coupling of " + kCouplings + " (residues ";
  const struct {
    std::vector<std::string> run;
    std::vector<std::string> says;  // in order on stderr
    std::string advice;             // the advice followed ("" for none)
    bool quoted = true;             // the message words the advice so (else it names the range it lies in)
  } cases[] = {
      {plus(steric, {"-id", "0"}),
       {"PDB Error: no atom selected; -id 0 marks the atoms the selection chooses with 0, the mark of an atom not "
        "selected; the default, -id 1 in place of -id 0, selects them.\n"},
       "-id 1 in place of -id 0"},
      {plus(steric, {"-res", "5", "-id", "0"}), {"PDB Error: no atom selected; -id 0 marks"}, "-id 1 in place of -id 0"},
      {lysines,
       {"KORIM Error: option -nSel must give the peaks of the subset -bestFit -exhaustSel searches, from 2 to 6 on this "
        "table of 6 unassigned peaks; the run gives no -nSel (-nSel 6 searches subsets of 6).\n"},
       "-nSel 6"},
      // The offset's advice, followed with a -nSel given, runs.
      {plus(lysines, {"-nSel", "6", "-a1", "-100"}), {"-a1 2 in place of -a1 -100 (as -s1) maps them so"},
       "-a1 2 in place of -a1 -100"},
      {plus(fit, {"-jack", "-map", "10", "-sN", "2"}),
       {fewRange + "-sN 2 keeps 1" + tooFew + "2 to 2 of its 2 to 71), too few to fit an order matrix (5 or more); "
                   "-s1 2 -sN 71 in place of -sN 2, the table's own residues, keeps all of its 63 rows.\n"},
       "-s1 2 -sN 71 in place of -sN 2"},
      {plus(fit, {"-mcStruc", "-map", "3", "-s1", "71"}),
       {fewRange + "-s1 71 keeps 1" + tooFew + "71 to 71 of its 2 to 71)", "-s1 2 -sN 71 in place of -s1 71"},
       "-s1 2 -sN 71 in place of -s1 71"},
      {plus(fit, {"-mcDc", "-map", "3", "-s1", "70"}), {fewRange + "-s1 70 keeps 2 usable couplings"},
       "-s1 2 -sN 71 in place of -s1 70"},
      {plus(fit, {"-single", "-s1", "5", "-sN", "7"}), {fewRange + "-s1 5 -sN 7 keeps 3 usable couplings"},
       "-s1 2 -sN 71 in place of -s1 5 -sN 7"},
      // A range with couplings enough for a fit, but not for subsets of a fifth of them: named as the range.
      {plus(fit, {"-jack", "-map", "10", "-sN", "20"}),
       {"KORIM Error: jackknife subsets of 3 of the 17 couplings -sN 20 keeps are too few to fit an order matrix"}, ""},
      {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab", "-temp", "1e-9"},
       {"KORIM Error: option -temp value 1e-9 must lie from 230 to 400 (the temperature in K: no aqueous sample is "
        "liquid below about 230 K or above about 400 K; "},
       ""},
      {{"-daHist", "-inD", kCouplings, "-outD", "x.tab", "-bin", "1000000"},
       {"KORIM Error: option -bin value 1000000 must be 0 (bins of twice the mean error) or 3 to 250 ("}, "-bin 250",
       false},
      {{"-daHist", "-inD", kCouplings, "-outD", "x.tab", "-bin", "251"}, {"option -bin value 251 must be 0"}, "-bin 0",
       false},
      // A selection number invalid in itself, where no structure is read; a whole number runs (unused, as said).
      {{"-conv", "-xplor", "-inD", kCouplings, "-outD", "x.tab", "-res", "nan"},
       {"PDB Error: bad residue number in selection: -res nan (a whole number, or * for every residue)\n",
        "KORIM Error extracting command-line arguments.\n"},
       "-res 5", false},
      {{"-conv", "-xplor", "-inD", kCouplings, "-outD", "x.tab", "-id", "nan"},
       {"KORIM Error: option -id value nan must be an integer.\n"}, "-id 2", false},
      {{"-daHist", "-inD", kCouplings, "-outD", "x.tab", "-r1", "1.5"},
       {"PDB Error: bad residue number in selection: -r1 1.5 "}, "-r1 1", false},
      {{"-daHist", "-inD", "fine.tab", "-outD", "x.tab"},
       {"Error: Too many folders (2260) for histogram: the automatic layout (-bin 0) spans the couplings in bins of "
        "twice their mean error DD*W, 0.02 Hz, and needs 2260; a histogram holds at most 250.\n",
        "-nFit 2 answers with a fit to Dzz and Dyy, which needs no histogram.\n"},
       "-nFit 2"},
      {{"-daFlex", "-inD", "fine.tab", "-outD", "x.tab", "-nRun", "50"},
       {" for histogram: the automatic layout (-bin 0) spans", "       -bin from 3 to 250 sets the count of bins.\n"},
       "-bin 250", false},
  };
  for (const auto& c : cases) {
    TempDir d;
    writeFineTable(d);
    const std::string what = c.run[0] + " " + c.run[c.run.size() - 2] + " " + c.run.back();
    const RunResult r = runKorim(c.run, d);
    EXPECT_EQ(r.status, 1) << what << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, c.says)) << what << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "x.tab")) << what;
    if (c.advice.empty()) continue;
    EXPECT_TRUE(!c.quoted || r.err.find(c.advice) != std::string::npos) << what << "\n" << r.err;
    const RunResult followed = runKorim(followAdvice(c.run, c.advice), d);
    EXPECT_EQ(followed.status, 0) << what << ", followed: " << c.advice << "\n" << followed.err;
    EXPECT_TRUE(fileExists(d / "x.tab")) << what << ", followed: " << c.advice;
  }
}

// The advice after a histogram without a Dxx names what -nFit 2 answers, as the table of the run
// that follows it holds.
TEST(OptionAtFault, TheTwoPointAdviceNamesWhatItsRunAnswers) {
  const std::vector<std::string> runs[] = {{"-daHist", "-inD", kCouplings, "-outD", "x.tab", "-sdevDzz", "1e30"},
                                           {"-daHist", "-inD", "fine.tab", "-outD", "x.tab", "-bin", "250"}};
  for (const std::vector<std::string>& run : runs) {
    TempDir d;
    writeFineTable(d);
    const RunResult r = runKorim(run, d);
    ASSERT_EQ(r.status, 1) << r.err;
    const size_t at = r.err.find("-nFit 2 answers with a fit to Dzz ");
    ASSERT_NE(at, std::string::npos) << r.err;
    double dzz = 0, dyy = 0, da = 0, rh = 0;
    ASSERT_EQ(std::sscanf(r.err.c_str() + at, "-nFit 2 answers with a fit to Dzz %lf and Dyy %lf Hz as this run takes "
                                              "them in: Da %lf Hz, R %lf", &dzz, &dyy, &da, &rh), 4) << r.err;
    ASSERT_EQ(runKorim(followAdvice(run, "-nFit 2"), d).status, 0);
    const Table t = readTable(d / "x.tab");
    const std::vector<double> principal = numbersAfter(t.lines, "REMARK DATA Dzz_Dyy_Dxx ");
    ASSERT_EQ(principal.size(), 3u);
    EXPECT_NEAR(principal[0], dzz, 1e-3);
    EXPECT_NEAR(principal[1], dyy, 1e-3);
    EXPECT_NEAR(numbersAfter(t.lines, "REMARK DATA Da ")[0], da, 1e-3);
    EXPECT_NEAR(numbersAfter(t.lines, "REMARK DATA R ")[0], rh, 1e-3);
  }
}
