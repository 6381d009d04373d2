// A finished result text written whole to its file (or to the standard output stream).
#include "app/text_output.h"

#include <cstdio>

namespace korim::app {

int writeText(const std::string& text, const char* outName) {
  if (outName[0] == '\0') {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::FILE* out = std::fopen(outName, "w");
  if (out == nullptr) {
    std::fprintf(stderr, "KORIM Error opening output file %s\n", outName);
    return 1;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "KORIM Error writing output file %s\n", outName);
    return 1;
  }
  return 0;
}

}  // namespace korim::app
