// Timing hooks of the pipeline-process layer; they do nothing.
#pragma once

namespace korim::foundation {

int initNmrTime();
// funcInfo, dataInfo: the pipeline function and data records; not read.
int showNmrTime(const void *funcInfo, const void *dataInfo);

}  // namespace korim::foundation
