// Text-table reader: key lines (VARS, FORMAT, TOLERANCE, NULLVALUE, NULLSTRING) and data rows into a float matrix.
#include "foundation/table.h"

#include "foundation/inputfile.h"
#include "foundation/isdataline.h"
#include "foundation/maptext.h"
#include "foundation/memory.h"
#include "foundation/numberword.h"
#include "foundation/stralloc.h"
#include "foundation/token.h"
#include "foundation/valuecomment.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>
#include <unordered_map>
#include <vector>

namespace korim::foundation {

namespace {

constexpr int BUFF_LEN = 256;

// Where a message about a file that is no table of this reader sends the user.
constexpr const char* kTableFormatHelp =
    "RdTable: korim reads its own table format: a VARS line naming the columns, a FORMAT line giving their "
    "formats, then one row a line (docs/formats.md, section \"Input coupling tables\").\n";

// Copy of a format token with every "_" turned into a space.
char* decodeFormat(const char* token) {
    char* fmt = strDup(token);
    if (fmt != nullptr)
        for (char* p = fmt; *p != '\0'; p++)
            if (*p == '_') *p = ' ';
    return fmt;
}

// Header lines kept by the reader: comments, "DATA" and "REMARK" lines.
bool isHeaderLine(const char* line) {
    const char* t = getToken(1, line);
    if (badToken || t[0] == '\0') return false;
    return t[0] == '#' || strcasecmp(t, "DATA") == 0 || strcasecmp(t, "REMARK") == 0;
}

// Reader resources released on every path.
struct ReadState {
    FILE* in = nullptr;
    char cBuff[BUFF_LEN];
    char inBuff[BUFF_LEN];
    char* line = nullptr;
    int cap = 0;

    ~ReadState() {
        if (in != nullptr) std::fclose(in);
        strAllocFree(&line, cBuff, BUFF_LEN, &cap);
        freeToken();
    }
    const char* next() { return fgetsAlloc(&line, &cap, in, inBuff, BUFF_LEN, cBuff, BUFF_LEN); }
    // End of the lines: 0 at end of file, 1 when a line could not be read whole.
    int endStatus() const { return std::feof(in) ? 0 : 1; }
};

}  // namespace

int tabFmtType(const char* fmt) {
    if (fmt == nullptr) return 0;
    const char* p = fmt;
    // Literal text, where "%%" is a literal percent sign.
    for (;;) {
        if (*p == '\0') return 0;  // no conversion at all
        if (*p == '%') {
            if (p[1] == '%') {
                p += 2;
                continue;
            }
            break;
        }
        p++;
    }
    p++;  // the conversion's "%"
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) p++;
    int digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        p++;
        if (++digits > 3) return 0;
    }
    if (*p == '.') {
        p++;
        digits = 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            p++;
            if (++digits > 3) return 0;
        }
    }
    int type = 0;
    switch (*p) {
    case 's': type = TAB_TEXT; break;
    case 'd': type = TAB_INT; break;
    case 'e':
    case 'f':
    case 'g': type = TAB_FLOAT; break;
    default: return 0;
    }
    // The conversion must end the format: its type is read from the last character.
    return p[1] == '\0' ? type : 0;
}

int rdTable(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr, tabVar** varInfoPtr,
            int defNullValue) {
    return rdTable2(inName, matrixPtr, varCountPtr, entryCountPtr, varInfoPtr, nullptr, defNullValue, 0, 1);
}

namespace {

// What the first pass learns: the key lines (with the line numbers of VARS and FORMAT), the null
// markers and the number of rows.
struct KeyLines {
    std::string varsLine, fmtLine, tolLine;
    int varsLineNo = 0, fmtLineNo = 0;
    bool haveVars = false, haveFmt = false, haveTol = false;
    bool haveNullString = false, haveNullValue = false;
    std::string nullString;
    int fileNullValue = 0;
    int rows = 0;
};

// The items of a key line after its key word.
std::vector<std::string> keyItems(const std::string& line) {
    const int n = cntToken(line.c_str());
    std::vector<const char*> starts(static_cast<size_t>(n > 0 ? n : 0));
    std::vector<int> lengths(starts.size());
    tokenSpans(line.c_str(), starts.data(), lengths.data(), n);
    std::vector<std::string> items;
    for (int i = 1; i < n; i++) items.emplace_back(starts[i], static_cast<size_t>(lengths[i]));
    return items;
}

// Column names are compared with the letters a to z upper-cased.
char upperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A column name as the column look-up compares it.
std::string upperName(std::string name) {
    for (char& c : name) c = upperLetter(c);
    return name;
}

// The column type a format item gives (0: none), "_" read as a blank.
int itemType(std::string item) {
    for (char& c : item)
        if (c == '_') c = ' ';
    return tabFmtType(item.c_str());
}

const char* typeWord(int type) { return type == TAB_TEXT ? "a text" : type == TAB_INT ? "an integer" : "a number"; }

// A later VARS or FORMAT line that does not repeat the first one's columns: what differs, then
// both lines.
void repeatRefusal(const char* key, const char* inName, int lineNo, const std::string& line,
                   const std::string& first, const std::string& what, const char* allowed) {
    std::fprintf(stderr,
                 "RdTable Error: line %d of %s, a later %s line, %s; a table may repeat its %s line, as two tables "
                 "joined do, only with %s:\n%s\n%s\n",
                 lineNo, inName, key, what.c_str(), key, allowed, shownLine(first.c_str()).c_str(),
                 shownLine(line.c_str()).c_str());
}

// A later VARS line: kept when it names the first one's columns in their order (as the column
// look-up compares names); true after the message when it does not.
bool varsRepeatRefused(const KeyLines& k, const char* inName, int lineNo, const std::string& line) {
    std::vector<std::string> first = keyItems(k.varsLine), later = keyItems(line);
    for (auto* list : {&first, &later})
        for (std::string& name : *list) name = upperName(name);
    if (first == later) return false;
    const std::string firstNo = "line " + std::to_string(k.varsLineNo);
    std::string what = "names other columns than " + firstNo;
    if (first.size() == later.size()) {
        std::vector<std::string> a = first, b = later;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a == b) what = "names the columns of " + firstNo + " in another order";
    }
    repeatRefusal("VARS", inName, lineNo, line, k.varsLine, what, "the same columns in the same order");
    return true;
}

// A later FORMAT line: kept when it gives each column of the first one the same type, whatever
// its widths; true after the message when it does not. A format no column takes is left to the
// column records, which name the first line's; a later line's is named here.
bool formatRepeatRefused(const KeyLines& k, const char* inName, int lineNo, const std::string& line) {
    const std::vector<std::string> first = keyItems(k.fmtLine), later = keyItems(line);
    const char* const allowed = "the same types, in any widths";
    const std::string firstNo = "line " + std::to_string(k.fmtLineNo);
    if (first.size() != later.size()) {
        const std::string what = "gives " + std::to_string(later.size()) + " formats where " + firstNo + " gives " +
                                 std::to_string(first.size());
        repeatRefusal("FORMAT", inName, lineNo, line, k.fmtLine, what, allowed);
        return true;
    }
    const std::vector<std::string> names = k.haveVars ? keyItems(k.varsLine) : std::vector<std::string>{};
    for (size_t v = 0; v < first.size(); v++) {
        const int was = itemType(first[v]), is = itemType(later[v]);
        if (is == 0) {
            std::fprintf(stderr, "RdTable Error: bad format %s\n", shownLine(line.c_str()).c_str());
            return true;
        }
        if (was == 0 || was == is) continue;
        const std::string column = "column " + std::to_string(v + 1) +
                                   (v < names.size() ? " (" + names[v] + ")" : std::string());
        const std::string what = "makes " + column + " " + typeWord(is) + " (" + later[v] + ") where " + firstNo +
                                 " makes it " + typeWord(was) + " (" + first[v] + ")";
        repeatRefusal("FORMAT", inName, lineNo, line, k.fmtLine, what, allowed);
        return true;
    }
    return false;
}

// What the reader has reached; stored for the caller on every exit.
struct TableOut {
    float* matrix = nullptr;
    tabVar* varInfo = nullptr;
    int varCount = 0;
    int entryCount = 0;
};

// The number of a NULLVALUE line into *value; false after the message when it is not one whole
// number within the int range. Without its number every 0 would silently turn null; with a part
// of it ("9999x" as 9999, "-13.200" as -13) other values would.
bool nullValueRead(const char* line, const char* inName, int lineNo, int* value) {
    const std::string word = getToken(2, line);
    if (!badToken && integerWord(word, value) == NumberWord::number) {
        // "NULLVALUE 2 3" is no NULLVALUE 2: words after the number are a comment, not a number.
        const std::string next = numberAfterValues(line, 2);
        if (next.empty()) return true;
        lineRefusal("RdTable", inName, lineNo, line, "gives NULLVALUE " + numberAfterValueText(word, next));
        return false;
    }
    const std::string given =
        badToken ? "gives no number after NULLVALUE" : "gives NULLVALUE " + shownLine(word.c_str());
    lineRefusal("RdTable", inName, lineNo, line,
                given + ", where a NULLVALUE line gives one whole number from -2147483648 to 2147483647 (such as "
                        "NULLVALUE -666), which marks a missing value in the number columns");
    return false;
}

// First pass: the key lines and the number of rows; 0, or 1 after a message.
int scanKeyLines(ReadState& rs, const char* inName, KeyLines& k) {
    int lineNo = 0;
    for (const char* line; (line = rs.next()) != nullptr;) {
        lineNo++;
        const char* first = getToken(1, line);
        if (badToken || first[0] == '\0') continue;
        // A key word in another case would be neither a key line nor a row: the line would be
        // skipped, and with it a NULLVALUE or the columns' names.
        if (const char* key = keyWordInOtherCase(first)) {
            lineRefusal("RdTable", inName, lineNo, line,
                        "begins with " + shownLine(first) + ", the key word " + key +
                            " in another case, which korim would skip: it reads a key word only as written in "
                            "capitals (" + key + ")");
            return 1;
        }
        // The key words start with F, V, T or N: other lines are rows or comments.
        const bool maybeKey = std::strchr("FVTN", first[0]) != nullptr;
        // The first VARS and FORMAT lines read every row: a later one (two tables joined) must
        // repeat their columns.
        if (maybeKey && std::strcmp(first, "FORMAT") == 0) {
            if (k.haveFmt && formatRepeatRefused(k, inName, lineNo, lineText(line))) return 1;
            if (!k.haveFmt) {
                k.fmtLine = lineText(line);
                k.fmtLineNo = lineNo;
            }
            k.haveFmt = true;
        } else if (maybeKey && std::strcmp(first, "VARS") == 0) {
            if (k.haveVars && varsRepeatRefused(k, inName, lineNo, lineText(line))) return 1;
            if (!k.haveVars) {
                k.varsLine = lineText(line);
                k.varsLineNo = lineNo;
            }
            k.haveVars = true;
        } else if (maybeKey && std::strcmp(first, "TOLERANCE") == 0) {
            if (!k.haveTol) k.tolLine = lineText(line);
            k.haveTol = true;
        } else if (maybeKey && std::strcmp(first, "NULLSTRING") == 0) {
            const char* t = getToken(2, line);
            if (badToken) {
                // Without its text every empty cell would silently turn null.
                lineRefusal("RdTable", inName, lineNo, line,
                            "gives no text after NULLSTRING, where a NULLSTRING line gives the one word that marks a "
                            "missing text in the text columns (such as NULLSTRING *)");
                return 1;
            }
            k.nullString = t;
            k.haveNullString = true;
        } else if (maybeKey && std::strcmp(first, "NULLVALUE") == 0) {
            if (!nullValueRead(line, inName, lineNo, &k.fileNullValue)) return 1;
            k.haveNullValue = true;
        } else if (isDataLine(line)) {
            if (k.rows == INT_MAX) {
                std::fprintf(stderr, "RdTable Error: too many entries in %s\n", inName);
                return 1;
            }
            k.rows++;
        }
    }
    if (rs.endStatus() != 0) {
        if (!textRefused(rs.in, "RdTable", inName)) std::fprintf(stderr, "RdTable Error reading %s\n", inName);
        return 1;
    }
    return 0;
}

// Refuses a VARS line that names one column twice (names compared as the look-up compares them):
// a reader would find one of the two by its name and take the other's values for it, or leave
// them unread. True after the message.
bool duplicateColumnRefused(const char* inName, const KeyLines& k) {
    const std::vector<std::string> names = keyItems(k.varsLine);
    std::unordered_map<std::string, size_t> seen;  // upper-cased name -> its first column (from 0)
    for (size_t later = 0; later < names.size(); later++) {
        const auto [at, isNew] = seen.emplace(upperName(names[later]), later);
        if (isNew) continue;
        const size_t first = at->second;
        const std::string a = shownLine(names[first].c_str()), b = shownLine(names[later].c_str());
        const std::string spelt =
            a == b ? std::string() : ", as " + a + " and " + b + ": names are compared without regard to case";
        lineRefusal("RdTable", inName, k.varsLineNo, k.varsLine.c_str(),
                    "names the column " + a + " twice (columns " + std::to_string(first + 1) + " and " +
                        std::to_string(later + 1) + spelt +
                        "); each column needs a name of its own, as korim finds a column by its name");
        return true;
    }
    return false;
}

// The column records from the VARS, FORMAT and TOLERANCE lines; 0, or 1 after a message
// (with the records reached so far in t).
int buildColumns(const char* inName, const KeyLines& k, TableOut& t) {
    int vCount = k.haveVars ? cntToken(k.varsLine.c_str()) - 1 : -1;
    int fmtCount = k.haveFmt ? cntToken(k.fmtLine.c_str()) - 1 : -1;
    int tolCount = k.haveTol ? cntToken(k.tolLine.c_str()) - 1 : -1;
    if (vCount < 1) {
        // Most often a file of another format (a CSV, a listing, a structure) given as a table.
        if (k.haveVars)
            std::fprintf(stderr, "RdTable Error: no variables found: the VARS line of %s names no column.\n", inName);
        else
            std::fprintf(stderr, "RdTable Error: no variables found: %s has no VARS line naming its columns.\n",
                         inName);
        std::fputs(kTableFormatHelp, stderr);
        return 1;
    }
    if (duplicateColumnRefused(inName, k)) return 1;
    // A FORMAT line must give one format per column; an empty one is a mismatch too.
    if (k.haveFmt && fmtCount != vCount) {
        std::fprintf(stderr, "RdTable Error: VARS/FORMAT mismatch:\n");
        std::fprintf(stderr, "%s\n%s\n", shownLine(k.varsLine.c_str()).c_str(), shownLine(k.fmtLine.c_str()).c_str());
        return 1;
    }
    if (tolCount > 0 && tolCount != vCount) {
        std::fprintf(stderr, "RdTable Error: VARS/TOLERANCE mismatch:\n");
        std::fprintf(stderr, "%s\n%s\n", shownLine(k.varsLine.c_str()).c_str(), shownLine(k.tolLine.c_str()).c_str());
        return 1;
    }

    // Column records, cleared first so that a partly filled list can be released.
    if (static_cast<long long>(vCount) * static_cast<long long>(sizeof(tabVar)) > INT_MAX) {
        std::fprintf(stderr, "RdTable Error allocating variable info.\n");
        return 1;
    }
    t.varInfo = static_cast<tabVar*>(voidMalloc("table", vCount * static_cast<int>(sizeof(tabVar))));
    if (t.varInfo == nullptr) {
        std::fprintf(stderr, "RdTable Error allocating variable info.\n");
        return 1;
    }
    for (int v = 0; v < vCount; v++) t.varInfo[v] = tabVar{};
    t.varCount = vCount;

    for (int v = 0; v < t.varCount; v++) {
        tabVar& col = t.varInfo[v];
        std::string nameTok = getToken(v + 2, k.varsLine.c_str());
        col.name = strDup(nameTok.c_str());
        if (col.name == nullptr) {
            std::fprintf(stderr, "RdTable Error allocating var name.\n");
            std::fprintf(stderr, "Name: %s\n", nameTok.c_str());
            return 1;
        }
        std::string fmtTok = k.haveFmt ? getToken(v + 2, k.fmtLine.c_str()) : "%f";
        col.fmt = decodeFormat(fmtTok.c_str());
        if (col.fmt == nullptr) {
            std::fprintf(stderr, "RdTable Error allocating var format.\n");
            std::fprintf(stderr, "Format: %s\n", fmtTok.c_str());
            return 1;
        }
        col.fmtLine = k.haveFmt ? k.fmtLineNo : 0;
        // Formats from a file are printf formats later: only safe ones pass.
        col.type = tabFmtType(col.fmt);
        if (col.type == 0) {
            std::fprintf(stderr, "RdTable Error: bad format %s\n", shownLine(k.fmtLine.c_str()).c_str());
            return 1;
        }
        if (tolCount == t.varCount) {
            col.tol = getTokenR(v + 2, k.tolLine.c_str());
            if (badToken) {
                std::fprintf(stderr, "RdTable Error: bad tolerance %s\n", shownLine(k.tolLine.c_str()).c_str());
                return 1;
            }
        }
    }
    return 0;
}

// What a column's number items must be (columns named by the caller of rdTableFinite).
// whole: a finite whole number within the int range whatever the column's format says (a
// residue number written as %f is no more 8 for "8.5" than one written as %d).
enum class ColumnRule { any, finite, finiteNonNegative, whole };

// The row being read and what the reader has found wrong so far.
struct RowContext {
    const char* inName;
    const KeyLines& k;
    int defNullValue;
    const char* line = nullptr;  // as read, line end included
    int lineNo = 0;
    TableNulls* nulls = nullptr;  // the caller's record of null cells, or none
    size_t rowCell = 0;           // the row's first cell in nulls->cells
    int badItems = 0;  // missing or unreadable items: each is named, and the read then fails
    int commaRows = 0;  // rows whose items are separated by commas: counted, the first one shown
    int firstCommaLine = 0;
    std::string firstCommaRow{};
};

// True when the item of length characters at start begins with no number at all: a text such
// as a residue name, not a number written wrongly ("nan", "12abc", "1e999").
bool isTextItem(const char* start, int length) {
    const std::string item(start, static_cast<size_t>(length));
    char* end = nullptr;
    static_cast<void>(std::strtod(item.c_str(), &end));
    return end == item.c_str();
}

// True when a whole item, read by integerWord as got (its value i), is a number beyond what a
// table holds exactly (TAB_WHOLE_MAX): one within the int range, or one beyond it ("3e9").
bool wholeBeyondTable(std::string_view word, NumberWord got, int i) {
    if (got == NumberWord::number) return i > TAB_WHOLE_MAX || i < -TAB_WHOLE_MAX;
    if (got != NumberWord::outOfRange) return false;
    // Beyond the int range, or too small for a double ("1e-400", which is no such number).
    const std::string text(word);
    return std::fabs(std::strtod(text.c_str(), nullptr)) > TAB_WHOLE_MAX;
}

// Reports a number item that is missing (start null) or not a number; false when that ends the
// read. Without a FORMAT line every column is read as a number: a table whose columns hold texts
// then fails in every row, so the missing line is named once, at the first text item, instead of
// each item; a number written wrongly is named as in any table. A named item's line is shown
// printable, a blank line after it.
bool badNumberItem(const tabVar& col, int v, const char* start, int length, RowContext& rc) {
    if (!rc.k.haveFmt && start != nullptr && isTextItem(start, length)) {
        std::fprintf(stderr,
                     "RdTable Error: %s has no FORMAT line, so every column is read as a number, and item %d (%s) "
                     "of line %d is not a number:\n%s\n",
                     rc.inName, v + 1, col.name, rc.lineNo, shownLine(rc.line).c_str());
        std::fputs(kTableFormatHelp, stderr);
        return false;
    }
    std::fprintf(stderr, "RdTable Warning: %s", col.type == TAB_INT ? "Bad I-Item" : "Bad F-Item");
    std::fprintf(stderr, " %d:\n%s\n\n", v + 1, shownLine(rc.line).c_str());
    rc.badItems++;
    return true;
}

// One number cell, whose token starts at start (null: the line has no such token) with length
// characters, with the file's null marker turned into the caller's. A missing or unreadable
// item is named and counted (its value 0). Every item must be wholly one number ("-13,200",
// "12abc" are not), an integer item a whole one ("8.5" is not), refused with its line beyond what
// the matrix holds exactly (TAB_WHOLE_MAX: "16777217", "1e30");
// a column with a rule takes only finite numbers ("nan", "inf" are not), and one that must not
// be negative refuses a value below 0 too. Returns false when the read must end (after a message).
bool numberCell(const tabVar& col, int v, const char* start, int length, ColumnRule rule, RowContext& rc,
                float* value) {
    NumberWord got = NumberWord::notNumber;
    bool isNull = false;
    if (start != nullptr) {
        const std::string_view word(start, static_cast<size_t>(length));
        if (col.type == TAB_INT || rule == ColumnRule::whole) {
            int i = 0;
            got = integerWord(word, &i);
            // Compared as the whole number it is: as floats, 16777217 would match a NULLVALUE 16777216.
            isNull = got == NumberWord::number && rc.k.haveNullValue && i == rc.k.fileNullValue;
            if (!isNull && wholeBeyondTable(word, got, i)) {
                lineRefusal("RdTable", rc.inName, rc.lineNo, rc.line,
                            "holds " + shownLine(std::string(word).c_str()) + " in column " + std::to_string(v + 1) +
                                " (" + col.name + "), beyond the whole numbers from -" +
                                std::to_string(TAB_WHOLE_MAX) + " to " + std::to_string(TAB_WHOLE_MAX) +
                                " that a table holds exactly (it keeps its values as single-precision numbers)");
                return false;
            }
            *value = static_cast<float>(i);
        } else {
            got = realWord(word, value);
            isNull = got == NumberWord::number && rc.k.haveNullValue &&
                     *value == static_cast<float>(rc.k.fileNullValue);
        }
    }
    // Outside a ruled column "nan" and "inf" are kept as they are, the caller judging them; an
    // integer column has no such value to keep (its item would read as 0).
    const bool taken = got == NumberWord::number ||
                       (got == NumberWord::notFinite && rule == ColumnRule::any && col.type != TAB_INT);
    if (!taken) {
        *value = 0.0f;
        return badNumberItem(col, v, start, length, rc);
    }
    if (isNull) {
        *value = static_cast<float>(rc.defNullValue);
        if (rc.nulls != nullptr) rc.nulls->cells[rc.rowCell + static_cast<size_t>(v)] = 1;
        return true;
    }
    if (rule == ColumnRule::finiteNonNegative && *value < 0.0f) {
        std::fprintf(stderr, "RdTable Warning: Negative %s %d (%s must be 0 or more):\n%s\n\n",
                     col.type == TAB_INT ? "I-Item" : "F-Item", v + 1, col.name, shownLine(rc.line).c_str());
        *value = 0.0f;
        rc.badItems++;
    }
    return true;
}

// One text cell, with the file's null text turned into TAB_NULL_TEXT; a missing item is named
// and counted (the empty text). Returns false when the text could not be mapped (after the message).
bool textCell(tabVar& col, int v, const char* start, int length, RowContext& rc, float* value) {
    *value = 0.0f;
    std::string text = getTokenAt(rc.line, start, length);
    if (badToken) {
        std::fprintf(stderr, "RdTable Warning: Bad T-Item");
        std::fprintf(stderr, " %d:\n%s\n\n", v + 1, shownLine(rc.line).c_str());
        text.clear();
        rc.badItems++;
    }
    if (rc.k.haveNullString && text == rc.k.nullString) {
        *value = static_cast<float>(TAB_NULL_TEXT);
        return true;
    }
    int error = 0;
    int index = mapText(text.c_str(), &col.equivList, &col.equivCount, &error);
    if (index < 0 || error != 0) {
        std::fprintf(stderr, "RdTable Error mapping text.\n");
        return false;
    }
    *value = static_cast<float>(index);
    return true;
}

// True when a row of found blank-separated tokens (the first varCount + 1 at starts, lengths)
// separates its items by commas, as a CSV file does ("2,GLN,N,..." or "2, GLN, N, ..."): it holds
// a comma for each item boundary and either lacks items or ends a number item with a comma. Such
// a row is bad whatever else it holds, and is named as a whole rather than item by item; one
// number with a decimal comma ("-13,200") stays a bad item of its own.
bool isCommaRow(const char* line, int found, const std::vector<const char*>& starts,
                const std::vector<int>& lengths, const TableOut& t) {
    long commas = 0;
    for (const char* c = line; *c != '\0'; c++) commas += *c == ',';
    if (commas == 0 || commas + 1 < t.varCount) return false;
    if (found < t.varCount) return true;
    for (int v = 0; v < t.varCount; v++)
        if (t.varInfo[v].type != TAB_TEXT && starts[v][lengths[v] - 1] == ',') return true;
    return false;
}

// Refuses a row with a number right after its last column: most often one number split by a
// space ("3 19" typed for 3.19), whose first part the column would take and whose second part
// would be dropped. A word that is no number there begins a comment, which is ignored with all
// that follows it. True after the message.
bool numberAfterRow(const TableOut& t, int found, const std::vector<const char*>& starts,
                    const std::vector<int>& lengths, const RowContext& rc) {
    const int last = t.varCount - 1;
    if (found <= t.varCount) return false;
    const std::string_view next(starts[t.varCount], static_cast<size_t>(lengths[t.varCount]));
    if (beginsComment(next)) return false;
    const std::string value = std::string(starts[last], static_cast<size_t>(lengths[last])) + " (column " +
                              std::to_string(last + 1) + ", " + t.varInfo[last].name + ")";
    lineRefusal("RdTable", rc.inName, rc.lineNo, rc.line, "holds " + numberAfterValueText(value, next, t.varCount));
    return true;
}

// Second pass: the rows into the matrix (readMode 1) and the header lines into hdrBase (when
// given); 0, or 1 after a message. rules[v]: what the number items of column v must be; nulls
// (when given) records the cells that held the file's NULLVALUE.
int readRows(ReadState& rs, const char* inName, const KeyLines& k, TableOut& t, hdrList* hdrBase,
             int defNullValue, int readMode, const std::vector<ColumnRule>& rules, TableNulls* nulls) {
    rewindText(rs.in);
    int row = 0;
    RowContext rc{inName, k, defNullValue};
    rc.nulls = nulls;
    // The places of a row's tokens, found in one walk along the line; one beyond the last column.
    std::vector<const char*> starts(readMode == 1 ? static_cast<size_t>(t.varCount) + 1 : 0);
    std::vector<int> lengths(starts.size());
    for (const char* line; (line = rs.next()) != nullptr;) {
        rc.lineNo++;
        bool isRow = isDataLine(line) != 0;
        if (isRow && readMode == 1) {
            if (row >= k.rows) break;  // the file grew since the first pass
            float* out = t.matrix + static_cast<size_t>(row) * static_cast<size_t>(t.varCount);
            const int found = tokenSpans(line, starts.data(), lengths.data(), t.varCount + 1);
            rc.line = line;
            rc.rowCell = static_cast<size_t>(row) * static_cast<size_t>(t.varCount);
            if (isCommaRow(line, found, starts, lengths, t)) {
                if (rc.commaRows++ == 0) {
                    rc.firstCommaLine = rc.lineNo;
                    rc.firstCommaRow = line;
                }
                row++;
                continue;
            }
            for (int v = 0; v < t.varCount; v++) {
                const char* start = v < found ? starts[v] : nullptr;
                const int length = start != nullptr ? lengths[v] : 0;
                tabVar& col = t.varInfo[v];
                const bool isNumber = col.type == TAB_INT || col.type == TAB_FLOAT;
                if (!(isNumber ? numberCell(col, v, start, length, rules[v], rc, &out[v])
                               : textCell(col, v, start, length, rc, &out[v])))
                    return 1;
            }
            if (numberAfterRow(t, found, starts, lengths, rc)) return 1;
            row++;
            continue;
        }
        if (hdrBase != nullptr && !isRow && isHeaderLine(line)) {
            std::string text = lineText(line);
            if (addHdrLine(text.c_str(), hdrBase) != 0) return 1;
        }
    }
    // A line that could not be read, or rows gone since the first pass.
    if (rs.endStatus() != 0 || (readMode == 1 && row < k.rows)) {
        if (!textRefused(rs.in, "RdTable", inName)) std::fprintf(stderr, "RdTable Error reading %s\n", inName);
        return 1;
    }
    // A file of comma-separated rows: one message for them all, not one for each of their items.
    if (rc.commaRows > 0) {
        const int more = rc.commaRows - 1;
        const std::string others = more == 0 ? std::string()
                                   : ", as do" + std::string(more == 1 ? "es " : " ") + std::to_string(more) +
                                         (more == 1 ? " row" : " rows") + " after it (" +
                                         std::to_string(rc.commaRows) + " in all)";
        lineRefusal("RdTable", inName, rc.firstCommaLine, rc.firstCommaRow.c_str(),
                    "separates its items by commas" + others +
                        ", where the items of a row are separated by blanks or tabs");
        if (rc.badItems == 0) return 1;
    }
    // A short row or a non-number would otherwise enter every later step as a silent 0:
    // after naming each such item, the whole table is refused.
    if (rc.badItems > 0) {
        std::fprintf(stderr, "RdTable Error: %d bad item%s in %s\n", rc.badItems, rc.badItems == 1 ? "" : "s",
                     inName);
        return 1;
    }
    return 0;
}

// rdTable2, the columns named in finiteNames taking wholly finite numbers only, those named in
// nonNegativeNames also no number below 0, and those named in wholeNames whole numbers within
// the int range (lists null-terminated; null: none).
int readTable(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr, tabVar** varInfoPtr,
              hdrList** hdrBasePtr, int defNullValue, int nullEntryFlag, int readMode,
              const char* const* finiteNames, const char* const* nonNegativeNames,
              const char* const* wholeNames = nullptr, TableNulls* nulls = nullptr) {
    TableOut t;
    // Every exit stores what was reached, so that the caller can release it.
    auto finish = [&](int status) {
        *matrixPtr = t.matrix;
        *varInfoPtr = t.varInfo;
        *varCountPtr = t.varCount;
        *entryCountPtr = t.entryCount;
        return status;
    };

    ReadState rs;
    rs.in = openText(inName);
    if (rs.in == nullptr) {
        openError("RdTable", inName);
        return finish(1);
    }
    KeyLines k;
    if (scanKeyLines(rs, inName, k) != 0) return finish(1);
    if (k.rows == 0) {
        if (nullEntryFlag == 0) {
            std::fprintf(stderr, "RdTable Error: no entries in %s\n", inName);
            return finish(1);
        }
        return finish(0);
    }
    if (buildColumns(inName, k, t) != 0) return finish(1);
    // A column read as a number must be one: a text column holds the index of each text.
    std::vector<ColumnRule> rules(static_cast<size_t>(t.varCount), ColumnRule::any);
    const auto mark = [&](const char* const* names, ColumnRule rule) {
        for (; names != nullptr && *names != nullptr; names++) {
            const int v = getTabVar(t.varInfo, t.varCount, *names);
            if (checkNumberColumn(inName, t.varInfo, t.varCount, v) != 0) return false;
            if (v >= 0) rules[static_cast<size_t>(v)] = rule;
        }
        return true;
    };
    if (!mark(finiteNames, ColumnRule::finite) || !mark(nonNegativeNames, ColumnRule::finiteNonNegative) ||
        !mark(wholeNames, ColumnRule::whole))
        return finish(1);
    if (readMode == 1) {
        if (static_cast<long long>(k.rows) * t.varCount > INT_MAX / static_cast<long long>(sizeof(float)) ||
            (t.matrix = fltAlloc("table", k.rows * t.varCount)) == nullptr) {
            std::fprintf(stderr, "RdTable error allocating data matrix.\n");
            return finish(1);
        }
        std::memset(t.matrix, 0, sizeof(float) * static_cast<size_t>(k.rows) * static_cast<size_t>(t.varCount));
    }
    t.entryCount = k.rows;
    if (nulls != nullptr) {
        nulls->given = k.haveNullValue;
        nulls->value = k.fileNullValue;
        nulls->cells.assign(readMode == 1 ? static_cast<size_t>(k.rows) * static_cast<size_t>(t.varCount) : 0, 0);
        if (readMode != 1) nulls = nullptr;
    }
    hdrList* hdrBase = hdrBasePtr != nullptr ? *hdrBasePtr : nullptr;
    return finish(readRows(rs, inName, k, t, hdrBase, defNullValue, readMode, rules, nulls));
}

}  // namespace

int rdTable2(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr, tabVar** varInfoPtr,
             hdrList** hdrBasePtr, int defNullValue, int nullEntryFlag, int readMode) {
    return readTable(inName, matrixPtr, varCountPtr, entryCountPtr, varInfoPtr, hdrBasePtr, defNullValue,
                     nullEntryFlag, readMode, nullptr, nullptr);
}

int rdTableFinite(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr,
                  tabVar** varInfoPtr, int defNullValue, const char* const* finiteNames,
                  const char* const* nonNegativeNames, const char* const* wholeNames, TableNulls* nulls) {
    return readTable(inName, matrixPtr, varCountPtr, entryCountPtr, varInfoPtr, nullptr, defNullValue, 0, 1,
                     finiteNames, nonNegativeNames, wholeNames, nulls);
}

int getTabVar(const tabVar* varInfo, int varCount, const char* varName) {
    if (varInfo == nullptr || varName == nullptr) return -1;
    for (int v = varCount - 1; v >= 0; v--) {
        const char* a = varInfo[v].name;
        const char* b = varName;
        if (a == nullptr) continue;
        while (*a != '\0' && *b != '\0' && upperLetter(*a) == upperLetter(*b)) {
            a++;
            b++;
        }
        if (*a == '\0' && *b == '\0') return v;
    }
    return -1;
}

int checkNumberColumn(const char* inName, const tabVar* varInfo, int varCount, int loc) {
    if (varInfo == nullptr || loc < 0 || loc >= varCount || varInfo[loc].type != TAB_TEXT) return 0;
    const tabVar& col = varInfo[loc];
    const std::string name = shownLine(col.name);
    std::fprintf(stderr,
                 "RdTable Error: line %d of %s, the FORMAT line, types column %d (%s) as a text (%s), where korim "
                 "reads %s as a number; give %s a number format (%%f, %%e or %%g, or %%d for a whole number).\n",
                 col.fmtLine, inName, loc + 1, name.c_str(), shownLine(col.fmt).c_str(), name.c_str(), name.c_str());
    return 1;
}

int getTabVal(const float* entry, const tabVar* varInfo, int varLoc, char* text, int textSize) {
    if (text == nullptr || textSize < 1) return 1;
    text[0] = '\0';
    if (entry == nullptr || varInfo == nullptr || varLoc < 0) return 1;
    const tabVar& col = varInfo[varLoc];
    float value = entry[varLoc];
    int n = 0;
    const char* fmt = col.fmt != nullptr ? col.fmt : "";
    if (tabFmtType(fmt) != col.type && col.type >= TAB_TEXT && col.type <= TAB_FLOAT) {
        n = std::snprintf(text, static_cast<size_t>(textSize), "???");
    } else if (col.type == TAB_INT) {
        n = std::snprintf(text, static_cast<size_t>(textSize), fmt, tabCellInt(value));
    } else if (col.type == TAB_FLOAT) {
        n = std::snprintf(text, static_cast<size_t>(textSize), fmt, static_cast<double>(value));
    } else if (col.type == TAB_TEXT) {
        const char* s = "???";
        if (value == static_cast<float>(TAB_NULL_TEXT)) {
            s = TAB_NULL_STRING;
        } else if (value >= 0.0f && value < static_cast<float>(col.equivCount)) {
            int index = static_cast<int>(value);
            if (col.equivList != nullptr && col.equivList[index] != nullptr) s = col.equivList[index];
        }
        n = std::snprintf(text, static_cast<size_t>(textSize), fmt, s);
    } else {
        n = std::snprintf(text, static_cast<size_t>(textSize), "???");
    }
    if (n < 0 || n >= textSize) {
        std::fprintf(stderr, "GetTabVal Error: value of %s longer than %d characters.\n",
                     col.name != nullptr ? col.name : "?", textSize - 1);
        text[0] = '\0';
        return 1;
    }
    return 0;
}

int setTabVal(float* entry, tabVar* varInfo, int varLoc, const char* text) {
    if (entry == nullptr || varInfo == nullptr || varLoc < 0) return 1;
    tabVar& col = varInfo[varLoc];
    if (col.type == TAB_INT) {
        int v = getTokenI(1, text);
        entry[varLoc] = badToken ? 0.0f : static_cast<float>(v);
        return badToken ? 1 : 0;
    }
    if (col.type == TAB_FLOAT) {
        float v = getTokenR(1, text);
        entry[varLoc] = badToken ? 0.0f : v;
        return badToken ? 1 : 0;
    }
    int error = 0;
    int index = mapText(text != nullptr ? text : "", &col.equivList, &col.equivCount, &error);
    if (index < 0 || error != 0) return 1;
    entry[varLoc] = static_cast<float>(index);
    return 0;
}

int freeTab(float* matrix, tabVar* varInfo, int varCount, int entryCount) {
    if (matrix != nullptr) unAlloc("table", matrix, entryCount * varCount * static_cast<int>(sizeof(float)));
    if (varInfo == nullptr) return 0;
    for (int v = 0; v < varCount; v++) {
        tabVar& col = varInfo[v];
        strFree(col.fmt);
        strFree(col.name);
        if (col.equivList != nullptr) {
            for (int k = 0; k < col.equivCount; k++)
                if (col.equivList[k] != nullptr)
                    unAlloc("mapText", col.equivList[k], static_cast<int>(std::strlen(col.equivList[k])) + 1);
            unAlloc("mapText", col.equivList, (col.equivCount + 1) * static_cast<int>(sizeof(char*)));
        }
        col = tabVar{};
    }
    unAlloc("table", varInfo, varCount * static_cast<int>(sizeof(tabVar)));
    return 0;
}

}  // namespace korim::foundation
