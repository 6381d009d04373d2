// Time-domain solvent-signal removal: subtracts a low-pass filtered copy (with
// mirrored or polynomially extrapolated ends) or a smoothing spline.
#pragma once

namespace korim::spectral {

typedef struct {
  int type;      // 1 low-pass filter, 2 smoothing spline, 3 polynomial (not supported)
  int shape;     // filter shape: 1 boxcar, 2 sine, 3 sine squared
  int extrap;    // filter ends: 1 mirror, 2 polynomial extrapolation
  int size;      // vector length, points
  int filtSize;  // filter half-width n, points; 2n+1 coefficients
  int skip;      // points at the start handled specially (mirror and spline modes)
  int order;     // polynomial order of the extrapolated ends
  float *filt;   // [2n+1] filter coefficients
  float *x;      // [size] abscissae 0, 1, 2, ...
  float *y;      // [size] work vector (not used by the filters)
  float *w;      // [size] spline weights, 1/noise
  float *q;      // [3n+size] extended work vector
  float *c;      // [n] polynomial coefficients
  float noise;   // noise level for the spline weights (0 taken as 1)
  float smooth;  // spline smoothing factor (0: the spline's default)
} solventBuf;

// Defaults: type 1, shape 1, extrap 2, noise 1, everything else 0 or null.
int solventNull(solventBuf *solvInfo);
// Allocates and fills the work arrays (tag "solv") for the fields the caller
// set; 1 after a "SOLVENT Error ..." message.
int solventInit(solventBuf *solvInfo);
// Filters rdata[0..size-1] in place by the set type; 1 after a message.
int solventSub(float *rdata, solventBuf *solvInfo);
// Releases the arrays and the polynomial fitter's workspace; restores the defaults.
int solventFree(solventBuf *solvInfo);

// filt[0..2 length] of the shape (1 boxcar, 2 sine, 3 sine squared); 1 after a
// message for another shape.
int solvFiltGen(float *filt, int length, int type);
// y[0..size-1] minus its filtered copy (filter half-width filtSize >= 1,
// size >= 3 filtSize); the filtSize end points of the copy come from
// polynomials of `order` (at most filtSize-1) through the neighbouring
// filtered points. work holds size floats, c filtSize floats. 1 after a
// message, y unchanged.
int subFilt(float *x, float *y, float *work, int size, float *filt, int filtSize, int order,
            float *c);
// rdata[0..size-1] minus its filtered copy with both ends point-reflected
// about the mean of their first filtSize points (the head's counted from
// skip); the 2 skip - 1 points around the start are held at that mean. work
// holds size + 2 filtSize floats.
// Nothing happens for filtSize 0; 1 after a message when size < filtSize + 1
// or skip lies outside 0..min(filtSize + 1, size - filtSize).
int subFiltMir(float *rdata, float *work, int size, float *filt, int filtSize, int skip);
// y minus a smoothing spline through the points from skip on, with point error
// 1/w[0]; the points before skip get the spline's first piece continued. 1
// after a message, y unchanged, when skip lies outside 0..length-1, fewer than
// 3 points remain from skip on, or memory runs out.
int subSpline(float *x, float *y, float *w, int skip, int length, float smooth);

}  // namespace korim::spectral
