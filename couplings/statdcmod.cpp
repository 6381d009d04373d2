// Reduced forms of the coupling-table writer's agreement statistics.
#include "couplings/writedc.h"

namespace korim::couplings {

namespace {

// The full statistics, every result zeroed first so that none continues from the caller's.
struct FullStats {
    float rms = 0, chi2 = 0, stdDev = 0, q = 0, qIso = 0, corr = 0;
    float offset = 0, errOffset = 0, slope = 0, errSlope = 0, aveSlope = 0, errAveSlope = 0;
    int n = 0;
    int run(const DTable* dTab) {
        return getStatDCmod(dTab, &rms, &chi2, &stdDev, &q, &qIso, &corr, &offset, &errOffset,
                            &slope, &errSlope, &aveSlope, &errAveSlope, &n);
    }
};

}  // namespace

int getStatDCmodB(const DTable* dTab, float* rSumD2, float* qIsoD, int* nD) {
    FullStats s;
    const int status = s.run(dTab);
    if (status != 0) s = FullStats{};
    *rSumD2 = s.rms;
    *qIsoD = s.qIso;
    *nD = s.n;
    return status;
}

int getStatDCmodC(const DTable* dTab, float* rSumD2, float* pSumD, float* qIsoD, float* coorR,
                  int* nD) {
    FullStats s;
    const int status = s.run(dTab);
    if (status != 0) s = FullStats{};
    *rSumD2 = s.rms;
    *pSumD = s.chi2;
    *qIsoD = s.qIso;
    *coorR = s.corr;
    *nD = s.n;
    return status;
}

}  // namespace korim::couplings
