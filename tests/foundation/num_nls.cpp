// Bounded Levenberg-Marquardt, nlsOpt and the flag-switched LM engine.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <unistd.h>

#include "foundation/levmar.h"
#include "foundation/memory.h"
#include "foundation/nlsopt.h"
#include "foundation/nonlinearfit.h"
#include "tests/support/capture.h"
#include "tests/support/resets.h"

using namespace korim::foundation;

namespace {

// Rosenbrock valley as residuals: r = (10 (y - x^2), 1 - x); minimum (1, 1).
void rosen(float *p, float *hx, int m, int n, void *) {
  ASSERT_EQ(m, 2);
  ASSERT_EQ(n, 2);
  hx[0] = 10.0f * (p[1] - p[0] * p[0]);
  hx[1] = 1.0f - p[0];
}

#ifndef KORIM_SYSTEM_LEVMAR
TEST(NumLevmar, UnboundedAndBoxedRosenbrock) {
  float p[2] = {-1.2f, 1.0f}, x[2] = {0, 0}, info[LM_INFO_SZ];
  int it = slevmar_bc_dif(rosen, p, x, 2, 2, nullptr, nullptr, nullptr, 1000, nullptr, info,
                          nullptr, nullptr, nullptr);
  EXPECT_GT(it, 0);
  EXPECT_NEAR(p[0], 1.0f, 1e-3);
  EXPECT_NEAR(p[1], 1.0f, 2e-3);
  EXPECT_LT(info[1], 1e-8f);
  EXPECT_NE(info[6], 3.0f);  // stopped by a criterion, not by the limit

  // With x <= 0.5 the minimum lies on the valley floor y = x^2 at x = 0.5.
  float q[2] = {-1.2f, 1.0f}, lb[2] = {-2, -2}, ub[2] = {0.5f, 2};
  slevmar_bc_dif(rosen, q, x, 2, 2, lb, ub, nullptr, 1000, nullptr, info, nullptr, nullptr, nullptr);
  EXPECT_FLOAT_EQ(q[0], 0.5f);
  EXPECT_NEAR(q[1], 0.25f, 1e-3);
  EXPECT_NEAR(info[1], 0.25f, 1e-4);  // (1 - 0.5)^2

  // y held at 2 by equal bounds: only x moves, to just below sqrt(2).
  float f[2] = {0.3f, 2.0f}, flb[2] = {-2, 2}, fub[2] = {2, 2};
  slevmar_bc_dif(rosen, f, x, 2, 2, flb, fub, nullptr, 1000, nullptr, info, nullptr, nullptr,
                 nullptr);
  EXPECT_EQ(f[1], 2.0f);
  // Minimum of 100 (2 - x^2)^2 + (1 - x)^2 where 400 x (x^2 - 2) = 2 (1 - x),
  // root found by bisection: 1.4136962.
  EXPECT_NEAR(f[0], 1.4136962, 1e-4);
}

// A straight line p0 + p1 t at t = 0..3: J = [1 t], J^T J = [[4,6],[6,14]].
const float kT[4] = {0, 1, 2, 3};
void line(float *p, float *hx, int, int n, void *) {
  for (int i = 0; i < n; i++) hx[i] = p[0] + p[1] * kT[i];
}

TEST(NumLevmar, FirstStepUsesDefaultDampingOfTheLargestDiagonal) {
  // Through (0,1),(1,3),(2,5),(3,7) from p = 0: J^T e = (16, 34). The first step
  // solves (J^T J + mu I) dp = J^T e with mu = 1e-3 * 14, by Cramer's rule here.
  float p[2] = {0, 0}, y[4] = {1, 3, 5, 7}, info[LM_INFO_SZ];
  EXPECT_EQ(slevmar_bc_dif(line, p, y, 2, 4, nullptr, nullptr, nullptr, 1, nullptr, info, nullptr, nullptr, nullptr),
            1);
  const double mu = 1e-3 * 14, a = 4 + mu, d = 14 + mu, det = a * d - 36;
  EXPECT_NEAR(p[0], (16 * d - 6 * 34) / det, 2e-6);
  EXPECT_NEAR(p[1], (a * 34 - 6 * 16) / det, 2e-6);
  EXPECT_EQ(info[6], 3.0f);  // stopped by the iteration limit

  // With residual scatter the covariance is s^2 (J^T J)^-1, s^2 = ||e||^2/(n - 2).
  // Hand numbers for y = 0,1,1,3: a = -0.1, b = 0.9, ||e||^2 = 0.7, inverse
  // [[14,-6],[-6,4]]/20. The default difference step (1e-6 near zero) is coarse
  // in single precision, which limits a coefficient near 0 to about 1e-3.
  float q[2] = {0, 0}, y2[4] = {0, 1, 1, 3}, cov[4];
  slevmar_bc_dif(line, q, y2, 2, 4, nullptr, nullptr, nullptr, 100, nullptr, nullptr, nullptr, cov, nullptr);
  EXPECT_NEAR(q[0], -0.1f, 1e-3);
  EXPECT_NEAR(q[1], 0.9f, 1e-3);
  const double s2 = 0.7 / 2, want[4] = {s2 * 14 / 20, -s2 * 6 / 20, -s2 * 6 / 20, s2 * 4 / 20};
  for (int k = 0; k < 4; k++) EXPECT_NEAR(cov[k], want[k], 3e-3) << k;
  EXPECT_EQ(cov[1], cov[2]);
}

int evalsOutside = 0;
void watchBounds(float *p, float *hx, int, int n, void *adata) {
  const float *box = static_cast<const float *>(adata);
  if (p[0] < box[0] || p[0] > box[1]) evalsOutside++;
  for (int i = 0; i < n; i++) hx[i] = p[0] - 3.0f * (i + 1);  // wants p above the box
}

TEST(NumLevmar, NeverEvaluatesOutsideTheBoxAndRejectsBadInput) {
  float box[2] = {-1.0f, 1.0f}, p[1] = {0.9f}, x[3] = {0, 0, 0};
  evalsOutside = 0;
  slevmar_bc_dif(watchBounds, p, x, 1, 3, &box[0], &box[1], nullptr, 100, nullptr, nullptr, nullptr,
                 nullptr, box);
  EXPECT_EQ(evalsOutside, 0);
  EXPECT_FLOAT_EQ(p[0], 1.0f);
  float lb[1] = {2.0f}, ub[1] = {1.0f};
  EXPECT_EQ(slevmar_bc_dif(rosen, p, x, 1, 2, lb, ub, nullptr, 10, nullptr, nullptr, nullptr,
                           nullptr, nullptr),
            LM_ERROR);
  auto nanFunc = [](float *, float *hx, int, int n, void *) {
    for (int i = 0; i < n; i++) hx[i] = std::nanf("");
  };
  float q[1] = {0.0f};
  EXPECT_EQ(slevmar_bc_dif(nanFunc, q, x, 1, 2, nullptr, nullptr, nullptr, 10, nullptr, nullptr,
                           nullptr, nullptr, nullptr),
            LM_ERROR);
}

#endif

// ---- nlsOpt ----

// Exponential decay y = A exp(-k t) + c sampled at 20 points.
struct Decay {
  std::vector<float> t, y;
  int calls = 0, badCount = 0;
  std::vector<std::vector<float>> seen;
};
Decay decay;

void decayRes(int pointCount, int coefCount, float *c, float *res) {
  decay.calls++;
  if (coefCount != 3 || pointCount != int(decay.t.size())) decay.badCount++;
  decay.seen.emplace_back(c, c + coefCount);
  for (int i = 0; i < pointCount; i++)
    res[i] = c[0] * std::exp(-c[1] * decay.t[i]) + c[2] - decay.y[i];
}

void makeDecay(float A, float k, float c) {
  decay = Decay();
  for (int i = 0; i < 20; i++) {
    float t = 0.25f * i;
    decay.t.push_back(t);
    decay.y.push_back(A * std::exp(-k * t) + c);
  }
}

struct NumNlsOpt : korim_test::Resetting<memoryReset> {
  static float *run(float *g, float *lo, float *hi, int itMax) {
    return nlsOpt(decayRes, 20, 3, g, lo, hi, 1e-8f, 4, itMax, 1000, 0.0f, nullptr, nullptr,
                  nullptr, nullptr, 0);
  }
};

TEST_F(NumNlsOpt, RespectsBoundsSwapsReversedOnesAndCentresTheStart) {
  makeDecay(5.0f, 1.3f, 0.5f);
  // Rate held below its true value; the upper pair is given reversed.
  float g[3] = {1.0f, 0.5f, 0.0f}, lo[3] = {0, 1.0f, -5}, hi[3] = {20, 0.8f, 5};
  float *r = run(g, lo, hi, 1000);
  EXPECT_EQ(std::pair(lo[1], hi[1]), std::pair(0.8f, 1.0f));  // swapped in the caller's arrays
  for (const auto &c : decay.seen) EXPECT_TRUE(c[1] >= 0.8f && c[1] <= 1.0f) << c[1];
  EXPECT_FLOAT_EQ(r[1], 1.0f);  // pressed against the bound nearest the truth
  unAlloc("nls", r, 12);

  // A start outside its bounds starts in their middle; the caller's guess is not changed.
  makeDecay(5.0f, 1.3f, 0.5f);
  float g2[3] = {7.0f, 1.3f, 0.5f}, lo2[3] = {1, 0, -5}, hi2[3] = {3, 10, 5};
  r = run(g2, lo2, hi2, 1000);
  ASSERT_FALSE(decay.seen.empty());
  EXPECT_EQ(decay.seen.front()[0], 2.0f);
  EXPECT_EQ(g2[0], 7.0f);
  unAlloc("nls", r, 12);
}

TEST_F(NumNlsOpt, FitsDecayWithAnyCoefficientFixed) {
  // Coefficient `fixed` (none: -1) held at its true value by equal bounds; the others are
  // free and must still be fitted, and every call sees all three coefficients.
  const float truth[3] = {5.0f, 1.3f, 0.5f};
  for (int fixed : {-1, 0, 1}) {
    makeDecay(5.0f, 1.3f, 0.5f);
    float g[3] = {1.0f, 0.2f, 2.0f}, lo[3] = {0, 0, -5}, hi[3] = {20, 10, 5};
    if (fixed >= 0) g[fixed] = lo[fixed] = hi[fixed] = truth[fixed];
    float *r = run(g, lo, hi, 1000);
    ASSERT_NE(r, g);
    for (const auto &c : decay.seen) EXPECT_TRUE(fixed < 0 || c[fixed] == truth[fixed]);
    EXPECT_EQ(decay.badCount, 0);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(r[k], truth[k], 1e-4) << fixed << " " << k;
    // The last residual call was made on the returned coefficients.
    EXPECT_EQ(decay.seen.back(), std::vector<float>(r, r + 3));
    unAlloc("nls", r, 12);
    EXPECT_EQ(memoryBytesUsed(), 0);  // the result, under "nls", was all that stayed
  }
}

TEST_F(NumNlsOpt, NothingFreeOrNoIterationsIsOneCallOnGuess) {
  makeDecay(5.0f, 1.3f, 0.5f);
  float g[3] = {9.0f, 1.0f, 0.0f}, lo[3] = {1, 1, 0}, hi[3] = {1, 1, 0};
  float *r = run(g, lo, hi, 1000);
  EXPECT_EQ(r, g);
  EXPECT_EQ(decay.calls, 1);
  // Called on the caller's guess, not on a centred copy.
  EXPECT_EQ(decay.seen[0], std::vector<float>({9.0f, 1.0f, 0.0f}));

  makeDecay(5.0f, 1.3f, 0.5f);
  float g2[3] = {1.0f, 0.5f, 0.0f}, lo2[3] = {0, 0, -5}, hi2[3] = {20, 10, 5};
  EXPECT_EQ(run(g2, lo2, hi2, 0), g2);
  EXPECT_EQ(decay.calls, 1);
  EXPECT_EQ(memoryBytesUsed(), 0);
}

TEST_F(NumNlsOpt, FewerPointsThanFreeCoefficients) {
  // One residual, two free coefficients: c0 + c1 = 3 has many solutions;
  // the fit must end on one of them without failing.
  auto oneRes = [](int, int, float *c, float *res) { res[0] = c[0] + c[1] - 3.0f; };
  float g[2] = {0, 0}, lo[2] = {-10, -10}, hi[2] = {10, 10};
  float *r = nlsOpt(oneRes, 1, 2, g, lo, hi, 1e-8f, 4, 1000, 1000, 0, nullptr, nullptr, nullptr,
                    nullptr, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_NEAR(r[0] + r[1], 3.0f, 1e-4);
  unAlloc("nls", r, 8);
}

// ---- flag-switched Levenberg-Marquardt ----

// A Gaussian a1 exp(-((x - a2)/a3)^2). (The exact weighted line and its errors are fitted by
// the clean round of AllocationFailures.Numerics.)
void gaussModel(float x, float *a, float *ymod, float *dyda, int) {
  float arg = (x - a[2]) / a[3], ex = std::exp(-arg * arg);
  *ymod = a[1] * ex;
  dyda[1] = ex;
  dyda[2] = 2.0f * a[1] * ex * arg / a[3];
  dyda[3] = dyda[2] * arg;
}

TEST(NumMrq, HeldParameterStaysAndCovarianceIsSpread) {
  // Gaussian with its width held at the true value; amplitude and centre fit.
  float x[31], y[31], sig[31], a[4], guess[4] = {0, 2.0f, 0.3f, 1.5f}, err[4];
  int ia[4] = {0, 1, 1, 0};
  for (int i = 1; i <= 30; i++) {
    x[i] = -3.0f + 0.2f * i;
    float arg = (x[i] - 0.7f) / 1.5f;
    y[i] = 3.0f * std::exp(-arg * arg);
    sig[i] = 0.1f;
  }
  memoryReset();
  EXPECT_EQ(nonlinearfit(x, y, sig, 30, a, guess, ia, 3, gaussModel, err), 0);
  EXPECT_EQ(memoryBytesUsed(), 0);  // work arrays all given back
  EXPECT_NEAR(a[1], 3.0f, 1e-3);
  EXPECT_NEAR(a[2], 0.7f, 1e-3);
  EXPECT_EQ(a[3], 1.5f);
  EXPECT_EQ(err[3], 0.0f);  // held parameter: zero row and column
  EXPECT_TRUE(err[1] > 0 && err[2] > 0);
}

TEST(NumMrq, NotANumberModelEndsInsteadOfLooping) {
  auto bad = [](float, float *, float *ymod, float *dyda, int) {
    *ymod = std::nanf("");
    dyda[1] = 1.0f;
  };
  float x[3] = {0, 1, 2}, y[3] = {0, 1, 2}, sig[3] = {0, 1, 1}, a[2], guess[2] = {0, 1}, err[2];
  int ia[2] = {0, 1};
  korim_test::captureStderr([&] { EXPECT_EQ(nonlinearfit(x, y, sig, 2, a, guess, ia, 1, bad, err), 1); });
}

}  // namespace
