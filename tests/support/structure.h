// Test support: hand-built structures and a textbook torsion to measure structures against.
#pragma once

#include <cmath>

#include "structure/pdb.h"

namespace korim_test {

struct AtomSpec {
    int resID;
    const char *resName, *atomName, *chain, *seg, *icode;
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
    auto bond = [&](int k, int i) { return p[3 * k + 3 + i] - p[3 * k + i]; };  // component i of bond k
    auto cross = [&](int k, int l, int i) {
        return bond(k, (i + 1) % 3) * bond(l, (i + 2) % 3) - bond(k, (i + 2) % 3) * bond(l, (i + 1) % 3);
    };
    double nv = 0, y = 0, x = 0;
    for (int i = 0; i < 3; i++) {
        nv += bond(1, i) * bond(1, i);
        y += bond(0, i) * cross(1, 2, i);
        x += cross(0, 1, i) * cross(1, 2, i);
    }
    return std::atan2(std::sqrt(nv) * y, x) * 180.0 / M_PI;
}

inline double refDihedral(const korim::structure::AtomInfo* a, const korim::structure::AtomInfo* b,
                          const korim::structure::AtomInfo* c, const korim::structure::AtomInfo* d) {
    const double p[12] = {a->x, a->y, a->z, b->x, b->y, b->z, c->x, c->y, c->z, d->x, d->y, d->z};
    return refDihedral(p);
}

}  // namespace korim_test
