// Child processes by fork and exec: a pipe closed on exec tells whether the program started.
#include "spectral/spawn.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace korim::spectral {

namespace {

constexpr int kCannotRun = 127;

// In the child: runs the program or reports why not through the pipe.
[[noreturn]] void execOrReport(char* const argv[], int reportFd) {
    execvp(argv[0], argv);
    const int err = errno;
    ssize_t ignored = write(reportFd, &err, sizeof err);
    (void)ignored;
    _exit(kCannotRun);
}

// The error number the child sent before exec failed, 0 when exec succeeded.
int readExecError(int fd) {
    int err = 0;
    ssize_t n;
    do {
        n = read(fd, &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(fd);
    return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Forks with a close-on-exec report pipe; -1 when either cannot be had.
pid_t forkWithPipe(int fds[2], int* execErr) {
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *execErr = errno;
        return -1;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        *execErr = errno;
        close(fds[0]);
        close(fds[1]);
    }
    return pid;
}

}  // namespace

int spawnWait(char* const argv[], int* execErr) {
    *execErr = 0;
    int fds[2];
    const pid_t pid = forkWithPipe(fds, execErr);
    if (pid < 0) return kCannotRun;
    if (pid == 0) {
        close(fds[0]);
        execOrReport(argv, fds[1]);
    }
    close(fds[1]);
    *execErr = readExecError(fds[0]);
    const int status = waitFor(pid);
    return *execErr != 0 ? kCannotRun : status;
}

int spawnDetached(char* const argv[], int* execErr) {
    *execErr = 0;
    int fds[2];
    const pid_t pid = forkWithPipe(fds, execErr);
    if (pid < 0) return kCannotRun;
    if (pid == 0) {
        // The intermediate child exits at once; its child is left to the system.
        close(fds[0]);
        const pid_t grandChild = fork();
        if (grandChild == 0) execOrReport(argv, fds[1]);
        _exit(grandChild < 0 ? kCannotRun : 0);
    }
    close(fds[1]);
    *execErr = readExecError(fds[0]);
    const int status = waitFor(pid);
    if (*execErr != 0) return kCannotRun;
    return status == 0 ? 0 : kCannotRun;
}

}  // namespace korim::spectral
