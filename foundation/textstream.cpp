// Text streams with LF line ends whatever the file uses, stopping at a NUL byte.
#include "foundation/textstream.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "foundation/inputfile.h"

namespace korim::foundation {

namespace {

constexpr std::size_t kBlock = 1 << 16;  // raw bytes read ahead at a time from a regular file

struct TextStream {
  std::FILE* raw = nullptr;
  bool owned = true;
  bool byLine = false;     // read raw up to a line end at a time (not a regular file, or borrowed)
  std::vector<char> buf;   // normalised bytes; [at, end) not yet handed out
  std::size_t at = 0;
  std::size_t end = 0;
  bool lastCR = false;     // the last raw byte was a CR: an LF next is its pair
  bool rawDone = false;    // raw gave its last byte, failed, or reached a NUL byte
  int rawError = 0;        // errno of a failed read of raw; 0 while none
  long long lineEnds = 0;  // line ends among the normalised bytes
  long long nulLine = 0;   // the line of the first NUL byte; 0 while none was met
  long long handed = 0;    // bytes handed out since the start
  long long lines = 0;     // lines given by readLine
  long long longLine = 0;  // the line readLine refused, and the room it had
  int longRoom = 0;

  void restart() {
    at = end = 0;
    lastCR = rawDone = false;
    lineEnds = nulLine = handed = lines = longLine = 0;
    rawError = longRoom = 0;
  }
};

// The module's state: the streams open now, found by their FILE (any thread may open, read or
// close one). It has no reset: each entry is an open stream, removed when that stream closes.
struct Registry {
  std::mutex lock;
  std::unordered_map<std::FILE*, TextStream*> streams;
};

Registry& registry() {
  static Registry r;
  return r;
}

TextStream* find(std::FILE* fp) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  const auto it = r.streams.find(fp);
  return it != r.streams.end() ? it->second : nullptr;
}

// Normalises the n raw bytes at buf[end] in place and appends them to the normalised bytes;
// stops at a NUL byte.
void take(TextStream& s, std::size_t n) {
  char* p = s.buf.data() + s.end;
  // The usual block: no CR, no NUL, nothing to change.
  if (!s.lastCR && std::memchr(p, '\r', n) == nullptr && std::memchr(p, '\0', n) == nullptr) {
    s.lineEnds += std::count(p, p + n, '\n');
    s.end += n;
    return;
  }
  std::size_t w = 0;
  for (std::size_t r = 0; r < n; r++) {
    char c = p[r];
    if (s.lastCR) {
      s.lastCR = false;
      if (c == '\n') continue;
    }
    if (c == '\0') {
      s.nulLine = s.lineEnds + 1;
      s.rawDone = true;
      break;
    }
    if (c == '\r') {
      c = '\n';
      s.lastCR = true;
    }
    if (c == '\n') s.lineEnds++;
    p[w++] = c;
  }
  s.end += w;
}

// More normalised bytes after the ones not yet handed out, unless raw has given all.
void fill(TextStream& s) {
  if (s.rawDone) return;
  if (s.at > 0) {
    std::memmove(s.buf.data(), s.buf.data() + s.at, s.end - s.at);
    s.end -= s.at;
    s.at = 0;
  }
  const std::size_t room = s.buf.size() - s.end;
  char* p = s.buf.data() + s.end;
  std::size_t n = 0;
  if (!s.byLine) {
    n = std::fread(p, 1, room, s.raw);
  } else {
    // Up to and with the next line end, so that nothing past it is taken from raw.
    int c = 0;
    while (n < room && (c = std::getc(s.raw)) != EOF) {
      p[n++] = static_cast<char>(c);
      if (c == '\n') break;
      if (c == '\r') {
        // Its LF, when one follows, belongs to the same line end.
        const int next = std::getc(s.raw);
        if (next == '\n' && n < room) {
          p[n++] = '\n';
        } else if (next != EOF) {
          std::ungetc(next, s.raw);
        }
        break;
      }
    }
  }
  if (n == 0) {
    s.rawDone = true;
    if (std::ferror(s.raw) != 0) s.rawError = errno != 0 ? errno : EIO;
    return;
  }
  take(s, n);
}

ssize_t readText(void* cookie, char* out, std::size_t size) {
  TextStream& s = *static_cast<TextStream*>(cookie);
  for (;;) {
    const std::size_t avail = s.end - s.at;
    const std::size_t span = std::min(avail, size);
    const char* p = s.buf.data() + s.at;
    const void* last = span > 0 ? memrchr(p, '\n', span) : nullptr;
    std::size_t n = 0;
    if (last != nullptr) {
      n = static_cast<std::size_t>(static_cast<const char*>(last) - p) + 1;  // whole lines
    } else if (avail >= size || avail == s.buf.size()) {
      n = span;  // a piece of a line longer than the room
    } else if (!s.rawDone) {
      fill(s);
      continue;
    } else if (s.nulLine > 0 || s.rawError != 0) {
      errno = s.nulLine > 0 ? EILSEQ : s.rawError;  // the line of the NUL byte is not handed out
      return -1;
    } else {
      n = span;  // the last line, without a line end (0: the end)
    }
    std::memcpy(out, p, n);
    s.at += n;
    s.handed += static_cast<long long>(n);
    return static_cast<ssize_t>(n);
  }
}

// Only what rewind and ftell ask: back to the start (a stream that owns its file) and the
// place reached.
int seekText(void* cookie, off64_t* pos, int whence) {
  TextStream& s = *static_cast<TextStream*>(cookie);
  if (whence == SEEK_CUR && *pos == 0) {
    *pos = s.handed;
    return 0;
  }
  if (whence == SEEK_SET && *pos == 0 && s.owned) {
    if (std::fseek(s.raw, 0, SEEK_SET) != 0) return -1;
    std::clearerr(s.raw);
    s.restart();
    skipByteOrderMark(s.raw);
    return 0;
  }
  errno = EINVAL;
  return -1;
}

int closeText(void* cookie) {
  TextStream* s = static_cast<TextStream*>(cookie);
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    for (auto it = r.streams.begin(); it != r.streams.end(); ++it) {
      if (it->second == s) {
        r.streams.erase(it);
        break;
      }
    }
  }
  const int status = s->owned ? std::fclose(s->raw) : 0;
  delete s;
  return status;
}

}  // namespace

std::FILE* normalisedText(std::FILE* raw, bool owned) {
  if (raw == nullptr) return nullptr;
  auto* s = new TextStream;
  s->raw = raw;
  s->owned = owned;
  struct stat st {};
  s->byLine = !owned || fstat(fileno(raw), &st) != 0 || !S_ISREG(st.st_mode);
  s->buf.resize(kBlock);
  const cookie_io_functions_t io{readText, nullptr, seekText, closeText};
  std::FILE* fp = fopencookie(s, "r", io);
  if (fp == nullptr) {
    const int err = errno;
    if (owned) std::fclose(raw);
    delete s;
    errno = err;
    return nullptr;
  }
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.streams[fp] = s;
  return fp;
}

int textDescriptor(std::FILE* fp) {
  const TextStream* s = find(fp);
  return fileno(s != nullptr ? s->raw : fp);
}

char* readLine(char* line, int size, std::FILE* fp) {
  TextStream* s = find(fp);
  if (s != nullptr && s->longLine > 0) return nullptr;
  if (std::fgets(line, size, fp) == nullptr) return nullptr;
  if (s == nullptr) return line;
  const std::size_t n = std::strlen(line);
  // Whole when it ends in its line end, or ends the file before the buffer is full.
  if ((n > 0 && line[n - 1] == '\n') || static_cast<long long>(n) + 1 < size) {
    s->lines++;
    return line;
  }
  s->longLine = s->lines + 1;
  s->longRoom = size - 2;
  return nullptr;
}

bool textFault(std::FILE* fp, TextFault* fault) {
  const TextStream* s = find(fp);
  if (s == nullptr) return false;
  if (s->longLine > 0) {
    *fault = {TextFault::longLine, s->longLine, s->longRoom};
    return true;
  }
  // Met only when the reader got to that line: bytes read ahead of it do not count.
  if (s->nulLine > 0 && std::ferror(fp) != 0) {
    *fault = {TextFault::nulByte, s->nulLine, 0};
    return true;
  }
  return false;
}

}  // namespace korim::foundation
