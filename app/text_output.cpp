// A finished result text written whole to its file (or to the standard output stream).
#include "app/text_output.h"

#include <cstdio>

#include "foundation/finitetext.h"
#include "foundation/outputfile.h"

namespace korim::app {

int writeText(const std::string& text, const char* outName) {
  if (foundation::refuseNonFinite(text, outName)) return 1;
  return writeCheckedText(text, outName);
}

int writeCheckedText(const std::string& text, const char* outName) {
  std::FILE* out = foundation::openOutput(outName, "w", "KORIM Error opening output file %s: %s\n");
  if (out == nullptr) return 1;
  std::fwrite(text.data(), 1, text.size(), out);
  return foundation::closeOutput(out, outName, "KORIM Error writing output file %s: %s\n");
}

}  // namespace korim::app
