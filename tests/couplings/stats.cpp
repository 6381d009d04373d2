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
        o.d = dObs;
        o.sigma = sigma;
        o.valid = vObs;
        c.d = dCalc;
        c.w = w;
        c.valid = vCalc;
        obs.push_back(o);
        calc.push_back(c);
    }
    int n() const { return static_cast<int>(obs.size()); }
};
}  // namespace

TEST(CouplingStatistics, RmsAndChiSquare) {
    Pairs p;
    p.add(10, 11, 0.0f);  // an error of 0 counts as 1
    p.add(20, 19, 0.5f);
    float rms = -1, chi2 = -1;
    int n = -1;
    EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
    EXPECT_FLOAT_EQ(rms, 1.0f);
    EXPECT_FLOAT_EQ(chi2, 5.0f);
    EXPECT_EQ(n, 2);
    // the second form adds raw sums
    float r = 0, c = 0;
    int m = 0;
    getStatDC2(p.obs.data(), p.calc.data(), p.n(), &r, &c, &m);
    EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), p.n(), &r, &c, &m), 2);
    EXPECT_FLOAT_EQ(r, 4.0f);
    EXPECT_FLOAT_EQ(c, 10.0f);
    EXPECT_EQ(m, 4);
}

TEST(CouplingStatistics, MissingAndInvalidRows) {
    Pairs p;
    p.add(10, 12);               // compared
    p.add(9999, 3);              // missing: not counted
    p.add(5, 6, 1, 1, 0, 1);     // observed invalid: not counted
    p.add(7, 9999);              // calculated missing: counted, not compared
    p.add(8, 1, 1, 1, 1, 0);     // calculated invalid: counted, not compared
    p.add(4, 2, 1, 3.0f);        // the weight enters the RMS only
    float rms, chi2;
    int n;
    EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 4);
    EXPECT_EQ(n, 2);
    EXPECT_NEAR(rms, std::sqrt((4.0 + 36.0) / 2.0), 1e-5);
    EXPECT_NEAR(chi2, 8.0, 1e-5);
    Pairs q;
    q.add(1, 2, 1, 1, 1, 0);
    EXPECT_EQ(getStatDC(q.obs.data(), q.calc.data(), q.n(), &rms, &chi2, &n), 1);
    EXPECT_EQ(rms, 0.0f);
    EXPECT_EQ(n, 0);
}

TEST(CouplingStatistics, QualityFactorAndPearsonCorrelation) {
    const double o[6] = {12.0, -8.5, 3.2, 15.1, -14.0, 0.7};
    const double c[6] = {10.9, -7.7, 4.0, 13.8, -15.2, -0.5};
    Pairs p;
    double mo = 0, mc = 0, a = 0, b = 0;
    for (int i = 0; i < 6; ++i) {
        p.add(static_cast<float>(o[i]), static_cast<float>(c[i]));
        mo += o[i] / 6;
        mc += c[i] / 6;
        a += (o[i] - c[i]) * (o[i] - c[i]);
        b += o[i] * o[i];
    }
    double sab = 0, saa = 0, sbb = 0;
    for (int i = 0; i < 6; ++i) {
        sab += (o[i] - mo) * (c[i] - mc);
        saa += (o[i] - mo) * (o[i] - mo);
        sbb += (c[i] - mc) * (c[i] - mc);
    }
    p.add(9999, 1);
    float q, r;
    int n;
    EXPECT_EQ(getStatDCQR(p.obs.data(), p.calc.data(), p.n(), &q, &r, &n), 6);
    EXPECT_EQ(n, 6);
    EXPECT_NEAR(q, std::sqrt(a / b), 1e-6);
    EXPECT_NEAR(r, sab / std::sqrt(saa * sbb), 1e-6);

    Pairs flat;  // all calculated couplings equal: no correlation
    flat.add(1, 2);
    flat.add(3, 2);
    EXPECT_EQ(getStatDCQR(flat.obs.data(), flat.calc.data(), 2, &q, &r, &n), 2);
    EXPECT_EQ(r, 0.0f);
    EXPECT_NEAR(q, std::sqrt(2.0 / 10.0), 1e-6);
}
