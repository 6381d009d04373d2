// LU decomposition and the inverse of a flat row-major float matrix.
#include "foundation/matinv.h"

#include <cmath>
#include <utility>

#include "foundation/nrutil.h"

namespace korim::foundation {

namespace {

// Work set, sized for the largest order asked for so far.
struct MatInvWork {
  float **aWork = nullptr, **yWork = nullptr;
  float *colWork = nullptr, *vvWork = nullptr;
  int *indxWork = nullptr;
  int currentN = 0;
};

MatInvWork inv;

}  // namespace

int luDecompose(float **a, int n, int *indx, float *vv, float *d) {
  const float TINY = 1.0e-20f;
  *d = 1.0f;
  for (int i = 1; i <= n; i++) {
    float big = 0.0f;
    for (int j = 1; j <= n; j++) {
      float temp = std::fabs(a[i][j]);
      if (temp > big) big = temp;
    }
    if (big == 0.0f) return 1;
    vv[i] = 1.0f / big;
  }
  for (int j = 1; j <= n; j++) {
    for (int i = 1; i < j; i++) {
      float sum = a[i][j];
      for (int k = 1; k < i; k++) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    float big = 0.0f;
    int imax = j;
    for (int i = j; i <= n; i++) {
      float sum = a[i][j];
      for (int k = 1; k < j; k++) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      float dum = vv[i] * std::fabs(sum);
      if (dum >= big) {
        big = dum;
        imax = i;
      }
    }
    if (j != imax) {
      for (int k = 1; k <= n; k++) std::swap(a[imax][k], a[j][k]);
      *d = -*d;
      vv[imax] = vv[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0.0f) a[j][j] = TINY;
    if (j != n) {
      float dum = 1.0f / a[j][j];
      for (int i = j + 1; i <= n; i++) a[i][j] *= dum;
    }
  }
  return 0;
}

int luSolve(float **a, int n, int *indx, float *b) {
  int ii = 0;
  for (int i = 1; i <= n; i++) {
    int ip = indx[i];
    float sum = b[ip];
    b[ip] = b[i];
    if (ii)
      for (int j = ii; j <= i - 1; j++) sum -= a[i][j] * b[j];
    else if (sum != 0.0f)
      ii = i;
    b[i] = sum;
  }
  for (int i = n; i >= 1; i--) {
    float sum = b[i];
    for (int j = i + 1; j <= n; j++) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
  return 0;
}

int matInvFree() {
  const int n = inv.currentN;
  free_matrix(inv.aWork, 1, n, 1, n);
  free_matrix(inv.yWork, 1, n, 1, n);
  free_vector(inv.colWork, 1, n);
  free_vector(inv.vvWork, 1, n);
  free_ivector(inv.indxWork, 1, n);
  inv = MatInvWork();
  return 0;
}

int matInvInit(int n) {
  if (inv.currentN >= n && inv.aWork) return 0;
  matInvFree();
  inv.currentN = n;
  inv.aWork = matrix(1, n, 1, n);
  inv.yWork = matrix(1, n, 1, n);
  inv.colWork = vector(1, n);
  inv.vvWork = vector(1, n);
  inv.indxWork = ivector(1, n);
  if (!inv.aWork || !inv.yWork || !inv.colWork || !inv.vvWork || !inv.indxWork) {
    matInvFree();
    return 1;
  }
  return 0;
}

int matInv(int n, float *x, float *xinv) {
  if (matInvInit(n)) return 1;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) inv.aWork[j][i] = x[(i - 1) * n + (j - 1)];
  for (int k = 0; k < n * n; k++) xinv[k] = 0.0f;
  float d;
  if (luDecompose(inv.aWork, n, inv.indxWork, inv.vvWork, &d)) return 1;
  for (int j = 1; j <= n; j++) {
    for (int i = 1; i <= n; i++) inv.colWork[i] = 0.0f;
    inv.colWork[j] = 1.0f;
    luSolve(inv.aWork, n, inv.indxWork, inv.colWork);
    for (int i = 1; i <= n; i++) inv.yWork[i][j] = inv.colWork[i];
  }
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) xinv[(i - 1) * n + (j - 1)] = inv.yWork[j][i];
  return 0;
}

}  // namespace korim::foundation
