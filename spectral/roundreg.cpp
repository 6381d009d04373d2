// Next power of two and region rounding.
#include "spectral/roundreg.h"

#include <algorithm>

namespace korim::spectral {

int nextPower2(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p *= 2;
  return p;
}

int roundReg(int *first, int *last, int size, int mult) {
  if (mult >= -1 && mult <= 1) return 0;
  long long f = *first, l = *last, len = l - f + 1, target;
  if (mult >= 2) {
    target = len < 1 ? 0 : (len + mult - 1) / mult * mult;
  } else {
    long long base = -static_cast<long long>(mult);
    target = 1;
    while (target < len) target *= base;
  }
  long long extra = target - len;
  f -= extra / 2;
  l += extra - extra / 2;
  if (f < 1) {
    l += 1 - f;
    f = 1;
  }
  if (l > size) {
    f -= l - size;
    l = size;
  }
  *first = static_cast<int>(std::clamp<long long>(f, 1, std::max(size, 1)));
  *last = static_cast<int>(std::clamp<long long>(l, 1, std::max(size, 1)));
  return 0;
}

}  // namespace korim::spectral
