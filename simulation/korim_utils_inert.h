// Second-moment (inertia) tensor of an atom set about its centroid.
#pragma once

#include "structure/pdb.h"

namespace korim::simulation {

// inertiaTensor (double[9], row-major xx, xy, xz, yx, ..., zz): element (a, b)
// is the mean over the selected atoms of a*b about their centroid. Returns
// 0, or 1 after "Error in calcInertia: allocating coord buffers.\n" or
// "WARNING: Zero atoms for inertia tensor selected." (no line end) on stderr.
int calcInertia(structure::PDBInfo* pdbInfo, double* inertiaTensor);

// The same over the atoms with resN <= resID <= resC (the walk over the atom
// list stops at the first atom past resC), in single precision. Returns 0,
// or 1 after "Error in calcInertiaSel: allocating coord buffers.\n" or
// "Error in positionDomain: zero atoms selected." (no line end).
int calcInertiaSel(structure::PDBInfo* pdbInfo, int resN, int resC, double* inertiaTensor);

}  // namespace korim::simulation
