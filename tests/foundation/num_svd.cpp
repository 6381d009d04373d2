// Dense linear algebra and least squares: SVD and the solvers on it, Gauss-Jordan, LU and the
// flat inverse, eigensystems of symmetric 3x3 matrices, bounded Levenberg-Marquardt, nlsOpt
// and the flag-switched LM engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/diag3.h"
#include "foundation/gaussj.h"
#include "foundation/jacobitq.h"
#include "foundation/levmar.h"
#include "foundation/matinv.h"
#include "foundation/memory.h"
#include "foundation/nlsopt.h"
#include "foundation/nonlinearfit.h"
#include "foundation/svbkspd.h"
#include "foundation/svdcmpd.h"
#include "foundation/svdpoly.h"
#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;

namespace {

using NumSvd = korim_test::Resetting<svdPolyFree, memoryReset>;

// An m x n matrix with 1-based rows and columns over one block.
template <typename T>
struct Mat {
  std::vector<T> store;
  std::vector<T *> rows;
  Mat(int m, int n) : store((m + 1) * (n + 1)), rows(m + 1) {
    for (int i = 0; i <= m; i++) rows[i] = &store[i * (n + 1)];
  }
  operator T **() { return rows.data(); }
};

// Checks A = U W V^T, U^T U = I, V^T V = I and W >= 0 for a decomposition.
template <typename T>
void expectFactorisation(const std::vector<std::vector<double>> &A, T **u, T *w, T **v, int m, int n,
                         double tol) {
  for (int i = 1; i <= m; i++)
    for (int j = 1; j <= n; j++) {
      double s = 0;
      for (int k = 1; k <= n; k++) s += double(u[i][k]) * w[k] * v[j][k];
      EXPECT_NEAR(s, A[i - 1][j - 1], tol) << i << "," << j;
    }
  for (int a = 1; a <= n; a++)
    for (int b = 1; b <= n; b++) {
      double su = 0, sv = 0;
      for (int i = 1; i <= m; i++) su += double(u[i][a]) * u[i][b];
      for (int i = 1; i <= n; i++) sv += double(v[i][a]) * v[i][b];
      EXPECT_NEAR(su, a == b ? 1.0 : 0.0, tol);
      EXPECT_NEAR(sv, a == b ? 1.0 : 0.0, tol);
    }
  for (int k = 1; k <= n; k++) EXPECT_GE(w[k], T(0));
}

TEST_F(NumSvd, KnownSingularValuesFloat) {
  // [[3,2],[2,3],[2,-2]] has singular values 5 and 3 (its transpose is the
  // classic 2x3 example with A A^T = [[17,8],[8,17]]).
  std::vector<std::vector<double>> A = {{3, 2}, {2, 3}, {2, -2}};
  Mat<float> a(3, 2), v(2, 2);
  float w[3], rv1[3];
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 2; j++) a[i][j] = float(A[i - 1][j - 1]);
  EXPECT_EQ(svdcmpUser(a, 3, 2, w, v, rv1), 0);
  EXPECT_NEAR(std::min(w[1], w[2]), 3.0f, 1e-5);
  EXPECT_NEAR(std::max(w[1], w[2]), 5.0f, 1e-5);
  expectFactorisation<float>(A, a, w, v, 3, 2, 1e-5);
  // Back-substitution of b = A (1, -1) = (1, -1, 4) gives (1, -1) again.
  float b[4] = {0, 1, -1, 4}, x[3], tmp[3];
  EXPECT_EQ(svbksbUser(a, w, v, 3, 2, b, x, tmp), 0);
  for (int j = 1; j <= 2; j++) EXPECT_NEAR(x[j], j == 1 ? 1.0f : -1.0f, 1e-5) << j;
}

TEST_F(NumSvd, RandomMatricesFactorAndSolveInDouble) {
  // Deterministic pseudo-random 7x4 matrices; a consistent system is solved
  // exactly.
  unsigned s = 12345;
  auto rnd = [&s]() {
    s = s * 1103515245u + 12345u;
    return ((s >> 8) & 0xffff) / 32768.0 - 1.0;
  };
  const int m = 7, n = 4;
  const double xTrue[5] = {0, 1.5, -2.0, 0.25, 3.0};
  Mat<double> a(m, n), v(n, n);
  double w[n + 1], rv1[n + 1], b[m + 1], x[n + 1], tmp[n + 1];
  for (int trial = 0; trial < 5; trial++) {
    std::vector<std::vector<double>> A(m, std::vector<double>(n));
    for (int i = 1; i <= m; i++) {
      b[i] = 0;
      for (int j = 1; j <= n; j++) {
        a[i][j] = A[i - 1][j - 1] = rnd();
        b[i] += a[i][j] * xTrue[j];
      }
    }
    svdcmpd(a, m, n, w, v, rv1);
    expectFactorisation<double>(A, a, w, v, m, n, 1e-12);
    svbksbd(a, w, v, m, n, b, x, tmp);
    for (int j = 1; j <= n; j++) EXPECT_NEAR(x[j], xTrue[j], 1e-12);
  }
  EXPECT_EQ(memoryBytesUsed(), 0);  // no work space left behind
}

TEST_F(NumSvd, DoubleRejectsWideMatrixOnce) {
  double A[3][4] = {{0, 0, 0, 0}, {0, 2, 3, 4}, {0, 3, 4, 5}}, V[4][4], w[4], rv1[4];
  double *a[3] = {A[0], A[1], A[2]}, *v[4] = {V[0], V[1], V[2], V[3]};  // 1-based rows
  EXPECT_EQ(korim_test::captureStderr([&] { svdcmpd(a, 2, 3, w, v, rv1); }), "SVD Error: bad matrix size.\n");
}

TEST_F(NumSvd, CovarianceIsInverseNormalMatrixAndOneCoefficientClosedForm) {
  // For X = [[1,0],[1,1],[1,2]]: X^T X = [[3,3],[3,5]], inverse by hand
  // [[5,-3],[-3,3]]/6.
  float x[6] = {1, 0, 1, 1, 1, 2}, y[3] = {1, 3, 5}, coef[2], covar[4];
  ASSERT_EQ(svdLSMat(x, y, 3, 2, coef, covar, 1), 0);
  for (int k = 0; k < 2; k++) EXPECT_NEAR(coef[k], k + 1.0f, 1e-5) << k;
  const double inverse[4] = {5.0 / 6, -0.5, -0.5, 0.5};
  for (int k = 0; k < 4; k++) EXPECT_NEAR(covar[k], inverse[k], 1e-5) << k;

  // One coefficient, x = (1, 2): covariance 1 / (1 + 4); for y = (3, 1), not a perfect fit,
  // sum(xy)/sum(x^2) = (3 + 2)/(1 + 4) = 1.
  float x1[2] = {1, 2}, y1[2] = {2, 4}, y2[2] = {3, 1}, z[2] = {0, 0};
  ASSERT_EQ(svdLSMat(x1, y1, 2, 1, coef, covar, 1), 0);
  EXPECT_FLOAT_EQ(coef[0], 2.0f);
  EXPECT_FLOAT_EQ(covar[0], 0.2f);
  ASSERT_EQ(svdLSMat(x1, y2, 2, 1, coef, nullptr, 1), 0);
  EXPECT_FLOAT_EQ(coef[0], 1.0f);
  ASSERT_EQ(svdLSMat(z, y1, 2, 1, coef, covar, 1), 0);
  EXPECT_EQ(coef[0], 0.0f);
}

TEST_F(NumSvd, SaupeLikeDesignRecoversFiveElements) {
  // Rows of the dipolar design for unit bond vectors (x,y,z):
  // (z^2 - 0.5(x^2+y^2)... expressed in the five independent elements.
  const int n = 40;
  std::vector<float> X(n * 5), y(n);
  const double s[5] = {4.2e-4, -1.3e-4, 2.2e-4, -0.7e-4, 1.1e-4};
  const double dmax = 21700.0;
  for (int i = 0; i < n; i++) {
    double th = 0.37 + 2.9 * i / n, ph = 0.11 + 5.3 * std::fmod(i * 0.618, 1.0);
    double bx = std::sin(th) * std::cos(ph), by = std::sin(th) * std::sin(ph), bz = std::cos(th);
    double row[5] = {bz * bz - bx * bx, by * by - bx * bx, 2 * bx * by, 2 * bx * bz, 2 * by * bz};
    double d = 0;
    for (int k = 0; k < 5; k++) {
      X[i * 5 + k] = float(dmax * row[k]);
      d += dmax * row[k] * s[k];
    }
    y[i] = float(d);
  }
  float coef[5], covar[25];
  ASSERT_EQ(svdLSMat(X.data(), y.data(), n, 5, coef, covar, 1), 0);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(coef[k], s[k], 2e-8) << k;
  for (int i = 0; i < 25; i++) EXPECT_FLOAT_EQ(covar[i], covar[i % 5 * 5 + i / 5]);  // symmetric

  // A new y with initFlag 0 reuses the decomposition and leaves covar alone.
  std::vector<float> y2(n);
  for (int i = 0; i < n; i++) y2[i] = 2.0f * y[i];
  std::vector<float> mark(25, -7.0f);
  ASSERT_EQ(svdLSMat(X.data(), y2.data(), n, 5, coef, mark.data(), 0), 0);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(coef[k], 2 * s[k], 4e-8) << k;
  EXPECT_EQ(mark, std::vector<float>(25, -7.0f));
  // The reused path must not look at the design again.
  std::vector<float> junk(n * 5, 0.0f);
  ASSERT_EQ(svdLSMat(junk.data(), y.data(), n, 5, coef, nullptr, 0), 0);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(coef[k], s[k], 2e-8) << k;
}

TEST_F(NumSvd, RankDeficientGivesMinimumNorm) {
  // Two identical columns: only their sum is determined; the minimum-norm
  // solution splits it evenly.
  float x[8] = {1, 1, 2, 2, 3, 3, 4, 4}, y[4] = {2, 4, 6, 8}, coef[2], covar[4];
  ASSERT_EQ(svdLSMat(x, y, 4, 2, coef, covar, 1), 0);
  for (float c : coef) EXPECT_NEAR(c, 1.0f, 1e-5);
  // Fewer rows than coefficients: minimum-norm solution of 1 equation.
  float x1[3] = {1, 2, 2}, y1[1] = {9}, c3[3];
  ASSERT_EQ(svdLSMat(x1, y1, 1, 3, c3, nullptr, 1), 0);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(c3[k], x1[k], 1e-5) << k;  // x1 / |x1|^2 * 9
}

TEST_F(NumSvd, PolynomialLeastSquaresLine) {
  // (Exact polynomial and cosine-basis fits: NumBaseline.PolynomialAndCosineFitsRecoverCoefficients.)
  // Least squares line through (0,0),(1,1),(2,1),(3,3): slope 0.9, intercept -0.1
  // (hand sums: n=4, Sx=6, Sy=5, Sxx=14, Sxy=12).
  float xl[4] = {0, 1, 2, 3}, yl[4] = {0, 1, 1, 3}, cl[2];
  ASSERT_EQ(svdPoly(xl, yl, 4, 1, cl), 0);
  EXPECT_NEAR(cl[0], -0.1f, 1e-5);
  EXPECT_NEAR(cl[1], 0.9f, 1e-5);
}

// [[0,1,2],[1,0,3],[4,-3,8]] (zero first pivot, not symmetric); inverse by
// cofactors: det = -2, adjugate [[9,-14,3],[4,-8,2],[-3,4,-1]].
const float kA[3][3] = {{0, 1, 2}, {1, 0, 3}, {4, -3, 8}};
const float kInv[3][3] = {{-4.5f, 7, -1.5f}, {-2, 4, -1}, {1.5f, -2, 0.5f}};

// A 1-based copy of kA.
Mat<float> matA() {
  Mat<float> a(3, 3);
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) a[i + 1][j + 1] = kA[i][j];
  return a;
}

TEST(NumLinear, GaussjInvertsWithPivotingAndSolvesTwoRightHandSides) {
  memoryReset();
  Mat<float> a = matA(), b(3, 2);
  // Right-hand sides A (1,2,3)^T and A (-1,0,1)^T.
  for (int i = 1; i <= 3; i++) {
    b[i][1] = kA[i - 1][0] + 2 * kA[i - 1][1] + 3 * kA[i - 1][2];
    b[i][2] = -kA[i - 1][0] + kA[i - 1][2];
  }
  gaussj(a, 3, b, 2);
  for (int i = 1; i <= 3; i++) {
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(a[i][j], kInv[i - 1][j - 1], 1e-5);
    EXPECT_NEAR(b[i][1], i, 1e-5);
    EXPECT_NEAR(b[i][2], i - 2, 1e-5);
  }
  EXPECT_EQ(memoryBytesUsed(), 0);  // work space given back

  Mat<float> z(2, 2), zb(2, 1);
  zb[1][1] = zb[2][1] = 1;
  std::string err = korim_test::captureStderr([&] { gaussj(z, 2, zb, 1); });
  EXPECT_NE(err.find("Utility Error: gaussj: Singular Matrix-2\nAborting.\n"), std::string::npos);
}

TEST(NumLinear, MatInvHandInverses) {
  float y[9], yinv[9];
  for (int k = 0; k < 9; k++) y[k] = kA[k / 3][k % 3];
  ASSERT_EQ(matInv(3, y, yinv), 0);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(yinv[k], kInv[k / 3][k % 3], 1e-5) << k;  // a transpose would fail
  // A zero column is found (result 1, inverse zeroed); a zero row is not.
  float zc[4] = {1, 0, 2, 0}, zr[4] = {0, 0, 1, 2}, zinv[4] = {9, 9, 9, 9};
  EXPECT_EQ(matInv(2, zc, zinv), 1);
  for (float v : zinv) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(matInv(2, zr, zinv), 0);
  matInvFree();
}

TEST(NumLinear, LuDecomposeParityAndSolve) {
  Mat<float> a = matA();
  int indx[4];
  float vv[4], d = 0;
  ASSERT_EQ(luDecompose(a, 3, indx, vv, &d), 0);
  // Determinant = d * product of the diagonal of U = -2.
  EXPECT_NEAR(d * a[1][1] * a[2][2] * a[3][3], -2.0f, 1e-5);
  // b = A's first column (0, 1, 4), so x = (1, 0, 0); the leading zero
  // exercises the skip of the forward pass.
  float b[4] = {0, 0, 1, 4};
  luSolve(a, 3, indx, b);
  for (int i = 1; i <= 3; i++) EXPECT_NEAR(b[i], i == 1 ? 1.0f : 0.0f, 1e-5) << i;
}

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

// Rosenbrock valley as residuals: r = (10 (y - x^2), 1 - x); minimum (1, 1).
void rosen(float *p, float *hx, int m, int n, void *) {
  ASSERT_EQ(m, 2);
  ASSERT_EQ(n, 2);
  hx[0] = 10.0f * (p[1] - p[0] * p[0]);
  hx[1] = 1.0f - p[0];
}

#ifndef KORIM_SYSTEM_LEVMAR
TEST(NumLevmar, UnboundedAndBoxedRosenbrock) {
  float p[2] = {-1.2f, 1.0f}, x[2] = {0, 0}, info[LM_INFO_SZ];
  int it = slevmar_bc_dif(rosen, p, x, 2, 2, nullptr, nullptr, nullptr, 1000, nullptr, info,
                          nullptr, nullptr, nullptr);
  EXPECT_GT(it, 0);
  EXPECT_NEAR(p[0], 1.0f, 1e-3);
  EXPECT_NEAR(p[1], 1.0f, 2e-3);
  EXPECT_LT(info[1], 1e-8f);
  EXPECT_NE(info[6], 3.0f);  // stopped by a criterion, not by the limit

  // With x <= 0.5 the minimum lies on the valley floor y = x^2 at x = 0.5.
  float q[2] = {-1.2f, 1.0f}, lb[2] = {-2, -2}, ub[2] = {0.5f, 2};
  slevmar_bc_dif(rosen, q, x, 2, 2, lb, ub, nullptr, 1000, nullptr, info, nullptr, nullptr, nullptr);
  EXPECT_FLOAT_EQ(q[0], 0.5f);
  EXPECT_NEAR(q[1], 0.25f, 1e-3);
  EXPECT_NEAR(info[1], 0.25f, 1e-4);  // (1 - 0.5)^2

  // y held at 2 by equal bounds: only x moves, to just below sqrt(2).
  float f[2] = {0.3f, 2.0f}, flb[2] = {-2, 2}, fub[2] = {2, 2};
  slevmar_bc_dif(rosen, f, x, 2, 2, flb, fub, nullptr, 1000, nullptr, info, nullptr, nullptr,
                 nullptr);
  EXPECT_EQ(f[1], 2.0f);
  // Minimum of 100 (2 - x^2)^2 + (1 - x)^2 where 400 x (x^2 - 2) = 2 (1 - x),
  // root found by bisection: 1.4136962.
  EXPECT_NEAR(f[0], 1.4136962, 1e-4);
}

// A straight line p0 + p1 t at t = 0..3: J = [1 t], J^T J = [[4,6],[6,14]].
const float kT[4] = {0, 1, 2, 3};
void line(float *p, float *hx, int, int n, void *) {
  for (int i = 0; i < n; i++) hx[i] = p[0] + p[1] * kT[i];
}

TEST(NumLevmar, FirstStepUsesDefaultDampingOfTheLargestDiagonal) {
  // Through (0,1),(1,3),(2,5),(3,7) from p = 0: J^T e = (16, 34). The first step
  // solves (J^T J + mu I) dp = J^T e with mu = 1e-3 * 14, by Cramer's rule here.
  float p[2] = {0, 0}, y[4] = {1, 3, 5, 7}, info[LM_INFO_SZ];
  EXPECT_EQ(slevmar_bc_dif(line, p, y, 2, 4, nullptr, nullptr, nullptr, 1, nullptr, info, nullptr, nullptr, nullptr),
            1);
  const double mu = 1e-3 * 14, a = 4 + mu, d = 14 + mu, det = a * d - 36;
  EXPECT_NEAR(p[0], (16 * d - 6 * 34) / det, 2e-6);
  EXPECT_NEAR(p[1], (a * 34 - 6 * 16) / det, 2e-6);
  EXPECT_EQ(info[6], 3.0f);  // stopped by the iteration limit

  // With residual scatter the covariance is s^2 (J^T J)^-1, s^2 = ||e||^2/(n - 2).
  // Hand numbers for y = 0,1,1,3: a = -0.1, b = 0.9, ||e||^2 = 0.7, inverse
  // [[14,-6],[-6,4]]/20. The default difference step (1e-6 near zero) is coarse
  // in single precision, which limits a coefficient near 0 to about 1e-3.
  float q[2] = {0, 0}, y2[4] = {0, 1, 1, 3}, cov[4];
  slevmar_bc_dif(line, q, y2, 2, 4, nullptr, nullptr, nullptr, 100, nullptr, nullptr, nullptr, cov, nullptr);
  EXPECT_NEAR(q[0], -0.1f, 1e-3);
  EXPECT_NEAR(q[1], 0.9f, 1e-3);
  const double s2 = 0.7 / 2, want[4] = {s2 * 14 / 20, -s2 * 6 / 20, -s2 * 6 / 20, s2 * 4 / 20};
  for (int k = 0; k < 4; k++) EXPECT_NEAR(cov[k], want[k], 3e-3) << k;
  EXPECT_EQ(cov[1], cov[2]);
}

int evalsOutside = 0;
void watchBounds(float *p, float *hx, int, int n, void *adata) {
  const float *box = static_cast<const float *>(adata);
  if (p[0] < box[0] || p[0] > box[1]) evalsOutside++;
  for (int i = 0; i < n; i++) hx[i] = p[0] - 3.0f * (i + 1);  // wants p above the box
}

TEST(NumLevmar, NeverEvaluatesOutsideTheBoxAndRejectsBadInput) {
  float box[2] = {-1.0f, 1.0f}, p[1] = {0.9f}, x[3] = {0, 0, 0};
  evalsOutside = 0;
  slevmar_bc_dif(watchBounds, p, x, 1, 3, &box[0], &box[1], nullptr, 100, nullptr, nullptr, nullptr,
                 nullptr, box);
  EXPECT_EQ(evalsOutside, 0);
  EXPECT_FLOAT_EQ(p[0], 1.0f);
  float lb[1] = {2.0f}, ub[1] = {1.0f};
  EXPECT_EQ(slevmar_bc_dif(rosen, p, x, 1, 2, lb, ub, nullptr, 10, nullptr, nullptr, nullptr,
                           nullptr, nullptr),
            LM_ERROR);
  auto nanFunc = [](float *, float *hx, int, int n, void *) {
    for (int i = 0; i < n; i++) hx[i] = std::nanf("");
  };
  float q[1] = {0.0f};
  EXPECT_EQ(slevmar_bc_dif(nanFunc, q, x, 1, 2, nullptr, nullptr, nullptr, 10, nullptr, nullptr,
                           nullptr, nullptr, nullptr),
            LM_ERROR);
}

#endif

// ---- nlsOpt ----

// Exponential decay y = A exp(-k t) + c sampled at 20 points.
struct Decay {
  std::vector<float> t, y;
  int calls = 0, badCount = 0;
  std::vector<std::vector<float>> seen;
};
Decay decay;

void decayRes(int pointCount, int coefCount, float *c, float *res) {
  decay.calls++;
  if (coefCount != 3 || pointCount != int(decay.t.size())) decay.badCount++;
  decay.seen.emplace_back(c, c + coefCount);
  for (int i = 0; i < pointCount; i++)
    res[i] = c[0] * std::exp(-c[1] * decay.t[i]) + c[2] - decay.y[i];
}

void makeDecay(float A, float k, float c) {
  decay = Decay();
  for (int i = 0; i < 20; i++) {
    float t = 0.25f * i;
    decay.t.push_back(t);
    decay.y.push_back(A * std::exp(-k * t) + c);
  }
}

struct NumNlsOpt : korim_test::Resetting<memoryReset> {
  static float *run(float *g, float *lo, float *hi, int itMax) {
    return nlsOpt(decayRes, 20, 3, g, lo, hi, 1e-8f, 4, itMax, 1000, 0.0f, nullptr, nullptr,
                  nullptr, nullptr, 0);
  }
};

TEST_F(NumNlsOpt, RespectsBoundsSwapsReversedOnesAndCentresTheStart) {
  makeDecay(5.0f, 1.3f, 0.5f);
  // Rate held below its true value; the upper pair is given reversed.
  float g[3] = {1.0f, 0.5f, 0.0f}, lo[3] = {0, 1.0f, -5}, hi[3] = {20, 0.8f, 5};
  float *r = run(g, lo, hi, 1000);
  EXPECT_EQ(std::pair(lo[1], hi[1]), std::pair(0.8f, 1.0f));  // swapped in the caller's arrays
  for (const auto &c : decay.seen) EXPECT_TRUE(c[1] >= 0.8f && c[1] <= 1.0f) << c[1];
  EXPECT_FLOAT_EQ(r[1], 1.0f);  // pressed against the bound nearest the truth
  unAlloc("nls", r, 12);

  // A start outside its bounds starts in their middle; the caller's guess is not changed.
  makeDecay(5.0f, 1.3f, 0.5f);
  float g2[3] = {7.0f, 1.3f, 0.5f}, lo2[3] = {1, 0, -5}, hi2[3] = {3, 10, 5};
  r = run(g2, lo2, hi2, 1000);
  ASSERT_FALSE(decay.seen.empty());
  EXPECT_EQ(decay.seen.front()[0], 2.0f);
  EXPECT_EQ(g2[0], 7.0f);
  unAlloc("nls", r, 12);
}

TEST_F(NumNlsOpt, FitsDecayWithAnyCoefficientFixed) {
  // Coefficient `fixed` (none: -1) held at its true value by equal bounds; the others are
  // free and must still be fitted, and every call sees all three coefficients.
  const float truth[3] = {5.0f, 1.3f, 0.5f};
  for (int fixed : {-1, 0, 1}) {
    makeDecay(5.0f, 1.3f, 0.5f);
    float g[3] = {1.0f, 0.2f, 2.0f}, lo[3] = {0, 0, -5}, hi[3] = {20, 10, 5};
    if (fixed >= 0) g[fixed] = lo[fixed] = hi[fixed] = truth[fixed];
    float *r = run(g, lo, hi, 1000);
    ASSERT_NE(r, g);
    for (const auto &c : decay.seen) EXPECT_TRUE(fixed < 0 || c[fixed] == truth[fixed]);
    EXPECT_EQ(decay.badCount, 0);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(r[k], truth[k], 1e-4) << fixed << " " << k;
    // The last residual call was made on the returned coefficients.
    EXPECT_EQ(decay.seen.back(), std::vector<float>(r, r + 3));
    unAlloc("nls", r, 12);
    EXPECT_EQ(memoryBytesUsed(), 0);  // the result, under "nls", was all that stayed
  }
}

TEST_F(NumNlsOpt, NothingFreeOrNoIterationsIsOneCallOnGuess) {
  makeDecay(5.0f, 1.3f, 0.5f);
  float g[3] = {9.0f, 1.0f, 0.0f}, lo[3] = {1, 1, 0}, hi[3] = {1, 1, 0};
  float *r = run(g, lo, hi, 1000);
  EXPECT_EQ(r, g);
  EXPECT_EQ(decay.calls, 1);
  // Called on the caller's guess, not on a centred copy.
  EXPECT_EQ(decay.seen[0], std::vector<float>({9.0f, 1.0f, 0.0f}));

  makeDecay(5.0f, 1.3f, 0.5f);
  float g2[3] = {1.0f, 0.5f, 0.0f}, lo2[3] = {0, 0, -5}, hi2[3] = {20, 10, 5};
  EXPECT_EQ(run(g2, lo2, hi2, 0), g2);
  EXPECT_EQ(decay.calls, 1);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(NumNlsOpt, FewerPointsThanFreeCoefficients) {
  // One residual, two free coefficients: c0 + c1 = 3 has many solutions;
  // the fit must end on one of them without failing.
  auto oneRes = [](int, int, float *c, float *res) { res[0] = c[0] + c[1] - 3.0f; };
  float g[2] = {0, 0}, lo[2] = {-10, -10}, hi[2] = {10, 10};
  float *r = nlsOpt(oneRes, 1, 2, g, lo, hi, 1e-8f, 4, 1000, 1000, 0, nullptr, nullptr, nullptr,
                    nullptr, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_NEAR(r[0] + r[1], 3.0f, 1e-4);
  unAlloc("nls", r, 8);
}

// ---- flag-switched Levenberg-Marquardt ----

// A Gaussian a1 exp(-((x - a2)/a3)^2). (The exact weighted line and its errors are fitted by
// the clean round of AllocationFailures.Numerics.)
void gaussModel(float x, float *a, float *ymod, float *dyda, int) {
  float arg = (x - a[2]) / a[3], ex = std::exp(-arg * arg);
  *ymod = a[1] * ex;
  dyda[1] = ex;
  dyda[2] = 2.0f * a[1] * ex * arg / a[3];
  dyda[3] = dyda[2] * arg;
}

TEST(NumMrq, HeldParameterStaysAndCovarianceIsSpread) {
  // Gaussian with its width held at the true value; amplitude and centre fit.
  float x[31], y[31], sig[31], a[4], guess[4] = {0, 2.0f, 0.3f, 1.5f}, err[4];
  int ia[4] = {0, 1, 1, 0};
  for (int i = 1; i <= 30; i++) {
    x[i] = -3.0f + 0.2f * i;
    float arg = (x[i] - 0.7f) / 1.5f;
    y[i] = 3.0f * std::exp(-arg * arg);
    sig[i] = 0.1f;
  }
  memoryReset();
  EXPECT_EQ(nonlinearfit(x, y, sig, 30, a, guess, ia, 3, gaussModel, err), 0);
  EXPECT_EQ(memoryBytesUsed(), 0);  // work arrays all given back
  EXPECT_NEAR(a[1], 3.0f, 1e-3);
  EXPECT_NEAR(a[2], 0.7f, 1e-3);
  EXPECT_EQ(std::pair(a[3], err[3]), std::pair(1.5f, 0.0f));  // held parameter: zero row and column
  EXPECT_TRUE(err[1] > 0 && err[2] > 0);
}

TEST(NumMrq, NotANumberModelEndsInsteadOfLooping) {
  auto bad = [](float, float *, float *ymod, float *dyda, int) {
    *ymod = std::nanf("");
    dyda[1] = 1.0f;
  };
  float x[3] = {0, 1, 2}, y[3] = {0, 1, 2}, sig[3] = {0, 1, 1}, a[2], guess[2] = {0, 1}, err[2];
  int ia[2] = {0, 1};
  korim_test::captureStderr([&] { EXPECT_EQ(nonlinearfit(x, y, sig, 2, a, guess, ia, 1, bad, err), 1); });
}

}  // namespace
