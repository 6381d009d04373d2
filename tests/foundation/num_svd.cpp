// SVD decompositions and the least-squares solvers built on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "foundation/svbkspd.h"
#include "foundation/svdcmpd.h"
#include "foundation/svdpoly.h"
#include "tests/support/capture.h"

using namespace korim::foundation;

namespace {

class NumSvd : public ::testing::Test {
 protected:
  void SetUp() override {
    memoryReset();
    svdPolyFree();
  }
  void TearDown() override {
    svdPolyFree();
    memoryReset();
  }
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
  float **a = matrix(1, 3, 1, 2), **v = matrix(1, 2, 1, 2);
  float *w = vector(1, 2), *rv1 = vector(1, 2);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 2; j++) a[i][j] = float(A[i - 1][j - 1]);
  EXPECT_EQ(svdcmpUser(a, 3, 2, w, v, rv1), 0);
  std::vector<float> ws = {w[1], w[2]};
  std::sort(ws.begin(), ws.end());
  EXPECT_NEAR(ws[0], 3.0f, 1e-5);
  EXPECT_NEAR(ws[1], 5.0f, 1e-5);
  expectFactorisation(A, a, w, v, 3, 2, 1e-5);
  // Back-substitution of b = A (1, -1) = (1, -1, 4) gives (1, -1) again.
  float b[4] = {0, 1, -1, 4}, x[3], tmp[3];
  EXPECT_EQ(svbksbUser(a, w, v, 3, 2, b, x, tmp), 0);
  EXPECT_NEAR(x[1], 1.0f, 1e-5);
  EXPECT_NEAR(x[2], -1.0f, 1e-5);
  free_matrix(a, 1, 3, 1, 2);
  free_matrix(v, 1, 2, 1, 2);
  free_vector(w, 1, 2);
  free_vector(rv1, 1, 2);
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
  double **a = dmatrix(1, m, 1, n), **v = dmatrix(1, n, 1, n);
  double *w = dvector(1, n), *rv1 = dvector(1, n), *b = dvector(1, m), *x = dvector(1, n),
         *tmp = dvector(1, n);
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
    expectFactorisation(A, a, w, v, m, n, 1e-12);
    svbksbd(a, w, v, m, n, b, x, tmp);
    for (int j = 1; j <= n; j++) EXPECT_NEAR(x[j], xTrue[j], 1e-12);
  }
  free_dmatrix(a, 1, m, 1, n);
  free_dmatrix(v, 1, n, 1, n);
  for (double *p : {w, rv1, x, tmp}) free_dvector(p, 1, n);
  free_dvector(b, 1, m);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(NumSvd, DoubleRejectsWideMatrixOnce) {
  double **a = dmatrix(1, 2, 1, 3), **v = dmatrix(1, 3, 1, 3);
  double *w = dvector(1, 3), *rv1 = dvector(1, 3);
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 3; j++) a[i][j] = i + j;
  EXPECT_EQ(korim_test::captureStderr([&] { svdcmpd(a, 2, 3, w, v, rv1); }), "SVD Error: bad matrix size.\n");
  free_dmatrix(a, 1, 2, 1, 3);
  free_dmatrix(v, 1, 3, 1, 3);
  free_dvector(w, 1, 3);
  free_dvector(rv1, 1, 3);
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
  for (int i = 0; i < 5; i++)
    for (int j = 0; j < 5; j++) EXPECT_FLOAT_EQ(covar[i * 5 + j], covar[j * 5 + i]);
  for (int k = 0; k < 5; k++) EXPECT_GT(covar[k * 6], 0.0f);

  // A new y with initFlag 0 reuses the decomposition and leaves covar alone.
  std::vector<float> y2(n);
  for (int i = 0; i < n; i++) y2[i] = 2.0f * y[i];
  float mark[25];
  for (float &c : mark) c = -7.0f;
  ASSERT_EQ(svdLSMat(X.data(), y2.data(), n, 5, coef, mark, 0), 0);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(coef[k], 2 * s[k], 4e-8) << k;
  for (float c : mark) EXPECT_EQ(c, -7.0f);
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
  EXPECT_EQ(memoryBytesUsed(), 0);  // the closed form touches no cache
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

}  // namespace
