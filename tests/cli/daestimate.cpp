// The Da/R estimates run from the command line without a structure: results, statuses and the
// failure lines of the three modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using korim_test::TempDir;
using korim_test::inOrder;

namespace {

TEST(DaEstimates, ModesRunOnTheMeasuredCouplings) {
  TempDir d;
  RunResult h = runKorim({"-daHist", "-inD", kCouplings, "-outD", "hist.tab"}, d);
  EXPECT_EQ(h.status, 0) << h.err;
  inOrder(h.err, {"63 Couplings, Residues 2 to 71.\n", kMemoryLine});
  EXPECT_NE(korim_test::readFile(d / "hist.tab").find("REMARK DATA KORIM_MODE DA_HIST"),
            std::string::npos);
  // A coarse grid: the scores of its 6 x 5 points follow on standard output.
  RunResult m = runKorim({"-daMl", "-inD", kCouplings, "-outD", "ml.tab", "-lDa", "-14", "-hDa",
                          "-8", "-incDa", "1", "-lR", "0.4", "-hR", "0.7", "-incR", "0.1"}, d);
  EXPECT_EQ(m.status, 0) << m.err;
  inOrder(m.out, {"REMARK 63 couplings selected (inclusive max).\n", "VARS   DA R SCORE\n",
                  "FORMAT %3.1f %1.2f %e\n\n", "-13.0 0.60 "});
  EXPECT_NE(korim_test::readFile(d / "ml.tab").find("DATA KORIM_MODE DA_ML"), std::string::npos);
  // All three outputs of -daFlex on standard output: it stays open for the coupling table.
  RunResult f = runKorim({"-daFlex", "-inD", kCouplings, "-nRun", "5"}, d);
  EXPECT_EQ(f.status, 0) << f.err;
  inOrder(f.out, {"REMARK 32 simulated couplings (isotropic).\n", "# nDots = 32\n\n",
                  "# DATA MAX_MIN Score  ", "DATA N                    63\n"});
  EXPECT_EQ(f.out.find("nan"), std::string::npos);
}

TEST(DaEstimates, FailuresEndWithTheModesLine) {
  TempDir d;
  const std::string zero = korim_test::writeFile(
      d / "zero.tab",
      "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD\n"
      "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f\n\n"
      "   1 ALA N    1 ALA H 5.0 0.0\n   2 ALA N    2 ALA H -3.0 0.0\n");
  const struct { std::vector<std::string> args; const char* first; const char* line; } cases[] = {
      {{"-daHist", "-inD", zero}, "carry no errors", "korim: error in getHistDabR.\n"},
      {{"-daFlex", "-inD", zero}, "carry no errors", "korim: error in getHistDabR.\n"},
      {{"-daMl", "-inD", kCouplings, "-outSc", d / "no/such/dir.sc"},
       "KORIM Error opening output file", "korim: error in getMlDabR.\n"},
      {{"-daMl", "-inD", d / "missing.tab"}, "Error reading DC input", "korim: error in getMlDabR.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-outD", "out.tab"});
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << c.args[0];
    inOrder(r.err, {c.first, c.line, kMemoryLine});
    EXPECT_FALSE(korim_test::fileExists(d / "out.tab")) << c.args[0];
  }
}

}  // namespace
