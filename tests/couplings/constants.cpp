// Dipolar interaction constants, row selection and the module workspace.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "couplings/dc.h"
#include "dc_test_util.h"
#include "foundation/memory.h"

using namespace korim::couplings;
using namespace dctest;

TEST(InteractionConstant, StandardBackboneLengths) {
    struct Case { int resI; const char* aI; int resJ; const char* aJ; double gI, gJ, r0; };
    const Case cases[] = {{7, "H", 7, "N", gH, gN, 1.041},   {7, "N", 7, "HN", gN, gH, 1.041},
                          {4, "HA", 4, "CA", gH, gC, 1.107}, {4, "CA", 4, "HA2", gC, gH, 1.107},
                          {4, "CA", 4, "N", gC, gN, 1.458},  {4, "C", 4, "CA", gC, gC, 1.525},
                          {6, "C", 7, "N", gC, gN, 1.329},   {6, "C", 7, "H", gC, gH, 2.085},
                          {8, "N", 7, "C", gN, gC, 1.329},   {8, "HN", 7, "C", gH, gC, 2.085}};
    for (const Case& c : cases) {
        float di = 0;
        int fixed = -1;
        EXPECT_EQ(findVariableDI(2.5f, c.resI, "", c.aI, c.resJ, "", c.aJ, &di, &fixed, 1), 0);
        EXPECT_EQ(fixed, 1) << c.aI << "-" << c.aJ;
        EXPECT_NEAR(di, physicalDI(c.gI, c.gJ, c.r0), 1e-5 * std::fabs(di)) << c.aI << "-" << c.aJ;
    }
    float di = 0;
    int fixed = 0;
    findFixedDI(7, "ALA", "H", 7, "ALA", "N", &di, &fixed);
    EXPECT_NEAR(di, -21585.2, 0.05);
}

TEST(InteractionConstant, StructureDistanceWhenNoStandardLengthApplies) {
    float di = 0;
    int fixed = -1;
    findVariableDI(1.02f, 7, "", "H", 7, "", "N", &di, &fixed, 0);  // standard lengths not allowed
    EXPECT_EQ(fixed, 0);
    EXPECT_NEAR(di, physicalDI(gH, gN, 1.02), 0.05);
    findVariableDI(2.4f, 7, "", "C", 6, "", "N", &di, &fixed, 1);  // C(i)-N(i-1): none
    EXPECT_EQ(fixed, 0);
    EXPECT_NEAR(di, physicalDI(gC, gN, 2.4), 0.01);
    findFixedDI(7, "", "C", 6, "", "N", &di, &fixed);  // and no distance: 0
    EXPECT_EQ(di, 0.0f);
    findVariableDI(1.8f, 3, "", "1HB", 3, "", "CB", &di, &fixed, 1);  // digit first: a proton
    EXPECT_NEAR(di, physicalDI(gH, gC, 1.8), 0.05);
}

TEST(InteractionConstant, UnknownNucleiAreReportedPerEnd) {
    float di = 0;
    int fixed = 0, status = -1;
    std::string err = captureStderr([&] { status = findVariableDI(2.0f, 3, "", "ZN", 3, "", "OX", &di, &fixed, 1); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Dipolar Interaction - Unknown atom ZN.\nDipolar Interaction - Unknown atom OX.\n");
    EXPECT_NEAR(di, 3.356809e-12 / 8.0, 1e-18);  // ratio 1 for both ends
    err = captureStderr([&] { status = findFixedDI(1, "", "h", 1, "", "N", &di, &fixed); });
    EXPECT_EQ(status, 1);  // names are case-sensitive
    EXPECT_EQ(err, "Dipolar Interaction - Unknown atom h.\n");
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

TEST(SelectD, ResidueRangeModes) {
    DInfo rows[3] = {row(5, 5, 1.0f), row(5, 6, 1.0f), row(4, 5, 1.0f)};
    EXPECT_EQ(selectD(rows, 3, 5, 5, 1), 1);
    EXPECT_EQ(rows[0].valid + 2 * rows[1].valid + 4 * rows[2].valid, 1);
    EXPECT_EQ(selectD(rows, 3, 5, 5, 2), 3);
    EXPECT_EQ(selectD(rows, 3, 5, 5, 3), 2);  // the larger end decides: 5-6 fails
    EXPECT_EQ(rows[1].valid, 0);
    EXPECT_EQ(selectD(rows, 0, 5, 5, 3), 0);
}

TEST(SelectD, ValueLimitsNonFiniteCouplingsAndUnknownNuclei) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    DInfo rows[7] = {row(1, 1, 900.0f), row(1, 1, 900.01f), row(1, 1, 9999.0f), row(1, 1, nan),
                     row(1, 1, -inf),   row(1, 1, -950.0f), row(1, 1, 3.0f, "O")};
    const int want[7] = {1, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(selectD(rows, 7, 1, 10, 1), 2);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(rows[k].valid, want[k]) << k;
}

TEST(DipolarWorkspace, RemadeForAnEqualRequestKeptForASmallerOne) {
    using namespace korim::foundation;
    dipolarFree();
    ASSERT_EQ(dipolarInit(10), 0);
    memoryFailAt(1);  // nothing is allocated for a smaller request
    EXPECT_EQ(dipolarInit(9), 0);
    memoryFailAt(0);
    memoryFailAt(1);
    int rc = 0;
    std::string err = captureStderr([&] { rc = dipolarInit(10); });
    memoryFailAt(0);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("MERIDO Error Allocating Dipolar Workspace.\n"), std::string::npos);
    const long long before = memoryBytesUsed();  // forgotten: the next request allocates
    EXPECT_EQ(dipolarInit(4), 0);
    EXPECT_EQ(memoryBytesUsed() - before, (5 * 4 + 5 + 4 + 1) * 4);
    EXPECT_EQ(dipolarFree(), 0);
    EXPECT_EQ(memoryBytesUsed(), before);
}
