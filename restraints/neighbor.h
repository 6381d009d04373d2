// Van der Waals neighbour lists of a structure: rebuild for a cut-off, and the test whether atoms moved too far since.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// 1 when some atom lies farther than maxAllowedMove (Angstrom, used in single precision) from
// its position at the last rebuild (the structure's vdwList) in one coordinate or in all three,
// else 0; 0 for a structure without atoms or saved positions. A nan margin gives 1 (a move past
// it can never be seen, so the lists are rebuilt instead).
int testMerNeighbors(structure::PDBInfo* pdbInfo, double maxAllowedMove);

// Rebuilds the neighbour lists: every pair a < b of atoms not marked in the bond matrix whose
// distance is at most neighborDist (Angstrom, inclusive) is stored once, b in the list of a.
// Then saves the positions (updateVDWFromPDB). Nothing without neighbour lists or bond matrix.
// A list reaching its room (a row of atomCount entries, which the pairs never fill) would stop
// the rebuild with a message and 1; so does a nan cut-off, before anything is changed; else 0.
int updateMerNeighbors(structure::PDBInfo* pdbInfo, float neighborDist);

}  // namespace korim::restraints
