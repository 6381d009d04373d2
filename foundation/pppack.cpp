// Cubic smoothing spline and piecewise-polynomial evaluation after de Boor.
#include "foundation/pppack.h"

#include <cmath>

namespace korim::foundation {

namespace {

// Column-major view of an npoint-by-ncol array, indexed from (1,1).
struct Col {
  float *p;
  int n;
  float &operator()(int i, int j) const { return p[(i - 1) + (j - 1) * n]; }
};

// One-based view of a vector.
struct Vec {
  float *p;
  float &operator()(int i) const { return p[i - 1]; }
};

// The interval search resumes where the last one ended.
struct IntervState {
  int ilo = 1;
};

IntervState interv;

// 36 sum((a(i,1) dy(i))^2): the weighted residual sum before the (1-p)^2 factor.
float residualSum(const Col &a, const Vec &dy, int npoint) {
  float sum = 0.0f;
  for (int i = 1; i <= npoint; i++) {
    float t = a(i, 1) * dy(i);
    sum += t * t;
  }
  return sum * 36.0f;
}

// A secant iteration that neither meets the target nor stops decreasing
// within this many steps ends with the p reached.
const int kMaxSecantSteps = 500;

}  // namespace

void setupq_(float *x, float *dx, float *y, int *npoint, float *v, float *qty) {
  const int np = *npoint, npm1 = np - 1;
  Col V{v, np};
  Vec X{x}, DX{dx}, Y{y}, QTY{qty};
  V(1, 4) = X(2) - X(1);
  for (int i = 2; i <= npm1; i++) {
    V(i, 4) = X(i + 1) - X(i);
    V(i, 1) = DX(i - 1) / V(i - 1, 4);
    V(i, 2) = -DX(i) / V(i, 4) - DX(i) / V(i - 1, 4);
    V(i, 3) = DX(i + 1) / V(i, 4);
  }
  V(np, 1) = 0.0f;
  for (int i = 2; i <= npm1; i++) V(i, 5) = V(i, 1) * V(i, 1) + V(i, 2) * V(i, 2) + V(i, 3) * V(i, 3);
  for (int i = 3; i <= npm1; i++) V(i - 1, 6) = V(i - 1, 2) * V(i, 1) + V(i - 1, 3) * V(i, 2);
  V(npm1, 6) = 0.0f;
  for (int i = 4; i <= npm1; i++) V(i - 2, 7) = V(i - 2, 3) * V(i, 1);
  V(npm1 - 1, 7) = 0.0f;
  V(npm1, 7) = 0.0f;
  // Q^T y: second divided differences.
  float prev = (Y(2) - Y(1)) / V(1, 4);
  for (int i = 2; i <= npm1; i++) {
    float diff = (Y(i + 1) - Y(i)) / V(i, 4);
    QTY(i) = diff - prev;
    prev = diff;
  }
}

void chol1d_(float *p, float *v, float *qty, int *npoint, int *ncol, float *u, float *qu) {
  (void)ncol;
  const int np = *npoint, npm1 = np - 1, npm2 = np - 2;
  Col V{v, np};
  Vec QTY{qty}, U{u}, QU{qu};
  // 6(1-p) Q^T D^2 Q + 2p R, a symmetric band of width 2.
  const float six1mp = 6.0f * (1.0f - *p), twop = 2.0f * *p;
  for (int i = 2; i <= npm1; i++) {
    V(i, 1) = six1mp * V(i, 5) + twop * (V(i - 1, 4) + V(i, 4));
    V(i, 2) = six1mp * V(i, 6) + *p * V(i, 4);
    V(i, 3) = six1mp * V(i, 7);
  }
  if (npm2 < 2) {
    U(1) = 0.0f;
    U(2) = QTY(2) / V(2, 1);
    U(3) = 0.0f;
  } else {
    // L D L^T factorisation.
    for (int i = 2; i <= npm2; i++) {
      float ratio = V(i, 2) / V(i, 1);
      V(i + 1, 1) -= ratio * V(i, 2);
      V(i + 1, 2) -= ratio * V(i, 3);
      V(i, 2) = ratio;
      ratio = V(i, 3) / V(i, 1);
      V(i + 2, 1) -= ratio * V(i, 3);
      V(i, 3) = ratio;
    }
    // Forward substitution.
    U(1) = 0.0f;
    V(1, 3) = 0.0f;
    U(2) = QTY(2);
    for (int i = 2; i <= npm2; i++) U(i + 1) = QTY(i + 1) - V(i, 2) * U(i) - V(i - 1, 3) * U(i - 1);
    // Back substitution.
    U(np) = 0.0f;
    U(npm1) = U(npm1) / V(npm1, 1);
    for (int i = npm2; i >= 2; i--) U(i) = U(i) / V(i, 1) - U(i + 1) * V(i, 2) - U(i + 2) * V(i, 3);
  }
  // Q u.
  float prev = 0.0f;
  for (int i = 2; i <= np; i++) {
    QU(i) = (U(i) - U(i - 1)) / V(i - 1, 4);
    QU(i - 1) = QU(i) - prev;
    prev = QU(i);
  }
  QU(np) = -QU(np);
}

float smooth_(float *x, float *y, float *dy, int *npoint, float *s, float *v, float *a) {
  const int np = *npoint;
  Col A{a, np}, V{v, np};
  Vec Y{y}, DY{dy};
  int one = 1;
  float *qty = &A(1, 4), *u = &A(1, 3), *qu = &A(1, 1);
  setupq_(x, dy, y, npoint, v, qty);

  float p = 1.0f, sfp = 0.0f;
  bool solved = false;  // a(.,1) and a(.,3) hold the solution for p
  if (*s > 0.0f) {
    p = 0.0f;
    chol1d_(&p, v, qty, npoint, &one, u, qu);
    sfp = residualSum(A, DY, np);
    solved = sfp <= *s;
    if (!solved) {
      float prevp = 0.0f, prevsf = sfp, utru = 0.0f;
      for (int i = 2; i <= np; i++)
        utru += V(i - 1, 4) * (A(i - 1, 3) * (A(i - 1, 3) + A(i, 3)) + A(i, 3) * A(i, 3));
      p = (sfp - *s) / (24.0f * utru);
      // Secant iteration on p for a residual sum of s.
      for (int step = 0; step < kMaxSecantSteps; step++) {
        chol1d_(&p, v, qty, npoint, &one, u, qu);
        sfp = residualSum(A, DY, np) * (1.0f - p) * (1.0f - p);
        solved = sfp <= 1.01f * *s;
        if (solved) break;
        if (sfp >= prevsf) {  // no longer decreasing: take the interpolant
          p = 1.0f;
          break;
        }
        float change = (p - prevp) / (sfp - prevsf) * (sfp - *s);
        prevp = p;
        p -= change;
        prevsf = sfp;
        if (p >= 1.0f) p = 1.0f - std::sqrt(*s / prevsf) * (1.0f - prevp);
      }
    }
  }
  if (!solved) {
    // The interpolant, or the p the iteration ended with.
    chol1d_(&p, v, qty, npoint, &one, u, qu);
    sfp = p == 1.0f ? 0.0f : residualSum(A, DY, np) * (1.0f - p) * (1.0f - p);
  }

  // Polynomial coefficients from Q u (in a(.,1)) and u (in a(.,3)).
  const float six1mp = 6.0f * (1.0f - p);
  for (int i = 1; i <= np; i++) A(i, 1) = Y(i) - six1mp * DY(i) * DY(i) * A(i, 1);
  const float sixp = 6.0f * p;
  for (int i = 1; i <= np; i++) A(i, 3) *= sixp;
  for (int i = 1; i <= np - 1; i++) {
    A(i, 4) = (A(i + 1, 3) - A(i, 3)) / V(i, 4);
    A(i, 2) = (A(i + 1, 1) - A(i, 1)) / V(i, 4) - (A(i, 3) + A(i, 4) / 3.0f * V(i, 4)) / 2.0f * V(i, 4);
  }
  return sfp;
}

void interv_(float *xt, int *lxt, float *x, int *left, int *mflag) {
  Vec XT{xt};
  const int n = *lxt;
  const float t = *x;
  auto found = [&](int at, int flag) {
    interv.ilo = at;
    *left = at;
    *mflag = flag;
  };
  if (n < 1) return found(1, -1);
  int ilo = interv.ilo, ihi = ilo + 1;
  if (ihi >= n) {
    if (t >= XT(n)) return found(n, 1);
    if (n <= 1) return found(1, -1);
    ilo = n - 1;
    ihi = n;
  }
  if (t >= XT(ihi)) {
    // Step up in doubling strides until xt(ihi) lies beyond x.
    for (int istep = 1;; istep *= 2) {
      ilo = ihi;
      ihi = ilo + istep;
      if (ihi >= n) {
        if (t >= XT(n)) return found(n, 1);
        ihi = n;
        break;
      }
      if (t < XT(ihi)) break;
    }
  } else if (t < XT(ilo)) {
    // Step down likewise until xt(ilo) lies at or below x.
    for (int istep = 1;; istep *= 2) {
      ihi = ilo;
      ilo = ihi - istep;
      if (ilo <= 1) {
        ilo = 1;
        if (t < XT(1)) return found(1, -1);
        break;
      }
      if (t >= XT(ilo)) break;
    }
  }
  // xt(ilo) <= x < xt(ihi): bisect.
  for (;;) {
    int middle = (ilo + ihi) / 2;
    if (middle == ilo) return found(ilo, 0);
    if (t < XT(middle)) ihi = middle;
    else ilo = middle;
  }
}

float ppvalu_(float *brk, float *coef, int *l, int *k, float *x, int *jderiv) {
  const int order = *k;
  float fmmjdr = static_cast<float>(order - *jderiv);
  if (fmmjdr <= 0.0f) return 0.0f;  // derivatives of order k or higher vanish
  int lxt = *l + 1, i = 1, mflag = 0;
  interv_(brk, &lxt, x, &i, &mflag);
  Col C{coef, order};
  const float h = *x - Vec{brk}(i);
  float value = 0.0f;
  for (int m = order; fmmjdr > 0.0f; m--, fmmjdr -= 1.0f) value = (value / fmmjdr) * h + C(m, i);
  return value;
}

void intervReset() { interv = IntervState{}; }

}  // namespace korim::foundation
