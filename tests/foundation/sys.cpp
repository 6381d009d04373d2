// Tests of the small system wrappers: file, directory and terminal tests, numbers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "foundation/inquire.h"
#include "foundation/syscalls.h"

using namespace korim::foundation;

namespace {

// A scratch directory with an empty file, a one-byte file and a subdirectory.
struct Scratch {
    std::string dir;
    Scratch() {
        char name[] = "/tmp/korim_sys_XXXXXX";
        dir = mkdtemp(name);
        write("empty", "");
        write("one", "x");
        mkdir((dir + "/sub").c_str(), 0755);
    }
    ~Scratch() {
        std::remove((dir + "/empty").c_str());
        std::remove((dir + "/one").c_str());
        rmdir((dir + "/sub").c_str());
        rmdir(dir.c_str());
    }
    void write(const char *file, const char *bytes) {
        FILE *f = std::fopen((dir + "/" + file).c_str(), "w");
        std::fputs(bytes, f);
        std::fclose(f);
    }
    std::string at(const char *file) const { return dir + "/" + file; }
};

}  // namespace

TEST(Sys, FileTests) {
    Scratch s;
    EXPECT_EQ(fileExists(s.at("empty").c_str()), 0);
    EXPECT_EQ(fileExists(s.at("one").c_str()), 1);
    EXPECT_EQ(fileExists(s.at("sub").c_str()), 0);
    EXPECT_EQ(fileExists(s.at("missing").c_str()), 0);
    EXPECT_EQ(fileExists(nullptr), 0);
    EXPECT_EQ(fileExists0(s.at("empty").c_str()), 1);
    EXPECT_EQ(fileExists0(s.at("sub").c_str()), 1);
    EXPECT_EQ(fileExists0(s.at("missing").c_str()), 0);
}

TEST(Sys, DirectoryPartOfAName) {
    Scratch s;
    char buf[512];
    std::string name = s.at("sub") + "/run1.tab";
    EXPECT_EQ(dirExists(name.c_str(), buf), 1);
    EXPECT_EQ(std::string(buf), s.at("sub"));
    EXPECT_EQ(dirExists("run1.tab", buf), 1);
    EXPECT_STREQ(buf, "./");
    std::snprintf(buf, sizeof buf, "untouched");
    EXPECT_EQ(dirExists("!gunzip -c x.gz", buf), 1);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(dirExists("/run1.tab", buf), 0);  // the empty path has no status
    EXPECT_STREQ(buf, "");
    name = s.at("one") + "/run1.tab";  // a plain file is not a directory
    EXPECT_EQ(dirExists(name.c_str(), buf), 0);
    name = s.at("nothere") + "/run1.tab";
    EXPECT_EQ(dirExists(name.c_str(), buf), 0);
    EXPECT_EQ(std::string(buf), s.at("nothere"));
}

TEST(Sys, TerminalTest) {
    Scratch s;
    int fd = open(s.at("one").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(isTTY(fd), 0);
    close(fd);
    int dfd = open(s.dir.c_str(), O_RDONLY);
    EXPECT_EQ(isTTY(dfd), 0);
    close(dfd);
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    EXPECT_EQ(isTTY(p[0]), 0);
    close(p[0]);
    close(p[1]);
    int nfd = open("/dev/null", O_RDONLY);  // a character device
    ASSERT_GE(nfd, 0);
    EXPECT_EQ(isTTY(nfd), 1);
    close(nfd);
    EXPECT_EQ(isTTY(-1), 0);
}

TEST(Sys, NumbersAndPause) {
    EXPECT_EQ(Atof2("3.5e2"), 350.0);
    EXPECT_EQ(Atof2("  -2.25 rest"), -2.25);
    EXPECT_EQ(Atof2("12abc"), 12.0);
    EXPECT_EQ(Atof2("abc"), 0.0);
    EXPECT_EQ(Atof2(""), 0.0);
    EXPECT_EQ(Atof2(nullptr), 0.0);
    EXPECT_EQ(uSleep(0), 0);
    EXPECT_EQ(uSleep(10), 0);
}
