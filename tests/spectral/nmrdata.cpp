// NMR data input and output (open modes, command streams, exact transfers, directories), the
// header (parameter codes, byte order, repair, the file size check), and positions in Hz, ppm,
// percent and points against a hand-worked axis.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "spectral/dataio.h"
#include "spectral/fdatap.h"
#include "spectral/specunit.h"
#include "spectral/testsize.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

namespace sp = korim::spectral;
using korim_test::captureStderr;

namespace {

struct Hdr {
    float w[sp::kHdrWords] = {};
};

// A complete 4-D header as fixfdata makes it from the sizes alone.
Hdr fourDHeader() {
    Hdr h;
    h.w[sp::kWordSize1] = 64;
    h.w[sp::kWordSize2] = 32;
    h.w[sp::kWordSize3] = 8;
    h.w[sp::kWordSize4] = 4;
    h.w[sp::kWordDimCount] = 4;
    sp::fixfdata(h.w);
    return h;
}

// The header as read back with the data routines from a file of its bytes.
Hdr readBack(const std::string& name) {
    Hdr back;
    sp::UNIT in;
    EXPECT_EQ(sp::dataOpen(name.c_str(), &in, sp::kModeRead), 0);
    EXPECT_EQ(sp::DataRead(in, back.w, sp::kHdrBytes), 0);
    sp::dataClose(in);
    return back;
}

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

// No child process is left to reap (command streams are waited for on close).
bool noChildren() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

}  // namespace

TEST(SpecDataIO, CommandStreams) {
    sp::UNIT unit;
    ASSERT_EQ(sp::dataOpen("!printf abc", &unit, sp::kModeRead), 0);
    char buf[4] = {};
    EXPECT_EQ(sp::dataReadC(unit, buf, 3), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(sp::dataClose(unit), 0);
    EXPECT_TRUE(noChildren());

    // A pipe delivers in pieces; one request still gets all of it.
    std::vector<float> big(75000, 1.0f);
    ASSERT_EQ(sp::dataOpen("!head -c 300000 /dev/zero", &unit, sp::kModeRead), 0);
    EXPECT_EQ(sp::DataRead(unit, big.data(), 300000), 0);
    EXPECT_EQ(big[74999], 0.0f);
    sp::dataClose(unit);
    EXPECT_TRUE(noChildren());

    EXPECT_NE(captureStderr([&] { EXPECT_EQ(sp::dataOpen("!cat", &unit, sp::kModeReadWrite), 1); }).find("DATAIO POPEN Error"),
              std::string::npos);
    EXPECT_EQ(unit, -1);

    // Names read from files never run commands.
    korim_test::TempDir dir;
    const std::string mark = dir / "ran";
    const std::string name = "!touch " + mark;
    captureStderr([&] { EXPECT_EQ(sp::dataOpenFile(name.c_str(), &unit, sp::kModeRead), 1); });
    EXPECT_FALSE(korim_test::fileExists(mark));
}

TEST(SpecDataIO, ShortFileIsAnError) {
    korim_test::TempDir dir;
    const std::string name = korim_test::writeFile(dir / "k1000", std::string(1000, 'x'));
    sp::UNIT unit;
    ASSERT_EQ(sp::dataOpen(name.c_str(), &unit, sp::kModeRead), 0);
    float hdr[sp::kHdrWords];
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::DataRead(unit, hdr, 2048), 1); }),
              "DATAIO File Read Error 0.\nRequest: 2048 Actual: 1000.\n");
    sp::dataClose(unit);
}

TEST(SpecDataIO, OpenModes) {
    korim_test::TempDir dir;
    struct Case { const char* file; bool exists; int mode; int status; const char* after; };
    const Case cases[] = {
        {"a", false, sp::kModeOpenOrCreate, 0, ""},     {"b", true, sp::kModeOpenOrCreate, 0, "keep"},
        {"c", false, sp::kModeWrite, 1, nullptr},       {"d", false, sp::kModeCreateKeep, 0, ""},
        {"e", true, sp::kModeCreateKeep, 0, "keep"},    {"f", true, sp::kModeCreate, 0, ""},
        {"g", false, sp::kModeRead, 1, nullptr},
    };
    for (const Case& c : cases) {
        const std::string name = dir / c.file;
        if (c.exists) korim_test::writeFile(name, "keep");
        sp::UNIT unit = 99;
        captureStderr([&] { EXPECT_EQ(sp::dataOpen(name.c_str(), &unit, c.mode), c.status) << c.file; });
        if (c.status != 0) {
            EXPECT_EQ(unit, -1);
            EXPECT_FALSE(korim_test::fileExists(name)) << c.file;
            continue;
        }
        EXPECT_GT(unit, 2);
        EXPECT_EQ(sp::dataClose(unit), 0);
        EXPECT_EQ(korim_test::readFile(name), c.after) << c.file;
    }
    EXPECT_EQ(sp::dataClose(0), 0);
    EXPECT_EQ(sp::dataClose(-1), 0);
}

TEST(SpecDataIO, EnvironmentSettings) {
    sp::dataIOReset();
    unsetenv("NMR_IO_SELECT");
    unsetenv("NMR_IO_TIMEOUT");
    EXPECT_TRUE(sp::initDataIO() == 0 && sp::getSelectFlag() == 1);
    setenv("NMR_IO_TIMEOUT", "30", 1);
    EXPECT_TRUE(sp::initDataIO() == 2 && sp::getDefTimeout() == 30);
    setenv("NMR_IO_SELECT", "0", 1);
    EXPECT_TRUE(sp::initDataIO() == 3 && sp::getSelectFlag() == 0);
    unsetenv("NMR_IO_SELECT");
    unsetenv("NMR_IO_TIMEOUT");
    sp::dataIOReset();
}

TEST(SpecDataIO, DirectoriesOfLongNames) {
    korim_test::TempDir dir;
    std::string deep = dir.path;
    for (int i = 0; i < 4; i++) {
        deep += "/" + std::string(90, 'd');
        ASSERT_EQ(sp::dirCreate(deep.c_str()), 0);
    }
    const std::string file = korim_test::writeFile(deep + "/" + std::string(200, 'f'), "x");
    ASSERT_EQ(sp::dirCreate((deep + "/sub").c_str()), 0);
    EXPECT_EQ(sp::delDirContents(deep.c_str()), 0);
    EXPECT_FALSE(korim_test::fileExists(file));
    EXPECT_TRUE(korim_test::fileExists(deep + "/sub"));
    const std::string err = captureStderr([&] { EXPECT_EQ(sp::delDirContents((dir / "none").c_str()), -1); });
    EXPECT_EQ(err.rfind("DATAIO Error opening dir ", 0), 0u);
    EXPECT_EQ(sp::delFile((dir / "none").c_str()), 0);
}

TEST(SpecDataIO, ReadOneDimensionalComplexFile) {
    korim_test::TempDir dir;
    float hdr[sp::kHdrWords] = {};
    hdr[sp::kWordSize1] = 4;
    sp::fixfdata(hdr);
    const float values[] = {1, 2, 3, 4, -1, -2, -3, -4};
    const std::string name = dir / "fid";
    korim_test::writeFile(name, std::string(reinterpret_cast<const char*>(hdr), sp::kHdrBytes) +
                                    std::string(reinterpret_cast<const char*>(values), sizeof values));
    float* data = nullptr;
    int size = 0, quad = 0;
    ASSERT_EQ(sp::read1D(name.c_str(), &data, &size, &quad), 0);
    ASSERT_TRUE(size == 4 && quad == 2);
    EXPECT_EQ(std::vector<float>(data, data + 8), std::vector<float>(values, values + 8));
}

TEST(SpecDataIO, OpenByLetters) {
    korim_test::TempDir dir;
    const std::string name = korim_test::writeFile(dir / "old", "old text");
    sp::UNIT unit;
    // "W" alone: read-write, created and truncated.
    EXPECT_EQ(sp::dataOpen2(name.c_str(), &unit, "W"), 0);
    ASSERT_GT(unit, 0);
    EXPECT_EQ(sp::dataWriteC(unit, "new", 3), 0);
    sp::dataClose(unit);
    EXPECT_EQ(korim_test::readFile(name), "new");
    // Exclusive creation of an existing file fails with unit -1.
    captureStderr([&] { sp::dataOpen2(name.c_str(), &unit, "wce"); });
    EXPECT_EQ(unit, -1);
    // Without "w" the file is read-only.
    sp::dataOpen2(name.c_str(), &unit, "a");
    ASSERT_GT(unit, 0);
    captureStderr([&] { EXPECT_EQ(sp::dataWriteC(unit, "x", 1), 1); });
    sp::dataClose(unit);
}

TEST(SpecHeader, EveryCodeAndTextSurvivesFileAndByteSwap) {
    korim_test::TempDir dir;
    Hdr h = fourDHeader();
    for (int code = sp::kParmFirst; code <= sp::kParmLast; code++) {
        if (sp::isHdrStr(code)) continue;
        for (int d = 1; d <= 4; d++)
            ASSERT_EQ(sp::setParm(h.w, code, 3.0f + 10 * code + d, d), 0) << code << " " << d;
    }
    const char* labels[] = {"1H", "15N", "13C", "CO"};
    for (int d = 1; d <= 4; d++) sp::setParmStr(h.w, sp::kParmLabel, labels[d - 1], d);
    const std::string longText(200, 'q');
    const int textWords[] = {286, 290, 297, 312, 464};
    for (int word : textWords) sp::setParmStr(h.w, word, longText.c_str(), 0);

    Hdr back = readBack(korim_test::writeFile(dir / "all.ft4", std::string(reinterpret_cast<const char*>(h.w), sp::kHdrBytes)));
    ASSERT_EQ(std::memcmp(back.w, h.w, sp::kHdrBytes), 0);
    sp::swapHdr(back.w);
    ASSERT_NE(std::memcmp(back.w, h.w, sp::kHdrBytes), 0);
    EXPECT_EQ(sp::testHdr(back.w), 1);
    for (int code = sp::kParmFirst; code <= sp::kParmLast; code++) {
        if (sp::isHdrStr(code)) continue;
        for (int d = 1; d <= 4; d++)
            EXPECT_EQ(sp::getParm(back.w, code, d), 3.0f + 10 * code + d) << code << " " << d;
    }
    for (int d = 1; d <= 4; d++) EXPECT_STREQ(sp::getParmStr(back.w, sp::kParmLabel, d), labels[d - 1]);
    // Each text field holds exactly its capacity of the long text.
    const int capacities[] = {16, 16, 60, 160, 32};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(std::string(sp::getParmStr(back.w, textWords[i], 0)), longText.substr(0, capacities[i]));
}

TEST(SpecHeader, WordLocationsFromTheLayout) {
    Hdr h = fourDHeader();
    // (code, dimension, word) as laid out for location sets 1..4 in default order.
    const int cases[][3] = {{1003, 1, 100}, {1003, 2, 229}, {1004, 3, 12}, {1005, 4, 28},
                            {1007, 2, 55},  {1016, 3, 400}, {1024, 4, 483}, {1013, -2, 67}};
    for (const auto& c : cases) {
        sp::setParm(h.w, c[0], 77.0f, c[1]);
        EXPECT_EQ(h.w[c[2]], 77.0f) << c[0];
    }
    h.w[sp::kWordTransposed] = 1;
    EXPECT_EQ(sp::getParm(h.w, 1003, 9), h.w[229]);
    EXPECT_EQ(sp::getParm(h.w, 1003, 10), h.w[100]);
    EXPECT_EQ(sp::getParm(h.w, sp::kParmSize, -1), h.w[219]);
    sp::setParm(h.w, sp::kParmCenter, 0.0f, 1);
    EXPECT_EQ(h.w[79], -666.0f);
    EXPECT_EQ(sp::getParm(h.w, sp::kParmCenter, 1), 0.0f);
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::getParm(h.w, 1003, 7), 0.0f); }),
              "GetDim Error: bad dim 7.\nGetParm Error: bad dim 0.\n");
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::setParm(h.w, 1500, 1.0f, 1), 1); }),
              "SetParm Error: bad ND code 1500.\n");
}

TEST(SpecHeader, ReadableTexts) {
    Hdr h = fourDHeader();
    struct Case { int code, dim; float v; const char* text; };
    const Case cases[] = {
        {106, 0, 0, "Complex"},    {106, 0, 5, "5=Unknown"},  {256, 0, 2, "States"},
        {221, 0, 1, "Transposed"}, {1006, 1, 1, "Freq"},      {1006, 2, 0, "Time"},
        {1016, 1, 3, "GM"},        {414, 0, 9, "9=Unknown"},  {1007, 1, 1, "Real"},
    };
    for (const Case& c : cases) {
        sp::setParm(h.w, c.code, c.v, c.dim);
        EXPECT_STREQ(sp::getParmStr(h.w, c.code, c.dim), c.text) << c.code;
    }
    h.w[64] = 2;
    h.w[56] = 0;
    EXPECT_STREQ(sp::getParmStr(h.w, 56, 0), "States-TPPI");
    EXPECT_STREQ(sp::getParmStr(h.w, 1007, 1), "States-TPPI");
    EXPECT_EQ(sp::getAxis(h.w, "y_axis"), 2);
    sp::setParmStr(h.w, sp::kParmLabel, "15N", 3);
    EXPECT_EQ(sp::getAxis(h.w, "15n"), 3);
    EXPECT_EQ(sp::getAxis(h.w, "W"), -666);
    // A plain word code takes text only up to the end of the header.
    sp::setParmStr(h.w, 510, "abcdefghijklmnop", 0);
    EXPECT_STREQ(sp::getParmStr(h.w, 510, 0), "ab");
}

TEST(SpecHeader, ByteOrderTestAndRepair) {
    Hdr h = fourDHeader();
    h.w[sp::kWordOrder] = 0.0f;
    EXPECT_EQ(sp::testHdr(h.w), 0);
    const std::pair<int, float> bad[] = {{sp::kWordSize1, 0.0f}, {sp::kWordSize1, 2.5f}, {sp::kWordOrder, 7.0f}};
    for (auto [word, value] : bad) {
        Hdr b = fourDHeader();
        b.w[word] = value;
        for (int swapped = 0; swapped < 2; swapped++, sp::swapHdr(b.w)) {
            // Invalid in either byte order: the header comes back as it was given.
            Hdr given = b;
            EXPECT_EQ(sp::testHdr(b.w), 2) << word << " " << value << " " << swapped;
            EXPECT_EQ(std::memcmp(b.w, given.w, sp::kHdrBytes), 0);
        }
    }

    Hdr zero;
    EXPECT_TRUE(sp::fixfdata(zero.w) == 1 && sp::isNullHdr(zero.w) == 1);
    Hdr one;
    one.w[sp::kWordSize1] = 256;
    EXPECT_EQ(sp::fixfdata(one.w), 0);
    EXPECT_EQ((std::vector<float>(one.w + 24, one.w + 28)), (std::vector<float>{2, 1, 3, 4}));
    EXPECT_EQ(one.w[sp::kWordDimCount], 1.0f);
    for (int d = 2; d <= 4; d++) EXPECT_EQ(sp::getParm(one.w, sp::kParmSize, d), 1.0f);
    for (int d = 1; d <= 4; d++) EXPECT_STREQ(sp::getParmStr(one.w, sp::kParmLabel, d), std::string(1, "XYZA"[d - 1]).c_str());
}

TEST(SpecHeader, PredictedSizeAndShortFile) {
    Hdr h;
    h.w[sp::kWordSize1] = 512;
    h.w[sp::kWordSize2] = 128;
    h.w[sp::kWordDimCount] = 2;
    sp::fixfdata(h.w);
    sp::FileSize fs;
    EXPECT_EQ(sp::getNMRBytes(h.w, 0, &fs), 526336.0);
    EXPECT_TRUE(fs.iTotalBytes == 526336 && fs.blockCount == 514 && fs.byteCount == 0);

    korim_test::TempDir dir;
    const std::string name = dir / "short.ft2";
    korim_test::writeFile(name, std::string(526332, '\0'));
    const std::string err = captureStderr([&] { EXPECT_EQ(sp::testNMRin(name.c_str(), h.w, 0, 1), 1); });
    EXPECT_EQ(err, "\nFile Size Check Error: Insufficient Data in " + name +
                       "\nPredicted Size: 526336 bytes.\nAvailable Size: 526332 bytes.\n\n");
    korim_test::writeFile(name, std::string(526336, '\0'));
    EXPECT_EQ(sp::testNMRin(name.c_str(), h.w, 0, 1), 0);
    EXPECT_EQ(sp::testNMRin((dir / "none").c_str(), h.w, 0, 0), -1);
}

// A header written in the other byte order (big-endian words, text fields as bytes):
// 8 x 4 complex points, SW 6000/1500 Hz, OBS 600.13/60.8 MHz, labels "HN" and "15N".
TEST(SpecHeader, OtherByteOrderFileReadsCorrectly) {
    const std::string name = korim_test::testData("spectral/bigendian_8x4.fid");
    Hdr h = readBack(name);
    ASSERT_EQ(sp::testHdr(h.w), 1);
    EXPECT_EQ(h.w[sp::kWordFormat], 4008636160.0f);
    EXPECT_EQ((std::vector<float>{sp::getParm(h.w, sp::kParmSize, 1), sp::getParm(h.w, sp::kParmSize, 2),
                                  sp::getParm(h.w, sp::kParmSw, 2), sp::getParm(h.w, sp::kParmObs, 1)}),
              (std::vector<float>{8, 4, 1500, 600.13f}));
    EXPECT_STREQ(sp::getParmStr(h.w, sp::kParmLabel, 2), "15N");
    EXPECT_STREQ(sp::getParmStr(h.w, sp::kParmFtFlag, 1), "Freq");
    EXPECT_STREQ(sp::getParmStr(h.w, 286, 0), "golden header");
    EXPECT_EQ(sp::getQuad(h.w, sp::kWordQuad, 0), 2);
    EXPECT_EQ(sp::testNMRin(name.c_str(), h.w, 0, 1), 0);
}

TEST(SpecUnit, PositionsOnAHandWorkedAxis) {
    // SW 1000 Hz over 1000 points ending at 0 Hz: point k lies at 1000 - k Hz.
    Axis1D a(1000, 1000, 0, 500);
    struct Case { const char* text; int clip; float point; };
    const Case cases[] = {
        {"999 Hz", 0, 1},     {"0 Hz", 0, 1000},    {"-1 Hz", 0, 1},      {"-1 Hz", 1, 1000},
        {"1 ppm", 0, 500},    {"250Hz", 2, 750},    {"1e12 Hz", 1, 1},    {"-3000 Hz", 0, 1000}, {"2500 Hz", 0, 500},
        {"inf Hz", 1, 0},     {"inf Hz", 0, 0},     {"12.5 pts", 0, 12.5f}, {"7", 0, 7},
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

    // Numbers that are not finite, or beyond the float range, name no position: refused as an
    // unknown unit is; their finite neighbours are read.
    struct Number { const char* text; float point; int bad; };
    const Number numbers[] = {{"nan ppm", 0, 1}, {"-inf %", 0, 1}, {"1e39", 0, 1}, {"-1e39 Hz", 0, 1},
                              {"3.4e38", 3.4e38f, 0}, {"-1e12 Hz", 100000000100.0f, 0}};
    for (const Number& n : numbers) {
        EXPECT_FLOAT_EQ(sp::spec2rPnt2(a100.w, 1, n.text, 2), n.point) << n.text;
        EXPECT_EQ(sp::getBadSpecUnits(), n.bad) << n.text;
    }
    char* nanArgv[] = {(char*)"prog", (char*)"-xn", (char*)"nan", (char*)"-w", (char*)"3e38ppm"};
    float xn = 5, wide = 6;
    EXPECT_EQ(captureStderr([&] {
                  EXPECT_EQ(sp::specFltArgD(5, nanArgv, "-xn", &xn, a101.w, 1), 0);
                  EXPECT_EQ(sp::wideFltArgD(5, nanArgv, "-w", &wide, a101.w, 1), 0);  // 3e38 x 101 x 500 / 1000
              }),
              "SpecUnit Error: -xn value nan is not a finite number.\n"
              "SpecUnit Error: -w value 3e38ppm gives no finite number of points.\n");
    EXPECT_TRUE(xn == 5 && wide == 6);

    char* argv[] = {(char*)"prog", (char*)"-x1", (char*)"25%", (char*)"-w", (char*)"3 bogus"};
    int x1 = 0, w = 9;
    EXPECT_EQ(sp::specArgD(5, argv, "-x1", &x1, a101.w, 1), 1);
    EXPECT_EQ(x1, 26);
    const std::string err = captureStderr([&] { EXPECT_EQ(sp::wideArgD(5, argv, "-w", &w, a101.w, 1), 0); });
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
