// The words after the last value of a line: a comment, which may not begin with a number.
#pragma once

#include <string>
#include <string_view>

namespace korim::foundation {

// The line readers whose lines end in a value or a fixed count of values (the configuration, the
// pKa file, potentials, 3-D grids, states) take the words after them as a comment. A comment that
// begins with a number is no comment but most likely the rest of a number split by a space
// ("CLASH_DISTANCE: 1 5" typed for 1.5) or one value more than a line takes, and the reader
// refuses the line. Returns the word that follows the first `values` words of line when the C
// library's conversion reads it whole as a number (the rule of realWord: a finite number, one
// beyond a float, nan or inf); empty when no word follows or it is no number ("A", "#", "5A",
// "(1.5").
std::string numberAfterValues(const char* line, int values);

// True when word may begin such a comment: it is no number by the rule above. For readers that
// find the word after a line's values themselves (the table reader, whose rows hold any count).
bool beginsComment(std::string_view word);

// The words of such a refusal, the same in every reader: "the value <value> followed by the
// number <next>, where one value is taken (...)", saying how the line is read; for a line of
// several values, "the last value <value> ..., where <values> values are taken (...)".
std::string numberAfterValueText(std::string_view value, std::string_view next, int values = 1);

// For the readers whose lines are a fixed count of values and nothing else they read (potentials,
// 3-D grids, states): the words of the refusal when a number follows the first `values` words of
// line, numberAfterValueText of the last of them and that number; empty otherwise.
std::string numberAfterLineValues(const char* line, int values);

}  // namespace korim::foundation
