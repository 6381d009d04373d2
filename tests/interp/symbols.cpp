// Interpreter symbols: look-up order, array storage and its default length, host-set variables, the listing.
#include "tests/interp/interp_fixture.h"
#include "tests/support/allocfail.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

namespace korim_test {
namespace {

using namespace korim::interp;

using Symbols = InterpTest;

TEST_F(Symbols, LatestOfEqualNamesIsFound) {
  install("x", VAR, 1);
  Symbol *later = install("x", VAR, 2);
  EXPECT_EQ(lookup("x"), later);
  EXPECT_EQ(lookup("X"), nullptr);
}

TEST_F(Symbols, DefaultLengthComesFromBuflen) {
  Symbol *a = install("a", ARRAYVAR, 0);
  EXPECT_EQ(newAdr(a, 0, FLTARRAY), 1);
  EXPECT_EQ(a->u.rPtr, nullptr);
  setOrAddVar("BUFLEN", "80.9");
  ASSERT_EQ(newAdr(a, 0, FLTARRAY), 0);
  EXPECT_EQ(a->length, 80);
  EXPECT_EQ(a->u.rPtr[79], 0.0f);
}

TEST_F(Symbols, HostStrings) {
  setOrAddStr("s", "hello");
  Symbol *s = lookup("s");
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->u.str, "hello");
  setOrAddStr("s", "a longer text");
  EXPECT_EQ(lookup("s"), s);
  EXPECT_EQ(s->length, 14);
  EXPECT_STREQ(s->u.str, "a longer text");
  static char buffer[] = "adopted";
  setOrAddStr2("s", buffer, 8);
  EXPECT_EQ(s->u.str, buffer);
  setOrAddVar2("n", 3.5);
  EXPECT_EQ(lookup("n")->u.val, 3.5);
  EXPECT_EXIT(setOrAddStr("n", "x"), ::testing::ExitedWithCode(255),
              fatal("Bad Type for User Variable: n"));
  EXPECT_EXIT(setOrAddVar2("s", 1), ::testing::ExitedWithCode(255),
              fatal("Bad Type for User Variable: s"));
}

TEST_F(Symbols, ListingMatchesGoldenFile) {
  setOrAddVar2("BUFLEN", 6);
  Symbol *m = install("message", ARRAYVAR, 0);
  ASSERT_EQ(newAdr(m, 0, CHRARRAY), 0);
  EXPECT_EQ(captureStderr([] { dumpSymbols(); }), readFile(testData("interp/symbols.txt")));
  symbolReset();
  EXPECT_EQ(captureStderr([] { dumpSymbols(); }), "");
}

TEST(SymbolsAlloc, FailedAllocationLeavesNoArray) {
  sweepAllocationFailures(
      [](int) {
        symbolReset();
        Symbol *a = install("a", ARRAYVAR, 0);
        if (a) newAdr(a, 8, INTARRAY);
      },
      [](int n, bool fired, const std::string &) {
        Symbol *a = lookup("a");
        if (!fired) {
          ASSERT_NE(a, nullptr);
          EXPECT_EQ(a->length, 8);
          EXPECT_EQ(a->u.iPtr[7], 0);
        } else if (a) {
          EXPECT_EQ(a->u.iPtr, nullptr) << n;
          EXPECT_EQ(a->length, 0) << n;
        }
      });
}

}  // namespace
}  // namespace korim_test
