// Da and R of flexible molecules: how well one tensor explains random residue subsets of the
// measured couplings (-daFlex).
#pragma once

#include "settings/settings.h"

namespace korim::fitting {

// The -daFlex mode: reads and selects the couplings of inDName as -daHist does, and for each of
// korimInfo->histRan runs draws sCount residues (all residues for 0 or more than exist; the draw
// starts from the same seed on every call), estimates Da and R of their couplings from the
// histogram and scores them by the likelihood against couplings simulated from an isotropic
// distribution of bonds under that Da and R. Writes the run table and the extremes of the three
// ratio scores to outScName, a Da x R colour map of the scores to outColName, and the coupling
// table to outName ("" = stdout for each; stdout is never closed).
// Couplings all of one sign, or whose two-extreme estimate lies below kMinEstimateDa in size, are
// refused (refuseOneSign, refuseBelowFloor).
// Returns 0; 1 after a message (an output file, couplings too few or of one value, no errors, a
// residue range too large, no run, a sphere that cannot be built, a mean error above
// kMaxLineWidth, an allocation, no run with a ratio score in (0, 1] to compare: the score file
// then keeps the run table, no extremes, map or table follow, and the runs are tried again under
// -nFit 2, the default -nRun and smaller subsets to name the first that leaves runs to compare, or
// that none does); the reader's, histogram's or writer's status.
int motionHist(const char* inDName, settings::KorimInfo* korimInfo, settings::DcInfo* dcInfo,
               const char* atomNameS1, const char* atomNameS2, const char* outName,
               const char* outScName, const char* outColName);

}  // namespace korim::fitting
