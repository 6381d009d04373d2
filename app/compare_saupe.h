// Order-matrix comparison (-anA): combination of two Saupe vectors and the rotation between
// their principal frames (hinge, Euler, closure/twist/bend, five-dimensional angle).
#ifndef KORIM_APP_COMPARE_SAUPE_H
#define KORIM_APP_COMPARE_SAUPE_H

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::app {

// saupe[i] = the arithmetic of opCode on the elements of the two Saupe vectors (five doubles,
// Szz, Sxx-Syy, Sxy, Sxz, Syz); kOpMax takes the whole vector of larger generalised order
// parameter, scaled by its own factor; any other code gives zeros. Returns 0, or 1 with a
// message when an element would not be a finite number (a division by zero).
int addSaupe(int opCode, float c1, float c2, const double* userSaupe1, const double* userSaupe2,
             double* saupe);

// The whole mode: combination, frames, hinge rows, Euler and closure/twist/bend rotations and
// the five-dimensional comparison, written as the remark of an (empty) coupling table to
// outName (empty: stdout); dTab's tensor receives the combination. twistAxis is normalised in
// place ((0,0,1) when its components are equal); a hingeAxis with unequal components replaces
// hinge row korimInfo->rotN. No angle of the report is ever NaN. Returns 0, or 1 after a message.
int compareSaupe(const settings::KorimInfo* korimInfo, const double* userSaupe1,
                 const double* userSaupe2, const char* outName, couplings::DTable* dTab,
                 const float* hingeAxis, float* twistAxis, const char* remark);

}  // namespace korim::app

#endif  // KORIM_APP_COMPARE_SAUPE_H
