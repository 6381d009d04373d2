// Tensor fit and back-calculation: the linear (SVD) fit over a table's calculated rows, the
// conversions between Saupe elements and principal-frame form, and the bounded nonlinear fit
// of Da, Dr (or Rh) and three rotations to measured couplings.
#include <cmath>
#include <cstdio>
#include <vector>

#include "couplings/dc.h"
#include "couplings/dcpairs.h"
#include "couplings/missingdc.h"
#include "foundation/constants.h"
#include "foundation/diag3.h"
#include "foundation/memory.h"
#include "foundation/nlsopt.h"
#include "structure/pdb.h"

namespace korim::couplings {

using namespace korim::foundation;
using korim::structure::AtomInfo;
using korim::structure::Coord3D;
using korim::structure::PDBInfo;

namespace {

// Errors are rescaled to the coupling constant of an N-H pair.
constexpr double kRefDI = kDipolarNH;
// Scale of each of the three C-H terms of a methyl group (one end of 1 atom, the other of 3) in
// the nonlinear fit; the linear fit instead takes one term along the carbon to proton-centroid
// axis. The two conventions are kept apart on purpose.
constexpr float kMethylFactor = 0.309107f;
constexpr int kMaxFree = 5;
// Da and Dr are handed to the optimiser in units of 1e-4 (rotations in degrees, Rh as is), so
// that all free parameters change the residuals on comparable scales: unscaled, a step in the
// rotations is lost in single-precision rounding beside the damping that Da's far larger
// derivative sets, and the fit stops with the start orientation.
constexpr float kMagScale = 1.0e4f;

// The linear fit's entries of a used row, each handed to add(ends, solved) with ends = xI, yI,
// zI, xJ, yJ, zJ: one entry for a single atom pair or a methyl-like group (1 x 3), its ends the
// means over the pairs (the single atom and the centroid of the group), solved for; else one per
// atom pair, whose coupling constant enters only the back-calculation.
template <typename Add>
void fitEntries(const DInfo& c, Add add) {
    const int nI = c.atomICount, nJ = c.atomJCount;
    float e[6];
    if (nI * nJ == 1 || nI * nJ == 3) {
        double s[6] = {};
        for (int i = 0; i < nI; ++i)
            for (int j = 0; j < nJ; ++j) {
                s[0] += c.atomI[i]->x; s[1] += c.atomI[i]->y; s[2] += c.atomI[i]->z;
                s[3] += c.atomJ[j]->x; s[4] += c.atomJ[j]->y; s[5] += c.atomJ[j]->z;
            }
        const double np = nI * nJ;
        for (int m = 0; m < 6; ++m) e[m] = static_cast<float>(s[m] / np);
        add(e, true);
        return;
    }
    for (int i = 0; i < nI; ++i)
        for (int j = 0; j < nJ; ++j) {
            e[0] = c.atomI[i]->x; e[1] = c.atomI[i]->y; e[2] = c.atomI[i]->z;
            e[3] = c.atomJ[j]->x; e[4] = c.atomJ[j]->y; e[5] = c.atomJ[j]->z;
            add(e, false);
        }
}

// State of the nonlinear fit in progress (one per process, not re-entrant).
struct FitState {
    PDBInfo* pdbInfo = nullptr;
    DTable* dTab = nullptr;
    DTensor* dTensor = nullptr;
    int rhFlag = 0;
    int verbose = 0;
    int dCount = 0;     // couplings used
    int atomCount = 0;  // atoms selected
    Coord3D* aCoords = nullptr;  // reference coordinates
    Coord3D* wCoords = nullptr;  // working (rotated) coordinates
    int maxCoords = 0;
    float dRMS = 0.0f;
};
FitState fs;

// Which tensor fields are free (lower bound differs from upper) in packing order:
// psi, theta, phi, da, then dr or rh.
int freeFields(const DTensor& t, int rhFlag, int* which) {
    int n = 0;
    if (t.psiMin != t.psiMax) which[n++] = 0;
    if (t.thetaMin != t.thetaMax) which[n++] = 1;
    if (t.phiMin != t.phiMax) which[n++] = 2;
    if (t.daMin != t.daMax) which[n++] = 3;
    if (rhFlag == 0) {
        if (t.drMin != t.drMax) which[n++] = 4;
    } else if (t.rhMin != t.rhMax) {
        which[n++] = 5;
    }
    return n;
}

float* fieldPtr(DTensor& t, int which) {
    switch (which) {
        case 0: return &t.psi;
        case 1: return &t.theta;
        case 2: return &t.phi;
        case 3: return &t.da;
        case 4: return &t.dr;
        default: return &t.rh;
    }
}
// Optimiser units of a field.
float toOpt(int which, float v) { return (which == 3 || which == 4) ? v * kMagScale : v; }
float fromOpt(int which, float v) { return (which == 3 || which == 4) ? v / kMagScale : v; }

float fieldMin(const DTensor& t, int which) {
    const float v[6] = {t.psiMin, t.thetaMin, t.phiMin, t.daMin, t.drMin, t.rhMin};
    return v[which];
}
float fieldMax(const DTensor& t, int which) {
    const float v[6] = {t.psiMax, t.thetaMax, t.phiMax, t.daMax, t.drMax, t.rhMax};
    return v[which];
}

// Working coordinates of an atom selected for the fit.
const Coord3D* workCoord(const AtomInfo* a) { return static_cast<const Coord3D*>(a->auxInfo); }

// Runs the optimiser (or one evaluation when there is too little data); steps 6 and 7 of the
// fit. Returns the number of free parameters.
int optimise() {
    DTensor& t = *fs.dTensor;
    int which[kMaxFree + 1];
    const int nFree = freeFields(t, fs.rhFlag, which);
    // A field whose limits meet is held at them: its start may lie elsewhere (-daMin and -daMax
    // given equal leave the default -da outside), and the fit would report that start.
    for (int f = 0; f <= 5; ++f)
        if ((f < 4 || (f == 4) == (fs.rhFlag == 0)) && fieldMin(t, f) == fieldMax(t, f)) *fieldPtr(t, f) = fieldMin(t, f);
    float guess[kMaxFree + 1] = {}, lower[kMaxFree + 1] = {}, upper[kMaxFree + 1] = {};
    if (nFree > fs.dCount) {
        // Fewer couplings than free parameters: no optimisation. The angles are set to 0 and the
        // tensor is evaluated once, so that the couplings and the current transform both belong
        // to the tensor reported.
        t.psi = t.theta = t.phi = 0.0f;
        for (int k = 0; k < nFree; ++k) guess[k] = toOpt(which[k], *fieldPtr(t, which[k]));
        std::vector<float> res(fs.dCount > 0 ? fs.dCount : 1);
        fitDCTarget(fs.dCount, nFree, guess, res.data());
        return nFree;
    }
    for (int k = 0; k < nFree; ++k) {
        guess[k] = toOpt(which[k], *fieldPtr(t, which[k]));
        lower[k] = toOpt(which[k], fieldMin(t, which[k]));
        upper[k] = toOpt(which[k], fieldMax(t, which[k]));
    }
    float* result = nlsOpt(fitDCTarget, fs.dCount, nFree, guess, lower, upper, 1e-8f, 4, 1000,
                           1000, static_cast<float>(fs.verbose > 1), nullptr, nullptr, nullptr,
                           nullptr, 0);
    // The optimiser's last evaluation has already stored the fitted values in the tensor.
    if (result != nullptr && result != guess)
        unAlloc("nls", result, nFree * static_cast<int>(sizeof(float)));
    return nFree;
}

}  // namespace

// ---- tensor form conversions ----

int saupe2euler(float* saupe, float* psiList, float* thetaList, float* phiList, float* eigVal,
                float* da, float* dr) {
    *da = 0.0f;
    *dr = 0.0f;
    for (int k = 0; k < kMaxEuler; ++k) psiList[k] = thetaList[k] = phiList[k] = 0.0f;
    const float s0 = saupe[0], s1 = saupe[1];
    float a[3][3] = {{(s1 - s0) / 2.0f, saupe[2], saupe[3]},
                     {saupe[2], -(s0 + s1) / 2.0f, saupe[4]},
                     {saupe[3], saupe[4], s0}};
    float d[3], v[3][3];
    if (diag3By3(a, d, v) != 0) return 0;
    for (int k = 0; k < 3; ++k) eigVal[k] = d[k];
    // Increasing magnitude with handedness kept; rows of v are then the principal axes.
    eigsrt3By3NegRevTP(d, v);
    *dr = (d[0] - d[1]) / 3.0f;
    *da = (d[2] - (d[0] + d[1]) / 2.0f) / 3.0f;
    return rot2euler(v, psiList, thetaList, phiList);
}

int euler2saupe(float* saupe, float psi, float theta, float phi, float da, float dr) {
    const double p[3] = {1.5 * dr - da, -1.5 * dr - da, 2.0 * da};
    structure::pdb3dReset();
    structure::pdb3dAppendRotation0(psi, theta, phi);
    float m4[4][4];
    structure::pdb3dCopyCurrentMatrix(m4);
    double m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;  // (R^T P R)[i][j]
            for (int k = 0; k < 3; ++k) s += m4[k][i] * p[k] * m4[k][j];
            m[i][j] = s;
        }
    saupe[0] = static_cast<float>(m[2][2]);
    saupe[1] = static_cast<float>(m[0][0] - m[1][1]);
    saupe[2] = static_cast<float>(m[0][1]);
    saupe[3] = static_cast<float>(m[0][2]);
    saupe[4] = static_cast<float>(m[1][2]);
    return 0;
}

// ---- fit dispatch and linear (SVD) fit ----

int fitD(PDBInfo* pdbInfo, DTable* dTab, int verbose) {
    if (dTab == nullptr) return 0;
    switch (dTab->dTensor.tensorMode) {
        case kTensorSVD:
        case kTensorSaupe:
        case kTensorSteric:
        case kTensorElectrostatic:
            return fitDSVD(pdbInfo, dTab, verbose);
        case kTensorNoFixed:
        case kTensorDaDr:
        case kTensorFixed:
        case kTensorFitNonlin:
            return fitDCAlign(pdbInfo, dTab, verbose);
        default:
            return 0;
    }
}

int fitDSVD(PDBInfo* /*pdbInfo*/, DTable* dTab, int /*verbose*/) {
    if (dTab == nullptr) return 0;
    DTensor& t = dTab->dTensor;
    for (int k = 0; k < 5; ++k) {
        t.saupe[k] = t.tensorMode == kTensorSVD ? 0.0f : t.userSaupe[k];
        t.dSaupe[k] = 1.0f;
    }
    if (dTab->dCalcList == nullptr || dTab->dObsList == nullptr) return 0;

    // Ten consecutive arrays of cap entries in the table's scratch.
    int cap = dTab->maxCount;
    if (dTab->work == nullptr) cap = 0;
    else if (dTab->workSize < 10 * cap) cap = dTab->workSize / 10;
    if (dTab->work != nullptr)
        for (int k = 0; k < dTab->workSize; ++k) dTab->work[k] = 0.0f;
    float* xI = dTab->work;
    float* yI = xI + cap;
    float* zI = yI + cap;
    float* xJ = zI + cap;
    float* yJ = xJ + cap;
    float* zJ = yJ + cap;
    float* diCalc = zJ + cap;  // constant for back-calculation
    float* diSolve = diCalc + cap;
    float* dv = diSolve + cap;
    float* sv = dv + cap;

    // The rows of measured couplings come first and alone enter the solve; the rows that mark a
    // coupling as missing follow and are only back-calculated.
    const auto inPass = [dTab](int k, bool measured) {
        const DInfo& c = dTab->dCalcList[k];
        return c.valid && c.w != 0.0f && missingCoupling(dTab->dObsList[k].d) != measured;
    };
    int n = 0;       // entries
    int solved = 0;  // entries of the measured couplings
    int used = 0;    // rows of the measured couplings
    for (const bool measured : {true, false}) {
        for (int k = 0; k < dTab->dCount; ++k) {
            if (!inPass(k, measured)) continue;
            const DInfo& c = dTab->dCalcList[k];
            const DInfo& o = dTab->dObsList[k];
            used += measured ? 1 : 0;
            fitEntries(c, [&](const float* e, bool solve) {
                if (n >= cap) return;
                xI[n] = e[0]; yI[n] = e[1]; zI[n] = e[2];
                xJ[n] = e[3]; yJ[n] = e[4]; zJ[n] = e[5];
                diCalc[n] = c.di;
                diSolve[n] = solve ? c.di : 0.0f;
                dv[n] = o.d;
                sv[n] = o.sigma;
                ++n;
            });
        }
        if (measured) solved = n;
    }

    if (t.tensorMode == kTensorSVD)
        findS(xI, yI, zI, xJ, yJ, zJ, diSolve, dv, sv, t.saupe, t.dSaupe, solved);
    findD(xI, yI, zI, xJ, yJ, zJ, diCalc, dv, sv, t.saupe, t.dSaupe, n);
    if (t.eulerFlag)
        t.eulerCount = saupe2euler(t.saupe, t.psiList, t.thetaList, t.phiList, t.eigVal, &t.da, &t.dr);

    // Calculated couplings, walking the entries in the same order.
    int e = 0;
    for (const bool measured : {true, false}) {
        for (int k = 0; k < dTab->dCount; ++k) {
            if (!inPass(k, measured)) continue;
            DInfo& c = dTab->dCalcList[k];
            const int nI = c.atomICount, nJ = c.atomJCount;
            if (nI * nJ == 1 || nI * nJ == 3) {
                if (e < n) c.d = dv[e++];
            } else {
                double sum = 0.0;
                for (int p = 0; p < nI * nJ && e < n; ++p) sum += dv[e++];
                c.d = static_cast<float>(sum);
            }
        }
    }
    return used;
}

int orderMatrixRank(const DTable* dTab) {
    if (dTab == nullptr || dTab->dCalcList == nullptr) return 0;
    std::vector<float> v[6];
    for (int k = 0; k < dTab->dCount; ++k) {
        const DInfo& c = dTab->dCalcList[k];
        if (!fitRow(dTab->dObsList[k], c)) continue;
        // Only the entries the fit solves for constrain the order matrix.
        fitEntries(c, [&](const float* e, bool solved) {
            if (!solved) return;
            for (int m = 0; m < 6; ++m) v[m].push_back(e[m]);
        });
    }
    return findRank(v[0].data(), v[1].data(), v[2].data(), v[3].data(), v[4].data(), v[5].data(),
                    static_cast<int>(v[0].size()), kRankTolerance);
}

// ---- nonlinear fit ----

int fitDCAlloc() {
    if (fs.atomCount > fs.maxCoords) {
        fitDCFree();
        const int n = fs.atomCount * static_cast<int>(sizeof(Coord3D));
        fs.wCoords = static_cast<Coord3D*>(voidMalloc("align", n));
        fs.aCoords = fs.wCoords != nullptr ? static_cast<Coord3D*>(voidMalloc("align", n)) : nullptr;
        if (fs.wCoords == nullptr || fs.aCoords == nullptr) {
            if (fs.wCoords != nullptr) unAlloc("align", fs.wCoords, n);
            fs.wCoords = fs.aCoords = nullptr;
            std::fprintf(stderr, "MERIDO Error (DC Fit) allocating workspaces.\n");
            return 1;
        }
        fs.maxCoords = fs.atomCount;
    }
    int n = 0;
    PDBInfo* pdb = fs.pdbInfo;
    for (int a = 0; a < pdb->atomCount; ++a) {
        AtomInfo& atom = pdb->atomList[a];
        if (!atom.selected) continue;
        if (n >= fs.maxCoords) {
            std::fprintf(stderr, "MERIDO Error (DC Fit) workspace overflow.\n");
            return 1;
        }
        fs.aCoords[n].x = atom.x;
        fs.aCoords[n].y = atom.y;
        fs.aCoords[n].z = atom.z;
        atom.auxInfo = &fs.wCoords[n];
        ++n;
    }
    for (int k = 0; k < n; ++k) fs.wCoords[k] = fs.aCoords[k];
    return 0;
}

int fitDCFree() {
    const int bytes = fs.maxCoords * static_cast<int>(sizeof(Coord3D));
    unAlloc("align", fs.wCoords, bytes);
    unAlloc("align", fs.aCoords, bytes);
    fs.wCoords = fs.aCoords = nullptr;
    fs.maxCoords = 0;
    return 0;
}

void fitDCTarget(int /*xCnt*/, int cCnt, float* cg, float* res) {
    DTensor& t = *fs.dTensor;
    DTable& tab = *fs.dTab;
    int which[kMaxFree + 1];
    const int nFree = freeFields(t, fs.rhFlag, which);
    for (int k = 0; k < nFree && k < cCnt; ++k) *fieldPtr(t, which[k]) = fromOpt(which[k], cg[k]);
    if (fs.rhFlag) t.dr = t.da * t.rh;

    for (int k = 0; k < fs.atomCount && k < fs.maxCoords; ++k) fs.wCoords[k] = fs.aCoords[k];
    structure::pdb3dReset();
    structure::pdb3dAppendRotation0(t.psi, t.theta, t.phi);
    structure::pdb3dCoordTransform(fs.wCoords, fs.atomCount);

    int n = 0;
    double sum2 = 0.0;
    for (int k = 0; k < tab.dCount; ++k) {
        DInfo& c = tab.dCalcList[k];
        const DInfo& o = tab.dObsList[k];
        c.d = kDcMissing;
        if (!c.valid || c.w == 0.0f) continue;
        const float f = c.atomICount * c.atomJCount == 3 ? kMethylFactor : 1.0f;
        const double di = std::fabs(c.di);
        double d = 0.0;
        int pairs = 0;
        for (int i = 0; i < c.atomICount; ++i)
            for (int j = 0; j < c.atomJCount; ++j) {
                const AtomInfo* ai = c.atomI[i];
                const AtomInfo* aj = c.atomJ[j];
                if (ai == nullptr || aj == nullptr) continue;
                const Coord3D* pi = workCoord(ai);
                const Coord3D* pj = workCoord(aj);
                if (pi == nullptr || pj == nullptr) continue;
                ++pairs;
                double x = pi->x - pj->x, y = pi->y - pj->y, z = pi->z - pj->z;
                const double r = std::sqrt(x * x + y * y + z * z);
                if (r > 0.0) {
                    x /= r;
                    y /= r;
                    z /= r;
                } else {
                    x = y = z = 0.0;
                }
                d += (t.da * (3.0 * z * z - 1.0) + 1.5 * t.dr * (x * x - y * y)) * di * f;
            }
        if (pairs == 0) continue;  // d stays missing
        c.d = static_cast<float>(d);
        if (missingCoupling(o.d)) continue;  // back-calculated only
        const double sp = di != 0.0 ? (kRefDI / di) * o.sigma : 0.0;
        const double gw = sp != 0.0 ? 1.0 / sp : 1.0;
        const double residual = gw * (o.d - c.d);
        if (n < fs.dCount) res[n] = static_cast<float>(residual);
        if (fs.verbose > 2)
            std::fprintf(stderr, " DC %3d % 8.3f % 8.3f % 8.3f\n", n, o.d, c.d, o.d - c.d);
        sum2 += residual * residual;
        ++n;
    }
    fs.dRMS = n > 0 ? static_cast<float>(std::sqrt(sum2 / n)) : 0.0f;
    if (n != fs.dCount)
        std::fprintf(stderr, "DC NLin Internal Warning: DC Count Mismatch: %d %d\n", fs.dCount, n);
    if (fs.verbose > 1) {
        if (fs.rhFlag)
            std::fprintf(stderr, "Rot(%.3f %.3f %.3f) Da %.3e Rh %.3f RMS(%d): %.4f\n", t.psi,
                         t.theta, t.phi, t.da, t.rh, n, fs.dRMS);
        else
            std::fprintf(stderr, "Rot(%.3f %.3f %.3f) Da %.3e Dr %.3e RMS(%d): %.4f\n", t.psi,
                         t.theta, t.phi, t.da, t.dr, n, fs.dRMS);
    }
}

int fitDCAlign(PDBInfo* pdbPtr, DTable* dTabPtr, int verbFlag) {
    if (pdbPtr == nullptr || dTabPtr == nullptr || dTabPtr->dCalcList == nullptr ||
        dTabPtr->dObsList == nullptr)
        return 0;
    fs.pdbInfo = pdbPtr;
    fs.dTab = dTabPtr;
    fs.dTensor = &dTabPtr->dTensor;
    fs.rhFlag = dTabPtr->dTensor.rhFlag;
    fs.verbose = verbFlag;
    for (int a = 0; a < pdbPtr->atomCount; ++a) {
        pdbPtr->atomList[a].selected = 0;
        pdbPtr->atomList[a].auxInfo = nullptr;
    }
    fs.dCount = 0;
    for (int k = 0; k < dTabPtr->dCount; ++k) {
        DInfo& c = dTabPtr->dCalcList[k];
        if (!c.valid || c.w == 0.0f) continue;
        int pairs = 0;
        for (int i = 0; i < c.atomICount; ++i)
            for (int j = 0; j < c.atomJCount; ++j) {
                if (c.atomI[i] == nullptr || c.atomJ[j] == nullptr) continue;
                c.atomI[i]->selected = 1;
                c.atomJ[j]->selected = 1;
                ++pairs;
            }
        // A row that marks its coupling as missing is back-calculated, not fitted.
        if (pairs > 0 && !missingCoupling(dTabPtr->dObsList[k].d)) ++fs.dCount;
    }
    fs.atomCount = 0;
    for (int a = 0; a < pdbPtr->atomCount; ++a)
        if (pdbPtr->atomList[a].selected) ++fs.atomCount;
    if (fs.verbose > 1)
        std::fprintf(stderr, "%d Couplings, %d Atoms Selected.\n", fs.dCount, fs.atomCount);
    if (fs.dCount == 0 || fs.atomCount == 0) return 0;
    if (fitDCAlloc() != 0) {
        std::fprintf(stderr, "MERIDO Error initializing alignment workspaces.\n");
        return -1;
    }
    optimise();

    // The solutions of the fitted rotation (rot2euler clears the lists and counts them).
    DTensor& t = *fs.dTensor;
    float m4[4][4];
    structure::pdb3dCopyCurrentMatrix(m4);
    float r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = m4[i][j];
    t.eulerCount = rot2euler(r, t.psiList, t.thetaList, t.phiList);
    euler2saupe(t.saupe, t.psiList[0], t.thetaList[0], t.phiList[0], t.da, t.dr);
    return fs.dCount;
}

int fitDCAlign2() {
    // Needs the selection and workspace of an earlier fitDCAlign, not released since.
    if (fs.dTensor == nullptr || fs.dTab == nullptr || fs.atomCount > fs.maxCoords) return 0;
    optimise();
    DTensor& t = *fs.dTensor;
    t.eulerCount = 1;
    t.psiList[0] = t.psi;
    t.thetaList[0] = t.theta;
    t.phiList[0] = t.phi;
    return 0;
}

}  // namespace korim::couplings
