// Golub-Reinsch singular value decomposition on 1-based row-pointer
// matrices, shared by the float and the double entry points.
#pragma once

#include <cmath>

namespace korim::foundation::svdcore {

// sqrt(a^2 + b^2) scaled by the larger magnitude; 0 when both are 0.
template <typename T> T pythag(T a, T b) {
  T absa = std::fabs(a), absb = std::fabs(b);
  if (absa > absb) {
    T r = absb / absa;
    return absa * std::sqrt(T(1) + r * r);
  }
  if (absb == T(0)) return T(0);
  T r = absa / absb;
  return absb * std::sqrt(T(1) + r * r);
}

template <typename T> T sign(T a, T b) { return b >= T(0) ? std::fabs(a) : -std::fabs(a); }

// Decomposes a[1..m][1..n] = U W V^T in place (U replaces a), w[1..n], v[1..n][1..n],
// rv1[1..n] work. At most maxIts QR iterations per singular value. When a value
// has not converged after the last one: returnOnFail makes the routine return at
// once, else it moves on to the next value. The negligibility tests are made in
// double so that float data do not stop early on float rounding of the sum.
template <typename T>
void decompose(T **a, int m, int n, T *w, T **v, T *rv1, int maxIts, bool returnOnFail) {
  int flag, i, its, j, jj, k, l = 1, nm = 1;
  T c, f, h, s, x, y, z;
  T anorm = 0, g = 0, scale = 0;

  // Householder reduction to bidiagonal form.
  for (i = 1; i <= n; i++) {
    l = i + 1;
    rv1[i] = scale * g;
    g = s = scale = 0;
    if (i <= m) {
      for (k = i; k <= m; k++) scale += std::fabs(a[k][i]);
      if (scale != T(0)) {
        double acc = 0;
        for (k = i; k <= m; k++) {
          a[k][i] /= scale;
          acc += double(a[k][i]) * a[k][i];
        }
        s = T(acc);
        f = a[i][i];
        g = -sign(T(std::sqrt(s)), f);
        h = f * g - s;
        a[i][i] = f - g;
        for (j = l; j <= n; j++) {
          double sum = 0;
          for (k = i; k <= m; k++) sum += double(a[k][i]) * a[k][j];
          f = T(sum) / h;
          for (k = i; k <= m; k++) a[k][j] += f * a[k][i];
        }
        for (k = i; k <= m; k++) a[k][i] *= scale;
      }
    }
    w[i] = scale * g;
    g = s = scale = 0;
    if (i <= m && i != n) {
      for (k = l; k <= n; k++) scale += std::fabs(a[i][k]);
      if (scale != T(0)) {
        double acc = 0;
        for (k = l; k <= n; k++) {
          a[i][k] /= scale;
          acc += double(a[i][k]) * a[i][k];
        }
        s = T(acc);
        f = a[i][l];
        g = -sign(T(std::sqrt(s)), f);
        h = f * g - s;
        a[i][l] = f - g;
        for (k = l; k <= n; k++) rv1[k] = a[i][k] / h;
        for (j = l; j <= m; j++) {
          double sum = 0;
          for (k = l; k <= n; k++) sum += double(a[j][k]) * a[i][k];
          for (k = l; k <= n; k++) a[j][k] += T(sum) * rv1[k];
        }
        for (k = l; k <= n; k++) a[i][k] *= scale;
      }
    }
    T t = std::fabs(w[i]) + std::fabs(rv1[i]);
    if (t > anorm) anorm = t;
  }
  // Accumulation of right-hand transformations.
  for (i = n; i >= 1; i--) {
    if (i < n) {
      if (g != T(0)) {
        for (j = l; j <= n; j++) v[j][i] = (a[i][j] / a[i][l]) / g;  // two divisions: no underflow of a product
        for (j = l; j <= n; j++) {
          double sum = 0;
          for (k = l; k <= n; k++) sum += double(a[i][k]) * v[k][j];
          for (k = l; k <= n; k++) v[k][j] += T(sum) * v[k][i];
        }
      }
      for (j = l; j <= n; j++) v[i][j] = v[j][i] = 0;
    }
    v[i][i] = 1;
    g = rv1[i];
    l = i;
  }
  // Accumulation of left-hand transformations.
  for (i = (m < n ? m : n); i >= 1; i--) {
    l = i + 1;
    g = w[i];
    for (j = l; j <= n; j++) a[i][j] = 0;
    if (g != T(0)) {
      g = T(1) / g;
      for (j = l; j <= n; j++) {
        double sum = 0;
        for (k = l; k <= m; k++) sum += double(a[k][i]) * a[k][j];
        f = (T(sum) / a[i][i]) * g;
        for (k = i; k <= m; k++) a[k][j] += f * a[k][i];
      }
      for (j = i; j <= m; j++) a[j][i] *= g;
    } else {
      for (j = i; j <= m; j++) a[j][i] = 0;
    }
    ++a[i][i];
  }
  // Diagonalisation of the bidiagonal form by implicit-shift QR.
  const double dnorm = anorm;
  for (k = n; k >= 1; k--) {
    for (its = 1; its <= maxIts; its++) {
      flag = 1;
      for (l = k; l >= 1; l--) {
        nm = l - 1;
        if (std::fabs(double(rv1[l])) + dnorm == dnorm) {
          flag = 0;
          break;
        }
        if (std::fabs(double(w[nm])) + dnorm == dnorm) break;
      }
      if (flag) {
        // Cancellation of rv1[l] when w[l-1] is negligible.
        c = 0;
        s = 1;
        for (i = l; i <= k; i++) {
          f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(double(f)) + dnorm == dnorm) break;
          g = w[i];
          h = pythag(f, g);
          w[i] = h;
          h = T(1) / h;
          c = g * h;
          s = -f * h;
          for (j = 1; j <= m; j++) {
            y = a[j][nm];
            z = a[j][i];
            a[j][nm] = y * c + z * s;
            a[j][i] = z * c - y * s;
          }
        }
      }
      z = w[k];
      if (l == k) {  // converged: make the singular value non-negative
        if (z < T(0)) {
          w[k] = -z;
          for (j = 1; j <= n; j++) v[j][k] = -v[j][k];
        }
        break;
      }
      if (its == maxIts && returnOnFail) return;
      x = w[l];
      nm = k - 1;
      y = w[nm];
      g = rv1[nm];
      h = rv1[k];
      f = ((y - z) * (y + z) + (g - h) * (g + h)) / (T(2) * h * y);
      g = pythag(f, T(1));
      f = ((x - z) * (x + z) + h * ((y / (f + sign(g, f))) - h)) / x;
      c = s = 1;
      for (j = l; j <= nm; j++) {
        i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (jj = 1; jj <= n; jj++) {
          x = v[jj][j];
          z = v[jj][i];
          v[jj][j] = x * c + z * s;
          v[jj][i] = z * c - x * s;
        }
        z = pythag(f, h);
        w[j] = z;
        if (z != T(0)) {
          z = T(1) / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (jj = 1; jj <= m; jj++) {
          y = a[jj][j];
          z = a[jj][i];
          a[jj][j] = y * c + z * s;
          a[jj][i] = z * c - y * s;
        }
      }
      rv1[l] = 0;
      rv1[k] = f;
      w[k] = x;
    }
  }
}

// x = V diag(1/w) U^T b; a zero w[j] contributes nothing. Sums in long double.
template <typename T>
void backSubstitute(T **u, const T *w, T **v, int m, int n, const T *b, T *x, T *tmp) {
  for (int j = 1; j <= n; j++) {
    long double s = 0;
    if (w[j] != T(0)) {
      for (int i = 1; i <= m; i++) s += (long double)u[i][j] * b[i];
      s /= w[j];
    }
    tmp[j] = T(s);
  }
  for (int j = 1; j <= n; j++) {
    long double s = 0;
    for (int jj = 1; jj <= n; jj++) s += (long double)v[j][jj] * tmp[jj];
    x[j] = T(s);
  }
}

}  // namespace korim::foundation::svdcore
