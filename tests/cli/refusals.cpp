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
  const std::string grid = examples("pf1_rod_grid.pot");  // 33 x 33 x 1 values, three a line
  const std::vector<std::string> cell = {"-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1",
                                         "-massLC", "0.00083", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings,
                                         "-outD", "out.tab", "-pdbRot", "r.pdb"};
  auto onGrid = [&](std::vector<std::string> args) {
    args.insert(args.end(), cell.begin(), cell.end());
    return args;
  };
  const std::string noGrid = "KORIM Error: option -3D needs the grid file of option -pot3D.\n";
  auto likelihood = [](std::vector<std::string> grid) {
    grid.insert(grid.begin(), {"-daMl", "-inD", kCouplings, "-outD", "out.tab", "-outSc", "s.sc"});
    return grid;
  };
  const std::string needsTwo = " of Da; the likelihood grid needs at least two along Da and along R.\n";
  const std::string mlFailed = "korim: error in getMlDabR.\n";
  auto struc = [](std::vector<std::string> args) {
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-pdbRot", "r.pdb", "-outD", "out.tab"});
    return args;
  };
  const std::string narrow = " must be at least 0.01 degree (a narrower cone of tilts cannot be sampled).\n";
  const std::string start = " must be 0 or at least 0.01 degree (no negative width; a narrower cone of tilts "
                            "cannot be sampled).\n";
  cases.insert(cases.end(), {
      {onGrid({"-elKorim", "-3D", "-nX", "33", "-nY", "33", "-nZ", "1"}), 1, {noGrid}},
      {onGrid({"-stKorim", "-3D", "-nX", "33", "-nY", "33", "-nZ", "1"}), 1, {noGrid}},
      // A grid of other sizes than the file's: the values read and those needed are named.
      {onGrid({"-stKorim", "-3D", "-pot3D", grid, "-nX", "34", "-nY", "33", "-nZ", "1"}), 1,
       {"ERROR: Total size of 3D grid not as specified.\n",
        "ERROR: 1089 values read from " + grid + ", the grid of 34 x 33 x 1 (-nX, -nY, -nZ) needs 1122.\n",
        "ERROR: Reading of 3D potential not successful.\n"}},
      {onGrid({"-elKorim", "-3D", "-pot3D", grid, "-nX", "2", "-nY", "2", "-nZ", "1"}), 1,
       {"ERROR: 6 values read from " + grid + ", the grid of 2 x 2 x 1 (-nX, -nY, -nZ) needs 4.\n"}},
      // Likelihood grids without two points along each axis; no score file is begun.
      {likelihood({"-lR", "0.8", "-hR", "0.7"}), 1,
       {"KORIM Error: options -lR 0.8 and -hR 0.7: the low end of the R range lies above its high end.\n", mlFailed},
       false, {}, {"!s.sc"}},
      {likelihood({"-lDa", "-3", "-hDa", "-6"}), 1,
       {"KORIM Error: options -lDa -3 and -hDa -6: the low end of the Da range lies above its high end.\n"}},
      {likelihood({"-lDa", "-12", "-hDa", "-12", "-lR", "0.6", "-hR", "0.6"}), 1,
       {"KORIM Error: options -lDa -12 -hDa -12 -incDa 0.1 give 0 grid points" + needsTwo, mlFailed}, false, {},
       {"!s.sc"}},
      {likelihood({"-lDa", "-12.1", "-hDa", "-12"}), 1,
       {"KORIM Error: options -lDa -12.1 -hDa -12 -incDa 0.1 give 1 grid point" + needsTwo}},
      {likelihood({"-lR", "0.3", "-hR", "0.6", "-incR", "0.5"}), 1,
       {"KORIM Error: options -lR 0.3 -hR 0.6 -incR 0.5 give 1 grid point of R; the likelihood grid needs at "
        "least two along Da and along R.\n"}},
      // Score files of runs that fail before they score: none is left behind.
      {{"-daFlex", "-inD", kCouplings, "-nRun", "0", "-outSc", "s.sc", "-outCol", "c.col"}, 1,
       {"motionHist: -nRun 0: the estimate needs at least one run.\n"}, false, {}, {"!s.sc", "!c.col"}},
      {{"-daFlex", "-inD", kCouplings, "-outSc", "s.sc", "-outCol", "."}, 1,
       {"KORIM Error opening output file .: Is a directory\n"}, false, {}, {"!s.sc"}},
      {{"-daMl", "-inD", "no_such.tab", "-outD", "out.tab", "-outSc", "s.sc"}, 1, {"Error reading DC input no_such.tab\n"}, false, {}, {"!s.sc"}},
      // Cones of tilts too narrow to draw from (the draws would never end), and a width search
      // that reaches its cap of 1000 widths: couplings in reverse order are 10.8 Hz from the
      // structure, which no noise up to 10 degrees gives.
      {struc({"-struc", "-stdCone", "1e-30"}), 1, {"KORIM Error: option -stdCone value 1e-30" + narrow, extracting},
       false, {}, {"!r.pdb"}},
      {struc({"-struc", "-fixCone", "-stdCone", "-2"}), 1, {"KORIM Error: option -stdCone value -2" + narrow}},
      {struc({"-bestFit", "-mcStruc", "-map", "5", "-noautoCone", "-stdCone", "0"}), 1,
       {"KORIM Error: option -stdCone value 0" + narrow}},
      {struc({"-bestFit", "-mcStruc", "-map", "5", "-lCone", "1e-30"}), 1,
       {"KORIM Error: option -lCone value 1e-30" + start}},
      {struc({"-bestFit", "-mcStruc", "-map", "5", "-lCone", "-1e9"}), 1,
       {"KORIM Error: option -lCone value -1e9" + start}},
      {struc({"-bestFit", "-mcStruc", "-map", "5", "-incCone", "1e-30"}), 1,
       {"KORIM Error: option -incCone value 1e-30" + narrow}},
      {{"-bestFit", "-mcStruc", "-map", "5", "-nCone", "1", "-incCone", "0.01", "-pdb", kPdb, "-inD",
        testData("cli/ubiquitin_nh_reversed.tab"), "-outD", "out.tab", "-outDa", "da.log"}, 1,
       {"KORIM Error: structural noise not adjusted within 1000 widths of -incCone 0.01 from -lCone 0 degree: ",
        " Hz DC Rms at 9.99 degree, 10.782 Hz needed.\n", "Matrix: error in best-fit of data.\n"},
       false, {"REMARK Experimental DC and structure have 10.782 Hz DC Rms.\n",
               "REMARK Adjusting amount of structural noise ...\n"}, {"da.log"}},
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
