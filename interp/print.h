// Print instructions of the interpreter. They write no text: a printed value goes to the
// variable "_result", formatted text to a string variable (sprntf) or to a stream (prntf2).
#pragma once

#include <cstdio>

namespace korim::interp {

// Pop a value and store it in the numeric variable "_result" when there is
// one. Each keeps the symbol once its look-up has found it.
int print();
int noprint();

// Pop one value and write nothing.
int prexpr();
int prstr();
// Does nothing.
int newline();

// Operand count n: pops the format variable and n values, writes nothing, pushes n.
int prntf();

// Operand count n: pops the format variable, then the destination string
// variable, then n values (the value pushed first is the first argument; at
// most 16 are used), writes them as doubles through the format into the
// destination, cut to its array, and pushes n. The format may hold only the
// floating conversions (f F e E g G a A, with flags, width and precision) and
// "%%", at most 16 conversions; any other is fatal ("Bad print format:").
int sprntf();

// Writes format with the first count values (at most 16) as doubles on the
// stream and flushes it; count 0 writes the format alone. The format is held
// to the rules of sprntf. Returns 0.
int prntf2(std::FILE *stream, int count, const char *format, const float *values);

// Forgets the "_result" symbols kept by print and noprint (tests).
void printReset();

}  // namespace korim::interp
