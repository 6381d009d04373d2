// Text streams as every line reader sees them: lines that end in LF whichever of LF, CR LF or
// CR the file uses, and no line past a NUL byte (a binary file is no text).
#pragma once

#include <cstdio>

namespace korim::foundation {

// A stream over raw that hands out its bytes with CR LF and a lone CR turned into LF. At the
// line that holds the first NUL byte the stream fails instead (ferror), without reading on:
// the lines before it are given whole, nothing of that line. owned: raw is closed with the
// stream, and a rewind starts raw over; otherwise raw is only read, never past the line end
// of the line given last (stdin, which later readers go on with). Null (raw closed when
// owned) when no stream could be made.
std::FILE* normalisedText(std::FILE* raw, bool owned);

// The descriptor of the file under a stream of normalisedText (fileno of any other stream).
int textDescriptor(std::FILE* fp);

// fgets for the line readers with a buffer of fixed size: the next line of fp with its line
// end, or null at the end of the lines. A line with more than size - 2 characters before its
// line end is not split: null, and every later call gives null too; textFault then names it.
char* readLine(char* line, int size, std::FILE* fp);

// Why a stream of normalisedText stopped short, when it did: line is the line that holds the
// first NUL byte (the stream reached it) or that readLine found too long (room: the characters
// the reader's buffer holds); false with nothing set otherwise.
struct TextFault {
  enum Kind { nulByte, longLine } kind = nulByte;
  long long line = 0;
  int room = 0;
};
bool textFault(std::FILE* fp, TextFault* fault);

}  // namespace korim::foundation
