// Single-frequency maximum-likelihood spectrum of a complex vector: at each
// frequency the least-squares fit of one complex sinusoid, the spectrum being
// the improvement of the residual over the noise level.
#pragma once

namespace korim::spectral {

// Sizes the file-level buffers (tag "ml") for size points; 1 after
// "ML Error allocating memory." on failure.
int ml1DInit(int size);
int ml1DFree();
// The spectrum of rdata + i idata (size points) written over rdata, point j
// for the line at point j+1 in the usual spectrum order; idata is scratch.
// wdata is an optional window (null for none), p0 and p1 phases in degrees,
// sigma the noise level (0: data not scaled); with signFlag points whose fitted
// amplitude is negative are negated. 0, or 1 when the buffers cannot be had.
int ml1D(float *rdata, float *idata, float *wdata, float p0, float p1, float sigma, int signFlag,
         int size);

}  // namespace korim::spectral
