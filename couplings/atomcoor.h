// Coordinate edits of a structure by atom key, and the multi-model PDB writer.
#pragma once

#include "structure/pdb.h"

namespace korim::couplings {

// Room of the atom list that modifyAtomCoorList refills.
constexpr int kAtomCoorListLen = 3;

// Moves the atom named by residue, atom, chain and segment name (the structure's key look-up)
// to (xI, yI, zI), Angstrom. Returns the atom, or null when the structure is null or holds no
// such atom (nothing moves then).
structure::AtomInfo* modifyAtomCoor(structure::PDBInfo* pdbInfo, int resID, const char* atomName,
                                    const char* chainName, const char* segName, float xI,
                                    float yI, float zI);

// As modifyAtomCoor for a plain name; a name with '#' stands for the names with 1, 2 and 3 in
// its place, and every one of them found is moved. atomList (room for kAtomCoorListLen, may be
// null) is refilled with the atoms moved, from entry 0 on; entry 0 is null when none was found.
// A name with '*' matches nothing. Returns the number of atoms moved (0 to 3).
int modifyAtomCoorList(structure::PDBInfo* pdbInfo, int resID, const char* atomName,
                       const char* chainName, const char* segName,
                       structure::AtomInfo** atomList, float xI, float yI, float zI);

// Appends one model to pdbName (empty or null: standard output): "MODEL <modelId>", the ATOM
// records of the atoms that pass sInfo (null: every atom), "END". A null structure writes
// nothing. Returns 0, or 1 when the file cannot be opened or written.
int writePDBNmr(const char* pdbName, structure::PDBInfo* pdbInfo,
                const structure::PDBSelectInfo* sInfo, int modelId);

}  // namespace korim::couplings
