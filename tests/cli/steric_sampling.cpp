// Steric predictions below the default sampling of orientations (-dot, -digPsi) are held against
// the default sampling: refused with a sampling that answers near the default order, answered
// near it otherwise. The free format's step check, and the steric grid's check of its sphere.
#include <cmath>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {



// The options an advice line names before " answers." (after its last ": ").
std::string advisedOptions(const std::string& line) {
  const size_t end = line.find(" answers.");
  const size_t at = line.rfind(": ", end);
  return end == std::string::npos || at == std::string::npos ? "" : line.substr(at + 2, end - at - 2);
}

const std::string kFree = examples("ubiquitin_heavy_free.txt");
const std::vector<std::string> kWall = {"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
const std::vector<std::string> kFreeRun = {"-stKorimFree", "-pdbF", kFree, "-outA", "out.tab"};

}  // namespace

// Each row: a run below the default sampling, whether it is refused and the advice it is given
// (measured: the example's wall at -dot 10 lies 12.0 % from the default sampling's order, 12.7 %
// from that of -dot 1000 -digPsi 72; -dot 30 2.5 %; -digPsi 6 15.3 %, 12 turns 3.2 %). A refused
// run writes nothing, its advice followed answers within a tenth of the default order; an
// answered one lies within a tenth of it.
TEST(StericSampling, ASamplingBelowTheDefaultIsHeldAgainstTheDefaultOne) {
  const struct {
    std::vector<std::string> run, sampling;
    std::string advice;  // "" where the run answers
  } cases[] = {
      {kWall, {"-dot", "10"}, "-dot 20 in place of -dot 10"},
      {plus(kWall, {"-pf1"}), {"-dot", "10"}, "-dot 20 in place of -dot 10"},
      {kWall, {"-digPsi", "6"}, "-digPsi 12 in place of -digPsi 6"},
      {kWall, {"-dot", "10", "-digPsi", "6"}, "-dot 20 -digPsi 12 in place of -dot 10 -digPsi 6"},
      {kFreeRun, {"-dot", "10"}, "-dot 20 in place of -dot 10"},
      {kWall, {"-dot", "30"}, ""},
      {plus(kWall, {"-pf1"}), {"-digPsi", "12"}, ""},
  };
  for (const auto& c : cases) {
    const TempDir d;
    const RunResult def = runKorim(c.run, d);
    ASSERT_EQ(def.status, 0) << c.run[0];
    EXPECT_EQ(def.err.find("sampling of orientations"), std::string::npos) << "the default run is not checked";
    const std::vector<double> reference = orderOf(d / "out.tab");
    ASSERT_EQ(reference.size(), 5u);
    std::remove((d / "out.tab").c_str());
    const std::vector<std::string> run = plus(c.run, c.sampling);
    const std::string what = c.run[0] + " " + c.run.back() + " " + c.sampling[0] + " " + c.sampling[1];
    const RunResult r = runKorim(run, d);
    EXPECT_NE(r.err.find("REMARK The sampling of orientations ("), std::string::npos) << what;
    if (c.advice.empty()) {
      ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
      EXPECT_LE(apart(orderOf(d / "out.tab"), reference), 0.1) << what;
      continue;
    }
    EXPECT_NE(r.status, 0) << what;
    EXPECT_FALSE(fileExists(d / "out.tab")) << what;
    EXPECT_NE(r.err.find("stericAlignment: the sampling of orientations does not settle this prediction's order: "
                         "with -dot "),
              std::string::npos)
        << what << "\n" << r.err;
    const std::string line = lineWith(r.err, " answers.");
    ASSERT_EQ(advisedOptions(line), c.advice) << what << "\n" << r.err;
    const RunResult f = runKorim(followAdvice(run, c.advice), d);
    ASSERT_EQ(f.status, 0) << c.advice << "\n" << f.err;
    EXPECT_LE(apart(orderOf(d / "out.tab"), reference), 0.1) << c.advice;
  }
}

// The free format's coarse step is checked against finer ones as a structure's is: -dGrid 10
// lies 28 % from -dGrid 2.5's order and is refused advising it; followed, the run answers within
// a tenth of the default step's order.
TEST(StericSampling, TheFreeFormatsCoarseStepIsRefusedWithAStepThatAnswers) {
  const TempDir d;
  ASSERT_EQ(runKorim(kFreeRun, d).status, 0);
  const std::vector<double> fine = orderOf(d / "out.tab");
  ASSERT_EQ(fine.size(), 5u);
  std::remove((d / "out.tab").c_str());
  const std::vector<std::string> run = plus(kFreeRun, {"-dGrid", "10"});
  const RunResult r = runKorim(run, d);
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(fileExists(d / "out.tab"));
  EXPECT_NE(r.err.find("stericAlignment: the step of the positions does not settle this prediction's order: at "
                       "-dGrid 10 it gives Da_HN "),
            std::string::npos)
      << r.err;
  const std::string advice = advisedOptions(lineWith(r.err, " answers."));
  ASSERT_EQ(advice, "-dGrid 2.5 in place of -dGrid 10") << r.err;
  const RunResult f = runKorim(followAdvice(run, advice), d);
  ASSERT_EQ(f.status, 0) << f.err;
  EXPECT_LE(apart(orderOf(d / "out.tab"), fine), 0.1);
}

// An ensemble's states below the default sampling: the run names the states whose order the
// sampling does not settle and advises one sampling for all, which, followed, answers. Two
// states of the README's ensemble.
TEST(StericSampling, AnEnsembleIsAdvisedASamplingThatSettlesEveryState) {
  TempDir data;
  const std::string states = writeFile(data / "two.ens", "-1.4400e+02  6.3435e+01  0.0000e+00\n"
                                                         "-1.2600e+02  9.0000e+01  1.5000e+02\n");
  const std::vector<std::string> ensemble = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                             examples("ubiquitin_two_domains.inp"), "-inE", states, "-ave", "out.tab"};
  const struct {
    std::vector<std::string> sampling;
    std::string unsettled, advice;
  } cases[] = {
      {{"-dot", "10"}, "1 of the 2 allowed states (state 2)", "-dot 20 in place of -dot 10"},
      {{"-digPsi", "4"}, "2 of the 2 allowed states (states 1 and 2)", "-digPsi 8 in place of -digPsi 4"},
  };
  for (const auto& c : cases) {
    const TempDir d;
    const std::vector<std::string> run = plus(ensemble, c.sampling);
    const RunResult r = runKorim(run, d);
    EXPECT_NE(r.status, 0) << c.advice;
    EXPECT_FALSE(fileExists(d / "out.tab")) << c.advice;
    EXPECT_NE(r.err.find("does not settle the order of " + c.unsettled), std::string::npos) << r.err;
    ASSERT_EQ(advisedOptions(lineWith(r.err, "ensembleAlignment: the sampling of -")), c.advice) << r.err;
    const RunResult f = runKorim(followAdvice(run, c.advice), d);
    EXPECT_EQ(f.status, 0) << c.advice << "\n" << f.err;
    EXPECT_TRUE(fileExists(d / "out.tab")) << c.advice;
  }
}

// The steric grid: a grid whose every point blocks is refused naming the file and -maxPot at any
// density; one whose single blocked point meets the molecule at a few orientations only is zero
// (its order shrinks as the sphere grows: 1.8e-3 Hz at -dot 30 before); a grid of 8 A that blocks
// the molecule is held against denser spheres as the potential model is, -dot 100 refused
// advising -dot 400, which answers.
TEST(StericSampling, TheStericGridsOrderIsNoSamplingNoise) {
  TempDir data;
  std::string all;  // the reader skips 11 header lines
  for (int i = 1; i <= 11; i++) all += "REMARK header line " + std::to_string(i) + "\n";
  for (int i = 0; i < 4; i++) all += "99 99 99\n";
  const std::string blocked = writeFile(data / "all_blocked.pot", all);
  // The grid's points 0.2 A apart (the default), or 4 A.
  const auto grid = [](const std::string& pot, const std::string& dot, bool wide) {
    std::vector<std::string> run = {"-stKorim", "-3D", "-pot3D", pot, "-nX", "2", "-nY", "2", "-nZ", "3", "-z1", "1",
                                    "-zN", "3", "-dot", dot, "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
    return wide ? plus(run, {"-dX", "4", "-dY", "4", "-dZ", "4"}) : run;
  };
  const std::string one = testData("cli/grid3d_blocked_2x2x3.pot");
  const std::string everyPoint = "ssia3D: every point of the grid of " + blocked +
                                 " blocks the molecule: each of its values has a size of -maxPot 5 or more";
  const std::string zero = "korim: the predicted alignment tensor is zero";
  const struct {
    std::vector<std::string> run;
    std::string message, advice;
  } cases[] = {
      {grid(blocked, "30", false), everyPoint, ""},
      {grid(blocked, "1000", false), everyPoint, ""},
      {grid(one, "30", false), zero, ""},
      {grid(one, "100", false), zero, ""},
      {grid(one, "100", true), "ssia3D: the sphere of orientations does not settle this prediction's order",
       "-dot 400 in place of -dot 100"},
  };
  for (const auto& c : cases) {
    const TempDir d;
    const RunResult r = runKorim(c.run, d);
    const std::string what = c.run[3] + " -dot " + c.run[15] + (c.run.size() > 22 ? " -dX 4" : "");
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_FALSE(fileExists(d / "out.tab")) << what;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << what << "\n" << r.err;
    if (c.advice.empty()) continue;
    ASSERT_EQ(advisedOptions(lineWith(r.err, " answers.")), c.advice) << r.err;
    const RunResult f = runKorim(followAdvice(c.run, c.advice), d);
    EXPECT_EQ(f.status, 0) << c.advice << "\n" << f.err;
    EXPECT_TRUE(fileExists(d / "out.tab")) << c.advice;
  }
}
