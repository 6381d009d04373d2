// Start and stop of the restraint library.
#include "restraints/merido.h"
#include "restraints/restab.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "couplings/dc.h"
#include "restraints/energy.h"
#include "restraints/surf.h"
#include "structure/pdb.h"
#include "structure/pdbhooks.h"

namespace korim::restraints {

namespace {

struct MeridoModule {
    int merInitFlag = 0;
    std::string surfPath;  // surface directory
    std::string rcName;    // random-coil table of the surface directory
    std::string homoName;  // homology table of the surface directory
};

MeridoModule merido;

}  // namespace

int merInit(int /*unused*/, int ramaMode) {
    const char* surfDir = std::getenv("SURF_DIR");
    merido.rcName = "rc.tab";
    merido.homoName = "homo.tab";
    surfNull();
    couplings::dipolarNull();
    if (ramaMode == 1 && surfDir != nullptr) {
        merido.surfPath = surfDir;
        if (surfRead(merido.surfPath.c_str(), merido.rcName.c_str(), merido.homoName.c_str()) != 0)
            merReport("MERIDO Error Reading Phi/Psi Surfaces.\n");
    }
    structure::pdb3dReset();
    structure::setPhiPsiSurfHook(setPhiPsiSurf);
    merido.merInitFlag = 1;
    return 0;
}

int merDone() {
    couplings::dipolarFree();
    surfFree();
    energyFree();
    return 0;
}

int getMerInitFlag() { return merido.merInitFlag; }

void meridoReset() { merido = MeridoModule{}; }

}  // namespace korim::restraints
