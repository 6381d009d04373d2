// Structure records: defaults, growable record lists, release, saved coordinates and the module flags.
#include "structure/pdb.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "foundation/hsymbol.h"
#include "foundation/memory.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

// Module flags of the structure model (one set per process).
struct PdbModule {
    int verbose = 0;      // "Expanding" lines of the list growth
    int debug = 0;        // insertion and look-up lines
    int warn = 0;         // set and read only
    int chainIgnore = 0;  // keys use a blank chain name
    int segIgnore = 0;    // keys use a blank segment name
};

PdbModule mod;

const char* const kTag = "pdb";

// Bytes of n records of type T, for the allocator's int lengths.
template <typename T>
int bytesOf(long long n) {
    long long b = n * static_cast<long long>(sizeof(T));
    return b > INT_MAX ? -1 : static_cast<int>(b);
}

// Grows one record list of the structure to make room for one more record;
// returns the slot at the old count or null.
// The slot handed out carries the defaults; with nullSpare so do the spare
// slots of a grown list (without, a large first block stays untouched until
// its slots are handed out).
template <typename T, typename NullFn>
T* nextRecord(T*& list, int& count, int& maxCount, int firstSize, int step, const char* verbFmt,
              const char* failMsg, NullFn nullFn, bool nullSpare = true) {
    if (count >= maxCount) {
        int newMax = maxCount == 0 ? firstSize : maxCount + step;
        if (mod.verbose) std::fprintf(stderr, verbFmt, newMax);
        int newBytes = bytesOf<T>(newMax);
        T* grown = newBytes < 0 ? nullptr
                                : static_cast<T*>(voidReMalloc(kTag, list, newBytes,
                                                               bytesOf<T>(maxCount)));
        if (grown == nullptr) {
            std::fprintf(stderr, "%s\n", failMsg);
            return nullptr;
        }
        list = grown;
        for (int i = maxCount; nullSpare && i < newMax; i++) nullFn(&list[i]);
        maxCount = newMax;
    }
    nullFn(&list[count]);
    return &list[count++];
}

int fixName(char* name) {
    if (name == nullptr || name[0] == '\0') return 0;
    // The null names start with '{', 'n' (either case) or '('.
    const char first = name[0];
    if (first != '{' && first != 'n' && first != 'N' && first != '(') return 0;
    if (std::strcmp(name, "{}") == 0 || strcasecmp(name, "none") == 0 ||
        strcasecmp(name, "(Null)") == 0) {
        name[0] = '\0';
        return 1;
    }
    return 0;
}

// Bounded copy of at most maxChars characters; the message names what was cut.
char* boundedCopy(char* dest, const char* src, int maxChars, const char* what) {
    if (dest == nullptr) return nullptr;
    if (src == nullptr) {
        dest[0] = '\0';
        return dest;
    }
    size_t len = std::strlen(src);
    if (len > static_cast<size_t>(maxChars)) {
        std::memcpy(dest, src, maxChars);
        dest[maxChars] = '\0';
        std::fprintf(stderr, "PDB Error: %s item too long: %s\n", what, src + maxChars + 1);
        return dest + maxChars;
    }
    std::memcpy(dest, src, len + 1);
    return dest + len;
}

}  // namespace

// ---- Name fields -----------------------------------------------------------

char* pdbStrCpy(char* dest, const char* src) {
    return boundedCopy(dest, src, PDB_NAME_LEN - 1, "string");
}

char* pdbNameCpy(char* dest, const char* src) {
    return boundedCopy(dest, src, PDB_LNAME_LEN - 1, "name");
}

int pdbStrNull(char* dest) {
    if (dest != nullptr) std::memset(dest, 0, PDB_NAME_LEN);
    return 0;
}

// ---- Record defaults -------------------------------------------------------

int pdbNull(PDBInfo* pdbPtr) {
    if (pdbPtr == nullptr) return 0;
    std::memset(pdbPtr, 0, sizeof(PDBInfo));
    return 0;
}

int pdbInit(PDBInfo* pdbInfo) {
    if (pdbInfo == nullptr) return 0;
    if (pdbInfo->atomTab == nullptr) pdbInfo->atomTab = hSymTabAlloc(PDB_ATOM_TAB_LEN);
    if (pdbInfo->resTab == nullptr) pdbInfo->resTab = hSymTabAlloc(0);
    if (pdbInfo->chainTab == nullptr) pdbInfo->chainTab = hSymTabAlloc(0);
    if (pdbInfo->segTab == nullptr) pdbInfo->segTab = hSymTabAlloc(0);
    return 0;
}

int atomNull(AtomInfo* a) {
    if (a == nullptr) return 0;
    // The shift fields belong to the restraint library; a fresh record gets
    // them zeroed rather than left indeterminate.
    std::memset(a, 0, sizeof(AtomInfo));
    a->vdwfc = 1.0;
    return 0;
}

int resNull(ResInfo* r) {
    if (r == nullptr) return 0;
    std::memset(r, 0, sizeof(ResInfo));
    r->phi = PDB_BAD_ANGLE;
    r->psi = PDB_BAD_ANGLE;
    r->val = PDB_NULL_VAL;
    return 0;
}

int chainNull(ChainInfo* c) {
    if (c == nullptr) return 0;
    std::memset(c, 0, sizeof(ChainInfo));
    c->val = PDB_NULL_VAL;
    return 0;
}

int segNull(SegInfo* s) {
    if (s == nullptr) return 0;
    std::memset(s, 0, sizeof(SegInfo));
    s->val = PDB_NULL_VAL;
    return 0;
}

// ---- Growing the record lists ----------------------------------------------

namespace {

AtomInfo* nextAtom(PDBInfo* p, bool nullSpare) {
    if (p == nullptr) return nullptr;
    // Residues, chains and segments of an indexed structure point into the
    // atom list: moving it would leave them dangling.
    if (p->atomCount >= p->maxAtomCount && p->resList != nullptr) {
        std::fprintf(stderr, "PDB Error: atoms cannot be added to an indexed structure.\n");
        return nullptr;
    }
    return nextRecord(p->atomList, p->atomCount, p->maxAtomCount, 4096, 1024,
                      "REMARK Expanding Atom List: %d atoms max.\n",
                      "PDB Error Allocating Atom memory.", atomNull, nullSpare);
}

}  // namespace

AtomInfo* getNextAtom(PDBInfo* p) { return nextAtom(p, true); }

AtomInfo* takeAtomSlot(PDBInfo* p) { return nextAtom(p, false); }

ResInfo* getNextRes(PDBInfo* p) {
    if (p == nullptr) return nullptr;
    return nextRecord(p->resList, p->resCount, p->maxResCount, 512, 150,
                      "REMARK Expanding Res List: %d residues max.\n",
                      "PDB Error Allocating Residue memory.", resNull, false);
}

ChainInfo* getNextChain(PDBInfo* p) {
    if (p == nullptr) return nullptr;
    return nextRecord(p->chainList, p->chainCount, p->maxChainCount, 8, 8,
                      "REMARK Expanding Chain List: %d chains max.\n",
                      "PDB Error Allocating Chain memory.", chainNull, false);
}

SegInfo* getNextSeg(PDBInfo* p) {
    if (p == nullptr) return nullptr;
    return nextRecord(p->segList, p->segCount, p->maxSegCount, 8, 8,
                      "REMARK Expanding Seg List: %d segs max.\n", "PDB Error Allocating Seg memory.",
                      segNull);
}

// ---- Release ---------------------------------------------------------------

int freePDBIndex(PDBInfo* p) {
    if (p == nullptr) return 0;
    hSymTabFree(p->atomTab);
    hSymTabFree(p->resTab);
    hSymTabFree(p->chainTab);
    hSymTabFree(p->segTab);
    p->atomTab = p->resTab = p->chainTab = p->segTab = nullptr;
    return 0;
}

int freeMerList(PDBInfo* p) {
    if (p == nullptr) return 0;
    int n = p->atomCount;
    if (p->vdwList != nullptr) unAlloc(kTag, p->vdwList, bytesOf<Coord3D>(n));
    if (p->bondMatrix != nullptr) {
        unAlloc(kTag, p->bondMatrix[0], bytesOf<char>(static_cast<long long>(n) * n));
        unAlloc(kTag, p->bondMatrix, bytesOf<char*>(n));
    }
    if (p->neighborList != nullptr) {
        unAlloc(kTag, p->neighborList[0], bytesOf<int>(static_cast<long long>(n) * n));
        unAlloc(kTag, p->neighborList, bytesOf<int*>(n));
    }
    if (p->neighborCount != nullptr) unAlloc(kTag, p->neighborCount, bytesOf<int>(n));
    p->vdwList = nullptr;
    p->bondMatrix = nullptr;
    p->neighborList = nullptr;
    p->neighborCount = nullptr;
    return 0;
}

int freeAtomList(PDBInfo* p) {
    if (p == nullptr) return 0;
    if (p->atomList != nullptr) unAlloc(kTag, p->atomList, bytesOf<AtomInfo>(p->maxAtomCount));
    p->atomList = nullptr;
    p->atomCount = 0;
    p->maxAtomCount = 0;
    return 0;
}

int freeCoordList(PDBInfo* p) {
    if (p == nullptr) return 0;
    if (p->coordList != nullptr) unAlloc(kTag, p->coordList, bytesOf<Coord3D>(p->maxCoordCount));
    p->coordList = nullptr;
    p->maxCoordCount = 0;
    return 0;
}

int freeResList(PDBInfo* p) {
    if (p == nullptr) return 0;
    for (int i = 0; p->resList != nullptr && i < p->resCount; i++) {
        ResInfo* r = &p->resList[i];
        if (r->atomList != nullptr) unAlloc(kTag, r->atomList, bytesOf<AtomInfo*>(r->maxAtomCount));
        r->atomList = nullptr;
        r->atomCount = r->maxAtomCount = 0;
    }
    if (p->resList != nullptr) unAlloc(kTag, p->resList, bytesOf<ResInfo>(p->maxResCount));
    p->resList = nullptr;
    p->resCount = 0;
    p->maxResCount = 0;
    return 0;
}

namespace {

// The three pointer lists of a chain or segment record.
template <typename T>
void freeGroupLists(T* g) {
    if (g->atomList != nullptr) unAlloc(kTag, g->atomList, bytesOf<AtomInfo*>(g->maxAtomCount));
    if (g->resList != nullptr) unAlloc(kTag, g->resList, bytesOf<ResInfo*>(g->maxResCount));
    if (g->resArray != nullptr)
        unAlloc(kTag, g->resArray, bytesOf<ResInfo*>(g->maxResID - g->minResID + 1));
    g->atomList = nullptr;
    g->resList = nullptr;
    g->resArray = nullptr;
    g->atomCount = g->resCount = g->maxAtomCount = g->maxResCount = 0;
}

}  // namespace

int freeChainList(PDBInfo* p) {
    if (p == nullptr) return 0;
    for (int i = 0; p->chainList != nullptr && i < p->chainCount; i++) freeGroupLists(&p->chainList[i]);
    if (p->chainList != nullptr) unAlloc(kTag, p->chainList, bytesOf<ChainInfo>(p->maxChainCount));
    p->chainList = nullptr;
    p->chainCount = 0;
    p->maxChainCount = 0;
    return 0;
}

int freeSegList(PDBInfo* p) {
    if (p == nullptr) return 0;
    for (int i = 0; p->segList != nullptr && i < p->segCount; i++) freeGroupLists(&p->segList[i]);
    if (p->segList != nullptr) unAlloc(kTag, p->segList, bytesOf<SegInfo>(p->maxSegCount));
    p->segList = nullptr;
    p->segCount = 0;
    p->maxSegCount = 0;
    return 0;
}

int pdbFree(PDBInfo* p) {
    if (p == nullptr) return 0;
    freeMerList(p);
    freeAtomList(p);
    freeResList(p);
    freeChainList(p);
    freeSegList(p);
    freeCoordList(p);
    freePDBIndex(p);
    return pdbNull(p);
}

// ---- Van der Waals and neighbour lists -------------------------------------

int merAllocInfo(PDBInfo* p) {
    if (p == nullptr || p->atomCount < 1) return 0;
    int n = p->atomCount;
    freeMerList(p);
    p->vdwList = static_cast<Coord3D*>(voidMalloc(kTag, bytesOf<Coord3D>(n)));
    if (p->vdwList == nullptr) {
        std::fprintf(stderr, "PDB Error Allocating VDW coords.\n");
        return 1;
    }
    if (p->atomList == nullptr) return 0;
    int flagBytes = bytesOf<char>(static_cast<long long>(n) * n);
    int intBytes = bytesOf<int>(static_cast<long long>(n) * n);
    char* flags = flagBytes < 0 ? nullptr : charMalloc(kTag, flagBytes);
    int* ints = intBytes < 0 ? nullptr : static_cast<int*>(voidMalloc(kTag, intBytes));
    char** rows = static_cast<char**>(voidMalloc(kTag, bytesOf<char*>(n)));
    int** irows = static_cast<int**>(voidMalloc(kTag, bytesOf<int*>(n)));
    int* counts = intAlloc(kTag, n);
    if (flags == nullptr || ints == nullptr || rows == nullptr || irows == nullptr ||
        counts == nullptr) {
        std::fprintf(stderr, "MERIDO Error Allocating Bond/Neighbor memory.\n");
        if (flags != nullptr) unAlloc(kTag, flags, flagBytes);
        if (ints != nullptr) unAlloc(kTag, ints, intBytes);
        if (rows != nullptr) unAlloc(kTag, rows, bytesOf<char*>(n));
        if (irows != nullptr) unAlloc(kTag, irows, bytesOf<int*>(n));
        if (counts != nullptr) unAlloc(kTag, counts, bytesOf<int>(n));
        return 1;
    }
    std::memset(flags, 0, flagBytes);
    std::memset(ints, 0, intBytes);
    std::memset(counts, 0, static_cast<size_t>(n) * sizeof(int));
    for (int i = 0; i < n; i++) {
        rows[i] = flags + static_cast<size_t>(i) * n;
        irows[i] = ints + static_cast<size_t>(i) * n;
    }
    p->bondMatrix = rows;
    p->neighborList = irows;
    p->neighborCount = counts;
    return 0;
}

int updateVDWFromPDB(PDBInfo* p) {
    if (p == nullptr || p->atomList == nullptr || p->vdwList == nullptr) return 0;
    std::fprintf(stderr, "MERIDO updating VDW coords.\n");
    for (int i = 0; i < p->atomCount; i++) {
        p->vdwList[i].x = p->atomList[i].x;
        p->vdwList[i].y = p->atomList[i].y;
        p->vdwList[i].z = p->atomList[i].z;
    }
    return 0;
}

// ---- Saved coordinates and copies ------------------------------------------

int storePDBCoords(PDBInfo* p) {
    if (p == nullptr || p->atomList == nullptr || p->coordList == nullptr) return 0;
    int n = p->atomCount < p->maxCoordCount ? p->atomCount : p->maxCoordCount;
    for (int i = 0; i < n; i++) {
        p->coordList[i].x = p->atomList[i].x;
        p->coordList[i].y = p->atomList[i].y;
        p->coordList[i].z = p->atomList[i].z;
    }
    return 0;
}

int restorePDBCoords(PDBInfo* p) {
    if (p == nullptr || p->atomList == nullptr || p->coordList == nullptr) return 0;
    int n = p->atomCount < p->maxCoordCount ? p->atomCount : p->maxCoordCount;
    for (int i = 0; i < n; i++) {
        p->atomList[i].x = p->coordList[i].x;
        p->atomList[i].y = p->coordList[i].y;
        p->atomList[i].z = p->coordList[i].z;
    }
    return 0;
}

int pdbCopy(PDBInfo* dest, PDBInfo* src) {
    if (dest == nullptr || src == nullptr) {
        std::fprintf(stderr, "Error (PDBCopy): Null PDB Data.\n");
        return 1;
    }
    if (dest->atomCount != src->atomCount) {
        std::fprintf(stderr, "Error (PDBCopy): Atom Count Mismatch.\n");
        return 1;
    }
    if (dest->resCount != src->resCount) {
        std::fprintf(stderr, "Error (PDBCopy): Residue Count Mismatch.\n");
        return 1;
    }
    if (dest->atomList == nullptr || src->atomList == nullptr) return 0;
    for (int i = 0; i < src->atomCount; i++) {
        AtomInfo* d = &dest->atomList[i];
        const AtomInfo* s = &src->atomList[i];
        d->selected = s->selected;
        d->x = s->x;
        d->y = s->y;
        d->z = s->z;
    }
    if (dest->coordList != nullptr && src->coordList != nullptr) {
        int n = src->atomCount;
        if (n > dest->maxCoordCount) n = dest->maxCoordCount;
        if (n > src->maxCoordCount) n = src->maxCoordCount;
        pdbCopyCoords(dest->coordList, src->coordList, n);
    }
    return 0;
}

int pdbCopyCoords(Coord3D* dest, const Coord3D* src, int count) {
    if (dest == nullptr || src == nullptr) return 0;
    for (int i = 0; i < count; i++) dest[i] = src[i];
    return 0;
}

int coordNull(Coord3D* dest, int count) {
    if (dest == nullptr) return 0;
    for (int i = 0; i < count; i++) dest[i].x = dest[i].y = dest[i].z = 0.0f;
    return 0;
}

int pdbClearAuxInfo(PDBInfo* p) {
    if (p == nullptr || p->atomList == nullptr) return 0;
    for (int i = 0; i < p->atomCount; i++) p->atomList[i].auxInfo = nullptr;
    return 0;
}

int updatePDBShifts(PDBInfo*) { return 0; }

// ---- Selection marks and renaming ------------------------------------------

int pdbSetSelection(PDBInfo* p, int selectID) {
    if (p == nullptr) return 0;
    for (int i = 0; p->atomList != nullptr && i < p->atomCount; i++) p->atomList[i].selected = selectID;
    return p->atomCount;
}

int pdbClearSelection(PDBInfo* p) { return pdbSetSelection(p, 0); }

int pdbSetResSelection(ResInfo* r, int selectID) {
    if (r == nullptr) return 0;
    for (int i = 0; r->atomList != nullptr && i < r->atomCount; i++) {
        if (r->atomList[i] != nullptr) r->atomList[i]->selected = selectID;
    }
    return r->atomCount;
}

int pdbSetChain(PDBInfo* p, const char* chainName, int selectID) {
    if (p == nullptr || p->atomList == nullptr) return 0;
    for (int i = 0; i < p->atomCount; i++) {
        AtomInfo* a = &p->atomList[i];
        if (a->selected != selectID) continue;
        pdbStrNull(a->chainID);
        if (chainName != nullptr) pdbStrCpy(a->chainID, chainName);
    }
    return 0;
}

int pdbSetSeg(PDBInfo* p, const char* segName, int selectID) {
    if (p == nullptr || p->atomList == nullptr) return 0;
    for (int i = 0; i < p->atomCount; i++) {
        AtomInfo* a = &p->atomList[i];
        if (a->selected != selectID) continue;
        pdbStrNull(a->segID);
        if (segName != nullptr) pdbStrCpy(a->segID, segName);
    }
    return 0;
}

int setAtomInfo(PDBInfo* p, AtomInfo* d, const AtomInfo* s, int loc) {
    if (d == nullptr || s == nullptr) return 0;
    d->atomID = s->atomID;
    d->auxInfo = s->auxInfo;
    d->resID = s->resID;
    d->x = s->x;
    d->y = s->y;
    d->z = s->z;
    d->occupancy = s->occupancy;
    d->tempFactor = s->tempFactor;
    d->selected = s->selected;
    std::memcpy(d->atomName, s->atomName, PDB_NAME_LEN);
    std::memcpy(d->locID, s->locID, PDB_NAME_LEN);
    std::memcpy(d->resName, s->resName, PDB_NAME_LEN);
    std::memcpy(d->chainID, s->chainID, PDB_NAME_LEN);
    std::memcpy(d->icode, s->icode, PDB_NAME_LEN);
    std::memcpy(d->segID, s->segID, PDB_NAME_LEN);
    std::memcpy(d->element, s->element, PDB_NAME_LEN);
    std::memcpy(d->chargeStr, s->chargeStr, PDB_NAME_LEN);
    if (p != nullptr) {
        if (loc == 0) {
            p->minResID = p->maxResID = s->resID;
        } else {
            if (s->resID < p->minResID) p->minResID = s->resID;
            if (s->resID > p->maxResID) p->maxResID = s->resID;
        }
    }
    return 0;
}

int fixAtomName(char* name) { return fixName(name); }
int fixResName(char* name) { return fixName(name); }
int fixChainName(char* name) { return fixName(name); }
int fixSegName(char* name) { return fixName(name); }

// ---- Centres ---------------------------------------------------------------

int getPDBCenter(PDBInfo* p, float* xPtr, float* yPtr, float* zPtr, int selectID) {
    double sx = 0.0, sy = 0.0, sz = 0.0;
    int n = 0;
    for (int i = 0; p != nullptr && p->atomList != nullptr && i < p->atomCount; i++) {
        const AtomInfo* a = &p->atomList[i];
        if (a->selected != selectID) continue;
        sx += a->x;
        sy += a->y;
        sz += a->z;
        n++;
    }
    if (n > 0) {
        sx /= n;
        sy /= n;
        sz /= n;
    }
    if (xPtr != nullptr) *xPtr = static_cast<float>(sx);
    if (yPtr != nullptr) *yPtr = static_cast<float>(sy);
    if (zPtr != nullptr) *zPtr = static_cast<float>(sz);
    return 0;
}

int findAtomListPos(AtomInfo** atomList, int atomCount, float* x, float* y, float* z) {
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    if (atomList != nullptr && atomCount == 1 && atomList[0] != nullptr) {
        sx = atomList[0]->x;
        sy = atomList[0]->y;
        sz = atomList[0]->z;
    } else if (atomList != nullptr && atomCount > 1) {
        // Each coordinate is divided by the count before adding.
        float n = static_cast<float>(atomCount);
        for (int i = 0; i < atomCount; i++) {
            if (atomList[i] == nullptr) continue;
            sx += atomList[i]->x / n;
            sy += atomList[i]->y / n;
            sz += atomList[i]->z / n;
        }
    }
    if (x != nullptr) *x = sx;
    if (y != nullptr) *y = sy;
    if (z != nullptr) *z = sz;
    return 0;
}

// ---- Module flags ----------------------------------------------------------

int setPDBVerbose(int verbMode, int dbgMode) {
    mod.verbose = verbMode;
    mod.debug = dbgMode;
    return 0;
}

int setPDBWarn(int warnMode) {
    mod.warn = warnMode;
    return 0;
}

int getPDBWarn() { return mod.warn; }
int getPDBDBG() { return mod.debug; }
int getPDBVerb() { return mod.verbose; }

int setPDBChainMode(int mode) {
    int old = mod.chainIgnore;
    mod.chainIgnore = mode;
    return old;
}

int setPDBSegMode(int mode) {
    int old = mod.segIgnore;
    mod.segIgnore = mode;
    return old;
}

int getPDBChainMode() { return mod.chainIgnore; }
int getPDBSegMode() { return mod.segIgnore; }

void pdbModuleReset() { mod = PdbModule{}; }

}  // namespace korim::structure
