// Tensor options of the command line.
#include <gtest/gtest.h>

#include "couplings/dc.h"
#include "dc_test_util.h"

using namespace korim::couplings;
using dctest::captureStderr;
using dctest::tensorOptions;

TEST(TensorOptions, NoOptionKeepsTheDefaults) {
    DTensor t;
    std::string err = captureStderr([&] { EXPECT_EQ(tensorOptions({}, &t), 0); });
    EXPECT_EQ(err, "");
    EXPECT_EQ(t.tensorMode, kTensorSVD);
    EXPECT_EQ(t.eulerFlag, 1);
    EXPECT_FLOAT_EQ(t.daMin, -0.01f);  // limits open: nothing pinned
    EXPECT_FLOAT_EQ(t.thetaMax, 360.0f);
}

TEST(TensorOptions, MagnitudesSelectDaDrAndPinTheirLimits) {
    DTensor t;
    ASSERT_EQ(tensorOptions({"-da", "0.002"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
    EXPECT_FLOAT_EQ(t.daMin, 0.002f);
    EXPECT_FLOAT_EQ(t.daMax, 0.002f);
    EXPECT_FLOAT_EQ(t.drMin, 0.0001f);
    EXPECT_FLOAT_EQ(t.drMax, 0.0001f);
    EXPECT_FLOAT_EQ(t.psiMin, -360.0f);  // rotations stay free
    ASSERT_EQ(tensorOptions({"-svd", "-da", "0.001"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
    // a nonlinear mode already chosen is kept, with open limits
    ASSERT_EQ(tensorOptions({"-nofixed", "-dr", "-2e-4"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorNoFixed);
    EXPECT_FLOAT_EQ(t.dr, -2e-4f);
    EXPECT_FLOAT_EQ(t.drMax, 0.01f);
}

TEST(TensorOptions, FixedPinsAnglesUnlessLimitsAreGiven) {
    DTensor t;
    ASSERT_EQ(tensorOptions({"-fixed", "-psi", "30"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorFixed);
    EXPECT_FLOAT_EQ(t.psiMin, 30.0f);
    EXPECT_FLOAT_EQ(t.psiMax, 30.0f);
    EXPECT_FLOAT_EQ(t.thetaMin, 45.0f);
    EXPECT_FLOAT_EQ(t.phiMax, 45.0f);
    EXPECT_FLOAT_EQ(t.daMin, t.daMax);
    ASSERT_EQ(tensorOptions({"-fixed", "-psiMin", "10"}, &t), 0);
    EXPECT_FLOAT_EQ(t.psiMin, 10.0f);
    EXPECT_FLOAT_EQ(t.psiMax, 45.0f);
}

TEST(TensorOptions, SwitchPrecedence) {
    DTensor t;
    ASSERT_EQ(tensorOptions({"-fixed", "-nofixed"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorNoFixed);
    ASSERT_EQ(tensorOptions({"-dadr", "-nofixed", "-fixed", "-svd"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorDaDr);
    ASSERT_EQ(tensorOptions({"-noeuler", "-euler"}, &t), 0);
    EXPECT_EQ(t.eulerFlag, 0);
}

TEST(TensorOptions, SaupeValues) {
    DTensor t;
    ASSERT_EQ(tensorOptions({"-saupe", "-0.0004", "0.0002", "0.0001", "-0.0003", "0.0005", "-H"}, &t), 0);
    EXPECT_EQ(t.tensorMode, kTensorSaupe);
    const float want[5] = {-0.0004f, 0.0002f, 0.0001f, -0.0003f, 0.0005f};
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(t.userSaupe[k], want[k]);
    ASSERT_EQ(tensorOptions({"-align", "9", "9", "9", "9", "9", "-saupe", "1", "2", "3", "4", "5"}, &t), 0);
    EXPECT_FLOAT_EQ(t.userSaupe[0], 1.0f);  // -saupe wins over -align
    EXPECT_FLOAT_EQ(t.userSaupe[4], 5.0f);
    ASSERT_EQ(tensorOptions({"-align", "1e-3", "0", "0", "0", "2e-4"}, &t), 0);
    EXPECT_FLOAT_EQ(t.userSaupe[4], 2e-4f);
}

TEST(TensorOptions, SaupeWithoutFiveValuesFails) {
    DTensor t;
    const std::string msg = "MERIDO Error: -saupe option requires 5 values.\n";
    int rc = 0;
    std::string err = captureStderr([&] { rc = tensorOptions({"-saupe", "1", "2", "3", "4", "-da", "0.003"}, &t); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(err, msg);
    EXPECT_FLOAT_EQ(t.da, 0.003f);  // what was read before stays
    err = captureStderr([&] { rc = tensorOptions({"-align", "1", "2", "3", "4", "5", "6"}, &t); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(err, msg);
    err = captureStderr([&] { rc = tensorOptions({"-saupe"}, &t); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(tensorOptions({"-saupe", "1"}, nullptr), 0);
}
