// Distinct atom pairs of coupling rows, and whether the couplings a fit uses determine the five
// elements of an order matrix.
#include "couplings/dcpairs.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace korim::couplings {

namespace {

// One end of an unmapped row as the table names it.
std::string endName(int res, const char* atom, const char* chain, const char* seg) {
  return std::to_string(res) + '\t' + atom + '\t' + chain + '\t' + seg;
}

// The amide proton's two names are one atom.
bool sameAtomName(const char* a, const char* b) {
  const auto amideH = [](const char* n) { return std::strcmp(n, "H") == 0 || std::strcmp(n, "HN") == 0; };
  return std::strcmp(a, b) == 0 || (amideH(a) && amideH(b));
}

// Heavier nuclei first in a pair's name; a letter not listed goes last.
int nucleusRank(char nucleus) {
  constexpr const char* kOrder = "PFNCDH";
  const char* at = nucleus != '\0' ? std::strchr(kOrder, nucleus) : nullptr;
  return at != nullptr ? static_cast<int>(at - kOrder) : 6;
}

}  // namespace

bool oneAtomRow(const DInfo& obs, const DInfo* calc) {
  if (calc != nullptr && calc->atomICount > 0 && calc->atomJCount > 0) return hasBondVector(*calc) == 0;
  return obs.resIDI == obs.resIDJ && sameAtomName(obs.atomNameI, obs.atomNameJ) &&
         std::strcmp(obs.chainNameI, obs.chainNameJ) == 0 && std::strcmp(obs.segNameI, obs.segNameJ) == 0;
}

int leaveOutOneAtomRows(DTable* dTab) {
  if (dTab == nullptr || dTab->dObsList == nullptr) return 0;
  std::string rows;
  int n = 0;
  for (int k = 0; k < dTab->dCount; ++k) {
    DInfo& o = dTab->dObsList[k];
    if (!o.valid || !oneAtomRow(o, nullptr)) continue;
    o.valid = 0;
    ++n;
    rows += "   row " + std::to_string(k + 1) + ": " + std::to_string(o.resIDI) + ' ' + o.atomNameI + " - " +
            std::to_string(o.resIDJ) + ' ' + o.atomNameJ + '\n';
  }
  if (n > 0) {
    std::fprintf(stderr, kOneAtomHeading, n);
    std::fputs(rows.c_str(), stderr);
  }
  return n;
}

int selectDcTable(DTable* dTab, const settings::DcInfo* dc, const char* atomNameS1,
                  const char* atomNameS2) {
  selectD(dTab->dObsList, dTab->dCount, dc->segFirst, dc->segLast, dc->excludeMode);
  const int n = selTypDC(dTab->dObsList, dTab->dCount, atomNameS1, atomNameS2);
  return n - leaveOutOneAtomRows(dTab);
}

void reportDcTable(const char* name, const DTable* dTab) {
  std::fprintf(stderr, "%s, %d Couplings, Residues %d to %d.\n", name, dTab->dCount,
               dTab->dMinRes, dTab->dMaxRes);
}

void settleDcRange(settings::DcInfo* dc, int dMinRes, int dMaxRes) {
  if (dc->segFirst < settings::kNoRangeLimit) dc->segFirst = dMinRes;
  if (dc->segLast < settings::kNoRangeLimit) dc->segLast = dMaxRes;
  if (dc->segFirst > dc->segLast) {
    const int t = dc->segFirst;
    dc->segFirst = dc->segLast;
    dc->segLast = t;
  }
}

void remarkCouplings(std::FILE* to, const char* what, int count, int excludeMode) {
  std::fprintf(to, "REMARK %d couplings %s (%s%s).\n", count, what,
              excludeMode == 1 ? "exclusive" : "inclusive", excludeMode == 3 ? " max" : "");
}

std::string nucleusPair(const DInfo& d) {
  char a = nucleusOf(d.atomNameI), b = nucleusOf(d.atomNameJ);
  if (nucleusRank(b) < nucleusRank(a)) std::swap(a, b);
  return std::string(1, a != '\0' ? a : '?') + '-' + (b != '\0' ? b : '?');
}

int PairSet::add(const DInfo& obs, const DInfo* calc, int row) {
  if (calc != nullptr && calc->atomICount > 0 && calc->atomJCount > 0) {
    const structure::AtomInfo* a = calc->atomI[0];
    const structure::AtomInfo* b = calc->atomJ[0];
    const auto [it, isNew] = atoms_.emplace(a < b ? std::make_pair(a, b) : std::make_pair(b, a), row);
    return isNew ? 0 : it->second;
  }
  std::string i = endName(obs.resIDI, obs.atomNameI, obs.chainNameI, obs.segNameI);
  std::string j = endName(obs.resIDJ, obs.atomNameJ, obs.chainNameJ, obs.segNameJ);
  if (j < i) std::swap(i, j);
  const auto [it, isNew] = names_.emplace(std::make_pair(std::move(i), std::move(j)), row);
  return isNew ? 0 : it->second;
}

int countPairs(const DTable* dTab, const std::function<bool(int)>& use) {
  if (dTab == nullptr || dTab->dObsList == nullptr) return 0;
  PairSet pairs;
  for (int k = 0; k < dTab->dCount; ++k)
    if (use(k)) pairs.add(dTab->dObsList[k], dTab->dCalcList != nullptr ? &dTab->dCalcList[k] : nullptr, k + 1);
  return pairs.size();
}

FitCouplings fitCouplings(const DTable* dTab) {
  FitCouplings n;
  if (dTab == nullptr || dTab->dCalcList == nullptr) return n;
  const auto used = [dTab](int k) {
    return dTab->dCalcList[k].valid != 0 && dTab->dCalcList[k].w != 0.0f;
  };
  for (int k = 0; k < dTab->dCount; ++k) n.rows += used(k) ? 1 : 0;
  n.pairs = countPairs(dTab, used);
  return n;
}

int refuseFewPairs(int rows, int pairs) {
  if (pairs >= kMinFitPairs) return 0;
  if (pairs == rows)
    std::fprintf(stderr, "korim: %d usable couplings are too few to fit an order matrix (%d or more).\n", rows,
                 kMinFitPairs);
  else
    std::fprintf(stderr,
                 "korim: %d usable couplings name %d distinct atom pair%s, too few to fit an order matrix "
                 "(%d or more).\n",
                 rows, pairs, pairs == 1 ? "" : "s", kMinFitPairs);
  return 1;
}

int refuseOrderMatrixFit(const DTable* dTab) {
  // The linear fit and the nonlinear fit of Da, Dr and the three angles (-nofixed) both fit the
  // five elements.
  const int mode = dTab != nullptr ? dTab->dTensor.tensorMode : kTensorNone;
  if (mode != kTensorSVD && mode != kTensorNoFixed) return 0;
  const FitCouplings n = fitCouplings(dTab);
  if (refuseFewPairs(n.rows, n.pairs) != 0) return 1;
  const int rank = orderMatrixRank(dTab);
  if (rank >= 5) return 0;
  std::fprintf(stderr,
               "korim: the bond vectors of the %d distinct atom pairs determine %d of the 5 "
               "order-matrix elements (singular values of the fit below %g of the largest count as "
               "0): no order matrix can be fitted to them.\n",
               n.pairs, rank, kRankTolerance);
  return 1;
}

}  // namespace korim::couplings
