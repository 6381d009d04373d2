// The rod scan's runs of blocked positions equal testing every atom at every
// position with the documented rule, including atoms placed on the edge of
// the cylinder, atoms that block nothing and non-finite projections.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "simulation/ssia.h"

using namespace korim::simulation;

namespace {

// Every pair: atom a blocks position i when
// sqrt((xJ[a] + g[i])^2 + yJ[a]^2) <= bound in extended precision.
std::vector<int> everyPair(const std::vector<float>& x, const std::vector<float>& y,
                           const std::vector<float>& g, int L, double bound) {
  std::vector<int> count(L + 1, 0);
  for (size_t a = 1; a < x.size(); a++) {
    if (!std::isfinite(x[a]) || !std::isfinite(y[a])) continue;
    for (int i = 0; i <= L; i++) {
      const long double t = static_cast<long double>(x[a]) + g[i];
      const long double yy = y[a];
      if (std::sqrt(t * t + yy * yy) <= bound) count[i]++;
    }
  }
  return count;
}

TEST(RodRuns, EqualTestingEveryAtomAtEveryPosition) {
  std::mt19937 gen(11);
  std::uniform_real_distribution<float> coord(-25.0f, 25.0f);
  // Rod radius plus atom radius, first position, step, last index.
  const struct {
    double bound, g0, gs;
    int L;
  } media[] = {{33.5, 33.5, 0.2, 123}, {35.3, 20.0, 0.5, 60}, {5.0, 0.0, 1.0, 40},
               {33.5, 33.5, 0.2, 0}, {0.0, -3.0, 1.0, 6}};
  for (const auto& m : media) {
    std::vector<float> g(m.L + 2);
    for (int i = 0; i <= m.L; i++) g[i] = static_cast<float>(i * m.gs + m.g0);
    for (int trial = 0; trial < 200; trial++) {
      const int n = 120;
      std::vector<float> x(n + 1), y(n + 1);
      for (int a = 1; a <= n; a++) {
        x[a] = coord(gen);
        y[a] = coord(gen);
        if (a % 7 == 0) {
          // On the cylinder's edge at some position: the ends of the run
          // are decided by the last bits.
          const int i = static_cast<int>(gen() % (m.L + 1));
          const double h = std::sqrt(std::fmax(m.bound * m.bound - double(y[a]) * y[a], 0.0));
          x[a] = static_cast<float>((a % 2 ? h : -h) - g[i]);
        }
      }
      if (trial == 0) x[3] = NAN, y[5] = INFINITY;
      std::vector<int> blocked(m.L + 2);
      cylinderRuns(n, x.data(), y.data(), g.data(), m.L, m.gs, m.bound, blocked);
      const std::vector<int> want = everyPair(x, y, g, m.L, m.bound);
      for (int i = 0; i <= m.L; i++)
        ASSERT_EQ(blocked[i], want[i]) << "bound " << m.bound << " position " << i;
    }
  }
}

}  // namespace
