// The pattern of the angle, torsion, J-coupling and radius-of-gyration tables: record lists, index tallies, reading bookkeeping, atom mapping, statistics and the table writer.
#pragma once

#include <climits>
#include <cstdio>

#include "restraints/restab.h"

namespace korim::restraints {

// Each table kind's TableKind (restab.h) also gives  static int null(Rec*, int).

// The valid records of index id into idList; moves the table's cursor there.
template <class Tab>
int tallyTableID(Tab* tab, int id) {
    using K = TableKind<Tab>;
    if (tab == nullptr) return 0;
    tab->currentID = id;
    tab->tallyCount = tallyRecords(K::records(*tab), K::count(*tab), id, tab->idList);
    return tab->tallyCount;
}

// Takes the record list and the index list of n records, gives the records their defaults and
// the table its reading start. On failure prints msg, keeps the table as it was, returns 1.
template <class Tab>
int allocTableRecords(Tab* tab, int n, const char* tag, const char* msg, int type) {
    using K = TableKind<Tab>;
    using Rec = typename K::Rec;
    if (tab == nullptr) return 1;
    Rec* list = merAlloc<Rec>(tag, n);
    Rec** ids = list != nullptr ? merAlloc<Rec*>(tag, n) : nullptr;
    if (ids == nullptr) {
        merRelease(tag, list, n);
        merReport("%s", msg);
        return 1;
    }
    K::null(list, n);
    K::records(*tab) = list;
    tab->idList = ids;
    K::count(*tab) = n;
    tab->type = type;
    tab->minID = 1000000;
    tab->maxID = 0;
    tab->maxTallyCount = 0;
    tab->tallyCount = 0;
    tab->currentID = 0;
    return 0;
}

// Index bookkeeping after reading: the index range, the most records sharing one index, and
// the cursor left on the largest index.
template <class Tab>
void finishTableRead(Tab* tab) {
    using K = TableKind<Tab>;
    auto* list = K::records(*tab);
    int n = K::count(*tab);
    for (int i = 0; i < n; i++) {
        if (list[i].id < tab->minID) tab->minID = list[i].id;
        if (list[i].id > tab->maxID) tab->maxID = list[i].id;
    }
    auto noGroup = [](const auto&) { return 0; };
    tab->maxTallyCount = countRuns(list, n, tab->minID, tab->maxID, tab->idList, noGroup).maxPerID;
    if (tab->minID <= tab->maxID) tallyTableID(tab, tab->maxID);
}

// What a table writer prints besides the atoms.
struct TableLayout {
    const char* title;     // REMARK title
    const char* failFmt;   // message when the file cannot be opened (with the name)
    const char* valueVars; // column names after the atoms, with the line end
    const char* valueFmts; // their formats, ending the FORMAT line and adding a blank line
};

// Writes the valid records: the statistics header, VARS and FORMAT lines, and per record
// " %4d" with the index, its atoms and the values row(out, record) prints. Nothing is written
// for a missing or empty table; a file that cannot be opened is reported with failFmt and the
// table goes to the standard output instead (merOpenOutput). Always 0.
template <class Tab, class Row>
int writeTableRows(const char* outName, Tab* tab, const char* remark, const TableLayout& lay,
                   int n, float rms, float chi2, Row row) {
    using K = TableKind<Tab>;
    static const char* const kSuffixes[4] = {"_I", "_J", "_K", "_L"};
    if (tab == nullptr || K::records(*tab) == nullptr || K::count(*tab) < 1) return 0;
    FILE* out = merOpenOutput(outName, lay.failFmt);
    AtomRef refs[4];
    int atoms = K::atoms(K::records(*tab)[0], refs);
    int chain = tab->nullChainName == 0, seg = tab->nullSegName == 0;
    merStatHeader(out, lay.title, remark, n, rms, chi2);
    std::fprintf(out, "VARS   INDEX");
    merAtomVars(out, kSuffixes, atoms, chain, seg);
    std::fputs(lay.valueVars, out);
    std::fputs("FORMAT %4d", out);
    merAtomFormats(out, atoms, chain, seg);
    std::fputs(lay.valueFmts, out);
    for (int i = 0; i < K::count(*tab); i++) {
        auto& rec = K::records(*tab)[i];
        if (!rec.valid) continue;
        std::fprintf(out, " %4d", rec.id);
        K::atoms(rec, refs);
        for (int k = 0; k < atoms; k++) merAtomRow(out, refs[k], chain, seg);
        row(out, rec);
    }
    merCloseOutput(out);
    return 0;
}

}  // namespace korim::restraints
