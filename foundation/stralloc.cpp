// Growable strings over a caller buffer, the any-length line reader and the scratch text.
#include "foundation/stralloc.h"

#include <cstring>
#include <functional>
#include <string>

#include "foundation/memory.h"
#include "foundation/token.h"

namespace korim::foundation {

namespace {

constexpr int kModuleBuffLen = 256;
constexpr int kGrowStep = 256;

struct ScratchState {
    char *ctemp = nullptr;  // null: the module buffer, not yet handed out
    int ctempBuffLen = 0;   // room in characters (one less than the bytes)
    char ctempBuff[kModuleBuffLen] = {};
};

ScratchState scratch;

bool inside(const char *p, const char *block, int len) {
    return p && block && len > 0 && std::less_equal<const char *>()(block, p) &&
           std::less<const char *>()(p, block + len);
}

}  // namespace

int strAllocInit(char **cPtr, char *cBuff, int cBuffLen, int *maxLength) {
    if (!cPtr) return 0;
    *cPtr = cBuff;
    if (maxLength) *maxLength = cBuffLen;
    if (cBuff && cBuffLen > 0) cBuff[0] = '\0';
    return 0;
}

char *strcatAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength) {
    if (!destPtr || !maxLength) {
        std::fprintf(stderr, "StrCatAlloc Error: Null pointer.\n");
        return nullptr;
    }
    if (!*destPtr) {
        *destPtr = cBuff;
        *maxLength = cBuffLen;
    }
    char *text = *destPtr;
    // A source inside our own text would move with a reallocation: copy it first.
    std::string keep;
    if (inside(src, text, *maxLength)) {
        keep = src;
        src = keep.c_str();
    }
    long long textLen = text ? static_cast<long long>(std::strlen(text)) : 0;
    long long srcLen = src ? static_cast<long long>(std::strlen(src)) : 0;
    long long need = textLen + srcLen + 2;
    if (need >= *maxLength) {
        long long cap = *maxLength;
        long long newCap = need < cap + kGrowStep - 1 ? cap + kGrowStep : need + kGrowStep;
        if (newCap > 2147483647LL) {
            std::fprintf(stderr, "StrCatAlloc Error: alloc failed.\n");
            return nullptr;
        }
        char *grown;
        if (text == cBuff) {
            grown = charMalloc("str", static_cast<int>(newCap));
            if (!grown) {
                std::fprintf(stderr, "StrCatAlloc Error: alloc failed.\n");
                return nullptr;
            }
            if (text)
                std::memcpy(grown, text, static_cast<size_t>(textLen) + 1);
            else
                grown[0] = '\0';
        } else {
            grown = charReMalloc("str", text, static_cast<int>(newCap), *maxLength);
            if (!grown) {
                std::fprintf(stderr, "StrCatAlloc Error: realloc failed.\n");
                return nullptr;
            }
        }
        *destPtr = text = grown;
        *maxLength = static_cast<int>(newCap);
    }
    if (srcLen > 0) std::memcpy(text + textLen, src, static_cast<size_t>(srcLen));
    text[textLen + srcLen] = '\0';
    return text;
}

char *strpcatAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength) {
    if (!destPtr || !maxLength) {
        std::fprintf(stderr, "StrCatAlloc Error: Null pointer.\n");
        return nullptr;
    }
    std::string front = src ? src : "";
    size_t oldLen = *destPtr ? std::strlen(*destPtr) : (cBuff ? std::strlen(cBuff) : 0);
    char *text = strcatAlloc(destPtr, front.c_str(), cBuff, cBuffLen, maxLength);
    if (!text) return nullptr;
    std::memmove(text + front.size(), text, oldLen);
    std::memcpy(text, front.data(), front.size());
    text[oldLen + front.size()] = '\0';
    return text;
}

char *strcpyAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength) {
    if (!destPtr || !maxLength) {
        std::fprintf(stderr, "StrCpyAlloc Error: Null pointer.\n");
        return nullptr;
    }
    if (!*destPtr) {
        *destPtr = cBuff;
        *maxLength = cBuffLen;
    }
    std::string keep;
    if (inside(src, *destPtr, *maxLength)) {
        keep = src;
        src = keep.c_str();
    }
    if (*destPtr) (*destPtr)[0] = '\0';
    return strcatAlloc(destPtr, src, cBuff, cBuffLen, maxLength);
}

int strAllocFree(char **cPtr, char *cBuff, int cBuffLen, int *maxLength) {
    if (!cPtr) return 0;
    if (*cPtr && *cPtr != cBuff) unAlloc("str", *cPtr, maxLength ? *maxLength : 0);
    *cPtr = cBuff;
    if (maxLength) *maxLength = cBuffLen;
    return 0;
}

char *fgetsAlloc(char **strPtr, int *maxLength, FILE *inUnit, char *inBuff, int inBuffLen,
                 char *cBuff, int cBuffLen) {
    if (!strPtr || !maxLength || !inUnit || !inBuff) {
        std::fprintf(stderr, "FGetSAlloc Error: Null pointer.\n");
        return nullptr;
    }
    if (inBuffLen < 3) {
        std::fprintf(stderr, "FGetSAlloc Error: Buffer too small.\n");
        return nullptr;
    }
    if (!*strPtr) {
        *strPtr = cBuff;
        *maxLength = cBuffLen;
    }
    if (*strPtr && *maxLength > 0) (*strPtr)[0] = '\0';
    bool any = false;
    for (;;) {
        // At most inBuffLen - 2 characters per chunk.
        if (!std::fgets(inBuff, inBuffLen - 1, inUnit)) break;
        const size_t n = std::strlen(inBuff);
        if (!any && *maxLength > 0 && static_cast<long long>(n) + 2 < *maxLength &&
            !inside(inBuff, *strPtr, *maxLength)) {
            // The first chunk into the emptied text, which has room for it: strcatAlloc's copy.
            std::memcpy(*strPtr, inBuff, n + 1);
        } else if (!strcatAlloc(strPtr, inBuff, cBuff, cBuffLen, maxLength)) {
            return nullptr;
        }
        any = true;
        if (std::memchr(inBuff, '\n', n)) break;
    }
    return any ? *strPtr : nullptr;
}

char *ctempAlloc(int n) {
    badToken = 0;
    if (!scratch.ctemp) {
        scratch.ctemp = scratch.ctempBuff;
        scratch.ctempBuffLen = kModuleBuffLen - 1;
    }
    if (n > scratch.ctempBuffLen) {
        std::fprintf(stderr, "Expanding to %d\n", n);
        if (scratch.ctemp != scratch.ctempBuff)
            unAlloc("str", scratch.ctemp, scratch.ctempBuffLen + 1);
        char *p = n < 2147483647 ? charMalloc("str", n + 1) : nullptr;
        if (p) {
            scratch.ctemp = p;
            scratch.ctempBuffLen = n;
        } else {
            // Never hand out the small module buffer as if it had the room asked for.
            std::fprintf(stderr, "CTempAlloc memory allocation error.\n");
            scratch.ctemp = scratch.ctempBuff;
            scratch.ctempBuffLen = kModuleBuffLen - 1;
            badToken = 1;
        }
    }
    scratch.ctemp[0] = '\0';
    return scratch.ctemp;
}

int ctempFree() {
    if (scratch.ctemp && scratch.ctemp != scratch.ctempBuff)
        unAlloc("str", scratch.ctemp, scratch.ctempBuffLen + 1);
    scratch.ctemp = nullptr;
    scratch.ctempBuffLen = 0;
    scratch.ctempBuff[0] = '\0';
    return 0;
}

void strallocReset() {
    scratch.ctemp = nullptr;
    scratch.ctempBuffLen = 0;
    scratch.ctempBuff[0] = '\0';
}

}  // namespace korim::foundation
