// Drives mrqmin until chi-square settles; standard errors from the covariance.
#include "foundation/nonlinearfit.h"

#include <cmath>

#include "foundation/nrutil.h"

namespace korim::foundation {

int nonlinearfit(float *x, float *y, float *sig, int ndata, float *a, float *guesa, int *ia, int ma,
                 MrqFunc funcs, float *error) {
  float **covar = matrix(1, ma, 1, ma);
  float **alpha = matrix(1, ma, 1, ma);
  if (!covar || !alpha) {
    free_matrix(alpha, 1, ma, 1, ma);
    free_matrix(covar, 1, ma, 1, ma);
    return 1;
  }
  for (int k = 1; k <= ma; k++) a[k] = guesa[k];
  float chisq = 0.0f, alamda = -1.0f;
  mrqmin(x, y, sig, ndata, a, ia, ma, covar, alpha, &chisq, funcs, &alamda);
  if (alamda < 0.0f) {  // the step state could not be made
    free_matrix(alpha, 1, ma, 1, ma);
    free_matrix(covar, 1, ma, 1, ma);
    return 1;
  }
  float ochisq = chisq;
  int itst = 0, status = 0;
  for (;;) {
    mrqmin(x, y, sig, ndata, a, ia, ma, covar, alpha, &chisq, funcs, &alamda);
    if (!std::isfinite(chisq)) {
      // The published loop never ends once chi-square is not a number.
      status = 1;
      break;
    }
    if (chisq > ochisq)
      itst = 0;
    else if (std::fabs(ochisq - chisq) < 0.1f)
      itst++;
    ochisq = chisq;
    if (itst > 3) break;
  }
  alamda = 0.0f;
  mrqmin(x, y, sig, ndata, a, ia, ma, covar, alpha, &chisq, funcs, &alamda);
  for (int k = 1; k <= ma; k++) {
    error[k] = std::sqrt(covar[k][k]);
    if (!std::isfinite(error[k])) status = 1;  // no covariance to report
  }
  free_matrix(alpha, 1, ma, 1, ma);
  free_matrix(covar, 1, ma, 1, ma);
  return status;
}

}  // namespace korim::foundation
