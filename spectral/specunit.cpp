// Spectral units: conversions between "value unit" texts and point positions of a dimension.
#include "spectral/specunit.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "spectral/fdatap.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr double kLightCmPerSec = 2.99792e10;  // for wavenumbers
constexpr double kLightNmPerSec = 2.99792e17;  // for wavelengths

enum Unit : int { kPts, kHz, kPpm, kPct, kWn, kCm, kMm, kMic, kNm, kWl, kUnitCount };
constexpr const char* kUnitNames[kUnitCount] = {"Pts", "Hz", "ppm", "%", "WN", "cm", "mm", "mic", "nm", "WL-nm"};

struct SpecUnitModule {
    int badSpecUnits = 0;
    bool badNumber = false;  // the last text's number was not finite or beyond the float range
};
SpecUnitModule su;

// Code of a unit name ignoring case; an empty name means points; -1 unknown.
int unitCode(const char* name) {
    if (name == nullptr || name[0] == '\0') return kPts;
    for (int i = 0; i < kUnitCount; i++)
        if (strcasecmp(name, kUnitNames[i]) == 0) return i;
    return -1;
}

bool isFreqUnit(int code) { return code == kHz || code == kPpm || code == kWn || code == kWl; }

// Length scale of the length units relative to millimetres.
double lengthScale(int code) {
    switch (code) {
        case kCm: return 0.1;
        case kMic: return 1000.0;
        case kNm: return 1.0e6;
        default: return 1.0;
    }
}

// Frequency axis of one dimension taken from the header.
struct Axis {
    double sw, obs, orig;
    int size;    // stored points N
    int n;       // frequency points (N/2 when interleaved)
    bool inter;  // interleaved
    double delta, first;
};

Axis axisOf(const float* fdata, int dim) {
    Axis a;
    a.sw = getParm(fdata, kParmSw, dim);
    a.obs = getParm(fdata, kParmObs, dim);
    a.orig = getParm(fdata, kParmOrig, dim);
    if (a.sw == 0.0) a.sw = 1.0;
    if (a.obs == 0.0) a.obs = 1.0;
    a.size = hdrInt(getParm(fdata, kParmSize, dim));
    if (a.size < 1) a.size = 1;
    a.inter = isInterleaved(fdata, dim) != 0;
    a.n = a.inter ? a.size / 2 : a.size;
    if (a.n < 1) a.n = 1;
    a.delta = -a.sw / a.n;
    a.first = a.orig - a.delta * (a.n - 1);
    return a;
}

// Reads "number unit"; false (and the flag set) when the text has no number or an unknown unit,
// or when its number is "nan", an infinity or beyond the float range: positions and widths end
// in single-precision headers, and such a number names no place on the axis.
bool parseSpec(const char* text, double* value, int* code) {
    char unit[32] = {};
    su.badSpecUnits = 0;
    su.badNumber = false;
    const int read = text == nullptr ? 0 : std::sscanf(text, "%lf%31s", value, unit);
    if (read >= 1 && !(std::fabs(*value) <= FLT_MAX)) su.badNumber = true;
    if (read < 1 || su.badNumber || (*code = unitCode(unit)) < 0) {
        su.badSpecUnits = 1;
        return false;
    }
    return true;
}

// Code of the unit of a point-to-value conversion; false (flag set) when unknown.
bool knownUnit(const char* unit, int* code) {
    *code = unitCode(unit);
    su.badSpecUnits = *code < 0 ? 1 : 0;
    return *code >= 0;
}

// Folds (mode 0) or clips (mode 1) a position into 1..len.
double clipPoint(double p, int len, int clipMode) {
    if (clipMode == 0 && std::isfinite(p)) {
        double r = std::fmod(p - 1.0, static_cast<double>(len));
        if (r < 0.0) r += len;
        return r + 1.0;
    }
    if (clipMode == 0 || clipMode == 1) {
        if (std::isnan(p) || p < 1.0) return 1.0;
        if (p > len) return len;
    }
    return p;
}

// Nearest integer, halves away from zero, kept inside the int range.
int roundAway(double v) {
    if (std::isnan(v)) return 0;
    const double r = v < 0.0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5);
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(r);
}

// An interleaved point made odd-to-even and halved.
double halvePoint(double p) {
    const double ip = std::trunc(p);
    if (std::fabs(std::fmod(ip, 2.0)) == 1.0) p += 1.0;
    return p / 2.0;
}

const char* optionValue(int argc, char** argv, const char* flag) {
    const int loc = foundation::flagLoc(argc, argv, flag);
    if (loc < 1) return nullptr;
    return foundation::getNthArg(argc, argv, loc + 1);
}

// Reads the value of an option through a unit conversion; 1 when converted.
template <typename Convert>
int unitArg(int argc, char** argv, const char* flag, float* value, Convert convert) {
    const char* text = optionValue(argc, argv, flag);
    if (text == nullptr) return 0;
    const float v = convert(text);
    if (su.badNumber) {
        specMsg("SpecUnit Error: %s value %s is not a finite number.\n", flag, text);
        return 0;
    }
    if (!su.badSpecUnits && !std::isfinite(v)) {  // a width beyond the float range, or a header's nan
        specMsg("SpecUnit Error: %s value %s gives no finite number of points.\n", flag, text);
        return 0;
    }
    if (su.badSpecUnits) {
        specMsg("SpecUnit Error: bad units.\n");
        return 0;
    }
    *value = v;
    return 1;
}

}  // namespace

int getSpecUnits(const char* name) {
    const int code = unitCode(name);
    return code < 0 ? kPts : code;
}

int getSpecLabel(int code, char* label) {
    std::snprintf(label, 6, "%s", code > kPts && code < kUnitCount ? kUnitNames[code] : "Pts");
    return 0;
}

int hasSpecLabel(const char* text) {
    float value;
    char unit[32] = {};
    if (text == nullptr || std::sscanf(text, "%f%31s", &value, unit) != 2) return 0;
    for (const char* name : kUnitNames)
        if (std::strcmp(unit, name) == 0) return 1;
    return 0;
}

int getBadSpecUnits() { return su.badSpecUnits; }
void specUnitReset() { su = SpecUnitModule{}; }

float spec2rPnt2(const float* fdata, int dim, const char* text, int clipMode) {
    double v;
    int code;
    if (!parseSpec(text, &v, &code)) return 0.0f;
    const Axis a = axisOf(fdata, dim);
    double p;
    switch (code) {
        case kPpm: p = (a.obs * v - a.first) / a.delta + 1.0; break;
        case kHz: p = (v - a.first) / a.delta + 1.0; break;
        case kWn: p = static_cast<float>((kLightCmPerSec * v - a.first) / a.delta + 1.0); break;
        case kWl: {
            const double w = static_cast<float>(kLightNmPerSec / a.sw);
            const double s = static_cast<float>(kLightNmPerSec / a.orig - w);
            p = (v - s) * (a.n - 1) / w + 1.0;
            break;
        }
        case kPct: p = (a.size - 1) * v / 100.0 + 1.0; break;
        case kMm: case kCm: case kMic: case kNm: p = (a.size - 1) * v / (a.sw * lengthScale(code)) + 1.0; break;
        default: p = v; break;
    }
    const bool freq = isFreqUnit(code);
    p = clipPoint(p, freq ? a.n : a.size, clipMode);
    if (freq && a.inter) p = 2.0 * p - 1.0;
    return static_cast<float>(p);
}

float spec2rPnt(const float* fdata, int dim, const char* text) { return spec2rPnt2(fdata, dim, text, 0); }

int spec2iPnt(const float* fdata, int dim, const char* text) {
    return roundAway(spec2rPnt2(fdata, dim, text, 0));
}

int* specList2Pnt(char** texts, int count, const float* fdata, int dim) {
    if (count < 1) return nullptr;
    int* list = foundation::intAlloc("spec", count);
    if (list == nullptr) return nullptr;
    for (int i = 0; i < count; i++) {
        list[i] = spec2iPnt(fdata, dim, texts[i]);
        if (su.badSpecUnits) {
            foundation::unAlloc("spec", list, count * static_cast<int>(sizeof(int)));
            return nullptr;
        }
    }
    return list;
}

float rPnt2spec(const float* fdata, int dim, float point, const char* unit) {
    int code;
    if (!knownUnit(unit, &code)) return 0.0f;
    const Axis a = axisOf(fdata, dim);
    double p = point;
    if (isFreqUnit(code) && a.inter) p = halvePoint(p);
    const double hz = (p - 1.0) * a.delta + a.first;
    switch (code) {
        case kPpm: return static_cast<float>(hz / a.obs);
        case kHz: return static_cast<float>(hz);
        case kWn: return static_cast<float>(hz / kLightCmPerSec);
        case kWl: {
            const double w = static_cast<float>(kLightNmPerSec / a.sw);
            const double s = static_cast<float>(kLightNmPerSec / a.orig - w);
            return static_cast<float>(a.n == 1 ? s : s + (p - 1.0) * w / (a.n - 1));
        }
        case kPct: return static_cast<float>(a.size == 1 ? 100.0 : 100.0 * (p - 1.0) / (a.size - 1));
        case kMm: case kCm: case kMic: case kNm: {
            const double len = a.sw * lengthScale(code);
            return static_cast<float>(a.size < 2 ? len : len * (p - 1.0) / (a.size - 1));
        }
        default: return point;
    }
}

float iPnt2spec(const float* fdata, int dim, int point, const char* unit) {
    return rPnt2spec(fdata, dim, static_cast<float>(point), unit);
}

float specWidth2rPnt(const float* fdata, int dim, const char* text) {
    double v;
    int code;
    if (!parseSpec(text, &v, &code)) return 0.0f;
    const Axis a = axisOf(fdata, dim);
    switch (code) {
        case kPpm: return static_cast<float>(a.n * v * a.obs / a.sw);
        case kHz: return static_cast<float>(a.n * v / a.sw);
        case kWn: return static_cast<float>(a.n * v * kLightCmPerSec / a.sw);
        case kWl: return static_cast<float>(a.n * v / (kLightNmPerSec / a.sw));
        case kPct: return static_cast<float>(a.size * v / 100.0);
        case kMm: case kCm: case kMic: case kNm: return static_cast<float>(a.size * v / (lengthScale(code) * a.sw));
        default: return static_cast<float>(v);
    }
}

float rPnt2specWidth(const float* fdata, int dim, float width, const char* unit) {
    int code;
    if (!knownUnit(unit, &code)) return 0.0f;
    const Axis a = axisOf(fdata, dim);
    double w = width;
    if (isFreqUnit(code) && a.inter) w = halvePoint(w);
    switch (code) {
        case kPpm: return static_cast<float>(a.sw * w / (a.n * a.obs));
        case kHz: return static_cast<float>(a.sw * w / a.n);
        case kWn: return static_cast<float>(a.sw * w / a.n / kLightCmPerSec);
        case kWl: return static_cast<float>((kLightNmPerSec / a.sw) * w / a.n);
        case kPct: return static_cast<float>(100.0 * w / a.size);
        case kMm: case kCm: case kMic: case kNm: return static_cast<float>(a.sw * lengthScale(code) * w / a.size);
        default: return width;
    }
}

int updateOrig(float* fdata, int dim) {
    const Axis a = axisOf(fdata, dim);
    const double car = getParm(fdata, kParmCar, dim);
    const double ctr = getParm(fdata, kParmCenter, dim);
    setParm(fdata, kParmOrig, static_cast<float>(a.obs * car - a.sw * (a.n - ctr) / a.n), dim);
    return 0;
}

int specArgD(int argc, char** argv, const char* flag, int* value, const float* fdata, int dim) {
    float p;
    if (!specFltArgD(argc, argv, flag, &p, fdata, dim)) return 0;
    *value = roundAway(p);  // clipped positions are at least 1
    return 1;
}

int specFltArgD(int argc, char** argv, const char* flag, float* value, const float* fdata, int dim) {
    return unitArg(argc, argv, flag, value, [&](const char* text) { return spec2rPnt2(fdata, dim, text, 1); });
}

int wideArgD(int argc, char** argv, const char* flag, int* value, const float* fdata, int dim) {
    float w;
    if (!wideFltArgD(argc, argv, flag, &w, fdata, dim)) return 0;
    *value = roundAway(w);
    return 1;
}

int wideFltArgD(int argc, char** argv, const char* flag, float* value, const float* fdata, int dim) {
    return unitArg(argc, argv, flag, value, [&](const char* text) { return specWidth2rPnt(fdata, dim, text); });
}

}  // namespace korim::spectral
