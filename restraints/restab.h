// Shared pieces of the restraint tables: table files, atom columns and look-up, mapping warnings, index tallies, deviation statistics and writer output.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "couplings/dc.h"
#include "structure/pdb.h"

namespace korim::foundation {
struct tabVar;
struct hdrList;
}

namespace korim::restraints {

// Residue ID of a record whose atom names no residue.
constexpr int kMerNoResID = couplings::kNoResID;
// Value the table reader gives to cells holding the file's null value.
constexpr int kMerTableNull = -9999;
// Status words of the written tables (energy status 1 satisfied, -1 violated, 2 not taken in).
constexpr int kMerStatusOK = 1;
constexpr int kMerStatusViolated = -1;
constexpr int kMerStatusUnused = 2;

// Messages of the restraint tables: printf-style, on the standard error stream.
void merReport(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// True for an empty file name or "None" in any case: the readers then read nothing.
bool merNoFile(const char* name);

// Typed block of count elements from the tagged allocator; null when count is below 1, when
// the byte count does not fit an int, or when the allocator fails.
void* merAllocBytes(const char* tag, int count, int elemSize);
void merReleaseBytes(const char* tag, void* ptr, int count, int elemSize);
template <class T>
T* merAlloc(const char* tag, int count) {
    return static_cast<T*>(merAllocBytes(tag, count, static_cast<int>(sizeof(T))));
}
template <class T>
void merRelease(const char* tag, T* ptr, int count) {
    if (ptr != nullptr) merReleaseBytes(tag, ptr, count, static_cast<int>(sizeof(T)));
}

// A restraint table file read by the text-table reader; released on destruction.
class TableFile {
public:
    TableFile() = default;
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;
    ~TableFile();
    // Reads the file with the restraint null value (or the given one); the reader's status (0 success).
    int read(const char* name, int nullValue = kMerTableNull);
    // Reads the file with the given null value, appending its header lines to *hdr (a list the
    // caller owns); a file without rows is no error.
    int readWithHeader(const char* name, foundation::hdrList** hdr, int nullValue);
    int rows() const { return entryCount_; }
    // Location of a column (-1 when absent); a column found is one this reader takes as numbers.
    int column(const char* name) const;
    // Location of a column this reader takes as texts (-1 when absent).
    int textColumn(const char* name) const;
    // Marks a column located another way (the atom columns) as one this reader takes as numbers.
    void markTaken(int loc) const;
    // Value of a column in row r (0-based), or dflt when the column is absent.
    float value(int r, int loc, float dflt) const;
    // Integer value (truncated toward zero, saturated, 0 for not-a-number), or dflt.
    int intValue(int r, int loc, int dflt) const;
    // The one rule of the restraint readers: every column this reader takes as numbers must be
    // typed as numbers by the FORMAT line (a text column holds the index of each text, which
    // would stand as data), and each of its values must be a finite number (a nan or inf would
    // stand as data too: a distance bound, a shift, a weight). 0 when they are; else the message
    // names the file and the FORMAT line's column, or the file, row and column, and 1 is returned.
    int requireFinite(const char* name) const;
    const foundation::tabVar* vars() const { return varInfo_; }
    int varCount() const { return varCount_; }
    const float* row(int r) const { return matrix_ + static_cast<long>(r) * varCount_; }

private:
    void readDone();

    float* matrix_ = nullptr;
    foundation::tabVar* varInfo_ = nullptr;
    int varCount_ = 0;
    int entryCount_ = 0;
    enum Taken : char { kNotTaken, kNumbers, kTexts };
    void take(int loc, Taken how) const;
    mutable std::vector<char> taken_;  // per column: Taken, how this reader takes its values
};

// The fields of a record that name one of its atoms.
struct AtomRef {
    int* resID;
    char* resName;
    char* atomName;
    char* chainName;
    char* segName;
    structure::AtomInfo** atom;
};

// Locations of the atom columns of records with that many atoms: per atom RESID, RESNAME,
// ATOMNAME, CHAINNAME, SEGNAME with the suffix _I, _J, _K, _L (no suffix for a single atom).
struct AtomCols {
    int atoms;
    int loc[4][5];
};
AtomCols findAtomCols(const TableFile& tab, int atoms);
// Reads the atoms of row r into refs; a non-empty chain or segment name clears *nullChain or
// *nullSeg.
void readAtomCols(const TableFile& tab, int r, const AtomCols& cols, const AtomRef* refs,
                  int* nullChain, int* nullSeg);

// Looks up the atoms of one record (residue IDs shifted by resOffset, chain and segment names
// the structure's defaults where the table's null flags are set) into their atom references.
// When one is missing, writes the heading and one line per atom with the suffixes given
// ("I", "J", ...; a single atom takes ""), and returns 0; 1 when all are found.
int mapAtomRefs(structure::PDBInfo* pdb, const AtomRef* refs, int count, const char* const* suffixes,
                int nullChain, int nullSeg, int resOffset, const char* heading);

// Status word of a written table.
const char* merStatusWord(int status);

// Wraps an angle (degrees) into -180..180 as subtracting 360 while above 180 and adding 360
// while below -180 would, in constant time (540 gives 180, -540 gives -180).
float wrapAngle180(float angle);

// Sum of weighted squared deviations of a table: the RMS of w*d and the chi-square of d/s'
// (s' = s, or 1 when s is 0; the quotient rounded to single precision before squaring).
struct MerStat {
    float rSum = 0.0f;
    float pSum = 0.0f;
    int n = 0;
    void add(float d, float w, float s);
    float rms() const;  // sqrt(rSum/n), 0 without records
    // The RMS, chi-square (when pSumD is given) and count through the callers' pointers.
    void store(float* rSumD, float* pSumD, int* nD) const;
};

// Writer output: the named file, or the standard output for an empty or null name. When the
// file cannot be opened, failFmt (with the name) goes to the error stream and the table goes to
// the standard output instead, so it is never lost. Never null; close it with merCloseOutput.
FILE* merOpenOutput(const char* outName, const char* failFmt);
void merCloseOutput(FILE* out);
// "REMARK <title>\n\n", the remark, and the DATA N, RMS and Chi2 lines with a blank line after.
void merStatHeader(FILE* out, const char* title, const char* remark, int n, float rms, float chi2);
// Column names " RESID<s> RESNAME<s> ATOMNAME<s>" (and " CHAINNAME<s>", " SEGNAME<s>") of atoms
// with the suffixes, and their formats " %4d %4s %4s" (and " %4s" for each name column).
void merAtomVars(FILE* out, const char* const* suffixes, int count, int withChain, int withSeg);
void merAtomFormats(FILE* out, int count, int withChain, int withSeg);
// One atom of a row: " %4d %4s %4s" and the name columns, "None" for an empty name.
void merAtomRow(FILE* out, const AtomRef& ref, int withChain, int withSeg);

// ---- Index tallies --------------------------------------------------------------------------
// The records of a table share a restraint index (id), and the distance-type tables also a
// group within it. A tally lists the valid records of one index (or group) in list order.

// Appends to out the valid records of list with that id; returns how many.
template <class Rec>
int tallyRecords(Rec* list, int count, int id, Rec** out) {
    int n = 0;
    for (int i = 0; list != nullptr && out != nullptr && i < count; i++)
        if (list[i].valid && list[i].id == id) out[n++] = &list[i];
    return n;
}

// Runs of equal keys over valid records, counted by sorting references instead of walking
// every index between the smallest and the largest.
struct MerRuns {
    int refs = 0;         // valid records in range, sorted into the scratch list
    int ids = 0;          // distinct indices with at least one valid record
    int maxPerID = 0;     // most valid records sharing one index
    int maxPerGroup = 0;  // most valid records sharing one index and group
};

// Counts the runs of the valid records with id in [minID, maxID], using work (room for count
// references) as scratch; groupOf gives a record's group (a constant for tables without groups).
template <class Rec, class GroupOf>
MerRuns countRuns(Rec* list, int count, int minID, int maxID, Rec** work, GroupOf groupOf) {
    MerRuns runs;
    if (list == nullptr || work == nullptr) return runs;
    int m = 0;
    for (int i = 0; i < count; i++)
        if (list[i].valid && list[i].id >= minID && list[i].id <= maxID) work[m++] = &list[i];
    std::sort(work, work + m, [&](const Rec* a, const Rec* b) {
        if (a->id != b->id) return a->id < b->id;
        if (groupOf(*a) != groupOf(*b)) return groupOf(*a) < groupOf(*b);
        return a < b;
    });
    runs.refs = m;
    int idRun = 0, groupRun = 0;
    for (int k = 0; k < m; k++) {
        bool newID = k == 0 || work[k]->id != work[k - 1]->id;
        bool newGroup = newID || groupOf(*work[k]) != groupOf(*work[k - 1]);
        idRun = newID ? 1 : idRun + 1;
        groupRun = newGroup ? 1 : groupRun + 1;
        if (newID) runs.ids++;
        runs.maxPerID = std::max(runs.maxPerID, idRun);
        runs.maxPerGroup = std::max(runs.maxPerGroup, groupRun);
    }
    return runs;
}

// ---- Tables seen alike -----------------------------------------------------------------------
// Each table kind specialises TableKind next to its functions:
//   using Rec = <record>;  static Rec*& records(Tab&);  static int& count(Tab&);
//   static int atoms(Rec&, AtomRef* out);  (the record's atoms in the order I, J, K, L)
template <class Tab>
struct TableKind;

// Table defaults: nothing held, counts and cursor 0, chain names not in use, segment names as
// nullSegName says.
template <class Tab>
int nullTable(Tab* tab, int nullSegName) {
    if (tab == nullptr) return 0;
    *tab = Tab{};
    tab->nullChainName = 1;
    tab->nullSegName = nullSegName;
    return 0;
}

// The atoms of a record named by the fields resIDI, resNameI, atomNameI, chainNameI, segNameI
// and atomI, then the same with J, K and L, for the first n of them.
template <int N, class Rec>
int letteredAtoms(Rec& r, AtomRef* out) {
    out[0] = {&r.resIDI, r.resNameI, r.atomNameI, r.chainNameI, r.segNameI, &r.atomI};
    out[1] = {&r.resIDJ, r.resNameJ, r.atomNameJ, r.chainNameJ, r.segNameJ, &r.atomJ};
    if constexpr (N > 2) out[2] = {&r.resIDK, r.resNameK, r.atomNameK, r.chainNameK, r.segNameK, &r.atomK};
    if constexpr (N > 3) out[3] = {&r.resIDL, r.resNameL, r.atomNameL, r.chainNameL, r.segNameL, &r.atomL};
    return N;
}

// The one atom of a record named by resID, resName, atomName, chainName, segName and atom.
template <class Rec>
int singleAtom(Rec& r, AtomRef* out) {
    out[0] = {&r.resID, r.resName, r.atomName, r.chainName, r.segName, &r.atom};
    return 1;
}

// Calls fn on every valid record of a table; the number of such records (0 without a table).
template <class Tab, class Fn>
int forValid(Tab* tab, Fn fn) {
    using K = TableKind<Tab>;
    int n = 0;
    for (int i = 0; tab != nullptr && K::records(*tab) != nullptr && i < K::count(*tab); i++) {
        auto& rec = K::records(*tab)[i];
        if (!rec.valid) continue;
        fn(rec);
        n++;
    }
    return n;
}

// Deviation statistics over the valid records, dev(record) giving each deviation.
template <class Tab, class Dev>
MerStat tableStat(Tab* tab, Dev dev) {
    MerStat st;
    forValid(tab, [&](const auto& rec) { st.add(dev(rec), rec.w, rec.s); });
    return st;
}

// Defaults of n records: numbers, texts and references cleared, residue IDs not set, fc, w
// and s 1.
template <class Tab>
int nullTableRecords(typename TableKind<Tab>::Rec* list, int n) {
    for (int i = 0; list != nullptr && i < n; i++) {
        auto& r = list[i];
        r = typename TableKind<Tab>::Rec{};
        AtomRef refs[4];
        int atoms = TableKind<Tab>::atoms(r, refs);
        for (int k = 0; k < atoms; k++) *refs[k].resID = kMerNoResID;
        r.fc = r.w = r.s = 1.0f;
    }
    return 0;
}

// Starts record r from row e of a table file: count 1, valid 1, and its atoms.
template <class Tab>
void readRecordAtoms(const TableFile& tf, int e, const AtomCols& cols, Tab* tab,
                     typename TableKind<Tab>::Rec& r) {
    AtomRef refs[4];
    TableKind<Tab>::atoms(r, refs);
    readAtomCols(tf, e, cols, refs, &tab->nullChainName, &tab->nullSegName);
    r.count = 1;
    r.valid = 1;
}

// Looks up the atoms of every record; a record whose atoms are all found becomes valid and is
// counted, the others become not valid after the heading and one line per atom. 0 without a
// structure or records.
template <class Tab>
int mapTableAtoms(structure::PDBInfo* pdb, Tab* tab, int resOffset, const char* heading) {
    using K = TableKind<Tab>;
    static const char* const kSuffixes[4] = {"I", "J", "K", "L"};
    static const char* const kSingle[1] = {""};
    if (pdb == nullptr || tab == nullptr || K::records(*tab) == nullptr) return 0;
    int mapped = 0;
    for (int i = 0; i < K::count(*tab); i++) {
        auto& rec = K::records(*tab)[i];
        AtomRef refs[4];
        int n = K::atoms(rec, refs);
        rec.valid = mapAtomRefs(pdb, refs, n, n == 1 ? kSingle : kSuffixes, tab->nullChainName,
                                tab->nullSegName, resOffset, heading);
        mapped += rec.valid;
    }
    return mapped;
}

}  // namespace korim::restraints
