// Tests of the text-table reader and writer: key lines, nulls, formats, round trips and bad files.
#include "foundation/memory.h"
#include "foundation/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace korim::foundation;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

// Per-process names: test cases may run in parallel processes and builds.
std::vector<std::string> gTempFiles;  // removed after each test

std::string tempPath(const std::string& name) {
    std::string path = testing::TempDir() + "korim_io_table_" + std::to_string(getpid()) + "_" + name;
    gTempFiles.push_back(path);
    return path;
}

std::string writeFile(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string fixture(const char* name) { return std::string(KORIM_TEST_DATA) + "/tables/" + name; }

// A table read into memory, released at the end of the test.
struct Table {
    float* m = nullptr;
    int vars = -1;
    int entries = -1;
    tabVar* info = nullptr;
    int status = -1;
    std::string err;

    int read(const std::string& path, int defNull, hdrList** hdr = nullptr, int nullEntryFlag = 0, int readMode = 1) {
        release();
        CaptureStderr();
        status = rdTable2(path.c_str(), &m, &vars, &entries, &info, hdr, defNull, nullEntryFlag, readMode);
        err = GetCapturedStderr();
        return status;
    }
    float at(int e, int v) const { return m[e * vars + v]; }
    std::string text(int e, int v) const {
        int k = static_cast<int>(at(e, v));
        if (k < 0 || k >= info[v].equivCount) return "<null>";
        return info[v].equivList[k];
    }
    void release() {
        freeTab(m, info, vars, entries);
        m = nullptr;
        info = nullptr;
    }
    ~Table() { release(); }
};

class IoTable : public testing::Test {
protected:
    void SetUp() override { memoryReset(); }
    void TearDown() override {
        memoryReset();
        for (const std::string& p : gTempFiles) std::remove(p.c_str());
        gTempFiles.clear();
    }
};

}  // namespace

TEST_F(IoTable, ReadsTypedColumnsAndTexts) {
    long long before = memoryBytesUsed();
    std::string path = writeFile("basic.tab", "VARS ID NAME VAL\nFORMAT %d %s %8.3f\n1 ALA 2.5\n2 GLY 3.0\n3 ALA -1e2\n");
    Table t;
    ASSERT_EQ(t.read(path, 0), 0) << t.err;
    EXPECT_EQ(t.err, "");
    ASSERT_EQ(t.vars, 3);
    ASSERT_EQ(t.entries, 3);
    EXPECT_EQ(t.info[0].type, TAB_INT);
    EXPECT_EQ(t.info[1].type, TAB_TEXT);
    EXPECT_EQ(t.info[2].type, TAB_FLOAT);
    EXPECT_STREQ(t.info[2].fmt, "%8.3f");
    EXPECT_STREQ(t.info[1].name, "NAME");
    ASSERT_EQ(t.info[1].equivCount, 2);
    EXPECT_STREQ(t.info[1].equivList[0], "ALA");
    EXPECT_STREQ(t.info[1].equivList[1], "GLY");
    EXPECT_EQ(t.info[1].equivList[2], nullptr);
    const float want[3][3] = {{1, 0, 2.5f}, {2, 1, 3.0f}, {3, 0, -100.0f}};
    for (int e = 0; e < 3; e++)
        for (int v = 0; v < 3; v++) EXPECT_EQ(t.at(e, v), want[e][v]) << e << "," << v;
    EXPECT_EQ(getTabVar(t.info, t.vars, "val"), 2);
    EXPECT_EQ(getTabVar(t.info, t.vars, "Name"), 1);
    EXPECT_EQ(getTabVar(t.info, t.vars, "VALX"), -1);
    EXPECT_EQ(getTabVar(t.info, t.vars, "VA"), -1);
    // Releasing gives back exactly what the reader took.
    t.release();
    EXPECT_EQ(memoryBytesUsed(), before);
}

TEST_F(IoTable, DefaultsWithoutFormatAndLaterDuplicateColumnWins) {
    std::string path = writeFile("nofmt.tab", "VARS A B A\n1 2 3\n");
    Table t;
    ASSERT_EQ(t.read(path, 0), 0);
    for (int v = 0; v < 3; v++) {
        EXPECT_EQ(t.info[v].type, TAB_FLOAT);
        EXPECT_STREQ(t.info[v].fmt, "%f");
        EXPECT_EQ(t.info[v].tol, 0.0f);
    }
    EXPECT_EQ(getTabVar(t.info, t.vars, "a"), 2);
}

TEST_F(IoTable, FormatSafety) {
    EXPECT_EQ(tabFmtType("%d"), TAB_INT);
    EXPECT_EQ(tabFmtType("%-6s"), TAB_TEXT);
    EXPECT_EQ(tabFmtType("% 5d"), TAB_INT);
    EXPECT_EQ(tabFmtType("%+#08.3e"), TAB_FLOAT);
    EXPECT_EQ(tabFmtType("%.4g"), TAB_FLOAT);
    EXPECT_EQ(tabFmtType("ID%d"), TAB_INT);
    EXPECT_EQ(tabFmtType("%%%d"), TAB_INT);
    for (const char* bad : {"%n", "%d%d", "%", "%5", "d", "", "%*d", "%ld", "%lf", "%8.3x", "%dx", "%s%n", "%5.2F",
                            "%%d", "%1234d", "%.1234f", "%i"})
        EXPECT_EQ(tabFmtType(bad), 0) << bad;
    EXPECT_EQ(tabFmtType(nullptr), 0);
}

TEST_F(IoTable, NullMarkersAndTextNulls) {
    std::string path = writeFile("nulls.tab",
                                 "NULLVALUE -666\nNULLSTRING *\nVARS N X S\nFORMAT %d %f %s\n"
                                 "-666 -666 *\n5 -666.0 CA\n-666 1.5 CB\n0 0 CA\n");
    Table t;
    ASSERT_EQ(t.read(path, -999), 0) << t.err;
    ASSERT_EQ(t.entries, 4);
    EXPECT_EQ(t.at(0, 0), -999.0f);
    EXPECT_EQ(t.at(0, 1), -999.0f);
    EXPECT_EQ(t.at(0, 2), static_cast<float>(TAB_NULL_TEXT));
    EXPECT_EQ(t.at(1, 1), -999.0f);
    EXPECT_EQ(t.at(2, 0), -999.0f);
    EXPECT_EQ(t.at(3, 0), 0.0f);  // zeros are not nulls
    // The null cell takes no index: the first real text keeps index 0.
    ASSERT_EQ(t.info[2].equivCount, 2);
    EXPECT_EQ(t.at(1, 2), 0.0f);
    EXPECT_EQ(t.text(1, 2), "CA");
    EXPECT_EQ(t.text(2, 2), "CB");
    EXPECT_EQ(t.text(0, 2), "<null>");
}

TEST_F(IoTable, ShortRowsAndNonNumbersAreNamedAndRefused) {
    std::string path = writeFile("short.tab", "VARS ID NAME VAL\nFORMAT %d %s %f\nvars x y z\n7\n8 GLY 1.0 extra\n");
    Table t;
    ASSERT_EQ(t.read(path, 0), 1);
    EXPECT_EQ(t.err,
              "RdTable Warning: Bad T-Item 2:\n7\n\n"
              "RdTable Warning: Bad F-Item 3:\n7\n\n"
              "RdTable Error: 2 bad items in " + path + "\n");

    std::string p2 = writeFile("badint.tab", "VARS I\nFORMAT %d\nabc\n");
    ASSERT_EQ(t.read(p2, 0), 1);
    EXPECT_EQ(t.err, "RdTable Warning: Bad I-Item 1:\nabc\n\nRdTable Error: 1 bad item in " + p2 + "\n");

    // Extra items beyond the last column are ignored; the lower-case key line is not a row.
    std::string p4 = writeFile("extra.tab", "VARS ID NAME VAL\nFORMAT %d %s %f\nvars x y z\n8 GLY 1.0 extra\n");
    ASSERT_EQ(t.read(p4, 0), 0);
    EXPECT_EQ(t.err, "");
    ASSERT_EQ(t.entries, 1);
    EXPECT_EQ(t.text(0, 1), "GLY");
    EXPECT_EQ(t.at(0, 2), 1.0f);

    std::string p3 = writeFile("lowervars.tab", "vars a b\n1 2\n");
    EXPECT_EQ(t.read(p3, 0), 1);
    EXPECT_EQ(t.err, "RdTable Error: no variables found.\n");
    EXPECT_EQ(t.info, nullptr);
    EXPECT_EQ(t.vars, 0);
}

TEST_F(IoTable, MalformedFilesFailWithMessages) {
    Table t;
    std::string missing = tempPath("does_not_exist.tab");
    std::remove(missing.c_str());
    EXPECT_EQ(t.read(missing, 0), 1);
    EXPECT_EQ(t.err, "RdTable File open error: " + missing + ".\n");
    EXPECT_EQ(t.m, nullptr);
    EXPECT_EQ(t.vars, 0);
    EXPECT_EQ(t.entries, 0);

    // Each bad file with its message; "@" stands for the file's path.
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"VARS A B C\nFORMAT %d %d\n1 2 3\n", "RdTable Error: VARS/FORMAT mismatch:\nVARS A B C\nFORMAT %d %d\n"},
        {"VARS A B\nFORMAT\n1 2\n", "RdTable Error: VARS/FORMAT mismatch:\nVARS A B\nFORMAT\n"},
        {"VARS A B\nTOLERANCE 0.1 0.2 0.3\n1 2\n",
         "RdTable Error: VARS/TOLERANCE mismatch:\nVARS A B\nTOLERANCE 0.1 0.2 0.3\n"},
        {"VARS A B\nTOLERANCE 0.1 x\n1 2\n", "RdTable Error: bad tolerance TOLERANCE 0.1 x\n"},
        {"VARS A\nNULLVALUE\n0\n", "RdTable Error: bad NULLVALUE line in @: NULLVALUE\n"},
        {"VARS A\nNULLSTRING   \n0\n", "RdTable Error: bad NULLSTRING line in @: NULLSTRING   \n"},
        // Formats that would reach printf unsafe or untyped are refused, naming the line.
        {"VARS I N V\nFORMAT %4d %-6s %8.3x\n1 A 2\n", "RdTable Error: bad format FORMAT %4d %-6s %8.3x\n"},
        {"VARS I N V\nFORMAT %4d %n %8.3f\n1 A 2\n", "RdTable Error: bad format FORMAT %4d %n %8.3f\n"},
        {"VARS I N V\nFORMAT %d%d %s %f\n1 A 2\n", "RdTable Error: bad format FORMAT %d%d %s %f\n"},
        {"VARS I N V\nFORMAT % %s %f\n1 A 2\n", "RdTable Error: bad format FORMAT % %s %f\n"},
        {"VARS I N V\nFORMAT %d %s %*f\n1 A 2\n", "RdTable Error: bad format FORMAT %d %s %*f\n"},
    };
    for (const Case& c : cases) {
        std::string p = writeFile("bad.tab", c.text);
        std::string want = c.message;
        if (size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, p);
        EXPECT_EQ(t.read(p, 0), 1) << c.text;
        EXPECT_EQ(t.err, want);
        EXPECT_EQ(t.m, nullptr);
    }

    std::string p = writeFile("norows.tab", "REMARK nothing\nVARS A B\nFORMAT %d %d\n");
    EXPECT_EQ(t.read(p, 0), 1);
    EXPECT_EQ(t.err, "RdTable Error: no entries in " + p + "\n");
    EXPECT_EQ(t.read(p, 0, nullptr, 1), 0);
    EXPECT_EQ(t.err, "");
    EXPECT_EQ(t.m, nullptr);
    EXPECT_EQ(t.info, nullptr);
    EXPECT_EQ(t.vars, 0);
    EXPECT_EQ(t.entries, 0);
}

TEST_F(IoTable, HeaderLinesAndCountOnlyMode) {
    std::string path = writeFile("hdr.tab",
                                 "# made by hand\r\nREMARK first\nDATA FIRST_RESID 5\ndata lower case\n"
                                 "VARS A\nFORMAT %d\nEND\n1\n2\nREMARK last\n");
    hdrList* h = hdrInit();
    ASSERT_NE(h, nullptr);
    Table t;
    ASSERT_EQ(t.read(path, 0, &h), 0) << t.err;
    std::vector<std::string> got;
    const hdrList* n = h;
    for (; n->next != nullptr; n = n->next) got.push_back(n->text);
    EXPECT_EQ(n->text, nullptr);  // the list ends with an empty node
    EXPECT_EQ(got, (std::vector<std::string>{"# made by hand", "REMARK first", "DATA FIRST_RESID 5",
                                             "data lower case", "REMARK last"}));
    freeHdr(h);

    // Count-only mode: columns and row count, no matrix; rows never become header lines.
    hdrList* h2 = hdrInit();
    ASSERT_EQ(t.read(path, 0, &h2, 0, 0), 0);
    EXPECT_EQ(t.m, nullptr);
    EXPECT_EQ(t.vars, 1);
    EXPECT_EQ(t.entries, 2);
    int lines = 0;
    for (const hdrList* k = h2; k->next != nullptr; k = k->next) lines++;
    EXPECT_EQ(lines, 5);
    freeHdr(h2);
}

TEST_F(IoTable, WriterLayoutAndRoundTrip) {
    // Every header key, nulls, tolerances, a text column with a long text, a spaced format.
    std::string longText(300, 'Q');
    std::string src =
        "REMARK round trip\nDATA KEY 1 2\n"
        "VARS   ID NAME VAL W\nFORMAT %5d %-6s %8.3f %_4d\nTOLERANCE 0.5 0 0.25 0\n"
        "NULLVALUE -666\nNULLSTRING *\n\n"
        "1 ALA 2.5 3\n2 * -666 -666\n3 " + longText + " 0.125 -4\n";
    std::string path = writeFile("rt_src.tab", src);
    hdrList* h = hdrInit();
    Table a;
    ASSERT_EQ(a.read(path, -999, &h), 0) << a.err;
    EXPECT_STREQ(a.info[3].fmt, "% 4d");

    std::string out = tempPath("rt_out.tab");
    CaptureStderr();
    ASSERT_EQ(wrTable(out.c_str(), a.m, a.vars, a.entries, a.info, -999, h), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    std::string want =
        "REMARK round trip\nDATA KEY 1 2\n"
        "VARS   ID NAME VAL W\nFORMAT %5d %-6s %8.3f %_4d\nTOLERANCE  0.50  0.00  0.25  0.00\n\n"
        "NULLVALUE -999\nNULLSTRING *\n\n"
        "    1 ALA       2.500    3\n"
        "    2 *      -999.000 -999\n"
        "    3 " + longText + "    0.125   -4\n";
    EXPECT_EQ(readFile(out), want);

    hdrList* h2 = hdrInit();
    Table b;
    ASSERT_EQ(b.read(out, -999, &h2), 0) << b.err;
    ASSERT_EQ(b.vars, a.vars);
    ASSERT_EQ(b.entries, a.entries);
    for (int v = 0; v < a.vars; v++) {
        EXPECT_STREQ(b.info[v].name, a.info[v].name);
        EXPECT_STREQ(b.info[v].fmt, a.info[v].fmt);
        EXPECT_EQ(b.info[v].type, a.info[v].type);
        EXPECT_EQ(b.info[v].tol, a.info[v].tol);
    }
    for (int e = 0; e < a.entries; e++) {
        for (int v = 0; v < a.vars; v++) {
            if (a.info[v].type == TAB_TEXT)
                EXPECT_EQ(b.text(e, v), a.text(e, v)) << e;
            else
                EXPECT_EQ(b.at(e, v), a.at(e, v)) << e << "," << v;
        }
    }
    EXPECT_EQ(a.text(1, 1), "<null>");
    EXPECT_EQ(b.at(1, 1), static_cast<float>(TAB_NULL_TEXT));
    std::vector<std::string> hdrTexts;
    for (const hdrList* n = h2; n->next != nullptr; n = n->next) hdrTexts.push_back(n->text);
    EXPECT_EQ(hdrTexts, (std::vector<std::string>{"REMARK round trip", "DATA KEY 1 2"}));
    freeHdr(h);
    freeHdr(h2);
}

TEST_F(IoTable, WriterPlainColumnsDeletionAndBadTexts) {
    const std::string head = "VARS   ID NAME VAL\nFORMAT %d %s %8.3f\n\nNULLVALUE 9999\nNULLSTRING *\n\n";
    tabVar* info = nullptr;
    int n = 0;
    ASSERT_EQ(addTabVar(&info, &n, "ID", "%d", 0, TAB_INT), 0);
    ASSERT_EQ(addTabVar(&info, &n, "NAME", "%s", 0, TAB_TEXT), 0);
    ASSERT_EQ(addTabVar(&info, &n, "VAL", "%8.3f", 0, TAB_FLOAT), 0);
    ASSERT_EQ(n, 3);
    float row0[3] = {1, 0, 2.5f};
    ASSERT_EQ(setTabVal(row0, info, 1, "ALA"), 0);
    float m[9] = {1, 0, 2.5f, 2, 0, -1, 3, 0, 0};
    ASSERT_EQ(setTabVal(m + 3, info, 1, "GLY"), 0);
    EXPECT_EQ(m[4], 1.0f);
    EXPECT_EQ(info[1].equivCount, 2);

    std::string out = tempPath("plain.tab");
    ASSERT_EQ(wrTable2(out.c_str(), m, 3, 3, info, 9999, nullptr, 1, 2), 0);
    EXPECT_EQ(readFile(out), head + "1 ALA    2.500\n3 ALA    0.000\n");

    // A null value of 0 is also the index of "ALA": the real text is written.
    ASSERT_EQ(wrTable(out.c_str(), m, 3, 1, info, 0, nullptr), 0);
    EXPECT_EQ(readFile(out), "VARS   ID NAME VAL\nFORMAT %d %s %8.3f\n\nNULLVALUE 0\nNULLSTRING *\n\n1 ALA    2.500\n");


    // A text index outside the list: reported, field empty, row completed, result 1.
    float bad[3] = {5, 2, 1};
    CaptureStderr();
    EXPECT_EQ(wrTable(out.c_str(), bad, 3, 1, info, 9999, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: bad text.\nEntry 0, ID 2\n");
    EXPECT_EQ(readFile(out), head + "5     1.000\n");

    // An empty text is written as null; a text with white space is refused, so
    // that the row still reads back as one field per column.
    float odd[6] = {4, 0, 1, 5, 0, 2};
    ASSERT_EQ(setTabVal(odd, info, 1, ""), 0);
    ASSERT_EQ(setTabVal(odd + 3, info, 1, "TWO WORDS"), 0);
    CaptureStderr();
    EXPECT_EQ(wrTable(out.c_str(), odd, 3, 2, info, 9999, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: text with white space.\nEntry 1, ID 3\n");
    EXPECT_EQ(readFile(out), head + "4 *    1.000\n5 *    2.000\n");

    // A column type beyond 0..3 stops the writing.
    info[2].type = 7;
    CaptureStderr();
    EXPECT_EQ(wrTable(out.c_str(), m, 3, 2, info, 9999, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: bad type.\nEntry 0, 7\n");
    // Type 0: an empty field.
    info[2].type = 0;
    ASSERT_EQ(wrTable(out.c_str(), m, 3, 1, info, 9999, nullptr), 0);
    EXPECT_EQ(readFile(out), head + "1 ALA \n");

    // A format that does not fit its column is refused before the file is made.
    info[2].type = TAB_FLOAT;
    ASSERT_EQ(chTabVar(&info[2], "V2", "%s", 0.5f, TAB_FLOAT), 0);
    EXPECT_STREQ(info[2].name, "V2");
    std::string never = tempPath("never.tab");
    std::remove(never.c_str());
    CaptureStderr();
    EXPECT_EQ(wrTable(never.c_str(), m, 3, 1, info, 9999, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: bad format %s\n");
    EXPECT_EQ(std::fopen(never.c_str(), "r"), nullptr);

    CaptureStderr();
    EXPECT_EQ(wrTable2(out.c_str(), m, 3, 1, info, 9999, nullptr, 1, 3), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: bad format %s\n");
    ASSERT_EQ(chTabVar(&info[2], "V2", "%g", 0.5f, TAB_FLOAT), 0);
    CaptureStderr();
    EXPECT_EQ(wrTable2(out.c_str(), m, 3, 1, info, 9999, nullptr, 1, 3), 1);
    EXPECT_EQ(GetCapturedStderr(), "WrTable Error: bad column 3.\n");

    std::string dirOut = testing::TempDir() + "no_such_dir_korim/x.tab";
    CaptureStderr();
    EXPECT_EQ(wrTable(dirOut.c_str(), m, 3, 1, info, 9999, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "File open error: " + dirOut + "\n");
    freeTab(nullptr, info, n, 0);
}

TEST_F(IoTable, StandardOutputStaysOpen) {
    float m[2] = {1.5f, 2.0f};
    hdrList* h = hdrInit();
    ASSERT_EQ(addHdrLine("REMARK one", h), 0);
    ASSERT_EQ(addHdrLine("DATA TWO 2", h), 0);
    CaptureStdout();
    int status = wrTableN("-", m, 2, 1, "X", "%4.1f", 0.0f, -1, h);
    std::printf("after\n");
    std::fflush(stdout);
    std::string got = GetCapturedStdout();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(got, "REMARK one\nDATA TWO 2\nVARS   X1 X2\nFORMAT %4.1f %4.1f\n\nNULLVALUE -1\nNULLSTRING *\n\n 1.5  2.0\nafter\n");
    freeHdr(h);
}

TEST_F(IoTable, MatrixWidening) {
    float* m = fltAlloc("table", 4);
    m[0] = 1;
    m[1] = 2;
    m[2] = 3;
    m[3] = 4;
    ASSERT_EQ(addMatVar(&m, 2, 2, 1), 0);
    const float want[6] = {1, 2, 0, 3, 4, 0};
    for (int i = 0; i < 6; i++) EXPECT_EQ(m[i], want[i]) << i;
    ASSERT_EQ(addMatVar(&m, 2, 3, 0), 0);
    ASSERT_EQ(addMatVar(&m, 2, 3, 2), 0);
    const float want2[10] = {1, 2, 0, 0, 0, 3, 4, 0, 0, 0};
    for (int i = 0; i < 10; i++) EXPECT_EQ(m[i], want2[i]) << i;
}

TEST_F(IoTable, CellAccess) {
    std::string path = writeFile("cells.tab", "VARS I S F\nFORMAT %3d %-4s %6.2f\n12 AB 3.14159\n");
    Table t;
    ASSERT_EQ(t.read(path, 0), 0);
    char buf[64];
    EXPECT_EQ(getTabVal(t.m, t.info, 0, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, " 12");
    EXPECT_EQ(getTabVal(t.m, t.info, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "AB  ");
    EXPECT_EQ(getTabVal(t.m, t.info, 2, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "  3.14");
    char tiny[4];
    CaptureStderr();
    EXPECT_EQ(getTabVal(t.m, t.info, 2, tiny, sizeof tiny), 1);
    EXPECT_EQ(GetCapturedStderr(), "GetTabVal Error: value of F longer than 3 characters.\n");
    EXPECT_STREQ(tiny, "");
    t.m[1] = 5;  // an index outside the text list
    EXPECT_EQ(getTabVal(t.m, t.info, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "??? ");

    EXPECT_EQ(setTabVal(t.m, t.info, 0, "  -7 "), 0);
    EXPECT_EQ(t.m[0], -7.0f);
    EXPECT_EQ(setTabVal(t.m, t.info, 0, "x"), 1);
    EXPECT_EQ(t.m[0], 0.0f);
    EXPECT_EQ(setTabVal(t.m, t.info, 2, "2.5e1"), 0);
    EXPECT_EQ(t.m[2], 25.0f);
    EXPECT_EQ(setTabVal(t.m, t.info, 1, "AB"), 0);
    EXPECT_EQ(t.m[1], 0.0f);
    EXPECT_EQ(setTabVal(t.m, t.info, 1, "NEW TEXT"), 0);
    EXPECT_EQ(t.m[1], 1.0f);
    EXPECT_STREQ(t.info[1].equivList[1], "NEW TEXT");
}

TEST_F(IoTable, RealCouplingTableMatchesItsSource) {
    Table t;
    hdrList* h = hdrInit();
    ASSERT_EQ(t.read(fixture("ubiquitin_nh_couplings.tab"), 9999, &h), 0) << t.err;
    // The same couplings straight from the comma-separated source file.
    std::ifstream csv(std::string(KORIM_TEST_DATA) + "/ubiquitin_nh_bicelle.csv");
    std::string line;
    std::getline(csv, line);  // column names
    std::vector<int> res;
    std::vector<double> d;
    while (std::getline(csv, line)) {
        if (line.empty()) continue;
        int r = 0;
        double v = 0;
        char a1[8], a2[8];
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%7[^,],%7[^,],%lf", &r, a1, a2, &v), 4) << line;
        res.push_back(r);
        d.push_back(v);
    }
    ASSERT_EQ(t.entries, static_cast<int>(res.size()));
    int ri = getTabVar(t.info, t.vars, "resid_i");
    int di = getTabVar(t.info, t.vars, "D");
    int ai = getTabVar(t.info, t.vars, "ATOMNAME_J");
    ASSERT_GE(ri, 0);
    ASSERT_GE(di, 0);
    ASSERT_GE(ai, 0);
    for (int e = 0; e < t.entries; e++) {
        EXPECT_EQ(t.at(e, ri), res[e]);
        EXPECT_NEAR(t.at(e, di), d[e], 5e-4);
        EXPECT_EQ(t.text(e, ai), "H");
    }
    int hdrLines = 0;
    for (const hdrList* n = h; n->next != nullptr; n = n->next) hdrLines++;
    EXPECT_EQ(hdrLines, 5);
    freeHdr(h);
}

TEST_F(IoTable, AllocationFailuresAreReportedNeverCrash) {
    std::string path = writeFile("faults.tab", "REMARK r\nNULLSTRING *\nVARS ID NAME VAL\nFORMAT %d %s %f\n"
                                               "1 ALA 2\n2 GLY 3\n3 * 4\n");
    int failures = 0;
    for (int k = 1; k < 200; k++) {
        hdrList* h = hdrInit();
        ASSERT_NE(h, nullptr);
        Table t;
        memoryFailAt(k);
        CaptureStdout();  // the text list reports its failures there
        int status = t.read(path, 0, &h);
        GetCapturedStdout();
        memoryFailAt(0);
        freeHdr(h);
        if (status == 0) {
            ASSERT_EQ(t.entries, 3);
            EXPECT_EQ(t.text(1, 1), "GLY");
            break;
        }
        failures++;
        EXPECT_NE(t.err.find("Memory allocation failure."), std::string::npos) << k << ": " << t.err;
    }
    EXPECT_GT(failures, 5);  // names, formats, records, matrix, texts, header lines
}

TEST_F(IoTable, BuilderAllocationFailuresLeaveTablesUsable) {
    tabVar* info = nullptr;
    int n = 0;
    ASSERT_EQ(addTabVar(&info, &n, "A", "%d", 0, TAB_INT), 0);
    struct Step {
        int failAt;
        const char* message;
    };
    // 1: the record list, 2: the name copy, 3: the format copy.
    for (Step s : {Step{1, "Error reallocating table variables.\n"}, Step{2, "AddTabVar Error reallocating variable name.\n"},
                   Step{3, "AddTabVar Error reallocating variable format.\n"}}) {
        CaptureStderr();
        memoryFailAt(s.failAt);
        EXPECT_EQ(addTabVar(&info, &n, "B", "%f", 0, TAB_FLOAT), 1);
        memoryFailAt(0);
        std::string err = GetCapturedStderr();
        EXPECT_NE(err.find(s.message), std::string::npos) << err;
        EXPECT_EQ(n, 1);
        ASSERT_NE(info, nullptr);
        EXPECT_STREQ(info[0].name, "A");
    }
    CaptureStderr();
    memoryFailAt(2);
    EXPECT_EQ(chTabVar(&info[0], "Z", "%5d", 0, TAB_INT), 1);
    memoryFailAt(0);
    EXPECT_NE(GetCapturedStderr().find("ChTabVar Error allocating FMT.\n"), std::string::npos);
    EXPECT_STREQ(info[0].name, "A");
    EXPECT_STREQ(info[0].fmt, "%d");
    freeTab(nullptr, info, n, 0);

    // A header list whose new node cannot be had keeps its empty last node.
    hdrList* h = hdrInit();
    ASSERT_EQ(addHdrLine("REMARK a", h), 0);
    CaptureStderr();
    memoryFailAt(2);
    EXPECT_EQ(addHdrLine("REMARK b", h), 1);
    memoryFailAt(0);
    EXPECT_NE(GetCapturedStderr().find("AddHdrLine Error allocating header item.\n"), std::string::npos);
    ASSERT_NE(h->next, nullptr);
    EXPECT_EQ(h->next->text, nullptr);
    EXPECT_EQ(h->next->next, nullptr);
    freeHdr(h);

    float m[2] = {1, 2};
    std::string out = tempPath("n_fail.tab");
    for (Step s : {Step{1, "WrTableN Error allocating variable info.\n"}, Step{2, "WrTableN Error allocating variable name.\n"},
                   Step{5, "WrTableN Error allocating variable format.\n"}}) {
        CaptureStderr();
        memoryFailAt(s.failAt);
        EXPECT_EQ(wrTableN(out.c_str(), m, 2, 1, "C", "%f", 0, 0, nullptr), 1);
        memoryFailAt(0);
        std::string err = GetCapturedStderr();
        EXPECT_NE(err.find(s.message), std::string::npos) << err;
    }
}
