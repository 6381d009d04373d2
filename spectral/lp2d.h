// Two-dimensional real linear prediction of the four planes of a hypercomplex
// plane: coefficients fitted for the four corner orientations of a prediction
// box, extension first along X, then along Y.
#pragma once

namespace korim::spectral {

typedef struct {
  int xSize, ySize;        // input plane size, points
  int xOutSize, yOutSize;  // output plane size, points
  int xCount, yCount;      // coefficient box nx, ny
  int fnCount;             // resCount * coefCount
  int resCount;            // (xSize - nx)(ySize - ny) equations per corner
  int coefCount;           // nx * ny
  int avgFlag;             // non-zero: one coefficient set per corner for all channels
  int verbose;             // 1 reports the memory used, 2 also the coefficient sums
  float *x;                // resCount x coefCount design matrix, row-major
  float *y;                // resCount targets
  float *xMax;             // xOutSize largest magnitudes per column
  float *yMax;             // yOutSize largest magnitudes per row
  float *coef[4][4];       // [channel][corner] coefCount coefficients
  float **inMat[4];        // per channel ySize rows of xSize, [y][x] 0-based
  float **outMat[4];       // per channel yOutSize rows of xOutSize
} LP2DBuff;

// Zeroes a record and nulls its arrays. Returns 0.
int lp2DNull(LP2DBuff *lp2DInfo);
// Allocates the record (tag "lp2d") into *lp2DPtr, then checks the sizes and
// allocates its matrices and arrays. Refuses with status 1 and a message: a
// box not smaller than the plane or below 1 point, more coefficients than
// equations, an output smaller than the input, or a box whose prediction
// would read beyond the plane (ySize < 2 ny when X grows, xOutSize < 2 nx when
// Y grows). Partial allocations stay for lp2DFree.
int lp2DInit(LP2DBuff **lp2DPtr, int lpXSize, int lpYSize, int lpXCount, int lpYCount,
             int lpOutXSize, int lpOutYSize, int avgFlag, int verbose);
// Fits the sixteen coefficient sets from inMat and predicts outMat. Returns 0,
// or the solver's status after a message (outMat then not written).
int lp2D(LP2DBuff *lp2DInfo);
// Releases everything and nulls *lp2DPtr; null is accepted. Returns 0.
int lp2DFree(LP2DBuff **lp2DPtr);

// The LP system of one corner (0..3) from the plane d: x gets one row of
// nx*ny block points per target, y the target. Returns 0 (also after the
// message for a bad corner).
int lp2DMat(float **d, float *x, float *y, int xSize, int ySize, int xCount, int yCount,
            int corner);
// Copies inMat into the top-left of outMat and predicts the rest with
// coef[corner]. Returns 0, or 1 after a message for sizes the box cannot
// serve without reading beyond the plane.
int lp2DPred(float **inMat, float **outMat, int xSize, int ySize, int xOutSize, int yOutSize,
             int xCount, int yCount, float **coef);
// sum c[k] m[iyOff + r][ixOff + q], r < yCount, q < xCount, k row by row.
float subMatMult(float **m, int ixOff, int iyOff, const float *c, int xCount, int yCount);
// Largest magnitude over the four channels per column and per row, listed on
// stderr. Returns 0.
int lp2DMax(float **const inMat[4], int xSize, int ySize, float *xMax, float *yMax);
// Does nothing. Returns 0.
int lp2DReflect(float **const outMat[4], int xSize, int ySize, int xOutSize, int yOutSize,
                float *xMax, float *yMax);

}  // namespace korim::spectral
