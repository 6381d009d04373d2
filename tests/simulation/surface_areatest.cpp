// Area tests of the surface calculation that stop early against the full
// areas: the same outcome for thresholds on and around every atom's area,
// with one and several threads, and the half-exposed selection against the
// full areas.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "simulation/do_nsc.h"
#include "simulation/nsc.h"

using namespace korim::simulation;

namespace {

struct Cluster {
  std::vector<double> co, r;
};

// A random packed cluster: n spheres of radii 2.8 to 3.3 in a box sized so
// that most overlap, some not at all.
Cluster cluster(unsigned seed, int n, double box) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> pos(0.0, box), rad(2.8, 3.3);
  Cluster c;
  for (int i = 0; i < n; i++) {
    for (int k = 0; k < 3; k++) c.co.push_back(pos(gen));
    c.r.push_back(rad(gen));
  }
  return c;
}

std::vector<double> fullAreas(const Cluster& c, int densit) {
  double area = 0.0, *at = nullptr;
  const int n = static_cast<int>(c.r.size());
  EXPECT_EQ(nsc_dclm(c.co.data(), c.r.data(), n, densit, kNscAreas, &area, &at, nullptr, nullptr,
                     nullptr),
            0);
  std::vector<double> a(at, at + n);
  std::free(at);
  return a;
}

struct ThreadCount {
  explicit ThreadCount(const char* n) { setenv("OMP_NUM_THREADS", n, 1); }
  ~ThreadCount() { unsetenv("OMP_NUM_THREADS"); }
};

}  // namespace

TEST(SurfaceAreaTest, OutcomesOnAndAroundEveryAreaMatchTheFullAreas) {
  struct Row {
    unsigned seed;
    int n;
    double box;
    int densit;
  };
  const Row rows[] = {{1, 300, 18.0, 700}, {2, 120, 30.0, 700}, {3, 200, 12.0, 300},
                      {4, 40, 60.0, 100}};
  for (const char* threads : {"1", "3", "8"}) {
    ThreadCount tc(threads);
    for (const Row& row : rows) {
      const Cluster c = cluster(row.seed, row.n, row.box);
      const std::vector<double> area = fullAreas(c, row.densit);
      const int n = static_cast<int>(c.r.size());
      // Thresholds at each atom's own area (reached with >=, not with >), a
      // little below and above it, and at fractions of its sphere.
      for (int variant = 0; variant < 6; variant++) {
        const AreaTest enough = [&](int i, double a) {
          const double sphere = 12.566370614359172 * c.r[i] * c.r[i];
          switch (variant) {
            case 0: return a >= area[i];
            case 1: return a > area[i];
            case 2: return a > area[i] * (1.0 - 1e-12);
            case 3: return a >= area[i] * (1.0 + 1e-12);
            case 4: return a / sphere > 0.5;
            default: return a > 0.1 * sphere;
          }
        };
        std::vector<char> flags;
        ASSERT_EQ(nsc_areaTest(c.co.data(), c.r.data(), n, row.densit, enough, &flags), 0);
        ASSERT_EQ(static_cast<int>(flags.size()), n);
        int yes = 0;
        for (int i = 0; i < n; i++) {
          EXPECT_EQ(flags[i] != 0, enough(i, area[i]))
              << "threads " << threads << " seed " << row.seed << " variant " << variant
              << " atom " << i;
          yes += flags[i] != 0;
        }
        if (variant == 0) {
          EXPECT_EQ(yes, n);
        }
        if (variant == 1) {
          EXPECT_EQ(yes, 0);
        }
      }
    }
  }
}

TEST(SurfaceAreaTest, HalfExposedSpheresFollowTheFullAreas) {
  const Cluster c = cluster(7, 400, 20.0);
  const int n = static_cast<int>(c.r.size());
  const std::vector<double> area = fullAreas(c, kNscDensity);
  std::vector<char> exposed;
  ASSERT_EQ(exposedSpheres(c.co.data(), c.r.data(), n, &exposed), 0);
  int count = 0;
  for (int k = 0; k < n; k++) {
    const double r = c.r[k] - kNscProbeRadius;
    EXPECT_EQ(exposed[k] != 0, area[k] / (kNscFourPi * r * r) > 0.5) << "sphere " << k;
    count += exposed[k] != 0;
  }
  EXPECT_GT(count, 0);
  EXPECT_LT(count, n);
}

TEST(SurfaceAreaTest, NoAtomFailsAndLeavesTheFlags) {
  std::vector<char> flags = {1, 0, 1};
  const AreaTest any = [](int, double) { return true; };
  EXPECT_EQ(nsc_areaTest(nullptr, nullptr, 0, 700, any, &flags), 1);
  EXPECT_EQ(flags, (std::vector<char>{1, 0, 1}));
}
