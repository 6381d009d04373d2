// Chemical-shift tables of the restraint library: records, reading, writing, mapping, selection and statistics.
#include "restraints/cs.h"
#include "restraints/restab.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "couplings/dc.h"
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "restraints/pcs.h"
#include "restraints/surf.h"

namespace korim::restraints {

using foundation::fltAlloc;
using foundation::unAlloc;
using foundation::voidMalloc;
using structure::getAtomTabLocs;
using structure::getAtomTabVals;
using structure::getSeqInfo;
using structure::getSeqResName;
using structure::seqInfoNull;
using structure::findRes;

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
        pcsTensorsFree(csTab->pcsList, csTab->pcsCount);
        unAlloc("cs", csTab->pcsList, csTab->pcsCount * static_cast<int>(sizeof(PCSInfo)));
    }
    if (csTab->work != nullptr) {
        unAlloc("cs", csTab->work, csTab->workSize * static_cast<int>(sizeof(float)));
    }
    return csTabNull(csTab);
}


const char* csCellText(const foundation::tabVar* varInfo, int col, const float* row) {
    if (col < 0 || varInfo[col].type != foundation::TAB_TEXT || varInfo[col].equivList == nullptr) return "";
    const int k = foundation::tabCellInt(row[col]);
    if (k < 0 || k >= varInfo[col].equivCount || varInfo[col].equivList[k] == nullptr) return "";
    return varInfo[col].equivList[k];
}

FILE* csOpenOutput(const char* outName) {
    return merOpenOutput(outName, "MERIDO Error opening output file %s\n");
}

void csWriteColumns(FILE* out, const CSTable* csTab, const char* valueVars, const char* valueFormats) {
    const int withChain = !csTab->nullChainName, withSeg = !csTab->nullSegName;
    const char* const noSuffix[] = {""};
    std::fprintf(out, "VARS   ");
    merAtomVars(out, noSuffix, 1, withChain, withSeg);
    std::fprintf(out, "%s\n", valueVars);
    std::fprintf(out, "FORMAT ");
    merAtomFormats(out, 1, withChain, withSeg);
    std::fprintf(out, valueFormats);
}

void csWriteAtom(FILE* out, const CSTable* csTab, CSInfo* cs) {
    const AtomRef ref{&cs->resID, cs->resName, cs->atomName, cs->chainName, cs->segName, &cs->atom};
    merAtomRow(out, ref, !csTab->nullChainName, !csTab->nullSegName);
}

int isPredCS(const char* resName, const char* atomName) {
    char atom[16];
    std::snprintf(atom, sizeof atom, "%s", atomName != nullptr ? atomName : "");
    for (char* c = atom; *c; c++) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    for (const char* name : {"HA", "CA", "CB", "C", "N"})
        if (std::strcmp(atom, name) == 0) return 1;
    // The residue name is taken as passed: the glycine test is case-sensitive.
    if (resName != nullptr && (std::strcmp(resName, "GLY") == 0 || std::strcmp(resName, "G") == 0))
        return std::strncmp(atom, "HA", 2) == 0 ? 1 : 0;
    return 0;
}

namespace {

// The header lines of a table file, released on every path.
struct HeaderLines {
    foundation::hdrList* list = nullptr;
    ~HeaderLines() {
        if (list != nullptr) foundation::freeHdr(list);
    }
};

// Locations of the columns of a shift table.
struct ShiftCols {
    AtomCols atom;
    int shift, index, sigma, fc, w;
};

ShiftCols findShiftCols(const TableFile& t) {
    return {findAtomCols(t, 1), t.column("SHIFT"), t.column("INDEX"), t.column("SIGMA"), t.column("FC"),
            t.column("W")};
}

// The glycine alpha proton of the same residue named other (first in the list), or null.
CSInfo* findGlyPartner(CSInfo* list, int count, int resID, const char* other) {
    for (int j = 0; j < count; j++)
        if (list[j].resID == resID && strcasecmp(list[j].atomName, other) == 0) return &list[j];
    return nullptr;
}

void pairGlycineProtons(CSTable* csTab) {
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        if (strcasecmp(cs->resName, "G") != 0 && strcasecmp(cs->resName, "GLY") != 0) continue;
        const char* other = strcasecmp(cs->atomName, "HA2") == 0   ? "HA3"
                            : strcasecmp(cs->atomName, "HA3") == 0 ? "HA2"
                                                                   : nullptr;
        if (other != nullptr) cs->partner = findGlyPartner(csTab->csList, csTab->csCount, cs->resID, other);
    }
}

// Random-coil shift and shift surface of every record from the table's sequence.
void chooseShiftModels(CSTable* csTab) {
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        char prev[32], name[32], next[32];
        getSeqResName(csTab->seqInfo, couplings::shiftedResID(cs->resID, -1), prev);
        getSeqResName(csTab->seqInfo, cs->resID, name);
        getSeqResName(csTab->seqInfo, couplings::shiftedResID(cs->resID, 1), next);
        if (strcasecmp(name, "None") == 0) std::snprintf(name, sizeof name, "%s", cs->resName);
        getRandCoilShift(name, prev, next, cs->atomName, 1, &cs->rcShift);
        getCSSurface(name, prev, next, cs);
    }
}

// Reads the rows of the table file into the shift records.
void readShiftRows(const TableFile& t, const ShiftCols& c, CSTable* csTab) {
    for (int r = 0; r < t.rows(); r++) {
        CSInfo* cs = &csTab->csList[r];
        cs->count = 1;
        cs->valid = 1;
        const AtomRef ref{&cs->resID, cs->resName, cs->atomName, cs->chainName, cs->segName, &cs->atom};
        readAtomCols(t, r, c.atom, &ref, &csTab->nullChainName, &csTab->nullSegName);
        cs->id = t.intValue(r, c.index, r + 1);
        cs->shift = t.value(r, c.shift, 0.0f);
        cs->sigma = t.value(r, c.sigma, 1.0f);
        cs->fc = t.intValue(r, c.fc, 1);
        cs->w = t.value(r, c.w, 1.0f);
        cs->predictable = isPredCS(cs->resName, cs->atomName);
        if (cs->resID < csTab->csMinRes) csTab->csMinRes = cs->resID;
        if (cs->resID > csTab->csMaxRes) csTab->csMaxRes = cs->resID;
        if (cs->shift > kCsValueMax) cs->valid = 0;
    }
}

// Floats of the pseudo-contact fit's work space for c shifts and p centres, or -1 when the
// byte count does not fit an int.
int pcsWorkSize(int c, int p) {
    const long long limit = foundation::kMaxBlockBytes / static_cast<long long>(sizeof(float));
    long long n = 0;
    for (long long term : {7LL * c, 4LL * p, foundation::checkedCount({5, c, p}, limit), 10LL * p,
                           foundation::checkedCount({25, p, p}, limit)})
        if (term < 0 || (n += term) > limit) return -1;
    return static_cast<int>(n);
}

}  // namespace

int readCS(const char* inName, CSTable* csTab) {
    csTabNull(csTab);
    if (merNoFile(inName)) return 0;
    HeaderLines hdr;
    TableFile t;
    if ((hdr.list = foundation::hdrInit()) == nullptr) {
        merReport("MERIDO Error allocating CS table header.\n");
        return 1;
    }
    const int status = t.readWithHeader(inName, &hdr.list, static_cast<int>(kCsNoValue));
    if (status != 0) return status;
    const ShiftCols cols = findShiftCols(t);
    if (t.requireFinite(inName) != 0) return 1;
    const long long listBytes = foundation::checkedCount({t.rows(), static_cast<long long>(sizeof(CSInfo))});
    if (t.rows() > 0 &&
        (listBytes < 0 ||
         (csTab->csList = static_cast<CSInfo*>(voidMalloc("cs", static_cast<int>(listBytes)))) == nullptr)) {
        merReport("MERIDO Error Allocating CS-Observed Values.\n");
        return 1;
    }
    csTab->seqInfo = static_cast<structure::SeqInfo*>(voidMalloc("cs", sizeof(structure::SeqInfo)));
    if (csTab->seqInfo == nullptr) {
        merReport("MERIDO Error Allocating CS SeqInfo Structure.\n");
        return 1;
    }
    csTab->csCount = csTab->csList != nullptr ? t.rows() : 0;
    csTab->csMinRes = 1000000;
    csTab->csMaxRes = 0;
    resetCS(csTab->csList, csTab->csCount);
    seqInfoNull(csTab->seqInfo);
    readShiftRows(t, cols, csTab);
    pairGlycineProtons(csTab);
    getSeqInfo(hdr.list, csTab->seqInfo);
    chooseShiftModels(csTab);
    if (getPCSInfo(csTab, hdr.list) != 0) {
        merReport("MERIDO Error Allocating PCS Structure.\n");
        return 1;
    }
    const int workSize = pcsWorkSize(csTab->csCount, csTab->pcsCount);
    if (workSize > 0) csTab->work = fltAlloc("cs", workSize);
    if (workSize < 0 || (workSize > 0 && csTab->work == nullptr)) {
        merReport("DC Error Allocating CS Workspaces.\n");
        return 1;
    }
    csTab->workSize = workSize;
    if (csTab->work != nullptr) std::fill(csTab->work, csTab->work + workSize, 0.0f);
    return 0;
}

int mapCSInfo(structure::PDBInfo* pdbInfo, CSTable* csTab, int aOff) {
    csTab->validCSCount = 0;
    if (pdbInfo == nullptr) return 0;
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        const char* chain = csTab->nullChainName ? pdbInfo->defChainName : cs->chainName;
        const char* seg = csTab->nullSegName ? pdbInfo->defSegName : cs->segName;
        cs->res = findRes(pdbInfo, couplings::shiftedResID(cs->resID, aOff), chain, seg);
        if (cs->res != nullptr) {
            cs->valid = 1;
            csTab->validCSCount++;
            continue;
        }
        cs->valid = 0;
        if (structure::getPDBWarn()) {
            merReport("MERIDO Warning: No Res Map for CS (offset %d):\n", aOff);
            merReport("   ResID: %4d ResName: %4s AtomName: %4s Seg: %4s Chain: %4s\n", cs->resID,
                         cs->resName, cs->atomName, cs->segName, cs->chainName);
        }
    }
    return csTab->validCSCount;
}

int selectCS(CSInfo* csList, int csCount, int segFirst, int segLast) {
    int n = 0;
    for (int i = 0; i < csCount; i++) {
        CSInfo* cs = &csList[i];
        cs->valid = !(cs->resID < segFirst || cs->resID > segLast || cs->shift > kCsValueMax);
        n += cs->valid;
    }
    return n;
}

int shiftStats(const CSInfo* csList, int csCount, int predictableOnly, float* rSumCS, float* pSumCS, float* wSumCS,
               int* nCS) {
    *rSumCS = *pSumCS = *wSumCS = 0.0f;
    *nCS = 0;
    int count = 0;
    double sumSq = 0.0;
    for (int i = 0; i < csCount; i++) {
        const CSInfo* cs = &csList[i];
        if (!cs->valid || (predictableOnly && !cs->predictable) || cs->shift > kCsValueMax) continue;
        count++;
        if (cs->predShift > kCsValueMax || cs->sigma > kCsValueMax) continue;
        const float d = cs->shift - cs->predShift;
        const float s = cs->sigma == 0.0f ? 1.0f : cs->sigma;
        sumSq += d * d;
        *pSumCS += (d / s) * (d / s);
        *wSumCS += (cs->w * d / s) * (cs->w * d / s);
        (*nCS)++;
    }
    if (*nCS > 0) *rSumCS = static_cast<float>(std::sqrt(sumSq / *nCS));
    return count;
}

int getStatCS(const CSInfo* csList, int csCount, float* rSumCS, float* pSumCS, float* wSumCS, int* nCS) {
    return shiftStats(csList, csCount, 1, rSumCS, pSumCS, wSumCS, nCS);
}

int writeCS(const char* outName, CSTable* csTab, const char* remark, int verbose) {
    if (csTab == nullptr || csTab->csList == nullptr || csTab->csCount < 1) return 0;
    float rms, chi2, wChi2;
    int n;
    getStatCS(csTab->csList, csTab->csCount, &rms, &chi2, &wChi2, &n);
    FILE* out = csOpenOutput(outName);
    std::fprintf(out, "REMARK MERIDO Chemical Shift Simulation.\n\n");
    if (remark != nullptr) std::fprintf(out, "REMARK %s\n\n", remark);
    std::fprintf(out, "DATA N     %d\n", n);
    std::fprintf(out, "DATA RMS   %.3f\n", rms);
    std::fprintf(out, "DATA Chi2  %.3f\n", chi2);
    std::fprintf(out, "DATA WChi2 %.3f\n\n", wChi2);
    structure::wrSeqInfo(out, csTab->seqInfo);
    if (verbose)
        csWriteColumns(out, csTab, " CS_OBS SHIFT RC_SHIFT CS_DIFF SIGMA W",
                       " %%9.3f %%9.3f %%9.3f %%9.3f %%9.3f %%.2f\n\n");
    else
        csWriteColumns(out, csTab, " SHIFT SIGMA W", " %%9.3f %%9.3f %%.2f\n\n");
    for (int i = 0; i < csTab->csCount; i++) {
        CSInfo* cs = &csTab->csList[i];
        if (!cs->valid) continue;
        csWriteAtom(out, csTab, cs);
        if (verbose) {
            const float diff = cs->predShift > kCsValueMax ? kCsNoValue : cs->shift - cs->predShift;
            std::fprintf(out, " % 9.3f % 9.3f % 9.3f % 9.3f  %9.3f %.2f\n", cs->shift, cs->predShift, cs->rcShift,
                         diff, cs->sigma, cs->w);
        } else {
            std::fprintf(out, "% 9.3f % 9.3f %.2f\n", cs->predShift, cs->sigma, cs->w);
        }
    }
    merCloseOutput(out);
    return 0;
}

}  // namespace korim::restraints
