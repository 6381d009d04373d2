// Constants shared by the signal-processing routines (windows, phase, LP).
#pragma once

#include "foundation/constants.h"

namespace korim::spectral {

// pi and 2 pi truncated to eight decimals (2 pi as 6.2831853).
inline constexpr double kPi = foundation::kPi8;
inline constexpr double kTwoPi = 2.0 * foundation::kPi8;
// The same in single precision, for the models computed in float.
inline constexpr float kPiF = 3.14159265f;
inline constexpr float kTwoPiF = 6.2831853f;
// 0.6 pi, the Gaussian width factor of the GM window (width in Hz -> 1/s).
inline constexpr double kGaussWidth = 1.88495559;

// Largest prediction order (and polynomial degree) of the LP routines.
inline constexpr int kLpMaxOrder = 64;

}  // namespace korim::spectral
