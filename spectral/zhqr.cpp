// Complex Hessenberg QR: balancing, Givens QR sweeps with Wilkinson shifts.
#include "spectral/zhqr.h"

#include <cfloat>
#include <cmath>
#include <vector>

namespace korim::spectral {

namespace {

using cplx = std::complex<double>;

double l1(cplx z) { return std::fabs(z.real()) + std::fabs(z.imag()); }

// Diagonal similarity scaling by powers of 2 until row and column norms are
// balanced; keeps the Hessenberg form and the eigenvalues.
void balance(cplx *h, int n) {
  const double radix = 2.0, sqrdx = radix * radix;
  for (bool done = false; !done;) {
    done = true;
    for (int i = 0; i < n; i++) {
      double r = 0, c = 0;
      for (int j = 0; j < n; j++) {
        if (j == i) continue;
        c += l1(h[j * n + i]);
        r += l1(h[i * n + j]);
      }
      if (c == 0 || r == 0) continue;
      double g = r / radix, f = 1.0, s = c + r;
      while (c < g) {
        f *= radix;
        c *= sqrdx;
      }
      g = r * radix;
      while (c > g) {
        f /= radix;
        c /= sqrdx;
      }
      if ((c + r) / f < 0.95 * s) {
        done = false;
        for (int j = 0; j < n; j++) h[i * n + j] /= f;
        for (int j = 0; j < n; j++) h[j * n + i] *= f;
      }
    }
  }
}

// Eigenvalue of the trailing 2 x 2 block [a b; c d] nearer to d.
cplx wilkinson(cplx a, cplx b, cplx c, cplx d) {
  cplx p = 0.5 * (a - d), bc = b * c, disc = std::sqrt(p * p + bc);
  cplx den = std::abs(p + disc) >= std::abs(p - disc) ? p + disc : p - disc;
  return std::abs(den) == 0 ? d : d - bc / den;
}

struct Givens {
  double c;
  cplx s;
};

// The rotation G = [c s; -conj(s) c] with G (a, b)^T = (r, 0)^T.
Givens makeGivens(cplx a, cplx b) {
  double na = std::abs(a), nb = std::abs(b);
  if (nb == 0) return {1.0, 0.0};
  if (na == 0) return {0.0, 1.0};
  double norm = std::hypot(na, nb);
  return {na / norm, (a / na) * std::conj(b) / norm};
}

// One shifted QR step on the active block lo..hi: H - mu = QR, H := RQ + mu.
void qrStep(cplx *h, int n, int lo, int hi, cplx mu, std::vector<Givens> &rot) {
  auto H = [&](int i, int j) -> cplx & { return h[i * n + j]; };
  for (int k = lo; k <= hi; k++) H(k, k) -= mu;
  for (int k = lo; k < hi; k++) {
    Givens g = makeGivens(H(k, k), H(k + 1, k));
    rot[k] = g;
    for (int j = k; j <= hi; j++) {
      cplx x = H(k, j), y = H(k + 1, j);
      H(k, j) = g.c * x + g.s * y;
      H(k + 1, j) = -std::conj(g.s) * x + g.c * y;
    }
  }
  for (int k = lo; k < hi; k++) {
    Givens g = rot[k];
    for (int i = lo; i <= k + 1; i++) {
      cplx x = H(i, k), y = H(i, k + 1);
      H(i, k) = x * g.c + y * std::conj(g.s);
      H(i, k + 1) = -x * g.s + y * g.c;
    }
  }
  for (int k = lo; k <= hi; k++) H(k, k) += mu;
}

}  // namespace

int zHessEigen(cplx *h, int n, cplx *eig) {
  if (n < 1) return 0;
  auto H = [&](int i, int j) -> cplx & { return h[i * n + j]; };
  balance(h, n);
  double norm = 0;
  for (int i = 0; i < n * n; i++) norm = std::fmax(norm, l1(h[i]));
  std::vector<Givens> rot(n);
  int hi = n - 1, stalled = 0, total = 0;
  while (hi >= 0) {
    int lo = hi;
    for (; lo > 0; lo--) {
      double near = l1(H(lo - 1, lo - 1)) + l1(H(lo, lo));
      if (near == 0) near = norm;
      if (l1(H(lo, lo - 1)) <= DBL_EPSILON * near) {
        H(lo, lo - 1) = 0;
        break;
      }
    }
    if (lo == hi) {
      eig[hi] = H(hi, hi);
      hi--;
      stalled = 0;
      continue;
    }
    if (++total > 30 * n) {
      for (int i = 0; i <= hi; i++) eig[i] = H(i, i);
      return 1;
    }
    cplx mu;
    if (++stalled % 10 == 0)
      mu = H(hi, hi) + std::fabs(H(hi, hi - 1).real()) +
           (hi - 1 > lo ? std::fabs(H(hi - 1, hi - 2).real()) : 0.0);
    else
      mu = wilkinson(H(hi - 1, hi - 1), H(hi - 1, hi), H(hi, hi - 1), H(hi, hi));
    qrStep(h, n, lo, hi, mu, rot);
  }
  return 0;
}

}  // namespace korim::spectral
