// Damped MUSIC pseudo-spectrum, peak search, amplitude fit and reconstruction.
#include "spectral/dmusic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/nrutil.h"
#include "foundation/svdpoly.h"
#include "spectral/report.h"
#include "spectral/sigconst.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "dmusic";
constexpr int kFlt = static_cast<int>(sizeof(float));

int gridCount(float first, float last, float step) {
  if (step == 0.0f) return 1;
  double n = std::trunc((static_cast<double>(last) - first) / step);
  return !(n >= 1.0) ? 1 : static_cast<int>(std::min(n, 1e6));  // nan: one grid point
}

int half(int n) { return static_cast<int>((static_cast<long long>(n) + 1) / 2 + 1); }

// True when every float block of dmusicInit for these sizes fits one allocator block (the noise
// subspace 2m (m - maxSig), the trial signals tSize maxSig, the work vectors 2 tSize, and the
// m-sized rows of the matrices), so that no count wraps around.
bool blocksFit(int tSize, int maxSig) {
  const long long m = half(tSize);
  for (long long count : {2 * m * (m - maxSig), static_cast<long long>(tSize) * maxSig, 2LL * tSize, 2 * m})
    if (foundation::checkedCount({count, kFlt}) < 0) return false;
  return true;
}

// True when every value of the scan grid is a finite number; otherwise a message names the
// first that is not (its grid count would be no number).
bool finiteGrid(const float *values) {
  static const char *const names[6] = {"freq1", "freqN", "freqStep", "damp1", "dampN", "dampStep"};
  for (int k = 0; k < 6; k++)
    if (!std::isfinite(values[k])) {
      specMsg("DMUSIC Error: grid value %s is not a finite number.\n", names[k]);
      return false;
    }
  return true;
}

// Real form of the complex Hankel matrix H[i][j] = d[i+j] (0 past the data).
void hankel(const float *re, const float *im, int n, int m, float **x) {
  for (int i = 0; i < m; i++)
    for (int j = 0; j < m; j++) {
      float a = i + j < n ? re[i + j] : 0.0f, b = i + j < n ? im[i + j] : 0.0f;
      x[i + 1][j + 1] = a;
      x[i + 1][m + j + 1] = -b;
      x[m + i + 1][j + 1] = b;
      x[m + i + 1][m + j + 1] = a;
    }
}

// The right singular vectors of the `count` smallest singular values, as
// complex vectors vnR + i vnI of m entries, row-major with count per row.
void noiseSubspace(const float *s, float **v, int m, int count, float *vnR, float *vnI) {
  std::vector<int> order(2 * m);
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return s[a] < s[b]; });
  for (int r = 0; r < m; r++)
    for (int c = 0; c < count; c++) {
      vnR[r * count + c] = v[r + 1][order[c]];
      vnI[r * count + c] = v[m + r + 1][order[c]];
    }
}

// 1 / |projection of the unit trial signal onto the noise subspace|.
float pseudoSpectrum(float *simR, float *simI, int m, int n, float f, float g, const float *vnR,
                     const float *vnI, int count, float *tR, float *tI) {
  std::fill(simR, simR + m, 0.0f);
  std::fill(simI, simI + m, 0.0f);
  sim1D(simR, simI, 1.0f, f, g, m, n);
  float norm = 0.0f;
  for (int i = 0; i < m; i++) norm += simR[i] * simR[i] + simI[i] * simI[i];
  norm = norm > 0.0f ? std::sqrt(norm) : 1.0f;
  for (int i = 0; i < m; i++) {
    simR[i] /= norm;
    simI[i] /= norm;
  }
  float p = 0.0f;
  for (int k = 0; k < count; k++) {
    tR[k] = tI[k] = 0.0f;
    for (int i = 0; i < m; i++) {
      float a = vnR[i * count + k], b = vnI[i * count + k];
      tR[k] += a * simR[i] - b * simI[i];
      tI[k] += a * simI[i] + b * simR[i];
    }
    p += tR[k] * tR[k] + tI[k] * tI[k];
  }
  p = std::sqrt(p);
  return p > 0.0f ? 1.0f / p : 1.0f;
}

bool isPeak(float **spm, int id, int jf) {
  for (int a = id - 1; a <= id + 1; a++)
    for (int b = jf - 1; b <= jf + 1; b++)
      if (spm[a][b] > spm[id][jf]) return false;
  return true;
}

}  // namespace

int sim1D(float *rdata, float *idata, float hi, float x0, float xfw, int tSize, int fSize) {
  float w = (x0 - (fSize / 2 + 1)) * kTwoPiF / fSize, a = -xfw * kPiF / fSize;
  for (int k = 0; k < tSize; k++) {
    float amp = hi * std::exp(a * k);
    rdata[k] += amp * std::cos(k * w);
    idata[k] -= amp * std::sin(k * w);
  }
  return 0;
}

int dmusic1D(float *rdata, float *idata, int size, int maxSig, float freq1, float freqN,
             float freqStep, float damp1, float dampN, float dampStep, float **x, float *s,
             float **v, float *vnR, float *vnI, float *simR, float *simI, float *tR, float *tI,
             float **spm, float *freqList, float *dampList, float *hiList, int *sigCount) {
  int n = size, m = half(n), noiseCount = 2 * (m - maxSig), status = 0;
  int freqCount = gridCount(freq1, freqN, freqStep), dampCount = gridCount(damp1, dampN, dampStep);
  hankel(rdata, idata, n, m, x);
  std::vector<float> rv1(2 * m + 1);
  foundation::svdcmpUser(x, 2 * m, 2 * m, s, v, rv1.data());
  noiseSubspace(s, v, m, noiseCount, vnR, vnI);
  for (int id = 0; id < dampCount; id++)
    for (int jf = 0; jf < freqCount; jf++)
      spm[id][jf] = pseudoSpectrum(simR, simI, m, n, freq1 + jf * freqStep, damp1 + id * dampStep,
                                   vnR, vnI, noiseCount, tR, tI);
  *sigCount = 0;
  for (int id = 1; id < dampCount - 1; id++)
    for (int jf = 1; jf < freqCount - 1; jf++) {
      if (!isPeak(spm, id, jf)) continue;
      if (*sigCount >= maxSig) {
        specMsg("DMUSIC Warning: Max signal count exceeded.\n");
        status = 1;
        continue;
      }
      freqList[*sigCount] = freq1 + jf * freqStep;
      dampList[*sigCount] = damp1 + id * dampStep;
      (*sigCount)++;
    }
  int count = *sigCount;
  for (int k = 0; k < count; k++) {
    std::fill(tR, tR + n, 0.0f);
    std::fill(tI, tI + n, 0.0f);
    sim1D(tR, tI, 1.0f, freqList[k], dampList[k], n, n);
    for (int i = 0; i < n; i++) simR[i * count + k] = tR[i];
  }
  if (count > 0) foundation::svdLSMat(simR, rdata, n, count, hiList, nullptr, 1);
  std::fill(rdata, rdata + n, 0.0f);
  std::fill(idata, idata + n, 0.0f);
  for (int k = 0; k < count; k++) {
    specMsg("%d. %f %f %f\n", k + 1, hiList[k], freqList[k], dampList[k]);
    sim1D(rdata, idata, hiList[k], freqList[k], dampList[k], n, n);
  }
  return status;
}

int dmusicNull(DMUSICBuff *d) {
  std::memset(d, 0, sizeof *d);
  d->enhanceMode = 1;
  return 0;
}

DMUSICBuff *dmusicAlloc() {
  auto *d = static_cast<DMUSICBuff *>(foundation::voidMalloc(kTag, sizeof(DMUSICBuff)));
  if (!d) {
    specMsg("DMUSIC Error allocating DMUSIC structure.\n");
    return nullptr;
  }
  dmusicNull(d);
  return d;
}

int dmusicInit(DMUSICBuff **ptr, int tSize, int fSize, int enhanceMode, int maxSig, float freq1,
               float freqN, float freqStep, float damp1, float dampN, float dampStep, float noise,
               float thresh) {
  int m = half(tSize);
  if (tSize < 4) {
    specMsg("DMUSIC Error: %d points are too few.\n", tSize);
    *ptr = nullptr;
    return 1;
  }
  if (maxSig < 1 || maxSig >= m) {
    specMsg("DMUSIC Error: signal count %d must lie in 1..%d for %d points.\n", maxSig, m - 1, tSize);
    *ptr = nullptr;
    return 1;
  }
  const float grid[6] = {freq1, freqN, freqStep, damp1, dampN, dampStep};
  if (!finiteGrid(grid)) {
    *ptr = nullptr;
    return 1;
  }
  if (!blocksFit(tSize, maxSig)) {
    specMsg("%s Error allocating memory.\n", "DMUSIC");
    *ptr = nullptr;
    return 1;
  }
  DMUSICBuff *d = *ptr = dmusicAlloc();
  if (!d) return 1;
  d->tSize[0] = tSize;
  d->fSize[0] = fSize;
  d->enhanceMode = enhanceMode;
  d->maxSig = maxSig;
  d->freq1[0] = freq1, d->freqN[0] = freqN, d->freqStep[0] = freqStep;
  d->damp1[0] = damp1, d->dampN[0] = dampN, d->dampStep[0] = dampStep;
  d->noise = noise;
  d->thresh = thresh;
  d->dimCount = 1;
  d->freqCount = gridCount(freq1, freqN, freqStep);
  d->dampCount = gridCount(damp1, dampN, dampStep);
  int noiseCells = m * 2 * (m - maxSig), sim = tSize * maxSig;
  bool ok = (d->x = foundation::matrix(1, 2 * m, 1, 2 * m)) && (d->s = foundation::vector(1, 2 * m)) &&
            (d->v = foundation::matrix(1, 2 * m, 1, 2 * m)) &&
            (d->vnR = foundation::fltAlloc(kTag, noiseCells)) && (d->vnI = foundation::fltAlloc(kTag, noiseCells)) &&
            (d->simR = foundation::fltAlloc(kTag, sim)) && (d->simI = foundation::fltAlloc(kTag, sim)) &&
            (d->workR = foundation::fltAlloc(kTag, 2 * tSize)) && (d->workI = foundation::fltAlloc(kTag, 2 * tSize)) &&
            (d->spm = foundation::matAlloc(kTag, d->freqCount, d->dampCount)) &&
            (d->freqList = foundation::fltAlloc(kTag, maxSig)) && (d->dampList = foundation::fltAlloc(kTag, maxSig)) &&
            (d->hiList = foundation::fltAlloc(kTag, maxSig));
  if (!ok) {
    specMsg("%s Error allocating memory.\n", "DMUSIC");
    return 1;
  }
  return 0;
}

int dmusic(DMUSICBuff *d, float *rdata, float *idata) {
  d->sigCount = 0;
  if (d->dimCount != 1) {
    specMsg("DMUSIC Error: unsupported dimension count.\n");
    return 1;
  }
  return dmusic1D(rdata, idata, d->tSize[0], d->maxSig, d->freq1[0], d->freqN[0], d->freqStep[0],
                  d->damp1[0], d->dampN[0], d->dampStep[0], d->x, d->s, d->v, d->vnR, d->vnI, d->simR,
                  d->simI, d->workR, d->workI, d->spm, d->freqList, d->dampList, d->hiList, &d->sigCount);
}

int dmusicFree(DMUSICBuff *d) {
  if (!d) return 0;
  int tSize = d->tSize[0], m = half(tSize), maxSig = d->maxSig;
  int noiseCells = m * 2 * (m - maxSig), sim = tSize * maxSig;
  foundation::free_matrix(d->x, 1, 2 * m, 1, 2 * m);
  foundation::free_vector(d->s, 1, 2 * m);
  foundation::free_matrix(d->v, 1, 2 * m, 1, 2 * m);
  for (float *p : {d->vnR, d->vnI})
    if (p) foundation::unAlloc(kTag, p, noiseCells * kFlt);
  for (float *p : {d->simR, d->simI})
    if (p) foundation::unAlloc(kTag, p, sim * kFlt);
  for (float *p : {d->workR, d->workI})
    if (p) foundation::unAlloc(kTag, p, 2 * tSize * kFlt);
  if (d->spm) foundation::matFree(d->spm, d->freqCount, d->dampCount);
  for (float *p : {d->freqList, d->dampList, d->hiList})
    if (p) foundation::unAlloc(kTag, p, maxSig * kFlt);
  foundation::unAlloc(kTag, d, sizeof(DMUSICBuff));
  return 0;
}

}  // namespace korim::spectral
