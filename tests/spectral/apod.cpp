// Apodisation windows and phase tables against their closed forms.
#include "spectral/apod.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectral/phasetab.h"
#include "tests/support/capture.h"

using namespace korim::spectral;
using Vec = std::vector<float>;

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
