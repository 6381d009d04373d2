// Expands the covariance of the fitted parameters to all parameters.
#include <utility>

#include "foundation/nonlinearfit.h"

namespace korim::foundation {

void covsrt(float **covar, int ma, int *ia, int mfit) {
  for (int i = mfit + 1; i <= ma; i++)
    for (int j = 1; j <= i; j++) covar[i][j] = covar[j][i] = 0.0f;
  int k = mfit;
  for (int j = ma; j >= 1; j--) {
    if (ia[j]) {
      for (int i = 1; i <= ma; i++) std::swap(covar[i][k], covar[i][j]);
      for (int i = 1; i <= ma; i++) std::swap(covar[k][i], covar[j][i]);
      k--;
    }
  }
}

}  // namespace korim::foundation
