// A sphere built on a thread of its own while the caller builds another is,
// once taken, the one a build in place makes: dots and cube tables bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "simulation/nsc.h"

using namespace korim::simulation;

namespace {

// The current sphere's dots and cube tables.
std::vector<double> current(std::vector<int>* cubes) {
  int n = 0, c = 0;
  const double* d = unspCurrentDots(&n);
  const int *wk = nullptr, *pt = nullptr;
  EXPECT_TRUE(unspCubes(&c, &wk, &pt));
  cubes->assign(wk, wk + c * c * c);
  cubes->insert(cubes->end(), pt, pt + c * c * c);
  return std::vector<double>(d, d + 3 * n);
}

}  // namespace

TEST(SpherePrebuild, TakenSpheresEqualBuildsInPlace) {
  for (const int densit : {100, 700}) {
    int n = 0, m = 0;
    nscReset();
    ASSERT_EQ(make_unsp(densit, -unsp_type(densit), &n, 4), 0);
    std::vector<int> cubes, taken;
    const std::vector<double> dots = current(&cubes);
    nscReset();
    prebuildSpheres(densit + 1, densit);  // the first waits meanwhile
    ASSERT_EQ(make_unsp(250, -unsp_type(250), &m, 4), 0);  // built here meanwhile
    ASSERT_EQ(make_unsp(densit, -unsp_type(densit), &m, 4), 0);
    EXPECT_EQ(m, n);
    const std::vector<double> got = current(&taken);
    ASSERT_EQ(got.size(), dots.size());
    EXPECT_EQ(std::memcmp(got.data(), dots.data(), dots.size() * sizeof(double)), 0) << densit;
    EXPECT_EQ(taken, cubes) << densit;
  }
  nscReset();
}
