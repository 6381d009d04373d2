// Coupling-table records (tensor, rows, tables), their defaults and release, and coupling statistics.
#include <cmath>
#include <cstring>

#include "couplings/dc.h"
#include "foundation/memory.h"

namespace korim::couplings {

using namespace korim::foundation;

namespace {
constexpr float kTwoThirds = 0.6666667f;

// A pair k is compared when both rows are valid and neither coupling is above the usable limit.
bool usable(const DInfo& row) { return row.valid && row.d <= kDcUsableMax; }
}  // namespace

int dTensorNull(DTensor* t) {
    t->da = 0.001f;
    t->daMin = -0.01f;
    t->daMax = 0.01f;
    t->dr = 0.0001f;
    t->drMin = -0.01f;
    t->drMax = 0.01f;
    t->rh = 0.5f;
    t->rhMin = 0.0f;
    t->rhMax = kTwoThirds;
    t->psi = t->theta = t->phi = 45.0f;
    t->psiMin = t->thetaMin = t->phiMin = -360.0f;
    t->psiMax = t->thetaMax = t->phiMax = 360.0f;
    for (int k = 0; k < kMaxEuler; ++k) t->psiList[k] = t->thetaList[k] = t->phiList[k] = 0.0f;
    for (int k = 0; k < 5; ++k) t->saupe[k] = t->dSaupe[k] = t->userSaupe[k] = 0.0f;
    for (int k = 0; k < 3; ++k) t->eigVal[k] = 0.0f;
    t->tensorMode = kTensorSVD;
    t->eulerFlag = 1;
    t->rhFlag = 0;
    t->eulerCount = 0;
    return 0;
}

int dTabNull(DTable* dTab) {
    dTensorNull(&dTab->dTensor);
    dTab->dObsList = nullptr;
    dTab->dCalcList = nullptr;
    dTab->dCount = 0;
    dTab->maxCount = 0;
    dTab->dMinRes = 0;
    dTab->dMaxRes = 0;
    dTab->workSize = 0;
    dTab->work = nullptr;
    dTab->nullChainName = 1;
    dTab->nullSegName = 1;
    return 0;
}

int dTabFree(DTable* dTab) {
    if (dTab == nullptr) return 0;
    if (dTab->dCount != 0) {
        const int bytes = dTab->dCount * static_cast<int>(sizeof(DInfo));
        unAlloc("dc", dTab->dCalcList, bytes);
        unAlloc("dc", dTab->dObsList, bytes);
        unAlloc("dc", dTab->work, dTab->workSize * static_cast<int>(sizeof(float)));
    }
    return dTabNull(dTab);
}

int dTabListNull(DTableList* dTabList) {
    dTabList->dTabCount = 0;
    return 0;
}

int resetDC(DInfo* dList, int dCount) {
    for (int k = 0; k < dCount; ++k) {
        DInfo& r = dList[k];
        r.id = r.absFlag = r.count = r.valid = 0;
        r.resIDI = r.resIDJ = kNoResID;
        r.resNameI[0] = r.resNameJ[0] = '\0';
        r.atomNameI[0] = r.atomNameJ[0] = '\0';
        r.chainNameI[0] = r.chainNameJ[0] = '\0';
        r.segNameI[0] = r.segNameJ[0] = '\0';
        r.d = kDcMissing;
        r.di = 0.0f;
        r.w = r.s = r.fc = 1.0f;
        r.sigma = 0.0f;
        r.diFixedFlag = 0;
        for (int a = 0; a < kMaxDcAtoms; ++a) r.atomI[a] = r.atomJ[a] = nullptr;
        r.atomICount = r.atomJCount = 0;
    }
    return 0;
}

// ---- statistics ----

int getStatDC2(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
               int* nD) {
    int count = 0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o)) continue;
        ++count;
        if (!usable(c)) continue;
        const float delta = o.d - c.d;
        const float sig = o.sigma == 0.0f ? 1.0f : o.sigma;
        const float q = delta / sig;  // rounded to single precision before squaring
        *rSumD += c.w * c.w * delta * delta;
        *pSumD += q * q;
        *nD += 1;
    }
    return count;
}

int getStatDC(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
              int* nD) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = 0;
    const int count = getStatDC2(dObsList, dCalcList, dCount, rSumD, pSumD, nD);
    *rSumD = *nD > 0 ? std::sqrt(*rSumD / *nD) : 0.0f;
    return count;
}

int getStatDCQR(DInfo* dObsList, DInfo* dCalcList, int dCount, float* q, float* r, int* nD) {
    *q = 0.0f;
    *r = 0.0f;
    *nD = 0;
    if (dCount < 1) return 0;
    int count = 0;
    int m = 0;
    double sumObs = 0.0, sumCalc = 0.0, a2 = 0.0, b2 = 0.0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o)) continue;
        ++count;
        if (!usable(c)) continue;
        ++m;
        sumObs += o.d;
        sumCalc += c.d;
        const double wd = c.w * (o.d - c.d);
        a2 += wd * wd;
        b2 += static_cast<double>(o.d) * o.d;
    }
    if (m == 0) return count;
    *nD = m;
    if (b2 != 0.0) *q = static_cast<float>(std::sqrt(a2 / b2));
    const double meanObs = sumObs / m;
    const double meanCalc = sumCalc / m;
    double sac = 0.0, saa = 0.0, scc = 0.0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o) || !usable(c)) continue;
        const double a = c.w * o.d - meanObs;
        const double b = c.w * c.d - meanCalc;
        sac += a * b;
        saa += a * a;
        scc += b * b;
    }
    if (saa != 0.0 && scc != 0.0) *r = static_cast<float>(sac / (std::sqrt(saa) * std::sqrt(scc)));
    return count;
}

int getStatDCN(DTable** /*dTabList*/, float* rSumD, float* pSumD, int* nD) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = 0;
    return 0;
}

}  // namespace korim::couplings
