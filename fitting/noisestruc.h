// Monte-Carlo error estimate of a tensor fit with noise on the structure (best-fit variant
// -mcStruc).
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// Fits dTab once and takes the back-calculated couplings as a noise-free target; with -autoCone
// searches the width of the Gaussian cone (from nConeStart by nConeInc below kMaxConeWidth,
// nConeAdjust noisy fits per width) whose structural noise gives the experimental RMS: the last
// width measured below it before one above it (the first width when that one is above it
// already; never the width 0, which adds no noise); then fits mapCount times on structures
// perturbed by that noise (one fit without noise when the width is not above 0). aFirst, segFirst and segLast are the residue offset and range
// of the coupling selection. Afterwards the couplings, weights, atom lists and coordinates are
// those of the start; the coupling table is back-calculated from the average tensor and written to
// outDName with the mapping statistics, and with an accepted fit the rotated structures go under
// pdbRotName. The logs are begun once the width is known (a run refused before its trials begins
// none).
// Returns 0 (also with an empty table, or no accepted fit after a warning); 1 after a message for
// a work array, a log, an increment not above 0, a reference fit with no coupling or an order
// matrix that is not finite, a search that reached no width (at kMaxConeWidth or after
// kMaxAdjustPasses widths) or only the width 0, fewer than 5 couplings, a failed analysis or a
// table that was not written; the status of the coordinate store or of the rotated-structure
// writer after its message.
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int noiseStrucSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
                    couplings::DTable* dTab, settings::KorimInfo* korimInfo, int aFirst,
                    int segFirst, int segLast, const char* outDName, const char* pdbRotName,
                    int verbose, int mapCount, const char* outDaName, const char* outMapName,
                    const char* outAngName, const char* outAName, const char* remark,
                    const char* tableRemark = "");

}  // namespace korim::fitting
