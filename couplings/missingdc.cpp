// Couplings marked as missing: a measured D of 888 Hz or more.
#include "couplings/missingdc.h"

#include <cstdio>

namespace korim::couplings {

MissingCount countMissing(const DTable* dTab, const std::function<bool(int)>& use) {
  MissingCount n;
  if (dTab == nullptr || dTab->dObsList == nullptr) return n;
  for (int k = 0; k < dTab->dCount; ++k) {
    if (!use(k)) continue;
    ++n.rows;
    n.missing += missingCoupling(dTab->dObsList[k].d) ? 1 : 0;
  }
  return n;
}

void tellMissing(const char* who, const char* name, const MissingCount& n) {
  if (n.missing == 0) return;
  std::fprintf(stderr,
               "korim: %s leaves out %d of the %d selected couplings of %s, whose D is 888 Hz or more (a D "
               "that high marks a coupling as missing; one of -888 Hz or less counts).\n",
               who, n.missing, n.rows, name);
}

}  // namespace korim::couplings
