// Simulated-annealing enhancement of a complex time-domain vector: damped
// complex sinusoids whose frequencies and dampings are annealed (amplitudes
// fitted by SVD least squares) are subtracted from the data and, by default,
// continued past the measured points.
#pragma once

#include "spectral/nosa.h"

namespace korim::spectral {

inline constexpr int kSaseMaxDim = 4;    // axes
inline constexpr int kSaseMaxChan = 16;  // channels, 2^axes

typedef struct {
  float sigma;        // time-domain noise standard deviation (1)
  float scale;        // energy scale (100)
  float maxVal;       // largest absolute input value
  int tSize;          // input points, product over the axes
  int fSize;          // output points, product over the axes
  int dimCount;       // model dimensions (1; only 1 is supported)
  int chanCount;      // 2^dimCount
  int evalCount;      // energy evaluations of the current trial
  int varCount;       // (2 dimCount + 1) signalCount
  int signalCount;    // model signals (8)
  int enhanceMode;    // 2 extend (default), 1 replace
  int simMode;        // 1 fit at the input size, 2 simulate at the output size
  int trial;          // iterations run so far
  int maxIter;        // iterations (1)
  int verbose;        // report level (0)
  float freqTol[kSaseMaxDim];   // frequency resolution, points (0.01)
  float dampMin[kSaseMaxDim];   // damping bounds, points (0, 2)
  float dampMax[kSaseMaxDim];
  float dampTol[kSaseMaxDim];   // damping resolution (0.01)
  float dampInit[kSaseMaxDim];  // starting damping (0)
  int dampMode[kSaseMaxDim];    // adjMode of the damping variables (0)
  int signalType[kSaseMaxDim];  // 1 Exp, 2 Gauss, 3 CT
  int tSizeList[kSaseMaxDim];   // input points per axis
  int fSizeList[kSaseMaxDim];   // output points per axis (at least the input)
  float *T[kSaseMaxChan];       // [fSize] output accumulator
  float *D[kSaseMaxChan];       // [tSize] input, then residual
  float *R[kSaseMaxChan];       // [fSize] model; the final result
  float *workR[kSaseMaxDim];    // [fSizeList] per-axis work
  float *workI[kSaseMaxDim];
  float *x;                     // [fSize*signalCount*chanCount] model matrix, signalCount columns
  float *y;                     // [chanCount*tSize] right side
  float *ampList;               // [signalCount] fitted amplitudes
  float p0List[kSaseMaxDim];    // zero-order phase per axis, degrees (0)
  float p1List[kSaseMaxDim];    // first-order phase per axis, degrees (0)
  NOSABuff nosaInfo;            // the optimiser
  SAVar *varList;               // per signal: amplitude, then per axis frequency and damping
} SASEBuff;

SASEBuff *saseAlloc();
int saseNull(SASEBuff *saseInfo);
// Releases every array (and the optimiser's lists); null is accepted.
int saseFree(SASEBuff *saseInfo);
int saseUnAlloc(SASEBuff *saseInfo);
// Reads the options into the record; 1 after the help text for "-help", or
// after a message for a dimension count other than 1.
int saseParms(int argc, char **argv, SASEBuff *saseInfo);
// Sizes and allocates everything (tag "sase") and starts the optimiser.
// 0, or 1 after a message (bad sizes or counts, memory, optimiser).
int saseInit(SASEBuff *saseInfo, int *tSizeList, int *fSizeList, int maxIter, int dimCount,
             int signalCount, int *signalType, float *dampMin, float *dampMax, float *dampTol,
             float *dampInit, float *freqTol, float *p0List, float *p1List, float sigma, float scale,
             int enhanceMode, int tCount, int opCount, int gCount, float tInitial, float tFinal,
             int iseed, int verbose);
// The caller fills D[0] (real) and D[1] (imaginary), tSize points; on return
// R[c] holds fSize points and D[c] the residual. 0 or a failure status.
int sase(SASEBuff *saseInfo);
// Sets the variables for a new trial; returns the number of searched bits.
int saseSetVars(SASEBuff *saseInfo);
// Reports the signals, subtracts the model from D and adds it to T.
int saseEnhance(SASEBuff *saseInfo, int iter);
// The model R of the current variables (simMode 1 also fits the amplitudes).
int simE(SAVar *vars, int varCount, SASEBuff *saseInfo);
// Optimiser call-backs; auxInfo is the SASEBuff.
float varE(SAVar *vars, int varCount, void *auxInfo);
int showE(SAVar *vars, int varCount, void *auxInfo, float t, float e);

}  // namespace korim::spectral
