// Reading coupling tables: columns, defaults, markers, work space and bad inputs.
#include <gtest/gtest.h>

#include "dc_test_util.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "tests/support/allocfail.h"

using namespace korim::couplings;
using namespace dctest;

namespace {
int read(const std::string& path, DTable* t, std::string* err = nullptr) {
  dTabNull(t);
  int rc = -1;
  const std::string e = captureStderr([&] { rc = readDC(path.c_str(), t); });
  if (err != nullptr) *err = e;
  return rc;
}
}  // namespace

TEST(ReadDC, NoneOrEmptyNameReadsNothing) {
  DTable t;
  for (const char* name : {"", "None", "NONE", "none", "nOnE"})
    EXPECT_TRUE(read(name, &t) == 0 && t.dObsList == nullptr && t.dCount == 0) << name;
}

TEST(ReadDC, MissingOptionalColumnsTakeTheirDefaults) {
  DTable t;
  std::string err;
  ASSERT_EQ(read(testData("dc/no_optional.tab"), &t, &err), 0);
  EXPECT_EQ(err, "");
  ASSERT_EQ(t.dCount, 3);
  for (int k = 0; k < 3; ++k) {
    const DInfo& r = t.dObsList[k];
    EXPECT_TRUE(r.id == k + 1 && r.valid == 1 && r.count == 1 && r.absFlag == 0) << k;
    // weights, S, force constant and error 1
    EXPECT_TRUE(r.d == k + 1.0f && r.w == 1.0f && r.s == 1.0f && r.fc == 1.0f && r.sigma == 1.0f) << k;
    EXPECT_EQ(t.dCalcList[k].valid, 0);
  }
  // H-N and CA-HA of one residue: standard constants; CB-HB: none (no distance yet)
  EXPECT_TRUE(t.dObsList[0].diFixedFlag == 1 && t.dObsList[1].diFixedFlag == 1);
  EXPECT_NEAR(t.dObsList[1].di, physicalDI(gC, gH, 1.107), 0.1);
  EXPECT_TRUE(t.dObsList[2].diFixedFlag == 0 && t.dObsList[2].di == 0.0f);
  EXPECT_TRUE(t.dMinRes == 7 && t.dMaxRes == 9 && t.nullChainName == 1 && t.nullSegName == 1);
  dTabFree(&t);
}

TEST(ReadDC, ValueColumnsTruncationNullsAndStandardConstants) {
  DTable t;
  ASSERT_EQ(read(testData("dc/values.tab"), &t), 0);
  ASSERT_EQ(t.dCount, 3);
  const DInfo* r = t.dObsList;
  // INDEX and ABS truncate toward zero
  EXPECT_TRUE(r[0].id == 3 && r[1].id == -3 && r[2].id == 12 && r[0].absFlag == 2 && r[1].absFlag == -1);
  EXPECT_TRUE(r[0].d == -4.25f && r[1].d == 9999.0f);  // the file's null marker reads as the missing coupling
  // H-N of residue 7: the DI column is overridden by the standard constant; C(6)-N(7): the
  // peptide-bond length; C(7)-N(6): no standard length, the DI column stands
  EXPECT_TRUE(r[0].diFixedFlag == 1 && r[1].diFixedFlag == 1 && r[2].diFixedFlag == 0 && r[2].di == -1234.5f);
  EXPECT_NEAR(r[0].di, -korim::foundation::kDipolarNH, 0.05);
  EXPECT_NEAR(r[1].di, physicalDI(gC, gN, 1.329), 0.05);
  const float cols[4] = {r[0].sigma, r[0].s, r[0].w, r[0].fc}, want[4] = {0.5f, 0.9f, 2.0f, 3.0f};
  for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(cols[k], want[k]) << k;
  EXPECT_EQ(std::string(r[1].resNameI) + r[1].chainNameJ, "GLYA");
  EXPECT_TRUE(t.nullChainName == 0 && t.nullSegName == 1 && t.dMinRes == 6 && t.dMaxRes == 7);
  dTabFree(&t);
}

// A plain pair counts 1 atom pair, one group expression 9, two 81; the release gives back what
// the read took.
TEST(ReadDC, AtomExpressionsWidenTheWorkSpace) {
  const long long before = korim::foundation::memoryBytesUsed();
  DTable t;
  ASSERT_EQ(read(testData("dc/expressions.tab"), &t), 0);
  EXPECT_TRUE(t.dCount == 4 && t.maxCount == 1 + 9 + 81 + 1);
  EXPECT_EQ(std::string(t.dObsList[1].atomNameJ) + t.dObsList[2].atomNameI, "HB#HB*");
  dTabFree(&t);
  EXPECT_TRUE(korim::foundation::memoryBytesUsed() == before && t.work == nullptr);
}

TEST(ReadDC, RowsWithoutResidueNumbersDoNotSetTheRange) {
  DTable t;
  ASSERT_EQ(read(testData("dc/one_residue_end.tab"), &t), 0);
  EXPECT_TRUE(t.dObsList[0].resIDJ == kNoResID && t.dMinRes == -3 && t.dMaxRes == 15);
  dTabFree(&t);
}

TEST(ReadDC, UnknownNucleusRowIsUnusedWhereverItStands) {
  for (int bad = 0; bad < 2; ++bad) {
    DTable t;
    std::string err;
    EXPECT_EQ(read(testData(bad == 0 ? "dc/unknown_first.tab" : "dc/unknown_last.tab"), &t, &err), 0) << bad;
    EXPECT_EQ(err, "Dipolar Interaction - Unknown atom O.\n");
    ASSERT_EQ(t.dCount, 2);
    EXPECT_TRUE(t.dObsList[bad].valid == 0 && t.dObsList[1 - bad].valid == 1) << bad;
    EXPECT_EQ(selectD(t.dObsList, 2, 1, 100, 1), 1);  // and row selection keeps it out
    EXPECT_EQ(t.dObsList[bad].valid, 0);
    dTabFree(&t);
  }
}

// A table without rows, a non-number and a short row: each is named and the table refused, so
// no missing coupling can enter a fit as 0 Hz. (A missing file: cli FailingRun.MessagesStatusAndNoResult.)
TEST(ReadDC, BadFilesAreRefusedWithTheirMessage) {
  const std::string empty = testData("dc/no_rows.tab"), bad = testData("dc/bad_number.tab");
  const std::pair<std::string, std::string> cases[] = {
      {empty, "RdTable Error: no entries in " + empty + "\n"},
      {bad, "RdTable Warning: Bad F-Item 5:\n   5    N    5    H    abc\n\n"
            "RdTable Warning: Bad F-Item 5:\n   6    N    6    H\n\n"
            "RdTable Error: 2 bad items in " + bad + "\n"}};
  for (const auto& [path, want] : cases) {
    DTable t;
    std::string err;
    EXPECT_NE(read(path, &t, &err), 0) << path;
    EXPECT_NE(err.find(want), std::string::npos) << err;
    EXPECT_TRUE(t.dCount == 0 && t.dObsList == nullptr) << path;
    dTabFree(&t);
  }
}

