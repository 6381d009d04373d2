// Text, system and program-argument instructions of the interpreter.
#pragma once

#include <string_view>

#include "interp/m.h"

namespace korim::interp {

// The text of a string variable: its characters up to the first zero byte,
// never past its length. Fatal for a symbol that is not an array
// ("Attempt to reference non-array:"), owns no array ("Attempt to dereference
// null pointer:") or owns numbers ("Attempt to reference non-string:").
std::string_view textOf(Symbol *sp);

// Two-text instructions pop the right string variable, then the left one.
// The copies are bounded by the left variable's array: text that does not
// fit is cut off, and the result always ends with a zero byte.
int strcpyM();    // left = right; pushes 0
int strcatM();    // left += right; pushes 0
int strcmpM();    // pushes -1, 0 or 1 as left sorts before, equal to or after right
int strcacmpM();  // the same, ignoring case
int strexprM();   // 1 when left matches the regular expression right (0 also for a bad one)
int strmatchM();  // 1 when left matches the glob pattern right (case-sensitive)
int strstrM();    // offset of right within left, or -1

// Pops a string variable and pushes the status of running its text through
// the system's command processor.
int sysM();

// Program arguments. The interpreter's argument list starts empty and nothing
// here sets it. argtest and argval pop a string variable (an option word):
// its index in the list (0 when absent), or the number after it (0).
int argtest();
int argval();
// Argument word int(x) read as a number; 0 for a position outside the list.
double ntharg(double x);

}  // namespace korim::interp
