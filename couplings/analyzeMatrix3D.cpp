// Principal axes of a symmetric 3x3 matrix (inertia tensors): eigensystem, Da, Dr, Euler frames.
#include "couplings/analyzeMatrix3D.h"

#include <cstdio>

#include "couplings/analyzeSaupe.h"
#include "couplings/dc.h"
#include "foundation/jacobitq.h"

namespace korim::couplings {

namespace {

void noteStep(int status, const char* step) {
    if (status != 0) std::printf("%s: error occured\n", step);
}

void clear(double* list, int n) {
    for (int i = 0; i < n; ++i) list[i] = 0.0;
}

}  // namespace

int matrix2euler(const double* matrix, double* psiList, double* thetaList, double* phiList,
                 double* alphalist, double* betalist, double* gammalist, double eigenvec[3][3],
                 double* eigenvalue, int yzFlag) {
    clear(psiList, kMaxEuler);
    clear(thetaList, kMaxEuler);
    clear(phiList, kMaxEuler);
    clear(alphalist, 4);
    clear(betalist, 4);
    clear(gammalist, 4);
    double a[4][4] = {};
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) a[r][c] = matrix[3 * (r - 1) + (c - 1)];
    double d[4] = {0.0, 0.0, 0.0, 0.0};
    double v[4][4] = {};
    int nrot = 0;
    foundation::jacobitq(a, d, v, &nrot);
    noteStep(sort_eigensystem(yzFlag, d, v), "sort_eigensystem");
    noteStep(eigVec2euler(v, alphalist, betalist, gammalist), "eigVec2euler");
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) eigenvec[i - 1][j - 1] = v[i][j];
        eigenvalue[i - 1] = d[i];
    }
    return 0;
}

int analyzeMatrix3D(const double* matrix, double eigVec[3][3], double* eigVal, int yzFlag,
                    double* da, double* dr, double* alphalist, double* betalist,
                    double* gammalist) {
    double psiList[kMaxEuler], thetaList[kMaxEuler], phiList[kMaxEuler];
    noteStep(matrix2euler(matrix, psiList, thetaList, phiList, alphalist, betalist, gammalist,
                          eigVec, eigVal, yzFlag),
             "matrix2euler");
    // The axis-angle form belongs to the analysis but is not handed back.
    double thetaG[4], phiG[4], omegaG[4];
    noteStep(euler2polar(alphalist, betalist, gammalist, thetaG, phiG, omegaG), "euler2polar");
    noteStep(pca_tensor(yzFlag, eigVal, da, dr), "pca_tensor");
    return 0;
}

}  // namespace korim::couplings
