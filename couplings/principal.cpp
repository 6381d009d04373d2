// The principal couplings of an alignment tensor read from the two extremes of its couplings.
#include "couplings/principal.h"

#include <cmath>

namespace korim::couplings {

int twoExtremeEstimate(float min, float max, float sdevDzz, float sdevDyy, float* Da2Par,
                       float* R2Par, float* sdevNeg, float* sdevPos) {
  const bool positive = std::fabs(min) <= std::fabs(max);
  const float zz = positive ? max : min;
  const float yy = positive ? min : max;
  *Da2Par = 0.5f * zz;
  *R2Par = *Da2Par != 0.0f ? (yy / *Da2Par + 1.0f) / -1.5f : 0.0f;
  *sdevPos = positive ? sdevDzz : sdevDyy;
  *sdevNeg = positive ? sdevDyy : sdevDzz;
  return positive ? 1 : 0;
}

}  // namespace korim::couplings
