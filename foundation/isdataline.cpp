// Data rows of a table file: every line whose first token is not a key word or comment.
#include "foundation/isdataline.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "foundation/inputfile.h"
#include "foundation/raise.h"
#include "foundation/stralloc.h"
#include "foundation/token.h"

namespace korim::foundation {

namespace {

const char *const kKeyWords[] = {"REMARK", "FORMAT",    "VARS", "TOLERANCE",
                                 "NULLSTRING", "NULLVALUE", "DATA", "END"};

}  // namespace

int isDataLine(const char *line) {
    char *tok = getToken(1, line);
    std::string own;
    if (badToken) {
        if (cntToken(line) == 0) return 0;
        // The token buffer could not grow: judge from the line itself, since a
        // key word or "#" is decided by the first few characters anyway.
        const char *p = line;
        while (*p && std::strchr(" \t\n\v\f\r", *p)) ++p;
        const char *e = p;
        while (*e && !std::strchr(" \t\n\v\f\r", *e)) ++e;
        own.assign(p, static_cast<size_t>(e - p) < 16 ? static_cast<size_t>(e - p) : 16);
        tok = own.data();
    }
    raiseStr(tok);
    // The key words and "#" start with one of these characters: other tokens need no comparison.
    if (std::strchr("RFVTNDE#", tok[0]) == nullptr) return 1;
    for (const char *key : kKeyWords)
        if (std::strcmp(tok, key) == 0) return 0;
    if (tok[0] == '#') return 0;
    return 1;
}

const char *keyWordInOtherCase(const char *token) {
    if (token == nullptr) return nullptr;
    for (const char *key : kKeyWords)
        if (strcasecmp(token, key) == 0) return std::strcmp(token, key) == 0 ? nullptr : key;
    return nullptr;
}

int cntDataLine(const char *inName, int *count) {
    if (count) *count = 0;
    FILE *in = openText(inName);
    if (!in) {
        openError("CntDataLine", inName);
        return 1;
    }
    char cBuff[256], inBuff[256];
    char *line = nullptr;
    int cap = 0;
    int n = 0;
    while (fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256))
        if (isDataLine(line)) ++n;
    // A line that could not be held in memory is a failure, not an end of file.
    int status = std::feof(in) ? 0 : 1;
    strAllocFree(&line, cBuff, 256, &cap);
    std::fclose(in);
    if (count) *count = n;
    return status;
}

}  // namespace korim::foundation
