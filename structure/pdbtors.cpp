// Distances, bond angles and torsions of atoms; backbone and side-chain angles of residues, measured and set.
#include <cstdio>
#include <cstring>
#include <cmath>
#include <string>

#include "foundation/token.h"
#include "structure/pdb.h"

namespace korim::structure {

// Side-chain torsions by residue type. With rotateFlag 0 the list names the
// atoms that stay (the side nearer the backbone); with 1 the atoms that move.
// The chi3 rows of GLU and LYS keep CB and the HG atoms on the fixed side, as
// the ARG chi3 row does, so that setting the angle leaves the CA-CB bond intact.
const TorsionDefInfo ChiDef[CHI_DEF_COUNT] = {
    {1, "ALA", "chi", 1, "N", "CA", "CB", "HB1", 0, "N HN HA C O"},
    {2, "ARG", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {2, "ARG", "chi", 2, "CA", "CB", "CG", "CD", 0, "HB1 HB2 CA N HN HA C O"},
    {2, "ARG", "chi", 3, "CB", "CG", "CD", "NE", 0, "HG1 HG2 CB HB1 HB2 CA N HN HA C O"},
    {2, "ARG", "chi", 4, "CG", "CD", "NE", "CZ", 1, "HE CZ NH1 HH11 HH12 NH2 HH21 HH22"},
    {2, "ARG", "chi", 5, "CD", "NE", "CZ", "NH1", 1, "NH1 HH11 HH12 NH2 HH21 HH22"},
    {2, "ARG", "chi", 6, "NE", "CZ", "NH1", "HH11", 1, "HH11 HH12"},
    {2, "ARG", "chi", 7, "NE", "CZ", "NH2", "HH21", 1, "HH21 HH22"},
    {3, "ASN", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {3, "ASN", "chi", 2, "CA", "CB", "CG", "OD1", 1, "OD1 ND2 HD21 HD22"},
    {3, "ASN", "chi", 3, "CB", "CG", "ND2", "HD21", 1, "HD21 HD22"},
    {4, "ASP", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {4, "ASP", "chi", 2, "CA", "CB", "CG", "OD1", 0, "HB1 HB2 CA N HN HA C O"},
    {5, "CYS", "chi", 1, "N", "CA", "CB", "SG", 0, "N HN HA C O"},
    {5, "CYS", "chi", 2, "CA", "CB", "SG", "HG", 1, "HG"},
    {6, "GLN", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {6, "GLN", "chi", 2, "CA", "CB", "CG", "CD", 0, "HB1 HB2 CA N HN HA C O"},
    {6, "GLN", "chi", 3, "CB", "CG", "CD", "OE1", 1, "OE1 NE2 HE21 HE22"},
    {6, "GLN", "chi", 4, "CG", "CD", "NE2", "HE21", 1, "HE21 HE22"},
    {7, "GLU", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {7, "GLU", "chi", 2, "CA", "CB", "CG", "CD", 0, "HB1 HB2 CA N HN HA C O"},
    {7, "GLU", "chi", 3, "CB", "CG", "CD", "OE1", 0, "HG1 HG2 CB HB1 HB2 CA N HN HA C O"},
    {9, "HIS", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {9, "HIS", "chi", 2, "CA", "CB", "CG", "ND1", 0, "HB1 HB2 CA N HN HA C O"},
    {10, "ILE", "chi", 1, "N", "CA", "CB", "CG1", 0, "N HN HA C O"},
    {10, "ILE", "chi", 2, "CA", "CB", "CG1", "CD1", 1, "CD1 HD11 HD12 HD13"},
    {10, "ILE", "chi", 3, "CB", "CG1", "CD1", "HD11", 1, "HD11 HD12 HD13"},
    {11, "LEU", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {11, "LEU", "chi", 2, "CA", "CB", "CG", "CD1", 0, "HB1 HB2 CA N HN HA C O"},
    {11, "LEU", "chi", 3, "CB", "CG", "CD1", "HD11", 1, "HD11 HD12 HD13"},
    {11, "LEU", "chi", 4, "CB", "CG", "CD2", "HD21", 1, "HD21 HD22 HD23"},
    {12, "LYS", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {12, "LYS", "chi", 2, "CA", "CB", "CG", "CD", 0, "HB1 HB2 CA N HN HA C O"},
    {12, "LYS", "chi", 3, "CB", "CG", "CD", "CE", 0, "HG1 HG2 CB HB1 HB2 CA N HN HA C O"},
    {12, "LYS", "chi", 4, "CG", "CD", "CE", "NZ", 1, "HE1 HE2 NZ HZ1 HZ2 HZ3"},
    {12, "LYS", "chi", 5, "CD", "CE", "NZ", "HZ1", 1, "HZ1 HZ2 HZ3"},
    {13, "MET", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {13, "MET", "chi", 2, "CA", "CB", "CG", "SD", 0, "HB1 HB2 CA N HN HA C O"},
    {13, "MET", "chi", 3, "CB", "CG", "SD", "CE", 1, "CE HE1 HE2 HE3"},
    {13, "MET", "chi", 4, "CG", "SD", "CE", "HE1", 1, "HE1 HE2 HE3"},
    {14, "PHE", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {14, "PHE", "chi", 2, "CA", "CB", "CG", "CD1", 0, "HB1 HB2 CA N HN HA C O"},
    {15, "PRO", "chi", 1, "N", "CA", "CB", "CG", 1, "HB1 HB2 CG HG1 HG2"},
    {15, "PRO", "chi", 2, "CA", "CB", "CG", "CD", 1, "HG1 HG2 CD HD2 HD1"},
    {15, "PRO", "chi", 3, "CB", "CG", "CD", "N", 1, "HD2 HD1"},
    {15, "PRO", "chi", 3, "CG", "CD", "N", "CA", 1, "HA CA"},
    {16, "SER", "chi", 1, "N", "CA", "CB", "OG", 0, "N HN HA C O"},
    {16, "SER", "chi", 2, "CA", "CB", "OG", "HG", 1, "HG"},
    {17, "THR", "chi", 1, "N", "CA", "CB", "OG1", 0, "N HN HA C O"},
    {17, "THR", "chi", 2, "CA", "CB", "OG1", "HG1", 1, "HG1"},
    {17, "THR", "chi", 3, "CA", "CB", "CG2", "HG21", 1, "HG21 HG22 HG23"},
    {18, "TRP", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {18, "TRP", "chi", 2, "CA", "CB", "CG", "CD1", 0, "HB1 HB2 CA N HN HA C O"},
    {19, "TYR", "chi", 1, "N", "CA", "CB", "CG", 0, "N HN HA C O"},
    {19, "TYR", "chi", 2, "CA", "CB", "CG", "CD1", 0, "HB1 HB2 CA N HN HA C O"},
    {20, "VAL", "chi", 1, "N", "CA", "CB", "CG1", 0, "N HN HA C O"},
    {20, "VAL", "chi", 2, "CA", "CB", "CG1", "HG11", 1, "HG11 HG12 HG13"},
    {20, "VAL", "chi", 3, "CA", "CB", "CG2", "HG21", 1, "HG21 HG22 HG23"},
    {0, "None", "None", 0, "None", "None", "None", "None", 0, "None"},
};

namespace {

constexpr float kBad = PDB_BAD_ANGLE;

// Atoms of the last backbone measurement, read by the backbone setters.
struct TorsionModule {
    AtomInfo* a[9] = {};  // a[1]..a[8]
};

TorsionModule tors;

bool inRange(const PDBInfo* p, int resID) {
    return p != nullptr && resID >= p->minResID && resID <= p->maxResID;
}

void appendAxis(const AtomInfo* from, const AtomInfo* to, float theta) {
    pdb3dAppendRotation2(from->x, from->y, from->z, to->x, to->y, to->z, theta);
}

// Turns one side of the bond j-k: the part before it (toward the segment's
// start) when the residue lies in the first half of its segment, else the
// part after it. Atoms marked 0 form the part before, 1 the part after.
void turnNearerEnd(PDBInfo* p, const SegInfo* seg, int resID, AtomInfo* j, AtomInfo* k, float delta) {
    pdb3dReset();
    if (resID <= (seg->minResID + seg->maxResID) / 2) {
        appendAxis(k, j, delta);
        j->selected = k->selected = 1;
        pdb3dApplyTransform(p, 0, 0);
    } else {
        appendAxis(j, k, delta);
        j->selected = k->selected = 0;
        pdb3dApplyTransform(p, 1, 1);
    }
}

}  // namespace

// ---- Atom measurements -------------------------------------------------------

float pdbDist(const AtomInfo* i, const AtomInfo* j) {
    if (i == nullptr || j == nullptr) return kBad;
    double dx = i->x - j->x, dy = i->y - j->y, dz = i->z - j->z;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

float pdbAngle(const AtomInfo* i, const AtomInfo* j, const AtomInfo* k) {
    if (i == nullptr || j == nullptr || k == nullptr) return kBad;
    float theta = 0.0f;
    get3DAngle(i->x, i->y, i->z, j->x, j->y, j->z, k->x, k->y, k->z, &theta);
    return theta;
}

float pdbDihedral(const AtomInfo* i, const AtomInfo* j, const AtomInfo* k, const AtomInfo* l) {
    if (i == nullptr || j == nullptr || k == nullptr || l == nullptr) return kBad;
    float phi = 0.0f;
    getDihedralAngle(i->x, i->y, i->z, j->x, j->y, j->z, k->x, k->y, k->z, l->x, l->y, l->z, &phi);
    return phi;
}

// ---- Backbone measurements ---------------------------------------------------

namespace {

// getPDBPhiPsi with the atoms found by find(resID, atomName).
template <typename Find>
int phiPsi(const PDBInfo* p, int resID, const Find& find, float* phiPtr, float* psiPtr) {
    if (phiPtr != nullptr) *phiPtr = kBad;
    if (psiPtr != nullptr) *psiPtr = kBad;
    for (auto& a : tors.a) a = nullptr;
    if (!inRange(p, resID)) return 0;
    AtomInfo** a = tors.a;
    a[1] = find(resID - 1, "C");
    a[2] = find(resID, "N");
    a[3] = find(resID, "CA");
    a[4] = find(resID, "C");
    a[5] = a[2];
    a[6] = a[3];
    a[7] = a[4];
    a[8] = find(resID + 1, "N");
    int result = 0;
    if (a[1] && a[2] && a[3] && a[4]) {
        if (phiPtr != nullptr) *phiPtr = pdbDihedral(a[1], a[2], a[3], a[4]);
        result |= 1;
    }
    if (a[5] && a[6] && a[7] && a[8]) {
        if (psiPtr != nullptr) *psiPtr = pdbDihedral(a[5], a[6], a[7], a[8]);
        result |= 2;
    }
    return result;
}

// The look-ups findAtom made for one residue's angles: the next residue asks for two of them
// again (the C before it and its own N).
struct BackboneLookups {
    struct Entry {
        int resID;
        const char* atomName;
        const char* chain;
        const char* seg;
        AtomInfo* atom;
    };
    Entry entries[5];
    int count = 0;

    // The atom an earlier findAtom with the same arguments gave, or null with found false.
    AtomInfo* recall(int resID, const char* atomName, const char* chain, const char* seg,
                     bool* found) const {
        for (int i = 0; i < count; i++) {
            const Entry& e = entries[i];
            if (e.resID == resID && std::strcmp(e.atomName, atomName) == 0 &&
                std::strcmp(e.chain, chain) == 0 && std::strcmp(e.seg, seg) == 0) {
                *found = true;
                return e.atom;
            }
        }
        *found = false;
        return nullptr;
    }
};

}  // namespace

int getPDBPhiPsi(PDBInfo* p, int resID, const char* chain, const char* seg, float* phiPtr,
                 float* psiPtr) {
    return phiPsi(p, resID, [&](int id, const char* name) { return findAtom(p, id, name, chain, seg); },
                  phiPtr, psiPtr);
}

int getPDBOmega(PDBInfo* p, int resID, const char* chain, const char* seg, float* omegaPtr) {
    if (omegaPtr != nullptr) *omegaPtr = kBad;
    for (auto& a : tors.a) a = nullptr;
    if (!inRange(p, resID)) return 0;
    AtomInfo** a = tors.a;
    a[1] = findAtom(p, resID - 1, "CA", chain, seg);
    a[2] = findAtom(p, resID - 1, "C", chain, seg);
    a[3] = findAtom(p, resID, "N", chain, seg);
    a[4] = findAtom(p, resID, "CA", chain, seg);
    if (!(a[1] && a[2] && a[3] && a[4])) return 0;
    float omega = 0.0f;
    if (getDihedralAngle(a[1]->x, a[1]->y, a[1]->z, a[2]->x, a[2]->y, a[2]->z, a[3]->x, a[3]->y,
                         a[3]->z, a[4]->x, a[4]->y, a[4]->z, &omega) != 0) {
        std::fprintf(stderr, "omega error at %d\n", resID);
    }
    if (omegaPtr != nullptr) *omegaPtr = omega;
    return 1;
}

int getPDBKappa(PDBInfo* p, int resID, const char* chain, const char* seg, float* kappaPtr) {
    if (kappaPtr != nullptr) *kappaPtr = kBad;
    if (!inRange(p, resID)) return 0;
    AtomInfo* c0 = findAtom(p, resID - 2, "CA", chain, seg);
    AtomInfo* c1 = findAtom(p, resID, "CA", chain, seg);
    AtomInfo* c2 = findAtom(p, resID + 2, "CA", chain, seg);
    if (!(c0 && c1 && c2)) return 0;
    float kappa = 0.0f;
    if (get3DAngle(c0->x, c0->y, c0->z, c1->x, c1->y, c1->z, c2->x, c2->y, c2->z, &kappa) != 0) {
        std::fprintf(stderr, "kappa error at %d\n", resID);
    }
    if (kappaPtr != nullptr) *kappaPtr = kappa;
    return 1;
}

int getPDBAlpha(PDBInfo* p, int resID, const char* chain, const char* seg, float* alphaPtr) {
    if (alphaPtr != nullptr) *alphaPtr = kBad;
    if (!inRange(p, resID)) return 0;
    AtomInfo* c[4];
    for (int k = 0; k < 4; k++) c[k] = findAtom(p, resID - 1 + k, "CA", chain, seg);
    if (!(c[0] && c[1] && c[2] && c[3])) return 0;
    float alpha = 0.0f;
    if (getDihedralAngle(c[0]->x, c[0]->y, c[0]->z, c[1]->x, c[1]->y, c[1]->z, c[2]->x, c[2]->y,
                         c[2]->z, c[3]->x, c[3]->y, c[3]->z, &alpha) != 0) {
        std::fprintf(stderr, "alpha error at %d\n", resID);
    }
    if (alphaPtr != nullptr) *alphaPtr = alpha;
    return 1;
}

int updatePDBAngles(PDBInfo* p, int res1, int resN) {
    if (p == nullptr || p->resList == nullptr) return 0;
    // A look-up gives the same atom for the same arguments while the structure stays as it is:
    // those of the residue before are not made again (unless each look-up is to be reported).
    const bool reported = getPDBDBG() != 0;
    BackboneLookups before, now;
    for (int r = 0; r < p->resCount; r++) {
        ResInfo* res = &p->resList[r];
        // In 64 bits: the range ends may be the extremes of int.
        const long long id = res->resID;
        if (id < res1 - 1LL || id > resN + 1LL) continue;
        const char* chain = res->chainID;
        const char* seg = res->segID;
        now.count = 0;
        auto find = [&](int atomResID, const char* name) {
            bool found = false;
            AtomInfo* a = reported ? nullptr : before.recall(atomResID, name, chain, seg, &found);
            if (!found) a = findAtom(p, atomResID, name, chain, seg);
            if (now.count < 5) now.entries[now.count++] = {atomResID, name, chain, seg, a};
            return a;
        };
        phiPsi(p, res->resID, find, &res->phi, &res->psi);
        before = now;
    }
    return 0;
}

// ---- Side chains ---------------------------------------------------------------

int getPDBChi(PDBInfo* p, int resID, const char* chain, const char* seg, float* chiList,
              const TorsionDefInfo** chiInfo, const int* idList, int* chiCountPtr) {
    if (chiList != nullptr) {
        for (int i = 0; i < PDB_MAX_CHI; i++) chiList[i] = kBad;
    }
    int wanted = chiCountPtr != nullptr ? *chiCountPtr : -1;
    if (chiCountPtr != nullptr) *chiCountPtr = 0;
    ResInfo* res = findRes(p, resID, chain, seg);
    if (res == nullptr || res->resType == nullptr) return 0;
    int code = res->resType->resCode;
    int count = 0, mask = 0;
    auto take = [&](const TorsionDefInfo* row) {
        if (count >= PDB_MAX_CHI) return;
        if (chiInfo != nullptr) chiInfo[count] = row;
        AtomInfo* i = findAtomN(p, resID, row->atomNameI, chain, seg);
        AtomInfo* j = findAtomN(p, resID, row->atomNameJ, chain, seg);
        AtomInfo* k = findAtomN(p, resID, row->atomNameK, chain, seg);
        AtomInfo* l = findAtomN(p, resID, row->atomNameL, chain, seg);
        if (chiList != nullptr) chiList[count] = pdbDihedral(i, j, k, l);
        count++;
        if (i && j && k && l) mask |= 1 << (row->angleID - 1);
    };
    if (wanted < 0) {
        for (const TorsionDefInfo* row = ChiDef; row->resCode != 0; row++)
            if (row->resCode == code) take(row);
    } else {
        for (int w = 0; idList != nullptr && w < wanted; w++)
            for (const TorsionDefInfo* row = ChiDef; row->resCode != 0; row++)
                if (row->resCode == code && row->angleID == idList[w]) take(row);
    }
    if (chiCountPtr != nullptr) *chiCountPtr = count;
    return mask;
}

int setPDBChi(PDBInfo* p, int resID, const char* chain, const char* seg, const float* chiList,
              const int* idList, int chiCount) {
    if (p == nullptr || chiCount < 1 || chiList == nullptr || idList == nullptr) return 0;
    ResInfo* res = findRes(p, resID, chain, seg);
    if (res == nullptr || res->resType == nullptr) return 0;
    int code = res->resType->resCode;
    int mask = 0;
    pdbSetSelection(p, 0);
    for (const TorsionDefInfo* row = ChiDef; row->resCode != 0; row++) {
        if (row->resCode != code) continue;
        for (int k = 0; k < chiCount; k++) {
            if (idList[k] != row->angleID) continue;
            AtomInfo* ai = findAtomN(p, resID, row->atomNameI, chain, seg);
            AtomInfo* aj = findAtomN(p, resID, row->atomNameJ, chain, seg);
            AtomInfo* ak = findAtomN(p, resID, row->atomNameK, chain, seg);
            AtomInfo* al = findAtomN(p, resID, row->atomNameL, chain, seg);
            if (!(ai && aj && ak && al)) continue;
            float current = pdbDihedral(ai, aj, ak, al);
            if (row->rotateFlag == 0) pdbSetResSelection(res, 1);
            for (int n = 1; n <= foundation::cntToken(row->rotateList); n++) {
                const std::string name = foundation::getToken(n, row->rotateList);
                AtomInfo* a = findAtom(p, resID, name.c_str(), chain, seg);
                if (a == nullptr) {
                    std::fprintf(stderr, "MerSetChi Error finding %d %s\n", resID, name.c_str());
                    continue;
                }
                a->selected = row->rotateFlag;
            }
            pdb3dReset();
            appendAxis(aj, ak, chiList[k] - current);
            aj->selected = ak->selected = 0;
            pdb3dApplyTransform(p, 1, 1);
            mask |= 1 << (row->angleID - 1);
            pdbSetResSelection(res, 0);
        }
    }
    return mask;
}

// ---- Backbone setters ------------------------------------------------------------

int setPDBOmega(PDBInfo* p, int resID, const char* chain, const char* seg, const float* omegaNew) {
    if (!inRange(p, resID) || omegaNew == nullptr) return 0;
    float old = kBad;
    getPDBOmega(p, resID, chain, seg, &old);
    AtomInfo** a = tors.a;
    pdbSetSelection(p, 2);
    if (!(a[1] && a[2] && a[3] && a[4]) || a[2]->segInfo == nullptr) return 0;
    SegInfo* sg = a[2]->segInfo;
    for (int i = 0; i < sg->atomCount; i++) {
        AtomInfo* at = sg->atomList[i];
        at->selected = at->resID >= resID ? 1 : 0;
    }
    turnNearerEnd(p, sg, resID, a[2], a[3], *omegaNew - old);
    return 1;
}

int setPDBPhiPsi(PDBInfo* p, int resID, const char* chain, const char* seg, float phiNew,
                 float psiNew) {
    if (!inRange(p, resID)) return 0;
    float phi = kBad, psi = kBad;
    getPDBPhiPsi(p, resID, chain, seg, &phi, &psi);
    AtomInfo** a = tors.a;
    ResInfo* res = findRes(p, resID, chain, seg);
    int result = 0;

    pdbSetSelection(p, 2);
    if (a[1] && a[2] && a[3] && a[4] && a[2]->segInfo != nullptr) {
        SegInfo* sg = a[2]->segInfo;
        for (int i = 0; i < sg->atomCount; i++) {
            AtomInfo* at = sg->atomList[i];
            bool before = at->resID < resID ||
                          (at->resID == resID && (std::strcmp(at->atomName, "N") == 0 ||
                                                  std::strcmp(at->atomName, "HN") == 0 ||
                                                  std::strcmp(at->atomName, "H") == 0));
            at->selected = before ? 0 : 1;
        }
        turnNearerEnd(p, sg, resID, a[2], a[3], phiNew - phi);
        if (res != nullptr) res->phi = pdbDihedral(a[1], a[2], a[3], a[4]);
        result |= 1;
    }

    pdbSetSelection(p, 2);
    if (a[5] && a[6] && a[7] && a[8] && a[6]->segInfo != nullptr) {
        SegInfo* sg = a[6]->segInfo;
        for (int i = 0; i < sg->atomCount; i++) {
            AtomInfo* at = sg->atomList[i];
            bool after = at->resID > resID ||
                         (at->resID == resID && (std::strcmp(at->atomName, "C") == 0 ||
                                                 std::strcmp(at->atomName, "O") == 0 ||
                                                 std::strcmp(at->atomName, "CO") == 0));
            at->selected = after ? 1 : 0;
        }
        turnNearerEnd(p, sg, resID, a[6], a[7], psiNew - psi);
        if (res != nullptr) res->psi = pdbDihedral(a[5], a[6], a[7], a[8]);
        result |= 2;
    }
    return result;
}

}  // namespace korim::structure
