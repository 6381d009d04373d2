// Annealing and grid search over bit-coded variables.
#include "spectral/nosa.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/rand.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "nosa";
constexpr int kMaxBits = 32;
constexpr double kRandScale = 4.656613e-10;  // about 2^-31: rand() to [0, 1]

// Index of a random listed bit; the scale is slightly above 2^-31, so the
// product can reach count and is held below it.
int randomBit(int count) {
  int loc = static_cast<int>(std::rand() * kRandScale * count);
  return std::min(loc, count - 1);
}

void releaseLists(NOSABuff *n) {
  int bits = std::max(n->totalBits, 1);
  if (n->bitList) foundation::unAlloc(kTag, n->bitList, bits * static_cast<int>(sizeof(char *)));
  if (n->locList) foundation::unAlloc(kTag, n->locList, bits * static_cast<int>(sizeof(int)));
  if (n->newVars)
    foundation::unAlloc(kTag, n->newVars, std::max(n->varCount, 1) * static_cast<int>(sizeof(SAVar)));
  n->bitList = nullptr;
  n->locList = nullptr;
  n->newVars = nullptr;
}

// Records a new best: energy, variables, report.
void keepBest(SAVar *varList, NOSABuff *n, void *auxInfo, SAShowFunc showE, float t, float e,
              float *bestE) {
  *bestE = e;
  varCopy(n->newVars, varList, n->varCount);
  showE(varList, n->varCount, auxInfo, t, e);
}

// Flips listed bit loc and recomputes its variable; the old variable goes to saved.
void flipBit(NOSABuff *n, int loc, SAVar *saved) {
  SAVar *var = &n->newVars[n->locList[loc]];
  *saved = *var;
  char *bit = n->bitList[loc];
  *bit = *bit == '1' ? '0' : '1';
  setVarVal(var);
}

void greedyPasses(SAVar *varList, NOSABuff *n, void *auxInfo, SAEnergyFunc varE, SAShowFunc showE,
                  int bits, float *bestE) {
  float oldE = *bestE;
  for (int pass = 0; pass < n->gCount && bits > 0; pass++) {
    int accepted = 0;
    for (int loc = 0; loc < bits; loc++) {
      SAVar saved;
      flipBit(n, loc, &saved);
      float newE = varE(n->newVars, n->varCount, auxInfo);
      if (newE - oldE < 0.0f) {
        accepted++;
        oldE = newE;
        if (newE < *bestE) keepBest(varList, n, auxInfo, showE, 0.0f, newE, bestE);
      } else {
        n->newVars[n->locList[loc]] = saved;
      }
    }
    if (accepted == 0) break;
  }
}

// Working copy, list of searched bits (their count returned) and the starting energy.
int startSearch(SAVar *varList, NOSABuff *n, void *auxInfo, SAEnergyFunc varE, float *bestE) {
  int bits = 0;
  varCopy(varList, n->newVars, n->varCount);
  findAdjBits(n->newVars, n->varCount, n->bitList, n->locList, &bits);
  *bestE = varE(n->newVars, n->varCount, auxInfo);
  return bits;
}

bool ready(NOSABuff *n) {
  if (n && n->newVars && n->bitList && n->locList) return true;
  specMsg("NOSA Error: optimizer is not initialized.\n");
  return false;
}

// True when the value, bounds and step of a variable are finite numbers; otherwise a message
// names the first that is not. A nan has no place on the bit grid, and its conversion to an
// integer would be undefined.
bool finiteValues(float val, float hi, float lo, float step, const char *stepName, int type) {
  const char *what = !std::isfinite(val) ? "value"
                     : !std::isfinite(hi) ? "upper bound"
                     : !std::isfinite(lo) ? "lower bound"
                     : !std::isfinite(step) ? stepName
                                            : nullptr;
  if (!what) return true;
  specMsg("NOSA Error: %s %s is not a finite number.\n",
          type == 1 ? "integer variable" : "floating point variable", what);
  return false;
}

}  // namespace

int getBitCount(long long irange) {
  // The magnitude in unsigned arithmetic, so that the most negative count has one too (2^63).
  unsigned long long r = irange < 0 ? 0ULL - static_cast<unsigned long long>(irange)
                                    : static_cast<unsigned long long>(irange);
  int b = 0;
  while (b < 64 && (1ULL << b) <= r) b++;
  return b;
}

int setVarBits(SAVar *var) {
  if (var->adjMode == 2 || var->bitCount == 0) return 0;
  if (!finiteValues(var->val, var->hi, var->lo, var->scale, "scale", var->type)) return 1;
  var->val = std::clamp(var->val, var->lo, var->hi);
  double span = static_cast<double>(var->val) - var->lo;
  double n = var->type == 1 ? std::trunc(span) : (var->scale != 0.0f ? std::trunc(span / var->scale + 0.5) : 0.0);
  // Converted only once known to lie within the 64 bits (a value past the grid is clipped).
  unsigned long long bits = n <= 0.0 ? 0ULL : n >= 0x1p64 ? ~0ULL : static_cast<unsigned long long>(n);
  if (n > static_cast<double>(var->iMax)) {
    specMsg("Clipping bit from %llu to %lld.\n", bits, var->iMax);
    bits = static_cast<unsigned long long>(var->iMax);
  }
  for (int k = 0; k < var->bitCount; k++) var->bitList[k] = ((bits >> k) & 1ULL) ? '1' : '0';
  return 0;
}

int setVarVal(SAVar *var) {
  if (var->adjMode == 2 || var->bitCount == 0) return 0;
  unsigned long long bits = 0;
  for (int k = 0; k < var->bitCount; k++)
    if (var->bitList[k] == '1') bits |= 1ULL << k;
  double scaled = static_cast<double>(bits);
  if (var->type == 2) scaled *= var->scale;
  // Compared at the stored precision, so that the top of the grid is not clipped by rounding.
  float v = static_cast<float>(scaled + var->lo);
  if (v > var->hi) {
    specMsg("Clipping value from %f to %f\n", static_cast<double>(v), static_cast<double>(var->hi));
    v = var->hi;
  } else if (v < var->lo) {
    specMsg("Clipping value from %f to %f\n", static_cast<double>(v), static_cast<double>(var->lo));
    v = var->lo;
  }
  var->val = v;
  return 0;
}

float getVarVal(SAVar *var) { return var->val; }

namespace {

// Shared set-up of integer (type 1) and float (type 2) variables.
int initVar(SAVar *var, float val, float hi, float lo, float tol, int adjMode, int type) {
  std::memset(var, 0, sizeof *var);
  if (!finiteValues(val, hi, lo, type == 1 ? 1.0f : tol, "tolerance", type)) return 1;
  var->hi = std::max(hi, lo);
  var->lo = std::min(hi, lo);
  var->val = std::clamp(val, var->lo, var->hi);
  var->scale = 1.0f;
  var->tol = type == 1 ? 1.0f : tol;
  var->adjMode = adjMode;
  var->type = type;
  if (adjMode == 2) {
    var->bitCount = kMaxBits;
  } else {
    double steps = type == 1 ? static_cast<double>(var->hi) - var->lo
                             : (tol != 0.0f ? std::trunc((static_cast<double>(var->hi) - var->lo) / tol) : 0.0);
    // Held to +-1e18 before the conversion: a negative tolerance gives negative steps.
    var->bitCount = getBitCount(static_cast<long long>(std::clamp(steps, -1e18, 1e18)));
  }
  if (var->bitCount > kMaxBits) {
    specMsg(type == 1 ? "NOSA Error: integer bit allocation overflow.\n"
                      : "NOSA Error: floating point bit allocation overflow.\n");
    var->bitCount = 0;
    return 1;
  }
  var->iMax = (1LL << var->bitCount) - 1;
  if (type == 2 && var->bitCount > 0) var->scale = static_cast<float>((static_cast<double>(var->hi) - var->lo) / var->iMax);
  std::fill(var->bitList, var->bitList + sizeof var->bitList, '\0');
  if (adjMode != 2) {
    setVarBits(var);
    setVarVal(var);
  }
  return 0;
}

}  // namespace

int initIVar(SAVar *var, float val, float hi, float lo, int adjMode) {
  return initVar(var, val, hi, lo, 1.0f, adjMode, 1);
}

int initFVar(SAVar *var, float val, float hi, float lo, float tol, int adjMode) {
  return initVar(var, val, hi, lo, tol, adjMode, 2);
}

int varCopy(SAVar *srcVars, SAVar *destVars, int varCount) {
  for (int i = 0; i < varCount; i++) destVars[i] = srcVars[i];
  return 0;
}

int findAdjBits(SAVar *varList, int varCount, char **bitList, int *locList, int *bitCount) {
  int count = 0;
  for (int i = 0; i < varCount; i++) {
    if (varList[i].adjMode != 0) continue;
    for (int k = 0; k < varList[i].bitCount; k++) {
      bitList[count] = &varList[i].bitList[k];
      locList[count++] = i;
    }
  }
  *bitCount = count;
  return 0;
}

int incrBits(char **bitList, int bitCount) {
  for (int k = 0; k < bitCount; k++) {
    if (*bitList[k] == '0') {
      *bitList[k] = '1';
      return 1;
    }
    *bitList[k] = '0';
  }
  return 0;
}

int nosaNull(NOSABuff *n) {
  *n = NOSABuff{};
  n->tInitial = 100.0f;
  n->tFinal = 1.0f;
  n->tCount = 100;
  n->gCount = 20;
  n->optMode = 1;
  n->iseed = 54321;
  return 0;
}

NOSABuff *nosaAlloc() {
  auto *n = static_cast<NOSABuff *>(foundation::voidMalloc(kTag, sizeof(NOSABuff)));
  if (n) nosaNull(n);
  return n;
}

int nosaFree(NOSABuff *n) {
  if (!n) return 0;
  releaseLists(n);
  return nosaNull(n);
}

int nosaUnAlloc(NOSABuff *n) {
  if (n) foundation::unAlloc(kTag, n, sizeof(NOSABuff));
  return 0;
}

int nosaInit2(NOSABuff *n, SAVar *varList, int varCount) {
  releaseLists(n);
  foundation::sRand(n->iseed);
  long long totalBits = 0;
  for (int i = 0; i < varCount; i++) totalBits += varList[i].bitCount;
  // Byte counts as checked products: a list that no allocator block holds is refused with the
  // message of its allocation, before anything is allocated.
  const long long bits = std::max(totalBits, 1LL);
  const long long bitBytes = foundation::checkedCount({bits, static_cast<long long>(sizeof(char *))});
  const long long locBytes = foundation::checkedCount({bits, static_cast<long long>(sizeof(int))});
  const long long varBytes = foundation::checkedCount({varCount, static_cast<long long>(sizeof(SAVar))});
  const char *refused = bitBytes < 0   ? "NOSA Error allocating bit value list.\n"
                        : locBytes < 0 ? "NOSA Error allocating bit correspondance list.\n"
                        : varBytes < 0 ? "NOSA Error allocating new variable list.\n"
                                       : nullptr;
  if (refused) {
    specMsg("%s", refused);
    return 1;
  }
  n->varCount = varCount;
  n->totalBits = static_cast<int>(totalBits);
  n->bitList = static_cast<char **>(foundation::voidMalloc(kTag, static_cast<int>(bitBytes)));
  if (!n->bitList) {
    specMsg("NOSA Error allocating bit value list.\n");
    return 1;
  }
  n->locList = foundation::intAlloc(kTag, static_cast<int>(bits));
  if (!n->locList) {
    specMsg("NOSA Error allocating bit correspondance list.\n");
    return 1;
  }
  n->newVars = static_cast<SAVar *>(foundation::voidMalloc(kTag, static_cast<int>(varBytes)));
  if (!n->newVars) {
    specMsg("NOSA Error allocating new variable list.\n");
    return 1;
  }
  varCopy(varList, n->newVars, varCount);
  return 0;
}

int nosaInit(NOSABuff *n, SAVar *varList, int varCount, int tCount, int opCount, int gCount,
             float tInitial, float tFinal, int iseed, int verbose) {
  if (varCount < 1) return 0;
  // A nan or inf temperature leaves the Metropolis rule without meaning.
  if (!std::isfinite(tInitial) || !std::isfinite(tFinal)) {
    specMsg("NOSA Error: %s temperature is not a finite number.\n", std::isfinite(tInitial) ? "final" : "initial");
    return 1;
  }
  n->optMode = 1;
  n->tCount = std::max(tCount, 0);
  n->opCount = opCount;
  n->gCount = std::max(gCount, 0);
  n->tInitial = tInitial;
  n->tFinal = tFinal;
  n->iseed = iseed;
  n->verbose = verbose;
  return nosaInit2(n, varList, varCount);
}

int gridInit(NOSABuff *n, SAVar *varList, int varCount, int verbose) {
  if (varCount < 1) return 0;
  n->optMode = 0;
  n->verbose = verbose;
  return nosaInit2(n, varList, varCount);
}

int nosa(SAVar *varList, NOSABuff *n, void *auxInfo, SAEnergyFunc varE, SAShowFunc showE,
         float *bestE) {
  if (!ready(n)) return 1;
  int bits = startSearch(varList, n, auxInfo, varE, bestE), count = n->varCount;
  float oldE = *bestE;
  showE(varList, count, auxInfo, 0.0f, oldE);
  float f = n->tCount >= 2 ? std::exp(std::log(n->tFinal / n->tInitial) / (n->tCount - 1)) : 1.0f;
  float t = n->tInitial;
  for (int step = 0; step < n->tCount; step++, t *= f) {
    if (n->opCount <= 0 || bits <= 0) continue;
    for (int op = 0; op < n->opCount; op++) {
      int loc = randomBit(bits);
      SAVar saved;
      flipBit(n, loc, &saved);
      float newE = varE(n->newVars, count, auxInfo), dE = newE - oldE;
      bool accept = dE < 0.0f;
      if (!accept) accept = std::exp(-dE / t) > std::rand() * kRandScale;
      if (!accept) {
        n->newVars[n->locList[loc]] = saved;
        continue;
      }
      oldE = newE;
      if (newE < *bestE) keepBest(varList, n, auxInfo, showE, t, newE, bestE);
    }
  }
  varCopy(varList, n->newVars, count);
  greedyPasses(varList, n, auxInfo, varE, showE, bits, bestE);
  return 0;
}

int gridSearch(SAVar *varList, NOSABuff *n, void *auxInfo, SAEnergyFunc varE, SAShowFunc showE,
               float *bestE) {
  if (!ready(n)) return 1;
  int bits = startSearch(varList, n, auxInfo, varE, bestE), count = n->varCount;
  float e = *bestE;
  showE(n->newVars, count, auxInfo, 0.0f, e);
  auto recompute = [&] {
    for (int i = 0; i < count; i++)
      if (n->newVars[i].adjMode != 2) setVarVal(&n->newVars[i]);
  };
  for (int k = 0; k < bits; k++) *n->bitList[k] = '0';
  recompute();
  while (incrBits(n->bitList, bits)) {
    recompute();
    e = varE(n->newVars, count, auxInfo);
    if (e < *bestE) keepBest(varList, n, auxInfo, showE, 0.0f, e, bestE);
  }
  return 0;
}

}  // namespace korim::spectral
