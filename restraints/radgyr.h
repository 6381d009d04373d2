// Radius-of-gyration restraint table: sets of atoms, one record per atom, sharing a set index 0 to 31.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// Largest set index of a radius-of-gyration table.
constexpr int kRadGyrMaxID = 31;

// One atom of a radius-of-gyration set.
struct RadGyrInfo {
    int id, count, valid, type;  // id: the set, 0 to 31
    int resID;                   // -666666: not set
    char resName[16], atomName[16], chainName[16], segName[16];
    float target;                // target radius of gyration of the set (RG_TARGET), Angstrom
    float fc, w, s;
    structure::AtomInfo* atom;
    char* auxInfo;
};

// A radius-of-gyration table (type 21 once read) with its index cursor.
struct RadGyrTable {
    int type;
    RadGyrInfo* rgList;
    RadGyrInfo** idList;
    int minID, maxID;
    int rgCount;
    int tallyCount, maxTallyCount;
    int currentID;
    int nullChainName, nullSegName;
};

int radGyrNull(RadGyrInfo* rgList, int rgCount);
int radGyrTabNull(RadGyrTable* rgTab);
int radGyrTallyID(RadGyrTable* rgTab, int id);
int mapRadGyrInfo(structure::PDBInfo* pdbInfo, RadGyrTable* rgTab);
// The number of valid records; the radius itself is the energy term's.
int updateRadGyr(structure::PDBInfo* pdbInfo, RadGyrTable* rgTab);
// nD the number of valid records; rSumD and pSumD 0.
int getStatRadGyr(RadGyrTable* rgTab, float* rSumD, float* pSumD, int* nD);
// Reads a table (INDEX, RESID, RESNAME, ATOMNAME, CHAINNAME, SEGNAME, RG_TARGET, FC, S, W);
// without INDEX every atom is in set 0, and an index outside 0 to 31 becomes 0 after a notice.
int readRadGyr(const char* inName, RadGyrTable* rgTab);

}  // namespace korim::restraints
