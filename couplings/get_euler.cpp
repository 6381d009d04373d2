// Euler angles (z, y', z'' convention) of a matrix whose columns are normalised first.
#include <cmath>

#include "couplings/dc.h"

namespace korim::couplings {

// m is 1-based; its columns are expected to be non-zero. m itself is not changed.
int get_euler(double m[4][4], double* w) {
    double n[4][4] = {};
    for (int c = 1; c <= 3; ++c) {
        const double len = std::sqrt(m[1][c] * m[1][c] + m[2][c] * m[2][c] + m[3][c] * m[3][c]);
        for (int r = 1; r <= 3; ++r) n[r][c] = m[r][c] / len;
    }
    inv_euler(n, w);
    return 0;
}

}  // namespace korim::couplings
