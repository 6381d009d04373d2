// Steric plus electrostatic model of the wall and the rod, the combined wall
// and rim model, the macroscopic model and the bicelle geometry: reduction
// to the steric model, Debye screening, direction of the charge effect,
// untouched caller tables, refused inputs and the bicelle numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/memory.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/korim_utils_macro.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"
#include "tests/support/simulation.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;

namespace {

// A straight chain of 11 points along z, 3 Angstrom apart (1-based arrays),
// and up to three point charges on it.
struct Chain {
  std::vector<double> x = std::vector<double>(12, 0.0), y = x, z = {0, -15, -12, -9, -6, -3, 0, 3, 6, 9, 12, 15};
  int id[4] = {0, 0, 0, 0}, nCh = 0;
  float q[4] = {0, 0, 0, 0};
  Chain& charge(int point, float value) {
    std::tie(id[nCh + 1], q[nCh + 1]) = std::tuple(point, value);
    return ++nCh, *this;
  }
};
constexpr int kN = 11;
constexpr double kMaxL = 16.5, kMinL = 1.5;  // half length plus the atom radius; the atom radius

KorimInfo settings(int lcType) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  std::tie(k.lcType, k.digPsiNSC, k.gridSpacing, k.radiusAtom, k.radiusModel, k.rSingleCell, k.concentration) =
      std::tuple(lcType, 6, 1.0f, 1.5f, lcType == 2 ? 33.5f : 20.0f, 200.0f, 0.05f);
  std::tie(k.elInfo.concNaCl, k.elInfo.temperaturePot, k.elInfo.chDensSurf, k.elInfo.kPot) =
      std::tuple(0.1f, 298.15f, 0.0f, 1.0f);
  return k;
}

// a equals b to tol relative to the largest element of b.
void expectSameTensor(const double* a, const double* b, double tol, const char* what) {
  double big = 0.0;
  for (int j = 0; j < 5; j++) big = std::max(big, std::fabs(b[j]));
  ASSERT_GT(big, 0.0) << what;
  for (int j = 0; j < 5; j++) EXPECT_NEAR(a[j], b[j], tol * big) << what << " element " << j;
}

// Printed numbers of a report are never "nan" or "inf".
void expectFiniteText(const std::string& text) {
  for (const char* bad : {"nan", "inf"}) EXPECT_EQ(text.find(bad), std::string::npos) << text;
}

// Radial potential table: 1 kT/e at the surface decaying by exp(-d / 10 A).
std::vector<double> rodTable(int n, double step) {
  std::vector<double> t(n + 1, 0.0);
  for (int i = 1; i <= n; i++) t[i] = std::exp(-(i - 1) * step / 10.0);
  return t;
}

double valueAfter(const std::string& text, const std::string& key) {
  const size_t p = text.find(key);
  return p == std::string::npos ? NAN : std::atof(text.c_str() + p + key.size());
}

class Models : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
  }
  // Runs f, keeping its stdout and stderr in out and err.
  template <typename F>
  int keep(F f) {
    int st = -1;
    std::tie(out, err) = korim_test::captureBoth([&] { st = f(); });
    return st;
  }
  // sma on the chain.
  int runSma(KorimInfo& k, Chain& c, double* s, std::vector<double>* table = nullptr, double step = 0.0) {
    return keep([&] {
      return sma(&k, kN, c.x.data(), c.y.data(), c.z.data(), nDots, dots, kMaxL, kMinL, c.nCh, c.id, c.q,
                 table ? static_cast<int>(table->size()) - 1 : 0, table ? table->data() : nullptr, 0.0, step, s);
    });
  }
  int runSteric(KorimInfo& k, Chain& c, double* s) {
    return keep([&] {
      return stericAlignment(&k, 0.0, k.lcType, k.lcType == 2 ? 0.0 : k.rSingleCell, k.radiusModel, k.radiusAtom,
                             k.gridSpacing, k.concentration, 3.0, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL,
                             kMinL, k.digPsiNSC, nDots, dots, s);
    });
  }
  int runSsia(KorimInfo& k, Chain& c, double* s) {
    return keep([&] { return ssia(&k, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL, kMinL, nDots, dots, s); });
  }
  int runMacro(KorimInfo& k, Chain& c, double kEner, std::vector<double>* table, double* s) {
    return keep([&] {
      return macroAlignment(&k, 0.0, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom, k.gridSpacing,
                            k.concentration, 3.0, k.elInfo.temperaturePot, 0, k.elInfo.kPot, kEner,
                            k.elInfo.concNaCl, k.elInfo.chDensSurf, k.elInfo.cutoffPot, kN, c.x.data(),
                            c.y.data(), c.z.data(), k.digPsiNSC, nDots, dots, kMaxL, kMinL, c.nCh, c.id, c.q,
                            table ? static_cast<int>(table->size()) - 1 : 0, table ? table->data() : nullptr,
                            0.0, 0.5, s);
    });
  }
  double* dots = nullptr;
  int nDots = 0;
  std::string out, err;
};

}  // namespace

TEST(Bicelle, GeometryOfTheStandardMediumTwiceAndAtLowConcentration) {
  simuReset();
  KorimInfo k{};
  std::tie(k.concentration, k.molarRatio, k.radiusModel) = std::tuple(0.05f, 3.0f, 20.0f);
  ASSERT_EQ(refine_bicelle(&k), 0);
  // Hand-checked: mol_DHPC = 50 / (3 * 677.94 + 453.51), q_eff = 3 mol_DHPC / (mol_DHPC - 0.005).
  EXPECT_NEAR(k.molarRatio, 3.99325, 5e-5);
  EXPECT_NEAR(k.lengthModel, 263.048, 5e-4);
  EXPECT_NEAR(k.rSingleCell, 419.002, 5e-4);
  EXPECT_NEAR(k.orderDiscRim, 0.238458, 5e-7);
  auto geometry = [](const KorimInfo& i) { return std::tuple(i.molarRatio, i.lengthModel, i.rSingleCell, i.orderDiscRim); };
  const auto first = geometry(k);
  ASSERT_EQ(refine_bicelle(&k), 0);  // idempotent
  EXPECT_EQ(geometry(k), first);
  k.molarRatio = 2.0f;  // a new ratio given by the user is taken as given
  ASSERT_EQ(refine_bicelle(&k), 0);
  EXPECT_TRUE(k.molarRatio < std::get<0>(first) && k.molarRatio > 2.0f) << k.molarRatio;
  // Below 0.01 the weight has no free part.
  simuReset();
  std::tie(k.concentration, k.molarRatio) = std::tuple(0.009f, 0.5f);
  ASSERT_EQ(refine_bicelle(&k), 0);
  // Hand-checked: all lipid is in bicelles, so the cell radius is the rim radius over c.
  EXPECT_NEAR(k.molarRatio, 0.893283, 1e-4);
  EXPECT_NEAR(k.rSingleCell, 20.0 / 0.009, 1e-2);
}

TEST(Bicelle, NoBicellesIsRefusedInTheWallMediumOnly) {
  for (int lcType : {korim::settings::kLcWall, korim::settings::kLcRod, korim::settings::kLc3D}) {
    simuReset();
    KorimInfo k{};
    // The short-chain lipid is all free at 0.001.
    std::tie(k.lcType, k.concentration, k.molarRatio, k.radiusModel, k.lengthModel) =
        std::tuple(lcType, 0.001f, 3.0f, 20.0f, -7.0f);
    int st = -1;
    const std::string err = korim_test::captureStderr([&] { st = refine_bicelle(&k); });
    const bool wall = lcType == korim::settings::kLcWall;  // rods and grids need no bicelles
    EXPECT_EQ(st != 0, wall);
    EXPECT_EQ(err.find("refine_bicelle: concentration 0.001") == 0, wall) << err;
    EXPECT_EQ(err.empty(), !wall);
    EXPECT_TRUE(k.molarRatio == 3.0f && k.lengthModel == -7.0f);
  }
}

TEST_F(Models, WallWithoutChargesIsTheStericModelAndPrintsTheScreening) {
  Chain c;
  KorimInfo k = settings(1);
  k.elInfo.chFlag = 1;
  k.elInfo.chDensSurf = -0.47f;
  double el[5], st[5];
  ASSERT_EQ(runSma(k, c, el), 0);
  const std::string printed = out;
  ASSERT_EQ(runSteric(k, c, st), 0);
  // A rod lies flat on the wall, so its axis follows the director in the
  // wall plane: positive order.
  EXPECT_GT(st[0], 1e-3);
  expectSameTensor(el, st, 1e-4, "no charges");
  // Charges whose energy does not count (-kEne 0): the steric model again.
  Chain charged;
  charged.charge(1, 2.0f).charge(6, -1.0f);
  k.elInfo.kEnergy = 0.0f;
  ASSERT_EQ(runSma(k, charged, el), 0);
  expectSameTensor(el, st, 1e-4, "kEne 0");
  expectFiniteText(printed + out);
  // Textbook Debye length of a 1:1 salt at 25 C: 0.304 nm / sqrt(I / M).
  const double debye = valueAfter(printed, "REMARK Debye length ");
  EXPECT_NEAR(debye, 0.304 / std::sqrt(0.1), 0.003);
  EXPECT_NEAR(valueAfter(printed, "REMARK Equilibrium density of ion pairs "), 0.06022, 1e-6);
  // Grahame: y0 = 2 asinh(2 pi l_B sigma / kappa) with l_B = 1 / (8 pi rho debye^2),
  // the Bjerrum length of water at room temperature, about 0.71 nm.
  const double kappa = 1.0 / debye, lB = kappa * kappa / (8.0 * M_PI * 0.06022);
  EXPECT_NEAR(lB, 0.71, 0.02);
  EXPECT_NEAR(valueAfter(printed, "REMARK Potential at surface "), 2.0 * std::asinh(2.0 * M_PI * lB * -0.47 / kappa),
              1e-4);
}

TEST_F(Models, AttractionStrengthensAndRepulsionWeakensWallAlignment) {
  KorimInfo k = settings(1);
  k.elInfo.chDensSurf = -0.47f;  // negative wall
  double s[3][5], plain[5], off[5], attracted[5];
  const float q[3] = {0.0f, 2.0f, -2.0f};
  for (int i = 0; i < 3; i++) {
    Chain c;
    if (q[i] != 0.0f) c.charge(6, q[i]);  // the chain's centre
    ASSERT_EQ(runSma(k, c, s[i]), 0);
  }
  // Attraction holds the molecule close to the wall, where only flat orientations fit;
  // repulsion keeps it away.
  EXPECT_TRUE(s[1][0] > s[0][0] && s[0][0] > s[2][0] && s[2][0] > 0.0) << s[1][0] << " " << s[0][0] << " " << s[2][0];
  // The macroscopic model: without energy every allowed state counts once, as without charges.
  Chain none, one;
  one.charge(6, 2.0f);
  k.elInfo.cutoffPot = 1000.0;  // the macroscopic wall reads it as a distance
  ASSERT_EQ(runMacro(k, none, 1.0, nullptr, plain), 0);
  ASSERT_EQ(runMacro(k, one, 0.0, nullptr, off), 0);
  ASSERT_EQ(runMacro(k, one, 1.0, nullptr, attracted), 0);
  for (int j = 0; j < 5; j++) EXPECT_NEAR(off[j], plain[j], 1e-15);
  EXPECT_TRUE(attracted[0] > plain[0] && plain[0] > 0.0) << attracted[0] << " " << plain[0];
}

TEST_F(Models, RefusedInputsLeaveTheResult) {
  const struct {
    int lc, point;
    float salt, kPot;
    int n;
    double step;
    const char* message;
  } cases[] = {
      {1, 12, 0.1f, 1.0f, 0, 0.0, "sma: charge 1 sits at point 12, outside the 11 points."},
      {1, 0, 0.0f, 1.0f, 0, 0.0, "sma: "},
      {2, 0, 0.1f, 1.0f, 1, 1.0, "sma: "},  // a table of fewer than two points
      {2, 0, 0.1f, 1.0f, 2, 0.0, "sma: "},  // non-positive steps
      {2, 0, 0.1f, 1.0f, 2, -1.0, "sma: "},
      {2, 0, 0.1f, 0.0f, 2, 1.0, "sma: "},  // no potential scale
      {3, 0, 0.1f, 1.0f, 0, 0.0, nullptr},  // other media: nothing done, the result untouched
  };
  for (const auto& cs : cases) {
    Chain c;
    if (cs.point > 0) c.charge(cs.point, 1.0f);
    KorimInfo k = settings(cs.lc);
    std::tie(k.elInfo.concNaCl, k.elInfo.kPot) = std::tuple(cs.salt, cs.kPot);
    std::vector<double> t(cs.n + 1, 1.0);
    double s[5] = {4, 4, 4, 4, 4};
    EXPECT_EQ(runSma(k, c, s, cs.lc == 2 ? &t : nullptr, cs.step), cs.message ? 1 : 0) << cs.n << " " << cs.step;
    if (cs.message) EXPECT_NE(err.find(cs.message), std::string::npos) << err;
    for (double v : s) EXPECT_EQ(v, 4.0);
  }
}

TEST_F(Models, RodTableIsNeverChangedAndCallsRepeat) {
  Chain c, one;
  c.charge(1, 1.0f).charge(11, -1.0f);
  one.charge(1, 1.0f);
  KorimInfo k = settings(2);
  std::tie(k.elInfo.kPot, k.elInfo.cutoffPot, k.elInfo.chDensSurf) = std::tuple(2.0f, 1e-3, -0.47f);
  // The electrostatic rod and the macroscopic model with a rod table leave it alone.
  for (bool macro : {false, true}) {
    if (macro) std::tie(k.elInfo.kPot, k.elInfo.cutoffPot) = std::tuple(3.0f, 60.0);
    std::vector<double> table = rodTable(macro ? 200 : 400, 0.5);
    const std::vector<double> copy = table;
    double s1[5], s2[5];
    ASSERT_EQ(macro ? runMacro(k, one, 1.0, &table, s1) : runSma(k, c, s1, &table, 0.5), 0);
    ASSERT_EQ(macro ? runMacro(k, one, 1.0, &table, s2) : runSma(k, c, s2, &table, 0.5), 0);
    EXPECT_EQ(table, copy);
    EXPECT_EQ(std::vector<double>(s1, s1 + 5), std::vector<double>(s2, s2 + 5));
    EXPECT_GT(s1[0], 0.0);
  }
}

TEST_F(Models, RodWithoutChargesFollowsTheStericRod) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.cutoffPot = 0.0;  // the analytic potential never drops below: grid to the next rod
  std::vector<double> table = rodTable(10, 1.0);
  double el[5], st[5];
  ASSERT_EQ(runSteric(k, c, st), 0);
  EXPECT_GT(st[0], 0.0);  // a rod-shaped molecule lines up with the rods
  ASSERT_EQ(runSma(k, c, el, &table, 1.0), 0);
  expectSameTensor(el, st, 1e-4, "no charges");
  expectFiniteText(out);  // no allowed state differs from weight 1: p is 0, no logarithm
  Chain charged;  // negative charges by the positive rod: every weight above 1, so p > 0
  charged.charge(1, -2.0f).charge(11, -1.0f);
  k.elInfo.kEnergy = 0.0f;
  ASSERT_EQ(runSma(k, charged, el, &table, 1.0), 0);
  expectSameTensor(el, st, 1e-4, "kEne 0");
  k.elInfo.kEnergy = 1.0f;  // weights that count: still a finite report
  ASSERT_EQ(runSma(k, charged, el, &table, 1.0), 0);
  expectFiniteText(out);
  EXPECT_NE(out.find("ln(p): "), std::string::npos) << out;
}

TEST_F(Models, RodClashRegionAndShortTablesStayInBounds) {
  Chain c, ch;
  KorimInfo k = settings(2);
  k.concentration = 1.46f;  // rods touching: the clash region reaches past the next rod
  std::vector<double> table = rodTable(200, 0.5), shortTable(3, 5.0);  // two points, 1 A apart
  double s[5] = {0, 0, 0, 0, 0};
  // As in the steric rod model, a cell without room is refused.
  ASSERT_EQ(runSma(k, c, s, &table, 0.5), 1);
  EXPECT_NE(out.find("@@ no_pt_ph: 15\n@@ lengthGrid: 15\n"), std::string::npos) << out;
  EXPECT_TRUE(korim_test::inOrder(err, {"Warning: Potentials between neighbouring cells overlapping",
                                        "does not fit the rod medium"}));
  for (double v : s) EXPECT_EQ(v, 0.0);
  // A table ending before the charges: potential 0 there, one warning.
  ch.charge(1, 1.0f);
  k = settings(2);
  k.elInfo.cutoffPot = 1e-3;
  ASSERT_EQ(runSma(k, ch, s, &shortTable, 1.0), 0);
  EXPECT_NE(err.find("sma: warning - charges lie beyond the potential table (2 points, "
                     "step 1 Angstrom); potential 0 used there.\n"),
            std::string::npos);
  for (double v : s) EXPECT_TRUE(std::isfinite(v));
  // The look-up itself: linear between points, 0 past the end, the first value before it.
  const double t[4] = {0.0, 3.0, 1.0, -1.0};  // 1-based: 3, 1, -1 at 0, 2, 4 A
  const double at[6][3] = {{0.0, 3.0, 0}, {1.0, 2.0, 0}, {3.0, 0.0, 0}, {4.0, -1.0, 0}, {-1.0, 3.0, 0}, {4.5, 0.0, 1}};
  for (const auto& a : at) {
    bool beyond = false;
    EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, a[0], &beyond), a[1]) << a[0];
    EXPECT_EQ(beyond, a[2] == 1) << a[0];
  }
}

TEST_F(Models, CombinedWallAndRimModel) {
  Chain c;
  for (int lc : {1, 2}) {  // without the rim: the steric model
    KorimInfo k = settings(lc);
    k.includeRim = 0.5f;  // anything but exactly 1 leaves the rim out
    double a[5], b[5];
    ASSERT_EQ(runSsia(k, c, a), 0);
    ASSERT_EQ(runSteric(k, c, b), 0);
    for (int j = 0; j < 5; j++) EXPECT_NEAR(a[j], b[j], 1e-12 + 1e-9 * std::fabs(b[j])) << lc;
  }
  KorimInfo k = settings(1);
  k.molarRatio = 3.0f;
  double s[3][5];
  const float include[3] = {0.0f, 1.0f, 1.0f}, order[3] = {0.0f, 0.0f, 0.24f};
  for (int i = 0; i < 3; i++) {
    std::tie(k.includeRim, k.orderDiscRim) = std::tuple(include[i], order[i]);
    ASSERT_EQ(runSsia(k, c, s[i]), 0);
  }
  EXPECT_NEAR(s[1][0], s[0][0] * 3.0 / 4.0, 1e-12);  // planar share q / (q + 1) of the lipid
  EXPECT_LT(s[2][0], s[1][0]);  // the ordered rim takes away part of the planar alignment
  EXPECT_GT(s[2][0], 0.0);
  k = settings(3);
  EXPECT_EQ(runSsia(k, c, s[0]), 1);
  EXPECT_NE(err.find("ssia: medium type 3"), std::string::npos);
}

TEST(ScreenedWall, ChargesWeighAsTheGouyChapmanPotential) {
  // Debye screening and Grahame's surface potential from SI constants, water
  // taken with a dielectric constant of 78.29, at 25 C.
  const double kB = 1.380649e-23, e0 = 1.602176634e-19, eps0 = 8.8541878128e-12, NA = 6.02214076e23;
  const double T = 298.15, R = 20.0;  // the plane of the potential lies R below the grid's origin
  const float h[5] = {0.0f, -12.0f, -5.0f, 3.0f, 10.0f};  // heights above the centre, A (1-based)
  const float q[5] = {0.0f, 1.0f, -1.0f, 0.5f, -2.0f};
  const int id[5] = {0, 1, 2, 3, 4};
  const struct {
    double salt, sigma;
  } media[] = {{0.15, -0.47}, {0.2, -0.2}, {0.05, 0.3}};
  for (const auto& m : media) {
    ScreenedPotential sp{};
    ASSERT_EQ(screenedPotentialSetup(m.salt, T, m.sigma, false, &sp), 0);
    const double rho = m.salt * NA * 1e-24;                                     // ion pairs / nm^3
    const double lB = e0 * e0 / (4.0 * M_PI * eps0 * 78.29 * kB * T) * 1e9;      // nm
    const double kappa = std::sqrt(8.0 * M_PI * lB * rho);                      // 1/nm
    const double y0 = 2.0 * std::asinh(kappa * m.sigma / (4.0 * rho));          // sinh(y0/2) = kappa sigma / 4 rho
    auto y = [&](double dA) { return 4.0 * std::atanh(std::tanh(y0 / 4.0) * std::exp(-kappa * dA / 10.0)); };
    for (double g : {32.5, 40.0, 60.0, 120.0}) {  // the lowest charge 0.5 to 88 A from the plane
      const double b = std::exp(-sp.kappa * (g - R) / 10.0);
      WallCharges wc;
      wallChargesAt(sp, 1, id, q, h, &wc);  // one unit charge
      EXPECT_NEAR(std::exp(-wallEnergy(wc, b)) / std::exp(-y(g + h[1] - R)), 1.0, 2e-4) << m.salt << " " << g;
      wallChargesAt(sp, 4, id, q, h, &wc);  // charges add up
      double E = 0.0;
      for (int i = 1; i <= 4; i++) E += q[i] * y(g + h[i] - R);
      EXPECT_NEAR(wallEnergy(wc, b), E, 2e-4 * std::fabs(E) + 1e-12) << m.salt << " " << g;
    }
  }
  // A charge 100 A below the centre of a large molecule in 1 M salt, 1 A from the plane: a
  // huge factor of the charge, a tiny one of the position.
  ScreenedPotential sp{};
  ASSERT_EQ(screenedPotentialSetup(1.0, T, -0.47, false, &sp), 0);
  const float deep[2] = {0.0f, -100.0f};
  WallCharges wc;
  wallChargesAt(sp, 1, id, q, deep, &wc);
  const double e = sp.gamma * std::exp(-sp.kappa * 1.0 / 10.0);
  EXPECT_NEAR(wallEnergy(wc, std::exp(-sp.kappa * (121.0 - R) / 10.0)), 4.0 * std::atanh(e), 1e-9);
}

TEST_F(Models, WallReachFollowsThePotentialAndTheCut) {
  KorimInfo k = settings(1);
  k.elInfo.chDensSurf = -0.47f;
  Chain c;  // positive charges by the negative wall
  c.charge(1, 1.0f).charge(6, 1.0f).charge(11, 1.0f);
  double base[5], further[5], capped[5], contact[5];
  ASSERT_EQ(runSma(k, c, base), 0);
  k.elInfo.cutoffPot = 6e-10;  // a thousandth of the threshold: positions some Debye lengths further
  ASSERT_EQ(runSma(k, c, further), 0);
  expectSameTensor(further, base, 1e-3, "further");
  // -cut given: a distance. Beyond the half cell it changes nothing; at the
  // end of the contact region the attraction further out is lost.
  k.elInfo.cutoffDist = 1000.0;
  ASSERT_EQ(runSma(k, c, capped), 0);
  for (int j = 0; j < 5; j++) EXPECT_EQ(capped[j], base[j]);
  k.elInfo.cutoffDist = kMaxL + k.radiusModel;
  ASSERT_EQ(runSma(k, c, contact), 0);
  EXPECT_GT(std::fabs(contact[0] / base[0] - 1.0), 0.01);
  expectFiniteText(out);
}
