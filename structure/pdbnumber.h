// Plain decimal numbers of coordinate-file fields, read exactly as std::strtof
// and std::strtol read them, without their cost.
#pragma once

#include <cstddef>

namespace korim::structure {

// [+-]digits with at most nine digits: its value, as std::strtol gives it.
// False (out untouched) for any other text.
bool plainInt(const char* s, int* out);

// [+-]digits[.digits] (or [+-].digits) with at most 15 digits: the float
// std::strtof gives for it (the correctly rounded one). False (out untouched)
// for any other text, and for the rare numbers whose rounding the fast
// computation does not settle (next to a point halfway between two floats,
// outside the normal floats): the caller then asks std::strtof.
bool plainFloat(const char* s, float* out);

// plainFloat of the n characters at field with every white space character
// (as std::isspace takes it in the "C" locale) removed, and 0 for a field of
// white space only: a coordinate field read without copying it first.
bool plainFloatField(const char* field, std::size_t n, float* out);

}  // namespace korim::structure
