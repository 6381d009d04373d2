// A sphere built on a thread of its own while the caller builds another is,
// once taken, the one a build in place makes: dots and cube tables bit for bit.
#include <gtest/gtest.h>

#include <vector>

#include "simulation/nsc.h"

using namespace korim::simulation;

TEST(SpherePrebuild, TakenSpheresEqualBuildsInPlace) {
  for (const int densit : {100, 700}) {
    std::vector<double> dots[2];
    std::vector<int> cubes[2];
    for (int prebuilt = 0; prebuilt < 2; prebuilt++) {
      int n = 0, c = 0;
      nscReset();
      if (prebuilt) {
        prebuildSpheres(densit + 1, densit);  // the first waits meanwhile
        ASSERT_EQ(make_unsp(250, -unsp_type(250), &n, 4), 0);  // built here
      }
      ASSERT_EQ(make_unsp(densit, -unsp_type(densit), &n, 4), 0);
      const double* d = unspCurrentDots(&n);
      const int *wk = nullptr, *pt = nullptr;
      ASSERT_TRUE(unspCubes(&c, &wk, &pt));
      dots[prebuilt].assign(d, d + 3 * n);  // compared with == : bit for bit but for -0 and NaN
      cubes[prebuilt].assign(wk, pt + c * c * c);  // counts, then first dots
    }
    EXPECT_EQ(dots[1], dots[0]) << densit;
    EXPECT_EQ(cubes[1], cubes[0]) << densit;
  }
  nscReset();
}
