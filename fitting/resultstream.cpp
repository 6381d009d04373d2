// Result streams of the Da/R estimates: a named file, or the standard output for an empty name.
#include "fitting/resultstream.h"

#include "foundation/outputfile.h"

namespace korim::fitting {

// Still open here, the stream was left by a step that failed: what was written to it stays, a
// file it holds nothing of goes (a run that failed before its results writes no result file).
ResultStream::~ResultStream() {
  const bool empty = out_ != nullptr && out_ != stdout && std::ftell(out_) == 0;
  close();
  if (empty) foundation::removeOutput(name_);
}

int ResultStream::open(const char* name) {
  close();
  name_ = name != nullptr ? name : "";
  out_ = foundation::openOutput(name_, "w", "KORIM Error opening output file %s: %s\n");
  return out_ != nullptr ? 0 : 1;
}

int ResultStream::close() {
  std::FILE* out = out_;
  out_ = nullptr;
  return foundation::closeOutput(out, name_, "KORIM Error writing output file %s: %s\n");
}

}  // namespace korim::fitting
