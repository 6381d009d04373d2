// The check of the step of the positions on orders that move in proportion to the step (the
// closed form order(s) = (1 + c s) Szz): its verdict, the move it adds below the sixteenth, and
// the step its advice names.
#include "simulation/step_convergence.h"

#include <gtest/gtest.h>

#include "foundation/advice.h"
#include "settings/settings_null.h"
#include "simulation/order_convergence.h"
#include "simulation/tensor_verdict.h"
#include "tests/support/capture.h"

using namespace korim::simulation;

namespace {

// An order that moves by c per Angstrom of step; no order at steps below noneBelow.
StepOrder linearOrder(double c, double noneBelow = 0.0) {
  return [c, noneBelow](double step, double out[5], bool, std::string* why) {
    *why = "the test's model gives none below " + std::to_string(noneBelow);
    if (step < noneBelow) return false;
    out[0] = 1e-3 * (1.0 + c * step), out[1] = out[2] = out[3] = out[4] = 0.0;
    return true;
  };
}

korim::settings::KorimInfo settingsAt(float step) {
  korim::settings::KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.gridSpacing = step;
  return k;
}

}  // namespace

TEST(StepConvergence, OrdersThatMoveWithTheStepSettleWithinATenthOfTheDefaultStep) {
  korim::foundation::adviceReset();
  // Distance from the default step's order (1 + 0.2 c): the verdict answers within a tenth of it.
  const struct {
    double step;
    double c;
    bool settled;
    double quarter, sixteenth;  // the steps consulted (0: none)
  } cases[] = {
      {2.0, 0.01, true, 0.5, 0.0},        // the quarter moves it 1.5 %: it decides alone
      {10.0, 0.01, true, 2.5, 0.625},     // 7.3 % and 9.3 %, with 0.4 % below the sixteenth: 9.7 % (9.8 % from 0.2)
      {10.0, 0.0105, false, 2.5, 0.625},  // 9.8 % at the sixteenth, 10.2 % with what lies below (10.3 % from 0.2)
      {3.0, 0.04, false, 0.75, 0.2},      // the sixteenth is the default step: 11.1 %
      {0.5, 0.3, true, 0.2, 0.0},         // the quarter is the default step: 8.5 %, it decides alone
      {0.2, 10.0, true, 0.0, 0.0},        // the default step is not checked
  };
  for (const auto& c : cases) {
    SteppedOrders orders{linearOrder(c.c), {}, "", ""};
    double own[5];
    ASSERT_TRUE(orders.get(c.step, own));
    const StepSettling v = settlesStep(c.step, own, orders);
    EXPECT_TRUE(v.had);
    EXPECT_EQ(v.settled, c.settled) << c.step << " " << c.c << ": " << v.apart << " " << v.apartFar;
    EXPECT_DOUBLE_EQ(v.quarter, c.quarter) << c.step;
    EXPECT_DOUBLE_EQ(v.sixteenth, c.sixteenth) << c.step;
    // Against the default step's order, the closed form's own distance.
    const double fromDefault = c.c * (c.step - 0.2) / (1.0 + c.c * 0.2);
    if (c.settled) {
      EXPECT_LE(fromDefault, 0.1) << c.step << " " << c.c;
    }
    const korim::settings::KorimInfo k = settingsAt(static_cast<float>(c.step));
    const std::string err = korim_test::captureStderr([&] { EXPECT_EQ(stepSettledOrRefuse("m", k, linearOrder(c.c)), c.settled ? 0 : 1); });
    EXPECT_EQ(err.find("does not settle") == std::string::npos, c.settled) << err;
  }
}

TEST(StepConvergence, TheAdviceNamesTheCoarsestStepThatSettlesAndAFailureIsNamed) {
  korim::foundation::adviceReset();
  const korim::settings::KorimInfo k = settingsAt(10.0f);
  std::string err = korim_test::captureStderr([&] { EXPECT_EQ(stepSettledOrRefuse("m", k, linearOrder(0.0105)), 1); });
  EXPECT_NE(err.find("m: the step of the positions does not settle this prediction's order: at -dGrid 10 it gives "
                     "Da_HN "),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("m: at -dGrid 2.5 the order agrees with that of its finer step (-dGrid 0.625) within a tenth: "
                     "-dGrid 2.5 answers.\n"),
            std::string::npos)
      << err;
  // A step whose order moves a lot is checked down to the default step, which the advice names.
  err = korim_test::captureStderr([&] { EXPECT_EQ(stepSettledOrRefuse("m", k, linearOrder(1.0)), 1); });
  EXPECT_NE(err.find("m: the default step, -dGrid 0.2, answers.\n"), std::string::npos) << err;
  // A finer step that gives no order leaves the step unchecked: refused, saying so.
  err = korim_test::captureStderr([&] { EXPECT_EQ(stepSettledOrRefuse("m", k, linearOrder(0.01, 1.0)), 1); });
  EXPECT_NE(err.find("m: the step of the positions cannot be checked: at the finer step -dGrid 0.625 the model gives no "
                     "order: the test's model gives none below 1.000000; no alignment computed.\n"),
            std::string::npos)
      << err;
}
