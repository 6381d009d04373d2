// Physical and numerical constants shared by several subsystems (and by their tests).
#pragma once

namespace korim::foundation {

// pi truncated to eight decimals, as the documented output formats and the orientation sampling
// have always used it; results depend on the truncation, so it is not the exact value.
constexpr double kPi8 = 3.14159265;
// Half of it, truncated the same way (radians).
constexpr double kHalfPi8 = 1.570796325;
// Degrees per radian (180 / pi at double precision).
constexpr double kRadToDeg = 57.29577957855229;
// Dipolar coupling constant of an N-H pair at 1.041 Angstrom, Hz: the reference of the coupling
// errors and the factor from a dimensionless Da to the N-H coupling scale.
constexpr double kDipolarNH = 21585.2;
// The same factor at full precision, as the Da(NH) lines of the analysis records print it.
constexpr double kDaNHScale = 21585.19634913479;

}  // namespace korim::foundation
