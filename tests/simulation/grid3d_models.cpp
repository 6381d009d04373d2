// Grid models of the medium: isotropy of a free grid, alignment of a chain by
// a blocked slab, invariance under a constant potential, the cell radius,
// odd and even grid sizes, periodic z and refused settings; the steric grid
// against the geometry it stands for: a planar wall written as a mask gives
// the wall model's tensor (both checked against a slow twin), a slab whose
// normal is the grid's z axis (the director) gives -2 times the tensor of the
// same slab across it, and more identical periodic planes change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/constants.h"
#include "foundation/memory.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;

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
  korim::settings::korimInfoNull(&k);
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

// A thin rod of 2 kHalf + 1 atoms, kStep A apart along the unit axis kAxis,
// its middle atom at the origin (1-based arrays).
constexpr int kHalf = 4;
constexpr double kStep = 2.3;
constexpr double kAxis[3] = {0.36, -0.48, 0.80};

struct Rod {
  std::vector<double> x, y, z;
  Rod() : x(2 * kHalf + 2, 0.0), y(2 * kHalf + 2, 0.0), z(2 * kHalf + 2, 0.0) {
    for (int j = -kHalf; j <= kHalf; j++) {
      const int a = j + kHalf + 1;
      x[a] = j * kStep * kAxis[0];
      y[a] = j * kStep * kAxis[1];
      z[a] = j * kStep * kAxis[2];
    }
  }
  int n() const { return 2 * kHalf + 1; }
};

// Settings of a grid run: a 1000 A wide single column along the axes that
// carry no structure, so the rod never leaves it there.
KorimInfo gridSettings(int nX, int nY, int nZ, float dX, float dY, float dZ, int z1, int zN) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.lcType = 3;
  k.digPsiNSC = 12;
  k.grid3DnX = nX;
  k.grid3DnY = nY;
  k.grid3DnZ = nZ;
  k.grid3DdeltaX = dX;
  k.grid3DdeltaY = dY;
  k.grid3DdeltaZ = dZ;
  k.elInfo.z1 = z1;
  k.elInfo.zN = zN;
  k.elInfo.maxPot = 5.0f;
  return k;
}

// Mask of nX x nY x nZ values (z fastest) free where free(ix, iz) holds
// (0-based indices).
template <typename Free>
std::vector<float> maskOf(int nX, int nY, int nZ, Free free) {
  std::vector<float> m;
  for (int ix = 0; ix < nX; ix++)
    for (int iy = 0; iy < nY; iy++)
      for (int iz = 0; iz < nZ; iz++) m.push_back(free(ix, iz) ? 1.0f : 0.0f);
  return m;
}

// Slow twin of one wall of normal U at positions 10..lastPos (A, step 1): for
// every orientation the rod's lowest atom along U is at -kHalf kStep |a.U|,
// and a position g is allowed when g minus that depth reaches the wall at 10.
// The rotation is written out from its matrix, independently of the library.
struct WallTwin {
  double sum[5] = {0, 0, 0, 0, 0};   // order values summed over allowed states
  double mean[5] = {0, 0, 0, 0, 0};  // order values averaged over orientations
  long long allowed = 0;             // allowed (orientation, position) pairs
  long long N = 0;                   // orientations
};

WallTwin wallTwin(const double* dots, int nDots, int digPsi, int lastPos) {
  WallTwin t;
  for (int d = 0; d < nDots; d++)
    for (int m = 0; m < digPsi; m++) {
      const double dx = dots[3 * d], dy = dots[3 * d + 1], dz = dots[3 * d + 2];
      const double phi = std::atan2(dy, dx);
      const double theta =
          korim::foundation::kHalfPi8 - std::atan2(dz, std::sqrt(dx * dx + dy * dy));
      const double psi = m * (360.0 / digPsi) * korim::foundation::kPi8 / 180.0;
      const double cf = std::cos(phi), sf = std::sin(phi), ct = std::cos(theta),
                   st = std::sin(theta), cp = std::cos(psi), sp = std::sin(psi);
      // First row of the rotation (the wall normal in the molecule) and its
      // third row (the director).
      const double U[3] = {cf * ct * cp - sf * sp, sf * ct * cp + cf * sp, -st * cp};
      const double D[3] = {cf * st, sf * st, ct};
      const double s[5] = {0.5 * (3 * D[2] * D[2] - 1), 1.5 * (D[0] * D[0] - D[1] * D[1]),
                           1.5 * D[0] * D[1], 1.5 * D[0] * D[2], 1.5 * D[1] * D[2]};
      const double depth =
          kHalf * kStep * std::fabs(U[0] * kAxis[0] + U[1] * kAxis[1] + U[2] * kAxis[2]);
      for (int g = 10; g <= lastPos; g++) {
        if (g - depth < 10.0) continue;
        for (int j = 0; j < 5; j++) t.sum[j] += s[j];
        t.allowed++;
      }
      for (int j = 0; j < 5; j++) t.mean[j] += s[j];
      t.N++;
    }
  for (double& v : t.mean) v /= static_cast<double>(t.N);
  return t;
}

// The five elements as a symmetric 3x3 matrix, read along a unit vector.
double along(const double s[5], const double v[3]) {
  const double szz = s[0], sxx = 0.5 * (s[1] - szz), syy = -0.5 * (s[1] + szz);
  const double M[3][3] = {{sxx, s[2], s[3]}, {s[2], syy, s[4]}, {s[3], s[4], szz}};
  double r = 0.0;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) r += v[i] * M[i][j] * v[j];
  return r;
}

template <typename F>
std::pair<std::string, std::string> captured(F f) {
  std::string err;
  std::string out = korim_test::captureStdout([&] { err = korim_test::captureStderr(f); });
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

TEST_F(Grid3DTest, WallAcrossTheDirectorIsTheWallModel) {
  Rod r;
  // x positions -50..50 A; x below 10 A blocked, the rest free (beyond the
  // grid the cell is free as well); the grid is wider than the cell, so no
  // free positions are added outside it.
  KorimInfo k = gridSettings(101, 1, 3, 1.0f, 1000.0f, 1000.0f, 2, 2);
  std::vector<float> m = maskOf(101, 1, 3, [](int ix, int) { return ix - 50 >= 10; });
  double grid[5] = {0, 0, 0, 0, 0}, wall[5] = {0, 0, 0, 0, 0};
  int s1 = -1, s2 = -1;
  captured([&] {
    s1 = ssia3D(&k, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, m.data(), grid);
    // Wall 10 A from the origin, positions 10..34 A sampled and 35..50 A free.
    s2 = stericAlignment(&k, 0.0, 1, 50.0, 10.0, 0.0, 1.0, 0.0, 0.0, r.n(), r.x.data(),
                         r.y.data(), r.z.data(), 24.0, 0.0, k.digPsiNSC, nDots, dots, wall);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s2, 0);

  // Positions 10..50 of the grid: the twin's allowed pairs at 10..34 and 16
  // fully free positions per orientation. The grid model averages the order
  // values of the allowed states; the wall model subtracts the isotropic mean
  // of each position; both divide by the states of the cell.
  const WallTwin t = wallTwin(dots, nDots, k.digPsiNSC, 34);
  const double gridTotal = static_cast<double>(t.allowed + 16 * t.N);
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(grid[j], (t.sum[j] + 16 * t.N * t.mean[j]) / gridTotal, 1e-12) << j;
    EXPECT_NEAR(wall[j], (t.sum[j] - t.mean[j] * t.allowed) / gridTotal, 1e-12) << j;
  }
  // The rod lies along the director, never across it.
  const double across[3] = {0.8, 0.6, 0.0};  // perpendicular to the rod
  EXPECT_GT(along(grid, kAxis), 0.005);
  EXPECT_LT(along(grid, across), 0.0);
}

TEST_F(Grid3DTest, SlabAlongTheDirectorGivesMinusTwiceTheSlabAcross) {
  Rod r;
  // A free layer 25 A thick between blocked material, once across x (the
  // normal perpendicular to the director) and once across z (normal along the
  // director, a periodic cell of 50 planes of which 25 are blocked). The z
  // positions lie above the grid's middle, so every index is a plain floor.
  KorimInfo kx = gridSettings(101, 1, 3, 1.0f, 1000.0f, 1000.0f, 2, 2);
  std::vector<float> mx = maskOf(101, 1, 3, [](int ix, int) { return ix >= 60 && ix < 85; });
  KorimInfo kz = gridSettings(1, 1, 201, 1000.0f, 1000.0f, 1.0f, 121, 170);
  std::vector<float> mz = maskOf(1, 1, 201, [](int, int iz) { return iz >= 140 && iz < 165; });
  double across[5], parallel[5];
  int s1 = -1, s2 = -1;
  captured([&] {
    s1 = ssia3D(&kx, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, mx.data(), across);
    s2 = ssia3D(&kz, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, mz.data(),
                parallel);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s2, 0);
  // With the normal n across the director d uniformly, <P2(a.d)> = -1/2
  // <P2(a.n)>; with n = d it is <P2(a.n)> itself, over the same weights. The
  // 122-dot sphere resolves the rod's axis to 1 % and the other elements to
  // a few per cent of it.
  const double a = along(across, kAxis), p = along(parallel, kAxis);
  EXPECT_GT(a, 0.005);
  EXPECT_NEAR(p / a, -2.0, 0.02);
  for (int j = 0; j < 5; j++) EXPECT_NEAR(parallel[j], -2.0 * across[j], 0.05 * std::fabs(p)) << j;
}

TEST_F(Grid3DTest, MorePeriodicPlanesOfTheSameMediumChangeNothing) {
  Rod r;
  // The wall of the first case on a grid only 10 A deep in y, so the cell
  // (41.3 A square) reaches beyond it and adds free positions. The same
  // medium is described with one z plane and with four identical planes 2 A
  // apart; the rod is longer than either grid along z.
  KorimInfo k1 = gridSettings(101, 1, 1, 1.0f, 10.0f, 2.0f, 1, 1);
  KorimInfo k4 = gridSettings(101, 1, 4, 1.0f, 10.0f, 2.0f, 1, 4);
  std::vector<float> m1 = maskOf(101, 1, 1, [](int ix, int) { return ix - 50 >= 10; });
  std::vector<float> m4 = maskOf(101, 1, 4, [](int ix, int) { return ix - 50 >= 10; });
  double one[5], four[5];
  int s1 = -1, s4 = -1;
  const auto out = captured([&] {
    s1 = ssia3D(&k1, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, m1.data(), one);
    s4 = ssia3D(&k4, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, m4.data(), four);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s4, 0);
  EXPECT_EQ(out.second.find("WARNING: Error in simulation"), std::string::npos);
  EXPECT_GT(along(one, kAxis), 1e-4);
  for (int j = 0; j < 5; j++) EXPECT_NEAR(four[j], one[j], 1e-12) << j;
}
