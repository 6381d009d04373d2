// FFT routines against a direct discrete Fourier transform, FFT convolution against direct
// circular convolution; polynomial, cosine and linear baselines and the smoothing spline.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <complex>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/convlv.h"
#include "foundation/fft.h"
#include "foundation/memory.h"
#include "foundation/polyfit.h"
#include "foundation/pppack.h"
#include "foundation/smspline.h"
#include "foundation/svdpoly.h"
#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

// Deterministic values in [-1, 1).
std::vector<float> noise(int n, unsigned seed) {
  std::vector<float> v(n);
  for (auto &x : v) {
    seed = seed * 1103515245u + 12345u;
    x = float((seed >> 8) % 20000) / 10000.0f - 1.0f;
  }
  return v;
}

// Direct transform of the real values x[1..n] with kernel exp(+2 pi i jk/n).
std::vector<std::complex<double>> dft(const float *x, int n) {
  std::vector<std::complex<double>> out(n);
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++) out[k] += double(x[j + 1]) * std::polar(1.0, 2 * M_PI * j * k / n);
  return out;
}

TEST(NumFft, ComplexTransformRoundTripParsevalAndImpulse) {
  const int n = 1024;
  std::vector<float> d = noise(2 * n + 1, 7), in = d;
  four1(d.data(), n, 1);
  double energyIn = 0, energyOut = 0;  // Parseval: sum |x|^2 = sum |X|^2 / n
  for (int i = 1; i <= 2 * n; i++) energyIn += double(in[i]) * in[i], energyOut += double(d[i]) * d[i];
  EXPECT_NEAR(energyOut / n, energyIn, 1e-4 * energyIn);
  four1(d.data(), n, -1);
  for (int i = 1; i <= 2 * n; i++) EXPECT_NEAR(d[i] / n, in[i], 1e-5);

  // The vector butterflies give the plain ones' bytes, both ways, from the smallest length to one
  // past a block of the first stages.
  for (unsigned long len : {4ul, 8ul, 4096ul})
    for (int sign : {1, -1}) {
      std::vector<float> a = noise(2 * len + 1, 11), b = a;
      four1(a.data(), len, sign);
      four1Plain(b.data(), len, sign);
      EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << len << " " << sign;
    }
  std::vector<float> imp(17, 0.0f);
  imp[1] = 1.0f;  // unit impulse at time 0: all ones
  four1(imp.data(), 8, 1);
  for (int i = 1; i <= 16; i++) EXPECT_FLOAT_EQ(imp[i], i % 2 ? 1.0f : 0.0f);
  std::vector<float> six(13, 2.0f), before = six;
  EXPECT_EQ(captureStderr([&] { four1(six.data(), 6, 1); }),
            "Utility Error: Number of points not a power of 2 in FOUR1\nAborting.\n");
  EXPECT_EQ(six, before);
}

TEST(NumFft, RealTransformMatchesDirectSum) {
  const int n = 32;  // 2n = 64 real values (twofft is checked through the convolution)
  std::vector<float> d = noise(2 * n + 1, 3), in = d;
  auto ref = dft(in.data(), 2 * n);
  realft(d.data(), n, 1);
  EXPECT_NEAR(d[1], ref[0].real(), 1e-4);
  EXPECT_NEAR(d[2], ref[n].real(), 1e-4);  // the top frequency packed in front
  for (int k = 1; k < n; k++) EXPECT_NEAR(std::abs(std::complex<double>(d[2 * k + 1], d[2 * k + 2]) - ref[k]), 0, 1e-4);
  realft(d.data(), n, -1);
  for (int i = 1; i <= 2 * n; i++) EXPECT_NEAR(d[i] / n, in[i], 1e-5);
}

// Response in wrap-around order, padded to n (1-based).
std::vector<float> response(int n, std::vector<float> r) {
  std::vector<float> v(n + 1, -7.0f);  // the call must clear what lies beyond m
  for (size_t i = 0; i < r.size(); i++) v[i + 1] = r[i];
  return v;
}

TEST(NumFft, ConvolutionMatchesDirectCircularSum) {
  const int n = 16;
  std::vector<float> impulse(n + 1, 0.0f), sig = noise(n + 1, 5), ans(2 * n + 1);
  impulse[1] = 1.0f;  // at the first point: the response wraps round to point n
  struct Case {
    const std::vector<float> &data;
    std::vector<float> h;  // wrap-around order: times 0, 1, .., (m-1)/2, -(m-1)/2, .., -1
  } cases[] = {{impulse, {0.5f, 0.25f, 0.25f}}, {sig, {1.0f}}, {sig, {0.4f, 0.3f, -0.1f, 0.2f, 0.05f}}};
  for (const auto &c : cases) {
    const int m = int(c.h.size());
    auto r = response(n, c.h);
    std::vector<float> data = c.data;
    ASSERT_EQ(convlv(data.data(), n, r.data(), m, 1, ans.data()), 0);
    // The response as convlv left it, given again: the same bytes, the response unchanged.
    const std::vector<float> arranged = r;
    std::vector<float> again(2 * n + 1);
    ASSERT_EQ(convlvArranged(data.data(), n, r.data(), 1, again.data()), 0);
    EXPECT_EQ(std::memcmp(again.data() + 1, ans.data() + 1, n * sizeof(float)), 0);
    EXPECT_EQ(r, arranged);
    for (int i = 0; i < n; i++) {
      double want = 0;
      for (int k = 0; k < m; k++) want += c.h[k] * c.data[1 + ((i - (k <= m / 2 ? k : k - m)) % n + n) % n];
      EXPECT_NEAR(ans[i + 1], want, 1e-5) << m << " " << i;
    }
  }
  EXPECT_NEAR(ans[1], 0.4f * sig[1] + 0.3f * sig[n] - 0.1f * sig[n - 1] + 0.2f * sig[3] + 0.05f * sig[2], 1e-5);
}

TEST(NumFft, DeconvolutionUndoesConvolution) {
  const int n = 64;
  std::vector<float> sig = noise(n + 1, 9), conv(2 * n + 1), back(2 * n + 1);
  const std::vector<float> h = {0.6f, 0.2f, 0.2f};  // transform 0.6 + 0.4 cos w, never 0
  auto r = response(n, h);
  ASSERT_EQ(convlv(sig.data(), n, r.data(), 3, 1, conv.data()), 0);
  r = response(n, h);
  ASSERT_EQ(convlv(conv.data(), n, r.data(), 3, -1, back.data()), 0);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(back[i], sig[i], 1e-4);

  // (0.5, 0.25, 0.25) vanishes at the top frequency.
  r = response(n, {0.5f, 0.25f, 0.25f});
  std::string err = captureStderr([&] { EXPECT_EQ(convlv(conv.data(), n, r.data(), 3, -1, back.data()), 1); });
  EXPECT_NE(err.find("Utility Error: Deconvolving at response zero in CONVLV\nAborting.\n"), std::string::npos);
}

TEST(NumFft, ConvolutionRefusesUnusableArguments) {
  struct Case {
    int n, m, isign;
    const char *msg;
  } cases[] = {
      {8, 2, 1, "Bad response length in CONVLV"},        // even response
      {8, 9, 1, "Bad response length in CONVLV"},        // longer than the data
      {12, 3, 1, "Number of points not a power of 2 in CONVLV"},
      {8, 3, 0, "No meaning for ISIGN in CONVLV"},
  };
  for (const auto &c : cases) {
    std::vector<float> data(17, 1.0f), r(17, 0.5f), ans(33, 3.0f);
    const auto r0 = r, a0 = ans;
    std::string err = captureStderr([&] { EXPECT_EQ(convlv(data.data(), c.n, r.data(), c.m, c.isign, ans.data()), 1); });
    EXPECT_EQ(err, std::string("Utility Error: ") + c.msg + "\nAborting.\n");
    EXPECT_EQ(r, r0);
    EXPECT_EQ(ans, a0);
  }
}

using NumBaseline = korim_test::Resetting<memoryReset, svdPolyFree, cosPhaseReset, intervReset>;

TEST_F(NumBaseline, PolynomialAndCosineFitsRecoverCoefficients) {
  std::vector<float> x, y;
  for (int i = 0; i < 12; i++) x.push_back(-1.0f + 0.25f * i), y.push_back(1 + 2 * x[i] + 3 * x[i] * x[i]);
  float c[3];
  ASSERT_EQ(polyFit(x.data(), y.data(), 12, 2, c), 0);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(c[k], k + 1.0f, 1e-4) << k;

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
  polyFree(&pb);
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
  std::vector<float> d = {4, 5, 6, 7, 8, 9, 10, 11};
  // Two fitted points and order 3: the line through them, the coefficients
  // above it zeroed rather than left from before.
  int nodes[2] = {2, 7};
  polyMask(&pb, 1, 8, 1, 8, 0, 0, 0, 0, 0, nodes, 2);
  std::fill(pb.coef, pb.coef + 4, 50.0f);
  ASSERT_EQ(polySub2(d.data(), 1, &pb), 0);
  for (int i = 0; i < 8; i++) EXPECT_NEAR(d[i], 0.0, 1e-4);
  EXPECT_EQ(std::vector<float>(pb.coef + 2, pb.coef + 4), std::vector<float>(2, 0.0f));
  polyFree(&pb);
}

TEST_F(NumBaseline, LinearBaselineThroughNodes) {
  std::vector<float> w(7);
  // (data, nodes, averaging half-width, result)
  struct { std::vector<float> y; std::vector<int> nodes; int width; std::vector<float> want; } cases[] = {
      {{1, 2, 3, 4, 5}, {-2, 9}, 0, {0, 0, 0, 0, 0}},  // nodes clipped to the data
      {{2, 0, 2, 5, 8, 6, 8}, {2, 6}, 1, {2, -4.0f / 3, -5.0f / 6, 2.0f / 3, 13.0f / 6, -4.0f / 3, 8}},  // 4/3 .. 22/3
  };
  for (auto &c : cases) {
    linBase(c.y.data(), int(c.y.size()), c.nodes.data(), int(c.nodes.size()), c.width, w.data());
    for (size_t i = 0; i < c.y.size(); i++) EXPECT_NEAR(c.y[i], c.want[i], 1e-5) << i;
  }
}

TEST_F(NumBaseline, SmoothingSplineLimits) {
  EXPECT_EQ(smSpline(nullptr, nullptr, 2, 1.0f, 1.0f), nullptr);
  // Counts whose work arrays (7 floats a point) no block holds are refused before any is read.
  for (int big : {76695844, 306783378, INT_MAX}) EXPECT_EQ(smSpline(nullptr, nullptr, big, 1.0f, 1.0f), nullptr) << big;
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

}  // namespace
