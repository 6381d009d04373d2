// Defaults of the settings records, checked field by field against the documented table.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/settings_null.h"
#include "tests/support/fields.h"

using namespace korim::settings;

namespace {

// Records start as garbage, as the tagged allocator does not clear memory.
template <typename T>
void scribble(T* rec, unsigned char pattern) {
  std::memset(static_cast<void*>(rec), pattern, sizeof(T));
}

}  // namespace

TEST(SettingsDefaults, KorimInfoMatchesTable) {
  KorimInfo k;
  scribble(&k, 0xA5);
  EXPECT_EQ(korimInfoNull(&k), 0);
  korim_test::expectFields({
      KORIM_FIELD(k, validCountD, 0), KORIM_FIELD(k, idum, -1), KORIM_FIELD(k, korimMode, 1),
      KORIM_FIELD(k, allowFixedDI, 1), KORIM_FIELD(k, yzFlag, 0), KORIM_FIELD(k, lcType, 1),
      KORIM_FIELD(k, concentration, 0.05), KORIM_FIELD(k, volSample, 515.0), KORIM_FIELD(k, mwLC, 268000.0),
      KORIM_FIELD(k, massLC, 0.05), KORIM_FIELD(k, unitLengthLC, 1.574), KORIM_FIELD(k, polymerDeg, 1707.0),
      KORIM_FIELD(k, densityNSC, 100), KORIM_FIELD(k, digPsiNSC, 18), KORIM_FIELD(k, radiusModel, 20.0),
      KORIM_FIELD(k, gridSpacing, 0.2), KORIM_FIELD(k, grid3DnX, 1), KORIM_FIELD(k, grid3DnY, 1),
      KORIM_FIELD(k, grid3DnZ, 1), KORIM_FIELD(k, grid3DdeltaX, 0.2), KORIM_FIELD(k, grid3DdeltaY, 0.2),
      KORIM_FIELD(k, grid3DdeltaZ, 0.2), KORIM_FIELD(k, includeRim, 0.0), KORIM_FIELD(k, molarRatio, 3.0),
      KORIM_FIELD(k, lengthModel, 200.0), KORIM_FIELD(k, orderDiscRim, 0.25), KORIM_FIELD(k, lcOrder, 0.8),
      KORIM_FIELD(k, Hflag, 0), KORIM_FIELD(k, surfFlag, 1), KORIM_FIELD(k, radiusAtom, 0.0),
      KORIM_FIELD(k, rSingleCell, 0.0), KORIM_FIELD(k, opCode, 2), KORIM_FIELD(k, c1, 1.0),
      KORIM_FIELD(k, c2, 1.0), KORIM_FIELD(k, eulerFlag, 1), KORIM_FIELD(k, verbFlag, 1),
      KORIM_FIELD(k, mapMode, 1), KORIM_FIELD(k, spreadMode, 0), KORIM_FIELD(k, noiseMode, 1),
      KORIM_FIELD(k, mapFrac, 0.2), KORIM_FIELD(k, mapFixCount, 0), KORIM_FIELD(k, coneFix, 0),
      KORIM_FIELD(k, coneDig, 360), KORIM_FIELD(k, coneWidth, 5.0), KORIM_FIELD(k, nConeFlag, 1),
      KORIM_FIELD(k, nConeAdjust, 100), KORIM_FIELD(k, nConeStart, 0.0), KORIM_FIELD(k, nConeInc, 0.25),
      KORIM_FIELD(k, mcAdjustFlag, 1), KORIM_FIELD(k, nAdjustMc, 100), KORIM_FIELD(k, mcAdjustFrac, 0.7),
      KORIM_FIELD(k, kSigma, 1.0), KORIM_FIELD(k, kLSigma, 1.0), KORIM_FIELD(k, incSigma, 0.2),
      KORIM_FIELD(k, dcProton, 0), KORIM_FIELD(k, dcID, 500), KORIM_FIELD(k, normDc, 0),
      KORIM_FIELD(k, outFormat, 2), KORIM_FIELD(k, dcNoise, 0), KORIM_FIELD(k, elPdbFlag, 0),
      KORIM_FIELD(k, qFlag, 1), KORIM_FIELD(k, rotN, 0), KORIM_FIELD(k, sCount, 30),
      KORIM_FIELD(k, histRan, 1000), KORIM_FIELD(k, nAaCheck, 1), KORIM_FIELD(k, nSel, 0),
      KORIM_FIELD(k, dcSelOpt, 1), KORIM_FIELD(k, nChainDc, 1),
  });
  const GridInfo& g = k.gridInfo;
  korim_test::expectFields({
      KORIM_FIELD(g, outEflag, 0), KORIM_FIELD(g, densE, 200), KORIM_FIELD(g, angleDomFlag, 0),
      KORIM_FIELD(g, angleDom[0], 0.0), KORIM_FIELD(g, angleDom[1], 0.0), KORIM_FIELD(g, angleDom[2], 0.0),
      KORIM_FIELD(g, resDom1Origin, 0), KORIM_FIELD(g, resDom2Origin, 0), KORIM_FIELD(g, startResDom1, 0),
      KORIM_FIELD(g, endResDom1, 0), KORIM_FIELD(g, startResDom2, 0), KORIM_FIELD(g, endResDom2, 0),
      KORIM_FIELD(g, startResPart1, 0), KORIM_FIELD(g, endResPart1, 0), KORIM_FIELD(g, startResPart2, 0),
      KORIM_FIELD(g, endResPart2, 0), KORIM_FIELD(g, digPsiE, 1), KORIM_FIELD(g, lBetaCone, 0.0),
      KORIM_FIELD(g, hBetaCone, 30.0), KORIM_FIELD(g, cAlphaCone, 0.0), KORIM_FIELD(g, errAlphaCone, 180.0),
      KORIM_FIELD(g, clashFlag, 1), KORIM_FIELD(g, clashDist, 3.6), KORIM_FIELD(g, initOrientFlag, 1),
      KORIM_FIELD(g, pivotCenter, 1), KORIM_FIELD(g, fixRotDomain, 0),
  });
  const ElInfo& e = k.elInfo;
  korim_test::expectFields({
      KORIM_FIELD(e, pow, 1.0), KORIM_FIELD(e, kAtt, 0.0), KORIM_FIELD(e, elFlag, 0),
      KORIM_FIELD(e, pkaFlag, 1), KORIM_FIELD(e, charmm, 0), KORIM_FIELD(e, dipoleFlag, 0),
      KORIM_FIELD(e, chSelFlag, 0), KORIM_FIELD(e, pH, 7.0), KORIM_FIELD(e, concNaCl, 0.2),
      KORIM_FIELD(e, chDensSurf, -0.47), KORIM_FIELD(e, chTerminiFlag, 1), KORIM_FIELD(e, kEnergy, 1.0),
      KORIM_FIELD(e, kPot, 1.0), KORIM_FIELD(e, kMonoCh, 1.0), KORIM_FIELD(e, kDipoCh, 1.0),
      KORIM_FIELD(e, kQuadCh, 1.0), KORIM_FIELD(e, maxPot, 5.0), KORIM_FIELD(e, z1, 0), KORIM_FIELD(e, zN, 0),
      KORIM_FIELD(e, temperaturePot, 298.15), KORIM_FIELD(e, chFlag, 0), KORIM_FIELD(e, iFace, 50.0),
  });
  EXPECT_EQ(e.cutoffPot, 6.0e-6);  // double, not a float rounded up
  EXPECT_EQ(e.cutoffDist, -1.0);   // -cut not given
  const HistInfo& h = k.histInfo;
  korim_test::expectFields({
      KORIM_FIELD(h, binCount, 20), KORIM_FIELD(h, daLo, -1000.0), KORIM_FIELD(h, daHi, 1000.0),
      KORIM_FIELD(h, rhLo, 0.0), KORIM_FIELD(h, rhHi, 0.667), KORIM_FIELD(h, optExtrem, 1),
      KORIM_FIELD(h, nBinIn, 0), KORIM_FIELD(h, modeFit, 3), KORIM_FIELD(h, sdevDzz, 0.4),
      KORIM_FIELD(h, sdevDyy, 0.9), KORIM_FIELD(h, mlMap, 0), KORIM_FIELD(h, lDaMl, -25.0),
      KORIM_FIELD(h, hDaMl, -3.0), KORIM_FIELD(h, incDaMl, 0.1), KORIM_FIELD(h, lRMl, 0.0),
      KORIM_FIELD(h, hRMl, 0.7), KORIM_FIELD(h, incRMl, 0.01),
      // Results of the estimations start at zero.
      KORIM_FIELD(h, nBins, 0), KORIM_FIELD(h, dcMin, 0), KORIM_FIELD(h, dcMax, 0), KORIM_FIELD(h, Da2Par, 0),
      KORIM_FIELD(h, R2Par, 0), KORIM_FIELD(h, Dzz, 0), KORIM_FIELD(h, Dyy, 0), KORIM_FIELD(h, Dxx, 0),
      KORIM_FIELD(h, binWidth, 0), KORIM_FIELD(h, DaFit, 0), KORIM_FIELD(h, DaErrFit, 0),
      KORIM_FIELD(h, RFit, 0), KORIM_FIELD(h, RErrFit, 0), KORIM_FIELD(h, DaMl, 0),
      KORIM_FIELD(h, DaErrMl, 0), KORIM_FIELD(h, RMl, 0), KORIM_FIELD(h, RErrMl, 0),
  });
  for (int v : k.exCheckList) EXPECT_EQ(v, 0);
  EXPECT_EQ(sizeof(k.exCheckList) / sizeof(k.exCheckList[0]), 25u);
  ASSERT_EQ(sizeof(k.chainDc) / sizeof(k.chainDc[0]), 3u);
  // One shared empty text, as documented.
  ASSERT_NE(k.chainDc[0], nullptr);
  EXPECT_STREQ(k.chainDc[0], "");
  EXPECT_EQ(k.chainDc[0], k.chainDc[1]);
  EXPECT_EQ(k.chainDc[1], k.chainDc[2]);
}

TEST(SettingsDefaults, SubRecordsAndDcInfo) {
  // The sub-record functions store exactly what korimInfoNull stores for them. The three records
  // have no padding bytes, so all their bytes must agree whatever garbage they started with.
  GridInfo g;
  ElInfo e;
  HistInfo h;
  KorimInfo k;
  scribble(&g, 0x5A);
  scribble(&e, 0x5A);
  scribble(&h, 0x5A);
  scribble(&k, 0x3C);
  EXPECT_EQ(gridInfoNull(&g) + elInfoNull(&e) + histInfoNull(&h), 0);
  korimInfoNull(&k);
  EXPECT_EQ(std::memcmp(&g, &k.gridInfo, sizeof g), 0);
  EXPECT_EQ(std::memcmp(&e, &k.elInfo, sizeof e), 0);
  EXPECT_EQ(std::memcmp(&h, &k.histInfo, sizeof h), 0);

  DcInfo d;
  scribble(&d, 0xA5);
  EXPECT_EQ(dcInfoNull(&d), 0);
  korim_test::expectFields({
      KORIM_FIELD(d, segFirst, -999999), KORIM_FIELD(d, segLast, -999999), KORIM_FIELD(d, segID, 1),
      KORIM_FIELD(d, segStep, 0), KORIM_FIELD(d, aFirst, -999999), KORIM_FIELD(d, excludeMode, 3),
  });
  // "No range given" is anything below -99999; the default must read as not given, and -99999
  // itself as a given range.
  EXPECT_LT(d.segFirst, kNoRangeLimit);
  EXPECT_FALSE(-99999 < kNoRangeLimit);
}
