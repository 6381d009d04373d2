// Pipeline process support: sizes, the header update and its options, progress, messages, shutdown.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "spectral/dataio.h"
#include "spectral/tessmar.h"
#include "tests/support/capture.h"
#include "tests/support/children.h"
#include "tests/support/files.h"

namespace sp = korim::spectral;
using korim_test::captureStderr;

namespace {

int callCount = 0;
int countCalls(sp::ProcDataInfo*) {
    callCount++;
    return 0;
}

// A process record over a 2-D complex header of 256 x 128, reading and writing streams.
struct Proc {
    std::vector<std::string> words;
    std::vector<char*> argv;
    std::unique_ptr<sp::ProcDataInfo> d = std::make_unique<sp::ProcDataInfo>();
    sp::ProcFuncInfo f{countCalls, "TEST", "test function", ""};
    explicit Proc(std::vector<std::string> args) : words(std::move(args)) {
        words.insert(words.begin(), "proc");
        for (std::string& w : words) argv.push_back(w.data());
        *d = sp::ProcDataInfo{};
        d->fdata[sp::kWordSize1] = 256;
        d->fdata[sp::kWordSize2] = 128;
        sp::fixfdata(d->fdata);
        d->argc = static_cast<int>(argv.size());
        d->argv = argv.data();
        d->inSock = d->outSock = d->serverSock = d->serverMsgSock = -1;
        for (sp::ServerInfo& s : d->server) s.sock = -1;
        d->fnName = const_cast<char*>("TEST");
        sp::initNMRSizes(d->fdata, d.get());
        korim::foundation::initArgs(d->argc, d->argv, 0);
    }
};

}  // namespace

TEST(SpecProc, SizesOfATwoDimensionalStream) {
    Proc p({});
    const sp::ProcDataInfo& d = *p.d;
    EXPECT_EQ((std::vector<int>{d.size, d.specnum, d.sliceCount, d.firstPlane, d.lastPlane, d.quadState}),
              (std::vector<int>{256, 128, 128, 1, 1, 2}));
}

// Sizes below 1 and vector or plane counts past an int are refused, not wrapped into a slice
// count of 0 or below; the largest whole-file count that fits is taken.
TEST(SpecProc, SizesThatNoSliceCountHoldsAreRefused) {
    const std::string past = " vectors are more than a slice count can hold.\n";
    const struct { float sizes[4]; float wholeFile; std::string err; int sliceCount, lastPlane; } cases[] = {
        {{65536, 65536, 65536, 65536}, 1, "Tessmar Error: 65536 x 65536 x 65536" + past, 0, 0},
        {{65536, 65536, 65536, 65536}, 0, "Tessmar Error: 65536 x 65536 x 65536" + past, 0, 0},
        {{256, 0, 4, 4}, 1, "Tessmar Error: size 0 of dimension 2 is not 1 or more.\n", 0, 0},
        {{8, 1291, 1291, 1291}, 1, "Tessmar Error: 1291 x 1291 x 1291" + past, 0, 0},
        {{8, 1290, 1290, 1290}, 1, "", 2146689000, 1664100},
        {{8, 1290, 1290, 1290}, 0, "", 1290, 1664100}};
    for (const auto& c : cases) {
        Proc p({});
        p.d->fdata[sp::kWordDimCount] = 4;
        p.d->fdata[sp::kWordWholeFile] = c.wholeFile;
        for (int dim = 1; dim <= 4; dim++) sp::setParm(p.d->fdata, sp::kParmSize, c.sizes[dim - 1], dim);
        int status = -1;
        EXPECT_EQ(captureStderr([&] { status = sp::initNMRSizes(p.d->fdata, p.d.get()); }), c.err) << c.sizes[1];
        EXPECT_EQ(status, c.err.empty() ? 0 : 1) << c.sizes[1];
        EXPECT_TRUE(!c.err.empty() || (p.d->sliceCount == c.sliceCount && p.d->lastPlane == c.lastPlane));
    }
}

TEST(SpecProc, HeaderUpdateOptions) {
    Proc p({"-fdata", "100", "2.0", "-select", "90", "10"});
    p.d->fdata[sp::kWordStage] = 3;
    p.d->verbose = 1;
    callCount = 0;
    const std::string err = captureStderr([&] { EXPECT_EQ(sp::updateHeader(&p.f, p.d.get()), 0); });
    EXPECT_EQ(err, "FDATA[100] 256.000000 --> 2.000000\n");
    EXPECT_TRUE(p.d->fdata[99] == 2.0f && p.d->fdata[sp::kWordStage] == 4.0f);
    EXPECT_TRUE(p.d->selX1[1] == 10 && p.d->selXN[1] == 90 && p.d->selectMode == 1);
    EXPECT_TRUE(p.d->sliceCode == sp::kSliceHdrUpdate && callCount == 1);

    Proc named({"-fn", "FT", "-select", "5"});
    named.d->inName = const_cast<char*>("in.ft2");
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::updateHeader(&named.f, named.d.get()), 0); }),
              "Tessmar Warning: bad arguments for -select option.\n");
    EXPECT_TRUE(named.d->selectMode == 0 && named.d->fdata[sp::kWordStage] == 1.0f);

    // Bad word numbers; values and -select positions that are not finite or have no known unit
    // (the first pair of a refused -fdata list is not stored either).
    const std::vector<std::vector<std::string>> refused = {
        {"-fdata", "0", "7"}, {"-fdata", "513", "7"}, {"-fdata", "-3", "7"}, {"-fdata", "x", "7"},
        {"-fdata", "10", "nan"}, {"-fdata", "10", "inf"}, {"-fdata", "10", "-1e39"},
        {"-fdata", "100", "2.0", "10", "nan"}, {"-select", "nan", "inf"}, {"-select", "4", "5parsecs"}};
    for (const std::vector<std::string>& words : refused) {
        const std::string word = words[1] + " " + words[2];
        Proc bad(words);
        float before[sp::kHdrWords];
        std::memcpy(before, bad.d->fdata, sizeof before);
        const std::string msg = captureStderr([&] { EXPECT_EQ(sp::updateHeader(&bad.f, bad.d.get()), 1); });
        EXPECT_NE(msg.find(words[0]), std::string::npos) << word;
        before[sp::kWordStage] = bad.d->fdata[sp::kWordStage];
        EXPECT_EQ(std::memcmp(before, bad.d->fdata, sizeof before), 0) << word;
    }
    Proc largest({"-fdata", "10", "-3.4e38"});
    EXPECT_EQ(sp::updateHeader(&largest.f, largest.d.get()), 0);
    EXPECT_EQ(largest.d->fdata[9], -3.4e38f);
}

TEST(SpecProc, DataTypeConversions) {
    // -dt on complex x complex: the second dimension loses its imaginaries.
    Proc dt({});
    dt.d->typeFlags[1] = 1;
    sp::updateHeader(&dt.f, dt.d.get());
    EXPECT_TRUE(sp::getParm(dt.d->fdata, sp::kParmSize, 2) == 64.0f && dt.d->outQuadState == 1);
    // -ai on real x real adds imaginaries in the first dimension only.
    Proc ai({});
    sp::setParm(ai.d->fdata, sp::kParmQuadFlag, 1, 1);
    sp::setParm(ai.d->fdata, sp::kParmQuadFlag, 1, 2);
    ai.d->typeFlags[5] = 1;
    sp::updateHeader(&ai.f, ai.d.get());
    EXPECT_TRUE(ai.d->typeFlags[3] == 1 && ai.d->typeFlags[4] == 0 && ai.d->outQuadState == 2);
    EXPECT_EQ(sp::getParm(ai.d->fdata, sp::kParmQuadFlag, 1), 0.0f);
}

TEST(SpecProc, ProgressLine) {
    Proc p({});
    p.d->verbose = 2;
    p.d->verbInc = 10;
    p.d->sliceCount = 25;
    sp::nmrAuxReset();
    const std::string err = captureStderr([&] {
        for (int s = 1; s <= 25; s++) {
            p.d->sliceCode = s;
            sp::showSlice(&p.f, p.d.get());
        }
    });
    EXPECT_EQ(err, "TEST        1 of 25     \rTEST       10 of 25     \rTEST       20 of 25     \r"
                   "TEST       25 of 25     \r\n");
}

TEST(SpecProc, NullHeaderAndScaleRewrite) {
    korim_test::TempDir dir;
    const std::string name = dir / "out.ft2";
    Proc p({});
    p.d->outName = const_cast<char*>(name.c_str());
    ASSERT_EQ(sp::dataOpen(name.c_str(), &p.d->outUnit, sp::kModeCreate), 0);
    ASSERT_EQ(sp::DataWrite(p.d->outUnit, p.d->fdata, sp::kHdrBytes), 0);
    p.d->scaleFlag = 1;
    p.d->max = 9.5f;
    p.d->min = -2.0f;
    EXPECT_EQ(sp::updateScale(p.d.get()), 0);
    sp::dataClose(p.d->outUnit);
    const std::string bytes = korim_test::readFile(name);
    ASSERT_EQ(bytes.size(), 2048u);
    float back[sp::kHdrWords];
    std::memcpy(back, bytes.data(), sizeof back);
    EXPECT_TRUE(back[247] == 9.5f && back[252] == -2.0f && back[250] == 1.0f);

    // To a named file only the record's header is cleared.
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::sendNullHdr(p.d.get()), 0); }), "");
    EXPECT_EQ(sp::isNullHdr(p.d->fdata), 1);
    // To a stream the null header goes down the pipe.
    Proc s({});
    const std::string piped = dir / "piped";
    ASSERT_EQ(sp::dataOpen(("!cat > " + piped).c_str(), &s.d->outUnit, sp::kModeWrite), 0);
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::sendNullHdr(s.d.get()), 0); }),
              "Tessmar Aborting with null header.\n");
    sp::dataClose(s.d->outUnit);
    EXPECT_EQ(korim_test::readFile(piped), std::string(2048, '\0'));
}

TEST(SpecProc, NotifierRunsWithArgumentVector) {
    korim_test::TempDir dir;
    korim_test::adoptOrphans();
    const std::string log = dir / "notified";
    korim_test::writeFile(dir / "notify-stub", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + log + "\n");
    chmod((dir / "notify-stub").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (dir.path + ":" + oldPath).c_str(), 1);
    setenv("NMR_NOTIFIER", "notify-stub", 1);
    Proc p({});
    p.d->x11Flag = 1;
    const std::string message = "it's $(touch " + dir / "ran" + ") done";
    p.d->message = const_cast<char*>(message.c_str());
    EXPECT_EQ(sp::showInfo(p.d.get()), 0);
    ASSERT_TRUE(korim_test::reapChildren(30));
    EXPECT_EQ(korim_test::readFile(log), "-label\nTEST\n" + message + "\n");
    EXPECT_FALSE(korim_test::fileExists(dir / "ran"));

    setenv("NMR_NOTIFIER", "no-such-notifier", 1);
    const std::string err = captureStderr([&] { EXPECT_NE(sp::showInfo(p.d.get()), 0); });
    EXPECT_EQ(err.rfind("Tessmar Error running notifier no-such-notifier", 0), 0u);
    unsetenv("NMR_NOTIFIER");
    p.d->x11Flag = 0;
    EXPECT_EQ(captureStderr([&] { sp::showInfo(p.d.get()); }), "TEST: " + message + "\n");
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_TRUE(korim_test::reapChildren(30));
}

TEST(SpecProc, ShutdownReportsStatus) {
    Proc p({});
    sp::initNMRAux(p.d->argc, p.d->argv, &p.f, p.d.get(), nullptr);
    EXPECT_EXIT(sp::shutDownPipe(3), testing::ExitedWithCode(3), "Tessmar Error Status: 3\nTessmar Function TEST\n");
    p.d->debug = 1;
    EXPECT_EXIT(sp::shutDownPipe(0), testing::ExitedWithCode(0), "Tessmar Exiting, Status: 0\n");
    sp::nmrAuxReset();
}
