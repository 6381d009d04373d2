// Uniform generators (minimal standard with shuffle, subtractive, TT800),
// positions in a table drawn from ran3, and normal deviates from TT800.
#pragma once

namespace korim::foundation {

// Uniform in (0, 1), largest value 1 - 1.2e-7; *idum <= 0 (or first use)
// reseeds from -*idum (0 taken as 1).
float ran1(long *idum);
// Uniform in [0, 1) by the subtractive method; *idum < 0 or first use reseeds
// and sets *idum = 1.
float ran3(long *idum);
// A position 0 .. n-1 (n >= 1) for a uniform deviate u: the integer part of u * n in single
// precision, held to n - 1 because ran3 can round up to exactly 1.0f, and to 0 below.
int drawPosition(float u, int n);
// drawPosition of the next ran3 deviate from *idum.
int randomPosition(long *idum, int n);
// Uniform in [0, 1] (TT800); the same sequence in every run.
double genrand();
// Standard normal deviate (polar method on genrand pairs; the second of a
// pair is kept for the next call).
double gauss();

// Back to the start state of a fresh process; for tests.
void genrandReset();

}  // namespace korim::foundation
