// Best fit with error estimates on couplings back-calculated from a known tensor on the example
// structure: the Monte-Carlo spread scales with the noise, an error-bar factor whose noise swamps
// the couplings is refused, the jackknife repeats and the cone search follows the misfit. (The single fit recovering a known tensor is
// UbiquitinSVD.RecoversAGeneratedTensorAndIsInvariantToRotation, the turn of each N-H vector by a
// fixed cone AddPdbNoise.FixedConeTurnsVectorsAndGroupsRigidlyAboutTheirPivot.)
#include <map>
#include <random>
#include <sstream>

#include "tests/cli/cli_util.h"
#include "tests/support/rotation.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

constexpr double kDaHn = -10.0;  // the known tensor: Da scaled to N-H (Hz), rhombicity, frame
constexpr double kRh = 0.4;

// (N, H) atom indices of the residues of the example coupling table.
std::vector<std::pair<int, int>> nhPairs(const PdbAtoms& atoms) {
  std::map<std::pair<int, std::string>, int> byName;
  for (int i = 1; i <= atoms.n(); i++) byName[{atoms.resIDs[i], atoms.names[i]}] = i;
  std::vector<std::pair<int, int>> v;
  for (double r : readTable(kCouplings).numbers("RESID_I"))
    v.push_back({byName.at({static_cast<int>(r), "N"}), byName.at({static_cast<int>(r), "H"})});
  return v;
}

// The example's N-H couplings back-calculated from the known tensor, whose principal frame is
// turned by z-y-z angles (30, 50, -20); Gaussian noise of standard deviation noise (Hz) added,
// the errors all sigma.
std::string knownTensorTable(const TempDir& dir, double sigma, double noise = 0.0) {
  const PdbAtoms atoms = readPdbAtoms(kPdb, true);
  const Mat3 rot = rotZYZ(30.0, 50.0, -20.0);
  std::mt19937 gen(7);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::string text = "VARS    RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                     "FORMAT  %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (auto [n, h] : nhPairs(atoms)) {
    double u[3] = {atoms.x[h] - atoms.x[n], atoms.y[h] - atoms.y[n], atoms.z[h] - atoms.z[n]};
    const double l = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& c : u) c /= l;
    double p[3];  // the unit vector in the principal frame
    apply(transpose(rot), u, p);
    const double d = kDaHn * (3 * p[2] * p[2] - 1) + 1.5 * kDaHn * kRh * (p[0] * p[0] - p[1] * p[1]) +
                     noise * normal(gen);
    char line[128];
    std::snprintf(line, sizeof line, "%4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n", atoms.resIDs[n],
                  atoms.resNames[n].c_str(), "N", atoms.resIDs[n], atoms.resNames[n].c_str(), "H", d, sigma, 1.0);
    text += line;
  }
  return writeFile(dir / "known.tab", text);
}

// The values after the label of a "DATA STATISTICS MAPPING" record.
std::vector<double> mapping(const Table& t, const std::string& label) {
  return numbersAfter(t.lines, "REMARK DATA STATISTICS MAPPING " + label);
}

// A best fit with an error estimate on the example structure; its logs go to four files.
RunResult estimate(const TempDir& d, std::vector<std::string> args) {
  args.insert(args.begin(), "-bestFit");
  args.insert(args.end(), {"-pdb", kPdb, "-outDa", "da.log", "-outMap", "map.log", "-outAng", "ang.log", "-outA",
                           "saupe.log"});
  return runKorim(args, d);
}

// The example's coupling rows split into their words, and the lines before them (its header).
std::vector<std::vector<std::string>> exampleRows(std::string* header) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& l : lines(readFile(kCouplings))) {
    std::istringstream in(l);
    std::vector<std::string> f;
    for (std::string w; in >> w;) f.push_back(w);
    if (f.size() == 9 && std::isdigit(static_cast<unsigned char>(f[0][0]))) rows.push_back(f);
    else if (rows.empty()) *header += l + "\n";
  }
  return rows;
}

}  // namespace

TEST(ErrorEstimates, MonteCarloSpreadScalesWithTheErrorBars) {
  TempDir d;
  std::vector<double> sd[2];
  for (int k = 0; k < 2; k++) {
    const std::string in = knownTensorTable(d, k ? 0.5 : 1.0);
    RunResult r = estimate(d, {"-mcDc", "-noerr", "-noautoMc", "-map", "300", "-inD", in, "-outD", "mc.tab",
                               "-outFail", "fail.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Table t = readTable(d / "mc.tab");
    EXPECT_EQ(mapping(t, "NUMBER OF SUCCESFUL STEPS"), std::vector<double>{300});
    EXPECT_EQ(lines(readFile(d / "da.log")).size(), 302u);  // header, blank line, one per fit
    EXPECT_EQ(t.numbers("D_OBS"), readTable(in).numbers("D"));  // the measured couplings as read
    sd[k] = mapping(t, "SAUPE STD_DEV");
    ASSERT_EQ(sd[k].size(), 5u);
  }
  for (int e = 0; e < 5; e++) {
    EXPECT_GT(sd[0][e], 0.0);
    EXPECT_NEAR(sd[1][e] / sd[0][e], 0.5, 0.05) << "element " << e;
  }
}

TEST(ErrorEstimates, JackknifeRepeats) {
  TempDir d;
  std::string first;
  for (int run = 0; run < 2; run++) {
    RunResult r = estimate(d, {"-jack", "-map", "50", "-inD", kCouplings, "-outD", "jack.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {"REMARK 12 DC of 63 picked.\n", "REMARK 50 SVD runs of 50 succesful.\n"}));
    std::string all;
    for (const char* f : {"jack.tab", "da.log", "map.log", "ang.log", "saupe.log"}) all += readFile(d / f);
    if (run == 0) first = all;
    else EXPECT_EQ(all, first);
  }
  // Subsets that keep every coupling, which gave no spread, are refused (tests/cli/refusals.cpp).
}

TEST(ErrorEstimates, ConeWidthGrowsWithTheMisfitOfTheCouplings) {
  TempDir d;
  double width[2];
  for (int k = 0; k < 2; k++) {
    RunResult r = estimate(d, {"-mcStruc", "-map", "5", "-nCone", "20", "-incCone", "1", "-inD",
                               knownTensorTable(d, 1.0, k ? 2.0 : 0.5), "-outD", "ms.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<double> w = numbersAfter(lines(r.out), "REMARK Width of Gaussian cone ");
    ASSERT_FALSE(w.empty()) << r.out;
    width[k] = w[0];
    EXPECT_NE(r.out.find("REMARK Amount of structural noise automatically determined.\n"), std::string::npos);
  }
  EXPECT_GT(width[0], 0.0) << width[0];
  EXPECT_GT(width[1], width[0] + 1.0) << width[0] << " " << width[1];
}

// The width reported comes with the RMS measured at it: the last width whose noise stays within
// the measured misfit, or, when the first width tried already exceeds it, that width and its RMS.
TEST(ErrorEstimates, ConeSearchReportsTheRmsMeasuredAtItsWidth) {
  TempDir d;
  const std::string tab = knownTensorTable(d, 1.0, 0.5);
  for (const char* start : {"0", "20"}) {
    RunResult r = estimate(d, {"-mcStruc", "-map", "2", "-nCone", "20", "-incCone", "1", "-lCone", start, "-inD",
                               tab, "-outD", "ms.tab"});
    ASSERT_EQ(r.status, 0) << r.err;
    double target = 0.0, found[2] = {};
    const size_t at = r.out.find("REMARK Experimental DC and structure have "), w = r.out.find("REMARK Width of ");
    ASSERT_TRUE(at != std::string::npos && w != std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "REMARK Experimental DC and structure have %lf", &target), 1);
    ASSERT_EQ(std::sscanf(r.out.c_str() + w, "REMARK Width of Gaussian cone %lf degree and %lf Hz", &found[0],
                          &found[1]), 2) << r.out;
    if (start[0] == '0') {
      EXPECT_LE(found[1], target);
    } else {
      EXPECT_EQ(found[0], 20.0);
      EXPECT_GT(found[1], target);
    }
  }
}

// A factor whose noise swamps the couplings is refused, naming its option and the largest factor
// that holds for the table; that factor runs. The example's fit gives sum (D / DD)^2 = 7954.5 over
// its 63 couplings (the D column of -single's table, DD 1), so noise of half of k error bars moves
// each noisy fit's couplings by (k / 2) sqrt(5 / 7954.5) of their pattern: a quarter at k = 19.94.
// With every error 100 Hz even the default factor moves them further; it is never refused. The
// example's couplings moved on by 17 rows fit no tensor: the search stops at the largest factor
// that holds, and -noerr (its advice) runs; with errors of 10 Hz, where even the default's noise
// swamps them, the search from the default goes on to the factor that keeps the fits in their bars.
TEST(ErrorEstimates, AFactorWhoseNoiseSwampsTheCouplingsIsRefused) {
  TempDir d;
  std::string wide, moved, movedWide;  // every error 100 Hz; the couplings moved on by 17 rows, errors 1 or 10 Hz
  const std::vector<std::vector<std::string>> rows = exampleRows(&wide);
  moved = movedWide = wide;
  const auto row = [](const std::vector<std::string>& f, const std::string& dd, const std::string& dc) {
    return f[0] + " " + f[1] + " " + f[2] + " " + f[3] + " " + f[4] + " " + f[5] + " " + dc + " " + dd + " " + f[8] + "\n";
  };
  for (size_t i = 0; i < rows.size(); i++) {
    wide += row(rows[i], "100", rows[i][6]);
    moved += row(rows[i], rows[i][7], rows[(i + 17) % rows.size()][6]);
    movedWide += row(rows[i], "10", rows[(i + 17) % rows.size()][6]);
  }
  const std::string wideTab = writeFile(d / "wide.tab", wide), movedTab = writeFile(d / "moved.tab", moved);
  const std::string movedWideTab = writeFile(d / "moved_wide.tab", movedWide);
  const auto swamps = [](const std::string& option, const std::string& value, const std::string& times, bool above1) {
    return std::vector<std::string>{
        "KORIM Error: option " + option + " value " + value + " swamps the couplings: noise of half of " + value +
        " error bars moves the couplings of each noisy fit by " + times + " times their pattern (at most 0.25 keeps it); " +
        (above1 ? "the largest factor that holds for this table is 19.9" : "no factor above the default of 1 holds for this table") +
        ".\nMatrix: error in best-fit of data.\n"};
  };
  struct Row {
    std::string table;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err = {};  // pieces of the message, in order, for a refused run
  };
  const Row cases[] = {
      {kCouplings, {"-kLAdjustMc", "100"}, 1, swamps("-kLAdjustMc", "100", "1.25", true)},
      {kCouplings, {"-kLAdjustMc", "20"}, 1, swamps("-kLAdjustMc", "20", "0.251", true)},
      {kCouplings, {"-kLAdjustMc", "19.9"}, 0},
      {kCouplings, {"-kLAdjustMc", "19.91"}, 1, swamps("-kLAdjustMc", "19.91", "0.25", true)},
      {kCouplings, {"-noautoMc", "-kAdjustMc", "100"}, 1, swamps("-kAdjustMc", "100", "1.25", true)},
      {kCouplings, {"-noautoMc", "-kAdjustMc", "19.9"}, 0},
      {wideTab, {}, 0},
      {wideTab, {"-noautoMc"}, 0},
      {wideTab, {"-kLAdjustMc", "1"}, 0},
      {wideTab, {"-kLAdjustMc", "1.5"}, 1, swamps("-kLAdjustMc", "1.5", "1.88", false)},
      {wideTab, {"-noautoMc", "-kAdjustMc", "1.1"}, 1, swamps("-kAdjustMc", "1.1", "1.38", false)},
      {movedTab, {}, 1, {"KORIM Error: DC error bars not adjusted up to factor ", ", the largest factor that holds for "
                         "this table (", " passes of -incAdjustMc 0.2 from -kLAdjustMc 1): ",
                         "; -noerr accepts every trial.\n"}},
      {movedTab, {"-noerr"}, 0},
      {movedWideTab, {}, 0},
  };
  for (const Row& c : cases) {
    std::vector<std::string> args = {"-mcDc", "-map", "200", "-inD", c.table, "-outD", "mc.tab"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::remove((d / "mc.tab").c_str());
    const RunResult r = estimate(d, args);
    const std::string what = c.table + " " + (c.args.empty() ? "" : c.args[0] + " " + c.args.back());
    EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
    EXPECT_EQ(fileExists(d / "mc.tab"), c.status == 0) << what;
    EXPECT_TRUE(inOrder(r.err, c.err)) << what << "\n" << r.err;
    // A factor that holds keeps the fit's tensor: the mean of the draws has the fit's Da_HN, -12.76 Hz.
    if (c.status == 0 && c.table == kCouplings) {
      const std::vector<double> da = numbersAfter(readTable(d / "mc.tab").lines, "DATA Da_HN");
      ASSERT_EQ(da.size(), 1u) << what;
      EXPECT_NEAR(da[0], -12.76, 0.6) << what;
    }
  }
}

// The error-bar search's last step lands on the largest factor that holds, 0.5 sqrt(sum (D / DD)^2
// / 5) rounded down to three digits (D the fit's couplings, here from -single's table): where the
// next step would pass it, the search tries that factor itself, so a search that answers answers
// at a factor tried and at most the largest, and one that fails has tried the largest. A refusal
// names only factors tried (the passes print each factor they try). Residues 23-34 of the example
// (11 couplings, largest 1.6) answer at 1.6 from any step that passes it; 0.6 lands on it exactly.
// The couplings moved on by 17 rows fit no tensor: the search ends at its largest, 7.38.
TEST(ErrorEstimates, TheErrorBarSearchEndsOnTheLargestFactorThatHolds) {
  TempDir d;
  std::string moved;
  const std::vector<std::vector<std::string>> rows = exampleRows(&moved);
  for (size_t i = 0; i < rows.size(); i++) {
    std::vector<std::string> f = rows[i];
    f[6] = rows[(i + 17) % rows.size()][6];
    for (const std::string& w : f) moved += w + " ";
    moved += "\n";
  }
  const std::string movedTab = writeFile(d / "moved.tab", moved);
  const std::vector<std::string> part = {"-s1", "23", "-sN", "34"};
  // The largest factor that holds for a table (and residue range), from the single fit's couplings.
  const auto largest = [&d](const std::string& table, std::vector<std::string> range) {
    range.insert(range.end(), {"-bestFit", "-pdb", kPdb, "-inD", table, "-outD", "single.tab"});
    EXPECT_EQ(runKorim(range, d).status, 0) << table;
    const Table t = readTable(d / "single.tab");
    const std::vector<double> dc = t.numbers("D"), dd = t.numbers("DD");
    double sum = 0.0;
    for (size_t i = 0; i < dc.size(); i++) sum += dc[i] * dc[i] / (dd[i] * dd[i]);
    const double k = 0.5 * std::sqrt(sum / 5.0);
    const double unit = std::pow(10.0, std::floor(std::log10(k)) - 2.0);
    return std::floor(k / unit + 1e-9) * unit;
  };
  const double partLargest = largest(kCouplings, part), movedLargest = largest(movedTab, {});
  ASSERT_NEAR(partLargest, 1.6, 1e-9);
  ASSERT_NEAR(movedLargest, 7.38, 1e-9);
  struct Row {
    std::vector<std::string> args;
    int status;
    int passes = 0;  // the passes the search runs, where the row knows them (0: any)
  };
  const Row cases[] = {
      {{"-incAdjustMc", "0.61"}, 0, 2},
      {{"-incAdjustMc", "1"}, 0, 2},
      {{"-incAdjustMc", "10"}, 0, 2},
      {{"-incAdjustMc", "0.6"}, 0, 2},  // 1 + 0.6 lands on 1.6
      {{"-incAdjustMc", "0.2"}, 0},
      {{"-kLAdjustMc", "1.6"}, 0, 1},  // the refusal's advice below
      {{"-kLAdjustMc", "1.61"}, 1},
      {{"-inD", movedTab}, 1, 33},  // 1, 1.2, ..., 7.2, then 7.38
      {{"-inD", movedTab, "-incAdjustMc", "10"}, 1, 2},
      {{"-inD", movedTab, "-incAdjustMc", "3"}, 1, 4},  // 1, 4, 7, 7.38
      {{"-inD", movedTab, "-kLAdjustMc", "7.38"}, 1, 1},
  };
  for (const Row& c : cases) {
    const bool onMoved = c.args[1] == movedTab;
    const double top = onMoved ? movedLargest : partLargest;
    std::vector<std::string> args = {"-mcDc", "-map", "20", "-outD", "mc.tab"};
    if (!onMoved) args.insert(args.end(), {"-inD", kCouplings});
    if (!onMoved) args.insert(args.end(), part.begin(), part.end());
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::remove((d / "mc.tab").c_str());
    const RunResult r = estimate(d, args);
    const std::string what = c.args[0] + " " + c.args.back();
    EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
    EXPECT_EQ(fileExists(d / "mc.tab"), c.status == 0) << what;
    // The factors the passes tried, in order.
    std::vector<double> tried;
    const std::string pass = "REMARK DC Error Scaling factor ";
    for (size_t at = r.err.find(pass); at != std::string::npos; at = r.err.find(pass, at + 1))
      tried.push_back(std::stod(r.err.substr(at + pass.size())));
    const auto triedOne = [&tried](double v) {
      for (double t : tried)
        if (std::fabs(t - v) < 1e-6) return true;
      return false;
    };
    if (c.passes > 0) {
      EXPECT_EQ(tried.size(), static_cast<size_t>(c.passes)) << what;
    }
    for (size_t i = 0; i < tried.size(); i++) {
      EXPECT_LE(tried[i], top + 1e-6) << what;
      EXPECT_TRUE(i == 0 || tried[i] > tried[i - 1]) << what;
    }
    if (c.status == 0) {
      const std::vector<double> k = numbersAfter(lines(r.out), "REMARK DC error bars automatically adjusted by factor of");
      ASSERT_EQ(k.size(), 1u) << what << "\n" << r.out;
      ASSERT_FALSE(tried.empty()) << what;
      EXPECT_DOUBLE_EQ(k[0], tried.back()) << what;
      if (c.args[0] == "-incAdjustMc" && std::stod(c.args[1]) > 0.6 - 1e-9) {
        EXPECT_NEAR(k[0], top, 1e-6) << what;  // a step to or past the largest answers there
      }
      continue;
    }
    const std::string refusal = "KORIM Error: DC error bars not adjusted up to factor ";
    const size_t at = r.err.find(refusal);
    if (!onMoved) {  // a start above the largest is refused before any pass, naming the largest, which runs
      EXPECT_TRUE(inOrder(r.err, {"KORIM Error: option -kLAdjustMc value 1.61 swamps the couplings",
                                  "the largest factor that holds for this table is 1.6.\n"}))
          << what << "\n" << r.err;
      EXPECT_TRUE(tried.empty()) << what;
      continue;
    }
    ASSERT_NE(at, std::string::npos) << what << "\n" << r.err;
    // Every factor the message names (up to, at) was tried, and the last tried is the largest.
    const std::string message = r.err.substr(at, r.err.find('\n', at) - at);
    const double upTo = std::stod(message.substr(refusal.size()));
    const size_t atFactor = message.find("within the error bars at factor ");
    ASSERT_NE(atFactor, std::string::npos) << message;
    const double last = std::stod(message.substr(atFactor + std::string("within the error bars at factor ").size()));
    EXPECT_TRUE(triedOne(upTo) && triedOne(last)) << what << "\n" << message;
    EXPECT_NEAR(tried.back(), top, 1e-6) << what;
    EXPECT_NE(message.find("(" + std::to_string(tried.size()) + " passes of -incAdjustMc"), std::string::npos)
        << what << "\n" << message;
  }
  // The refusals' advice: -noerr answers.
  EXPECT_EQ(estimate(d, {"-mcDc", "-map", "20", "-inD", movedTab, "-outD", "mc.tab", "-noerr"}).status, 0);
}
