// Special functions and statistics tests against tabulated values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/betai.h"
#include "foundation/gamma.h"
#include "foundation/moment.h"
#include "tests/support/capture.h"

using namespace korim::foundation;

namespace {

TEST(NumSpecial, LogGammaAgainstFactorialsAndHalfInteger) {
  // Gamma(n) = (n-1)!, Gamma(0.5) = sqrt(pi), Gamma(1.5) = sqrt(pi)/2.
  double fact = 1.0;
  for (int n = 1; n <= 15; n++) {
    if (n > 1) fact *= (n - 1);
    EXPECT_NEAR(gammln(float(n)), std::log(fact), 2e-6 * std::max(1.0, std::log(fact))) << n;
  }
  EXPECT_NEAR(gammln(0.5f), 0.5 * std::log(M_PI), 1e-5);
  EXPECT_NEAR(gammln(1.5f), std::log(std::sqrt(M_PI) / 2), 1e-5);
  EXPECT_NEAR(gammln(7.3f), std::lgamma(7.3), 1e-5);
}

TEST(NumSpecial, IncompleteGammaValues) {
  gammaReset();
  EXPECT_FLOAT_EQ(gammq(1, 0), 1.0f);
  EXPECT_NEAR(gammq(1, 1), std::exp(-1.0), 1e-6);  // Q(1,x) = e^-x
  EXPECT_EQ(gammq(-1, 1), 0.0f);
  EXPECT_EQ(gammq(1, -1), 0.0f);
  // Both branches (series below a+1, continued fraction above) against closed
  // forms: Q(2,x) = (1+x) e^-x; Q(0.5,x) = erfc(sqrt x).
  for (float x : {0.3f, 1.7f, 2.9f, 4.5f, 9.0f}) {
    EXPECT_NEAR(gammq(2, x), (1 + x) * std::exp(-x), 2e-6) << x;
    EXPECT_NEAR(gammq(0.5f, x), std::erfc(std::sqrt(x)), 2e-6) << x;
  }
  // Chi-square tail: P(chi2 > 3.841 | 1 dof) = 0.05.
  EXPECT_NEAR(gammq(0.5f, 3.841459f / 2), 0.05f, 1e-5);
  // Too many terms: gammq reports 0.
  EXPECT_EQ(gammq(2000.0f, 1900.0f), 0.0f);
  // Inverse by bisection: Q(1, x) = e^-x = 0.25 -> x = ln 4; p outside (0, 1)
  // cannot be bracketed and df comes back.
  EXPECT_NEAR(igammq(0.25f, 1.0f), std::log(4.0), 2e-4);
  EXPECT_EQ(igammq(1.5f, 3.0f), 3.0f);
}

TEST(NumSpecial, StraightLineFit) {
  // Unweighted: (0,0),(1,1),(2,1),(3,3): b = 0.9, a = -0.1, chi2 = 0.7,
  // sigb = sqrt(1/5) * sqrt(0.7/2), siga = sqrt(14/20) * sqrt(0.35).
  float x[5] = {0, 0, 1, 2, 3}, y[5] = {0, 0, 1, 1, 3}, sig[5] = {0, 1, 1, 1, 1};
  float a, b, siga, sigb, chi2, q;
  fit(x, y, 4, sig, 0, &a, &b, &siga, &sigb, &chi2, &q);
  EXPECT_NEAR(a, -0.1f, 1e-6);
  EXPECT_NEAR(b, 0.9f, 1e-6);
  EXPECT_NEAR(chi2, 0.7f, 1e-6);
  EXPECT_EQ(q, 1.0f);
  EXPECT_NEAR(sigb, std::sqrt(0.2 * 0.35), 1e-6);
  EXPECT_NEAR(siga, std::sqrt(0.7 * 0.35), 1e-6);
  // Weighted with unit errors: q = Q(1, 0.35) = e^-0.35.
  fit(x, y, 4, sig, 1, &a, &b, &siga, &sigb, &chi2, &q);
  EXPECT_NEAR(b, 0.9f, 1e-6);
  EXPECT_NEAR(q, std::exp(-0.35), 1e-6);
  EXPECT_NEAR(sigb, std::sqrt(0.2), 1e-6);
}

TEST(NumSpecial, IncompleteBeta) {
  // I_x(1,1) = x; I_x(2,1) = x^2; I_x(a,b) = 1 - I_{1-x}(b,a); I_0.5(a,a) = 0.5; Student t,
  // 10 dof, t = 2.228: two-sided p = 0.05 = I_{10/(10+t^2)}(5, 0.5).
  const struct { float a, b, x; double want; } cases[] = {
      {1, 1, 0.3f, 0.3},  {2, 1, 0.6f, 0.36}, {3.5f, 2.2f, 0.4f, 1 - betai(2.2f, 3.5f, 0.6f)}, {4, 4, 0.5f, 0.5},
      {2, 3, 0, 0},       {2, 3, 1, 1},       {5, 0.5f, 10 / (10 + 2.228139f * 2.228139f), 0.05}};
  for (const auto &c : cases) EXPECT_NEAR(betai(c.a, c.b, c.x), c.want, 1e-5) << c.a << " " << c.b << " " << c.x;
  EXPECT_EQ(korim_test::captureStderr([] { betai(1, 1, 1.5f); }), "Utility Error: Bad x in routine betai\nAborting.\n");
}

TEST(NumSpecial, MomentsOfSmallSamples) {
  float d[4] = {1, 2, 3, 4}, sum, ave, adev, sdev, svar, skew, curt;
  EXPECT_EQ(moment(d, 4, &sum, &ave, &adev, &sdev, &svar, &skew, &curt), 0);
  const double got[7] = {sum, ave, adev, svar, sdev, skew, curt},
               want[7] = {10, 2.5, 1, 5.0 / 3, std::sqrt(5.0 / 3), 0, 10.25 / (4 * 25.0 / 9) - 3};  // curt about -2.08
  for (int k = 0; k < 7; k++) EXPECT_NEAR(got[k], want[k], 1e-6) << k;
  // Skewed sample (0, 0, 3): d = (-1,-1,2), svar = 3, skew = 6/(3*3*sqrt3).
  float e[3] = {0, 0, 3};
  EXPECT_EQ(moment(e, 3, &sum, &ave, &adev, &sdev, &svar, &skew, &curt), 0);
  EXPECT_NEAR(skew, 6 / (9 * std::sqrt(3.0)), 1e-6);
  float c[3] = {2, 2, 2};
  EXPECT_EQ(moment(c, 3, &sum, &ave, &adev, &sdev, &svar, &skew, &curt), 1);
  EXPECT_FLOAT_EQ(sum, 6);
  EXPECT_FLOAT_EQ(ave, 2);
  sum = 42;
  EXPECT_EQ(moment(d, 1, &sum, &ave, &adev, &sdev, &svar, &skew, &curt), 1);
  EXPECT_EQ(sum, 42.0f);  // not touched
  EXPECT_EQ(ave, 0.0f);
}

TEST(NumSpecial, PearsonCorrelation) {
  float x[7] = {0, 1, 2, 3, 4, 5, 6}, y[7] = {0, 3, 5, 7, 9, 11, 13};
  float r, prob, z;
  pearsn(x, y, 6, &r, &prob, &z);
  EXPECT_NEAR(r, 1.0f, 1e-6);
  EXPECT_TRUE(std::isfinite(z));
  EXPECT_GT(z, 5.0f);
  EXPECT_LT(prob, 1e-6f);
  // Hand example: x = 1..5, y = (2,1,4,3,5): sxy = 8, sxx = syy = 10, r = 0.8;
  // t = 0.8 sqrt(3/0.36) and prob = I_{3/(3+t^2)}(1.5, 0.5) = 0.1040 (t test, 3 dof).
  float x2[6] = {0, 1, 2, 3, 4, 5}, y2[6] = {0, 2, 1, 4, 3, 5};
  pearsn(x2, y2, 5, &r, &prob, &z);
  EXPECT_NEAR(r, 0.8f, 1e-6);
  EXPECT_NEAR(z, std::atanh(0.8), 1e-5);
  EXPECT_NEAR(prob, 0.1040, 1e-3);
}

}  // namespace
