// The Da and R window of the likelihood grid and of the assignment search (-lDa -hDa, -lR -hR),
// and the bounds of the histogram fit (-daLo -daHi, -rhLo -rhHi).
#ifndef KORIM_SETTINGS_DA_WINDOW_H
#define KORIM_SETTINGS_DA_WINDOW_H

#include "settings/settings.h"

namespace korim::settings {

// 0 when the Da window and the R window each have their low end at or below their high end.
// Otherwise 1 after "KORIM Error: options -lDa <l> and -hDa <h>: the low end of the Da range
// lies above its high end." (the same for -lR and -hR) on the standard error stream: no Da or
// R lies inside such a window, and a search in it can find nothing.
int checkDaRWindow(const HistInfo& h);

// 0 when the bounds of the bounded histogram fit of -daFlex each have their low end below their
// high end (Da in Hz: -daLo, -daHi; R: -rhLo, -rhHi). Otherwise 1 after "KORIM Error: options
// -daLo <l> and -daHi <h>: the low end of the Da range the fit of -daFlex searches lies at or
// above its high end." (the same for -rhLo and -rhHi): such a fit would answer with a bound.
int checkDaRFitBounds(const HistInfo& h);

}  // namespace korim::settings

#endif  // KORIM_SETTINGS_DA_WINDOW_H
