// Output files of a run: opening, closing with the arrival check, removal, names of one file,
// whether a name can be written, the standard streams, and the lost outputs.
#include "foundation/outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
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
  int stdoutError = 0;              // the reason the standard output first failed (0: it has not)
  bool stdoutReported = false;      // a writer has reported that failure
  std::vector<WrittenFile> written;  // files this run wrote from their start
} state;

// Notes a failure of the standard output; the first reason stays.
void noteStdoutFailed(int err) {
  if (state.stdoutError == 0) state.stdoutError = err;
  state.lost = true;
}

// What a name would write, for comparing names: the file by its device and inode when it
// exists, else its directory by device and inode and its last name, else the name's text. A
// symbolic link to a file not yet there is followed to the name it would create (links deeper
// than kLinkDepth are taken as they stand).
struct FileKey {
  bool shared = false;  // the standard output, or a device, pipe or directory
  dev_t dev = 0;
  ino_t ino = 0;
  std::string leaf;     // the last name in a directory that exists, or the whole text
};

constexpr int kLinkDepth = 8;

// The folder a name is in: the text before its last slash, "/" for a name at the root, "." for a
// name without a slash.
std::string folderOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}

// The name a dangling symbolic link would create when written through, as a path from here; ""
// when name is no symbolic link or its target cannot be read.
std::string linkTarget(const std::string& name) {
  struct stat st {};
  if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return "";
  std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
  const ssize_t n = readlink(name.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<size_t>(n) >= target.size()) return "";
  target.resize(static_cast<size_t>(n));
  return target[0] == '/' || name.find('/') == std::string::npos ? target : folderOf(name) + "/" + target;
}

FileKey fileKey(const std::string& name, int depth = 0) {
  FileKey key;
  struct stat st {};
  if (name.empty()) {
    key.shared = true;
    return key;
  }
  if (stat(name.c_str(), &st) == 0) {
    key.shared = !S_ISREG(st.st_mode);
    key.dev = st.st_dev;
    key.ino = st.st_ino;
    return key;
  }
  // A dangling link: writing through it creates its target.
  if (const std::string target = depth < kLinkDepth ? linkTarget(name) : ""; !target.empty())
    return fileKey(target, depth + 1);
  const size_t slash = name.rfind('/');
  const std::string dir = folderOf(name);
  key.leaf = slash == std::string::npos ? name : name.substr(slash + 1);
  if (stat(dir.c_str(), &st) == 0) {
    key.dev = st.st_dev;
    key.ino = st.st_ino;
  } else {
    key.leaf = name;
  }
  return key;
}

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
  if (toStdout) {
    // One failed standard output, one message: the first writer to find it says why.
    noteStdoutFailed(err);
    if (!state.stdoutReported)
      std::fprintf(stderr, message, "(standard output)", std::strerror(state.stdoutError));
    state.stdoutReported = true;
    return 1;
  }
  std::fprintf(stderr, message, name, std::strerror(err));
  noteOutputLost();
  removeOutput(name);
  return 1;
}

bool sameOutputFile(const char* a, const char* b) {
  const FileKey ka = fileKey(a != nullptr ? a : ""), kb = fileKey(b != nullptr ? b : "");
  return !ka.shared && !kb.shared && ka.dev == kb.dev && ka.ino == kb.ino && ka.leaf == kb.leaf;
}

int unwritableOutput(const char* name, std::string* place) {
  if (name == nullptr || name[0] == '\0') return 0;
  struct stat st {};
  if (stat(name, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {  // no writer can open it, and the work before it would be lost
      *place = name;
      return EISDIR;
    }
    if (!S_ISREG(st.st_mode)) return 0;
    *place = name;
    return access(name, W_OK) == 0 ? 0 : errno;
  }
  if (errno == ELOOP) {  // links that lead to each other write nothing
    *place = name;
    return ELOOP;
  }
  // A dangling link is written through: the file is made in its target's folder.
  std::string file = name;
  for (int depth = 0; depth < kLinkDepth; depth++) {
    std::string target = linkTarget(file);
    if (target.empty()) break;
    file = std::move(target);
  }
  *place = folderOf(file);
  if (stat(place->c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  return access(place->c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

void guardStandardStreams() {
  for (int fd = 0; fd <= 2; fd++) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower descriptors are open, so /dev/null takes this number.
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
    if (fd == STDOUT_FILENO) noteStdoutFailed(EBADF);
  }
}

int finishStandardOutput(const char* message) {
  if (const int err = flushError(stdout); err != 0) noteStdoutFailed(err);
  if (state.stdoutError == 0) return 0;
  if (!state.stdoutReported) std::fprintf(stderr, message, std::strerror(state.stdoutError));
  state.stdoutReported = true;
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
