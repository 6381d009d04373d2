// The interpreter's stack machine: stores, code emission, the execution loop, calls, returns and control flow.
#include "interp/code.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "interp/execerror.h"

namespace korim::interp {

namespace {

// The machine. The stack and the frames are addressed by index so that an
// unallocated machine never forms a pointer outside a block.
struct MachineState {
    Inst *prog = nullptr;      // program area: maxProgSize entries and a final stop entry
    Inst *progp = nullptr;     // next free entry
    Inst *progBase = nullptr;  // start of the current unit
    Inst *pc = nullptr;        // entry being executed
    int returning = 0;
    Datum *stack = nullptr;
    int stackp = 1;            // next free stack entry; entry 0 is reserved
    Frame *frame = nullptr;
    int fp = 0;                // current frame; 0 is the top level
    Inst **progList = nullptr;
    int *progSizeList = nullptr;
    int parseCount = 0;
    int maxProgSize = 0;
    int maxFrameSize = 0;
    int maxStackSize = 0;
    int maxParseSize = 0;
    bool allocated = false;
};

MachineState m;

constexpr int kInstBytes = static_cast<int>(sizeof(Inst));

// Bytes of n elements of the given size, or -1 (refused by the allocator) when too many.
int blockBytes(int n, int size) {
    const long long bytes = foundation::checkedCount({n, size});
    return n < 1 ? -1 : static_cast<int>(bytes);
}

// Messages about the current call name its symbol first.
[[noreturn]] void frameError(const char *message) {
    const Symbol *sp = m.frame ? m.frame[m.fp].sp : nullptr;
    if (sp)
        execerror(sp->name, message);
    execerror(message, nullptr);
}

// Leaves the current call: the arguments and anything the body left above
// them are dropped, the caller's pc and frame come back, returning is set.
void leaveFrame() {
    const Frame &f = m.frame[m.fp];
    m.stackp = static_cast<int>(f.argn - m.stack) - f.nargs + 1;
    m.pc = f.retpc;
    --m.fp;
    m.returning = 1;
}

// The frame a return leaves; a return at the top level has none.
const Frame &returnFrame() {
    if (!m.frame || m.fp < 1)
        execerror("Return outside a function or procedure.", nullptr);
    return m.frame[m.fp];
}

}  // namespace

int codeAlloc(int progSize, int frameSize, int stackSize, int parseSize) {
    using foundation::voidMalloc;
    if (m.allocated) return 0;
    int progBytes = progSize < 1 ? -1 : blockBytes(progSize + 1, kInstBytes);
    m.prog = static_cast<Inst *>(voidMalloc("M", progBytes));
    if (!m.prog) execerror("Code allocation error.", nullptr);
    std::memset(m.prog, 0, static_cast<size_t>(progBytes));
    m.frame = static_cast<Frame *>(voidMalloc("M", blockBytes(frameSize, sizeof(Frame))));
    if (!m.frame) execerror("Frame allocation error.", nullptr);
    std::memset(m.frame, 0, sizeof(Frame) * static_cast<size_t>(frameSize));
    m.stack = static_cast<Datum *>(voidMalloc("M", blockBytes(stackSize, sizeof(Datum))));
    if (!m.stack) execerror("Stack allocation error.", nullptr);
    m.progList = static_cast<Inst **>(voidMalloc("M", blockBytes(parseSize, sizeof(Inst *))));
    m.progSizeList = static_cast<int *>(voidMalloc("M", blockBytes(parseSize, sizeof(int))));
    if (!m.progList || !m.progSizeList) execerror("Code allocation error.", nullptr);
    for (int i = 0; i < parseSize; ++i) {
        m.progList[i] = nullptr;
        m.progSizeList[i] = 0;
    }
    m.maxProgSize = progSize;
    m.maxFrameSize = frameSize;
    m.maxStackSize = stackSize;
    m.maxParseSize = parseSize;
    m.progp = m.progBase = m.pc = m.prog;
    m.stackp = 1;
    m.fp = 0;
    m.allocated = true;
    return 0;
}

Inst *progArea() { return m.prog; }
Inst *getProgBase() { return m.progBase; }
void setProgBase(Inst *base) { m.progBase = base; }
Inst *getProgp() { return m.progp; }
Inst *getPc() { return m.pc; }
void setParseCount(int count) { m.parseCount = count; }

int initcode() {
    m.progp = m.progBase;
    m.stackp = 1;
    m.fp = 0;
    m.returning = 0;
    return 0;
}

Inst *code(Inst f) {
    if (!m.prog || m.progp < m.prog || m.progp - m.prog >= m.maxProgSize)
        execerror("Program too big.", nullptr);
    Inst *oprogp = m.progp;
    *m.progp++ = f;
    return oprogp;
}

void execute(Inst *p) {
    for (m.pc = p; *m.pc != STOP && !m.returning;) {
        Inst op = *m.pc++;
        op();
    }
}

int define(Symbol *sp) {
    sp->u.defn = m.progBase;
    m.progBase = m.progp;
    return 0;
}

void push(Datum d) {
    if (m.stackp >= m.maxStackSize) execerror("Stack overflow.", nullptr);
    m.stack[m.stackp++] = d;
}

Datum pop() {
    if (m.stackp <= 1) execerror("Stack underflow.", nullptr);
    return m.stack[--m.stackp];
}

void pushVal(double v) {
    Datum d;
    d.val = v;
    push(d);
}

double popVal() { return pop().val; }

Datum *top() {
    if (m.stackp <= 1) execerror("Stack underflow.", nullptr);
    return &m.stack[m.stackp - 1];
}

Inst symInst(Symbol *sp) { return reinterpret_cast<Inst>(sp); }
Inst countInst(int n) { return reinterpret_cast<Inst>(static_cast<intptr_t>(n)); }
// Function pointers of other types pass through the generic void (*)().
using AnyFn = void (*)();
Inst bltinInst(Bltin f) { return reinterpret_cast<Inst>(reinterpret_cast<AnyFn>(f)); }
Inst addrInst(Inst *entry) { return reinterpret_cast<Inst>(entry); }
Symbol *operandSym() { return reinterpret_cast<Symbol *>(*m.pc++); }
int operandCount() { return static_cast<int>(reinterpret_cast<intptr_t>(*m.pc++)); }
Bltin operandBltin() { return reinterpret_cast<Bltin>(reinterpret_cast<AnyFn>(*m.pc++)); }
Inst *entryAddr(Inst entry) { return reinterpret_cast<Inst *>(entry); }

int call() {
    Symbol *sp = operandSym();
    int nargs = operandCount();
    if (m.fp >= m.maxFrameSize - 1) execerror("Call nested too deeply:", sp->name);
    if (nargs < 0 || nargs > m.stackp - 1) execerror("Stack underflow.", nullptr);
    if (!sp->u.defn) execerror("Undefined function:", sp->name);
    Frame &f = m.frame[++m.fp];
    f.sp = sp;
    f.nargs = nargs;
    f.retpc = m.pc;
    f.argn = &m.stack[m.stackp - 1];
    execute(sp->u.defn);
    // A body that ends without a return leaves as a plain return would.
    if (!m.returning) leaveFrame();
    m.returning = 0;
    return 0;
}

int procret() {
    const Frame &f = returnFrame();
    if (f.sp->type == FUNCTION) execerror(f.sp->name, "FUNC returns no value.");
    leaveFrame();
    return 0;
}

int retM() {
    returnFrame();
    leaveFrame();
    return 0;
}

int funcret() {
    const Frame &f = returnFrame();
    if (f.sp->type == PROCEDURE) execerror(f.sp->name, "PROC should not return a value.");
    Datum d = pop();
    leaveFrame();
    push(d);
    return 0;
}

double *getarg(int n) {
    if (!m.frame) frameError("Not enough arguments.");
    Frame &f = m.frame[m.fp];
    if (n < 1) frameError("Bad argument number.");
    if (n > f.nargs) frameError("Not enough arguments.");
    return &f.argn[n - f.nargs].val;
}

int arg() {
    pushVal(*getarg(operandCount()));
    return 0;
}

int argassign() {
    int n = operandCount();
    *getarg(n) = top()->val;
    return 0;
}

int whilecode() {
    Inst *savepc = m.pc;
    Inst *body = entryAddr(savepc[0]);
    Inst *next = entryAddr(savepc[1]);
    execute(savepc + 2);
    double cond = pop().val;
    while (cond != 0.0) {
        execute(body);
        if (m.returning) break;
        execute(savepc + 2);
        cond = pop().val;
    }
    if (!m.returning) m.pc = next;
    return 0;
}

int ifcode() {
    Inst *savepc = m.pc;
    Inst *thenPart = entryAddr(savepc[0]);
    Inst *elsePart = entryAddr(savepc[1]);
    Inst *next = entryAddr(savepc[2]);
    execute(savepc + 3);
    if (pop().val != 0.0)
        execute(thenPart);
    else if (elsePart)
        execute(elsePart);
    if (!m.returning) m.pc = next;
    return 0;
}

int forcode() {
    Inst *savepc = m.pc;
    Inst *body = entryAddr(savepc[0]);
    Inst *next = entryAddr(savepc[1]);
    execute(savepc + 2);  // the initial value stays on the stack during the loop
    Inst *cond = m.pc + 1;
    execute(cond);
    Inst *step = m.pc + 1;
    double go = pop().val;
    while (go != 0.0) {
        execute(body);
        if (m.returning) break;
        execute(step);
        pop();
        execute(cond);
        go = pop().val;
    }
    // A return has already dropped the initial value with the call's stack.
    if (!m.returning) {
        pop();
        m.pc = next;
    }
    return 0;
}

int nop() { return 0; }

int shutDown() { std::exit(0); }

int saveProg() {
    if (m.parseCount < 0 || m.parseCount > m.maxParseSize - 1)
        execerror("Compile overflow.", nullptr);
    Inst *&slot = m.progList[m.parseCount];
    if (!slot) {
        slot = static_cast<Inst *>(
            foundation::voidMalloc("M", blockBytes(m.maxProgSize, kInstBytes)));
        if (!slot) execerror("Code allocation error.", nullptr);
    }
    long long count = m.progp - m.progBase;
    if (count < 0) count = 0;
    m.progSizeList[m.parseCount] = static_cast<int>(count);
    std::memcpy(slot, m.progBase, static_cast<size_t>(count) * sizeof(Inst));
    return 0;
}

int restoreProg(int parseLoc) {
    if (parseLoc < 0 || parseLoc >= m.maxParseSize) return 1;
    int count = m.progSizeList[parseLoc];
    if (m.progList[parseLoc])
        std::memcpy(m.prog, m.progList[parseLoc], static_cast<size_t>(count) * sizeof(Inst));
    else
        for (int i = 0; i < count; ++i) m.prog[i] = STOP;
    return 0;
}

int undo() {
    if (!m.prog || !m.pc) return 0;
    while (m.pc > m.prog) {
        --m.pc;
        if (*m.pc == STOP) break;
    }
    return 0;
}

int setReturning(int ival) {
    m.returning = ival;
    return ival;
}

void codeReset() {
    using foundation::unAlloc;
    if (m.allocated) {
        for (int i = 0; i < m.maxParseSize; ++i)
            unAlloc("M", m.progList[i], blockBytes(m.maxProgSize, kInstBytes));
        unAlloc("M", m.prog, blockBytes(m.maxProgSize + 1, kInstBytes));
        unAlloc("M", m.frame, blockBytes(m.maxFrameSize, sizeof(Frame)));
        unAlloc("M", m.stack, blockBytes(m.maxStackSize, sizeof(Datum)));
        unAlloc("M", m.progList, blockBytes(m.maxParseSize, sizeof(Inst *)));
        unAlloc("M", m.progSizeList, blockBytes(m.maxParseSize, sizeof(int)));
    }
    m = MachineState{};
}

}  // namespace korim::interp
