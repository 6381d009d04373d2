// Grid models of the medium: isotropy of a free grid, alignment of a chain by
// a blocked slab, invariance under a constant potential, the cell radius,
// odd and even grid sizes, periodic z and refused settings.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "app/korim_utils_null.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/unsp.h"

using namespace korim::simulation;
using korim::app::KorimInfo;

namespace {

// Points 1..n on the z axis, spacing 2 A, centred (1-based arrays).
struct Chain {
  std::vector<double> x, y, z;
  explicit Chain(int n) : x(n + 1, 0.0), y(n + 1, 0.0), z(n + 1, 0.0) {
    for (int i = 1; i <= n; i++) z[i] = 2.0 * (i - 1) - (n - 1);
  }
  int n() const { return static_cast<int>(x.size()) - 1; }
};

// A grid of 3 x 3 columns 1000 A wide (the molecule never leaves a column)
// and 40 planes of 1 A along z forming the periodic cell.
KorimInfo slabSettings() {
  KorimInfo k{};
  korim::app::korimInfoNull(&k);
  k.lcType = 3;
  k.digPsiNSC = 6;
  k.grid3DnX = 3;
  k.grid3DnY = 3;
  k.grid3DnZ = 40;
  k.grid3DdeltaX = 1000.0f;
  k.grid3DdeltaY = 1000.0f;
  k.grid3DdeltaZ = 1.0f;
  k.elInfo.z1 = 1;
  k.elInfo.zN = 40;
  k.elInfo.maxPot = 5.0f;
  return k;
}

// The same z profile (planes 1..40) in every column, z fastest.
template <typename T>
std::vector<T> columns(const std::vector<T>& profile) {
  std::vector<T> g;
  for (int c = 0; c < 9; c++) g.insert(g.end(), profile.begin(), profile.end());
  return g;
}

// Planes 16..25 (the middle of the grid) marked with value, the others with rest.
template <typename T>
std::vector<T> slab(T value, T rest) {
  std::vector<T> p(40, rest);
  for (int i = 15; i < 25; i++) p[i] = value;
  return columns(p);
}

template <typename F>
std::pair<std::string, std::string> captured(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {out, err};
}

class Grid3DTest : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
  }
  double* dots = nullptr;
  int nDots = 0;
};

}  // namespace

TEST_F(Grid3DTest, FreeGridGivesNoAlignment) {
  Chain c(7);
  KorimInfo k = slabSettings();
  std::vector<float> mask(360, 1.0f);
  std::vector<double> pot(360, 0.0);
  double a[5] = {9, 9, 9, 9, 9}, b[5] = {9, 9, 9, 9, 9};
  int s1 = -1, s2 = -1;
  captured([&] {
    s1 = ssia3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, mask.data(), a);
    s2 = sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, nullptr, nullptr, 0,
               pot.data(), b);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s2, 0);
  // Zero up to the rounding of the sampling angles (typical alignment: 1e-3).
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(a[j], 0.0, 1e-6) << j;
    EXPECT_NEAR(b[j], 0.0, 1e-6) << j;
  }
}

TEST_F(Grid3DTest, BlockedSlabAlignsAChainAxially) {
  Chain c(7);  // 12 A long
  KorimInfo k = slabSettings();
  std::vector<float> mask = slab(0.0f, 1.0f);
  double s[5];
  int st = -1;
  captured([&] {
    st = ssia3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, mask.data(), s);
  });
  ASSERT_EQ(st, 0);
  // A rod of length L in a free layer of thickness F: weight F - L |cos| per
  // direction, so Szz = -(L / 8) / (F - L / 2) = -1.5 / 23 for F = 29 A (the
  // layer between the blocked planes; truncation widens the plane at 0),
  // L = 12 A.
  EXPECT_LT(s[0], 0.0);
  EXPECT_NEAR(s[0], -1.5 / 23.0, 0.15 * 1.5 / 23.0);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(s[j]), 0.02 * std::fabs(s[0])) << j;
}

TEST_F(Grid3DTest, ConstantPotentialDoesNotChangeTheAlignment) {
  Chain c(7);
  KorimInfo k = slabSettings();
  std::vector<double> flat = slab(-9.0, 0.0), shifted = slab(-9.0, 1.7);
  // Charges on the chain's centre, which never leaves the grid sideways.
  int id[3] = {0, 4, 4};
  float q[3] = {0.0f, 1.0f, -0.5f};
  double a[5], b[5];
  captured([&] {
    ASSERT_EQ(sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 2, id, q, 0,
                    flat.data(), a),
              0);
    ASSERT_EQ(sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 2, id, q, 0,
                    shifted.data(), b),
              0);
  });
  // A constant added to the potential multiplies every weight by the same factor.
  for (int j = 0; j < 5; j++) EXPECT_NEAR(a[j], b[j], 1e-12 + 1e-9 * std::fabs(a[0])) << j;
}

TEST_F(Grid3DTest, ChargeAttractedToTheWallStrengthensAlignment) {
  Chain c(7);
  KorimInfo k = slabSettings();
  // Blocked slab, then a potential well of -1 kT/e per charge next to it.
  std::vector<double> profile(40, 0.0);
  for (int i = 15; i < 25; i++) profile[i] = 9.0;
  for (int i = 11; i < 15; i++) profile[i] = 1.0;
  for (int i = 25; i < 29; i++) profile[i] = 1.0;
  std::vector<double> pot = columns(profile);
  int id[2] = {0, 1};  // one end of the chain
  float plus[2] = {0.0f, 1.0f}, minus[2] = {0.0f, -1.0f};
  double none[5], attracted[5], repelled[5];
  captured([&] {
    ASSERT_EQ(sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, nullptr,
                    nullptr, 0, pot.data(), none),
              0);
    ASSERT_EQ(sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 1, id, minus, 0,
                    pot.data(), attracted),
              0);
    ASSERT_EQ(sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 1, id, plus, 0,
                    pot.data(), repelled),
              0);
  });
  EXPECT_LT(attracted[0], none[0]);
  EXPECT_GT(repelled[0], none[0]);
}

TEST_F(Grid3DTest, CellRadiusAndReport) {
  Chain c(3);
  KorimInfo k = slabSettings();
  std::vector<float> mask(360, 1.0f);
  double s[5];
  const auto out = captured([&] {
    ssia3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, mask.data(), s);
  });
  // Cross-section per particle: sample volume over (particles x length).
  const double NA = 6.02214076e23;
  const double particles = 0.05 / 268000.0 * NA;         // massLC / mwLC
  const double length = 1.574e-10 * 1707.0;              // m
  const double r = std::sqrt(515e-9 / (particles * length)) * 1e10;  // Angstrom
  EXPECT_NEAR(k.rSingleCell, r, 1e-5 * r);
  EXPECT_NE(out.first.find("REMARK korimInfo->grid3DnZ: 40\n"), std::string::npos);
  EXPECT_NE(out.first.find("REMARK lengthGrid: 360\nREMARK nZGridSel: 40\n"), std::string::npos);
  EXPECT_NE(out.first.find("REMARK nX2 nY2 nZ2: 1  1  20\n"), std::string::npos);
  EXPECT_NE(out.first.find("REMARK startGrid (x,y,z): -1000.000000  -1000.000000  -19.000000\n"),
            std::string::npos)
      << out.first;
  EXPECT_NE(out.first.find("REMARK Digitization of orientations: digPsi = 6    dots = 122   "
                           "inc_psi = 60.0\n"),
            std::string::npos);
  EXPECT_NE(out.second.find("WARNING: Potentials between neighbouring cells overlapping!\n"),
            std::string::npos);
}

TEST_F(Grid3DTest, OddAndEvenGridSizesStayInsideTheGrid) {
  // A molecule wider than the grid in every direction, on grids of every
  // parity: each look-up must stay inside the grid (checked by the sanitizer).
  std::vector<double> x(28, 0.0), y(28, 0.0), z(28, 0.0);
  int n = 0;
  for (int i = -1; i <= 1; i++)
    for (int j = -1; j <= 1; j++)
      for (int l = -1; l <= 1; l++) {
        n++;
        x[n] = 3.0 * i;
        y[n] = 3.0 * j;
        z[n] = 3.0 * l;
      }
  for (int nx : {3, 4})
    for (int nz : {5, 6}) {
      KorimInfo k = slabSettings();
      k.grid3DnX = nx;
      k.grid3DnY = nx;
      k.grid3DnZ = nz;
      k.grid3DdeltaX = k.grid3DdeltaY = k.grid3DdeltaZ = 1.5f;
      k.elInfo.z1 = 1;
      k.elInfo.zN = nz;
      const size_t cells = static_cast<size_t>(nx) * nx * nz;
      std::vector<float> mask(cells, 1.0f);
      std::vector<double> pot(cells, 0.5);
      for (size_t i = 0; i < cells; i += 3) mask[i] = 0.0f;
      double a[5], b[5];
      int s1 = -1, s2 = -1;
      captured([&] {
        s1 = ssia3D(&k, n, x.data(), y.data(), z.data(), nDots, dots, 0, mask.data(), a);
        s2 = sma3D(&k, n, x.data(), y.data(), z.data(), nDots, dots, 0, nullptr, nullptr, 0,
                   pot.data(), b);
      });
      EXPECT_EQ(s1, 0) << nx << " " << nz;
      EXPECT_EQ(s2, 0) << nx << " " << nz;
      for (int j = 0; j < 5; j++) {
        EXPECT_TRUE(std::isfinite(a[j]));
        EXPECT_TRUE(std::isfinite(b[j]));
      }
    }
}

TEST_F(Grid3DTest, FarPointsWrapIntoThePeriodicCell) {
  // Two points a whole number of cells apart along z see the same planes.
  KorimInfo k = slabSettings();
  std::vector<double> pot = slab(9.0, 0.0);
  std::vector<double> x(3, 0.0), y(3, 0.0), zNear(3, 0.0), zFar(3, 0.0);
  zNear[1] = -3.0;
  zNear[2] = 3.0;
  zFar[1] = -3.0 + 40.0 * 1.0e6;  // far beyond the grid
  zFar[2] = 3.0 + 40.0 * 1.0e6;
  double a[5], b[5];
  int s1 = -1, s2 = -1;
  captured([&] {
    s1 = sma3D(&k, 2, x.data(), y.data(), zNear.data(), nDots, dots, 0, nullptr, nullptr, 0,
               pot.data(), a);
    s2 = sma3D(&k, 2, x.data(), y.data(), zFar.data(), nDots, dots, 0, nullptr, nullptr, 0,
               pot.data(), b);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s2, 0);
  for (int j = 0; j < 5; j++) EXPECT_TRUE(std::isfinite(b[j]));
  EXPECT_LT(a[0], 0.0);
}

TEST_F(Grid3DTest, NoAllowedState) {
  Chain c(5);
  KorimInfo k = slabSettings();
  std::vector<double> pot(360, -6.0);  // |potential| >= maxPot everywhere
  std::vector<float> mask(360, 0.0f);
  double a[5] = {3, 3, 3, 3, 3}, b[5] = {3, 3, 3, 3, 3};
  int s1 = -1, s2 = -1;
  const auto out = captured([&] {
    s1 = sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, nullptr, nullptr, 0,
               pot.data(), a);
    s2 = ssia3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, mask.data(), b);
  });
  EXPECT_EQ(s1, 1);
  EXPECT_NE(out.second.find("sma3D: no allowed state of the molecule in the grid (summed weight "
                            "0); no alignment computed.\n"),
            std::string::npos)
      << out.second;
  for (double v : a) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(s2, 0);
  EXPECT_NE(out.second.find("WARNING: Error in simulation\n"), std::string::npos);
  for (double v : b) EXPECT_EQ(v, 0.0);
}

TEST_F(Grid3DTest, UnusableSettingsAreRefused) {
  Chain c(3);
  std::vector<float> mask(360, 1.0f);
  double s[5] = {2, 2, 2, 2, 2};
  struct Case {
    const char* text;
    void (*edit)(KorimInfo&);
  } cases[] = {
      {"z planes 0 to 0 of the periodic cell (options -z1, -zN) must lie within 1 to 40.",
       [](KorimInfo& k) { k.elInfo.z1 = k.elInfo.zN = 0; }},
      {"z planes 5 to 41", [](KorimInfo& k) { k.elInfo.z1 = 5, k.elInfo.zN = 41; }},
      {"z planes 9 to 8", [](KorimInfo& k) { k.elInfo.z1 = 9, k.elInfo.zN = 8; }},
      {"grid size 0 x 3 x 40", [](KorimInfo& k) { k.grid3DnX = 0; }},
      {"grid spacings 1000, 1000, 0 Angstrom", [](KorimInfo& k) { k.grid3DdeltaZ = 0.0f; }},
      {"give no cell radius", [](KorimInfo& k) { k.massLC = 0.0f; }},
      {"no usable orientation sampling", [](KorimInfo& k) { k.digPsiNSC = 0; }},
  };
  for (const Case& cs : cases) {
    KorimInfo k = slabSettings();
    cs.edit(k);
    int st = 0;
    const auto out = captured([&] {
      st = ssia3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, mask.data(), s);
    });
    EXPECT_EQ(st, 1) << cs.text;
    EXPECT_NE(out.second.find(cs.text), std::string::npos) << out.second;
    EXPECT_EQ(out.first, "");
  }
  KorimInfo k = slabSettings();
  int st = 0;
  captured([&] {
    st = sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 0, nullptr, nullptr, 0,
               nullptr, s);
  });
  EXPECT_EQ(st, 1);
  int badId[2] = {0, 4};
  float q[2] = {0.0f, 1.0f};
  std::vector<double> pot(360, 0.0);
  const auto out = captured([&] {
    st = sma3D(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, 1, badId, q, 0,
               pot.data(), s);
  });
  EXPECT_EQ(st, 1);
  EXPECT_NE(out.second.find("sma3D: charge 1 sits at point 4, outside the 3 points."),
            std::string::npos);
  for (double v : s) EXPECT_EQ(v, 2.0);
}
