// Regularised incomplete beta function.
#pragma once

namespace korim::foundation {

// Continued fraction of I_x(a, b) (modified Lentz, 100 iterations, 3e-7);
// non-convergence is reported through nrerror and the last value returned.
float betacf(float a, float b, float x);
// I_x(a, b); x outside [0, 1] is reported through nrerror ("Bad x in routine
// betai") and the computation goes on with it.
float betai(float a, float b, float x);

}  // namespace korim::foundation
