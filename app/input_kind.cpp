// Files given to -pdb that another option reads (see input_kind.h).
#include "app/input_kind.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/numberword.h"

namespace korim::app {

namespace {

// Lines looked at: the head of a table or of a coordinate list says what it is.
constexpr int kLinesSniffed = 200;
constexpr std::streamsize kBytesSniffed = 65536;

enum class Kind { other, couplingTable, freeCoordinates };

std::vector<std::string> wordsOf(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool isNumber(const std::string& w) {
  float v = 0.0f;
  return foundation::realWord(w, &v) == foundation::NumberWord::number;
}

// "ATOM serial name residue number x y z" as the free-format reader takes it.
bool freeRecord(const std::vector<std::string>& w) {
  int n = 0;
  return w.size() == 8 && w[0] == "ATOM" && foundation::integerWord(w[1], &n) == foundation::NumberWord::number &&
         foundation::integerWord(w[4], &n) == foundation::NumberWord::number && isNumber(w[5]) && isNumber(w[6]) &&
         isNumber(w[7]);
}

Kind kindOf(const char* name) {
  // Only a regular file is read again, and only its head: a pipe is spent, a device endless.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return Kind::other;
  std::ifstream file(name, std::ios::binary);
  std::string head(kBytesSniffed, '\0');
  file.read(head.data(), kBytesSniffed);
  head.resize(static_cast<size_t>(file.gcount()));
  std::istringstream in(head);
  std::string line;
  for (int i = 0; i < kLinesSniffed && std::getline(in, line); i++) {
    const std::vector<std::string> w = wordsOf(line);
    if (w.empty()) continue;
    if (w[0] == "VARS") {
      for (const std::string& column : w)
        if (column == "RESID_I" || column == "ATOMNAME_I") return Kind::couplingTable;
      return Kind::other;
    }
    // The first atom record decides: a PDB file's holds its fields in columns, often joined.
    if (w[0] == "ATOM" || w[0] == "HETATM") return freeRecord(w) ? Kind::freeCoordinates : Kind::other;
  }
  return Kind::other;
}

}  // namespace

bool nameReaderOfFile(const char* pdbName) {
  switch (kindOf(pdbName)) {
    case Kind::couplingTable:
      std::fprintf(stderr,
                   "korim: %s is a coupling table (its VARS line names RESID_I); -inD reads it, and -pdb a "
                   "structure in PDB columns.\n",
                   pdbName);
      return true;
    case Kind::freeCoordinates:
      std::fprintf(stderr,
                   "korim: %s holds free-format coordinates (ATOM serial atom residue number x y z); -pdbF reads "
                   "them, in -stKorimFree, and -pdb a structure in PDB columns.\n",
                   pdbName);
      return true;
    default:
      return false;
  }
}

}  // namespace korim::app
