// Channel mixer: N consecutive complex input vectors become M complex output
// vectors through a complex N by M coefficient matrix from the command line.
#pragma once

namespace korim::spectral {

typedef struct {
  int size;          // points per vector
  int inCount;       // N input vectors per set (1)
  int outCount;      // M output vectors (1)
  float *inBuff;     // [N*2*size] input i: size real then size imaginary parts
  float *outBuff;    // [M*2*size] output j, same layout
  float **cR, **cI;  // [N][M] real and imaginary parts of the coefficient from input i to output j
  float cRDefault;   // coefficient default, real part (0)
  float cIDefault;   // coefficient default, imaginary part (0)
} QMixBuff;

int qMixNull(QMixBuff *qInfo);
// Prints the help text on stderr and returns 1 when "-help" is given; else 0.
int qMixHelp(int argc, char **argv, QMixBuff *qInfo);
// Reads -ic, -oc, -defR, -defI and -cList (N*M words, input outer: "re,im" or
// "re"), allocates (tag "qmix") and fills the coefficients. 0, or 1 after a
// message (counts below 1 or not read whole as an int, a default or coefficient
// that is no finite float, a wrong coefficient count, memory: a buffer of N*2*size
// or M*2*size floats beyond 2^31-1 bytes is refused as an allocation failure).
int qMixInit(int argc, char **argv, int size, QMixBuff *qInfo);
// Stores input vector number sliceLoc (from 1) in slot (sliceLoc-1) mod N;
// after every N-th one forms the outputs in outBuff and returns 1, else 0.
// A sliceLoc below 1 is refused: -1 after a message.
int qMix(float *rdata, float *idata, int sliceLoc, QMixBuff *qInfo);
// Releases everything and restores the defaults.
int qMixFree(QMixBuff *qInfo);

}  // namespace korim::spectral
