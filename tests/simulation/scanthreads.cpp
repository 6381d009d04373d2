// The steric scan gives, bit for bit, what the plain scan gives (every
// orientation in turn, every atom tested at every position, each sum taken
// in orientation order), whatever the number of threads; and the worker
// threads cut an index range as documented, call after call.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "simulation/ssia.h"
#include "simulation/workers.h"
#include "tests/support/capture.h"

using namespace korim::simulation;

namespace {

// OMP_NUM_THREADS set for the lifetime of the object.
struct Threads {
  explicit Threads(int n) { setenv("OMP_NUM_THREADS", std::to_string(n).c_str(), 1); }
  ~Threads() { unsetenv("OMP_NUM_THREADS"); }
};

struct Medium {
  int lcType;
  double stepOut, obstruction, radius, gs, conc;
};

struct Molecule {
  std::vector<double> x, y, z;  // 1-based
  double maxL, minL;
};

Molecule moleculeOf(int n, double spread, bool withNaN, std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Molecule m;
  m.x.assign(n + 1, 0.0), m.y.assign(n + 1, 0.0), m.z.assign(n + 1, 0.0);
  double r = 0.0;
  for (int a = 1; a <= n; a++) {
    double p[3], q;
    do {
      for (double& v : p) v = u(gen);
      q = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
    } while (q > 1.0);
    m.x[a] = p[0] * spread, m.y[a] = p[1] * spread, m.z[a] = p[2] * spread;
    r = std::fmax(r, std::sqrt(q) * spread);
  }
  if (withNaN) m.y[n / 2] = NAN;
  m.minL = 1.0;
  m.maxL = r + 1.0;
  return m;
}

// The plain scan: the model's sums, normalisation and divisor, with every
// atom tested at every position of every orientation.
void plainScan(const Medium& md, const Molecule& m, int digPsi, int nDots, const double* dots,
               double saupe[5]) {
  const int n = static_cast<int>(m.x.size()) - 1, N = nDots * digPsi;
  std::vector<float> grid(kSsiaMaxPositions);
  const int L = clashRegion(grid.data(), m.minL, m.maxL, md.obstruction, md.gs);
  const double bound = md.obstruction + md.radius;
  int last = L;
  long long nStep = 0, cylDivisor = 0;
  if (md.lcType == 1) {
    nStep = truncToLL((md.stepOut - grid[L]) / md.gs);
  } else {
    const double D = md.obstruction / std::sqrt(md.conc / kRodDensity);
    const double nd = static_cast<double>(truncToLL((D - md.obstruction) / md.gs));
    cylDivisor = truncToLL(nd + 0.5 * nd * (nd + 1.0) * (md.gs / md.obstruction));
    last = extendPositions(grid.data(), L, md.gs, D - md.obstruction);
  }
  std::vector<double> dis(5 * (last + 1), 0.0), total(last + 1, 0.0);
  std::vector<float> xJ(n + 1), yJ(n + 1);
  forEachOrientation(dots, nDots, digPsi, 360.0 / digPsi, [&](const SampledOrientation& o) {
    projectOnAxis(n, m.x.data(), m.y.data(), m.z.data(), o.u, xJ.data());
    projectOnAxis(n, m.x.data(), m.y.data(), m.z.data(), o.v, yJ.data());
    for (int i = 0; i <= last; i++) {
      bool ok = true;
      for (int a = 1; a <= n && ok && i <= L; a++) {
        if (md.lcType == 1) {
          ok = xJ[a] > static_cast<float>(md.radius - (grid[i] - md.obstruction));
        } else if (std::isfinite(xJ[a]) && std::isfinite(yJ[a])) {
          const long double t = static_cast<long double>(xJ[a]) + grid[i], yy = yJ[a];
          ok = !(std::sqrt(t * t + yy * yy) <= bound);
        }
      }
      if (!ok || (md.lcType == 1 && i > L)) continue;
      for (int j = 0; j < 5; j++) dis[5 * i + j] += o.s[j];
      total[i] += 1.0;
    }
  });
  double mean[5];
  samplingMeans(dots, nDots, digPsi, mean);
  if (md.lcType == 1) last = L;
  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++)
      dis[5 * i + j] = total[i] <= 0.0 ? 0.0 : dis[5 * i + j] / total[i] - mean[j];
  double S[5] = {0, 0, 0, 0, 0};
  for (int j = 0; j < 5; j++)
    for (int i = 0; i <= last; i++) {
      double term = (total[i] / N) * dis[5 * i + j];
      if (md.lcType == 2) term = term * grid[i] / md.obstruction;
      S[j] += term;
    }
  double divisor = static_cast<double>(cylDivisor);
  if (md.lcType == 1) {
    long long t = 0;
    for (int i = 0; i <= L; i++) t += static_cast<long long>(total[i]);
    divisor = static_cast<double>(t) / N + static_cast<double>(nStep);
  }
  for (int j = 0; j < 5; j++) saupe[j] = S[j] / divisor;
}

TEST(ScanThreads, StericScanEqualsThePlainScanBitForBit) {
  std::mt19937 gen(3);
  std::normal_distribution<double> nd;
  const int nDots = 45, digPsi = 7;
  std::vector<double> dots(3 * nDots);
  for (int d = 0; d < nDots; d++) {
    double v[3], r = 0.0;
    for (double& c : v) c = nd(gen), r += c * c;
    for (int c = 0; c < 3; c++) dots[3 * d + c] = v[c] / std::sqrt(r);
  }
  const Medium media[] = {{1, 60.0, 20.0, 1.0, 0.5, 0.05},
                          {2, 0.0, 10.0, 1.0, 0.5, 0.05},
                          {2, 0.0, 33.5, 0.0, 0.2, 0.05}};
  // Molecules within reach of the rod from their centre, larger ones, one with a NaN.
  const struct {
    int n;
    double spread;
    bool nan;
  } molecules[] = {{60, 8.0, false}, {80, 30.0, false}, {40, 12.0, true}};
  for (const Medium& md : media)
    for (const auto& mc : molecules) {
      const Molecule m = moleculeOf(mc.n, mc.spread, mc.nan, gen);
      double want[5];
      plainScan(md, m, digPsi, nDots, dots.data(), want);
      for (int threads : {1, 3, 8}) {
        Threads t(threads);
        double got[5] = {0, 0, 0, 0, 0};
        int status = -1;
        korim_test::captureStream(stderr, [&] {
          status = stericAlignment(nullptr, 0.0, md.lcType, md.stepOut, md.obstruction, md.radius,
                                   md.gs, md.conc, 0.0, mc.n, m.x.data(), m.y.data(), m.z.data(),
                                   m.maxL, m.minL, digPsi, nDots, dots.data(), got);
        });
        ASSERT_EQ(status, 0);
        for (int j = 0; j < 5; j++)
          EXPECT_EQ(got[j], want[j]) << "medium " << md.lcType << " spread " << mc.spread
                                     << " threads " << threads << " element " << j;
      }
    }
}

// The chunks of one call: contiguous, covering 0..n-1 in the documented
// bounds, each worker number below the chunk count and never on two threads
// at once.
TEST(ScanThreads, ChunksTileTheRangeCallAfterCall) {
  Threads t(4);
  for (int round = 0; round < 50; round++)
    for (int n : {0, 1, 7, 100, 1001})
      for (int grain : {1, 10, 400}) {
        const int chunks = chunkCount(n, grain);
        std::mutex m;
        std::vector<std::pair<int, int>> seen;
        std::vector<std::atomic<int>> busy(static_cast<size_t>(std::max(chunks, 1)));
        std::atomic<bool> clash{false};
        forChunks(n, grain, [&](int begin, int end, int worker) {
          if (worker < 0 || worker >= chunks || busy[worker].exchange(1) != 0) clash = true;
          std::lock_guard<std::mutex> lock(m);
          seen.push_back({begin, end});
          busy[worker].store(0);
        });
        ASSERT_FALSE(clash) << n << " " << grain;
        ASSERT_EQ(static_cast<int>(seen.size()), chunks);
        std::sort(seen.begin(), seen.end());
        for (int c = 0; c < chunks; c++) {
          EXPECT_EQ(seen[c].first, static_cast<int>(static_cast<long long>(n) * c / chunks));
          EXPECT_EQ(seen[c].second, static_cast<int>(static_cast<long long>(n) * (c + 1) / chunks));
        }
        EXPECT_LE(chunks, 4);
        if (chunks > 1) {
          EXPECT_GE(n / chunks, grain);
        }
      }
}

// Pieces: piece items each (the last one shorter), every one exactly once,
// worker numbers below pieceWorkers and never on two threads at once.
TEST(ScanThreads, PiecesCoverTheRangeOnce) {
  Threads t(4);
  for (int round = 0; round < 50; round++)
    for (int n : {0, 1, 9, 1000})
      for (int piece : {1, 7, 2000}) {
        const int workers = pieceWorkers(n, piece);
        std::vector<std::atomic<int>> hits(static_cast<size_t>(n));
        std::vector<std::atomic<int>> busy(static_cast<size_t>(std::max(workers, 1)));
        std::atomic<bool> bad{false};
        forPieces(n, piece, [&](int begin, int end, int worker) {
          if (worker < 0 || worker >= workers || busy[worker].exchange(1) != 0) bad = true;
          if (begin % piece != 0 || (end - begin != piece && end != n)) bad = true;
          for (int i = begin; i < end; i++) hits[i]++;
          busy[worker].store(0);
        });
        ASSERT_FALSE(bad) << n << " " << piece;
        for (const auto& h : hits) ASSERT_EQ(h.load(), 1);
        EXPECT_EQ(workers, n == 0 ? 0 : std::min(4, (n + piece - 1) / piece));
      }
}

// A chunk that itself calls forChunks gets all of its items done.
TEST(ScanThreads, NestedCallsRunEveryChunk) {
  Threads t(4);
  std::vector<std::atomic<int>> hits(400);
  forChunks(4, 1, [&](int begin, int end, int) {
    for (int c = begin; c < end; c++)
      forChunks(100, 1, [&](int b, int e, int) {
        for (int i = b; i < e; i++) hits[100 * c + i]++;
      });
  });
  for (const auto& h : hits) EXPECT_EQ(h.load(), 1);
}

}  // namespace
