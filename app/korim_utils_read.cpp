// Readers of the driver's own text inputs: configuration, potentials, 3-D grids.
#include "app/korim_utils_read.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/inputfile.h"
#include "foundation/numberword.h"
#include "foundation/textstream.h"
#include "foundation/token.h"
#include "foundation/valuecomment.h"
#include "simulation/ensemble.h"
#include "simulation/nsc.h"
#include "simulation/potential_overflow.h"

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
  std::vector<std::string> keysSet;  // keys the last configuration file set, one per line ("ORIGIN_DOM1:")
};

// A key the configuration set, where and with what line.
struct KeyLine {
  int lineNo;
  std::string text;  // the line, as shownLine gives it
};

ReadModule readState;

constexpr int kLineLen = 256;  // line buffer of every line-oriented reader

// ---- configuration keys ----

// What the value of a key may be.
enum class Takes {
  integer,        // a whole number
  real,           // a finite number
  onOff,          // a switch: 0 or 1
  outputMode,     // OUTPUT_ENSEMBLE: the modes the ensemble run knows
  coneAngle,      // an angle of the cone of states, 0 to 180 degrees
  clashDistance,  // a finite distance in A, above 0 while the clash check is on (checked at the end)
};

struct ConfigKey {
  const char* key;
  Takes takes;
  int GridInfo::*intField;      // integer setting, or null
  float GridInfo::*floatField;  // float setting, or null
  int angleIndex;               // element of gridInfo.angleDom, or -1
  bool pmax;                    // the module setting Pmax
  // The whole numbers an integer key takes where the states an ensemble holds bound them, and
  // how its value makes states, for the refusal (null: any int).
  int low = INT_MIN;
  int high = INT_MAX;
  const char* rangeWhy = nullptr;
};

// The densest sphere of orientations an ensemble can take whole: its states are held in
// kEnsembleMaxStates slots, and every orientation of a sphere within the cone gives at least one
// state. The largest arc (10 t^2 + 2 dots) or dodecahedral (30 t^2 + 2) sphere within that; a
// density up to it gives a sphere of at most as many dots, one above it a larger sphere.
constexpr int densestEnsembleSphere() {
  int densest = 0;
  for (int perLevel : {10, 30}) {
    for (long long t = 1; perLevel * t * t + 2 <= simulation::kEnsembleMaxStates; t++) {
      const int dots = static_cast<int>(perLevel * t * t + 2);
      if (dots > densest) densest = dots;
    }
  }
  return densest;
}
constexpr int kEnsembleMaxDensity = densestEnsembleSphere();

// Every key, with what its value may be. The residue numbers may be any whole numbers here: the
// ensemble mode checks them against its structure.
constexpr ConfigKey kConfigKeys[] = {
    {"CENTER_PIVOT:", Takes::onOff, &GridInfo::pivotCenter, nullptr, -1, false},
    {"Pmax:", Takes::real, nullptr, nullptr, -1, true},
    {"OUTPUT_ENSEMBLE:", Takes::outputMode, &GridInfo::outEflag, nullptr, -1, false},
    {"ALIGN_ALONG_Z:", Takes::onOff, &GridInfo::initOrientFlag, nullptr, -1, false},
    {"FIX_POSITION_DOM1:", Takes::onOff, &GridInfo::fixRotDomain, nullptr, -1, false},
    {"ENSEMBLE_CLASH:", Takes::onOff, &GridInfo::clashFlag, nullptr, -1, false},
    {"CLASH_DISTANCE:", Takes::clashDistance, nullptr, &GridInfo::clashDist, -1, false},
    {"ENSEMBLE_DENSITY:", Takes::integer, &GridInfo::densE, nullptr, -1, false, simulation::kUnspMinDensity,
     kEnsembleMaxDensity, "each orientation of the sphere is a state; a denser sphere has more orientations than"},
    {"ENSEMBLE_GAMMA:", Takes::integer, &GridInfo::digPsiE, nullptr, -1, false, 0, simulation::kEnsembleMaxStates,
     "each turn about an orientation is a state; more turns are more than"},
    {"DOMAIN_ANGLE_VAR:", Takes::onOff, &GridInfo::angleDomFlag, nullptr, -1, false},
    {"DOM_ANG_ALPHA:", Takes::real, nullptr, nullptr, 0, false},
    {"DOM_ANG_BETA:", Takes::real, nullptr, nullptr, 1, false},
    {"DOM_ANG_GAMMA:", Takes::real, nullptr, nullptr, 2, false},
    {"ORIGIN_DOM1:", Takes::integer, &GridInfo::resDom1Origin, nullptr, -1, false},
    {"ORIGIN_DOM2:", Takes::integer, &GridInfo::resDom2Origin, nullptr, -1, false},
    {"START_RESID_1:", Takes::integer, &GridInfo::startResDom1, nullptr, -1, false},
    {"END_RESID_1:", Takes::integer, &GridInfo::endResDom1, nullptr, -1, false},
    {"START_RESID_2:", Takes::integer, &GridInfo::startResDom2, nullptr, -1, false},
    {"END_RESID_2:", Takes::integer, &GridInfo::endResDom2, nullptr, -1, false},
    {"BETA_L:", Takes::coneAngle, nullptr, &GridInfo::lBetaCone, -1, false},
    {"BETA_H:", Takes::coneAngle, nullptr, &GridInfo::hBetaCone, -1, false},
    {"ALPHA_CENTER:", Takes::real, nullptr, &GridInfo::cAlphaCone, -1, false},
    {"ALPHA_WIDTH:", Takes::coneAngle, nullptr, &GridInfo::errAlphaCone, -1, false},
    {"START_RES_ANGLE_1:", Takes::integer, &GridInfo::startResPart1, nullptr, -1, false},
    {"END_RES_ANGLE_1:", Takes::integer, &GridInfo::endResPart1, nullptr, -1, false},
    {"START_RES_ANGLE_2:", Takes::integer, &GridInfo::startResPart2, nullptr, -1, false},
    {"END_RES_ANGLE_2:", Takes::integer, &GridInfo::endResPart2, nullptr, -1, false},
};

const ConfigKey* findConfigKey(std::string_view word) {
  for (const ConfigKey& k : kConfigKeys) {
    if (word == k.key) return &k;
  }
  return nullptr;
}

// What each line of a configuration must hold, for the messages that refuse one.
constexpr const char* kConfigLine =
    " (each line of a configuration holds a key and its value, as \"CLASH_DISTANCE: 2.0\")";

// What a key takes, for its refusal; got is how the value word read.
std::string takesText(const ConfigKey& key, foundation::NumberWord got) {
  switch (key.takes) {
    case Takes::integer:
      if (key.rangeWhy == nullptr) return foundation::numberExpected(true, got);
      return "a whole number from " + std::to_string(key.low) + " to " + std::to_string(key.high) + " (" +
             key.rangeWhy + " the " + std::to_string(simulation::kEnsembleMaxStates) + " states an ensemble holds)";
    case Takes::real: return foundation::numberExpected(false, got);
    case Takes::onOff: return "0 (off) or 1 (on)";
    case Takes::outputMode:
      return "0 (predict the states), 2 (list the states and stop) or 3 (write the states' structures and "
             "predict none)";
    case Takes::coneAngle: return "an angle from 0 to 180 degrees";
    case Takes::clashDistance: return "a finite distance in A";
  }
  return {};
}

// The value word of key into its setting; false, with nothing stored, when the key does not
// take it.
bool storeValue(const ConfigKey& key, std::string_view word, GridInfo& grid, foundation::NumberWord* got) {
  using foundation::NumberWord;
  const bool integer = key.intField != nullptr;
  int i = 0;
  float f = 0.0f;
  *got = integer ? foundation::integerWord(word, &i) : foundation::realWord(word, &f);
  if (*got != NumberWord::number) return false;
  if (key.takes == Takes::onOff && i != 0 && i != 1) return false;
  if (key.takes == Takes::outputMode && i != 0 && i != 2 && i != 3) return false;
  if (key.takes == Takes::coneAngle && !(f >= 0.0f && f <= 180.0f)) return false;
  if (integer && (i < key.low || i > key.high)) return false;
  if (integer) {
    grid.*(key.intField) = i;
  } else if (key.floatField != nullptr) {
    grid.*(key.floatField) = f;
  } else if (key.angleIndex >= 0) {
    grid.angleDom[key.angleIndex] = f;
  } else {
    readState.Pmax = f;
  }
  return true;
}

// ---- numbers of the potential files ----

// What each line of a potential file must hold, for the messages that refuse one.
constexpr const char* kPotentialLine =
    " (each line of a potential file holds a distance in nm and the potential there, at evenly spaced distances)";
constexpr const char* kGridLine = " (each value line of a 3-D grid holds up to three finite numbers)";

// Refuses a line whose read numbers are not all wholly finite numbers; true after the message
// (begun by lead, which ends a progress line), which ends with what the line must hold.
bool refuseBadNumbers(const char* reader, const char* name, int lineNo, const char* line, int count,
                      const double* values, const char* expected, const char* lead = "") {
  const std::string word = foundation::firstBadNumber(line, count, values);
  if (word.empty()) return false;
  std::fputs(lead, stderr);
  foundation::lineRefusal(reader, name, lineNo, line,
                          "holds \"" + foundation::shownLine(word.c_str()) + "\", which is not a finite number" +
                              expected);
  return true;
}

// ---- 3-D grids ----

// The values a line of a grid holds past the grid's last value: the numbers it begins with (a line
// that begins with no number, blank or a comment, holds none).
long long valuesOfLine(const char* line) {
  long long n = 0;
  for (const char* p = line;; n++) {
    while (*p == ' ' || *p == '\t') p++;
    char* end = nullptr;
    std::strtod(p, &end);
    if (end == p) return n;
    if (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\n') return n + 1;  // "1.5abc": one value
    p = end;
  }
}

// Reads the values of a 3-D grid file; store(i, v) keeps value i (0-based) of the total, and lines
// learns the line of each. Every finite value is read: what a value means (a point that blocks,
// a potential) is the model's to judge. The values after the grid's last one are counted to the
// end of the file, for the refusal of a file longer than its grid.
template <typename Store>
int read3DGrid(const char* name, const KorimInfo* korimInfo, int* count, simulation::ValueLines* lines, Store store) {
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
      // A fourth number would be dropped, and every value after it taken one place early or late.
      if (const std::string split = foundation::numberAfterLineValues(line, 3); got == 3 && !split.empty()) {
        std::fputs("\n", stderr);
        foundation::lineRefusal("read3DPotential", name, lineNo, line, "holds " + split + kGridLine);
        return 1;
      }
      if (got == 0) {
        // Not a line of the grid (text, a file of another kind): every further line of such a
        // file would be refused alike, so the read ends here.
        std::fputs("\n", stderr);
        foundation::lineRefusal("read3DPotential", name, lineNo, line,
                                std::string("holds no number") + kGridLine);
        return 1;
      }
      if (got < 3) {
        // On a line of its own after the progress line, and where it stands in the file.
        std::fprintf(stderr, "\nWARNING: File with 3D Potential may contain line with wrong input format!\n");
        std::fprintf(stderr, "Line:%s\n", foundation::shownLine(line).c_str());
        std::fprintf(stderr, "read3DPotential: line %d of %s.\n", lineNo, name);
      }
      lines->add(lineNo, static_cast<int>(std::min<long long>(got, total - n)));
      for (int k = 0; k < got; k++) {
        if (n < total) store(static_cast<int>(n), v[k]);
        n++;
      }
    }
    // A file longer than its grid is most likely a grid of another size (-nX, -nY, -nZ off):
    // its first values would be taken as this grid's without a word.
    while (n >= total && readLine(line, kLineLen, fp.get()) != nullptr) n += valuesOfLine(line);
  }
  std::fprintf(stderr, "\n");
  if (readFailed(fp.get(), "read3DPotential", name)) return 1;
  if (n != total) {
    std::fprintf(stderr, "ERROR: Total size of 3D grid not as specified.\n");
    if (n < total)
      std::fprintf(stderr, "ERROR: %lld values read from %s, the grid of %d x %d x %d (-nX, -nY, -nZ) needs %lld.\n",
                   n, name, korimInfo->grid3DnX, korimInfo->grid3DnY, korimInfo->grid3DnZ, total);
    else
      std::fprintf(stderr,
                   "ERROR: %s holds %lld values after its %d header lines; the grid of %d x %d x %d (-nX, -nY, -nZ) "
                   "needs %lld.\n",
                   name, n, kPot3DHeaderLines, korimInfo->grid3DnX, korimInfo->grid3DnY, korimInfo->grid3DnZ, total);
    return 1;
  }
  *count = static_cast<int>(n);
  return 0;
}

}  // namespace

float getPmax() { return readState.Pmax; }

void readModuleReset() { readState = ReadModule{}; }

int configKeysRead() { return static_cast<int>(readState.keysSet.size()); }

bool configKeySet(const char* key) {
  for (const std::string& k : readState.keysSet)
    if (k == key) return true;
  return false;
}

int readConfig(const char* inpName, KorimInfo* korimInfo) {
  readState.keysSet.clear();
  FilePtr fp;
  if (const int st = openInput(inpName, "readConfig", nullptr, &fp); st >= 0) return st;
  char line[kLineLen];
  GridInfo& grid = korimInfo->gridInfo;
  std::map<std::string_view, KeyLine> linesOfKeys;  // the last line that set each key
  // The line that set the clash distance, judged once the clash switch is known.
  int clashLine = 0;
  std::string clashText, clashWord;
  for (int lineNo = 1; readLine(line, kLineLen, fp.get()) != nullptr; lineNo++) {
    const char* starts[2] = {};
    int lengths[2] = {};
    if (foundation::tokenSpans(line, starts, lengths, 2) < 2) {
      foundation::lineRefusal("KORIM", inpName, lineNo, line, std::string("holds no key and value") + kConfigLine);
      return 1;
    }
    const std::string_view word(starts[0], static_cast<size_t>(lengths[0]));
    const std::string_view value(starts[1], static_cast<size_t>(lengths[1]));
    const ConfigKey* key = findConfigKey(word);
    // A key mistyped would leave its setting at the default without a word.
    if (key == nullptr) {
      foundation::lineRefusal("KORIM", inpName, lineNo, line,
                              "names " + foundation::shownLine(std::string(word).c_str()) +
                                  ", which is no key of the configuration (docs/formats.md, section "
                                  "\"Configuration file\", lists the keys)");
      return 1;
    }
    readState.keysSet.push_back(key->key);
    foundation::NumberWord got{};
    if (!storeValue(*key, value, grid, &got)) {
      foundation::lineRefusal("KORIM", inpName, lineNo, line,
                              "gives " + std::string(word) + " the value " +
                                  foundation::shownLine(std::string(value).c_str()) + ", where it takes " +
                                  takesText(*key, got));
      return 1;
    }
    // Words after the value are a comment, but not a number: "1 5" is no 1.
    if (const std::string next = foundation::numberAfterValues(line, 2); !next.empty()) {
      foundation::lineRefusal("KORIM", inpName, lineNo, line,
                              "gives " + std::string(word) + " " + foundation::numberAfterValueText(value, next));
      return 1;
    }
    // A key given again keeps its last value, which the user is told: the first may be the one meant.
    const auto [earlier, isNew] = linesOfKeys.try_emplace(key->key, KeyLine{lineNo, foundation::shownLine(line)});
    if (!isNew) {
      std::fprintf(stderr,
                   "korim: configuration %s sets %s in line %d (\"%s\") and again in line %d (\"%s\"); the value "
                   "of line %d is used.\n",
                   inpName, key->key, earlier->second.lineNo, earlier->second.text.c_str(), lineNo,
                   foundation::shownLine(line).c_str(), lineNo);
      earlier->second = KeyLine{lineNo, foundation::shownLine(line)};
    }
    if (key->takes == Takes::clashDistance) {
      clashLine = lineNo;
      clashText = line;
      clashWord = value;
    }
  }
  if (readFailed(fp.get(), "readConfig", inpName)) return 1;
  // A distance of 0 or below finds no clash, so the check would pass every state unseen.
  if (clashLine > 0 && grid.clashFlag != 0 && !(grid.clashDist > 0.0f)) {
    foundation::lineRefusal("KORIM", inpName, clashLine, clashText.c_str(),
                            "gives CLASH_DISTANCE: the value " + foundation::shownLine(clashWord.c_str()) +
                                ", where it takes a distance in A above 0 while the clash check is on "
                                "(ENSEMBLE_CLASH: 0 turns it off)");
    return 1;
  }
  return 0;
}

int readPotential(const char* potName, KorimInfo* /*korimInfo*/, int* digPotential,
                  double* potential, double* offset, double* stepsize) {
  for (int k = 1; k <= kPotentialClear; k++) potential[k] = 0.0;
  simulation::setPotentialSource(simulation::PotentialFile::rodTable, {});
  FilePtr fp;
  if (const int st = openInput(potName, "readPotential", digPotential, &fp); st >= 0) return st;
  char line[kLineLen];
  int rows = 0;
  double previous = 0.0;
  simulation::ValueLines lines(potName);  // row n is line n: every line is a row
  while (readLine(line, kLineLen, fp.get()) != nullptr) {
    double v[2] = {0.0, 0.0};
    if (std::sscanf(line, "%lf %lf", &v[0], &v[1]) != 2) {
      foundation::lineRefusal("readPotential", potName, rows + 1, line,
                              std::string("does not start with two numbers") + kPotentialLine);
      return 1;
    }
    if (refuseBadNumbers("readPotential", potName, rows + 1, line, 2, v, kPotentialLine)) return 1;
    // Words after the two numbers are a comment, but not a number: "0.2 -1 67719e+00" is no -1.
    if (const std::string split = foundation::numberAfterLineValues(line, 2); !split.empty()) {
      foundation::lineRefusal("readPotential", potName, rows + 1, line, "holds " + split + kPotentialLine);
      return 1;
    }
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
    lines.add(rows, 1);
    previous = distance;
  }
  if (readFailed(fp.get(), "readPotential", potName)) return 1;
  if (rows > 0) {
    // The file gives distances in nm; the models work in Angstrom.
    *offset *= 10.0;
    *stepsize *= 10.0;
  }
  *digPotential = rows;
  simulation::setPotentialSource(simulation::PotentialFile::rodTable, std::move(lines));
  return 0;
}

int read3DPotential(const char* pot3DName, KorimInfo* korimInfo, int* count, double* pot3D) {
  simulation::ValueLines lines(pot3DName != nullptr ? pot3DName : "");
  const int rc = read3DGrid(pot3DName, korimInfo, count, &lines, [pot3D](int i, double v) { pot3D[i] = v; });
  simulation::setPotentialSource(simulation::PotentialFile::grid, rc == 0 ? lines : simulation::ValueLines());
  return rc;
}

int read3DPotSteric(const char* pot3DName, KorimInfo* korimInfo, int* count, float* pot3Dst) {
  const double maxPot = korimInfo->elInfo.maxPot;
  simulation::ValueLines lines(pot3DName != nullptr ? pot3DName : "");
  const int rc = read3DGrid(pot3DName, korimInfo, count, &lines, [pot3Dst, maxPot](int i, double v) {
    pot3Dst[i] = std::fabs(v) < maxPot ? 1.0f : 0.0f;
  });
  // The steric model names the file where every point blocks.
  simulation::setPotentialSource(simulation::PotentialFile::grid, rc == 0 ? lines : simulation::ValueLines());
  return rc;
}

}  // namespace korim::app
