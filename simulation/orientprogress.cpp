// Buffered progress lines of an orientation walk.
#include "simulation/orientprogress.h"

#include <algorithm>
#include <cstdio>

#include "simulation/ssia.h"

namespace korim::simulation {

namespace {

// Interval between writes, and the buffer size that forces one earlier.
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr std::size_t kLargest = std::size_t{1} << 16;  // stays in the cache

}  // namespace

OrientationProgress::OrientationProgress(int total) : total_(total), last_(Clock::now()) {
  char tail[32];
  const int n = std::snprintf(tail, sizeof tail, " of %d\r", total);
  if (n > 0) suffix_.assign(tail, static_cast<std::size_t>(n));
  // Room for every line up to the size that forces a write (the suffix is
  // as long as the widest number): the buffer never grows line by line.
  constexpr std::size_t kHead = sizeof "REMARK Orientation " - 1;
  const std::size_t line = kHead + 2 * suffix_.size();
  const std::size_t all = (total > 0 ? static_cast<std::size_t>(total) : 0) * line;
  pending_.reserve(std::min(all, kLargest + line));
}

void OrientationProgress::append(int r) {
  static constexpr char kHead[] = "REMARK Orientation ";
  pending_.append(kHead, sizeof kHead - 1);
  char digits[16];
  int k = sizeof digits;
  // The digits of r as %d writes them.
  unsigned v = r < 0 ? 0u - static_cast<unsigned>(r) : static_cast<unsigned>(r);
  do {
    digits[--k] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (r < 0) digits[--k] = '-';
  pending_.append(digits + k, sizeof digits - k);
  pending_.append(suffix_);
}

void OrientationProgress::step(int r) { steps(r, r); }

void OrientationProgress::steps(int from, int to) {
  for (int r = from; r <= to; r++) {
    append(r);
    if (pending_.size() >= kLargest) flush();
  }
  if (Clock::now() - last_ >= kInterval) flush();
}

void OrientationProgress::line(const char* text, std::size_t length) {
  pending_.append(text, length);
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
