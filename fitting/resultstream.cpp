// Result streams of the Da/R estimates: a named file, or the standard output for an empty name.
#include "fitting/resultstream.h"

namespace korim::fitting {

ResultStream::~ResultStream() { close(); }

int ResultStream::open(const char* name) {
  close();
  name_ = name != nullptr ? name : "";
  if (name_[0] == '\0') {
    out_ = stdout;
    return 0;
  }
  out_ = std::fopen(name_, "w");
  if (out_ == nullptr) {
    std::fprintf(stderr, "KORIM Error opening output file %s\n", name_);
    return 1;
  }
  return 0;
}

int ResultStream::close() {
  if (out_ == nullptr) return 0;
  bool bad = std::ferror(out_) != 0;
  if (out_ == stdout) {
    bad = std::fflush(out_) != 0 || bad;
  } else {
    bad = std::fclose(out_) != 0 || bad;
  }
  out_ = nullptr;
  if (bad) {
    std::fprintf(stderr, "KORIM Error writing output file %s\n", name_[0] ? name_ : "(stdout)");
    return 1;
  }
  return 0;
}

}  // namespace korim::fitting
