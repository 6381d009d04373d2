// Best fit with error estimates on couplings back-calculated from a known tensor on the example
// structure: the Monte-Carlo spread scales with the noise, the jackknife repeats and the cone
// search follows the misfit. (The single fit recovering a known tensor is
// UbiquitinSVD.RecoversAGeneratedTensorAndIsInvariantToRotation, the turn of each N-H vector by a
// fixed cone AddPdbNoise.FixedConeTurnsVectorsAndGroupsRigidlyAboutTheirPivot.)
#include <map>
#include <random>

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
