// Phi/psi shift surfaces of the restraint library: the loaded surface list and its assignment to residues.
#include <strings.h>

#include "restraints/surf_services.h"

#include "foundation/hsymbol.h"
#include "foundation/memory.h"

using korim::foundation::HTable;
using korim::foundation::hSymTabFree;
using korim::foundation::unAlloc;
using korim::structure::PhiPsiSurface;
using korim::structure::ResInfo;

namespace korim::restraints {

namespace {

// Surfaces loaded by the restraint library with the random-coil and homology
// tables. The program itself never loads any, so the list stays empty there.
struct SurfModule {
    PhiPsiSurface* surfList = nullptr;  // tag "mer", surfCount records
    int surfCount = 0;
    int shiftSurfCount = 0;
    int confSurfCount = 0;
    HTable* randCoilTab = nullptr;
    HTable* homoTab = nullptr;
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

// Bytes of one grid of a surface (value, density and deviation grids alike).
int gridBytes(const PhiPsiSurface* s) {
    return s->phiCount * s->psiCount * static_cast<int>(sizeof(float));
}

}  // namespace

int surfNull() {
    surf = SurfModule{};
    return 0;
}

int surfFree() {
    for (int i = 0; surf.surfList != nullptr && i < surf.surfCount; i++) {
        PhiPsiSurface* s = &surf.surfList[i];
        if (s->value != nullptr) unAlloc("CS", s->value, gridBytes(s));
        if (s->density != nullptr) unAlloc("CS", s->density, gridBytes(s));
        if (s->dev != nullptr) unAlloc("CS", s->dev, gridBytes(s));
    }
    if (surf.surfList != nullptr) {
        unAlloc("mer", surf.surfList, surf.surfCount * static_cast<int>(sizeof(PhiPsiSurface)));
    }
    if (surf.randCoilTab != nullptr) hSymTabFree(surf.randCoilTab);
    if (surf.homoTab != nullptr) hSymTabFree(surf.homoTab);
    return surfNull();
}

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
