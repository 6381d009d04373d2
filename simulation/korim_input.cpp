// Readers of the simulation's own inputs: ensemble orientations and free-format coordinates.
#include "simulation/korim_input.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/inputfile.h"
#include "foundation/numberword.h"
#include "foundation/textstream.h"
#include "foundation/valuecomment.h"
#include "structure/pdb.h"

namespace korim::simulation {

using foundation::FilePtr;
using foundation::openInput;
using foundation::readFailed;

namespace {

constexpr int kLineLen = 256;  // line buffer of the ensemble reader

// What each line of a states file must hold, for the messages that refuse one.
constexpr const char* kStateLine =
    " (each line of a states file holds the three angles alpha, beta, gamma of one state, in degrees)";

// ---- free-format words ----

constexpr std::size_t kWordMax = 255;  // longer words are marked as too long

// Whitespace-separated words of a file, with the line each word starts on.
struct WordReader {
  std::FILE* fp;
  int line = 1;

  // Next word into word; false at the end of the file. *tooLong is set when the word had more
  // than kWordMax characters (only the first kWordMax are kept).
  bool next(std::string& word, int* wordLine, bool* tooLong) {
    word.clear();
    *tooLong = false;
    int c;
    while ((c = std::getc(fp)) != EOF && std::isspace(static_cast<unsigned char>(c))) {
      if (c == '\n') line++;
    }
    if (c == EOF) return false;
    *wordLine = line;
    do {
      if (word.size() < kWordMax) {
        word.push_back(static_cast<char>(c));
      } else {
        *tooLong = true;
      }
    } while ((c = std::getc(fp)) != EOF && !std::isspace(static_cast<unsigned char>(c)));
    if (c == '\n') line++;
    return true;
  }
};

// Whole words by the number rule of every reader: an int, and a finite float coordinate.
bool wordToInt(const std::string& w, int* out) {
  return foundation::integerWord(w, out) == foundation::NumberWord::number;
}

bool wordToCoord(const std::string& w, double* out) {
  float v = 0.0f;
  if (foundation::realWord(w, &v) != foundation::NumberWord::number) return false;
  *out = v;
  return true;
}

constexpr std::size_t kFreeNameMax = 15;  // atom and residue names are 16-byte fields

// What an ATOM record of a free-format file must hold, for the message that refuses one.
constexpr const char* kFreeRecord =
    "starts a malformed ATOM record (ATOM, then atom number, atom name, residue name, residue number, x, y, z: "
    "whole numbers, names of at most 15 characters, finite coordinates)";

// How the first record of a free-format file ends: the numbers after z that every record holds.
struct FirstRecord {
  int line = 0;
  int numbersAfter = 0;
};

constexpr const char* kFreeSplit =
    " (one number split by a space? words after z, such as occupancy and B-factor, are skipped, but every record "
    "of a file holds as many numbers there)";

// A record as its words were read, for a refusal: a record may span lines, and end early.
std::string recordWords(const std::string (&field)[7]) {
  std::string record = "ATOM";
  for (const std::string& f : field) record += f.empty() ? "" : " " + f;
  return record;
}

std::string numbersText(int n) {
  return n == 0 ? "none" : n == 1 ? "1 number" : std::to_string(n) + " numbers";
}

}  // namespace

int readEnsemble(const char* inEName, int* n, double* alphaEnsemble, double* betaEnsemble,
                 double* gammaEnsemble) {
  FilePtr fp;
  if (const int st = openInput(inEName, "readEnsemble", n, &fp); st >= 0) return st;
  char line[kLineLen];
  int rows = 0;
  while (foundation::readLine(line, kLineLen, fp.get()) != nullptr) {
    double a = 0.0;
    double b = 0.0;
    double g = 0.0;
    if (std::sscanf(line, "%lf %lf %lf", &a, &b, &g) != 3) {
      foundation::lineRefusal("readEnsemble", inEName, rows + 1, line,
                              std::string("does not start with three numbers") + kStateLine);
      return 1;
    }
    // sscanf takes "nan" and "inf": such an angle would turn every state average into nan.
    // And "0,5" as 0, "90abc" as 90.
    if (const double read[3] = {a, b, g}; !foundation::firstBadNumber(line, 3, read).empty()) {
      foundation::lineRefusal("readEnsemble", inEName, rows + 1, line,
                              std::string("holds an angle that is not a finite number") + kStateLine);
      return 1;
    }
    // Words after the three angles are a comment, but not a number: "10 20 3 5" is no 3.
    if (const std::string split = foundation::numberAfterLineValues(line, 3); !split.empty()) {
      foundation::lineRefusal("readEnsemble", inEName, rows + 1, line, "holds " + split + kStateLine);
      return 1;
    }
    if (rows >= kEnsembleMaxRows) {
      foundation::lineRefusal("readEnsemble", inEName, rows + 1, line,
                              "is one state more than the " + std::to_string(kEnsembleMaxRows) +
                                  " a states file may hold");
      return 1;
    }
    rows++;
    alphaEnsemble[rows] = a;
    betaEnsemble[rows] = b;
    gammaEnsemble[rows] = g;
  }
  if (readFailed(fp.get(), "readEnsemble", inEName)) return 1;
  // An empty file would read as no file, and the run would average the configuration's states.
  if (rows == 0) {
    foundation::emptyFileRefusal("readEnsemble", inEName, "state", kStateLine);
    return 1;
  }
  *n = rows;
  return 0;
}

int readPDBfree(const char* inName, int* atomCount, double* xI, double* yI, double* zI) {
  FilePtr fp;
  if (const int st = openInput(inName, "readPDBfree", atomCount, &fp); st >= 0) return st;
  WordReader words{fp.get()};
  std::string word;
  int wordLine = 0;
  bool tooLong = false;
  // Skip to the first record.
  bool found = false;
  while (words.next(word, &wordLine, &tooLong)) {
    if (!tooLong && word == "ATOM") {
      found = true;
      break;
    }
  }
  if (readFailed(fp.get(), "readPDBfree", inName)) return 1;
  if (!found) {
    std::fprintf(stderr, "readPDBfree Error: no ATOM record in %s.\n", inName);
    return 1;
  }
  int count = 0;
  FirstRecord first;
  bool ended = false;
  while (!ended) {
    // Refused before it is stored: the caller's arrays end at entry kFreeAtomMax.
    const int recordLine = wordLine;
    if (count >= kFreeAtomMax) {
      std::fprintf(stderr,
                   "readPDBfree Error: line %d of %s holds ATOM record %d, one more than the %d atoms a "
                   "free-format file may hold.\n",
                   recordLine, inName, count + 1, kFreeAtomMax);
      return 1;
    }
    std::string field[7];
    bool ok = true;
    for (int f = 0; f < 7 && ok; f++) {
      ok = words.next(field[f], &wordLine, &tooLong) && !tooLong;
    }
    int serial = 0;
    int resID = 0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    ok = ok && wordToInt(field[0], &serial) && field[1].size() <= kFreeNameMax &&
         field[2].size() <= kFreeNameMax && wordToInt(field[3], &resID) &&
         wordToCoord(field[4], &x) && wordToCoord(field[5], &y) && wordToCoord(field[6], &z);
    const int zLine = wordLine;  // the line the record's z coordinate stands on
    if (!ok) {
      if (readFailed(fp.get(), "readPDBfree", inName)) return 1;
      foundation::lineRefusal("readPDBfree", inName, recordLine, recordWords(field).c_str(), kFreeRecord);
      return 1;
    }
    // A coordinate no structure holds (1e30) would end the model in a medium "too dense".
    for (int c = 0; c < 3; c++) {
      const double v = c == 0 ? x : c == 1 ? y : z;
      if (structure::coordinateFits(v)) continue;
      foundation::lineRefusal("readPDBfree", inName, recordLine, recordWords(field).c_str(),
                              "holds the " + std::string(1, static_cast<char>('x' + c)) + " coordinate " +
                                  field[4 + c] + ", outside " + structure::kCoordinateRange);
      return 1;
    }
    count++;
    xI[count] = x;
    yI[count] = y;
    zI[count] = z;
    // Skip to the next record or to the end of the atoms, counting the numbers that follow z on
    // its line (occupancy, B-factor, ...).
    bool more = false;
    std::string after;  // those numbers, each after a blank
    int numbersAfter = 0;
    bool counting = true;
    while (words.next(word, &wordLine, &tooLong)) {
      if (tooLong) continue;
      if (word == "ATOM") {
        more = true;
        break;
      }
      if (word == "END") break;
      float number = 0.0f;
      counting = counting && wordLine == zLine &&
                 foundation::realWord(word, &number) != foundation::NumberWord::notNumber;
      if (counting) {
        numbersAfter++;
        after += " " + word;
      }
    }
    if (readFailed(fp.get(), "readPDBfree", inName)) return 1;
    // A file's records hold alike many numbers after z; one more than its first record holds is a
    // number split by a space ("8 833" for 8.833), which would shift the record's coordinates.
    if (count == 1) {
      first = FirstRecord{recordLine, numbersAfter};
    } else if (numbersAfter > first.numbersAfter) {
      foundation::lineRefusal("readPDBfree", inName, recordLine, (recordWords(field) + after).c_str(),
                              "holds an ATOM record with " + numbersText(numbersAfter) + " after its z coordinate, "
                              "where the first record (line " + std::to_string(first.line) + ") holds " +
                              numbersText(first.numbersAfter) + kFreeSplit);
      return 1;
    }
    ended = !more;  // "END" or the end of the file
  }
  *atomCount = count;
  return 0;
}

}  // namespace korim::simulation
