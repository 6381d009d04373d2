// The assignment search's window against what the media's couplings prove: which windows hold a
// tensor they allow, the advised window, followed, holds one, and the notes of the answer.
#include <algorithm>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "assignment/search_window.h"
#include "foundation/advice.h"
#include "tests/support/capture.h"

using namespace korim::assignment;

namespace {

// The fit of 57 fixed couplings giving (da, r) in the usual form, each principal coupling within
// margin: 2 Da, -Da (1 - 1.5 R), -Da (1 + 1.5 R), largest first.
MediumProof fitted(double da, double r, double margin) {
  MediumProof t;
  t.fitted = true, t.fixedCount = 57, t.quantile = 3.49;
  double p[3] = {2 * da, -da * (1 - 1.5 * r), -da * (1 + 1.5 * r)};
  std::sort(p, p + 3, [](double a, double b) { return a > b; });
  for (int i = 0; i < 3; i++) t.p[i] = p[i], t.margin[i] = margin;
  return t;
}

// Couplings that only span lo to hi (Hz): no fit over-determines the tensor.
MediumProof spanning(double lo, double hi) {
  MediumProof t;
  t.count = 30, t.fixedCount = 3, t.low = t.spanLo = lo, t.high = t.spanHi = hi;
  return t;
}

}  // namespace

TEST(SearchWindow, TheAdvisedWindowHoldsATensorTheCouplingsAllow) {
  const struct {
    float lDa, hDa, lR, hR;
    MediumProof t[2];
    int media;
    const char* advice;  // "" when the window holds them
  } cases[] = {
      {-25, -3, 0, 0.7f, {fitted(-12.767, 0.605, 0.5)}, 1, ""},
      {-25, -3, 0, 0.7f, {fitted(12.767, 0.605, 0.5)}, 1, "-lDa -25 -hDa 20"},
      // Da lies within (25.534 -+ 0.5) / 2: the neighbours of the end 12.517.
      {-25, 12.55f, 0, 0.7f, {fitted(12.767, 0.605, 0.5)}, 1, ""},
      {-25, 12.5f, 0, 0.7f, {fitted(12.767, 0.605, 0.5)}, 1, "-lDa -25 -hDa 20"},
      {3, 25, 0, 0.7f, {fitted(-12.767, 0.605, 0.5)}, 1, "-lDa -20 -hDa 25"},
      {-25, -3, 0, 0.7f, {fitted(-2.9, 0.3, 0.01)}, 1, "-lDa -25 -hDa -1.45"},  // toward 0: half its size
      {-25, -3, 0, 0.7f, {fitted(-40.0, 0.3, 0.5)}, 1, "-lDa -60 -hDa -3"},
      // R within its margin: at least 0.568 here, so 0.6 holds and 0.55 does not.
      {-25, -3, 0, 0.6f, {fitted(-12.767, 0.605, 0.5)}, 1, ""},
      {-25, -3, 0, 0.55f, {fitted(-12.767, 0.605, 0.5)}, 1, "-lDa -25 -hDa -3 -lR 0 -hR 0.7"},
      {-25, -3, 0.3f, 0.7f, {fitted(-12.767, 0.0, 0.01)}, 1, "-lDa -25 -hDa -3 -lR -0.05 -hR 0.7"},
      // A sign the fit leaves open (|p1| 1.18 Hz within its margin): either sign is held.
      {3, 25, 0, 0.7f, {fitted(-12.767, 0.605, 1.5)}, 1, ""},
      // Couplings of -20 to 55 Hz: a negative tensor reaches 55 Hz only from Da -27.5 (R 2/3).
      {-25, -3, 0, 0.7f, {spanning(-20, 55)}, 1, "-lDa -45 -hDa -3"},
      {-28, -3, 0, 0.7f, {spanning(-20, 55)}, 1, ""},
      {3, 25, 0, 0.7f, {spanning(-20, 55)}, 1, "-lDa 3 -hDa 45"},
      {-25, -3, 0, 0.5f, {spanning(-20, 45)}, 1, "-lDa -25 -hDa -3 -lR 0 -hR 0.75"},  // Da -22.5, R 2/3
      {-25, -3, 0, 0.7f, {spanning(-20, 45)}, 1, ""},
      // Every medium: the window widened for each left out.
      {-25, -3, 0, 0.7f, {fitted(-12.767, 0.605, 0.5), fitted(12.767, 0.605, 0.5)}, 2, "-lDa -25 -hDa 20"},
      {5, 25, 0, 0.7f, {fitted(-12.767, 0.605, 0.5), spanning(-10, 20)}, 2, "-lDa -20 -hDa 25"},
  };
  const char* names[] = {"A", "B", "C"};
  for (const auto& c : cases) {
    AssignProblem p;
    p.lDa = c.lDa, p.hDa = c.hDa, p.lR = c.lR, p.hR = c.hR, p.nLcType = c.media;
    int rc = -1;
    const std::string err = korim_test::captureStderr([&] { rc = checkSearchWindow(p, c.t, names, 0); });
    const std::string what = std::string(c.advice) + " for " + std::to_string(c.lDa) + " " + std::to_string(c.hDa);
    EXPECT_EQ(rc, c.advice[0] ? 1 : 0) << what << "\n" << err;
    if (!c.advice[0]) {
      EXPECT_EQ(err, "") << what;
      continue;
    }
    EXPECT_NE(err.find(std::string("\nkorim: ") + c.advice + " hold "), std::string::npos) << what << "\n" << err;
    // Followed: the advised window holds a tensor of each.
    float lR = p.lR, hR = p.hR;
    const int n = std::sscanf(c.advice, "-lDa %f -hDa %f -lR %f -hR %f", &p.lDa, &p.hDa, &lR, &hR);
    ASSERT_GE(n, 2) << what;
    p.lR = lR, p.hR = hR;
    EXPECT_EQ(korim_test::captureStderr([&] { rc = checkSearchWindow(p, c.t, names, 0); }), "") << what;
    EXPECT_EQ(rc, 0) << what;
  }
}

// The sign of Da is settled where the fit's principal coupling of least size lies farther from 0
// than its margin; else the answer's note says so, naming why.
TEST(SearchWindow, TheNoteOfASignTheCouplingsDoNotSettle) {
  const struct {
    MediumProof t;
    int sign;
    const char* why;
  } cases[] = {
      {fitted(-12.767, 0.605, 1.0), -1, ""},  // |p1| 1.18 Hz
      {fitted(12.767, 0.605, 1.0), 1, ""},
      {fitted(-12.767, 0.605, 1.2), 0, "the fit of the 57 fixed couplings leaves the principal coupling of least size, "
                                       "+1.18 Hz, within its margin, 1.20 Hz, of 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.t.sign(), c.sign) << c.why;
    // A settled sign that the answer does not have is said too, in the usual form only.
    for (const float da : {-13.6f, 13.6f}) {
      const std::string said = unsettledSignNote(c.t, "", da, 0.63f, 0);
      EXPECT_EQ(said.empty(), c.sign == (da > 0 ? 1 : -1)) << said;
      EXPECT_EQ(said.find("has the other sign, a tensor they do not give") != std::string::npos,
                c.sign == (da > 0 ? -1 : 1)) << said;
      EXPECT_EQ(unsettledSignNote(c.t, "", da, 0.63f, 1).empty(), c.sign != 0);
    }
    const std::string note = unsettledSignNote(c.t, "", -13.6f, 0.63f, 0);
    if (c.sign != 0) continue;
    EXPECT_EQ(note.find(std::string("couplings do not settle the sign of Da: ") + c.why), 0u) << note;
    EXPECT_NE(note.find("the answer's, Da_HN -13.600 Hz, R 0.630, has the sign the window"), std::string::npos);
  }
}

// A tensor within 1 % of the window's width of a bound lies on it, but only a bound beyond which
// the form holds tensors counts (R 0 to 2/3 in the usual form, 2/3 to 2 in that of -yzInv); the
// bound moves out past the tensor, and the advice says "in place of" where the bound was given.
TEST(SearchWindow, ABoundTheAnswerLiesOnMovesOutPastIt) {
  const SearchBounds usual{-25, -3, 0, 0.7};
  const struct {
    SearchBounds w;
    double da, r;
    int yz;
    const char* hits;  // l h r R: low Da, high Da, low R, high R
    const char* advice;
  } cases[] = {
      {usual, -12.0, 0.30, 0, "", ""},
      {usual, -24.8, 0.30, 0, "l", "-lDa -40"},
      {usual, -3.1, 0.30, 0, "h", "-hDa -1.5"},
      {usual, -12.0, 0.0, 0, "", ""},            // R 0 in the usual form: no tensor lies below
      {usual, -12.0, 0.698, 1, "R", "-hR 0.75"},  // the example negated under -yzInv
      {usual, -12.0, 0.70, 0, "", ""},           // above 2/3: the usual form holds nothing beyond
      {{-25, -3, 0, 0.6}, -12.764, 0.607, 0, "R", "-hR 0.7 in place of -hR 0.6"},
      {{5, 25, 0.2, 0.7}, 5.1, 0.201, 0, "lr", "-lDa 2.5 -lR 0.15 in place of -lDa 5 -lR 0.2"},
  };
  for (const auto& c : cases) {
    const EdgeHits h = edgesOf(c.w, c.da, c.r, c.yz);
    std::string said = std::string(h.lDa ? "l" : "") + (h.hDa ? "h" : "") + (h.lR ? "r" : "") + (h.hR ? "R" : "");
    EXPECT_EQ(said, c.hits) << c.da << " " << c.r;
    const SearchBounds wider = widenedPast(c.w, h, c.da, c.r);
    // The command line gives the bounds that differ from the default window.
    std::vector<std::string> words = {"korim"};
    const auto typed = [](double v) {
      char t[32];
      std::snprintf(t, sizeof t, "%g", v);
      return std::string(t);
    };
    const std::pair<const char*, double> given[] = {{"-lDa", c.w.lDa}, {"-hDa", c.w.hDa}, {"-lR", c.w.lR}, {"-hR", c.w.hR}},
                                         fallback[] = {{"-lDa", usual.lDa}, {"-hDa", usual.hDa}, {"-lR", usual.lR}, {"-hR", usual.hR}};
    for (int i = 0; i < 4; i++)
      if (given[i].second != fallback[i].second) words.insert(words.end(), {given[i].first, typed(given[i].second)});
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    korim::foundation::setAdviceCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(windowAdvice(c.w, wider), c.advice) << c.da << " " << c.r;
    korim::foundation::adviceReset();
    if (h.any()) {
      EXPECT_FALSE(edgesOf(wider, c.da, c.r, c.yz).any()) << c.da << " " << c.r;
    }
  }
}
