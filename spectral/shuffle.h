// The shuffle dispatcher: one vector operation by code on a real/imaginary pair.
#pragma once

namespace korim::spectral {

// Codes of shufData.
enum ShufCode {
  SHUF_NONE = 0,
  SHUF_RI2C = 1,
  SHUF_C2RI = 2,
  SHUF_REORDER = 3,
  SHUF_REORDER2 = 4,
  SHUF_SWAP = 5,
  SHUF_NEG = 6,
  SHUF_NEG_R = 7,
  SHUF_NEG_I = 8,
  SHUF_NEG_LEFT = 9,
  SHUF_NEG_RIGHT = 10,
  SHUF_ALT = 11,
  SHUF_ABS = 12,
  SHUF_BSWAP = 13,
  SHUF_SIGN = 14,
  SHUF_R2I = 15,
  SHUF_I2R = 16
};

// Applies operation `code` to rdata[0..n-1] (and idata when the quadrature
// state is not 1, i.e. the data are complex); inverse picks the inverse
// reorder. Codes 1 and 2 use 2n values of rdata (n interleaved complex
// values): rSize is the number of floats rdata holds, and a smaller buffer
// refuses the call. Returns 0, or 1 after a message for an unknown code or a
// buffer too small.
int shufData(float *rdata, float *idata, int n, int quadState, int code, int inverse, int rSize);

}  // namespace korim::spectral
