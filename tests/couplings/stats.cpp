// Coupling-table record defaults and the comparison statistics of observed and calculated rows.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "couplings/dc.h"

using namespace korim::couplings;

namespace {
struct Pairs {
    std::vector<DInfo> obs, calc;
    void add(float dObs, float dCalc, float sigma = 1.0f, float w = 1.0f, int vObs = 1,
             int vCalc = 1) {
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

// Plain Pearson correlation, written independently of the code under test.
double pearson(const std::vector<double>& a, const std::vector<double>& b) {
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) { ma += a[i]; mb += b[i]; }
    ma /= a.size(); mb /= b.size();
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}
}  // namespace

TEST(Records, TensorAndTableDefaults) {
    DTable t;
    t.dCount = 5;
    t.dTensor.tensorMode = 7;
    ASSERT_EQ(dTabNull(&t), 0);
    EXPECT_EQ(t.dObsList, nullptr);
    EXPECT_EQ(t.dCalcList, nullptr);
    EXPECT_EQ(t.work, nullptr);
    EXPECT_EQ(t.dCount + t.maxCount + t.dMinRes + t.dMaxRes + t.workSize, 0);
    EXPECT_EQ(t.nullChainName, 1);
    EXPECT_EQ(t.nullSegName, 1);
    const DTensor& d = t.dTensor;
    EXPECT_EQ(d.tensorMode, 1);
    EXPECT_EQ(d.eulerFlag, 1);
    EXPECT_EQ(d.rhFlag, 0);
    EXPECT_EQ(d.eulerCount, 0);
    EXPECT_FLOAT_EQ(d.da, 0.001f);
    EXPECT_FLOAT_EQ(d.dr, 0.0001f);
    EXPECT_FLOAT_EQ(d.drMin, -0.01f);
    EXPECT_FLOAT_EQ(d.rh, 0.5f);
    EXPECT_FLOAT_EQ(d.rhMin, 0.0f);
    EXPECT_EQ(d.rhMax, 0.6666667f);
    EXPECT_FLOAT_EQ(d.phi, 45.0f);
    EXPECT_FLOAT_EQ(d.psiMin, -360.0f);
    EXPECT_FLOAT_EQ(d.thetaMax, 360.0f);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(d.psiList[k] + d.thetaList[k] + d.phiList[k], 0.0f);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(d.saupe[k] + d.dSaupe[k] + d.userSaupe[k], 0.0f);
    EXPECT_EQ(dTabFree(nullptr), 0);
    DTableList l;
    l.dTabCount = 3;
    dTabListNull(&l);
    EXPECT_EQ(l.dTabCount, 0);
}

TEST(Records, RowDefaults) {
    DInfo r[2];
    r[1].valid = 1;
    r[1].d = 3.0f;
    r[1].atomI[0] = reinterpret_cast<korim::structure::AtomInfo*>(&r[0]);
    r[1].atomICount = 1;
    r[1].atomNameI[0] = 'N';
    resetDC(r, 2);
    for (const DInfo& x : r) {
        EXPECT_EQ(x.id + x.absFlag + x.count + x.valid + x.diFixedFlag, 0);
        EXPECT_EQ(x.resIDI, -666666);
        EXPECT_EQ(x.resIDJ, -666666);
        EXPECT_STREQ(x.atomNameI, "");
        EXPECT_STREQ(x.segNameJ, "");
        EXPECT_EQ(x.d, 9999.0f);
        EXPECT_EQ(x.di, 0.0f);
        EXPECT_EQ(x.w, 1.0f);
        EXPECT_EQ(x.s, 1.0f);
        EXPECT_EQ(x.fc, 1.0f);
        EXPECT_EQ(x.sigma, 0.0f);
        EXPECT_EQ(x.atomICount + x.atomJCount, 0);
        EXPECT_EQ(x.atomI[0], nullptr);
    }
}

TEST(StatDC, RmsAndChiSquareOfTwoRows) {
    Pairs p;
    p.add(10, 11, 0.0f);
    p.add(20, 19, 0.5f);
    float rms = -1, chi2 = -1;
    int n = -1;
    EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 2);
    EXPECT_FLOAT_EQ(rms, 1.0f);
    EXPECT_FLOAT_EQ(chi2, 5.0f);
    EXPECT_EQ(n, 2);
}

TEST(StatDC, MissingAndInvalidRowsAreNeitherComparedNorMisCounted) {
    Pairs p;
    p.add(10, 12);                       // compared
    p.add(9999, 3);                      // missing: not counted
    p.add(5, 6, 1, 1, 0, 1);             // observed invalid: not counted
    p.add(7, 9999, 1, 1, 1, 1);          // calculated missing: counted, not compared
    p.add(8, 1, 1, 1, 1, 0);             // calculated invalid: counted, not compared
    p.add(4, 2, 1, 3.0f);                // weight 3 enters the RMS only
    float rms, chi2;
    int n;
    EXPECT_EQ(getStatDC(p.obs.data(), p.calc.data(), p.n(), &rms, &chi2, &n), 4);
    EXPECT_EQ(n, 2);
    EXPECT_NEAR(rms, std::sqrt((4.0 + 36.0) / 2.0), 1e-5);
    EXPECT_NEAR(chi2, 4.0 + 4.0, 1e-5);
    // no pair compared: RMS 0
    Pairs q;
    q.add(1, 2, 1, 1, 1, 0);
    EXPECT_EQ(getStatDC(q.obs.data(), q.calc.data(), q.n(), &rms, &chi2, &n), 1);
    EXPECT_EQ(rms, 0.0f);
    EXPECT_EQ(n, 0);
}

TEST(StatDC, SecondFormAccumulatesAcrossCalls) {
    Pairs p;
    p.add(10, 11, 0.0f);
    p.add(20, 19, 0.5f);
    float r = 0, c = 0;
    int n = 0;
    EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), p.n(), &r, &c, &n), 2);
    EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), p.n(), &r, &c, &n), 2);
    EXPECT_FLOAT_EQ(r, 4.0f);  // raw sum of w^2 delta^2, no root
    EXPECT_FLOAT_EQ(c, 10.0f);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(getStatDC2(p.obs.data(), p.calc.data(), 0, &r, &c, &n), 0);
    EXPECT_EQ(n, 4);
    float a = 1, b = 1;
    int m = 1;
    EXPECT_EQ(getStatDCN(nullptr, &a, &b, &m), 0);
    EXPECT_EQ(a + b + m, 0.0f);
}

TEST(StatDCQR, QualityFactorAndCorrelation) {
    Pairs p;
    const double o[6] = {12.0, -8.5, 3.2, 15.1, -14.0, 0.7};
    const double c[6] = {10.9, -7.7, 4.0, 13.8, -15.2, -0.5};
    std::vector<double> vo, vc;
    double a = 0, b = 0;
    for (int i = 0; i < 6; ++i) {
        p.add(static_cast<float>(o[i]), static_cast<float>(c[i]));
        vo.push_back(static_cast<float>(o[i]));
        vc.push_back(static_cast<float>(c[i]));
        a += (vo[i] - vc[i]) * (vo[i] - vc[i]);
        b += vo[i] * vo[i];
    }
    p.add(9999, 1);  // never compared
    float q, r;
    int n;
    EXPECT_EQ(getStatDCQR(p.obs.data(), p.calc.data(), p.n(), &q, &r, &n), 6);
    EXPECT_EQ(n, 6);
    EXPECT_NEAR(q, std::sqrt(a / b), 1e-6);
    EXPECT_NEAR(r, pearson(vo, vc), 1e-6);

    Pairs flat;  // all calculated couplings equal: r stays 0
    flat.add(1, 2);
    flat.add(3, 2);
    EXPECT_EQ(getStatDCQR(flat.obs.data(), flat.calc.data(), 2, &q, &r, &n), 2);
    EXPECT_EQ(r, 0.0f);
    EXPECT_NEAR(q, std::sqrt(2.0 / 10.0), 1e-6);
    EXPECT_EQ(getStatDCQR(flat.obs.data(), flat.calc.data(), 0, &q, &r, &n), 0);
    EXPECT_EQ(q + r + n, 0.0f);
}
