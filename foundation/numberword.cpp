// The one rule by which korim's file readers take a number from a word of their input.
#include "foundation/numberword.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "foundation/token.h"

namespace korim::foundation {

namespace {

// The conversion of the whole word by convert (strtof or strtod); false when it stops short.
// *overflow: the number lies beyond the type (an infinity stands for it); *underflow: its size
// lies below the smallest normal number of the type (0 or a subnormal stands for it).
template <typename Convert>
bool convertWhole(std::string_view word, Convert convert, decltype(convert(nullptr, nullptr))* value, bool* overflow,
                  bool* underflow) {
  if (word.empty()) return false;
  const std::string text(word);  // the word alone, ended
  char* end = nullptr;
  const int saved = errno;
  errno = 0;
  *value = convert(text.c_str(), &end);
  *overflow = errno == ERANGE && std::isinf(*value);
  *underflow = errno == ERANGE && !std::isinf(*value);
  errno = saved;
  return end == text.c_str() + text.size();
}

bool isLiteralInfinity(std::string_view word) {
  // A finite text too large for the type also converts to an infinity; only the words do not
  // hold a digit.
  return word.find_first_of("0123456789") == std::string_view::npos;
}

}  // namespace

NumberWord realWord(std::string_view word, float* value) {
  float v = 0.0f;
  bool overflow = false;
  bool underflow = false;  // taken: the nearest float, 0 or a subnormal, is that number to a float's precision
  if (!convertWhole(word, [](const char* s, char** e) { return std::strtof(s, e); }, &v, &overflow, &underflow))
    return NumberWord::notNumber;
  if (overflow || (std::isinf(v) && !isLiteralInfinity(word))) return NumberWord::outOfRange;
  *value = v;
  return std::isfinite(v) ? NumberWord::number : NumberWord::notFinite;
}

NumberWord integerWord(std::string_view word, int* value) {
  double v = 0.0;
  bool overflow = false;
  bool underflow = false;
  if (!convertWhole(word, [](const char* s, char** e) { return std::strtod(s, e); }, &v, &overflow, &underflow))
    return NumberWord::notNumber;
  if (std::isnan(v) || (std::isinf(v) && !overflow && isLiteralInfinity(word))) return NumberWord::notFinite;
  // "1e-400" converts to 0 (or a subnormal): no whole number, though the double would pass as one.
  if (underflow || !(v >= static_cast<double>(INT_MIN) && v <= static_cast<double>(INT_MAX)))
    return NumberWord::outOfRange;
  if (v != std::trunc(v)) return NumberWord::notWhole;
  *value = static_cast<int>(v);
  return NumberWord::number;
}

const char* numberExpected(bool integer, NumberWord got) {
  if (!integer) return got == NumberWord::outOfRange ? "a finite number within about -3.4e38 to 3.4e38"
                                                     : "a finite number";
  return got == NumberWord::outOfRange ? "a whole number from -2147483648 to 2147483647" : "a whole number";
}

std::string firstBadNumber(const char* line, int count, const double* values) {
  constexpr int kRoom = 4;
  const char* starts[kRoom] = {};
  int lengths[kRoom] = {};
  if (count > kRoom) count = kRoom;
  const int found = tokenSpans(line, starts, lengths, count);
  for (int k = 0; k < count && k < found; k++) {
    const std::string_view word(starts[k], static_cast<size_t>(lengths[k]));
    float asFloat = 0.0f;
    if (realWord(word, &asFloat) == NumberWord::notNumber || !std::isfinite(values[k])) return std::string(word);
  }
  return {};
}

}  // namespace korim::foundation
