// Test support for the interpreter: a fresh machine per test and a small assembler of instruction arrays.
#pragma once

#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "foundation/memory.h"
#include "interp/code.h"
#include "interp/inst.h"
#include "interp/print.h"
#include "interp/recomp.h"
#include "interp/symbol.h"

namespace korim_test {

namespace ki = korim::interp;

// The fatal routine's banner, as a death-test pattern to put before a message.
inline std::string fatal(const std::string &message) {
  return "\\*+ FATAL ERROR \\*+\n" + message + "\n";
}

class InterpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ki::codeReset();
    ki::symbolReset();
    ki::printReset();
    ki::recompReset();
    korim::foundation::memoryReset();
    ki::codeAlloc(2000, 8, 100, 4);
    ki::setProgBase(ki::progArea());
    ki::initcode();
    result_ = ki::install("_result", ki::VAR, -1.0);
  }

  // Emits the entries and returns the address of the first.
  ki::Inst *emit(std::initializer_list<ki::Inst> entries) {
    ki::Inst *first = ki::getProgp();
    for (ki::Inst e : entries) ki::code(e);
    return first;
  }
  // Operands: a symbol, a count, a constant (a fresh constant symbol).
  static ki::Inst S(ki::Symbol *sp) { return ki::symInst(sp); }
  static ki::Inst N(int n) { return ki::countInst(n); }
  static ki::Inst C(double v) { return ki::symInst(ki::install("", 0, v)); }
  // Points the operand slot at the next entry to be emitted.
  static void patchHere(ki::Inst *slot) { *slot = ki::addrInst(ki::getProgp()); }

  // Runs a program that ends by printing, and returns "_result".
  double run(ki::Inst *start) {
    ki::execute(start);
    return result_->u.val;
  }

  static void pushSym(ki::Symbol *sp) {
    ki::Datum d;
    d.sym = sp;
    ki::push(d);
  }
  // Element i of the array read, and v stored into it, by the machine's instructions.
  static double element(ki::Symbol *a, double i) {
    ki::pushVal(i);
    pushSym(a);
    ki::eval2();
    return ki::popVal();
  }
  static double store(ki::Symbol *a, double i, double v) {
    ki::pushVal(i);
    ki::pushVal(v);
    pushSym(a);
    ki::assign2();
    return ki::popVal();
  }

  ki::Symbol *result_ = nullptr;
};

}  // namespace korim_test
