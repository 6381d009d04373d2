// Da and R of the alignment tensor by maximum likelihood of the measured couplings (-daMl).
#pragma once

#include "settings/settings.h"

namespace korim::fitting {

// The -daMl mode: reads and selects the couplings of inDName as -daHist does, scores the Da x R
// grid of korimInfo->histInfo (lDaMl..hDaMl by incDaMl, lRMl..hRMl by incRMl), takes the best
// score as DaMl, RMl with the errors of errorIso, optionally (mlMap) maps every coupling to the
// range the answer allows, writes the coupling table with the DA_ML block to outName and the
// score table ("VARS   DA R SCORE", Da and R with the decimals their steps need) to outScName
// ("" = stdout for either). A best point on an edge of the grid (other than R = 0) stays the
// answer; the edge and the option that moves it are named on stderr and as a REMARK of the table
// (a high R edge at or above 2/3 points to the Da range of the other sign instead: a larger
// -hR adds no tensor). An answer with R above 2/3 stays too, its equivalent tensor
// (equivalentTensor) named the same way.
// Returns 0; 1 after a message (score file, couplings too few or of one value, no errors, a mean
// error above kMaxLineWidth, a grid that cannot be scored), or the reader's or writer's status.
int getMlDabR(const char* inDName, settings::KorimInfo* korimInfo, settings::DcInfo* dcInfo,
              const char* atomNameS1, const char* atomNameS2, const char* outName,
              const char* outScName);

// The tensor (da, r) written with its principal value of largest size as the z axis: a tensor
// with R above 2/3 is the tensor of the other sign of Da with R below 2/3 (and back):
// *daOut = -da (2 + 3r) / 4, *rOut = (4 - 2r) / (2 + 3r). R 2/3 maps to itself.
void equivalentTensor(double da, double r, double* daOut, double* rOut);

// Errors of the likelihood's Da and R by the number of couplings nD and R (Dab is not used):
//   nD <= 40: R <= 0.1 1.6, 0.17; R <= 0.3 2.3, 0.22; else 2.5, 0.3
//   nD <= 90: 0.5, 0.05; 1.3, 0.13; 0.8, 0.13
//   else:     0.3, 0.05; 0.9, 0.1;  0.6, 0.1
// Returns 0.
int errorIso(int nD, double Dab, double R, double* DabErr, double* RErr);

}  // namespace korim::fitting
