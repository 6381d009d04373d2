// Stand-alone coupling driver and the segment-search report.
#include "restraints/dcreport.h"
#include "restraints/restab.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstdio>

#include "couplings/dcpairs.h"
#include "couplings/dcwriters.h"
#include "restraints/cspred.h"

namespace korim::restraints {

using couplings::DTable;
using structure::PDBInfo;

namespace {

// Writers and fit run quietly with the short row form.
constexpr int kVerbose = 0;
constexpr float kNoBest = 100000.0f;

// The best placement of the molecule being searched.
struct ReportSModule {
    bool started = false;
    int molCount = 0;
    int res1 = 0, resN = 0;
    float dRMS = kNoBest, csScore = kNoBest, homo = kNoBest, surf = kNoBest;
    float da = 0.0f, dr = 0.0f, aRMS = 0.0f;
};

ReportSModule best;

struct PdbGuard {
    PDBInfo pdb;
    PdbGuard() { structure::pdbNull(&pdb); }
    ~PdbGuard() { structure::pdbFree(&pdb); }
};

// Search report statistics of one placement.
struct PlacementStats {
    float csRMS = 0, csChi2 = 0, csWChi2 = 0, dRMS = 0, dChi2 = 0, hRMS = 0, hMax = 0, sAvg = 0, sMax = 0;
    int nCS = 0, nD = 0, nH = 0, nS = 0;
};

void printReportHeader(FILE* out) {
    std::fprintf(out, "VARS   %s %s %s\n", "SEGID INDEX D_RES1 D_RESN D_COUNT CS_COUNT P_NAME P_RES1 P_RESN P_MAXRES",
                 " DA DR THETA PHI   PSI   D_N D_RMS  D_CHI2 CS_N  CS_RMS CS_CHI2 A_RMS", " HOMO_N HOMO SURF_N SURF");
    std::fprintf(out, "FORMAT %s %s %s\n\n",
                 "%5d   %5d   %3d    %3d    %4d     %4d      %-18s  %3d    %3d    %3d     ",
                 " %.4e %.4e %7.2f %7.2f %7.2f %3d %10.3f %7.3f  %3d   %10.3f %10.3f %10.3f", " %3d %10.3f %3d %10.3f");
}

}  // namespace

void reportSReset() { best = ReportSModule{}; }

int reportDC(const char* pdbName, PDBInfo* pdbInfo, const char* outDName, const char* outCSName, DTable* dTab,
             CSTable* csTab) {
    char remark[1024];
    std::snprintf(remark, sizeof remark, "%s(%d->%d of %d)\n\n", pdbName, pdbInfo->minResID, pdbInfo->maxResID,
                  pdbInfo->resCount);
    couplings::writeDC(outDName, dTab, remark, kVerbose);
    writeCS(outCSName, csTab, remark, kVerbose);
    merReport("REMARK %s(%d->%d of %d)\n", pdbName, pdbInfo->minResID, pdbInfo->maxResID,
                 pdbInfo->resCount);
    if (dTab != nullptr && dTab->dCount > 0) {
        float rms, chi2;
        int n;
        couplings::getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &rms, &chi2, &n);
        merReport("REMARK D_N:  %d D_RMS:  %.3f D_CHI2:  %.3f\n", n, rms, chi2);
    }
    if (csTab != nullptr && csTab->csCount > 0) {
        float rms, chi2, wChi2;
        int n;
        getStatCS(csTab->csList, csTab->csCount, &rms, &chi2, &wChi2, &n);
        merReport("REMARK CS_N: %d CS_RMS: %.3f CS_CHI2: %.3f CS_WCHI2: %.3f\n", n, rms, chi2, wChi2);
    }
    merReport("\n");
    return 0;
}

int simDC_dc(DTable* dTab, CSTable* csTab, const char* /*inDName*/, const char* outDName, const char* /*inCSName*/,
             const char* outCSName, const char* pdbName, int segFirst, int segLast, int aFirst, int excludeMode,
             float* wList, int wCount, int allowFixedDI, int constRMSFlag) {
    PdbGuard g;
    PDBInfo* pdb = &g.pdb;
    const int status = structure::readPDB(pdbName, pdb, nullptr, nullptr);
    if (status != 0) {
        merReport("DC Error Reading PDB File %s\n", pdbName);
        return status;
    }
    structure::updatePDBAngles(pdb, pdb->minResID, pdb->maxResID);
    updatePDBSurf(pdb, pdb->minResID, pdb->maxResID);
    if (csTab != nullptr) selectCS(csTab->csList, csTab->csCount, segFirst, segLast);
    const int n = dTab == nullptr ? 0 : couplings::selectD(dTab->dObsList, dTab->dCount, segFirst, segLast, excludeMode);
    couplings::remarkCouplings(stdout, "selected", n, excludeMode);
    // Clamped to the int range: an offset that large maps no row to the structure.
    const long long wide = static_cast<long long>(aFirst) - segFirst;
    const int offset = wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : static_cast<int>(wide);
    if (csTab != nullptr) buildCS(pdb, csTab, offset, constRMSFlag);
    if (dTab != nullptr) {
        couplings::buildDC(pdb, dTab, offset, segFirst, wList, wCount, allowFixedDI);
        couplings::keepRunWeights(dTab);
        couplings::fitD(pdb, dTab, kVerbose);
    }
    reportDC(pdbName, pdb, outDName, outCSName, dTab, csTab);
    return 0;
}

int reportS(FILE* outUnit, PDBInfo* refInfo, PDBInfo* pdbInfo, DTable* dTab, CSTable* /*csTab*/, int searchCount,
            int molCount, const char* pdbName, int segFirst, int segLast, int segID, int validCountD, int validCountCS,
            int aOff, int aOffLast, int aFirst, int aLast, couplings::DInfo* dObsList, couplings::DInfo* dCalcList,
            int dCount, CSInfo* csList, int csCount, float csThresh, float validThresh, int fitFlag, float aRMS) {
    couplings::DTensor none{};
    couplings::DTensor& t = dTab != nullptr ? dTab->dTensor : none;
    t.da = t.dr = 0.0f;
    std::fill(std::begin(t.psiList), std::end(t.psiList), 0.0f);
    std::fill(std::begin(t.thetaList), std::end(t.thetaList), 0.0f);
    std::fill(std::begin(t.phiList), std::end(t.phiList), 0.0f);
    PlacementStats s;
    getStatCS(csList, csCount, &s.csRMS, &s.csChi2, &s.csWChi2, &s.nCS);
    couplings::getStatDC(dObsList, dCalcList, dCount, &s.dRMS, &s.dChi2, &s.nD);
    if (refInfo != nullptr && pdbInfo != nullptr) {
        getStatHomo(refInfo, pdbInfo, segFirst, segLast, refInfo->defChainName, refInfo->defSegName, aFirst, aLast,
                    pdbInfo->defChainName, pdbInfo->defSegName, fitFlag, &s.hRMS, &s.hMax, &s.nH);
        getStatSurf(refInfo, pdbInfo, segFirst, segLast, refInfo->defChainName, refInfo->defSegName, aFirst, aLast,
                    pdbInfo->defChainName, pdbInfo->defSegName, fitFlag, &s.sAvg, &s.sMax, &s.nS);
    }
    if (outUnit != nullptr) {
        if (searchCount == 1) printReportHeader(outUnit);
        std::fprintf(outUnit, "%5d %5d %3d %3d %4d %4d %-12s %3d %3d %3d % .4e % .4e %7.2f %7.2f %7.2f", segID,
                     molCount, segFirst, segLast, validCountD, validCountCS, pdbName, aFirst, aLast,
                     pdbInfo != nullptr ? pdbInfo->resCount : 0, t.da, t.dr, t.psiList[0], t.thetaList[0],
                     t.phiList[0]);
        std::fprintf(outUnit, " %4d %7.3f %10.2f %4d %7.3f %10.2f %10.3f", s.nD, s.dRMS, s.dChi2, s.nCS, s.csRMS,
                     s.csChi2, aRMS);
        std::fprintf(outUnit, " %3d %10.3f %3d %10.3f", s.nH, s.hRMS, s.nS, s.sAvg);
        std::fprintf(outUnit, "\n");
    }
    if (!best.started || molCount != best.molCount) {
        best = ReportSModule{};
        best.started = true;
        best.molCount = molCount;
        best.res1 = aFirst;
        best.resN = aLast;
    }
    const float fraction = validCountD == 0 ? 0.0f : static_cast<float>(s.nD) / validCountD;
    const float csScore = s.nCS == 0 ? -1.0f : s.csChi2 / s.nCS;
    if (fraction >= validThresh && csThresh >= csScore && s.dRMS < best.dRMS) {
        best.res1 = aFirst;
        best.resN = aLast;
        best.dRMS = s.dRMS;
        best.csScore = s.nCS == 0 ? 0.0f : csScore;
        best.homo = s.hRMS;
        best.surf = s.sAvg;
        best.da = t.da;
        best.dr = t.dr;
        best.aRMS = aRMS;
    }
    if (aOff == aOffLast && outUnit != stdout)
        merReport("%-12s %4d %4d %4d %4d %4d % .4e % .4e %8.2f %9.4f %9.4f %9.4f %9.4f\n", pdbName,
                     molCount, segFirst, segLast, best.res1, best.resN, best.da, best.dr, best.aRMS, best.dRMS,
                     best.csScore, best.homo, best.surf);
    return 0;
}

}  // namespace korim::restraints
