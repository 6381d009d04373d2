// Worker threads over contiguous chunks of an index range.
#include "simulation/workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace korim::simulation {

namespace {

// How long an idle helper keeps looking for the next call before it sleeps:
// the scans call forChunks twice per block of orientations, so a helper
// that has just finished usually finds the next call within this time
// (longer spins cost the main thread its core on a busy machine).
constexpr auto kSpin = std::chrono::microseconds(50);

// How long the caller of a call, its own chunks done, looks for the end
// before it sleeps: long enough for the helpers' last chunks of an even
// share, short enough to cost little when one of them is held up.
constexpr auto kCallerSpin = std::chrono::microseconds(300);

// A short wait of the spinning loop that leaves the core to its sibling.
inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// The helper threads, started by startWorkers or at the first call that needs them, and kept
// (asleep when idle) until the process ends; the pool is never destroyed,
// so that no exit path (nor a forked child) waits for them. One call at a time uses them (a call
// made while they are busy, from a chunk or another thread, runs its chunks itself). The call's
// chunks go to whoever asks first; a helper that wakes after the call has ended finds it closed and
// touches nothing of it.
class Pool {
 public:
  // Runs the chunks (of piece items each, or n * c / chunks apart when
  // piece is 0) with up to workers - 1 helpers; false when the helpers are
  // taken (the caller then runs the chunks itself).
  bool run(int n, int chunks, int piece, int workers,
           const std::function<void(int, int, int)>& body) {
    if (inHelper() || busy_.exchange(true, std::memory_order_acquire)) return false;
    // While the helpers are being started in the background, the call runs
    // with those there are (the others join it as they come).
    if (growing_.try_lock()) {
      grow(workers - 1);
      growing_.unlock();
    }
    {
      std::lock_guard<std::mutex> lock(m_);
      n_ = n;
      chunks_ = chunks;
      piece_ = piece;
      workers_ = workers;
      body_ = &body;
      nextChunk_.store(0, std::memory_order_relaxed);
      nextWorker_.store(0, std::memory_order_relaxed);
      done_.store(0, std::memory_order_relaxed);
      open_ = true;
      generation_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();
    work();
    // The last helpers usually finish within microseconds of the caller:
    // looking for the end for a while saves the caller the wake-up of a sleep.
    const auto until = std::chrono::steady_clock::now() + kCallerSpin;
    for (int i = 0; !finishedAll(); i++) {
      relax();
      if ((i & 63) == 63 && std::chrono::steady_clock::now() >= until) break;
    }
    std::unique_lock<std::mutex> lock(m_);
    finished_.wait(lock, [&] { return finishedAll(); });
    open_ = false;
    body_ = nullptr;
    lock.unlock();
    busy_.store(false, std::memory_order_release);
    return true;
  }

  // Starts helpers in the background until there are want of them.
  void startInBackground(int want) {
    std::thread([this, want] {
      std::lock_guard<std::mutex> lock(growing_);
      grow(want);
    }).detach();
  }

 private:

  // Every chunk has run and no helper is inside the call.
  bool finishedAll() const {
    return done_.load(std::memory_order_acquire) == chunks_ &&
           joined_.load(std::memory_order_acquire) == 0;
  }

  static bool& inHelper() {
    static thread_local bool helper = false;
    return helper;
  }

  int bound(int c) const {
    if (piece_ > 0)
      return static_cast<int>(std::min<long long>(static_cast<long long>(piece_) * c, n_));
    return static_cast<int>(static_cast<long long>(n_) * c / chunks_);
  }

  // Takes a worker number and then chunks until none is left.
  void work() {
    const int worker = nextWorker_.fetch_add(1, std::memory_order_relaxed);
    if (worker >= workers_) return;
    int ran = 0;
    for (;;) {
      const int c = nextChunk_.fetch_add(1, std::memory_order_relaxed);
      if (c >= chunks_) break;
      (*body_)(bound(c), bound(c + 1), worker);
      ran++;
    }
    if (ran == 0) return;
    std::lock_guard<std::mutex> lock(m_);
    if (done_.fetch_add(ran, std::memory_order_release) + ran == chunks_) finished_.notify_all();
  }

  // Starts helpers until there are want of them (fewer when a thread cannot
  // be started); growing_ held.
  void grow(int want) {
    while (static_cast<int>(threads_.size()) < want) {
      try {
        threads_.reserve(static_cast<size_t>(want));
        threads_.emplace_back([this] { helper(); });
      } catch (const std::exception&) {
        return;
      }
    }
  }

  void helper() {
    inHelper() = true;
    // The memory pool of the thread is made now, while the run reads its
    // inputs: made at the first allocation of a chunk, it would stall the
    // page faults of every thread of the call.
    void* first = std::malloc(64);
    asm volatile("" : : "r"(first) : "memory");
    std::free(first);
    unsigned seen = 0;
    for (;;) {
      // Look for the next call for a little while, then sleep until it comes
      // (a helper just started sleeps at once: the run is still reading).
      const auto until = std::chrono::steady_clock::now() + kSpin;
      for (int i = 0; seen != 0 && generation_.load(std::memory_order_acquire) == seen; i++) {
        relax();
        if ((i & 63) == 63 && std::chrono::steady_clock::now() >= until) break;
      }
      std::unique_lock<std::mutex> lock(m_);
      wake_.wait(lock, [&] { return generation_.load(std::memory_order_relaxed) != seen; });
      seen = generation_.load(std::memory_order_relaxed);
      if (!open_ || done_.load(std::memory_order_relaxed) == chunks_) continue;
      joined_.fetch_add(1, std::memory_order_relaxed);
      lock.unlock();
      work();
      lock.lock();
      if (joined_.fetch_sub(1, std::memory_order_release) == 1) finished_.notify_all();
    }
  }

  std::atomic<bool> busy_{false};  // set by the call using the helpers
  std::mutex m_;                   // guards the fields below but the atomics
  std::condition_variable wake_, finished_;
  std::atomic<unsigned> generation_{0};  // counts the calls
  std::atomic<int> nextChunk_{0}, nextWorker_{0};
  std::mutex growing_;  // held while helpers are started
  std::vector<std::thread> threads_;
  const std::function<void(int, int, int)>* body_ = nullptr;
  int n_ = 0, chunks_ = 0, piece_ = 0, workers_ = 0;
  // Chunks run, and helpers inside the call; changed under m_, read also
  // without it by the caller looking for the end.
  std::atomic<int> done_{0}, joined_{0};
  bool open_ = false;
};

Pool& pool() {
  static Pool* const p = new Pool;
  return *p;
}

}  // namespace

int workerCount() {
  if (const char* s = std::getenv("OMP_NUM_THREADS")) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (end != s && *end == '\0' && v >= 1) return v > 256 ? 256 : static_cast<int>(v);
  }
  // The system is asked once (it reads a file of the kernel each time).
  static const unsigned c = std::thread::hardware_concurrency();
  return c >= 1 ? static_cast<int>(c > 256 ? 256 : c) : 1;
}

void startWorkers() {
  const int want = workerCount() - 1;
  if (want < 1) return;
  try {
    pool().startInBackground(want);
  } catch (const std::exception&) {
    // no thread to start them: the first call starts them itself
  }
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
  try {
    if (pool().run(n, chunks, 0, chunks, body)) return;
  } catch (const std::bad_alloc&) {
    // no pool: the calling thread runs every chunk
  }
  for (int c = 0; c < chunks; c++)
    body(static_cast<int>(static_cast<long long>(n) * c / chunks),
         static_cast<int>(static_cast<long long>(n) * (c + 1) / chunks), 0);
}

int pieceWorkers(int n, int piece) {
  if (n <= 0) return 0;
  const long long pieces =
      (static_cast<long long>(n) + std::max(piece, 1) - 1) / std::max(piece, 1);
  return static_cast<int>(std::min<long long>(pieces, workerCount()));
}

void forPieces(int n, int piece, const std::function<void(int begin, int end, int worker)>& body) {
  if (n <= 0) return;
  piece = std::max(piece, 1);
  const int pieces = static_cast<int>((static_cast<long long>(n) + piece - 1) / piece);
  const int workers = pieceWorkers(n, piece);
  auto bound = [&](int c) {
    return static_cast<int>(std::min<long long>(static_cast<long long>(piece) * c, n));
  };
  if (workers > 1) {
    try {
      if (pool().run(n, pieces, piece, workers, body)) return;
    } catch (const std::bad_alloc&) {
      // no pool: the calling thread runs every piece
    }
  }
  for (int c = 0; c < pieces; c++) body(bound(c), bound(c + 1), 0);
}

}  // namespace korim::simulation
