// Test helper: captures what a call writes on the standard error stream.
#ifndef KORIM_TESTS_APP_CAPTURE_H
#define KORIM_TESTS_APP_CAPTURE_H

#include <cstdio>
#include <string>
#include <unistd.h>

namespace korim_test {

// Runs fn() with stderr redirected into a temporary file and returns the bytes written.
template <typename Fn>
std::string captureStderr(Fn fn) {
  std::fflush(stderr);
  std::FILE* tmp = std::tmpfile();
  if (tmp == nullptr) return "<tmpfile failed>";
  int saved = dup(fileno(stderr));
  dup2(fileno(tmp), fileno(stderr));
  fn();
  std::fflush(stderr);
  dup2(saved, fileno(stderr));
  close(saved);
  std::string out;
  std::rewind(tmp);
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0) out.append(buf, n);
  std::fclose(tmp);
  return out;
}

}  // namespace korim_test

#endif  // KORIM_TESTS_APP_CAPTURE_H
