// Single best fit of the measured ubiquitin couplings: the records and quality of the fit, the
// rotated structures in the principal frame, and an exact fit of five couplings. (The fitted
// tensor itself is checked against an independent solve by UbiquitinSVD.MeasuredCouplingsMapAndFit.)
#include "tests/cli/cli_util.h"
#include "tests/cli/marked_tables.h"

using namespace korim_cli;
using namespace korim_test;

// 1D3Z was refined against these couplings: the order-matrix Q factor is near 0.1 or below. Fitting
// again on each rotated structure gives a diagonal tensor with the same Da and R.
TEST(BestFitSingle, RecordsTheFitAndTurnsIntoThePrincipalFrame) {
  TempDir dir;
  const RunResult r = runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "fit.tab",
                                "-pdbRot", "fit.pdb"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(r.out, {"REMARK 63 couplings selected (inclusive max).\n",
                              "REMARK PDB Selection: All Atoms.\n"}));
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  const Table first = readTable(dir / "fit.tab");
  EXPECT_TRUE(first.hasLine("DATA KORIM_MODE DC") && first.hasLine("DATA TENSOR_MODE SVD (Order Matrix Method)"));
  EXPECT_EQ(first.data("N"), 63.0);
  EXPECT_EQ(first.rows.size(), 63u);
  EXPECT_GT(first.data("Q SAUPE"), 0.02);
  EXPECT_LT(first.data("Q SAUPE"), 0.15);
  for (int k : {0, 3}) {
    const std::string pdb = dir / ("fit.pdb." + std::to_string(k));
    ASSERT_EQ(readPdbAtoms(pdb, true).n(), 1231);
    ASSERT_EQ(runKorim({"-bestFit", "-pdb", pdb, "-inD", kCouplings, "-outD", "again.tab"}, dir).status, 0);
    const Table t = readTable(dir / "again.tab");
    const std::vector<double> s = numbersAfter(t.lines, "DATA SAUPE   ");
    ASSERT_EQ(s.size(), 5u);
    for (int i = 2; i < 5; i++) EXPECT_LT(std::fabs(s[i]), 1e-3 * std::fabs(s[0])) << k;
    EXPECT_NEAR(t.data("Da_HN"), first.data("Da_HN"), 1e-3 * std::fabs(first.data("Da_HN")));
    EXPECT_NEAR(t.data("Rhombicity"), first.data("Rhombicity"), 1e-3);
    EXPECT_NEAR(t.data("Q SAUPE"), first.data("Q SAUPE"), 1.5e-3);
  }
}

TEST(BestFitSingle, FiveCouplingsFitExactly) {
  // Five couplings fix the five Saupe elements: a perfect correlation, which rounding must not
  // carry past 1 into a failing significance.
  TempDir d;
  std::string five;
  int kept = 0;
  for (const std::string& l : lines(readFile(kCouplings)))
    if (l.empty() || l[0] != ' ' || kept++ < 5) five += l + "\n";
  writeFile(d / "five.tab", five);
  RunResult r = runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", "five.tab", "-outD", "fit.tab"}, d);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("Utility Error"), std::string::npos) << r.err;
  const Table t = readTable(d / "fit.tab");
  EXPECT_EQ(t.rows.size(), 5u);
  EXPECT_TRUE(t.hasLine("DATA CORR R               1.000"));
}

// Seven rows of the example that name the amide proton at both ends (H ... H where N ... H was
// meant) have no bond vector: they are named, and the fit and the prediction's statistics are
// those of the table without them (N 56, RMS 1.176 and Q 0.064 of the 56 sound rows alone).
TEST(BestFitSingle, RowsNamingOneAtomTwiceAreNamedAndLeftOut) {
  TempDir d;
  const std::string seven = testData("cli/ubiquitin_nh_seven_hh.tab");
  std::string sound;  // the table without its H ... H rows
  for (const std::string& l : lines(readFile(seven)))
    if (l.size() < 15 || l.compare(10, 5, "    H") != 0) sound += l + "\n";
  writeFile(d / "sound.tab", sound);
  std::vector<std::string> warning = {"DC Warning: 7 couplings name one atom at both ends (no bond vector) and are "
                                      "not used:\n"};
  const int named[][2] = {{4, 5}, {12, 14}, {21, 25}, {30, 34}, {39, 45}, {48, 55}, {59, 67}};  // row, residue
  for (const auto& [row, res] : named)
    warning.push_back("   row " + std::to_string(row) + ": " + std::to_string(res) + " H - " +
                      std::to_string(res) + " H\n");
  auto run = [&](std::vector<std::string> args, const std::string& table) {
    args.insert(args.end(), {"-pdb", kPdb, "-outD", "fit.tab", "-inD", table});
    return runKorim(args, d);
  };
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-stKorim", "-dot", "30"},
                                               std::vector<std::string>{"-bestFit", "-single"}}) {
    const RunResult r = run(mode, seven);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.err, warning)) << r.err;
    EXPECT_TRUE(inOrder(r.out, {"REMARK 56 couplings selected (inclusive max).\n"})) << mode[0];
    const std::string withSeven = readFile(d / "fit.tab");
    ASSERT_EQ(run(mode, "sound.tab").status, 0);
    EXPECT_EQ(withSeven, readFile(d / "fit.tab")) << mode[0];
  }
  const Table fit = readTable(d / "fit.tab");
  EXPECT_EQ(fit.rows.size(), 56u);
  EXPECT_EQ(fit.data("N"), 56.0);
  EXPECT_EQ(fit.data("RMS"), 1.176);
  EXPECT_EQ(fit.data("Q SAUPE"), 0.064);
}

// A held tensor (Da, Dr) whose R = Dr/Da lies outside 0..2/3 is the tensor of the usual form that
// every fit reports: R above 2/3 takes Da' = -Da (2 + 3R) / 4, R' = (4 - 2R) / (2 + 3R), R below 0
// swaps x and y (Dr' = -Dr). The fit says so on stderr and in its table; a tensor in the usual
// form, and one within 2/3 to single precision, get no note.
TEST(BestFitHeldTensor, AHeldTensorOutsideTheUsualFormIsNamedAsTheOneReported) {
  const struct {
    const char *variant, *da, *dr;
    bool noted;
  } runs[] = {{"-single", "5.9e-4", "4e-4", true}, {"-single", "5.9e-4", "-1e-4", true},
              {"-single", "5.9e-4", "3e-4", false}, {"-single", "6e-4", "4e-4", false}, {"-jack", "5.9e-4", "4e-4", true}};
  for (const auto& run : runs) {
    TempDir dir;
    const RunResult r = runKorim({"-bestFit", run.variant, "-map", "3", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                                  "fit.tab", "-da", run.da, "-dr", run.dr}, dir);
    const std::string what = std::string(run.variant) + " -dr " + run.dr;
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    const double da = std::stod(run.da), dr = std::stod(run.dr), rh = dr / da;
    const bool above = rh > 2.0 / 3.0 + 1e-6;  // 2/3 reached in single precision is on it
    const double usualDa = above ? -da * (2 + 3 * rh) / 4 : da;
    const double usualDr = above ? usualDa * (4 - 2 * rh) / (2 + 3 * rh) : std::fabs(dr);
    const Table t = readTable(dir / "fit.tab");
    EXPECT_NEAR(t.data("Da"), usualDa, 1e-2 * std::fabs(da)) << what;  // the error estimates scatter about it
    EXPECT_NEAR(t.data("Dr"), usualDr, 1e-2 * std::fabs(da)) << what;
    char note[300];
    std::snprintf(note, sizeof note, "held Da %+.3e and Dr %+.3e (R %.3f, %s) are the tensor Da %+.3e, Dr %+.3e, R %.3f",
                  da, dr, rh, rh < 0 ? "below 0" : "above 2/3", usualDa, usualDr, usualDr / usualDa);
    EXPECT_EQ(r.err.find(std::string("korim: the ") + note) != std::string::npos, run.noted) << what << "\n" << r.err;
    EXPECT_EQ(readFile(dir / "fit.tab").find(std::string("\nREMARK The ") + note) != std::string::npos, run.noted) << what;
  }
}

// A Da or Dr held by a fit of any variant must lie within its limits as given or by default (-0.01
// to 0.01): one outside them is refused before the work, naming them, and a Da that reads as an N-H
// Da in Hz is named with its value in unit. Following that (-12.8 / 21585.2) holds Da_HN at -12.8
// Hz; values at the limits and within limits the user gives are taken.
TEST(BestFitHeldTensor, AHeldDaOrDrOutsideItsLimitsIsRefused) {
  const std::string inUnit = ": Da is an order parameter without unit; an N-H Da in Hz divided by 21585.2 gives it";
  const std::string limits = " lies outside the limits of Da, -daMin -0.01 to -daMax 0.01" + inUnit;
  const struct {
    std::vector<std::string> args;
    std::string refusal;  // empty: taken
    double daHn;          // Da_HN of the table taken (0: not looked at)
  } runs[] = {
      {{"-single", "-da", "-12.8"}, "-da value -12.8" + limits + " (-12.8 Hz is -0.000593).\n", 0},
      {{"-jack", "-da", "-12.8"}, "-da value -12.8" + limits + " (-12.8 Hz is -0.000593).\n", 0},
      {{"-mcDc", "-dadr", "-da", "1e10"}, "-da value 1e10" + limits + ".\n", 0},
      {{"-mcStruc", "-fixed", "-da", "0.0101"}, "-da value 0.0101" + limits + ".\n", 0},
      {{"-rand", "-da", "-0.0101"}, "-da value -0.0101" + limits + ".\n", 0},
      {{"-exhaust", "-da", "300", "-daMax", "1"}, "-da value 300 lies outside the limits of Da, -daMin -0.01 to "
                                                  "-daMax 1" + inUnit + " (300 Hz is 0.0139).\n", 0},
      {{"-exhaustSel", "-dr", "0.0101"}, "-dr value 0.0101 lies outside the limits of Dr, -drMin -0.01 to -drMax 0.01.\n", 0},
      {{"-single", "-dr", "-0.02", "-drMin", "-0.015"}, "-dr value -0.02 lies outside the limits of Dr, -drMin -0.015 "
                                                        "to -drMax 0.01.\n", 0},
      {{"-mcDc", "-dr", "3"}, "-dr value 3 lies outside the limits of Dr, -drMin -0.01 to -drMax 0.01: Dr is an order "
                              "parameter without unit; an N-H Dr in Hz divided by 21585.2 gives it (3 Hz is 0.000139).\n", 0},
      // Three digits would read back beyond the limit the user gives: the value is named with four.
      {{"-single", "-da", "26.68", "-daMax", "0.0012365"}, "-da value 26.68 lies outside the limits of Da, -daMin "
                                                           "-0.01 to -daMax 0.0012365" + inUnit + " (26.68 Hz is "
                                                           "0.001236).\n", 0},
      {{"-single", "-da", "-0.000593"}, "", -12.8},
      {{"-single", "-da", "0.001236", "-daMax", "0.0012365"}, "", 26.68},
      {{"-single", "-fixed", "-da", "0.01"}, "", 215.852},
      {{"-single", "-dadr", "-da", "-0.01"}, "", -215.852},
      {{"-single", "-da", "0.02", "-daMax", "0.05"}, "", 431.704},
      // A start under -nofixed is no order parameter above 1 in size either (below).
      {{"-single", "-nofixed", "-da", "-12.8"}, "-da value -12.8 must lie between -1 and 1" + inUnit +
                                                " (-12.8 Hz is -0.000593).\n", 0},
      // The held value lies within the -daMin given, outside the default.
      {{"-single", "-da", "-0.02", "-daMin", "-0.05"}, "", -431.704},
      // Limits that meet hold Da at them, not at the default start 0.001 outside them.
      {{"-single", "-nofixed", "-daMin", "-0.0006", "-daMax", "-0.0006"}, "", -12.951},
  };
  for (const auto& run : runs) {
    TempDir dir;
    std::vector<std::string> args = {"-bestFit", "-map", "3", "-pdb", kPdb, "-inD", kCouplings, "-outD", "fit.tab"};
    args.insert(args.end(), run.args.begin(), run.args.end());
    const RunResult r = runKorim(args, dir);
    const std::string what = run.args[0] + " " + run.args[run.args.size() - 1];
    if (!run.refusal.empty()) {
      EXPECT_EQ(r.status, 1) << what;
      EXPECT_TRUE(inOrder(r.err, {"KORIM Error: option " + run.refusal, "KORIM Error extracting command-line "
                                                                        "arguments.\n"}))
          << what << "\n" << r.err;
      EXPECT_FALSE(fileExists(dir / "fit.tab")) << what;
      continue;
    }
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << what << "\n" << r.err;
    if (run.daHn != 0) {
      EXPECT_NEAR(readTable(dir / "fit.tab").data("Da_HN"), run.daHn, 0.05) << what;
    }
  }
}

// Da, Dr and their limits are order parameters: each one above 1 in size is refused in every mode,
// all in one run, named with its value read as an N-H coupling in Hz; a reversed range (as given,
// or against the default) is refused. The limits in Hz that the fit took (-daMin -12 -daMax -8,
// which answered Da_HN -1.7e5) are blamed, not the held -da within them. Limits of 1 in size run
// as no bound, and the values the messages give in unit, followed, bound the fit in Hz.
TEST(BestFitHeldTensor, OrderParametersAboveOneOrAReversedRangeAreRefused) {
  // "option <word> value <v> must lie between -1 and 1: Da is ... gives it", then " (<v> Hz is <inHz>)".
  const auto over = [](const std::string& word, const std::string& name, const std::string& inHz = "") {
    const std::string v = word.substr(word.find(' ') + 1);
    return "option " + word.substr(0, word.find(' ')) + " value " + v + " must lie between -1 and 1: " + name +
           " is an order parameter without unit; an N-H " + name + " in Hz divided by 21585.2 gives it" +
           (inHz.empty() ? "" : " (" + v + " Hz is " + inHz + ").\n");
  };
  const auto fit = [](std::vector<std::string> a) {
    a.insert(a.begin(), {"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "fit.tab"});
    return a;
  };
  // A held -da or -dr outside the default limits of 0.01 in size, named in the same pass.
  const auto outside = [](const std::string& word, const std::string& name, const std::string& inHz) {
    const std::string v = word.substr(word.find(' ') + 1), lower = name == "Da" ? "-da" : "-dr";
    return "option " + lower + " value " + v + " lies outside the limits of " + name + ", " + lower + "Min -0.01 to " +
           lower + "Max 0.01: " + name + " is an order parameter without unit; an N-H " + name +
           " in Hz divided by 21585.2 gives it (" + v + " Hz is " + inHz + ").\n";
  };
  const std::string reversed = " give a reversed range of ";
  const struct {
    std::vector<std::string> args, refusals;  // refusals empty: taken
    double daHn = 0, within = 0;              // Da_HN of the table taken, within so much
  } runs[] = {
      {fit({"-nofixed", "-daMin", "-14", "-daMax", "-10"}),
       {over("-daMin -14", "Da", "-0.000649"), over("-daMax -10", "Da", "-0.000463")}},
      {fit({"-da", "-12.8", "-dr", "-3", "-daMin", "-25", "-daMax", "25", "-drMin", "-25", "-drMax", "25"}),
       {over("-da -12.8", "Da", "-0.000593"), over("-dr -3", "Dr", "-0.000139"), over("-daMin -25", "Da"),
        over("-daMax 25", "Da"), over("-drMin -25", "Dr"), over("-drMax 25", "Dr", "0.00116")}},
      {fit({"-dadr", "-da", "-0.000431", "-daMin", "-12", "-daMax", "-8"}),
       {over("-daMin -12", "Da"), over("-daMax -8", "Da")}},
      // Held values in Hz, each named in one run, beside a limit above 1 too.
      {fit({"-fixed", "-da", "-15.5", "-dr", "-7.8"}),
       {outside("-da -15.5", "Da", "-0.000718"), outside("-dr -7.8", "Dr", "-0.000361")}},
      {fit({"-dadr", "-da", "-15.5", "-dr", "0.005", "-drMax", "3"}),
       {outside("-da -15.5", "Da", "-0.000718"), over("-drMax 3", "Dr", "0.000139")}},
      {fit({"-nofixed", "-daMin", "-1.0001"}), {over("-daMin -1.0001", "Da")}},
      {fit({"-nofixed", "-daMin", "0.005", "-daMax", "-0.005"}), {"options -daMin 0.005 and -daMax -0.005" + reversed +
                                                                  "Da: its lower limit lies above its upper one.\n"}},
      {fit({"-nofixed", "-drMin", "0.02"}), {"options -drMin 0.02 and -drMax (0.01 by default)" + reversed + "Dr"}},
      // In every mode, read or not.
      {{"-daHist", "-inD", kCouplings, "-outD", "fit.tab", "-dr", "2"}, {over("-dr 2", "Dr")}},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-outD", "fit.tab", "-daMin", "0.02"},
       {"options -daMin 0.02 and -daMax (0.01 by default)" + reversed + "Da"}},
      // No bound: the SVD fit's Da_HN -12.76; the advised limits hold it within -14 to -10 Hz.
      {fit({"-nofixed", "-daMin", "-1", "-daMax", "1"}), {}, -12.76, 0.01},
      {fit({"-nofixed", "-daMin", "-0.000649", "-daMax", "-0.000463"}), {}, -12, 1.99},
  };
  for (const auto& run : runs) {
    TempDir dir;
    const RunResult r = runKorim(run.args, dir);
    const std::string what = run.args[run.args.size() - 3] + " " + run.args.back();
    if (run.refusals.empty()) {
      ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
      EXPECT_NEAR(readTable(dir / "fit.tab").data("Da_HN"), run.daHn, run.within) << what;
      continue;
    }
    EXPECT_EQ(r.status, 1) << what;
    std::vector<std::string> said;
    for (const std::string& s : run.refusals) said.push_back("KORIM Error: " + s);
    said.push_back("KORIM Error extracting command-line arguments.\n");
    EXPECT_TRUE(inOrder(r.err, said)) << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("-da value -0.000431"), std::string::npos) << what;
    EXPECT_FALSE(fileExists(dir / "fit.tab")) << what;
  }
}

// A measured D of 888 Hz or more marks a coupling as missing: every mode that computes from the
// measured couplings answers as on the table without those rows, says once how many it left out,
// and writes them in its table as they are. A table whose every row is marked is refused.
class MissingCouplingsOfModes : public RowParts {};

TEST_P(MissingCouplingsOfModes, EveryModeLeavesThemOutAsTheTableWithoutThem) {
  TempDir d, l, a;
  const MarkedTables t(d, kCouplings), lys(l, korim_test::examples("ubiquitin_lys_unassigned.tab"));
  const std::vector<std::string> fix = plus({"-fixRes"}, words("2 3 4 5 7 8 10 12 13 14 15 16 17 18 20 21 22 23 25 26 "
                                                               "28 30 31 32 34 35 36 39 40 41 42 43 44 45 46 47 49 50 51 "
                                                               "52 54 55 56 57 58 59 60 61 62 64 65 66 67 68 69 70 71"));
  const struct {
    std::vector<std::string> args;
    const char* who;
    bool lysines;
  } modes[] = {
      {{"-bestFit", "-pdb", kPdb}, "the fit", false},
      {{"-bestFit", "-nofixed", "-pdb", kPdb}, "the fit", false},
      {{"-bestFit", "-jack", "-map", "20", "-pdb", kPdb}, "the fit", false},
      {{"-bestFit", "-mcDc", "-map", "20", "-pdb", kPdb}, "the fit", false},
      {{"-daHist"}, "-daHist", false},
      {{"-daMl", "-incDa", "1", "-incR", "0.1", "-outSc", "s.sc"}, "-daMl", false},  // a coarse grid: the same rows
      {{"-daFlex", "-nRun", "50", "-outSc", "s.sc"}, "-daFlex", false},
      {plus({"-bestFit", "-exhaust", "-pdb", kPdb}, fix), "the assignment search", true},
  };
  for (size_t i = 0; i < std::size(modes); i++) {
    if (!mine(i)) continue;
    const auto& m = modes[i];
    const MarkedTables& in = m.lysines ? lys : t;
    const RunResult r = runKorim(plus(m.args, {"-inD", in.marked, "-outD", "marked_out.tab"}), d);
    const RunResult c = runKorim(plus(m.args, {"-inD", in.cut, "-outD", "cut_out.tab"}), d);
    const std::string what = m.args[0] + (m.args.size() > 1 ? " " + m.args[1] : "");
    ASSERT_TRUE(r.status == 0 && c.status == 0) << what << "\n" << r.err << c.err;
    EXPECT_NE(r.err.find("korim: " + std::string(m.who) + " leaves out 2 of the 63 selected couplings of " + in.marked +
                         ", whose D is 888 Hz or more"),
              std::string::npos)
        << what << "\n" << r.err;
    EXPECT_EQ(c.err.find("leaves out"), std::string::npos) << what;
    EXPECT_EQ(dataRecords(d / "marked_out.tab"), dataRecords(d / "cut_out.tab")) << what;
    EXPECT_EQ(readTable(d / "marked_out.tab").rows.size(), 63u) << what;  // the marked rows written as they are
  }
  if (GetParam().part != 0) return;
  const MarkedTables all(a, kCouplings, [](int) { return true; });
  for (const auto& [args, refusal] : {std::pair<std::vector<std::string>, const char*>{
                                          {"-bestFit", "-pdb", kPdb}, "korim: 0 usable couplings of "},
                                      {{"-daHist"}, "korim: no coupling of "}}) {
    const RunResult r = runKorim(plus(args, {"-inD", all.marked, "-outD", "none.tab"}), a);
    EXPECT_TRUE(r.status == 1 && inOrder(r.err, {"leaves out 63 of the 63 selected couplings", refusal})) << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, MissingCouplingsOfModes, testing::ValuesIn(rowParts(4)));

// A row of weight 0 has no say in a fit, and none in its error runs: the fit, -jack's subsets and
// -mcDc's noise and error bars answer as on the table without those rows; the statistics leave
// them out and say why, and the table lists them (D 9999, nothing back-calculated).
TEST(MissingCouplings, RowsOfWeightZeroAreLeftOutAsTheTableWithoutThem) {
  TempDir d;
  std::string weightless;
  for (const std::string& l : lines(readFile(kCouplings)))
    weightless += (l.rfind("    2 ", 0) == 0 || l.rfind("    3 ", 0) == 0 ? l.substr(0, l.size() - 4) + "0.00" : l) + "\n";
  writeFile(d / "w0.tab", weightless);
  const MarkedTables t(d, kCouplings);
  const std::string said = "the statistics of w0_out.tab leave out 2 of its 63 rows, whose weight W is 0.\n";
  for (const std::vector<std::string>& mode : std::vector<std::vector<std::string>>{
           {"-bestFit"}, {"-bestFit", "-nofixed"}, {"-bestFit", "-jack", "-map", "20"}, {"-bestFit", "-mcDc", "-map", "20"}}) {
    const RunResult r = runKorim(plus(mode, {"-pdb", kPdb, "-inD", "w0.tab", "-outD", "w0_out.tab"}), d);
    const RunResult c = runKorim(plus(mode, {"-pdb", kPdb, "-inD", t.cut, "-outD", "cut_out.tab"}), d);
    ASSERT_TRUE(r.status == 0 && c.status == 0) << mode.back() << "\n" << r.err << c.err;
    EXPECT_NE(r.err.find("DC Warning: " + said), std::string::npos) << mode.back() << r.err;
    EXPECT_EQ(dataRecords(d / "w0_out.tab"), dataRecords(d / "cut_out.tab")) << mode.back();
    const Table out = readTable(d / "w0_out.tab");
    EXPECT_EQ(out.rows.size(), 63u) << mode.back();
    EXPECT_EQ(out.numbers("D")[0], 9999.0) << mode.back();
  }
}

// Arithmetic on a row that marks a missing coupling leaves the mark: the sign flip of the formats
// page, a difference with a marked partner, a product, and -conv with noise and with scaling. The
// flipped table fits as the table without the marked rows, negated.
TEST(MissingCouplings, ArithmeticKeepsTheMark) {
  TempDir d;
  const MarkedTables t(d, kCouplings);
  const std::vector<std::string> runs[] = {
      {"-anDc", "-add", "-c1", "-1", "-c2", "0", "-inD1", t.marked, "-inD2", t.marked},
      {"-anDc", "-sub", "-c1", "1", "-c2", "1", "-inD1", kCouplings, "-inD2", t.marked},
      {"-anDc", "-mul", "-inD1", t.marked, "-inD2", kCouplings},
      {"-conv", "-korim", "-dcNoise", "-inD", t.marked},
      {"-conv", "-korim", "-scale", "-inD", t.marked},
  };
  for (const auto& run : runs) {
    const RunResult r = runKorim(plus(run, {"-outD", "out.tab"}), d);
    ASSERT_EQ(r.status, 0) << run[1] << "\n" << r.err;
    const Table out = readTable(d / "out.tab");
    const std::vector<double> res = out.numbers("RESID_I"), dd = out.numbers("D");
    std::vector<double> marks;
    for (size_t i = 0; i < res.size(); i++)
      if (res[i] == 2 || res[i] == 3) marks.push_back(dd[i]);
    EXPECT_EQ(marks, (std::vector<double>{888.0, 890.5})) << run[1];
  }
  ASSERT_EQ(runKorim(plus(runs[0], {"-outD", "neg.tab"}), d).status, 0);
  ASSERT_EQ(runKorim({"-bestFit", "-pdb", kPdb, "-inD", d / "neg.tab", "-outD", "f.tab"}, d).status, 0);
  ASSERT_EQ(runKorim({"-bestFit", "-pdb", kPdb, "-inD", t.cut, "-outD", "c.tab"}, d).status, 0);
  EXPECT_NEAR(readTable(d / "f.tab").data("Da_HN"), -readTable(d / "c.tab").data("Da_HN"), 1e-4);
}
