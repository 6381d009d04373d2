// Da and R of the alignment tensor by maximum likelihood of the measured couplings (-daMl).
#pragma once

#include "settings/settings.h"

namespace korim::fitting {

// The -daMl mode: reads and selects the couplings of inDName as -daHist does, scores the Da x R
// grid of korimInfo->histInfo (lDaMl..hDaMl by incDaMl, lRMl..hRMl by incRMl), takes the best
// score as DaMl, RMl with the errors of errorIso, optionally (mlMap) maps every coupling to the
// range the answer allows, writes the coupling table with the DA_ML block to outName and the
// score table ("VARS   DA R SCORE", Da and R with the decimals their steps need) to outScName
// ("" = stdout for either). The grid's Da range has one sign (one at or above 0 is searched
// negated), the end nearest 0 a size of at least kMinPatternDa, and R reaches at most 2 (between
// 2/3 and 2 lie the tensors of the other sign of Da). A best point on an edge of the grid (other
// than R 0 and R 2) stays the answer; the edge (a Da edge by size, in the answer's sign) and the
// option that sets and moves it are named on stderr and as a REMARK of the table (a high R edge
// at or above 2/3 with what lies beyond it). An answer outside the usual form stays too, named in
// it (usualFormNote) the same way, and on an edge as the edge point. Where |Da2Par| lies beyond
// or below the grid's |Da| range, a note before the answer names the -lDa or -hDa that reaches it. DaMl has
// the sign of the couplings' extreme of larger magnitude (of Da2Par), whatever the sign of the
// range; the score table lists the search's frame (the couplings turned so that that extreme is
// positive, Da negative), and the mapping (mlMap) is made in it and turned back.
// Couplings all of one sign are answered with a warning (warnOneSign); an answer whose least
// principal value lies below the mean error, or that names the opposite sign to the two-extreme
// estimate in the usual form, has its sign said unsettled (signNote).
// Returns 0; 1 after a message (a grid outside those ranges or of fewer than two points along
// an axis, couplings whose |Da2Par| is below kMinEstimateDa (refuseBelowFloor), score file, couplings too few or of one value, no errors, a mean error above
// kMaxLineWidth, a grid that cannot be scored), or the reader's or writer's status.
int getMlDabR(const char* inDName, settings::KorimInfo* korimInfo, settings::DcInfo* dcInfo,
              const char* atomNameS1, const char* atomNameS2, const char* outName,
              const char* outScName);

// Errors of the likelihood's Da and R by the number of couplings nD and R (Dab is not used):
//   nD <= 40: R <= 0.1 1.6, 0.17; R <= 0.3 2.3, 0.22; else 2.5, 0.3
//   nD <= 90: 0.5, 0.05; 1.3, 0.13; 0.8, 0.13
//   else:     0.3, 0.05; 0.9, 0.1;  0.6, 0.1
// Returns 0.
int errorIso(int nD, double Dab, double R, double* DabErr, double* RErr);

}  // namespace korim::fitting
