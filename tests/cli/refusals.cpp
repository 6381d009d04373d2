// Runs that cannot give a meaningful result: each says why on stderr, ends with the memory-status
// line and status 1, and writes no result table (or, where a run is only warned, what it must still
// write). Each group names the inputs a user gets wrong.
#include <sys/stat.h>

#include <sstream>
#include <tuple>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// nx x ny x nz copies of the example in one chain (x fastest), each moved by the example's extent
// plus gap A along each axis and numbered on by 76 residues a copy, as <name>.pdb in dir; and the
// example's couplings repeated per copy, as <name>.tab. Returns the two paths.
std::pair<std::string, std::string> exampleCopies(const TempDir& dir, const std::string& name, int nx, int ny, int nz,
                                                  double gap = 2.0) {
  std::vector<std::string> atoms, rows;
  for (const std::string& l : lines(readFile(kPdb)))
    if (l.rfind("ATOM", 0) == 0) atoms.push_back(l);
  double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
  for (const std::string& l : atoms)
    for (int a = 0; a < 3; a++) {
      const double v = std::stod(l.substr(30 + 8 * a, 8));
      lo[a] = std::min(lo[a], v), hi[a] = std::max(hi[a], v);
    }
  std::string pdb, tab;
  for (const std::string& l : lines(readFile(kCouplings)))
    if (l.size() > 4 && std::isdigit(static_cast<unsigned char>(l[4])))
      rows.push_back(l);
    else if (rows.empty())
      tab += l + "\n";
  // The residue number of width w at p, moved on by `by`.
  const auto renumber = [](std::string l, size_t p, int w, int by) {
    char n[12];
    std::snprintf(n, sizeof n, "%*d", w, std::stoi(l.substr(p, w)) + by);
    return l.replace(p, w, n);
  };
  char xyz[32];
  for (int copy = 0; copy < nx * ny * nz; copy++) {
    const int i[3] = {copy % nx, copy / nx % ny, copy / (nx * ny)};
    for (const std::string& l : atoms) {
      double v[3];
      for (int a = 0; a < 3; a++) v[a] = std::stod(l.substr(30 + 8 * a, 8)) + i[a] * (hi[a] - lo[a] + gap);
      std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", v[0], v[1], v[2]);
      pdb += renumber(l, 22, 4, 76 * copy).replace(30, 24, xyz) + "\n";
    }
    for (const std::string& r : rows) tab += renumber(renumber(r, 0, 5, 76 * copy), 15, 5, 76 * copy) + "\n";
  }
  return {writeFile(dir / (name + ".pdb"), pdb + "END\n"), writeFile(dir / (name + ".tab"), tab)};
}

}  // namespace

class RefusalsOfRuns : public RowParts {};

TEST_P(RefusalsOfRuns, RunsWithoutAMeaningfulResultEndWithStatusOne) {
  TempDir data;
  const std::string extracting = "KORIM Error extracting command-line arguments.\n";
  std::vector<Expect> cases;
  const auto plus = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };

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
  const std::string spans = " of the likelihood grid spans 0, where no pattern can be sampled; give it one sign: "
                            "below 0 (-lDa -25 -hDa -3, the default) or above it (-lDa 3 -hDa 25, searched as -25 "
                            "to -3); either way the answer takes the sign of the couplings.\n";
  const std::string resolves = ": the likelihood resolves the pattern of a Da of at least 1/3 Hz in size when "
                               "sampled every 0.01 Hz (a smaller one loses more than a tenth of the pattern at its "
                               "edge).\n";
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
      // A file longer than its grid, by whole lines or by a value within a line: both counts named.
      {onGrid({"-elKorim", "-3D", "-pot3D", grid, "-nX", "2", "-nY", "2", "-nZ", "1"}), 1,
       {"ERROR: " + grid + " holds 1089 values after its 11 header lines; the grid of 2 x 2 x 1 (-nX, -nY, -nZ) needs "
        "4.\n"}},
      {onGrid({"-stKorim", "-3D", "-pot3D", grid, "-nX", "20", "-nY", "33", "-nZ", "1"}), 1,
       {"ERROR: Total size of 3D grid not as specified.\n",
        "ERROR: " + grid + " holds 1089 values after its 11 header lines; the grid of 20 x 33 x 1 (-nX, -nY, -nZ) "
        "needs 660.\n", "ERROR: Reading of 3D potential not successful.\n"}},
      {onGrid({"-stKorim", "-3D", "-pot3D", grid, "-nX", "32", "-nY", "33", "-nZ", "1"}), 1,
       {"ERROR: " + grid + " holds 1089 values after its 11 header lines; the grid of 32 x 33 x 1 (-nX, -nY, -nZ) "
        "needs 1056.\n"}},
      {onGrid({"-stKorim", "-3D", "-pot3D", grid, "-nX", "33", "-nY", "32", "-nZ", "1"}), 1,
       {"ERROR: " + grid + " holds 1089 values after its 11 header lines; the grid of 33 x 32 x 1 (-nX, -nY, -nZ) "
        "needs 1056.\n"}},
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
      // Likelihood grids across Da 0, nearer to it than the sampling resolves, or past R 2.
      {likelihood({"-hDa", "1"}), 1, {"KORIM Error: options -lDa -25 and -hDa 1: the Da range" + spans, mlFailed},
       false, {}, {"!s.sc"}},
      {likelihood({"-lDa", "-30", "-hDa", "30"}), 1, {"KORIM Error: options -lDa -30 and -hDa 30: the Da range" + spans}},
      {likelihood({"-hDa", "-0.3"}), 1,
       {"KORIM Error: option -hDa value -0.3 must be -1/3 or below (a number such as -0.34)" + resolves}},
      {likelihood({"-lDa", "0", "-hDa", "25"}), 1,
       {"KORIM Error: option -lDa value 0 must be 1/3 or above (a number such as 0.34)" + resolves}},
      // The numbers those refusals advise reach an answer.
      {likelihood({"-lDa", "-2", "-hDa", "-0.34", "-incDa", "0.5", "-lR", "0.4", "-hR", "0.7", "-incR", "0.1"}), 0, {},
       true},
      {likelihood({"-lDa", "0.34", "-hDa", "2", "-incDa", "0.5", "-lR", "0.4", "-hR", "0.7", "-incR", "0.1"}), 0, {},
       true},
      {likelihood({"-hR", "2.5"}), 1,
       {"KORIM Error: option -hR value 2.5 must be at most 2: the likelihood grid's R runs up to 2, where the "
        "principal value f11 reaches f33 (R between 2/3 and 2 is the tensor of the other sign of Da with R below "
        "2/3; above 2 the pattern no longer describes its tensor).\n"}},
      // Score files of runs that fail before they score: none is left behind.
      {{"-daFlex", "-inD", kCouplings, "-nRun", "0", "-outSc", "s.sc", "-outCol", "c.col"}, 1,
       {"KORIM Error: option -nRun value 0 must be at least 1 (a count of runs).\n"}, false, {}, {"!s.sc", "!c.col"}},
      {{"-daFlex", "-inD", kCouplings, "-outSc", "s.sc", "-outCol", "."}, 1,
       {"korim: -outCol . cannot be written: .: Is a directory.\n"}, false, {}, {"!s.sc"}},
      {{"-daMl", "-inD", "no_such.tab", "-outD", "out.tab", "-outSc", "s.sc"}, 1, {"Error reading DC input no_such.tab\n"}, false, {}, {"!s.sc"}},
      // Cones of tilts too narrow to draw from (the draws would never end), and a width search
      // that reaches its cap of 1000 widths (no log begun): couplings in reverse order are 10.8 Hz
      // from the structure, which no noise up to 10 degrees gives.
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
               "REMARK Adjusting amount of structural noise ...\n"}, {"!da.log"}},
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
  auto predict = [](std::vector<std::string> head) {
    head.insert(head.end(), {"-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "r.pdb"});
    return head;
  };
  auto scaled = [&](std::vector<std::string> head, const std::string& option, const std::string& value) {
    std::vector<std::string> args = predict(std::move(head));
    args.insert(args.end(), {option, value});
    return args;
  };
  const std::string notWritten = "\"; the result out.tab is not written.\n";
  const std::string scale = "korim: options of this run that set the scale of its result: ";
  const std::string zeroTensor = "korim: the predicted alignment tensor is zero, though the medium's order parameter "
                                 "(-lcS) is 0.800: the medium of this run's options aligns no molecule; no result is "
                                 "written.\n";
  const std::string simulating = "Matrix: Error simulating alignment.\n";
  auto fit = [](std::vector<std::string> spread, const std::string& table) {
    std::vector<std::string> args = {"-bestFit"};
    args.insert(args.end(), spread.begin(), spread.end());
    args.insert(args.end(), {"-pdb", kPdb, "-inD", table, "-outD", "out.tab", "-pdbRot", "r.pdb"});
    return args;
  };
  const std::string noVector = "korim: no coupling of " + nn + " has a bond vector (the two ends of each at one "
                               "place, as when a row names one atom twice): there is no order matrix to fit.\n";
  const std::string bestFitError = "Matrix: error in best-fit of data.\n";
  const std::string single = " lies outside what the option holds, a single-precision number: 0, or 1.1755e-38 to "
                             "3.4028e+38 in size, of either sign.\n";
  cases.insert(cases.end(), {
      // Order matrices given on the command line: each value a float.
      {{"-anA", "-inS1", "1e300", "0", "0", "0", "0", "-inS2", "1", "0", "0", "0", "0"}, 1,
       {"KORIM Error: option -inS1 value 1e300" + single, extracting}},
      {{"-anA", "-inS1", "1", "0", "0", "0", "0", "-inS2", "0", "0", "0", "0", "-1e39", "-outA", "out.tab"}, 1,
       {"KORIM Error: option -inS2 value -1e39" + single, extracting}},
      {{"-anPdb", "-pdb", kPdb, "-inS", "1e300", "0", "0", "0", "0", "-outP", "p.txt", "-pdbRot", "r.pdb"}, 1,
       {"KORIM Error: option -inS value 1e300" + single, extracting}, false, {}, {"!p.txt"}},
      // Values of the right type whose result overflows: the sum of two order matrices.
      {{"-anA", "-inS1", "1", "0", "0", "0", "0", "-inS2", "1", "0", "0", "0", "0", "-c1", "3e38", "-c2", "1e38", "-add",
        "-outA", "out.tab"},
       1,
       {"korim: a number that is not finite in \"DATA SAUPE         inf  0.0000e+00", notWritten,
        "korim: error in writeDCmod.\n", "Matrix: error in comparison of order matrices.\n"}},
      // An order too small for the couplings' statistics is refused when read, naming the least that works.
      {scaled({"-stKorim"}, "-lcS", "1e-30"), 1, {"KORIM Error: option -lcS value 1e-30 must lie from 1e-15 to 1 (", extracting}},
      // A medium that aligns nothing: the zero tensor is refused before its statistics are formed.
      {scaled({"-elKorim"}, "-kDipo", "2147483648"), 1, {zeroTensor, simulating, scale + "-kDipo 2147483648\n"}},
      {scaled({"-stKorim", "-3D", "-pot3D", openGrid, "-nX", "2", "-nY", "2", "-nZ", "3", "-z1", "1", "-zN", "3"}, "-dX",
              "1e-30"),
       1, {zeroTensor, simulating, scale + "-dX 1e-30\n"}},
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
        "ensembleAlignment: no allowed state: all 100 states clash at the clash distance 2.00 A (CLASH_DISTANCE: of "
        "the configuration ",
        "matrix: ensembleAlignment error occured.\n"},
       false, {"REMARK steric clash of domains in state 100.\n"}, {"ens.log"}},
      {ensemble(kPdb, "far.inp", "CLASH_DISTANCE: 20.0\n", writeFile(data / "three.ens", "0 90 0\n0 60 0\n0 120 0\n")), 1,
       {"ensembleAlignment: no allowed state: all 3 states clash at the clash distance 20.00 A (CLASH_DISTANCE: of "
        "the configuration "}, false},
      // More states than an ensemble holds: the keys that make them named, no monitoring list left.
      {plus(ensemble(kPdb, "many.inp", "ENSEMBLE_DENSITY: 2000\nENSEMBLE_GAMMA: 100\n", example100),
            {"-outE", "states.txt"}),
       1,
       {"setupEnsemble: ensemble too big: the configuration's ENSEMBLE_DENSITY: 2000 within BETA_L: 0 to BETA_H: 90 "
        "and ALPHA_WIDTH: 180, turned in ENSEMBLE_GAMMA: 100 steps, gives 112600 states, more than the 39998 an "
        "ensemble holds (they are made also where -inE gives the states); a lower density or fewer turns gives "
        "fewer.\n"},
       false, {}, {"!states.txt"}},
      // No turns and no -inE: no state, named by the keys that make them.
      {{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", writeFile(data / "noturn.inp", domains + "ENSEMBLE_GAMMA: 0\n"),
        "-ave", "out.tab"},
       1,
       {"setupEnsemble: no state: the configuration's ENSEMBLE_DENSITY: 40 within BETA_L: 0 to BETA_H: 90 and "
        "ALPHA_WIDTH: 180, turned in ENSEMBLE_GAMMA: 0 steps, gives none, and no -inE file gives states.\n"},
       false, {}, {"!out.tab"}},
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
      {{"-daFlex", "-inD", kCouplings, "-nRun", "5", "-outD", "out.tab", "-outSc", "s.tab", "-outCol",
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

  // Outputs onto the run's own inputs (the same file by any spelling), outputs that cannot be
  // written, and a medium the ensemble has no model for: refused before the work, the inputs kept
  // byte for byte (checked after the runs) and nothing written.
  const std::string measured = readFile(kCouplings), structure = readFile(kPdb);
  const std::string x = writeFile(data / "x.tab", measured), turned = writeFile(data / "t.pdb.0", structure);
  ASSERT_EQ(symlink(x.c_str(), (data / "x.link").c_str()), 0);
  const auto over = [](const std::string& output, const std::string& input) {
    return "korim: " + output + " would write over the input " + input + "; korim never writes over an input file.\n";
  };
  const auto unwritable = [](const std::string& output, const std::string& place, const std::string& reason) {
    return "korim: " + output + " cannot be written: " + place + ": " + reason + ".\n";
  };
  const std::string inp = examples("ubiquitin_two_domains.inp"), states = examples("ubiquitin_100_states.ens");
  cases.insert(cases.end(), {
      {{"-bestFit", "-single", "-pdb", kPdb, "-inD", x, "-outD", x, "-s1", "10", "-sN", "30"}, 1,
       {over("-outD " + x, "-inD " + x)}},
      {{"-conv", "-inD", x, "-outD", data / "./x.tab"}, 1, {over("-outD " + data / "./x.tab", "-inD " + x)}},
      {{"-anDc", "-add", "-c1", "-1", "-c2", "0", "-inD1", kCouplings, "-inD2", data / "x.link", "-outD", x}, 1,
       {over("-outD " + x, "-inD2 " + data / "x.link")}},
      {{"-daMl", "-inD", x, "-outSc", x, "-outD", "out.tab"}, 1, {over("-outSc " + x, "-inD " + x)}},
      {{"-stKorim", "-dot", "30", "-pdb", turned, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", data / "t.pdb"},
       1, {over("-pdbRot " + data / "t.pdb (as " + turned + ")", "-pdb " + turned)}},
      {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-pka", x, "-outPka", x}, 1,
       {over("-outPka " + x, "-pka " + x)}},
      {{"-stKorimGrid", "-pdb", kPdb, "-inD", x, "-inp", inp, "-inE", states, "-dcEns", x}, 1,
       {over("-dcEns " + x, "-inD " + x)}, false, {}, {"!rot.pdb"}},
      // A missing folder and a file in a folder's place, found before the prediction or the fit.
      {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "nodir/el.pdb"}, 1,
       {unwritable("-pdbRot nodir/el.pdb", "nodir", "No such file or directory")}},
      {plus(mc, {"-outD", "out.tab", "-outDa", x + "/da.log"}), 1,
       {unwritable("-outDa " + x + "/da.log", x, "Not a directory")}},
      // An output named as a directory, found before the states are predicted.
      {plus(ens, {"-dot", "10", "-ave", "a.tab", "-dcEns", data / "."}), 1,
       {unwritable("-dcEns " + data / ".", data / ".", "Is a directory")}, false, {}, {"!a.tab", "!rot.pdb"}},
      // The ensemble predicts each state in the wall or rod medium only.
      {plus(ens, {"-3D", "-pot3D", examples("pf1_rod_grid.pot"), "-ave", "out.tab"}), 1,
       {"KORIM Error: option -3D has no model in the ensemble mode (-stKorimGrid), which predicts each state in "
        "the wall (-bic) or rod (-pf1) medium.\n"},
       false, {}, {"!rot.pdb"}},
      {plus(ens, {"-3D", "-ave", "out.tab"}), 1, {"KORIM Error: option -3D has no model in the ensemble mode"}},
  });
  if (geteuid() != 0) {  // root may write a read-only file all the same
    const std::string locked = writeFile(data / "locked.tab", "");
    chmod(locked.c_str(), 0444);
    cases.push_back({{"-daHist", "-inD", kCouplings, "-outD", locked}, 1,
                     {unwritable("-outD " + locked, locked, "Permission denied")}});
  }

  // A file named after any input option is the user's, whether or not the run's mode reads it: one
  // row per input option, each but -pdbF and -inD2 (above) in a mode that does not read it. An
  // output through a dangling link is checked in its target's folder, before the work. And sound
  // ensemble configurations without an origin key: nothing is shifted for it, after a note; the
  // average is the one korim gave that configuration before its residues were checked (with
  // ORIGIN_DOM1 35 it is Da -5.0).
  {
    std::vector<std::string> noOrigin1 = ensemble(kPdb, "origin1.inp", "", example100);
    std::string without1 = domains, without2 = domains + "DOMAIN_ANGLE_VAR: 1\n";
    without1.erase(without1.find("ORIGIN_DOM1: 35\n"), 16);
    without2.erase(without2.find("ORIGIN_DOM2: 40\n"), 16);
    noOrigin1[6] = writeFile(data / "origin1.inp", without1);
    std::vector<std::string> noOrigin2 = noOrigin1;
    noOrigin2[6] = writeFile(data / "origin2.inp", without2);
    const auto unset = [&](const std::string& inp, const std::string& key) {
      return "korim: configuration " + data / inp + " sets no " + key +
             ": no residue's CA atom is moved to the origin for it.\n";
    };
    const std::vector<std::string> st = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings};
    const std::vector<std::string> daMl = {"-daMl", "-inD", kCouplings, "-outSc", "s.sc"};
    ASSERT_EQ(symlink("nodir/el.pdb", (data / "dangling.pdb").c_str()), 0);
    ASSERT_EQ(symlink("loop2.pdb", (data / "loop1.pdb").c_str()), 0);
    ASSERT_EQ(symlink("loop1.pdb", (data / "loop2.pdb").c_str()), 0);
    cases.insert(cases.end(), {
        {plus(st, {"-pka", x, "-outD", x}), 1, {over("-outD " + x, "-pka " + x)}},
        {{"-anPdb", "-el", "-pdb", kPdb, "-pka", x, "-outPka", x}, 1, {over("-outPka " + x, "-pka " + x)}},
        {plus(st, {"-pot", x, "-outD", x}), 1, {over("-outD " + x, "-pot " + x)}},
        {plus(st, {"-outD", "out.tab", "-inE", x, "-pdbRot", x}), 1, {over("-pdbRot " + x, "-inE " + x)}},
        {plus(st, {"-inp", x, "-outD", x}), 1, {over("-outD " + x, "-inp " + x)}},
        {plus(daMl, {"-pot3D", x, "-outD", x}), 1, {over("-outD " + x, "-pot3D " + x)}},
        {plus(daMl, {"-pdb", x, "-outD", x}), 1, {over("-outD " + x, "-pdb " + x)}},
        {plus(daMl, {"-ref", x, "-outD", x}), 1, {over("-outD " + x, "-ref " + x)}},
        {{"-daHist", "-in", x, "-outD", x}, 1, {over("-outD " + x, "-in " + x)}},
        {{"-conv", "-inD", kCouplings, "-inD1", x, "-outD", x}, 1, {over("-outD " + x, "-inD1 " + x)}},
        {{"-conv", "-inD", kCouplings, "-inCS", x, "-outD", x}, 1, {over("-outD " + x, "-inCS " + x)}},
        {{"-conv", "-inD", kCouplings, "-list", x, "-outD", x}, 1, {over("-outD " + x, "-list " + x)}},
        {{"-stKorimFree", "-pdbF", x, "-outA", x}, 1, {over("-outA " + x, "-pdbF " + x)}},
        {plus(st, {"-outD", "out.tab", "-pdbRot", data / "dangling.pdb"}), 1,
         {unwritable("-pdbRot " + data / "dangling.pdb", data / "nodir", "No such file or directory")}},
        {plus(st, {"-outD", "out.tab", "-pdbRot", data / "loop1.pdb"}), 1,
         {unwritable("-pdbRot " + data / "loop1.pdb", data / "loop1.pdb", "Too many levels of symbolic links")}},
        {noOrigin1, 0,
         {unset("origin1.inp", "ORIGIN_DOM1"), "DATA SAUPE  -2.7096e-06  4.2995e-05  2.6657e-05  7.9000e-06 -5.4312e-05\n"},
         true},
        {noOrigin2, 0, {unset("origin2.inp", "ORIGIN_DOM2")}, true},
    });
  }

  // Error estimates and noise with nothing to work on: a structure without hydrogens, couplings of
  // residues it lacks, errors that no single-precision fit can weigh; a width search that ends
  // at 90 degrees short of the measured RMS, or has no second width to try.
  {
    std::string noH, errorsHuge = readFile(kCouplings), errorsTiny = errorsHuge;
    for (const std::string& l : lines(readFile(kPdb)))
      if (l.rfind("ATOM", 0) != 0 || l.substr(76, 2) != " H") noH += l + "\n";
    const std::string pdbNoH = writeFile(data / "noH.pdb", noH);
    const std::string absent = writeFile(data / "absent.tab",
                                         "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD\n"
                                         "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f\n\n"
                                         " 202 GLN N  202 GLN H -13.2 1.0\n 203 ILE N  203 ILE H 8.78 1.0\n");
    for (size_t pos = 0; (pos = errorsHuge.find("     1.000 1.00\n", pos)) != std::string::npos; ++pos) {
      errorsHuge.replace(pos, 10, "      1e30");
      errorsTiny.replace(pos, 10, "     1e-30");
    }
    const std::string huge = writeFile(data / "dd_huge.tab", errorsHuge), tiny = writeFile(data / "dd_tiny.tab", errorsTiny);
    const auto mcStruc = [](const std::string& pdb, const std::string& tab, std::vector<std::string> more = {}) {
      std::vector<std::string> args = {"-bestFit", "-mcStruc", "-map", "5", "-pdb", pdb, "-inD", tab,
                                       "-outD", "out.tab", "-pdbRot", "r.pdb"};
      args.insert(args.end(), more.begin(), more.end());
      return args;
    };
    const std::string few = "korim: 0 usable couplings of ";
    const std::string none = " are too few to fit an order matrix (5 or more).\n";
    const std::string infinite = "KORIM Error: the fit of the measured couplings gives an order matrix that is not "
                                 "finite: it weighs each coupling by its inverse error in single precision, here "
                                 "couplings from -22.73 to 24.12 Hz with errors from ";
    const std::string reversed = testData("cli/ubiquitin_nh_reversed.tab");
    const std::string tilt = "; the cone noise has no vector to tilt.\n";
    cases.insert(cases.end(), {
        // Too few couplings are judged before any estimate, naming the table.
        {mcStruc(pdbNoH, kCouplings), 1, {few + kCouplings + none, bestFitError}},
        {mcStruc(kPdb, absent), 1, {few + absent + none, bestFitError}},
        {mcStruc(kPdb, huge), 1, {infinite + "1e+30 to 1e+30 Hz. Exiting ....\n", bestFitError}},
        {mcStruc(kPdb, tiny), 1,
         {"korim: row 1 of " + tiny + " has DD 1e-30: an error below the 0.001 Hz a table prints is no measurement "
          "error (DD 0 marks a row without one).\n"}},
        {mcStruc(kPdb, reversed, {"-nCone", "1"}), 1,
         {"KORIM Error: structural noise not adjusted below 90 degree by -incCone 0.25 from -lCone 0 degree: ",
          " Hz DC Rms at 89.75 degree, 10.782 Hz needed.\n", bestFitError},
         false, {"REMARK Adjusting amount of structural noise ...\n"}},
        {mcStruc(kPdb, reversed, {"-incCone", "1e9"}), 1,
         {"KORIM Error: structural noise not adjusted below 90 degree by -incCone 1e+09 from -lCone 0 degree: "
          "0.000 Hz DC Rms at 0.00 degree, 10.782 Hz needed.\n", bestFitError}},
        {mcStruc(kPdb, reversed, {"-lCone", "100"}), 1,
         {"KORIM Error: option -lCone value 100 must lie below 90 degree (the search measures cone widths below it "
          "only).\n", extracting}},
        {{"-struc", "-stdCone", "10", "-pdb", kPdb, "-inD", absent, "-pdbRot", "r.pdb"}, 1,
         {"korim: -struc: no coupling of " + absent + " maps to an atom pair of " + kPdb + tilt,
          "korim: no noisy structure is written.\n"}, false, {}, {"!r.pdb"}},
        {{"-struc", "-stdCone", "10", "-pdb", kPdb, "-pdbRot", "r.pdb"}, 1,
         {"korim: -struc: without couplings (-inD) the cone noise has no vector to tilt.\n"}, false, {}, {"!r.pdb"}},
    });
  }

  // Words korim does not know: an option word mistyped is named with the options close to it; an
  // option this mode does not read is only warned about, and a negative number is a value. A
  // configuration key mistyped, residues the structure lacks, and a coupling mode without couplings.
  {
    const auto unknown = [](const std::string& w, const std::string& close) {
      return "KORIM Error: unknown option " + w + close + "; korim -help lists the options.\n";
    };
    const auto config = [&](const std::string& name, const std::string& why) {
      return "KORIM Error: configuration " + data / name + ": " + why + ".\n";
    };
    std::string chainB;  // the example again as chain B, numbered as chain A
    for (const std::string& l : lines(readFile(kPdb)))
      if (l.rfind("ATOM", 0) == 0) chainB += l.substr(0, 21) + "B" + l.substr(22) + "\n";
    const std::string twoChains = writeFile(data / "two_chains.pdb", readFile(kPdb) + chainB);
    std::vector<std::string> empty = ensemble(kPdb, "empty.inp", "", example100);
    empty[6] = writeFile(data / "empty.inp", "");
    std::vector<std::string> twoChainRun = ensemble(twoChains, "domains.inp", "", example100);
    const std::string daMl = "-daMl";
    cases.insert(cases.end(), {
        {{"-bestfit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {unknown("-bestfit", " (did you mean -bestFit?)"), extracting}},
        {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outd", "out.tab"}, 1,
         {unknown("-outd", " (did you mean -outD?)")}},
        {{"-stKorim", "-pdb", kPdb, "-outx", "out.tab"}, 1,
         {unknown("-outx", " (did you mean -out, -outD, -outE, -outS, -outA or -outP?)")}},
        {{"--help"}, 1, {unknown("--help", " (did you mean -help?)")}},
        // Two neighbouring letters swapped are one slip.
        {{"-bestFit", "-sinlge", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {unknown("-sinlge", " (did you mean -single?)")}},
        {{"-daHsit", "-inD", kCouplings, "-outD", "out.tab"}, 1, {unknown("-daHsit", " (did you mean -daHist?)")}},
        {{"-h"}, 1, {unknown("-h", " (did you mean -H?)")}},
        {{"--version"}, 1, {unknown("--version", ""), extracting}},
        {{"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-frobnicate", "-outD", "out.tab"}, 1, {unknown("-frobnicate", "")}},
        // -r1 without -pdb and -inS1 are read by no step of -daMl; -.5 is a number, -out.tab a file name.
        {{daMl, "-inD", kCouplings, "-lDa", "-14", "-hDa", "-10", "-lR", "0.2", "-hR", "0.4", "-r1", "5", "-inS1", ".1",
          ".2", ".3", ".4", "-.5", "-outSc", "-out.tab", "-outD", "out.tab"}, 0,
         {"Argument 12 may be unknown or unused:\n  ' -r1 '\n"}, true, {}, {"-out.tab"}},
        {ensemble(kPdb, "typo.inp", "CLASH_DISTANC: 2.0\n", example100), 1,
         {"KORIM Error: line 16 of " + data / "typo.inp" +
              " names CLASH_DISTANC:, which is no key of the configuration (docs/formats.md, section "
              "\"Configuration file\", lists the keys):\n"
              "CLASH_DISTANC: 2.0\n",
          "Error reading configuration file"}},
        {ensemble(kPdb, "origin.inp", "ORIGIN_DOM1: 200\n", example100), 1,
         {config("origin.inp", "ORIGIN_DOM1: 200 is no residue of the structure " + kPdb + " (residues 1 to 76)")}},
        {ensemble(kPdb, "backwards.inp", "START_RESID_1: 50\n", example100), 1,
         {config("backwards.inp", "START_RESID_1: 50 .. END_RESID_1: 35 runs backwards: the first residue lies above the last")}},
        {ensemble(kPdb, "whole.inp", "END_RESID_1: 76\n", example100), 1,
         {config("whole.inp", "START_RESID_1: 1 .. END_RESID_1: 76 leaves no backbone atom of the structure " + kPdb +
                                  " (residues 1 to 76) outside domain 1 to test it against")}},
        {empty, 1,
         {"KORIM Error: configuration " + data / "empty.inp" + " sets no key; the ensemble mode needs its domains "
          "(START_RESID_1, END_RESID_1, ORIGIN_DOM1, ...).\n"}},
        {twoChainRun, 1,
         {config("domains.inp", "START_RES_ANGLE_1: 1 .. END_RES_ANGLE_1: 35 names residue 1, which stands in chains 'A' "
                                "and 'B' of " + twoChains + "; the configuration names residues by number alone, so each "
                                "must stand in one chain")}},
        {{"-bestFit", "-single", "-pdb", kPdb, "-outD", "out.tab"}, 1,
         {"KORIM Error: no coupling table given (-inD); -bestFit works on couplings and needs one.\n"}},
        {{"-daHist", "-outD", "out.tab"}, 1,
         {"KORIM Error: no coupling table given (-inD); -daHist works on couplings and needs one.\n"}},
    });
  }

  // Words no option takes by the option table (a value option takes one word, a list the words up
  // to the next option word, -dbg one word that is no option word), whatever the mode reads: each
  // is named with where it stands and what the option before it takes. Lists, counted options and
  // -dbg's level keep their words, an empty one among them, and an empty word of the shell passes.
  {
    const auto stray = [](const std::string& w, int at, const std::string& why) {
      return "KORIM Error: word " + w + " (argument " + std::to_string(at) + ") belongs to no option: " + why +
             ".\n";
    };
    const std::vector<std::string> conv = {"-conv", "-inD", kCouplings, "-outD", "out.tab"};
    const std::string pka = testData("charges/ubiquitin_overrides.pka");
    cases.insert(cases.end(), {
        {{"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "0.1"}, 1,
         {stray("0.1", 8, "the option before it, -outD, takes one value, out.tab"), extracting}},
        {plus({"0.1"}, conv), 1, {stray("0.1", 1, "no option stands before it")}},
        {plus({"-conv", "5"}, conv), 1, {stray("5", 2, "the option before it, -conv, takes no value")}},
        // A trial count after a variant that draws trials is its -map, and the run with it goes.
        {{"-bestFit", "-mcDc", "1000", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {stray("1000", 3, "the option before it, -mcDc, takes no value; -map 1000 gives -mcDc its trials"), extracting}},
        {{"-bestFit", "-mcDc", "-map", "1000", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 0, {}, true},
        {plus({"-dbg", "2", "5"}, conv), 1, {stray("5", 3, "the option before it, -dbg, takes at most one value, 2")}},
        {plus(conv, {"-rem", "my", "remark"}), 1, {stray("remark", 8, "the option before it, -rem, takes one value, my")}},
        {{"-conv", "-inD", kCouplings, "-outD", "-x.tab", "5"}, 1,
         {stray("5", 6, "the option before it, -outD, takes one value, -x.tab")}, false, {}, {"!-x.tab"}},
        {plus(conv, {"", "-chain", "A", "-dcID", "", "-dbg", "1", "-w", "1", "2", "-fixRes", "3", "4", "-inS1", ".1",
                     ".2", ".3", ".4", "-.5", "-cut", "2", "-hinge", "1", "0", "0", "-saupe", ".1", ".2", ".3", ".4", ".5",
                     "-atom", "N", "H", "", "-fixAa", "6"}),
         0, {}, true},
    });
  }

  // An option given twice (the first copy is used) and two options of one value (the one read
  // later is used): said, and the run goes on. Outputs the mode does not write: one line naming
  // them and what the mode writes (the steric model places no charges, so no -outPka), and the run
  // goes on; an electrostatic run writes its charges.
  {
    const std::vector<std::string> conv = {"-conv", "-inD", kCouplings, "-outD", "out.tab"};
    const std::string pka = testData("charges/ubiquitin_overrides.pka");
    cases.insert(cases.end(), {
        {plus(conv, {"-outD", "o2.tab"}), 0,
         {"korim: option -outD is given 2 times: -outD out.tab is used; -outD o2.tab is not.\n"}, true, {},
         {"!o2.tab"}},
        {{"-conv", "-inD", kCouplings, "-out", "o1.tab", "-outD", "out.tab", "-w", "1", "2", "-w", "", "-w", "3"}, 0,
         {"korim: option -w is given 3 times: -w 1 2 is used; -w '' and -w 3 are not.\n",
          "korim: options -out and -outD set one value: -outD out.tab is used; -out o1.tab is not.\n"},
         true, {}, {"!o1.tab"}},
        {{"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-outA", "fitA.tab"}, 0,
         {"korim: this mode (-bestFit -single) writes -outD and -pdbRot only; -outA fitA.tab is not written.\n"},
         true, {}, {"!fitA.tab"}},
        {{"-daHist", "-inD", kCouplings, "-outD", "out.tab", "-outSc", "h.sc", "-ave", "-noave"}, 0,
         {"korim: this mode (-daHist) writes -outD only; -outSc h.sc is not written.\n"}, true, {}, {"!h.sc"}},
        {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-outPka", "q.pka", "-out",
          "a.tab", "-outCS", "c.tab"}, 0,
         {"korim: options -out and -outD set one value: -outD out.tab is used; -out a.tab is not.\n",
          "korim: this mode (-stKorim) writes -outD and -pdbRot only; -outPka q.pka and -outCS c.tab are not "
          "written.\n"},
         true, {}, {"!q.pka", "!a.tab", "!c.tab"}},
        // -dot 40: at -dot 30 the moves of the denser sphere and of twice the turns (8.7 % and 2.5 %) together
        // exceed a tenth (the order 9.5 % from that of -dot 1000 -digPsi 72; at -dot 40 5.9 %).
        {{"-elKorim", "-dot", "40", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-outPka", "q.pka"}, 0, {},
         true, {}, {"q.pka"}},
        {{"-csSim", "-pdb", kPdb, "-outD", "out.tab"}, 0,
         {"korim: this mode (-csSim) writes no file; -outD out.tab is not written.\n"}},
        // A charge listing that stays empty (the pKa file lists its charges) or that a run placing
        // no charges does not write.
        {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pka", pka, "-outPka",
          "q.pka"}, 0,
         {"korim: -outPka q.pka stays empty: the charges come from the pKa file " + pka +
          ", which lists them already.\n"}, true, {}, {"q.pka"}},
        {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-nopkaDef", "-outPka",
          "q.pka"}, 0, {"korim: this run places no charges (-nopkaDef); -outPka q.pka is not written.\n"}, true, {},
         {"!q.pka"}},
        {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-charmm22", "-pH", "5",
          "-outPka", "q.pka"}, 0,
         {"korim: this run places no charges (-charmm22 has no table for pH 5.00); -outPka q.pka is not written.\n"},
         true, {}, {"!q.pka"}},
        {{"-anPdb", "-pdb", kPdb, "-outP", "p.txt", "-outPka", "q.pka"}, 0,
         {"korim: this run places no charges (-anPdb places them with -el, -charmm or -charmm22); -outPka q.pka is "
          "not written.\n"}, false, {}, {"!q.pka", "p.txt"}},
    });
    // Words that choose otherwise than the run does: said, and the run goes on as the mode words
    // decide (a steric prediction without -bestFit; the histogram without a table of -ave).
    cases.insert(cases.end(), {
        {{"-mcDc", "-map", "100", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 0,
         {"korim: -mcDc chooses the error estimate of -bestFit; this run is the steric prediction (-stKorim, the "
          "default mode) and does not use it.\n"},
         true, {"REMARK 105 atoms selected for simulation.\n"}},
        {{"-stKorim", "-bestFit", "-single", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 0,
         {"korim: option -single is given 2 times: -single (argument 3) is used; -single (argument 4) is not.\n",
          "korim: options -stKorim and -bestFit choose the mode: -bestFit is used; -stKorim is not.\n"},
         true},
        {{"-daHist", "-inD", kCouplings, "-outD", "out.tab", "-ave", "0.1"}, 0,
         {"korim: this mode (-daHist) writes -outD only; -ave 0.1 is not written.\n"}, true, {}, {"!0.1"}},
        {{"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-r1", "10", "-rN", "40"}, 0,
         {"korim: the atom selection -r1 10 -rN 40 chooses atoms, not the couplings of a fit; this run is the best "
          "fit (-bestFit -single) and fits the couplings that -s1 and -sN choose.\n"},
         true},
    });
  }

  // Da and R from couplings too few or of one value to have a distribution, a histogram without
  // a single fullest bin, and -daFlex runs none of which has a score to compare.
  const size_t header = measured.find("\n\n", measured.find("FORMAT")) + 2;
  auto firstRows = [&](int n, const std::string& name) {
    size_t end = header;
    for (int i = 0; i < n; ++i) end = measured.find('\n', end) + 1;
    return writeFile(data / name, measured.substr(0, end));
  };
  const std::string one = firstRows(1, "one.tab"), four = firstRows(4, "four.tab"), rows44 = firstRows(44, "rows44.tab");
  std::string flat = measured.substr(0, header);  // six rows of 5 Hz
  for (const char* r : {"2", "3", "4", "5", "6", "7"})
    flat += "    " + std::string(r) + "  ALA    N    " + r + "  ALA    H     5.000     1.000 1.00\n";
  const std::string oneValue = writeFile(data / "same.tab", flat);
  auto tooFew = [](int n, const std::string& table) {
    return "korim: " + std::to_string(n) + " usable coupling" + (n == 1 ? " of " + table + " is" : "s of " + table + " are") +
           " too few to estimate Da and R from their distribution (5 or more).\n";
  };
  const std::string histFailed = "korim: error in getHistDabR.\n";
  // A weight or an error of 1e30 in row 4 (5 VAL): no coupling, named with its row.
  const auto slip = [&](const std::string& name, const std::string& row) {
    std::string t = measured;
    return writeFile(data / name, t.replace(t.find("3.190     1.000 1.00"), 20, row));
  };
  const std::string hugeW = slip("w30.tab", "3.190     1.000 1e30"), hugeDD = slip("dd30.tab", "3.190     1e30 1.00");
  const std::string bound = ", lies beyond the 900 Hz of any coupling (Da and R take D*W as the coupling and DD*W as "
                            "its error).\n";
  cases.insert(cases.end(), {
      {{"-daMl", "-inD", hugeW, "-outD", "out.tab", "-outSc", "s.sc"}, 1,
       {"korim: row 4 of " + hugeW + " has D 3.19 and W 1e+30: its coupling D*W, 3.19e+30 Hz, lies beyond the 900 Hz "
        "of any coupling (the weight W scales the row's coupling D and its error DD).\n", mlFailed}},
      {{"-daHist", "-inD", hugeDD, "-outD", "out.tab"}, 1,
       {"korim: row 4 of " + hugeDD + " has DD 1e+30 and W 1: its error DD*W, 1e+30 Hz" + bound, histFailed}},
      {{"-daHist", "-inD", one, "-outD", "out.tab"}, 1, {tooFew(1, one), histFailed}},
      {{"-daHist", "-inD", oneValue, "-outD", "out.tab"}, 1,
       {"korim: the 6 usable couplings of " + oneValue + " all have one value (5.000 Hz): a distribution without "
        "spread gives no Da and R.\n", histFailed}},
      {{"-daHist", "-inD", rows44, "-outD", "out.tab"}, 1,
       {"Error: No single most populated coupling value.\n       ==> 3-parameter fit not possible.\n"
        "       The two extremes alone give Da +12.060 Hz, R 0.472 (the two-extreme estimate, from the smallest and "
        "largest coupling); -nFit 2 answers with a fit to Dzz +22.325 and Dyy -19.266 Hz as this run takes them in: Da "
        "+11.162 Hz, R 0.484.\n"
        "       The number of bins decides which bin is the fullest: here 22 bins of 2.000 Hz (each twice the mean "
        "error, -bin 0).\n       Checked for these couplings, nearest the automatic 22 bins first: -bin 22, -bin 21 "
        "and -bin 23 each give a single fullest bin at Dxx and a fit with R from 0 to 2/3 (-bin 22 lays its 22 bins of "
        "2.076 Hz over the span of the couplings, where the automatic layout lays bins of twice the mean error, "
        "2.000 Hz: the same count, another layout). Such an answer is possible, not shown to be right: a fit with "
        "the structure (-bestFit) settles Da and R.\n",
        histFailed}},
      {{"-daHist", "-inD", rows44, "-outD", "out.tab", "-bin", "12"}, 0, {}, true},
      {{"-daHist", "-inD", rows44, "-outD", "out.tab", "-nFit", "2"}, 0, {}, true},
      // Two bins are centred at the span's ends, one of which is then the fullest: refused as one
      // bin is; three reach an answer.
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab", "-bin", "2"}, 1,
       {"KORIM Error: option -bin value 2 must be 0 (bins of twice the mean error) or 3 to 250 (one bin holds every "
        "coupling, and two are centred at the ends of the span, one of which is then the fullest; the histogram holds "
        "at most 250 bins).\n", extracting}},
      {{"-daFlex", "-inD", kCouplings, "-outD", "out.tab", "-outSc", "s.sc", "-nRun", "50", "-bin", "2"}, 1,
       {"KORIM Error: option -bin value 2 must be 0"}, false, {}, {"!s.sc"}},
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab", "-bin", "3"}, 0, {}, true},
      // Bins of 0.48 Hz, finer than the mean error: they place Dxx no better than it, and the three
      // values' sum of 3.5 Hz is a tensor's.
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab", "-bin", "100"}, 0, {}, true},
      {{"-daMl", "-inD", four, "-outD", "out.tab", "-outSc", "s.sc"}, 1, {tooFew(4, four), mlFailed}, false, {},
       {"!s.sc"}},
      {{"-daFlex", "-inD", four, "-outD", "out.tab", "-outSc", "s.sc", "-outCol", "c.col"}, 1,
       {tooFew(4, four), histFailed}, false, {}, {"!s.sc", "!c.col"}},
      // The first three runs have no histogram fit yet; of four runs of 10 residues the first two
      // have none, and the other two print zero scores (their ratios lie outside 0 to 10): the run
      // table stays, no extremes, no map, and the runs are counted by what they got. -nFit 2, tried
      // and named, gives them runs to compare; followed, they answer.
      {{"-daFlex", "-inD", kCouplings, "-nRun", "3", "-outD", "out.tab", "-outSc", "s.sc", "-outCol", "c.col"}, 1,
       {"motionHist: no run has a ratio score in (0, 1] with R below 0.6667, so the runs give no extremes and no map. "
        "Of the 3 runs, 3 had no histogram fit of their own (zeros before the first fit, else the last fit's Da and "
        "R).\nmotionHist: -nFit 2 mends this: followed, 3 of its 3 runs have a ratio in (0, 1] to compare (-nFit 2 "
        "fits Dzz and Dyy alone, which needs no single fullest bin).\n", histFailed}, false, {}, {"s.sc", "!c.col"}},
      {{"-daFlex", "-inD", kCouplings, "-nRun", "4", "-nSel", "10", "-outD", "out.tab", "-outSc", "s.sc"}, 1,
       {"motionHist: no run has a ratio score in (0, 1] with R below 0.6667, so the runs give no extremes and no map. "
        "Of the 4 runs, 2 had no histogram fit of their own (zeros before the first fit, else the last fit's Da and "
        "R); 2 got a ratio outside 0 to 10 (printed as 0).\nmotionHist: -nFit 2 mends this: followed, 3 of its 4 "
        "runs"}, false, {}, {"s.sc"}},
      {{"-daFlex", "-inD", kCouplings, "-nRun", "3", "-outD", "out.tab", "-outSc", "s.sc", "-outCol", "c.col", "-nFit",
        "2"}, 0, {}, true, {}, {"c.col"}},
      {{"-daFlex", "-inD", kCouplings, "-nRun", "4", "-nSel", "10", "-outD", "out.tab", "-outSc", "s.sc", "-nFit", "2"},
       0, {}, true},
      // Runs of fewer residues than give the isotropic sample its least three couplings: refused before
      // the runs, naming the least count, which runs; a table of five couplings a residue runs on one.
      {{"-daFlex", "-inD", kCouplings, "-nSel", "1", "-outD", "out.tab", "-outSc", "s.sc"}, 1,
       {"motionHist: -nSel 1 is below the least count of residues that runs on " + kCouplings + ": a run of 1 residue "
        "draws at most 1 coupling (1 a residue), and the isotropic sample it is scored against needs 3; -nSel 3 is the "
        "least that runs (0 takes every residue).\n", histFailed}, false, {}, {"!s.sc"}},
      {{"-daFlex", "-inD", kCouplings, "-nSel", "2", "-outD", "out.tab"}, 1, {"motionHist: -nSel 2 is below", "-nSel 3 is"}},
      {{"-daFlex", "-inD", kCouplings, "-nSel", "3", "-nRun", "50", "-outD", "out.tab"}, 0, {}, true},
      {{"-daFlex", "-inD", examples("ubiquitin_mixed_kinds.tab"), "-nSel", "1", "-nRun", "50", "-outD", "out.tab"}, 0,
       {}, true},
  });

  // Results of whole-text writers and of the ensemble's average records that would carry a number
  // that is not finite: charges scaled beyond a float, couplings weighted beyond one, and an
  // average whose tables (-noverb) carry no statistics while its records do.
  const std::string weighted = writeFile(data / "weighted.tab",
                                         "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                                         "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n"
                                         "   2 GLN N    2 GLN H -13.2 1.0 1e38\n");
  const std::string refused = "korim: a number that is not finite in \"";
  cases.insert(cases.end(), {
      {{"-anPdb", "-el", "-pdb", kPdb, "-inS", "1e-4", "2e-4", "0", "0", "0", "-kQuad", "3e38", "-outP", "out.tab"}, 1,
       {refused + "DATA PDB_EL MONOPOL  -nan" + notWritten, "korim: error in analysis of PDB.\n",
        scale + "-kQuad 3e38\n"}},
      // A weight beyond a coupling's bound is refused where the rows are selected, before any text.
      {{"-conv", "-xplor", "-scale", "-inD", weighted, "-outD", "out.tab"}, 1,
       {"korim: row 1 of " + weighted + " has D -13.2 and W 1e+38: its coupling D*W, -1.32e+39 Hz",
        "korim: error in conversion of table.\n"}},
      {plus(ens, {"-noverb", "-lcS", "1e-30", "-ave", "out.tab"}), 1,
       {"KORIM Error: option -lcS value 1e-30 must lie from 1e-15 to 1 (", extracting}},
  });

  // Inputs that would be read as less than they say, or that are not korim's formats: a decimal
  // comma, an error below 0, nan in a potential or a grid, a potential cut inside its last line, a
  // table without its FORMAT or VARS line, a file that is not there.
  {
    const std::string table = readFile(kCouplings);
    const std::string firstRow = "    2  GLN    N    2  GLN    H   -13.200     1.000 1.00";
    const auto changed = [&](const std::string& name, const std::string& from, const std::string& to) {
      std::string text = table;
      text.replace(text.find(from), from.size(), to);
      return writeFile(data / name, text);
    };
    const std::string comma = changed("comma.tab", "-13.200", "-13,200");
    const std::string negative = changed("negative.tab", "-13.200     1.000", "-13.200    -1.000");
    const std::string noFormat = changed("noformat.tab", "FORMAT", "REMARK");
    const std::string csv = writeFile(data / "couplings.csv", "resid,d\n2,-13.2\n3,8.78\n");
    // The example's first 40 rows (to line 47) joined to a table of its other rows whose header
    // names W before DD: those rows would be read by the first table's columns.
    const std::string firstVars = table.substr(table.find("VARS"), table.find('\n', table.find("VARS")) -
                                                                        table.find("VARS"));
    const std::string laterVars = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D W DD";
    std::string joinedText;
    {
      std::istringstream lines(table);
      int n = 0;
      for (std::string line; std::getline(lines, line);) {
        if (++n == 48) joinedText += laterVars + "\nFORMAT %4d %4s %4s %4d %4s %4s %9.3f %.2f %9.3f\n";
        if (n >= 48) line = line.substr(0, line.rfind("1.000")) + "1.00     0.500";
        joinedText += line + "\n";
      }
    }
    const std::string joined = writeFile(data / "joined.tab", joinedText);
    std::string radial = readFile(examples("pf1_rod_radial.pot"));
    const std::string nanPot =
        writeFile(data / "nan.pot", "0.0 -2.3176\n0.1 nan\n" + radial.substr(radial.find("0.2 ")));
    const std::string cutPot = writeFile(data / "cut.pot", radial.substr(0, radial.find("0.5 ") + 3));
    std::string gridText = readFile(grid);
    gridText.replace(gridText.find("-0.00109"), 8, "nan");  // line 13
    const std::string nanGrid = writeFile(data / "nan_grid.pot", gridText);
    const auto couplingsOf = [](const std::string& tab) {
      return std::vector<std::string>{"-bestFit", "-single", "-pdb", kPdb, "-inD", tab, "-outD", "out.tab"};
    };
    const auto rod = [](const std::string& pot) {
      return std::vector<std::string>{"-elKorim", "-pf1", "-pot", pot, "-pdb", kPdb, "-inD", kCouplings,
                                      "-outD", "out.tab"};
    };
    const std::string help = "RdTable: korim reads its own table format: a VARS line naming the columns, a FORMAT "
                             "line giving their formats, then one row a line (docs/formats.md, section \"Input "
                             "coupling tables\").\n";
    const std::string nanLine = "read3DPotential Error: line 13 of " + nanGrid + " holds \"nan\", which is not a "
                                "finite number (each value line of a 3-D grid holds up to three finite numbers):\n"
                                "nan -0.0016 -0.00228\n";
    const std::string potForm = " (each line of a potential file holds a distance in nm and the potential there, at "
                                "evenly spaced distances):\n";
    cases.insert(cases.end(), {
      {couplingsOf(comma), 1,
       {"RdTable Warning: Bad F-Item 7:\n    2  GLN    N    2  GLN    H   -13,200     1.000 1.00\n\n",
        "RdTable Error: 1 bad item in " + comma + "\n", "Error reading DC input " + comma + "\n"}},
      {{"-bestFit", "-mcDc", "-map", "5", "-pdb", kPdb, "-inD", negative, "-outD", "out.tab"}, 1,
       {"RdTable Warning: Negative F-Item 8 (DD must be 0 or more):\n"
        "    2  GLN    N    2  GLN    H   -13.200    -1.000 1.00\n\n",
        "RdTable Error: 1 bad item in " + negative + "\n"}},
      {couplingsOf(noFormat), 1,
       {"RdTable Error: " + noFormat + " has no FORMAT line, so every column is read as a number, and item 2 "
        "(RESNAME_I) of line 8 is not a number:\n" + firstRow + "\n" + help,
        "Error reading DC input " + noFormat + "\n"}},
      {couplingsOf(csv), 1,
       {"RdTable Error: no variables found: " + csv + " has no VARS line naming its columns.\n" + help}},
      {couplingsOf(joined), 1,
       {"RdTable Error: line 48 of " + joined + ", a later VARS line, names the columns of line 5 in another order; "
        "a table may repeat its VARS line, as two tables joined do, only with the same columns in the same order:\n" +
            firstVars + "\n" + laterVars + "\n",
        "Error reading DC input " + joined + "\n"}},
      {couplingsOf("nosuch.tab"), 1,
       {"RdTable File open error: nosuch.tab: No such file or directory.\n", "Error reading DC input nosuch.tab\n"}},
      {rod(nanPot), 1,
       {"readPotential Error: line 2 of " + nanPot + " holds \"nan\", which is not a finite number" + potForm +
            "0.1 nan\n",
        "ERROR Reading of 1D potential not successful.\n"}},
      {rod(cutPot), 1,
       {"readPotential Error: line 6 of " + cutPot + " does not start with two numbers" + potForm +
            "0.5\nERROR Reading of 1D potential not successful.\n"}},
      {onGrid({"-stKorim", "-3D", "-pot3D", nanGrid, "-nX", "33", "-nY", "33", "-nZ", "1"}), 1,
       {nanLine, "ERROR: Reading of 3D potential not successful.\n"}},
      {onGrid({"-elKorim", "-3D", "-pot3D", nanGrid, "-nX", "33", "-nY", "33", "-nZ", "1"}), 1,
       {nanLine, "ERROR: Reading of 3D potential not successful.\n"}},
    });
  }

  // Table rows read as less than they hold: a number split by a space (the minimal table of
  // docs/formats.md with 3.19 as "3 19", the example's -13.200 as "-13 .200" and an error 1.000 as "1.0 00"),
  // the example with commas between its items; and inputs named as a directory.
  {
    const std::string table = readFile(kCouplings);
    const auto changed = [&](const std::string& name, const std::string& from, const std::string& to) {
      std::string text = table;
      return writeFile(data / name, text.replace(text.find(from), from.size(), to));
    };
    const std::string minimal = writeFile(data / "minimal.tab", "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J "
                                          "ATOMNAME_J D\nFORMAT %d %s %s %d %s %s %f\n2 GLN N 2 GLN H -13.20\n"
                                          "5 VAL N 5 VAL H 3 19\n6 LYS N 6 LYS H 0.92\n");
    const std::string splitD = changed("split_d.tab", "-13.200     1.000", "-13 .200     1.000");
    const std::string splitDD = changed("split_dd.tab", "3.190     1.000", "3.190     1.0 00");
    std::string commas;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line); commas += line + "\n") {
      if (line.find("  H  ") == std::string::npos) continue;
      std::istringstream items(line);
      line.clear();
      for (std::string item; items >> item;) line += (line.empty() ? "" : ",") + item;
    }
    const std::string csv = writeFile(data / "commas.tab", commas);
    const auto fit = [](const std::string& tab) {
      return std::vector<std::string>{"-bestFit", "-single", "-pdb", kPdb, "-inD", tab, "-outD", "out.tab"};
    };
    const auto split = [](const std::string& where, const std::string& row) {
      return "RdTable Error: line " + where + " values are taken (one number split by a space? words after the "
             "values are a comment, which may not begin with a number):\n" + row + "\n";
    };
    const std::string isDir = "RdTable File open error: .: Is a directory.\n";
    cases.insert(cases.end(), {
      {fit(minimal), 1, {split("4 of " + minimal + " holds the last value 3 (column 7, D) followed by the "
                               "number 19, where seven", "5 VAL N 5 VAL H 3 19")}},
      {fit(splitD), 1, {split("8 of " + splitD + " holds the last value 1.000 (column 9, W) followed by the "
                              "number 1.00, where nine", "    2  GLN    N    2  GLN    H   -13 .200     1.000 1.00")}},
      {fit(splitDD), 1, {split("11 of " + splitDD + " holds the last value 00 (column 9, W) followed by the "
                               "number 1.00, where nine", "    5  VAL    N    5  VAL    H     3.190     1.0 00 1.00")}},
      {fit(csv), 1, {"RdTable Error: line 8 of " + csv + " separates its items by commas, as do 62 rows after it (63 "
                     "in all), where the items of a row are separated by blanks or tabs:\n"
                     "2,GLN,N,2,GLN,H,-13.200,1.000,1.00\n", "Error reading DC input " + csv + "\n"}},
      {fit("."), 1, {isDir, "Error reading DC input .\n"}},
      {{"-anDc", "-add", "-inD1", kCouplings, "-inD2", ".", "-outD", "out.tab"}, 1, {isDir}},
      {{"-stKorim", "-dot", "10", "-pdb", ".", "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {"PDB Error opening PDB file .: Is a directory\n"}},
      {{"-stKorimGrid", "-dot", "10", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"),
        "-inE", ".", "-ave", "out.tab"}, 1, {"readEnsemble File open error: .: Is a directory.\n"}},
    });
  }

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
  const std::string noFit = "sma: the molecule does not fit between the walls: ";
  const std::string bicelles = " (as long as bicelles still form).\n";
  const std::string fraction = " is the medium's concentration as a fraction w/v (0.05 for 5 %); a lower one stands the ";
  const std::string namedInf = testData("cli/segments_named_inf.tab");
  std::string overflowText = readFile(namedInf);
  const std::string firstRow = "-13.200     1.000 1.00";
  overflowText.replace(overflowText.find(firstRow), firstRow.size(), "-13.200     1.000 1e38");
  const std::string overflow = writeFile(data / "overflow.tab", overflowText);
  const std::string overflowRow = "korim: row 1 of " + overflow + " has D -13.2 and W 1e+38: its coupling D*W";
  cases.insert(cases.end(), {
      {lysines({"-lDa", "-3", "-hDa", "-25"}), 1,
       {"KORIM Error: options -lDa -3 and -hDa -25: the low end of the Da range lies above its high end.\n",
        bestFitError}},
      {lysines({"-lR", "0.7", "-hR", "0"}), 1,
       {"KORIM Error: options -lR 0.7 and -hR 0: the low end of the R range lies above its high end.\n"}},
      {lysines({"-fixAa", "-6"}), 1, {fixAa + "-6 must be 0 or more (a number of peaks).\n"}},
      {lysines({"-fixAa", "3", "7"}), 1, {fixAa + "7" + noPeak}},
      {{"-elKorim", "-dot", "30", "-wv", "1e9", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {noFit, "sma: -wv 1e+09" + fraction + "walls further apart" + bicelles, "simulateAlignment: error in sma.\n"}},
      {{"-elKorim", "-pf1", "-pot", examples("pf1_rod_radial.pot"), "-dot", "30", "-wv", "1e9", "-pdb", kPdb,
        "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {"sma: the molecule does not fit between the rods: its centre stays 58.5 Angstrom from a rod's axis, beyond "
        "the rod's cell of radius 0.00128003 Angstrom; no alignment computed.\n",
        "sma: -wv 1e+09" + fraction + "rods further apart.\n"}},
      // Five per cent given as 5: the message names -wv and its unit; the fraction it asks for runs.
      {{"-stKorim", "-dot", "30", "-wv", "5", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {"stericAlignment: the molecule does not fit between the walls: ",
        "stericAlignment: -wv 5" + fraction + "walls further apart" + bicelles}},
      {{"-stKorim", "-dot", "30", "-wv", "0.05", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 0, {}, true},
      // An atom radius in the hundred thousands: the message names -rA, not the concentration, and
      // gives no count of free positions; a smaller radius runs. The concentration's own limit is
      // named where bicelles stop forming, and the least one above it runs.
      {{"-stKorimFree", "-dot", "30", "-pdbF", examples("ubiquitin_heavy_free.txt"), "-outA", "out.tab", "-rA", "1e5"}, 1,
       {"stericAlignment: the molecule does not fit between the walls: its centre stays 100044 Angstrom from a wall, "
        "beyond the half cell of 419.002 Angstrom; no alignment computed.\n",
        "stericAlignment: -rA 100000 adds that radius, in Angstrom, to every atom (default 0); with a smaller one the "
        "molecule fits.\n"}},
      {{"-stKorimFree", "-dot", "30", "-pdbF", examples("ubiquitin_heavy_free.txt"), "-outA", "out.tab", "-rA", "1.5"}, 0,
       {}, true},
      // The same radius between rods: the rod's cell (181 A around the axis of a rod of 33.5 A at
      // 5 %) is named, and the radius; 122.9 A is the largest whole tenth whose molecule still fits.
      {{"-stKorim", "-pf1", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-rA", "1e5"}, 1,
       {"stericAlignment: the molecule does not fit between the rods: its centre stays 100058 Angstrom from a rod's "
        "axis, beyond the rod's cell of radius 181.024 Angstrom; no alignment computed.\n",
        "stericAlignment: -rA 100000 adds that radius, in Angstrom, to every atom (default 0); with a smaller one the "
        "molecule fits.\n"}},
      {{"-stKorim", "-pf1", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-rA", "122.9"}, 0,
       {}, true},
      {{"-stKorim", "-pf1", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-rA", "123"}, 1,
       {"its centre stays 181.1 Angstrom from a rod's axis, beyond the rod's cell of radius 181.024 Angstrom",
        "stericAlignment: -rA 123 adds that radius"}},
      {{"-stKorimFree", "-dot", "30", "-pdbF", examples("ubiquitin_heavy_free.txt"), "-outA", "out.tab", "-wv", "0.005"},
       1, {"forms no bicelles (effective molar ratio -2.01704); raise the concentration (-wv) above 0.0124367 or check "
           "the ratio.\n"}},
      {{"-stKorimFree", "-dot", "30", "-pdbF", examples("ubiquitin_heavy_free.txt"), "-outA", "out.tab", "-wv", "0.0125"},
       0, {}, true},
      {{"-conv", "-korim", "-inD", namedInf, "-outD", "out.tab"}, 0, {}, true},
      {{"-conv", "-inD", namedInf, "-d1", "2", "-dN", "3"}, 0, {}, false,
       {"    2  GLN    N  inf -13.200 -9999.000", "    3  ILE    N  inf 8.780 -9999.000"}},
      {{"-conv", "-rosetta", "-inD", namedInf, "-d1", "4", "-dN", "4"}, 0, {}, false, {"a    4    N    4    H"}},
      {{"-conv", "-korim", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1, {overflowRow}},
      {{"-conv", "-xplor", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1, {overflowRow}},
      {{"-conv", "-dyana", "-scale", "-inD", overflow, "-outD", "out.tab"}, 1, {overflowRow}},
  });

  // Options without their value, for every reader alike: last on the line, before an empty word,
  // or a list without a word; -dbg takes no option word as its value, so a typo behind it is named;
  // -fixAa groups that name a peak twice or leave one out. A remark may be empty, and -ave stands
  // alone in -daHist.
  {
    const auto needs = [](const std::string& w, const std::string& why = "") {
      return "KORIM Error: option " + w + " needs a value" + why + ".\n";
    };
    auto steric = [](std::vector<std::string> tail) {
      std::vector<std::string> args = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
      args.insert(args.end(), tail.begin(), tail.end());
      return args;
    };
    const std::string groups = "KORIM Error: option -fixAa values ";
    cases.insert(cases.end(), {
        {steric({"-w", "1", "-dot"}), 1, {needs("-dot"), extracting}},  // the density reader
        {steric({"-r1"}), 1, {needs("-r1"), extracting}},                // the selection reader
        {steric({"-da"}), 1, {needs("-da"), extracting}},                // the tensor reader
        {steric({"-res", ""}), 1, {needs("-res", ", not an empty word"), extracting}},
        {steric({"-outD", ""}), 1, {needs("-outD", ", not an empty word")}},
        {steric({"-w", "-r1", "2"}), 1, {needs("-w")}},
        {steric({"-fixAa"}), 1, {needs("-fixAa")}},
        {{"-dbg", "-bestfit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {"KORIM Error: unknown option -bestfit (did you mean -bestFit?); korim -help lists the options.\n",
          extracting}},
        {lysines({"-fixAa", "4", "4"}), 1,
         {groups + "4 4 group the peaks in order as 1-4, 5-8, but there are 6 unassigned peaks: peaks 7-8 do "
                   "not exist; each peak must be in one group.\n"}},
        {lysines({"-fixAa", "2", "3"}), 1,
         {groups + "2 3 group the peaks in order as 1-2, 3-5, but there are 6 unassigned peaks: peak 6 is in "
                   "no group; each peak must be in one group.\n"}},
        {steric({"-rem", ""}), 0, {}, true},
        {{"-daHist", "-inD", kCouplings, "-ave"}, 0, {}, false, {"DATA"}},
    });
  }

  // Refused inputs named by their file and line, what the line holds (bytes beyond printable ASCII
  // written out) and what it must hold: a binary states file, a free-format record with a control
  // byte, a table without FORMAT whose coupling is nan and a control byte (no fault of the missing
  // line), and a -dcID medium that holds none of the peaks.
  {
    const std::string states = writeFile(data / "binary.ens", "10 20 30\n\x7f\x45LF\x02\x01\x01\n");
    std::string freeText = readFile(examples("ubiquitin_heavy_free.txt"));
    freeText.replace(freeText.find("ATOM 3 C MET 1"), 14, "ATOM 3 C MET 1\x1b");
    const std::string coordinates = writeFile(data / "control.txt", freeText);
    const std::string noFormat = writeFile(data / "nan_noformat.tab", "VARS D DD\n3.5 1\n-2 1\nnan\x01 1\n4 1\n7 1\n");
    const std::string stateForm = " does not start with three numbers (each line of a states file holds the three "
                                  "angles alpha, beta, gamma of one state, in degrees):\n";
    cases.insert(cases.end(), {
        {{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
          states, "-ave", "out.tab"}, 1,
         {"readEnsemble Error: line 2 of " + states + stateForm + "\\x7FELF\\x02\\x01\\x01\n",
          "error in readEnsemble.\n"}},
        {{"-stKorimFree", "-pdbF", coordinates, "-outA", "out.tab"}, 1,
         {"readPDBfree Error: line 4 of " + coordinates + " starts a malformed ATOM record (ATOM, then atom number, "
          "atom name, residue name, residue number, x, y, z: whole numbers, names of at most 15 characters, finite "
          "coordinates):\nATOM 3 C MET 1\\x1B 50.851 -89.086 7.556\n",
          "Matrix: Error reading PDB file in free format.\n"}},
        {{"-daHist", "-inD", noFormat, "-outD", "out.tab"}, 1,
         {"RdTable Warning: Bad F-Item 1:\nnan\\x01 1\n\n", "RdTable Error: 1 bad item in " + noFormat + "\n"}},
        {lysines({"-dcID", "1", "2"}), 1,
         {"Error: medium 2 (-dcID) holds the N-HN couplings of 0 of the 6 unassigned peaks; the last medium given "
          "must hold every peak's N-HN coupling (rows of segment name 2).\n", bestFitError}},
    });
  }

  // Inputs that are no text or whose lines a reader cannot hold: /dev/zero (endless NUL bytes) as
  // the readers that never ended on it, a configuration line longer than its buffer, and a grid
  // line without a number.
  {
    const std::string nul = " holds a NUL byte; a text file was expected.\n";
    const std::string longInp = "BETA_H: 30 " + std::string(250, 'x') + "\n";
    std::string gridText = readFile(grid);
    gridText.insert(gridText.find("-0.00109"), "see below\n");  // line 13
    const std::string wordGrid = writeFile(data / "word_grid.pot", gridText);
    cases.insert(cases.end(), {
        {{"-stKorim", "-pdb", "/dev/zero", "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {"PDB Error: line 1 of /dev/zero" + nul, "Error reading PDB input /dev/zero\n"}},
        {{"-bestFit", "-single", "-pdb", kPdb, "-inD", "/dev/zero", "-outD", "out.tab"}, 1,
         {"RdTable Error: line 1 of /dev/zero" + nul, "Error reading DC input /dev/zero\n"}},
        {{"-stKorimFree", "-pdbF", "/dev/zero", "-outA", "out.tab"}, 1, {"readPDBfree Error: line 1 of /dev/zero" + nul}},
        {onGrid({"-stKorim", "-3D", "-pot3D", "/dev/zero", "-nX", "33", "-nY", "33", "-nZ", "1"}), 1,
         {"read3DPotential Error: line 1 of /dev/zero" + nul, "ERROR: Reading of 3D potential not successful.\n"}},
        {onGrid({"-stKorim", "-3D", "-pot3D", wordGrid, "-nX", "33", "-nY", "33", "-nZ", "1"}), 1,
         {"read3DPotential Error: line 13 of " + wordGrid +
              " holds no number (each value line of a 3-D grid holds up to three finite numbers):\nsee below\n",
          "ERROR: Reading of 3D potential not successful.\n"}},
        {ensemble(kPdb, "long.inp", longInp, example100), 1,
         {"readConfig Error: line 16 of " + data / "long.inp" + " is longer than 254 characters.\n"}},
    });
  }

  // An empty word where a list or -dbg reads a number is shown as the shell takes it.
  cases.insert(cases.end(), {
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-w", "", "-outD", "out.tab"}, 1,
       {"KORIM Error: option -w value '' must be a number.\n", extracting}},
      {{"-dbg", "", "-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
       {"KORIM Error: option -dbg value '' must be an integer.\n"}},
  });

  // Repeated rows are no more couplings, and bond vectors along too few directions fix too few
  // order-matrix elements: the example's first four rows again with their ends swapped are four
  // atom pairs, one row 63 times one; six N-H vectors all along z fix only the element of z (rank
  // 1), six in the xy plane three (x^2 - y^2, xy and the z element they share).
  {
    const std::string head = measured.substr(0, header);
    std::string swapped, once;
    for (const char* r : {"2  GLN", "3  ILE", "4  PHE", "5  VAL"})
      swapped += std::string("   ") + r + "    H   " + r + "    N   7.000   1.000 1.00\n";
    for (int i = 0; i < 63; ++i) once += readFile(one).substr(header);
    const std::string twice = writeFile(data / "twice.tab", readFile(four) + swapped);
    const std::string oneRow = writeFile(data / "one_row.tab", head + once);
    std::string axis, plane, six = head;
    for (int i = 1; i <= 6; ++i) {
      const double t = (i - 1) * M_PI / 6.0;  // 30 degrees apart in the xy plane
      char line[200];
      for (auto [text, dx, dy, dz] :
           {std::tuple{&axis, 0.0, 0.0, 1.02}, {&plane, 1.02 * std::cos(t), 1.02 * std::sin(t), 0.0}}) {
        std::snprintf(line, sizeof line,
                      "ATOM  %5d  N   ALA A%4d    %8.3f%8.3f%8.3f  1.00  0.00\n"
                      "ATOM  %5d  H   ALA A%4d    %8.3f%8.3f%8.3f  1.00  0.00\n",
                      2 * i - 1, i, 4.0 * i, 0.0, 0.0, 2 * i, i, 4.0 * i + dx, dy, dz);
        *text += line;
      }
      six += "   " + std::to_string(i) + "  ALA    N    " + std::to_string(i) + "  ALA    H   " +
             std::to_string(3 * i - 10) + ".000   1.000 1.00\n";
    }
    const std::string sixTab = writeFile(data / "six.tab", six);
    const std::string axisPdb = writeFile(data / "axis.pdb", axis + "END\n");
    const std::string planePdb = writeFile(data / "plane.pdb", plane + "END\n");
    auto fit = [](const std::string& pdb, const std::string& tab, std::vector<std::string> mode) {
      mode.insert(mode.begin(), "-bestFit");
      mode.insert(mode.end(), {"-pdb", pdb, "-inD", tab, "-outD", "out.tab", "-pdbRot", "r.pdb"});
      return mode;
    };
    const std::string fourPairs = "korim: 8 usable couplings of " + twice + " name 4 distinct atom pairs, too few to "
                                  "fit an order matrix (5 or more).\n";
    const std::string determine = "korim: the bond vectors of the 6 distinct atom pairs determine ";
    const std::string rankTail = " of the 5 order-matrix elements (singular values of the fit below 0.001 of the "
                                 "largest count as 0): no order matrix can be fitted to them.\n";
    const std::string fitError = "korim: error in best-fit of data.\n";
    // The assignment search: residue 2's row four times fixed and two lysine peaks are three.
    const std::string lys = readFile(examples("ubiquitin_lys_unassigned.tab"));
    const size_t lysHead = lys.find("\n\n", lys.find("FORMAT")) + 2;
    const std::string row2 = lys.substr(lysHead, lys.find('\n', lysHead) + 1 - lysHead);
    std::string peaks;
    for (const char* r : {"\n    6  LYS", "\n   11  LYS"}) {
      const size_t at = lys.find(r) + 1;
      peaks += lys.substr(at, lys.find('\n', at) + 1 - at);
    }
    const std::string search =
        writeFile(data / "search.tab", lys.substr(0, lysHead) + row2 + row2 + row2 + row2 + peaks);
    cases.insert(cases.end(), {
        {fit(kPdb, twice, {"-single"}), 1,
         {"DC Warning: 4 couplings repeat the atom pair of an earlier row:\n", fourPairs, fitError}},
        {fit(kPdb, oneRow, {"-single"}), 1,
         {"korim: 63 usable couplings of " + oneRow + " name 1 distinct atom pair, too few to fit an order matrix (5 "
          "or more).\n",
          fitError}},
        {fit(kPdb, twice, {"-mcDc", "-map", "5"}), 1, {fourPairs, bestFitError}},
        {fit(axisPdb, sixTab, {"-single"}), 1, {determine + "1" + rankTail, fitError}},
        {fit(planePdb, sixTab, {"-jack", "-map", "5"}), 1, {determine + "3" + rankTail, bestFitError}},
        {{"-daHist", "-inD", twice, "-outD", "out.tab"}, 1,
         {"korim: 8 usable couplings of " + twice + " name 4 distinct atom pairs, too few to estimate Da and R from "
          "their distribution (5 or more).\n", histFailed}},
        {fit(kPdb, search, {"-exhaust", "-fixRes", "2"}), 1,
         {"Error: the search has 3 couplings, too few to fit an order matrix (5 or more).\n", bestFitError}},
    });
  }

  // Results that say they are wrong: a tensor the model finds of the wrong magnitude or zero in
  // every prediction mode (an order parameter of 0 asks for the zero tensor), a conversion of no
  // usable coupling, and less salt than pure water holds or a surface potential not finite.
  {
    const std::string capped = "WARNING: concentration too low - magnitude of alignment tensor incorrect\n";
    const std::string positions = "korim: the positions of the molecule sampled from the medium end at their limit of "
                                  "5000 steps of the grid spacing (-dGrid) before the distance they must cover (a "
                                  "medium too dilute, or a step too fine): the magnitude of the alignment tensor is "
                                  "incorrect; no result is written.\n";
    const std::string onePlace = "korim: the predicted alignment tensor is zero: a molecule whose atoms lie at one "
                                 "place has no shape for the medium to align; no result is written.\n";
    const std::string atom = writeFile(data / "one_atom.pdb", lines(readFile(kPdb))[0] + "\nEND\n");
    const std::string head = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                             "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
    const std::string unusable = writeFile(data / "all_1e30.tab", head + "2 GLN N 2 GLN H 1e30 1 1\n3 ILE N 3 ILE H 1e30 1 1\n");
    std::string renamed = couplings;
    renamed.replace(renamed.find("ATOMNAME_I"), 10, "ATOMNAME_X");
    const std::string noAtoms = writeFile(data / "atom_column_renamed.tab", renamed);
    const std::string caha = writeFile(data / "ca_ha.tab", head + "2 GLN CA 2 GLN HA 5 1 1\n3 ILE CA 3 ILE HA 6 1 1\n");
    auto tooFew = [](const std::string& kind, const std::string& table) {
      return "korim: 0 usable " + kind + "couplings of " + table + " are too few to convert (1 or more).\n";
    };
    const std::string rod = examples("pf1_rod_radial.pot");
    const std::string sma = "simulateAlignment: error in sma.\n";
    cases.insert(cases.end(), {
        {scaled({"-stKorim"}, "-dGrid", "1e-30"), 1, {capped, positions, simulating, scale + "-dGrid 1e-30\n"}},
        {scaled({"-elKorim"}, "-dGrid", "1e-30"), 1, {capped, positions, simulating, scale + "-dGrid 1e-30\n"}},
        // Positions appended beyond the clash region up to their limit: the steric rod (-wv 0.001:
        // rods 1280 A apart), the electrostatic wall and rod (-dGrid 0.02: the limit lies 70 A out,
        // where the potential at 0.05 M salt still counts).
        {scaled({"-stKorim", "-pf1"}, "-wv", "0.001"), 1, {capped, positions, simulating, scale + "-wv 0.001\n"}},
        {scaled({"-elKorim", "-nacl", "0.05"}, "-dGrid", "0.02"), 1, {capped, positions, simulating}},
        {scaled({"-elKorim", "-pf1", "-pot", rod, "-nacl", "0.05"}, "-dGrid", "0.02"), 1,
         {capped, positions, simulating}},
        // The rod's potential overlapping the next cell's (0.05 M salt), or below its cutoff already
        // where the molecule touches the rod (-cut 10).
        {scaled({"-elKorim", "-pf1", "-pot", rod}, "-nacl", "0.05"), 1,
         {"korim: the rod's potential stays above its cutoff (-cut) up to the neighbouring rod's cell, where the "
          "potentials of the two overlap: the magnitude of the alignment tensor is incorrect; no result is written.\n",
          simulating}},
        {scaled({"-elKorim", "-pf1", "-pot", rod}, "-cut", "10"), 1,
         {"korim: the rod's potential drops below its cutoff (-cut) within the clash region: the magnitude of the "
          "alignment tensor is incorrect; no result is written.\n",
          simulating}},
        // A molecule stood for by charges it does not carry.
        {predict({"-elKorim", "-dipole", "-nopkaDef", "-nochTerm"}), 1,
         {"korim: the predicted alignment tensor is zero: with -dipole the molecule is stood for by the dipole of its "
          "charges, and this run places no charge on it, so it has no dipole to align (its charges come from -pka, "
          "-nopkaDef, -pH and -nochTerm); no result is written.\n",
          simulating}},
        {predict({"-stKorim", "-chSel"}), 1,
         {"korim: the predicted alignment tensor is zero: with -chSel the molecule is stood for by its charged atoms, "
          "and this run places no charge on it, so no atom is left to align (the steric model places none; -elKorim "
          "does); no result is written.\n",
          simulating}},
        {scaled({"-stKorim"}, "-rM", "1e30"), 1, {zeroTensor, simulating, scale + "-rM 1e30\n"}},
        {scaled({"-stKorim"}, "-rA", "-1e30"), 1,
         {"KORIM Error: option -rA value -1e30 must be 0 or more (the atom radius, Angstrom; 0 takes the atoms as "
          "points).\n"}},
        {{"-stKorim", "-dot", "30", "-pdb", atom, "-outD", "out.tab"}, 1, {onePlace, simulating}},
        {{"-stKorimFree", "-pdbF", examples("ubiquitin_heavy_free.txt"), "-outA", "out.tab", "-rM", "1e30"}, 1,
         {zeroTensor, "matrix: error in ssiaFree.\n", scale + "-rM 1e30\n"}},
        {plus(ens, {"-rM", "1e30", "-ave", "out.tab"}), 1,
         {zeroTensor, simulating, "matrix: ensembleAlignment error occured.\n", scale + "-rM 1e30\n"}},
        {scaled({"-stKorim"}, "-lcS", "0"), 1,
         {"KORIM Error: option -lcS value 0 must lie from 1e-15 to 1 (the order parameter of the liquid crystal; at 0 "
          "the medium has no order and aligns no molecule, and below 1e-15 the couplings it gives leave the range of "
          "the single-precision numbers they are computed in).\n",
          extracting}},
        {{"-conv", "-inD", unusable, "-outD", "out.tab"}, 1, {tooFew("", unusable), "korim: error in conversion of table.\n"}},
        {{"-conv", "-xplor", "-inD", noAtoms, "-outD", "out.tab"}, 1,
         {"DC Error: " + noAtoms + " has no column ATOMNAME_I (each coupling names its two atoms in RESID_I, "
          "ATOMNAME_I, RESID_J and ATOMNAME_J).\n"}},
        {{"-conv", "-dyana", "-inD", caha, "-outD", "out.tab"}, 1, {tooFew("N-H ", caha)}},
        {{"-elKorim", "-pf1", "-pot", rod, "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-nacl",
          "1e-30"},
         1,
         {"sma: option -nacl value 1e-30 mol/l lies below 1e-07 mol/l, the ions of each sign that pure water holds (pH "
          "7): no aqueous medium holds less.\n",
          sma, simulating}},
        // A surface charge beyond any medium's is refused when read.
        {scaled({"-elKorim"}, "-chSurf", "-1e30"), 1,
         {"KORIM Error: option -chSurf value -1e30 must lie from -1.5 to 1.5 (the surface charge density of the "
          "medium in e/nm2"}},
    });
  }

  // Numbers of the configuration, the pKa file and the residue columns that would be read as less
  // than they say, or values that mean nothing to their key: each refused, naming file, line and
  // what was expected. The example's domains take 15 lines, so the key added stands in line 16.
  {
    const auto configLine = [&](const std::string& inp, const std::string& line, const std::string& takes) {
      const std::string key = line.substr(0, line.find(' ')), value = line.substr(line.find(' ') + 1);
      return "KORIM Error: line 16 of " + data / inp + " gives " + key + " the value " + value + ", where it takes " +
             takes + ":\n" + line + "\n";
    };
    const std::string clashOn = "a distance in A above 0 while the clash check is on (ENSEMBLE_CLASH: 0 turns it off)";
    const std::string sphere = " (each orientation of the sphere is a state; a denser sphere has more orientations "
                               "than the 39998 states an ensemble holds)";
    const std::string split = " followed by the number 5, where one value is taken (one number split by a space? "
                              "words after the value are a comment, which may not begin with a number)";
    const std::string pka = writeFile(data / "comma.pka", "6 NZ charge 0.8\n68 default charge 2,5\n");
    const std::string pkaSplit = writeFile(data / "split.pka", "6 NZ charge 0.8\n68 default charge 2 5\n");
    const std::string pkaHuge = writeFile(data / "huge.pka", "6 NZ charge -1e30\n");
    const std::string pkaTwice = writeFile(data / "twice.pka", "6 NZ charge 0.8 (lysine 6)\n6 NZ charge 0.8\n");
    // A key given twice keeps its last value and is named; OUTPUT_ENSEMBLE 2 stops after the states.
    std::vector<std::string> twice = ensemble(kPdb, "twice.inp", "END_RESID_1: 7\nOUTPUT_ENSEMBLE: 2\n", example100);
    std::string table = readFile(kCouplings);
    table.replace(table.find("    2  GLN    N    2  GLN    H"), 30, "  2.5  GLN    N    2  GLN    H");
    const std::string resid = writeFile(data / "resid.tab", table);
    // The same slip in the potential, grid, states and free-format readers: a space typed into a number.
    const auto typed = [&](const std::string& from, const std::string& was, const std::string& is,
                           const std::string& name) {
      std::string text = readFile(from);
      text.replace(text.find(was), was.size(), is);
      return writeFile(data / name, text);
    };
    const std::string potSplit = typed(examples("pf1_rod_radial.pot"), "0.2 -1.67719e+00", "0.2 -1 67719e+00", "s.pot");
    const std::string gridSplit = typed(grid, "-0.00109 -0.0016 -0.00228", "-0.00109 -0.0016 -0 00228", "s3.pot");
    const std::string statesSplit = typed(example100, "6.3435e+01  3.0000e+01", "6.3435e+01  3 0000e+01", "s.ens");
    const std::string freeSplit = typed(examples("ubiquitin_heavy_free.txt"), "-89.304 8.833", "-89.304 8 833", "s.txt");
    const std::string taken = " taken (one number split by a space? words after the values are a comment, which may "
                              "not begin with a number) (each ";
    cases.insert(cases.end(), {
        {{"-elKorim", "-pf1", "-pot", potSplit, "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, 1,
         {"readPotential Error: line 3 of " + potSplit + " holds the last value -1 followed by the number 67719e+00, "
          "where two values are" + taken, ":\n0.2 -1 67719e+00\nERROR Reading of 1D potential not successful.\n"}},
        {onGrid({"-stKorim", "-3D", "-pot3D", gridSplit, "-nX", "33", "-nY", "33", "-nZ", "1"}), 1,
         {"\nread3DPotential Error: line 13 of " + gridSplit + " holds the last value -0 followed by the number "
          "00228, where three values are" + taken, ":\n-0.00109 -0.0016 -0 00228\nERROR: Reading of 3D potential"}},
        {ensemble(kPdb, "split_states.inp", "", statesSplit), 1,
         {"readEnsemble Error: line 2 of " + statesSplit + " holds the last value 3 followed by the number 0000e+01, "
          "where three values are" + taken, ":\n-1.4400e+02  6.3435e+01  3 0000e+01\nerror in readEnsemble.\n"}},
        {{"-stKorimFree", "-pdbF", freeSplit, "-outA", "out.tab"}, 1,
         {"readPDBfree Error: line 3 of " + freeSplit + " holds an ATOM record with 1 number after its z coordinate, "
          "where the first record (line 2) holds none (one number split by a space? words after z, such as occupancy "
          "and B-factor, are skipped, but every record of a file holds as many numbers there):\n"
          "ATOM 2 CA MET 1 51.653 -89.304 8 833\n"}},
        {ensemble(kPdb, "comma.inp", "CLASH_DISTANCE: 1,5\n", example100), 1,
         {configLine("comma.inp", "CLASH_DISTANCE: 1,5", "a finite distance in A"),
          "Error reading configuration file"}},
        {ensemble(kPdb, "zero.inp", "CLASH_DISTANCE: 0\n", example100), 1,
         {configLine("zero.inp", "CLASH_DISTANCE: 0", clashOn)}},
        {ensemble(kPdb, "density.inp", "ENSEMBLE_DENSITY: 3.5\n", example100), 1,
         {configLine("density.inp", "ENSEMBLE_DENSITY: 3.5", "a whole number from 3 to 39692" + sphere)}},
        {ensemble(kPdb, "cone.inp", "BETA_H: nan\n", example100), 1,
         {configLine("cone.inp", "BETA_H: nan", "an angle from 0 to 180 degrees")}},
        {ensemble(kPdb, "mode.inp", "OUTPUT_ENSEMBLE: 4\n", example100), 1,
         {configLine("mode.inp", "OUTPUT_ENSEMBLE: 4", "0 (predict the states), 2 (list the states and stop) or 3 "
                     "(write the states' structures and predict none)")}},
        {ensemble(kPdb, "clash.inp", "ENSEMBLE_CLASH: 2\n", example100), 1,
         {configLine("clash.inp", "ENSEMBLE_CLASH: 2", "0 (off) or 1 (on)")}},
        {{"-elKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-pka", pka, "-outD", "out.tab"}, 1,
         {"chargeSetup Error: line 2 of " + pka + " holds the value 2,5, where a finite number is expected (each line "
          "of a pKa file holds", "68 default charge 1.0\"):\n68 default charge 2,5\n"}},
        {ensemble(kPdb, "split.inp", "CLASH_DISTANCE: 1 5\n", example100), 1,
         {"KORIM Error: line 16 of " + data / "split.inp" + " gives CLASH_DISTANCE: the value 1" + split +
              ":\nCLASH_DISTANCE: 1 5\n",
          "Error reading configuration file"}},
        // Sizes the ensemble's set-up cannot take, refused at their line, also where -inE gives the states.
        {ensemble(kPdb, "dense.inp", "ENSEMBLE_DENSITY: 100000\n", example100), 1,
         {configLine("dense.inp", "ENSEMBLE_DENSITY: 100000", "a whole number from 3 to 39692" + sphere)}},
        {ensemble(kPdb, "none.inp", "ENSEMBLE_DENSITY: -5\n", example100), 1,
         {configLine("none.inp", "ENSEMBLE_DENSITY: -5", "a whole number from 3 to 39692" + sphere)}},
        {ensemble(kPdb, "turns.inp", "ENSEMBLE_GAMMA: 100000\n", example100), 1,
         {configLine("turns.inp", "ENSEMBLE_GAMMA: 100000", "a whole number from 0 to 39998 (each turn about an "
                     "orientation is a state; more turns are more than the 39998 states an ensemble holds)")}},
        {twice, 0,
         {"korim: configuration " + data / "twice.inp" + " sets END_RESID_1: in line 2 (\"END_RESID_1: 35\") and "
          "again in line 16 (\"END_RESID_1: 7\"); the value of line 16 is used.\n"}},
        {{"-elKorimFree", "-pdb", kPdb, "-pka", pkaSplit}, 1,
         {"chargeSetup Error: line 2 of " + pkaSplit + " holds the value 2" + split + " (each line of a pKa file",
          ":\n68 default charge 2 5\n"}},
        {{"-elKorimFree", "-pdb", kPdb, "-pka", pkaHuge}, 1,
         {"chargeSetup Error: line 1 of " + pkaHuge + " holds the charge -1e30, where a charge from -10 to 10 e is "
          "expected (no atom of a molecule carries more) (each line of a pKa file", ":\n6 NZ charge -1e30\n"}},
        // An atom named by two lines takes a slot for each, and the user is told its total.
        {{"-elKorimFree", "-pdb", kPdb, "-pka", pkaTwice}, 0,
         {"chargeSetup Warning: line 2 of " + pkaTwice + " charges atom NZ of residue 6 LYS, which line 1 charged "
          "already; the atom takes the charge of each line, 1.600 e in all.\n",
          "REMARK " + pkaTwice + ", 2 Charges/pka Values, Net Charge 1.600 Residues 6 to 6.\n"}},
        {{"-bestFit", "-single", "-pdb", kPdb, "-inD", resid, "-outD", "out.tab"}, 1,
         {"RdTable Warning: Bad I-Item 1:\n  2.5  GLN    N    2  GLN    H", "RdTable Error: 1 bad item in " + resid}},
    });
  }

  // Sound runs the checks of this round must let through: a state listing (OUTPUT_ENSEMBLE 2) turns
  // no domain, so a pivot residue the structure lacks (ORIGIN_DOM1 left at its default 0) only
  // leaves the start orientation unshifted.
  {
    std::vector<std::string> listing =
        ensemble(kPdb, "listing.inp", "OUTPUT_ENSEMBLE: 2\nORIGIN_DOM1: 0\n", example100);
    listing.insert(listing.end(), {"-outE", "states.txt"});
    // A width search with one width below 90 degrees that is above 0: its noise is measured, and
    // a width whose noise already exceeds the measured RMS is the answer, as the first of several.
    const std::vector<std::string> oneWidth = {"-bestFit", "-mcStruc", "-map", "3", "-lCone", "85", "-incCone", "5",
                                               "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
    cases.insert(cases.end(), {
        {listing, 0, {}, false, {}, {"states.txt"}},
        {oneWidth, 0, {}, true, {"REMARK Width of Gaussian cone 85.00 degree and "}},
    });
  }

  // Searches that end at their cap or at a width without noise, and option values outside the
  // range in which the error estimates mean anything. With every error 0.015 Hz no error-bar
  // factor the -mcDc search reaches within its 1000 passes keeps the fits within the bars.
  {
    std::string fine = readFile(kCouplings);
    for (size_t pos = 0; (pos = fine.find("     1.000 1.00\n", pos)) != std::string::npos; ++pos)
      fine.replace(pos, 10, "     0.015");
    const std::string tight = writeFile(data / "dd_tight.tab", fine);
    const auto run = [](const std::vector<std::string>& args, const std::string& table = kCouplings) {
      std::vector<std::string> all = {"-bestFit", "-map", "20", "-pdb", kPdb, "-inD", table, "-outD", "out.tab"};
      all.insert(all.end(), args.begin(), args.end());
      return all;
    };
    const std::string noNoise = "KORIM Error: structural noise not adjusted: the 1.125 Hz DC Rms needed lies between "
                                "0.000 Hz at 0.00 degree (no noise) and ";
    const std::string fraction = " must lie above 0 and below 1 (the share of the fits within their error bars).\n";
    const std::string share = " must lie above 0 and below 1 (the share of the couplings each jackknife trial "
                              "keeps; -nDfixed makes it a count).\n";
    cases.insert(cases.end(), {
        {run({"-mcStruc", "-incCone", "3", "-outDa", "da.log"}), 1,
         {noNoise, " Hz at 3.00 degree, the first width above 0; a smaller -incCone than 3 resolves it.\n",
          bestFitError},
         false, {}, {"!da.log"}},
        {run({"-mcStruc", "-incCone", "89.99"}), 1,
         {noNoise, " Hz at 89.99 degree, the first width above 0; a smaller -incCone than 89.99 resolves it.\n"}},
        {run({"-mcDc", "-outFail", "f.tab", "-nAdjustMc", "10", "-outDa", "da.log"}, tight), 1,
         {"KORIM Error: DC error bars not adjusted within 1000 passes of -incAdjustMc 0.2 from -kLAdjustMc 1: ",
          " of 10 fits within the error bars at factor 200.8, more than 7 needed (-fracAdjustMc 0.7).\n",
          bestFitError},
         false, {}, {"!f.tab", "!da.log"}},
        {run({"-mcDc", "-fracAdjustMc", "0"}), 1, {"KORIM Error: option -fracAdjustMc value 0" + fraction, extracting}},
        {run({"-mcDc", "-fracAdjustMc", "1"}), 1, {"KORIM Error: option -fracAdjustMc value 1" + fraction}},
        {run({"-mcDc", "-fracAdjustMc", "1e30"}), 1, {"KORIM Error: option -fracAdjustMc value 1e30" + fraction}},
        {run({"-mcDc", "-incAdjustMc", "1e9"}), 1,
         {"KORIM Error: option -incAdjustMc value 1e9 must lie above 0 and at most 10 (the step of the error-bar "
          "factor).\n"}},
        {run({"-jack", "-dFrac", "2.5"}), 1, {"KORIM Error: option -dFrac value 2.5" + share}},
        {run({"-jack", "-dFrac", "1"}), 1, {"KORIM Error: option -dFrac value 1" + share}},
        {run({"-jack", "-nDfixed", "-dFrac", "12.5"}), 1,
         {"KORIM Error: option -dFrac value 12.5 must be a whole number of 1 or more with -nDfixed (the couplings "
          "each jackknife trial keeps).\n"}},
        {run({"-mcStruc", "-nCone", "0"}), 1, {"KORIM Error: option -nCone value 0 must be at least 1.\n"}},
        // A saved standard output holds the found factor on a line of its own; the progress of the
        // factors tried is on stderr, as every progress line.
        {run({"-mcDc"}), 0, {"REMARK DC Error Scaling factor 3.8\r\n"}, true,
         {"REMARK Adjusting DC error bars ...\nREMARK DC error bars automatically adjusted by factor of 3.8.\n"}},
    });
  }

  // Error estimates that would add no noise or refit one subset: an error-bar factor of 0 or
  // below, a fixed tilt of 180 degrees (a vector turned onto its own line), jackknife subsets that
  // keep every coupling (refused before a log is begun). Fits of five parameters to the files
  // written above: the nonlinear fit of Da, Dr and three angles (-nofixed) to one row 63 times
  // (one_row.tab), and an assignment search over six N-H vectors along z (axis.pdb, six.tab). An
  // assignment search and a combination of two tables (-anDc) left with no coupling (every one
  // 1e30 in all_1e30.tab), as a conversion of none.
  {
    const auto est = [](std::vector<std::string> args) {
      args.insert(args.end(), {"-map", "5", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"});
      return args;
    };
    const std::string factor = " must lie above 0 and at most 1e+06 (a factor on the error bars of the couplings; "
                               "noise of more error bars swamps every coupling).\n";
    cases.insert(cases.end(), {
        {est({"-bestFit", "-mcDc", "-noautoMc", "-noerr", "-kAdjustMc", "0"}), 1,
         {"KORIM Error: option -kAdjustMc value 0" + factor, extracting}},
        {est({"-bestFit", "-mcDc", "-kLAdjustMc", "-1"}), 1, {"KORIM Error: option -kLAdjustMc value -1" + factor}},
        {est({"-bestFit", "-mcStruc", "-noautoCone", "-fixCone", "-stdCone", "180"}), 1,
         {"KORIM Error: option -stdCone value 180 must be at most 90 degree (a wider cone tilts beyond the "
          "perpendicular, which adds no disorder; a fixed tilt of 180 degrees adds none at all).\n"}},
        {est({"-bestFit", "-jack", "-nDfixed", "-dFrac", "63", "-outDa", "da.log"}), 1,
         {"KORIM Error: jackknife subsets of 63 of 63 couplings keep every coupling: each trial fits the same "
          "couplings, which gives no spread (-nDfixed -dFrac below 63).\n"},
         false, {}, {"!da.log"}},
        // -nDfixed reads the default -dFrac 0.5 as a count of none; the count advised runs.
        {est({"-bestFit", "-jack", "-nDfixed"}), 1,
         {"KORIM Error: jackknife subsets of 0 of 63 couplings are too few to fit an order matrix (5 or more; with "
          "-nDfixed, -dFrac is the count each keeps, as -dFrac 5).\n"}},
        {est({"-bestFit", "-jack", "-nDfixed", "-dFrac", "5"}), 0, {}, true},
        {{"-bestFit", "-single", "-nofixed", "-pdb", kPdb, "-inD", data / "one_row.tab", "-outD", "out.tab"}, 1,
         {"korim: 63 usable couplings of " + (data / "one_row.tab") + " name 1 distinct atom pair, too few to fit an "
          "order matrix (5 or more).\n"}},
        {{"-bestFit", "-exhaust", "-pdb", data / "axis.pdb", "-inD", data / "six.tab", "-outD", "out.tab"}, 1,
         {"Error: the bond vectors of the search determine 1 of the 5 order-matrix elements (singular values of "
          "the fit below 0.001 of the largest count as 0): no order matrix can be fitted to them.\n",
          "Matrix: error in best-fit of data.\n"}},
        {{"-bestFit", "-exhaust", "-pdb", kPdb, "-inD", data / "all_1e30.tab", "-outD", "out.tab"}, 1,
         {"Error: the search has no unassigned N-HN peak: no usable N-HN coupling is left that -fixRes does not "
          "fix; there is nothing to assign.\n"}},
        {{"-anDc", "-inD1", kCouplings, "-inD2", data / "all_1e30.tab", "-outD", "out.tab"}, 1,
         {"korim: 0 usable couplings of " + kCouplings + " (-inD1) combine with a usable coupling of the same atoms "
          "in " + data / "all_1e30.tab" + " (-inD2) into a finite value: there is no table to write (1 or more).\n",
          "Matrix: error in comparison of order matrices.\n"}},
    });
  }

  // Numbers and atoms no input may hold: a residue number of 1e-400 (no residue 0), a coordinate of
  // 1e30 in a structure and in free-format coordinates, a table without the atom columns of its
  // second end (named once, not row by row), a table without its second end's residue numbers (no
  // placeholder named), a structure line that is no record (skipped with a word; the run goes on),
  // and a filter of the pair in the other order, whose advised order fits.
  {
    const std::string head = measured.substr(0, header);
    std::string tinyRows = measured.substr(header);
    tinyRows.replace(tinyRows.find("    2  GLN    N"), 5, "1e-400");
    const std::string tiny = writeFile(data / "tiny.tab", head + tinyRows);
    std::string noJ = "VARS RESID_I ATOMNAME_I RESNAME_J D\nFORMAT %d %s %s %f\n", noRJ = "VARS RESID_I ATOMNAME_I ATOMNAME_J D\nFORMAT %d %s %s %f\n";
    for (int r = 2; r < 9; ++r) {
      noJ += std::to_string(r) + " N GLN 1.5\n";
      noRJ += std::to_string(r) + " N H 1.5\n";
    }
    const std::string noJTab = writeFile(data / "noJ.tab", noJ), noRJTab = writeFile(data / "noRJ.tab", noRJ);
    std::string farPdb = structure, tabPdb = structure;
    farPdb.replace(farPdb.find("  52.923"), 8, "  1e30  ");
    tabPdb.replace(tabPdb.find("ATOM      5 "), 6, "ATOM\t ");
    const std::string far = writeFile(data / "far.pdb", farPdb), tabbed = writeFile(data / "tab.pdb", tabPdb);
    std::string freeText = readFile(examples("ubiquitin_heavy_free.txt"));
    freeText.replace(freeText.find("52.923"), 6, "1e30");
    const std::string farFree = writeFile(data / "far_free.txt", freeText);
    const auto fit = [](const std::string& pdb, const std::string& tab, std::vector<std::string> more = {}) {
      std::vector<std::string> args = {"-bestFit", "-single", "-pdb", pdb, "-inD", tab, "-outD", "out.tab"};
      args.insert(args.end(), more.begin(), more.end());
      return args;
    };
    const std::string range = " lies outside -999.999 to 9999.999 A (what the eight columns of a PDB coordinate hold)";
    cases.insert(cases.end(), {
        {fit(kPdb, tiny), 1,
         {"RdTable Warning: Bad I-Item 1:\n1e-400  GLN    N    2  GLN    H   -13.200     1.000 1.00\n\n",
          "RdTable Error: 1 bad item in " + tiny + "\n"}},
        {fit(far, kCouplings), 1,
         {"PDB Error: X coordinate '1e30' in line 1 of PDB file " + far + range + "\n",
          "Error reading PDB input " + far + "\n"}},
        {{"-stKorimFree", "-pdbF", farFree, "-outA", "out.tab"}, 1,
         {"readPDBfree Error: line 2 of " + farFree + " holds the x coordinate 1e30, outside" +
              range.substr(range.find(" -999")) + ":\nATOM 1 N MET 1 1e30 -90.016 8.509\n",
          "matrix: error in ssiaFree.\n"}},
        {fit(kPdb, noJTab), 1,
         {"DC Error: " + noJTab + " has no columns RESID_J and ATOMNAME_J (each coupling names its two atoms in "
          "RESID_I, ATOMNAME_I, RESID_J and ATOMNAME_J).\n", "Error reading DC input " + noJTab + "\n"}},
        {fit(kPdb, noRJTab), 1,
         {"DC Warning: 7 selected couplings map to no atom of the structure and are not used:\n"
          "   row 1: holds no residue number in RESID_J\n",
          "korim: 0 usable couplings of " + noRJTab + " are too few to fit an order matrix (5 or more).\n"}},
        {fit(tabbed, kCouplings), 0,
         {"PDB Warning: 1 line skipped in " + tabbed + ": it begins with ATOM or HETATM but is no atom record; the "
          "first is line 5, whose column 5 holds a tab where a record has a blank or its serial number:\n"
          "ATOM\t     5  CB  MET A   1      51.976 -87.958   9.485  1.00 13.77           C  \n",
          tabbed + ", 1230 Atoms, Residues 1 to 76.\n"}, true},
        {fit(kPdb, kCouplings, {"-aD1", "H", "-aD2", "N"}), 1,
         {"DC Warning: 63 couplings hold the pair in the other order (N at end I, H at end J) and are not selected "
          "by -aD1 H -aD2 N; -aD1 N -aD2 H in place of -aD1 H -aD2 N selects them.\n",
          "korim: -aD1 H -aD2 N select none of the 63 couplings of " + kCouplings}},
        {fit(kPdb, kCouplings, {"-aD1", "N", "-aD2", "H"}), 0, {}, true, {"REMARK 63 couplings selected"}},
    });
  }

  // Values outside the range the usage text states, refused before the work, naming the range; the
  // neighbours inside it are taken. A fit whose Da is held at 0 is refused (in the usual form that
  // tensor is zero); the Da held at another value, as advised, fits.
  {
    const std::string order = " must lie from 1e-15 to 1 (the order parameter of the liquid crystal; at 0 the medium has no order "
                              "and aligns no molecule, and below 1e-15 the couplings it gives leave the range of the "
                              "single-precision numbers they are computed in).\n";
    const auto fit = [](std::vector<std::string> more) {
      std::vector<std::string> args = {"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
      args.insert(args.end(), more.begin(), more.end());
      return args;
    };
    const std::string heldAtZero =
        " hold the fitted tensor's Da at 0: a tensor of Da 0 is zero in the usual form (|Dr| at most 2/3 |Da|), with "
        "no orientation to fit, and with the Dr held beside it (-dr) it is a tensor of another Da, which the report "
        "would name; hold Da at a value other than 0, or leave -da out for the SVD fit of the whole tensor.\n";
    cases.insert(cases.end(), {
        {scaled({"-stKorim"}, "-lcS", "-1"), 1, {"KORIM Error: option -lcS value -1" + order, extracting}},
        {scaled({"-stKorim"}, "-lcS", "1e5"), 1, {"KORIM Error: option -lcS value 1e5" + order}},
        {scaled({"-elKorim"}, "-lcS", "1.0000001"), 1, {"KORIM Error: option -lcS value 1.0000001" + order}},
        {scaled({"-stKorim"}, "-lcS", "1"), 0, {}, true},
        {fit({"-mcDc", "-map", "5", "-nAdjustMc", "0"}), 1,
         {"KORIM Error: option -nAdjustMc value 0 must be at least 1.\n", extracting}},
        {fit({"-single", "-da", "0"}), 1, {"KORIM Error: option -da value 0 holds" + heldAtZero.substr(5), extracting}},
        {fit({"-jack", "-map", "5", "-dadr", "-da", "-0"}), 1, {"KORIM Error: option -da value -0 holds"}},
        {fit({"-single", "-nofixed", "-daMin", "0", "-daMax", "0"}), 1,
         {"KORIM Error: options -daMin 0 and -daMax 0" + heldAtZero}},
        {fit({"-single", "-da", "1e-3"}), 0, {}, true, {"REMARK 63 couplings selected"}},
    });
  }

  // A weight that scales a coupling beyond 900 Hz, or a coupling of -1e30, refused where every mode
  // selects its rows (they gave an RMS of 1.4e9 and "Aborting." with status 0); -aD1/-aD2 that select no row name the
  // pairs the table holds, a prediction goes on (the advised pair selects the rows: above).
  {
    const std::string w10 = slip("w10.tab", "3.190     1.000 1e10");
    const std::string minus30 = slip("minus30.tab", "-1e30     1.000 1.00");
    const std::string row4 = "korim: row 4 of " + w10 + " has D 3.19 and W 1e+10: its coupling D*W, 3.19e+10 Hz";
    const std::string held = " select none of the 63 couplings of " + kCouplings + ", whose rows name the atom pairs "
                             "(ATOMNAME_I-ATOMNAME_J) N-H 63; the names are compared exactly (case and ends as the "
                             "table writes them)";
    const std::vector<std::string> nh = {"-inD", kCouplings, "-outD", "out.tab", "-aD1", "N", "-aD2", "HN"};
    cases.insert(cases.end(), {
        {{"-conv", "-korim", "-inD", hugeW, "-outD", "out.tab"}, 1,
         {"korim: row 4 of " + hugeW + " has D 3.19 and W 1e+30", "korim: error in conversion of table.\n"}},
        {{"-conv", "-korim", "-inD", minus30, "-outD", "out.tab"}, 1,
         {"korim: row 4 of " + minus30 + " has D -1e+30 and W 1: its coupling D*W, -1e+30 Hz"}},
        {{"-bestFit", "-single", "-pdb", kPdb, "-inD", w10, "-outD", "out.tab"}, 1, {row4}},
        {{"-stKorim", "-dot", "10", "-pdb", kPdb, "-inD", w10, "-outD", "out.tab"}, 1, {row4}},
        {{"-anDc", "-inD1", w10, "-inD2", kCouplings, "-outD", "out.tab"}, 1, {row4}},
        {plus({"-bestFit", "-pdb", kPdb}, nh), 1, {"korim: -aD1 N -aD2 HN" + held + ".\n"}},
        {plus({"-conv", "-korim"}, nh), 1, {"korim: -aD1 N -aD2 HN" + held + ".\n"}},
        {plus({"-daHist"}, nh), 1, {"korim: -aD1 N -aD2 HN" + held + ".\n"}},
        {plus({"-stKorim", "-dot", "30", "-pdb", kPdb}, nh), 0,
         {"korim: -aD1 N -aD2 HN" + held + "; the prediction is made without couplings.\n"}, true},
    });
  }

  // Couplings and weights that reach a result around the selection: a combined coupling beyond
  // 900 Hz (nothing written; its neighbour inside is), a -w value that weighs a row's D*W or DD*W
  // beyond it (its neighbours fit), an error of 0.001 Hz (fits: the least one), couplings whose
  // spread the table cannot print (every W 1e-30 or 1e-10; the estimates ran a fit on them), or
  // whose |DATA EQ Da| (12.06 W Hz) lies below the estimates' floor of 2/3 Hz (W 0.0285 and 0.0552
  // refused, W 2.2412e-5 spread 0.00105 Hz answered Da 0.000 in the histogram; W 0.0553 answers).
  {
    const std::string dd3 = slip("dd3.tab", "3.190     0.001 1.00");
    const auto weighed = [&](const std::string& name, const std::string& w) {  // the example, every W w
      std::string t = measured;
      for (size_t at = t.find(" 1.00\n"); at != std::string::npos; at = t.find(" 1.00\n", at + 1)) t.replace(at, 5, " " + w);
      return writeFile(data / name, t);
    };
    const std::string tinyW = weighed("tiny_w.tab", "1e-30"), w10 = weighed("w_1e-10.tab", "1e-10");
    const std::string w285 = weighed("w285.tab", "0.0285"), w552 = weighed("w552.tab", "0.0552"),
                      w553 = weighed("w553.tab", "0.0553"), w22 = weighed("w22.tab", "2.2412e-5"),
                      w20 = weighed("w20.tab", "20");
    // Its D*W is the coupling a table holds: a sum of D inside 900 Hz (48.24 Hz) but D*W beyond it
    // (964.8 Hz) is refused, not written as a table korim then refuses to read; the neighbour inside
    // (0.8 of it: D*W 868 Hz) is written, and read back.
    const std::vector<std::string> sum20 = {"-anDc", "-add", "-inD1", w20, "-inD2", w20, "-outD", "out.tab", "-c1"};
    {
      const TempDir t;
      ASSERT_EQ(runKorim({"-anDc", "-add", "-c1", "0.8", "-inD1", w20, "-inD2", w20, "-outD", "sum.tab"}, t).status, 0);
      EXPECT_EQ(runKorim({"-conv", "-korim", "-inD", "sum.tab", "-outD", "back.tab"}, t).status, 0);
    }
    const std::vector<std::string> fit = {"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"},
                                   arith = {"-anDc", "-inD1", kCouplings, "-inD2", kCouplings, "-outD", "out.tab"},
                                   ml = {"-daMl", "-outD", "out.tab", "-outSc", "s.sc", "-inD"};
    const std::string row1 = "korim: row 1 of " + kCouplings, spread = " usable couplings of " + tinyW + " span ";
    cases.insert(cases.end(), {
        {plus(arith, {"-add", "-c1", "1e30"}), 1,
         {row1 + " (-inD1), D -13.2 and W 1, combines (-add -c1 1e+30 -c2 1) into the coupling D -1.32e+31 Hz, D*W "
                 "-1.32e+31 Hz, beyond the 900 Hz of any coupling; no table is written.\n"}},
        {plus(arith, {"-max", "-c1", "100"}), 1, {row1 + " (-inD1), D -13.2 and W 1, combines (-max -c1 100 -c2 1)"}},
        {plus(arith, {"-sub", "-c1", "-30"}), 0, {}, true},
        {plus(sum20, {"1"}), 1,
         {"korim: row 35 of " + w20 + " (-inD1), D 24.12 and W 20, combines (-add -c1 1 -c2 1) into the coupling D "
          "48.24 Hz, D*W 964.8 Hz, beyond the 900 Hz of any coupling; no table is written.\n"}},
        {plus(sum20, {"0.8"}), 0, {}, true},
        {plus(fit, {"-w", "1e4"}), 1,
         {row1 + " has D -13.2 and W 100: its coupling D*W, -1320 Hz, lies beyond the 900 Hz of any coupling (-w "
                 "10000 weighs residue 2: the row's W 1 times the square root of 10000).\n"}},
        {plus(fit, {"-w", "1e-10"}), 1, {row1 + " has DD 1e+10 and W 1e-05: its error DD*W"}},
        {plus(fit, {"-w", "4700"}), 1, {row1 + " has D -13.2 and W 68.5565"}},  // 905 Hz
        {plus(fit, {"-w", "4600"}), 0, {}, true},                              // 895 Hz
        {{"-bestFit", "-single", "-pdb", kPdb, "-inD", dd3, "-outD", "out.tab"}, 0, {}, true},
        {{"-daHist", "-inD", tinyW, "-outD", "out.tab"}, 1, {"korim: the 63" + spread, histFailed}},
        {{"-daFlex", "-inD", tinyW, "-outD", "out.tab", "-outSc", "s.sc", "-nRun", "5"}, 1, {spread}},
        {plus(ml, {w10}), 1, {" usable couplings of " + w10 + " span ", mlFailed}},
        {plus(ml, {w285}), 1,
         {"korim: the couplings of " + w285 + " (D*W from -0.647805 to 0.68742 Hz) give DATA EQ Da +0.344 Hz from "
          "their extremes, below the 2/3 Hz in size from which the estimates of Da and R answer (-daHist, -daMl and "
          "-daFlex alike): the likelihood's pattern, sampled every 0.01 Hz, resolves a Da of 1/3 Hz and more, and its "
          "grid must reach below the answer to show it a maximum; so -daMl gives no answer for them.\n", mlFailed}},
        {plus(ml, {w552}), 1, {"give DATA EQ Da +0.666 Hz from their extremes, below the 2/3 Hz"}},
        {{"-daHist", "-inD", w552, "-outD", "out.tab"}, 1, {"so -daHist gives no answer for them.\n", histFailed}},
        {{"-daHist", "-inD", w22, "-outD", "out.tab"}, 1, {"give DATA EQ Da +0.00027 Hz", histFailed}},
        {{"-daFlex", "-inD", w552, "-outD", "out.tab", "-outSc", "s.sc", "-nRun", "5"}, 1,
         {"so -daFlex gives no answer for them.\n"}},
        {plus(ml, {w553, "-incDa", "0.5", "-incR", "0.05"}), 0, {}, true},
        {{"-daHist", "-inD", w553, "-outD", "out.tab"}, 0, {}, true},
        {{"-daFlex", "-inD", w553, "-outD", "out.tab", "-outSc", "s.sc", "-nRun", "5"}, 0, {}, true},
    });
  }

  // The histogram's own settings: the bounds of -daFlex's fit are unused by -daHist and refused
  // reversed or equal (the neighbour below the high bound runs), a negative threshold factor is
  // refused (0 runs), a fit degree other than 2 or 3 is said, and refused by -daFlex before its runs
  // (its neighbours 1 and 4 refused, 2 runs).
  {
    const auto est = [&](const char* mode, const std::vector<std::string>& more) {
      return plus({mode, "-inD", kCouplings, "-outD", "out.tab", "-outSc", "s.sc", "-nRun", "5"}, more);
    };
    const std::string factor = " must be 0 or more (a factor on the mean error that sets how far the extreme "
                               "couplings are taken in from the ends of the span).\n";
    cases.insert(cases.end(), {
        {est("-daHist", {"-daLo", "5"}), 0,
         {"korim: -daLo chooses the bounds of the fit of -daFlex; this run is the Da and R histogram (-daHist) and "
          "does not use it.\n"}, true},
        {est("-daFlex", {"-daLo", "1000"}), 1,
         {"KORIM Error: options -daLo 1000 and -daHi 1000: the low end of the Da range the fit of -daFlex searches "
          "lies at or above its high end.\n", extracting}},
        {est("-daFlex", {"-rhHi", "-1"}), 1, {"KORIM Error: options -rhLo 0 and -rhHi -1: the low end of the R range"}},
        {est("-daFlex", {"-daLo", "999"}), 0, {}, true},
        {est("-daHist", {"-sdevDzz", "-0.1"}), 1, {"KORIM Error: option -sdevDzz value -0.1" + factor, extracting}},
        {est("-daMl", {"-sdevDyy", "-1"}), 1, {"KORIM Error: option -sdevDyy value -1 must be 0 or more"}},
        {est("-daHist", {"-sdevDzz", "0"}), 0, {}, true},
        {est("-daHist", {"-nFit", "10"}), 0,
         {"korim: -nFit 10 is neither 2 (a fit to Dzz and Dyy) nor 3 (to Dzz, Dyy and Dxx): the histogram is not "
          "fitted, and the two-extreme estimate stands as its Da and R.\n"}, true},
        {est("-daFlex", {"-nFit", "4"}), 1,
         {"KORIM Error: option -nFit value 4 must be 2 (a fit to Dzz and Dyy) or 3 (to Dzz, Dyy and Dxx) in -daFlex: "
          "its runs score the Da and R their histograms fit, and another degree fits none.\n", extracting},
         false, {}, {"!s.sc"}},
        {est("-daFlex", {"-nFit", "1"}), 1, {"KORIM Error: option -nFit value 1 must be 2"}, false, {}, {"!s.sc"}},
        {est("-daFlex", {"-nFit", "2"}), 0, {}, true, {}, {"s.sc"}},
    });
  }

  for (size_t i = 0; i < cases.size(); i++)
    if (mine(i)) expectRun(cases[i]);
  EXPECT_EQ(readFile(x), measured);
  EXPECT_EQ(readFile(turned), structure);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalsOfRuns, testing::ValuesIn(rowParts(4)));

// The check of the order on the rod, and on the states of a charged ensemble: refused with the
// density that settles the order, which, followed, answers.
class RefusalsOfAdvice : public RowParts {};

TEST_P(RefusalsOfAdvice, TheRodAndTheEnsembleAdviseADensityThatAnswers) {
  TempDir data;
  const auto rod = [](const std::string& dot, const std::string& turns = "18") {
    return std::vector<std::string>{"-elKorim", "-pf1", "-pot", examples("pf1_rod_radial.pot"), "-pH", "4", "-dot",
                                    dot, "-digPsi", turns, "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  };
  // A charged ensemble of four states, the third clashing: the sphere of -dot 30 settles the order
  // of no allowed state (state 4 moves within a tenth on the denser sphere and with twice the turns
  // each, but more together; it lies 9.0 % from its order at -dot 1000 -digPsi 72). The run goes on to find every such state, then predicts
  // the three allowed states on the advised sphere as a run of that density checks them.
  const std::string states = writeFile(data / "charged.ens", "-144 63.435 0\n-144 63.435 30\n-144 63.435 60\n"
                                                             "-144 63.435 300\n");
  const auto charged = [&](const std::string& dot) {
    return std::vector<std::string>{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                    examples("ubiquitin_two_domains.inp"), "-inE", states, "-ave", "out.tab",
                                    "-el", "-dot", dot};
  };
  const std::vector<Expect> cases = {
      // The rod: the example at pH 4 moves by 19 % from -dot 30 to 120, and by 15.6 % from -digPsi 18 to 36
      // (at -dot 120 too: 15.6 % from the order at -dot 1000 -digPsi 72, which -digPsi 36 -dot 120 lies 5.9 % from).
      {rod("30"), 1,
       {"REMARK The order is checked on the denser spheres of -dot 45 and 120 (1656 and 2196 orientations).\n",
        "REMARK The order is checked with the denser turns of -digPsi 36 (1152 orientations) too.\n",
        "sma: the turns about each direction (-digPsi 18) do not settle this prediction's order: with -digPsi 18 on "
        "the sphere of -dot 30 (576 orientations) it gives Da_HN -257.2 Hz and R 0.493, with -digPsi 36 (1152 "
        "orientations) Da_HN -232.6 Hz and R 0.486, 15.6 % of that order's size apart, more than a tenth; no "
        "alignment computed. The sphere of -dot 120 does not settle it either (its order 19.2 % of that order's "
        "size apart).\n",
        "sma: on the sphere of -dot 120 with -digPsi 36 the order agrees with those of its denser spheres (-dot "
        "180, 480 and 1920) and of its denser turns (-digPsi 72) within a tenth: -digPsi 36 -dot 120 in place of "
        "-digPsi 18 -dot 30 answers.\n",
        "simulateAlignment: error in sma.\n"}},
      {rod("120", "36"), 0, {}, true},
      {charged("30"), 1,
       {"ensembleAlignment: the sphere of orientations of -dot 30 does not settle the order of 3 of the 3 allowed "
        "states (states 1, 2 and 4), each checked as a single prediction's order is; no average computed.\n",
        "ensembleAlignment: for the advice, the 3 allowed states are predicted on the sphere of -dot 120.\n",
        "ensembleAlignment: the sphere of -dot 120 settles the order of every one of the 3 allowed states, each "
        "checked as this run checks it: -dot 120 in place of -dot 30 answers.\n",
        "matrix: ensembleAlignment error occured.\n"}},
      {charged("120"), 0, {}, true},
  };
  for (size_t i = 0; i < cases.size(); i++)
    if (mine(i)) expectRun(cases[i]);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalsOfAdvice, testing::ValuesIn(rowParts(4)));

// The ensemble's advice checks every allowed state at each density it tries, not only those the
// run's density failed. Two states of the charged ensemble with its energies twice as strong
// (-kEne 2): the sphere of -dot 240 settles state 1 but not state 2, that of -dot 960 both. The
// advice tries -dot 240, finds state 2 unsettled there and names -dot 960, which answers. At -dot 60
// neither state settles: state 2 moves within a tenth on the denser sphere and with twice the turns
// each, but more together (6.4 % from its order at -dot 1000 -digPsi 72).
class RefusalsOfEnsembleAdvice : public RowParts {};

TEST_P(RefusalsOfEnsembleAdvice, TheEnsembleAdviceChecksEveryAllowedStateAtTheDensityItAdvises) {
  TempDir data;
  const std::string states = writeFile(data / "two.ens", "-61.4 78.2 338.4\n-1.8 169.4 268.1\n");
  const auto two = [&](const std::string& dot) {
    return std::vector<std::string>{"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                    examples("ubiquitin_two_domains.inp"), "-inE", states, "-ave", "out.tab",
                                    "-el", "-kEne", "2", "-dot", dot};
  };
  const auto unsettled = [](const std::string& dot, const std::string& state) {
    return "ensembleAlignment: the sphere of orientations of -dot " + dot + " does not settle the order of 1 of the "
           "2 allowed states (" + state + "), each checked as a single prediction's order is; no average computed.\n";
  };
  const auto tried = [](const std::string& dot) {
    return "ensembleAlignment: for the advice, the 2 allowed states are predicted on the sphere of -dot " + dot +
           ".\n";
  };
  const auto answers = [](const std::string& dot) {
    return "ensembleAlignment: the sphere of -dot 960 settles the order of every one of the 2 allowed states, each "
           "checked as this run checks it: -dot 960 in place of -dot " + dot + " answers.\n";
  };
  const std::vector<Expect> cases = {
      {two("60"), 1,
       {"ensembleAlignment: the sphere of orientations of -dot 60 does not settle the order of 2 of the 2 allowed "
        "states (states 1 and 2), each checked as a single prediction's order is; no average computed.\n",
        tried("240"), tried("960"), answers("60")}},
      {two("240"), 1, {unsettled("240", "state 2"), tried("960"), answers("240")}},
      {two("960"), 0, {}, true},
  };
  for (size_t i = 0; i < cases.size(); i++)
    if (mine(i)) expectRun(cases[i]);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalsOfEnsembleAdvice, testing::ValuesIn(rowParts(3)));

// A grid that neither blocks nor charges the molecule: its order is the sphere's own imprecision
// (some 1e-12 here), a zero order at every density, refused as the zero tensor is, in the steric
// model as in the electrostatic one; so is a steric grid whose values all lie below -maxPot. A grid
// that blocks answers.
TEST(Refusals, AZeroOrderIsRefusedAsZeroInBothGridModels) {
  TempDir data;
  const std::string open = testData("cli/grid3d_open_2x2x3.pot");
  const auto grid = [&](const std::string& mode, const std::string& pot, const std::string& dot) {
    return std::vector<std::string>{mode, "-3D", "-pot3D", pot, "-nX", "2", "-nY", "2", "-nZ", "3", "-z1", "1", "-zN",
                                    "3", "-dX", "4", "-dY", "4", "-dZ", "4", "-dot", dot, "-pdb", kPdb, "-inD",
                                    kCouplings, "-outD", "out.tab"};
  };
  // The open grid's values, 0, written 4 (below -maxPot 5) and 99 at its first point (a block).
  std::string text = readFile(open);
  const auto valued = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    for (size_t at = 0; (at = t.find(from, at)) != std::string::npos; at += to.size()) t.replace(at, from.size(), to);
    return t;
  };
  const std::string low = writeFile(data / "low.pot", valued("0.0", "4"));
  std::string blocked = text;
  blocked.replace(blocked.find("0.0 0.0 0.0"), 3, "99");
  const std::string block = writeFile(data / "block.pot", blocked);
  const std::string zero = "korim: the predicted alignment tensor is zero, though the medium's order parameter (-lcS) "
                           "is 0.800: the medium of this run's options aligns no molecule; no result is written.\n";
  const std::vector<Expect> cases = {
      {grid("-elKorim", open, "30"), 1, {zero}},
      {grid("-elKorim", open, "120"), 1, {zero}},
      {grid("-stKorim", open, "30"), 1, {zero}},
      {grid("-stKorim", open, "100"), 1, {zero}},
      {grid("-stKorim", open, "1000"), 1, {zero}},
      {grid("-stKorim", low, "100"), 1, {zero}},
      // One blocked point aligns: its order is held against denser spheres, which settle it from -dot 400.
      {grid("-stKorim", block, "100"), 1,
       {"ssia3D: the sphere of orientations does not settle this prediction's order",
        "-dot 400 in place of -dot 100 answers.\n"}},
      {grid("-stKorim", block, "400"), 0, {}, true},
  };
  for (const Expect& c : cases) expectRun(c);
}

// A point of a grid blocks the molecule from a size of -maxPot on and enters no sum: written 99,
// 1000, 9999, 1e6 or 1e308 it gives the table of the same bytes in the steric run, the
// electrostatic one and the steric one with -el; inf and nan stay refused. A value that enters the
// sum and takes a state's Boltzmann factor past the largest double (e^709.78: -maxPot raised above
// it, or the charges scaled up; a value of the rod's table alike) is named with its file, line and
// value and the options that let it in; with those options lowered the run answers.
TEST(Refusals, ABlockedPointIsReadAtAnySizeAndAnOverflowingSumIsNamed) {
  TempDir data;
  // 5 x 5 x 1 points 8 A apart, -0.1 kT/e but for the centre: value 13 of 25, the first of line 16.
  const auto grid = [&](const std::string& centre) {
    std::string text;
    for (int i = 1; i <= 11; i++) text += "# header line " + std::to_string(i) + "\n";
    for (int v = 0; v < 25; v++) text += (v == 12 ? centre : "-0.1") + std::string(v % 3 == 2 || v == 24 ? "\n" : " ");
    return writeFile(data / ("g" + centre + ".pot"), text);
  };
  const auto run = [&](const std::vector<std::string>& mode, const std::string& pot,
                       const std::vector<std::string>& more = {}) {
    return plus(plus(mode, {"-3D", "-pot3D", pot, "-nX", "5", "-nY", "5", "-nZ", "1", "-dX", "8", "-dY", "8", "-dZ",
                            "8", "-z1", "1", "-zN", "1", "-dot", "120", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                            "out.tab"}),
                more);
  };
  const auto table = [&](const std::vector<std::string>& args) {
    const TempDir d;
    const RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 0) << args[0] << " " << args[3] << "\n" << r.err.substr(r.err.size() > 800 ? r.err.size() - 800 : 0);
    return readFile(d / "out.tab");
  };
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{"-stKorim"}, {"-elKorim"}, {"-stKorim", "-el"}}) {
    const std::string blocked99 = table(run(mode, grid("99")));
    EXPECT_NE(blocked99.find("DATA Da_HN"), std::string::npos);
    for (const char* block : {"1000", "9999", "1e6", "1e308"})
      EXPECT_EQ(table(run(mode, grid(block))), blocked99) << mode[0] << " " << block;
    // -maxPot at the block's size, or just below it, blocks it as 5 does.
    for (const char* maxPot : {"1000", "999.99"})
      EXPECT_EQ(table(run(mode, grid("1000"), {"-maxPot", maxPot})), blocked99) << mode[0] << " " << maxPot;
  }
  const std::string g1000 = data / "g1000.pot", g99 = data / "g99.pot";
  const auto overflow = [](const std::string& who, const std::string& where, const std::string& value) {
    return who + ": " + where + " holds the value " + value + " kT/e; in the sum of charge times potential of a "
           "state of the molecule it takes the state's Boltzmann factor beyond the largest number korim computes "
           "with (e^709.78). ";
  };
  const std::string letIn = " (a point of size -maxPot or more blocks the molecule and enters no sum). No alignment "
                            "computed.\n";
  // The rod's radial table with 1e308 at 0.7 nm (line 8).
  std::string radial = readFile(examples("pf1_rod_radial.pot"));
  const size_t at = radial.find("0.7 ");
  radial.replace(at, radial.find('\n', at) - at, "0.7 1e308");
  const std::string rod = writeFile(data / "rod.pot", radial);
  const auto onRod = [&](const std::vector<std::string>& more) {
    return plus({"-elKorim", "-pf1", "-pot", rod, "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"},
                more);
  };
  const std::string notFinite = "\", which is not a finite number (each value line of a 3-D grid holds up to three "
                                "finite numbers):\n";
  const std::vector<Expect> cases = {
      {run({"-elKorim"}, grid("inf")), 1,
       {"read3DPotential Error: line 16 of " + (data / "ginf.pot") + " holds \"inf" + notFinite}},
      {run({"-stKorim"}, grid("nan")), 1,
       {"read3DPotential Error: line 16 of " + (data / "gnan.pot") + " holds \"nan" + notFinite}},
      {run({"-elKorim"}, g1000, {"-maxPot", "1e4"}), 1,
       {overflow("sma3D", "line 16 of " + g1000, "1000") + "-maxPot 1e4 lets it in" + letIn,
        "Matrix: Error simulating alignment.\n"}},
      {run({"-stKorim", "-el"}, g1000, {"-maxPot", "1000.01"}), 1,
       {overflow("sma3D", "line 16 of " + g1000, "1000") + "-maxPot 1000.01 lets it in" + letIn}},
      // Many charges, each scaled up: a value well below -maxPot takes the sum past it.
      {run({"-elKorim"}, g99, {"-kMono", "1e4"}), 1,
       {"sma3D: line ", " of " + g99 + " holds the value -0.1 kT/e; in the sum", "-maxPot 5 and -kMono 1e4 let it in"}},
      {onRod({}), 1,
       {overflow("sma", "line 8 of " + rod, "1e+308") + "-kEne 1 lets it in (the rod's table enters the sum at every "
        "distance a charge reaches, divided by -kPot and weighed by -kEne). No alignment computed.\n"}},
      {onRod({"-kEne", "0.01"}), 1, {overflow("sma", "line 8 of " + rod, "1e+308") + "-kEne 0.01 lets it in"}},
      {onRod({"-kEne", "0"}), 0, {}, true},
  };
  for (const Expect& c : cases) expectRun(c);
}

// The ensemble's own per-state structure, rot.pdb in the working directory, given as the run's
// structure: refused before the first state is written over it.
TEST(Refusals, TheEnsembleKeepsAStructureNamedLikeItsStates) {
  const TempDir d;
  const std::string structure = writeFile(d / "rot.pdb", readFile(kPdb));
  const RunResult r = runKorim({"-stKorimGrid", "-pdb", "rot.pdb", "-inD", kCouplings, "-inp",
                                examples("ubiquitin_two_domains.inp"), "-inE", examples("ubiquitin_100_states.ens"),
                                "-ave", "a.tab"},
                               d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"korim: the ensemble's per-state structure rot.pdb would write over the input -pdb "
                              "rot.pdb; korim never writes over an input file.\n",
                              kMemoryLine}))
      << r.err;
  EXPECT_EQ(readFile(structure), readFile(kPdb));
  EXPECT_FALSE(fileExists(d / "a.tab"));
}

// The ensemble's structures go into the current directory under names no option changes. A file of
// either name that the mode did not write (no mark on its first line) is the user's: the run is
// refused before it writes anything, and the file stays. One the mode wrote is replaced, as are
// the files of a run after the advice (the file moved away).
TEST(Refusals, TheEnsembleReplacesOnlyTheStructuresItWrote) {
  const std::string domains = readFile(examples("ubiquitin_two_domains.inp"));
  const std::string mine = readFile(kPdb), marked = "REMARK Written by korim -stKorimGrid: an earlier run.\n" + mine;
  const std::string refused = "), and the run would replace it with the ensemble's per-state structure; move that "
                              "file, or run from another directory.\n";
  const struct {
    const char* file;     // the file in the directory before the run
    std::string content;  // its content
    const char* listing;  // OUTPUT_ENSEMBLE
    bool replaced;        // false: refused (the file is listed as written), or kept (not listed)
  } cases[] = {
      {"rot.pdb", mine, "0", false},
      {"rot.pdb", "REMARK Written by korim -stKorim: a prediction.\n" + mine, "0", false},
      {"rot.pdb", "REMARK my structure\n" + marked, "0", false},
      {"rot.pdb", "", "0", false},
      {"rot.pdb", marked, "0", true},
      {"rotEns.pdb", mine, "3", false},
      {"rotEns.pdb", marked, "3", true},
      {"rotEns.pdb", mine, "0", true},  // not written by this run: kept, and the run goes on
      {"rot.pdb", mine, "2", true},     // the listing writes neither structure
  };
  for (const auto& c : cases) {
    const TempDir d;
    writeFile(d / c.file, c.content);
    const std::vector<std::string> args = {
        "-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
        writeFile(d / "e.inp", domains + "ENSEMBLE_CLASH: 0\nOUTPUT_ENSEMBLE: " + c.listing + "\n"), "-inE",
        writeFile(d / "one.ens", "0 90 0\n"), "-ave", "a.tab", "-dot", "30"};
    RunResult r = runKorim(args, d);
    const std::string what = std::string(c.file) + " OUTPUT_ENSEMBLE " + c.listing + ": " + c.content.substr(0, 40);
    const bool writes = std::string(c.listing) != "2" && (c.listing == std::string("3") || c.file == std::string("rot.pdb"));
    if (!c.replaced) {
      EXPECT_EQ(r.status, 1) << what;
      EXPECT_NE(r.err.find("korim: the current directory holds a file " + std::string(c.file) +
                           " that korim -stKorimGrid did not write (its first line is not \"REMARK Written by korim "
                           "-stKorimGrid: ...\"" + refused),
                std::string::npos)
          << what << r.err;
      EXPECT_EQ(readFile(d / c.file), c.content) << what;
      EXPECT_FALSE(fileExists(d / "a.tab") || fileExists(d / "rot.pdb.0")) << what;
      // The advice followed: the file moved away, the run writes its own.
      std::rename((d / c.file).c_str(), (d / "moved.pdb").c_str());
      r = runKorim(args, d);
    }
    EXPECT_EQ(r.status, 0) << what << r.err;
    const std::string after = fileExists(d / c.file) ? readFile(d / c.file) : "";
    EXPECT_EQ(after.rfind("REMARK Written by korim -stKorimGrid: the latest state's structure", 0) == 0, writes) << what;
    if (!writes) {
      EXPECT_EQ(after, c.content) << what;
    }
  }
}

// Where D is back-calculated from a tensor, a row leaves the statistics only for what the table
// says of it: its measured D marks it missing (888 Hz or more) or its weight W is 0. A predicted D
// of any size counts: Da_HN -979 Hz at pH 0 (on -dot 400: the default sphere does not settle it),
// and the +1,408 Hz of the example with its energies three times as strong (-kEne 3 -dot 400; eight copies in a chain
// along z gave -8,634 Hz at -dot 30, an order -digPsi 36 moves by 73 %). The line names each reason with its count; D_DIFF is 9999 on the
// rows left out alone; RMS and CORR R are those of the rows kept, computed here from the columns.
TEST(Refusals, TheStatisticsLeaveOutRowsForWhatTheTableSaysOfThem) {
  const TempDir d;
  // The example with W 0 on every row, and with rows 2 and 3 at 888 Hz and W 0 on row 4.
  std::string weightless, marked;
  for (const std::string& l : lines(readFile(kCouplings))) {
    const bool row = l.size() > 4 && std::isdigit(static_cast<unsigned char>(l[4]));
    std::string m = l;
    if (row && (l.rfind("    2 ", 0) == 0 || l.rfind("    3 ", 0) == 0)) m.replace(l.find("     1.000") - 9, 9, "  888.000");
    if (row && l.rfind("    4 ", 0) == 0) m.replace(m.size() - 4, 4, "0.00");
    weightless += (row ? l.substr(0, l.size() - 4) + "0.00" : l) + "\n";
    marked += m + "\n";
  }
  writeFile(d / "w0.tab", weightless);
  writeFile(d / "marked.tab", marked);
  const std::string missing = "2 whose measured D is 888 Hz or more (a D that high marks a coupling as missing; one of "
                              "-888 Hz or less counts), 1 whose weight W is 0";
  const struct { std::vector<std::string> args; int n; std::string leftOut; std::vector<int> outRes; bool full; } cases[] = {
      {{"-elKorim", "-dot", "400", "-pdb", kPdb, "-inD", kCouplings, "-pH", "0"}, 63, "", {}, false},
      {{"-elKorim", "-dot", "400", "-kEne", "3", "-pdb", kPdb, "-inD", kCouplings}, 63, "", {}, true},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", "w0.tab"}, 0, "63 of its 63 rows, whose weight W is 0", {}, false},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", "marked.tab"}, 60, "3 of its 63 rows: " + missing, {2, 3, 4}, false},
      {{"-bestFit", "-pdb", kPdb, "-inD", "marked.tab"}, 60, "3 of its 63 rows: " + missing, {2, 3, 4}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-outD", "out.tab"});
    const std::string what = args[0] + " " + args[args.size() - 3];
    const RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << what << r.err;
    const std::string text = readFile(d / "out.tab");
    const Table t = readTable(d / "out.tab");
    EXPECT_EQ(t.data("N"), c.n) << what;
    if (c.leftOut.empty()) {
      EXPECT_TRUE(r.err.find("leave out") == std::string::npos && text.find("leave out") == std::string::npos) << what;
    } else {
      EXPECT_NE(r.err.find("DC Warning: the statistics of out.tab leave out " + c.leftOut + ".\n"), std::string::npos) << what << r.err;
      EXPECT_TRUE(t.hasLine("REMARK The statistics leave out " + c.leftOut + ".")) << what << text;
    }
    const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS"), calc = t.numbers("D"),
                              diff = t.numbers("D_DIFF");
    if (c.n == 0) continue;  // no table part
    ASSERT_EQ(res.size(), 63u) << what;
    double sum2 = 0, so = 0, sc = 0, soo = 0, scc = 0, soc = 0, largest = 0, least = 0;
    int kept = 0;
    for (size_t i = 0; i < res.size(); i++) {
      const bool out = std::find(c.outRes.begin(), c.outRes.end(), static_cast<int>(res[i])) != c.outRes.end();
      EXPECT_EQ(diff[i] == 9999.0, out) << what << " residue " << res[i];
      largest = std::max(largest, calc[i]), least = std::min(least, calc[i]);
      if (out) continue;
      kept++;
      EXPECT_NEAR(diff[i], obs[i] - calc[i], 2e-4 * std::max(1.0, std::fabs(calc[i]))) << what;
      sum2 += (obs[i] - calc[i]) * (obs[i] - calc[i]);
      so += obs[i], sc += calc[i], soo += obs[i] * obs[i], scc += calc[i] * calc[i], soc += obs[i] * calc[i];
    }
    ASSERT_EQ(kept, c.n) << what;
    const double corr = (soc - so * sc / kept) / std::sqrt((soo - so * so / kept) * (scc - sc * sc / kept));
    EXPECT_NEAR(t.data("RMS"), std::sqrt(sum2 / kept), 1e-3 * std::max(1.0, std::sqrt(sum2 / kept))) << what;
    EXPECT_NEAR(t.data("CORR R"), corr, 1.5e-3) << what;
    // The chain's prediction reaches the medium's full order, on both signs.
    if (c.full) {
      EXPECT_TRUE(largest >= 888.0 && least <= -888.0) << what << " " << least << " " << largest;
    }
  }
}

// Measured couplings of 888 Hz or more mark a coupling as missing: the statistics leave their rows
// out, and the table and stderr say how many; those just below the limit and far below zero count.
// A table without statistics leaves out of DATA N the rows where either column is that high.
TEST(Refusals, TheStatisticsSayHowManyRowsThe888HzLimitLeavesOut) {
  const TempDir d;
  std::string text = readFile(kCouplings);
  for (const auto& [row, value] : std::vector<std::pair<std::string, std::string>>{
           {"    2  GLN    N    2  GLN    H   -13.200", " 900.000"}, {"    3  ILE    N    3  ILE    H     8.780", " 888.000"},
           {"    4  PHE    N    4  PHE    H     6.810", " 887.900"}, {"    5  VAL    N    5  VAL    H     3.190", "-900.000"}})
    text.replace(text.find(row) + row.size() - 8, 8, value);
  const std::string marked = writeFile(d / "marked.tab", text);
  // A table without statistics leaves the rows out of its count DATA N.
  const struct { std::vector<std::string> args; std::string warning, remark, whose; } cases[] = {
      {{"-stKorim", "-dot", "30", "-pdb", kPdb}, "the statistics of out.tab leave out", "The statistics leave out",
       "measured D"},
      {{"-conv", "-korim"}, "DATA N of out.tab leaves out", "DATA N leaves out", "D_OBS or D"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-inD", marked, "-outD", "out.tab"});
    const RunResult r = runKorim(args, d);
    const std::string leftOut = " 2 of its 63 rows, whose " + c.whose + " is 888 Hz or more (a D that high marks a "
                                "coupling as missing; one of -888 Hz or less counts).";
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(inOrder(r.err, {"DC Warning: " + c.warning + leftOut + "\n", kMemoryLine})) << r.err;
    const Table t = readTable(d / "out.tab");
    EXPECT_EQ(t.data("N"), 61);
    EXPECT_TRUE(t.hasLine("REMARK " + c.remark + leftOut)) << readFile(d / "out.tab");
  }
  // An ensemble appends a table a state to one place: the same line is said once.
  const std::string states = writeFile(d / "three.ens", "-144 63.435 0\n-144 63.435 30\n-144 63.435 60\n");
  const RunResult grid = runKorim({"-stKorimGrid", "-dot", "30", "-pdb", kPdb, "-inD", marked, "-inp",
                                   examples("ubiquitin_two_domains.inp"), "-inE", states, "-dcEns", "states.tab"}, d);
  EXPECT_EQ(grid.status, 0) << grid.err;
  size_t said = 0;
  for (size_t at = grid.err.find("DC Warning: the statistics of states.tab"); at != std::string::npos;
       at = grid.err.find("DC Warning: the statistics of states.tab", at + 1))
    said++;
  EXPECT_EQ(said, 1u) << grid.err;
  // The example as it is: no row left out, nothing said.
  const RunResult plain = runKorim({"-conv", "-korim", "-inD", kCouplings, "-outD", "out.tab"}, d);
  EXPECT_TRUE(plain.err.find("leave") == std::string::npos && readFile(d / "out.tab").find("leave") == std::string::npos);
}

// Two copies 10 A apart along x converge slowly and in one direction on the wall: at -dot 100 the
// order lies 8.9 % from that of -dot 400, within a tenth, but 15.2 % from that of -dot 1600; and
// 32.9 % from that of -digPsi 36 (17.1 % from the order at -dot 1000 -digPsi 72, Da_HN +137.1 Hz).
// Refused for its turns, naming the orders and the sphere that does not settle it either; the
// advice (-digPsi 72 -dot 400, 5.4 % from the dense order), followed, answers near the dense order.
TEST(Refusals, ASlowSteadyConvergenceIsRefusedAndTheAdvisedDensityAnswers) {
  const TempDir data;
  const auto [x10, x10Tab] = exampleCopies(data, "x10", 2, 1, 1, 10.0);
  const auto on = [x10 = x10, x10Tab = x10Tab](const std::string& dot) {
    return std::vector<std::string>{"-elKorim", "-dot", dot, "-pdb", x10, "-inD", x10Tab, "-outD", "out.tab"};
  };
  expectRun({on("100"), 1,
             {"REMARK The order is checked on the denser spheres of -dot 150 and 400 (2916 and 8676 orientations).\n",
              "REMARK The order is checked with the denser turns of -digPsi 36 (4392 orientations) too.\n",
              "REMARK The order lies 8.9 % of its size from that of the denser sphere, more than half a tenth: it is "
              "checked on the sphere of -dot 1600 (30456 orientations) too.\n",
              "sma: the turns about each direction (-digPsi 18) do not settle this prediction's order: with -digPsi 18 "
              "on the sphere of -dot 100 (2196 orientations) it gives Da_HN 117.8 Hz and R 0.276, with -digPsi 36 "
              "(4392 orientations) Da_HN 168.7 Hz and R 0.148, 32.9 % of that order's size apart, more than a tenth; "
              "no alignment computed. The sphere of -dot 1600 does not settle it either (its order 15.2 % of that "
              "order's size apart).\n",
              "sma: on the sphere of -dot 400 with -digPsi 72 the order agrees with those of its denser spheres (-dot "
              "600 and 1600) and of its denser turns (-digPsi 144) within a tenth: -digPsi 72 -dot 400 in place of -dot "
              "100 answers.\n",
              "simulateAlignment: error in sma.\n", "Matrix: Error simulating alignment.\n"}});
  const TempDir x;
  const RunResult r = runKorim(plus(on("400"), {"-digPsi", "72"}), x);
  ASSERT_EQ(r.status, 0) << r.err.substr(0, 800);
  const std::string table = readFile(x / "out.tab");
  const size_t at = table.find("DATA Da_HN");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NEAR(std::stod(table.substr(at + 10)), 137.1, 0.1 * 137.1);
}

// Copies of the example in one chain or packed as a block: the order at the run's sphere against
// the order at four times its density and at twice its turns. Two copies in a chain move by 19 %
// from -dot 30 to 120 and by 41 % from -digPsi 18 to 36: refused for the turns, naming the orders
// and the sphere that does not settle it either, and advised -digPsi 72 -dot 480, which, followed,
// answers. Eight copies along z and sixteen in a block seemed held near one orientation at -dot 30
// (Da_HN -8,634 Hz on both spheres); twice the turns move them by 73 % and 180 % (the block to
// +4,317 Hz): both are refused, the chain with no turns up to -digPsi 144 that settle it, the block
// advised -digPsi 36 -dot 480, where twice the energies (-kEne 2) hold it with the note of its order
// on stderr and in the table.
class RefusalsOfCopies : public RowParts {};

TEST_P(RefusalsOfCopies, CopiesOfTheExampleTheSphereSettlesOrNot) {
  TempDir data;
  std::vector<Expect> cases;
  const std::string simulating = "Matrix: Error simulating alignment.\n";
  const auto [rod8, rod8Tab] = exampleCopies(data, "rod8", 1, 1, 8);
  const auto [block16, block16Tab] = exampleCopies(data, "block16", 2, 2, 4);
  const auto [chain2, chain2Tab] = exampleCopies(data, "chain2", 2, 1, 1);
  auto on = [](const std::string& pdb, const std::string& tab, const std::string& dot,
               const std::vector<std::string>& more = {}) {
    return plus(std::vector<std::string>{"-elKorim", "-dot", dot, "-pdb", pdb, "-inD", tab, "-outD", "out.tab"}, more);
  };
  const std::string held =
      "sma: the predicted order is 50.0 % of the medium's (-lcS 0.800), above half of it: the molecule is held near "
      "one orientation, the lowest energies of its orientations spanning 68.3 kT; the sphere of orientations settles "
      "it (-dot 480, 720 and 1920 agree).\n";
  const std::string checked =
      "REMARK The order is checked on the denser spheres of -dot 45 and 120 (1656 and 2196 orientations).\n";
  const std::string turns = "REMARK The order is checked with the denser turns of -digPsi 36 (1152 orientations) too.\n";
  const auto notSettled = [](const std::string& own, const std::string& twice, const std::string& apart) {
    return "sma: the turns about each direction (-digPsi 18) do not settle this prediction's order: with -digPsi 18 on "
           "the sphere of -dot 30 (576 orientations) it gives " + own + ", with -digPsi 36 (1152 orientations) " +
           twice + ", " + apart + " % of that order's size apart, more than a tenth; no alignment computed.";
  };
  cases.insert(cases.end(), {
      {on(chain2, chain2Tab, "30"), 1,
       {checked, turns,
        notSettled("Da_HN 143.1 Hz and R 0.236", "Da_HN 232.4 Hz and R 0.115", "41.1") +
            " The sphere of -dot 120 does not settle it either (its order 18.7 % of that order's size apart).\n",
        "sma: on the sphere of -dot 480 with -digPsi 72 the order agrees with those of its denser spheres (-dot 720 "
        "and 1920) and of its denser turns (-digPsi 144) within a tenth: -digPsi 72 -dot 480 in place of -dot 30 "
        "answers.\n",
        "simulateAlignment: error in sma.\n", simulating}},
      {on(chain2, chain2Tab, "480", {"-digPsi", "72"}), 0, {}, true},
      {on(rod8, rod8Tab, "30"), 1,
       {checked, turns,
        notSettled("Da_HN -8634.1 Hz and R 0.000", "Da_HN -5173.6 Hz and R 0.446", "73.3") + "\n",
        "sma: no turns from -digPsi 36 up to -digPsi 144, the most tried, give an order on the sphere of -dot 30 that "
        "its denser turns confirm within a tenth.\n",
        "simulateAlignment: error in sma.\n", simulating}},
      {on(block16, block16Tab, "30"), 1,
       {checked, turns,
        notSettled("Da_HN -8634.0 Hz and R 0.000", "Da_HN 4317.0 Hz and R 0.298", "180.3") + "\n",
        "sma: on the sphere of -dot 480 with -digPsi 36 the order agrees with those of its denser spheres (-dot 720 "
        "and 1920) and of its denser turns (-digPsi 72) within a tenth: -digPsi 36 -dot 480 in place of -dot 30 "
        "answers.\n",
        "simulateAlignment: error in sma.\n", simulating}},
  });
  for (size_t i = 0; i < cases.size(); i++)
    if (mine(i)) expectRun(cases[i]);
  const TempDir d;
  // The held block answers with the note, which stands among the table's REMARK lines too.
  if (GetParam().part == 1) {
    const RunResult block = runKorim(on(block16, block16Tab, "480", {"-digPsi", "36", "-kEne", "2"}), d);
    ASSERT_EQ(block.status, 0) << block.err;
    EXPECT_NE(block.err.find(held), std::string::npos) << block.err;
    EXPECT_NE(readFile(d / "out.tab").find("\nREMARK The predicted order is 50.0 % of the medium's (-lcS 0.800), "
                                           "above half of it: the molecule is held near one orientation, the lowest "
                                           "energies of its orientations spanning 68.3 kT.\n"),
              std::string::npos);
  }
  if (GetParam().part != 2) return;
  // Every run is checked on the denser spheres, the example at the default density too (its weights
  // change little between neighbouring orientations, which no longer spares it the check): it
  // answers; two copies in a chain are refused (7 % from -dot 400, more than a tenth from -dot 1600,
  // 13 % from the mean of -dot 1500, 2000 and 3000).
  for (const auto& [pdb, tab, refused] : {std::tuple{std::string(kPdb), std::string(kCouplings), false},
                                          std::tuple{chain2, chain2Tab, true}}) {
    const RunResult r = runKorim({"-elKorim", "-pdb", pdb, "-inD", tab, "-outD", "out.tab"}, d);
    EXPECT_EQ(r.status, refused ? 1 : 0) << pdb;
    EXPECT_NE(r.err.find("REMARK The order is checked on the denser spheres of -dot 150 and 400 (2916 and 8676 "
                         "orientations).\n"),
              std::string::npos)
        << pdb << r.err.substr(0, 600);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalsOfCopies, testing::ValuesIn(rowParts(4)));

// Slips in the example's header lines that would be read as other data: the error column named D,
// the couplings typed as text (also by -conv -xplor), a NULLVALUE of a fraction. Each is refused
// with its file and line; mended as its message says, the table answers the example's Da.
TEST(Refusals, TableHeaderSlipsAreRefusedWithTheirLineAndTheMendedTableAnswers) {
  TempDir data;
  const std::string table = readFile(kCouplings);
  const auto changed = [&](const std::string& name, const std::string& from, const std::string& to) {
    std::string text = table;
    return writeFile(data / name, text.replace(text.find(from), from.size(), to));
  };
  const auto fit = [](const std::string& tab) {
    return std::vector<std::string>{"-bestFit", "-single", "-pdb", kPdb, "-inD", tab, "-outD", "out.tab"};
  };
  const std::string twice = changed("twice.tab", "D DD W", "D D W"), text = changed("text.tab", "%9.3f %9.3f", "%9s %9.3f");
  const std::string fraction = changed("fraction.tab", "VARS", "NULLVALUE -13.200\nVARS");
  const std::string textMessage = "RdTable Error: line 6 of " + text + ", the FORMAT line, types column 7 (D) as a text "
                                  "(%9s), where korim reads D as a number; give D a number format (%f, %e or %g, or "
                                  "%d for a whole number).\n";
  for (const Expect& c : std::vector<Expect>{
           {fit(twice), 1, {"RdTable Error: line 5 of " + twice + " names the column D twice (columns 7 and 8); each "
                            "column needs a name of its own, as korim finds a column by its name:\n"}},
           {fit(text), 1, {textMessage}},
           {{"-conv", "-xplor", "-inD", text, "-outD", "out.tab"}, 1, {textMessage}},
           {fit(fraction), 1, {"RdTable Error: line 5 of " + fraction + " gives NULLVALUE -13.200, where a NULLVALUE "
                               "line gives one whole number from -2147483648 to 2147483647 (such as NULLVALUE -666), "
                               "which marks a missing value in the number columns:\nNULLVALUE -13.200\n"}}})
    expectRun(c);
  // Mended: a name of its own (the example's DD), the first number format named, the NULLVALUE given.
  for (const std::string& tab : {changed("own.tab", "D DD W", "D DD W"), changed("number.tab", "%9.3f %9.3f", "%f %9.3f"),
                                 changed("whole.tab", "VARS", "NULLVALUE -666\nVARS")}) {
    const TempDir d;
    EXPECT_EQ(runKorim(fit(tab), d).status, 0) << tab;
    EXPECT_NEAR(readTable(d / "out.tab").data("Da_HN"), -12.764, 1e-3) << tab;
  }
}
