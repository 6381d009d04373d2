// The coupling tables of the runs that back-calculate nothing (the estimates of Da and R without
// a structure, a conversion), the selections of those estimates: couplings of several nucleus
// pairs, rows of one atom at both ends, and Q over measured couplings all 0 in every best fit.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// A -daMl grid around the example's answer, small enough for the sanitizer build.
const std::vector<std::string> kSmallGrid = {"-lDa", "-14", "-hDa", "-8", "-incDa", "0.5",
                                             "-lR",  "0.4", "-hR",  "0.7", "-incR", "0.05"};

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The lines of a table from "DATA N" up to its VARS line.
std::string statisticsBlock(const std::string& text) {
  const size_t from = text.find("DATA N "), to = text.find("VARS", from);
  return from == std::string::npos || to == std::string::npos ? "" : text.substr(from, to - from);
}

}  // namespace

// These tables keep every row and column of the couplings used; in place of the statistics
// stands one remark, and with -mapMl only RMS and Chi2, which the rows' own D_DIFF give.
TEST(EstimateTables, StatisticsOnlyWhereDIsComparedWithSomething) {
  const std::string none = "REMARK No comparison statistics: ";
  const std::string copy = " fits no tensor and back-calculates no coupling: D repeats D_OBS.\n\n";
  const struct {
    std::vector<std::string> args;
    std::string block;  // "" for -mapMl, checked apart
  } cases[] = {
      {{"-daHist"}, "DATA N                    63\n" + none + "-daHist" + copy},
      {plus({"-daMl"}, kSmallGrid), "DATA N                    63\n" + none + "-daMl" + copy},
      {{"-daFlex", "-nRun", "5"}, "DATA N                    63\n" + none + "-daFlex" + copy},
      {{"-conv", "-korim"}, "DATA N                    63\n" + none +
                                "-conv back-calculates no coupling: D is D_OBS converted (with noise or scaled "
                                "where asked).\n\n"},
      {plus({"-daMl", "-mapMl"}, kSmallGrid), ""},
  };
  for (const auto& c : cases) {
    TempDir d;
    const RunResult r = runKorim(plus(c.args, {"-inD", kCouplings, "-outD", "out.tab"}), d);
    ASSERT_EQ(r.status, 0) << c.args[0] << r.err;
    const std::string text = readFile(d / "out.tab");
    const Table t = readTable(d / "out.tab");
    ASSERT_EQ(t.rows.size(), 63u) << c.args[0];
    ASSERT_EQ(t.columns.size(), 12u);
    const std::vector<double> obs = t.numbers("D_OBS"), calc = t.numbers("D");
    if (!c.block.empty()) {
      EXPECT_EQ(statisticsBlock(text), c.block) << c.args[0];
      EXPECT_EQ(obs, calc) << c.args[0];
      continue;
    }
    // -mapMl: D is the centre of each coupling's allowed range; RMS and Chi2 of the rows.
    double sum2 = 0.0, chi2 = 0.0;
    const std::vector<double> dd = t.numbers("DD");
    for (size_t i = 0; i < obs.size(); ++i) {
      sum2 += (obs[i] - calc[i]) * (obs[i] - calc[i]);
      chi2 += std::pow((obs[i] - calc[i]) / (dd[i] != 0.0 ? dd[i] : 1.0), 2);
    }
    EXPECT_NE(obs, calc);
    EXPECT_NEAR(t.data("RMS"), std::sqrt(sum2 / obs.size()), 2e-3);
    EXPECT_NEAR(t.data("Chi2"), chi2, 0.05 * chi2);
    const std::string block = statisticsBlock(text);
    EXPECT_TRUE(inOrder(block, {"DATA N                    63\nREMARK D is the centre of the range of couplings",
                                "\nDATA RMS ", "\nDATA Chi2 ", "\nREMARK No CORR R, Q or REGRESSION: "}))
        << block;
    EXPECT_EQ(block.find("CORR R  "), std::string::npos) << block;
    EXPECT_EQ(block.find("DATA Q"), std::string::npos) << block;
  }
}

// Measured couplings all 0: no best fit writes a Q, whatever tensor it reports (-mcDc reports
// the mean of fits to noise, which is not zero).
TEST(EstimateTables, MeasuredCouplingsAllZeroGetNoQ) {
  TempDir d;
  std::string zero;  // every D 0.000 (the seventh word of a row)
  for (const std::string& l : lines(readFile(kCouplings))) {
    std::stringstream words(l);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (w.size() != 9 || l[0] != ' ') {
      zero += l + "\n";
      continue;
    }
    w[6] = "0.000";
    for (const std::string& x : w) zero += " " + x;
    zero += "\n";
  }
  writeFile(d / "zero.tab", zero);
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-single"}, {"-mcDc", "-map", "20"}}) {
    const RunResult r = runKorim(plus({"-bestFit", "-pdb", kPdb, "-inD", "zero.tab", "-outD", "out.tab"}, mode), d);
    ASSERT_EQ(r.status, 0) << mode[0] << r.err;
    const Table t = readTable(d / "out.tab");
    ASSERT_EQ(t.numbers("D_OBS"), std::vector<double>(63, 0.0));
    EXPECT_TRUE(t.hasLine("REMARK No Q SAUPE: the measured couplings are all 0 (they show no alignment for Q to "
                          "judge a tensor by).")) << mode[0];
    EXPECT_TRUE(std::isnan(t.data("Q SAUPE"))) << mode[0];
  }
}

// A table of five nucleus pairs (four by element): named with their counts, on the error stream
// and in the table; -aD1 N -aD2 H, as the message advises, gives the table of the N-H rows alone.
TEST(EstimateTables, CouplingsOfSeveralNucleusPairsAreNamedAndOneIsSelected) {
  const std::string mixed = testData("cli/ubiquitin_mixed_kinds.tab");
  const std::string kinds = " are of 4 kinds of nucleus pair: N-H 63, C-H 30, N-C 15, C-C 15; the estimate is the "
                            "Da of one kind only when D*W scales every row onto it (-aD1 and -aD2 select one kind).\n";
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-daHist"}, plus({"-daMl"}, kSmallGrid)}) {
    TempDir d;
    RunResult r = runKorim(plus(mode, {"-inD", mixed, "-outD", "mixed.tab", "-outSc", "s.sc"}), d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.err, {"korim: the 123 selected couplings of " + mixed + kinds})) << r.err;
    EXPECT_NE(readFile(d / "mixed.tab").find("\nREMARK The 123 selected couplings" + kinds), std::string::npos);
    r = runKorim(plus(mode, {"-inD", mixed, "-aD1", "N", "-aD2", "H", "-outD", "nh.tab", "-outSc", "s.sc"}), d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("kinds of nucleus pair"), std::string::npos) << r.err;
    runKorim(plus(mode, {"-inD", kCouplings, "-outD", "alone.tab", "-outSc", "s.sc"}), d);
    EXPECT_EQ(readFile(d / "nh.tab"), readFile(d / "alone.tab")) << mode[0];
  }
}

// Seven rows naming the amide proton at both ends: each mode without a structure names them and
// gives what it gives for the table without them.
TEST(EstimateTables, RowsOfOneAtomAtBothEndsAreNamedAndLeftOut) {
  const std::string seven = readFile(testData("cli/ubiquitin_nh_seven_hh.tab"));
  std::string sound;
  for (const std::string& l : lines(seven))
    if (l.size() < 15 || l.compare(10, 5, "    H") != 0) sound += l + "\n";
  const std::string warning = "DC Warning: 7 couplings name one atom at both ends (no bond vector) and are not used:\n"
                              "   row 4: 5 H - 5 H\n   row 12: 14 H - 14 H\n";
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-daHist", "-inD", "t.tab"},
                                               {"-conv", "-xplor", "-inD", "t.tab"},
                                               {"-anDc", "-inD1", "t.tab", "-inD2", "t.tab"}}) {
    TempDir withRows, without;
    writeFile(withRows / "t.tab", seven);
    writeFile(without / "t.tab", sound);
    const std::vector<std::string> args = plus(mode, {"-outD", "out.txt"});
    const RunResult r = runKorim(args, withRows), s = runKorim(args, without);
    ASSERT_EQ(r.status, 0) << mode[0] << r.err;
    EXPECT_TRUE(inOrder(r.err, {warning})) << mode[0] << r.err;
    EXPECT_NE(r.out.find("REMARK 56 couplings selected"), std::string::npos) << mode[0] << r.out;
    EXPECT_EQ(readFile(withRows / "out.txt"), readFile(without / "out.txt")) << mode[0];
  }
}
