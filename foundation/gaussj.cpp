// Gauss-Jordan elimination with full pivoting.
#include "foundation/gaussj.h"

#include <cmath>
#include <limits>
#include <utility>

#include "foundation/nrutil.h"

namespace korim::foundation {

void gaussj(float **a, int n, float **b, int m) {
  int *indxc = ivector(1, n), *indxr = ivector(1, n), *ipiv = ivector(1, n);
  if (!indxc || !indxr || !ipiv) {
    // No elimination without the pivot books: the results are marked not
    // finite, as for a singular matrix, so no caller takes them for a solution.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 1; i <= n; i++) {
      for (int j = 1; j <= n; j++) a[i][j] = nan;
      for (int j = 1; j <= m; j++) b[i][j] = nan;
    }
    free_ivector(ipiv, 1, n);
    free_ivector(indxr, 1, n);
    free_ivector(indxc, 1, n);
    return;
  }
  for (int j = 1; j <= n; j++) ipiv[j] = 0;
  // The pivot position carries over from the previous pivot when a search
  // finds no candidate (all not-a-number), so it always stays in 1..n.
  int irow = 1, icol = 1;
  for (int i = 1; i <= n; i++) {
    float big = 0.0f;
    for (int j = 1; j <= n; j++)
      if (ipiv[j] != 1)
        for (int k = 1; k <= n; k++) {
          if (ipiv[k] == 0) {
            if (std::fabs(a[j][k]) >= big) {
              big = std::fabs(a[j][k]);
              irow = j;
              icol = k;
            }
          } else if (ipiv[k] > 1) {
            nrerror("gaussj: Singular Matrix-1");
          }
        }
    ++ipiv[icol];
    if (irow != icol) {
      for (int l = 1; l <= n; l++) std::swap(a[irow][l], a[icol][l]);
      for (int l = 1; l <= m; l++) std::swap(b[irow][l], b[icol][l]);
    }
    indxr[i] = irow;
    indxc[i] = icol;
    if (a[icol][icol] == 0.0f) nrerror("gaussj: Singular Matrix-2");
    float pivinv = 1.0f / a[icol][icol];
    a[icol][icol] = 1.0f;
    for (int l = 1; l <= n; l++) a[icol][l] *= pivinv;
    for (int l = 1; l <= m; l++) b[icol][l] *= pivinv;
    for (int ll = 1; ll <= n; ll++)
      if (ll != icol) {
        float dum = a[ll][icol];
        a[ll][icol] = 0.0f;
        for (int l = 1; l <= n; l++) a[ll][l] -= a[icol][l] * dum;
        for (int l = 1; l <= m; l++) b[ll][l] -= b[icol][l] * dum;
      }
  }
  for (int l = n; l >= 1; l--)
    if (indxr[l] != indxc[l])
      for (int k = 1; k <= n; k++) std::swap(a[k][indxr[l]], a[k][indxc[l]]);
  free_ivector(ipiv, 1, n);
  free_ivector(indxr, 1, n);
  free_ivector(indxc, 1, n);
}

}  // namespace korim::foundation
