// Tests of the tagged allocator: accounting, exact trace lines, views, failure hook.
#include "foundation/memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/capture.h"

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

size_t count(const std::string &text, const std::string &word) {
    size_t n = 0;
    for (size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
    return n;
}

class Memory : public testing::Test {
  protected:
    void SetUp() override { memoryReset(); }
    void TearDown() override { memoryReset(); }
};

}  // namespace

TEST_F(Memory, PlainAllocatorsCountElementSizes) {
    const long long lng = sizeof(long);
    float *f = fltAlloc("t", 10);
    int *i = intAlloc("t", 3);
    double *d = dFltAlloc("t", 5);
    long *l = dIntAlloc("t", 2);
    char *c = charMalloc("t", 7);
    void *v = voidMalloc("t", 9);
    ASSERT_TRUE(f && i && d && l && c && v);
    EXPECT_EQ(memoryBytesUsed(), 40 + 12 + 40 + 2 * lng + 7 + 9);
    for (void *p : {(void *)f, (void *)d}) unAlloc("t", p, 40);
    unAlloc("t", l, 2 * (int)lng + 12 + 7 + 9);  // the books hold byte counts only
    int used = -1, reused = -1;
    EXPECT_EQ(getMemUsed(&used, &reused), 0);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(reused, 0);
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
    float **z = mat2PtrZ(flat, 4, 2, 2, 3);  // rows 2..3, column 2 (1-based)
    ASSERT_TRUE(z);
    EXPECT_EQ(z[0][0], 5.0f);  // (2-1)*4 + 2-1
    EXPECT_EQ(z[1][0], 9.0f);
    unAlloc("mat2ptr", z, 2 * (int)sizeof(void *));

    float ***v3 = mat2Ptr3D(flat, 4, 3, 2);
    float ****v4 = mat2Ptr4D(flat, 4, 3, 2, 5);
    ASSERT_TRUE(v3 && v4);
    EXPECT_EQ(v3[1][2][3], (1 * 3 + 2) * 4 + 3);
    EXPECT_EQ(v4[4][1][2][3], ((4 * 2 + 1) * 3 + 2) * 4 + 3);
    EXPECT_EQ(v4[2][0][1][0], 2 * 2 * 3 * 4 + 4.0f);
    matPtrFree3D(v3, 4, 3, 2);
    matPtrFree4D(v4, 4, 3, 2, 5);
    EXPECT_EQ(memoryBytesUsed(), 0);
    EXPECT_NE(mat2Ptr3D(flat, 4, 3, 0), nullptr);  // an empty top list is a list, not a failure

    // Releasing a 4-D view stops at its first null entry.
    memoryReset();
    v4 = mat2Ptr4D(flat, 4, 3, 2, 1);
    ASSERT_TRUE(v4);
    long long ps = sizeof(void *);
    EXPECT_EQ(memoryBytesUsed(), ps * (1 + 2 + 3 * 2));
    v4[0][1] = nullptr;
    std::string got = traced([&] { matPtrFree4D(v4, 4, 3, 2, 1); });
    EXPECT_EQ(memoryBytesUsed(), ps * 3);  // row list (0,1) stays counted
    // Three DEALLOC lines: row list (0,0), list of entry 0, the top list.
    EXPECT_EQ(count(got, "DEALLOC"), 3u);
    EXPECT_EQ(count(got, "NOOP_AL"), 0u);
}

TEST_F(Memory, ShowAllocPrintsReusedThenInUse) {
    int *a = intAlloc("s", 2);
    a = intReAlloc("s", a, 3, 2);
    EXPECT_EQ(captureStderr([] { EXPECT_EQ(showAlloc(), 0); }), "REMARK Memory Allocation Status. Reused: 8 In Use: 12\n");
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

