// Tensor options of the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "foundation/cmndargs.h"

using namespace korim::couplings;

namespace {
struct Args {
    std::vector<std::string> words;
    std::vector<char*> argv;
    explicit Args(std::vector<std::string> w) : words(std::move(w)) {
        words.insert(words.begin(), "korim");
        for (auto& s : words) argv.push_back(s.data());
        argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words.size()); }
};

int parse(std::vector<std::string> w, DTensor* t, std::string* err = nullptr) {
    Args a(std::move(w));
    korim::foundation::nullArgs();
    std::FILE* tmp = std::tmpfile();
    std::fflush(stderr);
    const int saved = dup(fileno(stderr));
    dup2(fileno(tmp), fileno(stderr));
    const int rc = getDCTensorParams(a.argc(), a.argv.data(), t);
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    if (err != nullptr) {
        std::rewind(tmp);
        err->clear();
        char buf[256];
        while (std::fgets(buf, sizeof buf, tmp)) *err += buf;
    }
    std::fclose(tmp);
    return rc;
}
}  // namespace

TEST(TensorOptions, NoOptionKeepsDefaults) {
    DTensor t;
    std::string err;
    ASSERT_EQ(parse({}, &t, &err), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(t.tensorMode, 1);
    EXPECT_EQ(t.eulerFlag, 1);
    EXPECT_EQ(t.rhFlag, 0);
    EXPECT_FLOAT_EQ(t.da, 0.001f);
    EXPECT_FLOAT_EQ(t.daMin, -0.01f);
    EXPECT_FLOAT_EQ(t.daMax, 0.01f);
    EXPECT_FLOAT_EQ(t.dr, 0.0001f);
    EXPECT_FLOAT_EQ(t.rh, 0.5f);
    EXPECT_FLOAT_EQ(t.rhMax, 0.6666667f);
    EXPECT_FLOAT_EQ(t.psi, 45.0f);
    EXPECT_FLOAT_EQ(t.thetaMin, -360.0f);
    EXPECT_FLOAT_EQ(t.phiMax, 360.0f);
    for (float s : t.userSaupe) EXPECT_EQ(s, 0.0f);
}

TEST(TensorOptions, DaAloneSelectsDaDrWithPinnedMagnitudes) {
    DTensor t;
    ASSERT_EQ(parse({"-da", "0.002"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
    EXPECT_FLOAT_EQ(t.da, 0.002f);
    EXPECT_FLOAT_EQ(t.daMin, 0.002f);
    EXPECT_FLOAT_EQ(t.daMax, 0.002f);
    EXPECT_FLOAT_EQ(t.drMin, 0.0001f);
    EXPECT_FLOAT_EQ(t.drMax, 0.0001f);
    // rotations stay free
    EXPECT_FLOAT_EQ(t.psiMin, -360.0f);

    ASSERT_EQ(parse({"-svd", "-da", "0.001"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
}

TEST(TensorOptions, FixedPinsAnglesUnlessLimitsAreGiven) {
    DTensor t;
    ASSERT_EQ(parse({"-fixed", "-psi", "30"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorFixed);
    EXPECT_FLOAT_EQ(t.psiMin, 30.0f);
    EXPECT_FLOAT_EQ(t.psiMax, 30.0f);
    EXPECT_FLOAT_EQ(t.thetaMin, 45.0f);
    EXPECT_FLOAT_EQ(t.thetaMax, 45.0f);
    EXPECT_FLOAT_EQ(t.phiMin, 45.0f);
    EXPECT_FLOAT_EQ(t.daMin, t.daMax);

    ASSERT_EQ(parse({"-fixed", "-psiMin", "10"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorFixed);
    EXPECT_FLOAT_EQ(t.psiMin, 10.0f);
    EXPECT_FLOAT_EQ(t.psiMax, 45.0f);
}

TEST(TensorOptions, ModeSwitchPrecedenceAndEulerFlag) {
    DTensor t;
    ASSERT_EQ(parse({"-fixed", "-nofixed"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorNoFixed);
    ASSERT_EQ(parse({"-dadr", "-nofixed", "-fixed"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
    ASSERT_EQ(parse({"-noeuler", "-euler"}, &t), 0);
    EXPECT_EQ(t.eulerFlag, 0);
    ASSERT_EQ(parse({"-euler"}, &t), 0);
    EXPECT_EQ(t.eulerFlag, 1);
}

TEST(TensorOptions, SaupeTakesFiveValuesIncludingNegativeOnes) {
    DTensor t;
    ASSERT_EQ(parse({"-saupe", "-0.0004", "0.0002", "0.0001", "-0.0003", "0.0005", "-H"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorSaupe);
    const float want[5] = {-0.0004f, 0.0002f, 0.0001f, -0.0003f, 0.0005f};
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(t.userSaupe[k], want[k]);

    ASSERT_EQ(parse({"-align", "1e-3", "0", "0", "0", "2e-4"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorSaupe);
    EXPECT_FLOAT_EQ(t.userSaupe[0], 1e-3f);
    EXPECT_FLOAT_EQ(t.userSaupe[4], 2e-4f);

    // both given: the values after -saupe are used
    ASSERT_EQ(parse({"-align", "9", "9", "9", "9", "9", "-saupe", "1", "2", "3", "4", "5"}, &t), 0);
    EXPECT_FLOAT_EQ(t.userSaupe[0], 1.0f);
    EXPECT_FLOAT_EQ(t.userSaupe[4], 5.0f);
}

TEST(TensorOptions, SaupeWithWrongValueCountFails) {
    DTensor t;
    std::string err;
    EXPECT_EQ(parse({"-saupe", "1", "2", "3", "4", "-H", "-da", "0.003"}, &t, &err), 1);
    EXPECT_EQ(err, "MERIDO Error: -saupe option requires 5 values.\n");
    // settings read before the Saupe values stay
    EXPECT_FLOAT_EQ(t.da, 0.003f);
    EXPECT_EQ(parse({"-align", "1", "2", "3", "4", "5", "6"}, &t, &err), 1);
    EXPECT_EQ(err, "MERIDO Error: -saupe option requires 5 values.\n");
    EXPECT_EQ(parse({"-saupe"}, &t, &err), 1);
}

TEST(TensorOptions, NullTensorIsIgnored) {
    EXPECT_EQ(parse({"-saupe", "1"}, nullptr), 0);
}
