// Worker threads over contiguous chunks of an index range.
#include "simulation/workers.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace korim::simulation {

namespace {

// The chunks of one forChunks call, shared with its threads: each thread
// takes the next chunk not yet taken, so a thread that starts late (on a
// busy machine) finds nothing left and never touches the caller's body.
struct ChunkRun {
  int n = 0, chunks = 0;
  const std::function<void(int, int, int)>* body = nullptr;
  std::atomic<int> next{0};
  int done = 0;  // under m
  std::mutex m;
  std::condition_variable finished;

  int bound(int c) const { return static_cast<int>(static_cast<long long>(n) * c / chunks); }

  void work(int worker) {
    for (;;) {
      const int c = next.fetch_add(1);
      if (c >= chunks) return;
      (*body)(bound(c), bound(c + 1), worker);
      std::lock_guard<std::mutex> lock(m);
      if (++done == chunks) finished.notify_all();
    }
  }
};

}  // namespace

int workerCount() {
  if (const char* s = std::getenv("OMP_NUM_THREADS")) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (end != s && *end == '\0' && v >= 1) return v > 256 ? 256 : static_cast<int>(v);
  }
  const unsigned c = std::thread::hardware_concurrency();
  return c >= 1 ? static_cast<int>(c > 256 ? 256 : c) : 1;
}

int chunkCount(int n, int grain) {
  if (n <= 0) return 0;
  const long long byGrain = grain > 1 ? n / grain : n;
  const int w = workerCount();
  return byGrain < 1 ? 1 : (byGrain < w ? static_cast<int>(byGrain) : w);
}

void forChunks(int n, int grain, const std::function<void(int begin, int end, int worker)>& body) {
  const int chunks = chunkCount(n, grain);
  if (chunks == 0) return;
  if (chunks == 1) {
    body(0, n, 0);
    return;
  }
  std::shared_ptr<ChunkRun> run;
  try {
    run = std::make_shared<ChunkRun>();
  } catch (const std::bad_alloc&) {
    for (int c = 0; c < chunks; c++)
      body(static_cast<int>(static_cast<long long>(n) * c / chunks),
           static_cast<int>(static_cast<long long>(n) * (c + 1) / chunks), 0);
    return;
  }
  run->n = n;
  run->chunks = chunks;
  run->body = &body;
  // The helpers are detached: the caller waits for the chunks, not for the
  // threads; a helper that is not needed any more only reads the counter.
  for (int t = 1; t < chunks; t++) {
    try {
      std::thread([run, t] { run->work(t); }).detach();
    } catch (const std::exception&) {
      break;  // fewer helpers: the caller takes their chunks
    }
  }
  run->work(0);
  std::unique_lock<std::mutex> lock(run->m);
  run->finished.wait(lock, [&] { return run->done == run->chunks; });
}

}  // namespace korim::simulation
