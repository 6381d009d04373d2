// The step of the positions (-dGrid): a step the finer steps move is refused with a step that
// settles, whose run answers within a tenth of the default step's order; a step they do not move
// answers; the default run is not checked.
#include <cmath>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

TEST(GridStep, CoarseStepsAreRefusedWithAStepThatAnswersNearTheDefaultOrder) {
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  // -dot 40: at 30 the charged example's moves on the denser sphere and the denser turns together exceed a tenth.
  const std::vector<std::string> charged = {"-elKorim", "-dot", "40", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  const struct {
    std::vector<std::string> run;
    const char* step;
    bool refused;
  } cases[] = {
      {steric, "2", false},                         // 2.6 % from the default step's order
      {steric, "10", true},                         // 28 %; -dGrid 2.5 answers
      {plus(steric, {"-pf1"}), "10", true},         // -dGrid 0.625 answers (at 2.5 -dot 30 is refused)
      {charged, "10", true},                        // -dGrid 2.5 answers
  };
  for (const auto& c : cases) {
    const TempDir d;
    ASSERT_EQ(runKorim(c.run, d).status, 0) << c.run[0];
    const std::vector<double> fine = orderOf(d / "out.tab");
    ASSERT_EQ(fine.size(), 5u);
    std::remove((d / "out.tab").c_str());
    const std::vector<std::string> run = plus(c.run, {"-dGrid", c.step});
    const RunResult r = runKorim(run, d);
    const std::string what = c.run[0] + " " + c.run.back() + " -dGrid " + c.step;
    EXPECT_NE(r.err.find("REMARK The step of the positions (-dGrid " + std::string(c.step) +
                         ") is checked against finer steps.\n"),
              std::string::npos)
        << what;
    if (!c.refused) {
      ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
      EXPECT_LE(apart(orderOf(d / "out.tab"), fine), 0.1) << what;
      continue;
    }
    EXPECT_NE(r.status, 0) << what;
    EXPECT_FALSE(fileExists(d / "out.tab")) << what;
    EXPECT_NE(r.err.find(": the step of the positions does not settle this prediction's order: at -dGrid " +
                         std::string(c.step) + " it gives Da_HN "),
              std::string::npos)
        << what << "\n" << r.err;
    const std::string advice = lineWith(r.err, " in place of -dGrid " + std::string(c.step) + " answers.");
    ASSERT_FALSE(advice.empty()) << what << "\n" << r.err;
    const size_t at = advice.find("within a tenth: ");
    ASSERT_NE(at, std::string::npos) << advice;
    const std::vector<std::string> followed =
        followAdvice(run, advice.substr(at + 16, advice.find(" answers.") - at - 16));
    const RunResult f = runKorim(followed, d);
    ASSERT_EQ(f.status, 0) << advice << "\n" << f.err;
    EXPECT_LE(apart(orderOf(d / "out.tab"), fine), 0.1) << advice;
  }
}

TEST(GridStep, TheDefaultStepIsNotChecked) {
  const TempDir d;
  const std::vector<std::string> run = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  const RunResult r = runKorim(run, d);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("step of the positions"), std::string::npos);
  const std::string table = readFile(d / "out.tab");
  const RunResult given = runKorim(plus(run, {"-dGrid", "0.2"}), d);
  ASSERT_EQ(given.status, 0);
  EXPECT_EQ(given.err.find("step of the positions"), std::string::npos);
  EXPECT_EQ(readFile(d / "out.tab"), table);
  EXPECT_EQ(given.out, r.out);
}

// An ensemble notes every state whose step does not settle its order, refuses once naming them,
// and advises the coarsest step at which every allowed state is settled, each checked as a run of
// that step checks it. Two states of the README's ensemble (its 1st and 18th): at -dGrid 20 the
// first is settled by -dGrid 5 and the second is not, so an advice of the first state's step would
// name 5, which the run of -dGrid 5 refuses.
TEST(GridStep, AnEnsembleIsAdvisedAStepThatSettlesEveryAllowedState) {
  TempDir data;
  const std::string states = writeFile(data / "two.ens", "-1.4400e+02  6.3435e+01  0.0000e+00\n"
                                                         "-1.2600e+02  9.0000e+01  1.5000e+02\n");
  const std::vector<std::string> ensemble = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                             examples("ubiquitin_two_domains.inp"), "-inE", states, "-ave", "out.tab"};
  const std::string head = "ensembleAlignment: the step of the positions of -dGrid ";
  const std::string tried = "ensembleAlignment: for the advice, the 2 allowed states are predicted with the step of -dGrid ";
  const struct {
    const char* step;
    std::string unsettled;
    std::vector<std::string> tried;
  } cases[] = {
      {"20", "2 of the 2 allowed states (states 1 and 2)", {"5", "1.25"}},
      {"5", "1 of the 2 allowed states (state 2)", {"1.25"}},
  };
  const TempDir fine;
  ASSERT_EQ(runKorim(ensemble, fine).status, 0);
  const std::vector<double> reference = orderOf(fine / "out.tab");
  ASSERT_EQ(reference.size(), 5u);
  for (const auto& c : cases) {
    const TempDir d;
    const std::vector<std::string> run = plus(ensemble, {"-dGrid", c.step});
    const RunResult r = runKorim(run, d);
    EXPECT_EQ(r.status, 1) << c.step << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "out.tab")) << c.step;
    std::vector<std::string> said = {head + c.step + " does not settle the order of " + c.unsettled +
                                     ", each checked as a single prediction's order is; no average computed.\n"};
    for (const std::string& s : c.tried) said.push_back(tried + s + ".\n");
    said.push_back("ensembleAlignment: the step of -dGrid 1.25 settles the order of every one of the 2 allowed "
                   "states, each checked as this run checks it: -dGrid 1.25 in place of -dGrid " +
                   std::string(c.step) + " answers.\n");
    EXPECT_TRUE(inOrder(r.err, said)) << c.step << "\n" << r.err;
    // One refusal: no state's own refusal or advice.
    EXPECT_EQ(r.err.find("stericAlignment: "), std::string::npos) << c.step << "\n" << r.err;
    const RunResult f = runKorim(followAdvice(run, "-dGrid 1.25 in place of -dGrid " + std::string(c.step)), d);
    ASSERT_EQ(f.status, 0) << c.step << "\n" << f.err;
    EXPECT_LE(apart(orderOf(d / "out.tab"), reference), 0.1) << c.step;
  }
}
