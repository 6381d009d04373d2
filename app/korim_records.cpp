// Euler record of an analysed alignment tensor.
#include "app/korim_records.h"

#include <cstring>
#include <string>

#include "foundation/appendf.h"

namespace korim::app {

using foundation::appendf;

int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, std::string* result, int verbose) {
  std::string& out = *result;
  out.clear();
  if (verbose == 0) return 0;
  out += "\n\nDATA IRREDUCIBLE REPRESENTATION (A0,A1R,A1I,A2R,A2I)";
  appendf(out, "   % .4e % .4e % .4e % .4e % .4e\n", irrSaupe[0], irrSaupe[1], irrSaupe[2],
          irrSaupe[3], irrSaupe[4]);
  out += "DATA IRREDUCIBLE GENERAL_MAGNITUDE";
  appendf(out, "  % .4e\n", gMag);
  out += "\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n";
  // Index 0 of the eigensystem is the z axis, 2 the x axis.
  out += "DATA EIGENVALUES (Axx,Ayy,Azz)";
  appendf(out, "   % .4e % .4e % .4e\n", eigVal[2], eigVal[1], eigVal[0]);
  out += "DATA EIGENVECTORS\n";
  appendf(out, "DATA EIGENVECTORS XAXIS % .4e % .4e % .4e\n", eigVec[0][2], eigVec[1][2],
          eigVec[2][2]);
  appendf(out, "DATA EIGENVECTORS YAXIS % .4e % .4e % .4e\n", eigVec[0][1], eigVec[1][1],
          eigVec[2][1]);
  appendf(out, "DATA EIGENVECTORS ZAXIS % .4e % .4e % .4e\n", eigVec[0][0], eigVec[1][0],
          eigVec[2][0]);
  out += "\n";
  appendf(out, "DATA Q_EULER_SOLUTIONS  %7s  %7s  %7s\n", "ALPHA", "BETA", "GAMMA");
  for (int i = 1; i <= 4; i++) {
    appendf(out, "DATA Q_EULER_ANGLES %2d  %7.2f  %7.2f  %7.2f\n", i, alphaList[i - 1],
            betaList[i - 1], gammaList[i - 1]);
  }
  return 0;
}

int writeEulerInfo(const double* irrSaupe, double gMag, const double* eigVal,
                   const double (*eigVec)[3], const double* alphaList, const double* betaList,
                   const double* gammaList, char* result, int verbose) {
  std::string text;
  writeEulerInfo(irrSaupe, gMag, eigVal, eigVec, alphaList, betaList, gammaList, &text, verbose);
  std::memcpy(result, text.c_str(), text.size() + 1);
  return 0;
}

}  // namespace korim::app
