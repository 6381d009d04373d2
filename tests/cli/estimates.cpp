// The coupling tables of the runs that back-calculate nothing (the estimates of Da and R without
// a structure, a conversion), the selections of those estimates: couplings of several nucleus
// pairs, rows of one atom at both ends, and Q over measured couplings all 0 in every best fit.
#include <tuple>

#include "tests/cli/cli_util.h"
#include "tests/support/rotation.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// A -daMl grid around the example's answer, small enough for the sanitizer build.
const std::vector<std::string> kSmallGrid = {"-lDa", "-14", "-hDa", "-8", "-incDa", "0.5",
                                             "-lR",  "0.4", "-hR",  "0.7", "-incR", "0.05"};

// n N-H couplings of bonds spread evenly over the sphere (a golden-angle spiral) under a tensor of
// Da (Hz) and R, D = Da [(3 z^2 - 1) + 1.5 R (x^2 - y^2)], with error dd and weight w (D*W: Da w).
std::string evenlySpread(const TempDir& d, const std::string& name, double da, double r, double dd, double w = 1.0,
                         int n = 200) {
  std::string t = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                  "FORMAT %4d %4s %4s %4d %4s %4s %9.4f %9.4f %.6f\n\n";
  char line[128];
  for (int i = 0; i < n; ++i) {
    const double z = 1.0 - (2.0 * i + 1.0) / n, phi = M_PI * (3.0 - std::sqrt(5.0)) * i;  // x^2 - y^2 = (1 - z^2) cos 2phi
    std::snprintf(line, sizeof line, "%4d ALA N %4d ALA H %9.4f %9.4f %.6f\n", i + 1, i + 1,
                  da * (3 * z * z - 1 + 1.5 * r * (1 - z * z) * std::cos(2 * phi)), dd, w);
    t += line;
  }
  writeFile(d / name, t);
  return name;
}

// The N-H couplings of the example structure's residues under a tensor of Da (Hz) and R whose
// frame is the structure's turned by rotZYZ(alpha, beta, gamma) (degrees): D = Da [(3 z^2 - 1) +
// 1.5 R (x^2 - y^2)] of each bond's unit vector in that frame, error 1 Hz.
std::string structureMedium(const TempDir& d, const std::string& name, double da, double r, const double (&euler)[3]) {
  const PdbAtoms atoms = readPdbAtoms(kPdb, true);
  const Mat3 frame = transpose(rotZYZ(euler[0], euler[1], euler[2]));
  std::string t = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                  "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (int n = 1; n <= atoms.n(); ++n) {
    if (atoms.names[n] != "N") continue;
    for (int h = 1; h <= atoms.n(); ++h) {
      if (atoms.names[h] != "H" || atoms.resIDs[h] != atoms.resIDs[n]) continue;
      double v[3] = {atoms.x[h] - atoms.x[n], atoms.y[h] - atoms.y[n], atoms.z[h] - atoms.z[n]}, u[3];
      const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      for (double& c : v) c /= len;
      apply(frame, v, u);
      char line[128];
      std::snprintf(line, sizeof line, "%4d %4s N %4d %4s H %9.3f %9.3f %.2f\n", atoms.resIDs[n],
                    atoms.resNames[n].c_str(), atoms.resIDs[n], atoms.resNames[n].c_str(),
                    da * (3 * u[2] * u[2] - 1 + 1.5 * r * (u[0] * u[0] - u[1] * u[1])), 1.0, 1.0);
      t += line;
    }
  }
  writeFile(d / name, t);
  return name;
}

// The sign of Da of the tensor (da, r) in the usual form: that of its principal value of largest
// size, 2 Da, -Da (1 + 1.5 R) or -Da (1 - 1.5 R).
int usualSign(double da, double r) {
  const double v[3] = {2 * da, -da * (1 + 1.5 * r), -da * (1 - 1.5 * r)};
  const double largest = *std::max_element(v, v + 3, [](double a, double b) { return std::fabs(a) < std::fabs(b); });
  return largest > 0 ? 1 : -1;
}

}  // namespace

// Couplings of known tensors on the example structure, and the example's own, read by the
// histogram's two fits and the likelihood: where an answer names the wrong sign in the usual form,
// the note says the couplings do not settle it. The histogram says so where the sizes of its two
// extremes differ by less than their sampling and noise allow (the example's by 1.85 Hz, against
// 6.97 Hz; a medium of Da +12 Hz, R 0.64 whose extremes read the wrong sign though its answer's
// least principal value, 5.5 Hz, lies well above the 2 Hz bins); the likelihood where the other
// reading of the couplings names the opposite sign. A medium read alike by all says nothing.
TEST(EstimateTables, TwoReadingsOfOppositeSignLeaveTheSignUnsettled) {
  TempDir d;
  const double m1[3] = {255, 90, 195}, m2[3] = {285, 45, 165}, calm[3] = {165, 60, 225}, edge[3] = {0, 30, 45};
  const std::string m1Tab = structureMedium(d, "m1.tab", -18, 0.15, m1), m2Tab = structureMedium(d, "m2.tab", -15, 0.6, m2),
                    m3Tab = structureMedium(d, "m3.tab", 15, 0.55, m2), calmTab = structureMedium(d, "calm.tab", -12, 0.15, calm),
                    edgeTab = structureMedium(d, "edge.tab", 12, 0.64, edge);
  const std::string extremes = "korim: the couplings do not settle the sign of Da: the sizes of their two extremes, ",
                    opposite = "korim: the couplings do not settle the sign of Da: their two readings name opposite signs";
  const std::vector<std::string> grid = {"-lDa", "-20", "-hDa", "-8", "-incDa", "0.5", "-lR", "0", "-hR", "2", "-incR", "0.05"};
  const struct {
    std::vector<std::string> run;
    int sign;  // of the tensor the couplings come from (the example's: the fit with the structure's)
    std::string note;
  } cases[] = {
      {{"-daHist", "-nFit", "2", "-inD", kCouplings}, -1,
       extremes + "Dzz +23.510 and Dyy -21.660 Hz, differ by +1.850 Hz, less than the 6.972 Hz by which the extremes "
                  "of 63 couplings of mean error DD*W 1.000 Hz may miss the principal values (few bonds lie near each "
                  "axis, and noise moves the outermost couplings), so the tensor Da +11.755 Hz, R 0.562 and its "
                  "negative, Da -11.755 Hz, R 0.562 (both in the usual form), give nearly the same couplings; a fit "
                  "with the structure (-bestFit) settles the sign.\n"},
      {{"-daHist", "-nFit", "4", "-inD", kCouplings}, -1,
       extremes + "Dzz +23.510 and Dyy -21.660 Hz, differ by +1.850 Hz, less than the 6.972 Hz"},
      {{"-daHist", "-nFit", "3", "-inD", m3Tab}, 1,
       extremes + "Dzz -26.096 and Dyy +24.062 Hz, differ by +2.035 Hz, less than the 6.817 Hz"},
      {{"-daHist", "-nFit", "3", "-inD", edgeTab}, 1, extremes + "Dzz -22.521 and Dyy +21.056 Hz, differ by +1.465 Hz, less than the 6.090 Hz"},
      // Its witness was that three-point fit: no reading of the couplings, and the answer's sign is right.
      {{"-daHist", "-nFit", "2", "-inD", m1Tab}, -1, ""},
      {{"-daHist", "-nFit", "2", "-inD", m2Tab}, -1,
       extremes + "Dzz +27.131 and Dyy -24.138 Hz, differ by +2.993 Hz, less than the 7.058 Hz"},
      {plus({"-daMl", "-inD", m2Tab}, grid), -1,
       opposite + " in the usual form (the answer, the likelihood grid's best point: Da -14.850 Hz, R 0.545; the "
                  "two-extreme estimate, DATA EQ Da and EQ R: Da +14.087 Hz, R 0.581), so the answer's tensor and its "
                  "negative, Da +14.850 Hz, R 0.545, give nearly the same couplings; a fit with the structure "
                  "(-bestFit) settles the sign.\n"},
      {{"-daHist", "-nFit", "2", "-inD", calmTab}, -1, ""},
      {{"-daHist", "-nFit", "3", "-inD", calmTab}, -1, ""},
      {plus({"-daMl", "-inD", calmTab}, grid), -1, ""},
  };
  for (const auto& c : cases) {
    const std::string what = c.run[0] + " " + c.run[2] + " " + c.run[4];
    const RunResult r = runKorim(plus(c.run, {"-outD", "out.tab", "-outSc", "s.sc"}), d);
    ASSERT_EQ(r.status, 0) << what << r.err;
    const Table t = readTable(d / "out.tab");
    const bool ml = c.run[0] == "-daMl";
    const double da = ml ? t.data("ML Da") : numbersAfter(t.lines, "REMARK DATA Da ").at(0),
                 rh = ml ? t.data("ML R") : numbersAfter(t.lines, "REMARK DATA R ").at(0);
    const int sign = usualSign(da, rh);
    const bool said = r.err.find("korim: the couplings do not settle the sign of Da") != std::string::npos;
    EXPECT_TRUE(sign == c.sign || said) << what << ": a wrong sign said nothing\n" << r.err;
    EXPECT_EQ(said, !c.note.empty()) << what << r.err;
    if (said) {
      EXPECT_TRUE(inOrder(r.err, {c.note})) << what << r.err;
      EXPECT_TRUE(t.hasLine("REMARK T" + lines(r.err.substr(r.err.find(c.note) + 8)).at(0))) << what;
    }
  }
}

// A medium of Da +30 Hz lies beyond the default grid's |Da| (3 to 25 Hz), as does its negated
// copy, and the same couplings weighed down to Da 1 Hz lie below it: the run says so before the
// answer, naming one -lDa or -hDa; followed, the run answers inside the grid near the tensor.
TEST(EstimateTables, LikelihoodAdviceTakesTheGridToTheCouplings) {
  const struct {
    double da, w, answer;
    const char* option;
  } media[] = {{30.0, 1.0, 30.0, "-lDa"}, {-30.0, 1.0, -30.0, "-lDa"}, {30.0, 1.0 / 30.0, 1.0, "-hDa"}};
  for (const auto& m : media) {
    TempDir d;
    const std::vector<std::string> run = {"-daMl", "-inD", evenlySpread(d, "m.tab", m.da, 0.45, 1.0, m.w),
                                          "-outD", "ml.tab", "-outSc", "ml.sc", "-incDa", "0.5", "-incR", "0.05"};
    RunResult r = runKorim(run, d);
    const size_t at = r.err.find(std::string("; ") + m.option + " ");
    ASSERT_TRUE(r.status == 0 && at < r.err.find("korim: the best point")) << r.err;  // before the answer's notes
    std::istringstream advice(r.err.substr(at + 2));
    std::string option, value;
    advice >> option >> value;
    r = runKorim(plus(run, {option, value}), d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.find(" edge") == std::string::npos && r.err.find("DATA EQ Da") == std::string::npos) << r.err;
    const Table t = readTable(d / "ml.tab");
    EXPECT_NEAR(t.data("ML Da"), m.answer, 0.05 * std::fabs(m.answer)) << option << " " << value;
    EXPECT_NEAR(t.data("ML R"), 0.45, 0.05);
  }
}

// Errors the likelihood cannot broaden by (every DD 20 Hz, beyond its 3.41 Hz) refuse -daMl before
// the grid is weighed against the couplings' size: no grid advice comes with a run no grid mends.
TEST(EstimateTables, LikelihoodRefusesItsErrorsBeforeAdvisingAGrid) {
  TempDir d;
  const RunResult r = runKorim({"-daMl", "-inD", evenlySpread(d, "m.tab", 30.0, 0.45, 20.0), "-outD", "ml.tab"}, d);
  EXPECT_TRUE(r.status == 1 && inOrder(r.err, {"korim: the mean coupling error 20.000 Hz is outside the likelihood's "
                                               "range (above 0, at most 3.41 Hz).\n"}))
      << r.err;
  EXPECT_EQ(r.err.find("-lDa"), std::string::npos) << r.err;
}

// -daFlex runs with no ratio to compare, on a phage-like medium (Da +29.87 Hz, R 0.448): residues 1
// to 30, each run drawing all 30 alike, and 1 to 9, too few for a histogram. The run names the
// options that, followed, give runs to compare; where none tried does, or none applies, it says so
// and names the fit with the structure.
TEST(EstimateTables, FlexibleRunsWithNothingToCompareNameTheWayForward) {
  TempDir d;
  const double phage[3] = {30, 60, 90};
  const std::string m = structureMedium(d, "phage.tab", 29.87, 0.448, phage);
  const std::string structure = "; a fit with the structure (-bestFit) settles Da and R.\n";
  const struct {
    std::vector<std::string> options;
    std::string way;  // the options named, or the message that none mends
  } cases[] = {
      {{"-s1", "1", "-sN", "30"}, "-nSel 15"},
      // An option the run gives is advised in place of its value.
      {{"-s1", "1", "-sN", "30", "-nRun", "3", "-nSel", "30"}, "-nFit 2 -nRun 1000 -nSel 15 in place of -nRun 3 -nSel 30"},
      {{"-s1", "1", "-sN", "9"}, "no option tried mends this (-nFit 2: followed, no run to compare)" + structure},
      {{"-s1", "1", "-sN", "9", "-nFit", "2"}, "no option of the estimate is known to mend this" + structure},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> run = plus({"-daFlex", "-inD", m, "-outD", "f.tab", "-outSc", "f.sc", "-outCol", "f.col"},
                                              c.options);
    RunResult r = runKorim(run, d);
    ASSERT_EQ(r.status, 1) << c.way;
    const size_t at = r.err.find("motionHist: no run has a ratio score");
    const bool mends = c.way[0] == '-';
    ASSERT_TRUE(at != std::string::npos &&
                r.err.find("\nmotionHist: " + c.way + (mends ? " mends this: followed, " : ""), at) != std::string::npos)
        << r.err;
    if (!mends) continue;
    r = runKorim(followAdvice(run, c.way), d);
    EXPECT_TRUE(r.status == 0 && readFile(d / "f.sc").find("# DATA MAX_MIN Da ") != std::string::npos) << r.err.substr(0, 600);
  }
}

// The example's couplings weighed down to the estimates' floor, DATA EQ Da 0.667 Hz (W 0.0553), and
// just above it (W 0.0554), below a grid of |Da| 1 to 3 Hz: the advice, followed, takes the grid to
// about half of that and answers inside it (W 0.0285, whose advised -hDa -0.34 answered on that
// edge, and W 0.0552 lie below the floor: refused).
TEST(EstimateTables, LikelihoodAdviceAtTheFloorAnswersInsideTheGrid) {
  for (const std::string w : {"0.0553", "0.0554"}) {
    TempDir d;
    std::string weighed = readFile(kCouplings);
    for (size_t at = weighed.find(" 1.00\n"); at != std::string::npos; at = weighed.find(" 1.00\n", at + 1))
      weighed.replace(at, 5, " " + w);
    writeFile(d / "w.tab", weighed);
    std::vector<std::string> run = {"-daMl", "-inD", "w.tab", "-outD", "ml.tab", "-outSc", "ml.sc",
                                    "-lDa", "-3", "-hR", "1", "-incR", "0.05", "-hDa", "-1"};
    RunResult r = runKorim(run, d);
    const size_t at = r.err.find("; -hDa ");
    ASSERT_TRUE(r.status == 0 && at < r.err.find(" takes the grid to it with room to spare.\n")) << w << r.err;
    const std::string value = r.err.substr(at + 7, r.err.find(' ', at + 7) - at - 7);
    run.back() = value;
    r = runKorim(run, d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.find(" edge") == std::string::npos && r.err.find("own estimate") == std::string::npos)
        << w << " -hDa " << value << r.err;
    const double da = readTable(d / "ml.tab").data("ML Da");
    EXPECT_TRUE(da > -std::stod(value) && da < 1.0) << w << " -hDa " << value << ": Da " << da;
  }
}

// Histograms whose fullest count two bins share at the automatic layout (the first 44 couplings of
// the example; a medium of Da -20 Hz, R 0.3, errors 2 Hz; the example with errors of 2.5 Hz; a
// phage-like medium of Da +29.87 Hz, R 0.448 on the structure's N-H bonds), or whose fullest bin
// lies beside an extreme (that medium negated, and in another frame: Dzz + Dyy + Dxx far from the 0
// of a traceless tensor): the refusal names the two-extreme estimate, which -nFit 2 answers with,
// and at most three counts, nearest the automatic one first, each of which, followed, answers with
// R from 0 to 2/3 and three values within two bin widths (a bin counted as one to two mean errors)
// and a tenth of |Dzz| of summing to 0; where the medium's tensor is known to be read alike, within
// 15 % of its Da and 0.1 of its R (the frame (120, 90, 150) once named -bin 9 and -bin 8, bins of
// 13 Hz whose fullest lay beside Dyy: R 0.14 and 0.16). A named count equal to the automatic one is
// said to be another layout of as many bins. A run that gives a count of its own that refuses
// alike names the counts in place of it, and each, put in its place, answers.
TEST(EstimateTables, HistogramTieNamesBinCountsCheckedToAnswer) {
  TempDir d;
  std::string rows44;
  int n = 0;
  for (const std::string& l : lines(readFile(kCouplings)))
    if (!(l.size() > 40 && l[0] == ' ') || ++n <= 44) rows44 += l + "\n";
  writeFile(d / "rows44.tab", rows44);
  std::string dd25 = readFile(kCouplings);
  for (size_t at = dd25.find("     1.000 1.00\n"); at != std::string::npos; at = dd25.find("     1.000 1.00\n", at + 1))
    dd25.replace(at, 10, "     2.500");
  writeFile(d / "dd25.tab", dd25);
  const double phage[3] = {30, 60, 90}, coarse[3] = {120, 90, 150};
  const std::string tie = "Error: No single most populated coupling value.\n",
                    beside = "Error: The fullest bin is no Dxx: Dzz_Dyy_Dxx ";
  // The table, its automatic count, the refusal, how far from the automatic count the first named
  // lies, and the Da and R every named count answers near (Da 0: not checked).
  const std::tuple<std::string, int, std::string, int, double, double> cases[] = {
      {"rows44.tab", 22, tie, 1, 0, 0},
      {evenlySpread(d, "pf.tab", -20.0, 0.3, 2.0, 1.0, 100), 18, tie, 1, 0, 0},
      {"dd25.tab", 10, tie, 1, 0, 0},
      {structureMedium(d, "phage.tab", 29.87, 0.448, phage), 55, tie, 13, 0, 0},
      {structureMedium(d, "phageNeg.tab", -29.87, 0.448, phage), 55, beside, 34, 0, 0},
      {structureMedium(d, "coarse.tab", 29.87, 0.448, coarse), 54, beside, 39, 29.87, 0.448}};
  int givenCounts = 0;  // tables whose refusal with a -bin given was followed
  for (const auto& [table, automatic, refusal, within, da, rhombicity] : cases) {
    const RunResult r = runKorim({"-daHist", "-inD", table, "-outD", "h.tab"}, d);
    const size_t at = r.err.find("nearest the automatic " + std::to_string(automatic) + " bins first: ");
    ASSERT_TRUE(r.status == 1 && at != std::string::npos && r.err.find(refusal) != std::string::npos) << r.err;
    if (refusal == beside) {  // the three values it names lie beyond the margin of 2-Hz bins
      double zz = 0, yy = 0, xx = 0;
      ASSERT_EQ(std::sscanf(r.err.c_str() + r.err.find(beside) + beside.size(), "%lf %lf %lf", &zz, &yy, &xx), 3);
      EXPECT_GT(std::fabs(zz + yy + xx), 2 * 2.0 + 0.1 * std::fabs(zz)) << r.err;
      EXPECT_NE(r.err.find(" Hz here (two bin widths and a tenth of |Dzz|; a bin counts as at least the mean error and "
                           "at most twice it).\n"),
                std::string::npos)
          << r.err;
    }
    EXPECT_LT(r.err.find("The two extremes alone give Da "), at) << r.err;  // the estimate -nFit 2 fits to
    std::vector<int> counts;
    for (size_t p = r.err.find("-bin ", at); p < r.err.find(" a single fullest", at); p = r.err.find("-bin ", p + 1))
      counts.push_back(std::stoi(r.err.substr(p + 5)));
    ASSERT_TRUE(!counts.empty() && counts.size() <= 3 && std::abs(counts[0] - automatic) <= within) << r.err;
    const std::string a = std::to_string(automatic);
    EXPECT_EQ(std::find(counts.begin(), counts.end(), automatic) != counts.end(),
              r.err.find(" (-bin " + a + " lays its " + a + " bins of ") != std::string::npos)
        << table << r.err;
    // The automatic bins this run had are twice the mean error wide.
    const double delta = std::stod(r.err.substr(r.err.find(" bins of ", r.err.find("The number of bins decides")) + 9)) / 2;
    for (int count : counts) {
      ASSERT_EQ(runKorim({"-daHist", "-inD", table, "-outD", "h.tab", "-bin", std::to_string(count)}, d).status, 0)
          << table << " -bin " << count;
      const Table h = readTable(d / "h.tab");
      const double rh = numbersAfter(h.lines, "REMARK DATA R ").at(0);
      const std::vector<double> p = numbersAfter(h.lines, "REMARK DATA Dzz_Dyy_Dxx ");
      const double width = std::clamp(numbersAfter(h.lines, "REMARK DATA BINWIDTH ").at(0), delta, 2 * delta);
      EXPECT_TRUE(rh >= 0.0 && rh <= 2.0 / 3.0) << table << " -bin " << count << ": R " << rh;
      EXPECT_LE(std::fabs(p.at(0) + p.at(1) + p.at(2)), 2 * width + 0.1 * std::fabs(p.at(0))) << table << " -bin " << count;
      if (da == 0) continue;
      EXPECT_TRUE(std::fabs(numbersAfter(h.lines, "REMARK DATA Da ").at(0) - da) <= 0.15 * std::fabs(da) &&
                  std::fabs(rh - rhombicity) <= 0.1)
          << table << " -bin " << count << ": R " << rh;
    }
    // A run that gives a -bin of its own, refused alike, names the counts in place of it; each, put in
    // its place, answers. The nearest count to the automatic one that is not named and refuses is tried.
    for (int step = 1; step <= 12; ++step) {
      const int given = automatic + (step % 2 == 1 ? (step + 1) / 2 : -step / 2);
      if (given < 3 || std::find(counts.begin(), counts.end(), given) != counts.end()) continue;
      const std::vector<std::string> run = {"-daHist", "-inD", table, "-outD", "h.tab", "-bin", std::to_string(given)};
      const RunResult g = runKorim(run, d);
      const size_t from = g.err.find("Checked for these couplings");
      if (g.status != 1 || from == std::string::npos) continue;
      const std::string advice = g.err.substr(from, g.err.find(" a single fullest", from) - from);
      const std::string place = "in place of -bin " + std::to_string(given);
      EXPECT_NE(advice.find(place), std::string::npos) << table << "\n" << advice;
      std::vector<int> named;
      for (size_t p = advice.find("-bin "); p < advice.find(place); p = advice.find("-bin ", p + 1))
        named.push_back(std::stoi(advice.substr(p + 5)));
      ASSERT_FALSE(named.empty()) << table << "\n" << advice;
      for (int count : named) {
        std::vector<std::string> followed = run;
        followed.back() = std::to_string(count);
        EXPECT_EQ(runKorim(followed, d).status, 0) << table << " -bin " << count << " in place of -bin " << given;
      }
      givenCounts++;
      break;
    }
  }
  // The advice to a run that gives -bin is followed on some of the tables.
  EXPECT_GT(givenCounts, 0);
}

// Every row and column of the couplings used stays; one remark stands for the statistics, and
// with -mapMl only RMS and Chi2 stay, the RMS of the rows' own D_OBS - D.
TEST(EstimateTables, StatisticsOnlyWhereDIsComparedWithSomething) {
  const std::string n = "DATA N                    63\n";
  const std::string copy = " fits no tensor and back-calculates no coupling: D repeats D_OBS.\n\nVARS";
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> block;  // after "DATA N 63", in order
  } cases[] = {
      {{"-daHist"}, {n + "REMARK No comparison statistics: -daHist" + copy}},
      {plus({"-daMl"}, kSmallGrid), {n + "REMARK No comparison statistics: -daMl" + copy}},
      {{"-conv", "-korim"}, {n + "REMARK No comparison statistics: -conv back-calculates no coupling: D is D_OBS "
                                 "converted (with noise or scaled where asked).\n\nVARS"}},
      {plus({"-daMl", "-mapMl"}, kSmallGrid),
       {n + "REMARK D is the centre of the range of couplings", "\nDATA RMS ", "\nDATA Chi2 ",
        "\nREMARK No CORR R, Q or REGRESSION: ", ".\n\nVARS"}},
  };
  for (const auto& c : cases) {
    TempDir d;
    ASSERT_EQ(runKorim(plus(c.args, {"-inD", kCouplings, "-outD", "out.tab"}), d).status, 0) << c.args[0];
    const std::string text = readFile(d / "out.tab");
    EXPECT_TRUE(inOrder(text, c.block)) << text;
    const Table t = readTable(d / "out.tab");
    const std::vector<double> obs = t.numbers("D_OBS"), calc = t.numbers("D");
    ASSERT_EQ(t.rows.size(), 63u);
    double sum2 = 0.0;
    for (size_t i = 0; i < obs.size(); ++i) sum2 += (obs[i] - calc[i]) * (obs[i] - calc[i]);
    EXPECT_EQ(sum2 == 0.0, c.block.size() == 1) << c.args[0];
    if (c.block.size() > 1) {
      EXPECT_NEAR(t.data("RMS"), std::sqrt(sum2 / 63), 2e-3);
    }
  }
}

// Measured couplings all 0: no best fit writes a Q, whatever tensor it reports (-mcDc reports
// the mean of fits to noise, which is not zero).
TEST(EstimateTables, MeasuredCouplingsAllZeroGetNoQ) {
  TempDir d;
  std::string zero;  // each row's D (columns 31 to 40) 0.000
  for (const std::string& l : lines(readFile(kCouplings)))
    zero += (l.size() > 40 && l[0] == ' ' ? l.substr(0, 30) + "     0.000" + l.substr(40) : l) + "\n";
  writeFile(d / "zero.tab", zero);
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-single"}, {"-mcDc", "-map", "20"}}) {
    const RunResult r = runKorim(plus({"-bestFit", "-pdb", kPdb, "-inD", "zero.tab", "-outD", "out.tab"}, mode), d);
    ASSERT_EQ(r.status, 0) << mode[0] << r.err;
    const Table t = readTable(d / "out.tab");
    ASSERT_EQ(t.numbers("D_OBS"), std::vector<double>(63, 0.0));
    EXPECT_TRUE(t.hasLine("REMARK No Q SAUPE: the measured couplings are all 0 (they show no alignment for Q to "
                          "judge a tensor by).")) << mode[0];
  }
}

// A table of five atom pairs (CA-HA and H-C two kinds, not one C-H): named with their counts, on
// the error stream and in the table; -aD1 N -aD2 H, as the message advises, gives the table of the
// N-H rows alone.
TEST(EstimateTables, CouplingsOfSeveralNucleusPairsAreNamedAndOneIsSelected) {
  const std::string mixed = korim_test::examples("ubiquitin_mixed_kinds.tab");
  const std::string kinds = " are of 5 kinds of atom pair: N-H 63, CA-HA 15, N-C 15, CA-C 15, H-C 15; the estimate "
                            "is the Da of one kind only when D*W scales every row onto it (-aD1 and -aD2 select one "
                            "kind).\n";
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-daHist"}, plus({"-daMl"}, kSmallGrid)}) {
    TempDir d;
    RunResult r = runKorim(plus(mode, {"-inD", mixed, "-outD", "mixed.tab", "-outSc", "s.sc"}), d);
    EXPECT_TRUE(inOrder(r.err, {"korim: the 123 selected couplings of " + mixed + kinds})) << r.err;
    EXPECT_NE(readFile(d / "mixed.tab").find("\nREMARK The 123 selected couplings" + kinds), std::string::npos);
    r = runKorim(plus(mode, {"-inD", mixed, "-aD1", "N", "-aD2", "H", "-outD", "nh.tab", "-outSc", "s.sc"}), d);
    EXPECT_EQ(r.err.find("kinds of atom pair"), std::string::npos) << r.err;
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
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"-daHist", "-inD", "t.tab"},
                                               {"-conv", "-xplor", "-inD", "t.tab"},
                                               {"-anDc", "-inD1", "t.tab", "-inD2", "t.tab"}}) {
    TempDir withRows, without;
    writeFile(withRows / "t.tab", seven);
    writeFile(without / "t.tab", sound);
    const RunResult r = runKorim(plus(mode, {"-outD", "out.txt"}), withRows);
    ASSERT_EQ(runKorim(plus(mode, {"-outD", "out.txt"}), without).status, 0);
    EXPECT_TRUE(inOrder(r.err, {"DC Warning: 7 couplings name one atom at both ends (no bond vector) and are not "
                                "used:\n   row 4: 5 H - 5 H\n   row 12: 14 H - 14 H\n"})) << mode[0] << r.err;
    EXPECT_NE(r.out.find("REMARK 56 couplings selected"), std::string::npos) << mode[0] << r.out;
    EXPECT_EQ(readFile(withRows / "out.txt"), readFile(without / "out.txt")) << mode[0];
  }
}

// The example's couplings and their copy with every coupling negated: -daMl answers opposite Da and
// one R, each the tensor that the SVD fit with the structure gives for the same couplings (through
// the usual form: the answer's R lies above 2/3), and maps them to exact mirror images in the
// search's frame; -daHist answers opposite signs too (its R may differ: its bins start at the low
// end).
TEST(EstimateTables, EstimatesAnswerInTheSignOfTheCouplings) {
  TempDir d;
  std::string negated;
  for (const std::string& l : lines(readFile(kCouplings)))
    if (l.size() > 40 && l[0] == ' ') {
      char d10[16];
      std::snprintf(d10, sizeof d10, "%10.3f", -std::stod(l.substr(30, 10)));
      negated += l.substr(0, 30) + d10 + l.substr(40) + "\n";
    } else {
      negated += l + "\n";
    }
  writeFile(d / "negated.tab", negated);
  const std::vector<std::string> grid = {"-lDa", "-14", "-hDa", "-8", "-incDa", "0.5", "-lR",   "0.4",
                                         "-hR",  "0.75", "-incR", "0.05", "-mapMl"};
  struct Answer {
    double da, r, svd;
    Table mapped;
  };
  std::vector<Answer> answers;
  // Neither estimate settles the sign here (-daHist: the extremes' sizes differ by 1.85 Hz, less
  // than their sampling and noise allow; -daMl: the least principal value, 0.59 Hz, lies below what
  // the couplings resolve): each names its answer and the negative, one of which the fit with the
  // structure that the note advises gives.
  const auto unsettled = [](const std::string& err, double svd) {
    double da = 0, neg = 0;
    const size_t at = err.find("), so the tensor Da ", err.find("korim: the couplings do not settle the sign of Da: "));
    return at != std::string::npos &&
           std::sscanf(err.c_str() + at, "), so the tensor Da %lf Hz, R %*f and its negative, Da %lf", &da, &neg) == 2 &&
           da == -neg && std::fabs((da * svd > 0 ? da : neg) - svd) < 1.5;
  };
  for (const std::string& in : {kCouplings, std::string("negated.tab")}) {
    const RunResult rm = runKorim(plus({"-daMl", "-inD", in, "-outD", "ml.tab", "-outSc", "ml.sc"}, grid), d);
    ASSERT_EQ(runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", in, "-outD", "fit.tab"}, d).status, 0);
    const Table ml = readTable(d / "ml.tab");
    answers.push_back({ml.data("ML Da"), ml.data("ML R"), readTable(d / "fit.tab").data("Da_HN"), ml});
    const RunResult rh = runKorim({"-daHist", "-inD", in, "-outD", "hist.tab"}, d);
    ASSERT_TRUE(rm.status == 0 && rh.status == 0);
    const double hist = numbersAfter(readTable(d / "hist.tab").lines, "REMARK DATA Da ").at(0);
    EXPECT_EQ(hist > 0, answers.size() == 1) << in << " " << hist;
    EXPECT_TRUE(unsettled(rm.err, answers.back().svd) && unsettled(rh.err, answers.back().svd)) << rm.err << rh.err;
  }
  const Answer &a = answers[0], &b = answers[1];
  EXPECT_TRUE(a.svd < 0 && b.svd == -a.svd) << a.svd << " " << b.svd;
  EXPECT_TRUE(a.da == -b.da && a.r == b.r) << a.da << " " << b.da;
  for (const Answer& x : {a, b}) {
    ASSERT_TRUE(x.r > 2.0 / 3.0 && x.r <= 2.0) << x.r;
    EXPECT_NEAR(-x.da * (2 + 3 * x.r) / 4, x.svd, 1.0) << x.da << " " << x.r;  // the usual form's Da
  }
  EXPECT_EQ(a.mapped.numbers("DD"), b.mapped.numbers("DD"));
  std::vector<double> mirror = b.mapped.numbers("D");
  for (double& v : mirror) v = -v;
  EXPECT_EQ(a.mapped.numbers("D"), mirror);
}

// Couplings that the selection leaves of one sign: the positive rows of the example, its residues
// 55 to 71 (-s1/-sN), positive CA-HA rows beside both signs of N-H (-aD1/-aD2), the positive and
// the negative rows each beside a coupling of exactly 0, which lies on neither side. The histogram
// estimates, which read Da from the two extremes, refuse them; the likelihood answers with a
// warning; the N-H rows of both signs run, and so does the fit the messages advise.
TEST(EstimateTables, CouplingsOfOneSignAreNoSampleOfATensor) {
  TempDir d;
  std::string positive, negative, withCaHa = readFile(kCouplings);
  for (const std::string& l : lines(readFile(kCouplings))) {
    const bool row = l.size() > 40 && l[0] == ' ';
    const double dc = row ? std::stod(l.substr(30, 10)) : 0.0;
    if (!row || dc > 0) positive += l + "\n";
    if (!row || dc < 0) negative += l + "\n";
    if (row && dc > 0) withCaHa += l.substr(0, 10) + "   CA" + l.substr(15, 10) + "   HA" + l.substr(30) + "\n";
  }
  const std::string pos = writeFile(d / "pos.tab", positive), neg = writeFile(d / "neg.tab", negative),
                    caha = writeFile(d / "caha.tab", withCaHa);
  const std::string zeroRow = "   72  GLY    N   72  GLY    H     0.000     1.000 1.00\n";
  const std::string posZero = writeFile(d / "pos0.tab", positive + zeroRow), negZero = writeFile(d / "neg0.tab", negative + zeroRow);
  const auto allPositive = [](int n, const std::string& f) {
    return std::to_string(n) + " selected couplings of " + f + " are all positive";
  };
  const Expect cases[] = {
      {{"-daHist", "-inD", pos, "-outD", "out.tab"}, 1,
       {"korim: the " + allPositive(43, pos) + ": -daHist reads Da from the two extremes of the couplings, which under "
        "any tensor lie on opposite signs (from -Da (1 + 1.5 R) to 2 Da for R 0 to 2/3), so couplings of one sign give "
        "no Da (nor do sizes |D| without their sign); a fit with the structure (-bestFit) settles Da.\n"}},
      {{"-daFlex", "-outSc", "s.sc", "-outCol", "s.col", "-nRun", "40", "-inD", pos, "-outD", "out.tab"}, 1,
       {allPositive(43, pos) + ": -daFlex reads Da"}},
      {{"-daHist", "-inD", kCouplings, "-s1", "55", "-sN", "71", "-outD", "out.tab"}, 1, {allPositive(16, kCouplings)}},
      {{"-daHist", "-inD", caha, "-aD1", "CA", "-aD2", "HA", "-outD", "out.tab"}, 1, {allPositive(43, caha)}},
      {{"-daHist", "-inD", posZero, "-outD", "out.tab"}, 1, {allPositive(44, posZero) + " or 0 (1 of them 0): -daHist"}},
      {{"-daHist", "-inD", negZero, "-outD", "out.tab"}, 1,
       {"21 selected couplings of " + negZero + " are all negative or 0 (1 of them 0): -daHist"}},
      {{"-daHist", "-inD", caha, "-aD1", "N", "-aD2", "H", "-outD", "out.tab"}, 0, {}, true},
      {{"-bestFit", "-single", "-pdb", kPdb, "-inD", pos, "-outD", "out.tab"}, 0, {}, true},  // the advice
      {plus({"-daMl", "-inD", neg, "-outD", "out.tab", "-outSc", "s.sc"}, kSmallGrid), 0,
       {"korim: the 20 selected couplings of " + neg + " are all negative: under any tensor the couplings of evenly "
        "spread bonds lie on both signs (from -Da (1 + 1.5 R) to 2 Da for R 0 to 2/3), so these are no such sample and "
        "the answer is not settled by them (if they are sizes |D| without their sign, give them their signs); a fit "
        "with the structure (-bestFit) settles Da.\n"}, true},
  };
  for (const Expect& c : cases) expectRun(c);
}
