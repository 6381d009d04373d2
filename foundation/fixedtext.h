// Decimal text of numbers as printf's "%*d", "%*s" and "%*.*f" write it, without the C library's
// formatting machinery: the same bytes, several times faster, for tables of many rows.
#pragma once

#include <cstddef>

namespace korim::foundation {

// Room a single number or word may need at out (the widest double in %f has 309 digits before
// the point).
constexpr std::size_t kFixedRoom = 400;

// "%*.*f" of v (space: "% *.*f") at out, which has kFixedRoom bytes of room; returns the end.
// Byte for byte the text of std::snprintf, which it calls for what the quick path does not
// settle (very large values, infinities and NaN, values close to a rounding tie, more than nine
// decimals).
char* putFixed(char* out, double v, int width, int prec, bool space);

// "%*d" of v at out (room kFixedRoom); returns the end.
char* putInt(char* out, int v, int width);

// "%*s" of text at out; returns the end. out has room for the text and the padding.
char* putWord(char* out, const char* text, int width);

}  // namespace korim::foundation
