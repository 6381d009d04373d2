// Chemical-shift tables of the restraint library: the table, shift and paramagnetic-centre records, their defaults and release.
#pragma once

#include <cstdio>

#include "foundation/table.h"
#include "structure/pdb.h"

namespace korim::couplings {
struct DTensor;
}

namespace korim::restraints {

constexpr float kCsNoValue = 9999.0f;    // value written for a shift not set
constexpr float kCsValueMax = 900.0f;    // shifts, predictions and errors above mean "none"
constexpr int kCsNoResID = -666666;      // residue not set

// One observed chemical shift with its predictions (ppm).
struct CSInfo {
    int id;           // restraint index (column INDEX, else the row number)
    int count;        // 1 for a record read from a file
    int valid;        // 1: takes part in predictions and statistics
    int predictable;  // the nucleus can be predicted from phi/psi surfaces
    int resID;
    char resName[16];
    char atomName[16];
    char chainName[16];
    char segName[16];
    float w;          // weight
    float shift;      // observed
    float predShift;  // predicted
    float secShift;   // secondary shift from the phi/psi surface
    float rcShift;    // random-coil shift
    float sigma;      // uncertainty
    structure::AtomInfo* atom;
    CSInfo* partner;  // the other alpha proton of a glycine
    int fc;           // force-constant switch
    char auxInfo[16];
    structure::ResInfo* res;
    structure::PhiPsiSurface* surf;
    float gamma;      // nuclear factor
    float x, y, z;    // position of the nucleus, Angstrom
    int atomCount;
    structure::AtomInfo* atomList[structure::PDB_MAX_ATOM_LIST];
};

// One paramagnetic centre of a shift table.
struct PCSInfo {
    int valid;  // 1: the centre's atom was found in the structure
    int resID;
    char resName[16];
    char atomName[16];
    char chainName[16];
    char segName[16];
    float gamma;
    float x, y, z;
    float fc;
    structure::AtomInfo* atom;
    couplings::DTensor* dTensor;  // the fitted anisotropy tensor, owned by the centre
};

// One chemical-shift table.
struct CSTable {
    structure::SeqInfo* seqInfo;  // owned
    CSInfo* csList;               // owned, csCount records
    int csCount;
    int csMinRes, csMaxRes;
    int nullChainName;  // 1 while no shift names a chain
    int nullSegName;    // 1 while no shift names a segment
    int workSize;       // floats in work
    float* work;        // owned
    int pcsCount;
    int validCSCount;
    PCSInfo* pcsList;   // owned, pcsCount records
    int validPCSCount;
    int nullPCSChainName;
    int nullPCSSegName;
};

// Empty table: no lists, all counts and the residue range 0, the four name flags 1. Returns 0.
int csTabNull(CSTable* csTab);

// Gives count shift records their defaults (see CSInfo); nothing for count < 1. Returns 0.
int resetCS(CSInfo* csList, int count);

// Releases the sequence (with its names), the shift list, the centre list with the centres'
// tensors and the work space (tag "cs", the byte counts they were allocated with) and empties
// the table as csTabNull does. A null table is accepted. Returns 0.
int csTabFree(CSTable* csTab);

// 1 when the nucleus can be predicted from phi/psi surfaces: the atom name (upper-cased) is HA,
// CA, CB, C or N, or the residue name, exactly as passed, is "GLY" or "G" and the atom name
// begins with HA. Else 0.
int isPredCS(const char* resName, const char* atomName);

// Reads a shift table file (columns RESID RESNAME ATOMNAME CHAINNAME SEGNAME SHIFT INDEX SIGMA
// FC W, all optional; the sequence and paramagnetic centres from the header lines), pairs the
// glycine alpha protons, looks up random-coil shifts and chooses the shift surfaces of the loaded
// surface module. An empty name or "None" (any case) gives an empty table. Returns 0, or 1 (or
// the table reader's status) after a message on stderr; what was allocated stays in the table.
int readCS(const char* inName, CSTable* csTab);

// Writes the valid shifts with their predictions (empty name: standard output; a file that cannot
// be opened is reported and standard output used). verbose adds observed, random-coil shifts and
// differences. Nothing for a null or empty table. Returns 0.
int writeCS(const char* outName, CSTable* csTab, const char* remark, int verbose);

// Maps every shift to residue resID + aOff of the structure; a shift without residue becomes not
// valid (warned about when the structure module's warnings are on). Returns the number mapped.
int mapCSInfo(structure::PDBInfo* pdbInfo, CSTable* csTab, int aOff);

// Every shift valid unless its residue lies outside [segFirst, segLast] or it has no observed
// value (above 900). Returns the number left valid.
int selectCS(CSInfo* csList, int csCount, int segFirst, int segLast);

// Shift statistics (ppm) over the valid, predictable shifts with an observed value, of which
// those with a prediction and an uncertainty (sigma 0 counting as 1) contribute: rSumCS the RMS
// of shift - predShift, pSumCS the sum of (d/sigma)^2, wSumCS of (w d/sigma)^2, nCS their number.
// Returns the number of valid, predictable shifts with an observed value.
int getStatCS(const CSInfo* csList, int csCount, float* rSumCS, float* pSumCS, float* wSumCS,
              int* nCS);

// The statistics of getStatCS over every valid shift (predictableOnly 0) or over the
// predictable ones (1).
int shiftStats(const CSInfo* csList, int csCount, int predictableOnly, float* rSumCS, float* pSumCS, float* wSumCS,
               int* nCS);

// Output stream of the shift writers: merOpenOutput with the message "MERIDO Error opening
// output file %s" (the standard output for an empty name or a file that cannot be opened).
// Close it with merCloseOutput.
FILE* csOpenOutput(const char* outName);

// The column and format lines of a shift writer: the atom columns of the table, then the value
// columns and formats given (formats as printed, "%%" for each percent sign).
void csWriteColumns(FILE* out, const CSTable* csTab, const char* valueVars, const char* valueFormats);
// The atom columns of one row of a shift writer.
void csWriteAtom(FILE* out, const CSTable* csTab, CSInfo* cs);

// Text of the text cell of column col in a table row (empty for a null cell or another type).
const char* csCellText(const foundation::tabVar* varInfo, int col, const float* row);

}  // namespace korim::restraints
