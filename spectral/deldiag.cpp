// Diagonal suppression along one row of a two-dimensional spectrum.
#include "spectral/deldiag.h"

#include <algorithm>
#include <cmath>

#include "spectral/report.h"

namespace korim::spectral {

int deldiag(float *rdata, float *idata, int size, int specnum, int quadState, int spectrum,
            int zeroWidth, float aspect, float intercept, int zeroFunc, float zeroParm) {
  (void)specnum;
  if (zeroFunc < 0 || zeroFunc > 3) return 1;
  if (zeroWidth < 0 || (zeroWidth == 0 && (zeroFunc == 1 || zeroFunc == 2))) {
    specMsg("DELDIAG Error: bad zero width %d.\n", zeroWidth);
    return 1;
  }
  double diag = std::trunc(static_cast<double>(spectrum) * aspect + intercept - 1.0);
  if (!(diag + zeroWidth >= 0.0 && diag - zeroWidth <= size - 1.0)) return 0;
  long xDiag = static_cast<long>(diag);
  long first = std::max(xDiag - zeroWidth, 0L), last = std::min<long>(xDiag + zeroWidth, size - 1L);
  double c = zeroWidth > 0 ? std::acos(-1.0) / (2.0 * zeroWidth) : 0.0;
  double g = zeroParm > 0.0f ? -std::log(2.0) / (static_cast<double>(zeroParm) * zeroParm) : 0.0;
  for (long i = first; i <= last; i++) {
    double d = static_cast<double>(i - xDiag), factor = 0.0;
    if (zeroFunc == 1) factor = std::fabs(d / zeroWidth);
    if (zeroFunc == 2) factor = 1.0 - std::sin((d + zeroWidth) * c);
    if (zeroFunc == 3) factor = g != 0.0 ? 1.0 - std::exp(d * d * g) : 0.0;
    rdata[i] = static_cast<float>(rdata[i] * factor);
    if (quadState != 1) idata[i] = static_cast<float>(idata[i] * factor);
  }
  return 0;
}

}  // namespace korim::spectral
