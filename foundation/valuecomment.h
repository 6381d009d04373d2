// The words after the last value of a line: a comment, which may not begin with a number.
#pragma once

#include <string>
#include <string_view>

namespace korim::foundation {

// The line readers whose lines end in a value (the configuration, the pKa file) take the words
// after it as a comment. A comment that begins with a number is no comment but most likely the
// rest of a number split by a space ("CLASH_DISTANCE: 1 5" typed for 1.5) or a second value
// where one is taken, and the reader refuses the line. Returns the word that follows the first
// `values` words of line when the C library's conversion reads it whole as a number (the rule of
// realWord: a finite number, one beyond a float, nan or inf); empty when no word follows or it is
// no number ("A", "#", "5A", "(1.5").
std::string numberAfterValues(const char* line, int values);

// The words of such a refusal, the same in every reader: "the value <value> followed by the
// number <next>, where one value is taken (...)", saying how the line is read.
std::string numberAfterValueText(std::string_view value, std::string_view next);

}  // namespace korim::foundation
