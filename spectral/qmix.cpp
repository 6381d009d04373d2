// Complex linear mixing of consecutive input vectors into output vectors.
#include "spectral/qmix.h"

#include <algorithm>
#include <string>

#include "foundation/checkedcount.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr const char *kTag = "qmix";

// One coefficient number: the whole text a finite float ("nan", "inf" and "1e39" carry no
// coefficient).
bool readNumber(const std::string &text, float *v) { return foundation::wordToFloat(text.c_str(), v) == 1; }

// One "-cList" word: "re,im" or "re" (imaginary 0); false when it is not so.
bool readCoef(const char *word, float *re, float *im) {
  *im = 0.0f;
  const std::string w(word);
  const size_t comma = w.find(',');
  if (comma == std::string::npos) return readNumber(w, re);
  return readNumber(w.substr(0, comma), re) && readNumber(w.substr(comma + 1), im);
}

// An "-ic" or "-oc" count: 1 when absent or read whole as an int, 0 after the message.
bool readCount(int argc, char **argv, const char *flag, int *count) {
  char *word = nullptr;
  if (foundation::ptrArgD(argc, argv, flag, &word) == 0) return true;
  if (foundation::wordToInt(word, count) == 1) return true;
  specMsg("QMIX Error: bad in/out count.\n");
  return false;
}

// A "-defR" or "-defI" default: 1 when absent or a finite float, 0 after the message.
bool readDefault(int argc, char **argv, const char *flag, float *value) {
  char *word = nullptr;
  if (foundation::ptrArgD(argc, argv, flag, &word) == 0) return true;
  if (readNumber(word, value)) return true;
  specMsg("QMIX Error: bad coefficient %s.\n", word);
  return false;
}

int readCoefList(int argc, char **argv, QMixBuff *q) {
  int loc = foundation::flagLoc(argc, argv, "-cList");
  if (loc == 0) return 0;
  int last = foundation::nextFlag(argc, argv, loc);
  if (last - loc - 1 != static_cast<long long>(q->inCount) * q->outCount) {
    specMsg("QMIX Error: bad coefficient count.\n");
    return 1;
  }
  for (int k = 0; k < q->inCount * q->outCount; k++) {
    const char *word = foundation::getNthArg(argc, argv, loc + 1 + k);
    int i = k / q->outCount, j = k % q->outCount;
    if (!readCoef(word, &q->cR[i][j], &q->cI[i][j])) {
      specMsg("QMIX Error: bad coefficient %s.\n", word);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int qMixNull(QMixBuff *q) {
  *q = QMixBuff{};
  q->inCount = 1;
  q->outCount = 1;
  return 0;
}

int qMixHelp(int argc, char **argv, QMixBuff *q) {
  (void)q;
  if (!foundation::flagLoc(argc, argv, "-help")) return 0;
  specMsg("QMIX: Complex mixing of N inputs to M outputs.\n");
  specMsg(" -ic    n      [1]        Input Channel Count.\n");
  specMsg(" -oc    m      [1]        Output Channel Count.\n");
  specMsg(" -cList cList  [0.0 ...]  N by M Coefficient Matrix.\n");
  return 1;
}

int qMixInit(int argc, char **argv, int size, QMixBuff *q) {
  q->size = size;
  if (!readCount(argc, argv, "-ic", &q->inCount) || !readCount(argc, argv, "-oc", &q->outCount) ||
      !readDefault(argc, argv, "-defR", &q->cRDefault) || !readDefault(argc, argv, "-defI", &q->cIDefault))
    return 1;
  if (q->inCount < 1 || q->outCount < 1) {
    specMsg("QMIX Error: bad in/out count.\n");
    return 1;
  }
  if (size < 1) {
    specMsg("QMIX Error: bad vector size %d.\n", size);
    return 1;
  }
  int n = q->inCount, m = q->outCount;
  // A buffer whose byte count the allocator cannot hold is refused before any is allocated.
  const long long inFloats = foundation::checkedCount({n, 2, size}, foundation::kMaxBlockBytes / 4);
  const long long outFloats = foundation::checkedCount({m, 2, size}, foundation::kMaxBlockBytes / 4);
  if (inFloats < 0 || !(q->inBuff = foundation::fltAlloc(kTag, static_cast<int>(inFloats)))) {
    specMsg("QMIX error allocating input buffer.\n");
    return 1;
  }
  std::fill(q->inBuff, q->inBuff + inFloats, 0.0f);
  if (outFloats < 0 || !(q->outBuff = foundation::fltAlloc(kTag, static_cast<int>(outFloats)))) {
    specMsg("QMIX error allocating output buffer.\n");
    return 1;
  }
  std::fill(q->outBuff, q->outBuff + outFloats, 0.0f);
  if (!(q->cR = foundation::matAlloc(kTag, m, n))) {
    specMsg("QMIX error allocating real coefficients.\n");
    return 1;
  }
  if (!(q->cI = foundation::matAlloc(kTag, m, n))) {
    specMsg("QMIX error allocating imaginary coefficients.\n");
    return 1;
  }
  for (int i = 0; i < n; i++) {
    std::fill(q->cR[i], q->cR[i] + m, q->cRDefault);
    std::fill(q->cI[i], q->cI[i] + m, q->cIDefault);
  }
  return readCoefList(argc, argv, q);
}

int qMix(float *rdata, float *idata, int sliceLoc, QMixBuff *q) {
  if (sliceLoc < 1) {
    specMsg("QMIX Error: bad slice location %d.\n", sliceLoc);
    return -1;
  }
  int size = q->size, n = q->inCount;
  float *slot = q->inBuff + ((sliceLoc - 1) % n) * 2 * size;
  std::copy(rdata, rdata + size, slot);
  std::copy(idata, idata + size, slot + size);
  if (sliceLoc % n != 0) return 0;
  std::fill(q->outBuff, q->outBuff + q->outCount * 2 * size, 0.0f);
  for (int i = 0; i < n; i++) {
    const float *inR = q->inBuff + i * 2 * size, *inI = inR + size;
    for (int j = 0; j < q->outCount; j++) {
      float *outR = q->outBuff + j * 2 * size, *outI = outR + size;
      float cr = q->cR[i][j], ci = q->cI[i][j];
      for (int k = 0; k < size; k++) {
        outR[k] += cr * inR[k] - ci * inI[k];
        outI[k] += ci * inR[k] + cr * inI[k];
      }
    }
  }
  return 1;
}

int qMixFree(QMixBuff *q) {
  int fb = static_cast<int>(sizeof(float));
  if (q->inBuff) foundation::unAlloc(kTag, q->inBuff, q->inCount * 2 * q->size * fb);
  if (q->outBuff) foundation::unAlloc(kTag, q->outBuff, q->outCount * 2 * q->size * fb);
  if (q->cR) foundation::matFree(q->cR, q->outCount, q->inCount);
  if (q->cI) foundation::matFree(q->cI, q->outCount, q->inCount);
  return qMixNull(q);
}

}  // namespace korim::spectral
