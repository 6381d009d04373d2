// Ranges, descriptive statistics, histogram, running median, thresholds and sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/minmax.h"
#include "foundation/sort.h"
#include "foundation/stats.h"

using namespace korim::foundation;

namespace {

TEST(NumMinMax, RangesWithStrictComparisons) {
  float v[5] = {3, -1, 7, 7, 2}, n[3] = {2, std::nanf(""), 5}, lo, hi;
  EXPECT_EQ(minMax(v, 5, &lo, &hi), 0);
  EXPECT_EQ(std::pair(lo, hi), std::pair(-1.0f, 7.0f));
  minMax(n, 3, &lo, &hi);  // a not-a-number never wins a comparison
  EXPECT_EQ(std::pair(lo, hi), std::pair(2.0f, 5.0f));
  int iv[4] = {4, -9, 12, 0}, ilo, ihi;
  EXPECT_EQ(iMinMax(iv, 4, &ilo, &ihi), 0);
  EXPECT_EQ(std::pair(ilo, ihi), std::pair(-9, 12));
  // Two vectors of 3 real + 3 imaginary points; the imaginary halves hold
  // the extremes and are ignored with quadState 2.
  float m[12] = {1, 5, 2, -100, 100, 0, 3, -2, 4, 200, -200, 0};
  EXPECT_EQ(minMaxQ(m, 3, 2, 2, &lo, &hi), 0);
  EXPECT_EQ(std::pair(lo, hi), std::pair(-2.0f, 5.0f));
  minMaxQ(m, 6, 2, 1, &lo, &hi);
  EXPECT_EQ(std::pair(lo, hi), std::pair(-200.0f, 200.0f));
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

TEST(NumStats, MedianSortsInPlaceAndHistogram) {
  float v[4] = {3, 1, 2, 4}, u[5] = {9, -1, 4, 4, 0}, r;
  EXPECT_EQ(getMedian(v, 4, &r), 0);
  EXPECT_EQ(r, 2.0f);  // lower middle
  EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1, 2, 3, 4}));
  getMedian(u, 5, &r);
  EXPECT_EQ(r, 4.0f);

  float y[3] = {1, 1, 1}, x[4], h[4];
  EXPECT_EQ(getHist(y, 3, x, h, 4), 3);
  EXPECT_EQ(std::pair(h[0], x[1]), std::pair(3.0f, 1.25f));  // range 1 when all values are equal
  // Bins of width 2 from 0: 0,1 | 2,3 | 4 | - | 10 (top value in the last bin).
  float y2[6] = {0, 1, 2, 3, 4, 10}, x2[5], h2[5];
  EXPECT_EQ(getHist(y2, 6, x2, h2, 5), 2);
  EXPECT_EQ(std::vector<float>(h2, h2 + 5), (std::vector<float>{2, 2, 1, 0, 1}));
  EXPECT_EQ(x2[4], 8.0f);
}

TEST(NumStats, RunningMedian) {
  float v[5] = {1, 9, 2, 8, 3}, work[10], same[3] = {5, 1, 7}, w2[6];
  EXPECT_EQ(medianW(v, 5, 1, work), 0);
  EXPECT_EQ(std::vector<float>(v, v + 5), (std::vector<float>{1, 2, 8, 3, 3}));
  medianW(same, 3, 0, w2);  // nw < 1 or > length: unchanged
  medianW(same, 3, 4, w2);
  EXPECT_EQ(same[1], 1.0f);
}

TEST(NumStats, BandVarianceAndNoiseThresholds) {
  float v[6] = {1, 3, 10, 20, 5, 7};
  EXPECT_NEAR(findHVar(v, 6, 2, 3, 0), 25.0f, 1e-5);            // (10, 20)
  EXPECT_NEAR(findHVar(v, 6, 2, 3, 1), 5.0f, 1e-5);             // (1, 3, 5, 7)
  EXPECT_EQ(findHVar(v, 6, 2, 2, 0), 10.0f);                    // one value: itself
  EXPECT_NEAR(findHVar(v, 6, -5, 99, 0), 584.0 / 6 - (46.0 / 6) * (46.0 / 6), 1e-4);  // clamped
  EXPECT_EQ(findHVar(v, 6, -5, 99, 1), 0.0f);                   // nothing outside

  // Noise around 0 with a few strong peaks: the band is the bins around the
  // peak bin. Values: 40 at 0, 10 at +-0.1, 5 at +-0.2, two at 10.
  std::vector<float> d(40, 0.0f);
  for (auto [x, n] : {std::pair{0.1f, 10}, {-0.1f, 10}, {0.2f, 5}, {-0.2f, 5}, {10.0f, 1}, {-10.0f, 1}})
    d.insert(d.end(), n, x);
  float hist[201], lo, hi;
  EXPECT_EQ(maxVar(d.data(), int(d.size()), -10, 10, hist, 201, &lo, &hi), 0);
  // Bins (x + 10) * 10 truncated: -0.1f lies just below 99 and lands in 98,
  // +0.1f in 101.
  EXPECT_EQ(hist[100], 40.0f);
  EXPECT_EQ(hist[98], 10.0f);
  EXPECT_EQ(hist[101], 10.0f);
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
  expectSorted(std::vector<int>{5}, iSort);
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

}  // namespace
