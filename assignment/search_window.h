// The Da/R window of the assignment search against what each medium's couplings prove about its
// tensor, checked before any candidate is scored, and the notes of the answer that say what the
// couplings and the search did not settle.
#pragma once

#include <string>

#include "assignment/korim_utils_svd.h"
#include "couplings/dc.h"

namespace korim::assignment {

// What one medium's couplings prove about its tensor, whatever the assignment of the peaks. A
// tensor is named by its principal couplings p[0] >= p[1] >= p[2] (Hz on the N-H scale, summing
// to 0): 2 Da, -Da (1 - 1.5 R), -Da (1 + 1.5 R) for Da > 0 in the usual form, the same negated
// and reversed for Da < 0; the sign of Da in the usual form is that of -p[1].
struct MediumProof {
  // Every coupling c of the medium, fixed or in a peak's cell (D over |constant| on the N-H
  // scale): their set is every candidate's. The subset search (-exhaustSel) fits a subset of the
  // peaks, so there only the fixed couplings count (cells false). A tensor that gives them spans them: p[0] is at least
  // spanHi, the largest c less its margin, and p[2] at most spanLo, the smallest c plus its
  // margin. The margin is spanFactor times the coupling's error: the normal quantile of a tail of
  // kProofTail shared among the couplings, as no coupling is expected beyond it.
  int count = 0;
  bool cells = true;
  double low = 0.0, high = 0.0;  // the smallest and largest c
  double spanLo = 0.0, spanHi = 0.0, spanFactor = 0.0;
  // The SVD fit of the fixed couplings where they over-determine the tensor (more than five atom
  // pairs whose bond vectors determine it): each principal coupling lies within margin[i] of the
  // fit's p[i], quantile times its error. The error is propagated from the covariance of the fit
  // (the couplings' errors and the spread of their bond vectors), scaled by sqrt(chi2 / (count -
  // 5)) where the fit scatters more than the errors say; the quantile is Student's t of count - 5
  // degrees of freedom for a two-sided tail of kProofTail, large for few couplings beyond five.
  int fixedCount = 0;
  bool fitted = false;
  double p[3] = {}, margin[3] = {};
  double quantile = 0.0;
  // +1 or -1: the sign of Da in the usual form the fit settles (p[1] farther from 0 than its
  // margin); 0 where the couplings settle none.
  int sign() const;
};

// The chance of a tensor outside what the couplings prove: the two-sided tail of the fit's
// margins, and the tail shared among the couplings for their spanning margins.
constexpr double kProofTail = 1e-3;

// The proof of medium m (0 to nLcType - 1) of the problem; overDetermined: the medium's fixed
// couplings are more than five atom pairs whose bond vectors determine the order matrix; cells:
// every candidate fits the couplings of every peak (not so in the subset search). The heads of
// the work lists hold the fixed couplings again on return.
MediumProof mediumProof(AssignProblem& prob, int medium, bool overDetermined, bool cells);

// 0 when the window of prob (lDa < Da < hDa, lR < R < hR, in the form of yzFlag, the form the
// search scores) holds a tensor each medium's proof allows. Else 1 after naming, on the standard
// error stream, each medium's proof the window leaves out (mediaNames: the -dcID names, named when
// there are two or more media) and -lDa -hDa (-lR -hR where R must change too) values that hold a
// tensor each proof allows, and the window given.
int checkSearchWindow(const AssignProblem& prob, const MediumProof* proofs, const char* const* mediaNames,
                      int yzFlag);

// The tensor of the fixed couplings' own fit (proof.fitted) as Da_HN (Hz) and R in the form of
// yzFlag; false where there is no fit.
bool fittedTensor(const MediumProof& proof, int yzFlag, double* daNH, double* rhomb);

// The note of an answer of medium `medium` (its -dcID name, "" for one medium) whose sign its
// couplings do not settle (proof.sign() 0): one sentence that reads on after "the ", naming the
// answer's tensor (daNH in Hz, rhomb, in the form of yzFlag) and why the couplings do not settle
// it. Where they settle it and an answer in the usual form (yzFlag 0) has the other sign, the
// sentence says that; "" where the answer has the sign they settle.
std::string unsettledSignNote(const MediumProof& proof, const char* medium, float daNH, float rhomb, int yzFlag);

// The note of a final fit that holds a part of the tensor (-fixed, -dadr, -da, -dr, or limits of
// one value): the search scored each order by the SVD fit of a free tensor within the window of
// prob, in the form of yzFlag, and the final fit held the named values; where it holds Da and R
// outside that window, that too. One sentence that reads on after "the "; "" for a free fit.
std::string heldFitNote(const AssignProblem& prob, const korim::couplings::DTensor& tensor, int yzFlag);

// The Da/R window of a search: Da_HN in Hz, R in the form the search scores in.
struct SearchBounds {
  double lDa, hDa, lR, hR;
};

// A tensor within this share of the window's width in Da or R of a bound lies on it.
constexpr double kEdgeShare = 0.01;

// The bounds of a window a tensor (daNH, rhomb in the form of yzFlag) lies on or beyond. A bound
// beyond which the form holds no tensor (R 0 to 2/3 in the usual form, 2/3 to 2 in that of
// -yzInv) cuts nothing and is never named.
struct EdgeHits {
  bool lDa = false, hDa = false, lR = false, hR = false;
  bool any() const { return lDa || hDa || lR || hR; }
};
EdgeHits edgesOf(const SearchBounds& w, double daNH, double rhomb, int yzFlag);

// w with each bound hits names moved out past the tensor: Da away from 0 to 1.5 times its size in
// steps of 5 Hz, toward 0 to half its size in steps of 0.01 Hz (never across 0), R by the next
// step of 0.05 beyond it.
SearchBounds widenedPast(const SearchBounds& w, const EdgeHits& hits, double daNH, double rhomb);

// w opened as far as its side of Da = 0 and the form of yzFlag allow: the window in which to look
// for the best tensor that w cut.
SearchBounds openedWindow(const SearchBounds& w, int yzFlag);

// The options that take the window given to the wider one, each bound that moved: "-hR 0.8", or
// "-hR 0.8 in place of -hR 0.7" where the command line gives that bound.
std::string windowAdvice(const SearchBounds& given, const SearchBounds& wider);

}  // namespace korim::assignment
