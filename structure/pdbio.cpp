// PDB coordinate files: column-exact reading of ATOM (and HETATM) records, and writing ATOM records.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

#include "foundation/appendf.h"
#include "foundation/inputfile.h"
#include "foundation/outputfile.h"
#include "foundation/stralloc.h"
#include "foundation/textstream.h"
#include "structure/pdb.h"
#include "structure/pdbline.h"
#include "structure/pdbnumber.h"

using namespace korim::foundation;

namespace korim::structure {

const pdbFieldInfo pdbFieldList[PDB_FIELD_COUNT + 1] = {
    {PDB_ATOMID, "ATOMID", 7, 11},         {PDB_ATOMNAME, "ATOMNAME", 13, 16},
    {PDB_LOCID, "LOCID", 17, 17},          {PDB_RESNAME, "RESNAME", 18, 21},
    {PDB_CHAINID, "CHAINID", 22, 22},      {PDB_RESID, "RESID", 23, 26},
    {PDB_ICODE, "ICODE", 27, 27},          {PDB_X, "X", 31, 38},
    {PDB_Y, "Y", 39, 46},                  {PDB_Z, "Z", 47, 54},
    {PDB_OCCUPANCY, "OCCUPANCY", 55, 60},  {PDB_TEMPFACTOR, "TEMPFACTOR", 61, 66},
    {PDB_SEGID, "SEGID", 73, 76},          {PDB_ELEMENT, "ELEMENT", 77, 78},
    {PDB_CHARGE, "CHARGE", 79, 80},        {0, nullptr, 0, 0},
};

namespace {

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it, which costs nothing
#endif

// Maps in, on a thread of its own, the pages of the atom list that the atoms
// of a named file may fill, while the reader parses the lines (the kernel
// fills the pages; their contents are not touched), so that the reader does
// not stop at a page fault every few atoms. Joined when it goes out of scope.
class AtomPagePrefault {
public:
    AtomPagePrefault() = default;
    AtomPagePrefault(const AtomPagePrefault&) = delete;
    AtomPagePrefault& operator=(const AtomPagePrefault&) = delete;
    ~AtomPagePrefault() {
        if (thread_.joinable()) thread_.join();
    }

    // From the atom after first up to the room of the list or the atoms the
    // file's size allows (some 80 bytes a line).
    void start(FILE* in, const PDBInfo* p, const AtomInfo* first) {
        struct stat st;
        if (fstat(foundation::textDescriptor(in), &st) != 0 || !S_ISREG(st.st_mode)) return;
        const long long room = p->atomList + p->maxAtomCount - first;
        const long long atoms = std::min<long long>(st.st_size / 80 + 1, room);
        const long page = sysconf(_SC_PAGESIZE);
        if (page <= 0 || atoms < 2) return;
        const auto from = reinterpret_cast<std::uintptr_t>(first + 1);
        const std::uintptr_t begin = (from + page - 1) / page * page;
        const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(first + atoms);
        if (end <= begin + 4 * static_cast<std::uintptr_t>(page)) return;  // not worth a thread
        try {
            thread_ = std::thread([begin, end] {
                madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
            });
        } catch (const std::system_error&) {
            // no thread: the reader faults the pages in itself
        }
    }

private:
    std::thread thread_;
};

// Kinds of record lines. kBrokenAtom, kBrokenHetatm: a line that begins with the record name
// but holds no record (a tab, a control byte or a sign where the record has a blank or its
// serial number), whose columns cannot be trusted; recordKind says where it breaks.
enum RecordKind { kOther, kAtom, kHetatm, kModel, kEndModel, kBrokenAtom, kBrokenHetatm };

// A character that may follow a record name: a blank, a digit (of a serial), a letter (of a
// longer name such as ATOMS, another record) or the end of the line.
bool followsName(char c) {
    return c == '\0' || c == ' ' || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

// strncasecmp(line, name, n) == 0 for a record name of upper-case letters, without the call.
bool startsWith(const char* line, const char* name, int n) {
    for (int i = 0; i < n; i++) {
        const char c = line[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != name[i]) return false;
    }
    return true;
}

// "ATOM" in either case, in the first four of the len characters at line: the characters
// with the blank bit set are the lower-case letters just when they are those letters.
bool atomName(const char* line, size_t len) {
    if (len < 4) return startsWith(line, "ATOM", 4);
    std::uint32_t v, want;
    std::memcpy(&v, line, 4);
    std::memcpy(&want, "atom", 4);
    return (v | 0x20202020u) == want;
}

// The kind of the line (len characters); for a broken record *brokenAt is the index (from 0) of
// the character that breaks it.
RecordKind recordKind(const char* line, size_t len, int* brokenAt) {
    // The record names start with A, E, H or M (either case): other lines are
    // told apart by their first letter alone, and each of these by the name
    // of its letter.
    switch (line[0] | 0x20) {
        case 'h':
            if (!startsWith(line, "HETATM", 6)) return kOther;
            if (followsName(line[6])) return kHetatm;
            *brokenAt = 6;
            return kBrokenHetatm;
        case 'e':
            return startsWith(line, "ENDMDL", 6) ? kEndModel : kOther;
        case 'm':
            return startsWith(line, "MODEL", 5) && (line[5] == '\0' || line[5] == ' ') ? kModel : kOther;
        case 'a':
            break;
        default:
            return kOther;
    }
    if (!atomName(line, len)) return kOther;
    // Columns 5-6 are blank, or hold the leading digits of a serial number
    // of 100000 and more; "ATOMS" or "ATOMIC" are other records.
    for (int i = 4; i < 6 && line[i] != '\0'; i++) {
        if (line[i] == ' ' || std::isdigit(static_cast<unsigned char>(line[i]))) continue;
        if (i == 4 && followsName(line[i])) return kOther;
        *brokenAt = i;
        return kBrokenAtom;
    }
    return kAtom;
}

// Where a field of one line went wrong.
struct LineContext {
    const char* fileName;
    int lineNo;
    int status = 0;
};

void badField(LineContext& ctx, int fieldLoc, const char* text) {
    std::fprintf(stderr, "PDB Error: bad %s field '%s' in line %d of PDB file %s\n",
                 pdbFieldList[fieldLoc].fieldName, foundation::shownLine(text).c_str(), ctx.lineNo, ctx.fileName);
    ctx.status = 1;
}

// An atom record that ends before the end of its z coordinate; the columns after z (occupancy,
// temperature factor, element, charge) may be absent.
void cutRecord(LineContext& ctx) {
    std::fprintf(stderr,
                 "PDB Error: atom record ends before its z coordinate (column %d) in line %d of PDB "
                 "file %s\n",
                 pdbFieldList[PDB_Z].locn, ctx.lineNo, ctx.fileName);
    ctx.status = 1;
}

// A coordinate no structure holds (coordinateFits), such as 1e30: named with the field's text.
void farCoordinate(LineContext& ctx, int fieldLoc, const char* text) {
    std::fprintf(stderr, "PDB Error: %s coordinate '%s' in line %d of PDB file %s lies outside %s\n",
                 pdbFieldList[fieldLoc].fieldName, foundation::shownLine(text).c_str(), ctx.lineNo, ctx.fileName,
                 kCoordinateRange);
    ctx.status = 1;
}

// White space as std::isspace takes it in the "C" locale the program runs in.
bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A residue number or coordinate field of blanks only: it would read as 0 and put the atom in
// residue 0 or at the origin's plane, so the record is refused. Checked where the field read 0.
bool blankNumber(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    for (size_t col = f.loc1; col <= static_cast<size_t>(f.locn) && col <= len; col++) {
        if (!isWhite(line[col - 1])) return false;
    }
    const char* what = fieldLoc == PDB_RESID ? "residue number" : fieldLoc == PDB_X ? "x coordinate"
                                                                : fieldLoc == PDB_Y ? "y coordinate"
                                                                                    : "z coordinate";
    std::fprintf(stderr, "PDB Error: blank %s field (columns %d-%d) in line %d of PDB file %s, where an atom record "
                 "holds its %s\n", f.fieldName, f.loc1, f.locn, ctx.lineNo, ctx.fileName, what);
    ctx.status = 1;
    return true;
}

// A number field whose columns (first to last, from 1, as far as the line goes) hold white space
// between two of their characters holds two numbers, or a number and a piece of its neighbour:
// a field before it lost or gained a column and the rest of the record moved. Read without its
// blanks it would pass for one number ("  1.00 2" as 1.002, the atom put far from its place), so
// the record is refused, naming the columns. Names keep their blanks-insensitive reading.
bool splitNumber(const char* line, size_t len, int fieldLoc, int first, int last, LineContext& ctx) {
    const int end = static_cast<int>(std::min(len, static_cast<size_t>(last)));
    int lo = first, hi = end;
    while (lo <= hi && isWhite(line[lo - 1])) lo++;
    while (hi >= lo && isWhite(line[hi - 1])) hi--;
    bool split = false;
    for (int col = lo; col <= hi && !split; col++) split = isWhite(line[col - 1]);
    if (!split) return false;
    const std::string text(line + first - 1, static_cast<size_t>(end - first + 1));
    std::fprintf(stderr,
                 "PDB Error: %s field (columns %d-%d) '%s' in line %d of PDB file %s holds more than one number: a "
                 "field of the record has moved out of its columns (an atom record holds its serial in columns "
                 "7-11, residue number in 23-26, x in 31-38, y in 39-46, z in 47-54, occupancy in 55-60 and "
                 "temperature factor in 61-66)\n",
                 pdbFieldList[fieldLoc].fieldName, first, last, foundation::shownLine(text.c_str()).c_str(),
                 ctx.lineNo, ctx.fileName);
    ctx.status = 1;
    return true;
}

bool splitNumber(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    return splitNumber(line, len, fieldLoc, pdbFieldList[fieldLoc].loc1, pdbFieldList[fieldLoc].locn, ctx);
}

// The text of a field of a line of len characters, white space removed
// (getPDBField without measuring the line again).
void fieldText(const char* line, size_t len, int fieldLoc, char* dest, int destLen) {
    dest[0] = '\0';
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    if (len < static_cast<size_t>(f.loc1 - 1)) return;
    int n = 0;
    for (size_t col = f.loc1; col <= static_cast<size_t>(f.locn) && col <= len; col++) {
        const char c = line[col - 1];
        if (isWhite(c)) continue;
        if (n < destLen - 1) dest[n++] = c;
    }
    dest[n] = '\0';
}

// intField of the usual field, blanks around [+-]digits (at most nine) or blanks only, read in
// place; false for any other field.
bool plainIntField(const char* line, size_t len, int fieldLoc, int* out) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    const size_t last = len < static_cast<size_t>(f.locn) ? len : f.locn;
    size_t col = f.loc1;
    while (col <= last && isWhite(line[col - 1])) col++;
    const bool sign = col <= last && (line[col - 1] == '-' || line[col - 1] == '+');
    const bool negative = sign && line[col - 1] == '-';
    if (sign) col++;
    int v = 0, digits = 0;
    for (; col <= last && line[col - 1] >= '0' && line[col - 1] <= '9'; col++, digits++) {
        if (digits == 9) return false;
        v = 10 * v + (line[col - 1] - '0');
    }
    while (col <= last && isWhite(line[col - 1])) col++;
    if (col <= last || (sign && digits == 0)) return false;
    *out = negative ? -v : v;
    return true;
}

// intField of a field that is not of the usual form.
[[gnu::noinline]] int otherIntField(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    int fast = 0;
    if (ctx.status != 0 || splitNumber(line, len, fieldLoc, ctx)) return 0;  // one message a record
    char text[PDB_NAME_LEN];
    fieldText(line, len, fieldLoc, text, sizeof(text));
    if (text[0] == '\0') return 0;
    if (plainInt(text, &fast)) return fast;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) {
        badField(ctx, fieldLoc, text);
        return 0;
    }
    return static_cast<int>(v);
}

// The usual whole-number field, blanks and then digits up to its end (or blanks only, 0), of a
// line that holds the whole field: its value, as plainIntField gives it; false for any other.
inline bool blankDigitsField(const char* line, size_t len, int fieldLoc, int* out) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    const size_t n = static_cast<size_t>(f.locn - f.loc1 + 1);
    if (len < static_cast<size_t>(f.locn) || n > 9) return false;
    const char* const p = line + f.loc1 - 1;
    size_t i = 0;
    while (i < n && p[i] == ' ') i++;
    int v = 0;
    for (; i < n; i++) {
        const unsigned d = static_cast<unsigned char>(p[i]) - 48u;
        if (d > 9) return false;
        v = 10 * v + static_cast<int>(d);
    }
    *out = v;
    return true;
}

inline int intField(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    int fast;
    if (blankDigitsField(line, len, fieldLoc, &fast)) return fast;
    if (plainIntField(line, len, fieldLoc, &fast)) return fast;
    return otherIntField(line, len, fieldLoc, ctx);
}

// floatField of a field that is not of the usual form.
[[gnu::noinline]] float otherFloatField(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    const size_t last = len < static_cast<size_t>(f.locn) ? len : f.locn;
    float v = 0.0f;
    if (ctx.status != 0 || splitNumber(line, len, fieldLoc, ctx)) return 0.0f;  // one message a record
    if (plainFloatField(line + f.loc1 - 1, last - (f.loc1 - 1), &v)) return v;
    char text[PDB_NAME_LEN];
    fieldText(line, len, fieldLoc, text, sizeof(text));
    if (text[0] == '\0') return 0.0f;
    char* end = nullptr;
    v = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v)) {
        badField(ctx, fieldLoc, text);
        return 0.0f;
    }
    return v;
}

inline float floatField(const char* line, size_t len, int fieldLoc, LineContext& ctx) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    if (len < static_cast<size_t>(f.loc1 - 1)) return 0.0f;
    const size_t last = len < static_cast<size_t>(f.locn) ? len : f.locn;
    float v;
    // The writer's fields: three decimals for coordinates, two for the others.
    const size_t decimals = fieldLoc == PDB_X || fieldLoc == PDB_Y || fieldLoc == PDB_Z ? 3 : 2;
    if (pointFloatField(line + f.loc1 - 1, last - (f.loc1 - 1), decimals, &v)) return v;
    if (fixedFloatField(line + f.loc1 - 1, last - (f.loc1 - 1), &v)) return v;
    return otherFloatField(line, len, fieldLoc, ctx);
}

// fieldText into a name of PDB_NAME_LEN bytes; a field the line holds whole (all of them are
// narrower than a name) is taken without the bounds of each column.
inline void nameField(const char* line, size_t len, int fieldLoc, char* dest) {
    const pdbFieldInfo& f = pdbFieldList[fieldLoc];
    const int width = f.locn - f.loc1 + 1;
    if (len < static_cast<size_t>(f.locn) || width >= PDB_NAME_LEN) {
        fieldText(line, len, fieldLoc, dest, PDB_NAME_LEN);
        return;
    }
    const char* const p = line + f.loc1 - 1;
    int n = 0;
    for (int k = 0; k < width; k++) {
        if (!isWhite(p[k])) dest[n++] = p[k];
    }
    dest[n] = '\0';
}

// The atom serial, including leading digits grown into columns 5-6 of an
// ATOM record.
int serialField(const char* line, size_t len, RecordKind kind, LineContext& ctx) {
    int serial = intField(line, len, PDB_ATOMID, ctx);
    if (kind != kAtom || ctx.status != 0) return serial;
    char lead[3] = {0, 0, 0};
    int n = 0;
    for (int i = 4; i < 6 && line[i] != '\0'; i++) {
        if (std::isdigit(static_cast<unsigned char>(line[i]))) lead[n++] = line[i];
    }
    if (n == 0) return serial;
    // Columns 5-11 then hold the serial, one number.
    if (splitNumber(line, len, PDB_ATOMID, 5, pdbFieldList[PDB_ATOMID].locn, ctx)) return 0;
    char text[PDB_NAME_LEN];
    fieldText(line, len, PDB_ATOMID, text, sizeof(text));
    char whole[PDB_NAME_LEN + 4];
    std::snprintf(whole, sizeof(whole), "%s%s", lead, text);
    return static_cast<int>(std::strtol(whole, nullptr, 10));
}

// The models and alternate locations of one file. Only the atoms of the first model are
// read; of an atom given at several alternate locations only the first location is kept.
struct Variants {
    int models = 0;          // MODEL records seen
    bool pastFirst = false;  // past the end of the first model
    int openEnd = 0;         // line of an ENDMDL that no MODEL record has followed yet (0: none)
    int altSkipped = 0;      // alternate-location records skipped
    std::set<std::string> altSeen;  // identities of atoms stored with a location code

    // Updates the model state for a MODEL or ENDMDL record of line lineNo.
    void record(RecordKind kind, int lineNo) {
        if (kind == kModel) {
            if (++models > 1) pastFirst = true;
            openEnd = 0;
        }
        if (kind == kEndModel) {
            pastFirst = true;
            openEnd = lineNo;
        }
    }

    // An atom record after an ENDMDL that no MODEL record follows belongs to no model: its
    // ENDMDL may end a model half-way, or the models of a file without MODEL records may be
    // told apart by ENDMDL alone. Reading on would either drop atoms of the first model or
    // merge the models, so the record is refused, naming both lines. A single model that ends
    // in ENDMDL, with END, CONECT or MASTER after it, holds no atom record there.
    bool strayAtom(const LineContext& ctx) const {
        if (openEnd == 0) return false;
        std::fprintf(stderr,
                     "PDB Error: line %d of PDB file %s holds an atom record after the ENDMDL of line %d, and no "
                     "MODEL record begins a model between them; korim reads model 1 only and cannot tell where it "
                     "ends (remove an ENDMDL inside a model, or begin each model with a MODEL record)\n",
                     ctx.lineNo, ctx.fileName, openEnd);
        return true;
    }

    // False for a later location of an atom already stored.
    bool firstLocation(const AtomInfo& a) {
        if (a.locID[0] == '\0') return true;
        char key[6 * PDB_NAME_LEN];
        std::snprintf(key, sizeof(key), "%d|%s|%s|%s|%s", a.resID, a.atomName, a.icode,
                      a.chainID, a.segID);
        if (altSeen.insert(key).second) return true;
        altSkipped++;
        return false;
    }

    void report(const char* shownName) const {
        if (models > 1)
            std::fprintf(stderr, "PDB Warning: %s holds %d models; model 1 is used.\n", shownName,
                         models);
        if (altSkipped > 0)
            std::fprintf(stderr,
                         "PDB Warning: %d alternate locations skipped in %s; the first location "
                         "of each atom is kept.\n",
                         altSkipped, shownName);
    }
};

// HETATM records skipped, by residue name in the order of their first record.
struct SkippedHetatm {
    std::vector<std::pair<std::string, int>> byName;
    int count = 0;

    void note(const char* line, size_t len) {
        char name[PDB_NAME_LEN];
        nameField(line, len, PDB_RESNAME, name);
        count++;
        for (auto& [n, c] : byName)
            if (n == name) {
                c++;
                return;
            }
        byName.emplace_back(name[0] != '\0' ? name : "(blank)", 1);
    }

    // Into the structure: the count, and the names with their counts as far as the field holds
    // them, the rest counted.
    void store(PDBInfo* p) const {
        p->hetatmSkipped = count;
        std::vector<std::string> items;
        size_t room = sizeof p->hetatmNames - 24;  // kept for " and 999999 more names"
        for (size_t k = 0; k < byName.size(); k++) {
            std::string item = byName[k].first + " " + std::to_string(byName[k].second);
            if (item.size() + 2 > room) {
                items.push_back(std::to_string(byName.size() - k) + " more names");
                break;
            }
            room -= item.size() + 2;
            items.push_back(item);
        }
        std::snprintf(p->hetatmNames, sizeof p->hetatmNames, "%s", foundation::listedItems(items).c_str());
    }

    void report(const PDBInfo* p, const char* shownName) const {
        if (count == 0) return;
        std::fprintf(stderr,
                     "PDB Warning: %d HETATM record%s skipped in %s (%s): korim reads ATOM records only; a modified "
                     "residue stays in the structure when its records are written as ATOM records, and takes charges "
                     "only where a charge rule or a pKa file names it.\n",
                     count, count == 1 ? "" : "s", shownName, p->hetatmNames);
    }
};

// Lines that begin with ATOM (or HETATM, where read) but hold no record: skipped, counted and
// the first named with the character that breaks it, so that an atom lost to a tab is not lost
// without a word.
struct BrokenRecords {
    int count = 0;
    int firstLine = 0;
    int column = 0;    // of the first line, counted from 1
    std::string what;  // the character there, as a message names it
    std::string first;

    // at: the index (from 0) of the character that breaks the line (recordKind's brokenAt).
    void note(int lineNo, const char* line, int at) {
        if (count++ != 0) return;
        firstLine = lineNo;
        first = foundation::shownLine(line);
        column = at + 1;
        const unsigned char c = static_cast<unsigned char>(line[at]);
        char text[8];
        if (c == '\t') {
            what = "a tab";
        } else {
            std::snprintf(text, sizeof text, c >= 0x20 && c < 0x7F ? "'%c'" : "\\x%02X", c);
            what = text;
        }
    }

    void report(const char* shownName) const {
        if (count == 0) return;
        std::fprintf(stderr,
                     "PDB Warning: %d line%s skipped in %s: %s with ATOM or HETATM but %s; the "
                     "first is line %d, whose column %d holds %s where a record has a blank or its serial "
                     "number:\n%s\n",
                     count, count == 1 ? "" : "s", shownName, count == 1 ? "it begins" : "they begin",
                     count == 1 ? "is no atom record" : "are no atom records", firstLine, column, what.c_str(), first.c_str());
    }
};

}  // namespace

int getPDBField(const char* line, int fieldLoc, char* dest, int destLen) {
    if (dest == nullptr || destLen < 1) return 1;
    dest[0] = '\0';
    if (line == nullptr || fieldLoc < 0 || fieldLoc >= PDB_FIELD_COUNT) return 1;
    fieldText(line, std::strlen(line), fieldLoc, dest, destLen);
    return 0;
}

int readPDB(const char* pdbName, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char*) {
    if (pdbInfo == nullptr) return 1;
    AtomInfo atom;
    atomNull(&atom);
    pdbNull(pdbInfo);
    pdbInit(pdbInfo);
    if (pdbInfo->atomTab == nullptr || pdbInfo->resTab == nullptr || pdbInfo->chainTab == nullptr ||
        pdbInfo->segTab == nullptr) {
        std::fprintf(stderr, "PDB Error creating object tables.\n");
        return 1;
    }
    const int hetatmFlag = sInfo != nullptr ? sInfo->hetatmFlag : 0;
    const bool useStdin = pdbName == nullptr || pdbName[0] == '\0';
    const char* shownName = useStdin ? "(stdin)" : pdbName;
    FILE* in = useStdin ? foundation::borrowText(stdin) : foundation::openText(pdbName);
    if (in == nullptr) {
        std::fprintf(stderr, "PDB Error opening PDB file %s: %s\n", shownName, std::strerror(errno));
        return 1;
    }

    char cBuff[256], inBuff[256];
    // A named file is read in blocks; stdin line by line, leaving the rest to later readers.
    const size_t blockLen = useStdin ? 0 : 1 << 16;
    std::unique_ptr<char[]> block(new char[blockLen]);  // not cleared: only read bytes are used
    BlockLines lines;
    lines.in = in;
    lines.direct = !useStdin;
    lines.cBuff = cBuff;
    lines.cBuffLen = sizeof(cBuff);
    lines.inBuff = inBuff;
    lines.inBuffLen = sizeof(inBuff);
    lines.block = block.get();
    lines.blockLen = blockLen;
    int status = 0;
    bool stored = false;
    LineContext ctx{shownName, 0};
    Variants variants;
    BrokenRecords broken;
    SkippedHetatm hetatm;
    AtomPagePrefault prefault;
    size_t len = 0;
    for (char* line; (line = nextBlockLine(lines, &len)) != nullptr;) {
        ctx.lineNo++;
        int brokenAt = 0;
        RecordKind kind = recordKind(line, len, &brokenAt);
        variants.record(kind, ctx.lineNo);
        if (kind == kBrokenAtom || kind == kBrokenHetatm) {
            if (!variants.pastFirst && (kind == kBrokenAtom || hetatmFlag)) broken.note(ctx.lineNo, line, brokenAt);
            continue;
        }
        if (kind == kOther || kind == kModel || kind == kEndModel) continue;
        if ((kind == kAtom || hetatmFlag) && variants.strayAtom(ctx)) {
            ctx.status = 1;
            break;
        }
        if (variants.pastFirst) continue;
        if (kind == kHetatm && !hetatmFlag) {
            hetatm.note(line, len);
            continue;
        }
        if (len < static_cast<size_t>(pdbFieldList[PDB_Z].locn)) {
            // A file cut inside its coordinates: the missing columns would read as 0.
            cutRecord(ctx);
            break;
        }

        atom.resID = intField(line, len, PDB_RESID, ctx);
        if (atom.resID == 0 && ctx.status == 0 && blankNumber(line, len, PDB_RESID, ctx)) break;
        nameField(line, len, PDB_ATOMNAME, atom.atomName);
        nameField(line, len, PDB_RESNAME, atom.resName);
        nameField(line, len, PDB_LOCID, atom.locID);
        nameField(line, len, PDB_CHAINID, atom.chainID);
        nameField(line, len, PDB_SEGID, atom.segID);
        nameField(line, len, PDB_ICODE, atom.icode);
        if (ctx.status != 0) break;
        if (sInfo != nullptr && !pdbSelectTest(sInfo, &atom)) continue;
        if (!variants.firstLocation(atom)) continue;

        atom.atomID = serialField(line, len, kind, ctx);
        atom.x = floatField(line, len, PDB_X, ctx);
        atom.y = floatField(line, len, PDB_Y, ctx);
        atom.z = floatField(line, len, PDB_Z, ctx);
        if (ctx.status == 0) {
            const float xyz[3] = {atom.x, atom.y, atom.z};
            for (int c = 0; c < 3; c++) {
                if (xyz[c] == 0.0f && blankNumber(line, len, PDB_X + c, ctx)) break;
                if (coordinateFits(xyz[c])) continue;
                char text[PDB_NAME_LEN];
                fieldText(line, len, PDB_X + c, text, sizeof(text));
                farCoordinate(ctx, PDB_X + c, text);
                break;
            }
        }
        atom.occupancy = floatField(line, len, PDB_OCCUPANCY, ctx);
        atom.tempFactor = floatField(line, len, PDB_TEMPFACTOR, ctx);
        nameField(line, len, PDB_ELEMENT, atom.element);
        nameField(line, len, PDB_CHARGE, atom.chargeStr);
        if (ctx.status != 0) break;

        AtomInfo* slot = takeAtomSlot(pdbInfo);
        if (slot == nullptr) {
            status = 1;
            break;
        }
        atom.selected = 0;
        if (!stored && !useStdin) prefault.start(in, pdbInfo, slot);
        setAtomInfo(pdbInfo, slot, &atom, stored ? 1 : 0);
        stored = true;
    }
    if (ctx.status != 0) status = ctx.status;
    if (status == 0) {
        variants.report(shownName);
        broken.report(shownName);
        hetatm.store(pdbInfo);
        hetatm.report(pdbInfo, shownName);
    }
    if (status == 0 && !lines.atEnd) {
        // The line reader stopped before the end: a binary file, a read or allocation failure.
        if (!foundation::textRefused(in, "PDB", shownName))
            std::fprintf(stderr, "PDB Error reading PDB file %s\n", shownName);
        status = 1;
    }
    if (status == 0) {
        status = indexPDB(pdbInfo);
        if (status != 0) std::fprintf(stderr, "PDB Error Indexing PDB File %s\n", shownName);
    }
    std::fclose(in);  // stdin itself stays open
    strAllocFree(&lines.text, cBuff, sizeof(cBuff), &lines.maxLength);
    return status;
}

std::string skippedHetatm(const PDBInfo* p) {
    if (p == nullptr || p->hetatmSkipped == 0) return {};
    return std::to_string(p->hetatmSkipped) + " HETATM record" + (p->hetatmSkipped == 1 ? "" : "s") +
           " skipped (" + p->hetatmNames + ")";
}

int writePDBAtoms(FILE* out, const PDBInfo* pdbInfo, const PDBSelectInfo* sInfo) {
    // Record name and serial fill columns 1-11. A serial of six or seven
    // digits grows into columns 5-6, where the reader takes it back,
    // instead of pushing every later field one column to the right.
    constexpr std::size_t kChunk = 1 << 16;
    std::unique_ptr<char[]> text(new char[kChunk + kRecordRoom]);
    char* p = text.get();
    int written = 0;
    for (int i = 0; pdbInfo->atomList != nullptr && i < pdbInfo->atomCount; i++) {
        const AtomInfo* a = &pdbInfo->atomList[i];
        if (sInfo != nullptr && !pdbSelectTest(sInfo, a)) continue;
        p = putAtomRecord(p, *a);
        written++;
        if (static_cast<std::size_t>(p - text.get()) >= kChunk) {
            std::fwrite(text.get(), 1, static_cast<std::size_t>(p - text.get()), out);
            p = text.get();
        }
    }
    std::fwrite(text.get(), 1, static_cast<std::size_t>(p - text.get()), out);
    return written;
}

namespace {

// Closes (or flushes) what writePDB and writePDBText wrote; 0, or 1 after the
// message (a file written only in part is removed).
int finishPDBFile(FILE* out, const char* pdbName) {
    return foundation::closeOutput(out, pdbName, "PDB Error writing PDB file %s: %s\n");
}

// The named file, or the standard output for an empty name; null after the
// message when the file cannot be opened.
FILE* openPDBOutput(const char* pdbName) {
    return foundation::openOutput(pdbName, "w", "PDB Error opening PDB file %s: %s\n");
}

}  // namespace

bool atomFits(const AtomInfo& a, double x, double y, double z, const char* pdbName) {
    const double v[3] = {x, y, z};
    for (int k = 0; k < 3; k++) {
        if (coordinateWritable(v[k])) continue;
        std::fprintf(stderr,
                     "PDB Error: the %c coordinate %.3f of atom %.*s of residue %d %.*s (serial %d) lies "
                     "outside %s; korim could not read it back, so PDB file %s is not written.\n",
                     "XYZ"[k], v[k], static_cast<int>(strnlen(a.atomName, sizeof a.atomName)), a.atomName, a.resID,
                     static_cast<int>(strnlen(a.resName, sizeof a.resName)), a.resName, a.atomID, kWritableRange,
                     pdbName != nullptr && pdbName[0] != '\0' ? pdbName : "(standard output)");
        foundation::noteOutputLost();
        return false;
    }
    return true;
}

bool pdbAtomsFit(const PDBInfo* pdbInfo, const PDBSelectInfo* sInfo, const char* pdbName) {
    for (int i = 0; pdbInfo->atomList != nullptr && i < pdbInfo->atomCount; i++) {
        const AtomInfo& a = pdbInfo->atomList[i];
        if (sInfo != nullptr && !pdbSelectTest(sInfo, &a)) continue;
        if (!atomFits(a, a.x, a.y, a.z, pdbName)) return false;
    }
    return true;
}

int writePDBText(const char* pdbName, const std::string& text) {
    FILE* out = openPDBOutput(pdbName);
    if (out == nullptr) return 1;
    // A file gets the text in one write (no stream buffer in between).
    if (out != stdout) std::setvbuf(out, nullptr, _IONBF, 0);
    std::fwrite(text.data(), 1, text.size(), out);
    return finishPDBFile(out, pdbName);
}

int writePDB(const char* pdbName, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* remark) {
    if (pdbInfo == nullptr) return 0;
    if (!pdbAtomsFit(pdbInfo, sInfo, pdbName)) return 1;
    FILE* out = openPDBOutput(pdbName);
    if (out == nullptr) return 1;
    if (remark != nullptr) std::fprintf(out, "REMARK %s\n\n", remark);
    writePDBAtoms(out, pdbInfo, sInfo);
    std::fprintf(out, "END\n");
    return finishPDBFile(out, pdbName);
}

}  // namespace korim::structure
