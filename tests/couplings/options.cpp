// Tensor options of the command line.
#include <gtest/gtest.h>

#include "dc_test_util.h"

using namespace korim::couplings;
using dctest::captureStderr;
using dctest::tensorOptions;

// Mode and search limits: magnitudes given select Da/Dr and pin them (a nonlinear mode already
// chosen is kept, with open limits); -fixed pins every start value unless a limit is given;
// later switches win in the order -svd, -saupe/-align, -fixed, -nofixed, -dadr.
TEST(TensorOptions, ModesAndLimits) {
  struct Case { std::vector<std::string> args; int mode; float daMin, daMax, drMin, drMax, psiMin, psiMax, thetaMin; };
  const Case cases[] = {
      {{}, kTensorSVD, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-da", "0.002"}, kTensorDaDr, 0.002f, 0.002f, 0.0001f, 0.0001f, -360, 360, -360},
      {{"-svd", "-dr", "3e-4"}, kTensorDaDr, 0.001f, 0.001f, 3e-4f, 3e-4f, -360, 360, -360},
      {{"-nofixed", "-dr", "-2e-4"}, kTensorNoFixed, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-fixed", "-psi", "30"}, kTensorFixed, 0.001f, 0.001f, 0.0001f, 0.0001f, 30, 30, 45},
      {{"-fixed", "-psiMin", "10", "-daMax", "0.5"}, kTensorFixed, 0.001f, 0.5f, 0.0001f, 0.0001f, 10, 45, 45},
      {{"-fixed", "-nofixed"}, kTensorNoFixed, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-dadr", "-nofixed", "-fixed", "-svd"}, kTensorDaDr, 0.001f, 0.001f, 0.0001f, 0.0001f, -360, 360, -360},
      {{"-fixed", "-align", "1", "2", "3", "4", "5"}, kTensorFixed, 0.001f, 0.001f, 0.0001f, 0.0001f, 45, 45, 45},
  };
  for (const Case& c : cases) {
    DTensor t;
    std::string words;
    for (const auto& w : c.args) words += w + " ";
    const std::string err = captureStderr([&] { EXPECT_EQ(tensorOptions(c.args, &t), 0) << words; });
    EXPECT_EQ(err, "");
    EXPECT_EQ(t.tensorMode, c.mode) << words;
    const float got[7] = {t.daMin, t.daMax, t.drMin, t.drMax, t.psiMin, t.psiMax, t.thetaMin};
    const float want[7] = {c.daMin, c.daMax, c.drMin, c.drMax, c.psiMin, c.psiMax, c.thetaMin};
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << words << "limit " << k;
    EXPECT_FLOAT_EQ(t.thetaMax, c.mode == kTensorFixed ? 45.0f : 360.0f) << words;
  }
  DTensor t;
  ASSERT_EQ(tensorOptions({"-nofixed", "-dr", "-2e-4"}, &t), 0);
  EXPECT_FLOAT_EQ(t.dr, -2e-4f);
  ASSERT_EQ(tensorOptions({"-noeuler", "-euler"}, &t), 0);
  EXPECT_EQ(t.eulerFlag, 0);
  ASSERT_EQ(tensorOptions({}, &t), 0);
  EXPECT_EQ(t.eulerFlag, 1);
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
  EXPECT_EQ(tensorOptions({"-saupe", "1"}, nullptr), 0);
}
