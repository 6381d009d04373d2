// Growable strings: a text lives in the caller's fixed buffer until it
// outgrows it, then on the heap (tag "str"); plus a line reader of any length.
#pragma once

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

// Module scratch text, emptied, with room for n characters. When the room
// cannot be had the empty 256-byte module buffer is returned and badToken is 1.
char *ctempAlloc(int n);
int ctempFree();
// Test hook: the scratch text back to its initial state, nothing released.
void strallocReset();

}  // namespace korim::foundation
