// Time of day in seconds and milliseconds, and records that add up elapsed seconds.
#pragma once

namespace korim::spectral {

// A noted time of day and the seconds accumulated against it.
struct TimeMark {
    long sec;     // seconds of the noted time
    int msec;     // milliseconds of the noted time
    float total;  // accumulated seconds
};

// The time of day (wall clock) in seconds and milliseconds.
void timeOfDay(long* sec, int* msec);
// Notes the time of day in the record (the total is kept).
void markTime(TimeMark* mark);
// Adds the seconds since the noted time to the total.
void addElapsed(TimeMark* mark);

}  // namespace korim::spectral
