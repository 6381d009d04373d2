// Reset of the permutation search state: the slots in use, the rest state and the starting best score.
#include <gtest/gtest.h>

#include "assignment/korim_utils_visit.h"

using namespace korim::assignment;

TEST(InitializeGlobal, ClearsTheSlotsInUseAndTheCountersWithinBounds) {
  nGlobal = 5;
  for (int t = 0; t < kPermMax; t++) aGlobal[t] = t + 1;
  idGlobal = 3;
  cGlobal = 42;
  pSumDGlobal = 0.5f;
  initializeGlobal();
  for (int t = 0; t < 5; t++) EXPECT_EQ(aGlobal[t], 0) << t;
  EXPECT_EQ(aGlobal[5], 6);  // beyond the permutation length: untouched
  EXPECT_EQ(idGlobal, -1);
  EXPECT_EQ(cGlobal, 0);
  EXPECT_EQ(pSumDGlobal, 1.0e8f);
  EXPECT_EQ(nGlobal, 5);  // the length is the search's to set
  // A length beyond the slots clears all of them and writes no further.
  nGlobal = kPermMax + 100;
  initializeGlobal();
  for (int t = 0; t < kPermMax; t++) EXPECT_EQ(aGlobal[t], 0) << t;
}
