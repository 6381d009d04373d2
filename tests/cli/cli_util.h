// Test helpers for running the built korim program: a private working directory, the run with
// captured streams and exit status, and small independent readers of its PDB and table output.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace korim_cli {

inline std::string examples(const std::string& name) { return std::string(KORIM_EXAMPLES) + "/" + name; }
inline std::string testData(const std::string& name) { return std::string(KORIM_TEST_DATA) + "/" + name; }
inline const std::string kPdb = examples("ubiquitin_1d3z_model1.pdb");
inline const std::string kCouplings = examples("ubiquitin_nh_bicelle.tab");

// A fresh directory under the system's temporary directory, removed with everything in it.
struct TempDir {
  std::string path;
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korim_cli_XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) path = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void writeFile(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

inline bool fileExists(const std::string& name) {
  std::error_code ec;  // a name the system cannot even look up does not exist
  return std::filesystem::exists(name, ec);
}

struct RunResult {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs korim with the arguments in the directory dir; the streams go to files there.
inline RunResult runKorim(const std::vector<std::string>& args, const TempDir& dir) {
  RunResult r;
  const std::string outName = dir / ".stdout", errName = dir / ".stderr";
  pid_t pid = fork();
  if (pid == 0) {
    int fo = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int fe = open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fo < 0 || fe < 0 || chdir(dir.path.c_str()) != 0) _exit(127);
    dup2(fo, 1);
    dup2(fe, 2);
    // The program's allocator keeps its blocks until the process ends, by design.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string opts = asan ? asan : "";
    if (opts.find("detect_leaks") == std::string::npos)
      opts += std::string(opts.empty() ? "" : ":") + "detect_leaks=0";
    setenv("ASAN_OPTIONS", opts.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KORIM_BIN));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(KORIM_BIN, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus))
    r.status = WEXITSTATUS(wstatus);
  r.out = readFile(outName);
  r.err = readFile(errName);
  std::remove(outName.c_str());
  std::remove(errName.c_str());
  return r;
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::stringstream ss(text);
  std::string l;
  while (std::getline(ss, l)) v.push_back(l);
  return v;
}

// The last line of a text (without its line feed).
inline std::string lastLine(const std::string& text) {
  std::vector<std::string> v = lines(text);
  return v.empty() ? "" : v.back();
}

inline const char* kMemoryLine = "REMARK Memory Allocation Status. Reused: ";

// True when the last line of the program's stderr is the allocation status line.
inline bool endsWithMemoryStatus(const std::string& err) {
  return lastLine(err).rfind(kMemoryLine, 0) == 0;
}

// Positions of the lines in order within text; -1 entries for lines not found after the last.
inline bool inOrder(const std::string& text, const std::vector<std::string>& want) {
  size_t pos = 0;
  for (const std::string& w : want) {
    size_t p = text.find(w, pos);
    if (p == std::string::npos) {
      ADD_FAILURE() << "missing or out of order: " << w;
      return false;
    }
    pos = p + w.size();
  }
  return true;
}

// An ATOM record of a PDB file, read by the fixed columns of the format.
struct Atom {
  std::string name;
  std::string resName;
  int resID = 0;
  double x = 0, y = 0, z = 0;
};

inline std::vector<Atom> readAtoms(const std::string& fileName) {
  std::vector<Atom> atoms;
  for (const std::string& l : lines(readFile(fileName))) {
    if (l.rfind("ATOM", 0) != 0 || l.size() < 54) continue;
    Atom a;
    std::stringstream name(l.substr(12, 4)), res(l.substr(17, 4));
    name >> a.name;
    res >> a.resName;
    a.resID = std::stoi(l.substr(22, 4));
    a.x = std::stod(l.substr(30, 8));
    a.y = std::stod(l.substr(38, 8));
    a.z = std::stod(l.substr(46, 8));
    atoms.push_back(a);
  }
  return atoms;
}

// A result table: the values of its "DATA" records by name and its rows by column name.
struct Table {
  std::vector<std::string> lines;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;

  int col(const std::string& name) const {
    for (size_t i = 0; i < columns.size(); i++)
      if (columns[i] == name) return static_cast<int>(i);
    return -1;
  }
  std::vector<double> numbers(const std::string& name) const {
    std::vector<double> v;
    int c = col(name);
    if (c < 0) return v;
    for (const auto& r : rows) v.push_back(std::stod(r[c]));
    return v;
  }
  // The first number after the record name "DATA <key>"; NaN when the record is absent.
  double data(const std::string& key) const {
    const std::string head = "DATA " + key;
    for (const std::string& l : lines)
      if (l.rfind(head, 0) == 0 && l.size() > head.size() && l[head.size()] == ' ')
        return std::strtod(l.c_str() + head.size(), nullptr);
    return NAN;
  }
  bool hasLine(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
};

inline Table readTable(const std::string& fileName) {
  Table t;
  t.lines = lines(readFile(fileName));
  bool inRows = false;
  for (const std::string& l : t.lines) {
    std::stringstream ss(l);
    std::string word;
    if (!(ss >> word)) continue;
    if (word == "VARS") {
      while (ss >> word) t.columns.push_back(word);
    } else if (word == "FORMAT") {
      inRows = true;
    } else if (inRows) {
      std::vector<std::string> row{word};
      while (ss >> word) row.push_back(word);
      if (row.size() == t.columns.size()) t.rows.push_back(row);
    }
  }
  return t;
}

inline double pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double mx = 0, my = 0;
  for (size_t i = 0; i < x.size(); i++) {
    mx += x[i] / n;
    my += y[i] / n;
  }
  double sxx = 0, syy = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); i++) {
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
    sxy += (x[i] - mx) * (y[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

}  // namespace korim_cli
