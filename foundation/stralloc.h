// Growable strings: a text lives in the caller's fixed buffer until it
// outgrows it, then on the heap (tag "str"); plus a line reader of any length.
#pragma once

#include <cstddef>
#include <cstdio>

namespace korim::foundation {

// A growable string is (text pointer, caller buffer cBuff of cBuffLen bytes,
// capacity maxLength). A null text pointer means "start in cBuff".

// text := cBuff, capacity := cBuffLen, cBuff emptied. Returns 0.
int strAllocInit(char **cPtr, char *cBuff, int cBuffLen, int *maxLength);
// Append / prepend / replace; each returns the current text, or null on failure.
char *strcatAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength);
char *strpcatAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength);
char *strcpyAlloc(char **destPtr, const char *src, char *cBuff, int cBuffLen, int *maxLength);
// Hands a heap text back (accounting, tag "str") and returns to cBuff. Returns 0.
int strAllocFree(char **cPtr, char *cBuff, int cBuffLen, int *maxLength);

// Reads one whole line (newline kept when present) into the growable string
// *strPtr, through the read buffer inBuff of inBuffLen bytes. Returns the text,
// or null at end of file. A null result while !feof(inUnit) is a failure.
char *fgetsAlloc(char **strPtr, int *maxLength, FILE *inUnit, char *inBuff, int inBuffLen,
                 char *cBuff, int cBuffLen);

// The lines fgetsAlloc gives for a file (through a read buffer of inBuffLen bytes, into a
// growable string over cBuff), read in large blocks instead of a stream call per piece: the
// same texts, the same allocations (tag "str") at the same lines, and atEnd as feof(in) would
// be after the same fgetsAlloc calls. Meant for a file read to its end or closed after: the
// blocks read ahead of the lines. With direct false each line is read by fgetsAlloc itself
// (a stream others read on, such as stdin).
struct BlockLines {
    FILE *in = nullptr;
    bool direct = true;
    char *text = nullptr;  // the growable string (null: cBuff)
    int maxLength = 0;
    char *cBuff = nullptr;
    int cBuffLen = 0;
    char *inBuff = nullptr;
    int inBuffLen = 0;
    char *block = nullptr;  // blockLen bytes, read ahead; [at, end) not yet taken
    std::size_t blockLen = 0, at = 0, end = 0;
    bool drained = false;  // the file gave all it has (end of file or a read failure)
    bool atEnd = false;    // feof(in) as the fgetsAlloc calls would leave it (direct: feof(in))
};

// The next line that fgetsAlloc gives, without its line end (a NUL in its place), and its
// length; null at the end of the lines or on a failure, as fgetsAlloc. The text may lie in the
// block and is the caller's to change until the next call.
char *nextBlockLine(BlockLines &lines, std::size_t *len);

// Module scratch text, emptied, with room for n characters. When the room
// cannot be had the empty 256-byte module buffer is returned and badToken is 1.
char *ctempAlloc(int n);
int ctempFree();
// Test hook: the scratch text back to its initial state, nothing released.
void strallocReset();

}  // namespace korim::foundation
