// Output files of a run: opening, closing with the arrival check, removal, and the lost outputs.
#include "foundation/outputfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace korim::foundation {

namespace {

// A regular file this run opened for writing from its start, by its name and identity.
struct WrittenFile {
  std::string name;
  dev_t dev;
  ino_t ino;
};

// The outputs of the run, written from the main thread only.
struct OutputFileState {
  bool lost = false;                // an output could not be opened or written
  std::vector<WrittenFile> written;  // files this run wrote from their start
} state;

std::vector<WrittenFile>::iterator findWritten(const char* name) {
  auto it = state.written.begin();
  while (it != state.written.end() && it->name != name) ++it;
  return it;
}

// Records a file just opened with "w"; a name opened again replaces its earlier record.
void recordWritten(const char* name, std::FILE* out) {
  struct stat st {};
  const bool regular = fstat(fileno(out), &st) == 0 && S_ISREG(st.st_mode);
  auto it = findWritten(name);
  if (it != state.written.end()) state.written.erase(it);
  if (regular) state.written.push_back({name, st.st_dev, st.st_ino});
}

}  // namespace

std::FILE* openOutput(const char* name, const char* access, const char* message) {
  if (name == nullptr || name[0] == '\0') return stdout;
  std::FILE* out = std::fopen(name, access);
  if (out != nullptr) {
    if (access[0] == 'w') recordWritten(name, out);
    return out;
  }
  const int err = errno;
  std::fprintf(stderr, message, name, std::strerror(err));
  noteOutputLost();
  return nullptr;
}

int flushError(std::FILE* out) {
  // A stream keeps what a failed buffered write held, so the flush fails again with the reason;
  // a large write that went past the buffer and failed leaves only the number it set.
  const int earlier = errno;
  const bool failedBefore = std::ferror(out) != 0;
  errno = 0;
  if (std::fflush(out) != 0) return errno != 0 ? errno : EIO;
  if (!failedBefore) return 0;
  return earlier != 0 ? earlier : EIO;
}

int closeOutput(std::FILE* out, const char* name, const char* message) {
  if (out == nullptr) return 0;
  const bool toStdout = out == stdout;
  int err = flushError(out);
  if (!toStdout) {
    errno = 0;
    if (std::fclose(out) != 0 && err == 0) err = errno != 0 ? errno : EIO;
  }
  if (err == 0) return 0;
  std::fprintf(stderr, message, toStdout ? "(standard output)" : name, std::strerror(err));
  noteOutputLost();
  if (!toStdout) removeOutput(name);
  return 1;
}

bool removeOutput(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  auto it = findWritten(name);
  if (it == state.written.end()) return false;
  const WrittenFile file = *it;
  state.written.erase(it);
  // lstat: a symbolic link put at the name is itself no regular file.
  struct stat st {};
  if (lstat(name, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != file.dev ||
      st.st_ino != file.ino)
    return false;
  return std::remove(name) == 0;
}

void noteOutputLost() { state.lost = true; }

bool outputLost() { return state.lost; }

void outputLostReset() { state = {}; }

}  // namespace korim::foundation
