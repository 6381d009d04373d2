// Text inputs of the line-oriented readers: opening, the byte-order mark and the read-error check.
#include "foundation/inputfile.h"

#include <cerrno>
#include <cstring>

namespace korim::foundation {

std::string lineText(const char* line) {
  std::string s(line != nullptr ? line : "");
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string printableLine(const char* line) {
  std::string out;
  for (const char c : lineText(line)) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 0x20 && b < 0x7F) || c == '\t') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

void refuseInputLine(const char* what, const char* name, int lineNo, const char* line, const std::string& why) {
  std::fprintf(stderr, "KORIM Error: %s %s, line %d \"%s\": %s.\n", what, name, lineNo, printableLine(line).c_str(),
               why.c_str());
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
  if (fp != nullptr) skipByteOrderMark(fp);
  return fp;
}

void rewindText(std::FILE* fp) {
  std::rewind(fp);
  skipByteOrderMark(fp);
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

bool readFailed(std::FILE* fp, const char* reader, const char* name) {
  if (!std::ferror(fp)) return false;
  std::fprintf(stderr, "%s File read error: %s.\n", reader, name);
  return true;
}

}  // namespace korim::foundation
