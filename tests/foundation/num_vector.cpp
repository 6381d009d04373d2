// Complex arithmetic, ranges and element-wise vector operations.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foundation/complexd.h"
#include "foundation/minmax.h"
#include "foundation/vutil.h"

using namespace korim::foundation;

namespace {

TEST(NumComplex, ArithmeticRootsAndModulus) {
  const fcomplex a = Complex_d(1, 2), b = Complex_d(3, -1), m = Cmul_d(a, b);
  // Results against hand values; (1+2i)(3-i) = 3 - i + 6i + 2 = 5 + 5i. The
  // divisions run through both branches of the scaling.
  const struct { fcomplex got; double r, i; } cases[] = {
      {Cadd_d(a, b), 4, 1},  {Csub_d(a, b), -2, 3}, {m, 5, 5}, {Conjg_d(a), 1, -2}, {RCmul_d(2.5f, a), 2.5, 5},
      {Cdiv_d(Complex_d(1, 0), Complex_d(0, 1)), 0, -1}, {Cdiv_d(a, a), 1, 0}, {Cdiv_d(m, b), 1, 2}, {Cdiv_d(m, a), 3, -1},
      {Csqrt_d(Complex_d(-4, 0)), 0, 2}, {Csqrt_d(Complex_d(0, 0)), 0, 0}, {Csqrt_d(Complex_d(0, 2)), 1, 1}};
  for (const auto &c : cases) {
    EXPECT_NEAR(c.got.r, c.r, 1e-6) << &c - cases;
    EXPECT_NEAR(c.got.i, c.i, 1e-6) << &c - cases;
  }
  // The principal root squares back, with non-negative real part, in all four quadrants.
  for (auto [re, im] : {std::pair{3.0, 4.0}, {-3.0, 4.0}, {-3.0, -4.0}, {2.5, -0.5}}) {
    fcomplex w = Csqrt_d(fcomplex{re, im}), sq = Cmul_d(w, w);
    EXPECT_NEAR(sq.r, re, 1e-5);
    EXPECT_NEAR(sq.i, im, 1e-5);
    EXPECT_GE(w.r, 0.0);
  }
  EXPECT_EQ(Cabs_d(Complex_d(3, 4)), 5.0);
  EXPECT_EQ(Cabs_d(Complex_d(0, -2)), 2.0);
  EXPECT_NEAR(Cabs_d(Complex_d(-5, 12)), 13.0, 1e-6);
  EXPECT_NEAR(Cabs_d(fcomplex{3e30, 4e30}) / 5e30, 1.0, 1e-6);  // scaling keeps the square from overflowing
}

TEST(NumMinMax, RangesWithStrictComparisons) {
  float v[5] = {3, -1, 7, 7, 2}, n[3] = {2, std::nanf(""), 5}, lo, hi;
  EXPECT_EQ(minMax(v, 5, &lo, &hi), 0);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, 7);
  minMax(n, 3, &lo, &hi);  // a not-a-number never wins a comparison
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 5);
  int iv[4] = {4, -9, 12, 0}, ilo, ihi;
  EXPECT_EQ(iMinMax(iv, 4, &ilo, &ihi), 0);
  EXPECT_EQ(ilo, -9);
  EXPECT_EQ(ihi, 12);
  // Two vectors of 3 real + 3 imaginary points; the imaginary halves hold
  // the extremes and are ignored with quadState 2.
  float m[12] = {1, 5, 2, -100, 100, 0, 3, -2, 4, 200, -200, 0};
  EXPECT_EQ(minMaxQ(m, 3, 2, 2, &lo, &hi), 0);
  EXPECT_EQ(lo, -2);
  EXPECT_EQ(hi, 5);
  minMaxQ(m, 6, 2, 1, &lo, &hi);
  EXPECT_EQ(lo, -200);
  EXPECT_EQ(hi, 200);
}

TEST(NumVutil, ElementWiseOperations) {
  float a[4] = {1, 2, 3, 4}, b[4] = {2, 2, 2, 2}, c[6] = {0};
  vvMult(a, b, 4);   // 2 4 6 8
  vvSub(a, b, 4);    // 0 2 4 6
  vsAdd(a, 4, 1.5f);  // 1.5 3.5 5.5 7.5
  vsMult(a, 4, 2);   // 3 7 11 15
  EXPECT_EQ(std::vector<float>(a, a + 4), (std::vector<float>{3, 7, 11, 15}));
  vvCopyOff(c, a, 3, 2, 1);  // c[2..4] = a[1..3]
  EXPECT_EQ(std::vector<float>(c, c + 6), (std::vector<float>{0, 0, 7, 11, 15, 0}));
  vvCopy(b, a, 4);
  vsSet(b, 2, -1);
  vsSet(b, 0, 99);  // size below 1 does nothing
  EXPECT_EQ(std::vector<float>(b, b + 4), (std::vector<float>{-1, -1, 11, 15}));
  EXPECT_EQ(vsSet(nullptr, 4, 1), 0);
  EXPECT_EQ(vSum(b, 0), 0.0f);
  // 1e8 followed by many ones: a float running sum would stay at 1e8.
  static float v[10001];
  v[0] = 1e8f;
  for (int i = 1; i <= 10000; i++) v[i] = 1.0f;
  EXPECT_EQ(vSum(v, 10001), 100010000.0f);
}

}  // namespace
