// Output files of a run: opening, closing with the arrival check, and the record of lost outputs.
#include "foundation/outputfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace korim::foundation {

namespace {

// The outputs of the run, written from the main thread only.
struct OutputFileState {
  bool lost = false;  // an output could not be opened or written
} state;

}  // namespace

std::FILE* openOutput(const char* name, const char* access, const char* message) {
  if (name == nullptr || name[0] == '\0') return stdout;
  std::FILE* out = std::fopen(name, access);
  if (out != nullptr) return out;
  const int err = errno;
  std::fprintf(stderr, message, name, std::strerror(err));
  noteOutputLost();
  return nullptr;
}

int closeOutput(std::FILE* out, const char* name, bool fromStart, const char* message) {
  if (out == nullptr) return 0;
  const bool toStdout = out == stdout;
  bool failed = std::ferror(out) != 0;
  bool regular = false;
  if (toStdout) {
    failed = std::fflush(out) != 0 || failed;
  } else {
    struct stat st {};
    regular = fstat(fileno(out), &st) == 0 && S_ISREG(st.st_mode);
    failed = std::fclose(out) != 0 || failed;
  }
  if (!failed) return 0;
  std::fprintf(stderr, message, toStdout ? "(standard output)" : name);
  noteOutputLost();
  // Only a file this write created whole goes: never a device such as /dev/full, nor the part
  // of an appended file that was there before.
  if (fromStart && regular && name != nullptr) std::remove(name);
  return 1;
}

void noteOutputLost() { state.lost = true; }

bool outputLost() { return state.lost; }

void outputLostReset() { state = {}; }

}  // namespace korim::foundation
