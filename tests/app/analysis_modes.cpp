// Pieces of the analysis modes: coupling pairing, the order-matrix combination, refused inputs.
// (The charge labels are checked by IFaceUbq.ChargeMarksAtTheThresholds, the allocation failures
// by AllocationFailures.AnalysisModes, the arithmetic by the program test CouplingArithmetic.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/analyze_dc.h"
#include "app/compare_saupe.h"
#include "settings/settings_null.h"
#include "tests/support/capture.h"

using namespace korim::app;
using namespace korim::settings;
using korim::couplings::DInfo;
using korim::couplings::DTable;

namespace {

DInfo coupling(int res, const char* a, const char* b, float d, int valid) {
  DInfo c{};
  c.resIDI = c.resIDJ = res;
  std::snprintf(c.atomNameI, sizeof c.atomNameI, "%s", a);
  std::snprintf(c.atomNameJ, sizeof c.atomNameJ, "%s", b);
  c.d = d;
  c.valid = valid;
  return c;
}

}  // namespace

TEST(AdjustDC, PairsSelectedCouplingsAndSkipsMissingPartners) {
  DInfo obs1[] = {coupling(1, "N", "H", 4.0f, 1), coupling(2, "N", "H", 6.0f, 0),
                  coupling(3, "N", "H", 999.5f, 1), coupling(4, "N", "H", 1.0f, 1)};
  DInfo calc1[4] = {};
  // Residue 4's only partner holds the missing marker, which the selection leaves out; residue 1
  // has two, the last one counts.
  DInfo obs2[] = {coupling(1, "N", "H", 7.0f, 0), coupling(2, "N", "H", 1.0f, 1),
                  coupling(1, "N", "H", 2.0f, 1), coupling(4, "N", "H", 9999.0f, 0), coupling(3, "N", "H", 1.0f, 1)};
  DTable t1{}, t2{};
  t1.dObsList = obs1, t1.dCalcList = calc1, t1.dCount = 4;
  t2.dObsList = obs2, t2.dCount = 5;
  EXPECT_EQ(adjustDC(kOpSub, 1.0f, 1.0f, &t1, &t2), 1);
  EXPECT_EQ(calc1[0].valid, 1);
  EXPECT_FLOAT_EQ(calc1[0].d, 2.0f);
  EXPECT_EQ(calc1[1].valid, 0);  // paired but not selected
  EXPECT_EQ(obs1[2].valid, 1);   // 999 Hz or more: left as it was
  EXPECT_EQ(obs1[3].valid, 0);
  EXPECT_EQ(calc1[3].valid, 0);
}

TEST(AddSaupe, MaxTakesTheLargerTensorAndDivisionByZeroIsRefused) {
  const double small[5] = {1e-4, 0, 0, 0, 0}, large[5] = {-2e-4, 1e-4, 0, 0, 0};
  double s[5];
  ASSERT_EQ(addSaupe(kOpMax, 1.0f, 3.0f, small, large, s), 0);
  EXPECT_DOUBLE_EQ(s[0], -6e-4);
  EXPECT_DOUBLE_EQ(s[1], 3e-4);
  const std::string err = korim_test::captureStderr(
      [&] { EXPECT_EQ(addSaupe(kOpDiv, 1.0f, 1.0f, large, small, s), 1); });
  EXPECT_NE(err.find("element 2 of the combined order matrix is not a number"), std::string::npos);
}

TEST(CompareSaupe, RefusesAHingeRowOutsideZeroToThree) {
  KorimInfo k;
  korimInfoNull(&k);
  k.rotN = 4;
  DTable t{};
  const double s[5] = {1e-3, 0, 0, 0, 0};
  const float hinge[3] = {0, 0, 0};
  float twist[3] = {0, 0, 0};
  const std::string err = korim_test::captureStderr(
      [&] { EXPECT_EQ(compareSaupe(&k, s, s, "", &t, hinge, twist, ""), 1); });
  EXPECT_EQ(err, "korim: -rotID 4 names no hinge row (0 to 3).\n");
}
