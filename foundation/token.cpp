// White-space and quoted tokens; results live in module buffers that grow on demand.
#include "foundation/token.h"

#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "foundation/memory.h"
#include "foundation/stralloc.h"

namespace korim::foundation {

int badToken = 0;

namespace {

constexpr int kBuffLen = 256;

// One result buffer: current text, its static start buffer and capacity.
struct TokenBuffer {
    char *value = nullptr;
    char buff[kBuffLen] = {};
    int len = kBuffLen;
};

struct TokenState {
    TokenBuffer t;  // single tokens
    TokenBuffer r;  // right-hand joins
    TokenBuffer l;  // left-hand joins
};

TokenState tok;

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Walks the plain tokens of s, calling visit(k, start, length) for token k
// (from 1); gives the count.
template <typename Visit>
int eachToken(const char *s, Visit visit) {
    int k = 0;
    const char *p = s;
    for (;;) {
        while (*p && isWhite(*p)) ++p;
        if (!*p) return k;
        const char *b = p;
        while (*p && !isWhite(*p)) ++p;
        visit(++k, b, static_cast<size_t>(p - b));
    }
}

// Start and length of the n-th plain token (n from 1); false when absent. The walk ends at
// that token.
bool findToken(const char *s, int n, const char **start, size_t *len) {
    if (!s || n < 1) return false;
    const char *p = s;
    for (int k = 1;; ++k) {
        while (*p && isWhite(*p)) ++p;
        if (!*p) return false;
        const char *b = p;
        while (*p && !isWhite(*p)) ++p;
        if (k == n) {
            *start = b;
            *len = static_cast<size_t>(p - b);
            return true;
        }
    }
}

// A token as a text of its own for a number conversion.
std::string numberText(const char *start, size_t len) { return std::string(start, len); }

// The number conversions of getTokenI and getTokenR; badToken 1 when the text is no number.
int tokenInt(const std::string &t) {
    // Read as "%d" would, but out-of-range numbers are refused instead of wrapped.
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(t.c_str(), &end, 10);
    if (end == t.c_str() || errno == ERANGE || v > INT_MAX || v < INT_MIN) {
        badToken = 1;
        return 0;
    }
    return static_cast<int>(v);
}

float tokenReal(const std::string &t) {
    char *end = nullptr;
    errno = 0;
    float v = std::strtof(t.c_str(), &end);
    // A finite text too large for a float is refused rather than made infinite.
    if (end == t.c_str() || (errno == ERANGE && std::isinf(v))) {
        badToken = 1;
        return 0.0f;
    }
    return v;
}

// Quoted-token scan. Gives the count of tokens; for the n-th token (n >= 1)
// also the text it stands for: inside the quotes, or the plain run.
int scanQuoted(const char *s, int n, const char **start, size_t *len) {
    int k = 0;
    const char *p = s;
    for (;;) {
        while (*p && isWhite(*p)) ++p;
        if (!*p) return k;
        ++k;
        const char *b;
        size_t l;
        if (*p == '"' || *p == '\'') {
            char q = *p++;
            b = p;
            const char *close = std::strchr(p, q);
            if (!close) {
                l = std::strlen(p);
                p += l;
            } else {
                l = static_cast<size_t>(close - p);
                p = close + 1;
                while (*p && !isWhite(*p)) ++p;  // glued to the closing quote
            }
        } else {
            b = p;
            while (*p && !isWhite(*p)) ++p;
            l = static_cast<size_t>(p - b);
        }
        if (k == n && start) {
            *start = b;
            *len = l;
        }
    }
}

// The single-token buffer (already set up by emptyIn), emptied, with room for
// a text of `need` characters. A heap buffer that cannot be had leaves the
// static buffer and gives false.
bool singleRoom(size_t need) {
    TokenBuffer &t = tok.t;
    if (need + 1 > static_cast<size_t>(t.len)) {
        if (t.value != t.buff) unAlloc("token", t.value, t.len);
        char *p = need < INT_MAX ? charMalloc("token", static_cast<int>(need + 1)) : nullptr;
        if (!p) {
            std::fprintf(stderr, "GetToken: Memory Allocation Failure.\n");
            t.value = t.buff;
            t.len = kBuffLen;
            t.value[0] = '\0';
            return false;
        }
        t.value = p;
        t.len = static_cast<int>(need + 1);
    }
    t.value[0] = '\0';
    return true;
}

char *singleText(const char *start, size_t len) {
    std::memcpy(tok.t.value, start, len);
    tok.t.value[len] = '\0';
    return tok.t.value;
}

char *emptyIn(TokenBuffer &b) {
    if (!b.value) {
        b.value = b.buff;
        b.len = kBuffLen;
    }
    b.value[0] = '\0';
    return b.value;
}

// Stores a joined text in a join buffer (growable string over its static buffer).
char *storeJoin(TokenBuffer &b, const std::string &joined) {
    emptyIn(b);
    if (!strcpyAlloc(&b.value, joined.c_str(), b.buff, kBuffLen, &b.len)) {
        if (b.value) b.value[0] = '\0';
        badToken = 1;
    }
    return b.value;
}

// Tokens first..last joined by single spaces.
std::string join(const char *s, int first, int last) {
    std::string out;
    eachToken(s, [&](int k, const char *b, size_t l) {
        if (k < first || k > last) return;
        if (!out.empty()) out += ' ';
        out.append(b, l);
    });
    return out;
}

}  // namespace

int cntToken(const char *string) {
    return string ? eachToken(string, [](int, const char *, size_t) {}) : 0;
}

int tokenSpans(const char *string, const char **starts, int *lengths, int room) {
    if (!string) return 0;
    return eachToken(string, [&](int k, const char *b, size_t l) {
        if (k > room) return;
        starts[k - 1] = b;
        lengths[k - 1] = static_cast<int>(l);
    });
}

char *getTokenAt(const char *string, const char *start, int length) {
    badToken = 0;
    emptyIn(tok.t);
    if (!start || !singleRoom(std::strlen(string))) {
        badToken = 1;
        return tok.t.value;
    }
    return singleText(start, static_cast<size_t>(length));
}

int getTokenIAt(const char *start, int length) {
    badToken = 0;
    if (!start) {
        badToken = 1;
        return 0;
    }
    return tokenInt(numberText(start, static_cast<size_t>(length)));
}

float getTokenRAt(const char *start, int length) {
    badToken = 0;
    if (!start) {
        badToken = 1;
        return 0.0f;
    }
    return tokenReal(numberText(start, static_cast<size_t>(length)));
}

namespace {

// Start and length of the n-th token of string, or a null start when it has none.
std::pair<const char *, int> nthToken(int n, const char *string) {
    const char *b = nullptr;
    size_t l = 0;
    if (!findToken(string, n, &b, &l)) return {nullptr, 0};
    return {b, static_cast<int>(l)};
}

}  // namespace

char *getToken(int n, const char *string) {
    const auto [b, l] = nthToken(n, string);
    return getTokenAt(string, b, l);
}

int getTokenI(int n, const char *string) {
    const auto [b, l] = nthToken(n, string);
    return getTokenIAt(b, l);
}

float getTokenR(int n, const char *string) {
    const auto [b, l] = nthToken(n, string);
    return getTokenRAt(b, l);
}

char *rightToken(int n, const char *string) {
    badToken = 0;
    if (!string) {
        badToken = 1;
        return emptyIn(tok.r);
    }
    if (n < 1) n = 1;
    int count = cntToken(string);
    if (n > count) return emptyIn(tok.r);
    return storeJoin(tok.r, join(string, n, count));
}

char *leftToken(int n, const char *string) {
    badToken = 0;
    if (n < 1) return emptyIn(tok.l);
    if (!string) {
        badToken = 1;
        return emptyIn(tok.l);
    }
    int count = cntToken(string);
    bool shortOf = n > count;
    char *res = storeJoin(tok.l, join(string, 1, shortOf ? count : n));
    if (shortOf) badToken = 1;
    return res;
}

int cntTokenS(const char *string) {
    if (!string) return 0;
    return scanQuoted(string, 0, nullptr, nullptr);
}

char *getTokenS(int n, const char *string) {
    badToken = 0;
    emptyIn(tok.t);
    if (!string) {
        badToken = 1;
        return tok.t.value;
    }
    if (!singleRoom(std::strlen(string))) {
        badToken = 1;
        return tok.t.value;
    }
    const char *b = nullptr;
    size_t l = 0;
    int count = scanQuoted(string, n, &b, &l);
    if (n < 1 || n > count) {
        badToken = 1;
        return tok.t.value;
    }
    return singleText(b, l);
}

int freeToken() {
    TokenBuffer *all[] = {&tok.t, &tok.r, &tok.l};
    for (TokenBuffer *b : all) {
        strAllocFree(&b->value, b->buff, kBuffLen, &b->len);
        b->value = nullptr;
        b->len = 0;
    }
    return 0;
}

void tokenReset() {
    tok = TokenState{};
    badToken = 0;
}

}  // namespace korim::foundation
