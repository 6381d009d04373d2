// Calls made while the helper threads are still being started in the
// background: every item done once, never by two threads under one worker
// number.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "simulation/workers.h"

using namespace korim::simulation;

TEST(WorkersStart, CallsDuringTheStartRunEveryItemOnce) {
  setenv("OMP_NUM_THREADS", "8", 1);
  startWorkers();  // this process's first start: the calls below race it
  for (int round = 0; round < 200; round++) {
    const int n = 1 + (round * 37) % 1500, piece = 1 + round % 13, workers = pieceWorkers(n, piece);
    std::vector<std::atomic<int>> hits(n), busy(workers);
    forPieces(n, piece, [&](int begin, int end, int worker) {
      EXPECT_EQ(busy.at(worker).exchange(1), 0) << "round " << round;
      for (int i = begin; i < end; i++) hits[i]++;
      busy[worker].store(0);
    });
    for (const auto& h : hits) ASSERT_EQ(h.load(), 1) << "round " << round;
  }
  unsetenv("OMP_NUM_THREADS");
}
