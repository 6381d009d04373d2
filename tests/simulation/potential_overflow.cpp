// The refusal of a state whose Boltzmann factor passes the largest double: which value the
// threads' watches keep, and how the value is named with and without its file.
#include "simulation/potential_overflow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "foundation/advice.h"
#include "tests/support/capture.h"

using namespace korim::simulation;

namespace {

struct Seen {
  double term;
  long long index;
  double value;
};

// Whatever the order in which the states are seen, and however they are split among threads,
// the watch keeps the largest term (no number counts as infinite), the lowest index among equals.
TEST(PotentialOverflow, TheWatchKeepsTheLargestTermWhateverTheOrder) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<Seen>> cases = {
      {{710, 4, -710}, {800, 9, -800}, {800, 2, -800}, {-5, 1, 5}},      // the larger term, then the lower index
      {{3e300, 7, 1e308}, {std::nan(""), 12, 1e308}, {inf, 3, -1e308}},  // no number is infinite: index 3 of two
  };
  const Seen expected[] = {{800, 2, -800}, {inf, 3, -1e308}};
  for (size_t c = 0; c < cases.size(); c++) {
    std::vector<Seen> order = cases[c];
    std::sort(order.begin(), order.end(), [](const Seen& a, const Seen& b) { return a.index < b.index; });
    do {
      OverflowWatch one, parts[2], merged;
      for (size_t i = 0; i < order.size(); i++) {
        one.see(order[i].term, order[i].index, order[i].value);
        parts[i % 2].see(order[i].term, order[i].index, order[i].value);
      }
      merged.merge(parts[1]);
      merged.merge(parts[0]);
      for (const OverflowWatch& w : {one, merged}) {
        ASSERT_TRUE(w.seen);
        EXPECT_EQ(w.term, expected[c].term) << c;
        EXPECT_EQ(w.index, expected[c].index) << c;
        EXPECT_EQ(w.value, expected[c].value) << c;
      }
    } while (std::next_permutation(order.begin(), order.end(),
                                   [](const Seen& a, const Seen& b) { return a.index < b.index; }));
  }
}

// A watch that saw nothing refuses nothing; a value is named by the line of its file, or, where no
// file is known, by its place in the grid or the table.
TEST(PotentialOverflow, TheRefusalNamesTheValueByItsLineOrItsPlace) {
  korim::foundation::adviceReset();
  potentialSourcesReset();
  OverflowWatch none, grid, row;
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(refuseOverflow("sma3D", none, PotentialFile::grid, "-maxPot 5", "why"), 0);
  });
  EXPECT_EQ(err, "");
  grid.see(1000, 12, 1000);
  row.see(1e300, 7, -1e308);
  const std::string tail = " in the sum of charge times potential of a state of the molecule it takes the state's "
                           "Boltzmann factor beyond the largest number korim computes with (e^709.78). ";
  struct Case {
    PotentialFile which;
    const OverflowWatch& watch;
    std::string options, expected;
  };
  ValueLines lines("g.pot");
  for (int line = 12; line <= 20; line++) lines.add(line, 3);
  const Case unnamed[] = {
      {PotentialFile::grid, grid, lettingOptions({{"-maxPot", 1e4}}),
       "sma3D: value 13 of the grid holds the value 1000 kT/e;" + tail + "-maxPot 10000 lets it in (why). No "
       "alignment computed.\n"},
      {PotentialFile::rodTable, row, lettingOptions({{"-kEne", 1}}, {"-kPot"}),
       "sma3D: row 8 of the rod's potential table holds the value -1e+308 kT/e;" + tail + "-kEne 1 lets it in (why). "
       "No alignment computed.\n"},
  };
  for (const Case& c : unnamed) {
    err = korim_test::captureStderr([&] { EXPECT_EQ(refuseOverflow("sma3D", c.watch, c.which, c.options, "why"), 1); });
    EXPECT_EQ(err, c.expected);
  }
  // Value 13 (index 12) is the first of line 16.
  setPotentialSource(PotentialFile::grid, lines);
  err = korim_test::captureStderr([&] {
    refuseOverflow("sma3D", grid, PotentialFile::grid, lettingOptions({{"-maxPot", 5}}), "why");
  });
  EXPECT_EQ(err.substr(0, 48), "sma3D: line 16 of g.pot holds the value 1000 kT/");
  korim::foundation::adviceReset();
  potentialSourcesReset();
}

}  // namespace
