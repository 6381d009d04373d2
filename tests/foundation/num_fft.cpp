// FFT routines against a direct discrete Fourier transform, and FFT
// convolution against direct circular convolution.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "foundation/convlv.h"
#include "foundation/fft.h"
#include "tests/support/capture.h"

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

}  // namespace
