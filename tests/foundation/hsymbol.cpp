// Tests of the hash symbol tables: hashing, duplicates, types, serial ids, display, release.
#include "foundation/hsymbol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/memory.h"
#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

using HSym = korim_test::Resetting<memoryReset, hsymbolReset>;

const char *kClashF = "Symbol Notice: Type Clash for Symbol f\n";

}  // namespace

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

TEST_F(HSym, TypedValuesAndTypeClash) {
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
    // hFindOrAddSym returns the existing symbol unchanged on a clash.
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(hFindOrAddSym("f", HSYM_INT, t), hFindSym("f", t)); }), kClashF);
    EXPECT_EQ(t->symbolCount, 5);
    hSymTabFree(t);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(HSym, ReplacedAndClobberedTextsStaySafe) {
    HTable *t = hSymTabAlloc(0);
    hSetSymStr("s", "first text", t);
    hSetSymStr("s", "2nd", t);  // the old copy is handed back
    char *s = nullptr;
    hGetSymStr("s", t, &s);
    EXPECT_STREQ(s, "2nd");
    EXPECT_EQ(hFindSym("s", t)->val.length, 4);
    // A number stored over a text: the text is dropped, never read from number bits.
    EXPECT_EQ(captureStderr([&] { hSetSymInt("s", 12345, t); }), "Symbol Notice: Type Clash for Symbol s\n");
    EXPECT_STREQ(hSymVal2Str(hFindSym("s", t)), "");
    EXPECT_EQ(hFindSymStr(t, "2nd", 1), nullptr);
    // A text symbol added without a value shows as empty.
    hAddSym("empty", HSYM_STR, t);
    EXPECT_STREQ(hSymVal2Str(hFindSym("empty", t)), "");
    hSymTabFree(t);
    EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(HSym, ReverseSearchesInBucketOrder) {
    // With 10 buckets a one-letter name lands in its code mod 10:
    // d(100) -> 0, a(97) -> 7, b(98) -> 8, c(99) -> 9.
    HTable *t = hSymTabAlloc(10);
    for (auto [name, v] : {std::pair{"a", 7}, {"b", 3}, {"c", 7}, {"d", 7}}) hSetSymInt(name, v, t);
    const char *order[] = {"d", "a", "c"};
    for (int k = 1; k <= 3; k++) EXPECT_EQ(hFindSymInt(t, 7, k), hFindSym(order[k - 1], t)) << k;
    EXPECT_EQ(hFindSymInt(t, 7, 4), nullptr);
    hSetSymStr("s1", "ALA", t);
    hSetSymStr("s2", "GLY", t);
    EXPECT_EQ(hFindSymStr(t, "GLY", 1), hFindSym("s2", t));
    EXPECT_EQ(hFindSymStr(t, "GLY", 2), nullptr);
    EXPECT_EQ(hFindSymStr(t, nullptr, 1), nullptr);
    hSymTabFree(t);
}

TEST_F(HSym, DisplayTexts) {
    HTable *t = hSymTabAlloc(0);
    hSetSymDbl("d", 1.5, t);
    hSetSymInt("i", -3, t);
    hSetSymStr("long", std::string(400, 'y').c_str(), t);
    hSetSymDbl("big", 1e300, t);
    EXPECT_STREQ(hSymVal2Str(nullptr), "NULL");
    // A long text and a huge double are cut to the 256-byte display buffer, never overflowing.
    const std::pair<const char *, std::string> shown[] = {{"d", "1.500000"}, {"i", "-3"}, {"long", std::string(255, 'y')}};
    for (const auto &[name, want] : shown) EXPECT_EQ(hSymVal2Str(hFindSym(name, t)), want) << name;
    EXPECT_EQ(std::string(hSymVal2Str(hFindSym("big", t))).size(), 255u);
    hSymTabFree(t);
}
