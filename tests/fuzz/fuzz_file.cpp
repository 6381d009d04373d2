// Temporary input files and word lists for the fuzz targets.
#include "tests/fuzz/fuzz_file.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace korim::fuzz {

std::string inputFile(const uint8_t* data, size_t size, const char* tag) {
  const char* dir = std::getenv("TMPDIR");
  char name[512];
  std::snprintf(name, sizeof name, "%s/korim_fuzz_%d_%s", (dir != nullptr && dir[0] != '\0') ? dir : "/tmp",
                static_cast<int>(getpid()), tag);
  std::FILE* f = std::fopen(name, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
  return name;
}

std::vector<std::string> inputWords(const uint8_t* data, size_t size, size_t maxWords) {
  std::vector<std::string> words;
  std::string w;
  for (size_t i = 0; i <= size && words.size() < maxWords; ++i) {
    const char c = i < size ? static_cast<char>(data[i]) : '\0';
    if (c == '\0' || c == ' ' || c == '\n' || c == '\t' || c == '\r') {
      if (!w.empty()) words.push_back(w);
      w.clear();
    } else {
      w += c;
    }
  }
  return words;
}

}  // namespace korim::fuzz
