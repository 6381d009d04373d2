// The spectral data header: 512 float words addressed by word codes and per-dimension codes.
#pragma once

#include "foundation/namelist.h"

namespace korim::spectral {

// Header size: 512 single-precision words, 2048 bytes.
constexpr int kHdrWords = 512;
constexpr int kHdrBytes = 2048;

// Values of fixed words.
constexpr float kHdrFormat = 4008636160.0f;  // word 1 default (bits 0x4F6EEEEF)
constexpr float kHdrOrderMark = 2.345f;      // word 2 byte-order marker (bits 0x4016147B)
constexpr float kCenterUnset = -666.0f;      // stored for a centre point of exactly 0
constexpr int kAxisNotFound = -666;          // getAxis result when no dimension matches

// Words with a fixed role (index from 0).
enum HdrWord : int {
    kWordMagic = 0,         // always 0.0
    kWordFormat = 1,        // format word
    kWordOrder = 2,         // byte-order marker
    kWordDimCount = 9,      // dimension count, 1 to 4
    kWordLabel1 = 16,       // labels of location sets 1..4: words 16, 18, 20, 22
    kWordDimOrder1 = 24,    // dimension-order values of data dimensions 1..4: words 24..27
    kWordWholeFile = 57,    // non-zero: one header followed by all planes
    kWordServerSlices = 65, // slice count in server mode
    kWordStage = 75,        // pipeline stage counter
    kWordFirstPlane = 77,
    kWordLastPlane = 78,
    kWordTdSizeAlt = 97,    // second time-domain size word
    kWordSize1 = 99,        // size of location set 1
    kWordQuad = 106,        // 1 real, otherwise complex
    kWordSize3 = 15,        // size of location set 3
    kWordSize2 = 219,       // size of location set 2
    kWordTransposed = 221,  // 0 not transposed, 1 transposed
    kWordMax = 247,
    kWordMin = 248,
    kWordScaleValid = 250,  // 1 when the extremes are current
    kWordDispMax = 251,
    kWordDispMin = 252,
    kWordAcqMethod = 256,   // 0 Magnitude, 1 TPPI, 2 States, 3 Image
    kWordFixed = 399,       // set to 1 by fixfdata
    kWordPlaneCount = 442,  // product of the sizes of sets 3 and 4
    kWordSliceCount = 443,  // slices in a stream; -1 variable
    kWordSize4 = 32,        // size of location set 4
};

// Per-dimension parameter codes; each has one word per location set.
enum ParmCode : int {
    kParmFirst = 1001,
    kParmSize = 1001,      // points (complex points count once), addressed by storage order
    kParmTdSize = 1002,    // time-domain size
    kParmSw = 1003,        // sweep width, Hz
    kParmOrig = 1004,      // origin, Hz
    kParmObs = 1005,       // observe frequency, MHz
    kParmFtFlag = 1006,    // 1 frequency, otherwise time
    kParmQuadFlag = 1007,  // 0 complex, 1 real, 2 Redfield
    kParmLabel = 1009,     // axis label, 8 characters
    kParmPhase1 = 1012,    // compared with 180 by getFold and is90_180
    kParmCar = 1013,       // carrier, ppm
    kParmCenter = 1014,    // centre point (point index of the carrier)
    kParmAqSign = 1015,    // quadrature sign mode
    kParmApodCode = 1016,  // window code 0..7
    kParmFold1 = 1022,     // tested for 0 by getFold and is90_180
    kParmFold2 = 1023,
    kParmLast = 1026,
};

// Window codes and names, ending with a null name.
extern const foundation::NameVal apList[];

// Integer value of a header word (truncation toward zero); NaN gives 0 and
// values beyond the int range give its ends.
int hdrInt(float value);

// Text fields: 1 for every word of a text field and for codes 1009, 1010.
int isHdrStr(int code);
// Capacity in characters of a text field by its first word (or 1009), else 0.
int isHdrStr0(int code);

// Location set 1..4 of a dimension argument (1..4, 9, 10, -1..-4), or 0 after
// "GetDim Error: bad dim %d.".
int getDim(const float* fdata, int dimCode);

// Words 0..511 directly, per-dimension codes 1001..1026 by location set.
float getParm(const float* fdata, int parmCode, int dimCode);
// 0, or 1 for a bad or unknown code; a bad dimension gives 0 (header unchanged).
int setParm(float* fdata, int parmCode, float value, int dimCode);

// Readable text of a parameter in a module buffer of 256 bytes that the next
// call overwrites.
const char* getParmStr(const float* fdata, int parmCode, int dimCode);
// Writes a text field (cleared, then at most its capacity) or text at a word;
// nothing is ever written past the end of the header.
int setParmStr(float* fdata, int parmCode, const char* text, int dimCode);

// The dimension whose label (or default name "X_AXIS", "Y_AXIS", ...) equals
// label ignoring case; kAxisNotFound when none.
int getAxis(const float* fdata, const char* label);
char getAxisChar(int i);
char getAxisCharU(int i);

// 1 real, 2 complex; 1 when |dim| exceeds the dimension count.
int getQuad(const float* fdata, int code, int dim);
int isInterleaved(const float* fdata, int dim);
int getFold(const float* fdata, int dim);
int is90_180(const float* fdata, int dim);

// Text to packed words (n bytes cleared, at most n copied) and back (n + 1 bytes
// of text cleared, at most n copied up to a zero byte, non-printable as ".").
int txt2Flt(const char* text, float* words, int n);
int flt2Txt(const float* words, char* text, int n);

void copyHdr(float* dest, const float* src);
int isNullHdr(const float* fdata);
// Reverses the byte order of every word except the text fields. Returns 0.
int swapHdr(float* fdata);
// 0 native order, 1 swapped (now swapped back to native in place), 2 not a
// valid header (left as it was given).
int testHdr(float* fdata);
// Fills the defaults of an incomplete header; 1 (unchanged) when all zero.
int fixfdata(float* fdata);

}  // namespace korim::spectral
