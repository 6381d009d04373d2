// Atom, residue, chain and segment look-up through the key tables, and atom-name expressions with wildcards.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "foundation/hsymbol.h"
#include "structure/pdb.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

// Index stored under key in tab, or -1.
int findKey(HTable* tab, const char* key) {
    int index = -1;
    if (tab == nullptr || hGetSymInt(key, tab, &index) == 0) return -1;
    return index;
}

// The atom-name expression with every wildcard of one kind replaced by text.
std::string substitute(const char* expr, char wildcard, const std::string& text) {
    std::string name;
    for (const char* c = expr; *c != '\0'; c++) {
        if (*c == wildcard) {
            name += text;
        } else {
            name += *c;
        }
    }
    return name;
}

int exprKind(const char* expr) {
    int kind = 0;
    for (const char* c = expr; *c != '\0'; c++) {
        if (*c == '#') kind = 1;
        if (*c == '*') kind = 2;
    }
    return kind;
}

// Appends a found atom; false once the list is full.
bool addFound(AtomInfo* a, AtomInfo** atomList, int& count) {
    if (a != nullptr) atomList[count++] = a;
    return count < PDB_MAX_ATOM_LIST;
}

}  // namespace

ResInfo* findRes(PDBInfo* p, int resID, const char* chainName, const char* segName) {
    if (p == nullptr || resID < p->minResID || resID > p->maxResID) return nullptr;
    if (getPDBChainMode() && getPDBSegMode() && p->resList != nullptr) {
        long long pos = static_cast<long long>(resID) - p->minResID;
        if (pos < p->resCount && p->resList[pos].resID == resID) return &p->resList[pos];
    }
    char key[PDB_KEY_LEN];
    buildResText(resID, chainName, segName, key);
    int index = findKey(p->resTab, key);
    if (index < 0 || index >= p->resCount || p->resList == nullptr) return nullptr;
    return &p->resList[index];
}

AtomInfo* findAtom(PDBInfo* p, int resID, const char* atomName, const char* chainName,
                   const char* segName) {
    if (p == nullptr || atomName == nullptr) return nullptr;
    if (getPDBChainMode() && getPDBSegMode()) {
        ResInfo* r = findRes(p, resID, chainName, segName);
        for (int i = 0; r != nullptr && r->atomList != nullptr && i < r->atomCount; i++) {
            AtomInfo* a = r->atomList[i];
            if (a != nullptr && std::strcmp(a->atomName, atomName) == 0) return a;
        }
    }
    char key[PDB_KEY_LEN];
    buildAtomText(resID, atomName, nullptr, chainName, segName, key);
    if (getPDBDBG()) std::fprintf(stderr, "PDB finding   |%s|\n", key);
    int index = findKey(p->atomTab, key);
    if (index < 0 || index >= p->atomCount || p->atomList == nullptr) return nullptr;
    return &p->atomList[index];
}

ChainInfo* findChain(PDBInfo* p, const char* chainName, const char* segName) {
    if (p == nullptr) return nullptr;
    char key[PDB_KEY_LEN];
    buildChainText(chainName, segName, key);
    int index = findKey(p->chainTab, key);
    if (index < 0 || index >= p->chainCount || p->chainList == nullptr) return nullptr;
    return &p->chainList[index];
}

SegInfo* findSeg(PDBInfo* p, const char* segName, const char* chainName) {
    if (p == nullptr) return nullptr;
    char key[PDB_KEY_LEN];
    buildSegText(segName, chainName, key);
    int index = findKey(p->segTab, key);
    if (index < 0 || index >= p->segCount || p->segList == nullptr) return nullptr;
    return &p->segList[index];
}

const char* findResName(PDBInfo* p, int resID, const char* chainName, const char* segName) {
    ResInfo* r = findRes(p, resID, chainName, segName);
    return r != nullptr ? r->resName : "";
}

AtomInfo* findAtomN(PDBInfo* p, int resID, const char* atomName, const char* chainName,
                    const char* segName) {
    if (p == nullptr || atomName == nullptr) return nullptr;
    std::string word;
    for (const char* c = atomName;; c++) {
        bool sep = *c == '\0' || *c == '|' || std::isspace(static_cast<unsigned char>(*c));
        if (!sep) {
            word += *c;
            continue;
        }
        if (!word.empty()) {
            AtomInfo* a = findAtom(p, resID, word.c_str(), chainName, segName);
            if (a != nullptr) return a;
            word.clear();
        }
        if (*c == '\0') break;
    }
    return nullptr;
}

AtomInfo* findBestAtom(PDBInfo* p, int resID, const char* resName, const char* atomName,
                       const char* chainName, const char* segName) {
    AtomInfo* a = findAtom(p, resID, atomName, chainName, segName);
    if (a != nullptr || atomName == nullptr || resName == nullptr) return a;
    // Glycine's two alpha protons are named HA1/HA2, HA2/HA3 or HA by
    // different conventions.
    if (strcasecmp(resName, "GLY") != 0) return nullptr;
    if (std::strlen(atomName) < 2 || (atomName[0] != 'H' && atomName[0] != 'h') ||
        (atomName[1] != 'A' && atomName[1] != 'a')) {
        return nullptr;
    }
    if (strcasecmp(atomName, "HA3") == 0) {
        a = findAtom(p, resID, "HA1", chainName, segName);
        if (a != nullptr) return a;
    }
    if (strcasecmp(atomName, "HA") == 0) return nullptr;
    return findAtom(p, resID, "HA", chainName, segName);
}

int isAtomExpr(const char* atomName, char* atomFmt) {
    if (atomFmt != nullptr) atomFmt[0] = '\0';
    if (atomName == nullptr) return 0;
    std::string fmt;
    for (const char* c = atomName; *c != '\0'; c++) {
        if (*c == '#') {
            fmt += "%d";
        } else if (*c == '*') {
            fmt += "%s%s";
        } else if (*c == '%') {
            fmt += "%%";  // a literal percent sign stays literal in the format
        } else {
            fmt += *c;
        }
    }
    if (atomFmt != nullptr) {
        size_t n = fmt.size() < static_cast<size_t>(PDB_KEY_LEN - 1) ? fmt.size() : PDB_KEY_LEN - 1;
        std::memcpy(atomFmt, fmt.data(), n);
        atomFmt[n] = '\0';
    }
    return exprKind(atomName);
}

int findAtomList(PDBInfo* p, int resID, const char* atomName, const char* chainName,
                 const char* segName, AtomInfo** atomList) {
    if (atomList == nullptr) return 0;
    atomList[0] = nullptr;
    if (p == nullptr || atomName == nullptr) return 0;
    int count = 0;
    int kind = exprKind(atomName);
    if (kind == 0) {
        atomList[0] = findAtom(p, resID, atomName, chainName, segName);
        return atomList[0] != nullptr ? 1 : 0;
    }
    if (kind == 1) {
        for (int digit = 1; digit <= 3; digit++) {
            std::string name = substitute(atomName, '#', std::to_string(digit));
            if (!addFound(findAtom(p, resID, name.c_str(), chainName, segName), atomList, count))
                break;
        }
        return count;
    }
    static const char* const kSuffix[4] = {"", "1", "2", "3"};
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            std::string name = substitute(atomName, '*', std::string(kSuffix[i]) + kSuffix[j]);
            if (!addFound(findAtom(p, resID, name.c_str(), chainName, segName), atomList, count))
                return count;
        }
    }
    return count;
}

int findAtomListRad(AtomInfo** atomListI, int atomCountI, AtomInfo** atomListJ, int atomCountJ,
                    float* rIJ) {
    if (rIJ == nullptr) return 0;
    *rIJ = 0.0f;
    if (atomListI == nullptr || atomListJ == nullptr || atomCountI < 1 || atomCountJ < 1) return 0;
    double scale = 1.0 / (static_cast<double>(atomCountI) * atomCountJ);
    double sum = 0.0;
    for (int i = 0; i < atomCountI; i++) {
        for (int j = 0; j < atomCountJ; j++) {
            const AtomInfo* a = atomListI[i];
            const AtomInfo* b = atomListJ[j];
            if (a == nullptr || b == nullptr) continue;
            double dx = a->x - b->x, dy = a->y - b->y, dz = a->z - b->z;
            sum += std::sqrt(dx * dx + dy * dy + dz * dz) * scale;
        }
    }
    *rIJ = static_cast<float>(sum);
    return 0;
}

}  // namespace korim::structure
