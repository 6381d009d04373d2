// Temporary input files and word lists for the fuzz targets.
#include "tests/fuzz/fuzz_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korim::fuzz {

namespace {

std::string tempName(const char* tag) {
  const char* dir = std::getenv("TMPDIR");
  char name[512];
  std::snprintf(name, sizeof name, "%s/korim_fuzz_%d_%s", (dir != nullptr && dir[0] != '\0') ? dir : "/tmp",
                static_cast<int>(getpid()), tag);
  return name;
}

std::vector<std::string> madeDirs;

void removeDirs() {
  for (const std::string& d : madeDirs) rmdir(d.c_str());
}

}  // namespace

std::string inputFile(const uint8_t* data, size_t size, const char* tag) {
  const std::string name = tempName(tag);
  writeBytes(name, data, size);
  return name;
}

std::vector<char*> argVector(std::string& prog, std::vector<std::string>& words) {
  std::vector<char*> argv;
  argv.push_back(prog.data());
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return argv;
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

std::string inputDir(const char* tag) {
  const std::string name = tempName(tag);
  for (const std::string& d : madeDirs)
    if (d == name) return name;
  if (mkdir(name.c_str(), 0700) != 0 && errno != EEXIST) std::abort();
  if (madeDirs.empty()) std::atexit(removeDirs);
  madeDirs.push_back(name);
  return name;
}

std::vector<InputPart> inputParts(const uint8_t* data, size_t size, size_t maxParts) {
  std::vector<InputPart> parts;
  size_t at = 0;
  while (at + 3 <= size && parts.size() < maxParts) {
    const size_t want = data[at + 1] | (static_cast<size_t>(data[at + 2]) << 8);
    const size_t have = size - (at + 3) < want ? size - (at + 3) : want;
    parts.push_back({data[at], data + at + 3, have});
    at += 3 + have;
  }
  return parts;
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
