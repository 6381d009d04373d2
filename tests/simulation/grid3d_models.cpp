// Grid models of the medium: isotropy of a free grid, alignment of a chain by a blocked slab,
// invariance under a constant potential, the cell radius, odd and even grid sizes, the periodic
// cell along z against a twin that wraps explicitly, refused settings; the steric grid against
// the geometry it stands for (a planar wall written as a mask is the wall model, and a slab
// whose normal is the director gives -2 times the tensor of the same slab across it).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_null.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"
#include "tests/support/pdbtext.h"
#include "tests/support/simulation.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;
using korim_test::captureBoth;
using Points = korim_test::PdbAtoms;  // points 1..n (1-based arrays)

namespace {

// n points on the z axis, spacing 2 A, centred.
Points chain(int n) {
  Points c;
  for (int i = 1; i <= n; i++) c.add(0, 0, 2.0 * (i - 1) - (n - 1));
  return c;
}

// A thin rod of 9 atoms 2.3 A apart along the unit axis kAxis, its middle atom at the origin.
constexpr int kHalf = 4;
constexpr double kStep = 2.3;
constexpr double kAxis[3] = {0.36, -0.48, 0.80};
Points rod() {
  Points r;
  for (int j = -kHalf; j <= kHalf; j++) r.add(j * kStep * kAxis[0], j * kStep * kAxis[1], j * kStep * kAxis[2]);
  return r;
}

// Settings of a grid run (lcType 3); sizes, spacings in A, periodic z planes z1..zN.
KorimInfo gridSettings(int nX, int nY, int nZ, float dX, float dY, float dZ, int z1, int zN, int digPsi = 12) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.lcType = 3;
  k.digPsiNSC = digPsi;
  std::tie(k.grid3DnX, k.grid3DnY, k.grid3DnZ, k.elInfo.z1, k.elInfo.zN) = std::tuple(nX, nY, nZ, z1, zN);
  std::tie(k.grid3DdeltaX, k.grid3DdeltaY, k.grid3DdeltaZ) = std::tuple(dX, dY, dZ);
  k.elInfo.maxPot = 5.0f;
  return k;
}
// 3 x 3 columns 1000 A wide (the molecule never leaves a column), 40 planes of 1 A along z.
KorimInfo slabSettings() { return gridSettings(3, 3, 40, 1000.0f, 1000.0f, 1.0f, 1, 40, 6); }

// nX x nY x nZ values (z fastest) given by value(ix, iz) (0-based indices).
template <typename T = float, typename Value>
std::vector<T> gridOf(int nX, int nY, int nZ, Value value) {
  std::vector<T> m;
  for (int ix = 0; ix < nX; ix++)
    for (int iy = 0; iy < nY; iy++)
      for (int iz = 0; iz < nZ; iz++) m.push_back(static_cast<T>(value(ix, iz)));
  return m;
}

// Twin of the steric grid of one column (wider than the molecule and the particle's cell) whose
// planes z1..zN (1-based, 1 A apart) repeat along z. The molecule's offsets run over the
// planes of one cell; each atom at height h = offset + d.r from the grid's middle lies in the
// plane on the middle's side of it (the grid's cells are counted outward from the middle, so
// the middle one spans -1..1 A), brought into z1..zN by whole cells. A state is allowed when
// every atom's plane is free; the tensor is the mean over the allowed states.
std::vector<double> periodicTwin(const std::vector<bool>& freePlane, int nZ, int z1, int zN, const Points& p,
                                 const double* dots, int nDots) {
  const int cell = zN - z1 + 1, half = nZ / 2;
  double acc[5] = {0, 0, 0, 0, 0}, total = 0;
  for (int d = 0; d < nDots; d++) {
    const double* D = dots + 3 * d;
    double s[5];
    korim_test::orderValues(D, s);
    for (int iz = 0; iz < cell; iz++) {
      bool allowed = true;
      for (int a = 1; a <= p.n() && allowed; a++) {
        const double h = (z1 - half + iz) + D[0] * p.x[a] + D[1] * p.y[a] + D[2] * p.z[a];
        long long plane = static_cast<long long>(std::trunc(h)) + half + 1;
        plane -= cell * static_cast<long long>(std::floor(static_cast<double>(plane - z1) / cell));
        allowed = freePlane[plane - 1];
      }
      if (!allowed) continue;
      for (int j = 0; j < 5; j++) acc[j] += s[j];
      total += 1;
    }
  }
  std::vector<double> out(5);
  for (int j = 0; j < 5; j++) out[j] = acc[j] / total;
  return out;
}

class Grid3DTest : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
  }
  int steric(KorimInfo& k, Points& p, std::vector<float>& mask, double* s) {
    return ssia3D(&k, p.n(), p.x.data(), p.y.data(), p.z.data(), nDots, dots, 0, mask.data(), s);
  }
  int potential(KorimInfo& k, Points& p, std::vector<double>& pot, double* s, int nq = 0, int* id = nullptr,
                float* q = nullptr) {
    return sma3D(&k, p.n(), p.x.data(), p.y.data(), p.z.data(), nDots, dots, nq, id, q, 0,
                 pot.empty() ? nullptr : pot.data(), s);
  }
  double* dots = nullptr;
  int nDots = 0;
};

}  // namespace

TEST_F(Grid3DTest, FreeGridGivesNoAlignmentABlockedSlabAlignsAChainAxially) {
  Points c = chain(7);  // 12 A long
  KorimInfo k = slabSettings();
  std::vector<float> open(360, 1.0f);
  std::vector<float> mask = gridOf(3, 3, 40, [](int, int iz) { return iz < 15 || iz >= 25; });  // 16..25 blocked
  std::vector<double> pot(360, 0.0);
  double a[5], b[5], s[5];
  const auto out = captureBoth([&] {
    ASSERT_EQ(steric(k, c, open, a), 0);
    ASSERT_EQ(potential(k, c, pot, b), 0);
    ASSERT_EQ(steric(k, c, mask, s), 0);
  });
  // Cell radius from the cross-section per particle: sample volume over (particles x length),
  // so the cells of 1000 A columns overlap their neighbours.
  const double particles = 0.05 / 268000.0 * 6.02214076e23, length = 1.574e-10 * 1707.0;  // m
  EXPECT_NEAR(k.rSingleCell, std::sqrt(515e-9 / (particles * length)) * 1e10, 1e-5 * k.rSingleCell);
  EXPECT_NE(out.second.find("WARNING: Potentials between neighbouring cells overlapping!\n"), std::string::npos);
  // Free grid: zero up to the rounding of the sampling angles (typical alignment: 1e-3).
  for (int j = 0; j < 5; j++) EXPECT_TRUE(std::fabs(a[j]) < 1e-6 && std::fabs(b[j]) < 1e-6) << j;
  // A rod of length L in a free layer of thickness F: weight F - L |cos| per direction, so
  // Szz = -(L / 8) / (F - L / 2) = -1.5 / 23 for F = 29 A (the layer between the blocked planes;
  // truncation widens the plane at 0), L = 12 A.
  EXPECT_NEAR(s[0], -1.5 / 23.0, 0.15 * 1.5 / 23.0);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(s[j]), 0.02 * std::fabs(s[0])) << j;
}

TEST_F(Grid3DTest, ChargesFollowThePotentialAndAConstantChangesNothing) {
  Points c = chain(7);
  KorimInfo k = slabSettings();
  // Blocked slab, then a potential of 1 kT/e next to it; the shifted one adds 1.7 outside the slab.
  auto profile = [](int iz) { return iz >= 15 && iz < 25 ? 9.0 : (iz >= 11 && iz <= 28 ? 1.0 : 0.0); };
  std::vector<double> pot = gridOf<double>(3, 3, 40, [&](int, int iz) { return profile(iz); }),
                      shifted = gridOf<double>(3, 3, 40, [&](int, int iz) { return profile(iz) + (profile(iz) < 9 ? 1.7 : 0); });
  int id[2] = {0, 1}, mid[2] = {0, 4};  // one end of the chain; its centre, never beside the grid
  float plus[2] = {0.0f, 1.0f}, minus[2] = {0.0f, -1.0f};
  double none[5], attracted[5], repelled[5], centred[5], shiftedS[5];
  captureBoth([&] {
    ASSERT_EQ(potential(k, c, pot, none), 0);
    ASSERT_EQ(potential(k, c, pot, attracted, 1, id, minus), 0);
    ASSERT_EQ(potential(k, c, pot, repelled, 1, id, plus), 0);
    ASSERT_EQ(potential(k, c, pot, centred, 1, mid, minus), 0);
    ASSERT_EQ(potential(k, c, shifted, shiftedS, 1, mid, minus), 0);
  });
  EXPECT_LT(attracted[0], none[0]);
  EXPECT_GT(repelled[0], none[0]);
  // A constant added to the potential inside the cell multiplies every weight by one factor.
  for (int j = 0; j < 5; j++) EXPECT_NEAR(shiftedS[j], centred[j], 1e-9 * std::fabs(centred[0])) << j;
}

TEST_F(Grid3DTest, OddAndEvenGridSizesStayInsideTheGrid) {
  // A molecule wider than the grid in every direction, on grids of every parity: each look-up
  // must stay inside the grid (checked by the sanitizer).
  Points m;
  for (int i = 0; i < 27; i++) m.add(3.0 * (i % 3 - 1), 3.0 * (i / 3 % 3 - 1), 3.0 * (i / 9 - 1));
  for (int nx : {3, 4})
    for (int nz : {5, 6}) {
      KorimInfo k = gridSettings(nx, nx, nz, 1.5f, 1.5f, 1.5f, 1, nz, 6);
      std::vector<float> mask = gridOf(nx, nx, nz, [](int ix, int iz) { return (ix + iz) % 3 != 0; });
      std::vector<double> pot(static_cast<size_t>(nx) * nx * nz, 0.5);
      double a[5], b[5];
      captureBoth([&] {
        EXPECT_EQ(steric(k, m, mask, a), 0) << nx << " " << nz;
        EXPECT_EQ(potential(k, m, pot, b), 0) << nx << " " << nz;
      });
      for (int j = 0; j < 5; j++) EXPECT_TRUE(std::isfinite(a[j]) && std::isfinite(b[j]));
    }
}

TEST_F(Grid3DTest, AtomsOutsideTheCellAndFarPointsWrapIntoThePeriodicCell) {
  // The cell of planes 41..50 of a 60-plane grid: planes 44..47 blocked, so the free layer runs
  // across the cell's boundary (48..50, then 41..43); the planes outside the cell are blocked, so
  // an atom that is not wrapped into the cell sees the wrong medium. The rod (18.4 A) sticks out
  // of the 10-plane cell on both sides.
  std::vector<bool> freePlane(60, false);
  for (int p : {41, 42, 43, 48, 49, 50}) freePlane[p - 1] = true;
  KorimInfo k = gridSettings(1, 1, 60, 1.0e5f, 1.0e5f, 1.0f, 41, 50, 1);
  std::vector<float> mask = gridOf(1, 1, 60, [&](int, int iz) { return freePlane[iz]; });
  for (double up : {0.0, 100 * 10.0}) {  // as built, and 100 cells up
    Points r = rod(), p;
    for (int a = 1; a <= r.n(); a++) p.add(r.x[a], r.y[a], r.z[a] + up);
    double s[5];
    captureBoth([&] { ASSERT_EQ(steric(k, p, mask, s), 0); });
    const std::vector<double> twin = periodicTwin(freePlane, 60, 41, 50, p, dots, nDots);
    // Positions in single precision may change plane at a boundary: 2 % of the largest element.
    ASSERT_GT(std::fabs(korim_test::orderAlong(twin.data(), kAxis)), 0.05);
    for (int j = 0; j < 5; j++) EXPECT_NEAR(s[j], twin[j], 0.02 * std::fabs(twin[0])) << up << " " << j;
  }
}

TEST_F(Grid3DTest, NoAllowedState) {
  Points c = chain(5);
  KorimInfo k = slabSettings();
  std::vector<double> pot(360, -6.0);  // |potential| >= maxPot everywhere
  std::vector<float> mask(360, 0.0f);
  double a[5] = {3, 3, 3, 3, 3}, b[5] = {3, 3, 3, 3, 3};
  int s1 = -1, s2 = -1;
  const std::string err = captureBoth([&] {
                            s1 = potential(k, c, pot, a);
                            s2 = steric(k, c, mask, b);
                          }).second;
  EXPECT_TRUE(s1 == 1 && s2 == 0);
  EXPECT_TRUE(korim_test::inOrder(err, {"sma3D: no allowed state of the molecule in the grid (summed weight 0); no "
                                        "alignment computed.\n", "WARNING: Error in simulation\n"}));
  for (int j = 0; j < 5; j++) EXPECT_TRUE(a[j] == 0.0 && b[j] == 0.0) << j;
}

TEST_F(Grid3DTest, UnusableSettingsAreRefused) {
  Points c = chain(3);
  std::vector<float> mask(360, 1.0f);
  std::vector<double> none, pot(360, 0.0);
  int badId[2] = {0, 4};
  float q[2] = {0.0f, 1.0f};
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
      {"sma3D: no three-dimensional grid was read.", nullptr},  // the potential models
      {"sma3D: charge 1 sits at point 4, outside the 3 points.", nullptr},
  };
  for (const Case& cs : cases) {
    KorimInfo k = slabSettings();
    if (cs.edit) cs.edit(k);
    int st = 0;
    const auto out = captureBoth([&] {
      st = cs.edit ? steric(k, c, mask, s) : cs.text[7] == 'n' ? potential(k, c, none, s) : potential(k, c, pot, s, 1, badId, q);
    });
    EXPECT_EQ(st, 1) << cs.text;
    EXPECT_NE(out.second.find(cs.text), std::string::npos) << out.second;
    EXPECT_EQ(out.first, "");
  }
  for (double v : s) EXPECT_EQ(v, 2.0);
}

TEST_F(Grid3DTest, WallAndSlabsAgainstTheGeometryTheyStandFor) {
  Points r = rod();
  // x positions -50..50 A. The wall: x below 10 A blocked, the rest free (beyond the grid the
  // cell is free as well); the grid is wider than the cell, so no free positions are added
  // outside it. A free layer 25 A thick between blocked material, once across x (the normal
  // perpendicular to the director) and once across z (normal along the director, a periodic
  // cell of 50 planes of which 25 are blocked), above the grid's middle so every index is a
  // plain floor.
  KorimInfo kx = gridSettings(101, 1, 3, 1.0f, 1000.0f, 1000.0f, 2, 2);
  KorimInfo kz = gridSettings(1, 1, 201, 1000.0f, 1000.0f, 1.0f, 121, 170);
  std::vector<float> mw = gridOf(101, 1, 3, [](int ix, int) { return ix - 50 >= 10; });
  std::vector<float> mx = gridOf(101, 1, 3, [](int ix, int) { return ix >= 60 && ix < 85; });
  std::vector<float> mz = gridOf(1, 1, 201, [](int, int iz) { return iz >= 140 && iz < 165; });
  double grid[5], wall[5], across[5], parallel[5];
  captureBoth([&] {
    ASSERT_EQ(steric(kx, r, mw, grid), 0);
    // Wall 10 A from the origin, positions 10..34 A sampled and 35..50 A free.
    ASSERT_EQ(stericAlignment(&kx, 0.0, 1, 50.0, 10.0, 0.0, 1.0, 0.0, 0.0, r.n(), r.x.data(), r.y.data(),
                              r.z.data(), 24.0, 0.0, kx.digPsiNSC, nDots, dots, wall),
              0);
    ASSERT_EQ(steric(kx, r, mx, across), 0);
    ASSERT_EQ(steric(kz, r, mz, parallel), 0);
  });
  // Positions 10..50 of the grid, of which 35..50 are fully free. The grid model averages the
  // order values of the allowed states; the wall model subtracts the isotropic mean of each
  // position; both divide by the states of the cell. They differ by that mean, which the free
  // grid shows to vanish (the wall model is checked against the physics in the steric tests).
  for (int j = 0; j < 5; j++) EXPECT_NEAR(grid[j], wall[j], 1e-6) << j;
  // The rod lies along the director, never across it.
  const double normal[3] = {0.8, 0.6, 0.0};
  EXPECT_GT(korim_test::orderAlong(grid, kAxis), 0.005);
  EXPECT_LT(korim_test::orderAlong(grid, normal), 0.0);
  // With the normal n across the director d uniformly, <P2(a.d)> = -1/2 <P2(a.n)>; with n = d
  // it is <P2(a.n)> itself, over the same weights. The 122-dot sphere resolves the rod's axis
  // to 1 % and the other elements to a few per cent of it.
  const double a = korim_test::orderAlong(across, kAxis), p = korim_test::orderAlong(parallel, kAxis);
  EXPECT_GT(a, 0.005);
  EXPECT_NEAR(p / a, -2.0, 0.02);
  for (int j = 0; j < 5; j++) EXPECT_NEAR(parallel[j], -2.0 * across[j], 0.05 * std::fabs(p)) << j;
}
