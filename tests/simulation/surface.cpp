// Sphere of orientations (dot counts, geometry, isotropy, refused modes, the lifetime of
// handed-out spheres) and the surface calculation on it: closed-form areas and volumes of
// spheres and lenses, a pair-by-pair twin (areas, points, volume) on real and crafted
// clusters whatever the thread count, and the two surface-atom selections.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "simulation/do_nsc.h"
#include "simulation/do_nscS.h"
#include "simulation/nsc.h"
#include "simulation/unsp.h"
#include "tests/support/atoms.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::structure::AtomInfo;
using korim_test::captureStderr;

namespace {

constexpr double kFourPi = 12.566370614359172;

struct Result {
  double area = 0, volume = 0;
  std::vector<double> atom;
  std::vector<std::array<double, 3>> points;
};

Result surface(const std::vector<double>& co, const std::vector<double>& r, int densit) {
  Result res;
  double *at = nullptr, *pts = nullptr;
  int np = 0;
  const int n = static_cast<int>(r.size());
  EXPECT_EQ(nsc_dclm(co.data(), r.data(), n, densit, kNscAreas | kNscVolume | kNscDots, &res.area, &at,
                     &res.volume, &pts, &np),
            0);
  if (at) res.atom.assign(at, at + n);
  for (int p = 0; p < np; p++) res.points.push_back({pts[3 * p], pts[3 * p + 1], pts[3 * p + 2]});
  std::sort(res.points.begin(), res.points.end());
  std::free(at);
  std::free(pts);
  return res;
}

// Every dot of every atom tested against every other atom (no box grid) on the module's
// current sphere, with the expressions of the documented test; areas, points and volume.
Result twin(const std::vector<double>& co, const std::vector<double>& r) {
  int nDot = 0;
  const double* dots = unspCurrentDots(&nDot);
  const int n = static_cast<int>(r.size());
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
        const double dx = co[3 * j] - co[3 * i], dy = co[3 * j + 1] - co[3 * i + 1], dz = co[3 * j + 2] - co[3 * i + 2];
        const double dd = dx * dx + dy * dy + dz * dz;
        if (j == i || dd > (r[i] + r[j]) * (r[i] + r[j])) continue;
        buried = dots[3 * d] * dx + dots[3 * d + 1] * dy + dots[3 * d + 2] * dz > (dd + r[i] * r[i] - r[j] * r[j]) / (2.0 * r[i]);
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

struct Cluster {
  std::vector<double> co, r;
  void add(double x, double y, double z, double radius) {
    co.insert(co.end(), {x, y, z});
    r.push_back(radius);
  }
};

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

class Sphere : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
  void TearDown() override {
    nscReset();
    unsetenv("OMP_NUM_THREADS");
  }
};
class Surface : public Sphere {};

std::vector<double> currentDots() {
  int n = 0;
  const double* d = unspCurrentDots(&n);
  return std::vector<double>(d, d + 3 * n);
}

double dist2(const double* a, const double* b) {
  return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]);
}


korim_test::TestStructure ubiquitinStructure() {
  const korim_test::PdbAtoms c = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb);
  korim_test::TestStructure s;
  for (int i = 1; i <= c.n(); i++) s.add(c.x[i], c.y[i], c.z[i], 1, c.resIDs[i], c.names[i].c_str());
  return s;
}

// Centres and accessible radii (1.4 A probe) of the selected atoms; their indices.
std::vector<int> selectedSpheres(korim_test::TestStructure& s, std::vector<double>* co, std::vector<double>* r) {
  std::vector<int> idx;
  for (size_t i = 0; i < s.atoms.size(); i++) {
    const AtomInfo& a = s.atoms[i];
    if (!a.selected) continue;
    co->insert(co->end(), {a.x, a.y, a.z});
    r->push_back(static_cast<double>(getRadius(&a)) + 1.4);
    idx.push_back(static_cast<int>(i));
  }
  return idx;
}

}  // namespace

TEST_F(Surface, SpheresAndLensesAgainstClosedForms) {
  Result a = surface({1.0, -2.0, 3.0}, {2.5}, 700);
  EXPECT_NEAR(a.area, 4 * M_PI * 2.5 * 2.5, 1e-12);
  EXPECT_NEAR(a.volume, 4.0 / 3 * M_PI * 2.5 * 2.5 * 2.5, 1e-10);
  // Equal spheres r = 2 at distance 2: each loses a cap 2 pi r h of height 1;
  // the lens between them is pi (4 r + d)(2 r - d)^2 / 12.
  const double full = 4 * M_PI * 4, lens = M_PI * (4 * 2 + 2) * 2 * 2 / 12;
  a = surface({0, 0, 0, 2, 0, 0}, {2, 2}, 5000);
  EXPECT_NEAR(a.atom[0], full - 2 * M_PI * 2 * 1, 0.01 * full);
  EXPECT_NEAR(a.atom[1], a.atom[0], 0.01 * full);
  EXPECT_NEAR(a.volume, 2 * (4.0 / 3 * M_PI * 8) - lens, 0.02 * lens + 0.005 * a.volume);
  // Unequal spheres r1 = 2, r2 = 1.5 at 2.5: cutting plane 1.6 from centre 1.
  a = surface({0, 0, 0, 0, 2.5, 0}, {2, 1.5}, 5000);
  EXPECT_NEAR(a.atom[0], full - 2 * M_PI * 2 * 0.4, 0.01 * full);
  EXPECT_NEAR(a.atom[1], 4 * M_PI * 2.25 - 2 * M_PI * 1.5 * 0.6, 0.01 * 4 * M_PI * 2.25);
  EXPECT_NEAR(a.area, a.atom[0] + a.atom[1], 1e-9);
  // Exactly at contact no dot lies beyond the touching point.
  EXPECT_NEAR(surface({0, 0, 0, 0, 0, 3.5}, {2, 1.5}, 700).area, full + 4 * M_PI * 2.25, 1e-11);
  // An atom in an icosahedral cage is buried; the cage atoms are not.
  std::vector<double> co = {0, 0, 0}, r = {1.5};
  int n = 0;
  ASSERT_EQ(make_unsp(12, 10, &n, 0), 0);
  const double* ico = unspCurrentDots(&n);
  for (int i = 0; i < 36; i++) co.push_back(2.2 * ico[i]);
  r.resize(13, 2.0);
  a = surface(co, r, 700);
  EXPECT_LT(a.atom[0], 0.01 * 4 * M_PI * 1.5 * 1.5);
  for (int i = 1; i <= 12; i++) EXPECT_GT(a.atom[i], 0.3 * full);
}

TEST_F(Surface, ExposedDotsPointsAndVolumeMatchTheEveryPairTwin) {
  struct Row {
    const char* what;
    Cluster c;
    int densit;
  };
  Cluster few;  // two overlapping atoms and one far away: the point buffer grows past its first reservation
  few.add(0, 0, 0, 2.0), few.add(1.5, 0.5, 0, 1.8), few.add(0, 0, 20, 3.0);
  Cluster same;  // coincident centres, equal and unequal radii, next to a third atom
  same.add(0, 0, 0, 2.0), same.add(0, 0, 0, 2.0), same.add(0, 0, 0, 1.5), same.add(2, 0, 0, 2.0);
  Cluster ubq;  // ubiquitin's heavy atoms, accessible radii (1.4 A probe)
  korim_test::TestStructure s = ubiquitinStructure();
  selectedSpheres(s, &ubq.co, &ubq.r);
  const Row rows[] = {
      {"few atoms", few, 700},
      {"coincident centres", same, 700},
      {"ubiquitin", ubq, 700},
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
  for (const Row& row : rows) {
    const Result got = surface(row.c.co, row.c.r, row.densit);
    const Result want = twin(row.c.co, row.c.r);
    EXPECT_EQ(got.atom, want.atom) << row.what;  // bit for bit: the same dots exposed
    EXPECT_EQ(got.points, want.points) << row.what;
    EXPECT_NEAR(got.area, want.area, 1e-12 * want.area) << row.what;
    EXPECT_NEAR(got.volume, want.volume, 1e-9 * std::fabs(want.volume) + 1e-9) << row.what;
  }
  EXPECT_GT(surface(few.co, few.r, 700).points.size(), 752u);
  // Solvent-accessible area of ubiquitin: close to 4,800-5,000 A^2 as published for this protein.
  ASSERT_EQ(ubq.r.size(), 602u);
  EXPECT_NEAR(surface(ubq.co, ubq.r, 700).area, 5000.0, 400.0);
  // No atoms: a failure with a warning, the area untouched.
  double area = -1;
  const std::string err = captureStderr(
      [&] { EXPECT_EQ(nsc_dclm(nullptr, nullptr, 0, 700, 6, &area, nullptr, nullptr, nullptr, nullptr), 1); });
  EXPECT_NE(err.find(" in file nsc\nnsc_dclm: no surface atoms selected ...!\n\n"), std::string::npos) << err;
  EXPECT_EQ(area, -1);
}

TEST_F(Surface, ThreadCountChangesNothing) {
  const Cluster c = randomCluster(7, 2000, 18.0, 0.0, 2.8, 3.3);
  setenv("OMP_NUM_THREADS", "1", 1);
  const Result one = surface(c.co, c.r, 700);
  for (const char* threads : {"3", "8"}) {
    setenv("OMP_NUM_THREADS", threads, 1);
    const Result many = surface(c.co, c.r, 700);
    EXPECT_EQ(many.atom, one.atom) << threads;
    EXPECT_EQ(many.points, one.points) << threads;
    EXPECT_EQ(many.area, one.area) << threads;  // summed in the same order
    EXPECT_EQ(many.volume, one.volume) << threads;
  }
}

TEST_F(Surface, CallNSCAndSurfSelKeepTheAtomsMoreThanHalfExposed) {
  korim_test::TestStructure s = ubiquitinStructure();
  for (AtomInfo& a : s.atoms) a.selected = a.resID < 70;  // residues 70-76 stay unselected
  std::vector<double> co, r;
  const std::vector<int> idx = selectedSpheres(s, &co, &r);
  ASSERT_EQ(callNSC(s.get()), 0);
  // Kept: more than half of the atom's own sphere area exposed on the accessible surface.
  std::vector<double> areas = twin(co, r).atom;
  std::vector<int> expectSel(s.atoms.size(), 0), got;
  for (size_t k = 0; k < idx.size(); k++) expectSel[idx[k]] = areas[k] / (12.5663706 * (r[k] - 1.4) * (r[k] - 1.4)) > 0.5;
  for (const AtomInfo& a : s.atoms) got.push_back(a.selected);
  EXPECT_EQ(got, expectSel);
  // A minority of a globular protein's heavy atoms.
  const int kept = std::count(got.begin(), got.end(), 1);
  EXPECT_TRUE(kept > 0.1 * idx.size() && kept < 0.35 * idx.size()) << kept;
  // Nothing selected: a failure; a selection ID other than 1 is re-marked with 1.
  korim_test::TestStructure t;
  t.add(0, 0, 0, 0);
  t.add(1.4, 0, 0, 0, 1, "N");
  std::string err = captureStderr([&] { EXPECT_EQ(callNSC(t.get()), 1); });
  EXPECT_TRUE(korim_test::inOrder(err, {"nsc_dclm: no surface atoms selected", "NSC: error.\n"}));
  t.atoms[0].selected = 7;
  ASSERT_EQ(callNSC(t.get()), 0);
  EXPECT_EQ(t.atoms[0].selected, 1);
  // surfSel: radii of 3.1 A (a 1.4 A probe), the kept atoms compacted in order.
  const korim_test::PdbAtoms c = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb);
  const int n = c.n();
  co.clear();
  r.assign(n, 3.1);
  for (int i = 1; i <= n; i++) co.insert(co.end(), {c.x[i], c.y[i], c.z[i]});
  korim_test::PdbAtoms work = c, want;
  int k = -1;
  ASSERT_EQ(surfSel(n, work.x.data(), work.y.data(), work.z.data(), &k), 0);
  areas = twin(co, r).atom;
  for (int i = 0; i < n; i++)
    if (areas[i] / (12.5663706 * 1.7 * 1.7) > 0.5) want.add(c.x[i + 1], c.y[i + 1], c.z[i + 1]);
  ASSERT_EQ(k, want.n());
  for (int i = 1; i <= k; i++) EXPECT_TRUE(work.x[i] == want.x[i] && work.y[i] == want.y[i] && work.z[i] == want.z[i]) << i;
  EXPECT_TRUE(k > n / 10 && k < n / 2) << k;
  // No atoms: a failure that leaves the count.
  k = -3;
  err = captureStderr([&] { EXPECT_EQ(surfSel(0, work.x.data(), work.y.data(), work.z.data(), &k), 1); });
  EXPECT_NE(err.find("NSC: error.\n"), std::string::npos);
  EXPECT_EQ(k, -3);
}

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

TEST_F(Sphere, RefusedModesAndDensitiesAndHandedOutSpheresSurviveLaterBuilds) {
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
  // A handed-out sphere survives later builds.
  double *first = nullptr, *second = nullptr;
  int n1 = 0, n2 = 0;
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
