// The Da/R window of the assignment search against the tensor each medium's couplings give,
// checked before any candidate is scored.
#include "assignment/search_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "couplings/principal.h"

namespace korim::assignment {

namespace {

constexpr float kUsualMaxR = 2.0f / 3.0f;  // largest rhombicity of the usual form
// The fraction of the larger extreme by which the extremes of a sample of bond vectors may fall
// short of the principal couplings (the 63 N-H couplings of ubiquitin in a bicelle: Dzz -25.5 Hz
// by the fit, the smallest coupling -22.7 Hz).
constexpr double kExtremeShortfall = 0.1;

// The two-extreme estimate from every coupling of the medium, fixed or in a peak's cell: the
// set is that of every candidate, whatever the order of the peaks.
MediumTensor estimate(const AssignProblem& p, int medium) {
  int fixOff = 0, colOff = 0;
  mediumOffsets(p, medium, &fixOff, &colOff);
  MediumTensor t;
  double errors = 0.0;
  auto add = [&t, &errors](float d, float w, float sigma) {
    const float c = d * w;
    if (t.count == 0 || c < t.dMin) t.dMin = c;
    if (t.count == 0 || c > t.dMax) t.dMax = c;
    errors += std::fabs(static_cast<double>(sigma) * w);
    t.count++;
  };
  for (int i = fixOff; i < fixOff + p.nDTypList[medium]; i++) add(p.dcList[i], p.wList[i], p.ddList[i]);
  for (int c = colOff; c < colOff + p.colIdList[medium]; c++)
    for (int i = 0; i < p.peakCount; i++)
      if (p.dcMat[i][c] != kEmptyCell) add(p.dcMat[i][c], p.wMat[i][c], p.sigMat[i][c]);
  float rEq = 0.0f, sdevNeg = 0.0f, sdevPos = 0.0f;
  korim::couplings::twoExtremeEstimate(t.dMin, t.dMax, 1.0f, 1.0f, &t.da, &rEq, &sdevNeg, &sdevPos);
  // R below 0 names the x and y axes the other way round; beyond 2/3 (couplings of one sign) the
  // extremes do not reach the other side, and 2/3 is the most they allow.
  t.r = std::min(std::fabs(rEq), kUsualMaxR);
  t.least = std::fabs(t.da) * (1.0f - 1.5f * t.r);
  const double error = t.count > 0 ? errors / t.count : 0.0;
  t.resolution = static_cast<float>(std::fmax(2.0 * error, kExtremeShortfall * std::fabs(2.0 * t.da)));
  return t;
}

bool holds(const AssignProblem& p, float da, float r) {
  return p.lDa < da && da < p.hDa && p.lR < r && r < p.hR;
}

// A tensor the window holds, or one with no sign to hold.
bool held(const AssignProblem& p, const MediumTensor& t) {
  return t.da == 0.0f || !std::isfinite(t.da) || holds(p, t.da, t.r) ||
         (t.twoSigned() && holds(p, -t.da, t.r));
}

// The window given, widened where it must be to hold a tensor: an end beyond a Da moves out to
// 1.5 times its size in steps of 5 Hz (the end away from 0) or to half its size in steps of
// 0.01 Hz (the end toward 0); an end beyond R moves past it to the next step of 0.05.
struct Window {
  double lDa, hDa, lR, hR;
  void holdDa(double d) {
    const double far = std::ceil(1.5 * std::fabs(d) / 5.0) * 5.0;
    const double near = std::floor(0.5 * std::fabs(d) / 0.01) * 0.01;
    if (d >= hDa) hDa = d > 0.0 ? far : -near;
    if (d <= lDa) lDa = d < 0.0 ? -far : near;
  }
  void holdR(double r) {
    if (r <= lR) lR = std::floor((r - 0.05) / 0.05) * 0.05;
    if (r >= hR) hR = std::ceil((r + 0.05) / 0.05) * 0.05;
  }
};

// The tensor of a medium as the refusal names it, on one line.
std::string describe(const MediumTensor& t, const char* medium) {
  char line[700];
  int n = std::snprintf(line, sizeof line, "   %s%s%sDa_HN %+.3f Hz, R %.3f: ", medium[0] ? "medium " : "",
                        medium, medium[0] ? " (-dcID): " : "", t.da, t.r);
  if (t.fitted) {
    std::snprintf(line + n, sizeof line - n, "the SVD fit of the %d fixed couplings alone.\n", t.count);
    return line;
  }
  n += std::snprintf(line + n, sizeof line - n,
                     "the estimate from the extremes of the %d couplings D*W, %.3f and %.3f Hz (as DATA EQ "
                     "Da of -daMl)",
                     t.count, t.dMin, t.dMax);
  if (t.twoSigned())
    std::snprintf(line + n, sizeof line - n,
                  ", or its negative, Da_HN %+.3f Hz: its principal value of least size, |Da (1 - 1.5 R)| "
                  "= %.3f Hz, the difference in size of the two extremes, lies below their resolution, "
                  "%.3f Hz (the larger of twice their mean error DD*W and a tenth of the larger extreme, "
                  "by which the extremes may fall short), so they do not settle its sign.\n",
                  -t.da, t.least, t.resolution);
  else
    std::snprintf(line + n, sizeof line - n, ".\n");
  return line;
}

}  // namespace

MediumTensor mediumTensor(AssignProblem& p, int medium, bool fixesTensor, int yzFlag) {
  MediumTensor t;
  if (fixesTensor && fixedTensor(p, medium, yzFlag, &t.da, &t.r) && std::isfinite(t.da)) {
    t.fitted = true;
    t.count = p.nDTypList[medium];
    return t;
  }
  return estimate(p, medium);
}

int checkSearchWindow(const AssignProblem& p, const MediumTensor* tensors, const char* const* media) {
  Window w{p.lDa, p.hDa, p.lR, p.hR};
  std::string left;
  int outside = 0;
  for (int m = 0; m < p.nLcType; m++) {
    const MediumTensor& t = tensors[m];
    if (held(p, t)) continue;
    outside++;
    left += describe(t, p.nLcType > 1 ? media[m] : "");
    w.holdDa(t.da);
    if (t.twoSigned()) w.holdDa(-t.da);
    w.holdR(t.r);
  }
  if (outside == 0) return 0;
  std::fprintf(stderr,
               "KORIM Error: the window of the assignment search, Da_HN %g to %g Hz (-lDa, -hDa) and R %g "
               "to %g (-lR, -hR), leaves out the tensor the couplings give: every candidate near it would "
               "be refused, and the search would answer with a tensor they do not give.\n%s",
               p.lDa, p.hDa, p.lR, p.hR, left.c_str());
  char rOptions[80] = "";
  if (w.lR != p.lR || w.hR != p.hR) std::snprintf(rOptions, sizeof rOptions, " -lR %g -hR %g", w.lR, w.hR);
  std::fprintf(stderr, "korim: -lDa %g -hDa %g%s hold %s; the search has not run.\n", w.lDa, w.hDa, rOptions,
               outside > 1 ? "these tensors" : "it");
  return 1;
}

}  // namespace korim::assignment
