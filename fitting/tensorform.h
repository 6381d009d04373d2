// The usual form of an alignment tensor given by Da and R: its principal value of largest size
// as the z axis, so that R lies between 0 and 2/3.
#pragma once

#include <string>

namespace korim::fitting {

// Largest rhombicity of a tensor in the usual form.
constexpr double kMaxRhombicity = 2.0 / 3.0;

// The one margin of the usual form's bounds: an R within this of 0 or of 2/3 counts as on the
// bound. It is the rounding of the answers (printed to 3 decimals, the bounded fit of -daFlex
// working to 4 digits with its default bound -rhHi 0.667 3.3e-4 above 2/3), so that no answer
// within it is named as another tensor that prints as itself or its own x and y swapped.
constexpr double kUsualFormMargin = 1e-3;

// The tensor (da, r) in the usual form, 0 <= R <= 2/3, for principal values 2 Da,
// -Da (1 + 1.5 R), -Da (1 - 1.5 R) (or all three negated; the map is the same), for any r:
// - a negative R is the same tensor with x and y swapped: Da, |R|;
// - R above 2/3 has the second of them as its largest, and is the tensor of the other sign of Da
//   with R below 2/3: Da' = -da (2 + 3r) / 4, R' = (4 - 2r) / (2 + 3r) (R 2 maps to the axial
//   tensor of Da' = -2 da);
// - above 2 that R' is negative, and the two steps compose.
// R in [0, 2/3] (2/3 itself, where Da and -Da describe one tensor, included) maps to itself.
void equivalentTensor(double da, double r, double* daOut, double* rOut);

// The step of equivalentTensor for R between 2/3 and 2 as the messages write it.
inline constexpr const char* kEquivalentTensorText =
    "Da' = -Da (2 + 3R) / 4, R' = (4 - 2R) / (2 + 3R)";

// Whether r lies above 2/3 by more than kUsualFormMargin.
bool aboveTwoThirds(double r);

// Whether r lies at or above 2/3 (within kUsualFormMargin below it counts as on it).
bool atOrAboveTwoThirds(double r);

// Whether r lies below 0 by more than kUsualFormMargin.
bool belowZero(double r);

// Whether r lies outside 0 to 2/3 by more than kUsualFormMargin: a tensor the notes name anew.
bool outsideUsualForm(double r);

// An answer outside the usual form (R below 0 or above 2/3) named as the tensor it is, one
// sentence that reads on after "the " (for the standard error stream) or "The " (for a table):
// "answer's R 0.700 lies above 2/3: Da -11.800 Hz, R 0.700 is the tensor Da +12.095 Hz, R 0.634
// in the usual form (...)."; "" for an answer with R from 0 to 2/3 (within kUsualFormMargin).
std::string usualFormNote(double da, double r);

// Size of the principal value of least size of the tensor (da, r), |Da (1 - 1.5 R)| of its usual
// form (Hz when da is): the distance between the sizes of the two extremes of its couplings,
// 2 Da and -Da (1 + 1.5 R).
double leastPrincipalValue(double da, double r);

// The sign of Da that the couplings do not settle: where the answer's least principal value
// (leastPrincipalValue) lies below the couplings' resolution (Hz; what resolves them, worded in
// `what`, e.g. "their mean error DD*W"), a tensor and its negative give nearly the same
// distribution of couplings. One sentence that reads on after "the " (as usualFormNote),
// naming the answer and its negative in the usual form and that a fit with the structure
// (-bestFit) settles the sign; "" where the value is not below the resolution or Da is 0.
std::string unsettledSignNote(double da, double r, double resolution, const std::string& what);

// The sign of Da of the tensor (da, r) in the usual form: +1 or -1; 0 where it names none (Da 0,
// or R at 2/3 within kUsualFormMargin, where Da and -Da describe one tensor).
int usualFormSign(double da, double r);

// One reading of the couplings by an estimate: what it is, as a note names it ("the answer, the
// three-point fit"), and its tensor (Da in Hz, R).
struct Reading {
  const char* name;
  double da, r;
};

// The sign of Da that the couplings do not settle where an estimate's two readings of them (its
// answer and the other reading it holds) name opposite signs in the usual form, whatever their
// least principal values: one sentence that reads on after "the ", as unsettledSignNote's, naming
// both readings in the usual form, the answer's tensor and its negative, and that a fit with the
// structure (-bestFit) settles the sign; "" where they name one sign or either names none.
std::string opposedSignNote(const Reading& answer, const Reading& other);

// The note of a sign the couplings do not settle: unsettledSignNote of the answer, else
// opposedSignNote of the two readings ("" where neither says anything).
std::string signNote(const Reading& answer, const Reading& other, double resolution, const std::string& what);

// A note of an answer that reads on after "the ", said on the standard error stream after
// "korim: the "; returns the table's REMARK line of it ("REMARK The " and the note).
std::string sayNote(const std::string& note);

// usualFormNote said as sayNote says it, or "" when there is nothing to say.
std::string sayUsualForm(double da, double r);

// A tensor the fit holds (-da, -dr) that is not in the usual form (R = dr / da below 0 or above
// 2/3), named as the tensor the fit reports, one sentence that reads on after "the " as
// usualFormNote's: "held Da +5.900e-04 and Dr +4.000e-04 (R 0.678, above 2/3) are the tensor
// Da -5.950e-04, Dr -3.900e-04, R 0.655 in the usual form (...), which the fit reports."; "" for a
// held tensor in the usual form or of Da 0. da and dr in the units of the table's DATA Da.
std::string heldTensorNote(double da, double dr);

}  // namespace korim::fitting
