// Quantiles of the normal and Student t distributions, for margins of confidence.
#include "foundation/quantile.h"

#include <cmath>

#include "foundation/betai.h"

namespace korim::foundation {

namespace {

// x in [lo, hi] where the decreasing function tail(x) equals want, by bisection in log x.
template <typename Tail>
double bisect(Tail tail, double want, double lo, double hi) {
  for (int i = 0; i < 200 && hi / lo > 1.0 + 1e-12; i++) {
    const double mid = std::sqrt(lo * hi);
    (tail(mid) > want ? lo : hi) = mid;
  }
  return std::sqrt(lo * hi);
}

}  // namespace

double normalQuantile(double tail) {
  if (tail >= 0.5) return 0.0;  // the bisection covers the upper half
  return bisect([](double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }, tail, 1e-9, 40.0);
}

double studentQuantile(double tail, int nu) {
  const double n = nu;
  auto twoSided = [n](double t) {
    return static_cast<double>(betai(static_cast<float>(0.5 * n), 0.5f, static_cast<float>(n / (n + t * t))));
  };
  return bisect(twoSided, tail, 1e-9, 1e9);
}

}  // namespace korim::foundation
