// The indexing hook: a registered surface assignment sees every residue of the structure read;
// without one every residue's surface is null.
#include <gtest/gtest.h>

#include "structure/pdb.h"
#include "structure/pdbhooks.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::structure;

namespace {

struct HookCall {
    int calls = 0;
    int resCount = 0;
    int xPROFlag = -1;
};
HookCall seen;
PhiPsiSurface marker;

int markAll(ResInfo* resList, int resCount, int xPROFlag) {
    seen.calls++;
    seen.resCount = resCount;
    seen.xPROFlag = xPROFlag;
    for (int r = 0; r < resCount; r++) resList[r].phiPsiSurf = &marker;
    return 0;
}

// Reads ubiquitin (76 residues) with the hooks as they are; returns the residues with a surface.
int residuesWithSurface(PDBInfo* pdb) {
    pdbModuleReset();
    pdbNull(pdb);
    int status = 0;
    korim_test::captureStderr(
        [&] { status = readPDB(korim_test::kUbiquitinPdb.c_str(), pdb, nullptr, nullptr); });
    EXPECT_EQ(status, 0);
    int marked = 0;
    for (int r = 0; r < pdb->resCount; r++) marked += pdb->resList[r].phiPsiSurf != nullptr;
    return marked;
}

TEST(PdbHooks, IndexingCallsTheRegisteredAssignmentOnce) {
    seen = HookCall{};
    setPhiPsiSurfHook(markAll);
    PDBInfo pdb;
    EXPECT_EQ(residuesWithSurface(&pdb), 76);
    EXPECT_TRUE(seen.calls == 1 && seen.resCount == 76 && seen.xPROFlag == 1);
    EXPECT_EQ(pdb.resList[75].phiPsiSurf, &marker);
    pdbFree(&pdb);

    pdbHooksReset();
    EXPECT_EQ(residuesWithSurface(&pdb), 0);
    EXPECT_EQ(seen.calls, 1);
    pdbFree(&pdb);
}

}  // namespace
