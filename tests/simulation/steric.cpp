// Steric obstruction model: bit-for-bit agreement with the straightforward
// scan, physics of rods, discs and spheres, rotation covariance, messages
// and refused inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "simulation/korim_utils_math.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/simulation/pdb_coords.h"

using namespace korim::simulation;

namespace {

// ---------------------------------------------------------------------------
// Reference: the model scanned position by position and atom by atom.
double refP2(double a) { return 0.5 * (3.0 * a * a - 1.0); }
double refCross(double a, double b) { return 1.5 * a * b; }

int referenceSteric(int lcType, double stepOut, double R, double radius, double gs, double wv,
                    const TestCoords& c, double maxL, double minL, int turns, int nDots,
                    const double* dots, double* saupe) {
  const int n = c.n();
  const int N = turns * nDots;
  const double inc = 360.0 / turns;
  struct Frame {
    double v[5];
    std::vector<float> u, w;
  };
  std::vector<Frame> frames;
  double sums[6] = {0, 0, 0, 0, 0, 0};
  for (int d = 0; d < nDots; d++)
    for (int k = 0; k < turns; k++) {
      const double dx = dots[3 * d], dy = dots[3 * d + 1], dz = dots[3 * d + 2];
      const double phi = std::atan2(dy, dx);
      const double theta = 1.570796325 - std::atan2(dz, std::sqrt(dx * dx + dy * dy));
      const double psi = k * inc * 3.14159265 / 180.0 + 0.0;
      double xa[4], ya[4], za[4];
      rotate_coorsystem(theta, phi, psi, xa, ya, za);
      sums[0] += refP2(za[3]);
      sums[1] += refP2(xa[3]);
      sums[2] += refP2(ya[3]);
      sums[3] += refCross(xa[3], ya[3]);
      sums[4] += refCross(xa[3], za[3]);
      sums[5] += refCross(ya[3], za[3]);
      Frame f;
      f.v[0] = refP2(za[3]);
      f.v[1] = refP2(xa[3]) - refP2(ya[3]);
      f.v[2] = refCross(xa[3], ya[3]);
      f.v[3] = refCross(xa[3], za[3]);
      f.v[4] = refCross(ya[3], za[3]);
      double U[4], V[4], W[4];
      rotate_coorsystem(-theta, -psi, -phi, U, V, W);
      f.u.assign(n + 1, 0.0f);
      f.w.assign(n + 1, 0.0f);
      for (int a = 1; a <= n; a++) {
        float s = 0.0f;
        s = static_cast<float>(s + c.x[a] * U[1]);
        s = static_cast<float>(s + c.y[a] * U[2]);
        s = static_cast<float>(s + c.z[a] * U[3]);
        f.u[a] = s;
        float t = 0.0f;
        t = static_cast<float>(t + c.x[a] * V[1]);
        t = static_cast<float>(t + c.y[a] * V[2]);
        t = static_cast<float>(t + c.z[a] * V[3]);
        f.w[a] = t;
      }
      frames.push_back(f);
    }
  const double mean[5] = {sums[0] / N, (sums[1] - sums[2]) / N, sums[3] / N, sums[4] / N,
                          sums[5] / N};
  int L = static_cast<int>((maxL - minL) / gs);
  if (L > 4999) L = 4999;
  std::vector<float> g(5000, 0.0f);
  const float off = static_cast<float>(minL + R);
  for (int i = 0; i <= L; i++) g[i] = static_cast<float>(i * gs + off);
  std::vector<std::array<double, 5>> rows(5000);
  std::vector<double> total(5000, 0.0);
  int last = L;
  long long m = 0;
  if (lcType == 1) {
    std::vector<float> pot(L + 1);
    for (int i = 0; i <= L; i++) pot[i] = static_cast<float>(radius - (g[i] - R));
    for (const Frame& f : frames)
      for (int i = 0; i <= L; i++) {
        bool ok = true;
        for (int a = 1; a <= n; a++)
          if (!(f.u[a] > pot[i])) {
            ok = false;
            break;
          }
        if (!ok) continue;
        for (int j = 0; j < 5; j++) rows[i][j] += f.v[j];
        total[i] += 1;
      }
    const long long nStep = static_cast<long long>((stepOut - g[L]) / gs);
    long long t = 0;
    for (int i = 0; i <= L; i++) t += static_cast<long long>(total[i]);
    m = t / N + nStep;
  } else {
    const double D = R / std::sqrt(wv / 1.46);
    const long long nn = static_cast<long long>((D - R) / gs);
    m = static_cast<long long>(nn + 0.5 * nn * (nn + 1) * (gs / R));
    if (g[L] <= D - R) {
      for (int k = 1; L + k <= 4999; k++) {
        g[L + k] = static_cast<float>(g[L] + k * gs);
        last = L + k;
        if (g[L + k] > D - R) break;
      }
    }
    const double bound = R + radius;
    for (const Frame& f : frames)
      for (int i = 0; i <= last; i++) {
        int w = 1;
        if (i <= L)
          for (int a = 1; a <= n; a++) {
            const long double t = static_cast<long double>(f.u[a]) + g[i];
            const long double yy = f.w[a];
            if (std::sqrt(t * t + yy * yy) <= bound) {
              w = 0;
              break;
            }
          }
        for (int j = 0; j < 5; j++) rows[i][j] += w * f.v[j];
        total[i] += w;
      }
  }
  for (int j = 0; j < 5; j++) {
    double S = 0;
    for (int i = 0; i <= last; i++) {
      const double row = total[i] <= 0 ? 0.0 : rows[i][j] / total[i] - mean[j];
      double term = (total[i] / N) * row;
      if (lcType == 2) term = term * g[i] / R;
      S += term;
    }
    saupe[j] = S / static_cast<double>(m);
  }
  return 0;
}

// ---------------------------------------------------------------------------
struct Medium {
  int lcType = 1;
  double stepOut = 100.0, R = 20.0, radius = 0.0, gs = 0.2, wv = 0.05;
};

int runModel(const Medium& md, const TestCoords& c, double maxL, double minL, int turns,
             int nDots, const double* dots, double* saupe, std::string* err = nullptr) {
  testing::internal::CaptureStderr();
  const int status =
      stericAlignment(nullptr, 0.0, md.lcType, md.stepOut, md.R, md.radius, md.gs, md.wv, 3.0,
                      c.n(), c.x.data(), c.y.data(), c.z.data(), maxL, minL, turns, nDots, dots,
                      saupe);
  const std::string e = testing::internal::GetCapturedStderr();
  if (err) *err = e;
  return status;
}

struct Sampling {
  double* dots = nullptr;
  int n = 0;
  explicit Sampling(int density) { do_unsp(density, &dots, &n); }
};

// The five elements as a symmetric 3x3 matrix (traceless).
void toMatrix(const double s[5], double m[3][3]) {
  const double zz = s[0], xx = (-s[0] + s[1]) / 2, yy = (-s[0] - s[1]) / 2;
  const double mm[3][3] = {{xx, s[2], s[3]}, {s[2], yy, s[4]}, {s[3], s[4], zz}};
  std::memcpy(m, mm, sizeof mm);
}

TestCoords ubiquitin() {
  TestCoords c = readTestPdb(KORIM_TEST_DATA "/ubiquitin_1d3z_model1.pdb");
  c.centre();
  return c;
}

TestCoords rodAlongZ(double half) {
  TestCoords c;
  for (double zz = -half; zz <= half + 1e-9; zz += 1.0) c.add(0, 0, zz);
  return c;
}

TestCoords discInXY(double radius) {
  TestCoords c;
  c.add(0, 0, 0);
  for (double r = 2; r <= radius + 1e-9; r += 2)
    for (int k = 0; k < 24; k++) c.add(r * std::cos(k * M_PI / 12), r * std::sin(k * M_PI / 12), 0);
  return c;
}

}  // namespace

class Steric : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
};

TEST_F(Steric, FastScanEqualsStraightforwardScanBitForBit) {
  const TestCoords ubq = ubiquitin();
  ASSERT_EQ(ubq.n(), 602);
  TestCoords odd;  // duplicates, an atom at the origin, atoms far out
  odd.add(0, 0, 0);
  odd.add(0, 0, 0);
  odd.add(3.3, -1.25, 0.5);
  odd.add(-7.5, 2.0, 9.0);
  odd.add(-7.5, 2.0, 9.0);
  odd.add(12.0, 0.0, -0.3);
  Sampling s(32);
  ASSERT_EQ(s.n, 32);
  struct Case {
    int lcType;
    double stepOut, R, radius, gs, wv;
    const TestCoords* mol;
  };
  const Case cases[] = {
      {1, 60.0, 20.0, 0.0, 0.2, 0.05, &ubq},   {1, 80.0, 20.0, 1.5, 0.37, 0.05, &ubq},
      {2, 0.0, 33.5, 0.0, 0.2, 0.05, &ubq},    {2, 0.0, 33.5, 1.0, 0.5, 1.0, &ubq},
      {2, 0.0, 33.5, 2.0, 1.0, 0.3, &ubq},     {1, 40.0, 5.0, 0.5, 0.25, 0.05, &odd},
      {2, 0.0, 10.0, 0.7, 0.3, 0.02, &odd},    {2, 0.0, 33.5, 0.0, 0.2, 1.2, &odd},
      // A rod thinner than the molecule: atoms pass through it and block
      // runs of positions that start inside the row.
      {2, 0.0, 4.0, 0.5, 0.3, 0.01, &ubq},     {2, 0.0, 2.0, 0.0, 0.45, 0.2, &odd},
  };
  for (const Case& k : cases) {
    const double maxL = k.mol->maxRadius() + k.radius, minL = k.radius;
    Medium md;
    md.lcType = k.lcType;
    md.stepOut = k.stepOut;
    md.R = k.R;
    md.radius = k.radius;
    md.gs = k.gs;
    md.wv = k.wv;
    double fast[5], ref[5];
    ASSERT_EQ(runModel(md, *k.mol, maxL, minL, 6, s.n, s.dots, fast), 0);
    referenceSteric(k.lcType, k.stepOut, k.R, k.radius, k.gs, k.wv, *k.mol, maxL, minL, 6, s.n,
                    s.dots, ref);
    for (int j = 0; j < 5; j++) {
      EXPECT_TRUE(std::isfinite(fast[j]));
      EXPECT_EQ(std::memcmp(&fast[j], &ref[j], sizeof(double)), 0)
          << "lcType " << k.lcType << " gs " << k.gs << " element " << j << ": " << fast[j]
          << " vs " << ref[j];
    }
  }
}

TEST_F(Steric, ThinRodAtAWallMatchesTheExcludedOrientationSum) {
  // A rod of half-length a with its centre at height h above the wall is
  // allowed for |cos(rod, normal)| < h / a: a fraction u = h / a of all
  // orientations, whose order along an in-plane director is (1 - u^2) / 4
  // above the isotropic mean. Summed over the sampled heights and divided by
  // the count of positions up to the step-out distance.
  const double a = 10.0;
  const TestCoords rod = rodAlongZ(a);
  Medium md;  // wall, R 20, step out 100, spacing 0.2
  Sampling s(700);
  double S[5];
  ASSERT_EQ(runModel(md, rod, a, 0.0, 36, s.n, s.dots, S), 0);
  const int L = static_cast<int>(a / md.gs);
  double sum = 0, weights = 0;
  for (int i = 0; i <= L; i++) {
    const double u = std::min(1.0, i * md.gs / a);
    sum += u * (1 - u * u) / 4;
    weights += u;
  }
  const long long nStep = static_cast<long long>((md.stepOut - (a + md.R)) / md.gs);
  const double expected = sum / (static_cast<long long>(weights) + nStep);
  EXPECT_NEAR(S[0], expected, 0.015 * expected);
  EXPECT_GT(S[0], 0.0);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(S[j]), 1e-6 * S[0]) << j;
}

TEST_F(Steric, RodsAndDiscsAlignWithOppositeSignsAtWallAndCylinder) {
  const TestCoords rod = rodAlongZ(12.0);
  const TestCoords disc = discInXY(12.0);
  Sampling s(100);
  for (int lc = 1; lc <= 2; lc++) {
    Medium md;
    md.lcType = lc;
    md.R = lc == 1 ? 20.0 : 33.5;
    double sr[5], sd[5];
    ASSERT_EQ(runModel(md, rod, rod.maxRadius(), 0.0, 18, s.n, s.dots, sr), 0);
    ASSERT_EQ(runModel(md, disc, disc.maxRadius(), 0.0, 18, s.n, s.dots, sd), 0);
    EXPECT_GT(sr[0], 0.0) << lc;
    EXPECT_LT(sd[0], 0.0) << lc;
    // Axial about z: the other elements vanish next to Szz.
    for (int j = 1; j < 5; j++) {
      EXPECT_LT(std::fabs(sr[j]), 1e-6 * std::fabs(sr[0])) << lc << " " << j;
      EXPECT_LT(std::fabs(sd[j]), 0.05 * std::fabs(sd[0])) << lc << " " << j;
    }
  }
}

TEST_F(Steric, SymmetricBodiesDoNotAlign) {
  Sampling s(100);
  TestCoords one;
  one.add(0, 0, 0);
  // Icosahedral shell: the 42-dot arc sphere scaled to 8 A.
  TestCoords shell;
  int n = 0;
  ASSERT_EQ(make_unsp(42, 10, &n, 0), 0);
  const double* d = unspCurrentDots(&n);
  for (int i = 0; i < n; i++) shell.add(8 * d[3 * i], 8 * d[3 * i + 1], 8 * d[3 * i + 2]);
  const TestCoords rod = rodAlongZ(8.0);
  for (int lc = 1; lc <= 2; lc++) {
    Medium md;
    md.lcType = lc;
    md.R = lc == 1 ? 20.0 : 33.5;
    double s1[5], ss[5], sr[5];
    ASSERT_EQ(runModel(md, one, 0.0, 0.0, 18, s.n, s.dots, s1), 0);
    ASSERT_EQ(runModel(md, shell, 8.0, 0.0, 18, s.n, s.dots, ss), 0);
    ASSERT_EQ(runModel(md, rod, 8.0, 0.0, 18, s.n, s.dots, sr), 0);
    for (int j = 0; j < 5; j++) {
      EXPECT_LT(std::fabs(s1[j]), 1e-12) << lc << " " << j;
      EXPECT_LT(std::fabs(ss[j]), 0.05 * std::fabs(sr[0])) << lc << " " << j;
    }
  }
}

TEST_F(Steric, RotatingTheMoleculeRotatesTheTensor) {
  // An asymmetric body: points inside an ellipsoid 12 x 6 x 3 A.
  TestCoords body;
  unsigned seed = 12345;
  auto rnd = [&]() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) & 0xFFFF) / 65535.0 * 2 - 1;
  };
  while (body.n() < 80) {
    const double px = rnd(), py = rnd(), pz = rnd();
    if (px * px + py * py + pz * pz <= 1) body.add(12 * px, 6 * py + 2 * px, 3 * pz);
  }
  body.centre();
  double rot[4][4];
  {
    // Rotation matrix from the geometry module's convention (rows of M).
    double xa[4], ya[4], za[4];
    rotate_coorsystem(0.9, 0.4, -1.3, xa, ya, za);
    for (int r = 1; r <= 3; r++) {
      rot[r][1] = xa[r];
      rot[r][2] = ya[r];
      rot[r][3] = za[r];
    }
  }
  TestCoords turned;
  for (int i = 1; i <= body.n(); i++) {
    const double p[4] = {0, body.x[i], body.y[i], body.z[i]};
    double q[4];
    for (int r = 1; r <= 3; r++) q[r] = rot[r][1] * p[1] + rot[r][2] * p[2] + rot[r][3] * p[3];
    turned.add(q[1], q[2], q[3]);
  }
  Sampling s(700);
  for (int lc = 1; lc <= 2; lc++) {
    Medium md;
    md.lcType = lc;
    md.R = lc == 1 ? 20.0 : 33.5;
    double s0[5], s1[5];
    ASSERT_EQ(runModel(md, body, body.maxRadius(), 0.0, 36, s.n, s.dots, s0), 0);
    ASSERT_EQ(runModel(md, turned, turned.maxRadius(), 0.0, 36, s.n, s.dots, s1), 0);
    double A[3][3], B[3][3];
    toMatrix(s0, A);
    toMatrix(s1, B);
    // Expected B = Q A Q^T with Q the 3x3 rotation applied to the atoms.
    double scale = 0, inv0 = 0, inv1 = 0, det0 = 0, det1 = 0;
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) {
        scale = std::max(scale, std::fabs(A[i][j]));
        inv0 += A[i][j] * A[j][i];
        inv1 += B[i][j] * B[j][i];
      }
    auto det = [](double m[3][3]) {
      return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
             m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
             m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    det0 = det(A);
    det1 = det(B);
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) {
        double e = 0;
        for (int k = 0; k < 3; k++)
          for (int l = 0; l < 3; l++) e += rot[i + 1][k + 1] * A[k][l] * rot[j + 1][l + 1];
        EXPECT_NEAR(B[i][j], e, 0.04 * scale) << lc << " " << i << j;
      }
    // Rotation invariants: eigenvalue spectrum through tr(S^2) and det(S).
    EXPECT_NEAR(inv1, inv0, 0.05 * inv0) << lc;
    EXPECT_NEAR(det1, det0, 0.1 * std::fabs(det0) + 1e-3 * scale * scale * scale) << lc;
  }
}

TEST_F(Steric, ProgressLinesCountEveryOrientation) {
  int n = 0;
  ASSERT_EQ(make_unsp(12, 10, &n, 0), 0);
  const double* d = unspCurrentDots(&n);
  const std::vector<double> dots(d, d + 3 * n);
  TestCoords c;
  c.add(1, 0, 0);
  c.add(-1, 0.5, 0);
  Medium md;
  double S[5];
  std::string err;
  ASSERT_EQ(runModel(md, c, 1.2, 0.0, 1, 12, dots.data(), S, &err), 0);
  std::string expected;
  for (int r = 1; r <= 12; r++) expected += "REMARK Orientation " + std::to_string(r) + " of 12\r";
  expected += "\n";
  EXPECT_EQ(err, expected);
}

TEST_F(Steric, MoleculeFarFromTheWallDoesNotAlign) {
  const TestCoords ubq = ubiquitin();
  Sampling s(100);
  Medium md;
  md.stepOut = 400;
  double S[5];
  // Positions start 60 A out: no atom (within 35 A of the centre) reaches the wall.
  ASSERT_EQ(runModel(md, ubq, 70.0, 60.0, 18, s.n, s.dots, S), 0);
  EXPECT_EQ(S[0], 0.0);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(S[j]), 1e-14);
}

TEST_F(Steric, TooManyPositionsWarnOnceAndAreCapped) {
  TestCoords c;
  c.add(0, 0, 0);
  c.add(0, 0, 2);
  Sampling s(12);
  Medium md;
  md.gs = 0.001;
  md.stepOut = 100;
  double S[5];
  std::string err;
  // (6 - 0) / 0.001 = 6000 positions asked for, 5000 sampled.
  ASSERT_EQ(runModel(md, c, 6.0, 0.0, 2, s.n, s.dots, S, &err), 0);
  const std::string w = "WARNING: concentration too low - magnitude of alignment tensor incorrect\n";
  ASSERT_EQ(err.rfind(w, 0), 0u) << err.substr(0, 100);
  EXPECT_EQ(err.find(w, w.size()), std::string::npos);
  double ref[5];
  referenceSteric(1, 100, 20, 0, 0.001, 0.05, c, 6.0, 0.0, 2, s.n, s.dots, ref);
  for (int j = 0; j < 5; j++) EXPECT_EQ(S[j], ref[j]);
}

TEST_F(Steric, DenseMediaAndBadParametersAreRefused) {
  const TestCoords ubq = ubiquitin();
  Sampling s(12);
  const double keep[5] = {7, 7, 7, 7, 7};
  double S[5];
  std::string err;
  auto untouched = [&]() {
    for (int j = 0; j < 5; j++)
      if (S[j] != keep[j]) return false;
    return true;
  };

  // Wall whose free region ends before the molecule fits: divisor <= 0.
  Medium wall;
  wall.stepOut = 0.0;
  std::memcpy(S, keep, sizeof S);
  EXPECT_EQ(runModel(wall, ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S, &err), 1);
  EXPECT_NE(err.find("stericAlignment: medium too dense for the molecule"), std::string::npos)
      << err;
  EXPECT_TRUE(untouched());

  Medium rod;
  rod.lcType = 2;
  rod.R = 33.5;
  for (double wv : {0.0, -0.1}) {
    rod.wv = wv;
    std::memcpy(S, keep, sizeof S);
    EXPECT_EQ(runModel(rod, ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S, &err), 1);
    EXPECT_NE(err.find("concentration"), std::string::npos) << err;
    EXPECT_NE(err.find("must be positive"), std::string::npos) << err;
    EXPECT_TRUE(untouched());
  }
  // Concentration so high that the rods touch: no shell of positions.
  rod.wv = 2.0;
  std::memcpy(S, keep, sizeof S);
  EXPECT_EQ(runModel(rod, ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S, &err), 1);
  EXPECT_NE(err.find("medium too dense for the molecule"), std::string::npos) << err;
  EXPECT_TRUE(untouched());

  Medium bad;
  bad.gs = 0.0;
  EXPECT_EQ(runModel(bad, ubq, 30.0, 0.0, 2, s.n, s.dots, S, &err), 1);
  EXPECT_NE(err.find("grid spacing 0 must be a positive number"), std::string::npos) << err;
  Medium ok;
  EXPECT_EQ(runModel(ok, ubq, 30.0, 0.0, 0, s.n, s.dots, S, &err), 1);
  EXPECT_NE(err.find("no usable orientation sampling (12 dots, 0 turns)"), std::string::npos);
  EXPECT_EQ(runModel(ok, ubq, 10.0, 30.0, 2, s.n, s.dots, S, &err), 1);
  EXPECT_NE(err.find("not a valid range"), std::string::npos) << err;
  EXPECT_TRUE(untouched());
}

TEST_F(Steric, OtherMediumTypesGiveZerosWithoutSampling) {
  const TestCoords ubq = ubiquitin();
  Sampling s(12);
  Medium md;
  md.lcType = 4;
  double S[5] = {1, 2, 3, 4, 5};
  std::string err;
  EXPECT_EQ(runModel(md, ubq, 30.0, 0.0, 2, s.n, s.dots, S, &err), 0);
  for (double v : S) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(err, "");
}

TEST_F(Steric, AllocationFailuresAreReportedAndBooksBalance) {
  const TestCoords ubq = ubiquitin();
  Sampling s(12);
  Medium md;
  double S[5];
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(runModel(md, ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  // Requests in order: xJ, yJ (603 floats), positions bounds (5001 floats),
  // distances (5000 floats), counts (5000 doubles); a failed request stays
  // counted, as the allocator's books always do.
  const long long sizes[5] = {603 * 4, 603 * 4, 5001 * 4, 5000 * 4, 5000 * 8};
  for (int k = 1; k <= 5; k++) {
    const double keep[5] = {9, 9, 9, 9, 9};
    std::memcpy(S, keep, sizeof S);
    const long long start = korim::foundation::memoryBytesUsed();
    korim::foundation::memoryFailAt(k);
    std::string err;
    EXPECT_EQ(runModel(md, ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S, &err), 1) << k;
    EXPECT_NE(err.find("Error allocating coord buffers.\n"), std::string::npos) << err;
    EXPECT_EQ(korim::foundation::memoryBytesUsed() - start, sizes[k - 1]) << k;
    for (int j = 0; j < 5; j++) EXPECT_EQ(S[j], 9.0);
  }
}
