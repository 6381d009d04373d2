// One-dimensional complex linear prediction by SVD least squares.
#include "spectral/lpc.h"

#include <algorithm>
#include <cstdio>

#include "foundation/nrutil.h"
#include "foundation/sort.h"
#include "foundation/svbkspd.h"
#include "foundation/svdcmpd.h"
#include "spectral/lproots.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

using foundation::dmatrix;
using foundation::dvector;
using foundation::free_dmatrix;
using foundation::free_dvector;
using foundation::free_ivector;
using foundation::ivector;

// Upper index bounds of the work arrays: 2R equations, 2p unknowns (each at
// least 1, so that order 0 still has valid arrays).
struct Dims {
  int rows, cols;
};

Dims dims(int dataSize, int order) {
  return {std::max(1, 2 * (dataSize - order)), std::max(1, 2 * order)};
}

// Real form of the forward (target d[p+r] from d[p+r-j]) or backward (target
// d[R-1-r] from d[R-1-r+j]) system, r = 0..R-1, j = 1..p.
void buildSystem(const float *re, const float *im, int n, int p, bool forward, double **x,
                 double *b) {
  int rCount = n - p;
  for (int r = 0; r < rCount; r++) {
    int t = forward ? p + r : rCount - 1 - r;
    for (int j = 1; j <= p; j++) {
      int k = forward ? t - j : t + j;
      x[r + 1][j] = re[k];
      x[r + 1][p + j] = -im[k];
      x[rCount + r + 1][j] = im[k];
      x[rCount + r + 1][p + j] = re[k];
    }
    b[r + 1] = re[t];
    b[rCount + r + 1] = im[t];
  }
}

void solveSystem(LPBuff *lp, const float *re, const float *im, bool forward, int s, double *coef) {
  int p = lp->lpOrder, m = 2 * (lp->lpDataSize - p);
  buildSystem(re, im, lp->lpDataSize, p, forward, lp->x, lp->b);
  foundation::svdcmpd(lp->x, m, 2 * p, lp->w, lp->v, lp->wk);
  if (s < p) svdtrnc(lp->w, p, s, lp->wk, lp->wi, 0);
  foundation::svbksbd(lp->x, lp->w, lp->v, m, 2 * p, lp->b, coef, lp->wk);
}

void listCoef(const char *head, const double *c, int p) {
  specMsg("%s\n", head);
  for (int k = 1; k <= p; k++) specMsg("% 14.6f % 14.6f\n", c[k], c[p + k]);
}

void listBoth(const LPBuff *lp, const char *when) {
  char head[64];
  std::snprintf(head, sizeof head, "LPC Forward %s Fixing:\n", when);
  listCoef(head, lp->af, lp->lpOrder);
  std::snprintf(head, sizeof head, "LPC Backward %s Fixing:\n", when);
  listCoef(head, lp->ab, lp->lpOrder);
}

void conjugate(double *c, int p) {
  for (int k = 1; k <= p; k++) c[p + k] = -c[p + k];
}

// Root fixing and mixing of af and ab as lpOpt asks.
void fixAndMix(LPBuff *lp) {
  int p = lp->lpOrder;
  bool before = lp->beforeFlag != 0;
  auto fix = [&](double *c) { lpcfixrts(c, p, 1, lp->lpFixMode); };
  if (lp->lpOpt == 0) {
    fix(lp->af);
    if (before) std::copy(lp->af + 1, lp->af + 2 * p + 1, lp->ab + 1);
  } else if (lp->lpOpt == 1) {
    if (!before) conjugate(lp->ab, p);
    fix(lp->af);
    fix(lp->ab);
    if (before) conjugate(lp->ab, p);
    for (int k = 1; k <= 2 * p; k++) lp->af[k] = lp->ab[k] = 0.5 * (lp->af[k] + lp->ab[k]);
  } else if (before) {
    fix(lp->ab);
    conjugate(lp->ab, p);
  } else {
    std::copy(lp->ab + 1, lp->ab + 2 * p + 1, lp->af + 1);
    conjugate(lp->af, p);
    fix(lp->af);
  }
}

// One predicted point from the p neighbours at offsets step, 2 step, ...
void predictPoint(float *re, float *im, long k, int step, const double *c, int p) {
  re[k] = 0.0f;
  im[k] = 0.0f;
  for (int j = 1; j <= p; j++) {
    long at = k + static_cast<long>(step) * j;
    re[k] += static_cast<float>(c[j] * re[at] - c[p + j] * im[at]);
    im[k] += static_cast<float>(c[p + j] * re[at] + c[j] * im[at]);
  }
}

}  // namespace

int lpcNull(LPBuff *lpInfo) {
  *lpInfo = LPBuff{};
  return 0;
}

int lpcInit(LPBuff *lpInfo, int lpDataSize, int lpPredSize, int lpOrder, int lpSigCount, int lpOpt,
            int lpFixMode, int beforeFlag, int debugFlag) {
  if (lpOrder > kLpMaxOrder) {
    specMsg("LPC Error: Maximum Order is %d.\n", kLpMaxOrder);
    return 1;
  }
  if (lpOrder < 0) {
    specMsg("LPC Error: bad order %d.\n", lpOrder);
    return 1;
  }
  if (lpDataSize < 2 * lpOrder) {
    specMsg("LPC Error: %d points are too few for order %d (at least %d needed).\n", lpDataSize,
               lpOrder, 2 * lpOrder);
    return 1;
  }
  if (lpOpt < 0 || lpOpt > 2) {
    specMsg("LPC Error: bad coefficient mode %d.\n", lpOpt);
    return 1;
  }
  *lpInfo =
      LPBuff{lpDataSize, lpPredSize, lpOrder, lpSigCount, lpOpt,   lpFixMode, beforeFlag, debugFlag,
             nullptr,    nullptr,    nullptr, nullptr,    nullptr, nullptr,   nullptr,    nullptr};
  Dims d = dims(lpDataSize, lpOrder);
  if (!(lpInfo->x = dmatrix(1, d.rows, 1, d.cols))) return 1;
  if (!(lpInfo->v = dmatrix(1, d.cols, 1, d.cols))) return 1;
  if (!(lpInfo->b = dvector(1, d.rows))) return 1;
  if (!(lpInfo->af = dvector(1, d.cols))) return 1;
  if (!(lpInfo->ab = dvector(1, d.cols))) return 1;
  if (!(lpInfo->w = dvector(1, d.cols))) return 1;
  if (!(lpInfo->wk = dvector(1, d.cols))) return 1;
  if (!(lpInfo->wi = ivector(1, d.cols))) return 1;
  return 0;
}

int lpcFree(LPBuff *lpInfo) {
  Dims d = dims(lpInfo->lpDataSize, lpInfo->lpOrder);
  free_dmatrix(lpInfo->x, 1, d.rows, 1, d.cols);
  free_dmatrix(lpInfo->v, 1, d.cols, 1, d.cols);
  free_dvector(lpInfo->b, 1, d.rows);
  free_dvector(lpInfo->af, 1, d.cols);
  free_dvector(lpInfo->ab, 1, d.cols);
  free_dvector(lpInfo->w, 1, d.cols);
  free_dvector(lpInfo->wk, 1, d.cols);
  free_ivector(lpInfo->wi, 1, d.cols);
  return lpcNull(lpInfo);
}

int svdtrnc(double *wRI, int lpOrder, int sigCount, double *wMag, int *wIndex, int) {
  int p = lpOrder, s = std::max(0, sigCount);
  if (s >= p) return 0;
  for (int k = 1; k <= 2 * p; k++) {
    wMag[k] = wRI[k] * wRI[k];
    wIndex[k] = k;
  }
  foundation::dSort2(2 * p, wMag + 1, wIndex + 1);
  for (int i = 1; i <= 2 * (p - s); i++) wRI[wIndex[i]] = 0.0;
  return 0;
}

int lpc(float *rdata, float *idata, float *rpred, float *ipred, int lpSigCount, LPBuff *lpInfo) {
  LPBuff *lp = lpInfo;
  int p = lp->lpOrder, count = lp->lpPredSize;
  int s = std::max(0, std::min(p, lpSigCount));
  if (count < 1 || !lp->x) return 0;
  if (s == 0 || p == 0) {
    std::fill(rpred, rpred + count, 0.0f);
    std::fill(ipred, ipred + count, 0.0f);
    return 0;
  }
  bool before = lp->beforeFlag != 0;
  std::fill(lp->af + 1, lp->af + 2 * p + 1, 0.0);  // a set not solved lists as zeros
  std::fill(lp->ab + 1, lp->ab + 2 * p + 1, 0.0);
  if (lp->lpOpt != 2) solveSystem(lp, rdata, idata, !before, s, lp->af);
  if (lp->lpOpt != 0) solveSystem(lp, rdata, idata, before, s, lp->ab);
  if (lp->debugFlag) listBoth(lp, "Before");
  fixAndMix(lp);
  if (lp->debugFlag) listBoth(lp, "After");
  if (before) {
    for (int k = count - 1; k >= 0; k--) predictPoint(rpred, ipred, k, 1, lp->ab, p);
  } else {
    for (int k = 0; k < count; k++) predictPoint(rpred, ipred, k, -1, lp->af, p);
  }
  return 0;
}

}  // namespace korim::spectral
