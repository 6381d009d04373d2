// Output files of a run: opening with the system's reason for a failure, closing with the check
// that all of it arrived, the one rule for removing an output, when two names are one file,
// whether a name can be written at all, the standard streams, and the run-wide record of an
// output that was lost.
#pragma once

#include <cstdio>
#include <string>

namespace korim::foundation {

// Opens name for writing with access ("w" or "a"); a null or empty name is the standard output.
// A regular file opened with "w" is recorded as written by this run from its start (see
// removeOutput). When the file cannot be opened, prints message on stderr (a format with two
// %s: the name, then the system's reason such as "No such file or directory"), notes the lost
// output and returns null. The caller decides what comes instead (standard output, or its own
// failure).
std::FILE* openOutput(const char* name, const char* access, const char* message);

// Ends what openOutput opened (standard output is flushed, not closed; null does nothing).
// Returns 0 when all that was written arrived. Otherwise prints message (a format with two %s:
// name, "(standard output)" for the standard output, then the system's reason such as "No space
// left on device") on stderr, notes the lost output and removes the file by removeOutput: a
// truncated result must not pass for a whole one. Returns 1 then. A failed standard output is
// reported once in a run, with the reason it first failed with.
int closeOutput(std::FILE* out, const char* name, const char* message);

// Removes name only when it is a regular file that this run wrote from its start (opened by
// openOutput with "w") and still the same file: never a device, a pipe or a symbolic link, a
// file this run only appended to, or one put in its place since. The one rule for every output
// that a failed write or a failed later step takes back. Returns true when the file was removed.
bool removeOutput(const char* name);

// Flushes out; 0 when everything written to it arrived, else the system's error number of the
// failure: that of the flush, or for a stream that failed earlier and holds nothing more to
// flush the number its failed write left in errno (EIO when none).
int flushError(std::FILE* out);

// True when the names a and b would write the same regular file: the same device and inode where
// a file of that name exists, else the same last name in the same directory (the directory by
// its device and inode, so that "./x" and "x" are one file; a symbolic link to a file not yet
// there by the name it would create), else the same text. An empty name
// (the standard output) and an existing file that is not a regular file (a device such as
// /dev/null, a pipe, a directory) may be named by several outputs and are never the same file.
bool sameOutputFile(const char* a, const char* b);

// 0 when a file of the name could be opened for writing as far as can be seen before the run:
// its folder exists and can be written into, and a regular file already there can be written.
// A dangling symbolic link is followed as sameOutputFile follows it: the folder is that of the
// file it would create. Otherwise the system's error number (such as ENOENT for a missing folder,
// ENOTDIR when the folder is a file, EACCES, ELOOP for links that lead to each other, EISDIR for
// a name that is a directory), with *place set to what failed: the folder ("." for a bare name)
// or the file (the name given). An empty name (the standard output) and an existing file that is
// neither a regular file nor a directory (a device, a pipe) give 0.
int unwritableOutput(const char* name, std::string* place);

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so that no file of the
// run takes the number of a standard stream. A closed standard output counts as failed ("Bad
// file descriptor"): what the run writes to it is lost. Called first in a run.
void guardStandardStreams();

// Flushes the standard output at the end of a run. Returns 0 when everything written to it in
// the run arrived; otherwise 1, after printing message (a format with one %s: the reason the
// standard output first failed with) on stderr unless a writer already reported that failure.
int finishStandardOutput(const char* message);

// Notes that an output of the run could not be opened or written. The program ends such a run
// with a non-zero status even when the writer went on (to standard output) or its caller did.
void noteOutputLost();
// True once an output of this run was lost.
bool outputLost();
// Forgets the lost outputs and the files written (tests).
void outputLostReset();

}  // namespace korim::foundation
