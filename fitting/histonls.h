// Bounded fit of Da and R to the principal couplings of a coupling histogram.
#pragma once

#include "settings/settings.h"

namespace korim::fitting {

// Fits Da and R within [daLo, daHi] x [rhLo, rhHi] of korimInfo->histInfo to its Dzz and Dyy
// (modeFit 2) or Dzz, Dyy and Dxx (modeFit 3), starting from Da2Par, R2Par; stores DaFit and
// RFit. verbFlag above 1 prints every evaluation on stderr. A modeFit outside 2..3 fits nothing.
// Returns 0.
int fitDCHisto(settings::KorimInfo* korimInfo, int verbFlag);

// The objective: res[0] = Dzz - 2 Da, res[1] = Dyy + Da (1 + 1.5 R) and, for xCnt 3,
// res[2] = Dxx + Da (1 - 1.5 R), with Da = cg[0], R = cg[1] and the principal couplings of the
// fit under way.
void fitDCHistTarget(int xCnt, int cCnt, float* cg, float* res);

// RMS of the last objective evaluation (0 for no points); for tests and reports.
double histoNlsRms();
// Forgets the fit's principal couplings, flag and RMS (for tests).
void histoNlsReset();

}  // namespace korim::fitting
