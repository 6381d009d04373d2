// Small system wrappers: a pause, a number reader and an empty clean-up hook.
#include "foundation/syscalls.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace korim::foundation {

int uSleep(unsigned int uSecDelay) {
    if (uSecDelay == 0) return 0;
    struct timespec req;
    req.tv_sec = static_cast<time_t>(uSecDelay / 1000000u);
    req.tv_nsec = static_cast<long>(uSecDelay % 1000000u) * 1000L;
    // Sleep out the whole time even when a signal interrupts it.
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
    return 0;
}

double Atof2(const char *str) {
    double v = 0.0;
    if (!str || std::sscanf(str, "%lf", &v) != 1) return 0.0;
    return v;
}

void _cleanup() {}

}  // namespace korim::foundation
