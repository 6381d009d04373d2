// Shift prediction from phi/psi surfaces, conformation and homology scores of structures, and
// the scan of the phi/psi plane for the angles that best explain a residue's shifts.
#pragma once

#include "restraints/cs.h"
#include "structure/pdb.h"

namespace korim::restraints {

// Predicts predShift (ppm) = surface value + random-coil shift of every valid shift with a
// surface whose residue resID + aOff has defined angles and enough surface density there;
// sigma becomes the surface deviation (the surface's mean deviation with constRMSFlag).
// Returns the number predicted (also stored in validCSCount).
int buildCS(structure::PDBInfo* pdbInfo, CSTable* csTab, int aOff, int constRMSFlag);

// Conformation score of residues a1.. of pdbInfo against the surfaces of reference residues
// res1..resN: per residue s = -ln(v/max) (at least 0), stored in val of both residues; sAvg the
// mean, sMax the largest, nS the count. Returns 0.
int getStatSurf(structure::PDBInfo* refInfo, structure::PDBInfo* pdbInfo, int res1, int resN,
                const char* rChainName, const char* rSegName, int a1, int aN, const char* aChainName,
                const char* aSegName, int xPROFlag, float* sAvg, float* sMax, int* nS);

// Homology score of the residue-type pairs: hRMS the RMS of the scores found, hMax the largest,
// nH their count; every compared residue's val gets the score (777777 when absent). Returns 0.
int getStatHomo(structure::PDBInfo* refInfo, structure::PDBInfo* pdbInfo, int res1, int resN,
                const char* rChainName, const char* rSegName, int a1, int aN, const char* aChainName,
                const char* aSegName, int xPROFlag, float* hRMS, float* hMax, int* nH);

// Stores obsCount / v (0 when v is 0) in val of every residue in [res1, resN] with a
// conformation surface, v its surface value at the residue's angles. Returns 0.
int updatePDBSurf(structure::PDBInfo* pdbInfo, int res1, int resN);

// Scans the phi/psi plane in 1-degree steps for the angles whose surface shifts best explain
// the observed secondary shifts of residue resID; the zero surface gets the score map, which is
// written to outName with its one "%d" replaced by resID (no name: not written). Returns the
// number of shift evaluations, or 0 (no residue, no or wrongly sized zero surface).
int scanPDBShifts(structure::PDBInfo* pdbInfo, CSTable* csTab, int resID, float* phi, float* psi, float* score,
                  float* avg, const char* outName);
int findBestCSPhiPsi(structure::PDBInfo* pdbInfo, CSTable* csTab, int resID, float* phi, float* psi,
                     float* score, float* avg, const char* outName);

}  // namespace korim::restraints
