// Atom columns of restraint and coupling tables, and the residue sequence held in a table's header lines.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "foundation/inputfile.h"
#include "foundation/memory.h"
#include "foundation/table.h"
#include "foundation/token.h"
#include "structure/pdb.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

const char* const kSeqTag = "seq";

// Index of the column base + suffix, or -1.
int columnLoc(const tabVar* varInfo, int varCount, const char* base, const char* suffix) {
    std::string name = std::string(base) + (suffix != nullptr ? suffix : "");
    return getTabVar(varInfo, varCount, name.c_str());
}

bool usable(const tabVar* varInfo, int varCount, int loc) {
    return varInfo != nullptr && loc >= 0 && loc < varCount;
}

// The text a text cell stands for; empty for a null cell or an index that the
// column's text list does not hold.
const char* cellText(const tabVar& var, float value) {
    if (!std::isfinite(value) || var.equivList == nullptr) return "";
    double index = std::trunc(static_cast<double>(value));
    if (index < 0 || index >= var.equivCount) return "";
    const char* text = var.equivList[static_cast<int>(index)];
    return text != nullptr ? text : "";
}

// Reads one name column into a 16-byte field; 1 when the column was read.
int readName(const tabVar* varInfo, int varCount, const float* rPtr, int loc, char* dest,
             int (*fix)(char*)) {
    if (!usable(varInfo, varCount, loc)) return 0;
    if (dest != nullptr) {
        pdbStrCpy(dest, cellText(varInfo[loc], rPtr[loc]));
        fix(dest);
    }
    return 1;
}

// Token n of a header line as a string (the token buffers are reused).
std::string tokenAt(int n, const char* line) { return getToken(n, line); }

bool isDataLine(const char* line, const char* key) {
    return cntToken(line) >= 2 && strcasecmp(tokenAt(1, line).c_str(), "DATA") == 0 &&
           strcasecmp(tokenAt(2, line).c_str(), key) == 0;
}

}  // namespace

int getAtomTabLocs(const tabVar* varInfo, int varCount, const char* suffix, int* resIDLoc,
                   int* resNameLoc, int* atomNameLoc, int* chainNameLoc, int* segNameLoc) {
    if (resIDLoc != nullptr) *resIDLoc = columnLoc(varInfo, varCount, "RESID", suffix);
    if (resNameLoc != nullptr) *resNameLoc = columnLoc(varInfo, varCount, "RESNAME", suffix);
    if (atomNameLoc != nullptr) *atomNameLoc = columnLoc(varInfo, varCount, "ATOMNAME", suffix);
    if (chainNameLoc != nullptr) *chainNameLoc = columnLoc(varInfo, varCount, "CHAINNAME", suffix);
    if (segNameLoc != nullptr) *segNameLoc = columnLoc(varInfo, varCount, "SEGNAME", suffix);
    return 0;
}

int getAtomTabVals(const tabVar* varInfo, int varCount, const float* rPtr, int resIDLoc,
                   int resNameLoc, int atomNameLoc, int chainNameLoc, int segNameLoc, int* resID,
                   char* resName, char* atomName, char* chainName, char* segName) {
    if (rPtr == nullptr) return 0;
    int mask = 0;
    if (usable(varInfo, varCount, resIDLoc)) {
        double v = std::trunc(static_cast<double>(rPtr[resIDLoc]));
        // Out-of-range or missing numbers cannot be converted to int.
        int id = std::isfinite(v) && v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<int>(v) : 0;
        if (resID != nullptr) *resID = id;
        mask |= 1;
    }
    if (readName(varInfo, varCount, rPtr, atomNameLoc, atomName, fixAtomName)) mask |= 2;
    if (readName(varInfo, varCount, rPtr, resNameLoc, resName, fixResName)) mask |= 4;
    if (readName(varInfo, varCount, rPtr, chainNameLoc, chainName, fixChainName)) mask |= 8;
    if (readName(varInfo, varCount, rPtr, segNameLoc, segName, fixSegName)) mask |= 16;
    return mask;
}

int seqInfoNull(SeqInfo* seqInfo) {
    if (seqInfo == nullptr) return 0;
    seqInfo->firstResID = 1;
    seqInfo->resCount = 0;
    seqInfo->resNameList = nullptr;
    return 0;
}

int seqInfoFree(SeqInfo* seqInfo) {
    if (seqInfo == nullptr) return 0;
    if (seqInfo->resNameList != nullptr) {
        for (int i = 0; i < seqInfo->resCount; i++) strFree(seqInfo->resNameList[i]);
        unAlloc(kSeqTag, seqInfo->resNameList,
                (seqInfo->resCount + 1) * static_cast<int>(sizeof(char*)));
    }
    return seqInfoNull(seqInfo);
}

int getSeqInfo(const hdrList* hdrBase, SeqInfo* seqInfo) {
    if (hdrBase == nullptr || seqInfo == nullptr) return 0;
    seqInfo->resCount = 0;
    seqInfo->firstResID = 1;
    seqInfo->resNameList = nullptr;
    std::string letters;
    for (const hdrList* h = hdrBase; h != nullptr; h = h->next) {
        const char* line = h->text;
        if (line == nullptr) continue;
        if (isDataLine(line, "FIRST_RESID")) {
            std::string text = tokenAt(3, line);
            char* end = nullptr;
            errno = 0;
            long v = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) {
                std::fprintf(stderr, "MERIDO Error: bad FIRST_RESID value '%s' in header line: %s\n",
                             shownLine(text.c_str()).c_str(), shownLine(line).c_str());
                return 0;
            }
            seqInfo->firstResID = static_cast<int>(v);
        } else if (isDataLine(line, "SEQUENCE")) {
            for (int k = 3; k <= cntToken(line); k++) letters += tokenAt(k, line);
        }
    }
    int count = static_cast<int>(letters.size());
    if (count == 0) return 0;
    char** list = static_cast<char**>(voidMalloc(kSeqTag, (count + 1) * static_cast<int>(sizeof(char*))));
    if (list == nullptr) {
        std::fprintf(stderr, "MERIDO Error Allocating SEQUENCE info.\n");
        return 0;
    }
    for (int i = 0; i <= count; i++) list[i] = nullptr;
    for (int i = 0; i < count; i++) {
        char one[2] = {letters[static_cast<size_t>(i)], '\0'};
        list[i] = strDup(one);
        if (list[i] == nullptr) {
            std::fprintf(stderr, "MERIDO Error Allocating SEQUENCE info.\n");
            for (int k = 0; k < i; k++) strFree(list[k]);
            unAlloc(kSeqTag, list, (count + 1) * static_cast<int>(sizeof(char*)));
            return 0;
        }
    }
    seqInfo->resNameList = list;
    seqInfo->resCount = count;
    return count;
}

int wrSeqInfo(FILE* outUnit, const SeqInfo* seqInfo) {
    if (outUnit == nullptr || seqInfo == nullptr || seqInfo->resCount < 1 ||
        seqInfo->resNameList == nullptr) {
        return 0;
    }
    std::fprintf(outUnit, "\nDATA FIRST_RESID %d\n\n", seqInfo->firstResID);
    int n = seqInfo->resCount;
    for (int k = 0; k < n; k++) {
        int pos = k % 50;
        if (pos == 0) std::fprintf(outUnit, "DATA SEQUENCE ");
        const char* name = seqInfo->resNameList[k];
        std::fprintf(outUnit, "%s", name != nullptr && name[0] != '\0' ? name : "?");
        if (pos == 49) {
            std::fprintf(outUnit, "\n");
        } else if ((pos + 1) % 10 == 0) {
            std::fprintf(outUnit, " ");
        }
    }
    if (n % 50 != 0) std::fprintf(outUnit, "\n");
    std::fprintf(outUnit, "\n");
    return 0;
}

int getSeqResName(const SeqInfo* seqInfo, int resID, char* resName) {
    const char* name = nullptr;
    if (seqInfo != nullptr && seqInfo->resNameList != nullptr) {
        long long k = static_cast<long long>(resID) - seqInfo->firstResID;
        if (k >= 0 && k < seqInfo->resCount) name = seqInfo->resNameList[k];
    }
    if (name == nullptr) {
        if (resName != nullptr) std::strcpy(resName, "None");
        return 0;
    }
    if (resName != nullptr) pdbStrCpy(resName, name);
    return 1;
}

}  // namespace korim::structure
