// Plain decimal fields against std::strtof and std::strtol: every number the
// fast readers accept comes out bit for bit as the library reads it, with
// ties between two floats, long fractions, signs and malformed texts.
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "structure/pdbnumber.h"

using korim::structure::fixedFloatField;
using korim::structure::pointFloatField;
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

TEST(PdbNumber, FieldsReadAsTheirTextWithoutWhiteSpaceAround) {
  // A field is read as the text between its blanks; blanks only: 0; blanks inside: two numbers.
  struct Row {
    const char* field;
    bool accepted;
    float value;
  };
  const Row rows[] = {{"  -9.123", true, -9.123f}, {" 12.5   ", true, 12.5f},  {"1 2.5", false, 0.0f},
                      {"- 3.25", false, 0.0f},    {"\t4.5\r", true, 4.5f},  {"        ", true, 0.0f},
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
    for (int k = 0; k < 8; k++) field += alphabet[pick(gen) % 13];
    const size_t from = field.find_first_not_of(' ');
    if (from != std::string::npos) text = field.substr(from, field.find_last_not_of(' ') - from + 1);
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

namespace {

// The float the reader took for a field before the direct path: the plain reader, or strtof of
// the field's text without its blanks.
bool presentReader(const std::string& field, float* out) {
  if (plainFloatField(field.data(), field.size(), out)) return true;
  std::string text;
  for (char c : field)
    if (!std::isspace(static_cast<unsigned char>(c))) text += c;
  char* end = nullptr;
  *out = std::strtof(text.c_str(), &end);
  return !text.empty() && end != text.c_str() && *end == '\0';
}

// The direct path on one field: when it takes the field it must give the present reader's float
// and strtof's float of the text without blanks; when it does not, out stays untouched.
bool checkDirect(const std::string& field) {
  // The writer's layout, read from its point: when taken, the same float as the search below.
  for (std::size_t decimals = 1; decimals <= 3; decimals++) {
    float atPoint = 333.0f, searched = 444.0f;
    if (!pointFloatField(field.data(), field.size(), decimals, &atPoint)) {
      EXPECT_EQ(bitsOf(atPoint), bitsOf(333.0f)) << '[' << field << ']';
      continue;
    }
    EXPECT_TRUE(fixedFloatField(field.data(), field.size(), &searched)) << '[' << field << ']';
    EXPECT_EQ(bitsOf(atPoint), bitsOf(searched)) << '[' << field << ']';
  }
  float fast = 777.0f;
  if (!fixedFloatField(field.data(), field.size(), &fast)) {
    EXPECT_EQ(bitsOf(fast), bitsOf(777.0f)) << '[' << field << ']';
    return false;
  }
  float present = 555.0f;
  EXPECT_TRUE(presentReader(field, &present)) << '[' << field << ']';
  std::string text;
  for (char c : field)
    if (c != ' ') text += c;
  const float twin = text.empty() ? 0.0f : std::strtof(text.c_str(), nullptr);
  EXPECT_EQ(bitsOf(fast), bitsOf(present)) << '[' << field << ']';
  EXPECT_EQ(bitsOf(fast), bitsOf(twin)) << '[' << field << ']';
  return true;
}

}  // namespace

TEST(PdbNumber, DirectFieldsReadAsThePresentReaderAndStrtof) {
  struct Row {
    const char* field;
    bool taken;
  };
  const Row rows[] = {{"  -0.000", true},  {"   0.000", true},  {"        ", true},  {"", true},
                      {"  12.345", true},  {"+999.999", true},  {"-999.999", true},  {"12345678", true},
                      {"1234.5678", true}, {"  .5  ", true},    {"  5.  ", true},    {"-.001", true},
                      {".00000001", true}, {"16777217", true}, {" 1.2.3  ", false}, {"  -  ", false},
                      {"  .  ", false},    {" 1 2.5", false},   {"- 3.25", false},   {"\t4.5", false},
                      {"4.5\r", false},    {"1e3", false},      {"--1", false},      {"123456789", false},
                      {"0.000000001", false}, {"1234567.89", false}, {"  12,5", false}, {"+-1", false}};
  for (const Row& r : rows) EXPECT_EQ(checkDirect(r.field), r.taken) << '[' << r.field << ']';
  float v = 1.0f;
  ASSERT_TRUE(fixedFloatField("  -0.000", 8, &v));
  EXPECT_TRUE(std::signbit(v));
  // The writer's layout: taken only with its decimals at the end and at most 9 characters.
  const struct {
    const char* field;
    std::size_t decimals;
    bool taken;
  } points[] = {{"  -0.000", 3, true}, {" -12.345", 3, true}, {"+999.999", 3, true}, {"  1.00", 2, true},
                {"   .50", 2, true},   {"  -.5", 1, true},    {"12345.678", 3, true}, {"123456.78", 2, true},
                {"  12.345", 2, false}, {"12.34 ", 2, false},  {" 1 2.34", 2, false},  {"1234567.8", 1, true},
                {"12345678.9", 1, false}, {"  --1.00", 2, false}, {"\t1.00", 2, false}, {"  .", 0, false},
                {"1.0000", 4, false},  {"x1.00", 2, false},   {" 1.0x", 2, false},  {"  - 1.00", 2, false}};
  for (const auto& r : points) {
    float got = 5.0f;
    EXPECT_EQ(pointFloatField(r.field, std::strlen(r.field), r.decimals, &got), r.taken) << r.field;
    if (r.taken) {
      EXPECT_EQ(bitsOf(got), bitsOf(std::strtof(r.field, nullptr))) << r.field;
    }
  }
  ASSERT_TRUE(pointFloatField("  -0.000", 8, 3, &v));
  EXPECT_TRUE(std::signbit(v));

  // Halfway points between two floats and their neighbours: 2^24 + odd integers (eight digits,
  // no decimals), and halves and quarters below 2^23 and 2^22 with the decimals they need.
  for (long long n = 16777217; n < 16777217 + 4000; n += 2) checkDirect(std::to_string(n));
  for (long long n = 8388609; n < 8388609 + 200; n++)
    for (const char* s : {".5", ".4", ".6"}) checkDirect("-" + std::to_string(n) + s);
  for (long long n = 4194305; n < 4194305 + 200; n++)
    for (const char* s : {".25", ".75", ".2", ".8"}) checkDirect(std::to_string(n) + s);

  // Millions of fields: blanks, a sign, digits around a point, blanks, in widths 1 to 10, and
  // malformed ones (stray characters, white space other than blanks, second points and signs).
  std::mt19937 gen(29);
  std::uniform_int_distribution<int> pick(0, 1 << 30);
  int taken = 0, wellFormed = 0;
  const int kFields = 3000000;
  for (int i = 0; i < kFields; i++) {
    const int whole = pick(gen) % 9, decimals = pick(gen) % (10 - whole), style = pick(gen) % 16;
    // Style 3: negative zero.
    std::string number = style == 0 || style == 3 ? "-" : style == 1 ? "+" : "";
    auto digit = [&] { return style == 3 ? '0' : static_cast<char>('0' + pick(gen) % 10); };
    for (int k = 0; k < whole; k++) number += digit();
    if (decimals > 0 || style == 2) number += '.';
    for (int k = 0; k < decimals; k++) number += digit();
    if (style == 4 && !number.empty()) {
      const char stray[] = " .-+\t\rex,";
      number[pick(gen) % number.size()] = stray[pick(gen) % 9];
    }
    const int width = 1 + pick(gen) % 10;
    const int pad = static_cast<int>(number.size()) < width ? width - static_cast<int>(number.size()) : 0;
    const int after = style == 5 ? pad : style == 6 ? pad / 2 : 0;
    const std::string field = std::string(pad - after, ' ') + number + std::string(after, ' ');
    const bool ok = checkDirect(field);
    taken += ok;
    const int digits = whole + decimals;
    if (style != 4 && digits >= 1 && digits <= 8) {
      wellFormed++;
      ASSERT_TRUE(ok) << '[' << field << ']';
      float v;
      if (after == 0 && decimals >= 1 && decimals <= 3 && field.size() <= 9) {
        ASSERT_TRUE(pointFloatField(field.data(), field.size(), decimals, &v)) << '[' << field << ']';
      }
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(wellFormed, kFields / 2);
  EXPECT_GE(taken, wellFormed);
}
