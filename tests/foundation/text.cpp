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

// A token operation's text (or number) and the badToken it leaves.
#define EXPECT_TOKEN(call, text, bad)  \
    do {                               \
        EXPECT_STREQ(call, text);      \
        EXPECT_EQ(badToken, bad);      \
    } while (0)
#define EXPECT_NUMBER(call, value, bad) \
    do {                                \
        EXPECT_EQ(call, value);         \
        EXPECT_EQ(badToken, bad);       \
    } while (0)

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
    // need = 14 + 510 + 2 = 526 is below capacity + 255 = 527: one step of 256.
    ASSERT_NE(strcatAlloc(&text, std::string(510, 'x').c_str(), buff, 16, &cap), nullptr);
    EXPECT_EQ(cap, 272 + 256);
    // need = 524 + 257 + 2 = 783 is not below 528 + 255 = 783: need + 256.
    ASSERT_NE(strcatAlloc(&text, std::string(257, 'y').c_str(), buff, 16, &cap), nullptr);
    EXPECT_EQ(cap, 783 + 256);
    EXPECT_EQ(std::strlen(text), 781u);
    EXPECT_EQ(text[523], 'x');
    EXPECT_EQ(text[524], 'y');
    EXPECT_EQ(memoryBytesUsed(), cap);
    EXPECT_EQ(memoryBytesReused(), 272 + 528);
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
    EXPECT_TOKEN(f, "", 1);
    EXPECT_EQ(ctempAlloc(200), f);  // the module buffer has room for 255
    EXPECT_EQ(badToken, 0);
}

// ---- tokens ----

TEST_F(Text, PlainTokens) {
    EXPECT_TOKEN(getToken(2, "  a   b  "), "b", 0);
    EXPECT_TOKEN(getToken(3, "  a   b  "), "", 1);
    EXPECT_TOKEN(getToken(0, "a"), "", 1);
    EXPECT_TOKEN(getToken(1, nullptr), "", 1);
    EXPECT_TOKEN(getToken(3, "x\ty\r\nz\v\fw"), "z", 0);
    EXPECT_EQ(cntToken(""), 0);
    EXPECT_EQ(cntToken(nullptr), 0);
    EXPECT_EQ(cntToken(" \t\n"), 0);
    EXPECT_EQ(cntToken("ATOM 1 N MET A 1"), 6);
}

TEST_F(Text, NumericTokens) {
    EXPECT_NUMBER(getTokenR(1, "x"), 0.0f, 1);
    EXPECT_NUMBER(getTokenI(1, "7.9"), 7, 0);
    EXPECT_NUMBER(getTokenI(2, "a 12abc"), 12, 0);
    EXPECT_EQ(getTokenI(2, "a -42"), -42);
    EXPECT_FLOAT_EQ(getTokenR(3, "N H -8.35e1"), -83.5f);
    EXPECT_NUMBER(getTokenI(4, "1 2 3"), 0, 1);
    EXPECT_NUMBER(getTokenI(1, nullptr), 0, 1);
    // Numbers beyond the type are refused, not wrapped or made infinite.
    EXPECT_NUMBER(getTokenI(1, "99999999999"), 0, 1);
    EXPECT_NUMBER(getTokenR(1, "1e99"), 0.0f, 1);
}

TEST_F(Text, JoinedTokens) {
    EXPECT_TOKEN(rightToken(2, "a b c"), "b c", 0);
    EXPECT_TOKEN(rightToken(5, "a b c"), "", 0);
    EXPECT_STREQ(rightToken(-3, "  a\t\tb  c "), "a b c");
    EXPECT_TOKEN(rightToken(1, nullptr), "", 1);
    EXPECT_TOKEN(leftToken(5, "a b c"), "a b c", 1);
    EXPECT_TOKEN(leftToken(2, "a   b c"), "a b", 0);
    EXPECT_TOKEN(leftToken(0, "a b"), "", 0);
    EXPECT_TOKEN(leftToken(1, ""), "", 1);
    EXPECT_TOKEN(leftToken(1, nullptr), "", 1);
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
    EXPECT_TOKEN(getTokenS(1, "'' b"), "", 0);
    EXPECT_TOKEN(getTokenS(4, "x 'a b'c d"), "", 1);
    EXPECT_TOKEN(getTokenS(1, nullptr), "", 1);
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
    const std::string line = "x " + longTok;
    const char *grow = "Memory allocation failure.\nGetToken: Memory Allocation Failure.\n";
    const char *join = "Memory allocation failure.\nStrCatAlloc Error: alloc failed.\n";
    const struct {
        char *(*call)(int, const char *);
        int n;
        const char *err;
    } cases[] = {{getToken, 2, grow}, {getTokenS, 2, grow}, {rightToken, 1, join}, {leftToken, 2, join}};
    for (const auto &c : cases) {
        tokenReset();
        memoryFailAt(1);
        CaptureStderr();
        EXPECT_TOKEN(c.call(c.n, line.c_str()), "", 1);
        EXPECT_EQ(GetCapturedStderr(), c.err);
    }
    // The next call with memory available works normally.
    EXPECT_EQ(std::string(getToken(2, line.c_str())), longTok);
}

// ---- text files ----

TEST_F(Text, WholeFileAsLineList) {
    std::string longLine(700, 'w');
    TempFile f("one\ntwo\n\n" + longLine + "\nlast");
    int count = -1, error = 7;
    char **lines = rdText(f.path.c_str(), &count, &error);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(count, 5);
    EXPECT_STREQ(lines[0], "one");
    EXPECT_STREQ(lines[1], "two");
    EXPECT_STREQ(lines[2], "");
    EXPECT_EQ(std::string(lines[3]), longLine);
    EXPECT_STREQ(lines[4], "last");  // no newline: kept whole
    EXPECT_EQ(lines[5], nullptr);
    EXPECT_EQ(freeText(lines), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);  // every copy and the list are handed back

    int n = -1;
    EXPECT_EQ(cntText(f.path.c_str(), &n), 0);
    EXPECT_EQ(n, 4);  // the last line has no newline
    EXPECT_EQ(cntText("/nonexistent/korim/file", &n), 1);

    lines = rdText("/nonexistent/korim/file", &count, &error);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(error, -1);
    EXPECT_EQ(count, 0);
    // An empty file is an empty list, not a failure.
    TempFile empty("");
    lines = rdText(empty.path.c_str(), &count, &error);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(lines[0], nullptr);
    freeText(lines);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(Text, StreamUpToEndLine) {
    TempFile f("a\nb\nEnd\nc\n");
    FILE *in = std::fopen(f.path.c_str(), "r");
    int count = 0, error = 9;
    CaptureStderr();
    char **lines = rdText2(in, &count, "END", 1, &error);
    EXPECT_EQ(GetCapturedStderr(), "a\nb\nEnd\n");  // echoed as read
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(lines[2], "End");  // the end line belongs to the list
    EXPECT_EQ(lines[3], nullptr);
    freeText(lines);
    // The stream continues after the end line.
    lines = rdText2(in, &count, nullptr, 0, &error);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(lines[0], "c");
    freeText(lines);
    EXPECT_EQ(memoryBytesUsed(), 0);
    // At end of file: no list, no error.
    lines = rdText2(in, &count, nullptr, 0, &error);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(count, 0);
    std::fclose(in);
}

TEST_F(Text, StreamListGrowsPast256Lines) {
    std::string body;
    for (int i = 1; i <= 600; ++i) body += "line " + std::to_string(i) + "\n";
    TempFile f(body);
    FILE *in = std::fopen(f.path.c_str(), "r");
    int count = 0, error = 0;
    char **lines = rdText2(in, &count, nullptr, 0, &error);
    std::fclose(in);
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(count, 600);
    for (int i : {0, 255, 256, 599}) EXPECT_EQ(lines[i], "line " + std::to_string(i + 1));
    EXPECT_EQ(lines[600], nullptr);
    freeText(lines);
    EXPECT_EQ(memoryBytesUsed(), 0);  // the list was cut to 601 pointers and released as such
}

TEST_F(Text, WholeFileAsOneBlock) {
    TempFile f("ab\ncd");
    int count = 0, length = 0, error = 5;
    char *block = rdTextC(f.path.c_str(), &count, &length, &error);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(length, (3 + 1) + (2 + 1) + 1);
    EXPECT_EQ(std::string(block, length), std::string("ab\n\0cd\0\0", 8));
    EXPECT_EQ(memoryBytesUsed(), 8);
    EXPECT_EQ(rdTextC("/nonexistent/korim/file", &count, &length, &error), nullptr);
    EXPECT_EQ(error, -1);
}

TEST_F(Text, BuiltListOfEmptyBuffers) {
    char **list = buildList(3);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(list[i], nullptr);
        EXPECT_STREQ(list[i], "");
        std::memset(list[i], 'x', 255);  // each is a full 256-byte buffer
        list[i][255] = '\0';
    }
    EXPECT_EQ(list[3], nullptr);
    EXPECT_EQ(memoryBytesUsed(), 4 * (long long)sizeof(char *) + 3 * 256);
    // One buffer cannot be had: no list at all, and nothing stays counted but the failed request.
    memoryReset();
    memoryFailAt(3);
    CaptureStderr();
    EXPECT_EQ(buildList(4), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Memory allocation failure.\n");
    EXPECT_EQ(memoryBytesUsed(), 256);
}

TEST_F(Text, DataRowsAndKeyLines) {
    const char *keyLines[] = {"remark x", "end", "#1 2", "  vars RESID_I ATOMNAME_I", "Format %4d %s",
                              "tolerance 0.1", "NullString NA", "nullvalue -1", "Data SEQUENCE MQIF",
                              "", " \t\n", nullptr};
    for (const char *l : keyLines) EXPECT_EQ(isDataLine(l), 0) << (l ? l : "null");
    const char *rows[] = {"ENDS 1", "DATAX 3", "   2 GLN N 2 GLN HN 8.22\n"};
    for (const char *l : rows) EXPECT_EQ(isDataLine(l), 1) << l;
    // It works through the single-token buffer: an earlier token is overwritten.
    char *t = getToken(1, "keep");
    isDataLine("other row");
    EXPECT_STREQ(t, "OTHER");
}

TEST_F(Text, CountDataRowsOfATableFile) {
    std::string longRow = "4 " + std::string(500, 'Q') + "\n";
    TempFile f("REMARK couplings\n\nVARS RESID_I RESNAME_I D\nFORMAT %4d %s %8.3f\n"
               "# comment\n1 MET 2.5\n2 GLN -3.1\n" + longRow + "END\n");
    int count = -1;
    EXPECT_EQ(cntDataLine(f.path.c_str(), &count), 0);
    EXPECT_EQ(count, 3);
    // Only the token buffer (module-owned) grew for the long row.
    EXPECT_EQ(memoryBytesUsed(), (long long)longRow.size() + 1);
    freeToken();
    EXPECT_EQ(memoryBytesUsed(), 0);
    CaptureStderr();
    EXPECT_EQ(cntDataLine("/nonexistent/korim.tab", &count), 1);
    EXPECT_EQ(GetCapturedStderr(), "CntDataLine File open error: /nonexistent/korim.tab\n");
}

TEST_F(Text, DistinctTextList) {
    char **list = nullptr;
    int count = 0, error = 0;
    EXPECT_EQ(mapText("a", &list, &count, &error), 0);
    EXPECT_EQ(mapText("b", &list, &count, &error), 1);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(list[0], "a");
    EXPECT_STREQ(list[1], "b");
    EXPECT_EQ(list[2], nullptr);
    EXPECT_EQ(mapText("b", &list, &count, &error), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(mapText("B", &list, &count, &error), 2);  // case-sensitive
    EXPECT_EQ(error, 0);
    long long ps = sizeof(char *);
    EXPECT_EQ(memoryBytesUsed(), 4 * ps + 2 + 2 + 2);

    // The list cannot grow / the copy cannot be made.
    memoryFailAt(1);
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(mapText("c", &list, &count, &error), -1);
    EXPECT_EQ(GetCapturedStderr(), "Memory allocation failure.\n");
    EXPECT_EQ(GetCapturedStdout(), "MapText error allocating equiv list.");
    EXPECT_EQ(error, 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list[3], nullptr);
    error = 0;
    memoryFailAt(2);
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(mapText("c", &list, &count, &error), -1);
    GetCapturedStderr();
    EXPECT_EQ(GetCapturedStdout(), "MapText error allocating equiv text.");
    EXPECT_EQ(error, 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list[3], nullptr);  // still a terminated list of the old texts
    EXPECT_EQ(mapText("c", &list, &count, &error), 3);
}

TEST_F(Text, RaiseOnlyAsciiLetters) {
    char s[] = "abz{`AZ_09 \xe9\xdf ca";
    EXPECT_EQ(raiseStr(s), 0);
    EXPECT_STREQ(s, "ABZ{`AZ_09 \xe9\xdf CA");
    EXPECT_EQ(raiseStr(nullptr), 0);
}

// Every allocation of every file reader fails in turn: each call either
// reports failure (status set, no crash) or delivers the whole result; a
// status of success with a partial result is a fault.
TEST_F(Text, FileReadersUnderAllocationFailure) {
    std::string longLine(900, 'r');
    TempFile f("first\n" + longLine + "\nthird 3\n" + longLine + " 4\nEND\n");
    for (int which = 0; which < 5; ++which) {
        bool sawClean = false;
        int fires = 0;
        for (int n = 1; n < 200 && !sawClean; ++n) {
            memoryReset();
            tokenReset();
            memoryFailAt(n);
            CaptureStderr();
            int count = -1, error = 0, length = 0;
            bool statusOk = false, complete = false;
            if (which == 0) {
                char **l = rdText(f.path.c_str(), &count, &error);
                statusOk = error == 0;
                complete = l && count == 5 && std::string(l[3]) == longLine + " 4" && !l[5];
            } else if (which == 1) {
                FILE *in = std::fopen(f.path.c_str(), "r");
                char **l = rdText2(in, &count, "end", 0, &error);
                std::fclose(in);
                statusOk = error == 0;
                complete = l && count == 5 && std::string(l[1]) == longLine && !l[5];
                if (l) {
                    EXPECT_EQ(l[count], nullptr) << n;
                }
            } else if (which == 2) {
                char *b = rdTextC(f.path.c_str(), &count, &length, &error);
                statusOk = error == 0;
                complete = b && length == (6 + 1) + (901 + 1) + (8 + 1) + (903 + 1) + (4 + 1) + 1 &&
                           std::string(b + 7) == longLine + "\n";
            } else if (which == 3) {
                statusOk = cntDataLine(f.path.c_str(), &count) == 0;
                complete = count == 4;
            } else {
                char **l = buildList(5);
                statusOk = l != nullptr;
                complete = l && !l[5] && l[4] && l[4][0] == '\0';
            }
            std::string err = GetCapturedStderr();
            bool fired = err.find("Memory allocation failure.") != std::string::npos;
            if (statusOk) {
                EXPECT_TRUE(complete) << which << " " << n;
            }
            if (fired) {
                ++fires;
            } else {
                EXPECT_TRUE(statusOk && complete) << which << " " << n;
                sawClean = true;
            }
        }
        EXPECT_TRUE(sawClean) << which;
        EXPECT_GT(fires, 2) << which;
    }
}
