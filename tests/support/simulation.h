// Test support for the simulation models: both output streams of a call, the sphere of
// orientations, and order tensors of directors written from their definitions.
#pragma once
#include <string>
#include <utility>

#include "simulation/unsp.h"
#include "tests/support/capture.h"

namespace korim_test {

// What f() writes on stdout (first) and stderr (second).
template <typename F>
std::pair<std::string, std::string> captureBoth(F f) {
  std::string err;
  std::string out = captureStdout([&] { err = captureStderr(f); });
  return {out, err};
}

// The module's sphere of orientations of a density, as handed out.
struct Dots {
  double* dots = nullptr;
  int n = 0;
  explicit Dots(int density) { korim::simulation::do_unsp(density, &dots, &n); }
};

// Order values of a unit director d: Szz, Sxx - Syy, Sxy, Sxz, Syz.
inline void orderValues(const double d[3], double s[5]) {
  const double v[5] = {0.5 * (3 * d[2] * d[2] - 1), 1.5 * (d[0] * d[0] - d[1] * d[1]), 1.5 * d[0] * d[1],
                       1.5 * d[0] * d[2], 1.5 * d[1] * d[2]};
  for (int j = 0; j < 5; j++) s[j] = v[j];
}

// The five elements as the traceless symmetric matrix they stand for.
inline void orderMatrix(const double s[5], double m[3][3]) {
  const double v[3][3] = {{(s[1] - s[0]) / 2, s[2], s[3]}, {s[2], -(s[0] + s[1]) / 2, s[4]}, {s[3], s[4], s[0]}};
  for (int i = 0; i < 9; i++) m[i / 3][i % 3] = v[i / 3][i % 3];
}

// The tensor read along a unit vector: v . S v.
inline double orderAlong(const double s[5], const double v[3]) {
  double m[3][3], r = 0.0;
  orderMatrix(s, m);
  for (int i = 0; i < 9; i++) r += v[i / 3] * m[i / 3][i % 3] * v[i % 3];
  return r;
}

}  // namespace korim_test
