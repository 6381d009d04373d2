// Surface calculation: closed-form areas and volumes of spheres and lenses,
// a pair-by-pair twin of the box search, surface points, and the two
// surface-atom selections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "simulation/do_nsc.h"
#include "simulation/do_nscS.h"
#include "simulation/nsc.h"
#include "structure/pdb.h"
#include "tests/simulation/pdb_coords.h"

using namespace korim::simulation;
using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

namespace {

constexpr double kFourPi = 12.566370614359172;

struct Areas {
  double total = 0, volume = 0;
  std::vector<double> atom;
};

Areas surface(const std::vector<double>& co, const std::vector<double>& r, int densit) {
  Areas a;
  double* at = nullptr;
  const int n = static_cast<int>(r.size());
  EXPECT_EQ(nsc_dclm(co.data(), r.data(), n, densit, kNscVolume | kNscAreas, &a.total, &at,
                     &a.volume, nullptr, nullptr),
            0);
  if (at) a.atom.assign(at, at + n);
  std::free(at);
  return a;
}

// Exposed dots of every atom, testing every pair (no box grid).
std::vector<int> bruteExposed(const std::vector<double>& co, const std::vector<double>& r) {
  int nDot = 0;
  const double* dots = unspCurrentDots(&nDot);
  const int n = static_cast<int>(r.size());
  std::vector<int> count(n, 0);
  for (int i = 0; i < n; i++)
    for (int d = 0; d < nDot; d++) {
      bool buried = false;
      for (int j = 0; j < n && !buried; j++) {
        if (j == i) continue;
        const double dx = co[3 * j] - co[3 * i], dy = co[3 * j + 1] - co[3 * i + 1],
                     dz = co[3 * j + 2] - co[3 * i + 2];
        const double dd = dx * dx + dy * dy + dz * dz;
        if (dd > (r[i] + r[j]) * (r[i] + r[j])) continue;
        const double lim = (dd + r[i] * r[i] - r[j] * r[j]) / (2.0 * r[i]);
        buried = dots[3 * d] * dx + dots[3 * d + 1] * dy + dots[3 * d + 2] * dz > lim;
      }
      if (!buried) count[i]++;
    }
  return count;
}

// Spherical cap area 2 pi r h and the lens of two spheres.
double capArea(double r, double h) { return 2 * M_PI * r * h; }

class Surface : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
  void TearDown() override { nscReset(); }
};

struct TestStructure {
  std::vector<AtomInfo> atoms;
  PDBInfo pdb{};
  void add(const char* name, double x, double y, double z, int sel = 1, int resID = 1) {
    AtomInfo a{};
    std::strncpy(a.atomName, name, 15);
    a.x = static_cast<float>(x);
    a.y = static_cast<float>(y);
    a.z = static_cast<float>(z);
    a.selected = sel;
    a.resID = resID;
    atoms.push_back(a);
  }
  PDBInfo* get() {
    pdb.atomList = atoms.data();
    pdb.atomCount = static_cast<int>(atoms.size());
    pdb.maxAtomCount = pdb.atomCount;
    return &pdb;
  }
};

TestStructure ubiquitinStructure(bool withHydrogens) {
  const TestCoords c = readTestPdb(KORIM_TEST_DATA "/ubiquitin_1d3z_model1.pdb", withHydrogens);
  TestStructure s;
  for (int i = 1; i <= c.n(); i++) s.add(c.names[i].c_str(), c.x[i], c.y[i], c.z[i], 1, c.resIDs[i]);
  return s;
}

}  // namespace

TEST_F(Surface, SingleSphereAreaAndVolume) {
  const Areas a = surface({1.0, -2.0, 3.0}, {2.5}, 700);
  EXPECT_NEAR(a.total, 4 * M_PI * 2.5 * 2.5, 1e-12);
  EXPECT_NEAR(a.atom[0], a.total, 0.0);
  EXPECT_NEAR(a.volume, 4.0 / 3 * M_PI * 2.5 * 2.5 * 2.5, 1e-10);
  int n = 0;
  unspCurrentDots(&n);
  EXPECT_EQ(n, 752);
}

TEST_F(Surface, OverlappingSpheresLoseTheirCaps) {
  // Equal spheres r = 2 at distance 2: each loses a cap of height 1.
  Areas a = surface({0, 0, 0, 2, 0, 0}, {2, 2}, 5000);
  const double full = 4 * M_PI * 4;
  EXPECT_NEAR(a.atom[0], full - capArea(2, 1), 0.01 * full);
  EXPECT_NEAR(a.atom[1], a.atom[0], 0.01 * full);
  const double lens = M_PI * (4 * 2 + 2) * (2 * 2 - 2) * (2 * 2 - 2) / 12;
  EXPECT_NEAR(a.volume, 2 * (4.0 / 3 * M_PI * 8) - lens, 0.02 * lens + 0.005 * a.volume);
  // Unequal spheres r1 = 2, r2 = 1.5 at 2.5: cutting plane 1.6 from centre 1.
  a = surface({0, 0, 0, 0, 2.5, 0}, {2, 1.5}, 5000);
  EXPECT_NEAR(a.atom[0], 4 * M_PI * 4 - capArea(2, 0.4), 0.01 * 4 * M_PI * 4);
  EXPECT_NEAR(a.atom[1], 4 * M_PI * 2.25 - capArea(1.5, 0.6), 0.01 * 4 * M_PI * 2.25);
  EXPECT_NEAR(a.total, a.atom[0] + a.atom[1], 1e-9);
  // Exactly at contact no dot lies beyond the touching point.
  a = surface({0, 0, 0, 0, 0, 3.5}, {2, 1.5}, 700);
  EXPECT_NEAR(a.atom[0], 4 * M_PI * 4, 1e-12);
  EXPECT_NEAR(a.atom[1], 4 * M_PI * 2.25, 1e-12);
}

TEST_F(Surface, AtomInACageIsBuried) {
  std::vector<double> co = {0, 0, 0};
  std::vector<double> r = {1.5};
  int n = 0;
  ASSERT_EQ(make_unsp(12, 10, &n, 0), 0);
  const std::vector<double> ico(unspCurrentDots(&n), unspCurrentDots(&n) + 36);
  for (int i = 0; i < 12; i++) {
    for (int k = 0; k < 3; k++) co.push_back(2.2 * ico[3 * i + k]);
    r.push_back(2.0);
  }
  const Areas a = surface(co, r, 700);
  EXPECT_LT(a.atom[0], 0.01 * 4 * M_PI * 1.5 * 1.5);
  for (int i = 1; i <= 12; i++) EXPECT_GT(a.atom[i], 0.3 * 4 * M_PI * 4);
}

TEST_F(Surface, BoxSearchAgreesWithEveryPairOnTheRealStructure) {
  TestStructure s = ubiquitinStructure(false);
  std::vector<double> co, r;
  for (const AtomInfo& a : s.atoms) {
    co.insert(co.end(), {a.x, a.y, a.z});
    r.push_back(static_cast<double>(getRadius(&a)) + 1.4);
  }
  ASSERT_EQ(r.size(), 602u);
  const Areas a = surface(co, r, 700);
  // Solvent-accessible area of ubiquitin's heavy atoms (1.4 A probe): close
  // to 4,800-5,000 A^2 as published for this protein.
  EXPECT_GT(a.total, 4600.0);
  EXPECT_LT(a.total, 5400.0);
  const std::vector<int> exposed = bruteExposed(co, r);
  int nDot = 0;
  unspCurrentDots(&nDot);
  double sum = 0;
  for (size_t i = 0; i < r.size(); i++) {
    EXPECT_EQ(a.atom[i], kFourPi / nDot * r[i] * r[i] * exposed[i]) << i;
    sum += a.atom[i];
  }
  EXPECT_NEAR(a.total, sum, 1e-9 * sum);
  // Reversing the atom order permutes the areas and nothing else.
  std::vector<double> co2, r2;
  for (int i = static_cast<int>(r.size()) - 1; i >= 0; i--) {
    co2.insert(co2.end(), {co[3 * i], co[3 * i + 1], co[3 * i + 2]});
    r2.push_back(r[i]);
  }
  const Areas b = surface(co2, r2, 700);
  for (size_t i = 0; i < r.size(); i++) EXPECT_EQ(b.atom[r.size() - 1 - i], a.atom[i]);
  EXPECT_NEAR(b.volume, a.volume, 1e-9 * a.volume);
}

TEST_F(Surface, SurfacePointsLieOnExposedSphereParts) {
  // Four far-apart atoms: every dot exposed, the point buffer grows past its
  // first reservation (3 * 752 * 4 / 10 = 902 doubles).
  std::vector<double> co = {0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 20};
  std::vector<double> r = {1.5, 2.0, 2.5, 3.0};
  double area, vol, *at = nullptr, *pts = nullptr;
  int np = 0;
  ASSERT_EQ(nsc_dclm(co.data(), r.data(), 4, 700, kNscDots | kNscAreas | kNscVolume, &area, &at,
                     &vol, &pts, &np),
            0);
  EXPECT_EQ(np, 4 * 752);
  for (int p = 0; p < np; p++) {
    double best = 1e9;
    for (int i = 0; i < 4; i++) {
      const double dx = pts[3 * p] - co[3 * i], dy = pts[3 * p + 1] - co[3 * i + 1],
                   dz = pts[3 * p + 2] - co[3 * i + 2];
      best = std::min(best, std::fabs(std::sqrt(dx * dx + dy * dy + dz * dz) - r[i]));
    }
    EXPECT_LT(best, 1e-9);
  }
  std::free(at);
  std::free(pts);
  // Two overlapping atoms: the points are outside (or on) both spheres and
  // their count is the exposed dot count.
  co = {0, 0, 0, 1.5, 0.5, 0};
  r = {2.0, 1.8};
  ASSERT_EQ(nsc_dclm(co.data(), r.data(), 2, 700, kNscDots, &area, nullptr, nullptr, &pts, &np),
            0);
  const std::vector<int> exposed = bruteExposed(co, r);
  EXPECT_EQ(np, exposed[0] + exposed[1]);
  EXPECT_LT(np, 2 * 752);
  for (int p = 0; p < np; p++)
    for (int i = 0; i < 2; i++) {
      const double dx = pts[3 * p] - co[3 * i], dy = pts[3 * p + 1] - co[3 * i + 1],
                   dz = pts[3 * p + 2] - co[3 * i + 2];
      EXPECT_GT(std::sqrt(dx * dx + dy * dy + dz * dz), r[i] - 1e-9);
    }
  std::free(pts);
}

TEST_F(Surface, NoAtomsIsAFailureWithAWarning) {
  double area = -1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(nsc_dclm(nullptr, nullptr, 0, 700, 6, &area, nullptr, nullptr, nullptr, nullptr), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(" in file nsc\nnsc_dclm: no surface atoms selected ...!\n\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(area, -1);
}

TEST(SurfaceRadius, TableByFirstLetter) {
  const char* names[] = {"CA", "F", "N", "P", "SG", "O", "HN", "", "c", "1HB", "ZN"};
  const float radii[] = {1.9f, 1.9f, 1.8f, 1.8f, 1.8f, 1.4f, 1.4f, 1.4f, 1.4f, 1.4f, 1.4f};
  for (int i = 0; i < 11; i++) {
    AtomInfo a{};
    std::strcpy(a.atomName, names[i]);
    EXPECT_EQ(getRadius(&a), radii[i]) << names[i];
  }
}

TEST_F(Surface, CallNSCKeepsTheExposedSelectedAtoms) {
  TestStructure s = ubiquitinStructure(false);
  // Residues 70-76 stay unselected: they must stay so.
  for (AtomInfo& a : s.atoms)
    if (a.resID >= 70) a.selected = 0;
  std::vector<double> co, r;
  std::vector<int> idx;
  for (size_t i = 0; i < s.atoms.size(); i++) {
    const AtomInfo& a = s.atoms[i];
    if (!a.selected) continue;
    co.insert(co.end(), {a.x, a.y, a.z});
    r.push_back(static_cast<double>(getRadius(&a)) + 1.4);
    idx.push_back(static_cast<int>(i));
  }
  ASSERT_EQ(callNSC(s.get()), 0);
  const std::vector<int> exposed = bruteExposed(co, r);
  int nDot = 0;
  unspCurrentDots(&nDot);
  std::vector<int> expectSel(s.atoms.size(), 0);
  for (size_t k = 0; k < idx.size(); k++) {
    const double area = kFourPi / nDot * r[k] * r[k] * exposed[k];
    const double rr = r[k] - 1.4;
    expectSel[idx[k]] = area / (12.5663706 * rr * rr) > 0.5 ? 1 : 0;
  }
  int kept = 0;
  for (size_t i = 0; i < s.atoms.size(); i++) {
    EXPECT_EQ(s.atoms[i].selected, expectSel[i]) << i;
    kept += s.atoms[i].selected;
  }
  // More than half of the atom's own sphere area exposed on the accessible
  // surface: a minority of a globular protein's heavy atoms.
  const double fraction = static_cast<double>(kept) / idx.size();
  EXPECT_GT(fraction, 0.1);
  EXPECT_LT(fraction, 0.35);
}

TEST_F(Surface, CallNSCFailuresLeaveTheSelection) {
  TestStructure s;
  s.add("CA", 0, 0, 0, 1);
  s.add("N", 1.4, 0, 0, 0);
  for (int k = 1; k <= 3; k++) {
    korim::foundation::memoryFailAt(k);
    testing::internal::CaptureStderr();
    EXPECT_EQ(callNSC(s.get()), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("callNSC: Error allocating coord buffers.\n"), std::string::npos) << err;
    EXPECT_EQ(s.atoms[0].selected, 1);
    EXPECT_EQ(s.atoms[1].selected, 0);
  }
  korim::foundation::memoryFailAt(0);
  s.atoms[0].selected = 0;  // nothing selected
  testing::internal::CaptureStderr();
  EXPECT_EQ(callNSC(s.get()), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("nsc_dclm: no surface atoms selected"), std::string::npos);
  EXPECT_NE(err.find("NSC: error.\n"), std::string::npos);
  // Books balance on the successful path.
  s.atoms[0].selected = 7;  // a selection ID other than 1
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(callNSC(s.get()), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  EXPECT_EQ(s.atoms[0].selected, 1);  // re-marked with 1
}

TEST_F(Surface, SurfSelCompactsTheExposedAtomsInOrder) {
  TestCoords c = readTestPdb(KORIM_TEST_DATA "/ubiquitin_1d3z_model1.pdb");
  const int n = c.n();
  std::vector<double> co, r(n, 3.1);
  for (int i = 1; i <= n; i++) co.insert(co.end(), {c.x[i], c.y[i], c.z[i]});
  TestCoords work = c;
  int k = -1;
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(surfSel(n, work.x.data(), work.y.data(), work.z.data(), &k), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  const std::vector<int> exposed = bruteExposed(co, r);
  int nDot = 0;
  unspCurrentDots(&nDot);
  int expectK = 0;
  for (int i = 0; i < n; i++) {
    const double area = kFourPi / nDot * 3.1 * 3.1 * exposed[i];
    if (area / (12.5663706 * 1.7 * 1.7) <= 0.5) continue;
    expectK++;
    ASSERT_LE(expectK, k);
    EXPECT_EQ(work.x[expectK], c.x[i + 1]);
    EXPECT_EQ(work.y[expectK], c.y[i + 1]);
    EXPECT_EQ(work.z[expectK], c.z[i + 1]);
  }
  EXPECT_EQ(k, expectK);
  EXPECT_GT(k, n / 10);
  EXPECT_LT(k, n / 2);
}

TEST_F(Surface, SurfSelFailuresLeaveTheInput) {
  TestCoords c;
  c.add(0, 0, 0);
  c.add(0.5, 0, 0);
  for (int f = 1; f <= 5; f++) {
    korim::foundation::memoryFailAt(f);
    int k = -3;
    testing::internal::CaptureStderr();
    EXPECT_EQ(surfSel(c.n(), c.x.data(), c.y.data(), c.z.data(), &k), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("surfSel: Error allocating coord buffers.\n"), std::string::npos);
    EXPECT_EQ(k, -3);
    EXPECT_EQ(c.x[2], 0.5);
  }
  korim::foundation::memoryFailAt(0);
  int k = -3;
  testing::internal::CaptureStderr();
  EXPECT_EQ(surfSel(0, c.x.data(), c.y.data(), c.z.data(), &k), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NSC: error.\n"), std::string::npos);
  EXPECT_EQ(k, -3);
}
