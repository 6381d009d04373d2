// Test support: hand-built structures and a textbook torsion to measure structures against.
#pragma once

#include <cmath>

#include "structure/pdb.h"

namespace korim_test {

struct AtomSpec {
    int resID;
    const char* resName;
    const char* atomName;
    const char* chain;
    const char* seg;
    const char* icode;
};

// A structure of the given atoms (atom i at x = i, serial i + 1), key tables created, not indexed.
inline void appendAtoms(korim::structure::PDBInfo* p, const AtomSpec* specs, int n) {
    using namespace korim::structure;
    pdbNull(p);
    pdbInit(p);
    for (int i = 0; i < n; i++) {
        AtomInfo* a = getNextAtom(p);
        a->atomID = i + 1;
        a->resID = specs[i].resID;
        pdbStrCpy(a->resName, specs[i].resName);
        pdbStrCpy(a->atomName, specs[i].atomName);
        pdbStrCpy(a->chainID, specs[i].chain);
        pdbStrCpy(a->segID, specs[i].seg);
        pdbStrCpy(a->icode, specs[i].icode != nullptr ? specs[i].icode : "");
        a->x = static_cast<float>(i);
    }
}

// Torsion of points p[0..2], p[3..5], p[6..8], p[9..11] in degrees by the
// textbook form atan2(|v| u.(v x w), (u x v).(v x w)).
inline double refDihedral(const double* p) {
    double u[3], v[3], w[3];
    for (int i = 0; i < 3; i++) {
        u[i] = p[3 + i] - p[i];
        v[i] = p[6 + i] - p[3 + i];
        w[i] = p[9 + i] - p[6 + i];
    }
    double a[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double b[3] = {v[1] * w[2] - v[2] * w[1], v[2] * w[0] - v[0] * w[2], v[0] * w[1] - v[1] * w[0]};
    double nv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    double y = nv * (u[0] * b[0] + u[1] * b[1] + u[2] * b[2]);
    double x = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::atan2(y, x) * 180.0 / M_PI;
}

inline double refDihedral(const korim::structure::AtomInfo* a, const korim::structure::AtomInfo* b,
                          const korim::structure::AtomInfo* c, const korim::structure::AtomInfo* d) {
    const double p[12] = {a->x, a->y, a->z, b->x, b->y, b->z, c->x, c->y, c->z, d->x, d->y, d->z};
    return refDihedral(p);
}

}  // namespace korim_test
