// Tests of the tagged allocator and the offset arrays over it: accounting, exact trace lines,
// views, failure hook, the fatal error routines.
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "foundation/tqutil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

template <typename... Args>
std::string fmt(const char *f, Args... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, f, args...);
    return buf;
}

// What fn() writes on stderr with the trace switched on.
template <typename Fn>
std::string traced(Fn fn) {
    setAlloc(1);
    std::string out = captureStderr(fn);
    setAlloc(0);
    return out;
}

using Memory = korim_test::Resetting<memoryReset>;

}  // namespace

TEST_F(Memory, CountsElementSizesAndShowsReusedThenInUse) {
    const long long lng = sizeof(long);
    ASSERT_TRUE(fltAlloc("t", 10) && dFltAlloc("t", 5) && dIntAlloc("t", 2) && charMalloc("t", 7) && voidMalloc("t", 9));
    EXPECT_EQ(memoryBytesUsed(), 40 + 40 + 2 * lng + 7 + 9);
    memoryReset();
    int *a = intAlloc("s", 2);
    a = intReAlloc("s", a, 3, 2);
    EXPECT_EQ(captureStderr([] { EXPECT_EQ(showAlloc(), 0); }), "REMARK Memory Allocation Status. Reused: 8 In Use: 12\n");
}

TEST_F(Memory, TraceLinesAreExact) {
    float *f = nullptr;
    std::string got = traced([&] {
        f = fltAlloc("abc", 6);
        unAlloc("abc", f, 24);
        unAlloc("abc", nullptr, 8);
    });
    EXPECT_EQ(got, fmt("\n_MEM FLT_ALLOC Name: abc Alloc: %p Add: 24 Now: 24\n", f) +
                       fmt("\n_MEM DEALLOC Name: abc Free: %p Delete: 24 Now: 0 Reused: 0\n", f) +
                       fmt("\n_MEM NOOP_AL Name: abc Free: %p Delete: 8 Now: 0 Reused: 0\n", nullptr));
}

TEST_F(Memory, ViewsOfAFlatBlock) {
    float flat[2 * 3 * 4 * 5];
    for (int k = 0; k < 120; ++k) flat[k] = (float)k;
    float ****v4 = mat2Ptr4D(flat, 4, 3, 2, 5);
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4[4][1][2][3], ((4 * 2 + 1) * 3 + 2) * 4 + 3);
    matPtrFree4D(v4, 4, 3, 2, 5);

    // Releasing a 4-D view stops at its first null entry.
    memoryReset();
    v4 = mat2Ptr4D(flat, 4, 3, 3, 1);
    ASSERT_TRUE(v4);
    v4[0][1] = nullptr;
    matPtrFree4D(v4, 4, 3, 3, 1);
    EXPECT_EQ(memoryBytesUsed(), 6 * (long long)sizeof(void *));  // row lists (0,1) and (0,2) stay counted
}

TEST_F(Memory, FailedAndRefusedRequests) {
    memoryFailAt(2);
    EXPECT_NE(intAlloc("f", 1), nullptr);
    EXPECT_EQ(captureStderr([] { EXPECT_EQ(dFltAlloc("f", 3), nullptr); }), "Memory allocation failure.\n");
    EXPECT_EQ(memoryBytesUsed(), 4 + 24);   // the failed request is counted
    EXPECT_NE(dFltAlloc("f", 1), nullptr);  // the hook is one-shot
    // A negative length is refused without counting.
    memoryReset();
    EXPECT_EQ(captureStderr([] {
                  EXPECT_EQ(fltAlloc("n", -3), nullptr);
                  EXPECT_EQ(matAlloc("n", -1, 4), nullptr);
              }),
              "Memory allocation failure.\nMemory allocation failure.\n");
    EXPECT_EQ(memoryBytesUsed(), 0);
}

// Offset arrays count exactly their nh-nl+1 elements, trace the address of
// element nl, and every index nl..nh lies in the block (ASan checks the writes).
TEST_F(Memory, OffsetArraysCountOnlyTheirElements) {
    float *v = nullptr;
    std::string got = traced([&] { v = static_cast<float *>(offsetAlloc("nr", "FLT_ALLOC", 4, 1, 3)); });
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(got, fmt("\n_MEM FLT_ALLOC Name: nr Alloc: %p Add: 12 Now: 12\n", &v[1]));
    v[1] = v[3] = 1.0f;
    double *d = static_cast<double *>(offsetAlloc("nr", "DBL_ALLOC", 8, -2, 2));
    double *far = static_cast<double *>(offsetAlloc("nr", "DBL_ALLOC", 8, 7, 8));
    ASSERT_TRUE(d && far);
    for (int i = -2; i <= 2; ++i) d[i] = i;
    far[7] = far[8] = 1.0;
    EXPECT_EQ(memoryBytesUsed(), 12 + 40 + 16);
    unAlloc("nr", &v[1], 12);
    unAlloc("nr", &d[-2], 40);
    unAlloc("nr", &far[7], 16);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

// Every index of the ranges is written (ASan catches one outside the block) and the books
// return to zero after the matching releases. (The vectors are offsetAlloc's, whose ranges
// Memory.OffsetArraysCountOnlyTheirElements checks.)
TEST_F(Memory, OffsetMatricesViewsAndBalancedAccounting) {
    double **dm = dmatrix(0, 2, 1, 2);
    ASSERT_TRUE(dm);
    dm[0][1] = dm[2][2] = 1.0;
    free_dmatrix(dm, 0, 2, 1, 2);
    free_matrix(nullptr, 1, 2, 1, 3);  // null does nothing
    EXPECT_EQ(memoryBytesUsed(), 0);

    float a[6] = {1, 2, 3, 4, 5, 6};
    float **c = convert_matrix(a, 1, 2, 1, 3);  // a view of the caller's array
    ASSERT_TRUE(c && &c[2][1] == &a[3]);
    free_convert_matrix(c, 1, 2, 1, 3);
    EXPECT_EQ(memoryBytesUsed(), 0);

    float **m = matrixTq(0, 1, 5, 6);  // column range not starting at 0 or 1
    ASSERT_NE(m, nullptr);
    m[0][5] = m[1][6] = 1.0f;
    EXPECT_EQ(&m[1][5], &m[0][5] + 2);  // rows follow each other in one block
    free_matrixTq(m, 0, 1, 5, 6);
}

// Counts as checked products: the exact product up to the limit, -1 past it however far (even
// past 64 bits) and for a negative factor; a zero factor gives 0 whatever the others are.
TEST(CheckedCount, ProductsUpToTheLimitAndRefusalsPastIt) {
  using korim::foundation::checkedCount;
  const struct { std::initializer_list<long long> f; long long limit, want; } cases[] = {
      {{536870911, 4}, INT_MAX, 2147483644}, {{536870912, 4}, INT_MAX, -1},
      {{65536, 65536}, INT_MAX, -1},         {{65536, 65536}, LLONG_MAX, 4294967296LL},
      {{INT_MAX, INT_MAX, INT_MAX}, LLONG_MAX, -1}, {{LLONG_MAX, 0, LLONG_MAX}, INT_MAX, 0},
      {{-5, 4}, INT_MAX, -1},                {{}, INT_MAX, 1}};
  for (const auto &c : cases) EXPECT_EQ(checkedCount(c.f, c.limit), c.want) << c.want;
}

// Counts held as doubles, as messages print them: every digit while exact, four digits beyond
// (58! = 2.3506e78).
TEST(CheckedCount, CountsPrintEveryDigitOnlyWhileExact) {
  using korim::foundation::countText;
  EXPECT_EQ(countText(479001600.0), "479001600");
  EXPECT_EQ(countText(9007199254740991.0), "9007199254740991");
  EXPECT_EQ(countText(2.3506147236049e78), "2.351e+78");
}

TEST(MemoryDeathTest, FatalRoutinesEndTheProcessWithStatusOne) {
    EXPECT_EXIT(tqerror("allocation failure for indexList"), ::testing::ExitedWithCode(1),
                "^Numerical Recipes run-time error\\.\\.\\.\nallocation failure for indexList\n"
                "\\.\\.\\.now exiting to system\\.\\.\\.\n$");
    EXPECT_EXIT(nerror_datei("pka.tab"), ::testing::ExitedWithCode(1),
                "run-time errror...\n'pka.tab' - There is no such file!\n...now exiting to system...");
}
