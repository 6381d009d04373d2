// Ranges, descriptive statistics, histogram, running median, thresholds and sorts; gamma and
// beta functions, line fit, moments and correlation against tabulated values; uniform and
// normal generators.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/betai.h"
#include "foundation/gamma.h"
#include "foundation/genrand.h"
#include "foundation/minmax.h"
#include "foundation/moment.h"
#include "foundation/quantile.h"
#include "foundation/rand.h"
#include "foundation/sort.h"
#include "foundation/stats.h"
#include "tests/support/capture.h"

using namespace korim::foundation;

namespace {

TEST(NumMinMax, RangesWithStrictComparisons) {
  float v[5] = {3, -1, 7, 7, 2}, n[3] = {2, std::nanf(""), 5}, lo, hi;
  EXPECT_EQ(minMax(v, 5, &lo, &hi), 0);
  EXPECT_EQ(std::pair(lo, hi), std::pair(-1.0f, 7.0f));
  minMax(n, 3, &lo, &hi);  // a not-a-number never wins a comparison
  EXPECT_EQ(std::pair(lo, hi), std::pair(2.0f, 5.0f));
  // Two vectors of 3 real + 3 imaginary points; the imaginary halves hold
  // the extremes and are ignored with quadState 2.
  float m[12] = {1, 5, 2, -100, 100, 0, 3, -2, 4, 200, -200, 0};
  EXPECT_EQ(minMaxQ(m, 3, 2, 2, &lo, &hi), 0);
  EXPECT_EQ(std::pair(lo, hi), std::pair(-2.0f, 5.0f));
}

TEST(NumStats, SummaryValuesAndBadLengths) {
  using Stat = int (*)(float *, int, float *);
  float v[8] = {2, 4, 4, 4, 5, 5, 7, 9}, w[3] = {-1, 2, -3}, one[1] = {6.5f}, r = 0;
  // (statistic, values, count, result): std-dev sqrt(32/7) with divisor n-1, RMS 2
  // with divisor n, the norm a sum of squares; AMin/AMax pick by magnitude.
  const struct { Stat f; float *vec; int n; double want; } cases[] = {
      {getStdDev, v, 8, std::sqrt(32.0 / 7)}, {getRMS, v, 8, 2}, {getAvg, v, 8, 5}, {getNorm, v, 8, 232},
      {getRange, v, 8, 7}, {getAMin, w, 3, -1}, {getAMax, w, 3, -3}, {getMin, w, 3, -3}, {getMax, w, 3, 2},
      {getStdDev, one, 1, 6.5}, {getRMS, one, 1, 6.5}, {getMax, one, 0, 6.5}};  // one value gives itself
  for (const auto &c : cases) {
    EXPECT_EQ(c.f(c.vec, c.n, &r), 0);
    EXPECT_NEAR(r, c.want, 1e-6 * std::fabs(c.want)) << &c - cases;
  }
  for (Stat f : {getAvg, getStdDev}) {  // no values: failure and 0
    r = 42;
    EXPECT_EQ(f(v, 0, &r), 1);
    EXPECT_EQ(r, 0.0f);
  }
  for (Stat f : {getNorm, getRange, getMedian}) EXPECT_EQ(f(v, 0, &r), 1);
  r = 42;
  EXPECT_EQ(getMin(v, -1, &r), 1);
  EXPECT_EQ(r, 42.0f);  // untouched
}

TEST(NumStats, MediansAndHistogram) {
  float v[4] = {3, 1, 2, 4}, u[5] = {9, -1, 4, 4, 0}, r;
  EXPECT_EQ(getMedian(v, 4, &r), 0);
  EXPECT_EQ(r, 2.0f);  // lower middle
  EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1, 2, 3, 4}));
  getMedian(u, 5, &r);
  EXPECT_EQ(r, 4.0f);

  // Bins of width 2 from 0: 0,1 | 2,3 | 4 | - | 10 (top value in the last bin).
  float y2[6] = {0, 1, 2, 3, 4, 10}, x2[5], h2[5];
  EXPECT_EQ(getHist(y2, 6, x2, h2, 5), 2);
  EXPECT_EQ(std::vector<float>(h2, h2 + 5), (std::vector<float>{2, 2, 1, 0, 1}));
  EXPECT_EQ(x2[4], 8.0f);

  // Running median over windows of 2 nw + 1 = 3.
  float w[5] = {1, 9, 2, 8, 3}, work[10];
  EXPECT_EQ(medianW(w, 5, 1, work), 0);
  EXPECT_EQ(std::vector<float>(w, w + 5), (std::vector<float>{1, 2, 8, 3, 3}));
}

TEST(NumStats, BandVarianceAndNoiseThresholds) {
  float v[6] = {1, 3, 10, 20, 5, 7};
  EXPECT_NEAR(findHVar(v, 6, 2, 3, 0), 25.0f, 1e-5);            // (10, 20)
  EXPECT_NEAR(findHVar(v, 6, 2, 3, 1), 5.0f, 1e-5);             // (1, 3, 5, 7)

  // Noise around 0 with a few strong peaks: the band is the bins around the
  // peak bin. Values: 40 at 0, 10 at +-0.1, 5 at +-0.2, two at 10.
  std::vector<float> d(40, 0.0f);
  for (auto [x, n] : {std::pair{0.1f, 10}, {-0.1f, 10}, {0.2f, 5}, {-0.2f, 5}, {10.0f, 1}, {-10.0f, 1}})
    d.insert(d.end(), n, x);
  float hist[201], lo, hi;
  EXPECT_EQ(maxVar(d.data(), int(d.size()), -10, 10, hist, 201, &lo, &hi), 0);
  // Bins (x + 10) * 10 truncated: -0.1f lies just below 99 and lands in 98,
  // +0.1f in 101.
  EXPECT_EQ(std::vector<float>({hist[98], hist[100], hist[101]}), std::vector<float>({10, 40, 10}));
  // Inside/outside variances by hand (population): w = 0: 40 vs 1.234;
  // w = 1: 288.9 vs 0.755 (the largest difference); w = 2: 196 vs 0.136.
  EXPECT_NEAR(lo, -0.1f, 1e-5);
  EXPECT_NEAR(hi, 0.1f, 1e-5);
}

// The heap sort of v agrees with the standard sort.
template <typename T, typename Sort>
void expectSorted(std::vector<T> v, Sort sort) {
  std::vector<T> want = v;
  std::sort(want.begin(), want.end());
  sort(v.data(), int(v.size()));
  EXPECT_EQ(v, want);
}

TEST(NumSort, HeapSortsMatchStandardSort) {
  std::vector<int> iv;
  std::vector<float> fv;
  std::vector<double> dv;
  unsigned s = 7;
  for (int i = 0; i < 257; i++) {
    s = s * 1664525u + 1013904223u;
    iv.push_back(int(s >> 20) - 2048);
    fv.push_back(float(int(s >> 8) % 1000) / 7.0f);
    dv.push_back(double(s) / 3.0e9 - 0.5);
  }
  expectSorted(iv, iSort);
  expectSorted(fv, rSort);
  expectSorted(dv, dSort);
  expectSorted(std::vector<double>{0.3, 0.1, 0.2}, dSort);  // exactly, no pass through single precision
}

TEST(NumSort, CompanionArraysAndTexts) {
  int a[3] = {3, 1, 2}, b[3] = {30, 10, 20};
  EXPECT_EQ(iSort2(3, a, b), 0);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(std::vector<int>(b, b + 3), (std::vector<int>{10, 20, 30}));
  const double orig[5] = {2.5, -1, 7, 0, 3};
  double d[5] = {2.5, -1, 7, 0, 3};
  int idx[5] = {0, 1, 2, 3, 4};
  dSort2(5, d, idx);
  EXPECT_EQ(std::vector<double>(d, d + 5), (std::vector<double>{-1, 0, 2.5, 3, 7}));
  for (int i = 0; i < 5; i++) EXPECT_EQ(orig[idx[i]], d[i]);  // the permutation follows
  char w1[] = "LYS", w2[] = "ALA", w3[] = "Ala", w4[] = "GLY";
  char *names[4] = {w1, w2, w3, w4};
  sSort(names, 4);
  EXPECT_EQ(std::vector<std::string>(names, names + 4),
            (std::vector<std::string>{"ALA", "Ala", "GLY", "LYS"}));  // byte order: upper case first
}

TEST(NumSpecial, LogAndIncompleteGammaAgainstClosedForms) {
  // Gamma(n) = (n-1)!, Gamma(0.5) = sqrt(pi), Gamma(1.5) = sqrt(pi)/2.
  double fact = 1.0;
  for (int n = 1; n <= 15; n++) {
    if (n > 1) fact *= (n - 1);
    EXPECT_NEAR(gammln(float(n)), std::log(fact), 2e-6 * std::max(1.0, std::log(fact))) << n;
  }
  EXPECT_NEAR(gammln(0.5f), 0.5 * std::log(M_PI), 1e-5);
  EXPECT_NEAR(gammln(1.5f), std::log(std::sqrt(M_PI) / 2), 1e-5);
  EXPECT_NEAR(gammln(7.3f), std::lgamma(7.3), 1e-5);

  gammaReset();
  EXPECT_FLOAT_EQ(gammq(1, 0), 1.0f);
  EXPECT_TRUE(gammq(-1, 1) == 0.0f && gammq(1, -1) == 0.0f);
  // Both branches (series below a+1, continued fraction above) against closed
  // forms: Q(2,x) = (1+x) e^-x; Q(0.5,x) = erfc(sqrt x).
  for (float x : {0.3f, 1.7f, 2.9f, 4.5f, 9.0f}) {
    EXPECT_NEAR(gammq(2, x), (1 + x) * std::exp(-x), 2e-6) << x;
    EXPECT_NEAR(gammq(0.5f, x), std::erfc(std::sqrt(x)), 2e-6) << x;
  }
  // Too many terms: gammq reports 0.
  EXPECT_EQ(gammq(2000.0f, 1900.0f), 0.0f);
  // Inverse by bisection: Q(1, x) = e^-x = 0.25 -> x = ln 4.
  EXPECT_NEAR(igammq(0.25f, 1.0f), std::log(4.0), 2e-4);
}

TEST(NumSpecial, StraightLineFit) {
  // Unweighted: (0,0),(1,1),(2,1),(3,3): b = 0.9, a = -0.1, chi2 = 0.7,
  // sigb = sqrt(1/5) * sqrt(0.7/2), siga = sqrt(14/20) * sqrt(0.35).
  float x[5] = {0, 0, 1, 2, 3}, y[5] = {0, 0, 1, 1, 3}, sig[5] = {0, 1, 1, 1, 1};
  float a, b, siga, sigb, chi2, q;
  fit(x, y, 4, sig, 0, &a, &b, &siga, &sigb, &chi2, &q);
  const double got[6] = {a, b, chi2, q, sigb, siga}, want[6] = {-0.1, 0.9, 0.7, 1, std::sqrt(0.2 * 0.35), std::sqrt(0.7 * 0.35)};
  for (int k = 0; k < 6; k++) EXPECT_NEAR(got[k], want[k], 1e-6) << k;
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
  EXPECT_EQ(std::pair(sum, ave), std::pair(6.0f, 2.0f));
  sum = 42;
  EXPECT_EQ(moment(d, 1, &sum, &ave, &adev, &sdev, &svar, &skew, &curt), 1);
  EXPECT_EQ(std::pair(sum, ave), std::pair(42.0f, 0.0f));  // sum not touched, average zeroed
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

TEST(NumRandom, Ran1IsTheMinimalStandardGeneratorShuffled) {
  genrandReset();
  // Park & Miller (1988): from seed 1 the 10000th value of 16807 x mod
  // (2^31 - 1) is 1043618065. A seed of -1 starts at 1 and takes 40 steps to
  // fill the shuffle table, then one step per call.
  long idum = -1;
  for (int i = 0; i < 10000 - 40; i++) ran1(&idum);
  EXPECT_EQ(idum, 1043618065L);

  // Any seed, even one beyond the modulus, gives values strictly inside (0, 1).
  for (long seed : {-12345L, -9000000000000L}) {
    for (int i = 0; i < 2000; i++) {
      float u = ran1(&seed);
      ASSERT_GT(u, 0.0f);
      ASSERT_LT(u, 1.0f);
    }
  }
}

TEST(NumRandom, Ran3ReseedsAndStaysInRange) {
  genrandReset();
  long s1 = -3, s2 = -3;
  std::vector<float> seq1, seq2;
  for (int i = 0; i < 31; i++) seq1.push_back(ran3(&s1));
  EXPECT_EQ(s1, 1);  // reseeding sets the state positive
  for (int i = 0; i < 31; i++) seq2.push_back(ran3(&s2));
  EXPECT_EQ(seq2, seq1);  // negative state reseeds: the sequence repeats
  double sum = 0;
  for (int i = 0; i < 20000; i++) {
    float u = ran3(&s2);
    ASSERT_GE(u, 0.0f);
    ASSERT_LT(u, 1.0f);
    sum += u;
  }
  EXPECT_NEAR(sum / 20000, 0.5, 0.01);
  long extreme = -9223372036854775807L - 1;  // no overflow in the seeding
  float u = ran3(&extreme);
  EXPECT_TRUE(u >= 0.0f && u < 1.0f);
  // Positions drawn from a deviate: a deviate rounded up to 1.0f still lands in the table.
  for (auto [d, n, pos] : {std::tuple(0.0f, 7, 0), std::tuple(0.5f, 4, 2), std::tuple(0.99f, 7, 6),
                           std::tuple(1.0f, 7, 6), std::tuple(1.0f, 1, 0)})
    EXPECT_EQ(drawPosition(d, n), pos) << d << " " << n;
}

TEST(NumRandom, NormalDeviatesHaveUnitVariance) {
  genrandReset();
  randReset();
  sRand(11);
  // gauss() alone, then gaussRand and gaussRandD taking turns from one pair cache.
  for (int source = 0; source < 2; source++) {
    const int n = 40000;
    double s = 0, s2 = 0;
    for (int i = 0; i < n; i++) {
      double g = source == 0 ? gauss() : (i % 2) ? gaussRand() : gaussRandD();
      s += g;
      s2 += g * g;
    }
    EXPECT_NEAR(s / n, 0.0, 0.02) << source;
    EXPECT_NEAR(s2 / n, 1.0, 0.03) << source;
  }
}

TEST(NumRandom, SeedingRepeatsTheSequence) {
  randReset();
  EXPECT_EQ(sRandInit(7), 0);  // first seeding returns the previous seed 0
  EXPECT_EQ(sRandInit(5), 0);  // already seeded: nothing changes
  EXPECT_EQ(sRand(21), 7);     // so the current seed is still 7
  float a1 = gaussRand();
  double a2 = gaussRandD();  // the cached second deviate of gaussRand's pair
  sRand(21);
  EXPECT_EQ(gaussRand(), a1);  // leaves its pair's second deviate waiting
  sRand(21);
  EXPECT_EQ(gaussRand(), a1);  // reseeding drops the waiting deviate
  EXPECT_FLOAT_EQ(static_cast<float>(a2), gaussRand());  // one cache for both kinds
}

}  // namespace

// Quantiles against printed tables: the normal's upper tail and Student's two-sided tail.
TEST(NumQuantile, NormalAndStudentTablesValues) {
  const struct {
    double tail;
    int nu;  // 0: the normal
    double want;
  } rows[] = {{0.025, 0, 1.95996}, {0.001, 0, 3.09023}, {1e-3 / 63, 0, 4.1605}, {0.05, 1, 12.7062},
              {0.001, 1, 636.619}, {0.05, 10, 2.22814}, {0.001, 10, 4.58689}, {0.001, 52, 3.4880}};
  for (const auto& r : rows) {
    const double got = r.nu == 0 ? korim::foundation::normalQuantile(r.tail) : korim::foundation::studentQuantile(r.tail, r.nu);
    EXPECT_NEAR(got, r.want, 2e-4 * r.want) << r.tail << " " << r.nu;
  }
}
