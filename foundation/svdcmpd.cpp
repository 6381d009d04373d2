// Double-precision singular value decomposition.
#include "foundation/svdcmpd.h"

#include <cstdio>

#include "foundation/svdcore.h"

namespace korim::foundation {

void svdcmpd(double **a, int m, int n, double *w, double **v, double *rv1) {
  if (n < 1) return;
  if (m < n) {
    // The decomposition would reach rows that do not exist.
    std::fprintf(stderr, "SVD Error: bad matrix size.\n");
    return;
  }
  svdcore::decompose(a, m, n, w, v, rv1, 800, true);
}

}  // namespace korim::foundation
