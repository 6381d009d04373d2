// Chemical-shift tables and pseudo-contact shifts: reading, glycine partners, predictable
// nuclei, statistics, the writers against golden files, and the tensor fit
// of shifts made from a known tensor on a real structure. The stand-alone coupling driver on
// ubiquitin and its measured couplings, and the best placement kept by the segment-search report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "restraints/cs.h"
#include "restraints/dcreport.h"
#include "restraints/pcs.h"
#include "restraints/surf.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/pdbtext.h"

using namespace korim::restraints;
using korim::couplings::DInfo;
using korim::couplings::DTable;
using korim_test::captureStderr;
using korim_test::captureStdout;
using korim_test::TempDir;

namespace {

const char* kShiftFile =
    "DATA FIRST_RESID 1\nDATA SEQUENCE MQIFVKTLTG\n"
    "NULLVALUE -999\n"
    "VARS RESID RESNAME ATOMNAME SEGNAME SHIFT SIGMA W\n"
    "FORMAT %4d %4s %4s %4s %8.3f %6.2f %5.2f\n"
    "10 GLY HA2 S1 4.100 0.00 1.00\n"
    "10 GLY HA3 S1 3.800 0.00 2.00\n"
    " 7 THR CA S1 -999 0.50 1.00\n"
    " 2 GLN HA2 S1 4.400 0.20 1.00\n";

TEST(ShiftTable, NoneAndEmptyNamesGiveAnEmptyTable) {
  for (const char* name : {"None", "NONE", ""}) {
    CSTable tab;
    EXPECT_EQ(readCS(name, &tab), 0) << name;
    EXPECT_TRUE(tab.csCount == 0 && tab.pcsCount == 0 && tab.csList == nullptr) << name;
  }
}

TEST(ShiftTable, ReadingPairsGlycineProtonsMarksMissingShiftsAndPredictableNuclei) {
  TempDir dir;
  CSTable tab;
  ASSERT_EQ(readCS(korim_test::writeFile(dir / "cs.tab", kShiftFile).c_str(), &tab), 0);
  ASSERT_EQ(tab.csCount, 4);
  CSInfo* cs = tab.csList;
  EXPECT_TRUE(cs[0].partner == &cs[1] && cs[1].partner == &cs[0] && cs[3].partner == nullptr);  // 3: no glycine
  const int valid[] = {1, 1, 0, 1}, predictable[] = {1, 1, 1, 0};
  for (int i = 0; i < 4; i++) {
    EXPECT_TRUE(cs[i].valid == valid[i] && cs[i].predictable == predictable[i] && cs[i].id == i + 1) << i;
    EXPECT_TRUE(cs[i].rcShift == 9999.0f && cs[i].surf == nullptr) << i;  // no random-coil table loaded
  }
  EXPECT_EQ(cs[2].shift, 9999.0f);
  EXPECT_TRUE(tab.csMinRes == 2 && tab.csMaxRes == 10 && tab.seqInfo->resCount == 10);
  EXPECT_TRUE(tab.nullChainName == 1 && tab.nullSegName == 0);
  EXPECT_EQ(selectCS(tab.csList, tab.csCount, 3, 10), 2);  // residue 2 out, residue 7 no shift
  csTabFree(&tab);
  // Predictable nuclei by residue and atom name.
  const struct { const char *res, *atom; int pred; } cases[] = {
      {"ALA", "HB", 0}, {"GLY", "HA3", 1}, {"gly", "HA3", 0}, {"G", "ha2", 1}, {"ALA", "ca", 1},
      {"ALA", "HA2", 0}, {"PRO", "N", 1},  {"XYZ", "C", 1},   {"GLY", "H", 0}};
  for (const auto& c : cases) EXPECT_EQ(isPredCS(c.res, c.atom), c.pred) << c.res << " " << c.atom;
}

TEST(ShiftTable, StatisticsWithSigmaZeroAreSumsOfSquares) {
  CSInfo cs[4];
  resetCS(cs, 4);
  // shift, prediction, weight; the last has no prediction and is counted but not compared.
  const float v[4][3] = {{4.0f, 3.5f, 1.0f}, {50.0f, 52.0f, 2.0f}, {120.0f, 119.0f, 1.0f}, {8.0f, 9999.0f, 1.0f}};
  for (int i = 0; i < 4; i++) {
    cs[i].valid = cs[i].predictable = 1;
    cs[i].shift = v[i][0];
    cs[i].predShift = v[i][1];
    cs[i].w = v[i][2];
    cs[i].sigma = 0.0f;
  }
  float rms, chi2, wChi2;
  int n;
  EXPECT_EQ(getStatCS(cs, 4, &rms, &chi2, &wChi2, &n), 4);
  EXPECT_EQ(n, 3);
  EXPECT_FLOAT_EQ(chi2, 0.25f + 4.0f + 1.0f);
  EXPECT_FLOAT_EQ(wChi2, 0.25f + 16.0f + 1.0f);
  EXPECT_FLOAT_EQ(rms, std::sqrt(5.25f / 3));
  EXPECT_EQ(getStatPCS(cs, 4, &rms, &chi2, &n), 4);
  EXPECT_FLOAT_EQ(chi2, 5.25f);
}

// Nuclei: CA of residues 2..21 and the mean of the HB2/HB3 pair of residue 1; centre SD of Met 1.
struct PcsCase {
  std::string table;
  double s[5] = {0.8, -0.35, 0.25, 0.12, -0.5};
  int nuclei = 0;
  explicit PcsCase(const std::string& dir) {
    korim_test::PdbAtoms a = korim_test::readPdbAtoms(korim_test::kUbiquitinPdb, true);
    auto find = [&a](int res, const char* name) {
      for (int i = 1; i <= a.n(); i++)
        if (a.resIDs[i] == res && a.names[i] == name) return i;
      return 0;
    };
    const int c = find(1, "SD");
    table = dir + "/pcs.tab";
    std::string text = "DATA PARAMAGNETIC   1 MET  SD\nVARS RESID RESNAME ATOMNAME SHIFT\nFORMAT %4d %4s %4s %12.7f\n";
    for (int r = 1; r <= 21; r++, nuclei++) {
      const int i = find(r, r == 1 ? "HB2" : "CA"), j = r == 1 ? find(1, "HB3") : i;
      const double x = (a.x[i] + a.x[j]) / 2, y = (a.y[i] + a.y[j]) / 2, z = (a.z[i] + a.z[j]) / 2;
      double ux = a.x[c] - x, uy = a.y[c] - y, uz = a.z[c] - z;
      const double rr = std::sqrt(ux * ux + uy * uy + uz * uz);
      ux /= rr, uy /= rr, uz /= rr;
      const double shift = s[0] * 0.5 * (3 * uz * uz - 1) + s[1] * 0.5 * (ux * ux - uy * uy) + s[2] * 2 * ux * uy +
                           s[3] * 2 * ux * uz + s[4] * 2 * uy * uz;
      char row[80];
      std::snprintf(row, sizeof row, "%4d %4s %4s %12.7f\n", r, a.resNames[i].c_str(), r == 1 ? "HB#" : "CA", shift);
      text += row;
    }
    korim_test::writeFile(table, text);
  }
};

TEST(PseudoContact, ShiftsOfAKnownTensorAreFittedBackAlsoWithInvalidShifts) {
  TempDir dir;
  PcsCase pc(dir.path);
  korim::structure::PDBInfo pdb;
  korim::structure::pdbNull(&pdb);
  ASSERT_EQ(korim::structure::readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr), 0);
  CSTable tab;
  ASSERT_EQ(readCS(pc.table.c_str(), &tab), 0);
  ASSERT_EQ(tab.pcsCount, 1);
  for (int round = 0; round < 2; round++) {
    ASSERT_EQ(buildPCS(&pdb, &tab), pc.nuclei - 2 * round);
    EXPECT_EQ(tab.csList[0].atomCount, 2);
    EXPECT_EQ(fitPCS(&pdb, &tab, 0), 0);
    for (int k = 0; k < 5; k++) EXPECT_NEAR(tab.pcsList[0].dTensor->saupe[k], pc.s[k], 1e-4) << round << " " << k;
    for (int i = 0; i < tab.csCount; i++)
      if (tab.csList[i].valid) { EXPECT_NEAR(tab.csList[i].predShift, tab.csList[i].shift, 1e-4) << i; }
    // Two shifts made invalid, with values that would spoil the fit if they took part.
    for (int i : {4, 9}) tab.csList[i].shift = 9999.0f;
    selectCS(tab.csList, tab.csCount, -1000, 1000);
  }
  // Fewer shifts than elements: no fit, zero tensor and predictions.
  selectCS(tab.csList, tab.csCount, 1, 4);
  ASSERT_EQ(buildPCS(&pdb, &tab), 4);
  fitPCS(&pdb, &tab, 0);
  EXPECT_EQ(std::vector<float>(tab.pcsList[0].dTensor->saupe, tab.pcsList[0].dTensor->saupe + 5), std::vector<float>(5, 0.0f));
  EXPECT_EQ(tab.csList[1].predShift, 0.0f);
  csTabFree(&tab);
  korim::structure::pdbFree(&pdb);
}

TEST(PseudoContact, WritersMatchTheirGoldenFiles) {
  TempDir dir;
  CSTable tab;
  const std::string in = korim_test::writeFile(dir / "cs.tab", std::string("DATA PARAMAGNETIC 5 LYS NZ S1 A\n") + kShiftFile);
  ASSERT_EQ(readCS(in.c_str(), &tab), 0);
  tab.csList[0].predShift = 4.0f;
  tab.csList[0].rcShift = 3.5f;
  tab.pcsList[0].dTensor->saupe[2] = 1.5e-3f;
  tab.pcsList[0].dTensor->da = -2.0f;
  EXPECT_EQ(writeCS((dir / "cs.out").c_str(), &tab, "test remark", 1), 0);
  EXPECT_EQ(writePCS((dir / "pcs.out").c_str(), &tab, nullptr, 0), 0);
  EXPECT_EQ(korim_test::readFile(dir / "cs.out"), korim_test::readFile(korim_test::testData("shifts/writecs_verbose.txt")));
  EXPECT_EQ(korim_test::readFile(dir / "pcs.out"), korim_test::readFile(korim_test::testData("shifts/writepcs.txt")));
  // An output that cannot be opened is reported and the table goes to standard output.
  std::string out;
  const std::string err = captureStderr([&] {
    out = captureStdout([&] { writeCS((dir / "no/dir/x").c_str(), &tab, nullptr, 0); });
  });
  EXPECT_EQ(err, "MERIDO Error opening output file " + (dir / "no/dir/x") + "\n");
  EXPECT_EQ(out.rfind("REMARK MERIDO Chemical Shift Simulation.\n\n", 0), 0u);
  csTabFree(&tab);
}

TEST(CouplingDriver, PredictsFitsAndWritesTablesThatReadBack) {
  TempDir dir;
  DTable dTab;
  korim::couplings::dTabNull(&dTab);
  ASSERT_EQ(korim::couplings::readDC(korim_test::kUbiquitinCouplings.c_str(), &dTab), 0);
  dTab.dTensor.tensorMode = 1;
  CSTable cs;
  ASSERT_EQ(readCS("None", &cs), 0);
  std::string err, out;
  int status = -1;
  const std::string outD = dir / "d.out";
  err = captureStderr([&] {
    out = captureStdout([&] {
      status = simDC_dc(&dTab, &cs, nullptr, outD.c_str(), nullptr, "", korim_test::kUbiquitinPdb.c_str(), 1, 72, 1,
                        2, nullptr, 0, 1, 0);
    });
  });
  ASSERT_EQ(status, 0) << err;
  int selected = 0;
  for (int i = 0; i < dTab.dCount; i++) selected += dTab.dObsList[i].resIDI <= 72;
  EXPECT_EQ(out, "REMARK " + std::to_string(selected) + " couplings selected (inclusive).\n");
  EXPECT_EQ(err.rfind("REMARK " + korim_test::kUbiquitinPdb + "(1->76 of 76)\nREMARK D_N:  " + std::to_string(selected) +
                          " D_RMS:  ",
                      0),
            0u)
      << err;
  // A structure fitted to its own measured couplings: RMS of a few Hz at most.
  float rms, chi2;
  int n;
  korim::couplings::getStatDC(dTab.dObsList, dTab.dCalcList, dTab.dCount, &rms, &chi2, &n);
  EXPECT_LT(rms, 3.0f);
  DTable back;
  korim::couplings::dTabNull(&back);
  ASSERT_EQ(korim::couplings::readDC(outD.c_str(), &back), 0);
  ASSERT_EQ(back.dCount, dTab.dCount);
  for (int i = 0; i < back.dCount; i++)
    if (dTab.dCalcList[i].valid) { EXPECT_NEAR(back.dObsList[i].d, dTab.dCalcList[i].d, 1e-4) << i; }
  korim::couplings::dTabFree(&back);
  // A structure that cannot be read.
  err = captureStderr([&] {
    status = simDC_dc(&dTab, &cs, nullptr, "", nullptr, "", (dir / "none.pdb").c_str(), 1, 72, 1, 2, nullptr, 0, 1, 0);
  });
  EXPECT_NE(status, 0);
  EXPECT_NE(err.find("DC Error Reading PDB File " + (dir / "none.pdb") + "\n"), std::string::npos) << err;
  korim::couplings::dTabFree(&dTab);
}

TEST(CouplingDriver, SearchReportKeepsTheBestPlacementPerMolecule) {
  reportSReset();
  DTable dTab;
  korim::couplings::dTabNull(&dTab);
  dTab.dTensor.da = 5.0f;
  DInfo obs[4], calc[4];
  korim::couplings::resetDC(obs, 4);
  korim::couplings::resetDC(calc, 4);
  for (int i = 0; i < 4; i++) obs[i].valid = calc[i].valid = 1, obs[i].d = 10.0f * i;
  // Placements of molecule 1 with coupling errors 2, 0.5 and 1 Hz: the second is the best; the
  // error 0 of molecule 2's only placement is compared afresh.
  const struct { int mol, aFirst; float err; } tries[] = {{1, 5, 2.0f}, {1, 6, 0.5f}, {1, 7, 1.0f}, {2, 3, 0.0f}};
  std::string rows, err;
  for (int t = 0; t < 4; t++) {
    for (int i = 0; i < 4; i++) calc[i].d = obs[i].d + tries[t].err;
    const bool last = t >= 2;
    FILE* tmp = std::tmpfile();
    err += captureStderr([&] {
      reportS(tmp, nullptr, nullptr, &dTab, nullptr, t + 1, tries[t].mol, "mol.pdb", 1, 4, 9, 4, 0, last ? 1 : 0, 1,
              tries[t].aFirst, tries[t].aFirst + 3, obs, calc, 4, nullptr, 0, 1.0f, 0.5f, 0, 0.25f);
    });
    std::rewind(tmp);
    char line[512];
    while (std::fgets(line, sizeof line, tmp)) rows += line;
    std::fclose(tmp);
  }
  EXPECT_EQ(dTab.dTensor.da, 0.0f);  // cleared before the row
  EXPECT_EQ(err,
            "mol.pdb         1    1    4    6    9  0.0000e+00  0.0000e+00     0.25    0.5000    0.0000    0.0000    0.0000\n"
            "mol.pdb         2    1    4    3    6  0.0000e+00  0.0000e+00     0.25    0.0000    0.0000    0.0000    0.0000\n");
  EXPECT_EQ(rows.rfind("VARS   SEGID INDEX", 0), 0u);
  EXPECT_NE(rows.find("    9     1   1   4    4    0 mol.pdb        5   8   0  0.0000e+00  0.0000e+00    0.00    "
                      "0.00    0.00    4   2.000      16.00    0   0.000       0.00      0.250   0      0.000   0 "
                      "     0.000\n"),
            std::string::npos)
      << rows;
}

}  // namespace
