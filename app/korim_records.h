// Run records (parameter block, Euler record) and the rotated structures of an analysed alignment.
#ifndef KORIM_APP_KORIM_RECORDS_H
#define KORIM_APP_KORIM_RECORDS_H

#include <string>

#include "app/korim_types.h"
#include "app/korim_rot_services.h"
#include "structure/pdb.h"

namespace korim::app {

// Upper bounds of the texts, for any values of the fields (infinite, NaN and extreme numbers
// included): a caller's buffer of this many bytes always holds the block with its terminator.
constexpr int kKorimRecordMax = 4096;  // one writeKorim block
constexpr int kEulerRecordMax = 8192;  // one writeEulerInfo record

// Appends the run-parameter block of korimInfo->korimMode ("DATA KORIM_MODE ..." and the
// "DATA KORIM ..." settings lines, the DA_HIST results for mode 9, the rim lines when
// includeRim is not 0.0) to the text in result. Returns 0. The char* form needs room for
// strlen(result) + kKorimRecordMax bytes.
int writeKorim(const KorimInfo* korimInfo, char* result);
int writeKorim(const KorimInfo* korimInfo, std::string* result);

// Replaces result by the Euler record of an analysed tensor (irreducible form, magnitude,
// eigenvalues and eigenvectors with index 0 the z axis, the four Euler solutions in degrees),
// or by the empty text when verbose is 0. Returns 0. The char* form needs kEulerRecordMax bytes.
int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, char* result, int verbose);
int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, std::string* result, int verbose);

// writePDBRot: see app/korim_rot_services.h (also called by the best fit).

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_RECORDS_H
