// Print instructions of the interpreter: values to "_result", numbers formatted into texts and streams.
#include "interp/print.h"

#include <cstring>
#include <string>

#include "interp/code.h"
#include "interp/execerror.h"
#include "interp/m.h"
#include "interp/strinst.h"
#include "interp/symbol.h"

namespace korim::interp {

namespace {

constexpr int kMaxValues = 16;

struct PrintState {
    Symbol *printResult = nullptr;    // "_result" as found by print
    Symbol *noprintResult = nullptr;  // "_result" as found by noprint
};

PrintState ps;

void storeResult(Symbol *&kept, double value) {
    if (!kept) kept = lookup("_result");
    if (kept && (kept->type == VAR || kept->type == UNDEF)) {
        kept->u.val = value;
        kept->type = VAR;
    }
}

// True when format holds only "%%" and at most kMaxValues floating conversions.
bool formatAccepted(const char *format) {
    int conversions = 0;
    for (const char *p = format; *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '%') continue;
        while (*p && std::strchr("-+ #0'", *p)) ++p;
        while (*p >= '0' && *p <= '9') ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9') ++p;
        }
        if (*p == 'l') ++p;
        if (*p == '\0' || !std::strchr("fFeEgGaA", *p)) return false;
        if (++conversions > kMaxValues) return false;
    }
    return true;
}

void checkFormat(const char *format, const char *name) {
    if (!formatAccepted(format)) execerror("Bad print format:", name);
}

}  // namespace

int print() {
    storeResult(ps.printResult, popVal());
    return 0;
}

int noprint() {
    storeResult(ps.noprintResult, popVal());
    return 0;
}

int prexpr() {
    pop();
    return 0;
}

int prstr() {
    pop();
    return 0;
}

int newline() { return 0; }

int prntf() {
    int n = operandCount();
    pop();
    for (int i = 0; i < n; ++i) pop();
    pushVal(n);
    return 0;
}

int sprntf() {
    int n = operandCount();
    Symbol *fmtSym = pop().sym;
    Symbol *dest = pop().sym;
    double v[kMaxValues] = {};
    for (int i = n - 1; i >= 0; --i) {
        double x = pop().val;
        if (i < kMaxValues) v[i] = x;
    }
    std::string format(textOf(fmtSym));
    checkFormat(format.c_str(), fmtSym->name);
    textOf(dest);
    if (dest->length > 0) {
        const char *f = format.c_str();
        size_t size = static_cast<size_t>(dest->length);
        if (std::snprintf(dest->u.str, size, f, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7],
                          v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15]) < 0)
            dest->u.str[0] = '\0';
    }
    pushVal(n);
    return 0;
}

int prntf2(std::FILE *stream, int count, const char *format, const float *values) {
    checkFormat(format, format);
    double v[kMaxValues] = {};
    for (int i = 0; i < count && i < kMaxValues; ++i) v[i] = values[i];
    std::fprintf(stream, format, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                 v[10], v[11], v[12], v[13], v[14], v[15]);
    std::fflush(stream);
    return 0;
}

void printReset() { ps = PrintState{}; }

}  // namespace korim::interp
