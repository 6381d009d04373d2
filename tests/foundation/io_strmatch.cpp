// Tests of name handling: exact, regular-expression (against an independent engine) and glob
// matching; hash symbol tables (hashing, duplicates, types, display, release).
#include "foundation/hsymbol.h"
#include "foundation/memory.h"
#include "foundation/strmatch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
// The library's regex engine, used here only as an oracle, trips a false
// maybe-uninitialized warning inside its own headers at -O1.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <string>
#include <vector>

#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

// Straightforward recursive glob, written from the rules, as a twin of the
// production matcher.
bool refGlob(const char* s, const char* p) {
    if (*p == '\0') return *s == '\0';
    if (*p == '*') {
        if (p[1] == '\0') return true;
        for (const char* t = s;; ++t) {
            if (refGlob(t, p + 1)) return true;
            if (*t == '\0') return false;
        }
    }
    if (*s == '\0') return false;
    if (*p == '?') return refGlob(s + 1, p + 1);
    if (*p == '\\') return p[1] != '\0' && p[1] == *s && refGlob(s + 1, p + 2);
    if (*p == '[') {
        const char* q = p + 1;
        if (*q == ']') return false;
        while (*q != '\0' && *q != ']') {
            if (q[1] == '-') {
                if (q[2] == '\0' || q[2] == ']') return false;
                char lo = std::min(q[0], q[2]), hi = std::max(q[0], q[2]);
                if (*s >= lo && *s <= hi) break;
                q += 3;
            } else {
                if (*s == *q) break;
                q++;
            }
        }
        if (*q == '\0' || *q == ']') return false;  // no member matched
        while (*q != '\0' && *q != ']') q++;
        return refGlob(s + 1, *q == ']' ? q + 1 : q);
    }
    return *p == *s && refGlob(s + 1, p + 1);
}

std::string errText() {
    const char* e = strGetRegError();
    return e ? e : "(none)";
}

using HSym = korim_test::Resetting<memoryReset, hsymbolReset>;

const char *kClashF = "Symbol Notice: Type Clash for Symbol f\n";

}  // namespace

TEST(IoStrMatch, NamesInEachMode) {
    // (subject, pattern, mode, exact case, match): mode 1 exact, 2 regular expression, 3 glob, 4 unknown.
    // The glob's sets, ranges and escapes are checked against its twin below.
    const struct { const char *s, *p; int mode, exact, want; } cases[] = {
        {"CA", "ca", 1, 0, 1},    {"CA", "ca", 1, 1, 0},      {"CA", "CAB", 1, 0, 0},      {"CA", "CA", 4, 1, 0},
        {nullptr, "CA", 1, 1, 0}, {"HB2", "HB[3-1]", 3, 1, 1}, {"ca", "C*", 3, 1, 0},     {"ca", "C*", 3, 0, 1},
        {"HB12", "B1", 2, 1, 1},   {"HB12", "^B1", 2, 1, 0},  {"HB12", "^H.*2$", 2, 1, 1}, {"CA", "^(C|N)A?$", 2, 1, 1},
        {"C.", "C\\.", 2, 1, 1},   {"CA", "C\\.", 2, 1, 0},   {"O1", "[^CHN]", 2, 1, 1},   {"a]", "[]]", 2, 1, 1},
        {"a-", "[-x]", 2, 1, 1},   {"a-", "[x-]", 2, 1, 1},   {"cb", "[a-]", 2, 1, 0},     {"ha", "^HA$", 2, 0, 1},
        {"ha", "^HA$", 2, 1, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(strMatch(c.s, c.p, c.mode, c.exact), c.want) << (c.s ? c.s : "null") << " " << c.p << " " << c.mode;
    EXPECT_EQ(strGetRegError(), nullptr);
}

TEST(IoStrMatch, GlobAgreesWithRecursiveTwin) {
    std::mt19937 rng(12345);
    const std::string patChars = "ab*?[]-\\";
    const std::string subChars = "abc-";
    int matches = 0;
    for (int trial = 0; trial < 20000; trial++) {
        std::string p, s;
        int pl = static_cast<int>(rng() % 7), sl = static_cast<int>(rng() % 7);
        for (int i = 0; i < pl; i++) p += patChars[rng() % patChars.size()];
        for (int i = 0; i < sl; i++) s += subChars[rng() % subChars.size()];
        ASSERT_EQ(strMatchGlob(s.c_str(), p.c_str()), refGlob(s.c_str(), p.c_str()) ? 1 : 0)
            << "subject '" << s << "' pattern '" << p << "'";
        matches += refGlob(s.c_str(), p.c_str()) ? 1 : 0;
    }
    EXPECT_GT(matches, 500);  // the sample exercises matches, not only failures
}

TEST(IoStrMatch, RegexGroupBoundsAnchorAndNineteenGroups) {
    // Where the whole match lies is checked against the independent engine below.
    Regexp* r = strRegComp("(H)(G([0-9]))");
    ASSERT_NE(r, nullptr);
    const char* s2 = "CHG23";
    ASSERT_EQ(strRegExec(r, s2), 1);
    const char* groups[] = {"H", "G2", "2"};
    for (int k = 1; k <= 3; k++) EXPECT_EQ(std::string(r->startp[k], r->endp[k]), groups[k - 1]);
    EXPECT_EQ(r->startp[4], nullptr);
    std::free(r);

    // "^" anchors at the given start of text, not at the search position.
    r = strRegComp("^B");
    ASSERT_NE(r, nullptr);
    const char* s3 = "AB";
    EXPECT_EQ(strRegExec2(r, s3 + 1, s3 + 1), 1);
    EXPECT_EQ(strRegExec2(r, s3 + 1, s3), 0);
    std::free(r);

    std::string p19, s19(19, 'a');
    for (int i = 0; i < 19; i++) p19 += "(a)";
    r = strRegComp(p19.c_str());
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(strRegExec(r, s19.c_str()), 1);
    EXPECT_EQ(r->startp[19] - s19.c_str(), 18);
    std::free(r);
    EXPECT_EQ(strRegComp((p19 + "(a)").c_str()), nullptr);
    EXPECT_EQ(errText(), "too many ()");
    // strMatch clears the error of an earlier call.
    EXPECT_EQ(strMatch("a", "a", 2, 1), 1);
    EXPECT_EQ(strGetRegError(), nullptr);
}

TEST(IoStrMatch, RegexCompileErrors) {
    const struct { const char *pattern, *message; } cases[] = {
        {"(", "unmatched ()"},           {"a)", "unmatched ()"},          {"(a*)*", "*+ operand could be empty"},
        {"a**", "nested *?+"},           {"*a", "?+* follows nothing"},   {"a|+", "?+* follows nothing"},
        {"a\\", "trailing \\"},          {"[abc", "unmatched []"},        {"[z-a]", "invalid [] range"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strRegComp(c.pattern), nullptr) << c.pattern;
        EXPECT_EQ(errText(), c.message) << c.pattern;
        EXPECT_EQ(strMatch("N", c.pattern, 2, 1), 0) << c.pattern;
        EXPECT_EQ(errText(), c.message) << c.pattern;
    }
    EXPECT_EQ(strRegComp(nullptr), nullptr);
    EXPECT_EQ(errText(), "NULL argument");
    EXPECT_EQ(strRegExec(nullptr, "x"), 0);
    EXPECT_EQ(errText(), "NULL parameter");

    // A program that would exceed 16-bit offsets is refused.
    std::string huge(40000, 'a');
    EXPECT_EQ(strRegComp(huge.c_str()), nullptr);
    EXPECT_EQ(errText(), "Regexp too big");
}

// Random expressions over a small alphabet compared with the C++ library's
// ECMAScript engine, which backtracks in the same leftmost, greedy order.
TEST(IoStrMatch, RegexAgreesWithIndependentEngine) {
    std::mt19937 rng(777);
    auto atom = [&](auto& self, int depth) -> std::string {
        switch (rng() % (depth > 1 ? 4 : 6)) {
        case 0: return "a";
        case 1: return "b";
        case 2: return ".";
        case 3: return (rng() % 2) ? "[ab]" : "[^a]";
        case 4: return std::string("(").append(self(self, depth + 1)).append(")");
        default: return std::string("(").append(self(self, depth + 1)).append("|").append(self(self, depth + 1)).append(")");
        }
    };
    auto seq = [&](int depth) {
        std::string out;
        int n = 1 + static_cast<int>(rng() % 3);
        const char* repeat[] = {"*", "+", "?", "", ""};
        for (int i = 0; i < n; i++) {
            out += atom(atom, depth);
            out += repeat[rng() % 5];
        }
        return out;
    };
    int compiled = 0;
    for (int trial = 0; trial < 3000; trial++) {
        std::string pat = seq(0);
        if (rng() % 4 == 0) pat = "^" + pat;
        if (rng() % 4 == 0) pat += "$";
        Regexp* r = strRegComp(pat.c_str());
        if (r == nullptr) {
            EXPECT_EQ(errText(), "*+ operand could be empty") << pat;
            continue;
        }
        compiled++;
        std::regex ref(pat, std::regex::ECMAScript);
        for (int k = 0; k < 8; k++) {
            std::string s;
            int len = static_cast<int>(rng() % 7);
            for (int i = 0; i < len; i++) s += "abc"[rng() % 3];
            std::cmatch m;
            bool want = std::regex_search(s.c_str(), m, ref);
            int got = strRegExec(r, s.c_str());
            ASSERT_EQ(got, want ? 1 : 0) << "pattern '" << pat << "' subject '" << s << "'";
            if (want) {
                EXPECT_EQ(r->startp[0] - s.c_str(), m.position(0)) << pat << " on " << s;
                EXPECT_EQ(r->endp[0] - r->startp[0], m.length(0)) << pat << " on " << s;
            }
        }
        std::free(r);
    }
    EXPECT_GT(compiled, 1000);
}

TEST_F(HSym, BucketCountAndHash) {
    HTable *a = hSymTabAlloc(0), *b = hSymTabAlloc(-4);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::pair(a->hashLength, b->hashLength), std::pair(253, 253));
    // "CA": 'C' = 67, 'A' = 65: h = 67*16 + 65 = 1137; 1137 mod 253 = 125. The
    // others from a separate script of the PJW hash (top-bit folding, signed bytes).
    const struct { const char *name; int buckets, loc; } hashes[] = {
        {"CA", 253, 125},          {"CA", 4111, 1137},         {"ABCDEFGHIJK", 253, 219}, {"ABCDEFGHIJK", 4111, 865},
        {"MET_1_A_N", 4111, 3228}, {"\xe9t\xe9", 253, 22},     {"\xe9t\xe9", 4111, 3756}, {"", 253, 0},
        {"CA", 0, 0}};
    for (const auto &h : hashes) EXPECT_EQ(hSymNameLoc(h.name, h.buckets), h.loc) << h.name << " " << h.buckets;
    // The empty name lives in bucket 0 and is found like any other.
    EXPECT_EQ(hSetSymInt("", 9, a), 0);
    int v = 0;
    EXPECT_EQ(hGetSymInt("", a, &v), 1);
    EXPECT_EQ(v, 9);
    hSymTabFree(a);
    hSymTabFree(b);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(HSym, DuplicatesChainsAndRelease) {
    HTable *t = hSymTabAlloc(1);  // everything in one chain
    HSymbol *first = hAddSym("N", HSYM_INT, t), *mid = hAddSym("CA", HSYM_INT, t);
    HSymbol *second = hAddSym("N", HSYM_INT, t);  // no duplicate check
    ASSERT_TRUE(first && mid && second);
    EXPECT_EQ(t->symbolCount, 3);
    EXPECT_EQ(hFindSym("N", t), second);  // the later one is found
    EXPECT_EQ(hSymExists("N", t), second->id);
    EXPECT_EQ(hSymExists("n", t), 0);  // case-sensitive
    // Releasing the middle relinks the chain; releasing the head hands the bucket on.
    hSymFree(mid);
    EXPECT_TRUE(second->next == first && first->prev == second);
    EXPECT_EQ(hFindSym("CA", t), nullptr);
    hSymFree(second);
    EXPECT_EQ(hFindSym("N", t), first);
    EXPECT_EQ(t->symbolCount, 1);
    hSymTabFree(t);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(HSym, TypedValuesTypeClashAndReplacedTexts) {
    HTable *t = hSymTabAlloc(0);
    int target = 5;
    EXPECT_EQ(hSetSymDbl("d", -2.5, t) + hSetSymFlt("f", 1.25f, t) + hSetSymInt("i", 42, t) +
                  hSetSymPtr("p", &target, t) + hSetSymStr("s", "GLY", t),
              0);
    double d = 0;
    float f = 0;
    int i = 0;
    void *p = nullptr;
    char *s = nullptr;
    EXPECT_EQ(hGetSymDbl("d", t, &d) + hGetSymFlt("f", t, &f) + hGetSymInt("i", t, &i) + hGetSymPtr("p", t, &p) +
                  hGetSymStr("s", t, &s),
              5);
    EXPECT_EQ(std::vector<double>({d, f, double(i)}), (std::vector<double>{-2.5, 1.25, 42}));
    EXPECT_TRUE(p == &target && std::string(s) == "GLY");
    // Absence leaves the target alone; setting again changes the symbol in place.
    EXPECT_EQ(hGetSymInt("nope", t, &i), 0);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(hSetSymInt("i", 43, t), 0);
    EXPECT_EQ(t->symbolCount, 5);

    // An int stored into a float symbol: notice, int bits stored, type stays float;
    // the getter does not check the type.
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(hSetSymInt("f", 7, t), 0); }), kClashF);
    EXPECT_EQ(hFindSym("f", t)->val.type, HSYM_FLT);
    EXPECT_EQ(hGetSymInt("f", t, &i), 1);
    EXPECT_EQ(i, 7);

    // A replaced text and a text clobbered by a number stay safe.
    hSetSymStr("r", "first text", t);
    hSetSymStr("r", "2nd", t);  // the old copy is handed back
    hGetSymStr("r", t, &s);
    EXPECT_STREQ(s, "2nd");
    EXPECT_EQ(hFindSym("r", t)->val.length, 4);
    // A number stored over a text: the text is dropped, never read from number bits.
    EXPECT_EQ(captureStderr([&] { hSetSymInt("r", 12345, t); }), "Symbol Notice: Type Clash for Symbol r\n");
    EXPECT_STREQ(hSymVal2Str(hFindSym("r", t)), "");
    EXPECT_EQ(hFindSymStr(t, "2nd", 1), nullptr);
    hSymTabFree(t);
    EXPECT_EQ(memoryBytesUsed(), 0);
}


// Reverse searches (not used by the program): one check each.
TEST_F(HSym, ReverseSearchesInBucketOrder) {
    // With 10 buckets a one-letter name lands in its code mod 10: d(100) -> 0, a(97) -> 7.
    HTable *t = hSymTabAlloc(10);
    for (auto [name, v] : {std::pair{"a", 7}, {"b", 3}, {"d", 7}}) hSetSymInt(name, v, t);
    EXPECT_EQ(hFindSymInt(t, 7, 2), hFindSym("a", t));
    hSetSymStr("s2", "GLY", t);
    EXPECT_EQ(hFindSymStr(t, "GLY", 1), hFindSym("s2", t));
    hSymTabFree(t);
}

TEST_F(HSym, DisplayTexts) {
    HTable *t = hSymTabAlloc(0);
    hSetSymStr("long", std::string(400, 'y').c_str(), t);
    hSetSymDbl("big", 1e300, t);
    // A long text and a huge double are cut to the 256-byte display buffer, never overflowing.
    EXPECT_EQ(hSymVal2Str(hFindSym("long", t)), std::string(255, 'y'));
    EXPECT_EQ(std::string(hSymVal2Str(hFindSym("big", t))).size(), 255u);
    hSymTabFree(t);
}
