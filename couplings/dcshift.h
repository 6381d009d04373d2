// Residue-number shift of a coupling table against a structure: the one offset of the table's
// numbering under which nearly all of its rows map and name the structure's residues.
#pragma once

#include <string>

#include "couplings/dc.h"

namespace korim::couplings {

// A shift of a table's residue numbers: its rows map to the structure at residue - shift.
struct ResidueShift {
    int shift = 0;  // the table's residue number minus the structure's; 0 = none found
    int agree = 0;  // rows that map at that shift and whose residue names agree
    int rows = 0;   // selected rows judged: both residue numbers given, a residue name at one end
};

// Of dTab's selected rows of known nuclei (mapped at residue offset aOff, as buildDC maps them),
// those that give a residue name at one end at least are judged. Tried are the shifts that set a
// row's named residue on a residue of that name in the structure; kept is the shift under which
// nearly all rows judged map (atoms at both ends) and name their residues as the structure does:
// at least 9 in 10 of them, and at least 4 rows, since fewer agree by chance. None, or more than
// one such shift (a repeated sequence): shift 0.
ResidueShift residueShift(structure::PDBInfo* pdb, const DTable* dTab, int aOff);

// "the table's residue numbers look 1 higher than the structure's: at residue - 1, 63 of 63 rows
// map and their names agree" ("2 lower", "residue + 2" for a shift of -2); "" for shift 0.
std::string shiftLine(const ResidueShift& s);

}  // namespace korim::couplings
