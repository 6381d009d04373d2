// Time of day over the real-time clock, with millisecond resolution.
#include "spectral/nmrclock.h"

#include <ctime>

namespace korim::spectral {

void timeOfDay(long* sec, int* msec) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    *sec = static_cast<long>(ts.tv_sec);
    *msec = static_cast<int>(ts.tv_nsec / 1000000);
}

void markTime(TimeMark* mark) { timeOfDay(&mark->sec, &mark->msec); }

void addElapsed(TimeMark* mark) {
    long sec;
    int msec;
    timeOfDay(&sec, &msec);
    mark->total += static_cast<float>((sec - mark->sec) + 0.001 * (msec - mark->msec));
}

}  // namespace korim::spectral
