// Delphic torsion energies: Gaussian sums over one to four torsions with their derivatives.
#include "restraints/delphic.h"

#include <cmath>

namespace korim::restraints {

namespace {

constexpr double kGaussCut = -7.0;  // exponents at or below are skipped

int delphicEnergy(DTInfo* t, int dims, double forceConst, GenericEnergy* e) {
    e->energy = e->delta = 0.0;
    AtomInfo** a = t->atom;
    for (int k = 0; k < dims; k++) {
        if (!merTorsionUsable(a[4 * k], a[4 * k + 1], a[4 * k + 2], a[4 * k + 3])) return 1;
    }
    if (t->dtgList == nullptr || t->dtgCount < 1 || t->dtgList[0] == nullptr) return 0;
    const DTGInfo* first = t->dtgList[0];
    double phi[4], grad[4] = {0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < dims; k++) {
        phi[k] = merPhaseCorrectedTorsion(a[4 * k], a[4 * k + 1], a[4 * k + 2], a[4 * k + 3],
                                          first->phase[2 * k], first->phase[2 * k + 1]);
    }
    double energy = 0.0;
    for (int gi = 0; gi < t->dtgCount; gi++) {
        const DTGInfo* g = t->dtgList[gi];
        if (g == nullptr) continue;
        double x[4], q = 0.0;
        for (int k = 0; k < dims; k++) {
            x[k] = merNormalizedTorsion(phi[k] - g->center[k], first->range[k]);
            q -= g->inverseWidth[k] * x[k] * x[k];
        }
        if (q <= kGaussCut) continue;
        double term = forceConst * g->height * std::exp(q);
        energy += term;
        for (int k = 0; k < dims; k++) grad[k] += -2.0 * g->inverseWidth[k] * x[k] * term;
    }
    for (int k = 0; k < dims; k++) {
        merApplyTorsionForces(a[4 * k], a[4 * k + 1], a[4 * k + 2], a[4 * k + 3], grad[k]);
    }
    e->energy = energy;
    return 0;
}

}  // namespace

int merDelphicTorsion1DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo) {
    return delphicEnergy(delTor, 1, forceConst, energyInfo);
}
int merDelphicTorsion2DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo) {
    return delphicEnergy(delTor, 2, forceConst, energyInfo);
}
int merDelphicTorsion3DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo) {
    return delphicEnergy(delTor, 3, forceConst, energyInfo);
}
int merDelphicTorsion4DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo) {
    return delphicEnergy(delTor, 4, forceConst, energyInfo);
}

}  // namespace korim::restraints
