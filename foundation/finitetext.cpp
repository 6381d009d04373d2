// Result texts checked whole, before any of them is written, for numbers that are not finite.
#include "foundation/finitetext.h"

#include <cstdlib>

namespace korim::foundation {

namespace {

bool refused = false;  // a result of the run was refused; main thread only

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool lineHasNonFinite(std::string_view line) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    size_t end = i;
    while (end < line.size() && !isSpace(line[end])) ++end;
    if (end > i && isNonFiniteWord(line.substr(i, end - i))) return true;
    i = end;
  }
  return false;
}

}  // namespace

bool isNonFiniteWord(std::string_view word) {
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) word.remove_prefix(1);
  return word == "nan" || word == "inf" || word == "infinity";
}

std::string_view nonFiniteLine(std::string_view text) {
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    if (lineHasNonFinite(line)) return line;
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return {};
}

bool refuseNonFinite(std::string_view text, const char* name) {
  const std::string_view line = trimmed(nonFiniteLine(text));
  if (line.empty()) return false;
  std::fprintf(stderr, "korim: a number that is not finite in \"%.*s\"; the result %s is not written.\n",
               static_cast<int>(line.size()), line.data(),
               name != nullptr && name[0] != '\0' ? name : "(standard output)");
  refused = true;
  return true;
}

bool nonFiniteRefused() { return refused; }

int statusAfterRefusals(int status) { return refused && status == 0 ? 1 : status; }

void nonFiniteReset() { refused = false; }

MemoryText::MemoryText() { stream_ = open_memstream(&buffer_, &size_); }

MemoryText::~MemoryText() {
  if (stream_ != nullptr) std::fclose(stream_);
  std::free(buffer_);
}

std::string_view MemoryText::text() {
  if (stream_ == nullptr || std::fflush(stream_) != 0) return {};
  return {buffer_, size_};
}

}  // namespace korim::foundation
