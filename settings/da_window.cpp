// The Da and R window of the likelihood grid and of the assignment search (-lDa -hDa, -lR -hR),
// and the bounds of the histogram fit (-daLo -daHi, -rhLo -rhHi).
#include "settings/da_window.h"

#include <cstdio>

namespace korim::settings {

namespace {

// A range given by a pair of options: the words, what it ranges over and its two ends.
struct OptionRange {
  const char *low, *high, *axis;
  float l, h;
};

// 0 when each range's low end lies below its high end (or at it, where equal ends are allowed);
// else 1 after naming the first that does not.
template <size_t N>
int checkRanges(const OptionRange (&ranges)[N], bool equalAllowed, const char* what) {
  for (const OptionRange& a : ranges)
    if (equalAllowed ? a.l > a.h : !(a.l < a.h)) {
      std::fprintf(stderr, "KORIM Error: options %s %g and %s %g: the low end of the %s range%s lies %s its high end.\n",
                   a.low, a.l, a.high, a.h, a.axis, what, equalAllowed ? "above" : "at or above");
      return 1;
    }
  return 0;
}

}  // namespace

int checkDaRWindow(const HistInfo& h) {
  const OptionRange axes[] = {{"-lDa", "-hDa", "Da", h.lDaMl, h.hDaMl}, {"-lR", "-hR", "R", h.lRMl, h.hRMl}};
  return checkRanges(axes, true, "");
}

int checkDaRFitBounds(const HistInfo& h) {
  const OptionRange axes[] = {{"-daLo", "-daHi", "Da", h.daLo, h.daHi}, {"-rhLo", "-rhHi", "R", h.rhLo, h.rhHi}};
  return checkRanges(axes, false, " the fit of -daFlex searches");
}

}  // namespace korim::settings
