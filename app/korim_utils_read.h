// Readers of the driver's own text inputs: configuration file, 1-D potential, 3-D potential grid and steric mask.
#ifndef KORIM_APP_KORIM_UTILS_READ_H
#define KORIM_APP_KORIM_UTILS_READ_H

#include "settings/settings.h"

namespace korim::app {

// Entries 1..kPotentialMaxRows of a 1-D potential are stored; the caller's array holds at least
// kPotentialClear + 1 entries (entries 1..kPotentialClear are cleared; main gives 10001).
constexpr int kPotentialMaxRows = 9998;
constexpr int kPotentialClear = 9999;
// Header lines of a 3-D potential file, skipped unread.
constexpr int kPot3DHeaderLines = 11;

// All readers: an empty (or null) name reads nothing and returns 0 with a count of 0; every
// failure prints its message on stderr, closes the file and returns 1, and the count is then
// not written. Lines are read through a 256-byte buffer: a longer line is refused, not split.

// Configuration file of "KEY: number" lines into korimInfo->gridInfo and the setting Pmax.
// A line that does not give a key and a value (an empty or comment line too), a key that
// matches no setting, a value the key does not take (not wholly one number of its kind, or
// outside its range; see kConfigKeys) and a number after the value (the words after it are a
// comment, which may not begin with a number) fail the read, named with the file and the line.
// A key given again keeps its last value, with a note on stderr naming both lines.
int readConfig(const char* inpName, settings::KorimInfo* korimInfo);

// The setting "Pmax:" of the configuration file (default 10.0); no computation reads it.
float getPmax();
// Puts Pmax back to its default (tests).
void readModuleReset();
// The number of keys the last configuration file read set (0 also when none was read).
int configKeysRead();
// True when the last configuration file read set key (as written there, "ORIGIN_DOM1:").
bool configKeySet(const char* key);

// 1-D potential: "distance value" lines with a uniform step (within 0.001). The values go to
// potential[1..rows]; offset receives the first distance and stepsize the step, both times 10
// (nm to Angstrom). A file of a single row gives stepsize 0; an empty file leaves offset and
// stepsize untouched. korimInfo is not used. The file becomes the rod table's source
// (simulation::setPotentialSource, row n line n), for the models' messages.
int readPotential(const char* potName, settings::KorimInfo* korimInfo, int* digPotential, double* potential,
                  double* offset, double* stepsize);

// 3-D potential grid of grid3DnX * grid3DnY * grid3DnZ values (read after 11 header lines, up to
// three finite numbers a line, of any size) into pot3D[0..total-1]. A short line only warns. The
// lines after the last value are read for more: those that begin with no number (blank, comment)
// hold none, and a count of values that differs from the total fails, naming both. Progress goes
// to stderr. Where each value was read becomes the grid's source (simulation::setPotentialSource;
// none after a failure), for the models' messages.
int read3DPotential(const char* pot3DName, settings::KorimInfo* korimInfo, int* count, double* pot3D);

// The same file read as a steric mask: 1 where |value| < elInfo.maxPot, else 0.
int read3DPotSteric(const char* pot3DName, settings::KorimInfo* korimInfo, int* count, float* pot3Dst);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_UTILS_READ_H
