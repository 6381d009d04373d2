// Couplings of single bond orientations under an alignment tensor, and the mapping of a measured
// coupling to the range of values a tensor with errors allows.
#include "fitting/mapmagtodc.h"

#include <cmath>

namespace korim::fitting {

double dip_coup(double theta, double phi, double Dab, double R) {
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  return Dab * ((1.0 - 3.0 * c * c) - 1.5 * R * s * s * std::cos(2.0 * phi));
}

int mapMagToDc(double Dab, double DabErr, double R, double RErr, double coup, double coupErr,
               double* coupAve, double* coupAveErr) {
  const double corners[4][2] = {{Dab + DabErr, R + RErr},
                                {Dab - DabErr, R + RErr},
                                {Dab + DabErr, R - RErr},
                                {Dab - DabErr, R - RErr}};
  double coupMax = coup;
  double coupMin = coup;
  float theta = 0.0f;
  for (int i = 0; i < 158; ++i, theta += 0.01f) {
    float phi = 0.0f;
    for (int j = 0; j < 315; ++j, phi += 0.01f) {
      for (const auto& c : corners) {
        const double dc = dip_coup(theta, phi, c[0], c[1]);
        if (dc < coup - coupErr || dc > coup + coupErr) continue;
        const double central = dip_coup(theta, phi, Dab, R);
        coupMax = std::fmax(coupMax, central);
        coupMin = std::fmin(coupMin, central);
      }
    }
  }
  *coupAve = 0.5 * (coupMax + coupMin);
  *coupAveErr = std::fabs(coupMax - *coupAve);
  return 0;
}

}  // namespace korim::fitting
