// Stand-alone coupling driver: couplings and chemical shifts of one structure predicted, fitted
// and reported, and the per-placement report of a segment search with its best placement.
#pragma once

#include <cstdio>

#include "couplings/dc.h"
#include "restraints/cs.h"
#include "structure/pdb.h"

namespace korim::restraints {

// Reads structure pdbName, refreshes its backbone angles and surface values, selects the shifts
// and couplings of residues segFirst..segLast (excludeMode as selectD; the count goes to
// standard output), predicts the shifts and couplings of the structure's residues offset by
// aFirst - segFirst, fits the tensor and reports (reportDC). The input names are not used (the
// tables are read already). Returns 0, or the structure reader's status after
// "DC Error Reading PDB File %s".
int simDC_dc(couplings::DTable* dTab, CSTable* csTab, const char* inDName, const char* outDName,
             const char* inCSName, const char* outCSName, const char* pdbName, int segFirst, int segLast,
             int aFirst, int excludeMode, float* wList, int wCount, int allowFixedDI, int constRMSFlag);

// Writes the coupling and shift tables (remark: structure name and residue range) and their
// statistics on stderr. Returns 0.
int reportDC(const char* pdbName, structure::PDBInfo* pdbInfo, const char* outDName, const char* outCSName,
             couplings::DTable* dTab, CSTable* csTab);

// One report row of a tried placement (residues aFirst..aLast of pdbInfo for the reference
// residues segFirst..segLast) on outUnit (null: none), after clearing the table's Da, Dr and
// Euler solutions. Keeps the best placement of the current molecule (lowest coupling RMS among
// those comparing at least validThresh of the couplings with a shift score at most csThresh) in
// module state, started afresh whenever molCount changes; at the last placement (aOff equal to
// aOffLast) the best goes to stderr unless outUnit is standard output. Returns 0.
int reportS(FILE* outUnit, structure::PDBInfo* refInfo, structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
            CSTable* csTab, int searchCount, int molCount, const char* pdbName, int segFirst, int segLast, int segID,
            int validCountD, int validCountCS, int aOff, int aOffLast, int aFirst, int aLast,
            couplings::DInfo* dObsList, couplings::DInfo* dCalcList, int dCount, CSInfo* csList, int csCount,
            float csThresh, float validThresh, int fitFlag, float aRMS);

// Forgets the best placement (tests).
void reportSReset();

}  // namespace korim::restraints
