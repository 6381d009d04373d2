// Complex arithmetic; several routines keep single-precision intermediates.
#include "foundation/complexd.h"

#include <cmath>

namespace korim::foundation {

fcomplex Cadd_d(fcomplex a, fcomplex b) { return fcomplex{a.r + b.r, a.i + b.i}; }

fcomplex Csub_d(fcomplex a, fcomplex b) { return fcomplex{a.r - b.r, a.i - b.i}; }

fcomplex Cmul_d(fcomplex a, fcomplex b) {
  return fcomplex{a.r * b.r - a.i * b.i, a.i * b.r + a.r * b.i};
}

fcomplex Complex_d(float re, float im) { return fcomplex{re, im}; }

fcomplex Conjg_d(fcomplex z) { return fcomplex{z.r, -z.i}; }

fcomplex Cdiv_d(fcomplex a, fcomplex b) {
  float r, den;
  fcomplex c;
  if (std::fabs(b.r) >= std::fabs(b.i)) {
    r = static_cast<float>(b.i / b.r);
    den = static_cast<float>(b.r + r * b.i);
    c.r = (a.r + r * a.i) / den;
    c.i = (a.i - r * a.r) / den;
  } else {
    r = static_cast<float>(b.r / b.i);
    den = static_cast<float>(b.i + r * b.r);
    c.r = (a.r * r + a.i) / den;
    c.i = (a.i * r - a.r) / den;
  }
  return c;
}

double Cabs_d(fcomplex z) {
  float x = static_cast<float>(std::fabs(z.r)), y = static_cast<float>(std::fabs(z.i)), ans;
  if (x == 0.0f) {
    ans = y;
  } else if (y == 0.0f) {
    ans = x;
  } else if (x > y) {
    float t = y / x;
    ans = static_cast<float>(x * std::sqrt(1.0 + t * t));
  } else {
    float t = x / y;
    ans = static_cast<float>(y * std::sqrt(1.0 + t * t));
  }
  return ans;
}

fcomplex Csqrt_d(fcomplex z) {
  if (z.r == 0.0 && z.i == 0.0) return fcomplex{0.0, 0.0};
  float x = static_cast<float>(std::fabs(z.r)), y = static_cast<float>(std::fabs(z.i)), r, w;
  if (x >= y) {
    r = y / x;
    w = static_cast<float>(std::sqrt(x) * std::sqrt(0.5 * (1.0 + std::sqrt(1.0 + r * r))));
  } else {
    r = x / y;
    w = static_cast<float>(std::sqrt(y) * std::sqrt(0.5 * (r + std::sqrt(1.0 + r * r))));
  }
  fcomplex c;
  if (z.r >= 0.0) {
    c.r = w;
    c.i = z.i / (2.0 * w);
  } else {
    c.i = (z.i >= 0.0) ? w : -w;
    c.r = z.i / (2.0 * c.i);
  }
  return c;
}

fcomplex RCmul_d(float x, fcomplex a) { return fcomplex{x * a.r, x * a.i}; }

}  // namespace korim::foundation
