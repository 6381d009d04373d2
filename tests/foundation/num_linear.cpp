// Gauss-Jordan elimination, LU decomposition and the flat matrix inverse.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/gaussj.h"
#include "foundation/matinv.h"
#include "foundation/memory.h"
#include "foundation/nrutil.h"

using namespace korim::foundation;

namespace {

TEST(NumLinear, GaussjInverseAndSolution) {
  memoryReset();
  float **a = matrix(1, 2, 1, 2), **b = matrix(1, 2, 1, 1);
  a[1][1] = 2, a[1][2] = 0, a[2][1] = 0, a[2][2] = 4;
  b[1][1] = 2, b[2][1] = 4;
  gaussj(a, 2, b, 1);
  EXPECT_FLOAT_EQ(a[1][1], 0.5f);
  EXPECT_FLOAT_EQ(a[1][2], 0.0f);
  EXPECT_FLOAT_EQ(a[2][1], 0.0f);
  EXPECT_FLOAT_EQ(a[2][2], 0.25f);
  EXPECT_FLOAT_EQ(b[1][1], 1.0f);
  EXPECT_FLOAT_EQ(b[2][1], 1.0f);
  free_matrix(a, 1, 2, 1, 2);
  free_matrix(b, 1, 2, 1, 1);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST(NumLinear, GaussjNeedsPivotingAndTwoRightHandSides) {
  // [[0,1,2],[1,0,3],[4,-3,8]] (zero first pivot); inverse by cofactors:
  // det = -2, adjugate [[9,-14,3],[4,-8,2],[-3,4,-1]], so the inverse is
  // [[-4.5,7,-1.5],[-2,4,-1],[1.5,-2,0.5]].
  float A[3][3] = {{0, 1, 2}, {1, 0, 3}, {4, -3, 8}};
  float inv[3][3] = {{-4.5f, 7, -1.5f}, {-2, 4, -1}, {1.5f, -2, 0.5f}};
  float **a = matrix(1, 3, 1, 3), **b = matrix(1, 3, 1, 2);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) a[i][j] = A[i - 1][j - 1];
  // Right-hand sides A (1,2,3)^T and A (-1,0,1)^T.
  for (int i = 1; i <= 3; i++) {
    b[i][1] = A[i - 1][0] * 1 + A[i - 1][1] * 2 + A[i - 1][2] * 3;
    b[i][2] = -A[i - 1][0] + A[i - 1][2];
  }
  gaussj(a, 3, b, 2);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(a[i][j], inv[i - 1][j - 1], 1e-5);
  EXPECT_NEAR(b[1][1], 1, 1e-5);
  EXPECT_NEAR(b[2][1], 2, 1e-5);
  EXPECT_NEAR(b[3][1], 3, 1e-5);
  EXPECT_NEAR(b[1][2], -1, 1e-5);
  EXPECT_NEAR(b[2][2], 0, 1e-5);
  EXPECT_NEAR(b[3][2], 1, 1e-5);
  free_matrix(a, 1, 3, 1, 3);
  free_matrix(b, 1, 3, 1, 2);
}

TEST(NumLinear, GaussjSingularReportsAndReturns) {
  float **a = matrix(1, 2, 1, 2), **b = matrix(1, 2, 1, 1);
  for (int i = 1; i <= 2; i++) {
    a[i][1] = a[i][2] = 0;
    b[i][1] = 1;
  }
  testing::internal::CaptureStderr();
  gaussj(a, 2, b, 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Utility Error: gaussj: Singular Matrix-2\nAborting.\n"), std::string::npos);
  free_matrix(a, 1, 2, 1, 2);
  free_matrix(b, 1, 2, 1, 1);
}

TEST(NumLinear, MatInvHandInverses) {
  float x[4] = {1, 2, 3, 4}, xinv[4];
  ASSERT_EQ(matInv(2, x, xinv), 0);
  EXPECT_NEAR(xinv[0], -2.0f, 1e-6);
  EXPECT_NEAR(xinv[1], 1.0f, 1e-6);
  EXPECT_NEAR(xinv[2], 1.5f, 1e-6);
  EXPECT_NEAR(xinv[3], -0.5f, 1e-6);
  // Not symmetric, so a transposed result would be caught.
  float y[9] = {0, 1, 2, 1, 0, 3, 4, -3, 8}, yinv[9];
  float expect[9] = {-4.5f, 7, -1.5f, -2, 4, -1, 1.5f, -2, 0.5f};
  ASSERT_EQ(matInv(3, y, yinv), 0);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(yinv[k], expect[k], 1e-5) << k;
  matInvFree();
}

TEST(NumLinear, MatInvZeroColumnAndZeroRow) {
  float x[4] = {1, 0, 2, 0}, xinv[4] = {9, 9, 9, 9};  // column 2 all zero
  EXPECT_EQ(matInv(2, x, xinv), 1);
  for (float v : xinv) EXPECT_EQ(v, 0.0f);
  float r[4] = {0, 0, 1, 2}, rinv[4];  // row 1 all zero: not detected
  EXPECT_EQ(matInv(2, r, rinv), 0);
  matInvFree();
}

TEST(NumLinear, LuDecomposeParityAndSolve) {
  float **a = matrix(1, 3, 1, 3);
  float A[3][3] = {{0, 1, 2}, {1, 0, 3}, {4, -3, 8}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) a[i][j] = A[i - 1][j - 1];
  int *indx = ivector(1, 3);
  float *vv = vector(1, 3), *b = vector(1, 3), d = 0;
  ASSERT_EQ(luDecompose(a, 3, indx, vv, &d), 0);
  // Determinant = d * product of the diagonal of U = -2.
  EXPECT_NEAR(d * a[1][1] * a[2][2] * a[3][3], -2.0f, 1e-5);
  // b = A's first column (0, 1, 4), so x = (1, 0, 0); the leading zero
  // exercises the skip of the forward pass.
  b[1] = 0;
  b[2] = 1;
  b[3] = 4;
  luSolve(a, 3, indx, b);
  for (int i = 1; i <= 3; i++) EXPECT_NEAR(b[i], i == 1 ? 1.0f : 0.0f, 1e-5) << i;
  for (int j = 1; j <= 3; j++) a[2][j] = 0;
  EXPECT_EQ(luDecompose(a, 3, indx, vv, &d), 1);
  free_matrix(a, 1, 3, 1, 3);
  free_ivector(indx, 1, 3);
  free_vector(vv, 1, 3);
  free_vector(b, 1, 3);
}

TEST(NumLinear, MatInvWorkSetGrowsOnlyAndFailsCleanly) {
  memoryReset();
  ASSERT_EQ(matInvInit(5), 0);
  long long five = memoryBytesUsed();
  ASSERT_EQ(matInvInit(3), 0);
  EXPECT_EQ(memoryBytesUsed(), five);  // kept
  matInvFree();
  EXPECT_EQ(memoryBytesUsed(), 0);
  // Order 2: 2 tables + 4 rows + 3 vectors = 9 allocations.
  for (int n = 1; n <= 9; n++) {
    memoryReset();
    memoryFailAt(n);
    testing::internal::CaptureStderr();
    float x[4] = {1, 2, 3, 4}, xi[4];
    EXPECT_EQ(matInv(2, x, xi), 1) << n;
    testing::internal::GetCapturedStderr();
    EXPECT_LE(memoryBytesUsed(), 3 * (long long)sizeof(float *)) << n;
  }
  memoryReset();
}

}  // namespace
