// Steric plus electrostatic model of the wall and the rod, the combined wall
// and rim model, the macroscopic model and the bicelle geometry: reduction
// to the steric model, Debye screening, direction of the charge effect,
// untouched caller tables, refused inputs and the bicelle numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "app/korim_utils_null.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_macro.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"

using namespace korim::simulation;
using korim::app::KorimInfo;

namespace {

// A straight chain of 11 points along z, 3 Angstrom apart (1-based arrays).
struct Chain {
  std::vector<double> x, y, z;
  Chain() : x(12, 0.0), y(12, 0.0), z(12, 0.0) {
    for (int i = 1; i <= 11; i++) z[i] = 3.0 * (i - 6);
  }
  int n() const { return 11; }
  double maxL(double rA) const { return 15.0 + rA; }
};

struct Charges {
  int id[4] = {0, 0, 0, 0};
  float q[4] = {0, 0, 0, 0};
  int n = 0;
  void add(int point, float charge) {
    n++;
    id[n] = point;
    q[n] = charge;
  }
};

KorimInfo settings(int lcType) {
  KorimInfo k{};
  korim::app::korimInfoNull(&k);
  k.lcType = lcType;
  k.digPsiNSC = 6;
  k.gridSpacing = 1.0f;
  k.radiusAtom = 1.5f;
  k.radiusModel = lcType == 2 ? 33.5f : 20.0f;
  k.rSingleCell = 200.0f;
  k.concentration = 0.05f;
  k.elInfo.concNaCl = 0.1f;
  k.elInfo.temperaturePot = 298.15f;
  k.elInfo.chDensSurf = 0.0f;
  k.elInfo.cutoffPot = 1000.0;  // wall: beyond the cell, so the whole cell is sampled
  k.elInfo.kPot = 1.0f;
  return k;
}

class Models : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
    ASSERT_EQ(nDots, 122);
  }
  double* dots = nullptr;
  int nDots = 0;
};

// Runs f with stdout and stderr captured; returns (stdout, stderr).
template <typename F>
std::pair<std::string, std::string> captured(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {out, err};
}

double valueAfter(const std::string& text, const std::string& key) {
  const size_t p = text.find(key);
  if (p == std::string::npos) return NAN;
  return std::atof(text.c_str() + p + key.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Bicelle geometry

TEST(Bicelle, GeometryOfTheStandardMedium) {
  simuReset();
  KorimInfo k{};
  k.concentration = 0.05f;
  k.molarRatio = 3.0f;
  k.radiusModel = 20.0f;
  ASSERT_EQ(refine_bicelle(&k), 0);
  // Hand-checked: mol_DHPC = 50 / (3 * 677.94 + 453.51), q_eff = 3 mol_DHPC / (mol_DHPC - 0.005).
  EXPECT_NEAR(k.molarRatio, 3.99325, 5e-5);
  EXPECT_NEAR(k.lengthModel, 263.048, 5e-4);
  EXPECT_NEAR(k.rSingleCell, 419.002, 5e-4);
  EXPECT_NEAR(k.orderDiscRim, 0.238458, 5e-7);
}

TEST(Bicelle, SecondCallGivesTheSameGeometry) {
  simuReset();
  KorimInfo k{};
  k.concentration = 0.05f;
  k.molarRatio = 3.0f;
  k.radiusModel = 20.0f;
  ASSERT_EQ(refine_bicelle(&k), 0);
  const KorimInfo first = k;
  ASSERT_EQ(refine_bicelle(&k), 0);
  EXPECT_EQ(k.molarRatio, first.molarRatio);
  EXPECT_EQ(k.lengthModel, first.lengthModel);
  EXPECT_EQ(k.rSingleCell, first.rSingleCell);
  EXPECT_EQ(k.orderDiscRim, first.orderDiscRim);
  // A new ratio given by the user is taken as given.
  k.molarRatio = 2.0f;
  ASSERT_EQ(refine_bicelle(&k), 0);
  EXPECT_LT(k.molarRatio, first.molarRatio);
  EXPECT_GT(k.molarRatio, 2.0f);
}

TEST(Bicelle, LowConcentrationBelowThresholdStillUsesFreeLipid) {
  simuReset();
  KorimInfo k{};
  k.concentration = 0.009f;  // below 0.01: no free part in the weight
  k.molarRatio = 0.5f;
  k.radiusModel = 20.0f;
  ASSERT_EQ(refine_bicelle(&k), 0);
  const double dh = 0.009 * 1000.0 / (0.5 * 677.94 + 453.51);
  EXPECT_NEAR(k.molarRatio, 0.5 * dh / (dh - 0.005), 1e-4);
  const double wv = (453.51 * dh + 677.94 * 0.5 * dh) / 1000.0;
  EXPECT_NEAR(k.rSingleCell, 20.0 / wv, 1e-2);
}

TEST(Bicelle, NoBicellesIsRefused) {
  simuReset();
  KorimInfo k{};
  k.concentration = 0.001f;  // the short-chain lipid is all free
  k.molarRatio = 3.0f;
  k.radiusModel = 20.0f;
  k.lengthModel = -7.0f;
  testing::internal::CaptureStderr();
  EXPECT_NE(refine_bicelle(&k), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("refine_bicelle: concentration 0.001"), std::string::npos) << err;
  EXPECT_EQ(k.molarRatio, 3.0f);
  EXPECT_EQ(k.lengthModel, -7.0f);
  k.concentration = 0.0f;
  testing::internal::CaptureStderr();
  EXPECT_NE(refine_bicelle(&k), 0);
  testing::internal::GetCapturedStderr();
}

TEST(Bicelle, RodsAndGridsNeedNoBicelles) {
  // The same unusable geometries in the media that are not bicelles: nothing changes, no error.
  for (int lcType : {korim::app::kLcRod, korim::app::kLc3D}) {
    for (float radius : {20.0f, 0.0f}) {
      simuReset();
      KorimInfo k{};
      k.lcType = lcType;
      k.concentration = radius > 0.0f ? 0.001f : 0.05f;
      k.molarRatio = 3.0f;
      k.radiusModel = radius;
      k.lengthModel = -7.0f;
      testing::internal::CaptureStderr();
      EXPECT_EQ(refine_bicelle(&k), 0);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
      EXPECT_EQ(k.molarRatio, 3.0f);
      EXPECT_EQ(k.lengthModel, -7.0f);
    }
  }
}

// ---------------------------------------------------------------------------
// Wall

TEST_F(Models, WallWithoutChargesIsTheStericModel) {
  Chain c;
  KorimInfo k = settings(1);
  double el[5] = {9, 9, 9, 9, 9}, st[5] = {0, 0, 0, 0, 0};
  int status = -1;
  captured([&] {
    status = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
                 nullptr, nullptr, 0, nullptr, 0.0, 0.0, el);
  });
  ASSERT_EQ(status, 0);
  captured([&] {
    status = stericAlignment(&k, 0.0, 1, k.rSingleCell, k.radiusModel, k.radiusAtom,
                             k.gridSpacing, k.concentration, 3.0, c.n(), c.x.data(), c.y.data(),
                             c.z.data(), c.maxL(1.5), 1.5, k.digPsiNSC, nDots, dots, st);
  });
  ASSERT_EQ(status, 0);
  // A rod lies flat on the wall, so its axis follows the director in the
  // wall plane: positive order.
  EXPECT_GT(st[0], 1e-3);
  EXPECT_GT(el[0], 1e-3);
  EXPECT_NEAR(el[0] / st[0], 1.0, 0.02);
  // Axial molecule: the other elements vanish against Szz.
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(el[j]), 1e-3 * std::fabs(el[0])) << j;
}

TEST_F(Models, DebyeLengthAndSurfacePotential) {
  Chain c;
  KorimInfo k = settings(1);
  k.elInfo.chFlag = 1;
  k.elInfo.chDensSurf = -0.47f;
  double s[5];
  const auto out = captured([&] {
    sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0, nullptr,
        nullptr, 0, nullptr, 0.0, 0.0, s);
  });
  // Textbook Debye length of a 1:1 salt at 25 C: 0.304 nm / sqrt(I / M).
  const double debye = valueAfter(out.first, "REMARK Debye length ");
  EXPECT_NEAR(debye, 0.304 / std::sqrt(0.1), 0.003);
  EXPECT_NEAR(valueAfter(out.first, "REMARK Equilibrium density of ion pairs "), 0.06022, 1e-6);
  // Grahame: y0 = 2 asinh(2 pi l_B sigma / kappa) with l_B = 1 / (8 pi rho debye^2).
  const double rho = 0.06022, kappa = 1.0 / debye;
  const double lB = kappa * kappa / (8.0 * M_PI * rho);
  const double y0 = 2.0 * std::asinh(2.0 * M_PI * lB * -0.47 / kappa);
  EXPECT_NEAR(valueAfter(out.first, "REMARK Potential at surface "), y0, 1e-4);
  EXPECT_LT(y0, 0.0);
  // The Bjerrum length of water at room temperature is about 0.71 nm.
  EXPECT_NEAR(lB, 0.71, 0.02);
}

TEST_F(Models, ScreenedPotentialIsTheGouyChapmanSolution) {
  ScreenedPotential sp{};
  ASSERT_EQ(screenedPotentialSetup(0.1, 298.15, -0.47, false, &sp), 0);
  for (double d : {0.0, 2.0, 7.5, 20.0}) {
    // psi(x) = 4 artanh(gamma exp(-kappa x)); at the surface it is y0.
    const double e = std::exp(-sp.kappa * d / 10.0);
    EXPECT_NEAR(screenedPotentialAt(sp, d), 4.0 * std::atanh(sp.gamma * e), 1e-12);
  }
  EXPECT_NEAR(screenedPotentialAt(sp, 0.0), sp.y0, 1e-12);
  // Far away the Debye-Hueckel tail 4 gamma exp(-kappa x).
  const double far = 80.0;
  EXPECT_NEAR(screenedPotentialAt(sp, far) / (4.0 * sp.gamma * std::exp(-sp.kappa * far / 10.0)),
              1.0, 1e-6);
  EXPECT_NE(screenedPotentialSetup(0.0, 298.15, -0.47, false, &sp), 0);
  EXPECT_NE(screenedPotentialSetup(0.1, 0.0, -0.47, false, &sp), 0);
}

TEST_F(Models, AttractionStrengthensAndRepulsionWeakensWallAlignment) {
  Chain c;
  KorimInfo k = settings(1);
  k.elInfo.chDensSurf = -0.47f;  // negative wall
  auto run = [&](float q) {
    Charges ch;
    if (q != 0.0f) ch.add(6, q);  // the chain's centre
    double s[5] = {0, 0, 0, 0, 0};
    int st = -1;
    captured([&] {
      st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, ch.n,
               ch.id, ch.q, 0, nullptr, 0.0, 0.0, s);
    });
    EXPECT_EQ(st, 0);
    return s[0];
  };
  const double none = run(0.0f), attracted = run(2.0f), repelled = run(-2.0f);
  // Attraction holds the molecule close to the wall, where only flat
  // orientations fit; repulsion keeps it away.
  EXPECT_GT(attracted, none);
  EXPECT_GT(none, repelled);
  EXPECT_GT(repelled, 0.0);
}

TEST_F(Models, WallRefusesChargesOutsideThePoints) {
  Chain c;
  KorimInfo k = settings(1);
  Charges ch;
  ch.add(12, 1.0f);
  double s[5] = {7, 7, 7, 7, 7};
  int st = 0;
  const auto out = captured([&] {
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, ch.n,
             ch.id, ch.q, 0, nullptr, 0.0, 0.0, s);
  });
  EXPECT_EQ(st, 1);
  EXPECT_NE(out.second.find("sma: charge 1 sits at point 12, outside the 11 points."),
            std::string::npos);
  EXPECT_EQ(s[0], 7.0);
  k.elInfo.concNaCl = 0.0f;
  captured([&] {
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
             nullptr, nullptr, 0, nullptr, 0.0, 0.0, s);
  });
  EXPECT_EQ(st, 1);
}

TEST_F(Models, OtherMediumPrintsCommonLinesOnly) {
  Chain c;
  KorimInfo k = settings(3);
  double s[5] = {5, 5, 5, 5, 5};
  int st = -1;
  const auto out = captured([&] {
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
             nullptr, nullptr, 0, nullptr, 0.0, 0.0, s);
  });
  EXPECT_EQ(st, 0);
  for (double v : s) EXPECT_EQ(v, 5.0);
  EXPECT_NE(out.first.find("korimInfo->elInfo.kPot: 1.0 \n"), std::string::npos);
  EXPECT_NE(out.first.find("REMARK Minimum molecule dimension 1.500 [A].\n"), std::string::npos);
  EXPECT_NE(out.first.find("@@@ offset_grid = 21.500 [A]  t_pts = 15.\n"), std::string::npos);
  EXPECT_EQ(out.first.find("@@ lengthGrid"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Rod

namespace {
// Radial potential table: 1 kT/e at the surface decaying by exp(-d / 10 A).
std::vector<double> rodTable(int n, double step) {
  std::vector<double> t(n + 1, 0.0);
  for (int i = 1; i <= n; i++) t[i] = std::exp(-(i - 1) * step / 10.0);
  return t;
}
}  // namespace

TEST_F(Models, RodTableIsNeverChangedAndCallsRepeat) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.kPot = 2.0f;
  k.elInfo.cutoffPot = 1e-3;
  k.elInfo.chDensSurf = -0.47f;
  std::vector<double> table = rodTable(400, 0.5);
  const std::vector<double> copy = table;
  Charges ch;
  ch.add(1, 1.0f);
  ch.add(11, -1.0f);
  double s1[5], s2[5];
  int st1 = -1, st2 = -1;
  const auto out = captured([&] {
    st1 = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, ch.n,
              ch.id, ch.q, 400, table.data(), 0.0, 0.5, s1);
    st2 = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, ch.n,
              ch.id, ch.q, 400, table.data(), 0.0, 0.5, s2);
  });
  ASSERT_EQ(st1, 0);
  ASSERT_EQ(st2, 0);
  EXPECT_EQ(table, copy);
  for (int j = 0; j < 5; j++) EXPECT_EQ(s1[j], s2[j]);
  EXPECT_GT(s1[0], 0.0);
  EXPECT_NE(out.first.find("korimInfo->elInfo.kPot: 2.0 \n"), std::string::npos);
  EXPECT_NE(out.first.find("@@ density: 1.460000\n"), std::string::npos);
  EXPECT_NE(out.first.find("digPsi = 6    dots = 122   inc_psi = 60.0\n"), std::string::npos);
}

TEST_F(Models, RodWithoutChargesFollowsTheStericRod) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.cutoffPot = 0.0;  // the analytic potential never drops below: grid to the next rod
  std::vector<double> table = rodTable(10, 1.0);
  double el[5], st[5];
  int s1 = -1, s2 = -1;
  captured([&] {
    s1 = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
             nullptr, nullptr, 10, table.data(), 0.0, 1.0, el);
    s2 = stericAlignment(&k, 0.0, 2, 0.0, k.radiusModel, k.radiusAtom, k.gridSpacing,
                         k.concentration, 3.0, c.n(), c.x.data(), c.y.data(), c.z.data(),
                         c.maxL(1.5), 1.5, k.digPsiNSC, nDots, dots, st);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s2, 0);
  // A rod-shaped molecule lines up with the rods.
  EXPECT_GT(st[0], 0.0);
  EXPECT_GT(el[0], 0.0);
  EXPECT_NEAR(el[0] / st[0], 1.0, 0.1);
}

TEST_F(Models, RodClashRegionBeyondTheNextRodIsStillSimulated) {
  Chain c;
  KorimInfo k = settings(2);
  k.concentration = 1.46f;  // rods touching: no room beyond the clash region
  std::vector<double> table = rodTable(200, 0.5);
  double s[5] = {0, 0, 0, 0, 0};
  int st = -1;
  const auto out = captured([&] {
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
             nullptr, nullptr, 200, table.data(), 0.0, 0.5, s);
  });
  ASSERT_EQ(st, 0);
  EXPECT_NE(out.first.find("@@ no_pt_ph: 15\n@@ lengthGrid: 15\n"), std::string::npos)
      << out.first;
  EXPECT_NE(out.second.find("Warning: Potentials between neighbouring cells overlapping"),
            std::string::npos);
  EXPECT_GT(s[0], 0.0);
  for (double v : s) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(Models, RodTableTooShortGivesZeroPotentialNotAnOverrun) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.cutoffPot = 1e-3;
  std::vector<double> table(3, 5.0);  // two points, 1 A apart
  Charges ch;
  ch.add(1, 1.0f);
  double s[5];
  int st = -1;
  const auto out = captured([&] {
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, ch.n,
             ch.id, ch.q, 2, table.data(), 0.0, 1.0, s);
  });
  ASSERT_EQ(st, 0);
  EXPECT_NE(out.second.find("sma: warning - charges lie beyond the potential table (2 points, "
                            "step 1 Angstrom); potential 0 used there.\n"),
            std::string::npos);
  for (double v : s) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(Models, RodRefusesUnusableTables) {
  Chain c;
  KorimInfo k = settings(2);
  std::vector<double> table(3, 1.0);
  double s[5] = {4, 4, 4, 4, 4};
  struct Case {
    int n;
    double step;
    float kPot;
  } cases[] = {{1, 1.0, 1.0f}, {2, 0.0, 1.0f}, {2, -1.0, 1.0f}, {2, 1.0, 0.0f}};
  for (const Case& cs : cases) {
    k.elInfo.kPot = cs.kPot;
    int st = 0;
    const auto out = captured([&] {
      st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
               nullptr, nullptr, cs.n, table.data(), 0.0, cs.step, s);
    });
    EXPECT_EQ(st, 1) << cs.n << " " << cs.step;
    EXPECT_NE(out.second.find("sma: "), std::string::npos);
    EXPECT_EQ(out.first, "");
  }
  for (double v : s) EXPECT_EQ(v, 4.0);
}

TEST(TableLookup, InterpolatesAndStopsAtTheEnd) {
  const double t[4] = {0.0, 3.0, 1.0, -1.0};  // 1-based: 3, 1, -1 at 0, 2, 4 A
  bool beyond = false;
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 0.0, &beyond), 3.0);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 1.0, &beyond), 2.0);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 3.0, &beyond), 0.0);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 4.0, &beyond), -1.0);
  EXPECT_FALSE(beyond);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 4.5, &beyond), 0.0);
  EXPECT_TRUE(beyond);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, -1.0, nullptr), 3.0);
}

// ---------------------------------------------------------------------------
// Combined wall and rim model

TEST_F(Models, CombinedModelWithoutRimIsTheStericModel) {
  Chain c;
  for (int lc : {1, 2}) {
    KorimInfo k = settings(lc);
    k.includeRim = 0.5f;  // anything but exactly 1 leaves the rim out
    double a[5], b[5];
    int s1 = -1, s2 = -1;
    captured([&] {
      s1 = ssia(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), c.maxL(1.5), 1.5, nDots, dots, a);
      s2 = stericAlignment(&k, 0.0, lc, k.rSingleCell, k.radiusModel, k.radiusAtom,
                           k.gridSpacing, k.concentration, 3.0, c.n(), c.x.data(), c.y.data(),
                           c.z.data(), c.maxL(1.5), 1.5, k.digPsiNSC, nDots, dots, b);
    });
    ASSERT_EQ(s1, 0);
    ASSERT_EQ(s2, 0);
    for (int j = 0; j < 5; j++) EXPECT_NEAR(a[j], b[j], 1e-12 + 1e-9 * std::fabs(b[j])) << lc;
  }
}

TEST_F(Models, RimWithZeroOrderScalesTheWallByTheLipidShare) {
  Chain c;
  KorimInfo k = settings(1);
  k.molarRatio = 3.0f;
  double wall[5], mixed[5], ordered[5];
  captured([&] {
    ASSERT_EQ(ssia(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), c.maxL(1.5), 1.5, nDots, dots,
                   wall),
              0);
    k.includeRim = 1.0f;
    k.orderDiscRim = 0.0f;
    ASSERT_EQ(ssia(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), c.maxL(1.5), 1.5, nDots, dots,
                   mixed),
              0);
    k.orderDiscRim = 0.24f;
    ASSERT_EQ(ssia(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), c.maxL(1.5), 1.5, nDots, dots,
                   ordered),
              0);
  });
  // Planar share q / (q + 1) of the lipid.
  EXPECT_NEAR(mixed[0], wall[0] * 3.0 / 4.0, 1e-12);
  // The ordered rim takes away part of the planar alignment.
  EXPECT_LT(ordered[0], mixed[0]);
  EXPECT_GT(ordered[0], 0.0);
}

TEST_F(Models, CombinedModelRefusesOtherMedia) {
  Chain c;
  KorimInfo k = settings(3);
  double s[5];
  testing::internal::CaptureStderr();
  EXPECT_EQ(ssia(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), c.maxL(1.5), 1.5, nDots, dots, s),
            1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("ssia: medium type 3"),
            std::string::npos);
}

// ---------------------------------------------------------------------------
// Macroscopic model

namespace {
int runMacro(KorimInfo& k, Chain& c, const Charges& ch, double kEner, std::vector<double>* table,
             const double* dots, int nDots, double* s) {
  Charges cc = ch;
  return macroAlignment(&k, 0.0, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom,
                        k.gridSpacing, k.concentration, 3.0, k.elInfo.temperaturePot, 0,
                        k.elInfo.kPot, kEner, k.elInfo.concNaCl, k.elInfo.chDensSurf,
                        k.elInfo.cutoffPot, c.n(), c.x.data(), c.y.data(), c.z.data(),
                        k.digPsiNSC, nDots, const_cast<double*>(dots), c.maxL(1.5), 1.5, cc.n,
                        cc.id, cc.q, table ? static_cast<int>(table->size()) - 1 : 0,
                        table ? table->data() : nullptr, 0.0, 0.5, s);
}
}  // namespace

TEST_F(Models, MacroWallWithoutChargesIsThePlainAverage) {
  Chain c;
  KorimInfo k = settings(1);
  k.elInfo.chDensSurf = -0.47f;
  Charges none, one;
  one.add(6, 2.0f);
  double plain[5], off[5], el[5], attracted[5];
  captured([&] {
    ASSERT_EQ(runMacro(k, c, none, 1.0, nullptr, dots, nDots, plain), 0);
    ASSERT_EQ(runMacro(k, c, one, 0.0, nullptr, dots, nDots, off), 0);
    ASSERT_EQ(sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, c.maxL(1.5), 1.5, 0,
                  nullptr, nullptr, 0, nullptr, 0.0, 0.0, el),
              0);
    ASSERT_EQ(runMacro(k, c, one, 1.0, nullptr, dots, nDots, attracted), 0);
  });
  // No energy: every allowed state counts once, as in the uncharged wall model.
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(off[j], plain[j], 1e-15);
    EXPECT_NEAR(plain[j], el[j], 1e-9 * std::fabs(el[0]));
  }
  EXPECT_GT(plain[0], 0.0);
  EXPECT_GT(attracted[0], plain[0]);
}

TEST_F(Models, MacroRodLeavesTheTableAlone) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.kPot = 3.0f;
  k.elInfo.cutoffPot = 60.0;
  std::vector<double> table = rodTable(200, 0.5);
  const std::vector<double> copy = table;
  Charges ch;
  ch.add(1, 1.0f);
  double a[5], b[5];
  captured([&] {
    ASSERT_EQ(runMacro(k, c, ch, 1.0, &table, dots, nDots, a), 0);
    ASSERT_EQ(runMacro(k, c, ch, 1.0, &table, dots, nDots, b), 0);
  });
  EXPECT_EQ(table, copy);
  for (int j = 0; j < 5; j++) EXPECT_EQ(a[j], b[j]);
  EXPECT_GT(a[0], 0.0);
}

TEST_F(Models, MacroAllocationFailuresAreReported) {
  Chain c;
  KorimInfo k = settings(1);
  Charges none;
  // Requests in order: xJ, yJ (12 floats), distances (5000 floats), weights
  // (5000 doubles); the books keep the failed request only.
  const long long sizes[4] = {12 * 4, 12 * 4, 5000 * 4, 5000 * 8};
  for (int n = 1; n <= 4; n++) {
    korim::foundation::memoryReset();
    korim::foundation::memoryFailAt(n);
    double s[5] = {3, 3, 3, 3, 3};
    int st = 0;
    const auto out = captured([&] { st = runMacro(k, c, none, 1.0, nullptr, dots, nDots, s); });
    EXPECT_EQ(st, 1) << n;
    EXPECT_NE(out.second.find("Error allocating coord buffers.\n"), std::string::npos);
    for (double v : s) EXPECT_EQ(v, 3.0);
    EXPECT_EQ(korim::foundation::memoryBytesUsed(), sizes[n - 1]) << n;
  }
  korim::foundation::memoryFailAt(0);
}
