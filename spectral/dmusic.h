// Damped MUSIC: scans a frequency by damping grid for peaks of the subspace
// pseudo-spectrum of a complex vector, fits the amplitudes of the peaks and
// replaces the data by the reconstructed signal.
#pragma once

namespace korim::spectral {

typedef struct {
  int tSize[4], fSize[4];     // time and spectrum sizes per dimension (entry 0 used)
  float freq1[4], freqN[4], freqStep[4];  // frequency grid, points (entry 0 used)
  float damp1[4], dampN[4], dampStep[4];  // damping grid, points (entry 0 used)
  float noise, thresh;        // stored only
  int enhanceMode;            // stored only (1)
  int dimCount;               // 1 after init
  int maxSig;                 // largest number of signals
  float **x;                  // [1..2m][1..2m] real form of the data matrix, m = (tSize+1)/2 + 1
  float *s;                   // [1..2m] singular values
  float **v;                  // [1..2m][1..2m] right singular vectors
  float *vnR, *vnI;           // [m * 2(m-maxSig)] noise subspace, row-major
  float *simR, *simI;         // [tSize*maxSig] trial signals; simR also the amplitude-fit matrix
  float *workR, *workI;       // [2 tSize]
  float **spm;                // [dampCount][freqCount] pseudo-spectrum
  float *freqList, *dampList, *hiList;  // [maxSig] the signals found
  int sigCount;               // signals found
  int freqCount, dampCount;   // grid lines
} DMUSICBuff;

DMUSICBuff *dmusicAlloc();
int dmusicNull(DMUSICBuff *dmusicInfo);
// Allocates the record (stored in *dmusicInfoPtr at once) and its arrays
// (tag "dmusic"). 0, or 1 after a message (memory, fewer than 4 points,
// maxSig not in 1..m-1, or a grid value that is no finite number); sizes
// whose arrays one allocator block cannot hold are refused as memory, before
// anything is allocated.
int dmusicInit(DMUSICBuff **dmusicInfoPtr, int tSize, int fSize, int enhanceMode, int maxSig,
               float freq1, float freqN, float freqStep, float damp1, float dampN, float dampStep,
               float noise, float thresh);
// Runs the one-dimensional method on rdata/idata[0..tSize-1]; 0, or 1 when
// more peaks were found than maxSig (the first ones are still used).
int dmusic(DMUSICBuff *dmusicInfo, float *rdata, float *idata);
// The method; the noise subspace is the right singular vectors of the
// 2(m - maxSig) smallest singular values, and all three stages (scan, fit,
// reconstruction) share the damping time scale of `size` points.
int dmusic1D(float *rdata, float *idata, int size, int maxSig, float freq1, float freqN,
             float freqStep, float damp1, float dampN, float dampStep, float **x, float *s,
             float **v, float *vnR, float *vnI, float *simR, float *simI, float *tR, float *tI,
             float **spm, float *freqList, float *dampList, float *hiList, int *sigCount);
// Adds hi e^(a k) (cos kw - i sin kw) to points k < tSize, w = 2 pi (x0 -
// (fSize/2 + 1))/fSize and a = -xfw pi/fSize: a line at point x0 (from 1) of
// width xfw points in a spectrum of fSize points. Returns 0.
int sim1D(float *rdata, float *idata, float hi, float x0, float xfw, int tSize, int fSize);
int dmusicFree(DMUSICBuff *dmusicInfo);

}  // namespace korim::spectral
