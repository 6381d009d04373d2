// Test support: reaping every child process (and adopted orphan) within a time-out.
#pragma once

#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace korim_test {

// Makes orphaned grandchildren (detached programs) children of this process,
// so that reapChildren can wait for them too.
inline void adoptOrphans() { prctl(PR_SET_CHILD_SUBREAPER, 1); }

// Waits for every child; false when some are still running after the time-out.
inline bool reapChildren(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const pid_t pid = waitpid(-1, nullptr, WNOHANG);
        if (pid < 0 && errno == ECHILD) return true;
        if (pid > 0) continue;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace korim_test
