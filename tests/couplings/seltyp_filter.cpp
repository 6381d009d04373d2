// Atom-type filter of coupling lists: which ends are tested, exact names, flags of other couplings.
#include <gtest/gtest.h>

#include <cstring>

#include "couplings/dc.h"

using namespace korim::couplings;

namespace {

DInfo coupling(const char* atomI, const char* atomJ, int valid) {
  DInfo d;
  std::memset(&d, 0, sizeof d);
  std::strcpy(d.atomNameI, atomI);
  std::strcpy(d.atomNameJ, atomJ);
  d.valid = valid;
  return d;
}

TEST(SelTypDC, EndsNamesAndFlags) {
  // Names match exactly and end by end; a passing flag keeps its value, a failing one is cleared.
  DInfo list[6] = {coupling("N", "HN", 1), coupling("HN", "N", 1), coupling("CA", "HA", 1),
                   coupling("N", "HN", 0), coupling("n", "HN", 1), coupling("N", "H", 1)};
  EXPECT_EQ(selTypDC(list, 6, "N", "HN"), 1);
  // "All" matches any name at its own end only; "all" is a name.
  DInfo any[6] = {coupling("N", "HN", 1), coupling("C", "HN", 1), coupling("HN", "C", 1),
                  coupling("CA", "C", 3), coupling("CA", "HN", 7), coupling("all", "HN", 1)};
  EXPECT_EQ(selTypDC(any, 6, "All", "HN"), 4);
  const int expected[2][6] = {{1, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 7, 1}};
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(list[i].valid, expected[0][i]) << i;
    EXPECT_EQ(any[i].valid, expected[1][i]) << i;
  }
  EXPECT_EQ(selTypDC(any, 6, "all", "All"), 1);
  // Both "All" change nothing and count the valid ones; no list or count changes nothing.
  EXPECT_EQ(selTypDC(list, 6, "All", "All"), 1);
  EXPECT_EQ(selTypDC(list, 0, "X", "Y"), 0);
  EXPECT_EQ(selTypDC(nullptr, 3, "X", "Y"), 0);
  EXPECT_EQ(list[0].valid, 1);
}

}  // namespace
