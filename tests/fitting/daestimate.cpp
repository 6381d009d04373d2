// Da and R from coupling distributions: the powder pattern and its elliptic integral, the
// histogram's pieces, the error table, and the three estimates on couplings of a known tensor.
// Coupling statistics: exact record texts, hand-checked values and a double-precision twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "fitting/daflex.h"
#include "fitting/dahist.h"
#include "fitting/daml.h"
#include "fitting/histo.h"
#include "fitting/mapmagtodc.h"
#include "fitting/mlmagtensor.h"
#include "fitting/statdc.h"
#include "fitting/tensorform.h"
#include "foundation/outputfile.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/text.h"

using namespace korim::couplings;
using namespace korim::fitting;
using korim::settings::DcInfo;
using korim::settings::KorimInfo;
using korim_test::captureStderr;
using korim_test::TempDir;

namespace {

// A coupling table of n N-H bonds in random orientations (fixed seed) under Da and R:
// D = Da [(3 cos^2 t - 1) + 1.5 R sin^2 t cos 2p], one residue each, error dd.
std::string tensorTable(const TempDir& dir, int n, double da, double r, double dd) {
  std::mt19937 gen(20261206);
  std::uniform_real_distribution<double> u(-1.0, 1.0), p(0.0, 2.0 * M_PI);
  std::string t = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                  "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  char line[128];
  for (int i = 1; i <= n; ++i) {
    const double z = u(gen), phi = p(gen);
    const double d = da * ((3 * z * z - 1) + 1.5 * r * (1 - z * z) * std::cos(2 * phi));
    std::snprintf(line, sizeof line, "%4d ALA N %4d ALA H %9.3f %9.3f 1.00\n", i, i, d, dd);
    t += line;
  }
  return korim_test::writeFile(dir / "couplings.tab", t);
}

struct Settings {
  KorimInfo k{};
  DcInfo dc{};
  Settings() {
    korim::settings::korimInfoNull(&k);
    korim::settings::dcInfoNull(&dc);
  }
};

// Runs f with both output streams captured and dropped.
template <class F>
void quiet(F f) {
  korim_test::captureStdout([&] { korim_test::captureStderr(f); });
}

// The number printed after a record's name; for "<name> +/-", the one after the record's "+/-".
double field(const std::string& text, const std::string& key) {
  const bool error = key.ends_with(" +/-");
  size_t p = text.find(error ? key.substr(0, key.size() - 4) : key);
  if (p == std::string::npos) return NAN;
  p = error ? text.find("+/-", p) + 3 : p + key.size();
  return std::stod(text.substr(p));
}

TEST(PowderPattern, EllipticIntegralAxialClosedFormAndRhombicNormalisation) {
  const struct { double m, k; } known[] = {
      {0.0, M_PI / 2}, {0.5, 1.8540746773013719}, {0.9, 2.5780921133481733},
      {0.99, 3.6956373629898747}, {-1.0, 1.3110287771460599}};
  for (const auto& c : known) EXPECT_NEAR(kooky(c.m), c.k, 1e-12) << c.m;
  EXPECT_TRUE(std::isinf(kooky(1.0)));
  // Axial: D = Da (1 - 3u^2) with u = cos t uniform gives 1 / (2 sqrt(3 |Da| (D - Da))).
  for (double x : {-9.0, -2.5, 0.0, 7.3, 19.0})
    EXPECT_NEAR(analytical(-10.0, 0.0, x), 1.0 / (2.0 * std::sqrt(30.0 * (x + 10.0))), 1e-12) << x;
  EXPECT_EQ(analytical(-10.0, 0.0, 20.5), 0.0);
  // Rhombic: a density over f22..f33 (the singularity at f11 integrable, never infinite), and the
  // mass of a band around f11 equal to the share of random orientations that fall in it.
  double total = 0.0, band = 0.0;
  for (double x = -14.5 + 5e-5; x < 20.0; x += 1e-4) {
    const double v = analytical(-10.0, 0.3, x);
    ASSERT_TRUE(std::isfinite(v)) << x;
    total += v * 1e-4;
    if (x > -7.5 && x < -3.5) band += v * 1e-4;
  }
  EXPECT_NEAR(total, 1.0, 2e-3);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0), p(0.0, 2.0 * M_PI);
  int in = 0;
  const int n = 200000;
  for (int i = 0; i < n; ++i) {
    const double d = dip_coup(std::acos(u(gen)), p(gen), -10.0, 0.3);
    in += d > -7.5 && d < -3.5;
  }
  EXPECT_NEAR(band, static_cast<double>(in) / n, 4e-3);
}

TEST(PowderPattern, MappingOfACouplingToTheRangeOfTheTensor) {
  // An exact tensor maps a coupling to the values within its error, cut at the pattern's edge
  // (20 and -14.5 Hz for Da -10, R 0.3); the 0.01 rad grid of orientations resolves that to a few hundredths.
  const struct { double coup, err, ave, half; } cases[] = {
      {5.0, 1.0, 5.0, 1.0}, {19.5, 1.0, 19.25, 0.75}, {-13.0, 2.0, -12.75, 1.75}};
  for (const auto& c : cases) {
    double ave = 0, half = 0;
    EXPECT_EQ(mapMagToDc(-10.0, 0.0, 0.3, 0.0, c.coup, c.err, &ave, &half), 0);
    EXPECT_NEAR(ave, c.ave, 0.03) << c.coup;
    EXPECT_NEAR(half, c.half, 0.03) << c.coup;
  }
}

TEST(Histogram, ExtremesBinsAndMostPopulatedValue) {
  float one[1] = {5.0f}, same[4] = {2.5f, 2.5f, 2.5f, 2.5f}, dNeg = 0, dPos = 0;
  getDzzDyy(1, one, 1.0, 0.9f, 0.4f, &dNeg, &dPos);
  EXPECT_TRUE(dNeg == 5.0f && dPos == 5.0f);  // a window of one value has that value as its mean
  getDzzDyy(4, same, 1.0, 0.9f, 0.4f, &dNeg, &dPos);
  EXPECT_TRUE(dNeg == 2.5f && dPos == 2.5f);

  float bins[kMaxHistBins];
  int nBins = 0;
  float width = 0;
  ASSERT_EQ(makeBins(1.0, 10.0f, 0.0f, kMaxHistBins, 0, &nBins, &width, bins), 0);
  EXPECT_TRUE(nBins == 7 && width == 2.0f && bins[6] == 12.0f);  // (10 + 1 - (0 - 1)) / 2 + 1 bins of 2 Hz
  // One bin would span everything and always be the fullest, two would be centred at the span's
  // ends: the automatic layout instead (where -daFlex lowers its count by 2); three halve the span.
  const struct { int user, nBins; float width; } layouts[] = {{1, 7, 2.0f}, {2, 7, 2.0f}, {3, 3, 6.0f}, {4, 4, 4.0f}};
  for (const auto& l : layouts) {
    ASSERT_EQ(makeBins(1.0, 10.0f, 0.0f, kMaxHistBins, l.user, &nBins, &width, bins), 0);
    EXPECT_TRUE(nBins == l.nBins && width == l.width && bins[0] == 0.0f) << l.user;
  }
  EXPECT_EQ(makeBins(0.01, 10.0f, 0.0f, kMaxHistBins, 0, &nBins, &width, bins), 1);
  EXPECT_GT(nBins, kMaxHistBins);

  const float centres[3] = {0.0f, 2.0f, 4.0f};
  const float tie[4] = {0.1f, 0.2f, 3.9f, 4.1f}, single[4] = {0.1f, 2.2f, 1.9f, 4.0f};
  float dxx = -1.0f;
  EXPECT_EQ(getDxx(4, tie, 3, 2.0f, centres, &dxx), 0);
  EXPECT_EQ(dxx, 0.0f);  // the lower of the two fullest bins
  EXPECT_TRUE(getDxx(4, single, 3, 2.0f, centres, &dxx) == 1 && dxx == 2.0f);
}

TEST(Likelihood, ErrorTableBoundariesAndGridLimits) {
  const struct { int n; double r, da, rr; } cases[] = {
      {40, 0.1, 1.6, 0.17}, {41, 0.1, 0.5, 0.05}, {90, 0.3, 1.3, 0.13}, {91, 0.3, 0.9, 0.1},
      {40, 0.3, 2.3, 0.22}, {41, 0.31, 0.8, 0.13}, {91, 0.31, 0.6, 0.1}, {91, 0.1, 0.3, 0.05}};
  for (const auto& c : cases) {
    double da = 0, r = 0;
    EXPECT_EQ(errorIso(c.n, -10.0, c.r, &da, &r), 0);
    EXPECT_EQ(da, c.da) << c.n << " " << c.r;
    EXPECT_EQ(r, c.rr) << c.n << " " << c.r;
  }
  // The likelihood grid: sized from its count, refused outside its limits.
  const float coup[3] = {-12.0f, 3.0f, 19.5f};
  std::vector<double> r, da, score;
  int n = -1;
  korim_test::captureStderr([&] {
    ASSERT_EQ(mlMagTensor(3, coup, 1.0, -11.0, -10.0, 0.01f, 0.30, 0.32, 0.01f, &r, &da, &score, &n), 0);
  });
  // R 0.30 to 0.32, both ends points; Da -10.00 down to -10.99, the far end not a point.
  EXPECT_EQ(n, 3 * 100);
  EXPECT_EQ(score.size(), 300u);
  EXPECT_EQ(da.back(), -10.0 - 99 * static_cast<double>(0.01f));  // the values summed step by step
  EXPECT_NEAR(r.back(), 0.32, 1e-7);
  for (double v : score) ASSERT_TRUE(std::isfinite(v));
  const std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(mlMagTensor(3, coup, 1.0, -12.0, -10.0, 0.0f, 0.0, 0.7, 0.01f, &r, &da, &score, &n), 1);
    EXPECT_EQ(mlMagTensor(3, coup, 3.5, -12.0, -10.0, 0.1f, 0.0, 0.7, 0.01f, &r, &da, &score, &n), 1);
    EXPECT_EQ(mlMagTensor(3, coup, 1.0, -25.0, -3.0, 1e-5f, 0.0, 0.7, 1e-4f, &r, &da, &score, &n), 1);
  });
  EXPECT_NE(err.find("increments of Da and R must be positive"), std::string::npos);
  EXPECT_NE(err.find("at most 3.41 Hz"), std::string::npos);
  EXPECT_NE(err.find("more than 2000000"), std::string::npos);
  // The limit as a table's float gives it is within; the next hundredth is not.
  korim_test::captureStderr([&] { EXPECT_EQ(mlLineWidthCheck(3.41f), 0); EXPECT_EQ(mlLineWidthCheck(3.42f), 1); });
}

TEST(Likelihood, GridAxesCountedFromRangeAndStep) {
  // Hand-counted axes: R from its low end up to its high end, Da from its high end down to
  // above its low end; the options' floats as the decimals given.
  const struct { double low, high; float step; bool withFarEnd; double points; } axes[] = {
      {0.0, 0.7f, 0.01f, true, 71},     // the default R: 0.00 to 0.70
      {-25.0, -3.0, 0.1f, false, 220},  // the default Da: -3.0 to -24.9
      {0.6f, 0.63f, 0.01f, true, 4},    // 0.60 0.61 0.62 0.63
      {-6.0, -3.0, 0.1f, false, 30},    // -3.0 to -5.9
      {0.15f, 0.45f, 0.02f, true, 16}, {-12.0, -8.0, 0.2f, false, 20}, {0.4f, 0.7f, 0.1f, true, 4},
      {0.0, 0.705f, 0.01f, true, 71},   // an end between two points
      {-3.05f, -3.0, 0.1f, false, 1},
      {0.0, 0.7 - 5e-9, 0.01f, true, 71},  // within a millionth of a step of 0.70: on it
      {0.0, 0.7 - 5e-8, 0.01f, true, 70},  // five millionths short: 0.69 is the last point
      {-12.0, -12.0, 0.1f, false, 0}, {0.6f, 0.6f, 0.01f, true, 1}, {0.8f, 0.7f, 0.01f, true, 0},
      {-25.0, -3.0, 1e-9f, false, 22e9},  // counted, not stepped through
  };
  for (const auto& a : axes)
    EXPECT_EQ(mlAxisPoints(a.low, a.high, a.step, a.withFarEnd), a.points) << a.low << " " << a.high << " " << a.step;
}

TEST(Estimates, HistogramOfKnownTensor) {
  TempDir dir;
  const std::string in = tensorTable(dir, 2000, 10.0, 0.3, 1.0);
  Settings s;
  s.k.korimMode = korim::settings::kModeDaHist;
  int rc = -1;
  quiet([&] { rc = getHistDabR(in.c_str(), &s.k, &s.dc, "All", "All", (dir / "hist.tab").c_str()); });
  ASSERT_EQ(rc, 0);
  const auto& h = s.k.histInfo;
  EXPECT_NEAR(h.Dzz, 20.0, 2.0);
  EXPECT_NEAR(h.Dyy, -14.5, 2.0);
  EXPECT_NEAR(h.DaFit, 10.0, 1.0);
  EXPECT_NEAR(h.RFit, 0.3, 0.1);
  EXPECT_NEAR(field(korim_test::readFile(dir / "hist.tab"), "DATA Da "), h.DaFit, 1e-3);
}

// A -daMl run on n couplings of Da 10 Hz and R 0.3 (errors 1 Hz) over the grid of Da lDa, hDa,
// incDa and R lR, hR, incR; the table to outName, the scores to ml.sc in dir, stderr to *err when
// given. Its status.
int likelihood(const TempDir& dir, Settings& s, int n, const float (&grid)[6], const std::string& outName,
               std::string* err = nullptr) {
  const std::string in = tensorTable(dir, n, 10.0, 0.3, 1.0);
  s.k.korimMode = korim::settings::kModeDaMl;
  auto& h = s.k.histInfo;
  h.lDaMl = grid[0], h.hDaMl = grid[1], h.incDaMl = grid[2], h.lRMl = grid[3], h.hRMl = grid[4], h.incRMl = grid[5];
  int rc = -1;
  std::string text;
  korim_test::captureStdout([&] {
    text = captureStderr(
        [&] { rc = getMlDabR(in.c_str(), &s.k, &s.dc, "All", "All", outName.c_str(), (dir / "ml.sc").c_str()); });
  });
  if (err != nullptr) *err = text;
  return rc;
}

// The lines of text that hold word.
std::vector<std::string> linesWith(const std::string& text, const std::string& word) {
  std::vector<std::string> found;
  for (const std::string& l : korim_test::lines(text))
    if (l.find(word) != std::string::npos) found.push_back(l);
  return found;
}

TEST(Estimates, LikelihoodNamesTheGridEdgeOfItsBestPoint) {
  // Couplings of Da +10 Hz (their extreme of larger magnitude positive) and R 0.3: each grid stops
  // short of the tensor on the sides named, so its best point lies there; a grid around the
  // tensor, or one that starts at R = 0 (the physics' bound), says nothing. A Da edge is told by
  // size and in the answer's sign (+), whatever the sign of the options' range, with the option
  // that sets it.
  const auto daEdge = [](const char* end, const char* size, const char* option, const char* set) {
    return std::string("best point of the likelihood grid lies on its edge of ") + end + " |Da| (|Da| " + size +
           " Hz: Da +" + size + " Hz in the answer's sign; set by " + option + " " + set +
           "): an edge is no maximum, the likelihood may rise beyond it; " + option + " moves that edge.";
  };
  const auto rEdge = [](const char* end, const char* value, const char* option, const char* set) {
    return std::string("best point of the likelihood grid lies on its ") + end + " R edge (R " + value +
           ", set by " + option + " " + set + "): an edge is no maximum, the likelihood may rise beyond it; " +
           option + " moves that edge.";
  };
  const struct {
    float grid[6];
    std::vector<std::string> edges;
  } cases[] = {
      {{-9.0f, -6.0f, 0.5f, 0.0f, 0.2f, 0.05f}, {daEdge("largest", "8.500", "-lDa", "-9"), rEdge("high", "0.200", "-hR", "0.2")}},
      {{-14.0f, -12.0f, 0.5f, 0.4f, 0.6f, 0.05f},
       {daEdge("smallest", "12.000", "-hDa", "-12"), rEdge("low", "0.400", "-lR", "0.4")}},
      {{6.0f, 9.0f, 0.5f, 0.0f, 0.65f, 0.05f}, {daEdge("largest", "8.500", "-hDa", "9")}},
      {{11.0f, 14.0f, 0.5f, 0.0f, 0.4f, 0.05f}, {daEdge("smallest", "11.000", "-lDa", "11")}},
      {{-12.0f, -8.0f, 0.5f, 0.0f, 0.45f, 0.05f}, {}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Settings s;
    std::string err;
    ASSERT_EQ(likelihood(dir, s, 400, c.grid, dir / "ml.tab", &err), 0);
    std::vector<std::string> said, remarks;
    for (const std::string& e : c.edges) {
      said.push_back("korim: the " + e);
      remarks.push_back("REMARK The " + e);
    }
    EXPECT_EQ(linesWith(err, " edge "), said) << c.grid[0] << " " << c.grid[3];
    EXPECT_EQ(linesWith(korim_test::readFile(dir / "ml.tab"), " edge "), remarks) << c.grid[0] << " " << c.grid[3];
  }
}

// The twin of the usual form: principal values Dzz = 2 Da, Dyy = -Da (1 + 1.5 R),
// Dxx = -Da (1 - 1.5 R), the one of largest size taken as the new z, the larger of the other two
// as the new y.
void twin(double da, double r, double* da2, double* r2) {
  double v[3] = {2 * da, -da * (1 + 1.5 * r), -da * (1 - 1.5 * r)};
  std::sort(v, v + 3, [](double a, double b) { return std::fabs(a) > std::fabs(b); });
  *da2 = v[0] / 2;
  *r2 = (v[2] - v[1]) / (3 * *da2);
}

TEST(Estimates, TensorAboveTwoThirdsIsTheOtherSignBelowIt) {
  // The example of docs/estimates.md: Da -11.8, R 0.70 (principal values -23.6, +24.19, -0.59 Hz).
  double da = 0, r = 0;
  equivalentTensor(-11.8, 0.70, &da, &r);
  EXPECT_NEAR(da, 12.095, 5e-4);
  EXPECT_NEAR(r, 2.6 / 4.1, 1e-12);
  // Every R, below 0, inside the usual form, between 2/3 and 2 and beyond 2, maps to the twin's
  // tensor, in the usual form, where it stays.
  for (double d0 : {-11.8, 3.0, 25.0})
    for (double r0 : {-3.0, -1.0, -0.7, -0.073, 0.0, 0.3, 0.6, 0.7, 0.84, 1.0, 1.5, 2.0, 2.168, 5.0}) {
      double d1 = 0, r1 = 0, dt = 0, rt = 0, d2 = 0, r2 = 0;
      equivalentTensor(d0, r0, &d1, &r1);
      twin(d0, r0, &dt, &rt);
      EXPECT_NEAR(d1, dt, 1e-12) << d0 << " " << r0;
      EXPECT_NEAR(r1, rt, 1e-12) << d0 << " " << r0;
      EXPECT_TRUE(r1 >= 0.0 && r1 < 2.0 / 3.0) << d0 << " " << r0;
      equivalentTensor(d1, r1, &d2, &r2);
      EXPECT_TRUE(d2 == d1 && r2 == r1) << d0 << " " << r0;
    }
  // R 2/3 is in the usual form (there Da and -Da describe one tensor): it stays as it is.
  equivalentTensor(-11.8, 2.0 / 3.0, &da, &r);
  EXPECT_TRUE(da == -11.8 && r == 2.0 / 3.0);
  // The note names the tensor of every answer outside the usual form, and of no other.
  const std::string below = "answer's R -0.073 lies below 0: Da +16.833 Hz, R -0.073 is the tensor Da +16.833 Hz, "
                            "R 0.073 in the usual form (its x and y axes swapped).\n";
  const struct { double da, r; std::string note; } notes[] = {
      {16.833, -0.073, below},
      {11.8, 0.7, "answer's R 0.700 lies above 2/3: Da +11.800 Hz, R 0.700 is the tensor Da -12.095 Hz, R 0.634 in "
                  "the usual form (its principal value of largest size taken as z).\n"},
      {-7.5, 2.168, "answer's R 2.168 lies above 2/3: Da -7.500 Hz, R 2.168 is the tensor Da +15.945 Hz, R 0.040 in "
                    "the usual form (its principal value of largest size taken as z, x and y swapped).\n"},
      {-11.8, 2.0 / 3.0, ""}, {-11.8, 0.0, ""}, {-11.8, 0.5, ""},
      // Within the margin of the bounds the answer is its own usual form (R printed 0.667 or -0.000).
      {-11.9, 0.66667, ""}, {-11.9, 2.0 / 3.0 + 9e-4, ""}, {16.833, -0.0004, ""},
      {16.833, -0.002, "answer's R -0.002 lies below 0: Da +16.833 Hz, R -0.002 is the tensor Da +16.833 Hz, R 0.002 "
                       "in the usual form (its x and y axes swapped).\n"}};
  for (const auto& n : notes) EXPECT_EQ(usualFormNote(n.da, n.r), n.note) << n.r;
}

TEST(Estimates, SignUnsettledWhereTheLeastPrincipalValueLiesBelowTheResolution) {
  // The least principal value (the smallest size of the twin's three) against the resolution: the
  // example's answers (0.39 and 0.59 Hz), media of 7.1 and 15.2 Hz, R 2/3 (0), a value on the
  // resolution (not below it), a negative R, and Da 0, which has no sign.
  const struct { double da, r, resolution; bool unsettled; } cases[] = {
      {11.39, 0.644, 2.0, true}, {11.8, 0.70, 1.0, true},    {-8.43, 0.102, 2.0, false}, {16.18, 0.041, 2.0, false},
      {-12.0, 2.0 / 3.0, 0.01, true}, {10.0, 0.6, 1.0, false}, {10.0, -0.6, 1.01, true},  {0.0, 0.3, 1.0, false}};
  for (const auto& c : cases) {
    const double least = std::min({std::fabs(2 * c.da), std::fabs(c.da * (1 + 1.5 * c.r)), std::fabs(c.da * (1 - 1.5 * c.r))});
    EXPECT_NEAR(leastPrincipalValue(c.da, c.r), least, 1e-12) << c.da << " " << c.r;
    EXPECT_EQ(unsettledSignNote(c.da, c.r, c.resolution, "their mean error DD*W").empty(), !c.unsettled) << c.da << " " << c.r;
  }
}

TEST(Estimates, SignOfTheUsualFormAtItsBounds) {
  // The sign of Da in the usual form is that of the principal value of largest size (2 Da or
  // -Da (1 + 1.5 R)); at R 2/3 the two are of one size and name none, as within 1e-3 below it.
  // Beyond 2/3 the tensor turns (Da 12, R 0.7 is Da -12.3, R 0.634); just below 0 (within 1e-3)
  // it is its own, further below its x and y swapped, of the same Da.
  const struct { double da, r; int sign; } cases[] = {
      {12.0, 0.5, 1},         {-12.0, 0.5, -1},        {12.0, 2.0 / 3.0, 0},   {-12.0, 2.0 / 3.0 - 9e-4, 0},
      {12.0, 2.0 / 3.0 - 2e-3, 1}, {12.0, 0.7, -1},   {-12.0, 0.7, 1},        {12.0, -0.0005, 1},
      {12.0, -0.3, 1},        {0.0, 0.3, 0}};
  for (const auto& c : cases) EXPECT_EQ(usualFormSign(c.da, c.r), c.sign) << c.da << " " << c.r;
  // Two readings of opposite signs say so; one that names no sign (at 2/3) says nothing.
  EXPECT_NE(opposedSignNote({"a", 12.0, 0.5}, {"b", -12.0, 0.5}), "");
  EXPECT_NE(opposedSignNote({"a", 12.0, 0.5}, {"b", 12.0, 0.7}), "");
  EXPECT_EQ(opposedSignNote({"a", 12.0, 0.5}, {"b", -12.0, 2.0 / 3.0 - 9e-4}), "");
  EXPECT_EQ(opposedSignNote({"a", 12.0, 0.5}, {"b", 11.0, 0.3}), "");
}

// A -daMl run on the example's couplings over Da lDa..hDa by 0.1 and R lR..hR by 0.01; its status,
// stderr and table.
struct ExampleMl {
  int rc = -1;
  std::string err, table;
  float da = 0, r = 0;
};
ExampleMl exampleMl(float lDa, float hDa, float lR, float hR) {
  TempDir dir;
  Settings s;
  s.k.korimMode = korim::settings::kModeDaMl;
  auto& h = s.k.histInfo;
  h.lDaMl = lDa, h.hDaMl = hDa, h.incDaMl = 0.1f, h.lRMl = lR, h.hRMl = hR, h.incRMl = 0.01f;
  const std::string out = dir / "ml.tab", sc = dir / "ml.sc", in = KORIM_EXAMPLES "/ubiquitin_nh_bicelle.tab";
  ExampleMl m;
  m.err = captureStderr([&] {
    korim_test::captureStdout([&] { m.rc = getMlDabR(in.c_str(), &s.k, &s.dc, "All", "All", out.c_str(), sc.c_str()); });
  });
  if (korim_test::fileExists(out)) m.table = korim_test::readFile(out);
  m.da = h.DaMl, m.r = h.RMl;
  return m;
}

TEST(Estimates, LikelihoodAnswerAboveTwoThirdsNamesItsTensor) {
  // The example's couplings, whose best point lies at Da 11.8 (their larger extreme is positive),
  // R 0.70: on the high R edge of a grid ending there, whose remark advises -hR up to 2; inside the
  // grids that follow it (R 1, R 2), where only the tensor is named. The usual form is said once
  // in each run.
  const std::string form = "answer's R 0.700 lies above 2/3: Da +11.800 Hz, R 0.700 is the tensor Da -12.095 Hz, "
                           "R 0.634 in the usual form (its principal value of largest size taken as z)";
  const std::string tensor = form + ".";
  const std::string edgePoint = form + "; the answer lies on an edge of the grid, so this names the edge point, not a "
                                       "tensor the couplings select.";
  const std::string beyond = "best point of the likelihood grid lies on its high R edge (R 0.700, set by -hR 0.7): "
                             "an edge is no maximum, the likelihood may rise beyond it; -hR moves that edge, up to 2 "
                             "(R between 2/3 and 2 holds the tensors of the other sign of Da, as this answer's usual "
                             "form below names it).";
  // Its principal values +23.6, -24.19 and +0.59 Hz: the least, 0.59 Hz, lies below the 1 Hz
  // errors, so the couplings do not tell the tensor from its negative.
  const std::string sign = "couplings do not settle the sign of Da: the answer's principal value of least size, "
                           "|Da (1 - 1.5 R)| = 0.590 Hz, lies below their resolution, 1.000 Hz (their mean error "
                           "DD*W), so the tensor Da -12.095 Hz, R 0.634 and its negative, Da +12.095 Hz, R 0.634 "
                           "(both in the usual form), give nearly the same couplings; a fit with the structure "
                           "(-bestFit) settles the sign.";
  const std::string signOfEdge = sign.substr(0, sign.size() - 1) + "; the answer lies on an edge of the grid, so this is "
                                 "said of the edge point, not a tensor the couplings select.";
  const struct {
    float hR;
    std::vector<std::string> notes;
  } cases[] = {{0.7f, {beyond, edgePoint, signOfEdge}}, {1.0f, {tensor, sign}}, {2.0f, {tensor, sign}}};
  for (const auto& c : cases) {
    const ExampleMl m = exampleMl(-12.5f, -11.0f, 0.6f, c.hR);
    ASSERT_EQ(m.rc, 0) << m.err;
    EXPECT_FLOAT_EQ(m.da, 11.8f);
    EXPECT_FLOAT_EQ(m.r, 0.7f);
    std::vector<std::string> said, remarks;
    for (const std::string& e : c.notes) said.push_back("korim: the " + e), remarks.push_back("REMARK The " + e);
    EXPECT_EQ(linesWith(m.err, "korim: the "), said) << c.hR;
    EXPECT_EQ(linesWith(m.table, "REMARK The "), remarks) << c.hR;
  }
}

TEST(Estimates, LikelihoodGridOfOneSignResolvedBySampling) {
  // The grid runs over one sign of Da and stops 1/3 Hz short of 0, where a pattern sampled every
  // 0.01 Hz still holds nine tenths of itself; nearer 0 it shrinks to a few samples of enormous
  // density, which outscored every sound tensor.
  const float coup[3] = {-12.0f, 3.0f, 19.5f};
  const struct { double highDab; int rc; } grids[] = {{-1e-16, 1}, {-0.2, 1}, {-0.33, 1}, {-0.34, 0}, {-3.0, 0}};
  for (const auto& g : grids) {
    std::vector<double> r, da, score;
    int n = -1, rc = -1;
    const std::string err = captureStderr(
        [&] { rc = mlMagTensor(3, coup, 1.0, g.highDab - 1.0, g.highDab, 0.1f, 0.3, 0.32, 0.01f, &r, &da, &score, &n); });
    EXPECT_EQ(rc, g.rc) << g.highDab;
    EXPECT_EQ(err.find("-1/3 Hz or below") != std::string::npos, g.rc == 1) << err;
    double single = 0;
    captureStderr([&] { single = mlMagTensorSingle(3, coup, 1.0, g.highDab, 0.3); });
    EXPECT_EQ(single == 0.0, g.rc == 1) << g.highDab;
  }
  // The two forms the refusal of a range across 0 names give the one answer, in the couplings'
  // sign.
  const ExampleMl below = exampleMl(-25.0f, -3.0f, 0.6f, 0.75f), above = exampleMl(3.0f, 25.0f, 0.6f, 0.75f);
  ASSERT_TRUE(below.rc == 0 && above.rc == 0);
  EXPECT_FLOAT_EQ(below.da, 11.8f);
  EXPECT_FLOAT_EQ(above.da, 11.8f);
  EXPECT_FLOAT_EQ(above.r, below.r);
}

TEST(Estimates, HistogramAnswerAboveTwoThirdsNamesItsTensor) {
  // The example's residues 36 to 71 give R above 2/3: the answer stays, named in the usual form.
  TempDir dir;
  Settings s;
  s.k.korimMode = korim::settings::kModeDaHist;
  s.dc.segFirst = 36, s.dc.segLast = 71;
  const std::string out = dir / "hist.tab", in = KORIM_EXAMPLES "/ubiquitin_nh_bicelle.tab";
  int rc = -1;
  const std::string err = captureStderr([&] {
    korim_test::captureStdout([&] { rc = getHistDabR(in.c_str(), &s.k, &s.dc, "All", "All", out.c_str()); });
  });
  ASSERT_EQ(rc, 0) << err;
  const auto& h = s.k.histInfo;
  ASSERT_GT(h.RFit, 2.0 / 3.0);
  double da2 = 0, r2 = 0;
  twin(h.DaFit, h.RFit, &da2, &r2);
  char note[320];
  std::snprintf(note, sizeof note, "answer's R %.3f lies above 2/3: Da %+.3f Hz, R %.3f is the tensor Da %+.3f Hz, "
                "R %.3f in the usual form (its principal value of largest size taken as z).", h.RFit, h.DaFit, h.RFit,
                da2, r2);
  // Its extremes' sizes differ by less than 32 couplings' extremes may miss by: the sign note follows.
  const std::string sign = linesWith(err, "korim: the couplings do not settle the sign").at(0).substr(11);
  EXPECT_NE(sign.find("Dzz +23.510 and Dyy -21.660 Hz, differ by +1.850 Hz, less than the 12.177 Hz by which the "
                      "extremes of 32 couplings"),
            std::string::npos)
      << sign;
  EXPECT_EQ(linesWith(err, "korim: the "), (std::vector<std::string>{"korim: the " + std::string(note), "korim: the " + sign}));
  EXPECT_EQ(linesWith(korim_test::readFile(out), "REMARK The "),
            (std::vector<std::string>{"REMARK The " + std::string(note), "REMARK The " + sign}));
}

TEST(Estimates, LikelihoodAnswersInTheSignOfTheCouplings) {
  // Couplings of Da +10 Hz and of Da -10 Hz (the same orientations, every coupling negated), R 0.3
  // (inside the usual form): the answer has the tensor's sign and size, one R for both.
  float r[2] = {};
  for (const int sign : {1, -1}) {
    TempDir dir;
    Settings s;
    const std::string in = tensorTable(dir, 400, sign * 10.0, 0.3, 1.0);
    auto& h = s.k.histInfo;
    s.k.korimMode = korim::settings::kModeDaMl;
    h.lDaMl = -12.0f, h.hDaMl = -8.0f, h.incDaMl = 0.5f, h.lRMl = 0.15f, h.hRMl = 0.45f, h.incRMl = 0.05f;
    int rc = -1;
    quiet([&] { rc = getMlDabR(in.c_str(), &s.k, &s.dc, "All", "All", (dir / "ml.tab").c_str(), (dir / "ml.sc").c_str()); });
    ASSERT_EQ(rc, 0);
    EXPECT_NEAR(h.DaMl, sign * 10.0, 0.75) << sign;
    EXPECT_NEAR(field(korim_test::readFile(dir / "ml.tab"), "DATA ML Da "), h.DaMl, 1e-3);
    r[sign > 0 ? 0 : 1] = h.RMl;
  }
  EXPECT_EQ(r[0], r[1]);
}

TEST(Estimates, ScoreRowsNameTheirOwnPoint) {
  // Steps finer than the default's decimals: Da by 0.02 Hz and R by 0.005, each row its point.
  TempDir dir;
  Settings s;
  ASSERT_EQ(likelihood(dir, s, 100, {-10.2f, -10.0f, 0.02f, 0.28f, 0.3f, 0.005f}, dir / "ml.tab"), 0);
  const std::vector<std::string> rows = korim_test::lines(korim_test::readFile(dir / "ml.sc"));
  ASSERT_EQ(rows.size(), 3u + 10 * 5);  // Da -10.00 to -10.18, R 0.280 to 0.300
  EXPECT_EQ(rows[1], "FORMAT %4.2f %1.3f %e");
  for (size_t i = 3; i < rows.size(); ++i) {
    char da[16], r[16];
    std::snprintf(da, sizeof da, "%.2f", -10.0 - 0.02 * ((i - 3) % 10));
    std::snprintf(r, sizeof r, "%.3f", 0.28 + 0.005 * ((i - 3) / 10));
    EXPECT_EQ(rows[i].substr(0, rows[i].find(' ', 7)), std::string(da) + " " + r) << rows[i];
  }
}

TEST(Estimates, LikelihoodOfKnownTensorPeaksAtTheAnswer) {
  TempDir dir;
  Settings s;
  const auto& h = s.k.histInfo;
  ASSERT_EQ(likelihood(dir, s, 2000, {-12.0f, -8.0f, 0.2f, 0.15f, 0.45f, 0.02f}, dir / "ml.tab"), 0);
  EXPECT_NEAR(std::fabs(h.DaMl), 10.0, 0.5);
  int kept = 0;  // without mapping every row keeps its measured error (DD) of 1 Hz
  for (const std::string& row : korim_test::lines(korim_test::readFile(dir / "ml.tab")))
    kept += row.size() > 13 && row.compare(row.size() - 13, 13, "  1.0000 1.00") == 0;
  EXPECT_EQ(kept, 2000);
  EXPECT_NEAR(h.RMl, 0.3, 0.05);
  // The score rows after the VARS and FORMAT lines and a blank one.
  const std::vector<std::string> rows = korim_test::lines(korim_test::readFile(dir / "ml.sc"));
  ASSERT_EQ(rows.size(), 3u + 20 * 16);  // Da -8.0 to -11.8, R 0.15 to 0.45
  double best = -HUGE_VAL, bestDa = 0, bestR = 0;
  for (size_t i = 3; i < rows.size(); ++i) {
    double da = 0, r = 0, score = 0;
    ASSERT_EQ(std::sscanf(rows[i].c_str(), "%lf %lf %lf", &da, &r, &score), 3) << rows[i];
    if (score > best) best = score, bestDa = da, bestR = r;
  }
  EXPECT_NEAR(bestDa, -h.DaMl, 0.051);  // the scores in the search's frame, Da negative; the answer in the couplings' sign
  EXPECT_NEAR(bestR, h.RMl, 0.005);
}

TEST(Estimates, ScoresOutlastAFailedTable) {
  // A coupling table whose writing fails (a full disk) fails the run; the score file, written
  // before it, holds every point of the grid: Da -8 to -11 by 1, R 0.2 to 0.4 by 0.1.
  TempDir dir;
  Settings s;
  EXPECT_NE(likelihood(dir, s, 100, {-12.0f, -8.0f, 1.0f, 0.2f, 0.4f, 0.1f}, "/dev/full"), 0);
  korim::foundation::outputLostReset();
  const std::vector<std::string> rows = korim_test::lines(korim_test::readFile(dir / "ml.sc"));
  ASSERT_EQ(rows.size(), 3u + 4 * 3);
  EXPECT_EQ(rows[0], "VARS   DA R SCORE");
  EXPECT_EQ(rows.back().substr(0, 9), "-11.0 0.4");
}

// One -daFlex run on a table; the score and colour streams' text.
struct FlexRun {
  int rc = -1;
  std::string scores, colours;
};
int runFlex(const std::string& in, const TempDir& dir, int nSel, int nRun, int modeFit = 3, float rhHi = 0.667f) {
  Settings s;
  s.k.histInfo.modeFit = modeFit;
  s.k.histInfo.rhHi = rhHi;
  s.k.korimMode = korim::settings::kModeDaFlex;
  s.k.sCount = nSel;
  s.k.histRan = nRun;
  return motionHist(in.c_str(), &s.k, &s.dc, "All", "All", (dir / "flex.tab").c_str(),
                    (dir / "flex.sc").c_str(), (dir / "flex.col").c_str());
}
FlexRun flex(const std::string& in, const TempDir& dir, int nSel, int nRun) {
  FlexRun f;
  quiet([&] { f.rc = runFlex(in, dir, nSel, nRun); });
  f.scores = korim_test::readFile(dir / "flex.sc");
  f.colours = korim_test::readFile(dir / "flex.col");
  return f;
}

TEST(Estimates, FlexibleEstimateOfRigidTensor) {
  TempDir dir;
  const std::string in = tensorTable(dir, 200, 10.0, 0.3, 1.0);
  const FlexRun a = flex(in, dir, 0, 3);
  ASSERT_EQ(a.rc, 0);
  // All residues in every run: the same row three times; per coupling the measured couplings
  // score as well as isotropic ones of the same tensor.
  int nDots = 0, run = 0, n = 0;
  double da = 0, r = 0, score = 0;
  std::vector<std::string> runRows;
  for (const std::string& line : korim_test::lines(a.scores)) {
    std::sscanf(line.c_str(), "# nDots = %d", &nDots);
    if (std::sscanf(line.c_str(), "%d %lf %lf %d %lf", &run, &da, &r, &n, &score) == 5)
      runRows.push_back(line.substr(line.find(' ')));
  }
  ASSERT_EQ(runRows.size(), 3u);
  EXPECT_EQ(runRows[0], runRows[2]);
  EXPECT_EQ(n, 200);
  EXPECT_NEAR(score * nDots / n, 1.0, 0.1);
  EXPECT_NEAR(da, -10.0, 1.0);
  // Equal scores everywhere: the occupied cell is coloured 1, no other, and no NaN.
  EXPECT_EQ(a.colours.find("nan"), std::string::npos);
  int occupied = 0;
  for (const std::string& c : korim_test::lines(a.colours)) occupied += c.find("  1     1     1") != std::string::npos;
  EXPECT_EQ(occupied, 1);

  const FlexRun b = flex(in, dir, 30, 5), c = flex(in, dir, 30, 5);
  ASSERT_EQ(b.rc, 0);
  EXPECT_EQ(b.scores, c.scores);  // the residue draw starts from the same seed
  EXPECT_EQ(b.colours, c.colours);
}

TEST(Estimates, FlexibleRunsAboveTwoThirdsAreCounted) {
  // The example's subsets often fit R at the fit's bound: at the default -rhHi 0.667, 2/3 to within
  // its rounding, they are said as stopped there and not counted above 2/3; with the bound at 0.7
  // the run rows whose R lies above 2/3 are counted, with those at the bound. Said on stderr and
  // in the table, beside the word on the rows' Da.
  const std::string daWord = "REMARK The Da of the score file's runs is -|Da| of each run's histogram fit, whatever "
                             "the sign of the couplings: a coordinate of the score map, not an answer, and the sign "
                             "of Da is not theirs to tell (a fit with the structure, -bestFit, settles it).";
  for (const float rhHi : {0.667f, 0.7f}) {
    TempDir dir;
    int rc = -1;
    std::string err;
    korim_test::captureStdout([&] {
      err = captureStderr([&] { rc = runFlex(KORIM_EXAMPLES "/ubiquitin_nh_bicelle.tab", dir, 30, 40, 3, rhHi); });
    });
    ASSERT_EQ(rc, 0) << err;
    int above = 0, atBound = 0, run = 0, n = 0;
    double da = 0, r = 0;
    for (const std::string& line : korim_test::lines(korim_test::readFile(dir / "flex.sc")))
      if (std::sscanf(line.c_str(), "%d %lf %lf %d", &run, &da, &r, &n) == 4) {
        above += r >= 0.668;  // R printed to 3 digits: above 2/3 + 1e-3
        atBound += r >= rhHi - 5e-4;
      }
    // Most of the rows printed at the bound sit on it (the fit works to 4 digits, the rows print 3).
    const std::vector<std::string> said = linesWith(err, "runs ");
    ASSERT_EQ(said.size(), 1u) << err;
    int counted = -1, onBound = -1;
    ASSERT_EQ(std::sscanf(said[0].c_str(), "korim: %d of 40", &counted), 1) << said[0];
    if (rhHi > 0.668f) {
      ASSERT_EQ(std::sscanf(said[0].c_str() + said[0].find('('), "(%d of them", &onBound), 1);
    }
    onBound = rhHi < 0.668f ? counted : onBound;
    EXPECT_TRUE(onBound > 0 && onBound <= atBound) << said[0];
    atBound = onBound;
    const std::string table = korim_test::readFile(dir / "flex.tab");
    std::vector<std::string> count;
    if (rhHi < 0.668f) {
      EXPECT_EQ(above, 0);
      count = {std::to_string(atBound) + " of 40 runs stopped at the fit's bound -rhHi 0.667, which is R 2/3 to "
               "within the bound's rounding (where Da and -Da describe one tensor): they are not counted above 2/3."};
    } else {
      ASSERT_GT(above, 0);
      count = {std::to_string(above) + " of 40 runs answered R above 2/3 (" + std::to_string(atBound) +
               " of them at the fit's bound -rhHi 0.7); their rows give Da and R as fitted, and such a Da, R is the "
               "tensor Da' = -Da (2 + 3R) / 4, R' = (4 - 2R) / (2 + 3R) in the usual form."};
    }
    EXPECT_EQ(said, std::vector<std::string>{"korim: " + count[0]}) << rhHi;
    EXPECT_TRUE(korim_test::inOrder(table, {"\nREMARK " + count[0] + "\n" + daWord + "\n\n"})) << table;
  }
}

TEST(Estimates, FlexibleRunsOfDaTooSmallToSampleAreNotScored) {
  // The example's couplings at W 0.06 (D*W and DD*W below 1.5 Hz, DATA EQ Da 0.72 Hz, above the
  // estimates' floor) drawn 10 residues a run: some runs fit |Da| below 1/3 Hz, where the sampled
  // pattern is no pattern of the tensor. They are said once and left unscored (rows of zeros); the
  // other runs are compared.
  TempDir dir;
  std::string table;
  for (const std::string& line : korim_test::lines(korim_test::readFile(KORIM_EXAMPLES "/ubiquitin_nh_bicelle.tab")))
    table += (line.size() > 4 && line.compare(line.size() - 5, 5, " 1.00") == 0 ? line.substr(0, line.size() - 4) + "0.06"
                                                                                 : line) + "\n";
  const std::string in = korim_test::writeFile(dir / "small.tab", table);
  int rc = -1;
  std::string err;
  korim_test::captureStdout([&] { err = captureStderr([&] { rc = runFlex(in, dir, 10, 100); }); });
  EXPECT_EQ(rc, 0);
  int small = 0, unscored = 0, run = 0, n = 0;
  double da = 0, r = 0, s1 = 0;
  for (const std::string& line : korim_test::lines(korim_test::readFile(dir / "flex.sc")))
    if (std::sscanf(line.c_str(), "%d %lf %lf %d %lf", &run, &da, &r, &n, &s1) == 5 && da != 0.0 && da > -1.0 / 3) {
      ++small;
      unscored += s1 == 0.0;
    }
  ASSERT_GT(small, 0);
  EXPECT_EQ(unscored, small);
  EXPECT_EQ(linesWith(err, "runs fitted a Da of size below 1/3 Hz"),
            std::vector<std::string>{"korim: " + std::to_string(small) + " of 100 runs fitted a Da of size below 1/3 Hz, "
                                     "whose pattern the likelihood's sampling every 0.01 Hz does not resolve; their "
                                     "rows are listed and not scored."});
}

// The histogram and flexible estimates refuse such tables in the command-line tests.
TEST(Estimates, CouplingsWithoutErrorsAreRefused) {
  TempDir dir;
  const std::string in = tensorTable(dir, 50, 10.0, 0.3, 0.0);
  {
    Settings s;
    s.k.korimMode = korim::settings::kModeDaMl;
    int rc = -1;
    std::string err;
    korim_test::captureStdout([&] {
      err = korim_test::captureStderr(
          [&] { rc = getMlDabR(in.c_str(), &s.k, &s.dc, "All", "All", (dir / "out.tab").c_str(), ""); });
    });
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("carry no errors (column DD is 0)"), std::string::npos) << err;
    EXPECT_FALSE(korim_test::fileExists(dir / "out.tab"));
  }
  // Without a DD column every coupling counts an error of 1 Hz: finite results.
  std::string noDD = korim_test::readFile(in);
  noDD.replace(noDD.find(" DD W"), 5, " W");
  noDD.replace(noDD.find(" %9.3f %.2f"), 11, " %.2f");
  for (size_t at = 0; (at = noDD.find("     0.000 1.00", at)) != std::string::npos;)
    noDD.replace(at, 15, " 1.00");
  Settings s;
  s.k.korimMode = korim::settings::kModeDaHist;
  int rc = -1;
  quiet([&] {
    rc = getHistDabR(korim_test::writeFile(dir / "nodd.tab", noDD).c_str(), &s.k, &s.dc, "All", "All",
                     (dir / "nodd.out").c_str());
  });
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(std::isfinite(s.k.histInfo.DaFit) && std::isfinite(s.k.histInfo.RFit));
}

// A coupling table owned by the test: observed and calculated rows side by side.
struct Table {
  std::vector<DInfo> obs, calc;
  DTable tab{};

  void add(float dObs, float dCalc, float wCalc = 1.0f, float sigma = 1.0f, int resID = 1,
           int vObs = 1, int vCalc = 1) {
    DInfo o{}, c{};
    o.valid = vObs;
    o.d = dObs;
    o.sigma = sigma;
    o.w = 7.0f;  // the observed weight must not enter the statistics
    o.resIDI = resID;
    std::snprintf(o.atomNameI, sizeof o.atomNameI, "N");
    c.valid = vCalc;
    c.d = dCalc;
    c.w = wCalc;
    obs.push_back(o);
    calc.push_back(c);
  }
  DTable* get() {
    tab.dObsList = obs.data();
    tab.dCalcList = calc.data();
    tab.dCount = static_cast<int>(obs.size());
    return &tab;
  }
};

std::string runStat(Table& t, int verbose) {
  std::vector<char> buf(kStatDCTextLen, 'x');
  EXPECT_EQ(statDC(t.get(), buf.data(), verbose), 0);
  return std::string(buf.data());
}

// The record text with correlation r and both slopes b, everything else 0.
std::string statText(const char* r, const char* b) {
  return std::string("\nDATA STATISTICS DC\nDATA STATISTICS DC STDDEV_DIFF  0.000 [Hz]\n") +
         "DATA STATISTICS DC CORR R       " + r + "\nDATA STATISTICS DC TALMERINOS Q 0.000\n" +
         "DATA STATISTICS DC REGRESSION OFFSET    0.000 +/- 0.000 [Hz]\n" +
         "DATA STATISTICS DC REGRESSION SLOPE     " + b + " +/- 0.000 [Hz]\n" +
         "DATA STATISTICS DC REGRESSION ZEB SLOPE " + b + " +/- 0.000 [Hz]\n\n";
}

TEST(StatDC, PerfectAgreementExactText) {
  Table t;
  for (int i = 1; i <= 5; i++) t.add(2.0f * i - 5.0f, 2.0f * i - 5.0f);
  EXPECT_EQ(runStat(t, 1), statText("1.000", "1.000"));
}

TEST(StatDC, NoisyDataAgreesWithDoubleTwin) {
  // Weighted pairs x = w d_obs, y = w d_calc; the figures by their textbook definitions in double.
  Table t;
  std::vector<double> x, y;
  for (int i = 0; i < 40; i++) {
    double xo = 20.0 * std::sin(0.7 * i) + 3.0;
    double yc = 0.8 * xo + 1.5 + 2.0 * std::cos(1.3 * i * i);
    float w = (i % 3 == 0) ? 0.5f : 1.0f;
    t.add(static_cast<float>(xo), static_cast<float>(yc), w);
    x.push_back(static_cast<float>(xo) * w);
    y.push_back(static_cast<float>(yc) * w);
  }
  const size_t n = x.size();
  // Sum of (a - ma)(b - mb) over the pairs.
  auto co = [n](const std::vector<double>& a, double ma, const std::vector<double>& b, double mb) {
    double s = 0;
    for (size_t i = 0; i < n; i++) s += (a[i] - ma) * (b[i] - mb);
    return s;
  };
  std::vector<double> d(n), res(n);
  for (size_t i = 0; i < n; i++) d[i] = x[i] - y[i];
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n, my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  const double md = mx - my, sxx = co(x, mx, x, mx), syy = co(y, my, y, my), sxy = co(x, mx, y, my);
  const double slope = sxy / sxx, offset = my - slope * mx;
  for (size_t i = 0; i < n; i++) res[i] = y[i] - offset - slope * x[i];
  const double sigdat = std::sqrt(co(res, 0, res, 0) / (n - 2.0));

  std::string s = runStat(t, 1);
  const std::pair<const char*, double> want[] = {
      {"STDDEV_DIFF", std::sqrt(co(d, md, d, md) / n)},
      {"TALMERINOS Q", std::sqrt(co(d, 0, d, 0) / co(x, 0, x, 0))},
      {"CORR R", sxy / std::sqrt(sxx * syy)},
      {"REGRESSION OFFSET", offset},
      {"REGRESSION OFFSET +/-", sigdat * std::sqrt((1.0 + n * mx * mx / sxx) / n)},
      {"REGRESSION SLOPE", slope},
      {"REGRESSION SLOPE +/-", sigdat / std::sqrt(sxx)},
      {"ZEB SLOPE", (slope + syy / sxy) / 2.0},  // mean of y-on-x and the inverse x-on-y slope
  };
  for (const auto& [key, value] : want) EXPECT_NEAR(field(s, key), value, 2e-3) << key;
}

// A row leaves the statistics when its measured D marks it missing, its weight is 0 or its
// calculated row is not valid (whatever D it holds); a back-calculated D of any size counts.
TEST(StatDC, PairFilterAndPlaceholderValues) {
  // Reference: the good pairs alone.
  Table ref;
  ref.add(10.0f, 11.0f);
  ref.add(-4.0f, -3.0f);
  ref.add(2.0f, 999.0f);
  ref.add(3.0f, -1500.0f);
  ref.add(5.0f, 7.0f);
  std::string want = runStat(ref, 1);

  Table t;
  t.add(10.0f, 11.0f);
  t.add(999.0f, 3.0f);              // observed placeholder: left out
  t.add(-4.0f, -3.0f);
  t.add(2.0f, 999.0f);              // a back-calculated D of 999 Hz counts
  t.add(998.9f, 990.0f);            // marked as missing: left out
  t.add(3.0f, -1500.0f);            // and one of -1500 Hz
  t.add(8.0f, 1.0f, 1, 1, 1, 0);    // observed invalid
  t.add(8.0f, 1.0f, 1, 1, 1, 1, 0); // calculated invalid
  t.add(6.0f, 2.0f, 0.0f);          // weight 0
  t.add(5.0f, 7.0f);
  EXPECT_EQ(runStat(t, 1), want);
}

TEST(StatDC, DegenerateInputs) {
  // No usable pair: no correlation, Q or regression, each said why; the deviation prints as zero.
  const std::string fewer = "REMARK No CORR R: fewer than three couplings (a correlation needs three or more).\n";
  Table none;
  none.add(999.0f, 1.0f);
  none.add(1.0f, 1.0f, 1, 1, 1, 0);
  const std::string noLine = ": fewer than three couplings (a regression needs three or more).\n";
  EXPECT_EQ(runStat(none, 1), "\nDATA STATISTICS DC\nDATA STATISTICS DC STDDEV_DIFF  0.000 [Hz]\n" + fewer +
                                  "REMARK No TALMERINOS Q: no coupling to compare.\nREMARK No REGRESSION OFFSET" + noLine +
                                  "REMARK No REGRESSION SLOPE" + noLine + "REMARK No REGRESSION ZEB SLOPE" + noLine + "\n");
  // All measured values 0: Q has no scale, and the measured set no spread.
  Table zero;
  for (float c : {1.0f, -2.0f, 3.0f}) zero.add(0.0f, c);
  const std::string z = runStat(zero, 1);
  EXPECT_NE(z.find("REMARK No TALMERINOS Q: the measured couplings are all 0 (Q divides by their size).\n"),
            std::string::npos);
  EXPECT_NE(z.find("REMARK No CORR R: the measured couplings all have one value"), std::string::npos);
  EXPECT_NE(z.find("REMARK No REGRESSION SLOPE: the measured couplings all have one value"), std::string::npos);
  // Two pairs: no regression (its errors would divide by n - 2), no correlation, the other
  // figures by hand: differences -1 and 0 have the population deviation 0.5; Q = sqrt(1 / (1 + 9)).
  Table two;
  two.add(1.0f, 2.0f);
  two.add(3.0f, 3.0f);
  std::string s = runStat(two, 1);
  EXPECT_NE(s.find(fewer), std::string::npos);
  EXPECT_NE(s.find("REMARK No REGRESSION SLOPE" + noLine), std::string::npos);
  EXPECT_NEAR(field(s, "STDDEV_DIFF"), 0.5, 5e-4);
  EXPECT_NEAR(field(s, "TALMERINOS Q"), std::sqrt(0.1), 5e-4);
}

TEST(StatDC, VerbosityLevels) {
  Table t;
  t.add(10.0f, 11.5f, 1, 1, 23);
  t.add(1200.0f, 3.0f, 1, 1, 24);  // valid but a placeholder: listed, not used
  t.add(-4.0f, -3.0f, 1, 1, 25, 0);
  std::string text[3], err[3];
  for (int v = 0; v < 3; v++) err[v] = captureStderr([&] { text[v] = runStat(t, v); });
  EXPECT_EQ(text[0] + err[0] + err[1], "");
  EXPECT_EQ(text[2], text[1]);
  EXPECT_EQ(err[2],
            "resid  [DC type]    predicted    measured     pred. - meas.\n"
            "-----  ---------    ---------    --------     -------------\n"
            "23        N        p:    11.50   m:   10.00     diff:   1.50\n"
            "24        N        p:     3.00   m: 1200.00     diff:-1197.00\n");
}

TEST(StatEasyDC, RmsAndChiSquare) {
  const float obs[] = {10.0f, 20.0f, -5.0f};
  const float dd[] = {0.0f, 0.5f, 2.0f};
  const float calc[] = {11.0f, 19.0f, -1.0f};
  float rms = -1, chi2 = -1;
  int n = -1;
  EXPECT_EQ(getStatEasyDC(obs, dd, calc, 3, &rms, &chi2, &n), 3);
  EXPECT_NEAR(rms, std::sqrt((1.0 + 1.0 + 16.0) / 3.0), 1e-6);
  EXPECT_NEAR(chi2, 1.0 + 4.0 + 4.0, 1e-6);  // an error of 0 counts as 1
  EXPECT_EQ(n, 3);
  EXPECT_EQ(getStatEasyDC(obs, dd, calc, 0, &rms, &chi2, &n), 0);
  EXPECT_TRUE(rms == 0.0f && chi2 == 0.0f && n == 0);
}

}  // namespace
