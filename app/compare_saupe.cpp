// Order-matrix comparison (-anA): combination, hinge rows, Euler and closure/twist/bend rotations
// between the frames of two alignment tensors, reported as the remark of a coupling table.
#include "app/compare_saupe.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/analyze_dc.h"
#include "app/fit_coords.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/writedc.h"
#include "foundation/appendf.h"
#include "foundation/constants.h"
#include "simulation/korim_utils_math.h"
#include "structure/pdb.h"

namespace korim::app {

using foundation::appendf;
using foundation::kPi8;

namespace {

constexpr int kFrames = 4;            // sign-equivalent frames and Euler solutions of a tensor
constexpr double kNoRotation = 1e-5;  // largest element of M - 1 still taken as no rotation

// The comparison works in double precision: a rotation built and multiplied in single
// precision is off by about 1e-7, which puts a hinge angle 0.02 degrees off 0 or 180 for two
// equal tensors. Every cosine is held to [-1, 1] before its arc cosine, so no angle is nan.
using Mat = double[3][3];

double deg2rad(double d) { return d * kPi8 / 180.0; }
double rad2deg(double r) { return r * 180.0 / kPi8; }
double acosDeg(double c) { return rad2deg(std::acos(std::fmax(-1.0, std::fmin(1.0, c)))); }
double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
// Angle (degrees) between two axes of unit vectors a and b: an axis has no direction, so the
// angle lies in 0..90.
double axisAngle(const double* a, const double* b) { return acosDeg(std::fabs(dot(a, b))); }

// out = a x b; out may alias an input.
void cross(const double* a, const double* b, double* out) {
  const double v[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                       a[0] * b[1] - a[1] * b[0]};
  for (int i = 0; i < 3; i++) out[i] = v[i];
}

// Scales v to unit length; false (v unchanged) for a zero vector.
bool normalise(double* v) {
  const double n = std::sqrt(dot(v, v));
  if (!(n > 0.0)) return false;
  for (int i = 0; i < 3; i++) v[i] /= n;
  return true;
}

// out = a b; out may alias an input.
void multiply(const Mat a, const Mat b, Mat out) {
  Mat p;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) p[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) out[i][j] = p[i][j];
}

// The rotation matrix M(theta, phi, psi) of the simulation (angles in degrees): its columns
// are the rotated lab axes.
void rotation(double theta, double phi, double psi, Mat m) {
  double ex[4], ey[4], ez[4];
  simulation::rotate_coorsystem(deg2rad(theta), deg2rad(phi), deg2rad(psi), ex, ey, ez);
  for (int r = 0; r < 3; r++) m[r][0] = ex[r + 1], m[r][1] = ey[r + 1], m[r][2] = ez[r + 1];
}

// A tensor analysed: eigenvectors, Euler solutions and the four sign-equivalent frames.
struct Frame {
  double eigVec[3][3] = {};
  double alpha[kFrames] = {}, beta[kFrames] = {}, gamma[kFrames] = {};
  double x[kFrames][3] = {}, y[kFrames][3] = {}, z[kFrames][3] = {};
  int count = 0;
};

int analyse(const double* saupe, const settings::KorimInfo* k, Frame* f) {
  double irr[5], gMag, eigVal[3], da, dr;
  if (couplings::analyzeSaupe(saupe, irr, &gMag, f->eigVec, eigVal, k->yzFlag, &da, &dr, f->alpha,
                              f->beta, f->gamma, k->eulerFlag) != 0) {
    std::fputs("Matrix: error in analyzeSaupe.\n", stderr);
    return 1;
  }
  f->count = couplings::make_eigVecList(f->eigVec, f->x, f->y, f->z);
  return 0;
}

// Angles (degrees, 0..90) between the x, y and z axes of two eigenvector matrices (columns 2,
// 1, 0).
void axisAngles(const double e1[3][3], const double e2[3][3], double angle[3]) {
  for (int k = 0; k < 3; k++) {
    const int col = 2 - k;
    const double a[3] = {e1[0][col], e1[1][col], e1[2][col]}, b[3] = {e2[0][col], e2[1][col], e2[2][col]};
    angle[k] = axisAngle(a, b);
  }
}

// Matrix whose columns are frame m's X, Y and Z axes.
void frameColumns(const Frame& f, int m, Mat b) {
  for (int r = 0; r < 3; r++) b[r][0] = f.x[m][r], b[r][1] = f.y[m][r], b[r][2] = f.z[m][r];
}

// z, y', z'' Euler angles (degrees) of a matrix with non-zero columns.
void eulerOf(const Mat m, double w[4]) {
  double one[4][4] = {};
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) one[r + 1][c + 1] = m[r][c];
  w[1] = w[2] = w[3] = 0.0;
  if (couplings::get_euler(one, w) != 0) std::printf("get_euler: error occured");
}

// The unit fixed axis of the rotation M, from the largest cross product of two rows of M - 1;
// its first non-zero component is positive (the axis has always been given as (1, y, z)
// normalised). No rotation leaves (0, 0, 0).
void hingeAxisOf(const Mat m, double axis[3]) {
  Mat a;
  double largest = 0.0;
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) {
      a[r][c] = m[r][c] - (r == c ? 1.0 : 0.0);
      largest = std::fmax(largest, std::fabs(a[r][c]));
    }
  axis[0] = axis[1] = axis[2] = 0.0;
  if (largest < kNoRotation) return;
  double best = -1.0;
  for (int p = 0; p < 3; p++) {
    double v[3];
    cross(a[p], a[(p + 1) % 3], v);
    const double n = dot(v, v);
    if (n > best) {
      best = n;
      for (int i = 0; i < 3; i++) axis[i] = v[i];
    }
  }
  if (!normalise(axis)) return;
  for (int i = 0; i < 3; i++)
    if (std::fabs(axis[i]) < 1e-6) axis[i] = 0.0;  // no "-0.000" from rounding
  int lead = 0;
  while (lead < 2 && axis[lead] == 0.0) lead++;
  if (axis[lead] < 0.0)
    for (int i = 0; i < 3; i++) axis[i] = -axis[i];
}

// Closure angle (folded to 0..90 degrees) and percentage of axis h against the twist axis t;
// both 0 for a zero axis.
void closureOf(const double* h, const double* t, double* angle, double* percent) {
  *angle = *percent = 0.0;
  if (dot(h, h) == 0.0) return;
  const double d = dot(h, t);
  *angle = axisAngle(h, t);
  double perp = 0.0;
  for (int i = 0; i < 3; i++) perp += (h[i] - d * t[i]) * (h[i] - d * t[i]);
  *percent = 100.0 * perp;
}

struct Hinge {
  double angle[kFrames] = {}, closure[kFrames] = {}, percent[kFrames] = {};
  double axis[kFrames][3] = {};
};

// Hinge rows: the rotation from tensor 1's first frame to each Euler solution of tensor 2.
void hingeRows(const Mat rot1, const Frame& f2, const double* twist, Hinge* h) {
  for (int k = 0; k < kFrames; k++) {
    Mat m;
    rotation(f2.beta[k], f2.alpha[k], f2.gamma[k], m);
    multiply(rot1, m, m);
    hingeAxisOf(m, h->axis[k]);
    h->angle[k] = acosDeg(0.5 * (m[0][0] + m[1][1] + m[2][2] - 1.0));
    closureOf(h->axis[k], twist, &h->closure[k], &h->percent[k]);
  }
}

// Closure/twist/bend frame F (columns closure, twist, bend axes) from the hinge and twist axes.
// A hinge along the twist axis (or none) leaves the bend axis free: any axis across the twist
// axis is taken.
void ctbFrame(const double* hinge, const double* twist, double closure[3], double bend[3]) {
  cross(hinge, twist, bend);
  if (!normalise(bend)) {
    std::fputs("korim: the hinge axis does not cross the twist axis; the bend axis is taken "
               "across the twist axis.\n", stderr);
    const double ex[3] = {1.0, 0.0, 0.0}, ey[3] = {0.0, 1.0, 0.0};
    cross(std::fabs(twist[0]) < 0.9 ? ex : ey, twist, bend);
    normalise(bend);
  }
  cross(twist, bend, closure);
}

struct Rotations {
  double alpha[kFrames] = {}, beta[kFrames] = {}, gamma[kFrames] = {};
  float psi[kFrames] = {}, theta[kFrames] = {}, phi[kFrames] = {};
  float cPsi[kFrames] = {}, cTheta[kFrames] = {}, cPhi[kFrames] = {};
};

// Superposes the columns of q onto those of ref (as single-precision points); the angles of
// the fit, or 1 on failure.
int fitColumns(const Mat ref, const Mat q, float* psi, float* theta, float* phi) {
  structure::fitAlignInit();
  if (fitCoordAlloc(3) != 0) return 1;
  FitCoords& fc = fitCoords();
  auto point = [](const Mat m, int c) {
    return structure::Coord3D{static_cast<float>(m[0][c]), static_cast<float>(m[1][c]),
                              static_cast<float>(m[2][c])};
  };
  for (int c = 0; c < 3; c++) fc.refList[c] = point(ref, c), fc.aList[c] = point(q, c);
  float tx, ty, tz, rms;
  const int rc = structure::fitAlignCoords(fc.refList, fc.aList, 3, psi, theta, phi, &tx, &ty, &tz,
                                           &rms, 0, 0);
  fitCoordFree();
  return rc;
}

int rotations(const Mat rot1, const Frame& f1, const Frame& f2, const Mat frameF, Rotations* r) {
  double w[4];
  eulerOf(frameF, w);
  Mat rotInt, q1;
  rotation(-w[2], -w[3], -w[1], rotInt);
  frameColumns(f1, 0, q1);
  multiply(rotInt, q1, q1);
  for (int m = 0; m < f2.count && m < kFrames; m++) {
    Mat b, p, q;
    frameColumns(f2, m, b);
    multiply(rot1, b, p);
    eulerOf(p, w);
    r->alpha[m] = w[1];
    r->beta[m] = w[2];
    r->gamma[m] = w[3];
    float pf[3][3];
    for (int i = 0; i < 9; i++) pf[i / 3][i % 3] = static_cast<float>(p[i / 3][i % 3]);
    couplings::rot2euler1(pf, &r->psi[m], &r->theta[m], &r->phi[m]);
    multiply(rotInt, b, q);
    if (fitColumns(q1, q, &r->cPsi[m], &r->cTheta[m], &r->cPhi[m]) != 0) return 1;
  }
  return 0;
}

void reportSaupe(std::string& out, const char* label, const double* s, const char* end) {
  appendf(out, "DATA SAUPE %-7s% .4e % .4e % .4e % .4e % .4e\n%s", label, s[0], s[1], s[2], s[3],
          s[4], end);
}

void reportRows(std::string& out, const char* label, const double* v, const char* end) {
  appendf(out, "%-25s%7.2f  %7.2f  %7.2f  %7.2f\n%s", label, v[0], v[1], v[2], v[3], end);
}

}  // namespace

int addSaupe(int opCode, float c1, float c2, const double* userSaupe1, const double* userSaupe2,
             double* saupe) {
  for (int i = 0; i < 5; i++) saupe[i] = 0.0;
  if (opCode == settings::kOpMax) {
    double irr[5], g1 = 0.0, g2 = 0.0;
    couplings::irreducRepres(userSaupe1, &g1, irr);
    couplings::irreducRepres(userSaupe2, &g2, irr);
    for (int i = 0; i < 5; i++) saupe[i] = g1 >= g2 ? c1 * userSaupe1[i] : c2 * userSaupe2[i];
    return 0;
  }
  if (opCode < settings::kOpAdd || opCode > settings::kOpDiv) return 0;
  for (int i = 0; i < 5; i++) {
    saupe[i] = addDC(opCode, c1, c2, userSaupe1[i], userSaupe2[i]);
    if (!std::isfinite(saupe[i])) {
      std::fprintf(stderr, "korim: element %d of the combined order matrix is not a number "
                           "(division by zero).\n", i + 1);
      return 1;
    }
  }
  return 0;
}

int compareSaupe(const settings::KorimInfo* korimInfo, const double* userSaupe1,
                 const double* userSaupe2, const char* outName, couplings::DTable* dTab,
                 const float* hingeAxis, float* twistAxis, const char* /*remark*/) {
  const settings::KorimInfo* k = korimInfo;
  if (k->rotN < 0 || k->rotN >= kFrames) {
    std::fprintf(stderr, "korim: -rotID %d names no hinge row (0 to 3).\n", k->rotN);
    return 1;
  }
  // A zero tensor (an option not given, or given as zeros) has no principal frame to compare.
  const double* given[2] = {userSaupe1, userSaupe2};
  for (int m = 0; m < 2; m++) {
    bool zero = true;
    for (int i = 0; i < 5; i++) zero = zero && given[m][i] == 0.0;
    if (zero) {
      std::fprintf(stderr, "korim: order matrix %d (-inS%d) is zero; it has no frame to compare.\n", m + 1,
                   m + 1);
      return 1;
    }
  }
  double result[5];
  if (addSaupe(k->opCode, k->c1, k->c2, userSaupe1, userSaupe2, result) != 0) {
    std::fputs("korim: error in addSaupe.\n", stderr);
    return 1;
  }
  Frame f1, f2, fr;
  if (analyse(userSaupe1, k, &f1) != 0) return 1;
  Mat rot1;
  rotation(-f1.beta[0], -f1.gamma[0], -f1.alpha[0], rot1);
  if (analyse(userSaupe2, k, &f2) != 0) return 1;

  // The twist axis is handed back normalised.
  double t[3] = {twistAxis[0], twistAxis[1], twistAxis[2]};
  if ((t[0] == t[1] && t[1] == t[2]) || !normalise(t)) t[0] = t[1] = 0.0, t[2] = 1.0;
  for (int i = 0; i < 3; i++) twistAxis[i] = static_cast<float>(t[i]);
  Hinge h;
  hingeRows(rot1, f2, t, &h);

  double hinge[3] = {h.axis[k->rotN][0], h.axis[k->rotN][1], h.axis[k->rotN][2]};
  if (!(hingeAxis[0] == hingeAxis[1] && hingeAxis[1] == hingeAxis[2])) {
    for (int i = 0; i < 3; i++) hinge[i] = hingeAxis[i];
    normalise(hinge);
    double angle, percent;
    closureOf(hinge, t, &angle, &percent);
    std::printf("REMARK %.2f degree between input hinge and twist axis.\n", angle);
    std::printf("REMARK This corresponds to %.2f %% closure motion.\n", percent);
  }
  double bend[3], closure[3];
  ctbFrame(hinge, t, closure, bend);
  Mat frameF;
  for (int r = 0; r < 3; r++) frameF[r][0] = closure[r], frameF[r][1] = t[r], frameF[r][2] = bend[r];

  Rotations rot;
  if (rotations(rot1, f1, f2, frameF, &rot) != 0) {
    std::fputs("korim: error in compareSaupe.\n", stderr);
    return 1;
  }
  if (analyse(result, k, &fr) != 0) return 1;
  double axes3[3], coll = 0.0, angle5 = 0.0;
  axisAngles(f1.eigVec, f2.eigVec, axes3);
  if (couplings::irrCollinarity(userSaupe1, userSaupe2, &coll, &angle5) != 0) {
    std::fputs("korim: error in compareSaupe.\n", stderr);
    return 1;
  }

  std::string out = "\nREMARK Input order matrices.\n\n";
  reportSaupe(out, "1", userSaupe1, "");
  reportSaupe(out, "2", userSaupe2, "");
  reportSaupe(out, "RESULT", result, "\n");
  appendf(out, "\nREMARK Relative orientation of alignment tensors.\n\n");
  appendf(out, "DATA ANGLE_3D_AXES (X/Y/Z)  %.2f %.2f %.2f\n", axes3[0], axes3[1], axes3[2]);
  appendf(out, "\nDATA ANGLE_5D_SPACE  %.2f\n", angle5);
  appendf(out, "DATA COLL_5D         %.5f\n", coll);
  appendf(out, "\n\nREMARK Hinge rotation between Saupe frames.\n\n");
  reportRows(out, "DATA HINGE_ANGLES", h.angle, "");
  reportRows(out, "DATA CLOSURE_ANGLES", h.closure, "");
  reportRows(out, "DATA CLOSURE_PERCENTAGE", h.percent, "\n");
  for (int i = 0; i < kFrames; i++)
    appendf(out, "DATA HINGE_AXIS (X/Y/Z) %2d  %6.3f  %6.3f  %6.3f\n", i, h.axis[i][0], h.axis[i][1],
            h.axis[i][2]);
  appendf(out, "\n\nREMARK Euler rotation between Saupe frames.\n\n");
  appendf(out, "DATA Q_EULER_SOLUTIONS  REL  %5s  %7s  %7s\n", "ALPHA", "BETA", "GAMMA");
  for (int i = 0; i < kFrames; i++)
    appendf(out, "DATA Q_EULER_ANGLES     %2d  %7.2f  %7.2f  %7.2f\n", i + 1, rot.alpha[i],
            rot.beta[i], rot.gamma[i]);
  appendf(out, "\nDATA EULER_SOLUTIONS    REL  %5s  %7s  %7s\n", "PSI", "THETA", "PHI");
  for (int i = 0; i < kFrames; i++)
    appendf(out, "DATA EULER_ANGLES       %2d  %7.2f  %7.2f  %7.2f\n", i + 1,
            static_cast<double>(rot.psi[i]), static_cast<double>(rot.theta[i]),
            static_cast<double>(rot.phi[i]));
  appendf(out, "\n\nREMARK Closure/twist/bend rotation between Saupe frames.\n\n");
  appendf(out, "DATA EULER_SOLUTIONS    REL  %5s  %7s  %7s\n", "CLOSURE", "TWIST", "BEND");
  for (int i = 0; i < kFrames; i++)
    appendf(out, "DATA CTB_ANGLES         %2d  %7.2f  %7.2f  %7.2f\n", i + 1,
            static_cast<double>(rot.cPsi[i]), static_cast<double>(rot.cTheta[i]),
            static_cast<double>(rot.cPhi[i]));
  appendf(out, "\n\nREMARK Closure, twist, bend frame.\n\n");
  const char* names[3] = {"X_AXIS", "Y_AXIS", "Z_AXIS"};
  const double* axes[3] = {closure, t, bend};
  for (int i = 0; i < 3; i++)
    appendf(out, "DATA CTB_FRAME %s (X/Y/Z) % .4e % .4e % .4e\n", names[i], axes[i][0], axes[i][1],
            axes[i][2]);
  appendf(out, "\n\n");

  for (int i = 0; i < 5; i++) dTab->dTensor.saupe[i] = static_cast<float>(result[i]);
  if (couplings::writeDCmod(outName, "w", dTab, k, out.c_str()) != 0) {
    std::fputs("korim: error in writeDCmod.\n", stderr);
    return 1;
  }
  return 0;
}

}  // namespace korim::app
