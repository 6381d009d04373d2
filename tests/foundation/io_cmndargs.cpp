// Tests of the command-line argument library and the name/value option tables.
#include "foundation/advice.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "foundation/namelist.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/argv.h"
#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using korim_test::captureStderr;

namespace {

// The words (the program name first) as a null-terminated argv, c and v at hand.
struct Argv : korim_test::Argv {
    int c;
    char** v;
    explicit Argv(const std::vector<std::string>& w)
        : korim_test::Argv(std::vector<std::string>(w.begin() + 1, w.end()), w[0].c_str()), c(argc()), v(argv()) {}
};

// Runs checkArgs in the given mode after the getters in body, returning stderr.
template <typename F>
std::string checkedRun(Argv& a, int mode, F body, int* reports) {
    initArgs(a.c, a.v, mode);
    body();
    return captureStderr([&] { *reports = checkArgs(a.c, a.v); });
}

void clearCheckMode() { unsetenv("NMRCHECK"); }
using IoArgs = korim_test::Resetting<nullArgs, memoryReset, clearCheckMode, adviceReset>;

}  // namespace

TEST_F(IoArgs, FlagsAndNumbers) {
    // Negative numbers are values, not options.
    const std::pair<const char*, int> flags[] = {{"-x", 1}, {"-", 1}, {"-5", 0}, {"-.5", 0}, {"-1e3", 0}, {nullptr, 0}};
    for (auto [word, want] : flags) EXPECT_EQ(isFlag(word), want) << (word ? word : "null");
    for (auto [word, want] : {std::pair{"1e3x", 1}, {"x1", 0}, {"", 0}}) EXPECT_EQ(isNumber(word), want) << word;
    // Strict conversions: the whole word, a number of the type, the value left alone otherwise.
    int i = 7;
    for (auto [word, want] : {std::pair{"+3", 1}, {"-2147483648", 1}, {"2147483648", -1}, {"3.5", 0}, {"1e3", 0},
                              {"12abc", 0}, {"", 0}, {nullptr, 0}})
        EXPECT_EQ(wordToInt(word, &i), want) << (word ? word : "null");
    float f = 7;
    double d = 7;
    for (auto [word, fl, db] : {std::tuple{"1e-50", 1, 1}, {"-1e-4", 1, 1}, {"1.2.3", 0, 0}, {"abc", 0, 0},
                                {"1e39", -1, 1}, {"nan", -1, -1}, {"-inf", -1, -1}, {"1e999", -1, -1}})
        EXPECT_EQ(std::pair(wordToFloat(word, &f), wordToDouble(word, &d)), std::pair(fl, db)) << word;
    EXPECT_EQ(std::tuple(i, f, d), std::tuple(INT_MIN, -1e-4f, 1e39));

    Argv a({"prog", "-a", "1", "-2", "-b", "-"});
    for (auto [from, next] : {std::pair{0, 1}, {1, 4}, {4, 5}, {5, 6}}) EXPECT_EQ(nextFlag(a.c, a.v, from), next);
    initArgs(a.c, a.v, 0);
    EXPECT_STREQ(getProgName(), "prog");
    EXPECT_STREQ(getNthArg(a.c, a.v, 2), "1");
    EXPECT_TRUE(getNthArg(a.c, a.v, 6) == nullptr && getNthArg(a.c, a.v, -1) == nullptr);
}

TEST_F(IoArgs, OneValueGettersTakeNegativeNumbersAsValues) {
    Argv a({"prog", "-n", "-5", "-f", "-.5", "-g", "-1e3", "-s", "name.pdb", "-l"});
    int reports = -1;
    std::string err = checkedRun(a, 2, [&] {
        int n = 0, l = 0, nl = 1;
        float f = 0, g = 0;
        char buf[32] = "";
        char* p = nullptr;
        EXPECT_EQ(intArgD(a.c, a.v, "-n", &n) + fltArgD(a.c, a.v, "-f", &f) + fltArgD(a.c, a.v, "-g", &g) +
                      strArgD(a.c, a.v, "-s", buf, sizeof buf) + ptrArgD(a.c, a.v, "-s", &p) +
                      logArgD(a.c, a.v, "-l", &l) + notLogArgD(a.c, a.v, "-l", &nl), 7);
        EXPECT_EQ(getBadFlag(), 0);
        EXPECT_EQ(std::vector<double>({double(n), f, g, double(l), double(nl)}),
                  (std::vector<double>{-5, -0.5, -1000, 1, 0}));
        EXPECT_STREQ(buf, "name.pdb");
        EXPECT_EQ(p, a.v[8]);
    }, &reports);
    EXPECT_EQ(std::pair(reports, err), std::pair(0, std::string()));  // every word was consumed
}

TEST_F(IoArgs, AbsentOrLastOptionKeepsValue) {
    Argv a({"prog", "x", "-n"});
    int reports = -1;
    std::string err = checkedRun(a, 2, [&] {
        int n = 42;
        float f = 1.5f;
        char buf[8] = "keep";
        EXPECT_EQ(intArgD(a.c, a.v, "-n", &n) + fltArgD(a.c, a.v, "-q", &f) +
                      strArgD(a.c, a.v, "-q", buf, sizeof buf) + intArg(a.c, a.v, "-q"), 0);
        EXPECT_EQ(std::pair(n, f), std::pair(42, 1.5f));
        EXPECT_STREQ(buf, "keep");
        EXPECT_EQ(strArg(a.c, a.v, "-q"), nullptr);
        EXPECT_EQ(getBadFlag(), 1);
        // The program name is never an option.
        EXPECT_EQ(flagLoc(a.c, a.v, "prog"), 0);
    }, &reports);
    // "-n" stays marked although it had no value; only "x" is left.
    EXPECT_EQ(std::pair(reports, err), std::pair(1, std::string("Warning from prog:\n  Argument 1 may be unknown or unused:\n  ' x '\n")));
}

// An optional value is the next word unless that is an option word (a number such as -2 is a
// value); alone or before an option word the option takes its own level and leaves the word.
TEST_F(IoArgs, OptionalValueTakesNoOptionWord) {
    const struct {
        std::vector<std::string> words;
        int level;
        const char* value;  // the word taken, null for none
    } cases[] = {
        {{"prog", "-dbg", "3"}, 3, "3"},
        {{"prog", "-dbg", "-2"}, -2, "-2"},
        {{"prog", "-dbg", "-verb"}, 1, nullptr},
        {{"prog", "-verb", "-dbg"}, 1, nullptr},
    };
    for (const auto& c : cases) {
        Argv a(c.words);
        int reports = -1;
        std::string err = checkedRun(a, 2, [&] {
            int level = 0, verb = 0;
            char* value = a.v[0];
            EXPECT_TRUE(optArgD(a.c, a.v, "-dbg", &value) == 1 && optIntArgD(a.c, a.v, "-dbg", 1, &level) == 1);
            EXPECT_EQ(level, c.level) << c.words[2];
            EXPECT_TRUE(c.value == nullptr ? value == nullptr : value != nullptr && value == std::string(c.value));
            logArgD(a.c, a.v, "-verb", &verb);
            int takes = -1;
            for (int i = 0; i < askedFlagCount(); i++)
                if (std::string(askedFlag(i, nullptr)) == "-dbg") askedFlag(i, &takes);
            EXPECT_EQ(takes, kTakesOptional);  // never a flag as its value
        }, &reports);
        EXPECT_EQ(std::pair(reports, err), std::pair(0, std::string())) << c.words[2];
    }
    int level = 7;
    Argv none({"prog", "-verb"});
    EXPECT_EQ(optIntArgD(none.c, none.v, "-dbg", 1, &level) + level, 7);  // absent: kept
}

TEST_F(IoArgs, TooLongValuesAreRefusedNotTruncated) {
    Argv a({"prog", "-o", "abcdefgh", "-p", std::string(300, 'a')});
    char buf[8] = "old", buf9[9];
    initArgs(a.c, a.v, 0);
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(strArgD(a.c, a.v, "-o", buf, sizeof buf), -1); }),
              "Argument Error: value for '-o' longer than 7 characters.\n");
    EXPECT_STREQ(buf, "old");
    EXPECT_EQ(getBadFlag(), 1);
    EXPECT_EQ(strArgD(a.c, a.v, "-o", buf9, sizeof buf9), 1);
    EXPECT_STREQ(buf9, "abcdefgh");
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(strArg(a.c, a.v, "-p"), nullptr); }),
              "Argument Error: value for '-p' longer than 255 characters.\n");
    EXPECT_EQ(getBadFlag(), 1);
}

TEST_F(IoArgs, ListGetters) {
    Argv a({"prog", "-v", "1", "-2", ".5", "-x", "3", "-e", "-s", "ab", "cd"});
    int reports = -1;
    std::string err = checkedRun(a, 2, [&] {
        int n = 0;
        float* v = rListArg(a.c, a.v, "-v", &n);  // the list stops at the next option
        ASSERT_EQ(n, 3);
        EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{1, -2, 0.5f}));
        int* iv = listArg(a.c, a.v, "-v", &n);
        EXPECT_EQ(std::vector<int>(iv, iv + n), (std::vector<int>{1, -2, 0}));
        // Empty list: null, count 0, not a bad flag; absent: null, count 0, bad flag.
        EXPECT_EQ(rListArg(a.c, a.v, "-e", &n), nullptr);
        EXPECT_EQ(std::pair(n, getBadFlag()), std::pair(0, 0));
        EXPECT_EQ(listArg(a.c, a.v, "-none", &n), nullptr);
        EXPECT_EQ(std::pair(n, getBadFlag()), std::pair(0, 1));
        char** sl = strListArg(a.c, a.v, "-s", &n);
        ASSERT_EQ(n, 2);
        EXPECT_EQ(std::vector<std::string>(sl, sl + 2), (std::vector<std::string>{"ab", "cd"}));
        EXPECT_EQ(sl[2], nullptr);
        EXPECT_NE(sl[0], a.v[9]);  // a copy, not the argument itself
        EXPECT_EQ(ptrListArg(a.c, a.v, "-s", &n), a.v + 9);
    }, &reports);
    // "-x 3" was never asked for.
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(err, "Warning from prog:\n  Arguments 5 to 6 may be unknown or unused:\n  ' -x 3 '\n");
}

TEST_F(IoArgs, LongListsAndListsInOneWord) {
    std::vector<std::string> w = {"prog", "-s"};
    for (int i = 0; i < 200; i++) w.push_back(std::to_string(i));
    Argv a(w);
    int n = 0;
    char** sl = strListArg(a.c, a.v, "-s", &n);  // counts are not byte-limited
    ASSERT_EQ(n, 200);
    EXPECT_STREQ(sl[199], "199");
    Argv b({"prog", "-v", " 1  -2\t3.5 x ", "-z"});
    float* v = rListArg2(b.c, b.v, "-v", &n);
    EXPECT_EQ(std::vector<float>(v, v + n), (std::vector<float>{1, -2, 3.5f, 0}));
}

TEST_F(IoArgs, CheckModesFromEnvironment) {
    Argv a({"prog", "-foo", "12"});
    const std::string one = "Warning from prog:\n  Argument 1 may be unknown or unused:\n  ' -foo '\n";
    const std::string both = "Warning from prog:\n  Arguments 1 to 2 may be unknown or unused:\n  ' -foo 12 '\n";
    // NMRCHECK word (null: unset), then the report; anything unknown checks all.
    const std::pair<const char*, std::string> modes[] = {{"flags", one}, {"all", both}, {"yes", both}, {nullptr, ""}};
    int reports = -1;
    for (const auto& [word, want] : modes) {
        if (word) setenv("NMRCHECK", word, 1);
        else unsetenv("NMRCHECK");
        EXPECT_EQ(checkedRun(a, 4, [] {}, &reports), want) << (word ? word : "unset");
        EXPECT_EQ(reports, want.empty() ? 0 : 1);
    }
    // Mode 1 reports each unconsumed flag separately.
    Argv b({"prog", "-a", "-b", "7", "-c"});
    EXPECT_EQ(checkedRun(b, 1, [] {}, &reports),
              "Warning from prog:\n  Argument 1 may be unknown or unused:\n  ' -a '\n"
              "Warning from prog:\n  Argument 2 may be unknown or unused:\n  ' -b '\n"
              "Warning from prog:\n  Argument 4 may be unknown or unused:\n  ' -c '\n");
    EXPECT_EQ(reports, 3);
}

TEST_F(IoArgs, ArgumentsBeyondSlot254AreNeverChecked) {
    std::vector<std::string> w = {"prog"};
    for (int i = 1; i < 300; i++) w.push_back(i == 10 ? std::string("-late") : std::string("v").append(std::to_string(i)));
    w[299] = "-unchecked";
    Argv a(w);
    EXPECT_EQ(captureStderr([&] { initArgs(a.c, a.v, 1); }),
              "Warning from prog: not all arguments will be checked.\n");
    int v = 0;
    EXPECT_EQ(intArgD(a.c, a.v, "-unchecked", &v), 0);  // last argument
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(checkArgs(a.c, a.v), 1); }),
              "Warning from prog:\n  Argument 10 may be unknown or unused:\n  ' -late '\n");
}

TEST_F(IoArgs, NameTables) {
    const NameVal table[] = {{"LOW", 1}, {"HIGH", 2}, {"MAX", 2}, {nullptr, 0}};
    float v = -1;
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(getValByName("-lvl", "mid", table, &v), -1); }),
              "Keyword Error: bad value for '-lvl'; Valid Options:\n\n"
              "Code Name      Numerical Value\n\n"
              " LOW             1\n"
              " HIGH            2\n"
              " MAX             2\n");
    EXPECT_EQ(v, -1.0f);  // left alone
    const char* name = nullptr;
    EXPECT_TRUE(getNameByVal(&name, table, 2.0f) == 2 && std::string(name) == "MAX");  // the last of equal values

    // A name is looked up ignoring case (status 0), a number taken as it is (status 1).
    Argv a({"prog", "-a", "high", "-b", "3.5", "-c", "-2.7", "-d"});
    int reports = -1;
    std::string err = checkedRun(a, 2, [&] {
        float f = 0;
        EXPECT_EQ(fltStrArgD(a.c, a.v, "-a", &f, table), 0);
        EXPECT_EQ(f, 2.0f);
        EXPECT_EQ(fltStrArgD(a.c, a.v, "-b", &f, table) + fltStrArgD(a.c, a.v, "-none", &f, table), 3);
        EXPECT_EQ(f, 3.5f);
        int i = 5, big = 16777217;  // not representable as a float
        EXPECT_EQ(intStrArgD(a.c, a.v, "-c", &i, table), 1);
        EXPECT_EQ(i, -2);  // truncated toward zero
        EXPECT_EQ(intStrArgD(a.c, a.v, "-none", &big, table), 2);
        EXPECT_EQ(big, 16777217);
        EXPECT_EQ(captureStderr([&] { EXPECT_EQ(fltStrArgD(a.c, a.v, "-d", &f, table), -1); }),
                  "Keyword Error: bad or missing value for '-d'\n");
    }, &reports);
    EXPECT_EQ(std::pair(reports, err), std::pair(0, std::string()));
}

// Advice names an option the command line already gives as a replacement of the words it gives;
// initArgs records the command line it is worded against.
TEST_F(IoArgs, AdviceReplacesAnOptionTheCommandGives) {
    Argv a({"korim", "-daFlex", "-inD", "m.tab", "-nRun", "3", "-lDa", "-5", "-fixRes", "2", "3", "-yzInv"});
    initArgs(a.c, a.v, 0);
    struct Case {
        std::vector<AdvisedOption> options;
        const char* advice;
    };
    const Case cases[] = {
        {{{"-nRun", "1000"}}, "-nRun 1000 in place of -nRun 3"},
        {{{"-nFit", "2"}}, "-nFit 2"},
        {{{"-lDa", "-25"}, {"-hDa", "20"}}, "-lDa -25 -hDa 20 in place of -lDa -5"},
        {{{"-fixRes", "2 3 4"}}, "-fixRes 2 3 4 in place of -fixRes 2 3"},
        {{{"-nRun", "3"}}, "-nRun 3"},    // given as advised: nothing to replace
        {{{"-yzInv", ""}}, "-yzInv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(adviseOptions(c.options), c.advice);
    }
    EXPECT_EQ(givenOption("-fixRes"), "-fixRes 2 3");
    adviceReset();
    EXPECT_EQ(adviseOption("-nRun", "1000"), "-nRun 1000");
}
