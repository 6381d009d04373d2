// Baseline masks, noise levels, the median baseline, solvent filters, diagonal suppression, image
// filters and the channel mixer: statistics of known noise and of a known neighbourhood,
// closed-form signals, neighbourhoods at the edges, spike removal, complex mixing, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "spectral/basemask.h"
#include "spectral/deldiag.h"
#include "spectral/getnoise.h"
#include "spectral/ipl.h"
#include "spectral/qmix.h"
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

// A mutable argument vector for the option readers.
struct Args {
  std::vector<std::string> words;
  std::vector<char *> ptrs;
  explicit Args(std::vector<std::string> w) : words(std::move(w)) {
    words.insert(words.begin(), "qmix");
    for (auto &s : words) ptrs.push_back(s.data());
  }
  int argc() { return static_cast<int>(ptrs.size()); }
  char **argv() { return ptrs.data(); }
};

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
  const float cases[][2] = {{0.5f, 0.5f}, {1.0f, 2.25f}, {3.0f, 2.25f}, {0.1f, 0.0f}, {std::nanf(""), 0.0f}};
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
  std::vector<int> far(n, 0);  // a fraction far outside 0..1 keeps its band inside the data
  baseMask0(data.data(), work.data(), far.data(), n, -1e30f);
  EXPECT_EQ(all, far);
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
    s.size = n, s.filtSize = 16, s.order = 2, s.extrap = extrap;
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
  s.type = 2, s.size = 200, s.smooth = 1e6f;
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

// The skip bounds of each mode. Mirror ends: the held points reach back to the
// work vector's start at skip = n + 1 and the mean's window to the last point
// at skip = size - n; the spline needs 3 points from skip on; the polynomial
// ends never read skip. A sound row must leave its signal (level 3, slope given)
// at zero, or untouched when the mode does nothing; a refused row leaves the
// data untouched with status 1 and its message.
TEST(Solvent, SkipBoundsOfEachMode) {
  const std::string skip = "SOLVENT Error: skip ", fit = "SPLINE Error: null/bad solution\n";
  struct Row {
    int type, extrap, size, filtSize, skip;
    float slope;
    int status;  // 0 with the signal at zero, 2 with it untouched, 1 refused
    std::string msg;
  } rows[] = {
      {1, 1, 100, 2, -1, 0, 1, skip + "-1 outside 0 to 3 for a filter half-width of 2.\n"},
      {1, 1, 100, 2, 0, 0, 0, ""},
      {1, 1, 100, 2, 3, 0, 0, ""},
      {1, 1, 100, 2, 4, 0, 1, skip + "4 outside 0 to 3 for a filter half-width of 2.\n"},
      {1, 1, 100, 2, 5, 0, 1, skip + "5 outside 0 to 3 for a filter half-width of 2.\n"},
      {1, 1, 100, 2, 100, 0, 1, skip + "100 outside 0 to 3 for a filter half-width of 2.\n"},
      {1, 1, 4, 2, 2, 0, 0, ""},
      {1, 1, 4, 2, 3, 0, 1, skip + "3 outside 0 to 2 for a filter half-width of 2.\n"},
      {1, 1, 4, 2, 4, 0, 1, skip + "4 outside 0 to 2 for a filter half-width of 2.\n"},
      {1, 1, 3, 2, 1, 0, 0, ""},
      {1, 1, 2, 2, 0, 0, 1, "SOLVENT Error: filter of 5 points too wide for 2 points.\n"},
      {1, 1, 100, 0, 5, 0, 2, ""},
      {1, 2, 20, 2, -3, 0.5f, 0, ""},
      {1, 2, 20, 2, 20, 0.5f, 0, ""},
      {2, 1, 20, 0, -3, 0.5f, 1, skip + "-3 outside the 20 points.\n"},
      {2, 1, 20, 0, -1, 0.5f, 1, skip + "-1 outside the 20 points.\n"},
      {2, 1, 20, 0, 0, 0.5f, 0, ""},
      {2, 1, 20, 0, 17, 0.5f, 0, ""},
      {2, 1, 20, 0, 18, 0.5f, 1, fit},
      {2, 1, 20, 0, 19, 0.5f, 1, fit},
      {2, 1, 20, 0, 20, 0.5f, 1, skip + "20 outside the 20 points.\n"},
      {2, 1, 20, 0, 22, 0.5f, 1, skip + "22 outside the 20 points.\n"},
  };
  for (const Row &r : rows) {
    std::string at = std::to_string(r.type) + "/" + std::to_string(r.extrap) + " size " +
                     std::to_string(r.size) + " n " + std::to_string(r.filtSize) + " skip " +
                     std::to_string(r.skip);
    solventBuf s;
    solventNull(&s);
    s.type = r.type, s.extrap = r.extrap, s.size = r.size, s.filtSize = r.filtSize;
    s.skip = r.skip, s.order = 1, s.smooth = 1e6f;
    ASSERT_EQ(0, solventInit(&s)) << at;
    Vec y(r.size), before;
    for (int i = 0; i < r.size; i++) y[i] = 3.0f + r.slope * i;
    before = y;
    int status = -1;
    std::string err = korim_test::captureStderr([&] { status = solventSub(y.data(), &s); });
    solventFree(&s);
    EXPECT_EQ(r.status == 1, status) << at;
    EXPECT_EQ(r.msg, err) << at;
    if (r.status == 0)
      for (int i = 0; i < r.size; i++) EXPECT_NEAR(0.0f, y[i], 1e-3) << at << " point " << i;
    else
      EXPECT_EQ(before, y) << at;
  }
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

TEST(ImageFilter, NeighbourhoodsReflectAtStartAndWrapAtEnd) {
  ImageBuff im;
  iplNull(&im);
  ASSERT_EQ(0, iplInit(&im, 5, 5, 1, 1));
  const struct { int iy, ix, rows[3], cols[3]; } cases[] = {
      {0, 0, {1, 0, 1}, {1, 0, 1}}, {4, 4, {3, 4, 0}, {3, 4, 0}}, {2, 1, {1, 2, 3}, {0, 1, 2}}};
  for (const auto &c : cases)
    for (int r = 0; r < 3; r++)
      for (int k = 0; k < 3; k++)
        EXPECT_EQ(&im.matrix[c.rows[r]][c.cols[k]], im.neighbors[c.iy][c.ix][3 * r + k])
            << c.iy << "," << c.ix << " " << r << " " << k;
  iplFree(&im);
}

TEST(ImageFilter, StatisticsOfOneNeighbourhood) {
  const float mean = 1.0f / 3.0f;
  const float dev = std::sqrt((std::pow(-5 - mean, 2) + std::pow(2 - mean, 2) + std::pow(4 - mean, 2)) / 2);
  const struct { int mode; float want; } cases[] = {
      {2, 2}, {3, -5}, {4, 4}, {5, 2}, {6, -5}, {7, 9}, {8, mean}, {9, dev}, {12, 0}};
  for (const auto &c : cases) {
    ImageBuff im;
    iplNull(&im);
    ASSERT_EQ(0, iplInit(&im, 3, 1, 1, 0));
    im.image[0] = -5, im.image[1] = 2, im.image[2] = 4;
    ASSERT_EQ(0, iplFilter(&im, c.mode, nullptr, 1, 0));
    EXPECT_NEAR(c.want, im.image[1], 1e-5) << c.mode;
    iplFree(&im);
  }
}

TEST(ImageFilter, MedianRemovesSpikeAndKernelsScale) {
  ImageBuff im;
  iplNull(&im);
  ASSERT_EQ(0, iplInit(&im, 6, 5, 0, 0));
  for (int i = 0; i < 30; i++) im.image[i] = 1.0f + 0.01f * (i % 3);
  im.image[13] = 100.0f;
  ASSERT_EQ(0, iplFilter(&im, 2, nullptr, 1, 1));
  for (int i = 0; i < 30; i++) EXPECT_LT(im.image[i], 1.03f) << i;
  float scale = 3.0f;
  std::vector<float> before(im.image, im.image + 30);
  ASSERT_EQ(0, iplFilter(&im, 1, &scale, 0, 0));
  for (float &b : before) b *= 3.0f;
  EXPECT_EQ(before, std::vector<float>(im.image, im.image + 30));
  im.useThresh = 1;
  im.thresh = 1e6f;  // nothing passes: every pixel keeps its value
  ASSERT_EQ(0, iplFilter(&im, 8, nullptr, 1, 1));
  EXPECT_EQ(before, std::vector<float>(im.image, im.image + 30));
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(1, iplFilter(&im, 2, nullptr, 6, 1));  // wider than the image
    EXPECT_EQ(0, iplFilter(nullptr, 2, nullptr, 1, 1));
  });
  EXPECT_NE(std::string::npos, err.find("IPL Warning: attempt to process a null image.\n"));
  EXPECT_EQ(before, std::vector<float>(im.image, im.image + 30));
  EXPECT_EQ("IPL Error: convolution without a kernel.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, iplFilter(&im, 1, nullptr, 1, 1)); }));
  EXPECT_EQ(before, std::vector<float>(im.image, im.image + 30));
  iplFree(&im);
}

// A size whose pixels or neighbour pointers one allocator block cannot hold is refused with the
// message of that allocation, before anything is allocated; the record keeps its image.
TEST(ImageFilter, SizesPastOneBlockAreRefusedBeforeAllocation) {
  const struct { int xSize, ySize, dx, dy; const char *message; } cases[] = {
      {21474837, 1, 12, 0, "IPL Error allocating neighbor pointers.\n"},
      {65536, 65536, 0, 0, "IPL Error allocating image memory.\n"},
      {16384, 16384, 8000, 8000, "IPL Error allocating neighbor pointers.\n"}};
  for (const auto &c : cases) {
    ImageBuff im;
    iplNull(&im);
    ASSERT_EQ(0, iplInit(&im, 4, 3, 1, 1));
    const long long before = korim::foundation::memoryBytesUsed();
    EXPECT_EQ(c.message, korim_test::captureStderr([&] { EXPECT_EQ(1, iplInit(&im, c.xSize, c.ySize, c.dx, c.dy)); }));
    EXPECT_EQ(before, korim::foundation::memoryBytesUsed()) << c.xSize;
    EXPECT_TRUE(im.xSize == 4 && im.ySize == 3 && im.count == 9 && im.image != nullptr) << c.xSize;
    iplFree(&im);
  }
}

TEST(ChannelMix, TwoInputsToOneComplexSum) {
  QMixBuff q;
  qMixNull(&q);
  Args a({"-ic", "2", "-cList", "1", "0,1"});
  ASSERT_EQ(0, qMixInit(a.argc(), a.argv(), 3, &q));
  float r1[3] = {1, 2, 3}, i1[3] = {0, 1, 0}, r2[3] = {5, 0, -1}, i2[3] = {2, 0, 4};
  EXPECT_EQ(0, qMix(r1, i1, 1, &q));
  EXPECT_EQ(1, qMix(r2, i2, 2, &q));
  for (int k = 0; k < 3; k++) {  // in1 + i in2
    EXPECT_FLOAT_EQ(r1[k] - i2[k], q.outBuff[k]);
    EXPECT_FLOAT_EQ(i1[k] + r2[k], q.outBuff[3 + k]);
  }
  std::string err = korim_test::captureStderr([&] { EXPECT_EQ(-1, qMix(r1, i1, 0, &q)); });
  EXPECT_NE(std::string::npos, err.find("QMIX Error"));
  qMixFree(&q);

  Args three({"-ic", "3", "-oc", "2", "-defR", "0.5"});
  ASSERT_EQ(0, qMixInit(three.argc(), three.argv(), 3, &q));
  for (int call = 1; call <= 9; call++) EXPECT_EQ(call % 3 == 0, qMix(r1, i1, call, &q) == 1);
  EXPECT_FLOAT_EQ(1.5f * r1[2], q.outBuff[2 * 3 + 2]);  // output 2: 0.5 of three copies
  qMixFree(&q);
}

TEST(ChannelMix, OptionErrorsAndHelp) {
  const std::vector<std::string> bad[] = {
      {"-ic", "2", "-cList", "1"}, {"-ic", "0"}, {"-cList", "x1"}, {"-cList", "1,"},
      {"-cList", "nan,inf"}, {"-cList", "1,nan"}, {"-cList", "inf"}, {"-cList", "1e39"},
      {"-defR", "nan"}, {"-defI", "-inf"}, {"-ic", "4294967297"}, {"-oc", "2.5"}};
  for (auto &words : bad) {
    Args a(words);
    QMixBuff q;
    qMixNull(&q);
    std::string err = korim_test::captureStderr([&] { EXPECT_EQ(1, qMixInit(a.argc(), a.argv(), 4, &q)) << words[0]; });
    EXPECT_NE(std::string::npos, err.find("QMIX Error")) << err;
    qMixFree(&q);
  }
  // Buffers of N (or M) x 2 x 32768 floats: 65537 vectors wrap an int count; refused with the
  // allocation message before anything is allocated. Two vectors are held.
  struct Big { const char *flag, *count; int status; const char *err; };
  const Big big[] = {{"-ic", "65537", 1, "QMIX error allocating input buffer.\n"},
                     {"-oc", "65537", 1, "QMIX error allocating output buffer.\n"},
                     {"-ic", "8192", 1, "QMIX error allocating input buffer.\n"},  // 2^31 bytes
                     {"-ic", "2", 0, ""}};
  for (const Big &b : big) {
    Args a({b.flag, b.count});
    QMixBuff q;
    qMixNull(&q);
    EXPECT_EQ(b.err, korim_test::captureStderr([&] { EXPECT_EQ(b.status, qMixInit(a.argc(), a.argv(), 32768, &q)); }))
        << b.count;
    qMixFree(&q);
  }
  Args h({"-help"});
  QMixBuff q;
  qMixNull(&q);
  std::string help = korim_test::captureStderr([&] { EXPECT_EQ(1, qMixHelp(h.argc(), h.argv(), &q)); });
  EXPECT_EQ("QMIX: Complex mixing of N inputs to M outputs.\n"
            " -ic    n      [1]        Input Channel Count.\n"
            " -oc    m      [1]        Output Channel Count.\n"
            " -cList cList  [0.0 ...]  N by M Coefficient Matrix.\n",
            help);
}
