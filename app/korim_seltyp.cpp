// Atom-type filter of coupling lists (-aD1, -aD2).
#include "app/korim_seltyp.h"

#include <cstring>

namespace korim::app {

namespace {

bool typeMatches(const char* wanted, const char* name) {
  return std::strcmp(wanted, "All") == 0 || std::strcmp(wanted, name) == 0;
}

}  // namespace

int selTypDC(couplings::DInfo* dList, int dCount, const char* atomNameI, const char* atomNameJ) {
  if (dList == nullptr || dCount < 1) return 0;
  int validCount = 0;
  for (int i = 0; i < dCount; i++) {
    couplings::DInfo* d = &dList[i];
    if (!typeMatches(atomNameI, d->atomNameI) || !typeMatches(atomNameJ, d->atomNameJ)) {
      d->valid = 0;
    }
    if (d->valid != 0) validCount++;
  }
  return validCount;
}

}  // namespace korim::app
