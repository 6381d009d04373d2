// Options whose value is a number or a code name from a table of name/value pairs.
#include "foundation/namelist.h"

#include "foundation/cmndargs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace korim::foundation {

namespace {

void listValidNames(const char* flagName, const NameVal* name2Val) {
    std::fprintf(stderr, "Keyword Error: bad value for");
    std::fprintf(stderr, " '%s'; Valid Options:\n\n", flagName != nullptr ? flagName : "");
    std::fprintf(stderr, "%-14s %s\n\n", "Code Name", "Numerical Value");
    for (const NameVal* row = name2Val; row != nullptr && row->name != nullptr; row++)
        std::fprintf(stderr, " %-14s % 2.0f\n", row->name, row->val);
}

}  // namespace

int getValByName(const char* flagName, const char* thisArg, const NameVal* name2Val, float* value) {
    if (thisArg == nullptr) {
        listValidNames(flagName, name2Val);
        return -1;
    }
    if (!std::isalpha(static_cast<unsigned char>(thisArg[0]))) {
        *value = std::strtof(thisArg, nullptr);
        return 1;
    }
    for (const NameVal* row = name2Val; row != nullptr && row->name != nullptr; row++) {
        if (strcasecmp(row->name, thisArg) == 0) {
            *value = row->val;
            return 0;
        }
    }
    listValidNames(flagName, name2Val);
    return -1;
}

int fltStrArgD(int argc, char** argv, const char* flagName, float* value, const NameVal* name2Val) {
    int loc = flagLoc(argc, argv, flagName);
    if (loc < 1) return 2;
    if (loc >= argc - 1) {
        std::fprintf(stderr, "Keyword Error: bad or missing value for");
        std::fprintf(stderr, " '%s'\n", flagName);
        return -1;
    }
    return getValByName(flagName, getNthArg(argc, argv, loc + 1), name2Val, value);
}

int intStrArgD(int argc, char** argv, const char* flagName, int* value, const NameVal* name2Val) {
    float v = static_cast<float>(*value);
    int result = fltStrArgD(argc, argv, flagName, &v, name2Val);
    // Store back only a value that was read, so that a default beyond float
    // precision survives an absent option intact.
    if (result != 0 && result != 1) return result;
    // Truncate toward zero; values beyond the int range saturate.
    if (!(v == v))
        *value = 0;
    else if (v >= 2147483520.0f)
        *value = 2147483647;
    else if (v <= -2147483648.0f)
        *value = -2147483647 - 1;
    else
        *value = static_cast<int>(v);
    return result;
}

int getNameByVal(const char** thisNamePtr, const NameVal* name2Val, float value) {
    int count = 0;
    *thisNamePtr = nullptr;
    for (const NameVal* row = name2Val; row != nullptr && row->name != nullptr; row++) {
        if (row->val == value) {
            *thisNamePtr = row->name;
            count++;
        }
    }
    return count;
}

}  // namespace korim::foundation
