// The quick decimal text against the C library's, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "foundation/fixedtext.h"

using namespace korim::foundation;

namespace {

std::string quick(double v, int width, int prec, bool space) {
  char buf[kFixedRoom];
  return std::string(buf, putFixed(buf, v, width, prec, space));
}

std::string library(double v, int width, int prec, bool space) {
  char buf[kFixedRoom];
  const int n = std::snprintf(buf, sizeof buf, space ? "% *.*f" : "%*.*f", width, prec, v);
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

TEST(FixedText, AwkwardValuesAsTheLibraryWritesThem) {
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0,       -0.0,      1e-12,      -1e-12,    0.5,        -0.5,
                           1.5,       2.5,       0.125,      0.375,     1.0005,     -1.00005,
                           0.045,     9.9995,    99999.99995, 123456.7, -987654.321, 999999999.5,
                           1e9,       1e15,      -1e300,     1e308,     inf,        -inf,
                           std::nan(""), 0.1 + 0.2, 2.675,   1.005,     -13.1365,   4.9999999};
  const struct { int width, prec; } formats[] = {{9, 2}, {9, 3}, {9, 4}, {7, 4}, {0, 2}, {8, 3},
                                                 {6, 2}, {0, 0}, {3, 0}, {12, 9}, {4, 1}, {1, 10}};
  for (double v : values)
    for (const auto& f : formats)
      for (bool space : {false, true})
        EXPECT_EQ(quick(v, f.width, f.prec, space), library(v, f.width, f.prec, space))
            << v << " width " << f.width << " prec " << f.prec << " space " << space;
}

TEST(FixedText, RandomValuesAsTheLibraryWritesThem) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-8, 10), prec(0, 9);
  for (int i = 0; i < 200000; i++) {
    const double v = std::ldexp(mantissa(gen), 0) * std::pow(10.0, exponent(gen));
    const int p = prec(gen);
    ASSERT_EQ(quick(v, 9, p, i % 2 == 0), library(v, 9, p, i % 2 == 0)) << v << " prec " << p;
  }
  // Values on a decimal grid (as a table's numbers often are) sit near rounding ties.
  for (int k = -200000; k <= 200000; k += 7) {
    const double v = k / 20000.0;
    ASSERT_EQ(quick(v, 9, 4, true), library(v, 9, 4, true)) << v;
    ASSERT_EQ(quick(v, 7, 3, false), library(v, 7, 3, false)) << v;
  }
}

TEST(FixedText, IntegersAndWords) {
  const struct { int v, width; const char* want; } ints[] = {
      {0, 4, "   0"}, {-7, 4, "  -7"}, {12345, 4, "12345"}, {-2147483647 - 1, 0, "-2147483648"}};
  for (const auto& r : ints) {
    char buf[kFixedRoom];
    EXPECT_EQ(std::string(buf, putInt(buf, r.v, r.width)), r.want);
  }
  char buf[kFixedRoom];
  EXPECT_EQ(std::string(buf, putWord(buf, "HN", 4)), "  HN");
  EXPECT_EQ(std::string(buf, putWord(buf, "None", 4)), "None");
  EXPECT_EQ(std::string(buf, putWord(buf, "LONGER", 4)), "LONGER");
}

TEST(FixedText, RecordFieldsAndFloatCoordinatesAsPrintfWritesThem) {
  // Ties of the decimal grid, values just beside them, signs, zero and
  // negative zero, large and non-finite values, and float coordinates.
  const double special[] = {0.0,       -0.0,      0.0005,    -0.0005,   0.0015,    2.5e-4,
                            -2.5e-4,   1.2345,    -1.2345,   999.9995,  -999.9995, 12345.678,
                            -99999.99, 1234567.0, 1.0e300,   INFINITY,  -INFINITY, NAN,
                            0.125,     0.375,     -0.625,    1.005,     2.675};
  for (double v : special)
    for (int prec : {2, 3})
      for (bool space : {true, false}) {
        const std::string s = quick(v, prec == 3 ? 8 : 6, prec, space);
        EXPECT_EQ(s, library(v, prec == 3 ? 8 : 6, prec, space)) << v;
      }
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> coord(-2000.0f, 2000.0f);
  std::uniform_int_distribution<int> grid(-2000000, 2000000);
  for (int i = 0; i < 200000; i++) {
    // Random floats, and floats at or beside the half-way points of the grid.
    const double v = i % 2 ? coord(gen) : static_cast<float>((grid(gen) + 0.5) / 1000.0);
    const std::string a = quick(v, 8, 3, true), b = quick(v, 6, 2, false);
    ASSERT_EQ(a, library(v, 8, 3, true)) << v;
    ASSERT_EQ(b, library(v, 6, 2, false)) << v;
  }
}
