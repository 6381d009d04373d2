// Eigensystems of symmetric 3x3 matrices and the eigenpair orderings.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/diag3.h"
#include "foundation/jacobitq.h"
#include "tests/support/capture.h"

using namespace korim::foundation;

namespace {

template <typename T>
double det3(const T m[3][3]) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// A family of symmetric matrices: order-matrix-like (traceless) and
// inertia-like (positive) ones, from a fixed recipe.
void makeSymmetric(int k, double s[3][3]) {
  double e[6] = {std::sin(1.3 * k + 0.2), std::cos(0.7 * k), std::sin(2.1 * k + 1.0),
                 0.5 * std::cos(1.9 * k), std::sin(0.3 * k + 2.0), 0.8 * std::cos(k + 0.5)};
  s[0][0] = e[0];
  s[1][1] = e[1];
  s[2][2] = (k % 2) ? -(e[0] + e[1]) : e[2] + 3.0;
  s[0][1] = s[1][0] = e[3];
  s[0][2] = s[2][0] = e[4];
  s[1][2] = s[2][1] = e[5];
}

void toFloat(const double s[3][3], float f[3][3]) {
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) f[i][j] = float(s[i][j]);
}

// S v_j = d_j v_j for the three pairs; vec(i, j) is component i of vector j.
template <typename Vec>
void expectEigenpairs(const double s[3][3], const double d[3], Vec vec, double tol, int k) {
  for (int j = 0; j < 3; j++)
    for (int i = 0; i < 3; i++) {
      double sv = 0;
      for (int l = 0; l < 3; l++) sv += s[i][l] * vec(l, j);
      EXPECT_NEAR(sv, d[j] * vec(i, j), tol) << k << " pair " << j;
    }
}

TEST(NumEigen, JacobitqEigenpairsAndOrthonormality) {
  for (int k = 0; k < 25; k++) {
    double s[3][3], a[4][4] = {}, d[4], v[4][4];
    makeSymmetric(k, s);
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) a[i + 1][j + 1] = s[i][j];
    int nrot = -1;
    jacobitq(a, d, v, &nrot);
    EXPECT_GT(nrot, 0);
    expectEigenpairs(s, d + 1, [&](int i, int j) { return v[i + 1][j + 1]; }, 1e-12, k);
    for (int j = 1; j <= 3; j++)
      for (int jj = 1; jj <= 3; jj++) {
        double dot = 0;
        for (int i = 1; i <= 3; i++) dot += v[i][j] * v[i][jj];
        EXPECT_NEAR(dot, j == jj ? 1.0 : 0.0, 1e-12);
      }
    EXPECT_NEAR(d[1] + d[2] + d[3], s[0][0] + s[1][1] + s[2][2], 1e-12);
  }
}

TEST(NumEigen, DiagonalInputAndClosedFormSpectrum) {
  double a[4][4] = {{0, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 2}}, d[4], v[4][4];
  int nrot = -1;
  jacobitq(a, d, v, &nrot);
  EXPECT_EQ(nrot, 0);  // converged at once, values and unit vectors as they stand
  EXPECT_EQ(std::vector<double>(d + 1, d + 4), (std::vector<double>{3, -1, 2}));
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(v[i][j], i == j ? 1.0 : 0.0);

  // [[2,1,0],[1,2,1],[0,1,2]]: eigenvalues 2 - sqrt2, 2, 2 + sqrt2.
  const double s[3][3] = {{2, 1, 0}, {1, 2, 1}, {0, 1, 2}};
  float f[3][3], dd[3], vv[3][3];
  toFloat(s, f);
  ASSERT_EQ(diag3By3(f, dd, vv), 0);
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) EXPECT_EQ(f[i][j], s[i][j]);  // input untouched
  for (double e : {2 - std::sqrt(2.0), 2.0, 2 + std::sqrt(2.0)}) {
    int hits = 0;
    for (float x : dd) hits += std::fabs(x - e) < 1e-5;
    EXPECT_EQ(hits, 1) << e;
  }
  const double dv[3] = {dd[0], dd[1], dd[2]};
  expectEigenpairs(s, dv, [&](int i, int j) { return vv[i][j]; }, 1e-5, 0);
}

TEST(NumEigen, IncreasingMagnitudeSortKeepsHandednessAndTransposes) {
  // Values (1, -1, 2): the tie |1| = |-1| is swapped, negating one vector.
  float d[3] = {1, -1, 2};
  float v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_EQ(eigsrt3By3NegRevTP(d, v), 0);
  EXPECT_EQ(std::vector<float>(d, d + 3), (std::vector<float>{-1, 1, 2}));
  // Rows now: row 0 = -e2 (eigenvector of -1, negated), row 1 = e1, row 2 = e3.
  float expect[3][3] = {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) EXPECT_EQ(v[i][j] + 0.0f, expect[i][j]) << i << j;

  // On real eigensystems: increasing magnitudes, rows are eigenvectors, and
  // the frame stays right-handed.
  for (int k = 0; k < 12; k++) {
    double s[3][3];
    makeSymmetric(k, s);
    float f[3][3], dd[3], vv[3][3];
    toFloat(s, f);
    ASSERT_EQ(diag3By3(f, dd, vv), 0);
    const double before = det3(vv);
    eigsrt3By3NegRevTP(dd, vv);
    EXPECT_LE(std::fabs(dd[0]), std::fabs(dd[1]));
    EXPECT_LE(std::fabs(dd[1]), std::fabs(dd[2]));
    EXPECT_NEAR(det3(vv), before, 1e-5);
    const double dv[3] = {dd[0], dd[1], dd[2]};
    expectEigenpairs(s, dv, [&](int i, int j) { return vv[j][i]; }, 1e-5, k);
  }
}

TEST(NumEigen, NonConvergenceIsReported) {
  // A not-a-number never lets the off-diagonal sum reach zero.
  double a[4][4] = {}, d[4], v[4][4];
  a[1][1] = a[2][2] = a[3][3] = 1;
  a[1][2] = a[2][1] = std::nan("");
  EXPECT_EQ(korim_test::captureStderr([&] { jacobitq(a, d, v, nullptr); }),
            "Utility Error: Too many iterations in routine jacobi\nAborting.\n");
  float f[3][3] = {{1, std::nanf(""), 0}, {0, 1, 0}, {0, 0, 1}};
  float dd[3] = {7, 7, 7}, vv[3][3] = {{7}};
  EXPECT_EQ(diag3By3(f, dd, vv), 1);
  EXPECT_EQ(dd[0] + dd[1] + dd[2], 21.0f);  // outputs left alone
  EXPECT_EQ(vv[0][0], 7.0f);
}

}  // namespace
