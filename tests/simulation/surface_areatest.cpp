// Area tests of the surface calculation that stop early against the full
// areas: the same outcome for thresholds exactly on every atom's area
// (reached with >=, not with >) and at half its sphere, with 1 and 8 threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "simulation/do_nsc.h"
#include "simulation/nsc.h"

using namespace korim::simulation;

TEST(SurfaceAreaTest, OutcomesOnEveryAreaMatchTheFullAreas) {
  // Random clusters (radii 2.8 to 3.3 A, box sides in A): packed, loose, sparse.
  const struct { unsigned seed; int n; double box; } rows[] = {{1, 300, 18}, {2, 120, 30},
                                                                {4, 40, 60}};
  for (const char* threads : {"1", "8"}) {
    setenv("OMP_NUM_THREADS", threads, 1);
    for (const auto& row : rows) {
      std::mt19937 gen(row.seed);
      std::uniform_real_distribution<double> pos(0.0, row.box), rad(2.8, 3.3);
      std::vector<double> co(3 * row.n), r(row.n);
      for (double& x : co) x = pos(gen);
      for (double& x : r) x = rad(gen);
      double total = 0.0, *at = nullptr;
      ASSERT_EQ(nsc_dclm(co.data(), r.data(), row.n, 700, kNscAreas, &total, &at, nullptr, nullptr,
                         nullptr), 0);
      auto half = [&](int i, double a) { return a / (kNscFourPi * r[i] * r[i]) > 0.5; };
      for (int variant = 0; variant < 3; variant++) {
        std::vector<char> flags;
        ASSERT_EQ(nsc_areaTest(co.data(), r.data(), row.n, 700, [&](int i, double a) {
          return variant == 0 ? a >= at[i] : variant == 1 ? a > at[i] : half(i, a);
        }, &flags), 0);
        for (int i = 0; i < row.n; i++)
          EXPECT_EQ(flags.at(i) != 0, variant == 0 || (variant == 2 && half(i, at[i])))
              << threads << " threads, seed " << row.seed << " variant " << variant << " atom " << i;
      }
      std::free(at);
    }
  }
  unsetenv("OMP_NUM_THREADS");
}
