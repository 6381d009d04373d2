// Complex arithmetic, ranges and element-wise vector operations.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foundation/complexd.h"
#include "foundation/minmax.h"
#include "foundation/vutil.h"

using namespace korim::foundation;

namespace {

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

}  // namespace
