// Euler-angle conversions: recovered angles must rebuild the rotation they came from.
#include <gtest/gtest.h>

#include <cmath>

#include "couplings/dc.h"

using namespace korim::couplings;

namespace {
constexpr double kPi = 3.14159265358979323846;

// Right-handed rotation by deg about axis (0 x, 1 y, 2 z), 0-based.
void axisRot(int axis, double deg, double m[3][3]) {
    const double c = std::cos(deg * kPi / 180), s = std::sin(deg * kPi / 180);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) m[r][k] = r == k;
    m[i][i] = c;
    m[j][j] = c;
    m[i][j] = -s;
    m[j][i] = s;
}
void mul(const double a[3][3], const double b[3][3], double c[3][3]) {
    double t[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) t[i][j] += a[i][k] * b[k][j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) c[i][j] = t[i][j];
}
// Rz(phi) Ry(theta) Rx(psi), degrees.
void xyz(double psi, double theta, double phi, double m[3][3]) {
    double x[3][3], y[3][3], z[3][3];
    axisRot(0, psi, x);
    axisRot(1, theta, y);
    axisRot(2, phi, z);
    mul(y, x, m);
    mul(z, m, m);
}
void toFloat(const double m[3][3], float r[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = static_cast<float>(m[i][j]);
}
double maxDiff(const double a[3][3], const double b[3][3]) {
    double d = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d = std::fmax(d, std::fabs(a[i][j] - b[i][j]));
    return d;
}
// Every listed solution must rebuild m.
void expectSolutionsRebuild(const double m[3][3], const float* ps, const float* th,
                            const float* ph, int n) {
    for (int k = 0; k < n; ++k) {
        ASSERT_TRUE(std::isfinite(ps[k]) && std::isfinite(th[k]) && std::isfinite(ph[k]));
        double back[3][3];
        xyz(ps[k], th[k], ph[k], back);
        EXPECT_LT(maxDiff(m, back), 2e-3) << "solution " << k;
    }
}
}  // namespace

TEST(Rot2Euler, SolutionsRebuildTheRotationSortedBySize) {
    const double cases[][3] = {{10, 20, 30}, {-70, 35, 150}, {120, -60, -45}, {5, 80, -170}};
    for (const auto& c : cases) {
        double m[3][3];
        xyz(c[0], c[1], c[2], m);
        float r[3][3], ps[8], th[8], ph[8];
        toFloat(m, r);
        const int n = rot2euler(r, ps, th, ph);
        ASSERT_GE(n, 2);  // (psi, theta, phi) and (psi+180, 180-theta, phi+180)
        ASSERT_LE(n, 8);
        expectSolutionsRebuild(m, ps, th, ph, n);
        bool input = false;
        for (int k = 0; k < n; ++k) input = input || std::fabs(th[k] - c[1]) < 1e-2;
        EXPECT_TRUE(input);
        for (int k = 1; k < n; ++k)
            EXPECT_LE(ps[k - 1] * ps[k - 1] + th[k - 1] * th[k - 1] + ph[k - 1] * ph[k - 1],
                      ps[k] * ps[k] + th[k] * th[k] + ph[k] * ph[k] + 1e-3);
        for (int k = n; k < 8; ++k) EXPECT_EQ(ps[k] + th[k] + ph[k], 0.0f);
    }
}

TEST(Rot2Euler, IdentityAndGimbalLock) {
    float id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, ps[8], th[8], ph[8];
    ASSERT_EQ(rot2euler(id, ps, th, ph), 2);
    EXPECT_NEAR(ps[0] + th[0] + ph[0], 0, 1e-4);
    EXPECT_NEAR(ps[1], 180, 1e-3);
    EXPECT_NEAR(th[1], 180, 1e-3);
    EXPECT_NEAR(ph[1], 180, 1e-3);

    // theta exactly 90: one untested solution per theta with phi 0; psi = acos(r02) = 30
    double m[3][3];
    xyz(30, 90, 0, m);
    float r[3][3];
    toFloat(m, r);
    r[2][0] = -1.0f;
    ASSERT_EQ(rot2euler(r, ps, th, ph), 2);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(ph[k], 0.0f);
        EXPECT_NEAR(th[k], 90, 1e-3);
        EXPECT_NEAR(ps[k], 30, 1e-2);
    }
}

TEST(Rot2Euler, RatioRoundedPastOneStillGivesFiniteSolutions) {
    double m[3][3];
    xyz(90, 33, 12, m);  // r21 / cos(theta) is 1 up to rounding
    float r[3][3], ps[8], th[8], ph[8];
    toFloat(m, r);
    r[2][1] *= 1.000001f;
    const int n = rot2euler(r, ps, th, ph);
    ASSERT_GE(n, 1);
    expectSolutionsRebuild(m, ps, th, ph, n);
}

TEST(Rot2Euler1, OneAnswerWithTheOppositePsiSign) {
    double m[3][3];
    xyz(25, 40, 70, m);
    float r[3][3], psi, theta, phi;
    toFloat(m, r);
    EXPECT_EQ(rot2euler1(r, &psi, &theta, &phi), 1);
    EXPECT_NEAR(psi, -25, 1e-3);
    EXPECT_NEAR(theta, 40, 1e-3);
    EXPECT_NEAR(phi, 70, 1e-3);
}

namespace {
// 1-based m = transpose of Rz(alpha) Ry(beta) Rz(gamma), scaled per column.
void zyzTransposed(double a, double b, double g, double m[4][4], const double* scale = nullptr) {
    double za[3][3], yb[3][3], zg[3][3], t[3][3];
    axisRot(2, a, za);
    axisRot(1, b, yb);
    axisRot(2, g, zg);
    mul(yb, zg, t);
    mul(za, t, t);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = -7;  // row and column 0 are never read
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i + 1][j + 1] = t[j][i] * (scale ? scale[j] : 1.0);
}
}  // namespace

TEST(InvEuler, RecoversAnglesInTheirRanges) {
    const double cases[][3] = {{30, 40, 50}, {300, 120, 10}, {200, 170, 350}, {90, 90, 270}};
    for (const auto& c : cases) {
        double m[4][4], w[4] = {-1, -1, -1, -1};
        zyzTransposed(c[0], c[1], c[2], m);
        inv_euler(m, w);
        EXPECT_NEAR(w[1], c[0], 1e-5);
        EXPECT_NEAR(w[2], c[1], 1e-5);
        EXPECT_NEAR(w[3], c[2], 1e-5);
        EXPECT_EQ(w[0], -1);
    }
    // get_euler normalises the columns first
    const double scale[3] = {2.0, 0.5, 7.0};
    double m[4][4], w[4] = {};
    zyzTransposed(45, 60, 120, m, scale);
    EXPECT_EQ(get_euler(m, w), 0);
    EXPECT_NEAR(w[1], 45, 1e-5);
    EXPECT_NEAR(w[2], 60, 1e-5);
    EXPECT_NEAR(w[3], 120, 1e-5);
}

TEST(InvEuler, DegenerateBetaBranches) {
    double m[4][4] = {}, w[4] = {};
    m[1][1] = m[2][2] = m[3][3] = 1;
    inv_euler(m, w);
    EXPECT_EQ(w[1] + w[2] + w[3], 0.0);
    // beta = 180: the upper-left block is the negated rotation by alpha
    const double t = 70 * kPi / 180;
    double n[4][4] = {};
    n[1][1] = n[2][2] = -std::cos(t);
    n[1][2] = -std::sin(t);
    n[2][1] = std::sin(t);
    n[3][3] = -1;
    inv_euler(n, w);
    EXPECT_NEAR(w[1], 70, 1e-5);
    EXPECT_NEAR(w[2], 180, 1e-5);
    EXPECT_EQ(w[3], 0.0);
}
