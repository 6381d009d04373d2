// ATOM records of the PDB writer, formatted field by field, and once but for
// their coordinates for structures written at several sets of coordinates.
#include "structure/pdbline.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "foundation/fixedtext.h"

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
  // "%W.Pf" (or "% W.Pf"); the record's room holds the widest.
  void fixed(double v, int width, int prec, bool space) {
    p = foundation::putFixed(p, v, width, prec, space);
  }

  // strnlen(text, 15) of a name field.
  static std::size_t nameLength(const char* text) {
    std::size_t n = 0;
    while (n < 15 && text[n] != '\0') n++;
    return n;
  }
};

char firstOr(const char* s) { return s[0] != '\0' ? s[0] : ' '; }

// "% 8.3f" of v into dest[0..7] when the quick rounding settles it and it
// takes 8 characters (|v| below 999.9995); false otherwise, dest then unset.
inline bool putCoordinate(char* dest, double v) {
  std::uint32_t q;
  if (!foundation::fixedUnits(v, 3, &q) || q >= 1000000) return false;
  std::uint32_t w = q / 1000;
  const std::uint32_t f = q % 1000;
  std::memcpy(dest + 6, &foundation::kDigitPairs[2 * (f % 100)], 2);
  dest[5] = static_cast<char>('0' + f / 100);
  dest[4] = '.';
  const char sign = std::signbit(v) ? '-' : ' ';
  if (w >= 100) {
    std::memcpy(dest + 2, &foundation::kDigitPairs[2 * (w % 100)], 2);
    dest[1] = static_cast<char>('0' + w / 100);
    dest[0] = sign;
  } else if (w >= 10) {
    std::memcpy(dest + 2, &foundation::kDigitPairs[2 * w], 2);
    dest[1] = sign;
    dest[0] = ' ';
  } else {
    dest[3] = static_cast<char>('0' + w);
    dest[2] = sign;
    dest[1] = dest[0] = ' ';
  }
  return true;
}

}  // namespace

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
  c.fixed(x, 8, 3, true);
  c.fixed(y, 8, 3, true);
  c.fixed(z, 8, 3, true);
}

// Occupancy to the line end.
void putTail(Cursor& c, const AtomInfo& a) {
  c.fixed(a.occupancy, 6, 2, false);
  c.fixed(a.tempFactor, 6, 2, false);
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
