// Command-line options of korim: every option read by one getter, in one fixed reading order.
//
// Reading rules: an option is an exact word anywhere on the command line and its first
// occurrence counts; a value option takes the next word whatever it is; list and counted
// options take the words up to the next option word ("-" followed by a digit or "." starts a
// number, not an option). Where two options write one field, the one read later wins, so the
// order of the statements below is part of the behaviour. A number must be one whole word of
// its type (int, or a finite float or double); values that are not, or that would overflow a
// buffer, index past an array, divide by zero or never end a loop are refused with a message
// and status 1.
#include "app/korim_utils.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string>

#include "app/korim_utils_output.h"
#include "couplings/writedc.h"
#include "fitting/histo.h"
#include "fitting/mapsimdc.h"
#include "fitting/strucnoise.h"
#include "foundation/advice.h"
#include "foundation/cmndargs.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "settings/da_window.h"

namespace korim::app {

using namespace korim::settings;

using namespace korim::foundation;
using korim::couplings::DTensor;
using korim::structure::PDBSelectInfo;

namespace {

void copyText(char* dest, const char* src) {
  std::strncpy(dest, src, kNameLen - 1);
  dest[kNameLen - 1] = '\0';
}

// Environment values go into buffers no step of the run reads; a value too long is ignored.
void envText(const char* var, char* dest) {
  const char* v = std::getenv(var);
  if (v != nullptr && std::strlen(v) < static_cast<size_t>(kNameLen)) copyText(dest, v);
}

// "nan", "inf" or "infinity" (of either sign): a word that names no finite number, as against a
// number beyond the range of its type.
bool notFiniteWord(const char* word) {
  errno = 0;
  const double v = std::strtod(word, nullptr);
  return std::isnan(v) || (std::isinf(v) && errno != ERANGE);
}

// True when a number word is not 0: a digit other than 0 before its exponent (decimal or hex).
bool nonZeroWord(const char* word) {
  const char* p = word + (word[0] == '+' || word[0] == '-' ? 1 : 0);
  const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  for (p += hex ? 2 : 0; *p != '\0'; p++) {
    const char c = *p;
    if ((!hex && (c == 'e' || c == 'E')) || (hex && (c == 'p' || c == 'P'))) break;
    if ((c >= '1' && c <= '9') || (hex && c != '0' && std::isxdigit(static_cast<unsigned char>(c)) != 0)) return true;
  }
  return false;
}

// A bound of a type's range as few digits show it, rounded inward (the value shown is held).
std::string shownBound(double bound, bool upper) {
  char s[32] = "";
  for (int digits = 5; digits <= 17; digits++) {
    std::snprintf(s, sizeof s, "%.*g", digits, bound);
    const double back = std::strtod(s, nullptr);
    if (upper ? back <= bound : back >= bound) break;
  }
  return s;
}

// Why a number beyond what a real option holds is refused: the type's range, both ends named.
template <typename T>
std::string heldRange() {
  const char* type = sizeof(T) == sizeof(float) ? "a single-precision number" : "a double-precision number";
  return std::string("lies outside what the option holds, ") + type + ": 0, or " +
         shownBound(std::numeric_limits<T>::min(), false) + " to " + shownBound(std::numeric_limits<T>::max(), true) +
         " in size, of either sign";
}

// The getters of the argument library, bound to one command line, with a checked layer: the
// library converts what it is given (a word that is not a number reads as 0), so every number is
// read here from its word, whole, into its type. Checked readers return false after printing
// why a value was refused; the caller then stops reading.
struct Reader {
  int argc;
  char** argv;
  // Set after a number was refused (not a number, or not one of its type); the reading goes on
  // (so every such option is named) and getparams then fails.
  mutable bool badNumber = false;

  bool present(const char* w) const { return flagLoc(argc, argv, w) != 0; }

  void flag(const char* w, int* dest, int value) const {
    if (present(w)) *dest = value;
  }

  // An empty word is shown as '' (as the shell takes it), so that the message shows the value.
  void refuseWord(const char* w, const char* word, const char* why) const {
    const char* shown = word != nullptr && word[0] != '\0' ? word : "''";
    std::fprintf(stderr, "KORIM Error: option %s value %s %s.\n", w, shown, why);
  }

  // word read whole as the type of *v (an int; a float or double that must be finite: "nan",
  // "inf" or a value beyond the type would carry through every result of the run). False after
  // naming w and word; *v is then unchanged.
  bool number(const char* w, const char* word, int* v) const {
    const int st = wordToInt(word, v);
    const char* why = st == 0 ? "must be an integer" : "must lie between -2147483648 and 2147483647";
    return st == 1 || refuseNumber(w, word, why);
  }
  bool number(const char* w, const char* word, float* v) const {
    float t = 0.0f;
    const int st = wordToFloat(word, &t);
    if (!real(w, word, st, t)) return false;
    *v = t;
    return true;
  }
  bool number(const char* w, const char* word, double* v) const {
    double t = 0.0;
    const int st = wordToDouble(word, &t);
    if (!real(w, word, st, t)) return false;
    *v = t;
    return true;
  }
  // Every real option is read here. A word the type cannot hold as written is refused naming the
  // type's range: beyond its largest value, or not 0 and nearer 0 than its least normal value
  // (which would read as 0 or keep a few bits, and then be named as a value not given).
  template <typename T>
  bool real(const char* w, const char* word, int st, T v) const {
    if (st == 0) return refuseNumber(w, word, "must be a number");
    if (st < 0 && notFiniteWord(word)) return refuseNumber(w, word, "must be a finite number");
    const T least = std::numeric_limits<T>::min();
    if (st == 1 && (v != T(0) ? std::fabs(v) >= least : !nonZeroWord(word))) return true;
    return refuseNumber(w, word, heldRange<T>().c_str());
  }
  bool refuseNumber(const char* w, const char* word, const char* why) const {
    refuseWord(w, word, why);
    badNumber = true;
    return false;
  }

  // The value of w into *dest: 0 when w is absent or last (dest left), 1 read, -1 refused.
  template <typename T>
  int read(const char* w, T* dest) const {
    char* word = nullptr;
    if (ptrArgD(argc, argv, w, &word) != 1 || word == nullptr) return 0;
    return number(w, word, dest) ? 1 : -1;
  }

  // The value word after w of another reader (the tensor and selection readers take their
  // numbers as they come): checked as a T, nothing stored.
  template <typename T>
  void checkWord(const char* w) const {
    const int loc = flagLoc(argc, argv, w);
    T v{};
    if (loc > 0 && loc + 1 < argc) number(w, argv[loc + 1], &v);
  }

  // The word after w, for messages ("" when w is absent or last).
  const char* valueWord(const char* w) const {
    int loc = flagLoc(argc, argv, w);
    return (loc > 0 && loc + 1 < argc && argv[loc + 1] != nullptr) ? argv[loc + 1] : "";
  }

  void refuse(const char* w, const char* why) const { refuseWord(w, valueWord(w), why); }

  // A text into a kNameLen buffer; a longer one is refused (by the argument library's message).
  bool text(const char* w, char* dest) const { return strArgD(argc, argv, w, dest, kNameLen) >= 0; }

  bool intInRange(const char* w, int* dest, int lo, int hi, const char* why) const {
    int v = *dest;
    const int st = read(w, &v);
    if (st < 0) return false;
    if (st == 0) return true;
    if (v < lo || v > hi) {
      refuse(w, why);
      return false;
    }
    *dest = v;
    return true;
  }

  // Steps, increments and spacings: a loop over them must advance, a division by them be defined.
  bool fltPositive(const char* w, float* dest) const {
    char* word = nullptr;
    if (ptrArgD(argc, argv, w, &word) != 1 || word == nullptr) return true;
    float v = 0.0f;
    if (!number(w, word, &v)) return false;
    if (!(v > 0.0f)) {
      refuse(w, "must be a positive number");
      return false;
    }
    *dest = v;
    return true;
  }

  // Exactly n numbers after w (each one of the type T, stored as the double its word reads as).
  // Returns 0 when w is absent, 1 when read, -1 after msg; a refused number marks the reading bad.
  template <typename T>
  int counted(const char* w, int n, double* out, const char* msg) const {
    int given = 0;
    char** words = ptrListArg(argc, argv, w, &given);
    if (words == nullptr) return 0;
    if (given != n) {
      std::fputs(msg, stderr);
      return -1;
    }
    for (int k = 0; k < n; k++) {
      const char* word = words[k];
      T v{};
      double d = 0.0;
      out[k] = number(w, word, &v) && wordToDouble(word, &d) == 1 ? d : 0.0;
    }
    return 1;
  }

  // An axis of exactly 3 numbers, (0, 0, 0) when w is absent; false after msg.
  bool axis(const char* w, float* dest, const char* msg) const {
    double v[3] = {0.0, 0.0, 0.0};
    if (counted<float>(w, 3, v, msg) < 0) return false;
    for (int i = 0; i < 3; i++) dest[i] = static_cast<float>(v[i]);
    return true;
  }

  // The words after w up to the next option word, from *first: their number, -1 when w is
  // absent, -2 after refusing more than cap of them.
  int listSpan(const char* w, int cap, int* first) const {
    int n = 0;
    char** words = ptrListArg(argc, argv, w, &n);
    if (words == nullptr) return -1;
    *first = static_cast<int>(words - argv);
    if (n > cap) {
      std::fprintf(stderr, "KORIM Error: option %s takes at most %d values, %d given.\n", w, cap, n);
      return -2;
    }
    return n;
  }

  // A list of integers into dest[0..cap-1]; result as listSpan.
  int intList(const char* w, int* dest, int cap) const {
    int first = 0;
    const int n = listSpan(w, cap, &first);
    for (int k = 0; k < n; k++) {
      dest[k] = 0;
      number(w, getNthArg(argc, argv, first + k), &dest[k]);
    }
    return n;
  }
};

// One option of a reading group: its word, how its value is read and where it goes.
enum class Kind {
  Flag,      // presence stores value
  Int,       // one int
  Float,     // one finite float
  Double,    // one finite double
  Text,      // a text of at most kNameLen - 1 characters
  Word,      // the value word itself (a pointer into the command line)
  IntRange,  // an int in [value, upper], else refused with why
  Positive,  // a finite float above 0, else refused
  Counted,   // exactly value numbers (doubles), else msg
  Floats,    // exactly value numbers, each a finite float (stored as doubles), else msg
  Axis,      // exactly 3 numbers into a float[3], (0, 0, 0) when absent, else msg
};

struct Option {
  const char* word;
  Kind kind;
  void* dest;
  int value = 0;
  int upper = INT_MAX;
  const char* msg = nullptr;  // IntRange: why refused; Counted, Axis: the count message
};

Option flag(const char* w, int* d, int v) { return {w, Kind::Flag, d, v}; }
Option num(const char* w, int* d) { return {w, Kind::Int, d}; }
Option num(const char* w, float* d) { return {w, Kind::Float, d}; }
Option num(const char* w, double* d) { return {w, Kind::Double, d}; }
Option text(const char* w, char* d) { return {w, Kind::Text, d}; }
Option word(const char* w, char** d) { return {w, Kind::Word, d}; }
Option atLeast1(const char* w, int* d) { return {w, Kind::IntRange, d, 1, INT_MAX, "must be at least 1"}; }
Option range(const char* w, int* d, int lo, int hi, const char* why) { return {w, Kind::IntRange, d, lo, hi, why}; }
Option positive(const char* w, float* d) { return {w, Kind::Positive, d}; }
Option counted(const char* w, double* d, int n, const char* msg) { return {w, Kind::Counted, d, n, INT_MAX, msg}; }
Option floats(const char* w, double* d, int n, const char* msg) { return {w, Kind::Floats, d, n, INT_MAX, msg}; }
Option axis(const char* w, float* d, const char* msg) { return {w, Kind::Axis, d, 3, INT_MAX, msg}; }

// Reads one option; false when its value was refused (after the message).
bool readOption(const Reader& r, const Option& o) {
  // A value option without its value (last on the line) was refused with the other command-line
  // words before the reading (refuseUnknownWords); here it reads as absent.
  switch (o.kind) {
    case Kind::Flag:
      r.flag(o.word, static_cast<int*>(o.dest), o.value);
      return true;
    case Kind::Int:  // a refused number marks the reading bad; the reading goes on
      r.read(o.word, static_cast<int*>(o.dest));
      return true;
    case Kind::Float:
      r.read(o.word, static_cast<float*>(o.dest));
      return true;
    case Kind::Double:
      r.read(o.word, static_cast<double*>(o.dest));
      return true;
    case Kind::Text:
      return r.text(o.word, static_cast<char*>(o.dest));
    case Kind::Word:
      ptrArgD(r.argc, r.argv, o.word, static_cast<char**>(o.dest));
      return true;
    case Kind::IntRange:
      return r.intInRange(o.word, static_cast<int*>(o.dest), o.value, o.upper, o.msg);
    case Kind::Positive:
      return r.fltPositive(o.word, static_cast<float*>(o.dest));
    case Kind::Counted:
      return r.counted<double>(o.word, o.value, static_cast<double*>(o.dest), o.msg) >= 0;
    case Kind::Floats:
      return r.counted<float>(o.word, o.value, static_cast<double*>(o.dest), o.msg) >= 0;
    case Kind::Axis:
      return r.axis(o.word, static_cast<float*>(o.dest), o.msg);
  }
  return true;
}

// Reads a group in its order; false at the first refused value.
bool readGroup(const Reader& r, std::initializer_list<Option> group) {
  for (const Option& o : group)
    if (!readOption(r, o)) return false;
  return true;
}

// Modes, in test order: the last one present in this order wins.
constexpr ModeWord kModes[] = {
    {"-stKorim", kModeSteric, 0, "the steric prediction"},
    {"-stKorimFree", kModeStericFree, 0, "the free-format steric prediction"},
    {"-stKorimGrid", kModeStericGrid, 0, "the two-domain ensemble"},
    {"-elKorim", kModeElectrostatic, 1, "the electrostatic prediction"},
    {"-elKorimFree", kModeElectrostaticFree, 1, "the charge set-up"},
    {"-elKorimGrid", kModeElectrostaticGrid, 1, "the charge set-up"},
    {"-bestFit", kModeBestFit, -1, "the best fit"},
    {"-csSim", kModeChemShift, -1, "the charge set-up"},
    {"-daHist", kModeDaHist, -1, "the Da and R histogram"},
    {"-daFlex", kModeDaFlex, -1, "the Da and R of a flexible molecule"},
    {"-daMl", kModeDaMl, -1, "the Da and R likelihood"},
    {"-asRan", kModeAsRan, -1, "the charge set-up"},
    {"-anA", kModeAnalyzeSaupe, -1, "the comparison of two order matrices"},
    {"-anDc", kModeAnalyzeDc, -1, "the arithmetic on two coupling tables"},
    {"-anPdb", kModeAnalyzePdb, -1, "the structure analysis"},
    {"-conv", kModeConvert, -1, "the conversion of a coupling table"},
    {"-struc", kModeStructNoise, -1, "the structural noise"},
};

void readModes(const Reader& r, KorimInfo* k) {
  k->korimMode = kModeSteric;
  for (const ModeWord& m : kModes) {
    if (!r.present(m.word)) continue;
    k->korimMode = m.mode;
    if (m.elFlag >= 0) k->elInfo.elFlag = m.elFlag;
    if (m.mode == kModeAnalyzeSaupe) k->c1 = 1.0f, k->opCode = kOpSub;
    if (m.mode == kModeAnalyzeDc) k->c1 = 0.0f, k->c2 = 1.0f, k->opCode = kOpAdd;
  }
}

// The tensor and selection readers take their numbers as they come: refuse the words that are
// not numbers of their type.
void checkOtherReaders(const Reader& r) {
  static const char* const tensorNumbers[] = {"-da",       "-daMin", "-daMax",    "-dr",
                                              "-drMin",    "-drMax", "-psi",      "-psiMin",
                                              "-psiMax",   "-theta", "-thetaMin", "-thetaMax",
                                              "-phi",      "-phiMin", "-phiMax"};
  for (const char* w : tensorNumbers) r.checkWord<float>(w);
  // The tensor reader has already refused a list that is not five numbers.
  static const char* const saupeLists[] = {"-saupe", "-align"};
  for (const char* w : saupeLists) {
    const int loc = flagLoc(r.argc, r.argv, w);
    float v = 0.0f;
    for (int i = loc + 1; loc > 0 && i < r.argc && i <= loc + 5; i++) r.number(w, r.argv[i], &v);
  }
  if (r.present("-pdb")) {
    r.checkWord<int>("-id");
  } else {
    // The selection reader does not run: -id is checked without marking it read, so that the final
    // check still names it as unused.
    for (int i = 1; i + 1 < r.argc; i++)
      if (r.argv[i] != nullptr && std::strcmp(r.argv[i], "-id") == 0) {
        int v = 0;
        r.number("-id", r.argv[i + 1], &v);
        break;
      }
  }
}

// -dbg: the value when a non-option word follows, else 1.
void readDebugLevel(const Reader& r) {
  char* word = nullptr;
  if (optArgD(r.argc, r.argv, "-dbg", &word) == 0) return;
  if (word == nullptr)
    couplings::dbgFlag = 1;
  else
    r.number("-dbg", word, &couplings::dbgFlag);
}

// -w: the weights up to the next option word; false when they could not be stored.
bool readWeights(const Reader& r, KorimParams* p) {
  int n = 0;
  float* list = rListArg(r.argc, r.argv, "-w", &n);
  if (n < 0) {
    std::fputs("KORIM Error: option -w could not store its weights.\n", stderr);
    p->wList = nullptr;
    p->wCount = 0;
    return false;
  }
  p->wList = list;
  p->wCount = (list != nullptr) ? n : 0;
  char** words = ptrListArg(r.argc, r.argv, "-w", &n);
  for (int i = 0; i < p->wCount; i++) r.number("-w", words[i], &list[i]);
  return true;
}

// -dot: a density whose sphere fits the orientation arrays.
bool readDotDensity(const Reader& r, KorimInfo* k) {
  int density = k->densityNSC;
  const int st = r.read("-dot", &density);
  if (st != 1) return st == 0;
  if (orientationDotCount(density, kMaxOrientDots) < 0) {
    r.refuse("-dot", "gives no sphere of 12 to 40001 orientations (densities 3 to 39692)");
    return false;
  }
  k->densityNSC = density;
  return true;
}

// The grid is held as one block of doubles whose byte count must fit an int.
bool gridFits(const KorimInfo* k) {
  // In double: three ints of up to 2^31 each overflow any integer product.
  const double points = static_cast<double>(k->grid3DnX) * k->grid3DnY * k->grid3DnZ;
  const long long maxPoints = INT_MAX / static_cast<long long>(sizeof(double));
  if (points <= static_cast<double>(maxPoints)) return true;
  std::fprintf(stderr, "KORIM Error: options -nX %d -nY %d -nZ %d give %.15g grid points, more than %lld.\n",
               k->grid3DnX, k->grid3DnY, k->grid3DnZ, points, maxPoints);
  return false;
}

// The assignment-search lists, read last; false after refusing too many values.
bool readAssignmentLists(const Reader& r, KorimParams* p, KorimInfo* k) {
  // The word of -nSel was read (and checked) with the histogram options.
  if (r.present("-nSel")) k->nSel = k->sCount;
  int n = r.intList("-fixAa", k->exCheckList, kExCheckMax);
  if (n == -2) return false;
  if (n >= 0) k->nAaCheck = n;
  n = r.intList("-fixRes", p->fixResList, kFixResMax);
  if (n == -2) return false;
  p->nFixAa = (n > 0) ? n : 0;
  int first = 0;
  n = r.listSpan("-dcID", kChainDcMax, &first);
  if (n == -2) return false;
  for (int i = 0; i < n; i++) {
    char* copy = strDup(getNthArg(r.argc, r.argv, first + i));
    if (copy == nullptr) return false;  // the allocator has said why
    k->chainDc[i] = copy;
  }
  if (n >= 0) k->nChainDc = (n > 0) ? n : 1;  // no word after -dcID: one empty identifier
  return true;
}

// The error estimates and the random assignment search draw -map trials: with none they would
// write a table of zeros (or of unassigned markers) as if something had been estimated. A run
// without -map is told how to give them.
bool trialsGiven(const Reader& r, const KorimInfo* k, int mapCount) {
  static const int kDrawing[] = {kSpreadJackknife, kSpreadMcCouplings, kSpreadMcStructure,
                                 kSpreadRandom};
  if (k->korimMode != kModeBestFit || mapCount >= 1) return true;
  for (const int spread : kDrawing)
    if (k->spreadMode == spread) {
      if (r.present("-map"))
        std::fprintf(stderr, "KORIM Error: option -map must give at least 1 trial for %s (got %d).\n",
                     spreadWord(spread), mapCount);
      else
        std::fprintf(stderr,
                     "KORIM Error: option -map must give at least 1 trial for %s; the run gives no -map "
                     "(-map 1000 draws 1000).\n",
                     spreadWord(spread));
      return false;
    }
  return true;
}

// Cone widths of the structural noise (-struc, -mcStruc) that its draws can sample: the width of
// -stdCone, and the start and step of the width search (-autoCone). A start of 0 (no noise) is the
// search's default. A width no draw can sample is refused in every mode, read or not.
bool conesSampled(const Reader& r, const KorimInfo* k) {
  const double floor = korim::fitting::kMinConeWidth;
  const float floorF = static_cast<float>(floor);  // the search's options are floats
  const char* narrow = "must be at least 0.01 degree (a narrower cone of tilts cannot be sampled)";
  const double widest = korim::fitting::kMaxConeWidth;
  if (r.present("-stdCone")) {
    if (!(k->coneWidth >= floor)) {
      r.refuse("-stdCone", narrow);
      return false;
    }
    if (!(k->coneWidth <= widest)) {
      char why[160];
      std::snprintf(why, sizeof why,
                    "must be at most %g degree (a wider cone tilts beyond the perpendicular, which adds no "
                    "disorder; a fixed tilt of 180 degrees adds none at all)",
                    widest);
      r.refuse("-stdCone", why);
      return false;
    }
  }
  if (r.present("-lCone") && k->nConeStart != 0.0f && !(k->nConeStart >= floorF)) {
    r.refuse("-lCone", "must be 0 or at least 0.01 degree (no negative width; a narrower cone of tilts cannot be sampled)");
    return false;
  }
  if (r.present("-incCone") && !(k->nConeInc >= floorF)) {
    r.refuse("-incCone", narrow);
    return false;
  }
  if (r.present("-lCone") && !(static_cast<double>(k->nConeStart) < widest)) {
    char why[96];
    std::snprintf(why, sizeof why,
                  "must lie below %g degree (the search measures cone widths below it only)", widest);
    r.refuse("-lCone", why);
    return false;
  }
  return true;
}

// Options whose value means something only within a range, each refused before any work in every
// mode, read or not (a value invalid in itself), the message naming the range and what the value
// is. Sizes, radii, lengths, volumes, masses, concentrations, temperatures, energy scales and
// counts are not negative (0 only where it means something: -kEne 0 turns the charges' energy
// off, -rA 0 makes the atoms points; -kPot divides the rod's table, so not 0); the pH lies from 0
// to 14; the salt, temperature and surface charge lie within those of real samples; order
// parameters and shares lie within their unit range, the medium's order above what the results
// carry; a factor the noise of -mcDc multiplies the error bars by is bounded,
// since its square leaves single precision. Bounds are closed unless marked open. Pairs of
// options that give the two ends of one range are checked in settings/da_window.
struct RangedOption {
  const char* word;
  double value;
  double lo;
  bool loOpen;
  double hi;
  bool hiOpen;
  const char* why;
};

bool inRange(const RangedOption& o) {
  return (o.loOpen ? o.value > o.lo : o.value >= o.lo) && (o.hiOpen ? o.value < o.hi : o.value <= o.hi);
}

// A fit degree (-nFit) other than 2 (Dzz and Dyy) or 3 (Dzz, Dyy and Dxx) fits nothing: -daHist
// says so and answers with the two-extreme estimate; -daFlex, whose runs score the Da and R their
// histograms fit, is refused before the runs. False after the refusal.
bool fitDegreeUsable(const Reader& r, const KorimInfo* k) {
  const int m = k->histInfo.modeFit;
  if (m == 2 || m == 3 || !r.present("-nFit")) return true;
  if (k->korimMode == kModeDaHist)
    std::fprintf(stderr,
                 "korim: -nFit %d is neither 2 (a fit to Dzz and Dyy) nor 3 (to Dzz, Dyy and Dxx): the histogram is "
                 "not fitted, and the two-extreme estimate stands as its Da and R.\n",
                 m);
  if (k->korimMode != kModeDaFlex) return true;
  r.refuse("-nFit", "must be 2 (a fit to Dzz and Dyy) or 3 (to Dzz, Dyy and Dxx) in -daFlex: its runs score the Da "
                    "and R their histograms fit, and another degree fits none");
  return false;
}

// The bin counts of the Da and R histograms.
constexpr const char* kBinCounts =
    "must be 0 (bins of twice the mean error) or 3 to 250 (one bin holds every coupling, and two are centred at "
    "the ends of the span, one of which is then the fullest; the histogram holds at most 250 bins)";

// A seed of the draws of -struc and -conv -dcNoise: the generators are seeded from a value at or
// below 0 only, and take a positive one as 1 (the default -1) or as its negative, so a positive
// seed is refused, naming the negative one that seeds ("-idum -7" for "-idum 7"). The negative of
// the largest one, -2147483647, draws as -1 does (as 0 and -2147483648 do): the seeds that draw
// their own are named instead.
bool seedSeeds(const Reader& r, const KorimInfo* k) {
  if (!r.present("-idum") || k->idum <= 0) return true;
  char why[224];
  if (k->idum == INT_MAX)
    std::snprintf(why, sizeof why,
                  "must be 0 or below: the draws are seeded from a value at or below 0 only, and -idum %d draws as "
                  "-1 does; -2 to %d seed draws of their own",
                  -k->idum, -(k->idum - 1));
  else
    std::snprintf(why, sizeof why,
                  "must be 0 or below: the draws are seeded from a value at or below 0 only, and -idum %d seeds them",
                  -k->idum);
  r.refuse("-idum", why);
  return false;
}

// The values of the lists -w (a weight per residue) and -fixAa (a count of peaks per group) are not
// negative: the weights are taken by their size, and no group holds fewer than no peak.
bool listsNotNegative(const Reader& r, const KorimParams* p, const KorimInfo* k) {
  const struct {
    const char* word;
    int count;
    const char* why;
  } lists[] = {{"-w", p->wCount, "must be 0 or more (a weight of a residue's couplings; 0 leaves them out)"},
               {"-fixAa", r.present("-fixAa") ? k->nAaCheck : 0, "must be 0 or more (a number of peaks)"}};
  for (const auto& l : lists) {
    int n = 0;
    char** words = ptrListArg(r.argc, r.argv, l.word, &n);
    for (int i = 0; i < l.count && i < n && words != nullptr; i++) {
      const double v = l.word[1] == 'w' ? static_cast<double>(p->wList[i]) : k->exCheckList[i];
      if (v >= 0.0) continue;
      r.refuseWord(l.word, words[i], l.why);
      return false;
    }
  }
  return true;
}

// The five elements of an order matrix given on the command line (-inS1, -inS2, -inS, -saupe,
// -align) are order parameters without unit: none exceeds 1 in size, whatever the run (an element
// of 1e30 answers a Da of 1e34 Hz). The words were checked as finite numbers before.
bool saupeElementsSane(const Reader& r) {
  for (const char* w : {"-inS1", "-inS2", "-inS", "-saupe", "-align"}) {
    int n = 0;
    char** words = ptrListArg(r.argc, r.argv, w, &n);
    for (int i = 0; i < n && i < 5 && words != nullptr; i++) {
      if (std::fabs(std::strtod(words[i], nullptr)) <= 1.0) continue;
      r.refuseWord(w, words[i], "must lie between -1 and 1 (an element of an order matrix, an order parameter "
                                "without unit)");
      return false;
    }
  }
  return true;
}

// The rim switch of the wall (-rim): the model takes the rim at 1 only, and the table names a rim
// for any other value than 0.
bool rimSwitch(const Reader& r, const KorimInfo* k) {
  if (!r.present("-rim") || k->includeRim == 0.0f || k->includeRim == 1.0f) return true;
  r.refuse("-rim", "must be 0 (no rim) or 1 (the rim of the bicelles)");
  return false;
}

// The salt, temperature and surface charge of the medium, beyond the bounds of real samples (see the
// constants): each message names the option's unit, and where the value given reads as a sample's
// in the unit most often typed in its place (mM, degrees Celsius) it advises the value in the
// option's unit. The texts live as long as the refusal that prints them.
struct MediumBounds {
  std::string salt, temperature, charge;
};

MediumBounds mediumBounds(const Reader& r) {
  MediumBounds b;
  char text[320];
  const double salt = std::strtod(r.valueWord("-nacl"), nullptr) / 1000.0;
  std::snprintf(text, sizeof text, "%g", salt);
  const std::string saltNote = salt > 0.0 && salt <= kMaxNaClMolar
                                   ? std::string("if ") + r.valueWord("-nacl") + " is mM, " +
                                         adviseOption("-nacl", text) + " gives it in mol/l"
                                   : std::string("150 mM is -nacl 0.15");
  std::snprintf(text, sizeof text,
                "must lie above 0 and at most %g (the NaCl concentration in mol/l: no NaCl solution holds more than "
                "about %g mol/l, a saturated one about 5.4 at 25 C; ",
                kMaxNaClMolar, kMaxNaClMolar);
  b.salt = text + saltNote + ")";
  const double kelvin = std::strtod(r.valueWord("-temp"), nullptr) + kCelsiusZeroKelvin;
  std::snprintf(text, sizeof text, "%g", kelvin);
  const std::string tempNote = kelvin >= kMinSampleKelvin && kelvin <= kMaxSampleKelvin
                                   ? std::string("if ") + r.valueWord("-temp") + " is degrees Celsius, " +
                                         adviseOption("-temp", text) + " gives it in K"
                                   : std::string("25 C is -temp 298.15");
  std::snprintf(text, sizeof text,
                "must lie from %g to %g (the temperature in K: no aqueous sample is liquid below about %g K or above "
                "about %g K; ",
                kMinSampleKelvin, kMaxSampleKelvin, kMinSampleKelvin, kMaxSampleKelvin);
  b.temperature = text + tempNote + ")";
  std::snprintf(text, sizeof text,
                "must lie from %g to %g (the surface charge density of the medium in e/nm2: a fully charged lipid "
                "surface carries about %g, Pf1 -0.47; a density in mC/m2 divided by %g gives it)",
                -kMaxSurfaceCharge, kMaxSurfaceCharge, kMaxSurfaceCharge, kSurfaceChargeMilliCoulomb);
  b.charge = text;
  return b;
}

bool estimateRanges(const Reader& r, const KorimInfo* k, int mapCount) {
  // A factor of 0 adds no noise and keeps no fit within its bars; a negative one means nothing.
  char factor[160];
  std::snprintf(factor, sizeof factor,
                "must lie above 0 and at most %g (a factor on the error bars of the couplings; noise of more error "
                "bars swamps every coupling)",
                korim::fitting::kMaxErrorFactor);
  char step[96];
  std::snprintf(step, sizeof step, "must lie above 0 and at most %g (the step of the error-bar factor)",
                korim::fitting::kMaxFactorStep);
  constexpr double kNoBound = HUGE_VAL;
  const char* threshold = "must be 0 or more (a factor on the mean error that sets how far the extreme couplings "
                          "are taken in from the ends of the span)";
  const char* scale = "must be 0 or more (a scale of the electrostatic energy; 0 turns its part off, and a negative "
                      "one turns the sign of the energy)";
  // With -nDfixed -dFrac is a count, checked below.
  const double share = k->mapFixCount == 0 ? k->mapFrac : 0.5;
  const settings::ElInfo& el = k->elInfo;
  const MediumBounds medium = mediumBounds(r);
  char order[320];
  std::snprintf(order, sizeof order,
                "must lie from %g to 1 (the order parameter of the liquid crystal; at 0 the medium has no order and "
                "aligns no molecule, and below %g the couplings it gives leave the range of the single-precision "
                "numbers they are computed in)",
                kLeastOrderParameter, kLeastOrderParameter);
  const RangedOption ranged[] = {
      {"-map", static_cast<double>(mapCount), 0.0, false, kNoBound, false, "must be 0 or more (a count of trials)"},
      {"-lcS", k->lcOrder, kLeastOrderParameter, false, 1.0, false, order},
      {"-wv", k->concentration, 0.0, true, kNoBound, false,
       "must lie above 0 (the medium's concentration as a fraction w/v, 0.05 for 5 %)"},
      {"-vol", k->volSample, 0.0, true, kNoBound, false, "must lie above 0 (the sample volume, microlitres)"},
      {"-mwLC", k->mwLC, 0.0, true, kNoBound, false,
       "must lie above 0 (the molecular weight of the liquid crystal, g/mol)"},
      {"-massLC", k->massLC, 0.0, true, kNoBound, false, "must lie above 0 (the mass of the liquid crystal, g)"},
      {"-unitLC", k->unitLengthLC, 0.0, true, kNoBound, false,
       "must lie above 0 (the height of a unit of the liquid crystal, Angstrom)"},
      {"-polyLC", k->polymerDeg, 0.0, true, kNoBound, false,
       "must lie above 0 (the number of units of a liquid-crystal particle)"},
      {"-rM", k->radiusModel, 0.0, false, kNoBound, false, "must be 0 or more (the medium's half thickness or "
                                                           "radius, Angstrom)"},
      {"-rA", k->radiusAtom, 0.0, false, kNoBound, false,
       "must be 0 or more (the atom radius, Angstrom; 0 takes the atoms as points)"},
      {"-lM", k->lengthModel, 0.0, true, kNoBound, false, "must lie above 0 (the length of the model, Angstrom)"},
      {"-rimDisc", k->orderDiscRim, 0.0, false, 1.0, false, "must lie from 0 to 1 (the order parameter of the rim)"},
      {"-pRatio", k->molarRatio, 0.0, true, kNoBound, false,
       "must lie above 0 (the bicelle's molar ratio of long- to short-chain lipid)"},
      {"-maxPot", el.maxPot, 0.0, true, kNoBound, false,
       "must lie above 0 (the largest size of potential used, kT/e; at 0 no position is used)"},
      {"-z1", static_cast<double>(el.z1), 0.0, false, kNoBound, false,
       "must be 0 or more (a z plane of the 3-D grid, 1 to -nZ)"},
      {"-zN", static_cast<double>(el.zN), 0.0, false, kNoBound, false,
       "must be 0 or more (a z plane of the 3-D grid, 1 to -nZ)"},
      {"-pH", el.pH, 0.0, false, 14.0, false, "must lie from 0 to 14 (the pH of the solution)"},
      {"-nacl", el.concNaCl, 0.0, true, kMaxNaClMolar, false, medium.salt.c_str()},
      {"-temp", el.temperaturePot, kMinSampleKelvin, false, kMaxSampleKelvin, false, medium.temperature.c_str()},
      {"-chSurf", el.chDensSurf, -kMaxSurfaceCharge, false, kMaxSurfaceCharge, false, medium.charge.c_str()},
      {"-dIFace", el.iFace, 0.0, false, kNoBound, false,
       "must be 0 or more (the distance of the interaction face from the surface, Angstrom)"},
      {"-cut", el.cutoffPot, 0.0, false, kNoBound, false,
       "must be 0 or more (the rod's potential cutoff, kT/e, or the wall's distance cutoff, Angstrom)"},
      {"-kEne", el.kEnergy, 0.0, false, kNoBound, false, scale},
      {"-kPot", el.kPot, 0.0, true, kNoBound, false,
       "must lie above 0 (the divisor of the rod's potential table, -pot; 0 would divide by zero; the wall and the 3-D "
       "grid do not use it)"},
      {"-kMono", el.kMonoCh, 0.0, false, kNoBound, false, scale},
      {"-kDipo", el.kDipoCh, 0.0, false, kNoBound, false, scale},
      {"-kQuad", el.kQuadCh, 0.0, false, kNoBound, false, scale},
      {"-kAtt", el.kAtt, 0.0, false, kNoBound, false, "must be 0 or more (a length, Angstrom)"},
      {"-fracAdjustMc", k->mcAdjustFrac, 0.0, true, 1.0, true,
       "must lie above 0 and below 1 (the share of the fits within their error bars)"},
      {"-kAdjustMc", k->kSigma, 0.0, true, korim::fitting::kMaxErrorFactor, false, factor},
      {"-kLAdjustMc", k->kLSigma, 0.0, true, korim::fitting::kMaxErrorFactor, false, factor},
      {"-incAdjustMc", k->incSigma, 0.0, true, korim::fitting::kMaxFactorStep, false, step},
      {"-nAdjustMc", static_cast<double>(k->nAdjustMc), 1.0, false, kNoBound, false, "must be at least 1"},
      {"-sdevDzz", k->histInfo.sdevDzz, 0.0, false, kNoBound, false, threshold},
      {"-sdevDyy", k->histInfo.sdevDyy, 0.0, false, kNoBound, false, threshold},
      {"-nSel", static_cast<double>(k->sCount), 0.0, false, kNoBound, false,
       "must be 0 or more (a count of residues or peaks)"},
      {"-nRun", static_cast<double>(k->histRan), 1.0, false, kNoBound, false, "must be at least 1 (a count of runs)"},
      {"-dFrac", share, 0.0, true, 1.0, true,
       "must lie above 0 and below 1 (the share of the couplings each jackknife trial keeps; -nDfixed makes it a "
       "count)"},
  };
  for (const RangedOption& o : ranged)
    if (r.present(o.word) && !inRange(o)) {
      r.refuse(o.word, o.why);
      return false;
    }
  // The Da and R windows (-daMl and the assignment searches refuse theirs before their work, with
  // their own failure line) and the bounds of -daFlex's fit.
  const bool search = k->korimMode == kModeBestFit && k->spreadMode >= kSpreadRandom;
  const bool windowChecked = k->korimMode == kModeDaMl || search;
  if ((!windowChecked && settings::checkDaRWindow(k->histInfo) != 0) || settings::checkDaRFitBounds(k->histInfo) != 0)
    return false;
  const float kept = k->mapFrac;
  if (r.present("-dFrac") && k->mapFixCount != 0 && !(kept >= 1.0f && kept == std::floor(kept))) {
    r.refuse("-dFrac", "must be a whole number of 1 or more with -nDfixed (the couplings each jackknife trial "
                       "keeps)");
    return false;
  }
  return true;
}

// A fit whose Da is held at 0 (-da 0 alone or with -dadr or -fixed; -daMin 0 -daMax 0): in the
// usual form (|Dr| at most 2/3 |Da|) a tensor of Da 0 is zero, with no orientation to fit, and the
// Dr held with it (-dr, 1e-4 unless given) makes it a tensor of another Da, which the report would
// name as the answer.
bool heldDaNotZero(const Reader& r, const KorimInfo* k, const DTensor* t) {
  const int m = t->tensorMode;
  const bool heldDa = m == korim::couplings::kTensorNoFixed || m == korim::couplings::kTensorDaDr ||
                      m == korim::couplings::kTensorFixed;
  if (k->korimMode != kModeBestFit || !heldDa || t->daMin != 0.0f || t->daMax != 0.0f) return true;
  const char* why = "a tensor of Da 0 is zero in the usual form (|Dr| at most 2/3 |Da|), with no orientation to "
                    "fit, and with the Dr held beside it (-dr) it is a tensor of another Da, which the report would "
                    "name; hold Da at a value other than 0, or leave -da out for the SVD fit of the whole tensor";
  if (r.present("-daMin") || r.present("-daMax"))
    std::fprintf(stderr, "KORIM Error: options -daMin %g and -daMax %g hold the fitted tensor's Da at 0: %s.\n",
                 static_cast<double>(t->daMin), static_cast<double>(t->daMax), why);
  else
    r.refuse("-da", (std::string("holds the fitted tensor's Da at 0: ") + why).c_str());
  return false;
}

// Why a Da or Dr given as a number above 1 in size is no order parameter: ": Da is an order
// parameter without unit; an N-H Da in Hz divided by 21585.2 gives it (-12.8 Hz is -0.000593)".
// The value in unit is named where it may be meant (its word is at least 1 in size, and in unit
// it lies within [lo, hi]), with three digits, or more where three would read back outside.
std::string inUnitNote(const char* name, const char* word, float value, float lo, float hi) {
  std::string note = std::string(": ") + name + " is an order parameter without unit; an N-H " + name +
                     " in Hz divided by ";
  char factor[32];
  std::snprintf(factor, sizeof factor, "%g", korim::foundation::kDipolarNH);
  note += std::string(factor) + " gives it";
  const double perUnit = static_cast<double>(value) / korim::foundation::kDipolarNH;
  if (!(std::fabs(value) >= 1.0f) || perUnit < lo || perUnit > hi) return note;
  char inUnit[32];
  int digits = 2;
  float back = 0.0f;
  do {
    std::snprintf(inUnit, sizeof inUnit, "%.*g", ++digits, perUnit);
    back = std::strtof(inUnit, nullptr);
  } while ((back < lo || back > hi) && digits < 9);
  return note + " (" + word + " Hz is " + inUnit + ")";
}

// A Da or Dr, or a limit of one, of the tensor options.
struct OrderParameter {
  const char* word;
  float value;  // as the tensor reader stored it
  const char* name;
};

// A held value of the fit (-da or -dr, alone or with -dadr or -fixed); its limits as given or by
// default.
bool held(const KorimInfo* k, const DTensor* t) {
  const int m = t->tensorMode;
  return k->korimMode == kModeBestFit && (m == korim::couplings::kTensorDaDr || m == korim::couplings::kTensorFixed);
}

// A Da or Dr held by the fit (-da or -dr, alone or with -dadr or -fixed) must lie within its limits
// as given or by default (-daMin/-daMax, -drMin/-drMax), which the held value would otherwise
// replace: a Da given in Hz (the estimates print it so) is held as an order parameter thousands of
// times too large, and fits nothing. A start under -nofixed is not held; it starts at the middle of
// the limits. Judges -da (isDa) or -dr when given and limits that are in order; false after
// naming it.
bool heldWithinLimits(const Reader& r, const DTensor* t, bool isDa) {
  DTensor unset;
  korim::couplings::dTensorNull(&unset);
  const char* word = isDa ? "-da" : "-dr";
  const char* name = isDa ? "Da" : "Dr";
  const char* minWord = isDa ? "-daMin" : "-drMin";
  const char* maxWord = isDa ? "-daMax" : "-drMax";
  const float value = isDa ? t->da : t->dr;
  const float min = r.present(minWord) ? (isDa ? t->daMin : t->drMin) : (isDa ? unset.daMin : unset.drMin);
  const float max = r.present(maxWord) ? (isDa ? t->daMax : t->drMax) : (isDa ? unset.daMax : unset.drMax);
  if (!r.present(word) || min > max || (value >= min && value <= max)) return true;
  char why[320];
  std::snprintf(why, sizeof why, "lies outside the limits of %s, %s %g to %s %g", name, minWord,
                static_cast<double>(min), maxWord, static_cast<double>(max));
  std::string because = why;
  // A Dr above 1 in size is no order parameter either: named as a Da is.
  if (isDa || !(std::fabs(value) <= 1.0f)) because += inUnitNote(name, r.valueWord(word), value, min, max);
  r.refuse(word, because.c_str());
  return false;
}

// Da and Dr are order parameters without unit: none exceeds 1 in size, whatever the run (so -da,
// -dr and their limits above 1 are refused in every mode, each one named, with its value read as
// an N-H coupling in Hz, the likely slip); and the lower limit of each, and of each angle (-daMin,
// -drMin, -psiMin, ..., as given or by default) must not lie above the upper one. A held -da or -dr
// beside limits of sound size is judged against those limits instead (heldWithinLimits), in the
// same pass, so that every value refused is named in one run. False after the messages.
bool orderParametersSane(const Reader& r, const KorimInfo* k, const DTensor* t) {
  DTensor unset;
  korim::couplings::dTensorNull(&unset);
  const OrderParameter given[] = {{"-da", t->da, "Da"},       {"-dr", t->dr, "Dr"},
                                  {"-daMin", t->daMin, "Da"}, {"-daMax", t->daMax, "Da"},
                                  {"-drMin", t->drMin, "Dr"}, {"-drMax", t->drMax, "Dr"}};
  const auto tooLarge = [&](const OrderParameter& o) { return r.present(o.word) && !(std::fabs(o.value) <= 1.0f); };
  bool sane = true;
  for (size_t i = 0; i < std::size(given); i++) {
    const OrderParameter& o = given[i];
    // -da and -dr (the first two) held within limits of sound size are judged against those
    // limits (when in order; a reversed range is named below), each one named in this pass.
    const OrderParameter* limits = std::strcmp(o.name, "Da") == 0 ? &given[2] : &given[4];
    if (i < 2 && held(k, t) && !tooLarge(limits[0]) && !tooLarge(limits[1])) {
      if (!heldWithinLimits(r, t, i == 0)) sane = false;
      continue;
    }
    if (!tooLarge(o)) continue;
    const std::string why = "must lie between -1 and 1" + inUnitNote(o.name, r.valueWord(o.word), o.value, -1.0f, 1.0f);
    r.refuse(o.word, why.c_str());
    sane = false;
  }
  if (!sane) return false;
  // The angles' limits too: a fit within limits whose lower limit lies above its upper one never
  // leaves its start, which the report would name as the answer.
  const OrderParameter angles[] = {{"-psiMin", t->psiMin, "psi"},     {"-psiMax", t->psiMax, "psi"},
                                   {"-thetaMin", t->thetaMin, "theta"}, {"-thetaMax", t->thetaMax, "theta"},
                                   {"-phiMin", t->phiMin, "phi"},     {"-phiMax", t->phiMax, "phi"}};
  const struct {
    const OrderParameter &lo, &hi;
    float loUnset, hiUnset;
  } pairs[] = {{given[2], given[3], unset.daMin, unset.daMax},
               {given[4], given[5], unset.drMin, unset.drMax},
               {angles[0], angles[1], unset.psiMin, unset.psiMax},
               {angles[2], angles[3], unset.thetaMin, unset.thetaMax},
               {angles[4], angles[5], unset.phiMin, unset.phiMax}};
  for (const auto& p : pairs) {
    const bool loGiven = r.present(p.lo.word), hiGiven = r.present(p.hi.word);
    const float lo = loGiven ? p.lo.value : p.loUnset, hi = hiGiven ? p.hi.value : p.hiUnset;
    if ((!loGiven && !hiGiven) || lo <= hi) continue;
    // A limit not given is named with its default.
    const auto shown = [&](const OrderParameter& o, bool isGiven, float v) {
      char s[64];
      if (isGiven)
        std::snprintf(s, sizeof s, "%s %s", o.word, r.valueWord(o.word));
      else
        std::snprintf(s, sizeof s, "%s (%g by default)", o.word, static_cast<double>(v));
      return std::string(s);
    };
    std::fprintf(stderr,
                 "KORIM Error: options %s and %s give a reversed range of %s: its lower limit lies above its upper "
                 "one.\n",
                 shown(p.lo, loGiven, lo).c_str(), shown(p.hi, hiGiven, hi).c_str(), p.lo.name);
    sane = false;
  }
  return sane;
}


}  // namespace

std::span<const ModeWord> modeWords() { return kModes; }

const char* modeWord(int korimMode) {
  for (const ModeWord& m : kModes)
    if (m.mode == korimMode) return m.word;
  return kModes[0].word;
}

const char* modeName(int korimMode) {
  for (const ModeWord& m : kModes)
    if (m.mode == korimMode) return m.name;
  return kModes[0].name;
}

const char* spreadWord(int spreadMode) {
  static const char* const kWords[] = {"-single", "-jack",    "-mcDc",      "-mcStruc",
                                       "-rand",   "-exhaust", "-exhaustSel"};
  static_assert(std::size(kWords) == kSpreadExhaustSel + 1);
  return spreadMode >= 0 && spreadMode <= kSpreadExhaustSel ? kWords[spreadMode] : kWords[0];
}

int orientationDotCount(int density, int maxDots) {
  if (density < 3) return -1;
  // Smallest tessellation levels of the arc (10 t^2 + 2) and dodecahedral (30 t^2 + 2) spheres
  // reaching the density; the sphere module takes the one with fewer dots, on a tie the second.
  long long t1 = 1;
  while (10 * t1 * t1 + 2 < density) t1++;
  long long t2 = 1;
  while (30 * t2 * t2 + 2 < density) t2++;
  const long long arc = 10 * t1 * t1 + 2;
  const long long dod = 30 * t2 * t2 + 2;
  const long long dots = (arc < dod) ? arc : dod;
  return (dots > maxDots) ? -1 : static_cast<int>(dots);
}

int korimParamsNull(KorimParams* p) {
  std::memset(static_cast<void*>(p), 0, sizeof(KorimParams));
  copyText(p->atomNameS1, "All");
  copyText(p->atomNameS2, "All");
  p->csThresh = 2.0f;
  p->validThresh = 0.95f;
  p->wList = nullptr;
  p->remark = nullptr;
  return 0;
}

int getparams(int argc, char** argv, KorimParams* p, DTensor* tensor, KorimInfo* k, PDBSelectInfo* sInfo,
              DcInfo* dc) {
  const Reader r{argc, argv};
  ElInfo* el = &k->elInfo;
  HistInfo* hist = &k->histInfo;

  p->mapCount = 0;
  if (argc <= 1 || r.present("-help")) {
    printInfo();
    return 1;
  }
  readModes(r, k);

  // Read to no effect: nothing of the run looks at these buffers.
  envText("PDBH_DIR", p->pdbPath);
  envText("PDBH_LIST", p->pdbList);
  envText("SURF_DIR", p->surfPath);

  // Best fit, error estimation and assignment search.
  const bool fitRead = readGroup(r, {
      num("-idum", &k->idum), flag("-rand", &k->spreadMode, kSpreadRandom),
      flag("-exhaust", &k->spreadMode, kSpreadExhaustive), flag("-exhaustSel", &k->spreadMode, kSpreadExhaustSel),
      flag("-dcOpt", &k->dcSelOpt, 1), flag("-nodcOpt", &k->dcSelOpt, 0),
      flag("-single", &k->spreadMode, kSpreadSingle), flag("-jack", &k->spreadMode, kSpreadJackknife),
      flag("-mcDc", &k->spreadMode, kSpreadMcCouplings), flag("-mcStruc", &k->spreadMode, kSpreadMcStructure),
      num("-map", &p->mapCount), text("-outFail", p->outDFailName), num("-dFrac", &k->mapFrac),
      flag("-nDfixed", &k->mapFixCount, 1), flag("-nonDfixed", &k->mapFixCount, 0),
      flag("-vecNoise", &k->noiseMode, 1), flag("-angNoise", &k->noiseMode, 0),
      num("-stdCone", &k->coneWidth), flag("-fixCone", &k->coneFix, 1), flag("-nofixCone", &k->coneFix, 0),
      atLeast1("-digCone", &k->coneDig), flag("-autoCone", &k->nConeFlag, 1),
      flag("-noautoCone", &k->nConeFlag, 0), atLeast1("-nCone", &k->nConeAdjust), num("-lCone", &k->nConeStart),
      positive("-incCone", &k->nConeInc), flag("-autoMc", &k->mcAdjustFlag, 1),
      flag("-noautoMc", &k->mcAdjustFlag, 0), num("-nAdjustMc", &k->nAdjustMc),
      num("-fracAdjustMc", &k->mcAdjustFrac), num("-kAdjustMc", &k->kSigma), num("-kLAdjustMc", &k->kLSigma),
      positive("-incAdjustMc", &k->incSigma),
  });
  if (!fitRead) return 1;

  // Structure, tensor and output control. Without -pdb the selection options stay unread; a
  // selection the selection reader refuses (after its own message) ends the reading.
  if (r.present("-pdb") && korim::structure::getPDBSelectArgs(argc, argv, sInfo) != 0) return 1;
  // Without it, their numbers are checked all the same: a value invalid in itself is refused in every mode.
  if (!r.present("-pdb") && korim::structure::checkPDBSelectWords(argc, argv) != 0) return 1;
  if (korim::couplings::getDCTensorParams(argc, argv, tensor) != 0) return 1;
  k->eulerFlag = tensor->eulerFlag;
  checkOtherReaders(r);
  readDebugLevel(r);
  readGroup(r, {
      flag("-verb", &k->verbFlag, 1), flag("-noverb", &k->verbFlag, 0), flag("-qDa", &k->qFlag, 1),
      flag("-qRms", &k->qFlag, 0), flag("-qStd", &k->qFlag, 2), flag("-err", &k->mapMode, 1),
      flag("-noerr", &k->mapMode, 0),
  });
  if (!readWeights(r, p)) return 1;

  // Files and coupling range.
  const bool filesRead = readGroup(r, {
      text("-in", p->inDName), text("-inD", p->inDName), text("-out", p->outDName), text("-outD", p->outDName),
      text("-outPka", p->outPkaName), text("-pdb", p->pdbName), num("-dStep", &dc->segStep),
      num("-sStep", &dc->segStep), num("-d1", &dc->segFirst), num("-dN", &dc->segLast),
      num("-s1", &dc->segFirst), num("-sN", &dc->segLast), num("-sID", &dc->segID), num("-a1", &dc->aFirst),
      flag("-excl", &dc->excludeMode, 1), flag("-inc", &dc->excludeMode, 2),
      flag("-fixedDI", &k->allowFixedDI, 1), flag("-nofixedDI", &k->allowFixedDI, 0),
      word("-rem", &p->remark), flag("-yzInv", &k->yzFlag, 1), flag("-noyzInv", &k->yzFlag, 0),
      text("-inp", p->inpName), text("-outD", p->outDName), text("-outDa", p->outDaName),
      text("-outMap", p->outMapName), text("-outAng", p->outAngName), text("-pot", p->potName),
      text("-pot3D", p->pot3DName), text("-pka", p->pkaName), text("-inE", p->inEName),
      text("-outE", p->outEName), text("-flex", p->flexName), text("-dcEns", p->oDcEName),
      text("-ave", p->aveName), text("-pdbF", p->pdbFName), text("-pdbRot", p->pRotName),
      range("-rotID", &k->rotN, 0, 3, "must lie between 0 and 3"), text("-outEAx", p->outEAxName),
      text("-aD1", p->atomNameS1), text("-aD2", p->atomNameS2), text("-inD1", p->inD1Name),
      text("-inD2", p->inD2Name), text("-outD", p->outDName),
      // Accepted and consumed; no step of the run reads them.
      text("-inCS", p->inCSName), text("-outS", p->outSName), text("-outCS", p->outCSName),
      text("-ref", p->refName), text("-path", p->pdbPath), text("-list", p->pdbList),
      text("-sPath", p->surfPath), text("-sList", p->atomNames), text("-rList", p->resNames),
      num("-csThresh", &p->csThresh), num("-vcThresh", &p->validThresh), flag("-fit", &p->fitFlag, 1),
      flag("-nofit", &p->fitFlag, 0),
  });
  if (!filesRead) return 1;

  // Medium and simulation.
  if (r.present("-bic")) k->lcType = kLcWall, k->radiusModel = 20.0f;
  if (r.present("-pf1")) k->lcType = kLcRod, k->radiusModel = settings::kRodRadiusDefault;
  if (r.present("-3D")) k->lcType = kLc3D, k->radiusModel = 0.0f;
  const bool lcRead = readGroup(r, {
      num("-wv", &k->concentration), num("-vol", &k->volSample), num("-mwLC", &k->mwLC),
      num("-massLC", &k->massLC), num("-unitLC", &k->unitLengthLC), num("-polyLC", &k->polymerDeg),
  });
  if (!lcRead || !readDotDensity(r, k)) return 1;
  const bool gridRead = readGroup(r, {
      atLeast1("-digPsi", &k->digPsiNSC), positive("-dGrid", &k->gridSpacing),
      positive("-dX", &k->grid3DdeltaX), positive("-dY", &k->grid3DdeltaY), positive("-dZ", &k->grid3DdeltaZ),
      atLeast1("-nX", &k->grid3DnX), atLeast1("-nY", &k->grid3DnY), atLeast1("-nZ", &k->grid3DnZ),
  });
  if (!gridRead || !gridFits(k)) return 1;

  // Medium details, electrostatics and charges, table conversion.
  const bool mediumRead = readGroup(r, {
      num("-maxPot", &el->maxPot), num("-z1", &el->z1), num("-zN", &el->zN), num("-rM", &k->radiusModel),
      num("-lcS", &k->lcOrder), flag("-H", &k->Hflag, 1), flag("-noH", &k->Hflag, 0),
      flag("-surf", &k->surfFlag, 1), flag("-nosurf", &k->surfFlag, 0), num("-rA", &k->radiusAtom),
      num("-rim", &k->includeRim), num("-pRatio", &k->molarRatio), num("-lM", &k->lengthModel),
      num("-rimDisc", &k->orderDiscRim),
      num("-pH", &el->pH), num("-nacl", &el->concNaCl), num("-chSurf", &el->chDensSurf),
      num("-dIFace", &el->iFace),
      counted("-cut", &el->cutoffPot, 1, "MERIDO Error: -cut option requires 1 value only.\n"),
      flag("-elInfo", &el->chFlag, 1), flag("-noelInfo", &el->chFlag, 0), flag("-dipole", &el->dipoleFlag, 1),
      flag("-nodipole", &el->dipoleFlag, 0), flag("-chSel", &el->chSelFlag, 1),
      flag("-nochSel", &el->chSelFlag, 0), flag("-pkaDef", &el->pkaFlag, 1), flag("-nopkaDef", &el->pkaFlag, 0),
      flag("-charmm", &el->charmm, 1), flag("-charmm22", &el->charmm, 2), flag("-nocharmm", &el->charmm, 0),
      flag("-chTerm", &el->chTerminiFlag, 1), flag("-nochTerm", &el->chTerminiFlag, 0),
      num("-kEne", &el->kEnergy), num("-kPot", &el->kPot), num("-kMono", &el->kMonoCh),
      num("-kDipo", &el->kDipoCh), num("-kQuad", &el->kQuadCh), num("-temp", &el->temperaturePot),
      num("-kAtt", &el->kAtt), num("-pow", &el->pow),
      flag("-dcHH", &k->dcProton, 1), flag("-nodcHH", &k->dcProton, 0), flag("-scale", &k->normDc, 1),
      flag("-unscale", &k->normDc, 0), flag("-xplor", &k->outFormat, kFormatXplor),
      flag("-cns", &k->outFormat, kFormatCns), flag("-tbl", &k->outFormat, kFormatTbl),
      flag("-dyana", &k->outFormat, kFormatDyana), flag("-korim", &k->outFormat, kFormatKorim),
      flag("-rosetta", &k->outFormat, kFormatRosetta), flag("-dcNoise", &k->dcNoise, 1),
      num("-tensID", &k->dcID),
  });
  if (!mediumRead) return 1;
  // A -cut given is a distance for the wall (for the rod, a potential threshold).
  if (r.present("-cut")) el->cutoffDist = el->cutoffPot;

  // Order-matrix comparison, coupling arithmetic and structure analysis.
  const bool analysisRead = readGroup(r, {
      floats("-inS1", p->userSaupe1, 5, "MERIDO Error: -inS1 option requires 5 values.\n"),
      floats("-inS2", p->userSaupe2, 5, "MERIDO Error: -inS2 option requires 5 values.\n"),
      axis("-hinge", p->hingeAxis, "MERIDO Error: -hinge option requires 3 values.\n"),
      axis("-twist", p->twistAxis, "MERIDO Error: -twist option requires 3 values.\n"),
      text("-outA", p->outAName), flag("-add", &k->opCode, kOpAdd), flag("-sub", &k->opCode, kOpSub),
      flag("-mul", &k->opCode, kOpMul), flag("-div", &k->opCode, kOpDiv), flag("-max", &k->opCode, kOpMax),
      num("-c1", &k->c1), num("-c2", &k->c2), text("-outP", p->outPName),
      floats("-inS", p->userSaupe1, 5, "MERIDO Error: -inS option requires 5 values.\n"),
      flag("-user", &k->elPdbFlag, 2), flag("-ster", &k->elPdbFlag, 0),
  });
  if (!analysisRead) return 1;
  if (r.present("-el")) k->elPdbFlag = 1, el->elFlag = 1;

  // Da and R estimation.
  const bool histRead = readGroup(r, {
      flag("-noave", &hist->optExtrem, 0), flag("-ave", &hist->optExtrem, 1),
      range("-bin", &hist->nBinIn, 0, fitting::kMaxHistBins, kBinCounts), num("-nFit", &hist->modeFit),
      num("-sdevDzz", &hist->sdevDzz), num("-sdevDyy", &hist->sdevDyy), num("-daLo", &hist->daLo),
      num("-daHi", &hist->daHi), num("-rhLo", &hist->rhLo), num("-rhHi", &hist->rhHi),
      num("-nSel", &k->sCount), num("-nRun", &k->histRan), text("-outCol", p->outColName),
      text("-outSc", p->outScName), num("-lDa", &hist->lDaMl), num("-hDa", &hist->hDaMl),
      positive("-incDa", &hist->incDaMl), num("-lR", &hist->lRMl), num("-hR", &hist->hRMl),
      positive("-incR", &hist->incRMl), flag("-nomapMl", &hist->mlMap, 0), flag("-mapMl", &hist->mlMap, 1),
  });
  // One bin is the whole span: it is always the fullest and puts Dxx on the low extreme; two are
  // centred at the span's ends and put it on one of them.
  const bool fewBins = hist->nBinIn == 1 || hist->nBinIn == 2;
  if (histRead && fewBins) r.refuse("-bin", kBinCounts);
  if (!histRead || fewBins || !readAssignmentLists(r, p, k)) return 1;
  return (!fitDegreeUsable(r, k) || r.badNumber || !trialsGiven(r, k, p->mapCount) || !conesSampled(r, k) ||
          !estimateRanges(r, k, p->mapCount) || !seedSeeds(r, k) || !rimSwitch(r, k) || !listsNotNegative(r, p, k) ||
          !saupeElementsSane(r) ||
          !orderParametersSane(r, k, tensor) || !heldDaNotZero(r, k, tensor))
             ? 1
             : 0;
}

}  // namespace korim::app
