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

// The text file name opened for reading, past a byte-order mark, its lines ending in LF whether
// the file ends them with LF, CR LF or CR, and failing at the line of a NUL byte (see
// normalisedText); null (errno set) when it does not open, and for a directory (errno EISDIR).
std::FILE* openText(const char* name);

// The same reading of a stream others read on after (stdin): past a byte-order mark, then a
// stream of its own that never takes a byte past the line it gives last. Closing it leaves fp
// open.
std::FILE* borrowText(std::FILE* fp);

// Back to the start of a text file opened by openText, past its byte-order mark (a reader's
// second pass).
void rewindText(std::FILE* fp);

// A file that holds no line (empty, or a byte-order mark alone), where an empty file would read as
// no file at all: "<reader> Error: <name> is empty: it holds no <what><form>." on stderr. form is
// what a line of the file holds, as the reader's line refusals say it (" (each line of ...)").
void emptyFileRefusal(const char* reader, const char* name, const char* what, const char* form);

// "<reader> File open error: <name>: <reason>." on stderr, the reason from errno.
void openError(const char* reader, const char* name);

// Opens a reader's input into *fp. An empty (or null) name means nothing to read: *count (when
// given) becomes 0 and the result is 0; a file that does not open is reported by openError and
// gives 1; otherwise the result is -1 and reading goes on.
int openInput(const char* name, const char* reader, int* count, FilePtr* fp);

// True, after "<reader> Error: line <n> of <name> holds a NUL byte; a text file was expected."
// or "<reader> Error: line <n> of <name> is longer than <room> characters." on stderr, when
// a stream of openText stopped at such a line; for readers with a read-error message of their
// own.
bool textRefused(std::FILE* fp, const char* reader, const char* name);

// True, after the message of textRefused or else "<reader> File read error: <name>." on
// stderr, when the stream stopped short: a failed read must not pass for a short file.
bool readFailed(std::FILE* fp, const char* reader, const char* name);

}  // namespace korim::foundation
