// Da and R of the alignment tensor from the histogram of the measured couplings (-daHist).
#pragma once

#include "settings/settings.h"

namespace korim::fitting {

// The -daHist mode: reads and selects the couplings of inDName (residue range and exclusion
// mode of dcInfo, atom types atomNameS1/atomNameS2), estimates Da and R from the extremes and
// the most populated value of their distribution (settings and results in korimInfo->histInfo)
// and writes the coupling table with the DA_HIST block to outName ("" = stdout).
// Returns 0; 1 when the table record cannot be had, the couplings are too few, of one value or of a
// two-extreme estimate below kMinEstimateDa in size (refuseBelowFloor)
// (checkDcSample), carry no errors, the histogram needs more than kMaxHistBins bins or (with the
// three-parameter fit) its fullest bin gives no Dxx: no single one, or one whose three values are no
// tensor's (readDxx). The message names the two-extreme estimate and up to three -bin counts checked
// to read a Dxx and answer R from 0 to 2/3, or that none does; the reader's or writer's status.
// Couplings all of one sign are refused (refuseOneSign); an answer whose least principal value lies
// below the larger of the mean error and the bin width, or whose other reading of the couplings names
// the opposite sign in the usual form (the two-extreme estimate beside the three-point fit; beside a
// fit to Dzz and Dyy alone, -nFit 2, or the two-extreme estimate of any other -nFit, the three-point
// fit, made for this check with its bins where they read a Dxx), has its sign said unsettled
// (signNote).
int getHistDabR(const char* inDName, settings::KorimInfo* korimInfo, settings::DcInfo* dcInfo,
                const char* atomNameS1, const char* atomNameS2, const char* outName);

// Extremes, histogram and bounded fit of the nD couplings coupList (sorted in place) with their
// errors sigma, for one sample of the flexible-molecule estimate; fills korimInfo->histInfo.
// With no coupling nothing is changed. A fit that does not take place leaves DaFit and RFit as
// they were; *fitted (when given) says whether DaFit and RFit are this sample's own. A layout
// whose fullest bin is no Dxx (readDxx) counts as a tie: the next of the four attempts has 2 bins
// fewer. quiet leaves out the warning of a sample without a fit and the values outside the bins.
// Returns 0; 1 when the histogram needs more than kMaxHistBins bins or the errors are all 0
// (after a message).
int histoExtFit(int nD, float* coupList, const float* sigma, settings::KorimInfo* korimInfo,
                bool* fitted = nullptr, bool quiet = false);

}  // namespace korim::fitting
