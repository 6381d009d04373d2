// Annealing enhancement of a complex vector by a model of damped sinusoids.
#include "spectral/sase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/checkedcount.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "foundation/minmax.h"
#include "foundation/namelist.h"
#include "foundation/svdpoly.h"
#include "spectral/fdatap.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "sase";
constexpr int kFlt = static_cast<int>(sizeof(float));

const foundation::NameVal kModelNames[] = {{"Exp", 1}, {"Gauss", 2}, {"CT", 3}, {nullptr, 0}};

// Most floats of one block of the allocator.
constexpr long long kMaxFloats = foundation::kMaxBlockBytes / kFlt;

void release(float *&p, long long count) {
  if (p) foundation::unAlloc(kTag, p, static_cast<int>(count * kFlt));
  p = nullptr;
}

float *grab(long long count, const char *failure, bool *ok) {
  if (!*ok) return nullptr;
  float *p = foundation::fltAlloc(kTag, static_cast<int>(std::max(count, 1LL)));
  if (!p) {
    specMsg("%s", failure);
    *ok = false;
  }
  return p;
}

// Float counts of the blocks of one set-up, each a checked product (-1: more than one block holds).
struct SaseCounts {
  long long x, y, amp, t, f, varBytes;
};

// The counts for these sizes; false after the allocation message of the first block that no
// allocator block can hold, so that nothing is allocated for a size that would wrap around.
bool saseCounts(int dimCount, int signalCount, const int *tSizeList, const int *fSizeList, SaseCounts *c) {
  const long long chanCount = 1LL << dimCount;
  c->t = c->f = 1;
  for (int d = 0; d < dimCount; d++) {
    const long long fd = std::max(fSizeList[d], tSizeList[d]);
    c->t = foundation::checkedCount({c->t, tSizeList[d]}, kMaxFloats);
    c->f = foundation::checkedCount({c->f, fd}, kMaxFloats);
  }
  c->x = c->f < 0 ? -1 : foundation::checkedCount({c->f, signalCount, chanCount}, kMaxFloats);
  c->y = c->t < 0 ? -1 : foundation::checkedCount({chanCount, c->t}, kMaxFloats);
  c->amp = foundation::checkedCount({signalCount}, kMaxFloats);
  c->varBytes = foundation::checkedCount({2LL * dimCount + 1, signalCount, static_cast<long long>(sizeof(SAVar))});
  const struct {
    long long count;
    const char *failure;
  } blocks[] = {{c->x, "SASE Error allocating amplitude workspace.\n"},
                {c->y, "SASE Error allocating input workspace.\n"},
                {c->amp, "SASE Error allocating amplitude memory.\n"},
                {c->t, "SASE Error allocating input memory.\n"},
                {c->f, "SASE Error allocating output memory.\n"},
                {c->varBytes, "SASE Error allocating variables.\n"}};
  for (const auto &b : blocks)
    if (b.count < 0) {
      specMsg("%s", b.failure);
      return false;
    }
  return true;
}

// The settings that reach the variables and the energy must be finite numbers; the first that
// is not is named by its option.
bool finiteSettings(int dimCount, const float *const axis[7], const float *global) {
  static const char *const axisNames[7] = {"FreqTol", "DampMin", "DampMax", "DampTol", "DampInit", "P0", "P1"};
  static const char *const globalNames[4] = {"-sigma", "-scale", "-tInit", "-tFinal"};
  for (int d = 0; d < dimCount; d++)
    for (int k = 0; k < 7; k++)
      if (!std::isfinite(axis[k][d])) {
        specMsg("SASE Error: the value of -%c%s is not a finite number.\n", getAxisChar(d), axisNames[k]);
        return false;
      }
  for (int k = 0; k < 4; k++)
    if (!std::isfinite(global[k])) {
      specMsg("SASE Error: the value of %s is not a finite number.\n", globalNames[k]);
      return false;
    }
  return true;
}

void printHelp() {
  static const char *const lines[] = {
      "SASE: Simulated Annealing Spectral Enhancement:\n",
      " -nsig      [8]       Number of Model Signals.\n",
      " -ndim      [1]       Dimension Count of Model.\n",
      " -sigma     [1.0]     Std Dev of Time Domain Noise.\n",
      " -report    [0]       Report Level.\n",
      " -iter      [1]       Iteration Count.\n",
      " -replace             Replace Original with Model.\n",
      "Axis-Specific Parameters (Use -x -y -z -a...):\n",
      " -xSize     [2*SIZE]  Final Size, Pts.\n",
      " -xFreqTol  [0.01]    Freq Tolerance, Pts.\n",
      " -xDampMin  [0.00]    Min Dampening Factor.\n",
      " -xDampMax  [2.00]    Max Dampening Factor.\n",
      " -xDampTol  [0.01]    Dampening Factor Tolerance.\n",
      " -xDampInit [0.00]    Initial Dampening Factor.\n",
      " -xP0       [0.0]     Required Zero-Order Phase.\n",
      " -xP1       [0.0]     Required First-Order Phase.\n",
      " -xModel    [Exp]     Signal Model Type; Keywords:\n",
      "                      Exp Gauss CT.\n",
      "Simulated Annealing Parameters:\n",
      " -scale     [100.0]   Energy Scale Factor.\n",
      " -tInit     [100.0]   Initial Temperature.\n",
      " -tFinal    [1.0]     Final Temperature.\n",
      " -oc        [0]       Operations Per Temperature;\n",
      "                      Use 0 for Auto.\n",
      " -tc        [100]     Temperature Step Count.\n",
      " -gc        [20]      Greedy Optimization Count.\n",
      " -rand      [54321]   Random Number Seed.\n"};
  for (const char *line : lines) specMsg("%s", line);
}

// An integer option, read whole when present: "-nsig 4294967297" or "-nsig 5x" is no count (a
// plain read would take 1 or 5); false after the message.
bool intOption(int argc, char **argv, const char *flag, int *value) {
  char *word = nullptr;
  if (foundation::ptrArgD(argc, argv, flag, &word) == 0 || foundation::wordToInt(word, value) == 1) return true;
  specMsg("SASE Error: bad value %s for %s.\n", word, flag);
  return false;
}

// The axis options of axis d; 1 after a message for an unknown model keyword or a bad size.
int readAxisParms(int argc, char **argv, SASEBuff *s, int d) {
  char flag[32];
  auto name = [&](const char *suffix) {
    std::snprintf(flag, sizeof flag, "-%c%s", getAxisChar(d), suffix);
    return flag;
  };
  if (foundation::intStrArgD(argc, argv, name("Model"), &s->signalType[d], kModelNames) < 0) return 1;
  if (s->signalType[d] == 3) s->dampMin[d] = s->dampMax[d] = s->dampTol[d] = s->dampInit[d] = 0.0f;
  if (!intOption(argc, argv, name("Size"), &s->fSizeList[d])) return 1;
  foundation::fltArgD(argc, argv, name("FreqTol"), &s->freqTol[d]);
  foundation::fltArgD(argc, argv, name("DampMin"), &s->dampMin[d]);
  foundation::fltArgD(argc, argv, name("DampMax"), &s->dampMax[d]);
  foundation::fltArgD(argc, argv, name("DampTol"), &s->dampTol[d]);
  foundation::fltArgD(argc, argv, name("DampInit"), &s->dampInit[d]);
  foundation::fltArgD(argc, argv, name("P0"), &s->p0List[d]);
  foundation::fltArgD(argc, argv, name("P1"), &s->p1List[d]);
  return 0;
}

bool dimensionSupported(int dimCount) {
  if (dimCount == 1) return true;
  specMsg("SASE Error: dimension count %d is not supported; the model is one-dimensional.\n",
          dimCount);
  return false;
}

}  // namespace

int saseNull(SASEBuff *s) {
  std::memset(s, 0, sizeof *s);
  s->sigma = 1.0f;
  s->scale = 100.0f;
  s->dimCount = 1;
  s->chanCount = 2;
  s->signalCount = 8;
  s->varCount = 3 * 8;
  s->enhanceMode = 2;
  s->simMode = 1;
  s->maxIter = 1;
  for (int d = 0; d < kSaseMaxDim; d++) {
    s->freqTol[d] = 0.01f;
    s->dampMax[d] = 2.0f;
    s->dampTol[d] = 0.01f;
    s->signalType[d] = 1;
  }
  return nosaNull(&s->nosaInfo);
}

SASEBuff *saseAlloc() {
  auto *s = static_cast<SASEBuff *>(foundation::voidMalloc(kTag, sizeof(SASEBuff)));
  if (s) saseNull(s);
  return s;
}

int saseUnAlloc(SASEBuff *s) {
  if (s) foundation::unAlloc(kTag, s, sizeof(SASEBuff));
  return 0;
}

int saseFree(SASEBuff *s) {
  if (!s) return 0;
  nosaFree(&s->nosaInfo);
  // The sizes of an allocated record passed saseCounts, so these products fit.
  release(s->x, std::max(static_cast<long long>(s->fSize) * s->signalCount * s->chanCount, 1LL));
  release(s->y, std::max(static_cast<long long>(s->chanCount) * s->tSize, 1LL));
  release(s->ampList, std::max(s->signalCount, 1));
  for (int c = 0; c < kSaseMaxChan; c++) {
    release(s->D[c], std::max(s->tSize, 1));
    release(s->T[c], std::max(s->fSize, 1));
    release(s->R[c], std::max(s->fSize, 1));
  }
  for (int d = 0; d < kSaseMaxDim; d++) {
    release(s->workR[d], std::max(s->fSizeList[d], 1));
    release(s->workI[d], std::max(s->fSizeList[d], 1));
  }
  if (s->varList)
    foundation::unAlloc(kTag, s->varList, std::max(s->varCount, 1) * static_cast<int>(sizeof(SAVar)));
  s->varList = nullptr;
  return 0;
}

int saseParms(int argc, char **argv, SASEBuff *s) {
  if (foundation::flagLoc(argc, argv, "-help")) {
    printHelp();
    return 1;
  }
  if (foundation::flagLoc(argc, argv, "-replace")) s->enhanceMode = 1;
  if (!intOption(argc, argv, "-nsig", &s->signalCount) || !intOption(argc, argv, "-ndim", &s->dimCount) ||
      !intOption(argc, argv, "-report", &s->verbose) || !intOption(argc, argv, "-iter", &s->maxIter))
    return 1;
  foundation::fltArgD(argc, argv, "-sigma", &s->sigma);
  for (int d = 0; d < kSaseMaxDim; d++)
    if (readAxisParms(argc, argv, s, d)) return 1;
  NOSABuff *n = &s->nosaInfo;
  foundation::fltArgD(argc, argv, "-scale", &s->scale);
  foundation::fltArgD(argc, argv, "-tInit", &n->tInitial);
  foundation::fltArgD(argc, argv, "-tFinal", &n->tFinal);
  if (!intOption(argc, argv, "-oc", &n->opCount) || !intOption(argc, argv, "-tc", &n->tCount) ||
      !intOption(argc, argv, "-gc", &n->gCount) || !intOption(argc, argv, "-rand", &n->iseed))
    return 1;
  return dimensionSupported(s->dimCount) ? 0 : 1;
}

int saseSetVars(SASEBuff *s) {
  float lo = 0.0f, hi = 0.0f;
  s->maxVal = 0.0f;
  for (int c = 0; c < s->chanCount; c++) {
    foundation::minMax(s->D[c], s->tSize, &lo, &hi);
    s->maxVal = std::max({s->maxVal, std::fabs(lo), std::fabs(hi)});
  }
  int bits = 0;
  SAVar *v = s->varList;
  for (int sig = 0; sig < s->signalCount; sig++) {
    initFVar(v++, 1.0f, 1e17f, -1e17f, 1.0f, 2);
    for (int d = 0; d < s->dimCount; d++) {
      initFVar(v, static_cast<float>(sig), static_cast<float>(s->tSizeList[d]), 0.0f, s->freqTol[d], 0);
      bits += (v++)->bitCount;
      initFVar(v, s->dampInit[d], s->dampMax[d], s->dampMin[d], s->dampTol[d], s->dampMode[d]);
      if (s->dampMode[d] == 0) bits += v->bitCount;
      v++;
    }
  }
  return bits;
}

int saseInit(SASEBuff *s, int *tSizeList, int *fSizeList, int maxIter, int dimCount,
             int signalCount, int *signalType, float *dampMin, float *dampMax, float *dampTol,
             float *dampInit, float *freqTol, float *p0List, float *p1List, float sigma, float scale,
             int enhanceMode, int tCount, int opCount, int gCount, float tInitial, float tFinal,
             int iseed, int verbose) {
  if (!dimensionSupported(dimCount)) return 1;
  if (signalCount < 1 || tSizeList[0] < 1) {
    specMsg("SASE Error: bad signal count %d or size %d.\n", signalCount, tSizeList[0]);
    return 1;
  }
  const float *const axis[7] = {freqTol, dampMin, dampMax, dampTol, dampInit, p0List, p1List};
  const float global[4] = {sigma, scale, tInitial, tFinal};
  SaseCounts counts;
  if (!finiteSettings(dimCount, axis, global) || !saseCounts(dimCount, signalCount, tSizeList, fSizeList, &counts))
    return 1;
  int usedBefore = 0, usedAfter = 0, reused = 0;
  foundation::getMemUsed(&usedBefore, &reused);
  s->dimCount = dimCount;
  s->chanCount = 1 << dimCount;
  s->signalCount = signalCount;
  s->varCount = (2 * dimCount + 1) * signalCount;
  s->maxIter = maxIter;
  s->sigma = sigma;
  s->scale = scale;
  s->enhanceMode = enhanceMode;
  s->verbose = verbose;
  s->tSize = s->fSize = 1;
  for (int d = 0; d < dimCount; d++) {
    s->tSizeList[d] = tSizeList[d];
    s->fSizeList[d] = std::max(fSizeList[d], tSizeList[d]);
    s->signalType[d] = signalType[d];
    s->freqTol[d] = freqTol[d];
    s->dampMin[d] = dampMin[d];
    s->dampMax[d] = dampMax[d];
    s->dampTol[d] = dampTol[d];
    s->dampInit[d] = dampInit[d];
    s->p0List[d] = p0List[d];
    s->p1List[d] = p1List[d];
    s->tSize *= s->tSizeList[d];
    s->fSize *= s->fSizeList[d];
  }
  bool ok = true;
  s->x = grab(counts.x, "SASE Error allocating amplitude workspace.\n", &ok);
  s->y = grab(counts.y, "SASE Error allocating input workspace.\n", &ok);
  s->ampList = grab(counts.amp, "SASE Error allocating amplitude memory.\n", &ok);
  for (int c = 0; c < s->chanCount; c++) {
    s->D[c] = grab(counts.t, "SASE Error allocating input memory.\n", &ok);
    s->T[c] = grab(counts.f, "SASE Error allocating input memory.\n", &ok);
    s->R[c] = grab(counts.f, "SASE Error allocating output memory.\n", &ok);
  }
  for (int d = 0; d < dimCount; d++) {
    s->workR[d] = grab(s->fSizeList[d], "SASE Error allocating workR memory.\n", &ok);
    s->workI[d] = grab(s->fSizeList[d], "SASE Error allocating workI memory.\n", &ok);
  }
  if (!ok) return 1;
  s->varList = static_cast<SAVar *>(foundation::voidMalloc(kTag, static_cast<int>(counts.varBytes)));
  if (!s->varList) {
    specMsg("SASE Error allocating variables.\n");
    return 1;
  }
  for (int c = 0; c < s->chanCount; c++) std::fill(s->D[c], s->D[c] + s->tSize, 0.0f);
  int bits = saseSetVars(s);
  int ops = opCount < 1 ? (5 * bits) / 2 : opCount;
  int status = nosaInit(&s->nosaInfo, s->varList, s->varCount, tCount, ops, gCount, tInitial, tFinal,
                        iseed, verbose);
  if (status) {
    specMsg("SASE Error initializing optimization.\n");
    return status;
  }
  if (verbose) {
    foundation::getMemUsed(&usedAfter, &reused);
    specMsg("%dD-SASE, %d Bits, %d T Steps, %d Ops/Step, %.2f MBytes\n", dimCount,
            s->nosaInfo.totalBits, s->nosaInfo.tCount, ops,
            (usedAfter - usedBefore) * 9.536743e-7 + 0.01);
  }
  return 0;
}

int simE(SAVar *vars, int varCount, SASEBuff *s) {
  (void)varCount;
  int n = s->tSizeList[0], m = s->simMode == 1 ? n : s->fSizeList[0], cols = s->signalCount;
  float phi1 = s->p1List[0] / 360.0f;
  float phi0 = (0.5f * s->p1List[0] + s->p0List[0]) * kPiF / 180.0f;
  for (int sig = 0; sig < cols; sig++) {
    float f = vars[3 * sig + 1].val, g = vars[3 * sig + 2].val;
    float w = kTwoPiF * (f - (n / 2 + 1)) / n, a = -g * kPiF / n;
    for (int k = 0; k < m; k++) {
      float theta = (k + phi1) * w + phi0, decay = g == 0.0f ? 1.0f : std::exp(a * k);
      s->x[k * cols + sig] = decay * std::cos(theta);
      s->x[(m + k) * cols + sig] = -decay * std::sin(theta);
    }
  }
  if (s->simMode == 1) {
    std::copy(s->D[0], s->D[0] + n, s->y);
    std::copy(s->D[1], s->D[1] + n, s->y + n);
    foundation::svdLSMat(s->x, s->y, 2 * n, cols, s->ampList, nullptr, 1);
    for (int sig = 0; sig < cols; sig++) vars[3 * sig].val = s->ampList[sig];
  }
  for (int k = 0; k < m; k++) {
    float re = 0.0f, im = 0.0f;
    for (int sig = 0; sig < cols; sig++) {
      re += vars[3 * sig].val * s->x[k * cols + sig];
      im += vars[3 * sig].val * s->x[(m + k) * cols + sig];
    }
    s->R[0][k] = re;
    s->R[1][k] = im;
  }
  return 0;
}

float varE(SAVar *vars, int varCount, void *auxInfo) {
  auto *s = static_cast<SASEBuff *>(auxInfo);
  simE(vars, varCount, s);
  float inv = s->sigma != 0.0f ? 1.0f / s->sigma : 1.0f;
  double sum = 0.0;
  for (int c = 0; c < s->chanCount; c++)
    for (int k = 0; k < s->tSize; k++) {
      float r = (s->D[c][k] - s->R[c][k]) * inv;
      sum += r * r;
    }
  float e = static_cast<float>(sum / (s->chanCount * s->tSize));
  s->evalCount++;
  return s->maxVal != 0.0f ? e * s->scale / s->maxVal : e * s->scale;
}

int showE(SAVar *vars, int varCount, void *auxInfo, float t, float e) {
  (void)vars;
  (void)varCount;
  auto *s = static_cast<SASEBuff *>(auxInfo);
  if (s->verbose)
    specMsg("N: %6d T: %9.4f E: %9.4f CHI/N: %9.4f\n", s->evalCount, t, e, s->maxVal * e / s->scale);
  return 0;
}

int saseEnhance(SASEBuff *s, int iter) {
  (void)iter;
  if (s->verbose) {
    for (int sig = 0; sig < s->signalCount; sig++) {
      SAVar *v = s->varList + sig * (2 * s->dimCount + 1);
      specMsg("%4d. SIGNAL %2d HI: % e", s->trial, sig + 1, v[0].val);
      for (int d = 0; d < s->dimCount; d++)
        specMsg(" %c0: %8.4f %cDAMP: %6.4f", getAxisCharU(d), v[1 + 2 * d].val, getAxisCharU(d),
                v[2 + 2 * d].val);
      specMsg("\n");
    }
  }
  s->simMode = 2;
  simE(s->varList, s->varCount, s);
  int n = s->tSizeList[0], first = s->enhanceMode == 2 ? n : 0;
  for (int c = 0; c < s->chanCount; c++) {
    for (int k = 0; k < n; k++) s->D[c][k] -= s->R[c][k];
    for (int k = first; k < s->fSizeList[0]; k++) s->T[c][k] += s->R[c][k];
  }
  return 0;
}

int sase(SASEBuff *s) {
  for (int c = 0; c < s->chanCount; c++) {
    std::fill(s->T[c], s->T[c] + s->fSize, 0.0f);
    if (s->enhanceMode == 2) std::copy(s->D[c], s->D[c] + s->tSize, s->T[c]);
  }
  for (int i = 0; i < s->maxIter; i++) {
    s->trial++;
    s->evalCount = 0;
    s->simMode = 1;
    saseSetVars(s);
    float best = 0.0f;
    int status = nosa(s->varList, &s->nosaInfo, s, varE, showE, &best);
    if (status) {
      specMsg("SASE Error optimizing variables.\n");
      return status;
    }
    saseEnhance(s, i);
  }
  for (int c = 0; c < s->chanCount; c++) std::copy(s->T[c], s->T[c] + s->fSize, s->R[c]);
  return 0;
}

}  // namespace korim::spectral
