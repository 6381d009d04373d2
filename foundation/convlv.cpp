// Convolution and deconvolution by multiplying transforms.
#include "foundation/convlv.h"

#include "foundation/fft.h"
#include "foundation/nrutil.h"
#include "foundation/tqutil.h"

namespace korim::foundation {

namespace {

// The work vector of 2n floats, released on every path.
struct TqWork {
  float *v;
  long nh;
  ~TqWork() { free_vectorTq(v, 1, nh); }
};

// The lengths and the sign are usable, else false after a message.
bool usable(int n, int m, int isign) {
  if (n < 2 || (n & (n - 1)) != 0) {
    nrerror("Number of points not a power of 2 in CONVLV");
    return false;
  }
  // An even or too long response would be moved outside the array.
  if (m < 1 || m % 2 == 0 || m > n) {
    nrerror("Bad response length in CONVLV");
    return false;
  }
  if (isign != 1 && isign != -1) {
    nrerror("No meaning for ISIGN in CONVLV");
    return false;
  }
  return true;
}

// The product (or quotient) of the transforms of data and of the arranged
// response, and its inverse, with the work vector fft.
int convolve(const float *data, int n, const float *respns, int isign, float *ans, float *fft) {
  twofft(data, respns, fft, ans, n);
  const int no2 = n / 2;
  int status = 0;
  for (int i = 2; i <= n + 2; i += 2) {
    const float a = fft[i - 1], b = fft[i], c = ans[i - 1], d = ans[i];
    if (isign == 1) {
      ans[i - 1] = (a * c - b * d) / no2;
      ans[i] = (b * c + a * d) / no2;
    } else {
      const float mag2 = c * c + d * d;
      if (mag2 == 0.0f) {
        nrerror("Deconvolving at response zero in CONVLV");
        status = 1;
      }
      ans[i - 1] = (a * c + b * d) / mag2 / no2;
      ans[i] = (b * c - a * d) / mag2 / no2;
    }
  }
  ans[2] = ans[n + 1];
  realft(ans, no2, -1);
  return status;
}

}  // namespace

void convlvArrange(float *respns, int n, int m) {
  // Negative times of the response go to the end of the array, zeros between.
  for (int i = 1; i <= (m - 1) / 2; i++) respns[n + 1 - i] = respns[m + 1 - i];
  for (int i = (m + 3) / 2; i <= n - (m - 1) / 2; i++) respns[i] = 0.0f;
}

int convlv(float *data, int n, float *respns, int m, int isign, float *ans) {
  if (!usable(n, m, isign)) return 1;
  TqWork work{vectorTq(1, 2L * n), 2L * n};
  if (!work.v) return 1;
  convlvArrange(respns, n, m);
  return convolve(data, n, respns, isign, ans, work.v);
}

int convlvArranged(const float *data, int n, const float *respns, int isign, float *ans) {
  if (!usable(n, 1, isign)) return 1;
  TqWork work{vectorTq(1, 2L * n), 2L * n};
  if (!work.v) return 1;
  return convolve(data, n, respns, isign, ans, work.v);
}

}  // namespace korim::foundation
