// Offset arrays of both allocators, their accounting and the small helpers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "foundation/tqutil.h"

using namespace korim::foundation;

namespace {

class NumArrays : public ::testing::Test {
 protected:
  void SetUp() override { memoryReset(); }
  void TearDown() override { memoryReset(); }
};

TEST_F(NumArrays, VectorIndicesAndBalancedAccounting) {
  long long before = memoryBytesUsed();
  float *v = vector(1, 3);
  ASSERT_NE(v, nullptr);
  v[1] = 1.5f;
  v[2] = 2.5f;
  v[3] = 3.5f;  // ASan catches an index outside the block
  EXPECT_FLOAT_EQ(v[1] + v[2] + v[3], 7.5f);
  EXPECT_GT(memoryBytesUsed(), before);
  free_vector(v, 1, 3);
  EXPECT_EQ(memoryBytesUsed(), before);

  double *d = dvector(-2, 2);  // negative lower bound
  ASSERT_NE(d, nullptr);
  for (int i = -2; i <= 2; i++) d[i] = i * 0.1;
  EXPECT_DOUBLE_EQ(d[-2] + d[2], 0.0);
  free_dvector(d, -2, 2);
  int *iv = ivector(0, 4);
  ASSERT_NE(iv, nullptr);
  iv[0] = 7;
  iv[4] = 9;
  EXPECT_EQ(iv[0] + iv[4], 16);
  free_ivector(iv, 0, 4);
  EXPECT_EQ(memoryBytesUsed(), before);
  free_vector(nullptr, 1, 3);  // null does nothing
  EXPECT_EQ(memoryBytesUsed(), before);
}

TEST_F(NumArrays, MatrixRowsAreSeparateAndReleasedInReverse) {
  long long before = memoryBytesUsed();
  float **m = matrix(1, 2, 1, 3);
  ASSERT_NE(m, nullptr);
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 3; j++) m[i][j] = 10.0f * i + j;
  EXPECT_FLOAT_EQ(m[2][3], 23.0f);
  EXPECT_FLOAT_EQ(m[1][1], 11.0f);
  char row1[32], row2[32], table[32];
  std::snprintf(row1, sizeof row1, "Free: %p", static_cast<void *>(&m[1][1]));
  std::snprintf(row2, sizeof row2, "Free: %p", static_cast<void *>(&m[2][1]));
  std::snprintf(table, sizeof table, "Free: %p", static_cast<void *>(m));
  setAlloc(1);
  testing::internal::CaptureStderr();
  free_matrix(m, 1, 2, 1, 3);
  std::string trace = testing::internal::GetCapturedStderr();
  setAlloc(0);
  // Row 2, then row 1, then the row table: three DEALLOC lines under "nr".
  size_t p2 = trace.find(row2), p1 = trace.find(row1), pt = trace.find(table);
  ASSERT_NE(p2, std::string::npos);
  EXPECT_LT(p2, p1);
  EXPECT_LT(p1, pt);
  int count = 0;
  for (size_t p = trace.find("DEALLOC Name: nr"); p != std::string::npos;
       p = trace.find("DEALLOC Name: nr", p + 1))
    count++;
  EXPECT_EQ(count, 3);
  EXPECT_EQ(memoryBytesUsed(), before);
  free_matrix(nullptr, 1, 2, 1, 3);
  free_dmatrix(nullptr, 1, 2, 1, 3);
  EXPECT_EQ(memoryBytesUsed(), before);

  double **dm = dmatrix(0, 2, 1, 2);
  int **im = imatrix(1, 3, 0, 0);
  ASSERT_NE(dm, nullptr);
  ASSERT_NE(im, nullptr);
  dm[0][1] = 1.0;
  dm[2][2] = 2.0;
  im[3][0] = 5;
  EXPECT_EQ(dm[0][1] + dm[2][2], 3.0);
  EXPECT_EQ(im[3][0], 5);
  free_dmatrix(dm, 0, 2, 1, 2);
  free_imatrix(im, 1, 3, 0, 0);
  EXPECT_EQ(memoryBytesUsed(), before);
}

TEST_F(NumArrays, ConvertMatrixViewsCallerArray) {
  float a[6] = {1, 2, 3, 4, 5, 6};
  float **m = convert_matrix(a, 1, 2, 1, 3);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(&m[2][1], &a[3]);
  EXPECT_FLOAT_EQ(m[1][1], 1.0f);
  EXPECT_FLOAT_EQ(m[2][3], 6.0f);
  free_convert_matrix(m, 1, 2, 1, 3);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(NumArrays, AllocationFailuresReportAndReturnNull) {
  memoryFailAt(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(vector(1, 4), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Utility Error: allocation failure in vector()\nAborting.\n"), std::string::npos);

  // Matrix: the table (call 1) and each row (calls 2, 3) can fail; what was
  // made is given back, so only the failed request (which the allocator
  // counts before asking the system) stays counted: a table of rows 1..2 or
  // one row of floats 1..3.
  const long long failedBytes[] = {2 * (long long)sizeof(float *), 12, 12};
  const char *msgs[] = {"allocation failure 1 in matrix()", "allocation failure 2 in matrix()",
                        "allocation failure 2 in matrix()"};
  for (int n = 1; n <= 3; n++) {
    memoryReset();
    memoryFailAt(n);
    testing::internal::CaptureStderr();
    float **m = matrix(1, 2, 1, 3);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(m, nullptr) << n;
    EXPECT_NE(err.find(msgs[n - 1]), std::string::npos) << n;
    EXPECT_EQ(memoryBytesUsed(), failedBytes[n - 1]) << n;
  }
  memoryReset();
  memoryFailAt(2);
  testing::internal::CaptureStderr();
  EXPECT_EQ(dmatrix(1, 2, 1, 2), nullptr);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("allocation failure 2 in dmatrix()"), std::string::npos);
}

TEST_F(NumArrays, NrerrorTextExactly) {
  testing::internal::CaptureStderr();
  nrerror("gaussj: Singular Matrix-1");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Utility Error: gaussj: Singular Matrix-1\nAborting.\n");
}

TEST(NumTqutil, ContiguousMatrixAndVectors) {
  float **m = matrixTq(1, 2, 1, 3);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(&m[2][1], &m[1][1] + 3);  // rows follow each other in one block
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 3; j++) m[i][j] = float(i * j);
  EXPECT_FLOAT_EQ(m[2][3], 6.0f);
  free_matrixTq(m, 1, 2, 1, 3);
  float **m0 = matrixTq(0, 1, 5, 6);  // column range not starting at 0 or 1
  ASSERT_NE(m0, nullptr);
  m0[0][5] = 1.0f;
  m0[1][6] = 2.0f;
  EXPECT_EQ(&m0[1][5], &m0[0][5] + 2);
  free_matrixTq(m0, 0, 1, 5, 6);

  float *v = vectorTq(1, 4);
  int *iv = ivectorTq(0, 2);
  ASSERT_NE(v, nullptr);
  ASSERT_NE(iv, nullptr);
  v[1] = v[4] = 2.0f;
  iv[0] = iv[2] = 3;
  EXPECT_FLOAT_EQ(v[1] * v[4], 4.0f);
  EXPECT_EQ(iv[0] + iv[2], 6);
  free_vectorTq(v, 1, 4);
  free_ivectorTq(iv, 0, 2);
}

TEST(NumTqutil, HelpersAndTheirTexts) {
  double r1[4] = {0, 1, 2, 3}, r2[4] = {0, 4, 5, 6};
  EXPECT_DOUBLE_EQ(dot_product(r1, r2), 32.0);
  double r3[4] = {99, 2, 3, 6};
  EXPECT_DOUBLE_EQ(norm_vector(r3), 7.0);  // element 0 ignored
  EXPECT_EQ(Gleich("CA", "CA"), 1);
  EXPECT_EQ(Gleich("CA", "CB"), 0);

  double rows[4][4] = {};
  double *M[4] = {rows[0], rows[1], rows[2], rows[3]};
  for (auto &r : rows)
    for (double &x : r) x = 7.0;
  Matrix_Initialisierung(M, 1, 3, 1, 3, 0.0);
  double sum = 0;
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) sum += M[i][j];
  EXPECT_EQ(sum, 0.0);
  EXPECT_EQ(M[0][0], 7.0);
  EXPECT_EQ(M[1][0], 7.0);

  testing::internal::CaptureStdout();
  M[0][0] = 1.5;
  M[0][1] = -0.25;
  print_matrix(M, 1, 2);
  KontrollMeldung("done");
  KontrollMeldung_Lesen("x.tab");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " 1.500000  -0.250000  \ndone\n'x.tab' is being read in...\n");
}

TEST(NumTqutilDeath, MissingFileIsFatal) {
  EXPECT_EXIT(nerror_datei("pka.tab"), ::testing::ExitedWithCode(1),
              "run-time errror...\n'pka.tab' - There is no such file!\n...now exiting to system...");
}

}  // namespace
