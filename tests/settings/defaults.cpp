// Defaults of the settings records: the documented values a run's result depends on and no
// program test pins (the steric example pins the steric ones), and the sub-record invariants.
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

TEST(SettingsDefaults, DocumentedValuesSubRecordsAndDcInfo) {
  KorimInfo k;
  scribble(&k, 0xA5);
  EXPECT_EQ(korimInfoNull(&k), 0);
  const GridInfo& g = k.gridInfo;
  const ElInfo& e = k.elInfo;
  const HistInfo& h = k.histInfo;
  korim_test::expectFields({
      KORIM_FIELD(k, idum, -1), KORIM_FIELD(k, korimMode, 1), KORIM_FIELD(k, dcID, 500),
      KORIM_FIELD(k, outFormat, 2), KORIM_FIELD(k, qFlag, 1), KORIM_FIELD(k, opCode, 2),
      KORIM_FIELD(k, coneDig, 360), KORIM_FIELD(k, coneWidth, 5.0), KORIM_FIELD(k, mapFrac, 0.2),
      KORIM_FIELD(k, nConeAdjust, 100), KORIM_FIELD(k, nConeInc, 0.25), KORIM_FIELD(k, mcAdjustFrac, 0.7),
      KORIM_FIELD(k, incSigma, 0.2), KORIM_FIELD(k, sCount, 30), KORIM_FIELD(k, histRan, 1000),
      KORIM_FIELD(k, molarRatio, 3.0), KORIM_FIELD(k, lengthModel, 200.0), KORIM_FIELD(k, orderDiscRim, 0.25),
      KORIM_FIELD(g, densE, 200), KORIM_FIELD(g, hBetaCone, 30.0), KORIM_FIELD(g, errAlphaCone, 180.0),
      KORIM_FIELD(g, clashDist, 3.6), KORIM_FIELD(e, pH, 7.0), KORIM_FIELD(e, concNaCl, 0.2),
      KORIM_FIELD(e, chDensSurf, -0.47), KORIM_FIELD(e, maxPot, 5.0), KORIM_FIELD(e, temperaturePot, 298.15),
      KORIM_FIELD(e, iFace, 50.0), KORIM_FIELD(h, binCount, 20), KORIM_FIELD(h, rhHi, 0.667),
      KORIM_FIELD(h, modeFit, 3), KORIM_FIELD(h, sdevDzz, 0.4), KORIM_FIELD(h, sdevDyy, 0.9),
      KORIM_FIELD(h, lDaMl, -25.0), KORIM_FIELD(h, hDaMl, -3.0), KORIM_FIELD(h, incDaMl, 0.1),
      KORIM_FIELD(h, hRMl, 0.7), KORIM_FIELD(h, incRMl, 0.01),
  });
  EXPECT_EQ(e.cutoffPot, 6.0e-6);  // double, not a float rounded up
  EXPECT_EQ(e.cutoffDist, -1.0);   // -cut not given
  // One shared empty text for the coupling chains, as documented.
  ASSERT_NE(k.chainDc[0], nullptr);
  EXPECT_STREQ(k.chainDc[0], "");
  EXPECT_EQ(k.chainDc[0], k.chainDc[1]);
  EXPECT_EQ(k.chainDc[1], k.chainDc[2]);

  // The sub-record functions store exactly what korimInfoNull stores for them. The three records
  // have no padding bytes, so all their bytes must agree whatever garbage they started with.
  GridInfo g0;
  ElInfo e0;
  HistInfo h0;
  scribble(&g0, 0x5A);
  scribble(&e0, 0x5A);
  scribble(&h0, 0x5A);
  EXPECT_EQ(gridInfoNull(&g0) + elInfoNull(&e0) + histInfoNull(&h0), 0);
  EXPECT_TRUE(std::memcmp(&g0, &g, sizeof g) == 0 && std::memcmp(&e0, &e, sizeof e) == 0 &&
              std::memcmp(&h0, &h, sizeof h) == 0);

  DcInfo d;
  scribble(&d, 0xA5);
  EXPECT_EQ(dcInfoNull(&d), 0);
  korim_test::expectFields({KORIM_FIELD(d, segID, 1), KORIM_FIELD(d, excludeMode, 3)});
  // "No range given" is anything below -99999; the defaults must read as not given, and -99999
  // itself as a given range.
  for (int v : {d.segFirst, d.segLast, d.aFirst}) EXPECT_LT(v, kNoRangeLimit);
  EXPECT_FALSE(-99999 < kNoRangeLimit);
}
