// The residue range of the couplings as the command line gives it, and the refusal of a fit it
// leaves too few couplings.
#include "fitting/dcrange.h"

#include <cstdio>

#include "couplings/dcpairs.h"
#include "foundation/advice.h"

namespace korim::fitting {

std::string couplingRangeGiven() {
  std::string given;
  for (const char* option : {"-d1", "-dN", "-s1", "-sN"})
    if (const std::string g = foundation::givenOption(option); !g.empty()) given += (given.empty() ? "" : " ") + g;
  return given;
}

int refuseNarrowRange(const couplings::DTable* dTab, const settings::DcInfo& dc, const char* inDName) {
  const std::string range = couplingRangeGiven();
  if (dTab == nullptr || range.empty()) return 0;
  const couplings::FitCouplings n = couplings::fitCouplings(dTab);
  if (n.pairs >= couplings::kMinFitPairs) return 0;
  const std::string kept = n.pairs == n.rows ? std::to_string(n.rows) + (n.rows == 1 ? " usable coupling" : " usable couplings")
                                             : std::to_string(n.rows) + " usable couplings of " +
                                                   std::to_string(n.pairs) + " distinct atom pairs";
  const std::string whole = foundation::adviseOptions(
      {{"-s1", std::to_string(dTab->dMinRes)}, {"-sN", std::to_string(dTab->dMaxRes)}});
  std::fprintf(stderr,
               "korim: the coupling range %s keeps %s of %s (residues %d to %d of its %d to %d), too few to fit an "
               "order matrix (%d or more); %s, the table's own residues, keeps all of its %d rows.\n",
               range.c_str(), kept.c_str(), inDName, dc.segFirst, dc.segLast, dTab->dMinRes, dTab->dMaxRes,
               couplings::kMinFitPairs, whole.c_str(), dTab->dCount);
  return 1;
}

}  // namespace korim::fitting
