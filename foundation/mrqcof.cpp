// Curvature matrix and gradient of chi-square for the Levenberg-Marquardt step.
#include <limits>

#include "foundation/nonlinearfit.h"
#include "foundation/nrutil.h"

namespace korim::foundation {

void mrqcof(float *x, float *y, float *sig, int ndata, float *a, int *ia, int ma, float **alpha,
            float *beta, float *chisq, MrqFunc funcs) {
  int mfit = 0;
  for (int j = 1; j <= ma; j++)
    if (ia[j]) mfit++;
  for (int j = 1; j <= mfit; j++) {
    for (int k = 1; k <= j; k++) alpha[j][k] = 0.0f;
    beta[j] = 0.0f;
  }
  *chisq = 0.0f;
  float *dyda = vector(1, ma);
  if (!dyda) {  // no chi-square: never mistaken for an improvement
    *chisq = std::numeric_limits<float>::quiet_NaN();
    return;
  }
  for (int i = 1; i <= ndata; i++) {
    float ymod = 0.0f;
    funcs(x[i], a, &ymod, dyda, ma);
    float sig2i = 1.0f / (sig[i] * sig[i]);
    float dy = y[i] - ymod;
    for (int j = 0, l = 1; l <= ma; l++) {
      if (ia[l]) {
        float wt = dyda[l] * sig2i;
        j++;
        for (int k = 0, m = 1; m <= l; m++)
          if (ia[m]) alpha[j][++k] += wt * dyda[m];
        beta[j] += dy * wt;
      }
    }
    *chisq += dy * dy * sig2i;
  }
  for (int j = 2; j <= mfit; j++)
    for (int k = 1; k < j; k++) alpha[k][j] = alpha[j][k];
  free_vector(dyda, 1, ma);
}

}  // namespace korim::foundation
