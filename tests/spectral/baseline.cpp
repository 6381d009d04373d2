// Baseline masks, noise levels, the median baseline, solvent filters and
// diagonal suppression: statistics of known noise, closed-form signals, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "spectral/basemask.h"
#include "spectral/deldiag.h"
#include "spectral/getnoise.h"
#include "spectral/solvent.h"
#include "spectral/subtmed.h"
#include "tests/support/capture.h"

using namespace korim::spectral;
using Vec = std::vector<float>;

namespace {

Vec gaussian(int n, float sigma, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<float> dist(0.0f, sigma);
  Vec v(n);
  for (float &x : v) x = dist(gen);
  return v;
}

double power(const Vec &v) {
  double s = 0;
  for (float x : v) s += double(x) * x;
  return s / v.size();
}

}  // namespace

TEST(Noise, GaussianSigmaRecovered) {
  noiseReset();
  const int n = 100000;
  Vec data = gaussian(n, 2.0f, 7), work(n);
  // getSpecNoise (spectrum) or getNoise, window, quantile.
  const struct { bool spectrum; int window; float fraction; } cases[] = {
      {true, 32, 0.5f}, {true, 64, 0.8f}, {false, 16, 0.5f}, {false, 32, 0.68f}};
  for (const auto &c : cases) {
    float noise = 0;
    if (c.spectrum)
      getSpecNoise(data.data(), work.data(), n, c.window, c.fraction, &noise);
    else
      getNoise(data.data(), work.data(), n, c.window, c.fraction, 1, &noise);
    EXPECT_NEAR(2.0, noise, 0.05) << c.spectrum << " " << c.window;
  }
}

TEST(Noise, FractionLimitsStayInside) {
  noiseReset();
  Vec data{1, -3, 2, -4}, work(4);  // deviations from the mean -1: 2, 2, 3, 3
  float noise = -1, specNoise = 0;
  EXPECT_EQ(2.0f, getSpecNoise(data.data(), work.data(), 4, 4, 0.0f, &noise));
  EXPECT_EQ(0.0f, noise);  // quantile 0 gives no estimate
  // A fraction of 1 or more reads the largest deviation, never past the vector.
  EXPECT_EQ(3.0f, getSpecNoise(data.data(), work.data(), 4, 0, 1.5f, &specNoise));
  EXPECT_GT(specNoise, 3.0f / 5.0f - 1e-6f);
  getNoise(data.data(), work.data(), 4, 0, 2.0f, 0, &noise);  // no centring: largest |x| is 4
  EXPECT_FLOAT_EQ(4.0f / 3.0f, noise / specNoise);
  getSpecNoise(data.data(), work.data(), 0, 4, 0.5f, &noise);
  EXPECT_EQ(0.0f, noise);
}

TEST(Noise, BaseIsMeanOfSmallestMagnitudes) {
  // Quantile and mean of {5, -1, 3, 2}'s smallest magnitudes: 0.5 takes -1 and 2.
  const float cases[][2] = {{0.5f, 0.5f}, {1.0f, 2.25f}, {3.0f, 2.25f}, {0.1f, 0.0f}};
  for (const auto &c : cases) {
    Vec v{5, -1, 3, 2};
    float base = -9;
    getBase(v.data(), 4, c[0], &base);
    EXPECT_FLOAT_EQ(c[1], base) << c[0];
  }
}

TEST(BaseMasks, MarkBaselineNotPeaks) {
  const int n = 512;
  Vec data = gaussian(n, 1.0f, 3), work(n);
  for (int i = 200; i < 210; i++) data[i] += 100.0f;
  std::vector<int> mask(n, 0), mask0(n, 0), mask2(n, 0);
  baseMask(data.data(), nullptr, 1, mask.data(), n, 1.0f, 4);
  baseMask0(data.data(), work.data(), mask0.data(), n, 0.5f);
  baseMask2(data.data(), work.data(), mask2.data(), n, -2.0f, 16, 0.5f, 0);
  for (auto *m : {&mask, &mask0, &mask2}) {
    int marked = 0;
    for (int i = 0; i < n; i++) marked += (*m)[i] != 0;
    EXPECT_EQ(0, (*m)[205]);
    EXPECT_GT(marked, n / 3);
  }
  EXPECT_EQ(0, mask2[200]);  // its block holds the peak
  std::vector<int> all(n, 0);
  baseMask0(data.data(), work.data(), all.data(), n, 1.0f);
  for (int i = 0; i < n; i++) ASSERT_EQ(1, all[i]) << i;
}

TEST(BaseMasks, BlockDeviationThresholdZeroAndAverages) {
  Vec data{1, 1, 1, 0, 5, 0, 2, 2}, work(8);
  std::vector<int> mask(8, 0), avg(8, 0);
  baseMask2(data.data(), work.data(), mask.data(), 8, 0.0f, 3, 0.5f, 0);
  EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 0, 0, 1, 1}), mask);
  baseMask2(data.data(), work.data(), avg.data(), 8, 0.0f, 3, 0.5f, 1);
  EXPECT_EQ((std::vector<int>{0, 1, 0, 0, 0, 0, 1, 0}), avg);  // a 2-point block still marks
}

TEST(MedianBaseline, RampAndOffsetRemoved) {
  const int n = 40, h = 3;
  Vec ramp(n), win(n), ext(n), med(n);
  for (int i = 0; i < n; i++) ramp[i] = float(i);
  subtMed(ramp.data(), n, h, 0, win.data(), ext.data(), med.data(), 0);
  for (int i = 0; i < n; i++) {  // no extrema: the window median; edge windows held inside
    float want = i < h ? float(i - h) : (i >= n - h ? float(i - (n - 1 - h)) : 0.0f);
    EXPECT_FLOAT_EQ(want, ramp[i]) << i;
  }
  Vec wave(n);
  for (int i = 0; i < n; i++) wave[i] = 7.0f + (i % 2 ? 1.0f : -1.0f);
  wave[20] = 60.0f;
  subtMed(wave.data(), n, 4, 1, win.data(), ext.data(), med.data(), 1);
  EXPECT_NEAR(1.0f, std::fabs(wave[5]), 0.6f);
  EXPECT_GT(wave[20], 45.0f);
  Vec small{1, 2, 3};
  subtMed(small.data(), 3, 2, 0, win.data(), ext.data(), med.data(), 0);
  EXPECT_EQ((Vec{1, 2, 3}), small);  // window wider than the vector
}

TEST(Solvent, SlowCosineRemovedFastKept) {
  const int n = 1024;
  for (int extrap : {1, 2}) {
    solventBuf s;
    solventNull(&s);
    s.size = n;
    s.filtSize = 16;
    s.order = 2;
    s.extrap = extrap;
    ASSERT_EQ(0, solventInit(&s));
    Vec slow(n), fast(n);
    for (int i = 0; i < n; i++) {
      slow[i] = 10.0f * std::cos(2 * M_PI * i / 700.0);
      fast[i] = std::cos(2 * M_PI * i / 4.0);
    }
    Vec before = slow;
    ASSERT_EQ(0, solventSub(slow.data(), &s));
    EXPECT_LT(power(slow), 0.01 * power(before)) << extrap;
    ASSERT_EQ(0, solventSub(fast.data(), &s));
    for (int i = 0; i < n; i += 4) EXPECT_NEAR(1.0f, fast[i], 0.1f) << extrap << " " << i;
    solventFree(&s);
  }
}

TEST(Solvent, SplineModeAndRefusals) {
  solventBuf s;
  solventNull(&s);
  s.type = 2;
  s.size = 200;
  s.smooth = 1e6f;
  ASSERT_EQ(0, solventInit(&s));
  Vec line(200);
  for (int i = 0; i < 200; i++) line[i] = 3.0f + 0.5f * i;
  ASSERT_EQ(0, solventSub(line.data(), &s));
  for (float v : line) EXPECT_NEAR(0.0f, v, 1e-2);
  solventFree(&s);

  Vec filt(9), y(10, 1.0f), x(10), work(40), c(4);
  solvFiltGen(filt.data(), 4, 2);
  for (int k : {0, 4, 8}) EXPECT_NEAR(k == 4 ? 1.0f : 0.0f, filt[k], 1e-6) << k;
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(1, subFilt(x.data(), y.data(), work.data(), 10, filt.data(), 4, 2, c.data()));
    EXPECT_EQ(1, subFiltMir(y.data(), work.data(), 4, filt.data(), 4, 0));
    EXPECT_EQ(1, solvFiltGen(filt.data(), 4, 7));
    s.type = 3;
    EXPECT_EQ(1, solventInit(&s));
    EXPECT_EQ(0, solventSub(y.data(), &s));
  });
  EXPECT_EQ(Vec(10, 1.0f), y);
  EXPECT_NE(std::string::npos, err.find("SOLVENT Error: unknown shape.\n"));
  EXPECT_NE(std::string::npos, err.find("SOLVENT Error: POLY mode is not supported yet.\n"));
}

TEST(DelDiag, FactorsAroundTheDiagonal) {
  // Shape, spectrum point of the diagonal, parameter, factors: at 3 with width 1, at 0 clipped.
  const struct { int func, spectrum; float parm; Vec want; } cases[] = {
      {0, 4, 0, {1, 1, 0, 0, 0, 1}}, {1, 4, 0, {1, 1, 1, 0, 1, 1}},      {2, 4, 0, {1, 1, 1, 0, 1, 1}},
      {3, 4, 1, {1, 1, 0.5f, 0, 0.5f, 1}}, {0, 1, 0, {0, 0, 1, 1, 1, 1}}, {0, 90, 0, {1, 1, 1, 1, 1, 1}}};
  for (const auto &c : cases) {
    Vec re(6, 1.0f), im(6, 1.0f);
    EXPECT_EQ(0, deldiag(re.data(), im.data(), 6, 1, 2, c.spectrum, 1, 1.0f, 0.0f, c.func, c.parm));
    for (int i = 0; i < 6; i++) {
      EXPECT_NEAR(c.want[i], re[i], 1e-5) << c.func << " " << i;
      EXPECT_NEAR(c.want[i], im[i], 1e-5) << c.func << " " << i;
    }
  }
  Vec re(6, 1.0f);
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(1, deldiag(re.data(), re.data(), 6, 1, 1, 4, 0, 1.0f, 0.0f, 1, 0));
    EXPECT_EQ(1, deldiag(re.data(), re.data(), 6, 1, 1, 4, 1, 1.0f, 0.0f, 4, 0));
  });
  EXPECT_EQ(Vec(6, 1.0f), re);
}
