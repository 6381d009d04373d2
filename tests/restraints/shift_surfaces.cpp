// Restraint library start and stop, and phi/psi shift surfaces: grid files through the NMR data
// format, cell look-up, loading a surface directory named by SURF_DIR, the surface chosen per shift
// and residue, the scan.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "restraints/cs.h"
#include "restraints/cspred.h"
#include "restraints/energy.h"
#include "restraints/merido.h"
#include "restraints/surf.h"
#include "spectral/fdatap.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/surfaces.h"

using namespace korim::restraints;
using korim::structure::PhiPsiSurface;
using korim_test::captureStderr;
using korim_test::makeSurfDir;
using korim_test::writeSurf;
using korim_test::TempDir;

namespace {

std::vector<float> rawFloats(const std::string& path) {
  const std::string bytes = korim_test::readFile(path);
  std::vector<float> w(bytes.size() / 4);
  std::memcpy(w.data(), bytes.data(), w.size() * 4);
  return w;
}

void writeRaw(const std::string& path, const std::vector<float>& w) {
  korim_test::writeFile(path, std::string(reinterpret_cast<const char*>(w.data()), w.size() * 4));
}

float cellFn(int i, int j) { return static_cast<float>(i + 1000 * j); }

struct Surfaces : ::testing::Test {
  void SetUp() override {
    surfFree();
    energyFree();
    korim::couplings::dipolarFree();
    meridoReset();
    korim::foundation::memoryReset();
    unsetenv("SURF_DIR");
  }
  void TearDown() override {
    surfFree();
    unsetenv("SURF_DIR");
  }
};

TEST_F(Surfaces, StartWithoutSurfacesResetsTheTransformLeavesResiduesWithoutSurfaceAndStopReleases) {
  setenv("SURF_DIR", "/nonexistent/surfaces", 1);
  korim::structure::pdb3dAppendTranslation(1.0f, -2.0f, 3.0f);
  EXPECT_EQ(getMerInitFlag(), 0);
  EXPECT_EQ(captureStderr([&] { EXPECT_EQ(merInit(2, 2), 0); }), "");
  EXPECT_EQ(getMerInitFlag(), 1);
  korim::structure::Matrix4x4 m;
  korim::structure::pdb3dGet4x4(m);
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) EXPECT_EQ(m[i][j], i == j ? 1.0f : 0.0f) << i << j;
  // No surface is loaded: every residue with atoms ends up without one.
  korim::structure::ResInfo res[3];
  std::memset(res, 0, sizeof res);
  const char* names[] = {"ALA", "GLY", "PRO"};
  for (int i = 0; i < 3; i++) {
    res[i].atomCount = 4;
    res[i].phiPsiSurf = reinterpret_cast<korim::structure::PhiPsiSurface*>(&res[i]);  // stale
    std::strcpy(res[i].resName, names[i]);
  }
  EXPECT_EQ(setPhiPsiSurf(res, 3, 1), 0);
  for (const korim::structure::ResInfo& r : res) EXPECT_EQ(r.phiPsiSurf, nullptr) << r.resName;
  // Stopping right away releases nothing and keeps the started mark; so does
  // releasing the empty surface list.
  EXPECT_EQ(merDone(), 0);
  EXPECT_EQ(surfNull() + surfFree(), 0);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);
  EXPECT_EQ(getMerInitFlag(), 1);
  // Stopping releases the coupling and energy work spaces; a second stop has nothing left.
  ASSERT_EQ(korim::couplings::dipolarInit(50), 0);
  ASSERT_EQ(energyAlloc(100), 0);
  EXPECT_GT(korim::foundation::memoryBytesUsed(), 0);
  for (int stop = 0; stop < 2; stop++) {
    EXPECT_EQ(merDone(), 0);
    EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);
    EXPECT_EQ(energyCoordCapacity(), 0);
  }
}

TEST_F(Surfaces, SurfaceRequestWithoutDirectoryIsSilentAndWithOneIsReportedAsFailedLoad) {
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

TEST_F(Surfaces, GridRoundTripAndByteSwappedTwinReadAndLookUpTheSame) {
  TempDir dir;
  writeSurf(dir / "g.dat", 361, cellFn);
  // The file: a header giving 361 x 361 points and the grid behind it, phi fastest.
  std::vector<float> w = rawFloats(dir / "g.dat");
  ASSERT_EQ(w.size(), 512u + 361u * 361u);
  EXPECT_EQ(korim::spectral::getParm(w.data(), korim::spectral::kParmSize, 1), 361.0f);
  EXPECT_EQ(korim::spectral::getParm(w.data(), korim::spectral::kParmSize, 2), 361.0f);
  EXPECT_EQ(w[512 + 7 + 361 * 5], 5007.0f);
  // The twin in the other byte order: every word reversed (the header by its own rule).
  korim::spectral::swapHdr(w.data());
  for (size_t k = 512; k < w.size(); k++) {
    char* b = reinterpret_cast<char*>(&w[k]);
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
  }
  writeRaw(dir / "swapped.dat", w);
  for (const char* name : {"g.dat", "swapped.dat"}) {
    PhiPsiSurface s{};
    float* grid = surfRead2D((dir / name).c_str(), "CA.ALA", &s, kSurfShift);
    ASSERT_NE(grid, nullptr) << name;
    EXPECT_EQ(std::string(s.surfName), "CA.ALA");
    EXPECT_TRUE(s.phiCount == 361 && s.psiCount == 361 && s.type == kSurfShift && s.obsCount == 42);
    EXPECT_EQ((std::vector<float>{s.avgDev, s.thresh, s.phi1, s.psi1, s.phiN, s.psiN, s.minVal, s.maxVal}),
              (std::vector<float>{0.25f, 0.5f, -180, -180, 180, 180, 0, 360360}));
    int wrong = 0;
    for (int j = 0; j < 361; j++)
      for (int i = 0; i < 361; i++) wrong += grid[i + 361 * j] != cellFn(i, j);
    EXPECT_EQ(wrong, 0) << name;
    // Cell look-up at the edges: phi, psi, expected cell (i + 361 j) and value; 1000 is undefined.
    const struct { float phi, psi; int cell; float val; } cases[] = {
        {-180, -180, 0, 0},              {180, 180, 360 + 361 * 360, 360360}, {180, -180, 360, 360},
        {-180, 0.5f, 181 * 361, 181000}, {1000, 0, 0, 777777},                {0, 1000, 0, 777777}};
    s.value = grid;
    for (const auto& c : cases) {
      float v, d = -1, q = -1;
      EXPECT_EQ(getSurfVal(&s, c.phi, c.psi, &v, &d, &q), c.cell) << c.phi << " " << c.psi;
      EXPECT_TRUE(v == c.val && d + q == 0.0f) << v;  // no density or deviation grid
    }
    korim::foundation::unAlloc("CS", grid, 361 * 361 * 4);
  }
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);
}

TEST_F(Surfaces, BadGridFilesAreRefusedWithAMessage) {
  TempDir dir;
  writeSurf(dir / "CA.dat", 9, cellFn);
  writeSurf(dir / "CA.d.dat", 9, cellFn);
  writeSurf(dir / "CA.q.dat", 7, cellFn);  // deviation grid of another size
  PhiPsiSurface s{};
  std::string err = captureStderr([&] { EXPECT_EQ(surfReadCS(dir.path.c_str(), "CA", &s), 1); });
  EXPECT_NE(err.find("MERIDO Error reading dev surface " + (dir / "CA.q.dat")), std::string::npos) << err;
  EXPECT_EQ(s.value, nullptr);
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);
  // A header promising more points than the file holds.
  std::vector<float> w = rawFloats(dir / "CA.dat");
  w.resize(w.size() - 3);
  writeRaw(dir / "short.dat", w);
  err = captureStderr([&] { EXPECT_EQ(surfRead2D((dir / "short.dat").c_str(), "x", &s, 1), nullptr); });
  EXPECT_NE(err.find("short.dat"), std::string::npos) << err;
  err = captureStderr([&] { EXPECT_EQ(surfRead2D((dir / "none.dat").c_str(), "x", &s, 1), nullptr); });
  EXPECT_NE(err.find("CS Error opening Phi/Psi Surface " + (dir / "none.dat") + "\n"), std::string::npos);
  float cell = 1.0f;
  s.value = &cell;
  s.phiCount = s.psiCount = 1;
  err = captureStderr([&] { EXPECT_EQ(surfWrite2D((dir / "no/such/dir.dat").c_str(), &s), 1); });
  EXPECT_NE(err.find("CS Error opening Phi/Psi Surface " + (dir / "no/such/dir.dat") + "\n"), std::string::npos);
}

TEST_F(Surfaces, DirectoryNamedBySurfDirIsLoadedWhateverItsNameAndLength) {
  TempDir dir;
  // A name beginning with "!" and longer than 255 characters is still just a directory.
  const std::string rel = "!surf/" + std::string(200, 'd') + "/" + std::string(200, 'e');
  makeSurfDir(dir / rel, 361);
  char* old = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  setenv("SURF_DIR", rel.c_str(), 1);
  EXPECT_EQ(captureStderr([] { EXPECT_EQ(merInit(2, 2), 0); }), "");  // ramaMode 2 loads nothing
  int count = -1;
  getSurfList(&count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(captureStderr([] { EXPECT_EQ(merInit(0, 1), 0); }), "");
  ASSERT_EQ(chdir(old), 0);
  free(old);
  const PhiPsiSurface* list = getSurfList(&count);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(getShiftSurfCount(), 2);
  EXPECT_EQ(getConfSurfCount(), 1);
  const std::pair<const char*, int> named[] = {{"CA.ALA", 1}, {"CA", 1}, {"ALA", 2}, {"zero", 0}};
  for (int i = 0; i < 4; i++) {
    EXPECT_TRUE(list[i].surfName == std::string(named[i].first) && list[i].type == named[i].second) << i;
    EXPECT_NE(list[i].value, nullptr);
  }
  // Surface of a shift from one-letter names: CA.ALA, before a proline the atom-only CA (no
  // CA.xPRO loaded), a three-letter name finds no residue type, HB is not predictable.
  const struct { const char *res, *next, *atom; int index; } choice[] = {
      {"A", "G", "CA", 0}, {"A", "P", "CA", 1}, {"ALA", "G", "CA", 1}, {"A", "G", "HB", -1}, {"G", "A", "N", -1}};
  for (const auto& c : choice) {
    CSInfo cs;
    resetCS(&cs, 1);
    std::strcpy(cs.atomName, c.atom);
    EXPECT_EQ(getCSSurface(c.res, "G", c.next, &cs), c.index) << c.res << c.next << c.atom;
  }
  float rc = 0, h = 0;
  EXPECT_EQ(getRandCoilShift("A", "G", "P", "CA", 1, &rc), 1);
  EXPECT_FLOAT_EQ(rc, 52.5f + 0.25f - 0.5f - 2.0f);
  EXPECT_EQ(getRandCoilShift("G", "A", "A", "HA1", 0, &rc), 1);  // glycine HA1 read as HA3
  EXPECT_FLOAT_EQ(rc, 3.9f);
  EXPECT_EQ(getRandCoilShift("G", "A", "A", "HA1", 1, &rc), 0);
  EXPECT_EQ(getHomoVal("ALA", "GLY", &h), 1);
  EXPECT_FLOAT_EQ(h, 0.2f);
  EXPECT_EQ(getHomoVal("ALA", "PRO", &h), 0);
  EXPECT_EQ(h, 777777.0f);
  merDone();
  EXPECT_EQ(korim::foundation::memoryBytesUsed(), 0);
}

TEST_F(Surfaces, ScanFindsTheAnglesOfTheObservedShiftAndWritesItsMap) {
  TempDir dir;
  makeSurfDir(dir / "s", 361);
  setenv("SURF_DIR", (dir / "s").c_str(), 1);
  ASSERT_EQ(merInit(0, 1), 0);
  korim::structure::PDBInfo pdb;
  korim::structure::pdbNull(&pdb);
  ASSERT_EQ(korim::structure::readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr), 0);
  ASSERT_EQ(korim::structure::updatePDBAngles(&pdb, pdb.minResID, pdb.maxResID), 0);
  // Alanine 46 with an observed CA shift whose secondary part is the surface's minimum, 0 at
  // (phi 30, psi -60).
  const float target = 0.0f;
  korim_test::writeFile(dir / "cs.tab", "DATA SEQUENCE MQIFVKTLTG KTITLEVEPS DTIENVKAKI QDKEGIPPDQ QRLIFAGKQL\n"
                        "VARS RESID RESNAME ATOMNAME SHIFT\nFORMAT %d %s %s %f\n46 ALA CA " +
                        std::to_string(52.5f + 0.25f + target) + "\n");
  CSTable tab;
  csTabNull(&tab);
  ASSERT_EQ(readCS((dir / "cs.tab").c_str(), &tab), 0);
  ASSERT_EQ(tab.csList[0].surf, &getSurfList(&tab.workSize)[0]);
  EXPECT_FLOAT_EQ(tab.csList[0].rcShift, 52.75f);
  ASSERT_EQ(mapCSInfo(&pdb, &tab, 0), 1);
  ASSERT_NE(tab.csList[0].res->phiPsiSurf, nullptr);  // ALA conformation surface set by indexing
  float phi, psi, score, avg;
  const std::string out = dir / "scan_%s_%d.dat";
  EXPECT_EQ(scanPDBShifts(&pdb, &tab, 46, &phi, &psi, &score, &avg, out.c_str()), 361 * 361);
  EXPECT_EQ(phi, 30.0f);
  EXPECT_EQ(psi, -60.0f);
  EXPECT_LT(score, 1e-3f);
  EXPECT_GT(avg, 0.0f);
  // The map, written under the name with only "%d" replaced, peaks at the best angles.
  PhiPsiSurface map{};
  map.value = surfRead2D((dir / "scan_%s_46.dat").c_str(), "map", &map, 0);
  ASSERT_NE(map.value, nullptr);
  EXPECT_EQ(map.value[210 + 120 * 361], map.maxVal);
  korim::foundation::unAlloc("CS", map.value, 361 * 361 * 4);
  // Prediction at the residue's own angles: surface value there plus the random-coil shift.
  ASSERT_EQ(buildCS(&pdb, &tab, 0, 1), 1);
  float v, d, q;
  getSurfVal(tab.csList[0].surf, tab.csList[0].res->phi, tab.csList[0].res->psi, &v, &d, &q);
  EXPECT_FLOAT_EQ(tab.csList[0].predShift, v + 52.75f);
  EXPECT_FLOAT_EQ(tab.csList[0].sigma, 0.25f);  // the mean deviation with constRMSFlag
  tab.csList[0].rcShift = 9999.0f;
  EXPECT_EQ(buildCS(&pdb, &tab, 0, 0), 0);
  EXPECT_EQ(tab.csList[0].predShift, 9999.0f);
  EXPECT_FLOAT_EQ(tab.csList[0].secShift, v);
  tab.workSize = 0;
  csTabFree(&tab);
  korim::structure::pdbFree(&pdb);
  // A zero surface of another size is refused.
  surfFree();
  makeSurfDir(dir / "t", 181);
  setenv("SURF_DIR", (dir / "t").c_str(), 1);
  ASSERT_EQ(merInit(0, 1), 0);
  EXPECT_EQ(captureStderr([&] { EXPECT_EQ(findBestCSPhiPsi(nullptr, &tab, 46, &phi, &psi, &score, &avg, ""), 0); }),
            "CS Scan Error: zero surface is not 361x361 points.\n");
  EXPECT_EQ(phi + psi, 2 * 9999.0f);
}

}  // namespace
