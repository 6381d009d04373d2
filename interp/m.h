// Shared records and codes of the calculator interpreter: instructions, stack entries, frames, symbols.
#pragma once

namespace korim::interp {

// One program entry. An operation takes no arguments and returns 0; an
// instruction with operands reads them from the entries that follow it (see
// the operand helpers in code.h). A null entry (STOP) ends a sequence.
using Inst = int (*)();
constexpr Inst STOP = nullptr;

// A built-in function of one double.
using Bltin = double (*)(double);

struct Symbol;

// One value-stack entry: a number, or a symbol pushed by varpush.
union Datum {
    double val;
    Symbol *sym;
};

// One call record.
struct Frame {
    Symbol *sp;     // the function or procedure called
    Inst *retpc;    // entry at which the caller resumes
    Datum *argn;    // stack entry of the last argument
    int nargs;      // number of arguments
};

// Symbol types the run-time compares with (the front end may use more).
constexpr short VAR = 260;        // numeric variable
constexpr short ARRAYVAR = 261;   // array or string variable
constexpr short UNDEF = 262;      // variable not yet defined
constexpr short FUNCTION = 268;   // user function
constexpr short PROCEDURE = 269;  // user procedure

// Element types of the array a symbol owns (ptrType); 0 when it owns none.
constexpr short INTARRAY = 408;
constexpr short FLTARRAY = 409;
constexpr short CHRARRAY = 410;

// One name of a program. Records, names and arrays come from the tagged
// allocator under the tag "M"; the name is owned by the symbol.
struct Symbol {
    char *name;
    short type;     // one of the type codes above, or a front-end code
    short ptrType;  // element type of the owned array, 0 for none
    int length;     // elements in the owned array
    union {
        double val;    // numeric variable or constant
        int iVal;
        float *rPtr;   // FLTARRAY elements
        int *iPtr;     // INTARRAY elements
        Inst inst;
        Inst *defn;    // code of a user function or procedure
        Bltin ptr;     // built-in function
        char *str;     // CHRARRAY elements (a text, not always terminated)
    } u;
    Symbol *next;
};

}  // namespace korim::interp
