// Simulation dispatch: centring, choice of the model, scaling by the order of the medium, the
// three tensor report lines, failures of a model, the lean ensemble form, and the turn and shift
// of residue ranges of a structure; ensemble states within their cones, the clash test between
// domains, and the free-format steric prediction against the steric model on the same atoms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/ensemble.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_math.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/ssia_free.h"
#include "simulation/unsp.h"
#include "tests/support/atoms.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"
#include "tests/support/simulation.h"
#include "tests/support/text.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;
using korim_test::PdbAtoms;

namespace {

// An L-shaped molecule away from the origin: 8 points along x, 5 along y,
// 3 along z, so that every element of the tensor is non-zero.
PdbAtoms lShape() {
  PdbAtoms m;
  for (int i = 0; i < 8; i++) m.add(10.0 + 2.0 * i, -5.0, 3.0);
  for (int i = 1; i <= 5; i++) m.add(24.0, -5.0 + 2.0 * i, 3.0);
  for (int i = 1; i <= 3; i++) m.add(10.0, -5.0, 3.0 + 2.0 * i);
  return m;
}

KorimInfo settings(int lcType, int elFlag) {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  // The default turns: a steric run below them is checked against them, which these tests do not ask.
  std::tie(k.lcType, k.elInfo.elFlag, k.digPsiNSC) = std::tuple(lcType, elFlag, korim::settings::kDigPsiDefault);
  std::tie(k.gridSpacing, k.radiusAtom, k.radiusModel, k.rSingleCell, k.concentration, k.lcOrder) =
      std::tuple(1.0f, 1.5f, lcType == 2 ? 33.5f : 20.0f, 150.0f, 0.05f, 0.8f);
  std::tie(k.elInfo.concNaCl, k.elInfo.chDensSurf, k.elInfo.cutoffPot) = std::tuple(0.1f, -0.47f, 1000.0);
  return k;
}

// One report block: the generalized magnitude sqrt(8 pi / 15 * S:S), then the five elements.
std::string block(const char* name, const double s[5], const char* sep) {
  const double sxx = -(s[0] - s[1]) / 2.0, syy = -(s[0] + s[1]) / 2.0;
  const double mag = std::sqrt(8 * M_PI / 15 * (s[0] * s[0] + sxx * sxx + syy * syy + 2 * s[2] * s[2] +
                                                 2 * s[3] * s[3] + 2 * s[4] * s[4]));
  char buf[256];
  std::snprintf(buf, sizeof buf, "%s  gMag %e\n", name, mag);
  std::string out = buf;
  for (int j = 0; j < 5; j++) {
    std::snprintf(buf, sizeof buf, "%e%s", s[j], sep);
    out += buf;
  }
  return out + "\n";
}
const double kZero[5] = {0, 0, 0, 0, 0};
const std::string kShifted = "REMARK Molecule shifted to geometric center.\n";

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    simuReset();
    alignReset();
    korim::foundation::memoryReset();
    ASSERT_EQ(do_unsp(100, &dots, &nDots), 0);
  }
  int run(KorimInfo& k, PdbAtoms& m, double* saupe, int chCount = 0, int* id = nullptr, float* q = nullptr) {
    int st = -1;
    std::tie(out, err) = korim_test::captureBoth([&] {
      st = simulateAlignment(&k, m.n(), m.x.data(), m.y.data(), m.z.data(), chCount, id, q, nDots, dots, 0,
                             nullptr, 0.0, 0.0, nullptr, nullptr, saupe);
    });
    return st;
  }
  // The steric model (or the electrostatic one with charges) run directly on the molecule as
  // given, out to its largest radius, scaled by the order of the medium.
  void reference(KorimInfo& k, PdbAtoms& c, double* ref, int chCount = 0, int* id = nullptr, float* q = nullptr) {
    const double maxL = static_cast<float>(c.maxRadius()) + static_cast<double>(k.radiusAtom);
    korim_test::captureBoth([&] {
      ASSERT_EQ(chCount ? sma(&k, c.n(), c.x.data(), c.y.data(), c.z.data(), nDots, dots, maxL, k.radiusAtom, chCount,
                              id, q, 0, nullptr, 0.0, 0.0, ref)
                        : stericAlignment(&k, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom,
                                          k.gridSpacing, k.concentration, k.molarRatio, c.n(), c.x.data(), c.y.data(),
                                          c.z.data(), maxL, k.radiusAtom, k.digPsiNSC, nDots, dots, ref),
                0);
    });
    for (int j = 0; j < 5; j++) ref[j] *= static_cast<double>(k.lcOrder);
  }
  double* dots = nullptr;
  int nDots = 0;
  std::string out, err;
};

}  // namespace

TEST_F(Dispatch, WallAndRodScaledByTheOrderOfTheMedium) {
  // Steric wall and rod, and the electrostatic wall, which runs the electrostatic model only.
  for (int lc : {1, 2, 0}) {
    KorimInfo k = settings(lc ? lc : 1, lc ? 0 : 1);
    if (lc == 0) k.digPsiNSC = 18;  // the electrostatic wall's turns are checked: 4 do not settle its order
    PdbAtoms m = lShape(), c = m;
    c.centre();
    int id[3] = {0, 1, 16}, idc[3] = {0, 1, 16};
    float q[3] = {0.0f, 1.0f, -1.0f};
    double ref[5], saupe[5];
    reference(k, c, ref, lc ? 0 : 2, idc, q);
    ASSERT_EQ(run(k, m, saupe, lc ? 0 : 2, id, q), 0) << lc;
    for (int j = 0; j < 5; j++) {
      EXPECT_DOUBLE_EQ(saupe[j], ref[j]) << lc << " " << j;
      EXPECT_NE(saupe[j], 0.0);
    }
    const std::string tail = block("SaupeSteric", lc ? ref : kZero, "  ") + block("SaupeEl", lc ? kZero : ref, " ") +
                             block("SaupeSum", ref, "  ");
    if (lc) {
      EXPECT_EQ(out, kShifted + tail);
    }
    EXPECT_TRUE(out.rfind(kShifted, 0) == 0 && out.size() >= tail.size() && out.substr(out.size() - tail.size()) == tail) << out;
    for (int i = 1; i <= m.n(); i++) EXPECT_DOUBLE_EQ(m.x[i], c.x[i]);  // left centred
  }
}

TEST_F(Dispatch, UnknownMediumAndEmptyMolecule) {
  // Both give the zero tensor, printed, then refused: a medium of order 0.8 that aligns nothing,
  // a molecule without a shape.
  KorimInfo k = settings(4, 0), w = settings(1, 0);
  PdbAtoms m = lShape(), none;
  double saupe[5] = {7, 7, 7, 7, 7};
  ASSERT_EQ(run(k, m, saupe), 1);
  // Two blanks after each element of the steric and summed lines, one in the electrostatic line.
  EXPECT_EQ(out, kShifted + block("SaupeSteric", kZero, "  ") + block("SaupeEl", kZero, " ") +
                     block("SaupeSum", kZero, "  "));
  EXPECT_NE(err.find("korim: the predicted alignment tensor is zero, though the medium's order parameter (-lcS) "
                     "is 0.800"),
            std::string::npos)
      << err;
  for (double v : saupe) EXPECT_EQ(v, 0.0);
  // Nothing obstructs an empty molecule: the isotropic average.
  for (double& v : saupe) v = 7;
  ASSERT_EQ(run(w, none, saupe), 1);
  EXPECT_EQ(out.rfind(kShifted, 0), 0u);
  EXPECT_NE(err.find("a molecule whose atoms lie at one place has no shape"), std::string::npos) << err;
  for (double v : saupe) EXPECT_NEAR(v, 0.0, 1e-6);
}

TEST_F(Dispatch, ModelFailureIsPassedOn) {
  PdbAtoms m = lShape();
  double saupe[5] = {7, 7, 7, 7, 7};
  KorimInfo k = settings(1, 0), g = settings(3, 0), e = settings(2, 1);  // grid without a grid, rod without a table
  k.gridSpacing = 0.0f;
  EXPECT_EQ(run(k, m, saupe), 1);
  EXPECT_EQ(out, kShifted);
  EXPECT_NE(err.find("simulateAlignment: error in stericAlignment.\n"), std::string::npos);
  EXPECT_EQ(run(g, m, saupe), 1);
  EXPECT_TRUE(korim_test::inOrder(err, {"ssia3D: no three-dimensional grid was read.\n", "simulateAlignment: error in ssia3D."}));
  EXPECT_EQ(run(e, m, saupe), 1);
  EXPECT_NE(err.find("simulateAlignment: error in sma."), std::string::npos);
  EXPECT_EQ(out.find("SaupeSum"), std::string::npos);
  for (double v : saupe) EXPECT_EQ(v, 7.0);
}

TEST_F(Dispatch, EnsembleFormKeepsThePivotFrame) {
  KorimInfo k = settings(1, 0);
  k.gridInfo.pivotCenter = 0;
  PdbAtoms m = lShape(), before = m;
  double ref[5], saupe[5];
  reference(k, before, ref);
  int st = -1;
  auto ens = [&] {
    return korim_test::captureStdout([&] {
      st = simEnsAlignment(&k, m.n(), m.x.data(), m.y.data(), m.z.data(), 0, nullptr, nullptr, nDots, dots, 0,
                           nullptr, 0.0, 0.0, saupe);
    });
  };
  EXPECT_EQ(ens(), "");
  ASSERT_EQ(st, 0);
  EXPECT_TRUE(m.x == before.x && m.z == before.z);
  for (int j = 0; j < 5; j++) EXPECT_DOUBLE_EQ(saupe[j], ref[j]);
  // With the pivot at the centre the molecule is centred first.
  k.gridInfo.pivotCenter = 1;
  before.centre();
  ens();
  ASSERT_EQ(st, 0);
  for (int i = 1; i <= m.n(); i++) EXPECT_DOUBLE_EQ(m.y[i], before.y[i]);
}

// ---------------------------------------------------------------------------
// Turning and shifting residue ranges

namespace {

// Atoms {resID, x, y, z} in list order.
korim_test::TestStructure chain(std::initializer_list<std::vector<double>> rows) {
  korim_test::TestStructure s;
  for (const auto& r : rows) s.add(r[1], r[2], r[3], 0, static_cast<int>(r[0]));
  s.get();
  return s;
}

// Every atom of s where the rows say, {x, y, z} in list order.
void expectAt(const korim_test::TestStructure& s, std::initializer_list<std::vector<double>> at, double tol = 2e-6) {
  int i = 0;
  for (const auto& p : at) {
    EXPECT_LT(std::hypot(s.atoms[i].x - p[0], s.atoms[i].y - p[1], s.atoms[i].z - p[2]), tol) << i;
    i++;
  }
}

}  // namespace

// The atoms a walk over a residue range misses: those of the range after an atom above it (the
// first missed, and where the walk ended), in residues out of order and in a second chain.
TEST(Domain, WalkMissesTheRangeAfterAResidueAboveIt) {
  const struct {
    std::vector<int> residues;
    int resN, resC, miss, stop;
  } cases[] = {{{1, 2, 3, 4}, 1, 2, -1, 0}, {{1, 2, 3, 1, 2, 3}, 2, 3, -1, 0},  // never above the range
               {{3, 1, 2}, 1, 2, 1, 0},     {{1, 2, 3, 1, 2, 3}, 1, 2, 3, 2},  // reversed, two chains
               {{1, 3, 2, 5}, 1, 3, -1, 0}, {{1, 4, 0, 3}, 1, 3, 3, 1}};       // unordered within
  for (const auto& c : cases) {
    korim_test::TestStructure s;
    for (int r : c.residues) s.add(0, 0, 0, 0, r);
    s.get();
    int stop = 0;
    EXPECT_EQ(rangeWalkMiss(&s.pdb, c.resN, c.resC, &stop), c.miss) << c.residues.size();
    if (c.miss >= 0) {
      EXPECT_EQ(stop, c.stop);
    }
  }
}

TEST(Domain, TurnFollowsTheEulerConventionWithinTheRange) {
  // alpha 90 and gamma 90 (beta 0): a quarter turn about z taking (x, y) to (y, -x);
  // beta 90: M(90, 0, 0) has rows (0 0 -1), (0 1 0), (1 0 0).
  const double turns[3][3] = {{90, 0, 0}, {0, 90, 0}, {0, 0, 90}};
  const std::vector<double> expect[3] = {{2, -1, 3}, {-3, 2, 1}, {2, -1, 3}};
  for (int t = 0; t < 3; t++) {
    korim_test::TestStructure a = chain({{1, 1, 2, 3}});
    EXPECT_EQ(rotateDomain(turns[t], &a.pdb, 1, 1), 0);
    expectAt(a, {expect[t]});
  }
  // (-gamma, -beta, -alpha) turns back; lengths are kept.
  korim_test::TestStructure c = chain({{1, 3, -4, 12}});
  const double turn[3] = {30.0, 50.0, 70.0}, back[3] = {-70.0, -50.0, -30.0};
  rotateDomain(turn, &c.pdb, 1, 1);
  EXPECT_NEAR(std::hypot(c.atoms[0].x, c.atoms[0].y, c.atoms[0].z), 13.0, 1e-5);
  EXPECT_GT(std::fabs(c.atoms[0].x - 3.0f), 1.0f);
  rotateDomain(back, &c.pdb, 1, 1);
  expectAt(c, {{3, -4, 12}}, 1e-5);
  // The same bytes in every build type: x and y are double sums of the three products rounded once
  // to float, z is rounded after each term, as the optimised builds have always written them.
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> deg(-360.0, 360.0), pos(-60.0, 60.0);
  for (int t = 0; t < 20000; t++) {
    const double e[3] = {deg(rng), deg(rng), deg(rng)}, f = 3.14159265 / -180.0;
    const float p[3] = {float(pos(rng)), float(pos(rng)), float(pos(rng))};
    double ax[3][4];
    rotate_coorsystem(e[1] * f, e[2] * f, e[0] * f, ax[0], ax[1], ax[2]);
    auto dot = [&](int k) { return double(p[0]) * ax[k][1] + double(p[1]) * ax[k][2] + double(p[2]) * ax[k][3]; };
    const float z1 = float(double(p[0]) * ax[2][1]), z2 = float(z1 + double(p[1]) * ax[2][2]);
    korim_test::TestStructure s = chain({{1, p[0], p[1], p[2]}});
    rotateDomain(e, &s.pdb, 1, 1);
    ASSERT_TRUE(s.atoms[0].x == float(dot(0)) && s.atoms[0].y == float(dot(1)) &&
                s.atoms[0].z == float(z2 + double(p[2]) * ax[2][3])) << t;
  }
  // Only residues 2-3 turn; the last atom is in range again, but the walk ended at residue 4.
  korim_test::TestStructure r = chain({{1, 1, 0, 0}, {2, 1, 0, 0}, {3, 0, 1, 0}, {4, 1, 0, 0}, {2, 1, 0, 0}});
  rotateDomain(turns[0], &r.pdb, 2, 3);
  expectAt(r, {{1, 0, 0}, {0, -1, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}});
  // The shift puts the range's centroid, (2, 4, 1) for residue 2, at the origin.
  korim_test::TestStructure m = chain({{1, 10, 10, 10}, {2, 1, 2, 3}, {2, 3, 6, -1}, {3, 5, 5, 5}});
  EXPECT_EQ(shiftMol2Domain(&m.pdb, 2, 2), 0);
  expectAt(m, {{8, 6, 9}, {-1, -2, 2}, {1, 2, -2}, {3, 1, 4}});
}

// ---------------------------------------------------------------------------
// Ensembles and the free-format prediction

namespace {

KorimInfo defaults() {
  KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  return k;
}

struct States {
  std::vector<double> a = std::vector<double>(kEnsembleSlots), b = a, c = a;
  int n = -1;
  int setup(KorimInfo* k, const std::string& outE, const std::string& inE) {
    int st = -1;
    korim_test::captureStderr([&] { st = setupEnsemble(k, outE.c_str(), "", inE.c_str(), &n, a.data(), b.data(), c.data()); });
    return st;
  }
};

// ssiaFree of the points written as free-format records into the table a.tab beside them.
int runFree(KorimInfo* k, const korim_test::TempDir& dir, const std::vector<std::vector<double>>& p,
            korim::couplings::DTable* d, std::string* out, std::string* err) {
  std::string t;
  for (size_t i = 0; i < p.size(); i++)
    t += "ATOM " + std::to_string(i + 1) + " CA ALA " + std::to_string(i + 1) + " " + std::to_string(p[i][0]) + " " +
         std::to_string(p[i][1]) + " " + std::to_string(p[i][2]) + "\n";
  const std::string in = korim_test::writeFile(dir / "points.txt", t + "END\n"), table = dir / "a.tab";
  korim::couplings::dTabNull(d);
  simuReset();
  int st = -1;
  std::tie(*out, *err) = korim_test::captureBoth([&] { st = ssiaFree(k, in.c_str(), table.c_str(), d); });
  return st;
}

}  // namespace

TEST(EnsembleStates, EveryAcceptedStateLiesInItsCones) {
  korim_test::TempDir dir;
  KorimInfo k = defaults();
  std::tie(k.gridInfo.densE, k.gridInfo.digPsiE, k.gridInfo.lBetaCone, k.gridInfo.hBetaCone, k.gridInfo.errAlphaCone) =
      std::tuple(100, 6, 10.0f, 60.0f, 0.5f);
  States s;
  ASSERT_EQ(s.setup(&k, dir / "angles.txt", ""), 0);
  ASSERT_GT(s.n, 0);
  for (int i = 1; i <= s.n; i++) {
    // The turned z axis M(beta, alpha, gamma) (0, 0, 1) has y = sin(beta) sin(gamma).
    const double vy = std::sin(s.b[i] * M_PI / 180) * std::sin(s.c[i] * M_PI / 180);
    EXPECT_TRUE(s.b[i] >= 10.0 - 1e-9 && s.b[i] <= 60.0 + 1e-9 && std::fabs(vy) <= 0.5 + 1e-6) << i;
  }
  EXPECT_EQ(static_cast<int>(korim_test::lines(korim_test::readFile(dir / "angles.txt")).size()), s.n);
  // Wide open cones accept every turn about every dot; the pole at beta 180 comes out a hair above 180.
  std::tie(k.gridInfo.lBetaCone, k.gridInfo.hBetaCone, k.gridInfo.errAlphaCone) = std::tuple(0.0f, 181.0f, 2.0f);
  ASSERT_EQ(s.setup(&k, "", ""), 0);
  EXPECT_EQ(s.n, 6 * korim_test::Dots(100).n);
}

TEST(EnsembleStates, AFileOfStatesReplacesTheGeneratedOnes) {
  korim_test::TempDir dir;
  KorimInfo k = defaults();
  States s;
  // An empty file is refused, not read as no file (which would keep the generated states).
  const std::string empty = korim_test::writeFile(dir / "empty.ens", "");
  int status = 0;
  const std::string err = korim_test::captureStderr(
      [&] { status = setupEnsemble(&k, "", "", empty.c_str(), &s.n, s.a.data(), s.b.data(), s.c.data()); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "readEnsemble Error: " + empty + " is empty: it holds no state (each line of a states file holds the "
            "three angles alpha, beta, gamma of one state, in degrees).\nerror in readEnsemble.\n");
  ASSERT_EQ(s.setup(&k, "", korim_test::writeFile(dir / "two.ens", "10 20 30\n-5 0.5 270\n")), 0);
  ASSERT_EQ(s.n, 2);
  EXPECT_EQ(std::vector<double>({s.a[1], s.b[1], s.c[1], s.a[2], s.b[2], s.c[2]}),
            std::vector<double>({10, 20, 30, -5, 0.5, 270}));
  EXPECT_NE(s.setup(&k, "", dir / "missing.ens"), 0);
}

TEST(EnsembleClash, PairsCloserThanTheLimitClash) {
  for (double d : {1.9, 2.1}) {
    korim_test::TestStructure s;
    s.add(0, 0, 0, 1, 7, "CA", "GLY");
    s.add(5, 5, 5, 1, 8, "N", "ALA");
    s.add(d, 0, 0, 1, 30, "C", "LYS");
    KorimInfo k = defaults();
    k.gridInfo.clashDist = 2.0f;
    int clash = -1;
    const std::string out = korim_test::captureStdout([&] { clash = chkClashDom(s.get(), &k, {0, 1}, {2}); });
    EXPECT_EQ(clash, d < 2.0 ? 1 : 0) << d;
    EXPECT_EQ(out, d < 2.0 ? "\nREMARK steric clash of     7    GLY     CA   and     30    LYS      C :   1.90 A\n" : "");
  }
}

TEST(FreeFormat, OrderMatrixIsTheNegatedScaledStericResult) {
  korim_test::TempDir dir;
  // An L of points 4 A apart in the plane z = 1: every point is exposed.
  std::vector<std::vector<double>> p;
  for (int i = 0; i < 9; i++) p.push_back({3.0 + 4.0 * (i < 6 ? i : 0), -2.0 + 4.0 * (i < 6 ? 0 : i - 5), 1.0});
  KorimInfo k = defaults();
  std::tie(k.korimMode, k.densityNSC, k.lcOrder) = std::tuple(korim::settings::kModeStericFree, 100, 0.8f);
  korim::couplings::DTable d{};
  std::string out, err;
  ASSERT_EQ(runFree(&k, dir, p, &d, &out, &err), 0) << err;
  EXPECT_EQ(out.rfind("REMARK 9 atoms selected for simulation.\n", 0), 0u) << out;
  EXPECT_NE(korim_test::readFile(dir / "a.tab").find("DATA KORIM_MODE STERIC_FREE\n"), std::string::npos);
  // The steric model on the same points, centred.
  PdbAtoms c;
  for (const auto& q : p) c.add(q[0], q[1], q[2]);
  c.centre();
  double ref[5];
  korim_test::Dots dots(100);
  int st = -1;
  korim_test::captureStderr([&] {
    st = stericAlignment(&k, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom, k.gridSpacing,
                         k.concentration, k.molarRatio, 9, c.x.data(), c.y.data(), c.z.data(), c.maxRadius() + k.radiusAtom, k.radiusAtom,
                         k.digPsiNSC, dots.n, dots.dots, ref);
  });
  ASSERT_EQ(st, 0);
  for (int j = 0; j < 5; j++) {
    EXPECT_NEAR(d.dTensor.saupe[j], -0.8 * ref[j], 1e-6 + 1e-3 * std::fabs(ref[j])) << j;
    EXPECT_NE(d.dTensor.saupe[j], 0.0f) << j;
  }
  korim::couplings::dTabFree(&d);
}

TEST(FreeFormat, NoExposedAtomIsRefused) {
  korim_test::TempDir dir;
  // Forty points on a sphere of 0.05 A: each is outermost in a fortieth of the directions only,
  // too little of its surface for an exposed atom.
  std::vector<std::vector<double>> p;
  for (int i = 0; i < 40; i++) {
    const double zz = 1 - (2 * i + 1) / 40.0, rr = std::sqrt(1 - zz * zz), phi = 2.399963 * i;
    p.push_back({0.05 * rr * std::cos(phi), 0.05 * rr * std::sin(phi), 0.05 * zz});
  }
  KorimInfo k = defaults();
  korim::couplings::DTable d{};
  std::string out, err;
  EXPECT_EQ(runFree(&k, dir, p, &d, &out, &err), 1);
  EXPECT_NE(err.find("KORIM: error - zero atoms remain after surface selection!\n"), std::string::npos) << err;
  EXPECT_FALSE(korim_test::fileExists(dir / "a.tab"));
  korim::couplings::dTabFree(&d);
}
