// Timing hooks of the pipeline-process layer; timing is not collected.
#include "foundation/nmrtime.h"

namespace korim::foundation {

int initNmrTime() { return 0; }

int showNmrTime(const void *funcInfo, const void *dataInfo) {
    (void)funcInfo;
    (void)dataInfo;
    return 0;
}

}  // namespace korim::foundation
