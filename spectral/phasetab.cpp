// Linear and exponential phase tables and phase rotation.
#include "spectral/phasetab.h"

#include <cmath>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

const char *const kTag = "ps";

float radians(float degrees) { return static_cast<float>(degrees * kTwoPi / 360.0); }

// Allocates the table for size points and fills it with theta(k).
template <typename Theta>
int fillTable(psBuff *ps, int size, Theta theta) {
  phaseFree(ps);
  if (size < 0) size = 0;
  // Each table is one allocator block, released by its byte count in an int.
  if (foundation::checkedCount({size, static_cast<long long>(sizeof(float))}) < 0) return 1;
  ps->size = size;  // the sizes phaseFree gives back, even after a failure
  ps->rdata = foundation::fltAlloc(kTag, size);
  if (!ps->rdata) return 1;
  ps->idata = foundation::fltAlloc(kTag, size);
  if (!ps->idata) return 1;
  for (int k = 0; k < size; k++) {
    double t = theta(k);
    ps->rdata[k] = static_cast<float>(std::cos(t));
    ps->idata[k] = static_cast<float>(std::sin(t));
  }
  return 0;
}

}  // namespace

int phaseNull(psBuff *ps) {
  *ps = psBuff{nullptr, nullptr, 0, 1, 0.0f, 0.0f, 0.0f};
  return 0;
}

int phaseInit(psBuff *ps, int size, float p0, float p1) {
  float a0 = radians(p0), a1 = radians(p1);
  int status = fillTable(ps, size, [&](int k) { return a0 + k * static_cast<double>(a1) / size; });
  ps->mode = 1;
  ps->p0 = p0;
  ps->p1 = p1;
  return status;
}

int phaseExpInit(psBuff *ps, int size, float p0, float tc) {
  float a0 = radians(p0);
  int status = fillTable(ps, size,
                         [&](int k) { return a0 * std::exp(-k * static_cast<double>(tc) / size); });
  ps->mode = -1;
  ps->p0 = p0;
  ps->p1 = 0.0f;
  ps->tc = tc;
  return status;
}

int phase(float *re, float *im, const psBuff *ps) {
  if (!ps->rdata || !ps->idata) return 0;
  for (int k = 0; k < ps->size; k++) {
    double c = ps->rdata[k], s = ps->idata[k], r = re[k], i = im[k];
    re[k] = static_cast<float>(r * c - i * s);
    im[k] = static_cast<float>(i * c + r * s);
  }
  return 0;
}

int phaseFree(psBuff *ps) {
  int bytes = ps->size * static_cast<int>(sizeof(float));
  if (ps->rdata) foundation::unAlloc(kTag, ps->rdata, bytes);
  if (ps->idata) foundation::unAlloc(kTag, ps->idata, bytes);
  return phaseNull(ps);
}

}  // namespace korim::spectral
