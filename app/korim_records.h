// Euler record of an analysed alignment tensor.
#ifndef KORIM_APP_KORIM_RECORDS_H
#define KORIM_APP_KORIM_RECORDS_H

#include <string>


namespace korim::app {

// Upper bound of the text, for any values of the fields (infinite, NaN and extreme numbers
// included): a caller's buffer of this many bytes always holds the record with its terminator.
constexpr int kEulerRecordMax = 8192;  // one writeEulerInfo record

// Replaces result by the Euler record of an analysed tensor (irreducible form, magnitude,
// eigenvalues and eigenvectors with index 0 the z axis, the four Euler solutions in degrees),
// or by the empty text when verbose is 0. Returns 0. The char* form needs kEulerRecordMax bytes.
int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, char* result, int verbose);
int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, std::string* result, int verbose);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_RECORDS_H
