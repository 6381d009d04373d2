// Spectral units: positions in Hz, ppm, percent and points against the hand-worked axis.
#include <gtest/gtest.h>

#include <cmath>

#include "spectral/fdatap.h"
#include "spectral/specunit.h"
#include "tests/support/capture.h"

namespace sp = korim::spectral;

namespace {

// One real dimension of N points, sweep width SW Hz, origin ORIG Hz, observe OBS MHz.
struct Axis1D {
    float w[sp::kHdrWords] = {};
    Axis1D(float n, float sw, float orig, float obs) {
        w[sp::kWordSize1] = n;
        sp::fixfdata(w);
        sp::setParm(w, sp::kParmSw, sw, 1);
        sp::setParm(w, sp::kParmOrig, orig, 1);
        sp::setParm(w, sp::kParmObs, obs, 1);
        sp::setParm(w, sp::kParmQuadFlag, 1, 1);
    }
};

}  // namespace

TEST(SpecUnit, PositionsOnAHandWorkedAxis) {
    // SW 1000 Hz over 1000 points ending at 0 Hz: point k lies at 1000 - k Hz.
    Axis1D a(1000, 1000, 0, 500);
    struct Case { const char* text; int clip; float point; };
    const Case cases[] = {
        {"999 Hz", 0, 1},     {"0 Hz", 0, 1000},    {"-1 Hz", 0, 1},      {"-1 Hz", 1, 1000},
        {"1 ppm", 0, 500},    {"250Hz", 2, 750},    {"1e12 Hz", 1, 1},    {"-3000 Hz", 0, 1000}, {"2500 Hz", 0, 500},
        {"inf Hz", 1, 1},     {"inf Hz", 0, 1},     {"12.5 pts", 0, 12.5f}, {"7", 0, 7},
    };
    for (const Case& c : cases) EXPECT_NEAR(sp::spec2rPnt2(a.w, 1, c.text, c.clip), c.point, 1e-3) << c.text;
    EXPECT_FLOAT_EQ(sp::rPnt2spec(a.w, 1, 1, "Hz"), 999);
    EXPECT_FLOAT_EQ(sp::rPnt2spec(a.w, 1, 501, "ppm"), 499.0f / 500.0f);
    for (float p = 1; p <= 1000; p += 37.25f) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f ppm", sp::rPnt2spec(a.w, 1, p, "ppm"));
        EXPECT_NEAR(sp::spec2rPnt(a.w, 1, text), p, 1e-3) << text;
    }
    EXPECT_FLOAT_EQ(sp::specWidth2rPnt(a.w, 1, "0.2 ppm"), 100);
    EXPECT_FLOAT_EQ(sp::rPnt2specWidth(a.w, 1, 100, "Hz"), 100);
}

TEST(SpecUnit, PercentPointsAndBadUnits) {
    Axis1D a101(101, 1000, 0, 500), a100(100, 1000, 0, 500);
    EXPECT_FLOAT_EQ(sp::spec2rPnt2(a101.w, 1, "50 %", 0), 51);
    EXPECT_FLOAT_EQ(sp::spec2rPnt2(a100.w, 1, "101", 1), 100);
    EXPECT_FLOAT_EQ(sp::spec2rPnt2(a100.w, 1, "101", 0), 1);
    EXPECT_FLOAT_EQ(sp::spec2rPnt2(a100.w, 1, "5 parsecs", 0), 0);
    EXPECT_EQ(sp::getBadSpecUnits(), 1);
    EXPECT_EQ(sp::hasSpecLabel("4.7 ppm"), 1);
    EXPECT_EQ(sp::hasSpecLabel("4.7 furlongs"), 0);
    EXPECT_EQ(sp::hasSpecLabel(("1 " + std::string(500, 'x')).c_str()), 0);
    char label[8];
    sp::getSpecLabel(sp::getSpecUnits("wl-NM"), label);
    EXPECT_STREQ(label, "WL-nm");

    char* argv[] = {(char*)"prog", (char*)"-x1", (char*)"25%", (char*)"-w", (char*)"3 bogus"};
    int x1 = 0, w = 9;
    EXPECT_EQ(sp::specArgD(5, argv, "-x1", &x1, a101.w, 1), 1);
    EXPECT_EQ(x1, 26);
    const std::string err = korim_test::captureStderr([&] { EXPECT_EQ(sp::wideArgD(5, argv, "-w", &w, a101.w, 1), 0); });
    EXPECT_EQ(err, "SpecUnit Error: bad units.\n");
    EXPECT_EQ(w, 9);
}

TEST(SpecUnit, InterleavedDimensionAndOrigin) {
    float h[sp::kHdrWords] = {};
    h[sp::kWordSize1] = 512;
    h[sp::kWordSize2] = 512;
    sp::fixfdata(h);
    sp::setParm(h, sp::kParmSw, 1000, 2);
    sp::setParm(h, sp::kParmQuadFlag, 0, 1);
    sp::setParm(h, sp::kParmQuadFlag, 0, 2);
    ASSERT_EQ(sp::isInterleaved(h, 2), 1);
    // 256 frequency points; frequency point 10 is stored at 19.
    const float hz10 = sp::rPnt2spec(h, 2, 19, "Hz");
    char text[32];
    std::snprintf(text, sizeof text, "%f Hz", hz10);
    EXPECT_FLOAT_EQ(sp::spec2rPnt(h, 2, text), 19);
    EXPECT_FLOAT_EQ(hz10 - sp::rPnt2spec(h, 2, 21, "Hz"), 1000.0f / 256);

    sp::setParm(h, sp::kParmSize, 1024, 1);
    sp::setParm(h, sp::kParmSw, 1000, 1);
    sp::setParm(h, sp::kParmObs, 500, 1);
    sp::setParm(h, sp::kParmCar, 4.7f, 1);
    sp::setParm(h, sp::kParmCenter, 513, 1);
    sp::updateOrig(h, 1);
    EXPECT_NEAR(sp::getParm(h, sp::kParmOrig, 1), 2350 - 1000.0 * 511 / 1024, 1e-3);
}
