// Linear prediction: continuation of exact exponential signals in 1-D and
// 2-D, root reflection, and the refusals of the workspace set-up.
#include <gtest/gtest.h>

#include <complex>
#include <string>
#include <vector>

#include "spectral/lp2d.h"
#include "spectral/lpc.h"
#include "spectral/lproots.h"
#include "tests/support/capture.h"

using namespace korim::spectral;
using cplx = std::complex<double>;

namespace {

// Sum of amp_k z_k^n for n = first .. first+count-1.
struct Signal {
  std::vector<cplx> amp, z;
  cplx at(int n) const {
    cplx s = 0;
    for (size_t k = 0; k < z.size(); k++) s += amp[k] * std::pow(z[k], n);
    return s;
  }
};

// Data of n points at offset `lead` of arrays with `lead` points before and
// `tail` after; returns the largest error of the predicted region.
double predictError(const Signal &sig, int n, int order, int sigCount, int lead, int tail,
                    int before, int opt = 0, int fix = 0) {
  std::vector<float> re(lead + n + tail, 99.0f), im(lead + n + tail, 99.0f);
  for (int k = 0; k < n; k++) re[lead + k] = float(sig.at(k).real()), im[lead + k] = float(sig.at(k).imag());
  LPBuff lp;
  lpcNull(&lp);
  int count = before ? lead : tail;
  EXPECT_EQ(0, lpcInit(&lp, n, count, order, sigCount, opt, fix, before, 0));
  float *rp = before ? re.data() : re.data() + lead + n;
  float *ip = before ? im.data() : im.data() + lead + n;
  lpc(re.data() + lead, im.data() + lead, rp, ip, sigCount, &lp);
  lpcFree(&lp);
  double worst = 0;
  for (int k = 0; k < count; k++) {
    int t = before ? k - lead : n + k;
    worst = std::max(worst, std::abs(cplx(rp[k], ip[k]) - sig.at(t)));
  }
  return worst;
}

// Coefficients c_1..c_p (1-based, re then im) of prod (z - r_j) = z^p - sum c_j z^(p-j).
std::vector<double> coefFromRoots(const std::vector<cplx> &roots) {
  std::vector<cplx> poly{1.0};  // highest power first
  for (cplx r : roots) {
    std::vector<cplx> next(poly.size() + 1, 0.0);
    for (size_t i = 0; i < poly.size(); i++) {
      next[i] += poly[i];
      next[i + 1] -= r * poly[i];
    }
    poly = next;
  }
  int p = static_cast<int>(roots.size());
  std::vector<double> d(2 * p + 1, 0.0);
  for (int j = 1; j <= p; j++) {
    d[j] = -poly[j].real();
    d[p + j] = -poly[j].imag();
  }
  return d;
}

}  // namespace

TEST(Lpc, ContinuesDampedExponentialsBothWays) {
  Signal two{{1.0, std::polar(0.6, 0.5)},
             {std::exp(cplx(-0.02, 0.3)), std::exp(cplx(-0.05, -0.9))}};
  EXPECT_LT(predictError(two, 64, 4, 2, 0, 64, 0), 1e-4);
  EXPECT_LT(predictError(two, 64, 4, 2, 16, 0, 1), 1e-4);
  // No truncation (signal count = order) predicts as well on noiseless data.
  EXPECT_LT(predictError(two, 64, 4, 4, 0, 64, 0), 1e-4);
  // Mixed and opposite-direction coefficients agree once the roots are fixed.
  for (int opt : {1, 2}) EXPECT_LT(predictError(two, 64, 4, 2, 0, 64, 0, opt, 1), 1e-4) << opt;
  // Order one continues one exponential exactly.
  Signal one{{cplx(0.8, -0.3)}, {std::exp(cplx(-0.03, 1.1))}};
  EXPECT_LT(predictError(one, 32, 1, 1, 0, 32, 0), 1e-5);
  EXPECT_LT(predictError(one, 32, 1, 1, 8, 0, 1), 1e-5);
}

TEST(Lpc, DebugListingOfCoefficients) {
  cplx z = std::polar(0.5, 0.3);
  std::vector<float> re(12), im(12);
  for (int n = 0; n < 8; n++) re[n] = float(std::pow(z, n).real()), im[n] = float(std::pow(z, n).imag());
  LPBuff lp;
  lpcNull(&lp);
  ASSERT_EQ(0, lpcInit(&lp, 8, 4, 1, 1, 0, 0, 0, 1));
  std::string err = korim_test::captureStderr(
      [&] { lpc(re.data(), im.data(), re.data() + 8, im.data() + 8, 1, &lp); });
  const char *set = "      0.477668       0.147760\n", *none = "      0.000000       0.000000\n";
  EXPECT_EQ(std::string("LPC Forward Before Fixing:\n\n") + set +
                "LPC Backward Before Fixing:\n\n" + none + "LPC Forward After Fixing:\n\n" + set +
                "LPC Backward After Fixing:\n\n" + none,
            err);
  lpcFree(&lp);
}

TEST(Lpc, ZeroSignalsPredictZerosAndZeroCountLeavesOutputAlone) {
  std::vector<float> re(20, 1.0f), im(20, 1.0f);
  LPBuff lp;
  lpcNull(&lp);
  ASSERT_EQ(0, lpcInit(&lp, 10, 10, 2, 0, 0, 0, 0, 0));
  lpc(re.data(), im.data(), re.data() + 10, im.data() + 10, 0, &lp);
  for (int k = 10; k < 20; k++) EXPECT_EQ(0.0f, re[k] + im[k]);
  lpcFree(&lp);
}

TEST(Lpc, InitRefusesOrderAboveLimitAndTooFewPoints) {
  LPBuff lp;
  lpcNull(&lp);
  struct Case { int n, order, opt; const char *msg; } cases[] = {
      {200, 65, 0, "LPC Error: Maximum Order is 64.\n"},
      {127, 64, 0, "LPC Error: 127 points are too few for order 64 (at least 128 needed).\n"},
      {20, -1, 0, "LPC Error: bad order -1.\n"},
      {20, 4, 3, "LPC Error: bad coefficient mode 3.\n"}};
  for (const Case &c : cases) {
    EXPECT_EQ(c.msg, korim_test::captureStderr([&] { EXPECT_EQ(1, lpcInit(&lp, c.n, 8, c.order, 2, c.opt, 0, 0, 0)); }));
    EXPECT_EQ(nullptr, lp.x);
  }
  EXPECT_EQ(0, lpcInit(&lp, 128, 8, 64, 64, 0, 0, 0, 0));
  lpcFree(&lp);
}

TEST(LpRoots, FixReflectsRootsOutsideTheUnitCircle) {
  std::vector<cplx> roots{std::polar(1.2, 0.4), 0.5, std::polar(0.9, -1.0)};
  std::vector<cplx> fixedOut{std::polar(1 / 1.2, 0.4), 0.5, std::polar(0.9, -1.0)};
  std::vector<cplx> fixedIn{std::polar(1.2, 0.4), 2.0, std::polar(1 / 0.9, -1.0)};
  struct Case { int flag, mode; const std::vector<cplx> &want; } cases[] = {
      {1, 1, fixedOut}, {0, 1, fixedOut}, {1, -1, fixedIn}, {0, -1, fixedIn}, {1, 2, roots}};
  for (const Case &c : cases) {
    std::vector<double> d = coefFromRoots(roots), want = coefFromRoots(c.want);
    lpcfixrts(d.data(), 3, c.flag, c.mode);
    for (int k = 1; k <= 6; k++) EXPECT_NEAR(want[k], d[k], 1e-9) << c.flag << " " << c.mode;
  }
  std::vector<double> single = coefFromRoots({std::polar(1.2, 0.4)});
  lpcfixrts(single.data(), 1, 1, 1);
  cplx r(single[1], single[2]);
  EXPECT_NEAR(0, std::abs(r - 1.0 / std::conj(std::polar(1.2, 0.4))), 1e-12);
}

TEST(LpRoots, CompanionEigenvaluesOfADegree64Polynomial) {
  // z^64 - 0.9^64: roots 0.9 e^(2 pi i k / 64).
  std::vector<d_complex> a(64, d_complex{0.0, 0.0}), rts(64);
  a[63] = d_complex{-std::pow(0.9, 64), 0.0};
  ASSERT_EQ(0, lpc_eis_zroots(a.data(), 64, rts.data()));
  for (const d_complex &r : rts) {
    cplx z(r.re, r.im);
    EXPECT_NEAR(0.9, std::abs(z), 1e-9);
    double turns = std::arg(z) * 64 / (2 * M_PI);
    EXPECT_NEAR(std::round(turns), turns, 1e-6);
  }
}

TEST(Lp2D, ExtendsSeparableExponentialPlanes) {
  LP2DBuff *lp = nullptr;
  ASSERT_EQ(0, lp2DInit(&lp, 16, 16, 2, 2, 24, 24, 0, 0));
  // Channel ch: exp(-a x) cos(w x + ph) * exp(-b y) cos(v y + ps).
  auto f = [](int ch, int x, int y) {
    return std::exp(-0.05 * x) * std::cos(1.1 * x + 0.3 * ch) * std::exp(-0.03 * y) *
           std::cos(1.7 * y + 0.5 - 0.2 * ch);
  };
  for (int ch = 0; ch < 4; ch++)
    for (int y = 0; y < 16; y++)
      for (int x = 0; x < 16; x++) lp->inMat[ch][y][x] = static_cast<float>(f(ch, x, y));
  ASSERT_EQ(0, lp2D(lp));
  for (int ch = 0; ch < 4; ch++)
    for (int y = 0; y < 24; y++)
      for (int x = 0; x < 24; x++)
        ASSERT_NEAR(f(ch, x, y), lp->outMat[ch][y][x], 1e-3) << ch << " " << x << " " << y;
  lp2DFree(&lp);
  EXPECT_EQ(nullptr, lp);
}

TEST(Lp2D, InitRefusesBoxesThePlaneCannotServe) {
  struct Case { int xs, ys, nx, ny, xo, yo; const char *msg; } cases[] = {
      {8, 8, 8, 2, 8, 8, "LP2D Error: X or Y coefficient count too large.\n"},
      {6, 6, 4, 3, 6, 6, "LP2D Error: Total coefficient count too large.\n"},
      {16, 5, 2, 3, 20, 5, "LP2D Error: coefficient box too large for the plane to predict from.\n"},
      {16, 16, 2, 2, 12, 16, "LP2D Error: output size smaller than input size.\n"}};
  for (const Case &c : cases) {
    LP2DBuff *lp = nullptr;
    EXPECT_EQ(c.msg, korim_test::captureStderr(
                         [&] { EXPECT_EQ(1, lp2DInit(&lp, c.xs, c.ys, c.nx, c.ny, c.xo, c.yo, 0, 0)); }));
    EXPECT_NE(nullptr, lp);
    lp2DFree(&lp);
  }
}
