// Test support: a text as its lines, and pieces expected to appear in a given order.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace korim_test {

// The lines of a text without their line feeds; a last line without one counts too.
inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::stringstream ss(text);
  for (std::string l; std::getline(ss, l);) v.push_back(l);
  return v;
}

// True when every piece occurs in text after the end of the piece before it; the first piece
// missing or out of order is reported as a test failure.
inline bool inOrder(const std::string& text, const std::vector<std::string>& pieces) {
  size_t pos = 0;
  for (const std::string& p : pieces) {
    const size_t at = text.find(p, pos);
    if (at == std::string::npos) {
      ADD_FAILURE() << "missing or out of order: " << p;
      return false;
    }
    pos = at + p.size();
  }
  return true;
}

}  // namespace korim_test
