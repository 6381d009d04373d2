// Restraint library start and stop: module resets, work spaces released by their byte counts,
// shift-table records and the energy work space under allocation failures.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "foundation/table.h"
#include "restraints/cs.h"
#include "restraints/energy.h"
#include "restraints/merido.h"
#include "restraints/surf_services.h"
#include "structure/pdb.h"

using namespace korim::restraints;
using korim::foundation::memoryBytesUsed;
using korim::foundation::memoryFailAt;
using korim::structure::Coord3D;
using korim::structure::Matrix4x4;

namespace {

struct Library : ::testing::Test {
  void SetUp() override {
    korim::foundation::memoryReset();
    meridoReset();
    energyFree();
    korim::couplings::dipolarFree();
    unsetenv("SURF_DIR");
  }
  void TearDown() override {
    memoryFailAt(0);
    unsetenv("SURF_DIR");
  }
};

TEST_F(Library, StartWithoutSurfacesIsSilentAndLeavesResiduesWithoutSurface) {
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  korim::structure::pdb3dAppendTranslation(1.0f, -2.0f, 3.0f);
  EXPECT_EQ(getMerInitFlag(), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(merInit(2, 2), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(getMerInitFlag(), 1);
  Matrix4x4 m;
  korim::structure::pdb3dGet4x4(m);
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) EXPECT_EQ(m[i][j], i == j ? 1.0f : 0.0f) << i << j;
  // No surface is loaded: every residue with atoms ends up without one, also before a proline.
  korim::structure::ResInfo res[3];
  std::memset(res, 0, sizeof res);
  korim::structure::PhiPsiSurface stale;
  const char* names[3] = {"ALA", "GLY", "PRO"};
  for (int i = 0; i < 3; i++) {
    res[i].atomCount = 4;
    res[i].phiPsiSurf = &stale;
    std::strcpy(res[i].resName, names[i]);
  }
  EXPECT_EQ(setPhiPsiSurf(res, 3, 1), 0);
  for (const auto& r : res) EXPECT_EQ(r.phiPsiSurf, nullptr);
  // Stopping right away releases nothing and keeps the started mark.
  const long long before = memoryBytesUsed();
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(memoryBytesUsed(), before);
  EXPECT_EQ(getMerInitFlag(), 1);
}

TEST_F(Library, SurfaceRequestWithoutDirectoryIsSilentAndWithOneIsReportedAsFailedLoad) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(merInit(7, 1), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(merInit(7, 1), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MERIDO Error Reading Phi/Psi Surfaces.\n");
}

TEST_F(Library, StopReleasesCouplingAndEnergyWorkSpaces) {
  const long long base = memoryBytesUsed();
  ASSERT_EQ(merInit(2, 2), 0);
  ASSERT_EQ(korim::couplings::dipolarInit(50), 0);
  ASSERT_EQ(energyAlloc(100), 0);
  // Coupling work space: 5*50+5 and 50+1 floats; energy: two lists of 100 points.
  EXPECT_EQ(memoryBytesUsed() - base, (255 + 51) * 4 + 2 * 100 * static_cast<long long>(sizeof(Coord3D)));
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  // A second stop has nothing left to release.
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
}

TEST_F(Library, EnergyWorkSpaceOnlyGrowsAndFailsWhole) {
  const long long point = sizeof(Coord3D);
  const long long base = memoryBytesUsed();
  ASSERT_EQ(energyAlloc(10), 0);
  ASSERT_EQ(energyAlloc(4), 0);  // room enough: kept
  EXPECT_EQ(energyCoordCapacity(), 10);
  EXPECT_EQ(memoryBytesUsed() - base, 2 * 10 * point);
  ASSERT_EQ(energyAlloc(25), 0);  // released and made anew
  EXPECT_EQ(memoryBytesUsed() - base, 2 * 25 * point);
  energyFree();
  // The allocator books a refused request too, so each failed call leaves exactly one list's
  // bytes behind; a list obtained before the failure must have been released.
  for (int failing = 1; failing <= 2; failing++) {
    const long long before = memoryBytesUsed();
    memoryFailAt(failing);
    testing::internal::CaptureStderr();
    EXPECT_EQ(energyAlloc(30), 1) << failing;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Memory allocation failure.\nMERIDO Error (Energy) allocating workspaces.\n");
    memoryFailAt(0);
    EXPECT_EQ(energyCoordCapacity(), 0);
    EXPECT_EQ(memoryBytesUsed() - before, 30 * point) << failing;
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(energyAlloc(INT_MAX), 1);  // byte count beyond int
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MERIDO Error (Energy) allocating workspaces.\n");
  EXPECT_EQ(energyAlloc(30), 0);
  EXPECT_EQ(energyCoordCapacity(), 30);
}

TEST_F(Library, ShiftTableDefaultsAndReleaseByByteCount) {
  CSTable tab;
  std::memset(&tab, 0xAB, sizeof tab);
  EXPECT_EQ(csTabNull(&tab), 0);
  EXPECT_EQ(tab.csList, nullptr);
  EXPECT_EQ(tab.csCount + tab.csMinRes + tab.csMaxRes + tab.workSize + tab.pcsCount, 0);
  EXPECT_EQ(tab.nullChainName + tab.nullSegName + tab.nullPCSChainName + tab.nullPCSSegName, 4);
  CSInfo rec[2];
  std::memset(rec, 0x5C, sizeof rec);
  EXPECT_EQ(resetCS(rec, 2), 0);
  EXPECT_EQ(rec[1].resID, -666666);
  EXPECT_EQ(rec[1].shift, 9999.0f);
  EXPECT_EQ(rec[1].sigma, 9999.0f);
  EXPECT_EQ(rec[1].w, 1.0f);
  EXPECT_EQ(rec[1].fc, 1);
  EXPECT_EQ(rec[1].atom, nullptr);

  EXPECT_EQ(csTabFree(nullptr), 0);
  korim::foundation::hdrList* hdr = korim::foundation::hdrInit();
  ASSERT_NE(hdr, nullptr);
  korim::foundation::addHdrLine("DATA SEQUENCE MQIFVKTLTG", hdr);
  const long long base = memoryBytesUsed();
  tab.seqInfo = static_cast<korim::structure::SeqInfo*>(
      korim::foundation::voidMalloc("cs", sizeof(korim::structure::SeqInfo)));
  ASSERT_NE(tab.seqInfo, nullptr);
  korim::structure::seqInfoNull(tab.seqInfo);
  ASSERT_EQ(korim::structure::getSeqInfo(hdr, tab.seqInfo), 10);
  tab.csCount = 3;
  tab.csList = static_cast<CSInfo*>(korim::foundation::voidMalloc("cs", 3 * sizeof(CSInfo)));
  tab.pcsCount = 2;
  tab.pcsList = static_cast<PCSInfo*>(korim::foundation::voidMalloc("cs", 2 * sizeof(PCSInfo)));
  tab.workSize = 171;
  tab.work = korim::foundation::fltAlloc("cs", tab.workSize);
  tab.nullSegName = 0;
  EXPECT_EQ(csTabFree(&tab), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  EXPECT_EQ(tab.csList, nullptr);
  EXPECT_EQ(tab.csCount, 0);
  EXPECT_EQ(tab.nullSegName, 1);
  EXPECT_EQ(csTabFree(&tab), 0);  // an empty table again: nothing
  EXPECT_EQ(memoryBytesUsed(), base);
  korim::foundation::freeHdr(hdr);
}

}  // namespace
