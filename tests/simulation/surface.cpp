// Surface calculation: closed-form areas and volumes of spheres and lenses,
// a pair-by-pair twin of the box search, surface points, and the two
// surface-atom selections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "simulation/do_nsc.h"
#include "simulation/do_nscS.h"
#include "simulation/nsc.h"
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

struct Areas {
  double total = 0, volume = 0;
  std::vector<double> atom;
};

Areas surface(const std::vector<double>& co, const std::vector<double>& r, int densit) {
  Areas a;
  double* at = nullptr;
  const int n = static_cast<int>(r.size());
  EXPECT_EQ(nsc_dclm(co.data(), r.data(), n, densit, kNscVolume | kNscAreas, &a.total, &at, &a.volume, nullptr,
                     nullptr),
            0);
  if (at) a.atom.assign(at, at + n);
  std::free(at);
  return a;
}

// Area of every atom from its exposed dots, testing every pair (no box grid)
// on the module's current sphere.
std::vector<double> bruteAreas(const std::vector<double>& co, const std::vector<double>& r) {
  int nDot = 0;
  const double* dots = unspCurrentDots(&nDot);
  const int n = static_cast<int>(r.size());
  std::vector<double> area(n, 0.0);
  for (int i = 0; i < n; i++) {
    int exposed = 0;
    for (int d = 0; d < nDot; d++) {
      bool buried = false;
      for (int j = 0; j < n && !buried; j++) {
        const double dx = co[3 * j] - co[3 * i], dy = co[3 * j + 1] - co[3 * i + 1], dz = co[3 * j + 2] - co[3 * i + 2];
        const double dd = dx * dx + dy * dy + dz * dz;
        if (j == i || dd > (r[i] + r[j]) * (r[i] + r[j])) continue;
        buried = dots[3 * d] * dx + dots[3 * d + 1] * dy + dots[3 * d + 2] * dz > (dd + r[i] * r[i] - r[j] * r[j]) / (2.0 * r[i]);
      }
      exposed += !buried;
    }
    area[i] = kFourPi / nDot * r[i] * r[i] * exposed;
  }
  return area;
}

class Surface : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
  void TearDown() override { nscReset(); }
};

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
  Areas a = surface({1.0, -2.0, 3.0}, {2.5}, 700);
  EXPECT_NEAR(a.total, 4 * M_PI * 2.5 * 2.5, 1e-12);
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
  EXPECT_NEAR(a.total, a.atom[0] + a.atom[1], 1e-9);
  // Exactly at contact no dot lies beyond the touching point.
  EXPECT_NEAR(surface({0, 0, 0, 0, 0, 3.5}, {2, 1.5}, 700).total, full + 4 * M_PI * 2.25, 1e-11);
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

TEST_F(Surface, BoxSearchAgreesWithEveryPairOnTheRealStructure) {
  korim_test::TestStructure s = ubiquitinStructure();
  std::vector<double> co, r;
  selectedSpheres(s, &co, &r);
  ASSERT_EQ(r.size(), 602u);
  const Areas a = surface(co, r, 700);
  // Solvent-accessible area of ubiquitin's heavy atoms (1.4 A probe): close
  // to 4,800-5,000 A^2 as published for this protein.
  EXPECT_TRUE(a.total > 4600.0 && a.total < 5400.0) << a.total;
  EXPECT_EQ(a.atom, bruteAreas(co, r));
}

TEST_F(Surface, SurfacePointsLieOnTheExposedSphereParts) {
  // Two overlapping atoms and one far away: every point is on or outside
  // each sphere, on one of them, and the count is the exposed dot count.
  const std::vector<double> co = {0, 0, 0, 1.5, 0.5, 0, 0, 0, 20}, r = {2.0, 1.8, 3.0};
  double area, *pts = nullptr, exposed = 0;
  int np = 0, nDot = 0;
  ASSERT_EQ(nsc_dclm(co.data(), r.data(), 3, 700, kNscDots, &area, nullptr, nullptr, &pts, &np), 0);
  const std::vector<double> areas = bruteAreas(co, r);
  unspCurrentDots(&nDot);
  for (int i = 0; i < 3; i++) exposed += areas[i] / (kFourPi / nDot * r[i] * r[i]);
  EXPECT_EQ(np, static_cast<int>(std::lround(exposed)));
  EXPECT_TRUE(np > 752 && np < 3 * 752) << np;  // the point buffer grows past its first reservation
  for (int p = 0; p < np; p++) {
    double best = 1e9;
    for (int i = 0; i < 3; i++) {
      const double d = std::hypot(pts[3 * p] - co[3 * i], pts[3 * p + 1] - co[3 * i + 1], pts[3 * p + 2] - co[3 * i + 2]);
      EXPECT_GT(d, r[i] - 1e-9);
      best = std::min(best, d - r[i]);
    }
    EXPECT_LT(best, 1e-9);
  }
  std::free(pts);
  // No atoms: a failure with a warning, the area untouched.
  area = -1;
  const std::string err = captureStderr(
      [&] { EXPECT_EQ(nsc_dclm(nullptr, nullptr, 0, 700, 6, &area, nullptr, nullptr, nullptr, nullptr), 1); });
  EXPECT_NE(err.find(" in file nsc\nnsc_dclm: no surface atoms selected ...!\n\n"), std::string::npos) << err;
  EXPECT_EQ(area, -1);
}

TEST_F(Surface, CallNSCKeepsTheExposedSelectedAtoms) {
  korim_test::TestStructure s = ubiquitinStructure();
  for (AtomInfo& a : s.atoms) a.selected = a.resID < 70;  // residues 70-76 stay unselected
  std::vector<double> co, r;
  const std::vector<int> idx = selectedSpheres(s, &co, &r);
  ASSERT_EQ(callNSC(s.get()), 0);
  // Kept: more than half of the atom's own sphere area exposed on the accessible surface.
  const std::vector<double> areas = bruteAreas(co, r);
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
  const std::string err = captureStderr([&] { EXPECT_EQ(callNSC(t.get()), 1); });
  EXPECT_TRUE(korim_test::inOrder(err, {"nsc_dclm: no surface atoms selected", "NSC: error.\n"}));
  t.atoms[0].selected = 7;
  ASSERT_EQ(callNSC(t.get()), 0);
  EXPECT_EQ(t.atoms[0].selected, 1);
}

TEST_F(Surface, SurfSelCompactsTheExposedAtomsInOrder) {
  const korim_test::PdbAtoms c = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb);
  const int n = c.n();
  std::vector<double> co, r(n, 3.1);
  for (int i = 1; i <= n; i++) co.insert(co.end(), {c.x[i], c.y[i], c.z[i]});
  korim_test::PdbAtoms work = c, want;
  int k = -1;
  ASSERT_EQ(surfSel(n, work.x.data(), work.y.data(), work.z.data(), &k), 0);
  const std::vector<double> areas = bruteAreas(co, r);
  for (int i = 0; i < n; i++)
    if (areas[i] / (12.5663706 * 1.7 * 1.7) > 0.5) want.add(c.x[i + 1], c.y[i + 1], c.z[i + 1]);
  ASSERT_EQ(k, want.n());
  for (int i = 1; i <= k; i++) EXPECT_TRUE(work.x[i] == want.x[i] && work.y[i] == want.y[i] && work.z[i] == want.z[i]) << i;
  EXPECT_TRUE(k > n / 10 && k < n / 2) << k;
  // No atoms: a failure that leaves the count.
  k = -3;
  const std::string err = captureStderr([&] { EXPECT_EQ(surfSel(0, work.x.data(), work.y.data(), work.z.data(), &k), 1); });
  EXPECT_NE(err.find("NSC: error.\n"), std::string::npos);
  EXPECT_EQ(k, -3);
}
