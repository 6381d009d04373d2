// Readers of the driver's own text inputs: configuration, potentials, 3-D grids.
#include "app/korim_utils_read.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/inputfile.h"
#include "foundation/textstream.h"
#include "foundation/token.h"

namespace korim::app {

using namespace korim::settings;
using foundation::FilePtr;
using foundation::openInput;
using foundation::readFailed;
using foundation::readLine;

namespace {

// Settings of the configuration file that no other record holds.
struct ReadModule {
  float Pmax = 10.0f;
  int configKeys = 0;  // keys the last configuration file set
  std::vector<std::string> keysSet;  // and which, as their keys ("ORIGIN_DOM1:")
};

ReadModule readState;

constexpr int kLineLen = 256;  // line buffer of every line-oriented reader

// ---- configuration keys ----

struct ConfigKey {
  const char* key;
  int GridInfo::*intField;      // integer setting, or null
  float GridInfo::*floatField;  // float setting, or null
  int angleIndex;               // element of gridInfo.angleDom, or -1
  bool pmax;                    // the module setting Pmax
};

constexpr ConfigKey kConfigKeys[] = {
    {"CENTER_PIVOT:", &GridInfo::pivotCenter, nullptr, -1, false},
    {"Pmax:", nullptr, nullptr, -1, true},
    {"OUTPUT_ENSEMBLE:", &GridInfo::outEflag, nullptr, -1, false},
    {"ALIGN_ALONG_Z:", &GridInfo::initOrientFlag, nullptr, -1, false},
    {"FIX_POSITION_DOM1:", &GridInfo::fixRotDomain, nullptr, -1, false},
    {"ENSEMBLE_CLASH:", &GridInfo::clashFlag, nullptr, -1, false},
    {"CLASH_DISTANCE:", nullptr, &GridInfo::clashDist, -1, false},
    {"ENSEMBLE_DENSITY:", &GridInfo::densE, nullptr, -1, false},
    {"ENSEMBLE_GAMMA:", &GridInfo::digPsiE, nullptr, -1, false},
    {"DOMAIN_ANGLE_VAR:", &GridInfo::angleDomFlag, nullptr, -1, false},
    {"DOM_ANG_ALPHA:", nullptr, nullptr, 0, false},
    {"DOM_ANG_BETA:", nullptr, nullptr, 1, false},
    {"DOM_ANG_GAMMA:", nullptr, nullptr, 2, false},
    {"ORIGIN_DOM1:", &GridInfo::resDom1Origin, nullptr, -1, false},
    {"ORIGIN_DOM2:", &GridInfo::resDom2Origin, nullptr, -1, false},
    {"START_RESID_1:", &GridInfo::startResDom1, nullptr, -1, false},
    {"END_RESID_1:", &GridInfo::endResDom1, nullptr, -1, false},
    {"START_RESID_2:", &GridInfo::startResDom2, nullptr, -1, false},
    {"END_RESID_2:", &GridInfo::endResDom2, nullptr, -1, false},
    {"BETA_L:", nullptr, &GridInfo::lBetaCone, -1, false},
    {"BETA_H:", nullptr, &GridInfo::hBetaCone, -1, false},
    {"ALPHA_CENTER:", nullptr, &GridInfo::cAlphaCone, -1, false},
    {"ALPHA_WIDTH:", nullptr, &GridInfo::errAlphaCone, -1, false},
    {"START_RES_ANGLE_1:", &GridInfo::startResPart1, nullptr, -1, false},
    {"END_RES_ANGLE_1:", &GridInfo::endResPart1, nullptr, -1, false},
    {"START_RES_ANGLE_2:", &GridInfo::startResPart2, nullptr, -1, false},
    {"END_RES_ANGLE_2:", &GridInfo::endResPart2, nullptr, -1, false},
};

const ConfigKey* findConfigKey(const char* word) {
  for (const ConfigKey& k : kConfigKeys) {
    if (std::strcmp(k.key, word) == 0) return &k;
  }
  return nullptr;
}

// True when the float truncates toward zero to a representable int (NaN is not).
bool fitsInt(float value) {
  return value >= -2147483648.0f && value < 2147483648.0f;
}

// ---- numbers of the potential files ----

// What each line of a potential file must hold, for the messages that refuse one.
constexpr const char* kPotentialLine =
    " (each line of a potential file holds a distance in nm and the potential there, at evenly spaced distances)";
constexpr const char* kGridLine = " (each value line of a 3-D grid holds up to three finite numbers)";

// The first of the first `count` (at most 3) words of line that is not wholly one finite number,
// where sscanf read values; empty when each is one. sscanf takes "nan" and "inf", reads "2,5"
// as 2 and "1.5abc" as 1.5: such a value would enter the model without a word.
std::string badNumberWord(const char* line, int count, const double* values) {
  const char* starts[3] = {};
  int lengths[3] = {};
  const int found = foundation::tokenSpans(line, starts, lengths, count);
  for (int k = 0; k < count && k < found; k++) {
    if (!foundation::isWholeNumberAt(starts[k], lengths[k], false) || !std::isfinite(values[k]))
      return std::string(starts[k], static_cast<size_t>(lengths[k]));
  }
  return {};
}

// Refuses a line whose read numbers are not all wholly finite numbers; true after the message
// (begun by lead, which ends a progress line), which ends with what the line must hold.
bool refuseBadNumbers(const char* reader, const char* name, int lineNo, const char* line, int count,
                      const double* values, const char* expected, const char* lead = "") {
  const std::string word = badNumberWord(line, count, values);
  if (word.empty()) return false;
  std::fputs(lead, stderr);
  foundation::lineRefusal(reader, name, lineNo, line,
                          "holds \"" + foundation::shownLine(word.c_str()) + "\", which is not a finite number" +
                              expected);
  return true;
}

// ---- 3-D grids ----

// Reads the values of a 3-D grid file; store(i, v) keeps value i (0-based) of the total.
template <typename Store>
int read3DGrid(const char* name, const KorimInfo* korimInfo, int* count, Store store) {
  FilePtr fp;
  if (const int st = openInput(name, "read3DPotential", count, &fp); st >= 0) return st;
  // In double: the product of three ints may exceed any integer type.
  const double points = static_cast<double>(korimInfo->grid3DnX) * korimInfo->grid3DnY *
                        korimInfo->grid3DnZ;
  if (points > INT_MAX) {
    std::fprintf(stderr, "ERROR: 3D grid of %d x %d x %d values is too large.\n",
                 korimInfo->grid3DnX, korimInfo->grid3DnY, korimInfo->grid3DnZ);
    return 1;
  }
  const long long total = static_cast<long long>(points);
  long long n = 0;  // numbers seen, also those past the total
  char line[kLineLen];
  int lineNo = 0;  // of the line just read
  if (total > 0) {
    for (int i = 0; i < kPot3DHeaderLines; i++, lineNo++) {
      if (readLine(line, kLineLen, fp.get()) == nullptr) break;
    }
    while (n < total && readLine(line, kLineLen, fp.get()) != nullptr) {
      lineNo++;
      std::fprintf(stderr, "REMARK Reading values of 3D potential %d of %d\r",
                   static_cast<int>(n), static_cast<int>(total));
      std::fflush(stderr);
      double v[3];
      int got = std::sscanf(line, "%lf %lf %lf ", &v[0], &v[1], &v[2]);
      if (got < 0) got = 0;  // a line of white space only
      // A point of nan would be taken as blocking by the steric model and poison the
      // electrostatic sums.
      if (refuseBadNumbers("read3DPotential", name, lineNo, line, got, v, kGridLine, "\n")) return 1;
      if (got == 0) {
        // Not a line of the grid (text, a file of another kind): every further line of such a
        // file would be refused alike, so the read ends here.
        std::fputs("\n", stderr);
        foundation::lineRefusal("read3DPotential", name, lineNo, line,
                                std::string("holds no number") + kGridLine);
        return 1;
      }
      if (got < 3) {
        std::fprintf(stderr, "WARNING: File with 3D Potential may contain line with wrong input format!\n");
        std::fprintf(stderr, "Line:%s\n", foundation::shownLine(line).c_str());
      }
      for (int k = 0; k < got; k++) {
        if (n < total) store(static_cast<int>(n), v[k]);
        n++;
      }
    }
  }
  std::fprintf(stderr, "\n");
  if (readFailed(fp.get(), "read3DPotential", name)) return 1;
  if (n != total) {
    std::fprintf(stderr, "ERROR: Total size of 3D grid not as specified.\n");
    std::fprintf(stderr, "ERROR: %lld values read from %s, the grid of %d x %d x %d (-nX, -nY, -nZ) needs %lld.\n",
                 n, name, korimInfo->grid3DnX, korimInfo->grid3DnY, korimInfo->grid3DnZ, total);
    return 1;
  }
  *count = static_cast<int>(n);
  return 0;
}

}  // namespace

float getPmax() { return readState.Pmax; }

void readModuleReset() { readState = ReadModule{}; }

int configKeysRead() { return readState.configKeys; }

bool configKeySet(const char* key) {
  for (const std::string& k : readState.keysSet)
    if (k == key) return true;
  return false;
}

int readConfig(const char* inpName, KorimInfo* korimInfo) {
  readState.configKeys = 0;
  readState.keysSet.clear();
  FilePtr fp;
  if (const int st = openInput(inpName, "readConfig", nullptr, &fp); st >= 0) return st;
  char line[kLineLen];
  GridInfo& grid = korimInfo->gridInfo;
  for (int lineNo = 1; readLine(line, kLineLen, fp.get()) != nullptr; lineNo++) {
    char word[kLineLen];
    float value = 0.0f;
    if (std::sscanf(line, "%255s %f", word, &value) != 2) {
      std::fprintf(stderr, "Error: Input data in auto file have wrong format\n");
      std::fprintf(stderr, "Line:%s", line);
      return 1;
    }
    const ConfigKey* key = findConfigKey(word);
    // A key mistyped would leave its setting at the default without a word.
    if (key == nullptr) {
      std::fprintf(stderr, "Error: Wrong input parameter in auto file %s, line %d: %s is no key of the configuration\n",
                   inpName, lineNo, word);
      return 1;
    }
    readState.configKeys++;
    readState.keysSet.push_back(key->key);
    if (key->intField != nullptr) {
      if (!fitsInt(value)) {
        std::fprintf(stderr, "Error: Value of %s out of range in auto file\n", key->key);
        std::fprintf(stderr, "Line:%s", line);
        return 1;
      }
      grid.*(key->intField) = static_cast<int>(value);  // truncation toward zero
    } else if (key->floatField != nullptr) {
      grid.*(key->floatField) = value;
    } else if (key->angleIndex >= 0) {
      grid.angleDom[key->angleIndex] = value;
    } else {
      readState.Pmax = value;
    }
  }
  if (readFailed(fp.get(), "readConfig", inpName)) return 1;
  return 0;
}

int readPotential(const char* potName, KorimInfo* /*korimInfo*/, int* digPotential,
                  double* potential, double* offset, double* stepsize) {
  for (int k = 1; k <= kPotentialClear; k++) potential[k] = 0.0;
  FilePtr fp;
  if (const int st = openInput(potName, "readPotential", digPotential, &fp); st >= 0) return st;
  char line[kLineLen];
  int rows = 0;
  double previous = 0.0;
  while (readLine(line, kLineLen, fp.get()) != nullptr) {
    double v[2] = {0.0, 0.0};
    if (std::sscanf(line, "%lf %lf", &v[0], &v[1]) != 2) {
      foundation::lineRefusal("readPotential", potName, rows + 1, line,
                              std::string("does not start with two numbers") + kPotentialLine);
      return 1;
    }
    if (refuseBadNumbers("readPotential", potName, rows + 1, line, 2, v, kPotentialLine)) return 1;
    const double distance = v[0];
    const double value = v[1];
    rows++;
    if (rows == 1) {
      *offset = distance;
      *stepsize = 0.0;  // a single row has no step
    } else if (rows == 2) {
      *stepsize = distance - *offset;
    } else {
      double d = distance - previous;
      if (!(std::fabs(d - *stepsize) < 0.001)) {
        char step[160];
        std::snprintf(step, sizeof step,
                      "breaks the uniform step of the distances (%g nm from the line before, where the first "
                      "two lines set a step of %g nm)",
                      d, *stepsize);
        foundation::lineRefusal("readPotential", potName, rows, line, step);
        return 1;
      }
    }
    if (rows > kPotentialMaxRows) {
      foundation::lineRefusal("readPotential", potName, rows, line,
                              "is one row more than the " + std::to_string(kPotentialMaxRows) +
                                  " a potential file may hold");
      return 1;
    }
    potential[rows] = value;
    previous = distance;
  }
  if (readFailed(fp.get(), "readPotential", potName)) return 1;
  if (rows > 0) {
    // The file gives distances in nm; the models work in Angstrom.
    *offset *= 10.0;
    *stepsize *= 10.0;
  }
  *digPotential = rows;
  return 0;
}

int read3DPotential(const char* pot3DName, KorimInfo* korimInfo, int* count, double* pot3D) {
  return read3DGrid(pot3DName, korimInfo, count, [pot3D](int i, double v) { pot3D[i] = v; });
}

int read3DPotSteric(const char* pot3DName, KorimInfo* korimInfo, int* count, float* pot3Dst) {
  const double maxPot = korimInfo->elInfo.maxPot;
  return read3DGrid(pot3DName, korimInfo, count, [pot3Dst, maxPot](int i, double v) {
    pot3Dst[i] = std::fabs(v) < maxPot ? 1.0f : 0.0f;
  });
}

}  // namespace korim::app
