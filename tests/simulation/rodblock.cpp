// The positions a molecule blocks beside a rod, as counts and as runs, equal
// testing every atom at every position: molecules within reach of their
// centre (shared reaches) and larger ones (reaches apart), atoms placed on the
// edge of their reach, atoms grazing the cylinder, non-finite projections and
// rows whose stored positions stray from the arithmetic row.
#include "simulation/rodblock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace korim::simulation;

namespace {

// Atom a blocks position i when sqrt((xJ[a] + g[i])^2 + yJ[a]^2) <= bound in
// extended precision; non-finite projections never block.
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

struct Medium {
  double bound, g0, gs;
  int L;
  double spread;  // atoms within this distance of the centre
  bool stray;     // stored positions off the arithmetic row
};

// A row of positions, non-decreasing; with stray, each moved by up to a
// tenth of a step (and a few repeated).
std::vector<float> rowOf(const Medium& m, std::mt19937& gen) {
  std::vector<float> g(m.L + 2);
  std::uniform_real_distribution<double> off(-0.1, 0.1);
  for (int i = 0; i <= m.L; i++)
    g[i] = static_cast<float>(i * m.gs + m.g0 + (m.stray ? off(gen) * m.gs : 0.0));
  for (int i = 1; i <= m.L; i++) {
    if (m.stray && i % 17 == 0) g[i] = g[i - 1];
    g[i] = std::fmax(g[i], g[i - 1]);
  }
  return g;
}

// Atoms around the centre; some placed so that an end of their reach falls
// on a stored position (to the last bit), some grazing the cylinder, and in
// the first trial a NaN and an infinite projection.
void atomsOf(const Medium& m, const std::vector<float>& g, int trial, std::mt19937& gen,
             std::vector<float>& x, std::vector<float>& y) {
  const int n = 90;
  x.assign(n + 1, 0.0f);
  y.assign(n + 1, 0.0f);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int a = 1; a <= n; a++) {
    double px, py;
    do {
      px = u(gen), py = u(gen);
    } while (px * px + py * py > 1.0);
    x[a] = static_cast<float>(px * m.spread);
    y[a] = static_cast<float>(py * m.spread);
    if (a % 7 == 0) {
      // The upper end of the reach (or, in odd trials, either end) on
      // position i; a small yJ keeps such an atom within reach of the centre.
      const int i = static_cast<int>(gen() % (m.L + 1));
      y[a] = static_cast<float>(y[a] * 0.2);
      const double h = std::sqrt(std::fmax(m.bound * m.bound - double(y[a]) * y[a], 0.0));
      x[a] = static_cast<float>((a % 2 || trial % 2 == 0 ? h : -h) - g[i]);
    }
    if (a % 11 == 0) {  // on the axis' plane: the reach ends exactly on position i
      const int i = static_cast<int>(gen() % (m.L + 1));
      y[a] = 0.0f;
      x[a] = static_cast<float>(m.bound) - g[i];
    }
    if (a % 23 == 0 && m.bound > 0.0) {  // grazing the cylinder; one touches it at a position
      y[a] = static_cast<float>(m.bound * (a % 2 ? 1.0 : -1.0));
      if (a % 46 == 0) x[a] = -g[gen() % (m.L + 1)];
    }
  }
  if (trial == 0) x[3] = NAN, y[5] = INFINITY, x[8] = -INFINITY;
}

TEST(RodBlock, CountsAndRunsEqualTestingEveryAtomAtEveryPosition) {
  std::mt19937 gen(5);
  const Medium media[] = {
      {33.5, 33.5, 0.2, 140, 25.0, false},  // molecule within reach of its centre
      {33.5, 33.5, 0.2, 140, 25.0, true},
      {33.5, 33.5, 0.2, 300, 80.0, false},  // larger than the rod's reach: gaps
      {35.3, 20.0, 0.5, 60, 60.0, true},
      {5.0, 0.0, 1.0, 40, 12.0, false},
      {33.5, 33.5, 0.2, 0, 25.0, false},     // a single position
      {0.0, -3.0, 1.0, 6, 3.0, false},       // no reach at all
      {2.0, -30.0, 0.01, 6000, 20.0, true},  // steps far finer than the atoms' spread
  };
  int withGaps = 0;
  for (const Medium& m : media) {
    for (int trial = 0; trial < 60; trial++) {
      const std::vector<float> g = rowOf(m, gen);
      std::vector<float> x, y;
      atomsOf(m, g, trial, gen, x, y);
      const int n = static_cast<int>(x.size()) - 1;
      const std::vector<int> want = everyPair(x, y, g, m.L, m.bound);
      std::vector<int> counts(m.L + 2);
      cylinderRuns(n, x.data(), y.data(), g.data(), m.L, m.gs, m.bound, counts);
      for (int i = 0; i <= m.L; i++)
        ASSERT_EQ(counts[i], want[i]) << "bound " << m.bound << " position " << i;
      const RodRow row = rodRow(g.data(), m.L, m.gs, m.bound);
      for (bool shared : {true, false}) {
        std::vector<int> scratch;
        std::vector<PositionRun> runs;
        cylinderBlockedRuns(n, x.data(), y.data(), row, shared, scratch, runs);
        std::vector<int> got(m.L + 1, 0);
        for (size_t r = 0; r < runs.size(); r++) {
          ASSERT_TRUE(runs[r].first >= 0 && runs[r].first <= runs[r].last && runs[r].last <= m.L &&
                      (r == 0 || runs[r].first > runs[r - 1].last + 1))
              << "run " << r << " empty, out of range or touching the one before";
          for (int i = runs[r].first; i <= runs[r].last; i++) got[i] = 1;
        }
        withGaps += runs.size() > 1;
        for (int i = 0; i <= m.L; i++)
          ASSERT_EQ(got[i], want[i] > 0 ? 1 : 0)
              << "bound " << m.bound << " shared " << shared << " position " << i;
      }
    }
  }
  EXPECT_GT(withGaps, 0);  // the larger molecules leave free positions between blocked ones
}

// The row's stray: the largest distance of a stored position from g[0] + i gs.
TEST(RodBlock, RowStray) {
  const std::vector<float> g = {10.0f, 10.5f, 11.25f, 11.5f};
  const RodRow row = rodRow(g.data(), 3, 0.5, 2.0);
  EXPECT_DOUBLE_EQ(row.stray, 0.25);
  const std::vector<float> bad = {10.0f, NAN, 11.0f};
  EXPECT_TRUE(std::isnan(rodRow(bad.data(), 2, 0.5, 2.0).stray));
}

}  // namespace
