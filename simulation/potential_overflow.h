// Where the values of a medium's potential come from (file and line), and the one check of the
// models that weigh states by them (the 3-D grid, the rod's radial table): a state whose sum of
// charge times potential takes its Boltzmann factor beyond the largest double is refused, naming
// the value that took it there.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korim::simulation {

// The largest exponent x whose Boltzmann factor e^x is a double (709.78): a larger one is
// infinite.
double largestExponent();

// The lines of a file its values were read from, value after value (index 0 the first value).
class ValueLines {
 public:
  ValueLines() = default;
  explicit ValueLines(std::string file) : file_(std::move(file)) {}
  // The next `values` values were read from line `line` (1-based, counted from the file's start).
  void add(int line, int values);
  // The line of value index; 0 beyond the values added.
  int lineOf(long long index) const;
  const std::string& file() const { return file_; }
  long long size() const { return count_; }

 private:
  // Lines line, line + 1, ... of perLine values each, from value first on.
  struct Span {
    long long first;
    int line;
    int perLine;
    int lines;
  };
  std::string file_;
  std::vector<Span> spans_;
  long long count_ = 0;
};

// The potentials a run reads from files: the 3-D grid (-pot3D, its values 0-based in file order)
// and the rod's radial table (-pot, row n at index n - 1).
enum class PotentialFile { grid, rodTable };

// The readers keep where each value came from (module state); the models name it in a refusal.
void setPotentialSource(PotentialFile which, ValueLines lines);
const ValueLines& potentialSource(PotentialFile which);
// Forgets the sources; for tests.
void potentialSourcesReset();

// What a scan learned of its states whose Boltzmann factor passed the largest double (or was no
// number): of the terms of their exponents (-kEne times charge times potential), the largest, and
// the source's value and index it took. A scan keeps one a worker thread and merges them; the one
// kept does not depend on the order in which the states were seen.
struct OverflowWatch {
  bool seen = false;
  double term = 0.0;      // the largest term (no number counts as infinite)
  long long index = -1;   // the index of its value in the source
  double value = 0.0;     // that value as read
  void see(double term, long long index, double value);
  void merge(const OverflowWatch& other);
};

// The options that let a value into the sum, or set the states' energies: each of named as the
// command line gives it (or, where it does not, as the run has it: "-maxPot 5"), then the charges'
// scales it gives (-kMono, -kDipo, -kQuad), then each of ifGiven that it gives: "-maxPot 1e+06",
// "-kEne 1 and -kMono 10" or "-kEne 1 and -temp 1e-9".
std::string lettingOptions(const std::vector<std::pair<std::string, double>>& named,
                           const std::vector<std::string>& ifGiven = {});

// 0 when the watch saw no such state; otherwise 1 after the refusal on stderr: "<who>: line <l>
// of <file> holds the value <v> kT/e; ... <options> let(s) it in (<why>). No alignment computed."
int refuseOverflow(const char* who, const OverflowWatch& watch, PotentialFile which, const std::string& options,
                   const char* why);

}  // namespace korim::simulation
