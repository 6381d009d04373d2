// Jackknife error estimate of a tensor fit: refits on random subsets of the couplings (best-fit
// variant -jack).
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// Fits dTab once, then mapCount times on random subsets (selectDcFrac with the settings' mapFrac,
// the fraction of the valid couplings kept, or with mapFixCount set their number); the subsets
// repeat from run to run. A subset of fewer than 5 couplings is no fit: when the subsets would be
// that small the run fails before its trials, and so it does when they would keep every coupling
// (each trial the same fit). Writes the logs ("" = standard output), the coupling
// table back-calculated from the average tensor with the mapping statistics to outDName and, with
// an accepted fit, the rotated structures under pdbRotName. The valid flags of the calculated rows
// are those of the start. Returns 0 (also with nothing to do or no accepted fit, after a warning);
// 1 after a message for a work array, a log, too small or whole subsets, a failed analysis or a table that
// was not written; the rotated-structure writer's status after its message.
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int aeraSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, couplings::DTable* dTab,
              settings::KorimInfo* korimInfo, const char* outDName, const char* pdbRotName,
              int verbose, int mapCount, const char* outDaName, const char* outMapName,
              const char* outAngName, const char* outAName, const char* remark,
              const char* tableRemark = "");

}  // namespace korim::fitting
