// Atom-type filter of coupling lists (-aD1, -aD2).
#ifndef KORIM_APP_KORIM_SELTYP_H
#define KORIM_APP_KORIM_SELTYP_H

#include "couplings/dc.h"

namespace korim::app {

// Keeps, of the dCount couplings of dList, those between atom type atomNameI at end I and
// atomNameJ at end J: a coupling whose atomNameI differs from atomNameI (unless that is "All")
// or whose atomNameJ differs from atomNameJ (unless "All") has its valid flag cleared; other
// flags are left as they were. Names are compared whole and case-sensitively ("all" is no
// wildcard) and the ends are not swapped. Returns the number of couplings still valid; 0 and
// no change for dCount below 1.
int selTypDC(couplings::DInfo* dList, int dCount, const char* atomNameI, const char* atomNameJ);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_SELTYP_H
