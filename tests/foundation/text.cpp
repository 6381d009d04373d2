// Tests of growable strings, tokens, text files, data-row detection and text lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/isdataline.h"
#include "foundation/maptext.h"
#include "foundation/memory.h"
#include "foundation/raise.h"
#include "foundation/rdtext.h"
#include "foundation/stralloc.h"
#include "foundation/token.h"

using namespace korim::foundation;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

class Text : public testing::Test {
  protected:
    void SetUp() override {
        memoryReset();
        tokenReset();
        strallocReset();
    }
    void TearDown() override { memoryReset(); }
};

// A scratch file with the given bytes; removed at scope end.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string &bytes) {
        char name[] = "/tmp/korim_text_XXXXXX";
        int fd = mkstemp(name);
        path = name;
        FILE *f = fdopen(fd, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace

// ---- growable strings ----

TEST_F(Text, GrowableStringStaysInCallerBufferUntilFull) {
    char buff[16];
    char *text = nullptr;
    int cap = 0;
    std::snprintf(buff, sizeof buff, "ab");
    // A null text starts in the caller buffer and keeps what it holds.
    EXPECT_EQ(strcatAlloc(&text, "cd", buff, 16, &cap), buff);
    EXPECT_STREQ(text, "abcd");
    EXPECT_EQ(cap, 16);
    // need = 4 + 10 + 2 = 16: not below the capacity, so it grows by 256.
    char *moved = strcatAlloc(&text, "0123456789", buff, 16, &cap);
    ASSERT_NE(moved, nullptr);
    EXPECT_NE(moved, buff);
    EXPECT_EQ(cap, 16 + 256);
    EXPECT_STREQ(text, "abcd0123456789");
    EXPECT_EQ(memoryBytesUsed(), 272);
    // A jump far past the capacity grows to need + 256.
    std::string big(600, 'x');
    ASSERT_NE(strcatAlloc(&text, big.c_str(), buff, 16, &cap), nullptr);
    EXPECT_EQ(cap, 14 + 600 + 2 + 256);
    EXPECT_EQ(std::strlen(text), 614u);
    EXPECT_EQ(memoryBytesUsed(), cap);
    EXPECT_EQ(memoryBytesReused(), 272);
    EXPECT_EQ(strAllocFree(&text, buff, 16, &cap), 0);
    EXPECT_EQ(text, buff);
    EXPECT_EQ(cap, 16);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(Text, PrependCopyAndInit) {
    char buff[256];
    char *text = nullptr;
    int cap = 0;
    EXPECT_EQ(strAllocInit(&text, buff, 256, &cap), 0);
    EXPECT_STREQ(text, "");
    strcpyAlloc(&text, "world", buff, 256, &cap);
    EXPECT_STREQ(strpcatAlloc(&text, "hello ", buff, 256, &cap), "hello world");
    EXPECT_STREQ(strcpyAlloc(&text, "new", buff, 256, &cap), "new");
    // Appending a text to itself is safe even across a move to the heap.
    std::string longText(200, 'q');
    strcpyAlloc(&text, longText.c_str(), buff, 256, &cap);
    ASSERT_NE(strcatAlloc(&text, text, buff, 256, &cap), nullptr);
    EXPECT_EQ(std::string(text), longText + longText);
    // Prepending across the move keeps both parts in order.
    ASSERT_NE(strpcatAlloc(&text, "<", buff, 256, &cap), nullptr);
    EXPECT_EQ(std::string(text), "<" + longText + longText);
    strAllocFree(&text, buff, 256, &cap);
    EXPECT_EQ(strAllocInit(nullptr, buff, 256, &cap), 0);
}

TEST_F(Text, GrowableStringErrors) {
    char buff[8] = "abc";
    int cap = 8;
    CaptureStderr();
    EXPECT_EQ(strcatAlloc(nullptr, "x", buff, 8, &cap), nullptr);
    EXPECT_EQ(strcpyAlloc(nullptr, "x", buff, 8, &cap), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "StrCatAlloc Error: Null pointer.\nStrCpyAlloc Error: Null pointer.\n");

    // First heap block fails: text left in the caller buffer.
    char *text = buff;
    memoryFailAt(1);
    CaptureStderr();
    EXPECT_EQ(strcatAlloc(&text, "defgh", buff, 8, &cap), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Memory allocation failure.\nStrCatAlloc Error: alloc failed.\n");
    EXPECT_EQ(text, buff);
    EXPECT_STREQ(buff, "abc");
    // A failed prepend leaves the text unchanged.
    memoryFailAt(1);
    CaptureStderr();
    EXPECT_EQ(strpcatAlloc(&text, "0123456", buff, 8, &cap), nullptr);
    GetCapturedStderr();
    EXPECT_STREQ(text, "abc");
    // Reallocation fails: the heap text is still there.
    ASSERT_NE(strcatAlloc(&text, "defgh", buff, 8, &cap), nullptr);
    std::string before = text;
    memoryFailAt(1);
    CaptureStderr();
    std::string huge(1000, 'z');
    EXPECT_EQ(strcatAlloc(&text, huge.c_str(), buff, 8, &cap), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Memory allocation failure.\nStrCatAlloc Error: realloc failed.\n");
    EXPECT_EQ(std::string(text), before);
}

TEST_F(Text, LineReaderHandlesLongAndUnterminatedLines) {
    std::string l1(300, 'a');
    std::string l2(1000, 'b');
    TempFile f(l1 + "\n" + "short\n" + l2 + "\n" + "\n" + "last");
    FILE *in = std::fopen(f.path.c_str(), "r");
    ASSERT_TRUE(in);
    char cBuff[256], inBuff[256];
    char *line = nullptr;
    int cap = 0;
    ASSERT_NE(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), nullptr);
    EXPECT_EQ(std::string(line), l1 + "\n");
    EXPECT_EQ(cap, 512);  // moved to the heap at the first chunk of 254 characters
    EXPECT_NE(line, cBuff);
    EXPECT_STREQ(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), "short\n");
    ASSERT_NE(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), nullptr);
    EXPECT_EQ(std::string(line), l2 + "\n");
    EXPECT_STREQ(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), "\n");
    EXPECT_STREQ(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), "last");
    EXPECT_EQ(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), nullptr);
    EXPECT_TRUE(std::feof(in));
    strAllocFree(&line, cBuff, 256, &cap);
    EXPECT_EQ(memoryBytesUsed(), 0);

    // A tiny read buffer still yields whole lines.
    std::rewind(in);
    char tiny[3];
    ASSERT_NE(fgetsAlloc(&line, &cap, in, tiny, 3, cBuff, 256), nullptr);
    EXPECT_EQ(std::string(line), l1 + "\n");
    CaptureStderr();
    EXPECT_EQ(fgetsAlloc(&line, &cap, in, tiny, 2, cBuff, 256), nullptr);
    EXPECT_EQ(fgetsAlloc(nullptr, &cap, in, tiny, 3, cBuff, 256), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "FGetSAlloc Error: Buffer too small.\nFGetSAlloc Error: Null pointer.\n");
    std::fclose(in);
}

TEST_F(Text, ScratchString) {
    char *s = ctempAlloc(10);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "");
    CaptureStderr();
    char *big = ctempAlloc(1000);
    EXPECT_EQ(GetCapturedStderr(), "Expanding to 1000\n");
    ASSERT_NE(big, s);
    std::memset(big, 'k', 1000);
    big[1000] = '\0';
    EXPECT_EQ(memoryBytesUsed(), 1001);
    EXPECT_STREQ(ctempAlloc(5), "");  // fits: no new block
    EXPECT_EQ(memoryBytesUsed(), 1001);
    EXPECT_EQ(ctempFree(), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);
    // Growth that fails returns the empty module buffer flagged as bad.
    memoryFailAt(1);
    CaptureStderr();
    char *f = ctempAlloc(5000);
    EXPECT_EQ(GetCapturedStderr(), "Expanding to 5000\nMemory allocation failure.\nCTempAlloc memory allocation error.\n");
    EXPECT_STREQ(f, "");
    EXPECT_EQ(badToken, 1);
    EXPECT_EQ(ctempAlloc(200), f);  // the module buffer has room for 255
    EXPECT_EQ(badToken, 0);
}

// ---- tokens ----

TEST_F(Text, PlainTokens) {
    EXPECT_STREQ(getToken(2, "  a   b  "), "b");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(getToken(3, "  a   b  "), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(getToken(0, "a"), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(getToken(1, nullptr), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(getToken(3, "x\ty\r\nz\v\fw"), "z");
    EXPECT_EQ(badToken, 0);
    EXPECT_EQ(cntToken(""), 0);
    EXPECT_EQ(cntToken(nullptr), 0);
    EXPECT_EQ(cntToken(" \t\n"), 0);
    EXPECT_EQ(cntToken("ATOM 1 N MET A 1"), 6);
}

TEST_F(Text, NumericTokens) {
    EXPECT_EQ(getTokenR(1, "x"), 0.0f);
    EXPECT_EQ(badToken, 1);
    EXPECT_EQ(getTokenI(1, "7.9"), 7);
    EXPECT_EQ(badToken, 0);
    EXPECT_EQ(getTokenI(2, "a 12abc"), 12);
    EXPECT_EQ(badToken, 0);
    EXPECT_EQ(getTokenI(2, "a -42"), -42);
    EXPECT_FLOAT_EQ(getTokenR(3, "N H -8.35e1"), -83.5f);
    EXPECT_EQ(getTokenI(4, "1 2 3"), 0);
    EXPECT_EQ(badToken, 1);
    EXPECT_EQ(getTokenI(1, nullptr), 0);
    EXPECT_EQ(badToken, 1);
    // Numbers beyond the type are refused, not wrapped or made infinite.
    EXPECT_EQ(getTokenI(1, "99999999999"), 0);
    EXPECT_EQ(badToken, 1);
    EXPECT_EQ(getTokenR(1, "1e99"), 0.0f);
    EXPECT_EQ(badToken, 1);
}

TEST_F(Text, JoinedTokens) {
    EXPECT_STREQ(rightToken(2, "a b c"), "b c");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(rightToken(5, "a b c"), "");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(rightToken(-3, "  a\t\tb  c "), "a b c");
    EXPECT_STREQ(rightToken(1, nullptr), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(leftToken(5, "a b c"), "a b c");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(leftToken(2, "a   b c"), "a b");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(leftToken(0, "a b"), "");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(leftToken(1, ""), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(leftToken(1, nullptr), "");
    EXPECT_EQ(badToken, 1);
    // The three families keep separate results.
    char *r = rightToken(2, "p q r");
    char *l = leftToken(1, "p q r");
    char *t = getToken(3, "p q r");
    EXPECT_STREQ(r, "q r");
    EXPECT_STREQ(l, "p");
    EXPECT_STREQ(t, "r");
}

TEST_F(Text, QuotedTokens) {
    EXPECT_STREQ(getTokenS(2, "x 'a b'c d"), "a b");
    EXPECT_EQ(cntTokenS("x 'a b'c d"), 3);
    EXPECT_STREQ(getTokenS(3, "x 'a b'c d"), "d");
    EXPECT_STREQ(getTokenS(1, "\"two words\" 'it''s'"), "two words");
    EXPECT_STREQ(getTokenS(2, "\"two words\" 'it''s'"), "it");
    EXPECT_EQ(cntTokenS("\"two words\" 'it''s'"), 2);
    // An unmatched quote runs to the end of the text.
    EXPECT_STREQ(getTokenS(2, "name \"open  ended"), "open  ended");
    EXPECT_EQ(cntTokenS("name \"open  ended"), 2);
    EXPECT_STREQ(getTokenS(1, "'' b"), "");
    EXPECT_EQ(badToken, 0);
    EXPECT_STREQ(getTokenS(4, "x 'a b'c d"), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_STREQ(getTokenS(1, nullptr), "");
    EXPECT_EQ(badToken, 1);
    EXPECT_EQ(cntTokenS(nullptr), 0);
    EXPECT_EQ(cntTokenS("   "), 0);
}

TEST_F(Text, LongTokensMoveToTheHeapAndBack) {
    std::string longTok(400, 't');
    std::string line = "a " + longTok + " c";
    EXPECT_EQ(std::string(getToken(2, line.c_str())), longTok);
    EXPECT_EQ(memoryBytesUsed(), (long long)line.size() + 1);
    EXPECT_EQ(std::string(rightToken(2, line.c_str())), longTok + " c");
    EXPECT_EQ(std::string(leftToken(2, line.c_str())), "a " + longTok);
    EXPECT_EQ(std::string(getTokenS(2, line.c_str())), longTok);
    EXPECT_EQ(freeToken(), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);
    // After freeToken the static buffers serve again.
    EXPECT_STREQ(getToken(1, "again"), "again");
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(Text, TokenBufferGrowthFailureNeverOverflows) {
    std::string longTok(1000, 'L');
    std::string line = "x " + longTok;
    for (int which = 0; which < 4; ++which) {
        tokenReset();
        memoryFailAt(1);
        CaptureStderr();
        const char *r = nullptr;
        if (which == 0) r = getToken(2, line.c_str());
        if (which == 1) r = getTokenS(2, line.c_str());
        if (which == 2) r = rightToken(1, line.c_str());
        if (which == 3) r = leftToken(2, line.c_str());
        std::string err = GetCapturedStderr();
        EXPECT_STREQ(r, "") << which;
        EXPECT_EQ(badToken, 1) << which;
        if (which < 2)
            EXPECT_EQ(err, "Memory allocation failure.\nGetToken: Memory Allocation Failure.\n");
        else
            EXPECT_EQ(err, "Memory allocation failure.\nStrCatAlloc Error: alloc failed.\n");
    }
    // The next call with memory available works normally.
    EXPECT_EQ(std::string(getToken(2, line.c_str())), longTok);
}
