// Our own box-constrained Levenberg-Marquardt (single-precision interface,
// double arithmetic inside), used when no system levmar is installed.
#ifndef KORIM_SYSTEM_LEVMAR

#include "foundation/levmar.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace korim::foundation {

namespace {

typedef void (*LmFunc)(float *p, float *hx, int m, int n, void *adata);

struct Problem {
  LmFunc func;
  void *adata;
  int m, n;
  const float *x;             // measurements
  std::vector<float> lo, hi;  // float bounds (infinite when absent)
  std::vector<double> scale;  // p = scale * q
  std::vector<float> pf;      // evaluation buffer
  long nfev = 0;
};

// Evaluates e = x - f(p) and returns ||e||^2 (NaN when f gave one).
double residual(Problem &pr, const std::vector<float> &p, std::vector<float> &hx,
                std::vector<double> &e) {
  pr.pf = p;
  pr.func(pr.pf.data(), hx.data(), pr.m, pr.n, pr.adata);
  ++pr.nfev;
  double s = 0.0;
  for (int i = 0; i < pr.n; i++) {
    e[i] = double(pr.x ? pr.x[i] : 0.0f) - double(hx[i]);
    s += e[i] * e[i];
  }
  return s;
}

float clampTo(const Problem &pr, int j, double v) {
  float f = static_cast<float>(v);
  if (f < pr.lo[j]) f = pr.lo[j];
  if (f > pr.hi[j]) f = pr.hi[j];
  return f;
}

bool fixedParam(const Problem &pr, int j) { return pr.lo[j] == pr.hi[j]; }

// Column j of the Jacobian with respect to the scaled variable q_j, by forward
// (or central) differences that never leave the box.
void jacobian(Problem &pr, const std::vector<float> &p, const std::vector<float> &hx0, double delta,
              std::vector<double> &J) {
  const int m = pr.m, n = pr.n;
  std::vector<float> pp(p), h1(n), h2(n);
  std::vector<double> dummy(n);
  const bool central = delta < 0.0;
  const double dmin = std::fabs(delta);
  for (int j = 0; j < m; j++) {
    for (int i = 0; i < n; i++) J[i * m + j] = 0.0;
    if (fixedParam(pr, j)) continue;
    double d = std::max(1.0e-4 * std::fabs(double(p[j])), dmin);
    float up = static_cast<float>(p[j] + d), dn = static_cast<float>(p[j] - d);
    if (up == p[j]) up = std::nextafter(p[j], std::numeric_limits<float>::infinity());
    if (dn == p[j]) dn = std::nextafter(p[j], -std::numeric_limits<float>::infinity());
    bool upOk = up <= pr.hi[j], dnOk = dn >= pr.lo[j];
    if (!upOk && !dnOk) {  // box narrower than the step: use the wider side
      if (pr.hi[j] - p[j] >= p[j] - pr.lo[j]) {
        up = pr.hi[j];
        upOk = up > p[j];
      } else {
        dn = pr.lo[j];
        dnOk = dn < p[j];
      }
    }
    if (!upOk && !dnOk) continue;
    if (central && upOk && dnOk) {
      pp[j] = up;
      residual(pr, pp, h1, dummy);
      pp[j] = dn;
      residual(pr, pp, h2, dummy);
      double hstep = double(up) - double(dn);
      for (int i = 0; i < n; i++) J[i * m + j] = (double(h1[i]) - h2[i]) / hstep * pr.scale[j];
    } else {
      float q = upOk ? up : dn;
      pp[j] = q;
      residual(pr, pp, h1, dummy);
      double hstep = double(q) - double(p[j]);
      for (int i = 0; i < n; i++) J[i * m + j] = (double(h1[i]) - hx0[i]) / hstep * pr.scale[j];
    }
    pp[j] = p[j];
  }
}

// A = J^T J and g = J^T e (J is n x m, row-major).
void normalEquations(const std::vector<double> &J, const std::vector<double> &e, int m, int n,
                     std::vector<double> &A, std::vector<double> &g) {
  for (int a = 0; a < m; a++) {
    double s = 0.0;
    for (int i = 0; i < n; i++) s += J[i * m + a] * e[i];
    g[a] = s;
    for (int b = 0; b <= a; b++) {
      double t = 0.0;
      for (int i = 0; i < n; i++) t += J[i * m + a] * J[i * m + b];
      A[a * m + b] = A[b * m + a] = t;
    }
  }
}

// Solves (A + mu I) x = g over the indices in `free` by Cholesky; false when
// the matrix is not positive definite in double arithmetic.
bool dampedSolve(const std::vector<double> &A, const std::vector<double> &g, int m,
                 const std::vector<int> &freeIdx, double mu, std::vector<double> &x) {
  const int k = static_cast<int>(freeIdx.size());
  std::vector<double> L(k * k, 0.0), y(k);
  for (int a = 0; a < k; a++)
    for (int b = 0; b <= a; b++) {
      double s = A[freeIdx[a] * m + freeIdx[b]] + (a == b ? mu : 0.0);
      for (int c = 0; c < b; c++) s -= L[a * k + c] * L[b * k + c];
      if (a == b) {
        if (!(s > 0.0) || !std::isfinite(s)) return false;
        L[a * k + a] = std::sqrt(s);
      } else {
        L[a * k + b] = s / L[b * k + b];
      }
    }
  for (int a = 0; a < k; a++) {
    double s = g[freeIdx[a]];
    for (int c = 0; c < a; c++) s -= L[a * k + c] * y[c];
    y[a] = s / L[a * k + a];
  }
  std::fill(x.begin(), x.end(), 0.0);
  for (int a = k - 1; a >= 0; a--) {
    double s = y[a];
    for (int c = a + 1; c < k; c++) s -= L[c * k + a] * x[freeIdx[c]];
    x[freeIdx[a]] = s / L[a * k + a];
  }
  return true;
}

// covar = (J^T J)^-1 * ||e||^2 / (n - m) over the free parameters (in p units);
// zero where the matrix is singular or there are no degrees of freedom left.
void covariance(const std::vector<double> &A, int m, int n, double err, const Problem &pr,
                float *covar) {
  std::vector<int> freeIdx;
  for (int j = 0; j < m; j++)
    if (!fixedParam(pr, j)) freeIdx.push_back(j);
  for (int i = 0; i < m * m; i++) covar[i] = 0.0f;
  const int k = static_cast<int>(freeIdx.size());
  if (k == 0 || n <= k) return;
  std::vector<double> col(m), unit(m), inv(k * k);
  for (int b = 0; b < k; b++) {
    std::fill(unit.begin(), unit.end(), 0.0);
    unit[freeIdx[b]] = 1.0;
    if (!dampedSolve(A, unit, m, freeIdx, 0.0, col)) return;
    for (int a = 0; a < k; a++) inv[a * k + b] = col[freeIdx[a]];
  }
  double s2 = err / (n - k);
  for (int a = 0; a < k; a++)
    for (int b = 0; b < k; b++)
      covar[freeIdx[a] * m + freeIdx[b]] =
          static_cast<float>(inv[a * k + b] * s2 * pr.scale[freeIdx[a]] * pr.scale[freeIdx[b]]);
}

}  // namespace

int slevmar_bc_dif(void (*func)(float *p, float *hx, int m, int n, void *adata), float *p, float *x,
                   int m, int n, float *lb, float *ub, float *dscl, int itmax, float *opts,
                   float *info, float *work, float *covar, void *adata) {
  (void)work;  // workspace is managed here
  if (!func || !p || m < 1 || n < 1) return LM_ERROR;
  double tau = LM_INIT_MU, eps1 = LM_STOP_THRESH, eps2 = LM_STOP_THRESH, eps3 = LM_STOP_THRESH,
         delta = LM_DIFF_DELTA;
  if (opts) {
    tau = opts[0];
    eps1 = opts[1];
    eps2 = opts[2];
    eps3 = opts[3];
    delta = opts[4];
  }
  Problem pr;
  pr.func = func;
  pr.adata = adata;
  pr.m = m;
  pr.n = n;
  pr.x = x;
  pr.lo.assign(m, -std::numeric_limits<float>::infinity());
  pr.hi.assign(m, std::numeric_limits<float>::infinity());
  pr.scale.assign(m, 1.0);
  for (int j = 0; j < m; j++) {
    if (lb) pr.lo[j] = lb[j];
    if (ub) pr.hi[j] = ub[j];
    if (pr.lo[j] > pr.hi[j]) return LM_ERROR;  // a lower bound above its upper one
    if (dscl) {
      if (!(dscl[j] > 0.0f)) return LM_ERROR;
      pr.scale[j] = dscl[j];
    }
  }

  // Start inside the box.
  std::vector<float> pc(m), pn(m), hx(n), hxn(n);
  for (int j = 0; j < m; j++) pc[j] = clampTo(pr, j, p[j]);
  std::vector<double> e(n), en(n), J(size_t(n) * m), A(size_t(m) * m), g(m), dq(m);
  double err = residual(pr, pc, hx, e);
  const double err0 = err;
  long njev = 0, nlss = 0;
  int stop = 0, k = 0;
  double mu = 0.0, nu = 2.0, gInf = 0.0, dpn2 = 0.0, maxDiag = 0.0;
  bool needJac = true;
  if (!std::isfinite(err)) stop = 7;

  for (k = 0; k < itmax && !stop; ++k) {
    if (needJac) {
      jacobian(pr, pc, hx, delta, J);
      ++njev;
      normalEquations(J, e, m, n, A, g);
      maxDiag = 0.0;
      for (int j = 0; j < m; j++) maxDiag = std::max(maxDiag, A[j * m + j]);
      needJac = false;
    }
    // Free set: parameters neither fixed nor held at a bound by the gradient
    // (g is the descent direction in the scaled variables).
    std::vector<int> freeIdx;
    gInf = 0.0;
    for (int j = 0; j < m; j++) {
      if (fixedParam(pr, j)) continue;
      if (pc[j] <= pr.lo[j] && g[j] < 0.0) continue;
      if (pc[j] >= pr.hi[j] && g[j] > 0.0) continue;
      freeIdx.push_back(j);
      gInf = std::max(gInf, std::fabs(g[j]));
    }
    if (!(gInf > eps1)) {
      stop = 1;
      break;
    }
    if (k == 0) {
      mu = tau * maxDiag;
      if (!(mu > 0.0)) mu = tau > 0.0 ? tau : LM_INIT_MU;
    }
    double pn2 = 0.0;
    for (int j = 0; j < m; j++) pn2 += double(pc[j]) / pr.scale[j] * (double(pc[j]) / pr.scale[j]);
    for (;;) {
      ++nlss;
      bool solved = dampedSolve(A, g, m, freeIdx, mu, dq);
      if (solved) {
        dpn2 = 0.0;
        for (int j = 0; j < m; j++) {
          pn[j] = clampTo(pr, j, double(pc[j]) + dq[j] * pr.scale[j]);
          double dj = (double(pn[j]) - pc[j]) / pr.scale[j];
          dq[j] = dj;  // the step actually taken
          dpn2 += dj * dj;
        }
        if (dpn2 == 0.0 || dpn2 <= eps2 * eps2 * pn2) {
          stop = 2;
          break;
        }
        double errNew = residual(pr, pn, hxn, en);
        // Reduction predicted by the linear model for the step taken.
        double pred = 0.0;
        for (int a = 0; a < m; a++) {
          double Ad = 0.0;
          for (int b = 0; b < m; b++) Ad += A[a * m + b] * dq[b];
          pred += 2.0 * dq[a] * g[a] - dq[a] * Ad;
        }
        if (std::isfinite(errNew) && errNew < err) {
          double rho = pred > 0.0 ? (err - errNew) / pred : 1.0;
          double t = 2.0 * rho - 1.0;
          mu *= std::max(1.0 / 3.0, 1.0 - t * t * t);
          nu = 2.0;
          pc.swap(pn);
          hx.swap(hxn);
          e.swap(en);
          err = errNew;
          needJac = true;
          if (err <= eps3) stop = 6;
          break;
        }
      }
      mu *= nu;
      nu *= 2.0;
      if (!std::isfinite(mu) || nu > 1.0e300) {
        stop = 5;
        break;
      }
    }
  }
  if (!stop) stop = 3;

  for (int j = 0; j < m; j++) p[j] = pc[j];
  if (info) {
    info[0] = static_cast<float>(err0);
    info[1] = static_cast<float>(err);
    info[2] = static_cast<float>(gInf);
    info[3] = static_cast<float>(dpn2);
    info[4] = static_cast<float>(maxDiag > 0.0 ? mu / maxDiag : mu);
    info[5] = static_cast<float>(k);
    info[6] = static_cast<float>(stop);
    info[7] = static_cast<float>(pr.nfev);
    info[8] = static_cast<float>(njev);
    info[9] = static_cast<float>(nlss);
  }
  if (covar) {
    if (needJac && stop != 7) {  // the last accepted point has no Jacobian yet
      jacobian(pr, pc, hx, delta, J);
      normalEquations(J, e, m, n, A, g);
    }
    covariance(A, m, n, err, pr, covar);
  }
  return stop == 7 ? LM_ERROR : k;
}

}  // namespace korim::foundation

#endif  // KORIM_SYSTEM_LEVMAR
