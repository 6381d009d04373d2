// Fits, error estimates and structural noise on the library level: the faults they must not have
// (endless adjustment, uninitialised extremes, too few couplings or too small subsets, collapsed
// groups, a structure or table left changed), the geometry of the noise, and the random coupling
// and residue subsets of the jackknife: sizes, distinctness and repeatability of the draws.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "fitting/aerasimdc.h"
#include "fitting/dcselect.h"
#include "fitting/mapsimdc.h"
#include "fitting/noisestruc.h"
#include "fitting/simdc.h"
#include "fitting/strucnoise.h"
#include "foundation/genrand.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
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

// A table of 15 rows of which the 12 with a valid calculated row take part.
struct Rows {
  std::vector<DInfo> obs{15}, calc{15};
  DTable tab{};
  Rows() {
    tab.dObsList = obs.data();
    tab.dCalcList = calc.data();
    tab.dCount = 15;
    for (int i = 0; i < 15; i++) calc[i].valid = (i % 5 != 4), calc[i].w = 1.0f;  // weighed: rows a fit takes
  }
  std::vector<int> kept() const {
    std::vector<int> v;
    for (int i = 0; i < 15; i++)
      if (calc[i].valid) v.push_back(i);
    return v;
  }
};
}  // namespace

TEST(MapSimDC, AdjustmentRefusesNoTrialsAndEndsWhenNoFactorPasses) {
  Input in;
  ASSERT_EQ(in.valid, 63);
  in.k.nAdjustMc = 0;
  std::string err = korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 1); });
  EXPECT_EQ(err, "KORIM Error: option -nAdjustMc value 0 must be at least 1.\n");
  EXPECT_FALSE(korim_test::fileExists(in.path("mc.tab")));

  // More good trials than exist can never be reached: the passes end at the largest factor whose
  // noise keeps the couplings' pattern (19.94 for errors of 1 Hz: sum (D / DD)^2 of the fit is
  // 7954.5, and a quarter of it is sqrt(5 / 7954.5) times half the factor; 19.9 to three digits),
  // tried itself after 19.8, or, with errors of 0.015 Hz (where it is 1329), at their cap; the
  // last factor is no result.
  in.k.nAdjustMc = 1;
  in.k.mcAdjustFrac = 1.0f;
  in.k.mapMode = 1;
  korim_test::captureStdout([&] { err = korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 1); }); });
  EXPECT_NE(err.find("not adjusted up to factor 19.9, "), std::string::npos) << err;
  EXPECT_FLOAT_EQ(in.k.kSigma, 19.9f);
  for (int i = 0; i < in.tab.dCount; i++) in.tab.dObsList[i].sigma = 0.015f;
  in.k.kSigma = 1.0f;
  korim_test::captureStdout([&] { err = korim_test::captureStderr([&] { EXPECT_EQ(in.mc(0), 1); }); });
  EXPECT_NE(err.find("not adjusted within 1000 passes"), std::string::npos) << err;
  EXPECT_NEAR(in.k.kSigma, 1.0f + 999 * 0.2f, 1e-2);
  EXPECT_FALSE(korim_test::fileExists(in.path("mc.tab")));
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

TEST(SimDC, FewerThanFiveCouplingsAreNoFit) {
  Input in;
  ASSERT_EQ(in.valid, 63);
  // Keep four couplings: four equations cannot fix five order-matrix elements.
  for (int k = 4; k < in.tab.dCount; ++k) in.tab.dCalcList[k].valid = 0;
  EXPECT_EQ(korim_test::captureStderr([&] {
              EXPECT_EQ(korim::fitting::simDC(&in.pdb, &in.sel, &in.tab, &in.k, "", in.path("fit.tab").c_str(), "", 0), 1);
            }),
            "korim: 4 usable couplings are too few to fit an order matrix (5 or more).\n");
  EXPECT_FALSE(korim_test::fileExists(in.path("fit.tab")));
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

// Eight rows that name four atom pairs twice are four couplings to every estimate, called as a
// caller that skips the program's own check would: each refuses as with four rows.
TEST(ErrorEstimates, RepeatedRowsOfFourAtomPairsAreTooFewToFit) {
  std::string rows;
  for (const char* r : {"2 GLN N 2 GLN H -13.2 1.0 1.0\n", "3 ILE N 3 ILE H 8.78 1.0 1.0\n",
                        "4 PHE N 4 PHE H 6.81 1.0 1.0\n", "5 VAL N 5 VAL H 3.19 1.0 1.0\n"})
    rows += r;
  const std::string table = korim_test::writeFile(
      korim_test::TempDir().path + "_twice.tab",
      "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
      "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n" + rows + rows);
  const struct {
    const char* mode;
    std::string err;
    int (*run)(Input&);
  } cases[] = {
      {"-mcDc", "KORIM Error: Only 4 couplings available. Exiting ....\n", [](Input& in) { return in.mc(10); }},
      {"-mcStruc", "KORIM Error: Only 4 couplings available. Exiting ....\n",
       [](Input& in) {
         return korim::fitting::noiseStrucSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.tab.dMinRes, in.tab.dMinRes,
                                                in.tab.dMaxRes, in.path("n.tab").c_str(), "", 0, 10,
                                                in.path("da").c_str(), in.path("map").c_str(),
                                                in.path("ang").c_str(), in.path("a").c_str(), "");
       }},
      {"-jack", "korim: 8 usable couplings name 4 distinct atom pairs, too few to fit an order matrix (5 or more).\n",
       [](Input& in) {
         return korim::fitting::aeraSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.path("j.tab").c_str(), "", 0, 10,
                                          in.path("da").c_str(), in.path("map").c_str(), in.path("ang").c_str(),
                                          in.path("a").c_str(), "");
       }},
  };
  for (const auto& c : cases) {
    Input in(table);
    ASSERT_EQ(in.valid, 8);
    in.k.mapFrac = 1.0f;  // subsets of all eight rows
    std::string err;
    korim_test::captureStdout([&] { err = korim_test::captureStderr([&] { EXPECT_EQ(c.run(in), 1) << c.mode; }); });
    EXPECT_NE(err.find(c.err), std::string::npos) << c.mode << "\n" << err;
    for (const char* out : {"mc.tab", "n.tab", "j.tab"}) EXPECT_FALSE(korim_test::fileExists(in.path(out)));
  }
}

// Six atom pairs, each in ten rows: a subset of 12 rows mostly names five or six of them, but one
// that names four or fewer fixes no order matrix and is no trial, whatever its fit gives. A twin
// replays the subsets drawn and counts their pairs by residue.
TEST(AeraSimDC, TrialsOfFewerThanFiveDistinctPairsAreRejected) {
  std::string rows;
  for (const char* r : {"2 GLN N 2 GLN H -13.2 1 1\n", "3 ILE N 3 ILE H 8.78 1 1\n", "4 PHE N 4 PHE H 6.81 1 1\n",
                        "5 VAL N 5 VAL H 3.19 1 1\n", "6 LYS N 6 LYS H 0.92 1 1\n", "7 THR N 7 THR H -4.62 1 1\n"})
    rows += r;
  std::string text = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                     "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
  for (int i = 0; i < 10; i++) text += rows;
  const std::string table = korim_test::writeFile(korim_test::TempDir().path + "_six_pairs.tab", text);
  const int trials = 50;
  int expected = 0;
  {
    Input twin(table);
    ASSERT_EQ(twin.valid, 60);
    long state = -1;
    for (int t = 0; t < trials; t++) {
      for (int i = 0; i < twin.tab.dCount; i++) twin.tab.dCalcList[i].valid = 1;
      ASSERT_EQ(korim::fitting::selectDcFrac(&state, &twin.tab, twin.k.mapFrac, twin.k.mapFixCount), 12);
      std::set<int> pairs;
      for (int i = 0; i < twin.tab.dCount; i++)
        if (twin.tab.dCalcList[i].valid) pairs.insert(twin.tab.dCalcList[i].resIDI);
      expected += pairs.size() >= 5 ? 1 : 0;
    }
  }
  ASSERT_LT(expected, trials);  // the draws hold subsets of too few pairs
  Input in(table);
  std::string out;
  korim_test::captureStderr([&] {
    out = korim_test::captureStdout([&] {
      EXPECT_EQ(korim::fitting::aeraSimDC(&in.pdb, &in.sel, &in.tab, &in.k, in.path("j.tab").c_str(), "", 0, trials,
                                          in.path("da").c_str(), in.path("map").c_str(), in.path("ang").c_str(),
                                          in.path("a").c_str(), ""),
                0);
    });
  });
  EXPECT_NE(out.find("REMARK " + std::to_string(expected) + " SVD runs of 50 succesful.\n"), std::string::npos) << out;
}

TEST(AddPdbNoise, FixedConeTurnsVectorsAndGroupsRigidlyAboutTheirPivot) {
  // Two N-H rows, a methyl (CB-HB#) and a methylene (CA-HA#) row.
  Input in(korim_test::writeFile(korim_test::TempDir().path + "_groups.tab",
                                 "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                                 "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n"
                                 "3 ILE N 3 ILE H 8.8 1.0 1.0\n44 ILE N 44 ILE H 9.6 1.0 1.0\n"
                                 "28 ALA CB 28 ALA HB# 10.0 1.0 1.0\n10 GLY CA 10 GLY HA# 5.0 1.0 1.0\n"));
  ASSERT_EQ(in.valid, 4);
  const int counts[4] = {1, 1, 3, 2};
  // Per row: the pivot, the moving atoms relative to it, and their centroid.
  auto shape = [&](int r, std::vector<double>* rel, double c[3]) {
    const DInfo& row = in.tab.dCalcList[r];
    c[0] = c[1] = c[2] = 0.0;
    rel->clear();
    for (int j = 0; j < row.atomJCount; j++) {
      const double v[3] = {row.atomJ[j]->x - static_cast<double>(row.atomI[0]->x),
                           row.atomJ[j]->y - static_cast<double>(row.atomI[0]->y),
                           row.atomJ[j]->z - static_cast<double>(row.atomI[0]->z)};
      for (int x = 0; x < 3; x++) rel->push_back(v[x]), c[x] += v[x] / row.atomJCount;
    }
  };
  std::vector<double> before[4], pivot;
  double c0[4][3];
  for (int r = 0; r < 4; r++) {
    ASSERT_EQ(in.tab.dCalcList[r].atomJCount, counts[r]);
    shape(r, &before[r], c0[r]);
    const AtomInfo* p = in.tab.dCalcList[r].atomI[0];
    pivot.insert(pivot.end(), {p->x, p->y, p->z});
  }
  in.k.coneFix = 1;
  in.k.coneWidth = 10.0;
  const int flags[4] = {1, 1, 1, 1};
  long idum = -1;
  EXPECT_EQ(korim::fitting::addPdbNoise(&in.pdb, &in.tab, &in.k, 0, 1.0, flags, &idum), 4);
  for (int r = 0; r < 4; r++) {
    const DInfo& row = in.tab.dCalcList[r];
    EXPECT_EQ(row.valid, 1);
    EXPECT_EQ(row.atomJCount, counts[r]);  // every hydrogen stays in the row
    EXPECT_EQ(pivot[3 * r], row.atomI[0]->x);  // the pivot does not move
    EXPECT_EQ(pivot[3 * r + 2], row.atomI[0]->z);
    std::vector<double> after;
    double c1[3];
    shape(r, &after, c1);
    // Rigid: every distance among the pivot and the moved atoms is kept.
    auto d = [](const std::vector<double>& v, int i, int j) {
      const double o[3] = {0.0, 0.0, 0.0};
      const double* a = i < 0 ? o : &v[3 * i];
      const double* b = &v[3 * j];
      return std::sqrt(std::pow(a[0] - b[0], 2) + std::pow(a[1] - b[1], 2) + std::pow(a[2] - b[2], 2));
    };
    for (int i = -1; i < counts[r]; i++)
      for (int j = i + 1; j < counts[r]; j++) EXPECT_NEAR(d(after, i, j), d(before[r], i, j), 1e-4);
    // The centroid direction turns by the cone width; radians, as single-precision coordinates
    // near 90 Angstrom hold a direction to about 3e-6.
    const double l0 = std::sqrt(c0[r][0] * c0[r][0] + c0[r][1] * c0[r][1] + c0[r][2] * c0[r][2]);
    const double l1 = std::sqrt(c1[0] * c1[0] + c1[1] * c1[1] + c1[2] * c1[2]);
    EXPECT_NEAR(std::acos((c0[r][0] * c1[0] + c0[r][1] * c1[1] + c0[r][2] * c1[2]) / (l0 * l1)),
                10.0 * M_PI / 180.0, 1e-4) << "row " << r;
  }
}

TEST(AddPhiPsiNoise, FixedConeShiftsEveryDefinedAngleAndSkipsUndefinedOnes) {
  Input in;
  const int n = in.pdb.resCount;
  auto angles = [&](int r, float* p, float* s) {
    getPDBPhiPsi(&in.pdb, in.pdb.resList[r].resID, in.pdb.resList[r].chainID, in.pdb.resList[r].segID, p, s);
  };
  std::vector<float> phi(n), psi(n);
  for (int r = 0; r < n; r++) angles(r, &phi[r], &psi[r]);
  ASSERT_GT(phi[0], 999.0f);  // the first residue has no phi
  long idum = -1;
  korim::fitting::addPhiPsiNoise(&idum, &in.pdb, &in.tab, 5.0, 1, in.tab.dMinRes, in.tab.dMinRes,
                                 in.tab.dMaxRes, 0);
  auto wrap = [](double a) { return std::remainder(a, 360.0); };
  for (int r = 0; r < n; r++) {
    float p = 0, s = 0;
    angles(r, &p, &s);
    if (phi[r] > 999.0f) EXPECT_GT(p, 999.0f);
    else EXPECT_NEAR(wrap(p - phi[r] - 5.0), 0.0, 0.05) << "phi " << r;
    if (psi[r] > 999.0f) EXPECT_GT(s, 999.0f);
    else EXPECT_NEAR(wrap(s - psi[r] - 5.0), 0.0, 0.05) << "psi " << r;
  }
  EXPECT_EQ(in.tab.dCalcList[0].valid, 1);  // the rows are rebuilt on the moved structure
}

TEST(SelectDcFrac, SubsetSizesFollowTheFractionOrTheCount) {
  struct Case { float frac; int fixed; int expected; } cases[] = {
      {0.2f, 0, 2},   // 2.4 truncated
      {0.5f, 0, 6},   {8.0f, 1, 8},  {20.0f, 1, 12},  // a count above the valid rows takes all
      {1.0f, 0, 12},  {0.0f, 0, 0},  {-3.0f, 1, 0},
  };
  for (const Case& c : cases) {
    Rows r;
    long idum = -1;
    EXPECT_EQ(korim::fitting::selectDcFrac(&idum, &r.tab, c.frac, c.fixed), c.expected) << c.frac;
    const std::vector<int> kept = r.kept();
    EXPECT_EQ(static_cast<int>(kept.size()), c.expected) << c.frac;
    for (int i : kept) EXPECT_NE(i % 5, 4) << "a row without a valid calculated row came back";
  }
}

TEST(SelectDcResidue, DrawsDistinctResiduesWithTheirCouplings) {
  // Residue r holds r + 1 couplings of value 10 r + k and error r + 1.
  const int nRes = 6;
  std::vector<std::vector<float>> dc(nRes), sig(nRes);
  std::vector<float*> dcRows(nRes), sigRows(nRes);
  std::vector<int> nDc(nRes);
  for (int r = 0; r < nRes; r++) {
    nDc[r] = r + 1;
    for (int k = 0; k <= r; k++) dc[r].push_back(10.0f * r + k), sig[r].push_back(r + 1.0f);
    dcRows[r] = dc[r].data();
    sigRows[r] = sig[r].data();
  }
  std::vector<float> coup(21, -1.0f), sigma(21, -1.0f);
  long idum = -1;
  double ave = -1.0;
  const int n = korim::fitting::selectDcResidue(&idum, nRes, nDc.data(), dcRows.data(),
                                                sigRows.data(), nRes, coup.data(), sigma.data(), &ave);
  ASSERT_EQ(n, 21);  // every residue once: 1 + 2 + ... + 6 couplings
  std::multiset<float> got(coup.begin(), coup.end()), want;
  for (int r = 0; r < nRes; r++) want.insert(dc[r].begin(), dc[r].end());
  EXPECT_EQ(got, want);
  EXPECT_NEAR(ave, (1 * 1 + 2 * 2 + 3 * 3 + 4 * 4 + 5 * 5 + 6 * 6) / 21.0, 1e-9);
  // Each residue's couplings stay together, in order, with their own errors.
  for (int i = 0; i < n; i++) EXPECT_EQ(sigma[i], std::floor(coup[i] / 10.0f) + 1.0f) << i;

  // More residues than exist cannot be distinct: refused, nothing appended.
  std::vector<float> untouched(21, -1.0f);
  const std::string err = korim_test::captureStderr([&] {
    EXPECT_EQ(korim::fitting::selectDcResidue(&idum, nRes, nDc.data(), dcRows.data(), sigRows.data(),
                                              nRes + 1, untouched.data(), untouched.data(), &ave),
              -1);
  });
  EXPECT_EQ(err, "KORIM Error: 7 residues asked for a subset of 6 residues.\n");
  EXPECT_EQ(ave, 0.0);
  EXPECT_EQ(untouched, std::vector<float>(21, -1.0f));
}
