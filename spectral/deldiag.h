// Suppression of the diagonal of a homonuclear two-dimensional spectrum, one row at a time.
#pragma once

namespace korim::spectral {

// Row `spectrum` of the plane: the points within zeroWidth of the diagonal
// position trunc(spectrum*aspect + intercept - 1) (clipped to the row) are
// multiplied by a factor of their distance d from it: zeroFunc 0 gives 0,
// 1 |d|/zeroWidth, 2 1 - sin((d + zeroWidth) pi/(2 zeroWidth)), 3 1 -
// exp(-ln2 d^2/zeroParm^2) (0 when zeroParm <= 0). The real part only when
// quadState is 1, both parts otherwise. specnum is not used. Returns 0; 1 for
// another zeroFunc, a negative zeroWidth, or zeroWidth 0 with zeroFunc 1 or 2
// (after a message for the widths); the row is then unchanged.
int deldiag(float *rdata, float *idata, int size, int specnum, int quadState, int spectrum,
            int zeroWidth, float aspect, float intercept, int zeroFunc, float zeroParm);

}  // namespace korim::spectral
