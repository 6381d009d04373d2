// Result texts checked whole, before any of them is written, for numbers that are not finite.
#include "foundation/finitetext.h"

#include <cstdlib>
#include <vector>

namespace korim::foundation {

namespace {

bool refused = false;  // a result of the run was refused; main thread only

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The whitespace-separated words of a line.
std::vector<std::string_view> wordsOf(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    size_t end = i;
    while (end < line.size() && !isSpace(line[end])) ++end;
    if (end > i) words.push_back(line.substr(i, end - i));
    i = end;
  }
  return words;
}

// A table's rows follow its FORMAT line, whose conversions type their fields: a field written
// with %s (or %c) is a name, which may be any word ("inf" as a segment name), not a number.
struct RowTypes {
  std::vector<bool> name;  // per field; empty before any FORMAT line
  bool inRows = false;

  // Reads a FORMAT line; false for any other line.
  bool take(const std::vector<std::string_view>& words) {
    if (words.empty() || words[0] != "FORMAT") return false;
    name.clear();
    for (size_t k = 1; k < words.size(); ++k)
      name.push_back(words[k].back() == 's' || words[k].back() == 'c');
    inRows = true;
    return true;
  }
  // True when word k of a row is a name field. Record lines are no rows; a row whose words do
  // not match the conversions is checked whole.
  bool isName(const std::vector<std::string_view>& words, size_t k) const {
    if (!inRows || words.size() != name.size()) return false;
    const std::string_view head = words[0];
    if (head == "REMARK" || head == "DATA" || head == "VARS") return false;
    return name[k];
  }
};

bool lineHasNonFinite(std::string_view line, RowTypes& types) {
  const std::vector<std::string_view> words = wordsOf(line);
  if (types.take(words)) return false;
  for (size_t k = 0; k < words.size(); ++k)
    if (!types.isName(words, k) && isNonFiniteWord(words[k])) return true;
  return false;
}

}  // namespace

bool isNonFiniteWord(std::string_view word) {
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) word.remove_prefix(1);
  return word == "nan" || word == "inf" || word == "infinity";
}

std::string_view nonFiniteLine(std::string_view text) {
  RowTypes types;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    if (lineHasNonFinite(line, types)) return line;
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return {};
}

bool refuseNonFinite(std::string_view text, const char* name) {
  const std::string_view line = nonFiniteLine(text);
  if (trimmed(line).empty()) return false;
  refuseLine(line, name);
  return true;
}

void refuseLine(std::string_view line, const char* name) {
  line = trimmed(line);
  std::fprintf(stderr, "korim: a number that is not finite in \"%.*s\"; the result %s is not written.\n",
               static_cast<int>(line.size()), line.data(),
               name != nullptr && name[0] != '\0' ? name : "(standard output)");
  refused = true;
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
