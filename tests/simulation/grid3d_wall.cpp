// The grid steric model against the geometry it stands for: a planar wall
// written as a grid mask must give the wall model's tensor (checked against a
// slow twin of both), a slab whose normal is the grid's z axis (the director)
// must give -2 times the tensor of the same slab across it, and a medium
// described with more identical periodic planes must give the same tensor.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "app/korim_utils_null.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"

using namespace korim::simulation;
using korim::app::KorimInfo;

namespace {

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
  korim::app::korimInfoNull(&k);
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
std::vector<float> mask(int nX, int nY, int nZ, Free free) {
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
      const double theta = 1.570796325 - std::atan2(dz, std::sqrt(dx * dx + dy * dy));
      const double psi = m * (360.0 / digPsi) * 3.14159265 / 180.0;
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
std::string quietly(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  testing::internal::GetCapturedStdout();
  return testing::internal::GetCapturedStderr();
}

class GridWallTest : public testing::Test {
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

TEST_F(GridWallTest, WallAcrossTheDirectorIsTheWallModel) {
  Rod r;
  // x positions -50..50 A; x below 10 A blocked, the rest free (beyond the
  // grid the cell is free as well); the grid is wider than the cell, so no
  // free positions are added outside it.
  KorimInfo k = gridSettings(101, 1, 3, 1.0f, 1000.0f, 1000.0f, 2, 2);
  std::vector<float> m = mask(101, 1, 3, [](int ix, int) { return ix - 50 >= 10; });
  double grid[5] = {0, 0, 0, 0, 0}, wall[5] = {0, 0, 0, 0, 0};
  int s1 = -1, s2 = -1;
  quietly([&] {
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
  // of each position and divides by the whole positions sampled.
  const WallTwin t = wallTwin(dots, nDots, k.digPsiNSC, 34);
  const double gridTotal = static_cast<double>(t.allowed + 16 * t.N);
  const double wallDivisor = static_cast<double>(t.N * (t.allowed / t.N + 16));
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(grid[j], (t.sum[j] + 16 * t.N * t.mean[j]) / gridTotal, 1e-12) << j;
    EXPECT_NEAR(wall[j], (t.sum[j] - t.mean[j] * t.allowed) / wallDivisor, 1e-12) << j;
  }
  // The rod lies along the director, never across it.
  const double across[3] = {0.8, 0.6, 0.0};  // perpendicular to the rod
  EXPECT_GT(along(grid, kAxis), 0.005);
  EXPECT_LT(along(grid, across), 0.0);
}

TEST_F(GridWallTest, SlabAlongTheDirectorGivesMinusTwiceTheSlabAcross) {
  Rod r;
  // A free layer 25 A thick between blocked material, once across x (the
  // normal perpendicular to the director) and once across z (normal along the
  // director, a periodic cell of 50 planes of which 25 are blocked). The z
  // positions lie above the grid's middle, so every index is a plain floor.
  KorimInfo kx = gridSettings(101, 1, 3, 1.0f, 1000.0f, 1000.0f, 2, 2);
  std::vector<float> mx = mask(101, 1, 3, [](int ix, int) { return ix >= 60 && ix < 85; });
  KorimInfo kz = gridSettings(1, 1, 201, 1000.0f, 1000.0f, 1.0f, 121, 170);
  std::vector<float> mz = mask(1, 1, 201, [](int, int iz) { return iz >= 140 && iz < 165; });
  double across[5], parallel[5];
  int s1 = -1, s2 = -1;
  quietly([&] {
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

TEST_F(GridWallTest, MorePeriodicPlanesOfTheSameMediumChangeNothing) {
  Rod r;
  // The wall of the first case on a grid only 10 A deep in y, so the cell
  // (41.3 A square) reaches beyond it and adds free positions. The same
  // medium is described with one z plane and with four identical planes 2 A
  // apart; the rod is longer than either grid along z.
  KorimInfo k1 = gridSettings(101, 1, 1, 1.0f, 10.0f, 2.0f, 1, 1);
  KorimInfo k4 = gridSettings(101, 1, 4, 1.0f, 10.0f, 2.0f, 1, 4);
  std::vector<float> m1 = mask(101, 1, 1, [](int ix, int) { return ix - 50 >= 10; });
  std::vector<float> m4 = mask(101, 1, 4, [](int ix, int) { return ix - 50 >= 10; });
  double one[5], four[5];
  int s1 = -1, s4 = -1;
  const std::string err = quietly([&] {
    s1 = ssia3D(&k1, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, m1.data(), one);
    s4 = ssia3D(&k4, r.n(), r.x.data(), r.y.data(), r.z.data(), nDots, dots, 0, m4.data(), four);
  });
  ASSERT_EQ(s1, 0);
  ASSERT_EQ(s4, 0);
  EXPECT_EQ(err.find("WARNING: Error in simulation"), std::string::npos);
  EXPECT_GT(along(one, kAxis), 1e-4);
  for (int j = 0; j < 5; j++) EXPECT_NEAR(four[j], one[j], 1e-12) << j;
}
