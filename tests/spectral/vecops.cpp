// Vector primitives and the shuffle dispatcher: the documented examples,
// round trips and the refusals.
#include "spectral/vecops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "spectral/roundreg.h"
#include "spectral/shuffle.h"
#include "spectral/vecfilter.h"
#include "tests/support/capture.h"

using namespace korim::spectral;
using Vec = std::vector<float>;

TEST(VecOps, ReorderAndItsInverse) {
  Vec odd{0, 1, 2, 3, 4}, even{0, 1, 2, 3};
  reorder(odd.data(), 5, 0);
  EXPECT_EQ((Vec{3, 4, 0, 1, 2}), odd);
  reorder(odd.data(), 5, 1);
  EXPECT_EQ((Vec{0, 1, 2, 3, 4}), odd);
  for (int inverse : {0, 1}) {
    Vec v = even;
    reorder(v.data(), 4, inverse);
    EXPECT_EQ((Vec{2, 3, 0, 1}), v);
  }
  std::vector<f_complex> z{{0, 10}, {1, 11}, {2, 12}};
  c_reorder(z.data(), 3, 0);
  EXPECT_EQ(2.0f, z[0].re);
  EXPECT_EQ(10.0f, z[1].im);
}

TEST(VecOps, ShiftsAsDocumented) {
  struct Case { Vec in; int s, inv; bool circular, left; Vec want; } cases[] = {
      {{1, 2, 3}, 1, 1, true, true, {2, 3, -1}},         {{1, 2, 3}, 4, 1, true, true, {-2, -3, 1}},
      {{1, 2, 3}, 1, 1, true, false, {-3, 1, 2}},        {{1, 2, 3}, -1, 0, true, true, {3, 1, 2}},
      {{1, 2, 3, 4}, -2, 0, false, true, {0, 0, 1, 2}},  {{1, 2, 3, 4}, 5, 0, false, true, {0, 0, 0, 0}},
      {{1, 2, 3, 4}, 1, 0, false, false, {0, 1, 2, 3}}};
  for (Case &c : cases) {
    Vec work(c.in.size());
    int n = static_cast<int>(c.in.size());
    if (c.circular)
      (c.left ? clShift : crShift)(c.in.data(), n, c.s, work.data(), c.inv);
    else
      (c.left ? lShift : rShift)(c.in.data(), n, c.s);
    EXPECT_EQ(c.want, c.in) << c.s;
  }
}

TEST(VecOps, SmoothingDerivativeAndRegions) {
  Vec in{3, 6, 9, 12}, out(4);
  nSmooth(in.data(), out.data(), 4, 1);
  EXPECT_EQ((Vec{4.5, 6, 9, 10.5}), out);
  // Fewer points than twice the half-width: every window is the whole vector.
  Vec few{2, 4, 6}, mean(3), centred(3);
  nSmooth(few.data(), mean.data(), 3, 2);
  EXPECT_EQ((Vec{4, 4, 4}), mean);
  nCenter(few.data(), centred.data(), 3, 2);
  EXPECT_EQ((Vec{-2, 0, 2}), centred);
  Vec sq{1, 4, 9, 16}, d(4);
  dx(sq.data(), d.data(), 4);
  EXPECT_EQ((Vec{3, 8, 12, 7}), d);
  // first, last, size, multiple; the rounded first and last.
  const int regions[][6] = {
      {3, 7, 100, 4, 2, 9}, {3, 7, 100, -2, 2, 9}, {1, 3, 100, 4, 1, 4}, {3, 7, 100, 1, 3, 7}, {95, 99, 100, 8, 93, 100}};
  for (const auto &c : regions) {
    int f = c[0], l = c[1];
    roundReg(&f, &l, c[2], c[3]);
    EXPECT_TRUE(f == c[4] && l == c[5]) << c[3] << ": " << f << " " << l;
  }
  EXPECT_EQ(1, nextPower2(0));
  EXPECT_EQ(64, nextPower2(33));
}

TEST(VecOps, ByteSwapAndIntegerBits) {
  Vec v{1.0f, -2.7f, 3.5e6f};
  Vec orig = v;
  byteSwap(v.data(), 3);
  std::uint32_t w;
  std::memcpy(&w, &v[0], 4);
  EXPECT_EQ(0x0000803fu, w);
  byteSwap(v.data(), 3);
  EXPECT_EQ(orig, v);
  Vec r{-2.7f, 7.9f, NAN, 1e20f};
  vR2I(r.data(), 4);
  std::int32_t bits[4];
  std::memcpy(bits, r.data(), sizeof bits);
  EXPECT_EQ((std::vector<std::int32_t>{-2, 7, 0, INT32_MAX}), std::vector<std::int32_t>(bits, bits + 4));
  vI2R(r.data(), 2);
  EXPECT_EQ(-2.0f, r[0]);
}

TEST(Shuffle, InterleaveRoundTripAndRefusals) {
  Vec re{1, 2, 3, 0, 0, 0}, im{4, 5, 6};
  EXPECT_EQ(0, shufData(re.data(), im.data(), 3, 0, SHUF_RI2C, 0, 6));
  EXPECT_EQ((Vec{1, 4, 2, 5, 3, 6}), re);
  im.assign(3, 0);
  EXPECT_EQ(0, shufData(re.data(), im.data(), 3, 0, SHUF_C2RI, 0, 6));
  EXPECT_EQ((Vec{1, 2, 3}), Vec(re.begin(), re.begin() + 3));
  EXPECT_EQ((Vec{4, 5, 6}), im);
  EXPECT_EQ("SHUF Error: unknown code 17.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, shufData(re.data(), im.data(), 3, 0, 17, 0, 6)); }));
  Vec small{1, 2, 3};
  EXPECT_EQ("SHUF Error: 3 complex values need 6 values of room; the buffer has 3.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, shufData(small.data(), im.data(), 3, 0, SHUF_RI2C, 0, 3)); }));
  EXPECT_EQ((Vec{1, 2, 3}), small);
  // Real data: only rdata changes.
  Vec a{1, -2, 3, -4}, b{5, 6, 7, 8};
  shufData(a.data(), b.data(), 4, 1, SHUF_ALT, 0, 4);
  EXPECT_EQ((Vec{1, -2, -3, 4}), a);
  shufData(a.data(), b.data(), 4, 1, SHUF_NEG_RIGHT, 0, 4);
  EXPECT_EQ((Vec{1, -2, 3, -4}), a);
  EXPECT_EQ((Vec{5, 6, 7, 8}), b);
}
