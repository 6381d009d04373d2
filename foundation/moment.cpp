// Sample moments and Pearson's correlation with its significance.
#include "foundation/moment.h"

#include <cmath>

#include "foundation/betai.h"

namespace korim::foundation {

int moment(float *data, int n, float *sum, float *ave, float *adev, float *sdev, float *svar,
           float *skew, float *curt) {
  *ave = *adev = *sdev = *svar = *skew = *curt = 0.0f;
  if (n < 2) return 1;
  float s = 0.0f;
  for (int j = 0; j < n; j++) s += data[j];
  *sum = s;
  *ave = s / n;
  for (int j = 0; j < n; j++) {
    float d = data[j] - *ave;
    *adev += std::fabs(d);
    float p = d * d;
    *svar += p;
    *skew += (p *= d);
    *curt += p * d;
  }
  // No correction term for the rounding of the mean.
  *adev /= n;
  *svar /= (n - 1);
  *sdev = std::sqrt(*svar);
  if (*svar == 0.0f) return 1;
  *skew /= (n * (*svar) * (*sdev));
  *curt = *curt / (n * (*svar) * (*svar)) - 3.0f;
  return 0;
}

void pearsn(float *x, float *y, int n, float *r, float *prob, float *z) {
  const float TINY = 1.0e-20f;
  float ax = 0.0f, ay = 0.0f, sxx = 0.0f, syy = 0.0f, sxy = 0.0f;
  for (int j = 1; j <= n; j++) {
    ax += x[j];
    ay += y[j];
  }
  ax /= n;
  ay /= n;
  for (int j = 1; j <= n; j++) {
    float xt = x[j] - ax, yt = y[j] - ay;
    sxx += xt * xt;
    syy += yt * yt;
    sxy += xt * yt;
  }
  *r = sxy / (std::sqrt(sxx * syy) + TINY);
  // Rounding can carry a perfect correlation just past 1, which would make t not a number and
  // leave the continued fraction of betai without convergence.
  if (*r > 1.0f) *r = 1.0f;
  if (*r < -1.0f) *r = -1.0f;
  *z = 0.5f * std::log((1.0f + *r + TINY) / (1.0f - *r + TINY));
  float df = static_cast<float>(n - 2);
  if (df <= 0.0f) {  // two points always lie on a line: no significance to speak of
    *prob = 1.0f;
    return;
  }
  float t = *r * std::sqrt(df / ((1.0f - *r + TINY) * (1.0f + *r + TINY)));
  *prob = betai(0.5f * df, 0.5f, df / (df + t * t));
}

}  // namespace korim::foundation
