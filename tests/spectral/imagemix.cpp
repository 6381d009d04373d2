// Image filters and the channel mixer: neighbourhoods at the edges, the
// statistics of a known neighbourhood, spike removal, complex mixing, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectral/ipl.h"
#include "spectral/qmix.h"
#include "tests/support/capture.h"

using namespace korim::spectral;

namespace {

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
  iplFree(&im);
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
      {"-ic", "2", "-cList", "1"}, {"-ic", "0"}, {"-cList", "x1"}, {"-cList", "1,"}};
  for (auto &words : bad) {
    Args a(words);
    QMixBuff q;
    qMixNull(&q);
    std::string err = korim_test::captureStderr([&] { EXPECT_EQ(1, qMixInit(a.argc(), a.argv(), 4, &q)) << words[0]; });
    EXPECT_NE(std::string::npos, err.find("QMIX Error")) << err;
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
