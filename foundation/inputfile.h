// Text inputs of the line-oriented readers: an owning file handle, opening with the readers'
// conventions and the check that a read ended at the end of the file rather than on an error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace korim::foundation {

struct FileCloser {
  void operator()(std::FILE* fp) const { std::fclose(fp); }
};
// A stream closed on every path.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A line as a reader got it, without the line end it may close with ("\n", "\r\n"): for
// messages that quote the line and for key lines kept as text. A null line gives "".
std::string lineText(const char* line);

// What a line holds, for a message that quotes it: lineText with every byte that is not
// printable ASCII (a control character, a byte of a binary file, a byte of a multi-byte
// character) written as \xHH, and a line longer than kShownMax characters cut there with
// " ... (<n> characters)" after it. A null line gives "".
std::string shownLine(const char* line);
inline constexpr std::size_t kShownMax = 240;

// A line a reader refuses, on stderr: "<reader> Error: line <lineNo> of <name> <what>:", then
// what the line holds (shownLine) on a line of its own. what says what is wrong with the line and
// what was expected of it.
void lineRefusal(const char* reader, const char* name, int lineNo, const char* line, const std::string& what);

// Passes over a UTF-8 byte-order mark (EF BB BF) at the current place of fp, which some editors
// write at the start of a text file; any other bytes stay unread. Every text reader calls it
// at the start of its file, so that the mark never becomes part of the first line.
void skipByteOrderMark(std::FILE* fp);

// The text file name opened for reading, past a byte-order mark; null (errno set) when it does
// not open.
std::FILE* openText(const char* name);

// Back to the start of a text file opened by openText, past its byte-order mark (a reader's
// second pass).
void rewindText(std::FILE* fp);

// "<reader> File open error: <name>: <reason>." on stderr, the reason from errno.
void openError(const char* reader, const char* name);

// Opens a reader's input into *fp. An empty (or null) name means nothing to read: *count (when
// given) becomes 0 and the result is 0; a file that does not open is reported by openError and
// gives 1; otherwise the result is -1 and reading goes on.
int openInput(const char* name, const char* reader, int* count, FilePtr* fp);

// True, after "<reader> File read error: <name>." on stderr, when the stream failed while
// reading: a failed read must not pass for a short file.
bool readFailed(std::FILE* fp, const char* reader, const char* name);

}  // namespace korim::foundation
