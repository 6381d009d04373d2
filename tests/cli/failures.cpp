// Runs on missing, malformed, messy or extreme inputs and unwritable outputs: each names the
// problem on stderr, ends with the memory-status line, sets its exit status and writes its result
// table only when it has one; multi-model and alternate-location structures give the result of
// their first model and locations.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <sstream>

#include "app/korim_utils.h"
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// A coarse steric run writing out.tab; the first occurrence of an option counts. With another mode
// word in extra, a run of that mode (without -stKorim, of which korim would say it does not run).
std::vector<std::string> steric(std::vector<std::string> extra) {
  std::vector<std::string> args = {"-stKorim", "-dot", "30", "-outD", "out.tab"};
  bool otherMode = false;
  for (int mode = korim::settings::kModeStericFree; mode <= korim::settings::kModeConvert; mode++)
    otherMode = otherMode || std::find(extra.begin(), extra.end(), korim::app::modeWord(mode)) != extra.end();
  if (otherMode) args.erase(args.begin());
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

std::vector<std::string> onPdb(const std::string& pdb, std::vector<std::string> extra = {}) {
  extra.insert(extra.begin(), {"-pdb", pdb});
  return steric(extra);
}

// The ATOM lines of the example, each turned by edit (which returns the lines to write).
template <typename Edit>
std::string everyAtom(Edit edit) {
  std::string text;
  for (const std::string& l : lines(readFile(kPdb)))
    if (l.rfind("ATOM", 0) == 0) text += edit(l);
  return text;
}

// An edit of every atom line that puts it in the segment seg.
auto segment(const char* seg) {
  return [seg](std::string line) { return line.replace(72, 1, seg) + "\n"; };
}

// An edit of every atom line that puts it in chain `chain` of a complex of copies of the example:
// A as it is, B turned (its axes taken in the order y, z, x) and 60 A along x, C 120 A along y.
auto copy(char chain) {
  return [chain](std::string l) {
    const double x = std::stod(l.substr(30, 8)), y = std::stod(l.substr(38, 8)), z = std::stod(l.substr(46, 8));
    char xyz[32];
    if (chain == 'A') std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", x, y, z);
    if (chain == 'B') std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", y + 60, z, x);
    if (chain == 'C') std::snprintf(xyz, sizeof xyz, "%8.3f%8.3f%8.3f", x, y + 120, z);
    l[21] = chain;
    return l.replace(30, 24, xyz) + "\n";
  };
}

// An edit of every atom line that puts residues 1-40 in chain A, the others in chain B.
std::string chainsAB(std::string line) {
  line[21] = std::stoi(line.substr(22, 4)) <= 40 ? 'A' : 'B';
  return line + "\n";
}

std::string shifted(std::string line) {
  line.replace(30, 8, "  99.000");  // x of a far-away copy
  return line;
}

// The example's couplings with every old piece replaced by now.
std::string replaced(const std::string& old, const std::string& now) {
  std::string t = readFile(kCouplings);
  for (size_t pos = 0; (pos = t.find(old, pos)) != std::string::npos;) t.replace(pos, old.size(), now);
  return t;
}

// The example's couplings (or those of a table of its columns) row by row: residue numbers plus
// shift, residue names as rename gives them (from the residue number and the example's name), and
// the name columns cols (CHAINNAME_I, SEGNAME_J, ...) after the atom name of their end, valued by
// place (from column and residue).
using Rename = std::function<std::string(int, const std::string&)>;
using Placed = std::function<std::string(const std::string&, int)>;
std::string couplingsAs(int shift, const Rename& rename, const std::vector<std::string>& cols = {},
                        const Placed& place = {}, const std::string& table = kCouplings) {
  std::string vars = "VARS", format = "FORMAT", rows;
  for (const char* side : {"_I", "_J"}) {
    vars += std::string(" RESID") + side + " RESNAME" + side + " ATOMNAME" + side;
    format += " %4d %4s %4s";
    for (const std::string& c : cols)
      if (c.ends_with(side)) vars += " " + c, format += " %4s";
  }
  for (const std::string& l : lines(readFile(table))) {
    std::stringstream ss(l);
    std::vector<std::string> w;
    for (std::string x; ss >> x;) w.push_back(x);
    if (w.size() != 9 || !std::isdigit(static_cast<unsigned char>(w[0][0]))) continue;
    for (int end = 0; end < 2; ++end) {
      const int res = std::stoi(w[3 * end]);
      rows += std::to_string(res + shift) + " " + rename(res, w[3 * end + 1]) + " " + w[3 * end + 2];
      for (const std::string& c : cols)
        if (c.ends_with(end == 0 ? "_I" : "_J")) rows += " " + place(c, res);
      rows += " ";
    }
    rows += w[6] + " " + w[7] + " " + w[8] + "\n";
  }
  return vars + " D DD W\n" + format + " %9.3f %9.3f %.2f\n\n" + rows;
}

}  // namespace

TEST(Runs, StatusMessagesAndResultTable) {
  TempDir data;
  const std::string cfg = testData("cli/config_blank_line.inp"), noD = testData("dc/no_d.tab");
  const std::string pot = testData("cli/wall_potential_screened.pot");
  const std::string empty = writeFile(data / "empty.pdb", "");
  const std::string hn = writeFile(data / "hn.tab", replaced("    H  ", "    HN "));
  // Row 3 names an oxygen (no nucleus of a known ratio), row 5 a pseudo-atom (no element), row 7
  // the amide proton HN where the structure says H.
  std::string pseudo = replaced("    6  LYS    H ", "    6  LYS   QH ");
  pseudo.replace(pseudo.find("    8  LEU    H "), 16, "    8  LEU   HN ");
  pseudo.replace(pseudo.find("    4  PHE    H "), 16, "    4  PHE    O ");
  const std::string qh = writeFile(data / "qh.tab", pseudo);
  const std::string unweighted = writeFile(data / "w0.tab", replaced(" 1.00\n", " 0.00\n"));
  const std::string noErrors = writeFile(data / "zero.tab",
                                         "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD\n"
                                         "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f\n\n"
                                         "   1 ALA N    1 ALA H 5.0 0.0\n   2 ALA N    2 ALA H -3.0 0.0\n"
                                         "   3 ALA N    3 ALA H 7.5 0.0\n   4 ALA N    4 ALA H -9.0 0.0\n"
                                         "   5 ALA N    5 ALA H 1.5 0.0\n   6 ALA N    6 ALA H 11.0 0.0\n");
  // The atoms again as segments A and B; medium A holds the N-H and C-N couplings of four lysine
  // peaks, medium B only their N-H couplings: too few for an order matrix.
  const std::string ab = writeFile(data / "ab.pdb", everyAtom(segment("A")) + everyAtom(segment("B")));
  std::string twoMedia = "VARS RESID_I RESNAME_I ATOMNAME_I SEGNAME_I RESID_J RESNAME_J ATOMNAME_J SEGNAME_J D DD W\n"
                         "FORMAT %4d %4s %4s %4s %4d %4s %4s %4s %9.3f %9.3f %.2f\n\n";
  const std::pair<int, std::string> lysines[] = {{6, "5 VAL"}, {11, "10 GLY"}, {27, "26 VAL"}, {29, "28 ALA"}};
  for (const auto& [k, before] : lysines) {
    const std::string lys = " " + std::to_string(k) + " LYS ";
    twoMedia += lys + "N A" + lys + "H A 5 1 1\n" + before + " C A" + lys + "N A 1 1 1\n";
    twoMedia += lys + "N B" + lys + "H B 3 1 1\n";
  }
  writeFile(data / "two_media.tab", twoMedia);
  // The example as chains A (residues 1-40) and B (41-76); again with a segment name on its first
  // atom only; and a row that names segment S for a residue of no segment.
  const std::string twoChains = writeFile(data / "chains_ab.pdb", everyAtom(chainsAB));
  writeFile(data / "first_seg.pdb", everyAtom([](std::string l) { return l + "\n"; }).replace(72, 4, "SEGX"));
  writeFile(data / "seg_s.tab", "VARS RESID_I ATOMNAME_I SEGNAME_I RESID_J ATOMNAME_J SEGNAME_J D DD W\n"
                                 "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n2 N S 2 H S 5 1 1\n");
  const std::string extracting = "KORIM Error extracting command-line arguments.\n";
  const std::string fitFailed = "Matrix: error in best-fit of data.\n";
  const std::string compareFailed = "Matrix: error in comparison of order matrices.\n";
  const auto dirOut = [](const std::string& option) {
    return "korim: " + option + " . cannot be written: .: Is a directory.\n";
  };
  auto jack = [&](std::vector<std::string> log) {
    return onPdb(kPdb, {"-bestFit", "-jack", "-map", "5", "-inD", kCouplings, log[0], log[1]});
  };
  auto ensemble = [&](std::vector<std::string> out) {
    return std::vector<std::string>{"-stKorimGrid", out[0], out[1], "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                    testData("cli/two_domains.inp"), "-inE", testData("cli/one_state.ens"), "-ave", "out.tab"};
  };
  auto mcDc = [&](std::vector<std::string> factor) {
    factor.insert(factor.end(), {"-bestFit", "-mcDc", "-noautoMc", "-inD", kCouplings, "-pdbRot", "r.pdb"});
    return onPdb(kPdb, factor);
  };
  std::vector<Expect> cases = {
      // Inputs that cannot be read.
      {steric({"-pdb", "no_such.pdb", "-inD", kCouplings, "-pdbRot", "r.pdb"}), -1,
       {"Error reading PDB input no_such.pdb\n"}},
      {onPdb(kPdb, {"-inD", "no_such.tab"}), -1,
       {kPdb + ", 1231 Atoms, Residues 1 to 76.\n", "Error reading DC input no_such.tab\n"}},
      {onPdb(empty), 1, {"PDB Error: no atoms read from " + empty + "\n"}},
      {onPdb(kPdb, {"-chain", "X"}), 1,
       {"PDB Error: no atom selected; the selection -chain X matches no atom of the structure (its chains: A).\n"}},
      {onPdb(kPdb, {"-inD", noD}), 1,
       {"DC Error: " + noD + " has no column D (the measured couplings).\n", "Error reading DC input " + noD + "\n"}},
      {onPdb(kPdb, {"-inp", cfg}), 1,
       {"KORIM Error: line 2 of " + cfg + " holds no key and value (each line of a configuration holds a key and its "
        "value, as \"CLASH_DISTANCE: 2.0\"):\n\n",
        "Error reading configuration file " + cfg + "\n"}},
      {onPdb(kPdb, {"-elKorim", "-pot", testData("cli/potential_uneven_step.pot")}), 1,
       {"readPotential Error: line 3 of " + testData("cli/potential_uneven_step.pot") +
            " breaks the uniform step of the distances (0.05 nm from the line before, where the first two lines "
            "set a step of 0.1 nm):\n0.15 -1.25\n",
        "ERROR Reading of 1D potential not successful.\n"}},
      {onPdb(kPdb, {"-elKorim", "-pf1", "-pot", testData("cli/potential_single_row.pot")}), 1,
       {"korim: the rod medium needs a 1D potential (-pot) of at least two rows with a uniform positive step; " +
        testData("cli/potential_single_row.pot") + " holds one row.\n"}},
      // Command lines: a value option ending the line, a value that is not finite, an unknown word.
      {onPdb(kPdb, {"-inD", kCouplings, "-wv"}), 1, {"KORIM Error: option -wv needs a value.\n", extracting}},
      {onPdb(kPdb, {"-lcS", "nan"}), 1, {"KORIM Error: option -lcS value nan must be a finite number.\n", extracting}},
      {onPdb(kPdb, {"-Pf1"}), 1,
       {"KORIM Error: unknown option -Pf1 (did you mean -pf1?); korim -help lists the options.\n", extracting}},
      // Numbers not of their option's type, and error estimates or random searches without a trial.
      {onPdb(kPdb, {"-bestFit", "-mcDc", "-inD", kCouplings}), 1,
       {"KORIM Error: option -map must give at least 1 trial for -mcDc; the run gives no -map (-map 1000 draws "
        "1000).\n", extracting}},
      {onPdb(kPdb, {"-bestFit", "-mcDc", "-map", "1000", "-inD", kCouplings}), 0, {}, true},
      {onPdb(kPdb, {"-bestFit", "-jack", "-map", "abc"}), 1,
       {"KORIM Error: option -map value abc must be an integer.\n", extracting}},
      {onPdb(kPdb, {"-bestFit", "-rand", "-map", "-5"}), 1,
       {"KORIM Error: option -map must give at least 1 trial for -rand (got -5).\n", extracting}},
      {onPdb(kPdb, {"-bestFit", "-mcStruc", "-map", "99999999999"}), 1,
       {"KORIM Error: option -map value 99999999999 must lie between -2147483648 and 2147483647.\n", extracting}},
      {onPdb(kPdb, {"-wv", "1.2.3", "-da", "abc", "-s1", "3.5"}), 1,
       {"KORIM Error: option -da value abc must be a number.\n",
        "KORIM Error: option -s1 value 3.5 must be an integer.\n",
        "KORIM Error: option -wv value 1.2.3 must be a number.\n", extracting}},
      {onPdb(ab, {"-bestFit", "-exhaust", "-dcID", "A", "B", "-inD", data / "two_media.tab"}), 1,
       {"Error: medium B (-dcID) has 4 couplings, too few to fit its order matrix (5 or more).\n", fitFailed}},
      // At 1 % lipid and molar ratio 3 the free lipid exceeds the total: no bicelles, but rods.
      {onPdb(kPdb, {"-wv", "0.01"}), 1, {"forms no bicelles", "korim: error in refine_bicelle.\n"}},
      {onPdb(kPdb, {"-pf1", "-wv", "0.01"}), 0, {}, true},
      // Modes without what they need.
      {onPdb(kPdb, {"-stKorimGrid"}), 1,
       {"KORIM Error: no configuration file given (-inp); the ensemble mode needs its domains (START_RESID_1, "
        "END_RESID_1, ORIGIN_DOM1, ...).\n"}},
      {steric({"-stKorimFree"}), 1,
       {"ssiaFree: no free-format coordinates given (-pdbF).\n", "matrix: error in ssiaFree.\n"}},
      // Files that another option reads, given to -pdb: the message names that option.
      {onPdb(kCouplings, {"-inD", kCouplings}), 1,
       {"PDB Error: no atoms read from " + kCouplings + "\n",
        "korim: " + kCouplings + " is a coupling table (its VARS line names RESID_I); -inD reads it, and -pdb a "
        "structure in PDB columns.\n"}},
      {onPdb(korim_test::examples("ubiquitin_heavy_free.txt")), 1,
       {"Error reading PDB input ", "korim: " + korim_test::examples("ubiquitin_heavy_free.txt") +
        " holds free-format coordinates (ATOM serial atom residue number x y z); -pdbF reads them, in "
        "-stKorimFree, and -pdb a structure in PDB columns.\n"}},
      {onPdb(kPdb, {"-elKorimFree"}), 0,
       {"korim: this mode (-elKorimFree) writes -outPka only; -outD out.tab is not written.\n"}},
      {onPdb(kPdb, {"-bestFit", "-exhaustSel", "-inD", examples("ubiquitin_lys_unassigned.tab")}), 1,
       {"KORIM Error: option -nSel must give the peaks of the subset -bestFit -exhaustSel searches, from 2 to 4 on "
        "this table of 63 unassigned peaks; the run gives no -nSel (-nSel 4 searches subsets of 4).\n",
        fitFailed}},
      {onPdb(kPdb, {"-bestFit", "-jack", "-map", "5", "-inD", unweighted}), 1,
       {"korim: 0 usable couplings of " + unweighted + " are too few to fit an order matrix (5 or more).\n", fitFailed}},
      {steric({"-inD", kCouplings}), 1,
       {"PDB Error: no structure given (-pdb); korim does not read one from the standard input\n"}},
      // Error estimates that accept no trial have no result: no table, no failure table, no
      // rotated structures. No fit stays within error bars of factor 1 (17 of 200 do at 3); a
      // tensor given with an S_zz of 1000 is no order matrix, refused before -jack and -mcStruc.
      {mcDc({"-kAdjustMc", "1", "-map", "20", "-outFail", "f.tab"}), 1,
       {"korim: -mcDc: 0 of 20 trials accepted; the run has no result and writes no table.\n",
        "korim: -err accepts a trial only when every back-calculated coupling lies within its error bar times 1.0, "
        "the factor of -kAdjustMc with -noautoMc (-autoMc adjusts it); -noerr accepts every trial.\n", fitFailed},
       false, {}, {"!f.tab"}},
      // A factor below one decimal is printed as given, not as 0.0.
      {mcDc({"-kAdjustMc", "0.01", "-map", "20"}), 1,
       {"korim: -err accepts a trial only when every back-calculated coupling lies within its error bar times 0.01, "}},
      {mcDc({"-kAdjustMc", "3", "-map", "200"}), 0, {}, true,  // the failure table on standard output
       {"\nREMARK Failure Statistics.\n", "MAPPING NUMBER OF SUCCESFUL STEPS   17\n"}, {"r.pdb.0"}},
      {onPdb(kPdb, {"-bestFit", "-jack", "-map", "5", "-saupe", "1000", "0", "0", "0", "0", "-inD", kCouplings,
                    "-pdbRot", "r.pdb"}), 1,
       {"KORIM Error: option -saupe value 1000 must lie between -1 and 1 (an element of an order matrix, an order "
        "parameter without unit).\n"}},
      {onPdb(kPdb, {"-bestFit", "-mcStruc", "-noautoCone", "-map", "3", "-saupe", "1000", "0", "0", "0", "0", "-inD",
                    kCouplings, "-pdbRot", "r.pdb"}), 1,
       {"KORIM Error: option -saupe value 1000 must lie between -1 and 1 (an element of an order matrix, an order "
        "parameter without unit).\n"}},
      {steric({"-anDc", "-sub", "-inD1", kCouplings}), 1, {"korim: no coupling table given (-inD2).\n", compareFailed}},
      {steric({"-anA", "-inS1", "1e-3", "-4e-4", "0", "0", "0"}), 1,
       {"korim: order matrix 2 (-inS2) is zero; it has no frame to compare.\n", compareFailed}},
      {{"-daHist", "-inD", noErrors, "-outD", "out.tab"}, 1, {"carry no errors", "korim: error in getHistDabR.\n"}},
      {{"-daMl", "-inD", "missing.tab", "-outD", "out.tab"}, 1,
       {"Error reading DC input", "korim: error in getMlDabR.\n"}},
      // Outputs named as a directory (no writer could open them) are refused before the work, as a
      // missing folder is, naming the option: nothing is written, and no table goes to the standard
      // output instead.
      {{"-daMl", "-inD", kCouplings, "-outSc", ".", "-outD", "out.tab"}, 1, {dirOut("-outSc")}},
      {{"-daFlex", "-inD", kCouplings, "-nRun", "5", "-outCol", "."}, 1, {dirOut("-outCol")}},
      {onPdb(kPdb, {"-inD", kCouplings, "-pdbRot", "."}), 1, {dirOut("-pdbRot")}},
      {onPdb(kPdb, {"-bestFit", "-single", "-inD", kCouplings, "-pdbRot", "."}), 1, {dirOut("-pdbRot")}},
      {{"-stKorim", "-dot", "30", "-outD", ".", "-pdb", kPdb, "-inD", kCouplings}, 1, {dirOut("-outD")}},
      {{"-outD", ".", "-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings}, 1, {dirOut("-outD")}},
      {{"-outD", "out.tab", "-bestFit", "-mcDc", "-map", "5", "-pdb", kPdb, "-inD", kCouplings, "-outFail", "."}, 1,
       {dirOut("-outFail")}},
      {jack({"-outMap", "."}), 1, {dirOut("-outMap")}},
      {jack({"-outDa", "."}), 1, {dirOut("-outDa")}},
      {jack({"-outAng", "."}), 1, {dirOut("-outAng")}},
      {jack({"-outA", "."}), 1, {dirOut("-outA")}},
      {{"-anA", "-inS1", "1e-3", "-4e-4", "0", "0", "0", "-inS2", "1e-3", "0", "1e-4", "0", "0", "-outA", "."}, 1,
       {dirOut("-outA")}},
      {onPdb(kPdb, {"-anPdb", "-outP", "."}), 1, {dirOut("-outP")}},
      {ensemble({"-ave", "."}), 1, {dirOut("-ave")}},
      {ensemble({"-dcEns", "."}), 1, {dirOut("-dcEns")}},
      {ensemble({"-flex", "."}), 1, {dirOut("-flex")}},
      {ensemble({"-pdbRot", "."}), 1, {dirOut("-pdbRot")}},
      // Couplings that do not all map, and charges without a force-field entry: warnings.
      {onPdb(kPdb, {"-inD", hn}), 0,
       {"DC Warning: 63 selected couplings map to no atom of the structure and are not used:\n"
        "   row 1: residue 2 GLN has no atom HN (the structure names it H)\n",
        "   row 5: residue 6 LYS has no atom HN (the structure names it H)\n   ... and 58 more.\n"},
       true},
      {onPdb(kPdb, {"-inD", qh}), 0,
       {"DC Warning: 3 selected couplings map to no atom of the structure and are not used:\n"
        "   row 3: residue 4 PHE atom O is of no nucleus with a known ratio\n"
        "   row 5: residue 6 LYS has no atom QH (no element known for that name)\n"
        "   row 7: residue 8 LEU has no atom HN (the structure names it H)\n"},
       true, {"REMARK 60 couplings selected"}},
      {onPdb(kPdb, {"-inD", testData("cli/messy_couplings.tab")}), 0,
       {"DC Warning: 1 selected couplings map to no atom of the structure and are not used:\n"
        "   row 4: residue 200 is not in the structure (looked up in chain A, no segment name: the table names no "
        "chain or segment, those of the structure's first atom)\n",
        "DC Warning: 1 couplings repeat the atom pair of an earlier row:\n   row 2: 2 N - 2 H, as row 1\n",
        "DC Warning: 1 couplings name a residue differently from the structure:\n"
        "   row 3: residue 3 is ALA in the table, ILE in the structure\n"},
       true},
      // Rows looked up where the structure does not hold their residue: the place looked in, and where
      // the residue is instead. The rows of the first atom's chain and segment are used as before.
      {onPdb(twoChains, {"-inD", kCouplings}), 0,
       {"DC Warning: 29 selected couplings map to no atom of the structure and are not used:\n"
        "   row 35: residue 41 is not in chain A, no segment name (the table names no chain or segment: those of the "
        "structure's first atom); it is in chain B, no segment name: name it in columns CHAINNAME_I and CHAINNAME_J, "
        "and the other rows' chains there too (a table that names chains looks every row up by them)\n"},
       true},
      {onPdb(data / "first_seg.pdb", {"-inD", kCouplings}), 0,
       {"DC Warning: 63 selected couplings map to no atom of the structure and are not used:\n"
        "   row 1: residue 2 is not in chain A, segment SEGX (the table names no chain or segment: those of the "
        "structure's first atom); it is in chain A, no segment name, which a table that names no segment cannot reach: "
        "give the structure's atoms one segment name\n"},
       true},
      {onPdb(kPdb, {"-inD", data / "seg_s.tab"}), 0,
       {"   row 1: residue 2 is not in chain A, segment S (the table names no chain: that of the structure's first "
        "atom); it is in chain A, no segment name: name it in columns SEGNAME_I and SEGNAME_J (None for no name)\n"},
       true},
      {onPdb(kPdb, {"-charmm22"}), 0,
       {"WARNING: 9 of 602 selected atoms got no charge: their residue or atom names are not in the "
        "force-field table.\n"},
       true},
      // Range ends and atom offsets at the limits of int neither overflow nor fail: the widest
      // range keeps all couplings, an offset beyond the int range maps none.
      {onPdb(kPdb, {"-inD", kCouplings, "-s1", "-2147483648", "-sN", "2147483647"}), 0, {}, true,
       {"REMARK 63 couplings selected (inclusive max).\n"}},
      {onPdb(kPdb, {"-inD", kCouplings, "-a1", "2147483647", "-s1", "-99999"}), 0, {}, true,
       {"REMARK 0 couplings selected (inclusive max).\n"}},
      {onPdb(kPdb, {"-nosurf"}), 0, {}, true, {"REMARK 602 atoms selected for simulation.\n"}},
      // The electrostatic rod with its potential of 41 rows of 0.1 nm from 0 (offset 0 and step
      // 1 A after the reader's nm-to-A scaling) writes the preferred face instead of four frames.
      {onPdb(kPdb, {"-elKorim", "-pf1", "-pot", pot, "-inD", kCouplings, "-pdbRot", "face.pdb"}), 0,
       {"REMARK 1D Potential " + pot + ", Digitization 41, Offset 0.0, Stepsize 1.0 [A].\n"}, true,
       {"REMARK Probability of initial orientation "}, {"face.pdb", "!face.pdb.0"}},
      // The Da/R estimates, which read no structure; -daFlex writes its outputs on standard output.
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab"}, 0, {"63 Couplings, Residues 2 to 71.\n"}, true},
      {{"-daMl", "-inD", kCouplings, "-outD", "out.tab", "-lDa", "-14", "-hDa", "-8", "-incDa", "1", "-lR", "0.4",
        "-hR", "0.7", "-incR", "0.1"}, 0, {}, true,
       {"REMARK 63 couplings selected (inclusive max).\n", "VARS   DA R SCORE\n", "FORMAT %3.1f %1.2f %e\n\n",
        "-13.0 0.60 "}},  // the scores of the coarse grid's 6 x 5 points
      {{"-daFlex", "-inD", kCouplings, "-nRun", "5"}, 0, {}, false,
       {"REMARK 32 simulated couplings (isotropic).\n", "# nDots = 32\n\n", "# DATA MAX_MIN Score  ",
        "DATA N                    63\n"}},
      {onPdb(kPdb, {"-struc", "-fixCone", "-stdCone", "10", "-inD", kCouplings, "-pdbRot", "noisy.pdb"}), 0, {}, false,
       {}, {"noisy.pdb"}},
      // A 3-D grid without its periodic planes: -z1 and -zN default to 0, which no grid has.
      {onPdb(kPdb, {"-3D", "-pot3D", testData("cli/grid3d_open_2x2x3.pot"), "-nX", "2", "-nY", "2", "-nZ", "3"}), 1,
       {"ssia3D: z planes 0 to 0 of the periodic cell (options -z1, -zN) must lie within 1 to 3.\n"}},
      // A 3-D grid of 2 x 2 x 3 values 4 A apart, one of them a block, on a sphere that settles its order.
      {{"-stKorim", "-dot", "400", "-outD", "out.tab", "-pdb", kPdb, "-3D", "-pot3D",
        testData("cli/grid3d_blocked_2x2x3.pot"), "-nX", "2", "-nY", "2", "-nZ", "3", "-dX", "4", "-dY", "4", "-dZ", "4",
        "-z1", "1", "-zN", "3", "-inD", kCouplings},
       0, {", Total # of gridpositions 12 (x: 2, y: 2, z: 3).\n"}, true},
  };
  // /dev/full opens but refuses every write: a lost table or record must fail the run.
  if (access("/dev/full", W_OK) == 0) {
    const std::string full = "/dev/full: No space left on device\n";
    const std::vector<std::string> lost = {"DC Error writing output file " + full, "korim: error in writeDCmod.\n"};
    cases.push_back({{"-outD", "/dev/full", "-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings}, 1, lost});
    cases.push_back({{"-outD", "/dev/full", "-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings}, 1, lost});
    cases.push_back({{"-anPdb", "-pdb", kPdb, "-outP", "/dev/full"}, 1,
                     {"KORIM Error writing output file " + full}});
    cases.push_back({ensemble({"-flex", "/dev/full"}), 1,
                     {"KORIM Error writing log file for grid search " + full, "matrix: ensembleAlignment error occured.\n"}});
    for (const char* list : {"-outE", "-outEAx"})
      cases.push_back({ensemble({list, "/dev/full"}), 1,
                       {"KORIM Error writing ensemble monitoring file " + full, "matrix: setupEnsemble error occured.\n"}});
  }
  if (geteuid() != 0) {  // root writes into a read-only directory all the same
    // Found before the work, as a missing folder is.
    const std::string ro = data / "ro";
    mkdir(ro.c_str(), 0555);
    cases.push_back({{"-outD", ro + "/out.tab", "-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings}, 1,
                     {"korim: -outD " + ro + "/out.tab cannot be written: " + ro + ": Permission denied.\n"}});
  }
  for (const Expect& c : cases) expectRun(c);
  // A table cut short in a regular file (here by a file size limit) is removed, not left to pass
  // for a whole one.
  rlimit old{}, cap{};
  getrlimit(RLIMIT_FSIZE, &old);
  cap = {4096, old.rlim_max};
  std::signal(SIGXFSZ, SIG_IGN);
  if (setrlimit(RLIMIT_FSIZE, &cap) == 0) {
    expectRun({{"-outD", "out.tab", "-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings}, 1,
               {"DC Error writing output file out.tab: File too large\n", "korim: error in writeDCmod.\n"}});
    setrlimit(RLIMIT_FSIZE, &old);
  }
  std::signal(SIGXFSZ, SIG_DFL);
}

// Every reader given an empty file, and a file of one blank line: each is refused, naming the file,
// and none reads as no file at all (the states of the configuration, no charges, the steric result).
TEST(Runs, EmptyInputsAreRefusedNamingTheFile) {
  TempDir data;
  const std::string empty = writeFile(data / "empty", ""), blank = writeFile(data / "blank", "\n");
  const std::string ensemble = " -inp " + examples("ubiquitin_two_domains.inp") + " -ave out.tab -stKorimGrid";
  const struct {
    std::string options;  // F names the file
    std::string whenEmpty, whenBlank;  // "{}" names the file
  } cases[] = {
      {"-bestFit -inD F", "RdTable Error: no entries in {}\n", "RdTable Error: no entries in {}\n"},
      {"-pdb F", "PDB Error: no atoms read from {}", "PDB Error: no atoms read from {}"},
      {"-stKorimFree -pdbF F -outA out.tab", "readPDBfree Error: no ATOM record in {}.\n",
       "readPDBfree Error: no ATOM record in {}.\n"},
      {"-stKorimGrid -inp F -ave out.tab", "KORIM Error: configuration {} sets no key;",
       "KORIM Error: line 1 of {} holds no key and value"},
      {"-inE F" + ensemble,
       "readEnsemble Error: {} is empty: it holds no state (each line of a states file holds the three angles alpha, "
       "beta, gamma of one state, in degrees).\n",
       "readEnsemble Error: line 1 of {} does not start with three numbers"},
      {"-elKorim -pka F",
       "chargeSetup Error: {} is empty: it holds no line (each line of a pKa file holds a residue number, an atom name "
       "or default or terminus, charge or pKa, and the value, as \"68 default charge 1.0\").\n",
       "chargeSetup Error: line 1 of {} holds fewer than four items"},
      {"-elKorim -pf1 -pot F",
       "korim: the rod medium needs a 1D potential (-pot) of at least two rows with a uniform positive step; {} is "
       "empty.\n",
       "readPotential Error: line 1 of {} does not start with two numbers"},
      {"-3D -pot3D F -nX 2 -nY 2 -nZ 1", "ERROR: 0 values read from {}, the grid of 2 x 2 x 1",
       "ERROR: 0 values read from {}, the grid of 2 x 2 x 1"},
  };
  const auto named = [](std::string text, const std::string& file) { return text.replace(text.find("{}"), 2, file); };
  for (const auto& c : cases)
    for (const std::string& file : {empty, blank}) {
      std::vector<std::string> extra;
      std::stringstream words(c.options);
      for (std::string w; words >> w;) extra.push_back(w == "F" ? file : w);
      if (c.options.find("-inD") == std::string::npos) extra.insert(extra.end(), {"-inD", kCouplings});
      const std::vector<std::string> args = c.options.rfind("-pdb ", 0) == 0 ? steric(extra) : onPdb(kPdb, extra);
      expectRun({args, 1, {named(file == empty ? c.whenEmpty : c.whenBlank, file)}});
    }
}

// The rows the mapping names as held elsewhere in the structure map once the advice is followed:
// the chains named in CHAINNAME_I and CHAINNAME_J, or one segment name for all atoms.
TEST(Runs, RowsOfAnotherChainOrSegmentMapAsAdvised) {
  TempDir data;
  std::string named = "VARS RESID_I ATOMNAME_I CHAINNAME_I RESID_J ATOMNAME_J CHAINNAME_J D DD W\n"
                      "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (const char* row : {"3 N A 3 H A 8 1 1\n", "41 N B 41 H B 5 1 1\n", "50 N B 50 H B -3 1 1\n"}) named += row;
  const std::string twoChains = writeFile(data / "chains_ab.pdb", everyAtom(chainsAB));
  const std::string oneSeg = writeFile(data / "one_seg.pdb", everyAtom(segment("X")));
  for (const auto& [args, rows] : {std::pair{onPdb(twoChains, {"-inD", writeFile(data / "named.tab", named)}), 3u},
                                   std::pair{onPdb(oneSeg, {"-inD", kCouplings}), 63u}}) {
    const RunResult r = runKorim(args, data);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("map to no atom"), std::string::npos) << args.back() << "\n" << r.err;
    EXPECT_EQ(readTable(data / "out.tab").rows.size(), rows) << args.back();
  }
}

// A table numbered against another sequence start: the table's REMARK counts the rows that map to no
// atom and those that name a residue differently, as the warnings do, and where a shift of the
// numbers makes at least 9 in 10 rows map under their names, that shift is named; the run uses the
// rows as given. Names of another convention (nucleic-acid letters against the structure's
// three-letter names) find no shift. Hand counts: one higher, rows 18 and 36 land on prolines (no
// H) and only row 40 GLN meets its name (41 GLN); two lower, rows 2, 3, 21, 39 and 40 land on
// residue 0, the N-terminal MET 1 (H1-H3, no H) and prolines 19, 37 and 38.
TEST(Runs, ShiftedResidueNumbersAreNamedInTheTable) {
  TempDir data;
  const Rename same = [](int, const std::string& name) { return name; };
  // Names of the first 6 or 7 rows (residues 2-7 or 2-8) spoilt: 57 or 56 of 63 rows agree one lower.
  const auto spoilt = [](int rows) {
    return Rename([rows](int res, const std::string& name) { return res <= 1 + rows ? std::string("XXX") : name; });
  };
  const char* bases[] = {"ADE", "GUA", "CYT", "URA"};
  const Rename letter = [&](int res, const std::string&) { return std::string(1, bases[res % 4][0]); };
  const std::string nucleic = writeFile(data / "nucleic.pdb", everyAtom([&](std::string l) {
    return l.replace(17, 3, bases[std::stoi(l.substr(22, 4)) % 4]) + "\n";
  }));
  const auto fit = [&](const std::string& pdb, const std::string& name, const std::string& text,
                       std::vector<std::string> mode = {"-bestFit", "-single"}) {
    mode.insert(mode.end(), {"-inD", writeFile(data / name, text), "-pdb", pdb, "-outD", "out.tab"});
    return mode;
  };
  const std::string up = "the table's residue numbers look 1 higher than the structure's: at residue - 1, ";
  const std::string upRemark = "REMARK 2 selected couplings map to no atom of the structure and are not used; 60 "
                               "couplings name a residue differently from the structure.";
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> err, table;  // pieces of stderr in order; lines of out.tab
    int rows;                             // DATA N of out.tab
  };
  const std::string lowered = couplingsAs(-2, same);
  const std::string mends = "63 of 63 rows map and their names agree; -s1 3 -a1 2 maps them so";
  // The table as the structure numbers it, moved one higher by the run's own -a1.
  const std::string moved = "-a1 3 with -s1 2 maps the table's residue r on the structure's r + 1, yet the table's own "
                            "numbers are the structure's: at them 63 of 63 rows map and their names agree; -a1 2 in "
                            "place of -a1 3 (as -s1) maps them so";
  const std::vector<Case> cases = {
      {fit(kPdb, "up.tab", couplingsAs(1, same)),
       {"DC Warning: 60 couplings name a residue differently from the structure:\n",
        "DC Warning: " + up + mends + ".\n"},
       {upRemark, "REMARK " + up + mends + "."}, 61},
      // The advice followed: every row maps, and the fit is the example's.
      {fit(kPdb, "up.tab", couplingsAs(1, same), {"-bestFit", "-single", "-s1", "3", "-a1", "2"}), {},
       {"DATA Q SAUPE              0.062"}, 63},
      {fit(kPdb, "plain.tab", couplingsAs(0, same), {"-bestFit", "-single", "-a1", "3", "-s1", "2"}),
       {"DC Warning: " + moved + ".\n"}, {"REMARK " + moved + "."}, 61},
      {fit(kPdb, "plain.tab", couplingsAs(0, same), {"-bestFit", "-single", "-a1", "2", "-s1", "2"}), {},
       {"DATA Q SAUPE              0.062"}, 63},
      {fit(kPdb, "up.tab", couplingsAs(1, same), {"-stKorim", "-dot", "30"}), {"DC Warning: " + up}, {upRemark}, 61},
      // The ensemble's average table (-ave) carries the same lines.
      {fit(kPdb, "up.tab", couplingsAs(1, same),
           {"-stKorimGrid", "-inp", korim_test::examples("ubiquitin_two_domains.inp"), "-inE",
            korim_test::examples("ubiquitin_100_states.ens"), "-ave", "out.tab"}),
       {"DC Warning: " + up}, {upRemark, "REMARK " + up + mends + "."}, 61},
      {fit(kPdb, "up.tab", couplingsAs(1, same), {"-bestFit", "-jack", "-map", "5"}), {"DC Warning: " + up},
       {upRemark, "REMARK " + up + mends + "."}, 61},
      {fit(kPdb, "down.tab", lowered),
       {"DC Warning: the table's residue numbers look 2 lower than the structure's: at residue + 2, 63 of 63 rows "
        "map and their names agree; -s1 0 -a1 2 maps them so.\n"},
       {"REMARK 5 selected couplings map to no atom of the structure and are not used; 53 couplings name a residue "
        "differently from the structure."}, 58},
      {fit(kPdb, "spoilt6.tab", couplingsAs(1, spoilt(6))), {"DC Warning: " + up + "57 of 63 rows map"},
       {"REMARK " + up + "57 of 63 rows map and their names agree; -s1 3 -a1 2 maps them so."}, 61},
      {fit(kPdb, "spoilt7.tab", couplingsAs(1, spoilt(7))), {}, {upRemark}, 61},
      {fit(kPdb, "plain.tab", couplingsAs(0, same)), {}, {}, 63},
      {fit(nucleic, "letters.tab", couplingsAs(0, letter)), {"DC Warning: 63 couplings name a residue differently"},
       {"REMARK 0 selected couplings map to no atom of the structure and are not used; 63 couplings name a residue "
        "differently from the structure."}, 63},
      {fit(nucleic, "letters_up.tab", couplingsAs(1, letter)), {},
       {"REMARK 2 selected couplings map to no atom of the structure and are not used; 61 couplings name a residue "
        "differently from the structure."}, 61},
  };
  for (const Case& c : cases) {
    const std::string what = c.args[0] + " " + c.args[1] + " " + c.args[c.args.size() - 5];
    const RunResult r = runKorim(c.args, data);
    EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, c.err)) << what;
    const Table t = readTable(data / "out.tab");
    for (const std::string& line : c.table) EXPECT_TRUE(t.hasLine(line)) << what << ": " << line;
    EXPECT_EQ(t.data("N"), c.rows) << what;
    // A shift is named only where one is expected, and the clean table carries no mapping line.
    const bool shift = !c.err.empty() && c.err.back().find("look") != std::string::npos;
    EXPECT_EQ(r.err.find("residue numbers look") != std::string::npos, shift) << what;
    if (c.table.empty()) {
      EXPECT_EQ(readFile(data / "out.tab").find("map to no atom"), std::string::npos) << what;
    }
  }
}

// The advice on rows held in another chain or segment, followed once as it reads: its columns
// added to the table, each row's chain or segment written in them, maps every row. Started from the
// example's table (no chain or segment named), and from one that names the chain at end I only.
TEST(Runs, ChainAndSegmentAdviceFollowedOnceMapsTheRows) {
  TempDir data;
  const Rename same = [](int, const std::string& name) { return name; };
  const std::string chains = writeFile(data / "chains.pdb", everyAtom(chainsAB));
  const std::string segs = writeFile(data / "segs.pdb", everyAtom([](std::string l) {
    return l.replace(72, 2, std::stoi(l.substr(22, 4)) <= 40 ? "SA" : "SB") + "\n";
  }));
  // Where the structures hold residue res.
  const Placed place = [](const std::string& column, int res) {
    return std::string(column.starts_with("SEG") ? "S" : "") + (res <= 40 ? "A" : "B");
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> starts = {
      {chains, {}}, {chains, {"CHAINNAME_I"}}, {segs, {}}};
  for (const auto& [pdb, named] : starts) {
    const std::string what = pdb + " " + (named.empty() ? "" : named[0]);
    const auto run = [&](const std::vector<std::string>& cols) {
      return runKorim({"-bestFit", "-single", "-pdb", pdb, "-outD", "out.tab", "-inD",
                       writeFile(data / "in.tab", couplingsAs(0, same, cols, place))},
                      data);
    };
    const RunResult first = run(named);
    const size_t at = first.err.find("name it in column");
    ASSERT_NE(at, std::string::npos) << what << "\n" << first.err;
    // The columns advised, after "column(s) ": "X_I", "X_I and Y_J" or "X_I, Y_I and Z_J".
    std::vector<std::string> cols = named;
    const size_t from = at + std::strlen("name it in column");
    std::istringstream words(first.err.substr(from, first.err.find('\n', from) - from));
    for (std::string word; words >> word;) {
      if (word.ends_with(",")) word.pop_back();
      if (word == "s" || word == "and") continue;
      if (!word.ends_with("_I") && !word.ends_with("_J")) break;
      cols.push_back(word);
    }
    ASSERT_GT(cols.size(), named.size()) << what << "\n" << first.err;
    const RunResult advised = run(cols);
    EXPECT_EQ(advised.status, 0) << what << "\n" << advised.err;
    EXPECT_EQ(advised.err.find("map to no atom"), std::string::npos) << what << "\n" << advised.err;
    EXPECT_EQ(readTable(data / "out.tab").data("N"), 63) << what;
  }
}

// The score file of -daFlex is closed before the coupling table is begun: a run ended while it
// writes the table (here by the signal of a file size limit that the table exceeds) leaves the
// scores whole.
TEST(Runs, FlexibleScoresAreWholeBeforeTheTableIsBegun) {
  TempDir d;
  const std::vector<std::string> args = {"-daFlex", "-inD", kCouplings, "-nRun", "8", "-outSc", "s.sc",
                                         "-outD", "out.tab"};  // the colour map goes to /dev/null
  ASSERT_EQ(runKorim(args, d, "/dev/null").status, 0);
  const std::string scores = readFile(d / "s.sc");
  const rlim_t limit = 4096;
  ASSERT_TRUE(scores.size() < limit && readFile(d / "out.tab").size() > limit);
  std::remove((d / "s.sc").c_str());
  std::remove((d / "out.tab").c_str());
  rlimit old{}, cap{};
  getrlimit(RLIMIT_FSIZE, &old);
  cap = {limit, old.rlim_max};
  std::signal(SIGXFSZ, SIG_DFL);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cap), 0);
  const RunResult r = runKorim(args, d, "/dev/null");
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(r.status, -1) << r.err;  // ended by the signal while writing the table
  EXPECT_EQ(readFile(d / "s.sc"), scores);
}

TEST(MessyStructures, FirstModelAndFirstLocationsGiveTheSingleModelResult) {
  TempDir d;
  ASSERT_EQ(runKorim(onPdb(kPdb, {"-inD", kCouplings}), d).status, 0);
  const std::string want = readFile(d / "out.tab");
  const std::string models = writeFile(d / "models.pdb",
      "MODEL        1\n" + everyAtom([](const std::string& l) { return l + "\n"; }) + "ENDMDL\n" +
      "MODEL        2\n" + everyAtom([](const std::string& l) { return shifted(l) + "\n"; }) + "ENDMDL\nEND\n");
  const std::string altlocs = writeFile(d / "altloc.pdb", everyAtom([](std::string l) {
    l[16] = 'A';
    std::string b = shifted(l);
    b[16] = 'B';
    return l + "\n" + b + "\n";
  }));
  // The first location in the file is kept, whatever its code: here B, before a far-away A.
  const std::string bFirst = writeFile(d / "altloc_b.pdb", everyAtom([](std::string l) {
    l[16] = 'B';
    std::string a = shifted(l);
    a[16] = 'A';
    return l + "\n" + a + "\n";
  }));
  const struct { std::string pdb, warning; } cases[] = {
      {models, "PDB Warning: " + models + " holds 2 models; model 1 is used.\n"},
      {altlocs, "PDB Warning: 1231 alternate locations skipped in " + altlocs +
                    "; the first location of each atom is kept.\n"},
      {bFirst, "PDB Warning: 1231 alternate locations skipped in " + bFirst +
                   "; the first location of each atom is kept.\n"},
  };
  for (const auto& c : cases) {
    std::remove((d / "out.tab").c_str());
    RunResult r = runKorim(onPdb(c.pdb, {"-inD", kCouplings}), d);
    EXPECT_EQ(r.status, 0) << c.pdb;
    EXPECT_EQ(readFile(d / "out.tab"), want) << c.pdb;
    auto count = [&](const std::string& piece) {
      int n = 0;
      for (size_t pos = 0; (pos = r.err.find(piece, pos)) != std::string::npos; pos++) n++;
      return n;
    };
    EXPECT_TRUE(count(c.warning) == 1 && count("Warning") == 1) << r.err;  // the one warning, once
  }
}

// Residues written as HETATM records (selenomethionine at 1, methylated lysines at 48 and 63, as
// crystal structures write them) are counted by name on stderr and in the table; written as ATOM
// records, as the message advises, they stay in the structure and the prediction is the example's.
TEST(MessyStructures, HetatmResiduesAreNamedAndKeptAsAtomRecords) {
  TempDir d;
  ASSERT_EQ(runKorim(onPdb(kPdb, {"-inD", kCouplings}), d).status, 0);
  const Table example = readTable(d / "out.tab");
  const auto modified = [](const char* record) {
    return [record](std::string l) {
      const int res = std::stoi(l.substr(22, 4));
      const char* name = res == 1 ? "MSE" : res == 48 || res == 63 ? "MLY" : nullptr;
      return name == nullptr ? l + "\n" : record + l.substr(6, 11) + name + l.substr(20) + "\n";
    };
  };
  const std::string het = writeFile(d / "het.pdb", everyAtom(modified("HETATM")));
  RunResult r = runKorim(onPdb(het, {"-inD", kCouplings}), d);
  ASSERT_EQ(r.status, 0) << r.err;
  Table t = readTable(d / "out.tab");
  EXPECT_TRUE(t.hasLine("REMARK 63 HETATM records skipped (MSE 19 and MLY 44): korim reads ATOM records only."));
  EXPECT_GT(std::fabs(t.data("Da_HN") - example.data("Da_HN")), 0.5);  // 1168 atoms, not 1231
  const std::string atom = writeFile(d / "atom.pdb", everyAtom(modified("ATOM  ")));
  r = runKorim(onPdb(atom, {"-inD", kCouplings}), d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("HETATM"), std::string::npos) << r.err;
  t = readTable(d / "out.tab");
  EXPECT_EQ(t.data("Da_HN"), example.data("Da_HN"));
  EXPECT_EQ(numbersAfter(t.lines, "DATA SAUPE "), numbersAfter(example.lines, "DATA SAUPE "));
}

// Lysines 48 and 63 written as ATOM records of residue MLY, as the HETATM line advises: no charge
// rule names MLY, so its amino group takes no charge (Da_HN -27.98 Hz against the example's
// -51.41). Every run that places charges says so once; the advice followed (the run's listing with
// a line for each NZ, read back with -pka) gives the example's prediction again.
// In parts: part 0 writes the pKa listing that its rows (the first) and the advice followed read.
class MessyStructuresCharged : public RowParts {};

TEST_P(MessyStructuresCharged, ResiduesNoChargeRuleNamesAreSaidOnceInEveryRunThatPlacesCharges) {
  TempDir d;
  const std::string mly = writeFile(d / "mly.pdb", everyAtom([](std::string l) {
    const int res = std::stoi(l.substr(22, 4));
    return (res == 48 || res == 63 ? l.replace(17, 3, "MLY") : l) + "\n";
  }));
  const auto on = [&](const std::string& pdb, std::vector<std::string> mode) {
    mode.insert(mode.end(), {"-pdb", pdb, "-inD", kCouplings, "-outD", "out.tab"});
    return runKorim(mode, d);
  };
  const auto once = [](const RunResult& r, const std::string& said) {  // the line, once
    const size_t at = r.err.find("chargeSetup Warning: no ");
    EXPECT_TRUE(r.err.find(said) != std::string::npos && r.err.find("chargeSetup Warning: no ", at + 1) == std::string::npos)
        << said << "\n" << r.err;
  };
  const bool first = GetParam().part == 0;
  RunResult r;
  if (first) {
    r = on(mly, {"-elKorim", "-outPka", "mly.pka"});
    once(r, "chargeSetup Warning: no charge rule names 2 residues of the structure (MLY 2), so they carry");
    EXPECT_NEAR(readTable(d / "out.tab").data("Da_HN"), -27.98, 0.005);
    writeFile(d / "nz.pka", readFile(d / "mly.pka") + "48 NZ charge 0.989\n63 NZ charge 0.989\n");
  }
  std::vector<std::string> states = lines(readFile(examples("ubiquitin_100_states.ens")));
  states.resize(8);
  std::string eight;
  for (const std::string& l : states) eight += l + "\n";
  writeFile(d / "eight.ens", eight);
  const std::vector<std::string> modes[] = {
      {"-elKorim", "-pka", d / "mly.pka"},
      {"-elKorim", "-dot", "100", "-pf1", "-pot", examples("pf1_rod_radial.pot")},
      // The grid on the residues around the two (charges are placed on the selected residues only),
      // the ensemble of the first eight states.
      {"-elKorim", "-dot", "100", "-3D", "-pot3D", examples("pf1_rod_grid.pot"), "-nX", "33", "-nY", "33", "-nZ", "1",
       "-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1", "-massLC", "0.00083", "-r1", "46", "-rN", "64"},
      {"-stKorimGrid", "-el", "-dot", "100", "-inp", examples("ubiquitin_two_domains.inp"), "-inE", d / "eight.ens",
       "-ave", "ave.tab"},
      {"-anPdb", "-el"}, {"-elKorimFree", "-elInfo"}, {"-anPdb", "-charmm22"}};
  for (size_t i = 0; i < std::size(modes); i++) {
    if (!mine(i)) continue;
    const std::vector<std::string>& mode = modes[i];
    const bool pka = mode[1] == "-pka", ff = mode[1] == "-charmm22";
    once(on(mly, mode), pka ? "no line of " + d / "mly.pka" + " charges 2 residues"
                            : ff ? "(MLY 2), so they carry no charge; a pKa file (-pka with -el)" : "(MLY 2)");
  }
  if (!first) return;
  EXPECT_EQ(on(kPdb, {"-elKorim", "-dot", "100"}).err.find("no charge rule"), std::string::npos);
  // Followed: the example's tensor, to the three decimals of the listing, and nothing said.
  r = on(mly, {"-elKorim", "-pka", d / "nz.pka"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("no charge rule"), std::string::npos) << r.err;
  EXPECT_NEAR(readTable(d / "out.tab").data("Da_HN"), -51.414, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Rows, MessyStructuresCharged, testing::ValuesIn(rowParts(4)));

// Residues 52, 52A and 52B (the example's 52 ASP, 53 GLY and 54 ARG): the row of residue 52 maps to
// 52 ASP and is checked against that name; the inserted residues are named as out of a table's reach.
TEST(MessyStructures, InsertionCodesAreNamedAndRowsCheckedOnTheResidueTheyMapTo) {
  TempDir d;
  const std::string pdb = writeFile(d / "icode.pdb", everyAtom([](std::string l) {
    const int res = std::stoi(l.substr(22, 4));
    if (res == 53 || res == 54) l.replace(22, 5, res == 53 ? "  52A" : "  52B");
    return l + "\n";
  }));
  const RunResult r = runKorim(onPdb(pdb, {"-inD", kCouplings}), d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("DC Warning: 2 residues of the structure carry an insertion code (52A GLY and 52B ARG): a "
                       "coupling table names a residue by its number alone, so no row can name them; a row of "
                       "residue 52 maps to 52 ASP.\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("differently"), std::string::npos) << r.err;
  EXPECT_NE(readFile(d / "out.tab").find("\n   52  ASP    N   52  ASP    H "), std::string::npos);
}

// A complex of chains A to C (copies of the example, B turned and all three apart) with -chain B
// and a table that names no chain: the couplings are compared on chain A's bonds, and the
// predictions say so in the words of the fit's line. Followed, the advice compares them on B's.
TEST(Runs, AChainSelectionNamesTheChainItsCouplingsAreComparedOn) {
  TempDir d;
  const std::string pdb = writeFile(d / "abc.pdb", everyAtom(copy('A')) + everyAtom(copy('B')) + everyAtom(copy('C')));
  const Rename same = [](int, const std::string& name) { return name; };
  for (const auto& [mode, run] : {std::pair<std::string, std::string>{"-stKorim", "the steric prediction (-stKorim)"},
                                  {"-elKorim", "the electrostatic prediction (-elKorim)"}}) {
    // The charged example at -dot 30 moves 8.7 % on the denser sphere and 2.5 % with twice the turns,
    // together more than a tenth: -dot 40 answers.
    const std::string dot = mode == "-elKorim" ? "40" : "30";
    const auto predict = [&](const std::string& table, const char* chain) {
      return runKorim({mode, "-dot", dot, "-pdb", pdb, "-chain", chain, "-inD", table, "-outD", "out.tab"}, d);
    };
    // The example alone: B, a turned copy, gives about its agreement on its own bonds.
    ASSERT_EQ(runKorim({mode, "-dot", dot, "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, d).status, 0);
    const double alone = readTable(d / "out.tab").data("CORR R");
    RunResult r = predict(kCouplings, "B");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string line = "korim: the atom selection -chain B chooses atoms, not the couplings of a prediction; "
                             "this run is " + run + " and compares the couplings on the bonds of chain A, where a "
                             "table that names no chain looks its rows up; to compare them on the bonds of chain B, "
                             "name B in columns CHAINNAME_I and CHAINNAME_J of the table.\n";
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    const double onA = readTable(d / "out.tab").data("CORR R");
    // The advice followed: B named in the two columns the line names.
    const Placed place = [](const std::string&, int) { return std::string("B"); };
    const std::string named =
        writeFile(d / "named.tab", couplingsAs(0, same, {"CHAINNAME_I", "CHAINNAME_J"}, place));
    r = predict(named, "B");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("chooses atoms"), std::string::npos) << r.err;
    const Table t = readTable(d / "out.tab");
    EXPECT_EQ(t.data("N"), 63);
    EXPECT_NEAR(t.data("CORR R"), alone, 0.1) << mode << ": on chain A's bonds " << onA;
    EXPECT_GT(std::fabs(onA - alone), 0.5) << mode;
    // The chain the table looks in is selected: nothing to say.
    r = predict(kCouplings, "A");
    EXPECT_EQ(r.err.find("chooses atoms"), std::string::npos) << r.err;
  }
}

// Two copies of the example as chains A and B (copy), numbered alike, and tables that name no chain: every mode that maps rows to the structure says
// once on which chain they are read, in stderr and in its table. Followed, the advice reads them
// on B: a fit there is the fit on B's copy alone. (The ensemble refuses a residue number that
// stands in two chains.)
TEST(Runs, ATableThatNamesNoChainSaysWhichOfTwoItIsReadOn) {
  TempDir d;
  const std::string ab = writeFile(d / "ab.pdb", everyAtom(copy('A')) + everyAtom(copy('B')));
  const std::string bAlone = writeFile(d / "b.pdb", everyAtom(copy('B')));
  // A table of the example's columns with chain B named at both ends.
  const auto onB = [&](const std::string& table) {
    return writeFile(d / ("b_" + std::filesystem::path(table).filename().string()),
                     couplingsAs(0, [](int, const std::string& n) { return n; }, {"CHAINNAME_I", "CHAINNAME_J"},
                                 [](const std::string&, int) { return std::string("B"); }, table));
  };
  const std::string lysines = examples("ubiquitin_lys_unassigned.tab");
  std::vector<std::string> fix = {"-fixRes"};
  for (int res = 2; res <= 71; res++)
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
      fix.push_back(std::to_string(res));
  const struct {
    std::vector<std::string> mode;
    std::string table;
    bool fit;  // the result on B is the result on B's copy alone
  } cases[] = {
      {{"-stKorim", "-dot", "30", "-outD"}, kCouplings, false},
      {{"-elKorim", "-dot", "30", "-outD"}, kCouplings, false},
      {{"-bestFit", "-outD"}, kCouplings, true},
      {{"-bestFit", "-jack", "-map", "5", "-outD"}, kCouplings, true},
      {{"-bestFit", "-mcDc", "-map", "5", "-outD"}, kCouplings, true},
      {{"-bestFit", "-mcStruc", "-map", "5", "-outD"}, kCouplings, true},
      {{"-bestFit", "-exhaust", "-outD"}, lysines, true},
  };
  const std::string line = "names no chain: its rows are read on chain A, that of the structure's first atom, and "
                           "their residues are in chain B too; to read them on chain B, name B in columns "
                           "CHAINNAME_I and CHAINNAME_J of the table.\n";
  for (const auto& c : cases) {
    const auto run = [&](const std::string& pdb, const std::string& table) {
      std::vector<std::string> args = c.mode;
      args.push_back("out.tab");
      args.insert(args.end(), {"-pdb", pdb, "-inD", table});
      if (table.ends_with("lys_unassigned.tab")) args.insert(args.end(), fix.begin(), fix.end());
      return runKorim(args, d);
    };
    RunResult r = run(ab, c.table);
    ASSERT_EQ(r.status, 0) << c.mode[0] << r.err;
    const std::string said = "DC Warning: " + c.table + " " + line;
    EXPECT_NE(r.err.find(said), std::string::npos) << c.mode[0] << " " << c.mode[1] << r.err;
    EXPECT_EQ(r.err.find(said), r.err.rfind(said)) << "said once";
    const Table onA = readTable(d / "out.tab");
    EXPECT_TRUE(onA.hasLine("REMARK The rows are read on chain A (the table names no chain); their residues are in "
                            "chain B too."))
        << c.mode[1];
    r = run(ab, onB(c.table));
    ASSERT_EQ(r.status, 0) << c.mode[0] << r.err;
    EXPECT_EQ(r.err.find("names no chain"), std::string::npos) << r.err;
    const Table named = readTable(d / "out.tab");
    if (!c.fit) {
      EXPECT_NE(named.data("CORR R"), onA.data("CORR R")) << c.mode[0];
      continue;
    }
    ASSERT_EQ(run(bAlone, c.table).status, 0);
    const Table alone = readTable(d / "out.tab");
    EXPECT_EQ(numbersAfter(named.lines, "DATA SAUPE "), numbersAfter(alone.lines, "DATA SAUPE ")) << c.mode[1];
    EXPECT_NE(numbersAfter(named.lines, "DATA SAUPE "), numbersAfter(onA.lines, "DATA SAUPE ")) << c.mode[1];
  }
  // Beside it: B numbered on from 201 holds none of the rows' residues (nothing to say); the two
  // copies as segments S1 and S2 of no chain name.
  const auto renamed = [&](const char* name, auto edit) {
    return writeFile(d / name, everyAtom(copy('A')) + everyAtom([&](std::string l) { return edit(copy('B')(l)); }));
  };
  const std::string far = renamed("far.pdb", [](std::string l) {
    return l.replace(22, 4, std::to_string(std::stoi(l.substr(22, 4)) + 200));
  });
  const auto inSegment = [&](char chain, const char* seg) {
    return [chain, seg](std::string l) {
      std::string c = copy(chain)(l);
      c.pop_back(), c.resize(80, ' ');
      c[21] = ' ';
      return c.replace(72, 4, seg) + "\n";
    };
  };
  const std::string segs = writeFile(d / "segs.pdb", everyAtom(inSegment('A', "S1  ")) + everyAtom(inSegment('B', "S2  ")));
  RunResult r = runKorim({"-bestFit", "-pdb", far, "-inD", kCouplings, "-outD", "out.tab"}, d);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("names no"), std::string::npos) << r.err;
  r = runKorim({"-bestFit", "-pdb", segs, "-inD", kCouplings, "-outD", "out.tab"}, d);
  EXPECT_NE(r.err.find("DC Warning: " + kCouplings + " names no segment: its rows are read on segment S1, that of the "
                       "structure's first atom, and their residues are in segment S2 too; to read them on segment S2, "
                       "name S2 in columns SEGNAME_I and SEGNAME_J of the table.\n"),
            std::string::npos)
      << r.err;
}
