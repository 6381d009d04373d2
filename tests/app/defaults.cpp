// Defaults of the settings records, checked field by field against the documented table.
#include <gtest/gtest.h>

#include <cstring>

#include "app/korim_utils_null.h"

using namespace korim::app;

namespace {

// Records start as garbage, as the tagged allocator does not clear memory.
template <typename T>
void scribble(T* rec, unsigned char pattern) {
  std::memset(static_cast<void*>(rec), pattern, sizeof(T));
}

void expectGridDefaults(const GridInfo& g) {
  EXPECT_EQ(g.outEflag, 0);
  EXPECT_EQ(g.densE, 200);
  EXPECT_EQ(g.angleDomFlag, 0);
  for (float a : g.angleDom) EXPECT_EQ(a, 0.0f);
  for (int v : {g.resDom1Origin, g.resDom2Origin, g.startResDom2, g.startResDom1, g.endResDom1, g.endResDom2,
                g.startResPart1, g.endResPart1, g.startResPart2, g.endResPart2})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(g.digPsiE, 1);
  EXPECT_EQ(g.lBetaCone, 0.0f);
  EXPECT_EQ(g.hBetaCone, 30.0f);
  EXPECT_EQ(g.cAlphaCone, 0.0f);
  EXPECT_EQ(g.errAlphaCone, 180.0f);
  EXPECT_EQ(g.clashFlag, 1);
  EXPECT_EQ(g.clashDist, 3.6f);
  EXPECT_EQ(g.initOrientFlag, 1);
  EXPECT_EQ(g.pivotCenter, 1);
  EXPECT_EQ(g.fixRotDomain, 0);
}

void expectElDefaults(const ElInfo& e) {
  EXPECT_EQ(e.pow, 1.0f);
  EXPECT_EQ(e.kAtt, 0.0f);
  EXPECT_EQ(e.elFlag, 0);
  EXPECT_EQ(e.pkaFlag, 1);
  EXPECT_EQ(e.charmm, 0);
  EXPECT_EQ(e.dipoleFlag, 0);
  EXPECT_EQ(e.chSelFlag, 0);
  EXPECT_EQ(e.pH, 7.0f);
  EXPECT_EQ(e.concNaCl, 0.2f);
  EXPECT_EQ(e.chDensSurf, -0.47f);
  EXPECT_EQ(e.chTerminiFlag, 1);
  EXPECT_EQ(e.kEnergy, 1.0f);
  EXPECT_EQ(e.kPot, 1.0f);
  EXPECT_EQ(e.kMonoCh, 1.0f);
  EXPECT_EQ(e.kDipoCh, 1.0f);
  EXPECT_EQ(e.kQuadCh, 1.0f);
  EXPECT_EQ(e.cutoffPot, 6.0e-6);  // double, not a float rounded up
  EXPECT_EQ(e.maxPot, 5.0f);
  EXPECT_EQ(e.z1, 0);
  EXPECT_EQ(e.zN, 0);
  EXPECT_EQ(e.temperaturePot, 298.15f);
  EXPECT_EQ(e.chFlag, 0);
  EXPECT_EQ(e.iFace, 50.0f);
}

void expectHistDefaults(const HistInfo& h) {
  EXPECT_EQ(h.binCount, 20);
  EXPECT_EQ(h.daLo, -1000.0f);
  EXPECT_EQ(h.daHi, 1000.0f);
  EXPECT_EQ(h.rhLo, 0.0f);
  EXPECT_EQ(h.rhHi, 0.667f);
  EXPECT_EQ(h.optExtrem, 1);
  EXPECT_EQ(h.nBinIn, 0);
  EXPECT_EQ(h.modeFit, 3);
  EXPECT_EQ(h.sdevDzz, 0.4f);
  EXPECT_EQ(h.sdevDyy, 0.9f);
  EXPECT_EQ(h.mlMap, 0);
  EXPECT_EQ(h.lDaMl, -25.0f);
  EXPECT_EQ(h.hDaMl, -3.0f);
  EXPECT_EQ(h.incDaMl, 0.1f);
  EXPECT_EQ(h.lRMl, 0.0f);
  EXPECT_EQ(h.hRMl, 0.7f);
  EXPECT_EQ(h.incRMl, 0.01f);
  // Results of the estimations start at zero.
  EXPECT_EQ(h.nBins, 0);
  for (float v : {h.dcMin, h.dcMax, h.Da2Par, h.R2Par, h.Dzz, h.Dyy, h.Dxx, h.binWidth, h.DaFit, h.DaErrFit,
                  h.RFit, h.RErrFit, h.DaMl, h.DaErrMl, h.RMl, h.RErrMl})
    EXPECT_EQ(v, 0.0f);
}

}  // namespace

TEST(SettingsDefaults, KorimInfoMatchesTable) {
  KorimInfo k;
  scribble(&k, 0xA5);
  EXPECT_EQ(korimInfoNull(&k), 0);
  EXPECT_EQ(k.validCountD, 0);
  EXPECT_EQ(k.idum, -1);
  EXPECT_EQ(k.korimMode, 1);
  EXPECT_EQ(k.allowFixedDI, 1);
  EXPECT_EQ(k.yzFlag, 0);
  EXPECT_EQ(k.lcType, 1);
  EXPECT_EQ(k.concentration, 0.05f);
  EXPECT_EQ(k.volSample, 515.0f);
  EXPECT_EQ(k.mwLC, 268000.0f);
  EXPECT_EQ(k.massLC, 0.05f);
  EXPECT_EQ(k.unitLengthLC, 1.574f);
  EXPECT_EQ(k.polymerDeg, 1707.0f);
  EXPECT_EQ(k.densityNSC, 100);
  EXPECT_EQ(k.digPsiNSC, 18);
  EXPECT_EQ(k.radiusModel, 20.0f);
  EXPECT_EQ(k.gridSpacing, 0.2f);
  EXPECT_EQ(k.grid3DnX, 1);
  EXPECT_EQ(k.grid3DnY, 1);
  EXPECT_EQ(k.grid3DnZ, 1);
  EXPECT_EQ(k.grid3DdeltaX, 0.2f);
  EXPECT_EQ(k.grid3DdeltaY, 0.2f);
  EXPECT_EQ(k.grid3DdeltaZ, 0.2f);
  EXPECT_EQ(k.includeRim, 0.0f);
  EXPECT_EQ(k.molarRatio, 3.0f);
  EXPECT_EQ(k.lengthModel, 200.0f);
  EXPECT_EQ(k.orderDiscRim, 0.25f);
  EXPECT_EQ(k.lcOrder, 0.8f);
  EXPECT_EQ(k.Hflag, 0);
  EXPECT_EQ(k.surfFlag, 1);
  EXPECT_EQ(k.radiusAtom, 0.0f);
  EXPECT_EQ(k.rSingleCell, 0.0f);
  EXPECT_EQ(k.opCode, 2);
  EXPECT_EQ(k.c1, 1.0f);
  EXPECT_EQ(k.c2, 1.0f);
  EXPECT_EQ(k.eulerFlag, 1);
  EXPECT_EQ(k.verbFlag, 1);
  EXPECT_EQ(k.mapMode, 1);
  EXPECT_EQ(k.spreadMode, 0);
  EXPECT_EQ(k.noiseMode, 1);
  EXPECT_EQ(k.mapFrac, 0.2f);
  EXPECT_EQ(k.mapFixCount, 0);
  EXPECT_EQ(k.coneFix, 0);
  EXPECT_EQ(k.coneDig, 360);
  EXPECT_EQ(k.coneWidth, 5.0);
  EXPECT_EQ(k.nConeFlag, 1);
  EXPECT_EQ(k.nConeAdjust, 100);
  EXPECT_EQ(k.nConeStart, 0.0f);
  EXPECT_EQ(k.nConeInc, 0.25f);
  EXPECT_EQ(k.mcAdjustFlag, 1);
  EXPECT_EQ(k.nAdjustMc, 100);
  EXPECT_EQ(k.mcAdjustFrac, 0.7f);
  EXPECT_EQ(k.kSigma, 1.0f);
  EXPECT_EQ(k.kLSigma, 1.0f);
  EXPECT_EQ(k.incSigma, 0.2f);
  EXPECT_EQ(k.dcProton, 0);
  EXPECT_EQ(k.dcID, 500);
  EXPECT_EQ(k.normDc, 0);
  EXPECT_EQ(k.outFormat, 2);
  EXPECT_EQ(k.dcNoise, 0);
  EXPECT_EQ(k.elPdbFlag, 0);
  EXPECT_EQ(k.qFlag, 1);
  EXPECT_EQ(k.rotN, 0);
  EXPECT_EQ(k.sCount, 30);
  EXPECT_EQ(k.histRan, 1000);
  EXPECT_EQ(k.nAaCheck, 1);
  for (int v : k.exCheckList) EXPECT_EQ(v, 0);
  EXPECT_EQ(sizeof(k.exCheckList) / sizeof(k.exCheckList[0]), 25u);
  EXPECT_EQ(k.nSel, 0);
  EXPECT_EQ(k.dcSelOpt, 1);
  EXPECT_EQ(k.nChainDc, 1);
  ASSERT_EQ(sizeof(k.chainDc) / sizeof(k.chainDc[0]), 3u);
  for (char* c : k.chainDc) {
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, "");
  }
  // One shared empty text, as documented.
  EXPECT_EQ(k.chainDc[0], k.chainDc[1]);
  EXPECT_EQ(k.chainDc[1], k.chainDc[2]);
  expectGridDefaults(k.gridInfo);
  expectElDefaults(k.elInfo);
  expectHistDefaults(k.histInfo);
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
  EXPECT_EQ(gridInfoNull(&g), 0);
  EXPECT_EQ(elInfoNull(&e), 0);
  EXPECT_EQ(histInfoNull(&h), 0);
  korimInfoNull(&k);
  EXPECT_EQ(std::memcmp(&g, &k.gridInfo, sizeof g), 0);
  EXPECT_EQ(std::memcmp(&e, &k.elInfo, sizeof e), 0);
  EXPECT_EQ(std::memcmp(&h, &k.histInfo, sizeof h), 0);

  DcInfo d;
  scribble(&d, 0xA5);
  EXPECT_EQ(dcInfoNull(&d), 0);
  EXPECT_EQ(d.segFirst, -999999);
  EXPECT_EQ(d.segLast, -999999);
  EXPECT_EQ(d.segID, 1);
  EXPECT_EQ(d.segStep, 0);
  EXPECT_EQ(d.aFirst, -999999);
  EXPECT_EQ(d.excludeMode, 3);
  // "No range given" is anything below -99999; the default must read as not given, and -99999
  // itself as a given range.
  EXPECT_LT(d.segFirst, kNoRangeLimit);
  EXPECT_FALSE(-99999 < kNoRangeLimit);
}
