// Quick decimal text of numbers, checked against the C library's for every byte.
#include "foundation/fixedtext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korim::foundation {

namespace {

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
  std::uint32_t q;
  if (width < 0 || width >= static_cast<int>(kFixedRoom) / 2 || !fixedUnits(v, prec, &q))
    return slowFixed(out, v, width, prec, space);
  const std::uint32_t unit = static_cast<std::uint32_t>(kFixedPow10[prec]);
  // Digits right to left into text, ending at its middle: the decimals, the point, the integer
  // part, the sign (at most 21 characters). The slack behind lets the copies below take whole
  // blocks of 32 bytes, which the compiler writes without a call.
  char text[64];
  char* const end = text + 32;
  char* b = end;
  // Two digits at a time.
  auto pairs = [&b](std::uint32_t n, int digits) {
    for (; digits >= 2; digits -= 2, n /= 100) {
      b -= 2;
      std::memcpy(b, &kDigitPairs[2 * (n % 100)], 2);
    }
    if (digits == 1) *--b = static_cast<char>('0' + n % 10);
  };
  const std::uint32_t w = q / unit;
  pairs(q % unit, prec);
  if (prec > 0) *--b = '.';
  int digits = 1;
  for (std::uint32_t r = w; r >= 10; r /= 10) digits++;
  pairs(w, digits);
  if (std::signbit(v))
    *--b = '-';
  else if (space)
    *--b = ' ';
  const std::size_t n = static_cast<std::size_t>(end - b);
  if (width > 32) return padded(out, b, n, width);
  const std::size_t pad = n < static_cast<std::size_t>(width) ? width - n : 0;
  std::memset(out, ' ', 32);  // out has kFixedRoom bytes of room
  std::memcpy(out + pad, b, 32);
  return out + pad + n;
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
