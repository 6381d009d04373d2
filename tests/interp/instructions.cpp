// Interpreter instructions run one at a time on the machine's stack (arithmetic, variables, arrays, texts,
// printing) and its symbols: look-up order, array storage, host-set variables, the listing.
#include <cstring>

#include "interp/strinst.h"
#include "tests/interp/interp_fixture.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

namespace korim_test {
namespace {

using namespace korim::interp;

using Instructions = InterpTest;
using Symbols = InterpTest;

TEST_F(Instructions, Modulus) {
  pushVal(7.9);
  pushVal(2.5);
  mod2();
  EXPECT_EQ(popVal(), 1.0);
  pushVal(-7);
  pushVal(2);
  mod2();
  EXPECT_EQ(popVal(), -1.0);
  pushVal(7);
  pushVal(0.5);
  EXPECT_EXIT(mod2(), ::testing::ExitedWithCode(255), fatal("Modulus Division by zero\\."));
  pushVal(7);
  pushVal(1e10);
  EXPECT_EXIT(mod2(), ::testing::ExitedWithCode(255), fatal("Modulus operand out of range\\."));
}

TEST_F(Instructions, PlusEqStoresSumAndPushesOperand) {
  Symbol *x = install("x", VAR, 1.0);
  pushVal(2.0);
  pushSym(x);
  plusEq();
  EXPECT_EQ(popVal(), 2.0);
  EXPECT_EQ(x->u.val, 3.0);
  Symbol *a = install("a", ARRAYVAR, 0);
  Inst *read = emit({varread, S(a), STOP});
  EXPECT_EXIT(execute(read), ::testing::ExitedWithCode(255),
              fatal("Attempt to reference non-variable: a"));
}

TEST_F(Instructions, FloatArrayElements) {
  Symbol *a = install("a", ARRAYVAR, 0);
  pushVal(5);
  pushSym(a);
  fVecAlloc();
  EXPECT_EQ(store(a, 4, 2.5), 2.5);
  EXPECT_EQ(element(a, 4), 2.5);
  a->u.rPtr[0] = 9.0f;
  EXPECT_EQ(element(a, -0.5), 9.0);
  EXPECT_EXIT(element(a, 5), ::testing::ExitedWithCode(255), fatal("Array index out of bounds: a"));
}

// Elements of int and character arrays are written one element wide.
TEST_F(Instructions, ElementsFollowTheArrayType) {
  Symbol *c = install("c", ARRAYVAR, 0), *n = install("n", ARRAYVAR, 0);
  ASSERT_EQ(newAdr(c, 3, CHRARRAY), 0);
  ASSERT_EQ(newAdr(n, 2, INTARRAY), 0);
  store(c, 1, 65.7);
  EXPECT_EQ(std::memcmp(c->u.str, "\0A\0", 3), 0);
  store(n, 1, -3.9);
  pushVal(1);
  pushSym(n);
  postDecr2();
  EXPECT_EQ(popVal(), -3.0);
  EXPECT_EQ(n->u.iPtr[0], 0);
  EXPECT_EQ(n->u.iPtr[1], -4);
}

// A string variable holding a copy of text, with room for size bytes.
Symbol *stringVar(const char *name, const char *text, int size) {
  Symbol *sp = install(name, ARRAYVAR, 0);
  newAdr(sp, size, CHRARRAY);
  std::strncpy(sp->u.str, text, static_cast<size_t>(size - 1));
  return sp;
}

TEST_F(Instructions, TextTests) {
  struct Case {
    Inst op;
    const char *left, *right;
    double pushed;
  } cases[] = {
      {strexprM, "abc", "^a.c$", 1},  {strexprM, "abcd", "^a.c$", 0},
      {strexprM, "abc", "a[", 0},     {strmatchM, "abc", "a*", 1},
      {strmatchM, "bac", "a*", 0},    {strmatchM, "Abc", "a*", 0},
      {strstrM, "hello", "", 0},      {strstrM, "hello", "lo", 3},
      {strstrM, "hello", "x", -1},    {strcmpM, "abc", "abd", -1},
      {strcacmpM, "ABC", "abc", 0},   {strcacmpM, "abcd", "ABC", 1},
  };
  for (const Case &k : cases) {
    pushSym(stringVar("l", k.left, 16));
    pushSym(stringVar("r", k.right, 16));
    k.op();
    EXPECT_EQ(popVal(), k.pushed) << k.left << " " << k.right;
  }
}

TEST_F(Instructions, CopiesAreBoundedByTheDestination) {
  Symbol *d = stringVar("d", "ab", 5);
  pushSym(d);
  pushSym(stringVar("s", "cdefgh", 16));
  strcatM();
  EXPECT_STREQ(d->u.str, "abcd");
  pushSym(d);
  pushSym(stringVar("t", "xyz", 16));
  strcpyM();
  EXPECT_STREQ(d->u.str, "xyz");
}

// Formats the values through fmt into a destination of 8 bytes and returns its text.
TEST_F(Instructions, SprntfAndPrntf2) {
  Symbol *d = stringVar("d", "", 8);
  struct Case {
    const char *format;
    std::initializer_list<double> values;
    const char *text;
  } cases[] = {
      {"%.2f", {3.14159}, "3.14"},
      {"%g,%g%%", {1, 2}, "1,2%"},
      {"%f", {123456.5}, "123456."},
  };
  for (const Case &k : cases) {
    for (double v : k.values) pushVal(v);
    pushSym(d);
    pushSym(stringVar("f", k.format, 16));
    execute(emit({sprntf, N(static_cast<int>(k.values.size())), STOP}));
    EXPECT_EQ(popVal(), static_cast<double>(k.values.size()));
    EXPECT_STREQ(d->u.str, k.text) << k.format;
  }
  pushVal(1);
  pushSym(d);
  pushSym(stringVar("bad", "%s", 16));
  EXPECT_EXIT(execute(emit({sprntf, N(1), STOP})), ::testing::ExitedWithCode(255),
              fatal("Bad print format: bad"));
  // prntf2 writes the format only with the values given.
  const float values[] = {1.5f, 3.0f, 7.0f};
  EXPECT_EQ(captureStdout([&] { prntf2(stdout, 2, "%.1f|%g|%g\n", values); }), "1.5|3|0\n");
  EXPECT_EQ(captureStdout([&] { prntf2(stdout, 0, "100%%\n", values); }), "100%\n");
}

TEST_F(Instructions, PrintLooksForResultUntilFound) {
  symbolReset();
  printReset();
  pushVal(5);
  print();
  Symbol *r = install("_result", VAR, 0);
  pushVal(6);
  print();
  EXPECT_EQ(r->u.val, 6.0);
}

TEST_F(Symbols, LatestOfEqualNamesIsFoundAndDefaultLengthComesFromBuflen) {
  install("x", VAR, 1);
  Symbol *later = install("x", VAR, 2);
  EXPECT_EQ(lookup("x"), later);
  EXPECT_EQ(lookup("X"), nullptr);
  // An array without a length takes BUFLEN's.
  Symbol *a = install("a", ARRAYVAR, 0);
  EXPECT_EQ(newAdr(a, 0, FLTARRAY), 1);
  EXPECT_EQ(a->u.rPtr, nullptr);
  setOrAddVar("BUFLEN", "80.9");
  ASSERT_EQ(newAdr(a, 0, FLTARRAY), 0);
  EXPECT_EQ(a->length, 80);
  EXPECT_EQ(a->u.rPtr[79], 0.0f);
}

// An array whose byte count no allocator block holds (an int) is refused before any memory is
// taken; the instruction that asked for it ends the run with its message.
TEST_F(Symbols, ArraysPastOneBlockAreRefusedBeforeAllocation) {
  struct Case { int length; int type; };
  for (Case c : {Case{536870912, FLTARRAY}, Case{536870912, INTARRAY}}) {
    Symbol *a = install("a", ARRAYVAR, 0);
    const long long before = korim::foundation::memoryBytesUsed();
    EXPECT_EQ(newAdr(a, c.length, c.type), 1) << c.length;
    EXPECT_TRUE(a->u.rPtr == nullptr && a->length == 0);
    EXPECT_EQ(freeAdr(a), 0);
    EXPECT_EQ(korim::foundation::memoryBytesUsed(), before);
  }
  Symbol *v = install("v", ARRAYVAR, 0);
  pushVal(5.4e8);
  pushSym(v);
  EXPECT_EXIT(fVecAlloc(), ::testing::ExitedWithCode(255), fatal("Re-allocating array: v"));
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

}  // namespace
}  // namespace korim_test
