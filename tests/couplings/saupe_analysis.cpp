// Saupe-matrix analysis: eigensystem, Da/Dr, Euler frames, axis-angle form, collinearity.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "couplings/analyzeMatrix3D.h"
#include "couplings/analyzeSaupe.h"


using namespace korim::couplings;

namespace {

struct Mat {
    double m[3][3];
};
Mat mul(const Mat& a, const Mat& b) {
    Mat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}
Mat tr(const Mat& a) {
    Mat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
    return r;
}
double rad(double deg) { return deg * M_PI / 180.0; }
Mat rz(double a) { return {{{cos(a), -sin(a), 0}, {sin(a), cos(a), 0}, {0, 0, 1}}}; }
Mat ry(double b) { return {{{cos(b), 0, sin(b)}, {0, 1, 0}, {-sin(b), 0, cos(b)}}}; }
// Rz(a) Ry(b) Rz(g), angles in degrees.
Mat zyz(double a, double b, double g) { return mul(mul(rz(rad(a)), ry(rad(b))), rz(rad(g))); }

Mat orderMatrix(const double* s) {  // traceless, from Szz, Sxx-Syy, Sxy, Sxz, Syz
    const double sxx = -(s[0] - s[1]) / 2, syy = -(s[0] + s[1]) / 2;
    return {{{sxx, s[2], s[3]}, {s[2], syy, s[4]}, {s[3], s[4], s[0]}}};
}
void saupeOf(const Mat& m, double* s) {
    const double v[5] = {m.m[2][2], m.m[0][0] - m.m[1][1], m.m[0][1], m.m[0][2], m.m[1][2]};
    for (int k = 0; k < 5; ++k) s[k] = v[k];
}

struct Analysis {
    double irr[5], gen, vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
};
Analysis analyze(const double* s, int yzFlag, int verbose) {
    Analysis a;
    for (int k = 0; k < 4; ++k) a.al[k] = a.be[k] = a.ga[k] = 77.0;
    EXPECT_EQ(analyzeSaupe(s, a.irr, &a.gen, a.vec, a.val, yzFlag, &a.da, &a.dr, a.al, a.be,
                           a.ga, verbose), 0);
    return a;
}

// |column c of v . u| = 1
void expectAxis(const double v[3][3], int c, double ux, double uy, double uz) {
    EXPECT_NEAR(std::fabs(v[0][c] * ux + v[1][c] * uy + v[2][c] * uz), 1.0, 1e-9) << c;
}

// Each Euler solution k rebuilds the frame x, y, z = y cross z with y = sy col1, z = sz col0 for
// (sy, sz) = (+,+), (-,+), (+,-), (-,-); the frame's columns form the transpose of Rz Ry Rz.
void expectEulerFrames(const double v[3][3], const double* al, const double* be, const double* ga) {
    static const int sgn[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(al[k] >= 0 && al[k] < 360 && ga[k] >= 0 && ga[k] < 360);
        EXPECT_TRUE(be[k] >= 0 && be[k] <= 180);
        const Mat f = tr(zyz(al[k], be[k], ga[k]));
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(f.m[r][2], sgn[k][1] * v[r][0], 1e-6) << k;
            EXPECT_NEAR(f.m[r][1], sgn[k][0] * v[r][1], 1e-6) << k;
        }
        EXPECT_NEAR(f.m[0][0], f.m[1][1] * f.m[2][2] - f.m[2][1] * f.m[1][2], 1e-6) << k;
    }
}

}  // namespace

TEST(AnalyzeSaupe, AxialAndRhombicTensors) {
    const double axial[5] = {1e-3, 0, 0, 0, 0};
    Analysis a = analyze(axial, 0, 0);
    EXPECT_NEAR(a.val[0], 1e-3, 1e-15);
    expectAxis(a.vec, 0, 0, 0, 1);
    EXPECT_NEAR(a.da, 5e-4, 1e-15);
    EXPECT_NEAR(a.dr, 0.0, 1e-15);
    EXPECT_NEAR(a.gen, 1.585331e-3, 5e-10);  // sqrt(8 pi/15 * 1.5) * 1e-3
    EXPECT_NEAR(a.irr[0], 1.585330918136652e-3, 1e-15);
    for (int k = 1; k < 5; ++k) EXPECT_NEAR(a.irr[k], 0.0, 1e-15) << k;
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(a.al[k] == 0 && a.be[k] == 0 && a.ga[k] == 0);

    // Sxx = -2e-4, Syy = -8e-4, Szz = 1e-3: zz, yy, xx by decreasing magnitude.
    const double rh[5] = {1e-3, 6e-4, 0, 0, 0};
    a = analyze(rh, 0, 0);
    const double want[3] = {1e-3, -8e-4, -2e-4};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.val[k], want[k], 1e-15);
    expectAxis(a.vec, 1, 0, 1, 0);
    EXPECT_NEAR(a.da, 5e-4, 1e-15);
    EXPECT_NEAR(a.dr, 2e-4, 1e-15);
    EXPECT_NEAR(a.dr / a.da, 0.4, 1e-12);
    EXPECT_NEAR(a.irr[3], 1.2944172742975892 * 3e-4, 1e-15);  // sqrt(8pi/15) (Sxx + Szz/2)

    // yzFlag: the largest magnitude is reported as yy, the middle one as zz, and Da uses it.
    a = analyze(rh, 1, 0);
    EXPECT_NEAR(a.val[0], -8e-4, 1e-15);
    EXPECT_NEAR(a.val[1], 1e-3, 1e-15);
    expectAxis(a.vec, 0, 0, 1, 0);
    EXPECT_NEAR(a.da, (-8e-4 - 0.5 * (-2e-4 + 1e-3)) / 3, 1e-15);
    EXPECT_NEAR(a.dr, (-2e-4 - 1e-3) / 3, 1e-15);
}

TEST(AnalyzeSaupe, InvariantUnderRotationWithFramesReproduced) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> ang(0.0, 360.0);
    const double base[5] = {8e-4, 3e-4, 0, 0, 0};
    const Analysis a0 = analyze(base, 0, 1);
    for (int trial = 0; trial < 20; ++trial) {
        const Mat r = zyz(ang(gen), ang(gen) / 2, ang(gen));
        const Mat sRot = mul(mul(r, orderMatrix(base)), tr(r));
        double s[5];
        saupeOf(sRot, s);
        const Analysis a = analyze(s, 0, 1);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.val[k], a0.val[k], 1e-12) << trial;
        EXPECT_NEAR(a.da, a0.da, 1e-12);
        EXPECT_NEAR(a.dr, a0.dr, 1e-12);
        EXPECT_NEAR(a.gen, a0.gen, 1e-12);
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 3; ++i) {  // S v = lambda v
                double sv = 0;
                for (int j = 0; j < 3; ++j) sv += sRot.m[i][j] * a.vec[j][c];
                EXPECT_NEAR(sv, a.val[c] * a.vec[i][c], 1e-12);
            }
            double rv[3];  // the rotated principal axis
            for (int i = 0; i < 3; ++i)
                rv[i] = r.m[i][0] * a0.vec[0][c] + r.m[i][1] * a0.vec[1][c] +
                        r.m[i][2] * a0.vec[2][c];
            expectAxis(a.vec, c, rv[0], rv[1], rv[2]);
        }
        expectEulerFrames(a.vec, a.al, a.be, a.ga);
    }
}

TEST(AnalyzeMatrix3D, InertiaTensorAlwaysGivesEulerFrames) {
    const Mat r = zyz(17, 63, -40);
    const Mat d{{{1, 0, 0}, {0, 3, 0}, {0, 0, 2}}};
    const Mat m = mul(mul(r, d), tr(r));
    double flat[9], vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
    for (int i = 0; i < 9; ++i) flat[i] = m.m[i / 3][i % 3];
    ASSERT_EQ(analyzeMatrix3D(flat, vec, val, 0, &da, &dr, al, be, ga), 0);
    EXPECT_NEAR(val[0], 3, 1e-12);
    EXPECT_NEAR(val[1], 2, 1e-12);
    EXPECT_NEAR(val[2], 1, 1e-12);
    expectAxis(vec, 0, r.m[0][1], r.m[1][1], r.m[2][1]);
    EXPECT_NEAR(da, 0.5, 1e-12);  // (3 - (1 + 2)/2)/3
    EXPECT_NEAR(dr, -1 / 3.0, 1e-12);
    expectEulerFrames(vec, al, be, ga);
}

TEST(AnalyzeSaupe, AxisAngleFormReproducesTheRotation) {
    const double cases[][3] = {{10, 50, 300}, {200, 120, 15}, {30, 0, 40},  {0, 0, 0},
                               {350, 170, 350}, {90, 90, 90}, {180, 45, 0}, {0, 45, 180}};
    for (const auto& c : cases) {
        double al[4] = {c[0], 0, 0, 0}, be[4] = {c[1], 0, 0, 0}, ga[4] = {c[2], 0, 0, 0};
        double th[4], ph[4], om[4];
        ASSERT_EQ(euler2polar(al, be, ga, th, ph, om), 0);
        EXPECT_TRUE(om[0] >= 0 && om[0] < 360);
        EXPECT_NEAR(om[1], 0.0, 1e-9);  // the identity
        const double t = rad(th[0]), p = rad(ph[0]), w = rad(om[0]);
        const double n[3] = {sin(t) * cos(p), sin(t) * sin(p), cos(t)};
        const double k[3][3] = {{0, -n[2], n[1]}, {n[2], 0, -n[0]}, {-n[1], n[0], 0}};
        const Mat want = zyz(c[0], c[1], c[2]);
        for (int i = 0; i < 3; ++i)  // Rodrigues: cos w I + sin w [n]x + (1 - cos w) n n^T
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR((i == j ? cos(w) : 0.0) + sin(w) * k[i][j] + (1 - cos(w)) * n[i] * n[j],
                            want.m[i][j], 1e-6)
                    << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST(Collinearity, LimitsAndTraceTwin) {
    const double s[5] = {7e-4, 2e-4, -1e-4, 3e-4, 0.5e-4};
    const double neg[5] = {-7e-4, -2e-4, 1e-4, -3e-4, -0.5e-4};
    const double zero[5] = {0, 0, 0, 0, 0};
    float c, a;
    irrCollinarity(s, s, &c, &a);
    EXPECT_NEAR(c, 1.0f, 1e-6);
    EXPECT_NEAR(a, 0.0f, 0.1f);
    irrCollinarity(s, neg, &c, &a);
    EXPECT_NEAR(c, -1.0f, 1e-6);
    EXPECT_NEAR(a, 180.0f, 0.1f);
    irrCollinarity(zero, s, &c, &a);
    EXPECT_EQ(c, 0.0f);
    EXPECT_FLOAT_EQ(a, 90.0f);
    // Twin: cosine = Tr(S1 S2) / sqrt(Tr(S1 S1) Tr(S2 S2)) over the full order matrices.
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-1e-3, 1e-3);
    for (int trial = 0; trial < 10; ++trial) {
        double s1[5], s2[5];
        for (int k = 0; k < 5; ++k) s1[k] = u(gen), s2[k] = u(gen);
        const Mat m1 = orderMatrix(s1), m2 = orderMatrix(s2);
        double t12 = 0, t11 = 0, t22 = 0;
        for (int i = 0; i < 9; ++i) {
            const double x1 = m1.m[i / 3][i % 3], x2 = m2.m[i / 3][i % 3];
            t12 += x1 * x2, t11 += x1 * x1, t22 += x2 * x2;
        }
        irrCollinarity(s1, s2, &c, &a);
        EXPECT_NEAR(c, t12 / std::sqrt(t11 * t22), 1e-5);
        EXPECT_NEAR(a, std::acos(t12 / std::sqrt(t11 * t22)) * 180 / M_PI, 0.01);
    }
}
