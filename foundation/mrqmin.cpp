// One Levenberg-Marquardt step with parameters switched by a flag array.
#include "foundation/gaussj.h"
#include "foundation/nonlinearfit.h"
#include "foundation/nrutil.h"

namespace korim::foundation {

namespace {

// Kept from the initialising call to the finishing one.
struct MrqState {
  int mfit = 0;
  int ma = 0;  // size the arrays were made for
  float ochisq = 0.0f;
  float *atry = nullptr, *beta = nullptr, *da = nullptr;
  float **oneda = nullptr;
};

MrqState mrq;

void releaseState() {
  free_matrix(mrq.oneda, 1, mrq.mfit, 1, 1);
  free_vector(mrq.da, 1, mrq.ma);
  free_vector(mrq.beta, 1, mrq.ma);
  free_vector(mrq.atry, 1, mrq.ma);
  mrq = MrqState();
}

}  // namespace

void mrqminReset() { releaseState(); }

void mrqmin(float *x, float *y, float *sig, int ndata, float *a, int *ia, int ma, float **covar,
            float **alpha, float *chisq, MrqFunc funcs, float *alamda) {
  if (*alamda < 0.0f) {
    releaseState();  // a fit abandoned before its finishing call
    mrq.ma = ma;
    for (int j = 1; j <= ma; j++)
      if (ia[j]) mrq.mfit++;
    mrq.atry = vector(1, ma);
    mrq.beta = vector(1, ma);
    mrq.da = vector(1, ma);
    mrq.oneda = matrix(1, mrq.mfit, 1, 1);
    if (!mrq.atry || !mrq.beta || !mrq.da || !mrq.oneda) {
      releaseState();  // *alamda stays negative: the caller sees no start
      return;
    }
    *alamda = 0.001f;
    mrqcof(x, y, sig, ndata, a, ia, ma, alpha, mrq.beta, chisq, funcs);
    mrq.ochisq = *chisq;
    for (int j = 1; j <= ma; j++) mrq.atry[j] = a[j];
  }
  if (!mrq.atry) return;  // no initialised fit
  const int mfit = mrq.mfit;
  for (int j = 1; j <= mfit; j++) {
    for (int k = 1; k <= mfit; k++) covar[j][k] = alpha[j][k];
    covar[j][j] = alpha[j][j] * (1.0f + *alamda);
    mrq.oneda[j][1] = mrq.beta[j];
  }
  gaussj(covar, mfit, mrq.oneda, 1);
  for (int j = 1; j <= mfit; j++) mrq.da[j] = mrq.oneda[j][1];
  if (*alamda == 0.0f) {
    covsrt(covar, ma, ia, mfit);
    releaseState();
    return;
  }
  for (int j = 0, l = 1; l <= ma; l++)
    if (ia[l]) mrq.atry[l] = a[l] + mrq.da[++j];
  mrqcof(x, y, sig, ndata, mrq.atry, ia, ma, covar, mrq.da, chisq, funcs);
  if (*chisq < mrq.ochisq) {
    *alamda *= 0.1f;
    mrq.ochisq = *chisq;
    for (int j = 1; j <= mfit; j++) {
      for (int k = 1; k <= mfit; k++) alpha[j][k] = covar[j][k];
      mrq.beta[j] = mrq.da[j];
    }
    for (int l = 1; l <= ma; l++) a[l] = mrq.atry[l];
  } else {
    *alamda *= 10.0f;
    *chisq = mrq.ochisq;
  }
}

}  // namespace korim::foundation
