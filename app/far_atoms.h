// The atoms of a structure that lie beyond a distance from a centre, named with their file lines:
// what a refusal says when the structure's own extent does not fit a medium.
#pragma once

#include "structure/pdb.h"

namespace korim::app {

// Writes on stderr, for the atoms of pdbInfo farther than limit (Angstrom) from the point centre,
// "korim: atom <serial> <name> <residue name> <residue number> (line <n> of <file>) lies <d>
// Angstrom from the centre of the molecule." for the farthest few (the count of the rest after),
// and the distance within which the others lie. fileName is the structure file the atoms were read
// from; a record not found in it again is named without its line. Nothing when no atom lies beyond.
void nameFarAtoms(const structure::PDBInfo* pdbInfo, const char* fileName, const double centre[3], double limit);

}  // namespace korim::app
