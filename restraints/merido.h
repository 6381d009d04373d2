// Start and stop of the restraint library.
#pragma once

namespace korim::restraints {

// Brings the library's module state to its start: empties the shift-surface module, resets the
// coupling module's work space and the structure model's current transform, registers the
// phi/psi surface assignment with the structure model's indexing, and marks the library as
// started. The first argument is not consulted. ramaMode 1 loads the phi/psi surfaces with the
// random-coil table "rc.tab" and the homology table "homo.tab" of the directory named by
// SURF_DIR (any length; a name beginning with "!" is a directory name like any other); a failed
// load is reported ("MERIDO Error Reading Phi/Psi Surfaces.") and the run goes on with what was
// loaded. Without SURF_DIR, or with any other ramaMode, nothing is loaded. Returns 0.
int merInit(int unused, int ramaMode);

// Releases the coupling module's work space, the shift surfaces and the energy work space.
// Does not clear the started mark. Returns 0.
int merDone();

// 1 once merInit has run in this process, else 0.
int getMerInitFlag();

// Clears the started mark (tests).
void meridoReset();

}  // namespace korim::restraints
