// Calls the structure model makes into libraries above it, reached through hooks that those
// libraries register at their start (the restraint library's merInit sets the phi/psi surfaces).
#pragma once

#include "structure/pdb.h"

namespace korim::structure {

// Points each residue of resList[0..resCount-1] at its phi/psi surface (or null); xPROFlag set
// gives a residue other than PRO or GLY before a PRO the surface named "xPRO". Returns 0.
using PhiPsiSurfHook = int (*)(ResInfo* resList, int resCount, int xPROFlag);

// Registers the surface assignment that indexing calls; null removes it.
void setPhiPsiSurfHook(PhiPsiSurfHook hook);

// The registered surface assignment; without one (no surface library started, so no surface
// loaded) every residue's phiPsiSurf becomes null. Returns the hook's status, else 0.
int assignPhiPsiSurf(ResInfo* resList, int resCount, int xPROFlag);

// Removes every registered hook (tests).
void pdbHooksReset();

}  // namespace korim::structure
