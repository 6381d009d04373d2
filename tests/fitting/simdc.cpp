// Single best fit: the measured ubiquitin couplings fitted to their structure, and no run that
// lost its result table to a failed allocation may report success.
#include <gtest/gtest.h>

#include <string>

#include "couplings/dc.h"
#include "fitting/simdc.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
#include "tests/support/allocfail.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/text.h"

using namespace korim::couplings;
using namespace korim::structure;
using korim::settings::KorimInfo;

namespace {

// The structure and its couplings, mapped and selected as the program does before a best fit.
struct FitInput {
  PDBInfo pdb{};
  PDBSelectInfo sel{};
  DTable tab{};
  KorimInfo k{};
  int valid = 0;

  FitInput() {
    pdbNull(&pdb);
    pdbSelectNull(&sel);
    dTabNull(&tab);
    korim::settings::korimInfoNull(&k);
    if (readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr) != 0) return;
    if (readDC(korim_test::kUbiquitinCouplings.c_str(), &tab) != 0) return;
    selectD(tab.dObsList, tab.dCount, tab.dMinRes, tab.dMaxRes, 3);
    valid = buildDC(&pdb, &tab, 0, tab.dMinRes, nullptr, 0, k.allowFixedDI);
    sel.res1 = pdb.minResID;
    sel.resN = pdb.maxResID;
    pdbSelect(&pdb, &sel);
  }
};

// The coupling rows: the non-empty lines after the FORMAT line.
int rowCount(const std::string& table) {
  int rows = -1;
  for (const std::string& line : korim_test::lines(table)) {
    if (line.compare(0, 7, "FORMAT ") == 0) rows = 0;
    else if (rows >= 0 && !line.empty()) rows++;
  }
  return rows;
}

}  // namespace

TEST(SimDC, MeasuredCouplingsFitTheirStructure) {
  FitInput in;
  ASSERT_EQ(in.valid, 63);
  korim_test::TempDir dir;
  const std::string out = dir / "fit.tab";
  ASSERT_EQ(korim::fitting::simDC(&in.pdb, &in.sel, &in.tab, &in.k, "", out.c_str(), "", 0), 0);
  const std::string table = korim_test::readFile(out);
  EXPECT_EQ(rowCount(table), 63);
  // A structure refined against these couplings: an RMS near the measurement error (about 1 Hz).
  const size_t rms = table.find("DATA RMS");
  ASSERT_NE(rms, std::string::npos);
  EXPECT_LT(std::stod(table.substr(rms + 8)), 1.5);
}

TEST(SimDC, FewerThanFiveCouplingsAreNoFit) {
  FitInput in;
  ASSERT_EQ(in.valid, 63);
  // Keep four couplings: four equations cannot fix five order-matrix elements.
  for (int k = 4; k < in.tab.dCount; ++k) in.tab.dCalcList[k].valid = 0;
  korim_test::TempDir dir;
  const std::string out = dir / "fit.tab";
  int rc = 0;
  const std::string err = korim_test::captureStderr([&] {
    rc = korim::fitting::simDC(&in.pdb, &in.sel, &in.tab, &in.k, "", out.c_str(), "", 0);
  });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(err, "korim: 4 usable couplings are too few to fit an order matrix (5 or more).\n");
  EXPECT_FALSE(korim_test::fileExists(out));
}
