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
  cases.insert(cases.end(), {
  });

  // Outputs that would overwrite each other, and closed standard streams.
  cases.insert(cases.end(), {
  });

  for (const Expect& c : cases) expectRun(c);
}
