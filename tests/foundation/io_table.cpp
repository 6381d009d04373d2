// Tests of the text-table reader and writer: key lines, nulls, formats, round trips and bad files.
#include "foundation/memory.h"
#include "foundation/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;
using korim_test::readFile;

namespace {

const std::string kFormatHelp =
    "RdTable: korim reads its own table format: a VARS line naming the columns, a FORMAT line giving their formats, "
    "then one row a line (docs/formats.md, section \"Input coupling tables\").\n";

// A table read into memory, released at the end of the test.
struct Table {
    float* m = nullptr;
    int vars = -1, entries = -1, status = -1;
    tabVar* info = nullptr;
    std::string err;

    int load(const std::string& path, int defNull, hdrList** hdr = nullptr, int nullEntry = 0, int mode = 1) {
        release();
        return status = rdTable2(path.c_str(), &m, &vars, &entries, &info, hdr, defNull, nullEntry, mode);
    }
    int read(const std::string& path, int defNull, hdrList** hdr = nullptr, int nullEntry = 0, int mode = 1) {
        err = captureStderr([&] { load(path, defNull, hdr, nullEntry, mode); });
        return status;
    }
    float at(int e, int v) const { return m[e * vars + v]; }
    std::string text(int e, int v) const {
        int k = static_cast<int>(at(e, v));
        return k < 0 || k >= info[v].equivCount ? "<null>" : info[v].equivList[k];
    }
    void release() {
        freeTab(m, info, vars, entries);
        m = nullptr;
        info = nullptr;
    }
    ~Table() { release(); }
};

std::vector<std::string> hdrTexts(const hdrList* h) {
    std::vector<std::string> out;
    for (; h->next != nullptr; h = h->next) out.push_back(h->text);
    EXPECT_EQ(h->text, nullptr);  // the list ends with an empty node
    return out;
}

struct IoTable : korim_test::Resetting<memoryReset> {
    korim_test::TempDir dir;
    std::string file(const std::string& name, const std::string& text) { return korim_test::writeFile(dir / name, text); }
};

}  // namespace

TEST_F(IoTable, ReadsTypedColumnsAndTexts) {
    Table t;
    ASSERT_EQ(t.read(file("basic.tab", "VARS ID NAME VAL\nFORMAT %d %s %8.3f\n1 ALA 2.5\n2 GLY 3.0\n3 ALA -1e2\n"), 0), 0)
        << t.err;
    EXPECT_EQ(t.err, "");
    ASSERT_EQ(std::pair(t.vars, t.entries), std::pair(3, 3));
    EXPECT_EQ(std::vector({t.info[0].type, t.info[1].type, t.info[2].type}), std::vector({TAB_INT, TAB_TEXT, TAB_FLOAT}));
    EXPECT_STREQ(t.info[2].fmt, "%8.3f");
    ASSERT_EQ(t.info[1].equivCount, 2);
    EXPECT_EQ(std::vector<std::string>(t.info[1].equivList, t.info[1].equivList + 2), (std::vector<std::string>{"ALA", "GLY"}));
    EXPECT_EQ(t.info[1].equivList[2], nullptr);
    const float want[3][3] = {{1, 0, 2.5f}, {2, 1, 3.0f}, {3, 0, -100.0f}};
    for (int e = 0; e < 3; e++)
        for (int v = 0; v < 3; v++) EXPECT_EQ(t.at(e, v), want[e][v]) << e << "," << v;
    const std::pair<const char*, int> names[] = {{"val", 2}, {"Name", 1}, {"VALX", -1}, {"VA", -1}};
    for (auto [name, loc] : names) EXPECT_EQ(getTabVar(t.info, t.vars, name), loc) << name;

    // No FORMAT line: floating point "%f".
    ASSERT_EQ(t.read(file("nofmt.tab", "VARS A B C\n1 2 3\n"), 0), 0);
    for (int v = 0; v < 3; v++) EXPECT_TRUE(t.info[v].type == TAB_FLOAT && std::string(t.info[v].fmt) == "%f") << v;
    EXPECT_EQ(getTabVar(t.info, t.vars, "c"), 2);
}

// A VARS line that names a column twice (as the look-up compares names), and a column the caller
// reads as a number (one it names a rule for) that the FORMAT line types as text, are refused with
// their line, before any row is read. "" where the table is read; "@" stands for the path.
TEST_F(IoTable, AColumnNamedTwiceOrANumberColumnTypedAsTextIsRefused) {
    const std::string own = "); each column needs a name of its own, as korim finds a column by its name:\n";
    const std::pair<const char*, std::string> cases[] = {
        {"VARS D DD D\nFORMAT %f %f %f\n", "line 1 of @ names the column D twice (columns 1 and 3" + own +
                                              "VARS D DD D\n"},
        {"VARS D DD d\nFORMAT %f %f %f\n", "line 1 of @ names the column D twice (columns 1 and 3, as D and d: names "
                                              "are compared without regard to case" + own + "VARS D DD d\n"},
        {"REMARK\nVARS D DD Da\nFORMAT %9s %f %f\n", "line 3 of @, the FORMAT line, types column 1 (D) as a text "
                                                      "(%9s), where korim reads D as a number; give D a number format "
                                                      "(%f, %e or %g, or %d for a whole number).\n"},
        {"VARS D DD Da\nFORMAT %9.3f %f %s\n", ""},
    };
    const char* const finite[] = {"D", nullptr};
    for (auto [head, want] : cases) {
        const std::string p = file("columns.tab", head + std::string("1 2 3\n"));
        if (size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, p);
        float* m = nullptr;
        tabVar* info = nullptr;
        int vars = 0, entries = 0, status = -1;
        const std::string err =
            captureStderr([&] { status = rdTableFinite(p.c_str(), &m, &vars, &entries, &info, 0, finite); });
        EXPECT_EQ(std::pair(status, err), std::pair(want.empty() ? 0 : 1, want.empty() ? "" : "RdTable Error: " + want));
        EXPECT_EQ(m != nullptr && m[0] == 1.0f, want.empty()) << head;
        freeTab(m, info, vars, entries);
    }
}

TEST_F(IoTable, FormatSafety) {
    const std::pair<const char*, int> good[] = {{"%d", TAB_INT},       {"%-6s", TAB_TEXT}, {"% 5d", TAB_INT},
                                                {"%+#08.3e", TAB_FLOAT}, {"%.4g", TAB_FLOAT}, {"ID%d", TAB_INT},
                                                {"%%%d", TAB_INT}};
    for (auto [fmt, type] : good) EXPECT_EQ(tabFmtType(fmt), type) << fmt;
    for (const char* bad : {"%n", "%d%d", "%", "%5", "d", "", "%*d", "%ld", "%lf", "%8.3x", "%dx", "%s%n", "%5.2F",
                            "%%d", "%1234d", "%.1234f", "%i"})
        EXPECT_EQ(tabFmtType(bad), 0) << bad;
    EXPECT_EQ(tabFmtType(nullptr), 0);
}

TEST_F(IoTable, NullMarkersAndTextNulls) {
    Table t;
    ASSERT_EQ(t.read(file("nulls.tab", "NULLVALUE -666\nNULLSTRING *\nVARS N X S\nFORMAT %d %f %s\n"
                                       "-666 -666 *\n5 -666.0 CA\n-666 1.5 CB\n0 0 CA\n"),
                     -999),
              0)
        << t.err;
    ASSERT_EQ(t.entries, 4);
    const float want[4][2] = {{-999, -999}, {5, -999}, {-999, 1.5f}, {0, 0}};  // zeros are not nulls
    for (int e = 0; e < 4; e++)
        for (int v = 0; v < 2; v++) EXPECT_EQ(t.at(e, v), want[e][v]) << e << "," << v;
    EXPECT_EQ(t.at(0, 2), static_cast<float>(TAB_NULL_TEXT));
    // The null cell takes no index: the first real text keeps index 0.
    ASSERT_EQ(t.info[2].equivCount, 2);
    EXPECT_EQ(t.at(1, 2), 0.0f);
    EXPECT_EQ(t.text(2, 2), "CB");
}

// A NULLVALUE is a whole number, written as any number of that value; each with the cell that
// reads as null. The refused ones are rows of MalformedFilesFailWithMessages.
TEST_F(IoTable, ANullValueIsAWholeNumberWrittenAnyWay) {
    Table t;
    const std::pair<const char*, int> cases[] = {{"-13", 0}, {"-13.0", 0}, {"1e3", 1}, {"2147483647", -1}};
    for (auto [word, cell] : cases) {
        ASSERT_EQ(t.read(file("nv.tab", "VARS N X\nNULLVALUE " + std::string(word) + "\n-13 1000\n"), 9999), 0) << word;
        for (int v = 0; v < 2; v++) EXPECT_EQ(t.at(0, v) == 9999.0f, v == cell) << word;
    }
}

TEST_F(IoTable, ShortRowsAndNonNumbersAreNamedAndRefused) {
    Table t;
    std::string p = file("short.tab", "VARS ID NAME VAL\nFORMAT %d %s %f\n7\n8 GLY 1.0 extra\n");
    ASSERT_EQ(t.read(p, 0), 1);
    EXPECT_EQ(t.err, "RdTable Warning: Bad T-Item 2:\n7\n\nRdTable Warning: Bad F-Item 3:\n7\n\n"
                     "RdTable Error: 2 bad items in " + p + "\n");
    // An integer column has no value for a word that is no number, nor for "nan" and "inf".
    for (const std::string item : {"abc", "nan", "-inf"}) {
        p = file("badint.tab", "VARS I\nFORMAT %d\n" + item + "\n");
        ASSERT_EQ(t.read(p, 0), 1) << item;
        EXPECT_EQ(t.err, "RdTable Warning: Bad I-Item 1:\n" + item + "\n\nRdTable Error: 1 bad item in " + p + "\n");
    }

    // Extra items beyond the last column are ignored; a lower-case key line is refused (no row).
    p = file("extra.tab", "VARS ID NAME VAL\nFORMAT %d %s %f\nvars x y z\n8 GLY 1.0 extra\n");
    ASSERT_EQ(t.read(p, 0), 1);
    EXPECT_EQ(t.err, "RdTable Error: line 3 of " + p + " begins with vars, the key word VARS in another case, which "
                     "korim would skip: it reads a key word only as written in capitals (VARS):\nvars x y z\n");
    ASSERT_EQ(t.read(file("extra.tab", "VARS ID NAME VAL\nFORMAT %d %s %f\n8 GLY 1.0 extra\n"), 0), 0);
    EXPECT_EQ(t.err, "");
    ASSERT_EQ(t.entries, 1);
    EXPECT_EQ(t.text(0, 1), "GLY");
    EXPECT_EQ(t.at(0, 2), 1.0f);

    const std::string lower = file("lowervars.tab", "vars a b\n1 2\n");
    EXPECT_EQ(t.read(lower, 0), 1);
    EXPECT_EQ(t.err, "RdTable Error: line 1 of " + lower + " begins with vars, the key word VARS in another case, "
                     "which korim would skip: it reads a key word only as written in capitals (VARS):\nvars a b\n");
    EXPECT_TRUE(t.info == nullptr && t.vars == 0);
}

TEST_F(IoTable, ColumnsNamedFiniteRefuseNanAndInf) {
    // Only the named columns must hold finite numbers (case as getTabVar takes it, an absent name
    // ignored); the plain reader keeps "nan" and "inf" as they came.
    const std::string p = file("nan.tab", "VARS A B C\nFORMAT %f %f %f\n1 nan inf\n2 3 4\n");
    Table t;
    ASSERT_EQ(t.read(p, 0), 0);
    EXPECT_TRUE(std::isnan(t.at(0, 1)) && std::isinf(t.at(0, 2)));
    const char* const names[] = {"c", "X", nullptr};
    float* m = nullptr;
    tabVar* info = nullptr;
    int vars = 0, entries = 0, status = 0;
    const std::string err = captureStderr([&] { status = rdTableFinite(p.c_str(), &m, &vars, &entries, &info, 0, names); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "RdTable Warning: Bad F-Item 3:\n1 nan inf\n\nRdTable Error: 1 bad item in " + p + "\n");
    freeTab(m, info, vars, entries);
}

TEST_F(IoTable, FiniteColumnsTakeWholeNumbersAndNonNegativeOnesNothingBelowZero) {
    // Columns I and A must be finite, B also not negative; C has no rule. Each row alone in a
    // table: its message, or none and the values read.
    const struct { const char* row; const char* message; float a, b; } cases[] = {
        {"1 -13.200 0 0", "", -13.2f, 0.0f},  // an error of 0 keeps its meaning
        {"1 2 -0 nan", "", 2.0f, 0.0f},  // -0 is not below 0; C, without a rule, may be nan
        {"1 2 0 -13,200", "Bad F-Item 4:", 0, 0},  // but is wholly one number, as every column
        {"1 -13,200 1 0", "Bad F-Item 2:", 0, 0},
        {"1 12abc 1 0", "Bad F-Item 2:", 0, 0},
        {"1 8.2* 1 0", "Bad F-Item 2:", 0, 0},
        {"1 1e5e 1 0", "Bad F-Item 2:", 0, 0},
        {"1.5 2 1 0", "Bad I-Item 1:", 0, 0},
        {"1 2 -inf 0", "Bad F-Item 3:", 0, 0},
        {"1 2 -1 0", "Negative F-Item 3 (B must be 0 or more):", 0, 0},
        {"1 2 -0.001 0", "Negative F-Item 3 (B must be 0 or more):", 0, 0},
    };
    const char* const finite[] = {"I", "a", nullptr};
    const char* const nonNegative[] = {"B", nullptr};
    for (const auto& c : cases) {
        const std::string p =
            file("rules.tab", "NULLVALUE -999\nVARS I A B C\nFORMAT %d %f %f %f\n" + std::string(c.row) + "\n");
        float* m = nullptr;
        tabVar* info = nullptr;
        int vars = 0, entries = 0, status = -1;
        const std::string err = captureStderr(
            [&] { status = rdTableFinite(p.c_str(), &m, &vars, &entries, &info, 9999, finite, nonNegative); });
        if (c.message[0] == '\0') {
            EXPECT_TRUE(status == 0 && err.empty()) << c.row << err;
            EXPECT_TRUE(m != nullptr && m[1] == c.a && m[2] == c.b) << c.row;
        } else {
            EXPECT_EQ(status, 1) << c.row;
            EXPECT_EQ(err, "RdTable Warning: " + std::string(c.message) + "\n" + c.row + "\n\n" +
                               "RdTable Error: 1 bad item in " + p + "\n");
        }
        freeTab(m, info, vars, entries);
    }
    // The file's null value is no negative error: it becomes the caller's.
    const std::string p = file("null.tab", "NULLVALUE -999\nVARS B\nFORMAT %f\n-999\n");
    float* m = nullptr;
    tabVar* info = nullptr;
    int vars = 0, entries = 0;
    ASSERT_EQ(rdTableFinite(p.c_str(), &m, &vars, &entries, &info, 9999, nullptr, nonNegative), 0);
    EXPECT_EQ(m[0], 9999.0f);
    freeTab(m, info, vars, entries);
}

TEST_F(IoTable, ANumberAfterTheLastColumnIsRefusedAWordBeginsAComment) {
    // Each row alone in a table: "" where it is read, else what the message says of it. nan and
    // a number beyond a float are numbers; a word that is no number begins a comment.
    const std::pair<const char*, const char*> cases[] = {
        {"5 VAL 3 19", "3 (column 3, D) followed by the number 19"},
        {"5 VAL 3 nan", "3 (column 3, D) followed by the number nan"},
        {"5 VAL 3 1e999", "3 (column 3, D) followed by the number 1e999"},
        {"5 VAL 3 # 19", ""},
        {"5 VAL 3 x 19", ""},
        {"5 VAL 3 19x", ""},
    };
    Table t;
    for (auto [row, words] : cases) {
        const std::string p = file("after.tab", "VARS RESID RESNAME D\nFORMAT %d %s %f\n" + std::string(row) + "\n");
        EXPECT_EQ(t.read(p, 0), words[0] == '\0' ? 0 : 1) << row;
        EXPECT_EQ(t.err, words[0] == '\0' ? "" : "RdTable Error: line 3 of " + p + " holds the last value " + words +
                                                     ", where three values are taken (one number split by a space? "
                                                     "words after the values are a comment, which may not begin with "
                                                     "a number):\n" + row + "\n");
    }
}

TEST_F(IoTable, RowsSeparatedByCommasAreNamedOnceWithTheirCount) {
    const std::string head = "VARS RESID RESNAME D\nFORMAT %d %s %f\n", blanks = " blanks or tabs:\n";
    // Rows and the message, "@" for the path; a decimal comma stays a bad item of its own.
    const std::pair<std::string, std::string> cases[] = {
        {"2,GLN,-13.2\n3,ILE,8.78\n4,PHE,6.81\n", "RdTable Error: line 3 of @ separates its items by commas, as do 2 "
                                                  "rows after it (3 in all), where the items of a row are separated by" +
                                                      blanks + "2,GLN,-13.2\n"},
        {"2 GLN -13.2\n3, ILE, 8.78\n4, PHE, 6.81\n", "RdTable Error: line 4 of @ separates its items by commas, as "
                                                      "does 1 row after it (2 in all), where the items of a row are "
                                                      "separated by" + blanks + "3, ILE, 8.78\n"},
        {"2 GLN -13,2\n", "RdTable Warning: Bad F-Item 3:\n2 GLN -13,2\n\nRdTable Error: 1 bad item in @\n"},
    };
    Table t;
    for (auto [rows, want] : cases) {
        const std::string p = file("commas.tab", head + rows);
        EXPECT_EQ(t.read(p, 0), 1) << rows;
        EXPECT_EQ(t.err, want.replace(want.find('@'), 1, p));
    }
    EXPECT_EQ(t.read(dir.path, 0), 1);  // a directory is said to be one
    EXPECT_EQ(t.err, "RdTable File open error: " + dir.path + ": Is a directory.\n");
}

// Two tables joined: a later VARS or FORMAT line is kept when it repeats the first one's columns
// and types (names as the look-up compares them, formats in any widths), and otherwise refused
// with both lines. "" where the join is read; "@" stands for the path.
TEST_F(IoTable, ALaterVarsOrFormatLineMustRepeatTheFirstOnesColumns) {
    const std::string first = "VARS ID NAME VAL\nFORMAT %d %s %8.3f\n1 ALA 2.5\nREMARK joined\n";
    const std::string tail = "; a table may repeat its ";
    const auto refusal = [&](const std::string& what, const char* key, const char* allowed, const char* lines) {
        return "RdTable Error: line " + what + tail + key + " line, as two tables joined do, only with " + allowed +
               ":\n" + lines;
    };
    const char* const columns = "the same columns in the same order";
    const char* const types = "the same types, in any widths";
    const std::pair<const char*, std::string> cases[] = {
        {"VARS ID name Val\nFORMAT %4d %-6s %.1e\n2 GLY 3.0\n", ""},
        {"FORMAT %4d %-6s %g\nVARS ID NAME VAL\n2 GLY 3.0\n", ""},
        {"VARS ID NAME W\nFORMAT %d %s %f\n2 GLY 3.0\n",
         refusal("5 of @, a later VARS line, names other columns than line 1", "VARS", columns,
                 "VARS ID NAME VAL\nVARS ID NAME W\n")},
        {"VARS ID NAME VAL X\n2 GLY 3.0 4\n",
         refusal("5 of @, a later VARS line, names other columns than line 1", "VARS", columns,
                 "VARS ID NAME VAL\nVARS ID NAME VAL X\n")},
        {"VARS NAME ID VAL\nFORMAT %s %d %f\nGLY 2 3.0\n",
         refusal("5 of @, a later VARS line, names the columns of line 1 in another order", "VARS", columns,
                 "VARS ID NAME VAL\nVARS NAME ID VAL\n")},
        {"VARS ID NAME VAL\nFORMAT %d %s %d\n2 GLY 3\n",
         refusal("6 of @, a later FORMAT line, makes column 3 (VAL) an integer (%d) where line 2 makes it a number "
                 "(%8.3f)", "FORMAT", types, "FORMAT %d %s %8.3f\nFORMAT %d %s %d\n")},
        {"FORMAT %f %s %f\n2 GLY 3\n",
         refusal("5 of @, a later FORMAT line, makes column 1 (ID) a number (%f) where line 2 makes it an integer "
                 "(%d)", "FORMAT", types, "FORMAT %d %s %8.3f\nFORMAT %f %s %f\n")},
        {"FORMAT %d %s\n2 GLY\n", refusal("5 of @, a later FORMAT line, gives 2 formats where line 2 gives 3",
                                         "FORMAT", types, "FORMAT %d %s %8.3f\nFORMAT %d %s\n")},
        {"FORMAT %d %s %8.3x\n2 GLY 3\n", "RdTable Error: bad format FORMAT %d %s %8.3x\n"},
    };
    Table t;
    for (auto [second, want] : cases) {
        const std::string p = file("joined.tab", first + second);
        for (int mode : {1, 0}) {  // refused before any row is read, also when only counting them
            EXPECT_EQ(t.read(p, 0, nullptr, 0, mode), want.empty() ? 0 : 1) << second;
            if (size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, p);
            EXPECT_EQ(t.err, want) << second;
        }
        if (!want.empty()) continue;
        // The joined rows are read by the first table's columns.
        ASSERT_EQ(std::pair(t.read(p, 0), t.entries), std::pair(0, 2)) << second;
        EXPECT_STREQ(t.info[2].fmt, "%8.3f");
        EXPECT_TRUE(t.at(1, 0) == 2 && t.text(1, 1) == "GLY" && t.at(1, 2) == 3.0f) << second;
    }
}

// The files of other formats (no VARS or no FORMAT line) and the missing file are rows of the
// program's refusals; here the two cases of the reader alone.
TEST_F(IoTable, AnEmptyVarsLineAndAShortRowOfNumbersAreNamed) {
    Table t;
    const std::string bare = file("bare.tab", "VARS\n1 2\n");
    EXPECT_EQ(t.read(bare, 0), 1);
    EXPECT_EQ(t.err,
              "RdTable Error: no variables found: the VARS line of " + bare + " names no column.\n" + kFormatHelp);
    // A short row of a table of numbers is the row's fault, not the missing FORMAT line's.
    const std::string shortRow = file("short.tab", "VARS A B\n1 2\n3\n");
    EXPECT_EQ(t.read(shortRow, 0), 1);
    EXPECT_EQ(t.err, "RdTable Warning: Bad F-Item 2:\n3\n\nRdTable Error: 1 bad item in " + shortRow + "\n");
}

TEST_F(IoTable, MalformedFilesFailWithMessages) {
    Table t;
    // Each bad file with its message; "@" stands for the file's path. (The missing file's
    // message: Scratch.EnsembleRowsFromOneInFileOrderAtMost39998 in tests/app.)
    const std::string kNullValue = ", where a NULLVALUE line gives one whole number from -2147483648 to 2147483647 "
                                   "(such as NULLVALUE -666), which marks a missing value in the number columns:\n";
    const std::pair<const char*, std::string> cases[] = {
        {"VARS A B C\nFORMAT %d %d\n1 2 3\n", "RdTable Error: VARS/FORMAT mismatch:\nVARS A B C\nFORMAT %d %d\n"},
        {"VARS A B\nFORMAT\n1 2\n", "RdTable Error: VARS/FORMAT mismatch:\nVARS A B\nFORMAT\n"},
        {"VARS A B\nTOLERANCE 0.1 0.2 0.3\n1 2\n",
         "RdTable Error: VARS/TOLERANCE mismatch:\nVARS A B\nTOLERANCE 0.1 0.2 0.3\n"},
        {"VARS A B\nTOLERANCE 0.1 x\n1 2\n", "RdTable Error: bad tolerance TOLERANCE 0.1 x\n"},
        {"VARS A\nNULLVALUE -13.200\n0\n", "RdTable Error: line 2 of @ gives NULLVALUE -13.200" + kNullValue +
                                               "NULLVALUE -13.200\n"},
        {"VARS A\nNULLVALUE -13.5\n0\n", "RdTable Error: line 2 of @ gives NULLVALUE -13.5" + kNullValue +
                                             "NULLVALUE -13.5\n"},
        {"VARS A\nNULLVALUE 2147483648\n0\n", "RdTable Error: line 2 of @ gives NULLVALUE 2147483648" + kNullValue +
                                                  "NULLVALUE 2147483648\n"},
        {"VARS A\nNULLVALUE\n0\n", "RdTable Error: line 2 of @ gives no number after NULLVALUE" + kNullValue +
                                       "NULLVALUE\n"},
        {"VARS A\nNULLSTRING   \n0\n", "RdTable Error: line 2 of @ gives no text after NULLSTRING, where a NULLSTRING "
                                       "line gives the one word that marks a missing text in the text columns (such "
                                       "as NULLSTRING *):\nNULLSTRING   \n"},
        // Formats that would reach printf unsafe or untyped are refused, naming the line
        // (which formats are safe is checked with tabFmtType above).
        {"VARS I N V\nFORMAT %4d %-6s %8.3x\n1 A 2\n", "RdTable Error: bad format FORMAT %4d %-6s %8.3x\n"},
        {"VARS I N V\nFORMAT %4d %n %8.3f\n1 A 2\n", "RdTable Error: bad format FORMAT %4d %n %8.3f\n"},
    };
    for (auto [text, message] : cases) {
        std::string p = file("bad.tab", text), want = message;
        if (size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, p);
        EXPECT_EQ(t.read(p, 0), 1) << text;
        EXPECT_EQ(t.err, want);
        EXPECT_EQ(t.m, nullptr);
    }

    std::string p = file("norows.tab", "REMARK nothing\nVARS A B\nFORMAT %d %d\n");
    EXPECT_EQ(t.read(p, 0), 1);
    EXPECT_EQ(t.err, "RdTable Error: no entries in " + p + "\n");
    EXPECT_EQ(t.read(p, 0, nullptr, 1), 0);  // allowed: an empty table
    EXPECT_TRUE(t.err.empty() && t.m == nullptr && t.entries == 0);
}

TEST_F(IoTable, HeaderLinesAndCountOnlyMode) {
    std::string path = file("hdr.tab", "# made by hand\r\nREMARK first\nDATA FIRST_RESID 5\nDATA upper case\n"
                                       "VARS A\nFORMAT %d\nEND\n1\n2\nREMARK last\n");
    const std::vector<std::string> want = {"# made by hand", "REMARK first", "DATA FIRST_RESID 5", "DATA upper case",
                                           "REMARK last"};
    Table t;
    for (int mode : {1, 0}) {  // 0: columns and row count only, no matrix
        hdrList* h = hdrInit();
        ASSERT_EQ(t.read(path, 0, &h, 0, mode), 0) << t.err;
        EXPECT_EQ(hdrTexts(h), want);  // rows never become header lines
        EXPECT_EQ(t.entries, 2);
        EXPECT_EQ(t.m == nullptr, mode == 0);
        freeHdr(h);
    }
}

TEST_F(IoTable, WriterLayoutAndRoundTrip) {
    // Every header key, nulls, tolerances, a text column with a long text, a spaced format.
    std::string longText(300, 'Q');
    std::string path = file("rt_src.tab", "REMARK round trip\nDATA KEY 1 2\n"
                                          "VARS   ID NAME VAL W\nFORMAT %5d %-6s %8.3f %_4d\nTOLERANCE 0.5 0 0.25 0\n"
                                          "NULLVALUE -666\nNULLSTRING *\n\n"
                                          "1 ALA 2.5 3\n2 * -666 -666\n3 " + longText + " 0.125 -4\n");
    hdrList* h = hdrInit();
    Table a;
    ASSERT_EQ(a.read(path, -999, &h), 0) << a.err;
    EXPECT_STREQ(a.info[3].fmt, "% 4d");

    std::string out = dir / "rt_out.tab";
    int status = -1;
    EXPECT_EQ(captureStderr([&] { status = wrTable(out.c_str(), a.m, a.vars, a.entries, a.info, -999, h); }), "");
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readFile(out), "REMARK round trip\nDATA KEY 1 2\n"
                             "VARS   ID NAME VAL W\nFORMAT %5d %-6s %8.3f %_4d\nTOLERANCE  0.50  0.00  0.25  0.00\n\n"
                             "NULLVALUE -999\nNULLSTRING *\n\n"
                             "    1 ALA       2.500    3\n"
                             "    2 *      -999.000 -999\n"
                             "    3 " + longText + "    0.125   -4\n");

    // Read back and written again, the table is the same file: the null text, the tolerances and
    // the header lines survive the round trip.
    hdrList* h2 = hdrInit();
    Table b;
    ASSERT_EQ(b.read(out, -999, &h2), 0) << b.err;
    EXPECT_EQ(b.at(1, 1), static_cast<float>(TAB_NULL_TEXT));
    std::string again = dir / "rt_again.tab";
    ASSERT_EQ(wrTable(again.c_str(), b.m, b.vars, b.entries, b.info, -999, h2), 0);
    EXPECT_EQ(readFile(again), readFile(out));
    freeHdr(h);
    freeHdr(h2);
}

TEST_F(IoTable, WriterPlainColumnsDeletionAndBadTexts) {
    const std::string head = "VARS   ID NAME VAL\nFORMAT %d %s %8.3f\n\nNULLVALUE 9999\nNULLSTRING *\n\n";
    tabVar* info = nullptr;
    int n = 0;
    for (auto [name, fmt, type] : {std::tuple{"ID", "%d", TAB_INT}, {"NAME", "%s", TAB_TEXT}, {"VAL", "%8.3f", TAB_FLOAT}})
        ASSERT_EQ(addTabVar(&info, &n, name, fmt, 0, type), 0);
    float m[9] = {1, 0, 2.5f, 2, 0, -1, 3, 0, 0};
    ASSERT_EQ(setTabVal(m, info, 1, "ALA"), 0);
    ASSERT_EQ(setTabVal(m + 3, info, 1, "GLY"), 0);

    std::string out = dir / "plain.tab";
    // Writes rows of m with wrTable (or wrTable2 deleting by delVar); returns the result and what
    // stderr got.
    using Result = std::pair<int, std::string>;
    auto write = [&](const float* rows, int count, int nullValue, int delVar = -1) {
        int status = -1;
        std::string err = captureStderr([&] {
            status = delVar < 0 ? wrTable(out.c_str(), rows, 3, count, info, nullValue, nullptr)
                                : wrTable2(out.c_str(), rows, 3, count, info, nullValue, nullptr, 1, delVar);
        });
        return Result(status, err);
    };
    EXPECT_EQ(write(m, 3, 9999, 2), Result(0, ""));  // the row with a negative VAL is left out
    EXPECT_EQ(readFile(out), head + "1 ALA    2.500\n3 ALA    0.000\n");

    // A null value of 0 is also the index of "ALA": the real text is written.
    EXPECT_EQ(write(m, 1, 0), Result(0, ""));
    EXPECT_EQ(readFile(out), "VARS   ID NAME VAL\nFORMAT %d %s %8.3f\n\nNULLVALUE 0\nNULLSTRING *\n\n1 ALA    2.500\n");

    // A text index outside the list: reported, field empty, row completed, result 1.
    float bad[3] = {5, 2, 1};
    EXPECT_EQ(write(bad, 1, 9999), Result(1, "WrTable Error: bad text.\nEntry 0, ID 2\n"));
    EXPECT_EQ(readFile(out), head + "5     1.000\n");

    // An empty text is written as null; a text with white space is refused, so
    // that the row still reads back as one field per column.
    float odd[6] = {4, 0, 1, 5, 0, 2};
    ASSERT_EQ(setTabVal(odd, info, 1, ""), 0);
    ASSERT_EQ(setTabVal(odd + 3, info, 1, "TWO WORDS"), 0);
    EXPECT_EQ(write(odd, 2, 9999), Result(1, "WrTable Error: text with white space.\nEntry 1, ID 3\n"));
    EXPECT_EQ(readFile(out), head + "4 *    1.000\n5 *    2.000\n");

    // A format that does not fit its column is refused before the file is made.
    ASSERT_EQ(chTabVar(&info[2], "V2", "%s", 0.5f, TAB_FLOAT), 0);
    std::remove(out.c_str());
    EXPECT_EQ(write(m, 1, 9999), Result(1, "WrTable Error: bad format %s\n"));
    EXPECT_FALSE(korim_test::fileExists(out));
    ASSERT_EQ(chTabVar(&info[2], "V2", "%g", 0.5f, TAB_FLOAT), 0);
    EXPECT_EQ(write(m, 1, 9999, 3), Result(1, "WrTable Error: bad column 3.\n"));

    out = dir / "no_such_dir/x.tab";
    EXPECT_EQ(write(m, 1, 9999), Result(1, "File open error: " + out + "\n"));
    freeTab(nullptr, info, n, 0);
}

TEST_F(IoTable, StandardOutputStaysOpen) {
    float m[2] = {1.5f, 2.0f};
    hdrList* h = hdrInit();
    ASSERT_EQ(addHdrLine("REMARK one", h), 0);
    ASSERT_EQ(addHdrLine("DATA TWO 2", h), 0);
    int status = -1;
    EXPECT_EQ(korim_test::captureStdout([&] {
                  status = wrTableN("-", m, 2, 1, "X", "%4.1f", 0.0f, -1, h);
                  std::printf("after\n");
              }),
              "REMARK one\nDATA TWO 2\nVARS   X1 X2\nFORMAT %4.1f %4.1f\n\nNULLVALUE -1\nNULLSTRING *\n\n 1.5  2.0\nafter\n");
    EXPECT_EQ(status, 0);
    freeHdr(h);
}

TEST_F(IoTable, CellAccess) {
    Table t;
    ASSERT_EQ(t.read(file("cells.tab", "VARS I S F\nFORMAT %3d %-4s %6.2f\n12 AB 3.14159\n"), 0), 0);
    char buf[64];
    for (auto [v, want] : {std::pair{0, " 12"}, {1, "AB  "}, {2, "  3.14"}}) {
        EXPECT_EQ(getTabVal(t.m, t.info, v, buf, sizeof buf), 0);
        EXPECT_STREQ(buf, want);
    }
    char tiny[4];
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(getTabVal(t.m, t.info, 2, tiny, sizeof tiny), 1); }),
              "GetTabVal Error: value of F longer than 3 characters.\n");
    EXPECT_STREQ(tiny, "");
    t.m[1] = 5;  // an index outside the text list
    EXPECT_EQ(getTabVal(t.m, t.info, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "??? ");

    // Texts into cells: (column, text, status, stored value).
    const struct { int v; const char* text; int status; float value; } sets[] = {
        {0, "  -7 ", 0, -7}, {0, "x", 1, 0}, {2, "2.5e1", 0, 25}, {1, "AB", 0, 0}, {1, "NEW TEXT", 0, 1}};
    for (const auto& s : sets) {
        EXPECT_EQ(setTabVal(t.m, t.info, s.v, s.text), s.status) << s.text;
        EXPECT_EQ(t.m[s.v], s.value) << s.text;
    }
    EXPECT_STREQ(t.info[1].equivList[1], "NEW TEXT");
}

// Slips a table would read as something else: a key word in another case (a line skipped, its
// NULLVALUE lost), a number after NULLVALUE's, a whole item the float matrix would round. Each
// file with its message ("@": its path), or "" and the value of its one cell.
TEST_F(IoTable, SlipsReadAsSomethingElseAreRefusedWithTheirLine) {
    const std::string kCase = " in another case, which korim would skip: it reads a key word only as written in capitals (";
    const std::string kBeyond = ", beyond the whole numbers from -16777216 to 16777216 that a table holds exactly (it "
                                "keeps its values as single-precision numbers):\n";
    const struct { const char* text; std::string message; float cell; } cases[] = {
        {"VARS A\nnullvalue -666\n-666\n", "line 2 of @ begins with nullvalue, the key word NULLVALUE" + kCase +
                                               "NULLVALUE):\nnullvalue -666\n", 0},
        {"Nullstring *\nVARS A\n1\n", "line 1 of @ begins with Nullstring, the key word NULLSTRING" + kCase +
                                          "NULLSTRING):\nNullstring *\n", 0},
        {"remark made by hand\nVARS A\n1\n", "line 1 of @ begins with remark, the key word REMARK" + kCase +
                                                 "REMARK):\nremark made by hand\n", 0},
        {"VARS A\nFORMAT %d\ndata FIRST_RESID 5\n1\n", "line 3 of @ begins with data, the key word DATA" + kCase +
                                                           "DATA):\ndata FIRST_RESID 5\n", 0},
        {"REMARK nullvalue and vars in a remark\nVARS A\nFORMAT %d\n7\n", "", 7},
        {"VARS A\nNULLVALUE 2 3\n2\n", "line 2 of @ gives NULLVALUE the value 2 followed by the number 3, where one value "
                                       "is taken (one number split by a space? words after the value are a comment, "
                                       "which may not begin with a number):\nNULLVALUE 2 3\n", 0},
        {"VARS A\nNULLVALUE 2 # unmeasured\n2\n", "", -999},
        {"VARS A\nFORMAT %d\n16777217\n", "line 3 of @ holds 16777217 in column 1 (A)" + kBeyond + "16777217\n", 0},
        {"VARS A\nFORMAT %d\n-16777217\n", "line 3 of @ holds -16777217 in column 1 (A)" + kBeyond + "-16777217\n", 0},
        {"VARS A\nFORMAT %d\n3e9\n", "line 3 of @ holds 3e9 in column 1 (A)" + kBeyond + "3e9\n", 0},
        {"VARS A\nFORMAT %d\n-16777216\n", "", -16777216.0f},
        {"VARS A\nNULLVALUE 2147483647\nFORMAT %d\n2147483647\n", "", -999},  // the NULLVALUE is no value
    };
    Table t;
    for (const auto& c : cases) {
        const std::string p = file("slip.tab", c.text);
        std::string want = c.message.empty() ? "" : "RdTable Error: " + c.message;
        if (size_t at = want.find('@'); at != std::string::npos) want.replace(at, 1, p);
        EXPECT_EQ(t.read(p, -999), c.message.empty() ? 0 : 1) << c.text;
        EXPECT_EQ(t.err, want) << c.text;
        if (c.message.empty() && t.status == 0) {
            EXPECT_EQ(t.at(0, 0), c.cell) << c.text;
        }
    }
}

// The cells that held the file's NULLVALUE are told apart from the same number written, even
// where the caller's null value is that number.
TEST_F(IoTable, NullCellsAreRecordedForTheCaller) {
    const std::string p = file("nulls.tab", "NULLVALUE -666\nVARS R D\nFORMAT %d %f\n-666 9999\n5 -666.0\n");
    float* m = nullptr;
    tabVar* info = nullptr;
    int vars = 0, entries = 0;
    TableNulls nulls;
    ASSERT_EQ(rdTableFinite(p.c_str(), &m, &vars, &entries, &info, 9999, nullptr, nullptr, nullptr, &nulls), 0);
    EXPECT_TRUE(nulls.given && nulls.value == -666);
    EXPECT_EQ(std::vector<float>(m, m + 4), std::vector<float>({9999, 9999, 5, 9999}));
    EXPECT_EQ(std::vector<bool>({nulls.at(0, 2, 0), nulls.at(0, 2, 1), nulls.at(1, 2, 0), nulls.at(1, 2, 1)}),
              std::vector<bool>({true, false, false, true}));
    freeTab(m, info, vars, entries);
}
