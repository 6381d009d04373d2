// Sphere of orientations: dot counts, geometry, isotropy, the cube order and
// the lifetime of handed-out spheres.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "simulation/nsc.h"
#include "simulation/unsp.h"

using namespace korim::simulation;

namespace {

class Sphere : public testing::Test {
 protected:
  void SetUp() override { nscReset(); }
  void TearDown() override { nscReset(); }
};

std::vector<double> currentDots() {
  int n = 0;
  const double* d = unspCurrentDots(&n);
  return std::vector<double>(d, d + 3 * n);
}

}  // namespace

TEST_F(Sphere, DotCountsAndDistributionByDensity) {
  struct Row {
    int density, type, dots;
  };
  const Row rows[] = {{3, 10, 12},    {12, 10, 12},  {13, 9, 32},   {32, 9, 32},   {33, 10, 42},
                      {42, 10, 42},   {92, 10, 92},  {100, 9, 122}, {122, 9, 122}, {150, 10, 162},
                      {162, 10, 162}, {200, 10, 252}, {250, 10, 252}, {272, 9, 272}, {300, 10, 362},
                      {400, 9, 482},  {482, 9, 482}, {500, 10, 642}, {600, 10, 642}, {700, 9, 752},
                      {800, 10, 812}, {1000, 10, 1002}};
  for (const Row& r : rows) {
    EXPECT_EQ(unsp_type(r.density), r.type) << r.density;
    int n = -1;
    ASSERT_EQ(make_unsp(r.density, r.type, &n, 0), 0);
    EXPECT_EQ(n, r.dots) << r.density;
    int cur = 0;
    unspCurrentDots(&cur);
    EXPECT_EQ(cur, r.dots);
  }
}

TEST_F(Sphere, DotsAreDistinctUnitVectorsWithIsotropicSecondMoment) {
  for (int density : {12, 32, 42, 100, 162, 700, 1000}) {
    int n = 0;
    ASSERT_EQ(make_unsp(density, unsp_type(density), &n, 0), 0);
    const std::vector<double> d = currentDots();
    double m[3][3] = {{0}}, mean[3] = {0, 0, 0};
    for (int i = 0; i < n; i++) {
      const double* p = &d[3 * i];
      EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 1e-12);
      for (int a = 0; a < 3; a++) {
        mean[a] += p[a] / n;
        for (int b = 0; b < 3; b++) m[a][b] += p[a] * p[b] / n;
      }
    }
    for (int a = 0; a < 3; a++) {
      EXPECT_NEAR(mean[a], 0.0, 1e-7) << density;
      for (int b = 0; b < 3; b++) EXPECT_NEAR(m[a][b], a == b ? 1.0 / 3 : 0.0, 1e-7) << density;
    }
    // Nearest-neighbour distances: no duplicate, no large hole (a near-uniform cover).
    double minD = 10, maxNearest = 0;
    for (int i = 0; i < n; i++) {
      double nearest = 10;
      for (int j = 0; j < n; j++) {
        if (i == j) continue;
        double dd = 0;
        for (int a = 0; a < 3; a++) dd += (d[3 * i + a] - d[3 * j + a]) * (d[3 * i + a] - d[3 * j + a]);
        nearest = std::min(nearest, std::sqrt(dd));
      }
      minD = std::min(minD, nearest);
      maxNearest = std::max(maxNearest, nearest);
    }
    // Equal-area spacing on the unit sphere is about sqrt(4 pi / n).
    const double spacing = std::sqrt(4 * M_PI / n);
    EXPECT_GT(minD, 0.5 * spacing) << density;
    EXPECT_LT(maxNearest, 1.6 * spacing) << density;
  }
}

TEST_F(Sphere, IcosahedronVerticesHaveFiveNeighboursEach) {
  double v[36];
  icosaeder_vertices(v);
  const double c72 = std::cos(72 * M_PI / 180);
  const double rh = std::sqrt(1 - 2 * c72) / (1 - c72);
  const double edge2 = 2 * rh * rh * (1 - c72);
  // Edge of the icosahedron inscribed in the unit sphere: 4 / sqrt(10 + 2 sqrt 5).
  EXPECT_NEAR(std::sqrt(edge2), 4 / std::sqrt(10 + 2 * std::sqrt(5.0)), 1e-7);
  for (int i = 0; i < 12; i++) {
    EXPECT_NEAR(v[3 * i] * v[3 * i] + v[3 * i + 1] * v[3 * i + 1] + v[3 * i + 2] * v[3 * i + 2],
                1.0, 1e-7);
    int neighbours = 0;
    for (int j = 0; j < 12; j++) {
      double dd = 0;
      for (int a = 0; a < 3; a++) dd += (v[3 * i + a] - v[3 * j + a]) * (v[3 * i + a] - v[3 * j + a]);
      if (j != i && std::fabs(dd - edge2) < 1e-3) neighbours++;
    }
    EXPECT_EQ(neighbours, 5) << i;
  }
  EXPECT_DOUBLE_EQ(v[2], 1.0);
  EXPECT_DOUBLE_EQ(v[35], -1.0);
}

TEST_F(Sphere, ArcDivisionAndSafeArcSine) {
  double x, y, z;
  divarc(1, 0, 0, 0, 1, 0, 1, 2, &x, &y, &z);
  EXPECT_NEAR(x, std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(y, std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(z, 0.0, 1e-12);
  divarc(1, 0, 0, 0, 1, 0, 1, 3, &x, &y, &z);  // one third of a right angle
  EXPECT_NEAR(x, std::cos(M_PI / 6), 1e-12);
  EXPECT_NEAR(y, std::sin(M_PI / 6), 1e-12);
  // Vectors need not be unit: the result is.
  divarc(0, 0, 2, 0, 3, 0, 2, 3, &x, &y, &z);
  EXPECT_NEAR(y, std::sin(M_PI / 3), 1e-12);
  EXPECT_NEAR(z, std::cos(M_PI / 3), 1e-12);

  EXPECT_DOUBLE_EQ(safe_asin(0.5), std::asin(0.5));
  EXPECT_DOUBLE_EQ(safe_asin(1.0005), 1.5707963267948966);
  EXPECT_DOUBLE_EQ(safe_asin(-1.0005), 1.5707963267948966);
}

TEST(SphereDeath, GeometricErrorsStopTheProgram) {
  EXPECT_EXIT(safe_asin(1.5), testing::ExitedWithCode(1),
              "---> ERROR when executing line [0-9]+ in file nsc !\nASIN : invalid argument "
              "1.500000\n---> Execution stopped !");
  double x, y, z;
  EXPECT_EXIT(divarc(1, 0, 0, 2, 0, 0, 1, 2, &x, &y, &z), testing::ExitedWithCode(1),
              "divarc: rotation axis of length 0.000000");
  EXPECT_EXIT(divarc(0.5, 0, 0, 0, 0.5, 0, 1, 2, &x, &y, &z), testing::ExitedWithCode(1),
              "divarc: vector 1 of sq.length 0.250000");
}

TEST_F(Sphere, DisallowedModeWarnsAndEmptiesTheModule) {
  int n = 77;
  ASSERT_EQ(make_unsp(100, 9, &n, 0), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(make_unsp(100, 7, &n, 0), 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("\n---> WARNING : line "), std::string::npos) << err;
  EXPECT_NE(err.find(" in file nsc\nmake_unsp: mode +7 not allowed ...!\n\n"), std::string::npos)
      << err;
  EXPECT_EQ(n, 122);
  int cur = -1;
  EXPECT_EQ(unspCurrentDots(&cur), nullptr);
  EXPECT_EQ(cur, 0);

  testing::internal::CaptureStderr();
  EXPECT_EQ(make_unsp(100, -11, &n, 0), 1);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("make_unsp: mode -11 not allowed"), std::string::npos) << err;
}

TEST_F(Sphere, DoUnspFailureLeavesOutputsUntouched) {
  double* dots = reinterpret_cast<double*>(0x1);
  int n = -5;
  testing::internal::CaptureStderr();
  EXPECT_EQ(do_unsp(0, &dots, &n), 1);
  EXPECT_EQ(do_unsp(-40, &dots, &n), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("make_unsp: density 0 outside 3..1000000"), std::string::npos) << err;
  EXPECT_EQ(dots, reinterpret_cast<double*>(0x1));
  EXPECT_EQ(n, -5);
}

TEST_F(Sphere, SortedSphereFollowsTheCubeScan) {
  // Reference order: the unsorted sphere, sorted here by the cube scan
  // (ix outermost, iz innermost, in-place exchange).
  int n = 0;
  ASSERT_EQ(make_unsp(100, 9, &n, 0), 0);
  std::vector<double> ref = currentDots();
  const int c = 4;
  std::vector<int> box(n);
  auto cell = [](double v) {
    int i = static_cast<int>(std::floor((1 + v) / 0.5));
    return i < 0 ? 0 : (i > 3 ? 3 : i);
  };
  for (int l = 0; l < n; l++)
    box[l] = cell(ref[3 * l]) + c * cell(ref[3 * l + 1]) + c * c * cell(ref[3 * l + 2]);
  int tn = 0;
  std::vector<int> firstOf(64), countOf(64);
  for (int ix = 0; ix < c; ix++)
    for (int iy = 0; iy < c; iy++)
      for (int iz = 0; iz < c; iz++) {
        const int b = ix + c * iy + c * c * iz, start = tn;
        firstOf[b] = tn;
        for (int l = tn; l < n; l++)
          if (box[l] == b) {
            for (int k = 0; k < 3; k++) std::swap(ref[3 * l + k], ref[3 * tn + k]);
            std::swap(box[l], box[tn]);
            tn++;
          }
        countOf[b] = tn - start;
      }

  double* dots = nullptr;
  int count = 0;
  ASSERT_EQ(do_unsp(100, &dots, &count), 0);
  ASSERT_EQ(count, 122);
  EXPECT_EQ(std::memcmp(dots, ref.data(), sizeof(double) * 3 * count), 0);

  int cubes = 0;
  const int *perCube = nullptr, *first = nullptr;
  ASSERT_TRUE(unspCubes(&cubes, &perCube, &first));
  EXPECT_EQ(cubes, 4);
  int total = 0;
  for (int b = 0; b < 64; b++) {
    EXPECT_EQ(perCube[b], countOf[b]) << b;
    if (perCube[b] > 0) {
      EXPECT_EQ(first[b], firstOf[b]) << b;
    }
    total += perCube[b];
  }
  EXPECT_EQ(total, 122);
  // Cube (0,0,0) holds the dots with x, y and z all below -0.5: (-1,-1,-1)/sqrt 3 is one.
  ASSERT_GT(perCube[0], 0);
  for (int l = 0; l < perCube[0]; l++)
    for (int k = 0; k < 3; k++) EXPECT_LT(dots[3 * l + k], -0.5);
  // Every dot sits in the cube the tables give for its position.
  for (int b = 0; b < 64; b++)
    for (int l = first[b]; l < first[b] + perCube[b]; l++)
      EXPECT_EQ(cell(dots[3 * l]) + 4 * cell(dots[3 * l + 1]) + 16 * cell(dots[3 * l + 2]), b);
}

TEST_F(Sphere, AutomaticCubeCount) {
  int n = 0;
  ASSERT_EQ(make_unsp(700, -9, &n, 0), 0);
  int cubes = 0;
  const int *perCube, *first;
  ASSERT_TRUE(unspCubes(&cubes, &perCube, &first));
  EXPECT_EQ(cubes, 7);  // smallest i with 2 i^3 >= 752 is 8 (2 * 7^3 = 686 < 752)
  ASSERT_EQ(make_unsp(12, -10, &n, 0), 0);
  ASSERT_TRUE(unspCubes(&cubes, &perCube, &first));
  EXPECT_EQ(cubes, 1);  // 2 * 2^3 >= 12
  EXPECT_EQ(perCube[0], 12);
  ASSERT_EQ(make_unsp(12, 10, &n, 0), 0);  // unsorted: no cube tables
  EXPECT_FALSE(unspCubes(&cubes, &perCube, &first));
}

TEST_F(Sphere, HandedOutSphereSurvivesLaterBuilds) {
  double* first = nullptr;
  int n1 = 0;
  ASSERT_EQ(do_unsp(100, &first, &n1), 0);
  const std::vector<double> saved(first, first + 3 * n1);
  double* second = nullptr;
  int n2 = 0;
  ASSERT_EQ(do_unsp(700, &second, &n2), 0);
  EXPECT_EQ(n2, 752);
  // The surface calculation rebuilds the module's sphere again.
  const double co[3] = {0, 0, 0}, r[1] = {2.0};
  double area = 0;
  ASSERT_EQ(nsc_dclm(co, r, 1, 32, 0, &area, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(std::memcmp(first, saved.data(), sizeof(double) * saved.size()), 0);
  int cur = 0;
  unspCurrentDots(&cur);
  EXPECT_EQ(cur, 32);
  EXPECT_NEAR(second[0] * second[0] + second[1] * second[1] + second[2] * second[2], 1.0, 1e-12);
}

TEST_F(Sphere, DirectBuildsHoldTheDensityToTheAcceptedRange) {
  EXPECT_EQ(ico_dot_arc(-5), 12);
  EXPECT_EQ(ico_dot_dod(0), 32);
  // A bare build is not the sorted sphere the surface calculation keeps.
  EXPECT_FALSE(unspCubes(nullptr, nullptr, nullptr));
}
