// Pipeline process support: sizes from the header, the header update with its options, slice buffers.
#include "spectral/tessmar.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <utility>

#include "foundation/checkedcount.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "spectral/dataio.h"
#include "spectral/report.h"
#include "spectral/specunit.h"

namespace korim::spectral {

namespace {

constexpr const char* kSliceTag = "nmr";

bool namedFile(const char* name, int sock) {
    if (sock > 0 || name == nullptr || name[0] == '\0' || name[0] == '!') return false;
    return std::strcmp(name, "-") != 0 && strcasecmp(name, "stdin") != 0 && strcasecmp(name, "stdout") != 0;
}

// Words after an option up to the next option: first index and count; 0 count when absent.
int optionWords(int argc, char** argv, const char* flag, int* first) {
    const int loc = foundation::flagLoc(argc, argv, flag);
    *first = loc + 1;
    if (loc < 1) return 0;
    const int count = foundation::nextFlag(argc, argv, loc) - loc - 1;
    for (int i = 0; i < count; i++) foundation::getNthArg(argc, argv, loc + 1 + i);
    return count;
}

// "-select x1 xN ...": 0, or 1 after a message when a position is no number with a known unit
// (a position of "nan" or "inf" would otherwise select the whole dimension unnoticed).
int parseSelect(ProcDataInfo* d) {
    int first;
    const int words = optionWords(d->argc, d->argv, "-select", &first);
    if (words == 0) return 0;
    if (words % 2 != 0) {
        specMsg("Tessmar Warning: bad arguments for -select option.\n");
        d->selectMode = 0;
        return 0;
    }
    d->selectMode = 1;
    int pairs = words / 2;
    if (pairs > d->dimCount - 1) {
        specMsg("Tessmar Warning: too many arguments for -select option.\n");
        d->selectMode = 0;
        pairs = d->dimCount - 1 > 0 ? d->dimCount - 1 : 0;
    }
    for (int i = 0; i < pairs && i < 3; i++) {
        const int dim = i + 2;
        int x[2];
        for (int k = 0; k < 2; k++) {
            const char* text = d->argv[first + 2 * i + k];
            x[k] = spec2iPnt(d->fdata, dim, text);
            if (getBadSpecUnits()) {
                specMsg("Tessmar Error: bad -select position %s.\n", text);
                d->selectMode = 0;
                return 1;
            }
        }
        int x1 = x[0], xn = x[1];
        if (x1 < 1) x1 = 1;
        if (xn < 1) xn = 1;
        if (x1 > xn) std::swap(x1, xn);
        d->selX1[dim - 1] = x1;
        d->selXN[dim - 1] = xn;
    }
    return 0;
}

// "-fdata n value ...": header word n - 1 := value; only words 1..512 are accepted.
int parseFdata(ProcDataInfo* d) {
    int first;
    const int words = optionWords(d->argc, d->argv, "-fdata", &first);
    if (words % 2 != 0) {
        specMsg("Tessmar Error: bad arguments for -fdata option.\n");
        return 1;
    }
    // Every pair is checked before any is stored, so that a refused list changes no word.
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < words; i += 2) {
            const char* nText = d->argv[first + i];
            const char* vText = d->argv[first + i + 1];
            int n = 0;
            if (foundation::wordToInt(nText, &n) != 1 || n < 1 || n > kHdrWords) {
                specMsg("Tessmar Error: bad -fdata word number %s (1 to %d).\n", nText, kHdrWords);
                return 1;
            }
            float value = 0.0f;
            const int read = foundation::wordToFloat(vText, &value);
            if (read == 0) {
                specMsg("Tessmar Error: bad -fdata value %s.\n", vText);
                return 1;
            }
            if (read < 0) {  // "nan", "inf" or beyond the float range: no header value
                specMsg("Tessmar Error: -fdata value %s is not a finite number.\n", vText);
                return 1;
            }
            if (pass == 0) continue;
            if (d->verbose)
                specMsg("FDATA[%d] %f --> %f\n", n, static_cast<double>(d->fdata[n - 1]), static_cast<double>(value));
            d->fdata[n - 1] = value;
        }
    return 0;
}

void deleteImaginaries(ProcDataInfo* d, int q1, int q2, int method) {
    int* t = d->typeFlags;
    if (t[2]) {
        const bool complex = q1 == 2 && q2 == 2;
        t[1] = complex ? 1 : 0;
        t[0] = complex ? 0 : 1;
    }
    if (t[1]) {
        if (q1 == 1 && q2 == 1)
            specMsg("Tessmar Warning: -dt On Real Data. Consider -xi or -di instead.\n");
        else if (!(q1 == 2 && q2 == 2))
            specMsg("Tessmar Warning: -dt On Complex Data. Consider -xi or -di instead.\n");
        if (!d->varCountFlag) d->fdata[kWordSliceCount] = static_cast<float>(d->sliceCount / 2);
        setParm(d->fdata, kParmSize, static_cast<float>(d->specnum / 2), 2);
        setParm(d->fdata, kParmQuadFlag, 1.0f, 1);
        d->outQuadState = 1;
    }
    if (t[0]) {
        if (q1 == 2 && q2 == 2 && (method == 2 || method == 3))
            specMsg("Tessmar Warning: -xi on Hypercomplex Data. Consider -dt or -di instead.\n");
        d->fdata[kWordQuad] = 1.0f;
        setParm(d->fdata, kParmQuadFlag, 1.0f, 1);
        d->outQuadState = 1;
    }
}

void addImaginaries(ProcDataInfo* d, int q1, int q2) {
    int* t = d->typeFlags;
    if (t[5]) {
        t[4] = !(q1 == 2 && q2 == 2) && !(q1 == 1 && q2 == 1) ? 1 : 0;
        t[3] = q1 == 1 && q2 == 1 ? 1 : 0;
    }
    if (t[4]) {
        if (q1 == 2 && q2 == 2)
            specMsg("Tessmar Warning: -ad on Hypercomplex Data. Consider -ai or -ac instead.\n");
        else if (q1 == 1 && q2 == 1)
            specMsg("Tessmar Warning: -ad on Real Data. Consider -ai or -ac instead.\n");
        d->fdata[kWordQuad] = 0.0f;
        setParm(d->fdata, kParmQuadFlag, 0.0f, 1);
        setParm(d->fdata, kParmQuadFlag, 0.0f, 2);
        // Doubled in floating point: a count above half the int range has its double as well.
        setParm(d->fdata, kParmSize, static_cast<float>(2.0 * d->specnum), 2);
        if (!d->varCountFlag) d->fdata[kWordSliceCount] = static_cast<float>(2.0 * d->sliceCount);
        d->outQuadState = 2;
    }
    if (t[3]) {
        d->fdata[kWordQuad] = 0.0f;
        setParm(d->fdata, kParmQuadFlag, 0.0f, 1);
        d->outQuadState = 2;
    }
}

void convertTypes(ProcDataInfo* d) {
    const int q1 = getQuad(d->fdata, kParmQuadFlag, 1);
    const int q2 = getQuad(d->fdata, kParmQuadFlag, 2);
    const int method = hdrInt(d->fdata[kWordAcqMethod]);
    deleteImaginaries(d, q1, q2, method);
    addImaginaries(d, q1, q2);
    if (getQuad(d->fdata, kParmQuadFlag, 1) == 1 && getQuad(d->fdata, kParmQuadFlag, 2) == 1)
        d->fdata[kWordQuad] = 1.0f;
}

// Floats of a buffer as a checked product, or -1 when one allocator block cannot hold them.
int floatCount(long long a, long long b = 1, long long c = 1) {
    return static_cast<int>(foundation::checkedCount({a, b, c}, foundation::kMaxBlockBytes / 4));
}

float* sliceAlloc(int count) {
    if (count >= 0) return foundation::fltAlloc(kSliceTag, count);
    specMsg("Tessmar Error: a slice buffer of these sizes is more than one block can hold.\n");
    return nullptr;
}

void sliceRelease(float** p, int count) {
    if (*p != nullptr) foundation::unAlloc(kSliceTag, *p, 4 * (count > 0 ? count : 0));
    *p = nullptr;
}

}  // namespace

bool inputIsFile(const ProcDataInfo* d) { return namedFile(d->inName, d->inSock); }
bool outputIsFile(const ProcDataInfo* d) { return namedFile(d->outName, d->outSock); }

int initNMRSizes(const float* fdata, ProcDataInfo* d) {
    d->dimCount = hdrInt(fdata[kWordDimCount]);
    int* sizes[] = {&d->size, &d->specnum, &d->zSize, &d->aSize};
    for (int i = 0; i < 4; i++) *sizes[i] = d->dimCount > i ? hdrInt(getParm(fdata, kParmSize, i + 1)) : 1;
    // A size below 1 or a vector or plane count past an int would give a stage a slice count
    // of 0 or below (65,536^3 wraps to 0, (-7)^3 is -343) that processes nothing.
    for (int i = 0; i < 4; i++)
        if (*sizes[i] < 1) {
            specMsg("Tessmar Error: size %d of dimension %d is not 1 or more.\n", *sizes[i], i + 1);
            return 1;
        }
    const long long vectors = foundation::checkedCount({d->zSize, d->specnum, d->aSize}, INT_MAX);
    const long long planes = foundation::checkedCount({d->aSize, d->zSize}, INT_MAX);
    d->firstPlane = hdrInt(fdata[kWordFirstPlane]);
    d->lastPlane = hdrInt(fdata[kWordLastPlane]);
    const bool allPlanes = d->firstPlane == 0 && d->lastPlane == 0;
    const bool wholeFile = d->serverMode != kServerServer && fdata[kWordWholeFile] != 0.0f;
    if ((allPlanes && planes < 0) || (allPlanes && wholeFile && vectors < 0)) {
        specMsg("Tessmar Error: %d x %d x %d vectors are more than a slice count can hold.\n", d->specnum,
                d->zSize, d->aSize);
        return 1;
    }
    d->sliceCount = hdrInt(fdata[kWordSliceCount]);
    d->varCountFlag = d->sliceCount == -1 ? 1 : 0;
    if (d->serverMode == kServerServer) {
        d->sliceCount = hdrInt(fdata[kWordServerSlices]);
    } else if (wholeFile) {
        if (allPlanes) d->sliceCount = static_cast<int>(vectors);
    } else {
        d->sliceCount = d->specnum;
    }
    if (allPlanes) {
        d->firstPlane = 1;
        d->lastPlane = static_cast<int>(planes);
    }
    d->slicesLeft = d->sliceCount;
    d->timeSize = hdrInt(getParm(fdata, kParmTdSize, 1));
    if (d->timeSize < 1) d->timeSize = d->size;
    d->ftFlag = hdrInt(getParm(fdata, kParmFtFlag, 1));
    d->transposed = hdrInt(fdata[kWordTransposed]);
    d->quadState = d->outQuadState = getQuad(fdata, kWordQuad, 0);
    d->maxSize = d->outSize = d->size;
    d->locList[0] = 0;
    d->locList[1] = 0;
    d->locList[2] = d->firstPlane;
    d->locList[3] = 1;
    return 0;
}

int updateHeader(ProcFuncInfo* f, ProcDataInfo* d) {
    d->fdata[kWordScaleValid] = 0.0f;
    for (int w = 359; w <= 365; w++) d->fdata[w] = 0.0f;
    if (inputIsFile(d))
        d->fdata[kWordStage] = foundation::flagLoc(d->argc, d->argv, "-fn") > 0 ? 1.0f : 0.0f;
    else
        d->fdata[kWordStage] += 1.0f;
    if (parseSelect(d) != 0) return 1;
    d->sliceCode = kSliceHdrUpdate;
    if (f == nullptr || f->func == nullptr) return 1;
    const int status = f->func(d);
    if (status != 0) return status;
    if (d->outSize > d->maxSize) d->maxSize = d->outSize;
    if (d->size > d->maxSize) d->maxSize = d->size;
    if (outputIsFile(d)) d->fdata[kWordStage] = 0.0f;
    convertTypes(d);
    if (d->serverMode == kServerClient && splitBySpeed(d->server, d->serverCount, d->sliceCount) != 0) {
        specMsg("Tessmar Error adjusting partitions.\n");
        return 1;
    }
    if (parseFdata(d) != 0) return 1;
    foundation::checkArgs(d->argc, d->argv);
    return 0;
}

int allocSlice(ProcDataInfo* d) {
    if (d->inPlace) {
        if (inputIsFile(d))
            d->inCapacity = d->specnum;
        else
            d->outCapacity = d->specnum;
    }
    if ((d->rdata = sliceAlloc(floatCount(d->maxSize))) == nullptr) return 1;
    if ((d->idata = sliceAlloc(floatCount(d->maxSize))) == nullptr) return 1;
    if (d->inCapacity != 0 &&
        (d->inBuff = sliceAlloc(floatCount(d->inCapacity, d->quadState, d->size))) == nullptr)
        return 1;
    if (d->outCapacity != 0 &&
        (d->outBuff = sliceAlloc(floatCount(d->outCapacity, d->outQuadState, d->outSize))) == nullptr)
        return 1;
    d->inBuffPtr = d->inBuff;
    d->outBuffPtr = d->outBuff;
    return 0;
}

int freeSlice(ProcFuncInfo* f, ProcDataInfo* d) {
    sliceRelease(&d->rdata, d->maxSize);
    sliceRelease(&d->idata, d->maxSize);
    sliceRelease(&d->inBuff, floatCount(d->inCapacity, d->quadState, d->size));
    sliceRelease(&d->outBuff, floatCount(d->outCapacity, d->outQuadState, d->outSize));
    sliceRelease(&d->fdataOrig, kHdrWords);
    d->inBuffPtr = d->outBuffPtr = nullptr;
    d->sliceCode = kSliceFinal;
    if (f == nullptr || f->func == nullptr) return 1;
    const int status = f->func(d);
    if (status != 0) return status;
    const bool inOwned = inputIsFile(d) || d->inSock > 0;
    const bool outOwned = outputIsFile(d) || d->outSock > 0;
    if (inOwned) dataClose(d->inUnit);
    if (outOwned && d->outUnit != d->inUnit) dataClose(d->outUnit);
    d->inUnit = 0;
    d->outUnit = 0;
    return 0;
}

int updateScale(ProcDataInfo* d) {
    if (!outputIsFile(d) || !d->scaleFlag || (d->outHdrName != nullptr && d->outHdrName[0] != '\0')) return 0;
    d->fdata[kWordScaleValid] = 1.0f;
    d->fdata[kWordDispMax] = d->fdata[kWordMax] = d->max;
    d->fdata[kWordDispMin] = d->fdata[kWordMin] = d->min;
    float out[kHdrWords];
    copyHdr(out, d->fdata);
    if (d->outSwapFlag) swapHdr(out);
    const int status = DataPos(d->outUnit, 0);
    if (status != 0) return status;
    return DataWrite(d->outUnit, out, kHdrBytes);
}

}  // namespace korim::spectral
