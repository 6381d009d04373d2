// Offset arrays of both allocators, their accounting and the small helpers.
#include <gtest/gtest.h>

#include <string>

#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "foundation/tqutil.h"
#include "tests/support/capture.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

class NumArrays : public ::testing::Test {
 protected:
  void SetUp() override { memoryReset(); }
  void TearDown() override { memoryReset(); }
};

// Every index of the ranges is written (ASan catches one outside the block) and the books
// return to zero after the matching releases. (The vectors are offsetAlloc's, whose ranges
// Memory.OffsetArraysCountOnlyTheirElements checks.)
TEST_F(NumArrays, OffsetIndicesAndBalancedAccounting) {
  free_vector(nullptr, 1, 3);  // null does nothing
  double **dm = dmatrix(0, 2, 1, 2);
  int **im = imatrix(1, 3, 0, 0);
  ASSERT_TRUE(dm && im);
  dm[0][1] = dm[2][2] = 1.0;
  im[3][0] = 5;
  free_dmatrix(dm, 0, 2, 1, 2);
  free_imatrix(im, 1, 3, 0, 0);
  free_matrix(nullptr, 1, 2, 1, 3);
  free_dmatrix(nullptr, 1, 2, 1, 3);
  EXPECT_EQ(memoryBytesUsed(), 0);

  float a[6] = {1, 2, 3, 4, 5, 6};
  float **c = convert_matrix(a, 1, 2, 1, 3);  // a view of the caller's array
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(&c[2][1], &a[3]);
  EXPECT_EQ(c[1][1], 1.0f);
  EXPECT_EQ(c[2][3], 6.0f);
  free_convert_matrix(c, 1, 2, 1, 3);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST(NumTqutil, ContiguousArraysHelpersAndTheirTexts) {
  float **m = matrixTq(0, 1, 5, 6);  // column range not starting at 0 or 1
  ASSERT_NE(m, nullptr);
  m[0][5] = 1.0f;
  m[1][6] = 2.0f;
  EXPECT_EQ(&m[1][5], &m[0][5] + 2);  // rows follow each other in one block
  free_matrixTq(m, 0, 1, 5, 6);
  float *v = vectorTq(1, 4);
  int *iv = ivectorTq(0, 2);
  ASSERT_TRUE(v && iv);
  v[1] = v[4] = 2.0f;
  iv[0] = iv[2] = 3;
  free_vectorTq(v, 1, 4);
  free_ivectorTq(iv, 0, 2);

  double r1[4] = {0, 1, 2, 3}, r2[4] = {0, 4, 5, 6}, r3[4] = {99, 2, 3, 6};
  EXPECT_DOUBLE_EQ(dot_product(r1, r2), 32.0);
  EXPECT_DOUBLE_EQ(norm_vector(r3), 7.0);  // element 0 ignored

  double rows[4][4];
  double *M[4] = {rows[0], rows[1], rows[2], rows[3]};
  for (auto &r : rows)
    for (double &x : r) x = 7.0;
  Matrix_Initialisierung(M, 1, 3, 1, 3, 0.0);
  for (int i = 0; i <= 3; i++)
    for (int j = 0; j <= 3; j++) EXPECT_EQ(M[i][j], i && j ? 0.0 : 7.0) << i << j;
  M[0][0] = 1.5;
  M[0][1] = -0.25;
  EXPECT_EQ(korim_test::captureStdout([&] {
              print_matrix(M, 1, 2);
              KontrollMeldung("done");
              KontrollMeldung_Lesen("x.tab");
            }),
            " 1.500000  -0.250000  \ndone\n'x.tab' is being read in...\n");
}

TEST(NumTqutilDeath, MissingFileIsFatal) {
  EXPECT_EXIT(nerror_datei("pka.tab"), ::testing::ExitedWithCode(1),
              "run-time errror...\n'pka.tab' - There is no such file!\n...now exiting to system...");
}

}  // namespace

TEST(NumArraysDeathTest, TqerrorEndsTheProcessWithStatusOne) {
  EXPECT_EXIT(tqerror("allocation failure for indexList"), ::testing::ExitedWithCode(1),
              "^Numerical Recipes run-time error\\.\\.\\.\nallocation failure for indexList\n"
              "\\.\\.\\.now exiting to system\\.\\.\\.\n$");
}
