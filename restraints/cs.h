// Chemical-shift tables of the restraint library: the table, shift and paramagnetic-centre records, their defaults and release.
#pragma once

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

// Releases the sequence (with its names), the shift list, the centre list and the work space
// (tag "cs", the byte counts they were allocated with) and empties the table as csTabNull does.
// A null table is accepted. Returns 0.
int csTabFree(CSTable* csTab);

}  // namespace korim::restraints
