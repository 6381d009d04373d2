// Complex arithmetic on a value type with double parts.
#pragma once

namespace korim::foundation {

typedef struct FCOMPLEX {
  double r;  // real part
  double i;  // imaginary part
} fcomplex;

fcomplex Cadd_d(fcomplex a, fcomplex b);
fcomplex Csub_d(fcomplex a, fcomplex b);
fcomplex Cmul_d(fcomplex a, fcomplex b);
fcomplex Complex_d(float re, float im);
fcomplex Conjg_d(fcomplex z);
// a / b, scaled by the larger part of b (ratio and denominator in float).
fcomplex Cdiv_d(fcomplex a, fcomplex b);
// Modulus scaled by the larger part (float intermediates).
double Cabs_d(fcomplex z);
// Principal square root (float intermediates).
fcomplex Csqrt_d(fcomplex z);
fcomplex RCmul_d(float x, fcomplex a);

}  // namespace korim::foundation
