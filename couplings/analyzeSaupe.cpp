// Saupe order-matrix analysis: eigensystem, Da, Dr, Euler frames, irreducible form, collinearity.
#include "couplings/analyzeSaupe.h"

#include <cmath>
#include <cstdio>

#include "couplings/analyzeMatrix3D.h"
#include "couplings/dc.h"
#include "foundation/constants.h"

namespace korim::couplings {

namespace {

using foundation::kHalfPi8;
using foundation::kPi8;
constexpr double kTwoPi = 6.2831853;

// sqrt(8 pi/15) and sqrt(4 pi/5), to the precision the output has always used.
constexpr double kIrr2 = 1.2944172742975892;
constexpr double kIrr0 = 1.585330918136652;
// 8 pi/15.
constexpr double kMagnitude = 1.67551608;
// Single-precision value of (8 pi/15) * 21523^2; it cancels in the collinearity ratio.
constexpr float kCollinearScale = 776165248.0f;

// Every step returns a status; a non-zero one is reported and the analysis goes on.
void noteStep(int status, const char* step) {
    if (status != 0) std::printf("%s: error occured\n", step);
}

void clear(double* list, int n) {
    for (int i = 0; i < n; ++i) list[i] = 0.0;
}

// Exchanges eigenpairs i and j (1-based) of the book-style arrays.
void swapPair(double eigVal[4], double eigVec[4][4], int i, int j) {
    const double t = eigVal[i];
    eigVal[i] = eigVal[j];
    eigVal[j] = t;
    for (int r = 1; r <= 3; ++r) {
        const double v = eigVec[r][i];
        eigVec[r][i] = eigVec[r][j];
        eigVec[r][j] = v;
    }
}

// Diagonal elements of the traceless order matrix from the Saupe vector.
void diagonal(const double* saupe, double* sxx, double* syy) {
    *sxx = -(saupe[0] - saupe[1]) / 2.0;
    *syy = -(saupe[0] + saupe[1]) / 2.0;
}

}  // namespace

int sort_eigensystem(int yzFlag, double eigVal[4], double eigVec[4][4]) {
    static const int steps[3][2] = {{1, 2}, {1, 3}, {2, 3}};
    for (const auto& s : steps)
        if (std::fabs(eigVal[s[0]]) < std::fabs(eigVal[s[1]])) swapPair(eigVal, eigVec, s[0], s[1]);
    if (yzFlag) swapPair(eigVal, eigVec, 1, 2);
    return 0;
}

int pca_tensor(int yzFlag, const double* eigVal, double* da, double* dr) {
    double e[3] = {eigVal[0], eigVal[1], eigVal[2]};
    static const int steps[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (const auto& s : steps)
        if (std::fabs(e[s[0]]) < std::fabs(e[s[1]])) {
            const double t = e[s[0]];
            e[s[0]] = e[s[1]];
            e[s[1]] = t;
        }
    const double zz = yzFlag ? e[1] : e[0];
    const double yy = yzFlag ? e[0] : e[1];
    const double xx = e[2];
    *da = (zz - 0.5 * (xx + yy)) / 3.0;
    *dr = (xx - yy) / 3.0;
    return 0;
}

int eigVec2euler(const double eigVec[4][4], double* alphalist, double* betalist,
                 double* gammalist) {
    double frame[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) frame[r][c] = eigVec[r + 1][c + 1];
    double xl[4][3], yl[4][3], zl[4][3];
    const int count = make_eigVecList(frame, xl, yl, zl);
    for (int k = 0; k < count && k < 4; ++k) {
        double m[4][4] = {};
        for (int r = 1; r <= 3; ++r) {
            m[r][1] = xl[k][r - 1];
            m[r][2] = yl[k][r - 1];
            m[r][3] = zl[k][r - 1];
        }
        double w[4] = {0.0, 0.0, 0.0, 0.0};
        noteStep(get_euler(m, w), "get_euler");
        alphalist[k] = w[1];
        betalist[k] = w[2];
        gammalist[k] = w[3];
    }
    return 0;
}

// The rotation Rz(alpha) Ry(beta) Rz(gamma) has the quaternion
//   q0 = cos(b/2) cos((a+g)/2),
//   q  = (sin(b/2) cos(phiG), sin(b/2) sin(phiG), cos(b/2) sin((a+g)/2))
// with phiG = (a-g)/2 + pi/2; thetaG = atan(tan(b/2)/sin((a+g)/2)) is the polar angle of q up to
// its sign. The half angle t = acos(q0) is kept when the reported axis points along q and is
// replaced by 2 pi - t when it points against q, so that (axis, 2t) always describes the same
// rotation as the Euler angles.
int euler2polar(const double* alphalist, const double* betalist, const double* gammalist,
                double* thetaGlist, double* phiGlist, double* omegaGlist) {
    const double toRad = kPi8 / 180.0;
    for (int k = 0; k < 4; ++k) {
        const double a = alphalist[k] * toRad;
        const double b = betalist[k] * toRad;
        const double g = gammalist[k] * toRad;
        const double phiG = (a - g) / 2.0 + kHalfPi8;
        const double sinSum = std::sin((a + g) / 2.0);
        const double tanHalfB = std::tan(b / 2.0);
        double thetaG = 0.0;
        if (sinSum != 0.0)
            thetaG = std::atan(tanHalfB / sinSum);
        else if (tanHalfB > 0.0)
            thetaG = kHalfPi8;  // axis in the xy plane
        double c = std::cos(b / 2.0) * std::cos((a + g) / 2.0);
        if (c > 1.0) c = 1.0;
        if (c < -1.0) c = -1.0;
        double t = std::acos(c);
        const double along = std::sin(thetaG) * std::sin(b / 2.0) +
                             std::cos(thetaG) * std::cos(b / 2.0) * sinSum;
        if (along < 0.0) t = kTwoPi - t;
        double omegaG = 2.0 * t;
        if (omegaG >= kTwoPi) omegaG -= kTwoPi;
        thetaGlist[k] = thetaG * 180.0 / kPi8;
        phiGlist[k] = phiG * 180.0 / kPi8;
        omegaGlist[k] = omegaG * 180.0 / kPi8;
    }
    return 0;
}

int saupe2eulerTq(const double* saupe, double* psiList, double* thetaList, double* phiList,
                  double* alphalist, double* betalist, double* gammalist, double eigenvec[3][3],
                  double* eigenvalue, int yzFlag, int verbose) {
    double sxx = 0.0, syy = 0.0;
    diagonal(saupe, &sxx, &syy);
    const double order[9] = {sxx,      saupe[2], saupe[3],  // row-major order matrix
                             saupe[2], syy,      saupe[4],
                             saupe[3], saupe[4], saupe[0]};
    noteStep(matrix2euler(order, psiList, thetaList, phiList, alphalist, betalist, gammalist,
                          eigenvec, eigenvalue, yzFlag),
             "matrix2euler");
    // The Euler solutions are reported only on request; otherwise the lists stay zero.
    if (!verbose) {
        clear(alphalist, 4);
        clear(betalist, 4);
        clear(gammalist, 4);
    }
    return 0;
}

void irreducRepres(const double* saupe, double* genMagnitude, double* irrSaupe) {
    double sxx = 0.0, syy = 0.0;
    diagonal(saupe, &sxx, &syy);
    const double szz = saupe[0], sxy = saupe[2], sxz = saupe[3], syz = saupe[4];
    *genMagnitude = std::sqrt(kMagnitude * (szz * szz + sxx * sxx + syy * syy + 2.0 * sxy * sxy +
                                            2.0 * sxz * sxz + 2.0 * syz * syz));
    irrSaupe[0] = kIrr0 * szz;
    irrSaupe[1] = -kIrr2 * sxz;
    irrSaupe[2] = kIrr2 * syz;
    irrSaupe[3] = kIrr2 * (sxx + 0.5 * szz);
    irrSaupe[4] = -kIrr2 * sxy;
}

int analyzeSaupe(const double* saupe, double* irrSaupe, double* genMagnitude, double eigVec[3][3],
                 double* eigVal, int yzFlag, double* da, double* dr, double* alphalist,
                 double* betalist, double* gammalist, int verbose) {
    double psiList[kMaxEuler], thetaList[kMaxEuler], phiList[kMaxEuler];
    noteStep(saupe2eulerTq(saupe, psiList, thetaList, phiList, alphalist, betalist, gammalist,
                           eigVec, eigVal, yzFlag, verbose),
             "saupe2eulerTq");
    // The axis-angle form belongs to the analysis but is not handed back.
    double thetaG[4], phiG[4], omegaG[4];
    noteStep(euler2polar(alphalist, betalist, gammalist, thetaG, phiG, omegaG), "euler2polar");
    noteStep(pca_tensor(yzFlag, eigVal, da, dr), "pca_tensor");
    irreducRepres(saupe, genMagnitude, irrSaupe);
    return 0;
}

namespace {

// The five-dimensional cosine and angle of irrCollinarity with every step in the precision T.
template <typename T>
void collinearity(const double* saupe1, const double* saupe2, T* dcos, T* angle) {
    T s1[6], s2[6];  // xx, yy, zz, xy, xz, yz
    const double* in[2] = {saupe1, saupe2};
    T* out[2] = {s1, s2};
    for (int t = 0; t < 2; ++t) {
        const T zz = static_cast<T>(in[t][0]);
        const T xxyy = static_cast<T>(in[t][1]);
        out[t][0] = -(zz - xxyy) / T(2);
        out[t][1] = -(zz + xxyy) / T(2);
        out[t][2] = zz;
        out[t][3] = static_cast<T>(in[t][2]);
        out[t][4] = static_cast<T>(in[t][3]);
        out[t][5] = static_cast<T>(in[t][4]);
    }
    auto dot = [](const T* u, const T* v) {
        return static_cast<T>((u[0] * v[0] + u[1] * v[1] + u[2] * v[2] + T(2) * u[3] * v[3] +
                               T(2) * u[4] * v[4] + T(2) * u[5] * v[5]) *
                              static_cast<T>(kCollinearScale));
    };
    const T p = dot(s1, s2);
    const T norm1 = std::sqrt(dot(s1, s1));
    const T norm2 = std::sqrt(dot(s2, s2));
    const T nn = norm1 * norm2;
    const T x = nn == T(0) ? T(0) : p / nn;
    *dcos = x;
    if (x >= T(1))
        *angle = T(0);
    else if (x <= T(-1))
        *angle = T(180);
    else
        *angle = static_cast<T>(
            90.0 + std::atan2(x, std::sqrt(T(1) - x * x)) * (-57.29577957855229));
}

}  // namespace

int irrCollinarity(const double* saupe1, const double* saupe2, float* dcos, float* angle) {
    collinearity(saupe1, saupe2, dcos, angle);
    return 0;
}

int irrCollinarity(const double* saupe1, const double* saupe2, double* dcos, double* angle) {
    collinearity(saupe1, saupe2, dcos, angle);
    return 0;
}

int cross_productM(int n, int m, const double eigVec[4][4], double* product) {
    product[1] = eigVec[2][n] * eigVec[3][m] - eigVec[3][n] * eigVec[2][m];
    product[2] = eigVec[3][n] * eigVec[1][m] - eigVec[1][n] * eigVec[3][m];
    product[3] = eigVec[1][n] * eigVec[2][m] - eigVec[2][n] * eigVec[1][m];
    return 1;
}

int make_eigVecList(const double eigVec[3][3], double eigVecXlist[4][3],
                    double eigVecYlist[4][3], double eigVecZlist[4][3]) {
    static const int signs[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int n = 0; n < 4; n++) {
        double y[3], z[3];
        for (int i = 0; i < 3; i++) {
            y[i] = signs[n][0] * eigVec[i][1];
            z[i] = signs[n][1] * eigVec[i][0];
        }
        const double x[3] = {y[1] * z[2] - y[2] * z[1], y[2] * z[0] - y[0] * z[2],
                             y[0] * z[1] - y[1] * z[0]};
        for (int i = 0; i < 3; i++) {
            eigVecXlist[n][i] = x[i];
            eigVecYlist[n][i] = y[i];
            eigVecZlist[n][i] = z[i];
        }
    }
    return 4;
}

}  // namespace korim::couplings
