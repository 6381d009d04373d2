// Numeric instructions of the interpreter: pushes, arithmetic, comparison, logic, variables and array elements.
#pragma once

namespace korim::interp {

// Operands follow the instruction in the program (see code.h). Two-operand
// instructions pop the right operand (top) first, then the left one; truth
// values are 1.0 and 0.0. Every fault is fatal through execerror.

// Pushing values.
int constpush();  // operand symbol: pushes its value
int varpush();    // operand symbol: pushes the symbol
int varread();    // operand symbol: pushes its value (numeric variables only)
int eval();       // pops a symbol, pushes its value
int bltin();      // operand built-in: replaces the top x by f(x)
int pop2();       // discards the top entry

// Arithmetic.
int add();
int sub();
int mul();
int div2();    // "Division by zero."
int mod2();    // int(l) mod int(r); "Modulus Division by zero."
int power();
int incr();    // top + 1 in place
int decr();    // top - 1 in place
int negate();  // sign of the top flipped in place

// Comparison and logic.
int gt();
int lt();
int ge();
int le();
int eq();
int ne();
int andM();
int orM();
int notM();
int nearTest();  // pops t, b, a: 1 when |a - b| < |t|

// Variables (pop a symbol): push the new value (pre) or the old one (post).
int preIncr();
int preDecr();
int postIncr();
int postDecr();

// Assignments (pop the symbol, then the value); push the value operand.
int assign();
int plusEq();
int minusEq();
int mulEq();
int divEq();

// Array allocation (pop the symbol, then the length): a fresh zero-filled
// array of float, int or character elements.
int fVecAlloc();
int iVecAlloc();
int cVecAlloc();

// Array elements (pop the symbol, then the index; int(index) must lie in
// 0 .. length - 1). Elements are read and written as the array's own element
// type: floats, ints (stored values truncated, kept within the int range)
// or characters (stored values truncated, taken modulo 256).
int eval2();
int preIncr2();
int preDecr2();
int postIncr2();
int postDecr2();

// Element assignments (pop the symbol, then the value, then the index);
// push the value operand.
int assign2();
int plusEq2();
int minusEq2();
int mulEq2();
int divEq2();

}  // namespace korim::interp
