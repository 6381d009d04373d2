// Image filters over a two-dimensional plane: neighbourhood statistics
// (median, extremes, range, mean, deviation) and convolution kernels, through
// per-pixel lists of neighbour pointers reflected at the first row and column
// and wrapped past the last.
#pragma once

namespace korim::spectral {

typedef struct {
  float *image;         // [ySize*xSize] pixels, row by row
  float **matrix;       // [ySize] row pointers into image: matrix[iy][ix]
  float ****neighbors;  // [ySize][xSize][count] neighbour pointers: neighbors[iy][ix][k]
  float thresh;         // neighbour threshold of the statistics filters
  int useThresh;        // non-zero: only neighbours strictly above thresh take part
  int xSize, ySize;     // image size, pixels
  int dx, dy;           // neighbourhood half-widths of the current lists
  int count;            // (2dx+1)(2dy+1) neighbours per pixel
} ImageBuff;

// Filter modes: 1 convolution; statistics 2 median (lower middle), 3 minimum,
// 4 maximum, 5 smallest and 6 largest magnitude (sign kept), 7 range, 8 mean,
// 9 sample standard deviation; any other mode gives 0.

int iplNull(ImageBuff *imageInfo);
// Fits the record to the size and neighbourhood (tag "ipl"): an image of
// another size is released with its lists, lists of other half-widths are
// released, and what is missing is made. Neighbour rows jy = iy-dy..iy+dy
// (outer) and columns jx = ix-dx..ix+dx (inner); -r becomes r, ySize + r
// becomes r. 1 after a message for a failed allocation, or for a
// neighbourhood with dx or dy negative or not below the image size; a size
// whose pixels or neighbour pointers one allocator block cannot hold (an int
// byte count) is refused with the message of that allocation, the record
// unchanged.
int iplInit(ImageBuff *imageInfo, int xSize, int ySize, int dx, int dy);
// Filters the image in place (mode 1 with kernel[count], rows outer); a null
// record is warned about and left, a null kernel in mode 1 refused. 0, or 1
// after a message with the image unchanged.
int iplFilter(ImageBuff *imageInfo, int filterMode, float *kernel, int dx, int dy);
// A pixel none of whose neighbours passes the threshold keeps its value.
int iplStatFilter(ImageBuff *imageInfo, int dx, int dy, int filterMode);
int iplConvFilter(ImageBuff *imageInfo, float *kernel, int dx, int dy);
// Copies the values behind count pointers into vec (with useThresh only those
// strictly above thresh); returns the number copied.
int iplGetNeighbors(float *vec, float **neighbors, int count, float thresh, int useThresh);
// Grows the shared work buffer to at least minSize floats; 1 after a message.
int iplWorkspace(int minSize);
int iplFreeImage(ImageBuff *imageInfo);
int iplFreeNeighbors(ImageBuff *imageInfo);
int iplFree(ImageBuff *imageInfo);
// Forgets the shared work buffer (tests call it between cases).
void iplReset();

}  // namespace korim::spectral
