// Scoring of one candidate assignment of unassigned peaks by an SVD fit of the alignment tensor.
#pragma once

#include "couplings/missingdc.h"

namespace korim::assignment {

constexpr int kPeakCols = 30;          // columns of the peak matrices
constexpr int kSingleCols = 10;        // columns of the one-medium driver's peak matrices
// dcMat value of a peak without a coupling in a column: the mark of a missing coupling.
constexpr float kEmptyCell = couplings::kDcMissingFrom;
constexpr int kMediaMax = 3;           // alignment media scored together

// One assignment problem. Matrices have cols columns (kPeakCols, or kSingleCols in the one-medium
// driver); dcMat, diValMat, sigMat and wMat are indexed [peak row][column], xMat, yMat and zMat
// (bond vector J - I, Angstrom) [residue position][column]. The thirteen work lists hold at
// least peakCount * colId + nCoupAss entries; their heads (entries 0..nCoupAss-1) hold the
// couplings whose assignment is fixed, medium after medium, and fixedKeep a copy of them (see
// saveFixedHead). All owned by the caller.
struct AssignProblem {
  int peakCount = 0;  // peaks, and residue positions of a permutation
  int colId = 0;      // coupling columns in use, medium 0's first
  int nCoupAss = 0;   // couplings with fixed assignment
  int cols = kPeakCols;  // columns of every matrix (colId of them in use)
  float** dcMat = nullptr;     // observed coupling, Hz
  float** diValMat = nullptr;  // dipolar interaction constant, Hz
  float** sigMat = nullptr;    // error of the coupling, Hz
  float** wMat = nullptr;      // weight
  float** xMat = nullptr;
  float** yMat = nullptr;
  float** zMat = nullptr;
  float *xI = nullptr, *yI = nullptr, *zI = nullptr, *xJ = nullptr, *yJ = nullptr, *zJ = nullptr;
  float *dcList = nullptr, *diList = nullptr, *ddList = nullptr, *wList = nullptr;
  float *dcOrigList = nullptr, *diOrigList = nullptr, *ddOrigList = nullptr;
  // 7 * nCoupAss values: xJ, yJ, zJ, coupling, constant, error and weight of the fixed couplings.
  float* fixedKeep = nullptr;
  // Window of an acceptable tensor, bounds excluded: Da in Hz on the N-H scale, rhombicity R.
  float lDa = -25.0f, hDa = -3.0f, lR = 0.0f, hR = 0.7f;
  int nLcType = 1;                   // media (1..kMediaMax)
  int nDTypList[kMediaMax] = {};     // fixed couplings of each medium
  int colIdList[kMediaMax] = {};     // matrix columns of each medium
  // Fits of five or more couplings that could not be made (work space): such a candidate scores
  // kNoScore, and the search that met one is no result.
  int fitFailures = 0;
};

// Scoring of the permutation rowIdList (residue position j takes peak row rowIdList[j]).
using ScoreFunc = float (*)(AssignProblem& prob, const int* rowIdList, int yzFlag);

// Copies the fixed couplings at the heads of the work lists into prob.fixedKeep.
void saveFixedHead(AssignProblem& prob);

// Weighted chi-square of the couplings the permutation implies, medium by medium, each medium's
// tensor fitted by SVD. A candidate for which any medium's tensor lies outside the window, or
// whose analysis fails, scores kNoScore (1e8); so does a problem of no medium. The heads of the
// work lists hold the fixed couplings again on return. Allocates nothing.
float getSvdChi2Exh(AssignProblem& prob, const int* rowIdList, int yzFlag);
// Where medium m's fixed couplings (at the heads of the work lists) and its columns begin.
void mediumOffsets(const AssignProblem& prob, int medium, int* fixOff, int* colOff);
// The SVD fit of the fixed couplings of one medium alone (medium 0 to nLcType - 1).
struct FixedFit {
  int count = 0;         // couplings fitted
  float saupe[5] = {};   // the five Saupe elements
  double covar[5][5] = {};  // their covariance from the couplings' errors and bond vectors
  double chi2 = 0.0;     // sum of the squared residuals over the errors (the weights of the fit)
};
// Fills *fit. The heads of the work lists hold the fixed couplings again on return. False for a
// fit that could not be made (fewer than five couplings, or bond vectors that do not determine it).
bool fixedFit(AssignProblem& prob, int medium, FixedFit* fit);
// The tensor medium m's couplings give under the permutation rowIdList, fitted by SVD in the form
// of yzFlag: *daNH its Da on the N-H scale (Hz), *rhomb its rhombicity. The heads of the work
// lists hold the fixed couplings again on return. False for a fit that could not be made.
bool candidateTensor(AssignProblem& prob, const int* rowIdList, int medium, int yzFlag, float* daNH,
                     float* rhomb);
// One medium, every column: the fixed couplings at the heads take part in the fit and the score.
float getSvdChi2(AssignProblem& prob, const int* rowIdList, int yzFlag);
// One medium, no fixed couplings: 1 - r of observed and back-calculated couplings (Pearson).
float getSvdChi2Corr(AssignProblem& prob, const int* rowIdList, int yzFlag);

}  // namespace korim::assignment
