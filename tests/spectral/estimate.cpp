// Alternatives to the Fourier transform: the likelihood spectrum peaks where a noiseless line
// lies, damped MUSIC finds two separated lines, the network applies its file weights; the
// bit-coded optimiser finds exact minima of a separable quadratic (annealing and grid search), and
// the annealing enhancement fits and extends damped sinusoids.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "spectral/dmusic.h"
#include "spectral/ftnet.h"
#include "spectral/ml.h"
#include "spectral/nosa.h"
#include "spectral/sase.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::spectral;
using Vec = std::vector<float>;

namespace {

// Lines at points x0 (from 1) of a spectrum of n points, widths g points, over count time points:
// z_k = sum A exp(-(g pi/n) k - i 2 pi (x0 - (n/2+1)) k/n).
std::vector<std::complex<double>> dampedLines(int n, int count, const std::vector<std::array<double, 3>> &peaks) {
  std::vector<std::complex<double>> z(count);
  for (auto [amp, x0, g] : peaks)
    for (int k = 0; k < count; k++)
      z[k] += amp * std::exp(std::complex<double>(-g * M_PI / n * k, -2 * M_PI * (x0 - (n / 2 + 1)) * k / n));
  return z;
}

// The n points of dampedLines(n, n, peaks) as single-precision real and imaginary parts.
void lines(Vec &re, Vec &im, int n, const std::vector<std::array<double, 3>> &peaks) {
  re.clear();
  im.clear();
  for (std::complex<double> z : dampedLines(n, n, peaks)) re.push_back(float(z.real())), im.push_back(float(z.imag()));
}

struct Quadratic {
  float centre[3];
  int evaluations = 0;
};

float quadraticE(SAVar *vars, int count, void *aux) {
  auto *q = static_cast<Quadratic *>(aux);
  q->evaluations++;
  float e = 0;
  for (int i = 0; i < count; i++) e += (vars[i].val - q->centre[i]) * (vars[i].val - q->centre[i]);
  return e;
}

int quiet(SAVar *, int, void *, float, float) { return 0; }

void threeVars(SAVar *vars) {
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, initIVar(&vars[i], 0.0f, 31.0f, 0.0f, 0));
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

// Sizes whose arrays no allocator block holds, and scan grids that are no finite numbers, are
// refused before anything is allocated.
TEST(DampedMusic, SizesPastOneBlockAndNonFiniteGridsAreRefused) {
  const float nan = std::nanf("");
  const struct { int tSize, maxSig; float grid[6]; const char *message; } cases[] = {
      {100000, 10, {0, 64, 1, 0, 4, 1}, "DMUSIC Error allocating memory.\n"},
      {INT_MAX, 10, {0, 64, 1, 0, 4, 1}, "DMUSIC Error allocating memory.\n"},
      {64, 2, {nan, 64, 1, 0, 4, 1}, "DMUSIC Error: grid value freq1 is not a finite number.\n"},
      {64, 2, {0, INFINITY, 1, 0, 4, 1}, "DMUSIC Error: grid value freqN is not a finite number.\n"},
      {64, 2, {0, 64, 1, 0, 4, nan}, "DMUSIC Error: grid value dampStep is not a finite number.\n"}};
  for (const auto &c : cases) {
    DMUSICBuff *d = nullptr;
    const long long before = korim::foundation::memoryBytesUsed();
    const float *g = c.grid;
    EXPECT_EQ(c.message, korim_test::captureStderr([&] {
      EXPECT_EQ(1, dmusicInit(&d, c.tSize, c.tSize, 1, c.maxSig, g[0], g[1], g[2], g[3], g[4], g[5], 0, 0));
    }));
    EXPECT_EQ(nullptr, d);
    EXPECT_EQ(before, korim::foundation::memoryBytesUsed()) << c.message;
  }
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
  d->freqStep[0] = std::nanf("");  // a grid no set-up passes: one point, nothing found
  EXPECT_EQ(0, dmusic(d, re.data(), im.data()));
  EXPECT_EQ(0, d->sigCount);
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
  const std::string inf = korim_test::writeFile(dir / "inf.txt", "0 0 0 0 0 0\n1 0 1e39 0 0 0\n");
  EXPECT_EQ("FTNet Error: weight 9 of " + inf + " is not a finite number.\n", korim_test::captureStderr([&] {
              EXPECT_EQ(1, ftNetInit(&f, 2, 2, 1.0f, 0.0f, inf.c_str()));
              ftNetFree(&f);
            }));
  // Weights past one allocator block are bad sizes, refused before the file is read.
  const long long before = korim::foundation::memoryBytesUsed();
  for (auto [t, o] : {std::pair{32767, 65537}, std::pair{INT_MAX, 1}, std::pair{1, 268435456}}) {
    EXPECT_EQ("FTNet Error: bad sizes " + std::to_string(t) + " and " + std::to_string(o) + ".\n",
              korim_test::captureStderr([&] { EXPECT_EQ(1, ftNetInit(&f, t, o, 1.0f, 0.0f, path.c_str())); }));
    ftNetFree(&f);
  }
  EXPECT_EQ(before, korim::foundation::memoryBytesUsed());
}

TEST(Optimiser, AnnealingRepeatablyAndGridSearchFindTheExactMinimum) {
  Quadratic q{{19, 4, 28}};
  std::vector<float> runs[3];
  for (int r = 0; r < 3; r++) {  // annealing twice with one seed, then the grid search
    SAVar vars[3];
    threeVars(vars);
    NOSABuff n;
    nosaNull(&n);
    q.evaluations = 0;
    float best = -1;
    if (r < 2) {
      ASSERT_EQ(0, nosaInit(&n, vars, 3, 100, 200, 20, 100.0f, 0.5f, 777, 0));
      ASSERT_EQ(0, nosa(vars, &n, &q, quadraticE, quiet, &best));
    } else {
      ASSERT_EQ(0, gridInit(&n, vars, 3, 0));
      ASSERT_EQ(0, gridSearch(vars, &n, &q, quadraticE, quiet, &best));
      EXPECT_EQ(1 + (1 << 15) - 1, q.evaluations);  // the start, then 2^15 - 1 combinations, each once
    }
    EXPECT_EQ(0.0f, best);
    for (const SAVar &v : vars) runs[r].push_back(v.val);
    nosaFree(&n);
  }
  EXPECT_EQ(runs[0], (std::vector<float>{19, 4, 28}));
  EXPECT_EQ(runs[1], runs[0]);
  EXPECT_EQ(runs[2], runs[0]);
}

TEST(Optimiser, VariableCoding) {
  // The second row's bounds are put in order and its value clamped.
  const struct { bool isInt; float val, hi, lo, tol; int bits; float onGrid; } cases[] = {
      {true, 5, 31, 0, 1, 5, 5},       {true, 40, 0, 31, 1, 5, 31}, {true, 7, 7, 7, 1, 0, 7},
      {false, 0.32f, 1, 0, 0.1f, 4, 0.3333333f}, {false, 0.5f, 1, 0, 0, 0, 0.5f}, {true, 3, 4.0e9f, 0, 1, 32, 3}};
  for (const auto &c : cases) {
    SAVar v;
    int status = c.isInt ? initIVar(&v, c.val, c.hi, c.lo, 0) : initFVar(&v, c.val, c.hi, c.lo, c.tol, 0);
    EXPECT_EQ(0, status);
    EXPECT_EQ(c.bits, v.bitCount) << c.val;
    EXPECT_EQ((1LL << c.bits) - 1, v.iMax);
    EXPECT_NEAR(c.onGrid, v.val, 1e-6 * std::fabs(c.onGrid) + 1e-6) << c.val;
  }
  SAVar v;
  EXPECT_EQ("NOSA Error: floating point bit allocation overflow.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, initFVar(&v, 0, 1e12f, 0, 1e-3f, 0)); }));
  EXPECT_EQ("NOSA Error: floating point bit allocation overflow.\n",  // steps past any integer
            korim_test::captureStderr([&] { EXPECT_EQ(1, initFVar(&v, 0, 1e30f, 0, -1e-3f, 0)); }));
  // A value, bound or tolerance that is no finite number is refused by name; nothing is coded.
  const float nan = std::nanf(""), inf = INFINITY;
  const struct { bool isInt; float val, hi, lo, tol; const char *message; } refused[] = {
      {false, nan, 1, 0, 0.1f, "NOSA Error: floating point variable value is not a finite number.\n"},
      {false, 0.5f, nan, 0, 0.1f, "NOSA Error: floating point variable upper bound is not a finite number.\n"},
      {false, 0.5f, 1, -inf, 0.1f, "NOSA Error: floating point variable lower bound is not a finite number.\n"},
      {false, 0.5f, 1, 0, nan, "NOSA Error: floating point variable tolerance is not a finite number.\n"},
      {true, inf, 31, 0, 1, "NOSA Error: integer variable value is not a finite number.\n"}};
  for (const auto &c : refused) {
    int status = 0;
    EXPECT_EQ(c.message, korim_test::captureStderr([&] {
      status = c.isInt ? initIVar(&v, c.val, c.hi, c.lo, 0) : initFVar(&v, c.val, c.hi, c.lo, c.tol, 0);
    }));
    EXPECT_TRUE(status == 1 && v.bitCount == 0) << c.message;
  }
  // A nan value set later keeps the bits instead of becoming the low bound.
  ASSERT_EQ(0, initIVar(&v, 5, 31, 0, 0));
  v.val = nan;
  EXPECT_EQ("NOSA Error: integer variable value is not a finite number.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, setVarBits(&v)); }));
  EXPECT_EQ(std::string(v.bitList, 5), "10100");
  // Temperatures that are no finite numbers are refused before the record changes.
  NOSABuff opt;
  nosaNull(&opt);
  SAVar three[3];
  threeVars(three);
  EXPECT_EQ("NOSA Error: initial temperature is not a finite number.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, nosaInit(&opt, three, 3, 10, 5, 2, nan, 1, 1, 0)); }));
  EXPECT_EQ("NOSA Error: final temperature is not a finite number.\n",
            korim_test::captureStderr([&] { EXPECT_EQ(1, nosaInit(&opt, three, 3, 10, 5, 2, 100, inf, 1, 0)); }));
  EXPECT_TRUE(opt.newVars == nullptr && opt.tInitial == 100.0f);
  // Bit counts of the extreme ranges: 2^63 needs 64 bits, more than any variable takes.
  EXPECT_EQ((std::vector<int>{getBitCount(LLONG_MIN), getBitCount(LLONG_MAX), getBitCount(-5), getBitCount(0)}),
            (std::vector<int>{64, 63, 3, 0}));
  // Bits counted up from the first with carry; all ones roll over to zero.
  char b[3] = {'1', '1', '0'};
  char *bits[3] = {&b[0], &b[1], &b[2]};
  EXPECT_TRUE(incrBits(bits, 3) == 1 && std::string(b, 3) == "001");
  b[0] = b[1] = b[2] = '1';
  EXPECT_TRUE(incrBits(bits, 3) == 0 && std::string(b, 3) == "000");
}

TEST(Enhancement, ThreeDampedSinusoidsFittedAndExtended) {
  const int n = 64, f = 128;
  // Three lines with frequencies and dampings on the search grid (64/1023 and 2/31 points).
  const double fStep = 64.0 / 1023.0, gStep = 2.0 / 31.0;
  auto truth = dampedLines(n, f, {{10, 187 * fStep, 2 * gStep}, {5, 500 * fStep, 5 * gStep}, {3, 750 * fStep, gStep}});
  SASEBuff s;
  saseNull(&s);
  std::vector<std::string> words = {"sase", "-nsig", "3", "-xSize", "128",
                                    "-xFreqTol", "0.1", "-xDampTol", "0.1", "-tFinal", "0.001", "-rand", "4", "-iter", "2"};
  std::vector<char *> argv;
  for (auto &w : words) argv.push_back(w.data());
  // A cold final temperature and coarse grids; the annealing result depends on the seed.
  ASSERT_EQ(0, saseParms(static_cast<int>(argv.size()), argv.data(), &s));
  EXPECT_EQ(3, s.signalCount);
  int tSize[4] = {n, 0, 0, 0};
  ASSERT_EQ(0, saseInit(&s, tSize, s.fSizeList, s.maxIter,
                        s.dimCount, s.signalCount, s.signalType, s.dampMin, s.dampMax, s.dampTol,
                        s.dampInit, s.freqTol, s.p0List, s.p1List, s.sigma, s.scale, s.enhanceMode,
                        s.nosaInfo.tCount, s.nosaInfo.opCount, s.nosaInfo.gCount, s.nosaInfo.tInitial,
                        s.nosaInfo.tFinal, s.nosaInfo.iseed, s.verbose));
  double input = 0;
  for (int k = 0; k < n; k++) {
    s.D[0][k] = float(truth[k].real());
    s.D[1][k] = float(truth[k].imag());
    input += std::norm(truth[k]);
  }
  ASSERT_EQ(0, sase(&s));
  double residual = 0, extErr = 0, extPow = 0;
  for (int k = 0; k < n; k++) residual += double(s.D[0][k]) * s.D[0][k] + double(s.D[1][k]) * s.D[1][k];
  for (int k = n; k < f; k++) {
    extErr += std::norm(std::complex<double>(s.R[0][k], s.R[1][k]) - truth[k]);
    extPow += std::norm(truth[k]);
  }
  EXPECT_LT(std::sqrt(residual / input), 0.01);
  EXPECT_LT(std::sqrt(extErr / extPow), 0.02);
  for (int k = 0; k < n; k++) EXPECT_NEAR(truth[k].real(), s.R[0][k], 1e-4) << k;  // data kept
  saseFree(&s);
}

// Sizes whose buffers no allocator block holds, and settings that are no finite numbers, are
// refused with the message of the buffer or the option, before anything is allocated.
TEST(Enhancement, SizesPastOneBlockAndNonFiniteSettingsAreRefused) {
  const float nan = std::nanf("");
  const struct { int signals, tSize, fSize; int axisItem; float value; const char *message; } cases[] = {
      {17895698, 1, 1, -1, 0, "SASE Error allocating variables.\n"},
      {8, 1, 1 << 28, -1, 0, "SASE Error allocating amplitude workspace.\n"},
      {8, 64, 128, 0, nan, "SASE Error: the value of -xFreqTol is not a finite number.\n"},
      {8, 64, 128, 3, -INFINITY, "SASE Error: the value of -xDampTol is not a finite number.\n"},
      {8, 64, 128, 7, nan, "SASE Error: the value of -sigma is not a finite number.\n"}};
  for (const auto &c : cases) {
    SASEBuff s;
    saseNull(&s);
    float *axis[7] = {s.freqTol, s.dampMin, s.dampMax, s.dampTol, s.dampInit, s.p0List, s.p1List};
    if (c.axisItem >= 0 && c.axisItem < 7) axis[c.axisItem][0] = c.value;
    if (c.axisItem == 7) s.sigma = c.value;
    int tSize[4] = {c.tSize, 0, 0, 0}, fSize[4] = {c.fSize, 0, 0, 0};
    const long long before = korim::foundation::memoryBytesUsed();
    int status = 0;
    EXPECT_EQ(c.message, korim_test::captureStderr([&] {
      status = saseInit(&s, tSize, fSize, 1, 1, c.signals, s.signalType, s.dampMin, s.dampMax, s.dampTol,
                        s.dampInit, s.freqTol, s.p0List, s.p1List, s.sigma, s.scale, 2, 10, 0, 2, 100, 1, 1, 0);
    }));
    EXPECT_EQ(1, status) << c.message;
    EXPECT_EQ(before, korim::foundation::memoryBytesUsed()) << c.message;
    saseFree(&s);
  }
}

TEST(Enhancement, OptionsHelpAndRefusals) {
  auto parse = [](std::vector<std::string> words, SASEBuff *s, std::string *err) {
    words.insert(words.begin(), "sase");
    std::vector<char *> argv;
    for (auto &w : words) argv.push_back(w.data());
    int status = 0;
    *err = korim_test::captureStderr([&] { status = saseParms(int(argv.size()), argv.data(), s); });
    return status;
  };
  SASEBuff s;
  saseNull(&s);
  std::string err;
  ASSERT_EQ(0, parse({"-replace", "-yModel", "CT", "-yDampMax", "0.5", "-xModel", "Gauss", "-tc", "7"}, &s, &err));
  EXPECT_TRUE(s.enhanceMode == 1 && s.signalType[0] == 2 && s.signalType[1] == 3 && s.nosaInfo.tCount == 7);
  // A CT axis starts from zero damping bounds.
  EXPECT_EQ((std::vector<float>{s.dampTol[1], s.dampMax[1], s.dampMax[0]}), (std::vector<float>{0.0f, 0.5f, 2.0f}));
  EXPECT_EQ(1, parse({"-ndim", "2"}, &s, &err));
  EXPECT_NE(std::string::npos, err.find("SASE Error"));
  // Counts are read whole: a number past an int or with a tail is refused, its neighbour taken.
  const std::vector<std::string> badCounts[] = {{"-nsig", "4294967297"}, {"-xSize", "5x"}, {"-rand", "-2147483649"}};
  for (const auto &words : badCounts) {
    EXPECT_EQ(1, parse(words, &s, &err)) << words[0];
    EXPECT_EQ("SASE Error: bad value " + words[1] + " for " + words[0] + ".\n", err);
  }
  ASSERT_EQ(0, parse({"-ndim", "1", "-nsig", "2147483647", "-rand", "-2147483648"}, &s, &err)) << err;
  EXPECT_TRUE(s.signalCount == INT_MAX && s.nosaInfo.iseed == INT_MIN);
  EXPECT_EQ(1, parse({"-help"}, &s, &err));
  EXPECT_EQ(0u, err.find("SASE: Simulated Annealing Spectral Enhancement:\n -nsig      [8]"));
  EXPECT_NE(std::string::npos, err.find(" -xModel    [Exp]     Signal Model Type; Keywords:\n"
                                        "                      Exp Gauss CT.\n"
                                        "Simulated Annealing Parameters:\n"));
  const std::string last = " -rand      [54321]   Random Number Seed.\n";
  EXPECT_EQ(err.size() - last.size(), err.rfind(last));
}
