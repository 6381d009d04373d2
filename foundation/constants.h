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

// Bounds of the medium's settings: values beyond them describe no sample, and are most often a
// value typed in another unit (150 for 150 mM, 25 for 25 degrees Celsius), which would answer a
// result of another medium without a word.
// NaCl, mol/l: a saturated solution holds about 5.4 mol/l at 25 C; none holds more than about 6.
constexpr double kMaxNaClMolar = 6.0;
// Temperature, K: no aqueous sample is liquid below about 230 K (supercooled, with solutes) or
// above about 400 K (water under pressure); 298.15 K is 25 C.
constexpr double kMinSampleKelvin = 230.0;
constexpr double kMaxSampleKelvin = 400.0;
constexpr double kCelsiusZeroKelvin = 273.15;
// Surface charge density of a medium, e/nm2 (either sign): a fully charged lipid surface carries
// about 1.5 (one charge per lipid head of about 0.65 nm2); Pf1 about -0.47.
constexpr double kMaxSurfaceCharge = 1.5;
// One elementary charge per nm2 in mC/m2 (1.602e-19 C per 1e-18 m2), the unit many papers give.
constexpr double kSurfaceChargeMilliCoulomb = 160.2;
// The least order parameter of a medium (-lcS) the results carry: the order matrix and the
// couplings are single-precision numbers, and the regression of the couplings takes their squares
// in Hz, which leave the single-precision range (1.2e-38) for an order parameter near 1e-22 (the
// example's couplings at -lcS 1e-22). The bound keeps a factor of a million in hand for molecules that
// align less than ubiquitin; no medium has an order that small.
constexpr double kLeastOrderParameter = 1e-15;

}  // namespace korim::foundation
