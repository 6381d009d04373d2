// Vector primitives, the shuffle dispatcher, apodisation windows and phase tables: the documented
// examples, closed forms, round trips and the refusals.
#include "spectral/vecops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "spectral/apod.h"
#include "spectral/phasetab.h"
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

TEST(Apod, ClosedFormWindows) {
  const Vec ones(9, 1.0f);
  // The window of the code over nine points of 1.
  auto window = [&](float sw, float q1, float q2, float q3, int code) {
    Vec v = ones;
    EXPECT_EQ(code == 8 ? 1 : 0, apodFn(v.data(), 9, 9, 9, sw, q1, q2, q3, code)) << code;
    return v;
  };
  EXPECT_EQ(ones, window(0, 0, 0, 0, APOD_EM));
  EXPECT_NEAR(std::exp(-M_PI * 4), window(0, 1, 0, 0, APOD_EM)[4], 1e-6);  // sw 0 counts as 1 Hz
  const Vec sine = window(100, 0, 1, 1, APOD_SP);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(std::sin(M_PI * k / 8), sine[k], 1e-6) << k;
  EXPECT_EQ((Vec{1, 1, 0, 0, 0, 1, 1, 1, 1}), window(1, 3, 5, 0, APOD_ZE));
  EXPECT_EQ((Vec{0, 0, 1, 1, 1, 0, 0, 0, 0}), window(1, 5, 3, 1, APOD_ZE));
  EXPECT_EQ((Vec{0, 0.5, 1, 1, 1, 1, 2 / 3.0f, 1 / 3.0f, 0}), window(1, 3, 4, 0, APOD_TM));
  EXPECT_EQ(ones, window(1, 1, 1, 1, 8));  // an unknown code changes nothing
  EXPECT_EQ(1.0e17f, rPow(0.0f, -1.0f));
}

TEST(Apod, OnePointRampsAndBellsStayFinite) {
  Vec v{1, 1, 1};
  apodFn(v.data(), 3, 3, 3, 1.0f, 1.0f, 1.0f, 0, APOD_TM);
  EXPECT_EQ((Vec{0, 1, 0}), v);
  Vec one{1};
  apodFn(one.data(), 1, 1, 1, 1.0f, 0.5f, 1.0f, 2.0f, APOD_SP);
  EXPECT_NEAR(1.0f, one[0], 1e-6);  // sin(pi/2)^2, the bell's start
}

TEST(Apod, WindowVectorDefaultsInverseAndRefusal) {
  float *w = nullptr;
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(0, apodInit(APOD_TRI, &w, 20, 10, 20, 1.0f, 1.0f, 0.5f, 0.0f, 7.0f, 1, 1));
  });
  EXPECT_EQ(
      "\nAPOD-> Code: 6\nAPOD-> tSize: 20 aStart: 10 aSize: 20 mSize: 11\n"
      "APOD-> SW: 1.000000 Def: 7.000000 Q1: 1.000000 Q2: 0.500000 Q3: 0.000000\n"
      "APOD-> Inv: Yes\n\n",
      err);
  for (int k = 0; k < 9; k++) EXPECT_EQ(7.0f, w[k]);
  EXPECT_EQ(2.0f, w[9]);   // 1 / 0.5 at the first window point
  EXPECT_EQ(0.0f, w[19]);  // the window falls to 0 and 0 stays 0
  apodFree(&w, 20);
  EXPECT_EQ(nullptr, w);
  EXPECT_EQ("Apodize Error: bad start point 0 for size 20.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, apodInit(APOD_EM, &w, 20, 0, 5, 1, 1, 0, 0, 0, 0, 0)); }));
}

TEST(Phase, ZeroAndFirstOrderTables) {
  psBuff ps;
  phaseNull(&ps);
  ASSERT_EQ(0, phaseInit(&ps, 4, 90.0f, 0.0f));
  Vec re(4, 1.0f), im(4, 0.0f);
  phase(re.data(), im.data(), &ps);
  for (int k = 0; k < 4; k++) {
    EXPECT_NEAR(0.0f, re[k], 1e-6);
    EXPECT_NEAR(1.0f, im[k], 1e-6);
  }
  ASSERT_EQ(0, phaseInit(&ps, 4, 0.0f, 360.0f));  // a quarter turn per point
  re.assign(4, 1.0f);
  im.assign(4, 0.0f);
  phase(re.data(), im.data(), &ps);
  EXPECT_NEAR(-1.0f, re[2], 1e-6);
  EXPECT_NEAR(-1.0f, im[3], 1e-6);
  phaseFree(&ps);
  EXPECT_EQ(nullptr, ps.rdata);
}
