// Access to the spectral data header by word and per-dimension parameter codes.
#include "spectral/fdatap.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "spectral/report.h"

namespace korim::spectral {

const foundation::NameVal apList[] = {
    {"None", 0.0f}, {"SP", 1.0f}, {"EM", 2.0f}, {"GM", 3.0f}, {"TM", 4.0f},
    {"ZE", 5.0f},   {"TRI", 6.0f}, {"GMB", 7.0f}, {nullptr, 0.0f},
};

namespace {

constexpr int kParmCount = kParmLast - kParmFirst + 1;

// Word of each per-dimension parameter in location sets 1..4.
constexpr int kParmLoc[kParmCount][4] = {
    {99, 219, 15, 32},    {95, 428, 50, 53},    {100, 229, 11, 29},   {101, 249, 12, 30},
    {119, 218, 10, 28},   {220, 222, 13, 31},   {56, 55, 51, 54},     {152, 234, 58, 59},
    {16, 18, 20, 22},     {17, 19, 21, 23},     {109, 245, 60, 62},   {110, 246, 61, 63},
    {66, 67, 68, 69},     {79, 80, 81, 82},     {64, 475, 476, 477},  {413, 414, 400, 405},
    {415, 420, 401, 406}, {416, 421, 402, 407}, {417, 422, 403, 408}, {418, 423, 404, 409},
    {108, 437, 438, 439}, {257, 259, 261, 263}, {258, 260, 262, 264}, {480, 481, 482, 483},
    {96, 98, 200, 201},   {386, 387, 388, 389},
};

// Text fields: first word, word count.
struct TextField {
    int first;
    int words;
};
constexpr TextField kTextFields[] = {
    {16, 2}, {18, 2}, {20, 2}, {22, 2}, {286, 4}, {290, 4}, {297, 15}, {312, 40}, {464, 8},
};

constexpr int kStrBuffLen = 256;

struct FdataModule {
    char parmStr[kStrBuffLen] = {};
};
FdataModule fdm;

bool isPerDim(int code) { return code >= kParmFirst && code <= kParmLast; }


// Word of code 1001 (size) by storage order; -1 when the dimension has none.
int sizeWord(const float* fdata, int dimCode) {
    const bool transposed = fdata[kWordTransposed] != 0.0f;
    switch (dimCode) {
        case 1: return kWordSize1;
        case 2: return kWordSize2;
        case 3: case -3: return kWordSize3;
        case 4: case -4: return kWordSize4;
        case -1: return transposed ? kWordSize2 : kWordSize1;
        case -2: return transposed ? kWordSize1 : kWordSize2;
        default: return -1;
    }
}

const char* freqText(float v) { return v == 1.0f ? "Freq" : "Time"; }

// "%d=Unknown" for values outside a name list.
const char* unknownText(float v) {
    std::snprintf(fdm.parmStr, kStrBuffLen, "%d=Unknown", hdrInt(v));
    return fdm.parmStr;
}

const char* quadText(float quad, float sign) {
    const int s = hdrInt(sign);
    switch (hdrInt(quad)) {
        case 0: return s == 2 ? "States-TPPI" : s == 18 ? "States-TPPI-N" : s == 16 ? "Complex-N" : "Complex";
        case 1: return s == 1 ? "Sequential" : s == 17 ? "Sequential-N" : "Real";
        case 2: return s == 17 ? "Redfield-N" : "Redfield";
        default: return unknownText(quad);
    }
}

const char* windowText(float v) {
    const int code = hdrInt(v);
    if (code >= 0 && code <= 7 && static_cast<float>(code) == v) return apList[code].name;
    return unknownText(v);
}

// Copies the result text into the module buffer.
const char* parmResult(const char* text) {
    if (text != fdm.parmStr) std::snprintf(fdm.parmStr, kStrBuffLen, "%s", text);
    return fdm.parmStr;
}

// Text of the bytes from a word on, at most maxChars characters.
const char* wordText(const float* fdata, int word, int maxChars) {
    std::memset(fdm.parmStr, 0, kStrBuffLen);
    flt2Txt(fdata + word, fdm.parmStr, maxChars);
    return fdm.parmStr;
}

const char* wordParmStr(const float* fdata, int code) {
    const float v = fdata[code];
    const int cap = isHdrStr0(code);
    if (cap > 0) return wordText(fdata, code, cap);
    switch (code) {
        case 13: case 31: case 220: case 222: return parmResult(freqText(v));
        case kWordTransposed: return parmResult(v == 1.0f ? "Transposed" : "Not Transposed");
        case kWordQuad: {
            const int q = hdrInt(v);
            if (q >= 0 && q <= 2 && static_cast<float>(q) == v)
                return parmResult(q == 0 ? "Complex" : q == 1 ? "Real" : "Redfield");
            return unknownText(v);
        }
        case kWordAcqMethod: {
            static const char* const kMethods[] = {"Magnitude", "TPPI", "States", "Image"};
            const int m = hdrInt(v);
            if (m >= 0 && m <= 3 && static_cast<float>(m) == v) return parmResult(kMethods[m]);
            return unknownText(v);
        }
        case 51: case 54: case 55: case 56: return parmResult(quadText(v, fdata[64]));
        case 400: case 405: case 413: case 414: return parmResult(windowText(v));
        default: {
            const int room = kHdrWords - code;
            return wordText(fdata, code, room < kStrBuffLen - 1 ? room : kStrBuffLen - 1);
        }
    }
}

// Clears and writes a field of cap characters at a byte offset, clipped to the header.
void putText(float* fdata, int word, const char* text, int cap) {
    const int room = (kHdrWords - word) * 4;
    if (cap > room) cap = room;
    txt2Flt(text, fdata + word, cap);
}

}  // namespace

int hdrInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

int isHdrStr(int code) {
    if (code == kParmLabel || code == kParmLabel + 1) return 1;
    for (const TextField& f : kTextFields)
        if (code >= f.first && code < f.first + f.words) return 1;
    return 0;
}

int isHdrStr0(int code) {
    if (code == kParmLabel) return 8;
    for (const TextField& f : kTextFields)
        if (code == f.first) return 4 * f.words;
    return 0;
}

int getDim(const float* fdata, int dimCode) {
    if (dimCode >= -4 && dimCode <= -1) return -dimCode;
    int dim = dimCode;
    const bool transposed = fdata[kWordTransposed] != 0.0f;
    if (dimCode == 9) dim = transposed ? 2 : 1;
    if (dimCode == 10) dim = transposed ? 1 : 2;
    if (dim < 1 || dim > 4) {
        specMsg("GetDim Error: bad dim %d.\n", dimCode);
        return 0;
    }
    const int order = hdrInt(fdata[kWordDimOrder1 + dim - 1]);
    switch (order) {
        case 2: return 1;
        case 1: return 2;
        case 3: return 3;
        case 4: return 4;
        default:
            specMsg("GetDim Error: bad dim %d.\n", order);
            return 0;
    }
}

float getParm(const float* fdata, int parmCode, int dimCode) {
    if (parmCode < 0) {
        specMsg("GetParm Error: bad code %d.\n", parmCode);
        return 0.0f;
    }
    if (parmCode < kHdrWords) return fdata[parmCode];
    if (parmCode == kParmSize) {
        const int w = sizeWord(fdata, dimCode);
        return w < 0 ? 0.0f : fdata[w];
    }
    const int set = getDim(fdata, dimCode);
    if (set == 0) {
        specMsg("GetParm Error: bad dim %d.\n", 0);
        return 0.0f;
    }
    if (!isPerDim(parmCode)) {
        specMsg("GetParm Error: bad ND code %d.\n", parmCode);
        return 0.0f;
    }
    const float v = fdata[kParmLoc[parmCode - kParmFirst][set - 1]];
    if (parmCode == kParmCenter && v == kCenterUnset) return 0.0f;
    return v;
}

int setParm(float* fdata, int parmCode, float value, int dimCode) {
    if (parmCode < 0) {
        specMsg("SetParm Error: bad code %d.\n", parmCode);
        return 1;
    }
    if (parmCode < kHdrWords) {
        fdata[parmCode] = value;
        return 0;
    }
    if (parmCode == kParmSize) {
        const int w = sizeWord(fdata, dimCode);
        if (w >= 0) fdata[w] = value;
        return 0;
    }
    const int set = getDim(fdata, dimCode);
    if (set == 0) {
        specMsg("SetParm Error: bad dim %d.\n", 0);
        return 0;
    }
    if (!isPerDim(parmCode)) {
        specMsg("SetParm Error: bad ND code %d.\n", parmCode);
        return 1;
    }
    if (parmCode == kParmCenter && value == 0.0f) value = kCenterUnset;
    fdata[kParmLoc[parmCode - kParmFirst][set - 1]] = value;
    return 0;
}

const char* getParmStr(const float* fdata, int parmCode, int dimCode) {
    std::memset(fdm.parmStr, 0, kStrBuffLen);
    if (parmCode < 0) {
        specMsg("GetParmStr Error: bad code %d.\n", parmCode);
        return fdm.parmStr;
    }
    if (parmCode < kHdrWords) return wordParmStr(fdata, parmCode);
    const int set = getDim(fdata, dimCode);
    if (set == 0) {
        specMsg("GetParmStr Error: bad dim %d.\n", dimCode);
        return fdm.parmStr;
    }
    switch (parmCode) {
        case kParmFtFlag: return parmResult(freqText(getParm(fdata, parmCode, dimCode)));
        case kParmQuadFlag:
            return parmResult(quadText(getParm(fdata, kParmQuadFlag, dimCode),
                                       getParm(fdata, kParmAqSign, dimCode)));
        case kParmApodCode: return parmResult(windowText(getParm(fdata, parmCode, dimCode)));
        case kParmLabel: return wordText(fdata, kParmLoc[kParmLabel - kParmFirst][set - 1], 8);
        default: return fdm.parmStr;
    }
}

int setParmStr(float* fdata, int parmCode, const char* text, int dimCode) {
    if (parmCode < 0) {
        specMsg("SetParmStr Error: bad code %d.\n", parmCode);
        return 1;
    }
    if (text == nullptr) text = "";
    if (parmCode < kHdrWords) {
        const int cap = isHdrStr0(parmCode);
        putText(fdata, parmCode, text, cap > 0 ? cap : static_cast<int>(std::strlen(text)));
        return 0;
    }
    const int set = getDim(fdata, dimCode);
    if (set == 0) {
        specMsg("SetParmStr Error: bad dim %d.\n", dimCode);
        return 0;
    }
    if (parmCode == kParmLabel) putText(fdata, kParmLoc[kParmLabel - kParmFirst][set - 1], text, 8);
    return 0;
}

int getAxis(const float* fdata, const char* label) {
    if (label == nullptr) return kAxisNotFound;
    int dimCount = hdrInt(fdata[kWordDimCount]);
    if (dimCount > 4) dimCount = 4;
    for (int d = 1; d <= dimCount; d++) {
        char name[16];
        std::snprintf(name, sizeof name, "%s", getParmStr(fdata, kParmLabel, d));
        if (strcasecmp(name, label) == 0) return d;
    }
    for (int d = 1; d <= dimCount; d++) {
        char name[] = "X_AXIS";
        name[0] = "XYZABC"[d - 1];
        if (strcasecmp(name, label) == 0) return d;
    }
    return kAxisNotFound;
}

char getAxisChar(int i) { return i >= 0 && i <= 3 ? "xyza"[i] : '?'; }
char getAxisCharU(int i) { return i >= 0 && i <= 3 ? "XYZA"[i] : '?'; }

int getQuad(const float* fdata, int code, int dim) {
    if (std::abs(dim) > hdrInt(fdata[kWordDimCount])) return 1;
    return getParm(fdata, code, dim) == 1.0f ? 1 : 2;
}

int isInterleaved(const float* fdata, int dim) {
    const int dimCount = hdrInt(fdata[kWordDimCount]);
    if (dim == 2) {
        if (dimCount < 2 || getParm(fdata, kParmQuadFlag, 1) == 1.0f) return 0;
        return getParm(fdata, kParmQuadFlag, 2) != 1.0f ? 1 : 0;
    }
    if (dim >= 3) {
        if (dim > dimCount) return 0;
        return getParm(fdata, kParmQuadFlag, dim) != 1.0f ? 1 : 0;
    }
    return 0;
}

int getFold(const float* fdata, int dim) {
    if (getParm(fdata, kParmFold1, dim) != 0.0f || getParm(fdata, kParmFold2, dim) != 0.0f) return 0;
    return getParm(fdata, kParmPhase1, dim) == 180.0f ? -1 : 1;
}

int is90_180(const float* fdata, int dim) {
    return getFold(fdata, dim) == -1 ? 1 : 0;
}

int txt2Flt(const char* text, float* words, int n) {
    char* dest = reinterpret_cast<char*>(words);
    std::memset(dest, 0, n);
    if (text != nullptr) std::strncpy(dest, text, n);
    return 0;
}

int flt2Txt(const float* words, char* text, int n) {
    const char* src = reinterpret_cast<const char*>(words);
    std::memset(text, 0, n + 1);
    for (int i = 0; i < n && src[i] != '\0'; i++)
        text[i] = std::isprint(static_cast<unsigned char>(src[i])) ? src[i] : '.';
    return 0;
}

void copyHdr(float* dest, const float* src) { std::memcpy(dest, src, kHdrBytes); }

int isNullHdr(const float* fdata) {
    for (int i = 0; i < kHdrWords; i++)
        if (fdata[i] != 0.0f) return 0;
    return 1;
}

int swapHdr(float* fdata) {
    for (int i = 0; i < kHdrWords; i++) {
        if (isHdrStr(i)) continue;
        uint32_t bits;
        std::memcpy(&bits, &fdata[i], 4);
        bits = __builtin_bswap32(bits);
        std::memcpy(&fdata[i], &bits, 4);
    }
    return 0;
}

int testHdr(float* fdata) {
    if (fdata[kWordMagic] != 0.0f) return 2;
    int result = 0;
    if (fdata[kWordOrder] != 0.0f && fdata[kWordOrder] != kHdrOrderMark) {
        swapHdr(fdata);
        if (fdata[kWordOrder] != kHdrOrderMark) {
            swapHdr(fdata);
            return 2;
        }
        result = 1;
    }
    const float size = fdata[kWordSize1];
    if (!(size > 0.0f) || size != std::trunc(size)) {
        if (result == 1) swapHdr(fdata);
        return 2;
    }
    return result;
}

}  // namespace korim::spectral
