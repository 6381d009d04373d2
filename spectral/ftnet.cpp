// Neural-network spectrum estimator with file weights.
#include "spectral/ftnet.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "foundation/checkedcount.h"
#include "foundation/inputfile.h"
#include "foundation/memory.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "net";
constexpr long long kFlt = static_cast<long long>(sizeof(float));

int inputCount(const FTNetInfo *f) { return 2 * f->tSize + 2; }

}  // namespace

int ftNetNull(FTNetInfo *f) {
  *f = FTNetInfo{};
  f->scale = 1.0f;
  return 0;
}

int ftNetInit(FTNetInfo *f, int tSize, int fSize, float scale, float noise, const char *inName) {
  // The weights, fSize rows of 2 tSize + 2, are one allocator block: sizes whose byte count
  // passes what a block holds (and would wrap around in an int) are bad sizes too.
  if (tSize < 1 || fSize < 1 || foundation::checkedCount({2LL * tSize + 2, fSize, kFlt}) < 0) {
    specMsg("FTNet Error: bad sizes %d and %d.\n", tSize, fSize);
    return 1;
  }
  f->tSize = tSize;
  f->fSize = fSize;
  f->noise = noise;
  f->scale = scale != 0.0f ? scale : 1.0f;
  int count = inputCount(f);
  if (!(f->x = foundation::fltAlloc(kTag, count))) return 1;
  if (!(f->work = foundation::fltAlloc(kTag, count * fSize))) return 1;
  if (!(f->w = foundation::mat2Ptr(f->work, count, fSize))) return 1;
  foundation::FilePtr fp(foundation::openText(inName));
  if (!fp) {
    specMsg("FTNet Error opening file %s\n", inName);
    return 1;
  }
  for (int k = 0; k < count * fSize; k++)
    if (std::fscanf(fp.get(), "%f", &f->work[k]) != 1) {
      if (!foundation::textRefused(fp.get(), "FTNet", inName)) specMsg("FTNet Error reading %s\n", inName);
      return 1;
    } else if (!std::isfinite(f->work[k])) {  // "nan", "inf" or past the float range: no weight
      specMsg("FTNet Error: weight %d of %s is not a finite number.\n", k + 1, inName);
      return 1;
    }
  return 0;
}

int ftNet(float *rdata, float *idata, FTNetInfo *f) {
  int n = f->tSize, count = inputCount(f);
  f->x[0] = 1.0f;
  f->x[1] = f->noise / f->scale;
  for (int i = 0; i < n; i++) {
    f->x[2 + i] = rdata[i] / f->scale;
    f->x[2 + n + i] = idata[i] / f->scale;
  }
  for (int j = 0; j < f->fSize; j++) {
    float a = 0.0f;
    for (int i = 0; i < count; i++) a += f->w[j][i] * f->x[i];
    rdata[j] = (2.0f / (std::exp(-a) + 1.0f) - 1.0f) * f->scale;
  }
  return 0;
}

int ftNetFree(FTNetInfo *f) {
  int count = inputCount(f), bytes = static_cast<int>(sizeof(float));
  if (f->x) foundation::unAlloc(kTag, f->x, count * bytes);
  if (f->work) foundation::unAlloc(kTag, f->work, count * f->fSize * bytes);
  if (f->w) foundation::unAlloc("mat2ptr", f->w, f->fSize * static_cast<int>(sizeof(float *)));
  return ftNetNull(f);
}

}  // namespace korim::spectral
