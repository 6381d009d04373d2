// Constants shared by the signal-processing routines (windows, phase, LP).
#pragma once

namespace korim::spectral {

// Angles: the library's own roundings of pi and 2 pi.
inline constexpr double kPi = 3.14159265;
inline constexpr double kTwoPi = 6.2831853;
// 0.6 pi, the Gaussian width factor of the GM window (width in Hz -> 1/s).
inline constexpr double kGaussWidth = 1.88495559;

// Largest prediction order (and polynomial degree) of the LP routines.
inline constexpr int kLpMaxOrder = 64;

}  // namespace korim::spectral
