// Surface calculation against a pair-by-pair twin on crafted clusters: caps
// whose rims pass exactly through dots, far-off coordinates, mixed and odd
// radii, every output, and the same results whatever the thread count.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "simulation/nsc.h"

using namespace korim::simulation;

namespace {

constexpr double kFourPi = 12.566370614359172;

struct Cluster {
  std::vector<double> co, r;
  void add(double x, double y, double z, double radius) {
    co.insert(co.end(), {x, y, z});
    r.push_back(radius);
  }
};

struct Result {
  double area = 0, volume = 0;
  std::vector<double> atom;
  std::vector<std::array<double, 3>> points;
};

Result surface(const Cluster& c, int densit) {
  Result res;
  double *at = nullptr, *pts = nullptr;
  int np = 0;
  const int n = static_cast<int>(c.r.size());
  EXPECT_EQ(nsc_dclm(c.co.data(), c.r.data(), n, densit, kNscAreas | kNscVolume | kNscDots,
                     &res.area, &at, &res.volume, &pts, &np),
            0);
  if (at) res.atom.assign(at, at + n);
  for (int p = 0; p < np; p++) res.points.push_back({pts[3 * p], pts[3 * p + 1], pts[3 * p + 2]});
  std::sort(res.points.begin(), res.points.end());
  std::free(at);
  std::free(pts);
  return res;
}

// Every dot of every atom tested against every other atom, with the
// expressions of the documented test; areas, points and volume from them.
Result twin(const Cluster& c) {
  int nDot = 0;
  const double* dots = unspCurrentDots(&nDot);
  const int n = static_cast<int>(c.r.size());
  const std::vector<double>& co = c.co;
  const std::vector<double>& r = c.r;
  double centroid[3] = {0, 0, 0};
  for (int i = 0; i < n; i++)
    for (int k = 0; k < 3; k++) centroid[k] += co[3 * i + k] / n;
  Result res;
  for (int i = 0; i < n; i++) {
    int exposed = 0;
    double s[3] = {0, 0, 0};
    for (int d = 0; d < nDot; d++) {
      bool buried = false;
      for (int j = 0; j < n && !buried; j++) {
        const double dx = co[3 * j] - co[3 * i], dy = co[3 * j + 1] - co[3 * i + 1],
                     dz = co[3 * j + 2] - co[3 * i + 2];
        const double dd = dx * dx + dy * dy + dz * dz;
        if (j == i || dd > (r[i] + r[j]) * (r[i] + r[j])) continue;
        buried = dots[3 * d] * dx + dots[3 * d + 1] * dy + dots[3 * d + 2] * dz >
                 (dd + r[i] * r[i] - r[j] * r[j]) / (2.0 * r[i]);
      }
      if (buried) continue;
      exposed++;
      for (int k = 0; k < 3; k++) s[k] += dots[3 * d + k];
      res.points.push_back({r[i] * dots[3 * d] + co[3 * i], r[i] * dots[3 * d + 1] + co[3 * i + 1],
                            r[i] * dots[3 * d + 2] + co[3 * i + 2]});
    }
    res.atom.push_back(kFourPi / nDot * r[i] * r[i] * exposed);
    res.area += res.atom.back();
    res.volume += r[i] * r[i] *
                  (s[0] * (co[3 * i] - centroid[0]) + s[1] * (co[3 * i + 1] - centroid[1]) +
                   s[2] * (co[3 * i + 2] - centroid[2]) + r[i] * exposed);
  }
  res.volume *= kFourPi / (3.0 * nDot);
  std::sort(res.points.begin(), res.points.end());
  return res;
}

void expectTwin(const Cluster& c, int densit, const std::string& what) {
  const Result got = surface(c, densit);
  const Result want = twin(c);
  EXPECT_EQ(got.atom, want.atom) << what;  // bit for bit: the same dots exposed
  EXPECT_EQ(got.points, want.points) << what;
  EXPECT_NEAR(got.area, want.area, 1e-12 * want.area) << what;
  EXPECT_NEAR(got.volume, want.volume, 1e-9 * std::fabs(want.volume) + 1e-9) << what;
}

// Pairs of equal spheres of radius r, the partner along dot e at distance
// D = 2 r (a . e) for another dot a: the cap rim (u . e = D / 2 r) passes
// through dot a and the dots symmetric to it, so ties meet the group bounds.
Cluster rimCluster(int densit) {
  Cluster c;
  int n = 0;
  make_unsp(densit, -unsp_type(densit), &n, 4);
  const double* dots = unspCurrentDots(&n);
  const double r = 2.0;
  for (int d = 0, pair = 0; d < n; d += 1 + n / 100, pair++) {
    const double* e = &dots[3 * d];
    const double* a = &dots[3 * ((d * 13 + 5) % n)];
    const double D = 2.0 * r * (a[0] * e[0] + a[1] * e[1] + a[2] * e[2]);
    const double base = 40.0 * pair;
    c.add(base, 0, 0, r);
    if (D > 1e-6) c.add(base + D * e[0], D * e[1], D * e[2], r);
  }
  return c;
}

Cluster randomCluster(unsigned seed, int n, double spread, double offset, double rLo, double rHi) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> pos(-spread, spread), rad(rLo, rHi);
  Cluster c;
  for (int i = 0; i < n; i++) c.add(offset + pos(gen), offset + pos(gen), pos(gen), rad(gen));
  return c;
}

class SurfaceGroups : public testing::Test {
 protected:
  void SetUp() override { nscReset(); }
  void TearDown() override {
    nscReset();
    unsetenv("OMP_NUM_THREADS");
  }
};

}  // namespace

TEST_F(SurfaceGroups, ExposedDotsMatchTheEveryPairTwin) {
  struct Row {
    const char* what;
    Cluster c;
    int densit;
  };
  const Row rows[] = {
      {"dense protein-like cluster", randomCluster(1, 300, 9.0, 0.0, 2.8, 3.3), 700},
      {"far from the origin", randomCluster(2, 200, 8.0, 1.0e5, 2.8, 3.3), 700},
      {"mixed tiny and large radii", randomCluster(3, 150, 10.0, 0.0, 0.05, 9.0), 700},
      {"crowded: each sphere meets hundreds", randomCluster(8, 400, 10.0, 0.0, 6.0, 12.0), 100},
      {"sparse spheres that rarely touch", randomCluster(4, 100, 40.0, 0.0, 1.0, 3.0), 700},
      {"coarse sphere of orientations", randomCluster(5, 120, 7.0, 0.0, 2.0, 3.5), 32},
      {"fine sphere of orientations", randomCluster(6, 60, 6.0, -3.0e3, 2.0, 3.5), 3000},
      {"cap rims through dots", rimCluster(700), 700},
      {"cap rims through dots, other sphere", rimCluster(500), 500},
      {"cap rims through lone dots of their cube", rimCluster(32), 32},
      {"cap rims through the icosahedron", rimCluster(12), 12},
  };
  for (const Row& row : rows) expectTwin(row.c, row.densit, row.what);
}

TEST_F(SurfaceGroups, ThreadCountChangesNothing) {
  const Cluster c = randomCluster(7, 2000, 18.0, 0.0, 2.8, 3.3);
  setenv("OMP_NUM_THREADS", "1", 1);
  const Result one = surface(c, 700);
  for (const char* threads : {"3", "8"}) {
    setenv("OMP_NUM_THREADS", threads, 1);
    const Result many = surface(c, 700);
    EXPECT_EQ(many.atom, one.atom) << threads;
    EXPECT_EQ(many.points, one.points) << threads;
    EXPECT_EQ(many.area, one.area) << threads;  // summed in the same order
    EXPECT_EQ(many.volume, one.volume) << threads;
  }
}
