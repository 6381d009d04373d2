// Euler-angle conversions: recovered angles must rebuild the rotation they came from.
#include <gtest/gtest.h>

#include <cmath>

#include "couplings/dc.h"
#include "dc_test_util.h"

using namespace korim::couplings;

using dctest::rotationXYZ;

namespace {
constexpr double kPi = dctest::kPi;

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
}  // namespace

// Every rotation of a 10-degree grid, gimbal lock (theta = +/-90) and angles whose ratios round
// past +/-1 included: every listed solution rebuilds the matrix, sorted by size, at most 8.
TEST(Rot2Euler, EverySolutionRebuildsTheRotation) {
    int failures = 0;
    for (int p = -180; p < 180; p += 10)
        for (int t = -90; t <= 90; t += 10)
            for (int f = -180; f < 180; f += 10) {
                double m[3][3];
                rotationXYZ(p, t, f, m);
                float r[3][3], ps[8], th[8], ph[8];
                toFloat(m, r);
                const int n = rot2euler(r, ps, th, ph);
                bool ok = n >= 1 && n <= 8;
                for (int k = 0; ok && k < n; ++k) {
                    double back[3][3];
                    rotationXYZ(ps[k], th[k], ph[k], back);
                    ok = maxDiff(m, back) < 0.02;  // gimbal lock drops cos(theta) <= 0.005 terms
                    // sorted in radians, compared here in degrees: allow for rounding
                    const double size = ps[k] * ps[k] + th[k] * th[k] + ph[k] * ph[k];
                    if (k > 0)
                        ok = ok && ps[k - 1] * ps[k - 1] + th[k - 1] * th[k - 1] +
                                           ph[k - 1] * ph[k - 1] <= size * (1 + 1e-5);
                }
                for (int k = n; ok && k < 8; ++k) ok = ps[k] == 0 && th[k] == 0 && ph[k] == 0;
                if (!ok && ++failures <= 5) ADD_FAILURE() << p << " " << t << " " << f << " n=" << n;
            }
    EXPECT_EQ(failures, 0);
}

TEST(Rot2Euler, IdentityAndGimbalLock) {
    float id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, ps[8], th[8], ph[8];
    ASSERT_EQ(rot2euler(id, ps, th, ph), 2);
    EXPECT_NEAR(ps[0] + th[0] + ph[0], 0, 1e-4);
    EXPECT_NEAR(ps[1], 180, 1e-3);
    EXPECT_NEAR(th[1], 180, 1e-3);
    EXPECT_NEAR(ph[1], 180, 1e-3);

    // theta exactly +/-90: one untested solution per theta, phi 0, psi carrying psi -/+ phi
    const double cases[][4] = {{30, 90, 0, 30}, {10, 90, 50, -40}, {20, -90, 15, 35}};
    for (const auto& c : cases) {
        double m[3][3];
        rotationXYZ(c[0], c[1], c[2], m);
        float r[3][3];
        toFloat(m, r);
        r[2][0] = c[1] > 0 ? -1.0f : 1.0f;
        ASSERT_EQ(rot2euler(r, ps, th, ph), 2);
        EXPECT_EQ(ph[0], 0.0f);
        EXPECT_NEAR(th[0], c[1], 1e-3);
        EXPECT_NEAR(ps[0], c[3], 1e-2);
    }
}

TEST(Rot2Euler1, OneAnswerWithTheOppositePsiSign) {
    double m[3][3];
    rotationXYZ(25, 40, 70, m);
    float r[3][3], psi, theta, phi;
    toFloat(m, r);
    EXPECT_EQ(rot2euler1(r, &psi, &theta, &phi), 1);
    EXPECT_NEAR(psi, -25, 1e-3);
    EXPECT_NEAR(theta, 40, 1e-3);
    EXPECT_NEAR(phi, 70, 1e-3);
}

namespace {
// 1-based m = transpose of Rz(alpha) Ry(beta) Rz(gamma), scaled per column; Rz(a) Ry(b) is
// rotationXYZ(0, b, a) and Rz(g) is rotationXYZ(0, 0, g).
void zyzTransposed(double a, double b, double g, double m[4][4], const double* scale = nullptr) {
    double ab[3][3], gz[3][3];
    rotationXYZ(0, b, a, ab);
    rotationXYZ(0, 0, g, gz);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = -7;  // row and column 0 are never read
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double t = 0;  // (Rz(a) Ry(b) Rz(g))[j][i]
            for (int k = 0; k < 3; ++k) t += ab[j][k] * gz[k][i];
            m[i + 1][j + 1] = t * (scale ? scale[j] : 1.0);
        }
}
// Distance of two angles in degrees on the circle.
double angleGap(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }
}  // namespace

// Angles in their ranges from every rotation of a 5-degree grid away from beta = 0 and 180;
// alpha = 0 makes m31/sin(beta) round past 1, which must not give NaN.
TEST(InvEuler, RecoversAnglesInTheirRanges) {
    int failures = 0;
    for (int a = 0; a < 360; a += 5)
        for (int b = 5; b < 180; b += 5)
            for (int g = 0; g < 360; g += 15) {
                double m[4][4], w[4] = {-1, -1, -1, -1};
                zyzTransposed(a, b, g, m);
                inv_euler(m, w);
                const bool ok = w[0] == -1 && w[1] >= 0 && w[1] < 360 && w[3] >= 0 && w[3] < 360 &&
                                angleGap(w[1], a) < 1e-5 && std::fabs(w[2] - b) < 1e-5 &&
                                angleGap(w[3], g) < 1e-5;
                if (!ok && ++failures <= 5)
                    ADD_FAILURE() << a << " " << b << " " << g << " -> " << w[1] << " " << w[2]
                                  << " " << w[3];
            }
    EXPECT_EQ(failures, 0);
    // get_euler normalises the columns first
    const double scale[3] = {2.0, 0.5, 7.0};
    double m[4][4], w[4] = {};
    zyzTransposed(0, 60, 120, m, scale);
    EXPECT_EQ(get_euler(m, w), 0);
    EXPECT_NEAR(w[1], 0, 1e-5);
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
