// ATOM records of the PDB writer, formatted field by field.
#include "structure/pdbline.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korim::structure {

namespace {

// Right-aligns text of length n in width columns (no truncation).
void appendRight(std::string& out, const char* text, std::size_t n, std::size_t width) {
  if (n < width) out.append(width - n, ' ');
  out.append(text, n);
}

void appendLeft(std::string& out, const char* text, std::size_t width) {
  const std::size_t n = std::strlen(text);
  out.append(text, n);
  if (n < width) out.append(width - n, ' ');
}

void appendInt(std::string& out, int v, std::size_t width) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  appendRight(out, buf, static_cast<std::size_t>(r.ptr - buf), width);
}

char firstOr(const char* s) { return s[0] != '\0' ? s[0] : ' '; }

}  // namespace

void appendFixed(std::string& out, double v, int width, int prec, bool space) {
  const double scale = prec == 3 ? 1000.0 : 100.0;
  const double t = std::fabs(v) * scale;  // below 1e9: off by less than 2e-7
  const double whole = std::floor(t);
  const double frac = t - whole;
  if (!(std::fabs(v) < 1.0e6) || std::fabs(frac - 0.5) < 1.0e-6 || (prec != 2 && prec != 3)) {
    char buf[400];  // the widest double in %f takes 309 digits before the point
    const int n = std::snprintf(buf, sizeof buf, space ? "% *.*f" : "%*.*f", width, prec, v);
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  const long long q = static_cast<long long>(whole) + (frac > 0.5 ? 1 : 0);
  const long long unit = prec == 3 ? 1000 : 100;
  char buf[32];
  char* p = buf;
  if (std::signbit(v))
    *p++ = '-';
  else if (space)
    *p++ = ' ';
  p = std::to_chars(p, buf + sizeof buf, q / unit).ptr;
  *p++ = '.';
  long long f = q % unit;
  for (int d = prec - 1; d >= 0; d--) {
    p[d] = static_cast<char>('0' + f % 10);
    f /= 10;
  }
  p += prec;
  appendRight(out, buf, static_cast<std::size_t>(p - buf), static_cast<std::size_t>(width));
}

void appendAtomRecord(std::string& out, const AtomInfo& a) {
  if (a.atomID > 99999 && a.atomID <= 9999999) {
    out.append("ATOM");
    appendInt(out, a.atomID, 7);
  } else {
    out.append("ATOM  ");
    appendInt(out, a.atomID, 5);
  }
  if (std::strlen(a.atomName) < 4) {
    out.append("  ");
    appendLeft(out, a.atomName, 3);
  } else {
    out.push_back(' ');
    appendLeft(out, a.atomName, 4);
  }
  out.push_back(firstOr(a.locID));
  appendLeft(out, a.resName, 4);
  out.push_back(firstOr(a.chainID));
  appendInt(out, a.resID, 4);
  out.push_back(firstOr(a.icode));
  out.append("   ");
  appendFixed(out, a.x, 8, 3, true);
  appendFixed(out, a.y, 8, 3, true);
  appendFixed(out, a.z, 8, 3, true);
  appendFixed(out, a.occupancy, 6, 2, false);
  appendFixed(out, a.tempFactor, 6, 2, false);
  out.append("      ");
  appendRight(out, a.segID, std::strlen(a.segID), 4);
  appendRight(out, a.element, std::strlen(a.element), 2);
  appendRight(out, a.chargeStr, std::strlen(a.chargeStr), 2);
  out.push_back('\n');
}

}  // namespace korim::structure
