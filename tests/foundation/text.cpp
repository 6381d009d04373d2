// Tests of growable strings, tokens, text files, data-row detection, text lists and the small
// system wrappers (file and directory tests, numbers).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "foundation/inquire.h"
#include "foundation/isdataline.h"
#include "foundation/maptext.h"
#include "foundation/memory.h"
#include "foundation/raise.h"
#include "foundation/rdtext.h"
#include "foundation/stralloc.h"
#include "foundation/syscalls.h"
#include "foundation/token.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

struct Text : korim_test::Resetting<memoryReset, tokenReset, strallocReset> {
    korim_test::TempDir dir;
    std::string file(const std::string &bytes) { return korim_test::writeFile(dir / "text.txt", bytes); }
};

// A scratch directory with an empty file, a one-byte file and a subdirectory.
struct Scratch : korim_test::TempDir {
    Scratch() {
        korim_test::writeFile(*this / "empty", "");
        korim_test::writeFile(*this / "one", "x");
        mkdir((*this / "sub").c_str(), 0755);
    }
};

}  // namespace

// ---- growable strings ----

TEST_F(Text, PrependCopyAndInit) {
    char buff[256];
    char *text = nullptr;
    int cap = 0;
    EXPECT_EQ(strAllocInit(&text, buff, 256, &cap), 0);
    EXPECT_STREQ(text, "");
    strcpyAlloc(&text, "world", buff, 256, &cap);
    EXPECT_STREQ(strpcatAlloc(&text, "hello ", buff, 256, &cap), "hello world");
    EXPECT_STREQ(strcpyAlloc(&text, "new", buff, 256, &cap), "new");
    // Appending a text to itself and prepending are safe across a move to the heap.
    std::string longText(200, 'q');
    strcpyAlloc(&text, longText.c_str(), buff, 256, &cap);
    ASSERT_NE(strcatAlloc(&text, text, buff, 256, &cap), nullptr);
    ASSERT_NE(strpcatAlloc(&text, "<", buff, 256, &cap), nullptr);
    EXPECT_EQ(std::string(text), "<" + longText + longText);
    strAllocFree(&text, buff, 256, &cap);
    EXPECT_EQ(captureStderr([&] {
                  EXPECT_EQ(strcatAlloc(nullptr, "x", buff, 256, &cap), nullptr);
                  EXPECT_EQ(strcpyAlloc(nullptr, "x", buff, 256, &cap), nullptr);
              }),
              "StrCatAlloc Error: Null pointer.\nStrCpyAlloc Error: Null pointer.\n");
}

TEST_F(Text, LineReaderHandlesLongAndUnterminatedLines) {
    std::string l1(300, 'a'), l2(1000, 'b');
    FILE *in = std::fopen(file(l1 + "\nshort\n" + l2 + "\n\nlast").c_str(), "r");
    ASSERT_TRUE(in);
    char cBuff[256], inBuff[256];
    char *line = nullptr;
    int cap = 0;
    for (const std::string &want : {l1 + "\n", std::string("short\n"), l2 + "\n", std::string("\n"), std::string("last")}) {
        ASSERT_NE(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), nullptr);
        EXPECT_EQ(std::string(line), want);
    }
    EXPECT_EQ(fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256), nullptr);
    EXPECT_TRUE(std::feof(in));
    strAllocFree(&line, cBuff, 256, &cap);
    EXPECT_EQ(memoryBytesUsed(), 0);

    // A tiny read buffer still yields whole lines.
    std::rewind(in);
    char tiny[3];
    ASSERT_NE(fgetsAlloc(&line, &cap, in, tiny, 3, cBuff, 256), nullptr);
    EXPECT_EQ(std::string(line), l1 + "\n");
    EXPECT_EQ(captureStderr([&] {
                  EXPECT_EQ(fgetsAlloc(&line, &cap, in, tiny, 2, cBuff, 256), nullptr);
                  EXPECT_EQ(fgetsAlloc(nullptr, &cap, in, tiny, 3, cBuff, 256), nullptr);
              }),
              "FGetSAlloc Error: Buffer too small.\nFGetSAlloc Error: Null pointer.\n");
    std::fclose(in);
}

namespace {

// What a line reader gives for a file: each text without its line end, the bytes in use after it and feof, then the
// end (feof, bytes in use after the release).
struct LineTrace {
    std::vector<std::string> texts;
    std::vector<long long> used;
    std::vector<bool> ends;
    bool operator==(const LineTrace &o) const { return texts == o.texts && used == o.used && ends == o.ends; }
};

LineTrace fgetsTrace(const std::string &path, int inBuffLen) {
    LineTrace t;
    memoryReset();
    FILE *in = std::fopen(path.c_str(), "r");
    std::vector<char> inBuff(inBuffLen);
    char cBuff[256];
    char *line = nullptr;
    int cap = 0;
    while (char *got = fgetsAlloc(&line, &cap, in, inBuff.data(), inBuffLen, cBuff, 256)) {
        t.texts.emplace_back(got);
        if (!t.texts.back().empty() && t.texts.back().back() == '\n') t.texts.back().pop_back();
        t.used.push_back(memoryBytesUsed());
        t.ends.push_back(std::feof(in) != 0);
    }
    t.ends.push_back(std::feof(in) != 0);
    strAllocFree(&line, cBuff, 256, &cap);
    t.used.push_back(memoryBytesUsed());
    std::fclose(in);
    return t;
}

LineTrace blockTrace(const std::string &path, int inBuffLen, std::size_t blockLen, bool direct) {
    LineTrace t;
    memoryReset();
    std::vector<char> inBuff(inBuffLen), block(blockLen);
    char cBuff[256];
    BlockLines r;
    r.in = std::fopen(path.c_str(), "r");
    r.direct = direct;
    r.cBuff = cBuff;
    r.cBuffLen = 256;
    r.inBuff = inBuff.data();
    r.inBuffLen = inBuffLen;
    r.block = block.data();
    r.blockLen = blockLen;
    std::size_t len = 0;
    while (char *got = nextBlockLine(r, &len)) {
        EXPECT_EQ(len, std::strlen(got)) << (direct ? "direct " : "") << inBuffLen << " " << blockLen << " [" << got << "]";
        t.texts.emplace_back(got, len);
        t.used.push_back(memoryBytesUsed());
        t.ends.push_back(r.atEnd);
    }
    t.ends.push_back(r.atEnd);
    strAllocFree(&r.text, cBuff, 256, &r.maxLength);
    t.used.push_back(memoryBytesUsed());
    std::fclose(r.in);
    return t;
}

}  // namespace

TEST_F(Text, BlockLinesGiveTheLinesAndAllocationsOfTheLineReader) {
    // Lines about the piece size (254 characters with the usual 256-byte read buffer), NULs
    // before and after a line end (fgetsAlloc cuts a piece at a NUL and then reads on into the
    // next line), CR LF, no last line end, an empty file, long lines between short ones.
    std::vector<std::string> files = {
        "", "\n", "x", "ab\ncd", "ab\r\ncd\r\n",
        std::string(252, 'a') + "\n" + std::string(253, 'b') + "\n" + std::string(254, 'c') + "\nz\n",
        std::string(255, 'a') + "\n" + std::string(256, 'b') + "\n" + std::string(600, 'c') + "\nshort\n",
        std::string(254, 'a') + std::string(254, 'b'), std::string(253, 'a'),
        std::string("AT\0OM 1\nnext line\nthird\n", 25), std::string("one\n\0two\n\0", 11),
        std::string(300, 'x') + std::string("\0tail\nafter\n", 13) + std::string(2000, 'y')};
    std::mt19937 gen(3);
    for (int f = 0; f < 300; f++) {
        std::string bytes;
        const int lines = static_cast<int>(gen() % 12);
        for (int l = 0; l < lines; l++) {
            const int len = static_cast<int>(gen() % 4 == 0 ? gen() % 700 : gen() % 90);
            for (int k = 0; k < len; k++) {
                const unsigned pick = gen() % 200;
                bytes += pick == 0 ? '\0' : pick == 1 ? '\r' : static_cast<char>('a' + pick % 26);
            }
            if (gen() % 8 != 0) bytes += '\n';
        }
        files.push_back(bytes);
    }
    for (const std::string &bytes : files) {
        const std::string path = file(bytes);
        for (int inBuffLen : {256, 3, 17}) {
            const LineTrace want = fgetsTrace(path, inBuffLen);
            for (std::size_t blockLen : {std::size_t{65536}, std::size_t{300}, static_cast<std::size_t>(inBuffLen)})
                for (bool direct : {true, false})
                    ASSERT_TRUE(blockTrace(path, inBuffLen, blockLen, direct) == want)
                        << "file of " << bytes.size() << " bytes, read buffer " << inBuffLen
                        << ", block " << blockLen << (direct ? "" : ", line by line");
        }
    }
    // A directory opens but does not read: no line, and not at the end (a read failure).
    const std::string dirPath = dir / "sub";
    mkdir(dirPath.c_str(), 0755);
    const LineTrace want = fgetsTrace(dirPath, 256);
    EXPECT_TRUE(want.texts.empty());
    EXPECT_FALSE(want.ends.back());
    EXPECT_TRUE(blockTrace(dirPath, 256, 65536, true) == want);
}

TEST_F(Text, ScratchString) {
    char *big = nullptr;
    EXPECT_EQ(captureStderr([&] { big = ctempAlloc(1000); }), "Expanding to 1000\n");
    std::memset(big, 'k', 1000);
    big[1000] = '\0';  // room for 1000 characters and the end
    EXPECT_EQ(ctempAlloc(5), big);  // fits: no new block
    EXPECT_STREQ(big, "");
    EXPECT_EQ(ctempFree(), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

// ---- tokens ----

TEST_F(Text, TokenFamilies) {
    // (operation, n, text, result, badToken)
    using Op = char *(*)(int, const char *);
    const struct { Op op; int n; const char *text, *want; int bad; } cases[] = {
        {getToken, 2, "  a   b  ", "b", 0},        {getToken, 3, "  a   b  ", "", 1},
        {getToken, 0, "a", "", 1},                  {getToken, 1, nullptr, "", 1},
        {getToken, 3, "x\ty\r\nz\v\fw", "z", 0},    {rightToken, 2, "a b c", "b c", 0},
        {rightToken, 5, "a b c", "", 0},            {rightToken, -3, "  a\t\tb  c ", "a b c", 0},
        {rightToken, 1, nullptr, "", 1},            {leftToken, 2, "a   b c", "a b", 0},
        // (Not used by the program:) quotes " or ' group words; an unmatched quote runs to the end.
        {getTokenS, 2, "x 'a b'c d", "a b", 0},     {getTokenS, 2, "name \"open  ended", "open  ended", 0},
    };
    for (const auto &c : cases) {
        EXPECT_STREQ(c.op(c.n, c.text), c.want) << (c.text ? c.text : "null") << " " << c.n;
        EXPECT_EQ(badToken, c.bad) << (c.text ? c.text : "null") << " " << c.n;
    }
    const std::pair<const char *, int> counts[] = {{"", 0}, {nullptr, 0}, {" \t\n", 0}, {"ATOM 1 N MET A 1", 6}};
    for (auto [text, n] : counts) EXPECT_EQ(cntToken(text), n);
    EXPECT_EQ(cntTokenS("x 'a b'c d"), 3);
    // The three families keep separate results.
    char *r = rightToken(2, "p q r"), *l = leftToken(1, "p q r"), *t = getToken(3, "p q r");
    EXPECT_EQ(std::string(r) + "|" + l + "|" + t, "q r|p|r");
}

TEST_F(Text, NumericTokens) {
    // (real, n, text, value, badToken)
    const struct { bool real; int n; const char *text; double want; int bad; } cases[] = {
        {false, 1, "7.9", 7, 0},   {false, 2, "a 12abc", 12, 0}, {false, 2, "a -42", -42, 0},     {false, 4, "1 2 3", 0, 1},
        {false, 1, nullptr, 0, 1}, {false, 1, "99999999999", 0, 1},  // beyond the type: refused, not wrapped
        {true, 3, "N H -8.35e1", -83.5, 0}, {true, 1, "x", 0, 1}, {true, 1, "1e99", 0, 1}};  // not made infinite
    for (const auto &c : cases) {
        EXPECT_EQ(c.real ? getTokenR(c.n, c.text) : getTokenI(c.n, c.text), c.want) << (c.text ? c.text : "null");
        EXPECT_EQ(badToken, c.bad) << (c.text ? c.text : "null");
    }
}

// ---- text files ----

TEST_F(Text, WholeFileAsLineListOrBlock) {
    std::string longLine(700, 'w'), path = file("one\ntwo\n\n" + longLine + "\nlast");
    int count = -1, error = 7, length = 0;
    char **lines = rdText(path.c_str(), &count, &error);
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(std::pair(count, error), std::pair(5, 0));
    const std::string want[] = {"one", "two", "", longLine, "last"};  // the last line has no newline
    for (int i = 0; i < 5; i++) EXPECT_EQ(lines[i], want[i]);
    EXPECT_EQ(lines[5], nullptr);
    EXPECT_EQ(freeText(lines), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);  // every copy and the list are handed back
    EXPECT_TRUE(cntText(path.c_str(), &count) == 0 && count == 4);  // newline-terminated lines only

    const char *missing = "/nonexistent/korim/file";
    EXPECT_EQ(rdText(missing, &count, &error), nullptr);
    EXPECT_EQ(std::pair(count, error), std::pair(0, -1));
    EXPECT_EQ(rdTextC(missing, &count, &length, &error), nullptr);
    // An empty file is an empty list, not a failure.
    lines = rdText(file("").c_str(), &count, &error);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(std::pair(count, error), std::pair(0, 0));
    EXPECT_EQ(lines[0], nullptr);
    freeText(lines);

    // One block: each line with its newline and a zero byte, then a closing zero.
    char *block = rdTextC(file("ab\ncd").c_str(), &count, &length, &error);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::pair(count, error), std::pair(2, 0));
    EXPECT_EQ(std::string(block, length), std::string("ab\n\0cd\0\0", 8));
}

TEST_F(Text, StreamUpToEndLineAndPast256Lines) {
    FILE *in = std::fopen(file("a\nb\nEnd\nc\n").c_str(), "r");
    int count = 0, error = 9;
    char **lines = nullptr;
    EXPECT_EQ(captureStderr([&] { lines = rdText2(in, &count, "END", 1, &error); }), "a\nb\nEnd\n");  // echoed as read
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(std::pair(count, error), std::pair(3, 0));
    EXPECT_STREQ(lines[2], "End");  // the end line belongs to the list
    EXPECT_EQ(lines[3], nullptr);
    freeText(lines);
    std::fclose(in);

    std::string body;
    for (int i = 1; i <= 600; ++i) body += "line " + std::to_string(i) + "\n";
    in = std::fopen(file(body).c_str(), "r");
    lines = rdText2(in, &count, nullptr, 0, &error);
    std::fclose(in);
    ASSERT_EQ(count, 600);
    for (int i : {0, 255, 256, 599}) EXPECT_EQ(lines[i], "line " + std::to_string(i + 1));
    EXPECT_EQ(lines[600], nullptr);
    freeText(lines);
    EXPECT_EQ(memoryBytesUsed(), 0);  // the list was cut to 601 pointers and released as such
}

TEST_F(Text, DataRowsAndKeyLines) {
    const char *keyLines[] = {"remark x", "end", "#1 2", "  vars RESID_I ATOMNAME_I", "Format %4d %s",
                              "tolerance 0.1", "NullString NA", "nullvalue -1", "Data SEQUENCE MQIF",
                              "", " \t\n", nullptr};
    for (const char *l : keyLines) EXPECT_EQ(isDataLine(l), 0) << (l ? l : "null");
    for (const char *l : {"ENDS 1", "DATAX 3", "   2 GLN N 2 GLN HN 8.22\n"}) EXPECT_EQ(isDataLine(l), 1) << l;

    std::string longRow = "4 " + std::string(500, 'Q') + "\n";
    std::string path = file("REMARK couplings\n\nVARS RESID_I RESNAME_I D\nFORMAT %4d %s %8.3f\n"
                            "# comment\n1 MET 2.5\n2 GLN -3.1\n" + longRow + "END\n");
    int count = -1;
    EXPECT_EQ(cntDataLine(path.c_str(), &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(cntDataLine("/nonexistent/korim.tab", &count), 1); }),
              "CntDataLine File open error: /nonexistent/korim.tab: No such file or directory.\n");
}

TEST_F(Text, DistinctTextList) {
    char **list = nullptr;
    int count = 0, error = 0;
    for (auto [text, at] : {std::pair{"a", 0}, {"b", 1}, {"b", 1}, {"B", 2}})  // case-sensitive
        EXPECT_EQ(mapText(text, &list, &count, &error), at) << text;
    ASSERT_EQ(std::pair(count, error), std::pair(3, 0));
    EXPECT_EQ(std::vector<std::string>(list, list + 3), (std::vector<std::string>{"a", "b", "B"}));
    EXPECT_EQ(list[3], nullptr);
}

TEST_F(Text, RaiseOnlyAsciiLetters) {
    char s[] = "abz{`AZ_09 \xe9\xdf ca";
    EXPECT_EQ(raiseStr(s), 0);
    EXPECT_STREQ(s, "ABZ{`AZ_09 \xe9\xdf CA");
    EXPECT_EQ(raiseStr(nullptr), 0);
}


// ---- system wrappers ----

TEST(Sys, FileTestsAndDirectoryPartOfAName) {
    Scratch s;
    // (name, fileExists: a non-empty plain file, fileExists0: anything that is there)
    const struct { std::string name; int exists, exists0; } cases[] = {
        {s / "empty", 0, 1}, {s / "one", 1, 1}, {s / "sub", 0, 1}, {s / "missing", 0, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(std::pair(fileExists(c.name.c_str()), fileExists0(c.name.c_str())), std::pair(c.exists, c.exists0));
    EXPECT_EQ(fileExists(nullptr), 0);

    char buf[512];
    // (name, result, directory part stored)
    const struct { std::string name; int status; std::string dir; } dirs[] = {
        {s / "sub/run1.tab", 1, s / "sub"}, {"run1.tab", 1, "./"}, {s / "one/run1.tab", 0, s / "one"}};  // not a directory
    for (const auto &c : dirs) {
        EXPECT_EQ(dirExists(c.name.c_str(), buf), c.status) << c.name;
        EXPECT_EQ(std::string(buf), c.dir) << c.name;
    }
    std::snprintf(buf, sizeof buf, "untouched");
    EXPECT_EQ(dirExists("!gunzip -c x.gz", buf), 1);  // a command, not a file
    EXPECT_STREQ(buf, "untouched");
}

TEST(Sys, Numbers) {
    const std::pair<const char *, double> numbers[] = {{"3.5e2", 350}, {"  -2.25 rest", -2.25}, {"12abc", 12},
                                                       {"abc", 0},     {"", 0},                 {nullptr, 0}};
    for (auto [text, want] : numbers) EXPECT_EQ(Atof2(text), want) << (text ? text : "null");
}
