// Numeric instructions of the interpreter: pushes, arithmetic, comparison, logic, variables and array elements.
#include "interp/inst.h"

#include <climits>
#include <cmath>

#include "interp/code.h"
#include "interp/execerror.h"
#include "interp/m.h"
#include "interp/symbol.h"

namespace korim::interp {

namespace {

// The two operands of a binary instruction, right one popped first.
struct Operands {
    double l, r;
};

Operands popTwo() {
    double r = popVal();
    double l = popVal();
    return {l, r};
}

double truth(bool b) { return b ? 1.0 : 0.0; }

// Pops right and left, pushes f(left, right).
template <typename F>
int binary(F f) {
    Operands o = popTwo();
    pushVal(f(o.l, o.r));
    return 0;
}

// True when v truncates to an int without leaving the int range.
bool fitsInt(double v) { return v > -2147483649.0 && v < 2147483648.0; }

// A symbol that must be a numeric variable, defined unless undefOk.
Symbol *numericVar(Symbol *sp, const char *badType) {
    if (sp->type != VAR && sp->type != UNDEF) execerror(badType, sp->name);
    return sp;
}

Symbol *definedVar() {
    Symbol *sp = numericVar(pop().sym, "Attempt to reference non-variable:");
    if (sp->type == UNDEF) execerror("Undefined variable:", sp->name);
    return sp;
}

// Changes a variable by delta and pushes the new (pre) or old (post) value.
int stepVar(double delta, bool pushNew) {
    Symbol *sp = definedVar();
    double old = sp->u.val;
    sp->u.val = old + delta;
    pushVal(pushNew ? sp->u.val : old);
    return 0;
}

enum class Op { Set, Plus, Minus, Mul, Div };

double combine(Op op, double current, double value) {
    switch (op) {
    case Op::Set: return value;
    case Op::Plus: return current + value;
    case Op::Minus: return current - value;
    case Op::Mul: return current * value;
    case Op::Div:
        if (value == 0.0) execerror("Division by zero.", nullptr);
        return current / value;
    }
    return value;
}

int assignVar(Op op) {
    Symbol *sp = numericVar(pop().sym, "Assignment to non-variable:");
    double value = popVal();
    sp->u.val = combine(op, sp->u.val, value);
    sp->type = VAR;
    pushVal(value);
    return 0;
}

int vecAlloc(int elemType) {
    Symbol *sp = pop().sym;
    double length = popVal();
    if (sp->type != ARRAYVAR) execerror("Attempt to reference non-array:", sp->name);
    freeAdr(sp);
    if (!fitsInt(length) || newAdr(sp, static_cast<int>(length), elemType) != 0)
        execerror("Re-allocating array:", sp->name);
    return 0;
}

// One element of an array symbol, addressed by its own element type.
struct Element {
    Symbol *sp;
    int i;

    double get() const {
        if (sp->ptrType == FLTARRAY) return sp->u.rPtr[i];
        if (sp->ptrType == INTARRAY) return sp->u.iPtr[i];
        return sp->u.str[i];
    }

    void set(double v) const {
        if (sp->ptrType == FLTARRAY) {
            sp->u.rPtr[i] = static_cast<float>(v);
            return;
        }
        int iv = 0;
        if (v >= 2147483647.0)
            iv = INT_MAX;
        else if (v <= -2147483648.0)
            iv = INT_MIN;
        else if (v == v)
            iv = static_cast<int>(v);
        if (sp->ptrType == INTARRAY)
            sp->u.iPtr[i] = iv;
        else
            sp->u.str[i] = static_cast<char>(static_cast<unsigned char>(iv & 0xff));
    }
};

// The checked element for an array symbol and an index value.
Element element(Symbol *sp, double index, const char *badType) {
    if (sp->type != ARRAYVAR) execerror(badType, sp->name);
    if (!sp->u.str) execerror("Attempt to dereference null pointer:", sp->name);
    if (!(index > -1.0 && index < static_cast<double>(sp->length)))
        execerror("Array index out of bounds:", sp->name);
    return {sp, static_cast<int>(index)};
}

Element popElement() {
    Symbol *sp = pop().sym;
    double index = popVal();
    return element(sp, index, "Attempt to reference non-array:");
}

int stepElement(double delta, bool pushNew) {
    Element e = popElement();
    double old = e.get();
    e.set(old + delta);
    pushVal(pushNew ? e.get() : old);
    return 0;
}

int assignElement(Op op) {
    Symbol *sp = pop().sym;
    double value = popVal();
    double index = popVal();
    Element e = element(sp, index, "Array Assignment to non-variable:");
    e.set(combine(op, e.get(), value));
    pushVal(value);
    return 0;
}

}  // namespace

int constpush() {
    pushVal(operandSym()->u.val);
    return 0;
}

int varpush() {
    Datum d;
    d.sym = operandSym();
    push(d);
    return 0;
}

int varread() {
    Symbol *sp = numericVar(operandSym(), "Attempt to reference non-variable:");
    sp->type = VAR;
    pushVal(sp->u.val);
    return 0;
}

int eval() {
    pushVal(definedVar()->u.val);
    return 0;
}

int bltin() {
    Bltin f = operandBltin();
    pushVal(f(popVal()));
    return 0;
}

int pop2() {
    pop();
    return 0;
}

int add() { return binary([](double l, double r) { return l + r; }); }

int sub() { return binary([](double l, double r) { return l - r; }); }

int mul() { return binary([](double l, double r) { return l * r; }); }

int div2() {
    Operands o = popTwo();
    if (o.r == 0.0) execerror("Division by zero.", nullptr);
    pushVal(o.l / o.r);
    return 0;
}

int mod2() {
    Operands o = popTwo();
    if (!fitsInt(o.l) || !fitsInt(o.r)) execerror("Modulus operand out of range.", nullptr);
    int l = static_cast<int>(o.l);
    int r = static_cast<int>(o.r);
    if (r == 0) execerror("Modulus Division by zero.", nullptr);
    pushVal(r == -1 ? 0.0 : static_cast<double>(l % r));
    return 0;
}

int power() { return binary([](double l, double r) { return std::pow(l, r); }); }

int incr() {
    top()->val += 1.0;
    return 0;
}

int decr() {
    top()->val -= 1.0;
    return 0;
}

int negate() {
    top()->val = -top()->val;
    return 0;
}

int gt() { return binary([](double l, double r) { return truth(l > r); }); }

int lt() { return binary([](double l, double r) { return truth(l < r); }); }

int ge() { return binary([](double l, double r) { return truth(l >= r); }); }

int le() { return binary([](double l, double r) { return truth(l <= r); }); }

int eq() { return binary([](double l, double r) { return truth(l == r); }); }

int ne() { return binary([](double l, double r) { return truth(l != r); }); }

int andM() { return binary([](double l, double r) { return truth(l != 0.0 && r != 0.0); }); }

int orM() { return binary([](double l, double r) { return truth(l != 0.0 || r != 0.0); }); }

int notM() {
    pushVal(truth(popVal() == 0.0));
    return 0;
}

int nearTest() {
    double t = popVal();
    Operands o = popTwo();
    pushVal(truth(std::fabs(o.l - o.r) < std::fabs(t)));
    return 0;
}

int preIncr() { return stepVar(1.0, true); }
int preDecr() { return stepVar(-1.0, true); }
int postIncr() { return stepVar(1.0, false); }
int postDecr() { return stepVar(-1.0, false); }

int assign() { return assignVar(Op::Set); }
int plusEq() { return assignVar(Op::Plus); }
int minusEq() { return assignVar(Op::Minus); }
int mulEq() { return assignVar(Op::Mul); }
int divEq() { return assignVar(Op::Div); }

int fVecAlloc() { return vecAlloc(FLTARRAY); }
int iVecAlloc() { return vecAlloc(INTARRAY); }
int cVecAlloc() { return vecAlloc(CHRARRAY); }

int eval2() {
    pushVal(popElement().get());
    return 0;
}

int preIncr2() { return stepElement(1.0, true); }
int preDecr2() { return stepElement(-1.0, true); }
int postIncr2() { return stepElement(1.0, false); }
int postDecr2() { return stepElement(-1.0, false); }

int assign2() { return assignElement(Op::Set); }
int plusEq2() { return assignElement(Op::Plus); }
int minusEq2() { return assignElement(Op::Minus); }
int mulEq2() { return assignElement(Op::Mul); }
int divEq2() { return assignElement(Op::Div); }

}  // namespace korim::interp
