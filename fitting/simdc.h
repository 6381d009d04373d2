// Single best fit of an alignment tensor to measured couplings (best-fit variant -single).
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// Fits the tensor of dTab (already mapped to the structure and selected) with fitD, analyses
// the fitted Saupe elements, writes the coupling table to outDName ("" = standard output) and
// the structure rotated into the four Euler frames under pdbRotName ("%s.%d", and the frame
// korimInfo->rotN under the name itself; "" writes none), with the atoms sInfo passes.
// Returns 0; 1 when the couplings cannot determine the fit of an order matrix, linear (SVD) or of
// Da, Dr and three angles (-nofixed) (refuseOrderMatrixFit, nothing written); 1 after "korim: error in analyzeSaupe.\n" (nothing written); the table writer's
// status after "korim: error in writeDCmod.\n" (no table written); the rotated-structure
// writer's status after "korim: error in writePDBRot.\n" (the table is written already).
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int simDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, couplings::DTable* dTab,
          settings::KorimInfo* korimInfo, const char* remark, const char* outDName,
          const char* pdbRotName, int verbose, const char* tableRemark = "");

// Counts the selected rows of dTab whose ends map to atoms but give no bond vector (a row that
// names one atom at both ends); the mapping leaves them out of every fit.
int oneAtomCouplings(const couplings::DTable* dTab);

// The module keeps the Euler solutions of the last fit for the run; simdcReset clears them
// (for tests).
void simdcReset();

}  // namespace korim::fitting
