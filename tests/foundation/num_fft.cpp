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

// Direct transform with kernel exp(+2 pi i jk/n).
std::vector<std::complex<double>> dft(const std::vector<std::complex<double>> &x) {
  const size_t n = x.size();
  std::vector<std::complex<double>> out(n);
  for (size_t k = 0; k < n; k++)
    for (size_t j = 0; j < n; j++) out[k] += x[j] * std::polar(1.0, 2 * M_PI * double(j * k) / double(n));
  return out;
}

TEST(NumFft, ComplexTransformMatchesDirectSumAndRoundTrips) {
  const int n = 1024;
  std::vector<float> in = noise(2 * n, 7), d(2 * n + 1);
  for (int i = 0; i < 2 * n; i++) d[i + 1] = in[i];
  four1(d.data(), n, 1);
  double energyIn = 0, energyOut = 0;  // Parseval: sum |x|^2 = sum |X|^2 / n
  for (int i = 0; i < 2 * n; i++) energyIn += double(in[i]) * in[i];
  for (int i = 1; i <= 2 * n; i++) energyOut += double(d[i]) * d[i];
  EXPECT_NEAR(energyOut / n, energyIn, 1e-4 * energyIn);

  std::vector<std::complex<double>> x(64);  // sign convention on a shorter twin
  for (int j = 0; j < 64; j++) x[j] = {in[2 * j], in[2 * j + 1]};
  std::vector<float> s(129);
  for (int i = 0; i < 128; i++) s[i + 1] = in[i];
  four1(s.data(), 64, 1);
  auto ref = dft(x);
  for (int k = 0; k < 64; k++) {
    EXPECT_NEAR(s[2 * k + 1], ref[k].real(), 1e-4);
    EXPECT_NEAR(s[2 * k + 2], ref[k].imag(), 1e-4);
  }

  four1(d.data(), n, -1);
  for (int i = 0; i < 2 * n; i++) EXPECT_NEAR(d[i + 1] / n, in[i], 1e-5);
}

TEST(NumFft, ImpulseSingleAndRefusedLengths) {
  std::vector<float> d(17, 0.0f);
  d[1] = 1.0f;  // unit impulse at time 0
  four1(d.data(), 8, 1);
  for (int k = 0; k < 8; k++) {
    EXPECT_FLOAT_EQ(d[2 * k + 1], 1.0f);
    EXPECT_FLOAT_EQ(d[2 * k + 2], 0.0f);
  }
  float one[3] = {0, 3, -2};
  four1(one, 1, 1);
  EXPECT_EQ(one[1], 3.0f);
  EXPECT_EQ(one[2], -2.0f);
  std::vector<float> six = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, before = six;
  EXPECT_EQ(captureStderr([&] { four1(six.data(), 6, 1); }),
            "Utility Error: Number of points not a power of 2 in FOUR1\nAborting.\n");
  EXPECT_EQ(six, before);
}

TEST(NumFft, RealTransformPackingAndInverse) {
  const int n = 32;  // 2n = 64 real values
  std::vector<float> in = noise(2 * n, 3), d(2 * n + 1);
  for (int i = 0; i < 2 * n; i++) d[i + 1] = in[i];
  realft(d.data(), n, 1);
  std::vector<std::complex<double>> x(2 * n);
  for (int i = 0; i < 2 * n; i++) x[i] = in[i];
  auto ref = dft(x);
  EXPECT_NEAR(d[1], ref[0].real(), 1e-4);
  EXPECT_NEAR(d[2], ref[n].real(), 1e-4);
  for (int k = 1; k < n; k++) {
    EXPECT_NEAR(d[2 * k + 1], ref[k].real(), 1e-4) << k;
    EXPECT_NEAR(d[2 * k + 2], ref[k].imag(), 1e-4) << k;
  }
  realft(d.data(), n, -1);
  for (int i = 0; i < 2 * n; i++) EXPECT_NEAR(d[i + 1] / n, in[i], 1e-5);
}

TEST(NumFft, TwoRealTransformsAtOnce) {
  const int n = 16;
  std::vector<float> a = noise(n, 11), b = noise(n, 12), d1(n + 1), d2(n + 1), f1(2 * n + 1), f2(2 * n + 1);
  for (int i = 0; i < n; i++) d1[i + 1] = a[i], d2[i + 1] = b[i];
  twofft(d1.data(), d2.data(), f1.data(), f2.data(), n);
  std::vector<std::complex<double>> xa(a.begin(), a.end()), xb(b.begin(), b.end());
  auto ra = dft(xa), rb = dft(xb);
  for (int k = 0; k < n; k++) {
    EXPECT_NEAR(f1[2 * k + 1], ra[k].real(), 1e-4);
    EXPECT_NEAR(f1[2 * k + 2], ra[k].imag(), 1e-4);
    EXPECT_NEAR(f2[2 * k + 1], rb[k].real(), 1e-4);
    EXPECT_NEAR(f2[2 * k + 2], rb[k].imag(), 1e-4);
  }
}

// Response in wrap-around order, padded to n (1-based).
std::vector<float> response(int n, std::vector<float> r) {
  std::vector<float> v(n + 1, -7.0f);  // the call must clear what lies beyond m
  for (size_t i = 0; i < r.size(); i++) v[i + 1] = r[i];
  return v;
}

TEST(NumFft, ConvolutionMatchesDirectCircularSum) {
  const int n = 16;
  std::vector<float> ans(2 * n + 1), data(n + 1, 0.0f);
  data[1] = 1.0f;  // unit impulse at the first point: the response wraps round
  auto r = response(n, {0.5f, 0.25f, 0.25f});
  ASSERT_EQ(convlv(data.data(), n, r.data(), 3, 1, ans.data()), 0);
  for (int i = 1; i <= n; i++)
    EXPECT_NEAR(ans[i], i == 1 ? 0.5 : (i == 2 || i == n) ? 0.25 : 0.0, 1e-6) << i;

  auto one = response(n, {1.0f});
  std::vector<float> sig = noise(n + 1, 5);
  ASSERT_EQ(convlv(sig.data(), n, one.data(), 1, 1, ans.data()), 0);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(ans[i], sig[i], 1e-5);

  // Five-point response against the direct sum over times -2..2.
  std::vector<float> h = {0.4f, 0.3f, -0.1f, 0.2f, 0.05f};  // times 0, 1, 2, -2, -1
  const int times[5] = {0, 1, 2, -2, -1};
  auto r5 = response(n, h);
  ASSERT_EQ(convlv(sig.data(), n, r5.data(), 5, 1, ans.data()), 0);
  for (int i = 0; i < n; i++) {
    double want = 0;
    for (int k = 0; k < 5; k++) want += h[k] * sig[1 + ((i - times[k]) % n + n) % n];
    EXPECT_NEAR(ans[i + 1], want, 1e-5) << i;
  }
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
  std::string err;
  err = captureStderr([&] { EXPECT_EQ(convlv(conv.data(), n, r.data(), 3, -1, back.data()), 1); });
  EXPECT_NE(err.find("Utility Error: Deconvolving at response zero in CONVLV\nAborting.\n"), std::string::npos);
}

TEST(NumFft, ConvolutionRefusesUnusableArguments) {
  struct Case {
    int n, m, isign;
    const char *msg;
  } cases[] = {
      {8, 2, 1, "Bad response length in CONVLV"},        // even response
      {8, 9, 1, "Bad response length in CONVLV"},        // longer than the data
      {8, -1, 1, "Bad response length in CONVLV"},
      {12, 3, 1, "Number of points not a power of 2 in CONVLV"},
      {1, 1, 1, "Number of points not a power of 2 in CONVLV"},
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
