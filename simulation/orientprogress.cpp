// Buffered progress lines of an orientation walk.
#include "simulation/orientprogress.h"

#include <cstdio>

#include "simulation/ssia.h"

namespace korim::simulation {

namespace {

// Interval between writes, and the buffer size that forces one earlier.
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr std::size_t kLargest = std::size_t{1} << 20;

}  // namespace

void OrientationProgress::step(int r) {
  char line[64];
  const int n = std::snprintf(line, sizeof line, "REMARK Orientation %d of %d\r", r, total_);
  if (n > 0) pending_.append(line, static_cast<std::size_t>(n));
  if (pending_.size() >= kLargest || Clock::now() - last_ >= kInterval) flush();
}

void OrientationProgress::flush() {
  if (!pending_.empty()) {
    std::fwrite(pending_.data(), 1, pending_.size(), stderr);
    std::fflush(stderr);
    pending_.clear();
  }
  last_ = Clock::now();
}

void OrientationProgress::finish() {
  flush();
  endOrientationProgress();
}

}  // namespace korim::simulation
