// Torsion restraint table: the dihedral of atoms I, J, K, L held inside a window around a target.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// One torsion restraint term; records sharing an id form one restraint. Angles in degrees.
struct TorsionInfo {
    int id, count, valid, type;
    int status;  // written by the energy terms: 1 satisfied, -1 violated, 2 not used
    int resIDI, resIDJ, resIDK, resIDL;  // -666666: not set
    char resNameI[16], resNameJ[16], resNameK[16], resNameL[16];
    char atomNameI[16], atomNameJ[16], atomNameK[16], atomNameL[16];
    char chainNameI[16], chainNameJ[16], chainNameK[16], chainNameL[16];
    char segNameI[16], segNameJ[16], segNameK[16], segNameL[16];
    float torsionCurrent;        // in the current structure
    float torsion;               // target (ANGLE)
    float torsionDiff;           // offset from the window centre, written by the energy term
    float torsionHi, torsionLo;  // window (ANGLE_HI, ANGLE_LO)
    float torsionVio;            // violation, written by the energy term
    float fc, w, s;
    structure::AtomInfo *atomI, *atomJ, *atomK, *atomL;
    char *auxInfoI, *auxInfoJ, *auxInfoK, *auxInfoL;
};

// A torsion table with its index cursor (idList holds the valid records of currentID).
struct TorsionTable {
    int type;
    TorsionInfo* torsionList;
    TorsionInfo** idList;
    int minID, maxID;
    int torsionCount;
    int tallyCount, maxTallyCount;
    int currentID;
    int nullChainName, nullSegName;  // 1 while no record names a chain / a segment
};

int torsionNull(TorsionInfo* tList, int dCount);
int torsionTabNull(TorsionTable* torsionTab);
int torsionTallyID(TorsionTable* torsionTab, int id);
// Looks the atoms up with their residue IDs increased by aOff.
int mapTorsionInfo(structure::PDBInfo* pdbInfo, TorsionTable* tTab, int aOff);
int updateTorsion(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab);
// Every record valid unless its J or K residue lies outside [segFirst, segLast]; the number valid.
int selectTorsion(TorsionInfo* torsionList, int torsionCount, int segFirst, int segLast);
// RMS of the deviation target - current (one step of 360 into -180..180).
int getStatTorsion(TorsionTable* torsionTab, float* rSumD, int* nD);
// RMS of the offset of the current angle from the window centre, counting 0 inside the window
// and the full offset (not the excess over the bound) outside it.
int getStatTorsion2(TorsionTable* torsionTab, float* rSumD, int* nD);
// Reads a torsion table (INDEX, atoms _I.._L, ANGLE, ANGLE_HI, ANGLE_LO, FC, S, W). Without
// bounds the window is the target; without a target it is the wrapped window centre. A
// non-finite angle refuses the file. 0, or non-zero on failure.
int readTorsion(const char* inName, TorsionTable* torsionTab, int torsionType);
// Writes the valid records as a report: the ANGLE column holds the current angle, not the
// target. RMS is the window statistic, Chi2 always 0. A file that cannot be opened is reported
// and the table goes to the standard output instead. 0.
int writeTorsion(const char* outName, TorsionTable* tTab, const char* remark, int verbose);

}  // namespace korim::restraints
