// Worker threads over contiguous chunks of an index range.
#include "simulation/workers.h"

#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

namespace korim::simulation {

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
  auto range = [&](int c) { return static_cast<int>(static_cast<long long>(n) * c / chunks); };
  std::vector<std::thread> threads;
  int started = 1;
  try {
    threads.reserve(static_cast<size_t>(chunks));
    for (; started < chunks; started++)
      threads.emplace_back(body, range(started), range(started + 1), started);
  } catch (const std::exception&) {
    // Fewer threads than chunks: the rest run here.
  }
  body(range(0), range(1), 0);
  for (int c = started; c < chunks; c++) body(range(c), range(c + 1), c);
  for (std::thread& t : threads) t.join();
}

}  // namespace korim::simulation
