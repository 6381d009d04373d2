// Structure indexing: residues, chains and segments built from the atom list, and their key tables.
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/hsymbol.h"
#include "foundation/memory.h"
#include "structure/pdb.h"
#include "structure/pdbhooks.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

const char* const kTag = "pdb";

// Sizes of the pointer lists inside the records.
constexpr int kResAtomFirst = 32, kResAtomStep = 8;
constexpr int kGroupAtomFirst = 4096, kGroupAtomStep = 1024;
constexpr int kGroupResFirst = 512, kGroupResStep = 150;

// Grows a pointer list by the fixed steps; the entry handed out is null, the
// spare ones are left untouched (each is null when handed out).
template <typename T>
T** nextPtr(T*** list, int* count, int* maxCount, int initCount, int incrCount, const char* verbFmt,
            const char* failMsg) {
    if (list == nullptr || count == nullptr || maxCount == nullptr) return nullptr;
    if (*count >= *maxCount) {
        int newMax = *maxCount == 0 ? initCount : *maxCount + incrCount;
        if (getPDBVerb()) std::fprintf(stderr, verbFmt, newMax);
        long long bytes = static_cast<long long>(newMax) * static_cast<long long>(sizeof(T*));
        T** grown = nullptr;
        if (newMax > *maxCount && bytes <= 0x7fffffffLL) {
            grown = static_cast<T**>(voidReMalloc(kTag, *list, static_cast<int>(bytes),
                                                  *maxCount * static_cast<int>(sizeof(T*))));
        }
        if (grown == nullptr) {
            std::fprintf(stderr, "%s\n", failMsg);
            return nullptr;
        }
        *list = grown;
        *maxCount = newMax;
    }
    (*list)[*count] = nullptr;
    return &(*list)[(*count)++];
}

// Adds key -> index for a key known to be absent (hSetSymInt without its
// second look-up); -1 with the table's message when it cannot.
int addKey(HTable* tab, const char* key, int index, const char* failMsg) {
    HSymbol* s = tab != nullptr ? hAddSym(key, HSYM_INT, tab) : nullptr;
    if (s == nullptr) {
        std::fprintf(stderr, "%s\n", failMsg);
        return -1;
    }
    s->val.u.i = index;
    return index;
}

// Length of a name that ends inside its PDB_NAME_LEN bytes, else PDB_NAME_LEN.
size_t nameLen(const char* name) {
    size_t n = 0;
    while (n < static_cast<size_t>(PDB_NAME_LEN) && name[n] != '\0') n++;
    return n;
}

// buildAtomText(a->resID, a->atomName, a->icode, a->chainID, a->segID, key): the names, each
// shorter than its PDB_NAME_LEN bytes, copied whole ("%d %-4s %s%s %-4s", an empty insertion
// code or chain as one blank) while chains and segments count for the keys.
void atomKey(const AtomInfo* a, char* key) {
    const size_t la = nameLen(a->atomName), li = nameLen(a->icode), lc = nameLen(a->chainID),
                 ls = nameLen(a->segID);
    const size_t most = PDB_NAME_LEN - 1;
    if (getPDBChainMode() || getPDBSegMode() || la > most || li > most || lc > most || ls > most) {
        buildAtomText(a->resID, a->atomName, a->icode, a->chainID, a->segID, key);
        return;
    }
    // Each step writes up to 16 bytes ahead of its end; the whole key takes less than 100 of
    // the PDB_KEY_LEN.
    char digits[24];  // the digits end at digits + 12; 12 bytes from the first are copied
    char* d = digits + 12;
    long long v = a->resID < 0 ? -static_cast<long long>(a->resID) : a->resID;
    do {
        *--d = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    if (a->resID < 0) *--d = '-';
    const size_t ld = static_cast<size_t>(digits + 12 - d);
    char* p = key;
    std::memcpy(p, d, 12);  // the digits, and bytes after them the next steps write over
    p += ld;
    *p++ = ' ';
    std::memcpy(p, a->atomName, PDB_NAME_LEN);
    std::memcpy(p + la, "    ", 4);
    p += la < 4 ? 4 : la;
    *p++ = ' ';
    std::memcpy(p, a->icode, PDB_NAME_LEN);
    *p = li == 0 ? ' ' : *p;
    p += li == 0 ? 1 : li;
    std::memcpy(p, a->chainID, PDB_NAME_LEN);
    *p = lc == 0 ? ' ' : *p;
    p += lc == 0 ? 1 : lc;
    *p++ = ' ';
    std::memcpy(p, a->segID, PDB_NAME_LEN);
    std::memcpy(p + ls, "    ", 4);
    p += ls < 4 ? 4 : ls;
    *p = '\0';
}

// Index stored under key, or -1 when absent.
int findKey(HTable* tab, const char* key) {
    int index = -1;
    if (tab == nullptr || hGetSymInt(key, tab, &index) == 0) return -1;
    return index;
}

// strncmp(a, b, PDB_NAME_LEN) == 0 for the short names of a record, without the call.
bool sameName(const char* a, const char* b) {
    for (int i = 0; i < PDB_NAME_LEN; i++) {
        if (a[i] != b[i]) return false;
        if (a[i] == '\0') return true;
    }
    return true;
}

// The same chain and segment names: the same chain, segment and (with the
// same residue number) residue keys.
bool sameNames(const AtomInfo& a, const AtomInfo& b) {
    return sameName(a.chainID, b.chainID) && sameName(a.segID, b.segID);
}

// Appends atom a to a record's atom list as setResInfo, setChainAtomInfo and setSegAtomInfo do,
// without their name copies (namesFromLastAtom makes them once); false when the list cannot grow.
template <typename G>
bool appendAtom(G* g, AtomInfo* a, int first, int step) {
    if (g->atomList != nullptr && g->atomCount < g->maxAtomCount) {
        g->atomList[g->atomCount++] = a;  // room left: getNextAtomPtr would not grow the list
        return true;
    }
    AtomInfo** slot = getNextAtomPtr(&g->atomList, &g->atomCount, &g->maxAtomCount, first, step);
    if (slot == nullptr) return false;
    *slot = a;
    return true;
}

// The names the per-atom set-up calls leave in a record: those of the last atom appended to
// it (none when no atom could be appended).
void namesFromLastAtom(ResInfo* r) {
    if (r->atomCount < 1) return;
    const AtomInfo* a = r->atomList[r->atomCount - 1];
    r->resID = a->resID;
    pdbStrCpy(r->resName, a->resName);
    pdbStrCpy(r->chainID, a->chainID);
    pdbStrCpy(r->segID, a->segID);
}

void namesFromLastAtom(ChainInfo* c) {
    if (c->atomCount < 1) return;
    const AtomInfo* a = c->atomList[c->atomCount - 1];
    pdbStrCpy(c->chainID, a->chainID);
    pdbStrCpy(c->segID, a->segID);
}

void namesFromLastAtom(SegInfo* s) {
    if (s->atomCount < 1) return;
    const AtomInfo* a = s->atomList[s->atomCount - 1];
    pdbStrCpy(s->segID, a->segID);
    pdbStrCpy(s->chainID, a->chainID);
}

// namesFromLastAtom for every record of a list; gives status.
template <typename G>
int namesFromLastAtoms(G* list, int count, int status) {
    for (int k = 0; list != nullptr && k < count; k++) namesFromLastAtom(&list[k]);
    return status;
}

template <typename T>
int groupResArray(T* g, const char* failMsg) {
    if (g->resCount < 1) return 0;
    long long n = static_cast<long long>(g->maxResID) - g->minResID + 1;
    long long bytes = n * static_cast<long long>(sizeof(ResInfo*));
    ResInfo** arr = nullptr;
    if (n > 0 && bytes <= 0x7fffffffLL) {
        arr = static_cast<ResInfo**>(voidMalloc(kTag, static_cast<int>(bytes)));
    }
    if (arr == nullptr) {
        std::fprintf(stderr, "%s\n", failMsg);
        return 1;
    }
    for (long long i = 0; i < n; i++) arr[i] = nullptr;
    for (int i = 0; i < g->resCount; i++) {
        ResInfo* r = g->resList[i];
        if (r != nullptr) arr[r->resID - g->minResID] = r;
    }
    g->resArray = arr;
    return 0;
}

// Points the atoms of a chain or segment, and their residues, at it (through
// the link members given) and takes the group's residue-number range.
template <typename G>
void linkGroupAtoms(G* g, G* AtomInfo::*atomLink, G* ResInfo::*resLink) {
    for (int k = 0; k < g->atomCount; k++) {
        AtomInfo* a = g->atomList[k];
        a->*atomLink = g;
        a->resInfo->*resLink = g;
        if (k == 0 || a->resInfo->resID < g->minResID) g->minResID = a->resInfo->resID;
        if (k == 0 || a->resInfo->resID > g->maxResID) g->maxResID = a->resInfo->resID;
    }
}

}  // namespace

AtomInfo** getNextAtomPtr(AtomInfo*** atomList, int* atomCount, int* maxAtomCount, int initCount,
                          int incrCount) {
    return nextPtr(atomList, atomCount, maxAtomCount, initCount, incrCount,
                   "REMARK Expanding Atom Index List: %d atoms max.\n",
                   "PDB Error Allocating Atom Index memory.");
}

ResInfo** getNextResPtr(ResInfo*** resList, int* resCount, int* maxResCount, int initCount,
                        int incrCount) {
    return nextPtr(resList, resCount, maxResCount, initCount, incrCount,
                   "REMARK Expanding Res Index List: %d residues max.\n",
                   "PDB Error Allocating Residue Index memory.");
}

int setResInfo(ResInfo* r, AtomInfo* a) {
    if (r == nullptr || a == nullptr) return 1;
    AtomInfo** slot = getNextAtomPtr(&r->atomList, &r->atomCount, &r->maxAtomCount, kResAtomFirst,
                                     kResAtomStep);
    if (slot == nullptr) return 1;
    *slot = a;
    r->resID = a->resID;
    pdbStrCpy(r->resName, a->resName);
    pdbStrCpy(r->chainID, a->chainID);
    pdbStrCpy(r->segID, a->segID);
    return 0;
}

int setChainAtomInfo(ChainInfo* c, AtomInfo* a) {
    if (c == nullptr || a == nullptr) return 1;
    AtomInfo** slot = getNextAtomPtr(&c->atomList, &c->atomCount, &c->maxAtomCount, kGroupAtomFirst,
                                     kGroupAtomStep);
    if (slot == nullptr) return 1;
    *slot = a;
    pdbStrCpy(c->chainID, a->chainID);
    pdbStrCpy(c->segID, a->segID);
    return 0;
}

int setSegAtomInfo(SegInfo* s, AtomInfo* a) {
    if (s == nullptr || a == nullptr) return 1;
    AtomInfo** slot = getNextAtomPtr(&s->atomList, &s->atomCount, &s->maxAtomCount, kGroupAtomFirst,
                                     kGroupAtomStep);
    if (slot == nullptr) return 1;
    *slot = a;
    pdbStrCpy(s->segID, a->segID);
    pdbStrCpy(s->chainID, a->chainID);
    return 0;
}

int setChainResInfo(ChainInfo* c, ResInfo* r) {
    if (c == nullptr || r == nullptr) return 1;
    ResInfo** slot = getNextResPtr(&c->resList, &c->resCount, &c->maxResCount, kGroupResFirst,
                                   kGroupResStep);
    if (slot == nullptr) return 1;
    *slot = r;
    return 0;
}

int setSegResInfo(SegInfo* s, ResInfo* r) {
    if (s == nullptr || r == nullptr) return 1;
    ResInfo** slot = getNextResPtr(&s->resList, &s->resCount, &s->maxResCount, kGroupResFirst,
                                   kGroupResStep);
    if (slot == nullptr) return 1;
    *slot = r;
    return 0;
}

// ---- Entering keys ---------------------------------------------------------

int insertAtom(PDBInfo* p, AtomInfo* a) {
    if (p == nullptr || a == nullptr || p->atomList == nullptr || a < p->atomList ||
        a >= p->atomList + p->atomCount) {
        std::fprintf(stderr, "PDB Atom Symbol Table Error.\n");
        return -1;
    }
    char key[PDB_KEY_LEN];
    atomKey(a, key);
    const int index = static_cast<int>(a - p->atomList);
    const char* const failMsg = "PDB Atom Symbol Table Error.";
    int found = -1;
    if (getPDBDBG()) {
        // The debug line comes between the look-up and the insertion.
        found = findKey(p->atomTab, key);
        if (found < 0) {
            std::fprintf(stderr, "PDB inserting atom |%s|\n", key);
            return addKey(p->atomTab, key, index, failMsg);
        }
    } else {
        bool added = false;
        HSymbol* s = hFindOrAddSymOnce(key, HSYM_INT, p->atomTab, &added);
        if (s == nullptr) {
            std::fprintf(stderr, "%s\n", failMsg);
            return -1;
        }
        if (added) {
            s->val.u.i = index;
            return index;
        }
        found = s->val.u.i;
    }
    std::fprintf(stderr, "PDB Warning: Redundant Atom Specification.\n");
    std::fprintf(stderr, " ResID: %d AtomName: %s Chain: %s Segment: %s\n", a->resID,
                 a->atomName, a->chainID, a->segID);
    return found;
}

namespace {

// Enters a residue, chain or segment key: the index stored under it, or the
// index of a new record slot taken by next(); -1 with failMsg on failure.
template <typename NextFn>
int insertGroupKey(HTable* tab, const char* key, const char* dbgFmt, NextFn next, const int& count,
                   const char* failMsg) {
    int found = findKey(tab, key);
    if (found >= 0) return found;
    if (getPDBDBG()) std::fprintf(stderr, dbgFmt, key);
    if (tab == nullptr) {
        std::fprintf(stderr, "%s\n", failMsg);
        return -1;
    }
    if (next() == nullptr) return -1;
    return addKey(tab, key, count - 1, failMsg);
}

}  // namespace

int insertRes(PDBInfo* p, AtomInfo* a) {
    if (p == nullptr || a == nullptr) return -1;
    char key[PDB_KEY_LEN];
    buildResText(a->resID, a->chainID, a->segID, key);
    return insertGroupKey(p->resTab, key, "PDB inserting residiue |%s|\n", [p] { return getNextRes(p); },
                          p->resCount, "PDB Residue Symbol Table Error.");
}

int insertChain(PDBInfo* p, AtomInfo* a) {
    if (p == nullptr || a == nullptr) return -1;
    char key[PDB_KEY_LEN];
    buildChainText(a->chainID, a->segID, key);
    return insertGroupKey(p->chainTab, key, "PDB inserting chain |%s|\n", [p] { return getNextChain(p); },
                          p->chainCount, "PDB Chain Symbol Table Error.");
}

int insertSeg(PDBInfo* p, AtomInfo* a) {
    if (p == nullptr || a == nullptr) return -1;
    char key[PDB_KEY_LEN];
    buildSegText(a->segID, a->chainID, key);
    return insertGroupKey(p->segTab, key, "PDB inserting segment |%s|\n", [p] { return getNextSeg(p); },
                          p->segCount, "PDB Seg Symbol Table Error.");
}

// ---- Indexing --------------------------------------------------------------

int indexPDB(PDBInfo* p) {
    if (p == nullptr || p->atomList == nullptr || p->atomCount < 1) return 0;
    // Indexing twice would enter every atom again under its own key.
    if (p->resList != nullptr || p->chainList != nullptr || p->segList != nullptr) return 0;
    AtomInfo* atoms = p->atomList;
    int n = p->atomCount;

    pdbStrCpy(p->defChainName, atoms[0].chainID);
    pdbStrCpy(p->defSegName, atoms[0].segID);

    freeCoordList(p);
    long long coordBytes = static_cast<long long>(p->maxAtomCount) * sizeof(Coord3D);
    p->coordList = coordBytes <= 0x7fffffffLL
                       ? static_cast<Coord3D*>(voidMalloc(kTag, static_cast<int>(coordBytes)))
                       : nullptr;
    if (p->coordList == nullptr) {
        std::fprintf(stderr, "PDB Error Allocating PDB coords.\n");
        return 1;
    }
    p->maxCoordCount = p->maxAtomCount;
    coordNull(p->coordList, p->maxCoordCount);
    storePDBCoords(p);

    p->minResID = p->maxResID = atoms[0].resID;
    for (int i = 0; i < n; i++) {
        if (insertAtom(p, &atoms[i]) < 0) return 1;
        if (atoms[i].resID < p->minResID) p->minResID = atoms[i].resID;
        if (atoms[i].resID > p->maxResID) p->maxResID = atoms[i].resID;
    }

    // Residue, chain and segment lists grow while the keys go in; record
    // pointers are taken only once every record exists. An atom with the
    // residue (chain, segment) names of the one before shares its record
    // without a key look-up.
    std::vector<int> resOf(static_cast<size_t>(n), -1);
    for (int i = 0; i < n; i++) {
        const bool sameRes = i > 0 && atoms[i].resID == atoms[i - 1].resID &&
                             sameNames(atoms[i], atoms[i - 1]);
        resOf[i] = sameRes ? resOf[i - 1] : insertRes(p, &atoms[i]);
        if (resOf[i] < 0) return namesFromLastAtoms(p->resList, p->resCount, 1);
        appendAtom(&p->resList[resOf[i]], &atoms[i], kResAtomFirst, kResAtomStep);
    }
    namesFromLastAtoms(p->resList, p->resCount, 0);
    for (int i = 0; i < n; i++) atoms[i].resInfo = &p->resList[resOf[i]];

    for (int i = 0, c = -1, s = -1; i < n; i++) {
        const bool same = i > 0 && sameNames(atoms[i], atoms[i - 1]);
        if (!same) c = insertChain(p, &atoms[i]);
        if (c >= 0) appendAtom(&p->chainList[c], &atoms[i], kGroupAtomFirst, kGroupAtomStep);
        if (c >= 0 && !same) s = insertSeg(p, &atoms[i]);
        if (c >= 0 && s >= 0) appendAtom(&p->segList[s], &atoms[i], kGroupAtomFirst, kGroupAtomStep);
        if (c < 0 || s < 0) {
            namesFromLastAtoms(p->chainList, p->chainCount, 1);
            return namesFromLastAtoms(p->segList, p->segCount, 1);
        }
    }
    namesFromLastAtoms(p->chainList, p->chainCount, 0);
    namesFromLastAtoms(p->segList, p->segCount, 0);

    for (int c = 0; c < p->chainCount; c++) {
        linkGroupAtoms(&p->chainList[c], &AtomInfo::chainInfo, &ResInfo::chainInfo);
    }
    for (int s = 0; s < p->segCount; s++) {
        linkGroupAtoms(&p->segList[s], &AtomInfo::segInfo, &ResInfo::segInfo);
    }

    for (int r = 0; r < p->resCount; r++) {
        ResInfo* res = &p->resList[r];
        setChainResInfo(res->chainInfo, res);
        setSegResInfo(res->segInfo, res);
    }

    for (int c = 0; c < p->chainCount; c++) {
        if (groupResArray(&p->chainList[c], "PDB Error Allocating Chain Residue Array.") != 0)
            return 1;
    }
    for (int s = 0; s < p->segCount; s++) {
        if (groupResArray(&p->segList[s], "PDB Error Allocating Seg Residue Array.") != 0) return 1;
    }

    for (int r = 0; r < p->resCount; r++) {
        ResInfo* res = &p->resList[r];
        res->prev = findRes(p, res->resID - 1, res->chainID, res->segID);
        res->next = findRes(p, res->resID + 1, res->chainID, res->segID);
        res->resType = findResTypeByName(res->resName);
    }

    assignPhiPsiSurf(p->resList, p->resCount, 1);
    return 0;
}

}  // namespace korim::structure
