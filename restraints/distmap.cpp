// Restraint tables tied to a structure: atom mapping, bond and exclusion marks, NOE grouping, current distances and statistics.
#include "restraints/distmap.h"

#include <algorithm>

#include "restraints/distkind.h"

namespace korim::restraints {

namespace {

const char* const kTag = "dist";

// Adds code to both cells of the atoms of each valid record; the number of records added.
int markPairs(structure::PDBInfo* pdb, DistTable* tab, int shift) {
    int added = 0;
    for (int i = 0; i < tab->distCount; i++) {
        const DistInfo& r = tab->distList[i];
        if (!r.valid || r.atomI == nullptr || r.atomJ == nullptr) continue;
        long a = r.atomI - pdb->atomList, b = r.atomJ - pdb->atomList;
        if (a < 0 || a >= pdb->atomCount || b < 0 || b >= pdb->atomCount) continue;
        unsigned code = (static_cast<unsigned>(r.type) & 0xFFu) << shift;
        auto add = [code](char& cell) {
            cell = static_cast<char>((static_cast<unsigned char>(cell) + code) & 0xFFu);
        };
        add(pdb->bondMatrix[a][b]);
        add(pdb->bondMatrix[b][a]);
        added++;
    }
    return added;
}

// Maps the table and marks its valid records in the bond matrix (shift 0: bonds, 4: exclusions)
// between the two lines; the number marked.
int markTable(structure::PDBInfo* pdb, DistTable* tab, int shift, const char* start, const char* endFmt) {
    mapDistInfo(pdb, tab);
    if (pdb == nullptr || tab == nullptr || pdb->bondMatrix == nullptr || pdb->atomList == nullptr)
        return 0;
    merReport("%s", start);
    int added = markPairs(pdb, tab, shift);
    merReport(endFmt, added);
    return added;
}

// Releases the groups of one NOE restraint.
void releaseNOE(NOEInfo& noe) {
    for (int g = 0; g < noe.count; g++)
        merRelease(kTag, noe.simpleList[g].distList, noe.simpleList[g].count);
    merRelease(kTag, noe.simpleList, noe.count);
    noe.simpleList = nullptr;
    noe.count = 0;
}

// Builds one NOE restraint from the sorted references of one index (runs of equal groups,
// members in list order). 0, or 1 with nothing held.
int buildNOE(NOEInfo& noe, DistInfo** refs, int m) {
    int groups = 0;
    for (int k = 0; k < m; k++)
        if (k == 0 || refs[k]->group != refs[k - 1]->group) groups++;
    noe.id = refs[0]->id;
    noe.count = 0;
    noe.simpleList = merAlloc<SimpleNOE>(kTag, groups);
    if (noe.simpleList == nullptr) return 1;
    for (int k = 0; k < m;) {
        int end = k;
        while (end < m && refs[end]->group == refs[k]->group) end++;
        SimpleNOE& grp = noe.simpleList[noe.count];
        grp = SimpleNOE{refs[k]->id, refs[k]->group, end - k, nullptr, 0.0, 0.0};
        grp.distList = merAlloc<DistInfo*>(kTag, end - k);
        if (grp.distList == nullptr) {
            releaseNOE(noe);
            return 1;
        }
        std::copy(refs + k, refs + end, grp.distList);
        noe.count++;
        k = end;
    }
    return 0;
}

}  // namespace

int mapDistInfo(structure::PDBInfo* pdbInfo, DistTable* distTab) {
    return mapTableAtoms(pdbInfo, distTab, 0, "MERIDO Warning: No Atom Map for Distance:\n");
}

int mapACInfo(structure::PDBInfo* pdbInfo, ACTable* acTab) {
    return mapTableAtoms(pdbInfo, acTab, 0, "MERIDO Warning: No Atom Map for Coord:\n");
}

int mapDSInfo(structure::PDBInfo* pdbInfo, DSTable* dsTab) {
    return mapTableAtoms(pdbInfo, dsTab, 0, "MERIDO Warning: No Atom Map for Distance Pair:\n");
}

int mapBondInfo(structure::PDBInfo* pdbInfo, DistTable* distTab) {
    return markTable(pdbInfo, distTab, 0, "MERIDO building bond matrix.\n", "MERIDO %d bonds.\n");
}

int mapVDWExclInfo(structure::PDBInfo* pdbInfo, DistTable* distTab) {
    markTable(pdbInfo, distTab, 4, "MERIDO building VDW exclusion matrix.\n", "MERIDO %d VDW exclusions.\n");
    return 0;
}

int mapNOEInfo(structure::PDBInfo* pdbInfo, DistTable* distTab, NOETable* noeTab) {
    if (distTab == nullptr || noeTab == nullptr) return 0;
    mapDistInfo(pdbInfo, distTab);
    noeTab->distTab = distTab;
    noeTab->noeList = nullptr;
    noeTab->noeCount = 0;
    // The valid records sorted by index, group and list position, in idList as scratch.
    DistInfo** refs = distTab->idList;
    MerRuns runs = countRuns(distTab->distList, distTab->distCount, distTab->minID, distTab->maxID,
                             refs, [](const DistInfo& r) { return r.group; });
    int status = 0;
    if (runs.ids > 0) {
        noeTab->noeList = merAlloc<NOEInfo>(kTag, runs.ids);
        if (noeTab->noeList == nullptr) {
            merReport("MERIDO Error Allocating NOE List.\n");
            status = 1;
        }
    }
    int m = 0;
    while (status == 0 && m < runs.refs) {
        int end = m;
        while (end < runs.refs && refs[end]->id == refs[m]->id) end++;
        if (buildNOE(noeTab->noeList[noeTab->noeCount], refs + m, end - m) != 0) {
            merReport("MERIDO Error Allocating NOE Values.\n");
            status = 1;
            break;
        }
        noeTab->noeCount++;
        m = end;
    }
    // The scratch use moved the cursor's lists: put them back.
    distTallyID(distTab, distTab->currentID);
    distTallyGroup(distTab, distTab->currentGroup);
    return status;
}

int showNOEInfo(NOETable* noeTab) {
    if (noeTab == nullptr) return 0;
    merReport("NOE Table %d complex contstraints:\n", noeTab->noeCount);
    for (int i = 0; noeTab->noeList != nullptr && i < noeTab->noeCount; i++) {
        const NOEInfo& noe = noeTab->noeList[i];
        merReport("ID %d, %d groups:\n", noe.id, noe.count);
        for (int g = 0; g < noe.count; g++) {
            const SimpleNOE& grp = noe.simpleList[g];
            merReport("  Group %d, %d entries:\n", grp.group, grp.count);
            for (int k = 0; k < grp.count; k++) {
                const DistInfo& r = *grp.distList[k];
                merReport("    %4d %6s %6s -> %4d %6s %6s\n", r.resIDI, r.resNameI, r.atomNameI,
                          r.resIDJ, r.resNameJ, r.atomNameJ);
            }
        }
    }
    return 0;
}

int updatePDBDist(structure::PDBInfo* pdbInfo, DistTable* distTab) {
    if (pdbInfo == nullptr) return 0;
    return forValid(distTab, [](DistInfo& r) { r.dCurrent = structure::pdbDist(r.atomI, r.atomJ); });
}

int getStatDist(DistTable* distTab, float* rSumD, float* pSumD, int* nD) {
    MerStat st = tableStat(distTab, [](const DistInfo& r) { return r.d - r.dCurrent; });
    st.store(rSumD, pSumD, nD);
    return 0;
}

int getStatAC(ACTable* acTab, float* rSumD, float* pSumD, int* nD) {
    MerStat st = tableStat(acTab, [](const ACInfo& r) { return r.dVio; });
    st.store(rSumD, pSumD, nD);
    return 0;
}

int getStatNOE(DistTable* distTab, float* rSumD, float* pSumD, int* nD, int* nVio) {
    int vio = 0;
    MerStat st = tableStat(distTab, [&vio](const DistInfo& r) {
        float diff = 0.0f;
        if (r.dLo > r.dCurrent) diff = r.dLo - r.dCurrent;
        else if (r.dCurrent > r.dHi) diff = r.dCurrent - r.dHi;
        else return 0.0f;
        vio++;
        return diff;
    });
    st.store(rSumD, pSumD, nD);
    *nVio = vio;
    return 0;
}

}  // namespace korim::restraints
