// Bounded nonlinear least squares over levmar's slevmar_bc_dif.
#include "foundation/nlsopt.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "foundation/levmar.h"
#include "foundation/memory.h"

namespace korim::foundation {

namespace {

// The fit under way (one at a time). levmar varies only the free
// coefficients; `full` is the caller's coefficient vector into which they are
// expanded before each residual call.
struct NlsState {
  NlsResCalc globalResCalc = nullptr;
  float *full = nullptr;
  int coefCount = 0;
  std::vector<int> freeIdx;
};

NlsState nls;

float *allocOrExit(int count) {
  float *p = fltAlloc("nls", count > 0 ? count : 1);
  if (!p) {
    std::printf("NLSOPT Error allocating space.");  // no line end; exit flushes it
    std::exit(-1);
  }
  return p;
}

}  // namespace

void resCalc_wrap(float *coefs, float *data, int amount_of_coef, int amount_of_data, void *add_data) {
  (void)add_data;
  int k = 0;
  for (int idx : nls.freeIdx) {
    if (k >= amount_of_coef) break;
    nls.full[idx] = coefs[k++];
  }
  nls.globalResCalc(amount_of_data, nls.coefCount, nls.full, data);
}

float *nlsOpt(NlsResCalc resCalc, int pointCount, int coefCount, float *guess, float *lower,
              float *upper, float fnTol, int ndigit, int itMax, int evMax, float jacFlag,
              float **resMatrix, float **jacIMatrix, int *rank, int *ierror, int errFlag) {
  (void)fnTol, (void)ndigit, (void)evMax, (void)jacFlag, (void)resMatrix, (void)jacIMatrix,
      (void)rank, (void)ierror, (void)errFlag;
  const int nAlloc = coefCount > 0 ? coefCount : 1;
  float *opt_coef = allocOrExit(nAlloc);
  for (int i = 0; i < nAlloc; i++) opt_coef[i] = 0.0f;
  for (int i = 0; i < coefCount; i++) opt_coef[i] = guess[i];
  const int dataCount = pointCount > 0 ? pointCount : 1;
  float *fake_data = allocOrExit(dataCount);
  for (int i = 0; i < dataCount; i++) fake_data[i] = 0.0f;

  for (int i = 0; i < coefCount; i++)
    if (lower[i] > upper[i]) {
      float t = lower[i];
      lower[i] = upper[i];
      upper[i] = t;
    }
  for (int i = 0; i < coefCount; i++)
    if (opt_coef[i] < lower[i] || opt_coef[i] > upper[i])
      opt_coef[i] = (lower[i] + upper[i]) * 0.5f;
  std::vector<int> freeIdx;
  for (int i = 0; i < coefCount; i++)
    if (lower[i] != upper[i]) freeIdx.push_back(i);
  nls.globalResCalc = resCalc;

  if (freeIdx.empty() || itMax == 0) {
    resCalc(pointCount, coefCount, guess, fake_data);
    unAlloc("nls", opt_coef, nAlloc * 4);
    unAlloc("nls", fake_data, dataCount * 4);
    return guess;
  }

  // levmar sees only the free coefficients, packed in order.
  const int nFree = static_cast<int>(freeIdx.size());
  std::vector<float> p(nFree), lb(nFree), ub(nFree);
  for (int k = 0; k < nFree; k++) {
    p[k] = opt_coef[freeIdx[k]];
    lb[k] = lower[freeIdx[k]];
    ub[k] = upper[freeIdx[k]];
  }
  nls.full = opt_coef;
  nls.coefCount = coefCount;
  nls.freeIdx = freeIdx;
  if (pointCount > 0)
    slevmar_bc_dif(resCalc_wrap, p.data(), fake_data, nFree, pointCount, lb.data(), ub.data(),
                   nullptr, itMax, nullptr, nullptr, nullptr, nullptr, nullptr);
  for (int k = 0; k < nFree; k++) opt_coef[freeIdx[k]] = p[k];
  for (int i = 0; i < dataCount; i++) fake_data[i] = 0.0f;
  resCalc(pointCount, coefCount, opt_coef, fake_data);
  nls.full = nullptr;
  unAlloc("nls", fake_data, dataCount * 4);
  return opt_coef;
}

}  // namespace korim::foundation
