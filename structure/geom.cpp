// The structure module's current 4x4 transform (rotations, translations, scaling) and the bond and torsion angle primitives.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/constants.h"
#include "structure/pdb.h"

namespace korim::structure {

using foundation::kPi8;
using foundation::kRadToDeg;

namespace {

// Degrees to radians as the transforms have always converted them.

struct TransformModule {
    // Identity from the start: applying before any reset must not collapse
    // the atoms onto the origin.
    Matrix4x4 current = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

TransformModule xf;

void copy4x4(Matrix4x4 dst, const Matrix4x4 src) { std::memcpy(dst, src, sizeof(Matrix4x4)); }

// current = t x current
void append(const Matrix4x4 t) { m4x4Mult(t, xf.current); }

void appendAxisRotation(int axis, float theta) {
    double rad = theta * kPi8 / 180.0;
    float c = static_cast<float>(std::cos(rad));
    float s = static_cast<float>(std::sin(rad));
    Matrix4x4 t;
    m4x4SetIdentity(t);
    if (axis == 0) {
        t[1][1] = c;
        t[1][2] = -s;
        t[2][1] = s;
        t[2][2] = c;
    } else if (axis == 1) {
        t[0][0] = c;
        t[0][2] = s;
        t[2][0] = -s;
        t[2][2] = c;
    } else {
        t[0][0] = c;
        t[0][1] = -s;
        t[1][0] = s;
        t[1][1] = c;
    }
    append(t);
}

void transformPoint(const Matrix4x4 m, float* x, float* y, float* z) {
    double px = *x, py = *y, pz = *z;
    *x = static_cast<float>(m[0][0] * px + m[0][1] * py + m[0][2] * pz + m[0][3]);
    *y = static_cast<float>(m[1][0] * px + m[1][1] * py + m[1][2] * pz + m[1][3]);
    *z = static_cast<float>(m[2][0] * px + m[2][1] * py + m[2][2] * pz + m[2][3]);
}

template <typename T>
int dihedral(T x0, T y0, T z0, T x1, T y1, T z1, T x2, T y2, T z2, T x3, T y3, T z3, T* phi) {
    *phi = 0;
    T ux = x1 - x0, uy = y1 - y0, uz = z1 - z0;
    T vx = x2 - x1, vy = y2 - y1, vz = z2 - z1;
    T wx = x3 - x2, wy = y3 - y2, wz = z3 - z2;
    // Plane normals A = u x v, B = v x w; M = A x B lies along v.
    T ax = uy * vz - uz * vy, ay = uz * vx - ux * vz, az = ux * vy - uy * vx;
    T bx = vy * wz - vz * wy, by = vz * wx - vx * wz, bz = vx * wy - vy * wx;
    T mx = ay * bz - az * by, my = az * bx - ax * bz, mz = ax * by - ay * bx;
    T dot = ax * bx + ay * by + az * bz;
    T n = std::sqrt((ax * ax + ay * ay + az * az) * (bx * bx + by * by + bz * bz));
    if (n == 0) {
        *phi = dot < 0 ? 180 : 0;
        return 0;
    }
    T cosine = dot / n;
    if (cosine < T(-1.001) || cosine > T(1.001)) return 1;
    if (cosine > 1) cosine = 1;
    if (cosine < -1) cosine = -1;
    T angle = static_cast<T>(std::acos(cosine) * kRadToDeg);
    // The sign is that of M.v: positive for a clockwise turn seen along v.
    // (M vanishes for planar trans and cis arrangements: -180 and 0.)
    T mv = mx * vx + my * vy + mz * vz;
    *phi = (mv > 0 || angle == 0) ? angle : -angle;
    return 0;
}

// Law of cosines in the precision T (single precision rounds every step,
// the product -2ab included).
template <typename T>
int bondAngle(T x1, T y1, T z1, T x2, T y2, T z2, T x3, T y3, T z3, T* theta) {
    *theta = 0;
    T a2 = (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2) + (z1 - z2) * (z1 - z2);
    T b2 = (x2 - x3) * (x2 - x3) + (y2 - y3) * (y2 - y3) + (z2 - z3) * (z2 - z3);
    T q = T(-2) * std::sqrt(a2) * std::sqrt(b2);
    if (q == 0) return 1;
    T c2 = (x1 - x3) * (x1 - x3) + (y1 - y3) * (y1 - y3) + (z1 - z3) * (z1 - z3);
    T cosine = (c2 - (a2 + b2)) / q;
    // Straight and folded angles land just outside [-1, 1] by rounding.
    constexpr T kSlack = static_cast<T>(1e-5);
    if (cosine < -1 - kSlack || cosine > 1 + kSlack) return 1;
    if (cosine > 1) cosine = 1;
    if (cosine < -1) cosine = -1;
    *theta = static_cast<T>(std::acos(cosine) * kRadToDeg);
    return 0;
}

}  // namespace

// ---- Plain matrices ----------------------------------------------------------

int m4x4SetIdentity(Matrix4x4 m) {
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) m[r][c] = r == c ? 1.0f : 0.0f;
    return 0;
}

int m4x4SetZero(Matrix4x4 m) {
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) m[r][c] = 0.0f;
    return 0;
}

int m4x4Mult(const Matrix4x4 a, Matrix4x4 b) {
    Matrix4x4 p;
    for (int r = 0; r < 4; r++) {
        for (int c = 0; c < 4; c++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++) sum += a[r][k] * b[k][c];
            p[r][c] = sum;
        }
    }
    copy4x4(b, p);
    return 0;
}

int m4x4Transpose(Matrix4x4 mT, const Matrix4x4 m) {
    Matrix4x4 t;
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) t[c][r] = m[r][c];
    copy4x4(mT, t);
    return 0;
}

// ---- The current transform ---------------------------------------------------

int pdb3dReset() { return m4x4SetIdentity(xf.current); }

int pdb3dCopyCurrentMatrix(Matrix4x4 m) {
    copy4x4(m, xf.current);
    return 0;
}

int pdb3dGet4x4(Matrix4x4 r) { return pdb3dCopyCurrentMatrix(r); }

int pdb3dGet3x3(float r[3][3]) {
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) r[i][j] = xf.current[i][j];
    return 0;
}

int pdb3dShow() {
    std::fprintf(stderr, "\n");
    for (int r = 0; r < 4; r++) {
        for (int c = 0; c < 4; c++) std::fprintf(stderr, " %9.4f", xf.current[r][c]);
        std::fprintf(stderr, "\n");
    }
    std::fprintf(stderr, "\n");
    return 0;
}

int pdb3dAppendTransform(const Matrix4x4 m) {
    append(m);
    return 0;
}

int pdb3dAppendTranslation(float tx, float ty, float tz) {
    Matrix4x4 t;
    m4x4SetIdentity(t);
    t[0][3] = tx;
    t[1][3] = ty;
    t[2][3] = tz;
    append(t);
    return 0;
}

int pdb3dAppendScale(float sx, float sy, float sz, float cx, float cy, float cz) {
    Matrix4x4 t;
    m4x4SetIdentity(t);
    t[0][0] = sx;
    t[1][1] = sy;
    t[2][2] = sz;
    t[0][3] = (1.0f - sx) * cx;
    t[1][3] = (1.0f - sy) * cy;
    t[2][3] = (1.0f - sz) * cz;
    append(t);
    return 0;
}

int pdb3dAppendXRotation0(float theta) {
    appendAxisRotation(0, theta);
    return 0;
}

int pdb3dAppendYRotation0(float theta) {
    appendAxisRotation(1, theta);
    return 0;
}

int pdb3dAppendZRotation0(float theta) {
    appendAxisRotation(2, theta);
    return 0;
}

int pdb3dAppendRotation0(float psi, float theta, float phi) {
    appendAxisRotation(0, psi);
    appendAxisRotation(1, theta);
    appendAxisRotation(2, phi);
    return 0;
}

namespace {

int axisRotation1(int axis, float xa, float ya, float za, float theta) {
    pdb3dAppendTranslation(-xa, -ya, -za);
    appendAxisRotation(axis, theta);
    pdb3dAppendTranslation(xa, ya, za);
    return 0;
}

}  // namespace

int pdb3dAppendXRotation1(float xa, float ya, float za, float theta) {
    return axisRotation1(0, xa, ya, za, theta);
}

int pdb3dAppendYRotation1(float xa, float ya, float za, float theta) {
    return axisRotation1(1, xa, ya, za, theta);
}

int pdb3dAppendZRotation1(float xa, float ya, float za, float theta) {
    return axisRotation1(2, xa, ya, za, theta);
}

int pdb3dAppendRotation1(float xc, float yc, float zc, float alpha, float beta) {
    pdb3dAppendTranslation(-xc, -yc, -zc);
    appendAxisRotation(1, alpha);
    appendAxisRotation(0, beta);
    pdb3dAppendTranslation(xc, yc, zc);
    return 0;
}

int pdb3dAppendRotation2(float xa, float ya, float za, float xb, float yb, float zb, float theta) {
    double dx = xb - xa, dy = yb - ya, dz = zb - za;
    double rad = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (rad == 0.0) return 0;
    // Unit quaternion of the turn about d by theta.
    double h = theta * kPi8 / 360.0;
    double w = std::cos(h), s = std::sin(h);
    double qa = dx * s / rad, qb = dy * s / rad, qc = dz * s / rad;
    Matrix4x4 r;
    m4x4SetIdentity(r);
    r[0][0] = static_cast<float>(1 - 2 * qb * qb - 2 * qc * qc);
    r[0][1] = static_cast<float>(2 * qa * qb - 2 * w * qc);
    r[0][2] = static_cast<float>(2 * qa * qc + 2 * w * qb);
    r[1][0] = static_cast<float>(2 * qa * qb + 2 * w * qc);
    r[1][1] = static_cast<float>(1 - 2 * qa * qa - 2 * qc * qc);
    r[1][2] = static_cast<float>(2 * qb * qc - 2 * w * qa);
    r[2][0] = static_cast<float>(2 * qa * qc - 2 * w * qb);
    r[2][1] = static_cast<float>(2 * qb * qc + 2 * w * qa);
    r[2][2] = static_cast<float>(1 - 2 * qa * qa - 2 * qb * qb);
    pdb3dAppendTranslation(-xa, -ya, -za);
    append(r);
    pdb3dAppendTranslation(xa, ya, za);
    return 0;
}

// ---- Applying ----------------------------------------------------------------

int pdb3dApplyTransform(PDBInfo* p, int minID, int maxID) {
    if (p == nullptr || p->atomList == nullptr) return 0;
    for (int i = 0; i < p->atomCount; i++) {
        AtomInfo* a = &p->atomList[i];
        if (a->selected >= minID && a->selected <= maxID) transformPoint(xf.current, &a->x, &a->y, &a->z);
    }
    return 0;
}

int pdb3dCoordTransform(Coord3D* coordInfo, int count) {
    if (coordInfo == nullptr) return 0;
    for (int i = 0; i < count; i++)
        transformPoint(xf.current, &coordInfo[i].x, &coordInfo[i].y, &coordInfo[i].z);
    return 0;
}

int pdb3dApplyTranslation(PDBInfo* p, int minID, int maxID, float tx, float ty, float tz) {
    if (p == nullptr || p->atomList == nullptr) return 0;
    for (int i = 0; i < p->atomCount; i++) {
        AtomInfo* a = &p->atomList[i];
        if (a->selected < minID || a->selected > maxID) continue;
        a->x += tx;
        a->y += ty;
        a->z += tz;
    }
    return 0;
}

int pdb3dCoordTranslation(Coord3D* coordInfo, int count, float tx, float ty, float tz) {
    if (coordInfo == nullptr) return 0;
    for (int i = 0; i < count; i++) {
        coordInfo[i].x += tx;
        coordInfo[i].y += ty;
        coordInfo[i].z += tz;
    }
    return 0;
}

// ---- Angles between points ---------------------------------------------------

int get3DAngle(float rx1, float ry1, float rz1, float rx2, float ry2, float rz2, float rx3,
               float ry3, float rz3, float* theta) {
    float t = 0.0f;
    int status = bondAngle<float>(rx1, ry1, rz1, rx2, ry2, rz2, rx3, ry3, rz3, &t);
    if (theta != nullptr) *theta = t;
    return status;
}

int get3DAngleD(double rx1, double ry1, double rz1, double rx2, double ry2, double rz2,
                double rx3, double ry3, double rz3, double* theta) {
    double t = 0.0;
    int status = bondAngle<double>(rx1, ry1, rz1, rx2, ry2, rz2, rx3, ry3, rz3, &t);
    if (theta != nullptr) *theta = t;
    return status;
}

int getDihedralAngle(float rx0, float ry0, float rz0, float rx1, float ry1, float rz1, float rx2,
                     float ry2, float rz2, float rx3, float ry3, float rz3, float* phi) {
    float p = 0.0f;
    int status = dihedral<float>(rx0, ry0, rz0, rx1, ry1, rz1, rx2, ry2, rz2, rx3, ry3, rz3, &p);
    if (phi != nullptr) *phi = p;
    return status;
}

int getDihedralAngleD(double rx0, double ry0, double rz0, double rx1, double ry1, double rz1,
                      double rx2, double ry2, double rz2, double rx3, double ry3, double rz3,
                      double* phi) {
    double p = 0.0;
    int status = dihedral<double>(rx0, ry0, rz0, rx1, ry1, rz1, rx2, ry2, rz2, rx3, ry3, rz3, &p);
    if (phi != nullptr) *phi = p;
    return status;
}

}  // namespace korim::structure
