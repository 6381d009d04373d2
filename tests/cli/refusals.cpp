// Runs that cannot give a meaningful result: each says why on stderr, ends with the memory-status
// line and status 1, and writes no result table (or, where a run is only warned, what it must still
// write). Each group names the inputs a user gets wrong.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

TEST(Refusals, RunsWithoutAMeaningfulResultEndWithStatusOne) {
  TempDir data;
  const std::string extracting = "KORIM Error extracting command-line arguments.\n";
  std::vector<Expect> cases;

  // Media, grids and widths that give nothing to compute: a 3-D run without its potential, a
  // likelihood grid of fewer than two points, cone widths too small to sample.
  cases.insert(cases.end(), {
  });

  // Results that are not finite, and fits with nothing to fit.
  cases.insert(cases.end(), {
  });

  // Ensembles in which no state is allowed or predicted.
  cases.insert(cases.end(), {
  });

  // Structures and tables that are cut short or carry no numbers: a charge frame of one sign, an
  // atom record cut before its z column, couplings of not-a-number.
  cases.insert(cases.end(), {
  });

  // Outputs that would overwrite each other, and closed standard streams.
  cases.insert(cases.end(), {
  });

  for (const Expect& c : cases) expectRun(c);
}
