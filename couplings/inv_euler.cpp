// Euler angles (z, y', z'' convention) of a rotation matrix with orthonormal columns.
#include <cmath>

#include "couplings/dc.h"
#include "foundation/constants.h"

namespace korim::couplings {

namespace {

// acos of a cosine that rounding may push just past +/-1 (for example m31/sin(beta) when
// alpha is 0): unclamped, such a rotation would give NaN angles.
double acosClamped(double c) { return std::acos(std::fmax(-1.0, std::fmin(1.0, c))); }

// Angle in degrees, [0, 360), from its cosine and the sign of its sine.
double angleFromCosSin(double c, double s) {
    const double a = acosClamped(c) * 180.0 / foundation::kPi8;
    return s >= 0.0 ? a : 360.0 - a;
}
}  // namespace

// m is 1-based (elements [1..3][1..3]) with orthonormal columns; w[1..3] receive alpha, beta,
// gamma in degrees.
void inv_euler(double m[4][4], double* w) {
    w[1] = w[2] = w[3] = 0.0;
    const double beta = acosClamped(m[3][3]);
    const double s = std::sin(beta);
    double alpha = 0.0;
    double gamma = 0.0;
    if (std::fabs(s) > 1e-10) {
        alpha = angleFromCosSin(m[3][1] / s, m[3][2] / s);
        gamma = angleFromCosSin(-m[1][3] / s, m[2][3] / s);
    } else {
        // beta at 0 or 180 degrees: only alpha +/- gamma is defined; gamma is set to 0.
        const double sign = m[3][3] < 0.0 ? -1.0 : 1.0;
        alpha = angleFromCosSin(sign * m[1][1], sign * m[1][2]);
        gamma = 0.0;
    }
    w[1] = alpha;
    w[2] = beta * 180.0 / foundation::kPi8;
    w[3] = gamma;
}

}  // namespace korim::couplings
