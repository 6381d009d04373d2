// Derivatives, running sums, moving-average smoothing and centring of
// single-precision vectors (0-based; a count below 1 does nothing).
#pragma once

namespace korim::spectral {

// out[0] = in[1]-in[0]; out[k] = in[k+1]-in[k-1] (not halved);
// out[n-1] = in[n-1]-in[n-2]. One point gives 0. Returns 0.
int dx(float *in, float *out, int n);
// The same along in[0], in[stride], ...; out is contiguous.
int dxV(float *in, float *out, int n, int stride);
// dx of each of the ny rows (nx values), then of each column; work holds
// max(nx, ny) values.
int dx2D(float *x, int nx, int ny, float *work);
// Running sum in place.
int integ(float *x, int n);
// Moving average of half-width w: out[k] is the mean of in[k-w .. k+w], the
// window cut to the data at both ends. w < 1 copies in to out. out may be in.
int nSmooth(float *in, float *out, int n, int w);
// in minus its moving average (same windows); w < 1 copies in to out.
int nCenter(float *in, float *out, int n, int w);

}  // namespace korim::spectral
