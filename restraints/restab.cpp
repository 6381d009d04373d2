// Shared pieces of the restraint tables: table files, atom columns and look-up, mapping warnings, deviation statistics and writer output.
#include "restraints/restab.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <strings.h>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/table.h"

namespace korim::restraints {

namespace {

const char* nameOrNone(const char* name) { return name[0] != '\0' ? name : "None"; }

}  // namespace

void merReport(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
}

bool merNoFile(const char* name) {
    return name == nullptr || name[0] == '\0' || strcasecmp(name, "None") == 0;
}

void* merAllocBytes(const char* tag, int count, int elemSize) {
    const long long bytes = foundation::checkedCount({count, elemSize});
    if (count < 1 || elemSize < 1 || bytes < 0) return nullptr;
    return foundation::voidMalloc(tag, static_cast<int>(bytes));
}

void merReleaseBytes(const char* tag, void* ptr, int count, int elemSize) {
    if (ptr != nullptr) foundation::unAlloc(tag, ptr, count * elemSize);
}

// ---- Table files ------------------------------------------------------------------------------

TableFile::~TableFile() {
    if (matrix_ != nullptr || varInfo_ != nullptr)
        foundation::freeTab(matrix_, varInfo_, varCount_, entryCount_);
}

int TableFile::read(const char* name, int nullValue) {
    const int status = foundation::rdTable(name, &matrix_, &varCount_, &entryCount_, &varInfo_, nullValue);
    readDone();
    return status;
}

int TableFile::readWithHeader(const char* name, foundation::hdrList** hdr, int nullValue) {
    const int status = foundation::rdTable2(name, &matrix_, &varCount_, &entryCount_, &varInfo_, hdr, nullValue, 1, 1);
    readDone();
    return status;
}

void TableFile::readDone() { taken_.assign(static_cast<size_t>(varCount_ > 0 ? varCount_ : 0), 0); }

int TableFile::column(const char* name) const {
    const int loc = foundation::getTabVar(varInfo_, varCount_, name);
    markTaken(loc);
    return loc;
}

int TableFile::textColumn(const char* name) const {
    const int loc = foundation::getTabVar(varInfo_, varCount_, name);
    take(loc, kTexts);
    return loc;
}

void TableFile::markTaken(int loc) const { take(loc, kNumbers); }

void TableFile::take(int loc, Taken how) const {
    if (loc >= 0 && loc < static_cast<int>(taken_.size())) taken_[static_cast<size_t>(loc)] = how;
}

float TableFile::value(int r, int loc, float dflt) const { return loc >= 0 ? row(r)[loc] : dflt; }

int TableFile::intValue(int r, int loc, int dflt) const {
    return loc >= 0 ? foundation::tabCellInt(row(r)[loc]) : dflt;
}

int TableFile::requireFinite(const char* name) const {
    for (int loc = 0; loc < static_cast<int>(taken_.size()); loc++)
        if (taken_[static_cast<size_t>(loc)] == kNumbers &&
            foundation::checkNumberColumn(name, varInfo_, varCount_, loc) != 0)
            return 1;
    for (int r = 0; r < entryCount_; r++) {
        for (int loc = 0; loc < static_cast<int>(taken_.size()); loc++) {
            if (taken_[static_cast<size_t>(loc)] != kNumbers || std::isfinite(row(r)[loc])) continue;
            merReport("MER Error: value of %s in row %d of %s is not a finite number.\n", varInfo_[loc].name,
                      r + 1, name);
            return 1;
        }
    }
    return 0;
}

// ---- Atoms ------------------------------------------------------------------------------------

AtomCols findAtomCols(const TableFile& tab, int atoms) {
    static const char* const kSuffixes[4] = {"_I", "_J", "_K", "_L"};
    AtomCols c{};
    c.atoms = atoms;
    for (int k = 0; k < atoms && k < 4; k++) {
        int* l = c.loc[k];
        structure::getAtomTabLocs(tab.vars(), tab.varCount(), atoms == 1 ? "" : kSuffixes[k], &l[0],
                                  &l[1], &l[2], &l[3], &l[4]);
        // The residue number is a value; the names are texts.
        tab.markTaken(l[0]);
    }
    return c;
}

void readAtomCols(const TableFile& tab, int r, const AtomCols& c, const AtomRef* refs, int* nullChain,
                  int* nullSeg) {
    for (int k = 0; k < c.atoms && k < 4; k++) {
        const int* l = c.loc[k];
        const AtomRef& ref = refs[k];
        structure::getAtomTabVals(tab.vars(), tab.varCount(), tab.row(r), l[0], l[1], l[2], l[3], l[4],
                                  ref.resID, ref.resName, ref.atomName, ref.chainName, ref.segName);
        if (ref.chainName[0] != '\0') *nullChain = 0;
        if (ref.segName[0] != '\0') *nullSeg = 0;
    }
}

int mapAtomRefs(structure::PDBInfo* pdb, const AtomRef* refs, int count, const char* const* suffixes,
                int nullChain, int nullSeg, int resOffset, const char* heading) {
    int found = 1;
    for (int k = 0; k < count; k++) {
        const AtomRef& a = refs[k];
        const char* chain = nullChain ? pdb->defChainName : a.chainName;
        const char* seg = nullSeg ? pdb->defSegName : a.segName;
        *a.atom = structure::findAtom(pdb, couplings::shiftedResID(*a.resID, resOffset), a.atomName, chain, seg);
        if (*a.atom == nullptr) found = 0;
    }
    if (found) return 1;
    merReport("%s", heading);
    for (int k = 0; k < count; k++) {
        const AtomRef& a = refs[k];
        const char* s = suffixes[k];
        merReport("   ResID%s: %4d ResName%s: %4s AtomName%s: %4s Seg%s: %4s Chain%s: %4s\n", s,
                  *a.resID, s, a.resName, s, a.atomName, s, a.segName, s, a.chainName);
    }
    return 0;
}

// ---- Angles and statistics --------------------------------------------------------------------

const char* merStatusWord(int status) {
    switch (status) {
    case kMerStatusOK: return "OK";
    case kMerStatusViolated: return "VIOLATED";
    case kMerStatusUnused: return "UNUSED";
    default: return "NONE";
    }
}

float wrapAngle180(float angle) {
    // fmod is exact, and so is every step of the repeated subtraction where it ends.
    double a = angle;
    if (a > 180.0) {
        a = std::fmod(a, 360.0);  // [0, 360)
        if (a > 180.0) a -= 360.0;
    } else if (a < -180.0) {
        a = std::fmod(a, 360.0);  // (-360, 0]
        if (a < -180.0) a += 360.0;
    }
    return static_cast<float>(a);
}

void MerStat::add(float d, float w, float s) {
    float q = d / (s == 0.0f ? 1.0f : s);
    rSum += w * w * d * d;
    pSum += q * q;
    n++;
}

float MerStat::rms() const { return n > 0 ? std::sqrt(rSum / static_cast<float>(n)) : 0.0f; }

void MerStat::store(float* rSumD, float* pSumD, int* nD) const {
    *rSumD = rms();
    if (pSumD != nullptr) *pSumD = pSum;
    *nD = n;
}

// ---- Writers ----------------------------------------------------------------------------------

FILE* merOpenOutput(const char* outName, const char* failFmt) {
    if (outName == nullptr || outName[0] == '\0') return stdout;
    FILE* out = std::fopen(outName, "w");
    if (out != nullptr) return out;
    merReport(failFmt, outName);
    return stdout;
}

void merCloseOutput(FILE* out) {
    if (out != nullptr && out != stdout) std::fclose(out);
}

void merStatHeader(FILE* out, const char* title, const char* remark, int n, float rms, float chi2) {
    std::fprintf(out, "REMARK %s\n\n", title);
    if (remark != nullptr && remark[0] != '\0') std::fprintf(out, "REMARK %s\n\n", remark);
    std::fprintf(out, "DATA N    %d\n", n);
    std::fprintf(out, "DATA RMS  %.3f\n", rms);
    std::fprintf(out, "DATA Chi2 %.3f\n\n", chi2);
    std::fprintf(out, "\n");
}

void merAtomVars(FILE* out, const char* const* suffixes, int count, int withChain, int withSeg) {
    for (int k = 0; k < count; k++) {
        const char* s = suffixes[k];
        std::fprintf(out, " RESID%s RESNAME%s ATOMNAME%s", s, s, s);
        if (withChain) std::fprintf(out, " CHAINNAME%s", s);
        if (withSeg) std::fprintf(out, " SEGNAME%s", s);
    }
}

void merAtomFormats(FILE* out, int count, int withChain, int withSeg) {
    for (int k = 0; k < count; k++) {
        std::fputs(" %4d %4s %4s", out);
        if (withChain) std::fputs(" %4s", out);
        if (withSeg) std::fputs(" %4s", out);
    }
}

void merAtomRow(FILE* out, const AtomRef& ref, int withChain, int withSeg) {
    std::fprintf(out, " %4d %4s %4s", *ref.resID, ref.resName, ref.atomName);
    if (withChain) std::fprintf(out, " %4s", nameOrNone(ref.chainName));
    if (withSeg) std::fprintf(out, " %4s", nameOrNone(ref.segName));
}

}  // namespace korim::restraints
