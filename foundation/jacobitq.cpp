// Double-precision Jacobi eigensystem of symmetric 3x3 matrices.
#include "foundation/jacobitq.h"

#include "foundation/jacobicore.h"
#include "foundation/nrutil.h"

namespace korim::foundation {

void jacobitq(double a[4][4], double d[4], double v[4][4], int *nrot) {
  int count = 0;
  if (!jacobicore::jacobi3<double>(a, d, v, &count)) nrerror("Too many iterations in routine jacobi");
  if (nrot) *nrot = count;
}

}  // namespace korim::foundation
