// Euler angles (x, y, z convention: r = Rz(phi) Ry(theta) Rx(psi)) of a rotation matrix.
#include <cmath>

#include "couplings/dc.h"
#include "foundation/constants.h"

namespace korim::couplings {

namespace {
constexpr float kPi = static_cast<float>(foundation::kPi8);
constexpr float kCosLimit = 0.005f;         // |cos(theta)| at or below this: gimbal lock
constexpr float kTestTol = 0.0005f;

// 1 when (psi, theta, phi) in radians reproduce the six elements of r that were not used to
// derive the angles' sines, each within kTestTol.
int eulerTest(float r[3][3], float psi, float theta, float phi) {
    const float cps = std::cos(psi), sps = std::sin(psi);
    const float cth = std::cos(theta), sth = std::sin(theta);
    const float cph = std::cos(phi), sph = std::sin(phi);
    const float e[6] = {
        cth * cph,                                  // r[0][0]
        cph * sth * sps - cps * sph,                // r[0][1]
        cph * sth * cps + sps * sph,                // r[0][2]
        cph * cps + sps * sth * sph,                // r[1][1]
        sth * cps * sph - cph * sps,                // r[1][2]
        cth * cps,                                  // r[2][2]
    };
    const float g[6] = {r[0][0], r[0][1], r[0][2], r[1][1], r[1][2], r[2][2]};
    for (int k = 0; k < 6; ++k)
        if (!(std::fabs(e[k] - g[k]) <= kTestTol)) return 0;  // NaN fails too
    return 1;
}

// asin of a ratio that rounding may push just past +/-1 for a proper rotation.
float asinClamped(float x) { return std::asin(std::fmax(-1.0f, std::fmin(1.0f, x))); }

// Appends the solutions for one value of theta; returns the new count.
int solveForTheta(float r[3][3], float theta, float* psiL, float* thetaL, float* phiL, int n) {
    const float c = std::cos(theta);
    if (std::fabs(c) > kCosLimit) {
        const float psiA = asinClamped(r[2][1] / c);
        const float psiB = kPi - psiA;
        const float phiA = asinClamped(r[1][0] / c);
        const float phiB = kPi - phiA;
        const float tries[4][2] = {{psiA, phiA}, {psiB, phiA}, {psiA, phiB}, {psiB, phiB}};
        for (const auto& t : tries) {
            if (n < kMaxEuler && eulerTest(r, t[0], theta, t[1])) {
                psiL[n] = t[0];
                thetaL[n] = theta;
                phiL[n] = t[1];
                ++n;
            }
        }
    } else if (n < kMaxEuler) {
        // Gimbal lock: only psi - phi (sin(theta) = 1) or psi + phi (sin(theta) = -1) is
        // defined; phi is set to 0 without a test. Then r[0][1] = sin(theta) sin(psi) and
        // r[0][2] = sin(theta) cos(psi); an acos of r[0][2] alone would lose the sign of psi.
        const float s = std::sin(theta) > 0.0f ? 1.0f : -1.0f;
        psiL[n] = std::atan2(s * r[0][1], s * r[0][2]);
        thetaL[n] = theta;
        phiL[n] = 0.0f;
        ++n;
    }
    return n;
}
}  // namespace

int rot2euler1(float r[3][3], float* psi, float* theta, float* phi) {
    const float th = -asinClamped(r[2][0]);
    const float c = std::cos(th);
    float ps = 0.0f;
    float ph = 0.0f;
    if (std::fabs(c) <= kCosLimit) {
        ps = 0.0f;
        ph = -std::atan2(r[0][1], r[1][1]);
    } else {
        ps = std::atan2(-r[2][1] / c, r[2][2] / c);
        ph = -std::atan2(-r[1][0] / c, r[0][0] / c);
    }
    *psi = static_cast<float>(ps * foundation::kRadToDeg);
    *theta = static_cast<float>(th * foundation::kRadToDeg);
    *phi = static_cast<float>(ph * foundation::kRadToDeg);
    return 1;
}

// Up to 8 solutions (at most 4 per theta), sorted by increasing psi^2 + theta^2 + phi^2.
int rot2euler(float r[3][3], float* psiList, float* thetaList, float* phiList) {
    for (int k = 0; k < kMaxEuler; ++k) psiList[k] = thetaList[k] = phiList[k] = 0.0f;
    const float theta1 = -asinClamped(r[2][0]);
    const float theta2 = kPi - theta1;
    int n = solveForTheta(r, theta1, psiList, thetaList, phiList, 0);
    n = solveForTheta(r, theta2, psiList, thetaList, phiList, n);

    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const float si = psiList[i] * psiList[i] + thetaList[i] * thetaList[i] +
                             phiList[i] * phiList[i];
            const float sj = psiList[j] * psiList[j] + thetaList[j] * thetaList[j] +
                             phiList[j] * phiList[j];
            if (sj < si) {
                float t = psiList[i]; psiList[i] = psiList[j]; psiList[j] = t;
                t = thetaList[i]; thetaList[i] = thetaList[j]; thetaList[j] = t;
                t = phiList[i]; phiList[i] = phiList[j]; phiList[j] = t;
            }
        }
    }
    if (n == 0) {
        // No candidate passed the test (asin of a ratio near +/-1 amplifies rounding beyond
        // the test's tolerance): one answer by atan2. Outside gimbal lock the single-answer
        // rule gives psi the opposite sign, which would not rebuild r; flip it back.
        rot2euler1(r, &psiList[0], &thetaList[0], &phiList[0]);
        if (std::fabs(std::cos(theta1)) > kCosLimit) psiList[0] = -psiList[0];
        return 1;
    }
    for (int k = 0; k < n; ++k) {
        psiList[k] = static_cast<float>(psiList[k] * foundation::kRadToDeg);
        thetaList[k] = static_cast<float>(thetaList[k] * foundation::kRadToDeg);
        phiList[k] = static_cast<float>(phiList[k] * foundation::kRadToDeg);
    }
    return n;
}

}  // namespace korim::couplings
