// Polar method for normal deviates, shared by the generators of both
// precisions.
#pragma once

#include <cmath>

namespace korim::foundation::polarcore {

// Draws p, q = 2u - 1 from uniform() (values in [0, 1]) until
// 0 < r = p^2 + q^2 < 1 (r = 0 has no logarithm); with f = sqrt(-2 ln r / r)
// stores p f in *second and returns q f: two independent standard deviates.
template <typename T, typename Uniform> T normalPair(Uniform uniform, T *second) {
  T p, q, r;
  do {
    p = T(2) * uniform() - T(1);
    q = T(2) * uniform() - T(1);
    r = p * p + q * q;
  } while (r >= T(1) || r == T(0));
  T fac = std::sqrt(T(-2) * std::log(r) / r);
  *second = p * fac;
  return q * fac;
}

}  // namespace korim::foundation::polarcore
