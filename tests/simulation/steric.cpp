// Steric obstruction model: bit-for-bit agreement with the straightforward
// scan, physics of rods, discs and spheres, rotation covariance, messages
// and refused inputs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/constants.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_math.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"

using namespace korim::simulation;
using korim_test::PdbAtoms;

namespace {

struct Medium {
  int lcType = 1;
  double stepOut = 100.0, R = 20.0, radius = 0.0, gs = 0.2, wv = 0.05;
};

// Reference: the model scanned position by position and atom by atom.
void referenceSteric(const Medium& md, const PdbAtoms& c, double maxL, double minL, int turns,
                     int nDots, const double* dots, double* saupe) {
  const int n = c.n(), N = turns * nDots;
  auto p2 = [](double a) { return 0.5 * (3.0 * a * a - 1.0); };
  struct Frame {
    double v[5];
    std::vector<float> u, w;
  };
  std::vector<Frame> frames;
  double mean[6] = {0, 0, 0, 0, 0, 0};  // P2 of x and y summed apart, then differenced
  for (int d = 0; d < nDots; d++)
    for (int k = 0; k < turns; k++) {
      const double dx = dots[3 * d], dy = dots[3 * d + 1], dz = dots[3 * d + 2];
      const double phi = std::atan2(dy, dx);
      const double theta =
          korim::foundation::kHalfPi8 - std::atan2(dz, std::sqrt(dx * dx + dy * dy));
      const double psi = k * (360.0 / turns) * korim::foundation::kPi8 / 180.0 + 0.0;
      double xa[4], ya[4], za[4], U[4], V[4], W[4];
      rotate_coorsystem(theta, phi, psi, xa, ya, za);
      Frame f{{p2(za[3]), p2(xa[3]) - p2(ya[3]), 1.5 * xa[3] * ya[3], 1.5 * xa[3] * za[3],
               1.5 * ya[3] * za[3]}, std::vector<float>(n + 1), std::vector<float>(n + 1)};
      const double sums[6] = {f.v[0], p2(xa[3]), f.v[2], f.v[3], f.v[4], p2(ya[3])};
      for (int j = 0; j < 6; j++) mean[j] += sums[j];
      rotate_coorsystem(-theta, -psi, -phi, U, V, W);
      for (int a = 1; a <= n; a++) {
        float s = 0.0f, t = 0.0f;
        s = static_cast<float>(s + c.x[a] * U[1]);
        s = static_cast<float>(s + c.y[a] * U[2]);
        f.u[a] = static_cast<float>(s + c.z[a] * U[3]);
        t = static_cast<float>(t + c.x[a] * V[1]);
        t = static_cast<float>(t + c.y[a] * V[2]);
        f.w[a] = static_cast<float>(t + c.z[a] * V[3]);
      }
      frames.push_back(f);
    }
  mean[1] -= mean[5];
  for (double& m : mean) m /= N;
  const int L = std::min(4999, static_cast<int>((maxL - minL) / md.gs));
  std::vector<float> g(5000, 0.0f);
  for (int i = 0; i <= L; i++) g[i] = static_cast<float>(i * md.gs + static_cast<float>(minL + md.R));
  std::vector<std::array<double, 5>> rows(5000);
  std::vector<double> total(5000, 0.0);
  int last = L;
  double m = 0;
  if (md.lcType == 1) {
    long long t = 0;
    for (int i = 0; i <= L; i++) {
      const float bound = static_cast<float>(md.radius - (g[i] - md.R));
      for (const Frame& f : frames) {
        bool ok = true;
        for (int a = 1; a <= n && ok; a++) ok = f.u[a] > bound;
        if (!ok) continue;
        for (int j = 0; j < 5; j++) rows[i][j] += f.v[j];
        total[i] += 1;
      }
      t += static_cast<long long>(total[i]);
    }
    m = static_cast<double>(t) / N + static_cast<long long>((md.stepOut - g[L]) / md.gs);
  } else {
    const double D = md.R / std::sqrt(md.wv / 1.46);
    const long long nn = static_cast<long long>((D - md.R) / md.gs);
    m = static_cast<long long>(nn + 0.5 * nn * (nn + 1) * (md.gs / md.R));
    for (int k = 1; g[L] <= D - md.R && L + k <= 4999; k++) {
      g[L + k] = static_cast<float>(g[L] + k * md.gs);
      last = L + k;
      if (g[L + k] > D - md.R) break;
    }
    for (const Frame& f : frames)
      for (int i = 0; i <= last; i++) {
        int w = 1;
        for (int a = 1; i <= L && a <= n && w; a++) {
          const long double t = static_cast<long double>(f.u[a]) + g[i], yy = f.w[a];
          if (std::sqrt(t * t + yy * yy) <= md.R + md.radius) w = 0;
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
      if (md.lcType == 2) term = term * g[i] / md.R;
      S += term;
    }
    saupe[j] = S / static_cast<double>(m);
  }
}

int runModel(const Medium& md, const PdbAtoms& c, double maxL, double minL, int turns, int nDots,
             const double* dots, double* saupe, std::string* err = nullptr) {
  int status = -1;
  const std::string e = korim_test::captureStderr([&] {
    status = stericAlignment(nullptr, 0.0, md.lcType, md.stepOut, md.R, md.radius, md.gs, md.wv, 3.0, c.n(),
                             c.x.data(), c.y.data(), c.z.data(), maxL, minL, turns, nDots, dots, saupe);
  });
  if (err) *err = e;
  return status;
}

struct Sampling {
  double* dots = nullptr;
  int n = 0;
  explicit Sampling(int density) { do_unsp(density, &dots, &n); }
};

Medium medium(int lc) {
  Medium md;
  md.lcType = lc;
  md.R = lc == 1 ? 20.0 : 33.5;
  return md;
}

PdbAtoms ubiquitin() {
  PdbAtoms c = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb);
  c.centre();
  return c;
}

PdbAtoms rodAlongZ(double half) {
  PdbAtoms c;
  for (double zz = -half; zz <= half + 1e-9; zz += 1.0) c.add(0, 0, zz);
  return c;
}

class Steric : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    korim::foundation::memoryReset();
  }
};

}  // namespace

TEST_F(Steric, FastScanEqualsStraightforwardScanBitForBit) {
  const PdbAtoms ubq = ubiquitin();
  ASSERT_EQ(ubq.n(), 602);
  PdbAtoms odd;  // duplicates, an atom at the origin, atoms far out
  for (const auto& p : {std::array<double, 3>{0, 0, 0}, {0, 0, 0}, {3.3, -1.25, 0.5}, {-7.5, 2.0, 9.0},
                        {-7.5, 2.0, 9.0}, {12.0, 0.0, -0.3}})
    odd.add(p[0], p[1], p[2]);
  Sampling s(32);
  ASSERT_EQ(s.n, 32);
  const struct {
    Medium md;
    const PdbAtoms* mol;
  } cases[] = {
      {{1, 60.0, 20.0, 0.0, 0.2, 0.05}, &ubq},  {{1, 80.0, 20.0, 1.5, 0.37, 0.05}, &ubq},
      {{2, 0.0, 33.5, 0.0, 0.2, 0.05}, &ubq},   {{2, 0.0, 33.5, 1.0, 0.5, 1.0}, &ubq},
      {{2, 0.0, 33.5, 2.0, 1.0, 0.3}, &ubq},    {{1, 40.0, 5.0, 0.5, 0.25, 0.05}, &odd},
      {{2, 0.0, 10.0, 0.7, 0.3, 0.02}, &odd},   {{2, 0.0, 33.5, 0.0, 0.2, 1.2}, &odd},
      // Rods thinner than the molecule: atoms pass through them and block
      // runs of positions that start inside the row.
      {{2, 0.0, 4.0, 0.5, 0.3, 0.01}, &ubq},    {{2, 0.0, 2.0, 0.0, 0.45, 0.2}, &odd},
  };
  for (const auto& k : cases) {
    const double maxL = k.mol->maxRadius() + k.md.radius;
    double fast[5], ref[5];
    ASSERT_EQ(runModel(k.md, *k.mol, maxL, k.md.radius, 6, s.n, s.dots, fast), 0);
    referenceSteric(k.md, *k.mol, maxL, k.md.radius, 6, s.n, s.dots, ref);
    for (int j = 0; j < 5; j++) {
      EXPECT_TRUE(std::isfinite(fast[j]));
      EXPECT_EQ(std::memcmp(&fast[j], &ref[j], sizeof(double)), 0)
          << "lcType " << k.md.lcType << " gs " << k.md.gs << " element " << j << ": " << fast[j] << " vs "
          << ref[j];
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
  const Medium md;  // wall, R 20, step out 100, spacing 0.2
  Sampling s(700);
  double S[5];
  ASSERT_EQ(runModel(md, rodAlongZ(a), a, 0.0, 36, s.n, s.dots, S), 0);
  double sum = 0, weights = 0;
  for (int i = 0; i <= static_cast<int>(a / md.gs); i++) {
    const double u = std::min(1.0, i * md.gs / a);
    sum += u * (1 - u * u) / 4;
    weights += u;
  }
  const double expected =
      sum / (static_cast<long long>(weights) + static_cast<long long>((md.stepOut - (a + md.R)) / md.gs));
  EXPECT_NEAR(S[0], expected, 0.015 * expected);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(S[j]), 1e-6 * S[0]) << j;
}

TEST_F(Steric, RodsAndDiscsAlignOppositelyAndSymmetricBodiesNotAtAll) {
  const PdbAtoms rod = rodAlongZ(12.0);
  PdbAtoms disc, one, shell;
  disc.add(0, 0, 0);
  for (double r = 2; r <= 12 + 1e-9; r += 2)
    for (int k = 0; k < 24; k++) disc.add(r * std::cos(k * M_PI / 12), r * std::sin(k * M_PI / 12), 0);
  one.add(0, 0, 0);
  int n = 0;  // icosahedral shell: the 42-dot arc sphere scaled to 8 A
  ASSERT_EQ(make_unsp(42, 10, &n, 0), 0);
  const double* d = unspCurrentDots(&n);
  for (int i = 0; i < n; i++) shell.add(8 * d[3 * i], 8 * d[3 * i + 1], 8 * d[3 * i + 2]);
  Sampling s(100);
  for (int lc = 1; lc <= 2; lc++) {
    double sr[5], sd[5], s1[5], ss[5];
    ASSERT_EQ(runModel(medium(lc), rod, rod.maxRadius(), 0.0, 18, s.n, s.dots, sr), 0);
    ASSERT_EQ(runModel(medium(lc), disc, disc.maxRadius(), 0.0, 18, s.n, s.dots, sd), 0);
    ASSERT_EQ(runModel(medium(lc), one, 0.0, 0.0, 18, s.n, s.dots, s1), 0);
    ASSERT_EQ(runModel(medium(lc), shell, 8.0, 0.0, 18, s.n, s.dots, ss), 0);
    EXPECT_GT(sr[0], 0.0) << lc;
    EXPECT_LT(sd[0], 0.0) << lc;
    for (int j = 0; j < 5; j++) {
      if (j > 0) {  // axial about z: the other elements vanish next to Szz
        EXPECT_LT(std::fabs(sr[j]), 1e-6 * std::fabs(sr[0])) << lc << " " << j;
        EXPECT_LT(std::fabs(sd[j]), 0.05 * std::fabs(sd[0])) << lc << " " << j;
      }
      EXPECT_LT(std::fabs(s1[j]), 1e-12) << lc << " " << j;
      EXPECT_LT(std::fabs(ss[j]), 0.05 * std::fabs(sr[0])) << lc << " " << j;
    }
  }
}

TEST_F(Steric, RotatingTheMoleculeRotatesTheTensor) {
  // An asymmetric body: points inside an ellipsoid 12 x 6 x 3 A, sheared.
  PdbAtoms body, turned;
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
  double xa[4], ya[4], za[4];  // rotation Q with columns xa, ya, za
  rotate_coorsystem(0.9, 0.4, -1.3, xa, ya, za);
  auto Q = [&](int r, int c) { return (c == 0 ? xa : c == 1 ? ya : za)[r + 1]; };
  for (int i = 1; i <= body.n(); i++) {
    double q[3];
    for (int r = 0; r < 3; r++) q[r] = Q(r, 0) * body.x[i] + Q(r, 1) * body.y[i] + Q(r, 2) * body.z[i];
    turned.add(q[0], q[1], q[2]);
  }
  // The five elements as a traceless symmetric matrix.
  auto matrix = [](const double s[5], double m[3][3]) {
    const double mm[3][3] = {{(-s[0] + s[1]) / 2, s[2], s[3]}, {s[2], (-s[0] - s[1]) / 2, s[4]}, {s[3], s[4], s[0]}};
    std::memcpy(m, mm, sizeof mm);
  };
  Sampling s(700);
  for (int lc = 1; lc <= 2; lc++) {
    double s0[5], s1[5], A[3][3], B[3][3], scale = 0;
    ASSERT_EQ(runModel(medium(lc), body, body.maxRadius(), 0.0, 36, s.n, s.dots, s0), 0);
    ASSERT_EQ(runModel(medium(lc), turned, turned.maxRadius(), 0.0, 36, s.n, s.dots, s1), 0);
    matrix(s0, A);
    matrix(s1, B);
    for (const auto& row : A)
      for (double v : row) scale = std::max(scale, std::fabs(v));
    // B = Q A Q^T within the sampling error.
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) {
        double e = 0;
        for (int k = 0; k < 3; k++)
          for (int l = 0; l < 3; l++) e += Q(i, k) * A[k][l] * Q(j, l);
        EXPECT_NEAR(B[i][j], e, 0.04 * scale) << lc << " " << i << j;
      }
  }
}

TEST_F(Steric, ProgressLinesAndTheCappedPositionWarning) {
  int n = 0;
  ASSERT_EQ(make_unsp(12, 10, &n, 0), 0);
  const double* d = unspCurrentDots(&n);
  const std::vector<double> dots(d, d + 3 * n);
  PdbAtoms c;
  c.add(1, 0, 0);
  c.add(-1, 0.5, 0);
  double S[5], ref[5];
  std::string err;
  ASSERT_EQ(runModel(Medium(), c, 1.2, 0.0, 1, 12, dots.data(), S, &err), 0);
  std::string expected;
  for (int r = 1; r <= 12; r++) expected += "REMARK Orientation " + std::to_string(r) + " of 12\r";
  EXPECT_EQ(err, expected + "\n");
  // (6 - 0) / 0.001 = 6000 positions asked for, 5000 sampled, one warning.
  Medium md;
  md.gs = 0.001;
  ASSERT_EQ(runModel(md, c, 6.0, 0.0, 2, 12, dots.data(), S, &err), 0);
  const std::string w = "WARNING: concentration too low - magnitude of alignment tensor incorrect\n";
  ASSERT_EQ(err.rfind(w, 0), 0u) << err.substr(0, 100);
  EXPECT_EQ(err.find(w, w.size()), std::string::npos);
  referenceSteric(md, c, 6.0, 0.0, 2, 12, dots.data(), ref);
  for (int j = 0; j < 5; j++) EXPECT_EQ(S[j], ref[j]);
}

TEST_F(Steric, MoleculeFarFromTheWallAndOtherMediaGiveZeros) {
  const PdbAtoms ubq = ubiquitin();
  Sampling s(100);
  Medium md;
  md.stepOut = 400;
  double S[5] = {1, 2, 3, 4, 5};
  // Positions start 60 A out: no atom (within 35 A of the centre) reaches the wall.
  ASSERT_EQ(runModel(md, ubq, 70.0, 60.0, 18, s.n, s.dots, S), 0);
  EXPECT_EQ(S[0], 0.0);
  for (int j = 1; j < 5; j++) EXPECT_LT(std::fabs(S[j]), 1e-14);
  md.lcType = 4;
  std::string err;
  for (int j = 0; j < 5; j++) S[j] = j + 1;
  EXPECT_EQ(runModel(md, ubq, 30.0, 0.0, 2, s.n, s.dots, S, &err), 0);
  for (double v : S) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(err, "");
}

TEST_F(Steric, DenseMediaAndBadParametersAreRefused) {
  const PdbAtoms ubq = ubiquitin();
  Sampling s(12);
  const double R = ubq.maxRadius();
  Medium wall, rod0 = medium(2), rodNeg = medium(2), rodDense = medium(2), flat, ok;
  wall.stepOut = 0.0;  // the free region ends before the molecule fits: divisor <= 0
  rod0.wv = 0.0;
  rodNeg.wv = -0.1;
  rodDense.wv = 2.0;  // rods touch: no shell of positions
  flat.gs = 0.0;
  const struct {
    Medium md;
    double maxL, minL;
    int turns;
    const char* message;
  } cases[] = {
      {wall, R, 0.0, 2, "stericAlignment: medium too dense for the molecule"},
      {rod0, R, 0.0, 2, "concentration 0 of the rod medium must be positive"},
      {rodNeg, R, 0.0, 2, "must be positive"},
      {rodDense, R, 0.0, 2, "medium too dense for the molecule"},
      {flat, 30.0, 0.0, 2, "grid spacing 0 must be a positive number"},
      {ok, 30.0, 0.0, 0, "no usable orientation sampling (12 dots, 0 turns)"},
      {ok, 10.0, 30.0, 2, "not a valid range"},
  };
  for (const auto& k : cases) {
    double S[5] = {7, 7, 7, 7, 7};
    std::string err;
    EXPECT_EQ(runModel(k.md, ubq, k.maxL, k.minL, k.turns, s.n, s.dots, S, &err), 1) << k.message;
    EXPECT_NE(err.find(k.message), std::string::npos) << err;
    for (double v : S) EXPECT_EQ(v, 7.0) << k.message;
  }
}

TEST_F(Steric, AllocationFailuresAreReportedAndBooksBalance) {
  const PdbAtoms ubq = ubiquitin();
  Sampling s(12);
  double S[5];
  const long long before = korim::foundation::memoryBytesUsed();
  ASSERT_EQ(runModel(Medium(), ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  // Requests in order: xJ, yJ (603 floats), positions bounds (5001 floats),
  // distances (5000 floats), counts (5000 doubles); a failed request stays
  // counted, as the allocator's books always do.
  const long long sizes[5] = {603 * 4, 603 * 4, 5001 * 4, 5000 * 4, 5000 * 8};
  for (int k = 1; k <= 5; k++) {
    for (double& v : S) v = 9;
    const long long start = korim::foundation::memoryBytesUsed();
    korim::foundation::memoryFailAt(k);
    std::string err;
    EXPECT_EQ(runModel(Medium(), ubq, ubq.maxRadius(), 0.0, 2, s.n, s.dots, S, &err), 1) << k;
    EXPECT_NE(err.find("Error allocating coord buffers.\n"), std::string::npos) << err;
    EXPECT_EQ(korim::foundation::memoryBytesUsed() - start, sizes[k - 1]) << k;
    for (double v : S) EXPECT_EQ(v, 9.0);
  }
}
