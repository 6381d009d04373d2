// Text inputs of the line-oriented readers: opening, the byte-order mark and the read-error check.
#include "foundation/inputfile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "foundation/textstream.h"

namespace korim::foundation {

std::string lineText(const char* line) {
  std::string s(line != nullptr ? line : "");
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string shownLine(const char* line) {
  const std::string text = lineText(line);
  std::string shown;
  const std::size_t n = text.size() < kShownMax ? text.size() : kShownMax;
  for (std::size_t i = 0; i < n; i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x20 && c < 0x7F) || c == '\t') {
      shown += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  if (n < text.size()) shown += " ... (" + std::to_string(text.size()) + " characters)";
  return shown;
}

void lineRefusal(const char* reader, const char* name, int lineNo, const char* line, const std::string& what) {
  std::fprintf(stderr, "%s Error: line %d of %s %s:\n%s\n", reader, lineNo, name != nullptr ? name : "(null)",
               what.c_str(), shownLine(line).c_str());
}

void skipByteOrderMark(std::FILE* fp) {
  static constexpr int kMark[3] = {0xEF, 0xBB, 0xBF};
  const long at = std::ftell(fp);
  int got[3] = {EOF, EOF, EOF};
  int n = 0;
  while (n < 3 && (got[n] = std::getc(fp)) == kMark[n]) n++;
  if (n == 3) return;
  if (n == 0) {
    // The usual case: one character to put back, which every stream allows.
    if (got[0] != EOF) std::ungetc(got[0], fp);
    return;
  }
  // A start like the mark's but not it: back to where it began (a file), or the bytes put back
  // one by one (a pipe; the C library here keeps more than one).
  if (at >= 0 && std::fseek(fp, at, SEEK_SET) == 0) return;
  for (int k = n; k >= 0; k--)
    if (got[k] != EOF) std::ungetc(got[k], fp);
}

std::FILE* openText(const char* name) {
  if (name == nullptr) {
    errno = ENOENT;
    return nullptr;
  }
  std::FILE* fp = std::fopen(name, "r");
  if (fp == nullptr) return nullptr;
  // A directory opens for reading here, and only its first read fails: refused at the open, with
  // the reason the readers' open messages give.
  struct stat st {};
  if (fstat(fileno(fp), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(fp);
    errno = EISDIR;
    return nullptr;
  }
  skipByteOrderMark(fp);
  return normalisedText(fp, true);
}

std::FILE* borrowText(std::FILE* fp) {
  skipByteOrderMark(fp);
  return normalisedText(fp, false);
}

void rewindText(std::FILE* fp) {
  std::rewind(fp);  // the stream passes over the mark itself
}

void emptyFileRefusal(const char* reader, const char* name, const char* what, const char* form) {
  std::fprintf(stderr, "%s Error: %s is empty: it holds no %s%s.\n", reader, name != nullptr ? name : "(null)", what,
               form);
}

void openError(const char* reader, const char* name) {
  const int err = errno;
  std::fprintf(stderr, "%s File open error: %s: %s.\n", reader, name != nullptr ? name : "(null)",
               std::strerror(err));
}

int openInput(const char* name, const char* reader, int* count, FilePtr* fp) {
  if (name == nullptr || name[0] == '\0') {
    if (count != nullptr) *count = 0;
    return 0;
  }
  fp->reset(openText(name));
  if (*fp) return -1;
  openError(reader, name);
  return 1;
}

bool textRefused(std::FILE* fp, const char* reader, const char* name) {
  TextFault fault;
  if (!textFault(fp, &fault)) return false;
  if (fault.kind == TextFault::nulByte) {
    std::fprintf(stderr, "%s Error: line %lld of %s holds a NUL byte; a text file was expected.\n",
                 reader, fault.line, name);
  } else {
    std::fprintf(stderr, "%s Error: line %lld of %s is longer than %d characters.\n", reader,
                 fault.line, name, fault.room);
  }
  return true;
}

bool readFailed(std::FILE* fp, const char* reader, const char* name) {
  if (textRefused(fp, reader, name)) return true;
  if (!std::ferror(fp)) return false;
  std::fprintf(stderr, "%s File read error: %s.\n", reader, name);
  return true;
}

}  // namespace korim::foundation
