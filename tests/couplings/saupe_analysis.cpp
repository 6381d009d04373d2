// Saupe-matrix analysis: eigensystem, Da/Dr, Euler frames, irreducible form, collinearity.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "couplings/analyzeMatrix3D.h"
#include "couplings/analyzeSaupe.h"

// The couplings library does not link the simulation library, whose geometry source supplies the
// sign variants of a principal frame; the test program compiles that source in.
#include "simulation/korim_utils_math.cpp"

using namespace korim::couplings;

namespace {

constexpr double kPiExact = 3.14159265358979323846;

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

Mat transpose(const Mat& a) {
    Mat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

Mat rz(double a) {
    return Mat{{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
}
Mat ry(double b) {
    return Mat{{{std::cos(b), 0, std::sin(b)}, {0, 1, 0}, {-std::sin(b), 0, std::cos(b)}}};
}
Mat rx(double c) {
    return Mat{{{1, 0, 0}, {0, std::cos(c), -std::sin(c)}, {0, std::sin(c), std::cos(c)}}};
}
double rad(double deg) { return deg * kPiExact / 180.0; }

// Full order matrix of a Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz), traceless.
Mat orderMatrix(const double* s) {
    const double sxx = -(s[0] - s[1]) / 2.0, syy = -(s[0] + s[1]) / 2.0;
    return Mat{{{sxx, s[2], s[3]}, {s[2], syy, s[4]}, {s[3], s[4], s[0]}}};
}

void saupeOf(const Mat& m, double* s) {
    s[0] = m.m[2][2];
    s[1] = m.m[0][0] - m.m[1][1];
    s[2] = m.m[0][1];
    s[3] = m.m[0][2];
    s[4] = m.m[1][2];
}

struct Analysis {
    double irr[5], gen, vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
};

Analysis analyze(const double* s, int yzFlag, int verbose) {
    Analysis a;
    for (int k = 0; k < 4; ++k) a.al[k] = a.be[k] = a.ga[k] = 77.0;  // must be overwritten
    EXPECT_EQ(analyzeSaupe(s, a.irr, &a.gen, a.vec, a.val, yzFlag, &a.da, &a.dr, a.al, a.be,
                           a.ga, verbose),
              0);
    return a;
}

// Column c of eigVec is +-(unit vector u).
void expectAxis(const double v[3][3], int c, double ux, double uy, double uz) {
    const double dot = v[0][c] * ux + v[1][c] * uy + v[2][c] * uz;
    EXPECT_NEAR(std::fabs(dot), 1.0, 1e-9) << "column " << c;
}

// The frame whose columns are the rotated axes for z, y', z'' angles (degrees): this is the
// transpose of Rz(alpha) Ry(beta) Rz(gamma), the matrix form the angle extraction inverts.
Mat frameOf(double alpha, double beta, double gamma) {
    return transpose(mul(mul(rz(rad(alpha)), ry(rad(beta))), rz(rad(gamma))));
}

// Checks that the four Euler solutions rebuild the principal frame of eigVec with the sign
// variants (y, z) = (+,+), (-,+), (+,-), (-,-) in that order, right-handed.
void expectEulerFrames(const double vec[3][3], const double* al, const double* be,
                       const double* ga) {
    static const int signs[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_GE(al[k], 0.0);
        EXPECT_LT(al[k], 360.0);
        EXPECT_GE(ga[k], 0.0);
        EXPECT_LT(ga[k], 360.0);
        EXPECT_GE(be[k], 0.0);
        EXPECT_LE(be[k], 180.0);
        const Mat f = frameOf(al[k], be[k], ga[k]);
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(f.m[r][2], signs[k][1] * vec[r][0], 1e-6) << "solution " << k;
            EXPECT_NEAR(f.m[r][1], signs[k][0] * vec[r][1], 1e-6) << "solution " << k;
        }
        // x = y cross z
        const double x0 = f.m[1][1] * f.m[2][2] - f.m[2][1] * f.m[1][2];
        const double x1 = f.m[2][1] * f.m[0][2] - f.m[0][1] * f.m[2][2];
        const double x2 = f.m[0][1] * f.m[1][2] - f.m[1][1] * f.m[0][2];
        EXPECT_NEAR(f.m[0][0], x0, 1e-6);
        EXPECT_NEAR(f.m[1][0], x1, 1e-6);
        EXPECT_NEAR(f.m[2][0], x2, 1e-6);
    }
}

}  // namespace

TEST(AnalyzeSaupe, AxialTensor) {
    const double s[5] = {1e-3, 0, 0, 0, 0};
    const Analysis a = analyze(s, 0, 0);
    EXPECT_NEAR(a.val[0], 1e-3, 1e-15);
    EXPECT_NEAR(a.val[1], -5e-4, 1e-15);
    EXPECT_NEAR(a.val[2], -5e-4, 1e-15);
    expectAxis(a.vec, 0, 0, 0, 1);
    EXPECT_NEAR(a.da, 5e-4, 1e-15);
    EXPECT_NEAR(a.dr, 0.0, 1e-15);
    // sqrt(8 pi/15 * 1.5) * 1e-3
    EXPECT_NEAR(a.gen, 1.585331e-3, 5e-10);
    EXPECT_NEAR(a.gen, std::sqrt(1.67551608 * 1.5e-6), 1e-15);
    EXPECT_NEAR(a.irr[0], 1.585330918136652e-3, 1e-15);
    for (int k = 1; k < 5; ++k) EXPECT_NEAR(a.irr[k], 0.0, 1e-15) << k;
    // Without verbose every Euler value is cleared.
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.al[k], 0.0);
        EXPECT_EQ(a.be[k], 0.0);
        EXPECT_EQ(a.ga[k], 0.0);
    }
}

TEST(AnalyzeSaupe, UnitAxialMagnitude) {
    const double s[5] = {1, 0, 0, 0, 0};
    const Analysis a = analyze(s, 0, 0);
    EXPECT_DOUBLE_EQ(a.gen, std::sqrt(1.67551608 * 1.5));
    EXPECT_DOUBLE_EQ(a.da, 0.5);
}

TEST(AnalyzeSaupe, RhombicTensorAndAxisExchange) {
    // Sxx = -2e-4, Syy = -8e-4, Szz = 1e-3.
    const double s[5] = {1e-3, 6e-4, 0, 0, 0};
    const Analysis a = analyze(s, 0, 0);
    EXPECT_NEAR(a.val[0], 1e-3, 1e-15);
    EXPECT_NEAR(a.val[1], -8e-4, 1e-15);
    EXPECT_NEAR(a.val[2], -2e-4, 1e-15);
    expectAxis(a.vec, 0, 0, 0, 1);
    expectAxis(a.vec, 1, 0, 1, 0);
    expectAxis(a.vec, 2, 1, 0, 0);
    EXPECT_NEAR(a.da, 5e-4, 1e-15);
    EXPECT_NEAR(a.dr, 2e-4, 1e-15);
    EXPECT_NEAR(a.dr / a.da, 0.4, 1e-12);
    // A2R = sqrt(8 pi/15) (Sxx + Szz/2) = 1.2944 * 3e-4; A2I = -sqrt(8 pi/15) Sxy = 0.
    EXPECT_NEAR(a.irr[3], 1.2944172742975892 * 3e-4, 1e-15);

    // yzFlag: the largest magnitude is reported as yy, the middle one as zz.
    const Analysis b = analyze(s, 1, 0);
    EXPECT_NEAR(b.val[0], -8e-4, 1e-15);
    EXPECT_NEAR(b.val[1], 1e-3, 1e-15);
    EXPECT_NEAR(b.val[2], -2e-4, 1e-15);
    expectAxis(b.vec, 0, 0, 1, 0);
    expectAxis(b.vec, 1, 0, 0, 1);
    // zz = -8e-4, yy = 1e-3, xx = -2e-4: Da = (zz - (xx+yy)/2)/3, Dr = (xx - yy)/3.
    EXPECT_NEAR(b.da, -4e-4, 1e-15);
    EXPECT_NEAR(b.dr, -4e-4, 1e-15);
}

TEST(AnalyzeSaupe, IrreducibleComponentsOfOffDiagonalTensor) {
    const double s[5] = {2e-4, -1e-4, 3e-4, -5e-4, 7e-4};
    double irr[5], gen;
    irreducRepres(s, &gen, irr);
    const double sxx = -(2e-4 + 1e-4) / 2, syy = -(2e-4 - 1e-4) / 2;
    EXPECT_NEAR(irr[0], 1.585330918136652 * 2e-4, 1e-15);
    EXPECT_NEAR(irr[1], 1.2944172742975892 * 5e-4, 1e-15);
    EXPECT_NEAR(irr[2], 1.2944172742975892 * 7e-4, 1e-15);
    EXPECT_NEAR(irr[3], 1.2944172742975892 * (sxx + 1e-4), 1e-15);
    EXPECT_NEAR(irr[4], -1.2944172742975892 * 3e-4, 1e-15);
    // The magnitude is the Frobenius norm of the order matrix times sqrt(8 pi/15).
    const Mat m = orderMatrix(s);
    double frob = 0;
    for (auto& row : m.m)
        for (double v : row) frob += v * v;
    EXPECT_NEAR(gen, std::sqrt(1.67551608 * frob), 1e-15);
    EXPECT_NEAR(frob, sxx * sxx + syy * syy + 4e-8 + 2 * (9e-8 + 25e-8 + 49e-8), 1e-20);
}

TEST(AnalyzeSaupe, InvariantUnderRotationAndEigenpairsHold) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> ang(0.0, 2 * kPiExact);
    const double base[5] = {8e-4, 3e-4, 0, 0, 0};
    const Analysis a0 = analyze(base, 0, 1);
    for (int trial = 0; trial < 20; ++trial) {
        const Mat r = mul(mul(rz(ang(gen)), ry(ang(gen) / 2)), rx(ang(gen)));
        const Mat sRot = mul(mul(r, orderMatrix(base)), transpose(r));
        double s[5];
        saupeOf(sRot, s);
        const Analysis a = analyze(s, 0, 1);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.val[k], a0.val[k], 1e-12) << trial;
        EXPECT_NEAR(a.da, a0.da, 1e-12);
        EXPECT_NEAR(a.dr, a0.dr, 1e-12);
        EXPECT_NEAR(a.gen, a0.gen, 1e-12);
        for (int c = 0; c < 3; ++c) {
            // S v = lambda v, |v| = 1, and v is the rotated principal axis.
            double norm = 0;
            for (int i = 0; i < 3; ++i) {
                double sv = 0;
                for (int j = 0; j < 3; ++j) sv += sRot.m[i][j] * a.vec[j][c];
                EXPECT_NEAR(sv, a.val[c] * a.vec[i][c], 1e-12);
                norm += a.vec[i][c] * a.vec[i][c];
            }
            EXPECT_NEAR(norm, 1.0, 1e-12);
            double rv[3];
            for (int i = 0; i < 3; ++i)
                rv[i] = r.m[i][0] * a0.vec[0][c] + r.m[i][1] * a0.vec[1][c] +
                        r.m[i][2] * a0.vec[2][c];
            expectAxis(a.vec, c, rv[0], rv[1], rv[2]);
        }
        expectEulerFrames(a.vec, a.al, a.be, a.ga);
    }
}

TEST(AnalyzeSaupe, EulerSolutionsOfKnownFrame) {
    // Principal frame = frameOf(40, 70, 200): its columns x, y, z carry the eigenvalues
    // -3e-4, -6e-4 and 9e-4, so the first solution is the frame itself.
    const Mat f = frameOf(40, 70, 200);
    const Mat d{{{-3e-4, 0, 0}, {0, -6e-4, 0}, {0, 0, 9e-4}}};
    double s[5];
    saupeOf(mul(mul(f, d), transpose(f)), s);
    const Analysis a = analyze(s, 0, 1);
    expectEulerFrames(a.vec, a.al, a.be, a.ga);
    // Up to the sign of each eigenvector the solutions are (40,70,200) and its sign variants.
    const Mat f0 = frameOf(a.al[0], a.be[0], a.ga[0]);
    double dotZ = 0;
    for (int r = 0; r < 3; ++r) dotZ += f0.m[r][2] * f.m[r][2];
    EXPECT_NEAR(std::fabs(dotZ), 1.0, 1e-9);
    bool found = false;
    for (int k = 0; k < 4; ++k)
        if (std::fabs(a.al[k] - 40) < 1e-5 && std::fabs(a.be[k] - 70) < 1e-5 &&
            std::fabs(a.ga[k] - 200) < 1e-5)
            found = true;
    EXPECT_TRUE(found);
}

TEST(AnalyzeMatrix3D, InertiaTensor) {
    const Mat r = mul(mul(rz(0.3), ry(1.1)), rx(-0.7));
    const Mat d{{{1, 0, 0}, {0, 3, 0}, {0, 0, 2}}};
    const Mat m = mul(mul(r, d), transpose(r));
    double flat[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) flat[3 * i + j] = m.m[i][j];
    double vec[3][3], val[3], da, dr, al[4], be[4], ga[4];
    ASSERT_EQ(analyzeMatrix3D(flat, vec, val, 0, &da, &dr, al, be, ga), 0);
    EXPECT_NEAR(val[0], 3, 1e-12);
    EXPECT_NEAR(val[1], 2, 1e-12);
    EXPECT_NEAR(val[2], 1, 1e-12);
    expectAxis(vec, 0, r.m[0][1], r.m[1][1], r.m[2][1]);
    expectAxis(vec, 1, r.m[0][2], r.m[1][2], r.m[2][2]);
    expectAxis(vec, 2, r.m[0][0], r.m[1][0], r.m[2][0]);
    // zz = 3, yy = 2, xx = 1
    EXPECT_NEAR(da, (3 - 1.5) / 3, 1e-12);
    EXPECT_NEAR(dr, (1 - 2) / 3.0, 1e-12);
    expectEulerFrames(vec, al, be, ga);

    ASSERT_EQ(analyzeMatrix3D(flat, vec, val, 1, &da, &dr, al, be, ga), 0);
    EXPECT_NEAR(val[0], 2, 1e-12);
    EXPECT_NEAR(val[1], 3, 1e-12);
    EXPECT_NEAR(da, (2 - 0.5 * (1 + 3)) / 3, 1e-12);
    EXPECT_NEAR(dr, (1 - 3) / 3.0, 1e-12);
}

TEST(AnalyzeSaupe, SortAndPrincipalValues) {
    double val[4] = {0, 1, -3, 2};
    double vec[4][4] = {};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) vec[i][j] = 10 * i + j;
    ASSERT_EQ(sort_eigensystem(0, val, vec), 0);
    EXPECT_EQ(val[1], -3);
    EXPECT_EQ(val[2], 2);
    EXPECT_EQ(val[3], 1);
    for (int i = 1; i <= 3; ++i) {  // columns travel with their values
        EXPECT_EQ(vec[i][1], 10 * i + 2);
        EXPECT_EQ(vec[i][2], 10 * i + 3);
        EXPECT_EQ(vec[i][3], 10 * i + 1);
    }
    // Equal magnitudes keep their order; yzFlag then exchanges positions 1 and 2.
    double v2[4] = {0, 2, -2, 1};
    double e2[4][4] = {{0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    sort_eigensystem(0, v2, e2);
    EXPECT_EQ(v2[1], 2);
    EXPECT_EQ(v2[2], -2);
    EXPECT_EQ(e2[1][1], 1);
    sort_eigensystem(1, v2, e2);
    EXPECT_EQ(v2[1], -2);
    EXPECT_EQ(v2[2], 2);
    EXPECT_EQ(e2[2][1], 1);
    EXPECT_EQ(e2[1][2], 1);

    // For a traceless tensor Da is half the principal value of largest magnitude.
    const double ev[3] = {-0.2, 0.7, -0.5};
    double da, dr;
    pca_tensor(0, ev, &da, &dr);
    EXPECT_NEAR(da, 0.35, 1e-15);
    EXPECT_NEAR(dr, (-0.2 + 0.5) / 3, 1e-15);
}

TEST(AnalyzeSaupe, AxisAngleFormReproducesTheRotation) {
    const double cases[][3] = {{10, 50, 300}, {200, 120, 15}, {30, 0, 40}, {0, 0, 0},
                               {350, 170, 350}, {90, 90, 90}, {180, 45, 0}, {0, 45, 180}};
    for (const auto& c : cases) {
        double al[4] = {c[0], 0, 0, 0}, be[4] = {c[1], 0, 0, 0}, ga[4] = {c[2], 0, 0, 0};
        double th[4], ph[4], om[4];
        ASSERT_EQ(euler2polar(al, be, ga, th, ph, om), 0);
        EXPECT_GE(om[0], 0.0);
        EXPECT_LT(om[0], 360.0);
        const double t = rad(th[0]), p = rad(ph[0]), w = rad(om[0]);
        const double n[3] = {std::sin(t) * std::cos(p), std::sin(t) * std::sin(p), std::cos(t)};
        // Rodrigues: R = cos w I + sin w [n]x + (1 - cos w) n n^T
        const double k[3][3] = {{0, -n[2], n[1]}, {n[2], 0, -n[0]}, {-n[1], n[0], 0}};
        const Mat want = mul(mul(rz(rad(c[0])), ry(rad(c[1]))), rz(rad(c[2])));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const double got = (i == j ? std::cos(w) : 0.0) + std::sin(w) * k[i][j] +
                                   (1 - std::cos(w)) * n[i] * n[j];
                EXPECT_NEAR(got, want.m[i][j], 1e-6) << c[0] << " " << c[1] << " " << c[2];
            }
    }
    // The rotation by alpha + gamma about z and the identity.
    double al[4] = {30, 0, 0, 0}, be[4] = {0, 0, 0, 0}, ga[4] = {40, 0, 0, 0};
    double th[4], ph[4], om[4];
    euler2polar(al, be, ga, th, ph, om);
    EXPECT_NEAR(th[0], 0.0, 1e-9);
    EXPECT_NEAR(om[0], 70.0, 1e-6);
    EXPECT_NEAR(om[1], 0.0, 1e-9);
}

TEST(Collinearity, LimitsAndBruteForceTwin) {
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
    // Szz alone and Sxx - Syy alone are orthogonal tensors.
    const double ax[5] = {1e-3, 0, 0, 0, 0}, rh[5] = {0, 1e-3, 0, 0, 0};
    irrCollinarity(ax, rh, &c, &a);
    EXPECT_NEAR(c, 0.0f, 1e-6);
    EXPECT_NEAR(a, 90.0f, 1e-3);

    // Twin: cosine = Tr(S1 S2) / sqrt(Tr(S1 S1) Tr(S2 S2)) over the full matrices.
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-1e-3, 1e-3);
    for (int trial = 0; trial < 10; ++trial) {
        double s1[5], s2[5];
        for (int k = 0; k < 5; ++k) {
            s1[k] = u(gen);
            s2[k] = u(gen);
        }
        const Mat m1 = orderMatrix(s1), m2 = orderMatrix(s2);
        double t12 = 0, t11 = 0, t22 = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                t12 += m1.m[i][j] * m2.m[i][j];
                t11 += m1.m[i][j] * m1.m[i][j];
                t22 += m2.m[i][j] * m2.m[i][j];
            }
        const double cosine = t12 / std::sqrt(t11 * t22);
        irrCollinarity(s1, s2, &c, &a);
        EXPECT_NEAR(c, cosine, 1e-5);
        EXPECT_NEAR(a, std::acos(cosine) * 180 / kPiExact, 0.01);
    }
}

TEST(AnalyzeSaupe, CrossProductOfColumns) {
    double e[4][4] = {{0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    double p[4] = {0, 0, 0, 0};
    EXPECT_EQ(cross_productM(1, 2, e, p), 1);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(p[3], 1);
    const double f[4][4] = {{0}, {0, 1, 4, 0}, {0, 2, 5, 0}, {0, 3, 6, 0}};
    cross_productM(1, 2, f, p);  // (1,2,3) x (4,5,6) = (-3, 6, -3)
    EXPECT_EQ(p[1], -3);
    EXPECT_EQ(p[2], 6);
    EXPECT_EQ(p[3], -3);
}
