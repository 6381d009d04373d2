// Fuzz target: the channel mixer's options (qMixInit). Byte 0 gives the points per vector
// (1 to 256); the rest are the words of the argument vector. After a successful set-up, N * 2
// vectors are mixed and everything is released; a coefficient that is not finite is a finding.
// Counts that the mixer would hold but that ask for more than 64 MB are skipped, so that a run
// stays within the fuzzer's memory limit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "spectral/qmix.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::spectral;

namespace {

constexpr long long kMaxFloats = 16LL << 20;  // 64 MB

// The count after the first occurrence of flag, as a number may read it (1 when absent).
long long countOf(const std::vector<std::string>& words, const char* flag) {
  for (size_t i = 0; i + 1 < words.size(); i++)
    if (words[i] == flag) {
      const long long v = std::strtoll(words[i + 1].c_str(), nullptr, 10);
      return v < 1 ? 1 : (v > (1LL << 31) ? (1LL << 31) : v);  // beyond an int: refused anyway
    }
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int points = data[0] + 1;
  std::vector<std::string> words = korim::fuzz::inputWords(data + 1, size - 1, 200);
  const long long n = countOf(words, "-ic"), m = countOf(words, "-oc");
  // Within the int byte count the mixer holds, but large: skipped (the sizes beyond it are run).
  const bool heldBig = [&] {
    for (long long c : {n, m})
      if (c * 2 * points * 4 <= 2147483647LL && c * 2 * points > kMaxFloats) return true;
    return n * m > kMaxFloats && n * 2 * points * 4 <= 2147483647LL && m * 2 * points * 4 <= 2147483647LL;
  }();
  if (heldBig) return 0;

  std::string prog = "qmix";
  std::vector<char*> argv = korim::fuzz::argVector(prog, words);
  const int argc = static_cast<int>(argv.size()) - 1;

  korim::foundation::initArgs(argc, argv.data(), 0);
  QMixBuff q;
  qMixNull(&q);
  if (qMixHelp(argc, argv.data(), &q) == 0 && qMixInit(argc, argv.data(), points, &q) == 0) {
    for (int i = 0; i < q.inCount; i++)  // a coefficient that is not finite is no set-up
      for (int j = 0; j < q.outCount; j++)
        if (!std::isfinite(q.cR[i][j]) || !std::isfinite(q.cI[i][j])) __builtin_trap();
    std::vector<float> re(points, 1.0f), im(points, -0.5f);
    for (int call = 1; call <= 2 * q.inCount && call <= 64; call++) qMix(re.data(), im.data(), call, &q);
  }
  qMixFree(&q);
  korim::foundation::nullArgs();
  return 0;
}
