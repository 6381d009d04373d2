// Tests of the small system wrappers: file, directory and terminal tests, numbers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "foundation/inquire.h"
#include "foundation/syscalls.h"
#include "tests/support/files.h"

using namespace korim::foundation;

namespace {

// A scratch directory with an empty file, a one-byte file and a subdirectory.
struct Scratch : korim_test::TempDir {
    Scratch() {
        korim_test::writeFile(*this / "empty", "");
        korim_test::writeFile(*this / "one", "x");
        mkdir((*this / "sub").c_str(), 0755);
    }
};

}  // namespace

TEST(Sys, FileTests) {
    Scratch s;
    // (name, fileExists: a non-empty plain file, fileExists0: anything that is there)
    const struct { std::string name; int exists, exists0; } cases[] = {
        {s / "empty", 0, 1}, {s / "one", 1, 1}, {s / "sub", 0, 1}, {s / "missing", 0, 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(fileExists(c.name.c_str()), c.exists) << c.name;
        EXPECT_EQ(fileExists0(c.name.c_str()), c.exists0) << c.name;
    }
    EXPECT_EQ(fileExists(nullptr), 0);
}

TEST(Sys, DirectoryPartOfAName) {
    Scratch s;
    char buf[512];
    // (name, result, directory part stored)
    const struct { std::string name; int status; std::string dir; } cases[] = {
        {s / "sub/run1.tab", 1, s / "sub"},
        {"run1.tab", 1, "./"},
        {"/run1.tab", 0, ""},                         // the empty path has no status
        {s / "one/run1.tab", 0, s / "one"},           // a plain file is not a directory
        {s / "nothere/run1.tab", 0, s / "nothere"}};
    for (const auto &c : cases) {
        EXPECT_EQ(dirExists(c.name.c_str(), buf), c.status) << c.name;
        EXPECT_EQ(std::string(buf), c.dir) << c.name;
    }
    std::snprintf(buf, sizeof buf, "untouched");
    EXPECT_EQ(dirExists("!gunzip -c x.gz", buf), 1);  // a command, not a file
    EXPECT_STREQ(buf, "untouched");
}

TEST(Sys, Numbers) {
    const std::pair<const char *, double> numbers[] = {{"3.5e2", 350},   {"  -2.25 rest", -2.25}, {"12abc", 12},
                                                       {"abc", 0},       {"", 0},                 {nullptr, 0}};
    for (auto [text, want] : numbers) EXPECT_EQ(Atof2(text), want) << (text ? text : "null");
}
