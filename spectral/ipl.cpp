// Neighbourhood statistics and convolution filters over an image plane.
#include "spectral/ipl.h"

#include <algorithm>

#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "foundation/stats.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "ipl";
constexpr int kPtr = static_cast<int>(sizeof(void *));
constexpr int kFlt = static_cast<int>(sizeof(float));

// The work buffer shared by all images: filtered image, then gathered values.
struct IplState {
  float *work = nullptr;
  int size = 0;
};

IplState state;

// Index of a neighbour row or column: reflected about 0, wrapped past size.
int foldIndex(int j, int size) {
  if (j < 0) j = -j;
  if (j >= size) j -= size;
  return j;
}

float statistic(float *vec, int n, int mode) {
  float val = 0.0f;
  switch (mode) {
    case 2: foundation::getMedian(vec, n, &val); break;
    case 3: foundation::getMin(vec, n, &val); break;
    case 4: foundation::getMax(vec, n, &val); break;
    case 5: foundation::getAMin(vec, n, &val); break;
    case 6: foundation::getAMax(vec, n, &val); break;
    case 7: foundation::getRange(vec, n, &val); break;
    case 8: foundation::getAvg(vec, n, &val); break;
    case 9: foundation::getStdDev(vec, n, &val); break;
    default: break;
  }
  return val;
}

// Pixels of the image and pointers of its neighbour lists, as checked byte counts of one
// allocator block each: -1 when a product would pass what a block holds.
long long imageBytes(int xSize, int ySize) { return foundation::checkedCount({xSize, ySize, kFlt}); }
long long neighborBytes(int xSize, int ySize, int dx, int dy) {
  return foundation::checkedCount({xSize, ySize, 2LL * dx + 1, 2LL * dy + 1, kPtr});
}

int buildNeighbors(ImageBuff *im, int dx, int dy) {
  // Sizes and half-widths passed iplInit, so these products fit an int.
  int pixels = im->xSize * im->ySize, count = (2 * dx + 1) * (2 * dy + 1);
  auto *block = static_cast<float **>(foundation::voidMalloc(kTag, pixels * count * kPtr));
  if (!block) {
    specMsg("IPL Error allocating neighbor pointers.\n");
    return 1;
  }
  auto *perPixel = static_cast<float ***>(foundation::voidMalloc(kTag, pixels * kPtr));
  if (!perPixel) {
    foundation::unAlloc(kTag, block, pixels * count * kPtr);
    specMsg("IPL Error allocating neighbor array.\n");
    return 1;
  }
  auto *perRow = static_cast<float ****>(foundation::voidMalloc(kTag, im->ySize * kPtr));
  if (!perRow) {
    foundation::unAlloc(kTag, block, pixels * count * kPtr);
    foundation::unAlloc(kTag, perPixel, pixels * kPtr);
    specMsg("IPL Error allocating neighbor matrix.\n");
    return 1;
  }
  for (int iy = 0; iy < im->ySize; iy++) {
    perRow[iy] = perPixel + iy * im->xSize;
    for (int ix = 0; ix < im->xSize; ix++) {
      float **list = block + (iy * im->xSize + ix) * count;
      perRow[iy][ix] = list;
      int k = 0;
      for (int jy = iy - dy; jy <= iy + dy; jy++)
        for (int jx = ix - dx; jx <= ix + dx; jx++)
          list[k++] = &im->matrix[foldIndex(jy, im->ySize)][foldIndex(jx, im->xSize)];
    }
  }
  im->neighbors = perRow;
  im->dx = dx;
  im->dy = dy;
  im->count = count;
  return 0;
}

}  // namespace

void iplReset() { state = IplState{}; }

int iplNull(ImageBuff *im) {
  *im = ImageBuff{};
  return 0;
}

int iplWorkspace(int minSize) {
  if (minSize <= state.size) return 0;
  float *grown = foundation::fltReAlloc(kTag, state.work, minSize, state.size);
  if (!grown) {
    specMsg("IPL Error allocating workspace.\n");
    return 1;
  }
  state.work = grown;
  state.size = minSize;
  return 0;
}

int iplGetNeighbors(float *vec, float **neighbors, int count, float thresh, int useThresh) {
  int n = 0;
  for (int k = 0; k < count; k++)
    if (!useThresh || *neighbors[k] > thresh) vec[n++] = *neighbors[k];
  return n;
}

int iplFreeNeighbors(ImageBuff *im) {
  if (im->neighbors) {
    float ****perRow = im->neighbors;
    int pixels = im->xSize * im->ySize;
    foundation::unAlloc(kTag, perRow[0][0], pixels * im->count * kPtr);
    foundation::unAlloc(kTag, perRow[0], pixels * kPtr);
    foundation::unAlloc(kTag, perRow, im->ySize * kPtr);
  }
  im->neighbors = nullptr;
  im->dx = im->dy = im->count = 0;
  return 0;
}

int iplFreeImage(ImageBuff *im) {
  iplFreeNeighbors(im);
  if (im->image) foundation::unAlloc(kTag, im->image, im->xSize * im->ySize * kFlt);
  if (im->matrix) foundation::unAlloc(kTag, im->matrix, im->ySize * kPtr);
  im->image = nullptr;
  im->matrix = nullptr;
  im->xSize = im->ySize = 0;
  return 0;
}

int iplFree(ImageBuff *im) { return iplFreeImage(im); }

int iplInit(ImageBuff *im, int xSize, int ySize, int dx, int dy) {
  if (xSize < 1 || ySize < 1 || dx < 0 || dy < 0 || dx >= xSize || dy >= ySize) {
    specMsg("IPL Error: neighborhood %d by %d does not fit a %d by %d image.\n", 2 * dx + 1,
            2 * dy + 1, xSize, ySize);
    return 1;
  }
  // A size whose pixels or neighbour pointers no allocator block holds is refused with the
  // message of that allocation, before the record is changed.
  if (imageBytes(xSize, ySize) < 0) {
    specMsg("IPL Error allocating image memory.\n");
    return 1;
  }
  if (neighborBytes(xSize, ySize, dx, dy) < 0) {
    specMsg("IPL Error allocating neighbor pointers.\n");
    return 1;
  }
  if (im->image && (im->xSize != xSize || im->ySize != ySize)) iplFreeImage(im);
  if (im->neighbors && (im->dx != dx || im->dy != dy)) iplFreeNeighbors(im);
  if (!im->image) {
    im->image = foundation::fltAlloc(kTag, xSize * ySize);
    if (!im->image) {
      specMsg("IPL Error allocating image memory.\n");
      return 1;
    }
    im->matrix = static_cast<float **>(foundation::voidMalloc(kTag, ySize * kPtr));
    if (!im->matrix) {
      foundation::unAlloc(kTag, im->image, xSize * ySize * kFlt);
      im->image = nullptr;
      specMsg("IPL Error allocating matrix memory.\n");
      return 1;
    }
    for (int iy = 0; iy < ySize; iy++) im->matrix[iy] = im->image + iy * xSize;
    im->xSize = xSize;
    im->ySize = ySize;
  }
  if (!im->neighbors) return buildNeighbors(im, dx, dy);
  return 0;
}

int iplStatFilter(ImageBuff *im, int dx, int dy, int filterMode) {
  // iplInit first: it refuses half-widths whose lists would not fit, so the sums below do.
  if (iplInit(im, im->xSize, im->ySize, dx, dy)) return 1;
  int pixels = im->xSize * im->ySize, count = im->count;
  if (iplWorkspace(pixels + count)) return 1;
  float *result = state.work, *gathered = state.work + pixels;
  for (int iy = 0; iy < im->ySize; iy++)
    for (int ix = 0; ix < im->xSize; ix++) {
      int n = iplGetNeighbors(gathered, im->neighbors[iy][ix], count, im->thresh, im->useThresh);
      result[iy * im->xSize + ix] = n > 0 ? statistic(gathered, n, filterMode) : im->matrix[iy][ix];
    }
  std::copy(result, result + pixels, im->image);
  return 0;
}

int iplConvFilter(ImageBuff *im, float *kernel, int dx, int dy) {
  if (iplInit(im, im->xSize, im->ySize, dx, dy)) return 1;
  int pixels = im->xSize * im->ySize;
  if (iplWorkspace(pixels)) return 1;
  for (int iy = 0; iy < im->ySize; iy++)
    for (int ix = 0; ix < im->xSize; ix++) {
      float sum = 0.0f, **list = im->neighbors[iy][ix];
      for (int k = 0; k < im->count; k++) sum += kernel[k] * *list[k];
      state.work[iy * im->xSize + ix] = sum;
    }
  std::copy(state.work, state.work + pixels, im->image);
  return 0;
}

int iplFilter(ImageBuff *im, int filterMode, float *kernel, int dx, int dy) {
  if (!im || !im->image) {
    specMsg("IPL Warning: attempt to process a null image.\n");
    return 0;
  }
  if (filterMode == 1 && !kernel) {
    specMsg("IPL Error: convolution without a kernel.\n");
    return 1;
  }
  if (filterMode == 1) return iplConvFilter(im, kernel, dx, dy);
  return iplStatFilter(im, dx, dy, filterMode);
}

}  // namespace korim::spectral
