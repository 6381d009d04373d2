// Residue-number shift of a coupling table against a structure: the one offset of the table's
// numbering under which nearly all of its rows map and name the structure's residues.
#pragma once

#include <string>

#include "couplings/dc.h"

namespace korim::couplings {

// A shift of a table's residue numbers: its rows map to the structure at residue + offset - shift.
struct ResidueShift {
    int shift = 0;   // the table's residue number plus offset, minus the structure's; 0 = none found
    int agree = 0;   // rows that map at that shift and whose residue names agree
    int rows = 0;    // selected rows judged: both residue numbers given, a residue name at one end
    int offset = 0;  // the offset the run maps the rows at (-a1 minus -s1)
};

// Of dTab's selected rows of known nuclei (mapped at residue offset aOff, as buildDC maps them),
// those that give a residue name at one end at least are judged. Tried are the shifts that set a
// row's named residue on a residue of that name in the structure; kept is the shift under which
// nearly all rows judged map (atoms at both ends) and name their residues as the structure does:
// at least 9 in 10 of them, and at least 4 rows, since fewer agree by chance. None, or more than
// one such shift (a repeated sequence): shift 0.
ResidueShift residueShift(structure::PDBInfo* pdb, const DTable* dTab, int aOff);

// The line naming a shift, with the -s1/-a1 pair that maps the rows (segFirst: the run's -s1, or
// the table's first residue when none was given); "" for shift 0. A table numbered off:
// "the table's residue numbers look 1 higher than the structure's: at residue - 1, 63 of 63 rows
// map and their names agree; -s1 3 -a1 2 maps them so" ("2 lower", "residue + 2" for -2). A table
// numbered as the structure, shifted by the run's own offset: "-a1 3 with -s1 2 maps the table's
// residue r on the structure's r + 1, yet the table's own numbers are the structure's: at them 63
// of 63 rows map and their names agree; -a1 2 (as -s1) maps them so".
std::string shiftLine(const ResidueShift& s, int segFirst);

}  // namespace korim::couplings
