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
  // The example's couplings with every H end turned into N: no coupling has a bond vector; and
  // with that done only to the first five rows, a fit that still has what to fit.
  const std::string couplings = korim_test::readFile(kCouplings);
  std::string sameAtom = couplings, fiveSame = couplings;
  for (size_t pos = 0, n = 0; (pos = sameAtom.find("    H  ", pos)) != std::string::npos; ++n) {
    sameAtom.replace(pos, 7, "    N  ");
    if (n < 5) fiveSame.replace(pos, 7, "    N  ");
  }
  const std::string nn = writeFile(data / "nn.tab", sameAtom), nn5 = writeFile(data / "nn5.tab", fiveSame);
  const std::string grid = testData("cli/grid3d_open_2x2x3.pot");
  auto scaled = [](std::vector<std::string> head, const std::string& option, const std::string& value) {
    head.insert(head.end(), {"-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "r.pdb",
                             option, value});
    return head;
  };
  const std::string notFinite = "korim: a number that is not finite in \"DATA REGRESSION ZEB SLOPE ";
  const std::string notWritten = "\"; the result out.tab is not written.\n";
  const std::string scale = "korim: options of this run that set the scale of its result: ";
  auto fit = [](std::vector<std::string> spread, const std::string& table) {
    std::vector<std::string> args = {"-bestFit"};
    args.insert(args.end(), spread.begin(), spread.end());
    args.insert(args.end(), {"-pdb", kPdb, "-inD", table, "-outD", "out.tab", "-pdbRot", "r.pdb"});
    return args;
  };
  const std::string noVector = "korim: no coupling of " + nn + " has a bond vector (the two ends of each at one "
                               "place, as when a row names one atom twice): there is no order matrix to fit.\n";
  const std::string bestFitError = "Matrix: error in best-fit of data.\n";
  cases.insert(cases.end(), {
      // Order matrices given on the command line: each value a float.
      {{"-anA", "-inS1", "1e300", "0", "0", "0", "0", "-inS2", "1", "0", "0", "0", "0"}, 1,
       {"KORIM Error: option -inS1 value 1e300 must be a finite number.\n", extracting}},
      {{"-anA", "-inS1", "1", "0", "0", "0", "0", "-inS2", "0", "0", "0", "0", "-1e39", "-outA", "out.tab"}, 1,
       {"KORIM Error: option -inS2 value -1e39 must be a finite number.\n", extracting}},
      {{"-anPdb", "-pdb", kPdb, "-inS", "1e300", "0", "0", "0", "0", "-outP", "p.txt", "-pdbRot", "r.pdb"}, 1,
       {"KORIM Error: option -inS value 1e300 must be a finite number.\n", extracting}, false, {}, {"!p.txt"}},
      // Values of the right type whose result overflows: the sum of two order matrices, the
      // statistics of couplings scaled below any resolution.
      {{"-anA", "-inS1", "3e38", "0", "0", "0", "0", "-inS2", "1e38", "0", "0", "0", "0", "-add", "-outA", "out.tab"},
       1,
       {"korim: a number that is not finite in \"DATA SAUPE         inf  0.0000e+00", notWritten,
        "korim: error in writeDCmod.\n", "Matrix: error in comparison of order matrices.\n"}},
      {scaled({"-stKorim"}, "-lcS", "1e-30"), 1,
       {notFinite, notWritten, "korim: error in writeDCmod.\n", scale + "-lcS 1e-30\n"}},
      {scaled({"-elKorim"}, "-kDipo", "2147483648"), 1,
       {notFinite, notWritten, "korim: error in writeDCmod.\n", scale + "-kDipo 2147483648\n"}},
      {scaled({"-stKorim", "-3D", "-pot3D", grid, "-nX", "2", "-nY", "2", "-nZ", "3", "-z1", "1", "-zN", "3"}, "-dX",
              "1e-30"),
       1, {notFinite, notWritten, "korim: error in writeDCmod.\n", scale + "-dX 1e-30\n"}},
      // A coupling table whose rows all name one atom twice: nothing to fit, in every fit.
      {fit({"-single"}, nn), 1, {noVector, bestFitError}},
      {fit({"-jack", "-map", "3"}, nn), 1, {noVector, bestFitError}},
      {fit({"-mcDc", "-map", "3", "-outDa", "da.log"}, nn), 1, {noVector, bestFitError}, false, {}, {"!da.log"}},
      {fit({"-mcStruc", "-map", "3"}, nn), 1, {noVector, bestFitError}},
      // Five such rows among sound ones: the fit goes on without them.
      {fit({"-single"}, nn5), 0, {}, true, {}, {"r.pdb.0"}},
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
