// Reset of the permutation search state: the slots in use, the rest state and the starting best score.
#include <gtest/gtest.h>

#include "assignment/korim_utils_visit.h"

using namespace korim::assignment;

TEST(InitializeGlobal, ClearsTheSlotsInUseAndTheCountersWithinBounds) {
  VisitGlobals& g = visitGlobals();
  g.nGlobal = 5;
  for (int t = 0; t < kPermMax; t++) g.aGlobal[t] = t + 1;
  g.idGlobal = 3;
  g.cGlobal = 42;
  g.pSumDGlobal = 0.5f;
  initializeGlobal();
  for (int t = 0; t < 5; t++) EXPECT_EQ(g.aGlobal[t], 0) << t;
  EXPECT_EQ(g.aGlobal[5], 6);  // beyond the permutation length: untouched
  EXPECT_EQ(g.idGlobal, -1);
  EXPECT_EQ(g.cGlobal, 0);
  EXPECT_EQ(g.pSumDGlobal, 1.0e8f);
  EXPECT_EQ(g.nGlobal, 5);  // the length is the search's to set
  // A length beyond the slots clears all of them and writes no further.
  g.nGlobal = kPermMax + 100;
  initializeGlobal();
  for (int t = 0; t < kPermMax; t++) EXPECT_EQ(g.aGlobal[t], 0) << t;
}
