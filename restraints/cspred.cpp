// Shift prediction, conformation and homology scores, and the phi/psi scan of one residue.
#include "restraints/cspred.h"
#include "restraints/restab.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "restraints/surf.h"

namespace korim::restraints {

using structure::PDBInfo;
using structure::ResInfo;

namespace {

constexpr int kScanPoints = 361;      // phi and psi from -180 to 180 degrees in steps of 1
constexpr int kScanMaxShifts = 7;     // shifts of one residue used by the scan
constexpr float kScanConfMin = 10.0f; // conformation value below which a point is not evaluated
constexpr float kScanBig = 1.0e17f;

float surfValue(const structure::PhiPsiSurface* surf, float phi, float psi) {
    const int cell = surfCell(surf, phi, psi);
    return cell < 0 ? kSurfNoValue : surf->value[cell];
}

bool defined(const ResInfo* res) { return res->phi <= kAngleUndefined && res->psi <= kAngleUndefined; }

// Residue name for the homology look-up: "xPRO" for a residue other than PRO or GLY before a PRO.
const char* homoName(PDBInfo* pdb, const ResInfo* res, const char* chain, const char* seg, int xPROFlag) {
    if (!xPROFlag || strcasecmp(res->resName, "PRO") == 0 || strcasecmp(res->resName, "GLY") == 0)
        return res->resName;
    const ResInfo* next = structure::findRes(pdb, res->resID + 1, chain, seg);
    return next != nullptr && strcasecmp(next->resName, "PRO") == 0 ? "xPRO" : res->resName;
}

// outName with its first "%d" replaced by the residue number; nothing else is interpreted.
std::string scanOutName(const char* outName, int resID) {
    std::string name(outName);
    const size_t at = name.find("%d");
    if (at != std::string::npos) name.replace(at, 2, std::to_string(resID));
    return name;
}

}  // namespace

int buildCS(PDBInfo* pdbInfo, CSTable* csTab, int aOff, int constRMSFlag) {
    csTab->validCSCount = 0;
    if (pdbInfo == nullptr) return 0;
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        cs->predShift = cs->secShift = cs->sigma = kCsNoValue;
        if (!cs->valid || cs->surf == nullptr) continue;
        const char* chain = csTab->nullChainName ? pdbInfo->defChainName : cs->chainName;
        const char* seg = csTab->nullSegName ? pdbInfo->defSegName : cs->segName;
        cs->res = structure::findRes(pdbInfo, couplings::shiftedResID(cs->resID, aOff), chain, seg);
        if (cs->res == nullptr || !defined(cs->res)) continue;
        float val, density, dev;
        getSurfVal(cs->surf, cs->res->phi, cs->res->psi, &val, &density, &dev);
        if (constRMSFlag) dev = cs->surf->avgDev;
        if (density < cs->surf->thresh) continue;
        cs->secShift = val;
        cs->sigma = dev;
        if (val <= kCsValueMax && cs->rcShift <= kCsValueMax) {
            cs->predShift = val + cs->rcShift;
            csTab->validCSCount++;
        }
    }
    return csTab->validCSCount;
}

int getStatSurf(PDBInfo* refInfo, PDBInfo* pdbInfo, int res1, int resN, const char* rChainName, const char* rSegName,
                int a1, int /*aN*/, const char* aChainName, const char* aSegName, int xPROFlag, float* sAvg,
                float* sMax, int* nS) {
    *sAvg = *sMax = 0.0f;
    *nS = 0;
    if (refInfo == nullptr || pdbInfo == nullptr) return 0;
    for (int r = res1; r <= resN; r++) {
        ResInfo* ref = structure::findRes(refInfo, r, rChainName, rSegName);
        ResInfo* res = structure::findRes(pdbInfo, a1 + (r - res1), aChainName, aSegName);
        if (ref == nullptr || res == nullptr || !defined(res)) continue;
        if (ref->phiPsiSurf == nullptr || ref->phiPsiSurf->obsCount == 0) continue;
        if (!xPROFlag && strcasecmp(ref->phiPsiSurf->surfName, "xPRO") == 0) {
            setPhiPsiSurf(ref, 1, 0);
            if (ref->phiPsiSurf == nullptr || ref->phiPsiSurf->obsCount == 0) continue;
        }
        const float v = surfValue(ref->phiPsiSurf, res->phi, res->psi);
        const double m = ref->phiPsiSurf->maxVal;
        double s = (m == 0.0 || v < 1.0 / m) ? std::log(m) : -std::log(v / m);
        if (!(s > 0.0)) s = 0.0;
        ref->val = res->val = static_cast<float>(s);
        if (*nS == 0 || s > *sMax) *sMax = static_cast<float>(s);
        *sAvg += static_cast<float>(s);
        (*nS)++;
    }
    if (*nS > 0) *sAvg /= *nS;
    return 0;
}

int getStatHomo(PDBInfo* refInfo, PDBInfo* pdbInfo, int res1, int resN, const char* rChainName, const char* rSegName,
                int a1, int /*aN*/, const char* aChainName, const char* aSegName, int xPROFlag, float* hRMS,
                float* hMax, int* nH) {
    *hRMS = *hMax = 0.0f;
    *nH = 0;
    if (refInfo == nullptr || pdbInfo == nullptr || !haveHomoTab()) return 0;
    double sumSq = 0.0;
    for (int r = res1; r <= resN; r++) {
        ResInfo* ref = structure::findRes(refInfo, r, rChainName, rSegName);
        ResInfo* res = structure::findRes(pdbInfo, a1 + (r - res1), aChainName, aSegName);
        if (ref == nullptr || res == nullptr) continue;
        float h;
        getHomoVal(homoName(refInfo, ref, rChainName, rSegName, xPROFlag),
                   homoName(pdbInfo, res, aChainName, aSegName, xPROFlag), &h);
        ref->val = res->val = h;
        if (h > 666666.0f) continue;
        if (*nH == 0 || h > *hMax) *hMax = h;
        sumSq += static_cast<double>(h) * h;
        (*nH)++;
    }
    if (*nH > 0) *hRMS = static_cast<float>(std::sqrt(sumSq / *nH));
    return 0;
}

int updatePDBSurf(PDBInfo* pdbInfo, int res1, int resN) {
    if (pdbInfo == nullptr) return 0;
    for (int i = 0; i < pdbInfo->resCount; i++) {
        ResInfo* res = &pdbInfo->resList[i];
        if (res->resID < res1 || res->resID > resN || res->phiPsiSurf == nullptr) continue;
        const float v = surfValue(res->phiPsiSurf, res->phi, res->psi);
        res->val = v == 0.0f ? 0.0f : res->phiPsiSurf->obsCount / v;
    }
    return 0;
}

int scanPDBShifts(PDBInfo* pdbInfo, CSTable* csTab, int resID, float* phi, float* psi, float* score, float* avg,
                  const char* outName) {
    *phi = *psi = kSurfNoValue;
    *score = kScanBig;
    if (pdbInfo == nullptr || structure::findRes(pdbInfo, resID, pdbInfo->defChainName, pdbInfo->defSegName) == nullptr)
        return 0;
    return findBestCSPhiPsi(pdbInfo, csTab, resID, phi, psi, score, avg, outName);
}

int findBestCSPhiPsi(PDBInfo* /*pdbInfo*/, CSTable* csTab, int resID, float* phi, float* psi, float* score,
                     float* avg, const char* outName) {
    *phi = *psi = *score = *avg = kCsNoValue;
    int surfCount;
    structure::PhiPsiSurface* list = getSurfList(&surfCount);
    if (surfCount < 1 || list == nullptr) return 0;
    structure::PhiPsiSurface* zero = &list[surfCount - 1];
    if (zero->value == nullptr) {
        merReport("CS Scan Error: no zero surface.\n");
        return 0;
    }
    if (zero->phiCount != kScanPoints || zero->psiCount != kScanPoints) {
        merReport("CS Scan Error: zero surface is not 361x361 points.\n");
        return 0;
    }
    std::fill(zero->value, zero->value + kScanPoints * kScanPoints, -1.0f);
    const CSInfo* shifts[kScanMaxShifts];
    int n = 0;
    for (int i = 0; i < csTab->csCount; i++) {
        const CSInfo* cs = &csTab->csList[i];
        if (cs->resID != resID || cs->res == nullptr || cs->surf == nullptr) continue;
        if (cs->shift > kCsValueMax || cs->rcShift > kCsValueMax) continue;
        if (n == kScanMaxShifts) {
            merReport("MERIDO Shift Count Too Large, Residue %d.\n", resID);
            break;
        }
        shifts[n++] = cs;
    }
    long total = 0, good = 0;
    float best = kScanBig, largest = -kScanBig;
    float bestPhi = kCsNoValue, bestPsi = kCsNoValue;
    for (int p = 180; p >= -180; p--) {
        for (int q = -180; q <= 180; q++) {
            int evaluated = 0, within = 0;
            double sum = 0.0;
            for (int k = 0; k < n; k++) {
                const CSInfo* cs = shifts[k];
                const structure::PhiPsiSurface* conf = cs->res->phiPsiSurf;
                if (conf != nullptr && surfValue(conf, p, q) < kScanConfMin) continue;
                float val, density, dev;
                getSurfVal(cs->surf, p, q, &val, &density, &dev);
                if (density < cs->surf->thresh) continue;
                const double z = ((cs->shift - cs->rcShift) - val) / (dev == 0.0f ? 1.0f : dev);
                within += z > -2.0 && z < 2.0;
                sum += z * z;
                evaluated++;
                total++;
            }
            if (evaluated != n || n == 0) continue;
            good += within == n;
            const float ms = static_cast<float>(sum / n);
            zero->value[(p + 180) + (q + 180) * kScanPoints] = ms;
            if (ms > largest) largest = ms;
            if (std::sqrt(ms) < best) {
                best = std::sqrt(ms);
                bestPhi = static_cast<float>(p);
                bestPsi = static_cast<float>(q);
            }
        }
    }
    float goodShare = 0.0f;
    if (total > 0) {
        for (int c = 0; c < kScanPoints * kScanPoints; c++)
            zero->value[c] = zero->value[c] >= 0.0f ? largest - zero->value[c] : 0.0f;
        goodShare = 100.0f * good / total;
    }
    *phi = bestPhi;
    *psi = bestPsi;
    *score = best;
    *avg = goodShare;
    if (outName != nullptr && outName[0] != '\0') surfWrite2D(scanOutName(outName, resID).c_str(), zero);
    return static_cast<int>(total);
}

}  // namespace korim::restraints
