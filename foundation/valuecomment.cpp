// The words after the last value of a line: a comment, which may not begin with a number.
#include "foundation/valuecomment.h"

#include "foundation/inputfile.h"
#include "foundation/numberword.h"
#include "foundation/token.h"

namespace korim::foundation {

namespace {

constexpr int kMaxValues = 8;  // words before the comment that any reader's line holds

// The words of line, the first `values` + 1 of them in words; the number that follows the first
// `values`, or empty (see numberAfterValues).
std::string_view numberAfter(const char* line, int values, std::string_view* words) {
  if (line == nullptr || values < 0 || values >= kMaxValues) return {};
  const char* starts[kMaxValues] = {};
  int lengths[kMaxValues] = {};
  if (tokenSpans(line, starts, lengths, values + 1) <= values) return {};
  for (int k = 0; k <= values; k++) words[k] = std::string_view(starts[k], static_cast<std::size_t>(lengths[k]));
  if (beginsComment(words[values])) return {};
  return words[values];
}

}  // namespace

bool beginsComment(std::string_view word) {
  float value = 0.0f;
  return realWord(word, &value) == NumberWord::notNumber;
}

std::string numberAfterValues(const char* line, int values) {
  std::string_view words[kMaxValues];
  return std::string(numberAfter(line, values, words));
}

std::string numberAfterValueText(std::string_view value, std::string_view next, int values) {
  // Written out up to the columns of the widest table korim writes.
  static constexpr const char* kCounts[] = {"",     "one",  "two", "three",  "four",   "five",
                                            "six",  "seven", "eight", "nine", "ten", "eleven", "twelve"};
  constexpr int kWords = static_cast<int>(sizeof kCounts / sizeof kCounts[0]);
  const bool one = values <= 1;
  const std::string count = values < kWords ? kCounts[one ? 1 : values] : std::to_string(values);
  return std::string(one ? "the value " : "the last value ") + shownLine(std::string(value).c_str()) +
         " followed by the number " + shownLine(std::string(next).c_str()) + ", where " + count +
         (one ? " value is" : " values are") + " taken (one number split by a space? words after the " +
         (one ? "value" : "values") + " are a comment, which may not begin with a number)";
}

std::string numberAfterLineValues(const char* line, int values) {
  std::string_view words[kMaxValues];
  const std::string_view next = numberAfter(line, values, words);
  if (next.empty() || values < 1) return {};
  return numberAfterValueText(words[values - 1], next, values);
}

}  // namespace korim::foundation
