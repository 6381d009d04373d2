// The rotated-structure writer of the driver, as the best fit below it calls it.
#ifndef KORIM_APP_KORIM_ROT_SERVICES_H
#define KORIM_APP_KORIM_ROT_SERVICES_H

#include "structure/pdb.h"

namespace korim::app {

// Writes the structure turned into the frame of each of the four Euler solutions k = 0..3:
// the atoms of residues minResID..maxResID are turned by (-angleList1[k], -angleList2[k],
// -angleList3[k]) degrees (callers pass the gamma, beta and alpha lists), centred on their
// centroid and written with the selection sInfo to "outName.k", and for k == rotID also to
// outName itself. The coordinates are restored after every solution. An empty outName writes
// nothing. Returns 0, or 1 after a message on stderr when the coordinates cannot be saved, no
// atom lies in the residue range, or a file cannot be written (the writer's message); the
// coordinates are restored before a failed write returns.
int writePDBRot(const double* angleList1, const double* angleList2, const double* angleList3,
                int rotID, structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
                const char* outName, const char* remark);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_ROT_SERVICES_H
