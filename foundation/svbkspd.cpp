// Double-precision SVD back-substitution.
#include "foundation/svbkspd.h"

#include "foundation/svdcore.h"

namespace korim::foundation {

void svbksbd(double **u, double *w, double **v, int m, int n, double *b, double *x, double *tmp) {
  svdcore::backSubstitute(u, w, v, m, n, b, x, tmp);
}

}  // namespace korim::foundation
