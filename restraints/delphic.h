// Delphic torsion energies: knowledge-based potentials of Gaussian terms over one to four torsion angles.
#pragma once

#include "restraints/kernel.h"

namespace korim::restraints {

// One Gaussian term. Angles in radians.
struct DTGInfo {
    int id, count, valid, dimCount;
    float height;           // weight of the term
    float inverseWidth[4];  // per dimension, the factor of the squared offset in the exponent
    float center[4];        // per dimension, the centre of the well
    float range[4];         // per dimension, the period of the angle (normally 2 pi)
    float phase[8];         // per dimension: window start, and the shift applied below it
    char name[32];
};

// One restraint; dimension k (0..3) is the torsion of atom[4k] .. atom[4k+3]. The window and
// the period of every dimension come from the first Gaussian of dtgList.
struct DTInfo {
    int id, count, valid, type;
    int resID[16];
    char resName[16][16], atomName[16][16], chainName[16][16], segName[16][16];
    AtomInfo* atom[16];
    char* auxInfo[16];
    char name[32];
    DTGInfo** dtgList;
    int atomCount, dtgCount, dimCount;
    float fc, w, s;
};

// A table of Delphic restraints, built by the caller (the library reads none).
struct DTTable {
    int type;
    DTInfo* dtList;
    DTInfo** idList;
    int minID, maxID, dtCount, idCount, maxIDCount, currentID;
    int nullChainName, nullSegName;
};

// Energy of the restraint over its first 1, 2, 3 or 4 torsions: the sum of forceConst x height
// x exp(-sum inverseWidth x offset^2) over the Gaussians whose exponent is above -7; delta 0.
// 0, or 1 (energy 0, no derivatives) when a torsion is degenerate. A restraint without
// Gaussians has energy 0.
int merDelphicTorsion1DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo);
int merDelphicTorsion2DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo);
int merDelphicTorsion3DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo);
int merDelphicTorsion4DEnergy(DTInfo* delTor, double forceConst, GenericEnergy* energyInfo);

}  // namespace korim::restraints
