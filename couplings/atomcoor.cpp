// Coordinate edits of a structure by atom key, and the multi-model PDB writer.
#include "couplings/atomcoor.h"

#include <cstdio>

#include "foundation/outputfile.h"

namespace korim::couplings {

using structure::AtomInfo;
using structure::PDBInfo;

namespace {

void moveAtom(AtomInfo* a, float x, float y, float z) {
    a->x = x;
    a->y = y;
    a->z = z;
}

}  // namespace

AtomInfo* modifyAtomCoor(PDBInfo* pdbInfo, int resID, const char* atomName, const char* chainName,
                         const char* segName, float xI, float yI, float zI) {
    AtomInfo* a = structure::findAtom(pdbInfo, resID, atomName, chainName, segName);
    if (a != nullptr) moveAtom(a, xI, yI, zI);
    return a;
}

int modifyAtomCoorList(PDBInfo* pdbInfo, int resID, const char* atomName, const char* chainName,
                       const char* segName, AtomInfo** atomList, float xI, float yI, float zI) {
    if (atomList != nullptr) atomList[0] = nullptr;
    char fmt[structure::PDB_KEY_LEN];
    if (structure::isAtomExpr(atomName, fmt) == 2) return 0;  // '*' has no expansion here
    // Plain names and '#' (digits 1 to 3) expand as the structure's own atom-list look-up does.
    AtomInfo* found[structure::PDB_MAX_ATOM_LIST];
    int count = structure::findAtomList(pdbInfo, resID, atomName, chainName, segName, found);
    if (count > kAtomCoorListLen) count = kAtomCoorListLen;
    for (int k = 0; k < count; ++k) {
        moveAtom(found[k], xI, yI, zI);
        if (atomList != nullptr) atomList[k] = found[k];
    }
    return count;
}

int writePDBNmr(const char* pdbName, PDBInfo* pdbInfo, const structure::PDBSelectInfo* sInfo,
                int modelId) {
    if (pdbInfo == nullptr) return 0;
    if (!structure::pdbAtomsFit(pdbInfo, sInfo, pdbName)) return 1;
    FILE* out = foundation::openOutput(pdbName, "a", "PDB Error opening PDB file %s: %s\n");
    if (out == nullptr) return 1;
    std::fprintf(out, "MODEL %d\n", modelId);
    structure::writePDBAtoms(out, pdbInfo, sInfo);
    std::fprintf(out, "END\n");
    // A model that did not reach its file is reported, not taken for written.
    return foundation::closeOutput(out, pdbName, "PDB Error writing PDB file %s: %s\n");
}

}  // namespace korim::couplings
