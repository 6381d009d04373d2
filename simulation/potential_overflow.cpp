// Where the values of a medium's potential come from, and the refusal of a state whose Boltzmann
// factor passes the largest double.
#include "simulation/potential_overflow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "foundation/advice.h"
#include "foundation/appendf.h"

namespace korim::simulation {

namespace {

// Module state: where the run's potentials were read.
struct SourceState {
  ValueLines grid, rodTable;
} sources;

ValueLines& sourceOf(PotentialFile which) {
  return which == PotentialFile::grid ? sources.grid : sources.rodTable;
}

}  // namespace

double largestExponent() { return std::log(std::numeric_limits<double>::max()); }

void ValueLines::add(int line, int values) {
  if (values <= 0) return;
  if (!spans_.empty()) {
    Span& last = spans_.back();
    if (last.perLine == values && last.line + last.lines == line) {
      last.lines++;
      count_ += values;
      return;
    }
  }
  spans_.push_back({count_, line, values, 1});
  count_ += values;
}

int ValueLines::lineOf(long long index) const {
  if (index < 0 || index >= count_) return 0;
  // The last span that starts at or before index.
  const auto after = std::upper_bound(spans_.begin(), spans_.end(), index,
                                      [](long long i, const Span& s) { return i < s.first; });
  const Span& s = *(after - 1);
  return s.line + static_cast<int>((index - s.first) / s.perLine);
}

void setPotentialSource(PotentialFile which, ValueLines lines) { sourceOf(which) = std::move(lines); }

const ValueLines& potentialSource(PotentialFile which) { return sourceOf(which); }

void potentialSourcesReset() { sources = SourceState{}; }

void OverflowWatch::see(double t, long long i, double v) {
  if (std::isnan(t)) t = std::numeric_limits<double>::infinity();
  if (seen && (t < term || (t == term && i >= index))) return;
  seen = true, term = t, index = i, value = v;
}

void OverflowWatch::merge(const OverflowWatch& other) {
  if (other.seen) see(other.term, other.index, other.value);
}

std::string lettingOptions(const std::vector<std::pair<std::string, double>>& named,
                           const std::vector<std::string>& ifGiven) {
  std::vector<std::string> items;
  for (const auto& [option, value] : named) {
    std::string o = foundation::givenOption(option);
    if (o.empty()) foundation::appendf(o, "%s %g", option.c_str(), value);
    items.push_back(o);
  }
  std::vector<std::string> maybe = {"-kMono", "-kDipo", "-kQuad"};
  maybe.insert(maybe.end(), ifGiven.begin(), ifGiven.end());
  for (const std::string& option : maybe)
    if (std::string o = foundation::givenOption(option); !o.empty()) items.push_back(o);
  return foundation::listedItems(items);
}

int refuseOverflow(const char* who, const OverflowWatch& watch, PotentialFile which, const std::string& options,
                   const char* why) {
  if (!watch.seen) return 0;
  const ValueLines& source = sourceOf(which);
  const int line = source.lineOf(watch.index);
  std::string where;
  if (line > 0 && !source.file().empty())
    foundation::appendf(where, "line %d of %s", line, source.file().c_str());
  else if (which == PotentialFile::grid)
    foundation::appendf(where, "value %lld of the grid", watch.index + 1);
  else
    foundation::appendf(where, "row %lld of the rod's potential table", watch.index + 1);
  const bool several = options.find(" and ") != std::string::npos;
  std::fprintf(stderr,
               "%s: %s holds the value %g kT/e; in the sum of charge times potential of a state of the molecule it "
               "takes the state's Boltzmann factor beyond the largest number korim computes with (e^%.2f). %s %s it "
               "in (%s). No alignment computed.\n",
               who, where.c_str(), watch.value, largestExponent(), options.c_str(), several ? "let" : "lets", why);
  return 1;
}

}  // namespace korim::simulation
