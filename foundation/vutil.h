// Element-wise operations on 0-based float vectors; size < 1 does nothing.
#pragma once

namespace korim::foundation {

int vvCopy(float *dest, float *src, int size);                                 // dest = src
int vvCopyOff(float *dest, float *src, int size, int destOff, int srcOff);     // with offsets
int vvMult(float *dest, float *src, int size);                                 // dest *= src
int vvSub(float *dest, float *src, int size);                                  // dest -= src
int vsSet(float *dest, int size, float val);  // dest = val; null dest does nothing
int vsAdd(float *dest, int size, float val);                                   // dest += val
int vsMult(float *dest, int size, float val);                                  // dest *= val
// Sum of src[0..size-1] accumulated in extended precision; 0 for size < 1.
float vSum(float *src, int size);

}  // namespace korim::foundation
