// Restraint library start and stop: module resets, surfaces from SURF_DIR, work spaces released.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "restraints/energy.h"
#include "restraints/merido.h"
#include "restraints/surf.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"

using namespace korim::restraints;
using korim::foundation::memoryBytesUsed;
using korim::foundation::memoryReset;
using korim::structure::Matrix4x4;
using korim::structure::ResInfo;
using korim_test::captureStderr;

namespace {

struct Library : ::testing::Test {
  void SetUp() override {
    memoryReset();
    meridoReset();
    energyFree();
    korim::couplings::dipolarFree();
    unsetenv("SURF_DIR");
  }
  void TearDown() override {
    surfFree();
    unsetenv("SURF_DIR");
  }
};

TEST_F(Library, StartWithoutSurfacesResetsTheTransformAndLeavesResiduesWithoutSurface) {
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  korim::structure::pdb3dAppendTranslation(1.0f, -2.0f, 3.0f);
  EXPECT_EQ(getMerInitFlag(), 0);
  int status = -1;
  EXPECT_EQ(captureStderr([&] { status = merInit(2, 2); }), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(getMerInitFlag(), 1);
  Matrix4x4 m;
  korim::structure::pdb3dGet4x4(m);
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) EXPECT_EQ(m[i][j], i == j ? 1.0f : 0.0f) << i << j;
  // No surface is loaded: every residue with atoms ends up without one.
  ResInfo res[3];
  std::memset(res, 0, sizeof res);
  const char* names[] = {"ALA", "GLY", "PRO"};
  for (int i = 0; i < 3; i++) {
    res[i].atomCount = 4;
    res[i].phiPsiSurf = reinterpret_cast<korim::structure::PhiPsiSurface*>(&res[i]);  // stale
    std::strcpy(res[i].resName, names[i]);
  }
  EXPECT_EQ(setPhiPsiSurf(res, 3, 1), 0);
  for (const ResInfo& r : res) EXPECT_EQ(r.phiPsiSurf, nullptr) << r.resName;
  // Stopping right away releases nothing and keeps the started mark; so does
  // releasing the empty surface list.
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(surfNull() + surfFree(), 0);
  EXPECT_EQ(memoryBytesUsed(), 0);
  EXPECT_EQ(getMerInitFlag(), 1);
}

TEST_F(Library, SurfaceRequestWithoutDirectoryIsSilentAndWithOneIsReportedAsFailedLoad) {
  EXPECT_EQ(captureStderr([] { EXPECT_EQ(merInit(7, 1), 0); }), "");
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  // No surface and no random-coil table there: the list keeps the zero slot, the table fails.
  const std::string err = captureStderr([] { EXPECT_EQ(merInit(7, 1), 0); });
  EXPECT_NE(err.find("CS Error reading random coil table /nonexistent/surfaces/rc.tab\n"), std::string::npos) << err;
  EXPECT_EQ(err.substr(err.size() - 39), "MERIDO Error Reading Phi/Psi Surfaces.\n");
  int count = 0;
  EXPECT_NE(getSurfList(&count), nullptr);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(getMerInitFlag(), 1);
}

TEST_F(Library, StopReleasesCouplingAndEnergyWorkSpaces) {
  ASSERT_EQ(merInit(2, 2), 0);
  ASSERT_EQ(korim::couplings::dipolarInit(50), 0);
  ASSERT_EQ(energyAlloc(100), 0);
  EXPECT_GT(memoryBytesUsed(), 0);
  for (int stop = 0; stop < 2; stop++) {  // a second stop has nothing left to release
    EXPECT_EQ(merDone(), 0);
    EXPECT_EQ(memoryBytesUsed(), 0);
    EXPECT_EQ(energyCoordCapacity(), 0);
  }
}

}  // namespace
