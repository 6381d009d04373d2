// The refusal of a run left too few usable couplings: the one place their count is judged, naming
// the option that made them few (the residue range, the offset -a1, the weights -w) and its mend.
#pragma once

#include <string>

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::couplings {

// The residue range the run selects dTab's couplings by, as settled (settleDcRange): how many of
// the table's rows it keeps.
void noteCouplingRange(const DTable* dTab, const settings::DcInfo& dc);

// How a run on a structure took the selected rows of dTab (after buildDC and reportDCMap): shift,
// the line naming a residue-number shift under which the rows would map (shiftLine; "" for none);
// the weights of -w (wCount values from residue wOff; none: wList null), of which the rows -w 0
// leaves out are counted.
void noteCouplingMapping(const DTable* dTab, const std::string& shift, const float* wList, int wCount, int wOff);

// The range options the command line gives, as typed ("-sN 2", "-s1 10 -sN 40"); "" for none.
std::string couplingRangeGiven();

// Forgets what was noted; for each run's start, and for tests.
void fewCouplingsReset();

// What the couplings are too few for: the least number of distinct atom pairs and the purpose as
// the message says it ("fit an order matrix", "estimate Da and R from their distribution").
struct CouplingsNeeded {
  int pairs;
  const char* purpose;
};

// 0 when pairs (the distinct atom pairs of rows usable couplings of the table name) reach need.pairs.
// Else 1
// after the refusal on stderr. Where the range given (-s1, -sN, -d1, -dN) keeps fewer rows than
// need, and the table holds rows beyond it: "korim: the coupling range -sN 2 keeps 1 usable coupling
// of t.tab (residues 2 to 2 of its 2 to 71), too few to fit an order matrix (5 or more); -s1 2 -sN
// 71 in place of -sN 2, the table's own residues, keeps all of its 63 rows.". Else "korim: <rows>
// usable coupling(s) [of <name>] is/are too few to <purpose> (<n> or more)" (naming the distinct
// pairs where rows repeat them), followed by the cause where an option is at fault: the mapping's
// shift line (its advice of -a1 or -s1), or the weights of -w that leave enough rows out (a run
// without -w keeps them); the range, where it leaves rows of the table out, is named last. name
// may be null (no file named).
int refuseFewCouplings(const char* name, int rows, int pairs, const CouplingsNeeded& need);

}  // namespace korim::couplings
