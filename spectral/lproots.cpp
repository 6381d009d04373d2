// Roots of the complex LP polynomial and root fixing of LP coefficients.
#include "spectral/lproots.h"

#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "spectral/report.h"
#include "spectral/sigconst.h"
#include "spectral/zhqr.h"

namespace korim::spectral {

namespace {

using cplx = std::complex<double>;

cplx toC(fcomplex z) { return {z.r, z.i}; }
fcomplex toF(cplx z) { return fcomplex{z.real(), z.imag()}; }

constexpr double kLaguerEps = 2.0e-26;       // convergence of a root, relative
constexpr double kLaguerRoundoff = 6.0e-10;  // Horner error bound factor
constexpr int kLaguerMaxIter = 200;

}  // namespace

void lpclaguer_d(fcomplex *a, int m, fcomplex *vx, double eps, int polish) {
  if (m < 1) return;
  cplx x = toC(*vx);
  double dxold = std::abs(x);
  for (int iter = 1; iter <= kLaguerMaxIter; iter++) {
    cplx b = toC(a[m]), d = 0.0, f = 0.0;
    double err = std::abs(b), abx = std::abs(x);
    for (int j = m - 1; j >= 0; j--) {
      f = x * f + d;
      d = x * d + b;
      b = x * b + toC(a[j]);
      err = std::abs(b) + abx * err;
    }
    err *= kLaguerRoundoff;
    if (std::abs(b) <= err) break;
    cplx g = d / b, g2 = g * g, h = g2 - 2.0 * f / b;
    cplx sq = std::sqrt(static_cast<double>(m - 1) * (static_cast<double>(m) * h - g2));
    cplx gp = g + sq, gm = g - sq;
    if (std::abs(gp) < std::abs(gm)) gp = gm;
    // A vanishing denominator (flat spot) takes a step of fresh direction.
    cplx dx = std::abs(gp) > 0 ? static_cast<double>(m) / gp : std::polar(1.0 + abx, 1.0 * iter);
    cplx x1 = x - dx;
    if (x1 == x) break;
    x = x1;
    double cdx = std::abs(dx);
    if (iter > 6 && cdx >= dxold) break;
    dxold = cdx;
    if (!polish && cdx <= eps * std::abs(x)) break;
    if (iter == kLaguerMaxIter) specMsg("LP Warning: Too many LAGUER iterations.\n");
  }
  *vx = toF(x);
}

int lpczroots_d(fcomplex *a, int m, fcomplex *roots, int polish) {
  if (m < 1 || m > kLpMaxOrder) return 0;
  std::array<fcomplex, kLpMaxOrder + 1> ad;
  for (int j = 0; j <= m; j++) ad[j] = a[j];
  for (int j = m; j >= 1; j--) {
    fcomplex x{0.0, 0.0};
    lpclaguer_d(ad.data(), j, &x, kLaguerEps, 0);
    if (std::fabs(x.i) <= 2.0 * kLaguerEps * std::fabs(x.r)) x.i = 0.0;
    roots[j] = x;
    cplx b = toC(ad[j]), xc = toC(x);
    for (int jj = j - 1; jj >= 0; jj--) {
      cplx c = toC(ad[jj]);
      ad[jj] = toF(b);
      b = xc * b + c;
    }
  }
  if (polish)
    for (int j = 1; j <= m; j++) lpclaguer_d(a, m, &roots[j], kLaguerEps, 1);
  for (int j = 2; j <= m; j++) {
    fcomplex x = roots[j];
    int i = j - 1;
    for (; i >= 1 && roots[i].r > x.r; i--) roots[i + 1] = roots[i];
    roots[i + 1] = x;
  }
  return 0;
}

int lpc_eis_zroots(d_complex *a, int m, d_complex *rts) {
  if (m < 1) return 0;
  if (m > kLpMaxOrder) return 1;
  std::vector<cplx> h(static_cast<size_t>(m) * m, 0.0), eig(m);
  for (int j = 0; j < m; j++) h[j] = -cplx(a[j].re, a[j].im);
  for (int i = 1; i < m; i++) h[i * m + i - 1] = 1.0;
  int status = zHessEigen(h.data(), m, eig.data());
  for (int j = 0; j < m; j++) rts[j] = d_complex{eig[j].real(), eig[j].imag()};
  if (status) specMsg("LP Warning: companion matrix roots did not converge.\n");
  return status;
}

int lpc_imsl_zroots(d_complex *, int, d_complex *) { return 0; }

int lpcfixrts(double *d, int npoles, int flag, int fixmode) {
  int p = npoles;
  if (fixmode == 0 || p < 1 || p > kLpMaxOrder) return 0;
  std::array<cplx, kLpMaxOrder + 1> r;  // roots r[1..p]
  if (flag == 0) {
    std::array<fcomplex, kLpMaxOrder + 1> a, roots;
    a[p] = fcomplex{1.0, 0.0};
    for (int k = 0; k < p; k++) a[p - 1 - k] = fcomplex{-d[k + 1], -d[p + k + 1]};
    lpczroots_d(a.data(), p, roots.data(), 1);
    for (int j = 1; j <= p; j++) r[j] = toC(roots[j]);
  } else {
    std::array<d_complex, kLpMaxOrder> a, rts;
    for (int k = 0; k < p; k++) a[k] = d_complex{-d[k + 1], -d[p + k + 1]};
    if (lpc_eis_zroots(a.data(), p, rts.data())) return 0;  // coefficients kept
    for (int j = 1; j <= p; j++) r[j] = cplx(rts[j - 1].re, rts[j - 1].im);
  }
  for (int j = 1; j <= p; j++) {
    double mod = std::abs(r[j]);
    if ((fixmode == 1 && mod > 1.0) || (fixmode == -1 && mod > 1.0e-5 && mod < 1.0))
      r[j] = 1.0 / std::conj(r[j]);
  }
  std::array<cplx, kLpMaxOrder + 1> a;
  a[0] = -r[1];
  a[1] = 1.0;
  for (int j = 2; j <= p; j++) {
    a[j] = 1.0;
    for (int i = j - 1; i >= 1; i--) a[i] = a[i - 1] - r[j] * a[i];
    a[0] = -r[j] * a[0];
  }
  for (int k = 0; k < p; k++) {
    d[k + 1] = -a[p - 1 - k].real();
    d[p + k + 1] = -a[p - 1 - k].imag();
  }
  return 0;
}

}  // namespace korim::spectral
