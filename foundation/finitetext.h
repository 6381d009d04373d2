// Result texts checked whole, before any of them is written, for numbers that are not finite.
#pragma once

#include <cstdio>
#include <string_view>

namespace korim::foundation {

// True when word is a number as printf writes a not-a-number or an infinity ("nan", "-nan",
// "inf", "-inf", "infinity", with an optional sign).
bool isNonFiniteWord(std::string_view word);

// The first line of text (without its newline) that holds such a word; empty when every number
// of the text is finite. Only numbers count: in the rows of a table, which follow its FORMAT
// line, a field whose conversion is %s (or %c) is a name, and a name "inf" or "nan" is no number.
std::string_view nonFiniteLine(std::string_view text);

// The one rule for result tables and records: a text that carries a number that is not finite
// is no result. Returns false when text is sound. Otherwise prints "korim: a number that is not
// finite in "<line>"; the result <name> is not written." (name "(standard output)" when null or
// empty) on stderr, notes the refusal for the run and returns true; the caller writes nothing.
bool refuseNonFinite(std::string_view text, const char* name);

// The refusal of refuseNonFinite for a writer that found the number itself: prints the message
// for line (its leading and trailing blanks dropped) and notes the refusal for the run.
void refuseLine(std::string_view line, const char* name);

// True once a result of this run was refused for a number that is not finite.
bool nonFiniteRefused();
// The exit status of a run that ended with status: 1 in place of 0 once a result of the run was
// refused (the run did not write what it was asked for, whatever its callers went on to do).
int statusAfterRefusals(int status);
// Forgets the refusals (tests).
void nonFiniteReset();

// A text formatted through a stream into memory, so that it can be checked whole before it is
// written. stream() is null when no memory could be had.
class MemoryText {
 public:
  MemoryText();
  MemoryText(const MemoryText&) = delete;
  MemoryText& operator=(const MemoryText&) = delete;
  ~MemoryText();
  std::FILE* stream() const { return stream_; }
  // What was written so far (the stream is flushed).
  std::string_view text();

 private:
  std::FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace korim::foundation
