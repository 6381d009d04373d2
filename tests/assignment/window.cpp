// The assignment search's window against the media's tensors: which windows hold them, and the
// advised window, followed, holds every one of them.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "assignment/search_window.h"
#include "tests/support/capture.h"

using namespace korim::assignment;

namespace {

MediumTensor fitted(float da, float r) {
  MediumTensor t;
  t.fitted = true, t.count = 57, t.da = da, t.r = r;
  return t;
}

// An estimate from the extremes dMin, dMax with its least principal value and mean error.
MediumTensor estimated(float da, float r, float least, float resolution) {
  MediumTensor t;
  t.count = 30, t.da = da, t.r = r, t.dMin = -2 * da, t.dMax = 2 * da, t.least = least, t.resolution = resolution;
  return t;
}

}  // namespace

TEST(SearchWindow, TheAdvisedWindowHoldsEveryTensorLeftOut) {
  const struct {
    float lDa, hDa, lR, hR;
    MediumTensor t[2];
    int media;
    const char* advice;  // "" when the window holds them
  } cases[] = {
      {-25, -3, 0, 0.7f, {fitted(-12.767f, 0.605f)}, 1, ""},
      {-25, -3, 0, 0.7f, {fitted(12.767f, 0.605f)}, 1, "-lDa -25 -hDa 20"},
      {-25, 12.77f, 0, 0.7f, {fitted(12.767f, 0.605f)}, 1, ""},  // the neighbours of the refused ends
      {-25, 12.767f, 0, 0.7f, {fitted(12.767f, 0.605f)}, 1, "-lDa -25 -hDa 20"},
      {-25, -3, 0, 0.606f, {fitted(-12.767f, 0.605f)}, 1, ""},
      {-25, -3, 0, 0.605f, {fitted(-12.767f, 0.605f)}, 1, "-lDa -25 -hDa -3 -lR 0 -hR 0.7"},
      {3, 25, 0, 0.7f, {fitted(-12.767f, 0.605f)}, 1, "-lDa -20 -hDa 25"},
      {-25, -3, 0, 0.7f, {fitted(-2.9f, 0.3f)}, 1, "-lDa -25 -hDa -1.45"},  // toward 0: half its size
      {3, 25, 0, 0.7f, {fitted(0.01f, 0.3f)}, 1, "-lDa 0 -hDa 25"},
      {-25, -3, 0, 0.7f, {fitted(-40.0f, 0.3f)}, 1, "-lDa -60 -hDa -3"},
      {-25, -3, 0, 0.6f, {fitted(-12.767f, 0.62f)}, 1, "-lDa -25 -hDa -3 -lR 0 -hR 0.7"},
      {-25, -3, 0.3f, 0.7f, {fitted(-12.767f, 0.0f)}, 1, "-lDa -25 -hDa -3 -lR -0.05 -hR 0.7"},
      {-25, -3, 0, 0.7f, {fitted(0.0f, 0.3f)}, 1, ""},  // Da 0: no sign to hold
      // An estimate whose sign its couplings do not settle is held by either sign, and advised
      // with both; one whose sign they settle by its own.
      {-25, -3, 0, 0.7f, {estimated(5.0f, 0.6f, 0.5f, 1.0f)}, 1, ""},
      {-25, -6, 0, 0.7f, {estimated(5.0f, 0.6f, 0.5f, 1.0f)}, 1, "-lDa -25 -hDa 10"},
      {-25, -3, 0, 0.7f, {estimated(5.0f, 0.6f, 0.5f, 0.4f)}, 1, "-lDa -25 -hDa 10"},
      // Every medium's tensor: the window widened for each left out.
      {-25, -3, 0, 0.7f, {fitted(-12.767f, 0.605f), fitted(12.767f, 0.605f)}, 2, "-lDa -25 -hDa 20"},
      {5, 25, 0, 0.7f, {fitted(-12.767f, 0.605f), fitted(3.0f, 0.2f)}, 2, "-lDa -20 -hDa 25"},
  };
  const char* names[] = {"A", "B", "C"};
  for (const auto& c : cases) {
    AssignProblem p;
    p.lDa = c.lDa, p.hDa = c.hDa, p.lR = c.lR, p.hR = c.hR, p.nLcType = c.media;
    int rc = -1;
    const std::string err = korim_test::captureStderr([&] { rc = checkSearchWindow(p, c.t, names); });
    const std::string what = std::string(c.advice) + " for " + std::to_string(c.t[c.media - 1].da);
    EXPECT_EQ(rc, c.advice[0] ? 1 : 0) << what << "\n" << err;
    if (!c.advice[0]) {
      EXPECT_EQ(err, "") << what;
      continue;
    }
    EXPECT_NE(err.find(std::string("\nkorim: ") + c.advice + " hold "), std::string::npos) << what << "\n" << err;
    // Followed: the advised window holds them all.
    float lR = p.lR, hR = p.hR;
    const int n = std::sscanf(c.advice, "-lDa %f -hDa %f -lR %f -hR %f", &p.lDa, &p.hDa, &lR, &hR);
    ASSERT_GE(n, 2) << what;
    p.lR = lR, p.hR = hR;
    EXPECT_EQ(korim_test::captureStderr([&] { rc = checkSearchWindow(p, c.t, names); }), "") << what;
    EXPECT_EQ(rc, 0) << what;
  }
}

// The lines that name a tensor: the fit of the fixed couplings, an estimate whose sign the
// couplings do not settle, and the medium of each where there are several.
TEST(SearchWindow, TheRefusalNamesEachTensorLeftOut) {
  AssignProblem p;
  p.nLcType = 2;
  const MediumTensor t[2] = {fitted(12.767f, 0.605f), estimated(5.0f, 0.6f, 0.5f, 1.0f)};
  const char* names[] = {"A", "B"};
  p.hDa = -6.0f;
  const std::string err = korim_test::captureStderr([&] { checkSearchWindow(p, t, names); });
  EXPECT_EQ(err,
            "KORIM Error: the window of the assignment search, Da_HN -25 to -6 Hz (-lDa, -hDa) and R 0 to 0.7 (-lR, "
            "-hR), leaves out the tensor the couplings give: every candidate near it would be refused, and the "
            "search would answer with a tensor they do not give.\n"
            "   medium A (-dcID): Da_HN +12.767 Hz, R 0.605: the SVD fit of the 57 fixed couplings alone.\n"
            "   medium B (-dcID): Da_HN +5.000 Hz, R 0.600: the estimate from the extremes of the 30 couplings D*W, "
            "-10.000 and 10.000 Hz (as DATA EQ Da of -daMl), or its negative, Da_HN -5.000 Hz: its principal value "
            "of least size, |Da (1 - 1.5 R)| = 0.500 Hz, the difference in size of the two extremes, lies below their "
            "resolution, 1.000 Hz (the larger of twice their mean error DD*W and a tenth of the larger extreme, by which "
            "the extremes may fall short), so they do not settle its sign.\n"
            "korim: -lDa -25 -hDa 20 hold these tensors; the search has not run.\n");
}
