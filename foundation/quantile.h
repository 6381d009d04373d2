// Quantiles of the normal and Student t distributions, for margins of confidence.
#pragma once

namespace korim::foundation {

// z with P(Z > z) = tail for a standard normal Z (0 < tail < 1), by bisection on erfc.
double normalQuantile(double tail);

// t with P(|T| > t) = tail for T of Student's distribution with nu degrees of freedom (nu >= 1,
// 0 < tail < 1), by bisection on the incomplete beta function (to about 1e-6 of tail).
double studentQuantile(double tail, int nu);

}  // namespace korim::foundation
