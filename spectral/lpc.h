// One-dimensional complex linear prediction: extends a complex vector after
// its last point or before its first by SVD least-squares LP coefficients,
// with signal-count truncation, root fixing and forward/backward mixing.
#pragma once

namespace korim::spectral {

typedef struct {
  int lpDataSize;  // N, complex input points used
  int lpPredSize;  // complex points to predict
  int lpOrder;     // p, prediction order 0..64 (0 predicts zeros)
  int lpSigCount;  // number of signals (stored; lpc takes its own count)
  int lpOpt;       // 0 prediction direction only, 1 both mixed, 2 opposite only
  int lpFixMode;   // 0 none, 1 reflect roots inward, -1 outward, else rebuild
  int beforeFlag;  // 0 predict after the last point, else before the first
  int debugFlag;   // non-zero lists the coefficients before and after fixing
  double **x;      // [1..2R][1..2p] real form of the LP matrix, R = N - p
  double *af;      // [1..2p] prediction-direction coefficients: re 1..p, im p+1..2p
  double *ab;      // [1..2p] opposite-direction coefficients
  double **v;      // [1..2p][1..2p] V of the SVD
  double *b;       // [1..2R] right-hand side
  double *w;       // [1..2p] singular values
  double *wk;      // [1..2p] work; magnitudes sorted during truncation
  int *wi;         // [1..2p] indices sorted during truncation
} LPBuff;

// Zero counts, null arrays. Returns 0.
int lpcNull(LPBuff *lpInfo);
// Stores the settings and allocates the work arrays for them. Refuses (status
// 1, after a message, nothing stored) an order outside 0..64, fewer data
// points than twice the order, or an lpOpt outside 0..2. A failed allocation
// returns 1 with the arrays made so far left for lpcFree.
int lpcInit(LPBuff *lpInfo, int lpDataSize, int lpPredSize, int lpOrder, int lpSigCount, int lpOpt,
            int lpFixMode, int beforeFlag, int debugFlag);
// Predicts lpPredSize complex points from rdata/idata[0..N-1] into rpred/ipred,
// which continue the data arrays: after the data they point at element N,
// before it at element -lpPredSize (the caller provides that room). Signal
// counts below the order truncate the singular values. Returns 0.
int lpc(float *rdata, float *idata, float *rpred, float *ipred, int lpSigCount, LPBuff *lpInfo);
// Releases the arrays and empties the record. Returns 0.
int lpcFree(LPBuff *lpInfo);

// Keeps the 2 sigCount largest of the 2 lpOrder singular values wRI[1..2p] of
// a complex system in real form (they come in equal pairs, one pair per
// complex singular value, in no fixed places) and zeroes the others;
// wMag[1..2p], wIndex[1..2p] are work. Nothing happens for sigCount >= p.
// Returns 0.
int svdtrnc(double *wRI, int lpOrder, int sigCount, double *wMag, int *wIndex, int verbose);

}  // namespace korim::spectral
