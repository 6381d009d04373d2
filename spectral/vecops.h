// In-place primitives on single-precision spectral vectors: reordering, zero
// filling and shifts, phase and scale, mirror images, complex layouts, signs.
#pragma once

namespace korim::spectral {

// One complex point stored as interleaved single-precision parts.
typedef struct {
  float re;
  float im;
} f_complex;

// Vectors are indexed from 0 and counts are element counts (complex counts for
// f_complex arrays); "first" and "last" are 1-based points and the routines
// taking them work on points first .. last-1. A count below 1 does nothing.
// Every routine returns 0.

// Rotation by half: forward moves element 0 to n/2, new[j] = old[(j+n-n/2) % n];
// the inverse is new[j] = old[(j+n/2) % n].
int reorder(float *x, int n, int inverse);
int c_reorder(f_complex *z, int n, int inverse);
// Reverses the first (n+1)/2 values and the remaining ones, each in place.
int reorder2(float *x, int n);
int c_reorder2(f_complex *z, int n);
int reverse(float *x, int n);
int c_reverse(f_complex *z, int n);

// x[n .. n+count-1] = 0 (x holds n+count values).
int zfTail(float *x, int n, int count);
// Opens count zeros at index n/2 of an array of n+count values.
int zfMid(float *x, int n, int count);
// Shift left by s (right for s < 0) by at most n; zeros enter.
int lShift(float *x, int n, int s);
int rShift(float *x, int n, int s);
// Circular shift left by s (right for s < 0) through work[0..n-1]; with invFlag
// the wrapped values change sign, and every full turn flips both signs.
int clShift(float *x, int n, int s, float *work, int invFlag);
int crShift(float *x, int n, int s, float *work, int invFlag);

// Points first .. last-1 times e^(i theta), theta_k = p0' + k p1'/n for the
// 0-based index k; p0 and p1 in degrees.
int c_phase(f_complex *z, int first, int last, int n, float p0, float p1);
int phaseRI(float *re, float *im, int first, int last, int n, float p0, float p1);
// Point k rotated by phases[k] radians.
int phaseRIP(float *re, float *im, float *phases, int n);
// Points first .. last-1: re = |z| (im kept).
int c_modulus(f_complex *z, int first, int last);
int c_scale(f_complex *z, int n);  // times 1/n
int r_scale(float *x, int n);      // times 1/n
// Block j of m values becomes x[j] = sum_i coef[i] x[j m + i]; n/m blocks.
int coAdd(float *x, int n, float *coef, int m);

// Mirror images; x holds the grown length (2n-1 for lpMirror, else 2n).
int lpMirror(float *x, int n, int imagFlag);
int htMirror(float *x, int n);
int htMirrorC(f_complex *z, int n);
int mirror(float *x, int n, int leftFlag, int invLFlag, int invRFlag, int htFlag);

// Interleave n real and n imaginary values into z[0..2n-1] (z may be re).
int ri2c(float *re, float *im, float *z, int n);
// Separate n interleaved complex values (re may be z).
int c2ri(float *z, float *re, float *im, int n);
int swapRI(float *a, float *b, int n);
// Reverses the byte order of each 32-bit word.
int byteSwap(float *x, int n);
// Float value to 32-bit integer bits in place (truncated toward zero; out of
// range values are held at the integer limits, NaN gives 0) and back.
int vR2I(float *x, int n);
int vI2R(float *x, int n);
int vNeg(float *x, int n);
int vAbs(float *x, int n);
int vSignum(float *x, int n);
int vAlt(float *x, int n);   // negates x[1], x[3], ...
int vAlt2(float *x, int n);  // negates x[2], x[3]; x[6], x[7]; ...
// Absorbance -log10 |x / (c bg)| with the threshold rule for weak background.
int vAbsCor(float *out, float *x, float *bg, float c, float thresh, int n);

}  // namespace korim::spectral
