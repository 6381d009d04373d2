// Comparison statistics of observed and calculated couplings.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "couplings/dc.h"

using namespace korim::couplings;

namespace {
struct Pairs {
  std::vector<DInfo> obs, calc;
  void add(float dObs, float dCalc, float sigma = 1, float w = 1, int vObs = 1, int vCalc = 1) {
    DInfo o, c;
    resetDC(&o, 1);
    resetDC(&c, 1);
    o.d = dObs, o.sigma = sigma, o.valid = vObs;
    c.d = dCalc, c.w = w, c.valid = vCalc;
    obs.push_back(o);
    calc.push_back(c);
  }
  int n() const { return static_cast<int>(obs.size()); }
};
}  // namespace

// RMS over the compared rows (weighted), chi-square with an error of 0 counted as 1; the second
// form adds raw sums. A missing or invalid observation is not counted; a missing or invalid
// calculation is counted but not compared.
TEST(CouplingStatistics, RmsChiSquareMissingAndInvalidRows) {
  Pairs p;
  p.add(10, 11, 0.0f);
  p.add(20, 19, 0.5f);
  float rms = -1, chi2 = -1;
  int n = -1;
  EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
  EXPECT_TRUE(rms == 1.0f && chi2 == 5.0f && n == 2) << rms << " " << chi2;
  rms = chi2 = 0;
  n = 0;
  for (int k = 0; k < 2; ++k) EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
  EXPECT_TRUE(rms == 4.0f && chi2 == 10.0f && n == 4) << rms << " " << chi2;  // added to what it is given

  Pairs q;
  q.add(10, 12);            // compared
  q.add(9999, 3);           // missing
  q.add(5, 6, 1, 1, 0, 1);  // observed invalid
  q.add(7, 9999);           // calculated missing
  q.add(8, 1, 1, 1, 1, 0);  // calculated invalid
  q.add(4, 2, 1, 3.0f);     // the weight enters the RMS only
  EXPECT_TRUE(getStatDC(q.obs.data(), q.calc.data(), q.n(), &rms, &chi2, &n) == 4 && n == 2);
  EXPECT_TRUE(std::fabs(rms - std::sqrt((4.0 + 36.0) / 2.0)) < 1e-5 && std::fabs(chi2 - 8.0) < 1e-5);
  EXPECT_TRUE(getStatDC(q.obs.data() + 4, q.calc.data() + 4, 1, &rms, &chi2, &n) == 1 && rms == 0.0f && n == 0);
}

// Q = sqrt(sum (o - c)^2 / sum o^2) and Pearson's r against a double-precision twin; equal
// calculated couplings give no correlation.
TEST(CouplingStatistics, QualityFactorAndPearsonCorrelation) {
  const double o[6] = {12.0, -8.5, 3.2, 15.1, -14.0, 0.7}, c[6] = {10.9, -7.7, 4.0, 13.8, -15.2, -0.5};
  Pairs p;
  double mo = 0, mc = 0, a = 0, b = 0, sab = 0, saa = 0, sbb = 0;
  for (int i = 0; i < 6; ++i) {
    p.add(float(o[i]), float(c[i]));
    mo += o[i] / 6, mc += c[i] / 6, a += (o[i] - c[i]) * (o[i] - c[i]), b += o[i] * o[i];
  }
  for (int i = 0; i < 6; ++i)
    sab += (o[i] - mo) * (c[i] - mc), saa += (o[i] - mo) * (o[i] - mo), sbb += (c[i] - mc) * (c[i] - mc);
  p.add(9999, 1);
  float q, r;
  int n;
  EXPECT_TRUE(getStatDCQR(p.obs.data(), p.calc.data(), p.n(), &q, &r, &n) == 6 && n == 6);
  EXPECT_TRUE(std::fabs(q - std::sqrt(a / b)) < 1e-6 && std::fabs(r - sab / std::sqrt(saa * sbb)) < 1e-6) << q << " " << r;

  Pairs flat;
  flat.add(1, 2);
  flat.add(3, 2);
  EXPECT_TRUE(getStatDCQR(flat.obs.data(), flat.calc.data(), 2, &q, &r, &n) == 2 && r == 0.0f);
  EXPECT_NEAR(q, std::sqrt(2.0 / 10.0), 1e-6);
}
