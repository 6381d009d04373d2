// Steric plus electrostatic model of the wall and the rod, the combined wall
// and rim model, the macroscopic model and the bicelle geometry: reduction
// to the steric model, Debye screening, direction of the charge effect,
// untouched caller tables, refused inputs and the bicelle numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
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

using namespace korim::simulation;
using korim::settings::KorimInfo;

namespace {

// A straight chain of 11 points along z, 3 Angstrom apart (1-based arrays),
// and up to three point charges on it.
struct Chain {
  std::vector<double> x = std::vector<double>(12, 0.0), y = x, z = x;
  int id[4] = {0, 0, 0, 0};
  float q[4] = {0, 0, 0, 0};
  int nCh = 0;
  Chain() {
    for (int i = 1; i <= 11; i++) z[i] = 3.0 * (i - 6);
  }
  Chain& charge(int point, float value) {
    id[++nCh] = point;
    q[nCh] = value;
    return *this;
  }
};
constexpr int kN = 11;
constexpr double kMaxL = 16.5, kMinL = 1.5;  // half length plus the atom radius; the atom radius

KorimInfo settings(int lcType) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
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
  k.elInfo.kPot = 1.0f;
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
  // sma on the chain; stdout and stderr kept in out and err.
  int runSma(KorimInfo& k, Chain& c, double* s, std::vector<double>* table = nullptr, double step = 0.0) {
    int st = -1;
    out = korim_test::captureStdout([&] {
      err = korim_test::captureStderr([&] {
        st = sma(&k, kN, c.x.data(), c.y.data(), c.z.data(), nDots, dots, kMaxL, kMinL, c.nCh, c.id, c.q,
                 table ? static_cast<int>(table->size()) - 1 : 0, table ? table->data() : nullptr, 0.0, step, s);
      });
    });
    return st;
  }
  int runSteric(KorimInfo& k, Chain& c, double* s) {
    int st = -1;
    err = korim_test::captureStderr([&] {
      st = stericAlignment(&k, 0.0, k.lcType, k.lcType == 2 ? 0.0 : k.rSingleCell, k.radiusModel, k.radiusAtom,
                           k.gridSpacing, k.concentration, 3.0, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL,
                           kMinL, k.digPsiNSC, nDots, dots, s);
    });
    return st;
  }
  int runMacro(KorimInfo& k, Chain& c, double kEner, std::vector<double>* table, double* s) {
    int st = -1;
    out = korim_test::captureStdout([&] {
      err = korim_test::captureStderr([&] {
        st = macroAlignment(&k, 0.0, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom, k.gridSpacing,
                            k.concentration, 3.0, k.elInfo.temperaturePot, 0, k.elInfo.kPot, kEner,
                            k.elInfo.concNaCl, k.elInfo.chDensSurf, k.elInfo.cutoffPot, kN, c.x.data(),
                            c.y.data(), c.z.data(), k.digPsiNSC, nDots, dots, kMaxL, kMinL, c.nCh, c.id, c.q,
                            table ? static_cast<int>(table->size()) - 1 : 0, table ? table->data() : nullptr,
                            0.0, 0.5, s);
      });
    });
    return st;
  }
  double* dots = nullptr;
  int nDots = 0;
  std::string out, err;
};

}  // namespace

TEST(Bicelle, GeometryOfTheStandardMediumTwiceAndAtLowConcentration) {
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
  const KorimInfo first = k;
  ASSERT_EQ(refine_bicelle(&k), 0);  // idempotent
  EXPECT_EQ(k.molarRatio, first.molarRatio);
  EXPECT_EQ(k.lengthModel, first.lengthModel);
  EXPECT_EQ(k.rSingleCell, first.rSingleCell);
  EXPECT_EQ(k.orderDiscRim, first.orderDiscRim);
  k.molarRatio = 2.0f;  // a new ratio given by the user is taken as given
  ASSERT_EQ(refine_bicelle(&k), 0);
  EXPECT_LT(k.molarRatio, first.molarRatio);
  EXPECT_GT(k.molarRatio, 2.0f);
  // Below 0.01 the weight has no free part.
  simuReset();
  k.concentration = 0.009f;
  k.molarRatio = 0.5f;
  ASSERT_EQ(refine_bicelle(&k), 0);
  // Hand-checked: all lipid is in bicelles, so the cell radius is the rim radius over c.
  EXPECT_NEAR(k.molarRatio, 0.893283, 1e-4);
  EXPECT_NEAR(k.rSingleCell, 20.0 / 0.009, 1e-2);
}

TEST(Bicelle, NoBicellesIsRefusedInTheWallMediumOnly) {
  for (int lcType : {korim::settings::kLcWall, korim::settings::kLcRod, korim::settings::kLc3D}) {
    simuReset();
    KorimInfo k{};
    k.lcType = lcType;
    k.concentration = 0.001f;  // the short-chain lipid is all free
    k.molarRatio = 3.0f;
    k.radiusModel = 20.0f;
    k.lengthModel = -7.0f;
    int st = -1;
    const std::string err = korim_test::captureStderr([&] { st = refine_bicelle(&k); });
    if (lcType == korim::settings::kLcWall) {
      EXPECT_NE(st, 0);
      EXPECT_NE(err.find("refine_bicelle: concentration 0.001"), std::string::npos) << err;
    } else {  // rods and grids need no bicelles: nothing changes, no error
      EXPECT_EQ(st, 0);
      EXPECT_EQ(err, "");
    }
    EXPECT_EQ(k.molarRatio, 3.0f);
    EXPECT_EQ(k.lengthModel, -7.0f);
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
  double s[3][5];
  const float q[3] = {0.0f, 2.0f, -2.0f};
  for (int i = 0; i < 3; i++) {
    Chain c;
    if (q[i] != 0.0f) c.charge(6, q[i]);  // the chain's centre
    ASSERT_EQ(runSma(k, c, s[i]), 0);
  }
  // Attraction holds the molecule close to the wall, where only flat
  // orientations fit; repulsion keeps it away.
  EXPECT_GT(s[1][0], s[0][0]);
  EXPECT_GT(s[0][0], s[2][0]);
  EXPECT_GT(s[2][0], 0.0);
}

TEST_F(Models, RefusedInputsLeaveTheResult) {
  std::vector<double> table(3, 1.0);
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
  };
  for (const auto& cs : cases) {
    Chain c;
    if (cs.point > 0) c.charge(cs.point, 1.0f);
    KorimInfo k = settings(cs.lc);
    k.elInfo.concNaCl = cs.salt;
    k.elInfo.kPot = cs.kPot;
    std::vector<double> t(table.begin(), table.begin() + cs.n + 1);
    double s[5] = {4, 4, 4, 4, 4};
    EXPECT_EQ(runSma(k, c, s, cs.lc == 2 ? &t : nullptr, cs.step), 1) << cs.n << " " << cs.step;
    EXPECT_NE(err.find(cs.message), std::string::npos) << err;
    for (double v : s) EXPECT_EQ(v, 4.0);
  }
  // Other media: only the common lines, the result untouched.
  Chain c;
  KorimInfo k = settings(3);
  double s[5] = {5, 5, 5, 5, 5};
  EXPECT_EQ(runSma(k, c, s), 0);
  for (double v : s) EXPECT_EQ(v, 5.0);
}

TEST_F(Models, RodTableIsNeverChangedAndCallsRepeat) {
  Chain c;
  c.charge(1, 1.0f).charge(11, -1.0f);
  KorimInfo k = settings(2);
  k.elInfo.kPot = 2.0f;
  k.elInfo.cutoffPot = 1e-3;
  k.elInfo.chDensSurf = -0.47f;
  std::vector<double> table = rodTable(400, 0.5);
  const std::vector<double> copy = table;
  double s1[5], s2[5];
  ASSERT_EQ(runSma(k, c, s1, &table, 0.5), 0);
  ASSERT_EQ(runSma(k, c, s2, &table, 0.5), 0);
  EXPECT_EQ(table, copy);
  for (int j = 0; j < 5; j++) EXPECT_EQ(s1[j], s2[j]);
  EXPECT_GT(s1[0], 0.0);
  // The macroscopic model with a rod table leaves it alone as well.
  Chain one;
  one.charge(1, 1.0f);
  k.elInfo.kPot = 3.0f;
  k.elInfo.cutoffPot = 60.0;
  table = rodTable(200, 0.5);
  const std::vector<double> copy2 = table;
  ASSERT_EQ(runMacro(k, one, 1.0, &table, s1), 0);
  ASSERT_EQ(runMacro(k, one, 1.0, &table, s2), 0);
  EXPECT_EQ(table, copy2);
  for (int j = 0; j < 5; j++) EXPECT_EQ(s1[j], s2[j]);
  EXPECT_GT(s1[0], 0.0);
}

TEST_F(Models, RodWithoutChargesFollowsTheStericRod) {
  Chain c;
  KorimInfo k = settings(2);
  k.elInfo.cutoffPot = 0.0;  // the analytic potential never drops below: grid to the next rod
  std::vector<double> table = rodTable(10, 1.0);
  double el[5], st[5];
  ASSERT_EQ(runSma(k, c, el, &table, 1.0), 0);
  ASSERT_EQ(runSteric(k, c, st), 0);
  EXPECT_GT(st[0], 0.0);  // a rod-shaped molecule lines up with the rods
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
  Chain c;
  KorimInfo k = settings(2);
  k.concentration = 1.46f;  // rods touching: the clash region reaches past the next rod
  std::vector<double> table = rodTable(200, 0.5);
  double s[5] = {0, 0, 0, 0, 0};
  // As in the steric rod model, a cell without room is refused.
  ASSERT_EQ(runSma(k, c, s, &table, 0.5), 1);
  EXPECT_NE(out.find("@@ no_pt_ph: 15\n@@ lengthGrid: 15\n"), std::string::npos) << out;
  EXPECT_NE(err.find("Warning: Potentials between neighbouring cells overlapping"), std::string::npos);
  EXPECT_NE(err.find("does not fit the rod medium"), std::string::npos) << err;
  for (double v : s) EXPECT_EQ(v, 0.0);
  // A table ending before the charges: potential 0 there, one warning.
  Chain ch;
  ch.charge(1, 1.0f);
  k = settings(2);
  k.elInfo.cutoffPot = 1e-3;
  std::vector<double> shortTable(3, 5.0);  // two points, 1 A apart
  ASSERT_EQ(runSma(k, ch, s, &shortTable, 1.0), 0);
  EXPECT_NE(err.find("sma: warning - charges lie beyond the potential table (2 points, "
                     "step 1 Angstrom); potential 0 used there.\n"),
            std::string::npos);
  for (double v : s) EXPECT_TRUE(std::isfinite(v));
  // The look-up itself: linear between points, 0 past the end, the first value before it.
  const double t[4] = {0.0, 3.0, 1.0, -1.0};  // 1-based: 3, 1, -1 at 0, 2, 4 A
  bool beyond = false;
  const double at[5][2] = {{0.0, 3.0}, {1.0, 2.0}, {3.0, 0.0}, {4.0, -1.0}, {-1.0, 3.0}};
  for (const auto& a : at) EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, a[0], &beyond), a[1]) << a[0];
  EXPECT_FALSE(beyond);
  EXPECT_DOUBLE_EQ(tablePotentialAt(t, 3, 2.0, 4.5, &beyond), 0.0);
  EXPECT_TRUE(beyond);
}

TEST_F(Models, CombinedWallAndRimModel) {
  Chain c;
  for (int lc : {1, 2}) {  // without the rim: the steric model
    KorimInfo k = settings(lc);
    k.includeRim = 0.5f;  // anything but exactly 1 leaves the rim out
    double a[5], b[5];
    err = korim_test::captureStderr([&] { ASSERT_EQ(ssia(&k, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL, kMinL, nDots, dots, a), 0); });
    ASSERT_EQ(runSteric(k, c, b), 0);
    for (int j = 0; j < 5; j++) EXPECT_NEAR(a[j], b[j], 1e-12 + 1e-9 * std::fabs(b[j])) << lc;
  }
  KorimInfo k = settings(1);
  k.molarRatio = 3.0f;
  double s[3][5];
  const float include[3] = {0.0f, 1.0f, 1.0f}, order[3] = {0.0f, 0.0f, 0.24f};
  for (int i = 0; i < 3; i++) {
    k.includeRim = include[i];
    k.orderDiscRim = order[i];
    err = korim_test::captureStderr([&] { ASSERT_EQ(ssia(&k, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL, kMinL, nDots, dots, s[i]), 0); });
  }
  EXPECT_NEAR(s[1][0], s[0][0] * 3.0 / 4.0, 1e-12);  // planar share q / (q + 1) of the lipid
  EXPECT_LT(s[2][0], s[1][0]);  // the ordered rim takes away part of the planar alignment
  EXPECT_GT(s[2][0], 0.0);
  k = settings(3);
  err = korim_test::captureStderr([&] { EXPECT_EQ(ssia(&k, kN, c.x.data(), c.y.data(), c.z.data(), kMaxL, kMinL, nDots, dots, s[0]), 1); });
  EXPECT_NE(err.find("ssia: medium type 3"), std::string::npos);
}

TEST_F(Models, MacroWallWithoutChargesIsThePlainAverage) {
  KorimInfo k = settings(1);
  k.elInfo.chDensSurf = -0.47f;
  Chain none, one;
  one.charge(6, 2.0f);
  k.elInfo.cutoffPot = 1000.0;  // the macroscopic wall reads it as a distance
  double plain[5], off[5], attracted[5];
  ASSERT_EQ(runMacro(k, none, 1.0, nullptr, plain), 0);
  ASSERT_EQ(runMacro(k, one, 0.0, nullptr, off), 0);
  ASSERT_EQ(runMacro(k, one, 1.0, nullptr, attracted), 0);
  // No energy: every allowed state counts once, as without charges.
  for (int j = 0; j < 5; j++) EXPECT_NEAR(off[j], plain[j], 1e-15);
  EXPECT_GT(plain[0], 0.0);
  EXPECT_GT(attracted[0], plain[0]);
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
