// Result streams of the Da/R estimates: a named file, or the standard output for an empty name.
#pragma once

#include <cstdio>

namespace korim::fitting {

// Owns the stream: the file is closed at the end, the standard output only flushed. A stream
// that was not closed before the end (its writer failed) keeps what was written to it; a file
// it wrote nothing to is removed (by removeOutput's rule).
class ResultStream {
 public:
  ResultStream() = default;
  ResultStream(const ResultStream&) = delete;
  ResultStream& operator=(const ResultStream&) = delete;
  ~ResultStream();

  // Opens name for writing ("" = standard output). Returns 0; 1 after "KORIM Error opening
  // output file <name>: <reason>\n".
  int open(const char* name);
  FILE* get() const { return out_; }
  // Closes (or flushes) the stream. Returns 0; 1 after "KORIM Error writing output file %s: %s\n"
  // when what was written did not reach it (a file is then removed).
  int close();

 private:
  FILE* out_ = nullptr;
  const char* name_ = "";
};

}  // namespace korim::fitting
