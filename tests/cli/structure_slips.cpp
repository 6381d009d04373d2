// Structures whose records slipped (a number field moved into its neighbour's columns, a stray
// ENDMDL inside the one model) are refused by every mode that reads them, naming the file and the
// line, and no result file is written.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// The example's lines, the one of line number at (from 1) turned by edit.
template <typename Edit>
std::string exampleWith(int at, Edit edit) {
  std::string text;
  int n = 0;
  for (const std::string& l : lines(readFile(kPdb))) text += ++n == at ? edit(l) : l + "\n";
  return text;
}

// How often piece stands in text.
int count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) n++;
  return n;
}

}  // namespace

TEST(StructureSlips, SlippedRecordsAreRefusedNamingFileAndLineAndWriteNoResult) {
  TempDir d;
  const std::string noY = writeFile(d / "no_y.pdb", exampleWith(548, [](std::string l) {
    return l.erase(38, 8) + "\n";  // the y field of atom 548
  }));
  const std::string blank = writeFile(d / "blank47.pdb", exampleWith(1, [](std::string l) {
    return l.insert(46, " ") + "\n";  // a blank in column 47 of atom 1
  }));
  const std::string endmdl = writeFile(d / "endmdl.pdb", exampleWith(529, [](const std::string& l) {
    return l + "\nENDMDL\n";  // after line 529
  }));
  const struct {
    std::vector<std::string> args;  // the run, without its structure
    std::string pdb, where;         // what standard error names
    std::string output;             // the result file the run would write
  } cases[] = {
      {{"-stKorim", "-dot", "30", "-inD", kCouplings, "-outD", "out.tab"}, noY,
       "Z field (columns 47-54) '  1.00 2' in line 548 of PDB file " + noY, "out.tab"},
      {{"-bestFit", "-inD", kCouplings, "-outD", "out.tab"}, noY, "in line 548 of PDB file " + noY, "out.tab"},
      {{"-elKorim", "-inD", kCouplings, "-outD", "out.tab"}, blank,
       "OCCUPANCY field (columns 55-60) '9  1.0' in line 1 of PDB file " + blank, "out.tab"},
      {{"-anPdb", "-outP", "an.txt"}, blank, "in line 1 of PDB file " + blank, "an.txt"},
      {{"-stKorim", "-dot", "30", "-inD", kCouplings, "-outD", "out.tab"}, endmdl,
       "line 531 of PDB file " + endmdl + " holds an atom record after the ENDMDL of line 530", "out.tab"},
  };
  for (const auto& c : cases) {
    // On the example the run writes its result.
    ASSERT_EQ(runKorim(plus(c.args, {"-pdb", kPdb}), d).status, 0) << c.args[0];
    ASSERT_TRUE(fileExists(d / c.output)) << c.args[0];
    std::remove((d / c.output).c_str());
    const RunResult r = runKorim(plus(c.args, {"-pdb", c.pdb}), d);
    EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.pdb << "\n" << r.err;
    EXPECT_NE(r.err.find(c.where), std::string::npos) << r.err;
    EXPECT_EQ(count(r.err, "PDB Error: "), 1) << r.err;  // one message, for the first slip
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << r.err;
    EXPECT_FALSE(fileExists(d / c.output)) << c.args[0] << " " << c.pdb;
  }
}
