// Test helpers for couplings marked as missing: a table with some rows marked (a D of 888 Hz or
// more) or set to another value, the same table without those rows, and the DATA records to
// compare the runs on the two by.
#pragma once

#include <cctype>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_util.h"

namespace korim_cli {

inline std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> w;
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

// The text of the table from (rows of nine columns, D the seventh) with the D of each row whose
// residue mark accepts replaced by value(residue), or the row left out where value gives "".
inline std::string editRows(const std::string& from, const std::function<bool(int)>& mark,
                            const std::function<std::string(int)>& value) {
  std::string out;
  for (const std::string& l : korim_test::lines(korim_test::readFile(from))) {
    std::vector<std::string> w = words(l);
    const bool row = w.size() == 9 && std::isdigit(static_cast<unsigned char>(w[0][0])) && mark(std::stoi(w[0]));
    if (!row) {
      out += l + "\n";
      continue;
    }
    w[6] = value(std::stoi(w[0]));
    if (w[6].empty()) continue;
    for (const std::string& x : w) out += " " + x;
    out += "\n";
  }
  return out;
}

// A table with the couplings of the residues `marked` accepts marked as missing (888 Hz for residue
// 2, else 890.5), and the same table without those rows.
struct MarkedTables {
  std::string marked, cut;
  MarkedTables(const korim_test::TempDir& d, const std::string& from,
               bool (*mark)(int) = [](int r) { return r == 2 || r == 3; }) {
    marked = korim_test::writeFile(d / "marked.tab", editRows(from, mark, [](int r) {
                                     return std::string(r == 2 ? "888.000" : "890.500");
                                   }));
    cut = korim_test::writeFile(d / "cut.tab", editRows(from, mark, [](int) { return std::string(); }));
  }
};

// The DATA records of a result table (plain and REMARK DATA lines), but the line that says how many
// rows DATA N leaves out.
inline std::vector<std::string> dataRecords(const std::string& file) {
  std::vector<std::string> records;
  for (const std::string& l : korim_test::lines(korim_test::readFile(file)))
    if ((l.rfind("DATA ", 0) == 0 || l.rfind("REMARK DATA ", 0) == 0) && l.find("leaves out") == std::string::npos)
      records.push_back(l);
  return records;
}

}  // namespace korim_cli
