// Permutation search over peaks of the assignment search.
#pragma once

#include "assignment/visit_globals.h"

namespace korim::assignment {

// Resets the search state: aGlobal[0..nGlobal-1] to 0 (nGlobal taken within 0..kPermMax),
// idGlobal to -1, cGlobal to 0 and pSumDGlobal to 1e8. The program calls it once at start.
void initializeGlobal();

}  // namespace korim::assignment
