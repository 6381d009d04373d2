// Defaults of the settings records, checked field by field against the documented table.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <vector>

#include "app/korim_utils_null.h"

using namespace korim::app;

namespace {

// Records start as garbage, as the tagged allocator does not clear memory.
template <typename T>
void scribble(T* rec, unsigned char pattern) {
  std::memset(static_cast<void*>(rec), pattern, sizeof(T));
}

// A field's value next to its documented default, the default first put in the field's own type
// (so a float field is compared with the float nearest the documented number).
struct Default {
  const char* name;
  double got, want;
};
#define DEF(rec, field, value) \
  Default { #field, static_cast<double>(rec.field), static_cast<double>(static_cast<std::remove_cvref_t<decltype(rec.field)>>(value)) }

void expectDefaults(const std::vector<Default>& table) {
  for (const Default& d : table) EXPECT_EQ(d.got, d.want) << d.name;
}

}  // namespace

TEST(SettingsDefaults, KorimInfoMatchesTable) {
  KorimInfo k;
  scribble(&k, 0xA5);
  EXPECT_EQ(korimInfoNull(&k), 0);
  expectDefaults({
      DEF(k, validCountD, 0), DEF(k, idum, -1), DEF(k, korimMode, 1), DEF(k, allowFixedDI, 1),
      DEF(k, yzFlag, 0), DEF(k, lcType, 1), DEF(k, concentration, 0.05), DEF(k, volSample, 515.0),
      DEF(k, mwLC, 268000.0), DEF(k, massLC, 0.05), DEF(k, unitLengthLC, 1.574), DEF(k, polymerDeg, 1707.0),
      DEF(k, densityNSC, 100), DEF(k, digPsiNSC, 18), DEF(k, radiusModel, 20.0), DEF(k, gridSpacing, 0.2),
      DEF(k, grid3DnX, 1), DEF(k, grid3DnY, 1), DEF(k, grid3DnZ, 1), DEF(k, grid3DdeltaX, 0.2),
      DEF(k, grid3DdeltaY, 0.2), DEF(k, grid3DdeltaZ, 0.2), DEF(k, includeRim, 0.0), DEF(k, molarRatio, 3.0),
      DEF(k, lengthModel, 200.0), DEF(k, orderDiscRim, 0.25), DEF(k, lcOrder, 0.8), DEF(k, Hflag, 0),
      DEF(k, surfFlag, 1), DEF(k, radiusAtom, 0.0), DEF(k, rSingleCell, 0.0), DEF(k, opCode, 2),
      DEF(k, c1, 1.0), DEF(k, c2, 1.0), DEF(k, eulerFlag, 1), DEF(k, verbFlag, 1), DEF(k, mapMode, 1),
      DEF(k, spreadMode, 0), DEF(k, noiseMode, 1), DEF(k, mapFrac, 0.2), DEF(k, mapFixCount, 0),
      DEF(k, coneFix, 0), DEF(k, coneDig, 360), DEF(k, coneWidth, 5.0), DEF(k, nConeFlag, 1),
      DEF(k, nConeAdjust, 100), DEF(k, nConeStart, 0.0), DEF(k, nConeInc, 0.25), DEF(k, mcAdjustFlag, 1),
      DEF(k, nAdjustMc, 100), DEF(k, mcAdjustFrac, 0.7), DEF(k, kSigma, 1.0), DEF(k, kLSigma, 1.0),
      DEF(k, incSigma, 0.2), DEF(k, dcProton, 0), DEF(k, dcID, 500), DEF(k, normDc, 0), DEF(k, outFormat, 2),
      DEF(k, dcNoise, 0), DEF(k, elPdbFlag, 0), DEF(k, qFlag, 1), DEF(k, rotN, 0), DEF(k, sCount, 30),
      DEF(k, histRan, 1000), DEF(k, nAaCheck, 1), DEF(k, nSel, 0), DEF(k, dcSelOpt, 1), DEF(k, nChainDc, 1),
  });
  const GridInfo& g = k.gridInfo;
  expectDefaults({
      DEF(g, outEflag, 0), DEF(g, densE, 200), DEF(g, angleDomFlag, 0), DEF(g, angleDom[0], 0.0),
      DEF(g, angleDom[1], 0.0), DEF(g, angleDom[2], 0.0), DEF(g, resDom1Origin, 0), DEF(g, resDom2Origin, 0),
      DEF(g, startResDom1, 0), DEF(g, endResDom1, 0), DEF(g, startResDom2, 0), DEF(g, endResDom2, 0),
      DEF(g, startResPart1, 0), DEF(g, endResPart1, 0), DEF(g, startResPart2, 0), DEF(g, endResPart2, 0),
      DEF(g, digPsiE, 1), DEF(g, lBetaCone, 0.0), DEF(g, hBetaCone, 30.0), DEF(g, cAlphaCone, 0.0),
      DEF(g, errAlphaCone, 180.0), DEF(g, clashFlag, 1), DEF(g, clashDist, 3.6), DEF(g, initOrientFlag, 1),
      DEF(g, pivotCenter, 1), DEF(g, fixRotDomain, 0),
  });
  const ElInfo& e = k.elInfo;
  expectDefaults({
      DEF(e, pow, 1.0), DEF(e, kAtt, 0.0), DEF(e, elFlag, 0), DEF(e, pkaFlag, 1), DEF(e, charmm, 0),
      DEF(e, dipoleFlag, 0), DEF(e, chSelFlag, 0), DEF(e, pH, 7.0), DEF(e, concNaCl, 0.2),
      DEF(e, chDensSurf, -0.47), DEF(e, chTerminiFlag, 1), DEF(e, kEnergy, 1.0), DEF(e, kPot, 1.0),
      DEF(e, kMonoCh, 1.0), DEF(e, kDipoCh, 1.0), DEF(e, kQuadCh, 1.0), DEF(e, maxPot, 5.0), DEF(e, z1, 0),
      DEF(e, zN, 0), DEF(e, temperaturePot, 298.15), DEF(e, chFlag, 0), DEF(e, iFace, 50.0),
  });
  EXPECT_EQ(e.cutoffPot, 6.0e-6);  // double, not a float rounded up
  const HistInfo& h = k.histInfo;
  expectDefaults({
      DEF(h, binCount, 20), DEF(h, daLo, -1000.0), DEF(h, daHi, 1000.0), DEF(h, rhLo, 0.0),
      DEF(h, rhHi, 0.667), DEF(h, optExtrem, 1), DEF(h, nBinIn, 0), DEF(h, modeFit, 3), DEF(h, sdevDzz, 0.4),
      DEF(h, sdevDyy, 0.9), DEF(h, mlMap, 0), DEF(h, lDaMl, -25.0), DEF(h, hDaMl, -3.0), DEF(h, incDaMl, 0.1),
      DEF(h, lRMl, 0.0), DEF(h, hRMl, 0.7), DEF(h, incRMl, 0.01),
      // Results of the estimations start at zero.
      DEF(h, nBins, 0), DEF(h, dcMin, 0), DEF(h, dcMax, 0), DEF(h, Da2Par, 0), DEF(h, R2Par, 0), DEF(h, Dzz, 0),
      DEF(h, Dyy, 0), DEF(h, Dxx, 0), DEF(h, binWidth, 0), DEF(h, DaFit, 0), DEF(h, DaErrFit, 0), DEF(h, RFit, 0),
      DEF(h, RErrFit, 0), DEF(h, DaMl, 0), DEF(h, DaErrMl, 0), DEF(h, RMl, 0), DEF(h, RErrMl, 0),
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
  expectDefaults({DEF(d, segFirst, -999999), DEF(d, segLast, -999999), DEF(d, segID, 1), DEF(d, segStep, 0),
                  DEF(d, aFirst, -999999), DEF(d, excludeMode, 3)});
  // "No range given" is anything below -99999; the default must read as not given, and -99999
  // itself as a given range.
  EXPECT_LT(d.segFirst, kNoRangeLimit);
  EXPECT_FALSE(-99999 < kNoRangeLimit);
}
