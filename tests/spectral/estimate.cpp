// Alternatives to the Fourier transform: the likelihood spectrum peaks where a
// noiseless line lies, damped MUSIC finds two separated lines, and the network
// applies its file weights.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "spectral/dmusic.h"
#include "spectral/ftnet.h"
#include "spectral/ml.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::spectral;
using Vec = std::vector<float>;

namespace {

// Lines at points x0 (from 1) of a spectrum of n points, widths g points:
// z_k = sum A exp(-(g pi/n) k - i 2 pi (x0 - (n/2+1)) k/n).
void lines(Vec &re, Vec &im, int n, std::vector<std::array<double, 3>> peaks) {
  re.assign(n, 0.0f);
  im.assign(n, 0.0f);
  for (auto [amp, x0, g] : peaks)
    for (int k = 0; k < n; k++) {
      std::complex<double> z = amp * std::exp(std::complex<double>(-g * M_PI / n * k,
                                                                   -2 * M_PI * (x0 - (n / 2 + 1)) * k / n));
      re[k] += float(z.real());
      im[k] += float(z.imag());
    }
}

}  // namespace

TEST(Likelihood, NoiselessLinePeaksAtItsPoint) {
  const int n = 64;
  for (int x0 : {5, 20, 33, 50}) {
    Vec re, im, window(n, 1.0f);
    lines(re, im, n, {{3.0, double(x0), 0.0}});
    ASSERT_EQ(0, ml1D(re.data(), im.data(), x0 == 20 ? window.data() : nullptr, 0, 0, 0.5f, 1, n));
    EXPECT_EQ(x0 - 1, std::max_element(re.begin(), re.end()) - re.begin()) << x0;
  }
  ml1DFree();
}

TEST(DampedMusic, FindsTwoSeparatedLines) {
  const int n = 64;
  Vec re, im;
  lines(re, im, n, {{5.0, 20.0, 1.0}, {2.0, 45.0, 2.0}});
  Vec origRe = re, origIm = im;
  DMUSICBuff *d = nullptr;
  ASSERT_EQ(0, dmusicInit(&d, n, n, 1, 2, 0.0f, 64.0f, 0.5f, 0.0f, 5.0f, 0.5f, 0.0f, 0.0f));
  int status = -1;
  std::string err = korim_test::captureStderr([&] { status = dmusic(d, re.data(), im.data()); });
  EXPECT_EQ(0, status) << err;
  ASSERT_EQ(2, d->sigCount) << err;
  std::vector<std::pair<float, float>> found = {{d->freqList[0], d->hiList[0]}, {d->freqList[1], d->hiList[1]}};
  std::sort(found.begin(), found.end());
  EXPECT_TRUE(found[0].first == 20.0f && found[1].first == 45.0f);
  EXPECT_NEAR(5.0f, found[0].second, 0.05f);
  EXPECT_NEAR(2.0f, found[1].second, 0.05f);
  for (int k = 0; k < n; k++) {
    EXPECT_NEAR(origRe[k], re[k], 0.02f) << k;
    EXPECT_NEAR(origIm[k], im[k], 0.02f) << k;
  }
  dmusicFree(d);
  err = korim_test::captureStderr([&] {
    EXPECT_EQ(1, dmusicInit(&d, n, n, 1, 40, 0, 64, 1, 0, 4, 1, 0, 0));  // m = 33 lines at most
    EXPECT_EQ(1, dmusicInit(&d, 2, 2, 1, 1, 0, 2, 1, 0, 4, 1, 0, 0));
  });
  EXPECT_EQ(nullptr, d);
}

TEST(DampedMusic, CoarseGridFindsNothing) {
  const int n = 16;
  Vec re, im;
  lines(re, im, n, {{1.0, 5.0, 0.0}});
  DMUSICBuff *d = nullptr;
  ASSERT_EQ(0, dmusicInit(&d, n, n, 1, 1, 0.0f, 10.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0, 0));
  EXPECT_TRUE(d->freqCount == 10 && d->dampCount == 1);  // 0..9; a single damping line holds no peak
  EXPECT_EQ(0, dmusic(d, re.data(), im.data()));
  EXPECT_EQ(0, d->sigCount);
  EXPECT_EQ(Vec(n, 0.0f), re);
  dmusicFree(d);
}

TEST(Network, WeightsFromFile) {
  korim_test::TempDir dir;
  // Two inputs (bias, noise, re0, re1, im0, im1) per row; three outputs.
  const std::string path = korim_test::writeFile(dir / "weights.txt", "0 0 0 0 0 0\n1 0 0 0 0 0\n0.5 0.25 0 1\n  -1 0\n");
  FTNetInfo f;
  ftNetNull(&f);
  ASSERT_EQ(0, ftNetInit(&f, 2, 3, 2.0f, 4.0f, path.c_str()));
  Vec re{2, 6, 0}, im{-2, 8};
  ASSERT_EQ(0, ftNet(re.data(), im.data(), &f));
  EXPECT_FLOAT_EQ(0.0f, re[0]);
  EXPECT_NEAR(2.0 * std::tanh(0.5), re[1], 1e-6);                       // bias 1
  EXPECT_NEAR(2.0 * std::tanh((0.5 + 0.25 * 2 + 1.0 * 3 - 1.0 * -1) / 2), re[2], 1e-6);  // inputs / 2
  ftNetFree(&f);
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(1, ftNetInit(&f, 2, 4, 1.0f, 0.0f, path.c_str()));
    ftNetFree(&f);
    EXPECT_EQ(1, ftNetInit(&f, 2, 1, 1.0f, 0.0f, "/nonexistent/weights"));
    ftNetFree(&f);
  });
  EXPECT_EQ("FTNet Error reading " + path + "\nFTNet Error opening file /nonexistent/weights\n", err);
}
