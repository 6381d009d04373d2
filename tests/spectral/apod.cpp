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
  Vec ones(9, 1.0f), v = ones;
  apodFn(v.data(), 9, 9, 9, 0.0f, 0.0f, 0, 0, APOD_EM);
  EXPECT_EQ(ones, v);
  apodFn(v.data(), 9, 9, 9, 0.0f, 1.0f, 0, 0, APOD_EM);  // sw 0 counts as 1 Hz
  EXPECT_NEAR(std::exp(-M_PI * 4), v[4], 1e-6);
  v = ones;
  apodFn(v.data(), 9, 9, 9, 100.0f, 0.0f, 1.0f, 1.0f, APOD_SP);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(std::sin(M_PI * k / 8), v[k], 1e-6) << k;
  v = ones;
  apodFn(v.data(), 9, 9, 9, 1.0f, 3.0f, 5.0f, 0.0f, APOD_ZE);
  EXPECT_EQ((Vec{1, 1, 0, 0, 0, 1, 1, 1, 1}), v);
  v = ones;
  apodFn(v.data(), 9, 9, 9, 1.0f, 5.0f, 3.0f, 1.0f, APOD_ZE);
  EXPECT_EQ((Vec{0, 0, 1, 1, 1, 0, 0, 0, 0}), v);
  v = ones;
  apodFn(v.data(), 9, 9, 9, 1.0f, 3.0f, 4.0f, 0.0f, APOD_TM);
  EXPECT_EQ((Vec{0, 0.5, 1, 1, 1, 1, 2 / 3.0f, 1 / 3.0f, 0}), v);
  v = ones;
  EXPECT_EQ(1, apodFn(v.data(), 9, 9, 9, 1.0f, 1, 1, 1, 8));
  EXPECT_EQ(ones, v);
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
  int status = 0;
  err = korim_test::captureStderr(
      [&] { status = apodInit(APOD_EM, &w, 20, 0, 5, 1, 1, 0, 0, 0, 0, 0); });
  EXPECT_EQ(1, status);
  EXPECT_EQ("Apodize Error: bad start point 0 for size 20.\n", err);
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
