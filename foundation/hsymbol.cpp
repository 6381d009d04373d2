// Chained hash tables of named, typed values; all memory through the tagged allocator.
#include "foundation/hsymbol.h"

#include <cstdio>
#include <cstring>

#include "foundation/memory.h"

namespace korim::foundation {

namespace {

constexpr int kDefaultBuckets = 253;

struct HSymbolState {
    int symbolCount = 0;  // process-wide serial counter of created symbols
    char display[256] = {};
};

HSymbolState hs;

// Text owned by a value (set by hSetSymStr); only such a text is ever read.
bool ownsText(const HValue &v) { return v.length > 0 && v.u.s != nullptr; }

void dropText(HValue &v) {
    if (v.length > 0) unAlloc("hsym", v.u.s, static_cast<int>(v.length));
    v.length = 0;
}

template <typename Pred>
HSymbol *nthMatch(HTable *hTab, int n, Pred pred) {
    if (!hTab || !hTab->base) return nullptr;
    int k = 0;
    for (int b = 0; b < hTab->hashLength; ++b)
        for (HSymbol *s = hTab->base[b]; s; s = s->next)
            if (pred(s) && ++k == n) return s;
    return nullptr;
}

}  // namespace

HTable *hSymTabAlloc(int length) {
    if (length < 1) length = kDefaultBuckets;
    HTable *t = static_cast<HTable *>(voidMalloc("hsym", static_cast<int>(sizeof(HTable))));
    if (!t) {
        std::fprintf(stderr, "SymTabAlloc Error allocating table.\n");
        return nullptr;
    }
    hTabNull(t);
    const int ps = static_cast<int>(sizeof(HSymbol *));
    if (length > 2147483647 / ps) length = kDefaultBuckets;
    t->base = static_cast<HSymbol **>(voidMalloc("hsym", length * ps));
    if (!t->base) {
        std::fprintf(stderr, "SymTabAlloc Error allocating memory.\n");
        unAlloc("hsym", t, static_cast<int>(sizeof(HTable)));
        return nullptr;
    }
    for (int i = 0; i < length; ++i) t->base[i] = nullptr;
    t->hashLength = length;
    return t;
}

int hSymTabFree(HTable *hTab) {
    if (!hTab) return 0;
    if (hTab->base) {
        for (int b = 0; b < hTab->hashLength; ++b) {
            hSymFreeR(hTab->base[b]);
            hTab->base[b] = nullptr;
        }
        unAlloc("hsym", hTab->base, hTab->hashLength * static_cast<int>(sizeof(HSymbol *)));
    }
    unAlloc("hsym", hTab, static_cast<int>(sizeof(HTable)));
    return 0;
}

int hTabNull(HTable *hTab) {
    if (!hTab) return 0;
    hTab->hashLength = 0;
    hTab->symbolCount = 0;
    hTab->maxDepth = 0;
    hTab->base = nullptr;
    return 0;
}

int hValNull(HValue *hVal) {
    if (!hVal) return 0;
    hVal->type = HSYM_NONE;
    hVal->length = 0;
    std::memset(&hVal->u, 0, sizeof hVal->u);
    return 0;
}

int hSymNull(HSymbol *hSym) {
    if (!hSym) return 0;
    hSym->name = nullptr;
    hSym->depth = 0;
    hSym->id = 0;
    hValNull(&hSym->val);
    hSym->next = nullptr;
    hSym->prev = nullptr;
    hSym->parent = nullptr;
    return 0;
}

HSymbol *hSymAlloc(HTable *parent) {
    HSymbol *s = static_cast<HSymbol *>(voidMalloc("hsym", static_cast<int>(sizeof(HSymbol))));
    if (!s) {
        std::fprintf(stderr, "SymAlloc Error allocating memory.\n");
        return nullptr;
    }
    hSymNull(s);
    s->parent = parent;
    s->id = ++hs.symbolCount;
    return s;
}

char *hNameAlloc(const char *name) {
    if (!name) return nullptr;
    size_t n = std::strlen(name) + 1;
    char *p = n < 2147483647u ? charMalloc("hsym", static_cast<int>(n)) : nullptr;
    if (!p) {
        std::fprintf(stderr, "NameAlloc Error allocating name.\n");
        return nullptr;
    }
    std::memcpy(p, name, n);
    return p;
}

int hSymFree(HSymbol *hSym) {
    if (!hSym) return 0;
    HTable *t = hSym->parent;
    if (t) --t->symbolCount;
    for (HSymbol *s = hSym->next; s; s = s->next) --s->depth;
    if (hSym->prev) hSym->prev->next = hSym->next;
    if (hSym->next) hSym->next->prev = hSym->prev;
    // A released head hands its bucket to its successor.
    if (!hSym->prev && t && t->base && hSym->name) {
        int b = hSymNameLoc(hSym->name, t->hashLength);
        if (t->base[b] == hSym) t->base[b] = hSym->next;
    }
    hSym->next = hSym->prev = nullptr;
    dropText(hSym->val);
    if (hSym->name) unAlloc("hsym", hSym->name, static_cast<int>(std::strlen(hSym->name)) + 1);
    unAlloc("hsym", hSym, static_cast<int>(sizeof(HSymbol)));
    return 0;
}

int hSymFreeR(HSymbol *hSym) {
    if (!hSym) return 0;
    // From the end of the chain back to hSym (no recursion: chains can be long).
    HSymbol *tail = hSym;
    while (tail->next) tail = tail->next;
    for (;;) {
        HSymbol *before = tail->prev;
        bool last = tail == hSym;
        hSymFree(tail);
        if (last) break;
        tail = before;
    }
    return 0;
}

int hSymNameLoc(const char *name, int length) {
    if (!name || !name[0] || length < 1) return 0;
    // PJW (ELF) hash over signed characters.
    unsigned int h = 0;
    for (const char *p = name; *p; ++p) {
        h = (h << 4) + static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(*p)));
        unsigned int g = h & 0xF0000000u;
        if (g) {
            h ^= g >> 24;
            h ^= g;
        }
    }
    return static_cast<int>(h % static_cast<unsigned int>(length));
}

namespace {

// A new symbol at the head of bucket b (hAddSym after hashing).
HSymbol *addAt(const char *name, int type, HTable *hTab, int b) {
    HSymbol *s = hSymAlloc(hTab);
    if (!s) {
        std::fprintf(stderr, "AddSym Error Allocating Symbol.\n");
        return nullptr;
    }
    s->name = hNameAlloc(name);
    if (!s->name) {
        unAlloc("hsym", s, static_cast<int>(sizeof(HSymbol)));
        return nullptr;
    }
    s->depth = 0;
    s->val.type = type;
    s->next = hTab->base[b];
    if (s->next) s->next->prev = s;
    s->prev = nullptr;
    hTab->base[b] = s;
    ++hTab->symbolCount;
    for (HSymbol *q = s->next; q; q = q->next) {
        ++q->depth;
        if (q->depth > hTab->maxDepth) hTab->maxDepth = q->depth;
    }
    return s;
}

}  // namespace

HSymbol *hAddSym(const char *name, int type, HTable *hTab) {
    if (!name || !hTab || !hTab->base) return nullptr;
    return addAt(name, type, hTab, hSymNameLoc(name, hTab->hashLength));
}

HSymbol *hFindOrAddSymOnce(const char *name, int type, HTable *hTab, bool *added) {
    *added = false;
    if (!name || !hTab || !hTab->base) return nullptr;
    const int b = hSymNameLoc(name, hTab->hashLength);
    for (HSymbol *s = hTab->base[b]; s; s = s->next)
        if (s->name && std::strcmp(s->name, name) == 0) return s;
    HSymbol *s = addAt(name, type, hTab, b);
    *added = s != nullptr;
    return s;
}

HSymbol *hFindSym(const char *name, HTable *hTab) {
    if (!name || !hTab || !hTab->base) return nullptr;
    for (HSymbol *s = hTab->base[hSymNameLoc(name, hTab->hashLength)]; s; s = s->next)
        if (s->name && std::strcmp(s->name, name) == 0) return s;
    return nullptr;
}

HSymbol *hFindOrAddSym(const char *name, int type, HTable *hTab) {
    HSymbol *s = hFindSym(name, hTab);
    if (!s) return hAddSym(name, type, hTab);
    if (s->val.type != type) std::fprintf(stderr, "Symbol Notice: Type Clash for Symbol %s\n", name);
    return s;
}

namespace {

// Find or add the symbol, then store through `store`. A stored value replaces
// an owned text: the text is handed back first, so that a text is never read
// from the bits of another value.
template <typename Store>
int setValue(const char *name, int type, HTable *hTab, Store store) {
    HSymbol *s = hFindOrAddSym(name, type, hTab);
    if (!s) return 1;
    dropText(s->val);
    store(s->val);
    return 0;
}

// 1 when the symbol exists; its value, as `read` takes it, stored when valPtr is set.
template <typename T, typename Read>
int getValue(const char *name, HTable *hTab, T *valPtr, Read read) {
    HSymbol *s = hFindSym(name, hTab);
    if (!s) return 0;
    if (valPtr) *valPtr = read(s->val);
    return 1;
}

}  // namespace

int hSetSymDbl(const char *name, double val, HTable *hTab) {
    return setValue(name, HSYM_DBL, hTab, [val](HValue &v) { v.u.d = val; });
}

int hSetSymFlt(const char *name, float val, HTable *hTab) {
    return setValue(name, HSYM_FLT, hTab, [val](HValue &v) { v.u.f = val; });
}

int hSetSymInt(const char *name, int val, HTable *hTab) {
    return setValue(name, HSYM_INT, hTab, [val](HValue &v) { v.u.i = val; });
}

int hSetSymPtr(const char *name, void *val, HTable *hTab) {
    return setValue(name, HSYM_PTR, hTab, [val](HValue &v) { v.u.s = static_cast<char *>(val); });
}

int hSetSymStr(const char *name, const char *val, HTable *hTab) {
    return setValue(name, HSYM_STR, hTab, [val](HValue &v) {
        v.u.s = hNameAlloc(val);
        v.length = v.u.s ? static_cast<long>(std::strlen(v.u.s)) + 1 : 0;
    });
}

int hSymExists(const char *name, HTable *hTab) {
    HSymbol *s = hFindSym(name, hTab);
    return s ? s->id : 0;
}

int hGetSymDbl(const char *name, HTable *hTab, double *valPtr) {
    return getValue(name, hTab, valPtr, [](const HValue &v) { return v.u.d; });
}

int hGetSymFlt(const char *name, HTable *hTab, float *valPtr) {
    return getValue(name, hTab, valPtr, [](const HValue &v) { return v.u.f; });
}

int hGetSymInt(const char *name, HTable *hTab, int *valPtr) {
    return getValue(name, hTab, valPtr, [](const HValue &v) { return v.u.i; });
}

int hGetSymPtr(const char *name, HTable *hTab, void **valPtr) {
    return getValue(name, hTab, valPtr, [](const HValue &v) { return static_cast<void *>(v.u.s); });
}

int hGetSymStr(const char *name, HTable *hTab, char **valPtr) {
    return getValue(name, hTab, valPtr, [](const HValue &v) { return v.u.s; });
}

HSymbol *hFindSymID(HTable *hTab, int id) {
    return nthMatch(hTab, 1, [id](const HSymbol *s) { return s->id == id; });
}

HSymbol *hFindSymInt(HTable *hTab, int val, int n) {
    return nthMatch(hTab, n, [val](const HSymbol *s) { return s->val.u.i == val; });
}

HSymbol *hFindSymPtr(HTable *hTab, void *val, int n) {
    return nthMatch(hTab, n, [val](const HSymbol *s) { return s->val.u.s == val; });
}

HSymbol *hFindSymStr(HTable *hTab, const char *val, int n) {
    if (!val) return nullptr;
    return nthMatch(hTab, n, [val](const HSymbol *s) {
        return ownsText(s->val) && std::strcmp(s->val.u.s, val) == 0;
    });
}

char *hSymVal2Str(HSymbol *hSym) {
    char *buf = hs.display;
    const size_t n = sizeof hs.display;
    if (!hSym) {
        std::snprintf(buf, n, "NULL");
        return buf;
    }
    const HValue &v = hSym->val;
    switch (v.type) {
        case HSYM_DBL:
            std::snprintf(buf, n, "%f", v.u.d);
            break;
        case HSYM_FLT:
            std::snprintf(buf, n, "%f", static_cast<double>(v.u.f));
            break;
        case HSYM_INT:
            std::snprintf(buf, n, "%d", v.u.i);
            break;
        case HSYM_STR:
            // Cut to the buffer; a symbol without a text shows as empty.
            std::snprintf(buf, n, "%s", ownsText(v) ? v.u.s : "");
            break;
        default: {
            unsigned long word = 0;
            std::memcpy(&word, &v.u, sizeof word < sizeof v.u ? sizeof word : sizeof v.u);
            std::snprintf(buf, n, "%lu", word);
        }
    }
    return buf;
}

int hSymDump(HTable *hTab) {
    if (!hTab || !hTab->base) return 0;
    for (int b = 0; b < hTab->hashLength; ++b)
        for (HSymbol *s = hTab->base[b]; s; s = s->next)
            std::fprintf(stdout, " Loc: %4d  Depth: %3d Name: %-8s Value: %s\n", b, s->depth,
                         s->name ? s->name : "", hSymVal2Str(s));
    return 0;
}

void hsymbolReset() {
    hs.symbolCount = 0;
    hs.display[0] = '\0';
}

}  // namespace korim::foundation
