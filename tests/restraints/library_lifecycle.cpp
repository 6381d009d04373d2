// Restraint library start and stop: module resets, released work spaces by their byte counts, shift-table records and the energy work space under allocation failures.
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
using korim::foundation::memoryReset;
using korim::structure::Coord3D;
using korim::structure::Matrix4x4;
using korim::structure::PhiPsiSurface;
using korim::structure::ResInfo;
using korim::structure::SeqInfo;

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
    memoryFailAt(0);
    unsetenv("SURF_DIR");
  }
};

bool isIdentity(const Matrix4x4 m) {
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++)
      if (m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  return true;
}

TEST_F(Library, StartWithoutSurfacesIsSilentAndLeavesResiduesWithoutSurface) {
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  korim::structure::pdb3dAppendTranslation(1.0f, -2.0f, 3.0f);
  Matrix4x4 m;
  korim::structure::pdb3dGet4x4(m);
  ASSERT_FALSE(isIdentity(m));
  EXPECT_EQ(getMerInitFlag(), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(merInit(2, 2), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(getMerInitFlag(), 1);
  korim::structure::pdb3dGet4x4(m);
  EXPECT_TRUE(isIdentity(m));
  // No surface is loaded: every residue with atoms ends up without one.
  ResInfo res[3];
  std::memset(res, 0, sizeof res);
  PhiPsiSurface stale;
  for (ResInfo& r : res) {
    r.atomCount = 4;
    r.phiPsiSurf = &stale;
  }
  std::strcpy(res[0].resName, "ALA");
  std::strcpy(res[1].resName, "GLY");
  std::strcpy(res[2].resName, "PRO");
  EXPECT_EQ(setPhiPsiSurf(res, 3, 1), 0);
  for (const ResInfo& r : res) EXPECT_EQ(r.phiPsiSurf, nullptr);
  // Stopping right away releases nothing and keeps the started mark.
  long long before = memoryBytesUsed();
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
  EXPECT_EQ(getMerInitFlag(), 1);
}

TEST_F(Library, StopReleasesCouplingAndEnergyWorkSpaces) {
  const long long base = memoryBytesUsed();
  ASSERT_EQ(merInit(2, 2), 0);
  ASSERT_EQ(korim::couplings::dipolarInit(50), 0);
  ASSERT_EQ(energyAlloc(100), 0);
  // Coupling work space: 5*50+5 and 50+1 floats; energy: two lists of 100 points.
  const long long expected = (255 + 51) * 4 + 2 * 100 * static_cast<long long>(sizeof(Coord3D));
  EXPECT_EQ(memoryBytesUsed() - base, expected);
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  EXPECT_EQ(energyCoordCapacity(), 0);
  // A second stop has nothing left to release.
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
}

// ---------------------------------------------------------------- energy work space

TEST_F(Library, EnergyWorkSpaceOnlyGrows) {
  const long long base = memoryBytesUsed();
  const long long point = sizeof(Coord3D);
  ASSERT_EQ(energyAlloc(10), 0);
  EXPECT_EQ(memoryBytesUsed() - base, 2 * 10 * point);
  ASSERT_EQ(energyAlloc(4), 0);  // room enough: kept
  EXPECT_EQ(energyCoordCapacity(), 10);
  EXPECT_EQ(memoryBytesUsed() - base, 2 * 10 * point);
  ASSERT_EQ(energyAlloc(25), 0);  // released and made anew
  EXPECT_EQ(energyCoordCapacity(), 25);
  EXPECT_EQ(memoryBytesUsed() - base, 2 * 25 * point);
  EXPECT_EQ(energyFree(), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  EXPECT_EQ(energyCoordCapacity(), 0);
}

TEST_F(Library, EnergyAllocationFailureHoldsNothing) {
  // The allocator books a refused request too, so each failed call leaves exactly one list's
  // bytes behind; a list obtained before the failure must have been released.
  const long long list = 30 * static_cast<long long>(sizeof(Coord3D));
  for (int failing = 1; failing <= 2; failing++) {
    const long long base = memoryBytesUsed();
    memoryFailAt(failing);
    testing::internal::CaptureStderr();
    EXPECT_EQ(energyAlloc(30), 1) << failing;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("MERIDO Error (Energy) allocating workspaces.\n"), std::string::npos) << err;
    EXPECT_EQ(energyCoordCapacity(), 0);
    EXPECT_EQ(memoryBytesUsed() - base, list) << failing;
  }
  memoryFailAt(0);
  // A count whose byte size overflows is refused the same way.
  testing::internal::CaptureStderr();
  EXPECT_EQ(energyAlloc(INT_MAX), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MERIDO Error (Energy) allocating workspaces.\n");
  // After a failure the work space can still be made.
  EXPECT_EQ(energyAlloc(30), 0);
  EXPECT_EQ(energyCoordCapacity(), 30);
  energyFree();
}

// ---------------------------------------------------------------- shift tables

TEST(ShiftTable, EmptyTableAndRecordDefaults) {
  CSTable tab;
  std::memset(&tab, 0xAB, sizeof tab);
  EXPECT_EQ(csTabNull(&tab), 0);
  EXPECT_EQ(tab.seqInfo, nullptr);
  EXPECT_EQ(tab.csList, nullptr);
  EXPECT_EQ(tab.pcsList, nullptr);
  EXPECT_EQ(tab.work, nullptr);
  EXPECT_EQ(tab.csCount, 0);
  EXPECT_EQ(tab.csMinRes, 0);
  EXPECT_EQ(tab.csMaxRes, 0);
  EXPECT_EQ(tab.workSize, 0);
  EXPECT_EQ(tab.pcsCount, 0);
  EXPECT_EQ(tab.validCSCount, 0);
  EXPECT_EQ(tab.validPCSCount, 0);
  EXPECT_EQ(tab.nullChainName, 1);
  EXPECT_EQ(tab.nullSegName, 1);
  EXPECT_EQ(tab.nullPCSChainName, 1);
  EXPECT_EQ(tab.nullPCSSegName, 1);

  CSInfo rec[2];
  std::memset(rec, 0x5C, sizeof rec);
  EXPECT_EQ(resetCS(rec, 2), 0);
  for (const CSInfo& cs : rec) {
    EXPECT_EQ(cs.id, 0);
    EXPECT_EQ(cs.count, 0);
    EXPECT_EQ(cs.valid, 0);
    EXPECT_EQ(cs.predictable, 0);
    EXPECT_EQ(cs.resID, -666666);
    EXPECT_FLOAT_EQ(cs.shift, 9999.0f);
    EXPECT_FLOAT_EQ(cs.predShift, 9999.0f);
    EXPECT_FLOAT_EQ(cs.secShift, 9999.0f);
    EXPECT_FLOAT_EQ(cs.rcShift, 9999.0f);
    EXPECT_FLOAT_EQ(cs.sigma, 9999.0f);
    EXPECT_FLOAT_EQ(cs.gamma, 1.0f);
    EXPECT_FLOAT_EQ(cs.w, 1.0f);
    EXPECT_EQ(cs.fc, 1);
    EXPECT_FLOAT_EQ(cs.x, 0.0f);
    EXPECT_FLOAT_EQ(cs.z, 0.0f);
    EXPECT_STREQ(cs.resName, "");
    EXPECT_STREQ(cs.segName, "");
    EXPECT_STREQ(cs.auxInfo, "");
    EXPECT_EQ(cs.partner, nullptr);
    EXPECT_EQ(cs.res, nullptr);
    EXPECT_EQ(cs.surf, nullptr);
    EXPECT_EQ(cs.atomCount, 0);
    EXPECT_EQ(cs.atomList[0], nullptr);
  }
  // A count below 1 touches nothing.
  rec[0].resID = 12;
  EXPECT_EQ(resetCS(rec, 0), 0);
  EXPECT_EQ(rec[0].resID, 12);
}

TEST(ShiftTable, FreeReleasesEveryListByItsByteCount) {
  memoryReset();
  EXPECT_EQ(csTabFree(nullptr), 0);
  korim::foundation::hdrList* hdr = korim::foundation::hdrInit();
  ASSERT_NE(hdr, nullptr);
  korim::foundation::addHdrLine("DATA FIRST_RESID 1", hdr);
  korim::foundation::addHdrLine("DATA SEQUENCE MQIFVKTLTG", hdr);
  const long long base = memoryBytesUsed();

  CSTable tab;
  csTabNull(&tab);
  tab.seqInfo = static_cast<SeqInfo*>(korim::foundation::voidMalloc("cs", sizeof(SeqInfo)));
  ASSERT_NE(tab.seqInfo, nullptr);
  korim::structure::seqInfoNull(tab.seqInfo);
  ASSERT_EQ(korim::structure::getSeqInfo(hdr, tab.seqInfo), 10);
  tab.csCount = 3;
  tab.csList = static_cast<CSInfo*>(korim::foundation::voidMalloc("cs", 3 * sizeof(CSInfo)));
  tab.pcsCount = 2;
  tab.pcsList = static_cast<PCSInfo*>(korim::foundation::voidMalloc("cs", 2 * sizeof(PCSInfo)));
  tab.workSize = 7 * 3 + 4 * 2 + 5 * 3 * 2 + 10 * 2 + 25 * 4;
  tab.work = korim::foundation::fltAlloc("cs", tab.workSize);
  tab.csMinRes = 1;
  tab.csMaxRes = 10;
  tab.nullSegName = 0;
  ASSERT_GT(memoryBytesUsed(), base);

  EXPECT_EQ(csTabFree(&tab), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  EXPECT_EQ(tab.seqInfo, nullptr);
  EXPECT_EQ(tab.csList, nullptr);
  EXPECT_EQ(tab.csCount, 0);
  EXPECT_EQ(tab.csMaxRes, 0);
  EXPECT_EQ(tab.nullSegName, 1);
  // Releasing an empty table again changes nothing.
  EXPECT_EQ(csTabFree(&tab), 0);
  EXPECT_EQ(memoryBytesUsed(), base);
  korim::foundation::freeHdr(hdr);
}

TEST(SurfaceModule, ReleasingAnEmptyModuleReleasesNothing) {
  memoryReset();
  EXPECT_EQ(surfNull(), 0);
  EXPECT_EQ(surfFree(), 0);
  EXPECT_EQ(memoryBytesUsed(), 0);
  ResInfo r;
  std::memset(&r, 0, sizeof r);
  r.atomCount = 1;
  std::strcpy(r.resName, "ALA");
  EXPECT_EQ(setPhiPsiSurf(&r, 1, 0), 0);
  EXPECT_EQ(r.phiPsiSurf, nullptr);
}

}  // namespace
