// Shift-surface services of the restraint library that the structure model calls while indexing.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// Points each residue's phiPsiSurf at the first loaded phi/psi surface
// (type 2) named like the residue, ignoring case; with xPROFlag set, a
// residue other than PRO or GLY that precedes a PRO uses the name "xPRO".
// Residues without atoms, and every residue while no surface is loaded, get
// null. Returns 0.
int setPhiPsiSurf(structure::ResInfo* resList, int resCount, int xPROFlag);

}  // namespace korim::restraints
