// The worker threads cut an index range as documented, call after call, and
// nested calls run every chunk (the scans on them: tests/simulation/steric.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "simulation/workers.h"

using namespace korim::simulation;

namespace {

// OMP_NUM_THREADS set for the lifetime of the object.
struct Threads {
  explicit Threads(int n) { setenv("OMP_NUM_THREADS", std::to_string(n).c_str(), 1); }
  ~Threads() { unsetenv("OMP_NUM_THREADS"); }
};

// Chunks (forChunks: n c / chunks to n (c + 1) / chunks, at most one per thread, each of at
// least grain items) and pieces (forPieces: piece items each, the last one shorter) of one call
// cover 0..n-1 once, with worker numbers below their count and never on two threads at once.
TEST(ScanThreads, ChunksAndPiecesTileTheRangeCallAfterCallAndNestedCallsRunEveryChunk) {
  Threads t(4);
  for (int round = 0; round < 50; round++)
    for (int n : {0, 1, 7, 9, 100, 1001})
      for (int size : {1, 7, 10, 400, 2000})
        for (bool pieces : {false, true}) {
          const int workers = pieces ? pieceWorkers(n, size) : chunkCount(n, size);
          std::vector<std::atomic<int>> hits(static_cast<size_t>(n)), busy(static_cast<size_t>(std::max(workers, 1)));
          std::mutex m;
          std::vector<std::pair<int, int>> seen;
          std::atomic<bool> bad{false};
          auto body = [&](int begin, int end, int worker) {
            if (worker < 0 || worker >= workers || busy[worker].exchange(1) != 0) bad = true;
            for (int i = begin; i < end; i++) hits[i]++;
            std::lock_guard<std::mutex> lock(m);
            seen.push_back({begin, end});
            busy[worker].store(0);
          };
          pieces ? forPieces(n, size, body) : forChunks(n, size, body);
          ASSERT_FALSE(bad) << n << " " << size << " " << pieces;
          for (const auto& h : hits) ASSERT_EQ(h.load(), 1);
          ASSERT_EQ(static_cast<int>(seen.size()), pieces ? (n + size - 1) / size : workers);
          std::sort(seen.begin(), seen.end());
          for (int c = 0; c < static_cast<int>(seen.size()); c++) {
            const long long w = workers;
            EXPECT_EQ(seen[c], pieces ? std::make_pair(c * size, std::min(n, (c + 1) * size))
                                      : std::make_pair(static_cast<int>(n * c / w), static_cast<int>(n * (c + 1) / w)));
          }
          if (pieces) {
            EXPECT_EQ(workers, n == 0 ? 0 : std::min(4, (n + size - 1) / size));
          } else {
            EXPECT_TRUE(workers <= 4 && (workers <= 1 || n / workers >= size)) << n << " " << size;
          }
        }
  // A chunk that itself calls forChunks gets all of its items done.
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
