// The step advice checks the sphere of a step before it names it: a step whose finer steps settle
// its order but whose own run's sphere does not settle it is passed over for the next finer step.
#include <gtest/gtest.h>

#include "foundation/advice.h"
#include "settings/settings_null.h"
#include "simulation/step_convergence.h"
#include "tests/support/capture.h"

using namespace korim::simulation;

TEST(StepConvergenceSphere, AnAdvisedStepWhoseSphereDoesNotSettleIsNotNamed) {
  korim::foundation::adviceReset();
  korim::settings::KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.gridSpacing = 10.0f;
  // The order moves by 1.05 % per Angstrom of step: -dGrid 2.5 settles it against its finer steps
  // (the advice of the plain model names it); the sphere of the run at unsettledSphere does not.
  const auto model = [](double unsettledSphere) {
    return StepOrder([unsettledSphere](double step, double out[5], bool sphereChecked, std::string*) {
      out[0] = 1e-3 * (1.0 + 0.0105 * step), out[1] = out[2] = out[3] = out[4] = 0.0;
      return !(sphereChecked && step == unsettledSphere);
    });
  };
  const struct {
    double unsettledSphere;
    const char* named;
    const char* notNamed;
  } cases[] = {
      {0.0, "-dGrid 2.5 answers.\n", "-dGrid 0.625 answers."},
      {2.5, "-dGrid 0.625 answers.\n", "-dGrid 2.5 answers."},
  };
  for (const auto& c : cases) {
    const std::string err =
        korim_test::captureStderr([&] { EXPECT_EQ(stepSettledOrRefuse("m", k, model(c.unsettledSphere)), 1); });
    EXPECT_NE(err.find(c.named), std::string::npos) << c.unsettledSphere << "\n" << err;
    EXPECT_EQ(err.find(c.notNamed), std::string::npos) << c.unsettledSphere << "\n" << err;
  }
}
