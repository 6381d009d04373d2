// Text inputs of the line-oriented readers: an owning file handle, opening with the readers'
// conventions and the check that a read ended at the end of the file rather than on an error.
#pragma once

#include <cstdio>
#include <memory>

namespace korim::foundation {

struct FileCloser {
  void operator()(std::FILE* fp) const { std::fclose(fp); }
};
// A stream closed on every path.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a reader's input into *fp. An empty (or null) name means nothing to read: *count (when
// given) becomes 0 and the result is 0; a file that does not open is reported on stderr as
// "<reader> File open error: <name>." and gives 1; otherwise the result is -1 and reading goes on.
int openInput(const char* name, const char* reader, int* count, FilePtr* fp);

// True, after "<reader> File read error: <name>." on stderr, when the stream failed while
// reading: a failed read must not pass for a short file.
bool readFailed(std::FILE* fp, const char* reader, const char* name);

}  // namespace korim::foundation
