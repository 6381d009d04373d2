// Element-wise vector arithmetic.
#include "foundation/vutil.h"

namespace korim::foundation {

int vvCopy(float *dest, float *src, int size) {
  for (int i = 0; i < size; i++) dest[i] = src[i];
  return 0;
}

int vvCopyOff(float *dest, float *src, int size, int destOff, int srcOff) {
  for (int i = 0; i < size; i++) dest[destOff + i] = src[srcOff + i];
  return 0;
}

int vvMult(float *dest, float *src, int size) {
  for (int i = 0; i < size; i++) dest[i] *= src[i];
  return 0;
}

int vvSub(float *dest, float *src, int size) {
  for (int i = 0; i < size; i++) dest[i] -= src[i];
  return 0;
}

int vsSet(float *dest, int size, float val) {
  if (!dest) return 0;
  for (int i = 0; i < size; i++) dest[i] = val;
  return 0;
}

int vsAdd(float *dest, int size, float val) {
  for (int i = 0; i < size; i++) dest[i] += val;
  return 0;
}

int vsMult(float *dest, int size, float val) {
  for (int i = 0; i < size; i++) dest[i] *= val;
  return 0;
}

float vSum(float *src, int size) {
  long double s = 0.0L;
  for (int i = 0; i < size; i++) s += src[i];
  return static_cast<float>(s);
}

}  // namespace korim::foundation
