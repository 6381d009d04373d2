// Plain decimal fields against std::strtof and std::strtol: every number the
// fast readers accept comes out bit for bit as the library reads it, with
// ties between two floats, long fractions, signs and malformed texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "structure/pdbnumber.h"

using korim::structure::plainFloat;
using korim::structure::plainFloatField;
using korim::structure::plainInt;

namespace {

unsigned bitsOf(float f) {
  unsigned u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

// When the fast reader takes the text, it must give strtof's float.
int expectLikeStrtof(const std::string& text) {
  float fast = 12345.0f;
  if (!plainFloat(text.c_str(), &fast)) {
    EXPECT_EQ(fast, 12345.0f) << text;  // untouched
    return 0;
  }
  char* end = nullptr;
  const float slow = std::strtof(text.c_str(), &end);
  EXPECT_EQ(*end, '\0') << text;
  EXPECT_EQ(bitsOf(fast), bitsOf(slow)) << text;
  return 1;
}

}  // namespace

TEST(PdbNumber, PlainFloatsReadAsStrtofReadsThem) {
  const char* accepted[] = {"0",       "-0.000",  "+1.5",      "12.345",   "-999.999", ".5",
                            "5.",      "-.125",   "00007.250", "99999999", "0.000001", "1234567.8",
                            "3.14159265358979",  "0.1",       "-47.826",  "123456789012345"};
  for (const char* t : accepted) EXPECT_EQ(expectLikeStrtof(t), 1) << t;
  // Left to strtof: other notations, no digit, too many digits, stray signs and points.
  const char* refused[] = {"",     "+",        "-",     ".",     "1e5",    "0x10",   "inf",
                           "nan",  "1.2.3",    "--1",   "1-",    "1 2",    "abc",    "1,5",
                           "1234567890123456", "0.0000000000000001"};
  for (const char* t : refused) {
    float v = 7.0f;
    EXPECT_FALSE(plainFloat(t, &v)) << t;
    EXPECT_EQ(v, 7.0f) << t;
  }
  EXPECT_TRUE(std::signbit([] {
    float v = 1.0f;
    plainFloat("-0.000", &v);
    return v;
  }()));
}

TEST(PdbNumber, TiesBetweenTwoFloatsRoundAsStrtofRoundsThem) {
  // From 2^24 on the floats are 2 apart: an odd integer is exactly halfway and goes to the even
  // neighbour; just above or below it goes to the nearer one. Below, the halfway points are
  // halves (spacing 1) and quarters (spacing 0.5) of the float spacing.
  const struct { long long first, step; std::vector<const char*> suffixes; } ranges[] = {
      {16777217, 2, {"", ".0", ".000001", ".49", ".5", ".51"}},
      {16777216, 2, {".999999"}},
      {8388609, 1, {".5", ".500001", ".499999"}},
      {4194305, 1, {".25", ".75", ".2500001", ".7499999"}}};
  int checked = 0, cases = 0;
  for (const auto& r : ranges)
    for (long long n = r.first; n < r.first + 2000 * r.step; n += r.step)
      for (const char* suffix : r.suffixes) {
        checked += expectLikeStrtof(std::to_string(n) + suffix) + expectLikeStrtof("-" + std::to_string(n) + suffix);
        cases += 2;
      }
  EXPECT_GT(checked, cases / 2);  // the exact ties are left to strtof, the rest settled
}

TEST(PdbNumber, RandomFieldsReadAsStrtofReadsThem) {
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> digit(0, 9), len(0, 8), coin(0, 3);
  int checked = 0;
  for (int i = 0; i < 200000; i++) {
    std::string t = coin(gen) == 0 ? "-" : "";
    for (int k = len(gen); k > 0; k--) t += static_cast<char>('0' + digit(gen));
    if (coin(gen) != 0) {
      t += '.';
      for (int k = len(gen); k > 0; k--) t += static_cast<char>('0' + digit(gen));
    }
    checked += expectLikeStrtof(t);
  }
  // Coordinates as the writer prints them.
  std::uniform_real_distribution<double> coord(-9999.999, 9999.999);
  for (int i = 0; i < 50000; i++) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", coord(gen));
    checked += expectLikeStrtof(t);
  }
  EXPECT_GT(checked, 200000);
}

TEST(PdbNumber, FieldsReadAsTheirTextWithoutWhiteSpace) {
  // A field is read as the text of its non-blank characters; blanks only: 0.
  struct Row {
    const char* field;
    bool accepted;
    float value;
  };
  const Row rows[] = {{"  -9.123", true, -9.123f}, {" 12.5   ", true, 12.5f},  {"1 2.5", true, 12.5f},
                      {"- 3.25", true, -3.25f},    {"\t4.5\r", true, 4.5f},  {"        ", true, 0.0f},
                      {"", true, 0.0f},            {" 1e3", false, 0.0f},     {"1.2.3", false, 0.0f},
                      {"  -  ", false, 0.0f}};
  for (const Row& r : rows) {
    float v = 99.0f;
    EXPECT_EQ(plainFloatField(r.field, std::strlen(r.field), &v), r.accepted) << r.field;
    EXPECT_EQ(v, r.accepted ? r.value : 99.0f) << r.field;
  }
  std::mt19937 gen(5);
  std::uniform_int_distribution<int> pick(0, 13);
  const char alphabet[] = "0123456789 .-";
  for (int i = 0; i < 100000; i++) {
    std::string field, text;
    for (int k = 0; k < 8; k++) {
      const char c = alphabet[pick(gen) % 13];
      field += c;
      if (c != ' ') text += c;
    }
    float a = 1.0f, b = 2.0f;
    const bool fieldOk = plainFloatField(field.data(), field.size(), &a);
    const bool textOk = text.empty() ? (b = 0.0f, true) : plainFloat(text.c_str(), &b);
    ASSERT_EQ(fieldOk, textOk) << field;
    if (fieldOk) {
      ASSERT_EQ(bitsOf(a), bitsOf(b)) << field;
    }
  }
}

TEST(PdbNumber, PlainIntegersReadAsStrtolReadsThem) {
  const char* accepted[] = {"0", "-0", "+17", "76", "-9999", "000123", "999999999", "-999999999"};
  for (const char* t : accepted) {
    int v = 0;
    ASSERT_TRUE(plainInt(t, &v)) << t;
    EXPECT_EQ(v, std::strtol(t, nullptr, 10)) << t;
  }
  const char* refused[] = {"", "+", "-", "1234567890", "12a", "1.0", " 1", "0x1f", "--2"};
  for (const char* t : refused) {
    int v = 5;
    EXPECT_FALSE(plainInt(t, &v)) << t;
    EXPECT_EQ(v, 5) << t;
  }
}
