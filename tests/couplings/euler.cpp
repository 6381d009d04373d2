// Euler-angle conversions: recovered angles must rebuild the rotation they came from.
#include <gtest/gtest.h>

#include <cmath>

#include "couplings/dc.h"

using namespace korim::couplings;

namespace {
constexpr double kPi = 3.14159265358979323846;
double rad(double deg) { return deg * kPi / 180.0; }

// Standard right-handed axis rotations, 0-based.
void rotX(double a, double m[3][3]) {
    const double c = std::cos(a), s = std::sin(a);
    const double r[3][3] = {{1, 0, 0}, {0, c, -s}, {0, s, c}};
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) m[i][j] = r[i][j];
}
void rotY(double a, double m[3][3]) {
    const double c = std::cos(a), s = std::sin(a);
    const double r[3][3] = {{c, 0, s}, {0, 1, 0}, {-s, 0, c}};
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) m[i][j] = r[i][j];
}
void rotZ(double a, double m[3][3]) {
    const double c = std::cos(a), s = std::sin(a);
    const double r[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) m[i][j] = r[i][j];
}
void mul(const double a[3][3], const double b[3][3], double c[3][3]) {
    double t[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            t[i][j] = 0;
            for (int k = 0; k < 3; ++k) t[i][j] += a[i][k] * b[k][j];
        }
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) c[i][j] = t[i][j];
}
// Rz(phi) Ry(theta) Rx(psi), angles in degrees.
void xyz(double psi, double theta, double phi, double m[3][3]) {
    double x[3][3], y[3][3], z[3][3];
    rotX(rad(psi), x);
    rotY(rad(theta), y);
    rotZ(rad(phi), z);
    mul(y, x, m);
    mul(z, m, m);
}
void toFloat(const double m[3][3], float r[3][3]) {
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) r[i][j] = static_cast<float>(m[i][j]);
}
double maxDiff(const double a[3][3], const double b[3][3]) {
    double d = 0;
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) d = std::fmax(d, std::fabs(a[i][j] - b[i][j]));
    return d;
}
}  // namespace

TEST(Rot2Euler, EverySolutionRebuildsTheRotation) {
    const double cases[][3] = {{10, 20, 30},   {-70, 35, 150}, {120, -60, -45},
                               {5, 80, -170}, {170, 10, 100},  {-30, -85, 60}};
    for (const auto& c : cases) {
        double m[3][3];
        xyz(c[0], c[1], c[2], m);
        float r[3][3];
        toFloat(m, r);
        float ps[8], th[8], ph[8];
        const int n = rot2euler(r, ps, th, ph);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 8);
        bool foundInput = false;
        for (int k = 0; k < n; ++k) {
            double back[3][3];
            xyz(ps[k], th[k], ph[k], back);
            EXPECT_LT(maxDiff(m, back), 2e-3) << "solution " << k << " of " << c[0] << " " << c[1] << " " << c[2];
            if (std::fabs(th[k] - c[1]) < 1e-2) foundInput = true;
        }
        EXPECT_TRUE(foundInput);
        // sorted by increasing sum of squares
        for (int k = 1; k < n; ++k)
            EXPECT_LE(ps[k - 1] * ps[k - 1] + th[k - 1] * th[k - 1] + ph[k - 1] * ph[k - 1],
                      ps[k] * ps[k] + th[k] * th[k] + ph[k] * ph[k] + 1e-3);
        // unused entries cleared
        for (int k = n; k < 8; ++k) EXPECT_EQ(ps[k] + th[k] + ph[k], 0.0f);
    }
}

TEST(Rot2Euler, IdentityGivesZeroAndTheFlippedTriple) {
    float r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    float ps[8], th[8], ph[8];
    ASSERT_EQ(rot2euler(r, ps, th, ph), 2);
    EXPECT_NEAR(ps[0], 0, 1e-4);
    EXPECT_NEAR(th[0], 0, 1e-4);
    EXPECT_NEAR(ph[0], 0, 1e-4);
    EXPECT_NEAR(ps[1], 180, 1e-3);
    EXPECT_NEAR(th[1], 180, 1e-3);
    EXPECT_NEAR(ph[1], 180, 1e-3);
}

TEST(Rot2Euler, GimbalLockGivesOneUntestedSolutionPerTheta) {
    double m[3][3];
    xyz(30, 90, 0, m);
    float r[3][3];
    toFloat(m, r);
    r[2][0] = -1.0f;  // theta exactly 90 degrees
    float ps[8], th[8], ph[8];
    ASSERT_EQ(rot2euler(r, ps, th, ph), 2);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(ph[k], 0.0f);
    // theta1 = 90 (psi = +acos(r02)), theta2 = 90 as well (pi - pi/2)
    EXPECT_NEAR(th[0], 90, 1e-3);
    // r02 = cos(phi) sin(theta) cos(psi) + sin(psi) sin(phi) = cos(30): psi = +30 for theta > 0
    EXPECT_NEAR(ps[0], 30, 1e-2);
    EXPECT_NEAR(ps[1], 30, 1e-2);
}

TEST(Rot2Euler1, SingleAnswerHasOppositePsiSignOfTheListForm) {
    double m[3][3];
    xyz(25, 40, 70, m);
    float r[3][3];
    toFloat(m, r);
    float psi, theta, phi;
    EXPECT_EQ(rot2euler1(r, &psi, &theta, &phi), 1);
    EXPECT_NEAR(theta, 40, 1e-3);
    EXPECT_NEAR(phi, 70, 1e-3);
    EXPECT_NEAR(psi, -25, 1e-3);
}

TEST(Rot2Euler, RoundingPastUnitRatioStillGivesFiniteSolutions) {
    // psi = 90 exactly: r[2][1]/cos(theta) is 1 up to rounding and may exceed it.
    double m[3][3];
    xyz(90, 33, 12, m);
    float r[3][3];
    toFloat(m, r);
    r[2][1] = std::nextafter(r[2][1], 2.0f) * 1.0000005f;
    float ps[8], th[8], ph[8];
    const int n = rot2euler(r, ps, th, ph);
    ASSERT_GE(n, 1);
    for (int k = 0; k < n; ++k) {
        EXPECT_TRUE(std::isfinite(ps[k]) && std::isfinite(th[k]) && std::isfinite(ph[k]));
        double back[3][3];
        xyz(ps[k], th[k], ph[k], back);
        EXPECT_LT(maxDiff(m, back), 2e-3);
    }
}

namespace {
// m (1-based 4x4) = transpose of Rz(alpha) Ry(beta) Rz(gamma), the relation inv_euler inverts.
void zyzTransposed(double a, double b, double g, double m[4][4]) {
    double za[3][3], yb[3][3], zg[3][3], t[3][3];
    rotZ(rad(a), za);
    rotY(rad(b), yb);
    rotZ(rad(g), zg);
    mul(yb, zg, t);
    mul(za, t, t);
    for (int i = 0; i < 4; ++i) for (int j = 0; j < 4; ++j) m[i][j] = 0;
    for (int i = 0; i < 3; ++i) for (int j = 0; j < 3; ++j) m[i + 1][j + 1] = t[j][i];
}
}  // namespace

TEST(InvEuler, RecoversAnglesInTheirRanges) {
    const double cases[][3] = {{30, 40, 50}, {300, 120, 10}, {200, 170, 350}, {90, 90, 270}};
    for (const auto& c : cases) {
        double m[4][4];
        zyzTransposed(c[0], c[1], c[2], m);
        double w[4] = {-1, -1, -1, -1};
        inv_euler(m, w);
        EXPECT_NEAR(w[1], c[0], 1e-5);
        EXPECT_NEAR(w[2], c[1], 1e-5);
        EXPECT_NEAR(w[3], c[2], 1e-5);
        EXPECT_EQ(w[0], -1);  // element 0 untouched
    }
}

TEST(InvEuler, DegenerateBetaBranches) {
    double m[4][4] = {};
    m[1][1] = m[2][2] = m[3][3] = 1;
    double w[4] = {};
    inv_euler(m, w);
    EXPECT_DOUBLE_EQ(w[1], 0);
    EXPECT_DOUBLE_EQ(w[2], 0);
    EXPECT_DOUBLE_EQ(w[3], 0);

    // beta = 180: the upper-left block is the negated rotation; alpha from -m11, -m12.
    const double t = rad(70);
    double n[4][4] = {};
    n[1][1] = -std::cos(t);
    n[1][2] = -std::sin(t);
    n[2][1] = std::sin(t);
    n[2][2] = -std::cos(t);
    n[3][3] = -1;
    inv_euler(n, w);
    EXPECT_NEAR(w[1], 70, 1e-5);
    EXPECT_NEAR(w[2], 180, 1e-5);
    EXPECT_DOUBLE_EQ(w[3], 0);
}

TEST(GetEuler, NormalisesColumnsFirst) {
    double m[4][4];
    zyzTransposed(45, 60, 120, m);
    const double scale[4] = {0, 2.0, 0.5, 7.0};
    for (int r = 1; r <= 3; ++r) for (int c = 1; c <= 3; ++c) m[r][c] *= scale[c];
    double w[4] = {};
    EXPECT_EQ(get_euler(m, w), 0);
    EXPECT_NEAR(w[1], 45, 1e-5);
    EXPECT_NEAR(w[2], 60, 1e-5);
    EXPECT_NEAR(w[3], 120, 1e-5);
}
