// The Da/R window of the assignment search against the tensor each medium's couplings give,
// checked before any candidate is scored.
#pragma once

#include "assignment/korim_utils_svd.h"

namespace korim::assignment {

// The tensor one medium's couplings give before the search: the SVD fit of its fixed couplings
// alone where they fix one, else the two-extreme estimate from all its couplings D*W (in their
// sign, as the DATA EQ Da of the likelihood estimate).
struct MediumTensor {
  bool fitted = false;  // the fit of the fixed couplings; else the estimate
  int count = 0;        // couplings it was read from
  float da = 0.0f;      // Da on the N-H scale, Hz
  float r = 0.0f;       // rhombicity in the usual form, 0 to 2/3
  float dMin = 0.0f, dMax = 0.0f;  // estimate: the extreme couplings D*W, Hz
  // Estimate: its principal coupling of least size |Da (1 - 1.5 R)|, which is the difference in
  // size of the two extremes, and the resolution of that difference (Hz): the larger of twice the
  // couplings' mean error DD*W (each extreme is uncertain by about that error) and a tenth of the
  // larger extreme (by which a sample's extremes may fall short of the principal couplings).
  // Below it the extremes do not tell which of them is Dzz, and so not the sign of Da: the
  // tensor of the other sign stands beside it.
  float least = 0.0f, resolution = 0.0f;
  bool twoSigned() const { return !fitted && least < resolution; }
};

// The tensor of medium m (0 to nLcType - 1) of the problem, whose rows are in the order of no
// candidate yet; fixesTensor: the medium's fixed couplings fix one (five or more atom pairs whose
// bond vectors determine the five order-matrix elements). The heads of the work lists hold the
// fixed couplings again on return.
MediumTensor mediumTensor(AssignProblem& prob, int medium, bool fixesTensor, int yzFlag);

// 0 when the window of prob (lDa < Da < hDa, lR < R < hR) holds the tensor of every medium (one
// whose sign is not settled in either sign; a tensor of Da 0 has no sign to hold). Else 1 after
// naming, on the standard error stream, each tensor left out (mediaNames: the -dcID names, named
// when there are two or more media) and -lDa -hDa (-lR -hR where R must change too) values that
// hold them all and the window given.
int checkSearchWindow(const AssignProblem& prob, const MediumTensor* tensors,
                      const char* const* mediaNames);

}  // namespace korim::assignment
