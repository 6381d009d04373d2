// Text inputs of the line-oriented readers: opening and the read-error check.
#include "foundation/inputfile.h"

namespace korim::foundation {

int openInput(const char* name, const char* reader, int* count, FilePtr* fp) {
  if (name == nullptr || name[0] == '\0') {
    if (count != nullptr) *count = 0;
    return 0;
  }
  fp->reset(std::fopen(name, "r"));
  if (*fp) return -1;
  std::fprintf(stderr, "%s File open error: %s.\n", reader, name);
  return 1;
}

bool readFailed(std::FILE* fp, const char* reader, const char* name) {
  if (!std::ferror(fp)) return false;
  std::fprintf(stderr, "%s File read error: %s.\n", reader, name);
  return true;
}

}  // namespace korim::foundation
