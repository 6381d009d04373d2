// The refusal of a run left too few usable couplings, naming the option that made them few.
#include "couplings/fewcouplings.h"

#include <cstdio>

#include "foundation/advice.h"

namespace korim::couplings {

namespace {

// Module state: what the run's options did to the table's rows.
struct FewState {
  bool ranged = false;       // a range was noted
  int first = 0, last = 0;   // the range as settled
  int tableRows = 0;         // the table's rows
  int inRange = 0;           // of them, those the range keeps
  int dMin = 0, dMax = 0;    // the table's own residues
  std::string shift;         // the mapping's shift line
  int weightedOut = 0;       // selected rows -w 0 leaves out
};

FewState few;

std::string usableText(int rows, int pairs) {
  if (pairs == rows) return std::to_string(rows) + (rows == 1 ? " usable coupling" : " usable couplings");
  return std::to_string(rows) + " usable couplings of " + std::to_string(pairs) + " distinct atom pairs";
}

// The range named as the cause, and the table's own residues in its place.
void refuseRange(const std::string& range, const char* name, int rows, int pairs, const CouplingsNeeded& need) {
  const std::string whole =
      foundation::adviseOptions({{"-s1", std::to_string(few.dMin)}, {"-sN", std::to_string(few.dMax)}});
  std::fprintf(stderr,
               "korim: the coupling range %s keeps %s of %s (residues %d to %d of its %d to %d), too few to %s (%d or "
               "more); %s, the table's own residues, keeps all of its %d rows.\n",
               range.c_str(), usableText(rows, pairs).c_str(), name != nullptr ? name : "the table", few.first,
               few.last, few.dMin, few.dMax, need.purpose, need.pairs, whole.c_str(), few.tableRows);
}

}  // namespace

void noteCouplingRange(const DTable* dTab, const settings::DcInfo& dc) {
  if (dTab == nullptr || dTab->dObsList == nullptr) return;
  few.ranged = true;
  few.first = dc.segFirst;
  few.last = dc.segLast;
  few.tableRows = dTab->dCount;
  few.dMin = dTab->dMinRes;
  few.dMax = dTab->dMaxRes;
  few.inRange = 0;
  for (int k = 0; k < dTab->dCount; ++k)
    few.inRange += rowInRange(dTab->dObsList[k], dc.segFirst, dc.segLast, dc.excludeMode) ? 1 : 0;
}

void noteCouplingMapping(const DTable* dTab, const std::string& shift, const float* wList, int wCount, int wOff) {
  few.shift = shift;
  few.weightedOut = 0;
  if (dTab == nullptr || dTab->dObsList == nullptr || wList == nullptr) return;
  for (int k = 0; k < dTab->dCount; ++k) {
    const DInfo& o = dTab->dObsList[k];
    // The residue -w weighs a row by, as buildDC takes it (in 64 bits: any int minus any int).
    const long long index = static_cast<long long>(o.resIDI > o.resIDJ ? o.resIDI : o.resIDJ) - wOff;
    if (o.valid && index >= 0 && index < wCount && wList[index] == 0.0f) few.weightedOut++;
  }
}

std::string couplingRangeGiven() {
  std::string given;
  for (const char* option : {"-d1", "-dN", "-s1", "-sN"})
    if (const std::string g = foundation::givenOption(option); !g.empty()) given += (given.empty() ? "" : " ") + g;
  return given;
}

void fewCouplingsReset() { few = FewState{}; }

int refuseFewCouplings(const char* name, int rows, int pairs, const CouplingsNeeded& need) {
  if (pairs >= need.pairs) return 0;
  const std::string range = couplingRangeGiven();
  // The range is at fault where it leaves rows of the table out; first where the rows it keeps
  // could not be enough whatever else the run does.
  const bool rangeCuts = !range.empty() && few.ranged && few.inRange < few.tableRows;
  if (rangeCuts && few.inRange < need.pairs) {
    refuseRange(range, name, rows, pairs, need);
    return 1;
  }
  std::string cause;
  if (!few.shift.empty()) {
    cause = "; " + few.shift;
  } else if (few.weightedOut > 0 && rows + few.weightedOut >= need.pairs) {
    cause = "; -w gives weight 0 to " + std::to_string(few.weightedOut) + " of the selected couplings, which leaves " +
            (few.weightedOut == 1 ? "it" : "them") + " out: without -w the run keeps " +
            std::to_string(rows + few.weightedOut);
  } else if (rangeCuts) {
    refuseRange(range, name, rows, pairs, need);
    return 1;
  }
  const std::string of = name != nullptr ? std::string(" of ") + name : "";
  if (pairs == rows)
    std::fprintf(stderr, "korim: %d usable coupling%s%s %s too few to %s (%d or more)%s.\n", rows, rows == 1 ? "" : "s",
                 of.c_str(), rows == 1 ? "is" : "are", need.purpose, need.pairs, cause.c_str());
  else
    std::fprintf(stderr, "korim: %d usable couplings%s name %d distinct atom pair%s, too few to %s (%d or more)%s.\n",
                 rows, of.c_str(), pairs, pairs == 1 ? "" : "s", need.purpose, need.pairs, cause.c_str());
  return 1;
}

}  // namespace korim::couplings
