// Output files: which files a failed write or a failed later step may take back.
#include "foundation/outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/files.h"
#include "tests/support/resets.h"

using namespace korim::foundation;
using namespace korim_test;

namespace {

using OutputFiles = Resetting<outputLostReset>;

// Opens name with access through the run's opener and closes it after one line.
void writeThrough(const std::string& name, const char* access) {
  std::FILE* f = openOutput(name.c_str(), access, "open %s: %s\n");
  ASSERT_NE(f, nullptr) << name;
  std::fputs("line\n", f);
  std::fclose(f);
}

bool isFifo(const std::string& name) {
  struct stat st {};
  return lstat(name.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

// Only a regular file this run wrote from its start, and still that file, is taken back.
TEST_F(OutputFiles, RemovesOnlyARegularFileTheRunWroteItself) {
  const TempDir d;
  const std::string name = d / "out.tab";
  const struct {
    const char* what;
    std::function<void()> setUp;
    bool removed;
  } cases[] = {
      {"written from its start", [&] { writeThrough(name, "w"); }, true},
      {"only appended to", [&] { writeFile(name, "old\n"), writeThrough(name, "a"); }, false},
      {"never opened by the run", [&] { writeFile(name, "old\n"); }, false},
      {"replaced since it was written",
       [&] { writeThrough(name, "w"), std::rename(writeFile(d / "other", "x\n").c_str(), name.c_str()); }, false},
      {"a symbolic link written through",
       [&] { symlink(writeFile(d / "target", "").c_str(), name.c_str()), writeThrough(name, "w"); }, false},
      {"a named pipe with a reader",
       [&] {
         mkfifo(name.c_str(), 0600);
         const int reader = open(name.c_str(), O_RDONLY | O_NONBLOCK);
         writeThrough(name, "w");
         close(reader);
       },
       false},
  };
  for (const auto& c : cases) {
    std::remove(name.c_str());
    c.setUp();
    ASSERT_TRUE(fileExists(name) || isFifo(name)) << c.what;
    EXPECT_EQ(removeOutput(name.c_str()), c.removed) << c.what;
    EXPECT_EQ(fileExists(name) || isFifo(name), !c.removed) << c.what;
  }
  EXPECT_TRUE(fileExists(d / "target"));  // the link's target stays too
  EXPECT_FALSE(removeOutput("")) << "the standard output";
}

// Two names are one output file when they reach the same regular file, however spelled; the
// standard output, devices and pipes may be named by several outputs.
TEST(OutputFileNames, SameFileByIdentityOrDirectoryAndName) {
  const TempDir d;
  const std::string file = writeFile(d / "f.tab", "x\n");
  ASSERT_EQ(link(file.c_str(), (d / "hard.tab").c_str()), 0);
  ASSERT_EQ(symlink(file.c_str(), (d / "soft.tab").c_str()), 0);
  ASSERT_EQ(mkdir((d / "sub").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo((d / "p").c_str(), 0600), 0);
  ASSERT_EQ(symlink("sub/later.tab", (d / "dangling.tab").c_str()), 0);  // relative, target not yet there
  ASSERT_EQ(symlink("loop.tab", (d / "loop.tab").c_str()), 0);
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {file, file, true},
      {file, d / "hard.tab", true},
      {d / "soft.tab", file, true},
      {d / "./new.tab", d / "new.tab", true},                // not yet there: its directory and name
      {d / "sub/../new.tab", d / "new.tab", true},
      {d / "new.tab", d / "new.tab.0", false},
      {d / "new.tab", d / "sub/new.tab", false},
      {d / "f.tab", d / "sub/f.tab", false},
      {d / "no_dir/x", d / "no_dir/x", true},                 // no directory either: the text
      {d / "no_dir/x", d / "no_dir/y", false},
      {"/dev/null", "/dev/null", false},
      {d / "p", d / "p", false},
      {"", "", false},
      {d / "dangling.tab", d / "sub/later.tab", true},  // writing through it creates its target
      {d / "dangling.tab", d / "later.tab", false},
      {d / "loop.tab", d / "loop.tab", true},           // a loop of links: taken as it stands
  };
  for (const auto& c : cases) EXPECT_EQ(sameOutputFile(c.a.c_str(), c.b.c_str()), c.same) << c.a << " " << c.b;
}
