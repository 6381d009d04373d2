// ATOM records of the PDB writer, formatted field by field, and once but for
// their coordinates for structures written at several sets of coordinates.
#include "structure/pdbline.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korim::structure {

namespace {

// A record under construction at p, which only grows; the space behind p
// holds the widest record (kRecordRoom: five numbers of at most 330
// characters each and short text fields).
struct Cursor {
  char* p;

  // n blanks; up to 16 at once (the room behind p allows the overshoot).
  void pad(std::size_t n) {
    static constexpr char kBlanks[17] = "                ";
    if (n > 16) {
      std::memset(p, ' ', n);
    } else {
      std::memcpy(p, kBlanks, 16);
    }
    p += n;
  }
  void put(const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    p += n;
  }
  // The first n (at most 16) characters of a 16-byte field, copied whole.
  void put16(const char* field, std::size_t n) {
    std::memcpy(p, field, 16);
    p += n;
  }
  // Right-aligned in width columns (no truncation); text is a 16-byte field.
  void right(const char* text, std::size_t n, std::size_t width) {
    if (n < width) pad(width - n);
    put16(text, n);
  }
  // Left-aligned in width columns; text is a 16-byte name field.
  void left(const char* text, std::size_t width) {
    const std::size_t n = nameLength(text);
    put16(text, n);
    if (n < width) pad(width - n);
  }
  void integer(int v, std::size_t width) {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    right(digits, static_cast<std::size_t>(r.ptr - digits), width);
  }
  // "%W.Pf" (or "% W.Pf"): the fast path when the rounding is settled.
  template <int width, int prec, bool space>
  void fixed(double v);
  void fixed(double v, int width, int prec, bool space);
  // The same through std::snprintf.
  void slowFixed(double v, int width, int prec, bool space) {
    char text[400];  // the widest double in %f takes 309 digits before the point
    const int n = std::snprintf(text, sizeof text, space ? "% *.*f" : "%*.*f", width, prec, v);
    if (n > 0) put(text, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1);
  }

  // strnlen(text, 15) of a name field.
  static std::size_t nameLength(const char* text) {
    std::size_t n = 0;
    while (n < 15 && text[n] != '\0') n++;
    return n;
  }
};

// "00" to "99".
constexpr char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char firstOr(const char* s) { return s[0] != '\0' ? s[0] : ' '; }

// |v| in units of the last of prec decimals, rounded as printf rounds v, to
// q: false (q unset) for |v| >= 1e6 or not finite, and for the values near a
// tie, whose rounding a double product does not settle.
template <int prec>
inline bool roundedUnits(double v, std::uint32_t& q) {
  static_assert(prec == 2 || prec == 3, "the fast path knows two and three decimals");
  constexpr double scale = prec == 3 ? 1000.0 : 100.0;
  const double t = std::fabs(v) * scale;  // below 1e9: off by less than 2e-7
  if (!(std::fabs(v) < 1.0e6)) return false;
  // t is below 1e9 and not negative: the conversion is the floor.
  const double whole = static_cast<double>(static_cast<long long>(t));
  const double frac = t - whole;
  if (std::fabs(frac - 0.5) < 1.0e-6) return false;
  // Below 1e9 + 1: 32 bits hold it.
  q = static_cast<std::uint32_t>(whole) + (frac > 0.5 ? 1 : 0);
  return true;
}

template <int width, int prec, bool space>
inline void Cursor::fixed(double v) {
  constexpr std::uint32_t unit = prec == 3 ? 1000 : 100;
  std::uint32_t q;
  if (!roundedUnits<prec>(v, q)) {
    slowFixed(v, width, prec, space);
    return;
  }
  // Digits are written two at a time, right to left, into text (whose slack
  // lets the copy below take 16 bytes).
  std::uint32_t w = q / unit;
  const std::uint32_t f = q % unit;
  char text[48];
  char* const end = text + 24;
  char* b = end - 2;
  std::memcpy(b, &kDigitPairs[2 * (f % 100)], 2);
  if (prec == 3) *--b = static_cast<char>('0' + f / 100);
  *--b = '.';
  while (w >= 100) {
    b -= 2;
    std::memcpy(b, &kDigitPairs[2 * (w % 100)], 2);
    w /= 100;
  }
  if (w >= 10) {
    b -= 2;
    std::memcpy(b, &kDigitPairs[2 * w], 2);
  } else {
    *--b = static_cast<char>('0' + w);
  }
  if (std::signbit(v))
    *--b = '-';
  else if (space)
    *--b = ' ';
  const std::size_t n = static_cast<std::size_t>(end - b);  // at most 13
  if (n < static_cast<std::size_t>(width)) pad(width - n);
  std::memcpy(p, b, 16);
  p += n;
}

// "% 8.3f" of v into dest[0..7] when that is what the fast path of
// Cursor::fixed writes and takes 8 characters (|v| below 999.9995); false
// otherwise, dest then unset.
inline bool putCoordinate(char* dest, double v) {
  std::uint32_t q;
  if (!roundedUnits<3>(v, q) || q >= 1000000) return false;
  std::uint32_t w = q / 1000;
  const std::uint32_t f = q % 1000;
  std::memcpy(dest + 6, &kDigitPairs[2 * (f % 100)], 2);
  dest[5] = static_cast<char>('0' + f / 100);
  dest[4] = '.';
  const char sign = std::signbit(v) ? '-' : ' ';
  if (w >= 100) {
    std::memcpy(dest + 2, &kDigitPairs[2 * (w % 100)], 2);
    dest[1] = static_cast<char>('0' + w / 100);
    dest[0] = sign;
  } else if (w >= 10) {
    std::memcpy(dest + 2, &kDigitPairs[2 * w], 2);
    dest[1] = sign;
    dest[0] = ' ';
  } else {
    dest[3] = static_cast<char>('0' + w);
    dest[2] = sign;
    dest[1] = dest[0] = ' ';
  }
  return true;
}

void Cursor::fixed(double v, int width, int prec, bool space) {
  if (width == 8 && prec == 3) return space ? fixed<8, 3, true>(v) : fixed<8, 3, false>(v);
  if (width == 6 && prec == 2) return space ? fixed<6, 2, true>(v) : fixed<6, 2, false>(v);
  slowFixed(v, width, prec, space);
}

}  // namespace

void appendFixed(std::string& out, double v, int width, int prec, bool space) {
  char buf[kRecordRoom];
  Cursor c{buf};
  c.fixed(v, width, prec, space);
  out.append(buf, static_cast<std::size_t>(c.p - buf));
}

char* putAtomRecord(char* dest, const AtomInfo& a) { return putAtomRecord(dest, a, a.x, a.y, a.z); }

namespace {

// Columns 1-30: record name and serial to the blanks before the coordinates.
void putHead(Cursor& c, const AtomInfo& a) {
  if (a.atomID > 99999 && a.atomID <= 9999999) {
    c.put("ATOM", 4);
    c.integer(a.atomID, 7);
  } else {
    c.put("ATOM  ", 6);
    c.integer(a.atomID, 5);
  }
  if (Cursor::nameLength(a.atomName) < 4) {
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
}

void putXyz(Cursor& c, float x, float y, float z) {
  c.fixed<8, 3, true>(x);
  c.fixed<8, 3, true>(y);
  c.fixed<8, 3, true>(z);
}

// Occupancy to the line end.
void putTail(Cursor& c, const AtomInfo& a) {
  c.fixed<6, 2, false>(a.occupancy);
  c.fixed<6, 2, false>(a.tempFactor);
  c.pad(6);
  c.right(a.segID, Cursor::nameLength(a.segID), 4);
  c.right(a.element, Cursor::nameLength(a.element), 2);
  c.right(a.chargeStr, Cursor::nameLength(a.chargeStr), 2);
  *c.p++ = '\n';
}

}  // namespace

char* putAtomRecord(char* dest, const AtomInfo& a, float x, float y, float z) {
  Cursor c{dest};
  putHead(c, a);
  putXyz(c, x, y, z);
  putTail(c, a);
  return c.p;
}

void frameRecords(RecordFrame& frame, const AtomInfo* atoms, int n, const char* selected) {
  if (n <= 0) return;
  frame.text.reserve(frame.text.size() + 81 * static_cast<std::size_t>(n));
  frame.records.reserve(frame.records.size() + static_cast<std::size_t>(n));
  char record[kRecordRoom];
  for (int i = 0; i < n; i++) {
    if (selected != nullptr && !selected[i]) continue;
    Cursor c{record};
    putHead(c, atoms[i]);
    frame.records.push_back({i, static_cast<std::uint32_t>(frame.text.size() + (c.p - record))});
    c.pad(24);
    putTail(c, atoms[i]);
    frame.text.append(record, static_cast<std::size_t>(c.p - record));
  }
}

bool setFramedCoordinates(RecordFrame& frame, const float* xyz) {
  for (const FramedRecord& r : frame.records) {
    char* const p = &frame.text[r.xyzAt];
    const float* v = xyz + 3 * static_cast<std::size_t>(r.atom);
    if (putCoordinate(p, v[0]) && putCoordinate(p + 8, v[1]) && putCoordinate(p + 16, v[2]))
      continue;
    // A value the fast path does not settle, or a wide one.
    char coords[kRecordRoom];
    Cursor c{coords};
    putXyz(c, v[0], v[1], v[2]);
    if (c.p - coords != 24) return false;
    std::memcpy(p, coords, 24);
  }
  return true;
}

}  // namespace korim::structure
