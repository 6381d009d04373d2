// The words after the last value of a line: a comment, which may not begin with a number.
#include "foundation/valuecomment.h"

#include "foundation/inputfile.h"
#include "foundation/numberword.h"
#include "foundation/token.h"

namespace korim::foundation {

namespace {

constexpr int kMaxValues = 8;  // words before the comment that any reader's line holds

}  // namespace

std::string numberAfterValues(const char* line, int values) {
  if (line == nullptr || values < 0 || values >= kMaxValues) return {};
  const char* starts[kMaxValues] = {};
  int lengths[kMaxValues] = {};
  if (tokenSpans(line, starts, lengths, values + 1) <= values) return {};
  const std::string_view next(starts[values], static_cast<std::size_t>(lengths[values]));
  float value = 0.0f;
  if (realWord(next, &value) == NumberWord::notNumber) return {};
  return std::string(next);
}

std::string numberAfterValueText(std::string_view value, std::string_view next) {
  return "the value " + shownLine(std::string(value).c_str()) + " followed by the number " +
         shownLine(std::string(next).c_str()) +
         ", where one value is taken (one number split by a space? words after the value are a comment, "
         "which may not begin with a number)";
}

}  // namespace korim::foundation
