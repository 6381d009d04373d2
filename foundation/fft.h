// Fast Fourier transforms of single-precision data in place: complex, real
// and two real arrays at once. Arrays are 1-based; point k of a complex array
// has its real part at index 2k-1 and its imaginary part at 2k.
#pragma once

namespace korim::foundation {

// Whether the processor (and the system) run AVX instructions, which the
// vector forms of the numerical kernels need (false off x86-64).
bool haveAvx();

// In-place transform of nn complex points (data[1..2nn]); nn a power of two.
// isign 1: forward, kernel exp(+2 pi i jk/nn); isign -1: inverse without the
// 1/nn factor. Any other nn (not a power of two) is reported through nrerror
// and leaves the data unchanged. Where the processor has AVX the butterflies
// run two points at a time, with the same arithmetic and so the same bytes as
// four1Plain.
void four1(float *data, unsigned long nn, int isign);
// The same transform one butterfly at a time (machines without AVX).
void four1Plain(float *data, unsigned long nn, int isign);

// isign 1: transform of the 2n real values data[1..2n] (n a power of two),
// packed as n complex values with the real zero- and top-frequency parts in
// data[1] and data[2]. isign -1: the inverse of that packing; the caller
// scales its result by 1/n.
void realft(float *data, int n, int isign);

// Transforms of the real arrays data1[1..n] and data2[1..n] (n a power of two)
// with one complex transform: fft1[1..2n] and fft2[1..2n] receive n complex
// points each.
void twofft(const float *data1, const float *data2, float *fft1, float *fft2, int n);

}  // namespace korim::foundation
