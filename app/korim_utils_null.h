// Defaults of the settings records of a run (KorimInfo and its sub-records, DcInfo).
#ifndef KORIM_APP_KORIM_UTILS_NULL_H
#define KORIM_APP_KORIM_UTILS_NULL_H

#include "app/korim_types.h"

namespace korim::app {

// Each stores the documented defaults and returns 0; none can fail.
// korimInfoNull writes the sub-records' fields itself (it does not call the three below).
int korimInfoNull(KorimInfo* kInfo);
int dcInfoNull(DcInfo* dcInfo);
int gridInfoNull(GridInfo* gInfo);
int elInfoNull(ElInfo* eInfo);
int histInfoNull(HistInfo* hInfo);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_UTILS_NULL_H
