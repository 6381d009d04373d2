// Distinct atom pairs of coupling rows, and whether the couplings a fit uses determine the five
// elements of an order matrix.
#include "couplings/dcpairs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "couplings/fewcouplings.h"
#include "couplings/missingdc.h"

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

// The name of one atom: HN as H.
std::string atomKey(const char* name) { return std::strcmp(name, "HN") == 0 ? std::string("H") : std::string(name); }

bool isAll(const char* name) { return std::strcmp(name, "All") == 0; }

// Where -aD1/-aD2 select none of the rows the range selected: names the pairs those rows hold.
void tellNoRowOfFilter(const char* name, int rows, const std::string& held, const char* a1, const char* a2,
                       DcRowUse use) {
  std::fprintf(stderr,
               "korim: -aD1 %s -aD2 %s select none of the %d coupling%s of %s, whose rows name the atom pairs "
               "(ATOMNAME_I-ATOMNAME_J) %s; the names are compared exactly (case and ends as the table writes "
               "them)%s.\n",
               a1, a2, rows, rows == 1 ? "" : "s", name, held.c_str(),
               use == DcRowUse::kPrediction ? "; the prediction is made without couplings" : "");
}

// The rows of the range that the bound of a usable coupling alone leaves out (beyond: selectD's
// list), of the atom types the filter keeps, counted once on stderr.
// Those whose D the file gave as its NULLVALUE are told apart: their coupling is missing.
void tellBeyondBound(const DTable* dTab, const char* name, const std::vector<int>& beyond, const char* a1,
                     const char* a2) {
  int n = 0, nulls = 0;
  for (const int k : beyond) {
    const DInfo& r = dTab->dObsList[k];
    if (!atomTypesMatch(r, a1, a2)) continue;
    ++((r.nullCells & kNullD) != 0 ? nulls : n);
  }
  if (nulls > 0)
    std::fprintf(stderr,
                 "korim: %d row%s of %s give%s D as the file's NULLVALUE %d: %s coupling is missing, so the run does "
                 "not use %s and the tables it writes do not hold %s.\n",
                 nulls, nulls == 1 ? "" : "s", name, nulls == 1 ? "s" : "", dTab->nullValue,
                 nulls == 1 ? "its" : "their", nulls == 1 ? "it" : "them", nulls == 1 ? "it" : "them");
  if (n == 0) return;
  std::fprintf(stderr,
               "korim: the selection's bound of %g Hz leaves out %d row%s of %s whose D lies above it: no coupling "
               "is that large (one of %g Hz or more marks a coupling as missing), so the run does not use %s and "
               "the tables it writes do not hold %s.\n",
               kDcUsableMax, n, n == 1 ? "" : "s", name, kDcMissingFrom, n == 1 ? "it" : "them", n == 1 ? "it" : "them");
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

int selectDcTable(DTable* dTab, const char* name, const settings::DcInfo* dc, const char* atomNameS1,
                  const char* atomNameS2, DcRowUse use) {
  std::vector<int> beyond;
  const int ranged = selectD(dTab->dObsList, dTab->dCount, dc->segFirst, dc->segLast, dc->excludeMode,
                             use == DcRowUse::kTable ? 0 : 1, &beyond);
  // The pairs the range selected, named where the atom-type filter keeps none of them.
  const bool filtered = !(isAll(atomNameS1) && isAll(atomNameS2));
  CouplingKinds held(true);
  for (int k = 0; filtered && k < dTab->dCount; ++k)
    if (dTab->dObsList[k].valid) held.add(dTab->dObsList[k]);
  int n = selTypDC(dTab->dObsList, dTab->dCount, atomNameS1, atomNameS2);
  tellBeyondBound(dTab, name, beyond, atomNameS1, atomNameS2);
  if (ranged > 0 && n == 0 && filtered) {
    tellNoRowOfFilter(name, ranged, held.list(), atomNameS1, atomNameS2, use);
    if (use != DcRowUse::kPrediction) return -1;
  }
  if (use == DcRowUse::kTable) n -= leaveOutOneAtomRows(dTab);
  return refuseRowBeyondBound(dTab, name) != 0 ? -1 : n;
}

int rowBeyondBound(const DInfo& r) {
  if (!(std::fabs(r.d * r.w) <= kDcUsableMax)) return 1;
  return std::fabs(r.sigma) <= kDcUsableMax && !(std::fabs(r.sigma * r.w) <= kDcUsableMax) ? 2 : 0;
}

void reportRowBeyondBound(const char* name, int row, bool error, float d, float dd, float w,
                          const char* reading) {
  const double value = static_cast<double>(error ? dd : d) * w;
  std::fprintf(stderr,
               "korim: row %d of %s has %s %g and W %g: its %s %s*W, %g Hz, lies beyond the %g Hz of any "
               "coupling (%s).\n",
               row + 1, name, error ? "DD" : "D", error ? dd : d, w, error ? "error" : "coupling",
               error ? "DD" : "D", value, kDcUsableMax, reading);
}

int refuseRowBeyondBound(const DTable* dTab, const char* name) {
  if (dTab == nullptr || dTab->dObsList == nullptr) return 0;
  for (int k = 0; k < dTab->dCount; ++k) {
    const DInfo& r = dTab->dObsList[k];
    const int beyond = r.valid ? rowBeyondBound(r) : 0;
    if (beyond == 0) continue;
    reportRowBeyondBound(name, k, beyond == 2, r.d, r.sigma, r.w,
                         "the weight W scales the row's coupling D and its error DD");
    return 1;
  }
  // The fits weigh a row by the inverse of its error: one of 1e-20 Hz takes the weights beyond
  // single precision.
  for (int k = 0; k < dTab->dCount; ++k) {
    const DInfo& r = dTab->dObsList[k];
    if (!r.valid || r.sigma == 0.0f || std::fabs(r.sigma) >= kDcLeastError) continue;
    std::fprintf(stderr,
                 "korim: row %d of %s has DD %g: an error below the %g Hz a table prints is no measurement "
                 "error (DD 0 marks a row without one).\n",
                 k + 1, name, r.sigma, kDcLeastError);
    return 1;
  }
  return 0;
}

int refuseWeightBeyondBound(const DTable* dTab, const char* name, const float* wList, int wCount, int wOff) {
  if (dTab == nullptr || dTab->dObsList == nullptr || dTab->dCalcList == nullptr || wList == nullptr) return 0;
  for (int k = 0; k < dTab->dCount; ++k) {
    const DInfo& o = dTab->dObsList[k];
    const DInfo& c = dTab->dCalcList[k];
    if (!o.valid || !c.valid) continue;
    // The row as the fits take it: W times the root of the -w value, DD over the value.
    const bool coupling = !(std::fabs(o.d * c.w) <= kDcUsableMax);
    const bool error = std::fabs(o.sigma) <= kDcUsableMax && !(std::fabs(c.sigma * c.w) <= kDcUsableMax);
    if (!coupling && !error) continue;
    const int res = o.resIDI > o.resIDJ ? o.resIDI : o.resIDJ;
    const long long index = static_cast<long long>(res) - wOff;
    const float v = index >= 0 && index < wCount ? wList[index] : 1.0f;
    char reading[160];
    std::snprintf(reading, sizeof reading, "-w %g weighs residue %d: the row's W %g times the square root of %g%s",
                  v, res, o.w, std::fabs(v), coupling ? "" : ", its DD over it");
    reportRowBeyondBound(name, k, !coupling, o.d, c.sigma, c.w, reading);
    return 1;
  }
  return 0;
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

void CouplingKinds::add(const DInfo& d) {
  const std::string spelt = std::string(d.atomNameI) + '-' + d.atomNameJ;
  std::string key = spelt;
  if (!exact_) {
    std::string i = atomKey(d.atomNameI), j = atomKey(d.atomNameJ);
    if (j < i) std::swap(i, j);
    key = i + '\t' + j;
  }
  auto k = std::find_if(kinds_.begin(), kinds_.end(), [&key](const Kind& e) { return e.key == key; });
  if (k == kinds_.end()) {
    kinds_.push_back({key, spelt, 1});
    return;
  }
  ++k->count;
  // Each spelling once: the rows of a kind may write it several ways.
  const std::string named = " or " + k->name + " or ";
  if (named.find(" or " + spelt + " or ") == std::string::npos) k->name += " or " + spelt;
}

std::string CouplingKinds::list() const {
  std::string text;
  for (size_t i = 0; i < kinds_.size(); ++i)
    text += (i > 0 ? ", " : "") + kinds_[i].name + ' ' + std::to_string(kinds_[i].count);
  return text;
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
  const auto used = [dTab](int k) { return fitRow(dTab->dObsList[k], dTab->dCalcList[k]); };
  for (int k = 0; k < dTab->dCount; ++k) n.rows += used(k) ? 1 : 0;
  n.pairs = countPairs(dTab, used);
  return n;
}

int refuseFewPairs(int rows, int pairs) {
  return refuseFewCouplings(nullptr, rows, pairs, {kMinFitPairs, "fit an order matrix"});
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
