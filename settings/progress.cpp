// Progress line of the long searches, on stderr.
#include "settings/progress.h"

#include <cstdio>

namespace korim::settings {

void printoutput(int sampledCount) {
  std::fprintf(stderr, "REMARK Sampled %d\r", sampledCount);
  std::fflush(stderr);
}

}  // namespace korim::settings
