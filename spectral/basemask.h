// Masks of the baseline points of a spectrum: by a histogram band search, by
// the central fraction of the sorted values, or by the deviation of blocks.
#pragma once

namespace korim::spectral {

// Sort comparator over floats by value: 1 when a > b, -1 when smaller, 0 when equal.
int qTestSpecVal(const void *val1, const void *val2);

// Each routine sets fitMask[i] non-zero for the baseline points of
// rdata[0..length-1] and leaves the other entries as they are; returns 0.
// idata and quadState are not used. The band of the last histogram search
// (32 bins, narrowed at most maxIter times by s2n) is marked.
int baseMask(float *rdata, float *idata, int quadState, int *fitMask, int length, float s2n,
             int maxIter);
// Marks the values between the sorted values around the centre spanning
// `fraction` of the points. work holds length floats.
int baseMask0(float *rdata, float *work, int *fitMask, int length, float fraction);
// Marks the blocks of `window` points whose standard deviation is at most the
// threshold: `noise` when positive, else -noise times getSpecNoise's estimate.
// With avgFlag only a block's middle point is marked, with the block's
// averaging half-width (w-1)/2, at least 1. work holds length floats.
int baseMask2(float *rdata, float *work, int *fitMask, int length, float noise, int window,
              float fraction, int avgFlag);

}  // namespace korim::spectral
