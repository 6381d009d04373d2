// Phase tables: cosine and sine of a linear or exponential phase per point,
// and the rotation of a real/imaginary vector pair by such a table.
#pragma once

namespace korim::spectral {

typedef struct {
  float *rdata;  // cos(theta_k), size values (tag "ps")
  float *idata;  // sin(theta_k)
  int size;      // points in the table
  int mode;      // 1 linear phase, -1 exponential phase
  float p0;      // zero-order phase, degrees
  float p1;      // first-order phase across the table, degrees
  float tc;      // exponential time constant (decay over the table)
} psBuff;

// Empty table: mode 1, null arrays, all values 0. Returns 0.
int phaseNull(psBuff *ps);
// theta_k = p0' + k p1' / size, k = 0 .. size-1 (p0', p1' in radians).
// The table must be empty (phaseNull) or hold earlier arrays, which are
// released. Returns 1 on a failed allocation, else 0.
int phaseInit(psBuff *ps, int size, float p0, float p1);
// theta_k = p0' exp(-k tc / size).
int phaseExpInit(psBuff *ps, int size, float p0, float tc);
// Rotates the first size points of (re, im) by the table. Returns 0.
int phase(float *re, float *im, const psBuff *ps);
// Releases the arrays and empties the table. Returns 0.
int phaseFree(psBuff *ps);

}  // namespace korim::spectral
