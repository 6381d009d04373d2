// The usual form of an alignment tensor given by Da and R: its principal value of largest size
// as the z axis, so that R lies between 0 and 2/3.
#pragma once

#include <string>

namespace korim::fitting {

// Largest rhombicity of a tensor in the usual form.
constexpr double kMaxRhombicity = 2.0 / 3.0;

// R is summed from single-precision steps in the grids: within this of a bound counts as on it.
constexpr double kRhombicityTolerance = 1e-6;

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

// Whether r lies above 2/3 (values summed in single precision within a millionth of 2/3 do not).
bool aboveTwoThirds(double r);

// Whether r lies at or above 2/3 (within kRhombicityTolerance below it counts as on it).
bool atOrAboveTwoThirds(double r);

// An answer outside the usual form (R below 0 or above 2/3) named as the tensor it is, one
// sentence that reads on after "the " (for the standard error stream) or "The " (for a table):
// "answer's R 0.700 lies above 2/3: Da -11.800 Hz, R 0.700 is the tensor Da +12.095 Hz, R 0.634
// in the usual form (...)."; "" for an answer with R from 0 to 2/3.
std::string usualFormNote(double da, double r);

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
