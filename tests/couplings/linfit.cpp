// Linear tensor solve and back-calculation on synthetic bond vectors.
#include <gtest/gtest.h>

#include <random>

#include "dc_test_util.h"

using namespace korim::couplings;

namespace {
// Bonds of random direction and length 1.0 to 1.2 A at random places; d holds the couplings of
// the Saupe elements s on the single-precision vectors.
struct Vectors {
  int n;
  std::vector<float> xI, yI, zI, xJ, yJ, zJ, di, d, sig;
  Vectors(int count, const double* s, unsigned seed)
      : n(count), xI(n), yI(n), zI(n), xJ(n), yJ(n), zJ(n), di(n), d(n), sig(n, 1.0f) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> nd(0.0, 1.0);
    std::uniform_real_distribution<double> ud(-20.0, 20.0);
    for (int i = 0; i < n; ++i) {
      const double v[3] = {nd(gen), nd(gen), nd(gen)}, len = (1.0 + 0.1 * (i % 3)) / std::hypot(v[0], v[1], v[2]);
      xI[i] = float(ud(gen)), yI[i] = float(ud(gen)), zI[i] = float(ud(gen));
      xJ[i] = float(xI[i] + len * v[0]), yJ[i] = float(yI[i] + len * v[1]), zJ[i] = float(zI[i] + len * v[2]);
      double u[3] = {double(xJ[i]) - xI[i], double(yJ[i]) - yI[i], double(zJ[i]) - zI[i]};
      const double r = std::hypot(u[0], u[1], u[2]);
      for (double& c : u) c /= r;
      di[i] = (i % 2) ? -21585.2f : 44539.5f;
      d[i] = float(std::fabs(di[i]) * dctest::orderMatrixQuad(s, u));
    }
  }
  int solve(float* dv, float* saupe, float* dSaupe) {
    return findS(xI.data(), yI.data(), zI.data(), xJ.data(), yJ.data(), zJ.data(), di.data(), dv, sig.data(),
                 saupe, dSaupe, n);
  }
};
}  // namespace

TEST(FindS, TooFewVectorsLeaveZeros) {
  const double s[5] = {1e-3, 0, 0, 0, 0};
  Vectors v(4, s, 3);
  float saupe[5] = {1, 1, 1, 1, 1}, dSaupe[5] = {1, 1, 1, 1, 1};
  EXPECT_NE(v.solve(v.d.data(), saupe, dSaupe), 0);
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(saupe[k] == 0.0f && dSaupe[k] == 0.0f) << k;
}

TEST(FindD, AxialTensorAlongAndAcrossTheAxis) {
  float xI[3] = {0, 0, 1}, yI[3] = {0, 0, 1}, zI[3] = {0, 0, 1};
  float xJ[3] = {0, 1, 1}, yJ[3] = {0, 0, 1}, zJ[3] = {1, 0, 1};
  float di[3] = {-21585.0f, -21585.0f, -21585.0f};
  float d[3], sig[3];
  float saupe[5] = {1e-3f, 0, 0, 0, 0}, dSaupe[5] = {0, 0, 0, 0, 0};
  findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dSaupe, 3);
  EXPECT_NEAR(d[0], 21.585, 1e-4);
  EXPECT_NEAR(d[1], -10.7925, 1e-4);
  // coincident points: the zero vector keeps only the constant part -1/2 of the Szz term
  EXPECT_NEAR(d[2], -10.7925, 1e-4);
  EXPECT_EQ(sig[0], 0.0f);
  // errors: |DI| * sqrt(sum A_k^2 dS_k^2); along z only A_0 = 1
  float dS2[5] = {2e-5f, 1e-5f, 1e-5f, 1e-5f, 1e-5f};
  findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dS2, 1);
  EXPECT_NEAR(sig[0], 21585.0 * 2e-5, 1e-4);
}

// With Gaussian noise the fits are unbiased and the reported element errors match their scatter.
TEST(FindS, ReportedErrorsMatchTheScatterOfRepeatedFits) {
  const double s[5] = {6.0e-4, 2.0e-4, -1.0e-4, 0.5e-4, 1.2e-4};
  const double noise = 1.5;  // Hz
  const int trials = 600;
  Vectors v(30, s, 11);
  for (float& x : v.sig) x = float(noise);
  std::mt19937 gen(2024);
  std::normal_distribution<double> nd(0.0, noise);
  double sum[5] = {}, sum2[5] = {};
  float reported[5] = {};
  std::vector<float> dn(v.n);
  for (int t = 0; t < trials; ++t) {
    for (int i = 0; i < v.n; ++i) dn[i] = float(v.d[i] + nd(gen));
    float saupe[5];
    ASSERT_EQ(v.solve(dn.data(), saupe, reported), 0);
    for (int k = 0; k < 5; ++k) sum[k] += saupe[k], sum2[k] += double(saupe[k]) * saupe[k];
  }
  for (int k = 0; k < 5; ++k) {
    const double mean = sum[k] / trials, sd = std::sqrt(sum2[k] / trials - mean * mean);
    EXPECT_NEAR(mean, s[k], 4.0 * sd / std::sqrt(trials)) << k;
    EXPECT_NEAR(reported[k] / sd, 1.0, 0.12) << k;
  }
  dipolarFree();
}
