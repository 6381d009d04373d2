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

namespace {

// At least want bytes in [at, end) unless the file has no more: the rest is moved to the front
// of the block and the block filled up.
void fillBlock(BlockLines &r, std::size_t want) {
    if (r.end - r.at >= want || r.drained) return;
    std::memmove(r.block, r.block + r.at, r.end - r.at);
    r.end -= r.at;
    r.at = 0;
    while (r.end < want && !r.drained) {
        const std::size_t got = std::fread(r.block + r.end, 1, r.blockLen - r.end, r.in);
        r.end += got;
        if (got == 0) r.drained = true;
    }
}

// The piece one fgets call of fgetsAlloc takes (up to and with the first line end, at most
// inBuffLen - 2 characters) into inBuff; false when there is none. Sets atEnd where fgets
// would meet the end of the file.
bool nextPiece(BlockLines &r) {
    const std::size_t most = static_cast<std::size_t>(r.inBuffLen) - 2;
    fillBlock(r, most);
    const std::size_t avail = r.end - r.at;
    if (avail == 0) {
        r.atEnd = std::feof(r.in) != 0;  // not after a read failure
        return false;
    }
    const char *p = r.block + r.at;
    const std::size_t span = avail < most ? avail : most;
    const char *nl = static_cast<const char *>(std::memchr(p, '\n', span));
    const std::size_t n = nl != nullptr ? static_cast<std::size_t>(nl - p) + 1 : span;
    if (nl == nullptr && n < most) r.atEnd = std::feof(r.in) != 0;  // stopped by the file's end
    std::memcpy(r.inBuff, p, n);
    r.inBuff[n] = '\0';
    r.at += n;
    return true;
}

// The length of the n characters at text without the line end they may close with, which
// becomes a NUL.
std::size_t withoutLineEnd(char *text, std::size_t n) {
    if (n > 0 && text[n - 1] == '\n') text[--n] = '\0';
    return n;
}

}  // namespace

char *nextBlockLine(BlockLines &r, std::size_t *len) {
    if (!r.direct) {
        char *line = fgetsAlloc(&r.text, &r.maxLength, r.in, r.inBuff, r.inBuffLen, r.cBuff,
                                r.cBuffLen);
        r.atEnd = std::feof(r.in) != 0;
        if (line != nullptr) *len = withoutLineEnd(line, std::strlen(line));
        return line;
    }
    if (!r.text) {
        r.text = r.cBuff;
        r.maxLength = r.cBuffLen;
    }
    // The usual line: one piece, no NUL in it, room for it in the text. fgetsAlloc would copy
    // it whole and allocate nothing; it is handed out where it lies.
    const std::size_t most = static_cast<std::size_t>(r.inBuffLen) - 2;
    fillBlock(r, most);
    const std::size_t avail = r.end - r.at;
    char *p = r.block + r.at;
    const std::size_t span = avail < most ? avail : most;
    const char *nl = static_cast<const char *>(std::memchr(p, '\n', span));
    if (nl != nullptr) {
        const std::size_t n = static_cast<std::size_t>(nl - p) + 1;
        if (static_cast<long long>(n) + 2 < r.maxLength && std::memchr(p, '\0', n) == nullptr) {
            r.at += n;
            *len = withoutLineEnd(p, n);
            return p;
        }
    }
    // Any other line: fgetsAlloc's steps on the same pieces.
    if (r.maxLength > 0) r.text[0] = '\0';
    bool any = false;
    while (nextPiece(r)) {
        any = true;
        if (!strcatAlloc(&r.text, r.inBuff, r.cBuff, r.cBuffLen, &r.maxLength)) return nullptr;
        if (std::strchr(r.inBuff, '\n')) break;
    }
    if (!any) return nullptr;
    *len = withoutLineEnd(r.text, std::strlen(r.text));
    return r.text;
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
