// Simulation dispatch: centring, choice of the model, scaling by the order of
// the medium, the three tensor report lines, failures of a model, and the
// lean ensemble form.
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

TEST_F(Dispatch, OrderOfTheMediumScalesEveryElement) {
  KorimInfo k = settings(1, 0);
  Molecule a, b;
  double full[5], half[5];
  k.lcOrder = 1.0f;
  ASSERT_EQ(run(k, a, full), 0);
  k.lcOrder = 0.5f;
  ASSERT_EQ(run(k, b, half), 0);
  for (int j = 0; j < 5; j++) EXPECT_DOUBLE_EQ(half[j], 0.5 * full[j]);
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
