// Range of a float or int vector and of a block of spectral vectors.
#pragma once

namespace korim::foundation {

// vec[0..length-1] (length >= 1; a length of 0 gives vec[0] for both).
// Strict comparisons: ties and not-a-number leave the current value. Return 0.
int minMax(float *vec, int length, float *minVal, float *maxVal);
int iMinMax(int *vec, int length, int *minVal, int *maxVal);
// specnum vectors size*quadState floats apart; the first size elements of
// each are folded in (quadState 2: only the real half). Starts from matrix[0].
int minMaxQ(float *matrix, int size, int specnum, int quadState, float *minVal, float *maxVal);

}  // namespace korim::foundation
