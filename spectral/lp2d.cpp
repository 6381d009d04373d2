// Two-dimensional real linear prediction over four planes.
#include "spectral/lp2d.h"

#include <algorithm>
#include <cmath>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/svdpoly.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

const char *const kTag = "lp2d";

// Why a box of nx x ny cannot extend an xSize x ySize plane to the output
// size without reading outside it, or null when it can.
const char *predictionFault(int xSize, int ySize, int xOutSize, int yOutSize, int nx, int ny) {
  if (nx < 1 || ny < 1) return "LP2D Error: X or Y coefficient count below 1.\n";
  if (xOutSize < xSize || yOutSize < ySize)
    return "LP2D Error: output size smaller than input size.\n";
  if ((xOutSize > xSize && ySize < 2 * ny) || (yOutSize > ySize && xOutSize < 2 * nx))
    return "LP2D Error: coefficient box too large for the plane to predict from.\n";
  return nullptr;
}

// First target row/column and block offsets of each corner, relative to the
// target: rows iy+dy .. iy+dy+ny-1, columns ix+dx .. ix+dx+nx-1.
struct Corner {
  bool lowY, lowX;   // targets start at row ny / column nx (else at 0)
  bool above, left;  // block rows before the target (else after), columns likewise
};
constexpr Corner kCorners[4] = {{true, true, true, true},
                                {true, false, true, false},
                                {false, false, false, false},
                                {false, true, false, true}};

// Predicted point at (iy, ix) of m from the block of the corner.
float predictAt(float **m, int ix, int iy, int nx, int ny, const Corner &c, const float *coef) {
  return subMatMult(m, c.left ? ix - nx : ix + 1, c.above ? iy - ny : iy + 1, coef, nx, ny);
}

}  // namespace

int lp2DNull(LP2DBuff *lp2DInfo) {
  *lp2DInfo = LP2DBuff{};
  return 0;
}

int lp2DInit(LP2DBuff **lp2DPtr, int lpXSize, int lpYSize, int lpXCount, int lpYCount,
             int lpOutXSize, int lpOutYSize, int avgFlag, int verbose) {
  int used0 = 0, reused = 0, used1 = 0;
  foundation::getMemUsed(&used0, &reused);
  auto *lp = static_cast<LP2DBuff *>(foundation::voidMalloc(kTag, sizeof(LP2DBuff)));
  *lp2DPtr = lp;
  if (!lp) {
    specMsg("LP2D Error allocating LP structure.\n");
    return 1;
  }
  lp2DNull(lp);
  long long res = (static_cast<long long>(lpXSize) - lpXCount) * (static_cast<long long>(lpYSize) - lpYCount);
  long long coefs = static_cast<long long>(lpXCount) * lpYCount;
  if (lpXCount > lpXSize - 1 || lpYCount > lpYSize - 1) {
    specMsg("LP2D Error: X or Y coefficient count too large.\n");
    return 1;
  }
  if (coefs > res) {
    specMsg("LP2D Error: Total coefficient count too large.\n");
    return 1;
  }
  if (const char *fault =
          predictionFault(lpXSize, lpYSize, lpOutXSize, lpOutYSize, lpXCount, lpYCount)) {
    specMsg("%s", fault);
    return 1;
  }
  // Each of these is one allocator block, released by its byte count in an int: the design
  // matrix of res x coefs floats and the two arrays of the output sizes.
  constexpr long long kFlt = static_cast<long long>(sizeof(float));
  if (foundation::checkedCount({res, coefs, kFlt}) < 0) {
    specMsg("LP2D Error allocating X Matrix.\n");
    return 1;
  }
  if (foundation::checkedCount({lpOutXSize, kFlt}) < 0 || foundation::checkedCount({lpOutYSize, kFlt}) < 0) {
    specMsg("LP2D Error allocating %s array.\n", foundation::checkedCount({lpOutXSize, kFlt}) < 0 ? "XMax" : "YMax");
    return 1;
  }
  *lp = LP2DBuff{lpXSize,
                 lpYSize,
                 lpOutXSize,
                 lpOutYSize,
                 lpXCount,
                 lpYCount,
                 static_cast<int>(res * coefs),
                 static_cast<int>(res),
                 static_cast<int>(coefs),
                 avgFlag,
                 verbose,
                 nullptr,
                 nullptr,
                 nullptr,
                 nullptr,
                 {},
                 {},
                 {}};
  for (int ch = 0; ch < 4; ch++) {
    if (!(lp->inMat[ch] = foundation::matAlloc(kTag, lpXSize, lpYSize))) {
      specMsg("LP2D Error allocating input matrix.\n");
      return 1;
    }
    if (!(lp->outMat[ch] = foundation::matAlloc(kTag, lpOutXSize, lpOutYSize))) {
      specMsg("LP2D Error allocating output matrix.\n");
      return 1;
    }
  }
  if (!(lp->x = foundation::fltAlloc(kTag, lp->fnCount)) ||
      !(lp->y = foundation::fltAlloc(kTag, lp->resCount))) {
    specMsg("LP2D Error allocating X Matrix.\n");
    return 1;
  }
  if (!(lp->xMax = foundation::fltAlloc(kTag, lpOutXSize))) {
    specMsg("LP2D Error allocating XMax array.\n");
    return 1;
  }
  if (!(lp->yMax = foundation::fltAlloc(kTag, lpOutYSize))) {
    specMsg("LP2D Error allocating YMax array.\n");
    return 1;
  }
  for (auto &channel : lp->coef)
    for (float *&c : channel)
      if (!(c = foundation::fltAlloc(kTag, lp->coefCount))) {
        specMsg("LP2D Error allocating coefficients.\n");
        return 1;
      }
  foundation::getMemUsed(&used1, &reused);
  if (verbose) specMsg("LP2D: %.2f MBytes.\n", (used1 - used0) * 9.536743e-7);
  return 0;
}

int lp2DFree(LP2DBuff **lp2DPtr) {
  if (!lp2DPtr || !*lp2DPtr) return 0;
  LP2DBuff *lp = *lp2DPtr;
  const int f = static_cast<int>(sizeof(float));
  for (int ch = 0; ch < 4; ch++) {
    if (lp->inMat[ch]) foundation::matFree(lp->inMat[ch], lp->xSize, lp->ySize);
    if (lp->outMat[ch]) foundation::matFree(lp->outMat[ch], lp->xOutSize, lp->yOutSize);
    for (float *c : lp->coef[ch])
      if (c) foundation::unAlloc(kTag, c, lp->coefCount * f);
  }
  if (lp->x) foundation::unAlloc(kTag, lp->x, lp->fnCount * f);
  if (lp->y) foundation::unAlloc(kTag, lp->y, lp->resCount * f);
  if (lp->xMax) foundation::unAlloc(kTag, lp->xMax, lp->xOutSize * f);
  if (lp->yMax) foundation::unAlloc(kTag, lp->yMax, lp->yOutSize * f);
  foundation::unAlloc(kTag, lp, static_cast<int>(sizeof(LP2DBuff)));
  *lp2DPtr = nullptr;
  return 0;
}

int lp2DMat(float **d, float *x, float *y, int xSize, int ySize, int xCount, int yCount,
            int corner) {
  if (corner < 0 || corner > 3) {
    specMsg("LP2D Error: bad corner type.\n");
    return 0;
  }
  const Corner &c = kCorners[corner];
  int nx = xCount, ny = yCount, y0 = c.lowY ? ny : 0, x0 = c.lowX ? nx : 0;
  long row = 0;
  for (int iy = y0; iy < y0 + ySize - ny; iy++)
    for (int ix = x0; ix < x0 + xSize - nx; ix++, row++) {
      float *eq = x + row * nx * ny;
      int by = c.above ? iy - ny : iy + 1, bx = c.left ? ix - nx : ix + 1;
      for (int r = 0; r < ny; r++)
        for (int q = 0; q < nx; q++) *eq++ = d[by + r][bx + q];
      y[row] = d[iy][ix];
    }
  return 0;
}

float subMatMult(float **m, int ixOff, int iyOff, const float *c, int xCount, int yCount) {
  float sum = 0.0f;
  for (int r = 0, k = 0; r < yCount; r++)
    for (int q = 0; q < xCount; q++, k++) sum += c[k] * m[iyOff + r][ixOff + q];
  return sum;
}

int lp2DPred(float **inMat, float **outMat, int xSize, int ySize, int xOutSize, int yOutSize,
             int xCount, int yCount, float **coef) {
  if (const char *fault = predictionFault(xSize, ySize, xOutSize, yOutSize, xCount, yCount)) {
    specMsg("%s", fault);
    return 1;
  }
  int nx = xCount, ny = yCount;
  for (int iy = 0; iy < yOutSize; iy++) {
    std::fill(outMat[iy], outMat[iy] + xOutSize, 0.0f);
    if (iy < ySize) std::copy(inMat[iy], inMat[iy] + xSize, outMat[iy]);
  }
  for (int ix = xSize; ix < xOutSize; ix++)
    for (int iy = 0; iy < ySize; iy++) {
      int k = iy < ny ? 3 : 0;
      outMat[iy][ix] = predictAt(outMat, ix, iy, nx, ny, kCorners[k], coef[k]);
    }
  for (int iy = ySize; iy < yOutSize; iy++)
    for (int ix = 0; ix < xOutSize; ix++) {
      int k = ix < nx ? 1 : 0;
      outMat[iy][ix] = predictAt(outMat, ix, iy, nx, ny, kCorners[k], coef[k]);
    }
  return 0;
}

int lp2D(LP2DBuff *lp) {
  for (int ch = 0; ch < 4; ch++)
    for (int corner = 0; corner < 4; corner++) {
      lp2DMat(lp->inMat[ch], lp->x, lp->y, lp->xSize, lp->ySize, lp->xCount, lp->yCount, corner);
      int status = foundation::svdLSMat(lp->x, lp->y, lp->resCount, lp->coefCount,
                                        lp->coef[ch][corner], nullptr, 1);
      if (status) {
        specMsg("LP2D Error extracting coefficients.\n");
        return status;
      }
      if (lp->verbose > 1) {
        double sum = 0;
        for (int k = 0; k < lp->coefCount; k++) sum += lp->coef[ch][corner][k];
        specMsg("Sum Coef[%d][%d]: % f\n", ch, corner, sum);
      }
    }
  if (lp->avgFlag)
    for (int corner = 0; corner < 4; corner++)
      for (int k = 0; k < lp->coefCount; k++) {
        float mean = 0.0f;
        for (int ch = 0; ch < 4; ch++) mean += 0.25f * lp->coef[ch][corner][k];
        for (int ch = 0; ch < 4; ch++) lp->coef[ch][corner][k] = mean;
      }
  for (int ch = 0; ch < 4; ch++) {
    int status = lp2DPred(lp->inMat[ch], lp->outMat[ch], lp->xSize, lp->ySize, lp->xOutSize,
                          lp->yOutSize, lp->xCount, lp->yCount, lp->coef[ch]);
    if (status) return status;
  }
  return 0;
}

int lp2DMax(float **const inMat[4], int xSize, int ySize, float *xMax, float *yMax) {
  std::fill(xMax, xMax + std::max(xSize, 0), 0.0f);
  std::fill(yMax, yMax + std::max(ySize, 0), 0.0f);
  for (int iy = 0; iy < ySize; iy++)
    for (int ix = 0; ix < xSize; ix++) {
      double sq = 0;
      for (int ch = 0; ch < 4; ch++)
        sq += static_cast<double>(inMat[ch][iy][ix]) * inMat[ch][iy][ix];
      float mag = static_cast<float>(std::sqrt(sq));
      xMax[ix] = std::max(xMax[ix], mag);
      yMax[iy] = std::max(yMax[iy], mag);
    }
  for (int ix = 0; ix < xSize; ix++) specMsg("%3d %8.2f\n", ix + 1, xMax[ix]);
  for (int iy = 0; iy < ySize; iy++) specMsg("%3d %8.2f\n", iy + 1, yMax[iy]);
  return 0;
}

int lp2DReflect(float **const[4], int, int, int, int, float *, float *) { return 0; }

}  // namespace korim::spectral
