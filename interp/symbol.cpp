// Symbols of the calculator interpreter: the name list, arrays owned by symbols, variables set by the host.
#include "interp/symbol.h"

#include <cstdio>
#include <cstring>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/syscalls.h"
#include "interp/execerror.h"

namespace korim::interp {

namespace {

struct SymbolState {
    Symbol *head = nullptr;
    int symCnt = 0;
};

SymbolState st;

// Bytes held by an array of length elements of the given element type; -1 when they exceed
// one block of the allocator (an int byte count), as from 536,870,912 floats or ints.
long long arrayBytes(int length, short ptrType) {
    return foundation::checkedCount({length, ptrType == CHRARRAY ? 1 : 4});
}

// The existing symbol of that name, which must be of the wanted type, or null.
Symbol *lookupTyped(const char *name, short type) {
    Symbol *sp = lookup(name);
    if (sp && sp->type != type) execerror("Bad Type for User Variable:", name);
    return sp;
}

// A string variable of that name: the existing one with its array released,
// or a new one owning nothing.
Symbol *emptyStringVar(const char *name) {
    Symbol *sp = lookupTyped(name, ARRAYVAR);
    if (sp) {
        freeAdr(sp);
        return sp;
    }
    sp = install(name, ARRAYVAR, 0.0);
    if (!sp) execerror("Re-allocating array:", name);
    sp->u.str = nullptr;
    return sp;
}

// Default array length: the variable BUFLEN truncated, 0 when unusable.
int defaultLength() {
    const Symbol *buf = lookup("BUFLEN");
    if (!buf || !(buf->u.val >= 1.0 && buf->u.val < 2147483648.0)) return 0;
    return static_cast<int>(buf->u.val);
}

}  // namespace

Symbol *lookup(const char *name) {
    for (Symbol *sp = st.head; sp; sp = sp->next)
        if (std::strcmp(sp->name, name) == 0) return sp;
    return nullptr;
}

Symbol *install(const char *name, int type, double value) {
    Symbol *sp = static_cast<Symbol *>(foundation::voidMalloc("M", sizeof(Symbol)));
    if (!sp) return nullptr;
    sp->name = foundation::strDup2("M", name);
    if (!sp->name) {
        foundation::unAlloc("M", sp, sizeof(Symbol));
        return nullptr;
    }
    sp->type = static_cast<short>(type);
    sp->ptrType = 0;
    sp->length = 0;
    sp->u.val = value;
    sp->next = st.head;
    st.head = sp;
    ++st.symCnt;
    return sp;
}

int newAdr(Symbol *sp, int length, int elemType) {
    if (!sp) return 1;
    if (length == 0) length = defaultLength();
    short ptrType = elemType == FLTARRAY || elemType == INTARRAY ? static_cast<short>(elemType)
                                                                 : CHRARRAY;
    void *block = nullptr;
    // An array whose byte count no block can hold is refused before anything is allocated.
    if (length > 0 && arrayBytes(length, ptrType) >= 0) {
        if (ptrType == FLTARRAY)
            block = foundation::fltAlloc("M", length);
        else if (ptrType == INTARRAY)
            block = foundation::intAlloc("M", length);
        else
            block = foundation::charMalloc("M", length);
    }
    if (!block) {
        sp->u.str = nullptr;
        sp->length = 0;
        sp->ptrType = 0;
        return 1;
    }
    std::memset(block, 0, static_cast<size_t>(arrayBytes(length, ptrType)));
    sp->u.str = static_cast<char *>(block);
    sp->length = length;
    sp->ptrType = ptrType;
    return 0;
}

int freeAdr(Symbol *sp) {
    if (!sp) return 1;
    // Every array a symbol owns passed arrayBytes when it was made, so its count fits an int.
    const long long bytes = arrayBytes(sp->length, sp->ptrType);
    foundation::unAlloc("M", sp->u.str, static_cast<int>(bytes > 0 ? bytes : 0));
    sp->u.str = nullptr;
    sp->length = 0;
    return 0;
}

int dumpSymbols() {
    for (const Symbol *sp = st.head; sp; sp = sp->next)
        std::fprintf(stderr, "Name: %12s Type: %d Size: %3d\n", sp->name, sp->type, sp->length);
    return 0;
}

int setOrAddVar(const char *name, const char *text) {
    return setOrAddVar2(name, foundation::Atof2(text));
}

int setOrAddVar2(const char *name, double value) {
    Symbol *sp = lookupTyped(name, VAR);
    if (sp) {
        sp->u.val = value;
        return 0;
    }
    return install(name, VAR, value) ? 0 : 1;
}

int setOrAddStr(const char *name, const char *text) {
    Symbol *sp = emptyStringVar(name);
    size_t len = std::strlen(text);
    if (len >= 2147483647u || newAdr(sp, static_cast<int>(len) + 1, CHRARRAY) != 0)
        execerror("Re-allocating array:", name);
    std::memcpy(sp->u.str, text, len + 1);
    return 0;
}

int setOrAddStr2(const char *name, char *buffer, int length) {
    Symbol *sp = emptyStringVar(name);
    sp->u.str = buffer;
    sp->ptrType = CHRARRAY;
    sp->length = buffer && length > 0 ? length : 0;
    return 0;
}

int symbolCount() { return st.symCnt; }

void symbolReset() { st = SymbolState{}; }

}  // namespace korim::interp
