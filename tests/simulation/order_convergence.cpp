// The check of an order against denser spheres: the average of the orientations' records, the
// size and distance of orders, the criterion, the verdict and the advice of a density.
#include "simulation/order_convergence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "foundation/advice.h"
#include "simulation/nsc.h"

using namespace korim::simulation;

namespace {

// Records of the sphere of density d (turns 1): orientation o's direction is dot o, its order
// values those of a director along the dot (Szz = (3z^2 - 1)/2, ...), its weight weight(dot).
template <typename Weight>
OrientationWeights onSphere(int density, Weight weight) {
  int n = 0;
  const double* dots = sphereOfDensity(density, &n);
  OrientationWeights w;
  w.resize(n);
  for (int o = 0; o < n; o++) {
    const double* d = dots + 3 * o;
    w.a[o] = weight(d);
    w.s[o] = {1.5 * d[2] * d[2] - 0.5, 1.5 * (d[0] * d[0] - d[1] * d[1]), 1.5 * d[0] * d[1], 1.5 * d[0] * d[2],
              1.5 * d[1] * d[2]};
  }
  return w;
}

class OrderConvergence : public testing::Test {
 protected:
  void SetUp() override {
    nscReset();
    orderConvergenceReset();
  }
};

}  // namespace

TEST_F(OrderConvergence, SizesDistancesAndAveragesOfKnownOrders) {
  // A director along z: Szz 1, Sxx = Syy = -1/2: Frobenius size sqrt(3/2); an off-diagonal element
  // counts twice.
  const double z[5] = {1, 0, 0, 0, 0}, xy[5] = {0, 0, 0.5, 0, 0}, none[5] = {0, 0, 0, 0, 0};
  EXPECT_NEAR(orderSize(z), std::sqrt(1.5), 1e-15);
  EXPECT_NEAR(orderSize(xy), std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(orderDistance(none, z), 1.0, 1e-15);
  EXPECT_TRUE(std::isinf(orderDistance(z, none)));
  // Uniform weights over a sphere average the directors' order to zero; weights cos^2 of the polar
  // angle give <P2> = <z^2 (3 z^2 - 1) / 2> / <z^2> = (3/5 - 1/3) / (2/3) = 2/5 in Szz, to the
  // sphere's quadrature.
  const OrientationWeights flat = onSphere(400, [](const double*) { return 1.0; });
  const OrientationWeights polar = onSphere(400, [](const double* d) { return d[2] * d[2]; });
  double out[5];
  ASSERT_TRUE(orientationAverage(flat, out));
  EXPECT_LT(orderSize(out), 1e-3);
  ASSERT_TRUE(orientationAverage(polar, out));
  EXPECT_NEAR(out[0], 0.4, 2e-3);
  // Divisor terms: free positions per orientation scale the order down; a negative divisor is none.
  OrientationWeights free = polar;
  free.perOrientation = 1.0;  // <z^2> = 1/3 of weight against 1 free: a quarter of the weight
  double freeOut[5];
  ASSERT_TRUE(orientationAverage(free, freeOut));
  EXPECT_NEAR(freeOut[0], out[0] / 4.0, 2e-3);
  free.perOrientation = -10.0;
  EXPECT_FALSE(orientationAverage(free, freeOut));
}

TEST_F(OrderConvergence, EveryOrderIsHeldAgainstTheDenserSpheresHoweverSmoothItsWeights) {
  // Weights exp(2 z) change by less than 1 kT between neighbouring dots of -dot 100 (122 dots, about
  // 0.33 rad apart): the screen of earlier builds passed such a run without a denser sphere. Where
  // the denser spheres give an order 20 % away, the run is refused all the same; where they agree
  // it answers; a scan that fails ends the check without a verdict.
  const OrientationWeights own = onSphere(100, [](const double* d) { return std::exp(2.0 * d[2]); });
  double mine[5];
  ASSERT_TRUE(orientationAverage(own, mine));
  korim::settings::KorimInfo k{};
  k.densityNSC = 100, k.digPsiNSC = 1, k.lcOrder = 0.8f;
  const struct {
    double denser;  // the denser spheres' orders, as a multiple of the run's
    bool scans;
    int status;
    std::string says;
  } cases[] = {
      {1.2, true, 1, "sma: the sphere of orientations does not settle this prediction's order"},
      {1.01, true, 0, "REMARK The order is checked on the denser spheres of -dot 150 and 400 (162 and 482 "
                      "orientations).\n"},
      {1.0, false, 1, "REMARK The order is checked"},
  };
  for (const auto& t : cases) {
    int scans = 0;
    const SphereScan rescan = [&](const double*, int n, OrientationWeights* w) {
      scans++;
      w->resize(n);
      w->lessMean = false;
      for (int o = 0; o < n; o++) {
        w->a[o] = 1.0;
        for (int j = 0; j < 5; j++) w->s[o][j] = t.denser * mine[j];
      }
      return t.scans;
    };
    testing::internal::CaptureStderr();
    const int status = convergedOrRefuse("sma", k, own.size(), own, mine, rescan);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, t.status) << t.denser << err;
    EXPECT_NE(err.find(t.says), std::string::npos) << err;
    EXPECT_GE(scans, 1) << t.denser;
  }
}

TEST_F(OrderConvergence, TheAdviceNamesTheFirstDensityThatItsDenserSpheresConfirm) {
  // An order that moves with the sphere as Szz = 1 + c / dots: each density tried is compared with
  // one and a half and four times it, and where four times moves it by more than half a tenth, with
  // sixteen times it too. c = 30 settles at -dot 400 (482 dots against 642 and 1692: 4.4 %). c = 40
  // moves by 5.8 % there and 7.7 % on -dot 6400 (6752 dots): settled by all three. c = 60 moves by
  // 8.6 % there, but 11.5 % on -dot 6400, a slow steady move: it settles at -dot 1600 (2.6 %).
  // c = 200 moves by 8.6 % at -dot 1600, whose far sphere (-dot 25600) the advice does not scan:
  // none settles up to 1600, the densest tried; c = 1e5 at none either. From -dot 150 the steps by
  // four stop at 600, and -dot 2000 is tried after it: c = 200 moves it by 6.3 % on -dot 8000, and
  // it too would need a sphere beyond the advice's. A sphere whose order lies 30 % off (chance, as
  // a sharply weighted molecule gives) withholds the density it neighbours: -dot 600 withholds 400
  // and -dot 2400 withholds 1600; -dot 3000 withholds 2000, the one density a run of -dot 700 tries,
  // though its denser sphere agrees.
  const struct {
    int density;
    double c;
    bool given;
    std::vector<int> off;  // densities whose sphere's order lies 30 % above
    std::string line;
  } cases[] = {
      {100, 30, false, {}, "sma: on the sphere of -dot 400 the order agrees with those of its denser spheres (-dot "
                           "600 and 1600) within a tenth: -dot 400 answers.\n"},
      {100, 30, true, {}, "sma: on the sphere of -dot 400 the order agrees with those of its denser spheres (-dot 600 "
                          "and 1600) within a tenth: -dot 400 in place of -dot 100 answers.\n"},
      {100, 40, false, {}, "sma: on the sphere of -dot 400 the order agrees with those of its denser spheres (-dot "
                           "600, 1600 and 6400) within a tenth: -dot 400 answers.\n"},
      {100, 60, false, {}, "sma: on the sphere of -dot 1600 the order agrees with those of its denser spheres (-dot "
                           "2400 and 6400) within a tenth: -dot 1600 answers.\n"},
      {100, 200, false, {}, "sma: no sphere from -dot 400 up to -dot 1600, the densest tried, gives an order that "
                            "its denser spheres confirm within a tenth.\n"},
      {100, 1e5, false, {}, "sma: no sphere from -dot 400 up to -dot 1600, the densest tried, gives an order that "
                            "its denser spheres confirm within a tenth.\n"},
      {150, 200, false, {}, "sma: no sphere from -dot 600 up to -dot 2000, the densest tried, gives an order that "
                            "its denser spheres confirm within a tenth.\n"},
      {150, 1e5, false, {}, "sma: no sphere from -dot 600 up to -dot 2000, the densest tried, gives an order that "
                            "its denser spheres confirm within a tenth.\n"},
      {100, 30, false, {600}, "sma: on the sphere of -dot 1600 the order agrees with those of its denser spheres "
                              "(-dot 2400 and 6400) within a tenth: -dot 1600 answers.\n"},
      {100, 30, false, {600, 2400}, "sma: no sphere from -dot 400 up to -dot 1600, the densest tried, gives an order "
                                    "that its denser spheres confirm within a tenth.\n"},
      {700, 30, false, {}, "sma: on the sphere of -dot 2000 the order agrees with those of its denser spheres (-dot "
                           "3000 and 8000) within a tenth: -dot 2000 answers.\n"},
      {700, 30, false, {3000}, "sma: the sphere of -dot 2000, the one density tried, gives no order that its denser "
                               "spheres confirm within a tenth.\n"},
  };
  for (const auto& t : cases) {
    std::vector<int> offDots;
    for (int d : t.off) {
      int n = 0;
      sphereOfDensity(d, &n);
      offDots.push_back(n);
    }
    const SphereScan rescan = [&](const double*, int n, OrientationWeights* w) {
      w->resize(n);
      w->lessMean = false;
      const bool off = std::find(offDots.begin(), offDots.end(), n) != offDots.end();
      for (int o = 0; o < n; o++) w->a[o] = 1.0, w->s[o] = {(1.0 + t.c / n) * (off ? 1.3 : 1.0), 0, 0, 0, 0};
      return true;
    };
    int n = 0;
    sphereOfDensity(4 * t.density, &n);
    ScannedOrders orders{"sma", rescan, {}};
    orders.at[4 * t.density] = {1.0 + t.c / n, 0, 0, 0, 0};
    char prog[] = "korim", opt[] = "-dot", value[] = "100";
    char* argv[] = {prog, opt, value};
    korim::foundation::setAdviceCommandLine(t.given ? 3 : 1, argv);
    EXPECT_EQ(dotAdvice(t.density, orders), t.line) << t.density << " " << t.c << " " << t.off.size();
    korim::foundation::adviceReset();
  }
}

TEST_F(OrderConvergence, AnOrderWithinTheSpheresOwnImprecisionIsZero) {
  // The order a sphere gives equal weights (its dots' own anisotropy) and the rounding floor of
  // 1e-9 of the medium's order: an order of twice the larger is zero, one a per cent above is not,
  // whichever way it points; a real order of a molecule (1e-4) never is.
  for (const int density : {30, 100, 400}) {
    const OrientationWeights flat = onSphere(density, [](const double*) { return 1.0; });
    double mean[5] = {0, 0, 0, 0, 0};
    for (int o = 0; o < flat.size(); o++)
      for (int j = 0; j < 5; j++) mean[j] += flat.s[o][j] / flat.size();
    const double floor = std::fmax(1e-9, 2.0 * orderSize(mean));
    EXPECT_LT(floor, 1e-6) << density;  // far below a measurable coupling
    const double along[2][5] = {{1, 0, 0, 0, 0}, {0, 0, 0.3, 0.2, -0.7}};
    for (const auto& dir : along)
      for (const auto& [share, zero] : {std::pair{0.99, true}, std::pair{1.01, false}, std::pair{1e5, false}}) {
        double s[5];
        for (int j = 0; j < 5; j++) s[j] = dir[j] * share * floor / orderSize(dir);
        EXPECT_EQ(orderWithinSampling(flat, s), zero) << density << " " << share;
      }
  }
}

TEST_F(OrderConvergence, TheRunsOrderIsHeldAgainstTheNeighbouringAndTheFarSphere) {
  // Orders of Szz alone: the run's order 1 lies |1 - b| / b = d from an order b = 1 / (1 + d). The
  // denser sphere's order (4 times the density) and the neighbouring one's (3/2 times) are at hand;
  // the far sphere's (16 times, at most the densest sphere korim builds) too where a row says so,
  // else it is scanned, at most once.
  const int top = kUnspMaxDensity;
  const struct {
    int density;
    double denser, neighbour, far;  // distances of the run's order from theirs
    bool farKnown;
    int farthest;        // the densest sphere the caller lets the criterion scan
    bool settled;
    int farUsed, scans;
  } cases[] = {
      {100, 0.03, 0.02, 0.50, false, top, true, 0, 0},     // the denser sphere agrees closely: it decides
      {100, 0.049, 0.02, 0.50, false, top, true, 0, 0},
      {100, 0.12, 0.02, 0.01, false, top, false, 0, 0},    // beyond a tenth: refused, no far sphere
      {100, 0.051, 0.02, 0.08, false, top, true, 1600, 1},  // within half a tenth to a tenth: the far sphere decides
      {100, 0.07, 0.02, 0.15, false, top, false, 1600, 1},  // slow, steady: the far order lies further
      {100, 0.07, 0.02, 0.08, false, 400, false, 0, 0},     // a far sphere beyond the caller's reach settles nothing
      {100000, 0.07, 0.02, 0.08, true, top, true, top, 0},   // 16 x 100000 lies beyond the densest sphere: that one
      {250000, 0.07, 0.02, 0.50, false, top, true, 0, 0},    // no sphere beyond the denser one: it decides alone
      {100, 0.03, 0.12, 0.01, false, top, false, 0, 0},     // the denser sphere agrees by chance, the neighbour not
      {100, 0.07, 0.101, 0.01, false, top, false, 0, 0},    // nor is the far sphere asked then
      {100, 0.07, 0.099, 0.01, false, top, true, 1600, 1},
  };
  for (const auto& t : cases) {
    int scans = 0;
    const SphereScan rescan = [&](const double*, int n, OrientationWeights* w) {
      scans++;
      w->resize(n);
      w->lessMean = false;
      for (int o = 0; o < n; o++) w->a[o] = 1.0, w->s[o] = {1.0 / (1.0 + t.far), 0, 0, 0, 0};
      return true;
    };
    ScannedOrders orders{"sma", rescan, {}};
    orders.at[4 * t.density] = {1.0 / (1.0 + t.denser), 0, 0, 0, 0};
    orders.at[3 * t.density / 2] = {1.0 / (1.0 + t.neighbour), 0, 0, 0, 0};
    if (t.farKnown) orders.at[std::min(16 * t.density, top)] = {1.0 / (1.0 + t.far), 0, 0, 0, 0};
    const double own[5] = {1, 0, 0, 0, 0};
    const Settling v = settlesOrder(t.density, own, orders, t.farthest);
    EXPECT_TRUE(v.scanned);
    EXPECT_EQ(v.settled, t.settled) << t.density << " " << t.denser << " " << t.neighbour << " " << t.far;
    EXPECT_EQ(v.denser, 4 * t.density);
    EXPECT_NEAR(v.apart, t.denser, 1e-12);
    EXPECT_EQ(v.neighbour, t.denser <= 0.1 ? 3 * t.density / 2 : 0) << t.density << " " << t.denser;
    if (v.neighbour != 0) {
      EXPECT_NEAR(v.apartNeighbour, t.neighbour, 1e-12);
    }
    EXPECT_EQ(v.far, t.farUsed) << t.density << " " << t.denser;
    if (t.farUsed != 0) {
      EXPECT_NEAR(v.apartFar, t.far, 1e-12);
    }
    // Asked again, the criterion scans nothing: every order it took is kept.
    settlesOrder(t.density, own, orders, t.farthest);
    EXPECT_EQ(scans, t.scans) << t.density << " " << t.denser;
  }
}
