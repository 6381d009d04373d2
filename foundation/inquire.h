// Tests for files, directories and terminals.
#pragma once

namespace korim::foundation {

// 1 when the file opens for reading and yields at least one byte.
int fileExists(const char *testName);
// 1 when the path's status can be read.
int fileExists0(const char *testName);
// 1 when the directory part of testName is a directory; dirName (which must
// hold all of testName) receives that part ("./" when there is none).
// A name beginning with "!" is a shell command and gives 1.
int dirExists(const char *testName, char *dirName);
// 1 when the descriptor is a character device such as a terminal.
int isTTY(int fd);

}  // namespace korim::foundation
