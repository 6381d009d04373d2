// The number rule of the file readers: which words are numbers, whole numbers, and of which kind
// the others fail, as the C library's conversions and the int and float ranges say.
#include <gtest/gtest.h>

#include <string>

#include "foundation/numberword.h"

using korim::foundation::firstBadNumber;
using korim::foundation::integerWord;
using korim::foundation::NumberWord;
using korim::foundation::realWord;

namespace {

constexpr NumberWord N = NumberWord::number, X = NumberWord::notNumber, F = NumberWord::notFinite,
                     W = NumberWord::notWhole, R = NumberWord::outOfRange;

TEST(NumberWord, WordsAsFloatsAndInts) {
  const struct { const char* word; NumberWord real; float f; NumberWord integer; int i; } cases[] = {
      {"12", N, 12.0f, N, 12},
      {"-0", N, -0.0f, N, 0},
      {"+7", N, 7.0f, N, 7},
      {"8.0", N, 8.0f, N, 8},
      {"1e1", N, 10.0f, N, 10},
      {"0x10", N, 16.0f, N, 16},
      {"2147483647", N, 2147483647.0f, N, 2147483647},
      {"-2147483648", N, -2147483648.0f, N, -2147483647 - 1},
      {"8.5", N, 8.5f, W, 0},
      {"2147483648", N, 2147483648.0f, R, 0},
      {"1e30", N, 1e30f, R, 0},
      {"1e39", R, 0.0f, R, 0},
      {"1e-50", N, 0.0f, W, 0},
      {"inf", F, 0.0f, F, 0},
      {"-nan", F, 0.0f, F, 0},
      {"", X, 0.0f, X, 0},
      {"1,5", X, 0.0f, X, 0},
      {"12abc", X, 0.0f, X, 0},
      {"1.2.3", X, 0.0f, X, 0},
      {"8.2*", X, 0.0f, X, 0},
      {"five", X, 0.0f, X, 0},
  };
  for (const auto& c : cases) {
    float f = 0.0f;
    int i = 0;
    EXPECT_EQ(realWord(c.word, &f), c.real) << c.word;
    if (c.real == N) EXPECT_EQ(f, c.f) << c.word;
    EXPECT_EQ(integerWord(c.word, &i), c.integer) << c.word;
    if (c.integer == N) EXPECT_EQ(i, c.i) << c.word;
  }
}

// The words of a line read by sscanf: the first that is not wholly one finite number.
TEST(NumberWord, FirstBadNumberOfALine) {
  const double read[3] = {1.0, 2.0, 3.0};
  EXPECT_EQ(firstBadNumber("1 2 3 trailing words\n", 3, read), "");
  EXPECT_EQ(firstBadNumber("1 2,5 3\n", 3, read), "2,5");
  EXPECT_EQ(firstBadNumber("1 2 3abc\n", 3, read), "3abc");
  EXPECT_EQ(firstBadNumber("1 2 1e300\n", 3, read), "");  // a double the line's reader keeps
  const double notFinite[3] = {1.0, 2.0, __builtin_inf()};
  EXPECT_EQ(firstBadNumber("1 2 inf\n", 3, notFinite), "inf");
}

}  // namespace
