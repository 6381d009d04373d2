// Jackknife error estimate of a tensor fit: refits on random subsets of the couplings (-jack).
#include "fitting/aerasimdc.h"

#include <cstdio>
#include <string>

#include "couplings/dcpairs.h"
#include "couplings/fewcouplings.h"
#include "couplings/missingdc.h"
#include "fitting/dcselect.h"
#include "fitting/mapstats.h"
#include "foundation/advice.h"
#include "foundation/memory.h"

namespace korim::fitting {

using couplings::DTable;
using settings::KorimInfo;

namespace {

// The calculated rows' valid flags of the start (tag "korim"); put back on every return.
struct SavedFlags {
  DTable* dTab = nullptr;
  int* valid = nullptr;
  bool alloc(DTable* t) {
    dTab = t;
    valid = foundation::intAlloc("korim", t->dCount);
    if (valid == nullptr) return false;
    for (int i = 0; i < t->dCount; i++) valid[i] = t->dCalcList[i].valid;
    return true;
  }
  void restore() const {
    for (int i = 0; i < dTab->dCount; i++) dTab->dCalcList[i].valid = valid[i];
  }
  ~SavedFlags() {
    if (valid == nullptr) return;
    restore();
    foundation::unAlloc("korim", valid, dTab->dCount * static_cast<int>(sizeof(int)));
  }
};

// The size of every subset: as selectDcFrac draws it from n couplings.
int subsetSize(float frac, int fixed, int n) {
  const double target = fixed == 0 ? static_cast<double>(frac) * n : static_cast<double>(frac);
  return target >= n ? n : (target > 0.0 ? static_cast<int>(target) : 0);
}

}  // namespace

int aeraSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, DTable* dTab,
              KorimInfo* korimInfo, const char* outDName, const char* pdbRotName, int verbose,
              int mapCount, const char* outDaName, const char* outMapName, const char* outAngName,
              const char* outAName, const char* remark, const char* tableRemark) {
  if (dTab == nullptr || dTab->dCount < 1 || dTab->dObsList == nullptr || dTab->dCalcList == nullptr)
    return 0;
  KorimInfo* k = korimInfo;
  // Subsets that cannot give an estimate end the run before any log is begun.
  int valid = 0;
  for (int i = 0; i < dTab->dCount; i++)
    valid += couplings::fitRow(dTab->dObsList[i], dTab->dCalcList[i]) ? 1 : 0;
  const int size = subsetSize(k->mapFrac, k->mapFixCount, valid);
  // The couplings subsets are drawn from, named by the range that chose them where one is given.
  const std::string range = couplings::couplingRangeGiven();
  const std::string of = range.empty() ? std::to_string(valid) + " couplings"
                                       : "the " + std::to_string(valid) + " couplings " + range + " keeps";
  if (mapCount > 0 && size < 5) {
    std::fprintf(stderr,
                 "KORIM Error: jackknife subsets of %d of %s are too few to fit an order "
                 "matrix (5 or more; %s%s).\n",
                 size, of.c_str(),
                 k->mapFixCount != 0 ? "with -nDfixed, -dFrac is the count each keeps, as " : "-dFrac is the share each keeps",
                 k->mapFixCount != 0 ? foundation::adviseOption("-dFrac", "5").c_str() : "");
    return 1;
  }
  // Repeated rows of one atom pair are one coupling of each subset's fit.
  if (mapCount > 0 && couplings::refuseOrderMatrixFit(dTab) != 0) return 1;
  // Subsets that keep every coupling are one fit repeated: an estimate without spread.
  if (mapCount > 0 && size >= valid) {
    std::fprintf(stderr,
                 "KORIM Error: jackknife subsets of %d of %s keep every coupling: each "
                 "trial fits the same couplings, which gives no spread (-nDfixed -dFrac below "
                 "%d).\n",
                 size, of.c_str(), valid);
    return 1;
  }

  Mapping mapping;
  if (mapping.open(outMapName, outDaName, outAngName, outAName, true) != 0) return 1;
  MapStats& stats = mapping.stats;
  const MapLogs& logs = mapping.logs;

  couplings::fitD(pdbInfo, dTab, verbose);
  mapStatsReference(&stats, &dTab->dTensor);
  SavedFlags flags;
  if (!flags.alloc(dTab)) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  std::fprintf(logs.da, "# SVD_ID    Aa         R\n\n");

  long state = -1;
  int picked = 0;
  for (int t = 1; t <= mapCount; t++) {
    mapProgress(t, mapCount);
    flags.restore();
    picked = selectDcFrac(&state, dTab, k->mapFrac, k->mapFixCount);
    couplings::fitD(pdbInfo, dTab, verbose);
    // A subset of fewer than five atom pairs (rows of one pair count once) fixes no order matrix.
    if (picked < 5 || couplings::fitCouplings(dTab).pairs < couplings::kMinFitPairs ||
        !(dTab->dTensor.saupe[0] < 999.9f))
      continue;
    if (mapStatsAdd(&stats, dTab, k, &logs, t) != 0) return 1;
  }
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::printf("REMARK %d DC of %d picked.\n", picked, dTab->dCount);
  std::printf("REMARK %d SVD runs of %d succesful.\n", stats.accepted, mapCount);
  flags.restore();
  if (noAcceptedTrial(&stats, "-jack", mapCount, nullptr) != 0) return 1;
  return writeAverageFit(&stats, pdbInfo, sInfo, dTab, k, &logs, verbose, mapCount, outDName,
                         pdbRotName, remark, tableRemark);
}

}  // namespace korim::fitting
