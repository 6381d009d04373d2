// Best fit with error estimates on couplings back-calculated from a known tensor on the example
// structure: the single fit recovers the tensor, the Monte-Carlo spread scales with the noise,
// the jackknife repeats, the structural noise turns every N-H vector by the cone and the cone
// search follows the misfit.
#include <map>
#include <random>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

constexpr double kDaHn = -10.0;  // the known tensor: Da scaled to N-H (Hz), rhombicity, frame
constexpr double kRh = 0.4;

struct Vec {
  double x, y, z;
};

Vec sub(const PdbAtoms& a, int i, int j) { return {a.x[i] - a.x[j], a.y[i] - a.y[j], a.z[i] - a.z[j]}; }
double len(Vec v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
double angleDeg(Vec a, Vec b) {
  const double c = (a.x * b.x + a.y * b.y + a.z * b.z) / (len(a) * len(b));
  return std::acos(std::fmax(-1.0, std::fmin(1.0, c))) * 180.0 / M_PI;
}

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
// turned by 30 degrees about (1, 1, 1); Gaussian noise of standard deviation noise (Hz) added,
// the errors all sigma.
std::string knownTensorTable(const TempDir& dir, double sigma, double noise = 0.0) {
  const PdbAtoms atoms = readPdbAtoms(kPdb, true);
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6), t = 1 - c, k = 1 / std::sqrt(3.0);
  const double rot[3][3] = {{t * k * k + c, t * k * k - s * k, t * k * k + s * k},
                            {t * k * k + s * k, t * k * k + c, t * k * k - s * k},
                            {t * k * k - s * k, t * k * k + s * k, t * k * k + c}};
  std::mt19937 gen(7);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::string text = "VARS    RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                     "FORMAT  %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (auto [n, h] : nhPairs(atoms)) {
    const Vec v = sub(atoms, h, n);
    const double l = len(v), u[3] = {v.x / l, v.y / l, v.z / l};
    double p[3];  // the unit vector in the principal frame
    for (int i = 0; i < 3; i++) p[i] = rot[0][i] * u[0] + rot[1][i] * u[1] + rot[2][i] * u[2];
    const double d = kDaHn * (3 * p[2] * p[2] - 1) + 1.5 * kDaHn * kRh * (p[0] * p[0] - p[1] * p[1]) +
                     noise * normal(gen);
    char line[128];
    std::snprintf(line, sizeof line, "%4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n", atoms.resIDs[n],
                  atoms.resNames[n].c_str(), "N", atoms.resIDs[n], atoms.resNames[n].c_str(), "H", d,
                  sigma, 1.0);
    text += line;
  }
  return writeFile(dir / "known.tab", text);
}

// The values after the label of a "DATA STATISTICS MAPPING" line.
std::vector<double> mapping(const Table& t, const std::string& label) {
  const std::string head = "DATA STATISTICS MAPPING " + label;
  for (const std::string& l : t.lines) {
    const size_t at = l.find(head);
    if (at == std::string::npos) continue;
    std::stringstream ss(l.substr(at + head.size()));
    std::vector<double> v;
    for (double x; ss >> x;) v.push_back(x);
    return v;
  }
  return {};
}

double coneWidth(const std::string& out) {
  const size_t at = out.find("REMARK Width of Gaussian cone ");
  return at == std::string::npos ? NAN : std::strtod(out.c_str() + at + 30, nullptr);
}

}  // namespace

TEST(ErrorEstimates, SingleFitRecoversTheKnownTensor) {
  TempDir d;
  const std::string in = knownTensorTable(d, 1.0);
  RunResult r = runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", in, "-outD", "fit.tab"}, d);
  ASSERT_EQ(r.status, 0) << r.err;
  const Table t = readTable(d / "fit.tab");
  EXPECT_NEAR(t.data("RMS"), 0.0, 1e-3);
  EXPECT_NEAR(t.data("CORR R"), 1.0, 1e-3);
  EXPECT_NEAR(t.data("Q SAUPE"), 0.0, 1e-3);
  EXPECT_NEAR(t.data("REGRESSION SLOPE"), 1.0, 1e-3);
  EXPECT_NEAR(t.data("Da_HN"), kDaHn, 1e-3 * std::fabs(kDaHn));
  EXPECT_NEAR(t.data("Rhombicity"), kRh, 1e-3);
}

TEST(ErrorEstimates, MonteCarloSpreadScalesWithTheErrorBars) {
  TempDir d;
  std::vector<double> sd[2];
  const double sigma[2] = {1.0, 0.5};
  for (int k = 0; k < 2; k++) {
    const std::string in = knownTensorTable(d, sigma[k]);
    RunResult r = runKorim({"-bestFit", "-mcDc", "-noerr", "-noautoMc", "-map", "300", "-pdb", kPdb,
                            "-inD", in, "-outD", "mc.tab", "-outFail", "fail.tab", "-outDa", "da.log",
                            "-outMap", "map.log", "-outAng", "ang.log", "-outA", "saupe.log"},
                           d);
    ASSERT_EQ(r.status, 0) << r.err;
    const Table t = readTable(d / "mc.tab");
    EXPECT_EQ(mapping(t, "NUMBER OF SUCCESFUL STEPS"), std::vector<double>{300});
    EXPECT_EQ(lines(readFile(d / "da.log")).size(), 302u);  // header, blank line, one per fit
    // The measured couplings come back as they were read.
    EXPECT_EQ(t.numbers("D_OBS"), readTable(in).numbers("D"));
    sd[k] = mapping(t, "SAUPE STD_DEV");
    ASSERT_EQ(sd[k].size(), 5u);
  }
  for (int e = 0; e < 5; e++) {
    EXPECT_GT(sd[0][e], 0.0);
    EXPECT_NEAR(sd[1][e] / sd[0][e], 0.5, 0.05) << "element " << e;
  }
}

TEST(ErrorEstimates, JackknifeRepeatsAndKeepingEveryCouplingHasNoSpread) {
  TempDir d;
  std::string first;
  for (int run = 0; run < 2; run++) {
    RunResult r = runKorim({"-bestFit", "-jack", "-map", "50", "-pdb", kPdb, "-inD", kCouplings,
                            "-outD", "jack.tab", "-outDa", "da.log", "-outMap", "map.log", "-outAng",
                            "ang.log", "-outA", "saupe.log"},
                           d);
    ASSERT_EQ(r.status, 0) << r.err;
    inOrder(r.out, {"REMARK 12 DC of 63 picked.\n", "REMARK 50 SVD runs of 50 succesful.\n"});
    const std::string all = readFile(d / "jack.tab") + readFile(d / "da.log") +
                            readFile(d / "map.log") + readFile(d / "ang.log") + readFile(d / "saupe.log");
    if (run == 0) first = all;
    else EXPECT_EQ(all, first);
  }
  RunResult r = runKorim({"-bestFit", "-jack", "-nDfixed", "-dFrac", "63", "-map", "5", "-pdb", kPdb,
                          "-inD", kCouplings, "-outD", "all.tab", "-outDa", "da.log", "-outMap",
                          "map.log", "-outAng", "ang.log", "-outA", "saupe.log"},
                         d);
  ASSERT_EQ(r.status, 0) << r.err;
  const Table t = readTable(d / "all.tab");
  EXPECT_EQ(mapping(t, "SAUPE STD_DEV"), std::vector<double>(5, 0.0));
  EXPECT_EQ(mapping(t, "Da_HN (AVERAGE/STD_DEV/MIN/MAX)")[1], 0.0);
  EXPECT_EQ(t.lines.end(), std::find_if(t.lines.begin(), t.lines.end(), [](const std::string& l) {
              return l.find("nan") != std::string::npos;
            }));
}

TEST(ErrorEstimates, FixedConeTurnsEveryNHVectorByItsWidth) {
  TempDir d;
  for (const char* width : {"10", "0"}) {
    RunResult r = runKorim({"-struc", "-fixCone", "-stdCone", width, "-pdb", kPdb, "-inD", kCouplings,
                            "-pdbRot", "noisy.pdb"},
                           d);
    ASSERT_EQ(r.status, 0) << r.err;
    const PdbAtoms before = readPdbAtoms(kPdb, true), after = readPdbAtoms(d / "noisy.pdb", true);
    ASSERT_EQ(after.n(), before.n());
    for (auto [n, h] : nhPairs(before)) {
      EXPECT_EQ(after.x[n], before.x[n]);
      EXPECT_EQ(after.y[n], before.y[n]);
      EXPECT_EQ(after.z[n], before.z[n]);
      const Vec v0 = sub(before, h, n), v1 = sub(after, h, n);
      EXPECT_NEAR(len(v1), len(v0), 2e-3);
      EXPECT_NEAR(angleDeg(v0, v1), std::atof(width), 0.05) << "residue " << before.resIDs[n];
    }
    if (width[0] != '0') continue;
    for (int i = 1; i <= before.n(); i++) {
      EXPECT_EQ(after.x[i], before.x[i]);
      EXPECT_EQ(after.y[i], before.y[i]);
      EXPECT_EQ(after.z[i], before.z[i]);
    }
  }
}

TEST(ErrorEstimates, ConeWidthGrowsWithTheMisfitOfTheCouplings) {
  TempDir d;
  double width[2];
  const double noise[2] = {0.5, 2.0};
  for (int k = 0; k < 2; k++) {
    const std::string in = knownTensorTable(d, 1.0, noise[k]);
    RunResult r = runKorim({"-bestFit", "-mcStruc", "-map", "5", "-nCone", "20", "-incCone", "1",
                            "-pdb", kPdb, "-inD", in, "-outD", "ms.tab", "-outDa", "da.log",
                            "-outMap", "map.log", "-outAng", "ang.log", "-outA", "saupe.log"},
                           d);
    ASSERT_EQ(r.status, 0) << r.err;
    width[k] = coneWidth(r.out);
    EXPECT_NE(r.out.find("REMARK Amount of structural noise automatically determined.\n"), std::string::npos);
  }
  EXPECT_GT(width[0], 0.0) << width[0];
  EXPECT_GT(width[1], width[0] + 1.0) << width[0] << " " << width[1];
}
