// The Da and R window of the likelihood grid and of the assignment search (-lDa -hDa, -lR -hR).
#ifndef KORIM_SETTINGS_DA_WINDOW_H
#define KORIM_SETTINGS_DA_WINDOW_H

#include "settings/settings.h"

namespace korim::settings {

// 0 when the Da window and the R window each have their low end at or below their high end.
// Otherwise 1 after "KORIM Error: options -lDa <l> and -hDa <h>: the low end of the Da range
// lies above its high end." (the same for -lR and -hR) on the standard error stream: no Da or
// R lies inside such a window, and a search in it can find nothing.
int checkDaRWindow(const HistInfo& h);

}  // namespace korim::settings

#endif  // KORIM_SETTINGS_DA_WINDOW_H
