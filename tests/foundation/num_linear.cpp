// Gauss-Jordan elimination, LU decomposition and the flat matrix inverse.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/gaussj.h"
#include "foundation/matinv.h"
#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "tests/support/capture.h"

using namespace korim::foundation;

namespace {

// [[0,1,2],[1,0,3],[4,-3,8]] (zero first pivot, not symmetric); inverse by
// cofactors: det = -2, adjugate [[9,-14,3],[4,-8,2],[-3,4,-1]].
const float kA[3][3] = {{0, 1, 2}, {1, 0, 3}, {4, -3, 8}};
const float kInv[3][3] = {{-4.5f, 7, -1.5f}, {-2, 4, -1}, {1.5f, -2, 0.5f}};

// A 1-based copy of kA.
float **matrixA() {
  float **a = matrix(1, 3, 1, 3);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) a[i][j] = kA[i - 1][j - 1];
  return a;
}

TEST(NumLinear, GaussjInvertsWithPivotingAndSolvesTwoRightHandSides) {
  memoryReset();
  float **a = matrixA(), **b = matrix(1, 3, 1, 2);
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
  free_matrix(a, 1, 3, 1, 3);
  free_matrix(b, 1, 3, 1, 2);
  EXPECT_EQ(memoryBytesUsed(), 0);

  float **z = matrix(1, 2, 1, 2), **zb = matrix(1, 2, 1, 1);
  for (int i = 1; i <= 2; i++) z[i][1] = z[i][2] = 0, zb[i][1] = 1;
  std::string err = korim_test::captureStderr([&] { gaussj(z, 2, zb, 1); });
  EXPECT_NE(err.find("Utility Error: gaussj: Singular Matrix-2\nAborting.\n"), std::string::npos);
  free_matrix(z, 1, 2, 1, 2);
  free_matrix(zb, 1, 2, 1, 1);
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
  float **a = matrixA();
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

}  // namespace
