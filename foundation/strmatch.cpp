// Name matching: exact text, our own backtracking regular expressions, and shell-style globs.
//
// The regular expressions compile into a byte program of nodes: opcode, 16-bit
// offset (high byte first) to the next node, then an operand. Compilation runs
// twice: the first pass only measures, the second writes into one block.
#include "foundation/strmatch.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <strings.h>

#include "foundation/raise.h"

namespace korim::foundation {

namespace {

// Opcodes of the node program.
enum : unsigned char {
    END = 0,      // end of program
    BOL = 1,      // "^"
    EOL = 2,      // "$"
    ANY = 3,      // "."
    ANYOF = 4,    // class, operand: zero-terminated set
    ANYBUT = 5,   // negated class
    BRANCH = 6,   // one alternative; operand: the alternative's first node
    BACK = 7,     // loop back (offset points backwards)
    EXACTLY = 8,  // literal text, operand: zero-terminated text
    NOTHING = 9,  // empty
    STAR = 10,    // zero or more of a one-character operand
    PLUS = 11,    // one or more of a one-character operand
    OPEN = 20,    // OPEN + n starts group n (1..19)
    CLOSE = 40    // CLOSE + n ends group n
};

constexpr unsigned char MAGIC = 0234;   // first byte of a valid program
constexpr long MAX_PROGRAM = 32766;     // offsets are 16 bits
constexpr const char* META = "^$.[()|?+*\\";

// Flags passed up the parser.
constexpr int WORST = 0;     // may match empty, not simple
constexpr int HASWIDTH = 1;  // never matches the empty text
constexpr int SIMPLE = 2;    // one character wide: usable by STAR/PLUS
constexpr int SPSTART = 4;   // starts with * or +

struct ModuleState {
    const char* errMsg = nullptr;
};
ModuleState gState;

inline bool isMult(char c) { return c == '*' || c == '+' || c == '?'; }
inline unsigned char op(const unsigned char* p) { return p[0]; }
inline unsigned char* operand(unsigned char* p) { return p + 3; }
inline const char* operandText(const unsigned char* p) { return reinterpret_cast<const char*>(p + 3); }

// Compiler state for one compilation.
struct Compiler {
    const char* parse = nullptr;   // parse position
    int npar = 1;                  // next group number
    unsigned char* code = nullptr; // write position; &dummy while measuring
    long size = 0;                 // bytes counted so far
    unsigned char dummy = 0;

    bool measuring() const { return code == &dummy; }

    unsigned char* next(unsigned char* p) {
        if (p == &dummy) return nullptr;
        int offset = (p[1] << 8) | p[2];
        if (offset == 0) return nullptr;
        return op(p) == BACK ? p - offset : p + offset;
    }

    unsigned char* node(unsigned char o) {
        unsigned char* ret = code;
        if (measuring()) {
            size += 3;
            return ret;
        }
        *code++ = o;
        *code++ = 0;
        *code++ = 0;
        return ret;
    }

    void emit(unsigned char b) {
        if (measuring())
            size++;
        else
            *code++ = b;
    }

    // Insert a node before opnd, moving the operand up by three bytes.
    void insert(unsigned char o, unsigned char* opnd) {
        if (measuring()) {
            size += 3;
            return;
        }
        std::memmove(opnd + 3, opnd, static_cast<size_t>(code - opnd));
        code += 3;
        opnd[0] = o;
        opnd[1] = 0;
        opnd[2] = 0;
    }

    // Point the last node of the chain starting at p to val.
    void tail(unsigned char* p, unsigned char* val) {
        if (p == &dummy) return;
        unsigned char* scan = p;
        for (unsigned char* t = next(scan); t != nullptr; t = next(scan)) scan = t;
        long offset = (op(scan) == BACK) ? scan - val : val - scan;
        scan[1] = static_cast<unsigned char>((offset >> 8) & 0377);
        scan[2] = static_cast<unsigned char>(offset & 0377);
    }

    // tail() on the operand of a BRANCH node; nothing for other nodes.
    void opTail(unsigned char* p, unsigned char* val) {
        if (p == nullptr || p == &dummy || op(p) != BRANCH) return;
        tail(operand(p), val);
    }

    unsigned char* fail(const char* msg) {
        strRegError(msg);
        return nullptr;
    }

    unsigned char* reg(bool paren, int* flagp);
    unsigned char* branch(int* flagp);
    unsigned char* piece(int* flagp);
    unsigned char* atom(int* flagp);
};

// A list of alternatives; with paren, a group including its parentheses.
unsigned char* Compiler::reg(bool paren, int* flagp) {
    *flagp = HASWIDTH;
    unsigned char* ret = nullptr;
    int parno = 0;
    if (paren) {
        if (npar >= NSUBEXP) return fail("too many ()");
        parno = npar++;
        ret = node(static_cast<unsigned char>(OPEN + parno));
    }
    int flags = 0;
    unsigned char* br = branch(&flags);
    if (br == nullptr) return nullptr;
    if (ret != nullptr)
        tail(ret, br);
    else
        ret = br;
    if (!(flags & HASWIDTH)) *flagp &= ~HASWIDTH;
    *flagp |= flags & SPSTART;
    while (*parse == '|') {
        parse++;
        br = branch(&flags);
        if (br == nullptr) return nullptr;
        tail(ret, br);
        if (!(flags & HASWIDTH)) *flagp &= ~HASWIDTH;
        *flagp |= flags & SPSTART;
    }
    unsigned char* ender = node(static_cast<unsigned char>(paren ? CLOSE + parno : END));
    tail(ret, ender);
    for (unsigned char* b = ret; b != nullptr; b = next(b)) opTail(b, ender);
    if (paren) {
        if (*parse++ != ')') return fail("unmatched ()");
    } else if (*parse != '\0') {
        if (*parse == ')') return fail("unmatched ()");
        return fail("junk on end");
    }
    return ret;
}

// One alternative: a sequence of pieces.
unsigned char* Compiler::branch(int* flagp) {
    *flagp = WORST;
    unsigned char* ret = node(BRANCH);
    unsigned char* chain = nullptr;
    while (*parse != '\0' && *parse != '|' && *parse != ')') {
        int flags = 0;
        unsigned char* latest = piece(&flags);
        if (latest == nullptr) return nullptr;
        *flagp |= flags & HASWIDTH;
        if (chain == nullptr)
            *flagp |= flags & SPSTART;
        else
            tail(chain, latest);
        chain = latest;
    }
    if (chain == nullptr) node(NOTHING);
    return ret;
}

// An atom with its optional repetition operator. Repetitions of a one-character
// atom become STAR/PLUS; larger operands become BRANCH/BACK loops.
unsigned char* Compiler::piece(int* flagp) {
    int flags = 0;
    unsigned char* ret = atom(&flags);
    if (ret == nullptr) return nullptr;
    char o = *parse;
    if (!isMult(o)) {
        *flagp = flags;
        return ret;
    }
    if (!(flags & HASWIDTH) && o != '?') return fail("*+ operand could be empty");
    *flagp = (o != '+') ? (WORST | SPSTART) : (WORST | HASWIDTH);

    if (o == '*' && (flags & SIMPLE)) {
        insert(STAR, ret);
    } else if (o == '*') {
        // x* as (x&|): try one more x, looping back, else nothing.
        insert(BRANCH, ret);
        opTail(ret, node(BACK));
        opTail(ret, ret);
        tail(ret, node(BRANCH));
        tail(ret, node(NOTHING));
    } else if (o == '+' && (flags & SIMPLE)) {
        insert(PLUS, ret);
    } else if (o == '+') {
        // x+ as x(&|): x, then loop back or stop.
        unsigned char* nx = node(BRANCH);
        tail(ret, nx);
        tail(node(BACK), ret);
        tail(nx, node(BRANCH));
        tail(ret, node(NOTHING));
    } else if (o == '?') {
        // x? as (x|).
        insert(BRANCH, ret);
        tail(ret, node(BRANCH));
        unsigned char* nx = node(NOTHING);
        tail(ret, nx);
        opTail(ret, nx);
    }
    parse++;
    if (isMult(*parse)) return fail("nested *?+");
    return ret;
}

unsigned char* Compiler::atom(int* flagp) {
    *flagp = WORST;
    unsigned char* ret = nullptr;
    char c = *parse++;
    switch (c) {
    case '^':
        ret = node(BOL);
        break;
    case '$':
        ret = node(EOL);
        break;
    case '.':
        ret = node(ANY);
        *flagp |= HASWIDTH | SIMPLE;
        break;
    case '[': {
        if (*parse == '^') {
            ret = node(ANYBUT);
            parse++;
        } else {
            ret = node(ANYOF);
        }
        if (*parse == ']' || *parse == '-') emit(static_cast<unsigned char>(*parse++));
        while (*parse != '\0' && *parse != ']') {
            if (*parse == '-') {
                parse++;
                if (*parse == ']' || *parse == '\0') {
                    emit('-');
                } else {
                    // The start of the range was emitted already.
                    int from = static_cast<unsigned char>(parse[-2]) + 1;
                    int to = static_cast<unsigned char>(parse[0]);
                    if (from > to + 1) return fail("invalid [] range");
                    for (; from <= to; from++) emit(static_cast<unsigned char>(from));
                    parse++;
                }
            } else {
                emit(static_cast<unsigned char>(*parse++));
            }
        }
        emit(0);
        if (*parse != ']') return fail("unmatched []");
        parse++;
        *flagp |= HASWIDTH | SIMPLE;
        break;
    }
    case '(': {
        int flags = 0;
        ret = reg(true, &flags);
        if (ret == nullptr) return nullptr;
        *flagp |= flags & (HASWIDTH | SPSTART);
        break;
    }
    case '\0':
    case '|':
    case ')':
        return fail("internal urp");  // the callers stop before these
    case '?':
    case '+':
    case '*':
        return fail("?+* follows nothing");
    case '\\':
        if (*parse == '\0') return fail("trailing \\");
        ret = node(EXACTLY);
        emit(static_cast<unsigned char>(*parse++));
        emit(0);
        *flagp |= HASWIDTH | SIMPLE;
        break;
    default: {
        parse--;
        size_t len = std::strcspn(parse, META);
        if (len == 0) return fail("internal disaster");
        char ender = parse[len];
        if (len > 1 && isMult(ender)) len--;  // the operator takes the last character
        *flagp |= HASWIDTH;
        if (len == 1) *flagp |= SIMPLE;
        ret = node(EXACTLY);
        for (; len > 0; len--) emit(static_cast<unsigned char>(*parse++));
        emit(0);
        break;
    }
    }
    return ret;
}

// Matcher state for one search.
struct Matcher {
    const char* input = nullptr;  // current position
    const char* bol = nullptr;    // beginning of text for "^"
    const char** startp = nullptr;
    const char** endp = nullptr;

    static const unsigned char* next(const unsigned char* p) {
        int offset = (p[1] << 8) | p[2];
        if (offset == 0) return nullptr;
        return op(p) == BACK ? p - offset : p + offset;
    }

    // Length of the run of characters at input that match the one-character node p.
    size_t repeat(const unsigned char* p) {
        const char* scan = input;
        const char* opnd = operandText(p);
        size_t count = 0;
        switch (op(p)) {
        case ANY:
            count = std::strlen(scan);
            scan += count;
            break;
        case EXACTLY:
            while (*opnd == *scan) {
                count++;
                scan++;
            }
            break;
        case ANYOF:
            while (*scan != '\0' && std::strchr(opnd, *scan) != nullptr) {
                count++;
                scan++;
            }
            break;
        case ANYBUT:
            while (*scan != '\0' && std::strchr(opnd, *scan) == nullptr) {
                count++;
                scan++;
            }
            break;
        default:
            strRegError("internal foulup");
            count = 0;
            break;
        }
        input = scan;
        return count;
    }

    int match(const unsigned char* prog);

    int tryAt(const unsigned char* program, const char* at) {
        input = at;
        for (int i = 0; i < NSUBEXP; i++) {
            startp[i] = nullptr;
            endp[i] = nullptr;
        }
        if (match(program + 1)) {
            startp[0] = at;
            endp[0] = input;
            return 1;
        }
        return 0;
    }
};

int Matcher::match(const unsigned char* prog) {
    const unsigned char* scan = prog;
    while (scan != nullptr) {
        const unsigned char* nx = next(scan);
        unsigned char o = op(scan);
        switch (o) {
        case BOL:
            if (input != bol) return 0;
            break;
        case EOL:
            if (*input != '\0') return 0;
            break;
        case ANY:
            if (*input == '\0') return 0;
            input++;
            break;
        case EXACTLY: {
            const char* opnd = operandText(scan);
            if (*opnd != *input) return 0;
            size_t len = std::strlen(opnd);
            if (len > 1 && std::strncmp(opnd, input, len) != 0) return 0;
            input += len;
            break;
        }
        case ANYOF:
            if (*input == '\0' || std::strchr(operandText(scan), *input) == nullptr) return 0;
            input++;
            break;
        case ANYBUT:
            if (*input == '\0' || std::strchr(operandText(scan), *input) != nullptr) return 0;
            input++;
            break;
        case NOTHING:
        case BACK:
            break;
        case BRANCH: {
            if (nx == nullptr || op(nx) != BRANCH) {
                nx = scan + 3;  // a lone branch: go straight into it
            } else {
                do {
                    const char* save = input;
                    if (match(scan + 3)) return 1;
                    input = save;
                    scan = next(scan);
                } while (scan != nullptr && op(scan) == BRANCH);
                return 0;
            }
            break;
        }
        case STAR:
        case PLUS: {
            // Longest run first, then back off; when the rest starts with a
            // literal, only try where that literal's first character follows.
            char nextch = (nx != nullptr && op(nx) == EXACTLY) ? *operandText(nx) : '\0';
            size_t min = (o == STAR) ? 0 : 1;
            const char* save = input;
            size_t no = repeat(scan + 3);
            while (no >= min) {
                if (nextch == '\0' || *input == nextch) {
                    if (match(nx)) return 1;
                }
                if (no == 0) break;
                no--;
                input = save + no;
            }
            return 0;
        }
        case END:
            return 1;
        default:
            if ((o > OPEN && o < OPEN + NSUBEXP) || (o > CLOSE && o < CLOSE + NSUBEXP)) {
                // Group bounds: only the first successful path records them.
                const char** bound = (o < CLOSE) ? &startp[o - OPEN] : &endp[o - CLOSE];
                const char* save = input;
                if (!match(nx)) return 0;
                if (*bound == nullptr) *bound = save;
                return 1;
            }
            strRegError("memory corruption");
            return 0;
        }
        scan = nx;
    }
    // Every path ends in END; falling off the chain means a broken program.
    strRegError("corrupted pointers");
    return 0;
}

}  // namespace

void strRegError(const char* string) { gState.errMsg = string; }

const char* strGetRegError() { return gState.errMsg; }

Regexp* strRegComp(const char* exp) {
    if (exp == nullptr) {
        strRegError("NULL argument");
        return nullptr;
    }
    int flags = 0;

    // First pass: measure.
    Compiler c;
    c.parse = exp;
    c.npar = 1;
    c.size = 0;
    c.code = &c.dummy;
    c.emit(MAGIC);
    if (c.reg(false, &flags) == nullptr) return nullptr;
    if (c.size > MAX_PROGRAM) {
        strRegError("Regexp too big");
        return nullptr;
    }

    void* block = std::malloc(sizeof(Regexp) + static_cast<size_t>(c.size));
    if (block == nullptr) {
        strRegError("out of space");
        return nullptr;
    }
    Regexp* r = static_cast<Regexp*>(block);
    r->program = static_cast<unsigned char*>(block) + sizeof(Regexp);

    // Second pass: write.
    c.parse = exp;
    c.npar = 1;
    c.code = r->program;
    c.emit(MAGIC);
    if (c.reg(false, &flags) == nullptr) {
        std::free(block);
        return nullptr;
    }

    for (int i = 0; i < NSUBEXP; i++) {
        r->startp[i] = nullptr;
        r->endp[i] = nullptr;
    }
    r->regstart = '\0';
    r->reganch = 0;
    r->regmust = nullptr;
    r->regmlen = 0;

    unsigned char* scan = r->program + 1;  // first BRANCH
    if (op(c.next(scan)) == END) {         // a single top-level alternative
        scan = operand(scan);
        if (op(scan) == EXACTLY)
            r->regstart = *operandText(scan);
        else if (op(scan) == BOL)
            r->reganch = 1;

        // When the alternative can begin with a repetition, the search cannot
        // skip by its first character; the longest literal filters instead.
        if (flags & SPSTART) {
            const char* longest = nullptr;
            size_t len = 0;
            for (; scan != nullptr; scan = c.next(scan)) {
                if (op(scan) == EXACTLY && std::strlen(operandText(scan)) >= len) {
                    longest = operandText(scan);
                    len = std::strlen(longest);
                }
            }
            r->regmust = longest;
            r->regmlen = static_cast<int>(len);
        }
    }
    return r;
}

int strRegExec2(Regexp* prog, const char* string, const char* start) {
    if (prog == nullptr || string == nullptr) {
        strRegError("NULL parameter");
        return 0;
    }
    if (prog->program == nullptr || prog->program[0] != MAGIC) {
        strRegError("corrupted program");
        return 0;
    }
    if (prog->regmust != nullptr && std::strstr(string, prog->regmust) == nullptr) return 0;

    Matcher m;
    m.bol = (start != nullptr) ? start : string;
    m.startp = prog->startp;
    m.endp = prog->endp;

    if (prog->reganch) return m.tryAt(prog->program, string);

    const char* s = string;
    if (prog->regstart != '\0') {
        while ((s = std::strchr(s, prog->regstart)) != nullptr) {
            if (m.tryAt(prog->program, s)) return 1;
            s++;
        }
        return 0;
    }
    do {
        if (m.tryAt(prog->program, s)) return 1;
    } while (*s++ != '\0');
    return 0;
}

int strRegExec(Regexp* prog, const char* string) { return strRegExec2(prog, string, string); }

int strMatchRegex(const char* string, const char* pattern) {
    Regexp* r = strRegComp(pattern);
    if (r == nullptr) return 0;
    int result = strRegExec(r, string);
    std::free(r);
    return result;
}

int strMatchGlob(const char* string, const char* pattern) {
    if (string == nullptr || pattern == nullptr) return 0;
    // Every token but "*" consumes exactly one character, so on a mismatch it
    // is enough to let the last "*" swallow one more character and retry.
    const char* s = string;
    const char* p = pattern;
    const char* starP = nullptr;  // pattern just after the last "*"
    const char* starS = nullptr;  // subject position that "*" was tried against
    for (;;) {
        if (*p == '*') {
            while (*p == '*') p++;
            if (*p == '\0') return 1;
            starP = p;
            starS = s;
            continue;
        }
        bool ok = false;
        const char* after = p;  // pattern after this token when it matches
        if (*p == '\0') {
            if (*s == '\0') return 1;
        } else if (*s != '\0') {
            unsigned char ch = static_cast<unsigned char>(*s);
            switch (*p) {
            case '?':
                ok = true;
                after = p + 1;
                break;
            case '\\':
                if (p[1] != '\0' && p[1] == *s) {
                    ok = true;
                    after = p + 2;
                }
                break;
            case '[': {
                const char* q = p + 1;
                if (*q == ']') break;  // empty set never matches
                bool bad = false;
                while (*q != '\0' && *q != ']' && !ok) {
                    unsigned char lo = static_cast<unsigned char>(q[0]);
                    if (q[1] == '-') {
                        if (q[2] == '\0' || q[2] == ']') {  // range without its end
                            bad = true;
                            break;
                        }
                        unsigned char hi = static_cast<unsigned char>(q[2]);
                        if (hi < lo) {
                            unsigned char t = lo;
                            lo = hi;
                            hi = t;
                        }
                        if (ch >= lo && ch <= hi) ok = true;
                        q += 3;
                    } else {
                        if (ch == lo) ok = true;
                        q++;
                    }
                }
                if (bad) {
                    ok = false;
                    break;
                }
                if (ok) {
                    while (*q != '\0' && *q != ']') q++;
                    after = (*q == ']') ? q + 1 : q;
                }
                break;
            }
            default:
                if (*p == *s) {
                    ok = true;
                    after = p + 1;
                }
                break;
            }
        }
        if (ok) {
            p = after;
            s++;
            continue;
        }
        // Mismatch: widen the last "*" by one character, if there is one to take.
        if (starP == nullptr || *starS == '\0') return 0;
        starS++;
        s = starS;
        p = starP;
    }
}

int strMatch(const char* string, const char* pattern, int matchMode, int caseMode) {
    strRegError(nullptr);
    if (string == nullptr || pattern == nullptr) return 0;
    switch (matchMode) {
    case 1:
        if (caseMode) return std::strcmp(string, pattern) == 0 ? 1 : 0;
        return strcasecmp(string, pattern) == 0 ? 1 : 0;
    case 2:
    case 3:
        if (caseMode) return matchMode == 2 ? strMatchRegex(string, pattern) : strMatchGlob(string, pattern);
        // Case-blind: compare upper-cased working copies of both texts.
        try {
            std::string s(string);
            std::string p(pattern);
            raiseStr(s.data());
            raiseStr(p.data());
            return matchMode == 2 ? strMatchRegex(s.c_str(), p.c_str()) : strMatchGlob(s.c_str(), p.c_str());
        } catch (const std::bad_alloc&) {
            strRegError("out of memory");
            return 0;
        }
    default:
        return 0;
    }
}

}  // namespace korim::foundation
