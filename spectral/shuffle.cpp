// The shuffle dispatcher over the vector primitives.
#include "spectral/shuffle.h"


#include "spectral/report.h"
#include "spectral/vecops.h"

namespace korim::spectral {

namespace {

// Runs op on rdata and, for complex data, on idata with the same arguments.
template <typename Op>
void both(float *rdata, float *idata, bool complexData, Op op) {
  op(rdata);
  if (complexData) op(idata);
}

}  // namespace

int shufData(float *rdata, float *idata, int n, int quadState, int code, int inverse, int rSize) {
  bool cplx = quadState != 1;
  if (code < SHUF_NONE || code > SHUF_I2R) {
    specMsg("SHUF Error: unknown code %d.\n", code);
    return 1;
  }
  if ((code == SHUF_RI2C || code == SHUF_C2RI) && n > 0 && rSize / 2 < n) {
    specMsg("SHUF Error: %d complex values need %d values of room; the buffer has %d.\n", n,
                2 * n, rSize);
    return 1;
  }
  if (n < 1) return 0;
  int h = n / 2;
  switch (code) {
    case SHUF_RI2C:
      ri2c(rdata, idata, rdata, n);
      break;
    case SHUF_C2RI:
      c2ri(rdata, rdata, idata, n);
      break;
    case SHUF_REORDER:
      both(rdata, idata, cplx, [&](float *v) { reorder(v, n, inverse); });
      break;
    case SHUF_REORDER2:
      both(rdata, idata, cplx, [&](float *v) { reorder2(v, n); });
      break;
    case SHUF_SWAP:
      swapRI(rdata, idata, n);
      break;
    case SHUF_NEG:
      both(rdata, idata, cplx, [&](float *v) { vNeg(v, n); });
      break;
    case SHUF_NEG_R:
      vNeg(rdata, n);
      break;
    case SHUF_NEG_I:
      vNeg(idata, n);
      break;
    case SHUF_NEG_LEFT:
      both(rdata, idata, cplx, [&](float *v) { vNeg(v, h); });
      break;
    case SHUF_NEG_RIGHT:
      both(rdata, idata, cplx, [&](float *v) { vNeg(v + h, n - h); });
      break;
    case SHUF_ALT:
      if (cplx)
        both(rdata, idata, true, [&](float *v) { vAlt(v, n); });
      else
        vAlt2(rdata, n);
      break;
    case SHUF_ABS:
      both(rdata, idata, cplx, [&](float *v) { vAbs(v, n); });
      break;
    case SHUF_BSWAP:
      both(rdata, idata, cplx, [&](float *v) { byteSwap(v, n); });
      break;
    case SHUF_SIGN:
      both(rdata, idata, cplx, [&](float *v) { vSignum(v, n); });
      break;
    case SHUF_R2I:
      both(rdata, idata, cplx, [&](float *v) { vR2I(v, n); });
      break;
    case SHUF_I2R:
      both(rdata, idata, cplx, [&](float *v) { vI2R(v, n); });
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace korim::spectral
