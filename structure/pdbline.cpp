// ATOM records of the PDB writer, formatted field by field.
#include "structure/pdbline.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korim::structure {

namespace {

// A record under construction: fields are placed at p, which only grows;
// the buffer has room for the widest record (five numbers of at most 330
// characters each and short text fields).
struct Cursor {
  char buf[2048];
  char* p = buf;

  void pad(std::size_t n) {
    std::memset(p, ' ', n);
    p += n;
  }
  void put(const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    p += n;
  }
  // Right-aligned in width columns (no truncation).
  void right(const char* text, std::size_t n, std::size_t width) {
    if (n < width) pad(width - n);
    put(text, n);
  }
  // Left-aligned in width columns; text has at most 15 characters.
  void left(const char* text, std::size_t width) {
    const std::size_t n = strnlen(text, 15);
    put(text, n);
    if (n < width) pad(width - n);
  }
  void integer(int v, std::size_t width) {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    right(digits, static_cast<std::size_t>(r.ptr - digits), width);
  }
  // "%W.Pf" (or "% W.Pf"): the fast path when the rounding is settled.
  void fixed(double v, int width, int prec, bool space);
};

char firstOr(const char* s) { return s[0] != '\0' ? s[0] : ' '; }

void Cursor::fixed(double v, int width, int prec, bool space) {
  const double scale = prec == 3 ? 1000.0 : 100.0;
  const double t = std::fabs(v) * scale;  // below 1e9: off by less than 2e-7
  const double whole = std::floor(t);
  const double frac = t - whole;
  if (!(std::fabs(v) < 1.0e6) || std::fabs(frac - 0.5) < 1.0e-6 || (prec != 2 && prec != 3)) {
    char text[400];  // the widest double in %f takes 309 digits before the point
    const int n = std::snprintf(text, sizeof text, space ? "% *.*f" : "%*.*f", width, prec, v);
    if (n > 0) put(text, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1);
    return;
  }
  const long long q = static_cast<long long>(whole) + (frac > 0.5 ? 1 : 0);
  const long long unit = prec == 3 ? 1000 : 100;
  char text[32];
  char* e = text;
  if (std::signbit(v))
    *e++ = '-';
  else if (space)
    *e++ = ' ';
  e = std::to_chars(e, text + sizeof text, q / unit).ptr;
  *e++ = '.';
  long long f = q % unit;
  for (int d = prec - 1; d >= 0; d--) {
    e[d] = static_cast<char>('0' + f % 10);
    f /= 10;
  }
  e += prec;
  right(text, static_cast<std::size_t>(e - text), static_cast<std::size_t>(width));
}

}  // namespace

void appendFixed(std::string& out, double v, int width, int prec, bool space) {
  Cursor c;
  c.fixed(v, width, prec, space);
  out.append(c.buf, static_cast<std::size_t>(c.p - c.buf));
}

void appendAtomRecord(std::string& out, const AtomInfo& a) {
  Cursor c;
  if (a.atomID > 99999 && a.atomID <= 9999999) {
    c.put("ATOM", 4);
    c.integer(a.atomID, 7);
  } else {
    c.put("ATOM  ", 6);
    c.integer(a.atomID, 5);
  }
  if (strnlen(a.atomName, 4) < 4) {
    c.pad(2);
    c.left(a.atomName, 3);
  } else {
    c.pad(1);
    c.left(a.atomName, 4);
  }
  *c.p++ = firstOr(a.locID);
  c.left(a.resName, 4);
  *c.p++ = firstOr(a.chainID);
  c.integer(a.resID, 4);
  *c.p++ = firstOr(a.icode);
  c.pad(3);
  c.fixed(a.x, 8, 3, true);
  c.fixed(a.y, 8, 3, true);
  c.fixed(a.z, 8, 3, true);
  c.fixed(a.occupancy, 6, 2, false);
  c.fixed(a.tempFactor, 6, 2, false);
  c.pad(6);
  c.right(a.segID, strnlen(a.segID, 15), 4);
  c.right(a.element, strnlen(a.element, 15), 2);
  c.right(a.chargeStr, strnlen(a.chargeStr, 15), 2);
  *c.p++ = '\n';
  out.append(c.buf, static_cast<std::size_t>(c.p - c.buf));
}

}  // namespace korim::structure
