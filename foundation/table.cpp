// Text-table writer, header-line lists, and building a table in memory (columns and matrix).
#include "foundation/table.h"

#include "foundation/memory.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace korim::foundation {

namespace {

// One printed field of any length.
template <typename T>
std::string printField(const char* fmt, T value) {
    char small[256];
    int n = std::snprintf(small, sizeof small, fmt, value);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt, value);
    out.resize(static_cast<size_t>(n));
    return out;
}

// A format as written on the FORMAT line: spaces become underscores.
std::string encodeFormat(const char* fmt) {
    std::string s(fmt != nullptr ? fmt : "");
    for (char& c : s)
        if (c == ' ') c = '_';
    return s;
}

// Copies of a column's name and format ("strDup"); on failure the message of
// the copy that failed, nothing kept, result 1.
int copyNameFmt(const char* name, const char* fmt, const char* nameMsg, const char* fmtMsg, char** nameCopy,
                char** fmtCopy) {
    *nameCopy = strDup(name != nullptr ? name : "");
    if (*nameCopy == nullptr) {
        std::fprintf(stderr, "%s", nameMsg);
        return 1;
    }
    *fmtCopy = strDup(fmt != nullptr ? fmt : "");
    if (*fmtCopy == nullptr) {
        std::fprintf(stderr, "%s", fmtMsg);
        strFree(*nameCopy);
        *nameCopy = nullptr;
        return 1;
    }
    return 0;
}

}  // namespace

int tabCellInt(float value) {
    double d = value;
    if (d != d) return 0;
    if (d >= 2147483647.0) return INT_MAX;
    if (d <= -2147483648.0) return INT_MIN;
    return static_cast<int>(d);
}

hdrList* hdrInit() {
    hdrList* h = static_cast<hdrList*>(voidMalloc("table", static_cast<int>(sizeof(hdrList))));
    if (h == nullptr) return nullptr;
    h->text = nullptr;
    h->next = nullptr;
    return h;
}

int addHdrLine(const char* line, hdrList* hPtr) {
    if (hPtr == nullptr) return 1;
    hdrList* last = hPtr;
    while (last->next != nullptr) last = last->next;
    last->text = strDup(line != nullptr ? line : "");
    if (last->text == nullptr) {
        std::fprintf(stderr, "AddHdrLine Error allocating header line.\n");
        return 1;
    }
    hdrList* node = hdrInit();
    if (node == nullptr) {
        std::fprintf(stderr, "AddHdrLine Error allocating header item.\n");
        // Keep the last node empty, as every walker of the list expects.
        strFree(last->text);
        last->text = nullptr;
        return 1;
    }
    last->next = node;
    return 0;
}

int freeHdr(hdrList* hdrBase) {
    for (hdrList* h = hdrBase; h != nullptr;) {
        hdrList* next = h->next;
        strFree(h->text);
        unAlloc("table", h, static_cast<int>(sizeof(hdrList)));
        h = next;
    }
    return 0;
}

int wrTable(const char* outName, const float* matrix, int varCount, int entryCount, const tabVar* varInfo,
            int nullValue, const hdrList* hdrBase) {
    return wrTable2(outName, matrix, varCount, entryCount, varInfo, nullValue, hdrBase, 0, 0);
}

int wrTable2(const char* outName, const float* matrix, int varCount, int entryCount, const tabVar* varInfo,
             int nullValue, const hdrList* hdrBase, int delFlag, int delVarLoc) {
    if (outName == nullptr || varCount < 0 || entryCount < 0 || (varCount > 0 && varInfo == nullptr) ||
        (entryCount > 0 && varCount > 0 && matrix == nullptr)) {
        std::fprintf(stderr, "WrTable Error: bad arguments.\n");
        return 1;
    }
    // Everything that would stop the writing is checked before the file is made.
    for (int v = 0; v < varCount; v++) {
        int type = varInfo[v].type;
        if (type >= TAB_TEXT && type <= TAB_FLOAT && tabFmtType(varInfo[v].fmt) != type) {
            std::fprintf(stderr, "WrTable Error: bad format %s\n", varInfo[v].fmt != nullptr ? varInfo[v].fmt : "(null)");
            return 1;
        }
    }
    if (delFlag && (delVarLoc < 0 || delVarLoc >= varCount)) {
        std::fprintf(stderr, "WrTable Error: bad column %d.\n", delVarLoc);
        return 1;
    }

    bool toStdout = std::strcmp(outName, "-") == 0;
    FILE* out = toStdout ? stdout : std::fopen(outName, "w");
    if (out == nullptr) {
        std::fprintf(stderr, "File open error: %s\n", outName);
        return 1;
    }
    int status = 0;

    for (const hdrList* h = hdrBase; h != nullptr; h = h->next)
        if (h->text != nullptr) std::fprintf(out, "%s\n", h->text);

    std::string line = "VARS   ";
    for (int v = 0; v < varCount; v++) {
        if (v > 0) line += ' ';
        line += varInfo[v].name != nullptr ? varInfo[v].name : "";
    }
    std::fprintf(out, "%s\n", line.c_str());

    line = "FORMAT ";
    for (int v = 0; v < varCount; v++) {
        if (v > 0) line += ' ';
        line += encodeFormat(varInfo[v].fmt);
    }
    std::fprintf(out, "%s\n", line.c_str());

    bool anyTol = false;
    for (int v = 0; v < varCount; v++)
        if (varInfo[v].tol != 0.0f) anyTol = true;
    if (anyTol) {
        line = "TOLERANCE ";
        for (int v = 0; v < varCount; v++) {
            if (v > 0) line += ' ';
            line += printField("%5.2f", static_cast<double>(varInfo[v].tol));
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    std::fprintf(out, "\n");
    std::fprintf(out, "NULLVALUE %d\n", nullValue);
    std::fprintf(out, "NULLSTRING %s\n", TAB_NULL_STRING);
    std::fprintf(out, "\n");

    float nullAsFloat = static_cast<float>(nullValue);
    bool stop = false;
    for (int e = 0; e < entryCount && !stop; e++) {
        const float* row = matrix + static_cast<size_t>(e) * static_cast<size_t>(varCount);
        if (delFlag && row[delVarLoc] < 0.0f) continue;
        line.clear();
        for (int v = 0; v < varCount; v++) {
            const tabVar& col = varInfo[v];
            float value = row[v];
            std::string field;
            switch (col.type) {
            case TAB_FLOAT:
                field = printField(col.fmt, static_cast<double>(value));
                break;
            case TAB_INT:
                field = printField(col.fmt, tabCellInt(value));
                break;
            case TAB_TEXT: {
                int index = tabCellInt(value);
                if (index >= 0 && index < col.equivCount && col.equivList != nullptr &&
                    col.equivList[index] != nullptr) {
                    // A real text wins over a null value that happens to equal its index.
                    const char* text = col.equivList[index];
                    if (text[0] == '\0') {
                        text = TAB_NULL_STRING;  // an empty field could not be read back
                    } else if (text[std::strcspn(text, " \t\n\v\f\r")] != '\0') {
                        // Written as it is it would split into several fields.
                        std::fprintf(stderr, "WrTable Error: text with white space.\n");
                        std::fprintf(stderr, "Entry %d, ID %d\n", e, index);
                        status = 1;
                        text = TAB_NULL_STRING;
                    }
                    field = printField(col.fmt, text);
                } else if (value == nullAsFloat || value == static_cast<float>(TAB_NULL_TEXT)) {
                    field = printField(col.fmt, TAB_NULL_STRING);
                } else {
                    std::fprintf(stderr, "WrTable Error: bad text.\n");
                    std::fprintf(stderr, "Entry %d, ID %d\n", e, index);
                    status = 1;
                }
                break;
            }
            case 0:
                break;
            default:
                std::fprintf(stderr, "WrTable Error: bad type.\n");
                std::fprintf(stderr, "Entry %d, %d\n", e, col.type);
                status = 1;
                stop = true;
                break;
            }
            if (stop) break;
            line += field;
            if (v < varCount - 1) line += ' ';
        }
        if (!stop) std::fprintf(out, "%s\n", line.c_str());
    }

    // The standard output stays open for the caller; a file is closed.
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(stderr, "WrTable Error writing %s\n", outName);
        status = 1;
    }
    if (!toStdout && std::fclose(out) != 0) {
        std::fprintf(stderr, "WrTable Error writing %s\n", outName);
        status = 1;
    }
    return status;
}

int wrTableN(const char* outName, const float* matrix, int varCount, int entryCount, const char* varRoot,
             const char* varFmt, float tol, int nullValue, const hdrList* hdrBase) {
    if (varCount < 0) varCount = 0;
    tabVar* varInfo = nullptr;
    if (varCount > 0) {
        varInfo = static_cast<tabVar*>(voidMalloc("table", varCount * static_cast<int>(sizeof(tabVar))));
        if (varInfo == nullptr) {
            std::fprintf(stderr, "WrTableN Error allocating variable info.\n");
            return 1;
        }
    }
    for (int v = 0; v < varCount; v++) varInfo[v] = tabVar{};
    for (int v = 0; v < varCount; v++) {
        std::string name = std::string(varRoot != nullptr ? varRoot : "") + std::to_string(v + 1);
        varInfo[v].name = strDup(name.c_str());
        if (varInfo[v].name == nullptr) {
            std::fprintf(stderr, "WrTableN Error allocating variable name.\n");
            freeTab(nullptr, varInfo, varCount, 0);
            return 1;
        }
        varInfo[v].fmt = strDup(varFmt != nullptr ? varFmt : "");
        if (varInfo[v].fmt == nullptr) {
            std::fprintf(stderr, "WrTableN Error allocating variable format.\n");
            freeTab(nullptr, varInfo, varCount, 0);
            return 1;
        }
        varInfo[v].type = TAB_FLOAT;
        varInfo[v].tol = tol;
    }
    int status = wrTable(outName, matrix, varCount, entryCount, varInfo, nullValue, hdrBase);
    freeTab(nullptr, varInfo, varCount, 0);
    return status;
}

int addMatVar(float** matrix, int entryCount, int varCount, int addCount) {
    if (addCount < 1 || entryCount < 1) return 0;
    long long newLen = static_cast<long long>(entryCount) * (static_cast<long long>(varCount) + addCount);
    if (matrix == nullptr || varCount < 0 || newLen > INT_MAX / static_cast<long long>(sizeof(float))) return 1;
    float* m = fltReAlloc("table", *matrix, static_cast<int>(newLen), entryCount * varCount);
    *matrix = m;
    if (m == nullptr) return 1;
    int newCount = varCount + addCount;
    // From the last row back, so that no row is overwritten before it moved.
    for (int e = entryCount - 1; e >= 0; e--) {
        for (int a = addCount - 1; a >= 0; a--) m[static_cast<size_t>(e) * newCount + varCount + a] = 0.0f;
        for (int v = varCount - 1; v >= 0; v--)
            m[static_cast<size_t>(e) * newCount + v] = m[static_cast<size_t>(e) * varCount + v];
    }
    return 0;
}

int addTabVar(tabVar** varInfo, int* varCount, const char* name, const char* fmt, float tol, int type) {
    if (varInfo == nullptr || varCount == nullptr || *varCount < 0) return 1;
    int n = *varCount;
    int recSize = static_cast<int>(sizeof(tabVar));
    tabVar* list = static_cast<tabVar*>(voidReMalloc("table", *varInfo, (n + 1) * recSize, n * recSize));
    if (list == nullptr) {
        std::fprintf(stderr, "Error reallocating table variables.\n");
        return 1;
    }
    *varInfo = list;
    char* nameCopy = nullptr;
    char* fmtCopy = nullptr;
    if (copyNameFmt(name, fmt, "AddTabVar Error reallocating variable name.\n",
                    "AddTabVar Error reallocating variable format.\n", &nameCopy, &fmtCopy) != 0)
        return 1;
    list[n] = tabVar{type, tol, nameCopy, fmtCopy, 0, 0, nullptr};
    *varCount = n + 1;
    return 0;
}

int chTabVar(tabVar* varPtr, const char* name, const char* fmt, float tol, int type) {
    if (varPtr == nullptr) return 1;
    // Copies first, so that a failure leaves the column as it was.
    char* nameCopy = nullptr;
    char* fmtCopy = nullptr;
    if (copyNameFmt(name, fmt, "ChTabVar Error allocating NAME.\n", "ChTabVar Error allocating FMT.\n", &nameCopy,
                    &fmtCopy) != 0)
        return 1;
    strFree(varPtr->name);
    strFree(varPtr->fmt);
    varPtr->name = nameCopy;
    varPtr->fmt = fmtCopy;
    varPtr->type = type;
    varPtr->tol = tol;
    varPtr->fmtLine = 0;  // the format is no longer the file's
    return 0;
}

}  // namespace korim::foundation
