// Single best fit of the measured ubiquitin couplings: the table against an independent
// least-squares twin, the quality of the fit, and the rotated structures in the principal frame.
#include <map>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

struct FitRun {
  TempDir dir;
  RunResult r;
  Table t;
  FitRun() {
    r = runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "fit.tab",
                  "-pdbRot", "fit.pdb"},
                 dir);
    t = readTable(dir / "fit.tab");
  }
};

FitRun& fitRun() {
  static FitRun run;
  return run;
}

// Solves the n x n system m x = b in place (Gaussian elimination with partial pivoting).
std::vector<double> solve(std::vector<std::vector<double>> m, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t c = 0; c < n; c++) {
    size_t p = c;
    for (size_t r = c + 1; r < n; r++)
      if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
    std::swap(m[c], m[p]);
    std::swap(b[c], b[p]);
    for (size_t r = c + 1; r < n; r++) {
      const double f = m[r][c] / m[c][c];
      for (size_t k = c; k < n; k++) m[r][k] -= f * m[c][k];
      b[r] -= f * b[c];
    }
  }
  std::vector<double> x(n);
  for (size_t c = n; c-- > 0;) {
    double s = b[c];
    for (size_t k = c + 1; k < n; k++) s -= m[c][k] * x[k];
    x[c] = s / m[c][c];
  }
  return x;
}

double saupeElement(const Table& t, int k) {
  for (const std::string& l : t.lines)
    if (l.rfind("DATA SAUPE   ", 0) == 0) {
      double s[5];
      if (std::sscanf(l.c_str() + 10, "%lf %lf %lf %lf %lf", &s[0], &s[1], &s[2], &s[3], &s[4]) == 5)
        return s[k];
    }
  return NAN;
}

}  // namespace

TEST(BestFitSingle, RecordsTheFitWithASmallQualityFactor) {
  const RunResult& r = fitRun().r;
  ASSERT_EQ(r.status, 0) << r.err;
  inOrder(r.out, {"REMARK 63 couplings selected (inclusive max).\n", "REMARK PDB Selection: All Atoms.\n"});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  const Table& t = fitRun().t;
  EXPECT_TRUE(t.hasLine("DATA KORIM_MODE DC"));
  EXPECT_TRUE(t.hasLine("DATA TENSOR_MODE SVD (Order Matrix Method)"));
  EXPECT_EQ(t.data("N"), 63.0);
  EXPECT_EQ(t.rows.size(), 63u);
  // 1D3Z was refined against these couplings: the order-matrix Q factor is near 0.1 or below.
  EXPECT_GT(t.data("Q SAUPE"), 0.02);
  EXPECT_LT(t.data("Q SAUPE"), 0.15);
}

TEST(BestFitSingle, BackCalculatedCouplingsMatchALeastSquaresTwin) {
  // The fitted couplings are the projection of the measured ones onto the five traceless
  // quadratic forms of the N-H unit vectors, each scaled by its interaction constant.
  const Table& t = fitRun().t;
  const PdbAtoms atoms = readPdbAtoms(kPdb, true);
  std::map<std::pair<int, std::string>, int> byName;
  for (int i = 1; i <= atoms.n(); i++) byName[{atoms.resIDs[i], atoms.names[i]}] = i;
  std::vector<std::vector<double>> rows;
  std::vector<double> dObs, dFit;
  for (const auto& row : t.rows) {
    const int n = byName.at({std::stoi(row[t.col("RESID_I")]), row[t.col("ATOMNAME_I")]});
    const int h = byName.at({std::stoi(row[t.col("RESID_J")]), row[t.col("ATOMNAME_J")]});
    double v[3] = {atoms.x[h] - atoms.x[n], atoms.y[h] - atoms.y[n], atoms.z[h] - atoms.z[n]};
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (double& c : v) c /= len;
    const double di = std::stod(row[t.col("DI")]);
    rows.push_back({di * (v[0] * v[0] - v[2] * v[2]), di * (v[1] * v[1] - v[2] * v[2]),
                    di * 2 * v[0] * v[1], di * 2 * v[0] * v[2], di * 2 * v[1] * v[2]});
    dObs.push_back(std::stod(row[t.col("D_OBS")]));
    dFit.push_back(std::stod(row[t.col("D")]));
  }
  ASSERT_EQ(rows.size(), 63u);
  std::vector<std::vector<double>> ata(5, std::vector<double>(5, 0.0));
  std::vector<double> atb(5, 0.0);
  for (size_t i = 0; i < rows.size(); i++)
    for (int a = 0; a < 5; a++) {
      atb[a] += rows[i][a] * dObs[i];
      for (int b = 0; b < 5; b++) ata[a][b] += rows[i][a] * rows[i][b];
    }
  std::vector<double> s = solve(ata, atb);
  double ss = 0, sx = 0;
  for (size_t i = 0; i < rows.size(); i++) {
    double twin = 0;
    for (int a = 0; a < 5; a++) twin += rows[i][a] * s[a];
    EXPECT_NEAR(dFit[i], twin, 0.02) << "row " << i;
    ss += (dObs[i] - twin) * (dObs[i] - twin);
    sx += dObs[i] * dObs[i];
  }
  // Measured against fitted: the table's own statistics follow from its columns.
  EXPECT_NEAR(t.data("RMS"), std::sqrt(ss / rows.size()), 2e-3);
  EXPECT_NEAR(t.data("CORR R"), pearson(dObs, dFit), 2e-3);
  EXPECT_GT(t.data("CORR R"), 0.98);
}

TEST(BestFitSingle, RotatedStructuresCarryThePrincipalFrame) {
  // Fitting again on each rotated structure gives a diagonal tensor with the same Da and R.
  const Table& first = fitRun().t;
  TempDir d;
  for (int k : {0, 3}) {
    const std::string pdb = fitRun().dir / ("fit.pdb." + std::to_string(k));
    ASSERT_EQ(readPdbAtoms(pdb, true).n(), 1231);
    RunResult r = runKorim({"-bestFit", "-pdb", pdb, "-inD", kCouplings, "-outD", "again.tab"}, d);
    ASSERT_EQ(r.status, 0);
    Table t = readTable(d / "again.tab");
    const double szz = saupeElement(t, 0);
    ASSERT_FALSE(std::isnan(szz));
    for (int i = 2; i < 5; i++) EXPECT_LT(std::fabs(saupeElement(t, i)), 1e-3 * std::fabs(szz)) << k;
    EXPECT_NEAR(t.data("Da_HN"), first.data("Da_HN"), 1e-3 * std::fabs(first.data("Da_HN")));
    EXPECT_NEAR(t.data("Rhombicity"), first.data("Rhombicity"), 1e-3);
    EXPECT_NEAR(t.data("Q SAUPE"), first.data("Q SAUPE"), 1.5e-3);
  }
}

TEST(BestFitSingle, UnwritableRotatedStructureFailsTheRun) {
  TempDir d;
  RunResult r = runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "fit.tab",
                          "-pdbRot", "no_such_dir/fit.pdb"},
                         d);
  EXPECT_NE(r.status, 0);
  inOrder(r.err, {"korim: error in writePDBRot.\n", "korim: error in best-fit of data.\n", kMemoryLine});
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  // The table was written before the structures.
  EXPECT_EQ(readTable(d / "fit.tab").rows.size(), 63u);
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
