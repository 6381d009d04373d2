// One-layer neural network mapping a complex time-domain vector to a
// spectrum, with weights read from a text file.
#pragma once

namespace korim::spectral {

typedef struct {
  int tSize;      // complex input points
  int fSize;      // outputs
  float scale;    // data scale (1 when given 0)
  float noise;    // noise level fed to the network
  float **w;      // [fSize] rows of 2 tSize + 2 weights, pointers into work
  float *x;       // [2 tSize + 2] inputs: 1, noise, real parts, imaginary parts (all / scale)
  float *work;    // [fSize*(2 tSize + 2)] weight storage
} FTNetInfo;

int ftNetNull(FTNetInfo *ftNetInfo);
// Reads fSize x (2 tSize + 2) whitespace-separated numbers from inName, row by
// row (tag "net"). 0, or 1: "FTNet Error opening file %s", "FTNet Error
// reading %s" (too few numbers), bad sizes (below 1, or weights past what one
// allocator block holds), or memory.
int ftNetInit(FTNetInfo *ftNetInfo, int tSize, int fSize, float scale, float noise,
              const char *inName);
// rdata[j] = tanh(a_j/2) scale, a_j = sum_i w[j][i] x[i], for j < fSize; the
// inputs are taken before any output is written (rdata holds fSize points).
int ftNet(float *rdata, float *idata, FTNetInfo *ftNetInfo);
int ftNetFree(FTNetInfo *ftNetInfo);

}  // namespace korim::spectral
