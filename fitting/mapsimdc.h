// Monte-Carlo error estimate of a tensor fit with Gaussian noise on the couplings (best-fit
// variant -mcDc).
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// Fits dTab once, adjusts the error-bar factor korimInfo->kSigma unless -noautoMc (or fewer
// than 5 valid couplings in the run), then runs mapCount fits on couplings perturbed with
// Gaussian noise of half the scaled error bars (an error of 0 counts as 1). With mapMode 1 a fit
// is accepted only when every back-calculated coupling lies within its scaled error bar. Writes
// the logs (map, Da, angle, Saupe; "" = standard output), the coupling table to outDName with the
// mapping statistics (observed couplings as measured, calculated ones the averages over the
// accepted fits, errors their standard deviations, the tensor the average), the failure table to
// outDFailName (weights replaced by the number of fits that left each error bar) and, with an
// accepted fit, the rotated structures of the average tensor under pdbRotName.
// The logs that are files are begun once the error-bar factor is set (a run refused before its
// trials begins none).
// Returns 0 (also with nothing to do); 1 after a message for a refused -nAdjustMc (below 1 while
// the adjustment runs), an adjustment whose passes (at most kMaxAdjustPasses) reached no factor
// that keeps more than the fraction within the error bars, a work array, a log, fewer than 5
// couplings, a failed analysis or a table that was not written; the rotated-structure writer's
// status after its message.
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int mapSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo, couplings::DTable* dTab,
             settings::KorimInfo* korimInfo, const char* outDName, const char* pdbRotName,
             int verbose, const char* outDaName, const char* outMapName, int mapCount,
             const char* outDFailName, const char* outAngName, const char* outAName,
             const char* remark, const char* tableRemark = "");

// Most passes of the error-bar adjustment: a factor that no pass accepts (the required fraction
// at 1 or more, a coupling that no factor brings into its error bar in time) ends it there.
constexpr int kMaxAdjustPasses = 1000;

// Largest step of the error-bar factor (-incAdjustMc): the factor is found to within one step,
// and steps beyond this jump past every factor that makes the error bars of measured couplings
// mean something.
constexpr double kMaxFactorStep = 10.0;

// Largest error-bar factor (-kAdjustMc, -kLAdjustMc): noise of a million error bars swamps every
// coupling, and the squares of far larger factors leave single precision (the fits' statistics
// then end on a nan).
constexpr double kMaxErrorFactor = 1.0e6;

}  // namespace korim::fitting
