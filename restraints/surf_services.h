// Shift-surface services of the restraint library: the residue assignment (registered by merInit
// as the structure model's indexing hook) and the module's emptying and release.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// Points each residue's phiPsiSurf at the first loaded phi/psi surface
// (type 2) named like the residue, ignoring case; with xPROFlag set, a
// residue other than PRO or GLY that precedes a PRO uses the name "xPRO".
// Residues without atoms, and every residue while no surface is loaded, get
// null. Returns 0.
int setPhiPsiSurf(structure::ResInfo* resList, int resCount, int xPROFlag);

// Empties the surface module (surface list, surface counts, random-coil and
// homology tables) without releasing anything. Returns 0.
int surfNull();

// Releases every loaded surface's grids (tag "CS"), the surface list (tag
// "mer") and the random-coil and homology tables, then empties the module as
// surfNull does. Returns 0.
int surfFree();

}  // namespace korim::restraints
