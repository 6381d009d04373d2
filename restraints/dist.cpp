// Distance, AC and DS restraint tables: record and table defaults, index and group tallies, counts and readers.
#include "restraints/dist.h"

#include <algorithm>
#include <type_traits>

#include "restraints/distkind.h"

namespace korim::restraints {

namespace {

// ---- Cursor, alike for the three tables ----

template <class Tab>
int tallyID(Tab* tab, int id) {
    using K = TableKind<Tab>;
    if (tab == nullptr) return 0;
    tab->currentID = id;
    tab->minGroup = tab->maxGroup = 0;
    tab->idCount = tallyRecords(K::records(*tab), K::count(*tab), id, tab->idList);
    for (int k = 0; k < tab->idCount; k++) {
        int g = tab->idList[k]->group;
        if (k == 0 || g < tab->minGroup) tab->minGroup = g;
        if (k == 0 || g > tab->maxGroup) tab->maxGroup = g;
    }
    return tab->idCount;
}

template <class Tab>
int tallyGroup(Tab* tab, int group) {
    if (tab == nullptr) return 0;
    tab->currentGroup = group;
    tab->groupCount = 0;
    for (int k = 0; tab->groupList != nullptr && k < tab->idCount; k++) {
        auto* rec = tab->idList[k];
        if (rec->valid && rec->group == group) tab->groupList[tab->groupCount++] = rec;
    }
    return tab->groupCount;
}

// Distinct groups of the current index, counted on a sorted copy in groupList.
template <class Tab>
int groupCount(Tab* tab) {
    if (tab == nullptr || tab->minGroup > tab->maxGroup) return 0;
    int m = 0;
    for (int k = 0; tab->groupList != nullptr && k < tab->idCount; k++) {
        auto* rec = tab->idList[k];
        if (rec->valid && rec->group >= tab->minGroup && rec->group <= tab->maxGroup)
            tab->groupList[m++] = rec;
    }
    std::sort(tab->groupList, tab->groupList + m,
              [](const auto* a, const auto* b) { return a->group < b->group; });
    int groups = 0;
    for (int k = 0; k < m; k++)
        if (k == 0 || tab->groupList[k]->group != tab->groupList[k - 1]->group) groups++;
    tallyGroup(tab, tab->maxGroup);
    return groups;
}

template <class Tab>
int idCount(Tab* tab) {
    using K = TableKind<Tab>;
    if (tab == nullptr || tab->minID > tab->maxID) return 0;
    auto noGroup = [](const auto&) { return 0; };
    int ids = countRuns(K::records(*tab), K::count(*tab), tab->minID, tab->maxID, tab->idList, noGroup).ids;
    tallyID(tab, tab->maxID);
    return ids;
}

// ---- Reading ----

// Columns shared by the three readers.
struct PairCols {
    int index, type, group, fixed, d, dHi, dLo, s, w, fc;
};

PairCols findPairCols(const TableFile& tf) {
    return {tf.column("INDEX"), tf.column("TYPE"), tf.column("GROUP"), tf.column("FIXED"),
            tf.column("D"),     tf.column("D_HI"), tf.column("D_LO"),  tf.column("S"),
            tf.column("W"),     tf.column("FC")};
}

template <class Rec>
void readPairRow(const TableFile& tf, int e, const PairCols& c, Rec& r) {
    r.dCurrent = 0.0f;
    r.id = tf.intValue(e, c.index, e + 1);
    r.type = tf.intValue(e, c.type, 1);
    r.group = tf.intValue(e, c.group, 1);
    r.fixed = tf.intValue(e, c.fixed, 0);
    r.d = tf.value(e, c.d, 0.0f);
    const bool noBounds = c.dHi < 0 && c.dLo < 0;
    r.dHi = noBounds ? r.d : tf.value(e, c.dHi, 0.0f);
    r.dLo = noBounds ? r.d : tf.value(e, c.dLo, 0.0f);
    r.s = tf.value(e, c.s, 1.0f);
    r.w = tf.value(e, c.w, 1.0f);
    r.fc = tf.value(e, c.fc, 1.0f);
}

// Record, index and group lists (and the coordinate list of the tables that have one) of n
// records; all or none.
template <class Tab>
int allocPairLists(Tab* tab, int n, const char* tag) {
    using Rec = typename TableKind<Tab>::Rec;
    constexpr bool hasCoords = !std::is_same_v<Tab, DSTable>;
    Rec* list = merAlloc<Rec>(tag, n);
    Rec** ids = merAlloc<Rec*>(tag, n);
    Rec** groups = merAlloc<Rec*>(tag, n);
    structure::Coord3D* coords = hasCoords ? merAlloc<structure::Coord3D>(tag, n) : nullptr;
    if (list == nullptr || ids == nullptr || groups == nullptr || (hasCoords && coords == nullptr)) {
        merRelease(tag, list, n);
        merRelease(tag, ids, n);
        merRelease(tag, groups, n);
        merRelease(tag, coords, n);
        return 1;
    }
    for (int i = 0; i < n; i++) list[i] = Rec{};
    TableKind<Tab>::records(*tab) = list;
    tab->idList = ids;
    tab->groupList = groups;
    if constexpr (hasCoords) {
        tab->coordList = coords;
        for (int i = 0; i < n; i++) coords[i] = structure::Coord3D{0.0f, 0.0f, 0.0f};
    }
    return 0;
}

// The index and group bookkeeping after reading: ranges, the most records of one index and of
// one group, and the cursor on the largest index and its largest group.
template <class Tab>
void finishPairRead(Tab* tab) {
    using K = TableKind<Tab>;
    auto* list = K::records(*tab);
    const int n = K::count(*tab);
    for (int i = 0; i < n; i++) {
        if (i == 0 || list[i].id < tab->minID) tab->minID = list[i].id;
        if (i == 0 || list[i].id > tab->maxID) tab->maxID = list[i].id;
        if (i == 0 || list[i].group < tab->minGroup) tab->minGroup = list[i].group;
        if (i == 0 || list[i].group > tab->maxGroup) tab->maxGroup = list[i].group;
    }
    MerRuns runs = countRuns(list, n, tab->minID, tab->maxID, tab->idList,
                             [](const auto& r) { return r.group; });
    tab->maxIDCount = runs.maxPerID;
    tab->maxGroupCount = runs.maxPerGroup;
    tallyID(tab, tab->maxID);
    tallyGroup(tab, tab->maxGroup);
}

// Reads one of the three tables; extraFor(tf) locates the columns only that kind has and gives
// the reader of their values, extra(row, record).
template <class Tab, class Null, class ExtraFor>
int readPairTable(const char* inName, Tab* tab, int type, const char* tag, const char* allocMsg,
                  Null null, ExtraFor extraFor) {
    using K = TableKind<Tab>;
    if (merNoFile(inName)) return 0;
    if (tab == nullptr) return 1;
    TableFile tf;
    int status = tf.read(inName);
    if (status != 0) return status;
    const AtomCols cols = findAtomCols(tf, K::kAtoms);
    const PairCols pc = findPairCols(tf);
    auto extra = extraFor(tf);
    if (tf.requireFinite(inName) != 0) return 1;
    const int n = tf.rows();
    if (allocPairLists(tab, n, tag) != 0) {
        merReport("%s", allocMsg);
        return 1;
    }
    K::count(*tab) = n;
    tab->type = type;
    tab->minID = tab->maxID = tab->minGroup = tab->maxGroup = 0;
    tab->idCount = tab->groupCount = tab->maxIDCount = tab->maxGroupCount = 0;
    tab->currentID = tab->currentGroup = 0;
    null(K::records(*tab), n);
    for (int e = 0; e < n; e++) {
        auto& r = K::records(*tab)[e];
        readRecordAtoms(tf, e, cols, tab, r);
        readPairRow(tf, e, pc, r);
        extra(e, r);
    }
    finishPairRead(tab);
    return 0;
}


}  // namespace

int distNull(DistInfo* dList, int dCount) { return nullTableRecords<DistTable>(dList, dCount); }

int dsNull(DSInfo* dList, int dCount) { return nullTableRecords<DSTable>(dList, dCount); }

int acNull(ACInfo* acList, int acCount) {
    for (int i = 0; acList != nullptr && i < acCount; i++) {
        const float x = acList[i].x, y = acList[i].y, z = acList[i].z;
        nullTableRecords<ACTable>(&acList[i], 1);
        acList[i].x = x;
        acList[i].y = y;
        acList[i].z = z;
    }
    return 0;
}

int distTabNull(DistTable* distTab) { return nullTable(distTab, 1); }

int acTabNull(ACTable* acTab) {
    if (acTab == nullptr) return 0;
    structure::Coord3D* coords = acTab->coordList;
    nullTable(acTab, 1);
    acTab->coordList = coords;
    return 0;
}

int dsTabNull(DSTable* dsTab) {
    if (dsTab == nullptr) return 0;
    DistInfo* list = dsTab->distList;
    const int count = dsTab->distCount;
    nullTable(dsTab, 1);
    dsTab->distList = list;
    dsTab->distCount = count;
    return 0;
}

int noeTabNull(NOETable* noeTab) {
    if (noeTab == nullptr) return 0;
    noeTab->distTab = nullptr;
    noeTab->noeList = nullptr;
    noeTab->noeCount = 0;
    return 0;
}

int distTallyID(DistTable* distTab, int id) { return tallyID(distTab, id); }
int distTallyGroup(DistTable* distTab, int group) { return tallyGroup(distTab, group); }
int acTallyID(ACTable* acTab, int id) { return tallyID(acTab, id); }
int acTallyGroup(ACTable* acTab, int group) { return tallyGroup(acTab, group); }
int dsTallyID(DSTable* dsTab, int id) { return tallyID(dsTab, id); }
int dsTallyGroup(DSTable* dsTab, int group) { return tallyGroup(dsTab, group); }
int getDistGroupCount(DistTable* distTab) { return groupCount(distTab); }
int getACGroupCount(ACTable* acTab) { return groupCount(acTab); }
int getDSGroupCount(DSTable* dsTab) { return groupCount(dsTab); }
int getDistTabIDCount(DistTable* distTab) { return idCount(distTab); }
int getACTabIDCount(ACTable* acTab) { return idCount(acTab); }
int getDSTabIDCount(DSTable* dsTab) { return idCount(dsTab); }

int readDist(const char* inDistName, DistTable* distTab, int distType) {
    return readPairTable(inDistName, distTab, distType, "dist",
                         "MERIDO Error Allocating Distance Values.\n", distNull,
                         [](const TableFile&) { return [](int, DistInfo&) {}; });
}

int readAC(const char* inName, ACTable* acTab, int acType) {
    return readPairTable(inName, acTab, acType, "ac", "MERIDO Error Allocating AC Values.\n", acNull,
                         [](const TableFile& tf) {
                             const int xLoc = tf.column("X"), yLoc = tf.column("Y"), zLoc = tf.column("Z");
                             return [&tf, xLoc, yLoc, zLoc](int e, ACInfo& r) {
                                 r.x = tf.value(e, xLoc, 0.0f);
                                 r.y = tf.value(e, yLoc, 0.0f);
                                 r.z = tf.value(e, zLoc, 0.0f);
                             };
                         });
}

int readDS(const char* inName, DSTable* dsTab, int dsType) {
    return readPairTable(inName, dsTab, dsType, "ds",
                         "MERIDO Error Allocating Distance Pair Values.\n", dsNull,
                         [](const TableFile&) { return [](int, DSInfo&) {}; });
}

}  // namespace korim::restraints
