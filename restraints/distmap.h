// Restraint tables tied to a structure: atom mapping, bond and exclusion marks, NOE grouping, current distances and statistics.
#pragma once

#include "restraints/dist.h"
#include "structure/pdb.h"

namespace korim::restraints {

// Look up the atoms of every record (valid or not) with the record's chain and segment names,
// or the structure's defaults while the table's null flags are set. A record whose atoms are
// all found becomes valid; the others become not valid after a warning naming each atom.
// The number mapped; 0 when an argument is null or the table is empty.
int mapDistInfo(structure::PDBInfo* pdbInfo, DistTable* distTab);
int mapACInfo(structure::PDBInfo* pdbInfo, ACTable* acTab);
int mapDSInfo(structure::PDBInfo* pdbInfo, DSTable* dsTab);

// Maps the table, then adds the low byte of each valid record's type to the bond-matrix cells
// of its two atoms (one-byte arithmetic). The number of bonds added.
int mapBondInfo(structure::PDBInfo* pdbInfo, DistTable* distTab);
// As mapBondInfo with sixteen times the low byte (exclusions in the high four bits). 0.
int mapVDWExclInfo(structure::PDBInfo* pdbInfo, DistTable* distTab);

// Maps the distance table and groups its valid records into NOE restraints: one NOEInfo per
// index and one SimpleNOE per group, in increasing order, members in list order (tag "dist").
// 0, or 1 after a message when a list cannot be allocated; noeCount then counts the restraints
// completed before the failure.
int mapNOEInfo(structure::PDBInfo* pdbInfo, DistTable* distTab, NOETable* noeTab);
// Prints the NOE restraints, groups and members on the error stream. 0.
int showNOEInfo(NOETable* noeTab);

// dCurrent of every valid record becomes the distance of its atoms; the number measured.
int updatePDBDist(structure::PDBInfo* pdbInfo, DistTable* distTab);

// Statistics over the valid records: rSumD the RMS of w*diff, pSumD the sum of (diff/s')^2
// (s' = s, or 1 when s is 0), nD the count. diff is d - dCurrent (distances), dVio (AC), or for
// NOEs the distance below dLo or above dHi (0 inside), each outside adding 1 to nVio. 0.
int getStatDist(DistTable* distTab, float* rSumD, float* pSumD, int* nD);
int getStatAC(ACTable* acTab, float* rSumD, float* pSumD, int* nD);
int getStatNOE(DistTable* distTab, float* rSumD, float* pSumD, int* nD, int* nVio);

}  // namespace korim::restraints
