// Float SVD, back-substitution and covariance; cached least-squares solvers
// for polynomials, basis functions and general design matrices.
#include "foundation/svdpoly.h"

#include <cmath>

#include "foundation/nrutil.h"
#include "foundation/svdcore.h"

namespace korim::foundation {

namespace {

// The work cache. Rows are at least nCoef: a design with fewer data rows than
// coefficients is padded with zero rows, which leaves the least-squares
// (minimum-norm) solution unchanged and keeps the decomposition in bounds.
struct SvdCache {
  float **uu = nullptr;  // [1..rows][1..nCoef] design, then U
  float **vv = nullptr;  // [1..nCoef][1..rows] V in columns 1..nCoef
  float *bb = nullptr;   // [1..rows] right-hand side
  float *ww = nullptr;   // [1..nCoef] singular values
  float *cc = nullptr;   // [1..nCoef] 1/w^2 for the covariance
  float *pp = nullptr;   // [1..rows+nCoef] rv1 work, then back-substitution work
  int lastLength = 0;
  int lastOrder = 0;
  int capLength = 0;  // data rows the arrays were made for (at least lastLength)
};

SvdCache cache;

int rowsFor(int length, int order) { return length > order + 1 ? length : order + 1; }

bool cacheFits(int length, int order) {
  return cache.uu && cache.lastLength == length && cache.lastOrder == order;
}

// A fresh decomposition of fewer rows fits in the arrays made for more: fits that alternate
// between sizes (one per alignment medium) then allocate nothing after the largest.
bool cacheHolds(int length, int order) {
  return cache.uu && cache.lastOrder == order &&
         rowsFor(cache.capLength, order) >= rowsFor(length, order);
}

// Decomposes uu (rows x nCoef) and zeroes singular values below 1e-5 of the
// largest (by signed value, or by magnitude for the general solver).
void decomposeAndEdit(int rows, int nCoef, bool magnitude) {
  svdcore::decompose(cache.uu, rows, nCoef, cache.ww, cache.vv, cache.pp, 1000, false);
  float wMax = 0.0f;
  for (int j = 1; j <= nCoef; j++) {
    float w = magnitude ? std::fabs(cache.ww[j]) : cache.ww[j];
    if (w > wMax) wMax = w;
  }
  const float thresh = static_cast<float>(wMax * 1.0e-5);
  for (int j = 1; j <= nCoef; j++)
    if (cache.ww[j] < thresh) cache.ww[j] = 0.0f;
}

void solveInto(int rows, int nCoef, float *coef) {
  // pp[1..nCoef] is the intermediate vector, x lands in pp[nCoef+1..2nCoef].
  float *tmp = cache.pp;
  float *xs = cache.pp + nCoef;
  svdcore::backSubstitute(cache.uu, cache.ww, cache.vv, rows, nCoef, cache.bb, xs, tmp);
  for (int j = 1; j <= nCoef; j++) coef[j - 1] = xs[j];
}

}  // namespace

int svdcmpUser(float **a, int m, int n, float *w, float **v, float *rv1) {
  svdcore::decompose(a, m, n, w, v, rv1, 1000, false);
  return 0;
}

int svbksbUser(float **u, float *w, float **v, int m, int n, float *b, float *x, float *tmp) {
  svdcore::backSubstitute(u, w, v, m, n, b, x, tmp);
  return 0;
}

int svdvarUser(float **v, int ma, float *w, float *wti, float *covar) {
  if (!covar || ma < 1) return 0;
  for (int k = 1; k <= ma; k++) wti[k] = w[k] != 0.0f ? 1.0f / (w[k] * w[k]) : 0.0f;
  for (int i = 1; i <= ma; i++)
    for (int j = 1; j <= i; j++) {
      long double c = 0;
      for (int k = 1; k <= ma; k++) c += (long double)v[i][k] * v[j][k] * wti[k];
      covar[(i - 1) * ma + (j - 1)] = covar[(j - 1) * ma + (i - 1)] = static_cast<float>(c);
    }
  return 0;
}

int svdPolyInit(int length, int order) {
  if (cache.uu || cache.vv || cache.bb || cache.ww || cache.cc || cache.pp) svdPolyFree();
  int nCoef = order + 1;
  int rows = rowsFor(length, order);
  cache.lastLength = cache.capLength = length;
  cache.lastOrder = order;
  if (!(cache.uu = matrix(1, rows, 1, nCoef))) return 1;
  if (!(cache.vv = matrix(1, nCoef, 1, rows))) return 1;
  if (!(cache.bb = vector(1, rows))) return 1;
  if (!(cache.ww = vector(1, nCoef))) return 1;
  if (!(cache.cc = vector(1, nCoef))) return 1;
  if (!(cache.pp = vector(1, rows + nCoef))) return 1;
  return 0;
}

int svdPolyFree() {
  int nCoef = cache.lastOrder + 1;
  int rows = rowsFor(cache.capLength, cache.lastOrder);
  free_matrix(cache.uu, 1, rows, 1, nCoef);
  free_matrix(cache.vv, 1, nCoef, 1, rows);
  free_vector(cache.bb, 1, rows);
  free_vector(cache.ww, 1, nCoef);
  free_vector(cache.cc, 1, nCoef);
  free_vector(cache.pp, 1, rows + nCoef);
  cache.uu = cache.vv = nullptr;
  cache.bb = cache.ww = cache.cc = cache.pp = nullptr;
  cache.lastLength = cache.lastOrder = cache.capLength = 0;
  return 0;
}

namespace {

int ensureCache(int length, int order) {
  if (cacheFits(length, order)) return 0;
  svdPolyFree();
  if (svdPolyInit(length, order) != 0) {
    svdPolyFree();
    return 1;
  }
  return 0;
}

// Loads y and zero-pads the rows beyond the data.
void loadRhs(const float *y, int length, int rows) {
  for (int i = 1; i <= rows; i++) cache.bb[i] = i <= length ? y[i - 1] : 0.0f;
}

int basisFit(float *x, float *y, int length, int order, float *coef, SvdBasisFunc fOfX) {
  int nCoef = order + 1;
  int rows = rowsFor(length, order);
  loadRhs(y, length, rows);
  for (int i = 1; i <= rows; i++) {
    float p = 1.0f;
    for (int j = 1; j <= nCoef; j++) {
      if (i > length) {
        cache.uu[i][j] = 0.0f;
      } else if (fOfX) {
        cache.uu[i][j] = fOfX(j, x[i - 1]);
      } else {
        cache.uu[i][j] = p;
        p *= x[i - 1];
      }
    }
  }
  decomposeAndEdit(rows, nCoef, false);
  solveInto(rows, nCoef, coef);
  return 0;
}

}  // namespace

int svdPoly(float *x, float *y, int length, int order, float *coef) {
  if (order < 0 || ensureCache(length, order)) return 1;
  return basisFit(x, y, length, order, coef, nullptr);
}

int svdFunc(float *x, float *y, int length, int order, float *coef, SvdBasisFunc fOfX) {
  // The cache is expected from svdPolyInit; one of other sizes is remade
  // rather than overrun.
  if (order < 0 || !fOfX || ensureCache(length, order)) return 1;
  return basisFit(x, y, length, order, coef, fOfX);
}

int svdLSMat(float *x, float *y, int length, int nCoef, float *coef, float *covar, int initFlag) {
  if (nCoef < 1) return 1;
  if (nCoef == 1) {
    // y = a x: the a that minimises sum (y - a x)^2 sets its derivative -2 sum x (y - a x) to 0,
    // so a = sum(xy)/sum(x^2), and its variance for unit errors is 1/sum(x^2), the one-column
    // case of the covariance V W^-2 V^T below. The ratio sum(y^2)/sum(xy) is the slope of the
    // reverse fit x = y/a, the true slope only when the points lie exactly on the line, and a
    // fixed variance of 1.0 ignores the data; both would make the closed form disagree with the
    // decomposition of the same one-column design.
    long double xx = 0, xy = 0;
    for (int i = 0; i < length; i++) {
      xx += (long double)x[i] * x[i];
      xy += (long double)x[i] * y[i];
    }
    coef[0] = xx != 0 ? static_cast<float>(xy / xx) : 0.0f;
    if (covar) covar[0] = xx != 0 ? static_cast<float>(1.0L / xx) : 0.0f;
    return 0;
  }
  int order = nCoef - 1;
  int rows = rowsFor(length, order);
  if (!cacheFits(length, order)) {
    if (initFlag && cacheHolds(length, order))
      cache.lastLength = length;
    else if (ensureCache(length, order))
      return 1;
    initFlag = 1;  // a new cache holds no decomposition to reuse
  }
  loadRhs(y, length, rows);
  if (initFlag) {
    for (int i = 1; i <= rows; i++)
      for (int j = 1; j <= nCoef; j++)
        cache.uu[i][j] = i <= length ? x[(i - 1) * nCoef + (j - 1)] : 0.0f;
    decomposeAndEdit(rows, nCoef, true);
    svdvarUser(cache.vv, nCoef, cache.ww, cache.cc, covar);
  }
  solveInto(rows, nCoef, coef);
  return 0;
}

}  // namespace korim::foundation
