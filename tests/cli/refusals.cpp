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

  for (const Expect& c : cases) expectRun(c);
}
