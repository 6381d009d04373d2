// Apodisation windows by window code, and window vectors built from them.
#pragma once

namespace korim::spectral {

// Window codes (the header's window names "None", "SP", "EM", "GM", "TM",
// "ZE", "TRI", "GMB").
enum ApodCode {
  APOD_NONE = 0,
  APOD_SP = 1,
  APOD_EM = 2,
  APOD_GM = 3,
  APOD_TM = 4,
  APOD_ZE = 5,
  APOD_TRI = 6,
  APOD_GMB = 7
};

// Common arguments: data[0..mSize-1] is multiplied by the window; aSize is the
// nominal window length in points (mSize <= aSize points are processed), tSize
// the time-domain size of the whole vector, sw the sweep width in Hz (0 counts
// as 1); point k (0-based) lies at t = k / sw seconds. q1..q3 per window:
//   SP  start and end of the sine in units of pi, power;
//   EM  line broadening, Hz;
//   GM  inverse exponential width Hz, Gaussian width Hz, maximum position as a
//       fraction of tSize;
//   TM  rising and falling ramp lengths, points;
//   ZE  first and last point (1-based) of a region, outside flag (1: zero
//       outside the region, else zero the region);
//   TRI point of the maximum, values at the first and the last point;
//   GMB line broadening Hz, Gaussian position (integer).
// A one-point sine bell or ramp takes the window's end value. Each returns 0.
int apodSP(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodEM(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodGM(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodTM(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodZE(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodTRI(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3);
int apodGMB(float *data, int aSize, int mSize, int tSize, float sw, float q1, int q2, int q3);

// The window of `code`; 1 for a code outside 0..7 (data unchanged), else 0.
int apodFn(float *data, int aSize, int mSize, int tSize, float sw, float q1, float q2, float q3,
           int code);

// x^y as the sine window needs it: 0 to a negative power gives 1e17, a
// negative base to a non-integer power gives |x|^y.
float rPow(float x, float y);

// Window vector of tSize values: defVal everywhere except the window of aSize
// points from the 1-based point aStart (cut at the end of the vector); with
// invFlag each window value v becomes 1/v (0 stays 0). *window is allocated
// (tag "apod") when null. Returns 1 for aStart below 1 (after a message) or a
// failed allocation, else 0.
int apodInit(int code, float **window, int tSize, int aStart, int aSize, float sw, float q1,
             float q2, float q3, float defVal, int invFlag, int verbose);
// Releases a window of tSize values and nulls the pointer. Returns 0.
int apodFree(float **window, int tSize);

}  // namespace korim::spectral
