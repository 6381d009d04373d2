// Compact and short coupling-table writers: exact text against hand-checked files, measured
// couplings read back in every tensor mode, and the reduced agreement statistics.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "couplings/dcwriters.h"
#include "couplings/writedc.h"
#include "dc_test_util.h"
#include "tests/support/allocfail.h"

using namespace korim::couplings;
using namespace korim_test;

namespace {

// Three N-H rows: two compared (differences 1 and -1, sigma 1 and 0.5), one with no calculation.
struct Rows {
  std::vector<DInfo> obs{3}, calc{3};
  DTable t;
  Rows() {
    dTabNull(&t);
    resetDC(obs.data(), 3);
    const int res[3] = {2, 3, 4};
    const char* names[3] = {"GLN", "ILE", "PHE"};
    const float dObs[3] = {10, -5, 3}, dCalc[3] = {9, -4, 0}, sigma[3] = {1, 0.5f, 1};
    for (int i = 0; i < 3; ++i) {
      DInfo& o = obs[i];
      o.valid = 1, o.resIDI = o.resIDJ = res[i], o.d = dObs[i], o.sigma = sigma[i];
      std::strcpy(o.resNameI, names[i]), std::strcpy(o.resNameJ, names[i]);
      std::strcpy(o.atomNameI, "N"), std::strcpy(o.atomNameJ, "H"), std::strcpy(o.segNameI, "UBQ");
      calc[i] = o;
      calc[i].d = dCalc[i], calc[i].di = -21585.2f, calc[i].valid = i < 2;
    }
    t.dObsList = obs.data(), t.dCalcList = calc.data(), t.dCount = 3, t.nullSegName = 0;
    DTensor& d = t.dTensor;
    d.saupe[0] = 4e-4f, d.saupe[1] = -1e-4f, d.da = 2e-4f, d.dr = 5e-5f, d.eulerCount = 1;
    d.psiList[0] = 10, d.thetaList[0] = 20, d.phiList[0] = 30;
  }
};

}  // namespace

// N 2, RMS sqrt(2/2) = 1, chi2 1 + (1/0.5)^2 = 5, Q sqrt(2/125) = 0.126, R 1 (two points); the
// uncalculated row is written with the missing-value difference.
TEST(ShortWriters, ExactTextOfBothWriters) {
  TempDir dir;
  Rows rows;
  rows.t.dTensor.tensorMode = kTensorFitNonlin, rows.t.dTensor.rhFlag = 1;
  ASSERT_EQ(writeDC((dir / "dc.tab").c_str(), &rows.t, "ubiquitin(2->4 of 3)", 1), 0);
  EXPECT_EQ(readFile(dir / "dc.tab"), readFile(testData("dc/writer_compact.tab")));
  rows.t.dTensor.tensorMode = kTensorSteric;
  ASSERT_EQ(writeDcTq((dir / "tq.tab").c_str(), "w", &rows.t, "short", 0), 0);
  EXPECT_EQ(readFile(dir / "tq.tab"), readFile(testData("dc/writer_short.tab")));

  // Nothing to write: no file.
  rows.t.dCount = 0;
  EXPECT_EQ(writeDcTq((dir / "none.tab").c_str(), "w", &rows.t, "x", 0), 0);
  EXPECT_EQ(writeDC((dir / "none.tab").c_str(), &rows.t, "x", 0), 0);
  EXPECT_FALSE(fileExists(dir / "none.tab"));
}

// The measured ubiquitin couplings, fitted, written in every tensor mode with and without the
// observed columns, read back: every row, the written (calculated) couplings to 1e-4.
TEST(ShortWriters, MeasuredCouplingsReadBackInEveryMode) {
  TempDir dir;
  dctest::Ubiquitin u("ubiquitin_nh_bicelle.tab");
  ASSERT_EQ(u.map(), 63);
  fitD(&u.pdb, &u.tab, 0);
  u.tab.dCalcList[5].valid = 0;
  for (int mode = 0; mode <= 8; ++mode)
    for (int flags = 0; flags < 4; ++flags) {
      u.tab.dTensor.tensorMode = mode, u.tab.dTensor.rhFlag = flags & 1;
      const std::string path = dir / "rt.tab";
      ASSERT_EQ(writeDC(path.c_str(), &u.tab, "round trip", flags >> 1), 0);
      DTable back;
      dTabNull(&back);
      ASSERT_EQ(readDC(path.c_str(), &back), 0) << mode;
      ASSERT_EQ(back.dCount, u.tab.dCount) << mode << " " << flags;
      for (int i = 0; i < back.dCount; ++i)
        ASSERT_NEAR(back.dObsList[i].d, u.tab.dCalcList[i].d, 1e-4) << mode << " row " << i;
      dTabFree(&back);
    }
}

// The reduced statistics start from zero whatever the caller passes, and agree with the
// closed-form values of the three rows; allocation failures give the message and zeros.
TEST(ShortWriters, ReducedStatistics) {
  Rows rows;
  float rms = 7, chi2 = 7, qIso = 7, r = 7;
  int n = 7;
  ASSERT_EQ(getStatDCmodC(&rows.t, &rms, &chi2, &qIso, &r, &n), 0);
  EXPECT_TRUE(n == 2 && rms == 1.0f && chi2 == 5.0f && r == 0.0f);  // R needs three pairs
  // a = 21585.2 * 2e-4 (sign of di and da), R = 0.25: Drms = sqrt((3/16 + 4) 2 a^2 / 5).
  const double a = 21585.2 * 2e-4, want = 1.0 / std::sqrt((3.0 / 16 + 4) * 2 * a * a / 5);
  EXPECT_NEAR(qIso, want, 1e-6);
  ASSERT_EQ(getStatDCmodB(&rows.t, &rms, &qIso, &n), 0);
  EXPECT_TRUE(n == 2 && rms == 1.0f && std::fabs(qIso - want) < 1e-6);
  const int failed = sweepAllocationFailures([&](int) { n = 7, rms = 7; getStatDCmodB(&rows.t, &rms, &qIso, &n); },
                          [&](int, bool fired, const std::string& err) {
                            if (!fired) return;
                            EXPECT_NE(err.find("Error allocating temporary buffers.\n"), std::string::npos);
                            EXPECT_TRUE(n == 0 && rms == 0.0f);
                          });
  EXPECT_GT(failed, 0);
}
