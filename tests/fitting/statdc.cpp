// Coupling statistics: exact record texts, hand-checked values and a double-precision twin.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "fitting/statdc.h"
#include "foundation/memory.h"
#include "tests/support/allocfail.h"
#include "tests/support/capture.h"

using namespace korim::couplings;
using namespace korim::fitting;
using korim_test::captureStderr;

namespace {

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

// The number printed after a record's name; for "<name> +/-", the one after the record's "+/-".
double field(const std::string& text, const std::string& key) {
  const bool error = key.ends_with(" +/-");
  size_t p = text.find(error ? key.substr(0, key.size() - 4) : key);
  if (p == std::string::npos) return NAN;
  p = error ? text.find("+/-", p) + 3 : p + key.size();
  return std::stod(text.substr(p));
}

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

}  // namespace

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

TEST(StatDC, PairFilterAndPlaceholderValues) {
  // Reference: the three good pairs alone.
  Table ref;
  ref.add(10.0f, 11.0f);
  ref.add(-4.0f, -3.0f);
  ref.add(998.9f, 990.0f);  // below 999: used
  ref.add(5.0f, 7.0f);
  std::string want = runStat(ref, 1);

  Table t;
  t.add(10.0f, 11.0f);
  t.add(999.0f, 3.0f);              // observed placeholder: left out
  t.add(-4.0f, -3.0f);
  t.add(2.0f, 999.0f);              // calculated placeholder: left out
  t.add(998.9f, 990.0f);
  t.add(8.0f, 1.0f, 1, 1, 1, 0);    // observed invalid
  t.add(8.0f, 1.0f, 1, 1, 1, 1, 0); // calculated invalid
  t.add(5.0f, 7.0f);
  EXPECT_EQ(runStat(t, 1), want);
}

TEST(StatDC, DegenerateInputs) {
  // No usable pair: every figure prints as zero.
  Table none;
  none.add(999.0f, 1.0f);
  none.add(1.0f, 1.0f, 1, 1, 1, 0);
  EXPECT_EQ(runStat(none, 1), statText("0.000", "0.000"));
  // All measured values 0: Q has no scale and prints 0.
  Table zero;
  for (float c : {1.0f, -2.0f, 3.0f}) zero.add(0.0f, c);
  EXPECT_NE(runStat(zero, 1).find("DATA STATISTICS DC TALMERINOS Q 0.000\n"), std::string::npos);
  // Two pairs: no regression (its errors would divide by n - 2), the other figures by hand:
  // differences -1 and 0 have the population deviation 0.5; Q = sqrt(1 / (1 + 9)).
  Table two;
  two.add(1.0f, 2.0f);
  two.add(3.0f, 3.0f);
  std::string s = runStat(two, 1);
  EXPECT_NE(s.find("CORR R       0.000\n"), std::string::npos);
  EXPECT_NE(s.find("SLOPE     0.000 +/- 0.000"), std::string::npos);
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
