// Dense linear algebra: SVD and the least-squares solvers on it, Gauss-Jordan, LU and the flat
// inverse, eigensystems of symmetric 3x3 matrices and the eigenpair orderings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/diag3.h"
#include "foundation/gaussj.h"
#include "foundation/jacobitq.h"
#include "foundation/matinv.h"
#include "foundation/memory.h"
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
  EXPECT_NEAR(x[1], 1.0f, 1e-5);
  EXPECT_NEAR(x[2], -1.0f, 1e-5);
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

TEST_F(NumSvd, CovarianceIsInverseNormalMatrix) {
  // For X = [[1,0],[1,1],[1,2]]: X^T X = [[3,3],[3,5]], inverse by hand
  // [[5,-3],[-3,3]]/6.
  float x[6] = {1, 0, 1, 1, 1, 2}, y[3] = {1, 3, 5}, coef[2], covar[4];
  ASSERT_EQ(svdLSMat(x, y, 3, 2, coef, covar, 1), 0);
  EXPECT_NEAR(coef[0], 1.0f, 1e-5);
  EXPECT_NEAR(coef[1], 2.0f, 1e-5);
  const double inverse[4] = {5.0 / 6, -0.5, -0.5, 0.5};
  for (int k = 0; k < 4; k++) EXPECT_NEAR(covar[k], inverse[k], 1e-5) << k;
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
  EXPECT_NEAR(coef[0], 1.0f, 1e-5);
  EXPECT_NEAR(coef[1], 1.0f, 1e-5);
  // Fewer rows than coefficients: minimum-norm solution of 1 equation.
  float x1[3] = {1, 2, 2}, y1[1] = {9}, c3[3];
  ASSERT_EQ(svdLSMat(x1, y1, 1, 3, c3, nullptr, 1), 0);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(c3[k], x1[k], 1e-5) << k;  // x1 / |x1|^2 * 9
}

TEST_F(NumSvd, OneCoefficientClosedForm) {
  float x[2] = {1, 2}, y[2] = {2, 4}, coef[1], covar[1];
  ASSERT_EQ(svdLSMat(x, y, 2, 1, coef, covar, 1), 0);
  EXPECT_FLOAT_EQ(coef[0], 2.0f);
  EXPECT_FLOAT_EQ(covar[0], 0.2f);  // 1 / (1 + 4)
  // Not a perfect fit: sum(xy)/sum(x^2) = (3 + 2)/(1 + 4) = 1.
  float y2[2] = {3, 1};
  ASSERT_EQ(svdLSMat(x, y2, 2, 1, coef, nullptr, 1), 0);
  EXPECT_FLOAT_EQ(coef[0], 1.0f);
  float z[2] = {0, 0};
  ASSERT_EQ(svdLSMat(z, y, 2, 1, coef, covar, 1), 0);
  EXPECT_EQ(coef[0], 0.0f);
}

TEST_F(NumSvd, PolynomialAndBasisFits) {
  // Three exact points of 1 - 2x + 0.5x^2.
  float x[3] = {-1, 0.5f, 2}, y[3], coef[3];
  for (int i = 0; i < 3; i++) y[i] = 1 - 2 * x[i] + 0.5f * x[i] * x[i];
  ASSERT_EQ(svdPoly(x, y, 3, 2, coef), 0);
  const float poly[3] = {1, -2, 0.5f};
  for (int k = 0; k < 3; k++) EXPECT_NEAR(coef[k], poly[k], 1e-5) << k;
  // Least squares line through (0,0),(1,1),(2,1),(3,3): slope 0.9, intercept -0.1
  // (hand sums: n=4, Sx=6, Sy=5, Sxx=14, Sxy=12).
  float xl[4] = {0, 1, 2, 3}, yl[4] = {0, 1, 1, 3}, cl[2];
  ASSERT_EQ(svdPoly(xl, yl, 4, 1, cl), 0);
  EXPECT_NEAR(cl[0], -0.1f, 1e-5);
  EXPECT_NEAR(cl[1], 0.9f, 1e-5);

  // y = 3 cos(x) - sin(2x) in the basis f(1)=cos x, f(2)=sin 2x.
  auto basis = [](int k, float t) -> float { return k == 1 ? std::cos(t) : std::sin(2 * t); };
  float xs[6], ys[6], cf[2];
  for (int i = 0; i < 6; i++) {
    xs[i] = 0.4f * i;
    ys[i] = 3 * std::cos(xs[i]) - std::sin(2 * xs[i]);
  }
  ASSERT_EQ(svdPolyInit(6, 1), 0);
  ASSERT_EQ(svdFunc(xs, ys, 6, 1, cf, basis), 0);
  EXPECT_NEAR(cf[0], 3.0f, 1e-5);
  EXPECT_NEAR(cf[1], -1.0f, 1e-5);
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
  // (The 2x2 inverse is the clean round of AllocationFailures.Numerics.)
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
  for (int j = 1; j <= 3; j++) a[2][j] = 0;
  EXPECT_EQ(luDecompose(a, 3, indx, vv, &d), 1);
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

}  // namespace
