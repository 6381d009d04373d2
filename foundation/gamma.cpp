// Log-gamma, incomplete gamma function (series and continued fraction), its
// inverse by bisection, and the weighted straight-line fit.
#include "foundation/gamma.h"

#include <cmath>

namespace korim::foundation {

namespace {

const int ITMAX = 100;
const double EPS = 3.0e-7;

struct GammaState {
  int gammaError = 0;  // raised by gser/gcf when they fail
};

GammaState gs;

}  // namespace

void gammaReset() { gs = GammaState(); }

float gammln(float xx) {
  static const double cof[6] = {76.18009173, -86.50532033, 24.01409822,
                                -1.231739516, 0.120858003e-2, -0.536382e-5};
  double x = xx - 1.0;
  double tmp = x + 5.5;
  tmp -= (x + 0.5) * std::log(tmp);
  double ser = 1.0;
  for (int j = 0; j <= 5; j++) {
    x += 1.0;
    ser += cof[j] / x;
  }
  return static_cast<float>(-tmp + std::log(2.50662827465 * ser));
}

void gser(float *gamser, float a, float x, float gln) {
  (void)gln;
  float lng = gammln(a);
  if (x <= 0.0f) {
    if (x < 0.0f)
      gs.gammaError = 1;
    else
      *gamser = 0.0f;
    return;
  }
  float ap = a, del, sum;
  sum = del = 1.0f / a;
  for (int n = 1; n <= ITMAX; n++) {
    ap += 1.0f;
    del *= x / ap;
    sum += del;
    if (std::fabs(del) < std::fabs(sum) * EPS) {
      *gamser = static_cast<float>(sum * std::exp(-x + a * std::log(x) - lng));
      return;
    }
  }
  gs.gammaError = 1;
}

void gcf(float *gammcf, float a, float x, float *gln) {
  float gold = 0.0f, g, fac = 1.0f, b1 = 1.0f, b0 = 0.0f, a0 = 1.0f, a1;
  *gln = gammln(a);
  a1 = x;
  for (int n = 1; n <= ITMAX; n++) {
    float an = static_cast<float>(n);
    float ana = an - a;
    a0 = (a1 + a0 * ana) * fac;
    b0 = (b1 + b0 * ana) * fac;
    float anf = an * fac;
    a1 = x * a0 + anf * a1;
    b1 = x * b0 + anf * b1;
    if (a1 != 0.0f) {
      fac = 1.0f / a1;
      g = b1 * fac;
      if (std::fabs((g - gold) / g) < EPS) {
        *gammcf = static_cast<float>(std::exp(-x + a * std::log(x) - *gln) * g);
        return;
      }
      gold = g;
    }
  }
  gs.gammaError = 1;
}

float gammq(float a, float x) {
  gs.gammaError = 0;
  if (x < 0.0f || a <= 0.0f) return 0.0f;
  float r = 0.0f, gln;
  if (x < a + 1.0f) {
    float gamser = 0.0f;
    gser(&gamser, a, x, 0.0f);
    r = 1.0f - gamser;
  } else {
    float gammcf = 0.0f;
    gcf(&gammcf, a, x, &gln);
    r = gammcf;
  }
  return gs.gammaError ? 0.0f : r;
}

float igammq(float p, float df) {
  auto f = [p, df](float x) { return p - gammq(df, x); };  // gammq gives 0 on failure
  float x1 = 0.0f, x2 = 100.0f + 100.0f * df;
  float f1 = f(x1), f2 = f(x2);
  if (f1 * f2 >= 0.0f) return df;
  float dx, rtb;
  if (f1 < 0.0f) {
    rtb = x1;
    dx = x2 - x1;
  } else {
    rtb = x2;
    dx = x1 - x2;
  }
  for (int j = 1; j <= 100; j++) {
    dx *= 0.5f;
    float xmid = rtb + dx;
    float fmid = f(xmid);
    if (fmid <= 0.0f) rtb = xmid;
    if (std::fabs(dx) < 0.0001f || fmid == 0.0f) return rtb;
  }
  return df;
}

void fit(float *x, float *y, int ndata, float *sig, int mwt, float *a, float *b, float *siga,
         float *sigb, float *chi2, float *q) {
  float sx = 0.0f, sy = 0.0f, st2 = 0.0f, ss;
  *b = 0.0f;
  if (mwt) {
    ss = 0.0f;
    for (int i = 1; i <= ndata; i++) {
      float wt = 1.0f / (sig[i] * sig[i]);
      ss += wt;
      sx += x[i] * wt;
      sy += y[i] * wt;
    }
  } else {
    for (int i = 1; i <= ndata; i++) {
      sx += x[i];
      sy += y[i];
    }
    ss = static_cast<float>(ndata);
  }
  float sxoss = sx / ss;
  for (int i = 1; i <= ndata; i++) {
    float s = mwt ? sig[i] : 1.0f;
    float t = (x[i] - sxoss) / s;
    st2 += t * t;
    *b += t * y[i] / s;
  }
  *b /= st2;
  *a = (sy - sx * (*b)) / ss;
  *siga = std::sqrt((1.0f + sx * sx / (ss * st2)) / ss);
  *sigb = std::sqrt(1.0f / st2);
  *chi2 = 0.0f;
  *q = 1.0f;
  if (mwt == 0) {
    for (int i = 1; i <= ndata; i++) {
      float d = y[i] - *a - *b * x[i];
      *chi2 += d * d;
    }
    float sigdat = std::sqrt(*chi2 / (ndata - 2));
    *siga *= sigdat;
    *sigb *= sigdat;
  } else {
    for (int i = 1; i <= ndata; i++) {
      float d = (y[i] - *a - *b * x[i]) / sig[i];
      *chi2 += d * d;
    }
    *q = gammq(0.5f * (ndata - 2), 0.5f * *chi2);
  }
}

}  // namespace korim::foundation
