// Progress lines of an orientation walk (or of any long loop), gathered and
// written to stderr a few times a second instead of once per step.
#pragma once

#include <chrono>
#include <string>

namespace korim::simulation {

// The lines "REMARK Orientation %d of %d\r" of orientations 1..total, byte for
// byte as one flushed line per orientation would give them, collected in a
// buffer that is written when about a tenth of a second has passed since the
// last write, when it grows large, and at finish() or destruction.
class OrientationProgress {
 public:
  explicit OrientationProgress(int total);
  ~OrientationProgress() { flush(); }
  OrientationProgress(const OrientationProgress&) = delete;
  OrientationProgress& operator=(const OrientationProgress&) = delete;

  // The line of orientation r (1-based).
  void step(int r);
  // The lines of orientations from..to, in order (the clock read once).
  void steps(int from, int to);
  // Any other progress line (text of length bytes, ending in "\r"), buffered alike.
  void line(const char* text, std::size_t length);
  // Pending lines, then the line end of the walk (endOrientationProgress).
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void flush();
  void append(int r);
  int total_;
  std::string suffix_;  // " of <total>\r"
  std::string pending_;
  Clock::time_point last_;
};

}  // namespace korim::simulation
