// Error estimates and structural noise on the library level: the faults they must not have
// (endless adjustment, uninitialised extremes, too small subsets, collapsed groups, a structure
// or table left changed) and the geometry of the noise.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "fitting/aerasimdc.h"
#include "fitting/mapsimdc.h"
#include "fitting/noisestruc.h"
#include "fitting/strucnoise.h"
#include "foundation/genrand.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
#include "tests/support/allocfail.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::couplings;
using namespace korim::structure;
using korim::settings::KorimInfo;

namespace {

// A structure and a coupling table, mapped and selected as the program does before a best fit.
struct Input {
  PDBInfo pdb{};
  PDBSelectInfo sel{};
  DTable tab{};
  KorimInfo k{};
  korim_test::TempDir dir;
  int valid = 0;

  explicit Input(const std::string& couplings = korim_test::kUbiquitinCouplings) {
    pdbNull(&pdb);
    pdbSelectNull(&sel);
    dTabNull(&tab);
    korim::settings::korimInfoNull(&k);
    if (readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr) != 0) return;
    if (readDC(couplings.c_str(), &tab) != 0) return;
    selectD(tab.dObsList, tab.dCount, tab.dMinRes, tab.dMaxRes, 3);
    valid = k.validCountD = buildDC(&pdb, &tab, 0, tab.dMinRes, nullptr, 0, k.allowFixedDI);
    k.mapMode = 0;
    korim::foundation::genrandReset();
  }
  std::string path(const char* name) const { return dir / name; }
  // mapSimDC with every output in the temporary folder.
  int mc(int trials) {
    return korim::fitting::mapSimDC(&pdb, &sel, &tab, &k, path("mc.tab").c_str(), "", 0,
                                    path("da").c_str(), path("map").c_str(), trials,
                                    path("fail").c_str(), path("ang").c_str(), path("a").c_str(), "");
  }
};

double dist(const AtomInfo* a, const AtomInfo* b) {
  return std::sqrt(std::pow(a->x - b->x, 2) + std::pow(a->y - b->y, 2) + std::pow(a->z - b->z, 2));
}

}  // namespace

TEST(MapSimDC, AdjustmentRefusesNoTrialsAndEndsWhenNoFactorPasses) {
  Input in;
  ASSERT_EQ(in.valid, 63);
  in.k.nAdjustMc = 0;
  std::string err = korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 1); });
  EXPECT_EQ(err, "KORIM Error: option -nAdjustMc value 0 must be at least 1.\n");
  EXPECT_FALSE(korim_test::fileExists(in.path("mc.tab")));

  // More good trials than exist can never be reached: the passes end at their cap.
  in.k.nAdjustMc = 1;
  in.k.mcAdjustFrac = 1.0f;
  in.k.mapMode = 1;
  korim_test::captureStdout([&] { err = korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 0); }); });
  EXPECT_NE(err.find("not adjusted within 1000 passes"), std::string::npos);
  EXPECT_NEAR(in.k.kSigma, 1.0f + 999 * 0.2f, 1e-2);
}

TEST(MapSimDC, ZeroErrorsCountAsOneAndNoTrialLeavesZeroExtremes) {
  // Errors of 0 scale like errors of 1: the same factor comes out, never an endless search.
  float factor[2];
  for (int zero = 0; zero < 2; zero++) {
    Input in;
    in.k.mapMode = 1;
    for (int i = 0; i < in.tab.dCount; i++) in.tab.dObsList[i].sigma = zero ? 0.0f : 1.0f;
    korim_test::captureStdout([&] { korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 0); }); });
    factor[zero] = in.k.kSigma;
    // No trial: every statistic prints 0, the extremes included.
    const std::string table = korim_test::readFile(in.path("mc.tab"));
    EXPECT_NE(table.find("SAUPE MAX         0.0000e+00   0.0000e+00   0.0000e+00   0.0000e+00  0.0000e+00"),
              std::string::npos);
    EXPECT_NE(table.find("NUMBER OF SUCCESFUL STEPS   0"), std::string::npos);
    EXPECT_EQ(table.find("nan"), std::string::npos);
  }
  EXPECT_EQ(factor[0], factor[1]);
  EXPECT_GT(factor[0], 1.0f);
}

TEST(AeraSimDC, SubsetsTooSmallToFitFailTheRun) {
  Input in;
  in.k.mapFrac = 0.05f;  // 3 of 63
  std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(korim::fitting::aeraSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.path("j.tab").c_str(), "", 0,
                                        10, in.path("da").c_str(), in.path("map").c_str(),
                                        in.path("ang").c_str(), in.path("a").c_str(), ""),
              1);
  });
  EXPECT_NE(err.find("jackknife subsets of 3 of 63 couplings are too few"), std::string::npos);
  EXPECT_FALSE(korim_test::fileExists(in.path("j.tab")));
  for (int i = 0; i < in.tab.dCount; i++) EXPECT_EQ(in.tab.dCalcList[i].valid, 1);
}

TEST(AddPdbNoise, MethylAndMethyleneGroupsTurnRigidly) {
  Input in(korim_test::writeFile(korim_test::TempDir().path + "_groups.tab",
                                 "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                                 "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n"
                                 "28 ALA CB 28 ALA HB# 10.0 1.0 1.0\n"
                                 "10 GLY CA 10 GLY HA# 5.0 1.0 1.0\n"));
  ASSERT_EQ(in.valid, 2);
  ASSERT_EQ(in.tab.dCalcList[0].atomJCount, 3);
  ASSERT_EQ(in.tab.dCalcList[1].atomJCount, 2);
  struct Shape { double pivot[3], pair[3]; double centroid[2][3]; } before[2];
  auto shape = [&](int r, Shape* s) {
    const DInfo& c = in.tab.dCalcList[r];
    const int n = c.atomJCount;
    for (int j = 0; j < n; j++) {
      s->pivot[j] = dist(c.atomI[0], c.atomJ[j]);
      s->pair[j] = dist(c.atomJ[j], c.atomJ[(j + 1) % n]);
    }
    double* v = s->centroid[0];
    v[0] = v[1] = v[2] = 0.0;
    for (int j = 0; j < n; j++) {
      v[0] += (c.atomJ[j]->x - c.atomI[0]->x) / n;
      v[1] += (c.atomJ[j]->y - c.atomI[0]->y) / n;
      v[2] += (c.atomJ[j]->z - c.atomI[0]->z) / n;
    }
  };
  for (int r = 0; r < 2; r++) shape(r, &before[r]);
  const float cb[3] = {in.tab.dCalcList[0].atomI[0]->x, in.tab.dCalcList[0].atomI[0]->y,
                       in.tab.dCalcList[0].atomI[0]->z};
  in.k.coneFix = 1;
  in.k.coneWidth = 10.0;
  const int flags[2] = {1, 1};
  long idum = -1;
  EXPECT_EQ(korim::fitting::addPdbNoise(&in.pdb, &in.tab, &in.k, 0, 1.0, flags, &idum), 2);
  for (int r = 0; r < 2; r++) {
    const DInfo& c = in.tab.dCalcList[r];
    EXPECT_EQ(c.valid, 1);
    EXPECT_EQ(c.atomJCount, r == 0 ? 3 : 2);  // every hydrogen stays in the row
    Shape after;
    shape(r, &after);
    for (int j = 0; j < c.atomJCount; j++) {
      EXPECT_NEAR(after.pivot[j], before[r].pivot[j], 1e-4);
      EXPECT_NEAR(after.pair[j], before[r].pair[j], 1e-4);
      EXPECT_GT(after.pair[j], 1.0);  // no two hydrogens on one point
    }
    const double* a = before[r].centroid[0];
    const double* b = after.centroid[0];
    const double cosAng = (a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) /
                          std::sqrt((a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) * (b[0] * b[0] + b[1] * b[1] + b[2] * b[2]));
    EXPECT_NEAR(std::acos(cosAng) * 180.0 / M_PI, 10.0, 1e-3) << "row " << r;
  }
  EXPECT_EQ(in.tab.dCalcList[0].atomI[0]->x, cb[0]);  // the pivot does not move
  EXPECT_EQ(in.tab.dCalcList[0].atomI[0]->y, cb[1]);
  EXPECT_EQ(in.tab.dCalcList[0].atomI[0]->z, cb[2]);
}

TEST(AddVecNoise, FixedConeKeepsTheLengthAndTiltsByItsWidth) {
  struct Case { float v[3]; double width; int dig; } cases[] = {
      {{0.0f, 0.0f, 1.02f}, 10.0, 360}, {{0.3f, -0.8f, 0.5f}, 25.0, 4}, {{1.0f, 0.0f, 0.0f}, 90.0, 7},
      {{0.0f, 0.0f, 0.0f}, 10.0, 360},  // a zero vector stays zero
      {{0.2f, 0.4f, 0.9f}, 0.0, 360},   // no cone: unchanged
  };
  long idum = -1;
  for (const Case& c : cases) {
    float v[3] = {c.v[0], c.v[1], c.v[2]};
    const float r = korim::fitting::addVecNoise(&idum, &v[0], &v[1], &v[2], c.width, c.dig, 1, 360.0 / c.dig);
    const double v0[3] = {c.v[0], c.v[1], c.v[2]};
    const double r0 = std::sqrt(v0[0] * v0[0] + v0[1] * v0[1] + v0[2] * v0[2]);
    EXPECT_NEAR(r, r0, 1e-6);
    EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), r0, 1e-5);
    if (r0 == 0.0) continue;
    if (c.width == 0.0) {
      EXPECT_TRUE(v[0] == c.v[0] && v[1] == c.v[1] && v[2] == c.v[2]);
      continue;
    }
    const double cosA = (v[0] * v0[0] + v[1] * v0[1] + v[2] * v0[2]) / (r0 * r0);
    EXPECT_NEAR(std::acos(std::fmin(1.0, cosA)) * 180.0 / M_PI, c.width, 2e-3) << c.width;
  }
}

TEST(AddPhiPsiNoise, FixedConeShiftsEveryDefinedAngleAndSkipsUndefinedOnes) {
  Input in;
  const int n = in.pdb.resCount;
  std::vector<float> phi(n), psi(n);
  for (int r = 0; r < n; r++)
    getPDBPhiPsi(&in.pdb, in.pdb.resList[r].resID, in.pdb.resList[r].chainID, in.pdb.resList[r].segID,
                 &phi[r], &psi[r]);
  ASSERT_GT(phi[0], 999.0f);  // the first residue has no phi
  long idum = -1;
  korim::fitting::addPhiPsiNoise(&idum, &in.pdb, &in.tab, 5.0, 1, in.tab.dMinRes, in.tab.dMinRes,
                                 in.tab.dMaxRes, 0);
  auto wrap = [](double a) { return std::remainder(a, 360.0); };
  for (int r = 0; r < n; r++) {
    float p = 0, s = 0;
    getPDBPhiPsi(&in.pdb, in.pdb.resList[r].resID, in.pdb.resList[r].chainID, in.pdb.resList[r].segID,
                 &p, &s);
    if (phi[r] > 999.0f) EXPECT_GT(p, 999.0f);
    else EXPECT_NEAR(wrap(p - phi[r] - 5.0), 0.0, 0.05) << "phi " << r;
    if (psi[r] > 999.0f) EXPECT_GT(s, 999.0f);
    else EXPECT_NEAR(wrap(s - psi[r] - 5.0), 0.0, 0.05) << "psi " << r;
  }
  EXPECT_EQ(in.tab.dCalcList[0].valid, 1);  // the rows are rebuilt on the moved structure
}

TEST(NoiseStrucSimDC, CouplingsWeightsAtomListsAndCoordinatesComeBack) {
  Input in;
  in.tab.dObsList[3].w = 0.5f;
  std::vector<DInfo> obs(in.tab.dObsList, in.tab.dObsList + in.tab.dCount);
  std::vector<int> counts;
  for (int i = 0; i < in.tab.dCount; i++) counts.push_back(in.tab.dCalcList[i].atomJCount);
  std::vector<float> xyz;
  for (int a = 0; a < in.pdb.atomCount; a++)
    xyz.insert(xyz.end(), {in.pdb.atomList[a].x, in.pdb.atomList[a].y, in.pdb.atomList[a].z});
  in.k.nConeFlag = 0;
  in.k.coneWidth = 8.0;
  korim_test::captureStdout([&] {
    korim_test::captureStderr([&] {
      EXPECT_EQ(korim::fitting::noiseStrucSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.tab.dMinRes,
                                                in.tab.dMinRes, in.tab.dMaxRes, in.path("ms.tab").c_str(), "",
                                                0, 4, in.path("da").c_str(), in.path("map").c_str(),
                                                in.path("ang").c_str(), in.path("a").c_str(), ""),
                0);
    });
  });
  for (int i = 0; i < in.tab.dCount; i++) {
    EXPECT_EQ(in.tab.dObsList[i].d, obs[i].d) << i;
    EXPECT_EQ(in.tab.dObsList[i].w, obs[i].w) << i;
    EXPECT_EQ(in.tab.dObsList[i].valid, obs[i].valid) << i;
    EXPECT_EQ(in.tab.dCalcList[i].atomJCount, counts[i]) << i;
  }
  for (int a = 0; a < in.pdb.atomCount; a++) {
    EXPECT_EQ(in.pdb.atomList[a].x, xyz[3 * a]);
    EXPECT_EQ(in.pdb.atomList[a].z, xyz[3 * a + 2]);
  }
}

TEST(AddPdbNoise, FixedConeTurnsEveryNHVectorInMemory) {
  Input in;
  std::vector<double> before;
  for (int r = 0; r < in.tab.dCount; r++) {
    const DInfo& c = in.tab.dCalcList[r];
    before.insert(before.end(), {c.atomJ[0]->x - static_cast<double>(c.atomI[0]->x),
                                 c.atomJ[0]->y - static_cast<double>(c.atomI[0]->y),
                                 c.atomJ[0]->z - static_cast<double>(c.atomI[0]->z)});
  }
  in.k.coneFix = 1;
  in.k.coneWidth = 10.0;
  std::vector<int> flags(in.tab.dCount, 1);
  long idum = -1;
  EXPECT_EQ(korim::fitting::addPdbNoise(&in.pdb, &in.tab, &in.k, 0, 1.0, flags.data(), &idum), 63);
  for (int r = 0; r < in.tab.dCount; r++) {
    const DInfo& c = in.tab.dCalcList[r];
    const double a[3] = {before[3 * r], before[3 * r + 1], before[3 * r + 2]};
    const double b[3] = {c.atomJ[0]->x - static_cast<double>(c.atomI[0]->x),
                         c.atomJ[0]->y - static_cast<double>(c.atomI[0]->y),
                         c.atomJ[0]->z - static_cast<double>(c.atomI[0]->z)};
    const double la = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    const double lb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    EXPECT_NEAR(lb, la, 1e-5);
    // Radians: single-precision coordinates near 90 Angstrom hold an N-H direction to about 3e-6.
    EXPECT_NEAR(std::acos((a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / (la * lb)), 10.0 * M_PI / 180.0, 1e-4)
        << "row " << r;
  }
}

TEST(ErrorEstimates, AFailedAllocationIsReportedAndLeavesTheInputsAsTheyWere) {
  using Estimate = int (*)(Input&);
  const Estimate estimates[] = {
      [](Input& in) { return in.mc(3); },
      [](Input& in) {
        return korim::fitting::aeraSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.path("j.tab").c_str(), "", 0, 3,
                                         in.path("da").c_str(), in.path("map").c_str(),
                                         in.path("ang").c_str(), in.path("a").c_str(), "");
      },
      [](Input& in) {
        return korim::fitting::noiseStrucSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.tab.dMinRes,
                                               in.tab.dMinRes, in.tab.dMaxRes, in.path("s.tab").c_str(),
                                               "", 0, 3, in.path("da").c_str(), in.path("map").c_str(),
                                               in.path("ang").c_str(), in.path("a").c_str(), "");
      }};
  for (Estimate run : estimates) {
    Input in;
    in.k.mcAdjustFlag = 0;
    in.k.nConeFlag = 0;
    std::vector<float> d;
    for (int i = 0; i < in.tab.dCount; i++) d.push_back(in.tab.dObsList[i].d);
    const float x0 = in.pdb.atomList[5].x;
    int rc = 0;
    korim_test::sweepAllocationFailures(
        [&](int) { korim_test::captureStdout([&] { rc = run(in); }); },
        [&](int n, bool fired, const std::string& err) {
          // A failed step either fails the estimate or (a fit's workspace) has said so itself.
          if (fired && rc == 0) {
            EXPECT_NE(err.find("Error"), std::string::npos) << "allocation " << n << "\n" << err;
          }
          for (int i = 0; i < in.tab.dCount; i++) EXPECT_EQ(in.tab.dObsList[i].d, d[i]) << n;
          EXPECT_EQ(in.pdb.atomList[5].x, x0) << n;
        });
  }
}
