// Danielson-Lanczos complex FFT and the real-data transforms built on it.
#include "foundation/fft.h"

#include <cmath>
#include <utility>

#include "foundation/nrutil.h"

namespace korim::foundation {

namespace {

bool isPowerOfTwo(unsigned long n) { return n != 0 && (n & (n - 1)) == 0; }

}  // namespace

void four1(float *data, unsigned long nn, int isign) {
  if (!isPowerOfTwo(nn)) {
    // The bit reversal and the butterflies would run past the array.
    nrerror("Number of points not a power of 2 in FOUR1");
    return;
  }
  const unsigned long n = nn << 1;
  // Bit-reversal reordering of the complex points.
  unsigned long j = 1;
  for (unsigned long i = 1; i < n; i += 2) {
    if (j > i) {
      std::swap(data[j], data[i]);
      std::swap(data[j + 1], data[i + 1]);
    }
    unsigned long m = n >> 1;
    while (m >= 2 && j > m) {
      j -= m;
      m >>= 1;
    }
    j += m;
  }
  // Butterflies; the twiddle factors follow a trigonometric recurrence in double.
  unsigned long mmax = 2;
  while (n > mmax) {
    const unsigned long istep = mmax << 1;
    const double theta = isign * (6.28318530717959 / static_cast<double>(mmax));
    double wtemp = std::sin(0.5 * theta);
    const double wpr = -2.0 * wtemp * wtemp;
    const double wpi = std::sin(theta);
    double wr = 1.0, wi = 0.0;
    for (unsigned long m = 1; m < mmax; m += 2) {
      for (unsigned long i = m; i <= n; i += istep) {
        const unsigned long k = i + mmax;
        const float tempr = static_cast<float>(wr * data[k] - wi * data[k + 1]);
        const float tempi = static_cast<float>(wr * data[k + 1] + wi * data[k]);
        data[k] = data[i] - tempr;
        data[k + 1] = data[i + 1] - tempi;
        data[i] += tempr;
        data[i + 1] += tempi;
      }
      wr = (wtemp = wr) * wpr - wi * wpi + wr;
      wi = wi * wpr + wtemp * wpi + wi;
    }
    mmax = istep;
  }
}

void realft(float *data, int n, int isign) {
  if (n < 1) return;
  const float c1 = 0.5f;
  float c2;
  double theta = 3.141592653589793 / static_cast<double>(n);
  if (isign == 1) {
    c2 = -0.5f;
    four1(data, static_cast<unsigned long>(n), 1);
  } else {
    c2 = 0.5f;
    theta = -theta;
  }
  double wtemp = std::sin(0.5 * theta);
  const double wpr = -2.0 * wtemp * wtemp;
  const double wpi = std::sin(theta);
  double wr = 1.0 + wpr, wi = wpi;
  const int n2p3 = 2 * n + 3;
  // Separates the transforms of the even and odd samples, point i paired with n+2-i.
  for (int i = 2; i <= n / 2; i++) {
    const int i1 = i + i - 1, i2 = i1 + 1, i3 = n2p3 - i2, i4 = i3 + 1;
    const float h1r = c1 * (data[i1] + data[i3]);
    const float h1i = c1 * (data[i2] - data[i4]);
    const float h2r = -c2 * (data[i2] + data[i4]);
    const float h2i = c2 * (data[i1] - data[i3]);
    data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
    data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
    data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
    data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
    wr = (wtemp = wr) * wpr - wi * wpi + wr;
    wi = wi * wpr + wtemp * wpi + wi;
  }
  const float h1r = data[1];
  if (isign == 1) {
    data[1] = h1r + data[2];
    data[2] = h1r - data[2];
  } else {
    data[1] = c1 * (h1r + data[2]);
    data[2] = c1 * (h1r - data[2]);
    four1(data, static_cast<unsigned long>(n), -1);
  }
}

void twofft(float *data1, float *data2, float *fft1, float *fft2, int n) {
  if (n < 1) return;
  const int nn2 = 2 + n + n, nn3 = nn2 + 1;
  for (int j = 1, jj = 2; j <= n; j++, jj += 2) {
    fft1[jj - 1] = data1[j];
    fft1[jj] = data2[j];
  }
  four1(fft1, static_cast<unsigned long>(n), 1);
  fft2[1] = fft1[2];
  fft1[2] = fft2[2] = 0.0f;
  // Point k and its mirror n-k hold the even and odd parts of the two transforms.
  for (int j = 3; j <= n + 1; j += 2) {
    const float rep = 0.5f * (fft1[j] + fft1[nn2 - j]);
    const float rem = 0.5f * (fft1[j] - fft1[nn2 - j]);
    const float aip = 0.5f * (fft1[j + 1] + fft1[nn3 - j]);
    const float aim = 0.5f * (fft1[j + 1] - fft1[nn3 - j]);
    fft1[j] = rep;
    fft1[j + 1] = aim;
    fft1[nn2 - j] = rep;
    fft1[nn3 - j] = -aim;
    fft2[j] = aip;
    fft2[j + 1] = -rem;
    fft2[nn2 - j] = aip;
    fft2[nn3 - j] = rem;
  }
}

}  // namespace korim::foundation
