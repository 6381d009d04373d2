// A finished result text written whole to its file (or to the standard output stream).
#ifndef KORIM_APP_TEXT_OUTPUT_H
#define KORIM_APP_TEXT_OUTPUT_H

#include <string>

namespace korim::app {

// Writes text to outName, or to the standard output stream for an empty name. Returns 0, or 1
// after "KORIM Error opening output file <name>: <reason>" or "KORIM Error writing output file
// <name>: <reason>" (the part written is removed) on the standard error stream, or after
// foundation::refuseNonFinite's message when the text carries a number that is not finite
// (nothing is written).
int writeText(const std::string& text, const char* outName);

// writeText for a text whose writer has checked its numbers itself (it knows which words are
// numbers and which are names): the text is written as it is.
int writeCheckedText(const std::string& text, const char* outName);

}  // namespace korim::app

#endif  // KORIM_APP_TEXT_OUTPUT_H
