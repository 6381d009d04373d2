// Quick decimal text of numbers, checked against the C library's for every byte.
#include "foundation/fixedtext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korim::foundation {

namespace {

constexpr double kPow10[10] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// Right-aligns the n characters at text in width columns at out.
char* padded(char* out, const char* text, std::size_t n, int width) {
  if (width > 0 && n < static_cast<std::size_t>(width)) {
    const std::size_t pad = static_cast<std::size_t>(width) - n;
    std::memset(out, ' ', pad);
    out += pad;
  }
  std::memcpy(out, text, n);
  return out + n;
}

char* slowFixed(char* out, double v, int width, int prec, bool space) {
  const int n = std::snprintf(out, kFixedRoom, space ? "% *.*f" : "%*.*f", width, prec, v);
  if (n <= 0) return out;
  return out + (static_cast<std::size_t>(n) < kFixedRoom ? n : kFixedRoom - 1);
}

}  // namespace

char* putFixed(char* out, double v, int width, int prec, bool space) {
  if (prec < 0 || prec > 9 || width >= static_cast<int>(kFixedRoom) / 2)
    return slowFixed(out, v, width, prec, space);
  // t = |v| 10^prec below 1e9: the product is off by less than 2e-7 from the exact one, so a
  // fraction of t at least 1e-6 away from one half rounds as the exact value does (printf
  // rounds the exact binary value; a tie or near-tie goes to the C library).
  const double t = std::fabs(v) * kPow10[prec];
  if (!(t < 1.0e9)) return slowFixed(out, v, width, prec, space);
  const double whole = static_cast<double>(static_cast<std::int64_t>(t));
  const double frac = t - whole;
  if (std::fabs(frac - 0.5) < 1.0e-6) return slowFixed(out, v, width, prec, space);
  const std::uint32_t q = static_cast<std::uint32_t>(whole) + (frac > 0.5 ? 1u : 0u);
  const std::uint32_t unit = static_cast<std::uint32_t>(kPow10[prec]);
  // Digits right to left into text: the decimals, the point, the integer part, the sign.
  char text[32];
  char* const end = text + sizeof text;
  char* b = end;
  std::uint32_t f = q % unit, w = q / unit;
  for (int k = 0; k < prec; k++) {
    *--b = static_cast<char>('0' + f % 10);
    f /= 10;
  }
  if (prec > 0) *--b = '.';
  do {
    *--b = static_cast<char>('0' + w % 10);
    w /= 10;
  } while (w != 0);
  if (std::signbit(v))
    *--b = '-';
  else if (space)
    *--b = ' ';
  return padded(out, b, static_cast<std::size_t>(end - b), width);
}

char* putInt(char* out, int v, int width) {
  char text[16];
  const auto r = std::to_chars(text, text + sizeof text, v);
  return padded(out, text, static_cast<std::size_t>(r.ptr - text), width);
}

char* putWord(char* out, const char* text, int width) {
  return padded(out, text, std::strlen(text), width);
}

}  // namespace korim::foundation
