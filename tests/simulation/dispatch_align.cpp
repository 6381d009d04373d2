// Simulation dispatch: centring, choice of the model, scaling by the order of
// the medium, the three tensor report lines, failures of a model, the lean
// ensemble form, and the turn and shift of residue ranges of a structure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "app/korim_utils_null.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "structure/pdb.h"

using namespace korim::simulation;
using korim::app::KorimInfo;

namespace {

// An L-shaped molecule away from the origin: 8 points along x, 5 along y,
// 3 along z (1-based arrays), so that every element of the tensor is non-zero.
struct Molecule {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};
  Molecule() {
    for (int i = 0; i < 8; i++) add(2.0 * i, 0.0, 0.0);
    for (int i = 1; i <= 5; i++) add(14.0, 2.0 * i, 0.0);
    for (int i = 1; i <= 3; i++) add(0.0, 0.0, 2.0 * i);
  }
  void add(double px, double py, double pz) {
    x.push_back(px + 10.0);
    y.push_back(py - 5.0);
    z.push_back(pz + 3.0);
  }
  int n() const { return static_cast<int>(x.size()) - 1; }
  // Centred as the dispatch does it: running sums in single precision.
  Molecule centred() const {
    Molecule m = *this;
    float sx = 0, sy = 0, sz = 0;
    for (int i = 1; i <= n(); i++) {
      sx = static_cast<float>(sx + x[i]);
      sy = static_cast<float>(sy + y[i]);
      sz = static_cast<float>(sz + z[i]);
    }
    const float cx = sx / n(), cy = sy / n(), cz = sz / n();
    for (int i = 1; i <= n(); i++) {
      m.x[i] -= cx;
      m.y[i] -= cy;
      m.z[i] -= cz;
    }
    return m;
  }
  float maxRadius() const {
    float m = 0.0f;
    for (int i = 1; i <= n(); i++) {
      const float r2 = static_cast<float>(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]);
      if (r2 > m) m = r2;
    }
    return std::sqrt(m);
  }
};

KorimInfo settings(int lcType, int elFlag) {
  KorimInfo k{};
  korim::app::korimInfoNull(&k);
  k.lcType = lcType;
  k.elInfo.elFlag = elFlag;
  k.digPsiNSC = 4;
  k.gridSpacing = 1.0f;
  k.radiusAtom = 1.5f;
  k.radiusModel = lcType == 2 ? 33.5f : 20.0f;
  k.rSingleCell = 150.0f;
  k.concentration = 0.05f;
  k.lcOrder = 0.8f;
  k.elInfo.concNaCl = 0.1f;
  k.elInfo.chDensSurf = -0.47f;
  k.elInfo.cutoffPot = 1000.0;
  return k;
}

// Generalized magnitude sqrt(8 pi / 15 * S:S) of a five-element tensor.
double magnitude(const double s[5]) {
  const double sxx = -(s[0] - s[1]) / 2.0, syy = -(s[0] + s[1]) / 2.0;
  return std::sqrt(1.67551608 * (s[0] * s[0] + sxx * sxx + syy * syy + 2 * s[2] * s[2] +
                                 2 * s[3] * s[3] + 2 * s[4] * s[4]));
}

std::string block(const char* name, const double s[5], const char* sep) {
  char buf[256];
  std::string out;
  std::snprintf(buf, sizeof buf, "%s  gMag %e\n", name, magnitude(s));
  out += buf;
  for (int j = 0; j < 5; j++) {
    std::snprintf(buf, sizeof buf, "%e%s", s[j], sep);
    out += buf;
  }
  return out + "\n";
}

template <typename F>
std::pair<std::string, std::string> captured(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {out, err};
}

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    alignReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
  }
  int run(KorimInfo& k, Molecule& m, double* saupe, std::string* out = nullptr,
          std::string* err = nullptr, int chCount = 0, int* id = nullptr, float* q = nullptr) {
    int st = -1;
    const auto text = captured([&] {
      st = simulateAlignment(&k, m.n(), m.x.data(), m.y.data(), m.z.data(), chCount, id, q, nDots,
                             dots, 0, nullptr, 0.0, 0.0, nullptr, nullptr, saupe);
    });
    if (out) *out = text.first;
    if (err) *err = text.second;
    return st;
  }
  double* dots = nullptr;
  int nDots = 0;
};

}  // namespace

TEST_F(Dispatch, StericWallAndRodScaledByTheOrderOfTheMedium) {
  for (int lc : {1, 2}) {
    KorimInfo k = settings(lc, 0);
    Molecule m;
    const Molecule c = m.centred();
    double ref[5];
    int st = -1;
    captured([&] {
      st = stericAlignment(&k, k.orderDiscRim, lc, k.rSingleCell, k.radiusModel, k.radiusAtom,
                           k.gridSpacing, k.concentration, k.molarRatio, c.n(),
                           const_cast<double*>(c.x.data()), c.y.data(), c.z.data(),
                           static_cast<double>(c.maxRadius()) + k.radiusAtom, k.radiusAtom,
                           k.digPsiNSC, nDots, dots, ref);
    });
    ASSERT_EQ(st, 0);
    double saupe[5];
    std::string out;
    ASSERT_EQ(run(k, m, saupe, &out), 0) << lc;
    double scaled[5];
    for (int j = 0; j < 5; j++) {
      scaled[j] = ref[j] * static_cast<double>(k.lcOrder);
      EXPECT_DOUBLE_EQ(saupe[j], scaled[j]) << lc << " " << j;
      EXPECT_NE(saupe[j], 0.0);
    }
    const double zero[5] = {0, 0, 0, 0, 0};
    const std::string expected = "REMARK Molecule shifted to geometric center.\n" +
                                 block("SaupeSteric", scaled, "  ") +
                                 block("SaupeEl", zero, " ") + block("SaupeSum", scaled, "  ");
    EXPECT_EQ(out, expected);
    // The coordinates stay centred.
    for (int i = 1; i <= m.n(); i++) EXPECT_DOUBLE_EQ(m.x[i], c.x[i]);
  }
}

TEST_F(Dispatch, ElectrostaticWallRunsOnlyTheElectrostaticModel) {
  KorimInfo k = settings(1, 1);
  Molecule m;
  Molecule c = m.centred();
  int id[3] = {0, 1, 16};
  float q[3] = {0.0f, 1.0f, -1.0f};
  double ref[5];
  int st = -1;
  captured([&] {
    int idc[3] = {0, 1, 16};
    st = sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots,
             static_cast<double>(c.maxRadius()) + k.radiusAtom, k.radiusAtom, 2, idc, q, 0,
             nullptr, 0.0, 0.0, ref);
  });
  ASSERT_EQ(st, 0);
  double saupe[5];
  std::string out;
  ASSERT_EQ(run(k, m, saupe, &out, nullptr, 2, id, q), 0);
  double scaled[5];
  for (int j = 0; j < 5; j++) {
    scaled[j] = ref[j] * static_cast<double>(k.lcOrder);
    EXPECT_DOUBLE_EQ(saupe[j], scaled[j]);
  }
  const double zero[5] = {0, 0, 0, 0, 0};
  const std::string tail = block("SaupeSteric", zero, "  ") + block("SaupeEl", scaled, " ") +
                           block("SaupeSum", scaled, "  ");
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  EXPECT_EQ(out.rfind("REMARK Molecule shifted to geometric center.\n", 0), 0u);
}

TEST_F(Dispatch, UnknownMediumRunsNoModel) {
  KorimInfo k = settings(4, 0);
  Molecule m;
  double saupe[5] = {7, 7, 7, 7, 7};
  std::string out;
  ASSERT_EQ(run(k, m, saupe, &out), 0);
  const double zero[5] = {0, 0, 0, 0, 0};
  EXPECT_EQ(out, "REMARK Molecule shifted to geometric center.\n" +
                     block("SaupeSteric", zero, "  ") + block("SaupeEl", zero, " ") +
                     block("SaupeSum", zero, "  "));
  // Two blanks after each element of the steric and summed lines, one in the
  // electrostatic line.
  EXPECT_NE(out.find("SaupeSteric  gMag 0.000000e+00\n0.000000e+00  0.000000e+00  0.000000e+00  "
                     "0.000000e+00  0.000000e+00  \nSaupeEl  gMag 0.000000e+00\n0.000000e+00 "
                     "0.000000e+00 0.000000e+00 0.000000e+00 0.000000e+00 \nSaupeSum  gMag "
                     "0.000000e+00\n"),
            std::string::npos)
      << out;
  for (double v : saupe) EXPECT_EQ(v, 0.0);
}

TEST_F(Dispatch, NoPointsStillReports) {
  KorimInfo k = settings(1, 0);
  Molecule m;
  m.x.resize(1);
  m.y.resize(1);
  m.z.resize(1);
  double saupe[5] = {7, 7, 7, 7, 7};
  std::string out;
  ASSERT_EQ(run(k, m, saupe, &out), 0);
  EXPECT_EQ(out.rfind("REMARK Molecule shifted to geometric center.\n", 0), 0u);
  // Nothing obstructs an empty molecule: the isotropic average.
  for (double v : saupe) EXPECT_NEAR(v, 0.0, 1e-6);
}

TEST_F(Dispatch, ModelFailureIsPassedOn) {
  Molecule m;
  double saupe[5] = {7, 7, 7, 7, 7};
  std::string out, err;
  KorimInfo k = settings(1, 0);
  k.gridSpacing = 0.0f;
  EXPECT_EQ(run(k, m, saupe, &out, &err), 1);
  EXPECT_EQ(out, "REMARK Molecule shifted to geometric center.\n");
  EXPECT_NE(err.find("simulateAlignment: error in stericAlignment."), std::string::npos);
  EXPECT_EQ(err.back(), '.');
  for (double v : saupe) EXPECT_EQ(v, 7.0);

  KorimInfo g = settings(3, 0);  // grid model without a grid
  EXPECT_EQ(run(g, m, saupe, &out, &err), 1);
  EXPECT_NE(err.find("ssia3D: no three-dimensional grid was read.\n"), std::string::npos);
  EXPECT_NE(err.find("simulateAlignment: error in ssia3D."), std::string::npos);

  KorimInfo e = settings(2, 1);  // rod without a potential table
  EXPECT_EQ(run(e, m, saupe, &out, &err), 1);
  EXPECT_NE(err.find("simulateAlignment: error in sma."), std::string::npos);
  EXPECT_EQ(out.find("SaupeSum"), std::string::npos);
  for (double v : saupe) EXPECT_EQ(v, 7.0);
}

TEST_F(Dispatch, EnsembleFormKeepsThePivotFrame) {
  KorimInfo k = settings(1, 0);
  k.gridInfo.pivotCenter = 0;
  Molecule m;
  const Molecule before = m;
  double ref[5];
  captured([&] {
    ASSERT_EQ(stericAlignment(&k, k.orderDiscRim, 1, k.rSingleCell, k.radiusModel, k.radiusAtom,
                              k.gridSpacing, k.concentration, k.molarRatio, m.n(),
                              before.x.data(), before.y.data(), before.z.data(),
                              static_cast<double>(before.maxRadius()) + k.radiusAtom,
                              k.radiusAtom, k.digPsiNSC, nDots, dots, ref),
              0);
  });
  double saupe[5];
  int st = -1;
  const auto text = captured([&] {
    st = simEnsAlignment(&k, m.n(), m.x.data(), m.y.data(), m.z.data(), 0, nullptr, nullptr,
                         nDots, dots, 0, nullptr, 0.0, 0.0, saupe);
  });
  ASSERT_EQ(st, 0);
  EXPECT_EQ(text.first, "");
  EXPECT_EQ(m.x, before.x);
  EXPECT_EQ(m.z, before.z);
  for (int j = 0; j < 5; j++) EXPECT_DOUBLE_EQ(saupe[j], ref[j] * static_cast<double>(k.lcOrder));

  // With the pivot at the centre the molecule is centred first.
  k.gridInfo.pivotCenter = 1;
  const Molecule c = before.centred();
  captured([&] {
    st = simEnsAlignment(&k, m.n(), m.x.data(), m.y.data(), m.z.data(), 0, nullptr, nullptr,
                         nDots, dots, 0, nullptr, 0.0, 0.0, saupe);
  });
  ASSERT_EQ(st, 0);
  for (int i = 1; i <= m.n(); i++) EXPECT_DOUBLE_EQ(m.y[i], c.y[i]);
}

// ---------------------------------------------------------------------------
// Turning and shifting residue ranges

namespace {

using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

// Atoms (resID, x, y, z) in list order, in a structure without a reader.
struct Chain {
  std::vector<AtomInfo> atoms;
  PDBInfo pdb{};
  Chain(std::initializer_list<std::vector<double>> rows) {
    for (const auto& r : rows) {
      AtomInfo a{};
      a.resID = static_cast<int>(r[0]);
      a.x = static_cast<float>(r[1]);
      a.y = static_cast<float>(r[2]);
      a.z = static_cast<float>(r[3]);
      atoms.push_back(a);
    }
    pdb.atomList = atoms.data();
    pdb.atomCount = pdb.maxAtomCount = static_cast<int>(atoms.size());
  }
  void expectAt(int i, double x, double y, double z, double tol = 2e-6) const {
    EXPECT_NEAR(atoms[i].x, x, tol) << i;
    EXPECT_NEAR(atoms[i].y, y, tol) << i;
    EXPECT_NEAR(atoms[i].z, z, tol) << i;
  }
};

}  // namespace

TEST(Domain, TurnFollowsTheEulerConvention) {
  // alpha 90: r' = M(0, 90, 0) r, a quarter turn about z taking (x, y) to (y, -x).
  Chain a({{1, 1, 2, 3}});
  const double alpha[3] = {90.0, 0.0, 0.0};
  EXPECT_EQ(rotateDomain(alpha, &a.pdb, 1, 1), 0);
  a.expectAt(0, 2, -1, 3);
  // beta 90: M(90, 0, 0) has rows (0 0 -1), (0 1 0), (1 0 0).
  Chain b({{1, 1, 2, 3}});
  const double beta[3] = {0.0, 90.0, 0.0};
  rotateDomain(beta, &b.pdb, 1, 1);
  b.expectAt(0, -3, 2, 1);
  // gamma 90 after beta 0 is again a turn about z.
  Chain g({{1, 1, 2, 3}});
  const double gamma[3] = {0.0, 0.0, 90.0};
  rotateDomain(gamma, &g.pdb, 1, 1);
  g.expectAt(0, 2, -1, 3);
  // (-gamma, -beta, -alpha) turns back; lengths are kept.
  Chain c({{1, 3, -4, 12}});
  const double turn[3] = {30.0, 50.0, 70.0}, back[3] = {-70.0, -50.0, -30.0};
  rotateDomain(turn, &c.pdb, 1, 1);
  EXPECT_NEAR(std::hypot(std::hypot(c.atoms[0].x, c.atoms[0].y), c.atoms[0].z), 13.0, 1e-5);
  EXPECT_GT(std::fabs(c.atoms[0].x - 3.0f), 1.0f);
  rotateDomain(back, &c.pdb, 1, 1);
  c.expectAt(0, 3, -4, 12, 1e-5);
}

TEST(Domain, OnlyTheResidueRangeTurnsAndTheWalkStopsPastIt) {
  // The last atom is in range again, but the walk ended at residue 4.
  Chain c({{1, 1, 0, 0}, {2, 1, 0, 0}, {3, 0, 1, 0}, {4, 1, 0, 0}, {2, 1, 0, 0}});
  const double alpha[3] = {90.0, 0.0, 0.0};
  rotateDomain(alpha, &c.pdb, 2, 3);
  c.expectAt(0, 1, 0, 0);
  c.expectAt(1, 0, -1, 0);
  c.expectAt(2, 1, 0, 0);
  c.expectAt(3, 1, 0, 0);
  c.expectAt(4, 1, 0, 0);
}

TEST(Domain, ShiftPutsTheRangeCentroidAtTheOrigin) {
  korim::foundation::memoryReset();
  Chain c({{1, 10, 10, 10}, {2, 1, 2, 3}, {2, 3, 6, -1}, {3, 5, 5, 5}});
  EXPECT_EQ(shiftMol2Domain(&c.pdb, 2, 2), 0);
  // Centroid of residue 2: (2, 4, 1), subtracted from every atom.
  c.expectAt(0, 8, 6, 9);
  c.expectAt(1, -1, -2, 2);
  c.expectAt(2, 1, 2, -2);
  c.expectAt(3, 3, 1, 4);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);

  // No atom in range, or no work space: a message, the structure unchanged.
  std::string err;
  int st = 0;
  err = captured([&] { st = shiftMol2Domain(&c.pdb, 7, 9); }).second;
  EXPECT_EQ(st, 1);
  EXPECT_EQ(err, "Error in positionDomain: zero atoms selected.");
  korim::foundation::memoryFailAt(2);
  err = captured([&] { st = shiftMol2Domain(&c.pdb, 2, 2); }).second;
  korim::foundation::memoryFailAt(0);
  EXPECT_EQ(st, 1);
  EXPECT_NE(err.find("Error in shiftMol2Domain: allocating coord buffers.\n"), std::string::npos);
  c.expectAt(0, 8, 6, 9);
}
