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
// A factor whose noise swamps the couplings (see kMaxNoiseShare) is refused: the user's factor
// (-kLAdjustMc where the adjustment runs, -kAdjustMc where it does not) above the largest that
// holds for the table (rounded down to three digits), and where that lies above 1 the adjustment
// goes no further: where its next step would pass that factor, its last pass runs at that factor.
// A factor of 1 or below always holds.
// Returns 0 (also with nothing to do); 1 after a message for a refused -nAdjustMc (below 1 while
// the adjustment runs), a factor that swamps the couplings, an adjustment whose passes (at most
// kMaxAdjustPasses, the last at the largest factor that holds where a step passes it) reached no factor that keeps more
// than the fraction within the error bars, a work array, a log, fewer than 5 couplings, a failed
// analysis or a table that was not written; the rotated-structure writer's status after its
// message.
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

// Largest share of the couplings' pattern that the noise of one draw may move: with the fit
// weighted by the error bars, noise of half of k error bars moves the fitted couplings of a draw by
// e = (k / 2) sqrt(5 / sum (D / DD)^2) of the fit's couplings D (five Saupe elements take up five
// of the noise's dimensions). Measured on tables back-calculated from known tensors (8 to 365
// couplings of five kinds, Da_HN 5 to 20 Hz, R 0.05 to 0.3, error bars 0.2 to 3 Hz, 1000 draws):
// the draws' mean Da_HN leaves the fit's by more than a tenth in at most a tenth of the tables at
// e = 0.2, a fifth at 0.25, a third at 0.3, and in a third to nine tenths at 0.5, whatever their size
// (the plain ratio of noise to coupling spread at which they leave grows with the square root of
// the count). Near R = 2/3 the sign of Da is fragile under any noise, so no share would hold there.
// At e = 1 a draw is as far from the fit as the fit from no alignment.
constexpr double kMaxNoiseShare = 0.25;

}  // namespace korim::fitting
