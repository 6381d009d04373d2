// Ensemble states within their cones, the clash test between domains, and the free-format
// steric prediction against the steric model on the same atoms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "couplings/dc.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/ensemble.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/ssia.h"
#include "simulation/ssia_free.h"
#include "simulation/unsp.h"
#include "tests/support/atoms.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/simulation.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;

namespace {

KorimInfo defaults() {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  return k;
}

struct States {
  std::vector<double> a = std::vector<double>(kEnsembleSlots), b = a, c = a;
  int n = -1;
  int setup(KorimInfo* k, const std::string& outE, const std::string& inE) {
    int st = -1;
    korim_test::captureStderr([&] { st = setupEnsemble(k, outE.c_str(), "", inE.c_str(), &n, a.data(), b.data(), c.data()); });
    return st;
  }
};

// ssiaFree of the points written as free-format records into the table a.tab beside them.
int runFree(KorimInfo* k, const korim_test::TempDir& dir, const std::vector<std::vector<double>>& p,
            korim::couplings::DTable* d, std::string* out, std::string* err) {
  std::string t;
  for (size_t i = 0; i < p.size(); i++)
    t += "ATOM " + std::to_string(i + 1) + " CA ALA " + std::to_string(i + 1) + " " + std::to_string(p[i][0]) + " " +
         std::to_string(p[i][1]) + " " + std::to_string(p[i][2]) + "\n";
  const std::string in = korim_test::writeFile(dir / "points.txt", t + "END\n"), table = dir / "a.tab";
  korim::couplings::dTabNull(d);
  simuReset();
  int st = -1;
  std::tie(*out, *err) = korim_test::captureBoth([&] { st = ssiaFree(k, in.c_str(), table.c_str(), d); });
  return st;
}

}  // namespace

TEST(EnsembleStates, EveryAcceptedStateLiesInItsCones) {
  korim_test::TempDir dir;
  KorimInfo k = defaults();
  std::tie(k.gridInfo.densE, k.gridInfo.digPsiE, k.gridInfo.lBetaCone, k.gridInfo.hBetaCone, k.gridInfo.errAlphaCone) =
      std::tuple(100, 6, 10.0f, 60.0f, 0.5f);
  States s;
  ASSERT_EQ(s.setup(&k, dir / "angles.txt", ""), 0);
  ASSERT_GT(s.n, 0);
  for (int i = 1; i <= s.n; i++) {
    // The turned z axis M(beta, alpha, gamma) (0, 0, 1) has y = sin(beta) sin(gamma).
    const double vy = std::sin(s.b[i] * M_PI / 180) * std::sin(s.c[i] * M_PI / 180);
    EXPECT_TRUE(s.b[i] >= 10.0 - 1e-9 && s.b[i] <= 60.0 + 1e-9 && std::fabs(vy) <= 0.5 + 1e-6) << i;
  }
  EXPECT_EQ(static_cast<int>(korim_test::lines(korim_test::readFile(dir / "angles.txt")).size()), s.n);
  // Wide open cones accept every turn about every dot; the pole at beta 180 comes out a hair above 180.
  std::tie(k.gridInfo.lBetaCone, k.gridInfo.hBetaCone, k.gridInfo.errAlphaCone) = std::tuple(0.0f, 181.0f, 2.0f);
  ASSERT_EQ(s.setup(&k, "", ""), 0);
  EXPECT_EQ(s.n, 6 * korim_test::Dots(100).n);
}

TEST(EnsembleStates, AFileOfStatesReplacesTheGeneratedOnes) {
  korim_test::TempDir dir;
  KorimInfo k = defaults();
  States s;
  ASSERT_EQ(s.setup(&k, "", korim_test::writeFile(dir / "empty.ens", "")), 0);
  EXPECT_GT(s.n, 2);
  ASSERT_EQ(s.setup(&k, "", korim_test::writeFile(dir / "two.ens", "10 20 30\n-5 0.5 270\n")), 0);
  ASSERT_EQ(s.n, 2);
  EXPECT_EQ(std::vector<double>({s.a[1], s.b[1], s.c[1], s.a[2], s.b[2], s.c[2]}),
            std::vector<double>({10, 20, 30, -5, 0.5, 270}));
  EXPECT_NE(s.setup(&k, "", dir / "missing.ens"), 0);
}

TEST(EnsembleClash, PairsCloserThanTheLimitClash) {
  for (double d : {1.9, 2.1}) {
    korim_test::TestStructure s;
    s.add(0, 0, 0, 1, 7, "CA", "GLY");
    s.add(5, 5, 5, 1, 8, "N", "ALA");
    s.add(d, 0, 0, 1, 30, "C", "LYS");
    KorimInfo k = defaults();
    k.gridInfo.clashDist = 2.0f;
    int clash = -1;
    const std::string out = korim_test::captureStdout([&] { clash = chkClashDom(s.get(), &k, {0, 1}, {2}); });
    EXPECT_EQ(clash, d < 2.0 ? 1 : 0) << d;
    EXPECT_EQ(out, d < 2.0 ? "\nREMARK steric clash of     7    GLY     CA   and     30    LYS      C :   1.90 A\n" : "");
  }
}

TEST(FreeFormat, OrderMatrixIsTheNegatedScaledStericResult) {
  korim_test::TempDir dir;
  // An L of points 4 A apart in the plane z = 1: every point is exposed.
  std::vector<std::vector<double>> p;
  for (int i = 0; i < 9; i++) p.push_back({3.0 + 4.0 * (i < 6 ? i : 0), -2.0 + 4.0 * (i < 6 ? 0 : i - 5), 1.0});
  KorimInfo k = defaults();
  std::tie(k.korimMode, k.densityNSC, k.lcOrder) = std::tuple(korim::settings::kModeStericFree, 100, 0.8f);
  korim::couplings::DTable d{};
  std::string out, err;
  ASSERT_EQ(runFree(&k, dir, p, &d, &out, &err), 0) << err;
  EXPECT_EQ(out.rfind("REMARK 9 atoms selected for simulation.\n", 0), 0u) << out;
  EXPECT_NE(korim_test::readFile(dir / "a.tab").find("DATA KORIM_MODE STERIC_FREE\n"), std::string::npos);
  // The steric model on the same points, centred by hand.
  std::vector<double> x{0}, y{0}, z(10, 0.0);
  double cx = 0, cy = 0, r = 0, ref[5];
  for (const auto& q : p) cx += q[0] / 9, cy += q[1] / 9;
  for (const auto& q : p) {
    x.push_back(q[0] - cx), y.push_back(q[1] - cy);
    r = std::max(r, std::hypot(q[0] - cx, q[1] - cy));
  }
  korim_test::Dots dots(100);
  int st = -1;
  korim_test::captureStderr([&] {
    st = stericAlignment(&k, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom, k.gridSpacing,
                         k.concentration, k.molarRatio, 9, x.data(), y.data(), z.data(), r + k.radiusAtom, k.radiusAtom,
                         k.digPsiNSC, dots.n, dots.dots, ref);
  });
  ASSERT_EQ(st, 0);
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(d.dTensor.saupe[j], -0.8 * ref[j], 1e-6 + 1e-3 * std::fabs(ref[j])) << j;
    EXPECT_NE(d.dTensor.saupe[j], 0.0f) << j;
  }
  korim::couplings::dTabFree(&d);
}

TEST(FreeFormat, NoExposedAtomIsRefused) {
  korim_test::TempDir dir;
  // Forty points on a sphere of 0.05 A: each is outermost in a fortieth of the directions only,
  // too little of its surface for an exposed atom.
  std::vector<std::vector<double>> p;
  for (int i = 0; i < 40; i++) {
    const double zz = 1 - (2 * i + 1) / 40.0, rr = std::sqrt(1 - zz * zz), phi = 2.399963 * i;
    p.push_back({0.05 * rr * std::cos(phi), 0.05 * rr * std::sin(phi), 0.05 * zz});
  }
  KorimInfo k = defaults();
  korim::couplings::DTable d{};
  std::string out, err;
  EXPECT_EQ(runFree(&k, dir, p, &d, &out, &err), 1);
  EXPECT_NE(err.find("KORIM: error - zero atoms remain after surface selection!\n"), std::string::npos) << err;
  EXPECT_FALSE(korim_test::fileExists(dir / "a.tab"));
  korim::couplings::dTabFree(&d);
}
