// Chemical-shift tables of the restraint library: record defaults and release.
#include "restraints/cs.h"

#include "foundation/memory.h"

namespace korim::restraints {

using foundation::unAlloc;

int csTabNull(CSTable* csTab) {
    if (csTab == nullptr) return 0;
    *csTab = CSTable{};
    csTab->nullChainName = 1;
    csTab->nullSegName = 1;
    csTab->nullPCSChainName = 1;
    csTab->nullPCSSegName = 1;
    return 0;
}

int resetCS(CSInfo* csList, int count) {
    if (csList == nullptr) return 0;
    for (int i = 0; i < count; i++) {
        CSInfo* cs = &csList[i];
        *cs = CSInfo{};  // counts, flags, names, references and the position cleared
        cs->resID = kCsNoResID;
        cs->shift = kCsNoValue;
        cs->predShift = kCsNoValue;
        cs->secShift = kCsNoValue;
        cs->rcShift = kCsNoValue;
        cs->sigma = kCsNoValue;
        cs->gamma = 1.0f;
        cs->w = 1.0f;
        cs->fc = 1;
    }
    return 0;
}

int csTabFree(CSTable* csTab) {
    if (csTab == nullptr) return 0;
    if (csTab->seqInfo != nullptr) {
        structure::seqInfoFree(csTab->seqInfo);
        unAlloc("cs", csTab->seqInfo, static_cast<int>(sizeof(structure::SeqInfo)));
    }
    if (csTab->csList != nullptr) {
        unAlloc("cs", csTab->csList, csTab->csCount * static_cast<int>(sizeof(CSInfo)));
    }
    if (csTab->pcsList != nullptr) {
        unAlloc("cs", csTab->pcsList, csTab->pcsCount * static_cast<int>(sizeof(PCSInfo)));
    }
    if (csTab->work != nullptr) {
        unAlloc("cs", csTab->work, csTab->workSize * static_cast<int>(sizeof(float)));
    }
    return csTabNull(csTab);
}

}  // namespace korim::restraints
