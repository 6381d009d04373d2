// ATOM records formatted field by field: every coordinate and record equals
// what the C library's printf gives for the documented format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "structure/pdbline.h"

using namespace korim::structure;

namespace {

std::string printfFixed(double v, int width, int prec, bool space) {
  char buf[400];
  std::snprintf(buf, sizeof buf, space ? "% *.*f" : "%*.*f", width, prec, v);
  return buf;
}

TEST(PdbLine, FixedPointEqualsPrintf) {
  // Ties of the decimal grid, values just beside them, signs, zero and
  // negative zero, large and non-finite values, and float coordinates.
  const double special[] = {0.0,       -0.0,      0.0005,    -0.0005,   0.0015,  2.5e-4,
                            -2.5e-4,   1.2345,    -1.2345,   999.9995,  -999.9995, 12345.678,
                            -99999.99, 1234567.0, 1.0e300,   INFINITY,  -INFINITY, NAN,
                            0.125,     0.375,     -0.625,    1.005,     2.675};
  for (double v : special)
    for (int prec : {2, 3})
      for (bool space : {true, false}) {
        std::string s;
        appendFixed(s, v, prec == 3 ? 8 : 6, prec, space);
        EXPECT_EQ(s, printfFixed(v, prec == 3 ? 8 : 6, prec, space)) << v;
      }
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> coord(-2000.0f, 2000.0f);
  std::uniform_int_distribution<int> grid(-2000000, 2000000);
  for (int i = 0; i < 200000; i++) {
    // Random floats, and floats at or beside the half-way points of the grid.
    const double v = i % 2 ? coord(gen) : static_cast<float>((grid(gen) + 0.5) / 1000.0);
    std::string a, b;
    appendFixed(a, v, 8, 3, true);
    appendFixed(b, v, 6, 2, false);
    ASSERT_EQ(a, printfFixed(v, 8, 3, true)) << v;
    ASSERT_EQ(b, printfFixed(v, 6, 2, false)) << v;
  }
}

TEST(PdbLine, RecordEqualsPrintfFormat) {
  struct Case {
    int atomID;
    const char *name, *loc, *res, *chain;
    int resID;
    const char *icode, *seg, *elem, *charge;
    float x, y, z, occ, b;
  };
  const Case cases[] = {
      {1, "N", "", "MET", "A", 1, "", "", "N", "", 2.546f, 3.4f, 13.551f, 1.0f, 9.67f},
      {123456, "HD21", "B", "ASN", "", -12, "A", "SEG1", "H", "1+", -1234.5f, 0.0f, -0.0001f,
       0.5f, 100.0f},
      {99999, "CA", "", "GLYX", "Z", 9999, "", "LONGSEG", "FE", "", 99999.0f, -9.9995f,
       1.0e7f, 12345.6f, -3.25f},
      {12345678, "OXT", "", "LYS", "", 76, "", "", "O", "1-", 1.0f, 2.0f, 3.0f, 1.0f, 0.0f},
  };
  for (const Case& c : cases) {
    AtomInfo a{};
    a.atomID = c.atomID;
    std::strcpy(a.atomName, c.name);
    std::strcpy(a.locID, c.loc);
    std::strcpy(a.resName, c.res);
    std::strcpy(a.chainID, c.chain);
    a.resID = c.resID;
    std::strcpy(a.icode, c.icode);
    std::strcpy(a.segID, c.seg);
    std::strcpy(a.element, c.elem);
    std::strcpy(a.chargeStr, c.charge);
    a.x = c.x, a.y = c.y, a.z = c.z, a.occupancy = c.occ, a.tempFactor = c.b;
    char head[32], line[256];
    if (a.atomID > 99999 && a.atomID <= 9999999)
      std::snprintf(head, sizeof head, "ATOM%7d", a.atomID);
    else
      std::snprintf(head, sizeof head, "ATOM  %5d", a.atomID);
    auto first = [](const char* s) { return s[0] ? s[0] : ' '; };
    std::snprintf(line, sizeof line,
                  std::strlen(a.atomName) < 4
                      ? "%s  %-3s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n"
                      : "%s %-4s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n",
                  head, a.atomName, first(a.locID), a.resName, first(a.chainID), a.resID,
                  first(a.icode), a.x, a.y, a.z, a.occupancy, a.tempFactor, a.segID, a.element,
                  a.chargeStr);
    std::string out;
    appendAtomRecord(out, a);
    EXPECT_EQ(out, line);
  }
}

}  // namespace
