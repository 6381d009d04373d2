// Text tables: column records, header-line lists, the table reader (rdtable) and writer (table).
#pragma once

#include <cstddef>
#include <vector>

namespace korim::foundation {

// Column types of a table.
constexpr int TAB_TEXT = 1;
constexpr int TAB_INT = 2;
constexpr int TAB_FLOAT = 3;

// Matrix value of a text cell that held the file's null text. It is never the
// index of a real text; the writer prints the null text for it.
constexpr int TAB_NULL_TEXT = -1;

// The text this system writes for a missing text, in the "NULLSTRING" line and in the cells.
constexpr const char* TAB_NULL_STRING = "*";

// The largest whole number a table holds exactly (2^24): its values are kept as single-precision
// numbers, which round 16777217 to 16777216. The reader refuses a whole item beyond it either way.
constexpr int TAB_WHOLE_MAX = 16777216;

// The number cells of a table that held the file's NULLVALUE, for a caller that tells a missing
// value from one written as its own null value.
struct TableNulls {
    bool given = false;               // the file has a NULLVALUE line
    int value = 0;                    // its number
    std::vector<unsigned char> cells;  // entry * varCount + column: 1 where the cell held it
    bool at(int entry, int varCount, int column) const {
        if (column < 0 || entry < 0) return false;
        const std::size_t k =
            static_cast<std::size_t>(entry) * static_cast<std::size_t>(varCount) + static_cast<std::size_t>(column);
        return k < cells.size() && cells[k] != 0;
    }
};

// One column of a table.
struct tabVar {
    int type;          // 1 text, 2 integer, 3 floating point (0: no value, left empty by the writer)
    float tol;         // tolerance
    char* name;        // column name ("strDup")
    char* fmt;         // print format, underscores already turned into spaces ("strDup")
    int equivCount;    // text columns: number of distinct texts
    int fmtLine;       // line of the file whose FORMAT line gave the format; 0 when none did (no
                       // FORMAT line: every column "%f"; a column made in memory)
    char** equivList;  // text columns: the texts, null-terminated ("mapText"); text k is stored as k
};

// Header lines (comments, "REMARK", "DATA") of a table file, as a singly linked
// list whose last node is always empty (null text, null next).
struct hdrList {
    char* text;
    hdrList* next;
};

// Column type that a print format allows: 1 for "%s", 2 for "%d", 3 for "%e",
// "%f" or "%g", with optional flags, width and precision (at most three digits
// each) and literal text before; 0 for anything else (no conversion, two, "%n",
// "*", length modifiers, a stray "%", text after the conversion).
int tabFmtType(const char* fmt);

// Integer value of a matrix cell: truncation toward zero that saturates at the
// ends of int instead of overflowing; 0 for not-a-number.
int tabCellInt(float value);

// ---- reader (source rdtable) ----

// Reads a table file. Matrix: entryCount x varCount floats, row-major.
// hdrBasePtr null: header lines are not kept, else appended to *hdrBasePtr.
// A cell equal to the file's NULLVALUE becomes defNullValue; a text equal to its
// NULLSTRING becomes TAB_NULL_TEXT. A whole item (a %d column's) beyond +-TAB_WHOLE_MAX is
// refused, and so is a line that begins with a key word in another case than capitals.
// nullEntryFlag non-zero: no rows is not an error. readMode 1 reads the values, anything else
// only the columns and counts.
// Returns 0, or 1 after printing the reason; outputs are always stored and a
// caller that gets 1 releases them with freeTab.
int rdTable2(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr, tabVar** varInfoPtr,
             hdrList** hdrBasePtr, int defNullValue, int nullEntryFlag, int readMode);
int rdTable(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr, tabVar** varInfoPtr,
            int defNullValue);
// rdTable, where a column named in finiteNames, nonNegativeNames or wholeNames (lists ended by
// null; null: none) is one the caller reads as a number: one that the FORMAT line types as text is
// refused (checkNumberColumn). A number item of such a column that is not wholly one finite number ("nan", "inf",
// "-13,200", "12abc") is refused as an unreadable item is, with its line; so is one below 0 in a
// column named in nonNegativeNames (a NULLVALUE item excepted), and one that is no whole number
// within the int range in a column named in wholeNames, whatever its format ("8.5", "1e30").
// nulls, when given, is filled with the file's NULLVALUE and the cells that held it.
int rdTableFinite(const char* inName, float** matrixPtr, int* varCountPtr, int* entryCountPtr,
                  tabVar** varInfoPtr, int defNullValue, const char* const* finiteNames,
                  const char* const* nonNegativeNames = nullptr, const char* const* wholeNames = nullptr,
                  TableNulls* nulls = nullptr);

// Index of the column of that name (ignoring the case of a-z), or -1. The reader refuses a table
// that names a column twice, so a name read from a file finds one column only.
int getTabVar(const tabVar* varInfo, int varCount, const char* varName);

// For a reader that takes column loc of the table file inName as numbers: 0 when the column holds
// numbers, or is absent (loc -1); 1 when its FORMAT line types it as text, whose cells hold the
// index of each text and no number, after "RdTable Error: line <n> of <file>, the FORMAT line,
// types column <k> (<name>) as a text (<format>), where korim reads <name> as a number; ...".
int checkNumberColumn(const char* inName, const tabVar* varInfo, int varCount, int loc);

// Prints column varLoc of the row entry into text[textSize] with the column's
// format. Returns 0, or 1 (text emptied, message) when it does not fit.
int getTabVal(const float* entry, const tabVar* varInfo, int varLoc, char* text, int textSize);

// Parses text into column varLoc of the row entry. Returns 0, or 1 when the
// text is not a number of the column's type (value 0) or a text cannot be added.
int setTabVal(float* entry, tabVar* varInfo, int varLoc, const char* text);

// Releases (accounting) the matrix, the column names, formats and texts, and the records.
int freeTab(float* matrix, tabVar* varInfo, int varCount, int entryCount);

// ---- header lists and writer (source table) ----

hdrList* hdrInit();
int addHdrLine(const char* line, hdrList* hPtr);
int freeHdr(hdrList* hdrBase);

// Writes a table; outName "-" is the standard output (left open). With delFlag,
// rows whose value in column delVarLoc is negative are left out. A text cell is
// null (written as TAB_NULL_STRING) when it holds TAB_NULL_TEXT, or nullValue
// that is no index of a text; an empty text is written as null too, and a text
// with white space is refused (null written, result 1), so that every row reads
// back as one field per column. Returns 0 or 1.
int wrTable2(const char* outName, const float* matrix, int varCount, int entryCount, const tabVar* varInfo,
             int nullValue, const hdrList* hdrBase, int delFlag, int delVarLoc);
int wrTable(const char* outName, const float* matrix, int varCount, int entryCount, const tabVar* varInfo,
            int nullValue, const hdrList* hdrBase);
// A matrix of plain numbers: columns varRoot1, varRoot2, ... all with varFmt and tol.
int wrTableN(const char* outName, const float* matrix, int varCount, int entryCount, const char* varRoot,
             const char* varFmt, float tol, int nullValue, const hdrList* hdrBase);

// Widens the matrix by addCount zero columns at the end of every row.
int addMatVar(float** matrix, int entryCount, int varCount, int addCount);
// Appends a column record (list and count passed by address).
int addTabVar(tabVar** varInfo, int* varCount, const char* name, const char* fmt, float tol, int type);
// Replaces name, format, tolerance and type of one column (no longer a FORMAT line's); its texts stay.
int chTabVar(tabVar* varPtr, const char* name, const char* fmt, float tol, int type);

}  // namespace korim::foundation
