// Polynomial, cosine and linear baselines and the smoothing spline.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "foundation/polyfit.h"
#include "foundation/pppack.h"
#include "foundation/smspline.h"
#include "foundation/svdpoly.h"
#include "tests/support/allocfail.h"
#include "tests/support/capture.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

class NumBaseline : public ::testing::Test {
 protected:
  void SetUp() override {
    memoryReset();
    svdPolyFree();
    cosPhaseReset();
    intervReset();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(NumBaseline, PolynomialAndCosineFitsRecoverCoefficients) {
  std::vector<float> x, y;
  for (int i = 0; i < 12; i++) x.push_back(-1.0f + 0.25f * i), y.push_back(1 + 2 * x[i] + 3 * x[i] * x[i]);
  float c[3];
  ASSERT_EQ(polyFit(x.data(), y.data(), 12, 2, c), 0);
  EXPECT_NEAR(c[0], 1.0f, 1e-4);
  EXPECT_NEAR(c[1], 2.0f, 1e-4);
  EXPECT_NEAR(c[2], 3.0f, 1e-4);

  float c5[6] = {9, 9, 9, 9, 9, 9}, fit[12];  // order 5 lowered to the quadratic, the rest zero
  ASSERT_EQ(polyFit(x.data(), y.data(), 3, 5, c5), 0);
  polyEval(x.data(), fit, 12, 5, c5);
  for (int i = 0; i < 12; i++) EXPECT_NEAR(fit[i], y[i], 1e-3);
  EXPECT_EQ(polyFit(x.data(), y.data(), 0, 2, c), 1);

  // A cosine series after a cache of other sizes: 2 + 0.5 cos(x + 30 deg) - cos(2x + 30 deg).
  std::vector<float> cx, cy;
  const double ph = 30.0 * M_PI / 180.0;
  for (int i = 0; i < 40; i++) {
    cx.push_back(0.15f * i);
    cy.push_back(float(2 + 0.5 * std::cos(cx[i] + ph) - std::cos(2 * cx[i] + ph)));
  }
  float cc[3];
  ASSERT_EQ(cosFit(cx.data(), cy.data(), 40, 2, cc, 30.0f, 0.0f), 0);
  EXPECT_NEAR(cc[0] * std::cos(ph), 2.0, 1e-3);  // the constant term carries the phase
  EXPECT_NEAR(cc[1], 0.5f, 1e-3);
  EXPECT_NEAR(cc[2], -1.0f, 1e-3);
}

TEST_F(NumBaseline, MasksAreClippedAndEndsMarkedUnevenly) {
  PolyBuff pb;
  polyNull(&pb);
  ASSERT_EQ(polyInit(&pb, 10), 0);
  auto fit = [&] { return std::vector<int>(pb.fitMask, pb.fitMask + 10); };
  int nodes[2] = {-5, 40};  // clipped to the first and last point, as is the subtraction range
  polyMask(&pb, 1, 10, -3, 50, 0, 0, 0, 1, 0, nodes, 2);
  EXPECT_EQ(fit(), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0, 1, 1}));
  EXPECT_EQ(std::vector<int>(pb.subMask, pb.subMask + 10), std::vector<int>(10, 1));
  polyMask(&pb, 1, 10, 1, 10, 1, 1, 0, 1, 1, nullptr, 0);  // ends w+1 and w points; node 5 +- 1
  EXPECT_EQ(fit(), (std::vector<int>{1, 1, 0, 0, 1, 1, 1, 0, 0, 1}));
  polyMask(&pb, 1, 10, 1, 10, 1, 1, 1, 3, 0, nullptr, 0);  // averaging: the end gets nothing
  EXPECT_EQ(fit(), (std::vector<int>{3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  polyFree(&pb);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(NumBaseline, SubtractionRemovesBaselineAndKeepsPeak) {
  const int n = 64;
  for (int sine = 0; sine <= 1; sine++) {
    PolyBuff pb;
    polyNull(&pb);
    pb.order = 2;
    pb.sineFlag = sine;
    ASSERT_EQ(polyInit(&pb, n), 0);
    polyMask(&pb, 1, 20, 1, n, 1, 1, 0, 0, 0, nullptr, 0);  // subtract everywhere
    for (int i = 0; i < n; i++) pb.fitMask[i] = (i < 20 || i >= 44);  // fit outside the peak
    std::vector<float> d(n), im(n);
    for (int i = 0; i < n; i++) {
      const double t = 2 * M_PI * i / n;  // baselines exact in each basis
      d[i] = float(sine ? 5 + 2 * std::cos(t) : 5 + 0.1 * i - 0.002 * i * i);
      im[i] = float(sine ? 0.8 * std::sin(t) - 1.5 * std::sin(2 * t) : 0);  // phase +90 deg: sines
      if (i == 32) d[i] += 7.0f;
    }
    pb.quadState = sine ? 2 : 1;
    ASSERT_EQ(polySub(d.data(), im.data(), &pb), 0);
    for (int i = 0; i < n; i++) EXPECT_NEAR(d[i], i == 32 ? 7.0 : 0.0, 2e-3) << sine << " " << i;
    for (int i = 0; sine && i < n; i++) EXPECT_NEAR(im[i], 0.0, 2e-3) << i;
    polyFree(&pb);
  }
}

TEST_F(NumBaseline, SubtractionEdgeCases) {
  PolyBuff pb;
  polyNull(&pb);
  pb.order = 3;
  ASSERT_EQ(polyInit(&pb, 8), 0);
  std::vector<float> d = {4, 5, 6, 7, 8, 9, 10, 11}, orig = d;
  ASSERT_EQ(polySub2(d.data(), 1, &pb), 0);  // nothing fitted: nothing subtracted
  EXPECT_EQ(d, orig);
  // Two fitted points and order 3: the line through them, the coefficients
  // above it zeroed rather than left from before.
  int nodes[2] = {2, 7};
  polyMask(&pb, 1, 8, 1, 8, 0, 0, 0, 0, 0, nodes, 2);
  std::fill(pb.coef, pb.coef + 4, 50.0f);
  ASSERT_EQ(polySub2(d.data(), 1, &pb), 0);
  for (int i = 0; i < 8; i++) EXPECT_NEAR(d[i], 0.0, 1e-4);
  EXPECT_EQ(std::vector<float>(pb.coef + 2, pb.coef + 4), std::vector<float>(2, 0.0f));
  pb.order = -1;  // show the mask
  ASSERT_EQ(polySub2(d.data(), 1, &pb), 0);
  EXPECT_EQ(d, (std::vector<float>{0, 1, 0, 0, 0, 0, 1, 0}));
  pb.order = 3;
  polyFree(&pb);
}

TEST_F(NumBaseline, LinearBaselineThroughNodes) {
  std::vector<float> w(7);
  struct Case {
    std::vector<float> y;
    std::vector<int> nodes;
    int width;
    std::vector<float> want;
  } cases[] = {
      {{1, 2, 3, 4, 5}, {1, 5}, 0, {0, 0, 0, 0, 0}},
      {{1, 2, 3, 4, 5}, {-2, 9}, 0, {0, 0, 0, 0, 0}},  // nodes clipped to the data
      {{1, 2, 3, 4, 5}, {3}, 0, {1, 2, 3, 4, 5}},      // one node: nothing
      {{9, 1, 2, 9, 3, 4, 9}, {2, 3, 5, 6}, 0, {9, 0, 0, 6.5f, 0, 0, 9}},
      {{2, 0, 2, 5, 8, 6, 8}, {2, 6}, 1, {2, -4.0f / 3, -5.0f / 6, 2.0f / 3, 13.0f / 6, -4.0f / 3, 8}},  // 4/3 .. 22/3
  };
  for (auto &c : cases) {
    linBase(c.y.data(), int(c.y.size()), c.nodes.data(), int(c.nodes.size()), c.width, w.data());
    for (size_t i = 0; i < c.y.size(); i++) EXPECT_NEAR(c.y[i], c.want[i], 1e-5) << i;
  }
}

TEST_F(NumBaseline, SmoothingSplineLimits) {
  EXPECT_EQ(smSpline(nullptr, nullptr, 2, 1.0f, 1.0f), nullptr);
  const int n = 10;
  std::vector<float> x(n), y(n), line(n);
  for (int i = 0; i < n; i++) {
    x[i] = 0.5f * i;
    y[i] = std::sin(x[i]);
    line[i] = 1.0f + 0.5f * x[i] + (i % 2 ? 0.3f : -0.3f);  // a line with noise
  }
  // Very large s: the least-squares line through the points and the appended
  // one (2 y[n-1] - y[n-2] at 2 x[n-1] - x[n-2]).
  float *a = smSpline(x.data(), line.data(), n, 1.0f, 1e9f);
  ASSERT_NE(a, nullptr);
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (int i = 0; i <= n; i++) {
    double xi = i < n ? x[i] : 2.0 * x[n - 1] - x[n - 2], yi = i < n ? line[i] : 2.0 * line[n - 1] - line[n - 2];
    sx += xi, sy += yi, sxx += xi * xi, sxy += xi * yi;
  }
  const double slope = ((n + 1) * sxy - sx * sy) / ((n + 1) * sxx - sx * sx), icpt = (sy - slope * sx) / (n + 1);
  for (float t : {-0.3f, 0.0f, 1.1f, 2.6f, 4.5f, 4.8f, 5.3f}) {
    EXPECT_NEAR(cSplineVal(x.data(), a, n, t), icpt + slope * t, 1e-3) << t;
    EXPECT_NEAR(cSplineDX(x.data(), a, n, t, 1), slope, 1e-3) << t;
  }

  // Small s: interpolation, continued smoothly past the last point.
  float *b = smSpline(x.data(), y.data(), n, 1.0f, 1e-6f);
  ASSERT_NE(b, nullptr);
  for (int i = 0; i < n; i++) EXPECT_NEAR(cSplineVal(x.data(), b, n, x[i]), y[i], 2e-3) << i;
  const float xl = x[n - 1], h = 1e-3f;
  EXPECT_NEAR(cSplineVal(x.data(), b, n, xl + h), cSplineVal(x.data(), b, n, xl - h), 4e-3);
  EXPECT_TRUE(std::isfinite(cSplineVal(x.data(), b, n, 100.0f)));

  // s = 0 is the default 1.1 (n + 1), which smooths.
  float *c0 = smSpline(x.data(), y.data(), n, 1.0f, 0.0f), *c1 = smSpline(x.data(), y.data(), n, 1.0f, 1.1f * (n + 1));
  ASSERT_TRUE(c0 && c1);
  EXPECT_EQ(std::vector<float>(c0, c0 + 4 * (n + 1)), std::vector<float>(c1, c1 + 4 * (n + 1)));
  EXPECT_GT(std::fabs(c0[4 * 3] - y[3]), 1e-2);
}

TEST_F(NumBaseline, AllocationFailuresAreReported) {
  std::vector<float> x = {0, 1, 2, 3, 4}, y = {1, 3, 2, 5, 4};
  const int failed = korim_test::sweepAllocationFailures(
      [&](int) {
        PolyBuff pb;
        polyNull(&pb);
        if (polyInit(&pb, 5) == 0) polyFree(&pb);
        float c[2];
        smSpline(x.data(), y.data(), 5, 1.0f, 0.0f);
        polyFit(x.data(), y.data(), 5, 1, c);
        svdPolyFree();
      },
      [](int n, bool fired, const std::string &err) {
        for (const char *msg : {"POLY Error allocating", "SPLINE Error allocating memory.\n", "SVDPOLY Error performing SVD.\n"})
          if (err.find(msg) != std::string::npos) return;
        EXPECT_FALSE(fired) << n << ": " << err;
      });
  EXPECT_GE(failed, 13);  // six record arrays, six spline arrays, the SVD cache
}

}  // namespace
