// Test support: data paths, a private temporary directory, and whole-file reading and writing.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <stdlib.h>

namespace korim_test {

inline std::string testData(const std::string& name) { return std::string(KORIM_TEST_DATA) + "/" + name; }
inline std::string examples(const std::string& name) { return std::string(KORIM_EXAMPLES) + "/" + name; }
inline const std::string kUbiquitinPdb = testData("ubiquitin_1d3z_model1.pdb");
inline const std::string kUbiquitinCouplings = testData("ubiquitin_nh_bicelle.tab");

// A fresh directory under the system's temporary directory, removed with everything in it.
struct TempDir {
  std::string path;
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korim_test_XXXXXX").string();
    if (mkdtemp(tmpl.data()) != nullptr) path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Writes text to name and returns name, so a fixture can be made inline: read(writeFile(...)).
inline std::string writeFile(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
  return name;
}

inline bool fileExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(name, ec);
}

}  // namespace korim_test
