// Text, system and program-argument instructions of the interpreter.
#include "interp/strinst.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/cmndargs.h"
#include "foundation/strmatch.h"
#include "foundation/syscalls.h"
#include "interp/code.h"
#include "interp/execerror.h"
#include "interp/recomp.h"

namespace korim::interp {

namespace {

// The program's argument words; empty for the life of the process.
struct ProgArgs {
    int argc = 0;
    char **argv = nullptr;
};

const ProgArgs progArgs;

struct TextPair {
    Symbol *left;
    std::string_view l, r;
};

TextPair popTexts() {
    Symbol *right = pop().sym;
    Symbol *left = pop().sym;
    std::string_view r = textOf(right);
    return {left, textOf(left), r};
}

// Writes text into sp's array from offset at, cut to the room left for the
// final zero byte; nothing when no byte is free.
void putText(Symbol *sp, size_t at, std::string_view text) {
    size_t size = static_cast<size_t>(sp->length);
    if (at >= size) return;
    size_t n = std::min(text.size(), size - 1 - at);
    std::memmove(sp->u.str + at, text.data(), n);
    sp->u.str[at + n] = '\0';
}

int sign(int c) { return (c > 0) - (c < 0); }

int caseCompare(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return sign(ca - cb);
    }
    return sign(static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size()));
}

}  // namespace

std::string_view textOf(Symbol *sp) {
    if (sp->type != ARRAYVAR) execerror("Attempt to reference non-array:", sp->name);
    if (!sp->u.str) execerror("Attempt to dereference null pointer:", sp->name);
    if (sp->ptrType != CHRARRAY) execerror("Attempt to reference non-string:", sp->name);
    size_t length = sp->length > 0 ? static_cast<size_t>(sp->length) : 0;
    return {sp->u.str, strnlen(sp->u.str, length)};
}

int strcpyM() {
    TextPair t = popTexts();
    putText(t.left, 0, t.r);
    pushVal(0.0);
    return 0;
}

int strcatM() {
    TextPair t = popTexts();
    putText(t.left, t.l.size(), t.r);
    pushVal(0.0);
    return 0;
}

int strcmpM() {
    TextPair t = popTexts();
    pushVal(sign(t.l.compare(t.r)));
    return 0;
}

int strcacmpM() {
    TextPair t = popTexts();
    pushVal(caseCompare(t.l, t.r));
    return 0;
}

int strexprM() {
    TextPair t = popTexts();
    bool match = reComp(std::string(t.r).c_str()) == 0 && reExec(std::string(t.l).c_str()) == 1;
    pushVal(match ? 1.0 : 0.0);
    return 0;
}

int strmatchM() {
    TextPair t = popTexts();
    pushVal(foundation::strMatch(std::string(t.l).c_str(), std::string(t.r).c_str(), 3, 1));
    return 0;
}

int strstrM() {
    TextPair t = popTexts();
    size_t at = t.l.find(t.r);
    pushVal(at == std::string_view::npos ? -1.0 : static_cast<double>(at));
    return 0;
}

int sysM() {
    std::string command(textOf(pop().sym));
    std::fflush(nullptr);
    pushVal(std::system(command.c_str()));
    return 0;
}

int argtest() {
    std::string flag(textOf(pop().sym));
    pushVal(foundation::flagLoc(progArgs.argc, progArgs.argv, flag.c_str()));
    return 0;
}

int argval() {
    std::string flag(textOf(pop().sym));
    pushVal(foundation::fltArg(progArgs.argc, progArgs.argv, flag.c_str()));
    return 0;
}

double ntharg(double x) {
    if (!(x > -1.0 && x < static_cast<double>(progArgs.argc))) return 0.0;
    return foundation::Atof2(progArgs.argv[static_cast<int>(x)]);
}

}  // namespace korim::interp
