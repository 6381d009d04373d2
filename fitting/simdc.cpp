// Single best fit of an alignment tensor to measured couplings (best-fit variant -single).
#include "fitting/simdc.h"

#include <cstdio>

#include "couplings/analyzeSaupe.h"
#include "couplings/dcpairs.h"
#include "couplings/writedc.h"
#include "simulation/korim_utils_align.h"

namespace korim::fitting {

using korim::settings::KorimInfo;
using korim::couplings::DTable;
using korim::structure::PDBInfo;
using korim::structure::PDBSelectInfo;

namespace {

// Euler solutions of the last analysed fit (degrees), kept between calls for the run.
struct SimDCState {
  double alphaList[4] = {};
  double betaList[4] = {};
  double gammaList[4] = {};
};
SimDCState state;

}  // namespace

void simdcReset() { state = SimDCState{}; }

int oneAtomCouplings(const DTable* dTab) {
  int n = 0;
  for (int k = 0; dTab != nullptr && dTab->dObsList != nullptr && dTab->dCalcList != nullptr && k < dTab->dCount;
       ++k) {
    const korim::couplings::DInfo& c = dTab->dCalcList[k];
    if (dTab->dObsList[k].valid && c.atomICount > 0 && c.atomJCount > 0 && !korim::couplings::hasBondVector(c)) ++n;
  }
  return n;
}

int simDC(PDBInfo* pdbInfo, PDBSelectInfo* sInfo, DTable* dTab, KorimInfo* korimInfo,
          const char* remark, const char* outDName, const char* pdbRotName, int verbose,
          const char* tableRemark) {
  // Five order-matrix elements cannot be fitted to fewer than five distinct atom pairs, nor to
  // bond vectors along too few directions: the linear fit would leave a zero or meaningless
  // tensor, and a table of it must not pass as a result; nor can the five free parameters of
  // -nofixed. A user's fixed or partly fixed tensor (the other tensor modes) may be checked
  // against any couplings.
  if (korim::couplings::refuseOrderMatrixFit(dTab) != 0) return 1;
  // Otherwise the fit's status is not acted on; a nonlinear fit with more free parameters than
  // couplings evaluates its start tensor, which the analysis and the writer handle.
  korim::couplings::fitD(pdbInfo, dTab, verbose);

  double saupe[5];
  for (int k = 0; k < 5; k++) saupe[k] = dTab->dTensor.saupe[k];
  double irrSaupe[5] = {}, gMag = 0.0, eigVec[3][3] = {}, eigVal[3] = {}, da = 0.0, dr = 0.0;
  if (korim::couplings::analyzeSaupe(saupe, irrSaupe, &gMag, eigVec, eigVal, korimInfo->yzFlag,
                                     &da, &dr, state.alphaList, state.betaList, state.gammaList,
                                     korimInfo->eulerFlag) != 0) {
    std::fprintf(stderr, "korim: error in analyzeSaupe.\n");
    return 1;
  }

  // The writer fails only when its statistics or analysis cannot be made; no table was written.
  if (const int st = korim::couplings::writeDCmod(outDName, "w", dTab, korimInfo, tableRemark); st != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return st;
  }

  int status = korim::simulation::writePDBRot(state.gammaList, state.betaList, state.alphaList,
                                       korimInfo->rotN, pdbInfo, sInfo, pdbRotName, remark);
  if (status != 0) {
    std::fprintf(stderr, "korim: error in writePDBRot.\n");
    return status;
  }
  return 0;
}

}  // namespace korim::fitting
