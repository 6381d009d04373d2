// Linear tensor solve and back-calculation on synthetic bond vectors.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "couplings/dc.h"
#include "dc_test_util.h"

using namespace korim::couplings;

namespace {
struct Vectors {
    std::vector<float> xI, yI, zI, xJ, yJ, zJ, di, d, sig;
    explicit Vectors(int n) : xI(n), yI(n), zI(n), xJ(n), yJ(n), zJ(n), di(n), d(n), sig(n) {}
};

Vectors makeVectors(int n, const double* s, unsigned seed) {
    Vectors v(n);
    std::mt19937 gen(seed);
    std::normal_distribution<double> nd(0.0, 1.0);
    std::uniform_real_distribution<double> ud(-20.0, 20.0);
    for (int i = 0; i < n; ++i) {
        double x = nd(gen), y = nd(gen), z = nd(gen);
        const double r = std::sqrt(x * x + y * y + z * z);
        x /= r; y /= r; z /= r;
        const double len = 1.0 + 0.1 * (i % 3);
        v.xI[i] = static_cast<float>(ud(gen));
        v.yI[i] = static_cast<float>(ud(gen));
        v.zI[i] = static_cast<float>(ud(gen));
        v.xJ[i] = static_cast<float>(v.xI[i] + len * x);
        v.yJ[i] = static_cast<float>(v.yI[i] + len * y);
        v.zJ[i] = static_cast<float>(v.zI[i] + len * z);
        // unit vector as the float coordinates give it
        double ux = v.xJ[i] - v.xI[i], uy = v.yJ[i] - v.yI[i], uz = v.zJ[i] - v.zI[i];
        const double ur = std::sqrt(ux * ux + uy * uy + uz * uz);
        ux /= ur; uy /= ur; uz /= ur;
        v.di[i] = (i % 2) ? -21585.2f : 44539.5f;
        const double u[3] = {ux, uy, uz};
        v.d[i] = static_cast<float>(std::fabs(v.di[i]) * dctest::orderMatrixQuad(s, u));
        v.sig[i] = 1.0f;
    }
    return v;
}
}  // namespace

TEST(FindS, TooFewVectorsLeaveZeros) {
    const double s[5] = {1e-3, 0, 0, 0, 0};
    Vectors v = makeVectors(4, s, 3);
    float saupe[5] = {1, 1, 1, 1, 1}, dSaupe[5] = {1, 1, 1, 1, 1};
    EXPECT_NE(findS(v.xI.data(), v.yI.data(), v.zI.data(), v.xJ.data(), v.yJ.data(), v.zJ.data(),
                    v.di.data(), v.d.data(), v.sig.data(), saupe, dSaupe, 4),
              0);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(saupe[k], 0.0f);
        EXPECT_EQ(dSaupe[k], 0.0f);
    }
}

TEST(FindD, AxialTensorAlongAndAcrossTheAxis) {
    float xI[3] = {0, 0, 1}, yI[3] = {0, 0, 1}, zI[3] = {0, 0, 1};
    float xJ[3] = {0, 1, 1}, yJ[3] = {0, 0, 1}, zJ[3] = {1, 0, 1};
    float di[3] = {-21585.0f, -21585.0f, -21585.0f};
    float d[3], sig[3];
    float saupe[5] = {1e-3f, 0, 0, 0, 0}, dSaupe[5] = {0, 0, 0, 0, 0};
    findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dSaupe, 3);
    EXPECT_NEAR(d[0], 21.585, 1e-4);
    EXPECT_NEAR(d[1], -10.7925, 1e-4);
    // coincident points: the zero vector keeps only the constant part -1/2 of the Szz term
    EXPECT_NEAR(d[2], -10.7925, 1e-4);
    EXPECT_EQ(sig[0], 0.0f);
    // errors: |DI| * sqrt(sum A_k^2 dS_k^2); along z only A_0 = 1
    float dS2[5] = {2e-5f, 1e-5f, 1e-5f, 1e-5f, 1e-5f};
    findD(xI, yI, zI, xJ, yJ, zJ, di, d, sig, saupe, dS2, 1);
    EXPECT_NEAR(sig[0], 21585.0 * 2e-5, 1e-4);
}

TEST(FindS, ReportedErrorsMatchTheScatterOfRepeatedFits) {
    const double s[5] = {6.0e-4, 2.0e-4, -1.0e-4, 0.5e-4, 1.2e-4};
    const int n = 30;
    Vectors v = makeVectors(n, s, 11);
    const double noise = 1.5;  // Hz
    for (int i = 0; i < n; ++i) v.sig[i] = static_cast<float>(noise);
    std::mt19937 gen(2024);
    std::normal_distribution<double> nd(0.0, noise);
    const int trials = 600;
    double sum[5] = {}, sum2[5] = {};
    float reported[5] = {};
    std::vector<float> dn(n);
    for (int t = 0; t < trials; ++t) {
        for (int i = 0; i < n; ++i) dn[i] = static_cast<float>(v.d[i] + nd(gen));
        float saupe[5], dSaupe[5];
        ASSERT_EQ(findS(v.xI.data(), v.yI.data(), v.zI.data(), v.xJ.data(), v.yJ.data(),
                        v.zJ.data(), v.di.data(), dn.data(), v.sig.data(), saupe, dSaupe, n),
                  0);
        for (int k = 0; k < 5; ++k) {
            sum[k] += saupe[k];
            sum2[k] += saupe[k] * static_cast<double>(saupe[k]);
            reported[k] = dSaupe[k];
        }
    }
    for (int k = 0; k < 5; ++k) {
        const double mean = sum[k] / trials;
        const double sd = std::sqrt(sum2[k] / trials - mean * mean);
        EXPECT_NEAR(mean, s[k], 4.0 * sd / std::sqrt(trials)) << k;  // unbiased
        EXPECT_NEAR(reported[k] / sd, 1.0, 0.12) << k;
    }
    dipolarFree();
}
