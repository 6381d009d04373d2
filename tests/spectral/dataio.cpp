// Spectral data input and output: open modes, command streams, exact transfers, directories.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "spectral/dataio.h"
#include "spectral/fdatap.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

namespace sp = korim::spectral;
using korim_test::captureStderr;

namespace {

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
