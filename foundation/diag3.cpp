// Single-precision Jacobi eigensystem of symmetric 3x3 matrices and sorts.
#include "foundation/diag3.h"

#include <cmath>
#include <utility>

#include "foundation/jacobicore.h"

namespace korim::foundation {

int diag3By3(float aOrig[3][3], float dd[3], float vv[3][3]) {
  float a[4][4] = {}, v[4][4] = {}, d[4] = {};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) a[i + 1][j + 1] = aOrig[i][j];
  if (!jacobicore::jacobi3<float>(a, d, v, nullptr)) return 1;
  for (int i = 0; i < 3; i++) {
    dd[i] = d[i + 1];
    for (int j = 0; j < 3; j++) vv[i][j] = v[i + 1][j + 1];
  }
  return 0;
}

int eigsrt3By3(float dOrig[3], float vOrig[3][3]) {
  float d[4], v[4][4];
  for (int i = 1; i <= 3; i++) {
    d[i] = dOrig[i - 1];
    for (int j = 1; j <= 3; j++) v[i][j] = vOrig[i - 1][j - 1];
  }
  for (int i = 1; i < 3; i++) {
    int k = i;
    float p = d[i];
    for (int j = i + 1; j <= 3; j++)
      if (std::fabs(p) <= std::fabs(d[j])) p = d[k = j];
    if (k != i) {
      d[k] = d[i];
      d[i] = p;
      for (int j = 1; j <= 3; j++) std::swap(v[j][i], v[j][k]);
    }
  }
  for (int i = 1; i <= 3; i++) {
    dOrig[i - 1] = d[i];
    for (int j = 1; j <= 3; j++) vOrig[i - 1][j - 1] = v[i][j];
  }
  return 0;
}

int eigsrt3By3NegRevTP(float dOrig[3], float vOrig[3][3]) {
  for (int i = 0; i < 2; i++)
    for (int j = i + 1; j < 3; j++)
      if (std::fabs(dOrig[j]) <= std::fabs(dOrig[i])) {
        std::swap(dOrig[i], dOrig[j]);
        for (int r = 0; r < 3; r++) {
          float old = vOrig[r][i];
          vOrig[r][i] = -vOrig[r][j];
          vOrig[r][j] = old;
        }
      }
  for (int r = 0; r < 3; r++)
    for (int c = r + 1; c < 3; c++) std::swap(vOrig[r][c], vOrig[c][r]);
  return 0;
}

}  // namespace korim::foundation
