// Seeding of the standard library generators and normal deviates from them.
#pragma once

namespace korim::foundation {

// Seeds rand and drand48 with iseed, drops a cached deviate; returns the
// previous seed.
int sRand(int iseed);
// As sRand, but only when no seeding has happened yet; otherwise returns 0
// and changes nothing.
int sRandInit(int iseed);
// Standard normal deviate from rand (float) / drand48 (double) by the polar
// method; the two share one cache of the second deviate of a pair.
float gaussRand();
double gaussRandD();

// Forgets seed and cache (the library generators are not touched); for tests.
void randReset();

}  // namespace korim::foundation
