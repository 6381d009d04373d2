// Command-line options of korim: the driver's destinations for file names and small arrays,
// and the option reader getparams.
#ifndef KORIM_APP_KORIM_UTILS_H
#define KORIM_APP_KORIM_UTILS_H

#include <span>

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::app {

constexpr int kNameLen = 256;      // every file-name buffer; values hold at most 255 characters
constexpr int kFixResMax = 800;    // capacity of fixResList
constexpr int kMaxOrientDots = 40001;  // orientation-dot arrays of the run

// Destinations of the option reader that are not settings: main's file-name buffers and the
// small arrays of the analysis modes. main owns one of these per run; korimParamsNull stores
// main's defaults.
struct KorimParams {
  char inpName[kNameLen];       // configuration file (-inp)
  char potName[kNameLen];       // 1-D potential (-pot)
  char pot3DName[kNameLen];     // 3-D potential (-pot3D)
  char pkaName[kNameLen];       // pKa values (-pka)
  char inEName[kNameLen];       // ensemble input (-inE)
  char flexName[kNameLen];      // ensemble alignment (-flex)
  char oDcEName[kNameLen];      // ensemble alignment (-dcEns)
  char pdbFName[kNameLen];      // free-format coordinates (-pdbF)
  char pRotName[kNameLen];      // rotated or perturbed structure (-pdbRot)
  char outEName[kNameLen];      // ensemble output (-outE)
  char outEAxName[kNameLen];    // ensemble axis output (-outEAx)
  char aveName[kNameLen];       // average coupling table (-ave)
  char inDName[kNameLen];       // coupling table input (-in, -inD)
  char inCSName[kNameLen];      // accepted, unused (-inCS)
  char outDName[kNameLen];      // result output (-out, -outD)
  char outCSName[kNameLen];     // accepted, unused (-outCS)
  char outSName[kNameLen];      // accepted, unused (-outS)
  char outPkaName[kNameLen];    // charge listing (-outPka)
  char outDFailName[kNameLen];  // mapping-failure statistics (-outFail)
  char outScName[kNameLen];     // scoring statistics (-outSc)
  char outColName[kNameLen];    // flexible-molecule estimation (-outCol)
  char surfPath[kNameLen];      // unused; SURF_DIR, -sPath
  char atomNames[kNameLen];     // unused; -sList
  char resNames[kNameLen];      // unused; -rList
  char pdbList[kNameLen];       // unused; PDBH_LIST, -list
  char pdbPath[kNameLen];       // unused; PDBH_DIR, -path
  char pdbName[kNameLen];       // structure input (-pdb)
  char refName[kNameLen];       // accepted, unused (-ref)
  int fitFlag;                  // accepted, unused (-fit, -nofit)
  float* wList;                 // coupling weights (-w); tag "listArg", released by main
  int wCount;
  float csThresh;               // accepted, unused (-csThresh); main sets 2.0
  float validThresh;            // accepted, unused (-vcThresh); main sets 0.95
  int mapCount;                 // best fits of the error mappings and random searches (-map)
  char outDaName[kNameLen];     // error-mapping outputs (-outDa, -outMap, -outAng)
  char outMapName[kNameLen];
  char outAngName[kNameLen];
  double userSaupe1[5];         // Saupe vector (-inS1, -inS)
  double userSaupe2[5];         // Saupe vector (-inS2)
  char outAName[kNameLen];      // Saupe-matrix output (-outA)
  char outPName[kNameLen];      // structure-analysis output (-outP)
  char* remark;                 // the -rem word itself (not a copy), or null
  char atomNameS1[kNameLen];    // atom types of the couplings kept (-aD1, -aD2); "All"
  char atomNameS2[kNameLen];
  char inD1Name[kNameLen];      // the two coupling tables of -anDc
  char inD2Name[kNameLen];
  float hingeAxis[3];           // user hinge axis (-hinge); (0,0,0) when absent
  float twistAxis[3];           // user twist axis (-twist); (0,0,0) when absent
  int nFixAa;                   // entries used in fixResList (-fixRes)
  int fixResList[kFixResMax];   // peaks or residues with fixed assignment
};

// main's defaults: empty names, "All" atom types, thresholds 2.0 and 0.95, no weights, no
// remark, zero Saupe vectors and axes, no fixed residues. Returns 0.
int korimParamsNull(KorimParams* params);

// Reads the whole command line into the destinations (first occurrence of an option counts;
// the fixed reading order decides between options that write one field). Returns 0 when all
// options were read; 1 after printing the usage text (no arguments, or -help), after a counted
// option with the wrong number of values, or after refusing a value that would overflow a
// buffer, index past an array, divide by zero or never end a loop (message on stderr).
// The debug level -dbg goes to couplings::dbgFlag.
int getparams(int argc, char** argv, KorimParams* params, korim::couplings::DTensor* tensor,
              settings::KorimInfo* kInfo, korim::structure::PDBSelectInfo* sInfo,
              settings::DcInfo* dcInfo);

// A mode word: the mode it sets (a kMode... constant), the electrostatic flag it sets with it
// (-1: left as it is) and what the mode computes, as a run of it is named to the user.
struct ModeWord {
  const char* word;
  int mode;
  int elFlag;
  const char* name;
};

// The mode words in the order they are read: of several given, the last one in this order wins.
std::span<const ModeWord> modeWords();

// The option word of a mode (korimMode, a kMode... constant); "-stKorim" for any other value.
const char* modeWord(int korimMode);

// What a mode computes ("the best fit"); that of -stKorim for any other value.
const char* modeName(int korimMode);

// The option word of a best-fit variant (spreadMode, a kSpread... constant); "-single" for any
// other value.
const char* spreadWord(int spreadMode);

// Number of orientation dots the sphere module builds for a requested density (the smaller of
// the arc and dodecahedral spheres reaching it), or -1 when the density is below 3 or the
// sphere would hold more than maxDots dots.
int orientationDotCount(int density, int maxDots);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_UTILS_H
