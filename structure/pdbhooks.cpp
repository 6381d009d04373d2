// Calls the structure model makes into libraries above it, through registered hooks.
#include "structure/pdbhooks.h"

namespace korim::structure {

namespace {

struct HookRegistry {
    PhiPsiSurfHook phiPsiSurf = nullptr;
};

HookRegistry hooks;

}  // namespace

void setPhiPsiSurfHook(PhiPsiSurfHook hook) { hooks.phiPsiSurf = hook; }

int assignPhiPsiSurf(ResInfo* resList, int resCount, int xPROFlag) {
    if (hooks.phiPsiSurf != nullptr) return hooks.phiPsiSurf(resList, resCount, xPROFlag);
    for (int r = 0; r < resCount; r++) resList[r].phiPsiSurf = nullptr;
    return 0;
}

void pdbHooksReset() { hooks = HookRegistry{}; }

}  // namespace korim::structure
