// Permutation search over peaks of the assignment search: reset of the search state.
#include "assignment/korim_utils_visit.h"

namespace korim::assignment {

void initializeGlobal() {
    int n = nGlobal < 0 ? 0 : (nGlobal > kPermMax ? kPermMax : nGlobal);
    for (int t = 0; t < n; t++) aGlobal[t] = 0;
    idGlobal = -1;
    cGlobal = 0;
    pSumDGlobal = kNoScore;
}

}  // namespace korim::assignment
