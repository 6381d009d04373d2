// The Da and R window of the likelihood grid and of the assignment search (-lDa -hDa, -lR -hR).
#include "settings/da_window.h"

#include <cstdio>

namespace korim::settings {

int checkDaRWindow(const HistInfo& h) {
  const struct {
    const char *low, *high, *axis;
    float l, h;
  } axes[] = {{"-lDa", "-hDa", "Da", h.lDaMl, h.hDaMl}, {"-lR", "-hR", "R", h.lRMl, h.hRMl}};
  for (const auto& a : axes)
    if (a.l > a.h) {
      std::fprintf(stderr,
                   "KORIM Error: options %s %g and %s %g: the low end of the %s range lies above its high end.\n",
                   a.low, a.l, a.high, a.h, a.axis);
      return 1;
    }
  return 0;
}

}  // namespace korim::settings
