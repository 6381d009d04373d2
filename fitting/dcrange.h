// The residue range of the couplings as the command line gives it (-s1, -sN, -d1, -dN), and the
// refusal of a fit that range leaves too few couplings.
#pragma once

#include <string>

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::fitting {

// The range options the command line gives, as typed ("-sN 2", "-s1 10 -sN 40"); "" for none.
std::string couplingRangeGiven();

// A fit whose range (given on the command line) leaves fewer usable atom pairs than fix an order
// matrix: refused on stderr naming the range, the residues it keeps of the table's, and the
// table's own range in its place ("korim: the coupling range -sN 2 keeps 1 usable coupling of t.tab
// (residues 2 to 2 of its 2 to 71), too few to fit an order matrix (5 or more); -s1 2 -sN 71 in
// place of -sN 2, the table's own residues, keeps all of its 63 rows."). Returns 1 when refused,
// 0 otherwise (no range given, or enough pairs; the fit's own checks then speak).
int refuseNarrowRange(const couplings::DTable* dTab, const settings::DcInfo& dc, const char* inDName);

}  // namespace korim::fitting
