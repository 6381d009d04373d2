// Messages of the spectral-data library, all on the standard error stream.
#include "spectral/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace korim::spectral {

void specMsg(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void specSysMsg(const char* prefix, int errnum) {
    std::fprintf(stderr, "%s: %s\n", prefix, std::strerror(errnum));
}

void specSysMsgIf(const char* prefix, int errnum) {
    if (errnum != 0) specSysMsg(prefix, errnum);
}

}  // namespace korim::spectral
