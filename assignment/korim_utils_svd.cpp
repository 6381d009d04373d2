// Scoring of one candidate assignment of unassigned peaks by an SVD fit of the alignment tensor.
#include "assignment/korim_utils_svd.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "assignment/visit_globals.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/dc.h"
#include "foundation/constants.h"
#include "foundation/moment.h"
#include "foundation/nrutil.h"

namespace korim::assignment {

namespace {

// Fixed-coupling fields kept in AssignProblem::fixedKeep, in this order.
enum KeepField { kKeepX, kKeepY, kKeepZ, kKeepD, kKeepDi, kKeepDd, kKeepW, kKeepFields };

float* keep(AssignProblem& p, int field) { return p.fixedKeep + field * p.nCoupAss; }

// Entry n of the fit lists: bond vector (I at the origin), coupling, constant, error, weight.
void putEntry(AssignProblem& p, int n, float x, float y, float z, float d, float di, float dd,
              float w) {
  p.xI[n] = p.yI[n] = p.zI[n] = 0.0f;
  p.xJ[n] = x;
  p.yJ[n] = y;
  p.zJ[n] = z;
  p.dcList[n] = p.dcOrigList[n] = d;
  p.diList[n] = p.diOrigList[n] = di;
  p.ddList[n] = p.ddOrigList[n] = dd;
  p.wList[n] = w;
}

// Copies fixed coupling i of the kept copy to entry n.
void putFixed(AssignProblem& p, int i, int n) {
  putEntry(p, n, keep(p, kKeepX)[i], keep(p, kKeepY)[i], keep(p, kKeepZ)[i], keep(p, kKeepD)[i],
           keep(p, kKeepDi)[i], keep(p, kKeepDd)[i], keep(p, kKeepW)[i]);
}

// Appends the non-empty cells of columns col0..col0+cols-1 of the permutation at entry n on; a
// position of row -1 (left out by the subset search) has none.
int gather(AssignProblem& p, const int* rowIdList, int col0, int cols, int n) {
  for (int j = 0; j < p.peakCount; j++) {
    const int r = rowIdList[j];
    for (int c = col0; r >= 0 && c < col0 + cols; c++) {
      if (p.dcMat[r][c] == kEmptyCell) continue;
      putEntry(p, n++, p.xMat[j][c], p.yMat[j][c], p.zMat[j][c], p.dcMat[r][c],
               p.diValMat[r][c], p.sigMat[r][c], p.wMat[r][c]);
    }
  }
  return n;
}

void clearLists(AssignProblem& p, int from, int to) {
  float* lists[] = {p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.dcList, p.diList, p.ddList, p.wList,
                    p.dcOrigList, p.diOrigList, p.ddOrigList};
  for (float* l : lists)
    for (int i = from; i < to; i++) l[i] = 0.0f;
}

// Fits the tensor to entries 0..n-1: its Da on the N-H scale (Hz) and rhombicity. Returns false
// for a fit of five or more couplings that could not be made (counted) or a failed analysis.
bool fitTensor(AssignProblem& p, int n, int yzFlag, float saupe[5], float dSaupe[5], float* daNH,
               float* rhomb) {
  if (korim::couplings::findS(p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.diList, p.dcList, p.ddList,
                              saupe, dSaupe, n) != 0 &&
      n >= 5) {
    p.fitFailures++;
    return false;
  }
  double s[5], irr[5], gMag = 0.0, eigVec[3][3], eigVal[3], da = 0.0, dr = 0.0;
  double alpha[4], beta[4], gamma[4];
  for (int k = 0; k < 5; k++) s[k] = saupe[k];
  if (korim::couplings::analyzeSaupe(s, irr, &gMag, eigVec, eigVal, yzFlag, &da, &dr, alpha, beta,
                                     gamma, 0) != 0) {
    std::fprintf(stderr, "korim: error in analyzeSaupe.\n");
    return false;
  }
  *daNH = static_cast<float>(da * korim::foundation::kDipolarNH);
  *rhomb = static_cast<float>(dr / da);
  return true;
}

// Fits the tensor to entries 0..n-1 and, when it lies inside the window, back-calculates them
// into dcList. Returns false for a tensor outside the window or a failed fit.
bool fitInWindow(AssignProblem& p, int n, int yzFlag, float saupe[5], float dSaupe[5]) {
  float daNH = 0.0f, rhomb = 0.0f;
  if (!fitTensor(p, n, yzFlag, saupe, dSaupe, &daNH, &rhomb)) return false;
  // Strict bounds; a value that is not a number fails every comparison.
  if (!(p.lDa < daNH && daNH < p.hDa && p.lR < rhomb && rhomb < p.hR)) return false;
  korim::couplings::findD(p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.diOrigList, p.dcList, p.ddList,
                          saupe, dSaupe, n);
  return true;
}

float chi2(const AssignProblem& p, int n) {
  long double sum = 0.0L;
  for (int i = 0; i < n; i++) {
    const long double d = static_cast<long double>(p.dcOrigList[i] - p.dcList[i]) * p.wList[i];
    sum += d * d;
  }
  return static_cast<float>(sum);
}

}  // namespace

void saveFixedHead(AssignProblem& p) {
  const float* from[kKeepFields] = {p.xJ, p.yJ, p.zJ, p.dcList, p.diList, p.ddList, p.wList};
  for (int f = 0; f < kKeepFields; f++)
    for (int i = 0; i < p.nCoupAss; i++) keep(p, f)[i] = from[f][i];
}

float getSvdChi2Exh(AssignProblem& p, const int* rowIdList, int yzFlag) {
  if (p.nLcType < 1 || p.nLcType > kMediaMax) return kNoScore;
  clearLists(p, 0, p.peakCount * p.colId + p.nCoupAss);
  float total = 0.0f;
  int fixOff = 0, colOff = 0;
  for (int k = 0; k < p.nLcType; k++) {
    int n = 0;
    for (int i = 0; i < p.nDTypList[k]; i++) putFixed(p, fixOff + i, n++);
    n = gather(p, rowIdList, colOff, p.colIdList[k], n);
    float saupe[5], dSaupe[5];
    // Every medium must hold its tensor inside the window: one that does not rejects the
    // candidate, rather than leaving the sum of the others as its score.
    if (!fitInWindow(p, n, yzFlag, saupe, dSaupe)) {
      total = kNoScore;
      break;
    }
    total += chi2(p, n);
    fixOff += p.nDTypList[k];
    colOff += p.colIdList[k];
  }
  for (int i = 0; i < p.nCoupAss; i++) putFixed(p, i, i);
  return total;
}

void mediumOffsets(const AssignProblem& p, int medium, int* fixOff, int* colOff) {
  *fixOff = *colOff = 0;
  for (int k = 0; k < medium; k++) {
    *fixOff += p.nDTypList[k];
    *colOff += p.colIdList[k];
  }
}

bool fixedFit(AssignProblem& p, int medium, FixedFit* fit) {
  clearLists(p, 0, p.peakCount * p.colId + p.nCoupAss);
  int fixOff = 0, colOff = 0;
  mediumOffsets(p, medium, &fixOff, &colOff);
  const int n = p.nDTypList[medium];
  for (int i = 0; i < n; i++) putFixed(p, fixOff + i, i);
  fit->count = n;
  float dSaupe[5];
  bool made = korim::couplings::findS(p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.diList, p.dcList, p.ddList,
                                      fit->saupe, dSaupe, n) == 0 &&
              korim::couplings::saupeCovariance(p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.diList, p.ddList, n,
                                                fit->covar) == 0;
  if (made) {
    korim::couplings::findD(p.xI, p.yI, p.zI, p.xJ, p.yJ, p.zJ, p.diOrigList, p.dcList, p.ddList, fit->saupe,
                            dSaupe, n);
    // Residuals weighted as the fit weighs them: over the error, or (no error) over |constant|.
    fit->chi2 = 0.0;
    for (int i = 0; i < n; i++) {
      const double di = std::fabs(p.diOrigList[i]), dd = p.ddOrigList[i];
      const double scale = dd != 0.0 ? dd : (di != 0.0 ? di : 1.0);
      const double r = (p.dcOrigList[i] - p.dcList[i]) / scale;
      fit->chi2 += r * r;
    }
  }
  clearLists(p, 0, n);
  for (int i = 0; i < p.nCoupAss; i++) putFixed(p, i, i);
  return made;
}

bool candidateTensor(AssignProblem& p, const int* rowIdList, int medium, int yzFlag, float* daNH, float* rhomb) {
  clearLists(p, 0, p.peakCount * p.colId + p.nCoupAss);
  int fixOff = 0, colOff = 0;
  mediumOffsets(p, medium, &fixOff, &colOff);
  int n = 0;
  for (int i = 0; i < p.nDTypList[medium]; i++) putFixed(p, fixOff + i, n++);
  n = gather(p, rowIdList, colOff, p.colIdList[medium], n);
  float saupe[5], dSaupe[5];
  const int failures = p.fitFailures;  // a candidate's count, not this fit's
  const bool fitted = fitTensor(p, n, yzFlag, saupe, dSaupe, daNH, rhomb);
  p.fitFailures = failures;
  clearLists(p, 0, n);
  for (int i = 0; i < p.nCoupAss; i++) putFixed(p, i, i);
  return fitted;
}

float getSvdChi2(AssignProblem& p, const int* rowIdList, int yzFlag) {
  clearLists(p, p.nCoupAss, p.peakCount * p.colId + p.nCoupAss);
  const int n = gather(p, rowIdList, 0, p.colId, p.nCoupAss);
  float saupe[5], dSaupe[5];
  float score = kNoScore;
  if (fitInWindow(p, n, yzFlag, saupe, dSaupe)) score = chi2(p, n);
  // The fixed couplings keep their observed values and errors from call to call.
  for (int i = 0; i < p.nCoupAss; i++) {
    p.dcList[i] = p.dcOrigList[i];
    p.ddList[i] = p.ddOrigList[i];
  }
  return score;
}

float getSvdChi2Corr(AssignProblem& p, const int* rowIdList, int yzFlag) {
  clearLists(p, 0, p.peakCount * p.colId);
  const int n = gather(p, rowIdList, 0, p.colId, 0);
  float saupe[5], dSaupe[5];
  if (!fitInWindow(p, n, yzFlag, saupe, dSaupe)) return kNoScore;
  std::unique_ptr<float[]> a(new (std::nothrow) float[n + 1]);
  if (!a) korim::foundation::tqerror("allocation failure for dcAList");
  std::unique_ptr<float[]> b(new (std::nothrow) float[n + 1]);
  if (!b) korim::foundation::tqerror("allocation failure for dcBList");
  for (int i = 0; i < n; i++) {
    a[i + 1] = p.dcOrigList[i];
    b[i + 1] = p.dcList[i];
  }
  float r = 0.0f, prob = 0.0f, z = 0.0f;
  korim::foundation::pearsn(a.get(), b.get(), n, &r, &prob, &z);
  return 1.0f - r;
}

}  // namespace korim::assignment
