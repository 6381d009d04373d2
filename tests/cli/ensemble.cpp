// Two-domain ensemble and free-format modes run end to end on the ubiquitin example.
#include "couplings/dc.h"
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Ubiquitin as two domains (1-35 and 40-76) joined by residues 36-39.
std::string twoDomainConfig(int alignAlongZ, int clash) {
  return "START_RESID_1: 1\nEND_RESID_1: 35\nSTART_RESID_2: 40\nEND_RESID_2: 76\n"
         "ORIGIN_DOM1: 35\nORIGIN_DOM2: 40\nSTART_RES_ANGLE_1: 1\nEND_RES_ANGLE_1: 35\n"
         "START_RES_ANGLE_2: 40\nEND_RES_ANGLE_2: 76\nCLASH_DISTANCE: 2.0\n"
         "ALIGN_ALONG_Z: " + std::to_string(alignAlongZ) + "\nENSEMBLE_CLASH: " +
         std::to_string(clash) + "\n";
}

std::vector<double> saupeOf(const std::string& text, const std::string& head) {
  std::vector<double> v;
  for (const std::string& l : lines(text))
    if (l.rfind(head, 0) == 0) {
      std::stringstream ss(l.substr(head.size()));
      double d;
      while (ss >> d) v.push_back(d);
    }
  return v;
}

}  // namespace

// An ensemble of the one state (0, 0, 0) is the structure itself: with the molecule not turned
// first the elements equal those of the single prediction; turned along z first, the invariants
// (eigenvalues, Da and R) do. A state's prediction that lost the run's atom selection (hydrogens
// removed, surface atoms) would differ.
TEST(EnsembleMode, OneUnturnedStateIsTheSinglePrediction) {
  TempDir dir;
  const RunResult single =
      runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "single.tab"}, dir);
  ASSERT_EQ(single.status, 0) << single.err;
  const std::string eig = "DATA EIGENVALUES (Sxx_d,Syy_d,Szz_d) ";
  const std::vector<double> ref = saupeOf(readFile(dir / "single.tab"), "DATA SAUPE ");
  const std::vector<double> e1 = saupeOf(readFile(dir / "single.tab"), eig);
  ASSERT_EQ(ref.size() + e1.size(), 8u);
  writeFile(dir / "one.ens", "0 0 0\n");
  for (int alongZ : {0, 1}) {
    writeFile(dir / "two.inp", twoDomainConfig(alongZ, 0));
    const RunResult r = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                 "two.inp", "-inE", "one.ens", "-ave", "ave.tab", "-flex",
                                 "ens.log"},
                                dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {"REMARK ENSEMBLE MODE.\n", "REMARK STERIC CLASH CHECK DISABLED.\n",
                                "REMARK 1 states in ensemble.\n", "REMARK ENSEMBLE ID 1\n"}))
        << r.out;
    // The result records on stderr, and the averaged tensor in the table.
    const std::vector<double> ave = saupeOf(r.err, "DATA SAUPE  ");
    ASSERT_EQ(ave.size(), 5u);
    const std::vector<double> tab = saupeOf(readFile(dir / "ave.tab"), "DATA SAUPE  ");
    ASSERT_EQ(tab.size(), 5u);
    for (int i = 0; i < 5; i++) EXPECT_NEAR(tab[i], ave[i], 1e-8) << i;
    const std::vector<double> e2 = saupeOf(readFile(dir / "ave.tab"), eig);
    ASSERT_EQ(e2.size(), 3u);
    // Turned, the molecule meets the finite sphere of orientations at other points: the
    // invariants agree to the sampling error (about 1 %), far closer than another selection.
    const double tol = alongZ ? 2.5e-5 : 2e-8;
    for (int i = 0; i < 3; i++) EXPECT_NEAR(e2[i], e1[i], tol) << alongZ;
    if (alongZ == 0)
      for (int i = 0; i < 5; i++) EXPECT_NEAR(ave[i], ref[i], 2e-8) << i;
    else
      EXPECT_GT(std::fabs(ave[0] - ref[0]), 1e-5);  // the frame did turn
    // Da(NH) and R of the average against the single prediction's table.
    const Table t = readTable(dir / "single.tab");
    const std::vector<double> da = saupeOf(r.err, "DATA Da(NH) = ");
    ASSERT_FALSE(da.empty());
    EXPECT_NEAR(da[0], t.data("Da_HN"), alongZ ? 0.3 : 0.051);
  }
}

// The tables of the states appended to -dcEns read back: their state remarks are REMARK lines
// and each table holds every coupling once; the average of the two states' couplings is the
// mean of their columns.
TEST(EnsembleMode, AppendedStateTablesReadBack) {
  TempDir dir;
  writeFile(dir / "two.inp", twoDomainConfig(1, 0));
  writeFile(dir / "two.ens", "0 0 0\n0 20 0\n");
  const RunResult r = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                "two.inp", "-inE", "two.ens", "-dcEns", "states.tab", "-ave",
                                "ave.tab", "-flex", "ens.log"},
                               dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string states = readFile(dir / "states.tab");
  const size_t second = states.find("REMARK ENSEMBLE ID 2\n");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(states.find("REMARK ENSEMBLE Q_EULER_ANGLES     0.00    20.00     0.00\n"),
            std::string::npos);
  const std::string one = writeFile(dir / "s1.tab", states.substr(0, second));
  const std::string two = writeFile(dir / "s2.tab", states.substr(second));
  std::vector<double> sums;
  for (const std::string& name : {one, two}) {
    korim::couplings::DTable d{};
    korim::couplings::dTabNull(&d);
    ASSERT_EQ(korim::couplings::readDC(name.c_str(), &d), 0);
    EXPECT_EQ(d.dCount, 63);
    korim::couplings::dTabFree(&d);
    const std::vector<double> calc = readTable(name).numbers("D");
    ASSERT_EQ(calc.size(), 63u);
    if (sums.empty()) sums.assign(63, 0.0);
    for (int i = 0; i < 63; i++) sums[i] += calc[i] / 2;
  }
  const std::vector<double> ave = readTable(dir / "ave.tab").numbers("D");
  ASSERT_EQ(ave.size(), 63u);
  for (int i = 0; i < 63; i++) EXPECT_NEAR(ave[i], sums[i], 2e-3) << i;
}

TEST(EnsembleMode, ClashingStatesCountWithWeightZero) {
  TempDir dir;
  writeFile(dir / "two.inp", twoDomainConfig(1, 0));
  writeFile(dir / "one.ens", "0 90 0\n");
  const RunResult one = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                  "two.inp", "-inE", "one.ens", "-ave", "one.tab", "-flex",
                                  "ens.log"},
                                 dir);
  ASSERT_EQ(one.status, 0) << one.err;
  // Residue 35 and 36 are bonded (C-N 1.3 A): with the clash test on, (0, 0, 0) clashes.
  writeFile(dir / "two.inp", twoDomainConfig(1, 1));
  writeFile(dir / "two.ens", "0 90 0\n0 0 0\n");
  const RunResult r = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", "two.inp", "-inE",
                "two.ens", "-ave", "two.tab", "-flex", "ens.log"},
               dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("REMARK steric clash of domains in state 2.\n"), std::string::npos);
  const std::vector<double> s1 = saupeOf(one.err, "DATA SAUPE  ");
  const std::vector<double> s2 = saupeOf(r.err, "DATA SAUPE  ");
  ASSERT_EQ(s1.size(), 5u);
  ASSERT_EQ(s2.size(), 5u);
  for (int i = 0; i < 5; i++) EXPECT_NEAR(s2[i], s1[i] / 2, 1e-8) << i;
  // Every state clashing leaves an average of zero: its statistics fix no regression line.
  writeFile(dir / "clash.ens", "0 0 0\n");
  const RunResult c = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", "two.inp", "-inE",
                                "clash.ens", "-ave", "clash.tab"},
                               dir);
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_TRUE(inOrder(readFile(dir / "clash.tab"), {"REMARK DATA STATISTICS DC CORR R       0.000\n",
                                                   "REMARK DATA STATISTICS DC REGRESSION ZEB SLOPE 0.000 +/- 0.000"}));
}
