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

// The atoms of residues resN..resC (the atom list walked in order: atoms
// below resN skipped, the walk ends at the first atom above resC): their
// coordinates go to x, y, z from index 0 (room for the atom count) and their
// centroid, summed and divided in single precision, to centre. Returns their
// number, or 0 after "Error in positionDomain: zero atoms selected." (no line
// end) on stderr.
int residueRangeCentroid(const structure::PDBInfo* pdbInfo, int resN, int resC, float* x,
                         float* y, float* z, float centre[3]);

}  // namespace korim::simulation
