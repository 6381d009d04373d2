// The one rule by which korim's file readers take a number from a word of their input.
#pragma once

#include <string>
#include <string_view>

namespace korim::foundation {

// What a word is, read as a number of the kind asked for.
enum class NumberWord {
  number,      // wholly one number of that kind
  notNumber,   // no number, or a number with more text after it ("12abc", "1,5", "1.2.3", "8.2*")
  notFinite,   // "nan" or "inf" (any spelling the C library reads as one)
  notWhole,    // an integer was asked for and the number has a fraction ("8.5")
  outOfRange,  // beyond the type: a float beyond about 3.4e38, an int beyond -2147483648..2147483647,
               // or an int asked of a number too small for a double ("1e-400", which reads as 0)
};

// A word is a number when the C library's conversion reads the whole of it: digits with an
// optional sign, decimal point and exponent, or a hexadecimal number such as 0x10 (16).
// The word as a float, read as strtof reads it: *value is set for number and notFinite. A number
// closer to 0 than the smallest normal float ("1e-50") is a number: the float nearest it, 0 or
// a subnormal, is that number to a float's precision.
NumberWord realWord(std::string_view word, float* value);
// The word as an int: a number as above whose value is whole and fits an int ("8.0" and "1e3"
// are 8 and 1000). *value is set for number only.
NumberWord integerWord(std::string_view word, int* value);

// What a word of the kind must be, for messages: "a finite number", "a whole number" or, after
// outOfRange, the range of the type.
const char* numberExpected(bool integer, NumberWord got);

// The first of the first count (at most 4) words of line that is not wholly one finite number,
// where a formatted read (sscanf) got values from them; empty when each is one. sscanf takes
// "nan" and "inf", reads "2,5" as 2 and "1.5abc" as 1.5: such a value would enter a model
// without a word. A finite value too large for a float stays a number here.
std::string firstBadNumber(const char* line, int count, const double* values);

}  // namespace korim::foundation
