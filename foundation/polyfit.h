// Baseline removal along one data vector: least-squares polynomials and
// cosine series through selected points, and piecewise-linear baselines
// through node averages. Point numbers given by callers are 1-based; the
// data vectors and masks are 0-based.
#pragma once

namespace korim::foundation {

// One baseline job over a vector of `length` points.
struct PolyBuff {
  int *fitMask;    // per point: 0 = not fitted; else fitted (with avgFlag: the averaging half-width)
  int *subMask;    // per point: nonzero = the baseline is subtracted there
  float *pData;    // length*(order+1) powers: entry i*(order+1)+j = (i*xScale)^j
  float *xData;    // abscissae of the fitted points (i*xScale)
  float *yData;    // ordinates of the fitted points, times yScale
  int length;      // number of points
  int fitLength;   // fitted points found by the last subtraction
  int quadState;   // 1 = one real vector; otherwise real and imaginary vectors
  float xScale;    // abscissa per point: 2 pi/length (cosine series) or 10/length (polynomial)
  float yScale;    // 10 / the largest fitted ordinate (1 when that is 0)
  float *coef;     // order+1 coefficients
  int order;       // polynomial order / cosine terms minus 1; negative = show the fit mask
  int sineFlag;    // nonzero = cosine series instead of polynomial
  int avgFlag;     // nonzero = each fitted point is a window average
  int filtFlag;    // nonzero = window averages are sine-weighted
  float p0;        // phase of the cosine series for the real vector, degrees (imaginary: p0+90)
  float p1;        // second phase, degrees; kept but without effect on results
};

int polyNull(PolyBuff *pb);
// Allocates the arrays (tag "poly") for `length` points with pb->order and
// pb->sineFlag as set before; 1 after a "POLY Error allocating ..." message.
int polyInit(PolyBuff *pb, int length);
// Builds the masks: subtraction over points subX1..subX3; fitted points at
// nodeCount nodes spread evenly over fitX1..fitX3, at the nodeList points,
// and (firstFlag, lastFlag) at the ends, each widened by nodeWidth (or, with
// avgFlag, marked with nodeWidth as its averaging half-width). Every range is
// clipped to the data. Returns 0.
int polyMask(PolyBuff *pb, int fitX1, int fitX3, int subX1, int subX3, int firstFlag, int lastFlag,
             int avgFlag, int nodeWidth, int nodeCount, int *nodeList, int listSize);
// Fits and subtracts the baseline of rdata, and of idata unless quadState is 1.
int polySub(float *rdata, float *idata, PolyBuff *pb);
// Fits and subtracts the baseline of one vector (realFlag 0: the imaginary
// one, whose cosine phase is p0+90). 0, or 1 after a fit failure message.
int polySub2(float *rdata, int realFlag, PolyBuff *pb);
// Releases the arrays and the SVD cache; the record as after polyNull.
int polyFree(PolyBuff *pb);

// Least-squares polynomial coef[0..order] (coef[k] multiplies x^k) through
// all points; with fewer than order+1 points the order is lowered to
// length-1 and the coefficients above it are 0. 1 for length < 1, order < 0
// or a failed fit ("SVDPOLY Error performing SVD.").
int polyFit(float *xdata, float *ydata, int length, int order, float *coef);
// Least-squares cosine series y = sum_k coef[k] cos(k x + p0), k = 0..order,
// phases in degrees (p1 kept but unused); order lowered as in polyFit.
// 1 for length < 1, order < 0 or a failed fit ("SVDFUNC Error performing SVD.").
int cosFit(float *xdata, float *ydata, int length, int order, float *coef, float p0, float p1);
// The k-th basis function of the cosine series (k from 1): cos((k-1)x + p0).
float cosOfX(int k, float x);
// Phases of the basis back to 0 (tests call it between cases).
void cosPhaseReset();
// ydata[i] = sum_n coef[n] xdata[i]^n, i = 0..length-1. Returns 0.
int polyEval(float *xdata, float *ydata, int length, int order, float *coef);
// Releases the SVD cache (the arguments are ignored). Returns 0.
int polyFitFree(int length, int order);

// Subtracts from ydata[0..length-1] the piecewise-linear baseline through the
// averages of ydata over [n-nodeWidth, n+nodeWidth] at the nodes nodeList[0..
// nodeCount-1] (1-based point numbers, increasing, clipped to 1..length).
// Points outside the first..last node stay. work holds length floats.
// Fewer than two nodes change nothing. Returns 0.
int linBase(float *ydata, int length, int *nodeList, int nodeCount, int nodeWidth, float *work);

}  // namespace korim::foundation
