// Stand-alone coupling driver on ubiquitin and its measured couplings, and the best placement
// kept by the segment-search report across calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "couplings/dc.h"
#include "restraints/cs.h"
#include "restraints/dcreport.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::restraints;
using korim::couplings::DInfo;
using korim::couplings::DTable;
using korim_test::captureStderr;
using korim_test::captureStdout;
using korim_test::TempDir;

namespace {

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
    if (dTab.dCalcList[i].valid) EXPECT_NEAR(back.dObsList[i].d, dTab.dCalcList[i].d, 1e-4) << i;
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
