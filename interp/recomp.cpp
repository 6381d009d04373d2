// One current regular expression (POSIX basic syntax): compile it, then test texts against it.
#include "interp/recomp.h"

#include <regex.h>

namespace korim::interp {

namespace {

struct RecompState {
    regex_t re;
    bool compiled = false;
};

RecompState rx;

}  // namespace

int reComp(const char *pattern) {
    recompReset();
    if (!pattern || regcomp(&rx.re, pattern, REG_NOSUB) != 0) return 1;
    rx.compiled = true;
    return 0;
}

int reExec(const char *text) {
    if (!rx.compiled) return -1;
    return regexec(&rx.re, text ? text : "", 0, nullptr, 0) == 0 ? 1 : 0;
}

void recompReset() {
    if (rx.compiled) regfree(&rx.re);
    rx.compiled = false;
}

}  // namespace korim::interp
