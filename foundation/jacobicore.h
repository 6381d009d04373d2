// Cyclic Jacobi diagonalisation of a symmetric 3x3 matrix held 1-based in
// 4x4 arrays (row and column 0 unused); shared by both precisions.
#pragma once

#include <cmath>

namespace korim::foundation::jacobicore {

// Reads the upper triangle of a (destroyed). On return d[1..3] holds the
// eigenvalues (unsorted) and column j of v the eigenvector of d[j]. Returns
// true on convergence within 50 sweeps; otherwise d and v hold the state of
// the last sweep. *nrot counts the rotations when not null.
template <typename T> bool jacobi3(T a[4][4], T d[4], T v[4][4], int *nrot) {
  const int n = 3;
  T b[4], z[4];
  for (int ip = 1; ip <= n; ip++) {
    for (int iq = 1; iq <= n; iq++) v[ip][iq] = 0;
    v[ip][ip] = 1;
    b[ip] = d[ip] = a[ip][ip];
    z[ip] = 0;
  }
  if (nrot) *nrot = 0;
  auto rotate = [](T m[4][4], int i, int j, int k, int l, T s, T tau) {
    T g = m[i][j], h = m[k][l];
    m[i][j] = g - s * (h + g * tau);
    m[k][l] = h + s * (g - h * tau);
  };
  for (int i = 1; i <= 50; i++) {
    T sm = 0;
    for (int ip = 1; ip <= n - 1; ip++)
      for (int iq = ip + 1; iq <= n; iq++) sm += std::fabs(a[ip][iq]);
    if (sm == T(0)) return true;
    T tresh = i < 4 ? T(0.2) * sm / T(n * n) : T(0);
    for (int ip = 1; ip <= n - 1; ip++) {
      for (int iq = ip + 1; iq <= n; iq++) {
        T g = T(100) * std::fabs(a[ip][iq]);
        if (i > 4 && T(std::fabs(d[ip]) + g) == std::fabs(d[ip]) &&
            T(std::fabs(d[iq]) + g) == std::fabs(d[iq])) {
          a[ip][iq] = 0;
        } else if (std::fabs(a[ip][iq]) > tresh) {
          T h = d[iq] - d[ip];
          T t;
          if (T(std::fabs(h) + g) == std::fabs(h)) {
            t = a[ip][iq] / h;
          } else {
            T theta = T(0.5) * h / a[ip][iq];
            t = T(1) / (std::fabs(theta) + std::sqrt(T(1) + theta * theta));
            if (theta < T(0)) t = -t;
          }
          T c = T(1) / std::sqrt(1 + t * t), s = t * c, tau = s / (T(1) + c);
          h = t * a[ip][iq];
          z[ip] -= h;
          z[iq] += h;
          d[ip] -= h;
          d[iq] += h;
          a[ip][iq] = 0;
          for (int j = 1; j <= ip - 1; j++) rotate(a, j, ip, j, iq, s, tau);
          for (int j = ip + 1; j <= iq - 1; j++) rotate(a, ip, j, j, iq, s, tau);
          for (int j = iq + 1; j <= n; j++) rotate(a, ip, j, iq, j, s, tau);
          for (int j = 1; j <= n; j++) rotate(v, j, ip, j, iq, s, tau);
          if (nrot) ++*nrot;
        }
      }
    }
    for (int ip = 1; ip <= n; ip++) {
      b[ip] += z[ip];
      d[ip] = b[ip];
      z[ip] = 0;
    }
  }
  return false;
}

}  // namespace korim::foundation::jacobicore
