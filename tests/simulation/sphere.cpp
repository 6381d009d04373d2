// Sphere of orientations: dot counts, geometry, isotropy, the cube order and
// the lifetime of handed-out spheres.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "simulation/nsc.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim_test::captureStderr;

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

double dist2(const double* a, const double* b) {
  return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]);
}

}  // namespace

TEST_F(Sphere, DotCountsAndDistributionByDensity) {
  const int rows[][3] = {{3, 10, 12},    {13, 9, 32},    {33, 10, 42},   {100, 9, 122},
                         {150, 10, 162}, {200, 10, 252}, {272, 9, 272},  {300, 10, 362},
                         {400, 9, 482},  {500, 10, 642}, {700, 9, 752},  {800, 10, 812}, {1000, 10, 1002}};
  for (const auto& r : rows) {
    EXPECT_EQ(unsp_type(r[0]), r[1]) << r[0];
    int n = -1, cur = 0;
    ASSERT_EQ(make_unsp(r[0], r[1], &n, 0), 0);
    EXPECT_TRUE(n == r[2] && unspCurrentDots(&cur) && cur == r[2]) << r[0];
  }
  EXPECT_TRUE(ico_dot_arc(-5) == 12 && ico_dot_dod(0) == 32);  // direct builds hold the density in range
  EXPECT_FALSE(unspCubes(nullptr, nullptr, nullptr));  // and keep no cube tables
}

TEST_F(Sphere, DotsAreUnitVectorsCoveringTheSphereIsotropically) {
  for (int density : {12, 32, 100, 700}) {
    int n = 0;
    ASSERT_EQ(make_unsp(density, unsp_type(density), &n, 0), 0);
    const std::vector<double> d = currentDots();
    double m[3][3] = {{0}}, mean[3] = {0, 0, 0}, minD = 10, maxNearest = 0;
    for (int i = 0; i < n; i++) {
      const double* p = &d[3 * i];
      EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 1e-12);
      double nearest = 10;
      for (int j = 0; j < n; j++)
        if (j != i) nearest = std::min(nearest, std::sqrt(dist2(p, &d[3 * j])));
      minD = std::min(minD, nearest);
      maxNearest = std::max(maxNearest, nearest);
      for (int a = 0; a < 3; a++) {
        mean[a] += p[a] / n;
        for (int b = 0; b < 3; b++) m[a][b] += p[a] * p[b] / n;
      }
    }
    // Second moment I/3; no duplicate and no hole against the equal-area spacing sqrt(4 pi / n).
    for (int a = 0; a < 9; a++) EXPECT_NEAR(m[a / 3][a % 3], a % 4 == 0 ? 1.0 / 3 : 0.0, 1e-7) << density;
    EXPECT_LT(std::fabs(mean[0]) + std::fabs(mean[1]) + std::fabs(mean[2]), 1e-7) << density;
    EXPECT_GT(minD, 0.5 * std::sqrt(4 * M_PI / n)) << density;
    EXPECT_LT(maxNearest, 1.6 * std::sqrt(4 * M_PI / n)) << density;
  }
  // The icosahedron: five neighbours at the edge 4 / sqrt(10 + 2 sqrt 5) of each vertex.
  double v[36];
  icosaeder_vertices(v);
  for (int i = 0; i < 12; i++) {
    int neighbours = 0;
    for (int j = 0; j < 12; j++)
      neighbours += j != i && std::fabs(dist2(&v[3 * i], &v[3 * j]) - 16 / (10 + 2 * std::sqrt(5.0))) < 1e-3;
    EXPECT_EQ(neighbours, 5) << i;
  }
}

TEST_F(Sphere, ArcDivisionAndSafeArcSine) {
  double x, y, z;
  divarc(1, 0, 0, 0, 1, 0, 1, 3, &x, &y, &z);  // one third of a right angle
  EXPECT_LT(std::hypot(x - std::cos(M_PI / 6), y - std::sin(M_PI / 6), z), 1e-12);
  divarc(0, 0, 2, 0, 3, 0, 2, 3, &x, &y, &z);  // vectors need not be unit: the result is
  EXPECT_LT(std::hypot(x, y - std::sin(M_PI / 3), z - std::cos(M_PI / 3)), 1e-12);
  EXPECT_DOUBLE_EQ(safe_asin(0.5), std::asin(0.5));
  EXPECT_DOUBLE_EQ(safe_asin(1.0005), M_PI / 2);
  EXPECT_DOUBLE_EQ(safe_asin(-1.0005), M_PI / 2);
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

TEST_F(Sphere, RefusedModesAndDensities) {
  int n = 77, cur = -1;
  ASSERT_EQ(make_unsp(100, 9, &n, 0), 0);
  std::string err = captureStderr([&] {
    EXPECT_EQ(make_unsp(100, 7, &n, 0), 1);
    EXPECT_EQ(make_unsp(100, -11, &n, 0), 1);
  });
  EXPECT_TRUE(korim_test::inOrder(err, {"\n---> WARNING : line ", " in file nsc\nmake_unsp: mode +7 not allowed ...!\n\n",
                                        "make_unsp: mode -11 not allowed"}));
  EXPECT_EQ(n, 122);
  EXPECT_EQ(unspCurrentDots(&cur), nullptr);  // the module is emptied
  EXPECT_EQ(cur, 0);
  // do_unsp leaves its outputs alone on failure.
  double* dots = reinterpret_cast<double*>(0x1);
  n = -5;
  err = captureStderr([&] { EXPECT_TRUE(do_unsp(0, &dots, &n) == 1 && do_unsp(-40, &dots, &n) == 1); });
  EXPECT_NE(err.find("make_unsp: density 0 outside 3..1000000"), std::string::npos) << err;
  EXPECT_TRUE(dots == reinterpret_cast<double*>(0x1) && n == -5);
}

TEST_F(Sphere, HandedOutSphereSurvivesLaterBuilds) {
  double *first = nullptr, *second = nullptr;
  int n1 = 0, n2 = 0, cur = 0;
  ASSERT_EQ(do_unsp(100, &first, &n1), 0);
  const std::vector<double> saved(first, first + 3 * n1);
  ASSERT_EQ(do_unsp(700, &second, &n2), 0);
  EXPECT_EQ(n2, 752);
  // The surface calculation rebuilds the module's sphere again.
  const double co[3] = {0, 0, 0}, r[1] = {2.0};
  double area = 0;
  ASSERT_EQ(nsc_dclm(co, r, 1, 32, 0, &area, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(std::memcmp(first, saved.data(), sizeof(double) * saved.size()), 0);
  unspCurrentDots(&cur);
  EXPECT_EQ(cur, 32);
  EXPECT_NEAR(second[0] * second[0] + second[1] * second[1] + second[2] * second[2], 1.0, 1e-12);
}
