// Whole text files as line lists (null-terminated arrays of strDup copies) or one block.
#pragma once

#include <cstdio>

namespace korim::foundation {

// The whole file, newlines removed. *error -1 (and null) when it cannot be read.
char **rdText(const char *inName, int *lineCount, int *error);
// Lines of an open stream up to end of file or up to a line equal to endOfText
// (ignoring case; that line is kept). verboseFlag echoes each line to stderr.
char **rdText2(FILE *inUnit, int *lineCount, const char *endOfText, int verboseFlag, int *error);
// The whole file in one zero-filled block: each line with its newline and a zero byte.
char *rdTextC(const char *inName, int *lineCount, int *length, int *error);
// Newline-terminated lines of a file. Returns 1 when it cannot be opened.
int cntText(const char *inName, int *lineCount);
// A list of `length` empty 256-byte buffers; null when one cannot be had.
char **buildList(int length);
// Releases a line list (accounting). Returns 0.
int freeText(char **buffer);

}  // namespace korim::foundation
