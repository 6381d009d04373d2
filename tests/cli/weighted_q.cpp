// Q SAUPE under the weights of -w: in every mode that prints it, the Q of a table is the one its
// own printed RMS, Da_HN and Rhombicity give by the formula of docs/fits.md, whichever residue a
// weight falls on (the first weight falls on the first residue, 2).
#include <cmath>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Q SAUPE from a table's printed lines alone: RMS / sqrt(2 Da^2 (4 + 3 R^2) / 5), Da the N-H Da in
// Hz (every row here is an N-H coupling).
double qFromPrintedLines(const Table& t) {
  const double da = t.data("Da_HN"), r = t.data("Rhombicity"), rms = t.data("RMS");
  return rms / std::sqrt(2.0 * da * da * (4.0 + 3.0 * r * r) / 5.0);
}

// The lysine table's search of the README: every residue but the six lysines' fixed.
std::vector<std::string> lysineSearch() {
  std::vector<std::string> args = {"-bestFit", "-exhaust", "-pdb", kPdb, "-inD", examples("ubiquitin_lys_unassigned.tab"),
                                   "-outD", "out.tab", "-fixRes"};
  for (int res = 2; res <= 71; res++)
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
      args.push_back(std::to_string(res));
  return args;
}

}  // namespace

TEST(WeightedQ, QSaupeFollowsThePrintedRmsAndTensorUnderAnyWeights) {
  const std::vector<std::string> on = {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  const auto plus = [](std::vector<std::string> a, const std::vector<std::string>& more) {
    a.insert(a.end(), more.begin(), more.end());
    return a;
  };
  TempDir dir;
  {
    std::vector<std::string> states = lines(readFile(examples("ubiquitin_100_states.ens")));
    states.resize(8);
    std::string text;
    for (const std::string& s : states) text += s + "\n";
    writeFile(dir / "states.ens", text);
  }
  const struct {
    std::vector<std::string> args;
    double w2;  // the weight -w gives residue 2
  } runs[] = {
      {plus({"-bestFit", "-single", "-w", "0.5"}, on), 0.5},
      {plus({"-bestFit", "-single", "-w", "2"}, on), 2},
      {plus({"-bestFit", "-single", "-w", "1", "1", "0.5"}, on), 1},
      {plus({"-bestFit", "-mcDc", "-map", "10", "-w", "0.5"}, on), 0.5},
      {plus({"-bestFit", "-jack", "-map", "10", "-w", "2"}, on), 2},
      {plus({"-stKorim", "-w", "0.5"}, on), 0.5},
      {{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
        "states.ens", "-ave", "out.tab", "-w", "0.5"},
       0.5},
      {plus(lysineSearch(), {"-w", "0.5"}), 0.5},
  };
  for (const auto& run : runs) {
    std::remove((dir / "out.tab").c_str());
    const RunResult r = runKorim(run.args, dir);
    std::string what;
    for (const std::string& a : run.args) what += a.size() < 12 ? a + " " : "";
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    const Table t = readTable(dir / "out.tab");
    // The weight reached residue 2: its W is the square root of the -w value.
    const std::vector<double> res = t.numbers("RESID_I"), w = t.numbers("W");
    ASSERT_FALSE(res.empty()) << what;
    EXPECT_EQ(res[0], 2) << what;
    EXPECT_NEAR(w[0], std::sqrt(run.w2), 5e-3) << what;
    const double q = qFromPrintedLines(t), printed = t.data("Q SAUPE");
    ASSERT_TRUE(std::isfinite(q) && std::isfinite(printed)) << what;
    EXPECT_NEAR(printed, q, 5e-4 + 5e-4 * q / t.data("RMS")) << what;
  }
}
