// Bond-angle restraint table: the angle at atom J between atoms I and K held within bounds.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// One angle restraint term; records sharing an id form one restraint. Angles in degrees.
struct AngleInfo {
    int id, count, valid, type;
    int resIDI, resIDJ, resIDK;  // -666666: not set
    char resNameI[16], resNameJ[16], resNameK[16];
    char atomNameI[16], atomNameJ[16], atomNameK[16];
    char chainNameI[16], chainNameJ[16], chainNameK[16];
    char segNameI[16], segNameJ[16], segNameK[16];
    float angleCurrent;      // in the current structure
    float angle;             // target (ANGLE)
    float angleHi, angleLo;  // bounds (ANGLE_HI, ANGLE_LO)
    float angleVio;          // violation, written by the energy term
    float fc, w, s;          // force constant, weight, uncertainty
    structure::AtomInfo *atomI, *atomJ, *atomK;
    char *auxInfoI, *auxInfoJ, *auxInfoK;
    double angleDiff;        // difference, written by the energy term
};

// An angle table with its index cursor (idList holds the valid records of currentID).
struct AngleTable {
    int type;
    AngleInfo* angleList;
    AngleInfo** idList;
    int minID, maxID;
    int angleCount;
    int tallyCount, maxTallyCount;
    int currentID;
    int nullChainName, nullSegName;  // 1 while no record names a chain / a segment
};

int angleNull(AngleInfo* aList, int dCount);
// Segment names start in use (nullSegName 0), chain names not.
int angleTabNull(AngleTable* angleTab);
int angleTallyID(AngleTable* angleTab, int id);
int mapAngleInfo(structure::PDBInfo* pdbInfo, AngleTable* aTab);
int updateAngle(structure::PDBInfo* pdbInfo, AngleTable* angleTab);
// Deviation target - current, brought into -180..180 by one step of 360.
int getStatAngle(AngleTable* angleTab, float* rSumD, float* pSumD, int* nD);
// Reads an angle table (INDEX, atoms _I/_J/_K, ANGLE, ANGLE_HI, ANGLE_LO, FC, S, W); an empty
// name or "None" reads nothing. A non-finite angle refuses the file. 0, or non-zero on failure.
int readAngle(const char* inName, AngleTable* angleTab, int angleType);
// Writes the valid records as a report: the ANGLE column holds the current angle, not the
// target, so a written table is not read back as restraints. A file that cannot be opened is
// reported and the table goes to the standard output instead. 0.
int writeAngle(const char* outName, AngleTable* aTab, const char* remark, int verbose);

}  // namespace korim::restraints
