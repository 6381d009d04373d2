// Tests of name matching: exact, regular expression (against an independent engine) and glob.
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

using namespace korim::foundation;

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
    struct Case { const char *pattern, *message; };
    const Case cases[] = {
        {"(", "unmatched ()"},           {"a)", "unmatched ()"},          {"(a*)*", "*+ operand could be empty"},
        {"a**", "nested *?+"},           {"*a", "?+* follows nothing"},   {"a|+", "?+* follows nothing"},
        {"a\\", "trailing \\"},          {"[abc", "unmatched []"},        {"[z-a]", "invalid [] range"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(strRegComp(c.pattern), nullptr) << c.pattern;
        EXPECT_EQ(errText(), c.message) << c.pattern;
        EXPECT_EQ(strMatch("N", c.pattern, 2, 1), 0) << c.pattern;
        EXPECT_EQ(errText(), c.message) << c.pattern;
    }
    EXPECT_EQ(strRegComp(nullptr), nullptr);
    EXPECT_EQ(errText(), "NULL argument");
    EXPECT_EQ(strRegExec(nullptr, "x"), 0);
    EXPECT_EQ(errText(), "NULL parameter");

    // A record whose program lacks the validity mark is refused.
    Regexp* r = strRegComp("abc");
    ASSERT_NE(r, nullptr);
    r->program[0] = 0;
    EXPECT_EQ(strRegExec(r, "abc"), 0);
    EXPECT_EQ(errText(), "corrupted program");
    std::free(r);

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
