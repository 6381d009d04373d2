// Short coupling-table writers: the compact table with statistics and tensor records (writeDC)
// and the short table of valid calculated rows (writeDcTq).
#include "couplings/dcwriters.h"

#include <cstdio>

#include "couplings/writedc.h"

namespace korim::couplings {

namespace {

bool nothingToWrite(const DTable* t) {
    return t == nullptr || t->dCount <= 0 || t->dObsList == nullptr || t->dCalcList == nullptr;
}

// The tensor-mode record of writeDC; nothing for modes 0, 3 and 4.
void writeDCTensorMode(FILE* out, const DTensor* t) {
    switch (t->tensorMode) {
        case kTensorSVD:
        case kTensorSaupe:
            reportTensorMode(out, t);
            break;
        case kTensorFixed:
            std::fprintf(out, "DATA TENSOR_MODE FIXED%s",
                         t->rhFlag ? " (Fixed Da and Rhombicity, Fixed Rotations)\n"
                                   : " (Fixed Da and Dr, Fixed Rotations)\n");
            break;
        case kTensorSteric:
            std::fprintf(out, "DATA TENSOR_MODE STERIC (Brandolimeer Method)\n");
            break;
        case kTensorElectrostatic:
            std::fprintf(out, "DATA TENSOR_MODE ELECTROSTATIC (Brandolimeer Method)\n");
            break;
        case kTensorFitNonlin:
            std::fprintf(out, "DATA TENSOR_MODE FIT_NONLIN (Variation of Da, Dr or Rh, or "
                              "Rotations)\n\n");
            // The shorter wording as a remark: a bare text line would read back as a row.
            std::fprintf(out, "REMARK (Variation of Da, Dr or Rotations)\n\n");
            std::fprintf(out, "DATA DA_RANGE    % .4e % .4e\n", t->daMin, t->daMax);
            if (t->rhFlag)
                std::fprintf(out, "DATA RH_RANGE    % .3f      % .3f\n", t->rhMin, t->rhMax);
            else
                std::fprintf(out, "DATA DR_RANGE    % .4e % .4e\n", t->drMin, t->drMax);
            std::fprintf(out, "\n");
            std::fprintf(out, "DATA PSI_RANGE   % 8.2f % 8.2f\n", t->psiMin, t->psiMax);
            std::fprintf(out, "DATA THETA_RANGE % 8.2f % 8.2f\n", t->thetaMin, t->thetaMax);
            std::fprintf(out, "DATA PHI_RANGE   % 8.2f % 8.2f\n", t->phiMin, t->phiMax);
            break;
        default:
            break;
    }
}

void writeSaupeAndEuler(FILE* out, const DTensor* t) {
    std::fprintf(out, "DATA SAUPE  % .4e % .4e % .4e % .4e % .4e\n\n", t->saupe[0], t->saupe[1],
                 t->saupe[2], t->saupe[3], t->saupe[4]);
    reportEuler(out, t);
}

}  // namespace

int writeDC(const char* outDName, DTable* dTab, const char* remark, int verbose) {
    if (nothingToWrite(dTab)) return 0;
    float rms = 0.0f, chi2 = 0.0f, q = 0.0f, r = 0.0f;
    int n = 0, nQ = 0;
    getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &rms, &chi2, &n);
    getStatDCQR(dTab->dObsList, dTab->dCalcList, dTab->dCount, &q, &r, &nQ);

    foundation::MemoryText text;
    if (!dcTextReady(text, outDName)) return 1;
    FILE* out = text.stream();
    std::fprintf(out, "REMARK MERIDO Dipolar Coupling Simulation.\n\n");
    if (remark != nullptr) std::fprintf(out, "REMARK %s\n\n", remark);
    std::fprintf(out, "DATA N         %d\n", n);
    std::fprintf(out, "DATA RMS       %.3f\n", rms);
    std::fprintf(out, "DATA Chi2      %.3f\n\n", chi2);
    std::fprintf(out, "DATA Q_FACTOR  %.3f\n", q);
    std::fprintf(out, "DATA CORR_R    %.3f\n\n", r);
    writeDCTensorMode(out, &dTab->dTensor);
    std::fprintf(out, "\n");
    writeSaupeAndEuler(out, &dTab->dTensor);

    writeDcAtomVars(out, dTab);
    std::fprintf(out, verbose ? " DI D_OBS D D_DIFF DD W\n" : " DI D DD W\n");
    writeDcAtomFormat(out, dTab);
    std::fputs(verbose ? " %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n\n" : " %9.2f %9.3f %9.3f %.2f\n\n",
               out);
    for (int i = 0; i < dTab->dCount; ++i) {
        const DInfo& o = dTab->dObsList[i];
        const DInfo& c = dTab->dCalcList[i];
        writeDcAtomColumns(out, dTab, o);
        if (verbose)
            std::fprintf(out, " % 9.2f % 9.4f % 9.4f % 9.4f %7.4f %.2f\n", c.di, o.d, c.d,
                         statsDifference(o, c), o.sigma, o.w);
        else
            std::fprintf(out, " % 9.2f % 9.4f %7.4f %.2f\n", c.di, c.d, o.sigma, o.w);
    }
    return writeDcText(text.text(), outDName, "w");
}

int writeDcTq(const char* outDName, const char* access, DTable* dTab, const char* remark,
              int verbose) {
    if (nothingToWrite(dTab)) return 0;
    float rms = 0.0f, chi2 = 0.0f;
    int n = 0;
    getStatDC(dTab->dObsList, dTab->dCalcList, dTab->dCount, &rms, &chi2, &n);

    foundation::MemoryText text;
    if (!dcTextReady(text, outDName)) return 1;
    FILE* out = text.stream();
    std::fprintf(out, "REMARK Dipolar Coupling Simulation.\n");
    if (remark != nullptr) std::fprintf(out, "REMARK %s\n\n", remark);
    std::fprintf(out, "DATA N    %d\n", n);
    std::fprintf(out, "DATA RMS  %.3f\n", rms);
    std::fprintf(out, "DATA Chi2 %.3f\n\n", chi2);
    const DTensor* t = &dTab->dTensor;
    if (t->tensorMode == kTensorSteric || t->tensorMode == kTensorElectrostatic)
        writeDCTensorMode(out, t);
    else
        reportTensorMode(out, t);
    std::fprintf(out, "\n");
    writeSaupeAndEuler(out, t);

    writeDcAtomVars(out, dTab);
    std::fprintf(out, verbose ? " DI D_OBS D D_DIFF DD W\n" : " DI D DD W\n");
    writeDcAtomFormat(out, dTab);
    std::fputs(verbose ? " %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n" : " %9.2f %9.3f %9.3f %.2f\n", out);
    for (int i = 0; i < dTab->dCount; ++i) {
        const DInfo& o = dTab->dObsList[i];
        const DInfo& c = dTab->dCalcList[i];
        if (!c.valid) continue;
        writeDcAtomColumns(out, dTab, o);
        if (verbose) {
            // D_DIFF 9999 for a row the statistics leave out (statsDifference).
            std::fprintf(out, " % 9.2f % 9.4f % 9.4f % 9.4f %7.4f %.2f\n", c.di, o.d, c.d,
                         statsDifference(o, c), o.sigma, o.w);
        } else {
            std::fprintf(out, " % 9.2f % 9.4f %7.4f %.2f\n", c.di, c.d, o.sigma, o.w);
        }
    }
    return writeDcText(text.text(), outDName, access);
}

}  // namespace korim::couplings
