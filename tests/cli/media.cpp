// The media of docs/predictions.md given as files: the Pf1 rod's radial potential table (-pf1 -pot) and the
// same rod as a 3-D grid (-3D -pot3D), each against the model or table that describes the same
// medium, and an open grid, which aligns nothing.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

const std::string kRodTable = examples("pf1_rod_radial.pot");
const std::string kRodGrid = examples("pf1_rod_grid.pot");

std::vector<std::string> withExample(std::vector<std::string> args) {
  args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"});
  return args;
}

// The grid command of docs/predictions.md, steric or electrostatic.
std::vector<std::string> gridRun(const char* mode) {
  return withExample({mode, "-3D", "-pot3D", kRodGrid, "-nX", "33", "-nY", "33", "-nZ", "1", "-dX", "4", "-dY",
                      "4", "-dZ", "4", "-z1", "1", "-zN", "1", "-massLC", "0.00083"});
}

// Runs a prediction that must succeed and returns its table.
Table predicted(const std::vector<std::string>& args, const std::string& errLine = "") {
  const TempDir d;
  const RunResult r = runKorim(args, d);
  EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.err.substr(0, 800);
  if (!errLine.empty()) {
    EXPECT_NE(r.err.find(errLine), std::string::npos) << errLine;
  }
  return readTable(d / "out.tab");
}

// Pearson correlation of two series of equal length.
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const double n = static_cast<double>(a.size());
  double ma = 0, mb = 0;
  for (size_t i = 0; i < a.size(); i++) ma += a[i] / n, mb += b[i] / n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < a.size(); i++)
    ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb);
  return ab / std::sqrt(aa * bb);
}

// Two predictions of one medium: the same sign of Da within the relative tolerance, and
// back-calculated couplings that correlate at least minCorr.
void expectSameMedium(const Table& a, const Table& b, double daTolerance, double minCorr) {
  ASSERT_EQ(a.rows.size(), 63u);
  ASSERT_EQ(b.rows.size(), 63u);
  EXPECT_NEAR(a.data("Da_HN") / b.data("Da_HN"), 1.0, daTolerance);
  EXPECT_GT(correlation(a.numbers("D"), b.numbers("D")), minCorr);
}

}  // namespace

// The rod as a 4 A grid and the rod model (0.2 A steps, a round cell of the same area): a
// coarser copy of one obstacle, so the same tensor within the grid's resolution (docs/predictions.md:
// Da 14 % larger), and with the measured bicelle couplings the rod model's correlation of 0.85.
TEST(MediaExamples, StericGridOfTheRodAgreesWithTheRodModel) {
  const Table grid = predicted(gridRun("-stKorim"),
                               "REMARK 3D Potential " + kRodGrid +
                                   ", Total # of gridpositions 1089 (x: 33, y: 33, z: 1).\n");
  const Table rod = predicted(withExample({"-stKorim", "-pf1"}));
  expectSameMedium(grid, rod, 0.2, 0.98);
  EXPECT_GT(grid.data("CORR R"), 0.8);
}

// The potential psi(d) of the rod as the radial table and sampled on the grid: the two
// electrostatic predictions agree (docs/predictions.md: Da within 2 %). The table's 121 rows of 0.1 nm
// from 0 read as 121 points 1 A apart from the surface.
TEST(MediaExamples, RodPotentialAsTableAndAsGridAgree) {
  const Table table = predicted(withExample({"-elKorim", "-pf1", "-pot", kRodTable}),
                                "REMARK 1D Potential " + kRodTable +
                                    ", Digitization 121, Offset 0.0, Stepsize 1.0 [A].\n");
  const Table grid = predicted(gridRun("-elKorim"));
  expectSameMedium(grid, table, 0.05, 0.97);
  // The charges matter: the electrostatic tensor is far from the steric one of the same grid.
  EXPECT_GT(std::fabs(grid.data("Da_HN")), 2.0 * 15.5);
}

// Only the step of the table's distances counts: its first row is the rod's surface, so the
// table moved 1 nm out predicts the same tensor, reported with its offset of 10 A.
TEST(MediaExamples, RodTableStartsAtTheSurfaceWhateverItsFirstDistance) {
  const TempDir d;
  std::string moved;
  for (const std::string& l : lines(readFile(kRodTable))) {
    double r = 0, v = 0;
    ASSERT_EQ(std::sscanf(l.c_str(), "%lf %lf", &r, &v), 2) << l;
    char row[64];
    std::snprintf(row, sizeof row, "%.1f %.5e\n", r + 1.0, v);
    moved += row;
  }
  const std::string movedName = writeFile(d / "moved.pot", moved);
  const std::vector<std::string> coarse = {"-elKorim", "-pf1", "-dot", "30", "-pot"};
  std::vector<std::string> a = coarse, b = coarse;
  a.push_back(kRodTable), b.push_back(movedName);
  const Table ta = predicted(withExample(a));
  const Table tb = predicted(withExample(b), ", Digitization 121, Offset 10.0, Stepsize 1.0 [A].\n");
  EXPECT_EQ(numbersAfter(ta.lines, "DATA SAUPE "), numbersAfter(tb.lines, "DATA SAUPE "));
  EXPECT_EQ(ta.numbers("D"), tb.numbers("D"));
}

// A grid that blocks nothing and holds no potential leaves every orientation equally likely: no
// alignment, against Da of about 13 Hz for any obstacle. Its order is the sphere's own imprecision,
// in the steric model as in the electrostatic one: the zero tensor's verdict.
TEST(MediaExamples, OpenGridAlignsNothing) {
  for (const char* mode : {"-stKorim", "-elKorim"}) {
    const TempDir d;
    const RunResult r = runKorim(withExample({mode, "-3D", "-pot3D", testData("cli/grid3d_open_2x2x3.pot"), "-nX",
                                              "2", "-nY", "2", "-nZ", "3", "-z1", "1", "-zN", "3"}),
                                 d);
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_NE(r.err.find("korim: the predicted alignment tensor is zero"), std::string::npos) << r.err.substr(0, 800);
    EXPECT_FALSE(fileExists(d / "out.tab")) << mode;
  }
}

// A steric prediction with -el in the grid runs the electrostatic model of -elKorim on the grid read
// as a potential: the same order matrix (on the first residues, with the charged runs' -dot 120).
TEST(Media, StericPredictionWithElOnTheGridIsTheElectrostaticOne) {
  const std::vector<std::string> few = {"-dot", "120", "-r1", "1", "-rN", "8"};
  std::vector<std::string> steric = gridRun("-stKorim"), electrostatic = gridRun("-elKorim");
  steric.push_back("-el");
  steric.insert(steric.end(), few.begin(), few.end());
  electrostatic.insert(electrostatic.end(), few.begin(), few.end());
  const std::vector<double> s = numbersAfter(predicted(steric).lines, "DATA SAUPE  ");
  const std::vector<double> e = numbersAfter(predicted(electrostatic).lines, "DATA SAUPE  ");
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s, e);
}
