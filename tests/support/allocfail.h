// Test support: run a call with the n-th tagged allocation failing, for n = 1, 2, ... in turn.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "foundation/memory.h"
#include "tests/support/capture.h"

namespace korim_test {

// Each round resets the allocator books, arms the failure hook at n, runs run(n)
// with stderr captured and hands check(n, fired, err) the outcome; fired tells
// whether the allocator reported "Memory allocation failure.". The sweep ends
// after the first round in which nothing failed and returns how many rounds
// failed; reaching limit without a clean round is itself a test failure.
template <typename Run, typename Check>
int sweepAllocationFailures(Run run, Check check, int limit = 400) {
  int failed = 0;
  for (int n = 1; n <= limit; ++n) {
    korim::foundation::memoryReset();
    korim::foundation::memoryFailAt(n);
    const std::string err = captureStderr([&] { run(n); });
    korim::foundation::memoryFailAt(0);
    const bool fired = err.find("Memory allocation failure.") != std::string::npos;
    check(n, fired, err);
    if (!fired) return failed;
    ++failed;
  }
  ADD_FAILURE() << "every one of " << limit << " rounds met an allocation failure";
  return failed;
}

// One entry point under the sweep: prepare() builds its input with memory available, then
// run() calls it with the n-th allocation from there on failing. A round that met no failure
// must succeed with the whole result; a round that reports success must have the whole
// result; a round that reports failure must leave the caller's data intact.
struct Outcome {
  bool ok = false;        // the call reports success
  bool complete = false;  // the whole result is there
  bool intact = true;     // after a reported failure: the caller's data as before
};

template <typename Prepare, typename Run>
int sweepEntryPoint(const char* name, Prepare prepare, Run run, int limit = 400) {
  Outcome o;
  return sweepAllocationFailures(
      [&](int n) {
        korim::foundation::memoryFailAt(0);
        prepare();
        korim::foundation::memoryFailAt(n);
        o = run();
      },
      [&](int n, bool fired, const std::string& err) {
        EXPECT_TRUE(o.ok || !fired ? o.ok && o.complete : o.intact) << name << ", allocation " << n << ":\n" << err;
      },
      limit);
}

}  // namespace korim_test
