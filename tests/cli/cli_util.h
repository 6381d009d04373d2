// Test helpers for running the built korim program: the run with captured streams and exit
// status, and an independent reader of its result tables.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/pdbtext.h"
#include "tests/support/text.h"

namespace korim_cli {

inline const std::string kPdb = korim_test::examples("ubiquitin_1d3z_model1.pdb");
inline const std::string kCouplings = korim_test::examples("ubiquitin_nh_bicelle.tab");
inline const char* kMemoryLine = "REMARK Memory Allocation Status. Reused: ";

struct RunResult {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs korim with the arguments in the directory dir; the streams go to files there.
inline RunResult runKorim(const std::vector<std::string>& args, const korim_test::TempDir& dir) {
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
  r.out = korim_test::readFile(outName);
  r.err = korim_test::readFile(errName);
  std::remove(outName.c_str());
  std::remove(errName.c_str());
  return r;
}

// True when the last line of the program's stderr is the allocation status line.
inline bool endsWithMemoryStatus(const std::string& err) {
  const std::vector<std::string> v = korim_test::lines(err);
  return !v.empty() && v.back().rfind(kMemoryLine, 0) == 0;
}

// A result table: its lines, and its rows by column name.
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
    const int c = col(name);
    if (c >= 0)
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
  t.lines = korim_test::lines(korim_test::readFile(fileName));
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
