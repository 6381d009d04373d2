// Complex arithmetic, ranges and element-wise vector operations.
#include <gtest/gtest.h>

#include <cmath>

#include "foundation/complexd.h"
#include "foundation/minmax.h"
#include "foundation/vutil.h"

using namespace korim::foundation;

namespace {

TEST(NumComplex, ArithmeticAndScaledForms) {
  fcomplex a = Complex_d(1, 2), b = Complex_d(3, -1);
  fcomplex s = Cadd_d(a, b), d = Csub_d(a, b), m = Cmul_d(a, b);
  EXPECT_EQ(s.r, 4);
  EXPECT_EQ(s.i, 1);
  EXPECT_EQ(d.r, -2);
  EXPECT_EQ(d.i, 3);
  EXPECT_EQ(m.r, 5);  // (1+2i)(3-i) = 3 - i + 6i + 2 = 5 + 5i
  EXPECT_EQ(m.i, 5);
  fcomplex c = Conjg_d(a), r = RCmul_d(2.5f, a);
  EXPECT_EQ(c.i, -2);
  EXPECT_EQ(r.r, 2.5);
  EXPECT_EQ(r.i, 5);

  fcomplex q = Cdiv_d(Complex_d(1, 0), Complex_d(0, 1));
  EXPECT_EQ(q.r, 0);
  EXPECT_EQ(q.i, -1);
  q = Cdiv_d(Complex_d(1, 1), Complex_d(1, 1));
  EXPECT_EQ(q.r, 1);
  EXPECT_EQ(q.i, 0);
  q = Cdiv_d(m, b);  // back to a, through both branches of the scaling
  EXPECT_NEAR(q.r, 1, 1e-6);
  EXPECT_NEAR(q.i, 2, 1e-6);
  q = Cdiv_d(m, a);
  EXPECT_NEAR(q.r, 3, 1e-6);
  EXPECT_NEAR(q.i, -1, 1e-6);

  EXPECT_EQ(Cabs_d(Complex_d(3, 4)), 5.0);
  EXPECT_EQ(Cabs_d(Complex_d(0, -2)), 2.0);
  EXPECT_NEAR(Cabs_d(Complex_d(-5, 12)), 13.0, 1e-6);
  // Scaling keeps huge parts from overflowing the square.
  fcomplex big{3e30, 4e30};
  EXPECT_NEAR(Cabs_d(big) / 5e30, 1.0, 1e-6);
}

TEST(NumComplex, PrincipalSquareRoot) {
  fcomplex z = Csqrt_d(Complex_d(-4, 0));
  EXPECT_EQ(z.r, 0);
  EXPECT_EQ(z.i, 2);
  z = Csqrt_d(Complex_d(0, 0));
  EXPECT_EQ(z.r, 0);
  EXPECT_EQ(z.i, 0);
  z = Csqrt_d(Complex_d(0, 2));
  EXPECT_NEAR(z.r, 1, 1e-7);
  EXPECT_NEAR(z.i, 1, 1e-7);
  // Squares back, with non-negative real part, in all four quadrants.
  const double pts[4][2] = {{3, 4}, {-3, 4}, {-3, -4}, {2.5, -0.5}};
  for (auto &p : pts) {
    fcomplex w = Csqrt_d(fcomplex{p[0], p[1]});
    fcomplex sq = Cmul_d(w, w);
    EXPECT_NEAR(sq.r, p[0], 1e-5);
    EXPECT_NEAR(sq.i, p[1], 1e-5);
    EXPECT_GE(w.r, 0.0);
  }
}

TEST(NumMinMax, RangesWithStrictComparisons) {
  float v[5] = {3, -1, 7, 7, 2}, lo, hi;
  EXPECT_EQ(minMax(v, 5, &lo, &hi), 0);
  EXPECT_EQ(lo, -1);
  EXPECT_EQ(hi, 7);
  float n[3] = {2, std::nanf(""), 5};
  minMax(n, 3, &lo, &hi);
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 5);
  int iv[4] = {4, -9, 12, 0}, ilo, ihi;
  EXPECT_EQ(iMinMax(iv, 4, &ilo, &ihi), 0);
  EXPECT_EQ(ilo, -9);
  EXPECT_EQ(ihi, 12);
}

TEST(NumMinMax, BlockOfComplexVectorsLooksAtRealHalves) {
  // Two vectors of 3 real + 3 imaginary points; the imaginary halves hold
  // the extremes and must be ignored with quadState 2.
  float m[12] = {1, 5, 2, -100, 100, 0, 3, -2, 4, 200, -200, 0}, lo, hi;
  EXPECT_EQ(minMaxQ(m, 3, 2, 2, &lo, &hi), 0);
  EXPECT_EQ(lo, -2);
  EXPECT_EQ(hi, 5);
  minMaxQ(m, 6, 2, 1, &lo, &hi);
  EXPECT_EQ(lo, -200);
  EXPECT_EQ(hi, 200);
}

TEST(NumVutil, ElementWiseOperations) {
  float a[4] = {1, 2, 3, 4}, b[4] = {2, 2, 2, 2}, c[6] = {0};
  vvMult(a, b, 4);
  EXPECT_EQ(a[3], 8);
  vvSub(a, b, 4);
  EXPECT_EQ(a[0], 0);
  EXPECT_EQ(a[3], 6);
  vsAdd(a, 4, 1.5f);
  EXPECT_EQ(a[1], 3.5f);
  vsMult(a, 4, 2);  // (1,2,3,4)*2-2+1.5, doubled: (3,7,11,15)
  EXPECT_EQ(a[2], 11);
  vvCopyOff(c, a, 3, 2, 1);  // c[2..4] = a[1..3]
  EXPECT_EQ(c[1], 0);
  EXPECT_EQ(c[2], a[1]);
  EXPECT_EQ(c[4], a[3]);
  EXPECT_EQ(c[5], 0);
  vvCopy(b, a, 4);
  EXPECT_EQ(b[3], a[3]);
  vsSet(b, 2, -1);
  EXPECT_EQ(b[1], -1);
  EXPECT_EQ(b[2], a[2]);
  EXPECT_EQ(vsSet(nullptr, 4, 1), 0);
  vsSet(b, 0, 99);  // size below 1 does nothing
  EXPECT_EQ(b[0], -1);
  EXPECT_EQ(vSum(b, 0), 0.0f);
}

TEST(NumVutil, SumInExtendedPrecision) {
  // 1e8 followed by many ones: a float running sum would stay at 1e8.
  static float v[10001];
  v[0] = 1e8f;
  for (int i = 1; i <= 10000; i++) v[i] = 1.0f;
  EXPECT_EQ(vSum(v, 10001), 100010000.0f);
}

}  // namespace
