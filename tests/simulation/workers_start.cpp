// Calls made while the helper threads are still being started in the
// background: every item done once, worker numbers in range and never on two
// threads at once, and the chunk bounds those of the thread count.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

#include "simulation/workers.h"

using namespace korim::simulation;

TEST(WorkersStart, CallsDuringTheStartRunEveryItemOnce) {
  setenv("OMP_NUM_THREADS", "8", 1);
  startWorkers();  // this process's first start: the calls below race it
  for (int round = 0; round < 200; round++) {
    const int n = 1 + (round * 37) % 1500;
    const int piece = 1 + round % 13;
    const int workers = pieceWorkers(n, piece);
    std::vector<std::atomic<int>> hits(static_cast<size_t>(n));
    std::vector<std::atomic<int>> busy(static_cast<size_t>(workers));
    std::atomic<bool> bad{false};
    forPieces(n, piece, [&](int begin, int end, int worker) {
      if (worker < 0 || worker >= workers || busy[worker].exchange(1) != 0) bad = true;
      for (int i = begin; i < end; i++) hits[i]++;
      busy[worker].store(0);
    });
    ASSERT_FALSE(bad) << "round " << round;
    for (const auto& h : hits) ASSERT_EQ(h.load(), 1) << "round " << round;

    const int chunks = chunkCount(n, 1);
    EXPECT_EQ(chunks, std::min(n, 8));
    std::vector<std::atomic<int>> begins(static_cast<size_t>(n) + 1);
    forChunks(n, 1, [&](int begin, int end, int worker) {
      if (worker < 0 || worker >= chunks) bad = true;
      begins[begin] += 1;
      if (end <= begin) bad = true;
    });
    ASSERT_FALSE(bad) << "round " << round;
    for (int c = 0; c < chunks; c++)
      EXPECT_EQ(begins[static_cast<size_t>(static_cast<long long>(n) * c / chunks)].load(), 1)
          << "round " << round << " chunk " << c;
  }
  startWorkers();  // again, once started: nothing changes
  std::atomic<int> total{0};
  forChunks(1000, 1, [&](int begin, int end, int) { total += end - begin; });
  EXPECT_EQ(total.load(), 1000);
  unsetenv("OMP_NUM_THREADS");
}
