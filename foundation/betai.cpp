// Regularised incomplete beta function by its continued fraction.
#include "foundation/betai.h"

#include <cmath>

#include "foundation/gamma.h"
#include "foundation/nrutil.h"

namespace korim::foundation {

float betacf(float a, float b, float x) {
  const int MAXIT = 100;
  const float EPS = 3.0e-7f, FPMIN = 1.0e-30f;
  float qab = a + b, qap = a + 1.0f, qam = a - 1.0f;
  float c = 1.0f, d = 1.0f - qab * x / qap;
  if (std::fabs(d) < FPMIN) d = FPMIN;
  d = 1.0f / d;
  float h = d;
  int m;
  for (m = 1; m <= MAXIT; m++) {
    int m2 = 2 * m;
    float aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0f + aa * d;
    if (std::fabs(d) < FPMIN) d = FPMIN;
    c = 1.0f + aa / c;
    if (std::fabs(c) < FPMIN) c = FPMIN;
    d = 1.0f / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0f + aa * d;
    if (std::fabs(d) < FPMIN) d = FPMIN;
    c = 1.0f + aa / c;
    if (std::fabs(c) < FPMIN) c = FPMIN;
    d = 1.0f / d;
    float del = d * c;
    h *= del;
    if (std::fabs(del - 1.0f) < EPS) break;
  }
  if (m > MAXIT) nrerror("a or b too big, or MAXIT too small in betacf");
  return h;
}

float betai(float a, float b, float x) {
  if (x < 0.0f || x > 1.0f) nrerror("Bad x in routine betai");
  float bt;
  if (x == 0.0f || x == 1.0f)
    bt = 0.0f;
  else
    bt = static_cast<float>(std::exp(gammln(a + b) - gammln(a) - gammln(b) + a * std::log(x) +
                                     b * std::log(1.0f - x)));
  if (x < (a + 1.0f) / (a + b + 2.0f)) return bt * betacf(a, b, x) / a;
  return 1.0f - bt * betacf(b, a, 1.0f - x) / b;
}

}  // namespace korim::foundation
