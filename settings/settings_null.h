// Defaults of the settings records of a run (KorimInfo and its sub-records, DcInfo).
#ifndef KORIM_SETTINGS_SETTINGS_NULL_H
#define KORIM_SETTINGS_SETTINGS_NULL_H

#include "settings/settings.h"

namespace korim::settings {

// Each stores the documented defaults and returns 0; none can fail.
// korimInfoNull writes the sub-records' fields itself (it does not call the three below).
int korimInfoNull(KorimInfo* kInfo);
int dcInfoNull(DcInfo* dcInfo);
int gridInfoNull(GridInfo* gInfo);
int elInfoNull(ElInfo* eInfo);
int histInfoNull(HistInfo* hInfo);

}  // namespace korim::settings

#endif  // KORIM_SETTINGS_SETTINGS_NULL_H
