// Steric obstruction model: bit-for-bit agreement with the plain scan whatever the thread count,
// agreement with a twin written from the geometry, physics of rods, discs and spheres, rotation
// covariance, messages and refused inputs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"
#include "tests/support/rotation.h"
#include "tests/support/simulation.h"

using namespace korim::simulation;
using korim_test::Dots;
using korim_test::PdbAtoms;

namespace {

struct Medium {
  int lcType = 1;
  double stepOut = 100.0, R = 20.0, radius = 0.0, gs = 0.2, wv = 0.05;
};

// OMP_NUM_THREADS set for the lifetime of the object.
struct Threads {
  explicit Threads(int n) { setenv("OMP_NUM_THREADS", std::to_string(n).c_str(), 1); }
  ~Threads() { unsetenv("OMP_NUM_THREADS"); }
};

// Twin of the model written from its geometry, in double precision. Orientation (dot d, turn
// k): the director is the dot, the rotation is Rz(phi) Ry(theta) Rz(psi) with psi = 2 pi k /
// turns; its first row U is the wall normal (or the direction to the rod's axis), its second
// row V the other direction across the rod. Positions g run from minL + R in steps of gs up to
// maxL + R (the wall model) or up to the cell radius D = R / sqrt(wv / 1.46) of the rod model.
// A molecule at g touches the wall when some atom lies within radius of it (g + U.r - R <=
// radius), the rod when some atom lies within R + radius of its axis. Each allowed state adds
// its order values less their isotropic mean. The wall model divides by the positions of the
// free region (the allowed states per orientation plus the free positions from the last
// sampled one to stepOut); the rod model weighs a position by its ring, g / R, and divides by
// the rings from the rod surface to D.
void stericTwin(const Medium& md, const PdbAtoms& c, double maxL, double minL, int turns, const Dots& s,
                double* saupe) {
  struct State {
    double s[5];
    std::vector<double> u, v;
  };
  std::vector<State> states;
  double mean[5] = {0, 0, 0, 0, 0};
  for (int d = 0; d < s.n; d++)
    for (int k = 0; k < turns; k++) {
      const double* D = s.dots + 3 * d;
      const double phi = std::atan2(D[1], D[0]), theta = std::acos(std::fmax(-1.0, std::fmin(1.0, D[2])));
      const double psi = 2 * M_PI * k / turns;
      const double cf = std::cos(phi), sf = std::sin(phi), ct = std::cos(theta), st = std::sin(theta),
                   cp = std::cos(psi), sp = std::sin(psi);
      const double U[3] = {cf * ct * cp - sf * sp, sf * ct * cp + cf * sp, -st * cp};
      const double V[3] = {-cf * ct * sp - sf * cp, -sf * ct * sp + cf * cp, st * sp};
      State o;
      korim_test::orderValues(D, o.s);
      for (int a = 1; a <= c.n(); a++) {
        o.u.push_back(U[0] * c.x[a] + U[1] * c.y[a] + U[2] * c.z[a]);
        o.v.push_back(V[0] * c.x[a] + V[1] * c.y[a] + V[2] * c.z[a]);
      }
      for (int j = 0; j < 5; j++) mean[j] += o.s[j];
      states.push_back(o);
    }
  const double N = static_cast<double>(states.size());
  for (double& m : mean) m /= N;
  const bool wall = md.lcType == 1;
  const double D = md.R / std::sqrt(md.wv / 1.46);
  const double last = wall ? maxL + md.R : D;
  double sum[5] = {0, 0, 0, 0, 0}, allowed = 0, g = minL + md.R;
  for (; g <= last + 1e-9; g += md.gs)
    for (const State& o : states) {
      bool free = true;
      for (size_t a = 0; a < o.u.size() && free; a++)
        free = wall ? g + o.u[a] - md.R > md.radius : std::hypot(g + o.u[a], o.v[a]) > md.R + md.radius;
      if (!free) continue;
      for (int j = 0; j < 5; j++) sum[j] += (o.s[j] - mean[j]) * (wall ? 1.0 : g / md.R);
      allowed += 1;
    }
  double divisor = 0;
  if (wall) {
    divisor = allowed / N + (md.stepOut - (g - md.gs)) / md.gs;
  } else {
    for (double r = md.R + md.gs; r <= D; r += md.gs) divisor += r / md.R;
  }
  for (int j = 0; j < 5; j++) saupe[j] = sum[j] / (N * divisor);
}

// The plain scan: the model's sums, normalisation and divisor, with every
// atom tested at every position of every orientation.
void plainScan(const Medium& md, const PdbAtoms& m, double maxL, double minL, int digPsi, int nDots,
               const double* dots, double saupe[5]) {
  const int n = m.n(), N = nDots * digPsi;
  std::vector<float> grid(kSsiaMaxPositions);
  const int L = clashRegion(grid.data(), minL, maxL, md.R, md.gs);
  const double bound = md.R + md.radius;
  int last = L;
  long long nStep = 0, cylDivisor = 0;
  if (md.lcType == 1) {
    nStep = truncToLL((md.stepOut - grid[L]) / md.gs);
  } else {
    const double D = md.R / std::sqrt(md.wv / kRodDensity);
    const double nd = static_cast<double>(truncToLL((D - md.R) / md.gs));
    cylDivisor = truncToLL(nd + 0.5 * nd * (nd + 1.0) * (md.gs / md.R));
    last = extendPositions(grid.data(), L, md.gs, D - md.R);
  }
  std::vector<double> dis(5 * (last + 1), 0.0), total(last + 1, 0.0);
  std::vector<float> xJ(n + 1), yJ(n + 1);
  forEachOrientation(dots, nDots, digPsi, 360.0 / digPsi, [&](const SampledOrientation& o) {
    projectOnAxis(n, m.x.data(), m.y.data(), m.z.data(), o.u, xJ.data());
    projectOnAxis(n, m.x.data(), m.y.data(), m.z.data(), o.v, yJ.data());
    for (int i = 0; i <= last; i++) {
      bool ok = true;
      for (int a = 1; a <= n && ok && i <= L; a++) {
        if (md.lcType == 1) {
          ok = xJ[a] > static_cast<float>(md.radius - (grid[i] - md.R));
        } else if (std::isfinite(xJ[a]) && std::isfinite(yJ[a])) {
          const long double t = static_cast<long double>(xJ[a]) + grid[i], yy = yJ[a];
          ok = !(std::sqrt(t * t + yy * yy) <= bound);
        }
      }
      if (!ok || (md.lcType == 1 && i > L)) continue;
      for (int j = 0; j < 5; j++) dis[5 * i + j] += o.s[j];
      total[i] += 1.0;
    }
  });
  double mean[5];
  samplingMeans(dots, nDots, digPsi, mean);
  if (md.lcType == 1) last = L;
  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++)
      dis[5 * i + j] = total[i] <= 0.0 ? 0.0 : dis[5 * i + j] / total[i] - mean[j];
  double S[5] = {0, 0, 0, 0, 0};
  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++) {
      double term = (total[i] / N) * dis[5 * i + j];
      if (md.lcType == 2) term = term * grid[i] / md.R;
      S[j] += term;
    }
  double divisor = static_cast<double>(cylDivisor);
  if (md.lcType == 1) {
    long long t = 0;
    for (int i = 0; i <= L; i++) t += static_cast<long long>(total[i]);
    divisor = static_cast<double>(t) / N + static_cast<double>(nStep);
  }
  for (int j = 0; j < 5; j++) saupe[j] = S[j] / divisor;
}

// Atoms spread uniformly in a ball, one coordinate NaN if asked.
PdbAtoms moleculeOf(int n, double spread, bool withNaN, std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  PdbAtoms m;
  while (m.n() < n) {
    const double p[3] = {u(gen), u(gen), u(gen)};
    if (p[0] * p[0] + p[1] * p[1] + p[2] * p[2] <= 1.0) m.add(p[0] * spread, p[1] * spread, p[2] * spread);
  }
  if (withNaN) m.y[n / 2] = NAN;
  return m;
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

Medium medium(int lc) { return {lc, 100.0, lc == 1 ? 20.0 : 33.5}; }

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

// A walk that keeps the angles of its dot and turns samples every orientation
// bit for bit as the direct computation does (turns in double and in single
// precision, a walk that changes its turns, the dots met out of order).
TEST(SampledOrientation, KeptAnglesGiveTheDirectValues) {
  int n = 0;
  ASSERT_EQ(make_unsp(42, 10, &n, 0), 0);
  const std::vector<double> dots(unspCurrentDots(&n), unspCurrentDots(&n) + 3 * n);
  auto same = [](const SampledOrientation& a, const SampledOrientation& b) {
    for (int k = 0; k < 4; k++)
      if (a.xa[k] != b.xa[k] || a.ya[k] != b.ya[k] || a.za[k] != b.za[k] || a.u[k] != b.u[k] ||
          a.v[k] != b.v[k] || a.w[k] != b.w[k])
        return false;
    for (int k = 0; k < 5; k++)
      if (!(a.s[k] == b.s[k]) && !(std::isnan(a.s[k]) && std::isnan(b.s[k]))) return false;
    return true;
  };
  DotAngles seen;
  SampledOrientation kept, direct;
  for (int digPsi : {18, 7, 36}) {
    const int N = n * digPsi;
    for (int step : {1, 5}) {
      for (int k = 0; k < N; k += step) {
        const int index = step == 1 ? k : N - 1 - k;
        sampleOrientation(dots.data(), digPsi, 360.0 / digPsi, index, kept, &seen);
        sampleOrientation(dots.data(), digPsi, 360.0 / digPsi, index, direct);
        ASSERT_TRUE(same(kept, direct)) << "digPsi " << digPsi << " index " << index;
        sampleOrientation(dots.data(), digPsi, 360.0f / digPsi, index, kept, &seen);
        sampleOrientation(dots.data(), digPsi, 360.0f / digPsi, index, direct);
        ASSERT_TRUE(same(kept, direct)) << "single precision, digPsi " << digPsi << " index " << index;
      }
    }
  }
}

// The scan equals, bit for bit and whatever the number of threads, the plain scan (every
// orientation in turn, every atom tested at every position, each sum taken in orientation
// order), and the twin written from the geometry to 1 % of the largest element.
TEST_F(Steric, ScanAgreesWithThePlainScanAndTheTwin) {
  const PdbAtoms ubq = ubiquitin();
  ASSERT_EQ(ubq.n(), 602);
  PdbAtoms odd;  // duplicates, an atom at the origin, atoms far out
  for (const auto& p : {std::array<double, 3>{0, 0, 0}, {0, 0, 0}, {3.3, -1.25, 0.5}, {-7.5, 2.0, 9.0},
                        {-7.5, 2.0, 9.0}, {12.0, 0.0, -0.3}})
    odd.add(p[0], p[1], p[2]);
  PdbAtoms beads;  // a thin rod fits between them: three and more allowed runs
  for (double zz = -20.0; zz <= 20.0; zz += 10.0) beads.add(0.3 * zz, 0.1 * zz, zz);
  std::mt19937 gen(3);
  const PdbAtoms ball = moleculeOf(80, 30.0, false, gen), withNaN = moleculeOf(40, 12.0, true, gen);
  Dots s(32);
  ASSERT_GT(s.n * 600, 16384);  // 600 turns: the orientations of two blocks of the scan
  const struct {
    Medium md;
    const PdbAtoms* mol;
    int turns = 6;
  } cases[] = {
      {{1, 60.0, 20.0, 0.0, 0.2, 0.05}, &ubq}, {{1, 80.0, 20.0, 1.5, 0.37, 0.05}, &ubq},
      {{2, 0.0, 33.5, 0.0, 0.2, 0.05}, &ubq},  {{2, 0.0, 33.5, 2.0, 1.0, 0.3}, &ubq},
      {{1, 40.0, 5.0, 0.5, 0.25, 0.05}, &odd}, {{2, 0.0, 10.0, 0.7, 0.3, 0.02}, &odd},
      // Rods thinner than the molecule: atoms pass through them and block runs of positions
      // that start inside the row.
      {{2, 0.0, 4.0, 0.5, 0.3, 0.01}, &ubq},   {{2, 0.0, 10.0, 1.0, 0.5, 0.05}, &ball},
      // A NaN coordinate (the twin would let it block everything): the plain scan only.
      {{1, 60.0, 20.0, 1.0, 0.5, 0.05}, &withNaN}, {{2, 0.0, 10.0, 1.0, 0.5, 0.05}, &withNaN},
      {{2, 0.0, 1.0, 0.5, 0.3, 0.002}, &beads},
      {{1, 40.0, 5.0, 0.5, 0.25, 0.05}, &odd, 600}, {{2, 0.0, 1.0, 0.5, 0.3, 0.002}, &beads, 600},
  };
  for (const auto& k : cases) {
    const double maxL = k.mol->maxRadius() + k.md.radius;
    double plain[5], twin[5], scale = 0;
    plainScan(k.md, *k.mol, maxL, k.md.radius, k.turns, s.n, s.dots, plain);
    for (int threads : {1, 3, 8}) {
      Threads t(threads);
      double got[5];
      ASSERT_EQ(runModel(k.md, *k.mol, maxL, k.md.radius, k.turns, s.n, s.dots, got), 0);
      for (int j = 0; j < 5; j++)
        EXPECT_EQ(got[j], plain[j]) << "lcType " << k.md.lcType << " R " << k.md.R << " threads " << threads << " element " << j;
    }
    if (k.mol == &withNaN) continue;
    stericTwin(k.md, *k.mol, maxL, k.md.radius, k.turns, s, twin);
    for (double v : twin) scale = std::fmax(scale, std::fabs(v));
    // Single-precision coordinates and whole position counts: 1 % of the largest element.
    for (int j = 0; j < 5; j++)
      EXPECT_NEAR(plain[j], twin[j], 0.01 * scale) << "lcType " << k.md.lcType << " gs " << k.md.gs << " element " << j;
  }
}

TEST_F(Steric, ThinRodAtAWallMatchesTheExcludedOrientationSum) {
  // A rod of half-length a with its centre at height h above the wall is allowed for
  // |cos(rod, normal)| < h / a: a fraction u = h / a of all orientations, whose order along an
  // in-plane director is (1 - u^2) / 4 above the isotropic mean. Summed over the sampled
  // heights and divided by the count of positions up to the step-out distance.
  const double a = 10.0;
  const Medium md;  // wall, R 20, step out 100, spacing 0.2
  Dots s(700);
  double S[5], sum = 0, weights = 0;
  ASSERT_EQ(runModel(md, rodAlongZ(a), a, 0.0, 36, s.n, s.dots, S), 0);
  for (int i = 0; i <= static_cast<int>(a / md.gs); i++) {
    const double u = std::min(1.0, i * md.gs / a);
    sum += u * (1 - u * u) / 4;
    weights += u;
  }
  const double expected = sum / (weights + (md.stepOut - (a + md.R)) / md.gs);
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
  Dots s(100);
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
  // An asymmetric body: 80 points of a sheared cloud about 12 x 6 x 3 A.
  PdbAtoms body, turned;
  for (int i = 0; i < 80; i++) body.add(12 * std::sin(0.7 * i), 6 * std::sin(1.3 * i) + 2 * std::sin(0.7 * i), 3 * std::cos(2.1 * i));
  body.centre();
  const korim_test::Mat3 Q = korim_test::rotZYZ(51.6, 22.9, -74.5);
  for (int i = 1; i <= body.n(); i++) {
    const double p[3] = {body.x[i], body.y[i], body.z[i]};
    double q[3];
    korim_test::apply(Q, p, q);
    turned.add(q[0], q[1], q[2]);
  }
  Dots s(700);
  for (int lc = 1; lc <= 2; lc++) {
    double s0[5], s1[5], scale = 0;
    korim_test::Mat3 A, B;
    ASSERT_EQ(runModel(medium(lc), body, body.maxRadius(), 0.0, 36, s.n, s.dots, s0), 0);
    ASSERT_EQ(runModel(medium(lc), turned, turned.maxRadius(), 0.0, 36, s.n, s.dots, s1), 0);
    korim_test::orderMatrix(s0, A.m);
    korim_test::orderMatrix(s1, B.m);
    for (const auto& row : A.m)
      for (double v : row) scale = std::max(scale, std::fabs(v));
    // B = Q A Q^T within the sampling error.
    const korim_test::Mat3 e = korim_test::mul(Q, korim_test::mul(A, korim_test::transpose(Q)));
    EXPECT_LT(korim_test::maxDiff(B, e), 0.04 * scale) << lc;
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
  double S[5];
  std::string err, expected;
  ASSERT_EQ(runModel(Medium(), c, 1.2, 0.0, 1, 12, dots.data(), S, &err), 0);
  for (int r = 1; r <= 12; r++) expected += "REMARK Orientation " + std::to_string(r) + " of 12\r";
  EXPECT_EQ(err, expected + "\n");
  // Orientations filling two blocks of the scan: every line once and in order, wall and rod.
  Dots many(32);
  const int N = 600 * many.n;
  ASSERT_GT(N, 16384);
  expected.clear();
  for (int r = 1; r <= N; r++) expected += "REMARK Orientation " + std::to_string(r) + " of " + std::to_string(N) + "\r";
  for (int lc : {1, 2}) {
    ASSERT_EQ(runModel(medium(lc), c, 1.2, 0.0, 600, many.n, many.dots, S, &err), 0);
    EXPECT_TRUE(err == expected + "\n") << "lcType " << lc << ": " << err.size() << " bytes";
  }
  // (6 - 0) / 0.001 = 6000 positions asked for, 5000 sampled, one warning.
  Medium md;
  md.gs = 0.001;
  ASSERT_EQ(runModel(md, c, 6.0, 0.0, 2, 12, dots.data(), S, &err), 0);
  const std::string w = "WARNING: concentration too low - magnitude of alignment tensor incorrect\n";
  ASSERT_EQ(err.rfind(w, 0), 0u) << err.substr(0, 100);
  EXPECT_EQ(err.find(w, w.size()), std::string::npos);
}

TEST_F(Steric, MoleculeFarFromTheWallAndOtherMediaGiveZeros) {
  const PdbAtoms ubq = ubiquitin();
  Dots s(100);
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
  Dots s(12);
  const double R = ubq.maxRadius();
  const struct {
    Medium md;
    double maxL, minL;
    int turns;
    const char* message;
  } cases[] = {
      // The free region ends before the molecule fits: no count of free positions, the cause named.
      {{1, 0.0}, R, 0.0, 2, "stericAlignment: the molecule does not fit between the walls: "},
      // Without its atom radius the molecule fits the cell: the radius is named; else -wv.
      {{1, 100.0, 20.0, 1000.0}, R + 1000.0, 1000.0, 2, "stericAlignment: -rA 1000 adds that radius"},
      {{1, 30.0, 20.0, 1000.0}, R + 1000.0, 1000.0, 2, "a lower one stands the walls further apart (as long as"},
      {{2, 100.0, 33.5, 0.0, 0.2, 0.0}, R, 0.0, 2, "concentration 0 of the rod medium must be positive"},
      {{2, 100.0, 33.5, 0.0, 0.2, -0.1}, R, 0.0, 2, "must be positive"},
      // Rods closer than the molecule: the cause named as for the wall; rods that overlap are
      // named so, with no negative spacing.
      {{2, 100.0, 33.5, 0.0, 0.2, 2.0}, R, 0.0, 2, "the molecule does not fit between the rods: "},
      {{2, 100.0, 33.5, 1000.0, 0.2, 0.05}, R + 1000.0, 1000.0, 2, "stericAlignment: -rA 1000 adds that radius"},
      {{2, 100.0, 33.5, -1000.0, 0.2, 2.0}, R - 1000.0, -1000.0, 2, "the rods of radius 33.5 Angstrom overlap"},
      // A point molecule in a cell of 33.6 A around a rod of 33.5 A: no shell of 0.2 A fits.
      {{2, 100.0, 33.5, 0.0, 0.2, 1.4513}, 0.0, 0.0, 2, "rod spacing 0.1"},
      {{1, 100.0, 20.0, 0.0, 0.0}, 30.0, 0.0, 2, "grid spacing 0 must be a positive number"},
      {{}, 30.0, 0.0, 0, "no usable orientation sampling (12 dots, 0 turns)"},
      {{}, 10.0, 30.0, 2, "not a valid range"},
  };
  for (const auto& k : cases) {
    double S[5] = {7, 7, 7, 7, 7};
    std::string err;
    EXPECT_EQ(runModel(k.md, ubq, k.maxL, k.minL, k.turns, s.n, s.dots, S, &err), 1) << k.message;
    EXPECT_NE(err.find(k.message), std::string::npos) << err;
    for (double v : S) EXPECT_EQ(v, 7.0) << k.message;
  }
}
