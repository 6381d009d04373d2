// Dipolar interaction constants, row selection and the module workspace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <unistd.h>

#include "couplings/dc.h"
#include "foundation/memory.h"

using namespace korim::couplings;

namespace {
// Independent physical constant: mu0/(4 pi) * hbar / (2 pi) * 2 = 1e-7 * hbar / pi, with r in A.
const double kHbar = 1.054571817e-34;
const double kPref = 1e-7 * kHbar / 3.14159265358979323846 * 1e30;
const double gH = 2.675198e8, gN = -2.7116e7, gC = 6.7283e7;
double physical(double g1, double g2, double r) { return kPref * g1 * g2 / (r * r * r); }

// Captures what a call writes to stderr.
template <class F>
std::string captureStderr(F f) {
    std::FILE* tmp = std::tmpfile();
    std::fflush(stderr);
    const int saved = dup(fileno(stderr));
    dup2(fileno(tmp), fileno(stderr));
    f();
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::rewind(tmp);
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, tmp)) out += buf;
    std::fclose(tmp);
    return out;
}
}  // namespace

TEST(InteractionConstant, AmideNHFromStandardLength) {
    float di = 0;
    int fixed = -1;
    EXPECT_EQ(findVariableDI(2.5f, 7, "ALA", "H", 7, "ALA", "N", &di, &fixed, 1), 0);
    EXPECT_EQ(fixed, 1);
    EXPECT_NEAR(di, physical(gH, gN, 1.041), 0.05);
    EXPECT_NEAR(di, -21585.2, 0.05);
    // the other order and the HN spelling
    EXPECT_EQ(findVariableDI(0.0f, 7, "", "N", 7, "", "HN", &di, &fixed, 1), 0);
    EXPECT_NEAR(di, -21585.2, 0.05);
    // without standard lengths the structure distance counts
    EXPECT_EQ(findVariableDI(1.02f, 7, "", "H", 7, "", "N", &di, &fixed, 0), 0);
    EXPECT_EQ(fixed, 0);
    EXPECT_NEAR(di, physical(gH, gN, 1.02), 0.05);
}

TEST(InteractionConstant, BackboneTableRows) {
    float di = 0;
    int fixed = 0;
    findFixedDI(4, "", "HA", 4, "", "CA", &di, &fixed);
    EXPECT_EQ(fixed, 1);
    EXPECT_NEAR(di, physical(gH, gC, 1.107), 0.1);
    findFixedDI(4, "", "CA", 4, "", "HA2", &di, &fixed);
    EXPECT_NEAR(di, physical(gH, gC, 1.107), 0.1);
    findFixedDI(4, "", "CA", 4, "", "N", &di, &fixed);
    EXPECT_NEAR(di, physical(gC, gN, 1.458), 0.05);
    findFixedDI(4, "", "C", 4, "", "CA", &di, &fixed);
    EXPECT_NEAR(di, physical(gC, gC, 1.525), 0.05);
    // C(i)-N(i+1) and C(i)-H(i+1), I before J
    findFixedDI(6, "", "C", 7, "", "N", &di, &fixed);
    EXPECT_EQ(fixed, 1);
    EXPECT_NEAR(di, physical(gC, gN, 1.329), 0.05);
    findFixedDI(6, "", "C", 7, "", "H", &di, &fixed);
    EXPECT_NEAR(di, physical(gC, gH, 2.085), 0.05);
    findFixedDI(8, "", "N", 7, "", "C", &di, &fixed);
    EXPECT_NEAR(di, physical(gC, gN, 1.329), 0.05);
    // C of residue 7 with N of residue 6: no standard length, distance 0 gives 0
    findFixedDI(7, "", "C", 6, "", "N", &di, &fixed);
    EXPECT_EQ(fixed, 0);
    EXPECT_EQ(di, 0.0f);
    float d2 = 0;
    findVariableDI(2.4f, 7, "", "C", 6, "", "N", &d2, &fixed, 1);
    EXPECT_EQ(fixed, 0);
    EXPECT_NEAR(d2, physical(gC, gN, 2.4), 0.01);
    // names are exact: "h" is not a proton
    std::string err = captureStderr([&] { findFixedDI(1, "", "h", 1, "", "N", &di, &fixed); });
    EXPECT_EQ(err, "Dipolar Interaction - Unknown atom h.\n");
}

TEST(InteractionConstant, NucleusFromSecondCharacterAndUnknownAtoms) {
    float di = 0;
    int fixed = 0;
    EXPECT_EQ(findVariableDI(1.8f, 3, "", "1HB", 3, "", "CB", &di, &fixed, 1), 0);
    EXPECT_NEAR(di, physical(gH, gC, 1.8), 0.05);
    int status = -1;
    std::string err = captureStderr([&] {
        status = findVariableDI(2.0f, 3, "", "ZN", 3, "", "OX", &di, &fixed, 1);
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Dipolar Interaction - Unknown atom ZN.\nDipolar Interaction - Unknown atom OX.\n");
    EXPECT_NEAR(di, 3.356809e-12 / 8.0, 1e-18);  // gamma 1 for both ends
    err = captureStderr([&] { status = findVariableDI(2.0f, 3, "", "ZN", 3, "", "N", &di, &fixed, 1); });
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(di, 3.356809e-12 * gN / 8.0, 1e-9);
    // zero distance gives a zero constant
    findVariableDI(0.0f, 3, "", "CB", 3, "", "HB", &di, &fixed, 1);
    EXPECT_EQ(di, 0.0f);
}

namespace {
DInfo row(int resI, int resJ, float d) {
    DInfo r;
    resetDC(&r, 1);
    r.resIDI = resI;
    r.resIDJ = resJ;
    r.d = d;
    std::snprintf(r.atomNameI, 16, "N");
    std::snprintf(r.atomNameJ, 16, "H");
    return r;
}
}  // namespace

TEST(SelectD, ResidueRangeModes) {
    DInfo rows[3] = {row(5, 5, 1.0f), row(5, 6, 1.0f), row(4, 5, 1.0f)};
    EXPECT_EQ(selectD(rows, 3, 5, 5, 1), 1);
    EXPECT_EQ(rows[0].valid, 1);
    EXPECT_EQ(rows[1].valid, 0);
    EXPECT_EQ(rows[2].valid, 0);
    EXPECT_EQ(selectD(rows, 3, 5, 5, 2), 3);
    EXPECT_EQ(selectD(rows, 3, 5, 5, 3), 2);
    EXPECT_EQ(rows[1].valid, 0);  // larger end 6 is outside
    EXPECT_EQ(rows[2].valid, 1);
    EXPECT_EQ(selectD(rows, 0, 5, 5, 3), 0);
}

TEST(SelectD, ValueLimitsAndNonFiniteCouplings) {
    DInfo rows[6] = {row(1, 1, 900.0f),
                     row(1, 1, 900.01f),
                     row(1, 1, kDcMissing),
                     row(1, 1, std::numeric_limits<float>::quiet_NaN()),
                     row(1, 1, -std::numeric_limits<float>::infinity()),
                     row(1, 1, -950.0f)};
    rows[0].valid = 0;  // validity is set anew
    EXPECT_EQ(selectD(rows, 6, 1, 10, 1), 2);
    EXPECT_EQ(rows[0].valid, 1);
    EXPECT_EQ(rows[1].valid, 0);
    EXPECT_EQ(rows[2].valid, 0);
    EXPECT_EQ(rows[3].valid, 0);
    EXPECT_EQ(rows[4].valid, 0);
    EXPECT_EQ(rows[5].valid, 1);
}

TEST(SelectD, UnknownNucleusNeverSelected) {
    DInfo rows[2] = {row(1, 1, 3.0f), row(1, 1, 3.0f)};
    std::snprintf(rows[1].atomNameJ, 16, "O");
    EXPECT_EQ(selectD(rows, 2, 1, 10, 1), 1);
    EXPECT_EQ(rows[1].valid, 0);
}

TEST(DipolarWorkspace, RemadeForEqualRequestKeptForSmaller) {
    using namespace korim::foundation;
    dipolarFree();
    ASSERT_EQ(dipolarInit(10), 0);
    // smaller request: nothing is allocated, so an armed failure does not matter
    memoryFailAt(1);
    EXPECT_EQ(dipolarInit(9), 0);
    memoryFailAt(0);
    // equal request: made anew; a failing allocation is reported
    memoryFailAt(1);
    int rc = 0;
    std::string err = captureStderr([&] { rc = dipolarInit(10); });
    memoryFailAt(0);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("MERIDO Error Allocating Dipolar Workspace.\n"), std::string::npos);
    // the workspace is forgotten: the next request allocates again
    const long long before = memoryBytesUsed();
    EXPECT_EQ(dipolarInit(4), 0);
    EXPECT_EQ(memoryBytesUsed() - before, (5 * 4 + 5 + 4 + 1) * 4);
    const long long held = memoryBytesUsed();
    EXPECT_EQ(dipolarFree(), 0);
    EXPECT_EQ(held - memoryBytesUsed(), (5 * 4 + 5 + 4 + 1) * 4);
}
