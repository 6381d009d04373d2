// Every option word korim knows (in any mode), and the refusal of a command-line word that is none.
#pragma once

#include <span>

namespace korim::app {

// One option word and whether it takes the word after it as its value, whatever that word is
// (a file name may begin with "-"). The others are read by presence, or take the words up to the
// next option word (lists and counted options, and -dbg's one optional word), which never
// include an option word.
struct OptionWord {
  const char* word;
  bool takesValue;
  // The value names a file the user gives korim to read (whether or not the run's mode reads it):
  // no output of any run may write over it.
  bool namesInput = false;
};

// The option words of the command-line readers of korim: getparams and the tensor and atom
// selection readers it calls. A test holds it equal to the words those readers look for.
std::span<const OptionWord> optionWords();

// Refuses a command line with a word that begins with "-", is no number ("-" followed by a digit
// or "." starts one), is not the value of the option word before it and is no option word of
// korim: "KORIM Error: unknown option ..." for each such word, naming the options close to it
// (equal but for case, else one character inserted, deleted or changed). Refuses as well an
// option that takes a value but has none, for every reader alike: last on the line, or followed
// by an empty word (but -rem, whose remark may be empty), and the lists -w, -fixAa and -fixRes
// without a word: "KORIM Error: option ... needs a value." Returns 0 when there is none of
// these or when -help asks for the usage text, 1 after the messages.
int refuseUnknownWords(int argc, char** argv);

}  // namespace korim::app
