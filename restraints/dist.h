// Distance, NOE, absolute-coordinate (AC) and distance-pair (DS) restraint tables: records, defaults, index and group tallies, counts and readers.
#pragma once

#include "structure/pdb.h"

namespace korim::restraints {

// Distances are in the units of the structure's coordinates (Angstrom); names are 16-byte
// fields, empty meaning no name; a residue ID of -666666 means not set.

// One distance restraint between atom I and atom J; records sharing an id form one restraint,
// split into groups (ambiguous alternatives).
struct DistInfo {
    int id;
    int count;   // 1 for a record read from a file
    int valid;   // 1 while in use; cleared by atom mapping when an atom is missing
    int type;    // TYPE (1); as a bond or exclusion list, its low byte is the code
    int group;   // GROUP (1)
    int status;  // written by the energy terms: 0 none, 1 satisfied, 2 not taken in, -1 violated
    int fixed;   // FIXED (0)
    int resIDI, resIDJ;
    char resNameI[16], resNameJ[16], atomNameI[16], atomNameJ[16];
    char chainNameI[16], chainNameJ[16], segNameI[16], segNameJ[16];
    float dCurrent;  // in the current structure
    float d;         // target (D)
    float dDiff, dHi, dLo, dVio;  // dHi, dLo: bounds (D_HI, D_LO)
    float w, s, fc;  // weight, uncertainty, force constant
    structure::AtomInfo *atomI, *atomJ;
    char *auxInfoI, *auxInfoJ;
};

// A distance table with its cursor: idList holds the valid records of currentID, groupList
// those of currentGroup among them.
struct DistTable {
    int type;
    DistInfo* distList;
    DistInfo** idList;
    DistInfo** groupList;
    structure::Coord3D* coordList;  // one per record, zeroed by the reader
    int minID, maxID, minGroup, maxGroup;
    int distCount, idCount, groupCount, maxIDCount, maxGroupCount;
    int currentID, currentGroup;
    int nullChainName, nullSegName;  // 1 while no record names a chain / a segment
};

// One atom held near the point (x, y, z).
struct ACInfo {
    int id, count, valid, type, group, status, fixed, resID;
    char resName[16], atomName[16], chainName[16], segName[16];
    float dCurrent, x, y, z, d, dDiff, dHi, dLo, dVio, w, s, fc;
    structure::AtomInfo* atom;
    char* auxInfo;
};

struct ACTable {
    int type;
    ACInfo* acList;
    ACInfo** idList;
    ACInfo** groupList;
    structure::Coord3D* coordList;
    int minID, maxID, minGroup, maxGroup;
    int acCount, idCount, groupCount, maxIDCount, maxGroupCount;
    int currentID, currentGroup;
    int nullChainName, nullSegName;
};

// The distance I-J compared with the distance K-L.
struct DSInfo {
    int id, count, valid, type, group, fixed, status;
    int resIDI, resIDJ, resIDK, resIDL;
    char resNameI[16], resNameJ[16], resNameK[16], resNameL[16];
    char atomNameI[16], atomNameJ[16], atomNameK[16], atomNameL[16];
    char chainNameI[16], chainNameJ[16], chainNameK[16], chainNameL[16];
    char segNameI[16], segNameJ[16], segNameK[16], segNameL[16];
    float dCurrent, d, dDiff, dHi, dLo, dVio, w, s, fc;
    structure::AtomInfo *atomI, *atomJ, *atomK, *atomL;
    char *auxInfoI, *auxInfoJ, *auxInfoK, *auxInfoL;
};

struct DSTable {
    int type;
    DSInfo* dsList;
    DSInfo** idList;
    DSInfo** groupList;
    int minID, maxID, minGroup, maxGroup;
    int dsCount, idCount, groupCount, maxIDCount, maxGroupCount;
    int currentID, currentGroup;
    int nullChainName, nullSegName;
    DistInfo* distList;  // not filled by this library
    int distCount;
};

// One group of an NOE restraint: references to its member distances.
struct SimpleNOE {
    int id, group, count;
    DistInfo** distList;  // owned list of count references into the distance table
    double energy, delta;  // written by the mean-r^-6 NOE energy
};

// One NOE restraint: its groups.
struct NOEInfo {
    int id, count;
    SimpleNOE* simpleList;  // owned, count groups
};

struct NOETable {
    DistTable* distTab;  // the table the groups point into, not owned
    NOEInfo* noeList;    // owned, noeCount restraints
    int noeCount;
};

// ---- Defaults (count records from the first; nothing for a count below 1; 0) ----
int distNull(DistInfo* dList, int dCount);
int dsNull(DSInfo* dList, int dCount);
int acNull(ACInfo* acList, int acCount);  // x, y, z left unchanged
int distTabNull(DistTable* distTab);
int acTabNull(ACTable* acTab);  // coordList left unchanged
int dsTabNull(DSTable* dsTab);  // distList and distCount left unchanged
int noeTabNull(NOETable* noeTab);

// ---- Cursor ----
// TallyID: the valid records of index id into idList in list order, minGroup/maxGroup their
// groups (0 when none); the number found. TallyGroup: the valid records of idList in group
// into groupList; the number found. A null table gives 0.
int distTallyID(DistTable* distTab, int id);
int distTallyGroup(DistTable* distTab, int group);
int acTallyID(ACTable* acTab, int id);
int acTallyGroup(ACTable* acTab, int group);
int dsTallyID(DSTable* dsTab, int id);
int dsTallyGroup(DSTable* dsTab, int group);
// Groups of the current index (minGroup..maxGroup) with at least one record; groupList is left
// on maxGroup.
int getDistGroupCount(DistTable* distTab);
int getACGroupCount(ACTable* acTab);
int getDSGroupCount(DSTable* dsTab);
// Indices minID..maxID with at least one valid record; idList is left on maxID.
int getDistTabIDCount(DistTable* distTab);
int getACTabIDCount(ACTable* acTab);
int getDSTabIDCount(DSTable* dsTab);

// ---- Readers: an empty name or "None" reads nothing (0); the table reader's status on a bad
// file; 1 after a message when the lists cannot be allocated (the table then unchanged). ----
// Columns INDEX (else the row number), TYPE (1), GROUP (1), FIXED (0), D, D_HI, D_LO (both the
// target when neither is given, else 0 when absent), S, W, FC (1), atoms _I and _J.
int readDist(const char* inDistName, DistTable* distTab, int distType);
// As readDist with one atom (no suffix) and X, Y, Z (0 when absent).
int readAC(const char* inName, ACTable* acTab, int acType);
// As readDist with atoms _I, _J, _K, _L and no coordinate list.
int readDS(const char* inName, DSTable* dsTab, int dsType);

}  // namespace korim::restraints
