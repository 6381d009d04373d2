// Test helpers for running the built korim program: the run with captured streams and exit
// status, a table of runs and what each must show, and an independent reader of result tables.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
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

// Exit status (-1 when the program did not exit normally), standard output and error.
struct RunResult {
  int status = -1;
  std::string out, err;
};

// A stdoutName for runKorim: the run starts with its standard output closed.
inline const std::string kClosedStdout = "<closed>";

// A run that has used this many seconds of processor time (all its threads together) hangs: the
// slowest run of these tests takes some tens of them under the sanitizers. It is stopped, and fails
// with status -1 instead of holding up the whole suite. Processor time, not the clock: a machine
// loaded by other work slows a run down but does not stop it. A run that hangs without computing
// is left to the suite's own limit on each test.
inline constexpr unsigned kRunLimitSeconds = 600;

// Runs korim with the arguments in the directory dir; the standard input is empty, the output
// streams go to files there, standard output to stdoutName instead when that is given (r.out is
// then empty; kClosedStdout: no standard output at all). A run that uses kRunLimitSeconds of processor
// time is stopped (status -1, a line saying so after its standard error).
inline RunResult runKorim(const std::vector<std::string>& args, const korim_test::TempDir& dir,
                          const std::string& stdoutName = "") {
  RunResult r;
  const bool ownStdout = stdoutName.empty() || stdoutName == kClosedStdout;
  const std::string outName = ownStdout ? dir / ".stdout" : stdoutName, errName = dir / ".stderr";
  pid_t pid = fork();
  if (pid == 0) {
    const int fi = open("/dev/null", O_RDONLY);
    const int fo = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fe = open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fi < 0 || fo < 0 || fe < 0 || chdir(dir.path.c_str()) != 0 || dup2(fi, 0) < 0 || dup2(fo, 1) < 0 ||
        dup2(fe, 2) < 0)
      _exit(127);
    if (stdoutName == kClosedStdout) close(1);
    // The program's allocator keeps its blocks until the process ends, by design.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string opts = asan ? asan : "";
    if (opts.find("detect_leaks") == std::string::npos)
      opts += std::string(opts.empty() ? "" : ":") + "detect_leaks=0";
    setenv("ASAN_OPTIONS", opts.c_str(), 1);
    std::vector<char*> argv = {const_cast<char*>(KORIM_BIN)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Kept across execv: the soft limit's signal ends the program, the hard one kills it.
    const rlimit cpu{kRunLimitSeconds, kRunLimitSeconds + 10};
    setrlimit(RLIMIT_CPU, &cpu);
    execv(KORIM_BIN, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  const bool ended = pid > 0 && waitpid(pid, &wstatus, 0) == pid;
  if (ended && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
  r.err = korim_test::readFile(errName);
  if (ended && WIFSIGNALED(wstatus) && (WTERMSIG(wstatus) == SIGXCPU || WTERMSIG(wstatus) == SIGKILL))
    r.err += "(the run was stopped after " + std::to_string(kRunLimitSeconds) + " s of processor time)\n";
  std::remove(errName.c_str());
  if (ownStdout) r.out = korim_test::readFile(outName), std::remove(outName.c_str());
  return r;
}

// One part of a table of runs: a test of many slow runs is split into parts, each a test of its
// own, so that no test of the suite runs long. Part `part` of `parts` takes the rows part,
// part + parts, part + 2 parts, ...
struct RowPart {
  int part, parts;
};

// The name of a part in the test's name ("part2of4").
inline void PrintTo(const RowPart& p, std::ostream* os) { *os << "part" << p.part << "of" << p.parts; }

// The parts 0 to parts - 1 of a table, for INSTANTIATE_TEST_SUITE_P.
inline std::vector<RowPart> rowParts(int parts) {
  std::vector<RowPart> v;
  for (int p = 0; p < parts; p++) v.push_back({p, parts});
  return v;
}

// The fixture of a table test run in parts: mine(row) is true for the rows of this part.
class RowParts : public testing::TestWithParam<RowPart> {
 protected:
  bool mine(size_t row) const { return static_cast<int>(row % GetParam().parts) == GetParam().part; }
};

// The arguments a followed by b.
inline std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// True when the last line of the program's stderr is the allocation status line.
inline bool endsWithMemoryStatus(const std::string& err) {
  const std::vector<std::string> v = korim_test::lines(err);
  return !v.empty() && v.back().rfind(kMemoryLine, 0) == 0;
}

// One run and what it must show: exit status (-1: any but 0), pieces of standard error in order
// before the closing memory-status line, pieces of standard output in order, whether the result
// table out.tab was written (when not, no rotated structure r.pdb.0 either), and other files
// written ("!name": not written).
struct Expect {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> err;
  bool table = false;
  std::vector<std::string> out = {}, files = {};
};

inline void expectRun(const Expect& c) {
  const korim_test::TempDir d;
  const RunResult r = runKorim(c.args, d);
  const std::string what = c.args[0] + " ... " + c.args.back();
  EXPECT_TRUE(c.status < 0 ? r.status != 0 : r.status == c.status) << what << ": status " << r.status << "\n"
                                                                     << r.err.substr(0, 800);
  std::vector<std::string> err = c.err;
  err.push_back(kMemoryLine);
  EXPECT_TRUE(korim_test::inOrder(r.err, err) && endsWithMemoryStatus(r.err)) << what << "\n" << r.err.substr(0, 800);
  EXPECT_TRUE(korim_test::inOrder(r.out, c.out)) << what;
  EXPECT_EQ(korim_test::fileExists(d / "out.tab"), c.table) << what;
  EXPECT_FALSE(!c.table && korim_test::fileExists(d / "r.pdb.0")) << what;
  for (const std::string& f : c.files)
    EXPECT_EQ(korim_test::fileExists(d / (f[0] == '!' ? f.substr(1) : f)), f[0] != '!') << what << ": " << f;
  EXPECT_TRUE(c.status != 0 || r.out.find("nan") == std::string::npos) << what;  // no result of not-a-number
}

// The run's args edited as an advice of options says: "<option> <value words> ... [in place of
// <option> <value words> ...]". Each advised option takes the place of the value words args give
// for it, else is added; the words after "in place of" must be those args give.
inline std::vector<std::string> followAdvice(std::vector<std::string> args, const std::string& advice) {
  const auto flag = [](const std::string& w) { return w.size() > 1 && w[0] == '-' && !std::isdigit(w[1]) && w[1] != '.'; };
  const auto groups = [&flag](const std::string& text) {
    std::vector<std::vector<std::string>> g;
    std::istringstream in(text);
    for (std::string w; in >> w;) {
      if (flag(w) || g.empty())
        g.push_back({w});
      else
        g.back().push_back(w);
    }
    return g;
  };
  const size_t tail = advice.find(" in place of ");
  // The words args give for an option (itself included); empty when absent.
  const auto given = [&](const std::string& option) {
    auto at = std::find(args.begin(), args.end(), option);
    std::vector<std::string> words;
    for (auto w = at; w != args.end() && (w == at || !flag(*w)); ++w) words.push_back(*w);
    return words;
  };
  if (tail != std::string::npos) {
    for (const auto& g : groups(advice.substr(tail + 13))) EXPECT_EQ(given(g[0]), g) << advice;
  }
  for (const auto& g : groups(advice.substr(0, tail))) {
    auto at = std::find(args.begin(), args.end(), g[0]);
    if (at == args.end()) {
      args.insert(args.end(), g.begin(), g.end());
      continue;
    }
    const auto end = std::find_if(at + 1, args.end(), flag);
    at = args.erase(at, end);
    args.insert(at, g.begin(), g.end());
  }
  return args;
}

// The numbers after head on the first line that begins with it; empty when no line does.
inline std::vector<double> numbersAfter(const std::vector<std::string>& lines, const std::string& head) {
  std::vector<double> v;
  for (const std::string& l : lines)
    if (l.rfind(head, 0) == 0) {
      std::stringstream ss(l.substr(head.size()));
      for (double x; ss >> x;) v.push_back(x);
      break;
    }
  return v;
}

// A result table: its lines, and its rows by column name.
struct Table {
  std::vector<std::string> lines, columns;
  std::vector<std::vector<std::string>> rows;

  std::vector<double> numbers(const std::string& name) const {
    std::vector<double> v;
    for (size_t c = 0; c < columns.size(); c++)
      if (columns[c] == name)
        for (const auto& r : rows) v.push_back(std::stod(r[c]));
    return v;
  }
  // The first number after the record name "DATA <key>"; NaN when the record is absent.
  double data(const std::string& key) const {
    const std::vector<double> v = numbersAfter(lines, "DATA " + key + " ");
    return v.empty() ? NAN : v[0];
  }
  bool hasLine(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

inline Table readTable(const std::string& fileName) {
  Table t;
  t.lines = korim_test::lines(korim_test::readFile(fileName));
  bool inRows = false;
  for (const std::string& l : t.lines) {
    std::stringstream ss(l);
    std::vector<std::string> words;
    for (std::string w; ss >> w;) words.push_back(w);
    if (words.empty()) continue;
    if (words[0] == "VARS") t.columns.assign(words.begin() + 1, words.end());
    else if (words[0] == "FORMAT") inRows = true;
    else if (inRows && words.size() == t.columns.size()) t.rows.push_back(words);
  }
  return t;
}

// The order matrix a result table records (Szz, Sxx-Syy, Sxy, Sxz, Syz).
inline std::vector<double> orderOf(const std::string& table) {
  return numbersAfter(readTable(table).lines, "DATA SAUPE ");
}

// The distance of order a from order b as a share of b's size (the Frobenius size of the 3x3
// matrix; Sxx and Syy follow from the trace), computed here from the definition.
inline double apart(const std::vector<double>& a, const std::vector<double>& b) {
  const auto size = [](double zz, double d, double xy, double xz, double yz) {
    return std::sqrt(1.5 * zz * zz + 0.5 * d * d + 2.0 * (xy * xy + xz * xz + yz * yz));
  };
  return size(a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3], a[4] - b[4]) / size(b[0], b[1], b[2], b[3], b[4]);
}

// The line of text that holds piece; empty when none does.
inline std::string lineWith(const std::string& text, const std::string& piece) {
  for (const std::string& l : korim_test::lines(text))
    if (l.find(piece) != std::string::npos) return l;
  return "";
}

}  // namespace korim_cli
