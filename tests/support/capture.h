// Test support: what a call writes on the standard error or output stream, byte for byte.
#pragma once

#include <cstdio>
#include <string>

#include <unistd.h>

namespace korim_test {

// Runs fn() with the stream redirected into a temporary file and returns the bytes written.
template <typename Fn>
std::string captureStream(std::FILE* stream, Fn fn) {
  std::fflush(stream);
  std::FILE* tmp = std::tmpfile();
  if (tmp == nullptr) return "<tmpfile failed>";
  const int saved = dup(fileno(stream));
  dup2(fileno(tmp), fileno(stream));
  fn();
  std::fflush(stream);
  dup2(saved, fileno(stream));
  close(saved);
  std::string out;
  std::rewind(tmp);
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, tmp)) > 0;) out.append(buf, n);
  std::fclose(tmp);
  return out;
}

template <typename Fn>
std::string captureStderr(Fn fn) { return captureStream(stderr, fn); }

template <typename Fn>
std::string captureStdout(Fn fn) { return captureStream(stdout, fn); }

}  // namespace korim_test
