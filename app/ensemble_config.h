// The residues an ensemble configuration names, checked against the structure before the ensemble is built.
#pragma once

#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::app {

// Refuses, before any work, a configuration whose residues the ensemble steps it runs cannot use:
// no key set (no -inp, or an empty file); a range whose first residue lies above its last; a
// range with no residue of the structure (domain 1 also with none outside it); an origin residue
// that is not in the structure or has no CA atom; a residue number that stands in two chains
// (the configuration names residues by number alone). Only what the run uses is checked: domain 2
// and its origin with DOMAIN_ANGLE_VAR or without CENTER_PIVOT, the origin of domain 1, domain 1
// and part 2 unless OUTPUT_ENSEMBLE stops the run before them. An origin key the configuration
// does not set (ORIGIN_DOM1, ORIGIN_DOM2) names no residue: its residue in *grid is set to a
// number no residue has, so that the steps shift nothing for it, with a note on stderr where a
// step uses it. Returns 0, or 1 after "KORIM Error: ..." naming the key, its value and what is
// wrong. inpName and pdbName are the file names for the message.
int checkEnsembleConfig(const structure::PDBInfo* pdb, settings::GridInfo* grid, int keysRead,
                        const char* inpName, const char* pdbName);

}  // namespace korim::app
