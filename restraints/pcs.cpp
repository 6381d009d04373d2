// Pseudo-contact shifts: centres, nucleus positions, the tensor fit, statistics and writers.
#include "restraints/pcs.h"
#include "restraints/restab.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <cmath>
#include <cstring>

#include "couplings/dc.h"
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/svdpoly.h"
#include "foundation/token.h"

namespace korim::restraints {

using couplings::DTensor;
using structure::PDBInfo;

namespace {

constexpr int kElems = 5;  // tensor elements per centre

// The five direction functions for the unit vector from (xi, yi, zi) to (xj, yj, zj), in the
// order of the Saupe elements; all 0 when the points coincide.
void directionFuncs(float xi, float yi, float zi, float xj, float yj, float zj, double b[kElems]) {
    double ux = xj - xi, uy = yj - yi, uz = zj - zi;
    const double r = std::sqrt(ux * ux + uy * uy + uz * uz);
    if (r > 0.0) {
        ux /= r;
        uy /= r;
        uz /= r;
    } else {
        ux = uy = uz = 0.0;
    }
    b[0] = 0.5 * (3.0 * uz * uz - 1.0);
    b[1] = 0.5 * (ux * ux - uy * uy);
    b[2] = 2.0 * ux * uy;
    b[3] = 2.0 * ux * uz;
    b[4] = 2.0 * uy * uz;
    if (r == 0.0) b[0] = 0.0;
}

constexpr const char* kNoAtomMap = "MERIDO Warning: No Atom Map for PCS:\n";

void warnAtom(const char* heading, int resID, const char* resName, const char* atomName, const char* segName,
              const char* chainName) {
    merReport("%s", heading);
    merReport("   ResID: %4d ResName: %4s AtomName: %4s Seg: %4s Chain: %4s\n", resID, resName, atomName,
                 segName, chainName);
}

bool isCentreLine(const char* text) {
    if (text == nullptr || foundation::cntToken(text) < 2) return false;
    if (strcasecmp(foundation::getToken(1, text), "DATA") != 0) return false;
    return strcasecmp(foundation::getToken(2, text), "PARAMAGNETIC") == 0;
}

// One centre from its header line: residue ID, residue, atom, segment and chain names.
void readCentre(const char* text, PCSInfo* pcs, CSTable* csTab) {
    pcs->resID = foundation::getTokenI(3, text);
    char* fields[] = {pcs->resName, pcs->atomName, pcs->segName, pcs->chainName};
    for (int k = 0; k < 4; k++) {
        if (foundation::cntToken(text) < 4 + k) break;
        structure::pdbStrCpy(fields[k], foundation::getToken(4 + k, text));
    }
    structure::fixResName(pcs->resName);
    structure::fixAtomName(pcs->atomName);
    structure::fixSegName(pcs->segName);
    structure::fixChainName(pcs->chainName);
    if (pcs->chainName[0] != '\0') csTab->nullPCSChainName = 0;
    if (pcs->segName[0] != '\0') csTab->nullPCSSegName = 0;
}

}  // namespace

int resetPCS(PCSInfo* pcsList, int count) {
    for (int i = 0; pcsList != nullptr && i < count; i++) {
        DTensor* tensor = pcsList[i].dTensor;
        pcsList[i] = PCSInfo{};
        pcsList[i].resID = kCsNoResID;
        pcsList[i].gamma = 1.0f;
        pcsList[i].fc = 1.0f;
        pcsList[i].dTensor = tensor;
        if (tensor != nullptr) couplings::dTensorNull(tensor);
    }
    return 0;
}

int pcsTensorsFree(PCSInfo* pcsList, int count) {
    // The tensors of a list are one block, reached through the first centre.
    if (pcsList == nullptr || count < 1 || pcsList[0].dTensor == nullptr) return 0;
    foundation::unAlloc("cs", pcsList[0].dTensor, count * static_cast<int>(sizeof(DTensor)));
    for (int i = 0; i < count; i++) pcsList[i].dTensor = nullptr;
    return 0;
}

int getPCSInfo(CSTable* csTab, const foundation::hdrList* hdrBase) {
    if (csTab == nullptr || hdrBase == nullptr) return 0;
    int count = 0;
    for (const foundation::hdrList* h = hdrBase; h != nullptr; h = h->next) count += isCentreLine(h->text);
    if (count == 0) return 0;
    const long long bytes = foundation::checkedCount({count, static_cast<long long>(sizeof(PCSInfo))});
    const long long tensorBytes = foundation::checkedCount({count, static_cast<long long>(sizeof(DTensor))});
    if (bytes < 0 || tensorBytes < 0) return 1;
    auto* list = static_cast<PCSInfo*>(foundation::voidMalloc("cs", static_cast<int>(bytes)));
    if (list == nullptr) return 1;
    auto* tensors = static_cast<DTensor*>(foundation::voidMalloc("cs", static_cast<int>(tensorBytes)));
    if (tensors == nullptr) {
        foundation::unAlloc("cs", list, static_cast<int>(bytes));
        return 1;
    }
    csTab->pcsList = list;
    csTab->pcsCount = count;
    for (int i = 0; i < count; i++) list[i].dTensor = &tensors[i];
    resetPCS(list, count);
    int i = 0;
    for (const foundation::hdrList* h = hdrBase; h != nullptr; h = h->next)
        if (isCentreLine(h->text)) readCentre(h->text, &list[i++], csTab);
    return 0;
}

int mapPCSInfo(PDBInfo* pdbInfo, CSTable* csTab) {
    csTab->validPCSCount = 0;
    if (pdbInfo == nullptr || csTab->pcsCount < 1) return 0;
    const char* const noSuffix[] = {""};
    for (int j = 0; j < csTab->pcsCount; j++) {
        PCSInfo* pcs = &csTab->pcsList[j];
        const AtomRef ref{&pcs->resID, pcs->resName, pcs->atomName, pcs->chainName, pcs->segName, &pcs->atom};
        pcs->valid = mapAtomRefs(pdbInfo, &ref, 1, noSuffix, csTab->nullPCSChainName, csTab->nullPCSSegName, 0,
                                 kNoAtomMap);
        if (!pcs->valid) continue;
        pcs->x = pcs->atom->x;
        pcs->y = pcs->atom->y;
        pcs->z = pcs->atom->z;
        csTab->validPCSCount++;
    }
    return csTab->validPCSCount;
}

int buildCSXYZInfo(PDBInfo* pdbInfo, CSTable* csTab) {
    if (pdbInfo == nullptr || csTab == nullptr || csTab->csCount < 1) return 0;
    int n = 0;
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        cs->atomCount = 0;
        std::fill(std::begin(cs->atomList), std::end(cs->atomList), nullptr);
        cs->x = cs->y = cs->z = 0.0f;
        if (!cs->valid) continue;
        const char* chain = csTab->nullChainName ? pdbInfo->defChainName : cs->chainName;
        const char* seg = csTab->nullSegName ? pdbInfo->defSegName : cs->segName;
        cs->atomCount = structure::findAtomList(pdbInfo, cs->resID, cs->atomName, chain, seg, cs->atomList);
        if (cs->atomCount < 1) {
            cs->atomCount = 0;
            cs->valid = 0;
            warnAtom(kNoAtomMap, cs->resID, cs->resName, cs->atomName, cs->segName,
                     cs->chainName);
            continue;
        }
        double x = 0.0, y = 0.0, z = 0.0;
        for (int k = 0; k < cs->atomCount; k++) {
            x += cs->atomList[k]->x;
            y += cs->atomList[k]->y;
            z += cs->atomList[k]->z;
        }
        cs->x = static_cast<float>(x / cs->atomCount);
        cs->y = static_cast<float>(y / cs->atomCount);
        cs->z = static_cast<float>(z / cs->atomCount);
        n++;
    }
    return n;
}

int buildPCS(PDBInfo* pdbInfo, CSTable* csTab) {
    csTab->validPCSCount = 0;
    csTab->validCSCount = 0;
    if (pdbInfo == nullptr || csTab->csCount < 1 || csTab->pcsCount < 1) return 0;
    mapPCSInfo(pdbInfo, csTab);
    csTab->validCSCount = buildCSXYZInfo(pdbInfo, csTab);
    return csTab->validCSCount * csTab->validPCSCount;
}

int findG(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ, const float* zJ,
          const float* gammaI, const float* gammaJ, const float* dVal, const float* dSigma, float* saupe,
          float* dSaupe, float* covar, float* xWork, float* yWork, int countI, int countJ) {
    const int nCoef = kElems * countJ;
    std::fill(saupe, saupe + nCoef, 0.0f);
    std::fill(dSaupe, dSaupe + nCoef, 0.0f);
    std::fill(covar, covar + static_cast<long>(nCoef) * nCoef, 0.0f);
    int rows = 0;  // shifts with data, packed at the front of the work lists
    for (int i = 0; i < countI; i++) rows += gammaI[i] != 0.0f;
    if (nCoef > rows || nCoef < 1) return 1;
    int row = 0;
    for (int i = 0; i < countI; i++) {
        if (gammaI[i] == 0.0f) continue;
        float* coef = xWork + static_cast<long>(row) * nCoef;
        double wy = 0.0;
        for (int j = 0; j < countJ; j++) {
            const double g = std::fabs(static_cast<double>(gammaI[i]) * gammaJ[j]);
            const double q = g == 0.0 ? 0.0 : 1.0 / g;
            const double sigma = q * dSigma[i];
            const double w = sigma == 0.0 ? 1.0 : 1.0 / sigma;
            double b[kElems];
            directionFuncs(xI[i], yI[i], zI[i], xJ[j], yJ[j], zJ[j], b);
            for (int k = 0; k < kElems; k++) coef[kElems * j + k] = g == 0.0 ? 0.0f : static_cast<float>(w * b[k]);
            if (g != 0.0) wy = w * q * dVal[i];
        }
        yWork[row++] = static_cast<float>(wy);
    }
    foundation::svdLSMat(xWork, yWork, rows, nCoef, saupe, covar, 1);
    for (int k = 0; k < nCoef; k++) {
        const float v = covar[static_cast<long>(k) * nCoef + k];
        dSaupe[k] = v > 0.0f ? std::sqrt(v) : 0.0f;
    }
    return 0;
}

int findPCS(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ, const float* zJ,
            const float* gammaI, const float* gammaJ, float* dVal, float* dSigma, const float* saupe,
            const float* dSaupe, int countI, int countJ) {
    for (int i = 0; i < countI; i++) {
        double v = 0.0, s = 0.0;
        for (int j = 0; j < countJ; j++) {
            const double g = std::fabs(static_cast<double>(gammaI[i]) * gammaJ[j]);
            double b[kElems];
            directionFuncs(xI[i], yI[i], zI[i], xJ[j], yJ[j], zJ[j], b);
            for (int k = 0; k < kElems; k++) {
                v += g * b[k] * saupe[kElems * j + k];
                const double e = dSaupe[kElems * j + k] * b[k] * g;
                s += e * e;
            }
        }
        dVal[i] = static_cast<float>(v);
        dSigma[i] = static_cast<float>(s);
    }
    return 0;
}

int fitPCS(PDBInfo* pdbInfo, CSTable* csTab, int /*verbose*/) { return fitPCSSVD(pdbInfo, csTab); }

int fitPCSSVD(PDBInfo* /*pdbInfo*/, CSTable* csTab) {
    const int c = csTab->csCount, p = csTab->pcsCount;
    if (csTab->work == nullptr || c < 1 || p < 1) return 0;
    std::fill(csTab->work, csTab->work + csTab->workSize, 0.0f);
    float* at = csTab->work;
    auto take = [&at](long n) { float* a = at; at += n; return a; };
    float *xI = take(c), *yI = take(c), *zI = take(c), *gammaI = take(c), *dVal = take(c), *dSigma = take(c);
    float *xJ = take(p), *yJ = take(p), *zJ = take(p), *gammaJ = take(p);
    float *saupe = take(kElems * p), *dSaupe = take(kElems * p);
    float *covar = take(25L * p * p), *xWork = take(5L * c * p), *yWork = take(c);
    for (int i = 0; i < c; i++) {
        const CSInfo* cs = &csTab->csList[i];
        if (!cs->valid) continue;
        xI[i] = cs->x;
        yI[i] = cs->y;
        zI[i] = cs->z;
        gammaI[i] = 1.0f;
        dVal[i] = cs->shift;
        dSigma[i] = 1.0f;
    }
    for (int j = 0; j < p; j++) {
        const PCSInfo* pcs = &csTab->pcsList[j];
        if (!pcs->valid || pcs->atom == nullptr) continue;
        xJ[j] = pcs->atom->x;
        yJ[j] = pcs->atom->y;
        zJ[j] = pcs->atom->z;
        gammaJ[j] = 1.0f;
    }
    findG(xI, yI, zI, xJ, yJ, zJ, gammaI, gammaJ, dVal, dSigma, saupe, dSaupe, covar, xWork, yWork, c, p);
    findPCS(xI, yI, zI, xJ, yJ, zJ, gammaI, gammaJ, dVal, dSigma, saupe, dSaupe, c, p);
    for (int i = 0; i < c; i++)
        if (csTab->csList[i].valid) csTab->csList[i].predShift = dVal[i];
    for (int j = 0; j < p; j++) {
        PCSInfo* pcs = &csTab->pcsList[j];
        if (!pcs->valid || pcs->dTensor == nullptr) continue;
        DTensor* t = pcs->dTensor;
        std::copy(saupe + kElems * j, saupe + kElems * (j + 1), t->saupe);
        std::copy(dSaupe + kElems * j, dSaupe + kElems * (j + 1), t->dSaupe);
        t->eulerCount = couplings::saupe2euler(t->saupe, t->psiList, t->thetaList, t->phiList, t->eigVal, &t->da,
                                               &t->dr);
    }
    return 0;
}

int getStatPCS(const CSInfo* csList, int csCount, float* rSumCS, float* pSumCS, int* nCS) {
    float wSum;
    return shiftStats(csList, csCount, 0, rSumCS, pSumCS, &wSum, nCS);
}

int wrPCSInfo(FILE* outUnit, const CSTable* csTab) {
    if (csTab == nullptr || csTab->pcsCount < 1 || csTab->pcsList == nullptr) return 0;
    std::fprintf(outUnit, "\n");
    for (int j = 0; j < csTab->pcsCount; j++) {
        const PCSInfo* p = &csTab->pcsList[j];
        std::fprintf(outUnit, "DATA PARAMAGNETIC %3d %-4s %-4s %-4s %-4s\n", p->resID, p->resName, p->atomName,
                     p->segName, p->chainName);
    }
    return 0;
}

int wrPCSTensor(FILE* outUnit, const CSTable* csTab) {
    if (csTab == nullptr || csTab->pcsCount < 1 || csTab->pcsList == nullptr) return 0;
    static const DTensor kNoTensor{};
    auto tensor = [csTab](int j) { return csTab->pcsList[j].dTensor ? csTab->pcsList[j].dTensor : &kNoTensor; };
    std::fprintf(outUnit, "\n");
    for (int j = 0; j < csTab->pcsCount; j++) {
        const float* s = tensor(j)->saupe;
        std::fprintf(outUnit, "DATA PCS_TENSOR % .3e % .3e % .3e % .3e % .3e\n", s[0], s[1], s[2], s[3], s[4]);
    }
    std::fprintf(outUnit, "\n");
    for (int j = 0; j < csTab->pcsCount; j++)
        std::fprintf(outUnit, "DATA PCS_DADR % .4e % .4e\n", tensor(j)->da, tensor(j)->dr);
    std::fprintf(outUnit, "\n");
    for (int j = 0; j < csTab->pcsCount; j++)
        std::fprintf(outUnit, "DATA PCS_EULER % 7.2f % 7.2f % 7.2f\n", tensor(j)->psiList[0], tensor(j)->thetaList[0],
                     tensor(j)->phiList[0]);
    std::fprintf(outUnit, "\n");
    return 0;
}

int writePCS(const char* outName, CSTable* csTab, const char* remark, int verbose) {
    if (csTab == nullptr || csTab->csList == nullptr || csTab->csCount < 1) return 0;
    float rms, chi2;
    int n;
    getStatPCS(csTab->csList, csTab->csCount, &rms, &chi2, &n);
    FILE* out = csOpenOutput(outName);
    std::fprintf(out, "REMARK MERIDO Pseudo-Contact Shift Simulation.\n\n");
    if (remark != nullptr) std::fprintf(out, "REMARK %s\n\n", remark);
    std::fprintf(out, "DATA N     %d\n", n);
    std::fprintf(out, "DATA RMS   %.3f\n", rms);
    std::fprintf(out, "DATA Chi2  %.3f\n", chi2);
    structure::wrSeqInfo(out, csTab->seqInfo);
    if (csTab->pcsCount > 0) std::fprintf(out, "\n");
    wrPCSInfo(out, csTab);
    wrPCSTensor(out, csTab);
    if (verbose)
        csWriteColumns(out, csTab, " CS_OBS SHIFT CS_DIFF SIGMA W", " %%9.3f %%9.3f %%9.3f %%9.3f %%.2f\n\n");
    else
        csWriteColumns(out, csTab, " SHIFT SIGMA W", " %%9.3f %%9.3f %%.2f\n\n");
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        if (!cs->valid) continue;
        csWriteAtom(out, csTab, cs);
        if (verbose) {
            const float diff = cs->predShift > kCsValueMax ? kCsNoValue : cs->shift - cs->predShift;
            std::fprintf(out, " % 9.3f % 9.3f % 9.3f %9.3f %.2f\n", cs->shift, cs->predShift, diff, cs->sigma, cs->w);
        } else {
            std::fprintf(out, "% 9.3f % 9.3f %.2f\n", cs->predShift, cs->sigma, cs->w);
        }
    }
    merCloseOutput(out);
    return 0;
}

}  // namespace korim::restraints
