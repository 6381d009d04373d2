// Assignment search: scorings (SVD fit of one candidate assignment) per second for 8 peaks of
// three couplings each, alone and inside the exhaustive search over all 8! orders.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "assignment/korim_utils_svd.h"
#include "assignment/korim_utils_visit.h"

using namespace korim::assignment;

namespace {

constexpr int kPeaks = 8;
constexpr int kCols = 3;

// Eight peaks of three couplings (N-H, C-N, C-HN scale) of a tensor with Da -10 Hz, R 0.3.
struct EightPeaks {
  std::vector<float> cells[7];
  std::vector<float*> rows[7];
  std::vector<float> lists[13], keep = std::vector<float>(1, 0.0f);
  AssignProblem p;
  EightPeaks() {
    float*** dest[7] = {&p.dcMat, &p.diValMat, &p.sigMat, &p.wMat, &p.xMat, &p.yMat, &p.zMat};
    for (int m = 0; m < 7; m++) {
      cells[m].assign(kPeaks * kPeakCols, m == 0 ? kEmptyCell : 0.0f);
      for (int r = 0; r < kPeaks; r++) rows[m].push_back(&cells[m][r * kPeakCols]);
      *dest[m] = rows[m].data();
    }
    const float di[kCols] = {21585.2f, 2460.0f, 3400.0f};
    for (int r = 0; r < kPeaks; r++)
      for (int c = 0; c < kCols; c++) {
        double v[3] = {std::sin(1.3 * r + 0.7 * c + 0.4), std::cos(2.1 * r + c),
                       std::sin(0.9 * r * r + 0.3 + c)};
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (double& x : v) x /= n;
        const double da = -10.0 / 21585.2;
        p.dcMat[r][c] = static_cast<float>(di[c] * da * (-(1 - 0.45) * v[0] * v[0] - (1 + 0.45) * v[1] * v[1] + 2 * v[2] * v[2]));
        p.diValMat[r][c] = di[c];
        p.sigMat[r][c] = p.wMat[r][c] = 1.0f;
        p.xMat[r][c] = static_cast<float>(v[0]);
        p.yMat[r][c] = static_cast<float>(v[1]);
        p.zMat[r][c] = static_cast<float>(v[2]);
      }
    float** lp[13] = {&p.xI, &p.yI, &p.zI, &p.xJ, &p.yJ, &p.zJ, &p.dcList, &p.diList, &p.ddList,
                      &p.wList, &p.dcOrigList, &p.diOrigList, &p.ddOrigList};
    for (int i = 0; i < 13; i++) {
      lists[i].assign(kPeaks * kCols, 0.0f);
      *lp[i] = lists[i].data();
    }
    p.fixedKeep = keep.data();
    p.peakCount = kPeaks;
    p.colId = kCols;
    p.colIdList[0] = kCols;
  }
};

void BM_ScoreEightPeaks(benchmark::State& state) {
  EightPeaks e;
  int row[kPeaks] = {0, 1, 2, 3, 4, 5, 6, 7};
  for (auto _ : state) {
    benchmark::DoNotOptimize(getSvdChi2Exh(e.p, row, 0));
    std::swap(row[0], row[state.iterations() % kPeaks]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScoreEightPeaks);

// The whole search, with its progress line (one per scoring) going to /dev/null.
void BM_ExhaustiveEightPeaks(benchmark::State& state) {
  EightPeaks e;
  int row[kPeaks], best[kPeaks];
  std::fflush(stderr);
  const int saved = dup(2);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 2);
  for (auto _ : state) {
    visitGlobals().nGlobal = kPeaks;
    initializeGlobal();
    visitExh(0, e.p, row, best);
    benchmark::DoNotOptimize(best[0]);
  }
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  close(null);
  state.SetItemsProcessed(state.iterations() * 40320);
}
BENCHMARK(BM_ExhaustiveEightPeaks)->Unit(benchmark::kMillisecond);

}  // namespace
