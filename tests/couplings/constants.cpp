// Dipolar interaction constants, row selection and the module workspace.
#include <gtest/gtest.h>

#include <limits>

#include "dc_test_util.h"
#include "foundation/constants.h"
#include "foundation/memory.h"

using namespace korim::couplings;
using namespace dctest;

// The standard bond length where the pair has one (and it is allowed), the structure distance
// otherwise; the constant from the physical gyromagnetic ratios.
TEST(InteractionConstant, StandardLengthOrStructureDistance) {
  struct Case { float r; int allow, resI; const char* aI; int resJ; const char* aJ; double gI, gJ, len; int fixed; };
  const Case cases[] = {{2.5f, 1, 7, "H", 7, "N", gH, gN, 1.041, 1},   {2.5f, 1, 7, "N", 7, "HN", gN, gH, 1.041, 1},
                        {2.5f, 1, 4, "HA", 4, "CA", gH, gC, 1.107, 1}, {2.5f, 1, 4, "CA", 4, "HA2", gC, gH, 1.107, 1},
                        {2.5f, 1, 4, "CA", 4, "N", gC, gN, 1.458, 1},  {2.5f, 1, 4, "C", 4, "CA", gC, gC, 1.525, 1},
                        {2.5f, 1, 6, "C", 7, "N", gC, gN, 1.329, 1},   {2.5f, 1, 6, "C", 7, "H", gC, gH, 2.085, 1},
                        {2.5f, 1, 8, "N", 7, "C", gN, gC, 1.329, 1},   {2.5f, 1, 8, "HN", 7, "C", gH, gC, 2.085, 1},
                        {1.02f, 0, 7, "H", 7, "N", gH, gN, 1.02, 0},   // standard lengths not allowed
                        {2.4f, 1, 7, "C", 6, "N", gC, gN, 2.4, 0},     // C(i)-N(i-1) has none
                        {1.8f, 1, 3, "1HB", 3, "CB", gH, gC, 1.8, 0}}; // digit first: a proton
  for (const Case& c : cases) {
    float di = 0;
    int fixed = -1;
    EXPECT_TRUE(findVariableDI(c.r, c.resI, "", c.aI, c.resJ, "", c.aJ, &di, &fixed, c.allow) == 0 && fixed == c.fixed)
        << c.aI << "-" << c.aJ;
    EXPECT_NEAR(di, physicalDI(c.gI, c.gJ, c.len), 1e-5 * std::fabs(di)) << c.aI << "-" << c.aJ;
  }
  float di = 0;
  int fixed = 0;
  findFixedDI(7, "ALA", "H", 7, "ALA", "N", &di, &fixed);
  EXPECT_NEAR(di, -korim::foundation::kDipolarNH, 0.05);
  findFixedDI(7, "", "C", 6, "", "N", &di, &fixed);  // no standard length and no distance: 0
  EXPECT_EQ(di, 0.0f);
}

TEST(InteractionConstant, UnknownNucleiAreReportedPerEnd) {
  float di = 0;
  int fixed = 0, status = -1;
  std::string err = captureStderr([&] { status = findVariableDI(2.0f, 3, "", "ZN", 3, "", "OX", &di, &fixed, 1); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Dipolar Interaction - Unknown atom ZN.\nDipolar Interaction - Unknown atom OX.\n");
  EXPECT_NEAR(di, 3.356809e-12 / 8.0, 1e-18);  // ratio 1 for both ends
  err = captureStderr([&] { status = findFixedDI(1, "", "h", 1, "", "N", &di, &fixed); });
  EXPECT_TRUE(status == 1 && err == "Dipolar Interaction - Unknown atom h.\n") << err;  // names are case-sensitive
}

namespace {
DInfo row(int resI, int resJ, float d, const char* atomJ = "H") {
  DInfo r;
  resetDC(&r, 1);
  r.resIDI = resI;
  r.resIDJ = resJ;
  r.d = d;
  std::snprintf(r.atomNameI, 16, "N");
  std::snprintf(r.atomNameJ, 16, "%s", atomJ);
  return r;
}
}  // namespace

TEST(SelectD, ResidueRangesValueLimitsNonFiniteCouplingsAndUnknownNuclei) {
  DInfo range[3] = {row(5, 5, 1.0f), row(5, 6, 1.0f), row(4, 5, 1.0f)};
  EXPECT_EQ(selectD(range, 3, 5, 5, 1), 1);
  EXPECT_EQ(range[0].valid + 2 * range[1].valid + 4 * range[2].valid, 1);
  EXPECT_EQ(selectD(range, 3, 5, 5, 2), 3);
  EXPECT_TRUE(selectD(range, 3, 5, 5, 3) == 2 && range[1].valid == 0);  // the larger end decides: 5-6 fails
  EXPECT_EQ(selectD(range, 0, 5, 5, 3), 0);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  DInfo rows[7] = {row(1, 1, 900.0f), row(1, 1, 900.01f), row(1, 1, 9999.0f), row(1, 1, nan),
                   row(1, 1, -inf),   row(1, 1, -950.0f), row(1, 1, 3.0f, "O")};
  const int want[7] = {1, 0, 0, 0, 0, 1, 0};
  EXPECT_EQ(selectD(rows, 7, 1, 10, 1), 2);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(rows[k].valid, want[k]) << k;

  // A non-finite error or weight would make every fitted element NaN.
  DInfo bad[4] = {row(1, 1, 3.0f), row(1, 1, 3.0f), row(1, 1, 3.0f), row(1, 1, 3.0f)};
  bad[0].sigma = nan, bad[1].w = inf, bad[2].sigma = -inf, bad[3].sigma = bad[3].w = 1.0f;
  EXPECT_TRUE(selectD(bad, 4, 1, 10, 1) == 1 && bad[3].valid == 1);
}


// Repeated fits of one coupling set keep their workspace: no allocation for a request of its size.
TEST(DipolarWorkspace, KeptForARequestOfItsSize) {
  dipolarFree();
  ASSERT_EQ(dipolarInit(10), 0);
  const long long used = korim::foundation::memoryBytesUsed();
  EXPECT_TRUE(dipolarInit(10) == 0 && dipolarInit(9) == 0 && korim::foundation::memoryBytesUsed() == used);
  dipolarFree();
}
