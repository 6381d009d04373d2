// Pseudo-contact shifts: paramagnetic centres of a shift table, the fit of their anisotropy
// tensors, back-calculation, statistics and the writers.
#pragma once

#include <cstdio>

#include "foundation/table.h"
#include "restraints/cs.h"

namespace korim::restraints {

// Gives count centres their defaults (their tensors, when present, the tensor defaults). Returns 0.
int resetPCS(PCSInfo* pcsList, int count);

// Releases the tensors of a centre list made by getPCSInfo (tag "cs"). Returns 0.
int pcsTensorsFree(PCSInfo* pcsList, int count);

// Reads the centres named by the header lines "DATA PARAMAGNETIC resID resName atomName segName
// chainName" into the table, each with a tensor of its own. Returns 0 (also for none), or 1
// when the list cannot be allocated.
int getPCSInfo(CSTable* csTab, const foundation::hdrList* hdrBase);

// Looks up each centre's atom (warning lines for a missing one, which becomes not valid).
// Returns the number of centres mapped.
int mapPCSInfo(structure::PDBInfo* pdbInfo, CSTable* csTab);

// Places each valid shift at the mean position of the atoms its name matches ("#", "*" expand);
// a shift without atoms is warned about and becomes not valid. Returns the number placed.
int buildCSXYZInfo(structure::PDBInfo* pdbInfo, CSTable* csTab);

// Maps the centres and places the nuclei. Returns (shifts placed) x (centres mapped).
int buildPCS(structure::PDBInfo* pdbInfo, CSTable* csTab);

// Fits one tensor per centre to the valid shifts and back-calculates predShift of every valid
// shift; each valid centre's tensor gets its Saupe elements, errors and Euler analysis.
// Model: shift_i = sum over centres j of g * sum_k b_k(u_ij) s_jk, with u_ij the unit vector
// from nucleus i to centre j, b_k the five direction functions in the order of the Saupe
// elements and g = |gammaI gammaJ|; the distance enters only through the direction (no r^-3).
// fitPCS ignores verbose. Both return 0.
int fitPCS(structure::PDBInfo* pdbInfo, CSTable* csTab, int verbose);
int fitPCSSVD(structure::PDBInfo* pdbInfo, CSTable* csTab);

// Least-squares fit of 5 countJ tensor elements (saupe, errors dSaupe, centre j at 5j..5j+4) to
// countI shifts dVal (errors dSigma) over 0-based lists; covar ((5 countJ)^2), xWork
// (5 countJ countI) and yWork (countI) are work space. A shift with gammaI 0 is no data and
// takes no part; a centre with gammaJ 0 contributes no coefficients (its elements stay 0).
// Returns 0, or 1 (all elements 0) with fewer shifts taking part than elements to fit.
int findG(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ, const float* zJ,
          const float* gammaI, const float* gammaJ, const float* dVal, const float* dSigma, float* saupe,
          float* dSaupe, float* covar, float* xWork, float* yWork, int countI, int countJ);

// Back-calculates dVal (and its error dSigma) of countI shifts from the elements of countJ
// centres by the model above. Returns 0.
int findPCS(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ, const float* zJ,
            const float* gammaI, const float* gammaJ, float* dVal, float* dSigma, const float* saupe,
            const float* dSaupe, int countI, int countJ);

// Statistics (ppm) of the valid shifts with an observed value; those with prediction and sigma
// contribute: rSumCS the RMS of shift - predShift, pSumCS the sum of (d/sigma)^2 (sigma 0 as 1),
// nCS their number. Returns the number of valid shifts with an observed value.
int getStatPCS(const CSInfo* csList, int csCount, float* rSumCS, float* pSumCS, int* nCS);

// The centre lines, the tensor lines and the whole pseudo-contact table (empty name: standard
// output). Each returns 0; nothing is written for a missing or empty table.
int wrPCSInfo(FILE* outUnit, const CSTable* csTab);
int wrPCSTensor(FILE* outUnit, const CSTable* csTab);
int writePCS(const char* outName, CSTable* csTab, const char* remark, int verbose);

}  // namespace korim::restraints
