// J-coupling restraint table: three-bond couplings of atoms I, J, K, L through a Karplus relation.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// One J-coupling restraint term (couplings in Hz, phases in degrees).
struct JInfo {
    int id, count;
    int absFlag;  // non-zero: magnitudes are compared (column ABS, truncated)
    int valid;
    int resIDI, resIDJ, resIDK, resIDL;  // -666666: not set
    char resNameI[16], resNameJ[16], resNameK[16], resNameL[16];
    char atomNameI[16], atomNameJ[16], atomNameK[16], atomNameL[16];
    char chainNameI[16], chainNameJ[16], chainNameK[16], chainNameL[16];
    char segNameI[16], segNameJ[16], segNameK[16], segNameL[16];
    float a, b, c, phase;      // Karplus coefficients and phase
    float da, db, dc, dphase;  // their uncertainties, kept with the record
    float currentJ;            // coupling of the current structure
    float obsJ;                // observed (OBSJ, else J)
    float diffJ;               // deviation, written by the energy term
    float fc, w, s;
    structure::AtomInfo *atomI, *atomJ, *atomK, *atomL;
    char *auxInfoI, *auxInfoJ, *auxInfoK, *auxInfoL;
};

// A J-coupling table (type 7 once read) with its index cursor.
struct JTable {
    int type;
    JInfo* jList;
    JInfo** idList;
    int minID, maxID;
    int jCount;
    int tallyCount, maxTallyCount;
    int currentID;
    int nullChainName, nullSegName;
};

int jcoupNull(JInfo* jList, int dCount);
int jTabNull(JTable* jTab);
int jcoupTallyID(JTable* jTab, int id);
int mapJInfo(structure::PDBInfo* pdbInfo, JTable* jTab);
// Every record valid, then not valid when resIDJ or resIDK is below segFirst or resIDJ or resIDL
// above segLast (resIDI is not tested); the number valid.
int selectJ(JInfo* jList, int jCount, int segFirst, int segLast);
// Deviation obsJ - currentJ, or |obsJ| - |currentJ| with absFlag.
int getStatJ(JTable* jTab, float* rSumD, float* pSumD, int* nD);
// Reads a J-coupling table (INDEX, atoms _I.._L, ABS, A, B, C, PHASE, DA, DB, DC, DPHASE, OBSJ
// or J, FC, S, W). 0, or non-zero on failure.
int readJcoup(const char* inName, JTable* jTab);
// Writes the valid records; the J column of the short form holds the current coupling.
// A file that cannot be opened is reported and the table goes to the standard output instead. 0.
int writeJCoup(const char* outName, JTable* jTab, const char* remark, int verbose);

}  // namespace korim::restraints
