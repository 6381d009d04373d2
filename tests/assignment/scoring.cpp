// Scoring of one assignment: couplings back-calculated from a known tensor fit exactly, the Da/R
// window is strict, every medium must lie in it, the fixed couplings survive, nothing allocates;
// the orders of the permutation searches, seen through a stub score that records every order, and
// the reset of the search state.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assignment/korim_utils_svd.h"
#include "assignment/korim_utils_visit.h"
#include "assignment/visit_globals.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/dc.h"
#include "foundation/memory.h"
#include "tests/support/capture.h"

using namespace korim::assignment;

namespace {

constexpr int kPeaks = 6;
constexpr double kDNH = 21585.2;  // Hz per unit of the order matrix for an N-H pair

// Unit bond vector of position j in column c: spread over the sphere, no two alike.
void bond(int j, int c, float v[3]) {
  const double x = std::sin(1.3 * j + 0.7 * c + 0.4), y = std::cos(2.1 * j + c),
               z = std::sin(0.9 * j * j + 0.3 + c);
  const double r = std::sqrt(x * x + y * y + z * z);
  v[0] = static_cast<float>(x / r), v[1] = static_cast<float>(y / r), v[2] = static_cast<float>(z / r);
}

// Coupling of bond v in a tensor of magnitude da (Hz, N-H scale) and rhombicity rh whose axes are
// those of the frame: Dzz = 2 Da, Dyy = -Da (1 + 1.5 R), Dxx = -Da (1 - 1.5 R).
float coupling(const float v[3], double da, double rh) {
  return static_cast<float>(-da * (1 - 1.5 * rh) * v[0] * v[0] - da * (1 + 1.5 * rh) * v[1] * v[1] +
                            2 * da * v[2] * v[2]);
}

// The seven peak matrices of p over `peaks` rows: couplings kEmptyCell, the others `fill`.
struct PeakMats {
  std::vector<float> cells[7];
  std::vector<float*> rows[7];
  PeakMats(AssignProblem& p, int peaks, float fill) {
    float*** dest[7] = {&p.dcMat, &p.diValMat, &p.sigMat, &p.wMat, &p.xMat, &p.yMat, &p.zMat};
    for (int m = 0; m < 7; m++) {
      cells[m].assign(peaks * kPeakCols, m == 0 ? kEmptyCell : fill);
      for (int r = 0; r < peaks; r++) rows[m].push_back(&cells[m][r * kPeakCols]);
      *dest[m] = rows[m].data();
    }
  }
};

// Peaks of kPeaks rows; column c belongs to medium c with magnitude da[c]; nFixed couplings of
// medium 0 at the heads. Peak row r holds the couplings of position r (the identity is right).
struct Problem {
  AssignProblem p;
  PeakMats mats{p, kPeaks, 0.0f};
  std::vector<float> lists[13], keep;
  Problem(std::vector<double> da, int nFixed, double rh = 0.3) {
    const int cols = static_cast<int>(da.size());
    for (int r = 0; r < kPeaks; r++)
      for (int c = 0; c < cols; c++) {
        float v[3];
        bond(r, c, v);
        p.dcMat[r][c] = coupling(v, da[c], rh);
        p.diValMat[r][c] = static_cast<float>(-kDNH);
        p.sigMat[r][c] = p.wMat[r][c] = 1.0f;
        p.xMat[r][c] = v[0], p.yMat[r][c] = v[1], p.zMat[r][c] = v[2];
      }
    const int size = kPeaks * cols + nFixed;
    for (auto& l : lists) l.assign(size, 0.0f);
    float** lp[13] = {&p.xI, &p.yI, &p.zI, &p.xJ, &p.yJ, &p.zJ, &p.dcList, &p.diList, &p.ddList,
                      &p.wList, &p.dcOrigList, &p.diOrigList, &p.ddOrigList};
    for (int i = 0; i < 13; i++) *lp[i] = lists[i].data();
    for (int i = 0; i < nFixed; i++) {
      float v[3];
      bond(kPeaks + i, 5, v);
      p.xJ[i] = v[0], p.yJ[i] = v[1], p.zJ[i] = v[2];
      p.dcList[i] = p.dcOrigList[i] = coupling(v, da[0], rh);
      p.diList[i] = p.diOrigList[i] = static_cast<float>(-kDNH);
      p.ddList[i] = p.ddOrigList[i] = p.wList[i] = 1.0f;
    }
    keep.assign(7 * nFixed + 1, 0.0f);
    p.fixedKeep = keep.data();
    p.peakCount = kPeaks;
    p.colId = cols;
    p.nCoupAss = nFixed;
    p.nLcType = cols;
    p.nDTypList[0] = nFixed;
    for (int c = 0; c < cols; c++) p.colIdList[c] = 1;
    saveFixedHead(p);
  }
};

const int kIdentity[kPeaks] = {0, 1, 2, 3, 4, 5};

std::vector<std::string> seen;  // every order handed to the stub, as digits
float stubScore = 1.0f;         // what the stub returns (a constant: ties everywhere)

float recordOrder(AssignProblem& p, const int* row, int) {
  std::string s;
  for (int j = 0; j < p.peakCount; j++) s += static_cast<char>('0' + row[j]);
  seen.push_back(s);
  return stubScore;
}

struct Permutations : ::testing::Test {
  AssignProblem prob;
  int row[9] = {};
  int best[9] = {};
  void SetUp() override {
    seen.clear();
    visitGlobalsReset();
    for (int& b : best) b = -7;
  }
  void start(int n) {
    prob.peakCount = n;
    visitGlobals().nGlobal = n;
    initializeGlobal();
  }
};

}  // namespace

TEST(Scoring, TheTrueAssignmentOfEveryMediumScoresNearZeroAndASwapDoesNot) {
  Problem one({-10.0}, 0);
  EXPECT_LT(getSvdChi2Exh(one.p, kIdentity, 0), 1e-4f);
  const int swapped[kPeaks] = {1, 0, 2, 3, 4, 5};
  EXPECT_GT(getSvdChi2Exh(one.p, swapped, 0), 1e-2f);
  // Every medium must lie in the window; a problem of no medium is no result.
  Problem both({-10.0, -6.0}, 2), oneOut({-10.0, -40.0}, 2);
  EXPECT_LT(getSvdChi2Exh(both.p, kIdentity, 0), 1e-4f);
  EXPECT_EQ(getSvdChi2Exh(oneOut.p, kIdentity, 0), kNoScore);
  one.p.nLcType = 0;
  EXPECT_EQ(getSvdChi2Exh(one.p, kIdentity, 0), kNoScore);
}

TEST(Scoring, TheWindowExcludesItsBounds) {
  Problem one({-10.0}, 0);
  // Da and R of this fit as the Saupe analysis finds them.
  float x0[kPeaks] = {}, x[kPeaks], y[kPeaks], z[kPeaks], di[kPeaks], d[kPeaks], dd[kPeaks];
  for (int r = 0; r < kPeaks; r++)
    x[r] = one.p.xMat[r][0], y[r] = one.p.yMat[r][0], z[r] = one.p.zMat[r][0],
    di[r] = one.p.diValMat[r][0], d[r] = one.p.dcMat[r][0], dd[r] = 1.0f;
  float s[5], ds[5];
  korim::couplings::findS(x0, x0, x0, x, y, z, di, d, dd, s, ds, kPeaks);
  double sd[5], irr[5], g, vec[3][3], val[3], da, dr, a[4], b[4], c[4];
  for (int k = 0; k < 5; k++) sd[k] = s[k];
  korim::couplings::analyzeSaupe(sd, irr, &g, vec, val, 0, &da, &dr, a, b, c, 0);
  const float daNH = static_cast<float>(da * kDNH), rh = static_cast<float>(dr / da);
  ASSERT_NEAR(daNH, -10.0f, 1e-3f);
  ASSERT_NEAR(rh, 0.3f, 1e-4f);
  struct Case { float lDa, hDa, lR, hR; bool passes; };
  const float up = INFINITY, down = -INFINITY;
  const Case cases[] = {
      {daNH, -3.0f, 0.0f, 0.7f, false}, {-25.0f, daNH, 0.0f, 0.7f, false}, {-25.0f, -3.0f, rh, 0.7f, false},
      {-25.0f, -3.0f, 0.0f, rh, false},
      {std::nextafter(daNH, down), std::nextafter(daNH, up), std::nextafter(rh, down), std::nextafter(rh, up), true}};
  for (const Case& k : cases) {
    one.p.lDa = k.lDa, one.p.hDa = k.hDa, one.p.lR = k.lR, one.p.hR = k.hR;
    const float score = getSvdChi2Exh(one.p, kIdentity, 0);
    if (k.passes) EXPECT_LT(score, 1e-4f);
    else EXPECT_EQ(score, kNoScore) << k.lDa << " " << k.hDa << " " << k.lR << " " << k.hR;
  }
}

TEST(Scoring, FixedCouplingsAreBackAtTheHeadsAndNothingIsAllocated) {
  Problem two({-10.0, -6.0}, 2);
  std::vector<float> heads[13];
  for (int i = 0; i < 13; i++) heads[i].assign(two.lists[i].begin(), two.lists[i].begin() + 2);
  const float first = getSvdChi2Exh(two.p, kIdentity, 0);  // the fits' work space is made here
  korim::foundation::memoryFailAt(1);
  float again = 0.0f;
  const std::string err = korim_test::captureStderr([&] { again = getSvdChi2Exh(two.p, kIdentity, 0); });
  korim::foundation::memoryFailAt(0);
  EXPECT_TRUE(err.empty() && again == first) << err;
  for (int i = 0; i < 13; i++) EXPECT_EQ(std::vector<float>(two.lists[i].begin(), two.lists[i].begin() + 2), heads[i]) << i;
}

TEST_F(Permutations, ResetClearsTheSlotsInUseAndNoMoreThanAllOfThem) {
  VisitGlobals& g = visitGlobals();
  for (int t = 0; t < kPermMax; t++) g.aGlobal[t] = t + 1;
  g.cGlobal = 42;
  start(5);
  EXPECT_EQ(std::vector<int>(g.aGlobal, g.aGlobal + 6), (std::vector<int>{0, 0, 0, 0, 0, 6}));
  EXPECT_TRUE(g.idGlobal == -1 && g.cGlobal == 0 && g.pSumDGlobal == kNoScore && g.nGlobal == 5);
  g.nGlobal = kPermMax + 100;
  initializeGlobal();
  EXPECT_EQ(std::vector<int>(g.aGlobal, g.aGlobal + kPermMax), std::vector<int>(kPermMax, 0));
}

TEST_F(Permutations, ThreePeaksGiveSixOrdersTheFirstOfATieIsKeptAndTheFilterFixesTheFirstPeaks) {
  start(3);
  const std::string err = korim_test::captureStderr([&] { visitScored(recordOrder, 0, prob, row, best, 0); });
  EXPECT_EQ(seen, (std::vector<std::string>{"012", "021", "102", "201", "120", "210"}));
  const VisitGlobals& g = visitGlobals();
  EXPECT_EQ(g.cGlobal, 6);
  EXPECT_EQ(g.idGlobal, -1);
  for (int t = 0; t < 3; t++) EXPECT_EQ(g.aGlobal[t], 0);
  EXPECT_EQ(g.pSumDGlobal, 1.0f);
  EXPECT_EQ(std::vector<int>(best, best + 3), (std::vector<int>{0, 1, 2}));
  EXPECT_NE(err.find("REMARK Sampled 6\r"), std::string::npos);
  // Orders outside the window leave the caller's best.
  SetUp();
  start(3);
  stubScore = kNoScore;
  korim_test::captureStderr([&] { visitScored(recordOrder, 0, prob, row, best, 0); });
  stubScore = 1.0f;
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(best[0], -7);
  // The filter keeps the first two peaks on the first two positions.
  SetUp();
  start(4);
  korim_test::captureStderr([&] { visitScored(recordOrder, 0, prob, row, best, 2); });
  EXPECT_EQ(seen, (std::vector<std::string>{"0123", "0132", "1023", "1032"}));
}

TEST_F(Permutations, GroupsOfTwoAndThreeGiveTwelveCombinationsGroupByGroup) {
  prob.peakCount = 5;
  const int groups[] = {2, 3};
  int rc = 1;
  korim_test::captureStderr([&] { rc = visitAa(prob, row, best, 2, groups, recordOrder); });
  ASSERT_EQ(rc, 0);
  // The first group outermost, each group's orders in the generator's order, offset by the group.
  std::vector<std::string> want;
  for (const char* a : {"01", "10"})
    for (const char* b : {"234", "243", "324", "423", "342", "432"}) want.push_back(std::string(a) + b);
  EXPECT_EQ(seen, want);
  EXPECT_EQ(std::vector<int>(best, best + 5), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(Permutations, GroupsThatCannotBeSearchedAreRefusedBeforeAnyOrder) {
  struct Case { int count; std::vector<int> sizes; const char* message; };
  const Case cases[] = {
      {2, {2, 2}, "Error: Error in length of permutation.\n"},
      {7, {1, 1, 1, 1, 1, 0, 0}, "residue-type groups given"},
      {2, {12, 1}, "groups take 0 to 10 peaks"},
  };
  for (const Case& c : cases) {
    prob.peakCount = 5;
    for (int& r : row) r = -9;
    const std::string err = korim_test::captureStderr(
        [&] { EXPECT_EQ(visitAa(prob, row, best, c.count, c.sizes.data(), recordOrder), 1) << c.message; });
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(seen.empty());
    for (int r : row) EXPECT_EQ(r, -9);
  }
}

TEST_F(Permutations, TablesOfAGroupFollowTheGeneratorsOrder) {
  int table[6 * 3] = {};
  visitGlobals().nGlobal = 3;
  initializeGlobal();
  korim_test::captureStderr([&] { visitPermut(0, 3, table); });
  EXPECT_EQ(std::vector<int>(table, table + 18),
            (std::vector<int>{0, 1, 2, 0, 2, 1, 1, 0, 2, 2, 0, 1, 1, 2, 0, 2, 1, 0}));
}

TEST_F(Permutations, SubsetSearchScoresEveryOrderOfEverySubsetOfPositions) {
  // Four peaks with 3, 5, 5 and 4 couplings: only the two peaks of 5 hold the 10 largest.
  PeakMats mats(prob, 4, 1.0f);
  const int counts[4] = {3, 5, 5, 4};
  for (int r = 0; r < 4; r++)
    for (int c = 0; c < counts[r]; c++) prob.dcMat[r][c] = static_cast<float>(r + c);
  prob.peakCount = 4;
  for (int dcOpt : {1, 0}) {
    seen.clear();
    visitGlobalsReset();
    int sel[4] = {};
    std::string out;
    const std::string err = korim_test::captureStderr([&] {
      out = korim_test::captureStdout([&] { EXPECT_EQ(visitAllExh(2, dcOpt, prob, sel, best, recordOrder), 0); });
    });
    EXPECT_NE(out.find(dcOpt ? "REMARK DC Peaks 2 3 have been selected.\n." : "REMARK DC Peaks 1 2 have been selected.\n."),
              std::string::npos) << out;
    EXPECT_EQ(seen.size(), subsetScorings(4, 2));  // 2! orders of each of the 6 position pairs
    EXPECT_EQ(visitGlobals().cGlobal, 12);
    // The first order of the first pair wins the tie: positions 0 and 1 take the first selected peaks.
    EXPECT_EQ(std::vector<int>(best, best + 4), dcOpt ? (std::vector<int>{1, 2, -1, -1}) : (std::vector<int>{0, 1, -1, -1}));
  }
}
