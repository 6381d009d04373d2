// The check of a steric sampling below the defaults on orders that move with the turns in closed
// form (order(t) = (1 + c / t) Szz): the samplings its advice tries, its verdict and its advice.
#include "simulation/sampling_convergence.h"

#include <gtest/gtest.h>

#include "foundation/advice.h"
#include "settings/settings_null.h"
#include "simulation/order_convergence.h"
#include "tests/support/capture.h"

using namespace korim::simulation;

namespace {

// An order whose size moves by c / turns (the sphere's dots do not move it); calls counts the
// model's runs.
SampledOrder turnsOrder(double c, int* calls) {
  return [c, calls](const double*, int, int turns, double out[5], std::string*) {
    ++*calls;
    out[0] = 1e-3 * (1.0 + c / turns), out[1] = out[2] = out[3] = out[4] = 0.0;
    return true;
  };
}

korim::settings::KorimInfo settingsWith(int density, int turns) {
  korim::settings::KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.densityNSC = density;
  k.digPsiNSC = turns;
  return k;
}

}  // namespace

TEST(SamplingConvergence, TheAdviceTriesDoubledPartsUpToTheDefaultAndEndsAtIt) {
  const struct {
    Sampling given;
    std::vector<Sampling> tried;  // empty: only the first and last are fixed
  } cases[] = {
      {{10, 18}, {{20, 18}, {40, 18}, {80, 18}, {100, 18}}},
      {{100, 6}, {{100, 12}, {100, 18}}},
      {{30, 72}, {{60, 72}, {100, 72}}},  // turns above the default stay as given
      {{50, 1}, {{100, 2}, {100, 4}, {100, 8}, {100, 16}, {100, 18}}},
      {{10, 6}, {}},
  };
  for (const auto& c : cases) {
    const std::vector<Sampling> tried = advisedSamplings(c.given);
    ASSERT_FALSE(tried.empty());
    EXPECT_TRUE(tried.back() == referenceSampling(c.given));
    if (!c.tried.empty()) {
      EXPECT_TRUE(tried == c.tried) << samplingText(c.given);
      continue;
    }
    // 10 x 6: densities 20, 40, 80, 100 and turns 12, 18: eight, the fewest orientations first.
    EXPECT_EQ(tried.size(), 8u);
    EXPECT_TRUE(tried.front() == (Sampling{20, 12}));
  }
  EXPECT_FALSE(samplingIsChecked({100, 18}));
  EXPECT_FALSE(samplingIsChecked({400, 72}));
  EXPECT_TRUE(samplingIsChecked({99, 72}));
  EXPECT_TRUE(samplingIsChecked({1000, 17}));
}

TEST(SamplingConvergence, AnOrderBeyondTheToleranceIsRefusedWithASamplingThatSettles) {
  korim::foundation::adviceReset();
  // c 3: 6 turns lie 28.6 % from 18 turns' order, 12 turns 7.1 %, 9 turns 14.3 %.
  const struct {
    int turns;
    double c;
    int status;
    std::string advice;  // the advice line's end, "" when none
  } cases[] = {
      {6, 3.0, 1, "with -dot 100 -digPsi 12 the order lies 7.1 % of its size from that of the default sampling, "
                  "within 8.5 %: -digPsi 12 answers.\n"},
      {12, 3.0, 0, ""},
      {9, 3.0, 1, "with -dot 100 -digPsi 18 ... "},
      {18, 100.0, 0, ""},  // the default is not checked: the model is not run
      {6, 0.85, 1, "-digPsi 12 answers.\n"},  // 9.0 % from the default order, beyond 8.5 %
  };
  int dots = 0;
  const double* sphere = sphereOfDensity(100, &dots);
  ASSERT_NE(sphere, nullptr);
  for (const auto& c : cases) {
    int calls = 0;
    int status = 0;
    const std::string err = korim_test::captureStderr([&] {
      status = samplingSettledOrRefuse("test", settingsWith(100, c.turns), dots, sphere, turnsOrder(c.c, &calls));
    });
    EXPECT_EQ(status, c.status) << c.turns << " " << c.c << "\n" << err;
    if (c.turns == 18) {
      EXPECT_EQ(calls, 0);
    }
    if (c.status == 0) continue;
    EXPECT_NE(err.find("test: the sampling of orientations does not settle this prediction's order: with -dot 100 "
                       "-digPsi " + std::to_string(c.turns)),
              std::string::npos)
        << err;
    if (c.turns == 9) {  // 9 doubled is the default: the default itself is advised
      EXPECT_NE(err.find("test: the default sampling of orientations, -digPsi 18, answers.\n"), std::string::npos) << err;
    } else {
      EXPECT_NE(err.find(c.advice), std::string::npos) << err;
    }
  }
}

TEST(SamplingConvergence, AnEnsembleCollectsTheRefusalSilently) {
  int dots = 0, calls = 0;
  const double* sphere = sphereOfDensity(100, &dots);
  ASSERT_NE(sphere, nullptr);
  const UnsettledOrders collect;
  int status = 0;
  const std::string err = korim_test::captureStderr([&] {
    status = samplingSettledOrRefuse("test", settingsWith(100, 6), dots, sphere, turnsOrder(3.0, &calls));
  });
  EXPECT_EQ(status, kSamplingUnsettled);
  EXPECT_EQ(err.find("does not settle"), std::string::npos) << err;
}
