// Writers of the distance, NOE and AC restraint tables.
#include "restraints/distwrite.h"

#include "restraints/distkind.h"
#include "restraints/distmap.h"

namespace korim::restraints {

namespace {

const char* const kPairSuffixes[2] = {"_I", "_J"};

// The VARS and FORMAT lines of a distance-type table after their leading columns.
void pairHeader(FILE* out, const char* vars, const char* fmts, int chain, int seg, int verbose) {
    std::fputs(vars, out);
    merAtomVars(out, kPairSuffixes, 2, chain, seg);
    std::fputs(verbose ? " D D_LO D_HI D_VIO S W FC STATUS\n" : " D D_LO D_HI S W FC STATUS\n", out);
    std::fputs(fmts, out);
    merAtomFormats(out, 2, chain, seg);
    std::fputs(verbose ? " %9.3f %9.3f %9.3f %9.3f %.2f %.2f %.2f %s\n\n"
                       : " %9.3f %9.3f %9.3f %.2f %.2f %.2f %s\n\n",
               out);
}

// A distance row after its leading columns: atoms, distances, s, w, fc and the status word.
void pairRow(FILE* out, DistInfo& r, int chain, int seg, int verbose) {
    AtomRef refs[2];
    TableKind<DistTable>::atoms(r, refs);
    merAtomRow(out, refs[0], chain, seg);
    merAtomRow(out, refs[1], chain, seg);
    std::fprintf(out, " % 9.3f % 9.3f % 9.3f", r.dCurrent, r.dLo, r.dHi);
    if (verbose) std::fprintf(out, " % 9.3f", r.dVio);
    std::fprintf(out, " %6.2f %6.2f %6.2f %s\n", r.s, r.w, r.fc, merStatusWord(r.status));
}

}  // namespace

int writeDist(const char* outName, DistTable* distTab, const char* remark, int verbose) {
    if (distTab == nullptr || distTab->distList == nullptr || distTab->distCount < 1) return 0;
    FILE* out = merOpenOutput(outName, "Dist Error opening output file %s\n");
    const int chain = distTab->nullChainName == 0, seg = distTab->nullSegName == 0;
    std::fprintf(out, "REMARK Distance Table, %d restraints.\n\n", distTab->distCount);
    if (remark != nullptr && remark[0] != '\0') std::fprintf(out, "REMARK %s\n\n", remark);
    pairHeader(out, "VARS   INDEX", "FORMAT %5d", chain, seg, verbose);
    for (int i = 0; i < distTab->distCount; i++) {
        std::fprintf(out, " %5d", distTab->distList[i].id);
        pairRow(out, distTab->distList[i], chain, seg, verbose);
    }
    merCloseOutput(out);
    return 0;
}

int writeNOE(const char* outName, NOETable* noeTab, const char* remark, int verbose) {
    if (noeTab == nullptr || noeTab->noeList == nullptr || noeTab->noeCount < 1) return 0;
    FILE* out = merOpenOutput(outName, "NOE Error opening output file %s\n");
    const DistTable* dt = noeTab->distTab;
    const int chain = dt != nullptr && dt->nullChainName == 0;
    const int seg = dt != nullptr && dt->nullSegName == 0;
    std::fprintf(out, "REMARK NOE Table, %d complex constraints.\n\n", noeTab->noeCount);
    if (remark != nullptr && remark[0] != '\0') std::fprintf(out, "REMARK %s\n\n", remark);
    pairHeader(out, "VARS   INDEX GROUP", "FORMAT %5d  %2d", chain, seg, verbose);
    for (int i = 0; i < noeTab->noeCount; i++) {
        const NOEInfo& noe = noeTab->noeList[i];
        for (int g = 0; g < noe.count; g++) {
            const SimpleNOE& grp = noe.simpleList[g];
            for (int m = 0; m < grp.count; m++) {
                DistInfo& r = *grp.distList[m];
                if (!r.valid) continue;
                std::fprintf(out, " %5d %2d", noe.id, grp.group);
                pairRow(out, r, chain, seg, verbose);
            }
        }
    }
    merCloseOutput(out);
    return 0;
}

int writeAC(const char* outName, ACTable* acTab, const char* remark, int /*verbose*/) {
    if (acTab == nullptr || acTab->acList == nullptr || acTab->acCount < 1) return 0;
    FILE* out = merOpenOutput(outName, "AC Error opening file %s\n");
    static const char* const kNoSuffix[1] = {""};
    const int chain = acTab->nullChainName == 0, seg = acTab->nullSegName == 0;
    float rms = 0.0f, chi2 = 0.0f;
    int n = 0;
    getStatAC(acTab, &rms, &chi2, &n);
    merStatHeader(out, "AC Table.", remark, n, rms, chi2);
    std::fputs("VARS   INDEX FIXED", out);
    merAtomVars(out, kNoSuffix, 1, chain, seg);
    std::fputs(" X Y Z D_LO D_HI D_DIFF D_VIO S W FC STATUS\n", out);
    std::fputs("FORMAT %4d %d", out);
    merAtomFormats(out, 1, chain, seg);
    std::fputs(" %9.3f %9.3f %9.3f %9.2f %9.2f %9.2f %9.2f %.2f %.2f %.2f %s\n\n", out);
    for (int i = 0; i < acTab->acCount; i++) {
        ACInfo& r = acTab->acList[i];
        if (!r.valid) continue;
        AtomRef ref;
        TableKind<ACTable>::atoms(r, &ref);
        std::fprintf(out, " %4d %d", r.id, r.fixed);
        merAtomRow(out, ref, chain, seg);
        std::fprintf(out, " % 9.3f % 9.3f % 9.3f", r.x, r.y, r.z);
        std::fprintf(out, " % 9.2f % 9.2f % 9.2f % 9.2f", r.dLo, r.dHi, r.dDiff, r.dVio);
        std::fprintf(out, " %6.2f %6.2f %6.2f %s\n", r.s, r.w, r.fc, r.dVio == 0.0f ? "OK" : "VIOLATED");
    }
    merCloseOutput(out);
    return 0;
}

}  // namespace korim::restraints
