// Random subsets of couplings: the jackknife's coupling subsets and residue subsets of coupling lists.
#include "fitting/dcselect.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "couplings/missingdc.h"
#include "foundation/genrand.h"
#include "foundation/nrutil.h"

namespace korim::fitting {

namespace {

struct FreeDeleter {
  void operator()(int* p) const { std::free(p); }
};
using IntTable = std::unique_ptr<int[], FreeDeleter>;

// An int table of n entries (at least one) from the system allocator, or the end of the program.
IntTable intTable(int n, const char* what) {
  int* p = static_cast<int*>(std::calloc(static_cast<size_t>(n > 0 ? n : 1), sizeof(int)));
  if (p == nullptr) foundation::tqerror(what);
  return IntTable(p);
}

}  // namespace

int selectDcFrac(long* idum, couplings::DTable* dTab, float frac, int fixed) {
  if (dTab == nullptr || dTab->dCalcList == nullptr || dTab->dCount < 1) return 0;
  IntTable indexTab = intTable(dTab->dCount, "allocation failure for indexTab");
  IntTable indexList = intTable(dTab->dCount, "allocation failure for indexList");
  int n = 0;
  for (int i = 0; i < dTab->dCount; i++) {
    // A row the fit does not take (a coupling marked as missing, weight 0) is none to draw.
    if (!couplings::fitRow(dTab->dObsList[i], dTab->dCalcList[i])) continue;
    dTab->dCalcList[i].valid = 0;
    indexTab[n++] = i;
  }
  const double target = fixed == 0 ? static_cast<double>(frac) * n : static_cast<double>(frac);
  const int k = target >= n ? n : (target > 0.0 ? static_cast<int>(target) : 0);
  // indexList[p] marks position p as drawn.
  for (int drawn = 0; drawn < k;) {
    const int p = foundation::randomPosition(idum, n);
    if (indexList[p]) continue;
    indexList[p] = 1;
    dTab->dCalcList[indexTab[p]].valid = 1;
    drawn++;
  }
  return k;
}

int selectDcResidue(long* idum, int nRes, const int* nDcType, float* const* dcMat,
                    float* const* sigMat, int sCount, float* coupList, float* sigmaList,
                    double* rAveDD) {
  *rAveDD = 0.0;
  if (sCount < 0 || sCount > nRes) {
    std::fprintf(stderr, "KORIM Error: %d residues asked for a subset of %d residues.\n", sCount,
                 nRes);
    return -1;
  }
  IntTable indexList = intTable(nRes, "allocation failure for indexList");
  int appended = 0;
  double sum = 0.0;
  for (int drawn = 0; drawn < sCount;) {
    const int r = foundation::randomPosition(idum, nRes);
    if (indexList[r]) continue;
    indexList[r] = 1;
    drawn++;
    for (int k = 0; k < nDcType[r]; k++) {
      coupList[appended] = dcMat[r][k];
      sigmaList[appended] = sigMat[r][k];
      sum += sigMat[r][k];
      appended++;
    }
  }
  if (appended > 0) *rAveDD = sum / appended;
  return appended;
}

}  // namespace korim::fitting
