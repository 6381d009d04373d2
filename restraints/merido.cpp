// Start and stop of the restraint library.
#include "restraints/merido.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "couplings/dc.h"
#include "restraints/energy.h"
#include "restraints/surf_services.h"
#include "structure/pdb.h"
#include "structure/pdbhooks.h"

namespace korim::restraints {

namespace {

constexpr int kPathLen = 256;  // surface directory: at most 255 characters

struct MeridoModule {
    int merInitFlag = 0;
    char surfPath[kPathLen] = "";
    char rcName[kPathLen] = "";    // random-coil table of the surface directory
    char homoName[kPathLen] = "";  // homology table of the surface directory
};

MeridoModule merido;

}  // namespace

int merInit(int /*unused*/, int ramaMode) {
    const char* surfDir = std::getenv("SURF_DIR");
    std::snprintf(merido.rcName, kPathLen, "%s", "rc.tab");
    std::snprintf(merido.homoName, kPathLen, "%s", "homo.tab");
    surfNull();
    couplings::dipolarNull();
    if (ramaMode == 1 && surfDir != nullptr) {
        std::snprintf(merido.surfPath, kPathLen, "%s", surfDir);
        // Reading the surfaces of merido.surfPath needs the surface reader, which this build
        // does not have: the load fails as a failed read does, and the run goes on without.
        std::fprintf(stderr, "MERIDO Error Reading Phi/Psi Surfaces.\n");
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
