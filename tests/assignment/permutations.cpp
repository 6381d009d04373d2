// Orders of the permutation searches, seen through a stub score that records every order; the
// reset of the search state.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assignment/korim_utils_visit.h"
#include "tests/support/capture.h"

using namespace korim::assignment;

namespace {

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

TEST_F(Permutations, ThreePeaksGiveSixOrdersAndTheFirstOfATieIsKept) {
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
}

TEST_F(Permutations, OrdersOutsideTheWindowLeaveTheCallersBest) {
  start(3);
  stubScore = kNoScore;
  korim_test::captureStderr([&] { visitScored(recordOrder, 0, prob, row, best, 0); });
  stubScore = 1.0f;
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(best[0], -7);
}

TEST_F(Permutations, TheFilterKeepsTheFirstPeaksOnTheFirstPositions) {
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
    int rc = 0;
    const std::string err = korim_test::captureStderr([&] { rc = visitAa(prob, row, best, c.count, c.sizes.data(), recordOrder); });
    EXPECT_EQ(rc, 1) << c.message;
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
  std::vector<float> cells[7];
  std::vector<float*> rows[7];
  float*** mats[7] = {&prob.dcMat, &prob.diValMat, &prob.sigMat, &prob.wMat, &prob.xMat, &prob.yMat, &prob.zMat};
  const int counts[4] = {3, 5, 5, 4};
  for (int m = 0; m < 7; m++) {
    cells[m].assign(4 * kPeakCols, m == 0 ? kEmptyCell : 1.0f);
    for (int r = 0; r < 4; r++) rows[m].push_back(&cells[m][r * kPeakCols]);
    *mats[m] = rows[m].data();
  }
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
