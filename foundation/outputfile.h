// Output files of a run: opening with the system's reason for a failure, closing with the check
// that all of it arrived, and the run-wide record of an output that was lost.
#pragma once

#include <cstdio>

namespace korim::foundation {

// Opens name for writing with access ("w" or "a"); a null or empty name is the standard output.
// When the file cannot be opened, prints message on stderr (a format with two %s: the name, then
// the system's reason such as "No such file or directory"), notes the lost output and returns
// null. The caller decides what comes instead (standard output, or its own failure).
std::FILE* openOutput(const char* name, const char* access, const char* message);

// Ends what openOutput opened (standard output is flushed, not closed; null does nothing).
// Returns 0 when all that was written arrived. Otherwise prints message (a format with one %s:
// name, "(standard output)" for the standard output) on stderr, notes the lost output and, when
// the file was written from its start (fromStart) and is a regular file, removes it: a
// truncated result must not pass for a whole one. Returns 1 then.
int closeOutput(std::FILE* out, const char* name, bool fromStart, const char* message);

// Notes that an output of the run could not be opened or written. The program ends such a run
// with a non-zero status even when the writer went on (to standard output) or its caller did.
void noteOutputLost();
// True once an output of this run was lost.
bool outputLost();
// Forgets the lost outputs (tests).
void outputLostReset();

}  // namespace korim::foundation
