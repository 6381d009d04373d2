// The statistics of a coupling table follow the numbers printed beside them: recomputed from the
// table's own lines (its tensor, its RMS, its columns D_OBS, D, D_DIFF, DD and W), they give the
// printed Q SAUPE, RMS, Chi2 and CORR R, in the tables of a fit, of the error runs, of an
// ensemble's average and of a prediction, with and without the weights of -w.
#include <cmath>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Q SAUPE from a table's printed lines alone: RMS / sqrt(2 Da^2 (4 + 3 R^2) / 5), Da the N-H Da in
// Hz (every row here is an N-H coupling; no weight of -w scales Da).
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

// Each table's Q SAUPE is the one its own Da_HN, Rhombicity and RMS give (within the rounding of
// the three decimals of Q and RMS). The error runs' tables print the tensor of the averaged Saupe
// elements; the ensemble's average prints the sum over its states divided by all of them, clashing
// states included (the example's first eight states, with the example's clash test).
TEST(TableStatistics, QSaupeFollowsTheTensorAndRmsPrintedBesideIt) {
  const std::vector<std::string> fit = {"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
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
  } runs[] = {
      {plus(fit, {"-single"})},
      {plus(fit, {"-single", "-yzInv"})},  // another axis named zz: another Da and R, the same size
      {plus(fit, {"-mcDc", "-map", "10"})},
      {plus(fit, {"-mcDc", "-map", "10", "-s1", "23", "-sN", "34"})},
      {plus(fit, {"-jack", "-map", "10"})},
      {{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
        "states.ens", "-ave", "out.tab"}},
      // Under -w: the first row's weight (residue 2's) scales no part of Q.
      {plus(fit, {"-single", "-w", "0.5"})},
      {plus(fit, {"-single", "-w", "2"})},
      {plus(fit, {"-single", "-w", "1", "1", "0.5"})},
      {plus(fit, {"-mcDc", "-map", "10", "-w", "0.5"})},
      {plus(fit, {"-jack", "-map", "10", "-w", "2"})},
      {{"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-w", "0.5"}},
      {{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
        "states.ens", "-ave", "out.tab", "-w", "0.5"}},
      {plus(lysineSearch(), {"-w", "0.5"})},
  };
  for (const auto& run : runs) {
    std::remove((dir / "out.tab").c_str());
    const RunResult r = runKorim(run.args, dir);
    std::string what;
    for (const std::string& a : run.args) what += a.size() < 12 ? a + " " : "";
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    const Table t = readTable(dir / "out.tab");
    const double q = qFromPrintedLines(t), printed = t.data("Q SAUPE");
    ASSERT_TRUE(std::isfinite(q) && std::isfinite(printed)) << what;
    EXPECT_NEAR(printed, q, 5e-4 + 5e-4 * q / t.data("RMS")) << what;
  }
}

// -w gives each residue of the range, counted from -s1 (here the table's first residue, 2), the
// weight W times the square root of its value: W 0.50 for residue 4 (-w 0.25) and 2.00 for residue
// 5 (-w 4); -s1 3 moves the list on by one residue. The W column shows it, and RMS, Chi2 and CORR R
// recomputed from the columns (W D_DIFF, W D_DIFF / DD, the correlation of W D_OBS with W D) are
// the printed ones, in a prediction and in a fit.
TEST(TableStatistics, TheWeightsOfWAreTheWColumnAndGiveTheStatistics) {
  const struct {
    std::vector<std::string> args;
    int res4, res5;  // the residues whose W are 0.5 and 2
  } runs[] = {
      {{"-stKorim", "-dot", "30", "-w", "1", "1", "0.25", "4"}, 4, 5},
      {{"-bestFit", "-single", "-w", "1", "1", "0.25", "4"}, 4, 5},
      {{"-bestFit", "-single", "-s1", "3", "-w", "1", "1", "0.25", "4"}, 5, 6},
  };
  for (const auto& run : runs) {
    TempDir dir;
    std::vector<std::string> args = run.args;
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"});
    const RunResult r = runKorim(args, dir);
    const std::string what = run.args[0] + " " + run.args[2];
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    const Table t = readTable(dir / "out.tab");
    const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS"), calc = t.numbers("D"),
                              diff = t.numbers("D_DIFF"), dd = t.numbers("DD"), w = t.numbers("W");
    ASSERT_EQ(res.size(), static_cast<size_t>(t.data("N"))) << what;
    double sum2 = 0, chi2 = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (size_t i = 0; i < res.size(); i++) {
      const double want = res[i] == run.res4 ? 0.5 : res[i] == run.res5 ? 2.0 : 1.0;
      EXPECT_EQ(w[i], want) << what << " residue " << res[i];
      const double x = w[i] * obs[i], y = w[i] * calc[i], e = w[i] * diff[i];
      sum2 += e * e;
      chi2 += (e / dd[i]) * (e / dd[i]);
      sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y;
    }
    const double n = static_cast<double>(res.size());
    const double corr = (sxy - sx * sy / n) / std::sqrt((sxx - sx * sx / n) * (syy - sy * sy / n));
    EXPECT_NEAR(t.data("RMS"), std::sqrt(sum2 / n), 1e-3) << what;
    EXPECT_NEAR(t.data("Chi2"), chi2, 1e-4 * chi2 + 1e-3) << what;
    EXPECT_NEAR(t.data("CORR R"), corr, 1e-3) << what;
  }
}
