// Hand-assembled programs on the interpreter's machine: loops, calls, returns, saved units, fatal faults.
#include "tests/interp/interp_fixture.h"

namespace korim_test {
namespace {

using namespace korim::interp;

using Machine = InterpTest;

// s = 0; i = 0; while (i < 10) { s += i; i++ }; print s -- and the same with for (i = 0; i < 10; i++).
TEST_F(Machine, WhileAndForLoopsSumZeroToNine) {
  Symbol *s = install("s", UNDEF, 0), *i = install("i", UNDEF, 0);
  Inst *start = emit({constpush, C(0), varpush, S(s), assign, pop2,
                      constpush, C(0), varpush, S(i), assign, pop2});
  Inst *w = emit({whilecode, STOP, STOP, varpush, S(i), eval, constpush, C(10), lt, STOP});
  patchHere(&w[1]);
  emit({varpush, S(i), eval, varpush, S(s), plusEq, pop2, varpush, S(i), postIncr, pop2, STOP});
  patchHere(&w[2]);
  emit({varpush, S(s), eval, print, STOP});
  EXPECT_EQ(run(start), 45.0);
  initcode();
  result_->u.val = -1.0;
  start = emit({constpush, C(0), varpush, S(s), assign, pop2});
  Inst *f = emit({forcode, STOP, STOP, constpush, C(0), varpush, S(i), assign, STOP,
                  varpush, S(i), eval, constpush, C(10), lt, STOP, varpush, S(i), postIncr, STOP});
  patchHere(&f[1]);
  emit({varpush, S(i), eval, varpush, S(s), plusEq, pop2, STOP});
  patchHere(&f[2]);
  emit({varpush, S(s), eval, print, STOP});
  EXPECT_EQ(run(start), 45.0);
}

TEST_F(Machine, FunctionSquaresItsArgument) {
  Symbol *f = install("f", FUNCTION, 0);
  emit({arg, N(1), arg, N(1), mul, funcret, procret, STOP});
  define(f);
  initcode();
  Inst *start = emit({constpush, C(7), call, S(f), N(1), print, STOP});
  EXPECT_EQ(run(start), 49.0);
}

// g(x) { for (i = 0; i < 10; i++) if (i == 3) return i * x }; print g(5) + g(2)
// A return inside the loop leaves the loop's initial value behind with the call.
TEST_F(Machine, ReturnFromInsideForLoopKeepsTheValue) {
  Symbol *g = install("g", FUNCTION, 0), *i = install("i", UNDEF, 0);
  Inst *f = emit({forcode, STOP, STOP, constpush, C(0), varpush, S(i), assign, STOP,
                  varpush, S(i), eval, constpush, C(10), lt, STOP, varpush, S(i), postIncr, STOP});
  patchHere(&f[1]);
  Inst *c = emit({ifcode, STOP, STOP, STOP, varpush, S(i), eval, constpush, C(3), eq, STOP});
  patchHere(&c[1]);
  emit({varpush, S(i), eval, arg, N(1), mul, funcret, STOP});
  patchHere(&c[3]);
  emit({STOP});
  patchHere(&f[2]);
  emit({procret, STOP});
  define(g);
  initcode();
  Inst *start = emit({constpush, C(5), call, S(g), N(1), constpush, C(2), call, S(g), N(1),
                      add, print, STOP});
  EXPECT_EQ(run(start), 21.0);
  EXPECT_EXIT(pop(), ::testing::ExitedWithCode(255), fatal("Stack underflow\\."));
}

TEST_F(Machine, SavedUnitIsRestored) {
  setParseCount(1);
  Inst *start = emit({constpush, C(6), constpush, C(7), mul, print, STOP});
  saveProg();
  initcode();
  emit({constpush, C(1), print, STOP, STOP, STOP, STOP});
  ASSERT_EQ(restoreProg(1), 0);
  EXPECT_EQ(run(start), 42.0);
  EXPECT_EQ(restoreProg(4), 1);
}

TEST_F(Machine, FatalFaults) {
  Symbol *f = install("f", FUNCTION, 0);
  emit({procret, STOP});
  define(f);
  initcode();
  Inst *callF = emit({call, S(f), N(0), STOP});
  EXPECT_EXIT(execute(callF), ::testing::ExitedWithCode(255), fatal("f FUNC returns no value\\."));
  Inst *badArg = emit({arg, N(0), STOP});
  EXPECT_EXIT(execute(badArg), ::testing::ExitedWithCode(255), fatal("Bad argument number\\."));
  // The first pop after initcode never hands out the reserved entry.
  EXPECT_EXIT(pop(), ::testing::ExitedWithCode(255), fatal("Stack underflow\\."));
}

TEST_F(Machine, OneFrameAllowsNoCall) {
  codeReset();
  codeAlloc(100, 1, 10, 1);
  setProgBase(progArea());
  initcode();
  Symbol *p = install("p", PROCEDURE, 0);
  emit({procret, STOP});
  define(p);
  initcode();
  Inst *start = emit({call, S(p), N(0), STOP});
  EXPECT_EXIT(execute(start), ::testing::ExitedWithCode(255), fatal("Call nested too deeply: p"));
}

}  // namespace
}  // namespace korim_test
