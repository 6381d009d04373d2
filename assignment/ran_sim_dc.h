// Assignment search driver: couplings measured on unassigned N-HN peaks are assigned to the
// residues of one type by random, exhaustive or subset-exhaustive trial, scored by SVD fits.
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::assignment {

constexpr int kPeakMax = 800;  // distinct N-HN peaks of one search

// 1 when the larger of resIDI and resIDJ is one of fixResList[0..nFixAa-1], else 0.
int chkFixAa(int nFixAa, const int* fixResList, int resIDI, int resIDJ);

// Runs the search of korimInfo->spreadMode (random over mapCount draws, exhaustive, or
// exhaustive on a subset) over the peaks of dTab whose residues are not among the nFixAa
// residues of fixResList, across the media of -dcID, writes the best assignment into the table,
// fits it, and writes the table to outDName and the rotated structures to pdbRotName. The valid
// flags of the rows are those the table had on entry. Returns 0 (also for a null table), 1 after
// a message, or the status of the writer that failed.
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int exhSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
             couplings::DTable* dTab, settings::KorimInfo* korimInfo, const char* outDName,
             const char* pdbRotName, int mapCount, int nFixAa, const int* fixResList,
             int verbose, const char* remark, const char* tableRemark = "");

// The one-medium form, a library routine the program does not call: it writes "TEST" three times
// on entry, compares no segment names, keeps 10-column peak matrices, prints no per-medium
// column counts and no total of fixed couplings, scores candidates with getSvdChi2 (the fixed
// couplings take part in every fit), searches exhaustively with visit (-fixAa count 0) or
// visitChk with that count as its filter, takes the subset size from that count, and fits the
// table once.
int ranSimDC(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
             couplings::DTable* dTab, settings::KorimInfo* korimInfo, const char* outDName,
             const char* pdbRotName, int mapCount, int nFixAa, const int* fixResList,
             int verbose, const char* remark, const char* tableRemark = "");

// Forgets the Euler solutions kept from the last search; for tests.
void ranSimDCReset();

}  // namespace korim::assignment
