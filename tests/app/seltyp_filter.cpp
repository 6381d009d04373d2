// Atom-type filter of coupling lists: which ends are tested, exact names, flags of other couplings, counts on real tables.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/korim_seltyp.h"
#include "couplings/dc.h"

using namespace korim::app;
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

TEST(SelTypDC, EndsAreTestedInOrderAndNamesExactly) {
  DInfo list[6] = {coupling("N", "HN", 1), coupling("HN", "N", 1), coupling("CA", "HA", 1),
                   coupling("N", "HN", 0), coupling("n", "HN", 1), coupling("N", "H", 1)};
  EXPECT_EQ(selTypDC(list, 6, "N", "HN"), 1);
  const int expected[6] = {1, 0, 0, 0, 0, 0};
  for (int i = 0; i < 6; i++) EXPECT_EQ(list[i].valid, expected[i]) << i;
}

TEST(SelTypDC, AllMatchesAnyNameAtItsEndOnlyAndOtherFlagsStay) {
  DInfo list[5] = {coupling("N", "HN", 1), coupling("C", "HN", 1), coupling("HN", "C", 1),
                   coupling("CA", "C", 3), coupling("CA", "HN", 7)};
  EXPECT_EQ(selTypDC(list, 5, "All", "HN"), 3);
  const int expected[5] = {1, 1, 0, 0, 7};  // a passing flag keeps its value
  for (int i = 0; i < 5; i++) EXPECT_EQ(list[i].valid, expected[i]) << i;
  // "all" is a name, not the wildcard.
  DInfo again[2] = {coupling("N", "HN", 1), coupling("all", "HN", 1)};
  EXPECT_EQ(selTypDC(again, 2, "all", "All"), 1);
  EXPECT_EQ(again[0].valid, 0);
  // Both "All" change nothing and count the valid ones; no list or count changes nothing.
  EXPECT_EQ(selTypDC(list, 5, "All", "All"), 3);
  EXPECT_EQ(selTypDC(list, 0, "X", "Y"), 0);
  EXPECT_EQ(selTypDC(nullptr, 3, "X", "Y"), 0);
  EXPECT_EQ(list[0].valid, 1);
}

struct RealTable : ::testing::Test {
  DTable tab;
  void read(const char* name) {
    dTabNull(&tab);
    std::string path = std::string(KORIM_TEST_DATA) + name;
    ASSERT_EQ(readDC(path.c_str(), &tab), 0);
    for (int i = 0; i < tab.dCount; i++) tab.dObsList[i].valid = 1;
  }
  void TearDown() override { dTabFree(&tab); }
};

TEST_F(RealTable, UbiquitinAmidesPassOnlyAsNitrogenToProton) {
  read("/ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(tab.dCount, 63);  // 63 measured N-H couplings
  EXPECT_EQ(selTypDC(tab.dObsList, tab.dCount, "N", "H"), 63);
  EXPECT_EQ(selTypDC(tab.dObsList, tab.dCount, "H", "N"), 0);
  for (int i = 0; i < tab.dCount; i++) EXPECT_EQ(tab.dObsList[i].valid, 0);
}

TEST_F(RealTable, GroupTableKeepsTheMethylCarbons) {
  read("/dc/groups.tab");
  // Rows CB-HB# of Ala 28 and Ala 46, CA-HA# of Gly 10, N-H of Ile 3.
  EXPECT_EQ(selTypDC(tab.dObsList, tab.dCount, "CB", "All"), 2);
  EXPECT_EQ(tab.dObsList[0].resIDI, 28);
  EXPECT_NE(tab.dObsList[0].valid, 0);
  EXPECT_EQ(tab.dObsList[1].valid, 0);
  EXPECT_NE(tab.dObsList[2].valid, 0);
  EXPECT_EQ(tab.dObsList[3].valid, 0);
}

}  // namespace
