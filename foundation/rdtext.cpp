// Whole text files as line lists or as one character block.
#include "foundation/rdtext.h"

#include <cstring>
#include <strings.h>

#include "foundation/inputfile.h"
#include "foundation/memory.h"
#include "foundation/stralloc.h"

namespace korim::foundation {

namespace {

const int kPtrSize = static_cast<int>(sizeof(char *));

// One growable line over a 256-byte buffer, read from a stream; a file opened
// by name is closed, and a heap line handed back, at scope end.
struct LineReader {
    FILE *in;
    bool owned;
    char cBuff[256] = {};
    char inBuff[256] = {};
    char *line = nullptr;
    int cap = 0;
    explicit LineReader(FILE *f) : in(f), owned(false) {}
    explicit LineReader(const char *name)
        : in(openText(name)), owned(true) {}
    ~LineReader() {
        strAllocFree(&line, cBuff, 256, &cap);
        if (owned && in) std::fclose(in);
    }
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;
    char *next() { return fgetsAlloc(&line, &cap, in, inBuff, 256, cBuff, 256); }
    // True when the last null from next() was a real end of file.
    bool atEnd() const { return std::feof(in) != 0; }
};

void chop(char *s) {
    size_t n = std::strlen(s);
    if (n > 0 && s[n - 1] == '\n') s[n - 1] = '\0';
}

}  // namespace

char **rdText(const char *inName, int *lineCount, int *error) {
    int dummyCount, dummyError;
    if (!lineCount) lineCount = &dummyCount;
    if (!error) error = &dummyError;
    *error = 0;
    *lineCount = 0;
    LineReader reader(inName);
    if (!reader.in) {
        *error = -1;
        return nullptr;
    }
    int count = 0;
    while (reader.next()) ++count;
    if (!reader.atEnd()) {
        *error = -1;
        return nullptr;
    }
    if (count > 2147483647 / kPtrSize - 1) {
        *error = -1;
        return nullptr;
    }
    char **list = static_cast<char **>(voidMalloc("rdText", (count + 1) * kPtrSize));
    if (!list) {
        *error = -1;
        return nullptr;
    }
    rewindText(reader.in);
    int n = 0;
    while (n < count) {
        char *line = reader.next();
        if (!line) {
            // The file shrank or a line could not be held: the list ends here.
            if (!reader.atEnd()) *error = -1;
            break;
        }
        chop(line);
        list[n] = strDup(line);
        if (!list[n]) {
            *error = -1;
            break;
        }
        ++n;
    }
    list[n] = nullptr;
    *lineCount = n;
    return list;
}

char **rdText2(FILE *inUnit, int *lineCount, const char *endOfText, int verboseFlag, int *error) {
    int dummyCount, dummyError;
    if (!lineCount) lineCount = &dummyCount;
    if (!error) error = &dummyError;
    *error = 0;
    *lineCount = 0;
    if (!inUnit) {
        *error = -1;
        return nullptr;
    }
    LineReader reader(inUnit);
    char **list = nullptr;
    int capacity = 0;
    int count = 0;
    char *line;
    while ((line = reader.next())) {
        if (verboseFlag) std::fprintf(stderr, "%s", line);
        chop(line);
        if (count + 2 > capacity) {
            char **grown = static_cast<char **>(voidReMalloc(
                "rdText", list, (capacity + 256) * kPtrSize, capacity * kPtrSize));
            if (!grown) {
                *error = -1;
                break;
            }
            list = grown;
            capacity += 256;
        }
        list[count] = strDup(line);
        if (!list[count]) {
            *error = -1;
            break;
        }
        ++count;
        if (endOfText && strcasecmp(line, endOfText) == 0) break;
    }
    if (!line && !reader.atEnd()) *error = -1;
    if (!list) return nullptr;
    if (count == 0 && *error == 0) {
        // Nothing read: no list (its pointer block is handed back).
        unAlloc("rdText", list, capacity * kPtrSize);
        return nullptr;
    }
    list[count] = nullptr;
    *lineCount = count;
    if (*error == 0) {
        char **cut = static_cast<char **>(
            voidReMalloc("rdText", list, (count + 1) * kPtrSize, capacity * kPtrSize));
        if (cut) list = cut;
    }
    return list;
}

char *rdTextC(const char *inName, int *lineCount, int *length, int *error) {
    int dummyCount, dummyLength, dummyError;
    if (!lineCount) lineCount = &dummyCount;
    if (!length) length = &dummyLength;
    if (!error) error = &dummyError;
    *error = 0;
    *lineCount = 0;
    *length = 0;
    LineReader reader(inName);
    if (!reader.in) {
        *error = -1;
        return nullptr;
    }
    long long total = 1;
    int count = 0;
    char *line;
    while ((line = reader.next())) {
        total += static_cast<long long>(std::strlen(line)) + 1;
        ++count;
    }
    if (!reader.atEnd() || total > 2147483647LL) {
        *error = -1;
        return nullptr;
    }
    char *block = charMalloc("rdText", static_cast<int>(total));
    if (!block) {
        *error = -1;
        return nullptr;
    }
    std::memset(block, 0, static_cast<size_t>(total));
    rewindText(reader.in);
    long long pos = 0;
    int n = 0;
    while (n < count && (line = reader.next())) {
        size_t len = std::strlen(line);
        if (pos + static_cast<long long>(len) + 1 >= total) break;  // the file grew meanwhile
        std::memcpy(block + pos, line, len);
        pos += static_cast<long long>(len) + 1;  // the zero byte is already there
        ++n;
    }
    if (n < count && !reader.atEnd()) {
        // A line could not be held in memory: no half-filled block.
        unAlloc("rdText", block, static_cast<int>(total));
        *error = -1;
        return nullptr;
    }
    *lineCount = count;
    *length = static_cast<int>(total);
    return block;
}

int cntText(const char *inName, int *lineCount) {
    if (lineCount) *lineCount = 0;
    FILE *in = openText(inName);
    if (!in) return 1;
    char chunk[255];
    int n = 0;
    while (std::fgets(chunk, sizeof chunk, in))  // at most 254 characters per chunk
        if (std::strchr(chunk, '\n')) ++n;
    std::fclose(in);
    if (lineCount) *lineCount = n;
    return 0;
}

char **buildList(int length) {
    if (length < 0) length = 0;
    if (length > 2147483647 / kPtrSize - 1) return nullptr;
    char **list = static_cast<char **>(voidMalloc("rdText", (length + 1) * kPtrSize));
    if (!list) return nullptr;
    for (int i = 0; i < length; ++i) {
        list[i] = charMalloc("rdText", 256);
        if (!list[i]) {
            // A list shorter than asked would be read past its end: give none.
            for (int k = 0; k < i; ++k) unAlloc("rdText", list[k], 256);
            unAlloc("rdText", list, (length + 1) * kPtrSize);
            return nullptr;
        }
        list[i][0] = '\0';
    }
    list[length] = nullptr;
    return list;
}

int freeText(char **buffer) {
    if (!buffer) return 0;
    int n = 0;
    for (; buffer[n]; ++n) strFree(buffer[n]);
    unAlloc("rdText", buffer, (n + 1) * kPtrSize);
    return 0;
}

}  // namespace korim::foundation
