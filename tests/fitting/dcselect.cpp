// Random coupling and residue subsets: sizes, distinctness and repeatability of the draws.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "couplings/dc.h"
#include "fitting/dcselect.h"
#include "tests/support/capture.h"

using korim::couplings::DInfo;
using korim::couplings::DTable;

namespace {

// A table of 15 rows of which the 12 with a valid calculated row take part.
struct Rows {
  std::vector<DInfo> obs{15}, calc{15};
  DTable tab{};
  Rows() {
    tab.dObsList = obs.data();
    tab.dCalcList = calc.data();
    tab.dCount = 15;
    for (int i = 0; i < 15; i++) calc[i].valid = (i % 5 != 4);
  }
  std::vector<int> kept() const {
    std::vector<int> v;
    for (int i = 0; i < 15; i++)
      if (calc[i].valid) v.push_back(i);
    return v;
  }
};

}  // namespace

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
