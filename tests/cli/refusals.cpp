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
  // The example's couplings with every H end turned into N: no coupling has a bond vector; and
  // with that done only to the first five rows, a fit that still has what to fit.
  const std::string couplings = korim_test::readFile(kCouplings);
  std::string sameAtom = couplings, fiveSame = couplings;
  for (size_t pos = 0, n = 0; (pos = sameAtom.find("    H  ", pos)) != std::string::npos; ++n) {
    sameAtom.replace(pos, 7, "    N  ");
    if (n < 5) fiveSame.replace(pos, 7, "    N  ");
  }
  const std::string nn = writeFile(data / "nn.tab", sameAtom), nn5 = writeFile(data / "nn5.tab", fiveSame);
  const std::string openGrid = testData("cli/grid3d_open_2x2x3.pot");
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
      {scaled({"-stKorim", "-3D", "-pot3D", openGrid, "-nX", "2", "-nY", "2", "-nZ", "3", "-z1", "1", "-zN", "3"}, "-dX",
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
  // The example structure with its residue blocks reversed, and with residue 35 after 36: the
  // walk over domain 1 (1 .. 35) ends at residue 76 or 36.
  std::vector<std::string> residue(77);
  for (const std::string& l : lines(readFile(kPdb)))
    if (l.rfind("ATOM", 0) == 0) residue[std::stoi(l.substr(22, 4))] += l + "\n";
  std::string reversed, swapped;
  for (int r = 76; r >= 1; r--) reversed += residue[r];
  for (int r = 1; r <= 76; r++) swapped += r == 35 ? "" : r == 36 ? residue[36] + residue[35] : residue[r];
  const std::string domains = readFile(examples("ubiquitin_two_domains.inp"));
  auto ensemble = [&](const std::string& pdb, const std::string& inp, const std::string& config,
                      const std::string& states) {
    return std::vector<std::string>{"-stKorimGrid", "-pdb", pdb, "-inD", kCouplings, "-inp",
                                    writeFile(data / inp, domains + config),
                                    "-inE", states, "-ave", "out.tab", "-flex", "ens.log"};
  };
  const std::string example100 = examples("ubiquitin_100_states.ens"), pdbReversed = writeFile(data / "rev.pdb", reversed);
  const std::string walkEnds = "Warning: the residues of domain 1 (1 .. 35) are not in ascending order in the structure: ";
  cases.insert(cases.end(), {
      {ensemble(pdbReversed, "example.inp", "", example100), 1,
       {walkEnds + "residue 35 of chain A stands after residue 76 of chain A, where the domain ends",
        "ensembleAlignment: no allowed state: all 100 states clash (clash distance 2.00 A).\n",
        "matrix: ensembleAlignment error occured.\n"},
       false, {"REMARK steric clash of domains in state 100.\n"}, {"ens.log"}},
      {ensemble(kPdb, "far.inp", "CLASH_DISTANCE: 20.0\n", writeFile(data / "three.ens", "0 90 0\n0 60 0\n0 120 0\n")), 1,
       {"ensembleAlignment: no allowed state: all 3 states clash (clash distance 20.00 A).\n"}, false},
      // OUTPUT_ENSEMBLE 3 predicts no state: its structures, but no average of nothing.
      {ensemble(kPdb, "structures.inp", "OUTPUT_ENSEMBLE: 3\n", example100), 0,
       {"korim: OUTPUT_ENSEMBLE 3 writes the states' structures and predicts no state; no average table is "
        "written.\n"},
       false, {"REMARK allowed state 100.\n"}, {"rotEns.pdb", "rot.pdb"}},
      // A domain the walk does not fully reach is warned about; the run goes on.
      {ensemble(writeFile(data / "swap.pdb", swapped), "noclash.inp", "ENSEMBLE_CLASH: 0\n", writeFile(data / "one.ens", "0 90 0\n")), 0,
       {walkEnds + "residue 35 of chain A stands after residue 36 of chain A, where the domain ends; its atoms "
                   "from there on are left out of the domain.\n"},
       true},
  });

  // Structures and tables that are cut short or carry no numbers: a charge frame of one sign, an
  // atom record cut before its z column, couplings of not-a-number.
  {
    // The lysine 6 alone (positive) and the glutamate 16 alone (its two oxygens, negative): the other centre would
    // stay at the origin and the z axis would point from there to the charges.
    const auto dipoleOf = [](const char* res) {
      return std::vector<std::string>{"-anPdb", "-el", "-r1", res, "-rN", res, "-pdb", kPdb, "-inS", "1e-4", "2e-4",
                                      "0", "0", "0", "-outP", "out.tab", "-pdbRot", "r.pdb"};
    };
    const auto noFrame = [](const char* n) {
      return "Error in analyzePDB: no dipole frame from the " + std::string(n) + " selected charges (none, charges "
             "of one sign, centres that coincide, or a dipole perpendicular to the z axis).\n";
    };
    // The example's first two atom records, the second cut inside its name, after x, after y and
    // one column short of z's end; then whole up to z, the columns after it absent (accepted).
    const std::string first = readFile(kPdb).substr(0, 81), second = readFile(kPdb).substr(81, 80);
    const auto cutAt = [&](size_t columns) {
      return writeFile(data / ("cut" + std::to_string(columns) + ".pdb"), first + second.substr(0, columns));
    };
    const std::string toZ = writeFile(data / "to_z.pdb", first + second.substr(0, 54) + "\nEND\n");
    const auto cutMessage = [](const std::string& file) {
      return "PDB Error: atom record ends before its z coordinate (column 54) in line 2 of PDB file " + file + "\n";
    };
    // A coupling of nan and an error of inf beside readable rows; 1e300 is refused in the same words.
    const std::string head = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD\n"
                             "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f\n\n"
                             "   2 GLN N    2 GLN H -13.2 1.0\n";
    const std::string nanRow = "   3 ILE N    3 ILE H nan 1.0", infRow = "   4 PHE N    4 PHE H 6.81 -inf";
    const std::string notNumbers = writeFile(data / "nan.tab", head + nanRow + "\n" + infRow + "\n");
    const std::string huge = writeFile(data / "huge.tab", head + "   3 ILE N    3 ILE H 1e300 1.0\n");
    const auto coupled = [](const std::string& tab) {
      return std::vector<std::string>{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", tab, "-outD", "out.tab"};
    };
    cases.insert(cases.end(), {
      {dipoleOf("6"), 1, {noFrame("1"), "korim: error in analysis of PDB.\n"}},
      {dipoleOf("16"), 1, {noFrame("2"), "korim: error in analysis of PDB.\n"}},
      {{"-stKorim", "-pdb", cutAt(19), "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {cutMessage(data / "cut19.pdb"), "Error reading PDB input"}},
      {{"-stKorim", "-pdb", cutAt(38), "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {cutMessage(data / "cut38.pdb"), "Error reading PDB input"}},
      {{"-anPdb", "-pdb", cutAt(46), "-inS", "1e-4", "2e-4", "0", "0", "0", "-outP", "out.tab"}, 1,
       {cutMessage(data / "cut46.pdb"), "Error reading PDB input"}},
      {{"-anPdb", "-pdb", cutAt(53), "-inS", "1e-4", "2e-4", "0", "0", "0", "-outP", "out.tab"}, 1,
       {cutMessage(data / "cut53.pdb"), "Error reading PDB input"}},
      {{"-anPdb", "-pdb", toZ, "-inS", "1e-4", "2e-4", "0", "0", "0", "-outP", "out.tab"}, 0,
       {"to_z.pdb, 2 Atoms, Residues 1 to 1.\n"}, true},
      {coupled(notNumbers), 1,
       {"RdTable Warning: Bad F-Item 7:\n" + nanRow + "\n\n", "RdTable Warning: Bad F-Item 8:\n" + infRow + "\n\n",
        "RdTable Error: 2 bad items in " + notNumbers + "\n", "Error reading DC input"}},
      {coupled(huge), 1,
       {"RdTable Warning: Bad F-Item 7:\n   3 ILE N    3 ILE H 1e300 1.0\n\n", "RdTable Error: 1 bad item in " + huge}},
    });
  }

  // Outputs that would overwrite each other, and closed standard streams.
  const auto same = [](const std::string& a, const std::string& b) {
    return "korim: " + a + " and " + b + " would write the same file; give each output a name of its own.\n";
  };
  const std::string linked = writeFile(data / "linked.tab", "");  // named again by a link of each kind
  ASSERT_EQ(symlink(linked.c_str(), (data / "soft.tab").c_str()), 0);
  ASSERT_EQ(link(linked.c_str(), (data / "hard.tab").c_str()), 0);
  const std::vector<std::string> mc = {"-bestFit", "-mcDc", "-map", "5", "-pdb", kPdb, "-inD", kCouplings};
  const auto plus = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<std::string> ens = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                        examples("ubiquitin_two_domains.inp"), "-inE",
                                        examples("ubiquitin_100_states.ens")};
  cases.insert(cases.end(), {
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "out.tab"}, 1,
       {same("-outD out.tab", "-pdbRot out.tab")}, false, {}, {"!out.tab.0"}},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "./r.pdb.2", "-pdbRot", "r.pdb"}, 1,
       {same("-outD ./r.pdb.2", "-pdbRot r.pdb (as r.pdb.2)")}, false, {}, {"!r.pdb", "!r.pdb.2"}},
      {plus(mc, {"-outD", "out.tab", "-outFail", "out.tab"}), 1, {same("-outD out.tab", "-outFail out.tab")}},
      {plus(mc, {"-outDa", "da.log", "-outMap", "map.log", "-outAng", "ang.log", "-outA", "map.log"}), 1,
       {same("-outMap map.log", "-outA map.log")}, false, {}, {"!da.log", "!map.log"}},
      {{"-anPdb", "-pdb", kPdb, "-outP", "p.pdb", "-pdbRot", "p.pdb"}, 1, {same("-pdbRot p.pdb", "-outP p.pdb")},
       false, {}, {"!p.pdb", "!p.pdb.0"}},
      {{"-daMl", "-inD", kCouplings, "-outD", data / "soft.tab", "-outSc", linked}, 1,
       {same("-outD " + data / "soft.tab", "-outSc " + linked)}},
      {{"-daFlex", "-inD", kCouplings, "-nRun", "3", "-outD", "out.tab", "-outSc", "s.tab", "-outCol",
        data / "hard.tab", "-outPka", linked}, 0, {}, true},  // this mode writes no -outPka
      {{"-daFlex", "-inD", kCouplings, "-nRun", "3", "-outD", "out.tab", "-outSc", linked, "-outCol",
        data / "hard.tab"}, 1, {same("-outSc " + linked, "-outCol " + data / "hard.tab")}},
      {plus(ens, {"-ave", "e.tab", "-dcEns", "s.tab", "-flex", "e.tab"}), 1, {same("-flex e.tab", "-ave e.tab")},
       false, {}, {"!e.tab", "!rot.pdb"}},
      {plus(ens, {"-outE", "e.txt", "-outEAx", "./e.txt"}), 1, {same("-outE e.txt", "-outEAx ./e.txt")}},
      {plus(ens, {"-dcEns", "rot.pdb"}), 1, {same("-dcEns rot.pdb", "the ensemble's per-state structure rot.pdb")},
       false, {}, {"!rot.pdb"}},
      // Devices and the standard output may be named by several outputs.
      {plus(mc, {"-outD", "out.tab", "-outDa", "/dev/null", "-outMap", "/dev/null"}), 0, {}, true},
  });

  // Results that read wrong: a Da or R window of the assignment search without any value inside,
  // -fixAa values that name no peak of the six lysines, walls or rods closer than the molecule in
  // the electrostatic models (refused as in the steric ones), and a coupling that overflows when
  // -conv scales it, in each format; segment names "inf" and "nan" are names, converted as they are.
  auto lysines = [](const std::vector<std::string>& window) {
    std::vector<std::string> args = {"-bestFit", "-exhaust", "-pdb", kPdb, "-inD",
                                     examples("ubiquitin_lys_unassigned.tab"), "-outD", "out.tab", "-fixRes"};
    for (int res = 2; res <= 71; res++)  // every residue but the lysines
      if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
        args.push_back(std::to_string(res));
    args.insert(args.end(), window.begin(), window.end());
    return args;
  };
  const std::string fixAa = "KORIM Error: option -fixAa value ";
  const std::string noPeak = " names no peak: each value is a number of peaks, 0 to the 6 unassigned peaks.\n";
  const std::string tooDense = "sma: medium too dense for the molecule: ";
  const std::string namedInf = testData("cli/segments_named_inf.tab");
  std::string overflowText = readFile(namedInf);
  const std::string firstRow = "-13.200     1.000 1.00";
  overflowText.replace(overflowText.find(firstRow), firstRow.size(), "-13.200     1.000 1e38");
  const std::string overflow = writeFile(data / "overflow.tab", overflowText);
  const std::string notFiniteIn = "korim: a number that is not finite in \"";
  cases.insert(cases.end(), {
      {lysines({"-lDa", "-3", "-hDa", "-25"}), 1,
       {"KORIM Error: options -lDa -3 and -hDa -25: the low end of the Da range lies above its high end.\n",
        bestFitError}},
      {lysines({"-lR", "0.7", "-hR", "0"}), 1,
       {"KORIM Error: options -lR 0.7 and -hR 0: the low end of the R range lies above its high end.\n"}},
      {lysines({"-fixAa", "-6"}), 1, {fixAa + "-6" + noPeak, bestFitError}},
      {lysines({"-fixAa", "3", "7"}), 1, {fixAa + "7" + noPeak}},
      {{"-elKorim", "-dot", "30", "-wv", "1e9", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {tooDense, " free positions; no alignment computed.\n", "simulateAlignment: error in sma.\n"}},
      {{"-elKorim", "-pf1", "-pot", examples("pf1_rod_radial.pot"), "-dot", "30", "-wv", "1e9", "-pdb", kPdb,
        "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {tooDense + "rod spacing -33.4987 Angstrom leaves no shell of free positions; no alignment computed.\n"}},
      {{"-conv", "-korim", "-inD", namedInf, "-outD", "out.tab"}, 0, {}, true},
      {{"-conv", "-inD", namedInf, "-d1", "2", "-dN", "3"}, 0, {}, false,
       {"    2  GLN    N  inf -13.200 -9999.000", "    3  ILE    N  inf 8.780 -9999.000"}},
      {{"-conv", "-rosetta", "-inD", namedInf, "-d1", "4", "-dN", "4"}, 0, {}, false, {"a    4    N    4    H"}},
      {{"-conv", "-korim", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1,
       {notFiniteIn + "DATA RMS                  inf\"", "korim: error in writeDCmod.\n"}},
      {{"-conv", "-xplor", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1,
       {notFiniteIn + "( resid   2 and name H and not segid REF )   -inf 9999999680285692465065626076917320908",
        "\"; the result out.tab is not written.\n"}},
      {{"-conv", "-dyana", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1, {notFiniteIn + "2 GLN HN      -inf"}},
  });

  for (const Expect& c : cases) expectRun(c);
}
