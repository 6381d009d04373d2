// The interpreter's stack machine: stores, code emission, the execution loop, calls, returns and control flow.
#pragma once

#include "interp/m.h"

namespace korim::interp {

// Stores. codeAlloc allocates (tag "M") a program area of progSize entries,
// frameSize frames (at most frameSize - 1 nested calls), a value stack of
// stackSize entries (entry 0 reserved) and parseSize slots for saved units, on
// its first call only; later calls return 0 at once. Failures are fatal.
// The program base starts at the beginning of the program area.
int codeAlloc(int progSize, int frameSize, int stackSize, int parseSize);

// The program area and the front end's view of it.
Inst *progArea();
Inst *getProgBase();
void setProgBase(Inst *base);
Inst *getProgp();
Inst *getPc();
void setParseCount(int count);

// progp = progBase, empty stack, top-level frame, returning cleared.
int initcode();

// Stores one entry at progp and returns its address ("Program too big." when full).
Inst *code(Inst f);

// Runs from p until a stop entry or until a return sets the returning flag.
void execute(Inst *p);

// End of a function or procedure body: its code starts at progBase, the next
// unit starts at progp.
int define(Symbol *sp);

// Value stack ("Stack overflow.", "Stack underflow."). Pop never hands out
// the reserved entry 0.
void push(Datum d);
Datum pop();
// The same for numbers.
void pushVal(double v);
double popVal();
// The topmost entry, changed in place by incr, decr and negate.
Datum *top();

// Operands stored in program entries, and their readers. The readers take
// the entry at pc and advance pc past it.
Inst symInst(Symbol *sp);
Inst countInst(int n);
Inst bltinInst(Bltin f);
Inst addrInst(Inst *entry);
Symbol *operandSym();
int operandCount();
Bltin operandBltin();
// An address operand at a given entry (used by the control instructions).
Inst *entryAddr(Inst entry);

// Instructions of the machine itself.
int call();       // operands: symbol, argument count
int procret();    // return from a procedure ("FUNC returns no value." from a function)
int retM();       // return without the type test
int funcret();    // return the top value from a function
int arg();        // operand: argument number; pushes the argument
int argassign();  // operand: argument number; stores the top value into it
int whilecode();  // operands: body, next, condition code
int ifcode();     // operands: then part, else part or null, next, condition code
int forcode();    // operands: body, next, initial, condition and step code, each ending in a stop entry
int nop();
int shutDown();   // ends the process with status 0

// Address of the value of argument n (1-based) of the current call.
double *getarg(int n);

// Saved units: saveProg copies the entries from progBase up to progp into slot
// parseCount ("Compile overflow." past the last slot); restoreProg copies a saved
// unit back to the start of the program area (returns 1 for a slot out of range).
int saveProg();
int restoreProg(int parseLoc);

// Moves pc back to the previous stop entry, never before the program area.
int undo();

int setReturning(int ival);

// Releases the stores (accounting) and clears every part of the machine, so
// that the next codeAlloc allocates afresh. For tests.
void codeReset();

}  // namespace korim::interp
