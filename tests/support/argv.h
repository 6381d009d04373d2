// Test support: a command line "korim <words>" as the argc/argv pair an option reader takes.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korim_test {

struct Argv {
  std::vector<std::string> words;
  std::vector<char*> ptrs;
  explicit Argv(std::vector<std::string> w, const char* program = "korim") : words(std::move(w)) {
    words.insert(words.begin(), program);
    for (std::string& s : words) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);  // argv[argc] is a null pointer, as in main
  }
  int argc() const { return static_cast<int>(words.size()); }
  char** argv() { return ptrs.data(); }
};

}  // namespace korim_test
