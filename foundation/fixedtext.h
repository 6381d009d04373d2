// Decimal text of numbers as printf's "%*d", "%*s" and "%*.*f" write it, without the C library's
// formatting machinery: the same bytes, several times faster, for tables of many rows.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace korim::foundation {

// Room a single number or word may need at out (the widest double in %f has 309 digits before
// the point).
constexpr std::size_t kFixedRoom = 400;

// "00" to "99": the two digits of n at kDigitPairs[2 n].
inline constexpr char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^0 to 10^9.
inline constexpr double kFixedPow10[10] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// |v| in units of its last of prec decimals (0 to 9), rounded as printf rounds v, to *q: false
// (*q unset) when the quick reckoning does not settle it (|v| 10^prec at least 1e9, infinities
// and NaN, values close to a rounding tie). Inline: the record writers call it per number.
inline bool fixedUnits(double v, int prec, std::uint32_t* q) {
  if (prec < 0 || prec > 9) return false;
  // t = |v| 10^prec below 1e9: the product is off by less than 2e-7 from the exact one, so a
  // fraction of t at least 1e-6 away from one half rounds as the exact value does (printf
  // rounds the exact binary value; a tie or near-tie is left to the C library).
  const double t = std::fabs(v) * kFixedPow10[prec];
  if (!(t < 1.0e9)) return false;
  const double whole = static_cast<double>(static_cast<std::int64_t>(t));
  const double frac = t - whole;
  if (std::fabs(frac - 0.5) < 1.0e-6) return false;
  *q = static_cast<std::uint32_t>(whole) + (frac > 0.5 ? 1u : 0u);
  return true;
}

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
