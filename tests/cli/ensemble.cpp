// Two-domain ensemble mode run end to end on the ubiquitin example.
#include "couplings/dc.h"
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// An ensemble run of the states in text, ubiquitin as two domains (1-35 and 40-76) joined by
// residues 36-39; the averaged table goes to ave.tab.
RunResult ensemble(const TempDir& d, int alignAlongZ, int clash, const std::string& states,
                   std::vector<std::string> extra = {}) {
  writeFile(d / "two.inp", "START_RESID_1: 1\nEND_RESID_1: 35\nSTART_RESID_2: 40\nEND_RESID_2: 76\n"
                           "ORIGIN_DOM1: 35\nORIGIN_DOM2: 40\nSTART_RES_ANGLE_1: 1\nEND_RES_ANGLE_1: 35\n"
                           "START_RES_ANGLE_2: 40\nEND_RES_ANGLE_2: 76\nCLASH_DISTANCE: 2.0\nALIGN_ALONG_Z: " +
                               std::to_string(alignAlongZ) + "\nENSEMBLE_CLASH: " + std::to_string(clash) + "\n");
  writeFile(d / "states.ens", states);
  std::vector<std::string> args = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", "two.inp",
                                   "-inE", "states.ens", "-ave", "ave.tab", "-flex", "ens.log"};
  args.insert(args.end(), extra.begin(), extra.end());
  return runKorim(args, d);
}

// The numbers after head on the first line of text that begins with it.
std::vector<double> valuesOf(const std::string& text, const std::string& head) {
  return numbersAfter(lines(text), head);
}

}  // namespace

// An ensemble of the one state (0, 0, 0) is the structure itself: with the molecule not turned
// first the elements equal those of the single prediction; turned along z first, the invariants
// (eigenvalues, Da and R) do. A state's prediction that lost the run's atom selection (hydrogens
// removed, surface atoms) would differ.
TEST(EnsembleMode, OneUnturnedStateIsTheSinglePrediction) {
  TempDir dir;
  const RunResult single = runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "single.tab"}, dir);
  ASSERT_EQ(single.status, 0) << single.err;
  const std::string eig = "DATA EIGENVALUES (Sxx_d,Syy_d,Szz_d) ", singleText = readFile(dir / "single.tab");
  const std::vector<double> ref = valuesOf(singleText, "DATA SAUPE "), e1 = valuesOf(singleText, eig);
  ASSERT_EQ(ref.size() + e1.size(), 8u);
  for (int alongZ : {0, 1}) {
    const RunResult r = ensemble(dir, alongZ, 0, "0 0 0\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {"REMARK ENSEMBLE MODE.\n", "REMARK STERIC CLASH CHECK DISABLED.\n",
                                "REMARK 1 states in ensemble.\n", "REMARK ENSEMBLE ID 1\n"}));
    // The result records on stderr, and the averaged tensor in the table.
    const std::string aveText = readFile(dir / "ave.tab");
    const std::vector<double> ave = valuesOf(r.err, "DATA SAUPE  "), tab = valuesOf(aveText, "DATA SAUPE  ");
    const std::vector<double> e2 = valuesOf(aveText, eig), da = valuesOf(r.err, "DATA Da(NH) = ");
    ASSERT_TRUE(ave.size() == 5 && tab.size() == 5 && e2.size() == 3 && !da.empty());
    for (int i = 0; i < 5; i++) EXPECT_NEAR(tab[i], ave[i], 1e-8) << i;
    // Turned, the molecule meets the finite sphere of orientations at other points: the
    // invariants agree to the sampling error (about 1 %), far closer than another selection.
    for (int i = 0; i < 3; i++) EXPECT_NEAR(e2[i], e1[i], alongZ ? 2.5e-5 : 2e-8) << alongZ;
    if (alongZ == 0)
      for (int i = 0; i < 5; i++) EXPECT_NEAR(ave[i], ref[i], 2e-8) << i;
    else
      EXPECT_GT(std::fabs(ave[0] - ref[0]), 1e-5);  // the frame did turn
    EXPECT_NEAR(da[0], readTable(dir / "single.tab").data("Da_HN"), alongZ ? 0.3 : 0.051);
  }
}

// The same on the rod with charges: each state is the electrostatic model's, which reads the
// rod's radial potential (a charged ensemble on the rod, and -stKorim -el there, once failed on a
// table of no points), and -pot is not said to go unused.
TEST(EnsembleMode, OneUnturnedChargedStateOnTheRodIsTheSinglePrediction) {
  TempDir dir;
  const std::string pot = examples("pf1_rod_radial.pot");
  const RunResult single =
      runKorim({"-elKorim", "-pf1", "-pot", pot, "-pdb", kPdb, "-inD", kCouplings, "-outD", "single.tab"}, dir);
  ASSERT_EQ(single.status, 0) << single.err;
  const RunResult r = ensemble(dir, 0, 0, "0 0 0\n", {"-el", "-pf1", "-pot", pot});
  ASSERT_EQ(r.status, 0) << r.err;
  const RunResult steric =
      runKorim({"-stKorim", "-el", "-pf1", "-pot", pot, "-pdb", kPdb, "-inD", kCouplings, "-outD", "st.tab"}, dir);
  ASSERT_EQ(steric.status, 0) << steric.err;
  const std::vector<double> ref = valuesOf(readFile(dir / "single.tab"), "DATA SAUPE "),
                            ave = valuesOf(readFile(dir / "ave.tab"), "DATA SAUPE  "),
                            st = valuesOf(readFile(dir / "st.tab"), "DATA SAUPE ");
  ASSERT_TRUE(ref.size() == 5 && ave.size() == 5 && st.size() == 5);
  for (int i = 0; i < 5; i++) EXPECT_NEAR(ave[i], ref[i], 2e-8) << i;
  for (int i = 0; i < 5; i++) EXPECT_NEAR(st[i], ref[i], 2e-8) << i;
  for (const RunResult* x : {&r, &steric}) EXPECT_EQ(x->err.find("-pot chooses"), std::string::npos) << x->err;
}

// The tables of the states appended to -dcEns read back: their state remarks are REMARK lines
// and each table holds every coupling once; the average of the two states' couplings is the
// mean of their columns.
TEST(EnsembleMode, AppendedStateTablesReadBack) {
  TempDir dir;
  const RunResult r = ensemble(dir, 1, 0, "0 0 0\n0 20 0\n", {"-dcEns", "states.tab"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string states = readFile(dir / "states.tab");
  const size_t second = states.find("REMARK ENSEMBLE ID 2\n");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(states.find("REMARK ENSEMBLE Q_EULER_ANGLES     0.00    20.00     0.00\n"), std::string::npos);
  std::vector<double> sums(63, 0.0);
  for (const std::string& name : {writeFile(dir / "s1.tab", states.substr(0, second)),
                                  writeFile(dir / "s2.tab", states.substr(second))}) {
    korim::couplings::DTable d{};
    korim::couplings::dTabNull(&d);
    ASSERT_EQ(korim::couplings::readDC(name.c_str(), &d), 0);
    EXPECT_EQ(d.dCount, 63);
    korim::couplings::dTabFree(&d);
    const std::vector<double> calc = readTable(name).numbers("D");
    ASSERT_EQ(calc.size(), 63u);
    for (int i = 0; i < 63; i++) sums[i] += calc[i] / 2;
  }
  const std::vector<double> ave = readTable(dir / "ave.tab").numbers("D");
  ASSERT_EQ(ave.size(), 63u);
  for (int i = 0; i < 63; i++) EXPECT_NEAR(ave[i], sums[i], 2e-3) << i;
}

TEST(EnsembleMode, ClashingStatesCountWithWeightZero) {
  TempDir dir;
  const RunResult one = ensemble(dir, 1, 0, "0 90 0\n");
  ASSERT_EQ(one.status, 0) << one.err;
  // Residue 35 and 36 are bonded (C-N 1.3 A): with the clash test on, (0, 0, 0) clashes.
  const RunResult r = ensemble(dir, 1, 1, "0 90 0\n0 0 0\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("REMARK steric clash of domains in state 2.\n"), std::string::npos);
  const std::vector<double> s1 = valuesOf(one.err, "DATA SAUPE  "), s2 = valuesOf(r.err, "DATA SAUPE  ");
  ASSERT_TRUE(s1.size() == 5 && s2.size() == 5);
  for (int i = 0; i < 5; i++) EXPECT_NEAR(s2[i], s1[i] / 2, 1e-8) << i;
  // Every state clashing leaves no state to average: the run fails and writes no average table.
  std::remove((dir / "ave.tab").c_str());
  const RunResult none = ensemble(dir, 1, 1, "0 0 0\n");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("ensembleAlignment: no allowed state: all 1 states clash at the clash distance 2.00 A "
                          "(CLASH_DISTANCE: of the configuration two.inp); a smaller CLASH_DISTANCE: lowers the count "
                          "of clashes: 1.32 or less lets state 1 through, whose domains come no closer than that; "
                          "ENSEMBLE_CLASH: 0 turns the check off.\n"),
            std::string::npos) << none.err;
  EXPECT_FALSE(fileExists(dir / "ave.tab"));
}

// Every state clashing: the run names the configuration's CLASH_DISTANCE: and the largest distance that
// lets a state through. Followed, that distance allows the state and the run averages; a hundredth of
// an Angstrom more lets none through; and ENSEMBLE_CLASH: 0, the other advice, runs.
TEST(EnsembleMode, EveryStateClashingNamesTheDistanceThatLetsOneThrough) {
  TempDir dir;
  const std::string example = readFile(examples("ubiquitin_two_domains.inp"));
  writeFile(dir / "s.ens", "0 90 0\n0 60 0\n0 120 0\n");
  const auto run = [&](const std::string& line) {
    std::string inp = example;
    writeFile(dir / "c.inp", inp.replace(inp.find("CLASH_DISTANCE: 2.0"), 19, line));
    return runKorim({"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", "c.inp", "-inE", "s.ens", "-ave",
                     "ave.tab"},
                    dir);
  };
  const RunResult far = run("CLASH_DISTANCE: 300");
  ASSERT_EQ(far.status, 1);
  const std::string head = "ensembleAlignment: no allowed state: all 3 states clash at the clash distance 300.00 A "
                           "(CLASH_DISTANCE: of the configuration c.inp); a smaller CLASH_DISTANCE: lowers the count of "
                           "clashes: ";
  const size_t at = far.err.find(head), end = far.err.find(" or less lets state ", at);
  ASSERT_TRUE(at != std::string::npos && end != std::string::npos) << far.err;
  const std::string advised = far.err.substr(at + head.size(), end - at - head.size());
  const int state = std::stoi(far.err.substr(end + 20));
  const RunResult followed = run("CLASH_DISTANCE: " + advised);
  EXPECT_EQ(followed.status, 0) << followed.err;
  EXPECT_EQ(followed.out.find("REMARK steric clash of domains in state " + std::to_string(state) + ".\n"),
            std::string::npos);
  char more[32];
  std::snprintf(more, sizeof more, "CLASH_DISTANCE: %.2f", std::stod(advised) + 0.01);
  EXPECT_EQ(run(more).status, 1) << more;
  EXPECT_EQ(run("ENSEMBLE_CLASH: 0").status, 0);
}

// Without couplings (no -inD) the average table is still written, with the averaged tensor, which
// the couplings do not enter, and no coupling rows or statistics of them.
TEST(EnsembleMode, AverageTableWithoutCouplingsCarriesTheAveragedTensor) {
  TempDir dir;
  const RunResult coupled = ensemble(dir, 1, 0, "0 0 0\n0 20 0\n");
  ASSERT_EQ(coupled.status, 0) << coupled.err;
  const RunResult bare = runKorim({"-stKorimGrid", "-pdb", kPdb, "-inp", "two.inp", "-inE", "states.ens", "-ave",
                                   "bare.tab"}, dir);
  ASSERT_EQ(bare.status, 0) << bare.err;
  const Table with = readTable(dir / "ave.tab"), without = readTable(dir / "bare.tab");
  const std::vector<double> s1 = numbersAfter(with.lines, "DATA SAUPE "), s2 = numbersAfter(without.lines, "DATA SAUPE ");
  ASSERT_EQ(s1.size(), 5u);
  EXPECT_EQ(s2, s1);
  EXPECT_EQ(with.data("N"), 63);
  EXPECT_EQ(without.data("N"), 0);
  EXPECT_TRUE(without.rows.empty());
  EXPECT_EQ(readFile(dir / "bare.tab").find("STATISTICS DC"), std::string::npos);
}

// Without -dcEns each allowed state's table goes to the standard output, right after the
// state's remark, exactly as it goes into the -dcEns file; a clashing state has none.
TEST(EnsembleMode, StateTablesWithoutDcEnsGoToTheStandardOutput) {
  TempDir dir;
  const RunResult toFile = ensemble(dir, 1, 1, "0 90 0\n0 0 0\n", {"-dcEns", "states.tab"});
  const RunResult toStdout = ensemble(dir, 1, 1, "0 90 0\n0 0 0\n");
  ASSERT_EQ(toFile.status + toStdout.status, 0) << toFile.err << toStdout.err;
  const std::string states = readFile(dir / "states.tab");
  ASSERT_TRUE(states.rfind("REMARK Molecular Alignment Simulation.\n\nREMARK ENSEMBLE ID 1\n", 0) == 0 &&
              states.find("REMARK ENSEMBLE ID 2\n") == std::string::npos);
  std::string expected = toFile.out;
  const std::string appended = "REMARK Simulated DCs will be appended to states.tab.\n";
  ASSERT_NE(expected.find(appended), std::string::npos);
  expected.erase(expected.find(appended), appended.size());
  const size_t state1 = expected.find("REMARK ENSEMBLE Q_EULER_ANGLES ", expected.find("REMARK ENSEMBLE ID 1\n"));
  ASSERT_NE(state1, std::string::npos);
  expected.insert(expected.find('\n', state1) + 1, states);
  EXPECT_EQ(toStdout.out, expected);
}

// Without -flex each state's log goes to the standard output too, between the state tables, so
// that output is no table file; with -flex it is, and without -flex the tables of -dcEns are.
TEST(EnsembleMode, StateTablesReadAsATableFileOnlyApartFromTheLog) {
  TempDir dir;
  const std::string twoStates = "0 0 0\n0 20 0\n";
  const RunResult flex = ensemble(dir, 1, 0, twoStates);
  ASSERT_EQ(flex.status, 0) << flex.err;
  writeFile(dir / "flex.tab", flex.out);
  std::vector<std::string> noFlex = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", "two.inp",
                                     "-inE", "states.ens", "-ave", "ave.tab"};
  const RunResult mixed = runKorim(noFlex, dir);
  ASSERT_EQ(mixed.status, 0) << mixed.err;
  writeFile(dir / "mixed.tab", mixed.out);
  EXPECT_TRUE(inOrder(mixed.out, {"REMARK ENSEMBLE ID 1\n", "\nVARS ", "\n[2]  domain rotation angle [deg.]:  ",
                                  "\ninter helix angle", "\nDa(NH) = ", "\nEuler angles", "REMARK ENSEMBLE ID 2\n",
                                  "\nVARS "}));
  noFlex.insert(noFlex.end(), {"-dcEns", "states.tab"});
  ASSERT_EQ(runKorim(noFlex, dir).status, 0);
  for (const std::string name : {"flex.tab", "states.tab", "mixed.tab"}) {
    const RunResult conv = runKorim({"-conv", "-inD", name}, dir);
    const bool table = name != "mixed.tab";
    EXPECT_EQ(conv.status, table ? 0 : 1) << name << conv.err;
    EXPECT_NE(conv.err.find(table ? name + ", 126 Couplings" : "RdTable Error: "), std::string::npos) << conv.err;
  }
}
