// The steric prediction of the ubiquitin example: messages, result table, rotated structures, and
// the prediction docs/predictions.md documents. (That a rigid motion of the input leaves
// the prediction is Steric.RotatingTheMoleculeRotatesTheTensor.)
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

// What docs/predictions.md shows for the example: the counts read off its files, the 105 surface heavy
// atoms simulated, Da(N-H) -13.14 Hz, R 0.204 and a correlation of 0.837 with the measured
// couplings. The rotated structures hold the user's selection, every atom with the hydrogens,
// though the simulation used fewer, centred on them all (their turns are
// PdbRot.SquareTurnsAsHandComputed).
TEST(StericExample, MessagesDocumentedPredictionAndRotatedStructures) {
  TempDir dir;
  const RunResult r =
      runKorim({"-stKorim", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab", "-pdbRot", "rot.pdb"}, dir);
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() > 2000 ? r.err.size() - 2000 : 0);
  EXPECT_TRUE(inOrder(r.err, {kPdb + ", 1231 Atoms, Residues 1 to 76.\n",
                              kCouplings + ", 63 Couplings, Residues 2 to 71.\n"}));
  EXPECT_TRUE(endsWithMemoryStatus(r.err));
  // Without -inD no table is read, and none is named.
  const RunResult bare = runKorim({"-stKorim", "-dot", "30", "-pdb", kPdb, "-outD", "bare.tab"}, dir);
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.err.find(" Couplings, Residues"), std::string::npos) << bare.err;
  EXPECT_TRUE(inOrder(r.out, {"REMARK 63 couplings selected (inclusive max).\n", "REMARK PDB Selection: All Atoms.\n",
                              "REMARK 0 charges placed, Total charge 0.000 [e].\n",
                              "REMARK 105 atoms selected for simulation.\n",
                              "REMARK 0 charges selected for simulation.\n"}));
  // The streams as the README gives them: progress lines (each closed by a carriage return) and
  // the memory line on the standard error, the Saupe lines on the standard output.
  EXPECT_NE(r.err.find("REMARK Orientation 5 of 2196\rREMARK Orientation 6 of 2196\r"), std::string::npos);
  EXPECT_NE(r.out.find("\nSaupeSteric  gMag "), std::string::npos);
  for (const char* errOnly : {"REMARK Orientation", kMemoryLine, " Atoms, Residues "})
    EXPECT_EQ(r.out.find(errOnly), std::string::npos) << errOnly;
  const Table t = readTable(dir / "out.tab");
  // The settings block itself is checked against its golden file with the writer.
  EXPECT_TRUE(t.hasLine("DATA KORIM_MODE STERIC"));
  for (const std::string& l : t.lines) EXPECT_EQ(l.find("INCLUDE_RIM"), std::string::npos);
  EXPECT_EQ(t.rows.size(), 63u);
  EXPECT_NEAR(t.data("CORR R"), 0.837, 5e-4);  // its computation: StatDC.NoisyDataAgreesWithDoubleTwin
  EXPECT_NEAR(t.data("Da_HN"), -13.14, 0.01 * 13.14);
  EXPECT_NEAR(t.data("Rhombicity"), 0.204, 0.01);
  const PdbAtoms orig = readPdbAtoms(kPdb, true);
  ASSERT_EQ(orig.n(), 1231);
  for (int k = 0; k < 4; k++) {
    const PdbAtoms rot = readPdbAtoms(dir / ("rot.pdb." + std::to_string(k)), true);
    EXPECT_TRUE(rot.names == orig.names && rot.resIDs == orig.resIDs) << k;
    double c[3] = {0, 0, 0};
    for (int i = 1; i <= rot.n(); i++) c[0] += rot.x[i], c[1] += rot.y[i], c[2] += rot.z[i];
    for (double v : c) EXPECT_NEAR(v / rot.n(), 0.0, 2e-3) << k;
  }
  // -rotID defaults to 0: the plain name holds solution 0.
  EXPECT_EQ(readFile(dir / "rot.pdb"), readFile(dir / "rot.pdb.0"));
}
