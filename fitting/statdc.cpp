// Agreement statistics between measured and back-calculated dipolar couplings.
#include "fitting/statdc.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "foundation/gamma.h"
#include "foundation/memory.h"
#include "foundation/moment.h"

namespace korim::fitting {

using namespace korim::foundation;
using korim::couplings::DInfo;
using korim::couplings::DTable;

namespace {

constexpr int kCopyPad = 5000;        // spare zeroed entries behind the regression copies

// The five single-precision work arrays, 1-based, released (tag "statDC") on every path.
struct StatWork {
  int shortLen = 0;
  int longLen = 0;
  float* x = nullptr;
  float* y = nullptr;
  float* sig = nullptr;
  float* xc = nullptr;
  float* yc = nullptr;

  bool alloc(int dCount) {
    shortLen = dCount + 1;
    longLen = dCount + 1 + kCopyPad;
    x = fltAlloc("statDC", shortLen);
    if (x != nullptr) y = fltAlloc("statDC", shortLen);
    if (y != nullptr) sig = fltAlloc("statDC", shortLen);
    if (sig != nullptr) xc = fltAlloc("statDC", longLen);
    if (xc != nullptr) yc = fltAlloc("statDC", longLen);
    return yc != nullptr;
  }

  ~StatWork() {
    const int f = static_cast<int>(sizeof(float));
    if (x != nullptr) unAlloc("statDC", x, shortLen * f);
    if (y != nullptr) unAlloc("statDC", y, shortLen * f);
    if (sig != nullptr) unAlloc("statDC", sig, shortLen * f);
    if (xc != nullptr) unAlloc("statDC", xc, longLen * f);
    if (yc != nullptr) unAlloc("statDC", yc, longLen * f);
  }
};

// Formats one line into a scratch buffer and appends it to the text.
template <typename... Args>
void appendLine(char* result, const char* fmt, Args... args) {
  char line[kStatDCLineLen];
  std::snprintf(line, sizeof line, fmt, args...);
  std::strcat(result, line);
}

// Straight line through (u, v)[1..n], unweighted. Points that all share one u (a prediction of
// all zeros, say) fix no line: the regression stays 0, as it does below three points.
void lineFit(float* u, float* v, int n, float* sig, float* a, float* b, float* siga, float* sigb) {
  bool spread = false;
  for (int k = 2; k <= n && !spread; k++) spread = u[k] != u[1];
  if (!spread) {
    *a = *b = *siga = *sigb = 0.0f;
    return;
  }
  float chi2 = 0.0f, q = 0.0f;
  fit(u, v, n, sig, 0, a, b, siga, sigb, &chi2, &q);
}

}  // namespace

int statDC(DTable* dTab, char* result, int verbose) {
  result[0] = '\0';
  const int dCount = (dTab != nullptr && dTab->dCount > 0) ? dTab->dCount : 0;
  StatWork w;
  if (!w.alloc(dCount)) {
    std::fprintf(stderr, "Error allocating temporary buffers.\n");
    return 1;
  }

  int n = 0;
  long double sumDiff = 0.0L, sumDiff2 = 0.0L, sumX2 = 0.0L;
  for (int i = 0; i < dCount; i++) {
    const DInfo& obs = dTab->dObsList[i];
    const DInfo& calc = dTab->dCalcList[i];
    // A coupling marked as missing, a row of weight 0 or one without a back-calculated D is no
    // data; a back-calculated D of any size is.
    if (!obs.valid || !couplings::fitRow(obs, calc)) continue;
    n++;
    w.x[n] = obs.d * calc.w;
    w.y[n] = calc.w * calc.d;
    w.sig[n] = obs.sigma;
    const long double diff = static_cast<long double>(w.x[n]) - w.y[n];
    sumDiff += diff;
    sumDiff2 += diff * diff;
    sumX2 += static_cast<long double>(w.x[n]) * w.x[n];
  }

  double stdDev = 0.0, qFactor = 0.0;
  if (n > 0) {
    long double var = (sumDiff2 - sumDiff * sumDiff / n) / n;
    stdDev = static_cast<double>(std::sqrt(var > 0.0L ? var : 0.0L));
  }
  if (sumX2 != 0.0L) qFactor = static_cast<double>(std::sqrt(sumDiff2 / sumX2));

  // Correlation and regressions; undefined (errors scale with 1/(n-2)) below three pairs.
  float corrR = 0.0f, offset = 0.0f, errOffset = 0.0f, slope = 0.0f, errSlope = 0.0f;
  double slopeAve = 0.0, errSlopeAve = 0.0;
  if (n >= 3) {
    float prob = 0.0f, z = 0.0f;
    pearsn(w.x, w.y, n, &corrR, &prob, &z);
    lineFit(w.x, w.y, n, w.sig, &offset, &slope, &errOffset, &errSlope);
    for (int k = 1; k <= n; k++) {
      w.xc[k] = w.x[k];
      w.yc[k] = w.y[k];
    }
    for (int k = n + 1; k <= n + kCopyPad; k++) w.xc[k] = w.yc[k] = 0.0f;
    float a1 = 0.0f, slope1 = 0.0f, siga1 = 0.0f, sigb1 = 0.0f;
    float a2 = 0.0f, slope2 = 0.0f, siga2 = 0.0f, sigb2 = 0.0f;
    lineFit(w.xc, w.yc, n, w.sig, &a1, &slope1, &siga1, &sigb1);
    lineFit(w.yc, w.xc, n, w.sig, &a2, &slope2, &siga2, &sigb2);
    if (slope2 != 0.0f) {
      slopeAve = (slope1 + 1.0 / slope2) / 2.0;
      const double s2 = sigb2 / (static_cast<double>(slope2) * slope2);
      errSlopeAve = 0.5 * slopeAve * std::sqrt(static_cast<double>(sigb1) * sigb1 + s2 * s2);
    }
  }

  if (verbose != 0) {
    appendLine(result, "\n");
    appendLine(result, "DATA STATISTICS DC\n");
    appendLine(result, "DATA STATISTICS DC STDDEV_DIFF  %.3f [Hz]\n", stdDev);
    // Undefined figures are left out with the reason, as the coupling table leaves them out.
    if (const char* gap = couplings::correlationGap(w.x, w.y, n))
      std::strcat(result, couplings::gapRemark("CORR R", gap).c_str());
    else
      appendLine(result, "DATA STATISTICS DC CORR R       %.3f\n", static_cast<double>(corrR));
    if (sumX2 == 0.0L)
      std::strcat(result, couplings::gapRemark("TALMERINOS Q", n > 0 ? couplings::kQGapObserved
                                                                       : "no coupling to compare")
                              .c_str());
    else
      appendLine(result, "DATA STATISTICS DC TALMERINOS Q %.3f\n", qFactor);
    if (const char* gap = couplings::regressionGap(w.x, w.y, n, false)) {
      std::strcat(result, couplings::gapRemark("REGRESSION OFFSET", gap).c_str());
      std::strcat(result, couplings::gapRemark("REGRESSION SLOPE", gap).c_str());
    } else {
      appendLine(result, "DATA STATISTICS DC REGRESSION OFFSET    %.3f +/- %.3f [Hz]\n",
                 static_cast<double>(offset), static_cast<double>(errOffset));
      appendLine(result, "DATA STATISTICS DC REGRESSION SLOPE     %.3f +/- %.3f [Hz]\n",
                 static_cast<double>(slope), static_cast<double>(errSlope));
    }
    if (const char* gap = couplings::regressionGap(w.x, w.y, n, true))
      std::strcat(result, couplings::gapRemark("REGRESSION ZEB SLOPE", gap).c_str());
    else
      appendLine(result, "DATA STATISTICS DC REGRESSION ZEB SLOPE %.3f +/- %.3f [Hz]\n", slopeAve,
                 errSlopeAve);
    appendLine(result, "\n");
  }

  if (verbose == 2) {
    std::fprintf(stderr, "resid  [DC type]    predicted    measured     pred. - meas.\n");
    std::fprintf(stderr, "-----  ---------    ---------    --------     -------------\n");
    for (int i = 0; i < dCount; i++) {
      const DInfo& obs = dTab->dObsList[i];
      if (!obs.valid) continue;
      const DInfo& calc = dTab->dCalcList[i];
      std::fprintf(stderr, "%d        %s        p: %8.2f   m:%8.2f     diff:%7.2f\n", obs.resIDI,
                   obs.atomNameI, static_cast<double>(calc.d), static_cast<double>(obs.d),
                   static_cast<double>(calc.d - obs.d));
    }
  }
  return 0;
}

int getStatEasyDC(const float* dObsList, const float* ddList, const float* dCalcList, int dCount,
                  float* rSumD, float* pSumD, int* nD) {
  if (dCount <= 0) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = 0;
    return 0;
  }
  double sum2 = 0.0, chi2 = 0.0;
  for (int i = 0; i < dCount; i++) {
    const double diff = static_cast<double>(dObsList[i]) - dCalcList[i];
    const double err = (ddList[i] == 0.0f) ? 1.0 : ddList[i];
    sum2 += diff * diff;
    chi2 += (diff / err) * (diff / err);
  }
  *rSumD = static_cast<float>(std::sqrt(sum2 / dCount));
  *pSumD = static_cast<float>(chi2);
  *nD = dCount;
  return dCount;
}

}  // namespace korim::fitting
