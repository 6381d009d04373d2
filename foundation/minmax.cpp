// Minimum and maximum over vectors.
#include "foundation/minmax.h"

namespace korim::foundation {

namespace {

// Folds vec[0..length-1] into the values already in minVal and maxVal.
template <typename T> void foldMinMax(const T *vec, int length, T *minVal, T *maxVal) {
  for (int i = 0; i < length; i++) {
    if (vec[i] < *minVal) *minVal = vec[i];
    if (vec[i] > *maxVal) *maxVal = vec[i];
  }
}

}  // namespace

int minMax(float *vec, int length, float *minVal, float *maxVal) {
  *minVal = *maxVal = vec[0];
  foldMinMax(vec, length, minVal, maxVal);
  return 0;
}

// The element count comes by value: the count-as-pointer form of old has no
// caller and no sound reading.
int iMinMax(int *vec, int length, int *minVal, int *maxVal) {
  *minVal = *maxVal = vec[0];
  foldMinMax(vec, length, minVal, maxVal);
  return 0;
}

int minMaxQ(float *matrix, int size, int specnum, int quadState, float *minVal, float *maxVal) {
  *minVal = *maxVal = matrix[0];
  for (int s = 0; s < specnum; s++)
    foldMinMax(matrix + static_cast<long>(s) * size * quadState, size, minVal, maxVal);
  return 0;
}

}  // namespace korim::foundation
