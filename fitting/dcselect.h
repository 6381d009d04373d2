// Random subsets of couplings: the jackknife's coupling subsets and residue subsets of coupling lists.
#pragma once

#include "couplings/dc.h"

namespace korim::fitting {

// Keeps a random subset of the rows of dTab that the fit takes (couplings::fitRow: no coupling
// marked as missing, weight not 0; other rows stay as they are): every such row's
// calculated valid flag is cleared, then k distinct of them (drawn with ran3 from *idum) are set
// again. k = frac * n (n the number of such rows) when fixed is 0, else frac itself, truncated
// and at most n (never below 0). Work tables come from the system allocator; when they cannot be
// had the program ends through tqerror. Returns k.
int selectDcFrac(long* idum, couplings::DTable* dTab, float frac, int fixed);

// Draws sCount distinct residues of nRes (ran3 from *idum); for each drawn residue r appends its
// nDcType[r] couplings dcMat[r][k] and errors sigMat[r][k] (0-based) in order to coupList and
// sigmaList, which must have room for the couplings of every residue. *rAveDD is the mean of the
// appended errors (0 when none). Returns the number appended; -1 after a message (nothing
// appended, *rAveDD 0) when sCount is negative or larger than nRes, since no set of that many
// distinct residues exists. The work table comes from the system allocator; when it cannot be
// had the program ends through tqerror.
int selectDcResidue(long* idum, int nRes, const int* nDcType, float* const* dcMat,
                    float* const* sigMat, int sCount, float* coupList, float* sigmaList,
                    double* rAveDD);

}  // namespace korim::fitting
