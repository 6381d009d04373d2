// Rigid superposition of a moving point set onto a reference: three bounded rotation angles by nonlinear least squares, translation as the bounded mean shift.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/memory.h"
#include "foundation/nlsopt.h"
#include "structure/pdb.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

const char* const kTag = "align";

// One superposition at a time: parameters, bounds, workspaces.
struct AlignModule {
    Coord3D* refCoords = nullptr;
    Coord3D* aCoords = nullptr;
    Coord3D* wCoords = nullptr;
    int maxCoords = 0;
    int coordCount = 0;
    float psi = 45, theta = 45, phi = 45;
    float psiMin = -360, psiMax = 360, thetaMin = -360, thetaMax = 360, phiMin = -360, phiMax = 360;
    float tx = 0, ty = 0, tz = 0;
    float txMin = -1e17f, txMax = 1e17f, tyMin = -1e17f, tyMax = 1e17f, tzMin = -1e17f, tzMax = 1e17f;
    float aRMS = 0;
    int fixedFlag = 0;
    int verbose = 0;
    PDBInfo* refPDBInfo = nullptr;
    PDBInfo* aPDBInfo = nullptr;
};

AlignModule al;

float clampTo(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

// Translation = mean of (reference - working) per axis, within its bounds.
void boundedMeanShift() {
    if (al.coordCount < 1) return;
    double sx = 0, sy = 0, sz = 0;
    for (int i = 0; i < al.coordCount; i++) {
        sx += al.refCoords[i].x - al.wCoords[i].x;
        sy += al.refCoords[i].y - al.wCoords[i].y;
        sz += al.refCoords[i].z - al.wCoords[i].z;
    }
    al.tx = clampTo(static_cast<float>(sx / al.coordCount), al.txMin, al.txMax);
    al.ty = clampTo(static_cast<float>(sy / al.coordCount), al.tyMin, al.tyMax);
    al.tz = clampTo(static_cast<float>(sz / al.coordCount), al.tzMin, al.tzMax);
}

void storeOutputs(float* psiPtr, float* thetaPtr, float* phiPtr, float* txPtr, float* tyPtr,
                  float* tzPtr, float* rmsPtr, bool zero) {
    if (psiPtr != nullptr) *psiPtr = zero ? 0 : al.psi;
    if (thetaPtr != nullptr) *thetaPtr = zero ? 0 : al.theta;
    if (phiPtr != nullptr) *phiPtr = zero ? 0 : al.phi;
    if (txPtr != nullptr) *txPtr = zero ? 0 : al.tx;
    if (tyPtr != nullptr) *tyPtr = zero ? 0 : al.ty;
    if (tzPtr != nullptr) *tzPtr = zero ? 0 : al.tz;
    if (rmsPtr != nullptr) *rmsPtr = zero ? 0 : al.aRMS;
}

void releaseArrays() {
    int bytes = al.maxCoords * static_cast<int>(sizeof(Coord3D));
    if (al.refCoords != nullptr) unAlloc(kTag, al.refCoords, bytes);
    if (al.aCoords != nullptr) unAlloc(kTag, al.aCoords, bytes);
    if (al.wCoords != nullptr) unAlloc(kTag, al.wCoords, bytes);
    al.refCoords = al.aCoords = al.wCoords = nullptr;
    al.maxCoords = 0;
}

// A selection list copied into its buffer; false when it does not fit.
bool copyList(char* list, const char* text) {
    size_t len = std::strlen(text);
    if (len >= static_cast<size_t>(PDB_SELECT_LIST_LEN)) return false;
    std::memcpy(list, text, len + 1);
    return true;
}

}  // namespace

int fitAlignInit() {
    AlignModule fresh;
    fresh.refCoords = al.refCoords;
    fresh.aCoords = al.aCoords;
    fresh.wCoords = al.wCoords;
    fresh.maxCoords = al.maxCoords;
    al = fresh;
    return 0;
}

int setAlignLimits(float psi0, float psiLo, float psiHi, float theta0, float thetaLo,
                   float thetaHi, float phi0, float phiLo, float phiHi, float tx0, float txMin0,
                   float txMax0, float ty0, float tyMin0, float tyMax0, float tz0, float tzMin0,
                   float tzMax0, int setFixedFlag) {
    al.fixedFlag = setFixedFlag;
    if (setFixedFlag != 0) {
        al.psi = al.psiMin = al.psiMax = 0;
        al.theta = al.thetaMin = al.thetaMax = 0;
        al.phi = al.phiMin = al.phiMax = 0;
        al.tx = al.txMin = al.txMax = 0;
        al.ty = al.tyMin = al.tyMax = 0;
        al.tz = al.tzMin = al.tzMax = 0;
        return 0;
    }
    al.psi = psi0;
    al.psiMin = psiLo;
    al.psiMax = psiHi;
    al.theta = theta0;
    al.thetaMin = thetaLo;
    al.thetaMax = thetaHi;
    al.phi = phi0;
    al.phiMin = phiLo;
    al.phiMax = phiHi;
    al.tx = tx0;
    al.txMin = txMin0;
    al.txMax = txMax0;
    al.ty = ty0;
    al.tyMin = tyMin0;
    al.tyMax = tyMax0;
    al.tz = tz0;
    al.tzMin = tzMin0;
    al.tzMax = tzMax0;
    return 0;
}

int fitAlignAlloc() {
    if (al.coordCount <= al.maxCoords) return 0;
    releaseArrays();
    int bytes = al.coordCount * static_cast<int>(sizeof(Coord3D));
    al.refCoords = static_cast<Coord3D*>(voidMalloc(kTag, bytes));
    al.aCoords = static_cast<Coord3D*>(voidMalloc(kTag, bytes));
    al.wCoords = static_cast<Coord3D*>(voidMalloc(kTag, bytes));
    al.maxCoords = al.coordCount;
    if (al.refCoords == nullptr || al.aCoords == nullptr || al.wCoords == nullptr) {
        std::fprintf(stderr, "MERIDO Error (Align) allocating workspaces.\n");
        releaseArrays();  // whichever of the three were obtained
        return 1;
    }
    return 0;
}

int fitAlignFree() {
    releaseArrays();
    return 0;
}

int fitAlignCenter() {
    boundedMeanShift();
    return 0;
}

void fitAlignTarget(int xCnt, int cCnt, float* cg, float* res) {
    if (cg != nullptr) {
        if (cCnt > 0) al.psi = cg[0];
        if (cCnt > 1) al.theta = cg[1];
        if (cCnt > 2) al.phi = cg[2];
    }
    pdbCopyCoords(al.wCoords, al.aCoords, al.coordCount);
    if (al.fixedFlag == 0) {
        pdb3dReset();
        pdb3dAppendRotation0(al.psi, al.theta, al.phi);
        pdb3dCoordTransform(al.wCoords, al.coordCount);
        boundedMeanShift();
    }
    pdb3dCoordTranslation(al.wCoords, al.coordCount, al.tx, al.ty, al.tz);
    double sum = 0.0;
    for (int i = 0; i < al.coordCount; i++) {
        const Coord3D& r = al.refCoords[i];
        const Coord3D& w = al.wCoords[i];
        float d[3] = {r.x - w.x, r.y - w.y, r.z - w.z};
        for (int k = 0; k < 3; k++) {
            if (res != nullptr && 3 * i + k < xCnt) res[3 * i + k] = d[k];
            sum += static_cast<double>(d[k]) * d[k];
        }
        if (al.verbose > 2) {
            std::fprintf(stderr, "%d %8.3f %8.3f %8.3f    %8.3f %8.3f %8.3f\n", 3 * i, r.x, r.y, r.z, w.x,
                         w.y, w.z);
        }
    }
    al.aRMS = al.coordCount > 0 ? static_cast<float>(std::sqrt(sum / al.coordCount)) : 0.0f;
    if (al.verbose > 1) {
        std::fprintf(stderr, "Rot(%.3f %.3f %.3f) T(%.3f %.3f %.3f) RMS(%d): %.4f\n", al.psi, al.theta,
                     al.phi, al.tx, al.ty, al.tz, 3 * al.coordCount, al.aRMS);
    }
}

int fitAlign2() {
    // Nothing to superpose: there is no fit and no RMS to report.
    if (al.coordCount < 1 || al.wCoords == nullptr) return 1;
    float lower[3] = {al.psiMin, al.thetaMin, al.phiMin};
    float upper[3] = {al.psiMax, al.thetaMax, al.phiMax};
    float start[3] = {al.psi, al.theta, al.phi};
    bool allFixed = lower[0] == upper[0] && lower[1] == upper[1] && lower[2] == upper[2];
    int itMax = allFixed || al.fixedFlag ? 0 : 1000;
    float* fit = nlsOpt(fitAlignTarget, 3 * al.coordCount, 3, start, lower, upper, 1e-8f, 4, itMax,
                        1000, 0.0f, nullptr, nullptr, nullptr, nullptr, 0);
    if (fit != nullptr && fit != start) unAlloc("nls", fit, 3 * static_cast<int>(sizeof(float)));
    return 0;
}

int fitAlignM() {
    if (al.coordCount < 1 || al.wCoords == nullptr) return 1;
    boundedMeanShift();
    double s = 0.0;
    int pairs = 0;
    for (int i = 0; i < al.coordCount; i++) {
        for (int j = i + 1; j < al.coordCount; j++) {
            const Coord3D &ri = al.refCoords[i], &rj = al.refCoords[j];
            const Coord3D &ai = al.aCoords[i], &aj = al.aCoords[j];
            double dr = std::sqrt(std::pow(ri.x - rj.x, 2) + std::pow(ri.y - rj.y, 2) + std::pow(ri.z - rj.z, 2));
            double da = std::sqrt(std::pow(ai.x - aj.x, 2) + std::pow(ai.y - aj.y, 2) + std::pow(ai.z - aj.z, 2));
            s += (dr - da) * (dr - da);
            pairs++;
        }
    }
    if (al.verbose) std::fprintf(stderr, "Sum: %f Atoms: %d Count: %d\n", s, al.coordCount, pairs);
    double n = al.coordCount;
    al.aRMS = static_cast<float>(std::sqrt(s / (n * n / 4.0)));
    return 0;
}

int fitAlignFill() {
    al.coordCount = 0;
    PDBInfo* ref = al.refPDBInfo;
    for (int i = 0; ref != nullptr && ref->atomList != nullptr && i < ref->atomCount; i++) {
        const AtomInfo* r = &ref->atomList[i];
        if (r->selected != 2 || r->auxInfo == nullptr) continue;
        if (al.coordCount >= al.maxCoords) {
            std::fprintf(stderr, "MERIDO Error (Align) workspace overflow.\n");
            return 1;
        }
        const AtomInfo* a = static_cast<const AtomInfo*>(r->auxInfo);
        al.refCoords[al.coordCount] = {r->x, r->y, r->z};
        al.aCoords[al.coordCount] = {a->x, a->y, a->z};
        al.coordCount++;
    }
    pdbCopyCoords(al.wCoords, al.aCoords, al.coordCount);
    return 0;
}

int fitAlignCoords(const Coord3D* refList, const Coord3D* aList, int count, float* psiPtr,
                   float* thetaPtr, float* phiPtr, float* txPtr, float* tyPtr, float* tzPtr,
                   float* rmsPtr, int matrixFlag, int verbFlag) {
    al.refPDBInfo = al.aPDBInfo = nullptr;
    al.verbose = verbFlag;
    al.coordCount = count > 0 && refList != nullptr && aList != nullptr ? count : 0;
    storeOutputs(psiPtr, thetaPtr, phiPtr, txPtr, tyPtr, tzPtr, rmsPtr, true);
    if (fitAlignAlloc() != 0) {
        std::fprintf(stderr, "MERIDO Error initializing alignment workspaces.\n");
        return 1;
    }
    pdbCopyCoords(al.refCoords, refList, al.coordCount);
    pdbCopyCoords(al.aCoords, aList, al.coordCount);
    pdbCopyCoords(al.wCoords, al.aCoords, al.coordCount);
    int status = matrixFlag != 0 ? fitAlignM() : fitAlign2();
    if (status != 0) {
        std::fprintf(stderr, "MERIDO Error finding alignment.\n");
        return 1;
    }
    storeOutputs(psiPtr, thetaPtr, phiPtr, txPtr, tyPtr, tzPtr, rmsPtr, false);
    return 0;
}

int fitAlignPDB(PDBInfo* refPDBPtr, PDBInfo* aPDBPtr, int res1, int resN, const char* refChain,
                const char* refSeg, int aFirst, const char* aChain, const char* aSeg,
                const char* atomNames, float* psiPtr, float* thetaPtr, float* phiPtr, float* txPtr,
                float* tyPtr, float* tzPtr, int* atomCountPtr, float* rmsPtr, int matrixFlag,
                int verbFlag) {
    al.refPDBInfo = refPDBPtr;
    al.aPDBInfo = aPDBPtr;
    al.verbose = verbFlag;
    storeOutputs(psiPtr, thetaPtr, phiPtr, txPtr, tyPtr, tzPtr, rmsPtr, true);
    if (atomCountPtr != nullptr) *atomCountPtr = 0;
    if (refPDBPtr == nullptr || aPDBPtr == nullptr) return 0;
    pdbClearSelection(refPDBPtr);
    pdbClearAuxInfo(refPDBPtr);
    pdbClearSelection(aPDBPtr);
    pdbClearAuxInfo(aPDBPtr);

    // Empty chain or segment names stand for the structure's defaults and do
    // not restrict the selection.
    auto orEmpty = [](const char* s) { return s != nullptr ? s : ""; };
    const char* mChain = orEmpty(aChain)[0] != '\0' ? aChain : aPDBPtr->defChainName;
    const char* mSeg = orEmpty(aSeg)[0] != '\0' ? aSeg : aPDBPtr->defSegName;

    PDBSelectInfo sel;
    for (int pass = 0; pass < 2; pass++) {
        const bool ref = pass == 0;
        pdbSelectNull(&sel);
        sel.res1 = ref ? res1 : aFirst;
        sel.resN = ref ? resN : aFirst + (resN - res1);
        sel.resIDMode = 1;
        sel.selectMode = 2;
        bool fits = copyList(sel.atomNameList, orEmpty(atomNames));
        const char* chain = ref ? refChain : aChain;
        const char* seg = ref ? refSeg : aSeg;
        if (orEmpty(chain)[0] != '\0') {
            fits = fits && copyList(sel.chainNameList, chain);
            sel.chainNameMode = 1;
        }
        if (orEmpty(seg)[0] != '\0') {
            fits = fits && copyList(sel.segNameList, seg);
            sel.segNameMode = 1;
        }
        if (!fits) {
            std::fprintf(stderr, "MERIDO Error: alignment selection list too long.\n");
            return 1;
        }
        int n = pdbSelect(ref ? refPDBPtr : aPDBPtr, &sel);
        if (verbFlag) {
            std::fprintf(stderr, ref ? "%d Atoms Selected from Reference.\n" : "%d Atoms Selected from Target.\n",
                         n);
        }
    }

    int pairs = 0;
    for (int i = 0; refPDBPtr->atomList != nullptr && i < refPDBPtr->atomCount; i++) {
        AtomInfo* r = &refPDBPtr->atomList[i];
        if (r->selected == 0) continue;
        AtomInfo* a = findAtom(aPDBPtr, aFirst + (r->resID - res1), r->atomName, mChain, mSeg);
        if (a == nullptr || a->selected == 0) continue;
        r->selected = a->selected = 2;
        r->auxInfo = a;
        pairs++;
    }
    if (verbFlag) std::fprintf(stderr, "%d Atoms in Final Selection.\n", pairs);
    if (pairs == 0) return 0;

    al.coordCount = pairs;
    if (fitAlignAlloc() != 0) {
        std::fprintf(stderr, "MERIDO Error initializing alignment workspaces.\n");
        return 1;
    }
    if (fitAlignFill() != 0) return 1;
    int status = matrixFlag != 0 ? fitAlignM() : fitAlign2();
    if (status != 0) {
        std::fprintf(stderr, "MERIDO Error finding alignment.\n");
        return 1;
    }
    if (atomCountPtr != nullptr) *atomCountPtr = pairs;
    storeOutputs(psiPtr, thetaPtr, phiPtr, txPtr, tyPtr, tzPtr, rmsPtr, false);
    return 0;
}

}  // namespace korim::structure
