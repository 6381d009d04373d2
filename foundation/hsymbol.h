// Chained hash tables of named, typed values (tag "hsym").
#pragma once

namespace korim::foundation {

// Value types of a symbol.
constexpr int HSYM_NONE = 0;
constexpr int HSYM_DBL = 1;
constexpr int HSYM_FLT = 2;
constexpr int HSYM_INT = 3;
constexpr int HSYM_STR = 4;
constexpr int HSYM_PTR = 5;

struct HTabInfo;

struct HValInfo {
    int type;     // HSYM_*
    long length;  // bytes owned by the value: text length + 1 for a stored text, else 0
    union {
        double d;
        float f;
        int i;
        char *s;  // texts and pointer values
    } u;
};
using HValue = HValInfo;

struct HSymInfo {
    char *name;  // the symbol's own copy
    int depth;   // position in its bucket chain (0 = head)
    int id;      // serial number, unique in the process (first symbol: 1)
    HValInfo val;
    HSymInfo *next;
    HSymInfo *prev;
    HTabInfo *parent;
};
using HSymbol = HSymInfo;

struct HTabInfo {
    int hashLength;   // number of buckets
    int symbolCount;  // symbols in the table
    int maxDepth;     // deepest chain position ever reached
    HSymInfo **base;  // hashLength bucket heads
};
using HTable = HTabInfo;

// Construction and release.
HTable *hSymTabAlloc(int length);  // 253 buckets when length < 1
int hSymTabFree(HTable *hTab);
int hTabNull(HTable *hTab);
int hSymNull(HSymbol *hSym);
int hValNull(HValue *hVal);
HSymbol *hSymAlloc(HTable *parent);
char *hNameAlloc(const char *name);
int hSymFree(HSymbol *hSym);
int hSymFreeR(HSymbol *hSym);

// Adding and setting (setters: 0, or 1 when no symbol could be found or added).
HSymbol *hAddSym(const char *name, int type, HTable *hTab);
HSymbol *hFindOrAddSym(const char *name, int type, HTable *hTab);
// The symbol of that name, or (*added set) a new one of the type when there is none: the name
// is hashed once and its bucket walked once. Null when a new symbol cannot be had (after
// hAddSym's messages).
HSymbol *hFindOrAddSymOnce(const char *name, int type, HTable *hTab, bool *added);
int hSetSymDbl(const char *name, double val, HTable *hTab);
int hSetSymFlt(const char *name, float val, HTable *hTab);
int hSetSymInt(const char *name, int val, HTable *hTab);
int hSetSymPtr(const char *name, void *val, HTable *hTab);
int hSetSymStr(const char *name, const char *val, HTable *hTab);

// Look-up.
HSymbol *hFindSym(const char *name, HTable *hTab);
int hSymNameLoc(const char *name, int length);
int hSymExists(const char *name, HTable *hTab);
int hGetSymDbl(const char *name, HTable *hTab, double *valPtr);
int hGetSymFlt(const char *name, HTable *hTab, float *valPtr);
int hGetSymInt(const char *name, HTable *hTab, int *valPtr);
int hGetSymPtr(const char *name, HTable *hTab, void **valPtr);
int hGetSymStr(const char *name, HTable *hTab, char **valPtr);

// Reverse searches in bucket order; n counts matches from 1.
HSymbol *hFindSymID(HTable *hTab, int id);
HSymbol *hFindSymInt(HTable *hTab, int val, int n);
HSymbol *hFindSymPtr(HTable *hTab, void *val, int n);
HSymbol *hFindSymStr(HTable *hTab, const char *val, int n);

// Display: the value as text (static buffer of 256 characters, overwritten by the next call).
char *hSymVal2Str(HSymbol *hSym);
int hSymDump(HTable *hTab);

// Test hook: serial counter back to 0.
void hsymbolReset();

}  // namespace korim::foundation
