// Spectral data input and output over file descriptors: files, command streams, directories.
#pragma once

namespace korim::spectral {

// A data unit: a file descriptor.
using UNIT = int;

// Open modes.
enum DataMode : int {
    kModeRead = 1,
    kModeWrite = 2,
    kModeReadWrite = 3,
    kModeCreate = 4,
    kModeCreateKeep = 5,
    kModeOpenOrCreate = 6,  // created when missing, then read/write
};

// Reads NMR_IO_SELECT and NMR_IO_TIMEOUT; bit 1 / bit 2 when each was present.
int initDataIO();
int getDefTimeout();
int getSelectFlag();
// Settings back to their start values (tests).
void dataIOReset();

// Opens a name the user gave: one beginning with "!" runs the rest as a shell
// command stream. 0 and the unit, or 1 with the unit -1.
int dataOpen(const char* name, UNIT* unit, int mode);
// Opens a name read from a file or the environment: never runs a command.
int dataOpenFile(const char* name, UNIT* unit, int mode);
// A shell command as a stream (mode 1 read its output, 2 or 4 write its input).
int dataPOpen(const char* command, UNIT* unit, int mode);
// Opens with flags given by letters (w d y s a c t e); the unit is -1 on failure. Returns 0.
int dataOpen2(const char* name, UNIT* unit, const char* letters);
// Creates or truncates the file and closes it again.
int dataCreate(const char* name);

// Moves exactly byteCount bytes, over short transfers and interruptions;
// 0 on success, 1 (with the request and actual counts) otherwise.
int DataRead(UNIT unit, float* buffer, int byteCount);
int DataWrite(UNIT unit, const float* buffer, int byteCount);
// The same for byte buffers, without the system's error text.
int dataReadC(UNIT unit, char* buffer, int byteCount);
int dataWriteC(UNIT unit, const char* buffer, int byteCount);
// Seeks to a byte offset from the start. 0 or 1.
int DataPos(UNIT unit, long byteOffset);
// Closes units of 1 and above (command streams are waited for). 0 below 1.
int dataClose(UNIT unit);

int dirCreate(const char* path);
int delFile(const char* name);
// Removes the regular files of a directory; 0, or -1 when it cannot be opened.
int delDirContents(const char* path);

// A one-dimensional data file: *data gets size x quad floats (tag "1d"),
// real values then imaginary values. 0 on success.
int read1D(const char* name, float** data, int* size, int* quad);

}  // namespace korim::spectral
