// Jackknife error estimate of a tensor fit: refits on random subsets of the couplings (-jack).
#include "fitting/aerasimdc.h"

#include <cstdio>
#include <string>

#include "couplings/writedc.h"
#include "fitting/dcselect.h"
#include "fitting/mapstats.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_align.h"

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
              const char* outAName, const char* remark) {
  if (dTab == nullptr || dTab->dCount < 1 || dTab->dObsList == nullptr || dTab->dCalcList == nullptr)
    return 0;
  KorimInfo* k = korimInfo;
  MapStats stats;
  if (mapStatsInit(&stats) != 0) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  MapStatsGuard statsGuard{&stats};
  MapLogs logs;
  if (openMapLogs(&logs, outMapName, outDaName, outAngName, outAName, true) != 0) return 1;
  MapLogsGuard logGuard{&logs};

  couplings::fitD(pdbInfo, dTab, verbose);
  mapStatsReference(&stats, &dTab->dTensor);
  SavedFlags flags;
  if (!flags.alloc(dTab)) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  std::fprintf(logs.da, "# SVD_ID    Aa         R\n\n");

  int valid = 0;
  for (int i = 0; i < dTab->dCount; i++) valid += dTab->dCalcList[i].valid ? 1 : 0;
  const int size = subsetSize(k->mapFrac, k->mapFixCount, valid);
  if (mapCount > 0 && size < 5) {
    std::fprintf(stderr,
                 "KORIM Error: jackknife subsets of %d of %d couplings are too few to fit an order "
                 "matrix (5 or more).\n",
                 size, valid);
    return 1;
  }

  long state = -1;
  int picked = 0;
  for (int t = 1; t <= mapCount; t++) {
    mapProgress(t, mapCount);
    flags.restore();
    picked = selectDcFrac(&state, dTab, k->mapFrac, k->mapFixCount);
    couplings::fitD(pdbInfo, dTab, verbose);
    if (picked < 5 || !(dTab->dTensor.saupe[0] < 999.9f)) continue;
    if (mapStatsAdd(&stats, dTab, k, &logs, t) != 0) return 1;
  }
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  std::printf("REMARK %d DC of %d picked.\n", picked, dTab->dCount);
  std::printf("REMARK %d SVD runs of %d succesful.\n", stats.accepted, mapCount);
  flags.restore();

  double aveSaupe[5], alpha[4], beta[4], gamma[4];
  std::string text;
  if (mapStatsFinish(&stats, k, &logs, "%5d  %e  %e  %e  %e  %e\n", aveSaupe, alpha, beta, gamma,
                     &text) != 0)
    return 1;
  couplings::DTensor& tensor = dTab->dTensor;
  tensor.tensorMode = couplings::kTensorSteric;
  for (int j = 0; j < 5; j++) tensor.userSaupe[j] = static_cast<float>(aveSaupe[j]);
  couplings::fitD(pdbInfo, dTab, verbose);
  if (couplings::writeDCmod(outDName, "w", dTab, k, text.c_str()) != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return 1;
  }
  if (stats.accepted == 0) {
    std::fprintf(stderr, "WARNING %d SVD runs of %d succesful.\n", 0, mapCount);
    return 0;
  }
  const int st = simulation::writePDBRot(gamma, beta, alpha, k->rotN, pdbInfo, sInfo, pdbRotName,
                                         remark);
  if (st != 0) {
    std::fprintf(stderr, "korim: error in writePDBRot.\n");
    return st;
  }
  return 0;
}

}  // namespace korim::fitting
