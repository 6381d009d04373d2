// Phi/psi shift surfaces of the restraint library: the loaded surface list and its assignment to residues.
#include <strings.h>

#include "restraints/surf_services.h"

using korim::structure::PhiPsiSurface;
using korim::structure::ResInfo;

namespace korim::restraints {

namespace {

// Surfaces loaded by the restraint library. The program itself never loads
// any, so the list stays empty here.
struct SurfModule {
    PhiPsiSurface* surfList = nullptr;
    int surfCount = 0;
};

SurfModule surf;

// Surface type of a phi/psi conformation surface.
constexpr int kPhiPsiSurfType = 2;

PhiPsiSurface* findPhiPsiSurf(const char* name) {
    for (int i = 0; i < surf.surfCount; i++) {
        PhiPsiSurface* s = &surf.surfList[i];
        if (s->type == kPhiPsiSurfType && strcasecmp(s->surfName, name) == 0) return s;
    }
    return nullptr;
}

}  // namespace

int setPhiPsiSurf(ResInfo* resList, int resCount, int xPROFlag) {
    if (resList == nullptr || resCount < 1) return 0;
    for (int i = 0; i < resCount; i++) {
        ResInfo* res = &resList[i];
        res->phiPsiSurf = nullptr;
        if (res->atomCount < 1) continue;
        const char* name = res->resName;
        // A residue before a proline has its own conformational preferences.
        if (xPROFlag && i + 1 < resCount && strcasecmp(name, "PRO") != 0 &&
            strcasecmp(name, "GLY") != 0 && strcasecmp(resList[i + 1].resName, "PRO") == 0) {
            name = "xPRO";
        }
        res->phiPsiSurf = findPhiPsiSurf(name);
    }
    return 0;
}

}  // namespace korim::restraints
