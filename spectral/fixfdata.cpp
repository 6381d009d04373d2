// Repair of incomplete spectral data headers: defaults for sizes, order, labels and markers.
#include "spectral/fdatap.h"

namespace korim::spectral {

namespace {

// Sizes of location sets 2, 3, 4 and the quadrature flags of those sets.
constexpr int kOtherSizes[] = {kWordSize2, kWordSize3, kWordSize4};
constexpr int kOtherQuads[] = {55, 51, 54};
constexpr int kWordTdSize1 = 95;
constexpr int kWordQuadSet1 = 56;
constexpr int kWordQuadSet2 = 55;
constexpr int kWordObs1 = 119;
constexpr int kWordObs2 = 218;
constexpr int kWordSw1 = 100;
constexpr int kWordSw2 = 229;

void fillDimOrder(float* fdata) {
    if (fdata[kWordDimOrder1] == 0.0f || fdata[kWordDimOrder1 + 1] == 0.0f) {
        const bool transposed = fdata[kWordTransposed] != 0.0f;
        fdata[kWordDimOrder1] = transposed ? 1.0f : 2.0f;
        fdata[kWordDimOrder1 + 1] = transposed ? 2.0f : 1.0f;
        fdata[kWordDimOrder1 + 2] = 3.0f;
        fdata[kWordDimOrder1 + 3] = 4.0f;
    }
    if (fdata[kWordDimOrder1 + 2] == 0.0f) fdata[kWordDimOrder1 + 2] = 3.0f;
    if (fdata[kWordDimOrder1 + 3] == 0.0f) fdata[kWordDimOrder1 + 3] = 4.0f;
}

// Defaults of a header that did not even carry its dimension count.
void fillOldStyle(float* fdata) {
    if (fdata[kWordQuad] == 1.0f) {
        fdata[kWordQuadSet1] = 1.0f;
        fdata[kWordQuadSet2] = 1.0f;
    }
    if (fdata[kWordObs1] == 0.0f) fdata[kWordObs1] = 1.0f;
    if (fdata[kWordObs2] == 0.0f) fdata[kWordObs2] = fdata[kWordObs1];
    if (fdata[kWordSw1] == 0.0f) fdata[kWordSw1] = 1.0f;
    if (fdata[kWordSw2] == 0.0f) fdata[kWordSw2] = fdata[kWordSw1];
    const bool transposed = fdata[kWordTransposed] != 0.0f;
    txt2Flt(transposed ? "Y" : "X", fdata + kWordLabel1, 8);
    txt2Flt(transposed ? "X" : "Y", fdata + kWordLabel1 + 2, 8);
    txt2Flt("Z", fdata + kWordLabel1 + 4, 8);
    txt2Flt("A", fdata + kWordLabel1 + 6, 8);
}

}  // namespace

int fixfdata(float* fdata) {
    if (isNullHdr(fdata)) return 1;
    fdata[kWordFixed] = 1.0f;
    if (hdrInt(fdata[kWordFormat]) == 0) fdata[kWordFormat] = kHdrFormat;
    if (hdrInt(fdata[kWordOrder]) == 0) fdata[kWordOrder] = kHdrOrderMark;
    for (int i = 0; i < 3; i++) {
        if (hdrInt(fdata[kOtherSizes[i]]) < 1) {
            fdata[kOtherSizes[i]] = 1.0f;
            fdata[kOtherQuads[i]] = 1.0f;
        }
    }
    const bool tdLow = hdrInt(fdata[kWordTdSize1]) < 1;
    const bool tdAltLow = hdrInt(fdata[kWordTdSizeAlt]) < 1;
    if (tdLow && tdAltLow) {
        fdata[kWordTdSize1] = fdata[kWordSize1];
        fdata[kWordTdSizeAlt] = fdata[kWordSize1];
    } else if (tdLow) {
        fdata[kWordTdSize1] = fdata[kWordTdSizeAlt];
    } else if (tdAltLow) {
        fdata[kWordTdSizeAlt] = fdata[kWordTdSize1];
    }
    bool countFilled = false;
    if (fdata[kWordDimCount] == 0.0f) {
        fdata[kWordDimCount] = hdrInt(fdata[kWordSize2]) < 2 ? 1.0f : 2.0f;
        countFilled = true;
    }
    fillDimOrder(fdata);
    if (hdrInt(fdata[kWordPlaneCount]) == 0) fdata[kWordPlaneCount] = fdata[kWordSize4] * fdata[kWordSize3];
    if (countFilled) fillOldStyle(fdata);
    return 0;
}

}  // namespace korim::spectral
