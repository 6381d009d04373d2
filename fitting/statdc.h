// Agreement statistics between measured and back-calculated dipolar couplings.
#pragma once

#include "couplings/dc.h"

namespace korim::fitting {

// Room statDC needs in the caller's text: nine lines of at most kStatDCLineLen characters.
// The text stays far below this (about 400 characters with ordinary values); a float printed
// with "%.3f" takes at most 46 characters, so no line can exceed its line buffer.
constexpr int kStatDCLineLen = 256;
constexpr int kStatDCTextLen = 10 * kStatDCLineLen;

// Statistics of the row pairs of dTab whose observed row is valid and that the statistics keep
// (couplings::fitRow: no coupling marked as missing, a valid calculated row, weight not 0):
// x = w*d_obs, y = w*d_calc (w of the calculated row).
// Empties result (capacity at least kStatDCTextLen) and, with verbose non-zero, appends the
// eight "DATA STATISTICS DC" records: population standard deviation of x - y, Pearson r,
// quality factor Q = sqrt(sum (x-y)^2 / sum x^2), regression offset and slope of y on x and the
// symmetric ("ZEB") slope from the fits of y on x and x on y. verbose 2 also lists every valid
// observed row on stderr. A figure that is undefined (couplings::correlationGap and
// regressionGap: fewer than three pairs or no spread; Q over measured couplings all 0) is left
// out, "REMARK No <name>: <why>." in its place. Returns 0; 1 after "Error allocating temporary
// buffers." (result empty). Work arrays are tagged "statDC".
int statDC(couplings::DTable* dTab, char* result, int verbose);

// rSumD = sqrt(sum (dObs - dCalc)^2 / dCount), pSumD = sum ((dObs - dCalc) / dd)^2 with an error
// of 0 counting as 1, nD = dCount, over the 0-based arrays; all three 0 when dCount < 1.
// Returns dCount (0 when dCount < 1).
int getStatEasyDC(const float* dObsList, const float* ddList, const float* dCalcList, int dCount,
                  float* rSumD, float* pSumD, int* nD);

}  // namespace korim::fitting
